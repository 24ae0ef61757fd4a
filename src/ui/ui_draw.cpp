// The toolkit's draw calls over the graphics context's commands, the primitives, sprites and fonts.
#include "ui/ui_draw.h"

#include <algorithm>
#include <cstring>

#include "platform/colour_fade.h"
#include "platform/draw.h"
#include "platform/font.h"
#include "platform/graphics.h"
#include "platform/sprite.h"

namespace {

uint8_t u8(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// A rectangle in payload form; false when it is empty or beyond what a payload can hold.
bool to_rect(int x, int y, int w, int h, GfxRect *out) {
    if (w <= 0 || h <= 0 || w > 65535 || h > 65535) return false;
    if (x < -32768 || x > 32767 || y < -32768 || y > 32767) return false;
    *out = GfxRect{int16_t(x), int16_t(y), uint16_t(w), uint16_t(h)};
    return true;
}

// Queue failures (the frame ran out of memory) lose only that command; the frame goes on.
void queue(Graphics *g, DrawCommandFn *fn, const void *payload, uint32_t size) {
    if (g && fn) (void)gfx_queue_command(g, fn, payload, size);
}

}  // namespace

int ui_screen_width() {
    const GfxScreen *screen = gfx_screen();
    return screen && screen->width > 0 ? screen->width : GFX_WIDTH;
}

int ui_screen_height() {
    const GfxScreen *screen = gfx_screen();
    return screen && screen->height > 0 ? screen->height : GFX_HEIGHT;
}

Sprite **ui_load_numbered_sprites(const char *dir, int *count) { return sprite_load_numbered(dir, count); }

void ui_free_sprite_array(Sprite **sprites, int count) { sprite_array_release(sprites, count); }

void ui_fill_rect(Graphics *gfx, int x, int y, int w, int h, int r, int g, int b) {
    GfxRect rect;
    if (gfx && to_rect(x, y, w, h, &rect)) (void)gfx_queue_fill_rect(gfx, rect, u8(r), u8(g), u8(b));
}

void ui_frame_rect(Graphics *gfx, int x, int y, int w, int h, int r, int g, int b) {
    GfxRect rect;
    if (gfx && to_rect(x, y, w, h, &rect)) (void)gfx_queue_frame_rect(gfx, rect, u8(r), u8(g), u8(b));
}

void ui_darken_rect(Graphics *gfx, int x, int y, int w, int h, int shift) {
    GfxRect rect;
    if (gfx && to_rect(x, y, w, h, &rect)) (void)gfx_queue_darken_rect(gfx, rect, u8(shift));
}

void ui_blend_rect(Graphics *gfx, int x, int y, int w, int h, int r, int g, int b) {
    GfxRect rect;
    if (gfx && to_rect(x, y, w, h, &rect)) (void)gfx_queue_tint_rect(gfx, rect, u8(r), u8(g), u8(b));
}

void ui_noise_rect(Graphics *gfx, int x, int y, int w, int h, int r, int g, int b) {
    GfxRect rect;
    if (gfx && to_rect(x, y, w, h, &rect)) (void)gfx_queue_noise_rect(gfx, rect, u8(r), u8(g), u8(b));
}

void ui_line(Graphics *gfx, int x, int y, int dx, int dy, int r, int g, int b, int dash_step, int dash_phase) {
    if (!gfx) return;
    GfxLinePayload p{};
    p.x = int16_t(x);
    p.y = int16_t(y);
    p.dx = int16_t(dx);
    p.dy = int16_t(dy);
    p.r = u8(r);
    p.g = u8(g);
    p.b = u8(b);
    p.dash_step = uint16_t(std::max(dash_step, 0));
    p.dash_phase = int16_t(dash_phase);
    (void)gfx_queue_line(gfx, p);
}

void ui_grid(Graphics *gfx, int x, int y, int w, int h, int r, int g, int b, int step_x, int step_y, int phase_x,
             int phase_y) {
    GfxRect rect;
    if (!gfx || !to_rect(x, y, w, h, &rect)) return;
    GfxGridPayload p{};
    p.rect = rect;
    p.r = u8(r);
    p.g = u8(g);
    p.b = u8(b);
    p.column_step = uint16_t(std::max(step_x, 0));
    p.row_step = uint16_t(std::max(step_y, 0));
    p.column_phase = uint16_t(std::max(phase_x, 0));
    p.row_phase = uint16_t(std::max(phase_y, 0));
    (void)gfx_queue_grid(gfx, p);
}

void ui_glow_frame(Graphics *gfx, int x, int y, int w, int h, int r, int g, int b) {
    GfxRect rect;
    if (gfx && to_rect(x, y, w, h, &rect)) (void)gfx_queue_glow_frame(gfx, rect, u8(r), u8(g), u8(b));
}

void ui_dirty_rect(Graphics *gfx, int x, int y, int w, int h) {
    GfxRect rect;
    if (to_rect(x, y, w, h, &rect)) queue(gfx, gfx_add_dirty_rect, &rect, sizeof rect);
}

void ui_restore_rect(Graphics *gfx, int x, int y, int w, int h) {
    GfxRect rect;
    if (to_rect(x, y, w, h, &rect)) queue(gfx, gfx_add_restore_rect, &rect, sizeof rect);
}

void ui_push_clip(Graphics *gfx, int left, int top, int right, int bottom) {
    const int32_t clip[4] = {left, top, right, bottom};
    queue(gfx, gfx_push_clip, clip, sizeof clip);
}

void ui_pop_clip(Graphics *gfx) { queue(gfx, gfx_pop_clip, nullptr, 0); }
void ui_lock_screen(Graphics *gfx) { queue(gfx, gfx_lock_screen, nullptr, 0); }
void ui_unlock_screen(Graphics *gfx) { queue(gfx, gfx_unlock_screen, nullptr, 0); }

void ui_text(Graphics *gfx, int font, int x, int y, uint32_t pixel, const char *text) {
    if (gfx && text) (void)font_draw_text(gfx, font, x, y, pixel, text);
}

void ui_text_n(Graphics *gfx, int font, int x, int y, uint32_t pixel, const char *text, int n) {
    if (gfx && text) (void)font_draw_text_n(gfx, font, x, y, pixel, text, n);
}

void ui_text_highlight(Graphics *gfx, int font, int x, int y, uint32_t pixel, int index, int percent,
                       const char *text) {
    if (gfx && text) (void)font_draw_text_highlight(gfx, font, x, y, pixel, index, percent, text);
}

int ui_text_width(int font, const char *text) { return font_text_width(font, text ? text : ""); }
int ui_text_width_n(int font, const char *text, int n) { return font_text_width_n(font, text ? text : "", n); }
int ui_line_height(int font) { return font_line_height(font); }
int ui_space_advance(int font) { return font_space_advance(font); }

void ui_sprite_blit(Graphics *gfx, Sprite *sprite, int x, int y) {
    if (gfx && sprite) (void)sprite_queue_blit(gfx, sprite, x, y);
}

void ui_sprite_draw(Graphics *gfx, Sprite *sprite, int x, int y, uint32_t modes, int r, int g, int b,
                    int brightness, int grey, int reveal) {
    if (!gfx || !sprite) return;
    SpriteDrawPayload p{};
    p.x = int16_t(x);
    p.y = int16_t(y);
    p.sprite = sprite;
    if (modes & UI_SPRITE_REVEAL) {
        // Revealing shrinks the picture to the percent; the platform's scaled draw has no effects.
        p.flags |= SPRITE_DRAW_SCALE;
        p.scale_numerator = uint16_t(std::clamp(reveal, 0, 100));
        p.scale_denominator = 100;
    }
    if (modes & UI_SPRITE_RECOLOUR) {
        p.flags |= SPRITE_DRAW_TINT;
        p.tint_r = u8(r);
        p.tint_g = u8(g);
        p.tint_b = u8(b);
    }
    if (modes & UI_SPRITE_BRIGHTNESS) {
        p.flags |= SPRITE_DRAW_BRIGHTNESS;
        p.brightness = int16_t(std::clamp(brightness, 0, 10000));
    }
    if (modes & UI_SPRITE_GREY) {
        p.flags |= SPRITE_DRAW_DESATURATE;
        p.desaturation = int16_t(std::clamp(grey, 0, 100));
    }
    (void)sprite_queue_draw(gfx, p);
}

void ui_sprite_tint(Graphics *gfx, Sprite *sprite, int x, int y, int r, int g, int b) {
    if (!gfx || !sprite) return;
    SpriteDrawPayload p{};
    p.flags = SPRITE_DRAW_TINT;
    p.x = int16_t(x);
    p.y = int16_t(y);
    p.sprite = sprite;
    p.tint_r = u8(r);
    p.tint_g = u8(g);
    p.tint_b = u8(b);
    (void)sprite_queue_draw(gfx, p);
}

void ui_sprite_outline(Graphics *gfx, Sprite *sprite, int x, int y, const uint8_t red[4], const uint8_t green[4],
                       const uint8_t blue[4], const uint8_t levels[4]) {
    if (!gfx || !sprite) return;
    sprite_build_outline_map(sprite);
    sprite_build_angle_map(sprite);
    GfxSpriteGlowPayload p{};
    p.sprite = sprite;
    p.flags = GFX_GLOW_SECTORS | GFX_GLOW_LEVELS;
    p.x = int16_t(x);
    p.y = int16_t(y);
    std::memcpy(p.red, red, 4);
    std::memcpy(p.green, green, 4);
    std::memcpy(p.blue, blue, 4);
    std::memcpy(p.level, levels, 4);
    (void)gfx_queue_sprite_glow(gfx, p);
}

void ui_sprite_outline_extent(Sprite *sprite, const uint8_t levels[4], int *left, int *top, int *right,
                              int *bottom) {
    *left = *top = *right = *bottom = 0;
    if (!sprite) return;
    sprite_build_outline_map(sprite);
    sprite_build_angle_map(sprite);
    sprite_outline_extent(sprite, levels, left, top, right, bottom);
}

int ui_sprite_width(const Sprite *sprite) { return sprite ? sprite->width : 0; }
int ui_sprite_height(const Sprite *sprite) { return sprite ? sprite->height : 0; }
void ui_sprite_addref(Sprite *sprite) {
    if (sprite) sprite_addref(sprite);
}
void ui_sprite_release(Sprite *sprite) {
    if (sprite) sprite_release(sprite);
}

void ui_hover_colour(ColourFade *fade, bool hovered, uint32_t *state, uint32_t bit, const uint8_t base[3],
                     const uint8_t hover[3], int ms) {
    if (!fade || hovered == bool(*state & bit)) return;
    const uint8_t *to = hovered ? hover : base;
    if (ms < 1) colour_fade_set(fade, to[0], to[1], to[2]);
    else colour_fade_to(fade, to[0], to[1], to[2], ms, 0);
    if (hovered) *state |= bit;
    else *state &= ~bit;
}
