// STAND-IN object factories: nothing to load yet.
#include "world/factory_pending.h"

#include "platform/log.h"

Result factory_init() {
    log_write(LOG_GAME, LOG_DEBUG, "Factories: nothing to load");
    return RES_OK;
}

void factory_release_group(int) {}

Result factory_resolve_load_groups() { return RES_OK; }
