// Minimap control: dots for the points of an area, its view rectangle and a marker box.
#include "ui/control_minimap.h"

#include <algorithm>
#include <new>

#include "platform/colour_fade.h"
#include "platform/draw.h"
#include "platform/graphics.h"
#include "platform/log.h"
#include "platform/sprite.h"

namespace {

constexpr int32_t BLINK_FLOOR = -1500;
constexpr int32_t BLINK_RAISE = 1640;
constexpr int32_t MARKER_SIDE = 11;

Sprite **g_frames = nullptr;
int      g_frame_count = 0;

MinimapControl *minimap_data(Control *c) { return static_cast<MinimapControl *>(control_type_data(c)); }

Result minimap_load_assets(int n) {
    if (n != 0) return RES_OUT_OF_RANGE;
    if (g_frames) return RES_OK;
    int count = 0;
    g_frames = sprite_load_numbered("control/minimap/png", &count);
    if (!g_frames) return RES_READ_FAILED;
    g_frame_count = count;
    return RES_OK;
}

void minimap_free_all_assets() {
    log_write(LOG_GAME, LOG_DEBUG, "Free all minimap instances");
    sprite_array_release(g_frames, g_frame_count);
    g_frames = nullptr;
    g_frame_count = 0;
}

void minimap_free_assets(int n) {
    if (n == 0) minimap_free_all_assets();
}

size_t minimap_size() { return sizeof(MinimapControl); }

void minimap_init(Control *c) {
    MinimapControl *m = new (control_type_data(c)) MinimapControl{};
    c->w = 128;
    c->h = 128;
    m->colour_a = colour_fade_create();
    m->colour_b = colour_fade_create();
}

void minimap_free(Control *c) {
    MinimapControl *m = minimap_data(c);
    colour_fade_free(m->colour_a);
    colour_fade_free(m->colour_b);
    m->~MinimapControl();
}

void minimap_update(Control *c, int ms) {
    MinimapControl *m = minimap_data(c);
    m->blink -= ms;
    while (m->blink < BLINK_FLOOR) m->blink += BLINK_RAISE;
    colour_fade_update(m->colour_a, ms);
    colour_fade_update(m->colour_b, ms);

    MinimapArea &area = m->area;
    const bool have = m->read && m->read(m->source, m->flags, true, &area);
    if (!have || area.area_w < 1 || area.area_h < 1) {
        m->dot_count = 0;
        m->view_x = m->view_y = m->view_w = m->view_h = 0;
        return;
    }
    const int32_t count = int32_t(area.points.size());
    if (size_t(count) > m->dots.size()) m->dots.resize(size_t(count));
    m->dot_count = count;
    int32_t i = 0;
    for (const MinimapPoint &p : area.points) {
        MinimapDot &d = m->dots[size_t(i++)];
        d.x = int32_t(int64_t(p.x) * c->w / area.area_w);
        d.y = int32_t(int64_t(p.y) * c->h / area.area_h);
        d.r = p.r;
        d.g = p.g;
        d.b = p.b;
        d.highlighted = m->selected == 0 ? (p.highlighted ? 1 : 0) : (p.id == m->selected);
        if (p.moving) d.mode = MINIMAP_DOT_MOVING;
        else if (d.highlighted && m->blink < 1) d.mode = MINIMAP_DOT_LIT;
        else d.mode = MINIMAP_DOT_NORMAL;
    }
    m->view_x = int32_t(int64_t(area.view_x) * c->w / area.area_w);
    m->view_y = int32_t(int64_t(area.view_y) * c->h / area.area_h);
    m->view_w = int32_t(int64_t(area.view_w) * c->w / area.area_w);
    m->view_h = int32_t(int64_t(area.view_h) * c->h / area.area_h);
}

GfxRect rect(int x, int y, int w, int h) {
    return GfxRect{int16_t(std::clamp(x, -32768, 32767)), int16_t(std::clamp(y, -32768, 32767)),
                   uint16_t(std::clamp(w, 0, 65535)), uint16_t(std::clamp(h, 0, 65535))};
}

void minimap_draw(Control *c, Graphics *gfx, int ox, int oy) {
    MinimapControl *m = minimap_data(c);
    if (c->w < 1 || c->h < 1) return;
    const int px = ox + c->x, py = oy + c->y;
    const int32_t clip[4] = {px, py, px + c->w - 1, py + c->h - 1};
    (void)gfx_queue_command(gfx, gfx_push_clip, clip, sizeof clip);
    (void)gfx_queue_tint_rect(gfx, rect(px + m->view_x, py + m->view_y, m->view_w, m->view_h), 5, 5, 1);
    const MinimapDot *last_lit = nullptr;
    for (int32_t i = 0; i < m->dot_count; ++i) {
        const MinimapDot &d = m->dots[size_t(i)];
        if (d.highlighted) last_lit = &d;
        Sprite *s = minimap_frame(d.mode);
        if (!s) continue;
        SpriteDrawPayload p{};
        p.flags = SPRITE_DRAW_TINT;
        p.x = int16_t(px + d.x - s->width / 2);
        p.y = int16_t(py + d.y - s->height / 2);
        p.sprite = s;
        p.tint_r = d.r;
        p.tint_g = d.g;
        p.tint_b = d.b;
        p.brightness = 100;
        (void)sprite_queue_draw(gfx, p);
    }
    const ColourFade *b = m->colour_b;
    const uint8_t br = b ? b->r : 0, bg = b ? b->g : 0, bb = b ? b->b : 0;
    if (m->flags & MINIMAP_POINT)
        (void)gfx_queue_frame_rect(gfx, rect(px + m->point_x - 5, py + m->point_y - 5, MARKER_SIDE, MARKER_SIDE), br,
                                   bg, bb);
    else if (last_lit)
        (void)gfx_queue_frame_rect(gfx, rect(px + last_lit->x - 5, py + last_lit->y - 5, MARKER_SIDE, MARKER_SIDE), br,
                                   bg, bb);
    const ColourFade *a = m->colour_a;
    (void)gfx_queue_frame_rect(gfx, rect(px + m->view_x, py + m->view_y, m->view_w, m->view_h), a ? a->r : 0,
                               a ? a->g : 0, a ? a->b : 0);
    (void)gfx_queue_command(gfx, gfx_pop_clip, nullptr, 0);
}

const ControlClass k_minimap_class = {
    .load_assets = minimap_load_assets,
    .free_assets = minimap_free_assets,
    .free_all_assets = minimap_free_all_assets,
    .size = minimap_size,
    .init = minimap_init,
    .free = minimap_free,
    .on_user_data = nullptr,
    .update = minimap_update,
    .draw = minimap_draw,
    .on_show = nullptr,
    .get_bounds = nullptr,
};

}  // namespace

