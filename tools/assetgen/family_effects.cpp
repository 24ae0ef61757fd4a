// The effects family: beam charges and impacts, spark crackles, halos and the warp portal are light
// painted additively on black and cut to transparent where it has faded out; the floating-text
// icons and minimap dots are small opaque shapes.
#include "assetgen/family_effects.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>
#include "assetgen/output.h"
#include "assetgen/site_art.h"

namespace {

constexpr float PI = 3.14159265358979f;
constexpr float LIGHT_CUTOFF = 5.0f / 255.0f;   // dimmer light becomes a hole
constexpr float HALO_CUTOFF = 0.07f;

Colour scaled(Colour c, float k) { return {c.r * k, c.g * k, c.b * k, 1.0f}; }

// Light on black to sprite pixels: whatever is too dim to see is transparent, the rest opaque.
void finish_light(Canvas *c, float cutoff = LIGHT_CUTOFF) {
    for (size_t i = 0; i < c->px.size(); i += 4) {
        float *p = &c->px[i];
        const float m = std::max({p[0], p[1], p[2]});
        if (m < cutoff) {
            p[0] = p[1] = p[2] = p[3] = 0.0f;
            continue;
        }
        for (int k = 0; k < 3; ++k) p[k] = std::min(p[k], 1.0f);
        p[3] = 1.0f;
    }
}

// ---- Beams ------------------------------------------------------------------------------------------

const Colour BEAM_COLOURS[EFFECT_BEAM_STYLES] = {
    {1.00f, 0.16f, 0.10f, 1},   // red
    {1.00f, 0.52f, 0.08f, 1},   // orange
    {1.00f, 0.90f, 0.22f, 1},   // yellow
    {0.78f, 0.24f, 1.00f, 1},   // violet
};
const Colour WHITE{1, 1, 1, 1};

Canvas paint_charge(int style, int frame, GenRandom *rng) {
    Canvas c = canvas_create(32, 32, {0, 0, 0, 0});
    const Colour tint = BEAM_COLOURS[style];
    const float r = 2.6f + 1.5f * float(frame);
    canvas_glow(&c, 16, 16, r, scaled(tint, 0.95f), BLEND_ADD);
    canvas_glow(&c, 16, 16, 1.1f + 0.45f * float(frame), scaled(WHITE, 0.9f), BLEND_ADD);
    // Motes drawn into the charge, closer and brighter as it builds.
    for (int k = 0; k < 3 + frame; ++k) {
        const float a = rng->range(0, 2 * PI), d = r * rng->range(1.1f, 1.8f) - float(frame) * 0.4f;
        canvas_glow(&c, 16 + std::cos(a) * d, 16 + std::sin(a) * d, 0.7f, scaled(tint, 0.7f), BLEND_ADD);
    }
    finish_light(&c);
    return c;
}

Canvas paint_impact(int style, int frame, GenRandom *rng) {
    Canvas c = canvas_create(32, 32, {0, 0, 0, 0});
    const Colour tint = BEAM_COLOURS[style];
    canvas_glow(&c, 16, 16, 6.0f, scaled(tint, 0.9f), BLEND_ADD);
    canvas_glow(&c, 16, 16, 2.6f, WHITE, BLEND_ADD);
    // Rays of the flare; the second frame turns them half a ray, so the two flicker.
    const int rays = 8;
    const float turn = frame % 2 ? PI / rays : 0.0f;
    for (int k = 0; k < rays; ++k) {
        const float a = turn + 2 * PI * float(k) / rays;
        const float len = rng->range(9.0f, 14.0f);
        canvas_line(&c, 16, 16, 16 + std::cos(a) * len, 16 + std::sin(a) * len, 0.9f, scaled(tint, 0.45f), BLEND_ADD);
    }
    for (int k = 0; k < 6; ++k) {
        const float a = rng->range(0, 2 * PI), d = rng->range(5.0f, 11.0f);
        canvas_glow(&c, 16 + std::cos(a) * d, 16 + std::sin(a) * d, 0.8f, scaled(tint, 0.8f), BLEND_ADD);
    }
    finish_light(&c);
    return c;
}

// ---- Sparks -----------------------------------------------------------------------------------------

Canvas paint_spark(int frame, GenRandom *rng) {
    (void)frame;
    Canvas c = canvas_create(16, 16, {0, 0, 0, 0});
    const Colour electric{0.42f, 0.55f, 1.0f, 1};
    canvas_glow(&c, 8, 8, 2.6f, electric, BLEND_ADD);
    canvas_glow(&c, 8, 8, 1.0f, WHITE, BLEND_ADD);
    // Forked crackles: short jagged strokes out from the centre.
    const int forks = 3 + int(rng->next() % 3);
    for (int k = 0; k < forks; ++k) {
        float x = 8, y = 8, a = rng->range(0, 2 * PI);
        for (int s = 0; s < 3; ++s) {
            a += rng->range(-0.9f, 0.9f);
            const float len = rng->range(1.5f, 2.6f);
            const float nx = x + std::cos(a) * len, ny = y + std::sin(a) * len;
            canvas_line(&c, x, y, nx, ny, 0.7f, scaled({0.7f, 0.8f, 1.0f, 1}, 0.85f - 0.2f * float(s)), BLEND_ADD);
            x = nx;
            y = ny;
        }
    }
    finish_light(&c);
    return c;
}

// ---- Halos ------------------------------------------------------------------------------------------

// Styles 0..4 are the glows of the five stars (site templates 1..5) in the sector view; 5 and 6
// glow behind the small and the large explosion.
constexpr int STAR_HALOS = 5;
struct HaloLook {
    int    side;
    Colour colour;
};
const HaloLook EXPLOSION_HALOS[EFFECT_HALO_STYLES - STAR_HALOS] = {
    {40, {1.00f, 0.72f, 0.34f, 1}},   // small explosion
    {96, {1.00f, 0.52f, 0.22f, 1}},   // large explosion
};

// ---- Portal -----------------------------------------------------------------------------------------

struct PortalLook {
    Colour ring, core, inside;
};
const PortalLook PORTALS[EFFECT_PORTAL_STYLES] = {
    {{0.25f, 0.55f, 1.00f, 1}, {0.80f, 0.95f, 1.00f, 1}, {0.02f, 0.05f, 0.12f, 1}},
    {{0.72f, 0.28f, 1.00f, 1}, {1.00f, 0.84f, 1.00f, 1}, {0.08f, 0.02f, 0.12f, 1}},
};
constexpr int   PORTAL_SIDE = 80;
constexpr int   PORTAL_STRETCH = 62;            // frames in each of the three stretches
constexpr float PORTAL_TURN = PI / 2.0f / 31.0f; // per frame: a quarter turn in 31 frames

float smoothstep(float e0, float e1, float x) {
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

// ---- Icons and dots ---------------------------------------------------------------------------------

void shape(Canvas *c, std::vector<Point2> points, Colour colour) { canvas_polygon(c, points, colour, BLEND_OVER); }

struct GenerateJob {
    std::string      root;
    uint32_t         seed;
    std::atomic<int> failures{0};
};

void write(GenerateJob *job, const char *path, const Canvas &canvas) {
    if (output_png_rgba(job->root, path, canvas) != RES_OK) job->failures.fetch_add(1);
}

void generate_portal(int index, void *context) {
    auto *job = static_cast<GenerateJob *>(context);
    const int style = index / EFFECT_PORTAL_FRAMES, frame = index % EFFECT_PORTAL_FRAMES;
    char path[48];
    std::snprintf(path, sizeof path, "effect/portal/%.3i/png/%.3i.png", style, frame);
    write(job, path, effects_paint_portal(style, frame));
}

}  // namespace

Canvas effects_paint_beam(int style, int frame, uint32_t seed) {
    style = std::clamp(style, 0, EFFECT_BEAM_STYLES - 1);
    GenRandom rng(hash_combine(hash_combine(seed, 0xBEA0u + uint32_t(style)), uint32_t(frame)));
    if (frame >= EFFECT_BEAM_FRAMES - 2) return paint_impact(style, frame, &rng);
    return paint_charge(style, frame, &rng);
}

Canvas effects_paint_spark(int frame, uint32_t seed) {
    GenRandom rng(hash_combine(hash_combine(seed, 0x59A4Cu), uint32_t(frame)));
    return paint_spark(frame, &rng);
}

Canvas effects_paint_halo(int style) {
    style = std::clamp(style, 0, EFFECT_HALO_STYLES - 1);
    // Halos are blended a quarter over the screen, so a faint tail would only darken it: cut it.
    if (style < STAR_HALOS) {
        Canvas star = site_art_paint_star_halo(style + 1);
        finish_light(&star, HALO_CUTOFF);
        return star;
    }
    const HaloLook &h = EXPLOSION_HALOS[style - STAR_HALOS];
    const float c = float(h.side) / 2.0f;
    Canvas canvas = canvas_create(h.side, h.side, {0, 0, 0, 0});
    // The widest glow has faded below the cut-off before it meets the edges.
    canvas_glow(&canvas, c, c, float(h.side) * 0.26f, scaled(h.colour, 0.55f), BLEND_ADD);
    canvas_glow(&canvas, c, c, float(h.side) * 0.14f, scaled(h.colour, 0.85f), BLEND_ADD);
    canvas_glow(&canvas, c, c, float(h.side) * 0.04f, scaled(WHITE, 0.6f), BLEND_ADD);
    finish_light(&canvas, HALO_CUTOFF);
    return canvas;
}

Canvas effects_paint_portal(int style, int frame) {
    const PortalLook &look = PORTALS[std::clamp(style, 0, EFFECT_PORTAL_STYLES - 1)];
    const int stretch = std::clamp(frame / PORTAL_STRETCH, 0, 2);
    const int local = frame % PORTAL_STRETCH;
    const float turn = PORTAL_TURN * float(frame);
    // Forming: fainter, thinner arms. Open: full. Open with a core that pulses twice a stretch.
    const float amp = stretch == 0 ? 0.55f : stretch == 1 ? 1.0f : 0.9f;
    const float sharp = stretch == 0 ? 5.0f : 3.0f;
    const float pulse = stretch == 2 ? 0.5f + 0.5f * std::sin(4.0f * PI * float(local) / PORTAL_STRETCH) : 0.0f;
    const float core_amp = 0.35f + 0.55f * pulse + (stretch == 1 ? 0.2f : 0.0f);
    Canvas c = canvas_create(PORTAL_SIDE, PORTAL_SIDE, {0, 0, 0, 0});
    const float centre = PORTAL_SIDE / 2.0f;
    for (int y = 0; y < PORTAL_SIDE; ++y)
        for (int x = 0; x < PORTAL_SIDE; ++x) {
            const float dx = float(x) + 0.5f - centre, dy = float(y) + 0.5f - centre;
            const float r = std::sqrt(dx * dx + dy * dy);
            const float phi = std::atan2(dy, dx);
            const float swirl = 0.5f + 0.5f * std::cos(4.0f * (phi - turn) + 6.0f * std::log(r / 6.0f + 1.0f));
            const float arms = std::pow(swirl, sharp);
            const float ring = std::exp(-((r - 22.0f) / 10.0f) * ((r - 22.0f) / 10.0f)) * smoothstep(39.0f, 31.0f, r);
            const float core = std::exp(-(r / 7.0f) * (r / 7.0f)) * core_amp;
            const float rim = 0.3f * std::exp(-((r - 30.0f) / 2.2f) * ((r - 30.0f) / 2.2f)) * (0.6f + 0.4f * swirl);
            const float light = amp * arms * ring + rim * amp;
            float *p = &c.px[(size_t(y) * PORTAL_SIDE + size_t(x)) * 4];
            // Near the rim the arms take the ring colour, inward they whiten.
            const float w = smoothstep(26.0f, 8.0f, r);
            p[0] = light * (look.ring.r + (look.core.r - look.ring.r) * w) + core * look.core.r;
            p[1] = light * (look.ring.g + (look.core.g - look.ring.g) * w) + core * look.core.g;
            p[2] = light * (look.ring.b + (look.core.b - look.ring.b) * w) + core * look.core.b;
            if (r < 15.0f) {   // the dark throat behind the vortex
                const float k = smoothstep(15.0f, 11.0f, r);
                p[0] = std::max(p[0], look.inside.r * k);
                p[1] = std::max(p[1], look.inside.g * k);
                p[2] = std::max(p[2], look.inside.b * k);
            }
        }
    finish_light(&c);
    return c;
}

Canvas effects_paint_bubble_icon(int icon) {
    Canvas c = canvas_create(12, 12, {0, 0, 0, 0});
    switch (icon) {
    case 0:   // shield
        shape(&c, {{1.5f, 1}, {10.5f, 1}, {10.5f, 6}, {6, 11}, {1.5f, 6}}, {0.85f, 0.92f, 1.0f, 1});
        shape(&c, {{3, 2.5f}, {9, 2.5f}, {9, 5.6f}, {6, 9}, {3, 5.6f}}, {0.30f, 0.55f, 1.0f, 1});
        break;
    case 1: {   // damage: a burst
        std::vector<Point2> star;
        for (int k = 0; k < 16; ++k) {
            const float a = PI * float(k) / 8.0f, d = k % 2 ? 2.4f : 5.8f;
            star.push_back({6 + std::cos(a) * d, 6 + std::sin(a) * d});
        }
        shape(&c, star, {1.0f, 0.45f, 0.12f, 1});
        canvas_circle(&c, 6, 6, 1.8f, {1.0f, 0.95f, 0.6f, 1}, BLEND_OVER);
        break;
    }
    case 2:   // crew: a figure
        canvas_circle(&c, 6, 3.2f, 2.2f, {0.95f, 0.85f, 0.62f, 1}, BLEND_OVER);
        shape(&c, {{2, 11}, {3, 6.5f}, {9, 6.5f}, {10, 11}}, {0.55f, 0.75f, 0.95f, 1});
        break;
    case 3:   // boost: an arrow up
        shape(&c, {{6, 0.5f}, {11, 6}, {8, 6}, {8, 11.5f}, {4, 11.5f}, {4, 6}, {1, 6}}, {0.35f, 1.0f, 0.35f, 1});
        break;
    case 4:   // evasion: two chevrons
        canvas_line(&c, 1.5f, 2, 5.5f, 6, 1.7f, {0.3f, 0.95f, 1.0f, 1}, BLEND_OVER);
        canvas_line(&c, 5.5f, 6, 1.5f, 10, 1.7f, {0.3f, 0.95f, 1.0f, 1}, BLEND_OVER);
        canvas_line(&c, 6.5f, 2, 10.5f, 6, 1.7f, {0.6f, 1.0f, 1.0f, 1}, BLEND_OVER);
        canvas_line(&c, 10.5f, 6, 6.5f, 10, 1.7f, {0.6f, 1.0f, 1.0f, 1}, BLEND_OVER);
        break;
    case 5:   // hull: a cracked plate
        shape(&c, {{1, 1}, {11, 1}, {11, 11}, {1, 11}}, {0.72f, 0.74f, 0.78f, 1});
        canvas_line(&c, 3, 1.5f, 6, 6, 1.1f, {0.15f, 0.12f, 0.12f, 1}, BLEND_OVER);
        canvas_line(&c, 6, 6, 5, 10.5f, 1.1f, {0.15f, 0.12f, 0.12f, 1}, BLEND_OVER);
        canvas_line(&c, 6, 6, 10, 7, 1.0f, {0.15f, 0.12f, 0.12f, 1}, BLEND_OVER);
        break;
    default:   // repair: a plus
        shape(&c, {{4.5f, 1}, {7.5f, 1}, {7.5f, 4.5f}, {11, 4.5f}, {11, 7.5f}, {7.5f, 7.5f}, {7.5f, 11}, {4.5f, 11},
                   {4.5f, 7.5f}, {1, 7.5f}, {1, 4.5f}, {4.5f, 4.5f}},
              {0.45f, 1.0f, 0.6f, 1});
        break;
    }
    canvas_threshold_alpha(&c, 0.5f);
    return c;
}

Canvas effects_paint_minimap_dot(int frame) {
    const Colour rim{0.55f, 0.55f, 0.55f, 1}, mid{0.80f, 0.80f, 0.80f, 1}, hot{1, 1, 1, 1};
    if (frame == 1) {   // lit: a larger, brighter dot
        Canvas c = canvas_create(5, 5, {0, 0, 0, 0});
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x) {
                const int d = std::abs(x - 2) + std::abs(y - 2);
                if (d > 3) continue;
                canvas_set(&c, x, y, d == 0 ? hot : d == 1 ? hot : d == 2 ? mid : rim);
            }
        return c;
    }
    Canvas c = canvas_create(3, 3, {0, 0, 0, 0});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            const int d = std::abs(x - 1) + std::abs(y - 1);
            if (frame == 2 && d == 2) continue;   // shots and fleets: a small cross
            canvas_set(&c, x, y, d == 0 ? hot : d == 1 ? mid : rim);
        }
    return c;
}

