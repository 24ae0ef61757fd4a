// Effect framework: the type registry, the common operations and the blocking protocol.
#include "effects/effect.h"

#include <algorithm>
#include <cstring>

#include "effects/effect_local.h"
#include "platform/draw.h"
#include "platform/graphics.h"
#include "platform/log.h"
#include "platform/movement_path.h"
#include "platform/sprite.h"
#include "ui/panel.h"

namespace {

using RegisterFn = void(EffectType *type);

// In type order: row i registers effect type i.
RegisterFn *const REGISTER_TABLE[EFFECT_TYPE_COUNT] = {
    beam_effect_register,            sprite_burst_effect_register, pulse_effect_register,
    text_bubble_effect_register,     spark_effect_register,        halo_effect_register,
    sprite_sequence_effect_register, portal_effect_register,       plume_effect_register,
    glow_effect_register,            alert_marker_effect_register, particles_effect_register,
};

EffectType g_types[EFFECT_TYPE_COUNT];
bool       g_filled = false;
EffectWorldHooks g_hooks{};

// Panels hold effects too; they reach them through these.
bool panel_effect_finished(const Effect *e) { return e->state & EFFECT_FINISHED; }
void panel_effect_step(Effect *e, int ms) { effect_update(e, ms); }
void panel_effect_draw(Effect *e, Graphics *gfx, int ox, int oy) { effect_draw(e, gfx, ox + e->x, oy + e->y); }
int  panel_effect_layer(const Effect *e) { return e->layer; }
void panel_effect_place(Effect *e, int x, int y, int layer) {
    e->x = x;
    e->y = y;
    e->layer = layer;
}

}  // namespace

void effect_registry_fill() {
    if (g_filled) return;
    for (uint32_t i = 0; i < EFFECT_TYPE_COUNT; ++i) {
        g_types[i] = EffectType{};
        REGISTER_TABLE[i](&g_types[i]);
    }
    g_filled = true;
}

PanelEffectHooks effect_panel_hooks() {
    return PanelEffectHooks{
        .finished = panel_effect_finished,
        .step = panel_effect_step,
        .draw = panel_effect_draw,
        .layer = panel_effect_layer,
        .place = panel_effect_place,
        .release = effect_free,
    };
}

const EffectType *effect_type(uint32_t type) {
    if (type >= EFFECT_TYPE_COUNT) return nullptr;
    effect_registry_fill();
    return &g_types[type];
}

Result effect_load_type(int type) {
    if (type < 0 || type >= int(EFFECT_TYPE_COUNT)) return RES_OUT_OF_RANGE;
    const EffectType *t = effect_type(uint32_t(type));
    if (!t->load_type) return RES_OK;
    log_write(LOG_GAME, LOG_DEBUG2, "Load effect instance %i", type);
    return t->load_type();
}

void effect_types_free() {
    if (!g_filled) return;
    for (const EffectType &t : g_types)
        if (t.free_type) t.free_type();
}

Effect *effect_create(uint32_t type) {
    const EffectType *t = effect_type(type);
    if (!t || !t->create) return nullptr;
    Effect *e = t->create();
    if (e) e->type = type;
    return e;
}

bool effect_is_finished(const Effect *effect) { return effect && (effect->state & EFFECT_FINISHED); }

void effect_update(Effect *e, int32_t dt) {
    if (!e) return;
    const EffectType *t = effect_type(e->type);
    if (t && t->step) t->step(e, dt);
    if (MovementPath *m = e->motion) {
        if (e->motion_delay > 0) e->motion_delay -= dt;
        // An arrived motion has nothing left to do; a record that never set off (a zero duration,
        // or the effect already at the target) holds no position to move the effect to.
        if (e->motion_delay <= 0 && !movement_path_arrived(m)) {
            movement_path_advance(m, dt);
            m->x = m->next_x;
            m->y = m->next_y;
            if (int32_t(m->next_x) == m->target_x && int32_t(m->next_y) == m->target_y) m->flags |= MOVEMENT_ARRIVED;
            e->x = int32_t(m->x);
            e->y = int32_t(m->y);
        }
    }
    if ((e->state & EFFECT_FINISHED) && (e->state & EFFECT_BLOCKING)) {
        e->state &= ~EFFECT_BLOCKING;
        if (e->owner && g_hooks.map_clear_busy) (void)g_hooks.map_clear_busy(e->owner, EFFECT_HOLD_DEFAULT_MS);
    }
}

void effect_draw(Effect *e, Graphics *gfx, int32_t x, int32_t y) {
    if (!e) return;
    const EffectType *t = effect_type(e->type);
    if (t && t->draw) t->draw(e, gfx, x, y);
}

void effect_free(Effect *e) {
    if (!e) return;
    movement_path_free(e->motion);
    e->motion = nullptr;
    const EffectType *t = effect_type(e->type);
    if (t && t->free) t->free(e);
}

