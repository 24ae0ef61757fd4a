// The site painters. Shapes are drawn as signed distance fields (exact anti-aliased edges),
// bodies as lit spheres whose surfaces are noise on the unit sphere (three planar fbm fields
// summed, so nothing seams), stars as limb-darkened discs in a ray-streaked corona. Everything is
// lit from the upper left, like the sector views' sun beyond the frame.
#include "assetgen/site_art.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

constexpr float PI = 3.14159265358979f;
constexpr int   DETAIL = 128;   // side of every detail picture

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
float smoothstep(float e0, float e1, float x) {
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
float lerp(float a, float b, float t) { return a + (b - a) * t; }

Colour rgb(float r, float g, float b, float a = 1) { return {r, g, b, a}; }
Colour mixc(Colour a, Colour b, float t) {
    return {lerp(a.r, b.r, t), lerp(a.g, b.g, t), lerp(a.b, b.b, t), lerp(a.a, b.a, t)};
}
Colour scale(Colour c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }
Colour add(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b, a.a}; }
Colour with_alpha(Colour c, float a) { return {c.r, c.g, c.b, a}; }

struct V3 {
    float x = 0, y = 0, z = 0;
};
float dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 normalize(V3 v) {
    const float l = std::sqrt(dot(v, v));
    return {v.x / l, v.y / l, v.z / l};
}
V3 rotate_y(V3 v, float a) {
    const float c = std::cos(a), s = std::sin(a);
    return {v.x * c + v.z * s, v.y, -v.x * s + v.z * c};
}

// Screen y grows downwards: the light comes from the upper left, in front of the picture.
const V3     LIGHT = normalize({-0.62f, -0.50f, 0.60f});
const Colour SPACE = rgb(0.012f, 0.014f, 0.028f);

// ---- Rasterising ----

float sd_circle(float px, float py, float cx, float cy, float r) { return std::hypot(px - cx, py - cy) - r; }

float sd_box(float px, float py, float cx, float cy, float hw, float hh, float round = 0) {
    const float qx = std::fabs(px - cx) - hw + round, qy = std::fabs(py - cy) - hh + round;
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - round;
}

float sd_ellipse(float px, float py, float cx, float cy, float a, float b) {
    const float k = std::hypot((px - cx) / a, (py - cy) / b);
    return (k - 1) * std::min(a, b);
}

float sd_segment(float px, float py, float ax, float ay, float bx, float by, float r) {
    const float dx = bx - ax, dy = by - ay;
    const float t = clamp01(((px - ax) * dx + (py - ay) * dy) / std::max(dx * dx + dy * dy, 1e-6f));
    return std::hypot(px - ax - dx * t, py - ay - dy * t) - r;
}

using DistFn = std::function<float(float, float)>;
using ShadeFn = std::function<Colour(float, float)>;

// Every pixel of the box whose centre lies inside the shape (with exact edge coverage).
void fill(Canvas *c, float x0, float y0, float x1, float y1, const DistFn &dist, const ShadeFn &shade,
          BlendMode mode = BLEND_OVER) {
    const int ix0 = std::max(0, int(std::floor(x0)) - 1), ix1 = std::min(c->width - 1, int(std::ceil(x1)) + 1);
    const int iy0 = std::max(0, int(std::floor(y0)) - 1), iy1 = std::min(c->height - 1, int(std::ceil(y1)) + 1);
    for (int y = iy0; y <= iy1; ++y)
        for (int x = ix0; x <= ix1; ++x) {
            const float px = float(x) + 0.5f, py = float(y) + 0.5f;
            const float cov = clamp01(0.5f - dist(px, py));
            if (cov > 0) canvas_blend(c, x, y, shade(px, py), cov, mode);
        }
}

void fill_all(Canvas *c, const DistFn &dist, const ShadeFn &shade, BlendMode mode = BLEND_OVER) {
    fill(c, 0, 0, float(c->width), float(c->height), dist, shade, mode);
}

ShadeFn flat(Colour col) {
    return [col](float, float) { return col; };
}

// A small light: a soft glow and a bright core.
void lamp(Canvas *c, float x, float y, Colour col, float size = 1.0f) {
    canvas_glow(c, x, y, 2.2f * size, with_alpha(col, 0.55f), BLEND_OVER);
    canvas_circle(c, x, y, 0.75f * size, mixc(col, rgb(1, 1, 1), 0.55f), BLEND_OVER);
}

