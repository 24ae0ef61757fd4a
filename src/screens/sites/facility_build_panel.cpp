// The facility build panel and the picture load both build panels share.
#include "screens/sites/facility_panels.h"

FacilityPanelState *facility_panel_state(Control *) { return nullptr; }
void site_detail_panel(Control *, GameObject *, uint64_t, uint64_t) {}
void facility_panel_on_build(Control *) {}
void facility_panel_close(Control *) {}
void facility_panel_state_free(void *state) { delete static_cast<FacilityPanelState *>(state); }
void facility_picture_load_run(FacilityPictureLoad *load) { load->done.fetch_or(1, std::memory_order_release); }
bool facility_picture_load_poll(FacilityPictureLoad *) { return true; }
