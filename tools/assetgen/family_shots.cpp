// The shots family: the six shot templates compiled from their source blocks, and each shot
// painted as a small lit body with its own light.
#include "assetgen/family_shots.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include "assetgen/content_source.h"
#include "assetgen/output.h"
#include "platform/buffer.h"

namespace {

constexpr float PI = 3.14159265358979f;
constexpr int32_t DIRECTION_MS = 1000;
constexpr int32_t PULSE_MS = 70;

struct FlagName {
    const char *name;
    uint32_t    bit;
};
constexpr FlagName SHOT_FLAGS[] = {{"directions", 0x1}, {"seeks", 0x2}, {"legs", 0x4}, {"segmented", 0x8}};
const char *const LOOKS[] = {"pod", "bolt", "missile", "slug", "rocket", "round"};

std::string where(const std::string &file, int line) { return file + ":" + std::to_string(line) + ": "; }

Colour rgb(const std::vector<int32_t> &v) {
    return {float(v[0]) / 255.0f, float(v[1]) / 255.0f, float(v[2]) / 255.0f, 1.0f};
}
Colour mix(Colour a, Colour b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}
Colour scaled(Colour a, float k) { return {a.r * k, a.g * k, a.b * k, a.a}; }

bool set_field(ShotSource *s, const ContentField &f, std::string *message) {
    std::vector<int32_t> v;
    auto ints = [&](size_t n) {
        v.clear();
        return content_parse_ints(f.value, &v) == RES_OK && v.size() == n;
    };
    struct IntKey {
        const char *key;
        int32_t ShotSource::*field;
    };
    static const IntKey INTS[] = {
        {"speed", &ShotSource::speed},       {"initiative", &ShotSource::initiative},
        {"directions", &ShotSource::directions}, {"picture", &ShotSource::picture},
        {"blast", &ShotSource::blast},       {"leg", &ShotSource::leg},
        {"hit_points", &ShotSource::hit_points}, {"rounds", &ShotSource::rounds},
        {"spacing", &ShotSource::spacing},   {"evasion", &ShotSource::evasion},
        {"side", &ShotSource::side},         {"glow_side", &ShotSource::glow_side},
    };
    for (const IntKey &k : INTS)
        if (f.key == k.key) {
            if (!ints(1)) return *message = "one number expected", false;
            s->*k.field = v[0];
            return true;
        }
    if (f.key == "name") return s->name = f.value, true;
    if (f.key == "labels") {
        const size_t bar = f.value.find('|');
        if (bar == std::string::npos) return *message = "labels: one | several", false;
        s->label_one = content_trim(f.value.substr(0, bar));
        s->label_many = content_trim(f.value.substr(bar + 1));
        return true;
    }
    if (f.key == "damage") {
        if (!ints(2) || v[0] > v[1]) return *message = "damage: low and high", false;
        s->damage_min = v[0];
        s->damage_max = v[1];
        return true;
    }
    if (f.key == "flags") {
        std::istringstream words(f.value);
        std::string w;
        while (words >> w) {
            const FlagName *hit = nullptr;
            for (const FlagName &n : SHOT_FLAGS)
                if (w == n.name) hit = &n;
            if (!hit) return *message = "unknown flag \"" + w + "\"", false;
            s->flags |= hit->bit;
        }
        return true;
    }
    if (f.key == "look") {
        for (const char *look : LOOKS)
            if (f.value == look) return s->look = look, true;
        return *message = "unknown look \"" + f.value + "\"", false;
    }
    if (f.key == "body" || f.key == "light") {
        if (!ints(3)) return *message = "three colour values expected", false;
        for (int32_t c : v)
            if (c < 0 || c > 255) return *message = "colour values are 0..255", false;
        (f.key == "body" ? s->body : s->light) = rgb(v);
        return true;
    }
    if (f.key == "size") {
        if (!ints(2) || v[0] < 1 || v[1] < 1) return *message = "size: length and width", false;
        s->length = float(v[0]);
        s->width = float(v[1]);
        return true;
    }
    return *message = "unknown key \"" + f.key + "\"", false;
}

// ---- Painting ----

struct Frame {
    float cx, cy, fx, fy;   // centre and unit forward on screen; left is (fy, -fx)
    Point2 at(float u, float v) const { return {cx + u * fx + v * fy, cy + u * fy - v * fx}; }
};

// The lit body: a convex outline in (u, v) with cylinder shading across it and a bright rim on
// the lit side; `glow` gathers the light the shot gives off.
void body(Canvas *c, const Frame &f, const std::vector<Point2> &outline, Colour colour, float half_width) {
    Canvas mask = canvas_create(c->width, c->height);
    std::vector<Point2> poly;
    for (const Point2 &p : outline) poly.push_back(f.at(p.x, p.y));
    canvas_polygon(&mask, poly, {1, 1, 1, 1}, BLEND_OVER);
    for (int y = 0; y < c->height; ++y)
        for (int x = 0; x < c->width; ++x) {
            const float m = mask.px[(size_t(y) * size_t(c->width) + size_t(x)) * 4 + 3];
            if (m <= 0.01f) continue;
            const float dx = float(x) + 0.5f - f.cx, dy = float(y) + 0.5f - f.cy;
            const float v = -(dx * f.fy - dy * f.fx);   // left of the axis
            const float across = std::clamp(v / std::max(half_width, 0.5f), -1.0f, 1.0f);
            // Light from the upper left of the screen, whatever the heading.
            const float nx = -across * f.fy, ny = across * f.fx;
            const float lit = std::max(0.0f, -0.6f * nx - 0.8f * ny);
            const float round = std::sqrt(std::max(0.0f, 1 - across * across));
            Colour shade = scaled(colour, 0.35f + 0.55f * round + 0.45f * lit);
            shade.a = m;
            canvas_blend(c, x, y, shade, 1, BLEND_OVER);
        }
}

std::vector<Point2> capsule(float length, float width, float nose) {
    const float h = length / 2, w = width / 2;
    std::vector<Point2> out;
    for (int i = 0; i <= 8; ++i) {   // the rounded nose
        const float a = -PI / 2 + PI * float(i) / 8;
        out.push_back({h - nose + nose * std::cos(a), w * std::sin(a)});
    }
    out.push_back({-h, w * 0.8f});
    out.push_back({-h, -w * 0.8f});
    std::reverse(out.begin(), out.end());
    return out;
}

Canvas paint_directed(const ShotSource &s, float heading, float pulse) {
    const int side = s.side;
    Canvas body_c = canvas_create(side, side), light = canvas_create(side, side);
    const float a = heading * PI / 180;
    const Frame f{side / 2.0f, side / 2.0f, std::cos(a), -std::sin(a)};
    const float L = s.length, W = s.width;
    const Colour white{1, 1, 1, 1};
    if (s.look == "pod") {
        body(&body_c, f, capsule(L, W, W * 0.5f), s.body, W / 2);
        // Stub wings, a dark canopy band and the engine at the back.
        for (float side_v : {1.0f, -1.0f}) {
            std::vector<Point2> wing = {{-L * 0.1f, side_v * W * 0.45f}, {-L * 0.42f, side_v * W * 0.95f},
                                        {-L * 0.46f, side_v * W * 0.45f}};
            std::vector<Point2> poly;
            for (const Point2 &p : wing) poly.push_back(f.at(p.x, p.y));
            canvas_polygon(&body_c, poly, scaled(s.body, 0.6f), BLEND_OVER);
        }
        const Point2 c0 = f.at(L * 0.18f, 0), c1 = f.at(L * 0.32f, 0);
        canvas_line(&body_c, c0.x, c0.y, c1.x, c1.y, W * 0.35f, {0.1f, 0.2f, 0.35f, 1}, BLEND_OVER);
        const Point2 e = f.at(-L / 2, 0);
        canvas_glow(&light, e.x, e.y, W * 0.55f, s.light, BLEND_ADD);
        canvas_circle(&light, e.x, e.y, W * 0.22f, mix(s.light, white, 0.7f), BLEND_ADD);
        const Point2 beacon = f.at(L * 0.42f, 0);
        canvas_circle(&light, beacon.x, beacon.y, 0.7f, {1, 0.25f, 0.2f, 1}, BLEND_ADD);
    } else if (s.look == "missile" || s.look == "rocket") {
        body(&body_c, f, capsule(L, W, W * 1.2f), s.body, W / 2);
        for (float side_v : {1.0f, -1.0f}) {
            std::vector<Point2> fin = {{-L * 0.28f, side_v * W * 0.4f}, {-L * 0.5f, side_v * W * 1.05f},
                                       {-L * 0.5f, side_v * W * 0.35f}};
            std::vector<Point2> poly;
            for (const Point2 &p : fin) poly.push_back(f.at(p.x, p.y));
            canvas_polygon(&body_c, poly, scaled(s.body, 0.55f), BLEND_OVER);
        }
        // A warhead band and the flame.
        const Point2 b0 = f.at(L * 0.22f, 0), b1 = f.at(L * 0.3f, 0);
        canvas_line(&body_c, b0.x, b0.y, b1.x, b1.y, W * 0.9f, mix(s.light, s.body, 0.5f), BLEND_OVER);
        const Point2 t0 = f.at(-L / 2 - 1, 0), t1 = f.at(-L / 2 - L * 0.35f * pulse, 0);
        canvas_line(&light, t0.x, t0.y, t1.x, t1.y, W * 0.7f, scaled(s.light, 0.9f), BLEND_ADD);
        canvas_glow(&light, t0.x, t0.y, W * 0.9f, s.light, BLEND_ADD);
        canvas_circle(&light, t0.x, t0.y, W * 0.3f, white, BLEND_ADD);
    } else if (s.look == "slug") {
        // A tracer: a white-hot core in a coloured sheath, fading to the back.
        const Point2 head = f.at(L / 2, 0), tail = f.at(-L / 2, 0);
        canvas_line(&light, tail.x, tail.y, head.x, head.y, W, scaled(s.light, 0.8f), BLEND_ADD);
        canvas_line(&light, f.at(-L * 0.1f, 0).x, f.at(-L * 0.1f, 0).y, head.x, head.y, W * 0.55f, white, BLEND_ADD);
        canvas_glow(&light, head.x, head.y, W * 0.9f, s.light, BLEND_ADD);
    } else {   // round: a dense slug in a plasma sheath
        body(&body_c, f, capsule(L, W, W * 0.45f), s.body, W / 2);
        const Point2 head = f.at(L * 0.55f, 0), tail = f.at(-L * 0.5f, 0);
        canvas_glow(&light, head.x, head.y, W * 0.8f, s.light, BLEND_ADD);
        canvas_line(&light, tail.x, tail.y, f.at(-L * 0.9f, 0).x, f.at(-L * 0.9f, 0).y, W * 0.5f,
                    scaled(s.light, 0.7f), BLEND_ADD);
    }
    // Opaque or transparent: the body, and light strong enough to read as solid.
    Canvas out = canvas_create(side, side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const Colour g = canvas_get(light, x, y), b = canvas_get(body_c, x, y);
            const float shine = std::max({g.r, g.g, g.b});
            if (b.a >= 0.5f)
                canvas_set(&out, x, y, {std::min(1.0f, b.r + g.r), std::min(1.0f, b.g + g.g), std::min(1.0f, b.b + g.b), 1});
            else if (shine >= 0.35f)
                canvas_set(&out, x, y, {std::min(1.0f, g.r), std::min(1.0f, g.g), std::min(1.0f, g.b), 1});
        }
    return out;
}

// A plasma ball: rings of light brightening towards a white core; `pulse` 0..1 swells it.
Canvas paint_ball(const ShotSource &s, float pulse) {
    const int side = s.side;
    Canvas light = canvas_create(side, side);
    const float c = side / 2.0f, r = s.width / 2 * (0.85f + 0.3f * pulse);
    canvas_glow(&light, c, c, r * 1.1f, s.light, BLEND_ADD);
    canvas_circle(&light, c, c, r * 0.75f, mix(s.light, {1, 1, 1, 1}, 0.4f), BLEND_ADD);
    canvas_circle(&light, c, c, r * 0.4f, {1, 1, 1, 1}, BLEND_ADD);
    // Two small arcs of lightning around the ball, turning with the pulse.
    for (int k = 0; k < 2; ++k) {
        const float a = (pulse * 90 + float(k) * 180) * PI / 180;
        const float x0 = c + std::cos(a) * r * 0.9f, y0 = c + std::sin(a) * r * 0.9f;
        const float x1 = c + std::cos(a + 0.9f) * r * 1.25f, y1 = c + std::sin(a + 0.9f) * r * 1.25f;
        canvas_line(&light, x0, y0, x1, y1, 0.8f, mix(s.light, {1, 1, 1, 1}, 0.5f), BLEND_ADD);
    }
    Canvas out = canvas_create(side, side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const Colour g = canvas_get(light, x, y);
            if (std::max({g.r, g.g, g.b}) >= 0.3f)
                canvas_set(&out, x, y, {std::min(1.0f, g.r), std::min(1.0f, g.g), std::min(1.0f, g.b), 1});
        }
    return out;
}

Canvas paint_glow(const ShotSource &s) {
    const int side = s.glow_side;
    Canvas out = canvas_create(side, side, {0, 0, 0, 1});
    const float c = side / 2.0f;
    canvas_glow(&out, c, c, side * 0.28f, scaled(s.light, 0.55f), BLEND_ADD);
    canvas_glow(&out, c, c, side * 0.12f, scaled(mix(s.light, {1, 1, 1, 1}, 0.5f), 0.6f), BLEND_ADD);
    for (float &v : out.px) v = std::min(v, 1.0f);
    return out;
}

std::string asset(int index, const std::string &rest) {
    char head[16];
    std::snprintf(head, sizeof head, "shot/%.3i/", index);
    return head + rest;
}

std::string frame_path(int index, int frame) {
    char tail[24];
    std::snprintf(tail, sizeof tail, "png/%.3i.png", frame);
    return asset(index, tail);
}

}  // namespace

