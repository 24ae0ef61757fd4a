// The technology family: techs.txt compiled into the entry format with its checks, plus the texts.
#include "assetgen/family_tech.h"

#include <cstdio>
#include <set>
#include <sstream>
#include "assetgen/content_source.h"
#include "assetgen/output.h"
#include "platform/image_ids.h"

namespace {

constexpr int SYSTEM_TYPES   = 30;
constexpr int HULLS          = 9;
constexpr int SITE_TEMPLATES = 16;
constexpr int STARTING_MAX   = 2;

struct Effect {
    int32_t kind = 0, value = 0, value2 = 0;
};

struct Tech {
    int                  line = 0;
    std::string          name, desc;
    int32_t              cost = -1, credits = -1, icon = -1, starting = -2, sol = -2;
    std::vector<int32_t> requires_;
    std::vector<Effect>  effects;
};

std::string where(const std::string &source, int line) { return source + ":" + std::to_string(line) + ": "; }

// One integer, or -1 for "none" when allowed.
bool parse_one(const std::string &value, bool none_allowed, int32_t *out) {
    if (none_allowed && value == "none") {
        *out = -1;
        return true;
    }
    std::vector<int32_t> v;
    if (content_parse_ints(value, &v) != RES_OK || v.size() != 1) return false;
    *out = v[0];
    return true;
}

bool parse_effect(const std::string &value, Effect *effect, std::string *why) {
    std::istringstream in(value);
    std::string kind;
    in >> kind;
    std::string rest;
    std::getline(in, rest);
    std::vector<int32_t> v;
    if (content_parse_ints(rest, &v) != RES_OK) {
        *why = "effect: integers expected after the kind";
        return false;
    }
    struct KindRule {
        const char *name;
        int32_t     kind;
        size_t      words;
        int32_t     limit;
    };
    static const KindRule rules[] = {{"system", 0, 2, SYSTEM_TYPES},
                                     {"hull", 1, 1, HULLS},
                                     {"facility", 2, 1, SITE_TEMPLATES},
                                     {"bonus", 3, 2, TECH_FAMILY_BONUS_COUNT}};
    for (const KindRule &rule : rules) {
        if (kind != rule.name) continue;
        if (v.size() != rule.words || v[0] < 0 || v[0] >= rule.limit) {
            *why = "effect " + kind + ": " + std::to_string(rule.words) + " values, the first below " +
                   std::to_string(rule.limit);
            return false;
        }
        effect->kind = rule.kind;
        effect->value = v[0];
        effect->value2 = rule.words == 2 ? v[1] : 0;
        if (rule.kind == 0 && effect->value2 < 0) {
            *why = "effect system: a negative subtype";
            return false;
        }
        if (rule.kind == 3 && (effect->value2 < 1 || effect->value2 > 100)) {
            *why = "effect bonus: a percentage 1..100";
            return false;
        }
        return true;
    }
    *why = "effect kind is system, hull, facility or bonus";
    return false;
}

bool read_tech(const ContentBlock &block, const std::string &source, Tech *tech, std::string *error) {
    tech->line = block.line;
    for (const ContentField &f : block.fields) {
        std::string why;
        bool ok = true;
        if (f.key == "name") tech->name = f.value;
        else if (f.key == "desc") tech->desc = f.value;
        else if (f.key == "cost") ok = parse_one(f.value, false, &tech->cost);
        else if (f.key == "credits") ok = parse_one(f.value, false, &tech->credits);
        else if (f.key == "icon") ok = parse_one(f.value, false, &tech->icon);
        else if (f.key == "starting") ok = parse_one(f.value, true, &tech->starting);
        else if (f.key == "sol") ok = parse_one(f.value, true, &tech->sol);
        else if (f.key == "requires") ok = content_parse_ints(f.value, &tech->requires_) == RES_OK;
        else if (f.key == "effect") {
            Effect effect;
            ok = parse_effect(f.value, &effect, &why);
            if (ok) tech->effects.push_back(effect);
        } else {
            why = "unknown field \"" + f.key + "\"";
            ok = false;
        }
        if (!ok) {
            *error = where(source, f.line) + (why.empty() ? f.key + ": a number expected" : why);
            return false;
        }
    }
    auto refuse = [&](const std::string &why) {
        *error = where(source, block.line) + why;
        return false;
    };
    if (tech->name.empty() || tech->desc.empty()) return refuse("a tech needs a name and a desc");
    if (tech->starting == -2 || tech->sol == -2) return refuse("a tech needs starting and sol (a number or none)");
    if (tech->cost < 1) return refuse("cost: a positive number of research points");
    if (tech->credits < 0) return refuse("credits: 0 or more");
    if (tech->icon < 0 || tech->icon >= IMAGE_TYPE_COUNT) return refuse("icon: an image type 0..212");
    if (tech->starting < -1 || tech->starting > STARTING_MAX) return refuse("starting: none or 0..2");
    if (tech->sol < -1) return refuse("sol: none or credits spent");
    return true;
}

// Techs taking part in a prerequisite cycle reachable from `n`: true when one was found.
bool has_cycle(const std::vector<Tech> &techs, int n, std::vector<int> *state) {
    (*state)[size_t(n)] = 1;
    for (int32_t p : techs[size_t(n)].requires_) {
        if ((*state)[size_t(p)] == 1) return true;
        if ((*state)[size_t(p)] == 0 && has_cycle(techs, p, state)) return true;
    }
    (*state)[size_t(n)] = 2;
    return false;
}

bool check_table(const std::vector<Tech> &techs, const std::string &source, std::string *error) {
    std::set<std::string> names;
    for (size_t n = 0; n < techs.size(); ++n) {
        const Tech &t = techs[n];
        auto refuse = [&](const std::string &why) {
            *error = where(source, t.line) + why;
            return false;
        };
        if (!names.insert(t.name).second) return refuse("\"" + t.name + "\" is named twice");
        for (int32_t p : t.requires_) {
            if (p < 0 || p >= TECH_FAMILY_COUNT || size_t(p) == n) return refuse("requires: an unknown tech or itself");
            const int32_t ps = techs[size_t(p)].starting;
            if (t.starting >= 0 && (ps < 0 || ps > t.starting))
                return refuse("a starting tech requires tech " + std::to_string(p) + ", not granted at its setting");
        }
    }
    std::vector<int> state(techs.size(), 0);
    for (size_t n = 0; n < techs.size(); ++n)
        if (state[n] == 0 && has_cycle(techs, int(n), &state)) {
            *error = where(source, techs[n].line) + "prerequisites run in a cycle";
            return false;
        }
    return true;
}

Result write_tech(int32_t number, const Tech &t, Buffer *out) {
    Result r = buffer_write_i32(out, number);
    if (r == RES_OK) r = buffer_write_string(out, t.name);
    if (r == RES_OK) r = buffer_write_i32(out, int32_t(t.effects.size()));
    for (const Effect &e : t.effects)
        for (int32_t w : {e.kind, e.value, e.value2})
            if (r == RES_OK) r = buffer_write_i32(out, w);
    if (r == RES_OK) r = buffer_write_i32(out, int32_t(t.requires_.size()));
    for (int32_t p : t.requires_)
        if (r == RES_OK) r = buffer_write_i32(out, p);
    for (int32_t w : {t.cost, t.credits, t.icon, t.starting, t.sol})
        if (r == RES_OK) r = buffer_write_i32(out, w);
    return r;
}

// Blocks "[<word> 0]", "[<word> 1]" ... in order, exactly `count` of them.
bool numbered_blocks(const std::vector<ContentBlock> &blocks, const char *word, int count, const std::string &source,
                     std::string *error) {
    for (size_t i = 0; i < blocks.size(); ++i) {
        if (int(i) >= count) {
            *error = where(source, blocks[i].line) + "more than " + std::to_string(count) + " [" + word + " n] blocks";
            return false;
        }
        const std::string want = std::string(word) + " " + std::to_string(i);
        if (blocks[i].header != want) {
            *error = where(source, blocks[i].line) + "expected [" + want + "] (" + std::to_string(count) +
                     " blocks numbered from 0 in order)";
            return false;
        }
    }
    if (int(blocks.size()) != count) {
        *error = source + ": " + std::to_string(count) + " [" + word + " n] blocks expected, " +
                 std::to_string(blocks.size()) + " found";
        return false;
    }
    return true;
}

}  // namespace

