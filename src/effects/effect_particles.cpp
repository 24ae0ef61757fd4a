// Particle effects: the seven kinds' emitters and particle rules over a particle surface.
#include "effects/effect_particles.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "effects/effect_local.h"
#include "platform/geometry.h"
#include "platform/random.h"
#include "platform/sound.h"

namespace {

// What a kind's particles do once they fly.
struct KindRules {
    int32_t alpha_period;      // ms per alpha step while flying
    bool    damped;            // velocity x 0.95 every step
    int32_t per_render;        // particles made alive per render while emitting (per emitter for rings)
};

constexpr KindRules RULES[PARTICLE_KIND_COUNT] = {
    {20, true, 36},    // boost
    {5, false, 64},    // damage boost
    {10, false, 256},  // blast
    {5, false, 512},   // explosion
    {40, false, 512},  // large explosion
    {5, false, 64},    // evasion
    {5, false, 512},   // burst
};

constexpr int32_t PARTICLES_RING = 16384;
constexpr int32_t DIM_ALPHA_PERIOD = 4;      // ms per alpha step while dimming
constexpr int32_t EVASION_LATE_MS = 1800;    // the evasion shimmer turns dim and slow below this

void set_velocity(Particle *p, int heading, int speed) {
    int ix = 0, iy = 0;
    rotate_point(heading, speed, &ix, &iy);
    p->vx = float(ix) / 100.0f;
    p->vy = float(iy) / 100.0f;
}

void fade(Particle *p, int r, int g, int b, int tr, int tg, int tb, int ms, int delay) {
    colour_fade_start(&p->colour, r, g, b, tr, tg, tb, std::max(ms, 1), delay, 0);
}

// Phase 0: gives a new particle its colour, alpha, size and velocity.
void init_particle(ParticleEffect *e, Particle *p, int emitter_angle) {
    using effect_detail::rr;
    p->flags |= PARTICLE_INITIALISED;
    p->phase = 1;
    p->timer = 0;
    p->size = 0;
    switch (e->kind) {
    case PARTICLES_BOOST:
        p->life = 3000;
        fade(p, rr(170, 220), 230, 230, 255, rr(130, 150), rr(80, 90), rr(1700, 2100), 0);
        p->alpha = uint8_t(rr(222, 250));
        set_velocity(p, emitter_angle + 90 + rr(-10, 10), rr(1300, 2100));
        break;
    case PARTICLES_DAMAGE_BOOST:
        p->life = 1500;
        fade(p, 255, 0, 0, 120, 255, 40, 1200, 0);
        p->alpha = uint8_t(rr(200, 240));
        set_velocity(p, rr(0, 359), rr(100, 1000));
        break;
    case PARTICLES_BLAST:
        p->life = 2000;
        fade(p, rr(210, 240), rr(210, 240), rr(220, 250), 50, rr(130, 150), rr(210, 220), rr(600, 800), 0);
        p->alpha = uint8_t(rr(200, 240));
        set_velocity(p, rr(0, 359), rr(5300, 5320));
        break;
    case PARTICLES_EXPLOSION: {
        p->life = rr(130, 400);
        fade(p, rr(200, 255), rr(200, 255), rr(200, 255), rr(130, 150), rr(10, 20), rr(10, 20), p->life,
             rr(10, 100));
        p->alpha = uint8_t(rr(200, 240));
        const bool slow = rr(0, 2) == 0;
        p->size = slow ? 1 : 0;
        set_velocity(p, rr(0, 359), slow ? rr(2000, 3200) : rr(3000, 4400));
        break;
    }
    case PARTICLES_LARGE_EXPLOSION: {
        p->life = rr(300, 500);
        fade(p, rr(200, 255), rr(200, 255), rr(200, 255), rr(130, 150), rr(10, 20), rr(10, 20), p->life,
             rr(100, 210));
        p->alpha = uint8_t(rr(200, 240));
        const int r = rr(0, 9);
        int speed;
        if (r < 3) {
            speed = rr(5000, 6400);
            p->size = 0;
        } else if (r == 9) {
            speed = rr(2000, 3200);
            p->size = 2;
        } else {
            speed = rr(4000, 5400);
            p->size = 1;
        }
        set_velocity(p, rr(0, 359), speed);
        break;
    }
    case PARTICLES_EVASION: {
        p->life = rr(300, 700);
        const bool late = e->duration < EVASION_LATE_MS;
        if (late) fade(p, 0, 10, 30, 0, 3, 5, p->life, 0);
        else fade(p, 0, 128, 228, 0, 3, 5, p->life, 0);
        p->alpha = uint8_t(rr(200, 240));
        set_velocity(p, rr(0, 359), late ? rr(600, 1400) : rr(1000, 6800));
        break;
    }
    default: {   // burst
        p->life = rr(80, 200);
        fade(p, rr(20, 60), rr(60, 90), rr(130, 150), rr(220, 240), rr(250, 254), rr(250, 254), p->life,
             rr(100, 200));
        p->alpha = uint8_t(rr(200, 240));
        const bool slow = rr(0, 2) == 0;
        p->size = slow ? 1 : 0;
        set_velocity(p, rr(0, 359), slow ? rr(1000, 2200) : rr(2000, 3400));
        break;
    }
    }
}

// Phase 1 -> 2: the dark colour and the time a stopped particle takes to reach it.
void start_dimming(ParticleEffect *e, Particle *p) {
    using effect_detail::rr;
    switch (e->kind) {
    case PARTICLES_BOOST: colour_fade_to(&p->colour, rr(10, 20), 0, 0, 800, 0); break;
    case PARTICLES_DAMAGE_BOOST: colour_fade_to(&p->colour, 0, 0, 0, 800, 0); break;
    case PARTICLES_BLAST: colour_fade_to(&p->colour, 0, rr(5, 10), rr(10, 20), 1000, 0); break;
    case PARTICLES_LARGE_EXPLOSION: colour_fade_to(&p->colour, rr(10, 20), 0, 0, rr(2000, 3000), 0); break;
    case PARTICLES_EVASION: colour_fade_to(&p->colour, 0, 0, 0, 500, 0); break;
    default: colour_fade_to(&p->colour, rr(10, 20), 0, 0, 1000, 0); break;
    }
    p->vx = p->vy = 0.0f;
    p->size = 0;
    p->phase = 2;
    p->timer = 0;
}

// Lowers the alpha by one for every `period` ms; a particle that reaches 0 dies at once.
void decay_alpha(Particle *p, int32_t dt, int32_t period) {
    p->timer += dt;
    const int32_t drop = p->timer / period;
    p->timer %= period;
    const int32_t alpha = int32_t(p->alpha) - drop;
    p->alpha = uint8_t(std::max(alpha, 0));
    if (p->alpha == 0) {
        p->flags |= PARTICLE_DEAD;
        p->linger = 0;
    }
}

void particle_callback(Particle *p, int32_t dt, void *ctx) {
    using effect_detail::rr;
    ParticleEffect *e = static_cast<ParticleEffect *>(ctx);
    if (p->flags & PARTICLE_DEAD) return;
    const KindRules &rules = RULES[e->kind];
    switch (p->phase) {
    case 0: init_particle(e, p, rr(0, 359)); break;
    case 1:
        if (rules.damped) {
            p->vx *= 0.95f;
            p->vy *= 0.95f;
        }
        decay_alpha(p, dt, rules.alpha_period);
        if (!colour_fade_is_running(&p->colour) && distance(int(p->x), int(p->y)) >= int(e->spread))
            start_dimming(e, p);
        break;
    default: decay_alpha(p, dt, DIM_ALPHA_PERIOD); break;
    }
}

void place_emitters(ParticleEffect *e) {
    for (int i = 0; i < PARTICLE_EMITTERS; ++i) {
        int ex = 0, ey = 0;
        rotate_point(e->emitter_angle[i] + int(e->angle), int(e->spread * 100.0f), &ex, &ey);
        e->emitters[i].x = float(ex) / 100.0f;
        e->emitters[i].y = float(ey) / 100.0f;
    }
}

// Takes up to n free particles, placing each with `where` and initialising it.
template <typename Where>
void emit(ParticleEffect *e, int n, Where where) {
    for (int i = 0; i < n; ++i) {
        Particle *p = particle_surface_take_free(e->surface);
        if (!p) return;
        float x = 0, y = 0;
        int heading = 0;
        where(&x, &y, &heading);
        particle_revive(p, x, y);
        init_particle(e, p, heading);
    }
}

void frame_callback(int32_t, void *ctx) {
    using effect_detail::rr;
    ParticleEffect *e = static_cast<ParticleEffect *>(ctx);
    ParticleSurface *s = e->surface;
    const int n = RULES[e->kind].per_render;
    if (!(e->flags & PARTICLES_EMITTING)) {
        if (e->kind == PARTICLES_BOOST || e->kind == PARTICLES_DAMAGE_BOOST) s->flags &= ~SURFACE_SMOOTH;
        return;
    }
    s->flags |= SURFACE_SMOOTH;
    place_emitters(e);
    switch (e->kind) {
    case PARTICLES_BOOST:
    case PARTICLES_DAMAGE_BOOST:
        for (int i = 0; i < PARTICLE_EMITTERS; ++i) {
            const Particle &em = e->emitters[i];
            const int heading = e->emitter_angle[i] + int(e->angle);
            emit(e, n, [&](float *x, float *y, int *h) {
                *x = em.x;
                *y = em.y;
                *h = heading;
            });
        }
        break;
    case PARTICLES_BLAST:
        emit(e, n, [&](float *x, float *y, int *h) {
            const Particle &em = e->emitters[rr(0, PARTICLE_EMITTERS - 1)];
            *x = em.x + float(rr(-1, 1));
            *y = em.y + float(rr(-1, 1));
            *h = 0;
        });
        break;
    default: {
        const int reach = e->kind == PARTICLES_LARGE_EXPLOSION ? 3 : e->kind == PARTICLES_EVASION ? 5 : 2;
        emit(e, n, [&](float *x, float *y, int *h) {
            *x = float(rr(-reach, reach));
            *y = float(rr(-reach, reach));
            *h = 0;
        });
        break;
    }
    }
}

Effect *particles_create() { return new (std::nothrow) ParticleEffect{}; }

void particles_free(Effect *e) {
    ParticleEffect *p = static_cast<ParticleEffect *>(e);
    particle_surface_free(p->surface);
    delete p;
}

bool timed_emission(int kind) {
    return kind == PARTICLES_BLAST || kind == PARTICLES_EXPLOSION || kind == PARTICLES_LARGE_EXPLOSION ||
           kind == PARTICLES_BURST;
}

void particles_step(Effect *eff, int32_t dt) {
    ParticleEffect *e = static_cast<ParticleEffect *>(eff);
    if (e->owner) effect_set_blocking(e);
    if (e->start_delay > 0) {
        e->start_delay -= dt;
        if (e->start_delay > 0) return;
    }
    if (e->flags & PARTICLES_SOUND) {
        e->flags &= ~PARTICLES_SOUND;
        sound_play(e->sound);
    }
    e->angle = std::fmod(e->angle + e->spin * float(dt), 360.0f);
    if (e->angle < 0) e->angle += 360.0f;
    e->spread -= e->spread_decay * float(dt);

    if (e->kind == PARTICLES_BOOST || e->kind == PARTICLES_DAMAGE_BOOST) {
        if (e->spread_min > e->spread) {
            e->spread = e->spread_min;
            e->flags &= ~PARTICLES_EMITTING;
        }
    } else if (timed_emission(e->kind)) {
        if (e->surface && (e->surface->flags & SURFACE_RENDERED) && e->emit_ms >= 1) {
            e->emit_ms -= dt;
            if (e->emit_ms < 1) e->flags &= ~PARTICLES_EMITTING;
        }
    } else {
        e->duration -= dt;
        if (e->duration < 1) e->flags &= ~PARTICLES_EMITTING;
    }

    particle_surface_render(e->surface, dt);
    const bool empty = !e->surface || (e->surface->flags & SURFACE_EMPTY);
    if (!(e->flags & PARTICLES_EMITTING) && empty) {
        e->state |= EFFECT_FINISHED;
        effect_clear_blocking(e, EFFECT_HOLD_PARTICLES_MS);
    }
}

void particles_draw(Effect *eff, Graphics *gfx, int32_t x, int32_t y) {
    ParticleEffect *e = static_cast<ParticleEffect *>(eff);
    ParticleSurface *s = e->surface;
    if (e->start_delay > 0 || !s || (s->flags & SURFACE_EMPTY) || !(s->flags & SURFACE_RENDERED)) return;
    const ParticleBuffer b = s->buffers[s->current];
    particle_surface_draw(s, gfx, x + b.left, y + b.top);
    effect_queue_rects(gfx, x + b.left, y + b.top, b.width, b.height);
}

struct Setup {
    int32_t kind;
    float   spread, spread_min, spread_decay, spin;
    int32_t size;        // surface side
    int32_t particles;
    int32_t layer;
};

ParticleEffect *create(const Setup &setup) {
    using effect_detail::rr;
    ParticleEffect *e = static_cast<ParticleEffect *>(effect_create(EFFECT_PARTICLES));
    if (!e) return nullptr;
    e->kind = setup.kind;
    e->spread = setup.spread;
    e->spread_min = setup.spread_min;
    e->spread_decay = setup.spread_decay;
    e->spin = setup.spin;
    e->layer = setup.layer;
    const int start = rr(0, 359);
    for (int i = 0; i < PARTICLE_EMITTERS; ++i) {
        e->emitter_angle[i] = start + 90 * i;
        colour_fade_set(&e->emitters[i].colour, 200, 250, 40);
    }
    place_emitters(e);
    e->surface_w = e->surface_h = setup.size;
    e->surface = particle_surface_create(setup.particles, setup.size, setup.size, frame_callback, particle_callback, e);
    e->flags = PARTICLES_EMITTING;
    return e;
}

int32_t side(int r) { return 2 * std::max(r, 0) + 1; }

}  // namespace

