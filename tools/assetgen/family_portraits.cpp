// The portraits family: officers' faces, head and shoulders over a lit backdrop.
#include "assetgen/family_portraits.h"

#include <cmath>
#include <cstdio>

#include "assetgen/output.h"

namespace {

constexpr float PI = 3.14159265f;

Colour rgb(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f, 1.0f}; }
Colour shade(Colour c, float f) { return {std::fmin(c.r * f, 1.0f), std::fmin(c.g * f, 1.0f), std::fmin(c.b * f, 1.0f), c.a}; }
Colour alpha(Colour c, float a) { return {c.r, c.g, c.b, a}; }

constexpr int SKINS = 6, HAIRS = 7, EYES = 5, UNIFORMS = 5;
const Colour SKIN[SKINS] = {rgb(241, 205, 178), rgb(226, 180, 140), rgb(198, 145, 105),
                            rgb(160, 108, 72),  rgb(118, 78, 52),   rgb(214, 190, 160)};
const Colour HAIR[HAIRS] = {rgb(30, 24, 20),  rgb(78, 50, 30),   rgb(140, 96, 52),  rgb(196, 160, 96),
                            rgb(150, 60, 30), rgb(170, 170, 176), rgb(60, 62, 70)};
const Colour IRIS[EYES] = {rgb(70, 110, 170), rgb(90, 60, 35), rgb(70, 120, 80), rgb(110, 110, 120), rgb(40, 30, 25)};
const Colour UNIFORM[UNIFORMS] = {rgb(40, 54, 92), rgb(30, 30, 36), rgb(92, 30, 34), rgb(40, 70, 56), rgb(86, 88, 96)};

