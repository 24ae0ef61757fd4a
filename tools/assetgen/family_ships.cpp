// The ships family: hull sources compiled into parameter files, and the hulls painted from above
// in every frame the game loads.
#include "assetgen/family_ships.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include "assetgen/content_source.h"
#include "assetgen/output.h"
#include "platform/buffer.h"

namespace {

constexpr float PI = 3.14159265358979f;
constexpr int THREADS = 4;

struct FlagName {
    const char *name;
    uint32_t    bit;
};
constexpr FlagName HULL_FLAGS[] = {
    {"rotating", 0x1},          {"immobile", 0x2},         {"player_buildable", 0x4}, {"off_battle_map", 0x8},
    {"no_tag_name", 0x10},      {"no_jump", 0x20},         {"no_pilot", 0x40},        {"no_turn", 0x80},
    {"template_name", 0x100},   {"narrow_bars", 0x200},    {"no_scan", 0x400},        {"no_fleet_boost", 0x800},
    {"free_scan", 0x1000},      {"quick_unpiloted", 0x2000}, {"cheap_turn", 0x4000},  {"fixed_ap", 0x8000},
    {"turn_unblocked", 0x10000}, {"no_system_damage", 0x20000}, {"range_limited", 0x40000},
    {"shot_tracking", 0x80000},
};

const char *const MOUNTS[] = {"system", "engine", "armour"};
const char *const FACINGS[] = {"fore", "port", "aft", "starboard"};

std::string where(const std::string &file, int line) { return file + ":" + std::to_string(line) + ": "; }

bool ints(const std::string &value, size_t count, std::vector<int32_t> *out) {
    return content_parse_ints(value, out) == RES_OK && (count == 0 || out->size() == count);
}

Colour rgb(const std::vector<int32_t> &v, size_t at = 0) {
    return {float(v[at]) / 255.0f, float(v[at + 1]) / 255.0f, float(v[at + 2]) / 255.0f, 1.0f};
}

bool is_rgb(const std::vector<int32_t> &v, size_t at = 0) {
    for (size_t i = at; i < at + 3; ++i)
        if (v[i] < 0 || v[i] > 255) return false;
    return true;
}

// A port half from the nose to the tail, mirrored into the whole outline.
bool half_outline(const std::vector<int32_t> &v, std::vector<Point2> *out) {
    if (v.size() < 6 || v.size() % 2 != 0) return false;
    std::vector<Point2> half;
    for (size_t i = 0; i < v.size(); i += 2) {
        if (v[i + 1] < 0) return false;
        half.push_back({float(v[i]), float(v[i + 1])});
    }
    out->assign(half.begin(), half.end());
    for (size_t i = half.size(); i-- > 0;) {
        if (half[i].y == 0) continue;   // points on the centre line are not doubled
        out->push_back({half[i].x, -half[i].y});
    }
    return out->size() >= 3;
}

bool word_index(const std::string &value, const char *const *names, int n, int32_t *out) {
    for (int i = 0; i < n; ++i)
        if (value == names[i]) {
            *out = i;
            return true;
        }
    return false;
}

bool read_hull(const ContentBlock &block, const std::string &file, ShipSource *s, std::string *error) {
    std::istringstream head(block.header);
    std::string word;
    head >> word >> s->index;
    if (word != "hull" || head.fail() || s->index < 0 || s->index >= SHIP_FAMILY_HULLS) {
        *error = where(file, block.line) + "the first block is [hull N], N 0..8";
        return false;
    }
    std::map<std::string, int> seen;
    for (const ContentField &f : block.fields) {
        std::vector<int32_t> v;
        bool ok = true;
        if (++seen[f.key] > 1) {
            *error = where(file, f.line) + f.key + " given twice";
            return false;
        }
        if (f.key == "name") s->name = f.value;
        else if (f.key == "desc") s->desc = f.value;
        else if (f.key == "flags") {
            std::istringstream in(f.value);
            for (std::string flag; in >> flag;) {
                const auto *hit = std::find_if(std::begin(HULL_FLAGS), std::end(HULL_FLAGS),
                                               [&](const FlagName &n) { return flag == n.name; });
                if (hit == std::end(HULL_FLAGS)) {
                    *error = where(file, f.line) + "unknown hull flag \"" + flag + "\"";
                    return false;
                }
                s->hull_flags |= hit->bit;
            }
        } else if (f.key == "roll" || f.key == "scan" || f.key == "rush") {
            ok = ints(f.value, 2, &v);
            if (ok) {
                int32_t *a = f.key == "roll" ? &s->roll_min : f.key == "scan" ? &s->scan_cost : &s->rush_a;
                int32_t *b = f.key == "roll" ? &s->roll_max : f.key == "scan" ? &s->scan_range : &s->rush_b;
                *a = v[0];
                *b = v[1];
            }
        } else if (f.key == "words") {
            ok = ints(f.value, 3, &v);
            if (ok) std::copy(v.begin(), v.end(), s->words);
        } else {
            static const std::pair<const char *, int32_t ShipSource::*> ONE[] = {
                {"armour", &ShipSource::armour}, {"crew", &ShipSource::crew},     {"speed", &ShipSource::speed},
                {"mass", &ShipSource::mass},     {"capacity", &ShipSource::capacity}, {"cost", &ShipSource::cost},
                {"death", &ShipSource::death}};
            const auto *hit = std::find_if(std::begin(ONE), std::end(ONE), [&](const auto &p) { return f.key == p.first; });
            if (hit == std::end(ONE)) {
                *error = where(file, f.line) + "unknown field \"" + f.key + "\"";
                return false;
            }
            ok = ints(f.value, 1, &v);
            if (ok) s->*(hit->second) = v[0];
        }
        if (!ok) {
            *error = where(file, f.line) + f.key + ": numbers expected";
            return false;
        }
    }
    auto refuse = [&](const std::string &why) {
        *error = where(file, block.line) + why;
        return false;
    };
    for (const char *key : {"name", "desc", "flags", "armour", "crew", "speed", "mass", "capacity", "roll", "scan",
                            "cost", "rush", "words", "death"})
        if (!seen.count(key)) return refuse(std::string("missing ") + key);
    if (s->armour < 1 || s->mass < 1) return refuse("armour and mass are at least 1");
    if (s->crew < 0 || s->capacity < 0 || s->speed < 1 || s->cost < 0 || s->death < 0)
        return refuse("crew, capacity, cost and death are 0 or more, speed at least 1");
    if (s->roll_min < 0 || s->roll_max < s->roll_min) return refuse("roll: a range from 0 up");
    if (s->scan_cost < 0 || s->scan_range < 1) return refuse("scan: a cost of 0 or more and a range");
    return true;
}

bool read_look(const ContentBlock &block, const std::string &file, ShipSourceLook *look, std::string *error) {
    bool colour = false, accent = false, exhaust = false, outline = false;
    for (const ContentField &f : block.fields) {
        std::vector<int32_t> v;
        std::string why;
        if (!ints(f.value, 0, &v)) why = "numbers expected";
        else if (f.key == "colour" || f.key == "accent" || f.key == "engine_colour") {
            if (v.size() != 3 || !is_rgb(v)) why = "three values 0..255";
            else if (f.key == "colour") look->metal = rgb(v), colour = true;
            else if (f.key == "accent") look->accent = rgb(v), accent = true;
            else look->exhaust = rgb(v), exhaust = true;
        } else if (f.key == "outline" || f.key == "part") {
            std::vector<Point2> polygon;
            if (!half_outline(v, &polygon)) why = "u v pairs of a port half (v >= 0), at least three";
            else if (f.key == "outline") {
                if (outline) why = "one outline";
                look->parts.insert(look->parts.begin(), polygon);
                outline = true;
            } else {
                look->parts.push_back(polygon);
            }
        } else if (f.key == "stripe") {
            if (v.size() != 2 || v[1] < v[0]) why = "u from and to";
            look->stripe = true;
            if (v.size() == 2) look->stripe_from = v[0], look->stripe_to = v[1];
        } else if (f.key == "seams") {
            if (v.size() != 1 || v[0] < 0) why = "one spacing";
            else look->seams = v[0];
        } else if (f.key == "bridge") {
            if (v.size() != 3 || v[2] < 1) why = "u v r";
            else look->bridge = true, look->bridge_u = v[0], look->bridge_v = v[1], look->bridge_r = v[2];
        } else if (f.key == "engine") {
            if (v.size() != 3 || v[2] < 1) why = "u v r";
            else {
                look->engines.push_back({float(v[0]), float(v[1]), float(v[2]), {}});
                if (v[1] != 0) look->engines.push_back({float(v[0]), float(-v[1]), float(v[2]), {}});
            }
        } else if (f.key == "lights") {
            if (v.size() != 2) why = "u v";
            else {
                look->lights.push_back({float(v[0]), float(v[1]), 1.0f, {1.0f, 0.22f, 0.18f, 1}});
                look->lights.push_back({float(v[0]), float(-v[1]), 1.0f, {0.25f, 1.0f, 0.45f, 1}});
            }
        } else if (f.key == "beacon") {
            if (v.size() != 6 || v[2] < 1 || !is_rgb(v, 3)) why = "u v r and three colour values";
            else look->lights.push_back({float(v[0]), float(v[1]), float(v[2]), rgb(v, 3)});
        } else {
            why = "unknown field \"" + f.key + "\"";
        }
        if (!why.empty()) {
            *error = where(file, f.line) + f.key + ": " + why;
            return false;
        }
    }
    if (!colour || !accent || !exhaust || !outline) {
        *error = where(file, block.line) + "a look needs colour, accent, engine_colour and an outline";
        return false;
    }
    for (ShipSourceLight &e : look->engines) e.colour = look->exhaust;
    return true;
}

bool read_crit(const ContentBlock &block, const std::string &file, ShipSourceCrit *c, std::string *error) {
    bool at = false, mount = false, facing = false;
    for (const ContentField &f : block.fields) {
        std::vector<int32_t> v;
        bool ok = true;
        if (f.key == "at") {
            ok = at = ints(f.value, 2, &v);
            if (ok) c->u = v[0], c->v = v[1];
        } else if (f.key == "mount") ok = mount = word_index(f.value, MOUNTS, 3, &c->mount);
        else if (f.key == "facing") ok = facing = word_index(f.value, FACINGS, 4, &c->facing);
        else ok = false;
        if (!ok) {
            *error = where(file, f.line) + "a crit has at (u v), mount (system, engine, armour) and facing "
                                           "(fore, port, aft, starboard)";
            return false;
        }
    }
    if (!at || !mount || !facing) {
        *error = where(file, block.line) + "a crit needs at, mount and facing";
        return false;
    }
    return true;
}

float radius_of(const ShipSource &s) {
    float r = 0;
    for (const auto &part : s.look.parts)
        for (const Point2 &p : part) r = std::max(r, std::hypot(p.x, p.y));
    for (const auto *list : {&s.look.engines, &s.look.lights})
        for (const ShipSourceLight &l : *list) r = std::max(r, std::hypot(l.u, l.v) + l.r + 2.0f);
    return r;
}

// Screen position of a hull point turned to `heading` at `scale` around (cx, cy); y grows down.
Point2 to_screen(float u, float v, float c, float s, float scale, float cx, float cy) {
    return {cx + scale * (u * c - v * s), cy + scale * (-u * s - v * c)};
}

Colour mix(Colour a, Colour b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, 1};
}

