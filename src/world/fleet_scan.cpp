// Fleets: the scan after each clock advance, the save record with its link step, the copy into a
// player's snapshot, and the computer players' threat list.
#include <algorithm>
#include <cmath>
#include "game/alert.h"
#include "game/game.h"
#include "game/player.h"
#include "game/officer.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/sound.h"
#include "platform/str.h"
#include "platform/movement_path.h"
#include "world/fleet.h"
#include "world/fleet_internal.h"
#include "world/object_internal.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"

namespace {

void live_pilots_gain(Fleet *f, int32_t amount) {
    for (GameObject *obj : f->ships.items) {
        if (!obj) break;
        Ship *s = ship_of(obj);
        if (s && fleet_detail::is_live(obj) && s->pilot) officer_add_ship_experience(s->pilot, amount);
    }
}

// The other players that hold a sensor tap on the owner learn what the owner learns.
void tapped_learn(const Player *owner, uint64_t owner_id, GameObject *obj) {
    const Game *game = game_get();
    if (!game || !game->players) return;
    for (Player *other : game->players->items) {
        if (!other) break;
        if (other == owner) continue;
        if (player_has_sensor_tap(other, owner_id)) world_detail::learn(other, obj, 0);
    }
}

}  // namespace

// ---- Scan ----

void fleet_scan(GameObject *obj) {
    Fleet *f = fleet_detail::fleet(obj);
    Player *owner = object_get_owner(obj);
    if (!owner) return;
    const bool ui_owner = game_get() && obj->owner_id == game_get()->ui_player_id;
    bool first_scan = false;
    if (!(f->fleet_flags & FLEET_SCANNED)) {
        f->fleet_flags |= FLEET_SCANNED;
        first_scan = true;
    }
    bool sol_seen = false;
    GameObject *sol = nullptr;
    ObjectMap *map = obj->map;
    const int32_t count = map ? map_object_count(map) : 0;
    for (int32_t i = 0; i < count; ++i) {
        GameObject *other = map_object_at(map, i);
        if (!other) break;
        if (other == obj || other->owner_id == obj->owner_id) continue;
        int32_t range = f->scan_range;
        if (const Fleet *of = fleet_of(other); of && of->cloak > 0) range = (100 - of->cloak) * f->scan_range / 100;
        if (distance(fleet_detail::centre_x(other) - fleet_detail::centre_x(obj),
                     fleet_detail::centre_y(other) - fleet_detail::centre_y(obj)) > range)
            continue;

        if (other->kind == OBJECT_SECTOR) {
            const GameObject *snap = player_known_object_by_id(owner, other->id);
            if (!snap) {
                live_pilots_gain(f, FLEET_XP_SECTOR_SEEN);
                if (ui_owner) sound_play(SOUND_SCANNER_PING);
            } else if (snap->snapshot_version < 0 && ui_owner) {
                sound_play(SOUND_SCANNER_PING);
            }
        }
        world_detail::learn(owner, other, 0);
        if (other->kind == OBJECT_FLEET && first_scan) live_pilots_gain(f, FLEET_XP_FIRST_SCAN);
        if (other->kind == OBJECT_SECTOR) {
            if (other->subtype == SECTOR_SOL_TEMPLATE) {
                sol_seen = true;
                sol = other;
            }
            if (first_scan && other->owner_id != 0) live_pilots_gain(f, FLEET_XP_FIRST_SCAN);
        }
        tapped_learn(owner, obj->owner_id, other);
    }

    if (sol_seen) {
        // The warning is heard once per player.
        if (owner && !(owner->flags & PLAYER_FLAG_SOL_NOTICE)) {
            owner->flags |= PLAYER_FLAG_SOL_NOTICE;
            const Game *game = game_get();
            const uint64_t about = game && game->sol_sector_id ? game->sol_sector_id : sol->id;
            game_add_alert(game_get(), alert_post_sector_notice(
                                           obj->owner_id, about,
                                           "%s received message - The Sol sector is under the protection of the United Earth "
                           "Council and may not be entered by extraterrestrials for any reason. Violators will "
                           "be destroyed immediately.",
                           f->display_name.c_str()));
            if (ui_owner) sound_play(SOUND_SCANNER_PING);
        }
        for (int32_t i = 0; i < count; ++i) {
            GameObject *other = map_object_at(map, i);
            if (!other) break;
            if (other->kind == OBJECT_SECTOR) world_detail::learn(owner, other, -1);
        }
    }

    for (int32_t i = 0; i < list_count(&f->ships); ++i) {
        GameObject *ship = list_get(&f->ships, i);
        if (!ship) break;
        if (fleet_detail::is_live(ship)) world_detail::learn(owner, ship, 1);
    }
}

