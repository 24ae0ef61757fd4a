// Stand-in until the fleet summary lands: the panel is hidden.
#include "screens/galaxy/fleet_summary.h"

#include "screens/galaxy/galaxy_services.h"
#include "ui/control.h"

void fleet_summary_panel_build(Control *panel, GameObject *, int32_t, int32_t, int32_t) {
    static bool said = false;
    galaxy_not_yet(&said, "fleet summary");
    if (panel) control_set_hidden(panel, true);
}
