// Text blocks (word-wrapped labels) and title bars.
#include "ui/text_block.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/colour_fade.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"

namespace {

struct TileColour {
    uint8_t r, g, b;
};

void tile_colour_free(void *state) { delete static_cast<TileColour *>(state); }

struct TitleBarState {
    ControlFn close;
};

void title_state_free(void *state) { delete static_cast<TitleBarState *>(state); }

bool is_blank(char c) { return c == ' ' || c == '\t'; }

int measure(const char *text, size_t from, size_t to, int font) {
    return ui_text_width_n(font, text + from, static_cast<int>(to - from));
}

void on_close_click(Control *button) {
    Control *bar = static_cast<Control *>(button->user_data);
    if (!bar || bar->widget_free != title_state_free) return;
    const TitleBarState *s = static_cast<const TitleBarState *>(bar->widget_state);
    if (s && s->close) s->close(bar);
}

void size_to_children(Control *panel, int dw, int dh) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + dw, h + dh);
}

}  // namespace

std::vector<std::string> ui_wrap_text(const char *text, int font, int width) {
    std::vector<std::string> lines;
    if (!text) return lines;
    const size_t len = std::strlen(text);
    size_t start = 0;
    for (size_t i = 0; i < len; ++i) {
        const char c = text[i];
        if (c == '\n' || c == '\r') {
            lines.emplace_back(text + start, i - start);
            start = i + 1;
            continue;
        }
        if (measure(text, start, i + 1, font) <= width) continue;
        // Too wide: break at the last blank of the line; a word longer than the line stands alone.
        size_t blank = i + 1;
        for (size_t j = i + 1; j > start; --j)
            if (is_blank(text[j - 1])) { blank = j - 1; break; }
        if (blank > i) continue;
        if (blank > start) lines.emplace_back(text + start, blank - start);
        start = blank + 1;
    }
    if (start < len) lines.emplace_back(text + start, len - start);
    return lines;
}

void ui_tile_init(Control *panel, const char *text, int font, int width, int margin, int r, int g, int b,
                  int options) {
    Panel *p = panel_of(panel);
    if (!p) return;
    panel_remove_children(panel);
    p->flags &= ~PANEL_PLAIN_MASK;
    TileColour *colour = new (std::nothrow) TileColour{static_cast<uint8_t>(r), static_cast<uint8_t>(g),
                                                        static_cast<uint8_t>(b)};
    if (colour) control_set_widget_state(panel, colour, tile_colour_free);
    const int line_h = ui_line_height(font);
    int x0 = margin, y = margin, icon_offset = 0, avail = width - 2 * margin;
    if (options & (TILE_BULLET | TILE_BULLET_LIT)) {
        const int frame = ((options & TILE_BULLET_LIT) && image_type_frame_count(IMAGE_BULLET) >= 2) ? 1 : 0;
        Control *icon = image_control_create_frame(IMAGE_BULLET, frame);
        if (icon) {
            panel_add_child(panel, margin, margin, 0, 0, icon);
            x0 = margin + icon->w + 8;
            icon_offset = icon->h / 2 - line_h / 2;
            y = margin + icon_offset;
            avail -= icon->w + 8;
        }
    }
    const std::vector<std::string> lines = ui_wrap_text(text, font, avail);
    for (size_t k = 0; k < lines.size(); ++k) {
        Control *label = text_label_create_plain(font, r, g, b, lines[k].c_str());
        if (!label) continue;
        label->tag = TEXT_BLOCK_LABEL_TAG;
        panel_add_child(panel, x0, y, 0, 0, label);
        y += label->h + 6;
        ColourFade *fade = text_label_colour(label);
        if (options & TILE_FADE_IN) {
            const int delay = (options & TILE_STAGGER) ? 75 * static_cast<int>(k) : 0;
            colour_fade_start(fade, 0, 0, 0, r, g, b, 200, delay, 0);
        }
        if (options & TILE_PULSE) colour_fade_set_idle_loop(fade, r, g, b, 245, 245, 245, 1200, true);
    }
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    if (margin != 0) {
        w += margin;
        h += margin;
    }
    if (icon_offset > 0) h += icon_offset;
    control_set_size(panel, w, h);
    if (options & TILE_CENTRE) {
        for (Control *c : p->children.items) {
            if (!c || c->type != CONTROL_TEXT || (c->flags & CTRL_REMOVED)) continue;
            control_set_position(c, (panel->w - x0) / 2 - c->w / 2 + x0, c->y);
        }
    }
}

Control *ui_tile_create(const char *text, int font, int width, int margin, int r, int g, int b, int options) {
    Control *panel = panel_create_empty();
    if (panel) ui_tile_init(panel, text, font, width, margin, r, g, b, options);
    return panel;
}

