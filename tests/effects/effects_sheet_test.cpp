// Renders every kind of effect into one picture for review: beams, halos, a portal strip,
// particle clouds, sparks, floating texts and the star layer, each stepped to a telling moment
// and drawn through the game's own command stream.
#include <cstdio>

#include "effect_fixture.h"
#include "effects/effect_beam.h"
#include "effects/effect_bubble.h"
#include "effects/effect_glow.h"
#include "effects/effect_particles.h"
#include "effects/effect_spark.h"
#include "effects/effect_sprite.h"
#include "effects/starfield.h"
#include "platform/font.h"
#include "platform/colour_fade.h"

namespace {

class EffectsSheet : public EffectTest {
protected:
    void SetUp() override {
        EffectTest::SetUp();
        gfx_screen_attach(nullptr);
        SDL_FreeSurface(surface);
        surface = gfx_create_surface32(1024, 768);
        gfx_screen_attach(surface);
        ASSERT_EQ(font_select_glyph_blit(4), RES_OK);
        const std::vector<Result> loaded = load_types(generated_store());
        ASSERT_EQ(loaded.size(), size_t(EFFECT_TYPE_COUNT));
        for (Result r : loaded) ASSERT_EQ(r, RES_OK);
    }

    // Steps an effect, draws it at (x, y) and frees it.
    void show(Effect *e, int steps, int x, int y) {
        ASSERT_NE(e, nullptr);
        run(e, 20, steps);
        effect_draw(e, g, x, y);
        replay();
        effect_free(e);
    }

    void label(int x, int y, const char *text) {
        (void)font_draw_text(g, 1, x, y, gfx_map_rgb(150, 160, 190), text);
        replay();
    }
};

TEST_F(EffectsSheet, EveryEffectDrawnOnOnePicture) {
    clear(Rgb8{6, 8, 18});

    // The star layer painted straight onto the sheet.
    Starfield *sf = starfield_create();
    gfx_get()->work_bg_surface = surface;
    starfield_draw(sf, g, 0, 0, 1024, 768);
    replay();
    gfx_get()->work_bg_surface = nullptr;
    starfield_free(sf);

    label(16, 8, "beams: charging, firing, missed");
    for (int style = 0; style < BEAM_STYLE_COUNT; ++style) {
        const int y = 40 + style * 34;
        BeamEffect *charging = effect_create_beam(style, 40, y, 200, y);
        show(charging, 20, charging->box_left, charging->box_top);
        BeamEffect *firing = effect_create_beam(style, 240, y, 520, y + 10);
        show(firing, 40, firing->box_left, firing->box_top);
        BeamEffect *missed = effect_create_beam(style, 560, y + 10, 760, y);
        effect_beam_set_missed(missed);
        show(missed, 40, missed->box_left, missed->box_top);
    }

    label(800, 8, "sparks");
    for (int i = 0; i < 3; ++i) {
        SparkEffect *s = effect_create_spark(800, 40 + i * 40, 1000, 60 + i * 30);
        show(s, 3 + i, s->box_left, s->box_top);
    }

    label(16, 180, "halos 0..6");
    for (int style = 0; style < HALO_STYLE_COUNT; ++style) show(effect_create_halo(style), 0, 16 + style * 104, 200);

    label(16, 310, "portal: opening, open, closing (style 0), outline stretches (style 1)");
    for (int i = 0; i < 10; ++i) {
        PortalEffect *p = effect_create_portal(0);
        p->x = 16 + i * 86;
        p->y = 330;
        effect_portal_open(p, 0, 300);
        const int steps[10] = {1, 2, 3, 4, 6, 10, 15, 22, 24, 26};
        run(p, 20, steps[i]);
        effect_draw(p, g, p->x, p->y);
        replay();
        effect_free(p);
    }
    for (int i = 0; i < 10; ++i) {
        PortalEffect *p = effect_create_portal(1);
        effect_portal_open(p, 0, 100000);
        run(p, 20, 12 + i * 31);
        effect_draw(p, g, 16 + i * 86, 420);
        replay();
        effect_free(p);
    }

    label(16, 510, "particles: boost, damage boost, blast, explosion, large explosion, evasion, burst");
    ParticleEffect *clouds[] = {effect_create_boost_particles(30),   effect_create_damage_boost_particles(30),
                                effect_create_blast_particles(30),   effect_create_explosion_particles(),
                                effect_create_large_explosion_particles(), effect_create_evasion_particles(30),
                                effect_create_burst_particles()};
    const int cloud_steps[] = {30, 12, 12, 8, 10, 20, 5};
    for (int i = 0; i < 7; ++i) show(clouds[i], cloud_steps[i], 70 + i * 140, 600);

    label(16, 690, "floating texts and a pulse");
    const char *texts[] = {"missed", "+12", "37", "+5", "+40", "-8", "---", "+20%", "+3"};
    for (int style = 0; style < 9; ++style) {
        TextBubbleEffect *t = effect_create_text_bubble(style, 2, texts[style], 255, 255, 0);
        show(t, 2, 16 + style * 90, 720);
    }
    PulseEffect *pulse = effect_create_pulse(3, 40, 230, 640, 160, 0, 320, 1, 0, 0);
    show(pulse, 30, 920, 720);

    const std::string dir = ASTROVANE_BINARY_DIR "/test-output";
    ASSERT_EQ(std::system(("mkdir -p '" + dir + "'").c_str()), 0);
    std::vector<uint8_t> rgb;
    for (int y = 0; y < surface->h; ++y)
        for (int x = 0; x < surface->w; ++x) {
            const Rgb8 c = at(x, y);
            rgb.insert(rgb.end(), {c.r, c.g, c.b});
        }
    std::vector<uint8_t> png;
    ASSERT_EQ(png_encode(rgb.data(), surface->w, surface->h, 3, &png), RES_OK);
    FILE *f = std::fopen((dir + "/effects_sheet.png").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::fwrite(png.data(), 1, png.size(), f), png.size());
    std::fclose(f);
    std::printf("effects sheet: %s/effects_sheet.png\n", dir.c_str());

    // Something was drawn in each band.
    EXPECT_GT(lit_pixels_near(380, 45, 8), 0) << "a firing beam";
    EXPECT_GT(lit_pixels_near(64, 248, 4), 0) << "a halo";
    EXPECT_GT(lit_pixels_near(70, 600, 40), 0) << "a particle cloud";
}

}  // namespace