Result shots_parse_content(const std::string &text, const std::string &file, std::vector<ShotSource> *out,
                           std::string *error) {
    std::vector<ContentBlock> blocks;
    if (Result r = content_parse_blocks(text, file, &blocks, error); r != RES_OK) return r;
    out->assign(SHOT_FAMILY_TEMPLATES, ShotSource{});
    for (const ContentBlock &block : blocks) {
        std::istringstream head(block.header);
        std::string word;
        int index = -1;
        head >> word >> index;
        if (word != "shot" || head.fail() || index < 0 || index >= SHOT_FAMILY_TEMPLATES) {
            *error = where(file, block.line) + "blocks are [shot N], N 0..5";
            return RES_MALFORMED;
        }
        ShotSource &s = (*out)[size_t(index)];
        if (s.index >= 0) {
            *error = where(file, block.line) + "shot " + std::to_string(index) + " comes twice";
            return RES_MALFORMED;
        }
        s.index = index;
        for (const ContentField &f : block.fields) {
            std::string message;
            if (!set_field(&s, f, &message)) {
                *error = where(file, f.line) + message;
                return RES_MALFORMED;
            }
        }
        if (s.look.empty() || s.rounds < 1 || s.side < 4 || s.glow_side < 4) {
            *error = where(file, block.line) + "a shot needs a look, rounds >= 1 and sides of at least 4";
            return RES_MALFORMED;
        }
        if ((s.flags & 0x1) != (s.directions > 0 ? 0x1u : 0u)) {
            *error = where(file, block.line) + "directions go with the directions flag";
            return RES_MALFORMED;
        }
    }
    for (int i = 0; i < SHOT_FAMILY_TEMPLATES; ++i)
        if ((*out)[size_t(i)].index < 0) {
            *error = file + ": shot " + std::to_string(i) + " is missing";
            return RES_MALFORMED;
        }
    return RES_OK;
}

