// The background family: deep space in a palette of its own per slot.
//
// Each picture is built in linear light in a float buffer and tone-mapped at the end:
//   sky      a near-black base with a faint large-scale gradient;
//   nebula   domain-warped fbm for the gas, ridged noise for bright filaments, a low-frequency
//            mask that decides where the cloud lives, and fbm dust that absorbs (reddening)
//            everything behind it, stars included;
//   stars    thousands of faint points, fewer medium stars with a halo, a handful of bright ones
//            with glare and diffraction spikes, colours from blue-white to red, thicker along a
//            galactic band in some slots;
//   extras   the glow of a nearby sun beyond the frame (sector views), a small distant galaxy
//            (some combat backdrops), a soft centre glow (transition), a planet's night side with
//            a sun rising over its rim (title), the scan lines of a console (boot).
//   room     slots that carry text keep the gas away from it: the boot log's bottom-left corner,
//            the About page's credits on the left.
// Every slot draws from its own generator seeded by (seed, slot), so the threads that paint
// slots side by side cannot change a single byte.
#include "assetgen/backgrounds.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>
#include "assetgen/output.h"

namespace {

constexpr float PI = 3.14159265358979f;
constexpr int   W = BACKGROUND_WIDTH;
constexpr int   H = BACKGROUND_HEIGHT;

struct Rgb {
    float r = 0, g = 0, b = 0;
};

Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

float smoothstep(float e0, float e1, float x) {
    float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

enum BgKind { BG_BOOT, BG_ABOUT, BG_TRANSITION, BG_TITLE, BG_STAR_MAP, BG_SECTOR, BG_COMBAT };

struct Palette {
    Rgb primary, secondary, highlight;
    Rgb accent = {};   // a third gas colour the cloud drifts towards, made from the other two
};

// Hand-picked pairs of gas colours; each slot turns one of them by its own hue angle.
const Palette BASE_PALETTES[] = {
    {{0.80f, 0.16f, 0.30f}, {0.36f, 0.16f, 0.75f}, {1.00f, 0.62f, 0.55f}},   // crimson and violet
    {{0.10f, 0.52f, 0.62f}, {0.85f, 0.58f, 0.22f}, {0.85f, 1.00f, 0.90f}},   // teal and gold
    {{0.15f, 0.38f, 0.95f}, {0.40f, 0.16f, 0.72f}, {0.70f, 0.90f, 1.00f}},   // azure and indigo
    {{0.95f, 0.48f, 0.15f}, {0.55f, 0.12f, 0.14f}, {1.00f, 0.85f, 0.60f}},   // amber and rust
    {{0.14f, 0.66f, 0.42f}, {0.10f, 0.34f, 0.68f}, {0.75f, 1.00f, 0.85f}},   // emerald and sea blue
    {{0.90f, 0.34f, 0.56f}, {0.20f, 0.34f, 0.85f}, {1.00f, 0.80f, 0.86f}},   // rose and blue
    {{0.56f, 0.20f, 0.85f}, {0.10f, 0.55f, 0.62f}, {0.90f, 0.76f, 1.00f}},   // violet and teal
    {{0.90f, 0.68f, 0.26f}, {0.70f, 0.12f, 0.22f}, {1.00f, 0.95f, 0.72f}},   // gold and crimson
    {{0.50f, 0.72f, 0.95f}, {0.22f, 0.28f, 0.62f}, {0.90f, 0.95f, 1.00f}},   // ice
    {{0.85f, 0.22f, 0.64f}, {0.95f, 0.46f, 0.16f}, {1.00f, 0.76f, 0.72f}},   // magenta and orange
    {{0.18f, 0.60f, 0.78f}, {0.62f, 0.18f, 0.48f}, {0.80f, 0.95f, 1.00f}},   // cyan and plum
    {{0.78f, 0.30f, 0.18f}, {0.20f, 0.42f, 0.70f}, {1.00f, 0.78f, 0.62f}},   // copper and steel blue
    {{0.72f, 0.14f, 0.18f}, {0.12f, 0.50f, 0.70f}, {1.00f, 0.75f, 0.70f}},   // deep red and cyan
};
constexpr int BASE_PALETTE_COUNT = int(sizeof BASE_PALETTES / sizeof BASE_PALETTES[0]);

// Turns a colour about the grey axis by `degrees`.
Rgb hue_rotate(Rgb c, float degrees) {
    const float a = degrees * PI / 180.0f, cs = std::cos(a), sn = std::sin(a);
    const float k = (1 - cs) / 3, s3 = sn * 0.57735027f;
    auto clamp = [](float v) { return std::clamp(v, 0.0f, 1.0f); };
    return {clamp(c.r * (cs + k) + c.g * (k - s3) + c.b * (k + s3)),
            clamp(c.r * (k + s3) + c.g * (cs + k) + c.b * (k - s3)),
            clamp(c.r * (k - s3) + c.g * (k + s3) + c.b * (cs + k))};
}

struct Style {
    BgKind  kind;
    Palette palette;
    float   nebula;        // brightness of the gas: its 99th-percentile luminance, linear
    float   coverage;      // share of the frame the cloud may fill, 0..1
    float   scale;         // gas features per image height
    float   warp;          // domain warp amount
    float   filaments;     // strength of the bright ridges
    float   dust;          // absorption strength, 0..1
    float   haze;          // soft glow under the gas
    float   focus;         // pull of the cloud towards a focus on a third of the frame
    int     knots;         // young clusters lighting the gas around them
    int     faint_stars, medium_stars, bright_stars;
    float   band;          // galactic band strength, 0..1
    bool    sun_glow, galaxy, centre_glow;
    bool    planet = false;      // a planet's rim along the bottom with a sunrise (title)
    bool    scanlines = false;   // console scan lines and a phosphor cast (boot)
    int     room = 0;            // ROOM_*: where the gas keeps away for text
};

enum Room { ROOM_NONE = 0, ROOM_LEFT, ROOM_BOTTOM_LEFT };

// How much gas a point may hold, 0..1, for a slot that keeps room for text.
float room_factor(int room, float x, float y) {
    if (room == ROOM_LEFT) return 0.08f + 0.92f * smoothstep(0.30f * W, 0.78f * W, x);
    if (room == ROOM_BOTTOM_LEFT) {
        const float dx = x / (0.75f * W), dy = (H - y) / (0.7f * H);
        return 0.05f + 0.95f * smoothstep(0.55f, 1.25f, std::sqrt(dx * dx + dy * dy));
    }
    return 1.0f;
}

BgKind slot_kind(int slot) {
    if (slot == 0) return BG_BOOT;
    if (slot == 1) return BG_ABOUT;
    if (slot == 2) return BG_TRANSITION;
    if (slot == 3) return BG_TITLE;
    if (slot < 20) return BG_STAR_MAP;
    if (slot < 36) return BG_SECTOR;
    return BG_COMBAT;
}

Style slot_style(int slot, GenRandom &rng) {
    Style s{};
    s.kind = slot_kind(slot);
    const Palette &base = BASE_PALETTES[(slot * 5) % BASE_PALETTE_COUNT];
    const float turn = float((slot / BASE_PALETTE_COUNT) * 7 % 21 - 10) + rng.range(-4, 4);
    s.palette = {hue_rotate(base.primary, turn), hue_rotate(base.secondary, turn), hue_rotate(base.highlight, turn * 0.5f)};
    if ((slot / BASE_PALETTE_COUNT) % 2 == 1) std::swap(s.palette.primary, s.palette.secondary);
    s.knots = 0;
    s.palette.accent = hue_rotate(mix(s.palette.primary, s.palette.secondary, 0.5f), rng.uniform() < 0.5f ? 40.0f : -40.0f);
    s.focus = 0;

    s.scale = rng.range(1.5f, 2.4f);
    s.warp = rng.range(0.35f, 0.6f);
    s.band = 0;
    switch (s.kind) {
    case BG_BOOT:
        s.nebula = 0.14f; s.coverage = 0.35f; s.filaments = 0.5f; s.dust = 0.45f; s.haze = 0.6f;
        s.faint_stars = 2200; s.medium_stars = 40; s.bright_stars = 1;
        s.palette = {{0.10f, 0.55f, 0.45f}, {0.12f, 0.30f, 0.55f}, {0.70f, 1.00f, 0.85f}};
        s.palette.accent = {0.20f, 0.60f, 0.30f};
        s.scanlines = true; s.room = ROOM_BOTTOM_LEFT;
        break;
    case BG_ABOUT:
        s.nebula = 0.26f; s.coverage = 0.55f; s.filaments = 0.7f; s.dust = 0.55f; s.haze = 0.7f;
        s.faint_stars = 3600; s.medium_stars = 110; s.bright_stars = 4; s.band = 0.4f;
        s.room = ROOM_LEFT;
        break;
    case BG_TRANSITION:
        s.nebula = 0.14f; s.coverage = 0.40f; s.filaments = 0.5f; s.dust = 0.40f; s.haze = 0.5f;
        s.faint_stars = 3200; s.medium_stars = 80; s.bright_stars = 3; s.centre_glow = true;
        break;
    case BG_TITLE:
        s.nebula = 0.42f; s.coverage = 0.80f; s.filaments = 1.0f; s.dust = 0.70f; s.haze = 0.8f;
        s.faint_stars = 5200; s.medium_stars = 200; s.bright_stars = 8; s.band = 0.6f;
        s.scale = 1.8f; s.warp = 0.5f; s.focus = 1.6f; s.knots = 3;
        s.planet = true;
        break;
    case BG_STAR_MAP:
        s.nebula = rng.range(0.16f, 0.20f); s.coverage = rng.range(0.45f, 0.65f); s.filaments = 0.5f;
        s.dust = 0.40f; s.haze = 0.6f;
        s.faint_stars = 4000; s.medium_stars = 110; s.bright_stars = rng.range_int(2, 4);
        s.band = rng.uniform() < 0.5f ? rng.range(0.3f, 0.6f) : 0.0f;
        break;
    case BG_SECTOR:
        s.nebula = rng.range(0.24f, 0.30f); s.coverage = rng.range(0.50f, 0.70f); s.filaments = 0.8f;
        s.dust = 0.55f; s.haze = 0.7f;
        s.faint_stars = 4200; s.medium_stars = 150; s.bright_stars = rng.range_int(3, 6);
        s.band = rng.uniform() < 0.4f ? rng.range(0.3f, 0.6f) : 0.0f;
        s.sun_glow = true;
        s.knots = rng.range_int(0, 2);
        break;
    case BG_COMBAT:
        s.nebula = rng.range(0.30f, 0.38f); s.coverage = rng.range(0.60f, 0.80f); s.filaments = 0.9f;
        s.dust = 0.65f; s.haze = 0.7f;
        s.faint_stars = 4500; s.medium_stars = 160; s.bright_stars = rng.range_int(3, 6);
        s.band = rng.uniform() < 0.3f ? rng.range(0.3f, 0.5f) : 0.0f;
        s.galaxy = slot % 3 == 1;
        s.focus = rng.range(0.0f, 1.2f);
        s.knots = rng.range_int(1, 3);
        break;
    }
    return s;
}

// The picture in linear light, three floats a pixel.
struct Hdr {
    std::vector<float> px = std::vector<float>(size_t(W) * H * 3, 0.0f);
    void add(int x, int y, Rgb c) {
        if (x < 0 || y < 0 || x >= W || y >= H) return;
        float *p = &px[(size_t(y) * W + x) * 3];
        p[0] += c.r;
        p[1] += c.g;
        p[2] += c.b;
    }
};

// Adds light of total `flux` spread as a gaussian of deviation `sigma` (sub-pixel placed),
// dimmed by the dust in front of it.
void splat(Hdr &hdr, float x, float y, float sigma, Rgb colour, float flux, const std::vector<float> &absorb) {
    const int reach = int(std::ceil(sigma * 3.0f));
    const int cx = int(std::floor(x)), cy = int(std::floor(y));
    const float inv = 1.0f / (2 * sigma * sigma);
    float total = 0;
    for (int j = -reach; j <= reach; ++j)
        for (int i = -reach; i <= reach; ++i) {
            const float dx = float(cx + i) + 0.5f - x, dy = float(cy + j) + 0.5f - y;
            total += std::exp(-(dx * dx + dy * dy) * inv);
        }
    if (total <= 0) return;
    const int ax = std::clamp(cx, 0, W - 1), ay = std::clamp(cy, 0, H - 1);
    const float seen = flux * (1.0f - absorb[size_t(ay) * W + ax]) / total;
    for (int j = -reach; j <= reach; ++j)
        for (int i = -reach; i <= reach; ++i) {
            const float dx = float(cx + i) + 0.5f - x, dy = float(cy + j) + 0.5f - y;
            hdr.add(cx + i, cy + j, colour * (std::exp(-(dx * dx + dy * dy) * inv) * seen));
        }
}

// Star colours, hottest first, with how common each is among the stars we draw.
struct StarColour {
    Rgb   colour;
    float weight;
};
const StarColour STAR_COLOURS[] = {
    {{0.62f, 0.74f, 1.00f}, 0.12f}, {{0.80f, 0.87f, 1.00f}, 0.22f}, {{1.00f, 1.00f, 1.00f}, 0.24f},
    {{1.00f, 0.95f, 0.82f}, 0.20f}, {{1.00f, 0.83f, 0.62f}, 0.14f}, {{1.00f, 0.68f, 0.50f}, 0.08f},
};

Rgb star_colour(GenRandom &rng) {
    float pick = rng.uniform();
    for (const StarColour &s : STAR_COLOURS) {
        if (pick < s.weight) return s.colour;
        pick -= s.weight;
    }
    return STAR_COLOURS[0].colour;
}

struct Band {
    float px, py, dx, dy, width;   // a point on the centre line, its direction, half-width
    float strength;
    float weight(float x, float y) const {
        const float d = (x - px) * dy - (y - py) * dx;   // distance from the centre line
        return strength * std::exp(-(d * d) / (width * width));
    }
};

struct Painter {
    Style              style;
    GenRandom          rng;
    uint32_t           seed;
    Hdr                hdr;
    std::vector<float> absorb = std::vector<float>(size_t(W) * H, 0.0f);   // dust, 0..1
    std::vector<float> gas    = std::vector<float>(size_t(W) * H, 0.0f);   // nebula density, for star clustering
    Band               band{};

    Painter(int slot, uint32_t s) : rng(hash_combine(s, uint32_t(slot) + 1u)), seed(hash_combine(s, uint32_t(slot) * 7919u)) {
        style = slot_style(slot, rng);
        const float angle = rng.range(0, PI);
        band = {rng.range(0.3f, 0.7f) * W, rng.range(0.3f, 0.7f) * H, std::cos(angle), std::sin(angle),
                rng.range(110.0f, 190.0f), style.band};
    }

    // Mean and deviation of a field, from every 5th value.
    static void field_stats(const std::vector<float> &f, float *mean, float *deviation) {
        double sum = 0, sum2 = 0;
        size_t n = 0;
        for (size_t i = 0; i < f.size(); i += 5, ++n) {
            sum += f[i];
            sum2 += double(f[i]) * f[i];
        }
        *mean = float(sum / double(n));
        *deviation = float(std::sqrt(std::max(1e-12, sum2 / double(n) - double(*mean) * *mean)));
    }

    // The value below which `share` of a field lies, from every 5th value.
    static float field_quantile(const std::vector<float> &f, float share) {
        std::vector<float> sample;
        sample.reserve(f.size() / 5 + 1);
        for (size_t i = 0; i < f.size(); i += 5) sample.push_back(f[i]);
        const size_t k = std::min(sample.size() - 1, size_t(share * float(sample.size())));
        std::nth_element(sample.begin(), sample.begin() + std::ptrdiff_t(k), sample.end());
        return sample[k];
    }

    void paint_sky_and_gas() {
        const Palette &pal = style.palette;
        const size_t n = size_t(W) * H;
        std::vector<float> mz(n), f1(n), f2(n), clump(n), ridge(n), dz(n), lanes(n), hue(n);
        // Where the cloud lives: a low-frequency field, leaning towards one side of the frame.
        const float lean = rng.range(0, 2 * PI), lean_amount = style.kind == BG_TITLE ? 0.1f : rng.range(0.1f, 0.5f);
        const float lx = std::cos(lean), ly = std::sin(lean);
        // A focus on a third of the frame gathers the main mass of the cloud.
        const float fx = (rng.uniform() < 0.5f ? -1.0f : 1.0f) * (float(W) / 6.0f) / float(H), fy = rng.range(-0.15f, 0.15f);
        const float focus = style.focus, focus_r2 = 0.16f;
        float o[16];
        for (float &v : o) v = rng.range(-100.0f, 100.0f);
        uint32_t sd[8];
        for (int k = 0; k < 8; ++k) sd[k] = seed + uint32_t(k) * 101u;
        const float inv_h = 1.0f / float(H);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const size_t i = size_t(y) * W + x;
                const float nx = (float(x) - W * 0.5f) * inv_h, ny = (float(y) - H * 0.5f) * inv_h;
                const float u = nx * style.scale, v = ny * style.scale;
                const float fd2 = (nx - fx) * (nx - fx) + (ny - fy) * (ny - fy);
                mz[i] = noise_fbm(nx * 0.9f + o[0], ny * 0.9f + o[1], sd[0], 3) + (nx * lx + ny * ly) * 0.25f * lean_amount +
                        focus * 0.2f * std::exp(-fd2 / focus_r2);
                hue[i] = noise_fbm(nx * 1.3f + o[9], ny * 1.3f + o[8], sd[6] + 3u, 3);
                // A gentle warp for the large shapes, then turbulent detail on top.
                const float qx = noise_fbm(u * 1.5f + o[2], v * 1.5f + o[3], sd[1], 4);
                const float qy = noise_fbm(u * 1.5f + o[4], v * 1.5f + o[5], sd[2], 4);
                const float wu = u + style.warp * (qx - 0.5f), wv = v + style.warp * (qy - 0.5f);
                f1[i] = noise_fbm(wu + o[6], wv + o[7], sd[3], 7, 2.0f, 0.6f);
                f2[i] = noise_fbm(wu * 1.3f + o[8], wv * 1.3f + o[9], sd[4], 7, 2.0f, 0.6f);
                clump[i] = noise_fbm(wu * 4.0f + o[10], wv * 4.0f + o[11], sd[5], 4);
                ridge[i] = noise_ridged(wu * 1.7f + o[12], wv * 1.7f + o[13], sd[6], 6);
                dz[i] = noise_fbm(wu * 1.2f + o[14], wv * 1.2f + o[15], sd[7], 6, 2.0f, 0.55f);
                lanes[i] = noise_ridged(wu * 0.9f + o[1], wv * 0.9f + o[0], sd[7] + 7u, 5);
            }

        // Thresholds from the fields themselves, so every slot gets the coverage it asks for.
        float m_mean, m_dev, f1_mean, f1_dev, f2_mean, f2_dev, d_mean, d_dev;
        field_stats(mz, &m_mean, &m_dev);
        field_stats(f1, &f1_mean, &f1_dev);
        field_stats(f2, &f2_mean, &f2_dev);
        field_stats(dz, &d_mean, &d_dev);
        const float m_cut = field_quantile(mz, 1.0f - style.coverage);

        const Rgb base = Rgb{0.004f, 0.005f, 0.011f} + mix(pal.primary, pal.secondary, 0.5f) * 0.004f;
        const Rgb middle = mix(pal.primary, pal.secondary, 0.5f);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const size_t i = size_t(y) * W + x;
                const float mask = smoothstep(m_cut - 0.8f * m_dev, m_cut + 1.2f * m_dev, mz[i]);
                const float z1 = (f1[i] - f1_mean) / f1_dev, z2 = (f2[i] - f2_mean) / f2_dev;
                const float knots = 0.45f + 1.1f * clump[i];
                const float e1 = std::pow(smoothstep(-0.8f, 2.6f, z1), 1.8f) * mask * knots;
                const float e2 = std::pow(smoothstep(-0.4f, 2.8f, z2), 1.8f) * mask * knots;
                const float density = std::min(1.0f, e1 + e2);
                const float filament = std::pow(ridge[i], 4.0f) * std::sqrt(density);

                // Dust: soft clouds plus sharper dark lanes where ridges cross them.
                const float zd = (dz[i] - d_mean) / d_dev;
                const float lane = smoothstep(0.35f, 0.75f, lanes[i]);
                const float dust = std::min(1.0f, smoothstep(0.4f, 1.8f, zd) * 0.7f + lane * 0.6f * smoothstep(-0.5f, 1.0f, zd)) *
                                   style.dust * (0.3f + 0.7f * mask);

                // The gas colours drift slowly across the frame towards a warmer or cooler cast.
                const float drift = (hue[i] - 0.5f) * 5.0f;
                const Rgb c1 = mix(pal.primary, pal.accent, std::clamp(drift, 0.0f, 1.0f) * 0.6f);
                const Rgb c2 = mix(pal.secondary, pal.accent, std::clamp(-drift, 0.0f, 1.0f) * 0.5f);
                Rgb light = c1 * e1 + c2 * (0.85f * e2);
                light = light + middle * (style.haze * 0.12f * mask);
                light = light + pal.highlight * (style.filaments * 0.7f * filament + 0.12f * density * density * density);
                if (band.strength > 0) {
                    // The unresolved light of the galactic band, mottled.
                    const float bw = band.weight(float(x), float(y));
                    light = light + Rgb{0.9f, 0.85f, 0.75f} * (0.12f * bw * (0.3f + clump[i]));
                }
                const float room = style.room ? room_factor(style.room, float(x), float(y)) : 1.0f;
                light = light * room;
                absorb[i] = dust * room;
                gas[i] = density * room;
                float *p = &hdr.px[i * 3];
                p[0] = light.r;
                p[1] = light.g;
                p[2] = light.b;
            }

        // Scale the gas so its bright end sits where the slot wants it: bright enough to be seen,
        // dim enough for text. Then add the sky and let the dust absorb (blue most: reddening).
        std::vector<float> lum(n);
        for (size_t i = 0; i < n; ++i) lum[i] = 0.3f * hdr.px[i * 3] + 0.59f * hdr.px[i * 3 + 1] + 0.11f * hdr.px[i * 3 + 2];
        const float top = std::max(field_quantile(lum, 0.99f), 1e-4f);
        const float gain = std::min(style.nebula / top, 40.0f);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const size_t i = size_t(y) * W + x;
                const float ny = (float(y) - H * 0.5f) * inv_h;
                const Rgb sky = base + middle * (0.006f * (1 - ny));
                const float dust = absorb[i];
                float *p = &hdr.px[i * 3];
                p[0] = (sky.r + p[0] * gain) * (1 - 0.82f * dust);
                p[1] = (sky.g + p[1] * gain) * (1 - 0.90f * dust);
                p[2] = (sky.b + p[2] * gain) * (1 - 0.96f * dust);
            }
    }

    // Accepts a star position with a probability that follows the band and the gas.
    bool star_wanted(float x, float y, float roll) {
        const size_t i = size_t(std::clamp(int(y), 0, H - 1)) * W + size_t(std::clamp(int(x), 0, W - 1));
        const float p = 0.45f + 0.35f * gas[i] + (band.strength > 0 ? 1.6f * band.weight(x, y) : 0.0f);
        return roll * 2.4f < p;
    }

    void paint_stars() {
        for (int placed = 0; placed < style.faint_stars;) {
            const float x = rng.range(0, W), y = rng.range(0, H);
            if (!star_wanted(x, y, rng.uniform())) continue;
            ++placed;
            const float u = rng.uniform();
            const float flux = 0.035f * std::exp(u * u * u * 3.4f);   // mostly faint, a long bright tail
            const Rgb colour = mix(Rgb{1, 1, 1}, star_colour(rng), 0.55f);
            splat(hdr, x, y, rng.range(0.42f, 0.6f), colour, flux, absorb);
        }
        for (int placed = 0; placed < style.medium_stars;) {
            const float x = rng.range(0, W), y = rng.range(0, H);
            if (!star_wanted(x, y, rng.uniform())) continue;
            ++placed;
            const float flux = rng.range(0.5f, 1.8f);
            const Rgb colour = star_colour(rng);
            splat(hdr, x, y, rng.range(0.6f, 0.8f), colour, flux, absorb);
            splat(hdr, x, y, rng.range(1.8f, 2.6f), colour, flux * 0.35f, absorb);
        }
        const float spike_angle = rng.range(0, PI / 2);
        for (int n = 0; n < style.bright_stars; ++n) {
            const float x = rng.range(24, W - 24), y = rng.range(24, H - 24);
            // No glaring star where the slot keeps room for text; its two draws are still taken.
            if (style.room && room_factor(style.room, x, y) < 0.6f) {
                (void)rng.range(3.0f, 7.0f);
                (void)star_colour(rng);
                continue;
            }
            bright_star(x, y, rng.range(3.0f, 7.0f), star_colour(rng), spike_angle);
        }
    }

    void bright_star(float x, float y, float flux, Rgb colour, float spike_angle) {
        splat(hdr, x, y, 0.9f, mix(colour, Rgb{1, 1, 1}, 0.4f), flux, absorb);
        splat(hdr, x, y, 2.6f, colour, flux * 0.45f, absorb);
        splat(hdr, x, y, 7.0f, colour, flux * 0.9f, absorb);
        // Diffraction spikes: four thin rays fading with distance.
        const float length = 2.5f + 1.6f * flux;
        const float peak = 0.16f * flux;
        const int reach = int(length * 6.0f);
        const float sx = std::cos(spike_angle), sy = std::sin(spike_angle);
        for (int py = int(y) - reach; py <= int(y) + reach; ++py)
            for (int px = int(x) - reach; px <= int(x) + reach; ++px) {
                if (px < 0 || py < 0 || px >= W || py >= H) continue;
                const float dx = float(px) + 0.5f - x, dy = float(py) + 0.5f - y;
                const float a = dx * sx + dy * sy, b = -dx * sy + dy * sx;   // along the two spike axes
                const float ray = std::exp(-std::fabs(a) / length) * std::exp(-(b * b) / 0.45f) +
                                  std::exp(-std::fabs(b) / length) * std::exp(-(a * a) / 0.45f);
                if (ray < 1e-4f) continue;
                hdr.add(px, py, colour * (peak * ray * (1 - absorb[size_t(py) * W + px])));
            }
    }

    void paint_knots() {
        for (int k = 0; k < style.knots; ++k) {
            // The densest of a few random spots: clusters are born where the gas is thick.
            float bx = 0, by = 0, best = -1;
            for (int t = 0; t < 24; ++t) {
                const float x = rng.range(40, W - 40), y = rng.range(40, H - 40);
                const float d = gas[size_t(y) * W + size_t(x)];
                if (d > best) { best = d; bx = x; by = y; }
            }
            const Rgb glow = mix(style.palette.highlight, style.palette.primary, 0.35f);
            const float radius = rng.range(14, 30);
            splat(hdr, bx, by, radius, glow, 0.9f * radius * radius * 0.35f, absorb);
            splat(hdr, bx, by, radius * 0.35f, mix(glow, Rgb{1, 1, 1}, 0.5f), 0.5f * radius * radius * 0.1f, absorb);
            const int members = rng.range_int(14, 36);
            for (int m = 0; m < members; ++m) {
                const float x = bx + rng.gaussian() * radius * 0.8f, y = by + rng.gaussian() * radius * 0.8f;
                const Rgb colour = mix(STAR_COLOURS[rng.range_int(0, 2)].colour, Rgb{1, 1, 1}, 0.3f);
                splat(hdr, x, y, 0.6f, colour, rng.range(0.2f, 1.4f), absorb);
            }
        }
    }

    void paint_sun_glow() {
        // The local sun just beyond one edge of the frame.
        const int edge = rng.range_int(0, 3);
        float cx, cy;
        if (edge == 0) { cx = -rng.range(10, 80); cy = rng.range(0.15f, 0.85f) * H; }
        else if (edge == 1) { cx = W + rng.range(10, 80); cy = rng.range(0.15f, 0.85f) * H; }
        else if (edge == 2) { cx = rng.range(0.15f, 0.85f) * W; cy = -rng.range(10, 70); }
        else { cx = rng.range(0.15f, 0.85f) * W; cy = H + rng.range(10, 70); }
        const Rgb colour = mix(mix(star_colour(rng), Rgb{1, 0.86f, 0.66f}, 0.4f), style.palette.highlight, 0.25f);
        const float reach = rng.range(150, 240), strength = rng.range(0.26f, 0.36f);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const float d = std::hypot(float(x) - cx, float(y) - cy);
                // Scattered light: a long exponential tail and a brighter inner falloff.
                const float glow = strength * (0.45f * std::exp(-d / (reach * 1.8f)) + 0.8f * std::exp(-d / (reach * 0.5f)));
                hdr.add(x, y, colour * (glow * (1 - 0.6f * absorb[size_t(y) * W + x])));
            }
    }

    void paint_centre_glow() {
        const Rgb colour = mix(style.palette.primary, style.palette.highlight, 0.5f);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const float d = std::hypot(float(x) - W * 0.5f, float(y) - H * 0.5f) / float(H);
                hdr.add(x, y, colour * (0.07f * std::exp(-d * d * 9.0f)));
            }
    }

    void paint_galaxy() {
        // A small spiral seen at a slant: two logarithmic arms, a warm bulge, blue arms.
        const float gx = rng.range(0.15f, 0.85f) * W, gy = rng.range(0.15f, 0.85f) * H;
        const float size = rng.range(34, 60), tilt = rng.range(0.35f, 0.75f), turn = rng.range(0, PI);
        const float wind = rng.range(2.4f, 3.4f), bright = rng.range(0.45f, 0.6f);
        const float cs = std::cos(turn), sn = std::sin(turn);
        const int reach = int(size * 3.2f);
        for (int y = int(gy) - reach; y <= int(gy) + reach; ++y)
            for (int x = int(gx) - reach; x <= int(gx) + reach; ++x) {
                if (x < 0 || y < 0 || x >= W || y >= H) continue;
                const float dx = float(x) + 0.5f - gx, dy = float(y) + 0.5f - gy;
                const float u = (dx * cs + dy * sn) / size, v = (-dx * sn + dy * cs) / (size * tilt);
                const float r = std::sqrt(u * u + v * v) + 1e-4f;
                const float theta = std::atan2(v, u);
                const float arm = std::pow(0.5f + 0.5f * std::cos(2.0f * (theta - wind * std::log(r))), 3.0f);
                const float mottle = 0.6f + 0.8f * noise_value(u * 6.0f + 40, v * 6.0f + 40, seed + 77);
                const float disc = std::exp(-r / 0.45f) * (0.25f + 0.75f * arm) * mottle;
                const float bulge = std::exp(-(r * r) / 0.035f);
                const Rgb light = Rgb{0.62f, 0.72f, 1.0f} * (disc * bright) + Rgb{1.0f, 0.86f, 0.62f} * (bulge * bright * 1.6f);
                hdr.add(x, y, light * (1 - absorb[size_t(y) * W + x]));
            }
    }

    // The night side of a great planet fills the bottom of the frame, its rim lit by a sun that is
    // just rising over it on the left: a thin blue line of air, warming and widening towards the sun.
    void paint_planet() {
        const float cx = 0.56f * W, cy = H + 1110.0f, radius = 1300.0f;   // the rim tops out near y 578
        const float sun_angle = -PI / 2 - 0.20f;
        const float sx = cx + radius * std::cos(sun_angle), sy = cy + radius * std::sin(sun_angle);
        const Rgb air{0.26f, 0.52f, 1.0f}, warm{1.0f, 0.60f, 0.28f};
        const int top = std::max(0, int(cy - radius - 420));   // where the air glow has faded out
        for (int y = top; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
                const float d = std::sqrt(dx * dx + dy * dy) - radius;   // below 0 on the planet
                float da = std::atan2(dy, dx) - sun_angle;
                while (da > PI) da -= 2 * PI;
                while (da < -PI) da += 2 * PI;
                const float toward = std::exp(-(da * da) / 0.045f);   // nearness to the sun along the rim
                const float wide = std::exp(-(da * da) / 0.5f);
                float *p = &hdr.px[(size_t(y) * W + size_t(x)) * 3];
                if (d < 0.5f) {
                    // the surface: faint cloud bands on the night side, a crescent of day at the rim
                    const float depth = -d;
                    const float bands = noise_fbm(dx * 0.004f, dy * 0.018f, seed + 991u, 4);
                    const float crescent = std::exp(-depth / (4.0f + 30.0f * toward)) * (0.05f + 0.8f * toward + 0.08f * wide);
                    const Rgb ground = Rgb{0.004f, 0.005f, 0.010f} * (0.6f + 0.8f * bands) +
                                       mix(air, warm, 0.5f * toward) * (crescent * (0.7f + 0.5f * bands));
                    const float cover = std::clamp(0.5f - d, 0.0f, 1.0f);   // the rim anti-aliased
                    p[0] = p[0] * (1 - cover) + ground.r * cover;
                    p[1] = p[1] * (1 - cover) + ground.g * cover;
                    p[2] = p[2] * (1 - cover) + ground.b * cover;
                }
                // the air: a glow hugging the rim on both sides of it
                // thin over the dark side, wide above it
                const float reach = d < 0 ? 2.5f + 9.0f * toward : 7.0f + 26.0f * toward + 10.0f * wide;
                const float glow = std::exp(-std::fabs(d) / reach) * (0.07f + 0.35f * wide + 1.1f * toward);
                const Rgb c = mix(air, warm, toward * toward) * glow;
                p[0] += c.r;
                p[1] += c.g;
                p[2] += c.b;
            }
        // The sun: a hot core on the rim, its glare, and a streak of light along the horizon.
        const Rgb white{1, 1, 1}, sun{1.0f, 0.88f, 0.70f};
        splat(hdr, sx, sy - 2, 2.5f, white, 150.0f, absorb);
        splat(hdr, sx, sy - 2, 8.0f, sun, 250.0f, absorb);
        splat(hdr, sx, sy - 2, 28.0f, mix(sun, warm, 0.4f), 1100.0f, absorb);
        splat(hdr, sx, sy - 2, 80.0f, mix(sun, warm, 0.7f), 2200.0f, absorb);
        const float tx = -std::sin(sun_angle), ty = std::cos(sun_angle);   // along the rim at the sun
        for (int y = int(sy) - 12; y <= int(sy) + 8; ++y)
            for (int x = 0; x < W; ++x) {
                if (y < 0 || y >= H) continue;
                const float dx = float(x) + 0.5f - sx, dy = float(y) + 0.5f - (sy - 2);
                const float along = dx * tx + dy * ty, across = -dx * ty + dy * tx;
                const float k = 0.55f * std::exp(-std::fabs(along) / 260.0f) * std::exp(-(across * across) / 2.5f);
                hdr.add(x, y, sun * k);
            }
    }

    Canvas finish() {
        Canvas out = canvas_create(W, H, {0, 0, 0, 1});
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const size_t i = size_t(y) * W + x;
                // A soft vignette keeps the corners quiet.
                const float nx = (float(x) / W - 0.5f) * 2, ny = (float(y) / H - 0.5f) * 2;
                const float vignette = 1.0f - 0.18f * (nx * nx + ny * ny) * 0.5f;
                float *o = &out.px[i * 4];
                for (int k = 0; k < 3; ++k) o[k] = 1.0f - std::exp(-hdr.px[i * 3 + size_t(k)] * vignette);
                if (style.scanlines) {
                    // a console's raster: every third row darker, a green cast lifting the black
                    const float row = y % 3 == 2 ? 0.62f : 1.0f;
                    o[0] = o[0] * row;
                    o[1] = (o[1] + 0.010f) * row;
                    o[2] = (o[2] + 0.006f) * row;
                }
            }
        return out;
    }
};

