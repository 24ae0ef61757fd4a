// Start-up loading mode: the init load thread and the pulsing "Loading..." that fades into the title.
#include "app/mode_loading.h"

#include <algorithm>

#include "effects/effect.h"
#include "game/game.h"
#include "game/names.h"
#include "game/prefs.h"
#include "game/records.h"
#include "game/tech.h"
#include "platform/colour_fade.h"
#include "platform/font.h"
#include "platform/geometry.h"
#include "platform/graphics.h"
#include "platform/image_ids.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "systems/system.h"
#include "ui/app_mode.h"
#include "ui/control.h"
#include "ui/cursor.h"
#include "world/factory.h"

namespace {

constexpr int VOLUME_MAX = 128;
constexpr int32_t VOLUME_BY_LEVEL[6] = {0, 25, 51, 76, 102, 128};

LoadingState g_state;

SDL_Thread *sdl_create_thread(int (*body)(void *), void *arg) { return SDL_CreateThread(body, arg); }

const LoadingSeams DEFAULT_SEAMS{sdl_create_thread, loading_run_steps};
LoadingSeams g_seams = DEFAULT_SEAMS;

void load_cursor(LoadingState *state, const Game *game) {
    if (game && game->cursors[0]) return;
    Cursor *cursor = cursor_load(0);
    if (!cursor) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to load cursor %i", 0);
        log_write(LOG_GAME, LOG_ERROR, "Failed to load cursor (%i)", int(RES_READ_FAILED));
        return;
    }
    log_write(LOG_GAME, LOG_DEBUG, "Load cursor %i", 0);
    state->loaded_cursor = cursor;
}

void load_control_assets() {
    // The class table fills itself on first use; asking for any class does it.
    (void)control_class(CONTROL_PANEL);
    if (const ControlClass *minimap = control_class(CONTROL_MINIMAP); minimap && minimap->load_assets)
        if (Result r = minimap->load_assets(0); r != RES_OK)
            log_write(LOG_GAME, LOG_ERROR, "Failed to load minimap control instance (%i)", int(r));
    for (int n = 0; n < FONT_COUNT; ++n)
        if (font_preload(n) != RES_OK)
            log_write(LOG_GAME, LOG_ERROR, "Failed to load font instance %i (%i)", n, int(RES_READ_FAILED));
    if (const ControlClass *image = control_class(CONTROL_IMAGE); image && image->load_assets)
        for (int type = 0; type < IMAGE_TYPE_COUNT; ++type)
            if (Result r = image->load_assets(type); r != RES_OK)
                log_write(LOG_GAME, LOG_ERROR, "Failed to load image control instance %i (%i)", type, int(r));
}

void load_game_tables() {
    for (int type = 0; type < int(EFFECT_TYPE_COUNT); ++type)
        if (Result r = effect_load_type(type); r != RES_OK)
            log_write(LOG_GAME, LOG_ERROR, "Failed to load effect instance %i (%i)", type, int(r));
    if (Result r = system_types_load(); r != RES_OK)
        log_write(LOG_GAME, LOG_ERROR, "Failed to load system instance (%i)", int(r));
    if (Result r = tech_load(); r != RES_OK) log_write(LOG_GAME, LOG_ERROR, "Failed to load tech instance (%i)", int(r));
    if (Result r = factory_init(); r != RES_OK)
        log_write(LOG_GAME, LOG_ERROR, "Failed to load factory instances (%i)", int(r));
    factory_acquire_group_all(0);   // every template's parameters and frame sizes
    if (Result r = factory_resolve_load_groups(); r != RES_OK)
        log_write(LOG_GAME, LOG_ERROR, "Failed to resolve factory instance load levels (%i)", int(r));
    distance_table_build();   // before any game starts: its distances below 400 a side are read from it
}

// What the worker leaves for the game thread: the cursor, and the first run for the Game's flags.
void take_results(Game *game) {
    const uint32_t flags = g_state.flags.load(std::memory_order_acquire);
    if (!game) return;
    if (g_state.loaded_cursor) {
        if (!game->cursors[0]) game->cursors[0] = g_state.loaded_cursor;
        else cursor_free(g_state.loaded_cursor);
        g_state.loaded_cursor = nullptr;
    }
    if (flags & LOADING_FIRST_RUN) game->flags |= GAME_FLAG_FIRST_RUN;
}

int screen_width() {
    const GfxScreen *s = gfx_screen();
    return s->width > 0 ? s->width : GFX_WIDTH;
}

int screen_height() {
    const GfxScreen *s = gfx_screen();
    return s->height > 0 ? s->height : GFX_HEIGHT;
}

}  // namespace

int32_t loading_volume_for_level(int32_t level, int32_t preference) {
    return level >= 0 && level <= 5 ? VOLUME_BY_LEVEL[level] : preference;
}