int shots_frame_count(const ShotSource &s) { return 2 + (s.directions > 0 ? s.directions : SHOT_FAMILY_PULSE_FRAMES); }

void shots_trail_tables(const ShotSource &s, std::vector<int32_t> *xs, std::vector<int32_t> *ys) {
    xs->clear();
    ys->clear();
    if (!(s.flags & 0x8) || s.rounds < 2) return;
    const int longest = std::min(s.rounds, 5);
    const int dirs = s.directions > 0 ? s.directions : 1;
    auto add_row = [&](int n, float heading) {
        // Round 0 leads; the others follow behind it, a little staggered across the line.
        const float a = heading * PI / 180, fx = std::cos(a), fy = -std::sin(a);
        std::vector<float> px(size_t(s.rounds)), py(size_t(s.rounds));
        for (int i = 0; i < s.rounds; ++i) {
            const float back = float(i * s.spacing), across = (i % 2 ? 1.0f : -1.0f) * float(i > 0) * s.spacing * 0.3f;
            px[size_t(i)] = -back * fx + across * fy;
            py[size_t(i)] = -back * fy - across * fx;
        }
        float min_x = 0, min_y = 0;
        for (int i = 0; i < n; ++i) {
            min_x = std::min(min_x, px[size_t(i)]);
            min_y = std::min(min_y, py[size_t(i)]);
        }
        for (int i = 0; i < s.rounds; ++i) {
            xs->push_back(std::max(0, int32_t(std::lround(px[size_t(i)] - min_x))));
            ys->push_back(std::max(0, int32_t(std::lround(py[size_t(i)] - min_y))));
        }
    };
    if (s.directions > 0) {
        for (int n = 2; n <= longest; ++n)
            for (int d = 0; d < dirs; ++d) add_row(n, float(d) * 360.0f / float(dirs));
    } else {
        for (int n = 1; n <= longest; ++n) add_row(std::max(n, 1), 0);
    }
}

