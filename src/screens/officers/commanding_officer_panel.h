#pragma once
// The commanding officer panel: moves one officer to a new post in its sector, the command of
// another of its owner's ships there, the command of the sector's starbase or the starbase's
// officer pool, one clickable row each.
//  - The panel changes nothing: a row click records the row and calls slot 4, "Cancel" calls slot
//    5; the opener fills both after commanding_officer_panel_build. An empty slot does nothing.
//    A click on the title closes the panel without calling a slot.
//  - Its widget state is a CommandingOfficerState: one reference on the officer, released with
//    the panel; the ship targets are not held (the panel is rebuilt, never updated).
//  - Game thread only.
#include <cstdint>
#include "platform/list.h"
#include "ui/control.h"
#include "ui/panel.h"

struct GameObject;
struct Officer;

// Children of the panel, and of the starbase rows.
constexpr int COMMANDING_ID_LIST          = 100001;
constexpr int COMMANDING_ID_TITLE         = 100003;
constexpr int COMMANDING_ID_PORTRAIT      = 100004;
constexpr int COMMANDING_ID_SCROLL        = 100011;
constexpr int COMMANDING_ID_HEADER        = 100012;   // "Commanding Officer"
constexpr int COMMANDING_ID_POST          = 100013;   // "Starship %s" / "Starbase %s"
constexpr int COMMANDING_ID_STARBASE_ROW  = 100015;
constexpr int COMMANDING_ID_CANCEL        = 100017;
constexpr int COMMANDING_ROW_ID_PICTURE   = 100002;
constexpr int COMMANDING_ROW_ID_CAPTION   = 100006;
constexpr int COMMANDING_ROW_ID_BOX       = 100014;
constexpr int COMMANDING_ROW_ID_ICON      = 100016;

constexpr int COMMANDING_LIST_MAX_HEIGHT = 280;   // a taller list scrolls
constexpr int COMMANDING_WHEEL_STEP = 24;
constexpr int COMMANDING_ARROW_STEP = 32;

constexpr int COMMANDING_SLOT_PICK = 4;
constexpr int COMMANDING_SLOT_BACK = 5;

struct CommandingOfficerState : PanelCommandSlots {
    Officer         *officer = nullptr;   // one reference
    List<GameObject> targets;             // the ship of each ship row, in row order (not held)
    List<Control>    rows;                // ship rows, then "Starbase", then the officer-pool row
    int32_t          content_height = 0;  // of the whole row list
    int32_t          picked_row = -1;
    int32_t          picked_command = 0;  // 1: the "Starbase" row (its command) was picked
};

CommandingOfficerState *commanding_officer_panel_state(Control *panel);   // null for any other control

void commanding_officer_panel_build(Control *panel, Officer *officer);
// The post picked: the ship of the picked ship row, else the starbase of the officer's sector
// (null when there is none); as_commander tells whether the starbase's command was picked.
GameObject *commanding_officer_panel_target(Control *panel, int32_t *as_commander);
// The sector the officer serves in: its ship's, else its own; null when neither names a sector.
struct Sector *commanding_officer_sector(const Officer *officer);

void commanding_officer_panel_on_row(Control *row);
void commanding_officer_panel_on_cancel(Control *button);
void commanding_officer_panel_on_title(Control *title);
