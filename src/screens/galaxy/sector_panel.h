#pragma once
// The sector panel (object panel 400024): a sector's name and owner as the viewing player
// remembers them, the site icons, the ships present, and for an own sector the starbase's yields
// and what its starbase, shipyard and training site produce; Combat, Move and Zoom. Move turns
// it into the fleet move selection view (which ships go; Set Course or Cancel).
//  - The panel only builds controls; every order goes through its command slots, which the
//    galaxy screen fills right after the build (galaxy_sector_panel_fill).
//  - Its widget state is a SectorPanelState, freed with the panel. Its user data is the sector.
//  - Game thread only.
#include <cstdint>
#include "ui/control.h"

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

void     sector_panel_build(Control *panel, GameObject *sector, uint64_t viewer_id, uint32_t flags);
Control *sector_panel_ship_list(Control *panel);            // the ship list 100001, or null
GameObject *sector_panel_picked_ship(Control *panel);       // the clicked row's ship, or null
void     sector_panel_refresh_ship_list(Control *panel);
void     sector_panel_press_move(Control *panel);           // opens the selection view directly
