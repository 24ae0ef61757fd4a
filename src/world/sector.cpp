// Sectors: the record and its operation row, the site census and the queries over the sites,
// placement and labels, visitors, detection and the day turn. The parameter file and factory
// groups are in sector_params.cpp, the save record and snapshot in sector_save.cpp, the object
// listings in sector_listing.cpp.
#include "world/sector.h"

#include <algorithm>
#include <new>
#include <vector>
#include "effects/effect_spark.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/random.h"
#include "world/factory.h"
#include "world/fleet.h"
#include "world/object_internal.h"
#include "world/object_map.h"
#include "world/object_methods.h"
#include "world/sector_internal.h"
#include "world/ship.h"

namespace {

void release_site(Site *site) { object_release(site); }
void free_int(int32_t *value) { delete value; }

// ---- What the sector reads of its visitors ----


bool has_feature(const Site *s) { return s->feature != nullptr; }
int32_t defence_kind(const Site *s) { return s->feature ? s->feature->defence_kind : -1; }

int32_t scan_range(const GameObject *obj) {
    const Ship *ship = ship_of(obj);
    return ship ? ship->scan_range : 0;
}

int32_t first_frame_w(const GameObject *obj) { return obj->frame_count > 0 && obj->frame_w ? obj->frame_w[0] : 0; }
int32_t first_frame_h(const GameObject *obj) { return obj->frame_count > 0 && obj->frame_h ? obj->frame_h[0] : 0; }

// A site of this sector with that id (the target of a harvester).
Site *site_by_id(const Sector *s, uint64_t id) {
    if (id == 0) return nullptr;
    return sector_detail::first_site(s, [id](const Site *site) { return site->id == id; });
}

bool targeted_by_harvester(const Sector *s, uint64_t id) {
    return sector_detail::first_site(s, [id](const Site *site) {
               return site->subtype == SITE_HARVESTER && site->harvest_target_id == id;
           }) != nullptr;
}
// The reach of a detection against an object: a fleet's concealment shrinks it.
int32_t reach_against(const GameObject *obj, int32_t range) {
    const int32_t cloak = fleet_cloak(obj);
    return cloak > 0 ? (100 - cloak) * range / 100 : range;
}

// The player learns every object of the sector's map other than the sector and the sector
// owner's within range of the sector's centre.
void learn_surroundings(Sector *s, Player *player, int32_t range) {
    if (!s->map || !player) return;
    const int32_t cx = world_detail::centre_x(s), cy = world_detail::centre_y(s);
    for (int32_t i = 0; i < list_count(&s->map->objects); ++i) {
        GameObject *obj = list_get(&s->map->objects, i);
        if (!obj) break;
        if (obj == s || obj->owner_id == s->owner_id) continue;
        if (distance(world_detail::centre_x(obj) - cx, world_detail::centre_y(obj) - cy) > reach_against(obj, range))
            continue;
        world_detail::learn(player, obj, 0);
    }
}

// Every player other than `tapped` holding a sensor tap on it learns the sector in detail.
void teach_tappers(Sector *s, const Player *tapped, uint64_t tapped_id) {
    const Game *game = game_get();
    if (!game || !game->players) return;
    for (Player *player : game->players->items) {
        if (!player) break;
        if (player == tapped) continue;
        if (player_has_sensor_tap(player, tapped_id)) world_detail::learn(player, s, 1);
    }
}

// The starbase offers the kind while a site of it is under construction and it is not producing
// that same kind (nor a defence upgrade, nor something that names no site template).
bool offered_while_building(const Sector *s, int32_t kind) {
    if (!sector_find_site_under_construction(s, kind)) return false;
    const Site *base = sector_detail::starbase(s);
    if (!base) return false;
    if (!(base->state & SITE_PRODUCING)) return true;
    const int32_t item = base->item;
    return item >= 0 && item < SITE_TEMPLATE_COUNT && site_template(item) && item != kind;
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
    Sector *s = sector_detail::sector(obj);
    list_clear(&s->sites);
    list_clear(&s->objects);
    list_clear(&s->buildable);
    sector_detail::free_snapshot_arrays(s);
    object_free_record<Sector>(obj);
}

void sector_copy_template(GameObject *obj, const GameObject *tmpl_obj) {
    Sector *s = sector_detail::sector(obj);
    const Sector *tmpl = sector_detail::sector(tmpl_obj);
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
    Sector *s = sector_detail::sector(obj);
    if (obj->frame_count > 0) object_set_frame(obj, random_range(0, obj->frame_count - 1));
    s->twinkle_ms = random_range(500, 1000);
    s->pulse_ms = random_range(100, 10000);
    s->star_variant = random_range(0, 15);
    obj->flags |= OBJ_ALWAYS_DRAWN;
    s->known_feature_kind = -1;
    s->known_defence_kind = -1;
}

void sector_update(GameObject *obj, int32_t dt) {
    Sector *s = sector_detail::sector(obj);
    // The twinkle runs on the frames' time: it draws from the show stream, so that how many frames
    // a day took never changes the game's own draws.
    s->twinkle_ms -= dt;
    if (s->twinkle_ms <= 0) {
        s->twinkle_ms = random_show_range(500, 1000);
        if (obj->frame_count > 0) object_set_frame(obj, random_show_range(0, obj->frame_count - 1));
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
    if (!obj->map) return;
    // One green wave of the detection radius, 1600 ms fading from 500 ms, that its map waits for.
    PulseEffect *pulse = effect_create_pulse(1, radius, 255, 1600, 0, 0, 500, 1, 1, 0);
    if (pulse) map_add_effect(obj->map, pulse, world_detail::centre_x(obj), world_detail::centre_y(obj));
}

void sector_galaxy_turn(GameObject *obj) {
    Sector *s = sector_detail::sector(obj);
    for (int32_t i = 0; i < list_count(&s->sites); ++i) {
        Site *site = list_get(&s->sites, i);
        if (!site) break;
        object_galaxy_turn(site);
    }
    for (int32_t i = 0; i < list_count(&s->objects); ++i) {
        GameObject *visitor = list_get(&s->objects, i);
        if (!visitor) break;
        const bool foreign = visitor->owner_id != 0 && visitor->owner_id != obj->owner_id;
        const Ship *ship = ship_of(visitor);
        if (obj->owner_id != 0 && foreign && ship) {
            Officer *officer = ship->pilot;
            if (officer) officer_add_base_experience(officer, 100);
        }
        object_galaxy_turn(visitor);
    }
}

void sector_reset_state(GameObject *obj) {
    Sector *s = sector_detail::sector(obj);
    s->pulse_ms = random_range(100, 10000);
    for (GameObject *visitor : s->objects.items) {
        if (!visitor) break;
        // A dead ship leaves its fleet; the sector keeps it until its own sweep.
        Ship *ship = ship_of(visitor);
        if ((visitor->flags & OBJ_DEAD) && ship && ship->fleet_id != 0) ship_set_fleet(ship, nullptr);
    }
}

const char *sector_display_name(const GameObject *obj) { return sector_detail::sector(obj)->label.c_str(); }

void detect_for_owner(Sector *s) {
    Player *owner = object_get_owner(s);
    if (!owner) return;
    world_detail::learn(owner, s, 1);
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
        world_detail::learn(owner, visitor, 0);
        if (visitor->owner_id == 0) continue;
        auto group = std::find_if(groups.begin(), groups.end(),
                                  [visitor](const auto &g) { return g.first == visitor->owner_id; });
        if (group == groups.end()) group = groups.insert(groups.end(), {visitor->owner_id, 0});
        group->second = std::max(group->second, scan_range(visitor));
    }
    for (const auto &[player_id, scan] : groups) {
        Player *player = game_find_player(game_get(), player_id);
        if (!player) continue;
        learn_surroundings(s, player, std::max(1, SECTOR_SCAN_PERCENT * scan / 100));
        world_detail::learn(player, s, 1);
        teach_tappers(s, player, player_id);
    }
}

void sector_after_advance(GameObject *obj) {
    Sector *s = sector_detail::sector(obj);
    if (obj->owner_id != 0) detect_for_owner(s);
    detect_for_visitors(s);
}

void sector_advance_clock(GameObject *obj, int32_t minutes) {
    Sector *s = sector_detail::sector(obj);
    for (int32_t i = 0; i < list_count(&s->sites); ++i) {
        Site *site = list_get(&s->sites, i);
        if (!site) break;
        object_advance_clock(site, minutes);
    }
    for (int32_t i = 0; i < list_count(&s->objects); ++i) {
        GameObject *visitor = list_get(&s->objects, i);
        if (!visitor) break;
        object_advance_clock(visitor, minutes);
    }
}

GameObject *sector_find_child(GameObject *obj, uint64_t id) {
    Sector *s = sector_detail::sector(obj);
    for (Site *site : s->sites.items) {
        if (!site) break;
        GameObject *o = site;
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
    Sector *s = sector_detail::sector(obj);
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
        if (!(slot->flags & OBJ_DEAD)) continue;
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
        .write = sector_detail::write,
        .read = sector_detail::read,
        .link = sector_detail::link,
        .after_advance = sector_after_advance,
        .copy_record = sector_detail::copy_record,
        .advance_clock = sector_advance_clock,
        .find_child = sector_find_child,
        .purge_dead = sector_remove_dead,
    };
}

// ---- Queries ----

Sector *sector_create(int32_t sector_template) {
    return sector_of(factory_create_object(OBJECT_SECTOR, sector_template));
}

Site *sector_find_site_of_kind(const Sector *s, int32_t kind) {
    if (kind < 0 || kind >= SECTOR_SITE_KINDS || s->site_counts[kind] < 1) return nullptr;
    return sector_detail::first_site(s, [kind](const Site *site) { return site->subtype == kind; });
}

Site *sector_find_site_under_construction(const Sector *s, int32_t kind) {
    if (kind < 0 || kind >= SECTOR_SITE_KINDS || s->site_counts[kind] == 0) return nullptr;
    return sector_detail::first_site(s, [kind](const Site *site) {
        return site->subtype == kind && (site->state & SITE_UNDER_CONSTRUCTION);
    });
}

int32_t sector_starbase_crew(const Sector *s) {
    const Site *base = sector_detail::starbase(s);
    return base ? base->crew : 0;
}

bool sector_starbase_crew_full(const Sector *s) {
    if (s->site_counts[SITE_STARBASE] < 1) return false;
    const Site *base = sector_detail::starbase(s);
    if (!base) return false;
    const int32_t capacity = base->params.crew_capacity;
    return base->crew >= capacity;
}

int32_t sector_starbase_intake(const Sector *s) {
    Site *base = sector_detail::starbase(s);
    return base ? site_crew_intake_rate(base) : 0;
}

bool sector_has_starbase_of(const Sector *s, uint64_t player_id) {
    return sector_detail::first_site(s, [player_id](const Site *site) {
               return site->subtype == SITE_STARBASE && site->owner_id == player_id;
           }) != nullptr;
}

Site *sector_find_harvester_of(const Sector *s, uint64_t target_id) {
    return sector_detail::first_site(s, [target_id](const Site *site) {
        return site->subtype == SITE_HARVESTER && site->harvest_target_id == target_id;
    });
}

int32_t sector_harvest_income(const Sector *s) {
    int32_t income = 0;
    for (Site *site : s->sites.items) {
        if (!site) break;
        if (site->subtype != SITE_HARVESTER) continue;
        if (site->state & (SITE_UNDER_CONSTRUCTION | SITE_DEACTIVATED)) continue;
        const Site *target = site_by_id(s, site->harvest_target_id);
        if (!target || (target->flags & OBJ_DEAD)) continue;
        const int32_t d = target->harvest_divisor;
        if (d < 1) continue;
        const int32_t amount = site_harvest_amount(site);
        income += amount / d;
    }
    return income;
}

int32_t sector_total_research_rate(const Sector *s) {
    int32_t total = 0;
    for (Site *site : s->sites.items) {
        if (!site) break;
        total += site_research_rate(site);
    }
    return total;
}

Site *sector_find_recruitable_site(const Sector *s) {
    return sector_detail::first_site(s, [](const Site *site) {
        const int32_t population = site_get_population(site);
        return (site->params.template_flags & SITE_TF_POPULATION) && population > 0;
    });
}

Site *sector_find_defended_site(const Sector *s) {
    return sector_detail::first_site(s, [](const Site *site) { return has_feature(site) && defence_kind(site) >= 0; });
}

bool sector_has_defended_site(const Sector *s) { return sector_find_defended_site(s) != nullptr; }

Site *sector_find_gather_site(const Sector *s) {
    return sector_detail::first_site(s, [](const Site *site) {
        const int32_t k = sector_detail::feature_kind(site);
        return k == FEATURE_RESOURCES || k == FEATURE_SURVIVORS;
    });
}

int32_t sector_first_feature_kind(const Sector *s) {
    const Site *site = sector_detail::first_site(s, has_feature);
    return site ? sector_detail::feature_kind(site) : -1;
}

Site *sector_find_site_with_feature(const Sector *s, int32_t kind) {
    return sector_detail::first_site(
        s, [kind](const Site *site) { return has_feature(site) && sector_detail::feature_kind(site) == kind; });
}

Site *sector_find_cheapest_resource_site(const Sector *s) {
    Site *best = nullptr;
    for (Site *site : s->sites.items) {
        if (!site) break;
        if (!(site->params.template_flags & SITE_TF_RESOURCE)) continue;
        if (!best || site->harvest_divisor < best->harvest_divisor) best = site;
    }
    return best;
}

Site *sector_find_free_resource_site(const Sector *s) {
    Site *best = nullptr;
    for (Site *site : s->sites.items) {
        if (!site) break;
        if (!(site->params.template_flags & SITE_TF_RESOURCE)) continue;
        const int32_t left = site->resources_left;
        if (left < 1 || sector_detail::feature_kind(site) == FEATURE_HOME_COLONY) continue;
        if (targeted_by_harvester(s, site->id)) continue;
        if (!best || site->harvest_divisor < best->harvest_divisor) best = site;
    }
    return best;
}

Result sector_generate_feature(Sector *s, int32_t kind) {
    Site *site =
        sector_detail::first_site(s, [kind](const Site *candidate) { return site_feature_flag_test(candidate, kind); });
    if (!site) return RES_NO_FEATURE_SITE;
    site_generate_features(site, kind);
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
        if (site->params.template_flags & SITE_TF_LABELLED) ++n;
    }
    return n;
}

