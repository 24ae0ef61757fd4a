#pragma once
// The site panel: one site of the galaxy (a planet, a star, or a facility such as a starbase,
// shipyard, harvester, research station or training site) with, for a site the viewer may command,
// its production and the buttons that act on it.
//  - Built into a panel the opener owns (the galaxy screen's site object panel); building again
//    replaces the content and the state record. The site is the panel's user data (not held: the
//    opener keeps its own reference for the panel's life).
//  - The panel never changes the game model: every button and every pick calls a command slot of
//    its SitePanelState, which the opener fills right after site_panel_build; an empty slot does
//    nothing. Picks store the picked item first (site_panel_picked, site_panel_defense_row).
//  - The three choosers (site_choosers.h) replace the body in place; their Back rebuilds it with
//    site_panel_build_body and site_panel_fit.
//  - Game thread only.
#include <cstdint>
#include "ui/control.h"
#include "ui/panel.h"
#include "world/site.h"

struct GameObject;
struct Officer;
struct Site;

// site_panel_build flags.
constexpr int32_t SITE_PANEL_ANIMATE     = 0x1;   // stat rows, buttons and description animate in
constexpr int32_t SITE_PANEL_INTERACTIVE = 0x2;   // construction details, production, owner rows, buttons
constexpr int32_t SITE_PANEL_CLOSE       = 0x4;   // the caption carries a close button (Esc)

// Children by id.
constexpr int SITE_PANEL_ID_STATS          = 100001;
constexpr int SITE_PANEL_ID_ITEM_NAME      = 100002;
constexpr int SITE_PANEL_ID_CAPTION        = 100003;
constexpr int SITE_PANEL_ID_BUTTONS        = 100005;   // the choosers' Back row too
constexpr int SITE_PANEL_ID_OWNER          = 100006;
constexpr int SITE_PANEL_ID_FACILITY_LIST  = 100007;   // the facility chooser's list
constexpr int SITE_PANEL_ID_CHOOSER_TITLE  = 100008;
constexpr int SITE_PANEL_ID_PRODUCTION     = 100010;
constexpr int SITE_PANEL_ID_DESIGN_LIST    = 100011;   // the design chooser's list
constexpr int SITE_PANEL_ID_OFFICERS       = 100012;
constexpr int SITE_PANEL_ID_PICTURE        = 100014;
constexpr int SITE_PANEL_ID_DESCRIPTION    = 100015;
constexpr int SITE_PANEL_ID_FRAME_INNER    = 100018;
constexpr int SITE_PANEL_ID_FRAME_OUTER    = 100019;
constexpr int SITE_PANEL_ID_CONSTRUCTION   = 100020;   // the "Under construction" bar
constexpr int SITE_PANEL_ID_SURFACE        = 100021;
constexpr int SITE_PANEL_ID_RECRUIT_LIST   = 100027;   // the recruit chooser's list
constexpr int SITE_PANEL_ID_STATUS         = 100028;
constexpr int SITE_PANEL_ID_COMMANDER      = 100029;
constexpr int SITE_PANEL_ID_DEFENDERS      = 100030;
constexpr int SITE_PANEL_ID_BLOCKADE_ICON  = 100031;
constexpr int SITE_PANEL_ID_BLOCKADE_NOTE  = 100032;
constexpr int SITE_PANEL_ID_WARNING        = 100033;   // the "Automated defenses detected" box
// The "No officers available" popup among the game's top-level controls.
constexpr int SITE_PANEL_NO_OFFICERS_POPUP = 2841408;

constexpr int32_t SITE_PANEL_CREW_REQUIRED = SITE_CREW_NEEDED;   // starbase crew a production needs

// Command slots, filled by the opener.
enum SitePanelSlot : int {
    SITE_SLOT_PICK_FACILITY = 0,
    SITE_SLOT_RUSH_STARBASE = 1,
    SITE_SLOT_HALT_STARBASE = 2,
    SITE_SLOT_PICK_OFFICER  = 3,
    SITE_SLOT_COMMANDER     = 4,
    SITE_SLOT_PICK_DESIGN   = 5,
    SITE_SLOT_RUSH_SHIPYARD = 6,
    SITE_SLOT_HALT_SHIPYARD = 7,
    SITE_SLOT_MOVE          = 8,
    SITE_SLOT_DEACTIVATE    = 9,
    SITE_SLOT_ACTIVATE      = 10,
    SITE_SLOT_PICK_RECRUIT  = 11,
    SITE_SLOT_RUSH_TRAINING = 12,
    SITE_SLOT_HALT_TRAINING = 13,
    SITE_SLOT_PICK_SHIP     = 14,
};
constexpr int SITE_PANEL_SLOT_COUNT = 15;

// Which chooser holds the body.
constexpr int32_t SITE_CHOOSER_NONE     = 0;
constexpr int32_t SITE_CHOOSER_DESIGN   = 2;
constexpr int32_t SITE_CHOOSER_RECRUIT  = 3;

struct SitePanelState : PanelCommandSlots {
    int32_t open_chooser = SITE_CHOOSER_NONE;   // chooser_refresh_design_list acts only on the design chooser
    int32_t body_x = 0;          // where the body and the choosers start
    int32_t body_y = 0;
    int32_t caption_width = 0;   // the panel is never narrower than its caption + 4
    void   *picked = nullptr;    // officer, recruit, design, facility entry or ship, by the slot called
    int32_t defense_row = 0;     // 1: the facility chooser's "Defense Upgrade" row was picked
    int32_t flags = 0;           // the site_panel_build flags the panel was built with
};

// The panel's state, null for any other control; the site shown, null likewise.
SitePanelState *site_panel_state(Control *panel);
Site           *site_panel_site(Control *panel);

// Turns the panel into the site panel (flags above) and builds its body; the opener then fills the
// slots.
void site_panel_build(Control *panel, GameObject *site, int32_t flags);
// Builds the body from the state's body origin; the children appear after delay_ms.
void site_panel_build_body(Control *panel, int32_t delay_ms, bool animate, bool interactive);
// Sizes the panel to its content (never narrower than its caption) and right-aligns the buttons
// row, the status line and the blockade note.
void site_panel_fit(Control *panel);
// Closes the body's controls over 200 ms (the header and description stay).
void site_panel_clear_body(Control *panel);

// Slots and picks: the installer stores the handler; a call with an empty slot does nothing.
void      site_panel_call_slot(Control *panel, int slot);
// Stores the picked item (and the defense-row flag) for the slot handler.
void      site_panel_set_picked(Control *panel, void *item, int32_t defense_row);
void     *site_panel_picked(Control *panel);
GameObject *site_panel_picked_object(Control *panel);   // the design, facility entry or ship picked
Officer  *site_panel_picked_officer(Control *panel);    // the officer or recruit picked
int32_t   site_panel_defense_row(Control *panel);

// The starbase crew a production of the site may draw on: the sector's starbase crew when the
// sector's owner is the site's owner, else 0.
int32_t site_panel_starbase_crew(const Site *site);
