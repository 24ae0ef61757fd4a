// Sectors: the record and its operation row, the parameter file and factory groups, the site
// census, placement and labels, detection, the day turn and the save record.
#include "world/sector.h"

#include <algorithm>
#include <new>
#include "game/game.h"
#include "platform/buffer.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/store.h"
#include "platform/str.h"
#include "world/factory.h"
#include "world/kind_standins.h"
#include "world/object_map.h"
#include "world/object_methods.h"
#include "world/world_hooks.h"

namespace {

constexpr const char *LABEL_NAMES[SECTOR_LABEL_COUNT] = {
    "Alpha", "Beta", "Gamma", "Delta", "Epsilon", "Zeta", "Eta", "Theta", "Omicron", "Sigma", "Tau",
};

// The star's site template by sector template; any other template has the first star.
constexpr int32_t STAR_KINDS[SECTOR_TEMPLATE_COUNT] = {1, 2, 4, 5, 3, 2};

// Bytes a nested object record takes at least (a site: the common record).
constexpr uint32_t SITE_RECORD_MIN_BYTES = uint32_t(OBJECT_COMMON_RECORD_MIN_BYTES);

Sector *sector(GameObject *obj) { return static_cast<Sector *>(obj); }
const Sector *sector(const GameObject *obj) { return static_cast<const Sector *>(obj); }

void release_site(Site *site) { object_release(site_object(site)); }
void free_int(int32_t *value) { delete value; }

// ---- What the sector reads of its sites and visitors ----

const KindStandIns &standins() { return kind_standins(); }

uint32_t tflags(const Site *s) { return standins().site_template_flags ? standins().site_template_flags(s) : 0; }
uint32_t state(const Site *s) { return standins().site_state ? standins().site_state(s) : 0; }
int32_t  feature_kind(const Site *s) { return standins().site_feature_kind ? standins().site_feature_kind(s) : -1; }
int32_t  defence_kind(const Site *s) {
    return standins().site_feature_defence_kind ? standins().site_feature_defence_kind(s) : -1;
}
int32_t  divisor(const Site *s) { return standins().site_harvest_divisor ? standins().site_harvest_divisor(s) : 0; }
uint64_t harvest_target(const Site *s) {
    return standins().site_harvest_target_id ? standins().site_harvest_target_id(s) : 0;
}
int32_t  crew(const Site *s) { return standins().site_crew ? standins().site_crew(s) : 0; }
int32_t  kind_of(const Site *s) { return site_object(s)->subtype; }
bool     has_feature(const Site *s) { return feature_kind(s) >= 0; }

int32_t scan_range(const GameObject *ship) {
    if (ship->kind != OBJECT_SHIP || !standins().ship_scan_range) return 0;
    return standins().ship_scan_range(ship);
}

void learn(Player *player, GameObject *obj, int32_t level) {
    if (player && standins().player_learn_object) standins().player_learn_object(player, obj, level);
}

// The site template's record in the site factory (its template flags and frames).
const Site *site_template(int32_t kind) {
    GameObject *tmpl = factory_get_template(OBJECT_SITE, kind);
    return tmpl ? object_site(tmpl) : nullptr;
}

int32_t first_frame_w(const GameObject *obj) { return obj->frame_count > 0 && obj->frame_w ? obj->frame_w[0] : 0; }
int32_t first_frame_h(const GameObject *obj) { return obj->frame_count > 0 && obj->frame_h ? obj->frame_h[0] : 0; }

int32_t centre_x(const GameObject *obj) { return obj->x + obj->w / 2; }
int32_t centre_y(const GameObject *obj) { return obj->y + obj->h / 2; }

// Walks the sites in order up to the first null entry; the first for which pick answers true.
template <typename Pick>
Site *first_site(const Sector *s, Pick pick) {
    for (Site *site : s->sites.items) {
        if (!site) break;
        if (pick(site)) return site;
    }
    return nullptr;
}

Site *starbase(const Sector *s) {
    return first_site(s, [](const Site *site) { return kind_of(site) == SITE_KIND_STARBASE; });
}

// A site of this sector with that id (the target of a harvester).
Site *site_by_id(const Sector *s, uint64_t id) {
    if (id == 0) return nullptr;
    return first_site(s, [id](const Site *site) { return site_object(site)->id == id; });
}

bool targeted_by_harvester(const Sector *s, uint64_t id) {
    return first_site(s, [id](const Site *site) {
               return kind_of(site) == SITE_KIND_HARVESTER && harvest_target(site) == id;
           }) != nullptr;
}

// The reach of a detection against an object: a fleet's concealment shrinks it.
int32_t reach_against(const GameObject *obj, int32_t range) {
    if (obj->kind == OBJECT_FLEET && standins().fleet_cloak) {
        const int32_t cloak = standins().fleet_cloak(obj);
        if (cloak > 0) return (100 - cloak) * range / 100;
    }
    return range;
}

// The player learns every object of the sector's map other than the sector and the sector
// owner's within range of the sector's centre.
void learn_surroundings(Sector *s, Player *player, int32_t range) {
    if (!s->map || !player) return;
    const int32_t cx = centre_x(s), cy = centre_y(s);
    for (int32_t i = 0; i < list_count(&s->map->objects); ++i) {
        GameObject *obj = list_get(&s->map->objects, i);
        if (!obj) break;
        if (obj == s || obj->owner_id == s->owner_id) continue;
        if (distance(centre_x(obj) - cx, centre_y(obj) - cy) > reach_against(obj, range)) continue;
        learn(player, obj, 0);
    }
}

// Every player other than `tapped` holding a sensor tap on it learns the sector in detail.
void teach_tappers(Sector *s, const Player *tapped, uint64_t tapped_id) {
    const WorldHooks &hooks = world_hooks();
    const Game *game = game_get();
    if (!hooks.player_has_sensor_tap || !game || !game->players) return;
    for (Player *player : game->players->items) {
        if (!player) break;
        if (player == tapped) continue;
        if (hooks.player_has_sensor_tap(player, tapped_id)) learn(player, s, 1);
    }
}

// The starbase offers the kind while a site of it is under construction and it is not producing
// that same kind (nor a defence upgrade, nor something unknown).
bool offered_while_building(const Sector *s, int32_t kind) {
    if (!sector_find_site_under_construction(s, kind)) return false;
    const Site *base = starbase(s);
    if (!base) return false;
    if (!(state(base) & SITE_STATE_PRODUCING)) return true;
    const int32_t item = standins().site_production_template ? standins().site_production_template(base) : -1;
    return item >= 0 && item != kind;
}

void free_snapshot_arrays(Sector *s) {
    s->known_site_ids.clear();
    s->known_site_ids.shrink_to_fit();
    s->known_site_kinds.clear();
    s->known_site_kinds.shrink_to_fit();
    s->known_object_ids.clear();
    s->known_object_ids.shrink_to_fit();
    s->known_site_count = 0;
    s->known_object_count = 0;
}

// ---- Slots ----

uint32_t sector_size() { return sizeof(Sector); }
const char *sector_type_name() { return "Sector"; }

void sector_init(GameObject *obj) {
    Sector *s = object_init_record<Sector>(obj);
    list_set_free_fn(&s->sites, release_site);
    list_set_free_fn(&s->objects, object_release);
    list_set_free_fn(&s->buildable, free_int);
    s->label = "";
}

void sector_free(GameObject *obj) {
    Sector *s = sector(obj);
    list_clear(&s->sites);
    list_clear(&s->objects);
    list_clear(&s->buildable);
    free_snapshot_arrays(s);
    object_free_record<Sector>(obj);
}

void sector_copy_template(GameObject *obj, const GameObject *tmpl_obj) {
    Sector *s = sector(obj);
    const Sector *tmpl = sector(tmpl_obj);
    // The template flags travel with the arrays, or no made sector would keep its quiet star.
    s->sector_flags = tmpl->sector_flags;
    s->choice_count = tmpl->choice_count;
    s->choice_site = tmpl->choice_site;
    s->choice_a = tmpl->choice_a;
    s->choice_b = tmpl->choice_b;
    s->site_count_choice_count = tmpl->site_count_choice_count;
    s->site_count_choices = tmpl->site_count_choices;
}

void sector_on_created(GameObject *obj) {
    Sector *s = sector(obj);
    if (obj->frame_count > 0) object_set_frame(obj, random_range(0, obj->frame_count - 1));
    s->twinkle_ms = random_range(500, 1000);
    s->pulse_ms = random_range(100, 10000);
    s->star_variant = random_range(0, 15);
    obj->flags |= OBJ_ALWAYS_DRAWN;
    s->known_feature_kind = -1;
    s->known_defence_kind = -1;
}

void sector_update(GameObject *obj, int32_t dt) {
    Sector *s = sector(obj);
    s->twinkle_ms -= dt;
    if (s->twinkle_ms <= 0) {
        s->twinkle_ms = random_range(500, 1000);
        if (obj->frame_count > 0) object_set_frame(obj, random_range(0, obj->frame_count - 1));
    }

    const Game *game = game_get();
    if ((s->sector_flags & SECTOR_FLAG_NO_PULSE) || !game || game->queued_minutes != 0) return;
    const uint64_t ui_id = game->ui_player_id;
    int32_t radius = 0;
    if (ui_id != 0 && obj->owner_id == ui_id) {
        radius = s->detect_range;
    } else {
        int32_t best = 0;
        for (GameObject *visitor : s->objects.items) {
            if (!visitor) break;
            if (ui_id != 0 && visitor->owner_id == ui_id) best = std::max(best, scan_range(visitor));
        }
        if (best <= 0) return;
        radius = SECTOR_SCAN_PERCENT * best / 100;
    }
    s->pulse_ms -= dt;
    if (s->pulse_ms > 0) return;
    s->pulse_ms = SECTOR_PULSE_MS;
    if (standins().effect_pulse) standins().effect_pulse(obj->map, centre_x(obj), centre_y(obj), radius);
}

void sector_galaxy_turn(GameObject *obj) {
    Sector *s = sector(obj);
    for (int32_t i = 0; i < list_count(&s->sites); ++i) {
        Site *site = list_get(&s->sites, i);
        if (!site) break;
        object_galaxy_turn(site_object(site));
    }
    for (int32_t i = 0; i < list_count(&s->objects); ++i) {
        GameObject *visitor = list_get(&s->objects, i);
        if (!visitor) break;
        const bool foreign = visitor->owner_id != 0 && visitor->owner_id != obj->owner_id;
        if (obj->owner_id != 0 && foreign && standins().ship_pilot) {
            Officer *officer = standins().ship_pilot(visitor);
            if (officer && standins().officer_add_base_experience)
                standins().officer_add_base_experience(officer, 100);
        }
        object_galaxy_turn(visitor);
    }
}

void sector_reset_state(GameObject *obj) {
    Sector *s = sector(obj);
    s->pulse_ms = random_range(100, 10000);
    for (GameObject *visitor : s->objects.items) {
        if (!visitor) break;
        if ((visitor->flags & OBJ_DEAD) && standins().ship_leave_fleet) standins().ship_leave_fleet(visitor);
    }
}

const char *sector_display_name(const GameObject *obj) { return sector(obj)->label.c_str(); }

Result sector_write(const GameObject *obj, Buffer *buf) {
    const Sector *s = sector(obj);
    Result r = buffer_write_string(buf, s->label);
    for (int32_t v : {s->star_variant, s->reserved_a, s->reserved_b})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    int32_t sites = 0;
    for (Site *site : s->sites.items) {
        if (!site) break;
        ++sites;
    }
    if (r == RES_OK) r = buffer_write_i32(buf, sites);
    for (int32_t i = 0; i < sites && r == RES_OK; ++i) r = object_write(site_object(list_get(&s->sites, i)), buf);

    const int32_t known_sites =
        std::min<int32_t>(s->known_site_count, int32_t(std::min(s->known_site_ids.size(), s->known_site_kinds.size())));
    if (r == RES_OK) r = buffer_write_i32(buf, std::max(known_sites, 0));
    for (int32_t i = 0; i < known_sites && r == RES_OK; ++i) {
        r = buffer_write_u64(buf, s->known_site_ids[size_t(i)]);
        if (r == RES_OK) r = buffer_write_i32(buf, s->known_site_kinds[size_t(i)]);
    }
    if (r == RES_OK) r = buffer_write_i32(buf, s->known_feature_kind);
    const int32_t known_objects = std::min<int32_t>(s->known_object_count, int32_t(s->known_object_ids.size()));
    if (r == RES_OK) r = buffer_write_i32(buf, std::max(known_objects, 0));
    for (int32_t i = 0; i < known_objects && r == RES_OK; ++i) r = buffer_write_u64(buf, s->known_object_ids[size_t(i)]);
    for (int32_t v : {s->known_defence_kind, s->known_defenders, s->known_defenders_lost, s->known_starbase_crew})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    return r;
}

// The kind word of the next record, left unread.
Result peek_kind(const Buffer *buf, int32_t *kind) {
    if (buffer_remaining(buf) < 4) return RES_SHORT_BUFFER;
    const uint8_t *p = buf->data + buf->cursor;
    *kind = int32_t(uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]));
    return RES_OK;
}

