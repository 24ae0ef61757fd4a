// The sector panel's orders: the galaxy screen builds the panel for the UI player and fills its
// Zoom button, its Set Course slot and its Combat slot with its own handlers.
#include "game/game.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/galaxy/sector_panel.h"

void starmap_show_sector_panel(Control *panel, GameObject *sector, int32_t options) {
    Game *game = game_get();
    if (!panel || !game) return;
    sector_panel_build(panel, sector, game->ui_player_id, uint32_t(options));
    sector_panel_set_zoom_handler(panel);
    sector_panel_set_course_handler(panel);
    sector_panel_set_combat_handler(panel);
}
