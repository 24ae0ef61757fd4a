// Line group: lines with colour fades and an animated dash.
#include "ui/line_group.h"

#include <algorithm>
#include <new>

#include "platform/colour_fade.h"
#include "platform/log.h"
#include "ui/ui_draw.h"

namespace {

LineGroup *lines_data(Control *c) { return static_cast<LineGroup *>(control_type_data(c)); }

size_t lines_size() { return sizeof(LineGroup); }
void lines_init(Control *c) { new (control_type_data(c)) LineGroup{}; }

void lines_free(Control *c) {
    LineGroup *g = lines_data(c);
    for (LineRecord &l : g->lines) colour_fade_free(l.colour);
    g->~LineGroup();
}

void lines_update(Control *c, int ms) {
    LineGroup *g = lines_data(c);
    for (LineRecord &l : g->lines) colour_fade_update(l.colour, ms);
    if (g->flags & LINES_EFFECT) g->clock = (g->clock + ms) % 1000;
}

void lines_draw(Control *c, Graphics *gfx, int ox, int oy) {
    LineGroup *g = lines_data(c);
    const int bx = ox + c->x, by = oy + c->y;
    const int maxx = ui_screen_width() - 1, maxy = ui_screen_height() - 1;
    for (const LineRecord &l : g->lines) {
        if (!l.colour) continue;
        const int x1 = std::clamp(l.x1 + bx, 0, maxx), y1 = std::clamp(l.y1 + by, 0, maxy);
        const int x2 = std::clamp(l.x2 + bx, 0, maxx), y2 = std::clamp(l.y2 + by, 0, maxy);
        if (x1 == x2 && y1 == y2) continue;
        const bool effect = g->flags & LINES_EFFECT;
        ui_line(gfx, x1, y1, x2 - x1 + 1, y2 - y1 + 1, l.colour->r, l.colour->g, l.colour->b, effect ? 20 : 0,
                effect ? 100 - g->clock / 10 : 0);
    }
}

const ControlClass k_lines_class = {
    .load_assets = nullptr,
    .free_assets = nullptr,
    .free_all_assets = nullptr,
    .size = lines_size,
    .init = lines_init,
    .free = lines_free,
    .on_user_data = nullptr,
    .update = lines_update,
    .draw = lines_draw,
    .on_show = nullptr,
    .get_bounds = nullptr,
    .fade_out = line_group_fade_out,
};

}  // namespace

const ControlClass *line_group_class() { return &k_lines_class; }

LineGroup *line_group_of(Control *c) { return c && c->type == CONTROL_LINES ? lines_data(c) : nullptr; }
const LineGroup *line_group_of(const Control *c) {
    return c && c->type == CONTROL_LINES ? static_cast<const LineGroup *>(control_type_data(c)) : nullptr;
}

Control *line_group_create(int count) {
    Control *c = control_create(CONTROL_LINES);
    if (!c) return nullptr;
    LineGroup *g = lines_data(c);
    for (int i = 0; i < count; ++i) g->lines.push_back({0, 0, 0, 0, colour_fade_create()});
    return c;
}

Control *line_group_create_line(int x1, int y1, int x2, int y2, int r, int g, int b) {
    Control *c = line_group_create(1);
    if (!c) return nullptr;
    line_group_set_line(c, 0, x1, y1, x2, y2);
    line_group_set_colour(c, r, g, b);
    return c;
}

void line_group_set_line(Control *c, int i, int x1, int y1, int x2, int y2) {
    LineGroup *g = line_group_of(c);
    if (!g) return;
    const int count = static_cast<int>(g->lines.size());
    if (i < 0 || i >= count) {
        log_write(LOG_GAME, LOG_DEBUG2, "Failed to set line group line %i (num lines %i)", i, count);
        return;
    }
    LineRecord &l = g->lines[static_cast<size_t>(i)];
    l.x1 = x1;
    l.y1 = y1;
    l.x2 = x2;
    l.y2 = y2;
}

ColourFade *line_group_line_colour(Control *c, int i) {
    LineGroup *g = line_group_of(c);
    if (!g || i < 0 || i >= static_cast<int>(g->lines.size())) return nullptr;
    return g->lines[static_cast<size_t>(i)].colour;
}

void line_group_set_colour(Control *c, int r, int g, int b) {
    if (LineGroup *lg = line_group_of(c))
        for (LineRecord &l : lg->lines) colour_fade_set(l.colour, r, g, b);
}

void line_group_fade_colour(Control *c, int r, int g, int b, int tr, int tg, int tb, int ms, int delay, int mode) {
    if (ms <= 0) return;
    if (LineGroup *lg = line_group_of(c))
        for (LineRecord &l : lg->lines) colour_fade_start(l.colour, r, g, b, tr, tg, tb, ms, delay, mode);
}

void line_group_fade_out(Control *c, int ms) {
    if (LineGroup *lg = line_group_of(c))
        for (LineRecord &l : lg->lines) colour_fade_to(l.colour, 0, 0, 0, ms, 0);
}

void line_group_offset(Control *c, int dx, int dy) {
    if (LineGroup *lg = line_group_of(c))
        for (LineRecord &l : lg->lines) {
            l.x1 += dx;
            l.x2 += dx;
            l.y1 += dy;
            l.y2 += dy;
        }
}

void line_group_get_bounds(const Control *c, int *x, int *y, int *w, int *h) {
    const LineGroup *lg = line_group_of(c);
    int minx = 0, miny = 0, maxx = 0, maxy = 0;
    const bool any = lg && !lg->lines.empty();
    if (any) {
        minx = maxx = lg->lines[0].x1;
        miny = maxy = lg->lines[0].y1;
        for (const LineRecord &l : lg->lines) {
            minx = std::min({minx, l.x1, l.x2});
            maxx = std::max({maxx, l.x1, l.x2});
            miny = std::min({miny, l.y1, l.y2});
            maxy = std::max({maxy, l.y1, l.y2});
        }
    }
    if (x) *x = minx;
    if (y) *y = miny;
    if (w) *w = any ? maxx - minx + 1 : 0;
    if (h) *h = any ? maxy - miny + 1 : 0;
}

void line_group_fit_bounds(Control *c, int *x, int *y) {
    int bx = 0, by = 0, bw = 0, bh = 0;
    line_group_get_bounds(c, &bx, &by, &bw, &bh);
    line_group_offset(c, -bx, -by);
    c->w = bw;
    c->h = bh;
    if (x) *x = bx;
    if (y) *y = by;
}

void line_group_start_effect(Control *c) {
    if (LineGroup *lg = line_group_of(c)) {
        lg->flags |= LINES_EFFECT;
        lg->clock = 0;
    }
}
