// The sectors family: the template blocks, their parameter files and the star painter.
#include "assetgen/family_sectors.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include "assetgen/content_source.h"
#include "assetgen/output.h"
#include "platform/buffer.h"

namespace {

constexpr int SITE_TEMPLATES = 16;
constexpr const char *SOURCE = "sectors/sectors.txt";

// Light below a cut-off stays transparent. The cut-off is dithered (4 x 4 ordered) between two
// levels so that the glow's rim breaks up instead of ending in a hard ring.
constexpr float DIM_LOW = 8.0f / 255.0f, DIM_HIGH = 30.0f / 255.0f;
constexpr int   BAYER[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

std::string where(const std::string &source, int line) { return source + ":" + std::to_string(line) + ": "; }

bool parse_colour(const std::string &value, Colour *out) {
    std::vector<int32_t> v;
    if (content_parse_ints(value, &v) != RES_OK || v.size() != 3) return false;
    for (int32_t c : v)
        if (c < 0 || c > 255) return false;
    *out = Colour{float(v[0]) / 255.0f, float(v[1]) / 255.0f, float(v[2]) / 255.0f, 1.0f};
    return true;
}

bool parse_one(const std::string &value, int32_t *out) {
    std::vector<int32_t> v;
    if (content_parse_ints(value, &v) != RES_OK || v.size() != 1) return false;
    *out = v[0];
    return true;
}

Result parse_block(const ContentBlock &block, const std::string &source, SectorSource *out, std::string *error) {
    auto refuse = [&](int line, const std::string &why) {
        if (error) *error = where(source, line) + why;
        return RES_MALFORMED;
    };
    std::set<std::string> seen;
    for (const ContentField &f : block.fields) {
        if (f.key != "site" && !seen.insert(f.key).second) return refuse(f.line, "\"" + f.key + "\" given twice");
        if (f.key == "name") {
            if (f.value.empty()) return refuse(f.line, "an empty name");
            out->name = f.value;
        } else if (f.key == "flags") {
            std::vector<std::string> words;
            size_t from = 0;
            const std::string &v = f.value;
            while (from < v.size()) {
                const size_t start = v.find_first_not_of(" \t", from);
                if (start == std::string::npos) break;
                const size_t end = v.find_first_of(" \t", start);
                words.push_back(v.substr(start, end == std::string::npos ? std::string::npos : end - start));
                from = end == std::string::npos ? v.size() : end;
            }
            for (const std::string &word : words) {
                if (word != "quiet") return refuse(f.line, "unknown flag \"" + word + "\"");
                out->flags |= 0x1;
            }
        } else if (f.key == "site") {
            std::vector<int32_t> v;
            if (content_parse_ints(f.value, &v) != RES_OK || v.size() != 3)
                return refuse(f.line, "site: a site template and two figures");
            if (v[0] < 0 || v[0] >= SITE_TEMPLATES) return refuse(f.line, "site: a site template 0..15");
            out->choices.push_back({v[0], v[1], v[2]});
        } else if (f.key == "site_counts") {
            if (content_parse_ints(f.value, &out->site_counts) != RES_OK) return refuse(f.line, "site_counts: integers");
            for (int32_t n : out->site_counts)
                if (n < 0) return refuse(f.line, "site_counts: a negative count");
        } else if (f.key == "core" || f.key == "corona" || f.key == "halo") {
            Colour *c = f.key == "core" ? &out->look.core : f.key == "corona" ? &out->look.corona : &out->look.halo;
            if (!parse_colour(f.value, c)) return refuse(f.line, f.key + ": three values 0..255");
        } else if (f.key == "size" || f.key == "radius") {
            int32_t *field = f.key == "size" ? &out->size : &out->radius;
            if (!parse_one(f.value, field) || *field < 1) return refuse(f.line, f.key + ": a positive integer");
        } else {
            return refuse(f.line, "unknown key \"" + f.key + "\"");
        }
    }
    for (const char *key : {"name", "flags", "site_counts", "core", "corona", "halo", "size", "radius"})
        if (!seen.count(key)) return refuse(block.line, std::string("missing \"") + key + "\"");
    if (out->radius * 4 > out->size * 10) return refuse(block.line, "the disc does not fit its frame");
    return RES_OK;
}

float smooth_clip(float v) {
    if (v < 0.8f) return std::max(v, 0.0f);
    return 0.8f + 0.2f * (1.0f - std::exp(-(v - 0.8f) / 0.2f));
}

// How far along each of the four spikes reaches in a twinkle frame, relative to the others.
constexpr float SPIKE_SCALE[SECTOR_FAMILY_FRAMES][2] = {{1.00f, 0.55f}, {0.82f, 0.70f}, {1.14f, 0.48f}, {0.92f, 0.62f}};
constexpr float CORONA_FLICKER[SECTOR_FAMILY_FRAMES] = {1.00f, 0.94f, 1.06f, 0.97f};

}  // namespace

Result sectors_parse(const std::string &text, const std::string &source, std::vector<SectorSource> *out,
                     std::string *error) {
    std::vector<ContentBlock> blocks;
    if (Result r = content_parse_blocks(text, source, &blocks, error); r != RES_OK) return r;
    out->assign(size_t(SECTOR_FAMILY_TEMPLATES), SectorSource{});
    for (const ContentBlock &block : blocks) {
        int32_t number = -1;
        if (block.header.rfind("sector ", 0) != 0 || !parse_one(block.header.substr(7), &number) || number < 0 ||
            number >= SECTOR_FAMILY_TEMPLATES) {
            if (error) *error = where(source, block.line) + "expected [sector 0] .. [sector 5]";
            return RES_MALFORMED;
        }
        SectorSource &s = (*out)[size_t(number)];
        if (s.number >= 0) {
            if (error) *error = where(source, block.line) + "sector " + std::to_string(number) + " given twice";
            return RES_MALFORMED;
        }
        s.number = number;
        if (Result r = parse_block(block, source, &s, error); r != RES_OK) return r;
    }
    for (const SectorSource &s : *out)
        if (s.number < 0) {
            if (error) *error = source + ": sector " + std::to_string(&s - out->data()) + " is missing";
            return RES_MALFORMED;
        }
    return RES_OK;
}

Result sectors_encode_params(const SectorSource &s, Buffer *out) {
    Result r = buffer_write_u32(out, s.flags);
    if (r == RES_OK) r = buffer_write_string(out, s.name);
    if (r == RES_OK) r = buffer_write_i32(out, int32_t(s.choices.size()));
    for (const SectorChoice &c : s.choices)
        for (int32_t v : {c.site, c.a, c.b})
            if (r == RES_OK) r = buffer_write_i32(out, v);
    if (r == RES_OK) r = buffer_write_i32(out, int32_t(s.site_counts.size()));
    for (int32_t n : s.site_counts)
        if (r == RES_OK) r = buffer_write_i32(out, n);
    return r;
}

Canvas sectors_paint_star(const StarLook &look, int size, float radius, int twinkle, uint32_t seed) {
    twinkle = ((twinkle % SECTOR_FAMILY_FRAMES) + SECTOR_FAMILY_FRAMES) % SECTOR_FAMILY_FRAMES;
    Canvas light = canvas_create(size, size, Colour{0, 0, 0, 1});
    const float c = float(size) * 0.5f;
    const float flicker = CORONA_FLICKER[twinkle];

    // Wide halo and the bright inner corona.
    canvas_glow(&light, c, c, radius * 2.4f, Colour{look.halo.r, look.halo.g, look.halo.b, 0.20f * flicker}, BLEND_ADD);
    canvas_glow(&light, c, c, radius * 1.55f, Colour{look.corona.r, look.corona.g, look.corona.b, 0.75f * flicker},
                BLEND_ADD);

    const float long_spike = radius * 3.1f * SPIKE_SCALE[twinkle][0];
    const float short_spike = radius * 2.2f * SPIKE_SCALE[twinkle][1];
    const float spike_width = std::max(0.45f, radius * 0.07f);
    const float spin = 0.06f * float(twinkle % 2 ? 1 : -1);   // a breath of rotation between frames
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float dx = float(x) + 0.5f - c, dy = float(y) + 0.5f - c;
            const float dist = std::sqrt(dx * dx + dy * dy);
            const float d = dist / radius;
            float glow = 0;
            if (d > 0.85f) {
                // Streamers: brightness varies with the angle, fading outward; granules on top.
                const float angle = std::atan2(dy, dx);
                const float sx = std::cos(angle) * 2.2f, sy = std::sin(angle) * 2.2f;
                const float streak = noise_fbm(sx + 11.0f, sy + 7.0f, seed, 3);
                const float grain = noise_value(dx * 0.9f, dy * 0.9f, seed ^ 0x5bd1e995u);
                const float fall = std::exp(-(d - 0.85f) * 2.4f);
                glow += fall * (0.25f + 1.1f * streak * streak) * (0.85f + 0.3f * grain) * 0.55f * flicker;
            }
            // Four fine spikes: a long cross and a shorter diagonal pair.
            for (int k = 0; k < 4; ++k) {
                const float a = spin + float(k) * 0.78539816f;   // 0, 45, 90, 135 degrees
                const float ux = std::cos(a), uy = std::sin(a);
                const float along = std::fabs(dx * ux + dy * uy);
                const float across = std::fabs(-dx * uy + dy * ux);
                const float reach = (k % 2 == 0) ? long_spike : short_spike;
                if (along >= reach) continue;
                const float t = 1.0f - along / reach;
                const float w = std::exp(-(across * across) / (spike_width * spike_width));
                glow += w * t * t * ((k % 2 == 0) ? 0.9f : 0.5f);
            }
            if (glow > 0)
                canvas_blend(&light, x, y, Colour{look.corona.r, look.corona.g, look.corona.b, 1.0f},
                             std::min(glow, 4.0f), BLEND_ADD);
            // The disc with limb darkening and a white-hot centre, its edge anti-aliased.
            const float cover = std::clamp(radius - dist + 0.5f, 0.0f, 1.0f);
            if (cover > 0) {
                const float mu = std::sqrt(std::max(0.0f, 1.0f - d * d));
                const float limb = 0.72f + 0.28f * mu;
                const float granule = 0.94f + 0.06f * noise_value(dx * 1.7f, dy * 1.7f, seed ^ 0x27d4eb2du);
                Colour disc{look.core.r * limb * granule, look.core.g * limb * granule, look.core.b * limb * granule, 1};
                canvas_blend(&light, x, y, disc, cover, BLEND_OVER);
                canvas_blend(&light, x, y, Colour{1, 1, 1, 0.35f * mu * mu}, cover, BLEND_ADD);
            }
        }

