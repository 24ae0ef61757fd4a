// STAND-IN loaders of preferences, player records and name lists: nothing to load yet.
#include "game/prefs_pending.h"

#include "platform/log.h"

Result name_lists_load(Game *) {
    log_write(LOG_GAME, LOG_DEBUG, "Name lists: nothing to load");
    return RES_OK;
}

Result records_load(Game *) {
    log_write(LOG_GAME, LOG_DEBUG, "Player records: nothing to load");
    return RES_OK;
}

Result prefs_load(Game *) {
    log_write(LOG_GAME, LOG_DEBUG, "Preferences: nothing to load");
    return RES_OK;
}

void records_set_default_colors(Game *) {}
