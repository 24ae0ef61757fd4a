// The player save record: one Player with everything it owns inside a save game.
#include <memory>
#include <new>
#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/log.h"
#include "systems/system.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/ship.h"

namespace {

// An officer record with an empty name: ids, words, the hired date, skills and tallies.
constexpr uint32_t OFFICER_RECORD_MIN_BYTES = 8 + 4 + 4 + 3 * 4 + 4 * 8 + 8 + 6 * 4 + 8 + OFFICER_SKILL_COUNT * 4 + 6 * 4;
constexpr uint32_t OBJECT_RECORD_MIN_BYTES = uint32_t(OBJECT_COMMON_RECORD_MIN_BYTES);
constexpr uint32_t TAP_RECORD_BYTES = 3 * 8;

// A count, then the records: a list's items or the known list a save keeps.
template <class Objects> Result write_objects(const Objects &objects, Buffer *buf) {
    Result r = buffer_write_i32(buf, int32_t(objects.size()));
    for (const GameObject *obj : objects)
        if (r == RES_OK && obj) r = object_write(obj, buf);
    return r;
}

Result write_int_list(const List<int32_t> &list, Buffer *buf) {
    Result r = buffer_write_i32(buf, list_count(&list));
    for (const int32_t *v : list.items)
        if (r == RES_OK && v) r = buffer_write_i32(buf, *v);
    return r;
}

Result write_ai(const AiPlayer *ai, Buffer *buf) {
    Result r = buffer_write_i32(buf, ai ? 1 : 0);
    if (r != RES_OK || !ai) return r;
    if (!player_ai_hooks().save) return RES_UNSUPPORTED;
    return player_ai_hooks().save(ai, buf);
}

Result read_ai(AiPlayer **out, Buffer *buf) {
    int32_t present = 0;
    Result r = buffer_read_i32(buf, &present);
    if (r != RES_OK || present < 1) return r;
    if (!player_ai_hooks().load) {
        log_write(LOG_GAME, LOG_ERROR, "Player record holds an AI state but no AI reader is installed");
        return RES_UNSUPPORTED;
    }
    return player_ai_hooks().load(out, buf);
}

Result read_date_minutes(Buffer *buf, Date *date) {
    uint64_t minutes = 0;
    Result r = buffer_read_u64(buf, &minutes);
    if (r == RES_OK && date) {
        date->minutes = minutes;
        date_from_minutes(date);
    }
    return r;
}

Result read_int_list(Buffer *buf, List<int32_t> *list) {
    int32_t n = 0;
    Result r = buffer_read_count(buf, 4, &n);
    for (int32_t i = 0; r == RES_OK && i < n; ++i) {
        int32_t value = 0;
        r = buffer_read_i32(buf, &value);
        if (r != RES_OK) break;
        int32_t *item = new (std::nothrow) int32_t(value);
        if (!item || list_append(list, item) < 0) {
            delete item;
            r = RES_NO_MEMORY;
        }
    }
    return r;
}

// One object record that must be a ship (an own ship or a design); anything else is destroyed
// and refused. `what` names the list in the log line.
Result read_ship(const Player *p, Buffer *buf, const char *what, GameObject **out) {
    GameObject *obj = nullptr;
    if (Result r = object_read(&obj, buf); r != RES_OK) return r;
    if (obj->kind != OBJECT_SHIP) {
        log_write(LOG_GAME, LOG_ERROR, "Player #%llu \"%s\" %s #%llu of kind %i, not a ship", (unsigned long long)p->id,
                  p->name.c_str(), what, (unsigned long long)obj->id, obj->kind);
        object_destroy(obj);
        return RES_MALFORMED;
    }
    *out = obj;
    return RES_OK;
}

// Officers, own ships, known objects and designs, each an i32 count and the records.
Result read_lists(Player *p, Buffer *buf) {
    int32_t n = 0;
    Result r = buffer_read_count(buf, OFFICER_RECORD_MIN_BYTES, &n);
    for (int32_t i = 0; r == RES_OK && i < n; ++i) {
        Officer *officer = nullptr;
        r = officer_read(&officer, buf);
        if (r != RES_OK) break;
        officer_retain(officer);
        if (list_append(&p->officers, officer) < 0) {
            officer_release(officer);
            r = RES_NO_MEMORY;
        }
    }
    if (r == RES_OK) r = buffer_read_count(buf, OBJECT_RECORD_MIN_BYTES, &n);
    for (int32_t i = 0; r == RES_OK && i < n; ++i) {
        GameObject *obj = nullptr;
        r = read_ship(p, buf, "owns object", &obj);
        if (r == RES_OK) player_add_object(p, obj);
    }
    if (r == RES_OK) r = buffer_read_count(buf, OBJECT_RECORD_MIN_BYTES, &n);
    for (int32_t i = 0; r == RES_OK && i < n; ++i) {
        GameObject *obj = nullptr;
        r = object_read(&obj, buf);
        if (r != RES_OK) break;
        object_add_ref(obj);
        if (list_append(&p->known, obj) < 0 || hash_table_insert(p->known_map, obj) < 0) {
            list_remove_value(&p->known, obj);
            object_release(obj);
            r = RES_NO_MEMORY;
        }
    }
    if (r == RES_OK) r = buffer_read_count(buf, OBJECT_RECORD_MIN_BYTES, &n);
    for (int32_t i = 0; r == RES_OK && i < n; ++i) {
        GameObject *obj = nullptr;
        r = read_ship(p, buf, "has design", &obj);
        if (r == RES_OK && list_append(&p->designs, obj) < 0) {
            object_destroy(obj);
            r = RES_NO_MEMORY;
        }
    }
    return r;
}

}  // namespace

