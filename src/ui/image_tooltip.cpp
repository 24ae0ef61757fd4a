// The image control's tooltip: a small panel over the button while the pointer rests on it.
#include "ui/image_control.h"

#include <algorithm>

#include "platform/colour_fade.h"
#include "ui/game_controls.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"

namespace {

// Centres each child vertically on the tallest of them.
void centre_rows(Control *panel, int top) {
    Panel *p = panel_of(panel);
    int tallest = 0;
    for (Control *child : p->children.items) tallest = std::max(tallest, child->h);
    for (Control *child : p->children.items) control_set_position(child, child->x, top + tallest / 2 - child->h / 2);
}

void remove_tooltip(ControlRoot *root, const Control *owner_or_null) {
    if (!root || !root->controls) return;
    for (Control *c : root->controls->items) {
        if (!c || (c->flags & CTRL_REMOVED) || c->id != CONTROL_ID_TOOLTIP) continue;
        if (owner_or_null && c->user_data != owner_or_null) return;
        control_remove(c);
        return;
    }
}

}  // namespace

void image_control_tooltip_show(Control *c) {
    ImageControl *im = image_of(c);
    if (!im) return;
    ControlRoot *root = control_root();
    remove_tooltip(root, nullptr);
    im->options |= IMG_CAPTION_HIDDEN;
    Control *tip = panel_create_empty();
    if (!tip) return;
    tip->id = CONTROL_ID_TOOLTIP;
    panel_set_shade(tip, 4);
    panel_set_border(tip, true);
    colour_fade_set(panel_border_colour(tip), 4, 4, 4);
    control_set_enabled(tip, false);
    const char *text = im->tooltip_text ? im->tooltip_text : "";
    switch (im->tooltip_kind) {
    case 1: {
        Control *icon = image_control_create_frame(im->tooltip_a, im->tooltip_b);
        panel_add_child(tip, 3, 3, 0, 0, icon);
        const int x = 3 + (icon ? icon->w : 0) + 4;
        panel_add_child(tip, x, 3, 0, 0, text_label_create_plain(2, 220, 240, 220, text));
        centre_rows(tip, 3);
        break;
    }
    case 2: {
        const int f51 = image_type_frame_count(IMAGE_ACTION_POINTS) >= 2 ? 1 : 0;
        Control *icon_a = image_control_create_frame(IMAGE_ACTION_POINTS, f51);
        panel_add_child(tip, 3, 3, 0, 0, icon_a);
        Control *label_a = text_label_create(2, 220, 240, 220, "%i", im->tooltip_a);
        const int xa = 3 + (icon_a ? icon_a->w : 0) + 9;
        panel_add_child(tip, xa, 3, 0, 0, label_a);
        Control *icon_b = image_control_create(IMAGE_CLOCK);
        const int xb = xa + (label_a ? label_a->w : 0) + 12;
        panel_add_child(tip, xb, 3, 0, 0, icon_b);
        Control *label_b = text_label_create(2, 220, 240, 220, "%i", im->tooltip_b);
        panel_add_child(tip, xb + (icon_b ? icon_b->w : 0) + 6, 3, 0, 0, label_b);
        centre_rows(tip, 3);
        break;
    }
    default:
        panel_add_child(tip, 3, 3, 0, 0, text_label_create_plain(2, 230, 10, 10, text));
        break;
    }
    int w = 0, h = 0;
    panel_layout(tip, &w, &h);
    control_set_size(tip, w + 3, h + 3);
    int sx = 0, sy = 0;
    control_get_screen_position(c, &sx, &sy);
    // Centred on its button, but whole on the screen: a button at the edge keeps its reason readable.
    control_set_position(tip, std::clamp(sx + c->w / 2 - tip->w / 2, 0, std::max(ui_screen_width() - tip->w, 0)),
                         std::clamp(sy + c->h / 2 - tip->h / 2, 0, std::max(ui_screen_height() - tip->h, 0)));
    control_set_user_data(tip, c, nullptr);
    tip->layer = CONTROL_LAYER_POPUP;
    // The tooltip keeps its button and goes with it, also when the button is removed while hovered.
    control_set_linked(tip, c);
    game_queue_control(root, tip);
}

void image_control_tooltip_hide(Control *c) {
    ImageControl *im = image_of(c);
    if (!im) return;
    remove_tooltip(control_root(), c);
    im->options &= ~IMG_CAPTION_HIDDEN;
}

