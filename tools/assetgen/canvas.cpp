// The generator's raster: shapes, gradients, noise, filters and 8-bit output.
#include "assetgen/canvas.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float PI = 3.14159265358979f;

float clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

float quintic(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

float lattice(int32_t ix, int32_t iy, uint32_t seed) {
    uint32_t h = hash_u32(uint32_t(ix) * 0x8DA6B343u ^ uint32_t(iy) * 0xD8163841u ^ seed * 0xCB1AB31Fu);
    return float(h >> 8) * (1.0f / 16777216.0f);
}

// Premultiplied read of one pixel, transparent outside.
void premultiplied(const Canvas &c, int x, int y, float out[4]) {
    if (x < 0 || y < 0 || x >= c.width || y >= c.height) {
        out[0] = out[1] = out[2] = out[3] = 0;
        return;
    }
    const float *p = &c.px[(size_t(y) * c.width + x) * 4];
    out[0] = p[0] * p[3];
    out[1] = p[1] * p[3];
    out[2] = p[2] * p[3];
    out[3] = p[3];
}

// One box pass of width 2r+1 along a line of `n` values `stride` apart, edges clamped.
void box_pass(float *line, int n, size_t stride, int r, std::vector<float> &scratch) {
    scratch.resize(size_t(n));
    for (int i = 0; i < n; ++i) scratch[size_t(i)] = line[size_t(i) * stride];
    const float scale = 1.0f / float(2 * r + 1);
    float sum = 0;
    for (int k = -r; k <= r; ++k) sum += scratch[size_t(std::clamp(k, 0, n - 1))];
    for (int i = 0; i < n; ++i) {
        line[size_t(i) * stride] = sum * scale;
        sum += scratch[size_t(std::min(i + r + 1, n - 1))] - scratch[size_t(std::max(i - r, 0))];
    }
}

void avoid_colour_key(uint8_t *rgb) {
    if (rgb[0] == 234 && rgb[1] == 0 && rgb[2] == 138) rgb[1] = 1;
}

}  // namespace

uint32_t hash_u32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

uint32_t hash_combine(uint32_t a, uint32_t b) {
    return hash_u32(a ^ (b + 0x9E3779B9u + (a << 6) + (a >> 2)));
}

uint32_t GenRandom::next() {
    // splitmix64, high half
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return uint32_t((z ^ (z >> 31)) >> 32);
}

float GenRandom::uniform() { return float(next() >> 8) * (1.0f / 16777216.0f); }

float GenRandom::range(float lo, float hi) { return lo + (hi - lo) * uniform(); }

int GenRandom::range_int(int lo, int hi) {
    if (hi <= lo) return lo;
    return lo + int(next() % uint32_t(hi - lo + 1));
}

float GenRandom::gaussian() {
    float u = std::max(uniform(), 1e-7f), v = uniform();
    return std::sqrt(-2.0f * std::log(u)) * std::cos(2 * PI * v);
}

Canvas canvas_create(int width, int height, Colour fill) {
    Canvas c;
    c.width = width;
    c.height = height;
    c.px.resize(size_t(width) * height * 4);
    for (size_t i = 0; i < c.px.size(); i += 4) {
        c.px[i] = fill.r;
        c.px[i + 1] = fill.g;
        c.px[i + 2] = fill.b;
        c.px[i + 3] = fill.a;
    }
    return c;
}

