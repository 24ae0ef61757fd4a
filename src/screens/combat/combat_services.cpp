// Panels the combat screen opens that arrive later: each entry says once that it is not there yet
// and leaves its panel empty.
#include "screens/combat/combat_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "ui/control.h"

namespace {
bool g_details_said = false;
}  // namespace

void ship_details_build(Control *, GameObject *, int32_t) { galaxy_not_yet(&g_details_said, "ship details panel"); }
void ship_details_get_view_rect(Control *panel, int32_t *x, int32_t *y, int32_t *w, int32_t *h) {
    *x = *y = 0;
    *w = panel ? panel->w : 0;
    *h = panel ? panel->h : 0;
}
void ship_details_set_officer_handler(Control *, void (*)(Control *)) {}
