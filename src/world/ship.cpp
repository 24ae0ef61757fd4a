// Ships: the record and its lifecycle, mount points and fitting, the mount geometry that follows
// the rotation frames, memberships (pilot, sector, fleet) and the kind's operation table.
#include "world/ship.h"

#include <algorithm>
#include <new>
#include "game/game.h"
#include "game/officer.h"
#include "platform/calendar.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/saturate.h"
#include "platform/store.h"
#include "platform/str.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/fleet.h"
#include "world/object_map.h"
#include "world/object_methods.h"
#include "world/sector.h"

namespace {

constexpr int32_t HACK_TIMER_BASE = 1220;
constexpr uint32_t HACK_TIMER_SPREAD = 1661;

bool crit_index_ok(const Ship *ship, int32_t i) { return i >= 0 && i < ship->crit_count && ship->crits; }

// Takes a system out of a crit: the system forgets the ship and the crit's reference goes.
void release_crit_system(Ship *ship, Crit *crit) {
    System *system = crit->system;
    if (!system) return;
    crit->system = nullptr;
    if (system->ship == ship) system->ship = nullptr;
    system_release(system);
}

// One entry of a per-frame table, or 0 outside it.
int32_t table_at(const ShipFrameTable &table, int32_t index) {
    if (!table || index < 0 || index >= int32_t(table->size())) return 0;
    return (*table)[size_t(index)];
}

// Ranks every crit in reading order: top to bottom, then left to right, then crit order.
void rank_crits(Ship *ship) {
    for (int32_t i = 0; i < ship->crit_count; ++i) ship->crits[i].order = -1;
    for (int32_t rank = 0; rank < ship->crit_count; ++rank) {
        int32_t best = -1;
        for (int32_t i = 0; i < ship->crit_count; ++i) {
            const Crit &c = ship->crits[i];
            if (c.order != -1) continue;
            if (best < 0 || c.y < ship->crits[best].y || (c.y == ship->crits[best].y && c.x < ship->crits[best].x))
                best = i;
        }
        ship->crits[best].order = rank;
    }
}

uint32_t draw_game_word(int generator) {
    Game *game = game_get();
    if (game && game->generators[generator]) return rng_next(game->generators[generator]);
    return random_u32();
}

void object_centre(const GameObject *obj, int32_t *x, int32_t *y) {
    *x = obj->x + obj->w / 2;
    *y = obj->y + obj->h / 2;
}

// ---- Slots without a public name ----

const char *ship_display_name(const GameObject *obj) { return ship_of(obj)->ship_name.c_str(); }
int32_t ship_icon(const GameObject *obj) { return ship_of(obj)->icon_frame; }
int32_t ship_picture(const GameObject *obj) { return ship_of(obj)->picture_frame; }
int32_t ship_evasion(const GameObject *obj) { return ship_of(obj)->evasion; }
int32_t ship_pilot_bonus(const GameObject *obj) {
    const Ship *ship = ship_of(obj);
    return ship->pilot ? ship->pilot->rank : 0;
}

}  // namespace

// ---- Record ----

uint32_t ship_size() { return uint32_t(sizeof(Ship)); }

const char *ship_type_name() { return "Ship"; }

void ship_init(GameObject *obj) {
    Ship *ship = object_init_record<Ship>(obj);
    ship->ship_name = "Unnamed";
    ship->design_name.clear();
    ship->pilot_text = "No commander";
    ship->built_date = date_create();
    ship->arrival_date = date_create();
    ship->tmpl_c = -1;
}

void ship_free(GameObject *obj) {
    Ship *ship = static_cast<Ship *>(obj);
    date_free(ship->built_date);
    date_free(ship->arrival_date);
    ship->built_date = ship->arrival_date = nullptr;
    if (ship->pilot) {
        officer_release(ship->pilot);
        ship->pilot = nullptr;
    }
    if (ship->scan_target) {
        if (ship->scan_target->flags & OBJ_STUB) object_destroy(ship->scan_target);
        else object_release(ship->scan_target);
        ship->scan_target = nullptr;
    }
    ship_alloc_crits(ship, 0);
    object_free_record<Ship>(obj);
}

