// Title mode: the boot log, the tile reveal, the title menu's owner slots, the leaving transition
// into the galaxy mode and the two loader threads.
#include "screens/title/title_mode.h"

#include <new>

#include "game/game.h"
#include "game/newgame.h"
#include "game/prefs.h"
#include "game/save.h"
#include "platform/colour_fade.h"
#include "platform/draw.h"
#include "platform/font.h"
#include "platform/geometry.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "screens/title/game_menu.h"
#include "screens/title/help_window.h"
#include "screens/title/title_pages.h"
#include "ui/app_mode.h"
#include "ui/panel.h"
#include "ui/scene.h"
#include "ui/ui_draw.h"
#include "views/scene_panel.h"
#include "world/factory.h"

namespace {

constexpr int32_t LEAVE_FLASH_MS = 400;
constexpr int32_t STRIPE_WIDTH = 128;
constexpr int32_t WIPE_MS_PER_PIXEL = 4;
constexpr int32_t LEAVE_HOLD_MS = 80;
constexpr int     LOADING_FONT = 0;
constexpr int     LOADING_MARGIN = 8;
constexpr const char *LOADING_TEXT = "Loading...";

struct BootLine {
    const char *text;
    int32_t     delay;   // ms before the line
};

const BootLine BOOT_LOG[] = {
    {"POWER ONLINE", 50},
    {"DISPLAY ACTIVATED", 0},
    {"CHECKING MEMORY...", 0},
    {"EXECUTING DIAGNOSTICS...", 300},
    {"INITIALIZING SYSTEM...", 200},
    {"VISUAL SENSORS ONLINE", 500},
    {"NAV SYNC COMPLETE", 100},
    {"LOCATING HYPERSPACE BEACON...", 100},
    {"ESTABLISHING COMMAND UPLINK...", 500},
    {"SYSTEM READY", 700},
};

TitleState g_title;

bool has(uint32_t bits) { return g_title.flags.load(std::memory_order_acquire) & bits; }
void set(uint32_t bits) { g_title.flags.fetch_or(bits, std::memory_order_release); }
void clear(uint32_t bits) { g_title.flags.fetch_and(~bits, std::memory_order_release); }

// Control flags of the title menu while the help window shows: disabled, no disable timer.
void set_menu_enabled(bool on) {
    Control *menu = game_find_control(game_get(), TITLE_ID_MENU);
    if (!menu) return;
    menu->flags &= ~CTRL_DISABLE_TIMER;
    if (on) menu->flags &= ~CTRL_DISABLED;
    else menu->flags |= CTRL_DISABLED;
}

void open_help_over_menu() {
    (void)help_window_open(game_get());
    set(TITLE_HELP_OPEN);
    set_menu_enabled(false);
}

void place_menu(Control *menu) { control_set_position(menu, (ui_screen_width() - menu->w) / 2, TITLE_MENU_Y); }

void join_loader() {
    if (!g_title.loader) return;
    SDL_WaitThread(g_title.loader, nullptr);
    g_title.loader = nullptr;
}

// Starts a loader thread with a seed drawn here; false when SDL cannot create it.
bool start_loader(int (*body)(void *), const char *name) {
    g_title.loader_seed = random_worker_seed();
    g_title.loader = SDL_CreateThread(body, nullptr);
    if (g_title.loader) return true;
    log_write(LOG_GAME, LOG_ERROR, "Failed to create %s load thread", name);
    return false;
}

void build_boot_log(Game *game) {
    Control *panel = panel_create_empty();
    if (!panel) return;
    game_add_control(game, 0, 0, TITLE_ID_BOOT_LOG, 0, panel);
    Scene *scene = scene_list_create();
    List<SceneLine> *lines = scene_lines_create();
    if (scene && lines) {
        scene->flags = SCENE_FIT;
        for (const BootLine &line : BOOT_LOG) scene_add_line(lines, line.text, line.delay, SCENE_LINE_TYPE_OUT);
        if (scene_add_panel_item(scene, lines)) lines = nullptr;
        scene_panel_init(panel, scene);
    }
    if (lines) list_free(lines);
    scene_free(scene);
    panel_relayout(panel);
    control_set_position(panel, 10, ui_screen_height() - panel->h - 30);
}

// ---- The reveal ----

void delay_free(int32_t *delay) { delete delay; }

void build_tile_grid() {
    ShuffleBag<int32_t> *bag = shuffle_create<int32_t>();
    if (!bag) return;
    shuffle_set_free_fn(bag, delay_free);
    list_clear(g_title.tiles);
    const int w = ui_screen_width(), h = ui_screen_height();
    for (int y = 0, row = 0; y < h; y += TITLE_TILE_SIZE, ++row) {
        if (int32_t *delay = new (std::nothrow) int32_t(TITLE_TILE_ROW_DELAY * row);
            delay && list_append(&bag->items, delay) < 0)
            delete delay;
        for (int x = 0; x < w; x += TITLE_TILE_SIZE) {
            TitleTile *tile = new (std::nothrow) TitleTile();
            if (!tile) continue;
            tile->x = x;
            tile->y = y;
            tile->colour = colour_fade_create();
            // White, falling to (0, 0, 200): red and green one unit a ms, blue one every 7 ms.
            colour_fade_start(tile->colour, 255, 255, 255, 0, 0, 200, 385, 0, 0);
            if (list_append(g_title.tiles, tile) < 0) title_tile_free(tile);
        }
    }
    shuffle_reset(bag);
    for (TitleTile *tile : g_title.tiles->items) {
        if (!tile) break;
        const int32_t *delay = shuffle_next(bag);
        tile->delay = delay ? *delay : 0;
    }
    shuffle_free(bag);
    g_title.phase = TITLE_PHASE_TILES;
}

void step_tiles_appearing(int32_t ms) {
    for (TitleTile *tile : g_title.tiles->items) {
        if (!tile) break;
        if (tile->started) {
            tile->visible = !colour_fade_is_black(tile->colour);
            colour_fade_update(tile->colour, ms);
        } else {
            tile->visible = 0;
        }
    }
    if (has(TITLE_TILES_STARTED)) return;   // the draw has not copied the last squares yet
    bool waiting = false;
    for (TitleTile *tile : g_title.tiles->items) {
        if (!tile) break;
        if (tile->started) continue;
        waiting = true;
        tile->delay -= ms;
        if (tile->delay <= 0) tile->started = 1;
    }
    if (waiting) {
        set(TITLE_TILES_STARTED);
        return;
    }
    for (const TitleTile *tile : g_title.tiles->items) {
        if (!tile) break;
        if (colour_fade_is_running(tile->colour)) return;
    }
    g_title.phase = TITLE_PHASE_FADING;
    for (TitleTile *tile : g_title.tiles->items) {
        if (!tile) break;
        colour_fade_to(tile->colour, 0, 0, 36, 1000, 0);
    }
}

void step_tiles_fading(int32_t ms) {
    bool changing = false;
    for (TitleTile *tile : g_title.tiles->items) {
        if (!tile) break;
        tile->visible = colour_fade_is_running(tile->colour);
        if (!tile->visible) continue;
        changing = true;
        colour_fade_update(tile->colour, ms);
    }
    if (changing) return;
    set(TITLE_REPAINT);
    g_title.phase = TITLE_PHASE_REVEALED;
    log_write(LOG_GAME, LOG_DEBUG2, "Title revealed");
}

void step_reveal(int32_t ms) {
    switch (g_title.phase) {
    case TITLE_PHASE_COUNTDOWN:
        g_title.boot_countdown -= ms;
        if (g_title.boot_countdown <= 0) build_tile_grid();
        break;
    case TITLE_PHASE_TILES: step_tiles_appearing(ms); break;
    case TITLE_PHASE_FADING: step_tiles_fading(ms); break;
    case TITLE_PHASE_REVEALED:
        if (has(TITLE_ABOUT_REVEAL)) {
            clear(TITLE_ABOUT_REVEAL);
            g_title.phase = TITLE_PHASE_COUNTDOWN;
            g_title.target_background = TITLE_BG_ABOUT;
        } else if (has(TITLE_ABOUT_REQUESTED)) {
            set(TITLE_ABOUT_PENDING);
            g_title.phase = TITLE_PHASE_IDLE;
        }
        break;
    default: break;
    }
}

// ---- Leaving ----

// One pixel of wipe per 4 ms; true once the stripes are complete.
bool step_wipe(int32_t ms) {
    g_title.leave_timer += ms;
    g_title.reveal_offset += g_title.leave_timer / WIPE_MS_PER_PIXEL;
    g_title.leave_timer %= WIPE_MS_PER_PIXEL;
    if (g_title.reveal_offset <= STRIPE_WIDTH) return false;
    g_title.reveal_offset = STRIPE_WIDTH;
    g_title.leave_timer = 0;
    return true;
}

void start_galaxy_load() {
    join_loader();
    if (!start_loader(title_galaxy_load_thread, "galaxy")) set(TITLE_GALAXY_FAILED);
}

// Back to the title after a galaxy load that failed: a fresh menu that says what failed.
void return_from_failed_load() {
    const bool new_game = has(TITLE_NEW_GAME_FAILED);
    clear(TITLE_GALAXY_LOADED | TITLE_GALAXY_FAILED | TITLE_NEW_GAME_FAILED);
    if (Control *menu = title_menu_create())
        game_menu_show_error(menu, new_game ? TITLE_ERROR_NEW_GAME : TITLE_ERROR_LOADING);
    clear(TITLE_LEAVING);
    set(TITLE_REPAINT);
    g_title.target_background = TITLE_BG_TITLE;
}

void step_leaving(int32_t ms) {
    switch (g_title.leave_step) {
    case TITLE_LEAVE_FLASH:
        g_title.leave_timer += ms;
        if (g_title.leave_timer <= LEAVE_FLASH_MS) break;
        game_clear_controls(game_get());
        set(TITLE_LOAD_TRANSITION);
        g_title.target_background = TITLE_BG_TRANSITION;
        g_title.leave_timer = g_title.reveal_offset = g_title.reveal_offset_drawn = 0;
        g_title.leave_step = TITLE_LEAVE_WIPE_OUT;
        break;
    case TITLE_LEAVE_WIPE_OUT:
        if (!step_wipe(ms)) break;
        set(TITLE_START_GALAXY);
        g_title.leave_step = TITLE_LEAVE_LOADING;
        break;
    case TITLE_LEAVE_LOADING:
        if (has(TITLE_START_GALAXY)) {
            clear(TITLE_START_GALAXY);
            start_galaxy_load();
        }
        if (has(TITLE_GALAXY_LOADED)) {
            clear(TITLE_GALAXY_LOADED | TITLE_GALAXY_FAILED);
            set(TITLE_LOAD_GALAXY_BG);
            g_title.reveal_offset = g_title.reveal_offset_drawn = g_title.leave_timer = 0;
            g_title.leave_step = TITLE_LEAVE_WIPE_IN;
        } else if (has(TITLE_GALAXY_FAILED)) {
            return_from_failed_load();
        }
        break;
    case TITLE_LEAVE_WIPE_IN:
        if (step_wipe(ms)) g_title.leave_step = TITLE_LEAVE_HOLD;
        break;
    case TITLE_LEAVE_HOLD:
        g_title.leave_timer += ms;
        if (g_title.leave_timer >= LEAVE_HOLD_MS) g_title.leave_step = TITLE_LEAVE_GALAXY;
        break;
    case TITLE_LEAVE_GALAXY: app_mode_request(APP_MODE_GALAXY); break;
    default: break;
    }
}

void start_leaving() {
    sound_fade_out_music();
    set(TITLE_LEAVING);
    g_title.leave_step = TITLE_LEAVE_FLASH;
    g_title.leave_timer = 0;
}

// ---- Drawing ----

void queue_slot(Graphics *g, DrawCommandFn *fn, int32_t slot) {
    const uint32_t s = uint32_t(slot);
    (void)gfx_queue_command(g, fn, &s, sizeof s);
}

GfxRect rect_of(int x, int y, int w, int h) { return GfxRect{int16_t(x), int16_t(y), uint16_t(w), uint16_t(h)}; }

void queue_rect(Graphics *g, DrawCommandFn *fn, GfxRect r) { (void)gfx_queue_command(g, fn, &r, sizeof r); }

// The copy of a rectangle of a background slot into the working background, shown on the screen.
void reveal_rect(Graphics *g, GfxRect r, int32_t slot) {
    const BgCopyPayload copy{r, uint32_t(slot)};
    (void)gfx_queue_command(g, bg_copy_rect_command, &copy, sizeof copy);
    queue_rect(g, gfx_restore_rect, r);
}

void draw_tile_outlines(Graphics *g) {
    (void)gfx_queue_command(g, gfx_lock_screen, nullptr, 0);
    for (const TitleTile *tile : g_title.tiles->items) {
        if (!tile) break;
        if (!tile->visible) continue;
        (void)gfx_queue_frame_rect(g, rect_of(tile->x, tile->y, TITLE_TILE_SIZE, TITLE_TILE_SIZE), tile->colour->r,
                                   tile->colour->g, tile->colour->b);
    }
    (void)gfx_queue_command(g, gfx_unlock_screen, nullptr, 0);
    for (const TitleTile *tile : g_title.tiles->items) {
        if (!tile) break;
        if (tile->visible) queue_rect(g, gfx_add_dirty_rect, rect_of(tile->x, tile->y, TITLE_TILE_SIZE, TITLE_TILE_SIZE));
    }
}

int32_t galaxy_background_slot() { return game_get()->backdrop + TITLE_BG_GALAXY; }

void draw_stripes(Graphics *g) {
    if (g_title.reveal_offset <= g_title.reveal_offset_drawn) return;
    const int32_t slot = g_title.leave_step <= TITLE_LEAVE_LOADING ? TITLE_BG_TRANSITION : galaxy_background_slot();
    const int w = ui_screen_width(), h = ui_screen_height();
    const int stripe = g_title.reveal_offset - g_title.reveal_offset_drawn + 1;
    for (int x = g_title.reveal_offset_drawn; x < w; x += STRIPE_WIDTH) {
        const GfxRect r = rect_of(x, 0, stripe, h);
        reveal_rect(g, r, slot);
        queue_rect(g, gfx_add_dirty_rect, r);
    }
    g_title.reveal_offset_drawn = g_title.reveal_offset;
}

}  // namespace

