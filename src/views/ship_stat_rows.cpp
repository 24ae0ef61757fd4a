// Ship stat rows.
#include "views/ship_stat_rows.h"

void ship_stat_rows_build(Control *, GameObject *, uint32_t, uint32_t) {}
uint32_t ship_stat_rows_flags(uint32_t, bool, bool) { return SHIP_STAT_ARMOR; }
void ship_stat_rows_refresh(Control *) {}
ShipStatRowsState *ship_stat_rows_state(Control *) { return nullptr; }
void ship_stat_row_hint_show(Control *) {}
void ship_stat_row_hint_hide(Control *) {}