// Bayer threshold of a 4 x 4 ordered dither, in (0, 1).
float bayer4(int x, int y) {
    static const int M[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (float(M[y & 3][x & 3]) + 0.5f) / 16.0f;
}

// Sprites know no partial transparency: what covers enough of a pixel is laid over dark space and
// made opaque, the rest becomes a hole. With `glow_below`, faint light (alpha under that) is
// stippled instead, so a corona fades into whatever background the sprite is drawn on.
void flatten(Canvas *c, float cut, float glow_below = 0) {
    for (size_t i = 0; i < c->px.size(); i += 4) {
        float *p = &c->px[i];
        const float a = p[3];
        if (a < glow_below) {
            const int x = int((i / 4) % size_t(c->width)), y = int((i / 4) / size_t(c->width));
            if (a / glow_below > bayer4(x, y)) {
                const float k = std::pow(a / glow_below, 0.4f) * 0.9f;
                p[0] = clamp01(p[0] * k + SPACE.r * (1 - k));
                p[1] = clamp01(p[1] * k + SPACE.g * (1 - k));
                p[2] = clamp01(p[2] * k + SPACE.b * (1 - k));
                p[3] = 1;
            } else {
                p[0] = p[1] = p[2] = p[3] = 0;
            }
            continue;
        }
        if (a < cut) {
            p[0] = p[1] = p[2] = p[3] = 0;
            continue;
        }
        p[0] = clamp01(p[0] * a + SPACE.r * (1 - a));
        p[1] = clamp01(p[1] * a + SPACE.g * (1 - a));
        p[2] = clamp01(p[2] * a + SPACE.b * (1 - a));
        p[3] = 1;
    }
}

// ---- Surfaces on the unit sphere ----

float noise3(V3 p, float scale, uint32_t seed, int octaves) {
    const float a = noise_fbm(p.x * scale + 11.3f, p.y * scale + 3.1f, seed, octaves);
    const float b = noise_fbm(p.y * scale + 5.7f, p.z * scale + 17.9f, seed ^ 0x9E3779B9u, octaves);
    const float c = noise_fbm(p.z * scale + 23.1f, p.x * scale + 7.3f, seed ^ 0x7F4A7C15u, octaves);
    return clamp01(((a + b + c) / 3 - 0.5f) * 2.4f + 0.5f);
}

float ridged3(V3 p, float scale, uint32_t seed) {
    const float a = noise_ridged(p.x * scale + 4.1f, p.y * scale + 9.3f, seed, 4);
    const float b = noise_ridged(p.y * scale + 1.7f, p.z * scale + 6.2f, seed ^ 0x51ED27u, 4);
    const float c = noise_ridged(p.z * scale + 8.8f, p.x * scale + 2.5f, seed ^ 0x2545F49u, 4);
    return std::max(a, std::max(b, c));
}

struct Crater {
    V3    centre;
    float radius;   // angular
};

std::vector<Crater> make_craters(uint32_t seed, int count, float small, float large) {
    GenRandom rnd(seed);
    std::vector<Crater> out;
    for (int i = 0; i < count; ++i) {
        const V3 v = normalize({rnd.gaussian(), rnd.gaussian(), rnd.gaussian()});
        const float t = rnd.uniform();
        out.push_back({v, lerp(small, large, t * t * t)});
    }
    return out;
}

// Brightness factor of crater bowls (darker) and rims (lighter) at n.
float craters_at(const std::vector<Crater> &craters, V3 n) {
    float k = 1;
    for (const Crater &cr : craters) {
        const float ang = std::acos(std::clamp(dot(n, cr.centre), -1.0f, 1.0f));
        const float x = ang / cr.radius;
        if (x > 1.4f) continue;
        if (x < 1) k *= 1 - 0.32f * (1 - x * x);
        k *= 1 + 0.28f * std::exp(-((x - 1) / 0.14f) * ((x - 1) / 0.14f));
    }
    return k;
}

using SurfaceFn = std::function<Colour(V3)>;

// A lit sphere: surface colour by normal, soft terminator, a faint specular glint, and an
// atmosphere that brightens the lit limb and spills a thin halo past it.
void paint_sphere(Canvas *c, float cx, float cy, float r, const SurfaceFn &surface, Colour atmosphere,
                  float atmosphere_strength, float spin = 0, float gloss = 0) {
    const float halo = atmosphere_strength > 0 ? r * 0.10f : 0;
    const int x0 = std::max(0, int(cx - r - halo) - 2), x1 = std::min(c->width - 1, int(cx + r + halo) + 2);
    const int y0 = std::max(0, int(cy - r - halo) - 2), y1 = std::min(c->height - 1, int(cy + r + halo) + 2);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float dx = (float(x) + 0.5f - cx) / r, dy = (float(y) + 0.5f - cy) / r;
            const float d = std::sqrt(dx * dx + dy * dy);
            const float cov = clamp01((1 - d) * r + 0.5f);
            if (cov <= 0) {
                // The halo: lit side only, fading over a tenth of the radius.
                if (halo <= 0) continue;
                const float out = (d - 1) * r / halo;
                if (out >= 1) continue;
                const V3 rim = normalize({dx, dy, 0.05f});
                const float lit = smoothstep(-0.3f, 0.6f, dot(rim, LIGHT));
                const float a = (1 - out) * (1 - out) * lit * atmosphere_strength;
                if (a > 0.01f) canvas_blend(c, x, y, atmosphere, a, BLEND_OVER);
                continue;
            }
            const float inv = d > 1 ? 1 / d : 1.0f;
            const V3 n = {dx * inv, dy * inv, std::sqrt(std::max(0.0f, 1 - d * d))};
            Colour col = surface(rotate_y(n, spin));
            const float lam = dot(n, LIGHT);
            const float diffuse = smoothstep(-0.18f, 0.75f, lam);
            col = scale(col, 0.03f + 0.97f * diffuse);
            if (gloss > 0) {
                const V3 h = normalize({LIGHT.x, LIGHT.y, LIGHT.z + 1});
                const float spec = std::pow(std::max(0.0f, dot(n, h)), 40.0f) * gloss;
                col = add(col, rgb(spec, spec, spec * 0.95f));
            }
            if (atmosphere_strength > 0) {
                const float fres = std::pow(1 - n.z, 2.5f) * atmosphere_strength * smoothstep(-0.35f, 0.5f, lam);
                col = add(col, scale(atmosphere, fres));
            }
            canvas_blend(c, x, y, with_alpha(col, 1), cov, BLEND_OVER);
        }
}

// ---- Bodies ----

Colour terran_surface(V3 n, uint32_t seed, float sea, float dryness, bool clouds) {
    const float h = noise3(n, 1.5f, seed, 5);
    const float lat = std::fabs(n.y);
    Colour col;
    if (h < sea) {
        col = mixc(rgb(0.015f, 0.05f, 0.16f), rgb(0.05f, 0.20f, 0.36f), smoothstep(sea - 0.3f, sea, h));
    } else {
        const float t = (h - sea) / std::max(1e-3f, 1 - sea);
        const Colour low = mixc(rgb(0.13f, 0.30f, 0.10f), rgb(0.44f, 0.37f, 0.20f), dryness);
        const Colour high = mixc(rgb(0.38f, 0.34f, 0.22f), rgb(0.55f, 0.45f, 0.30f), dryness);
        col = mixc(low, high, smoothstep(0.05f, 0.55f, t));
        col = mixc(col, rgb(0.55f, 0.53f, 0.52f), smoothstep(0.55f, 0.85f, t));
    }
    const float cap = 0.80f - 0.10f * noise3(n, 3.0f, seed + 3, 3);
    if (lat > cap) col = mixc(col, rgb(0.86f, 0.9f, 0.95f), smoothstep(cap, cap + 0.04f, lat));
    if (clouds) {
        const float cl = noise3(rotate_y(n, 1.1f), 2.3f, seed + 7, 5);
        col = mixc(col, rgb(0.93f, 0.95f, 1.0f), smoothstep(0.52f, 0.78f, cl) * 0.85f);
    }
    return col;
}

Colour barren_surface(V3 n, uint32_t seed, int variant, const std::vector<Crater> &craters) {
    static const Colour DARK[3] = {rgb(0.17f, 0.16f, 0.15f), rgb(0.24f, 0.12f, 0.07f), rgb(0.25f, 0.21f, 0.11f)};
    static const Colour LIGHT_[3] = {rgb(0.55f, 0.52f, 0.48f), rgb(0.68f, 0.42f, 0.26f), rgb(0.70f, 0.60f, 0.38f)};
    const float h = noise3(n, 2.0f, seed, 5);
    Colour col = mixc(DARK[variant], LIGHT_[variant], h);
    col = scale(col, craters_at(craters, n));
    return col;
}

Colour ice_surface(V3 n, uint32_t seed) {
    const float h = noise3(n, 1.8f, seed, 4);
    Colour col = mixc(rgb(0.50f, 0.62f, 0.76f), rgb(0.86f, 0.92f, 0.98f), h);
    const float crack = ridged3(n, 2.6f, seed + 5);
    col = mixc(col, rgb(0.26f, 0.40f, 0.56f), smoothstep(0.78f, 0.95f, crack) * 0.8f);
    return col;
}

Colour gas_surface(V3 n, uint32_t seed) {
    const float turb = noise3(n, 2.6f, seed, 4);
    const float lat = n.y + 0.10f * (turb - 0.5f);
    const float bands = 0.5f + 0.5f * std::sin(lat * 15.0f + 1.3f) * std::cos(lat * 4.0f);
    Colour col = mixc(rgb(0.52f, 0.34f, 0.22f), rgb(0.90f, 0.82f, 0.64f), bands);
    col = mixc(col, rgb(0.78f, 0.56f, 0.36f), smoothstep(0.6f, 0.9f, noise3(n, 5.0f, seed + 1, 3)) * 0.4f);
    // A great storm south of the equator.
    const float lon = std::atan2(n.x, n.z);
    const float sx = (lon + 0.35f) / 0.30f, sy = (n.y - 0.32f) / 0.09f;
    const float storm = sx * sx + sy * sy;
    if (storm < 1) col = mixc(col, rgb(0.78f, 0.38f, 0.24f), (1 - storm) * 0.9f);
    return col;
}

