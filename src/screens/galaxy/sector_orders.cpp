// The sector panel's orders: the galaxy screen builds the panel for the UI player and fills its
// slots with its own handlers: a ship row's pick, Set Course, Combat and Zoom.
#include "game/game.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/galaxy/sector_panel.h"
#include "ui/panel_slots.h"
#include "views/ship_list.h"

namespace {

// A ship row was picked: the ship panel opens beside the clicked row.
void open_ship_beside_sector_row(Control *panel) {
    if (!sector_panel_picked_ship(panel)) return;
    ShipListState *s = ship_list_state(sector_panel_ship_list(panel));
    if (s->picked >= list_count(&s->rows)) return;
    galaxy_sector_on_pick_ship(s->rows.items[size_t(s->picked)]);
}

}  // namespace

void galaxy_show_sector_panel(Control *panel, GameObject *sector, int32_t options) {
    Game *game = game_get();
    if (!panel || !game) return;
    sector_panel_build(panel, sector, game->ui_player_id, uint32_t(options));
    panel_set_slot(panel, SECTOR_SLOT_SHIP_PICK, open_ship_beside_sector_row);
    panel_set_slot(panel, SECTOR_SLOT_SET_COURSE, galaxy_sector_on_set_course);
    panel_set_slot(panel, SECTOR_SLOT_COMBAT, galaxy_sector_on_combat);
    panel_set_slot(panel, SECTOR_SLOT_ZOOM, galaxy_sector_on_enter);
}