// ---- Save record ----

Result fleet_write(const GameObject *obj, Buffer *buf) {
    const Fleet *f = fleet_detail::fleet(obj);
    Result r = object_write_ref(f->move_target, buf);
    if (r == RES_OK) r = buffer_write_i32(buf, f->target_last_x);
    if (r == RES_OK) r = buffer_write_i32(buf, f->target_last_y);
    if (r == RES_OK) r = buffer_write_u64(buf, f->saved_id_b);
    if (r == RES_OK) r = buffer_write_u64(buf, f->saved_id_a);
    if (r == RES_OK) r = buffer_write_u32(buf, f->fleet_flags);
    if (r == RES_OK) r = buffer_write_i32(buf, list_count(&f->ships));
    for (const GameObject *ship : f->ships.items) {
        if (r != RES_OK || !ship) break;
        r = object_write_ref(ship, buf);
    }
    if (r == RES_OK) r = buffer_write_i32(buf, int32_t(f->known_ship_ids.size()));
    for (uint64_t id : f->known_ship_ids)
        if (r == RES_OK) r = buffer_write_u64(buf, id);
    if (r == RES_OK) r = buffer_write_u64(buf, f->known_target_id);
    if (r == RES_OK) r = buffer_write_i32(buf, f->known_speed);
    return r;
}

Result fleet_read(GameObject *obj, Buffer *buf) {
    Fleet *f = fleet_detail::fleet(obj);
    GameObject *target = nullptr;
    Result r = object_read_ref(&target, buf);
    if (r != RES_OK) return r;
    if (target) {
        object_add_ref(target);
        if (f->move_target) object_release(f->move_target);
        f->move_target = target;
    }
    uint32_t flags = 0;
    if (r == RES_OK) r = buffer_read_i32(buf, &f->target_last_x);
    if (r == RES_OK) r = buffer_read_i32(buf, &f->target_last_y);
    if (r == RES_OK) r = buffer_read_u64(buf, &f->saved_id_b);
    if (r == RES_OK) r = buffer_read_u64(buf, &f->saved_id_a);
    if (r == RES_OK) r = buffer_read_u32(buf, &flags);
    if (r != RES_OK) return r;
    f->fleet_flags = flags;
    int32_t n = 0;
    if ((r = buffer_read_i32(buf, &n)) != RES_OK) return r;
    if (n < 0) return RES_MALFORMED;
    for (int32_t i = 0; i < n; ++i) {
        GameObject *stub = nullptr;
        if ((r = object_read_ref(&stub, buf)) != RES_OK) return r;
        if (!stub) continue;
        object_add_ref(stub);
        list_append(&f->ships, stub);
    }
    int32_t m = 0;
    if ((r = buffer_read_i32(buf, &m)) != RES_OK) return r;
    f->known_ship_ids.clear();
    f->known_ship_ids.shrink_to_fit();
    if (m > 0) {
        // The count is checked against the bytes left before anything is allocated.
        if (buffer_remaining(buf) < int64_t(m) * 8) return RES_SHORT_BUFFER;
        f->known_ship_ids.resize(size_t(m));
        for (uint64_t &id : f->known_ship_ids)
            if ((r = buffer_read_u64(buf, &id)) != RES_OK) return r;
    }
    if (r == RES_OK) r = buffer_read_u64(buf, &f->known_target_id);
    if (r == RES_OK) r = buffer_read_i32(buf, &f->known_speed);
    return r;
}

