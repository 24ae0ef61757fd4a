// Shape tests on the frames' hit masks, line walks to impact and contact points, and the generic
// draw of an object as draw commands.
#include "world/object.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/draw.h"
#include "platform/random.h"
#include "platform/sprite.h"
#include "world/object_internal.h"
#include "world/object_methods.h"

namespace {

// The boxes of w x h at (ax, ay) and (bx, by) touch.
bool boxes_touch(int32_t ax, int32_t ay, int32_t aw, int32_t ah, int32_t bx, int32_t by, int32_t bw, int32_t bh) {
    return aw + ax >= bx && ah + ay >= by && ax < bw + bx && ay < bh + by;
}

// A sprite at (sx, sy) reaches into the box of w x h at (ox, oy); false without a sprite.
bool sprite_meets_box(const Sprite *sprite, int32_t sx, int32_t sy, int32_t ox, int32_t oy, int32_t w, int32_t h) {
    return sprite && ox + w >= sx && oy + h >= sy && ox < sx + sprite->width && oy < sy + sprite->height;
}

// The shape's hit mask at (ox, oy) against the sprite's at (sx, sy): 1 and the first shared bit in
// map pixels, else 0.
int32_t shape_meets_sprite(const Sprite *shape, int32_t ox, int32_t oy, const Sprite *sprite, int32_t sx, int32_t sy,
                           int32_t *out_x, int32_t *out_y) {
    if (!shape) return 0;
    int hit_x = 0, hit_y = 0;
    if (!mask_overlap(shape, sprite, sx - ox, sy - oy, &hit_x, &hit_y)) return 0;
    if (out_x) *out_x = hit_x + ox;
    if (out_y) *out_y = hit_y + oy;
    return 1;
}

// The sprite drawn for the current frame (frames only).
Sprite *drawn_sprite(const GameObject *obj) {
    if (!obj->frames || obj->frame < 0 || obj->frame >= obj->frame_count) return nullptr;
    return obj->frames[obj->frame];
}

// Walks the integer line from (x0, y0) towards (x1, y1), the longer axis one pixel per step and the
// shorter one whenever the error reaches the longer distance; the start point is not visited.
// visit(x, y) returns 0 to go on, anything else to stop with that value. 0 when the end was reached.
template <typename Visit>
int32_t walk_line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Visit visit) {
    const int32_t dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    const int32_t sx = x1 > x0 ? 1 : -1, sy = y1 > y0 ? 1 : -1;
    const bool x_major = dx >= dy;
    const int32_t longer = x_major ? dx : dy, shorter = x_major ? dy : dx;
    int32_t x = x0, y = y0, error = 0;
    for (int32_t step = 0; step < longer; ++step) {
        error += shorter;
        if (x_major) {
            x += sx;
            if (error >= longer) { y += sy; error -= longer; }
        } else {
            y += sy;
            if (error >= longer) { x += sx; error -= longer; }
        }
        if (int32_t stop = visit(x, y); stop != 0) return stop;
    }
    return 0;
}

bool inside_box(int32_t px, int32_t py, int32_t x, int32_t y, int32_t w, int32_t h) {
    return px >= x && px <= x + w - 1 && py >= y && py <= y + h - 1;
}

}  // namespace

const Sprite *object_frame_sprite(const GameObject *obj, int32_t frame) {
    if (frame < 0 || frame >= obj->frame_count) return nullptr;
    if (obj->frames && obj->frames[frame]) return obj->frames[frame];
    if (obj->frame_sprites) return obj->frame_sprites[frame];
    return nullptr;
}

const Sprite *object_shape(const GameObject *obj) { return object_frame_sprite(obj, obj->frame); }

int32_t object_point_test(GameObject *obj, int32_t ox, int32_t oy, int32_t px, int32_t py) {
    if (px < ox || px > ox + obj->w || py < oy || py > oy + obj->h) return 0;
    const ObjectMethods *m = world_detail::row(obj);
    if (m && m->point_test) return m->point_test(obj, ox, oy, px, py);
    const Sprite *shape = object_shape(obj);
    return shape ? mask_test(shape, px - ox, py - oy) : 0;
}

