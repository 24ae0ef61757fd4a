#pragma once
// Shared by the effect types' sources only: the registration functions of the twelve types and
// the small helpers their draw slots use to append commands.
//  - Game thread only. Every helper queues into the frame being built (the caller holds the
//    graphics queue lock, as every draw slot does) and ignores a failed append: a frame that could
//    not grow only loses that picture.
#include <cstdint>
#include "effects/effect.h"
#include "platform/random.h"

struct Graphics;
struct Sprite;

void beam_effect_register(EffectType *type);
void sprite_burst_effect_register(EffectType *type);
void pulse_effect_register(EffectType *type);
void text_bubble_effect_register(EffectType *type);
void spark_effect_register(EffectType *type);
void halo_effect_register(EffectType *type);
void sprite_sequence_effect_register(EffectType *type);
void portal_effect_register(EffectType *type);
void plume_effect_register(EffectType *type);
void glow_effect_register(EffectType *type);
void alert_marker_effect_register(EffectType *type);
void particles_effect_register(EffectType *type);

// Fills the registry when that has not happened yet (every creator calls it first).
void effect_registry_fill();

// The frames of one style of a sprite effect type (one reference each).
struct EffectFrameSet {
    Sprite **frames = nullptr;
    int32_t  count = 0;
};
Sprite  *effect_frame_at(Sprite **frames, int32_t count, int32_t index);   // null outside 0..count-1
void     effect_frame_set_clear(EffectFrameSet *set);
// The numbered pictures of "effect/<kind>/<style as three digits>/png"; null and *count 0 if none.
Sprite **effect_load_frames(const char *kind, int style, int32_t *count);

// A rectangle grown to cover what a draw touched; empty until the first add.
struct EffectBox {
    int32_t left = 0, top = 0, right = -1, bottom = -1;   // inclusive
    bool    empty = true;
    void add(int32_t x, int32_t y, int32_t w, int32_t h);  // w, h below 1 add nothing
    void add_point(int32_t x, int32_t y) { add(x, y, 1, 1); }
};

// A dirty and a restore rectangle for the area (nothing for an empty area).
void effect_queue_rects(Graphics *gfx, int32_t x, int32_t y, int32_t w, int32_t h);
void effect_queue_box(Graphics *gfx, const EffectBox &box);
// A sprite draw command (SPRITE_DRAW_* flags) with its own reference; nothing for a null sprite.
void effect_queue_sprite(Graphics *gfx, Sprite *sprite, int32_t x, int32_t y, uint16_t flags,
                         int32_t percent = 100, int32_t scale_percent = 100);
void effect_queue_blit(Graphics *gfx, Sprite *sprite, int32_t x, int32_t y);
// A line from (x, y) towards (x + dx, y + dy) with the three brightness parameters.
void effect_queue_line(Graphics *gfx, int32_t x, int32_t y, int32_t dx, int32_t dy, uint8_t r, uint8_t g,
                       uint8_t b, const uint8_t params[3]);

int32_t effect_sprite_width(const Sprite *sprite);    // 0 for null
int32_t effect_sprite_height(const Sprite *sprite);

namespace effect_detail {

// A show draw in lo..hi (random_show_range), for the looks of the effects only.
inline int32_t rr(int32_t lo, int32_t hi) { return random_show_range(lo, hi); }

}  // namespace effect_detail
