// The facility build chooser: one row per facility the sector offers its owner.
#include "screens/sites/facility_panels.h"

void facility_chooser_build(Control *, GameObject *, GameObject *, int32_t) {}
bool facility_chooser_is_defense_upgrade(Control *) { return false; }
void facility_cost_tooltip_show(Control *) {}
void facility_cost_tooltip_hide(Control *) {}
int32_t facility_days_from_minutes(int32_t minutes) { return minutes > 0 ? (minutes + 1439) / 1440 : 0; }
