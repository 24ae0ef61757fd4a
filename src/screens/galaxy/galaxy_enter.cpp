// The galaxy screen's construction and tear-down: the screen state reset, its panels and command
// bar built, the maps brought up to date; on leaving, what the screen owns besides controls freed
// and its workers waited for.
#include <algorithm>

#include "game/alert.h"
#include "game/encounter_life.h"
#include "game/encounter.h"
#include "game/game.h"
#include "game/turn.h"
#include "platform/colour_fade.h"
#include "platform/hash.h"
#include "platform/sound.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/galaxy/status_bar.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"
#include "world/fleet.h"
#include "world/object_map.h"

namespace {

// The pictures the screen's own bars show: the status bar's coin and the day progress clock.
constexpr int SCREEN_IMAGE_TYPES[] = {GALAXY_IMAGE_CREDITS_COIN, IMAGE_CLOCK};

constexpr int32_t MUSIC_FIRST_EXTRA_MS = 150000;
constexpr int32_t ANNOUNCE_DELAY_MS = 200;
constexpr int PANEL_W = 200, PANEL_H = 50;
constexpr int BORDER_GREY = 96;

// How a panel of the screen starts: its layer, its shaded fill (0: none), whether its border is
// drawn edge by edge, and whether it starts disabled as well as hidden.
struct PanelLook {
    int32_t layer;
    int32_t shade;
    bool    edges;
    bool    disabled;
};

constexpr PanelLook STATUS_LOOK       = {.layer = 2, .shade = 2, .edges = true, .disabled = false};
constexpr PanelLook HOVER_LOOK        = {.layer = 11, .shade = 2, .edges = false, .disabled = false};
constexpr PanelLook SIDE_LIST_LOOK    = {.layer = 10, .shade = 2, .edges = false, .disabled = false};
constexpr PanelLook CENTRE_LOOK       = {.layer = 9, .shade = 2, .edges = false, .disabled = false};
constexpr PanelLook SECTOR_INFO_LOOK  = {.layer = 10, .shade = 3, .edges = true, .disabled = false};
constexpr PanelLook SELECTION_LOOK    = {.layer = 0, .shade = 0, .edges = false, .disabled = true};
constexpr PanelLook PROGRESS_LOOK     = {.layer = 20, .shade = 3, .edges = false, .disabled = true};
constexpr PanelLook PLAIN_LIST_LOOK   = {.layer = 10, .shade = 0, .edges = false, .disabled = false};

Control *make_panel(Game *game, const PanelLook &look) {
    Control *panel = panel_create_empty();
    if (!panel) return nullptr;
    control_set_size(panel, PANEL_W, PANEL_H);
    if (look.shade > 0) panel_set_shade(panel, look.shade);
    panel_set_border(panel, true);
    panel_set_bevel(panel, look.edges);
    if (ColourFade *border = panel_border_colour(panel)) colour_fade_set(border, BORDER_GREY, BORDER_GREY, BORDER_GREY);
    control_set_layer(panel, look.layer);
    return game_add_control(game, 0, 0, 0, look.disabled ? 3 : 2, panel);
}

// The thirteen panels, in the order the screen stacks them.
void build_panels(Game *game, GalaxyScreen *s) {
    s->status_panel = make_panel(game, STATUS_LOOK);
    s->hover_panel = make_panel(game, HOVER_LOOK);
    s->side_panels[GALAXY_LIST_MENU] = make_panel(game, SIDE_LIST_LOOK);
    s->side_panels[GALAXY_LIST_CORP] = make_panel(game, SIDE_LIST_LOOK);
    s->side_panels[GALAXY_LIST_TECH] = make_panel(game, SIDE_LIST_LOOK);
    s->side_panels[GALAXY_LIST_NEWS] = make_panel(game, SIDE_LIST_LOOK);
    s->centre_panel = make_panel(game, CENTRE_LOOK);
    s->sector_info_panel = make_panel(game, SECTOR_INFO_LOOK);
    s->selection_panel = make_panel(game, SELECTION_LOOK);
    // The selection panel shows the bracket's corners alone, never a frame round the object.
    if (s->selection_panel) panel_set_border(s->selection_panel, false);
    s->day_progress_panel = make_panel(game, PROGRESS_LOOK);
    s->countdown_panel = make_panel(game, PROGRESS_LOOK);
    s->side_panels[GALAXY_LIST_OFFICERS] = make_panel(game, PLAIN_LIST_LOOK);
    s->side_panels[GALAXY_LIST_SHIPS] = make_panel(game, PLAIN_LIST_LOOK);
}

void forget_panels(GalaxyScreen *s) {
    s->status_panel = s->hover_panel = s->centre_panel = s->sector_info_panel = nullptr;
    s->selection_panel = s->day_progress_panel = s->countdown_panel = nullptr;
    std::fill(std::begin(s->side_panels), std::end(s->side_panels), nullptr);
    std::fill(std::begin(s->list_buttons), std::end(s->list_buttons), nullptr);
    std::fill(std::begin(s->badges), std::end(s->badges), nullptr);
    s->next_turn_button = s->pass_button = s->stop_button = s->starmap_button = nullptr;
    s->lit_list_button = 0;
}

// Marker maps: id -> marker panel, one control reference per entry. A marker's user data is
// what it marks, whose id is its key: an object, or an encounter in the encounters' map.
const void *object_marker_key(const Control *marker) {
    const auto *object = static_cast<const GameObject *>(marker->user_data);
    return object ? &object->id : nullptr;
}
const void *encounter_marker_key(const Control *marker) {
    const auto *encounter = static_cast<const Encounter *>(marker->user_data);
    return encounter ? &encounter->id : nullptr;
}
void marker_release(Control *marker) { control_release(marker); }

HashTable<Control> *marker_map_create(int32_t which) {
    HashTable<Control> *map = hash_table_create<Control>(key64_hash, key64_compare);
    if (!map) return nullptr;
    map->key_of = which == GALAXY_MARKERS_ENCOUNTERS ? encounter_marker_key : object_marker_key;
    hash_table_set_free_fn(map, marker_release);
    return map;
}

void marker_maps_free(GalaxyScreen *s) {
    for (HashTable<Control> *&map : s->marker_maps) {
        hash_table_free(map);
        map = nullptr;
    }
}

void drop_object(GameObject **slot) {
    if (*slot) object_release(*slot);
    *slot = nullptr;
}

void free_handoff(GalaxyScreen *s) {
    for (ColourFade *&fade : s->letter_fades) {
        colour_fade_free(fade);
        fade = nullptr;
    }
    colour_fade_free(s->loading_fade);
    s->loading_fade = nullptr;
    s->handoff_phase = 0;
    s->handoff_timer = 0;
}

// Everything but the music, which carries its weights from one visit to the next.
void reset_state(GalaxyScreen *s) {
    s->screen_flags.store(0);
    s->pick_mode = -1;
    s->load_delay_ms = 0;
    s->announce_delay_ms = 0;
    s->autopass_countdown_ms = 0;
    s->busy_delay_ms = 0;
    s->today_alert_count = 0;
    s->encounter_panel_id = 0;
    s->cycle_index = -1;
    s->prompt_eta_speed = 0;
    s->sector_after_zoom_id = 0;
    s->sector_after_zoom_move = false;
    std::fill(std::begin(s->panel_stack), std::end(s->panel_stack), 0);
    s->panel_top = -1;
    s->worker_seed = 0;
    s->frozen_picture_wanted = false;
    s->frozen_picture_baked = false;
    s->worker_pending = GALAXY_WORKER_NONE;
    s->zoom_stage = 0;
    s->zoom_timer = 0;
    s->zoom_rect = GalaxyRect{};
    s->zoom_sector_background = 0;
    s->sector_background_wanted = 0;
    s->sector_background_loaded = 0;
    s->band_top = s->band_bottom = 0;
    s->banner_width = s->banner_y = s->loading_width = 0;
    s->loading_rect = s->uncovered_rect = GalaxyRect{};
    std::fill(std::begin(s->badge_cache), std::end(s->badge_cache), -1);
    s->panel_area = GalaxyRect{};
    forget_panels(s);
}

int32_t starmap_background_of(const Game *game) {
    return std::clamp(game->backdrop + GALAXY_BG_STARMAP_FIRST, GALAXY_BG_STARMAP_FIRST, GALAXY_BG_SECTOR_FIRST - 1);
}

void set_encounter_flag(Game *game, GalaxyScreen *s) {
    if (game->encounters && list_count(game->encounters) > 0) {
        s->screen_flags.fetch_or(GALAXY_FLAG_ENCOUNTERS_PENDING);
        if (game_count_player_encounters(game, game->ui_player_id) > 0) sound_play(SOUND_ENCOUNTER_ALARM);
    } else {
        s->screen_flags.fetch_and(~GALAXY_FLAG_ENCOUNTERS_PENDING);
    }
}

// The galaxy map as the UI player sees it now, its fleets pinging between days.
void bring_galaxy_up_to_date(Game *game) {
    ObjectMap *map = game->galaxy_map;
    if (!map) return;
    map_run_after_advance(map);
    map_update_visibility(map, game->ui_player_id);
    for (GameObject *obj : map->objects.items) {
        if (!obj) break;
        if (Fleet *fleet = fleet_of(obj)) fleet_enable_pings(fleet);
    }
}

}  // namespace

