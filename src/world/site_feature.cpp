// Site features: the seven templates, the feature record and its save form, placement and
// gathering, the ARK defenders, texts and the figures per day. The surface grids are in
// site_grid.cpp.
#include "world/site_feature.h"

#include <algorithm>
#include <mutex>
#include <new>
#include "game/alert.h"
#include "game/encounter.h"
#include "game/encounter_setup.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/buffer.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/saturate.h"
#include "platform/sound.h"
#include "platform/store.h"
#include "platform/str.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_internal.h"

namespace {

struct FeatureTable {
    std::mutex  lock;
    bool        loaded = false;
    SiteFeature templates[FEATURE_TEMPLATE_COUNT];
};

FeatureTable &table() {
    static FeatureTable t;
    return t;
}

Result read_record(Buffer *buf, SiteFeature *f) {
    uint32_t kind = 0, doubles = 0;
    Result r = buffer_read_u32(buf, &kind);
    if (r == RES_OK) r = buffer_read_u32(buf, &doubles);
    f->kind = int32_t(kind);
    f->doubles_resources = int32_t(doubles);
    for (int32_t *v : {&f->spare_value, &f->bag_count, &f->site_mask, &f->bonus_min, &f->bonus_max})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    for (int32_t level = 0; r == RES_OK && level < FEATURE_LEVEL_COUNT; ++level) {
        for (int32_t *v : {&f->defence_kind_by_level[level], &f->defenders_min_by_level[level],
                           &f->defenders_max_by_level[level]})
            if (r == RES_OK) r = buffer_read_i32(buf, v);
    }
    return r;
}

}  // namespace

// ---- Templates ----

Result feature_read_params(Buffer *buf, SiteFeature out[FEATURE_TEMPLATE_COUNT]) {
    SiteFeature read[FEATURE_TEMPLATE_COUNT];
    for (SiteFeature &f : read)
        if (Result r = read_record(buf, &f); r != RES_OK) return r;
    for (int32_t i = 0; i < FEATURE_TEMPLATE_COUNT; ++i) out[i] = read[i];
    return RES_OK;
}

Result feature_params_load() {
    FeatureTable &t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    if (t.loaded) return RES_OK;
    Buffer *file = nullptr;
    Result r = store_read_file(FEATURE_PARAMS_PATH, 1, &file);
    if (r == RES_OK) {
        r = feature_read_params(file, t.templates);
        buffer_free(file);
    }
    if (r != RES_OK) {
        log_write(LOG_RES, LOG_ERROR, "Site features - params load \"%s\" failed with rval %i", FEATURE_PARAMS_PATH,
                  int(r));
        return r;
    }
    t.loaded = true;
    return RES_OK;
}

void feature_templates_free() {
    FeatureTable &t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    for (SiteFeature &f : t.templates) f = SiteFeature{};
    t.loaded = false;
}

const SiteFeature *feature_template(int32_t kind) {
    FeatureTable &t = table();
    if (!t.loaded || kind < 0 || kind >= FEATURE_TEMPLATE_COUNT) return nullptr;
    return &t.templates[kind];
}

int32_t feature_badge_image(int32_t kind) {
    static constexpr int32_t BADGES[FEATURE_TEMPLATE_COUNT] = {50, 114, 99, 78, 124, 76, 181};
    return kind >= 0 && kind < FEATURE_TEMPLATE_COUNT ? BADGES[kind] : 0;
}

// ---- Record ----

Result feature_write(const SiteFeature *f, Buffer *buf) {
    Result r = buffer_write_u32(buf, uint32_t(f->kind));
    if (r == RES_OK) r = buffer_write_u32(buf, uint32_t(f->doubles_resources));
    if (r == RES_OK) r = buffer_write_u32(buf, uint32_t(f->spare_value));
    if (r == RES_OK) r = buffer_write_i32(buf, f->site_mask);
    for (int32_t v : {f->grid_x, f->grid_y, f->bonus, f->defence_kind, f->defenders, f->defenders_lost, f->weapon_a,
                      f->weapon_b})
        if (r == RES_OK) r = buffer_write_u32(buf, uint32_t(v));
    if (r == RES_OK) r = buffer_write_u32(buf, f->seed);
    if (r == RES_OK) r = buffer_write_u64(buf, f->owner_id);
    return r;
}

