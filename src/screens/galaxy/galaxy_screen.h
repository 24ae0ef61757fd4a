#pragma once
// The galaxy screen: the state of application mode 3 and the operations its files share.
//  - One process-wide GalaxyScreen (galaxy_screen()), reset by enter and leave. Everything in it
//    is the game thread's but the workers' completion bits in screen_flags (galaxy_flags.h).
//  - The files: galaxy_mode.cpp (the update and its turn flow, the pending load), galaxy_news.cpp
//    (the news announcement), galaxy_handoff.cpp (the combat hand-off), turn_advance.cpp (the
//    turn start, the three workers, the auto-pass countdown bar), galaxy_enter.cpp (construction
//    and tear-down), galaxy_draw.cpp (drawing, the view transitions, the sector title),
//    map_input.cpp (hover and map clicks), object_panels.cpp (the object-panel stack and the
//    selection), command_bar.cpp (the command bar, the badges, the game menu's owner slots),
//    side_panels.cpp (the side list panels), status_bar.cpp and turn_progress.cpp (the bars),
//    galaxy_music.cpp, sector_rows.cpp (site icons and production boxes), sector_info_panel.cpp,
//    sector_minimap.cpp, sector_panel.cpp and sector_move.cpp (the sector panel and its fleet move
//    selection), sector_orders.cpp (the sector panel's orders), fleet_orders.cpp (the
//    fleet panel's), course_prompt.cpp (the destination prompt), markers.cpp (the map markers and
//    the hover information), encounter_entry.cpp (the encounter dialog's slots, the Tab cycle).
//    Panels that arrive later are reached through galaxy_services.h.
//  - While a computer player's worker runs (galaxy_ai_thread_runs) the game thread walks no
//    object list and changes nothing in the model: the map is drawn from the frozen picture the
//    draw baked into the working background before the worker started (frozen_picture_wanted),
//    the status bar and the badges keep what they showed.
//  - Game thread only, but for the worker bodies.
#include <atomic>
#include <cstdint>
#include "screens/galaxy/galaxy_flags.h"
#include "screens/galaxy/galaxy_music.h"

struct ColourFade;
struct Encounter;
struct Control;
struct GalaxyStatusBar;
struct Game;
struct GameObject;
struct Graphics;
struct ObjectMap;
struct SDL_Thread;
template <typename T> struct HashTable;

// Control ids of the screen.
constexpr int GALAXY_ID_NEXT_TURN        = 400000;
constexpr int GALAXY_ID_MENU_BUTTON      = 400001;
constexpr int GALAXY_ID_ZOOM_BOX         = 400004;
constexpr int GALAXY_ID_SECTOR_TITLE     = 400005;
constexpr int GALAXY_ID_STARMAP          = 400006;
constexpr int GALAXY_ID_OFFICERS_BUTTON  = 400008;
constexpr int GALAXY_ID_MARKER_ICON      = 400011;   // the icon child of a map marker panel
constexpr int GALAXY_ID_NEWS_BUTTON      = 400016;
constexpr int GALAXY_ID_SECTOR_MINIMAP   = 400017;
constexpr int GALAXY_ID_SHIPS_BUTTON     = 400018;
constexpr int GALAXY_ID_CORP_BUTTON      = 400021;
constexpr int GALAXY_ID_TECH_BUTTON      = 400022;
constexpr int GALAXY_ID_STOP             = 400023;
constexpr int GALAXY_ID_PASS             = 400042;
constexpr int GALAXY_ID_BADGE_SHIPS      = 400046;   // .. 400050: ships, officers, technology, corporation, news
constexpr int GALAXY_ID_BUSY             = 400051;
constexpr int GALAXY_ID_SAVE_NOTICE      = 400052;   // "Autosave failed", until clicked
// Object panels.
constexpr int GALAXY_PANEL_SECTOR         = 400024;
constexpr int GALAXY_PANEL_FLEET          = 400025;
constexpr int GALAXY_PANEL_SITE           = 400026;
constexpr int GALAXY_PANEL_SHIP           = 400027;
constexpr int GALAXY_PANEL_OFFICER        = 400028;
constexpr int GALAXY_PANEL_ENCOUNTER      = 400029;
constexpr int GALAXY_PANEL_ENCOUNTER_INFO = 400030;
constexpr int GALAXY_PANEL_FACILITY_BUILD = 400031;
constexpr int GALAXY_PANEL_DESIGN_SUMMARY = 400032;
constexpr int GALAXY_PANEL_CONFIGURE      = 400033;
constexpr int GALAXY_PANEL_COMMANDER      = 400034;
constexpr int GALAXY_PANEL_TECH_DETAIL    = 400035;
constexpr int GALAXY_PANEL_ASSIGN_SHIP    = 400040;
constexpr int GALAXY_PANEL_ASSIGN_BASE    = 400043;
constexpr int GALAXY_PANEL_DEFENSE        = 400045;