Result player_write(const Player *p, Buffer *buf, const Game *game) {
    Result r = buffer_write_u64(buf, p->id);
    if (r == RES_OK) r = buffer_write_i32(buf, p->kind);
    if (r == RES_OK) r = buffer_write_u32(buf, p->flags);
    for (int32_t v : {p->red, p->green, p->blue})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    if (r == RES_OK) r = buffer_write_string(buf, p->name);
    if (r == RES_OK) r = buffer_write_i32(buf, p->credits);
    if (r == RES_OK) r = buffer_write_i32(buf, list_count(&p->officers));
    for (const Officer *officer : p->officers.items)
        if (r == RES_OK && officer) r = officer_write(officer, buf);
    if (r == RES_OK) r = write_objects(p->objects.items, buf);
    if (r == RES_OK) r = game ? write_objects(player_saved_snapshots(game, p), buf) : write_objects(p->known.items, buf);
    if (r == RES_OK) r = write_objects(p->designs.items, buf);
    if (r == RES_OK) r = buffer_write_i32(buf, p->spare);
    for (int32_t t = 0; r == RES_OK && t < PLAYER_TECH_COUNT; ++t) {
        r = buffer_write_i32(buf, p->research_points[t]);
        if (r == RES_OK) r = buffer_write_u32(buf, p->tech_state[t]);
        if (r == RES_OK) r = buffer_write_u64(buf, p->queue_dates[t] ? p->queue_dates[t]->minutes : 0);
        if (r == RES_OK) r = buffer_write_u64(buf, p->completion_dates[t] ? p->completion_dates[t]->minutes : 0);
    }
    if (r == RES_OK) r = buffer_write_i32(buf, list_count(&p->catalog));
    for (const System *system : p->catalog.items)
        if (r == RES_OK && system) r = system_write_record(system, buf);
    if (r == RES_OK) r = write_int_list(p->facilities, buf);
    if (r == RES_OK) r = write_int_list(p->hulls, buf);
    if (r == RES_OK) r = write_ai(p->galaxy_ai, buf);
    if (r == RES_OK) r = write_ai(p->commander_ai, buf);
    for (int32_t v : {p->totals.design_counter, p->spare2, p->research_remainder, p->bonus[0], p->bonus[1],
                      p->bonus[2], p->credits_earned, p->crew_trained, p->enemy_ships_destroyed})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    if (r == RES_OK) r = buffer_write_u64(buf, p->enemy_mass_destroyed);
    for (int32_t v : {p->enemy_starbases_destroyed, p->ships_built, p->starbases_built, p->encounter_numbers[0],
                      p->encounter_numbers[1], p->encounter_numbers[2]})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    if (r == RES_OK) r = buffer_write_u64(buf, p->defeat_date ? p->defeat_date->minutes : 0);
    if (r == RES_OK) r = buffer_write_u64(buf, p->defeated_by);
    if (r == RES_OK) r = buffer_write_i32(buf, p->research_target);
    if (r == RES_OK) r = buffer_write_i32(buf, list_count(&p->taps));
    for (const SensorTap *tap : p->taps.items) {
        if (r != RES_OK || !tap) continue;
        r = buffer_write_u64(buf, tap->player_id);
        if (r == RES_OK) r = buffer_write_u64(buf, tap->sector_id);
        if (r == RES_OK) r = buffer_write_u64(buf, tap->expiry);
    }
    if (r == RES_OK) r = buffer_write_u64(buf, p->record_id);
    return r;
}