Colour scaled(Colour a, float k) { return {a.r * k, a.g * k, a.b * k, a.a}; }

// ---- Writing ----

std::string asset(int32_t index, const char *rest) {
    char path[64];
    std::snprintf(path, sizeof path, "ship/%.3i/%s", index, rest);
    return path;
}

std::string frame_path(int32_t index, int frame) {
    char path[64];
    std::snprintf(path, sizeof path, "ship/%.3i/png/%.3i.png", index, frame);
    return path;
}

struct FrameJob {
    const ShipSource *source;
    const ShipLayout *layout;
    const std::string *root;
    uint32_t seed;
    std::vector<int> failures;   // one per frame, 0 ok
};

Canvas paint_frame(const ShipSource &s, const ShipLayout &l, int frame, uint32_t seed) {
    if (frame < SHIP_FAMILY_ROTATIONS) {
        const float c = float(l.side) / 2;
        return ships_paint(s, 10.0f * float(frame), 1.0f, l.side, l.side, c, c, seed);
    }
    if (frame == SHIP_FAMILY_ICON_FRAME) {
        const float c = SHIP_FAMILY_ICON_SIDE / 2.0f;
        return ships_paint(s, 45, l.icon_scale, SHIP_FAMILY_ICON_SIDE, SHIP_FAMILY_ICON_SIDE, c, c, seed);
    }
    if (frame == SHIP_FAMILY_DESIGN_FRAME) {
        const int side = l.side * l.design_scale;
        return ships_paint(s, 0, float(l.design_scale), side, side, side / 2.0f, side / 2.0f, seed);
    }
    if (frame == SHIP_FAMILY_PICTURE_FRAME)
        return ships_paint(s, 25, l.picture_scale, SHIP_FAMILY_PICTURE_W, SHIP_FAMILY_PICTURE_H,
                           SHIP_FAMILY_PICTURE_W / 2.0f, SHIP_FAMILY_PICTURE_H / 2.0f, seed);
    if (frame == SHIP_FAMILY_SMALL_ICON_FRAME) {
        const float c = SHIP_FAMILY_SMALL_ICON_SIDE / 2.0f;
        return ships_paint(s, 45, l.small_scale, SHIP_FAMILY_SMALL_ICON_SIDE, SHIP_FAMILY_SMALL_ICON_SIDE, c, c, seed);
    }
    if (frame == SHIP_FAMILY_LIST_FRAME)
        return ships_paint(s, 25, l.list_scale, SHIP_FAMILY_LIST_W, SHIP_FAMILY_LIST_H, SHIP_FAMILY_LIST_W / 2.0f,
                           SHIP_FAMILY_LIST_H / 2.0f, seed);
    const float c = float(l.alt_side) / 2;
    return ships_paint(s, 45.0f * float(frame - SHIP_FAMILY_ALT_FIRST), l.alt_scale, l.alt_side, l.alt_side, c, c, seed);
}