// A ring around a body seen from slightly above: the far half before the body, the near after.
void paint_ring(Canvas *c, float cx, float cy, float a, float b, float width, bool near_half, uint32_t seed) {
    const float inner_a = a - width, inner_b = b * (a - width) / a;
    fill_all(
        c,
        [=](float px, float py) {
            if (near_half != (py >= cy)) return 1.0f;
            const float outer = sd_ellipse(px, py, cx, cy, a, b);
            const float inner = sd_ellipse(px, py, cx, cy, inner_a, inner_b);
            return std::max(outer, -inner);
        },
        [=](float px, float py) {
            const float k = std::hypot((px - cx) / a, (py - cy) / b);
            const float band = 0.6f + 0.4f * noise_value(k * 40.0f, 0.5f, seed);
            const float lit = px < cx ? 1.0f : 0.75f;
            return rgb(0.78f * band * lit, 0.70f * band * lit, 0.56f * band * lit, 0.92f);
        });
}

Canvas paint_belt(int w, int h, float a, float b, uint32_t seed) {
    Canvas c = canvas_create(w, h);
    const float cx = w / 2.0f, cy = h / 2.0f;
    // Dust: a faint lit haze along the band.
    fill_all(
        &c, [=](float px, float py) { return std::fabs(sd_ellipse(px, py, cx, cy, a, b)) - b * 0.35f; },
        [=](float px, float py) {
            const float n = noise_fbm(px * 0.15f, py * 0.15f, seed, 3);
            return rgb(0.42f, 0.36f, 0.30f, 0.22f * n);
        });
    struct Rock {
        float x, y, r, spin;
    };
    std::vector<Rock> rocks;
    GenRandom rnd(seed);
    const int count = int(a * 5.5f);
    for (int i = 0; i < count; ++i) {
        const float t = rnd.uniform() * 2 * PI, spread = 1 + 0.16f * rnd.gaussian();
        const float depth = 0.5f + 0.5f * std::sin(t);   // near rocks sit low and look larger
        const float r = (1.0f + 2.2f * rnd.uniform() * rnd.uniform()) * (0.75f + 0.5f * depth) * a / 40.0f;
        rocks.push_back({cx + a * std::cos(t) * spread, cy + b * std::sin(t) * spread, r, rnd.uniform() * 6});
    }
    std::sort(rocks.begin(), rocks.end(), [](const Rock &p, const Rock &q) { return p.y < q.y; });
    for (const Rock &k : rocks) {
        const uint32_t s = seed + uint32_t(k.spin * 1000);
        paint_sphere(
            &c, k.x, k.y, std::max(0.9f, k.r),
            [=](V3 n) {
                const float v = noise3(n, 2.0f, s, 3);
                return mixc(rgb(0.22f, 0.20f, 0.18f), rgb(0.62f, 0.56f, 0.48f), v);
            },
            rgb(0, 0, 0), 0, k.spin);
    }
    return c;
}

struct BodyLook {
    int      size;        // view frame side (the belt and the ringed giant are wider)
    uint32_t seed;
};

// The body of template t (variant v) at radius r centred in c.
void paint_body(Canvas *c, int t, int variant, float cx, float cy, float r, uint32_t seed) {
    switch (t) {
    case 8:   // Earth
        paint_sphere(c, cx, cy, r, [=](V3 n) { return terran_surface(n, 0xEA27Au, 0.55f, 0.25f, true); },
                     rgb(0.35f, 0.60f, 1.0f), 0.85f, 0.4f, 0.25f);
        break;
    case 10:
        paint_sphere(c, cx, cy, r, [=](V3 n) { return ice_surface(n, seed + 10); }, rgb(0.6f, 0.8f, 1.0f), 0.35f,
                     0.0f, 0.35f);
        break;
    case 11: {
        const std::vector<Crater> craters = make_craters(seed + 11 + uint32_t(variant) * 101, 26, 0.05f, 0.30f);
        paint_sphere(c, cx, cy, r, [=](V3 n) { return barren_surface(n, seed + 11 + uint32_t(variant), variant, craters); },
                     rgb(0, 0, 0), 0);
        break;
    }
    case 12: {
        static const float SEA[3] = {0.5f, 0.62f, 0.40f}, DRY[3] = {0.2f, 0.1f, 0.75f};
        const uint32_t s = seed + 12 + uint32_t(variant) * 7919;
        paint_sphere(c, cx, cy, r, [=](V3 n) { return terran_surface(n, s, SEA[variant], DRY[variant], true); },
                     rgb(0.40f, 0.65f, 1.0f), 0.8f, 0.2f, 0.2f);
        break;
    }
    case 9: {
        const float rr = r * 0.56f;
        paint_ring(c, cx, cy, r * 1.0f, r * 0.24f, r * 0.30f, false, seed + 9);
        paint_sphere(c, cx, cy, rr, [=](V3 n) { return gas_surface(n, seed + 9); }, rgb(0.9f, 0.75f, 0.5f), 0.35f,
                     0.3f);
        paint_ring(c, cx, cy, r * 1.0f, r * 0.24f, r * 0.30f, true, seed + 9);
        break;
    }
    default:
        break;
    }
}

Canvas paint_body_frame(int t, int frame, uint32_t seed) {
    const bool variants = t == 11 || t == 12;
    const int detail_frame = variants ? 3 : 1;
    const bool detail = frame == detail_frame;
    const int variant = variants && !detail ? frame : 0;
    if (t == 6) {
        Canvas c = detail ? paint_belt(DETAIL, DETAIL, 56, 22, seed + 6) : paint_belt(90, 44, 40, 14, seed + 6);
        flatten(&c, 0.12f);
        return c;
    }
    int w = 0, h = 0;
    float r = 0;
    switch (t) {
    case 8: w = h = 64, r = 26; break;
    case 9: w = 96, h = 56, r = 44; break;
    case 10: w = h = 52, r = 21; break;
    case 11: w = h = 56, r = 23; break;
    case 12: w = h = 64, r = 26; break;
    default: break;
    }
    if (detail) {
        w = h = DETAIL;
        r = t == 9 ? 60 : 50;
    }
    Canvas c = canvas_create(w, h);
    paint_body(&c, t, variant, w / 2.0f, h / 2.0f, r, seed);
    flatten(&c, 0.12f);
    return c;
}

// ---- Stars ----

struct StarLook {
    int    size;
    float  disc;         // disc radius over the frame side
    Colour core, rim, corona;
};

