// Galaxy map mode: callbacks without a screen yet.
#include "screens/galaxy/galaxy_mode.h"

#include "ui/app_mode.h"

namespace {

void galaxy_enter() {}
void galaxy_leave() {}
void galaxy_update(int32_t) {}
void galaxy_draw(Graphics *) {}

}  // namespace

void galaxy_mode_init(AppMode *mode) {
    mode->enter = galaxy_enter;
    mode->leave = galaxy_leave;
    mode->update = galaxy_update;
    mode->draw = galaxy_draw;
}
