#pragma once
// The combat screen: the state of application mode 0 and the operations its files share.
//  - One process-wide CombatScreen (combat_screen()). combat_enter resets what a battle uses;
//    combat_leave releases it. The music choice (music_track, music_weights) lives across battles.
//  - The files: combat_mode.cpp (the mode record, enter and leave), combat_turn.cpp (the frame's
//    update: the turn flow, the AI worker, the end test, the view's per-frame scroll, the
//    acting object), combat_orders.cpp (the command modes, the map click's orders, the hover
//    popup, end of turn and retreat), combat_selection.cpp (the selection and its brackets, the
//    object panel stack, details, the missile warning and marker, popup placement),
//    combat_draw.cpp (drawing, the cursor, the minimap jump), the ship details panel it opens is
//    screens/ships/ship_details.h,
//    combat_music.cpp (which combat piece plays), battle_summary.cpp (the result word, the cards,
//    the salvage, Continue), combat_location.cpp (the location side panel), encounter_list.cpp
//    (the turn-order strip), combat_side_panels.cpp (the command bar, the side panels, the message
//    box, the menu's load), view_scroll.cpp (the view's scroll target, the unit cycle), ship_tags.cpp
//    (the ship tags); combat_panels.h holds what those files show of themselves beyond this header.
//  - Threads: everything here is the game thread's but the AI worker's bits of `flags`
//    (COMBAT_FLAG_AI_THINKING, COMBAT_FLAG_AI_FAILED, COMBAT_FLAG_AI_DONE), which the worker changes
//    with atomic read-modify-writes, its last write setting COMBAT_FLAG_AI_DONE. While the worker
//    runs (COMBAT_FLAG_AI_STARTED set, COMBAT_FLAG_AI_DONE clear) the game thread does not act for
//    the actor; it is joined before the next worker starts, before a pending load and in leave.
#include <atomic>
#include <cstdint>

struct ColourFade;
struct Control;
struct GameObject;
struct Graphics;
struct ObjectMap;
struct SDL_Thread;
struct Ship;
template <typename T> struct HashTable;
template <typename T> struct List;
struct TurnOrderEntry;

// ---- Flags word --------------------------------------------------------------------------------
constexpr uint32_t COMBAT_FLAG_ANIMATING      = 0x1;      // the map is busy with an order
constexpr uint32_t COMBAT_FLAG_SCAN_ORDERED   = 0x2;      // open the scanned object's details after the animation
constexpr uint32_t COMBAT_FLAG_AUTO_ACT       = 0x4;      // the actor acts without the player (AI or by itself)
constexpr uint32_t COMBAT_FLAG_PACING         = 0x8;      // waiting for the pacing timer before acting
constexpr uint32_t COMBAT_FLAG_ACTOR_CHANGED  = 0x10;     // refresh the encounter list
constexpr uint32_t COMBAT_FLAG_MENU_OPEN      = 0x20;
constexpr uint32_t COMBAT_FLAG_SUMMARY        = 0x40;     // the battle is over: the summary runs
constexpr uint32_t COMBAT_FLAG_MAP_HIDDEN     = 0x80;     // the map is not drawn (word settled, or a load pending)
constexpr uint32_t COMBAT_FLAG_PICKING        = 0x100;    // a move or turn is being picked: no hover test
constexpr uint32_t COMBAT_FLAG_HELP_OPEN      = 0x400;
constexpr uint32_t COMBAT_FLAG_AI_DONE        = 0x800;    // the AI worker has finished (its last write)
constexpr uint32_t COMBAT_FLAG_AI_FAILED      = 0x1000;   // the AI worker could not plan
constexpr uint32_t COMBAT_FLAG_AI_STARTED     = 0x2000;   // a worker has been started for the current plan
constexpr uint32_t COMBAT_FLAG_LOAD_PENDING   = 0x4000;   // a game load waits; ship tags are left alone
constexpr uint32_t COMBAT_FLAG_THINKING_ARMED = 0x8000;   // the thinking picture's timer runs
constexpr uint32_t COMBAT_FLAG_AI_THINKING    = 0x10000;  // the AI worker is planning