StarLook star_look(int t) {
    switch (t) {
    case 1: return {170, 0.19f, rgb(1.0f, 1.0f, 1.0f), rgb(0.80f, 0.86f, 1.0f), rgb(0.62f, 0.74f, 1.0f)};
    case 2: return {180, 0.19f, rgb(1.0f, 0.97f, 0.86f), rgb(1.0f, 0.78f, 0.42f), rgb(1.0f, 0.74f, 0.36f)};
    case 3: return {230, 0.20f, rgb(0.92f, 0.96f, 1.0f), rgb(0.50f, 0.66f, 1.0f), rgb(0.38f, 0.55f, 1.0f)};
    case 4: return {250, 0.23f, rgb(1.0f, 0.70f, 0.45f), rgb(0.85f, 0.30f, 0.14f), rgb(0.90f, 0.32f, 0.16f)};
    default: return {120, 0.18f, rgb(1.0f, 0.62f, 0.38f), rgb(0.80f, 0.26f, 0.10f), rgb(0.85f, 0.28f, 0.12f)};
    }
}

constexpr float STAR_FALL = 2.6f;    // the corona's fall-off per disc radius
constexpr float STAR_CUT = 0.25f;    // a sector-view star's corona thinner than this is left to its halo
constexpr float STAR_FULL = 0.6f;    // from this the corona is drawn in its own light
constexpr float DETAIL_STAR_CUT = 0.03f;   // a detail picture's corona ends where it is this faint

// The disc and its corona as light over nothing (alpha: how much of the star covers the pixel).
// `phase` in 0..1 walks once around a circle of noise offsets, so phase 1 is phase 0 again.
Canvas paint_star_light(int t, int side, float disc, float phase, uint32_t seed) {
    const StarLook look = star_look(t);
    Canvas c = canvas_create(side, side);
    const float cx = side / 2.0f, cy = side / 2.0f, r = side * disc;
    const float ox = std::cos(phase * 2 * PI) * 1.7f, oy = std::sin(phase * 2 * PI) * 1.7f;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
            const float d = std::hypot(dx, dy) / r;
            if (d < 1.02f) {
                const float z = std::sqrt(std::max(0.0f, 1 - d * d));
                const float gran = noise_fbm(dx / r * 6 + ox, dy / r * 6 + oy, seed + uint32_t(t), 4);
                Colour col = mixc(look.rim, look.core, std::pow(z, 0.55f));
                col = scale(col, 0.88f + 0.24f * gran);
                const float cov = clamp01((1 - d) * r + 0.5f);
                canvas_blend(&c, x, y, with_alpha(col, 1), std::max(cov, 0.0f), BLEND_OVER);
                if (cov >= 1) continue;
            }
            // Corona: a glow falling off outside the disc, streaked by rays that drift with the phase.
            const float ang = std::atan2(dy, dx);
            const float rays = noise_fbm(std::cos(ang) * 2.2f + ox * 0.6f, std::sin(ang) * 2.2f + oy * 0.6f + d * 0.8f,
                                         seed + 77 + uint32_t(t), 3);
            const float fall = std::exp(-(d - 1) * STAR_FALL);
            const float glow = fall * (0.55f + 0.75f * rays * rays) * 1.25f;
            if (glow > 0.002f) {
                const Colour col = mixc(look.corona, look.rim, clamp01(fall));
                canvas_blend(&c, x, y, with_alpha(col, clamp01(glow)), 1, BLEND_OVER);
            }
        }
    return c;
}

// A star's detail picture: the corona thins out before the frame's edge and fades into dark
// space, as the panels it is shown on are dark.
Canvas paint_star(int t, int side, float disc, float phase, uint32_t seed) {
    Canvas c = paint_star_light(t, side, disc, phase, seed);
    const float centre = side / 2.0f;
    for (size_t i = 0; i < c.px.size(); i += 4) {
        const float x = float((i / 4) % size_t(side)) + 0.5f, y = float((i / 4) / size_t(side)) + 0.5f;
        c.px[i + 3] *= 1 - smoothstep(centre * 0.7f, centre * 0.98f, std::hypot(x - centre, y - centre));
    }
    flatten(&c, DETAIL_STAR_CUT);
    return c;
}

// The light of a star's halo at `d` disc radii from its centre, in a frame of the star's side: the
// corona's mean fall-off four times over (the halo is blended a quarter over the screen), full
// inside the bright corona, fading to nothing before the frame's edge.
Colour star_halo_light(const StarLook &look, float d) {
    const float r = look.size * look.disc, half = look.size / 2.0f;
    const float fall = d <= 1 ? 1.0f : std::exp(-(d - 1) * STAR_FALL);
    const float edge = 1 - smoothstep(half * 0.8f, half, d * r);
    return scale(look.corona, std::min(1.0f, 4 * fall) * edge);
}

// A star of the sector view: its halo, blended behind it, carries the faint outer corona. The
// sprite keeps the disc and the bright corona; where the corona thins its light fades into what
// the halo shows over a sector's sky, and where it is fainter still the sprite ends and the halo
// alone shines on whatever lies behind.
const Colour SKY = rgb(0.075f, 0.065f, 0.08f);   // the mean light of the sector views' skies

Canvas paint_sector_star(int t, float phase, uint32_t seed) {
    const StarLook look = star_look(t);
    Canvas c = paint_star_light(t, look.size, look.disc, phase, seed);
    const float centre = look.size / 2.0f, r = look.size * look.disc;
    for (size_t i = 0; i < c.px.size(); i += 4) {
        float *p = &c.px[i];
        const float a = p[3];
        if (a < STAR_CUT) {
            p[0] = p[1] = p[2] = p[3] = 0;
            continue;
        }
        const float x = float((i / 4) % size_t(c.width)) + 0.5f, y = float((i / 4) / size_t(c.width)) + 0.5f;
        const Colour halo = scale(star_halo_light(look, std::hypot(x - centre, y - centre) / r), 0.25f);
        const float w = smoothstep(STAR_CUT, STAR_FULL, a);
        const float under[3] = {halo.r + 0.75f * SKY.r, halo.g + 0.75f * SKY.g, halo.b + 0.75f * SKY.b};
        for (int k = 0; k < 3; ++k) p[k] = clamp01(under[k] + w * (p[k] * a + under[k] * (1 - a) - under[k]));
        p[3] = 1;
    }
    return c;
}

// ---- Facilities ----

const Colour HULL_LIGHT = rgb(0.66f, 0.70f, 0.76f);
const Colour HULL_DARK = rgb(0.18f, 0.20f, 0.26f);

// Brushed metal lit from above: lighter at the top of the shape, with faint panel seams.
ShadeFn metal(float top, float bottom, Colour tint = rgb(1, 1, 1), float seams = 7) {
    return [=](float px, float py) {
        const float t = clamp01((py - top) / std::max(1.0f, bottom - top));
        Colour col = mixc(HULL_LIGHT, HULL_DARK, std::pow(t, 0.8f));
        col = {col.r * tint.r, col.g * tint.g, col.b * tint.b, 1};
        if (seams > 0 && std::fmod(px + 0.25f * py, seams) < 0.7f) col = scale(col, 0.8f);
        return col;
    };
}

struct Lamp {
    float x, y;
};

// Lamps that take turns: lamp i is lit in the frames where (frame + i) % period < on.
void lamps(Canvas *c, const std::vector<Lamp> &list, int frame, int period, int on, Colour col, float size = 1) {
    for (size_t i = 0; i < list.size(); ++i)
        if ((frame + int(i)) % period < on) lamp(c, list[i].x, list[i].y, col, size);
        else canvas_circle(c, list[i].x, list[i].y, 0.6f * size, scale(col, 0.25f), BLEND_OVER);
}

