// Object maps: holding, stepping, sweeping, drawing and querying the objects of one plane.
#include "world/object_map.h"

#include <new>
#include "game/game.h"
#include "platform/buffer.h"
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/log.h"
#include "game/player.h"
#include "world/factory.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_internal.h"
#include "world/object_methods.h"
#include "world/sector.h"
#include "world/shot.h"
#include "effects/effect.h"
#include "platform/anim.h"

namespace {

void free_line(MapActionLine *line) { delete line; }

// The draw list of an object; a layer outside 0..2 counts as the nearest one.
int32_t layer_of(const GameObject *obj) {
    if (obj->layer < 0) return 0;
    if (obj->layer >= MAP_LAYER_COUNT) return MAP_LAYER_COUNT - 1;
    return obj->layer;
}

void screen_size(int32_t *w, int32_t *h) {
    const Graphics *g = gfx_get();
    *w = g && g->width > 0 ? g->width : GFX_WIDTH;
    *h = g && g->height > 0 ? g->height : GFX_HEIGHT;
}

// The actor reference: cleared flag and one release.
void drop_current(ObjectMap *map) {
    if (!map->current) return;
    GameObject *old = map->current;
    map->current = nullptr;
    old->flags &= ~OBJ_ACTOR;
    object_release(old);
}

// Sets MAP_ITERATING while a walk over the objects runs; a nested walk leaves the outer one's flag.
struct IteratingScope {
    ObjectMap *map;
    bool       outer;
    explicit IteratingScope(ObjectMap *m) : map(m), outer(!(m->flags & MAP_ITERATING)) { map->flags |= MAP_ITERATING; }
    ~IteratingScope() {
        if (outer) map->flags &= ~MAP_ITERATING;
    }
    IteratingScope(const IteratingScope &) = delete;
    IteratingScope &operator=(const IteratingScope &) = delete;
};

// Appends an object to `pending` with a reference, as every way into a map does.
void join_pending(ObjectMap *map, GameObject *obj) {
    object_add_ref(obj);
    obj->map = map;
    list_append(&map->pending, obj);
    if (map->viewer_id == 0) obj->flags |= OBJ_VISIBLE;
    ++map->change_count;
    obj->flags &= ~OBJ_LEFT_MAP;
}

// The new shot, held by the map; null when it cannot be made.
GameObject *add_defense_shot(ObjectMap *map) {
    Game *game = game_get();
    GameObject *shot = factory_create_object(OBJECT_SHOT, map->defense_shot_type);
    if (!shot) {
        log_write(LOG_GAME, LOG_WARN, "Map failed to create defense shot of type %i", map->defense_shot_type);
        map_add_pending_objects(map);
        return nullptr;
    }
    shot->owner_id = map->defense_player_id;
    object_assign_id(shot);
    shot->x = 0;
    shot->y = 0;
    join_pending(map, shot);
    object_set_heading(shot, MAP_DEFENSE_HEADING);
    shot->flags |= OBJ_ACTS_FIRST;
    const int32_t damage = game ? game_random_range(game, map->defense_damage_min, map->defense_damage_max)
                                : map->defense_damage_min;
    const char *singular = map->defense_singular.empty() ? nullptr : map->defense_singular.c_str();
    const char *plural = map->defense_plural.empty() ? nullptr : map->defense_plural.c_str();
    shot_arm_defense(shot, singular, plural, damage);
    map_add_pending_objects(map);
    return shot;
}

// The box test of a query point (px, py) widened by the asking object's size.
bool point_box_hit(const GameObject *obj, const ObjectFilter *f) {
    const int32_t self_w = f->self ? f->self->w : 0;
    const int32_t self_h = f->self ? f->self->h : 0;
    const int32_t extra = (f->flags & FILTER_EXTRA_HEIGHT) ? f->extra_height : 0;
    return map_boxes_meet(obj->x, obj->y, obj->w, obj->h + extra, f->px, f->py, self_w, self_h);
}

bool shape_hit(GameObject *obj, const ObjectFilter *f) {
    if (!f->self || !(f->flags & FILTER_NOT_SELF)) return object_point_test(obj, obj->x, obj->y, f->px, f->py) != 0;
    if (f->flags & FILTER_SELF_FRAME)
        return object_overlap_at(f->self, obj, f->frame, f->px, f->py, obj->x, obj->y) != 0;
    return object_overlap(obj, f->self, obj->x, obj->y, f->px, f->py, nullptr, nullptr) != 0;
}

// A query's tests before the point and nearest tests: true when the object is still a candidate.
bool passes_filters(const GameObject *obj, const ObjectFilter *f) {
    const uint32_t flags = f->flags;
    if ((flags & FILTER_NOT_SELF) && obj == f->self) return false;
    if (flags & FILTER_KINDS) {
        if (obj->kind < 0 || obj->kind >= 32 || !(f->kind_mask & (1u << obj->kind))) return false;
    }
    if ((flags & FILTER_SUBTYPE) && obj->subtype != f->subtype) return false;
    if ((flags & FILTER_EXCLUDE) && (obj->flags & f->exclude_flags)) return false;
    if (flags & FILTER_NOT_OWNER) {
        if (obj->owner_id == f->owner_id) return false;
    } else if ((flags & FILTER_OWNER) && obj->owner_id != f->owner_id) {
        return false;
    }
    if (flags & FILTER_RECT) {
        if (!(obj->x < f->rect_x + f->rect_w && obj->y < f->rect_y + f->rect_h && f->rect_x <= obj->x + obj->w &&
              f->rect_y <= obj->y + obj->h))
            return false;
    }
    return true;
}

bool visible_to(const GameObject *obj, uint64_t viewer_id, const Player *viewer) {
    const Game *game = game_get();
    if ((game && game->setup.fog_of_war_off != 0) || !viewer) return true;
    if (obj->owner_id == viewer_id) return true;
    if (object_seen_at_clock(player_known_object_by_id(viewer, obj->id))) return true;
    if (obj->kind == OBJECT_SECTOR && (obj->subtype == 5 || sector_has_object_of(obj, viewer_id))) return true;
    return player_has_sensor_tap(viewer, obj->owner_id);
}

// Drops the actor and lets every object and pending object go of its references to others.
void detach_all(ObjectMap *map) {
    drop_current(map);
    for (List<GameObject> *list : {&map->objects, &map->pending}) {
        for (GameObject *obj : list->items) {
            if (!obj) break;
            object_detach(obj);
        }
    }
}

}  // namespace

