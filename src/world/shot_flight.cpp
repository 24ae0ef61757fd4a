// Shots in flight: the particle trails of the missile and the slug, the rounds of a volley's trail,
// the combat turn's act, the interception walk at every pixel of travel, and the per-frame flight
// with its arrival.
#include "world/shot.h"

#include <algorithm>
#include <cstdlib>
#include "effects/effect.h"
#include "effects/effect_particles.h"
#include "effects/particle_surface.h"
#include "game/encounter_map.h"
#include "game/game.h"
#include "platform/geometry.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "systems/system.h"
#include "world/object_map.h"
#include "world/object_methods.h"
#include "world/shot_internal.h"

namespace {

// ---- Particle trails of the missile (template 2) and the slug (template 5) ----

// The trail's particles live in map coordinates; the draw places the surface by the map origin.
void emit(Shot *s, int32_t n, float spread, float speed, int r, int g, int b, int tr, int tg, int tb, int life) {
    if (!s->particles) return;
    const float cx = float(shot_detail::centre_x(s)), cy = float(shot_detail::centre_y(s));
    for (int32_t i = 0; i < n; ++i) {
        Particle *p = particle_surface_take_free(s->particles);
        if (!p) return;
        const float ox = float(random_show_range(-100, 100)) / 100.0f * spread;
        const float oy = float(random_show_range(-100, 100)) / 100.0f * spread;
        particle_revive(p, cx + ox, cy + oy);
        const int32_t angle = random_show_range(0, 359);
        int dx = 0, dy = 0;
        rotate_point(angle, int(speed), &dx, &dy);
        p->vx = float(dx);
        p->vy = float(dy);
        p->alpha = 255;
        p->size = random_show_range(0, 1);
        p->life = life + random_show_range(0, life / 2);
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

// ---- Flight ----

// The shot arrives: its damage or its system type's impact, then it is gone.
void arrive(Shot *s) {
    if (s->target && shot_detail::gone(s->target)) shot_detail::hold(&s->target, &s->target_id, nullptr);
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
    if (!shot_detail::quiet()) {
        if (shot_detail::segmented(s)) {
            for (int32_t i = 0; i < shot_detail::trail_shown(s); ++i) {
                int32_t x = 0, y = 0;
                shot_detail::round_centre(s, i, &x, &y);
                shot_detail::explosion(s->map, x - 5, y - 5, shot_detail::burst_delay());
            }
        } else {
            ParticleEffect *e = effect_create_explosion_particles();
            if (e && s->map) {
                effect_particles_set_sound(e, SOUND_EXPLOSION);
                map_add_effect(s->map, e, shot_detail::centre_x(s), shot_detail::centre_y(s));
            } else {
                effect_free(e);
            }
        }
    }
    s->flags |= OBJ_DEAD;
    object_clear_busy(s, std::max(s->hold_ms, shot_detail::FIZZLE_HOLD_MS));
}

void add_action_line(Shot *s, int32_t x2, int32_t y2) {
    map_add_action_line(s->map, shot_detail::centre_x(s), shot_detail::centre_y(s), x2, y2, shot_detail::ACTION_LINE_MS);
}

}  // namespace

namespace shot_detail {

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

}  // namespace shot_detail

bool shot_drop_round(Shot *s) {
    if (!shot_detail::segmented(s) || s->trail_count < 2) return false;
    --s->trail_count;
    shot_update_trail(s);
    return true;
}

void shot_update_trail(Shot *s) {
    if (!shot_detail::segmented(s)) return;
    const size_t max = size_t(std::max(s->trail_max, 1));
    if (s->trail_x.size() < max) s->trail_x.resize(max, 0);
    if (s->trail_y.size() < max) s->trail_y.resize(max, 0);
    const int32_t n = shot_detail::trail_shown(s);
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
    s->w = shot_detail::frame_width(s) + 1 + max_x;
    s->h = max_y + shot_detail::frame_height(s) + 1;
}

Result shot_act(GameObject *obj) {
    Shot *s = shot_of(obj);
    if (!s) return RES_UNSUPPORTED;
    if (s->shot_flags & SHOT_FLAG_HELD) return RES_OK;
    const bool silent = shot_detail::quiet();
    if (!(s->shot_flags & SHOT_FLAG_AT_POINT)) {
        if (shot_detail::gone(s->target) || object_is_dying(s->target)) {
            if (s->map && ((s->shot_type_flags & SHOT_TYPE_SEEKS) || (s->shot_flags & SHOT_FLAG_SEEK_ONCE))) {
                ObjectFilter f;
                f.flags = shot_detail::SEEK_FILTER;
                f.kind_mask = 1u << OBJECT_SHIP;
                f.px = shot_detail::centre_x(s);
                f.py = shot_detail::centre_y(s);
                f.self = s;
                f.owner_id = s->owner_id;
                GameObject *found = map_query_object(s->map, &f);
                s->shot_flags &= ~SHOT_FLAG_SEEK_ONCE;
                if (found) shot_set_target(s, found);
            }
            if (shot_detail::gone(s->target) || object_is_dying(s->target)) {
                shot_detail::hold(&s->target, &s->target_id, nullptr);
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
        if (s->target) add_action_line(s, shot_detail::centre_x(s->target), shot_detail::centre_y(s->target));
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
        if (s->subtype == SHOT_TEMPLATE_SLUG && !first_tick && travelling && !shot_detail::quiet()) {
            s->puff_delay -= dt;
            if (s->puff_delay < 1 && s->map) {
                s->puff_delay = random_show_range(shot_detail::PUFF_MIN_MS, shot_detail::PUFF_MAX_MS);
                if (ParticleEffect *puff = effect_create_burst_particles()) {
                    effect_particles_set_delay(puff, random_show_range(0, shot_detail::BURST_SPREAD_MS));
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
        const int32_t cx = shot_detail::centre_x(s), cy = shot_detail::centre_y(s);
        shot_update_trail(s);
        if (!travelling) {
            s->x = shot_detail::corner_of(cx, s->w);
            s->y = shot_detail::corner_of(cy, s->h);
        }
    }
}