std::vector<Point2> ellipse(float cx, float cy, float rx, float ry, float from = 0, float to = 2 * PI) {
    std::vector<Point2> points;
    const int steps = 40;
    for (int i = 0; i <= steps; ++i) {
        const float a = from + (to - from) * float(i) / steps;
        points.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return points;
}

void paint_backdrop(Canvas *c, GenRandom *rnd) {
    const float hue = rnd->uniform();
    const Colour top{0.10f + 0.18f * hue, 0.14f + 0.10f * (1 - hue), 0.26f + 0.14f * hue, 1};
    canvas_linear_gradient(c, {0, 0}, top, {0, float(PORTRAIT_H)}, shade(top, 0.35f), BLEND_OVER);
    canvas_glow(c, PORTRAIT_W * 0.3f, PORTRAIT_H * 0.25f, 26, alpha(rgb(200, 220, 255), 0.18f), BLEND_ADD);
}

void paint_shoulders(Canvas *c, GenRandom *rnd) {
    const Colour cloth = UNIFORM[rnd->range_int(0, UNIFORMS - 1)];
    const float w = PORTRAIT_W, h = PORTRAIT_H;
    canvas_polygon(c, {{2, h}, {6, h - 15}, {17, h - 20}, {w - 17, h - 20}, {w - 6, h - 15}, {w - 2, h}}, cloth, BLEND_OVER);
    // The collar and a trim of rank colour on the shoulders.
    canvas_polygon(c, {{w / 2 - 9, h - 20}, {w / 2, h - 10}, {w / 2 + 9, h - 20}}, shade(cloth, 0.55f), BLEND_OVER);
    const Colour trim = rnd->uniform() < 0.5f ? rgb(210, 180, 70) : rgb(190, 200, 210);
    canvas_line(c, 7, h - 14, 16, h - 18, 1.6f, trim, BLEND_OVER);
    canvas_line(c, w - 7, h - 14, w - 16, h - 18, 1.6f, trim, BLEND_OVER);
}

void paint_face(Canvas *c, GenRandom *rnd) {
    const float cx = PORTRAIT_W / 2.0f + rnd->range(-1.5f, 1.5f), cy = 29;
    const float rx = rnd->range(11.0f, 13.5f), ry = rnd->range(14.0f, 16.0f);
    const Colour skin = SKIN[rnd->range_int(0, SKINS - 1)];
    const Colour hair = HAIR[rnd->range_int(0, HAIRS - 1)];
    const int style = rnd->range_int(0, 4);
    const bool beard = rnd->uniform() < 0.25f;

    // Long hair falls behind the head and the neck.
    if (style == 3) {
        canvas_polygon(c, ellipse(cx, cy + 6, rx + 5, ry + 8, PI, 2 * PI), hair, BLEND_OVER);
        canvas_polygon(c, {{cx - rx - 5, cy + 5}, {cx - rx - 3, cy + 24}, {cx + rx + 3, cy + 24}, {cx + rx + 5, cy + 5}},
                       hair, BLEND_OVER);
    }
    canvas_polygon(c, {{cx - 5, cy + ry - 4}, {cx - 5.5f, cy + ry + 9}, {cx + 5.5f, cy + ry + 9}, {cx + 5, cy + ry - 4}},
                   shade(skin, 0.78f), BLEND_OVER);
    canvas_circle(c, cx - rx + 0.5f, cy + 2, 2.6f, shade(skin, 0.85f), BLEND_OVER);   // ears
    canvas_circle(c, cx + rx - 0.5f, cy + 2, 2.6f, shade(skin, 0.85f), BLEND_OVER);
    canvas_polygon(c, ellipse(cx, cy, rx, ry), skin, BLEND_OVER);
    // Light from the upper left, shadow on the right cheek and under the chin.
    canvas_glow(c, cx - rx * 0.35f, cy + 1, rx * 0.7f, alpha(rgb(255, 240, 220), 0.08f), BLEND_ADD);
    canvas_polygon(c, ellipse(cx + rx * 0.55f, cy + 2, rx * 0.45f, ry * 0.8f), alpha(shade(skin, 0.6f), 0.35f), BLEND_OVER);

    // Hair on top, by style: 0 short crop, 1 side part, 2 shaved, 3 long, 4 swept back.
    if (style != 2) {
        canvas_polygon(c, ellipse(cx, cy - ry * 0.5f, rx + 1.2f, ry * 0.64f, PI, 2 * PI), hair, BLEND_OVER);
        if (style == 1) canvas_polygon(c, {{cx - rx, cy - 5}, {cx - 2, cy - ry + 1}, {cx + rx, cy - 8}, {cx + rx, cy - 4}}, hair, BLEND_OVER);
        if (style == 3 || style == 4)
            canvas_polygon(c, {{cx - rx - 1, cy - 4}, {cx - rx - 2, cy + 6}, {cx - rx + 2, cy}, {cx + rx - 2, cy},
                               {cx + rx + 2, cy + 6}, {cx + rx + 1, cy - 4}}, hair, BLEND_OVER);
        canvas_glow(c, cx - 3, cy - ry + 2, 5, alpha(rgb(255, 255, 255), 0.12f), BLEND_ADD);
    } else {
        canvas_polygon(c, ellipse(cx, cy - ry * 0.5f, rx + 0.5f, ry * 0.58f, PI, 2 * PI), alpha(hair, 0.35f), BLEND_OVER);
    }

    // Eyes, brows, nose and mouth.
    const float ey = cy + rnd->range(-1.0f, 1.0f), gap = rnd->range(4.6f, 5.6f);
    const Colour iris = IRIS[rnd->range_int(0, EYES - 1)];
    for (float side : {-1.0f, 1.0f}) {
        const float ex = cx + side * gap;
        canvas_polygon(c, ellipse(ex, ey, 2.6f, 1.5f), rgb(240, 240, 236), BLEND_OVER);
        canvas_circle(c, ex + 0.3f, ey, 1.2f, iris, BLEND_OVER);
        canvas_circle(c, ex + 0.3f, ey, 0.55f, rgb(10, 10, 12), BLEND_OVER);
        const float tilt = rnd->range(-0.8f, 0.8f);
        canvas_line(c, ex - 2.8f, ey - 3.4f + tilt * side, ex + 2.8f, ey - 3.6f - tilt * side, 1.2f, shade(hair, 0.8f), BLEND_OVER);
    }
    canvas_line(c, cx + 0.5f, ey + 1, cx + 1.5f, ey + 6, 1.0f, alpha(shade(skin, 0.6f), 0.8f), BLEND_OVER);
    const float my = ey + rnd->range(8.5f, 10.0f), smile = rnd->range(-0.4f, 1.2f);
    canvas_line(c, cx - 3.5f, my - smile * 0.5f, cx, my + smile * 0.5f, 1.1f, rgb(140, 60, 60), BLEND_OVER);
    canvas_line(c, cx, my + smile * 0.5f, cx + 3.5f, my - smile * 0.5f, 1.1f, rgb(140, 60, 60), BLEND_OVER);
    if (beard) {
        canvas_polygon(c, ellipse(cx, cy + ry * 0.45f, rx * 0.85f, ry * 0.55f, 0, PI), alpha(hair, 0.9f), BLEND_OVER);
        canvas_line(c, cx - 3.5f, my - smile * 0.5f, cx + 3.5f, my - smile * 0.5f, 1.0f, shade(skin, 0.55f), BLEND_OVER);
    }
}

}  // namespace

Canvas portraits_paint(int index, uint32_t seed) {
    GenRandom rnd(hash_combine(seed, hash_u32(uint32_t(index) + 0x5117u)));
    Canvas c = canvas_create(PORTRAIT_W, PORTRAIT_H, {0, 0, 0, 1});
    paint_backdrop(&c, &rnd);
    paint_shoulders(&c, &rnd);
    paint_face(&c, &rnd);
    // A thin dark frame keeps the face off the panel's border.
    const Colour frame = rgb(8, 8, 12);
    for (int x = 0; x < PORTRAIT_W; ++x) {
        canvas_set(&c, x, 0, frame);
        canvas_set(&c, x, PORTRAIT_H - 1, frame);
    }
    for (int y = 0; y < PORTRAIT_H; ++y) {
        canvas_set(&c, 0, y, frame);
        canvas_set(&c, PORTRAIT_W - 1, y, frame);
    }
    return c;
}

int portraits_family_generate(const std::string &root, uint32_t seed) {
    std::vector<std::string> paths;
    portraits_family_list_paths(&paths);
    for (int i = 0; i < PORTRAIT_COUNT; ++i)
        if (output_png_rgb(root, paths[size_t(i)], portraits_paint(i, seed), true, seed + uint32_t(i)) != RES_OK) return 1;
    return 0;
}

void portraits_family_list_paths(std::vector<std::string> *out) {
    for (int i = 0; i < PORTRAIT_COUNT; ++i) {
        char path[32];
        std::snprintf(path, sizeof path, "pilot/%.3i.png", i);
        out->push_back(path);
    }
}