void particles_effect_register(EffectType *t) {
    t->name = "particles";
    t->create = particles_create;
    t->free = particles_free;
    t->step = particles_step;
    t->draw = particles_draw;
}

ParticleEffect *effect_create_boost_particles(int r) {
    return create({PARTICLES_BOOST, float(r), 0.0f, 0.03f, 0.2f, side(r), PARTICLES_RING, 0});
}

ParticleEffect *effect_create_damage_boost_particles(int r) {
    return create({PARTICLES_DAMAGE_BOOST, float(r), 4.0f, 0.045f, 0.3f, side(r), PARTICLES_RING, 0});
}

ParticleEffect *effect_create_blast_particles(int r) {
    ParticleEffect *e = create({PARTICLES_BLAST, float(r), 0.0f, 0.0f, 0.0f, side(r), 2048, 0});
    if (e) e->emit_ms = 90;
    return e;
}

ParticleEffect *effect_create_explosion_particles() {
    using effect_detail::rr;
    ParticleEffect *e = create({PARTICLES_EXPLOSION, 10.0f, 0.0f, 0.0f, 0.0f, 21, 2048, 10});
    if (!e) return nullptr;
    e->emit_ms = rr(120, 200);
    if (e->surface) {
        e->surface->halo = 5;
        e->surface->halo_delay = 100;
        e->surface->halo_time = 120;
    }
    return e;
}