void loading_apply_volumes(Game *game) {
    if (!game) return;
    game->music_volume = loading_volume_for_level(game->music_override, game->music_volume);
    game->sound_volume = loading_volume_for_level(game->sound_override, game->sound_volume);
    const int music = std::clamp(int(game->music_volume), 0, VOLUME_MAX);
    sound_set_music_volume(music);
    if (music == 0) sound_fade_out_music();
    sound_set_sound_volume(std::clamp(int(game->sound_volume), 0, VOLUME_MAX));
}

void loading_run_steps(LoadingState *state) {
    Game *game = game_get();
    load_cursor(state, game);
    if (Result r = name_lists_load(game); r != RES_OK)
        log_write(LOG_GAME, LOG_ERROR, "Failed to load name lists (%i)", int(r));
    if (Result r = records_load(game); r != RES_OK)
        log_write(LOG_GAME, LOG_ERROR, "Failed to load player records file (%i)", int(r));
    load_control_assets();
    load_game_tables();
    if (prefs_load(game) != RES_OK) {
        records_set_default_colors(game);
        state->flags.fetch_or(LOADING_FIRST_RUN, std::memory_order_relaxed);
    } else if (game) {
        (void)records_fix_slots(game);
    }
    loading_apply_volumes(game);
    if (game) game->help_topic = 0;
}

namespace {

void run_loader() {
    log_write(LOG_GAME, LOG_DEBUG, "Begin init load thread");
    g_seams.load_steps(&g_state);
    log_write(LOG_GAME, LOG_DEBUG, "End init load thread");
    g_state.flags.fetch_and(~LOADING_RUNNING, std::memory_order_release);   // the last write
}

}  // namespace

int init_load_thread(void *) {
    random_seed(g_state.worker_seed);
    run_loader();
    return 0;
}

void loading_mode_enter() {
    if (!font_get(0))
        log_write(LOG_GAME, LOG_ERROR, "Failed to load font instance %i (%i)", 0, int(RES_READ_FAILED));
    g_state.flags.store(0, std::memory_order_relaxed);
    g_state.fade = colour_fade_create();
    // Green to pale and back: red and blue step every 3 ms, green every 46 ms.
    colour_fade_start(g_state.fade, 0, 230, 0, 230, 245, 230, 690, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    g_state.text_width = font_text_width(0, LOADING_TEXT);
    g_state.font_height = font_line_height(0);
}

void loading_mode_update(int32_t dt) {
    if (!(g_state.flags.load(std::memory_order_relaxed) & LOADING_STARTED)) {
        g_state.flags.fetch_or(LOADING_RUNNING | LOADING_STARTED, std::memory_order_relaxed);
        g_state.worker_seed = random_worker_seed();
        g_state.thread = g_seams.create_thread(init_load_thread, nullptr);
        if (!g_state.thread) {
            log_write(LOG_GAME, LOG_ERROR, "Failed to create init load thread, loading on the game thread");
            run_loader();   // the game thread keeps its own sequence
        }
    }
    const uint32_t flags = g_state.flags.load(std::memory_order_acquire);
    if (!(flags & (LOADING_RUNNING | LOADING_FADE_OUT))) {
        take_results(game_get());
        g_state.flags.fetch_or(LOADING_FADE_OUT, std::memory_order_relaxed);
        colour_fade_to(g_state.fade, 0, 0, 0, LOADING_FADE_OUT_MS, 0);
    }
    colour_fade_update(g_state.fade, dt);
    if ((g_state.flags.load(std::memory_order_relaxed) & LOADING_FADE_OUT) && !colour_fade_is_running(g_state.fade))
        app_mode_request(APP_MODE_TITLE);
}

void loading_mode_draw(Graphics *graphics) {
    const ColourFade *f = g_state.fade;
    if (!f) return;
    const int x = screen_width() - g_state.text_width - LOADING_MARGIN;
    const int y = screen_height() - g_state.font_height - LOADING_MARGIN;
    (void)font_draw_text(graphics, 0, x, y, gfx_map_rgb(f->r, f->g, f->b), LOADING_TEXT);
}

void loading_mode_leave() {
    if (g_state.thread) {
        SDL_WaitThread(g_state.thread, nullptr);
        g_state.thread = nullptr;
    }
    // A worker that finished after the last update still leaves its results.
    take_results(game_get());
    colour_fade_free(g_state.fade);
    g_state.fade = nullptr;
}

void loading_mode_init(AppMode *mode) {
    mode->enter = loading_mode_enter;
    mode->leave = loading_mode_leave;
    mode->update = loading_mode_update;
    mode->draw = loading_mode_draw;
}

const LoadingState *loading_mode_state() { return &g_state; }

void loading_mode_set_seams(const LoadingSeams *seams) { g_seams = seams ? *seams : DEFAULT_SEAMS; }
