#pragma once
// The design list: the player's ship designs as the rows of a scrollable list, each with its
// picture, name, and the price and build days one ship of it costs at the list's shipyard, then a
// last row "(New Design)". The site panel's "Choose ship design" chooser shows it.
//  - Built into a panel the owner supplies (the outer panel); its widget state is a
//    DesignListState, freed with the panel. The list holds one reference on its site.
//  - Row i shows designs[i]; the row whose index is the number of designs is "(New Design)". A
//    row click stores the row's index as picked, then calls the owner's pick callback with the
//    outer panel. design_list_get_picked reads designs[picked], null outside the list.
//  - The price is what the build will charge: player_design_build_cost at the site's sector (a
//    paused build of the design shows the shipyard's saved cost and days left). A refresh after
//    the player's design count changed rebuilds the rows; otherwise it renews their texts.
//  - Rows taller than DESIGN_LIST_MAX_HEIGHT are clipped there and scrolled by a bar beside them.
//  - Changes nothing in the game model. Game thread only.
#include <cstdint>
#include "platform/list.h"
#include "ui/control.h"
#include "ui/panel.h"

struct GameObject;
struct Site;

// Children of the outer panel.
constexpr int DESIGN_LIST_ID_AREA   = 100007;   // the rows
constexpr int DESIGN_LIST_ID_SCROLL = 100008;   // only when the rows are clipped
// Children of a row.
constexpr int DESIGN_ROW_ID_PICTURE   = 100001;
constexpr int DESIGN_ROW_ID_NAME      = 100002;
constexpr int DESIGN_ROW_ID_DAYS_ICON = 100003;
constexpr int DESIGN_ROW_ID_DAYS      = 100004;
constexpr int DESIGN_ROW_ID_COST_ICON = 100005;
constexpr int DESIGN_ROW_ID_COST      = 100006;

constexpr int DESIGN_LIST_MAX_HEIGHT  = 282;   // taller lists are clipped and scrolled
constexpr int DESIGN_LIST_MIN_HEIGHT  = 90;    // of the outer panel
constexpr int DESIGN_LIST_WHEEL_STEP  = 24;    // bar positions per wheel notch
constexpr int DESIGN_LIST_ARROW_STEP  = 96;

struct DesignListState {
    Site            *site = nullptr;        // one reference
    List<Control>    rows;                  // display order, one reference each; "(New Design)" last
    List<GameObject> designs;               // the player's designs at the last build or refresh (not owned)
    int32_t          picked = -1;           // index of the last clicked row
    ControlFn        on_pick = nullptr;     // called with the outer panel
    int32_t          list_height = 0;       // of all rows, before clipping
};

DesignListState *design_list_state(Control *panel);   // null when the panel holds no design list

// Builds the list of the site owner's designs into the outer panel; nothing without a game, an
// owner of the site or that owner among the players.
void     design_list_build(Control *panel, Site *site, ControlFn on_pick);
// Re-reads the player's designs: the rows' names, prices and days are renewed, or the list is
// rebuilt when the number of designs changed.
void     design_list_refresh(Control *panel);
GameObject *design_list_get_picked(Control *panel);
void     design_list_state_free(void *state);

// The list's pick slot: a row was clicked (the wheel and the bar are the scrolling list's,
// ui/scroll_list.h).
void design_list_on_row_click(Control *row);