// Thin outlines in the dull yellow of work lights: what a facility looks like while it is built.
void scaffold_line(Canvas *c, float ax, float ay, float bx, float by) {
    fill_all(c, [=](float px, float py) { return sd_segment(px, py, ax, ay, bx, by, 0.55f); },
             flat(rgb(0.62f, 0.55f, 0.34f)));
}

void scaffold_ellipse(Canvas *c, float cx, float cy, float a, float b) {
    fill_all(c, [=](float px, float py) { return std::fabs(sd_ellipse(px, py, cx, cy, a, b)) - 0.55f; },
             flat(rgb(0.62f, 0.55f, 0.34f)));
}

void scaffold_box(Canvas *c, float cx, float cy, float hw, float hh) {
    scaffold_line(c, cx - hw, cy - hh, cx + hw, cy - hh);
    scaffold_line(c, cx + hw, cy - hh, cx + hw, cy + hh);
    scaffold_line(c, cx + hw, cy + hh, cx - hw, cy + hh);
    scaffold_line(c, cx - hw, cy + hh, cx - hw, cy - hh);
    scaffold_line(c, cx - hw, cy - hh, cx + hw, cy + hh);
}

// The starbase: a habitat ring around a docking spine and a core sphere. `k` scales it, `turn`
// moves the ring's eight modules along the ring (a full step is 1).
void paint_starbase(Canvas *c, float cx, float cy, float k, int frame, float turn, uint32_t seed) {
    const float a = 50 * k, b = 18 * k, w = 4.2f * k;
    const Colour teal = rgb(0.35f, 0.95f, 1.0f);
    auto ring_half = [&](bool near_half) {
        fill_all(
            c,
            [=](float px, float py) {
                if (near_half != (py >= cy)) return 1.0f;
                return std::fabs(sd_ellipse(px, py, cx, cy, a, b)) - w;
            },
            [=](float px, float py) {
                const float t = clamp01((py - (cy - b - w)) / (2 * (b + w)));
                Colour col = mixc(HULL_LIGHT, HULL_DARK, near_half ? t * 0.8f : 0.35f + t * 0.6f);
                const float ang = std::atan2((py - cy) / b, (px - cx) / a);
                if (std::fmod(ang * 16 / (2 * PI) + 16, 1.0f) < 0.12f) col = scale(col, 0.75f);
                return col;
            });
        for (int m = 0; m < 8; ++m) {
            const float ang = (float(m) + turn) * 2 * PI / 8;
            const float mx = cx + a * std::cos(ang), my = cy + b * std::sin(ang);
            if (near_half != (std::sin(ang) >= 0)) continue;
            const float depth = 0.75f + 0.25f * std::sin(ang);
            fill_all(c, [=](float px, float py) { return sd_box(px, py, mx, my, 4.5f * k * depth, 3.2f * k * depth, 1); },
                     metal(my - 3.2f * k, my + 3.2f * k, rgb(1, 1, 1), 0));
            lamp(c, mx, my - 2.6f * k * depth, ((m + frame) % 4 < 2) ? teal : scale(teal, 0.3f), 0.8f * k);
        }
    };
    ring_half(false);
    // Spokes to the ring's far side, the spine, the core.
    for (float ang : {-2.4f, -0.75f}) {
        const float ex = cx + a * std::cos(ang), ey = cy + b * std::sin(ang);
        fill_all(c, [=](float px, float py) { return sd_segment(px, py, cx, cy, ex, ey, 1.3f * k); },
                 metal(cy - b, cy, rgb(0.9f, 0.9f, 0.95f), 0));
    }
    fill_all(c, [=](float px, float py) { return sd_box(px, py, cx, cy - 4 * k, 6.5f * k, 31 * k, 2 * k); },
             metal(cy - 35 * k, cy + 27 * k));
    fill_all(c, [=](float px, float py) { return sd_box(px, py, cx, cy - 33 * k, 11 * k, 2.2f * k, 1); },
             metal(cy - 35 * k, cy - 31 * k));
    fill_all(c, [=](float px, float py) { return sd_box(px, py, cx, cy + 26 * k, 9 * k, 2.2f * k, 1); },
             metal(cy + 24 * k, cy + 28 * k));
    paint_sphere(
        c, cx, cy, 12 * k,
        [=](V3 n) {
            const float band = std::fabs(std::fmod(n.y * 4 + 4, 1.0f) - 0.5f) < 0.06f ? 0.7f : 1.0f;
            const float v = noise3(n, 3.0f, seed, 2);
            return scale(mixc(rgb(0.50f, 0.54f, 0.60f), rgb(0.78f, 0.80f, 0.84f), v), band);
        },
        rgb(0, 0, 0), 0, 0, 0.6f);
    for (float ang : {0.75f, 2.4f}) {
        const float ex = cx + a * std::cos(ang), ey = cy + b * std::sin(ang);
        fill_all(c, [=](float px, float py) { return sd_segment(px, py, cx, cy + 6 * k, ex, ey, 1.4f * k); },
                 metal(cy, cy + b, rgb(0.95f, 0.95f, 1.0f), 0));
    }
    ring_half(true);
    // Antenna and the beacons of the spine.
    fill_all(c, [=](float px, float py) { return sd_segment(px, py, cx, cy - 35 * k, cx, cy - 41 * k, 0.5f * k); },
             flat(rgb(0.7f, 0.72f, 0.76f)));
    lamp(c, cx, cy - 41 * k, frame % 2 == 0 ? rgb(1.0f, 0.3f, 0.25f) : rgb(0.35f, 0.1f, 0.08f), 0.9f * k);
    lamps(c, {{cx - 10 * k, cy - 33 * k}, {cx + 10 * k, cy - 33 * k}, {cx - 8 * k, cy + 26 * k}, {cx + 8 * k, cy + 26 * k}},
          frame, 4, 2, rgb(1.0f, 0.85f, 0.5f), 0.8f * k);
}

// Top-down starbase for the battle map.
void paint_starbase_battle(Canvas *c, int side, uint32_t seed) {
    const float cx = side / 2.0f, cy = side / 2.0f;
    fill_all(c, [=](float px, float py) { return std::fabs(sd_circle(px, py, cx, cy, 50)) - 7; },
             [=](float px, float py) {
                 const float lit = clamp01(0.5f - 0.5f * ((px - cx) * LIGHT.x + (py - cy) * LIGHT.y) / 50.0f * -1);
                 return mixc(HULL_DARK, HULL_LIGHT, 0.25f + 0.6f * lit);
             });
    for (int s = 0; s < 6; ++s) {
        const float ang = float(s) * PI / 3 + 0.26f;
        const float ex = cx + 46 * std::cos(ang), ey = cy + 46 * std::sin(ang);
        fill_all(c, [=](float px, float py) { return sd_segment(px, py, cx, cy, ex, ey, 2.6f); },
                 metal(cy - 46, cy + 46, rgb(0.92f, 0.93f, 0.97f), 0));
        const float mx = cx + 50 * std::cos(ang + PI / 6), my = cy + 50 * std::sin(ang + PI / 6);
        paint_sphere(c, mx, my, 6.5f, [](V3) { return rgb(0.48f, 0.50f, 0.56f); }, rgb(0, 0, 0), 0, 0, 0.5f);
        lamp(c, mx, my, rgb(1.0f, 0.35f, 0.25f), 1.0f);
    }
    paint_sphere(
        c, cx, cy, 18,
        [=](V3 n) {
            const float v = noise3(n, 3.0f, seed, 2);
            const float ring = std::fabs(std::sqrt(n.x * n.x + n.y * n.y) - 0.6f) < 0.05f ? 0.7f : 1.0f;
            return scale(mixc(rgb(0.52f, 0.56f, 0.62f), rgb(0.80f, 0.82f, 0.86f), v), ring);
        },
        rgb(0, 0, 0), 0, 0, 0.6f);
    lamp(c, cx, cy, rgb(0.35f, 0.95f, 1.0f), 1.6f);
}