// ---- Control ids and groups --------------------------------------------------------------------
constexpr int COMBAT_ID_UNIT_STATUS     = 531000;
constexpr int COMBAT_ID_OFFICER_PANEL   = 531002;
constexpr int COMBAT_ID_MENU_BUTTON     = 531005;   // '1'
constexpr int COMBAT_ID_MINIMAP_BUTTON  = 531006;   // '2'
constexpr int COMBAT_ID_PROMPT_PROMPT   = 531008;
constexpr int COMBAT_ID_PROMPT_ICON     = 531010;
constexpr int COMBAT_ID_CANCEL          = 531011;
constexpr int COMBAT_ID_LIST_BUTTON     = 531012;   // '3'
constexpr int COMBAT_ID_TAG_BAR         = 531013;
constexpr int COMBAT_ID_TAG_NAME        = 531014;
constexpr int COMBAT_ID_SHIP_DETAILS    = 531015;
constexpr int COMBAT_ID_LIST_SCROLL     = 531016;
constexpr int COMBAT_ID_CARD_ICON       = 531017;
constexpr int COMBAT_ID_CARD_COMMANDER  = 531018;
constexpr int COMBAT_ID_LOCATION_BUTTON = 531019;   // '4'
constexpr int COMBAT_ID_MISSILE_MARKER  = 531020;
constexpr int COMBAT_ID_SHOT_PANEL      = 531021;
constexpr int COMBAT_ID_PROMPT_BOX      = 531022;
constexpr int COMBAT_ID_MISSILE_WARNING = 531023;
constexpr int COMBAT_ID_THINKING        = 531024;
constexpr int COMBAT_ID_HELP_POPUP      = 2841405;

constexpr int COMBAT_TAG_HIDDEN_PANEL = 1;    // the info panel, the message box, the scroll bar
constexpr int COMBAT_TAG_COMMAND_BAR  = 2;
constexpr int COMBAT_TAG_HOVER_POPUP  = 6;
constexpr int COMBAT_TAG_SIDE_PANEL   = 10;   // side panels and the thinking picture

// ---- Timing --------------------------------------------------------------------------------------
constexpr int32_t COMBAT_END_TEST_MS         = 800;
constexpr int32_t COMBAT_ACT_PAUSE_MS        = 1600;   // x combat speed / 100
constexpr int32_t COMBAT_ESCAPE_PAUSE_MS     = 600;    // x combat speed / 100
constexpr int32_t COMBAT_MISSILE_PAUSE_MS    = 3400;   // whatever the speed
constexpr int32_t COMBAT_THINKING_DELAY_MS   = 2400;
constexpr int32_t COMBAT_LOAD_DELAY_MS       = 1000;
constexpr int32_t COMBAT_SCROLL_SPEED_CENTRE = 25;
constexpr int32_t COMBAT_SCROLL_SPEED_ACTION = 40;
constexpr int32_t COMBAT_EDGE_ZONE           = 14;     // pixels from the screen edge that scroll

constexpr int COMBAT_MUSIC_TRACKS = 3;
constexpr int COMBAT_OBJECT_PANEL_LIMIT = 6;
constexpr int COMBAT_COMMAND_BUTTONS = 4;

enum ShipCommandMode : int32_t {
    COMMAND_NONE = -1,
    COMMAND_MOVE = 0,
    COMMAND_TURN = 1,
    COMMAND_SCAN = 2,
    COMMAND_SYSTEM = 3,
};

// The side panels, in the command bar's order.
enum CombatSidePanel : int32_t {
    COMBAT_SIDE_MENU = 0,
    COMBAT_SIDE_MINIMAP = 1,
    COMBAT_SIDE_LIST = 2,
    COMBAT_SIDE_LOCATION = 3,
};

// The battle summary's phases.
enum SummaryPhase : int32_t {
    SUMMARY_BAND_OPENS = 0,
    SUMMARY_LETTERS = 1,
    SUMMARY_WORD_LEFT = 2,
    SUMMARY_WORD_UP = 3,
    SUMMARY_SALVAGE_BAND = 4,
    SUMMARY_SALVAGE_TOTAL = 5,
    SUMMARY_CONTINUE = 6,
    SUMMARY_WAITING = 7,
};

