// Title mode: callbacks of the title screen; for now it shows the title backdrop and nothing else.
#include "screens/title/title_mode.h"

#include "platform/graphics.h"
#include "ui/app_mode.h"

constexpr uint32_t TITLE_BACKGROUND_SLOT = 0;

namespace {

void title_enter() {}
void title_leave() {}
void title_update(int32_t) {}

// Until the title screen is built, the mode shows the picture the title starts on: background 0.
void title_draw(Graphics *g) {
    if (app_mode_changed()) {
        for (uint32_t slot = 1; slot < GFX_BACKGROUND_SLOTS; ++slot)
            (void)gfx_queue_command(g, bg_free_command, &slot, sizeof slot);
        const uint32_t slot = TITLE_BACKGROUND_SLOT;
        (void)gfx_queue_command(g, bg_set_command, &slot, sizeof slot);
        (void)gfx_queue_command(g, gfx_clear_restore_rects, nullptr, 0);
        const GfxRect whole = {0, 0, GFX_WIDTH, GFX_HEIGHT};
        (void)gfx_queue_command(g, gfx_restore_rect, &whole, sizeof whole);
        return;
    }
    (void)gfx_queue_command(g, gfx_restore_all, nullptr, 0);
}

}  // namespace

void title_mode_init(AppMode *mode) {
    mode->enter = title_enter;
    mode->leave = title_leave;
    mode->update = title_update;
    mode->draw = title_draw;
}