bool sector_has_object_of(const GameObject *obj, uint64_t player_id) {
    if (!obj || obj->kind != OBJECT_SECTOR || (obj->flags & OBJ_STUB)) return false;
    return sector_count_objects_of_owner(sector_detail::sector(obj), player_id) > 0;
}

Sector *sector_find(uint64_t id) {
    if (id == 0) return nullptr;
    const Game *game = game_get();
    if (game && game->galaxy_map) {
        ObjectFilter filter;
        filter.flags = FILTER_ID;
        filter.id = id;
        if (Sector *found = sector_of(map_query_object(game->galaxy_map, &filter))) return found;
    }
    return sector_of(game_find_object(game_get(), id));
}

void sector_join(GameObject *obj, GameObject *member) {
    if (Sector *s = sector_of(obj)) sector_add_object(s, member);
}

void sector_leave(GameObject *obj, GameObject *member) {
    if (Sector *s = sector_of(obj)) sector_remove_object(s, member);
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
    const Sector *tmpl = sector_detail::sector(tmpl_obj);
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
    const Site *tmpl = site_cast(tmpl_obj);
    const int32_t w = std::max(SECTOR_SITE_MIN_WIDTH, first_frame_w(tmpl_obj));
    const int32_t h = first_frame_h(tmpl_obj);
    const int32_t min_x = tmpl->params.place_min_x, min_y = tmpl->params.place_min_y;
    const int32_t max_x = tmpl->params.place_max_x, max_y = tmpl->params.place_max_y;

    int32_t left = 0, top = 0;
    bool found = false;
    for (int32_t attempt = 0; attempt < SECTOR_PLACE_TRIES && !found; ++attempt) {
        const int32_t x = random_range(min_x, max_x);
        const int32_t y = random_range(min_y, max_y);
        left = x - w / 2;
        top = y - h / 2;
        found = !sector_detail::first_site(s, [left, top, w, h](const Site *site) {
            const Site *o = site;
            const int32_t sw = std::max(SECTOR_SITE_MIN_WIDTH, first_frame_w(o));
            const int32_t sh = first_frame_h(o);
            const int32_t sx = world_detail::centre_x(o) - sw / 2, sy = o->y;
            return left <= sx + sw && sx <= left + w && top <= sy + sh && sy <= top + h;
        });
    }
    if (!found && !(tmpl->params.template_flags & SITE_TF_LABELLED))
        log_write(LOG_GAME, LOG_WARN,
                  "Sector #%llu \"%s\" - failed to find start position for site type %i w%i h%i, use x%i y%i",
                  (unsigned long long)s->id, s->label.c_str(), int(site_template), w, h, left, top);
    if (out_x) *out_x = left;
    if (out_y) *out_y = top;
}

