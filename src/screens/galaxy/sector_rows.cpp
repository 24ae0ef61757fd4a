// Stand-in until the sector rows land: no icons, no boxes.
#include "screens/galaxy/sector_rows.h"

Control *sector_site_icon_row_create(const GameObject *, uint64_t, uint32_t) { return nullptr; }
Control *sector_production_box_create(const GameObject *, SectorBoxKind) { return nullptr; }
