// The defence upgrade panel of a starbase.
#include "screens/sites/facility_panels.h"

DefensePanelState *defense_panel_state(Control *) { return nullptr; }
void defense_upgrade_panel_build(Control *) {}
void defense_upgrade_panel_build_for(Control *, GameObject *) {}
void defense_panel_on_build(Control *) {}
void defense_panel_close(Control *) {}
void defense_panel_state_free(void *state) { delete static_cast<DefensePanelState *>(state); }
