#pragma once
// Shared by the galaxy screen's sources only: the constants and small helpers two or more of them
// use alike.
//  - Game thread only, like the screen and its panels.
#include <cstdint>
#include <string>
#include "platform/str.h"
#include "screens/galaxy/fleet_panel.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/sector_panel.h"
#include "screens/sites/site_panel.h"
#include "ui/control.h"
#include "ui/panel.h"
#include "world/object.h"

namespace galaxy_detail {

// Object panel options (what the panel shows and offers).
constexpr int32_t SECTOR_OPTIONS = SECTOR_PANEL_STYLE_1 | SECTOR_PANEL_STYLE_2;
constexpr int32_t SECTOR_OPTIONS_OWN = SECTOR_PANEL_STYLE_1 | SECTOR_PANEL_STYLE_2 | SECTOR_PANEL_ZOOM | SECTOR_PANEL_OWN;
constexpr int32_t SECTOR_OPTIONS_PRESENT = SECTOR_PANEL_COMMAND | SECTOR_PANEL_ZOOM;   // the UI player has objects there
constexpr int32_t FLEET_OPTIONS_STARMAP = FLEET_PANEL_COMPACT | FLEET_PANEL_CLOSE | FLEET_PANEL_OWN;
constexpr int32_t SITE_OPTIONS = SITE_PANEL_ANIMATE | SITE_PANEL_CLOSE;

constexpr int SITE_ITEM_HARVESTING = 6;
constexpr int HOVER_GAP = 4;          // between the hovered marker or object and the hover panel
constexpr int SHIP_ICONS_STYLE = 3;   // the ship icon rows of the fleet summary and the sector information

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

inline void centre_of(const GameObject *o, int *x, int *y) {
    *x = o->x + o->w / 2;
    *y = o->y + o->h / 2;
}

inline void hide(Control *c) {
    if (c) control_set_hidden(c, false);
}

inline void release_object(void *object) { object_release(static_cast<GameObject *>(object)); }

// The panel area as the bounds of the panel's placement items.
inline void add_panel_area(Control *panel) {
    const GalaxyRect &area = galaxy_screen()->panel_area;
    panel_add_item(panel, PLACE_BOUNDS, area.x1, area.y1, area.x2 - area.x1 + 1, area.y2 - area.y1 + 1);
}

inline std::string days_text(int32_t days) { return str_format("%i day%s", int(days), days == 1 ? "" : "s"); }

}  // namespace galaxy_detail