void frame_body(int frame, void *context) {
    FrameJob *job = static_cast<FrameJob *>(context);
    const Canvas canvas = paint_frame(*job->source, *job->layout, frame, job->seed);
    job->failures[size_t(frame)] =
        output_png_rgba(*job->root, frame_path(job->source->index, frame), canvas) == RES_OK ? 0 : 1;
}

Result write_hull(const std::string &root, const ShipSource &s, uint32_t seed) {
    const ShipLayout layout = ships_layout(s);
    Buffer params;
    if (Result r = ships_encode_params(s, layout, &params); r != RES_OK) return r;
    if (Result r = output_params(root, asset(s.index, "dat/params.dat"), params); r != RES_OK) return r;
    if (Result r = output_text(root, asset(s.index, "dat/desc.txt"), s.desc); r != RES_OK) return r;
    FrameJob job{&s, &layout, &root, hash_combine(seed, uint32_t(s.index)), std::vector<int>(SHIP_FAMILY_FRAMES, 0)};
    parallel_for(SHIP_FAMILY_FRAMES, THREADS, frame_body, &job);
    for (int failed : job.failures)
        if (failed) return RES_WRITE_FAILED;
    return RES_OK;
}

}  // namespace

Result ships_parse_source(const std::string &text, const std::string &file, ShipSource *out, std::string *error) {
    std::vector<ContentBlock> blocks;
    if (Result r = content_parse_blocks(text, file, &blocks, error); r != RES_OK) return r;
    *out = ShipSource{};
    out->file = file;
    if (blocks.empty() || !read_hull(blocks[0], file, out, error)) {
        if (blocks.empty()) *error = file + ": no [hull N] block";
        return RES_MALFORMED;
    }
    bool look = false;
    for (size_t i = 1; i < blocks.size(); ++i) {
        const ContentBlock &b = blocks[i];
        if (b.header == "look" && !look) {
            if (!read_look(b, file, &out->look, error)) return RES_MALFORMED;
            look = true;
        } else if (b.header == "crit") {
            ShipSourceCrit crit;
            if (!read_crit(b, file, &crit, error)) return RES_MALFORMED;
            out->crits.push_back(crit);
        } else {
            *error = where(file, b.line) + "expected one [look] and [crit] blocks";
            return RES_MALFORMED;
        }
    }
    if (!look || out->crits.empty()) {
        *error = file + ": a hull needs a [look] and at least one [crit]";
        return RES_MALFORMED;
    }
    // Every mount point must lie on the rotation frames' canvas at every heading.
    const float r = radius_of(*out);
    for (const ShipSourceCrit &c : out->crits)
        if (std::hypot(float(c.u), float(c.v)) > r) {
            *error = file + ": a crit lies outside the hull";
            return RES_MALFORMED;
        }
    return RES_OK;
}

