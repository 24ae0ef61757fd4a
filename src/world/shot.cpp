// Shots: the record and its lifecycle, aiming and launch, damage to shots, drawing and shape tests,
// and the kind's operation table (the flight, its interception walk and the trails are in
// shot_flight.cpp).
#include "world/shot.h"

#include <algorithm>
#include <climits>
#include "effects/effect.h"
#include "effects/effect_bubble.h"
#include "effects/effect_particles.h"
#include "effects/particle_surface.h"
#include "game/game.h"
#include "platform/draw.h"
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "platform/sprite.h"
#include "world/factory.h"
#include "world/object_map.h"
#include "world/object_methods.h"
#include "world/shot_internal.h"

namespace {

// ---- Slots without a public name ----

void shot_apply_frame(GameObject *obj) {
    Shot *s = static_cast<Shot *>(obj);
    if (shot_detail::segmented(s)) {
        shot_update_trail(s);
        return;
    }
    s->w = shot_detail::frame_width(s);
    s->h = shot_detail::frame_height(s);
}

void shot_turn_begin(GameObject *obj) {
    Shot *s = static_cast<Shot *>(obj);
    s->intercepted_by.clear();
    s->shot_flags &= ~SHOT_FLAG_INTERCEPTED;
}

void shot_turn_end(GameObject *obj) {
    Shot *s = static_cast<Shot *>(obj);
    if (!(s->shot_flags & SHOT_FLAG_LEG_TURN)) return;
    s->shot_flags &= ~SHOT_FLAG_LEG_TURN;
    s->initiative = SHOT_LEG_INITIATIVE;
}

const char *shot_display_name(const GameObject *obj) {
    const Shot *s = static_cast<const Shot *>(obj);
    const std::string &label = !shot_detail::segmented(s) || s->trail_count <= 1 ? s->label_a : s->label_b;
    return label.empty() ? s->name.c_str() : label.c_str();
}

int32_t shot_picture(const GameObject *obj) { return static_cast<const Shot *>(obj)->picture_index; }
int32_t shot_evasion(const GameObject *obj) { return static_cast<const Shot *>(obj)->shot_evasion; }

void queue_frame(Graphics *g, const Sprite *sprite, int32_t x, int32_t y, uint16_t flags, bool outline) {
    if (!sprite) return;
    SpriteDrawPayload draw{};
    draw.flags = flags;
    draw.x = int16_t(std::clamp(x, -32768, 32767));
    draw.y = int16_t(std::clamp(y, -32768, 32767));
    draw.sprite = const_cast<Sprite *>(sprite);
    (void)sprite_queue_draw(g, draw);
    if (outline) (void)gfx_queue_sprite_outline(g, const_cast<Sprite *>(sprite), x, y, 0, 255, 0);
}

void shot_draw(GameObject *obj, Graphics *g, int32_t x, int32_t y) {
    Shot *s = static_cast<Shot *>(obj);
    if (s->shot_flags & SHOT_FLAG_HELD) return;
    const bool outline = s->flags & OBJ_OUTLINE;
    if (s->particles && (s->particles->flags & SURFACE_RENDERED)) {
        const ParticleBuffer &b = s->particles->buffers[s->particles->current];
        particle_surface_draw(s->particles, g, x - s->x + b.left, y - s->y + b.top);
    }
    const Sprite *sprite = shot_detail::current_sprite(s);
    if (shot_detail::segmented(s)) {
        for (int32_t i = 0; i < shot_detail::trail_shown(s) && i < int32_t(s->trail_x.size()); ++i)
            queue_frame(g, sprite, x + s->trail_x[size_t(i)], y + s->trail_y[size_t(i)], 0, outline);
    } else {
        if ((s->subtype == SHOT_TEMPLATE_DRONE_POD || s->subtype == SHOT_TEMPLATE_MISSILE) && s->frames &&
            s->frame_count > 1 && s->frames[1]) {
            const Sprite *glow = s->frames[1];
            queue_frame(g, glow, x + s->w / 2 - glow->width / 2, y + s->h / 2 - glow->height / 2,
                        SPRITE_DRAW_BLEND | SPRITE_DRAW_ADDITIVE, false);
        }
        queue_frame(g, sprite, x, y, 0, outline);
    }
    const GfxRect rect{int16_t(std::clamp(x - 8, -32768, 32767)), int16_t(std::clamp(y - 8, -32768, 32767)),
                       uint16_t(std::clamp(s->w + 16, 0, 65535)), uint16_t(std::clamp(s->h + 16, 0, 65535))};
    (void)gfx_queue_command(g, gfx_add_dirty_rect, &rect, sizeof rect);
    (void)gfx_queue_command(g, gfx_add_restore_rect, &rect, sizeof rect);
}

// The offsets at which the shot's frame is laid for the shape tests: each shown round of a volley,
// else the top-left corner alone.
template <typename Visit>
int32_t each_round(const Shot *s, Visit visit) {
    if (!shot_detail::segmented(s)) return visit(0, 0);
    for (int32_t i = 0; i < shot_detail::trail_shown(s) && i < int32_t(s->trail_x.size()); ++i)
        if (int32_t hit = visit(s->trail_x[size_t(i)], s->trail_y[size_t(i)]); hit) return hit;
    return 0;
}

int32_t shot_point_test(GameObject *obj, int32_t x, int32_t y, int32_t px, int32_t py) {
    const Shot *s = static_cast<Shot *>(obj);
    const Sprite *shape = shot_detail::current_sprite(s);
    if (!shape || (s->shot_flags & SHOT_FLAG_HELD)) return 0;
    return each_round(s, [&](int32_t tx, int32_t ty) { return mask_test(shape, px - x - tx, py - y - ty) ? 1 : 0; });
}

int32_t shot_rect_test(GameObject *obj, const Sprite *sprite, int32_t x, int32_t y, int32_t sx, int32_t sy,
                       int32_t *out_x, int32_t *out_y) {
    const Shot *s = static_cast<Shot *>(obj);
    const Sprite *shape = shot_detail::current_sprite(s);
    if (!shape || !sprite || (s->shot_flags & SHOT_FLAG_HELD)) return 0;
    return each_round(s, [&](int32_t tx, int32_t ty) {
        int hx = 0, hy = 0;
        if (!mask_overlap(shape, sprite, sx - x - tx, sy - y - ty, &hx, &hy)) return 0;
        if (out_x) *out_x = hx + x + tx;
        if (out_y) *out_y = hy + y + ty;
        return 1;
    });
}

int32_t shot_overlap_test(GameObject *obj, GameObject *other, int32_t x, int32_t y, int32_t ox, int32_t oy,
                          int32_t *out_x, int32_t *out_y) {
    const Shot *s = static_cast<Shot *>(obj);
    const Sprite *shape = shot_detail::current_sprite(s);
    // A held shot never overlaps anything. (A shot waiting for its first turn still finds its
    // contact point: its own aim is an overlap test too.)
    if (!shape || (s->shot_flags & SHOT_FLAG_HELD)) return 0;
    return each_round(s, [&](int32_t tx, int32_t ty) {
        return object_mask_overlap(other, shape, ox, oy, x + tx, y + ty, out_x, out_y);
    });
}

}  // namespace

