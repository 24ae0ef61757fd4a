// The title family: the word-mark and the tagline of the title image set.
#include "assetgen/family_title.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include "assetgen/family_fonts.h"
#include "assetgen/glyph_raster.h"
#include "assetgen/output.h"

const char *const TITLE_WORDMARK_TEXT = "ASTROVANE";
const char *const TITLE_TAGLINE_TEXT = "CONQUER THE GALAXY";

namespace {

constexpr int SS = 4;   // painted at four times the size, then averaged down

struct Rgb {
    float r = 0, g = 0, b = 0;
};
Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb mix(Rgb a, Rgb b, float t) { return a * (1 - t) + b * t; }

// A single-channel raster.
struct Field {
    int w = 0, h = 0;
    std::vector<float> v;
    Field(int width, int height) : w(width), h(height), v(size_t(width) * size_t(height), 0.0f) {}
    float at(int x, int y) const {
        return x < 0 || y < 0 || x >= w || y >= h ? 0.0f : v[size_t(y) * size_t(w) + size_t(x)];
    }
    float &ref(int x, int y) { return v[size_t(y) * size_t(w) + size_t(x)]; }
};

// Where each character of a laid-out text landed, in the field's pixels.
struct CharBox {
    int code = 0;
    float left = 0, right = 0, top = 0, bottom = 0;   // ink extent
};

// Capitals stand this share of the pixel size in DejaVu.
constexpr float CAP_SHARE = 0.729f;

// Lays `text` out in `face` with capitals `cap` pixels high, `tracking` pixels between the
// characters, stretched in x so that its ink spans [x0, x0 + width), its ink top at y0. Coverage
// goes into `field` (max); the ink box of each character into `boxes`.
bool lay_text(const char *face, const char *text, float cap, float tracking, float x0, float width, float y0,
              Field *field, std::vector<CharBox> *boxes) {
    GlyphFontSpec spec;
    spec.face_path = std::string(DEJAVU_DIR) + face;
    spec.line_height = int(std::ceil(cap / CAP_SHARE)) + 2;
    spec.char_spacing = 0;
    for (const char *p = text; *p; ++p) {
        const int code = static_cast<unsigned char>(*p);
        if (std::find(spec.codes.begin(), spec.codes.end(), code) == spec.codes.end()) spec.codes.push_back(code);
        if (code != ' ' && std::find(spec.fit_codes.begin(), spec.fit_codes.end(), code) == spec.fit_codes.end())
            spec.fit_codes.push_back(code);
    }
    GlyphFont font;
    if (glyph_raster_font(spec, &font) != RES_OK) return false;
    std::map<int, const GlyphBitmap *> glyphs;
    for (const GlyphBitmap &g : font.glyphs) glyphs[g.code] = &g;

    // The natural layout: each picture's left edge, and the ink's extent over the whole text.
    struct Placed {
        const GlyphBitmap *glyph = nullptr;
        float left = 0;
    };
    std::vector<Placed> placed;
    float pen = 0, ink_l = 1e9f, ink_r = -1e9f;
    int ink_t = spec.line_height, ink_b = 0;
    for (const char *p = text; *p; ++p) {
        const auto found = glyphs.find(static_cast<unsigned char>(*p));
        if (*p == ' ' || found == glyphs.end()) {
            placed.push_back({nullptr, pen});
            pen += float(font.space_width);
            continue;
        }
        const GlyphBitmap &g = *found->second;
        const float left = pen - float(g.left_kern);
        for (int y = 0; y < g.height; ++y)
            for (int x = 0; x < g.width; ++x)
                if (g.coverage[size_t(y) * size_t(g.width) + size_t(x)]) {
                    ink_l = std::min(ink_l, left + float(x));
                    ink_r = std::max(ink_r, left + float(x + 1));
                    ink_t = std::min(ink_t, y);
                    ink_b = std::max(ink_b, y + 1);
                }
        placed.push_back({&g, left});
        pen += float(g.width - g.left_kern - g.right_kern);
    }
    if (ink_r <= ink_l) return false;
    const int gaps = std::max(1, int(placed.size()) - 1);
    const float stretch = (width - tracking * float(gaps)) / (ink_r - ink_l);

    boxes->clear();
    for (size_t i = 0; i < placed.size(); ++i) {
        const GlyphBitmap *g = placed[i].glyph;
        if (!g) continue;
        const float shift = x0 + float(i) * tracking;
        CharBox box{g->code, 1e9f, -1e9f, 1e9f, -1e9f};
        const int tx0 = int(std::floor(shift + stretch * (placed[i].left - ink_l))) - 1;
        const int tx1 = int(std::ceil(shift + stretch * (placed[i].left + float(g->width) - ink_l))) + 1;
        for (int y = ink_t; y < ink_b; ++y) {
            const int ty = int(y0) + (y - ink_t);
            if (ty < 0 || ty >= field->h) continue;
            for (int tx = std::max(0, tx0); tx < std::min(field->w, tx1); ++tx) {
                // the natural column under this pixel's centre, linearly between two columns
                const float u = (float(tx) + 0.5f - shift) / stretch + ink_l - placed[i].left - 0.5f;
                const int u0 = int(std::floor(u));
                const float f = u - float(u0);
                auto cov = [&](int x) {
                    return x < 0 || x >= g->width ? 0.0f : float(g->coverage[size_t(y) * size_t(g->width) + size_t(x)]) / 255.0f;
                };
                const float k = cov(u0) * (1 - f) + cov(u0 + 1) * f;
                if (k <= 0) continue;
                float &cell = field->ref(tx, ty);
                cell = std::max(cell, k);
                box.left = std::min(box.left, float(tx));
                box.right = std::max(box.right, float(tx + 1));
                box.top = std::min(box.top, float(ty));
                box.bottom = std::max(box.bottom, float(ty + 1));
            }
        }
        boxes->push_back(box);
    }
    return true;
}

// Euclidean distance (in pixels) from every cell to the nearest cell whose value is at least one
// half, by the two-pass lower envelope of parabolas; cells with no ink in reach get a large value.
Field distance_to_ink(const Field &mask) {
    constexpr double FAR = 1e7;   // beyond any squared distance within a picture of these sizes
    Field out(mask.w, mask.h);
    std::vector<double> d2(mask.v.size());
    for (size_t i = 0; i < d2.size(); ++i) d2[i] = mask.v[i] >= 0.5f ? 0.0 : FAR;
    std::vector<double> f, result, z;
    std::vector<int> v;
    auto pass = [&](int n) {
        result.assign(size_t(n), 0);
        v.assign(size_t(n), 0);
        z.assign(size_t(n) + 1, 0);
        int k = 0;
        z[0] = -1e30;
        z[1] = 1e30;
        auto cross = [&](int q, int p) {
            return ((f[size_t(q)] + double(q) * q) - (f[size_t(p)] + double(p) * p)) / double(2 * q - 2 * p);
        };
        for (int q = 1; q < n; ++q) {
            double s = cross(q, v[size_t(k)]);
            while (s <= z[size_t(k)]) {
                --k;
                s = cross(q, v[size_t(k)]);
            }
            ++k;
            v[size_t(k)] = q;
            z[size_t(k)] = s;
            z[size_t(k) + 1] = 1e30;
        }
        k = 0;
        for (int q = 0; q < n; ++q) {
            while (z[size_t(k) + 1] < double(q)) ++k;
            const int p = v[size_t(k)];
            result[size_t(q)] = double(q - p) * (q - p) + f[size_t(p)];
        }
    };
    for (int x = 0; x < mask.w; ++x) {
        f.assign(size_t(mask.h), 0);
        for (int y = 0; y < mask.h; ++y) f[size_t(y)] = d2[size_t(y) * size_t(mask.w) + size_t(x)];
        pass(mask.h);
        for (int y = 0; y < mask.h; ++y) d2[size_t(y) * size_t(mask.w) + size_t(x)] = result[size_t(y)];
    }
    for (int y = 0; y < mask.h; ++y) {
        const size_t row = size_t(y) * size_t(mask.w);
        f.assign(d2.begin() + std::ptrdiff_t(row), d2.begin() + std::ptrdiff_t(row + size_t(mask.w)));
        pass(mask.w);
        for (int x = 0; x < mask.w; ++x) out.v[row + size_t(x)] = float(std::sqrt(result[size_t(x)]));
    }
    return out;
}

// Three box passes: about a gaussian of deviation `radius`.
Field blurred(const Field &src, float radius) {
    Field f = src;
    const int r = std::max(1, int(std::lround((std::sqrt(4.0f * radius * radius + 1.0f) - 1.0f) / 2.0f)));
    std::vector<float> tmp;
    auto box = [&](float *data, int n, size_t stride) {
        tmp.assign(size_t(n), 0);
        float sum = 0;
        for (int i = -r; i <= r; ++i) sum += (i >= 0 && i < n) ? data[size_t(i) * stride] : 0.0f;
        for (int i = 0; i < n; ++i) {
            tmp[size_t(i)] = sum / float(2 * r + 1);
            const int add = i + r + 1, drop = i - r;
            if (add < n) sum += data[size_t(add) * stride];
            if (drop >= 0) sum -= data[size_t(drop) * stride];
        }
        for (int i = 0; i < n; ++i) data[size_t(i) * stride] = tmp[size_t(i)];
    };
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < f.h; ++y) box(&f.v[size_t(y) * size_t(f.w)], f.w, 1);
        for (int x = 0; x < f.w; ++x) box(&f.v[size_t(x)], f.h, size_t(f.w));
    }
    return f;
}