void sector_add_site(Sector *s, Site *site, int32_t x, int32_t y) {
    Site *obj = site;
    obj->x = x;
    obj->y = y;
    site->home_x = x;
    site->home_y = y;
    object_assign_id(obj);
    site->sector_id = s->id;
    object_add_ref(obj);
    if (list_append(&s->sites, site) < 0) {
        object_release(obj);
        return;
    }
    if (site->subtype == SITE_TRAINING) site_spawn_initial_recruits(site);
    sector_refresh_sites(s);
    if (site->params.template_flags & SITE_TF_LABELLED) sector_assign_site_labels(s);
}

void sector_arrange_sites(Sector *s) {
    ShuffleBag<Site> bag;
    for (Site *site : s->sites.items) {
        if (!site) break;
        if (site->params.template_flags & SITE_TF_LABELLED) (void)list_append(&bag.items, site);   // a lost one stays put
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
        Site *obj = site;
        const int32_t range = spread - obj->w / 2 + 1;
        const int32_t offset = range > 1 ? int32_t(random_magnitude(random_u32()) % uint32_t(range)) : 0;
        obj->x = start + offset;
        site->home_x = obj->x;
        site->home_y = obj->y;
        start = obj->x + SECTOR_SITE_MIN_WIDTH + obj->w;
        spread = 70;
    }
    list_reset(&bag.items);   // the bag never owned the sites
    sector_assign_site_labels(s);
}

