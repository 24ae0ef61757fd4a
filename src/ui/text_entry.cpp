// Text entry: building the field, beginning and ending an edit, and the keys.
#include "ui/text_entry.h"

#include <algorithm>
#include <new>

#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/input.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"

namespace {

constexpr int KEY_BACKSPACE = 8;
constexpr int KEY_ENTER = 13;
constexpr int KEY_KEYPAD_ENTER = 271;
constexpr int BUTTON_GAP = 3;

void free_entry_state(void *data) { delete static_cast<TextEntryState *>(data); }

bool blank(const std::string &text) { return text.find_first_not_of(' ') == std::string::npos; }

struct Layout {
    int y0, x0, bottom_pad, frame_pad, font, icon_frame;
};

Layout layout_for(bool compact) {
    return compact ? Layout{4, 4, 2, 3, 0, 0} : Layout{5, 0, 3, 5, 1, 1};
}

Control *view_of(Control *panel) { return panel_find_child(panel, TEXT_ENTRY_VIEW_ID); }

// The cursor behind the label, and the view scrolled so that it shows.
void place_cursor(Control *panel, TextEntryState *s) {
    Control *view = view_of(panel);
    Control *cursor = view ? panel_find_child(view, TEXT_ENTRY_CURSOR_ID) : nullptr;
    if (!cursor || !s->label) return;
    control_set_position(cursor, s->label->x + s->label->w + 2, cursor->y);
    const int right = cursor->x + cursor->w;
    panel_set_scroll(view, right <= view->w ? 0 : right - view->w, 0);
}

void show_text(Control *panel, TextEntryState *s) {
    if (s->label) text_label_set_text(s->label, s->text.c_str());
    place_cursor(panel, s);
}

Control *button_of(Control *panel, int id) { return panel_find_child(panel, id); }

void set_accept_enabled(Control *accept, bool on) {
    control_set_enabled(accept, on);
    image_control_animate_grey(accept, on ? 100 : 0, on ? 0 : 100, 200);
}

Control *make_button(Control *panel, int type, ControlFn click, int id) {
    Control *b = image_button_create_plain(type, click, 0, panel);
    if (!b) return nullptr;
    if (image_type_frame_count(type) >= 2) image_control_set_frame(b, 1);
    panel_add_child(panel, 0, 0, id, 0, b);
    return b;
}

void ignore_key(Control *) {}

// Ends an edit: cancel brings back the saved text. Then the screen's callback.
void end_edit(Control *panel, bool accepted) {
    TextEntryState *s = text_entry_state(panel);
    if (!s || !s->editing) return;
    if (!accepted) s->text = s->saved_text;
    s->editing = 0;
    Panel *p = panel_of(panel);
    colour_fade_to(p->background, 0, 0, 0, 200, 0);
    colour_fade_to(p->border, 40, 40, 40, 200, 0);
    p->flags |= PANEL_BG_HOVER | PANEL_BORDER_HOVER;
    control_disable_for(panel, 200);
    if (s->label) colour_fade_to(text_label_colour(s->label), s->colour[0], s->colour[1], s->colour[2], 200, 0);
    for (int id : {TEXT_ENTRY_ACCEPT_ID, TEXT_ENTRY_CANCEL_ID})
        if (Control *b = button_of(panel, id)) control_remove(b);
    if (Control *view = view_of(panel)) {
        if (Control *cursor = panel_find_child(view, TEXT_ENTRY_CURSOR_ID)) control_fade_out(cursor, 160);
        control_set_size(view, s->view_width, view->h);
        panel_set_scroll(view, 0, 0);
    }
    if (Control *icon = panel_find_child(panel, TEXT_ENTRY_ICON_ID)) image_control_animate_brightness(icon, 100, 200, 0);
    if (s->label) text_label_set_text(s->label, s->text.c_str());
    panel->on_key_down = nullptr;
    panel->on_key_up = nullptr;
    if (ControlRoot *root = control_root(); root && root->focus_control == panel) game_set_focus_control(root, nullptr);
    const ControlFn done = accepted ? s->accept_fn : s->cancel_fn;
    if (done) done(panel);
}

}  // namespace

TextEntryState *text_entry_state(Control *panel) {
    if (!panel || panel->widget_free != free_entry_state) return nullptr;
    return static_cast<TextEntryState *>(panel->widget_state);
}

