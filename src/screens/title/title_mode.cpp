// Title mode: callbacks without a screen yet.
#include "screens/title/title_mode.h"

#include "ui/app_mode.h"

namespace {

void title_enter() {}
void title_leave() {}
void title_update(int32_t) {}

void title_draw(Graphics *) {
    // The title's backdrop goes here once sprites load: in the first frame of the mode
    // (app_mode_changed) free every other background slot, load and set slot 0, clear the
    // restore list and restore the whole screen; in later frames begin with gfx_restore_all.
}

}  // namespace

void title_mode_init(AppMode *mode) {
    mode->enter = title_enter;
    mode->leave = title_leave;
    mode->update = title_update;
    mode->draw = title_draw;
}