Result shots_encode_params(const ShotSource &s, Buffer *out) {
    Result r = buffer_write_u32(out, s.flags);
    for (int32_t v : {s.speed, s.initiative, s.damage_min, s.damage_max, s.directions, s.picture, 0, s.blast, s.leg,
                      s.hit_points, s.rounds})
        if (r == RES_OK) r = buffer_write_i32(out, v);
    for (const std::string *text : {&s.name, &s.label_one, &s.label_many})
        if (r == RES_OK) r = buffer_write_string(out, *text);
    std::vector<int32_t> xs, ys;
    shots_trail_tables(s, &xs, &ys);
    if (r == RES_OK) r = buffer_write_i32(out, int32_t(xs.size()));
    for (size_t i = 0; i < xs.size() && r == RES_OK; ++i) {
        r = buffer_write_i32(out, xs[i]);
        if (r == RES_OK) r = buffer_write_i32(out, ys[i]);
    }
    // Animations: one per direction, or the pulse.
    if (s.directions > 0) {
        if (r == RES_OK) r = buffer_write_i32(out, s.directions);
        for (int d = 0; d < s.directions && r == RES_OK; ++d) {
            r = buffer_write_u32(out, 0);
            if (r == RES_OK) r = buffer_write_i32(out, 1);
            if (r == RES_OK) r = buffer_write_i32(out, 2 + d);
            if (r == RES_OK) r = buffer_write_i32(out, DIRECTION_MS);
        }
    } else {
        if (r == RES_OK) r = buffer_write_i32(out, 1);
        if (r == RES_OK) r = buffer_write_u32(out, 0);
        if (r == RES_OK) r = buffer_write_i32(out, SHOT_FAMILY_PULSE_FRAMES);
        for (int i = 0; i < SHOT_FAMILY_PULSE_FRAMES && r == RES_OK; ++i) {
            r = buffer_write_i32(out, 2 + i);
            if (r == RES_OK) r = buffer_write_i32(out, PULSE_MS);
        }
    }
    if (r == RES_OK) r = buffer_write_i32(out, s.evasion);
    return r;
}

