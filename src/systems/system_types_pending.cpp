// STAND-IN loader of the system types: nothing to load yet.
#include "systems/system_types_pending.h"

#include "platform/log.h"

Result system_types_load() {
    log_write(LOG_GAME, LOG_DEBUG, "System types: nothing to load");
    return RES_OK;
}