Result sector_read(GameObject *obj, Buffer *buf) {
    Sector *s = sector(obj);
    Result r = buffer_read_string(buf, &s->label);
    for (int32_t *v : {&s->star_variant, &s->reserved_a, &s->reserved_b})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    int32_t sites = 0;
    if (r == RES_OK) r = buffer_read_count(buf, SITE_RECORD_MIN_BYTES, &sites);
    if (r != RES_OK) return r;
    list_clear(&s->sites);
    for (int32_t i = 0; i < sites; ++i) {
        int32_t kind = 0;
        if ((r = peek_kind(buf, &kind)) != RES_OK) return r;
        if (kind != OBJECT_SITE) {
            log_write(LOG_GAME, LOG_WARN, "Sector #%llu \"%s\" - site #%i of its record is of kind %i",
                      (unsigned long long)obj->id, s->label.c_str(), i, kind);
            return RES_MALFORMED;
        }
        GameObject *site = nullptr;
        if ((r = object_read(&site, buf)) != RES_OK) return r;
        object_add_ref(site);
        if (list_append(&s->sites, object_site(site)) < 0) {
            object_release(site);
            return RES_NO_MEMORY;
        }
    }

    int32_t known_sites = 0;
    if ((r = buffer_read_i32(buf, &known_sites)) != RES_OK) return r;
    free_snapshot_arrays(s);
    if (known_sites > 0) {
        if (buffer_remaining(buf) < int64_t(known_sites) * 12) return RES_SHORT_BUFFER;
        s->known_site_ids.assign(size_t(known_sites), 0);
        s->known_site_kinds.assign(size_t(known_sites), 0);
        for (int32_t i = 0; i < known_sites && r == RES_OK; ++i) {
            r = buffer_read_u64(buf, &s->known_site_ids[size_t(i)]);
            if (r == RES_OK) r = buffer_read_i32(buf, &s->known_site_kinds[size_t(i)]);
        }
        if (r != RES_OK) return r;
        s->known_site_count = known_sites;
    }
    if ((r = buffer_read_i32(buf, &s->known_feature_kind)) != RES_OK) return r;
    int32_t known_objects = 0;
    if ((r = buffer_read_i32(buf, &known_objects)) != RES_OK) return r;
    if (known_objects > 0) {
        if (buffer_remaining(buf) < int64_t(known_objects) * 8) return RES_SHORT_BUFFER;
        s->known_object_ids.assign(size_t(known_objects), 0);
        for (int32_t i = 0; i < known_objects && r == RES_OK; ++i) r = buffer_read_u64(buf, &s->known_object_ids[size_t(i)]);
        if (r != RES_OK) return r;
        s->known_object_count = known_objects;
    }
    for (int32_t *v : {&s->known_defence_kind, &s->known_defenders, &s->known_defenders_lost, &s->known_starbase_crew})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    return r;
}

