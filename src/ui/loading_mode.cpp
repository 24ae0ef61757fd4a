// Start-up loading mode: hands over to the title after its first frame.
#include "ui/loading_mode.h"

#include "ui/app_mode.h"

namespace {

void loading_enter() {}
void loading_leave() {}

void loading_update(int32_t) {
    // Nothing to load yet: the title takes over at the end of this frame.
    app_mode_request(APP_MODE_TITLE);
}

void loading_draw(Graphics *) {}

}  // namespace

void loading_mode_init(AppMode *mode) {
    mode->enter = loading_enter;
    mode->leave = loading_leave;
    mode->update = loading_update;
    mode->draw = loading_draw;
}
