// Stand-ins until the view files of the galaxy screen land; deleted with them.
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"

void galaxy_mode_enter() {}
void galaxy_mode_leave() {}
void galaxy_mode_draw(Graphics *) {}
void galaxy_zoom_step(int32_t) {}
void starmap_zoom_begin(int32_t, int32_t, int32_t, int32_t) {}
void starmap_sector_on_enter(Control *) {}
void galaxy_sector_info_update() {}