Result fleet_link(GameObject *obj) {
    Fleet *f = fleet_detail::fleet(obj);
    // Linking the target and the ships steers the fleet afresh from its whole-pixel position; a
    // loaded fleet goes on with the journey it saved instead.
    struct SavedJourney {
        GameObject  *obj;
        bool         kept;
        MovementPath path;
        uint32_t     travel_flags;
        int32_t      last_x, last_y;
        ~SavedJourney() {
            if (!kept) return;
            Fleet *f = static_cast<Fleet *>(obj);
            *obj->path = path;
            obj->flags = (obj->flags & ~(OBJ_TRAVELLING | OBJ_TRAVEL_HELD)) | travel_flags;
            f->target_last_x = last_x;
            f->target_last_y = last_y;
        }
    } journey{obj, obj->path != nullptr, obj->path ? *obj->path : MovementPath{},
              obj->flags & (OBJ_TRAVELLING | OBJ_TRAVEL_HELD), f->target_last_x, f->target_last_y};
    if (f->move_target && (f->move_target->flags & OBJ_STUB)) {
        GameObject *stub = f->move_target;
        GameObject *found = game_find_object(game_get(), stub->id);
        if (!found) {
            log_write(LOG_GAME, LOG_ERROR, "Fleet failed to link move target object #%llu (object not found)",
                      (unsigned long long)stub->id);
            return RES_UNRESOLVED_ID;
        }
        if (found->kind != stub->kind) {
            log_write(LOG_GAME, LOG_ERROR, "Fleet failed to link move target object #%llu (object type mismatch)",
                      (unsigned long long)stub->id);
            return RES_KIND_MISMATCH;
        }
        f->move_target = nullptr;
        object_destroy(stub);
        fleet_set_move_target(f, found);
    }
    // Every ship is found before any stub goes, so a link that fails can be tried again.
    std::vector<GameObject *> found;
    for (GameObject *entry : f->ships.items) {
        if (!entry) break;
        if (!(entry->flags & OBJ_STUB)) continue;
        GameObject *ship = game_find_object(game_get(), entry->id);
        if (!ship || ship->kind != OBJECT_SHIP) {
            log_write(LOG_GAME, LOG_ERROR, "Fleet failed to link ship #%llu", (unsigned long long)entry->id);
            return RES_UNRESOLVED_ID;
        }
        found.push_back(ship);
    }
    if (!found.empty()) {
        for (GameObject *&entry : f->ships.items) {
            if (entry && (entry->flags & OBJ_STUB)) {
                object_destroy(entry);
                entry = nullptr;
            }
        }
        list_compact(&f->ships);
        for (GameObject *ship : found) fleet_add_ship(f, ship);
    }
    fleet_kind_name(f);
    return RES_OK;
}

void fleet_copy_record(GameObject *dest, const GameObject *src, int32_t version) {
    if (version < 0) return;
    Fleet *d = fleet_detail::fleet(dest);
    const Fleet *s = fleet_detail::fleet(src);
    d->known_ship_ids.clear();
    for (const GameObject *ship : s->ships.items) {
        if (!ship) break;
        d->known_ship_ids.push_back(ship->id);
    }
    d->known_target_id = s->move_target ? s->move_target->id : 0;
    d->known_speed = s->speed;
    fleet_kind_name(d);
}

// ---- Threat list ----

ThreatList *threat_list_create() {
    auto *list = new (std::nothrow) ThreatList();
    if (list) list->entries.reserve(THREAT_LIST_CAPACITY);
    return list;
}

void threat_list_free(ThreatList *list) { delete list; }

void threat_map_build(ThreatList *list, Player *player) {
    list->entries.clear();
    if (!player) return;
    const Game *game = game_get();
    const uint64_t own_id = player->id;
    const uint64_t sol_id = game ? game->sol_player_id : 0;
    const int64_t now = game && game->clock ? int64_t(game->clock->minutes) : 0;
    for (int32_t i = 0;; ++i) {
        GameObject *snap = list_get(&player->known, i);
        if (!snap) break;
        const Ship *s = ship_of(snap);
        if (!s) continue;
        if (snap->owner_id == own_id || (sol_id != 0 && snap->owner_id == sol_id)) continue;
        const int64_t seen = snap->seen_date ? int64_t(snap->seen_date->minutes) : 0;
        if ((now - seen) / int64_t(MINUTES_PER_DAY) >= THREAT_MAX_AGE_DAYS) continue;
        auto at = std::find_if(list->entries.begin(), list->entries.end(),
                               [s](const ThreatEntry &e) { return e.x == s->snap_x && e.y == s->snap_y; });
        if (at == list->entries.end()) {
            ThreatEntry e;
            e.index = int32_t(list->entries.size());
            e.x = s->snap_x;
            e.y = s->snap_y;
            list->entries.push_back(e);
            at = list->entries.end() - 1;
        }
        at->strength += player_object_value(snap);
    }
}

namespace {

// What one entry adds to the threat at (x, y); false when it does not reach so far.
inline bool threat_share(const ThreatEntry &e, int32_t x, int32_t y, float *share) {
    int32_t d = distance(e.x - x, e.y - y);
    if (d < THREAT_FULL_WITHIN) d = 0;
    const int32_t f = THREAT_REACH - d;
    if (f <= 0) return false;
    *share = float(e.strength) * float(f) * float(f) * 15.0f / 40000.0f;
    return true;
}

}  // namespace

