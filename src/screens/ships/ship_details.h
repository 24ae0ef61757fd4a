#pragma once
// The ship details panel: one ship's name, owner, commander row, stat bars, hull picture with a
// card for each fitted system, its label/value rows and, in the bottom-right corner, the command
// menu (ship_command_menu.cpp) that the confirmation dialogs and the crew transfer
// (crew_transfer.cpp) take the place of while they are open.
//  - The panel changes nothing in the game model but through the crew transfer: every other order
//    goes through the command slots of its ShipDetailsState, which the opening screen fills with
//    panel_set_slot right after ship_details_build. An empty slot does nothing.
//  - The panel's user data is the ship, on which it holds one reference; its widget state is the
//    ShipDetailsState, freed with it (the card list's references go with it).
//  - A snapshot copy (a player's memory of another player's ship) shows its stored commander name
//    and rank; its officer pointers are never followed.
//  - The panel is rebuilt rather than patched: ship_details_refresh renews the stat bars, the cards'
//    status lines and the command menu, and the commander row only when the commander changed.
//  - Game thread only.
#include <cstdint>
#include <string>
#include "platform/list.h"
#include "ui/control.h"
#include "ui/panel.h"

struct GameObject;

// Build flags.
constexpr uint32_t SHIP_PANEL_ANIMATE         = 0x1;
constexpr uint32_t SHIP_PANEL_TITLE_CLOSE     = 0x2;     // the title button's close box
constexpr uint32_t SHIP_PANEL_BACK            = 0x4;     // the menu's "Back"
constexpr uint32_t SHIP_PANEL_COMMANDS        = 0x8;     // the menu's ship commands
constexpr uint32_t SHIP_PANEL_CARDS           = 0x10;    // system cards around the hull picture
constexpr uint32_t SHIP_PANEL_BUILT_SHIELDS   = 0x20;    // "Built" and "Shields" rows
constexpr uint32_t SHIP_PANEL_EMPTY_MOUNTS    = 0x40;    // cards also for empty mounts
constexpr uint32_t SHIP_PANEL_LOCATION        = 0x80;    // "Location" row
constexpr uint32_t SHIP_PANEL_OFFER_OFFICERS  = 0x100;   // the commander row may offer the starbase's officers
constexpr uint32_t SHIP_PANEL_COMMANDER_CLICK = 0x200;   // the commander row is clickable for a commander
constexpr uint32_t SHIP_PANEL_SKILLS          = 0x400;   // the commander box shows skill icons
constexpr uint32_t SHIP_PANEL_AP_MP           = 0x800;   // "AP" and "MP" stat rows

// What the screens build with.
constexpr uint32_t SHIP_PANEL_GALAXY_OWN      = 0xFBB;   // the UI player's ship, live
constexpr uint32_t SHIP_PANEL_GALAXY_OTHER    = 0x4B3;   // the UI player's snapshot of another's ship
constexpr uint32_t SHIP_PANEL_COMBAT_OWN      = 0xE33;
constexpr uint32_t SHIP_PANEL_COMBAT_OTHER    = 0x833;
constexpr uint32_t SHIP_PANEL_COMBAT_SNAPSHOT = 0xC33;

// Children by id.
constexpr int SHIP_PANEL_ID_HULL      = 100001;
constexpr int SHIP_PANEL_ID_TITLE     = 100002;
constexpr int SHIP_PANEL_ID_ROWS      = 100003;   // the label/value rows
constexpr int SHIP_PANEL_ID_STATS     = 100004;   // the stat bars
constexpr int SHIP_PANEL_ID_COMMANDER = 100005;
constexpr int SHIP_PANEL_ID_MENU      = 100006;
constexpr int SHIP_PANEL_ID_CONFIRM   = 100007;
constexpr int SHIP_PANEL_ID_SLIDER    = 100008;   // inside the crew transfer dialog
constexpr int SHIP_PANEL_ID_TRANSFER  = 100009;
constexpr int SHIP_PANEL_ID_OWNER     = 100012;
// The command menu's buttons with ids.
constexpr int SHIP_MENU_ID_TRANSFER = 100010;
constexpr int SHIP_MENU_ID_REPAIR   = 100011;
constexpr int SHIP_MENU_TAG         = 1;
// The hull picture, its cards and their connector lines move together.
constexpr int SHIP_PANEL_HULL_GROUP = 2;
// The commander row's reason popup among the top-level controls.
constexpr int SHIP_PANEL_REASON_ID  = 2841407;
constexpr int SHIP_PANEL_REASON_TAG = 101;
constexpr int SHIP_PANEL_MIN_COMMANDER_WIDTH = 180;
constexpr int SHIP_PANEL_CARD_DWELL_MS = 475;

