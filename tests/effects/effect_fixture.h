#pragma once
// What the effect tests share: stand-in world objects and maps behind the effect hooks, an
// off-screen 32-bit screen that frames are replayed into, the generated store (or a small store of
// a test's own) for the effect pictures, and a seeded quick generator.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>
#include "app/app_hooks.h"

#include "assetgen/canvas.h"
#include "assetgen/output.h"
#include "effects/effect.h"
#include "platform/draw.h"
#include "platform/graphics.h"
#include "platform/random.h"
#include "platform/sprite.h"
#include "platform/store.h"
#include "platform/store_write.h"
#include "support/fixture_store.h"
#include "test_support.h"

struct FakeObject {
    int32_t          refs = 1;
    EffectObjectView view;
    FakeObject() { view.present = true; }
};

struct FakeMap {
    uint32_t flags = 0;
    int32_t  busy = 0;
    int32_t  hold = 0;
    int32_t  last_hold = -1;   // the minimum the last clear asked for
};

inline FakeObject *as_fake(GameObject *o) { return reinterpret_cast<FakeObject *>(o); }
inline GameObject *as_object(FakeObject *o) { return reinterpret_cast<GameObject *>(o); }
inline ObjectMap  *as_map(FakeMap *m) { return reinterpret_cast<ObjectMap *>(m); }

// The map rules the effects rely on: busy bit and count up; count down (never below 0) and the
// hold raised to at least the asked minimum.
inline EffectWorldHooks fake_world_hooks() {
    EffectWorldHooks h;
    h.object_addref = [](GameObject *o) { as_fake(o)->refs += 1; };
    h.object_release = [](GameObject *o) { as_fake(o)->refs -= 1; };
    h.object_view = [](const GameObject *o, EffectObjectView *out) {
        *out = reinterpret_cast<const FakeObject *>(o)->view;
    };
    h.map_set_busy = [](ObjectMap *m) {
        FakeMap *f = reinterpret_cast<FakeMap *>(m);
        f->flags |= 1;
        f->busy += 1;
    };
    h.map_clear_busy = [](ObjectMap *m, int32_t hold) {
        FakeMap *f = reinterpret_cast<FakeMap *>(m);
        f->last_hold = hold;
        if (f->busy > 0) f->busy -= 1;
        if (hold >= 1 && hold > f->hold) f->hold = hold;
        return f->busy;
    };
    return h;
}

struct ScreenRgb {
    uint8_t r, g, b;
    bool operator==(const ScreenRgb &o) const { return r == o.r && g == o.g && b == o.b; }
};
inline std::ostream &operator<<(std::ostream &os, const ScreenRgb &c) {
    return os << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ")";
}

// Opens the store at path as the game's data store; false when it cannot be read.
inline bool open_store(const std::string &path) {
    store_shutdown();
    store_set_path(path.c_str());
    return store_open() == RES_OK;
}

// A store of the test's own: each (path, canvas) written as an RGBA PNG, then packed.
inline std::string pack_store(const std::string &dir, const std::vector<std::pair<std::string, Canvas>> &files) {
    const std::string root = dir + "/tree", out = dir + "/store.dat";
    for (const auto &[path, canvas] : files) EXPECT_EQ(output_png_rgba(root, path, canvas), RES_OK) << path;
    std::string error;
    EXPECT_EQ(store_pack_tree(root.c_str(), out.c_str(), &error), RES_OK) << error;
    return out;
}

// A Sprite (refcount 0) of the canvas, loaded as the game loads its PNGs.
inline Sprite *sprite_from_canvas(const Canvas &canvas) {
    std::vector<uint8_t> png;
    const std::vector<uint8_t> pixels = canvas_to_rgba8(canvas);
    if (png_encode(pixels.data(), canvas.width, canvas.height, 4, &png) != RES_OK) return nullptr;
    FILE *f = fmemopen(png.data(), png.size(), "rb");
    if (!f) return nullptr;
    Sprite *s = sprite_load_png_stream("test.png", f);
    std::fclose(f);
    return s;
}

// A w x h square of light (every pixel opaque) for stores of a test's own.
inline Canvas solid_canvas(int w, int h, Colour c = {1, 1, 1, 1}) { return canvas_create(w, h, c); }

class EffectTest : public ::testing::Test {
protected:
    static constexpr uint32_t SEED = 20260107u;

    void SetUp() override {
        random_seed(SEED);
        std::printf("quick generator seed %u\n", SEED);
        effect_set_world_hooks(fake_world_hooks());
        surface = gfx_create_surface32(320, 240);
        ASSERT_NE(surface, nullptr);
        gfx_screen_attach(surface);
        ASSERT_EQ(gfx_select_primitives(4), RES_OK);
        g = gfx_create();
        ASSERT_NE(g, nullptr);
        clear(ScreenRgb{0, 0, 0});
    }

    void TearDown() override {
        app_install_hooks();   // the real tables back
        gfx_screen_attach(nullptr);
        if (g) gfx_free(g);
        if (surface) SDL_FreeSurface(surface);
    }

    // Loads every effect type's pictures from the store at path; the types' results in type order.
    static std::vector<Result> load_types(const std::string &path) {
        std::vector<Result> results;
        if (!open_store(path)) return results;
        for (int t = 0; t < int(EFFECT_TYPE_COUNT); ++t) results.push_back(effect_load_type(t));
        return results;
    }

    void clear(ScreenRgb c) {
        for (int y = 0; y < surface->h; ++y)
            for (int x = 0; x < surface->w; ++x) {
                uint8_t *p = static_cast<uint8_t *>(surface->pixels) + y * surface->pitch + x * 4;
                p[0] = c.b;
                p[1] = c.g;
                p[2] = c.r;
                p[3] = 0;
            }
    }

    ScreenRgb at(int x, int y) const {
        const uint8_t *p = static_cast<const uint8_t *>(surface->pixels) + y * surface->pitch + x * 4;
        return ScreenRgb{p[2], p[1], p[0]};
    }

    int lit_pixels_near(int cx, int cy, int reach) const {
        int n = 0;
        for (int y = cy - reach; y <= cy + reach; ++y)
            for (int x = cx - reach; x <= cx + reach; ++x) {
                if (x < 0 || y < 0 || x >= surface->w || y >= surface->h) continue;
                const ScreenRgb c = at(x, y);
                n += (c.r | c.g | c.b) != 0;
            }
        return n;
    }

    void replay() { ASSERT_EQ(gfx_replay_frame(g, surface), RES_OK); }

    // One draw of the effect at its anchor, replayed onto a cleared screen.
    void draw_alone(Effect *e, int x, int y) {
        clear(ScreenRgb{0, 0, 0});
        effect_draw(e, g, x, y);
        replay();
    }

    static void run(Effect *e, int32_t dt, int steps) {
        for (int i = 0; i < steps; ++i) effect_update(e, dt);
    }

    SDL_Surface *surface = nullptr;
    Graphics    *g = nullptr;
};