ParticleEffect *effect_create_large_explosion_particles() {
    using effect_detail::rr;
    ParticleEffect *e = create({PARTICLES_LARGE_EXPLOSION, 26.0f, 0.0f, 0.0f, 0.0f, 53, 4096, 10});
    if (!e) return nullptr;
    e->emit_ms = rr(170, 240);
    if (e->surface) {
        e->surface->halo = 6;
        e->surface->halo_delay = 140;
        e->surface->halo_time = 180;
    }
    return e;
}

ParticleEffect *effect_create_evasion_particles(int r) {
    ParticleEffect *e = create({PARTICLES_EVASION, float(r), 0.0f, 0.0f, 0.0f, side(r), PARTICLES_RING, 0});
    if (e) e->duration = 3000;
    return e;
}

ParticleEffect *effect_create_burst_particles() {
    using effect_detail::rr;
    ParticleEffect *e = create({PARTICLES_BURST, 4.0f, 0.0f, 0.0f, 0.0f, 9, PARTICLES_RING, 10});
    if (e) e->emit_ms = rr(120, 200);
    return e;
}

void effect_particles_set_sound(ParticleEffect *e, int sound) {
    if (!e) return;
    e->flags |= PARTICLES_SOUND;
    e->sound = sound;
}

void effect_particles_set_delay(ParticleEffect *e, int ms) {
    if (e) e->start_delay = std::max(ms, 0);
}
