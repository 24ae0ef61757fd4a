#include "screens/design/design_summary_panel.h"

DesignPanelState *design_panel_state(Control *) { return nullptr; }
void design_screen_build(Control *, GameObject *, Site *) {}
GameObject *design_screen_get_design(Control *) { return nullptr; }
void design_screen_set_scrap_handler(Control *) {}
void design_screen_set_build_handler(Control *) {}
void design_screen_set_edit_handler(Control *) {}
void design_screen_on_close(Control *) {}
void design_screen_on_build(Control *) {}
void design_screen_on_edit(Control *) {}
void design_screen_on_scrap(Control *) {}
void design_screen_on_scrap_yes(Control *) {}
void design_screen_on_scrap_no(Control *) {}
void design_screen_cost_popup_open(Control *) {}
void design_screen_system_popup_open(Control *) {}
void design_screen_popup_close(Control *) {}
