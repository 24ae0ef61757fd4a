// Fleets on the way: steering at the move target, the travel figures and the meeting point, and the
// per-frame update (arrival in a sector, interception of a hostile fleet, merging into a friendly
// one, the scan ping).
#include "world/fleet.h"

#include <algorithm>
#include <cmath>
#include "effects/effect.h"
#include "effects/effect_spark.h"
#include "game/alert.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/movement_path.h"
#include "platform/sound.h"
#include "world/fleet_internal.h"
#include "world/object_internal.h"
#include "world/object_map.h"
#include "world/ship.h"

namespace {

void pilots_gain(Fleet *f, int32_t amount, bool live_only) {
    for (GameObject *ship : f->ships.items) {
        if (!ship) break;
        if (live_only && !fleet_detail::is_live(ship)) continue;
        Ship *s = ship_of(ship);
        if (s && s->pilot) officer_add_ship_experience(s->pilot, amount);
    }
}

bool owned_by_ui_player(const GameObject *obj) {
    const Game *game = game_get();
    return game && obj->owner_id != 0 && obj->owner_id == game->ui_player_id;
}

GameObject *known_snapshot(const Player *player, uint64_t id) {
    return player ? player_known_object_by_id(player, id) : nullptr;
}

// The ships of the fleet, each with a reference the caller drops (release_all).
std::vector<GameObject *> take_ship_copies(const Fleet *f) {
    std::vector<GameObject *> copy;
    for (GameObject *ship : f->ships.items) {
        if (!ship) break;
        object_add_ref(ship);
        copy.push_back(ship);
    }
    return copy;
}

void arrive_at_sector(Fleet *f, GameObject *sector) {
    Player *owner = object_get_owner(f);
    game_add_alert(game_get(), alert_post_fleet_arrived(f->owner_id, f->id, sector->id, "%s arrived at the %s sector",
                                                        f->display_name.c_str(), object_get_name(sector)));
    const GameObject *snap = known_snapshot(owner, sector->id);
    if (!snap || snap->snapshot_version < 1) pilots_gain(f, FLEET_XP_NEW_SECTOR, false);
    // Each ship leaves the fleet before it joins the sector, so none keeps this fleet's id.
    std::vector<GameObject *> ships = take_ship_copies(f);
    for (GameObject *obj : ships) {
        fleet_detail::leave(f, obj);
        if (Ship *s = ship_of(obj)) ship_set_sector(s, sector);
    }
    fleet_detail::release_all(ships);
    world_detail::learn(owner, sector, 1);
    if (owned_by_ui_player(f)) sound_play(SOUND_FLEET_ARRIVED);
    f->flags |= OBJ_DEAD;
}

void meet_fleet(Fleet *f, GameObject *target) {
    object_hold_travel(target);
    if (target->owner_id != f->owner_id) {
        f->intercepted_fleet_id = target->id;
        const Player *other = object_get_owner(target);
        const char *name = other ? other->name.c_str() : "hostile";
        game_add_alert(game_get(), alert_post_fleet_contact(f->owner_id, f->id, target->owner_id,
                                                            "%s intercepted %s forces", f->display_name.c_str(), name));
        return;
    }
    Fleet *into = fleet_of(target);
    // The news names the fleet as it came, before its ships leave it.
    const std::string name = f->display_name;
    std::vector<GameObject *> ships = take_ship_copies(f);
    for (GameObject *obj : ships) {
        fleet_detail::leave(f, obj);
        if (Ship *s = ship_of(obj); s && into) ship_set_fleet(s, into);
        // Whatever the setter reached, the joining fleet's list is the one that must hold it.
        if (into && !fleet_has_ship_id(into, obj->id)) fleet_add_ship(into, obj);
    }
    fleet_detail::release_all(ships);
    game_add_alert(game_get(), alert_post_fleet_contact(f->owner_id, f->id, target->owner_id,
                                                        "%s joined friendly forces", name.c_str()));
    f->flags |= OBJ_DEAD;
}

void ping(Fleet *f, int32_t dt) {
    if (!(f->fleet_flags & FLEET_PINGS) || (f->fleet_flags & FLEET_HIDDEN)) return;
    const Game *game = game_get();
    if (!game || game->queued_minutes > 0 || !owned_by_ui_player(f)) return;
    f->ping_ms -= dt;
    if (f->ping_ms >= 1) return;
    f->ping_ms = FLEET_PING_MS;
    if (!f->map) return;
    PulseEffect *pulse = effect_create_pulse(1, f->scan_range, 255, 1600, 0, 0, 500, 1, 1, 0);
    if (pulse) map_add_effect(f->map, pulse, fleet_detail::centre_x(f), fleet_detail::centre_y(f));
}

}  // namespace

// ---- Movement ----

void fleet_set_move_target(Fleet *f, GameObject *target) {
    if (target == f->move_target) return;
    fleet_detail::release_target(f);
    if (!target) return;
    object_add_ref(target);
    f->move_target = target;
    f->target_last_x = target->x;
    f->target_last_y = target->y;
    fleet_detail::steer_at_centre(f, target);
}