Result tech_compile(const std::string &techs_text, const std::string &bonus_text, TechContent *out,
                    std::string *error) {
    const std::string techs_source = "tech/techs.txt", bonus_source = "tech/bonus.txt";
    std::vector<ContentBlock> blocks;
    if (Result r = content_parse_blocks(techs_text, techs_source, &blocks, error); r != RES_OK) return r;
    if (!numbered_blocks(blocks, "tech", TECH_FAMILY_COUNT, techs_source, error)) return RES_MALFORMED;
    std::vector<Tech> techs(blocks.size());
    for (size_t n = 0; n < blocks.size(); ++n)
        if (!read_tech(blocks[n], techs_source, &techs[n], error)) return RES_MALFORMED;
    if (!check_table(techs, techs_source, error)) return RES_MALFORMED;

    if (Result r = content_parse_blocks(bonus_text, bonus_source, &blocks, error); r != RES_OK) return r;
    if (!numbered_blocks(blocks, "bonus", TECH_FAMILY_BONUS_COUNT, bonus_source, error)) return RES_MALFORMED;
    out->bonus_texts.clear();
    for (const ContentBlock &block : blocks) {
        if (block.fields.size() != 1 || block.fields[0].key != "text" || block.fields[0].value.empty()) {
            *error = where(bonus_source, block.line) + "a bonus block holds one non-empty text field";
            return RES_MALFORMED;
        }
        out->bonus_texts.push_back(block.fields[0].value);
    }

    buffer_clear(&out->params);
    out->descs.clear();
    for (size_t n = 0; n < techs.size(); ++n) {
        if (Result r = write_tech(int32_t(n), techs[n], &out->params); r != RES_OK) return r;
        out->descs.push_back(techs[n].desc);
    }
    return RES_OK;
}

