// The sector view's minimap: where the shown sector lies in the galaxy.
#include <vector>

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

// Live, or made earlier in this frame and not yet in the live list.
bool minimap_exists(const Game *game) {
    if (game_find_control(game, GALAXY_ID_SECTOR_MINIMAP)) return true;
    for (const Control *c : game->new_controls ? game->new_controls->items : std::vector<Control *>{})
        if (c && c->id == GALAXY_ID_SECTOR_MINIMAP && !(c->flags & CTRL_REMOVED)) return true;
    return false;
}

}  // namespace

void galaxy_sector_minimap_create(GameObject *sector) {
    Game *game = game_get();
    if (!game || minimap_exists(game)) return;
    Control *panel = panel_create_empty();
    if (!panel) return;
    map_marker_panel_build(panel);
    if (sector) map_marker_place(panel, sector->x, sector->y);
    const int x = ui_screen_width() - panel->w - MINIMAP_RIGHT_MARGIN;
    game_add_control(game, x, MINIMAP_TOP, GALAXY_ID_SECTOR_MINIMAP, 0, panel);
}
