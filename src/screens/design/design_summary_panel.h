#pragma once
// The design summary ("Ship Design"): one of the player's ship designs as seen from a shipyard,
// with the hull picture and a card for each fitted system, the price and days one ship costs
// there, the design's ratings, and Build (or Resume), Edit and Scrap.
//  - The panel's user data is the design (not owned); its widget state is a DesignSummaryState,
//    freed with it. Building again replaces both, and the opener writes the slots again.
//  - The commands go through the state's slots, which the opener fills right after
//    design_summary_build; an empty slot does nothing. The panel itself only keeps the Scrap
//    confirmation (closed: buttons shown; open: the dialog in their place).
//  - Build is refused while the shipyard's sector lacks a starbase of the owner with
//    DESIGN_BUILD_CREW crew ("%i crew required"), else while the price is above the player's
//    credits; Edit and Scrap while a shipyard of the player builds the design.
//  - Game thread only.
#include <cstdint>
#include "ui/control.h"
#include "ui/panel.h"
#include "world/site.h"

struct GameObject;
struct Site;

// Children by id.
constexpr int DESIGN_PANEL_ID_TITLE   = 100001;
constexpr int DESIGN_PANEL_ID_FRAME   = 100002;   // inside the picture area
constexpr int DESIGN_PANEL_ID_PICTURE = 100003;   // the picture area
constexpr int DESIGN_PANEL_ID_BUTTONS = 100004;
constexpr int DESIGN_PANEL_ID_CONFIRM = 100005;
constexpr int DESIGN_PANEL_ID_COST    = 100006;
constexpr int DESIGN_PANEL_ID_STATS   = 100007;
constexpr int DESIGN_PANEL_ID_COST_TEXT = 100008; // inside the "Cost" popup
// The buttons inside the button row.
constexpr int DESIGN_PANEL_ID_BUILD   = 100011;
constexpr int DESIGN_PANEL_ID_EDIT    = 100012;
constexpr int DESIGN_PANEL_ID_SCRAP   = 100013;

// Command slots.
constexpr int DESIGN_SUMMARY_SLOT_SCRAP = 0;   // "Yes, scrap"
constexpr int DESIGN_SUMMARY_SLOT_BUILD = 1;   // Build or Resume
constexpr int DESIGN_SUMMARY_SLOT_EDIT  = 2;

constexpr int32_t DESIGN_BUILD_CREW = SITE_CREW_NEEDED;   // starbase crew a shipyard's sector needs to build
constexpr int DESIGN_PANEL_DWELL_MS = 475;

struct DesignSummaryState : PanelCommandSlots {
    Site   *site = nullptr;          // the shipyard the panel was built for (not owned)
    bool    resume = false;          // the button reads "Resume": the shipyard paused this design
    int32_t cost = 0;                // the price shown
    int32_t days = 0;
};

DesignSummaryState *design_summary_state(Control *panel);   // null for any other control

// Removes the panel's children and builds the summary of the design seen from the site; nothing
// without a game, an owner of the site or that owner among the players.
void        design_summary_build(Control *panel, GameObject *design, Site *site);
GameObject *design_summary_get_design(Control *panel);

// Callbacks the builder installs (each gets the control that fired).
void design_summary_on_close(Control *title);
void design_summary_on_build(Control *button);
void design_summary_on_edit(Control *button);
void design_summary_on_scrap(Control *button);
void design_summary_on_scrap_yes(Control *button);
void design_summary_on_scrap_no(Control *button);
void design_summary_cost_popup_open(Control *tag);
void design_summary_system_popup_open(Control *card);
void design_summary_popup_close(Control *ctrl);