void paint_starbase_scaffold(Canvas *c, float cx, float cy) {
    scaffold_ellipse(c, cx, cy, 50, 18);
    scaffold_ellipse(c, cx, cy, 42, 14);
    scaffold_box(c, cx, cy - 4, 6.5f, 31);
    for (float ang = 0; ang < 2 * PI; ang += PI / 4)
        scaffold_line(c, cx, cy, cx + 50 * std::cos(ang), cy + 18 * std::sin(ang));
    lamp(c, cx - 50, cy, rgb(1.0f, 0.75f, 0.3f), 0.9f);
    lamp(c, cx + 50, cy, rgb(1.0f, 0.75f, 0.3f), 0.9f);
    lamp(c, cx, cy - 35, rgb(1.0f, 0.75f, 0.3f), 0.9f);
}

// The shipyard: two gantries, trusses, and a hull taking shape between them; sparks of welding.
void paint_shipyard(Canvas *c, float ox, float oy, float k, int frame, int sparks_per_frame, bool scaffold,
                    uint32_t seed) {
    const float x0 = ox + 6 * k, x1 = ox + 94 * k, top = oy + 12 * k, bottom = oy + 52 * k;
    if (scaffold) {
        scaffold_box(c, (x0 + x1) / 2, top, (x1 - x0) / 2, 2.5f * k);
        scaffold_box(c, (x0 + x1) / 2, bottom, (x1 - x0) / 2, 2.5f * k);
        for (float x = x0 + 4 * k; x < x1; x += 14 * k) scaffold_line(c, x, top, x, bottom);
        lamp(c, x0, top, rgb(1.0f, 0.75f, 0.3f), k);
        lamp(c, x1, bottom, rgb(1.0f, 0.75f, 0.3f), k);
        return;
    }
    // The far gantry and trusses, then the hull, then the near gantry.
    fill_all(c, [=](float px, float py) { return sd_box(px, py, (x0 + x1) / 2, top, (x1 - x0) / 2, 3 * k, 1); },
             metal(top - 3 * k, top + 3 * k, rgb(0.85f, 0.85f, 0.9f), 9 * k));
    for (float x = x0 + 4 * k; x < x1; x += 14 * k) {
        fill_all(c, [=](float px, float py) { return sd_segment(px, py, x, top, x, bottom, 0.9f * k); },
                 flat(rgb(0.30f, 0.32f, 0.38f)));
        fill_all(c, [=](float px, float py) { return sd_segment(px, py, x, top, x + 14 * k, bottom, 0.5f * k); },
                 flat(rgb(0.24f, 0.26f, 0.31f)));
    }
    const float hx = (x0 + x1) / 2 - 2 * k, hy = (top + bottom) / 2, ha = 34 * k, hb = 9 * k;
    fill_all(c,
             [=](float px, float py) {
                 const float d = sd_ellipse(px, py, hx, hy, ha, hb);
                 return px > hx + 8 * k ? std::fabs(d) - 0.9f * k : d;   // the bow is still ribs only
             },
             metal(hy - hb, hy + hb, rgb(0.95f, 0.97f, 1.0f), 5 * k));
    for (float x = hx + 10 * k; x < hx + ha; x += 4.5f * k)
        fill_all(c,
                 [=](float px, float py) {
                     const float h = hb * std::sqrt(std::max(0.0f, 1 - ((x - hx) / ha) * ((x - hx) / ha)));
                     return sd_segment(px, py, x, hy - h, x, hy + h, 0.55f * k);
                 },
                 flat(rgb(0.55f, 0.58f, 0.64f)));
    fill_all(c, [=](float px, float py) { return sd_box(px, py, (x0 + x1) / 2, bottom, (x1 - x0) / 2, 3 * k, 1); },
             metal(bottom - 3 * k, bottom + 3 * k, rgb(1, 1, 1), 9 * k));
    GenRandom rnd(seed + uint32_t(frame) * 131);
    for (int s = 0; s < sparks_per_frame; ++s) {
        const float t = rnd.uniform();
        const float sx = hx - ha * 0.6f + t * ha * 1.5f, sy = hy + (rnd.uniform() - 0.5f) * hb * 1.6f;
        canvas_glow(c, sx, sy, 3.0f * k, rgb(1.0f, 0.85f, 0.5f, 0.7f), BLEND_OVER);
        canvas_circle(c, sx, sy, 0.9f * k, rgb(1, 1, 0.9f), BLEND_OVER);
    }
    lamps(c, {{x0, top}, {x1, top}, {x0, bottom}, {x1, bottom}}, frame, 4, 2, rgb(1.0f, 0.72f, 0.28f), k);
}

// The harvester: a barge with a drill arm on its left and engines on its right.
enum HarvesterPose { MINING, FOLDING_1, FOLDING_2, THRUST_LEFT, THRUST_RIGHT, CREW_SHORT, DEACTIVATED };

