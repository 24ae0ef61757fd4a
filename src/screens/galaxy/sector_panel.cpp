// Stand-in until the sector panel lands: only its ship list is found.
#include "screens/galaxy/sector_panel.h"

#include "ui/panel.h"

void        sector_panel_build(Control *, GameObject *, uint64_t, uint32_t) {}
Control    *sector_panel_ship_list(Control *panel) { return panel ? panel_find_child(panel, SECTOR_PANEL_SHIP_LIST) : nullptr; }
GameObject *sector_panel_picked_ship(Control *) { return nullptr; }
void        sector_panel_refresh_ship_list(Control *) {}
void        sector_panel_press_move(Control *) {}
