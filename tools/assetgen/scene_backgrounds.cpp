// The scene backgrounds, painted like the full-screen ones: light is added in a float buffer
// (sky, warped-noise gas, dust that absorbs what lies behind it, stars with halos, the mood's own
// features) and tone-mapped once at the end, then darkened towards the left where the scenes put
// their starbases and ships.
#include "assetgen/scene_backgrounds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include "assetgen/output.h"

namespace {

constexpr float PI = 3.14159265358979f;
constexpr int   W = SCENE_BG_WIDTH;
constexpr int   H = SCENE_BG_HEIGHT;

struct Rgb {
    float r = 0, g = 0, b = 0;
};
Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb mix(Rgb a, Rgb b, float t) { return a * (1 - t) + b * t; }

float smoothstep(float e0, float e1, float x) {
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

struct Mood {
    Rgb   sky_top, sky_bottom;   // the faint base gradient
    Rgb   gas_a, gas_b;          // the two gas colours
    float gas;                   // gas brightness
    float coverage;              // share of the frame the gas may fill (quantile cut)
    float dust;
    float scale;
    int   faint_stars, medium_stars, bright_stars;
};

Mood mood_of(int mood) {
    switch (mood) {
    case 1:   // combat
        return {{0.010f, 0.003f, 0.003f}, {0.020f, 0.006f, 0.004f}, {0.95f, 0.26f, 0.10f}, {0.75f, 0.45f, 0.12f},
                0.30f, 0.62f, 0.85f, 2.2f, 900, 40, 2};
    case 2:   // discovery
        return {{0.006f, 0.004f, 0.014f}, {0.004f, 0.010f, 0.012f}, {0.55f, 0.25f, 0.95f}, {0.15f, 0.85f, 0.60f},
                0.26f, 0.55f, 0.45f, 1.8f, 1100, 55, 3};
    default:  // news
        return {{0.004f, 0.008f, 0.018f}, {0.003f, 0.012f, 0.020f}, {0.15f, 0.45f, 0.85f}, {0.10f, 0.70f, 0.75f},
                0.16f, 0.45f, 0.35f, 1.6f, 1000, 45, 2};
    }
}

struct Painter {
    int       mood;
    Mood      m;
    GenRandom rng;
    uint32_t  seed;
    std::vector<Rgb>   light = std::vector<Rgb>(size_t(W) * H);
    std::vector<float> absorb = std::vector<float>(size_t(W) * H, 0.0f);

    Painter(int mood_, uint32_t s)
        : mood(mood_), m(mood_of(mood_)), rng(hash_combine(s, 0x5CE0u + uint32_t(mood_))),
          seed(hash_combine(s, 0xB6u * uint32_t(mood_ + 1))) {}

    void add(int x, int y, Rgb c) {
        if (x < 0 || y < 0 || x >= W || y >= H) return;
        Rgb &p = light[size_t(y) * W + x];
        p = p + c * (1.0f - absorb[size_t(y) * W + x]);
    }

    // A round glow of radius r (gaussian), dimmed by the dust in front of it.
    void glow(float cx, float cy, float r, Rgb c) {
        const int reach = int(std::ceil(r * 3));
        for (int y = int(cy) - reach; y <= int(cy) + reach; ++y)
            for (int x = int(cx) - reach; x <= int(cx) + reach; ++x) {
                const float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
                add(x, y, c * std::exp(-(dx * dx + dy * dy) / (2 * r * r)));
            }
    }

    void paint_gas() {
        const size_t n = size_t(W) * H;
        std::vector<float> gas(n), dust(n), tint(n);
        const float ox = rng.range(-50, 50), oy = rng.range(-50, 50);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const float u = float(x) / H * m.scale + ox, v = float(y) / H * m.scale + oy;
                const float wx = noise_fbm(u * 1.4f, v * 1.4f, seed + 1, 4) - 0.5f;
                const float wy = noise_fbm(u * 1.4f + 9, v * 1.4f - 4, seed + 2, 4) - 0.5f;
                const size_t i = size_t(y) * W + x;
                gas[i] = noise_fbm(u + 0.6f * wx, v + 0.6f * wy, seed + 3, 6, 2.0f, 0.58f) +
                         0.35f * std::pow(noise_ridged(u * 1.6f + wx, v * 1.6f + wy, seed + 4, 5), 3.0f);
                dust[i] = noise_fbm(u * 1.3f - 3, v * 1.3f + 7, seed + 5, 6, 2.0f, 0.55f);
                tint[i] = noise_fbm(u * 0.7f + 20, v * 0.7f, seed + 6, 3);
            }
        std::vector<float> sorted(gas.begin(), gas.end());
        std::nth_element(sorted.begin(), sorted.begin() + long(n * (1 - m.coverage)), sorted.end());
        const float cut = sorted[size_t(float(n) * (1 - m.coverage))];
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const size_t i = size_t(y) * W + x;
                const float fy = float(y) / H;
                const float density = std::pow(smoothstep(cut, cut + 0.28f, gas[i]), 1.6f);
                const float d = smoothstep(0.48f, 0.72f, dust[i]) * m.dust;
                absorb[i] = std::min(0.95f, d);
                const Rgb sky = mix(m.sky_top, m.sky_bottom, fy);
                const Rgb colour = mix(m.gas_a, m.gas_b, smoothstep(0.35f, 0.65f, tint[i]));
                // Dust reddens and dims the gas behind it.
                const Rgb seen = Rgb{colour.r * (1 - 0.6f * d), colour.g * (1 - 0.85f * d), colour.b * (1 - 0.95f * d)};
                light[i] = sky + seen * (density * m.gas);
            }
    }

