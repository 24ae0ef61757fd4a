// Stand-in until the destination prompt lands: no pick starts.
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"

void starmap_prompt_show(int32_t, const char *, const char *) {
    static bool said = false;
    galaxy_not_yet(&said, "destination prompt");
}

void starmap_prompt_alternate(int32_t) {}
void starmap_prompt_on_cancel(Control *) {}
void starmap_sector_on_set_course(Control *) {}
void starmap_fleet_on_set_course(Control *) {}
void starmap_fleet_on_redirect(Control *) {}
void starmap_select_target(Control *) {}
