// Scroll track and scroll bar.
#include "ui/scroll.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "platform/colour_fade.h"
#include "platform/input.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"

namespace {

ScrollTrack *track_data(Control *c) { return static_cast<ScrollTrack *>(control_type_data(c)); }
const ScrollTrack *track_data(const Control *c) { return static_cast<const ScrollTrack *>(control_type_data(c)); }

bool vertical(const ScrollTrack *t) { return t->orientation == 1; }

int thumb_range(const ScrollTrack *t) { return std::max(t->length - t->thumb_size - 2, 0); }

size_t track_size() { return sizeof(ScrollTrack); }

void track_init(Control *c) {
    ScrollTrack *t = new (control_type_data(c)) ScrollTrack{};
    t->colour = colour_fade_create();
    t->second_colour = colour_fade_create();
    t->grow_period = 1;
}

void track_free(Control *c) {
    ScrollTrack *t = track_data(c);
    colour_fade_free(t->colour);
    colour_fade_free(t->second_colour);
    colour_fade_free(t->thumb_colour);
}

void track_update(Control *c, int ms) {
    ScrollTrack *t = track_data(c);
    if (t->flags & TRACK_GROWING) {
        t->grow_acc += ms;
        t->shown_length += t->grow_acc / std::max(t->grow_period, 1);
        t->grow_acc %= std::max(t->grow_period, 1);
        if (t->shown_length >= t->length) {
            t->shown_length = t->length;
            t->flags &= ~TRACK_GROWING;
        }
        return;
    }
    if (!input_left_down()) t->flags &= ~TRACK_WAIT_UP;
    if (!(t->flags & (TRACK_NO_HOVER | TRACK_WAIT_UP)) && (c->flags & CTRL_HOVERED) && (c->flags & CTRL_PRESSED))
        t->flags |= TRACK_DRAGGING;
    if (t->flags & TRACK_DRAGGING) {
        bool keep = false;
        if (input_left_down()) {
            int sx = 0, sy = 0;
            control_get_screen_position(c, &sx, &sy);
            const int px = input_mouse_x() - sx, py = input_mouse_y() - sy;
            const int along = vertical(t) ? py : px, across = vertical(t) ? px : py;
            if (across >= -48 && across <= t->thickness + 48) {
                scroll_track_set_thumb(c, along - t->thumb_size / 2);
                keep = true;
            }
        }
        if (!keep) t->flags &= ~TRACK_DRAGGING;
    }
    if (t->flags & TRACK_NO_HOVER) {
        t->flags &= ~TRACK_HOVERED;
    } else if (t->flags & TRACK_HOVER) {
        const bool hovered = c->flags & CTRL_HOVERED;
        if (hovered && !(t->flags & TRACK_HOVERED)) {
            t->flags |= TRACK_HOVERED;
            if (t->hover_ms < 1) colour_fade_set(t->colour, t->hover_rgb[0], t->hover_rgb[1], t->hover_rgb[2]);
            else colour_fade_to(t->colour, t->hover_rgb[0], t->hover_rgb[1], t->hover_rgb[2], t->hover_ms, 0);
        } else if (!hovered && (t->flags & TRACK_HOVERED)) {
            t->flags &= ~TRACK_HOVERED;
            if (t->hover_ms < 1) colour_fade_set(t->colour, t->base_rgb[0], t->base_rgb[1], t->base_rgb[2]);
            else colour_fade_to(t->colour, t->base_rgb[0], t->base_rgb[1], t->base_rgb[2], t->hover_ms, 0);
        }
    }
    colour_fade_update(t->colour, ms);
    colour_fade_update(t->second_colour, ms);
    if (t->flags & TRACK_THUMB) colour_fade_update(t->thumb_colour, ms);
}

// A rectangle given along and across the track's axis, drawn in screen axes.
void fill_axis(Graphics *gfx, const ScrollTrack *t, int ox, int oy, int along, int across, int len, int thick,
               int r, int g, int b) {
    if (vertical(t)) ui_fill_rect(gfx, ox + across, oy + along, thick, len, r, g, b);
    else ui_fill_rect(gfx, ox + along, oy + across, len, thick, r, g, b);
}

void track_draw(Control *c, Graphics *gfx, int ox, int oy) {
    ScrollTrack *t = track_data(c);
    const int px = ox + c->x, py = oy + c->y;
    const int start = t->shown_length < t->length ? (t->length - t->shown_length) / 2 : 0;
    const int len = std::min(t->shown_length, t->length), thick = t->thickness;
    if (len <= 0 || thick <= 0) return;
    const ColourFade *col = t->colour;
    if (vertical(t)) ui_frame_rect(gfx, px, py + start, thick, len, col->r, col->g, col->b);
    else ui_frame_rect(gfx, px + start, py, len, thick, col->r, col->g, col->b);
    const int in_len = len - 2, in_thick = thick - 2;
    if (in_len <= 0 || in_thick <= 0) return;
    const int in_start = start + 1;
    const ColourFade *second = t->second_colour;
    if (!(t->flags & TRACK_INSET)) {
        fill_axis(gfx, t, px, py, in_start, 1, in_len, in_thick, second->r, second->g, second->b);
    } else {
        auto per_px = [&](int channel) {
            const int d = channel * t->inset / 100;
            return channel != 0 && d < 1 ? 1 : d;
        };
        const int dr = per_px(second->r), dg = per_px(second->g), db = per_px(second->b);
        const int middle = in_thick / 2;
        for (int k = 0; k < in_thick; ++k) {
            const int dist = std::abs(k - middle);
            fill_axis(gfx, t, px, py, in_start, 1 + k, in_len, 1, std::max(second->r - dist * dr, 0),
                      std::max(second->g - dist * dg, 0), std::max(second->b - dist * db, 0));
        }
    }
    if ((t->flags & TRACK_THUMB) && !(t->flags & TRACK_GROWING) && t->thumb_colour) {
        const ColourFade *th = t->thumb_colour;
        const int half = (t->flags & TRACK_NO_HOVER) ? 2 : 1;
        const int r = th->r / half, g = th->g / half, b = th->b / half;
        const int box_along = in_start + t->thumb_pos - t->thumb_size / 2;
        const int box_len = t->thumb_size;
        fill_axis(gfx, t, px, py, box_along + 1, 2, box_len - 1, in_thick - 1, r, g, b);
        const int er = r * 2 / 5, eg = g * 2 / 5, eb = b * 2 / 5;
        const int dr = er * 2 / 5, dg = eg * 2 / 5, db = eb * 2 / 5;
        // Top and left edges lit, bottom and right edges darker.
        fill_axis(gfx, t, px, py, box_along, 1, box_len, 1, er, eg, eb);
        fill_axis(gfx, t, px, py, box_along, 1, 1, in_thick, er, eg, eb);
        fill_axis(gfx, t, px, py, box_along, in_thick, box_len, 1, dr, dg, db);
        fill_axis(gfx, t, px, py, box_along + box_len - 1, 1, 1, in_thick, dr, dg, db);
    }
}

const ControlClass k_track_class = {
    .load_assets = nullptr,
    .free_assets = nullptr,
    .free_all_assets = nullptr,
    .size = track_size,
    .init = track_init,
    .free = track_free,
    .on_user_data = nullptr,
    .update = track_update,
    .draw = track_draw,
    .on_show = nullptr,
    .get_bounds = nullptr,
    .fade_out = scroll_track_fade_out,
};

void state_free(void *state) { delete static_cast<ScrollBarState *>(state); }

Control *bar_of_child(Control *child) { return child ? child->owner : nullptr; }

void call_slot(Control *panel, ControlFn ScrollBarState::*slot) {
    ScrollBarState *s = scroll_bar_state(panel);
    if (s && s->*slot) (s->*slot)(panel);
}

void on_near_arrow_click(Control *arrow) { call_slot(bar_of_child(arrow), &ScrollBarState::on_second_arrow); }
void on_far_arrow_click(Control *arrow) { call_slot(bar_of_child(arrow), &ScrollBarState::on_first_arrow); }
void on_wheel(Control *child) { call_slot(bar_of_child(child), &ScrollBarState::on_change); }

void on_track_change(Control *track) {
    Control *panel = bar_of_child(track);
    ScrollBarState *s = scroll_bar_state(panel);
    if (!s) return;
    scroll_track_get_thumb(track, &s->position, &s->range);
    if (s->on_change) s->on_change(panel);
}

}  // namespace

