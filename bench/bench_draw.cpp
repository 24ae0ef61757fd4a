// A busy frame: a screen of text and a few hundred sprites, built as commands and then executed
// into an off-screen 1024 x 768 surface, against the 20 ms the game loop gives a frame.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/draw.h"
#include "platform/font.h"
#include "platform/graphics.h"
#include "platform/sprite.h"
#include "platform/store.h"

namespace {

constexpr int SPRITES = 300;
constexpr int TEXT_LINES = 60;

// A 40 x 40 disc with a ring cut out: spans of several runs per row, like a ship picture.
Sprite *make_disc(uint8_t r, uint8_t g, uint8_t b) {
    Sprite *s = sprite_create();
    s->width = s->height = 40;
    s->bytes_per_pixel = 4;
    s->colour_key = 0xEA008A;
    s->pixels.resize(40 * 40 * 4);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const int d2 = (x - 20) * (x - 20) + (y - 20) * (y - 20);
            const uint32_t v = (d2 < 400 && (d2 < 100 || d2 > 180)) ? (uint32_t(r) << 16 | g << 8 | b) : s->colour_key;
            std::memcpy(&s->pixels[(y * 40 + x) * 4], &v, 4);
        }
    sprite_build_spans(s);
    sprite_addref(s);
    return s;
}

struct Scene {
    Graphics *g = nullptr;
    SDL_Surface *surface = nullptr;
    std::vector<Sprite *> sprites;
    std::vector<std::string> lines;
    bool fonts = false;

    Scene() {
        g = gfx_get();
        surface = gfx_create_surface32(1024, 768);
        gfx_screen_attach(surface);
        (void)gfx_select_primitives(4);
        (void)font_select_glyph_blit(4);
        store_set_path(ASTROVANE_BINARY_DIR "/store.dat");
        fonts = store_open() == RES_OK && font_get(2) != nullptr;
        for (int i = 0; i < 4; ++i) sprites.push_back(make_disc(uint8_t(60 * i), 200, uint8_t(250 - 50 * i)));
        for (int i = 0; i < TEXT_LINES; ++i)
            lines.push_back("Sector " + std::to_string(i) +
                            ": 12 ships, 4 sites, research 1,250 points, shields at 85%, crew 340 of 400");
    }
    ~Scene() {
        for (Sprite *s : sprites) sprite_release(s);
        fonts_free_all();
        gfx_screen_attach(nullptr);
        SDL_FreeSurface(surface);
        gfx_destroy();
    }

    void build() {
        (void)gfx_queue_command(g, gfx_lock_screen, nullptr, 0);
        GfxRect all{0, 0, 1024, 768};
        (void)gfx_queue_fill_rect(g, all, 8, 10, 24);
        for (int i = 0; i < SPRITES; ++i) {
            SpriteDrawPayload p{};
            static const uint16_t flags[] = {0, SPRITE_DRAW_BLEND, SPRITE_DRAW_TINT, SPRITE_DRAW_BRIGHTNESS,
                                             SPRITE_DRAW_BLEND | SPRITE_DRAW_ADDITIVE};
            p.flags = flags[i % 5];
            p.x = int16_t((i * 97) % 1000);
            p.y = int16_t((i * 53) % 740);
            p.sprite = sprites[i % sprites.size()];
            p.tint_r = 255;
            p.brightness = 60;
            (void)sprite_queue_draw(g, p);
        }
        (void)gfx_queue_command(g, gfx_unlock_screen, nullptr, 0);
        const uint32_t colour = gfx_map_rgb(220, 230, 255);
        for (int i = 0; i < TEXT_LINES && fonts; ++i)
            (void)font_draw_text(g, 2, 8, 4 + i * 12, colour, lines[i].c_str());
    }
};

void BM_DrawFrame(benchmark::State &state) {
    Scene scene;
    if (!scene.fonts) state.SkipWithError("no fonts: build the store first (cmake --build build --target store)");
    double build_ms = 0, run_ms = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        scene.build();
        auto t1 = std::chrono::steady_clock::now();
        (void)gfx_replay_frame(scene.g, scene.surface);
        auto t2 = std::chrono::steady_clock::now();
        build_ms += std::chrono::duration<double, std::milli>(t1 - t0).count();
        run_ms += std::chrono::duration<double, std::milli>(t2 - t1).count();
    }
    const double n = double(state.iterations());
    state.counters["build_ms"] = build_ms / n;
    state.counters["execute_ms"] = run_ms / n;
    state.counters["frame_budget_%"] = (build_ms + run_ms) / n / 20.0 * 100.0;
}
BENCHMARK(BM_DrawFrame)->Unit(benchmark::kMillisecond);

}  // namespace
