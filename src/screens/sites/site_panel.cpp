// The site panel.
#include "screens/sites/site_panel.h"

#include "world/site.h"

SitePanelState *site_panel_state(Control *) { return nullptr; }
Site *site_panel_site(Control *) { return nullptr; }
void site_panel_init(Control *, GameObject *, int32_t) {}
void site_panel_build(Control *, int32_t, bool, bool) {}
void site_panel_fit(Control *) {}
void site_panel_clear_body(Control *) {}
void site_panel_set_slot(Control *, int, ControlFn) {}
void site_panel_call_slot(Control *, int) {}
void site_panel_set_picked(Control *, void *, int32_t) {}
void *site_panel_picked(Control *) { return nullptr; }
GameObject *site_panel_picked_object(Control *) { return nullptr; }
Officer *site_panel_picked_officer(Control *) { return nullptr; }
int32_t site_panel_defense_row(Control *) { return 0; }
int32_t site_panel_starbase_crew(const Site *) { return 0; }
void site_panel_mass_remaining(const Site *, char *out, int out_size, bool *highlight) {
    if (out && out_size > 0) out[0] = 0;
    if (highlight) *highlight = false;
}