void ship_copy_template(GameObject *obj, const GameObject *tmpl_obj) {
    Ship *ship = ship_of(obj);
    const Ship *t = ship_of(tmpl_obj);
    if (!ship || !t) return;
    ship->hull_flags = t->hull_flags;
    ship->rot_first = t->rot_first;
    ship->rot_last = t->rot_last;
    ship->icon_frame = t->icon_frame;
    ship->design_frame = t->design_frame;
    ship->frame_c = t->frame_c;
    ship->frame_d = t->frame_d;
    ship->picture_frame = t->picture_frame;
    ship->alt_first = t->alt_first;
    ship->alt_last = t->alt_last;
    ship->offset_first = t->offset_first;
    ship->offset_last = t->offset_last;
    ship->extra_first = t->extra_first;
    ship->extra_last = t->extra_last;
    ship->offset_x = t->offset_x;
    ship->offset_y = t->offset_y;
    ship->centre_x = t->centre_x;
    ship->centre_y = t->centre_y;
    ship->base_max_armour = t->base_max_armour;
    ship->base_max_crew = t->base_max_crew;
    ship->base_mass = t->base_mass;
    ship->roll_min = t->roll_min;
    ship->roll_max = t->roll_max;
    ship->base_scan_cost = t->base_scan_cost;
    ship->base_scan_range = t->base_scan_range;
    ship->base_cost = t->base_cost;
    ship->base_build_a = t->base_build_a;
    ship->base_build_b = t->base_build_b;
    ship->tmpl_a = t->tmpl_a;
    ship->tmpl_b = t->tmpl_b;
    ship->tmpl_c = t->tmpl_c;
    ship->death_duration = t->death_duration;
    ship->shield_max = t->shield_max;
    ship->max_ap = t->max_ap;
    ship->evasion = t->evasion;
    ship->capacity_max = t->capacity_max;

    ship_alloc_crits(ship, t->crit_count);
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        const Crit &from = t->crits[i];
        Crit &to = ship->crits[i];
        to.x = from.x;
        to.y = from.y;
        to.mount_type = from.mount_type;
        to.direction = from.direction;
        to.order = from.order;
        to.position_count = from.position_count;
        to.frame_x = from.frame_x;
        to.frame_y = from.frame_y;
        std::copy(std::begin(from.display), std::end(from.display), std::begin(to.display));
    }
}

void ship_on_created(GameObject *obj) {
    Ship *ship = ship_of(obj);
    if (!ship) return;
    for (int32_t i = 0; i < ship->crit_count; ++i)
        if (ship->crits[i].system) system_refresh(ship->crits[i].system);
    if (ship->frame_count > 0 && ship->frame_w && ship->frame_h) {
        ship->base_frame_w = ship->frame_w[0];
        ship->base_frame_h = ship->frame_h[0];
    }
    ship->aux_word = -1;
    ship->hack_timer = HACK_TIMER_BASE + int32_t(random_magnitude(draw_game_word(GAME_GENERATOR_HACKING)) % HACK_TIMER_SPREAD);
}

// ---- Crits ----

void ship_alloc_crits(Ship *ship, int32_t n) {
    ship_free_crits(ship);
    delete[] ship->crits;
    ship->crits = nullptr;
    ship->crit_count = 0;
    if (n <= 0) return;
    ship->crits = new (std::nothrow) Crit[size_t(n)]();
    if (!ship->crits) {
        log_write(LOG_GAME, LOG_ERROR, "Ship \"%s\" - failed to allocate %i criticals", ship->name.c_str(), n);
        return;
    }
    ship->crit_count = n;
}

void ship_free_crits(Ship *ship) {
    for (int32_t i = 0; ship->crits && i < ship->crit_count; ++i) {
        Crit &crit = ship->crits[i];
        release_crit_system(ship, &crit);
        if (ship->ship_flags & SHIP_FLAG_TEMPLATE) {
            crit.frame_x.reset();
            crit.frame_y.reset();
            crit.position_count = 0;
        }
    }
}

System *ship_get_crit_system(const Ship *ship, int32_t i) {
    return crit_index_ok(ship, i) ? ship->crits[i].system : nullptr;
}

int32_t ship_count_mount0_crits(const Ship *ship) {
    int32_t n = 0;
    for (int32_t i = 0; i < ship->crit_count; ++i) n += ship->crits[i].mount_type == MOUNT_SYSTEM;
    return n;
}

const char *ship_crit_direction_name(int32_t direction) {
    switch (direction) {
    case 1: return "Port";
    case 2: return "Aft";
    case 3: return "Starboard";
    default: return "Fore";
    }
}