struct BattleSummary {
    int32_t      phase = SUMMARY_BAND_OPENS;
    int32_t      phase_ms = 0;
    char        *text = nullptr;          // owned heap string: "VICTORY", "DEFEAT" or "RETREAT"
    ColourFade **letter_fades = nullptr;  // owned, one per character
    int32_t      letter_count = 0;
    int32_t      text_w = 0, font_h = 0;  // font 3; a font that cannot be loaded counts -1 high
    int32_t      text_x = 0, text_y = 0;  // the word's top-left corner on the screen
    int32_t      band_left = 0, band_right = 0, band_top = 0, band_bottom = 0;
    int32_t      salvage = 0;
    int32_t      salvage_left = 0, salvage_right = 0, salvage_top = 0, salvage_bottom = 0;
    bool         continued = false;       // "Continue" has applied the outcome
};

// The view's smooth scroll towards a target (combat_scroll_view_to) and the free scroll by the
// edges and the arrow keys.
struct CombatViewScroll {
    int32_t target_x = -1, target_y = -1;   // -1: no scroll under way
    int32_t step_x = 0, step_y = 0;         // pixels per divisor ms
    int32_t speed = 10;
    int32_t rest_x = 0, rest_y = 0;         // the remainders of the last frame's moves
    int32_t divisor = 6;
};

struct CombatScreen {
    std::atomic<uint32_t> flags{0};       // COMBAT_FLAG_*
    GameObject *acting = nullptr;         // one reference; its OBJ_PULSING is the screen's
    GameObject *selected = nullptr;       // one reference
    GameObject *hovered = nullptr;        // one reference
    GameObject *command_ship = nullptr;   // one reference
    int32_t     command_mode = COMMAND_NONE;
    int32_t     selected_crit = -1;

    SDL_Thread *ai_thread = nullptr;
    uint32_t    ai_seed = 0;              // the worker's quick generator seed, drawn on the game thread
    int32_t     load_countdown_ms = 0;
    int32_t     end_test_ms = 0;
    int32_t     pacing_ms = 0;
    int32_t     thinking_ms = 0;

    // Music: the piece chosen last (-1 before the first battle) and a weight per piece; both
    // outlive the battle.
    int32_t     music_track = -1;
    int32_t     music_weights[COMBAT_MUSIC_TRACKS] = {};

    int32_t     open_side_panel = 0;      // the command bar id of the open side panel, 0 none
    int32_t     panel_stack[COMBAT_OBJECT_PANEL_LIMIT] = {};
    int32_t     panel_top = -1;

    // Controls made by enter; the game's control list holds them, these are borrowed.
    Control    *info_panel = nullptr;     // hidden by the release and retreat orders
    Control    *hover_popup = nullptr;
    Control    *message_box = nullptr;
    int32_t     message_dx = 0, message_dy = 0;   // the message box's offset from the pointer
    Control    *selection_panel = nullptr;
    Control    *side_panels[COMBAT_COMMAND_BUTTONS] = {};      // by CombatSidePanel
    Control    *command_buttons[COMBAT_COMMAND_BUTTONS] = {};  // by CombatSidePanel

    // Ship tags: object id -> tag panel (the tag holds a reference on its ship).
    HashTable<Control> *ship_tags = nullptr;
    // The UI player's objects in predicted turn order, and the map change count it was built at.
    List<TurnOrderEntry> *unit_cycle = nullptr;
    int32_t     unit_cycle_stamp = 0;
    CombatViewScroll scroll;

    // Orders: the reach and effect overlays (arc controls, owned) and the two pulsing colours.
    Control    *reach_overlay = nullptr;
    Control    *effect_overlay = nullptr;
    int32_t     effect_range = 0;
    ColourFade *valid_colour = nullptr;   // owned
    ColourFade *invalid_colour = nullptr; // owned
    int32_t     prompt_phase = 0, prompt_ms = 0;

    BattleSummary summary;
};

CombatScreen *combat_screen();
ObjectMap    *combat_map();                  // the game's combat map (null without a game)

// ---- combat_mode.cpp ----
void combat_enter();
void combat_leave();

