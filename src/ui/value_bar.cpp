// Value bar: fill, shading, colour stops, caption, marker and value runs.
#include "ui/value_bar.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "platform/colour_fade.h"
#include "ui/ui_draw.h"

namespace {

ValueBar *bar_data(Control *c) { return static_cast<ValueBar *>(control_type_data(c)); }

size_t bar_size() { return sizeof(ValueBar); }

void bar_init(Control *c) {
    ValueBar *v = new (control_type_data(c)) ValueBar{};
    v->fill = colour_fade_create();
    v->track = colour_fade_create();
}

void bar_free(Control *c) {
    ValueBar *v = bar_data(c);
    colour_fade_free(v->fill);
    colour_fade_free(v->track);
    colour_fade_free(v->caption_colour);
    v->~ValueBar();
}

// Moves value toward target by the whole steps that acc holds; returns whether it moved.
bool run_toward(int32_t *value, int32_t target, int32_t period, int32_t *acc, int ms) {
    *acc += ms;
    const int steps = *acc / period;
    *acc %= period;
    if (steps <= 0) return false;
    if (*value < target) *value = std::min(*value + steps, target);
    else *value = std::max(*value - steps, target);
    return true;
}

void bar_update(Control *c, int ms) {
    ValueBar *v = bar_data(c);
    const bool stops_live = (v->flags & BAR_STOPS) && !(v->flags & BAR_STOPS_SUSPENDED);
    if (!stops_live) colour_fade_update(v->fill, ms);
    colour_fade_update(v->caption_colour, ms);
    colour_fade_update(v->track, ms);
    if (v->flags & BAR_RUNNING) {
        if (v->value == v->target) {
            v->flags &= ~BAR_RUNNING;
        } else if (run_toward(&v->value, v->target, v->period, &v->acc, ms)) {
            if (v->flags & BAR_CAPTION) value_bar_set_caption(c);
        }
    }
    if ((v->flags & BAR_MARKER) && (v->flags & BAR_MARKER_RUNNING)) {
        if (v->marker == v->marker_target) v->flags &= ~BAR_MARKER_RUNNING;
        else run_toward(&v->marker, v->marker_target, v->marker_period, &v->marker_acc, ms);
        if (v->marker == v->marker_target) v->flags &= ~BAR_MARKER_RUNNING;
    }
    if (stops_live) {
        if (v->value != v->coloured_value) {
            v->coloured_value = v->value;
            value_bar_update_colour(c);
        } else {
            colour_fade_update(v->fill, ms);
        }
    }
}

void bar_draw(Control *c, Graphics *gfx, int ox, int oy) {
    ValueBar *v = bar_data(c);
    int ix = ox + c->x, iy = oy + c->y, iw = c->w, ih = c->h;
    if ((v->flags & BAR_BORDER) && v->track) {
        ui_frame_rect(gfx, ix, iy, iw, ih, v->track->r, v->track->g, v->track->b);
        ix += 1;
        iy += 1;
        iw -= 2;
        ih -= 2;
    }
    int fw = v->value * iw / v->max;
    if (v->flags & BAR_MIN_FILL) fw = std::max(fw, v->min_fill);
    const int fx = (v->flags & BAR_FROM_RIGHT) ? ix + iw - fw - 1 : ix;
    if (v->fill && fw > 0 && ih > 0) {
        const int r = v->fill->r, g = v->fill->g, b = v->fill->b;
        if (v->flags & BAR_SHADED) {
            auto per_row = [&](int channel) {
                const int d = channel * v->shade / 100;
                return channel != 0 && d < 1 ? 1 : d;
            };
            const int dr = per_row(r), dg = per_row(g), db = per_row(b);
            const int middle = ih / 2;
            for (int row = 0; row < ih; ++row) {
                const int k = std::abs(row - middle);
                ui_fill_rect(gfx, fx, iy + row, fw, 1, std::max(r - k * dr, 0), std::max(g - k * dg, 0),
                             std::max(b - k * db, 0));
            }
        } else {
            ui_fill_rect(gfx, fx, iy, fw, ih, r, g, b);
        }
    }
    if (v->flags & BAR_MARKER) {
        const int mx = v->marker * iw / v->max;
        if (mx >= 0 && mx < iw) ui_darken_rect(gfx, ix + mx, iy, iw - mx, ih, 2);
    }
    if ((v->flags & BAR_CAPTION) && v->caption_colour) {
        int x = ix + 4;
        if (v->flags & BAR_CAPTION_CENTRE) x = ix + iw / 2 - v->caption_w / 2;
        else if (v->flags & BAR_CAPTION_RIGHT) x = ix - 4 + iw - v->caption_w;
        const int y = iy + ih / 2 - v->caption_h / 2;
        ui_darken_rect(gfx, x - 1, y - 1, v->caption_w + 2, v->caption_h + 3, 1);
        ui_text(gfx, v->caption_font, x, y, v->caption_colour->pixel, v->caption.c_str());
    }
}

const ControlClass k_bar_class = {
    .load_assets = nullptr,
    .free_assets = nullptr,
    .free_all_assets = nullptr,
    .size = bar_size,
    .init = bar_init,
    .free = bar_free,
    .on_user_data = nullptr,
    .update = bar_update,
    .draw = bar_draw,
    .on_show = nullptr,
    .get_bounds = nullptr,
    .fade_out = value_bar_fade_out,
};

}  // namespace