void paint_harvester(Canvas *c, float ox, float oy, float k, HarvesterPose pose, int flicker) {
    const Colour orange = rgb(1.0f, 0.62f, 0.22f);
    const float hx = ox + 33 * k, hy = oy + 18 * k;
    const bool dark = pose == CREW_SHORT || pose == DEACTIVATED;
    // Drill arm: from the hull's lower left to the tip (the plume's source while mining).
    static const float TIP[4][2] = {{6, 30}, {5, 31}, {6, 32}, {7, 31}};
    float tx = 6, ty = 30;
    if (pose == MINING) tx = TIP[flicker % 4][0], ty = TIP[flicker % 4][1];
    else if (pose == FOLDING_1) tx = 11, ty = 27;
    else tx = 17, ty = 22;
    const float jx = ox + 20 * k, jy = oy + 23 * k;
    fill_all(c, [=](float px, float py) { return sd_segment(px, py, jx, jy, ox + tx * k, oy + ty * k, 1.6f * k); },
             metal(oy + 20 * k, oy + 32 * k, rgb(0.95f, 0.9f, 0.8f), 0));
    fill_all(c, [=](float px, float py) { return sd_circle(px, py, ox + tx * k, oy + ty * k, 2.4f * k); },
             flat(rgb(0.45f, 0.42f, 0.38f)));
    if (pose == MINING) {
        static const float HEAT[4] = {0.7f, 1.0f, 0.8f, 0.55f};
        canvas_glow(c, ox + tx * k, oy + ty * k, 3.5f * k, with_alpha(orange, 0.75f * HEAT[flicker % 4]), BLEND_OVER);
        canvas_circle(c, ox + tx * k, oy + ty * k, 1.2f * k, rgb(1, 0.92f, 0.7f), BLEND_OVER);
    }
    // Hull, cargo pods and cockpit.
    fill_all(c, [=](float px, float py) { return sd_box(px, py, hx, hy, 15 * k, 7.5f * k, 3 * k); },
             metal(hy - 7.5f * k, hy + 7.5f * k, dark ? rgb(0.6f, 0.6f, 0.65f) : rgb(1.0f, 0.95f, 0.88f), 5 * k));
    for (float px0 : {hx - 8 * k, hx + 1 * k})
        fill_all(c, [=](float px, float py) { return sd_box(px, py, px0 + 3 * k, hy + 8 * k, 3.5f * k, 2.2f * k, 1); },
                 metal(hy + 6 * k, hy + 10 * k, rgb(0.8f, 0.62f, 0.4f), 0));
    paint_sphere(c, hx + 9 * k, hy - 6 * k, 4 * k,
                 [=](V3) { return dark ? rgb(0.10f, 0.12f, 0.16f) : rgb(0.30f, 0.55f, 0.75f); }, rgb(0, 0, 0), 0, 0,
                 dark ? 0.2f : 0.8f);
    // Engines on the right; thrusters on the left of the hull.
    fill_all(c, [=](float px, float py) { return sd_box(px, py, hx + 17 * k, hy, 2.5f * k, 5 * k, 1); },
             metal(hy - 5 * k, hy + 5 * k, rgb(0.7f, 0.7f, 0.75f), 0));
    if (pose == THRUST_LEFT) {
        const float len = (flicker % 2 ? 5.5f : 4.0f) * k;
        fill_all(c, [=](float px, float py) { return sd_segment(px, py, hx + 19 * k, hy, hx + 19 * k + len, hy, 2.2f * k); },
                 [=](float px, float) { return mixc(rgb(1, 0.95f, 0.8f), rgb(0.4f, 0.6f, 1.0f), clamp01((px - hx - 19 * k) / len)); });
    }
    if (pose == THRUST_RIGHT) {
        const float len = (flicker % 2 ? 4.5f : 3.5f) * k;
        for (float dy : {-4.0f, 4.0f})
            fill_all(c,
                     [=](float px, float py) {
                         return sd_segment(px, py, hx - 15 * k, hy + dy * k, hx - 15 * k - len, hy + dy * k, 1.4f * k);
                     },
                     flat(rgb(0.7f, 0.85f, 1.0f)));
    }
    if (pose == DEACTIVATED) {
        lamp(c, hx - 12 * k, hy - 6 * k, rgb(0.9f, 0.15f, 0.1f), 0.8f * k);
    } else if (pose != CREW_SHORT) {
        lamps(c, {{hx - 12 * k, hy - 6 * k}, {hx + 14 * k, hy - 6 * k}}, flicker, 2, 1, orange, 0.8f * k);
    }
}

void paint_harvester_scaffold(Canvas *c) {
    scaffold_box(c, 33, 18, 15, 7.5f);
    scaffold_line(c, 20, 23, 17, 22);
    scaffold_box(c, 50, 18, 2.5f, 5);
    lamp(c, 18, 11, rgb(1.0f, 0.75f, 0.3f), 0.8f);
}

// The research station: a laboratory block on a truss, a large dish aimed up-left, a beam of
// light at the dish's focus that pulses.
void paint_research(Canvas *c, float ox, float oy, float k, int frame, int period, bool scaffold) {
    const float bx = ox + 36 * k, by = oy + 46 * k;
    if (scaffold) {
        scaffold_box(c, bx, by, 16, 8);
        scaffold_line(c, bx, by - 8, bx, by - 28);
        scaffold_ellipse(c, bx - 4, by - 32, 16, 8);
        lamp(c, bx - 16, by + 8, rgb(1.0f, 0.75f, 0.3f), 0.9f);
        return;
    }
    fill_all(c, [=](float px, float py) { return sd_segment(px, py, bx, by - 6 * k, bx - 3 * k, by - 27 * k, 1.3f * k); },
             flat(rgb(0.45f, 0.47f, 0.52f)));
    // Dish: an ellipse, darker in its hollow, tilted towards the upper left.
    const float dx = bx - 5 * k, dy = by - 32 * k;
    fill_all(c, [=](float px, float py) {
                 const float rx = (px - dx) * 0.94f + (py - dy) * 0.34f, ry = -(px - dx) * 0.34f + (py - dy) * 0.94f;
                 return sd_ellipse(rx, ry, 0, 0, 17 * k, 7 * k);
             },
             [=](float px, float py) {
                 const float rx = (px - dx) * 0.94f + (py - dy) * 0.34f, ry = -(px - dx) * 0.34f + (py - dy) * 0.94f;
                 const float hollow = clamp01(1 - std::hypot(rx / (17 * k), (ry - 1.5f * k) / (5 * k)));
                 return mixc(rgb(0.82f, 0.84f, 0.88f), rgb(0.30f, 0.32f, 0.38f), hollow * 0.9f);
             });
    const float fx = dx - 6 * k, fy = dy - 12 * k;
    fill_all(c, [=](float px, float py) { return sd_segment(px, py, dx, dy, fx, fy, 0.5f * k); }, flat(rgb(0.6f, 0.62f, 0.66f)));
    const float pulse = 0.5f + 0.5f * std::cos(float(frame) * 2 * PI / float(period));
    canvas_glow(c, fx, fy, (2.0f + 1.6f * pulse) * k, rgb(0.75f, 0.55f, 1.0f, 0.4f + 0.45f * pulse), BLEND_OVER);
    canvas_circle(c, fx, fy, 1.0f * k, rgb(0.95f, 0.9f, 1.0f), BLEND_OVER);
    // The laboratory block with lit windows.
    fill_all(c, [=](float px, float py) { return sd_box(px, py, bx, by, 17 * k, 8 * k, 2 * k); },
             metal(by - 8 * k, by + 8 * k, rgb(0.95f, 0.95f, 1.0f), 6 * k));
    for (int i = 0; i < 6; ++i) {
        const float wx = bx - 12.5f * k + float(i) * 5 * k;
        const bool lit = (i * 3 + frame) % 5 != 0;
        fill_all(c, [=](float px, float py) { return sd_box(px, py, wx, by - 1 * k, 1.2f * k, 1.6f * k); },
                 flat(lit ? rgb(0.95f, 0.85f, 0.55f) : rgb(0.2f, 0.2f, 0.25f)));
    }
    lamps(c, {{bx - 17 * k, by + 7 * k}, {bx + 17 * k, by + 7 * k}}, frame, 2, 1, rgb(0.7f, 0.5f, 1.0f), 0.8f * k);
}

