#include "screens/galaxy/design_handlers.h"

void starmap_site_on_pick_design(Control *) {}
void starmap_design_open(GameObject *, Control *) {}
void starmap_design_on_build(Control *) {}
void starmap_design_on_scrap(Control *) {}
void starmap_design_on_edit(Control *) {}
void starmap_design_on_new_accepted(Control *) {}
void starmap_design_on_edit_accepted(Control *) {}
void starmap_design_on_configured(Control *) {}
std::string starmap_new_design_name() { return {}; }
