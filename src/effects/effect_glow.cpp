// Glow, plume and alert marker effects.
#include "effects/effect_glow.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "effects/effect_local.h"
#include "platform/draw.h"
#include "platform/draw_silhouette.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sprite.h"

namespace {

GfxRect rect(int32_t x, int32_t y, int32_t w, int32_t h) {
    return GfxRect{int16_t(std::clamp(x, -32768, 32767)), int16_t(std::clamp(y, -32768, 32767)),
                   uint16_t(std::clamp(w, 0, 65535)), uint16_t(std::clamp(h, 0, 65535))};
}

// ---- Glow -------------------------------------------------------------------------------------------

Effect *glow_create() { return new (std::nothrow) GlowEffect{}; }

void glow_free(Effect *e) {
    GlowEffect *g = static_cast<GlowEffect *>(e);
    sprite_release(g->sprite);
    colour_fade_free(g->colour);
    delete g;
}

void glow_step(Effect *e, int32_t dt) {
    GlowEffect *g = static_cast<GlowEffect *>(e);
    if (g->start_delay > 0) {
        g->start_delay -= dt;
        return;
    }
    if (g->life_ms > 0) {
        g->life_ms -= dt;
        if (g->life_ms < 1) g->state |= EFFECT_FINISHED;
    }
    colour_fade_update(g->colour, dt);
    if (g->flags & GLOW_CHANGING) {
        g->radius += g->rate * float(dt);
        if ((g->rate >= 0 && g->radius >= g->target) || (g->rate < 0 && g->radius <= g->target)) {
            g->radius = g->target;
            g->flags &= ~GLOW_CHANGING;
        }
    }
}

void glow_draw(Effect *e, Graphics *gfx, int32_t x, int32_t y) {
    GlowEffect *g = static_cast<GlowEffect *>(e);
    if (g->start_delay > 0 || !g->sprite) return;
    const int32_t r = std::min(int32_t(g->radius), GLOW_MAX_RADIUS);
    const uint8_t cr = g->colour ? g->colour->r : 0, cg = g->colour ? g->colour->g : 0,
                  cb = g->colour ? g->colour->b : 0;
    if (r > 0) {
        sprite_build_outline_map(g->sprite);
        GfxSpriteGlowPayload p{};
        p.sprite = g->sprite;
        p.flags = GFX_GLOW_BAND | GFX_GLOW_FADE;
        p.x = int16_t(std::clamp(x + g->offset, -32768, 32767));
        p.y = int16_t(std::clamp(y + g->offset, -32768, 32767));
        for (int i = 0; i < 4; ++i) {
            p.red[i] = cr;
            p.green[i] = cg;
            p.blue[i] = cb;
            p.level[i] = uint8_t(r);
        }
        p.fade_step = 70 / r;   // the outermost ring keeps about a third of the colour
        (void)gfx_queue_sprite_glow(gfx, p);
    } else {
        (void)gfx_queue_sprite_silhouette(gfx, g->sprite, x + g->offset, y + g->offset, cr, cg, cb);
    }
    effect_queue_rects(gfx, x, y, g->width, g->height);
}

void glow_resize(GlowEffect *g, int32_t offset) {
    g->offset = offset;
    g->width = effect_sprite_width(g->sprite) + 2 * offset;
    g->height = effect_sprite_height(g->sprite) + 2 * offset;
}

// ---- Plume ------------------------------------------------------------------------------------------

constexpr float PLUME_RATIO_SCALE = 1.6f;
constexpr int32_t PLUME_FADE_MS = 2000;
constexpr int32_t PLUME_PREWARM_MS = 8000;
constexpr int32_t PLUME_PREWARM_STEP = 20;

Effect *plume_create() { return new (std::nothrow) PlumeEffect{}; }

void plume_free(Effect *e) {
    PlumeEffect *p = static_cast<PlumeEffect *>(e);
    delete[] p->motes;
    effect_object_release(p->object);
    delete p;
}

void plume_refresh_target(PlumeEffect *p) {
    const EffectObjectView v = effect_object_view(p->object);
    if (!v.present) return;
    p->target_x = v.x + v.attach_x;
    p->target_y = v.y + v.attach_y;
}

bool mote_alive(const Particle &m) { return !(m.flags & PARTICLE_DEAD); }

// One tick of every mote: new ones leave the anchor, living ones curve towards the target.
void plume_motes(PlumeEffect *p, int32_t dt) {
    using effect_detail::rr;
    const float tx = float(p->target_x - p->x), ty = float(p->target_y - p->y);
    for (int i = 0; i < p->count; ++i) {
        Particle &m = p->motes[i];
        if ((m.flags & PARTICLE_DEAD) && (m.flags & PARTICLE_FREE) && !p->paused && !p->stopping) {
            particle_revive(&m, 0.0f, 0.0f);
            m.vx = float(rr(2500, 3500)) / 100.0f;
            m.vy = float(rr(-4500, -2000)) / 100.0f;
            m.life = rr(13200, 18300);
            m.linger = rr(100, 2000);
        }
        if (mote_alive(m)) {
            const float dx = tx - m.x, dy = ty - m.y;
            const float len = std::sqrt(dx * dx + dy * dy);
            if (len <= 3.0f) {
                m.flags |= PARTICLE_DEAD;
                m.linger = rr(100, 2000);
            } else {
                const float speed = std::sqrt(m.vx * m.vx + m.vy * m.vy);
                const float k = 0.73f * len;
                m.vx = (dx * speed / len + m.vx * k) / (k + 1.0f);
                m.vy = (dy * speed / len + m.vy * k) / (k + 1.0f);
            }
        }
        if (mote_alive(m)) {
            m.life -= dt;
            if (m.life < 1) {
                m.flags |= PARTICLE_DEAD;
            } else {
                colour_fade_update(&m.colour, dt);
                m.x += m.vx / 1000.0f * float(dt);
                m.y += m.vy / 1000.0f * float(dt);
            }
        } else if (!(m.flags & PARTICLE_FREE)) {
            m.linger -= dt;
            if (m.linger < 1) m.flags |= PARTICLE_FREE;
        }
    }
}

void plume_step(Effect *e, int32_t dt) {
    using effect_detail::rr;
    PlumeEffect *p = static_cast<PlumeEffect *>(e);
    if (!p->stopping) {
        const EffectObjectView v = effect_object_view(p->object);
        const bool gone = !v.present || v.travelling || v.dead || v.inactive;
        if (gone) {
            p->stopping = PLUME_STOPPING;
            for (int i = 0; i < p->count; ++i) {
                Particle &m = p->motes[i];
                m.life = rr(1000, 2040);
                colour_fade_to(&m.colour, 0, 0, 0, rr(1000, 2040), 0);
            }
        } else {
            plume_refresh_target(p);
        }
    }
    plume_motes(p, dt);
    if (p->stopping) {
        bool any = false;
        for (int i = 0; i < p->count && !any; ++i) any = mote_alive(p->motes[i]);
        if (!any) p->state |= EFFECT_FINISHED;
    }
}

void plume_draw(Effect *e, Graphics *gfx, int32_t x, int32_t y) {
    PlumeEffect *p = static_cast<PlumeEffect *>(e);
    EffectBox box;
    for (int i = 0; i < p->count; ++i) {
        const Particle &m = p->motes[i];
        if (!mote_alive(m)) continue;
        const float fx = std::floor(m.x), fy = std::floor(m.y);
        const int32_t px = x + int32_t(fx), py = y + int32_t(fy);
        const ColourFade &c = m.colour;
        (void)gfx_queue_plot(gfx, px, py, uint8_t(c.r * 200 / 255), uint8_t(c.g * 200 / 255),
                             uint8_t(c.b * 200 / 255));
        box.add_point(px, py);
        const uint8_t nr = uint8_t(c.r * 155 / 255), ng = uint8_t(c.g * 155 / 255), nb = uint8_t(c.b * 155 / 255);
        if (m.x - fx >= 0.5f) {
            (void)gfx_queue_plot(gfx, px + 1, py, nr, ng, nb);
            box.add_point(px + 1, py);
        }
        if (m.y - fy >= 0.5f) {
            (void)gfx_queue_plot(gfx, px, py + 1, nr, ng, nb);
            box.add_point(px, py + 1);
        }
    }
    effect_queue_box(gfx, box);
}

// ---- Alert marker -----------------------------------------------------------------------------------

constexpr int32_t MARKER_CLOSE_MS = 220;
constexpr int32_t MARKER_STAGE_MS = 300;
constexpr int32_t MARKER_HOLD_MS = 2400;
constexpr int32_t MARKER_FLASH_MS = 180;
constexpr int32_t MARKER_SPRITE_FADE_MS = 200;
constexpr int32_t MARKER_SPRITE_LIGHT_MS = 600;
constexpr float   MARKER_EXPONENT = 2.07f;
constexpr int32_t MARKER_SPRITE_LEFT = 14;    // the sprite sits this far left of the box's right half

Effect *marker_create() { return new (std::nothrow) AlertMarkerEffect{}; }

void marker_free(Effect *e) {
    AlertMarkerEffect *m = static_cast<AlertMarkerEffect *>(e);
    sprite_release(m->sprite);
    delete m;
}

// A straight motion from a point that need not be a pixel centre.
void motion_from(MovementPath *m, float fx, float fy, int32_t tx, int32_t ty, int32_t ms) {
    *m = MovementPath{};
    m->flags &= ~MOVEMENT_ARRIVED;
    m->x = fx;
    m->y = fy;
    m->next_x = fx;
    m->next_y = fy;
    m->target_x = tx;
    m->target_y = ty;
    m->step_x = m->base_step_x = (float(tx) - fx) / float(ms);
    m->step_y = m->base_step_y = (float(ty) - fy) / float(ms);
    m->divisor = float(ms);
    m->step_counter = 0;
}

const int CORNER_SIGN[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};   // top-left, clockwise

void marker_close_in(AlertMarkerEffect *m) {
    for (int i = 0; i < 4; ++i) {
        const int sx = CORNER_SIGN[i][0], sy = CORNER_SIGN[i][1];
        movement_path_start(&m->corners[i], sx * m->outer_w / 2, sy * m->outer_h / 2, sx * m->width / 2,
                            sy * m->height / 2, MARKER_CLOSE_MS);
    }
    colour_fade_start(&m->frame_colour, 240, 240, 230, 10, 10, 10, MARKER_CLOSE_MS, 0, 0);
    m->flags |= MARKER_LINES;
    m->clock = MARKER_STAGE_MS;
    m->stage_box_shown = false;
}

bool corners_arrived(const AlertMarkerEffect *m) {
    for (const MovementPath &c : m->corners)
        if (!movement_path_arrived(&c)) return false;
    return true;
}

void marker_step(Effect *e, int32_t dt) {
    AlertMarkerEffect *m = static_cast<AlertMarkerEffect *>(e);
    colour_fade_update(&m->frame_colour, dt);
    colour_fade_update(&m->outline_colour, dt);
    colour_fade_update(&m->fill_colour, dt);
    if (m->sprite) colour_fade_update(&m->sprite_colour, dt);
    for (MovementPath &c : m->corners)
        if (!movement_path_arrived(&c)) movement_path_step(&c, dt);
    if (m->has_sprite_parts)
        for (MovementPath &s : m->sprite_motion)
            if (!movement_path_arrived(&s)) movement_path_step(&s, dt);
    const bool arrived = corners_arrived(m);

    if (m->stage == 0) {
        marker_close_in(m);
        if (m->sprite) {
            m->sprite_x = m->width / 2 - MARKER_SPRITE_LEFT;
            m->sprite_y = -m->sprite->height / 2;
        }
        m->stage = 1;
        return;
    }
    if (m->stage <= MARKER_CLOSE_INS) {
        if (arrived) {
            m->flags &= ~MARKER_LINES;
            if (!m->stage_box_shown) {
                m->stage_box_shown = true;
                m->flags |= MARKER_BOX;
                colour_fade_start(&m->fill_colour, 150, 0, 0, 0, 0, 0, MARKER_FLASH_MS, 0, 0);
                colour_fade_start(&m->outline_colour, 230, 230, 0, 0, 0, 0, MARKER_FLASH_MS, 0, 0);
                if (m->sprite && m->has_sprite_parts && !(m->flags & MARKER_SPRITE_FRAME)) {
                    m->flags |= MARKER_SPRITE_FRAME;
                    motion_from(&m->sprite_motion[0], -1.5f, -1.5f, m->sprite_x, m->sprite_y, MARKER_CLOSE_MS);
                    motion_from(&m->sprite_motion[1], 4.5f, 4.5f, m->sprite->width, m->sprite->height,
                                MARKER_CLOSE_MS);
                }
            }
        }
        m->clock -= dt;
        if (m->clock < 1 && arrived) {
            m->stage += 1;
            m->flags &= ~MARKER_BOX;
            if (m->stage <= MARKER_CLOSE_INS) marker_close_in(m);
            else m->clock = MARKER_HOLD_MS;
        }
    } else if (m->stage == MARKER_CLOSE_INS + 1) {
        m->clock -= dt;
        if (m->clock <= 0) {
            if (!m->sprite) {
                m->state |= EFFECT_FINISHED;
            } else {
                m->flags |= MARKER_SPRITE_FADE;
                movement_path_start(&m->sprite_motion[2], 100, 0, 1, 0, MARKER_SPRITE_FADE_MS);
                m->stage = MARKER_CLOSE_INS + 2;
            }
        }
    } else if (movement_path_arrived(&m->sprite_motion[2])) {
        m->state |= EFFECT_FINISHED;
    }

    if ((m->flags & MARKER_SPRITE_FRAME) && !(m->flags & MARKER_SPRITE) &&
        movement_path_arrived(&m->sprite_motion[0]) && movement_path_arrived(&m->sprite_motion[1])) {
        m->flags |= MARKER_SPRITE;
        colour_fade_start(&m->sprite_colour, 12, 40, 0, 230, 230, 230, MARKER_SPRITE_LIGHT_MS, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    }
}

void marker_draw(Effect *e, Graphics *gfx, int32_t x, int32_t y) {
    AlertMarkerEffect *m = static_cast<AlertMarkerEffect *>(e);
    EffectBox box;
    if (m->flags & MARKER_BOX) {
        const GfxRect r = rect(x - m->width / 2, y - m->height / 2, m->width, m->height);
        (void)gfx_queue_fill_rect(gfx, r, m->fill_colour.r, m->fill_colour.g, m->fill_colour.b);
        (void)gfx_queue_frame_rect(gfx, r, m->outline_colour.r, m->outline_colour.g, m->outline_colour.b);
        box.add(r.x, r.y, m->width, m->height);
    }
    if (m->flags & MARKER_LINES) {
        static constexpr uint8_t SOLID[3] = {0, 0, 0};
        for (int i = 0; i < 4; ++i) {
            const MovementPath &a = m->corners[i], &b = m->corners[(i + 1) % 4];
            const int32_t ax = x + int32_t(a.x), ay = y + int32_t(a.y);
            const int32_t bx = x + int32_t(b.x), by = y + int32_t(b.y);
            effect_queue_line(gfx, ax, ay, bx - ax, by - ay, m->frame_colour.r, m->frame_colour.g, m->frame_colour.b,
                              SOLID);
            box.add_point(ax, ay);
        }
    }
    if ((m->flags & MARKER_SPRITE_FRAME) && !(m->flags & MARKER_SPRITE)) {
        const MovementPath &corner = m->sprite_motion[0], &size = m->sprite_motion[1];
        const int32_t fx = x + int32_t(corner.x), fy = y + int32_t(corner.y);
        const int32_t fw = std::max(int32_t(size.x), 1), fh = std::max(int32_t(size.y), 1);
        (void)gfx_queue_frame_rect(gfx, rect(fx, fy, fw, fh), 0, 255, 0);
        box.add(fx, fy, fw, fh);
    }
    if ((m->flags & MARKER_SPRITE) && m->sprite) {
        const int32_t sx = x + m->sprite_x, sy = y + m->sprite_y;
        if (m->flags & MARKER_SPRITE_FADE)
            effect_queue_sprite(gfx, m->sprite, sx, sy, SPRITE_DRAW_BRIGHTNESS | SPRITE_DRAW_ADDITIVE,
                                std::max(int32_t(m->sprite_motion[2].x), 0));
        else effect_queue_sprite(gfx, m->sprite, sx, sy, 0);
        (void)gfx_queue_frame_rect(gfx, rect(sx - 1, sy - 1, m->sprite->width + 2, m->sprite->height + 2),
                                   m->sprite_colour.r, m->sprite_colour.g, m->sprite_colour.b);
        box.add(sx - 1, sy - 1, m->sprite->width + 2, m->sprite->height + 2);
    }
    effect_queue_box(gfx, box);
}

}  // namespace

void glow_effect_register(EffectType *t) {
    t->name = "glow";
    t->create = glow_create;
    t->free = glow_free;
    t->step = glow_step;
    t->draw = glow_draw;
}

void plume_effect_register(EffectType *t) {
    t->name = "plume";
    t->create = plume_create;
    t->free = plume_free;
    t->step = plume_step;
    t->draw = plume_draw;
}

void alert_marker_effect_register(EffectType *t) {
    t->name = "alert marker";
    t->create = marker_create;
    t->free = marker_free;
    t->step = marker_step;
    t->draw = marker_draw;
}

GlowEffect *effect_create_glow(Sprite *sprite) {
    if (!sprite) return nullptr;
    GlowEffect *g = static_cast<GlowEffect *>(effect_create(EFFECT_GLOW));
    if (!g) return nullptr;
    g->colour = colour_fade_create();
    if (!g->colour) {
        effect_free(g);
        return nullptr;
    }
    g->sprite = sprite;
    sprite_addref(sprite);
    glow_resize(g, 0);
    return g;
}

void effect_glow_set_radius(GlowEffect *g, int from, int to, int ms) {
    if (!g) return;
    from = std::min(from, GLOW_MAX_RADIUS);
    to = std::min(to, GLOW_MAX_RADIUS);
    if (from == to) {
        effect_glow_set_radius_now(g, from);
        return;
    }
    g->flags |= GLOW_CHANGING;
    glow_resize(g, std::max({from, to, 0}));
    g->radius = float(from);
    g->target = float(to);
    g->rate = float(to - from) / float(std::max(ms, 1));
}

void effect_glow_set_radius_now(GlowEffect *g, int r) {
    if (!g) return;
    r = std::clamp(r, 0, GLOW_MAX_RADIUS);
    glow_resize(g, r);
    g->radius = float(r);
    g->flags &= ~GLOW_CHANGING;
}

void effect_glow_set_delay(GlowEffect *g, int ms) {
    if (g) g->start_delay = std::max(ms, 1);
}

void effect_glow_finish_soon(GlowEffect *g) {
    if (g) g->life_ms = 600;
}

ColourFade *effect_glow_colour(GlowEffect *g) { return g ? g->colour : nullptr; }

PlumeEffect *effect_create_plume(GameObject *object) {
    using effect_detail::rr;
    PlumeEffect *p = static_cast<PlumeEffect *>(effect_create(EFFECT_PLUME));
    if (!p) return nullptr;
    p->object = object;
    effect_object_addref(object);
    const EffectObjectView v = effect_object_view(object);
    p->target_x = v.x + v.attach_x;
    p->target_y = v.y + v.attach_y;
    p->count = std::max(1, int32_t(PLUME_RATIO_SCALE * v.plume_ratio));
    p->motes = new (std::nothrow) Particle[size_t(p->count)]();
    if (!p->motes) {
        effect_free(p);
        return nullptr;
    }
    for (int i = 0; i < p->count; ++i) {
        Particle &m = p->motes[i];
        colour_fade_start(&m.colour, 0, 128, 0, 209, 230, 200, PLUME_FADE_MS, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
        colour_fade_update(&m.colour, rr(0, 100));
        m.flags = PARTICLE_DEAD;
        m.linger = rr(100, 12000);
    }
    return p;
}

void effect_plume_prewarm(PlumeEffect *p) {
    if (!p) return;
    for (int32_t t = 0; t < PLUME_PREWARM_MS; t += PLUME_PREWARM_STEP)
        plume_motes(p, std::min(PLUME_PREWARM_STEP, PLUME_PREWARM_MS - t));
}

AlertMarkerEffect *effect_create_alert_marker(int w, int h) {
    AlertMarkerEffect *m = static_cast<AlertMarkerEffect *>(effect_create(EFFECT_ALERT_MARKER));
    if (!m) return nullptr;
    m->width = w;
    m->height = h;
    m->outer_w = w * 5 / 2;
    m->outer_h = h * 5 / 2;
    for (MovementPath &c : m->corners) movement_path_set_power(&c, MARKER_EXPONENT);
    return m;
}

void effect_alert_marker_set_sprite(AlertMarkerEffect *m, Sprite *sprite) {
    if (!m) return;
    sprite_release(m->sprite);
    m->sprite = sprite;
    if (sprite) sprite_addref(sprite);
    if (!m->has_sprite_parts) {
        for (MovementPath &s : m->sprite_motion) s = MovementPath{};
        m->sprite_colour = ColourFade{};
        m->has_sprite_parts = true;
    }
}