// ---- Record ----

Shot *shot_of(GameObject *obj) {
    if (!obj || obj->kind != OBJECT_SHOT || (obj->flags & OBJ_STUB)) return nullptr;
    return static_cast<Shot *>(obj);
}

const Shot *shot_of(const GameObject *obj) { return shot_of(const_cast<GameObject *>(obj)); }

uint32_t shot_size() { return uint32_t(sizeof(Shot)); }

const char *shot_type_name() { return "Shot"; }

void shot_init(GameObject *obj) {
    Shot *s = object_init_record<Shot>(obj);
    s->impact_type = -1;
}

void shot_free(GameObject *obj) {
    Shot *s = static_cast<Shot *>(obj);
    shot_detail::hold(&s->source, nullptr, nullptr);
    shot_detail::hold(&s->target, nullptr, nullptr);
    particle_surface_free(s->particles);
    s->particles = nullptr;
    object_free_record<Shot>(obj);
}

void shot_copy_template(GameObject *obj, const GameObject *tmpl_obj) {
    Shot *s = shot_of(obj);
    const Shot *t = shot_of(tmpl_obj);
    if (!s || !t) return;
    s->shot_type_flags = t->shot_type_flags;
    s->damage_min = t->damage_min;
    s->damage_max = t->damage_max;
    s->dir_count = t->dir_count;
    s->picture_index = t->picture_index;
    s->first_anim = t->first_anim;
    s->tmpl_word_b = t->tmpl_word_b;
    s->leg_length = t->leg_length;
    s->max_hit_points = t->max_hit_points;
    s->trail_max = t->trail_max;
    s->label_a = t->label_a;
    s->label_b = t->label_b;
    s->table_count = t->table_count;
    s->table_x = t->table_x;
    s->table_y = t->table_y;
    s->shot_evasion = t->shot_evasion;
    s->blast_radius = t->tmpl_word_b;
    s->damage_avg = (t->damage_min + t->damage_max) / 2;
}