    void paint_stars() {
        static const Rgb COLOURS[] = {{0.70f, 0.80f, 1.0f}, {1.0f, 1.0f, 1.0f}, {1.0f, 0.92f, 0.78f}, {1.0f, 0.75f, 0.55f}};
        for (int i = 0; i < m.faint_stars; ++i) {
            const int x = rng.range_int(0, W - 1), y = rng.range_int(0, H - 1);
            add(x, y, COLOURS[rng.range_int(0, 3)] * rng.range(0.04f, 0.22f));
        }
        for (int i = 0; i < m.medium_stars; ++i) {
            const float x = rng.range(0, W), y = rng.range(0, H);
            const Rgb c = COLOURS[rng.range_int(0, 3)];
            glow(x, y, 0.6f, c * rng.range(0.5f, 1.1f));
            glow(x, y, 2.2f, c * 0.03f);
        }
        for (int i = 0; i < m.bright_stars; ++i) {   // with a faint cross of glare
            const float x = rng.range(W * 0.35f, W - 10.0f), y = rng.range(10.0f, H - 10.0f);
            const Rgb c = COLOURS[rng.range_int(0, 2)];
            glow(x, y, 0.9f, c * 2.0f);
            glow(x, y, 4.0f, c * 0.05f);
            for (int k = -14; k <= 14; ++k) {
                const float fall = 0.10f * std::exp(-std::abs(float(k)) / 4.0f);
                add(int(x) + k, int(y), c * fall);
                add(int(x), int(y) + k, c * fall);
            }
        }
    }