// The big picture (colour and 0/1 coverage) averaged SS x SS down; a pixel is opaque when most of
// it is covered, and takes the mean colour of its covered part.
Canvas downsample(const std::vector<Rgb> &colour, const Field &cover, int w, int h) {
    Canvas out = canvas_create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb sum;
            float a = 0;
            for (int j = 0; j < SS; ++j)
                for (int i = 0; i < SS; ++i) {
                    const size_t k = size_t(y * SS + j) * size_t(cover.w) + size_t(x * SS + i);
                    sum = sum + colour[k] * cover.v[k];
                    a += cover.v[k];
                }
            if (a < float(SS * SS) * 0.5f) continue;
            canvas_set(&out, x, y, {sum.r / a, sum.g / a, sum.b / a, 1});
        }
    return out;
}

// A four-rayed star glint at (cx, cy): screened over the picture where it is opaque, and made
// opaque where the glint alone is bright enough to stand on a dark backdrop.
void glint(Canvas *c, float cx, float cy, float reach, Rgb tint) {
    const int r = int(std::ceil(reach));
    for (int y = int(cy) - r; y <= int(cy) + r; ++y)
        for (int x = int(cx) - r; x <= int(cx) + r; ++x) {
            if (x < 0 || y < 0 || x >= c->width || y >= c->height) continue;
            const float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
            const float core = std::exp(-(dx * dx + dy * dy) / 3.0f);
            const float rays = std::exp(-std::fabs(dx) / (reach * 0.28f)) * std::exp(-(dy * dy) / 0.35f) +
                               std::exp(-std::fabs(dy) / (reach * 0.2f)) * std::exp(-(dx * dx) / 0.35f);
            const float g = std::min(1.0f, core + 0.9f * rays);
            if (g < 0.02f) continue;
            Colour p = canvas_get(*c, x, y);
            if (p.a <= 0) {
                if (g < 0.16f) continue;
                p = {0, 0, 0, 1};
            }
            const Rgb add = mix(tint, Rgb{1, 1, 1}, core) * g;
            p.r = 1 - (1 - p.r) * (1 - add.r);
            p.g = 1 - (1 - p.g) * (1 - add.g);
            p.b = 1 - (1 - p.b) * (1 - add.b);
            canvas_set(c, x, y, p);
        }
}