std::string ships_content_folder() { return content_root() + "/ships"; }

Result ships_load_content(const std::string &folder, std::vector<ShipSource> *out, std::string *error) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.is_regular_file() && entry.path().extension() == ".txt") files.push_back(entry.path());
    if (ec) {
        *error = folder + ": cannot be listed";
        return RES_OPEN_FAILED;
    }
    std::sort(files.begin(), files.end());
    out->assign(SHIP_FAMILY_HULLS, ShipSource{});
    for (const auto &path : files) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        ShipSource source;
        if (Result r = ships_parse_source(text.str(), path.filename().string(), &source, error); r != RES_OK) return r;
        ShipSource &slot = (*out)[size_t(source.index)];
        if (slot.index >= 0) {
            *error = source.file + ": hull " + std::to_string(source.index) + " is already in " + slot.file;
            return RES_MALFORMED;
        }
        slot = std::move(source);
    }
    for (int i = 0; i < SHIP_FAMILY_HULLS; ++i)
        if ((*out)[size_t(i)].index < 0) {
            *error = folder + ": no file for hull " + std::to_string(i);
            return RES_MALFORMED;
        }
    return RES_OK;
}

namespace {

// The system cards round the design view: mounts on the rear half of the hull get a card in the
// column left of the view, the others in the column right of it; each card level with its mount
// where it can be, pushed down below the card above it, and the column lifted back when it runs
// past the view's bottom. A card's connector leaves from the middle of its edge facing the view.
void place_cards(const ShipSource &s, ShipLayout *l) {
    const int32_t scale = l->design_scale, view = l->side * scale;
    const int32_t origin_x = s.words[0], origin_y = s.words[1];
    for (int column = 0; column < 2; ++column) {
        std::vector<size_t> order;
        for (size_t i = 0; i < l->mounts.size(); ++i)
            if ((l->mounts[i].x * 2 >= l->side) == (column == 1)) order.push_back(i);
        auto level = [&](size_t i) { return origin_y + l->mounts[i].y * scale + scale / 2; };
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return level(a) < level(b); });
        const int32_t x = column == 0 ? origin_x - SHIP_FAMILY_CARD_GAP - SHIP_FAMILY_CARD_W
                                      : origin_x + view + SHIP_FAMILY_CARD_GAP;
        std::vector<int32_t> ys;
        for (size_t i : order) {
            int32_t y = level(i) - SHIP_FAMILY_CARD_H / 2;
            if (!ys.empty()) y = std::max(y, ys.back() + SHIP_FAMILY_CARD_H + SHIP_FAMILY_CARD_SPACING);
            ys.push_back(y);
        }
        const int32_t overrun = ys.empty() ? 0 : ys.back() + SHIP_FAMILY_CARD_H - (origin_y + view);
        const int32_t lift = std::clamp(overrun, 0, ys.empty() ? 0 : std::max(ys.front() - origin_y, 0));
        for (size_t k = 0; k < order.size(); ++k) {
            int32_t *d = l->mounts[order[k]].display;
            d[0] = x;
            d[1] = ys[k] - lift;
            d[2] = column == 0 ? x + SHIP_FAMILY_CARD_W : x;
            d[3] = d[1] + SHIP_FAMILY_CARD_H / 2;
        }
    }
}

}  // namespace

