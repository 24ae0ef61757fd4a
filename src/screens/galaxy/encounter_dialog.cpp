// Stand-in until the encounter dialog lands: it builds nothing and finds nothing.
#include "screens/galaxy/encounter_dialog.h"

void        encounter_choice_dialog_build(Control *, Encounter *, uint64_t) {}
void        encounter_choice_set_slot(Control *, int, ControlFn) {}
Player     *encounter_choice_picked_side(Control *) { return nullptr; }
Encounter  *encounter_choice_encounter(Control *) { return nullptr; }
void        battle_group_panel_build(Control *, Encounter *, uint64_t) {}
void        battle_group_panel_set_ship_handler(Control *, ControlFn) {}
Encounter  *battle_group_panel_encounter(Control *) { return nullptr; }
GameObject *battle_group_panel_picked_ship(Control *) { return nullptr; }