Result sector_link(GameObject *obj) {
    Sector *s = sector(obj);
    for (Site *site : s->sites.items) {
        if (!site) break;
        if (Result r = object_link(site_object(site)); r != RES_OK) return r;
    }
    sector_refresh_sites(s);
    return RES_OK;
}

void detect_for_owner(Sector *s) {
    Player *owner = object_get_owner(s);
    if (!owner) return;
    learn(owner, s, 1);
    learn_surroundings(s, owner, s->detect_range);
    teach_tappers(s, owner, s->owner_id);
}

void detect_for_visitors(Sector *s) {
    if (list_count(&s->objects) == 0) return;
    Player *owner = s->owner_id != 0 ? object_get_owner(s) : nullptr;
    // Owners in the order their first object appears, with their best scan range.
    std::vector<std::pair<uint64_t, int32_t>> groups;
    for (GameObject *visitor : s->objects.items) {
        if (!visitor) break;
        learn(owner, visitor, 0);
        if (visitor->owner_id == 0) continue;
        auto group = std::find_if(groups.begin(), groups.end(),
                                  [visitor](const auto &g) { return g.first == visitor->owner_id; });
        if (group == groups.end()) group = groups.insert(groups.end(), {visitor->owner_id, 0});
        group->second = std::max(group->second, scan_range(visitor));
    }
    for (const auto &[player_id, scan] : groups) {
        Player *player = world_find_player(player_id);
        if (!player) continue;
        learn_surroundings(s, player, std::max(1, SECTOR_SCAN_PERCENT * scan / 100));
        learn(player, s, 1);
        teach_tappers(s, player, player_id);
    }
}