int32_t fleet_distance_to_target(const Fleet *f) {
    const GameObject *t = f->move_target;
    if (!t) return 0;
    return distance(fleet_detail::centre_x(t) - fleet_detail::centre_x(f),
                    fleet_detail::centre_y(t) - fleet_detail::centre_y(f));
}

int32_t fleet_travel_time_to_target(const Fleet *f) {
    if (!f->move_target) return 0;
    const int32_t d = fleet_distance_to_target(f);
    if (d < 1 || f->speed < 1) return 1;
    return std::max(d / f->speed, 1);
}

bool fleet_is_at(const Fleet *f, const GameObject *target) {
    if (!f->move_target || !target || (f->fleet_flags & FLEET_BARRED)) return false;
    if ((f->flags & OBJ_DEAD) || (target->flags & OBJ_DEAD)) return false;
    const int32_t d = distance(fleet_detail::centre_x(target) - fleet_detail::centre_x(f),
                               fleet_detail::centre_y(target) - fleet_detail::centre_y(f));
    if (target->kind == OBJECT_SECTOR) return d < FLEET_SECTOR_REACH;
    if (target->kind != OBJECT_FLEET) return false;
    if (target == f) return true;
    const Fleet *other = fleet_of(target);
    if (other && (other->fleet_flags & FLEET_BARRED)) return false;
    return d < FLEET_FLEET_REACH;
}

void fleet_intercept_point(const Fleet *f, int32_t *out_x, int32_t *out_y) {
    int32_t x = fleet_detail::centre_x(f), y = fleet_detail::centre_y(f);
    const GameObject *t = f->move_target;
    if (t) {
        x = t->x;
        y = t->y;
    }
    if (t && (t->flags & OBJ_TRAVELLING) && t->path && f->path) {
        const double dx = double(t->path->x) - double(f->path->x), dy = double(t->path->y) - double(f->path->y);
        const double vx = t->path->step_x, vy = t->path->step_y;
        const double s = std::sqrt(double(f->path->step_x) * f->path->step_x + double(f->path->step_y) * f->path->step_y);
        const double a2 = vx * vx + vy * vy - s * s;
        const double a1 = 2.0 * (dx * vx + dy * vy);
        const double a0 = dx * dx + dy * dy;
        const double disc = a1 * a1 - 4.0 * a2 * a0;
        // Equal speeds make the quadratic degenerate and a negative discriminant leaves no meeting
        // time: both aim at the target where it is.
        if (a2 != 0.0 && disc >= 0.0) {
            const double root = std::sqrt(disc);
            const double t1 = (-a1 + root) / (2.0 * a2), t2 = (-a1 - root) / (2.0 * a2);
            const double when = (t2 > t1 && t1 > 0.0) ? t1 : t2;
            if (std::isfinite(when) && std::fabs(t1 - t2) > 100.0) {
                const double px = double(t->path->x) + vx * when / 1000.0;
                const double py = double(t->path->y) + vy * when / 1000.0;
                if (std::isfinite(px) && std::isfinite(py) && std::fabs(px) < 2e9 && std::fabs(py) < 2e9) {
                    x = int32_t(px);
                    y = int32_t(py);
                }
            }
        }
    }
    if (out_x) *out_x = x;
    if (out_y) *out_y = y;
}

// ---- Per frame ----

void fleet_update(GameObject *obj, int32_t dt) {
    Fleet *f = fleet_detail::fleet(obj);
    if (!f->move_target) {
        f->fleet_flags &= ~FLEET_ARRIVED;
    } else if (!(f->fleet_flags & FLEET_ARRIVED)) {
        GameObject *target = f->move_target;
        if (fleet_is_at(f, target)) {
            if (target->kind == OBJECT_SECTOR) arrive_at_sector(f, target);
            else if (target->kind == OBJECT_FLEET) meet_fleet(f, target);
            fleet_detail::release_target(f);
            f->flags &= ~OBJ_TRAVELLING;
            f->fleet_flags |= FLEET_ARRIVED;
        } else if (std::abs(target->x - f->target_last_x) >= FLEET_RESTEER_PIXELS ||
                   std::abs(target->y - f->target_last_y) >= FLEET_RESTEER_PIXELS) {
            f->target_last_x = target->x;
            f->target_last_y = target->y;
            if (target->kind == OBJECT_FLEET) {
                int32_t x = 0, y = 0;
                fleet_intercept_point(f, &x, &y);
                object_move_towards(f, x, y);
            } else {
                fleet_detail::steer_at_centre(f, target);
            }
        }
    }
    if ((obj->flags & OBJ_BUSY) && !(obj->flags & OBJ_TRAVELLING)) object_clear_busy(obj, FLEET_BUSY_HOLD_MS);
    ping(f, dt);
    if (obj->flags & OBJ_ROTATING) {
        f->fleet_flags |= FLEET_ROTATING;
        obj->flags |= OBJ_NO_POINTER_HIT;
    } else if (f->fleet_flags & FLEET_ROTATING) {
        f->fleet_flags &= ~FLEET_ROTATING;
        obj->flags &= ~OBJ_NO_POINTER_HIT;
    }
}
