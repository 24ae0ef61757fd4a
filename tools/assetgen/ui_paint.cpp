// Icon painting: supersampled coverage masks, plates and outlined glyphs.
#include "assetgen/ui_paint.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int SUB = 4;   // 4 x 4 samples per pixel
constexpr float PI = 3.14159265358979f;

float clamp01(float v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

float seg_distance(float px, float py, float x0, float y0, float x1, float y1) {
    const float dx = x1 - x0, dy = y1 - y0;
    const float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / len2 : 0;
    t = clamp01(t);
    const float ex = x0 + t * dx - px, ey = y0 + t * dy - py;
    return std::sqrt(ex * ex + ey * ey);
}

float angle_of(float dx, float dy) {   // degrees 0..360, counter-clockwise with y down
    float a = std::atan2(-dy, dx) * 180.0f / PI;
    if (a < 0) a += 360.0f;
    return a;
}

bool angle_in(float a, float a0, float a1) {
    while (a1 < a0) a1 += 360.0f;
    while (a < a0) a += 360.0f;
    return a <= a1;
}

}  // namespace

void Pen::fill(const std::function<bool(float, float)> &inside, float x0, float y0, float x1, float y1) {
    const int px0 = std::max(0, static_cast<int>(std::floor(ox_ + x0 * sw_)) - 1);
    const int py0 = std::max(0, static_cast<int>(std::floor(oy_ + y0 * sh_)) - 1);
    const int px1 = std::min(mask_->w - 1, static_cast<int>(std::ceil(ox_ + x1 * sw_)) + 1);
    const int py1 = std::min(mask_->h - 1, static_cast<int>(std::ceil(oy_ + y1 * sh_)) + 1);
    for (int py = py0; py <= py1; ++py) {
        for (int px = px0; px <= px1; ++px) {
            int hits = 0;
            for (int sy = 0; sy < SUB; ++sy)
                for (int sx = 0; sx < SUB; ++sx) {
                    const float fx = px + (sx + 0.5f) / SUB, fy = py + (sy + 0.5f) / SUB;
                    if (inside((fx - ox_) / sw_, (fy - oy_) / sh_)) ++hits;
                }
            if (!hits) continue;
            const float cov = static_cast<float>(hits) / (SUB * SUB);
            float &v = mask_->ref(px, py);
            v = cut_ ? v * (1.0f - cov) : std::max(v, cov);
        }
    }
}

void Pen::circle(float cx, float cy, float r) {
    const float k = sh_ / sw_;
    fill([=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) * k * k <= r * r; }, cx - r, cy - r,
         cx + r, cy + r);
}

void Pen::ring(float cx, float cy, float r, float width) {
    fill(
        [=](float x, float y) {
            const float d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy));
            return d <= r + width / 2 && d >= r - width / 2;
        },
        cx - r - width, cy - r - width, cx + r + width, cy + r + width);
}

void Pen::rect(float x0, float y0, float x1, float y1) {
    fill([=](float x, float y) { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }, x0, y0, x1, y1);
}

void Pen::rrect(float x0, float y0, float x1, float y1, float radius) {
    fill(
        [=](float x, float y) {
            if (x < x0 || x > x1 || y < y0 || y > y1) return false;
            const float cx = std::clamp(x, x0 + radius, x1 - radius), cy = std::clamp(y, y0 + radius, y1 - radius);
            return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
        },
        x0, y0, x1, y1);
}

void Pen::poly(const std::vector<float> &xy) {
    float minx = 1e9f, miny = 1e9f, maxx = -1e9f, maxy = -1e9f;
    for (size_t i = 0; i + 1 < xy.size(); i += 2) {
        minx = std::min(minx, xy[i]);
        maxx = std::max(maxx, xy[i]);
        miny = std::min(miny, xy[i + 1]);
        maxy = std::max(maxy, xy[i + 1]);
    }
    const size_t n = xy.size() / 2;
    fill(
        [&xy, n](float x, float y) {
            bool in = false;
            for (size_t i = 0, j = n - 1; i < n; j = i++) {
                const float xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
                if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
            }
            return in;
        },
        minx, miny, maxx, maxy);
}

void Pen::line(float x0, float y0, float x1, float y1, float width) {
    const float r = width / 2;
    fill([=](float x, float y) { return seg_distance(x, y, x0, y0, x1, y1) <= r; }, std::min(x0, x1) - r,
         std::min(y0, y1) - r, std::max(x0, x1) + r, std::max(y0, y1) + r);
}

void Pen::arc(float cx, float cy, float r, float width, float deg0, float deg1) {
    fill(
        [=](float x, float y) {
            const float d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy));
            if (d > r + width / 2 || d < r - width / 2) return false;
            return angle_in(angle_of(x - cx, y - cy), deg0, deg1);
        },
        cx - r - width, cy - r - width, cx + r + width, cy + r + width);
}

void Pen::pie(float cx, float cy, float r, float deg0, float deg1) {
    fill(
        [=](float x, float y) {
            const float d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
            if (d2 > r * r) return false;
            return angle_in(angle_of(x - cx, y - cy), deg0, deg1);
        },
        cx - r, cy - r, cx + r, cy + r);
}