void sector_after_advance(GameObject *obj) {
    Sector *s = sector(obj);
    if (obj->owner_id != 0) detect_for_owner(s);
    detect_for_visitors(s);
}

void sector_copy_record(GameObject *dest_obj, const GameObject *src_obj, int32_t level) {
    Sector *dest = sector(dest_obj);
    const Sector *src = sector(src_obj);
    dest->label = src->label;
    if (level < 0) return;
    free_snapshot_arrays(dest);
    for (Site *site : src->sites.items) {
        if (!site) break;
        dest->known_site_ids.push_back(site_object(site)->id);
        dest->known_site_kinds.push_back(kind_of(site));
    }
    dest->known_site_count = int32_t(dest->known_site_ids.size());
    for (GameObject *visitor : src->objects.items) {
        if (!visitor) break;
        dest->known_object_ids.push_back(visitor->id);
    }
    dest->known_object_count = int32_t(dest->known_object_ids.size());
    if (level < 1) return;
    dest->known_feature_kind = -1;
    dest->known_defence_kind = -1;
    dest->known_defenders = 0;
    dest->known_defenders_lost = 0;
    dest->known_starbase_crew = 0;
    if (const Site *site = first_site(src, has_feature)) {
        const KindStandIns &k = standins();
        dest->known_feature_kind = feature_kind(site);
        dest->known_defence_kind = defence_kind(site);
        dest->known_defenders = k.site_feature_defenders ? k.site_feature_defenders(site) : 0;
        dest->known_defenders_lost = k.site_feature_defenders_lost ? k.site_feature_defenders_lost(site) : 0;
    }
    if (const Site *base = starbase(src)) dest->known_starbase_crew = crew(base);
}

void sector_advance_clock(GameObject *obj, int32_t minutes) {
    Sector *s = sector(obj);
    for (int32_t i = 0; i < list_count(&s->sites); ++i) {
        Site *site = list_get(&s->sites, i);
        if (!site) break;
        object_advance_clock(site_object(site), minutes);
    }
    for (int32_t i = 0; i < list_count(&s->objects); ++i) {
        GameObject *visitor = list_get(&s->objects, i);
        if (!visitor) break;
        object_advance_clock(visitor, minutes);
    }
}

GameObject *sector_find_child(GameObject *obj, uint64_t id) {
    Sector *s = sector(obj);
    for (Site *site : s->sites.items) {
        if (!site) break;
        GameObject *o = site_object(site);
        if (o->id == id && !(o->flags & OBJ_STUB)) return o;
    }
    for (GameObject *visitor : s->objects.items) {
        if (!visitor) break;
        if (visitor->id == id && !(visitor->flags & OBJ_STUB)) return visitor;
    }
    return nullptr;
}