void shot_on_created(GameObject *obj) {
    Shot *s = shot_of(obj);
    if (!s) return;
    const int32_t span = s->damage_max - s->damage_min + 1;
    s->damage = span > 1 ? s->damage_min + int32_t(random_magnitude(random_u32()) % uint32_t(span)) : s->damage_min;
    s->hold_ms = SHOT_HOLD_MS;
    s->hit_points = s->max_hit_points;
    s->mass = 1;
    if (s->animation_count > 0 || s->first_anim != 0) object_set_animation(s, s->first_anim, -1);
    if (shot_detail::segmented(s)) {
        s->trail_max = std::max(s->trail_max, 1);
        s->trail_count = s->trail_max;
        s->trail_x.assign(size_t(s->trail_max), 0);
        s->trail_y.assign(size_t(s->trail_max), 0);
        s->shot_flags |= SHOT_FLAG_BLENDING;
        s->blend = 0;
        shot_update_trail(s);
    }
    if (s->shot_type_flags & SHOT_TYPE_LEGS) s->shot_flags |= SHOT_FLAG_LEG_TURN;
    if (s->subtype == SHOT_TEMPLATE_MISSILE || s->subtype == SHOT_TEMPLATE_SLUG) shot_detail::make_particles(s);
    if (s->subtype == SHOT_TEMPLATE_SLUG) s->shot_flags |= SHOT_FLAG_FIRST_TICK;
}

// ---- Creation, aiming, figures ----

Shot *shot_create(int32_t subtype) { return shot_of(factory_create_object(OBJECT_SHOT, subtype)); }

void shot_set_impact_type(Shot *shot, int32_t type) { shot->impact_type = type; }

void shot_set_range(Shot *shot, int32_t distance) {
    shot->shot_flags |= SHOT_FLAG_RANGED | SHOT_FLAG_FIRST_TICK;
    shot->range_left = distance;
}

void shot_set_source(Shot *shot, GameObject *source) { shot_detail::hold(&shot->source, &shot->source_id, source); }

GameObject *shot_target_of(const GameObject *shot) {
    const Shot *s = shot_of(shot);
    return s ? s->target : nullptr;
}

