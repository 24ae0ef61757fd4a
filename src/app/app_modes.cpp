// The application's mode table.
#include "app/app_modes.h"

#include "app/mode_loading.h"
#include "screens/combat/combat_mode.h"
#include "screens/endgame/end_of_game.h"
#include "screens/galaxy/galaxy_mode.h"
#include "screens/title/title_mode.h"

AppModeInitFn *const APP_MODE_INITS[APP_MODE_COUNT] = {
    combat_mode_init,        // APP_MODE_ENCOUNTER
    loading_mode_init,       // APP_MODE_LOADING
    title_mode_init,         // APP_MODE_TITLE
    galaxy_mode_init,        // APP_MODE_GALAXY
    endgame_mode_init,   // APP_MODE_END_OF_GAME
};
