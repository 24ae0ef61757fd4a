// Shots: the record and its lifecycle, aiming and launch, the combat turn, the flight with its
// interception walk and arrival, damage to shots, the trail of a volley, drawing and shape tests,
// and the kind's operation table.
#include "world/shot.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include "effects/effect.h"
#include "effects/effect_bubble.h"
#include "effects/effect_particles.h"
#include "effects/particle_surface.h"
#include "game/encounter_map.h"
#include "game/game.h"
#include "platform/files.h"
#include "platform/draw.h"
#include "platform/graphics.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "platform/sprite.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/object_map.h"
#include "world/object_methods.h"

namespace {

constexpr int32_t ACTION_LINE_MS = 1000;
constexpr int32_t FIZZLE_HOLD_MS = 100;
constexpr int32_t BURST_SPREAD_MS = 40;         // explosions of a volley's rounds start within this
constexpr int32_t SEEK_FILTER = FILTER_POINT | FILTER_KINDS | FILTER_NEAREST | FILTER_NOT_SELF | FILTER_NOT_OWNER;
constexpr int     TEXT_FONT = 2;
constexpr int32_t PUFF_MIN_MS = 60, PUFF_MAX_MS = 120;

bool quiet() {
    const Game *game = game_get();
    return game && (game->flags & GAME_FLAG_RESOLVE_AT_ONCE);
}

// Positions can come from a save: the centre is taken in 64 bits and held to the 32-bit range.
int32_t centre_of(int32_t pos, int32_t size) {
    return int32_t(std::clamp<int64_t>(int64_t(pos) + size / 2, INT32_MIN, INT32_MAX));
}
int32_t centre_x(const GameObject *obj) { return centre_of(obj->x, obj->w); }
int32_t centre_y(const GameObject *obj) { return centre_of(obj->y, obj->h); }

bool gone(const GameObject *obj) { return !obj || (obj->flags & (OBJ_DEAD | OBJ_LEFT_MAP | OBJ_STUB)); }

bool segmented(const Shot *s) { return s->shot_type_flags & SHOT_TYPE_SEGMENTED; }

int32_t trail_shown(const Shot *s) { return std::clamp(s->trail_count, 1, SHOT_TRAIL_SHOWN_MAX); }

const Sprite *current_sprite(const Shot *s) {
    if (s->frame < 0 || s->frame >= s->frame_count) return nullptr;
    if (s->frames && s->frames[s->frame]) return s->frames[s->frame];
    return s->frame_sprites ? s->frame_sprites[s->frame] : nullptr;
}

int32_t frame_width(const Shot *s) {
    return s->frame_w && s->frame >= 0 && s->frame < s->frame_count ? s->frame_w[s->frame] : 0;
}
int32_t frame_height(const Shot *s) {
    return s->frame_h && s->frame >= 0 && s->frame < s->frame_count ? s->frame_h[s->frame] : 0;
}

// Holds `next` in *slot and lets go of what was there (the new reference first: the same object
// set again survives).
void hold(GameObject **slot, uint64_t *id, GameObject *next) {
    if (next) object_add_ref(next);
    GameObject *old = *slot;
    *slot = next;
    if (id) *id = next ? next->id : 0;
    if (!old) return;
    if (old->flags & OBJ_STUB) object_destroy(old);
    else object_release(old);
}

// One explosion cloud (sound 0) on the map at a point after a delay.
void explosion(ObjectMap *map, int32_t x, int32_t y, int32_t delay_ms) {
    if (!map) return;
    ParticleEffect *e = effect_create_explosion_particles();
    if (!e) return;
    effect_particles_set_sound(e, SOUND_EXPLOSION);
    effect_particles_set_delay(e, delay_ms);
    map_add_effect(map, e, x, y);
}

int32_t burst_delay() { return random_range(0, BURST_SPREAD_MS); }

// The centre of round i of a volley on the map.
void round_centre(const Shot *s, int32_t i, int32_t *x, int32_t *y) {
    const int32_t tx = i < int32_t(s->trail_x.size()) ? s->trail_x[size_t(i)] : 0;
    const int32_t ty = i < int32_t(s->trail_y.size()) ? s->trail_y[size_t(i)] : 0;
    *x = s->x + tx + frame_width(s) / 2;
    *y = s->y + ty + frame_height(s) / 2;
}

// Every shown round bursts; the explosions are spread over a few frames.
void burst_rounds(Shot *s, int32_t from) {
    for (int32_t i = from; i < trail_shown(s); ++i) {
        int32_t x = 0, y = 0;
        round_centre(s, i, &x, &y);
        explosion(s->map, x, y, burst_delay());
    }
}

void floating_text(ObjectMap *map, int32_t x, int32_t y, int32_t amount) {
    if (!map) return;
    TextBubbleEffect *t = effect_create_text_bubblef(0, TEXT_FONT, 255, 255, 0, "%i", int(amount));
    if (t) map_add_effect(map, t, x - t->width / 2, y - t->height / 2);
}

// ---- Particle trails of the missile (template 2) and the slug (template 5) ----

// The trail's particles live in map coordinates; the draw places the surface by the map origin.
void emit(Shot *s, int32_t n, float spread, float speed, int r, int g, int b, int tr, int tg, int tb, int life) {
    if (!s->particles) return;
    const float cx = float(centre_x(s)), cy = float(centre_y(s));
    for (int32_t i = 0; i < n; ++i) {
        Particle *p = particle_surface_take_free(s->particles);
        if (!p) return;
        const float ox = float(random_range(-100, 100)) / 100.0f * spread;
        const float oy = float(random_range(-100, 100)) / 100.0f * spread;
        particle_revive(p, cx + ox, cy + oy);
        const int32_t angle = random_range(0, 359);
        int dx = 0, dy = 0;
        rotate_point(angle, int(speed), &dx, &dy);
        p->vx = float(dx);
        p->vy = float(dy);
        p->alpha = 255;
        p->size = random_range(0, 1);
        p->life = life + random_range(0, life / 2);
        p->linger = 40;
        p->timer = p->life;
        colour_fade_start(&p->colour, r, g, b, tr, tg, tb, p->life, 0, 0);
    }
}

// Fades each particle with the rest of its life.
void trail_particle(Particle *p, int32_t, void *) {
    if (p->timer < 1) return;
    const int32_t a = 255 * std::max(p->life, 0) / p->timer;
    p->alpha = uint8_t(std::clamp(a, 0, 255));
}

void step_particles(Shot *s, int32_t dt) {
    if (!s->particles) return;
    if (s->flags & OBJ_TRAVELLING) {
        if (s->subtype == SHOT_TEMPLATE_MISSILE)
            emit(s, std::max(dt / 4, 1), 2.0f, 18.0f, 255, 230, 150, 140, 40, 20, 420);
        else
            emit(s, std::max(dt / 6, 1), 1.0f, 8.0f, 200, 235, 255, 40, 60, 160, 260);
    }
    particle_surface_render(s->particles, dt);
}

void make_particles(Shot *s) {
    int32_t w = SHOT_PUFF_SIZE, h = SHOT_PUFF_SIZE;
    if (s->subtype == SHOT_TEMPLATE_MISSILE && s->frame_w && s->frame_h && s->frame_count > 1) {
        w = s->frame_w[1];
        h = s->frame_h[1];
    }
    particle_surface_free(s->particles);   // a second creation step replaces the trail
    s->particles = particle_surface_create(SHOT_PARTICLES, w, h, nullptr, trail_particle, s);
    if (s->particles) s->particles->flags |= SURFACE_BLEND_3;
}

// ---- Slots without a public name ----

void shot_apply_frame(GameObject *obj) {
    Shot *s = static_cast<Shot *>(obj);
    if (segmented(s)) {
        shot_update_trail(s);
        return;
    }
    s->w = frame_width(s);
    s->h = frame_height(s);
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
    const std::string &label = !segmented(s) || s->trail_count <= 1 ? s->label_a : s->label_b;
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
    const Sprite *sprite = current_sprite(s);
    if (segmented(s)) {
        for (int32_t i = 0; i < trail_shown(s) && i < int32_t(s->trail_x.size()); ++i)
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
    if (!segmented(s)) return visit(0, 0);
    for (int32_t i = 0; i < trail_shown(s) && i < int32_t(s->trail_x.size()); ++i)
        if (int32_t hit = visit(s->trail_x[size_t(i)], s->trail_y[size_t(i)]); hit) return hit;
    return 0;
}

int32_t shot_point_test(GameObject *obj, int32_t x, int32_t y, int32_t px, int32_t py) {
    const Shot *s = static_cast<Shot *>(obj);
    const Sprite *shape = current_sprite(s);
    if (!shape || (s->shot_flags & SHOT_FLAG_HELD)) return 0;
    return each_round(s, [&](int32_t tx, int32_t ty) { return mask_test(shape, px - x - tx, py - y - ty) ? 1 : 0; });
}

int32_t shot_rect_test(GameObject *obj, const Sprite *sprite, int32_t x, int32_t y, int32_t sx, int32_t sy,
                       int32_t *out_x, int32_t *out_y) {
    const Shot *s = static_cast<Shot *>(obj);
    const Sprite *shape = current_sprite(s);
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
    const Sprite *shape = current_sprite(s);
    // A held shot never overlaps anything. (A shot waiting for its first turn still finds its
    // contact point: its own aim is an overlap test too.)
    if (!shape || (s->shot_flags & SHOT_FLAG_HELD)) return 0;
    return each_round(s, [&](int32_t tx, int32_t ty) {
        return object_mask_overlap(other, shape, ox, oy, x + tx, y + ty, out_x, out_y);
    });
}

// ---- Flight ----

// The shot arrives: its damage or its system type's impact, then it is gone.
void arrive(Shot *s) {
    if (s->target && gone(s->target)) hold(&s->target, &s->target_id, nullptr);
    if (s->impact_type < 0) {
        if (s->target && s->damage > 0)
            (void)object_apply_damage(s->target, nullptr, shot_damage(s), s->impact_x, s->impact_y, 0);
    } else if (s->impact_type < SYSTEM_TYPE_COUNT) {
        (void)system_impact(s->impact_type, s, s->target);
    }
    s->flags |= OBJ_DEAD;
    object_clear_busy(s, s->hold_ms);
}

// A leg's travel has ended: the legged shot's turn is over; true when it arrives now.
bool leg_over(Shot *s) {
    if (!(s->shot_type_flags & SHOT_TYPE_LEGS)) return true;
    if (!(s->shot_flags & SHOT_FLAG_IN_LEG)) return false;
    object_end_turn(s);
    s->shot_flags &= ~SHOT_FLAG_IN_LEG;
    if ((s->shot_flags & SHOT_FLAG_LAST_LEG) && !(s->shot_flags & SHOT_FLAG_LEG_TURN)) return true;
    object_clear_busy(s, s->hold_ms);
    return false;
}

void fizzle(Shot *s) {
    if (!quiet()) {
        if (segmented(s)) {
            for (int32_t i = 0; i < trail_shown(s); ++i) {
                int32_t x = 0, y = 0;
                round_centre(s, i, &x, &y);
                explosion(s->map, x - 5, y - 5, burst_delay());
            }
        } else {
            ParticleEffect *e = effect_create_explosion_particles();
            if (e && s->map) {
                effect_particles_set_sound(e, SOUND_EXPLOSION);
                map_add_effect(s->map, e, centre_x(s), centre_y(s));
            } else {
                effect_free(e);
            }
        }
    }
    s->flags |= OBJ_DEAD;
    object_clear_busy(s, std::max(s->hold_ms, FIZZLE_HOLD_MS));
}

void add_action_line(Shot *s, int32_t x2, int32_t y2) {
    map_add_action_line(s->map, centre_x(s), centre_y(s), x2, y2, ACTION_LINE_MS);
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
    hold(&s->source, nullptr, nullptr);
    hold(&s->target, nullptr, nullptr);
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
    if (segmented(s)) {
        s->trail_max = std::max(s->trail_max, 1);
        s->trail_count = s->trail_max;
        s->trail_x.assign(size_t(s->trail_max), 0);
        s->trail_y.assign(size_t(s->trail_max), 0);
        s->shot_flags |= SHOT_FLAG_BLENDING;
        s->blend = 0;
        shot_update_trail(s);
    }
    if (s->shot_type_flags & SHOT_TYPE_LEGS) s->shot_flags |= SHOT_FLAG_LEG_TURN;
    if (s->subtype == SHOT_TEMPLATE_MISSILE || s->subtype == SHOT_TEMPLATE_SLUG) make_particles(s);
    if (s->subtype == SHOT_TEMPLATE_SLUG) s->shot_flags |= SHOT_FLAG_FIRST_TICK;
}

// ---- Creation, aiming, figures ----

Shot *shot_create(int32_t subtype) { return shot_of(factory_create_object(OBJECT_SHOT, subtype)); }

void shot_set_impact_type(Shot *shot, int32_t type) { shot->impact_type = type; }

void shot_set_range(Shot *shot, int32_t distance) {
    shot->shot_flags |= SHOT_FLAG_RANGED | SHOT_FLAG_FIRST_TICK;
    shot->range_left = distance;
}

void shot_set_source(Shot *shot, GameObject *source) { hold(&shot->source, &shot->source_id, source); }

void shot_set_target(Shot *s, GameObject *target) {
    hold(&s->target, &s->target_id, target);
    if (!target) return;
    int32_t aim_x = 0, aim_y = 0;
    if (object_contact_point(s, target, &aim_x, &aim_y, nullptr, nullptr) != RES_OK) {
        log_write(LOG_GAME, LOG_WARN, "Shot failed to set target");
        hold(&s->target, &s->target_id, nullptr);
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
    if (segmented(s) && s->trail_max > 0 && s->trail_count < s->trail_max)
        return std::max(int32_t(int64_t(s->damage) * s->trail_count / s->trail_max), 1);
    return s->damage;
}

int32_t shot_max_damage(const Shot *s) {
    const Shot *t = shot_of(factory_get_template(OBJECT_SHOT, s->subtype));
    const int32_t top = t ? t->damage_max : s->damage_max;
    if (segmented(s) && s->trail_max > 0 && s->trail_count < s->trail_max)
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

bool shot_drop_round(Shot *s) {
    if (!segmented(s) || s->trail_count < 2) return false;
    --s->trail_count;
    shot_update_trail(s);
    return true;
}

void shot_update_trail(Shot *s) {
    if (!segmented(s)) return;
    const size_t max = size_t(std::max(s->trail_max, 1));
    if (s->trail_x.size() < max) s->trail_x.resize(max, 0);
    if (s->trail_y.size() < max) s->trail_y.resize(max, 0);
    const int32_t n = trail_shown(s);
    if (n <= 1) {
        s->trail_x[0] = s->trail_y[0] = 0;
    } else {
        const int64_t row = (s->shot_type_flags & SHOT_TYPE_DIRECTIONS)
                                ? int64_t(n - 2) * s->dir_count + s->dir_frame
                                : int64_t(n - 1);
        const int64_t e = row * s->trail_max;
        const std::vector<int32_t> *tx = s->table_x.get(), *ty = s->table_y.get();
        // The load refused tables that miss a reachable row; a direction outside the count is
        // the only way out of them, and it shows the rounds bunched.
        if (!tx || !ty || e < 0 || e + n > int64_t(tx->size()) || e + n > int64_t(ty->size())) {
            for (int32_t i = 0; i < n; ++i) s->trail_x[size_t(i)] = s->trail_y[size_t(i)] = 0;
        } else {
            const size_t base = size_t(e);
            for (int32_t i = 0; i < n; ++i) {
                s->trail_x[size_t(i)] = (*tx)[base + size_t(i)];
                s->trail_y[size_t(i)] = (*ty)[base + size_t(i)];
            }
            if ((s->shot_flags & SHOT_FLAG_BLENDING) && (n == 2 || n == 3)) {
                // The rounds spread out from the middle after a turn; the weights sum to the blend's
                // full span, so the last step lands on the table's points.
                const int32_t b = std::clamp(s->blend, 0, SHOT_BLEND_END), rest = SHOT_BLEND_END - b;
                auto mix = [&](const std::vector<int32_t> &t, int32_t to, int32_t from) {
                    // Table values come from a file: mixed in 64 bits, never overflowing.
                    return int32_t((int64_t(t[base + size_t(to)]) * b + int64_t(from) * rest) / SHOT_BLEND_END);
                };
                if (n == 3) {
                    s->trail_x[0] = mix(*tx, 0, (*tx)[base + 1]);
                    s->trail_y[0] = mix(*ty, 0, (*ty)[base + 1]);
                    s->trail_x[2] = mix(*tx, 2, (*tx)[base + 1]);
                    s->trail_y[2] = mix(*ty, 2, (*ty)[base + 1]);
                } else {
                    const int32_t mx = int32_t((int64_t((*tx)[base]) + (*tx)[base + 1]) / 2);
                    const int32_t my = int32_t((int64_t((*ty)[base]) + (*ty)[base + 1]) / 2);
                    s->trail_x[0] = mix(*tx, 0, mx);
                    s->trail_y[0] = mix(*ty, 0, my);
                    s->trail_x[1] = mix(*tx, 1, mx);
                    s->trail_y[1] = mix(*ty, 1, my);
                }
            }
        }
    }
    int32_t max_x = 0, max_y = 0;
    for (int32_t i = 0; i < n; ++i) {
        max_x = std::max(max_x, s->trail_x[size_t(i)]);
        max_y = std::max(max_y, s->trail_y[size_t(i)]);
    }
    s->w = frame_width(s) + 1 + max_x;
    s->h = max_y + frame_height(s) + 1;
}

// ---- Slots ----

void shot_set_heading(GameObject *obj, int32_t degrees) {
    Shot *s = shot_of(obj);
    if (!s || !(s->shot_type_flags & SHOT_TYPE_DIRECTIONS) || s->dir_count < 1) return;
    const int32_t n = s->dir_count;
    const int32_t dir = int32_t(int64_t(angle_normalize(degrees + 180 / n)) * n / 360);
    if (dir == s->dir_frame && s->animation >= 0) return;
    s->dir_frame = std::clamp(dir, 0, n - 1);
    const int32_t cx = centre_x(s), cy = centre_y(s);
    if (s->first_anim + s->dir_frame < s->animation_count) object_set_animation(s, s->first_anim + s->dir_frame, -1);
    if (segmented(s)) {
        s->shot_flags |= SHOT_FLAG_BLENDING;
        s->blend = 0;
        shot_update_trail(s);
        // A volley turns about its middle.
        if (!(s->flags & OBJ_TRAVELLING)) {
            s->x = cx - s->w / 2;
            s->y = cy - s->h / 2;
        }
    }
}

Result shot_act(GameObject *obj) {
    Shot *s = shot_of(obj);
    if (!s) return RES_UNSUPPORTED;
    if (s->shot_flags & SHOT_FLAG_HELD) return RES_OK;
    const bool silent = quiet();
    if (!(s->shot_flags & SHOT_FLAG_AT_POINT)) {
        if (gone(s->target) || object_is_dying(s->target)) {
            if (s->map && ((s->shot_type_flags & SHOT_TYPE_SEEKS) || (s->shot_flags & SHOT_FLAG_SEEK_ONCE))) {
                ObjectFilter f;
                f.flags = SEEK_FILTER;
                f.kind_mask = 1u << OBJECT_SHIP;
                f.px = centre_x(s);
                f.py = centre_y(s);
                f.self = s;
                f.owner_id = s->owner_id;
                GameObject *found = map_query_object(s->map, &f);
                s->shot_flags &= ~SHOT_FLAG_SEEK_ONCE;
                if (found) shot_set_target(s, found);
            }
            if (gone(s->target) || object_is_dying(s->target)) {
                hold(&s->target, &s->target_id, nullptr);
                if (silent) s->flags |= OBJ_DEAD;
                else s->shot_flags |= SHOT_FLAG_FIZZLED;
                object_end_turn(s);
                return RES_SHOT_WITHOUT_TARGET;
            }
        } else {
            shot_set_target(s, s->target);
        }
    } else {
        shot_launch(s, s->dest_x, s->dest_y);
    }
    if (!silent) {
        if (s->target) add_action_line(s, centre_x(s->target), centre_y(s->target));
        else add_action_line(s, s->dest_x, s->dest_y);
        if (s->target) sound_play(SOUND_SHOT_AWAY);
        return RES_OK;
    }
    // Resolving at once: the leg is flown now.
    object_finish_travel(s);
    if (leg_over(s)) arrive(s);
    return RES_OK;
}

int32_t shot_travel_point(GameObject *obj, int32_t x, int32_t y) {
    Shot *s = static_cast<Shot *>(obj);
    if (s->shot_flags & SHOT_FLAG_INTERCEPTED) {
        s->shot_flags &= ~SHOT_FLAG_INTERCEPTED;
        return 1;
    }
    if ((s->shot_flags & (SHOT_FLAG_HELD | SHOT_FLAG_LEG_TURN | SHOT_FLAG_FIRST_LEG)) || !s->map) return 0;
    ObjectMap *map = s->map;
    for (int32_t i = 0; i < list_count(&map->objects); ++i) {
        GameObject *other = list_get(&map->objects, i);
        if (!other) break;
        if (other == s) continue;
        if (std::find(s->intercepted_by.begin(), s->intercepted_by.end(), other->id) != s->intercepted_by.end())
            continue;
        int32_t hit = 0;
        object_intercept(other, s, x, y, &hit);
        if (hit & 1) {
            s->intercepted_by.push_back(other->id);
            s->shot_flags |= SHOT_FLAG_INTERCEPTED;
            break;
        }
    }
    return 0;
}

void shot_update(GameObject *obj, int32_t dt) {
    Shot *s = static_cast<Shot *>(obj);
    if (s->flags & OBJ_DEAD) return;
    if (s->shot_flags & SHOT_FLAG_FIZZLED) {
        fizzle(s);
        return;
    }
    if (s->shot_flags & SHOT_FLAG_HELD) {
        s->hold_delay -= dt;
        if (s->hold_delay > 0) return;
        s->shot_flags &= ~SHOT_FLAG_HELD;
        object_resume_travel(s);
    }
    const bool travelling = s->flags & OBJ_TRAVELLING;
    if (travelling && !(s->flags & OBJ_BUSY)) object_set_busy(s);

    const bool first_tick = s->shot_flags & SHOT_FLAG_FIRST_TICK;
    const int32_t moved = first_tick ? 0 : distance(s->x - s->last_x, s->y - s->last_y);
    if (s->particles) {
        step_particles(s, dt);
        if (s->subtype == SHOT_TEMPLATE_SLUG && !first_tick && travelling && !quiet()) {
            s->puff_delay -= dt;
            if (s->puff_delay < 1 && s->map) {
                s->puff_delay = random_range(PUFF_MIN_MS, PUFF_MAX_MS);
                if (ParticleEffect *puff = effect_create_burst_particles()) {
                    effect_particles_set_delay(puff, random_range(0, BURST_SPREAD_MS));
                    map_add_effect(s->map, puff, s->last_x + s->w / 2, s->last_y + s->h / 2);
                }
            }
        }
    }
    s->last_x = s->x;
    s->last_y = s->y;
    s->shot_flags &= ~SHOT_FLAG_FIRST_TICK;

    bool arrives = false;
    if (!(s->shot_type_flags & SHOT_TYPE_LEGS)) {
        arrives = !travelling && (s->flags & OBJ_BUSY);
    } else if ((s->shot_flags & SHOT_FLAG_IN_LEG) && !travelling) {
        arrives = leg_over(s);
    }
    if (!arrives && (s->shot_flags & SHOT_FLAG_RANGED) && travelling) {
        s->range_left -= moved;
        if (s->range_left < 1) arrives = true;
    }
    if (arrives) {
        arrive(s);
        return;
    }
    if (s->shot_flags & SHOT_FLAG_BLENDING) {
        s->blend += dt;
        if (s->blend >= SHOT_BLEND_END) {
            s->blend = SHOT_BLEND_END;
            s->shot_flags &= ~SHOT_FLAG_BLENDING;
        }
        const int32_t cx = centre_x(s), cy = centre_y(s);
        shot_update_trail(s);
        if (!travelling) {
            s->x = cx - s->w / 2;
            s->y = cy - s->h / 2;
        }
    }
}

int32_t shot_apply_damage(GameObject *obj, GameObject *, int32_t amount, int32_t, int32_t, int32_t) {
    Shot *s = shot_of(obj);
    if (!s) return 0;
    const bool silent = quiet();
    s->hit_points -= amount;
    if (s->hit_points > 0) {
        if (segmented(s) && amount > 0) {
            const int32_t max_hp = std::max(s->max_hit_points, 1);
            const int32_t keep = std::min({s->trail_max - 1, int32_t(int64_t(s->trail_max) * s->hit_points / max_hp) + 1,
                                           s->trail_count});
            if (keep >= 1 && keep < s->trail_count) {
                if (!silent) burst_rounds(s, keep);
                const int32_t cx = centre_x(s), cy = centre_y(s);
                s->trail_count = keep;
                shot_update_trail(s);
                s->x = cx - s->w / 2;
                s->y = cy - s->h / 2;
            }
        } else if (!silent) {
            sound_play(SOUND_EXPLOSION);
        }
    } else {
        s->hit_points = 0;
        if (silent) {
            s->flags |= OBJ_DEAD;
        } else {
            if (segmented(s)) burst_rounds(s, 0);
            s->flags |= OBJ_DYING;
            object_clear_busy(s, s->hold_ms);
            s->flags |= OBJ_DEAD;
        }
    }
    if (!silent) floating_text(s->map, centre_x(s), centre_y(s), amount);
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
