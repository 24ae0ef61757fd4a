#pragma once
// Effect framework: the common head of every visual effect, the registry of the twelve effect
// types, the operations every holder (an object map or a panel) uses, and the blocking protocol.
//  - An effect is created by its type's creator (or effect_create), configured by the caller, then
//    handed to a holder that steps it every tick (effect_update), draws it (the type's draw slot,
//    which only appends draw commands) and frees it (effect_free) once its finished bit is set.
//  - The registry is filled on first use by one registration function per type; every function
//    that needs it fills it first. effect_load_type loads a type's shared assets (start-up
//    loader); effect_types_free releases them at shut-down.
//  - A blocking effect is counted in its owner map's busy count until it clears its blocking bit;
//    the map's hold time is then raised to the minimum the effect asks for.
//  - What the effects need of world objects and object maps goes through EffectWorldHooks, which
//    the application fills at start-up with the real objects and maps; tests put their own there.
//    Panels reach the effects they hold through effect_panel_hooks, installed the same way.
//  - Game thread only: effects are created, stepped, drawn and freed there. Draw commands carry
//    their own Sprite and SharedRef references, so the graphics thread never reads an effect.
//  - Results: effect_load_type gives RES_OUT_OF_RANGE for a type outside 0..11, else what the
//    type's load gives (RES_OK, RES_READ_FAILED when its pictures are missing).
#include <cstdint>
#include "platform/result.h"

struct Graphics;
struct GameObject;
struct PanelEffectHooks;
struct ObjectMap;
struct MovementPath;
struct Sprite;

enum EffectTypeId : uint32_t {
    EFFECT_BEAM            = 0,
    EFFECT_SPRITE_BURST    = 1,
    EFFECT_PULSE           = 2,
    EFFECT_TEXT_BUBBLE     = 3,
    EFFECT_SPARK           = 4,
    EFFECT_HALO            = 5,
    EFFECT_SPRITE_SEQUENCE = 6,
    EFFECT_PORTAL          = 7,
    EFFECT_PLUME           = 8,
    EFFECT_GLOW            = 9,
    EFFECT_ALERT_MARKER    = 10,
    EFFECT_PARTICLES       = 11,
    EFFECT_TYPE_COUNT      = 12,
};

// Effect::state
constexpr uint32_t EFFECT_FINISHED = 0x1;   // the holder frees it at its next update
constexpr uint32_t EFFECT_BLOCKING = 0x4;   // counted in the owner map's busy count

// Minimum hold times a finished blocking effect leaves on its map, by type.
constexpr int32_t EFFECT_HOLD_DEFAULT_MS   = 1000;   // beam, and any effect that finishes blocking
constexpr int32_t EFFECT_HOLD_SPARK_MS     = 800;
constexpr int32_t EFFECT_HOLD_PULSE_MS     = 300;
constexpr int32_t EFFECT_HOLD_PARTICLES_MS = 200;
constexpr int32_t EFFECT_HOLD_BUBBLE_MS    = 50;

// The common head; every type's record derives from it.
struct Effect {
    uint32_t      type = 0;
    uint32_t      state = 0;
    int32_t       x = 0, y = 0;          // anchor: map coordinates, or the panel's content coordinates
    int32_t       layer = 0;             // on a map: negative under the objects, else over them
    ObjectMap    *owner = nullptr;       // the map holding it (null on a panel)
    MovementPath *motion = nullptr;      // owned; optional straight motion of the anchor
    int32_t       motion_delay = 0;      // ms before the motion starts
};

using EffectLoadTypeFn = Result();
using EffectFreeTypeFn = void();
using EffectCreateFn   = Effect *();
using EffectFreeFn     = void(Effect *effect);
using EffectStepFn     = void(Effect *effect, int32_t dt);
using EffectDrawFn     = void(Effect *effect, Graphics *gfx, int32_t x, int32_t y);

// One record of operation slots per type; an empty slot means the operation does not apply.
struct EffectType {
    const char       *name = nullptr;        // required; used in tests and logs
    EffectLoadTypeFn *load_type = nullptr;   // empty for procedural types
    EffectFreeTypeFn *free_type = nullptr;   // set exactly when load_type is
    EffectCreateFn   *create = nullptr;      // required: a new zeroed record of the type's size
    EffectFreeFn     *free = nullptr;        // required: frees what the type owns and the record
    EffectStepFn     *step = nullptr;        // empty: the effect does not change by itself
    EffectDrawFn     *draw = nullptr;        // x, y: screen position of the anchor
};

// The registry's row of a type (filled on first use); null outside 0..11.
const EffectType *effect_type(uint32_t type);

Result  effect_load_type(int type);
void    effect_types_free();
Effect *effect_create(uint32_t type);                 // null for 12 or more, or when out of memory
void    effect_update(Effect *effect, int32_t dt);
void    effect_draw(Effect *effect, Graphics *gfx, int32_t x, int32_t y);
void    effect_free(Effect *effect);                   // null ignored; the free callback of effect lists
void    effect_move_to(Effect *effect, int32_t x, int32_t y, int32_t duration, int32_t delay);
void    effect_set_blocking(Effect *effect);
void    effect_clear_blocking(Effect *effect, int32_t min_hold);
bool    effect_is_finished(const Effect *effect);

// ---- What the effects need of world objects and maps ---------------------------------------------

// What the effects read of the thing they are attached to, filled in by the layer that owns it.
struct EffectObjectView {
    bool     present = false;       // false: no object, or the world module is not installed
    bool     dying = false;         // its end has begun
    bool     dead = false;          // it is gone at the next sweep
    bool     travelling = false;    // on its way elsewhere
    bool     leaving = false;       // leaving through a portal (the outline scans it)
    bool     left = false;          // has left through it
    bool     inactive = false;      // switched off: it streams nothing
    int32_t  x = 0, y = 0, w = 0, h = 0;
    int32_t  stage = 0;             // steps until it has left; picks the portal outline's animation
    Sprite  *image = nullptr;       // the current picture (not counted)
    int32_t  attach_x = 0, attach_y = 0;   // where a plume streams to, from x, y
    float    plume_ratio = 0.0f;    // what the plume's mote count is scaled from
};

struct EffectWorldHooks {
    void    (*object_addref)(GameObject *object) = nullptr;
    void    (*object_release)(GameObject *object) = nullptr;    // destroys it below 1
    void    (*object_view)(const GameObject *object, EffectObjectView *out) = nullptr;
    void    (*map_set_busy)(ObjectMap *map) = nullptr;           // busy bit and busy count + 1
    int32_t (*map_clear_busy)(ObjectMap *map, int32_t hold) = nullptr;   // count - 1 when above 0; hold raised
};
void effect_set_world_hooks(const EffectWorldHooks &hooks);
PanelEffectHooks effect_panel_hooks();   // what a panel calls on the effects it holds
const EffectWorldHooks &effect_world_hooks();

// Through the hooks; each does nothing (or reads an absent object) for an empty hook.
void effect_object_addref(GameObject *object);
void effect_object_release(GameObject *object);
EffectObjectView effect_object_view(const GameObject *object);