Result ship_check_crit_fit(const Ship *ship, int32_t i, const System *system) {
    if (!crit_index_ok(ship, i)) return RES_OUT_OF_RANGE;
    if (!system) return RES_OK;
    const uint32_t f = system->flags;
    const int32_t m = ship->crits[i].mount_type;
    if ((f & SYSTEM_FLAG_ENGINE_MOUNT) && m != MOUNT_ENGINE) return RES_WRONG_MOUNT_TYPE;
    if ((f & SYSTEM_FLAG_ARMOUR_MOUNT) && m != MOUNT_ARMOUR) return RES_WRONG_MOUNT_TYPE;
    if (m == MOUNT_ENGINE && !(f & SYSTEM_FLAG_ENGINE_MOUNT)) return RES_WRONG_MOUNT_TYPE;
    if (m == MOUNT_ARMOUR && !(f & SYSTEM_FLAG_ARMOUR_MOUNT)) return RES_WRONG_MOUNT_TYPE;
    if (f & SYSTEM_FLAG_ONE_PER_SHIP) {
        for (int32_t j = 0; j < ship->crit_count; ++j) {
            const System *other = ship->crits[j].system;
            if (j != i && other && other->type == system->type) return RES_ONE_PER_SHIP;
        }
    }
    const int32_t power = system->power;
    if (power < 1) return RES_OK;
    int32_t free = ship->capacity_max - ship->capacity_used;
    if (const System *old = ship->crits[i].system) free += old->power;
    return power > free ? RES_POWER_EXCEEDED : RES_OK;
}

Result ship_set_crit_system(Ship *ship, int32_t i, System *system) {
    if (!crit_index_ok(ship, i)) return RES_OUT_OF_RANGE;
    Crit &crit = ship->crits[i];
    if (system) {
        if (crit.system) return RES_MOUNT_OCCUPIED;
        const Result fit = ship_check_crit_fit(ship, i, system);
        if (fit != RES_OK) {
            log_write(LOG_GAME, LOG_WARN, "Ship \"%s\" (%s) - failed to set system \"%s\" in crit %i (error %i)",
                      ship->ship_name.c_str(), ship->name.c_str(), system->name.c_str(), i, int(fit));
            return fit;
        }
        system_retain(system);
        crit.system = system;
        system->facing = crit.direction * 90;
        system->mount_x = crit.x;
        system->mount_y = crit.y;
        system->mount_side = crit.direction;
        system->mount_index = i;
        system->ship = ship;
        ship_recompute_stats(ship);
        return RES_OK;
    }
    if (!crit.system) return RES_OK;
    release_crit_system(ship, &crit);
    ship_recompute_stats(ship);
    return RES_OK;
}

Result ship_crit_position_for_frame(const Ship *ship, int32_t i, int32_t *x, int32_t *y) {
    if (!crit_index_ok(ship, i)) return RES_OUT_OF_RANGE;
    const int32_t d = ship->design_frame;
    if (d < 0) return RES_NO_PLACEMENT;
    // Without the frame sizes (or with an empty frame 0) there is nothing to scale by.
    if (!ship->frame_w || !ship->frame_h || d >= ship->frame_count || ship->frame_w[0] < 1 || ship->frame_h[0] < 1)
        return RES_NO_PLACEMENT;
    const Crit &c = ship->crits[i];
    if (x) *x = int32_t(int64_t(ship->frame_w[d]) * c.x / ship->frame_w[0]);
    if (y) *y = int32_t(int64_t(ship->frame_h[d]) * c.y / ship->frame_h[0]);
    return RES_OK;
}

Result ship_get_crit_display_params(const Ship *ship, int32_t i, int32_t *a, int32_t *b, int32_t *c, int32_t *d) {
    if (!crit_index_ok(ship, i)) return RES_OUT_OF_RANGE;
    const int32_t *p = ship->crits[i].display;
    if (a) *a = p[0];
    if (b) *b = p[1];
    if (c) *c = p[2];
    if (d) *d = p[3];
    return RES_OK;
}

int32_t ship_has_system_type(const Ship *ship, int32_t type) {
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        const System *s = ship->crits[i].system;
        if (s && s->type == type && !(s->status & SYSTEM_STATUS_OFFLINE)) return 1;
    }
    return 0;
}

