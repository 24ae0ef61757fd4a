#pragma once
// Site choosers: the three lists the site panel shows in place of its body to start a production,
// "Choose facility to build" (a starbase's Build), "Choose ship design" (a shipyard's Build) and
// "Choose recruit" (a training site's Train), each with its title and a "Back" button (Esc).
//  - A chooser lives in the site panel and uses its SitePanelState: the open chooser, the body's
//    origin, the picked item and the defence-upgrade mark. A pick stores the item there and calls
//    the panel's slot (0 facility, 5 design, 11 recruit); the chooser itself changes nothing.
//  - The openers expect the body cleared first (site_panel_clear_body) and are followed by
//    site_panel_fit. Back rebuilds the body with site_panel_build_body.
//  - The facility list's own state (FacilityChooserState) is kept here with its row click and free.
//  - Game thread only.
#include <cstdint>
#include "platform/list.h"
#include "screens/sites/site_panel.h"
#include "ui/control.h"

struct GameObject;

// Which chooser is open (SITE_CHOOSER_*: the facility chooser leaves it at SITE_CHOOSER_NONE)
// and the ids of the lists, the title and the Back row are the site panel's (site_panel.h): the
// choosers live in its body.

constexpr int SITE_CHOOSER_REVEAL_MS = 200;   // list, title and Back appear after this

// The facility build list's widget state (the list panel's).
struct FacilityChooserState {
    List<GameObject> entries;        // per facility row: the site under construction, else the template (not held)
    List<Control>    rows;           // facility rows, then the "Defense Upgrade" row when offered
    int32_t          chosen = -1;    // row tag of the last click
    ControlFn        on_pick = nullptr;   // called with the list panel after a row click
};
FacilityChooserState *facility_chooser_state(Control *list);   // null for any other control

// Openers: build the chooser into the site panel's cleared body.
void site_facility_chooser_open(Control *site_panel);
void site_design_chooser_open(Control *site_panel);
void site_recruit_chooser_open(Control *site_panel);

// Back buttons (user data: the site panel).
void site_chooser_on_back_facility(Control *button);
void site_chooser_on_back_design(Control *button);
void site_chooser_on_back_recruit(Control *button);

// Pick callbacks: each gets the list control, whose user data is the site panel.
void facility_chooser_on_pick(Control *list);
void design_chooser_on_pick(Control *list);
void recruit_chooser_on_pick(Control *list);

// Facility list plumbing: a row's click, the state's free, and the entry of the chosen row (null
// when the row is outside the entries, e.g. the "Defense Upgrade" row).
void        facility_chooser_row_click(Control *row);
void        facility_chooser_state_free(void *state);
GameObject *facility_chooser_get_selected(Control *list);

// After a design changed: refreshes the design list's rows when the design chooser is open.
void chooser_refresh_design_list(Control *site_panel);
// After a design was scrapped: shows the design chooser again at once.
void chooser_reopen_design_list(Control *site_panel);