Colour canvas_get(const Canvas &c, int x, int y) {
    if (x < 0 || y < 0 || x >= c.width || y >= c.height) return {0, 0, 0, 0};
    const float *p = &c.px[(size_t(y) * c.width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

void canvas_set(Canvas *c, int x, int y, Colour colour) {
    if (x < 0 || y < 0 || x >= c->width || y >= c->height) return;
    float *p = &c->px[(size_t(y) * c->width + x) * 4];
    p[0] = colour.r;
    p[1] = colour.g;
    p[2] = colour.b;
    p[3] = colour.a;
}

void canvas_blend(Canvas *c, int x, int y, Colour s, float coverage, BlendMode mode) {
    if (x < 0 || y < 0 || x >= c->width || y >= c->height || coverage <= 0) return;
    float *p = &c->px[(size_t(y) * c->width + x) * 4];
    const float a = clamp01(s.a * coverage);
    switch (mode) {
    case BLEND_OVER: {
        const float out_a = a + p[3] * (1 - a);
        if (out_a <= 0) {
            p[0] = p[1] = p[2] = p[3] = 0;
            return;
        }
        const float keep = p[3] * (1 - a);
        p[0] = (s.r * a + p[0] * keep) / out_a;
        p[1] = (s.g * a + p[1] * keep) / out_a;
        p[2] = (s.b * a + p[2] * keep) / out_a;
        p[3] = out_a;
        break;
    }
    case BLEND_ADD:   // light may pass 1 here; output clamps
        p[0] += s.r * a;
        p[1] += s.g * a;
        p[2] += s.b * a;
        p[3] = std::min(1.0f, p[3] + a);
        break;
    case BLEND_SCREEN:
        p[0] += s.r * (1 - std::min(p[0], 1.0f)) * a;
        p[1] += s.g * (1 - std::min(p[1], 1.0f)) * a;
        p[2] += s.b * (1 - std::min(p[2], 1.0f)) * a;
        p[3] = std::min(1.0f, p[3] + a);
        break;
    case BLEND_MULTIPLY:
        p[0] *= 1 - a + s.r * a;
        p[1] *= 1 - a + s.g * a;
        p[2] *= 1 - a + s.b * a;
        break;
    }
}

Colour canvas_sample(const Canvas &c, float x, float y) {
    x -= 0.5f;
    y -= 0.5f;
    const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    const float fx = x - float(x0), fy = y - float(y0);
    float p00[4], p10[4], p01[4], p11[4];
    premultiplied(c, x0, y0, p00);
    premultiplied(c, x0 + 1, y0, p10);
    premultiplied(c, x0, y0 + 1, p01);
    premultiplied(c, x0 + 1, y0 + 1, p11);
    float v[4];
    for (int k = 0; k < 4; ++k) {
        const float top = p00[k] + (p10[k] - p00[k]) * fx;
        const float bottom = p01[k] + (p11[k] - p01[k]) * fx;
        v[k] = top + (bottom - top) * fy;
    }
    if (v[3] <= 1e-6f) return {0, 0, 0, 0};
    return {v[0] / v[3], v[1] / v[3], v[2] / v[3], v[3]};
}

void canvas_circle(Canvas *c, float cx, float cy, float radius, Colour colour, BlendMode mode) {
    const int x0 = int(std::floor(cx - radius - 1)), x1 = int(std::ceil(cx + radius + 1));
    const int y0 = int(std::floor(cy - radius - 1)), y1 = int(std::ceil(cy + radius + 1));
    for (int y = std::max(y0, 0); y <= std::min(y1, c->height - 1); ++y)
        for (int x = std::max(x0, 0); x <= std::min(x1, c->width - 1); ++x) {
            const float d = std::hypot(float(x) + 0.5f - cx, float(y) + 0.5f - cy);
            canvas_blend(c, x, y, colour, clamp01(radius - d + 0.5f), mode);
        }
}

void canvas_line(Canvas *c, float x0, float y0, float x1, float y1, float width, Colour colour,
                 BlendMode mode) {
    const float half = width * 0.5f;
    const int bx0 = int(std::floor(std::min(x0, x1) - half - 1)), bx1 = int(std::ceil(std::max(x0, x1) + half + 1));
    const int by0 = int(std::floor(std::min(y0, y1) - half - 1)), by1 = int(std::ceil(std::max(y0, y1) + half + 1));
    const float dx = x1 - x0, dy = y1 - y0;
    const float len2 = dx * dx + dy * dy;
    for (int y = std::max(by0, 0); y <= std::min(by1, c->height - 1); ++y)
        for (int x = std::max(bx0, 0); x <= std::min(bx1, c->width - 1); ++x) {
            const float px = float(x) + 0.5f - x0, py = float(y) + 0.5f - y0;
            const float t = len2 > 0 ? clamp01((px * dx + py * dy) / len2) : 0.0f;
            const float d = std::hypot(px - t * dx, py - t * dy);
            canvas_blend(c, x, y, colour, clamp01(half - d + 0.5f), mode);
        }
}

void canvas_polygon(Canvas *c, const std::vector<Point2> &points, Colour colour, BlendMode mode) {
    if (points.size() < 3) return;
    float min_y = points[0].y, max_y = points[0].y, min_x = points[0].x, max_x = points[0].x;
    for (const Point2 &p : points) {
        min_y = std::min(min_y, p.y);
        max_y = std::max(max_y, p.y);
        min_x = std::min(min_x, p.x);
        max_x = std::max(max_x, p.x);
    }
    const int row0 = std::max(0, int(std::floor(min_y))), row1 = std::min(c->height - 1, int(std::ceil(max_y)));
    const int col0 = std::max(0, int(std::floor(min_x))), col1 = std::min(c->width - 1, int(std::ceil(max_x)));
    if (row0 > row1 || col0 > col1) return;
    std::vector<float> cover(size_t(col1 - col0 + 2));
    std::vector<float> xs;
    constexpr int SUB = 4;
    for (int row = row0; row <= row1; ++row) {
        std::fill(cover.begin(), cover.end(), 0.0f);
        for (int s = 0; s < SUB; ++s) {
            const float sy = float(row) + (float(s) + 0.5f) / SUB;
            xs.clear();
            for (size_t i = 0; i < points.size(); ++i) {
                const Point2 &a = points[i], &b = points[(i + 1) % points.size()];
                if ((a.y <= sy) == (b.y <= sy)) continue;   // even-odd: half-open in y
                xs.push_back(a.x + (sy - a.y) * (b.x - a.x) / (b.y - a.y));
            }
            std::sort(xs.begin(), xs.end());
            for (size_t i = 0; i + 1 < xs.size(); i += 2) {
                const float xa = std::max(xs[i], float(col0)), xb = std::min(xs[i + 1], float(col1 + 1));
                for (int x = int(std::floor(xa)); x < int(std::ceil(xb)); ++x) {
                    const float overlap = std::min(xb, float(x + 1)) - std::max(xa, float(x));
                    if (overlap > 0) cover[size_t(x - col0)] += overlap / SUB;
                }
            }
        }
        for (int x = col0; x <= col1; ++x)
            if (cover[size_t(x - col0)] > 0) canvas_blend(c, x, row, colour, clamp01(cover[size_t(x - col0)]), mode);
    }
}

void canvas_glow(Canvas *c, float cx, float cy, float radius, Colour colour, BlendMode mode) {
    if (radius <= 0) return;
    const float reach = radius * 2.5f;   // exp(-6.25) < 1/512
    const int x0 = std::max(0, int(std::floor(cx - reach))), x1 = std::min(c->width - 1, int(std::ceil(cx + reach)));
    const int y0 = std::max(0, int(std::floor(cy - reach))), y1 = std::min(c->height - 1, int(std::ceil(cy + reach)));
    const float inv = 1.0f / (radius * radius);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
            const float w = std::exp(-(dx * dx + dy * dy) * inv);
            if (w >= 1.0f / 512) canvas_blend(c, x, y, colour, w, mode);
        }
}

void canvas_linear_gradient(Canvas *c, Point2 from, Colour c0, Point2 to, Colour c1, BlendMode mode) {
    const float dx = to.x - from.x, dy = to.y - from.y;
    const float len2 = std::max(dx * dx + dy * dy, 1e-6f);
    for (int y = 0; y < c->height; ++y)
        for (int x = 0; x < c->width; ++x) {
            const float t = clamp01(((float(x) + 0.5f - from.x) * dx + (float(y) + 0.5f - from.y) * dy) / len2);
            Colour k{c0.r + (c1.r - c0.r) * t, c0.g + (c1.g - c0.g) * t, c0.b + (c1.b - c0.b) * t,
                     c0.a + (c1.a - c0.a) * t};
            canvas_blend(c, x, y, k, 1.0f, mode);
        }
}

void canvas_radial_gradient(Canvas *c, Point2 centre, float radius, Colour inner, Colour outer,
                            BlendMode mode) {
    const float inv = radius > 0 ? 1.0f / radius : 0.0f;
    for (int y = 0; y < c->height; ++y)
        for (int x = 0; x < c->width; ++x) {
            const float t = clamp01(std::hypot(float(x) + 0.5f - centre.x, float(y) + 0.5f - centre.y) * inv);
            Colour k{inner.r + (outer.r - inner.r) * t, inner.g + (outer.g - inner.g) * t,
                     inner.b + (outer.b - inner.b) * t, inner.a + (outer.a - inner.a) * t};
            canvas_blend(c, x, y, k, 1.0f, mode);
        }
}

void canvas_blur(Canvas *c, float radius) {
    if (radius <= 0 || c->width < 1 || c->height < 1) return;
    // Three box passes approximate a gaussian of deviation `radius`.
    const int r = std::max(1, int(std::lround((std::sqrt(4.0f * radius * radius + 1.0f) - 1.0f) / 2.0f)));
    // Blur premultiplied values so transparent pixels do not bleed their colour.
    for (size_t i = 0; i < c->px.size(); i += 4)
        for (int k = 0; k < 3; ++k) c->px[i + size_t(k)] *= c->px[i + 3];
    std::vector<float> scratch;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < c->height; ++y)
            for (int k = 0; k < 4; ++k) box_pass(&c->px[size_t(y) * c->width * 4 + size_t(k)], c->width, 4, r, scratch);
        for (int x = 0; x < c->width; ++x)
            for (int k = 0; k < 4; ++k)
                box_pass(&c->px[size_t(x) * 4 + size_t(k)], c->height, size_t(c->width) * 4, r, scratch);
    }
    for (size_t i = 0; i < c->px.size(); i += 4) {
        const float a = c->px[i + 3];
        for (int k = 0; k < 3; ++k) c->px[i + size_t(k)] = a > 1e-6f ? c->px[i + size_t(k)] / a : 0.0f;
    }
}