ShipLayout ships_layout(const ShipSource &s) {
    ShipLayout l;
    const float r = radius_of(s);
    l.side = 2 * int32_t(std::ceil(r + 2.0f));
    l.design_scale = std::max(2, (SHIP_FAMILY_DESIGN_SIDE + l.side / 2) / l.side);
    l.icon_scale = float(SHIP_FAMILY_ICON_SIDE - 4) / (2 * r);
    l.alt_scale = 0.6f;
    l.alt_side = 2 * int32_t(std::ceil(r * l.alt_scale + 1.0f));
    // The detail picture fits the hull as it lies at 25 degrees.
    float min_x = 0, max_x = 0, min_y = 0, max_y = 0;
    const float c25 = std::cos(25 * PI / 180), s25 = std::sin(25 * PI / 180);
    for (const auto &part : s.look.parts)
        for (const Point2 &p : part) {
            const Point2 q = to_screen(p.x, p.y, c25, s25, 1, 0, 0);
            min_x = std::min(min_x, q.x), max_x = std::max(max_x, q.x);
            min_y = std::min(min_y, q.y), max_y = std::max(max_y, q.y);
        }
    const float half_w = std::max(-min_x, max_x) + 3, half_h = std::max(-min_y, max_y) + 3;
    l.picture_scale = std::min((SHIP_FAMILY_PICTURE_W - 8) / (2 * half_w), (SHIP_FAMILY_PICTURE_H - 8) / (2 * half_h));
    l.list_scale = std::min((SHIP_FAMILY_LIST_W - 4) / (2 * half_w), (SHIP_FAMILY_LIST_H - 4) / (2 * half_h));
    l.small_scale = float(SHIP_FAMILY_SMALL_ICON_SIDE - 2) / (2 * r);

    const float centre = float(l.side) / 2;
    for (const ShipSourceCrit &c : s.crits) {
        ShipLayout::Mount m;
        for (int f = 0; f < SHIP_FAMILY_ROTATIONS; ++f) {
            const float a = float(f) * 10 * PI / 180;
            const Point2 p = to_screen(float(c.u), float(c.v), std::cos(a), std::sin(a), 1, centre, centre);
            // A hair over, so a point exactly on a pixel edge is not lost to rounding in the sine.
            m.xs.push_back(int32_t(std::floor(p.x + 1e-3f)));
            m.ys.push_back(int32_t(std::floor(p.y + 1e-3f)));
        }
        m.x = m.xs[0];
        m.y = m.ys[0];
        l.mounts.push_back(std::move(m));
    }
    place_cards(s, &l);
    return l;
}

