#pragma once
// Particle effects (type 11): clouds of coloured particles for engine boosts, explosions, blasts,
// evasion shimmer and small bursts, each on a particle surface (particle_surface.h).
//  - Seven kinds (ParticleKind) differ in their emitter (a ring of four emitters that can spin and
//    shrink, or a small random spot) and in their particles' colours, speeds and lives.
//  - An effect on a map blocks it for its whole life and leaves a hold of at least 200 ms.
//  - A creator returns null when memory runs out for the record; a surface that could only be
//    partly allocated still runs (it shows what it could allocate, and finishes).
//  - Random draws come from the calling thread's quick generator (random.h).
//  - Game thread only.
#include <cstdint>
#include "effects/effect.h"
#include "effects/particle_surface.h"

enum ParticleKind : int32_t {
    PARTICLES_BOOST           = 0,
    PARTICLES_DAMAGE_BOOST    = 1,
    PARTICLES_BLAST           = 2,
    PARTICLES_EXPLOSION       = 3,
    PARTICLES_LARGE_EXPLOSION = 4,
    PARTICLES_EVASION         = 5,
    PARTICLES_BURST           = 6,
    PARTICLE_KIND_COUNT       = 7,
};

constexpr uint32_t PARTICLES_EMITTING = 0x1;    // ParticleEffect::flags
constexpr uint32_t PARTICLES_SOUND    = 0x2;
constexpr int      PARTICLE_EMITTERS  = 4;

struct ParticleEffect : Effect {
    int32_t          kind = 0;
    uint32_t         flags = 0;
    float            spread = 0.0f;
    float            spread_min = 0.0f, spread_decay = 0.0f, spin = 0.0f;
    int32_t          emitter_count = PARTICLE_EMITTERS;
    Particle         emitters[PARTICLE_EMITTERS] = {};
    int32_t          emitter_angle[PARTICLE_EMITTERS] = {};   // the ring's start angles
    float            angle = 0.0f;                             // rotation of the ring, 0..360
    ParticleSurface *surface = nullptr;                        // owned
    int32_t          surface_w = 0, surface_h = 0;
    int32_t          emit_ms = 0;
    int32_t          start_delay = 0;
    int32_t          sound = 0;
    int32_t          duration = 0;                             // kind 5
};

ParticleEffect *effect_create_boost_particles(int r);
ParticleEffect *effect_create_damage_boost_particles(int r);
ParticleEffect *effect_create_blast_particles(int r);
ParticleEffect *effect_create_explosion_particles();
ParticleEffect *effect_create_large_explosion_particles();
ParticleEffect *effect_create_evasion_particles(int r);
ParticleEffect *effect_create_burst_particles();
void effect_particles_set_sound(ParticleEffect *effect, int sound);
void effect_particles_set_delay(ParticleEffect *effect, int ms);   // negative counts as 0
