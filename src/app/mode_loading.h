#pragma once
// Start-up loading mode (application mode 1): the first mode the program enters. While a worker,
// the init load thread, loads everything later screens share (cursor, name lists, player records,
// control classes, minimap, fonts, image types, effect types, system types, technologies,
// factories, preferences and volumes), the screen shows a pulsing "Loading..." in its bottom-right
// corner. Once the worker has finished, the text fades to black over 640 ms and the mode asks for
// the title mode in the frame in which the fade ends.
//  - The loader flags are an atomic word: the game thread sets LOADING_RUNNING and
//    LOADING_STARTED before it starts the worker; the worker clears LOADING_RUNNING (fetch_and,
//    release) as its very last write, and the game thread polls it (acquire) once per frame. The
//    mode's leave waits for the worker.
//  - What the worker loads is only read once it has finished; the two results the game thread
//    itself reads every frame (the cursor and the first-run flag of the Game) are handed over by
//    the game thread when it sees the worker done, so the worker never writes them.
//  - When the worker cannot be created, the steps run on the game thread in that update, so the
//    mode still ends.
//  - No step's failure stops the start-up: each is logged at GAME / ERROR and the next one runs.
//  - Game thread only, but for init_load_thread.
#include <SDL.h>
#include <atomic>
#include <cstdint>

struct AppMode;
struct ColourFade;
struct Cursor;
struct Game;
struct Graphics;

constexpr uint32_t LOADING_RUNNING   = 0x1;   // the worker runs (it clears this last)
constexpr uint32_t LOADING_FADE_OUT  = 0x2;   // the fade-out has started
constexpr uint32_t LOADING_STARTED   = 0x4;   // the worker has been started
constexpr uint32_t LOADING_FIRST_RUN = 0x8;   // the worker found no preferences file
constexpr int32_t  LOADING_FADE_OUT_MS = 640;
constexpr int32_t  LOADING_MARGIN = 8;        // pixels from the right and bottom edges
constexpr const char *LOADING_TEXT = "Loading...";

struct LoadingState {
    std::atomic<uint32_t> flags{0};
    SDL_Thread *thread = nullptr;
    ColourFade *fade = nullptr;               // owned between enter and leave
    int32_t     text_width = 0;
    int32_t     font_height = -1;             // -1 when font 0 cannot be loaded
    Cursor     *loaded_cursor = nullptr;      // handed to the Game by the game thread
    uint32_t    worker_seed = 0;              // the worker's quick generator, drawn by the game thread
};

void loading_mode_init(AppMode *mode);   // fills enter, leave, update and draw
void loading_mode_enter();
void loading_mode_leave();
void loading_mode_update(int32_t dt);
void loading_mode_draw(Graphics *graphics);
int  init_load_thread(void *unused);     // the worker: seeds its quick generator, runs the steps; 0

const LoadingState *loading_mode_state();

// The volume a command-line level selects: 0..5 give 0, 25, 51, 76, 102 and 128; any other level
// (-1: not given) keeps the preference.
int32_t loading_volume_for_level(int32_t level, int32_t preference);
// Steps 14 and 15: the command-line levels over the preferences, then the sound manager's volumes
// (clamped to 0..128; music at 0 fades the music out).
void    loading_apply_volumes(Game *game);

// Where the mode starts its worker and what the worker runs; tests put their own here. Null
// restores SDL_CreateThread and the loading steps.
struct LoadingSeams {
    SDL_Thread *(*create_thread)(int (*body)(void *), void *arg);   // null result: runs inline
    void (*load_steps)(LoadingState *state);                         // steps 2 to 16
};
void loading_mode_set_seams(const LoadingSeams *seams);
// The loading steps themselves (2 to 16), as the worker runs them.
void loading_run_steps(LoadingState *state);
