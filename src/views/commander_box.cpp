// Commander box and officer chooser.
#include "views/commander_box.h"

void commander_box_init(Control *, const Officer *, uint32_t) {}
Control *commander_box_create(const Officer *, uint32_t) { return nullptr; }
Control *commander_box_create_named(const char *, int32_t, uint32_t) { return nullptr; }
CommanderBoxState *commander_box_state(Control *) { return nullptr; }
int32_t commander_box_get_name_width(Control *) { return 0; }
int32_t commander_box_get_skill_width(Control *) { return 0; }
void commander_box_align_columns(Control *, int32_t, int32_t) {}
void commander_boxes_align(List<Control> *) {}
Control *officer_chooser_create(GameObject *, ControlFn) { return nullptr; }
void officer_chooser_init(Control *, GameObject *, ControlFn) {}
OfficerChooserState *officer_chooser_state(Control *) { return nullptr; }
Officer *officer_chooser_get_selected(Control *) { return nullptr; }
