// Spark (a flickering bolt with a hit callback) and pulse (expanding green rings) effects.
#include "effects/effect_spark.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "effects/effect_local.h"
#include "platform/draw.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "platform/sprite.h"

namespace {

// ---- Spark ------------------------------------------------------------------------------------------

Sprite **g_spark_frames = nullptr;
int      g_spark_count = 0;

constexpr uint8_t SPARK_RGB[3] = {100, 130, 243};
constexpr uint8_t SPARK_LINE_PARAMS[3] = {30, 30, 20};
constexpr int     SPARK_AMPLITUDE = 16;

Result spark_load_type() {
    log_write(LOG_GAME, LOG_DEBUG2, "Load sparc instance %i", 0);
    sprite_array_release(g_spark_frames, g_spark_count);
    g_spark_frames = sprite_load_numbered("effect/sparc/000/png", &g_spark_count);
    if (!g_spark_frames) {
        g_spark_count = 0;
        log_write(LOG_GAME, LOG_ERROR, "Failed to load sparc type %i", 0);
        return RES_READ_FAILED;
    }
    return RES_OK;
}

void spark_free_type() {
    log_write(LOG_GAME, LOG_DEBUG2, "Free sparc instance %i", 0);
    sprite_array_release(g_spark_frames, g_spark_count);
    g_spark_frames = nullptr;
    g_spark_count = 0;
}

Effect *spark_create() { return new (std::nothrow) SparkEffect{}; }

void spark_release_objects(SparkEffect *s) {
    effect_object_release(s->object_a);
    effect_object_release(s->object_b);
    s->object_a = s->object_b = nullptr;
}

void spark_free(Effect *e) {
    SparkEffect *s = static_cast<SparkEffect *>(e);
    spark_release_objects(s);
    delete s;
}

Sprite *random_frame(const SparkEffect *s) {
    if (!s->frames || s->frame_count < 1) return nullptr;
    return s->frames[random_show_range(0, s->frame_count - 1)];
}

void spark_step(Effect *e, int32_t dt) {
    SparkEffect *s = static_cast<SparkEffect *>(e);
    if (s->start_delay > 0) {
        s->start_delay -= dt;
        if (s->start_delay > 0) {
            const EffectObjectView b = effect_object_view(s->object_b);
            if (s->object_b && b.present && (b.dying || b.dead))
                s->state |= EFFECT_FINISHED;
            return;
        }
    }
    if (!(s->flags & SPARK_NO_START)) s->start_sprite = random_frame(s);
    if (!(s->flags & SPARK_NO_END)) s->end_sprite = random_frame(s);
    if (SparkHitFn *fn = s->on_hit) {
        s->on_hit = nullptr;
        fn(s, s->object_a, s->object_b);
        spark_release_objects(s);
    }
    s->remaining_ms -= dt;
    if (s->remaining_ms <= 0) s->state |= EFFECT_FINISHED;
    if (s->state & EFFECT_FINISHED) {
        if (s->state & EFFECT_BLOCKING) effect_clear_blocking(s, EFFECT_HOLD_SPARK_MS);
    } else {
        effect_set_blocking(s);
        effect_spark_build_bolt(s);
    }
}

void draw_end_sprite(Graphics *gfx, Sprite *sp, int32_t cx, int32_t cy, EffectBox *box) {
    if (!sp) return;
    const int32_t x = cx - sp->width / 2, y = cy - sp->height / 2;
    effect_queue_sprite(gfx, sp, x, y, SPRITE_DRAW_BLEND | SPRITE_DRAW_ADDITIVE);
    box->add(x, y, sp->width, sp->height);
}

void spark_draw(Effect *e, Graphics *gfx, int32_t x, int32_t y) {
    SparkEffect *s = static_cast<SparkEffect *>(e);
    if (s->start_delay > 0) return;
    EffectBox box;
    for (int i = 0; i + 1 < s->point_count; ++i) {
        const int32_t ax = x + s->points_x[i], ay = y + s->points_y[i];
        const int32_t bx = x + s->points_x[i + 1], by = y + s->points_y[i + 1];
        effect_queue_line(gfx, ax, ay, bx - ax, by - ay, SPARK_RGB[0], SPARK_RGB[1], SPARK_RGB[2], SPARK_LINE_PARAMS);
        box.add(std::min(ax, bx), std::min(ay, by), std::abs(bx - ax) + 1, std::abs(by - ay) + 1);
    }
    if (!(s->flags & SPARK_NO_START)) draw_end_sprite(gfx, s->start_sprite, x + s->from_x, y + s->from_y, &box);
    if (!(s->flags & SPARK_NO_END)) draw_end_sprite(gfx, s->end_sprite, x + s->to_x, y + s->to_y, &box);
    effect_queue_box(gfx, box);
}

// ---- Pulse ------------------------------------------------------------------------------------------

Effect *pulse_create() { return new (std::nothrow) PulseEffect{}; }

void pulse_free(Effect *e) {
    PulseEffect *p = static_cast<PulseEffect *>(e);
    delete[] p->wave_clocks;
    delete p;
}

void pulse_step(Effect *e, int32_t dt) {
    PulseEffect *p = static_cast<PulseEffect *>(e);
    bool pending = false, started = false;
    for (int i = 0; i < p->wave_count; ++i) {
        p->wave_clocks[i] += dt;
        if (p->wave_clocks[i] < p->interval + p->duration) pending = true;
        if (p->wave_clocks[i] > 0) started = true;
    }
    if (!pending) p->state |= EFFECT_FINISHED;
    if (!(p->state & EFFECT_FINISHED)) {
        if (p->flags & PULSE_BLOCKING) effect_set_blocking(p);
        if (started && (p->flags & PULSE_SOUND) && !(p->flags & PULSE_SOUNDED)) {
            sound_play(SOUND_SCANNER_PING);
            p->flags |= PULSE_SOUNDED;
        }
    } else if (p->flags & PULSE_BLOCKING) {
        effect_clear_blocking(p, EFFECT_HOLD_PULSE_MS);
    }
}

uint8_t faded(int32_t v, const PulseEffect *p, int32_t t) {
    const int32_t into = t - p->interval - p->fade_from;
    if (into >= 0 && p->duration > p->fade_from) v -= into * v / (p->duration - p->fade_from);
    return uint8_t(std::clamp(v, 0, 255));
}

void pulse_draw(Effect *e, Graphics *gfx, int32_t x, int32_t y) {
    PulseEffect *p = static_cast<PulseEffect *>(e);
    int32_t largest = -1;
    for (int i = 0; i < p->wave_count; ++i) {
        const int32_t r = effect_pulse_radius(p, i);
        if (r < 1) continue;
        const int32_t t = p->wave_clocks[i];
        const uint8_t cr = faded(p->red, p, t), cg = faded(p->green, p, t), cb = faded(p->blue, p, t);
        (void)gfx_queue_circle(gfx, x, y, r, cr, cg, cb);
        if (r - 2 >= 1) (void)gfx_queue_circle(gfx, x, y, r - 2, cr / 2, cg / 2, cb / 2);
        largest = std::max(largest, r);
    }
    if (largest >= 1) effect_queue_rects(gfx, x - largest, y - largest, 2 * largest + 2, 2 * largest + 2);
}

}  // namespace

