// Stand-ins until the panels files of the galaxy screen land; deleted with them.
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"

void galaxy_hover_update() {}
void galaxy_map_click() {}
Control *galaxy_object_panel_open(int32_t) { return nullptr; }
void galaxy_object_panels_close() {}
Control *galaxy_object_panel_find(int32_t) { return nullptr; }
Control *galaxy_object_panel_bottom() { return nullptr; }
Control *galaxy_object_panel_top() { return nullptr; }
bool starmap_object_panel_is_open(int32_t) { return false; }
bool starmap_object_panel_open_for_hovered() { return false; }
bool starmap_object_panels_any_open() { return false; }
void starmap_object_panel_flash(int32_t) {}
void starmap_object_panels_show(bool) {}
void starmap_select_object(GameObject *) {}
void starmap_drop_selection() {}
void starmap_selection_bracket_show(int32_t, int32_t, int32_t, int32_t, int32_t) {}
void starmap_panel_move_into_place(Control *, Control *) {}
void starmap_place_panel_beside(Control *, const GameObject *, int32_t) {}
void starmap_fleet_on_pick_ship(Control *) {}
void starmap_sector_on_pick_ship(Control *) {}
void starmap_site_marker_on_click(Control *) {}
