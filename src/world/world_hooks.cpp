// WorldHooks: the installed table.
#include "world/world_hooks.h"

namespace {

WorldHooks g_hooks;

}  // namespace

void world_set_hooks(const WorldHooks &hooks) { g_hooks = hooks; }

const WorldHooks &world_hooks() { return g_hooks; }