const ControlClass *minimap_class() { return &k_minimap_class; }

MinimapControl *minimap_of(Control *c) { return c && c->type == CONTROL_MINIMAP ? minimap_data(c) : nullptr; }

Sprite *minimap_frame(int mode) {
    if (!g_frames || mode < 0 || mode >= g_frame_count) return nullptr;
    return g_frames[mode];
}

Control *minimap_control_create(MinimapReadFn read, const void *source, int w, int h) {
    Control *c = control_create(CONTROL_MINIMAP);
    if (!c) return nullptr;
    c->w = w;
    c->h = h;
    MinimapControl *m = minimap_data(c);
    m->read = read;
    m->source = source;
    colour_fade_start(m->colour_a, 40, 43, 0, 90, 95, 0, 50 * 60, 0, COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    colour_fade_start(m->colour_b, 100, 80, 100, 220, 240, 220, 120 * 6, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    return c;
}

void minimap_set_selected(Control *c, uint64_t id) {
    if (MinimapControl *m = minimap_of(c)) m->selected = id;
}

void minimap_set_point(Control *c, int x, int y) {
    MinimapControl *m = minimap_of(c);
    if (!m) return;
    m->flags |= MINIMAP_POINT;
    MinimapArea area;
    if (!m->read || !m->read(m->source, m->flags, false, &area) || area.area_w < 1 || area.area_h < 1) {
        m->point_x = m->point_y = 0;
        return;
    }
    m->point_x = int32_t(int64_t(x) * c->w / area.area_w);
    m->point_y = int32_t(int64_t(y) * c->h / area.area_h);
}

void minimap_set_show_all(Control *c) {
    if (MinimapControl *m = minimap_of(c)) m->flags |= MINIMAP_SHOW_ALL;
}