int tech_family_generate(const std::string &root, uint32_t) {
    std::string techs, bonus, error;
    TechContent content;
    if (content_read("tech/techs.txt", &techs, &error) != RES_OK ||
        content_read("tech/bonus.txt", &bonus, &error) != RES_OK ||
        tech_compile(techs, bonus, &content, &error) != RES_OK) {
        std::fprintf(stderr, "assetgen: %s\n", error.c_str());
        return 1;
    }
    if (output_params(root, "tech/params.dat", content.params) != RES_OK) return 1;
    char path[32];
    for (size_t n = 0; n < content.descs.size(); ++n) {
        std::snprintf(path, sizeof path, "tech/%.3i/desc.txt", int(n));
        if (output_text(root, path, content.descs[n]) != RES_OK) return 1;
    }
    for (size_t c = 0; c < content.bonus_texts.size(); ++c) {
        std::snprintf(path, sizeof path, "tech/bonus/%.3i.txt", int(c));
        if (output_text(root, path, content.bonus_texts[c]) != RES_OK) return 1;
    }
    return 0;
}

void tech_family_list_paths(std::vector<std::string> *out) {
    out->push_back("tech/params.dat");
    char path[32];
    for (int n = 0; n < TECH_FAMILY_COUNT; ++n) {
        std::snprintf(path, sizeof path, "tech/%.3i/desc.txt", n);
        out->push_back(path);
    }
    for (int c = 0; c < TECH_FAMILY_BONUS_COUNT; ++c) {
        std::snprintf(path, sizeof path, "tech/bonus/%.3i.txt", c);
        out->push_back(path);
    }
}