Canvas canvas_rotate(const Canvas &src, float degrees) {
    Canvas dst = canvas_create(src.width, src.height);
    const float rad = degrees * PI / 180.0f;
    const float cs = std::cos(rad), sn = std::sin(rad);
    const float cx = float(src.width) * 0.5f, cy = float(src.height) * 0.5f;
    for (int y = 0; y < dst.height; ++y)
        for (int x = 0; x < dst.width; ++x) {
            // Counter-clockwise on screen (y down): the source point is the destination turned back.
            const float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
            const float sx = dx * cs - dy * sn, sy = dx * sn + dy * cs;
            canvas_set(&dst, x, y, canvas_sample(src, sx + cx, sy + cy));
        }
    return dst;
}

void canvas_composite(Canvas *dst, const Canvas &src, int ox, int oy, BlendMode mode) {
    for (int y = 0; y < src.height; ++y)
        for (int x = 0; x < src.width; ++x) {
            const Colour s = canvas_get(src, x, y);
            if (s.a > 0) canvas_blend(dst, x + ox, y + oy, s, 1.0f, mode);
        }
}

void canvas_threshold_alpha(Canvas *c, float threshold) {
    for (size_t i = 3; i < c->px.size(); i += 4) c->px[i] = c->px[i] >= threshold ? 1.0f : 0.0f;
}