const ControlClass *scroll_track_class() { return &k_track_class; }

ScrollTrack *scroll_track_of(Control *c) { return c && c->type == CONTROL_SCROLL ? track_data(c) : nullptr; }

Control *scroll_track_create(int orientation, int length, int thickness) {
    Control *c = control_create(CONTROL_SCROLL);
    if (!c) return nullptr;
    ScrollTrack *t = track_data(c);
    t->orientation = orientation;
    t->length = length;
    t->thickness = thickness;
    t->flags |= TRACK_WAIT_UP;
    t->shown_length = length;
    if (orientation == 1) {
        c->w = thickness;
        c->h = length;
    } else {
        c->w = length;
        c->h = thickness;
    }
    return c;
}

void scroll_track_set_length(Control *c, int length) {
    ScrollTrack *t = scroll_track_of(c);
    if (!t || length <= 0) return;
    t->length = length;
    t->shown_length = length;
    if (vertical(t)) c->h = length;
    else c->w = length;
    if (t->flags & TRACK_THUMB) scroll_track_set_thumb(c, t->thumb_pos - t->thumb_size / 2);
}

void scroll_track_enable_thumb(Control *c) {
    ScrollTrack *t = scroll_track_of(c);
    if (!t) return;
    t->flags |= TRACK_THUMB;
    if (!t->thumb_colour) t->thumb_colour = colour_fade_create();
    t->thumb_pos = 7;
    t->thumb_size = 14;
}