Result feature_read(SiteFeature *f, Buffer *buf) {
    SiteFeature read;
    uint32_t words[3] = {};
    Result r = RES_OK;
    for (uint32_t &w : words)
        if (r == RES_OK) r = buffer_read_u32(buf, &w);
    read.kind = int32_t(words[0]);
    read.doubles_resources = int32_t(words[1]);
    read.spare_value = int32_t(words[2]);
    if (r == RES_OK) r = buffer_read_i32(buf, &read.site_mask);
    for (int32_t *v : {&read.grid_x, &read.grid_y, &read.bonus, &read.defence_kind, &read.defenders,
                       &read.defenders_lost, &read.weapon_a, &read.weapon_b})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    if (r == RES_OK) r = buffer_read_u32(buf, &read.seed);
    if (r == RES_OK) r = buffer_read_u64(buf, &read.owner_id);
    if (r == RES_OK) *f = read;
    return r;
}

void site_free_feature(Site *site) {
    delete site->feature;
    site->feature = nullptr;
}

// ---- Queries ----

void site_get_frame_extent(const Site *site, int32_t *out_w, int32_t *out_h) {
    int32_t w = 0, h = 0;
    const SiteParams &p = site->params;
    // Only the entries that name frames the site has: the count comes from the parameter file.
    const int64_t first = p.frame_range_first;
    const int64_t from = std::max<int64_t>(0, -first);
    const int64_t to = std::min<int64_t>(p.frame_range_count, int64_t(site->frame_count) - first);
    for (int64_t i = from; i < to && site->frame_w && site->frame_h; ++i) {
        const int32_t frame = int32_t(first + i);
        int64_t fw = site->frame_w[frame], fh = site->frame_h[frame];
        if (p.range_offset_x && p.range_offset_y) {
            fw += p.range_offset_x[i];
            fh += p.range_offset_y[i];
        }
        w = std::max(w, saturate_i32(fw));
        h = std::max(h, saturate_i32(fh));
    }
    if (out_w) *out_w = w;
    if (out_h) *out_h = h;
}

// ---- Placement ----

namespace {

constexpr int32_t GRID_MARGIN = 10;          // a feature lies at least this far inside the grid

// The body templates a feature's site mask can name, by mask bit.
constexpr struct {
    int32_t site_template;
    int32_t mask_bit;
} MASK_BITS[] = {{11, FEATURE_MASK_T11}, {12, FEATURE_MASK_T12}, {6, FEATURE_MASK_T6},
                 {9, FEATURE_MASK_T9},   {10, FEATURE_MASK_T10}};

// The two weapons defenders carry are drawn from these weights over the system types.
constexpr int32_t DEFENDER_WEAPON_WEIGHTS[][2] = {{24, 30}, {25, 10}, {26, 25}, {27, 10}};

int32_t grid_position(int32_t extent) {
    const int32_t range = extent - 19;
    if (range <= 1) return GRID_MARGIN;
    return GRID_MARGIN + int32_t(random_magnitude(random_u32()) % uint32_t(range));
}

// A weighted draw over the system types; the drawn type's weight becomes 0. 0 when nothing is left.
int32_t draw_weapon(int32_t weights[RNG_WEIGHT_COUNT]) {
    int32_t total = 0;
    for (int32_t i = 0; i < RNG_WEIGHT_COUNT; ++i) total += weights[i];
    if (total <= 0) return 0;
    const int type = random_weighted_index(weights, RNG_WEIGHT_COUNT, total);
    weights[type] = 0;
    return type;
}

bool is_ui_player(uint64_t player_id) {
    const Game *game = game_get();
    return game && game->ui_player_id != 0 && player_id == game->ui_player_id;
}

const char *feature_name_of(const GameObject *obj) { return obj ? object_get_name(const_cast<GameObject *>(obj)) : ""; }

// The sector of the player's starbases nearest to (x, y); the first found wins ties.
Sector *nearest_starbase_sector(uint64_t player_id, int32_t x, int32_t y) {
    const Game *game = game_get();
    if (!game || !game->galaxy_map) return nullptr;
    Sector *best = nullptr;
    int64_t best_d = 0;
    for (GameObject *obj : game->galaxy_map->objects.items) {
        if (!obj) break;
        Sector *s = sector_of(obj);
        if (!s || (s->flags & OBJ_DEAD) || !sector_has_starbase_of(s, player_id)) continue;
        const int64_t dx = s->x + s->w / 2 - x, dy = s->y + s->h / 2 - y;
        const int64_t d = dx * dx + dy * dy;
        if (!best || d < best_d) best = s, best_d = d;
    }
    return best;
}

void gather_credits(Site *site, Player *player, uint64_t player_id, Sector *sector) {
    const int32_t bonus = site->feature->bonus;
    if (player) {
        player_add_resources(player, bonus);   // the credits count as earned
        if (bonus > 0) player->game_counters[COUNTER_RESOURCES_MINED] += bonus;
    }
    if (sector)
        game_add_alert(game_get(), alert_post_resources_gathered(player_id, sector->id, site->id,
                                                                 "%s %s - Gathered $%i in resources",
                                                                 feature_name_of(sector),
                                                                 roman_numeral(site->label_number), int(bonus)));
    if (is_ui_player(player_id)) sound_play(SOUND_GATHERED);
}

void rescue_crew(Site *site, Player *player, uint64_t player_id, Sector *sector) {
    if (!sector) return;
    const int32_t crew = site->feature->bonus;
    Sector *home = nearest_starbase_sector(player_id, sector->x + sector->w / 2, sector->y + sector->h / 2);
    Site *base = home ? sector_find_site_of_kind(home, SITE_STARBASE) : nullptr;
    if (!base) return;   // nobody to take them: they are lost with the feature
    site_add_crew(base, crew);
    if (player) {
        player->crew_trained += crew;
        player->game_counters[COUNTER_CREW_RECRUITED] += crew;
        player_update_totals(player);
    }
    game_add_alert(game_get(), alert_post_crew_rescued(player_id, sector->id, site->id,
                                                       "%s %s - %i crew rescued and sent to Starbase %s",
                                                       feature_name_of(sector), roman_numeral(site->label_number),
                                                       int(crew), feature_name_of(home)));
    if (is_ui_player(player_id)) sound_play(SOUND_RESCUED);
}

}  // namespace

