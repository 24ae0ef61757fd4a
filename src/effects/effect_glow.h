#pragma once
// Procedural effects drawn with primitives: the glow (type 9), a coloured aura around a Sprite
// whose width can grow or shrink; the plume (type 8), a slow stream of green motes drifting from a
// point to a site's attachment point; and the alert marker (type 10), an animated box closing in
// on a galaxy object that needs the player's attention.
//  - Glow radii are limited to 0..13 (the reach of a sprite's outline map).
//  - Game thread only. The glow and the marker hold a reference on their Sprite, the plume one on
//    its object.
#include <cstdint>
#include "effects/effect.h"
#include "effects/particle_surface.h"
#include "platform/movement_path.h"
#include "platform/colour_fade.h"

constexpr int32_t  GLOW_MAX_RADIUS = 13;
constexpr uint32_t GLOW_CHANGING = 0x1;      // GlowEffect::flags

struct GlowEffect : Effect {
    uint32_t    flags = 0;
    Sprite     *sprite = nullptr;            // one reference
    ColourFade *colour = nullptr;            // owned
    int32_t     width = 0, height = 0;       // sprite size + 2 x offset
    int32_t     offset = 0;
    float       radius = 0.0f, rate = 0.0f, target = 0.0f;
    int32_t     life_ms = 0;                 // 0: until removed
    int32_t     start_delay = 0;
};

constexpr uint32_t PLUME_STOPPING = 0x1;

struct PlumeEffect : Effect {
    uint32_t    stopping = 0;
    int32_t     paused = 0;                  // non-zero: no new motes
    int32_t     target_x = 0, target_y = 0;  // map coordinates
    int32_t     count = 0;
    Particle   *motes = nullptr;             // owned, count of them
    GameObject *object = nullptr;            // one reference
};

// AlertMarkerEffect::flags
constexpr uint32_t MARKER_LINES        = 0x1;
constexpr uint32_t MARKER_BOX          = 0x2;
constexpr uint32_t MARKER_SPRITE_FRAME = 0x4;
constexpr uint32_t MARKER_SPRITE       = 0x8;
constexpr uint32_t MARKER_SPRITE_FADE  = 0x10;
constexpr int      MARKER_CLOSE_INS = 10;   // stages 1..10

struct AlertMarkerEffect : Effect {
    uint32_t     flags = 0;
    int32_t      width = 0, height = 0;            // inner box
    int32_t      outer_w = 0, outer_h = 0;
    ColourFade   frame_colour, outline_colour, fill_colour, sprite_colour;
    MovementPath corners[4];                       // power curves, relative to the anchor
    Sprite      *sprite = nullptr;                 // one reference
    int32_t      sprite_x = 0, sprite_y = 0;       // offset from the anchor
    MovementPath sprite_motion[3];                 // frame corner, frame size, fade-out brightness
    bool         has_sprite_parts = false;
    bool         stage_box_shown = false;          // the box flashed in this stage already
    int32_t      clock = 0;
    int32_t      stage = 0;
};

GlowEffect *effect_create_glow(Sprite *sprite);
void        effect_glow_set_radius(GlowEffect *glow, int from, int to, int ms);
void        effect_glow_set_radius_now(GlowEffect *glow, int r);
void        effect_glow_set_delay(GlowEffect *glow, int ms);
void        effect_glow_finish_soon(GlowEffect *glow);
ColourFade *effect_glow_colour(GlowEffect *glow);

PlumeEffect *effect_create_plume(GameObject *object);
void         effect_plume_prewarm(PlumeEffect *plume);

AlertMarkerEffect *effect_create_alert_marker(int w, int h);
void               effect_alert_marker_set_sprite(AlertMarkerEffect *marker, Sprite *sprite);