Result ships_encode_params(const ShipSource &s, const ShipLayout &l, Buffer *out) {
    Result r = buffer_write_u32(out, s.hull_flags);
    const int32_t head[] = {0, SHIP_FAMILY_ROTATIONS - 1,                       // rotation frames
                            SHIP_FAMILY_ICON_FRAME, SHIP_FAMILY_DESIGN_FRAME,
                            SHIP_FAMILY_SMALL_ICON_FRAME, SHIP_FAMILY_LIST_FRAME,
                            SHIP_FAMILY_PICTURE_FRAME,
                            SHIP_FAMILY_ALT_FIRST, SHIP_FAMILY_ALT_FIRST + SHIP_FAMILY_ALT_COUNT - 1,
                            0, SHIP_FAMILY_ROTATIONS - 1,                       // detail views: the rotation frames
                            -1, -1,                                              // no third range
                            0};                                                  // no offset tables
    for (int32_t v : head)
        if (r == RES_OK) r = buffer_write_i32(out, v);
    if (r == RES_OK) r = buffer_write_i32(out, 1);   // centre tables
    for (int f = 0; r == RES_OK && f < SHIP_FAMILY_ROTATIONS; ++f) {
        r = buffer_write_i32(out, l.side / 2);
        if (r == RES_OK) r = buffer_write_i32(out, l.side / 2);
    }
    for (int32_t v : {s.armour, s.crew, s.speed, s.mass, s.capacity, s.roll_min, s.roll_max, s.scan_cost, s.scan_range})
        if (r == RES_OK) r = buffer_write_i32(out, v);
    if (r == RES_OK) r = buffer_write_string(out, s.name);
    if (r == RES_OK) r = buffer_write_i32(out, int32_t(s.crits.size()));
    for (size_t i = 0; r == RES_OK && i < s.crits.size(); ++i) {
        const ShipLayout::Mount &m = l.mounts[i];
        for (int32_t v : {m.x, m.y, s.crits[i].mount, s.crits[i].facing, int32_t(m.xs.size())})
            if (r == RES_OK) r = buffer_write_i32(out, v);
        for (size_t f = 0; r == RES_OK && f < m.xs.size(); ++f) {
            r = buffer_write_i32(out, m.xs[f]);
            if (r == RES_OK) r = buffer_write_i32(out, m.ys[f]);
        }
        for (int32_t v : m.display)
            if (r == RES_OK) r = buffer_write_i32(out, v);
    }
    for (int32_t v : {s.cost, s.rush_a, s.rush_b, s.words[0], s.words[1], s.words[2], s.death})
        if (r == RES_OK) r = buffer_write_i32(out, v);
    return r;
}

