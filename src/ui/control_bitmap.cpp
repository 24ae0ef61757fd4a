// Bitmap control: a shared byte map drawn between two colours.
#include "ui/control_bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "platform/colour_fade.h"
#include "platform/draw.h"
#include "platform/shared_ref.h"

namespace {

BitmapControl *bitmap_data(Control *c) { return static_cast<BitmapControl *>(control_type_data(c)); }

size_t bitmap_size() { return sizeof(BitmapControl); }

void bitmap_init(Control *c) {
    BitmapControl *b = new (control_type_data(c)) BitmapControl{};
    b->colour_a = colour_fade_create();
    b->colour_b = colour_fade_create();
}

void bitmap_free(Control *c) {
    BitmapControl *b = bitmap_data(c);
    shared_ref_release(b->bitmap);
    colour_fade_free(b->colour_a);
    colour_fade_free(b->colour_b);
    b->~BitmapControl();
}

void bitmap_update(Control *c, int ms) {
    BitmapControl *b = bitmap_data(c);
    colour_fade_update(b->colour_a, ms);
    colour_fade_update(b->colour_b, ms);
}

void bitmap_draw(Control *c, Graphics *gfx, int ox, int oy) {
    BitmapControl *b = bitmap_data(c);
    if (!b->bitmap || c->w < 1 || c->h < 1) return;
    GfxGradientMapPayload p{};
    p.x = int16_t(std::clamp(ox + c->x, -32768, 32767));
    p.y = int16_t(std::clamp(oy + c->y, -32768, 32767));
    p.w = uint16_t(std::min(c->w, 65535));
    p.h = uint16_t(std::min(c->h, 65535));
    p.map = b->bitmap;
    if (b->colour_a) {
        p.from_r = b->colour_a->r;
        p.from_g = b->colour_a->g;
        p.from_b = b->colour_a->b;
    }
    if (b->colour_b) {
        p.to_r = b->colour_b->r;
        p.to_g = b->colour_b->g;
        p.to_b = b->colour_b->b;
    }
    (void)gfx_queue_gradient_map(gfx, p);
}

const ControlClass k_bitmap_class = {
    .load_assets = nullptr,
    .free_assets = nullptr,
    .free_all_assets = nullptr,
    .size = bitmap_size,
    .init = bitmap_init,
    .free = bitmap_free,
    .on_user_data = nullptr,
    .update = bitmap_update,
    .draw = bitmap_draw,
    .on_show = nullptr,
    .get_bounds = nullptr,
};

}  // namespace

const ControlClass *bitmap_class() { return &k_bitmap_class; }

BitmapControl *bitmap_of(Control *c) { return c && c->type == CONTROL_BITMAP ? bitmap_data(c) : nullptr; }

Control *bitmap_control_create(uint8_t *bytes, int w, int h) {
    Control *c = control_create(CONTROL_BITMAP);
    SharedRef *ref = c && bytes ? shared_ref_create(bytes, false) : nullptr;
    if (!ref) {
        std::free(bytes);
        control_destroy(c);
        return nullptr;
    }
    shared_ref_take(ref);
    bitmap_data(c)->bitmap = ref;
    c->w = w;
    c->h = h;
    return c;
}

ColourFade *bitmap_control_colour_a(Control *c) {
    BitmapControl *b = bitmap_of(c);
    return b ? b->colour_a : nullptr;
}

ColourFade *bitmap_control_colour_b(Control *c) {
    BitmapControl *b = bitmap_of(c);
    return b ? b->colour_b : nullptr;
}
