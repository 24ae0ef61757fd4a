#pragma once
// The "Officers" side list of the galaxy screen: every officer of the human player, one clickable
// row each with rank insignia, name, rank name and where the officer serves.
//  - Built into a panel the galaxy screen owns; building again replaces the content and the state.
//  - The panel's widget state is an OfficerListState (command slot 0 first). It holds one
//    reference on every listed officer, released when the panel is freed; the officers stay the
//    same for the panel's life, a refresh only re-reads their ranks and posts.
//  - A list taller than 420 pixels is cut there and scrolls; a refresh cuts it again and brings
//    its scroll bar to the new height.
//  - Game thread only.
#include <cstdint>
#include "platform/list.h"
#include "ui/control.h"
#include "ui/panel.h"

struct Officer;

// Panel children.
constexpr int OFFICERS_LIST_ID_ROWS   = 100009;   // the row list; absent without officers
constexpr int OFFICERS_LIST_ID_SCROLL = 100010;
constexpr int OFFICERS_LIST_ID_TITLE  = 100012;
constexpr int OFFICERS_LIST_ID_EMPTY  = 100013;
constexpr int OFFICERS_LIST_ID_STRIP  = 100014;   // the header strip
// Row children.
constexpr int OFFICER_ROW_ID_LOCATION  = 100001;   // location text
constexpr int OFFICER_ROW_ID_POST_PICTURE = 100003;
constexpr int OFFICER_ROW_ID_BACKING   = 100004;
constexpr int OFFICER_ROW_ID_SHIP_NAME = 100005;
constexpr int OFFICER_ROW_ID_INSIGNIA  = 100006;
constexpr int OFFICER_ROW_ID_NAME      = 100007;
constexpr int OFFICER_ROW_ID_RANK      = 100008;
constexpr int OFFICER_ROW_ID_POST_ICON = 100011;   // starbase command, or the pod's clock
constexpr int OFFICER_ROW_ID_POD_DAYS  = 100012;

constexpr int OFFICERS_LIST_MAX_HEIGHT  = 420;      // a taller list scrolls
constexpr int OFFICERS_LIST_SCROLL_STEP = 96;
constexpr int OFFICERS_LIST_SLOT_SELECT = 0;

struct OfficerListState : PanelCommandSlots {   // slot 0: a row was clicked
    int32_t       selected = -1;                // index of the clicked row
    List<Control> rows;                         // the row panels, in display order
    List<Officer> officers;                     // one reference each, in display order
    int32_t       content_height = 0;           // of the row list before it is cut
};

// Builds the list from officers (in the order given; the panel takes its own references).
void              officers_list_build(Control *panel, List<Officer> *officers);
// Rebuilds the rows for the same officers (no flash) and grows or shrinks the panel to them.
void              officers_list_refresh(Control *panel);
// Builds the rows of the panel's officers into the row list, each flashing once when flash is set.
void              officers_list_build_rows(Control *panel, Control *list, bool flash);
OfficerListState *officers_list_state(Control *panel);          // null for any other control
Officer          *officers_list_get_selected(Control *panel);   // null out of range

// An escape pod's remaining time as shown: whole days, rounded up.
int32_t officer_pod_days(int32_t minutes);
