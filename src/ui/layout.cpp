// Layout helpers: rows and columns of buttons, spreading, show cascade and fade-out.
#include "ui/layout.h"

#include <algorithm>
#include <new>

#include "platform/colour_fade.h"
#include "ui/image_control.h"
#include "ui/panel.h"

namespace {

void flags_free(void *state) { delete static_cast<uint32_t *>(state); }

bool counts(const Control *c) { return c && c->type == CONTROL_IMAGE && !(c->flags & (CTRL_REMOVED | CTRL_FADING)); }

// Ends a running fade at its end colour, then flashes from white back to that colour.
void flash_from_white(ColourFade *fade) {
    if (!fade) return;
    if (colour_fade_is_running(fade)) colour_fade_finish(fade);
    colour_fade_from(fade, 255, 255, 255, 400, 0);
}

}  // namespace

uint32_t panel_layout_flags(Control *panel) {
    if (!panel || panel->widget_free != flags_free || !panel->widget_state) return 0;
    return *static_cast<uint32_t *>(panel->widget_state);
}

void panel_layout_controls(Control *panel, const List<Control> *controls, uint32_t flags) {
    Panel *p = panel_of(panel);
    if (!p) return;
    uint32_t *state = new (std::nothrow) uint32_t(flags);
    if (state) control_set_widget_state(panel, state, flags_free);
    panel_remove_children(panel);
    p->flags &= ~PANEL_PLAIN_MASK;
    std::vector<Control *> laid;
    if (controls)
        for (Control *c : controls->items) {
            if (!c) break;
            laid.push_back(c);
        }
    int widest = 0;
    for (const Control *c : laid) widest = std::max(widest, c->w);
    int x = 0, y = 0;
    for (size_t i = 0; i < laid.size(); ++i) {
        Control *c = laid[i];
        panel_append_child(panel, c);
        if (flags & LAYOUT_ROW) {
            control_set_position(c, x, y);
            x += c->w + LAYOUT_GAP;
            continue;
        }
        if (image_of(c)) image_control_set_fixed_width(c, widest + 6);
        else c->w = widest + 6;
        control_set_position(c, x, y);
        if (!(flags & LAYOUT_TWO_COLUMN)) {
            y += c->h + LAYOUT_GAP;
        } else if (i % 2 == 0) {
            x += c->w + LAYOUT_GAP;
        } else {
            y += c->h + LAYOUT_GAP;
            x = 0;
        }
    }
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w, h);
    p->flags &= ~PANEL_RESIZING;
    p->scroll_x = p->scroll_y = 0;
    if (!(flags & LAYOUT_ANIMATE)) return;
    for (Control *c : laid) {
        if (!image_control_is_highlighted(c)) control_disable_for(c, 400);
        if (flags & LAYOUT_SLIDE) {
            const int tx = c->x, ty = c->y;
            control_set_position(c, -c->w, ty);
            control_move_to(c, tx, ty, 200);
        } else {
            flash_from_white(image_control_border_colour(c));
            flash_from_white(image_control_caption_colour(c));
        }
    }
}

Control *panel_make_with_layout(const List<Control> *controls, uint32_t flags) {
    Control *panel = panel_create_empty();
    if (panel) panel_layout_controls(panel, controls, flags);
    return panel;
}

void panel_spread_children(Control *panel, int length) {
    Panel *p = panel_of(panel);
    if (!p) return;
    const bool row = panel_layout_flags(panel) & LAYOUT_ROW;
    if (row) control_set_size(panel, length, panel->h);
    else control_set_size(panel, panel->w, length);
    int count = 0, sum = 0;
    for (const Control *c : p->children.items) {
        if (!counts(c)) continue;
        ++count;
        sum += row ? c->w : c->h;
    }
    int gap = 2;
    if (count >= 2) gap = std::max((length - sum) / (count - 1), 2);
    int at = 0;
    for (Control *c : p->children.items) {
        if (!counts(c)) continue;
        if (row) {
            control_set_position(c, at, 0);
            at += c->w + gap;
        } else {
            control_set_position(c, 0, at);
            at += c->h + gap;
        }
    }
}

void panel_row_highlight(Control *panel) {
    Panel *p = panel_of(panel);
    if (!p) return;
    int k = 0;
    for (Control *c : p->children.items) {
        if (!counts(c)) continue;
        const int delay = 50 + 100 * k;
        control_call_on_show(c);
        control_set_enabled(c, false);
        image_control_animate_brightness_from(c, 0, 100, 200, delay);
        if (ColourFade *border = image_control_border_colour(c))
            colour_fade_start(border, 0, 0, 0, 0, 148, 0, 200, delay, 0);
        if (ColourFade *caption = image_control_caption_colour(c))
            colour_fade_start(caption, 0, 0, 0, 190, 190, 0, 200, delay, 0);
        ++k;
    }
    for (Control *c : p->children.items)
        if (counts(c)) control_disable_for(c, 50 + 100 * k);
    panel->flags &= ~(CTRL_FADING | CTRL_DISABLED | CTRL_DISABLE_TIMER);
    if (panel->flags & CTRL_HIDDEN) control_call_on_show(panel);
    panel->flags &= ~(CTRL_HIDDEN | CTRL_SHOW_TIMER | CTRL_HIDE_TIMER);
}

void panel_close_child(Control *panel, int ms, bool remove) {
    Panel *p = panel_of(panel);
    if (!p) return;
    for (Control *c : p->children.items) {
        if (!c || c->type != CONTROL_IMAGE || (c->flags & CTRL_REMOVED)) continue;
        control_set_enabled(c, false);
        if (ColourFade *border = image_control_border_colour(c)) colour_fade_to(border, 0, 0, 0, ms, 0);
        if (ColourFade *caption = image_control_caption_colour(c)) colour_fade_to(caption, 0, 0, 0, ms, 0);
        if (ms > 0) image_control_animate_brightness(c, 0, ms, 0);
    }
    panel->flags |= CTRL_FADING | CTRL_DISABLED;
    panel->flags &= ~CTRL_DISABLE_TIMER;
    if (!remove) return;
    if (ms > 0) control_remove_after(panel, ms);
    else control_remove(panel);
    panel->flags |= CTRL_CLOSED;
    panel->id = -1;
}