int32_t object_mask_overlap(GameObject *obj, const Sprite *sprite, int32_t ox, int32_t oy, int32_t sx, int32_t sy,
                            int32_t *out_x, int32_t *out_y) {
    if (!sprite_meets_box(sprite, sx, sy, ox, oy, obj->w, obj->h)) return 0;
    const ObjectMethods *m = world_detail::row(obj);
    if (m && m->rect_test) return m->rect_test(obj, sprite, ox, oy, sx, sy, out_x, out_y);
    return shape_meets_sprite(object_shape(obj), ox, oy, sprite, sx, sy, out_x, out_y);
}

int32_t object_overlap(GameObject *a, GameObject *b, int32_t ax, int32_t ay, int32_t bx, int32_t by,
                       int32_t *out_x, int32_t *out_y) {
    if (!boxes_touch(ax, ay, a->w, a->h, bx, by, b->w, b->h)) return 0;
    const ObjectMethods *m = world_detail::row(a);
    if (m && m->overlap_test) return m->overlap_test(a, b, ax, ay, bx, by, out_x, out_y);
    const Sprite *sprite = drawn_sprite(a);
    if (!sprite) return 0;
    return object_mask_overlap(b, sprite, bx, by, ax, ay, out_x, out_y);
}

int32_t object_overlap_at(GameObject *a, GameObject *b, int32_t frame, int32_t ax, int32_t ay, int32_t bx,
                          int32_t by) {
    if (frame < 0 || frame >= a->frame_count) return 0;
    if (!boxes_touch(ax, ay, a->w, a->h, bx, by, b->w, b->h)) return 0;
    const ObjectMethods *m = world_detail::row(a);
    if (m && m->overlap_test) return m->overlap_test(a, b, ax, ay, bx, by, nullptr, nullptr);
    return object_mask_overlap(b, object_frame_sprite(a, frame), bx, by, ax, ay, nullptr, nullptr);
}

int32_t object_sprites_overlap_at(const Sprite *sprite, int32_t ax, int32_t ay, int32_t aw, int32_t ah,
                                  const Sprite *shape, int32_t bx, int32_t by, int32_t bw, int32_t bh) {
    if (!boxes_touch(ax, ay, aw, ah, bx, by, bw, bh) || !sprite_meets_box(sprite, ax, ay, bx, by, bw, bh)) return 0;
    return shape_meets_sprite(shape, bx, by, sprite, ax, ay, nullptr, nullptr);
}

int32_t object_in_range_of(GameObject *obj, int32_t px, int32_t py, int32_t range) {
    // Every point of the shape lies in the box: a box out of range spares the walk over the mask.
    const int64_t bx = px < obj->x ? int64_t(obj->x) - px : std::max<int64_t>(0, int64_t(px) - obj->x - obj->w + 1);
    const int64_t by = py < obj->y ? int64_t(obj->y) - py : std::max<int64_t>(0, int64_t(py) - obj->y - obj->h + 1);
    if (bx <= INT32_MAX && by <= INT32_MAX && distance(int32_t(bx), int32_t(by)) >= range) return 0;
    if (obj->w < 1) return 0;
    // Only pixels nearer than range can answer. Each row is walked outwards from the column nearest
    // the point and left where the distance reaches range: it only grows farther out. The rows go
    // from the middle outwards, where a hull's pixels are.
    const int32_t nearest = int32_t(std::clamp<int64_t>(int64_t(px) - obj->x, 0, obj->w - 1));
    for (int32_t i = 0; i < 2 * obj->h; ++i) {   // middle, below, above, two below, ...
        const int32_t row_y = obj->h / 2 + (i % 2 ? (i + 1) / 2 : -(i / 2));
        if (row_y < 0 || row_y >= obj->h) continue;
        const int32_t dy = obj->y + row_y - py;
        for (int32_t col = nearest; col >= 0 && distance(obj->x + col - px, dy) < range; --col)
            if (object_point_test(obj, 0, 0, col, row_y)) return 1;
        for (int32_t col = nearest + 1; col < obj->w && distance(obj->x + col - px, dy) < range; ++col)
            if (object_point_test(obj, 0, 0, col, row_y)) return 1;
    }
    return 0;
}