// ---- Creation and bulk operations ----

ObjectMap *map_create() {
    ObjectMap *map = new (std::nothrow) ObjectMap();
    if (!map) return nullptr;
    map_set_screen_size(map);
    map->world_w = 4 * map->screen_w;
    map->world_h = 4 * map->screen_h;
    list_set_free_fn(&map->objects, object_release);
    list_set_free_fn(&map->pending, object_release);
    for (List<GameObject> &layer : map->layers) list_set_free_fn(&layer, object_release);
    list_set_free_fn(&map->effects, effect_free);
    list_set_free_fn(&map->new_effects, effect_free);
    list_set_free_fn(&map->timed_lines, free_line);
    return map;
}

void map_clear(ObjectMap *map) {
    detach_all(map);
    list_clear(&map->objects);
    list_clear(&map->pending);
    for (List<GameObject> &layer : map->layers) list_clear(&layer);
    list_clear(&map->timed_lines);
    map_clear_effects(map);
    map->busy_count = 0;
    map->hold_ms = 0;
    map->flags = 0;
    map->viewer_id = 0;
    map->change_count = 0;
    map->destroyed_count = 0;
}

void map_free(ObjectMap *map) {
    if (!map) return;
    detach_all(map);
    list_clear(&map->objects);
    list_clear(&map->pending);
    for (List<GameObject> &layer : map->layers) list_clear(&layer);
    list_clear(&map->timed_lines);
    list_clear(&map->effects);
    list_clear(&map->new_effects);
    delete map;
}

namespace {

// A save or load of a game record without the map (a failed creation): refused with a code.
Result refuse_missing_map(const char *what) {
    log_write(LOG_GAME, LOG_ERROR, "Map %s without a map", what);
    return RES_OUT_OF_RANGE;
}

}  // namespace