void shot_set_target(Shot *s, GameObject *target) {
    shot_detail::hold(&s->target, &s->target_id, target);
    if (!target) return;
    int32_t aim_x = 0, aim_y = 0;
    if (object_contact_point(s, target, &aim_x, &aim_y, nullptr, nullptr) != RES_OK) {
        log_write(LOG_GAME, LOG_WARN, "Shot failed to set target");
        shot_detail::hold(&s->target, &s->target_id, nullptr);
        return;
    }
    s->origin_x = s->x;
    s->origin_y = s->y;
    s->impact_x = aim_x + s->w / 2;
    s->impact_y = aim_y + s->h / 2;
    s->last_x = s->x;
    s->last_y = s->y;
    int32_t to_x = aim_x, to_y = aim_y;
    if (s->shot_type_flags & SHOT_TYPE_LEGS) {
        const int32_t ox = aim_x - s->x, oy = aim_y - s->y;
        if (ox == 0 && oy == 0) {
            s->shot_flags |= SHOT_FLAG_LONG_LEGS | SHOT_FLAG_IN_LEG;
            return;
        }
        const int32_t d = distance(ox, oy);
        int32_t leg = SHOT_FIRST_LEG;
        if (s->shot_flags & SHOT_FLAG_LONG_LEGS) {
            leg = s->leg_length;
            s->shot_flags &= ~SHOT_FLAG_FIRST_LEG;
        } else {
            s->shot_flags |= SHOT_FLAG_FIRST_LEG;
        }
        s->shot_flags |= SHOT_FLAG_LONG_LEGS | SHOT_FLAG_IN_LEG;
        if (leg >= d) {
            s->shot_flags |= SHOT_FLAG_LAST_LEG;
        } else {
            to_x = s->x + int32_t(int64_t(leg) * ox / std::max(d, 1));
            to_y = s->y + int32_t(int64_t(leg) * oy / std::max(d, 1));
        }
    }
    object_set_heading(s, angle_of_vector(to_x - s->x, to_y - s->y));
    object_move_towards(s, to_x, to_y);
}

void shot_launch(Shot *s, int32_t x, int32_t y) {
    s->shot_flags |= SHOT_FLAG_AT_POINT;
    s->origin_x = s->x;
    s->origin_y = s->y;
    s->last_x = s->x;
    s->last_y = s->y;
    s->dest_x = x;
    s->dest_y = y;
    int32_t to_x = x, to_y = y;
    if (s->shot_type_flags & SHOT_TYPE_LEGS) {
        const int32_t ox = x - s->w / 2 - s->x, oy = y - s->h / 2 - s->y;
        if (ox == 0 && oy == 0) {
            s->shot_flags |= SHOT_FLAG_LONG_LEGS | SHOT_FLAG_IN_LEG;
            return;
        }
        const int32_t d = distance(ox, oy);
        const int32_t leg = (s->shot_flags & SHOT_FLAG_LONG_LEGS) ? s->leg_length : SHOT_FIRST_LAUNCH_LEG;
        s->shot_flags |= SHOT_FLAG_LONG_LEGS | SHOT_FLAG_IN_LEG;
        if (leg < d) {
            to_x = s->x + int32_t(int64_t(leg) * ox / d);
            to_y = s->y + int32_t(int64_t(leg) * oy / d);
        } else {
            s->shot_flags |= SHOT_FLAG_LAST_LEG;
        }
    }
    object_set_heading(s, angle_of_vector(to_x - s->x, to_y - s->y));
    object_move_towards(s, to_x, to_y);
}

int32_t shot_damage(const Shot *s) {
    if (shot_detail::segmented(s) && s->trail_max > 0 && s->trail_count < s->trail_max)
        return std::max(int32_t(int64_t(s->damage) * s->trail_count / s->trail_max), 1);
    return s->damage;
}

int32_t shot_max_damage(const Shot *s) {
    const Shot *t = shot_of(factory_get_template(OBJECT_SHOT, s->subtype));
    const int32_t top = t ? t->damage_max : s->damage_max;
    if (shot_detail::segmented(s) && s->trail_max > 0 && s->trail_count < s->trail_max)
        return std::max(int32_t(int64_t(top) * s->trail_count / s->trail_max), 1);
    return top;
}

void shot_set_labels(Shot *shot, const char *one, const char *several) {
    if (one && *one) shot->label_a = one;
    if (several && *several) shot->label_b = several;
}

void shot_arm_defense(GameObject *obj, const char *singular, const char *plural, int32_t damage) {
    Shot *s = shot_of(obj);
    if (!s) return;
    shot_set_labels(s, singular, plural);
    s->damage = damage;
    s->shot_flags &= ~SHOT_FLAG_LEG_TURN;
    s->shot_flags |= SHOT_FLAG_LONG_LEGS | SHOT_FLAG_DEFENCE | SHOT_FLAG_SEEK_ONCE;
}

// ---- Slots ----