void ui_tile_set_text_colour(Control *panel) {
    Panel *p = panel_of(panel);
    if (!p || panel->widget_free != tile_colour_free || !panel->widget_state) return;
    const TileColour *colour = static_cast<const TileColour *>(panel->widget_state);
    for (Control *c : p->children.items) {
        ColourFade *fade = text_label_colour(c);
        if (!fade || (c->flags & CTRL_REMOVED)) continue;
        colour_fade_clear_idle_loop(fade);
        colour_fade_set(fade, colour->r, colour->g, colour->b);
    }
}

void ui_button_init(Control *panel, const char *title, const char *value_text, ControlFn close, void *context,
                    int options) {
    Panel *p = panel_of(panel);
    if (!p) return;
    panel_remove_children(panel);
    panel_set_background(panel, true);
    colour_fade_set(p->background, 22, 0, 22);
    panel_set_border(panel, true);
    colour_fade_set(p->border, 11, 0, 0);
    TitleBarState *state = new (std::nothrow) TitleBarState{close};
    if (state) control_set_widget_state(panel, state, title_state_free);
    control_set_user_data(panel, context, nullptr);

    Control *label = text_label_create_plain(5, 230, 230, 230, title);
    int x = 4;
    if (label) {
        panel_add_child(panel, 4, 4, TITLE_LABEL_ID, 1, label);
        x = label->w + 20;
    }
    if (options & TITLE_VALUE_BOX) {
        Control *box = panel_create_empty();
        if (box) {
            panel_add_child(panel, x, 3, TITLE_VALUE_BOX_ID, 1, box);
            panel_set_background(box, true);
            colour_fade_set(panel_background_colour(box), 4, 4, 6);
            panel_set_border(box, true);
            colour_fade_set(panel_border_colour(box), 0, 0, 24);
            if (value_text) {
                Control *value = text_label_create_plain(0, 230, 230, 0, value_text);
                if (value) panel_add_child(box, 6, 4, TITLE_VALUE_LABEL_ID, 1, value);
                size_to_children(box, 6, 4);
            } else {
                control_set_size(box, 40, ui_line_height(0) + 12);
            }
            x = box->x + box->w - 1 + 4;
        }
    }
    if (options & TITLE_CLOSE) {
        Control *button = image_button_create_plain(IMAGE_CLOSE, on_close_click, 27, panel);
        if (button) {
            button->flags |= CTRL_NO_HINT;
            panel_add_child(panel, x, 3, TITLE_CLOSE_ID, 0, button);
        }
    }
    size_to_children(panel, 2, 4);
    if (options & TITLE_ANIMATE) {
        const int w = panel->w;
        control_set_size(panel, 10, panel->h);
        panel_set_draw_children_while_resizing(panel, true);
        panel_resize_to(panel, w, panel->h, 200);
        colour_fade_from(p->border, 0, 255, 0, 300, 0);
    }
}

Control *ui_button_create(const char *title, const char *value_text, ControlFn close, void *context, int options) {
    Control *panel = panel_create_empty();
    if (panel) ui_button_init(panel, title, value_text, close, context, options);
    return panel;
}

void ui_button_replace_caption(Control *panel, const char *text) {
    Control *box = panel_find_child(panel, TITLE_VALUE_BOX_ID);
    if (!box) return;
    panel_find_child_fade_out(box, TITLE_VALUE_LABEL_ID, 200);
    Control *value = text_label_create_plain(0, 230, 230, 0, text);
    if (value) panel_add_child(box, 6, 4, TITLE_VALUE_LABEL_ID, 1, value);
}

void ui_button_get_child_rect(Control *panel, int *x, int *y, int *w, int *h) {
    const Control *label = panel_find_child(panel, TITLE_LABEL_ID);
    if (x) *x = label ? label->x : 0;
    if (y) *y = label ? label->y : 0;
    if (w) *w = label ? label->w : 0;
    if (h) *h = label ? label->h : 0;
}

void ui_button_get_caption_width(Control *panel, int, int *w) {
    const Control *button = panel_find_child(panel, TITLE_CLOSE_ID);
    if (w) *w = button ? button->w : 0;
}

void ui_control_resize(Control *panel, int width, bool animate) {
    Panel *p = panel_of(panel);
    if (!p) return;
    if (animate) {
        p->flags &= ~PANEL_RESIZING;
        p->scroll_x = p->scroll_y = 0;
        panel_resize_to(panel, width, panel->h, 200);
    } else {
        control_set_size(panel, width, panel->h);
    }
    Control *button = panel_find_child(panel, TITLE_CLOSE_ID);
    const int close_w = button ? button->w : 0;
    if (button) {
        if (animate) control_move_to(button, width - button->w - 2, button->y, 200);
        else control_set_position(button, width - button->w - 2, button->y);
    }
    Control *box = panel_find_child(panel, TITLE_VALUE_BOX_ID);
    if (box) {
        const int bw = button ? width - box->x - close_w - 6 : width - box->x - 6;
        if (animate) panel_resize_to(box, bw, box->h, 200);
        else control_set_size(box, bw, box->h);
    }
}