Result map_write(const ObjectMap *map, Buffer *buf) {
    if (!map) return refuse_missing_map("write");
    Result r = buffer_write_i32(buf, map->world_w);
    if (r == RES_OK) r = buffer_write_i32(buf, map->world_h);
    if (r == RES_OK) r = buffer_write_i32(buf, list_count(&map->objects));
    for (GameObject *obj : map->objects.items) {
        if (r != RES_OK) break;
        r = object_write(obj, buf);
    }
    return r;
}

Result map_read(ObjectMap *map, Buffer *buf) {
    if (!map) return refuse_missing_map("read");
    map_clear(map);
    int32_t w = 0, h = 0, count = 0;
    Result r = buffer_read_i32(buf, &w);
    if (r == RES_OK) r = buffer_read_i32(buf, &h);
    if (r == RES_OK) r = buffer_read_count(buf, uint32_t(OBJECT_COMMON_RECORD_MIN_BYTES), &count);
    if (r != RES_OK) {
        map_clear(map);
        return r;
    }
    map->world_w = w;
    map->world_h = h;
    for (int32_t i = 0; i < count; ++i) {
        GameObject *obj = nullptr;
        r = object_read(&obj, buf);
        if (r != RES_OK) {
            log_write(LOG_GAME, LOG_WARN, "Map failed to read object #%i", i);
            map_clear(map);
            return r;
        }
        join_pending(map, obj);
    }
    map_add_pending_objects(map);
    return RES_OK;
}

Result map_link_objects(ObjectMap *map) {
    if (!map) return refuse_missing_map("link");
    for (GameObject *obj : map->objects.items) {
        if (!obj) break;
        if (Result r = object_link(obj); r != RES_OK) return r;
    }
    return RES_OK;
}

// ---- Adding and removing ----

void map_place_object(ObjectMap *map, GameObject *obj, int32_t x, int32_t y, int assign_id) {
    if (assign_id) object_assign_id(obj);
    obj->x = x;
    obj->y = y;
    join_pending(map, obj);
}

void map_add_pending_objects(ObjectMap *map) {
    for (GameObject *obj : map->pending.items) {
        if (!obj) break;
        object_add_ref(obj);
        object_add_ref(obj);
        list_append(&map->objects, obj);
        list_append(&map->layers[layer_of(obj)], obj);
    }
    list_clear(&map->pending);
    for (Effect *effect : map->new_effects.items)
        if (effect) list_append(&map->effects, effect);
    list_reset(&map->new_effects);
}

void map_remove_dead_objects(ObjectMap *map) {
    bool removed = false;
    for (GameObject *&slot : map->objects.items) {
        GameObject *obj = slot;
        if (!obj) continue;
        if (!(obj->flags & (OBJ_DEAD | OBJ_LEFT_MAP))) continue;
        slot = nullptr;
        // Its own layer first; a layer changed after the object joined is found all the same.
        const int32_t home = layer_of(obj);
        bool found = list_null_value(&map->layers[home], obj) != 0;
        for (int32_t l = 0; !found && l < MAP_LAYER_COUNT; ++l) found = list_null_value(&map->layers[l], obj) != 0;
        object_release(obj);
        if (found) object_release(obj);
        removed = true;
    }
    if (removed) {
        list_compact_unordered(&map->objects);
        for (List<GameObject> &layer : map->layers) list_compact_unordered(&layer);
    }

    bool finished = false;
    for (Effect *&slot : map->effects.items) {
        if (!slot || !effect_is_finished(slot)) continue;
        effect_free(slot);
        slot = nullptr;
        finished = true;
    }
    if (finished) list_compact_unordered(&map->effects);

    for (GameObject *obj : map->objects.items) {
        if (!obj) break;
        object_purge_dead(obj);
    }
}

void map_add_effect(ObjectMap *map, Effect *effect, int32_t x, int32_t y) {
    effect->owner = map;
    effect->x = x;
    effect->y = y;
    list_append(&map->new_effects, effect);
}

int32_t map_object_count(const ObjectMap *map) { return list_count(&map->objects); }

GameObject *map_object_at(const ObjectMap *map, int32_t index) { return list_get(&map->objects, index); }

