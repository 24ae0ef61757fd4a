// The sites family: the site and feature sources compiled with the game's Buffer, and the
// painted frames written beside them.
#include "assetgen/family_sites.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>
#include "assetgen/canvas.h"
#include "assetgen/content_source.h"
#include "assetgen/output.h"
#include "assetgen/site_art.h"
#include "world/site_flags.h"

namespace {

constexpr int ATTRIBUTES = 5;
constexpr int HARVESTER = 13;
constexpr int HARVESTER_ANIMATIONS = 8;

std::string where(const std::string &source, int line) { return source + ":" + std::to_string(line) + ": "; }

struct Flag {
    const char *name;
    uint32_t    bit;
};

struct Animation {
    uint32_t             flags = 0;
    std::vector<int32_t> pairs;   // frame, ms, frame, ms ...
};

// Every field of a site file. Integer keys hold their numbers in file order.
struct SiteSource {
    std::string                       name, desc;
    uint32_t                          flags = 0;
    std::map<std::string, std::vector<int32_t>> ints;
    std::vector<std::vector<int32_t>> variants;
    std::vector<Animation>            animations;
    std::vector<int32_t>              range_offsets, hotspots;
    bool                              has_range_offsets = false, has_hotspots = false;
};

// The integer keys and how many numbers each holds, in the order they are written.
struct IntKey {
    const char *name;
    size_t      count;
};

const IntKey INT_KEYS[] = {
    {"build_cost", 1},       {"build_days", 1},     {"rush", 2},           {"frame_range", 2},
    {"construction_frame", 1}, {"special_frame", 1}, {"idle_animation", 1}, {"idle_choices", 1},
    {"resources", 2},        {"divisor", 2},        {"crew_capacity", 1},  {"sensor_range", 1},
    {"base_intake", 1},      {"placement", 4},      {"harvest_factor", 1}, {"research_factor", 1},
    {"speed", 1},            {"attributes", 10},    {"grid", 3},           {"grid_colours", 6},
    {"defense", 2},          {"defense_rush", 2},   {"halo_style", 1},     {"spare", 4},
};

const IntKey *find_int_key(const std::string &key) {
    for (const IntKey &k : INT_KEYS)
        if (key == k.name) return &k;
    return nullptr;
}

bool parse_animation(const std::string &value, Animation *out, std::string *why) {
    const size_t colon = value.find(':');
    if (colon == std::string::npos) {
        *why = "animation: \"flags : frame ms ...\" expected";
        return false;
    }
    std::vector<int32_t> flags, pairs;
    if (content_parse_ints(value.substr(0, colon), &flags) != RES_OK || flags.size() != 1 || flags[0] < 0 ||
        content_parse_ints(value.substr(colon + 1), &pairs) != RES_OK || pairs.empty() || pairs.size() % 2 != 0) {
        *why = "animation: one flag word, then pairs of frame and milliseconds";
        return false;
    }
    for (size_t i = 1; i < pairs.size(); i += 2)
        if (pairs[i] < 1) {
            *why = "animation: every frame needs at least 1 ms";
            return false;
        }
    out->flags = uint32_t(flags[0]);
    out->pairs = pairs;
    return true;
}

bool read_site(const ContentBlock &block, const std::string &source, SiteSource *s, std::string *error) {
    std::map<std::string, int> seen;
    for (const ContentField &f : block.fields) {
        const bool repeats = f.key == "variant" || f.key == "animation";
        if (!repeats && !seen.emplace(f.key, f.line).second) {
            *error = where(source, f.line) + "\"" + f.key + "\" given twice";
            return false;
        }
        std::string why;
        std::vector<int32_t> numbers;
        if (f.key == "name") {
            s->name = f.value;
        } else if (f.key == "desc") {
            s->desc = f.value;
        } else if (f.key == "flags") {
            std::istringstream words(f.value);
            for (std::string word; words >> word;) {
                const SiteTemplateFlag *flag = nullptr;
                for (const SiteTemplateFlag &candidate : SITE_TEMPLATE_FLAGS)
                    if (word == candidate.word) flag = &candidate;
                if (!flag) {
                    *error = where(source, f.line) + "unknown flag \"" + word + "\"";
                    return false;
                }
                s->flags |= flag->bit;
            }
        } else if (f.key == "variant") {
            if (content_parse_ints(f.value, &numbers) != RES_OK || numbers.size() != 4) {
                *error = where(source, f.line) + "variant: idle animation, value, resource min and max";
                return false;
            }
            s->variants.push_back(numbers);
        } else if (f.key == "animation") {
            Animation anim;
            if (!parse_animation(f.value, &anim, &why)) {
                *error = where(source, f.line) + why;
                return false;
            }
            s->animations.push_back(anim);
        } else if (f.key == "range_offsets" || f.key == "hotspots") {
            if (content_parse_ints(f.value, &numbers) != RES_OK || numbers.empty() || numbers.size() % 2 != 0) {
                *error = where(source, f.line) + f.key + ": pairs of x and y";
                return false;
            }
            (f.key == "hotspots" ? s->hotspots : s->range_offsets) = numbers;
            (f.key == "hotspots" ? s->has_hotspots : s->has_range_offsets) = true;
        } else if (const IntKey *k = find_int_key(f.key)) {
            if (content_parse_ints(f.value, &numbers) != RES_OK || numbers.size() != k->count) {
                *error = where(source, f.line) + f.key + ": " + std::to_string(k->count) + " integers expected";
                return false;
            }
            s->ints[f.key] = numbers;
        } else {
            *error = where(source, f.line) + "unknown key \"" + f.key + "\"";
            return false;
        }
    }
    for (const char *required : {"name", "desc", "flags"})
        if (!seen.count(required)) {
            *error = where(source, block.line) + "\"" + required + "\" missing";
            return false;
        }
    for (const IntKey &k : INT_KEYS)
        if (!s->ints.count(k.name)) {
            *error = where(source, block.line) + "\"" + k.name + "\" missing";
            return false;
        }
    if (s->name.empty() || s->desc.empty()) {
        *error = where(source, block.line) + "name and desc must not be empty";
        return false;
    }
    return true;
}

// What the game relies on: frames that exist, animations that exist, ranges in order.
bool check_site(const SiteSource &s, const std::string &source, int line, int number, int frame_count,
                std::string *error) {
    auto fail = [&](const std::string &what) {
        *error = where(source, line) + what;
        return false;
    };
    auto frame_ok = [&](int32_t f) { return f >= 0 && f < frame_count; };
    const std::vector<int32_t> &range = s.ints.at("frame_range");
    if (range[1] < 1 || !frame_ok(range[0]) || !frame_ok(range[0] + range[1] - 1))
        return fail("frame_range outside the " + std::to_string(frame_count) + " painted frames");
    if (!frame_ok(s.ints.at("construction_frame")[0]) || !frame_ok(s.ints.at("special_frame")[0]))
        return fail("construction_frame or special_frame outside the painted frames");
    if (s.animations.empty()) return fail("at least one animation is needed");
    for (const Animation &a : s.animations)
        for (size_t i = 0; i < a.pairs.size(); i += 2)
            if (!frame_ok(a.pairs[i])) return fail("an animation shows frame " + std::to_string(a.pairs[i]) +
                                                   ", which is not painted");
    const int32_t anims = int32_t(s.animations.size());
    const int32_t idle = s.ints.at("idle_animation")[0], choices = s.ints.at("idle_choices")[0];
    if (idle < 0 || choices < 1 || idle + choices > anims) return fail("idle animations outside the animations");
    for (const std::vector<int32_t> &v : s.variants) {
        if (v[0] < 0 || v[0] + choices > anims) return fail("a variant's idle animation does not exist");
        if (v[2] > v[3]) return fail("a variant's resource range is reversed");
    }
    if (bool(s.flags & SITE_TF_VARIANTS) != !s.variants.empty()) return fail("variants and the variants flag go together");
    if (number == HARVESTER && anims < HARVESTER_ANIMATIONS) return fail("the harvester needs its eight animations");
    if (s.has_range_offsets && int32_t(s.range_offsets.size()) != 2 * range[1])
        return fail("range_offsets needs one pair per detail frame");
    if (s.has_hotspots && int32_t(s.hotspots.size()) > 2 * frame_count)
        return fail("more hotspots than painted frames");
    const std::vector<int32_t> &attr = s.ints.at("attributes");
    for (int i = 0; i < ATTRIBUTES; ++i)
        if (attr[size_t(2 * i)] > attr[size_t(2 * i + 1)]) return fail("an attribute range is reversed");
    for (const char *key : {"resources", "divisor", "rush"})
        if (s.ints.at(key)[0] > s.ints.at(key)[1]) return fail(std::string(key) + " is reversed");
    if ((s.flags & SITE_TF_RESOURCE) && (s.ints.at("resources")[0] < 1 || s.ints.at("divisor")[0] < 1))
        return fail("a resource body needs resources and a divisor of at least 1");
    const std::vector<int32_t> &grid = s.ints.at("grid");
    if (grid[0] != 0 && (grid[0] < 1 || grid[0] > 5 || grid[1] < 21 || grid[2] < 21))
        return fail("grid: generator 1..5 and a size of at least 21 x 21, or generator 0");
    for (int32_t c : s.ints.at("grid_colours"))
        if (c < 0 || c > 255) return fail("grid_colours are bytes");
    return true;
}

Result write_site(const SiteSource &s, Buffer *out) {
    auto ints = [&](const char *key) -> const std::vector<int32_t> & { return s.ints.at(key); };
    Result r = buffer_write_string(out, s.name);
    if (r == RES_OK) r = buffer_write_u32(out, s.flags);
    if (r == RES_OK) r = buffer_write_i32(out, int32_t(s.variants.size()));
    for (const std::vector<int32_t> &v : s.variants)
        for (int32_t w : v)
            if (r == RES_OK) r = buffer_write_i32(out, w);
    const std::vector<int32_t> &spare = ints("spare");
    const std::vector<int32_t> words = {
        ints("build_cost")[0],      ints("build_days")[0],     ints("rush")[0],          ints("rush")[1],
        ints("frame_range")[0],     ints("frame_range")[1],    s.variants.empty() ? 0 : s.variants[0][1],
        spare[0],                   ints("construction_frame")[0], ints("special_frame")[0], spare[1],
        ints("idle_animation")[0],  ints("idle_choices")[0],   ints("resources")[0],     ints("resources")[1],
        ints("divisor")[0],         ints("divisor")[1],        ints("crew_capacity")[0], ints("sensor_range")[0],
        ints("base_intake")[0],     ints("placement")[0],      ints("placement")[1],     ints("placement")[2],
        ints("placement")[3],       ints("harvest_factor")[0], ints("research_factor")[0], spare[2],
        ints("speed")[0]};
    for (int32_t w : words)
        if (r == RES_OK) r = buffer_write_i32(out, w);
    for (int32_t w : ints("attributes"))
        if (r == RES_OK) r = buffer_write_i32(out, w);
    for (int32_t w : ints("grid"))
        if (r == RES_OK) r = buffer_write_i32(out, w);
    for (int32_t c : ints("grid_colours"))
        if (r == RES_OK) r = buffer_write_u8(out, uint8_t(c));
    if (r == RES_OK) r = buffer_write_i32(out, int32_t(s.animations.size()));
    for (const Animation &a : s.animations) {
        if (r == RES_OK) r = buffer_write_u32(out, a.flags);
        if (r == RES_OK) r = buffer_write_u32(out, uint32_t(a.pairs.size() / 2));
        for (int32_t w : a.pairs)
            if (r == RES_OK) r = buffer_write_u32(out, uint32_t(w));
    }
    if (r == RES_OK) r = buffer_write_i32(out, s.has_range_offsets ? 1 : 0);
    for (int32_t w : s.range_offsets)
        if (r == RES_OK) r = buffer_write_i32(out, w);
    if (r == RES_OK) r = buffer_write_i32(out, int32_t(s.hotspots.size() / 2));
    for (int32_t w : s.hotspots)
        if (r == RES_OK) r = buffer_write_i32(out, w);
    for (int32_t w : {ints("defense")[0], ints("defense")[1], ints("halo_style")[0], spare[3], ints("defense_rush")[0],
                      ints("defense_rush")[1]})
        if (r == RES_OK) r = buffer_write_i32(out, w);
    return r;
}

// ---- Features ----

struct FeatureSource {
    std::string name, desc, desc_own, desc_other, gather;
    int32_t     doubles = 0, spare = 0, bag = 0, mask = 0;
    int32_t     bonus[2] = {};
    int32_t     levels[3][3] = {};
};

const Flag BODY_WORDS[] = {
    {"barren", 1}, {"terran", 2}, {"asteroids", 4}, {"gas", 8}, {"ice", 16}, {"keep", 32},
};

bool one_int(const std::string &value, int32_t *out) {
    std::vector<int32_t> v;
    if (content_parse_ints(value, &v) != RES_OK || v.size() != 1) return false;
    *out = v[0];
    return true;
}

bool read_feature(const ContentBlock &block, int kind, const std::string &source, FeatureSource *f,
                  std::string *error) {
    std::map<std::string, int> seen;
    for (const ContentField &field : block.fields) {
        if (!seen.emplace(field.key, field.line).second) {
            *error = where(source, field.line) + "\"" + field.key + "\" given twice";
            return false;
        }
        std::vector<int32_t> v;
        bool ok = true;
        const std::string &key = field.key;
        if (key == "name") f->name = field.value;
        else if (key == "desc") f->desc = field.value;
        else if (key == "desc_own") f->desc_own = field.value;
        else if (key == "desc_other") f->desc_other = field.value;
        else if (key == "gather") f->gather = field.value;
        else if (key == "doubles") ok = one_int(field.value, &f->doubles) && (f->doubles == 0 || f->doubles == 1);
        else if (key == "spare") ok = one_int(field.value, &f->spare);
        else if (key == "bag") ok = one_int(field.value, &f->bag) && f->bag >= 0;
        else if (key == "bonus") {
            ok = content_parse_ints(field.value, &v) == RES_OK && v.size() == 2 && v[0] <= v[1];
            if (ok) f->bonus[0] = v[0], f->bonus[1] = v[1];
        } else if (key == "bodies") {
            std::istringstream words(field.value);
            for (std::string word; ok && words >> word;) {
                const Flag *bit = nullptr;
                for (const Flag &candidate : BODY_WORDS)
                    if (word == candidate.name) bit = &candidate;
                ok = bit != nullptr;
                if (ok) f->mask |= int32_t(bit->bit);
            }
        } else if (key.rfind("level ", 0) == 0) {
            const std::string n = key.substr(6);
            ok = (n == "0" || n == "1" || n == "2") && content_parse_ints(field.value, &v) == RES_OK &&
                 v.size() == 3 && v[0] >= -1 && v[1] >= 0 && v[1] <= v[2];
            if (ok)
                for (int i = 0; i < 3; ++i) f->levels[n[0] - '0'][i] = v[size_t(i)];
        } else {
            *error = where(source, field.line) + "unknown key \"" + key + "\"";
            return false;
        }
        if (!ok) {
            *error = where(source, field.line) + "bad value for \"" + key + "\"";
            return false;
        }
    }
    const bool home = kind == SITES_FAMILY_FEATURES - 1;
    std::vector<const char *> required = {"name", "doubles", "spare", "bag", "bodies", "bonus",
                                          "level 0", "level 1", "level 2", "gather"};
    required.push_back(home ? "desc_own" : "desc");
    if (home) required.push_back("desc_other");
    for (const char *key : required)
        if (!seen.count(key)) {
            *error = where(source, block.line) + "\"" + key + "\" missing";
            return false;
        }
    if (!home && (seen.count("desc_own") || seen.count("desc_other"))) {
        *error = where(source, block.line) + "only the home colony has desc_own and desc_other";
        return false;
    }
    if ((f->mask & 31) == 0) {
        *error = where(source, block.line) + "a feature needs a body that may carry it";
        return false;
    }
    return true;
}

Result write_feature(int32_t kind, const FeatureSource &f, Buffer *out) {
    Result r = buffer_write_u32(out, uint32_t(kind));
    if (r == RES_OK) r = buffer_write_u32(out, uint32_t(f.doubles));
    for (int32_t w : {f.spare, f.bag, f.mask, f.bonus[0], f.bonus[1]})
        if (r == RES_OK) r = buffer_write_i32(out, w);
    for (const auto &level : f.levels)
        for (int32_t w : level)
            if (r == RES_OK) r = buffer_write_i32(out, w);
    return r;
}

// ---- Files ----

// The source file of template n: the one file "NN_*.txt" of content/sites.
Result find_site_file(int n, std::string *relative, std::string *error) {
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%.2i_", n);
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(content_root() + "/sites", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && name.size() > 7 && name.substr(name.size() - 4) == ".txt")
            found.push_back(name);
    }
    if (ec || found.size() != 1) {
        *error = "sites/" + std::string(prefix) + "*.txt: exactly one file expected, " + std::to_string(found.size()) +
                 " found";
        return RES_OPEN_FAILED;
    }
    *relative = "sites/" + found[0];
    return RES_OK;
}