Result object_impact_point(GameObject *obj, int32_t *px, int32_t *py) {
    const int32_t mx = obj->x + obj->w / 2, my = obj->y + obj->h / 2;
    if (*px == mx && *py == my) return RES_OK;
    bool was_inside = false;
    int32_t hit_x = mx, hit_y = my;
    const int32_t stop = walk_line(*px, *py, mx, my, [&](int32_t x, int32_t y) -> int32_t {
        if (object_point_test(obj, obj->x, obj->y, x, y)) {
            hit_x = x;
            hit_y = y;
            return 1;
        }
        if (inside_box(x, y, obj->x, obj->y, obj->w, obj->h)) was_inside = true;
        else if (was_inside) return -1;
        return 0;
    });
    if (stop < 0) return RES_NO_CONTACT;
    *px = hit_x;
    *py = hit_y;
    return RES_OK;
}

Result object_contact_point(GameObject *a, GameObject *b, int32_t *out_x, int32_t *out_y, int32_t *out_half_w,
                            int32_t *out_half_h) {
    const int32_t gx = b->x + b->w / 2 - a->w / 2, gy = b->y + b->h / 2 - a->h / 2;
    bool was_inside = false;
    int32_t cx = gx, cy = gy;
    const int32_t stop = walk_line(a->x, a->y, gx, gy, [&](int32_t x, int32_t y) -> int32_t {
        if (object_overlap(a, b, x, y, b->x, b->y, nullptr, nullptr)) {
            cx = x;
            cy = y;
            return 1;
        }
        if (inside_box(x, y, b->x, b->y, b->w, b->h)) was_inside = true;
        else if (was_inside) return -1;
        return 0;
    });
    if (stop < 0) return RES_NO_CONTACT;
    if (out_x) *out_x = cx;
    if (out_y) *out_y = cy;
    if (out_half_w) *out_half_w = b->w / 2;
    if (out_half_h) *out_half_h = b->h / 2;
    return RES_OK;
}

void object_draw(GameObject *obj, Graphics *graphics, int32_t x, int32_t y) {
    if (obj->flags & OBJ_SHAKING) {
        x += int32_t(random_magnitude(random_show_u32()) % 3u) - 1;
        y += int32_t(random_magnitude(random_show_u32()) % 3u) - 1;
    }
    if (!(x < graphics->width && y < graphics->height && x + obj->w >= 0 && y + obj->h >= 0)) return;
    const ObjectMethods *m = world_detail::row(obj);
    if (m && m->draw) {
        m->draw(obj, graphics, x, y);
        return;
    }
    Sprite *sprite = drawn_sprite(obj);
    if (!sprite) return;
    // A command that does not fit the queue only loses this frame's picture of the object.
    SpriteDrawPayload draw{};
    draw.x = int16_t(x);
    draw.y = int16_t(y);
    draw.sprite = sprite;
    if (obj->flags & OBJ_PULSING) {
        draw.flags = SPRITE_DRAW_TINT;
        draw.tint_r = draw.tint_g = draw.tint_b = uint8_t(obj->pulse_level);
    } else if (obj->flags & OBJ_BLENDED) {
        draw.flags = SPRITE_DRAW_BLEND;
    }
    (void)sprite_queue_draw(graphics, draw);
    if (obj->flags & OBJ_OUTLINE) (void)gfx_queue_sprite_outline(graphics, sprite, x, y, 0, 255, 0);
    const GfxRect rect{int16_t(x), int16_t(y), uint16_t(obj->w), uint16_t(obj->h)};
    (void)gfx_queue_command(graphics, gfx_add_dirty_rect, &rect, sizeof rect);
    (void)gfx_queue_command(graphics, gfx_add_restore_rect, &rect, sizeof rect);
}