void text_entry_dialog(Control *panel, const char *text, int width, int options) {
    Panel *p = panel_of(panel);
    if (!p) return;
    panel_remove_children(panel);
    p->flags &= ~PANEL_PLAIN_MASK_KEEP_BORDER;
    panel_set_border_hover(panel, 40, 40, 40, 60, 190, 60, 200);
    panel_set_background_hover(panel, 0, 0, 0, 10, 10, 10, 200);
    panel->on_click = text_entry_build;
    TextEntryState *s = new (std::nothrow) TextEntryState{};
    if (!s) return;
    s->text = s->saved_text = text ? text : "";
    s->replace = (options & TEXT_ENTRY_REPLACE) != 0;
    s->compact = (options & TEXT_ENTRY_COMPACT) != 0;
    s->require_change = (options & TEXT_ENTRY_REQUIRE_CHANGE) != 0;
    s->require_text = (options & TEXT_ENTRY_REQUIRE_TEXT) != 0;
    s->valid = !s->require_change && !(s->require_text && blank(s->text));
    control_set_widget_state(panel, s, free_entry_state);

    const Layout l = layout_for(s->compact);
    int y0 = l.y0, x0 = l.x0;
    if (options & TEXT_ENTRY_ICON) {
        if (Control *icon = image_control_create_frame(IMAGE_TEXT_ENTRY, l.icon_frame)) {
            panel_add_child(panel, 0, y0, TEXT_ENTRY_ICON_ID, 1, icon);
            if (options & TEXT_ENTRY_ATTENTION) {
                if (Control *frame = panel_create_empty()) {
                    panel_add_child(panel, icon->x - 2, icon->y - 2, TEXT_ENTRY_ATTENTION_ID, 1, frame);
                    control_set_size(frame, icon->w + l.frame_pad, icon->h + l.frame_pad);
                    frame->layer = 1;
                    panel_set_border(frame, true);
                    colour_fade_start(panel_border_colour(frame), 0, 0, 0, 240, 32, 32, 300, 0,
                                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
                    control_remove_after(frame, 2400);
                }
                y0 += 2;
            }
            x0 += icon->w + 2;   // the text starts after the icon
        }
    }
    Control *view = panel_create_empty();
    Control *label = text_label_create_plain(l.font, s->colour[0], s->colour[1], s->colour[2], s->text.c_str());
    if (!view || !label) {
        control_destroy(view);
        control_destroy(label);
        return;
    }
    panel_add_child(panel, x0 + 4, y0 - 3, TEXT_ENTRY_VIEW_ID, 1, view);
    panel_add_child(view, 0, 3, TEXT_ENTRY_LABEL_ID, 1, label);
    s->label = label;
    s->view_width = std::max(1, width - view->x - 3);
    control_set_size(view, s->view_width, std::max(label->h, ui_line_height(l.font)) + 6);
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, width, h + l.bottom_pad);
}

Control *text_entry_create(const char *text, int width, int options) {
    Control *panel = panel_create_empty();
    if (panel) text_entry_dialog(panel, text, width, options);
    return panel;
}

void text_entry_build(Control *panel) {
    TextEntryState *s = text_entry_state(panel);
    if (!s || s->editing) return;
    s->editing = 1;
    s->changed = 0;
    s->saved_text = s->text;
    Panel *p = panel_of(panel);
    p->flags &= ~(PANEL_BG_HOVER | PANEL_BORDER_HOVER);
    colour_fade_to(p->background, 0, 10, 0, 200, 0);
    colour_fade_to(p->border, 130, 130, 130, 200, 0);
    if (s->label) colour_fade_to(text_label_colour(s->label), 230, 255, 230, 200, 0);
    if (Control *icon = panel_find_child(panel, TEXT_ENTRY_ICON_ID)) image_control_animate_brightness(icon, 0, 200, 0);

    // The buttons stand at the right end of the field; the view makes room for them.
    Control *cancel = make_button(panel, IMAGE_NO, text_entry_cancel_button, TEXT_ENTRY_CANCEL_ID);
    Control *accept = make_button(panel, IMAGE_YES, text_entry_accept_button, TEXT_ENTRY_ACCEPT_ID);
    int right = panel->w - BUTTON_GAP;
    for (Control *b : {cancel, accept}) {
        if (!b) continue;
        right -= b->w;
        control_set_position(b, right, panel->h / 2 - b->h / 2);
        right -= BUTTON_GAP;
    }
    if (accept && s->require_change) {
        set_accept_enabled(accept, false);
        s->valid = 0;
    }
    Control *view = view_of(panel);
    if (view) {
        control_set_size(view, std::max(1, std::min(s->view_width, right - view->x)), view->h);
        if (Control *cursor = image_control_create(IMAGE_TEXT_CURSOR)) {
            const int y = s->label ? s->label->y - (s->compact ? 1 : 3) : 0;
            panel_add_child(view, 0, y, TEXT_ENTRY_CURSOR_ID, 1, cursor);
            cursor->layer = -1;
        }
        place_cursor(panel, s);
    }
    if (Control *frame = panel_find_child(panel, TEXT_ENTRY_ATTENTION_ID)) control_remove(frame);
    panel->on_key_down = text_entry_on_key;
    panel->on_key_up = ignore_key;
    if (ControlRoot *root = control_root()) game_set_focus_control(root, panel);
}