std::string site_path(int t, const char *rest) {
    char path[48];
    std::snprintf(path, sizeof path, "site/%.3i/%s", t, rest);
    return path;
}

std::string frame_path(int t, int frame) {
    char path[48];
    std::snprintf(path, sizeof path, "site/%.3i/png/%.3i.png", t, frame);
    return path;
}

struct PaintJob {
    std::string       root;
    uint32_t          seed = 0;
    std::vector<std::pair<int, int>> frames;   // template, frame
    std::atomic<bool> failed{false};
};

void paint_one(int index, void *context) {
    PaintJob *job = static_cast<PaintJob *>(context);
    const auto [t, frame] = job->frames[size_t(index)];
    const Canvas canvas = site_art_paint(t, frame, job->seed);
    if (output_png_rgba(job->root, frame_path(t, frame), canvas) != RES_OK) job->failed = true;
}

}  // namespace

Result sites_compile_site(const std::string &text, const std::string &source, int number, int frame_count,
                          SiteCompiled *out, std::string *error) {
    std::vector<ContentBlock> blocks;
    if (Result r = content_parse_blocks(text, source, &blocks, error); r != RES_OK) return r;
    if (blocks.size() != 1 || blocks[0].header != "site " + std::to_string(number)) {
        *error = source + ": one block [site " + std::to_string(number) + "] expected";
        return RES_MALFORMED;
    }
    SiteSource site;
    if (!read_site(blocks[0], source, &site, error)) return RES_MALFORMED;
    if (!check_site(site, source, blocks[0].line, number, frame_count, error)) return RES_MALFORMED;
    buffer_clear(&out->params);
    if (Result r = write_site(site, &out->params); r != RES_OK) return r;
    out->desc = site.desc;
    return RES_OK;
}