struct GenerateJob {
    std::string      root;
    uint32_t         seed;
    std::atomic<int> failures{0};
};

void generate_one(int slot, void *context) {
    auto *job = static_cast<GenerateJob *>(context);
    char path[32];
    std::snprintf(path, sizeof path, "bg/%.3i.png", slot);
    const Canvas canvas = backgrounds_paint(slot, job->seed);
    if (output_png_rgb(job->root, path, canvas, true, hash_combine(job->seed, uint32_t(slot))) != RES_OK)
        job->failures.fetch_add(1);
}

}  // namespace

Canvas backgrounds_paint(int slot, uint32_t seed) {
    Painter p(slot, seed);
    p.paint_sky_and_gas();
    if (p.style.sun_glow) p.paint_sun_glow();
    if (p.style.centre_glow) p.paint_centre_glow();
    if (p.style.galaxy) p.paint_galaxy();
    p.paint_knots();
    p.paint_stars();
    if (p.style.planet) p.paint_planet();
    return p.finish();
}

int backgrounds_generate(const std::string &root, uint32_t seed) {
    GenerateJob job;
    job.root = root;
    job.seed = seed;
    const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    parallel_for(BACKGROUND_COUNT, threads, generate_one, &job);
    return job.failures.load() == 0 ? 0 : 1;
}

void backgrounds_list_paths(std::vector<std::string> *out) {
    char path[32];
    for (int slot = 0; slot < BACKGROUND_COUNT; ++slot) {
        std::snprintf(path, sizeof path, "bg/%.3i.png", slot);
        out->push_back(path);
    }
}
