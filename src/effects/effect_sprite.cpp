// Sprite effects: halo, sprite sequence and sprite burst (the portal is in effect_portal.cpp), and
// the frame sets the sprite effects share.
#include "effects/effect_sprite.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "effects/effect_local.h"
#include "platform/anim.h"
#include "platform/geometry.h"
#include "platform/graphics.h"
#include "platform/log.h"
#include "platform/sound.h"
#include "platform/sprite.h"

Sprite *effect_frame_at(Sprite **frames, int32_t count, int32_t index) {
    if (!frames || index < 0 || index >= count) return nullptr;
    return frames[index];
}

void effect_frame_set_clear(EffectFrameSet *s) {
    sprite_array_release(s->frames, s->count);
    *s = EffectFrameSet{};
}

Sprite **effect_load_frames(const char *kind, int style, int32_t *count) {
    char dir[64];
    std::snprintf(dir, sizeof dir, "effect/%s/%.3i/png", kind, style);
    int n = 0;
    Sprite **frames = sprite_load_numbered(dir, &n);
    *count = frames ? n : 0;
    return frames;
}

namespace {

// ---- Halo -------------------------------------------------------------------------------------------

EffectFrameSet g_halos[HALO_STYLE_COUNT];

Result halo_load_type() {
    for (EffectFrameSet &s : g_halos) effect_frame_set_clear(&s);   // a failure leaves the later styles unloaded
    for (int i = 0; i < HALO_STYLE_COUNT; ++i) {
        log_write(LOG_GAME, LOG_DEBUG2, "Load halo instance %i", i);
        g_halos[i].frames = effect_load_frames("halo", i, &g_halos[i].count);
        if (!g_halos[i].frames) {
            log_write(LOG_GAME, LOG_ERROR, "Failed to load halo type %i", i);
            return RES_READ_FAILED;
        }
    }
    return RES_OK;
}

void halo_free_type() {
    for (int i = 0; i < HALO_STYLE_COUNT; ++i) {
        log_write(LOG_GAME, LOG_DEBUG2, "Free halo instance %i", i);
        effect_frame_set_clear(&g_halos[i]);
    }
}

Effect *halo_create() { return new (std::nothrow) HaloEffect{}; }
void    halo_free(Effect *e) { delete static_cast<HaloEffect *>(e); }

void halo_draw(Effect *e, Graphics *gfx, int32_t x, int32_t y) {
    HaloEffect *h = static_cast<HaloEffect *>(e);
    Sprite *s = effect_frame_at(h->frames, h->frame_count, 0);
    if (!s) return;
    effect_queue_sprite(gfx, s, x, y, SPRITE_DRAW_BLEND | SPRITE_DRAW_MOSTLY_SCREEN);
    effect_queue_rects(gfx, x, y, s->width, s->height);
}

// ---- Sprite sequence --------------------------------------------------------------------------------

Effect *sequence_create() { return new (std::nothrow) SpriteSequenceEffect{}; }

void sequence_free(Effect *e) {
    SpriteSequenceEffect *s = static_cast<SpriteSequenceEffect *>(e);
    sprite_array_release(s->sprites, s->count);
    anim_player_free(s->player);
    anim_free(s->anim);
    delete s;
}

Sprite *sequence_sprite(const SpriteSequenceEffect *s) { return effect_frame_at(s->sprites, s->count, s->index); }

void sequence_step(Effect *e, int32_t dt) {
    SpriteSequenceEffect *s = static_cast<SpriteSequenceEffect *>(e);
    if (s->start_delay > 0) {
        s->start_delay -= dt;
        return;
    }
    anim_player_update(s->player, dt);
    if (anim_player_frame_changed(s->player)) {
        const int32_t old_w = s->width, old_h = s->height;
        const int32_t frame = anim_player_frame(s->player);
        if (frame >= 0 && frame < s->count) s->index = frame;
        s->width = effect_sprite_width(sequence_sprite(s));
        s->height = effect_sprite_height(sequence_sprite(s));
        if (s->anim && (s->anim->flags & ANIM_CENTRED)) {
            s->x += old_w / 2 - s->width / 2;
            s->y += old_h / 2 - s->height / 2;
        }
    }
    if (s->flags & SEQUENCE_SCALING) {
        if (s->scale_delay > 0) {
            s->scale_delay -= dt;
            s->scale = s->scale_from;
        } else {
            s->scale_elapsed = std::min(s->scale_elapsed + dt, s->scale_ms);
            s->scale = s->scale_from + (s->scale_to - s->scale_from) * s->scale_elapsed / s->scale_ms;
        }
    }
    if (s->sound >= 0 && !(s->flags & SEQUENCE_SOUNDED)) {
        sound_play(s->sound);
        s->flags |= SEQUENCE_SOUNDED;
    }
    if (!s->player || anim_player_is_finished(s->player)) s->state |= EFFECT_FINISHED;
}

void sequence_draw(Effect *e, Graphics *gfx, int32_t x, int32_t y) {
    SpriteSequenceEffect *s = static_cast<SpriteSequenceEffect *>(e);
    if (s->start_delay > 0) return;
    Sprite *sp = sequence_sprite(s);
    if (!sp) return;
    if (s->flags & SEQUENCE_SCALING) {
        effect_queue_sprite(gfx, sp, x, y, SPRITE_DRAW_SCALE, 100, s->scale);
        effect_queue_rects(gfx, x, y, sp->width * s->scale / 100 + 1, sp->height * s->scale / 100 + 1);
        return;
    }
    if (s->flags & SEQUENCE_BLENDED) effect_queue_sprite(gfx, sp, x, y, SPRITE_DRAW_BLEND | SPRITE_DRAW_MOSTLY_SPRITE);
    else effect_queue_blit(gfx, sp, x, y);
    effect_queue_rects(gfx, x, y, sp->width, sp->height);
}

// ---- Sprite burst -----------------------------------------------------------------------------------

Effect *burst_create() { return new (std::nothrow) SpriteBurstEffect{}; }

void burst_free(Effect *e) {
    SpriteBurstEffect *b = static_cast<SpriteBurstEffect *>(e);
    sprite_release(b->sprite);
    delete b;
}

bool sprite_shared(Sprite *s) {
    std::lock_guard<std::mutex> lock(s->mutex);
    return s->refcount > 1;
}

// The burst's own copy, made private again when a queued command still holds it.
Sprite *burst_pixels(SpriteBurstEffect *b) {
    if (!b->sprite) return nullptr;
    if (sprite_shared(b->sprite)) {
        Sprite *copy = sprite_copy(b->sprite);
        if (!copy) return nullptr;
        sprite_addref(copy);
        sprite_release(b->sprite);
        b->sprite = copy;
    }
    return b->sprite->bytes_per_pixel == 4 ? b->sprite : nullptr;
}

uint32_t green(int intensity) { return gfx_map_rgb(0, uint8_t(std::clamp(intensity, 0, 255)), 0); }

double pixel_distance(int x, int y, int cx, int cy) {
    const double dx = x - cx, dy = y - cy;
    return std::sqrt(dx * dx + dy * dy);
}

// The first recolouring: green, brighter near the point and where the picture was bright.
void burst_recolour(SpriteBurstEffect *b) {
    Sprite *s = burst_pixels(b);
    if (!s) return;
    for (int y = 0; y < s->height; ++y)
        for (int x = 0; x < s->width; ++x) {
            uint8_t *px = s->pixels.data() + (size_t(y) * size_t(s->width) + size_t(x)) * 4;
            uint32_t value;
            std::memcpy(&value, px, 4);
            if (value == s->colour_key) continue;
            const double d = pixel_distance(x, y, b->point_x, b->point_y);
            const double dd = d < 1.0 ? 1.0 : d * 1.4;
            const int average = (px[0] + px[1] + px[2]) / 3;
            const uint32_t g = green(std::min(255, int(255.0 / dd) - 128 + average));
            std::memcpy(px, &g, 4);
        }
}

void burst_step(Effect *e, int32_t dt) {
    SpriteBurstEffect *b = static_cast<SpriteBurstEffect *>(e);
    if (b->state & BURST_DISSOLVED) {
        if (b->after_frames >= BURST_AFTER_FRAMES) b->state |= EFFECT_FINISHED;
        return;
    }
    b->clock += dt;
    while (b->clock >= 100) {
        b->clock -= 100;
        b->radius *= 0.9;
    }
    int vx = 0, vy = 0;
    rotate_point(b->heading, 1000, &vx, &vy);
    b->carry_x += vx * dt / b->speed_div;
    b->carry_y += vy * dt / b->speed_div;
    b->point_x += b->carry_x / b->speed_div;
    b->carry_x %= b->speed_div;
    b->point_y += b->carry_y / b->speed_div;
    b->carry_y %= b->speed_div;

    bool lit = false;
    if (Sprite *s = burst_pixels(b)) {
        for (int y = 0; y < s->height; ++y)
            for (int x = 0; x < s->width; ++x) {
                uint8_t *px = s->pixels.data() + (size_t(y) * size_t(s->width) + size_t(x)) * 4;
                uint32_t value;
                std::memcpy(&value, px, 4);
                if (value == s->colour_key) continue;
                const double d = pixel_distance(x, y, b->point_x, b->point_y);
                const double dd = d < 1.0 ? 1.0 : d * 1.5;
                uint32_t out = 0;
                if (dd < b->radius) {
                    out = green(std::min(255, int(255.0 / dd)));
                    lit = true;
                }
                std::memcpy(px, &out, 4);
            }
    }
    if (!lit) b->state |= BURST_DISSOLVED;
}

void burst_draw(Effect *e, Graphics *gfx, int32_t x, int32_t y) {
    SpriteBurstEffect *b = static_cast<SpriteBurstEffect *>(e);
    if (b->state & BURST_DISSOLVED) {
        if (b->after_frames < BURST_AFTER_FRAMES) b->after_frames += 1;
        return;
    }
    Sprite *s = b->sprite;
    if (!s) return;
    const GfxScreen *screen = gfx_screen();
    const int32_t sw = screen->width > 0 ? screen->width : GFX_WIDTH;
    const int32_t sh = screen->height > 0 ? screen->height : GFX_HEIGHT;
    if (x >= sw || y >= sh || x + s->width <= 0 || y + s->height <= 0) return;
    effect_queue_sprite(gfx, s, x, y, SPRITE_DRAW_BLEND | SPRITE_DRAW_ADDITIVE);
    effect_queue_rects(gfx, x, y, s->width, s->height);
}

}  // namespace