void scroll_track_set_inset(Control *c) {
    if (ScrollTrack *t = scroll_track_of(c)) {
        t->flags |= TRACK_INSET;
        t->inset = 4;
    }
}

void scroll_track_set_hover_colours(Control *c, int g, int b) {
    ScrollTrack *t = scroll_track_of(c);
    if (!t) return;
    t->flags |= TRACK_HOVER;
    t->base_rgb[0] = 0;
    t->base_rgb[1] = g;
    t->base_rgb[2] = b;
    t->hover_rgb[0] = 0;
    t->hover_rgb[1] = 150;
    t->hover_rgb[2] = 60;
    t->hover_ms = 200;
    colour_fade_set(t->colour, 0, g, b);
}

void scroll_track_set_callback(Control *c, ControlFn fn) {
    if (ScrollTrack *t = scroll_track_of(c)) t->on_change = fn;
}

void scroll_track_set_thumb(Control *c, int pos) {
    ScrollTrack *t = scroll_track_of(c);
    if (!t || !(t->flags & TRACK_THUMB)) return;
    const int centre = std::min(std::max(pos, 0), thumb_range(t)) + t->thumb_size / 2;
    if (centre == t->thumb_pos) return;
    t->thumb_pos = centre;
    if (t->on_change) t->on_change(c);
}

void scroll_track_get_thumb(const Control *c, int *pos, int *range) {
    const ScrollTrack *t = c && c->type == CONTROL_SCROLL ? track_data(c) : nullptr;
    int p = 0, r = 0;
    if (t && (t->flags & TRACK_THUMB)) {
        p = t->thumb_pos - t->thumb_size / 2;
        r = thumb_range(t);
    } else if (t) {
        r = std::max(t->length - 2, 0);
    }
    if (pos) *pos = p;
    if (range) *range = r;
}

ColourFade *scroll_track_colour(Control *c) { ScrollTrack *t = scroll_track_of(c); return t ? t->colour : nullptr; }
ColourFade *scroll_track_second_colour(Control *c) { ScrollTrack *t = scroll_track_of(c); return t ? t->second_colour : nullptr; }
ColourFade *scroll_track_thumb_colour(Control *c) { ScrollTrack *t = scroll_track_of(c); return t ? t->thumb_colour : nullptr; }

void scroll_track_fade_out(Control *c, int ms) {
    ScrollTrack *t = scroll_track_of(c);
    if (!t) return;
    colour_fade_to(t->colour, 0, 0, 0, ms, 0);
    colour_fade_to(t->second_colour, 0, 0, 0, ms, 0);
    if (t->thumb_colour) colour_fade_to(t->thumb_colour, 0, 0, 0, ms, 0);
}

ScrollBarState *scroll_bar_state(Control *panel) {
    if (!panel || panel->widget_free != state_free) return nullptr;
    return static_cast<ScrollBarState *>(panel->widget_state);
}

