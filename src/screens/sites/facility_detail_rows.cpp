// Facility detail rows: the read-only description of one site.
#include "screens/sites/facility_panels.h"

const char *facility_orbit_word(int32_t) { return ""; }
void facility_mass_remaining_text(int32_t, int32_t, char *out, int out_size, bool *low) {
    if (out_size > 0) out[0] = '\0';
    if (low) *low = false;
}
void facility_detail_rows(Control *, GameObject *, int32_t) {}