// ---- Registration and creators ----------------------------------------------------------------------

void halo_effect_register(EffectType *t) {
    t->name = "halo";
    t->load_type = halo_load_type;
    t->free_type = halo_free_type;
    t->create = halo_create;
    t->free = halo_free;
    t->draw = halo_draw;
}

void sprite_sequence_effect_register(EffectType *t) {
    t->name = "sprite sequence";
    t->create = sequence_create;
    t->free = sequence_free;
    t->step = sequence_step;
    t->draw = sequence_draw;
}

void sprite_burst_effect_register(EffectType *t) {
    t->name = "sprite burst";
    t->create = burst_create;
    t->free = burst_free;
    t->step = burst_step;
    t->draw = burst_draw;
}

HaloEffect *effect_create_halo(int style) {
    if (style < 0 || style >= HALO_STYLE_COUNT) {
        log_write(LOG_GAME, LOG_ERROR, "Refused halo style %i", style);
        return nullptr;
    }
    HaloEffect *h = static_cast<HaloEffect *>(effect_create(EFFECT_HALO));
    if (!h) return nullptr;
    h->style = style;
    h->frames = g_halos[style].frames;
    h->frame_count = g_halos[style].count;
    Sprite *first = effect_frame_at(h->frames, h->frame_count, 0);
    h->width = effect_sprite_width(first);
    h->height = effect_sprite_height(first);
    return h;
}

