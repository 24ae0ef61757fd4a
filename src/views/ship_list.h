#pragma once
// Ship selection list: a flowing grid of ship rows (picture, name, armour bar, and for a piloted
// ship its rank and a crew bar) in which the galaxy panels pick and select ships, and the ship
// icon row, a compact read-only block of ship pictures that ends in "..." when they do not fit.
//  - The list control is a panel whose widget state is a ShipListState; it holds one reference
//    on every listed ship, let go when the control is freed.
//  - Row i belongs to ships[i]; a row's widget state is its ship (not owned), its user data the
//    list control, and its tag the selection word (SHIP_ROW_SELECTED / SHIP_ROW_UNSELECTED).
//  - "Visible" rows are shown ones, or hidden ones with a timed show pending; counts, masses and
//    speeds look only at visible rows, powers at every row.
//  - The list control's own user data is the owner's.
//  - Game thread only, like every control.
#include <cstdint>
#include "platform/list.h"
#include "ui/control.h"

struct GameObject;

constexpr int SHIP_ROW_SELECTED   = 100001;   // a row's selection word
constexpr int SHIP_ROW_UNSELECTED = 100002;

// Row children.
constexpr int SHIP_ROW_CREW_ICON   = 10001;
constexpr int SHIP_ROW_PICTURE     = 10002;
constexpr int SHIP_ROW_ARMOUR_BAR  = 10003;
constexpr int SHIP_ROW_NAME        = 10004;
constexpr int SHIP_ROW_CREW_BAR    = 10005;
constexpr int SHIP_ROW_ARMOUR_ICON = 10006;
constexpr int SHIP_ROW_RANK        = 10007;

// Build options.
constexpr int SHIP_LIST_HOVER_ROWS = 2;   // rows light up under the pointer
constexpr int SHIP_LIST_DARK       = 8;   // dark pulsing background
// Icon row options.
constexpr int SHIP_ICONS_OWNER_SQUARES = 2;

struct ShipListState {
    List<GameObject> ships;       // in the order given, one reference each
    List<Control>    rows;        // row i belongs to ships[i]
    int32_t          picked = -1; // index of the last clicked row
    ControlFn        on_pick = nullptr;
    ControlFn        on_wheel = nullptr;
    uint64_t         owner_filter = 0;
};

ShipListState *ship_list_state(Control *list);   // null when list is not a ship list
Control       *ship_list_create(List<GameObject> *ships, int width, ControlFn on_pick, int options);
void           ship_list_init(Control *list, List<GameObject> *ships, int width, ControlFn on_pick, int options);
void           ship_list_set_pick_handler(Control *list, ControlFn on_pick);
void           ship_list_set_wheel_handler(Control *list, ControlFn on_wheel);
GameObject    *ship_list_picked_ship(Control *list);   // ships[picked]; null out of range

void ship_list_set_row_selected(Control *list, GameObject *ship, bool selected);
void ship_list_select_visible(Control *list);
void ship_list_unselect_visible(Control *list);
bool ship_list_is_selected(Control *list, const GameObject *ship);
void ship_list_filter_owner(Control *list, uint64_t owner_id);

int32_t ship_list_count_visible(Control *list);
int32_t ship_list_count_selected(Control *list);
int32_t ship_list_selected_mass(Control *list);
int32_t ship_list_unselected_mass(Control *list);
int32_t ship_list_selected_power(Control *list);
int32_t ship_list_unselected_power(Control *list);
int32_t ship_list_selected_speed(Control *list);
int32_t ship_list_unselected_speed(Control *list);

// Row callbacks (each gets the row): a click stores the row's index as picked and calls the pick
// callback; the wheel calls the wheel callback; with SHIP_LIST_HOVER_ROWS an unselected row lights
// up under the pointer.
void ship_list_on_row_click(Control *row);
void ship_list_on_row_wheel(Control *row);
void ship_list_on_row_enter(Control *row);
void ship_list_on_row_leave(Control *row);

void ship_list_relayout(Control *list);
void ship_list_set_width(Control *list, int width);

Control *ship_icons_create(List<GameObject> *ships, int options);
void     ship_icons_build(Control *panel, List<GameObject> *ships, int options);
