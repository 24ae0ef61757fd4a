#include "screens/design/design_editor.h"

void design_editor_build(Control *) {}
void design_on_name_changed(Control *) {}
void design_on_accept(Control *) {}
void design_on_back(Control *) {}
void design_on_cancel(Control *) {}
void design_on_upgrade(Control *) {}
void design_refresh_stats(Control *) {}
bool design_upgrade_available(Control *) { return false; }
void design_set_accept_handler(Control *, ControlFn ) {}
void design_set_configured_handler(Control *) {}
Ship    * design_get_ship(Control *) { return nullptr; }
void design_release_ship(Control *) {}
uint64_t design_get_edited_id(Control *) { return 0; }
Control * design_mount_card(Control *, int32_t ) { return nullptr; }