Mask mask_dilate(const Mask &m, int radius) {
    Mask out(m.w, m.h);
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
            float best = 0;
            for (int dy = -radius; dy <= radius; ++dy)
                for (int dx = -radius; dx <= radius; ++dx) {
                    if (dx * dx + dy * dy > radius * radius + radius) continue;
                    best = std::max(best, m.get(x + dx, y + dy));
                }
            out.ref(x, y) = best;
        }
    return out;
}

Rgb8 mix(Rgb8 a, Rgb8 b, float t) {
    t = clamp01(t);
    auto ch = [t](uint8_t p, uint8_t q) { return static_cast<uint8_t>(std::lround(p + (q - p) * t)); };
    return {ch(a.r, b.r), ch(a.g, b.g), ch(a.b, b.b)};
}

Rgb8 scale(Rgb8 c, float f) {
    auto ch = [f](uint8_t v) { return static_cast<uint8_t>(std::clamp(std::lround(v * f), 0L, 255L)); };
    return {ch(c.r), ch(c.g), ch(c.b)};
}

void paint_plate(IconImage *img, int x, int y, int w, int h, Rgb8 accent, bool lit, int corner) {
    Mask shape(img->w, img->h);
    Pen pen(&shape, static_cast<float>(x), static_cast<float>(y), static_cast<float>(w), static_cast<float>(h));
    const float r = static_cast<float>(corner) / static_cast<float>(w);
    pen.rrect(0, 0, 1, 1, r);
    const Rgb8 top = lit ? Rgb8{40, 52, 72} : Rgb8{30, 38, 54};
    const Rgb8 bottom = lit ? Rgb8{14, 20, 32} : Rgb8{9, 12, 20};
    const Rgb8 rim_hi = lit ? mix(accent, Rgb8{255, 255, 255}, 0.35f) : scale(accent, 0.9f);
    const Rgb8 rim_lo = scale(accent, lit ? 0.45f : 0.3f);
    for (int py = y; py < y + h; ++py)
        for (int px = x; px < x + w; ++px) {
            if (shape.get(px, py) < 0.5f) continue;
            Rgb8 c = mix(top, bottom, static_cast<float>(py - y) / static_cast<float>(std::max(h - 1, 1)));
            // The rim: pixels next to the plate's edge, lit from the top left.
            const bool edge = shape.get(px - 1, py) < 0.5f || shape.get(px + 1, py) < 0.5f ||
                              shape.get(px, py - 1) < 0.5f || shape.get(px, py + 1) < 0.5f;
            if (edge) {
                const float t = static_cast<float>((px - x) + (py - y)) / static_cast<float>(w + h);
                c = mix(rim_hi, rim_lo, t * 1.4f);
            } else {
                const bool inner = shape.get(px - 2, py) < 0.5f || shape.get(px, py - 2) < 0.5f;
                if (inner) c = mix(c, rim_hi, 0.18f);
            }
            img->put(px, py, c);
        }
}

void paint_glyph(IconImage *img, const Mask &glyph, Rgb8 top, Rgb8 bottom, bool outline) {
    const Rgb8 dark{6, 9, 14};
    if (outline) {
        const Mask ring = mask_dilate(glyph, 1);
        for (int y = 0; y < img->h; ++y)
            for (int x = 0; x < img->w; ++x) {
                const float cov = ring.get(x, y);
                if (cov <= 0.02f) continue;
                if (img->opaque(x, y)) {
                    const uint8_t *p = img->at(x, y);
                    img->put(x, y, mix(Rgb8{p[0], p[1], p[2]}, dark, cov * 0.85f));
                } else if (cov >= 0.5f) {
                    img->put(x, y, dark);
                }
            }
    }
    int y0 = img->h, y1 = 0;
    for (int y = 0; y < img->h; ++y)
        for (int x = 0; x < img->w; ++x)
            if (glyph.get(x, y) > 0.02f) {
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
    for (int y = 0; y < img->h; ++y)
        for (int x = 0; x < img->w; ++x) {
            const float cov = glyph.get(x, y);
            if (cov <= 0.02f) continue;
            const Rgb8 c = mix(top, bottom, static_cast<float>(y - y0) / static_cast<float>(std::max(y1 - y0, 1)));
            if (img->opaque(x, y)) {
                const uint8_t *p = img->at(x, y);
                img->put(x, y, mix(Rgb8{p[0], p[1], p[2]}, c, cov));
            } else if (cov >= 0.5f) {
                img->put(x, y, c);
            }
        }
}

void paint_mask(IconImage *img, const Mask &m, Rgb8 colour) {
    for (int y = 0; y < img->h; ++y)
        for (int x = 0; x < img->w; ++x) {
            const float cov = m.get(x, y);
            if (cov <= 0.02f) continue;
            if (img->opaque(x, y)) {
                const uint8_t *p = img->at(x, y);
                img->put(x, y, mix(Rgb8{p[0], p[1], p[2]}, colour, cov));
            } else if (cov >= 0.5f) {
                img->put(x, y, colour);
            }
        }
}