// An object panel's list of objects and the selection word of its rows.
constexpr int GALAXY_LIST_ID          = 100005;
constexpr int GALAXY_ROW_SELECTED     = 100001;
constexpr int GALAXY_ROW_UNSELECTED   = 100002;

constexpr int GALAXY_OBJECT_PANEL_LIMIT = 6;
constexpr int GALAXY_LIST_BUTTONS       = 6;
constexpr int GALAXY_BADGES             = 5;
constexpr int GALAXY_DAY_MINUTES        = 1440;
constexpr int GALAXY_BUSY_DELAY_MS      = 1200;
constexpr int GALAXY_HANDOFF_LETTERS    = 6;         // "COMBAT"

// The combat hand-off's banner and its loading text, with their fonts.
constexpr const char *GALAXY_HANDOFF_BANNER_TEXT  = "COMBAT";
constexpr const char *GALAXY_HANDOFF_LOADING_TEXT = "Loading...";
constexpr int GALAXY_HANDOFF_BANNER_FONT  = 3;
constexpr int GALAXY_HANDOFF_LOADING_FONT = 0;

// An object panel placed beside its object: the margin it keeps from the object
// (galaxy_place_panel_beside), the time it takes to grow in, and to move and resize to a new place.
constexpr int GALAXY_PANEL_MARGIN  = 12;
constexpr int GALAXY_PANEL_GROW_MS = 200;
constexpr int GALAXY_PANEL_MOVE_MS = 200;

// Background slots: the star map's is the game's backdrop + 4 (4..19), a sector's its template
// value + 20 (20..35), a battle's 36 + the battle's backdrop (36..51).
constexpr int32_t GALAXY_BG_STARMAP_FIRST = 4;
constexpr int32_t GALAXY_BG_SECTOR_FIRST  = 20;
constexpr int32_t GALAXY_BG_COMBAT_FIRST  = 36;

// The screen's marker maps: objects' markers, encounters' markers, travelling fleets' course lines.
enum GalaxyMarkerMap : int32_t {
    GALAXY_MARKERS_OBJECTS = 0,
    GALAXY_MARKERS_ENCOUNTERS = 1,
    GALAXY_MARKERS_COURSES = 2,
    GALAXY_MARKER_MAPS = 3,
};

// The side list panels, in the command bar's order.
enum GalaxySideList : int32_t {
    GALAXY_LIST_MENU = 0,
    GALAXY_LIST_SHIPS = 1,
    GALAXY_LIST_OFFICERS = 2,
    GALAXY_LIST_TECH = 3,
    GALAXY_LIST_CORP = 4,
    GALAXY_LIST_NEWS = 5,
};

struct GalaxyRect {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;   // inclusive
};

struct GalaxyScreen {
    std::atomic<uint32_t> screen_flags{0};
    GameObject *selected = nullptr;          // one reference
    GameObject *hovered = nullptr;           // one reference
    int32_t     pick_mode = -1;              // -1 none, 0 course destination, 1 harvest target
    int32_t     load_delay_ms = 0;
    int32_t     announce_delay_ms = 0;
    int32_t     autopass_countdown_ms = 0;
    int32_t     last_autopass_setting = 0;
    int32_t     busy_delay_ms = 0;
    int32_t     today_alert_count = 0;
    uint64_t    encounter_panel_id = 0;
    int32_t     cycle_index = -1;            // the Tab cycle's position
    int32_t     prompt_eta_speed = 0;        // the destination prompt's speed for the ETA
    uint64_t    sector_after_zoom_id = 0;    // the sector whose panel opens when the zoom-out ends; 0 none
    bool        sector_after_zoom_move = false;   // that panel opens in its ship selection (a fleet's Move)