// ---- Per tick and per clock step ----

void map_update(ObjectMap *map, int32_t dt) {
    for (MapActionLine *&line : map->timed_lines.items) {
        if (!line) continue;
        line->ms_left -= dt;
        if (line->ms_left <= 0) {
            delete line;
            line = nullptr;
        }
    }
    list_compact(&map->timed_lines);

    // Objects may add objects while they update; those wait in `pending`.
    {
        IteratingScope walk(map);
        for (int32_t i = 0; i < list_count(&map->objects); ++i) {
            GameObject *obj = list_get(&map->objects, i);
            if (!obj) break;
            object_update(obj, dt);
        }
    }
    for (Effect *effect : map->effects.items)
        if (effect) effect_update(effect, dt);

    map_remove_dead_objects(map);
    map_add_pending_objects(map);

    if (map->current && (map->current->flags & (OBJ_DEAD | OBJ_TURN_DONE | OBJ_LEFT_MAP))) drop_current(map);

    if ((map->flags & MAP_BUSY) && map->busy_count <= 0) {
        map->hold_ms -= dt;
        if (map->hold_ms < 1) map->flags &= ~MAP_BUSY;
    }
    if (map->flags & MAP_BUSY) return;

    if (map->flags & MAP_DEFENSE_RESCALE) {
        map->flags &= ~MAP_DEFENSE_RESCALE;
        int32_t ships = 0;
        for (GameObject *obj : map->objects.items) {
            if (!obj) break;
            if (obj->kind == OBJECT_SHIP) ++ships;
        }
        if (ships > 1) {
            map->defense_clock *= ships;
            log_write(LOG_GAME, LOG_DEBUG3, "Map reset defense shot clock, ship count %i, now %i", ships,
                      map->defense_clock);
        }
    }
    if (map->current) return;

    if (map->flags & MAP_DEFENSE_DUE) {
        map->flags &= ~MAP_DEFENSE_DUE;
        log_write(LOG_GAME, LOG_DEBUG3, "Map add defense shot, count now %i", map->defense_count);
        (void)add_defense_shot(map);   // a shot that cannot be made was logged
    }
    map_next_actor(map);
    if (map->current) object_begin_turn(map->current);
}

void map_update_effects(ObjectMap *map, int32_t dt) {
    for (Effect *effect : map->effects.items)
        if (effect) effect_update(effect, dt);
    bool finished = false;
    for (Effect *&slot : map->effects.items) {
        if (!slot || !effect_is_finished(slot)) continue;
        effect_free(slot);
        slot = nullptr;
        finished = true;
    }
    if (finished) list_compact(&map->effects);
}

void map_clear_effects(ObjectMap *map) {
    list_clear(&map->new_effects);
    list_clear(&map->effects);
}

void map_update_travel(ObjectMap *map, int32_t t) {
    IteratingScope walk(map);
    for (int32_t i = 0; i < list_count(&map->objects); ++i) {
        GameObject *obj = list_get(&map->objects, i);
        if (!obj) break;
        object_update_travel(obj, t);
    }
}

void map_advance_objects(ObjectMap *map, int32_t minutes) {
    IteratingScope walk(map);
    for (int32_t i = 0; i < list_count(&map->objects); ++i) {
        GameObject *obj = list_get(&map->objects, i);
        if (!obj) break;
        object_advance_clock(obj, minutes);
    }
}

void map_run_after_advance(ObjectMap *map) {
    IteratingScope walk(map);
    for (int32_t i = 0; i < list_count(&map->objects); ++i) {
        GameObject *obj = list_get(&map->objects, i);
        if (!obj) break;
        object_after_advance(obj);
    }
}

