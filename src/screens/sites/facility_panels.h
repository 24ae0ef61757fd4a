#pragma once
// Facility panels: the list of facilities a starbase may lay down in its sector, the panel that
// offers one facility (or the starbase's defence upgrade) for building with its animated picture,
// description, cost and "Build"/"Resume" button, and the read-only rows describing one site.
//  - The panels change nothing: the Build buttons call slot 0 of their state, which the
//    opener fills (panel_set_slot); the chooser's rows hand their pick to the list's on-pick.
//  - Pictures load on a worker thread. The builder requests the template's load group (the
//    factory's count lock) and starts the worker, which only resolves the factory load groups and
//    then sets its done bit (release). The game thread polls the bit (acquire) from a timer (a
//    hidden control runs none, so an empty sibling of the holder carries it), joins the worker, builds the animated picture into the hidden holder and
//    reveals it. Without a thread the groups resolve at once and the picture shows after 300 ms.
//  - Freeing a panel's state (closing or rebuilding the panel) joins its worker first, then drops
//    the load-group request only when the state actually took one.
//  - Everything but the worker's resolve runs on the game thread.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include "ui/panel.h"

struct GameObject;

// ---- Facility build chooser ----

// Build flags.
constexpr int32_t FACILITY_CHOOSER_SLIDE   = 0x1;   // rows slide in one after another
constexpr int32_t FACILITY_CHOOSER_DEFENSE = 0x2;   // offer the "Defense Upgrade" row

// Children of a row.
constexpr int FACILITY_ROW_ID_NAME       = 10001;
constexpr int FACILITY_ROW_ID_COST_ICON  = 10002;
constexpr int FACILITY_ROW_ID_TIME_ICON  = 10003;
constexpr int FACILITY_ROW_ID_COST       = 10004;
constexpr int FACILITY_ROW_ID_DAYS       = 10005;

constexpr int32_t FACILITY_DEFAULT_COST    = 1000;
constexpr int32_t FACILITY_DEFAULT_MINUTES = 2880;

// Empties the panel and fills it with one row per facility of the sector's entries that the
// sector's owner has unlocked (and the "Defense Upgrade" row when asked and the sector has a
// starbase), then sizes it. The panel's state is a FacilityChooserState (site_choosers.h) whose
// on-pick is facility_chooser_on_pick.
void facility_chooser_build(Control *panel, GameObject *sector, GameObject *site, int32_t flags);
// True when the chosen row is the "Defense Upgrade" row.
bool facility_chooser_is_defense_upgrade(Control *panel);
// The cost tag's explanation popup (dwell) and its closing (hover leave).
void facility_cost_tooltip_show(Control *anchor);
void facility_cost_tooltip_hide(Control *anchor);

// Build minutes shown as days, rounded up.
int32_t facility_days_from_minutes(int32_t minutes);

// ---- Facility build panel and defence upgrade panel ----

constexpr int FACILITY_PANEL_ID_DESCRIPTION = 100001;
constexpr int FACILITY_PANEL_ID_COST_TAG    = 100002;
constexpr int FACILITY_PANEL_ID_BUTTONS     = 100003;
constexpr int FACILITY_PANEL_ID_TITLE       = 100004;
constexpr int FACILITY_PANEL_ID_PICTURE     = 100005;

constexpr int DEFENSE_PANEL_ID_TITLE        = 100001;
constexpr int DEFENSE_PANEL_ID_PICTURE      = 100002;
constexpr int DEFENSE_PANEL_ID_DESCRIPTION  = 100003;
constexpr int DEFENSE_PANEL_ID_COST_TAG     = 100004;
constexpr int DEFENSE_PANEL_ID_BUTTONS      = 100005;

constexpr int32_t DEFENSE_HULL_TEMPLATE = 4;      // the sentinel hull the upgrade shows
constexpr int FACILITY_PICTURE_MARGIN   = 40;     // the picture box is this much larger than the picture
constexpr int FACILITY_PICTURE_FRAME_MS = 90;
constexpr int FACILITY_NO_THREAD_SHOW_MS = 300;

// The picture load shared by both panels. Only `done` crosses threads: the worker sets it last.
struct FacilityPictureLoad {
    std::thread          worker;
    std::atomic<uint32_t> done{0};   // bit 0: the worker's resolve has finished
    Control             *holder = nullptr;   // the hidden holder, one reference while loading
    Control             *ticker = nullptr;   // a shown, empty sibling whose timer polls the worker
    int32_t              kind = -1;          // object kind and template of the picture
    int32_t              tmpl = -1;
};