    // The object-panel stack: ids, top index -1 when empty.
    int32_t panel_stack[GALAXY_OBJECT_PANEL_LIMIT] = {};
    int32_t panel_top = -1;

    // Workers: a handle while outstanding; the seed each is started with, drawn on this thread.
    SDL_Thread *advance_ai_thread = nullptr;
    SDL_Thread *ai_encounter_thread = nullptr;
    SDL_Thread *load_encounter_thread = nullptr;
    uint32_t    worker_seed = 0;
    // A worker waits for the next draw to bake the frozen picture; the update starts it after.
    bool        frozen_picture_wanted = false;
    bool        frozen_picture_baked = false;
    int32_t     worker_pending = 0;          // GalaxyWorker waiting to start, 0 none
    int32_t     worker_wait_frames = 0;      // updates the pending worker has waited for the bake

    // The combat hand-off.
    int32_t     handoff_phase = 0;
    int32_t     handoff_timer = 0;
    int32_t     band_top = 0, band_bottom = 0;
    int32_t     banner_width = 0, banner_y = 0;
    ColourFade *letter_fades[GALAXY_HANDOFF_LETTERS] = {};   // owned
    int32_t     loading_width = 0;
    ColourFade *loading_fade = nullptr;                       // owned
    GalaxyRect  loading_rect, uncovered_rect;

    // View transitions.
    int32_t     zoom_stage = 0;
    int32_t     zoom_timer = 0;
    GalaxyRect  zoom_rect;
    int32_t     zoom_sector_background = 0;    // the selected sector's slot, set by the sector entry
    int32_t     starmap_background = GALAXY_BG_STARMAP_FIRST;
    int32_t     sector_background_wanted = 0;
    int32_t     sector_background_loaded = 0;  // 0 none

    GalaxyMusic music;
    GalaxyStatusBar *status_bar = nullptr;     // owned between enter and leave

    // Panels, borrowed from the game's control list (which holds them).
    Control *status_panel = nullptr;
    Control *hover_panel = nullptr;
    Control *centre_panel = nullptr;
    Control *sector_info_panel = nullptr;
    Control *selection_panel = nullptr;
    Control *day_progress_panel = nullptr;
    Control *countdown_panel = nullptr;
    Control *side_panels[GALAXY_LIST_BUTTONS] = {};   // by GalaxySideList
    // The command bar, borrowed likewise.
    Control *list_buttons[GALAXY_LIST_BUTTONS] = {};  // by GalaxySideList
    Control *badges[GALAXY_BADGES] = {};              // ships, officers, technology, corporation, news
    Control *next_turn_button = nullptr;
    Control *pass_button = nullptr;
    Control *stop_button = nullptr;
    Control *starmap_button = nullptr;
    int32_t  lit_list_button = 0;                     // the id of the lit list button, 0 none
    int32_t  badge_cache[GALAXY_BADGES] = {-1, -1, -1, -1, -1};

    // Map markers by GalaxyMarkerMap: id -> marker panel (one reference each).
    HashTable<Control> *marker_maps[GALAXY_MARKER_MAPS] = {};
    GalaxyRect panel_area;                            // where object panels may go
};

enum GalaxyWorker : int32_t {
    GALAXY_WORKER_NONE = 0,
    GALAXY_WORKER_ADVANCE_AI = 1,
    GALAXY_WORKER_AI_ENCOUNTERS = 2,
};

GalaxyScreen *galaxy_screen();

// The flags word read with acquire (a worker's completion bit brings the worker's writes along),
// or relaxed.
inline uint32_t galaxy_flags() { return galaxy_screen()->screen_flags.load(std::memory_order_acquire); }
inline uint32_t galaxy_flags_relaxed() { return galaxy_screen()->screen_flags.load(std::memory_order_relaxed); }