void map_draw(ObjectMap *map, Graphics *graphics) {
    (void)gfx_queue_command(graphics, gfx_lock_screen, nullptr, 0);   // a full queue only loses this frame
    for (Effect *effect : map->effects.items)
        if (effect && effect->layer < 0) effect_draw(effect, graphics, effect->x - map->view_x, effect->y - map->view_y);
    for (List<GameObject> &layer : map->layers) {
        for (GameObject *obj : layer.items) {
            if (!obj) break;
            if (!(obj->flags & (OBJ_VISIBLE | OBJ_ALWAYS_DRAWN))) continue;
            if (obj->flags & (OBJ_NOT_DRAWN | OBJ_FLASHING)) continue;
            object_draw(obj, graphics, obj->x - map->view_x, obj->y - map->view_y);
        }
    }
    for (Effect *effect : map->effects.items)
        if (effect && effect->layer >= 0) effect_draw(effect, graphics, effect->x - map->view_x, effect->y - map->view_y);
    (void)gfx_queue_command(graphics, gfx_unlock_screen, nullptr, 0);
}

void map_set_busy(ObjectMap *map) {
    map->flags |= MAP_BUSY;
    ++map->busy_count;
}

int32_t map_clear_busy(ObjectMap *map, int32_t hold) {
    if (map->busy_count > 0) --map->busy_count;
    if (hold >= 1 && hold > map->hold_ms) map->hold_ms = hold;
    return map->busy_count;
}

// ---- View ----

namespace {

int32_t clamp_view(int32_t value, int32_t world, int32_t screen) {
    const int32_t limit = world - screen - 1;
    if (value > limit) value = limit;
    if (value < 0) value = 0;
    return value;
}

}  // namespace

int32_t map_scroll(ObjectMap *map, int32_t dx, int32_t dy) {
    const int32_t x = clamp_view(map->view_x + dx, map->world_w, map->screen_w);
    const int32_t y = clamp_view(map->view_y + dy, map->world_h, map->screen_h);
    const int32_t moved = (x != map->view_x ? 1 : 0) + (y != map->view_y ? 2 : 0);
    map->view_x = x;
    map->view_y = y;
    return moved;
}

void map_set_view(ObjectMap *map, int32_t x, int32_t y) {
    map->view_x = clamp_view(x, map->world_w, map->screen_w);
    map->view_y = clamp_view(y, map->world_h, map->screen_h);
}

void map_set_screen_size(ObjectMap *map) { screen_size(&map->screen_w, &map->screen_h); }

void map_set_world_size(ObjectMap *map, int32_t w, int32_t h) {
    map->world_w = w;
    map->world_h = h;
}

// ---- Combat turn order and autocombat ----

void map_next_actor(ObjectMap *map) {
    GameObject *actor = nullptr;
    for (GameObject *obj : map->objects.items) {
        if (!obj) break;
        if (obj->flags & OBJ_ACTS_FIRST) {
            obj->flags &= ~OBJ_ACTS_FIRST;
            actor = obj;
            break;
        }
    }
    if (!actor) {
        for (GameObject *obj : map->objects.items) {
            if (!obj) break;
            if (obj->initiative >= MAP_TURN_INITIATIVE && (!actor || obj->initiative > actor->initiative)) actor = obj;
        }
    }
    if (!actor) {
        int64_t fewest = 0;
        for (GameObject *obj : map->objects.items) {
            if (!obj) break;
            if (obj->initiative_rate < 1 || (obj->flags & (OBJ_DEAD | OBJ_LEFT_MAP))) continue;
            const int64_t ticks = (int64_t(MAP_TURN_INITIATIVE) - obj->initiative + obj->initiative_rate - 1) /
                                  obj->initiative_rate;
            if (!actor || ticks < fewest) {
                actor = obj;
                fewest = ticks;
            }
        }
        if (actor) {
            for (GameObject *obj : map->objects.items) {
                if (!obj) break;
                if (obj->initiative_rate < 1 || (obj->flags & (OBJ_DEAD | OBJ_LEFT_MAP))) continue;
                obj->initiative += int32_t(int64_t(obj->initiative_rate) * fewest);
            }
        }
    }
    if (!actor) return;

    ++map->change_count;
    if (actor != map->current) {
        drop_current(map);
        actor->flags |= OBJ_ACTOR;
        object_add_ref(actor);
        map->current = actor;
    }
    if ((map->flags & MAP_DEFENSE) && map->defense_count >= 1 && actor->kind == OBJECT_SHIP) {
        --map->defense_clock;
        log_write(LOG_GAME, LOG_DEBUG3, "Map defense shot countdown, shots remaining %i, clock now %i",
                  map->defense_count, map->defense_clock);
        if (map->defense_clock <= 0) {
            map->flags |= MAP_DEFENSE_RESCALE | MAP_DEFENSE_DUE;
            --map->defense_count;
            map->defense_clock = map->defense_interval;
        }
    }
}