Result sites_compile_features(const std::string &text, const std::string &source, FeaturesCompiled *out,
                              std::string *error) {
    std::vector<ContentBlock> blocks;
    if (Result r = content_parse_blocks(text, source, &blocks, error); r != RES_OK) return r;
    if (blocks.size() != size_t(SITES_FAMILY_FEATURES)) {
        *error = source + ": " + std::to_string(SITES_FAMILY_FEATURES) + " [feature n] blocks expected";
        return RES_MALFORMED;
    }
    buffer_clear(&out->params);
    out->descs.clear();
    out->gather_descs.clear();
    for (int kind = 0; kind < SITES_FAMILY_FEATURES; ++kind) {
        const ContentBlock &block = blocks[size_t(kind)];
        if (block.header != "feature " + std::to_string(kind)) {
            *error = where(source, block.line) + "expected [feature " + std::to_string(kind) + "]";
            return RES_MALFORMED;
        }
        FeatureSource f;
        if (!read_feature(block, kind, source, &f, error)) return RES_MALFORMED;
        if (Result r = write_feature(kind, f, &out->params); r != RES_OK) return r;
        if (kind == SITES_FAMILY_FEATURES - 1) {
            out->descs.push_back(f.desc_own);
            out->descs.push_back(f.desc_other);
        } else {
            out->descs.push_back(f.desc);
        }
        out->gather_descs.push_back(f.gather);
    }
    return RES_OK;
}

