// Ships in save games: the record after the common one, the link step after a load, and the copy
// into a player's snapshot.
#include "world/ship.h"

#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/log.h"
#include "systems/system.h"

namespace {

uint64_t date_minutes(const Date *date) { return date ? date->minutes : 0; }

// A Date rebuilt from its minute count replaces the old one.
Result read_ship_date(Buffer *buf, Date **field) {
    Date *date = nullptr;
    if (Result r = date_read(&date, buf); r != RES_OK) return r;
    date_free(*field);
    *field = date;
    return RES_OK;
}

// The system fields that say where it is mounted.
void mount_system(Ship *ship, int32_t i) {
    const Crit &crit = ship->crits[i];
    System *system = crit.system;
    system->facing = crit.direction * 90;
    system->mount_x = crit.x;
    system->mount_y = crit.y;
    system->mount_side = crit.direction;
    system->mount_index = i;
}

// The object of a stored id when it is of the kind, else null.
GameObject *find_of_kind(uint64_t id, int32_t kind) {
    GameObject *obj = game_find_object(game_get(), id);
    return obj && obj->kind == kind ? obj : nullptr;
}

}  // namespace

Result ship_write(const GameObject *obj, Buffer *buf) {
    const Ship *s = ship_of(obj);
    if (!s) return RES_MALFORMED;
    const uint64_t pilot = (s->flags & OBJ_SNAPSHOT) ? s->pilot_id : (s->pilot ? s->pilot->id : 0);
    Result r = buffer_write_u32(buf, s->ship_flags);
    if (r == RES_OK) r = buffer_write_string(buf, s->ship_name);
    if (r == RES_OK) r = buffer_write_string(buf, s->design_name);
    if (r == RES_OK) r = buffer_write_u64(buf, pilot);
    if (r == RES_OK) r = buffer_write_string(buf, s->pilot_text);
    for (int32_t v : {s->pilot_rank, s->snap_mass, s->snap_capacity_used, s->snap_max_armour, s->snap_shield_max,
                      s->snap_x, s->snap_y, s->damage_from, s->armour, s->crew, s->shields[0], s->shields[1],
                      s->shields[2], s->shields[3], s->ap, s->ap_carry, s->mp, s->capacity_max})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    for (int32_t i = 0; r == RES_OK && i < s->crit_count; ++i) {
        const System *system = s->crits[i].system;
        r = buffer_write_u32(buf, system ? 1u : 0u);
        if (r == RES_OK && system) r = system_write_record(system, buf);
    }
    for (uint64_t v : {s->sector_id, s->fleet_id, date_minutes(s->built_date), date_minutes(s->arrival_date),
                       s->ai_task_ids[0], s->ai_task_ids[1], s->ai_task_ids[2]})
        if (r == RES_OK) r = buffer_write_u64(buf, v);
    for (int32_t v : {s->aux_word, s->hack_count, s->hack_timer, s->repair_crit, s->repair_turns, s->engine_hit_rest,
                      s->ai_word, s->roll_value})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    return r;
}

Result ship_read(GameObject *obj, Buffer *buf) {
    Ship *s = ship_of(obj);
    if (!s) return RES_MALFORMED;
    Result r = buffer_read_u32(buf, &s->ship_flags);
    if (r == RES_OK) r = buffer_read_string(buf, &s->ship_name);
    if (r == RES_OK) r = buffer_read_string(buf, &s->design_name);
    if (r == RES_OK) r = buffer_read_u64(buf, &s->pilot_id);
    if (r == RES_OK) r = buffer_read_string(buf, &s->pilot_text);
    for (int32_t *v : {&s->pilot_rank, &s->snap_mass, &s->snap_capacity_used, &s->snap_max_armour, &s->snap_shield_max,
                       &s->snap_x, &s->snap_y, &s->damage_from, &s->armour, &s->crew, &s->shields[0], &s->shields[1],
                       &s->shields[2], &s->shields[3], &s->ap, &s->ap_carry, &s->mp, &s->capacity_max})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    for (int32_t i = 0; r == RES_OK && i < s->crit_count; ++i) {
        uint32_t fitted = 0;
        r = buffer_read_u32(buf, &fitted);
        if (r != RES_OK || fitted == 0) continue;
        System *system = nullptr;
        r = system_read_record(&system, buf);
        if (r != RES_OK) break;
        Crit &crit = s->crits[i];
        if (crit.system) {
            if (crit.system->ship == s) crit.system->ship = nullptr;
            system_release(crit.system);
        }
        system_retain(system);
        system->ship = s;
        crit.system = system;
    }
    if (r == RES_OK) r = buffer_read_u64(buf, &s->sector_id);
    if (r == RES_OK) r = buffer_read_u64(buf, &s->fleet_id);
    if (r == RES_OK) r = read_ship_date(buf, &s->built_date);
    if (r == RES_OK) r = read_ship_date(buf, &s->arrival_date);
    for (uint64_t &id : s->ai_task_ids)
        if (r == RES_OK) r = buffer_read_u64(buf, &id);
    for (int32_t *v : {&s->aux_word, &s->hack_count, &s->hack_timer, &s->repair_crit, &s->repair_turns,
                       &s->engine_hit_rest, &s->ai_word, &s->roll_value})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    return r;
}