void ship_set_crit(Ship *ship, int32_t i, int32_t x, int32_t y, int32_t mount_type, int32_t direction) {
    if (!crit_index_ok(ship, i)) {
        log_write(LOG_GAME, LOG_ERROR, "Ship \"%s\" - attempt to set illegal critical #%i (%i available)",
                  ship->name.c_str(), i, ship->crit_count);
        return;
    }
    Crit &c = ship->crits[i];
    c.x = x;
    c.y = y;
    c.mount_type = mount_type;
    c.direction = direction;
    rank_crits(ship);
}

void ship_set_crit_positions(Ship *ship, int32_t i, int32_t n, const int32_t *xs, const int32_t *ys) {
    if (!crit_index_ok(ship, i)) {
        log_write(LOG_GAME, LOG_ERROR,
                  "Ship \"%s\" - attempt to set direction positions for illegal critical #%i (%i available)",
                  ship->name.c_str(), i, ship->crit_count);
        return;
    }
    Crit &c = ship->crits[i];
    if (n < 1 || !xs || !ys) {
        c.position_count = 0;
        c.frame_x.reset();
        c.frame_y.reset();
        return;
    }
    // New tables: ships made earlier keep the ones they share.
    c.frame_x = std::make_shared<const std::vector<int32_t>>(xs, xs + n);
    c.frame_y = std::make_shared<const std::vector<int32_t>>(ys, ys + n);
    c.position_count = n;
}

void ship_set_crit_display_params(Ship *ship, int32_t i, int32_t a, int32_t b, int32_t c, int32_t d) {
    if (!crit_index_ok(ship, i)) {
        log_write(LOG_GAME, LOG_ERROR,
                  "Ship \"%s\" - attempt to set display params for illegal critical #%i (%i available)",
                  ship->name.c_str(), i, ship->crit_count);
        return;
    }
    int32_t *p = ship->crits[i].display;
    p[0] = a;
    p[1] = b;
    p[2] = c;
    p[3] = d;
}

Result ship_load_description(int32_t template_index, std::string *text) {
    const std::string path = str_format("ship/%.3i/dat/desc.txt", template_index);
    return store_read_text(path.c_str(), text);
}

// ---- Memberships ----

void ship_set_pilot(Ship *ship, Officer *officer) {
    if (ship->hull_flags & HULL_FLAG_NO_PILOT) {
        if (officer)
            log_write(LOG_GAME, LOG_WARN,
                      "Ship #%llu \"%s\" (%s) - failed to set pilot #%llu \"%s\" (no pilot flag set)",
                      (unsigned long long)ship->id, ship->ship_name.c_str(), ship->name.c_str(),
                      (unsigned long long)officer->id, ship->pilot_text.c_str());
        return;
    }
    // The new pilot's reference comes first, so setting the same officer again cannot free it.
    if (officer) officer_retain(officer);
    if (Officer *old = ship->pilot) {
        old->ship_id = 0;
        ship->pilot = nullptr;
        officer_release(old);
    }
    if (officer) {
        ship->pilot = officer;
        officer->ship_id = ship->id;
        officer->sector_id = 0;
        ship->pilot_text = officer->name;
        ship->pilot_id = officer->id;
        ship->pilot_rank = officer->rank;
    } else {
        ship->pilot_text = "No commander";
        ship->pilot_id = 0;
        ship->pilot_rank = 0;
    }
    ship_recompute_stats(ship);
    ship->ap = ship->max_ap;
    ship->mp = ship->max_mp;
}

void ship_set_sector(Ship *ship, GameObject *sector) {
    const uint64_t new_id = sector ? sector->id : 0;
    if (new_id == ship->sector_id && (sector || ship->sector_id == 0)) return;
    if (ship->sector_id != 0) sector_leave(sector_find(ship->sector_id), ship);
    if (!sector) {
        ship->sector_id = 0;
        return;
    }
    ship->sector_id = sector->id;
    sector_join(sector, ship);
    const Game *game = game_get();
    if (game && game->clock && ship->arrival_date) date_copy(ship->arrival_date, game->clock);
    ship->ship_flags &= ~SHIP_FLAG_UNSETTLED;
}

void ship_set_fleet(Ship *ship, GameObject *fleet) {
    const uint64_t new_id = fleet ? fleet->id : 0;
    if (new_id == ship->fleet_id && (fleet || ship->fleet_id == 0)) return;
    if (ship->fleet_id != 0)
        if (Fleet *old = fleet_of(game_find_object(game_get(), ship->fleet_id))) fleet_remove_ship(old, ship);
    ship->ship_flags &= ~SHIP_FLAG_UNSETTLED;
    if (!fleet) {
        ship->fleet_id = 0;
        return;
    }
    ship->fleet_id = fleet->id;
    if (Fleet *f = fleet_of(fleet)) fleet_add_ship(f, ship);
}