Sprite *effect_halo_first_frame(int style) {
    if (style < 0 || style >= HALO_STYLE_COUNT) return nullptr;
    return effect_frame_at(g_halos[style].frames, g_halos[style].count, 0);
}

SpriteSequenceEffect *effect_create_sprite_sequence(Sprite **sprites, int n, Animation *anim) {
    if (!sprites || n < 1) return nullptr;
    SpriteSequenceEffect *s = static_cast<SpriteSequenceEffect *>(effect_create(EFFECT_SPRITE_SEQUENCE));
    if (!s) return nullptr;
    s->sprites = new (std::nothrow) Sprite *[size_t(n)];
    if (!s->sprites) {
        anim_free(anim);
        effect_free(s);
        return nullptr;
    }
    for (int i = 0; i < n; ++i) {
        s->sprites[i] = sprites[i];
        if (sprites[i]) sprite_addref(sprites[i]);
    }
    s->count = n;
    s->anim = anim;
    s->player = anim_player_create();
    if (s->player && anim) anim_player_start(s->player, anim, 1);
    s->index = 0;
    if (s->player && anim && anim_count(anim) > 0) {
        const int32_t frame = anim_player_frame(s->player);
        if (frame >= 0 && frame < n) s->index = frame;
    }
    s->width = effect_sprite_width(sequence_sprite(s));
    s->height = effect_sprite_height(sequence_sprite(s));
    s->sound = -1;
    return s;
}

void effect_sequence_scale_to(SpriteSequenceEffect *s, int to_percent, int ms, int delay) {
    if (!s) return;
    s->flags |= SEQUENCE_SCALING;
    s->scale_from = 100;
    s->scale_to = to_percent;
    s->scale_ms = std::max(ms, 10);
    s->scale_elapsed = 0;
    s->scale_delay = delay;
}

SpriteBurstEffect *effect_create_sprite_burst(Sprite *sprite, int x, int y, int heading) {
    if (!sprite) return nullptr;
    SpriteBurstEffect *b = static_cast<SpriteBurstEffect *>(effect_create(EFFECT_SPRITE_BURST));
    if (!b) return nullptr;
    b->sprite = sprite_copy(sprite);
    if (!b->sprite) {
        effect_free(b);
        return nullptr;
    }
    sprite_addref(b->sprite);
    b->point_x = x;
    b->point_y = y;
    b->heading = heading;
    b->speed_div = 133;
    b->radius = double(std::max(sprite->width, sprite->height));
    burst_recolour(b);
    return b;
}