// Command slots.
constexpr int SHIP_DETAILS_SLOT_BACK             = 0;
constexpr int SHIP_DETAILS_SLOT_CONSTRUCT        = 1;   // "Yes, construct"
constexpr int SHIP_DETAILS_SLOT_SCRAP            = 2;   // "Yes, scrap"
constexpr int SHIP_DETAILS_SLOT_CLOSE            = 3;   // the title button closed the panel
constexpr int SHIP_DETAILS_SLOT_OFFICER_ROW      = 4;   // the commander row was clicked
constexpr int SHIP_DETAILS_SLOT_REPAIR           = 5;   // "Repair" / "Reload"
constexpr int SHIP_DETAILS_SLOT_CREW_TRANSFERRED = 6;   // the crew transfer was accepted

struct ShipDetailsState : PanelCommandSlots {
    List<Control> cards;                  // the system cards in mount order, one reference each
    uint64_t      shown_officer_id = 0;   // the commander the row was built clickable for; 0 otherwise
    std::string   officer_row_reason;     // why the row cannot offer officers; empty: no reason
    uint32_t      flags = 0;              // the build flags
};

ShipDetailsState *ship_details_state(Control *panel);   // null for any other control
GameObject     *ship_details_ship(Control *panel);    // the ship shown, or null

void ship_details_build(Control *panel, GameObject *ship, uint32_t flags);
// Enables the commander row when SHIP_DETAILS_SLOT_OFFICER_ROW is filled and disables it when empty (an
// opening animation's hold on the row ends with it); the opener calls it after filling that slot.
void ship_details_sync_officer_row(Control *panel);
void ship_details_refresh(Control *panel);
void ship_details_set_title(Control *panel, const char *text);   // the owner line's text
// The commander row's place on the screen and size (each output may be null); all 0 without a row.
void ship_details_get_commander_rect(Control *panel, int32_t *x, int32_t *y, int32_t *w, int32_t *h);
// Calls slot k with the panel when it is set.
void ship_details_call_slot(Control *panel, int slot);

// The title button, the commander row and its reason popup, the cards' popups.
void ship_details_on_close(Control *title);
void ship_details_on_officer_row(Control *row);
void ship_details_reason_show(Control *row);
void ship_details_reason_hide(Control *row);
void ship_details_card_hint_show(Control *card);
void ship_details_card_hint_hide(Control *card);

// ---- The command menu (ship_command_menu.cpp) ----
// Builds the buttons that apply into a new panel, child SHIP_PANEL_ID_MENU of the ship panel;
// null, adding nothing, when none applies. The caller positions it.
Control *ship_command_menu_build(Control *panel, GameObject *ship, uint32_t flags);
// Shows the menu again after a dialog took its place.
void ship_command_menu_show(Control *panel);
void ship_command_menu_on_repair(Control *button);
void ship_command_menu_on_back(Control *button);
void ship_command_menu_on_scrap(Control *button);
void ship_command_menu_on_construct(Control *button);
void ship_command_menu_on_scrap_yes(Control *button);
void ship_command_menu_on_scrap_no(Control *button);
void ship_command_menu_on_construct_yes(Control *button);
void ship_command_menu_on_construct_no(Control *button);
// Fades the open confirmation out and shows the menu again, the panel's border back to its glow.
void ship_command_menu_confirm_close(Control *panel);

// ---- The crew transfer (crew_transfer.cpp) ----
void crew_transfer_open(Control *button);
void crew_transfer_apply(Control *button);
void crew_transfer_cancel(Control *button);
// Fades the open dialog out and shows the menu again; nothing without one.
void crew_transfer_close(Control *panel);