void galaxy_map_view_reset(ObjectMap *map) {
    if (!map) return;
    map_set_screen_size(map);
    map->view_x = std::min(0, map->world_w - map->screen_w - 1);
    map->view_y = std::min(0, map->world_h - map->screen_h - 1);
}

void galaxy_mode_enter() {
    GalaxyScreen *s = galaxy_screen();
    Game *game = game_get();
    for (int type : SCREEN_IMAGE_TYPES) (void)image_control_load_type(type);   // a failure is logged; the bars go without

    s->music.extra_delay_ms = MUSIC_FIRST_EXTRA_MS;
    galaxy_music_next(&s->music);
    game_select_cursor(game, 0);
    game->flags &= ~GAME_FLAG_NO_CURSOR;

    reset_state(s);
    s->starmap_background = starmap_background_of(game);
    marker_maps_free(s);
    for (int32_t i = 0; i < GALAXY_MARKER_MAPS; ++i) s->marker_maps[i] = marker_map_create(i);

    galaxy_map_view_reset(game->galaxy_map);
    galaxy_map_view_reset(game->sector_map);
    drop_object(&s->hovered);
    drop_object(&s->selected);
    game_remove_expired_alerts(game);

    build_panels(game, s);
    galaxy_bar_create();

    s->screen_flags.fetch_or(GALAXY_FLAG_REPAINT);
    set_encounter_flag(game, s);
    s->screen_flags.fetch_or(GALAXY_FLAG_STARMAP_VIEW);
    galaxy_status_bar_free(s->status_bar);
    s->status_bar = galaxy_status_bar_create(game);
    s->panel_area = GalaxyRect{10, 40, ui_screen_width() - 30, ui_screen_height() - 40};
    s->announce_delay_ms = ANNOUNCE_DELAY_MS;

    game_flush_new_controls(game);
    game_purge_removed_objects(game);
    bring_galaxy_up_to_date(game);

    galaxy_markers_refresh();
    galaxy_status_bar_update(s->status_bar, s->status_panel, &s->screen_flags, game);
    galaxy_sector_info_update();
    galaxy_bar_update_action_button();
    galaxy_bar_update_badges();
    galaxy_prompt_show(-1);
    galaxy_bar_layout(0);
    if (s->status_panel) control_set_hidden(s->status_panel, true);
}

void galaxy_mode_leave() {
    GalaxyScreen *s = galaxy_screen();
    Game *game = game_get();
    marker_maps_free(s);
    drop_object(&s->hovered);
    drop_object(&s->selected);
    free_handoff(s);
    galaxy_join_thread(&s->load_encounter_thread);
    galaxy_join_thread(&s->advance_ai_thread);
    galaxy_join_thread(&s->ai_encounter_thread);
    galaxy_worker_joined();   // the controls a worker held follow again, or go
    galaxy_status_bar_free(s->status_bar);
    s->status_bar = nullptr;

    game->flags &= ~GAME_FLAG_CONTROLS_OFF;
    game_set_sector_contents(game, 0);
    reset_state(s);   // the mode switch frees the controls the screen borrowed, right after
    sound_fade_out_music();
    for (int type : SCREEN_IMAGE_TYPES) image_control_free_type(type);
}