// ---- galaxy_mode.cpp ----
void galaxy_mode_update(int32_t dt);
ObjectMap *galaxy_current_map();                // the galaxy map in the star map view, else the sector's
void galaxy_run_pending_load();

// ---- turn_advance.cpp ----
void galaxy_advance_turn();
void galaxy_show_autopass_countdown();
// Starts the worker the update has waited a frame for (the frozen picture is baked); a worker
// that cannot be created runs here, on the game thread.
void galaxy_start_pending_worker();
int  galaxy_advance_ai_thread(void *unused);
int  galaxy_ai_encounter_thread(void *unused);
int  galaxy_load_encounter_thread(void *unused);
// Where the screen creates its workers; tests put a creator that fails here. Null restores SDL's.
using GalaxyThreadCreator = SDL_Thread *(int (*)(void *), void *);
void galaxy_set_thread_creator(GalaxyThreadCreator *creator);
SDL_Thread *galaxy_create_thread(int (*body)(void *));
void galaxy_join_thread(SDL_Thread **thread);   // waits when there is a handle, forgets it
// The flags word changed in one store: clear's bits off, then set's on.
void galaxy_flags_change(uint32_t clear, uint32_t set);
// A worker is to start: the next draw bakes the frozen picture, the update after starts it.
void galaxy_request_worker(int32_t worker);
// After a join: the draw goes back from the frozen picture to the clean background.
void galaxy_worker_joined();

// ---- galaxy_handoff.cpp ----
void galaxy_handoff_start();                    // the game's current battle: the hand-off to combat
void galaxy_handoff_step(int32_t dt);           // one step; the last requests the combat mode

// Tells the player of an autosave that failed (Game::autosave_failure, then cleared): a notice
// on the map's top edge that a click closes.
void galaxy_show_autosave_failure(Game *game);

// ---- galaxy_news.cpp ----
void galaxy_news_announce();                    // the alerts the screen has not announced yet
// The news of the moment counts as announced when a command acts before the delay ran out.
void galaxy_end_news_delay();

// ---- galaxy_enter.cpp ----
void galaxy_mode_enter();
void galaxy_mode_leave();
// The map's view takes the screen's size; its origin is 0, or world size - view size - 1 where
// that is negative (a map smaller than the screen).
void galaxy_map_view_reset(ObjectMap *map);

// ---- galaxy_draw.cpp ----
void galaxy_mode_draw(Graphics *graphics);
void galaxy_zoom_step(int32_t dt);              // one step of the running view transition
void galaxy_zoom_begin(int32_t left, int32_t top, int32_t right, int32_t bottom);
void galaxy_sector_on_enter(Control *panel);   // the sector panel's Enter: zoom into the selected sector
void galaxy_sector_info_update();               // the sector title and minimap after a change of view

// ---- map_input.cpp ----
void galaxy_hover_update();                     // the object under the pointer becomes the hovered one
void galaxy_map_click();                        // a left click on the map, by pick mode

// ---- object_panels.cpp ----
Control *galaxy_object_panel_open(int32_t id);
void     galaxy_object_panels_close();
Control *galaxy_object_panel_find(int32_t id);
Control *galaxy_object_panel_bottom();
Control *galaxy_object_panel_top();
bool     galaxy_object_panel_is_open(int32_t id);
bool     galaxy_object_panel_open_for_hovered();
bool     galaxy_object_panels_any_open();
void     galaxy_object_panel_flash(int32_t id);
void     galaxy_object_panels_show(bool show);
// The object an object panel shows: its user data, with one reference held.
void     galaxy_object_panel_set_object(Control *panel, GameObject *object);
void     galaxy_select_object(GameObject *object);
// Drops the selection: the decorations, the reference, the selection panel, the destination
// prompt, GALAXY_FLAG_SELECTED and GALAXY_FLAG_OBJECT_PANEL_SHOWN.
void     galaxy_drop_selection();
void     galaxy_selection_bracket_show(int32_t x, int32_t y, int32_t w, int32_t h, int32_t corner);
void     galaxy_panel_move_into_place(Control *mover, Control *target);
// Places an object panel beside an object: in the panel area, avoiding the object's rectangle
// grown by margin.
void     galaxy_place_panel_beside(Control *panel, const GameObject *object, int32_t margin);
// A ship row of the fleet or the sector panel's list: selects its ship and opens the ship panel
// beside the row.
void     galaxy_fleet_on_pick_ship(Control *row);
void     galaxy_sector_on_pick_ship(Control *row);
// A site marker's production box: opens the site's panel beside it and selects it.
void     galaxy_site_marker_on_click(Control *marker);
// A row of an object panel's list (its child GALAXY_LIST_ID) is a panel carrying its object as
// widget state and GALAXY_ROW_SELECTED or GALAXY_ROW_UNSELECTED as panel value.
GameObject *galaxy_list_row_object(Control *row);   // null for anything but a row