void spark_effect_register(EffectType *t) {
    t->name = "spark";
    t->load_type = spark_load_type;
    t->free_type = spark_free_type;
    t->create = spark_create;
    t->free = spark_free;
    t->step = spark_step;
    t->draw = spark_draw;
}

void pulse_effect_register(EffectType *t) {
    t->name = "pulse";
    t->create = pulse_create;
    t->free = pulse_free;
    t->step = pulse_step;
    t->draw = pulse_draw;
}

void effect_spark_build_bolt(SparkEffect *s) {
    if (!s) return;
    const int last = SPARK_POINTS - 1;
    s->points_x[0] = s->from_x;
    s->points_y[0] = s->from_y;
    s->points_x[last] = s->to_x;
    s->points_y[last] = s->to_y;
    int amplitude = SPARK_AMPLITUDE;
    for (int step = last / 2; step >= 1; step /= 2, amplitude /= 2)
        for (int i = step; i < last; i += 2 * step) {
            s->points_x[i] = (s->points_x[i - step] + s->points_x[i + step]) / 2 + random_show_range(-amplitude, amplitude);
            s->points_y[i] = (s->points_y[i - step] + s->points_y[i + step]) / 2 + random_show_range(-amplitude, amplitude);
        }
}

SparkEffect *effect_create_spark(int x1, int y1, int x2, int y2) {
    SparkEffect *s = static_cast<SparkEffect *>(effect_create(EFFECT_SPARK));
    if (!s) return nullptr;
    s->x = x1;
    s->y = y1;
    s->box_left = std::min(x1, x2);
    s->box_top = std::min(y1, y2);
    s->box_right = std::max(x1, x2);
    s->box_bottom = std::max(y1, y2);
    s->from_x = x1 - s->box_left;
    s->from_y = y1 - s->box_top;
    s->to_x = x2 - s->box_left;
    s->to_y = y2 - s->box_top;
    s->frames = g_spark_frames;
    s->frame_count = g_spark_count;
    s->start_sprite = s->end_sprite = g_spark_count > 0 ? g_spark_frames[0] : nullptr;
    s->remaining_ms = SPARK_MS;
    s->point_count = SPARK_POINTS;
    effect_spark_build_bolt(s);
    return s;
}