Canvas shots_paint_frame(const ShotSource &s, int frame) {
    if (frame == 1) return paint_glow(s);
    const bool ball = s.directions <= 0;
    if (frame == 0) return ball ? paint_ball(s, 0.5f) : paint_directed(s, 0, 0.8f);
    const int k = frame - 2;
    if (ball) return paint_ball(s, float(k) / float(SHOT_FAMILY_PULSE_FRAMES - 1));
    return paint_directed(s, float(k) * 360.0f / float(s.directions), 0.7f + 0.3f * float(k % 2));
}

int shots_family_generate(const std::string &root, uint32_t) {
    std::string text, error;
    std::vector<ShotSource> sources;
    if (content_read("shots/shots.txt", &text, &error) != RES_OK ||
        shots_parse_content(text, "shots.txt", &sources, &error) != RES_OK) {
        std::fprintf(stderr, "assetgen: %s\n", error.c_str());
        return 1;
    }
    for (const ShotSource &s : sources) {
        Buffer *params = buffer_create();
        if (!params) return 1;
        Result r = shots_encode_params(s, params);
        if (r == RES_OK) r = output_params(root, asset(s.index, "dat/params.dat"), *params);
        buffer_free(params);
        for (int f = 0; f < shots_frame_count(s) && r == RES_OK; ++f) {
            const Canvas c = shots_paint_frame(s, f);
            r = f == 1 ? output_png_rgb(root, frame_path(s.index, f), c, false, 0)
                       : output_png_rgba(root, frame_path(s.index, f), c);
        }
        if (r != RES_OK) {
            std::fprintf(stderr, "assetgen: shot %i \"%s\" could not be written\n", s.index, s.name.c_str());
            return 1;
        }
    }
    return 0;
}

void shots_family_list_paths(std::vector<std::string> *out) {
    std::string text, error;
    std::vector<ShotSource> sources;
    if (content_read("shots/shots.txt", &text, &error) != RES_OK ||
        shots_parse_content(text, "shots.txt", &sources, &error) != RES_OK)
        return;
    for (const ShotSource &s : sources) {
        out->push_back(asset(s.index, "dat/params.dat"));
        for (int f = 0; f < shots_frame_count(s); ++f) out->push_back(frame_path(s.index, f));
    }
}
