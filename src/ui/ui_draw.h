#pragma once
// The draw commands the controls queue, in the toolkit's terms (rectangles, texts, sprites), over
// the graphics context's commands, the drawing primitives, sprites and fonts.
//  - Each call appends draw commands to the frame being built (queue lock held by the frame
//    builder); nothing touches pixels here. Empty rectangles queue nothing; a command the queue
//    cannot take is dropped and the frame goes on.
//  - Sprite calls take the reference the command drops.
//  - Game thread only.
#include <cstdint>
#include "platform/colour_fade.h"

struct Graphics;
struct Sprite;

// A look colour that follows the hover: when the hover begins (bit not yet set in *state) the
// colour runs to `hover` over ms (at once below 1 ms) and the bit is set; when it ends the colour
// runs back to `base` and the bit is cleared. A null fade changes nothing.
void ui_hover_colour(ColourFade *fade, bool hovered, uint32_t *state, uint32_t bit, const uint8_t base[3],
                     const uint8_t hover[3], int ms);

namespace ui_draw_detail {

// The fade in *slot, created there first when the slot is empty (null when out of memory).
inline ColourFade *ensure(ColourFade **slot) {
    if (!*slot) *slot = colour_fade_create();
    return *slot;
}

}  // namespace ui_draw_detail

// The screen the frame is drawn for (its size before video set-up: 1024 x 768).
int ui_screen_width();
int ui_screen_height();

// Numbered sprite set "<dir>/000.png", "<dir>/001.png" ... (one reference each); null when none.
Sprite **ui_load_numbered_sprites(const char *dir, int *count);
void     ui_free_sprite_array(Sprite **sprites, int count);

void ui_fill_rect(Graphics *gfx, int x, int y, int w, int h, int r, int g, int b);
void ui_frame_rect(Graphics *gfx, int x, int y, int w, int h, int r, int g, int b);
void ui_darken_rect(Graphics *gfx, int x, int y, int w, int h, int shift);
void ui_blend_rect(Graphics *gfx, int x, int y, int w, int h, int r, int g, int b);   // half blend
void ui_noise_rect(Graphics *gfx, int x, int y, int w, int h, int r, int g, int b);
void ui_line(Graphics *gfx, int x, int y, int dx, int dy, int r, int g, int b, int dash_step, int dash_phase);
void ui_grid(Graphics *gfx, int x, int y, int w, int h, int r, int g, int b, int step_x, int step_y,
             int phase_x, int phase_y);
void ui_glow_frame(Graphics *gfx, int x, int y, int w, int h, int r, int g, int b);
void ui_dirty_rect(Graphics *gfx, int x, int y, int w, int h);
void ui_restore_rect(Graphics *gfx, int x, int y, int w, int h);
void ui_push_clip(Graphics *gfx, int left, int top, int right, int bottom);
void ui_pop_clip(Graphics *gfx);
void ui_lock_screen(Graphics *gfx);
void ui_unlock_screen(Graphics *gfx);

void ui_text(Graphics *gfx, int font, int x, int y, uint32_t pixel, const char *text);
void ui_text_n(Graphics *gfx, int font, int x, int y, uint32_t pixel, const char *text, int n);
void ui_text_highlight(Graphics *gfx, int font, int x, int y, uint32_t pixel, int index, int percent,
                       const char *text);
int  ui_text_width(int font, const char *text);      // -1 when the font is missing
int  ui_text_width_n(int font, const char *text, int n);
int  ui_line_height(int font);                       // -1 when the font is missing
int  ui_space_advance(int font);                     // -1 when the font is missing

// Sprite draw modes of ui_sprite_draw.
constexpr uint32_t UI_SPRITE_REVEAL     = 1;
constexpr uint32_t UI_SPRITE_RECOLOUR   = 32;
constexpr uint32_t UI_SPRITE_BRIGHTNESS = 64;
constexpr uint32_t UI_SPRITE_GREY       = 128;

void ui_sprite_blit(Graphics *gfx, Sprite *sprite, int x, int y);
void ui_sprite_draw(Graphics *gfx, Sprite *sprite, int x, int y, uint32_t modes, int r, int g, int b,
                    int brightness, int grey, int reveal);
void ui_sprite_tint(Graphics *gfx, Sprite *sprite, int x, int y, int r, int g, int b);
void ui_sprite_outline(Graphics *gfx, Sprite *sprite, int x, int y, const uint8_t red[4],
                       const uint8_t green[4], const uint8_t blue[4], const uint8_t levels[4]);
// The room the four-sector outline of these levels needs around the sprite (left, top <= 0).
void ui_sprite_outline_extent(Sprite *sprite, const uint8_t levels[4], int *left, int *top, int *right,
                              int *bottom);
int  ui_sprite_width(const Sprite *sprite);
int  ui_sprite_height(const Sprite *sprite);
void ui_sprite_addref(Sprite *sprite);
void ui_sprite_release(Sprite *sprite);
