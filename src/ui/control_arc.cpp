// Arc control: a circle sector as a cropped one-bit mask.
#include "ui/control_arc.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "platform/draw.h"
#include "platform/geometry.h"
#include "platform/shared_ref.h"

namespace {

ArcControl *arc_data(Control *c) { return static_cast<ArcControl *>(control_type_data(c)); }

size_t arc_size() { return sizeof(ArcControl); }
void   arc_init(Control *c) { new (control_type_data(c)) ArcControl{}; }

void arc_free(Control *c) {
    ArcControl *a = arc_data(c);
    shared_ref_release(a->mask);
    a->~ArcControl();
}

void arc_draw(Control *c, Graphics *gfx, int ox, int oy) {
    ArcControl *a = arc_data(c);
    if (!a->mask || c->w < 1 || c->h < 1) return;
    GfxMaskBrightenPayload p{};
    p.mask = a->mask;
    p.stride = a->stride;
    p.x = int16_t(std::clamp(ox + c->x, -32768, 32767));
    p.y = int16_t(std::clamp(oy + c->y, -32768, 32767));
    p.w = uint16_t(c->w);
    p.h = uint16_t(c->h);
    p.factor = a->mode;
    (void)gfx_queue_mask_brighten(gfx, p);
}

const ControlClass k_arc_class = {
    .load_assets = nullptr,
    .free_assets = nullptr,
    .free_all_assets = nullptr,
    .size = arc_size,
    .init = arc_init,
    .free = arc_free,
    .on_user_data = nullptr,
    .update = nullptr,
    .draw = arc_draw,
    .on_show = nullptr,
    .get_bounds = nullptr,
};

bool bit(const uint8_t *mask, int stride, int x, int y) {
    return (mask[size_t(y) * size_t(stride) + size_t(x >> 3)] >> (7 - (x & 7))) & 1;
}

void set_bit(uint8_t *mask, int stride, int x, int y) {
    mask[size_t(y) * size_t(stride) + size_t(x >> 3)] |= uint8_t(0x80 >> (x & 7));
}

}  // namespace

const ControlClass *arc_class() { return &k_arc_class; }

ArcControl *arc_of(Control *c) { return c && c->type == CONTROL_ARC ? arc_data(c) : nullptr; }

Control *arc_control_create() { return control_create(CONTROL_ARC); }

void arc_control_set_mode(Control *c, int mode) {
    if (ArcControl *a = arc_of(c)) a->mode = mode;
}

int arc_angle(int dx, int dy) {
    if (dx == 0 && dy == 0) return 0;
    const double len = std::sqrt(double(dx) * dx + double(dy) * dy);
    const int a = int(std::acos(std::abs(dx) / len) * 57.2957763671875);
    if (dx >= 0) return dy > 0 ? 360 - a : a;
    return dy < 0 ? 180 - a : 180 + a;
}

void arc_control_set_sector(Control *c, int cx, int cy, int start, int span, int r) {
    ArcControl *a = arc_of(c);
    if (!a || span < 1 || r < 1) return;
    start %= 360;
    if (start < 0) start += 360;
    const int side = 2 * r + 1;
    const int stride = side / 8 + 1;
    uint8_t *work = static_cast<uint8_t *>(std::calloc(size_t(side) * size_t(stride), 1));
    if (!work) return;
    int left = side, top = side, right = -1, bottom = -1;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
            if (distance(dx, dy) > r) continue;
            const int angle = arc_angle(dx, dy);
            const bool inside = (angle >= start && angle <= start + span) ||
                                (angle + 360 >= start && angle + 360 <= start + span);
            if (!inside) continue;
            const int x = dx + r, y = dy + r;
            set_bit(work, stride, x, y);
            left = std::min(left, x);
            top = std::min(top, y);
            right = std::max(right, x);
            bottom = std::max(bottom, y);
        }
    if (right < 0) {   // no bit set: an empty control
        std::free(work);
        shared_ref_release(a->mask);
        a->mask = nullptr;
        control_set_size(c, 0, 0);
        return;
    }
    const int w = right - left + 1, h = bottom - top + 1;
    const int crop_stride = w / 8 + 1;
    uint8_t *crop = static_cast<uint8_t *>(std::calloc(size_t(h) * size_t(crop_stride), 1));
    SharedRef *ref = crop ? shared_ref_create(crop, false) : nullptr;
    if (!ref) {
        std::free(crop);
        std::free(work);
        return;
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (bit(work, stride, x + left, y + top)) set_bit(crop, crop_stride, x, y);
    std::free(work);
    shared_ref_take(ref);
    shared_ref_release(a->mask);
    a->mask = ref;
    a->stride = crop_stride;
    c->w = w;
    c->h = h;
    control_set_position(c, cx + left - r, cy + top - r);
}

bool arc_control_contains(const Control *c, int x, int y, int w, int h) {
    if (!c) return false;
    return x >= c->x && y >= c->y && x + w <= c->x + c->w && y + h <= c->y + c->h;
}

int arc_mask_bit(Control *c, int x, int y) {
    ArcControl *a = arc_of(c);
    if (!a || !a->mask || x < 0 || y < 0 || x >= c->w || y >= c->h) return 0;
    return bit(static_cast<const uint8_t *>(a->mask->data), a->stride, x, y) ? 1 : 0;
}