// Drops the dead sites and visitors, keeping the order of the rest.
void sector_remove_dead(GameObject *obj) {
    Sector *s = sector(obj);
    bool dropped = false;
    for (GameObject *&slot : s->objects.items) {
        if (!slot) break;
        if (!(slot->flags & OBJ_DEAD)) continue;
        GameObject *dead = slot;
        slot = nullptr;
        object_release(dead);
        dropped = true;
    }
    for (Site *&slot : s->sites.items) {
        if (!slot) break;
        if (!(site_object(slot)->flags & OBJ_DEAD)) continue;
        Site *dead = slot;
        slot = nullptr;
        release_site(dead);
        dropped = true;
    }
    if (!dropped) return;
    list_compact(&s->objects);
    list_compact(&s->sites);
    sector_refresh_sites(s);
}

// ---- Factory ----

std::string template_dir(int32_t index) { return str_format("sector/%.3i", int(index)); }

Result sector_load_group(GameObject *tmpl, int32_t group) {
    const std::string dir = template_dir(tmpl->subtype);
    if (group == FACTORY_GROUP_PARAMS) {
        const std::string path = dir + "/dat/params.dat";
        Buffer *file = nullptr;
        Result r = store_read_file(path.c_str(), 1, &file);
        if (r == RES_OK) {
            r = sector_read_params(sector(tmpl), file);
            buffer_free(file);
        }
        if (r != RES_OK) {
            log_write(LOG_RES, LOG_ERROR, "Sector template %i - params \"%s\" failed with error %i", int(tmpl->subtype),
                      path.c_str(), int(r));
            return r;
        }
        return factory_load_frame_sizes(tmpl, (dir + "/png").c_str());
    }
    // Without the sizes of group 0 there is no frame to load.
    if (group == FACTORY_GROUP_FRAMES && tmpl->frame_count > 0)
        return factory_load_frame_sprites(tmpl, (dir + "/png").c_str(), 0, -1);
    return RES_OK;
}

Result sector_unload_group(GameObject *tmpl, int32_t group) {
    if (group == FACTORY_GROUP_FRAMES) factory_unload_frame_sprites(tmpl);
    return RES_OK;
}

// Reads `count` i32 into `out` after checking that the bytes are there.
Result read_ints(Buffer *buf, int32_t count, std::vector<int32_t> *out) {
    if (buffer_remaining(buf) < int64_t(count) * 4) return RES_SHORT_BUFFER;
    out->assign(size_t(count), 0);
    for (int32_t &v : *out)
        if (Result r = buffer_read_i32(buf, &v); r != RES_OK) return r;
    return RES_OK;
}

}  // namespace

// ---- Registration ----

void sector_register_methods(ObjectMethods *row) {
    *row = ObjectMethods{
        .size = sector_size,
        .type_name = sector_type_name,
        .init = sector_init,
        .free = sector_free,
        .copy_template = sector_copy_template,
        .on_created = sector_on_created,
        .update = sector_update,
        .galaxy_turn = sector_galaxy_turn,
        .reset_state = sector_reset_state,
        .display_name = sector_display_name,
        .write = sector_write,
        .read = sector_read,
        .link = sector_link,
        .after_advance = sector_after_advance,
        .copy_record = sector_copy_record,
        .advance_clock = sector_advance_clock,
        .find_child = sector_find_child,
        .purge_dead = sector_remove_dead,
    };
}

void sector_register_factory(Factory *factory) {
    factory->template_count = SECTOR_TEMPLATE_COUNT;
    factory->load_group = sector_load_group;
    factory->unload_group = sector_unload_group;
}

// ---- Tables ----

int32_t sector_star_kind(int32_t sector_template) {
    if (sector_template < 0 || sector_template >= SECTOR_TEMPLATE_COUNT) return STAR_KINDS[0];
    return STAR_KINDS[sector_template];
}

const char *sector_label_name(int32_t index) {
    if (index < 0 || index >= SECTOR_LABEL_COUNT) return nullptr;
    return LABEL_NAMES[index];
}

// ---- Parameters ----

Result sector_read_params(Sector *tmpl, Buffer *buf) {
    Result r = buffer_read_u32(buf, &tmpl->sector_flags);
    if (r == RES_OK) r = buffer_read_string(buf, &tmpl->name);
    int32_t count = 0;
    if (r == RES_OK) r = buffer_read_i32(buf, &count);
    if (r != RES_OK) return r;
    if (count < 0) return RES_MALFORMED;
    if (buffer_remaining(buf) < int64_t(count) * 12) return RES_SHORT_BUFFER;
    tmpl->choice_count = count;
    tmpl->choice_site.assign(size_t(count), 0);
    tmpl->choice_a.assign(size_t(count), 0);
    tmpl->choice_b.assign(size_t(count), 0);
    for (size_t i = 0; i < size_t(count) && r == RES_OK; ++i) {
        r = buffer_read_i32(buf, &tmpl->choice_site[i]);
        if (r == RES_OK) r = buffer_read_i32(buf, &tmpl->choice_a[i]);
        if (r == RES_OK) r = buffer_read_i32(buf, &tmpl->choice_b[i]);
    }
    if (r == RES_OK) r = buffer_read_i32(buf, &count);
    if (r != RES_OK) return r;
    if (count < 0) return RES_MALFORMED;
    if ((r = read_ints(buf, count, &tmpl->site_count_choices)) != RES_OK) return r;
    tmpl->site_count_choice_count = count;
    return RES_OK;
}

