#pragma once
// The encounter choice dialog (object panel 400029): where a battle of the viewing player takes
// place, a battle map of every side, and "Retreat" or "Engage". It records the viewer's choice,
// lets the computer sides decide at the same moment, shows every decision and 2,000 ms later calls
// its owner back. It changes nothing else in the model: the galaxy screen fills its slots.
//  - Widget state: EncounterChoiceState, holding one reference on the encounter until the panel
//    is freed. The panel's user data is the encounter.
//  - The battle group panel (object panel 400030) lists one side's ships beside the dialog.
//  - Game thread only.
#include <cstdint>
#include "ui/panel.h"

struct Encounter;
struct GameObject;
struct Player;

// Dialog children.
constexpr int ENCOUNTER_DIALOG_MAP     = 100001;
constexpr int ENCOUNTER_DIALOG_BUTTONS = 100002;
constexpr int ENCOUNTER_DIALOG_ENGAGE  = 100003;
constexpr int ENCOUNTER_DIALOG_RETREAT = 100004;
constexpr int ENCOUNTER_DIALOG_TITLE   = 100005;
constexpr int ENCOUNTER_DIALOG_CLOSE   = 100006;

// Command slots of the dialog, in the PanelCommandSlots manner.
constexpr int ENCOUNTER_SLOT_SIDE_PICK   = 0;   // a side's group box was clicked
constexpr int ENCOUNTER_SLOT_CHOICE_MADE = 1;   // right after the viewer chose
constexpr int ENCOUNTER_SLOT_DIALOG_DONE = 2;   // 2,000 ms after the choice

void       encounter_choice_dialog_build(Control *panel, Encounter *encounter, uint64_t viewer_id);
void       encounter_choice_set_slot(Control *panel, int slot, ControlFn handler);
Player    *encounter_choice_picked_side(Control *panel);
Encounter *encounter_choice_encounter(Control *panel);

// The battle group panel of one side.
void        battle_group_panel_build(Control *panel, Encounter *encounter, uint64_t owner_id);
void        battle_group_panel_set_ship_handler(Control *panel, ControlFn handler);
Encounter  *battle_group_panel_encounter(Control *panel);
GameObject *battle_group_panel_picked_ship(Control *panel);