TitleState *title_state() { return &g_title; }

void title_tile_free(TitleTile *tile) {
    if (!tile) return;
    colour_fade_free(tile->colour);
    delete tile;
}

void title_enter() {
    Game *game = game_get();
    if (game_load_cursor(game, 0) == RES_OK) game_select_cursor(game, 0);
    game->flags &= ~GAME_FLAG_NO_CURSOR;
    game_setup_defaults(game);

    title_menu_create();

    // The in-game pictures of the templates are not needed while the title shows.
    factory_release_all_groups(FACTORY_GROUP_FRAMES);
    if (Result r = factory_resolve_load_groups(); r != RES_OK)
        log_write(LOG_GAME, LOG_ERROR, "Failed to resolve factory instance load levels (%i)", int(r));

    g_title.load_countdown = 0;
    g_title.flags.store(0, std::memory_order_release);
    g_title.target_background = TITLE_BG_TITLE;
    g_title.boot_countdown = 0;
    g_title.leave_step = TITLE_LEAVE_FLASH;
    g_title.leave_timer = g_title.reveal_offset = g_title.reveal_offset_drawn = 0;
    (void)start_loader(title_load_thread, "title");

    if (game->flags & GAME_FLAG_BOOT_LOG_SHOWN) {
        set(TITLE_REPAINT);
        g_title.phase = TITLE_PHASE_IDLE;
    } else {
        game->flags |= GAME_FLAG_BOOT_LOG_SHOWN;
        g_title.phase = TITLE_PHASE_COUNTDOWN;
        g_title.boot_countdown = TITLE_BOOT_MS;
        build_boot_log(game);
    }

    g_title.loading_colour = colour_fade_create();
    // (0, 120, 0) to pale and back for ever: red and blue step every 4 ms, green every 9 ms.
    colour_fade_start(g_title.loading_colour, 0, 120, 0, 230, 230, 230, 1000, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    g_title.loading_text_width = font_text_width(LOADING_FONT, LOADING_TEXT);
    g_title.font_line_height = font_line_height(LOADING_FONT);

    g_title.tiles = list_create<TitleTile>();
    if (g_title.tiles) list_set_free_fn(g_title.tiles, title_tile_free);
    set(TITLE_LOGO_PENDING);
    game_flush_new_controls(game);
}

void title_leave() {
    join_loader();
    if (g_title.tiles) list_free(g_title.tiles);
    g_title.tiles = nullptr;
    colour_fade_free(g_title.loading_colour);
    g_title.loading_colour = nullptr;
    title_free_images(game_get());
}

void title_update(int32_t ms) {
    Game *game = game_get();
    if (game->flags & GAME_FLAG_MUSIC_RESTART) {
        sound_play(SOUND_MUSIC_TITLE);
        game->flags &= ~GAME_FLAG_MUSIC_RESTART;
    }
    if (g_title.load_countdown >= 1) {
        g_title.load_countdown -= ms;
        if (g_title.load_countdown <= 0) {
            g_title.load_countdown = 0;
            title_run_pending_load();
        }
        return;
    }
    if (g_title.tiles) step_reveal(ms);
    if (has(TITLE_LOGO_PENDING) && has(TITLE_ASSETS_LOADED)) {
        clear(TITLE_LOGO_PENDING);
        title_page_build(TITLE_PAGE_LOGO);
    }
    if (has(TITLE_ABOUT_PENDING) && has(TITLE_ASSETS_LOADED)) {
        clear(TITLE_ABOUT_PENDING);
        title_page_build(TITLE_PAGE_ABOUT);
    }
    colour_fade_update(g_title.loading_colour, ms);
    if (has(TITLE_LEAVING)) {
        g_title.phase = TITLE_PHASE_IDLE;
        step_leaving(ms);
    }
    if (has(TITLE_HELP_OPEN) && !game_find_control(game, CONTROL_ID_HELP)) {
        set_menu_enabled(true);
        clear(TITLE_HELP_OPEN);
    }
    if (game->flags & GAME_FLAG_FIRST_RUN) {
        game->flags &= ~GAME_FLAG_FIRST_RUN;
        game->help_topic = 0;
        open_help_over_menu();
        if (Result r = prefs_save(game); r != RES_OK)
            log_write(LOG_GAME, LOG_ERROR, "Failed to save preferences (%i)", int(r));
    }
    if (has(TITLE_LEAVING)) return;
    if (input_key_pressed(TITLE_HELP_KEY) && game_find_control(game, TITLE_ID_MENU)) open_help_over_menu();
}

void title_draw(Graphics *g) {
    const int w = ui_screen_width(), h = ui_screen_height();
    const GfxRect whole = rect_of(0, 0, w, h);
    if (app_mode_changed()) {
        for (int32_t slot = 0; slot < GFX_BACKGROUND_SLOTS; ++slot) {
            const bool keep = slot == TITLE_BG_BOOT || slot == TITLE_BG_ABOUT || slot == TITLE_BG_TITLE;
            queue_slot(g, keep ? bg_load_command : bg_free_command, slot);
        }
        queue_slot(g, bg_set_command, TITLE_BG_BOOT);
        (void)gfx_queue_command(g, gfx_clear_restore_rects, nullptr, 0);
        queue_rect(g, gfx_restore_rect, whole);
    } else {
        (void)gfx_queue_command(g, gfx_restore_all, nullptr, 0);
    }
    if (g_title.tiles && g_title.phase == TITLE_PHASE_TILES) {
        if (has(TITLE_TILES_STARTED)) {
            clear(TITLE_TILES_STARTED);
            for (TitleTile *tile : g_title.tiles->items) {
                if (!tile) break;
                if (tile->drawn >= tile->started) continue;
                reveal_rect(g, rect_of(tile->x, tile->y, TITLE_TILE_SIZE, TITLE_TILE_SIZE), g_title.target_background);
                tile->drawn = 1;
            }
        }
        draw_tile_outlines(g);
    } else if (g_title.tiles && g_title.phase == TITLE_PHASE_FADING) {
        draw_tile_outlines(g);
    }
    if (has(TITLE_LOAD_TRANSITION)) {
        clear(TITLE_LOAD_TRANSITION);
        queue_slot(g, bg_load_command, TITLE_BG_TRANSITION);
    }
    if (has(TITLE_LOAD_GALAXY_BG)) {
        clear(TITLE_LOAD_GALAXY_BG);
        queue_slot(g, bg_load_command, galaxy_background_slot());
    }
    if (has(TITLE_REPAINT)) {
        clear(TITLE_REPAINT);
        queue_slot(g, bg_set_command, g_title.target_background);
        queue_rect(g, gfx_restore_rect, whole);
        queue_rect(g, gfx_add_dirty_rect, whole);
    }
    Game *game = game_get();
    if (!(game->flags & GAME_FLAG_CONTROLS_OFF)) game_draw_controls(game, g, -1);
    if (has(TITLE_LEAVING)) {
        draw_stripes(g);
        if (g_title.leave_step == TITLE_LEAVE_LOADING && g_title.loading_colour) {
            const ColourFade *c = g_title.loading_colour;
            (void)font_draw_text(g, LOADING_FONT, w - g_title.loading_text_width - LOADING_MARGIN,
                                 h - g_title.font_line_height - LOADING_MARGIN, gfx_map_rgb(c->r, c->g, c->b),
                                 LOADING_TEXT);
        }
    }
}

// ---- The title menu and its owner slots ----

void title_menu_build(Control *panel) {
    game_menu_build(panel, GAME_MENU_TITLE);
    if (GameMenuState *state = game_menu_state(panel)) {
        state->on_new_game = title_on_new_game;
        state->on_load_requested = title_on_load_requested;
        state->on_load_failed = title_menu_rebuild;
        state->on_about = title_on_about;
    }
    panel_enable_glow(panel);
    colour_fade_start(panel_glow_colour(panel), 0, 0, 0, 40, 170, 40, 200, 200, 0);
}

Control *title_menu_create() {
    Control *menu = panel_create_empty();
    if (!menu) return nullptr;
    game_add_control(game_get(), 0, 0, TITLE_ID_MENU, 0, menu);
    title_menu_build(menu);
    place_menu(menu);
    return menu;
}

void title_on_new_game(Control *menu) {
    game_flash_panel_frame(game_get(), menu);
    control_remove(menu);
    start_leaving();
    set(TITLE_GENERATE);
}

void title_on_load_requested(Control *) { g_title.load_countdown = TITLE_LOAD_COUNTDOWN_MS; }

void title_run_pending_load() {
    Game *game = game_get();
    Control *menu = game_find_control(game, TITLE_ID_MENU);
    const Result r = game_run_pending_load(game);
    if (r == RES_OK) {
        if (menu) {
            game_flash_panel_frame(game, menu);
            control_remove(menu);
        }
        start_leaving();
        return;
    }
    log_write(LOG_GAME, LOG_ERROR, "Failed to load the chosen game (%i)", int(r));
    game_clear(game);
    if (menu && !game_menu_show_load_error(menu)) game_menu_show_error(menu, TITLE_ERROR_LOADING);
}

void title_menu_rebuild(Control *menu) {
    title_menu_build(menu);
    place_menu(menu);
}

void title_on_about(Control *menu) {
    Game *game = game_get();
    panel_fade_out_recursive(menu, 500);
    if (Control *boot_log = game_find_control(game, TITLE_ID_BOOT_LOG)) panel_fade_out_recursive(boot_log, 500);
    if (Control *logo = game_find_control(game, TITLE_ID_LOGO)) panel_fade_out_recursive(logo, 500);
    clear(TITLE_LOGO_PENDING);
    if (g_title.phase == TITLE_PHASE_COUNTDOWN && g_title.boot_countdown > TITLE_ABOUT_SHORTCUT_MS) {
        g_title.boot_countdown = TITLE_ABOUT_SHORTCUT_MS;
        g_title.target_background = TITLE_BG_ABOUT;
        set(TITLE_ABOUT_REQUESTED);
    } else {
        g_title.boot_countdown = 0;
        g_title.phase = TITLE_PHASE_REVEALED;
        set(TITLE_ABOUT_REQUESTED | TITLE_ABOUT_REVEAL);
    }
}

// ---- The loader threads ----

int title_load_thread(void *) {
    random_seed(g_title.loader_seed);
    log_write(LOG_GAME, LOG_DEBUG, "Begin title load thread");
    bool loaded = false;
    if (title_load_images(game_get()) != RES_OK) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to load title sprites");
    } else if (sound_load_id(SOUND_MUSIC_TITLE) != RES_OK) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to load title music");
    } else {
        distance_table_build();
        sound_play(SOUND_MUSIC_TITLE);
        loaded = true;
    }
    log_write(LOG_GAME, LOG_DEBUG, "End title load thread");
    if (loaded) set(TITLE_ASSETS_LOADED);   // the last write: the pictures are the game thread's from here
    return 0;
}