void map_autocombat_turn(ObjectMap *map) {
    map_next_actor(map);
    GameObject *actor = map->current;
    if (!actor) {
        log_write(LOG_GAME, LOG_WARN, "Autocombat turn skipped (no current object found)");
        return;
    }
    object_begin_turn(actor);
    const ObjectMethods *m = object_methods(actor->kind);
    int32_t rounds = 0;
    while (!(actor->flags & (OBJ_TURN_DONE | OBJ_DEAD | OBJ_LEFT_MAP))) {
        // An actor that cannot plan or act, or never ends its turn, would stall the battle for good.
        if (!m || (!m->plan && !m->act) || rounds >= MAP_AUTOCOMBAT_MAX_ROUNDS) {
            log_write(LOG_GAME, LOG_WARN, "Autocombat turn of object #%llu \"%s\" ended after %i rounds",
                      (unsigned long long)actor->id, object_get_name(actor), rounds);
            object_end_turn(actor);
            break;
        }
        if (m->plan) (void)m->plan(actor);   // a failed plan leaves the act to report it
        if (m->act) (void)m->act(actor);     // a failed act is the kind's to settle; the loop asks again
        ++rounds;
    }
    map_remove_dead_objects(map);
    if (map->flags & MAP_DEFENSE_DUE) {
        map->flags &= ~MAP_DEFENSE_DUE;
        const GameObject *shot = add_defense_shot(map);
        log_write(LOG_GAME, LOG_DEBUG3, "Map add defense shot #%llu \"%s\" (autocombat), count now %i",
                  shot ? (unsigned long long)shot->id : 0ull, shot ? object_get_name(shot) : "",
                  map->defense_count);
    } else {
        map_add_pending_objects(map);
    }
}

void map_enable_defense_shot(ObjectMap *map, int32_t clock, int32_t interval, int32_t shot_type,
                             const char *singular, const char *plural, int32_t count, int32_t damage_min,
                             int32_t damage_max, uint64_t player_id) {
    map->flags |= MAP_DEFENSE | MAP_DEFENSE_RESCALE;
    map->defense_clock = clock;
    map->defense_interval = interval;
    map->defense_shot_type = shot_type;
    map->defense_singular = singular ? singular : "";
    map->defense_plural = plural ? plural : "";
    map->defense_count = count;
    map->defense_damage_min = damage_min;
    map->defense_damage_max = damage_max;
    map->defense_player_id = player_id;
    log_write(LOG_GAME, LOG_DEBUG3,
              "Map enable defense shot, interval %i, start clock %i, shot type %i, shot singular name \"%s\", "
              "shot plural name \"%s\", shot count %i, defense player #%llu",
              interval, clock, shot_type, map->defense_singular.c_str(), map->defense_plural.c_str(), count,
              (unsigned long long)player_id);
}

// ---- Visibility and queries ----

void map_update_visibility(ObjectMap *map, uint64_t viewer_id) {
    map->viewer_id = viewer_id;
    Player *viewer = game_find_player(game_get(), viewer_id);
    for (GameObject *obj : map->objects.items) {
        if (!obj) break;
        if (visible_to(obj, viewer_id, viewer)) obj->flags |= OBJ_VISIBLE;
        else obj->flags &= ~OBJ_VISIBLE;
    }
    // A fleet the viewer's fleet chases stays in sight.
    for (GameObject *obj : map->objects.items) {
        if (!obj) break;
        if (obj->kind != OBJECT_FLEET || obj->owner_id != viewer_id) continue;
        GameObject *target = fleet_move_target(obj);
        if (target && target->kind == OBJECT_FLEET) target->flags |= OBJ_VISIBLE;
    }
}

