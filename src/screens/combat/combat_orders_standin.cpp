// Stand-ins for the unit status panel and the combat info panels until they arrive: each says
// once that it is not there yet and leaves its panel empty.
#include "screens/combat/combat_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "ui/control.h"

namespace {
bool g_status_said = false, g_info_said = false;
}  // namespace

void unit_status_panel_fill(Control *, int32_t) { galaxy_not_yet(&g_status_said, "unit status panel"); }
void unit_status_panel_set_on_move(Control *, void (*)(Control *)) {}
void unit_status_panel_set_on_turn(Control *, void (*)(Control *)) {}
void unit_status_panel_set_on_scan(Control *, void (*)(Control *)) {}
void unit_status_panel_set_on_end_turn(Control *, void (*)(Control *)) {}
void unit_status_panel_set_on_status(Control *, void (*)(Control *)) {}
void unit_status_panel_set_on_retreat(Control *, void (*)(Control *)) {}
void unit_status_panel_set_on_abort(Control *, void (*)(Control *)) {}
void unit_status_panel_set_on_system(Control *, void (*)(Control *)) {}
void unit_status_panel_get_pick(Control *, int32_t *crit, int32_t *action) {
    if (crit) *crit = -1;
    if (action) *action = -1;
}
void combat_active_ship_panel_fill(Control *, GameObject *, int32_t) { galaxy_not_yet(&g_info_said, "combat info panels"); }
void combat_shot_rows_fill(Control *, int32_t) { galaxy_not_yet(&g_info_said, "combat info panels"); }
void combat_shot_panel_fill(Control *, GameObject *, int32_t) { galaxy_not_yet(&g_info_said, "combat info panels"); }
void combat_shot_panel_set_back_handler(Control *) {}