enum FacilityPanelSlot : int { FACILITY_PANEL_SLOT_BUILD = 0 };

struct FacilityPanelState : PanelCommandSlots {   // slot 0: Build / Resume
    int32_t             held_tmpl = -1; // site template whose load group this panel requested, -1 none
    Control            *panel = nullptr;
    GameObject         *object = nullptr;   // a site under construction or a template (not held)
    FacilityPictureLoad load;
};

struct DefensePanelState : PanelCommandSlots {   // slot 0: Build / Resume
    bool                holds_request = false;   // requested the sentinel hull's load group
    Control            *panel = nullptr;
    FacilityPictureLoad load;
};

FacilityPanelState *facility_panel_state(Control *panel);   // null for any other panel

// Two callbacks of this family that the galaxy screen's smaller panels share.
// The state of a panel whose ship list picks through list_row_select: its command state derives
// from this record (slot 0 hears the pick).
struct PanelPick : PanelCommandSlots {
    GameObject *picked = nullptr;   // the row's ship (the list holds it)
};
// A ship list's row pick: the list's user data is its owner panel, whose PanelPick takes the
// picked ship; then slot 0 is called with the panel. Nothing without a picked ship.
void list_row_select(Control *list);
// A close button or title bar: the panel held as its user data closes as the facility panels' do.
void panel_close_button(Control *button);

// Empties the panel and builds it for the object (a site under construction or a site template),
// priced for the player at the sector. The panel's user data becomes the object.
void facility_panel_build(Control *panel, GameObject *object, uint64_t player_id, uint64_t sector_id);
void facility_panel_on_build(Control *button);
void facility_panel_on_close(Control *title);
// Joins the worker, drops the load-group request the state holds and frees the state.
void facility_panel_state_free(void *state);

// Empties the panel and builds the defence upgrade of the starbase.
void defense_upgrade_panel_build(Control *panel, GameObject *site);
void defense_upgrade_panel_on_build(Control *button);
void defense_upgrade_panel_on_close(Control *title);
void defense_upgrade_panel_state_free(void *state);

// Adds the description tile (the text framed, fading in) at y of the panel under the id; returns the
// y below it, or y itself when the text is empty or no tile could be made.
int facility_description_add(Control *panel, int y, int32_t id, const std::string &text);

// Game thread: hands the hidden holder (one more reference) to a new worker for the template's
// detail picture, the caller having requested its load group; false when no thread could be made
// (the picture is then built at once and shown after 300 ms).
bool facility_picture_load_start(FacilityPictureLoad *load, Control *holder, int32_t kind, int32_t tmpl);
// The worker's body: resolves the factory load groups and sets the done bit.
void facility_picture_load_run(FacilityPictureLoad *load);
// Game thread: when the worker is done, joins it, builds the picture and reveals the holder;
// true once the picture is in place (or there is nothing left to wait for).
bool facility_picture_load_poll(FacilityPictureLoad *load);
// Game thread: joins the worker and lets go of the holder.
void facility_picture_load_finish(FacilityPictureLoad *load);

// Pieces both build panels share: the panel's look, the "Build"/"Resume" button row (greyed with
// "Insufficient credits" when the player is short), and the final sizing (title bar across the
// panel, picture box centred and growing in from 2 x 2).
void     facility_panel_look(Control *panel);
Control *facility_build_button(Control *panel, bool resume, bool short_of_credits, ControlFn on_click, int id);
void     facility_panel_fit(Control *panel, int title_id, int picture_id);

// ---- Facility detail rows ----

constexpr int32_t FACILITY_ROWS_PRODUCTION = 0x1;   // add what the site is producing
constexpr int FACILITY_ROWS_ID_VALUES      = 10001;
constexpr int FACILITY_ROWS_ID_STATUS      = 10002;

// The Greek word for an orbit index 0..10; "" otherwise.
const char *facility_orbit_word(int32_t index);
// "Mass remaining" as shown: "100%" at or above 100, at least "0.01%" below; sets *low when at
// most 10 % is left. total <= 0 gives "" (the row is left out).
void facility_mass_remaining_text(int32_t remaining, int32_t total, char *out, int out_size, bool *low);

// Empties the panel and fills it with the site's name, status, location, value rows and, with
// FACILITY_ROWS_PRODUCTION, its production.
void facility_detail_rows(Control *panel, GameObject *site, int32_t flags);