void sector_assign_site_labels(Sector *s) {
    if (sector_count_labelled_sites(s) == 0) return;
    std::vector<Site *> unnumbered;
    for (Site *site : s->sites.items) {
        if (!site) break;
        if (!(site->params.template_flags & SITE_TF_LABELLED)) continue;
        site->label_number = 0;
        unnumbered.push_back(site);
    }
    for (int32_t number = 1; !unnumbered.empty(); ++number) {
        // The smallest x; the earlier site in the list wins a tie.
        auto next = std::min_element(unnumbered.begin(), unnumbered.end(), [](const Site *a, const Site *b) {
            return a->x < b->x;
        });
        (*next)->label_number = number;
        unnumbered.erase(next);
    }
    if (Site *star = sector_find_site_of_kind(s, sector_star_kind(s->subtype)))
        star->label_number = random_range(0, SECTOR_LABEL_COUNT - 1);
}

void sector_refresh_sites(Sector *s) {
    std::fill(std::begin(s->site_counts), std::end(s->site_counts), 0);
    s->detect_range = 0;
    s->resource_sites = 0;
    for (Site *site : s->sites.items) {
        if (!site) break;
        const int32_t kind = site->subtype;
        if (kind >= 0 && kind < SECTOR_SITE_KINDS) ++s->site_counts[kind];
        const int32_t sensor = site->params.sensor_range;
        s->detect_range = std::max(s->detect_range, sensor);
        if ((site->params.template_flags & SITE_TF_RESOURCE) && sector_detail::feature_kind(site) != FEATURE_HOME_COLONY)
            ++s->resource_sites;
    }

    list_clear(&s->buildable);
    for (int32_t kind = 0; kind < SECTOR_SITE_KINDS; ++kind) {
        bool offered = s->site_counts[kind] == 0;
        if (!offered && kind == SITE_HARVESTER && s->site_counts[kind] < s->resource_sites) offered = true;
        if (!offered) offered = offered_while_building(s, kind);
        const Site *tmpl = site_template(kind);
        if (!offered || !tmpl || !(tmpl->params.template_flags & SITE_TF_BUILDABLE)) continue;
        int32_t *entry = new (std::nothrow) int32_t(kind);
        if (!entry || list_append(&s->buildable, entry) < 0) delete entry;   // the list stays short
    }
}

