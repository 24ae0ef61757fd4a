// Technology table: the entry reader, the table and its accessors, description texts.
#include "game/tech.h"

#include <cstdio>
#include <new>
#include "platform/buffer.h"
#include "platform/log.h"
#include "platform/store.h"

namespace {

TechInfo *g_techs[TECH_COUNT] = {};

struct BonusInfo {
    const char *name;
    int32_t     icon;
};

const BonusInfo BONUSES[TECH_BONUS_COUNT] = {{"Resource Gathering", 50}, {"Research", 124}, {"Crew Generation", 78}};

// A count word: a negative count means no items; a count the remaining bytes cannot hold is short.
Result read_item_count(Buffer *buf, int32_t item_bytes, int32_t *out) {
    int32_t count = 0;
    if (Result r = buffer_read_i32(buf, &count); r != RES_OK) return r;
    if (count < 0) count = 0;
    if (int64_t(count) * item_bytes > buffer_remaining(buf)) return RES_SHORT_BUFFER;
    *out = count;
    return RES_OK;
}

Result read_effects(Buffer *buf, TechInfo *tech) {
    int32_t count = 0;
    if (Result r = read_item_count(buf, 12, &count); r != RES_OK) return r;
    try {
        tech->effects.resize(size_t(count));
    } catch (const std::bad_alloc &) {
        return RES_NO_MEMORY;
    }
    for (TechEffect &effect : tech->effects) {
        Result r = buffer_read_i32(buf, &effect.kind);
        if (r == RES_OK) r = buffer_read_i32(buf, &effect.value);
        if (r == RES_OK) r = buffer_read_i32(buf, &effect.value2);
        if (r != RES_OK) return r;
    }
    return RES_OK;
}

Result read_prerequisites(Buffer *buf, TechInfo *tech) {
    int32_t count = 0;
    if (Result r = read_item_count(buf, 4, &count); r != RES_OK) return r;
    try {
        tech->prerequisites.resize(size_t(count));
    } catch (const std::bad_alloc &) {
        return RES_NO_MEMORY;
    }
    for (int32_t &prerequisite : tech->prerequisites)
        if (Result r = buffer_read_i32(buf, &prerequisite); r != RES_OK) return r;
    return RES_OK;
}

// The description a granted item carries, by effect kind; RES_OUT_OF_RANGE for kinds without one.
Result read_effect_desc(const TechEffect &effect, std::string *field) {
    const char *format = nullptr;
    switch (effect.kind) {
    case TECH_EFFECT_SYSTEM: format = "system/%.3i/dat/desc.txt"; break;
    case TECH_EFFECT_HULL: format = "ship/%.3i/dat/desc.txt"; break;
    case TECH_EFFECT_FACILITY: format = "site/%.3i/dat/desc.txt"; break;
    default: return RES_OUT_OF_RANGE;
    }
    char path[64];
    std::snprintf(path, sizeof path, format, int(effect.value));
    return store_read_text(path, field);
}

}  // namespace

TechInfo *tech_create() { return new (std::nothrow) TechInfo(); }

void tech_free(TechInfo *tech) { delete tech; }

void tech_free_all() {
    for (TechInfo *&tech : g_techs) {
        tech_free(tech);
        tech = nullptr;
    }
}

Result tech_read(TechInfo **out, Buffer *buf) {
    TechInfo *tech = tech_create();
    if (!tech) return RES_NO_MEMORY;
    Result r = buffer_read_i32(buf, &tech->number);
    if (r == RES_OK) r = buffer_read_string(buf, &tech->name);
    if (r == RES_OK) r = read_effects(buf, tech);
    if (r == RES_OK) r = read_prerequisites(buf, tech);
    for (int32_t *word : {&tech->cost, &tech->credits, &tech->icon, &tech->starting_level, &tech->sol_level})
        if (r == RES_OK) r = buffer_read_i32(buf, word);
    if (r != RES_OK || !out) {
        tech_free(tech);
        return r;
    }
    *out = tech;
    return RES_OK;
}

Result tech_load() {
    tech_free_all();
    Buffer *file = nullptr;
    if (Result r = store_read_file(TECH_PARAMS_PATH, 1, &file); r != RES_OK) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to read \"%s\" (%i)", TECH_PARAMS_PATH, int(r));
        return r;
    }
    Result r = RES_OK;
    int loaded = 0;
    while (loaded < TECH_COUNT && (r = tech_read(&g_techs[loaded], file)) == RES_OK) ++loaded;
    buffer_free(file);
    if (r != RES_OK)
        log_write(LOG_GAME, LOG_ERROR, "Technology %i in \"%s\" unreadable (%i)", loaded, TECH_PARAMS_PATH, int(r));
    return r;
}

TechInfo *tech_get(int n) { return n >= 0 && n < TECH_COUNT ? g_techs[n] : nullptr; }

const char *tech_name(int n) {
    const TechInfo *tech = tech_get(n);
    return tech ? tech->name.c_str() : nullptr;
}

int32_t tech_icon(int n) {
    const TechInfo *tech = tech_get(n);
    return tech ? tech->icon : 0;
}

float tech_points_display(int32_t points) { return float(points / TECH_POINTS_PER_UNIT); }

const char *tech_bonus_category_name(int category) {
    return category >= 0 && category < TECH_BONUS_COUNT ? BONUSES[category].name : "";
}

int32_t tech_bonus_category_icon(int category) {
    return category >= 0 && category < TECH_BONUS_COUNT ? BONUSES[category].icon : 0;
}

Result tech_load_desc(int n, std::string *field) {
    const TechInfo *tech = tech_get(n);
    if (!tech) return RES_OUT_OF_RANGE;
    char path[32];
    std::snprintf(path, sizeof path, "tech/%.3i/desc.txt", n);
    Result r = store_read_text(path, field);
    if (r == RES_OK) return r;
    for (const TechEffect &effect : tech->effects) {
        if (effect.kind == TECH_EFFECT_BONUS) continue;
        if (Result e = read_effect_desc(effect, field); e != RES_OUT_OF_RANGE) r = e;
        if (r == RES_OK) break;
    }
    return r;
}

Result tech_load_bonus_text(int category, std::string *field) {
    char path[32];
    std::snprintf(path, sizeof path, "tech/bonus/%.3i.txt", category);
    return store_read_text(path, field);
}
