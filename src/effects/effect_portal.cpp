// The portal effect: a ship's way in or out of a map (the opening and closing portal) and the
// scanning outline over a retreating ship.
#include "effects/effect_sprite.h"

#include <algorithm>
#include <new>

#include "effects/effect_local.h"
#include "platform/anim.h"
#include "platform/colour_fade.h"
#include "platform/draw_silhouette.h"
#include "platform/geometry.h"
#include "platform/graphics.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sprite.h"

namespace {

// ---- Portal -----------------------------------------------------------------------------------------

struct PortalStyle {
    EffectFrameSet   set;
    Animation *anims[PORTAL_ANIM_COUNT] = {};
};

struct FrameRange {
    int first, last;
};

// Which stretches of the 186 frames each animation plays, in order.
constexpr FrameRange ANIM0[] = {{62, 123}, {124, 154}, {92, 123}, {62, 92}, {155, 185}};
constexpr FrameRange ANIM1[] = {{124, 185}, {124, 185}, {62, 92}, {155, 185}};
constexpr FrameRange ANIM2[] = {{124, 185}, {124, 185}, {0, 61}};
constexpr FrameRange ANIM3[] = {{0, 62}, {0, 62}, {124, 185}};

struct AnimRanges {
    const FrameRange *ranges;
    int count;
};
constexpr AnimRanges PORTAL_ANIMS[PORTAL_ANIM_COUNT] = {{ANIM0, 5}, {ANIM1, 4}, {ANIM2, 3}, {ANIM3, 3}};

// Colour of the outline by the ship's stage: 3 or more, 2, 1, below 1.
struct OutlineLook {
    uint8_t from, to;
    int32_t ms;
};
constexpr OutlineLook OUTLINE_LOOKS[PORTAL_ANIM_COUNT] = {{4, 120, 1600}, {10, 200, 1300}, {40, 254, 1000}, {60, 254, 800}};

PortalStyle g_portals[PORTAL_STYLE_COUNT];

void portal_style_clear(PortalStyle *p) {
    effect_frame_set_clear(&p->set);
    for (Animation *&a : p->anims) {
        anim_free(a);
        a = nullptr;
    }
}

Result portal_load_type() {
    for (PortalStyle &s : g_portals) portal_style_clear(&s);   // a failure leaves the later styles unloaded
    for (int i = 0; i < PORTAL_STYLE_COUNT; ++i) {
        PortalStyle *p = &g_portals[i];
        log_write(LOG_GAME, LOG_DEBUG2, "Load portal instance %i", i);
        p->set.frames = effect_load_frames("portal", i, &p->set.count);
        // The animations index frames up to 185: a shorter set cannot play them.
        if (!p->set.frames || p->set.count < PORTAL_FRAME_COUNT) {
            effect_frame_set_clear(&p->set);
            log_write(LOG_GAME, LOG_ERROR, "Failed to load portal type %i", i);
            return RES_READ_FAILED;
        }
        for (int a = 0; a < PORTAL_ANIM_COUNT; ++a) {
            p->anims[a] = anim_create(0, 0);
            if (!p->anims[a]) {
                portal_style_clear(p);
                log_write(LOG_GAME, LOG_ERROR, "Failed to load portal type %i", i);
                return RES_NO_MEMORY;
            }
            for (int r = 0; r < PORTAL_ANIMS[a].count; ++r)
                for (int f = PORTAL_ANIMS[a].ranges[r].first; f <= PORTAL_ANIMS[a].ranges[r].last; ++f)
                    anim_add_frame(p->anims[a], f, PORTAL_FRAME_MS);
        }
    }
    return RES_OK;
}

void portal_free_type() {
    for (int i = 0; i < PORTAL_STYLE_COUNT; ++i) {
        log_write(LOG_GAME, LOG_DEBUG2, "Free portal instance %i", i);
        portal_style_clear(&g_portals[i]);
    }
}

Effect *portal_create() { return new (std::nothrow) PortalEffect{}; }

void portal_free(Effect *e) {
    PortalEffect *p = static_cast<PortalEffect *>(e);
    anim_player_free(p->player);
    colour_fade_free(p->colour);
    effect_object_release(p->object);
    delete p;
}

const Animation *portal_anim(const PortalEffect *p, int anim) {
    if (p->style < 0 || p->style >= PORTAL_STYLE_COUNT || anim < 0 || anim >= PORTAL_ANIM_COUNT) return nullptr;
    return g_portals[p->style].anims[anim];
}

void portal_play(PortalEffect *p, int anim) {
    p->anim = anim;
    const Animation *a = portal_anim(p, anim);
    if (!p->player || !a) return;
    anim_player_start(p->player, a, -1);
    anim_player_seek(p->player, random_show_range(0, anim_count(a) - 1));
    p->frame = anim_player_frame(p->player);
}

Sprite *portal_frame(const PortalEffect *p) { return effect_frame_at(p->frames, p->frame_count, p->frame); }

// Opening grows the portal by one percent every 2 ms (now and then by four), holding keeps it
// whole, closing shrinks it by one percent every 2 ms.
void portal_step_open(PortalEffect *p, int32_t dt) {
    switch (p->phase) {
    case PORTAL_OPENING:
        p->clock -= dt;
        while (p->clock < 1 && p->percent < 100) {
            p->clock += 2;
            p->percent += 1;
            if (random_show_range(0, 5) == 0) p->percent += 3;
        }
        if (p->percent >= 100) {
            p->percent = 100;
            p->flags &= ~PORTAL_SCALED;
            p->phase = PORTAL_HOLDING;
            p->clock = p->hold_ms;
        }
        break;
    case PORTAL_HOLDING:
        p->clock -= dt;
        if (p->clock < 0) {
            p->flags |= PORTAL_SCALED;
            p->phase = PORTAL_CLOSING;
            p->clock = 2;
        }
        break;
    default:
        p->clock -= dt;
        while (p->clock < 1 && p->percent >= 1) {
            p->clock += 2;
            p->percent -= 1;
        }
        if (p->percent < 1) {
            p->percent = 0;
            p->state |= EFFECT_FINISHED;
        }
        break;
    }
}

int row_first(const Sprite *img, int y, int dir) {
    if (dir > 0) {
        for (int x = 0; x < img->width; ++x)
            if (mask_test(img, x, y)) return x;
    } else {
        for (int x = img->width - 1; x >= 0; --x)
            if (mask_test(img, x, y)) return x;
    }
    return -1;
}

int row_next(const Sprite *img, int x, int y, int dir) {
    for (int nx = x + dir; nx >= 0 && nx < img->width; nx += dir)
        if (mask_test(img, nx, y)) return nx;
    return -1;
}

void scan_wait(PortalEffect *p) {
    p->scan_x = p->scan_y = -1;
    p->scan_clock = random_show_range(-2500, -1000);
    p->scan_step_ms = random_show_range(6, 30);
    p->scan_steps = random_show_range(40, 80);
}

// Places the scan point on the first opaque pixel of a random row (searching down from it) from
// the left or the right; false when the picture has no opaque pixel.
bool scan_start(PortalEffect *p, const Sprite *img) {
    const int dir = random_show_range(0, 1) ? 1 : -1;
    const int y0 = random_show_range(0, img->height - 1);
    for (int i = 0; i < img->height; ++i) {
        const int y = (y0 + i) % img->height;
        const int x = row_first(img, y, dir);
        if (x < 0) continue;
        p->scan_x = p->scan_x2 = x;
        p->scan_y = p->scan_y2 = y;
        p->scan_dir = dir;
        return true;
    }
    return false;
}

// One step along the row to the next opaque pixel, or down to the next row that has one,
// turning round.
void scan_advance(PortalEffect *p, const Sprite *img) {
    const int nx = row_next(img, p->scan_x, p->scan_y, p->scan_dir);
    if (nx >= 0) {
        p->scan_x = nx;
        return;
    }
    for (int i = 1; i <= img->height; ++i) {
        const int y = (p->scan_y + i) % img->height;
        const int dir = -p->scan_dir;
        const int x = row_first(img, y, dir);
        p->scan_dir = dir;
        if (x < 0) continue;
        p->scan_x = x;
        p->scan_y = y;
        return;
    }
}

void portal_scan(PortalEffect *p, const EffectObjectView &view, int32_t dt) {
    const Sprite *img = view.image;
    p->scan_clock += dt;
    if (p->scan_clock < 0) {
        p->scan_x = p->scan_y = -1;
        return;
    }
    if (!img || img->width < 1 || img->height < 1 || img->mask.empty()) {
        scan_wait(p);
        return;
    }
    if (p->scan_x < 0 && !scan_start(p, img)) {
        scan_wait(p);
        return;
    }
    const int32_t step_ms = std::max(p->scan_step_ms, 1);
    while (p->scan_clock >= step_ms) {
        p->scan_clock -= step_ms;
        scan_advance(p, img);
        p->scan_steps -= 1;
        if (p->scan_steps <= 0 || (p->scan_x == p->scan_x2 && p->scan_y == p->scan_y2)) {
            scan_wait(p);
            return;
        }
    }
    const int32_t img_x = view.x + view.w / 2 - img->width / 2;
    const int32_t img_y = view.y + view.h / 2 - img->height / 2;
    p->scan_point_x = img_x - p->x + p->scan_x;
    p->scan_point_y = img_y - p->y + p->scan_y;
}

void portal_step_object(PortalEffect *p, int32_t dt) {
    const EffectObjectView view = effect_object_view(p->object);
    if (!p->object || !view.present || view.dead || !view.leaving || view.left) {
        p->state |= EFFECT_FINISHED;
        return;
    }
    const int anim = view.stage >= 3 ? 0 : view.stage == 2 ? 1 : view.stage == 1 ? 2 : 3;
    if (anim != p->outline_anim) {
        p->outline_anim = anim;
        portal_play(p, anim);
        const OutlineLook &l = OUTLINE_LOOKS[anim];
        colour_fade_start(p->colour, l.from, l.from, l.from, l.to, l.to, l.to, l.ms, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    }
    colour_fade_update(p->colour, dt);
    portal_scan(p, view, dt);
}

void portal_size(const PortalEffect *p, int32_t *w, int32_t *h) {
    const Sprite *s = portal_frame(p);
    int32_t fw = effect_sprite_width(s), fh = effect_sprite_height(s);
    if (p->mode == PORTAL_MODE_PORTAL && (p->state & EFFECT_FINISHED)) {
        fw = fh = 2;
    } else if (p->mode == PORTAL_MODE_PORTAL && p->phase != PORTAL_HOLDING) {
        fw = fw * p->percent / 100;
        fh = fh * p->percent / 100;
    }
    *w = fw;
    *h = fh;
}

void portal_step(Effect *e, int32_t dt) {
    PortalEffect *p = static_cast<PortalEffect *>(e);
    if (p->start_delay > 0) {
        p->start_delay -= dt;
        return;
    }
    anim_player_update(p->player, dt);
    if (anim_player_frame_changed(p->player)) p->frame = anim_player_frame(p->player);
    if (p->mode == PORTAL_MODE_PORTAL) portal_step_open(p, dt);
    else if (p->mode == PORTAL_MODE_OUTLINE) portal_step_object(p, dt);
    int32_t w = 0, h = 0;
    portal_size(p, &w, &h);
    const int32_t dw = w - p->width, dh = h - p->height;
    if (dw || dh) {
        // Keep the centre where it is; odd pixels are carried to the next change.
        p->x -= (dw + p->carry_x) / 2;
        p->carry_x = (dw + p->carry_x) % 2;
        p->y -= (dh + p->carry_y) / 2;
        p->carry_y = (dh + p->carry_y) % 2;
        p->width = w;
        p->height = h;
    }
}

void portal_draw(Effect *e, Graphics *gfx, int32_t x, int32_t y) {
    PortalEffect *p = static_cast<PortalEffect *>(e);
    Sprite *s = portal_frame(p);
    if (p->mode != PORTAL_MODE_OUTLINE) {
        if (p->start_delay > 0 || !s) return;
        if ((p->flags & PORTAL_SCALED) && p->percent >= 1)
            effect_queue_sprite(gfx, s, x, y, SPRITE_DRAW_SCALE | SPRITE_DRAW_BLEND | SPRITE_DRAW_MOSTLY_SPRITE, 100,
                                p->percent);
        else effect_queue_sprite(gfx, s, x, y, SPRITE_DRAW_BLEND | SPRITE_DRAW_MOSTLY_SPRITE);
        effect_queue_rects(gfx, x, y, s->width, s->height);
        return;
    }
    EffectBox box;
    if (s) {
        effect_queue_sprite(gfx, s, x, y, SPRITE_DRAW_BLEND | SPRITE_DRAW_MOSTLY_SPRITE);
        box.add(x, y, s->width, s->height);
    }
    const EffectObjectView view = effect_object_view(p->object);
    if (view.present && view.image && p->colour) {
        Sprite *img = view.image;
        const int32_t ix = x + view.x + view.w / 2 - img->width / 2 - p->x + random_show_range(-1, 1);
        const int32_t iy = y + view.y + view.h / 2 - img->height / 2 - p->y + random_show_range(-1, 1);
        (void)gfx_queue_sprite_silhouette(gfx, img, ix, iy, p->colour->r, p->colour->g, p->colour->b);
        box.add(ix, iy, img->width, img->height);
    }
    if (p->scan_x >= 0) {
        p->blink ^= 1;
        if (p->blink) {
            static constexpr uint8_t SOLID[3] = {0, 0, 0};
            const int32_t px = x + p->scan_point_x, py = y + p->scan_point_y;
            effect_queue_line(gfx, px - 1, py, 3, 0, 255, 255, 220, SOLID);
            effect_queue_line(gfx, px, py - 1, 0, 3, 255, 255, 220, SOLID);
            box.add(px - 1, py - 1, 3, 3);
        }
    }
    effect_queue_box(gfx, box);
}

}  // namespace

// ---- Registration and creators ----------------------------------------------------------------------

void portal_effect_register(EffectType *t) {
    t->name = "portal";
    t->load_type = portal_load_type;
    t->free_type = portal_free_type;
    t->create = portal_create;
    t->free = portal_free;
    t->step = portal_step;
    t->draw = portal_draw;
}

PortalEffect *effect_create_portal(int style) {
    if (style < 0 || style >= PORTAL_STYLE_COUNT) {
        log_write(LOG_GAME, LOG_ERROR, "Refused portal style %i", style);
        return nullptr;
    }
    PortalEffect *p = static_cast<PortalEffect *>(effect_create(EFFECT_PORTAL));
    if (!p) return nullptr;
    p->style = style;
    p->frames = g_portals[style].set.frames;
    p->frame_count = g_portals[style].set.count;
    p->player = anim_player_create();
    portal_play(p, 0);
    Sprite *first = effect_frame_at(p->frames, p->frame_count, 0);
    p->width = effect_sprite_width(first);
    p->height = effect_sprite_height(first);
    p->colour = colour_fade_create();
    colour_fade_start(p->colour, 4, 4, 4, 120, 120, 120, OUTLINE_LOOKS[0].ms, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    p->flags = PORTAL_SCALED;
    p->mode = PORTAL_MODE_NONE;
    p->clock = 2;
    return p;
}

void effect_portal_open(PortalEffect *p, int delay, int hold) {
    if (!p) return;
    p->mode = PORTAL_MODE_PORTAL;
    p->phase = PORTAL_OPENING;
    p->percent = 2;
    p->start_delay = delay;
    p->hold_ms = hold;
}

void effect_portal_set_object(PortalEffect *p, GameObject *object) {
    if (!p) return;
    p->mode = PORTAL_MODE_OUTLINE;
    p->percent = 100;
    p->scan_clock = random_show_range(-2000, -500);
    p->scan_x = p->scan_y = -1;
    p->scan_dir = 1;
    p->scan_step_ms = random_show_range(6, 30);
    p->scan_steps = random_show_range(40, 80);
    p->blink = 0;
    p->outline_anim = -1;
    effect_object_release(p->object);
    p->object = object;
    effect_object_addref(object);
}

const Animation *effect_portal_animation(int style, int anim) {
    if (style < 0 || style >= PORTAL_STYLE_COUNT || anim < 0 || anim >= PORTAL_ANIM_COUNT) return nullptr;
    return g_portals[style].anims[anim];
}