void effect_spark_set_callback(SparkEffect *s, SparkHitFn *fn, GameObject *a, GameObject *b) {
    if (!s) return;
    s->on_hit = fn;
    spark_release_objects(s);
    s->object_a = a;
    s->object_b = b;
    effect_object_addref(a);
    effect_object_addref(b);
}

void effect_spark_hide_start(SparkEffect *s) {
    if (s) s->flags |= SPARK_NO_START;
}

void effect_spark_set_start_delay(SparkEffect *s, int ms) {
    if (s) s->start_delay = ms;
}

PulseEffect *effect_create_pulse(int waves, int max_radius, int green, int duration, int interval, int delay,
                                 int fade_from, int direction, int blocking, int sound) {
    PulseEffect *p = static_cast<PulseEffect *>(effect_create(EFFECT_PULSE));
    if (!p) return nullptr;
    p->wave_count = std::max(waves, 1);
    p->wave_clocks = new (std::nothrow) int32_t[size_t(p->wave_count)];
    if (!p->wave_clocks) {
        effect_free(p);
        return nullptr;
    }
    for (int i = 0; i < p->wave_count; ++i) p->wave_clocks[i] = -(delay + i * interval);
    p->layer = -1;
    p->red = 0;
    p->green = uint8_t(std::clamp(green, 0, 255));
    p->blue = 0;
    p->max_radius = max_radius;
    p->duration = duration;
    p->interval = interval;
    p->fade_from = std::min(fade_from, duration);
    p->direction = direction;
    if (blocking) p->flags |= PULSE_BLOCKING;
    if (sound) p->flags |= PULSE_SOUND;
    return p;
}

int32_t effect_pulse_radius(const PulseEffect *p, int wave) {
    if (!p || wave < 0 || wave >= p->wave_count || p->duration < 1) return 0;
    const int32_t t = p->wave_clocks[wave];
    if (t < p->interval || t >= p->interval + p->duration) return 0;
    int32_t r = (t - p->interval) * p->max_radius / p->duration;
    if (p->direction < 0) r = p->max_radius - r;
    return r >= 1 ? r : 0;
}