Result player_read(Player **out, Buffer *buf) {
    PlayerPtr player(player_create(PLAYER_KIND_COMPUTER));
    if (!player) return RES_NO_MEMORY;
    Player *p = player.get();
    Result r = buffer_read_u64(buf, &p->id);
    if (r == RES_OK) r = buffer_read_i32(buf, &p->kind);
    if (r == RES_OK) r = buffer_read_u32(buf, &p->flags);
    for (int32_t *v : {&p->red, &p->green, &p->blue})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    if (r == RES_OK) r = buffer_read_string(buf, &p->name);
    if (r == RES_OK) r = buffer_read_i32(buf, &p->credits);
    if (r == RES_OK) r = read_lists(p, buf);
    if (r == RES_OK) r = buffer_read_i32(buf, &p->spare);
    for (int32_t t = 0; r == RES_OK && t < PLAYER_TECH_COUNT; ++t) {
        r = buffer_read_i32(buf, &p->research_points[t]);
        if (r == RES_OK) r = buffer_read_u32(buf, &p->tech_state[t]);
        if (r == RES_OK) r = read_date_minutes(buf, p->queue_dates[t]);
        if (r == RES_OK) r = read_date_minutes(buf, p->completion_dates[t]);
    }
    int32_t n = 0;
    if (r == RES_OK) r = buffer_read_count(buf, uint32_t(SYSTEM_RECORD_BYTES), &n);
    for (int32_t i = 0; r == RES_OK && i < n; ++i) {
        System *system = nullptr;
        r = system_read_record(&system, buf);
        if (r == RES_OK && list_append(&p->catalog, system) < 0) {
            system_free(system);
            r = RES_NO_MEMORY;
        }
    }
    if (r == RES_OK) r = read_int_list(buf, &p->facilities);
    if (r == RES_OK) r = read_int_list(buf, &p->hulls);
    if (r == RES_OK) r = read_ai(&p->galaxy_ai, buf);
    if (r == RES_OK) r = read_ai(&p->commander_ai, buf);
    for (int32_t *v : {&p->totals.design_counter, &p->spare2, &p->research_remainder, &p->bonus[0], &p->bonus[1],
                       &p->bonus[2], &p->credits_earned, &p->crew_trained, &p->enemy_ships_destroyed})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    if (r == RES_OK) r = buffer_read_u64(buf, &p->enemy_mass_destroyed);
    for (int32_t *v : {&p->enemy_starbases_destroyed, &p->ships_built, &p->starbases_built, &p->encounter_numbers[0],
                       &p->encounter_numbers[1], &p->encounter_numbers[2]})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    if (r == RES_OK) r = read_date_minutes(buf, p->defeat_date);
    if (r == RES_OK) r = buffer_read_u64(buf, &p->defeated_by);
    if (r == RES_OK) r = buffer_read_i32(buf, &p->research_target);
    if (r == RES_OK) r = buffer_read_count(buf, TAP_RECORD_BYTES, &n);
    for (int32_t i = 0; r == RES_OK && i < n; ++i) {
        SensorTap tap;
        r = buffer_read_u64(buf, &tap.player_id);
        if (r == RES_OK) r = buffer_read_u64(buf, &tap.sector_id);
        if (r == RES_OK) r = buffer_read_u64(buf, &tap.expiry);
        if (r != RES_OK) break;
        SensorTap *item = new (std::nothrow) SensorTap(tap);
        if (!item || list_append(&p->taps, item) < 0) {
            delete item;
            r = RES_NO_MEMORY;
        }
    }
    if (r == RES_OK) r = buffer_read_u64(buf, &p->record_id);
    if (r != RES_OK) return r;

    const int32_t design_counter = p->totals.design_counter;
    player_update_totals(p);
    p->totals.design_counter = design_counter;
    // What a snapshot shows is derived from its saved fields: a ship's statistics, a fleet's kind
    // name and speed.
    for (GameObject *snap : p->known.items) {
        if (Ship *ship = ship_of(snap)) ship_recompute_stats(ship);
        else if (Fleet *fleet = fleet_of(snap)) fleet_kind_name(fleet);
    }
    if (out) *out = player.release();
    return RES_OK;
}
