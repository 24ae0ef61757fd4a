// Generic object behaviour over time: frames and animations, rotation, galaxy travel, the busy
// state that makes a map wait, and the per-tick update.
#include "world/object.h"

#include "platform/files.h"
#include "platform/log.h"
#include "platform/movement_path.h"
#include "platform/str.h"
#include "world/object_internal.h"
#include "world/object_map.h"
#include "world/object_methods.h"
#include "effects/effect.h"
#include "platform/anim.h"

namespace {

int32_t pixel(float value) { return static_cast<int32_t>(value); }

// The kind's travel_point answer for a pixel; 0 (go on) without the slot.
int32_t travel_point(GameObject *obj, int32_t x, int32_t y) {
    const ObjectMethods *m = world_detail::row(obj);
    return m && m->travel_point ? m->travel_point(obj, x, y) : 0;
}

void update_rotation(GameObject *obj, int32_t dt) {
    const int32_t d = angle_diff(obj->heading, obj->target_heading);
    if (d == 0) {
        obj->flags &= ~OBJ_ROTATING;
        return;
    }
    const int32_t t = obj->rotation_rest + dt;
    obj->rotation_rest = t % 2;
    const int32_t step = t / 2;   // one degree per 2 ms
    const int32_t turn = d > 0 ? (d < step ? d : step) : (d > -step ? d : -step);
    object_set_heading(obj, obj->heading + turn);
}

void update_animation(GameObject *obj, int32_t dt) {
    if (!obj->anim_player || !anim_player_is_running(obj->anim_player)) return;
    const int32_t old_w = obj->w, old_h = obj->h;
    anim_player_update(obj->anim_player, dt);
    if (!anim_player_frame_changed(obj->anim_player)) return;
    object_set_frame(obj, anim_player_frame(obj->anim_player));
    if (anim_player_is_centred(obj->anim_player)) {
        obj->x += old_w / 2 - obj->w / 2;
        obj->y += old_h / 2 - obj->h / 2;
    }
}

void update_pulse(GameObject *obj, int32_t dt) {
    const int32_t t = obj->pulse_rest + dt;
    const int32_t n = t / 10;
    obj->pulse_rest = t % 10;
    if (n <= 0) return;
    obj->pulse_level += obj->pulse_step * n;
    if (obj->pulse_level < 0) {
        obj->pulse_level = 0;
        obj->pulse_step = -obj->pulse_step;
    } else if (obj->pulse_level > 100) {
        obj->pulse_level = 100;
        obj->pulse_step = -obj->pulse_step;
    }
}

}  // namespace

// ---- Frames and animations ----

void object_set_frame(GameObject *obj, int32_t frame) {
    if (frame < 0 || frame >= obj->frame_count) {
        log_write(LOG_GAME, LOG_WARN, "Attempt to set illegal frame %i for object %i:%i", frame, obj->kind,
                  obj->subtype);
        return;
    }
    if (!obj->frames) return;
    obj->frame = frame;
    const ObjectMethods *m = world_detail::row(obj);
    if (m && m->apply_frame) {
        m->apply_frame(obj);
        return;
    }
    obj->w = obj->frame_w ? obj->frame_w[frame] : 0;
    obj->h = obj->frame_h ? obj->frame_h[frame] : 0;
}

void object_reset_frame(GameObject *obj) {
    if (obj->frame < 0 && obj->frames) {
        if (obj->frame_count < 1)
            log_write(LOG_GAME, LOG_WARN, "Attempt to set illegal frame %i for object %i:%i", 0, obj->kind,
                      obj->subtype);
        else object_set_frame(obj, 0);
    }
    const ObjectMethods *m = world_detail::row(obj);
    if (m && m->on_created) m->on_created(obj);
}

void object_set_animation(GameObject *obj, int32_t animation, int32_t loops) {
    if (animation < 0 || animation >= obj->animation_count) {
        log_write(LOG_GAME, LOG_WARN, "Attempt to set illegal animation %i for object %i:%i", animation,
                  obj->kind, obj->subtype);
        return;
    }
    if (!obj->animations) return;
    obj->animation = animation;
    if (!obj->anim_player) return;
    anim_player_start(obj->anim_player, obj->animations[animation], loops);
    object_set_frame(obj, anim_player_frame(obj->anim_player));
}

void object_alloc_animations(GameObject *obj, int32_t n) {
    for (int32_t i = 0; obj->animations && i < obj->animation_count; ++i) anim_free(obj->animations[i]);
    delete[] obj->animations;
    obj->animations = nullptr;
    obj->animation_count = 0;
    if (n < 1) return;
    obj->animations = new (std::nothrow) Animation *[size_t(n)]();
    if (!obj->animations) return;
    for (int32_t i = 0; i < n; ++i) obj->animations[i] = anim_create_empty(0);
    obj->animation_count = n;
}

// ---- Rotation and heading ----

void object_begin_rotation(GameObject *obj, int32_t target) {
    obj->flags |= OBJ_ROTATING;
    obj->target_heading = target;
    obj->rotation_rest = 0;
}

void object_finish_rotation(GameObject *obj) {
    if (!(obj->flags & OBJ_ROTATING)) return;
    obj->flags &= ~OBJ_ROTATING;
    object_set_heading(obj, angle_normalize(obj->target_heading));
    obj->rotation_rest = 0;
}

