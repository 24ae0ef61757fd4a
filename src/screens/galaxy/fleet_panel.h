#pragma once
// The fleet panel (object panel 400025): a fleet's name and owner, its travel status, its ships,
// its figures, what it meets in the sector where it stands, and the commands that fit. Move and
// Redirect turn it into the course selection (which ships go; Set Course or Cancel).
//  - The panel only builds controls; every order, and a ship row's pick, goes through its command
//    slots, which the opener fills right after the build (panel_set_slot). An empty slot does
//    nothing.
//  - Its widget state is a FleetPanelState, freed with the panel. Its user data is the fleet (no
//    reference held: the object panel holds the fleet).
//  - The owner rebuilds the panel after every command and every change of the fleet; only the
//    course selection changes it in place.
//  - Game thread only.
#include <cstdint>
#include "ui/panel.h"

struct Fleet;
struct GameObject;

// Build options.
constexpr uint32_t FLEET_PANEL_COMPACT   = 0x1;   // compact rows, list style 7, entry flash of the buttons
constexpr uint32_t FLEET_PANEL_CLOSE     = 0x2;   // a close button
constexpr uint32_t FLEET_PANEL_SECTOR    = 0x4;   // what the fleet meets in its sector; Speed even at 0
constexpr uint32_t FLEET_PANEL_OWN       = 0x8;   // the own fleet's commands, at least 250 px high

// Children by id.
constexpr int FLEET_PANEL_HEADER         = 100000;
constexpr int FLEET_PANEL_SHIP_LIST      = 100001;
constexpr int FLEET_PANEL_CLOSE_BUTTON   = 100002;
constexpr int FLEET_PANEL_BUTTONS        = 100003;
constexpr int FLEET_PANEL_SITUATION_INNER = 100004;   // the picture and names inside the situation box
constexpr int FLEET_PANEL_SITUATION      = 100005;
constexpr int FLEET_PANEL_STATUS         = 100006;
constexpr int FLEET_PANEL_KEPT_BUTTONS   = 100007;   // the command row while the selection runs
constexpr int FLEET_PANEL_SET_COURSE     = 100008;
constexpr int FLEET_PANEL_SELECT_PROMPT  = 100009;
constexpr int FLEET_PANEL_SCROLL_BAR     = 100010;
constexpr int FLEET_PANEL_ROWS           = 100011;
constexpr int FLEET_PANEL_SELECT_ALL     = 100012;
constexpr int FLEET_PANEL_CLEAR_SELECTION = 100013;
constexpr int FLEET_PANEL_BOX_SHIPS      = 100014;
constexpr int FLEET_PANEL_BOX_MASS       = 100015;
constexpr int FLEET_PANEL_BOX_SPEED      = 100016;
constexpr int FLEET_PANEL_BOX_LABEL      = 100018;
constexpr int FLEET_PANEL_MOVE_BUTTON    = 100019;
constexpr int FLEET_PANEL_BOX_DESTINATION = 100020;
constexpr int FLEET_PANEL_BOX_POWER      = 100021;

constexpr int FLEET_PANEL_LIST_CUT       = 300;   // a taller list is cut here and scrolls
constexpr int FLEET_PANEL_SCROLL_STEP    = 96;    // per arrow click
constexpr int FLEET_PANEL_WHEEL_STEP     = 24;    // per wheel notch
constexpr int FLEET_PANEL_BUTTON_FONT    = 6;     // the buttons' captions

// The command slots, in the order of the state record.
enum FleetPanelSlot : int32_t {
    FLEET_SLOT_CANCEL_DEPARTURE = 0,
    FLEET_SLOT_HALT             = 1,
    FLEET_SLOT_REDIRECT         = 2,    // Redirect of a fleet with fewer than two ships
    FLEET_SLOT_SET_COURSE       = 3,    // Set Course, or Move of a fleet with at most one ship
    FLEET_SLOT_SHIP_PICK        = 4,    // a ship row clicked outside the selection
    FLEET_SLOT_COMBAT           = 5,
    FLEET_SLOT_ATTACK_STARBASE  = 6,
    FLEET_SLOT_ABORT_STARBASE   = 7,
    FLEET_SLOT_SECTOR_MOVE      = 8,    // Move in the situation box
    FLEET_SLOT_ATTACK_DEFENSES  = 9,
    FLEET_SLOT_ABORT_DEFENSES   = 10,
    FLEET_SLOT_GATHER           = 11,   // Gather or Rescue
    FLEET_SLOT_CANCEL_GATHER    = 12,
    FLEET_SLOT_COUNT            = 13,
};

struct FleetPanelState : PanelCommandSlots {   // slot[FleetPanelSlot]
    uint8_t status_rgb[3] = {};   // the travel status line's colour, restored after the selection
    int32_t list_content_h = 0;   // the ship list's height before the cut
    int32_t column_x = 0, column_y = 0;   // where the selection's boxes stack
    int32_t height_before_selection = 0;  // the selection may grow the panel for its buttons
};

FleetPanelState *fleet_panel_state(Control *panel);   // null when the panel is not a fleet panel
Fleet           *fleet_panel_fleet(Control *panel);
Control         *fleet_panel_of_button(Control *button);   // the button's user data; null without a button

void fleet_panel_build(Control *panel, GameObject *fleet, uint32_t options);

Control    *fleet_panel_ship_list(Control *panel);     // the list 100001, or null
GameObject *fleet_panel_picked_ship(Control *panel);   // the clicked row's ship, or null
// The sector the panel's fleet stands in (where its ships are), or null.
GameObject *fleet_panel_sector(Control *panel);
void        fleet_panel_refresh_ship_list(Control *panel);
// Calls the slot with the panel when it is set.
void        fleet_panel_call_slot(Control *panel, FleetPanelSlot slot);

// Buttons: each gets the button, whose user data is the fleet panel, and calls one slot.
void fleet_panel_on_cancel_departure(Control *button);
void fleet_panel_on_halt(Control *button);
void fleet_panel_on_combat(Control *button);
void fleet_panel_on_attack_starbase(Control *button);
void fleet_panel_on_abort_starbase(Control *button);
void fleet_panel_on_sector_move(Control *button);
void fleet_panel_on_attack_defenses(Control *button);
void fleet_panel_on_abort_defenses(Control *button);
void fleet_panel_on_gather(Control *button);
void fleet_panel_on_cancel_gather(Control *button);
void fleet_panel_on_close(Control *button);   // flashes the panel's frame and removes it
void fleet_panel_on_ship_pick(Control *list); // the list's row callback outside the selection

// ---- The course selection (fleet_course.cpp) ----
void     fleet_panel_on_move(Control *button);       // one ship at most: straight to Set Course
void     fleet_panel_on_redirect(Control *button);   // one ship at most: straight to Redirect
void     fleet_panel_on_set_course(Control *button);
void     fleet_panel_on_cancel_select(Control *button);
void     fleet_panel_on_ship_toggle(Control *list);
void     fleet_panel_on_select_all(Control *button);
void     fleet_panel_on_clear_selection(Control *button);
void     fleet_panel_refresh_selection(Control *panel);
Control *fleet_panel_value_box_create();
