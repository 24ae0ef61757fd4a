// Question dialog and cost tag.
#include "ui/dialog.h"

#include "platform/colour_fade.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/panel.h"
#include "ui/text_block.h"
#include "ui/text_label.h"

void dialog_build(Control *panel, const char *question, const char *yes_text, const char *no_text, ControlFn on_yes,
                  void *yes_arg, ControlFn on_no, void *no_arg, int flags) {
    Panel *p = panel_of(panel);
    if (!p) return;
    panel_remove_children(panel);
    p->flags &= ~PANEL_PLAIN_MASK_KEEP_BORDER;
    panel_set_background(panel, true);
    panel_set_border(panel, true);
    colour_fade_set(p->background, 0, 0, 6);
    colour_fade_set_idle_loop(p->border, 160, 60, 60, 140, 140, 140, 1000, true);

    const bool keys = flags & DIALOG_KEYS;
    List<Control> buttons;
    Control *no = image_button_create(IMAGE_NO, DIALOG_BUTTON_FONT, no_text, on_no, keys ? 'n' : 0, no_arg);
    Control *yes = image_button_create(IMAGE_YES, DIALOG_BUTTON_FONT, yes_text, on_yes, keys ? 'y' : 0, yes_arg);
    if (no) {
        no->id = DIALOG_NO_ID;
        list_append(&buttons, no);
    }
    if (yes) {
        yes->id = DIALOG_YES_ID;
        list_append(&buttons, yes);
    }
    Control *row = panel_create_empty();
    if (!row) {
        control_destroy(no);
        control_destroy(yes);
        return;
    }
    panel_layout_controls(row, &buttons, LAYOUT_ROW);
    panel_add_child(panel, 0, 0, DIALOG_ROW_ID, 0, row);
    panel_spread_children(row, row->w + 48);

    Control *text = ui_tile_create(question, 1, row->w - 12, 0, 230, 230, 230, TILE_CENTRE);
    int text_h = 0;
    if (text) {
        panel_add_child(panel, row->w / 2 - text->w / 2 + 6, 6, 0, 1, text);
        text_h = text->h;
    }
    control_set_position(row, 6, text_h + 26);
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    p->scroll_x = p->scroll_y = 0;
    control_set_size(panel, w + 6, h + 6);
    control_set_position(row, 6, row->y);
}

Control *dialog_create(const char *question, const char *yes_text, const char *no_text, ControlFn on_yes,
                       void *yes_arg, ControlFn on_no, void *no_arg, int flags) {
    Control *panel = panel_create_empty();
    if (panel) dialog_build(panel, question, yes_text, no_text, on_yes, yes_arg, on_no, no_arg, flags);
    return panel;
}

void dialog_click_button(Control *dialog) {
    Control *row = panel_find_child(dialog, DIALOG_ROW_ID);
    Control *no = panel_find_child(row, DIALOG_NO_ID);
    if (no && no->on_click) no->on_click(no);
}

void cost_tag_build(Control *panel, int credits, int amount, int flags) {
    Panel *p = panel_of(panel);
    if (!p) return;
    panel_remove_children(panel);
    p->flags &= ~PANEL_PLAIN_MASK;
    Control *frame = panel_create_empty();
    if (!frame) return;
    panel_add_child(panel, 0, 0, COST_TAG_FRAME_ID, 1, frame);
    panel_set_background(frame, true);
    colour_fade_set(panel_background_colour(frame), 2, 2, 2);
    panel_set_border(frame, true);
    panel_set_bevel(frame, true);
    colour_fade_set(panel_border_colour(frame), 36, 36, 36);

    Control *icon = image_control_create(IMAGE_CREDITS);
    Control *label = text_label_create(2, 200, 160, 20, "$%i", credits);
    Control *icon2 = image_control_create(IMAGE_CLOCK);
    Control *label2 = text_label_create(2, 200, 160, 20, "%i", amount);
    if (!icon || !label || !icon2 || !label2) {
        control_destroy(icon);
        control_destroy(label);
        control_destroy(icon2);
        control_destroy(label2);
        return;
    }
    panel_add_child(frame, 6, 4, COST_TAG_CREDITS_ICON_ID, 1, icon);
    const int lx = 6 + icon->w + 8;
    panel_add_child(frame, lx, icon->h / 2 - label->h / 2 + 4, COST_TAG_CREDITS_LABEL_ID, 1, label);
    const int ix = lx + label->w + 20;
    panel_add_child(frame, ix, 4, COST_TAG_DAYS_ICON_ID, 1, icon2);
    panel_add_child(frame, ix + icon2->w + 8, icon2->h / 2 - label2->h / 2 + 4, COST_TAG_DAYS_LABEL_ID, 1, label2);
    int w = 0, h = 0;
    panel_layout(frame, &w, &h);
    control_set_size(frame, w + 6, h + 4);
    if (flags & COST_TAG_SLIDE) {
        control_set_position(frame, -frame->w, frame->y);
        control_move_to(frame, 0, frame->y, 200);
    }
    panel_layout(panel, &w, &h);
    control_set_size(panel, w, h);
}

Control *cost_tag_create(int credits, int amount, int flags) {
    Control *panel = panel_create_empty();
    if (panel) cost_tag_build(panel, credits, amount, flags);
    return panel;
}