    // News: the dark disc of a planet rising from the bottom edge with a thin lit atmosphere.
    void paint_planet_rim() {
        const float cx = W * 0.62f, cy = H + 820.0f, r = 900.0f;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const float dx = float(x) - cx, dy = float(y) - cy;
                const float d = std::sqrt(dx * dx + dy * dy) - r;   // negative inside
                const size_t i = size_t(y) * W + x;
                // The lit side is up and to the right.
                const float lit = std::clamp(0.55f + 0.45f * (dx / r) * 4.0f, 0.15f, 1.0f);
                if (d < 0) {
                    const float depth = std::min(1.0f, -d / 26.0f);
                    light[i] = light[i] * (0.08f * depth + (1 - depth) * 0.5f) +
                               Rgb{0.005f, 0.012f, 0.02f} * (1 - depth);
                }
                const float rim = std::exp(-(d * d) / (2 * 2.2f * 2.2f)) * 0.55f + std::exp(-(d * d) / (2 * 9.0f * 9.0f)) * 0.10f;
                light[i] = light[i] + Rgb{0.25f, 0.65f, 0.85f} * (rim * lit);
            }
    }

    // Combat: distant blasts (a hot core in a wide orange glow) and faint tracer streaks.
    void paint_battle() {
        for (int i = 0; i < 4; ++i) {
            const float x = rng.range(W * 0.45f, W - 30.0f), y = rng.range(30.0f, H - 60.0f);
            const float size = rng.range(0.6f, 1.4f);
            glow(x, y, 1.2f * size, Rgb{1.0f, 0.9f, 0.7f} * 1.4f);
            glow(x, y, 6.0f * size, Rgb{1.0f, 0.45f, 0.12f} * 0.22f);
            glow(x, y, 18.0f * size, Rgb{0.9f, 0.25f, 0.05f} * 0.035f);
        }
        for (int i = 0; i < 7; ++i) {
            const float x0 = rng.range(0, W), y0 = rng.range(0, H * 0.8f);
            const float angle = rng.range(-0.5f, 0.5f) + (rng.uniform() < 0.5f ? 0.0f : PI);
            const float length = rng.range(40, 110);
            const Rgb c = rng.uniform() < 0.5f ? Rgb{1.0f, 0.55f, 0.25f} : Rgb{0.4f, 0.9f, 0.5f};
            for (float t = 0; t < length; t += 0.5f) {
                const float fade = 0.10f * (t / length);   // bright at the head
                add(int(x0 + std::cos(angle) * t), int(y0 + std::sin(angle) * t), c * fade);
            }
        }
    }

    // Discovery: a young cluster lighting the gas around it, with soft rays.
    void paint_cluster() {
        const float cx = W * 0.74f, cy = H * 0.30f;
        glow(cx, cy, 38.0f, Rgb{0.45f, 0.35f, 0.9f} * 0.05f);
        glow(cx, cy, 12.0f, Rgb{0.6f, 0.9f, 1.0f} * 0.10f);
        for (int i = 0; i < 14; ++i) {
            const float a = rng.range(0, 2 * PI), d = std::abs(rng.gaussian()) * 9.0f;
            const float x = cx + std::cos(a) * d, y = cy + std::sin(a) * d;
            glow(x, y, 0.7f, Rgb{0.8f, 0.9f, 1.0f} * rng.range(0.8f, 1.8f));
        }
        for (int ray = 0; ray < 6; ++ray) {
            const float a = 0.6f + ray * (PI / 3) + rng.range(-0.15f, 0.15f);
            for (float t = 6; t < 120; t += 0.5f) {
                const float width = 1.0f + t * 0.04f;
                const float fall = 0.025f * std::exp(-t / 45.0f);
                for (float s = -width; s <= width; s += 1.0f)
                    add(int(cx + std::cos(a) * t - std::sin(a) * s), int(cy + std::sin(a) * t + std::cos(a) * s),
                        Rgb{0.5f, 0.8f, 0.9f} * (fall * (1 - std::abs(s) / (width + 1))));
            }
        }
    }

    Canvas finish() const {
        Canvas out = canvas_create(W, H, {0, 0, 0, 1});
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const size_t i = size_t(y) * W + x;
                const float nx = float(x) / W - 0.5f, ny = float(y) / H - 0.5f;
                // Darker on the left, where the scene's own pictures stand, and at the edges.
                const float shade = (0.72f + 0.28f * smoothstep(0.0f, 0.7f, float(x) / W)) * (1.0f - 0.35f * (nx * nx + ny * ny));
                const Rgb c = light[i] * shade;
                float *o = &out.px[i * 4];
                o[0] = 1.0f - std::exp(-c.r);
                o[1] = 1.0f - std::exp(-c.g);
                o[2] = 1.0f - std::exp(-c.b);
            }
        return out;
    }
};

}  // namespace

Canvas scene_backgrounds_paint(int mood, uint32_t seed) {
    Painter p(mood, seed);
    p.paint_gas();
    p.paint_stars();
    if (mood == 0) p.paint_planet_rim();
    if (mood == 1) p.paint_battle();
    if (mood == 2) p.paint_cluster();
    return p.finish();
}

int scene_backgrounds_generate(const std::string &root, uint32_t seed) {
    int failures = 0;
    for (int mood = 0; mood < SCENE_BG_COUNT; ++mood) {
        char path[32];
        std::snprintf(path, sizeof path, "scene/bg/%.3i.png", mood);
        const Canvas canvas = scene_backgrounds_paint(mood, seed);
        if (output_png_rgb(root, path, canvas, true, hash_combine(seed, 0x5CE0u + uint32_t(mood))) != RES_OK) ++failures;
    }
    return failures == 0 ? 0 : 1;
}

void scene_backgrounds_list_paths(std::vector<std::string> *out) {
    char path[32];
    for (int mood = 0; mood < SCENE_BG_COUNT; ++mood) {
        std::snprintf(path, sizeof path, "scene/bg/%.3i.png", mood);
        out->push_back(path);
    }
}
