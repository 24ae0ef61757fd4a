// The officer pool list and the starbase "Assign Officer" dialog.
#include "screens/sites/officer_pool.h"

Control *officer_pool_panel_create(GameObject *, int32_t, int32_t, uint32_t) { return nullptr; }
void officer_pool_panel_init(Control *, GameObject *, int32_t, int32_t, uint32_t) {}
OfficerPoolState *officer_pool_state(Control *) { return nullptr; }
Officer *officer_pool_get_picked(Control *) { return nullptr; }
void officer_pool_set_pick_handler(Control *, ControlFn) {}
void officer_pool_on_row(Control *) {}
void officer_pool_on_scroll(Control *) {}
void officer_pool_scroll_forward(Control *) {}
void officer_pool_scroll_back(Control *) {}
void officer_pool_on_wheel(Control *) {}
void officer_assign_dialog(Control *, GameObject *, uint32_t) {}