void ship_get_galaxy_position(Ship *ship, int32_t *x, int32_t *y) {
    int32_t px = 0, py = 0;
    if (ship->fleet_id != 0) {
        const GameObject *fleet = game_find_object(game_get(), ship->fleet_id);
        if (fleet && fleet->kind == OBJECT_FLEET) object_centre(fleet, &px, &py);
        else
            log_write(LOG_GAME, LOG_ERROR, "Failed to get ship #%llu \"%s\" galaxy position (fleet #%llu not found)",
                      (unsigned long long)ship->id, ship->ship_name.c_str(), (unsigned long long)ship->fleet_id);
    } else if (ship->sector_id != 0) {
        const GameObject *sector = game_find_object(game_get(), ship->sector_id);
        if (sector && sector->kind == OBJECT_SECTOR) object_centre(sector, &px, &py);
        else
            log_write(LOG_GAME, LOG_ERROR, "Failed to get ship #%llu \"%s\" galaxy position (sector #%llu not found)",
                      (unsigned long long)ship->id, ship->ship_name.c_str(), (unsigned long long)ship->sector_id);
    }
    if (x) *x = px;
    if (y) *y = py;
}

// ---- Frames and headings ----

int32_t ship_frame_in_range(int32_t heading, int32_t first, int32_t last) {
    // 64 bits: the range and the heading may come from files.
    const int64_t n = int64_t(last) - first + 1;
    if (n < 1) return first;
    const int32_t turned = angle_normalize(int32_t((int64_t(heading) + 180 / n) % 360));
    return saturate_i32(turned * n / 360 + first);
}

int32_t ship_frame_for_heading_alt(const Ship *ship, int32_t heading) {
    if (!(ship->hull_flags & HULL_FLAG_ROTATING)) return ship->alt_first;
    return ship_frame_in_range(heading, ship->alt_first, ship->alt_last);
}

void ship_adjust_position_for_heading(const Ship *ship, int32_t old_heading, int32_t new_heading, int32_t *x,
                                      int32_t *y) {
    if (!(ship->hull_flags & HULL_FLAG_ROTATING)) return;
    int32_t from = ship_frame_for_heading(ship, old_heading);
    const int32_t to = ship_frame_for_heading(ship, new_heading);
    if (from == to) return;
    const int32_t step = angle_diff(old_heading, new_heading) < 0 ? -1 : 1;
    const bool offsets = ship->offset_x && ship->offset_y;
    // The turn passes one frame at a time around the rotation range. Each frame passed adds its
    // offset and takes away the next one's, so the ship moves by the offset of the frame it starts
    // from less that of the frame it stops at. Both frames lie in the range, so it stops on the new
    // one; the frames are walked only where a step at the ends of the integers could stick (a frame
    // that never gets there stops the walk after one full turn).
    const int64_t n = int64_t(ship->rot_last) - ship->rot_first + 1;
    const int32_t start = from;
    if (ship->rot_first > INT32_MIN && ship->rot_last < INT32_MAX) from = to;
    for (int64_t guard = 0; from != to && guard < n; ++guard) {
        int32_t next = saturate_add_i32(from, step);
        if (next > ship->rot_last) next = ship->rot_first;
        if (next < ship->rot_first) next = ship->rot_last;
        from = next;
    }
    int64_t px = *x, py = *y;   // the offset tables come from the parameter file
    if (offsets && from != start) {
        const int32_t at = saturate_i32(int64_t(start) - ship->offset_first);
        const int32_t to_at = saturate_i32(int64_t(from) - ship->offset_first);
        px += int64_t(table_at(ship->offset_x, at)) - table_at(ship->offset_x, to_at);
        py += int64_t(table_at(ship->offset_y, at)) - table_at(ship->offset_y, to_at);
    }
    *x = saturate_i32(px);
    *y = saturate_i32(py);
}