Canvas ships_paint(const ShipSource &s, float heading, float scale, int w, int h, float cx, float cy, uint32_t seed) {
    const float a = heading * PI / 180, ca = std::cos(a), sa = std::sin(a);
    auto screen = [&](float u, float v) { return to_screen(u, v, ca, sa, scale, cx, cy); };
    const ShipSourceLook &look = s.look;

    // The hull's silhouette, and a soft copy of it as a height field for the shading.
    Canvas mask = canvas_create(w, h);
    float half_width = 1;
    for (const auto &part : look.parts) {
        std::vector<Point2> poly;
        for (const Point2 &p : part) {
            poly.push_back(screen(p.x, p.y));
            half_width = std::max(half_width, std::fabs(p.y));
        }
        canvas_polygon(&mask, poly, {1, 1, 1, 1}, BLEND_OVER);
    }
    Canvas height = mask;
    const float soft = std::max(1.0f, std::min(half_width * 0.35f, 6.0f) * scale);
    canvas_blur(&height, soft);
    auto alpha = [](const Canvas &c, int x, int y) {
        x = std::clamp(x, 0, c.width - 1);
        y = std::clamp(y, 0, c.height - 1);
        return c.px[(size_t(y) * c.width + x) * 4 + 3];
    };

    // Lit metal: light from the upper left of the screen, so it stays put while the hull turns.
    const float lx = -0.5f, ly = -0.62f, lz = 0.6f;
    const float ln = std::sqrt(lx * lx + ly * ly + lz * lz);
    const float Lx = lx / ln, Ly = ly / ln, Lz = lz / ln;
    const float hx = Lx, hy = Ly, hz = Lz + 1, hn = std::sqrt(hx * hx + hy * hy + hz * hz);
    const float seam_width = std::max(0.45f, 0.9f / scale);
    Canvas body = canvas_create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float m = alpha(mask, x, y);
            if (m <= 0.004f) continue;
            const float dx = (float(x) + 0.5f - cx) / scale, dy = (float(y) + 0.5f - cy) / scale;
            const float u = dx * ca - dy * sa, v = -dx * sa - dy * ca;
            Colour base = look.metal;
            if (look.stripe && u >= float(look.stripe_from) && u <= float(look.stripe_to))
                base = mix(base, look.accent, 0.85f);
            float k = 0.92f + 0.16f * noise_fbm(u * 0.45f, v * 0.45f, seed, 3);
            if (look.seams > 0) {
                // Plates: each cell of the seam grid a shade of its own, the seams darker.
                const float cell_u = float(look.seams), cell_v = float(look.seams) * 0.7f;
                const uint32_t cell = hash_combine(hash_combine(seed, uint32_t(int32_t(std::floor(u / cell_u)))),
                                                   uint32_t(int32_t(std::floor(std::fabs(v) / cell_v))));
                k *= 0.93f + 0.14f * float(cell & 0xFF) / 255.0f;
                if (std::fmod(std::fabs(u) + 0.5f, cell_u) < seam_width) k *= 0.78f;
            }
            if (half_width > 8 && std::fabs(v) < seam_width * 0.5f) k *= 0.85f;
            const float strength = 2.4f * soft;
            const float gx = (alpha(height, x + 1, y) - alpha(height, x - 1, y)) * 0.5f * strength;
            const float gy = (alpha(height, x, y + 1) - alpha(height, x, y - 1)) * 0.5f * strength;
            const float nn = std::sqrt(gx * gx + gy * gy + 1);
            const float nx = -gx / nn, ny = -gy / nn, nz = 1 / nn;
            const float diffuse = std::max(0.0f, nx * Lx + ny * Ly + nz * Lz);
            const float gloss = std::pow(std::max(0.0f, (nx * hx + ny * hy + nz * hz) / hn), 40.0f);
            // Thick parts stand out; the thin rim darkens so the silhouette reads against space.
            const float thick = alpha(height, x, y);
            const float rim = thick < 0.45f ? 0.55f + thick : 1.0f;
            Colour c = scaled(base, k * rim * (0.18f + 0.72f * diffuse) * (0.85f + 0.3f * thick));
            c.r += gloss * 0.30f, c.g += gloss * 0.33f, c.b += gloss * 0.38f;
            c.a = m;
            canvas_set(&body, x, y, c);
        }

    // Mount points: turrets, armour plates; then the bridge and the exhaust nozzles.
    static const float FX[4] = {1, 0, -1, 0}, FY[4] = {0, 1, 0, -1};
    for (const ShipSourceCrit &c : s.crits) {
        const Point2 p = screen(float(c.u), float(c.v));
        if (c.mount == 0) {
            const Point2 tip = screen(float(c.u) + FX[c.facing] * 3.0f, float(c.v) + FY[c.facing] * 3.0f);
            canvas_line(&body, p.x, p.y, tip.x, tip.y, 0.9f * scale, {0.22f, 0.24f, 0.28f, 1}, BLEND_OVER);
            canvas_circle(&body, p.x, p.y, 1.7f * scale, {0.15f, 0.17f, 0.21f, 1}, BLEND_OVER);
            canvas_circle(&body, p.x, p.y, 0.9f * scale, scaled(look.metal, 0.75f), BLEND_OVER);
        } else if (c.mount == 2) {
            std::vector<Point2> plate;
            for (auto [du, dv] : {std::pair{2.4f, 2.0f}, {2.4f, -2.0f}, {-2.4f, -2.0f}, {-2.4f, 2.0f}})
                plate.push_back(screen(float(c.u) + du, float(c.v) + dv));
            canvas_polygon(&body, plate, scaled(look.metal, 0.62f), BLEND_OVER);
        }
    }
    if (look.bridge) {
        const Point2 p = screen(float(look.bridge_u), float(look.bridge_v));
        const float r = float(look.bridge_r) * scale;
        canvas_circle(&body, p.x, p.y, r, {0.07f, 0.14f, 0.27f, 1}, BLEND_OVER);
        canvas_circle(&body, p.x - 0.3f * r, p.y - 0.3f * r, 0.42f * r, {0.55f, 0.75f, 1.0f, 0.7f}, BLEND_OVER);
    }
    for (const ShipSourceLight &e : look.engines) {
        const Point2 p = screen(e.u, e.v);
        canvas_circle(&body, p.x, p.y, (e.r + 0.6f) * scale, {0.11f, 0.11f, 0.13f, 1}, BLEND_OVER);
    }

    // Light: exhaust glows and running lights, added over everything.
    Canvas glow = canvas_create(w, h);
    for (const ShipSourceLight &e : look.engines) {
        const Point2 p = screen(e.u, e.v);
        canvas_glow(&glow, p.x, p.y, e.r * 1.5f * scale, e.colour, BLEND_ADD);
        canvas_circle(&glow, p.x, p.y, e.r * 0.6f * scale, mix(e.colour, {1, 1, 1, 1}, 0.6f), BLEND_ADD);
    }
    for (const ShipSourceLight &l : look.lights) {
        const Point2 p = screen(l.u, l.v);
        canvas_circle(&glow, p.x, p.y, std::max(0.6f, l.r * 0.8f * scale), l.colour, BLEND_ADD);
        canvas_glow(&glow, p.x, p.y, (l.r + 1.4f) * scale, scaled(l.colour, 0.8f), BLEND_ADD);
    }

    // Every pixel opaque or transparent: the hull with a darkened rim, and strong light past it.
    Canvas out = canvas_create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Colour g = canvas_get(glow, x, y);
            const float shine = std::max(g.r, std::max(g.g, g.b));
            const Colour b = canvas_get(body, x, y);
            if (b.a >= 0.5f) {
                const float rim = 0.35f + 0.65f * b.a;
                canvas_set(&out, x, y, {std::min(1.0f, b.r * rim + g.r), std::min(1.0f, b.g * rim + g.g),
                                        std::min(1.0f, b.b * rim + g.b), 1});
            } else if (shine >= 0.45f) {
                canvas_set(&out, x, y, {std::min(1.0f, g.r), std::min(1.0f, g.g), std::min(1.0f, g.b), 1});
            }
        }
    return out;
}

int ships_family_generate(const std::string &root, uint32_t seed) {
    std::vector<ShipSource> sources;
    std::string error;
    if (ships_load_content(ships_content_folder(), &sources, &error) != RES_OK) {
        std::fprintf(stderr, "assetgen: %s\n", error.c_str());
        return 1;
    }
    for (const ShipSource &s : sources)
        if (write_hull(root, s, seed) != RES_OK) {
            std::fprintf(stderr, "assetgen: ship %i \"%s\" could not be written\n", s.index, s.name.c_str());
            return 1;
        }
    return 0;
}

void ships_family_list_paths(std::vector<std::string> *out) {
    for (int32_t i = 0; i < SHIP_FAMILY_HULLS; ++i) {
        out->push_back(asset(i, "dat/params.dat"));
        out->push_back(asset(i, "dat/desc.txt"));
        for (int f = 0; f < SHIP_FAMILY_FRAMES; ++f) out->push_back(frame_path(i, f));
    }
}