bool site_feature_flag_test(const Site *site, int32_t kind) {
    if (kind < 0 || kind >= FEATURE_TEMPLATE_COUNT) return false;
    if (!(site->params.template_flags & SITE_TF_LABELLED)) return false;
    const SiteFeature *tmpl = feature_template(kind);
    if (!tmpl) return false;
    for (const auto &entry : MASK_BITS)
        if (entry.site_template == site->subtype) return (tmpl->site_mask & entry.mask_bit) != 0;
    return false;
}

void site_generate_features(Site *site, int32_t kind) {
    const SiteFeature *tmpl = feature_template(kind);
    if (!tmpl) return;
    if (!site->feature) {
        site->feature = new (std::nothrow) SiteFeature();
        if (!site->feature) return;
    }
    SiteFeature *f = site->feature;
    *f = *tmpl;
    f->defence_kind = 0;
    f->grid_x = grid_position(site->params.grid_width);
    f->grid_y = grid_position(site->params.grid_height);
    f->bonus = random_range(f->bonus_min, f->bonus_max);
    if (f->doubles_resources == 1 && !(site->state & SITE_RESOURCES_DOUBLED)) {
        site->state |= SITE_RESOURCES_DOUBLED;
        site->resources_max *= 2;
        site->resources_left *= 2;
    }
    const Game *game = game_get();
    const int32_t level = std::clamp(game ? game->setup.ark_strength : 0, 0, FEATURE_LEVEL_COUNT - 1);
    f->defence_kind = f->defence_kind_by_level[level];
    f->defenders = random_range(f->defenders_min_by_level[level], f->defenders_max_by_level[level]);
    f->defenders_lost = 0;
    int32_t weights[RNG_WEIGHT_COUNT] = {};
    for (const auto &w : DEFENDER_WEAPON_WEIGHTS) weights[w[0]] = w[1];
    f->weapon_a = draw_weapon(weights);
    f->weapon_b = draw_weapon(weights);
    f->seed = random_u32();
}

ShuffleBag<int32_t> *site_random_features() {
    ShuffleBag<int32_t> *bag = shuffle_create<int32_t>();
    if (!bag) return nullptr;
    shuffle_set_free_fn(bag, [](int32_t *v) { delete v; });
    for (int32_t kind = 0; kind < FEATURE_TEMPLATE_COUNT; ++kind) {
        const SiteFeature *tmpl = feature_template(kind);
        for (int32_t n = 0; tmpl && n < tmpl->bag_count; ++n) {
            int32_t *item = new (std::nothrow) int32_t(kind);
            if (!item || list_append(&bag->items, item) < 0) {
                delete item;
                shuffle_free(bag);
                return nullptr;
            }
        }
    }
    shuffle_reset(bag);
    return bag;
}

bool site_has_defence(const Site *site) { return site->feature && site->feature->defence_kind >= 0; }

void feature_ark_name(const Site *site, std::string *out) {
    Rng rng;
    rng_seed(&rng, site->feature ? site->feature->seed : 0);
    const int32_t number = int32_t(random_magnitude(rng_next(&rng)) % 9998u) + 2;
    *out = str_format("ARK-%.4i", int(number));
}

// ---- ARK defenders ----

namespace {

// Into the list by display name: before the first ship whose name is not below its own.
void insert_by_name(List<GameObject> *out, Ship *ship) {
    int32_t at = 0;
    while (at < list_count(out) && std::string_view(object_get_name(list_get(out, at))) < ship->ship_name) ++at;
    object_add_ref(ship);
    out->items.insert(out->items.begin() + at, ship);
}

}  // namespace