void effect_move_to(Effect *e, int32_t x, int32_t y, int32_t duration, int32_t delay) {
    if (!e) return;
    if (!e->motion) {
        e->motion = movement_path_create();   // linear and arrived
        if (!e->motion) return;
    }
    MovementPath *m = e->motion;
    if (duration <= 0) {
        e->motion_delay = delay;
        return;
    }
    if (e->x == x && e->y == y) {
        m->flags |= MOVEMENT_ARRIVED;
        e->motion_delay = delay;
        return;
    }
    m->flags &= ~MOVEMENT_ARRIVED;
    m->target_x = x;
    m->target_y = y;
    m->x = float(e->x) + 0.5f;
    m->y = float(e->y) + 0.5f;
    m->step_x = m->base_step_x = float(x - e->x) / float(duration);
    m->step_y = m->base_step_y = float(y - e->y) / float(duration);
    m->divisor = float(duration);
    m->step_counter = 0;
    e->motion_delay = delay;
}

void effect_set_blocking(Effect *e) {
    if (!e || (e->state & EFFECT_BLOCKING)) return;
    e->state |= EFFECT_BLOCKING;
    if (e->owner && g_hooks.map_set_busy) g_hooks.map_set_busy(e->owner);
}

void effect_clear_blocking(Effect *e, int32_t min_hold) {
    if (!e || !(e->state & EFFECT_BLOCKING)) return;
    e->state &= ~EFFECT_BLOCKING;
    if (e->owner && g_hooks.map_clear_busy) (void)g_hooks.map_clear_busy(e->owner, min_hold);
}

void effect_set_world_hooks(const EffectWorldHooks &hooks) { g_hooks = hooks; }
const EffectWorldHooks &effect_world_hooks() { return g_hooks; }

void effect_object_addref(GameObject *object) {
    if (object && g_hooks.object_addref) g_hooks.object_addref(object);
}

void effect_object_release(GameObject *object) {
    if (object && g_hooks.object_release) g_hooks.object_release(object);
}

EffectObjectView effect_object_view(const GameObject *object) {
    EffectObjectView view;
    if (object && g_hooks.object_view) g_hooks.object_view(object, &view);
    return view;
}

// ---- Draw helpers ----------------------------------------------------------------------------------

void EffectBox::add(int32_t x, int32_t y, int32_t w, int32_t h) {
    if (w < 1 || h < 1) return;
    if (empty) {
        left = x;
        top = y;
        right = x + w - 1;
        bottom = y + h - 1;
        empty = false;
        return;
    }
    left = std::min(left, x);
    top = std::min(top, y);
    right = std::max(right, x + w - 1);
    bottom = std::max(bottom, y + h - 1);
}

void effect_queue_rects(Graphics *gfx, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!gfx || w < 1 || h < 1) return;
    // The rectangle lists clip to the screen; only keep the numbers inside the payload's range.
    const int32_t x0 = std::clamp(x, -32768, 32767), y0 = std::clamp(y, -32768, 32767);
    const GfxRect r{int16_t(x0), int16_t(y0), uint16_t(std::min(w, 65535)), uint16_t(std::min(h, 65535))};
    (void)gfx_queue_command(gfx, gfx_add_dirty_rect, &r, sizeof r);
    (void)gfx_queue_command(gfx, gfx_add_restore_rect, &r, sizeof r);
}

void effect_queue_box(Graphics *gfx, const EffectBox &box) {
    if (box.empty) return;
    effect_queue_rects(gfx, box.left, box.top, box.right - box.left + 1, box.bottom - box.top + 1);
}

void effect_queue_sprite(Graphics *gfx, Sprite *sprite, int32_t x, int32_t y, uint16_t flags, int32_t percent,
                         int32_t scale_percent) {
    if (!gfx || !sprite) return;
    SpriteDrawPayload p{};
    p.flags = flags;
    p.x = int16_t(std::clamp(x, -32768, 32767));
    p.y = int16_t(std::clamp(y, -32768, 32767));
    p.sprite = sprite;
    p.brightness = int16_t(std::clamp(percent, 0, 32767));
    p.desaturation = int16_t(std::clamp(percent, 0, 32767));
    p.scale_numerator = uint16_t(std::clamp(scale_percent, 0, 65535));
    p.scale_denominator = 100;
    (void)sprite_queue_draw(gfx, p);
}

void effect_queue_blit(Graphics *gfx, Sprite *sprite, int32_t x, int32_t y) {
    if (!gfx || !sprite) return;
    (void)sprite_queue_blit(gfx, sprite, std::clamp(x, -32768, 32767), std::clamp(y, -32768, 32767));
}

void effect_queue_line(Graphics *gfx, int32_t x, int32_t y, int32_t dx, int32_t dy, uint8_t r, uint8_t g,
                       uint8_t b, const uint8_t params[3]) {
    if (!gfx) return;
    GfxLinePayload p{};
    p.x = int16_t(std::clamp(x, -32768, 32767));
    p.y = int16_t(std::clamp(y, -32768, 32767));
    p.dx = int16_t(std::clamp(dx, -32768, 32767));
    p.dy = int16_t(std::clamp(dy, -32768, 32767));
    p.r = r;
    p.g = g;
    p.b = b;
    p.jitter_r = params[0];
    p.jitter_g = params[1];
    p.jitter_b = params[2];
    p.dash_step = 0;
    p.dash_phase = 0;
    (void)gfx_queue_line(gfx, p);
}

int32_t effect_sprite_width(const Sprite *sprite) { return sprite ? sprite->width : 0; }
int32_t effect_sprite_height(const Sprite *sprite) { return sprite ? sprite->height : 0; }
