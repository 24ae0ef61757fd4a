// STAND-IN loader of the technology table: nothing to load yet.
#include "game/tech_pending.h"

#include "platform/log.h"

Result tech_load() {
    log_write(LOG_GAME, LOG_DEBUG, "Technology table: nothing to load");
    return RES_OK;
}
