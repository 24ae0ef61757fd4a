// Galaxy map mode: the mode record and the screen's state.
#include "screens/galaxy/galaxy_mode.h"

#include "screens/galaxy/galaxy_screen.h"
#include "ui/app_mode.h"

GalaxyScreen *galaxy_screen() {
    static GalaxyScreen screen;
    return &screen;
}

void galaxy_mode_init(AppMode *mode) {
    mode->enter = galaxy_mode_enter;
    mode->leave = galaxy_mode_leave;
    mode->update = galaxy_mode_update;
    mode->draw = galaxy_mode_draw;
}