int32_t object_angle_to(const GameObject *obj, int32_t px, int32_t py) {
    return angle_of_vector(px - (obj->x + obj->w / 2), py - (obj->y + obj->h / 2));
}

int32_t object_distance_to(const GameObject *obj, int32_t px, int32_t py) {
    return distance(px - (obj->x + obj->w / 2), py - (obj->y + obj->h / 2));
}

// ---- Travel ----

void object_move_towards(GameObject *obj, int32_t tx, int32_t ty) {
    if (obj->speed <= 0 || (tx == obj->x && ty == obj->y) || !obj->path) return;
    const int64_t span = int64_t(distance(tx - obj->x, ty - obj->y)) * 1000 / obj->speed;
    const int32_t duration = span < 1 ? 1 : span > INT32_MAX ? INT32_MAX : int32_t(span);
    obj->path->mode = MOVEMENT_LINEAR;
    movement_path_start(obj->path, obj->x, obj->y, tx, ty, duration);
    obj->flags &= ~OBJ_TRAVEL_HELD;
    obj->flags |= OBJ_TRAVELLING;
}

void object_update_travel(GameObject *obj, int32_t dt) {
    if (!(obj->flags & OBJ_TRAVELLING) || !obj->path) return;
    if (obj->flags & OBJ_TRAVEL_HELD) {
        if (obj->travel_delay < 1) return;
        obj->travel_delay -= dt;
        if (obj->travel_delay > 0) return;
        obj->flags &= ~OBJ_TRAVEL_HELD;
    }
    MovementPath *path = obj->path;
    if (movement_path_arrived(path)) {
        obj->flags &= ~OBJ_TRAVELLING;
        return;
    }
    movement_path_advance(path, dt);
    int32_t x = obj->x, y = obj->y;
    for (;;) {
        const float before_x = path->x, before_y = path->y;
        const uint32_t before_flags = path->flags;
        if (!movement_path_next_pixel(path)) break;
        const int32_t px = pixel(path->x), py = pixel(path->y);
        if (travel_point(obj, px, py) != 0) {
            // The refused pixel is tried again at the next step: the path stays where it was.
            path->x = before_x;
            path->y = before_y;
            path->flags = before_flags;
            break;
        }
        x = px;
        y = py;
        if (movement_path_arrived(path)) {
            obj->flags &= ~OBJ_TRAVELLING;
            break;
        }
    }
    obj->x = x;
    obj->y = y;
}

void object_set_travel_delay(GameObject *obj, int32_t delay) {
    if (!(obj->flags & OBJ_TRAVELLING) || delay <= 0) return;
    obj->flags |= OBJ_TRAVEL_HELD;
    obj->travel_delay = delay;
}

void object_hold_travel(GameObject *obj) {
    if (!(obj->flags & OBJ_TRAVELLING)) return;
    obj->flags |= OBJ_TRAVEL_HELD;
    obj->travel_delay = 0;
}

void object_resume_travel(GameObject *obj) {
    if (!(obj->flags & OBJ_TRAVELLING) || !(obj->flags & OBJ_TRAVEL_HELD)) return;
    obj->flags &= ~OBJ_TRAVEL_HELD;
    obj->travel_delay = 0;
}

void object_stop_travel(GameObject *obj) { obj->flags &= ~OBJ_TRAVELLING; }

void object_finish_travel(GameObject *obj) {
    if (!(obj->flags & OBJ_TRAVELLING)) return;
    obj->flags &= ~OBJ_TRAVELLING;
    if (!obj->path) return;
    obj->x = obj->path->target_x;
    obj->y = obj->path->target_y;
}

int32_t object_get_travel_destination(const GameObject *obj, int32_t *x, int32_t *y) {
    if (!(obj->flags & OBJ_TRAVELLING) || !obj->path) return 0;
    if (x) *x = obj->path->target_x;
    if (y) *y = obj->path->target_y;
    return 1;
}

// ---- Busy state ----

void object_set_busy(GameObject *obj) {
    if (obj->flags & OBJ_BUSY) return;
    obj->flags |= OBJ_BUSY;
    if (obj->map) map_set_busy(obj->map);
}

void object_clear_busy(GameObject *obj, int32_t hold) {
    if (!(obj->flags & OBJ_BUSY)) return;
    obj->flags &= ~OBJ_BUSY;
    if (obj->map) (void)map_clear_busy(obj->map, hold);   // the remaining count is the map's business
}

void object_describe(const GameObject *obj, std::string *out) {
    str_printf(out, "#%llu %i:%i \"%s\" x%i y%i", (unsigned long long)obj->id, obj->kind, obj->subtype,
               object_get_name(obj), obj->x, obj->y);
}

// ---- Per tick ----

void object_update(GameObject *obj, int32_t dt) {
    if (obj->flags & OBJ_ROTATING) update_rotation(obj, dt);
    update_animation(obj, dt);
    if (obj->flags & OBJ_SHAKING) {
        obj->shake_ms -= dt;
        if (obj->shake_ms < 1) obj->flags &= ~OBJ_SHAKING;
    }
    if (obj->flags & OBJ_PULSING) update_pulse(obj, dt);
    if (obj->flags & OBJ_FLASHING) {
        obj->flash_ms -= dt;
        if (obj->flash_ms < 1) {
            obj->flags &= ~OBJ_FLASHING;
            obj->flash_ms = 0;
        }
    }
    const ObjectMethods *m = world_detail::row(obj);
    if (m && m->update) m->update(obj, dt);
}