void feature_create_ark_defenses(Site *site, List<GameObject> *out) {
    const SiteFeature *f = site->feature;
    if (!f || f->defence_kind < 0) return;
    // A short-lived battle mustered by the encounter set-ups, its generator seeded from the feature:
    // the same site always musters the same ships.
    Encounter *enc = encounter_create();
    if (!enc) return;
    encounter_retain(enc);
    enc->name = "ARK Defenses";
    enc->has_text = true;
    feature_ark_name(site, &enc->text);
    encounter_seed_random(enc, f->seed);
    const int32_t left = f->defenders - f->defenders_lost;
    if (f->defence_kind == FEATURE_DEFENCE_ARMED)
        encounter_add_ark_defenders_armed(enc, {}, std::max(2, left), f->weapon_a, enc->rng);
    else
        encounter_add_ark_defenders(enc, {}, std::max(1, left), f->weapon_a, f->weapon_b, enc->rng);
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (Ship *ship = ship_of(obj)) insert_by_name(out, ship);
    }
    // The list keeps the ships: the battle lets go of them without the end of a battle's own ships.
    list_clear(enc->objects);
    encounter_release(enc);
}

// ---- Gathering and deactivation ----

void site_gather_feature(Site *site, uint64_t player_id) {
    SiteFeature *f = site->feature;
    if (!f || (f->kind != FEATURE_RESOURCES && f->kind != FEATURE_SURVIVORS)) return;
    Player *player = game_find_player(game_get(), player_id);
    if (!player)
        log_write(LOG_GAME, LOG_WARN, "Site #%llu \"%s\" - Failed to find player #%llu for feature resource gather",
                  (unsigned long long)site->id, site->name.c_str(), (unsigned long long)player_id);
    Sector *sector = site_find_sector(site);
    if (f->kind == FEATURE_RESOURCES) gather_credits(site, player, player_id, sector);
    else rescue_crew(site, player, player_id, sector);
    site->gather_a = f->grid_x;
    site->gather_b = f->grid_y;
    site->gather_state = f->kind;
    site_free_feature(site);
}

void site_set_deactivated(Site *site, int on) {
    if (site->subtype != SITE_HARVESTER) return;
    if (on) {
        site->state |= SITE_DEACTIVATED;
    } else {
        site->state &= ~SITE_DEACTIVATED;
        if (is_ui_player(site->owner_id)) {
            object_set_animation(site, site->params.idle_animation, -1);
            if (Site *target = site_find_in_sector(site, site->harvest_target_id)) site_start_plume(site, target);
        }
    }
    if (Player *owner = object_get_owner(site)) player_update_totals(owner);
}

// ---- Texts ----

Result feature_load_description(int32_t kind, int variant_flag, std::string *out) {
    const std::string path = kind == FEATURE_HOME_COLONY
                                 ? str_format("site/feature/desc/%.3i%s.txt", int(kind), variant_flag ? "a" : "b")
                                 : str_format("site/feature/desc/%.3i.txt", int(kind));
    return store_read_text(path.c_str(), out);
}

Result feature_load_gather_description(int32_t kind, std::string *out) {
    return store_read_text(str_format("site/feature/gatherdesc/%.3i.txt", int(kind)).c_str(), out);
}

// ---- Figures per day ----

double site_research_per_day(Site *site) { return site_research_rate(site) / 400.0; }

double site_harvest_value(const Site *site) {
    if (!(site->params.template_flags & SITE_TF_RESOURCE) || site->harvest_divisor < 1 ||
        (site->state & SITE_CREW_SHORT))
        return 0.0;
    double value = 10.0 / site->harvest_divisor;
    if (site->feature && site->feature->kind == FEATURE_RICH_BODY) value = value * (site->feature->bonus + 100) / 100;
    return value;
}

double site_harvest_per_day(Site *site) {
    if (site->subtype != SITE_HARVESTER || (site->state & SITE_DEACTIVATED)) return 0.0;
    const Site *target = site_find_in_sector(site, site->harvest_target_id);
    if (!target || !(target->params.template_flags & SITE_TF_RESOURCE) || target->harvest_divisor < 1) return 0.0;
    return double(site_harvest_amount(site)) / target->harvest_divisor;
}

List<Officer> *site_officers_by_name(const Site *site) {
    List<Officer> *list = new (std::nothrow) List<Officer>();
    if (!list) return nullptr;
    for (Officer *officer : site->officers.items) {
        if (!officer) break;
        int32_t at = 0;
        while (at < list_count(list) && list_get(list, at)->name.compare(officer->name) < 0) ++at;
        list->items.insert(list->items.begin() + at, officer);
    }
    return list;
}
