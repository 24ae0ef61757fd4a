// Galaxy map mode: the mode record, the screen's state and the update that drives the galaxy turn.
//  - The update runs a day in the order of galaxy_day.h: the turn start has the computer players
//    think on the advance-AI worker, the day's minutes are queued only once that worker is
//    joined, the clock runs them off frame by frame, and the end of the day makes the battles,
//    which go to the UI player's choice or to the AI encounter worker, or runs the end of turn.
//  - While a computer player's worker runs (or waits to start) the update walks no object list:
//    the status bar, the badges, the sector information and the markers keep what they showed,
//    only the map's effects move, and the map takes no input.
//  - A pending worker starts first thing in the update: by then the previous frame's draw has
//    baked the frozen picture. A frame whose draw was skipped gives it one more frame; after that
//    the worker starts with whatever picture the working background holds.
#include "screens/galaxy/galaxy_mode.h"

#include "game/clock.h"
#include "game/galaxy_day.h"
#include "game/game.h"
#include "game/player.h"
#include "game/save.h"
#include "game/turn.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/input.h"
#include "platform/log.h"
#include "platform/sound.h"
#include "screens/galaxy/galaxy_local.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/galaxy/status_bar.h"
#include "screens/galaxy/turn_progress.h"
#include "screens/title/game_menu.h"
#include "screens/title/help_window.h"
#include "ui/app_mode.h"
#include "ui/control.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "world/object.h"
#include "world/object_map.h"