int sites_family_generate(const std::string &root, uint32_t seed) {
    std::string error;
    for (int t = 0; t < SITES_FAMILY_TEMPLATES; ++t) {
        std::string relative, text;
        SiteCompiled compiled;
        if (find_site_file(t, &relative, &error) != RES_OK || content_read(relative, &text, &error) != RES_OK ||
            sites_compile_site(text, relative, t, site_art_frame_count(t), &compiled, &error) != RES_OK) {
            std::fprintf(stderr, "assetgen: %s\n", error.c_str());
            return 1;
        }
        if (output_params(root, site_path(t, "dat/params.dat"), compiled.params) != RES_OK ||
            output_text(root, site_path(t, "dat/desc.txt"), compiled.desc) != RES_OK)
            return 1;
    }

    std::string text;
    FeaturesCompiled features;
    if (content_read("features/features.txt", &text, &error) != RES_OK ||
        sites_compile_features(text, "features/features.txt", &features, &error) != RES_OK) {
        std::fprintf(stderr, "assetgen: %s\n", error.c_str());
        return 1;
    }
    if (output_params(root, "site/feature/params.dat", features.params) != RES_OK) return 1;
    char path[48];
    for (int kind = 0; kind < SITES_FAMILY_FEATURES; ++kind) {
        if (kind < SITES_FAMILY_FEATURES - 1) {
            std::snprintf(path, sizeof path, "site/feature/desc/%.3i.txt", kind);
            if (output_text(root, path, features.descs[size_t(kind)]) != RES_OK) return 1;
        } else {
            for (int side = 0; side < 2; ++side) {
                std::snprintf(path, sizeof path, "site/feature/desc/%.3i%s.txt", kind, side == 0 ? "a" : "b");
                if (output_text(root, path, features.descs[size_t(kind + side)]) != RES_OK) return 1;
            }
        }
        std::snprintf(path, sizeof path, "site/feature/gatherdesc/%.3i.txt", kind);
        if (output_text(root, path, features.gather_descs[size_t(kind)]) != RES_OK) return 1;
    }

    PaintJob job;
    job.root = root;
    job.seed = seed;
    for (int t = 0; t < SITES_FAMILY_TEMPLATES; ++t)
        for (int frame = 0; frame < site_art_frame_count(t); ++frame) job.frames.emplace_back(t, frame);
    const int threads = int(std::max(1u, std::min(4u, std::thread::hardware_concurrency())));
    parallel_for(int(job.frames.size()), threads, paint_one, &job);
    return job.failed ? 1 : 0;
}

void sites_family_list_paths(std::vector<std::string> *out) {
    for (int t = 0; t < SITES_FAMILY_TEMPLATES; ++t) {
        out->push_back(site_path(t, "dat/params.dat"));
        out->push_back(site_path(t, "dat/desc.txt"));
        for (int frame = 0; frame < site_art_frame_count(t); ++frame) out->push_back(frame_path(t, frame));
    }
    out->push_back("site/feature/params.dat");
    char path[48];
    for (int kind = 0; kind < SITES_FAMILY_FEATURES; ++kind) {
        if (kind < SITES_FAMILY_FEATURES - 1) {
            std::snprintf(path, sizeof path, "site/feature/desc/%.3i.txt", kind);
            out->push_back(path);
        } else {
            for (const char *side : {"a", "b"}) {
                std::snprintf(path, sizeof path, "site/feature/desc/%.3i%s.txt", kind, side);
                out->push_back(path);
            }
        }
        std::snprintf(path, sizeof path, "site/feature/gatherdesc/%.3i.txt", kind);
        out->push_back(path);
    }
}