float noise_value(float x, float y, uint32_t seed) {
    const float fx = std::floor(x), fy = std::floor(y);
    const int32_t ix = int32_t(fx), iy = int32_t(fy);
    const float tx = quintic(x - fx), ty = quintic(y - fy);
    const float a = lattice(ix, iy, seed), b = lattice(ix + 1, iy, seed);
    const float c = lattice(ix, iy + 1, seed), d = lattice(ix + 1, iy + 1, seed);
    const float top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float noise_fbm(float x, float y, uint32_t seed, int octaves, float lacunarity, float gain) {
    // Each octave is turned by about 37 degrees and shifted, so the lattice never lines up.
    constexpr float CS = 0.79863551f, SN = 0.60181502f;
    float sum = 0, amplitude = 1, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * noise_value(x, y, seed + uint32_t(i) * 0x68E31DA4u);
        total += amplitude;
        const float rx = (x * CS - y * SN) * lacunarity + 17.3f, ry = (x * SN + y * CS) * lacunarity + 5.9f;
        x = rx;
        y = ry;
        amplitude *= gain;
    }
    return total > 0 ? sum / total : 0.0f;
}

float noise_ridged(float x, float y, uint32_t seed, int octaves) {
    constexpr float CS = 0.79863551f, SN = 0.60181502f;
    float sum = 0, amplitude = 1, total = 0, weight = 1;
    for (int i = 0; i < octaves; ++i) {
        float n = 1.0f - std::fabs(2.0f * noise_value(x, y, seed + uint32_t(i) * 0x1B873593u) - 1.0f);
        n = n * n * weight;
        weight = clamp01(n * 2.0f);
        sum += amplitude * n;
        total += amplitude;
        const float rx = (x * CS - y * SN) * 2.0f + 3.1f, ry = (x * SN + y * CS) * 2.0f + 11.7f;
        x = rx;
        y = ry;
        amplitude *= 0.5f;
    }
    return total > 0 ? sum / total : 0.0f;
}

std::vector<uint8_t> canvas_to_rgb8(const Canvas &c, bool dither, uint32_t seed) {
    std::vector<uint8_t> out(size_t(c.width) * c.height * 3);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const size_t i = size_t(y) * c.width + x;
            float offset = 0.5f;
            if (dither) {
                // Triangular noise of +-1 step around the rounding point: no banding, no bias.
                const uint32_t h = hash_combine(seed, uint32_t(i));
                offset += (float(h & 0xFFFF) - float(h >> 16)) * (1.0f / 65536.0f);
            }
            for (int k = 0; k < 3; ++k) {
                const float v = clamp01(c.px[i * 4 + size_t(k)]) * 255.0f + offset;
                out[i * 3 + size_t(k)] = uint8_t(std::clamp(int(std::floor(v)), 0, 255));
            }
            avoid_colour_key(&out[i * 3]);
        }
    return out;
}

std::vector<uint8_t> canvas_to_rgba8(const Canvas &c) {
    std::vector<uint8_t> out(size_t(c.width) * c.height * 4);
    for (size_t i = 0; i < out.size(); ++i) out[i] = uint8_t(std::lround(clamp01(c.px[i]) * 255.0f));
    for (size_t i = 0; i < out.size(); i += 4)
        if (out[i + 3] != 0) avoid_colour_key(&out[i]);
    return out;
}