// ---- Queries ----

Sector *sector_create(int32_t sector_template) {
    return sector_of(factory_create_object(OBJECT_SECTOR, sector_template));
}

Site *sector_find_site_of_kind(const Sector *s, int32_t kind) {
    if (kind < 0 || kind >= SECTOR_SITE_KINDS || s->site_counts[kind] < 1) return nullptr;
    return first_site(s, [kind](const Site *site) { return kind_of(site) == kind; });
}

Site *sector_find_site_under_construction(const Sector *s, int32_t kind) {
    if (kind < 0 || kind >= SECTOR_SITE_KINDS || s->site_counts[kind] == 0) return nullptr;
    return first_site(s, [kind](const Site *site) {
        return kind_of(site) == kind && (state(site) & SITE_STATE_BUILDING);
    });
}

int32_t sector_starbase_crew(const Sector *s) {
    const Site *base = starbase(s);
    return base ? crew(base) : 0;
}

bool sector_starbase_crew_full(const Sector *s) {
    if (s->site_counts[SITE_KIND_STARBASE] < 1) return false;
    const Site *base = starbase(s);
    if (!base) return false;
    const int32_t capacity = standins().site_crew_capacity ? standins().site_crew_capacity(base) : 0;
    return crew(base) >= capacity;
}

int32_t sector_starbase_intake(const Sector *s) {
    Site *base = starbase(s);
    return base && standins().site_crew_intake_rate ? standins().site_crew_intake_rate(base) : 0;
}

bool sector_has_starbase_of(const Sector *s, uint64_t player_id) {
    return first_site(s, [player_id](const Site *site) {
               return kind_of(site) == SITE_KIND_STARBASE && site_object(site)->owner_id == player_id;
           }) != nullptr;
}

Site *sector_find_harvester_of(const Sector *s, uint64_t target_id) {
    return first_site(s, [target_id](const Site *site) {
        return kind_of(site) == SITE_KIND_HARVESTER && harvest_target(site) == target_id;
    });
}

int32_t sector_harvest_income(const Sector *s) {
    int32_t income = 0;
    for (Site *site : s->sites.items) {
        if (!site) break;
        if (kind_of(site) != SITE_KIND_HARVESTER) continue;
        if (state(site) & (SITE_STATE_BUILDING | SITE_STATE_DEACTIVATED)) continue;
        const Site *target = site_by_id(s, harvest_target(site));
        if (!target || (site_object(target)->flags & OBJ_DEAD)) continue;
        const int32_t d = divisor(target);
        if (d < 1) continue;
        const int32_t amount = standins().site_harvest_amount ? standins().site_harvest_amount(site) : 0;
        income += amount / d;
    }
    return income;
}

int32_t sector_total_research_rate(const Sector *s) {
    int32_t total = 0;
    for (Site *site : s->sites.items) {
        if (!site) break;
        if (standins().site_research_rate) total += standins().site_research_rate(site);
    }
    return total;
}

Site *sector_find_site_flag_200(const Sector *s) {
    return first_site(s, [](const Site *site) {
        const int32_t population = standins().site_population ? standins().site_population(site) : 0;
        return (tflags(site) & SITE_TFLAG_POPULATION) && population > 0;
    });
}

Site *sector_find_defended_site(const Sector *s) {
    return first_site(s, [](const Site *site) { return has_feature(site) && defence_kind(site) >= 0; });
}

bool sector_has_defended_site(const Sector *s) { return sector_find_defended_site(s) != nullptr; }

Site *sector_find_site_feature_0_or_2(const Sector *s) {
    return first_site(s, [](const Site *site) {
        const int32_t k = feature_kind(site);
        return k == 0 || k == 2;
    });
}

int32_t sector_first_feature_kind(const Sector *s) {
    const Site *site = first_site(s, has_feature);
    return site ? feature_kind(site) : -1;
}

Site *sector_find_site_with_feature(const Sector *s, int32_t kind) {
    return first_site(s, [kind](const Site *site) { return has_feature(site) && feature_kind(site) == kind; });
}

Site *sector_find_cheapest_resource_site(const Sector *s) {
    Site *best = nullptr;
    for (Site *site : s->sites.items) {
        if (!site) break;
        if (!(tflags(site) & SITE_TFLAG_RESOURCE)) continue;
        if (!best || divisor(site) < divisor(best)) best = site;
    }
    return best;
}

Site *sector_find_free_resource_site(const Sector *s) {
    Site *best = nullptr;
    for (Site *site : s->sites.items) {
        if (!site) break;
        if (!(tflags(site) & SITE_TFLAG_RESOURCE)) continue;
        const int32_t left = standins().site_resources_left ? standins().site_resources_left(site) : 0;
        if (left < 1 || feature_kind(site) == SECTOR_FEATURE_NO_HARVEST) continue;
        if (targeted_by_harvester(s, site_object(site)->id)) continue;
        if (!best || divisor(site) < divisor(best)) best = site;
    }
    return best;
}

Result sector_generate_feature(Sector *s, int32_t kind) {
    const KindStandIns &k = standins();
    Site *site = first_site(s, [&k, kind](Site *candidate) {
        return k.site_feature_flag_test && k.site_feature_flag_test(candidate, kind);
    });
    if (!site) return RES_NO_FEATURE_SITE;
    if (k.site_generate_features) k.site_generate_features(site, kind);
    return RES_OK;
}

