// Particle surfaces and particle effects: slots, renders, the two buffers, halos, smoothing, the
// end of emission, and allocations that fail.
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <vector>

#include "effect_fixture.h"
#include "effects/effect_particles.h"
#include "effects/particle_surface.h"
#include "platform/shared_ref.h"

namespace {

class Surface : public EffectTest {};

void nothing_frame(int32_t, void *) {}

TEST_F(Surface, ZeroSlotsHoldOneAndEverySlotStartsDeadAndFree) {
    ParticleSurface *s = particle_surface_create(0, 4, 4, nothing_frame, nullptr, nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->count, 1);
    EXPECT_EQ(s->particles[0].flags, PARTICLE_DEAD | PARTICLE_FREE);
    EXPECT_EQ(particle_surface_take_free(s), &s->particles[0]);
    particle_revive(&s->particles[0], 0, 0);
    EXPECT_EQ(particle_surface_take_free(s), nullptr);
    particle_surface_free(s);
}

TEST_F(Surface, ARenderWithNothingAliveIsEmptyAndDrawsNothing) {
    ParticleSurface *s = particle_surface_create(8, 4, 4, nothing_frame, nullptr, nullptr);
    particle_surface_draw(s, g, 10, 10);   // not rendered yet: nothing, no flip
    EXPECT_EQ(s->current, 0);
    particle_surface_render(s, 20);
    EXPECT_TRUE(s->flags & SURFACE_EMPTY);
    EXPECT_TRUE(s->flags & SURFACE_RENDERED);
    particle_surface_free(s);
}

TEST_F(Surface, APlottedParticleColoursItsPixelAndItsBoxFitsItSmoothedOrNot) {
    for (bool smooth : {false, true}) {
        ParticleSurface *s = particle_surface_create(4, 4, 4, nothing_frame, nullptr, nullptr);
        if (smooth) s->flags |= SURFACE_SMOOTH;   // a lone pixel has nothing to smooth with
        Particle *p = particle_surface_take_free(s);
        particle_revive(p, 3.7f, -2.2f);
        p->alpha = 200;
        p->life = 1000;
        colour_fade_set(&p->colour, 10, 200, 30);
        particle_surface_render(s, 20);
        ASSERT_FALSE(s->flags & SURFACE_EMPTY);
        const ParticleBuffer &b = s->buffers[0];
        EXPECT_EQ(std::tie(b.left, b.top, b.width, b.height), std::make_tuple(3, -2, 1, 1)) << smooth;
        const uint8_t *px = static_cast<const uint8_t *>(b.ref->data);
        EXPECT_EQ(std::vector<uint8_t>(px, px + 4), (std::vector<uint8_t>{10, 200, 30, 200})) << smooth;
        particle_surface_free(s);
    }
}

TEST_F(Surface, TwoDrawsInARowQueueTheTwoBuffers) {
    ParticleSurface *s = particle_surface_create(4, 4, 4, nothing_frame, nullptr, nullptr);
    Particle *p = particle_surface_take_free(s);
    particle_revive(p, 1, 1);
    p->alpha = 255;
    p->life = 10000;
    colour_fade_set(&p->colour, 255, 255, 255);
    particle_surface_render(s, 20);
    SharedRef *first = s->buffers[0].ref, *second = s->buffers[1].ref;
    particle_surface_draw(s, g, 10, 10);
    EXPECT_EQ(s->current, 1);
    EXPECT_EQ(first->refcount, 2) << "the queued command holds the first buffer";
    particle_surface_render(s, 20);
    particle_surface_draw(s, g, 10, 10);
    EXPECT_EQ(s->current, 0);
    EXPECT_EQ(second->refcount, 2);
    // The surface goes while both commands are queued: the buffers live until the frame has run.
    particle_surface_free(s);
    EXPECT_EQ(first->refcount, 1);
    replay();
    EXPECT_EQ(at(10, 10), (ScreenRgb{255, 255, 255}));
}

void *failing_alloc(size_t) { return nullptr; }
void *failing_grow(void *, size_t) { return nullptr; }
int  g_allowed = 0;
void *budget_alloc(size_t bytes) { return g_allowed-- > 0 ? std::calloc(1, bytes) : nullptr; }

class SurfaceAllocation : public EffectTest {
protected:
    void TearDown() override {
        particle_surface_set_allocator(nullptr);
        EffectTest::TearDown();
    }
};

TEST_F(SurfaceAllocation, NoBuffersNoSlotsStillRendersDrawsAndFinishes) {
    const ParticleAllocator none{failing_alloc, failing_grow};
    particle_surface_set_allocator(&none);
    ParticleEffect *e = effect_create_burst_particles();
    ASSERT_NE(e, nullptr);
    ASSERT_NE(e->surface, nullptr);
    EXPECT_EQ(e->surface->count, 0);
    EXPECT_EQ(e->surface->buffers[0].ref, nullptr);
    for (int i = 0; i < 30 && !effect_is_finished(e); ++i) {
        effect_update(e, 20);
        effect_draw(e, g, 50, 50);
    }
    EXPECT_TRUE(effect_is_finished(e)) << "a cloud without slots shows nothing and ends";
    effect_free(e);
}

TEST_F(SurfaceAllocation, BuffersWithoutSlotsOrOneBufferOnlyAreGuardedToo) {
    for (int allowed : {1, 2}) {
        g_allowed = allowed;   // the first buffer, then also the second, then nothing
        const ParticleAllocator budget{budget_alloc, failing_grow};
        particle_surface_set_allocator(&budget);
        ParticleEffect *e = effect_create_explosion_particles();
        ASSERT_NE(e, nullptr);
        for (int i = 0; i < 40 && !effect_is_finished(e); ++i) {
            effect_update(e, 20);
            effect_draw(e, g, 50, 50);
        }
        EXPECT_TRUE(effect_is_finished(e)) << allowed;
        replay();
        effect_free(e);
    }
}

TEST_F(SurfaceAllocation, ABufferThatCannotGrowEndsTheRenderEmpty) {
    ParticleSurface *s = particle_surface_create(4, 1, 1, nothing_frame, nullptr, nullptr);
    const ParticleAllocator none{failing_alloc, failing_grow};
    particle_surface_set_allocator(&none);
    for (float x : {0.0f, 9.0f}) {   // two particles 10 pixels apart need 40 bytes
        Particle *p = particle_surface_take_free(s);
        particle_revive(p, x, 0);
        p->alpha = 255;
        p->life = 1000;
    }
    particle_surface_render(s, 20);
    EXPECT_TRUE(s->flags & SURFACE_EMPTY);
    EXPECT_EQ(s->buffers[0].width, 0);
    particle_surface_draw(s, g, 0, 0);   // nothing to queue
    replay();
    particle_surface_free(s);
}

class ParticleEffects : public EffectTest {
protected:
    static void SetUpTestSuite() { (void)load_types(GENERATED_STORE_PATH); }
};

TEST_F(ParticleEffects, ExplosionsShowTheirHaloForTheirStretchOfTime) {
    const struct {
        const char *what;
        ParticleEffect *(*create)();
        int halo, from_ms, until_ms;
    } cases[] = {{"explosion", effect_create_explosion_particles, 5, 100, 220},
                 {"large explosion", effect_create_large_explosion_particles, 6, 140, 320}};
    for (const auto &c : cases) {
        ParticleEffect *e = c.create();
        ASSERT_EQ(e->surface->halo, c.halo) << c.what;
        for (int t = 20; t <= c.until_ms + 80; t += 20) {
            effect_update(e, 20);
            const bool shows = e->surface->flags & SURFACE_HALO;
            EXPECT_EQ(shows, t >= c.from_ms && t < c.until_ms) << c.what << " at " << t << " ms";
        }
        EXPECT_EQ(e->surface->halo, -1) << c.what << ": the halo is over";
        effect_free(e);
    }
}

TEST_F(ParticleEffects, ABurstEmitsForItsTimeThenFinishesOnItsFirstEmptyRender) {
    FakeMap map;
    ParticleEffect *e = effect_create_burst_particles();
    e->owner = as_map(&map);
    EXPECT_GE(e->emit_ms, 120);
    EXPECT_LE(e->emit_ms, 200);
    int t = 0;
    bool ended_emission = false;
    while (!effect_is_finished(e) && t < 5000) {
        effect_update(e, 20);
        t += 20;
        if (!(e->flags & PARTICLES_EMITTING)) ended_emission = true;
        if (!effect_is_finished(e)) {
            EXPECT_EQ(map.busy, 1) << "a cloud on a map blocks it for its whole life";
        }
        if (effect_is_finished(e)) {
            EXPECT_TRUE(ended_emission);
            EXPECT_TRUE(e->surface->flags & SURFACE_EMPTY);
        }
    }
    EXPECT_TRUE(effect_is_finished(e));
    EXPECT_EQ(map.busy, 0);
    EXPECT_GE(map.hold, 200);
    effect_free(e);
}

TEST_F(ParticleEffects, ABoostRingShrinksUntilItsMinimumThenDrains) {
    ParticleEffect *e = effect_create_damage_boost_particles(20);
    EXPECT_EQ(e->surface_w, 41);
    EXPECT_EQ(e->surface->count, 16384);
    run(e, 20, 10);
    EXPECT_NEAR(e->spread, 20.0f - 0.045f * 200, 0.01f);
    // (20 - 4) / 0.045 ms to reach the minimum radius of 4
    run(e, 20, 18);
    EXPECT_FALSE(e->flags & PARTICLES_EMITTING);
    EXPECT_FLOAT_EQ(e->spread, 4.0f);
    int steps = 0;
    while (!effect_is_finished(e) && steps < 500) {
        effect_update(e, 20);
        ++steps;
    }
    EXPECT_TRUE(effect_is_finished(e));
    effect_free(e);
}

TEST_F(ParticleEffects, TheStartDelayHoldsEverythingAndTheSoundPlaysOnceAfterIt) {
    ParticleEffect *e = effect_create_blast_particles(10);
    effect_particles_set_delay(e, 100);
    effect_particles_set_sound(e, 3);
    run(e, 20, 4);
    EXPECT_TRUE(e->flags & PARTICLES_SOUND);
    EXPECT_FALSE(e->surface->flags & SURFACE_RENDERED);
    effect_update(e, 20);
    EXPECT_FALSE(e->flags & PARTICLES_SOUND);
    EXPECT_TRUE(e->surface->flags & SURFACE_RENDERED);
    effect_particles_set_delay(e, -5);
    EXPECT_EQ(e->start_delay, 0);
    effect_free(e);
}

// However many frames an effect lives, emits and is drawn, the game's draws stay where they stand.
TEST_F(ParticleEffects, EveryKindLivesAndDrawsOnShowDrawsAlone) {
    random_seed(5);
    const uint64_t game_draws = random_state();
    ParticleEffect *kinds[] = {effect_create_boost_particles(12), effect_create_damage_boost_particles(12),
                               effect_create_blast_particles(12), effect_create_explosion_particles(),
                               effect_create_large_explosion_particles(), effect_create_evasion_particles(12),
                               effect_create_burst_particles()};
    for (ParticleEffect *e : kinds) {
        ASSERT_NE(e, nullptr);
        for (int t = 0; t < 60; ++t) {
            effect_update(e, 20);
            draw_alone(e, 100, 100);
        }
        EXPECT_EQ(random_state(), game_draws) << "kind " << e->kind;
        effect_free(e);
    }
}

TEST_F(ParticleEffects, EveryKindDrawsLightAroundItsAnchor) {
    ParticleEffect *kinds[] = {effect_create_boost_particles(12), effect_create_damage_boost_particles(12),
                               effect_create_blast_particles(12), effect_create_explosion_particles(),
                               effect_create_large_explosion_particles(), effect_create_evasion_particles(12),
                               effect_create_burst_particles()};
    for (ParticleEffect *e : kinds) {
        ASSERT_NE(e, nullptr);
        run(e, 20, 4);
        draw_alone(e, 160, 120);
        EXPECT_GT(lit_pixels_near(160, 120, 30), 0) << "kind " << e->kind;
        effect_free(e);
    }
}

}  // namespace
