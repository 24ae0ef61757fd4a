// The frame loop over the application modes.
#include "game/game_loop.h"

#include <SDL.h>
#include <algorithm>
#include <atomic>
#include "game/game.h"
#include "platform/log.h"
#include "ui/app_mode.h"

namespace {

std::atomic<int> g_quit_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler stores into it");

uint32_t sdl_ticks(void *) { return SDL_GetTicks(); }
void     sdl_sleep(void *, uint32_t ms) { SDL_Delay(ms); }

constexpr int32_t FRAME_MS = 20;

}  // namespace

int game_thread_main(Game *game) {
    const LoopClock clock{sdl_ticks, sdl_sleep, nullptr};
    return game_loop_run(game, &clock);
}

int game_loop_run(Game *game, const LoopClock *clock) {
    uint32_t previous = clock->ticks(clock->context);
    log_write(LOG_GAME, LOG_DEBUG, "Begin game thread");
    game->flags |= GAME_FLAG_LOOP_RUNNING;

    while (game->flags & GAME_FLAG_LOOP_RUNNING) {
        const uint32_t now = clock->ticks(clock->context);
        const int32_t elapsed = int32_t(now - previous);
        previous = now;
        app_mode_run_frame(std::max(elapsed, int32_t(1)));

        const int32_t wait = FRAME_MS - int32_t(clock->ticks(clock->context) - now);
        if (g_quit_signal.load()) game->flags |= GAME_FLAG_QUIT;
        if (game->flags & GAME_FLAG_QUIT) break;
        clock->sleep(clock->context, uint32_t(std::max(wait, int32_t(1))));
    }
    game->flags &= ~GAME_FLAG_LOOP_RUNNING;
    log_write(LOG_GAME, LOG_DEBUG, "End game thread");
    return 0;
}

void game_signal_quit() { g_quit_signal.store(1); }
bool game_quit_signalled() { return g_quit_signal.load() != 0; }
void game_clear_quit_signal() { g_quit_signal.store(0); }

// game_update_controls, game_draw_controls, game_flush_new_controls and game_draw_cursor are
// the UI toolkit's (ui/game_controls.cpp).
