// Transfer slider: building, laying out and the thumb's moves.
#include "ui/transfer_slider.h"

#include <algorithm>
#include <new>

#include "platform/colour_fade.h"
#include "platform/str.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/scroll.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"

namespace {

constexpr int LABEL_FONT = 2;

void free_slider_state(void *data) { delete static_cast<TransferSliderState *>(data); }

// What may move right to left (into the left holder) and left to right.
int movable_left(const TransferSliderState *s) {
    int n = s->right;
    if (s->left_max >= 0 && s->left <= s->left_max) n = std::min(n, s->left_max - s->left);
    return n;
}
int movable_right(const TransferSliderState *s) {
    int n = s->left;
    if (s->right_max >= 0 && s->right <= s->right_max) n = std::min(n, s->right_max - s->right);
    return n;
}

Control *amount_label(int amount, int id, Control *panel) {
    Control *label = text_label_create(LABEL_FONT, 220, 220, 220, "%i", amount);
    if (!label) return nullptr;
    panel_add_child(panel, 0, 0, id, 1, label);
    colour_fade_start(text_label_colour(label), 0, 0, 0, 220, 220, 220, 200, 200, 0);
    return label;
}

void set_picture(Control *panel, int id, Sprite *sprite) {
    if (Control *old = panel_find_child(panel, id)) control_remove(old);
    if (!sprite) return;
    if (Control *picture = image_control_create_single(sprite)) panel_add_child(panel, 0, 0, id, 1, picture);
}

}  // namespace

TransferSliderState *transfer_slider_state(Control *panel) {
    if (!panel || panel->widget_free != free_slider_state) return nullptr;
    return static_cast<TransferSliderState *>(panel->widget_state);
}

void transfer_slider_init(Control *panel, int left, int right) {
    Panel *p = panel_of(panel);
    if (!p) return;
    panel_remove_children(panel);
    panel_set_background(panel, true);
    colour_fade_set(p->background, 0, 5, 2);
    panel_set_border(panel, true);
    colour_fade_set(p->border, 0, 12, 0);
    TransferSliderState *s = new (std::nothrow) TransferSliderState{};
    if (!s) return;
    s->left = std::max(left, 0);
    s->right = std::max(right, 0);
    s->new_left = s->left;
    s->new_right = s->right;
    control_set_widget_state(panel, s, free_slider_state);
    amount_label(s->left, SLIDER_LEFT_LABEL_ID, panel);
    amount_label(s->right, SLIDER_RIGHT_LABEL_ID, panel);
    if (Control *track = scroll_track_create(0, 20, 12)) {
        scroll_track_set_inset(track);
        colour_fade_set(scroll_track_colour(track), 0, 50, 10);
        scroll_track_set_hover_colours(track, 40, 40);
        control_set_user_data(track, panel, nullptr);
        panel_add_child(panel, 0, 0, SLIDER_TRACK_ID, 0, track);
        if (s->left + s->right != 0) {
            scroll_track_enable_thumb(track);
            colour_fade_set(scroll_track_thumb_colour(track), 180, 180, 170);
        }
    }
    transfer_slider_layout(panel);
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, s->width, h + 4);
}

Control *transfer_slider_create(int left, int right) {
    Control *panel = panel_create_empty();
    if (panel) transfer_slider_init(panel, left, right);
    return panel;
}

void transfer_slider_layout(Control *panel) {
    TransferSliderState *s = transfer_slider_state(panel);
    if (!s) return;
    Control *left_pic = panel_find_child(panel, SLIDER_LEFT_PICTURE_ID);
    Control *right_pic = panel_find_child(panel, SLIDER_RIGHT_PICTURE_ID);
    Control *left_label = panel_find_child(panel, SLIDER_LEFT_LABEL_ID);
    Control *right_label = panel_find_child(panel, SLIDER_RIGHT_LABEL_ID);
    Control *track = panel_find_child(panel, SLIDER_TRACK_ID);
    int row_h = 0;
    for (const Control *c : {left_pic, right_pic, left_label, right_label, track})
        if (c) row_h = std::max(row_h, c->h);
    const auto centre = [row_h](Control *c, int x) {
        if (c) control_set_position(c, x, 4 - c->h / 2 + row_h / 2);
    };
    int x = 4;
    if (left_pic) {
        centre(left_pic, x);
        x = left_pic->x + left_pic->w + 7;
    } else {
        x = 3;
    }
    centre(left_label, x);
    // The left label has room for the widest amount it can show.
    x += ui_text_width(LABEL_FONT, str_format("%i", s->left + s->right).c_str()) + 2;
    const int track_x = x;
    int rx = s->width - 3;
    if (right_pic) {
        rx -= right_pic->w + 4;
        centre(right_pic, rx);
        rx -= 4;
    }
    if (right_label) {
        rx -= right_label->w;
        centre(right_label, rx);
    }
    if (!track) return;
    // The thumb rests where nothing moves; placing it is not a move.
    scroll_track_set_callback(track, nullptr);
    centre(track, track_x);
    scroll_track_set_length(track, std::max(rx - 4 - track_x, 1));
    const int l = movable_left(s), r = movable_right(s);
    int range = 0;
    scroll_track_get_thumb(track, nullptr, &range);
    if (l + r != 0) scroll_track_set_thumb(track, int(int64_t(range) * l / (l + r)));
    scroll_track_get_thumb(track, &s->thumb_pos, &s->thumb_range);
    scroll_track_set_callback(track, transfer_slider_on_change);
}

void transfer_slider_on_change(Control *track) {
    Control *panel = track ? static_cast<Control *>(track->user_data) : nullptr;
    TransferSliderState *s = transfer_slider_state(panel);
    if (!s) return;
    scroll_track_get_thumb(track, &s->thumb_pos, &s->thumb_range);
    // A short track has no range: nothing can move, and nothing divides by it.
    if (s->thumb_range <= 0) return;
    const int l = movable_left(s), r = movable_right(s);
    const int moved = int(int64_t(l + r) * s->thumb_pos / s->thumb_range);
    s->new_left = s->left + l - moved;
    s->new_right = s->right - l + moved;
    if (Control *label = panel_find_child(panel, SLIDER_LEFT_LABEL_ID)) text_label_set_text_printf(label, "%i", s->new_left);
    if (Control *label = panel_find_child(panel, SLIDER_RIGHT_LABEL_ID)) {
        const int right_edge = label->x + label->w;   // the right label keeps its right edge
        text_label_set_text_printf(label, "%i", s->new_right);
        control_set_position(label, right_edge - label->w, label->y);
    }
    if (s->on_change) s->on_change(panel);
}

void transfer_slider_set_pictures(Control *panel, Sprite *left, Sprite *right) {
    TransferSliderState *s = transfer_slider_state(panel);
    if (!s) return;
    set_picture(panel, SLIDER_LEFT_PICTURE_ID, left);
    set_picture(panel, SLIDER_RIGHT_PICTURE_ID, right);
    transfer_slider_layout(panel);
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, s->width, h + 4);
}

void transfer_slider_set_limits(Control *panel, int left_max, int right_max) {
    TransferSliderState *s = transfer_slider_state(panel);
    if (!s) return;
    s->left_max = left_max;
    s->right_max = right_max;
    transfer_slider_layout(panel);
}

void transfer_slider_get_values(Control *panel, int *new_left, int *new_right) {
    const TransferSliderState *s = transfer_slider_state(panel);
    if (new_left) *new_left = s ? s->new_left : 0;
    if (new_right) *new_right = s ? s->new_right : 0;
}
