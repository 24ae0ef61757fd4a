#pragma once
// The sector panel (object panel 400024): a sector's name and owner as the viewing player
// remembers them, the site icons, the ships present, and for an own sector the starbase's yields
// and what its starbase, shipyard and training site produce; Combat, Move and Zoom. Move turns
// it into the fleet move selection view (which ships go; Set Course or Cancel).
//  - The panel only builds controls; every order goes through its command slots, which the
//    opener fills right after the build (panel_set_slot). An empty slot does nothing.
//  - Its widget state is a SectorPanelState, freed with the panel. Its user data is the sector,
//    on which it holds one reference.
//  - Names, owner and site icons come from the viewer's memory of the sector; a sector the viewer
//    does not remember (yet) shows the live sector's name, "Unclaimed" and no icons. Ships, yields
//    and production always come from the live sector.
//  - Handlers find children by id among those not removed and skip a step whose control is gone.
//  - Game thread only.
#include <cstdint>
#include "ui/control.h"
#include "ui/panel.h"

struct GameObject;

// Build flags.
constexpr uint32_t SECTOR_PANEL_STYLE_1  = 0x1;    // header style bit 1; entry flash; animated resize
constexpr uint32_t SECTOR_PANEL_COMMAND  = 0x4;    // Combat or Move when the viewer has objects there
constexpr uint32_t SECTOR_PANEL_STYLE_2  = 0x8;    // header style bit 2
constexpr uint32_t SECTOR_PANEL_ZOOM     = 0x10;   // a Zoom button
constexpr uint32_t SECTOR_PANEL_OWN      = 0x20;   // yield rows and production boxes

// Children by id.
constexpr int SECTOR_PANEL_SHIP_LIST      = 100001;
constexpr int SECTOR_PANEL_HEADER         = 100004;
constexpr int SECTOR_PANEL_BUTTONS        = 100005;
constexpr int SECTOR_PANEL_ZOOM_BUTTON    = 100006;
constexpr int SECTOR_PANEL_MOVE_BUTTON    = 100007;
constexpr int SECTOR_PANEL_OWNER_LABEL    = 100008;
constexpr int SECTOR_PANEL_SELECT_PROMPT  = 100009;
constexpr int SECTOR_PANEL_SET_COURSE     = 100010;
constexpr int SECTOR_PANEL_HIDDEN_BUTTONS = 100011;
constexpr int SECTOR_PANEL_SITE_ICONS     = 100012;
constexpr int SECTOR_PANEL_SCROLL_BAR     = 100013;
constexpr int SECTOR_PANEL_ROWS           = 100014;
constexpr int SECTOR_PANEL_SELECT_ALL     = 100015;
constexpr int SECTOR_PANEL_CLEAR_SELECTION = 100016;
constexpr int SECTOR_PANEL_STARBASE_BOX   = 100017;
constexpr int SECTOR_PANEL_SHIPYARD_BOX   = 100018;
constexpr int SECTOR_PANEL_TRAINING_BOX   = 100019;

// The ship list's shown height and its scrolling steps.
constexpr int SECTOR_PANEL_LIST_WIDTH  = 442;
constexpr int SECTOR_PANEL_LIST_SHOWN  = 300;
constexpr int SECTOR_PANEL_WHEEL_STEP  = 24;    // per wheel notch
constexpr int SECTOR_PANEL_ARROW_STEP  = 96;    // per arrow click

constexpr int SECTOR_PANEL_BUTTON_FONT = 6;    // the buttons' captions

// Command slots.
constexpr int SECTOR_SLOT_SHIP_PICK  = 1;   // a ship row was clicked in the normal view
constexpr int SECTOR_SLOT_SET_COURSE = 2;   // "Set Course" (or Move with one object at the sector)
constexpr int SECTOR_SLOT_COMBAT     = 3;   // "Combat"
constexpr int SECTOR_SLOT_ZOOM       = 4;   // "Zoom"

struct SectorPanelState : PanelCommandSlots {
    uint32_t flags = 0;               // the build flags
    uint8_t  owner_rgb[3] = {};       // the owner label's colour, for Cancel to fade back to
    uint64_t viewer_id = 0;
    int32_t  list_y = 0;              // where the ship list stands in the normal view
    int32_t  list_height = 0;         // full height of the list's rows
    int32_t  rows_y = 0;              // the yield rows
    int32_t  stats_y = 0;             // the selection statistics
    int32_t  object_count = 0;        // entries of the sector's object list at the build
};

SectorPanelState *sector_panel_state(Control *panel);   // null for any other panel
// The sector panel a control belongs to: the control's user data (the list's too); null when that
// is no sector panel.
Control          *sector_panel_of_control(Control *ctrl);

void        sector_panel_build(Control *panel, GameObject *sector, uint64_t viewer_id, uint32_t flags);
Control    *sector_panel_ship_list(Control *panel);            // the ship list 100001, or null
GameObject *sector_panel_picked_ship(Control *panel);          // the clicked row's ship, or null
void        sector_panel_refresh_ship_list(Control *panel);
// The starbase rows of an own sector's normal view take the sector's figures as they stand now.
void        sector_panel_refresh_rows(Control *panel);
Control    *sector_yield_rows_create(GameObject *sector);       // null without a sector
// The starbase, shipyard and training boxes of the sector, left to right, 6 pixels below the rows.
void        sector_panel_add_production_boxes(Control *panel, GameObject *sector, const Control *rows);

// Buttons and the list (each gets the clicked control; the panel is its user data).
void sector_panel_on_close(Control *header);
void sector_panel_on_combat(Control *button);
void sector_panel_on_ship_pick(Control *list);
void sector_panel_on_set_course(Control *button);
void sector_panel_on_zoom(Control *button);

// The fleet move selection view.
void sector_panel_on_move(Control *button);
void sector_panel_press_move(Control *panel);           // opens the selection view directly
void sector_panel_on_cancel_move(Control *button);
void sector_panel_on_ship_toggle(Control *list);
void sector_panel_on_select_all(Control *button);
void sector_panel_on_clear_selection(Control *button);