int32_t sector_count_objects_of_owner(const Sector *s, uint64_t player_id) {
    int32_t n = 0;
    for (GameObject *obj : s->objects.items) {
        if (!obj) break;
        if (obj->owner_id == player_id) ++n;
    }
    return n;
}

int32_t sector_count_other_owners(const Sector *s, uint64_t player_id) {
    int32_t n = 0;
    for (GameObject *obj : s->objects.items) {
        if (!obj) break;
        if (obj->owner_id != 0 && obj->owner_id != player_id) ++n;
    }
    return n;
}

GameObject *sector_get_object(const Sector *s, int32_t index) { return list_get(&s->objects, index); }
int32_t     sector_object_count(const Sector *s) { return list_count(&s->objects); }
Site       *sector_get_site(const Sector *s, int32_t index) { return list_get(&s->sites, index); }
int32_t     sector_site_count(const Sector *s) { return list_count(&s->sites); }

bool sector_has_site_kind(const Sector *s, int32_t kind) {
    return kind >= 0 && kind < SECTOR_SITE_KINDS && s->site_counts[kind] > 0;
}

int32_t sector_get_entry_kind(const Sector *s, int32_t index) {
    const int32_t *entry = list_get(&s->buildable, index);
    return entry ? *entry : -1;
}

int32_t sector_entry_count(const Sector *s) { return list_count(&s->buildable); }

bool sector_can_build(const Sector *s, int32_t kind) {
    for (int32_t *entry : s->buildable.items) {
        if (!entry) break;
        if (*entry == kind) return true;
    }
    return false;
}

void sector_add_object(Sector *s, GameObject *obj) {
    if (!obj) return;
    object_add_ref(obj);
    if (list_append(&s->objects, obj) < 0) object_release(obj);
}

void sector_remove_object(Sector *s, GameObject *obj) {
    if (!obj || !list_remove_value(&s->objects, obj)) return;
    object_release(obj);
}

void sector_set_reserved(Sector *s, int32_t a, int32_t b) {
    s->reserved_a = a;
    s->reserved_b = b;
}

int32_t sector_count_labelled_sites(const Sector *s) {
    int32_t n = 0;
    for (Site *site : s->sites.items) {
        if (!site) break;
        if (tflags(site) & SITE_TFLAG_LABELLED) ++n;
    }
    return n;
}

bool sector_has_object_of(const GameObject *obj, uint64_t player_id) {
    if (!obj || obj->kind != OBJECT_SECTOR || (obj->flags & OBJ_STUB)) return false;
    return sector_count_objects_of_owner(sector(obj), player_id) > 0;
}

// ---- New game ----

int32_t sector_template_random_entry(const Sector *s) {
    const int32_t count = int32_t(s->site_count_choices.size());
    if (count < 1) return 0;
    const int32_t index = count > 1 ? int32_t(random_magnitude(random_u32()) % uint32_t(count)) : 0;
    return s->site_count_choices[size_t(index)];
}

ShuffleBag<int32_t> *sector_template_site_bag(int32_t sector_template) {
    GameObject *tmpl_obj = factory_get_template(OBJECT_SECTOR, sector_template);
    if (!tmpl_obj) return nullptr;
    const Sector *tmpl = sector(tmpl_obj);
    if (tmpl->site_count_choices.empty()) return nullptr;
    ShuffleBag<int32_t> *bag = shuffle_create<int32_t>();
    if (!bag) return nullptr;
    shuffle_set_free_fn(bag, free_int);
    for (int32_t kind : tmpl->choice_site) {
        if (kind < 0 || kind >= SECTOR_SITE_KINDS) continue;
        int32_t *item = new (std::nothrow) int32_t(kind);
        if (!item || list_append(&bag->items, item) < 0) {
            delete item;
            shuffle_free(bag);
            return nullptr;
        }
    }
    shuffle_reset(bag);
    return bag;
}

void sector_place_site(Sector *s, int32_t site_template, int32_t *out_x, int32_t *out_y) {
    GameObject *tmpl_obj = factory_get_template(OBJECT_SITE, site_template);
    if (!tmpl_obj) return;
    const Site *tmpl = object_site(tmpl_obj);
    const int32_t w = std::max(SECTOR_SITE_MIN_WIDTH, first_frame_w(tmpl_obj));
    const int32_t h = first_frame_h(tmpl_obj);
    int32_t min_x = 0, min_y = 0, max_x = 0, max_y = 0;
    if (standins().site_place_rect) standins().site_place_rect(tmpl, &min_x, &min_y, &max_x, &max_y);

    int32_t left = 0, top = 0;
    bool found = false;
    for (int32_t attempt = 0; attempt < SECTOR_PLACE_TRIES && !found; ++attempt) {
        const int32_t x = random_range(min_x, max_x);
        const int32_t y = random_range(min_y, max_y);
        left = x - w / 2;
        top = y - h / 2;
        found = !first_site(s, [left, top, w, h](const Site *site) {
            const GameObject *o = site_object(site);
            const int32_t sw = std::max(SECTOR_SITE_MIN_WIDTH, first_frame_w(o));
            const int32_t sh = first_frame_h(o);
            const int32_t sx = centre_x(o) - sw / 2, sy = o->y;
            return left <= sx + sw && sx <= left + w && top <= sy + sh && sy <= top + h;
        });
    }
    if (!found && !(tflags(tmpl) & SITE_TFLAG_LABELLED))
        log_write(LOG_GAME, LOG_WARN,
                  "Sector #%llu \"%s\" - failed to find start position for site type %i w%i h%i, use x%i y%i",
                  (unsigned long long)s->id, s->label.c_str(), int(site_template), w, h, left, top);
    if (out_x) *out_x = left;
    if (out_y) *out_y = top;
}