void scroll_bar_init(Control *panel, int length, int options) {
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    panel_set_border(panel, false);
    ScrollBarState *s = new (std::nothrow) ScrollBarState{};
    if (!s) return;
    s->horizontal = (options & SCROLL_BAR_HORIZONTAL) ? 1 : 0;
    control_set_widget_state(panel, s, state_free);
    const bool horizontal = s->horizontal;
    Control *near_arrow = image_button_create_plain(horizontal ? IMAGE_ARROW_LEFT : IMAGE_ARROW_UP, on_near_arrow_click, 0, nullptr);
    Control *far_arrow = image_button_create_plain(horizontal ? IMAGE_ARROW_RIGHT : IMAGE_ARROW_DOWN, on_far_arrow_click, 0, nullptr);
    if (!near_arrow || !far_arrow) {
        control_destroy(near_arrow);
        control_destroy(far_arrow);
        return;
    }
    near_arrow->on_wheel = on_wheel;
    far_arrow->on_wheel = on_wheel;
    panel_add_child(panel, 0, 0, SCROLL_NEAR_ARROW_ID, 0, near_arrow);
    Control *track = nullptr;
    if (horizontal) {
        panel_add_child(panel, length - 1 - far_arrow->w, 0, SCROLL_FAR_ARROW_ID, 0, far_arrow);
        track = scroll_track_create(0, far_arrow->x - near_arrow->w, near_arrow->h);
        if (track) panel_add_child(panel, near_arrow->w, 0, SCROLL_TRACK_ID, 0, track);
    } else {
        panel_add_child(panel, 0, length - 1 - far_arrow->h, SCROLL_FAR_ARROW_ID, 0, far_arrow);
        track = scroll_track_create(1, far_arrow->y - near_arrow->h, near_arrow->w);
        if (track) panel_add_child(panel, 0, near_arrow->h, SCROLL_TRACK_ID, 0, track);
    }
    if (track) {
        scroll_track_enable_thumb(track);
        colour_fade_set(scroll_track_second_colour(track), 0, 50, 10);
        colour_fade_set(scroll_track_thumb_colour(track), 180, 180, 170);
        scroll_track_set_hover_colours(track, 60, 30);
        scroll_track_set_inset(track);
        scroll_track_set_callback(track, on_track_change);
        track->on_wheel = on_wheel;
        scroll_track_get_thumb(track, &s->position, &s->range);
    }
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w, h);
}

Control *scroll_bar_create(int length, int options) {
    Control *panel = panel_create_empty();
    if (panel) scroll_bar_init(panel, length, options);
    return panel;
}

void scroll_bar_set_length(Control *panel, int length) {
    ScrollBarState *s = scroll_bar_state(panel);
    Control *track = panel_find_child(panel, SCROLL_TRACK_ID);
    Control *near_arrow = panel_find_child(panel, SCROLL_NEAR_ARROW_ID);
    Control *far_arrow = panel_find_child(panel, SCROLL_FAR_ARROW_ID);
    ScrollTrack *t = scroll_track_of(track);
    if (!s || !t || !near_arrow || !far_arrow) return;
    const ControlFn saved = t->on_change;
    t->on_change = nullptr;
    if (s->horizontal) scroll_track_set_length(track, length - near_arrow->w - far_arrow->w);
    else scroll_track_set_length(track, length - near_arrow->h - far_arrow->h);
    scroll_track_get_thumb(track, &s->position, &s->range);
    t->on_change = saved;
    if (s->horizontal) control_set_position(far_arrow, track->x + track->w, far_arrow->y);
    else control_set_position(far_arrow, far_arrow->x, track->y + track->h);
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w, h);
}

void scroll_bar_set_position(Control *panel, int pos) {
    ScrollBarState *s = scroll_bar_state(panel);
    if (!s) return;
    s->position = std::clamp(pos, 0, std::max(s->range, 0));
    Control *track = panel_find_child(panel, SCROLL_TRACK_ID);
    if (ScrollTrack *t = scroll_track_of(track)) {
        const ControlFn saved = t->on_change;
        t->on_change = nullptr;
        scroll_track_set_thumb(track, s->position);
        t->on_change = saved;
    }
}

void scroll_bar_set_command(Control *panel, ControlFn fn) {
    if (ScrollBarState *s = scroll_bar_state(panel)) s->command = fn;
}
void scroll_bar_set_first_slot(Control *panel, ControlFn fn) {
    if (ScrollBarState *s = scroll_bar_state(panel)) s->on_first_arrow = fn;
}
void scroll_bar_set_second_slot(Control *panel, ControlFn fn) {
    if (ScrollBarState *s = scroll_bar_state(panel)) s->on_second_arrow = fn;
}
void scroll_bar_set_change_slot(Control *panel, ControlFn fn) {
    if (ScrollBarState *s = scroll_bar_state(panel)) s->on_change = fn;
}

void scroll_bar_get(Control *panel, int *pos, int *range) {
    ScrollBarState *s = scroll_bar_state(panel);
    if (pos) *pos = s ? s->position : 0;
    if (range) *range = s ? s->range : 0;
}

void scroll_bar_move_by(Control *panel, int step) {
    int pos = 0, range = 0;
    scroll_bar_get(panel, &pos, &range);
    scroll_bar_set_position(panel, pos + step);
}

int scroll_bar_content_offset(Control *panel, int scrollable) {
    ScrollBarState *s = scroll_bar_state(panel);
    if (!s || s->range <= 0 || scrollable <= 0) return 0;
    const int pos = std::clamp(s->position, 0, s->range);
    return static_cast<int>(static_cast<int64_t>(pos) * scrollable / s->range);
}