// Polished chrome by height in the letters (0 top .. 1 bottom): a cool sky brightening down to a
// sharp horizon, then dark ground warming to gold at the foot.
Rgb chrome(float t) {
    const Rgb sky_top{0.22f, 0.38f, 0.78f}, sky_low{0.93f, 0.97f, 1.00f};
    const Rgb ground_top{0.16f, 0.08f, 0.26f}, ground_mid{0.78f, 0.36f, 0.24f}, ground_low{1.00f, 0.86f, 0.52f};
    constexpr float HORIZON = 0.54f;
    if (t < HORIZON) return mix(sky_top, sky_low, std::pow(t / HORIZON, 1.4f));
    const float u = (t - HORIZON) / (1 - HORIZON);
    return u < 0.45f ? mix(ground_top, ground_mid, u / 0.45f) : mix(ground_mid, ground_low, (u - 0.45f) / 0.55f);
}

}  // namespace

Canvas title_paint_wordmark() {
    const int W = TITLE_WORDMARK_W * SS, H = TITLE_WORDMARK_H * SS;
    constexpr float MARGIN = 7, CAP_TOP = 5, CAP_H = 42, RIM = 3.2f, TRACKING = 7;
    Field ink(W, H);
    std::vector<CharBox> boxes;
    if (!lay_text("DejaVuSans-Bold.ttf", TITLE_WORDMARK_TEXT, CAP_H * SS, TRACKING * SS, MARGIN * SS,
                  (float(TITLE_WORDMARK_W) - 2 * MARGIN) * SS, CAP_TOP * SS, &ink, &boxes))
        return {};
    const Field height = blurred(ink, 1.6f * SS);
    const Field dist = distance_to_ink(ink);

    // The light comes from the upper left, a little in front.
    const float lx = -0.42f, ly = -0.70f, lz = 0.58f;
    const float hx = lx, hy = ly, hz = lz + 1.0f, hn = std::sqrt(hx * hx + hy * hy + hz * hz);
    std::vector<Rgb> colour(size_t(W) * size_t(H));
    Field cover(W, H);
    const Rgb rim{0.012f, 0.016f, 0.045f}, edge_light{0.45f, 0.70f, 1.0f};
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const size_t i = size_t(y) * size_t(W) + size_t(x);
            const float d = dist.v[i] / float(SS);
            if (d > RIM) continue;
            cover.v[i] = 1;
            // The ring: dark, with a faint cool line of reflected light hugging the letters.
            const Rgb ring = mix(rim, edge_light * 0.55f, std::exp(-((d - 1.1f) * (d - 1.1f)) / 0.35f) * 0.5f);
            const float m = ink.v[i];
            if (m <= 0) {
                colour[i] = ring;
                continue;
            }
            // Bevel: the blurred coverage as a height field.
            const float gx = (height.at(x + 1, y) - height.at(x - 1, y)) * 0.5f * float(SS) * 2.4f;
            const float gy = (height.at(x, y + 1) - height.at(x, y - 1)) * 0.5f * float(SS) * 2.4f;
            const float nl = std::sqrt(gx * gx + gy * gy + 1);
            const float nx = -gx / nl, ny = -gy / nl, nz = 1 / nl;
            const float diffuse = nx * lx + ny * ly + nz * lz - lz;   // 0 on the flat face
            const float spec = std::pow(std::max(0.0f, (nx * hx + ny * hy + nz * hz) / hn), 40.0f);
            const float t = std::clamp((float(y) / SS - CAP_TOP) / CAP_H, 0.0f, 1.0f);
            // Fine horizontal brushing in the metal.
            const float brush = noise_fbm(float(x) * 0.006f, float(y) * 0.55f, 0x7A17u, 3) - 0.5f;
            Rgb face = chrome(t) * (1.0f + 0.9f * diffuse + 0.10f * brush);
            face = face + Rgb{1, 1, 1} * (0.55f * spec);
            face = {std::clamp(face.r, 0.0f, 1.0f), std::clamp(face.g, 0.0f, 1.0f), std::clamp(face.b, 0.0f, 1.0f)};
            colour[i] = mix(ring, face, m);
        }
    Canvas out = downsample(colour, cover, TITLE_WORDMARK_W, TITLE_WORDMARK_H);
    // Glints on the first letter's apex and on the shoulder of the O.
    for (const CharBox &b : boxes) {
        if (b.code == 'A') {
            glint(&out, (b.left + b.right) * 0.5f / SS, b.top / SS + 2.0f, 16, {0.70f, 0.85f, 1.0f});
            break;
        }
    }
    for (const CharBox &b : boxes)
        if (b.code == 'O') glint(&out, b.right / SS - 7.5f, b.top / SS + 6.5f, 11, {1.0f, 0.90f, 0.70f});
    return out;
}

