#pragma once
// Beam effect (type 0): a beam weapon's shot. A charge animation plays at the muzzle, then three
// flickering coloured lines join muzzle and target for 500 ms while an impact sprite shows at the
// target. The completion callback runs exactly once, in the step in which the charge ends, so the
// shooter's hit lands with the picture. A beam blocks its map until it is over.
//  - Four styles (0 red, 1 orange, 2 yellow, 3 violet), each a numbered set of at least two
//    frames in "effect/beam/%.3i/png"; the last two frames are the impact animation. The type's
//    load refuses a style with fewer than two frames (RES_READ_FAILED) and stops there.
//  - A beam of a style that is not loaded draws nothing, and fires at its first step after the
//    start delay so that it never holds its map for ever.
//  - Game thread only. The beam holds one reference on its shooter and target until it fires.
#include <cstdint>
#include "effects/effect.h"

struct Animation;
struct AnimPlayer;
struct ColourFade;
struct BeamEffect;

using BeamFireFn = void(BeamEffect *beam, GameObject *shooter, GameObject *target);

constexpr int      BEAM_STYLE_COUNT = 4;
constexpr int32_t  BEAM_FIRE_MS = 500;
constexpr uint32_t BEAM_PRESENT = 0x1;   // BeamEffect::flags: the style's frames are loaded
constexpr uint32_t BEAM_MISSED  = 0x2;   // no impact sprite
constexpr uint32_t BEAM_SPEED   = 0x4;   // speed_percent scales the animation and firing time

struct BeamEffect : Effect {
    uint32_t    flags = 0;
    uint32_t    style = 0;
    int32_t     jitter_x[3] = {}, jitter_y[3] = {};
    int32_t     box_left = 0, box_top = 0, box_right = 0, box_bottom = 0;
    int32_t     from_x = 0, from_y = 0, to_x = 0, to_y = 0;   // relative to the box's top-left
    int32_t     phase = 0;                                    // 0 charging, 1 firing
    int32_t     fire_ms = 0;
    int32_t     hit_value = 0;                                // the damage; negative: a miss
    int32_t     start_delay = 0;
    Sprite    **frames = nullptr;                             // the style's (not owned)
    int32_t     frame_count = 0;
    Sprite     *muzzle_sprite = nullptr;
    Sprite     *impact_sprite = nullptr;
    const Animation *charge_anim = nullptr;                   // the style's (not owned)
    const Animation *impact_anim = nullptr;
    AnimPlayer *player = nullptr;                             // owned
    ColourFade *colour = nullptr;                             // owned
    uint8_t     line_params[3] = {};
    BeamFireFn *on_fire = nullptr;
    GameObject *shooter = nullptr;                            // one reference each while set
    GameObject *target = nullptr;
    int32_t     speed_percent = 100;
};

// Null for a style outside 0..3 or when memory runs out. Anchor (x1, y1); the caller moves it to
// (box_left, box_top), sets the owner, adds it to the map and marks it blocking.
BeamEffect *effect_create_beam(int style, int x1, int y1, int x2, int y2);
void    effect_beam_set_callback(BeamEffect *beam, BeamFireFn *fn, GameObject *shooter, GameObject *target);
int32_t effect_beam_duration(const BeamEffect *beam);   // ms, at least 1
void    effect_beam_set_speed(BeamEffect *beam, int percent);   // 100 clears BEAM_SPEED; below 1 counts as 1
void    effect_beam_set_hit_value(BeamEffect *beam, int value);
void    effect_beam_set_start_delay(BeamEffect *beam, int ms);
void    effect_beam_set_missed(BeamEffect *beam);

// The style's frame count, 0 when it is not loaded (outside 0..3 too).
int     effect_beam_style_frames(int style);
