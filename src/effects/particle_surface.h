#pragma once
// Particle surface: a fixed pool of particles simulated on the game thread and rendered, also on
// the game thread, into a small RGBA pixel buffer that the graphics thread blends onto the screen.
//  - Two buffers, each a SharedRef with a data mutex, are used in turn: a draw queues the current
//    one (with its own reference) and flips to the other, so the next render never writes the
//    block a queued command is about to read. Rendering and blending both hold the block's data
//    mutex; a block outlives the surface until the last command has dropped it.
//  - Particle slots are allocated once at creation and recycled through their free flag; nothing
//    is allocated per particle afterwards. A buffer grows only when a render's box needs more bytes.
//  - An allocation that fails at creation is logged and leaves a partly built surface: the slots
//    that exist are used, a missing buffer renders and draws nothing. Nothing is read past what was
//    allocated.
//  - The kind of cloud (its emitter and its particles' behaviour) comes from two callbacks.
//  - Game thread only, but for the blend commands described above.
#include <cstddef>
#include <cstdint>
#include "platform/colour_fade.h"

struct Graphics;
struct SharedRef;

// Particle::flags
constexpr uint32_t PARTICLE_DEAD        = 0x1;
constexpr uint32_t PARTICLE_FREE        = 0x2;
constexpr uint32_t PARTICLE_INITIALISED = 0x4;

struct Particle {
    float      x, y;            // pixels from the effect's anchor
    uint32_t   flags;
    ColourFade colour;          // its current RGB is the particle's colour
    uint8_t    alpha;           // 0: neither simulated nor drawn
    int32_t    timer;           // remainder of the kind's alpha decay
    int32_t    size;            // 0 one pixel, 1 reaches 1 pixel around, 2 reaches 2 pixels around
    float      vx, vy;          // pixels per second
    int32_t    life;            // ms until it dies
    int32_t    linger;          // ms a dead particle keeps its slot
    int32_t    phase;           // the kind's state: 0 new, 1 flying, 2 dimming
};

// ParticleSurface::flags
constexpr uint32_t SURFACE_SMOOTH   = 0x1;
constexpr uint32_t SURFACE_EMPTY    = 0x2;    // nothing was plotted in the last render
constexpr uint32_t SURFACE_RENDERED = 0x4;
constexpr uint32_t SURFACE_HALO     = 0x8;    // the halo shows now
constexpr uint32_t SURFACE_BLEND_3  = 0x10;   // blend in mode 3 (smoothed) instead of 1

using ParticleFrameFn = void(int32_t dt, void *ctx);
using ParticleFn      = void(Particle *particle, int32_t dt, void *ctx);

struct ParticleBuffer {
    SharedRef *ref = nullptr;          // one reference held by the surface; null when allocation failed
    size_t     capacity = 0;           // bytes
    int32_t    width = 0, height = 0;
    int32_t    left = 0, top = 0, right = -1, bottom = -1;   // relative to the anchor
};

struct ParticleSurface {
    uint32_t         flags = 0;
    int32_t          count = 0;                 // slots that exist
    Particle        *particles = nullptr;       // count slots
    int32_t          free_hint = 0;             // no slot below it is free
    ParticleFrameFn *frame_fn = nullptr;
    ParticleFn      *particle_fn = nullptr;
    void            *ctx = nullptr;
    ParticleBuffer   buffers[2];
    int32_t          current = 0;               // the buffer the next draw takes
    uint8_t         *scratch = nullptr;         // smoothing
    size_t           scratch_capacity = 0;
    int32_t          halo = -1;                 // halo style, -1 none
    int32_t          halo_delay = 0, halo_time = 0;
};

// n below 1 counts as 1. Null only when the surface record itself cannot be allocated.
ParticleSurface *particle_surface_create(int n, int w, int h, ParticleFrameFn *frame_fn, ParticleFn *particle_fn,
                                         void *ctx);
Particle *particle_surface_take_free(ParticleSurface *surface);   // null when none is free
void      particle_surface_render(ParticleSurface *surface, int32_t dt);
// Queues the current buffer with its top-left at (x, y) and flips to the other buffer.
void      particle_surface_draw(ParticleSurface *surface, Graphics *gfx, int32_t x, int32_t y);
void      particle_surface_free(ParticleSurface *surface);   // null ignored
// Marks a particle alive at (x, y) in phase 0, its other fields cleared.
void      particle_revive(Particle *p, float x, float y);

// Allocation of every block a surface owns; tests put failing ones here. Null restores malloc and
// realloc. Blocks are released with std::free.
struct ParticleAllocator {
    void *(*alloc)(size_t bytes);                 // zeroed
    void *(*grow)(void *block, size_t bytes);
};
void particle_surface_set_allocator(const ParticleAllocator *allocator);