    // Light into colour, faded out towards the frame's edge; the dimmest light becomes a hole.
    Canvas out = canvas_create(size, size, Colour{0, 0, 0, 0});
    for (size_t i = 0; i < out.px.size(); i += 4) {
        const size_t p = i / 4;
        const float dx = float(p % size_t(size)) + 0.5f - c, dy = float(p / size_t(size)) + 0.5f - c;
        const float edge = std::clamp((c - std::sqrt(dx * dx + dy * dy)) / (0.3f * c), 0.0f, 1.0f);
        const float fade = edge * edge * (3 - 2 * edge);
        const float r = smooth_clip(light.px[i] * fade), g = smooth_clip(light.px[i + 1] * fade),
                    b = smooth_clip(light.px[i + 2] * fade);
        const float cut = DIM_LOW + (DIM_HIGH - DIM_LOW) * (float(BAYER[(p / size_t(size)) % 4][p % 4]) + 0.5f) / 16.0f;
        if (std::max({r, g, b}) < cut) continue;
        out.px[i] = r;
        out.px[i + 1] = g;
        out.px[i + 2] = b;
        out.px[i + 3] = 1;
    }
    return out;
}

int sectors_family_generate(const std::string &root, uint32_t seed) {
    std::string text, error;
    std::vector<SectorSource> sectors;
    if (content_read(SOURCE, &text, &error) != RES_OK || sectors_parse(text, SOURCE, &sectors, &error) != RES_OK) {
        std::fprintf(stderr, "assetgen: %s\n", error.c_str());
        return 1;
    }
    char path[48];
    for (const SectorSource &s : sectors) {
        Buffer params;
        if (sectors_encode_params(s, &params) != RES_OK) return 1;
        std::snprintf(path, sizeof path, "sector/%.3i/dat/params.dat", int(s.number));
        if (output_params(root, path, params) != RES_OK) return 1;
        const uint32_t star_seed = hash_combine(seed, uint32_t(s.number) * 7919u + 17u);
        for (int f = 0; f < SECTOR_FAMILY_FRAMES; ++f) {
            const Canvas star = sectors_paint_star(s.look, s.size, float(s.radius) / 10.0f, f, star_seed);
            std::snprintf(path, sizeof path, "sector/%.3i/png/%.3i.png", int(s.number), f);
            if (output_png_rgba(root, path, star) != RES_OK) return 1;
        }
    }
    return 0;
}

void sectors_family_list_paths(std::vector<std::string> *out) {
    char path[48];
    for (int t = 0; t < SECTOR_FAMILY_TEMPLATES; ++t) {
        std::snprintf(path, sizeof path, "sector/%.3i/dat/params.dat", t);
        out->push_back(path);
        for (int f = 0; f < SECTOR_FAMILY_FRAMES; ++f) {
            std::snprintf(path, sizeof path, "sector/%.3i/png/%.3i.png", t, f);
            out->push_back(path);
        }
    }
}