// ---- command_bar.cpp ----
void galaxy_bar_create();                        // the six list buttons, the badges, the four action buttons
void galaxy_bar_layout(int32_t selected_id);
void galaxy_bar_update_action_button();
void galaxy_bar_hide_action_buttons();
void galaxy_bar_hide_list_buttons();
void galaxy_bar_set_list_buttons_enabled(bool enabled);
void galaxy_bar_update_badges();
void galaxy_side_panels_close();
void galaxy_side_panels_set_layer(int32_t layer);
void galaxy_bar_on_menu(Control *button);
void galaxy_bar_on_ships(Control *button);
void galaxy_bar_on_officers(Control *button);
void galaxy_toggle_technology(Control *button);
void galaxy_toggle_corporation(Control *button);
void galaxy_toggle_news(Control *button);
void galaxy_bar_on_starmap(Control *button);
void galaxy_bar_on_next_turn(Control *button);
void galaxy_bar_on_pass(Control *button);
void galaxy_bar_on_stop(Control *button);
void galaxy_officer_list_on_select(Control *list);
void galaxy_ship_list_on_select(Control *list);
void galaxy_officer_panel_build(Control *panel, struct Officer *officer);
void galaxy_news_build();
void galaxy_news_on_open_item(Control *row);
// The game menu's owner slots.
void galaxy_clear_for_menu(Control *menu);
void galaxy_menu_to_title(Control *menu);
void galaxy_menu_on_save_or_load_opened(Control *menu);

// ---- course_prompt.cpp ----
// The four buttons that start a pick, and the prompt's Cancel (Escape).
void galaxy_sector_on_set_course(Control *panel);   // the sector panel's ships picked in its list
void galaxy_fleet_on_set_course(Control *panel);    // the fleet panel's ships picked in its list
void galaxy_fleet_on_redirect(Control *panel);      // the selected fleet, whole
void galaxy_select_target(Control *panel);          // the selected site's harvest target
void galaxy_prompt_on_cancel(Control *button);

// ---- encounter_entry.cpp ----
void galaxy_show_encounter(Encounter *encounter);   // the encounter dialog for it
// The UI player's first battle still waiting for its orders once the day's battles are known; null
// when none waits (also while the computer players' battles are being fought).
Encounter *galaxy_waiting_battle();
// A day cannot start while a battle of the UI player waits: auto-pass stops, the Next Turn button
// says why and the battle's dialog opens. False when nothing waits and the turn may start.
bool galaxy_refuse_turn_for_battle();
void galaxy_sector_on_combat(Control *panel);
void galaxy_fleet_on_encounter(Control *control);
void galaxy_marker_on_encounter(Control *marker);
void galaxy_encounter_marker_on_enter(Control *marker);
void galaxy_encounter_marker_on_leave(Control *marker);
void galaxy_encounter_on_pick_row(Control *dialog);  // the dialog's slots 0, 1 and 2
void galaxy_encounter_on_hold(Control *dialog);
void galaxy_encounter_on_resolve(Control *dialog);
void galaxy_encounter_detail_on_pick(Control *group);   // the battle group panel's ship pick