// ---- combat_turn.cpp ----
void combat_update(int32_t dt);
int  combat_ai_command_thread(void *unused);
// Where the screen creates its AI worker; tests put a creator that fails here. Null restores SDL's.
using CombatThreadCreator = SDL_Thread *(int (*)(void *), void *);
void combat_set_thread_creator(CombatThreadCreator *creator);
void combat_join_ai_thread();                // waits when a worker exists, forgets it
void combat_flags_change(uint32_t clear, uint32_t set);   // one atomic store
bool combat_battle_finished();               // the current encounter carries its finished bit
// A computer-controlled actor's pause: 1600 ms (600 for an escaping ship) x combat speed / 100.
int32_t combat_pause_ms(int32_t base_ms);
// Lets go of everything of the game the screen holds: joins the AI worker, releases the acting,
// selected and hovered objects and the command ship, clears the ship tags and the unit cycle,
// closes the object panels and drops the encounter list's map. Before game_clear and in leave.
void combat_release_game_objects();
// The turn flow's setter of the acting object (its pulse, one reference, the actor-changed flag).
void combat_set_acting(GameObject *object);
void combat_reset_highlight_colours();
// The orders' entries the frame calls: the map click while a mode is active, the prompt's pulse.
void combat_apply_command();
void combat_prompt_pulse(int32_t ms);


// ---- combat_orders.cpp ----
// Entering a mode shows the prompt box and Cancel; COMMAND_NONE leaves any mode.
void combat_set_command_mode(int32_t mode, const char *title = nullptr, const char *prompt = nullptr);
void combat_set_command_ship(GameObject *object);
void combat_set_hovered(GameObject *object);   // rebuilds the hover popup
void combat_begin_move(Control *status_panel);
void combat_begin_turn(Control *status_panel);
void combat_begin_scan(Control *status_panel);
void combat_pick_weapon(Control *status_panel);   // the picked row's system: its mode, or used at once
void combat_end_ship_turn(Control *status_panel);
void combat_start_retreat(Control *status_panel);  // starts the retreat, or counts it down
void combat_abort_retreat(Control *status_panel);
void combat_cancel_command(Control *button);
// The point a hull turns about: its rotation frame's centre when it has one, else its centre.
void combat_turn_pivot(const Ship *ship, int32_t *x, int32_t *y);

// ---- combat_selection.cpp ----
// The object panel stack: at most COMBAT_OBJECT_PANEL_LIMIT; one more is made but not stacked.
Control *combat_object_panel_open(int32_t id);
void     combat_close_object_panels();
void     combat_hide_object_panels();
bool     combat_object_panel_is_shown(int32_t id);
void     combat_show_object_panel(int32_t id);   // re-enables the panel a newer one dimmed
Control *combat_find_unit_status();
void     combat_select_object(GameObject *object);
void     combat_open_unit_status();
void     combat_select_active_ship(Control *unused);
void     combat_open_object_details(GameObject *object);
void     combat_open_ship_status(Control *status_panel);
void     combat_open_officer_panel(Control *details_panel);
void     combat_place_popup(Control *panel, const GameObject *object);
// A panel over the open side panel in the bottom-left corner moves up above it (or to its right);
// the panels placed beside objects are kept clear every frame, as the view scrolls under them.
void     combat_keep_clear_of_side_panel(Control *panel);
void     combat_keep_object_panels_clear();
void     combat_show_missile_warning();
void     combat_update_missile_marker();

// ---- combat_draw.cpp ----
void combat_draw(Graphics *gfx);
void combat_update_cursor();
int32_t combat_cursor_for_pointer(int32_t x, int32_t y);   // the cursor number the pointer asks for
void combat_minimap_on_click(Control *minimap);

// ---- combat_music.cpp ----
// Chooses the piece of this battle (17, 18 or 19) from the weights and updates them.
int32_t combat_music_choose(CombatScreen *s);

// ---- battle_summary.cpp ----
void battle_summary_start();
void battle_summary_update(int32_t dt);
void battle_summary_free();                  // the result text and the letter fades
void combat_continue(Control *button);       // applies the outcome and returns to the galaxy

// ---- combat_side_panels.cpp ----
void combat_toggle_menu_panel(Control *button);
void combat_toggle_minimap_panel(Control *button);
void combat_toggle_encounter_list(Control *button);
void combat_toggle_location_panel(Control *button);
void combat_command_bar_select(int32_t id);
void combat_command_bar_hide();
void combat_clear_side_panels();
void combat_menu_load_prepared(Control *menu);
void combat_run_pending_load();
void combat_on_load_failed(Control *menu);
void combat_show_message(int32_t dx, int32_t dy, Control *icon, const char *format, ...);
Control *combat_hide_message();

// ---- view_scroll.cpp ----
void combat_scroll_view_to(int32_t x, int32_t y, int32_t speed);
void combat_centre_on_unit_status();
void combat_cycle_units();

// ---- ship_tags.cpp ----
void combat_update_ship_tags();
void combat_clear_ship_tags();