namespace {

constexpr int KEY_TAB = 9, KEY_SPACE = 32, KEY_HELP = 47;
constexpr int BUSY_LAYER = 10;
constexpr int BUSY_BOTTOM_GAP = 10;
constexpr int BUSY_PULSE_MS = 760;
constexpr int32_t LOAD_ANNOUNCE_DELAY_MS = 800;

GalaxyScreen *state() { return galaxy_screen(); }
void turn_on(uint32_t bits) { galaxy_flags_change(0, bits); }
void turn_off(uint32_t bits) { galaxy_flags_change(bits, 0); }

bool shown(const Control *c) { return c && control_is_shown(c); }

// The UI player is a side of a battle: the alarm.
void note_encounters(Game *game) {
    turn_on(GALAXY_FLAG_ENCOUNTERS_PENDING);
    if (game_count_player_encounters(game, game->ui_player_id) > 0) sound_play(SOUND_ENCOUNTER_ALARM);
    galaxy_bar_update_action_button();   // a battle of the UI player keeps Next Turn, which leads to it
}

// ---- Steps of the update ----

bool start_pending_worker() {
    GalaxyScreen *s = state();
    if (s->worker_pending == GALAXY_WORKER_NONE) return false;
    if (!s->frozen_picture_baked && s->worker_wait_frames < 1) {
        ++s->worker_wait_frames;
        return false;
    }
    galaxy_start_pending_worker();
    return true;
}

// While a game load waits: the day's minutes run out and the worker finishes, then the load runs.
void pending_load_step(Game *game, int32_t dt) {
    GalaxyScreen *s = state();
    if (game->queued_minutes > 0) {
        game_day_advance(game, dt);
        return;
    }
    const uint32_t f = galaxy_flags();
    if (f & GALAXY_FLAG_ADVANCE_AI_STARTED) {
        if (f & GALAXY_FLAG_ADVANCE_AI_DONE) {
            galaxy_join_thread(&s->advance_ai_thread);
            turn_off(GALAXY_FLAG_ADVANCE_AI_STARTED | GALAXY_FLAG_ADVANCE_AI_DONE);
            galaxy_worker_joined();
        }
        return;
    }
    s->load_delay_ms -= dt;
    if (s->load_delay_ms > 0) return;
    s->load_delay_ms = 0;
    galaxy_run_pending_load();
}

// The computer players have thought: the day's minutes go to the clock.
void queue_day(Game *game) {
    GalaxyScreen *s = state();
    galaxy_join_thread(&s->advance_ai_thread);
    (void)game_day_queue(game);   // which logs the minutes added
    galaxy_day_progress_build(s->day_progress_panel);
    turn_off(GALAXY_FLAG_ADVANCE_AI_STARTED | GALAXY_FLAG_ADVANCE_AI_DONE);
    galaxy_worker_joined();
    s->today_alert_count = 0;
}

void close_save_notice(Control *notice) {
    if (notice) control_remove(notice->owner && notice->owner->id == GALAXY_ID_SAVE_NOTICE ? notice->owner : notice);
}

void end_of_day(Game *game) {
    GalaxyScreen *s = state();
    const GameDayEnd end = game_day_end(game);
    galaxy_show_autosave_failure(game);
    if (end.player_encounters > 0) {
        // The UI player's battles come first: the end of turn waits for another day.
        turn_off(GALAXY_FLAG_AUTO_PASS);
        galaxy_bar_hide_action_buttons();
    } else {
        const Player *ui = game->ui_player;
        if (end.winner_id != 0 || (ui && (ui->flags & PLAYER_FLAG_ELIMINATED))) {
            app_mode_request(APP_MODE_END_OF_GAME);
        } else {
            if (game->auto_pass > 0) {
                turn_off(GALAXY_FLAG_AUTO_PASS);
                if (!(galaxy_flags() & GALAXY_FLAG_STOP_REQUESTED)) {
                    turn_on(GALAXY_FLAG_AUTO_PASS);
                    s->autopass_countdown_ms = game->auto_pass;
                    galaxy_show_autopass_countdown();
                }
            }
            galaxy_bar_update_action_button();
        }
    }
    galaxy_markers_refresh();
    turn_off(GALAXY_FLAG_CLOCK_RUNNING | GALAXY_FLAG_TURN_IN_PROGRESS);
}

void clock_step(Game *game, int32_t dt) {
    GalaxyScreen *s = state();
    uint32_t f = galaxy_flags();
    if (!(f & GALAXY_FLAG_CLOCK_RUNNING)) {
        if (game->queued_minutes > 0) {
            turn_on(GALAXY_FLAG_CLOCK_RUNNING);
        } else if ((f & GALAXY_FLAG_AUTO_PASS) && !galaxy_ai_thread_runs(f)) {
            s->autopass_countdown_ms -= dt;
            if (s->autopass_countdown_ms <= 0) {
                if (f & GALAXY_FLAG_STOP_REQUESTED) turn_off(GALAXY_FLAG_AUTO_PASS);
                else galaxy_advance_turn();
                galaxy_bar_update_action_button();
            }
        }
    }
    f = galaxy_flags();
    if ((f & GALAXY_FLAG_CLOCK_RUNNING) && game_day_over(game)) end_of_day(game);
    if (galaxy_flags() & GALAXY_FLAG_CLOCK_RUNNING) game_day_advance(game, dt);
}

// The day's battles: the UI player's wait for its choice, the others go to the AI encounter
// worker. Nothing here runs while the advance-AI worker may add to the list.
void encounters_step(Game *game) {
    GalaxyScreen *s = state();
    uint32_t f = galaxy_flags();
    if (f & GALAXY_FLAG_ADVANCE_AI_STARTED) return;
    if (!(f & GALAXY_FLAG_ENCOUNTERS_PENDING) && game_encounter_count(game) > 0) note_encounters(game);
    f = galaxy_flags();
    if (!(f & GALAXY_FLAG_ENCOUNTERS_PENDING)) return;
    if (f & GALAXY_FLAG_AI_ENCOUNTERS_RUNNING) {
        galaxy_bar_update_action_button();
        if (!(f & GALAXY_FLAG_AI_ENCOUNTERS_DONE)) return;
        galaxy_join_thread(&s->ai_encounter_thread);
        turn_off(GALAXY_FLAG_AI_ENCOUNTERS_RUNNING | GALAXY_FLAG_AI_ENCOUNTERS_DONE | GALAXY_FLAG_TURN_IN_PROGRESS);
        galaxy_worker_joined();
        galaxy_markers_refresh();
        galaxy_sector_info_update();
    } else if (game_day_ai_encounters_ready(game)) {
        galaxy_join_thread(&s->ai_encounter_thread);
        galaxy_flags_change(GALAXY_FLAG_AI_ENCOUNTERS_DONE, GALAXY_FLAG_AI_ENCOUNTERS_RUNNING);
        galaxy_bar_update_action_button();
        galaxy_request_worker(GALAXY_WORKER_AI_ENCOUNTERS);
        turn_on(GALAXY_FLAG_TURN_IN_PROGRESS);
    } else if (game_encounter_count(game) == 0) {
        turn_off(GALAXY_FLAG_ENCOUNTERS_PENDING);
        galaxy_sector_info_update();
        galaxy_bar_update_action_button();
    }
    if (s->encounter_panel_id != 0 && !galaxy_object_panel_is_open(GALAXY_PANEL_ENCOUNTER)) s->encounter_panel_id = 0;
}

// The busy picture: a pulsing image above the command bar once the computer players have been
// thinking for a while.
void busy_step(Game *game, int32_t dt) {
    GalaxyScreen *s = state();
    const uint32_t f = galaxy_flags();
    const bool runs = galaxy_ai_thread_runs(f);
    if (!(f & GALAXY_FLAG_BUSY_SHOWN)) {
        if (!runs) return;
        turn_on(GALAXY_FLAG_BUSY_SHOWN);
        s->busy_delay_ms = GALAXY_BUSY_DELAY_MS;
        return;
    }
    if (!runs) {
        turn_off(GALAXY_FLAG_BUSY_SHOWN);
        if (Control *busy = game_find_control(game, GALAXY_ID_BUSY)) control_remove(busy);
        return;
    }
    if (s->busy_delay_ms > 0) s->busy_delay_ms -= dt;
    if (s->busy_delay_ms > 0 || game_find_control(game, GALAXY_ID_BUSY)) return;
    Control *busy = image_control_create_frame(IMAGE_COMPUTER, 1);
    if (!busy) return;
    image_control_enable_tint(busy);
    colour_fade_start(image_control_tint_colour(busy), 30, 30, 30, 230, 230, 230, BUSY_PULSE_MS, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    control_set_layer(busy, BUSY_LAYER);
    game_add_control(game, (ui_screen_width() - busy->w) / 2, ui_screen_height() - BUSY_BOTTOM_GAP - busy->h,
                     GALAXY_ID_BUSY, 0, busy);
}

// Panels closed by their own buttons leave the stack; the one left on top blinks.
void panel_stack_step() {
    GalaxyScreen *s = state();
    bool popped = false;
    while (s->panel_top >= 0 && !galaxy_object_panel_is_open(s->panel_stack[s->panel_top])) {
        --s->panel_top;
        popped = true;
    }
    if (!popped) return;
    if (s->panel_top >= 0) galaxy_object_panel_flash(s->panel_stack[s->panel_top]);
    else turn_off(GALAXY_FLAG_OBJECT_PANEL_SHOWN);
}

void map_step(Game *game, int32_t dt) {
    ObjectMap *map = galaxy_current_map();
    const uint32_t f = galaxy_flags();
    if (galaxy_ai_thread_runs(f)) {
        if (map) map_update_effects(map, dt);
        return;
    }
    if (!(f & GALAXY_FLAG_STARMAP_VIEW) && game->sector_map) map_update_travel(game->sector_map, dt);
    if (map) map_update(map, dt);
}

// Auto-pass stops at the next chance.
void request_stop() {
    turn_on(GALAXY_FLAG_STOP_REQUESTED);
    state()->autopass_countdown_ms = 0;
}

// The map's input while no turn runs: hover, clicks, Tab, Escape, and what follows from panels
// closed meanwhile; then the news.
void interaction_step(Game *game, int32_t dt) {
    GalaxyScreen *s = state();
    galaxy_hover_update();
    uint32_t f = galaxy_flags();
    if (!(f & GALAXY_FLAG_CLOCK_RUNNING)) {
        if (input_button_pressed(INPUT_BUTTON_LEFT)) galaxy_map_click();
        if (input_key_pressed(KEY_TAB)) {
            if (s->pick_mode == -1) {
                galaxy_cycle_next();
                galaxy_end_news_delay();
            }
            if (galaxy_flags() & GALAXY_FLAG_AUTO_PASS) request_stop();
        }
    }
    galaxy_prompt_alternate(dt);
    if (input_key_pressed(INPUT_KEY_ESCAPE) && !game_has_escape_handler(game)) {
        galaxy_bar_layout(0);
        galaxy_side_panels_close();
    }
    f = galaxy_flags();
    if ((f & GALAXY_FLAG_SELECTED) && s->pick_mode == -1 && !galaxy_object_panels_any_open()) {
        turn_off(GALAXY_FLAG_SELECTED);
        galaxy_select_object(nullptr);
        galaxy_detail::hide(s->selection_panel);
    }
    if ((f & GALAXY_FLAG_ENCOUNTER_PANEL) && !galaxy_object_panel_is_open(GALAXY_PANEL_ENCOUNTER)) {
        turn_off(GALAXY_FLAG_ENCOUNTER_PANEL);
        if (!s->selected) galaxy_detail::hide(s->selection_panel);
    }
    if (s->announce_delay_ms > 0) s->announce_delay_ms -= dt;
    galaxy_news_announce();
    if (shown(s->side_panels[GALAXY_LIST_NEWS]) && s->lit_list_button != GALAXY_ID_NEWS_BUTTON)
        galaxy_bar_layout(GALAXY_ID_NEWS_BUTTON);
}

// The help window takes the screen: selection, object and side panels go; anything that comes
// back meanwhile closes it.
void help_step(Game *game) {
    GalaxyScreen *s = state();
    Control *help = game_find_control(game, CONTROL_ID_HELP);
    const uint32_t f = galaxy_flags();
    if (!(f & GALAXY_FLAG_HELP_OPEN)) {
        if (!help) return;
        turn_on(GALAXY_FLAG_HELP_OPEN);
        galaxy_bar_layout(0);
        galaxy_drop_selection();
        galaxy_object_panels_close();
        galaxy_side_panels_close();
        return;
    }
    const bool quiet = !s->selected && s->lit_list_button == 0 &&
                       !(f & (GALAXY_FLAG_ZOOM_IN | GALAXY_FLAG_ZOOM_OUT | GALAXY_FLAG_CLOCK_RUNNING));
    if (quiet) {
        if (!help) turn_off(GALAXY_FLAG_HELP_OPEN);
        return;
    }
    turn_off(GALAXY_FLAG_HELP_OPEN);
    if (help) {
        game_flash_panel_frame(game, help);
        control_remove(help);
    }
}

void space_step(Game *game) {
    const uint32_t f = galaxy_flags();
    if (game->focus_control || !(f & GALAXY_FLAG_STARMAP_VIEW) || !input_key_pressed(KEY_SPACE)) return;
    if (f & GALAXY_FLAG_AUTO_PASS) {
        request_stop();
    } else if (game->auto_pass > 0) {
        galaxy_flags_change(GALAXY_FLAG_STOP_REQUESTED, GALAXY_FLAG_AUTO_PASS);
        galaxy_end_news_delay();
        state()->autopass_countdown_ms = 0;
    }
    galaxy_bar_update_action_button();
}

}  // namespace

GalaxyScreen *galaxy_screen() {
    static GalaxyScreen screen;
    return &screen;
}

void galaxy_mode_init(AppMode *mode) {
    mode->enter = galaxy_mode_enter;
    mode->leave = galaxy_mode_leave;
    mode->update = galaxy_mode_update;
    mode->draw = galaxy_mode_draw;
}

ObjectMap *galaxy_current_map() {
    Game *game = game_get();
    return (galaxy_flags() & GALAXY_FLAG_STARMAP_VIEW) ? game->galaxy_map : game->sector_map;
}

void galaxy_mode_update(int32_t dt) {
    GalaxyScreen *s = state();
    Game *game = game_get();
    start_pending_worker();

    if (game->flags & GAME_FLAG_MUSIC_RESTART) {
        if (s->music.last_track >= 0) sound_play(s->music.last_track);
        game->flags &= ~GAME_FLAG_MUSIC_RESTART;
    }
    if (!(galaxy_flags() & GALAXY_FLAG_COMBAT_HANDOFF)) {
        galaxy_music_update(&s->music, dt, game->music_volume);
        if (game->current_encounter) galaxy_handoff_start();
    }
    if (galaxy_flags() & GALAXY_FLAG_COMBAT_HANDOFF) {
        galaxy_handoff_step(dt);
        return;
    }
    if (s->load_delay_ms > 0) {
        pending_load_step(game, dt);
        return;
    }
    if (game->auto_pass != s->last_autopass_setting) {
        s->last_autopass_setting = game->auto_pass;
        galaxy_bar_update_action_button();
    }
    const uint32_t advance_done = GALAXY_FLAG_ADVANCE_AI_STARTED | GALAXY_FLAG_ADVANCE_AI_DONE;
    if ((galaxy_flags() & advance_done) == advance_done) {
        queue_day(game);
        return;
    }
    clock_step(game, dt);
    encounters_step(game);
    if ((galaxy_flags() & GALAXY_FLAG_MENU_OPEN) && !shown(s->side_panels[GALAXY_LIST_MENU])) {
        galaxy_bar_layout(0);
        turn_off(GALAXY_FLAG_MENU_OPEN);
    }
    busy_step(game, dt);
    if (s->pick_mode == -1) panel_stack_step();
    map_step(game, dt);
    if (galaxy_flags() & (GALAXY_FLAG_ZOOM_IN | GALAXY_FLAG_ZOOM_OUT)) galaxy_zoom_step(dt);
    else if (!(galaxy_flags() & GALAXY_FLAG_TURN_IN_PROGRESS)) interaction_step(game, dt);

    const bool frozen = galaxy_ai_thread_runs(galaxy_flags());
    if (!frozen) galaxy_status_bar_update(s->status_bar, s->status_panel, &s->screen_flags, game);
    galaxy_turn_progress_update(s->day_progress_panel, s->countdown_panel, galaxy_flags(), s->autopass_countdown_ms, game);
    if (galaxy_flags() & GALAXY_FLAG_CLOCK_RUNNING) galaxy_markers_refresh();
    // No help over a failed load: the menu's OK comes first.
    if (!frozen && input_key_pressed(KEY_HELP) && !game_menu_holds_load(s->side_panels[GALAXY_LIST_MENU]))
        (void)help_window_open(game);
    help_step(game);
    if (!frozen && s->selected && object_is_dead(s->selected)) galaxy_drop_selection();
    space_step(game);
    if (!frozen) galaxy_bar_update_badges();
}

void galaxy_show_autosave_failure(Game *game) {
    if (!game || game->autosave_failure == 0) return;
    const int32_t code = game->autosave_failure;
    game->autosave_failure = 0;
    if (Control *old = game_find_control(game, GALAXY_ID_SAVE_NOTICE)) control_remove(old);
    Control *notice = panel_create(0, 0, 40, 0, 0);
    if (!notice) return;
    game_popup_look(notice);
    Control *title = text_label_create_plain(6, 240, 0, 0, "Autosave failed");
    Control *line = text_label_create(2, 230, 230, 230, "The game could not be written to disk (%i).", int(code));
    if (title) {
        colour_fade_start(text_label_colour(title), 240, 0, 0, 150, 40, 40, 280, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
        panel_add_child(notice, 10, 8, 0, 1, title);
    }
    if (line) panel_add_child(notice, 10, 12 + (title ? title->h : 0), 0, 1, line);
    panel_relayout(notice);
    panel_grow(notice, 10, 8);
    notice->on_click = close_save_notice;
    for (Control *label : {title, line})
        if (label) label->on_click = close_save_notice;
    game_add_control(game, ui_screen_width() / 2 - notice->w / 2, 40, GALAXY_ID_SAVE_NOTICE, 0, notice);
    control_set_layer(notice, BUSY_LAYER);
}

void galaxy_run_pending_load() {
    GalaxyScreen *s = state();
    Game *game = game_get();
    if (game_run_pending_load(game) != RES_OK) {
        // The map is already let go of: the player is told, and OK leads on to the title. Without
        // a menu on screen to tell it, the title is the way on at once.
        Control *menu = s->side_panels[GALAXY_LIST_MENU];
        if (menu && control_is_shown(menu)) {
            if (!game_menu_show_load_error(menu)) game_menu_show_error(menu, "Error loading game");
        } else {
            log_write(LOG_GAME, LOG_ERROR, "Failed to load the chosen game, back to the title");
            galaxy_menu_to_title(menu);
        }
        return;
    }
    int32_t background = game->backdrop + GALAXY_BG_STARMAP_FIRST;
    if (background < GALAXY_BG_STARMAP_FIRST) background = GALAXY_BG_STARMAP_FIRST;
    if (background > GALAXY_BG_SECTOR_FIRST - 1) background = GALAXY_BG_SECTOR_FIRST - 1;
    if (background != s->starmap_background) {
        s->starmap_background = background;
        if (galaxy_flags() & GALAXY_FLAG_STARMAP_VIEW) turn_on(GALAXY_FLAG_REPAINT);
    }
    if (game_encounter_count(game) > 0) note_encounters(game);
    else turn_off(GALAXY_FLAG_ENCOUNTERS_PENDING);
    if (!(galaxy_flags() & GALAXY_FLAG_STARMAP_VIEW)) {
        s->sector_after_zoom_id = 0;
        s->sector_after_zoom_move = false;
        const int32_t cx = ui_screen_width() / 2, cy = ui_screen_height() / 2;
        galaxy_zoom_begin(cx - 5, cy - 5, cx + 5, cy + 5);
    } else {
        turn_off(GALAXY_FLAG_HIDE_MAP);
        galaxy_sector_info_update();
        galaxy_bar_update_action_button();
    }
    s->announce_delay_ms = LOAD_ANNOUNCE_DELAY_MS;
    galaxy_markers_refresh();
    galaxy_news_build();
    if (Control *bar = s->status_panel) {
        control_set_hidden(bar, true);
        int32_t r = 0, g = 0, b = 0;
        game_get_player_colors(game, game->ui_player_id, &r, &g, &b);
        if (ColourFade *date = text_label_colour(panel_find_child(bar, GALAXY_STATUS_DATE_ID))) colour_fade_set(date, r, g, b);
    }
    galaxy_bar_set_list_buttons_enabled(true);
    galaxy_side_panels_close();
    galaxy_bar_layout(0);
    turn_off(GALAXY_FLAG_TURN_IN_PROGRESS);
}