int title_galaxy_load_thread(void *) {
    random_seed(g_title.loader_seed);
    log_write(LOG_GAME, LOG_DEBUG, "Begin galaxy load thread");
    Result r = RES_OK;
    if (has(TITLE_GENERATE)) {
        r = game_new(game_get());
        clear(TITLE_GENERATE);
        if (r != RES_OK) {
            log_write(LOG_GAME, LOG_ERROR, "New game generation failed (%i)", int(r));
            set(TITLE_NEW_GAME_FAILED);   // before the completion bit below
        }
    }
    if (r == RES_OK) {
        r = sound_load_id(SOUND_MUSIC_GALAXY);
        if (r != RES_OK) log_write(LOG_GAME, LOG_ERROR, "Failed to load galaxy music (%i)", int(r));
    }
    if (r == RES_OK) {
        factory_acquire_group_all(FACTORY_GROUP_FRAMES);
        if (Result resolved = factory_resolve_load_groups(); resolved != RES_OK)
            log_write(LOG_GAME, LOG_ERROR, "Failed to resolve factory instance load levels (%i)", int(resolved));
        log_write(LOG_GAME, LOG_DEBUG, "End galaxy load thread");
        set(TITLE_GALAXY_LOADED);
    } else {
        log_write(LOG_GAME, LOG_ERROR, "Failed to initiate new game");
        log_write(LOG_GAME, LOG_DEBUG, "End galaxy load thread");
        set(TITLE_GALAXY_FAILED);
    }
    return 0;
}

void title_mode_init(AppMode *mode) {
    mode->enter = title_enter;
    mode->leave = title_leave;
    mode->update = title_update;
    mode->draw = title_draw;
}
