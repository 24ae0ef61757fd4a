#pragma once
// Game loop: the main thread's life after start-up.
//  - One frame every 20 ms until the game's quit flag is set: the current application mode's
//    frame (pre-frame hook, input poll, update, control update, the frame's draw commands when
//    the graphics thread has taken the previous frame, post-frame hook, pending mode change),
//    then a sleep for the rest of the 20 ms, at least 1 ms. dt is never below 1.
//  - The quit flag ends the loop right after the frame's mode change, without the sleep.
//  - SIGINT and SIGTERM reach the loop through game_signal_quit, which only stores an atomic flag;
//    the loop turns it into the game's quit flag at the end of the frame.
//  - Main thread only; the only lock it takes is the graphics queue lock, around the draw.
#include <cstdint>

struct Game;

// Where the loop reads the time and sleeps; tests pass a fake one.
struct LoopClock {
    uint32_t (*ticks)(void *context);               // milliseconds
    void     (*sleep)(void *context, uint32_t ms);
    void     *context;
};

int  game_thread_main(Game *game);                          // over SDL's clock; 0
int  game_loop_run(Game *game, const LoopClock *clock);     // 0
void game_signal_quit();                                    // async-signal-safe
bool game_quit_signalled();
void game_clear_quit_signal();

