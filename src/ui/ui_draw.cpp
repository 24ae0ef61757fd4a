// Toolkit draw calls (stand-in until the platform's command stream lands: nothing is queued).
#include "ui/ui_draw.h"

#include <cstring>

#include "platform/graphics.h"

int ui_screen_width() {
    const GfxScreen *screen = gfx_screen();
    return screen && screen->width > 0 ? screen->width : GFX_WIDTH;
}

int ui_screen_height() {
    const GfxScreen *screen = gfx_screen();
    return screen && screen->height > 0 ? screen->height : GFX_HEIGHT;
}

Sprite **ui_load_numbered_sprites(const char *, int *count) {
    if (count) *count = 0;
    return nullptr;
}

void ui_free_sprite_array(Sprite **sprites, int) { delete[] sprites; }

void ui_fill_rect(Graphics *, int, int, int, int, int, int, int) {}
void ui_frame_rect(Graphics *, int, int, int, int, int, int, int) {}
void ui_darken_rect(Graphics *, int, int, int, int, int) {}
void ui_blend_rect(Graphics *, int, int, int, int, int, int, int) {}
void ui_noise_rect(Graphics *, int, int, int, int, int, int, int) {}
void ui_line(Graphics *, int, int, int, int, int, int, int, int, int) {}
void ui_grid(Graphics *, int, int, int, int, int, int, int, int, int, int, int) {}
void ui_glow_frame(Graphics *, int, int, int, int, int, int, int) {}
void ui_dirty_rect(Graphics *, int, int, int, int) {}
void ui_restore_rect(Graphics *, int, int, int, int) {}
void ui_push_clip(Graphics *, int, int, int, int) {}
void ui_pop_clip(Graphics *) {}
void ui_lock_screen(Graphics *) {}
void ui_unlock_screen(Graphics *) {}
void ui_text(Graphics *, int, int, int, uint32_t, const char *) {}
void ui_text_n(Graphics *, int, int, int, uint32_t, const char *, int) {}
void ui_text_highlight(Graphics *, int, int, int, uint32_t, int, int, const char *) {}
// Stand-in metrics: 6 pixels per character, lines 10 high.
int ui_text_width(int, const char *text) { return text ? static_cast<int>(std::strlen(text)) * 6 : 0; }
int ui_text_width_n(int, const char *text, int n) {
    const int len = text ? static_cast<int>(std::strlen(text)) : 0;
    return (n < len ? n : len) * 6;
}
int ui_line_height(int) { return 10; }
int ui_space_advance(int) { return 6; }
void ui_sprite_blit(Graphics *, Sprite *, int, int) {}
void ui_sprite_draw(Graphics *, Sprite *, int, int, uint32_t, int, int, int, int, int, int) {}
void ui_sprite_tint(Graphics *, Sprite *, int, int, int, int, int) {}
void ui_sprite_outline(Graphics *, Sprite *, int, int, const uint8_t *, const uint8_t *, const uint8_t *,
                       const uint8_t *) {}
int ui_sprite_width(const Sprite *) { return 0; }
int ui_sprite_height(const Sprite *) { return 0; }
void ui_sprite_addref(Sprite *) {}
void ui_sprite_release(Sprite *) {}