Canvas title_paint_tagline() {
    const int W = TITLE_TAGLINE_W * SS, H = TITLE_TAGLINE_H * SS;
    constexpr float TEXT_W = 196, CAP_H = 9, CAP_TOP = 4.5f, RIM = 1.6f, TRACKING = 3;
    Field ink(W, H);
    std::vector<CharBox> boxes;
    const float text_left = (float(TITLE_TAGLINE_W) - TEXT_W) * 0.5f;
    if (!lay_text("DejaVuSans-Bold.ttf", TITLE_TAGLINE_TEXT, CAP_H * SS, TRACKING * SS, text_left * SS, TEXT_W * SS,
                  CAP_TOP * SS, &ink, &boxes))
        return {};
    // Two rules fading outwards from the text, each with a small diamond at its inner end.
    const float mid = (CAP_TOP + CAP_H * 0.5f) * SS, gap = 9 * SS, reach = text_left * SS - gap - 4 * SS;
    Field rules(W, H);
    for (int side = 0; side < 2; ++side) {
        const float inner = side == 0 ? text_left * SS - gap : (text_left + TEXT_W) * SS + gap;
        const float dir = side == 0 ? -1.0f : 1.0f;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const float along = (float(x) + 0.5f - inner) * dir, across = std::fabs(float(y) + 0.5f - mid);
                float k = 0;
                if (along >= 0 && along <= reach && across <= 0.5f * SS) k = 1.0f - 0.8f * along / reach;
                if (std::fabs(along + 1.5f * SS) + across <= 2.6f * SS) k = 1;   // the diamond
                rules.ref(x, y) = std::max(rules.ref(x, y), k);
            }
    }
    Field shape(W, H);
    for (size_t i = 0; i < shape.v.size(); ++i) shape.v[i] = std::max(ink.v[i], rules.v[i] > 0 ? 1.0f : 0.0f);
    const Field dist = distance_to_ink(shape);
    std::vector<Rgb> colour(size_t(W) * size_t(H));
    Field cover(W, H);
    const Rgb rim{0.010f, 0.012f, 0.030f}, gold_top{1.0f, 0.95f, 0.78f}, gold_low{0.92f, 0.66f, 0.30f};
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const size_t i = size_t(y) * size_t(W) + size_t(x);
            if (dist.v[i] / float(SS) > RIM) continue;
            cover.v[i] = 1;
            const float t = std::clamp((float(y) / SS - CAP_TOP) / CAP_H, 0.0f, 1.0f);
            const Rgb gold = mix(gold_top, gold_low, t);
            // The letters at full strength, the rules fading as they run out.
            const float covered = std::max(ink.v[i], rules.v[i] > 0 ? 1.0f : 0.0f);
            const float bright = rules.v[i] > ink.v[i] ? rules.v[i] : 1.0f;
            colour[i] = mix(rim, gold * bright, covered);
        }
    return downsample(colour, cover, TITLE_TAGLINE_W, TITLE_TAGLINE_H);
}

int title_family_generate(const std::string &root, uint32_t) {
    const Canvas images[TITLE_IMAGE_COUNT] = {title_paint_wordmark(), title_paint_tagline()};
    std::vector<std::string> paths;
    title_family_list_paths(&paths);
    for (int i = 0; i < TITLE_IMAGE_COUNT; ++i) {
        if (images[i].width < 1) {
            std::fprintf(stderr, "assetgen: title image %i could not be painted\n", i);
            return 1;
        }
        if (output_png_rgba(root, paths[size_t(i)], images[i]) != RES_OK) return 1;
    }
    return 0;
}

void title_family_list_paths(std::vector<std::string> *out) {
    char path[32];
    for (int i = 0; i < TITLE_IMAGE_COUNT; ++i) {
        std::snprintf(path, sizeof path, "title/png/%.3i.png", i);
        out->push_back(path);
    }
}
