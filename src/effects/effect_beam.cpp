// Beam effect: charge at the muzzle, then three jittering lines and an impact sprite.
#include "effects/effect_beam.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "effects/effect_local.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sprite.h"
#include "platform/anim.h"
#include "platform/colour_fade.h"

namespace {

struct BeamStyle {
    Sprite   **frames = nullptr;
    int32_t    count = 0;
    Animation *charge = nullptr;
    Animation *impact = nullptr;
    uint32_t   present = 0;
};

struct BeamLook {
    uint8_t from[3], to[3];
    uint8_t line_params[3];
};

constexpr BeamLook LOOKS[BEAM_STYLE_COUNT] = {
    {{190, 0, 0}, {210, 10, 10}, {50, 100, 100}},
    {{190, 90, 0}, {210, 120, 10}, {50, 75, 100}},
    {{190, 190, 0}, {210, 210, 10}, {50, 50, 100}},
    {{190, 0, 190}, {210, 10, 210}, {50, 100, 50}},
};
constexpr int32_t COLOUR_FADE_MS = 200;

BeamStyle g_styles[BEAM_STYLE_COUNT];

void style_clear(BeamStyle *s) {
    sprite_array_release(s->frames, s->count);
    anim_free(s->charge);
    anim_free(s->impact);
    *s = BeamStyle{};
}

Result beam_load_type() {
    for (BeamStyle &s : g_styles) style_clear(&s);   // a failure leaves the later styles unloaded
    for (int i = 0; i < BEAM_STYLE_COUNT; ++i) {
        BeamStyle *s = &g_styles[i];
        log_write(LOG_GAME, LOG_DEBUG2, "Load beam instance %i", i);
        char dir[64];
        std::snprintf(dir, sizeof dir, "effect/beam/%.3i/png", i);
        int count = 0;
        Sprite **frames = sprite_load_numbered(dir, &count);
        // The impact animation plays the last two frames: fewer cannot make a beam.
        if (!frames || count < 2) {
            sprite_array_release(frames, count);
            log_write(LOG_GAME, LOG_ERROR, "Failed to load beam type %i", i);
            return RES_READ_FAILED;
        }
        s->frames = frames;
        s->count = count;
        s->charge = anim_create(count, 0);
        s->impact = anim_create(2, 0);
        if (!s->charge || !s->impact) {
            style_clear(s);
            log_write(LOG_GAME, LOG_ERROR, "Failed to load beam type %i", i);
            return RES_NO_MEMORY;
        }
        for (int f = 0; f < count; ++f) anim_add_frame(s->charge, f, 160 - 20 * f);
        anim_add_frame(s->impact, count - 2, 20);
        anim_add_frame(s->impact, count - 1, 20);
        s->present = 1;
    }
    return RES_OK;
}

void beam_free_type() {
    for (int i = 0; i < BEAM_STYLE_COUNT; ++i) {
        log_write(LOG_GAME, LOG_DEBUG2, "Free beam instance %i", i);
        style_clear(&g_styles[i]);
    }
}

Effect *beam_create() { return new (std::nothrow) BeamEffect{}; }

void beam_release_objects(BeamEffect *b) {
    effect_object_release(b->shooter);
    effect_object_release(b->target);
    b->shooter = nullptr;
    b->target = nullptr;
}

void beam_free(Effect *e) {
    BeamEffect *b = static_cast<BeamEffect *>(e);
    anim_player_free(b->player);
    beam_release_objects(b);
    colour_fade_free(b->colour);
    delete b;
}

Sprite *beam_frame(const BeamEffect *b, int index) {
    if (!b->frames || index < 0 || index >= b->frame_count) return nullptr;
    return b->frames[index];
}

int32_t jitter() { return int32_t(random_magnitude(random_show_u32()) % 3) - 1; }

void beam_step(Effect *e, int32_t dt) {
    BeamEffect *b = static_cast<BeamEffect *>(e);
    if (b->start_delay > 0) {
        b->start_delay -= dt;
        if (b->start_delay > 0) {
            const EffectObjectView t = effect_object_view(b->target);
            if (b->target && t.present && (t.dying || t.dead))
                b->state |= EFFECT_FINISHED;
            return;
        }
    }
    int32_t d = dt;
    if (b->flags & BEAM_SPEED) d = b->speed_percent * dt / 100;

    anim_player_update(b->player, d);
    if (anim_player_frame_changed(b->player))
        if (Sprite *s = beam_frame(b, anim_player_frame(b->player))) b->muzzle_sprite = s;
    colour_fade_update(b->colour, dt);

    if (b->phase == 0) {
        // Without its style's frames (or its player) the charge has nothing to wait for.
        const bool charged = !(b->flags & BEAM_PRESENT) || !b->player || anim_player_is_finished(b->player);
        if (charged) {
            if (b->player && b->impact_anim) anim_player_start(b->player, b->impact_anim, -1);
            if (BeamFireFn *fn = b->on_fire) {
                b->on_fire = nullptr;
                fn(b, b->shooter, b->target);
            }
            beam_release_objects(b);
            b->phase = 1;
        }
    } else {
        if (Sprite *s = beam_frame(b, random_show_range(0, 1))) b->impact_sprite = s;
        b->fire_ms -= d;
        if (b->fire_ms < 1) b->state |= EFFECT_FINISHED;
    }

    if (!(b->state & EFFECT_FINISHED)) {
        effect_set_blocking(b);
        for (int i = 0; i < 3; ++i) {
            b->jitter_x[i] = jitter();
            b->jitter_y[i] = jitter();
        }
    } else if (b->state & EFFECT_BLOCKING) {
        effect_clear_blocking(b, EFFECT_HOLD_DEFAULT_MS);
    }
}

void beam_draw(Effect *e, Graphics *gfx, int32_t x, int32_t y) {
    BeamEffect *b = static_cast<BeamEffect *>(e);
    if (b->start_delay > 0 || !b->muzzle_sprite || !b->impact_sprite) return;
    const int32_t sx = x + b->from_x, sy = y + b->from_y;
    const int32_t ex = x + b->to_x, ey = y + b->to_y;
    EffectBox box;
    box.add(std::min(sx, ex), std::min(sy, ey), std::abs(ex - sx) + 1, std::abs(ey - sy) + 1);
    const uint8_t r = b->colour ? b->colour->r : 0, g = b->colour ? b->colour->g : 0,
                  bl = b->colour ? b->colour->b : 0;
    if (b->phase >= 1) {
        for (int i = 0; i < 3; ++i) {
            const int32_t lx = sx + b->jitter_x[i], ly = sy + b->jitter_y[i];
            const int32_t dx = ex - sx, dy = ey - sy;
            effect_queue_line(gfx, lx, ly, dx, dy, r, g, bl, b->line_params);
            const int32_t x2 = lx + dx - 1, y2 = ly + dy - 1;
            box.add(std::min(lx, x2), std::min(ly, y2), std::abs(x2 - lx) + 1, std::abs(y2 - ly) + 1);
        }
    }
    Sprite *m = b->muzzle_sprite;
    const int32_t mx = sx - m->width / 2, my = sy - m->height / 2;
    effect_queue_sprite(gfx, m, mx, my, SPRITE_DRAW_BLEND | SPRITE_DRAW_ADDITIVE);
    box.add(mx, my, m->width, m->height);
    if (b->phase >= 1 && !(b->flags & BEAM_MISSED)) {
        Sprite *s = b->impact_sprite;
        const int32_t ix = ex - s->width / 2, iy = ey - s->height / 2;
        effect_queue_sprite(gfx, s, ix, iy, SPRITE_DRAW_BLEND | SPRITE_DRAW_ADDITIVE);
        box.add(ix, iy, s->width, s->height);
    } else {
        box.add_point(ex, ey);
    }
    effect_queue_box(gfx, box);
}

}  // namespace