int effects_generate(const std::string &root, uint32_t seed) {
    GenerateJob job;
    job.root = root;
    job.seed = seed;
    char path[48];
    for (int s = 0; s < EFFECT_BEAM_STYLES; ++s)
        for (int f = 0; f < EFFECT_BEAM_FRAMES; ++f) {
            std::snprintf(path, sizeof path, "effect/beam/%.3i/png/%.3i.png", s, f);
            write(&job, path, effects_paint_beam(s, f, seed));
        }
    for (int i = 0; i < EFFECT_BUBBLE_ICONS; ++i) {
        std::snprintf(path, sizeof path, "effect/bubble/%.3i.png", i);
        write(&job, path, effects_paint_bubble_icon(i));
    }
    for (int f = 0; f < EFFECT_SPARK_FRAMES; ++f) {
        std::snprintf(path, sizeof path, "effect/sparc/000/png/%.3i.png", f);
        write(&job, path, effects_paint_spark(f, seed));
    }
    for (int s = 0; s < EFFECT_HALO_STYLES; ++s) {
        std::snprintf(path, sizeof path, "effect/halo/%.3i/png/000.png", s);
        write(&job, path, effects_paint_halo(s));
    }
    for (int f = 0; f < EFFECT_MINIMAP_FRAMES; ++f) {
        std::snprintf(path, sizeof path, "control/minimap/png/%.3i.png", f);
        write(&job, path, effects_paint_minimap_dot(f));
    }
    const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    parallel_for(EFFECT_PORTAL_STYLES * EFFECT_PORTAL_FRAMES, threads, generate_portal, &job);
    return job.failures.load() == 0 ? 0 : 1;
}