void shot_set_heading(GameObject *obj, int32_t degrees) {
    Shot *s = shot_of(obj);
    if (!s || !(s->shot_type_flags & SHOT_TYPE_DIRECTIONS) || s->dir_count < 1) return;
    const int32_t n = s->dir_count;
    const int32_t dir = int32_t(int64_t(angle_normalize(degrees + 180 / n)) * n / 360);
    if (dir == s->dir_frame && s->animation >= 0) return;
    s->dir_frame = std::clamp(dir, 0, n - 1);
    const int32_t cx = shot_detail::centre_x(s), cy = shot_detail::centre_y(s);
    if (s->first_anim + s->dir_frame < s->animation_count) object_set_animation(s, s->first_anim + s->dir_frame, -1);
    if (shot_detail::segmented(s)) {
        s->shot_flags |= SHOT_FLAG_BLENDING;
        s->blend = 0;
        shot_update_trail(s);
        // A volley turns about its middle.
        if (!(s->flags & OBJ_TRAVELLING)) {
            s->x = shot_detail::corner_of(cx, s->w);
            s->y = shot_detail::corner_of(cy, s->h);
        }
    }
}

int32_t shot_apply_damage(GameObject *obj, GameObject *, int32_t amount, int32_t, int32_t, int32_t) {
    Shot *s = shot_of(obj);
    if (!s) return 0;
    const bool silent = shot_detail::quiet();
    s->hit_points -= amount;
    if (s->hit_points > 0) {
        if (shot_detail::segmented(s) && amount > 0) {
            const int32_t max_hp = std::max(s->max_hit_points, 1);
            const int32_t keep = std::min({s->trail_max - 1, int32_t(int64_t(s->trail_max) * s->hit_points / max_hp) + 1,
                                           s->trail_count});
            if (keep >= 1 && keep < s->trail_count) {
                if (!silent) shot_detail::burst_rounds(s, keep);
                const int32_t cx = shot_detail::centre_x(s), cy = shot_detail::centre_y(s);
                s->trail_count = keep;
                shot_update_trail(s);
                s->x = shot_detail::corner_of(cx, s->w);
                s->y = shot_detail::corner_of(cy, s->h);
            }
        } else if (!silent) {
            sound_play(SOUND_EXPLOSION);
        }
    } else {
        s->hit_points = 0;
        if (silent) {
            s->flags |= OBJ_DEAD;
        } else {
            if (shot_detail::segmented(s)) shot_detail::burst_rounds(s, 0);
            s->flags |= OBJ_DYING;
            object_clear_busy(s, s->hold_ms);
            s->flags |= OBJ_DEAD;
        }
    }
    if (!silent) shot_detail::floating_text(s->map, shot_detail::centre_x(s), shot_detail::centre_y(s), amount);
    return 0;
}

// ---- Kind set-up ----

void shot_register_methods(ObjectMethods *row) {
    row->size = shot_size;
    row->type_name = shot_type_name;
    row->init = shot_init;
    row->free = shot_free;
    row->copy_template = shot_copy_template;
    row->on_created = shot_on_created;
    row->apply_frame = shot_apply_frame;
    row->update = shot_update;
    row->turn_begin = shot_turn_begin;
    row->turn_end = shot_turn_end;
    row->draw = shot_draw;
    row->set_heading = shot_set_heading;
    row->apply_damage = shot_apply_damage;
    row->act = shot_act;
    row->display_name = shot_display_name;
    row->picture = shot_picture;
    row->evasion = shot_evasion;
    row->write = shot_write;
    row->read = shot_read;
    row->link = shot_link;
    row->travel_point = shot_travel_point;
    row->overlap_test = shot_overlap_test;
    row->rect_test = shot_rect_test;
    row->point_test = shot_point_test;
    row->copy_record = shot_copy_record;
}

void shot_factory_init(Factory *factory) {
    factory->kind = OBJECT_SHOT;
    factory->template_count = SHOT_TEMPLATE_COUNT;
    factory->load_params = shot_load_params;
    factory->group_frames = shot_group_frames;
    factory->frame_dir = "shot/%.3i/png";
}