void beam_effect_register(EffectType *t) {
    t->name = "beam";
    t->load_type = beam_load_type;
    t->free_type = beam_free_type;
    t->create = beam_create;
    t->free = beam_free;
    t->step = beam_step;
    t->draw = beam_draw;
}

BeamEffect *effect_create_beam(int style, int x1, int y1, int x2, int y2) {
    if (style < 0 || style >= BEAM_STYLE_COUNT) {
        log_write(LOG_GAME, LOG_ERROR, "Refused beam style %i", style);
        return nullptr;
    }
    BeamEffect *b = static_cast<BeamEffect *>(effect_create(EFFECT_BEAM));
    if (!b) return nullptr;
    const BeamStyle &s = g_styles[style];
    const BeamLook &look = LOOKS[style];
    b->flags = s.present ? BEAM_PRESENT : 0;
    b->style = uint32_t(style);
    b->x = x1;
    b->y = y1;
    b->box_left = std::min(x1, x2);
    b->box_top = std::min(y1, y2);
    b->box_right = std::max(x1, x2);
    b->box_bottom = std::max(y1, y2);
    b->from_x = x1 - b->box_left;
    b->from_y = y1 - b->box_top;
    b->to_x = x2 - b->box_left;
    b->to_y = y2 - b->box_top;
    b->frames = s.present ? s.frames : nullptr;
    b->frame_count = s.present ? s.count : 0;
    b->muzzle_sprite = b->impact_sprite = beam_frame(b, 0);
    b->charge_anim = s.charge;
    b->impact_anim = s.impact;
    b->player = anim_player_create();
    if (b->player && s.charge) anim_player_start(b->player, s.charge, 1);
    b->fire_ms = BEAM_FIRE_MS;
    b->colour = colour_fade_create();
    colour_fade_start(b->colour, look.from[0], look.from[1], look.from[2], look.to[0], look.to[1], look.to[2],
                      COLOUR_FADE_MS, 0, COLOUR_FADE_MODE_REPEAT);
    std::copy(look.line_params, look.line_params + 3, b->line_params);
    return b;
}

void effect_beam_set_callback(BeamEffect *b, BeamFireFn *fn, GameObject *shooter, GameObject *target) {
    if (!b) return;
    b->on_fire = fn;
    beam_release_objects(b);
    b->shooter = shooter;
    b->target = target;
    effect_object_addref(shooter);
    effect_object_addref(target);
}

int32_t effect_beam_duration(const BeamEffect *b) {
    if (!b) return 1;
    int32_t total = anim_sum_durations(b->charge_anim) + b->fire_ms;
    if (b->flags & BEAM_SPEED) total = total * 100 / std::max(b->speed_percent, 1);
    return std::max(total, 1);
}

void effect_beam_set_speed(BeamEffect *b, int percent) {
    if (!b) return;
    if (percent == 100) {
        b->flags &= ~BEAM_SPEED;
        b->speed_percent = 100;
        return;
    }
    b->flags |= BEAM_SPEED;
    b->speed_percent = std::max(percent, 1);
}

void effect_beam_set_hit_value(BeamEffect *b, int value) {
    if (b) b->hit_value = value;
}

void effect_beam_set_start_delay(BeamEffect *b, int ms) {
    if (b) b->start_delay = ms;
}

void effect_beam_set_missed(BeamEffect *b) {
    if (b) b->flags |= BEAM_MISSED;
}

int effect_beam_style_frames(int style) {
    if (style < 0 || style >= BEAM_STYLE_COUNT || !g_styles[style].present) return 0;
    return g_styles[style].count;
}
