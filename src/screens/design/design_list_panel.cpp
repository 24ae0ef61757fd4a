#include "screens/design/design_list_panel.h"

DesignListState *design_list_state(Control *) { return nullptr; }
void design_list_build(Control *, Site *, ControlFn) {}
Control *design_list_create(Site *) { return nullptr; }
void design_list_refresh(Control *) {}
GameObject *design_list_get_picked(Control *) { return nullptr; }
void design_list_state_free(void *) {}
void design_list_on_row_click(Control *) {}
void design_list_on_wheel(Control *) {}
void design_list_on_scroll(Control *) {}
void design_list_on_scroll_down(Control *) {}
void design_list_on_scroll_up(Control *) {}
void design_list_on_scroll_wheel(Control *) {}
