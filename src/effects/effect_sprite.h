#pragma once
// Sprite effects: the halo (type 5), a glow picture behind something; the portal (type 7), a warp
// portal that opens, holds and closes, or outlines a ship that has finished its turn; the sprite
// sequence (type 6), pictures played by an Animation, optionally shrinking; and the sprite burst
// (type 1), a ship's picture dissolving into a fading green glow.
//  - Halo styles 0..6 are the numbered frames of "effect/halo/%.3i/png" (5 a small explosion glow,
//    6 a large one); portal styles 0 and 1 those of "effect/portal/%.3i/png", exactly the 186
//    frames its four animations index. A portal style with fewer frames is refused at load
//    (RES_READ_FAILED), so no animation reads past its pictures.
//  - Creators return null for a style outside the table or when memory runs out.
//  - The burst works on a private copy of the picture; while a queued command still holds the
//    copy it takes a fresh one before changing pixels (the graphics thread may be drawing it).
//  - Game thread only.
#include <cstdint>
#include "effects/effect.h"

struct Animation;
struct AnimPlayer;
struct ColourFade;

constexpr int HALO_STYLE_COUNT = 7;
constexpr int PORTAL_STYLE_COUNT = 2;
constexpr int PORTAL_FRAME_COUNT = 186;
constexpr int PORTAL_ANIM_COUNT = 4;
constexpr int PORTAL_FRAME_MS = 60;

struct HaloEffect : Effect {
    int32_t  style = 0;
    Sprite **frames = nullptr;       // the style's (not owned)
    int32_t  frame_count = 0;
    int32_t  width = 0, height = 0;  // of frame 0
};

// PortalEffect::flags
constexpr uint32_t PORTAL_SCALED = 0x1;
enum PortalPhase : int32_t { PORTAL_OPENING = 0, PORTAL_HOLDING = 1, PORTAL_CLOSING = 2 };
enum PortalMode : int32_t { PORTAL_MODE_NONE = -1, PORTAL_MODE_PORTAL = 0, PORTAL_MODE_OUTLINE = 1 };

struct PortalEffect : Effect {
    uint32_t    flags = 0;
    int32_t     style = 0;
    int32_t     width = 0, height = 0;   // current drawn size
    Sprite    **frames = nullptr;        // the style's (not owned)
    int32_t     frame_count = 0;
    int32_t     frame = 0;
    AnimPlayer *player = nullptr;        // owned
    int32_t     anim = 0;                // the running animation
    ColourFade *colour = nullptr;        // owned
    int32_t     phase = PORTAL_OPENING;
    int32_t     percent = 0;
    int32_t     clock = 0;
    int32_t     carry_x = 0, carry_y = 0;
    int32_t     start_delay = 0, hold_ms = 0;
    GameObject *object = nullptr;        // one reference
    int32_t     mode = PORTAL_MODE_NONE;
    int32_t     outline_anim = -1;       // the animation the object's stage last chose
    int32_t     scan_clock = 0;
    int32_t     scan_x = -1, scan_x2 = -1, scan_y = -1, scan_y2 = -1;   // current and start pixel
    int32_t     scan_dir = 1;
    int32_t     scan_step_ms = 0, scan_steps = 0;
    int32_t     scan_point_x = 0, scan_point_y = 0;   // relative to the anchor, for the draw
    int32_t     blink = 0;
};

// SpriteSequenceEffect::flags
constexpr uint32_t SEQUENCE_SCALING = 0x1;
constexpr uint32_t SEQUENCE_BLENDED = 0x2;
constexpr uint32_t SEQUENCE_SOUNDED = 0x4;

struct SpriteSequenceEffect : Effect {
    uint32_t    flags = 0;
    Sprite    **sprites = nullptr;       // one reference each; the array is owned
    int32_t     count = 0;
    int32_t     index = 0;
    int32_t     width = 0, height = 0;
    Animation  *anim = nullptr;          // owned
    AnimPlayer *player = nullptr;        // owned
    int32_t     scale = 100;
    int32_t     scale_from = 100, scale_to = 100, scale_ms = 10, scale_elapsed = 0, scale_delay = 0;
    int32_t     start_delay = 0;
    int32_t     sound = -1;
};

constexpr uint32_t BURST_DISSOLVED = 0x2;   // Effect::state bit of a dissolved burst
constexpr int32_t  BURST_AFTER_FRAMES = 10;

struct SpriteBurstEffect : Effect {
    Sprite *sprite = nullptr;            // private copy, one reference
    int32_t heading = 0;
    int32_t point_x = 0, point_y = 0;    // glow centre in picture pixels
    int32_t carry_x = 0, carry_y = 0;
    int32_t after_frames = 0;
    double  radius = 0.0;
    int32_t clock = 0;
    int32_t speed_div = 133;
};

HaloEffect *effect_create_halo(int style);
Sprite     *effect_halo_first_frame(int style);   // null when the style has no frames

PortalEffect *effect_create_portal(int style);
void effect_portal_open(PortalEffect *portal, int delay, int hold);
void effect_portal_set_object(PortalEffect *portal, GameObject *object);
// Animation 0..3 of a loaded portal style; null otherwise.
const Animation *effect_portal_animation(int style, int anim);

// Null for n below 1 or a null array. The sprites get a reference each; the Animation becomes
// the effect's.
SpriteSequenceEffect *effect_create_sprite_sequence(Sprite **sprites, int n, Animation *anim);
void effect_sequence_scale_to(SpriteSequenceEffect *effect, int to_percent, int ms, int delay);

SpriteBurstEffect *effect_create_sprite_burst(Sprite *sprite, int x, int y, int heading);
