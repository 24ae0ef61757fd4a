// Ships list and ship rows.
#include "screens/ships/ships_list.h"

void ships_list_build(Control *, List<GameObject> *) {}
ShipsListState *ships_list_state(Control *) { return nullptr; }
GameObject *ships_list_get_selected(Control *) { return nullptr; }
void ships_list_refresh_rows(Control *) {}
void ships_list_set_select_handler(Control *, ControlFn) {}
void ship_row_init(Control *, GameObject *, uint32_t) {}
Control *ship_row_create(GameObject *, uint32_t) { return nullptr; }
ShipRowState *ship_row_state(Control *) { return nullptr; }
void ship_row_set_click_handler(Control *, ControlFn) {}
void ship_rows_align_columns(List<Control> *) {}
void ship_row_refresh(Control *) {}
