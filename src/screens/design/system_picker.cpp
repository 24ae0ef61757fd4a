#include "screens/design/design_editor.h"

void design_on_mount_click(Control *) {}
void system_list_build(Control *, List<System> *) {}
Control * system_row_build(Control *, System *, int ) { return nullptr; }
void system_row_on_click(Control *) {}
void system_row_on_hover_enter(Control *) {}
void system_row_on_dwell(Control *) {}
void system_row_on_hover_leave(Control *) {}
void system_list_on_wheel(Control *) {}
System * system_list_get_picked(Control *) { return nullptr; }
void system_row_set_width(Control *, int ) {}
void system_list_on_scroll(Control *) {}
void system_list_page_down(Control *) {}
void system_list_page_up(Control *) {}
void system_list_scroll_wheel(Control *) {}
void system_list_set_pick_handler(Control *, ControlFn ) {}
void system_list_state_free(void *) {}
void design_on_system_picked(Control *) {}
void design_picker_cancel(Control *) {}
List<System> * design_picker_candidates(Player *, Ship *, int32_t ) { return nullptr; }
