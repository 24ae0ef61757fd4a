#pragma once
// The encounter choice dialog (object panel 400029): where a battle of the viewing player takes
// place, a battle map of every side, and "Retreat" or "Engage". It records the viewer's choice,
// lets the computer sides decide at the same moment, shows every decision and 2,000 ms later calls
// its opener back. It changes nothing else in the model: the opener fills its slots (panel_set_slot).
//  - Widget state: EncounterDialogState, holding one reference on the encounter until the panel
//    is freed. The panel's user data is the encounter.
//  - The battle map (child 100001) draws every ship and site of the battle at its start position,
//    scaled to 400 px across, each owner's objects in a clickable group box with its totals.
//  - The battle group panel (object panel 400030) lists one side's ships beside the dialog.
//  - Calling order: build, fill the slots, show; then `on_side_pick` any number of times, and
//    either `on_choice_made` (and 2,000 ms later `on_dialog_done`) or the close box, which removes
//    the dialog without a choice.
//  - Game thread only.
#include <cstdint>
#include <vector>
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

// Image types of the dialog: the two decisions (also the map's choice icons) and the close box.
constexpr int ENCOUNTER_IMAGE_RETREAT = 2;
constexpr int ENCOUNTER_IMAGE_ENGAGE  = 69;

constexpr int ENCOUNTER_CHOICE_RETREAT = 0;
constexpr int ENCOUNTER_CHOICE_ENGAGE  = 1;
constexpr int ENCOUNTER_DONE_DELAY_MS  = 2000;   // from the choice to `on_dialog_done`

// Command slots of the dialog.
constexpr int ENCOUNTER_SLOT_SIDE_PICK   = 0;   // a side's group box was clicked
constexpr int ENCOUNTER_SLOT_CHOICE_MADE = 1;   // right after the viewer chose
constexpr int ENCOUNTER_SLOT_DIALOG_DONE = 2;   // 2,000 ms after the choice

struct EncounterDialogState : PanelCommandSlots {   // slots ENCOUNTER_SLOT_*
    Player    *picked_side = nullptr;    // owner of the group box clicked last (not owned)
    Encounter *encounter = nullptr;      // one reference
};

void       encounter_dialog_build(Control *panel, Encounter *encounter, uint64_t viewer_id);
EncounterDialogState *encounter_dialog_state(Control *panel);   // null for any other panel
Player    *encounter_dialog_picked_side(Control *panel);
Encounter *encounter_dialog_encounter(Control *panel);

// Button callbacks (the button's user data is the dialog), the map's group pick inside the
// dialog (the map's user data is the dialog), and the dialog's one-shot timer.
void encounter_dialog_on_retreat(Control *button);
void encounter_dialog_on_engage(Control *button);
void encounter_dialog_on_close(Control *button);
void encounter_dialog_on_side_pick(Control *map);
void encounter_dialog_on_timer(Control *dialog);

// ---- The battle map ----------------------------------------------------------------------------
constexpr int BATTLE_MAP_WIDTH     = 400;
constexpr int BATTLE_MAP_GROUP_BOX = 800001;   // every group box
constexpr int BATTLE_MAP_GROW_OPEN = 1;        // build option: the map area grows open

// Each marker is an image control of the given-sprite type whose user data is its object (not
// owned); a marker without a loaded picture keeps the control's smallest size.
// One owner's group box and its Mass/Power rows, in the order the owners were met.
struct BattleMapGroup {
    Player  *owner = nullptr;       // not owned
    Control *box = nullptr;         // one reference
    Control *rows = nullptr;        // one reference; null until the captions are laid
};

struct BattleMapState {
    std::vector<BattleMapGroup> groups;
    ControlFn  on_group_pick = nullptr;   // called with the map when a group box is clicked
    Player    *picked_owner = nullptr;
    Encounter *encounter = nullptr;       // not referenced: the embedding dialog holds it
};

// The map's height for a field: field height x 400 / field width, a field side below 1 taken as 1.
int32_t         battle_map_height(const Encounter *encounter);
void            battle_map_build(Control *panel, Encounter *encounter, int options);
BattleMapState *battle_map_state(Control *panel);   // null for any other panel
void            battle_map_set_pick_handler(Control *panel);   // the dialog's side pick
Player         *battle_map_picked_owner(Control *panel);
void            battle_map_on_group_click(Control *box);
void            battle_map_reveal_choices(Control *panel);
// The name a side goes by: the battle's own text for the viewing player when it has one.
const char     *battle_side_name(const Encounter *enc, const Player *owner);

// ---- The battle group panel --------------------------------------------------------------------
constexpr int BATTLE_GROUP_TITLE = 100001;
constexpr int BATTLE_GROUP_LIST  = 100003;
constexpr int BATTLE_GROUP_WIDTH = 412;
constexpr int BATTLE_GROUP_SLOT_SHIP_PICK = 0;   // a ship row was picked (its ship: battle_group_panel_picked_ship)

void        battle_group_panel_build(Control *panel, Encounter *encounter, uint64_t owner_id);
Encounter  *battle_group_panel_encounter(Control *panel);
GameObject *battle_group_panel_picked_ship(Control *panel);
