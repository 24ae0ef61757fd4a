// The sector view's minimap: where the shown sector lies in the galaxy.
#include "game/game.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "ui/game_controls.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"
#include "views/map_marker_panel.h"
#include "world/object.h"

namespace {

constexpr int MINIMAP_RIGHT_MARGIN = 6;
constexpr int MINIMAP_TOP = 40;

}  // namespace

void galaxy_sector_minimap_create(GameObject *sector) {
    Game *game = game_get();
    if (!game || game_find_control(game, GALAXY_ID_SECTOR_MINIMAP)) return;
    Control *panel = panel_create_empty();
    if (!panel) return;
    map_marker_panel_build(panel);
    if (sector) map_marker_place(panel, sector->x, sector->y);
    game_add_control(game, ui_screen_width() - panel->w - MINIMAP_RIGHT_MARGIN, MINIMAP_TOP, GALAXY_ID_SECTOR_MINIMAP, 0,
                     panel);
}
