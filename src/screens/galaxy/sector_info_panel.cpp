// Stand-in until the sector information panel lands: the panel stays empty.
#include "screens/galaxy/sector_info_panel.h"

void    sector_info_panel_build(Control *, GameObject *, uint64_t, int32_t, int32_t, uint32_t) {}
int32_t sector_info_eta_days(int32_t, int32_t) { return 1; }