void text_entry_begin_edit(Control *panel) { text_entry_build(panel); }

void text_entry_on_key(Control *panel) {
    TextEntryState *s = text_entry_state(panel);
    if (!s || !s->editing) return;
    const int key = panel->held_key;
    if (key == INPUT_KEY_ESCAPE) {
        end_edit(panel, false);
        return;
    }
    if (key == KEY_ENTER || key == KEY_KEYPAD_ENTER) {
        if (s->valid) end_edit(panel, true);
        return;
    }
    if (key == KEY_BACKSPACE) {
        if (s->text.empty()) return;
        if (s->replace) s->text.clear();
        else s->text.pop_back();
        s->replace = 0;
    } else {
        // A key that types nothing (a function key) leaves the text alone, even a text that the
        // next key would replace.
        const char c = input_key_to_char(key, input_shift_down());
        if (c == 0) return;
        if (s->replace) s->text.clear();
        s->replace = 0;
        if (s->max_length > 0 && int(s->text.size()) >= s->max_length) return;
        s->text.push_back(c);
    }
    show_text(panel, s);

    Control *accept = button_of(panel, TEXT_ENTRY_ACCEPT_ID);
    if (accept) {
        const bool off = (accept->flags & CTRL_DISABLED) && !(accept->flags & CTRL_DISABLE_TIMER);
        if (off) {
            bool passes = false;
            if (s->require_text) passes = !blank(s->text);   // with both options this test alone decides
            else if (s->require_change) passes = !s->changed;
            if (passes) {
                set_accept_enabled(accept, true);
                s->valid = 1;
            }
        } else if (s->require_text && blank(s->text)) {
            set_accept_enabled(accept, false);
            s->valid = 0;
        }
    }
    s->changed = 1;
}

void text_entry_accept_button(Control *button) {
    Control *panel = button ? static_cast<Control *>(button->user_data) : nullptr;
    TextEntryState *s = text_entry_state(panel);
    if (s && s->valid) end_edit(panel, true);
}

void text_entry_cancel_button(Control *button) {
    Control *panel = button ? static_cast<Control *>(button->user_data) : nullptr;
    end_edit(panel, false);
}

void text_entry_accept(Control *panel) {
    TextEntryState *s = text_entry_state(panel);
    if (s && s->editing && s->valid) end_edit(panel, true);
}

void text_entry_close(Control *panel) {
    end_edit(panel, false);
    if (Control *frame = panel_find_child(panel, TEXT_ENTRY_ATTENTION_ID)) control_remove(frame);
}

void text_entry_set_text(Control *panel, const char *text) {
    TextEntryState *s = text_entry_state(panel);
    if (!s) return;
    s->text = text ? text : "";
    show_text(panel, s);
}

const char *text_entry_get_text(Control *panel) {
    const TextEntryState *s = text_entry_state(panel);
    return s ? s->text.c_str() : "";
}

bool text_entry_is_editing(Control *panel) {
    const TextEntryState *s = text_entry_state(panel);
    return s && s->editing;
}

bool text_entry_is_valid(Control *panel) {
    const TextEntryState *s = text_entry_state(panel);
    return s && s->valid;
}

void text_entry_select_all(Control *panel) {
    if (TextEntryState *s = text_entry_state(panel)) s->replace = 1;
}

void text_entry_set_max_length(Control *panel, int n) {
    if (TextEntryState *s = text_entry_state(panel)) s->max_length = n;
}

void text_entry_set_accept_fn(Control *panel, ControlFn fn) {
    if (TextEntryState *s = text_entry_state(panel)) s->accept_fn = fn;
}