const ControlClass *value_bar_class() { return &k_bar_class; }

ValueBar *value_bar_of(Control *c) { return c && c->type == CONTROL_VALUE_BAR ? bar_data(c) : nullptr; }
const ValueBar *value_bar_of(const Control *c) {
    return c && c->type == CONTROL_VALUE_BAR ? static_cast<const ValueBar *>(control_type_data(c)) : nullptr;
}

Control *value_bar_create_base(int w, int h) {
    Control *c = control_create(CONTROL_VALUE_BAR);
    if (!c) return nullptr;
    c->w = w;
    c->h = h;
    ValueBar *v = bar_data(c);
    colour_fade_set(v->track, 135, 135, 135);
    colour_fade_set(v->fill, 20, 150, 20);
    return c;
}

Control *value_bar_create(int w, int h, int value, int max) {
    Control *c = value_bar_create_base(w, h);
    if (!c) return nullptr;
    ValueBar *v = bar_data(c);
    v->flags |= BAR_CAPTION | BAR_BORDER | BAR_CAPTION_OF_MAX | BAR_CAPTION_CENTRE;
    v->caption_colour = colour_fade_create();
    colour_fade_set(v->caption_colour, 220, 220, 220);
    v->caption_font = 4;
    colour_fade_set(v->track, 40, 32, 1);
    // Pulses between two greens: channel periods 50, 33 and 50 ms.
    colour_fade_start(v->fill, 20, 100, 20, 40, 130, 40, 1000, 0, COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    value_bar_set_shade(c, 10);
    value_bar_set_value(c, value, max);
    return c;
}

Control *value_bar_create_with_text(int w, int value, int max) {
    Control *c = value_bar_create_base(w, 11);
    if (!c) return nullptr;
    ValueBar *v = bar_data(c);
    v->flags |= BAR_CAPTION | BAR_BORDER | BAR_CAPTION_OF_MAX;
    v->caption_colour = colour_fade_create();
    colour_fade_set(v->caption_colour, 220, 220, 220);
    v->caption_font = 4;
    colour_fade_set(v->track, 3, 3, 3);
    const int m = std::max(max, 1);
    const int32_t at[3] = {0, m / 2, m};
    const uint8_t r[3] = {120, 120, 0}, g[3] = {0, 120, 120}, b[3] = {0, 0, 0};
    value_bar_set_colour_stops(c, 3, at, r, g, b);
    value_bar_set_value(c, value, max);
    return c;
}

void value_bar_set_value(Control *c, int value, int max) {
    ValueBar *v = value_bar_of(c);
    if (!v) return;
    v->max = std::max(max, 1);
    v->value = std::clamp(value, 0, v->max);
    if (v->flags & BAR_CAPTION) value_bar_set_caption(c);
    if (v->flags & BAR_STOPS) {
        v->coloured_value = v->value;
        value_bar_update_colour(c);
    }
    v->flags &= ~BAR_RUNNING;
}

void value_bar_animate_to(Control *c, int target, int ms) {
    ValueBar *v = value_bar_of(c);
    if (!v) return;
    target = std::clamp(target, 0, v->max);
    const int d = std::abs(target - v->value);
    if (d == 0) return;
    v->target = target;
    v->period = std::max(ms / d, 1);
    v->acc = 0;
    v->flags |= BAR_RUNNING;
}

void value_bar_set_marker(Control *c, int value) {
    ValueBar *v = value_bar_of(c);
    if (!v) return;
    v->marker = std::max(value, 0);
    v->flags |= BAR_MARKER;
    v->flags &= ~BAR_MARKER_RUNNING;
}

void value_bar_set_colour_stops(Control *c, int n, const int32_t at[], const uint8_t r[], const uint8_t g[],
                                const uint8_t b[]) {
    ValueBar *v = value_bar_of(c);
    if (!v || n < 1 || !at || !r || !g || !b) return;
    v->stop_at.assign(at, at + n);
    v->stop_r.assign(r, r + n);
    v->stop_g.assign(g, g + n);
    v->stop_b.assign(b, b + n);
    v->flags |= BAR_STOPS;
    v->coloured_value = -1;
}

void value_bar_enable_caption(Control *c, int options) {
    ValueBar *v = value_bar_of(c);
    if (!v) return;
    v->flags |= BAR_CAPTION;
    if (options & 1) v->flags |= BAR_CAPTION_OF_MAX;
    if (options & 2) v->flags |= BAR_CAPTION_RIGHT;
    if (options & 4) v->flags |= BAR_CAPTION_CENTRE;
    if (!v->caption_colour) v->caption_colour = colour_fade_create();
    v->caption_font = 4;
    value_bar_set_caption(c);
}

void value_bar_set_caption(Control *c) {
    ValueBar *v = value_bar_of(c);
    if (!v) return;
    char text[32];
    if (v->flags & BAR_CAPTION_OF_MAX) std::snprintf(text, sizeof text, "%i/%i", v->value, v->max);
    else std::snprintf(text, sizeof text, "%i", v->value);
    v->caption = text;
    v->caption_w = ui_text_width(v->caption_font, text);
    v->caption_h = ui_line_height(v->caption_font);
}

void value_bar_set_caption_text(Control *c, const char *text) {
    ValueBar *v = value_bar_of(c);
    if (!v || !text) return;
    v->caption = text;
    v->caption_w = ui_text_width(v->caption_font, text);
    v->caption_h = ui_line_height(v->caption_font);
}

void value_bar_set_shade(Control *c, int percent) {
    if (ValueBar *v = value_bar_of(c)) {
        v->flags |= BAR_SHADED;
        v->shade = std::max(percent, 1);
    }
}

void value_bar_set_min_fill(Control *c) {
    if (ValueBar *v = value_bar_of(c)) {
        v->flags |= BAR_MIN_FILL;
        v->min_fill = 2;
    }
}

void value_bar_fill_from_right(Control *c) {
    if (ValueBar *v = value_bar_of(c)) v->flags |= BAR_FROM_RIGHT;
}

void value_bar_enable_border(Control *c) {
    if (ValueBar *v = value_bar_of(c)) v->flags |= BAR_BORDER;
}

bool value_bar_is_running(const Control *c) {
    const ValueBar *v = value_bar_of(c);
    return v && (v->flags & BAR_RUNNING);
}

void value_bar_update_colour(Control *c) {
    ValueBar *v = value_bar_of(c);
    if (!v || v->stop_at.empty()) return;
    const size_t n = v->stop_at.size();
    size_t i = 0;
    while (i < n && v->stop_at[i] < v->value) ++i;
    int r, g, b;
    if (i == n) {
        r = v->stop_r[n - 1];
        g = v->stop_g[n - 1];
        b = v->stop_b[n - 1];
    } else if (i == 0) {
        r = v->stop_r[0];
        g = v->stop_g[0];
        b = v->stop_b[0];
    } else {
        const int wa = std::abs(v->value - v->stop_at[i]);       // weight of the stop below
        const int wb = std::abs(v->value - v->stop_at[i - 1]);   // weight of the stop above
        const int sum = std::max(wa + wb, 1);
        r = (v->stop_r[i - 1] * wa + v->stop_r[i] * wb) / sum;
        g = (v->stop_g[i - 1] * wa + v->stop_g[i] * wb) / sum;
        b = (v->stop_b[i - 1] * wa + v->stop_b[i] * wb) / sum;
    }
    colour_fade_set(v->fill, r, g, b);
}

ColourFade *value_bar_fill_colour(Control *c) { ValueBar *v = value_bar_of(c); return v ? v->fill : nullptr; }
ColourFade *value_bar_border_colour(Control *c) { ValueBar *v = value_bar_of(c); return v ? v->track : nullptr; }
ColourFade *value_bar_caption_colour(Control *c) { ValueBar *v = value_bar_of(c); return v ? v->caption_colour : nullptr; }

void value_bar_fade_out(Control *c, int ms) {
    ValueBar *v = value_bar_of(c);
    if (!v) return;
    colour_fade_to(v->fill, 0, 0, 0, ms, 0);
    colour_fade_to(v->track, 0, 0, 0, ms, 0);
    if (v->caption_colour) colour_fade_to(v->caption_colour, 0, 0, 0, ms, 0);
    v->flags &= ~(BAR_SHADED | BAR_MARKER | BAR_STOPS);
}
