// Stand-in until the sector panel's orders land: the panel is not filled.
#include "screens/galaxy/galaxy_services.h"

#include "ui/control.h"

void starmap_show_sector_panel(Control *panel, GameObject *, int32_t) {
    static bool said = false;
    galaxy_not_yet(&said, "sector panel");
    if (panel) control_remove(panel);
}