void sector_add_site(Sector *s, Site *site, int32_t x, int32_t y) {
    GameObject *obj = site_object(site);
    obj->x = x;
    obj->y = y;
    if (standins().site_set_home) standins().site_set_home(site, x, y);
    object_assign_id(obj);
    if (standins().site_set_sector_id) standins().site_set_sector_id(site, s->id);
    object_add_ref(obj);
    if (list_append(&s->sites, site) < 0) {
        object_release(obj);
        return;
    }
    if (kind_of(site) == SITE_KIND_TRAINING && standins().site_spawn_initial_recruits)
        standins().site_spawn_initial_recruits(site);
    sector_refresh_sites(s);
    if (tflags(site) & SITE_TFLAG_LABELLED) sector_assign_site_labels(s);
}

void sector_arrange_sites(Sector *s) {
    ShuffleBag<Site> bag;
    for (Site *site : s->sites.items) {
        if (!site) break;
        if (tflags(site) & SITE_TFLAG_LABELLED) (void)list_append(&bag.items, site);   // a lost one stays put
    }
    const int32_t n = shuffle_count(&bag);
    int32_t start = 150, spread = 70;
    if (n == 1) start = 350, spread = 280;
    else if (n == 2) start = 340, spread = 210;
    else if (n == 3) start = 200, spread = 140;
    shuffle_reset(&bag);
    for (int32_t i = 0; i < n; ++i) {
        Site *site = shuffle_next(&bag);
        if (!site) break;
        GameObject *obj = site_object(site);
        const int32_t range = spread - obj->w / 2 + 1;
        const int32_t offset = range > 1 ? int32_t(random_magnitude(random_u32()) % uint32_t(range)) : 0;
        obj->x = start + offset;
        if (standins().site_set_home) standins().site_set_home(site, obj->x, obj->y);
        start = obj->x + SECTOR_SITE_MIN_WIDTH + obj->w;
        spread = 70;
    }
    list_reset(&bag.items);   // the bag never owned the sites
    sector_assign_site_labels(s);
}

void sector_assign_site_labels(Sector *s) {
    const KindStandIns &k = standins();
    if (sector_count_labelled_sites(s) == 0 || !k.site_set_label_number) return;
    std::vector<Site *> unnumbered;
    for (Site *site : s->sites.items) {
        if (!site) break;
        if (!(tflags(site) & SITE_TFLAG_LABELLED)) continue;
        k.site_set_label_number(site, 0);
        unnumbered.push_back(site);
    }
    for (int32_t number = 1; !unnumbered.empty(); ++number) {
        // The smallest x; the earlier site in the list wins a tie.
        auto next = std::min_element(unnumbered.begin(), unnumbered.end(), [](const Site *a, const Site *b) {
            return site_object(a)->x < site_object(b)->x;
        });
        k.site_set_label_number(*next, number);
        unnumbered.erase(next);
    }
    if (Site *star = sector_find_site_of_kind(s, sector_star_kind(s->subtype)))
        k.site_set_label_number(star, random_range(0, SECTOR_LABEL_COUNT - 1));
}

void sector_refresh_sites(Sector *s) {
    std::fill(std::begin(s->site_counts), std::end(s->site_counts), 0);
    s->detect_range = 0;
    s->resource_sites = 0;
    for (Site *site : s->sites.items) {
        if (!site) break;
        const int32_t kind = kind_of(site);
        if (kind >= 0 && kind < SECTOR_SITE_KINDS) ++s->site_counts[kind];
        const int32_t sensor = standins().site_sensor_range ? standins().site_sensor_range(site) : 0;
        s->detect_range = std::max(s->detect_range, sensor);
        if ((tflags(site) & SITE_TFLAG_RESOURCE) && feature_kind(site) != SECTOR_FEATURE_NO_HARVEST)
            ++s->resource_sites;
    }

    list_clear(&s->buildable);
    for (int32_t kind = 0; kind < SECTOR_SITE_KINDS; ++kind) {
        bool offered = s->site_counts[kind] == 0;
        if (!offered && kind == SITE_KIND_HARVESTER && s->site_counts[kind] < s->resource_sites) offered = true;
        if (!offered) offered = offered_while_building(s, kind);
        const Site *tmpl = site_template(kind);
        if (!offered || !tmpl || !(tflags(tmpl) & SITE_TFLAG_BUILDABLE)) continue;
        int32_t *entry = new (std::nothrow) int32_t(kind);
        if (!entry || list_append(&s->buildable, entry) < 0) delete entry;   // the list stays short
    }
}