Result ship_link(GameObject *obj) {
    Ship *s = ship_of(obj);
    if (!s) return RES_MALFORMED;
    for (int32_t i = 0; i < s->crit_count; ++i)
        if (s->crits[i].system) mount_system(s, i);

    // Every reference is looked up before any is taken, so a link that fails (and is tried again
    // later) has joined nothing: a sector or fleet never lists the ship twice.
    Officer *officer = nullptr;
    if (s->pilot_id != 0) {
        officer = game_find_player_officer(s->owner_id, s->pilot_id);
        if (!officer) {
            log_write(LOG_GAME, LOG_ERROR, "Ship failed to find pilot player %llu, id %llu",
                      (unsigned long long)s->owner_id, (unsigned long long)s->pilot_id);
            return RES_UNRESOLVED_ID;
        }
    }
    GameObject *sector = nullptr, *fleet = nullptr;
    if (s->sector_id != 0 && !(sector = find_of_kind(s->sector_id, OBJECT_SECTOR))) {
        log_write(LOG_GAME, LOG_ERROR, "Ship failed to find sector #%llu", (unsigned long long)s->sector_id);
        return RES_UNRESOLVED_ID;
    }
    if (s->fleet_id != 0 && !(fleet = find_of_kind(s->fleet_id, OBJECT_FLEET))) {
        log_write(LOG_GAME, LOG_ERROR, "Ship failed to find fleet #%llu", (unsigned long long)s->fleet_id);
        return RES_UNRESOLVED_ID;
    }

    // Joining its sector or fleet again is no settling: a ship saved on the way stays unsettled.
    const uint32_t unsettled = s->ship_flags & SHIP_FLAG_UNSETTLED;
    if (officer) {
        ship_set_pilot(s, officer);
    } else if (!(s->hull_flags & HULL_FLAG_NO_PILOT)) {
        ship_set_pilot(s, nullptr);
    }
    if (sector) {
        // Joining the sector again at load is no arrival: the saved date stands.
        const uint64_t arrived = date_minutes(s->arrival_date);
        s->sector_id = 0;
        ship_set_sector(s, sector);
        if (s->arrival_date) {
            s->arrival_date->minutes = arrived;
            date_from_minutes(s->arrival_date);
        }
    }
    if (fleet) {
        s->fleet_id = 0;
        ship_set_fleet(s, fleet);
    }
    s->ship_flags = (s->ship_flags & ~SHIP_FLAG_UNSETTLED) | unsettled;
    return RES_OK;
}

void ship_copy_record(GameObject *dest_obj, const GameObject *src_obj, int32_t version) {
    Ship *d = ship_of(dest_obj);
    Ship *s = const_cast<Ship *>(ship_of(src_obj));
    if (!d || !s || version < 0) return;
    if (d->ship_name != s->ship_name) d->ship_name = s->ship_name;
    d->armour = s->armour;
    d->max_armour = d->snap_max_armour = s->max_armour;
    d->crew = s->crew;
    d->max_crew = s->max_crew;
    d->shield_max = d->snap_shield_max = s->shield_max;
    d->pilot_rank = s->pilot_rank;
    d->pilot_id = s->pilot_id;
    if (d->pilot_text != s->pilot_text) d->pilot_text = s->pilot_text;
    d->sector_id = s->sector_id;
    d->fleet_id = s->fleet_id;
    d->mass = d->snap_mass = s->mass;
    d->capacity_used = d->snap_capacity_used = s->capacity_used;
    d->max_ap = s->max_ap;
    d->max_mp = s->max_mp;
    if (d->built_date && s->built_date) date_copy(d->built_date, s->built_date);
    ship_get_galaxy_position(s, &d->snap_x, &d->snap_y);
    if (!s->owner_label.empty()) {
        d->owner_label = s->owner_label;
        d->owner_label_r = s->owner_label_r;
        d->owner_label_g = s->owner_label_g;
        d->owner_label_b = s->owner_label_b;
    }
    if (version >= 1) {
        d->thrust = s->thrust;
        d->ap = s->ap;
        d->mp = s->mp;
        const int32_t n = d->crit_count < s->crit_count ? d->crit_count : s->crit_count;
        for (int32_t i = 0; i < n; ++i) {
            const System *from = s->crits[i].system;
            Crit &crit = d->crits[i];
            if (!from) {
                if (crit.system) {
                    if (crit.system->ship == d) crit.system->ship = nullptr;
                    system_release(crit.system);
                    crit.system = nullptr;
                }
                continue;
            }
            if (!crit.system) {
                System *copy = system_create(from->type);
                if (!copy) continue;
                system_copy(copy, from);
                system_retain(copy);
                copy->ship = d;
                crit.system = copy;
                mount_system(d, i);
                continue;
            }
            system_copy(crit.system, from);
        }
        d->ship_flags |= SHIP_FLAG_DETAILED_COPY;
    }
    ship_recompute_stats(d);
}
