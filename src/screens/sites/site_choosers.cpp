// Site choosers: the facility, design and recruit lists shown in the site panel's body.
#include "screens/sites/site_choosers.h"

#include "world/object.h"

FacilityChooserState *facility_chooser_state(Control *) { return nullptr; }
void site_facility_chooser_open(Control *) {}
void site_design_chooser_open(Control *) {}
void site_recruit_chooser_open(Control *) {}
void site_chooser_on_back_facility(Control *) {}
void site_chooser_on_back_design(Control *) {}
void site_chooser_on_back_recruit(Control *) {}
void facility_chooser_on_pick(Control *) {}
void design_chooser_on_pick(Control *) {}
void recruit_chooser_on_pick(Control *) {}
void facility_chooser_row_click(Control *) {}
void facility_chooser_state_free(void *state) { delete static_cast<FacilityChooserState *>(state); }
GameObject *facility_chooser_get_selected(Control *) { return nullptr; }
void chooser_refresh_design_list(Control *) {}
void chooser_reopen_design_list(Control *) {}
