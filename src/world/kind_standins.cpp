// STAND-IN table for the neighbouring modules sectors and shots need; see the header.
#include "world/kind_standins.h"

namespace {

KindStandIns g_table;

}  // namespace

void kind_standins_set(const KindStandIns &table) { g_table = table; }

const KindStandIns &kind_standins() { return g_table; }