int32_t fleet_threat_value(const ThreatList *list, int32_t x, int32_t y) {
    float sum = 0.0f, share = 0.0f;
    for (const ThreatEntry &e : list->entries)
        if (threat_share(e, x, y, &share)) sum += share;
    return int32_t(sum);
}

void threat_grid_build(ThreatGrid *grid, const ThreatList *list) {
    *grid = ThreatGrid{};
    grid->list = list;
    if (!list || list->entries.empty()) return;
    // An entry reaches no point THREAT_REACH or more away along either axis: distance() is at
    // least the longer leg.
    constexpr int64_t R = THREAT_REACH - 1;
    int64_t x0 = INT64_MAX, y0 = INT64_MAX, x1 = INT64_MIN, y1 = INT64_MIN;
    for (const ThreatEntry &e : list->entries) {
        x0 = std::min<int64_t>(x0, e.x - R);
        y0 = std::min<int64_t>(y0, e.y - R);
        x1 = std::max<int64_t>(x1, e.x + R);
        y1 = std::max<int64_t>(y1, e.y + R);
    }
    const int64_t columns = (x1 - x0) / ThreatGrid::CELL + 1, rows = (y1 - y0) / ThreatGrid::CELL + 1;
    if (columns * rows > ThreatGrid::MAX_CELLS || x0 < -ThreatGrid::NEAR || y0 < -ThreatGrid::NEAR ||
        x1 > ThreatGrid::NEAR || y1 > ThreatGrid::NEAR)
        return;
    grid->left = x0;
    grid->top = y0;
    grid->columns = int32_t(columns);
    grid->rows = int32_t(rows);
    const auto each_cell = [&](const ThreatEntry &e, auto visit) {
        for (int64_t r = (e.y - R - y0) / ThreatGrid::CELL; r <= (e.y + R - y0) / ThreatGrid::CELL; ++r)
            for (int64_t c = (e.x - R - x0) / ThreatGrid::CELL; c <= (e.x + R - x0) / ThreatGrid::CELL; ++c)
                visit(size_t(r * columns + c));
    };
    grid->first.assign(size_t(columns * rows) + 1, 0);
    for (const ThreatEntry &e : list->entries) each_cell(e, [&](size_t cell) { ++grid->first[cell + 1]; });
    for (size_t cell = 1; cell < grid->first.size(); ++cell) grid->first[cell] += grid->first[cell - 1];
    grid->entries.assign(size_t(grid->first.back()), 0);
    std::vector<int32_t> next(grid->first.begin(), grid->first.end() - 1);
    for (size_t i = 0; i < list->entries.size(); ++i)
        each_cell(list->entries[i], [&](size_t cell) { grid->entries[size_t(next[cell]++)] = int32_t(i); });
}

int32_t threat_grid_value(const ThreatGrid *grid, int32_t x, int32_t y) {
    const int64_t c = (int64_t(x) - grid->left), r = (int64_t(y) - grid->top);
    if (grid->columns == 0 || x < -ThreatGrid::NEAR || y < -ThreatGrid::NEAR || x > ThreatGrid::NEAR || y > ThreatGrid::NEAR)
        return grid->list ? fleet_threat_value(grid->list, x, y) : 0;
    // Off the grid no entry comes within reach along both axes.
    if (c < 0 || r < 0 || c / ThreatGrid::CELL >= grid->columns || r / ThreatGrid::CELL >= grid->rows) return 0;
    const size_t cell = size_t(r / ThreatGrid::CELL * grid->columns + c / ThreatGrid::CELL);
    float sum = 0.0f, share = 0.0f;
    for (int32_t at = grid->first[cell]; at < grid->first[cell + 1]; ++at) {
        const ThreatEntry &e = grid->list->entries[size_t(grid->entries[size_t(at)])];
        // distance() is the whole part of the root of the squared length: no entry reaches from
        // THREAT_REACH squared or more, and below it the root is taken here as distance() takes
        // it. Near the origin the legs fit 32 bits.
        const int64_t dx = e.x - x, dy = e.y - y, squared = dx * dx + dy * dy;
        if (squared >= int64_t(THREAT_REACH) * THREAT_REACH) continue;
        int32_t d = int32_t(std::sqrt(double(uint64_t(squared))));
        if (d < THREAT_FULL_WITHIN) d = 0;
        const int32_t f = THREAT_REACH - d;
        share = float(e.strength) * float(f) * float(f) * 15.0f / 40000.0f;
        sum += share;
    }
    return int32_t(sum);
}