// The training site: an academy ring around a tower; its lights chase around the ring.
void paint_training(Canvas *c, float cx, float cy, float k, int frame, int period, bool scaffold) {
    const float a = 33 * k, b = 11 * k, w = 3.2f * k;
    if (scaffold) {
        scaffold_ellipse(c, cx, cy + 6, 33, 11);
        scaffold_box(c, cx, cy - 4, 5, 18);
        lamp(c, cx, cy - 23, rgb(1.0f, 0.75f, 0.3f), 0.9f);
        return;
    }
    auto ring_half = [&](bool near_half) {
        fill_all(c,
                 [=](float px, float py) {
                     if (near_half != (py >= cy + 6 * k)) return 1.0f;
                     return std::fabs(sd_ellipse(px, py, cx, cy + 6 * k, a, b)) - w;
                 },
                 [=](float, float py) {
                     const float t = clamp01((py - (cy + 6 * k - b - w)) / (2 * (b + w)));
                     return mixc(HULL_LIGHT, HULL_DARK, near_half ? 0.15f + t * 0.7f : 0.45f + t * 0.5f);
                 });
        const int n = 12;
        for (int i = 0; i < n; ++i) {
            const float ang = float(i) * 2 * PI / float(n);
            if (near_half != (std::sin(ang) >= 0)) continue;
            const float lx = cx + a * std::cos(ang), ly = cy + 6 * k + b * std::sin(ang);
            const bool on = ((i - frame * n / period) % n + n) % n < 3;
            if (on) lamp(c, lx, ly, rgb(0.4f, 1.0f, 0.55f), 0.8f * k);
            else canvas_circle(c, lx, ly, 0.6f * k, rgb(0.12f, 0.3f, 0.16f), BLEND_OVER);
        }
    };
    ring_half(false);
    fill_all(c, [=](float px, float py) { return sd_box(px, py, cx, cy - 4 * k, 5 * k, 18 * k, 2 * k); },
             metal(cy - 22 * k, cy + 14 * k));
    fill_all(c, [=](float px, float py) { return sd_box(px, py, cx, cy - 14 * k, 9 * k, 3 * k, 1.5f * k); },
             metal(cy - 17 * k, cy - 11 * k, rgb(0.9f, 1.0f, 0.92f), 0));
    for (int i = 0; i < 4; ++i)
        fill_all(c, [=](float px, float py) { return sd_box(px, py, cx - 5.5f * k + float(i) * 3.7f * k, cy - 14 * k, 0.9f * k, 1.2f * k); },
                 flat(rgb(0.7f, 1.0f, 0.75f)));
    fill_all(c, [=](float px, float py) { return sd_segment(px, py, cx, cy - 22 * k, cx, cy - 27 * k, 0.5f * k); },
             flat(rgb(0.7f, 0.72f, 0.76f)));
    lamp(c, cx, cy - 27 * k, frame % 2 == 0 ? rgb(0.4f, 1.0f, 0.55f) : rgb(0.15f, 0.35f, 0.2f), 0.9f * k);
    ring_half(true);
}

// ---- Frames by template ----

Canvas paint_facility_frame(int t, int frame, uint32_t seed) {
    const uint32_t s = seed + uint32_t(t) * 977;
    switch (t) {
    case 0: {
        if (frame == 5) {
            Canvas c = canvas_create(DETAIL, DETAIL);
            paint_starbase_battle(&c, DETAIL, s);
            flatten(&c, 0.12f);
            return c;
        }
        const bool detail = frame >= 6;
        Canvas c = detail ? canvas_create(DETAIL, DETAIL) : canvas_create(112, 84);
        if (frame == 4) paint_starbase_scaffold(&c, 56, 44);
        else if (detail) paint_starbase(&c, 64, 68, 1.12f, frame - 6, float(frame - 6) / 8.0f, s);
        else paint_starbase(&c, 56, 44, 1.0f, frame, 0, s);
        flatten(&c, 0.12f);
        return c;
    }
    case 7: {
        const bool detail = frame >= 5;
        Canvas c = detail ? canvas_create(DETAIL, DETAIL) : canvas_create(100, 64);
        if (detail) paint_shipyard(&c, 0, 28, 1.28f, frame - 5, 5, false, s);
        else paint_shipyard(&c, 0, 0, 1.0f, frame, 2, frame == 4, s);
        flatten(&c, 0.12f);
        return c;
    }
    case 13: {
        const bool detail = frame >= 13;
        Canvas c = detail ? canvas_create(DETAIL, DETAIL) : canvas_create(56, 36);
        if (frame == 12) {
            paint_harvester_scaffold(&c);
        } else if (detail) {
            paint_harvester(&c, 2, 32, 2.2f, MINING, (frame - 13) % 4);
        } else {
            static const HarvesterPose POSES[12] = {MINING,      MINING,      MINING,       MINING,
                                                    FOLDING_1,   FOLDING_2,   THRUST_LEFT,  THRUST_LEFT,
                                                    THRUST_RIGHT, THRUST_RIGHT, CREW_SHORT, DEACTIVATED};
            paint_harvester(&c, 0, 0, 1.0f, POSES[frame], frame);
        }
        flatten(&c, 0.12f);
        return c;
    }
    case 14: {
        const bool detail = frame >= 5;
        Canvas c = detail ? canvas_create(DETAIL, DETAIL) : canvas_create(72, 64);
        if (detail) paint_research(&c, 4, 20, 1.65f, frame - 5, 8, false);
        else paint_research(&c, 0, 0, 1.0f, frame, 4, frame == 4);
        flatten(&c, 0.12f);
        return c;
    }
    case 15: {
        const bool detail = frame >= 5;
        Canvas c = detail ? canvas_create(DETAIL, DETAIL) : canvas_create(80, 60);
        if (detail) paint_training(&c, 64, 66, 1.6f, frame - 5, 8, false);
        else paint_training(&c, 40, 30, 1.0f, frame, 4, frame == 4);
        flatten(&c, 0.12f);
        return c;
    }
    default:
        return canvas_create(1, 1);
    }
}

}  // namespace

int site_art_frame_count(int t) {
    switch (t) {
    case 0: return 14;
    case 1: case 2: case 3: case 4: case 5: return 14;
    case 6: case 8: case 9: case 10: return 2;
    case 11: case 12: return 4;
    case 7: case 14: case 15: return 13;
    case 13: return 21;
    default: return 0;
    }
}

Canvas site_art_paint_star_halo(int t) {
    if (t < 1 || t > 5) return canvas_create(1, 1);
    const StarLook look = star_look(t);
    Canvas c = canvas_create(look.size, look.size, {0, 0, 0, 0});
    const float centre = look.size / 2.0f, r = look.size * look.disc;
    for (int y = 0; y < look.size; ++y)
        for (int x = 0; x < look.size; ++x) {
            const float d = std::hypot(float(x) + 0.5f - centre, float(y) + 0.5f - centre) / r;
            canvas_blend(&c, x, y, with_alpha(star_halo_light(look, d), 1), 1, BLEND_ADD);
        }
    return c;
}

Canvas site_art_paint(int t, int frame, uint32_t seed) {
    if (frame < 0 || frame >= site_art_frame_count(t)) return canvas_create(1, 1);
    if (t >= 1 && t <= 5) {
        if (frame < 6) return paint_sector_star(t, float(frame) / 6.0f, seed);
        return paint_star(t, DETAIL, 0.27f, float(frame - 6) / 8.0f, seed + 5);
    }
    if (t == 6 || (t >= 8 && t <= 12 && t != 7)) return paint_body_frame(t, frame, seed);
    return paint_facility_frame(t, frame, seed);
}