void effects_list_paths(std::vector<std::string> *out) {
    char path[48];
    for (int s = 0; s < EFFECT_BEAM_STYLES; ++s)
        for (int f = 0; f < EFFECT_BEAM_FRAMES; ++f) {
            std::snprintf(path, sizeof path, "effect/beam/%.3i/png/%.3i.png", s, f);
            out->push_back(path);
        }
    for (int i = 0; i < EFFECT_BUBBLE_ICONS; ++i) {
        std::snprintf(path, sizeof path, "effect/bubble/%.3i.png", i);
        out->push_back(path);
    }
    for (int f = 0; f < EFFECT_SPARK_FRAMES; ++f) {
        std::snprintf(path, sizeof path, "effect/sparc/000/png/%.3i.png", f);
        out->push_back(path);
    }
    for (int s = 0; s < EFFECT_HALO_STYLES; ++s) {
        std::snprintf(path, sizeof path, "effect/halo/%.3i/png/000.png", s);
        out->push_back(path);
    }
    for (int f = 0; f < EFFECT_MINIMAP_FRAMES; ++f) {
        std::snprintf(path, sizeof path, "control/minimap/png/%.3i.png", f);
        out->push_back(path);
    }
    for (int s = 0; s < EFFECT_PORTAL_STYLES; ++s)
        for (int f = 0; f < EFFECT_PORTAL_FRAMES; ++f) {
            std::snprintf(path, sizeof path, "effect/portal/%.3i/png/%.3i.png", s, f);
            out->push_back(path);
        }
}