void ship_set_heading(GameObject *obj, int32_t heading) {
    Ship *ship = ship_of(obj);
    if (!ship || !(ship->hull_flags & HULL_FLAG_ROTATING) || (ship->hull_flags & HULL_FLAG_NO_TURN)) return;
    int32_t x = ship->x, y = ship->y;
    ship_adjust_position_for_heading(ship, ship->heading, heading, &x, &y);
    const int32_t frame = ship_frame_for_heading(ship, heading);
    object_set_frame(ship, frame);
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        const Crit &c = ship->crits[i];
        if (!c.system || c.position_count <= frame) continue;
        c.system->mount_x = table_at(c.frame_x, frame);
        c.system->mount_y = table_at(c.frame_y, frame);
    }
    ship->x = x;
    ship->y = y;
}

int32_t ship_turn_is_blocked(Ship *ship, int32_t heading) {
    if (!ship->map) return 0;
    int32_t x = ship->x, y = ship->y;
    ship_adjust_position_for_heading(ship, ship->heading, heading, &x, &y);
    ObjectFilter filter;
    filter.flags = FILTER_PLACEMENT;
    filter.px = x;
    filter.py = y;
    filter.self = ship;
    filter.frame = ship_frame_for_heading(ship, heading);
    return map_query_object(ship->map, &filter) ? 1 : 0;
}

// The largest frame over the rotation frames (frame 0 alone for a fixed hull).
void ship_max_frame_size(const GameObject *obj, int32_t *w, int32_t *h) {
    const Ship *ship = ship_of(obj);
    int32_t max_w = 0, max_h = 0;
    if (ship && ship->frame_w && ship->frame_h) {
        const bool rotating = ship->hull_flags & HULL_FLAG_ROTATING;
        const int32_t first = rotating ? ship->rot_first : 0, last = rotating ? ship->rot_last : 0;
        for (int32_t f = std::max(first, 0); f <= last && f < ship->frame_count; ++f) {
            max_w = std::max(max_w, ship->frame_w[f]);
            max_h = std::max(max_h, ship->frame_h[f]);
        }
    }
    if (w) *w = max_w;
    if (h) *h = max_h;
}

void ship_get_frame_extent(const Ship *ship, int32_t *w, int32_t *h) {
    int32_t max_w = 0, max_h = 0;
    const bool offsets = ship->offset_x && ship->offset_y;
    if (ship->frame_w && ship->frame_h) {
        // Sizes and offsets come from the parameter file: summed in 64 bits, held to the 32-bit range.
        for (int32_t f = std::max(ship->offset_first, 0); f <= ship->offset_last && f < ship->frame_count; ++f) {
            int64_t fw = ship->frame_w[f], fh = ship->frame_h[f];
            if (offsets) {
                const int32_t at = saturate_i32(int64_t(f) - ship->offset_first);
                fw += table_at(ship->offset_x, at);
                fh += table_at(ship->offset_y, at);
            }
            max_w = std::max(max_w, saturate_i32(fw));
            max_h = std::max(max_h, saturate_i32(fh));
        }
    }
    if (w) *w = max_w;
    if (h) *h = max_h;
}

// ---- Kind set-up ----

void ship_register_methods(ObjectMethods *row) {
    *row = ObjectMethods{
        .size = ship_size,
        .type_name = ship_type_name,
        .init = ship_init,
        .free = ship_free,
        .copy_template = ship_copy_template,
        .on_created = ship_on_created,
        .update = ship_update,
        .encounter_begin = ship_encounter_begin,
        .turn_begin = ship_turn_begin,
        .turn_end = ship_turn_end,
        .galaxy_turn = ship_galaxy_turn,
        .draw = ship_draw,
        .reset_state = ship_reset_state,
        .on_killed = ship_on_killed,
        .set_heading = ship_set_heading,
        .apply_damage = ship_apply_damage,
        .act = ship_act,
        .plan = ship_plan,
        .display_name = ship_display_name,
        .icon = ship_icon,
        .picture = ship_picture,
        .evasion = ship_evasion,
        .pilot_bonus = ship_pilot_bonus,
        .hit_chance = ship_hit_chance,
        .write = ship_write,
        .read = ship_read,
        .link = ship_link,
        .intercept = ship_intercept,
        .copy_record = ship_copy_record,
        .advance_clock = ship_advance_clock,
        .frame_extent = ship_max_frame_size,
    };
}

void ship_factory_init(Factory *factory) {
    factory->kind = OBJECT_SHIP;
    factory->template_count = SHIP_TEMPLATE_COUNT;
    factory->load_params = ship_load_params;
    factory->group_frames = ship_group_frames;
    factory->frame_dir = "ship/%.3i/png";
}