MapOccupant map_occupant_of(const GameObject *obj) {
    return {.obj = obj,
            .x = obj->x,
            .y = obj->y,
            .w = obj->w,
            .h = obj->h,
            .gone = obj->flags & (OBJ_DEAD | OBJ_LEFT_MAP),
            .shape = object_shape(obj),
            .ask_object = map_has_own_shape_tests(obj)};
}

bool map_has_own_shape_tests(const GameObject *obj) {
    const ObjectMethods *m = object_methods(obj->kind);
    return m && (m->overlap_test || m->rect_test || m->point_test);
}

GameObject *map_spot_blocker(ObjectMap *map, GameObject *mover, int32_t frame, int32_t x, int32_t y) {
    for (GameObject *obj : map->objects.items) {
        if (!obj) break;
        // The record without a shape: the rule asks the object, as it stands.
        const MapOccupant o{.obj = obj,
                            .x = obj->x,
                            .y = obj->y,
                            .w = obj->w,
                            .h = obj->h,
                            .gone = obj->flags & (OBJ_DEAD | OBJ_LEFT_MAP)};
        if (map_occupant_blocks(o, mover, false, frame, x, y)) return obj;
    }
    return nullptr;
}

GameObject *map_query_object(ObjectMap *map, const ObjectFilter *f) {
    if (f->flags == FILTER_PLACEMENT && f->self) return map_spot_blocker(map, f->self, f->frame, f->px, f->py);
    // Another point test without the nearest rule: the box test goes first, as it rules out most
    // objects (the tests have no side effects, so the first match in list order is the same).
    if ((f->flags & (FILTER_ID | FILTER_POINT | FILTER_NEAREST)) == FILTER_POINT) {
        for (GameObject *obj : map->objects.items) {
            if (!obj) break;
            if (!point_box_hit(obj, f) || map_object_gone(obj) || !passes_filters(obj, f)) continue;
            if (!(f->flags & FILTER_SHAPE) || shape_hit(obj, f)) return obj;
        }
        return nullptr;
    }
    GameObject *best = nullptr;
    int32_t best_distance = MAP_NO_DISTANCE;
    for (GameObject *obj : map->objects.items) {
        if (!obj) break;
        if (map_object_gone(obj)) continue;
        if (f->flags & FILTER_ID) {
            if (obj->id == f->id) return obj;
            continue;
        }
        if (!passes_filters(obj, f)) continue;
        if (!(f->flags & FILTER_POINT)) return obj;
        if (f->flags & FILTER_NEAREST) {
            const int32_t d = distance(obj->x - f->px, obj->y - f->py);
            if (d < best_distance) {
                best = obj;
                best_distance = d;
            }
            continue;
        }
        if (!point_box_hit(obj, f)) continue;
        if (!(f->flags & FILTER_SHAPE) || shape_hit(obj, f)) return obj;
    }
    return best;
}

Result map_find_free_position(ObjectMap *map, int32_t x, int32_t y, int32_t w, int32_t h, int32_t size_w,
                              int32_t size_h, int32_t angle, int32_t spread, int32_t reach, int32_t *out_x,
                              int32_t *out_y) {
    Game *game = game_get();
    const int32_t mx = x + w / 2;
    const int32_t my = y + h / 2;
    for (int32_t attempt = 0; attempt < MAP_FREE_POSITION_TRIES; ++attempt) {
        const int32_t offset = game_random_range(game, -spread / 2, spread / 2);
        const int32_t direction = angle_normalize(angle + offset);
        const int32_t low = reach - 1 < 10 ? reach - 1 : 10;
        const int32_t radius = game_random_range(game, low, reach - 1);
        int32_t dx = 0, dy = 0;
        rotate_point(direction, radius, &dx, &dy);
        const int32_t px = mx + dx, py = my + dy;
        if (px < 0 || py < 0 || px >= map->world_w - 10 || py >= map->world_h - 40) continue;
        ObjectFilter filter;
        filter.flags = FILTER_RECT;
        filter.rect_x = px;
        filter.rect_y = py;
        filter.rect_w = size_w;
        filter.rect_h = size_h;
        if (map_query_object(map, &filter)) continue;
        if (out_x) *out_x = px;
        if (out_y) *out_y = py;
        return RES_OK;
    }
    return RES_NO_FREE_POSITION;
}
