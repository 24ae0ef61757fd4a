#pragma once
// The combat screen's read-only object panels: the unit status panel (control 531000) beside the
// selected object, the Active Ship panel and shot rows of the hover popup, the shot panel and the
// targeting panel the last two embed.
//  - None of these panels changes the model, and none names the screen that opens it. The unit
//    status panel's buttons call the command slots of its UnitStatusPanelState (slot k with the
//    panel; an empty slot does nothing); the opener fills slots 1 to 8 with panel_set_slot
//    (ui/panel_slots.h) after each fill, as it fills the shot panel's SHOT_PANEL_SLOT_BACK.
//  - The state holds one reference on the object shown; combat_row_data_free releases it with the
//    record. The picks are meaningful only during the slot-8 call that follows a press.
//  - Game thread only.
#include <cstdint>

#include "ui/panel.h"

struct GameObject;

// Style bits of unit_status_panel_fill.
constexpr int UNIT_STATUS_ANIMATE  = 1;   // the caption grows in; rows and bars ignore input for a while
constexpr int UNIT_STATUS_COMMANDS = 2;   // the acting ship's orders: retreat box, system rows, command bar
constexpr int UNIT_STATUS_OWN_SIDE = 4;   // the caption carries its close box
constexpr int UNIT_STATUS_OBSERVER = 8;   // without the orders: sensor lock, retreat box, "Status"

constexpr int UNIT_STATUS_INPUT_LOCK_MS = 200;
constexpr int UNIT_STATUS_ROW_WIDTH = 248;
constexpr int UNIT_STATUS_SENSOR_LOCK_BONUS = 30;   // the hit chance a known target gives away

// Child ids inside the unit status panel.
constexpr int UNIT_STATUS_CAPTION_ID   = 100001;
constexpr int UNIT_STATUS_RANK_ID      = 100002;
constexpr int UNIT_STATUS_PILOT_ID     = 100003;
constexpr int UNIT_STATUS_OWNER_ID     = 100004;
constexpr int UNIT_STATUS_TARGETING_ID = 100005;

// Children of a weapon row of the panel; the name label's grey, which the row's hover shades from.
constexpr int WEAPON_ROW_LABEL_ID = 100000;
constexpr int WEAPON_ROW_IMAGE_ID = 100001;
constexpr int WEAPON_ROW_LABEL_GREY = 220;

// Children of the targeting panel; the copy inside the shot panel has its own three.
constexpr int TARGETING_BOX_ID          = 100006;
constexpr int TARGETING_NAME_ID         = 100007;
constexpr int TARGETING_PICTURE_ID      = 100008;
constexpr int SHOT_TARGETING_BOX_ID     = 100002;
constexpr int SHOT_TARGETING_PICTURE_ID = 100003;
constexpr int SHOT_TARGETING_NAME_ID    = 100004;
constexpr int SHOT_PANEL_HEADER_ID      = 100001;

// Style bits of the info panels.
constexpr int INFO_STYLE_A      = 0x1;   // header button style
constexpr int INFO_STYLE_ACTIVE = 0x2;   // the acting object (also a header style bit)
constexpr int INFO_STYLE_MARKED = 0x4;   // a retreating ship, or a sensor lock on a shot

// The shot panel's one command slot: its header was pressed (after the flash and the close).
constexpr int SHOT_PANEL_SLOT_BACK = 0;

enum UnitStatusSlot : int {
    UNIT_STATUS_SLOT_CLOSE    = 0,
    UNIT_STATUS_SLOT_MOVE     = 1,
    UNIT_STATUS_SLOT_TURN     = 2,
    UNIT_STATUS_SLOT_SCAN     = 3,
    UNIT_STATUS_SLOT_END_TURN = 4,
    UNIT_STATUS_SLOT_STATUS   = 5,
    UNIT_STATUS_SLOT_RETREAT  = 6,
    UNIT_STATUS_SLOT_ABORT    = 7,
    UNIT_STATUS_SLOT_SYSTEM   = 8,
};

struct UnitStatusPanelState : PanelCommandSlots {   // slot[UnitStatusSlot]
    int32_t     picked_crit = -1;     // the crit of the row whose action button was pressed last
    int32_t     picked_action = -1;   // that button's action index within its system
    int32_t     clicked_row_id = 0;   // the id of the control pressed last
    GameObject *object = nullptr;     // one reference
};

// ---- unit_status_panel.cpp ----
// Rebuilds the panel for the object (nothing without one); its slots start empty.
void unit_status_panel_fill(Control *panel, GameObject *object, int style);
UnitStatusPanelState *unit_status_panel_state(Control *panel);   // null when the panel holds none
void unit_status_panel_get_pick(Control *panel, int32_t *crit, int32_t *action);

// ---- combat_info_panels.cpp ----
void     combat_active_ship_panel_fill(Control *panel, GameObject *ship, int style);
void     combat_shot_rows_fill(Control *panel, GameObject *shot, int style);
void     combat_shot_panel_fill(Control *panel, GameObject *shot, int style);
Control *combat_targeting_panel_build(GameObject *origin, GameObject *target);   // either may be null

void combat_weapon_row_hover_enter(Control *row);
void combat_weapon_row_hover_leave(Control *row);
void combat_weapon_row_toggle(Control *row);
void combat_weapon_row_click(Control *row);
void combat_status_button_move(Control *button);
void combat_status_button_turn(Control *button);
void combat_status_button_scan(Control *button);
void combat_status_button_end_turn(Control *button);
void combat_status_button_status(Control *button);
void combat_status_button_retreat(Control *button);
void combat_status_button_abort(Control *button);
void combat_panel_flash_and_close(Control *button);
void combat_panel_flash_and_back(Control *button);
void combat_row_data_free(void *state);
