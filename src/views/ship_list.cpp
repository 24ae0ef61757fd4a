// Stand-in until the ship selection list lands: every entry does nothing and finds nothing.
#include "views/ship_list.h"

ShipListState* ship_list_state(Control *) { return nullptr; }
Control* ship_list_create(List<GameObject> *, int, ControlFn, int) { return nullptr; }
void ship_list_init(Control *, List<GameObject> *, int, ControlFn, int) {}
void ship_list_set_pick_handler(Control *, ControlFn) {}
void ship_list_set_wheel_handler(Control *, ControlFn) {}
GameObject* ship_list_picked_ship(Control *) { return nullptr; }
void ship_list_set_row_selected(Control *, GameObject *, bool) {}
void ship_list_select_visible(Control *) {}
void ship_list_unselect_visible(Control *) {}
bool ship_list_is_selected(Control *, const GameObject *) { return false; }
void ship_list_filter_owner(Control *, uint64_t) {}
int32_t ship_list_count_visible(Control *) { return 0; }
int32_t ship_list_count_selected(Control *) { return 0; }
int32_t ship_list_selected_mass(Control *) { return 0; }
int32_t ship_list_unselected_mass(Control *) { return 0; }
int32_t ship_list_selected_power(Control *) { return 0; }
int32_t ship_list_unselected_power(Control *) { return 0; }
int32_t ship_list_selected_speed(Control *) { return 0; }
int32_t ship_list_unselected_speed(Control *) { return 0; }
void ship_list_relayout(Control *) {}
void ship_list_set_width(Control *, int) {}
Control* ship_icons_create(List<GameObject> *, int) { return nullptr; }
void ship_icons_build(Control *, List<GameObject> *, int) {}
