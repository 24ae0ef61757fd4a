// Drop-down choice: the choice panel, its popup list and the detail popup beside it.
#include "ui/choice.h"

#include <new>

#include "platform/colour_fade.h"
#include "platform/input.h"
#include "ui/game_controls.h"
#include "ui/panel.h"
#include "ui/text_block.h"
#include "ui/text_label.h"

namespace {

void free_item(ChoiceItem *item) { delete item; }

void free_choice_state(void *data) {
    ChoiceState *state = static_cast<ChoiceState *>(data);
    if (!state) return;
    list_free(state->items);
    delete state;
}

void release_user_control(void *data) { control_release(static_cast<Control *>(data)); }

const ChoiceItem *item_of_value(const ChoiceState *state, int value) {
    if (!state->items) return nullptr;
    for (const ChoiceItem *item : state->items->items) {
        if (!item) break;
        if (item->value == value) return item;
    }
    return nullptr;
}

// The label of the current item, centred in the choice.
void show_label(Control *choice, const std::string &text) {
    Control *label = text_label_create_plain(1, 220, 220, 40, text.c_str());
    if (!label) return;
    panel_add_child(choice, choice->w / 2 - label->w / 2, choice->h / 2 - label->h / 2, CHOICE_LABEL_ID, 1, label);
}


void close_popup(Control *popup) { control_remove(popup); }

Control *popup_row(Control *choice, Control *popup, const ChoiceItem &item, int font) {
    Control *row = panel_create_empty();
    if (!row) return nullptr;
    panel_set_background_hover(row, 2, 2, 2, 20, 20, 100, 100);
    panel_of(row)->value = item.value;
    control_set_user_data(row, popup, nullptr);
    row->on_click = choice_pick;
    Control *text = text_label_create_plain(font, 230, 230, 100, item.text.c_str());
    if (text) panel_add_child(row, choice->w / 2 - text->w / 2, 3, 0, 1, text);
    control_set_size(row, choice->w, (text ? 3 + text->h : 3) + 3);
    return row;
}

void open_detail(ControlRoot *root, Control *popup, const ChoiceState *state) {
    Control *detail = panel_create_empty();
    if (!detail) return;
    Control *name = text_label_create_plain(1, 0, 230, 0, state->label.c_str());
    int y = 5;
    if (name) {
        panel_add_child(detail, 5, y, 0, 1, name);
        y += name->h + 4;
    }
    if (Control *text = ui_tile_create(state->tooltip.c_str(), 1, 256, 0, 230, 230, 230, 0))
        panel_add_child(detail, 5, y, 0, 1, text);
    panel_relayout(detail);
    panel_grow(detail, 5, 5);
    if (game_open_popup(root, detail, popup, PLACE_RIGHT_OF) != RES_OK) control_remove(detail);
}

}  // namespace

List<ChoiceItem> *choice_items_create() {
    List<ChoiceItem> *items = list_create<ChoiceItem>();
    if (items) list_set_free_fn(items, free_item);
    return items;
}

ChoiceItem *choice_add_item(List<ChoiceItem> *items, int value, const char *text) {
    if (!items) return nullptr;
    ChoiceItem *item = new (std::nothrow) ChoiceItem{};
    if (!item) return nullptr;
    try {
        item->text = text ? text : "";   // the caller's buffer may go away: the item keeps its own
    } catch (const std::bad_alloc &) {
        delete item;
        return nullptr;
    }
    item->value = value;
    if (list_append(items, item) < 0) {
        delete item;
        return nullptr;
    }
    return item;
}

ChoiceState *choice_state(Control *choice) {
    if (!choice || choice->widget_free != free_choice_state) return nullptr;
    return static_cast<ChoiceState *>(choice->widget_state);
}

void choice_init(Control *panel, List<ChoiceItem> *items, int value) {
    Panel *p = panel_of(panel);
    if (!p) {
        list_free(items);
        return;
    }
    panel_remove_children(panel);
    panel_set_border_hover(panel, 40, 40, 40, 60, 190, 60, 200);
    panel_set_background(panel, true);
    colour_fade_set(p->background, 2, 2, 2);
    ChoiceState *state = new (std::nothrow) ChoiceState{};
    if (!state) {
        list_free(items);
        return;
    }
    if (items && !items->free_fn) list_set_free_fn(items, free_item);
    state->items = items;
    state->value = value;
    control_set_widget_state(panel, state, free_choice_state);
    panel->on_click = choice_open;
    panel->flags |= CTRL_CLICK_SOUND;
    if (const ChoiceItem *current = item_of_value(state, value)) show_label(panel, current->text);
}

Control *choice_create(List<ChoiceItem> *items, int value) {
    Control *panel = panel_create_empty();
    if (panel) choice_init(panel, items, value);
    else list_free(items);
    return panel;
}

void choice_set_texts(ChoiceState *state, const char *label, const char *tooltip) {
    if (!state) return;
    state->label = label ? label : "";
    state->tooltip = tooltip ? tooltip : "";
}

void choice_row_set_width(Control *row, int w) {
    if (!row) return;
    control_set_size(row, w, row->h);
    if (Control *label = panel_find_child(row, CHOICE_LABEL_ID)) control_set_position(label, w / 2 - label->w / 2, label->y);
}

void choice_set_on_change(Control *choice, ControlFn fn) {
    if (ChoiceState *state = choice_state(choice)) state->on_change = fn;
}

int choice_get_value(Control *choice) {
    const ChoiceState *state = choice_state(choice);
    return state ? state->value : 0;
}

void choice_open(Control *choice) {
    ChoiceState *state = choice_state(choice);
    ControlRoot *root = control_root();
    if (!state || !root) return;
    if (Control *old = game_find_control(root, CHOICE_POPUP_ID)) control_remove(old);
    Control *popup = panel_create_empty();
    if (!popup) return;
    panel_set_border(popup, true);
    colour_fade_set(panel_border_colour(popup), 180, 200, 180);
    panel_set_background(popup, true);
    colour_fade_set(panel_background_colour(popup), 5, 5, 5);
    control_set_user_data(popup, control_addref(choice), release_user_control);
    control_set_linked(popup, choice);
    popup->on_away = close_popup;
    popup->on_outside_click = close_popup;
    // Esc closes the open list and nothing behind it: the list is the innermost thing on screen.
    control_set_hotkey(popup, INPUT_KEY_ESCAPE);
    popup->on_key = close_popup;
    popup->flags |= CTRL_NO_HINT;
    int y = 0;
    for (const ChoiceItem *item : state->items ? state->items->items : std::vector<ChoiceItem *>{}) {
        if (!item) break;
        Control *row = popup_row(choice, popup, *item, state->font);
        if (!row) continue;
        panel_add_child(popup, 0, y, 0, 0, row);
        y += row->h;
    }
    int x = 0, sy = 0;
    control_get_screen_position(choice, &x, &sy);
    game_add_control(root, x, sy, CHOICE_POPUP_ID, 0, popup);
    // Over whatever panel holds the choice: a menu's sub-screen stands on a raised layer.
    popup->layer = CONTROL_LAYER_POPUP;
    int w = 0, h = 0;
    panel_layout(popup, &w, &h);
    control_set_size(popup, choice->w, choice->h);
    panel_set_anchor_mode(popup, PANEL_ANCHOR_CENTRE);
    panel_set_draw_children_while_resizing(popup, true);
    control_set_rect_test(popup);
    panel_resize_to(popup, w, h + 3, 100);
    if (!state->label.empty() && !state->tooltip.empty()) open_detail(root, popup, state);
}

void choice_pick(Control *row) {
    Control *popup = row ? static_cast<Control *>(row->user_data) : nullptr;
    Control *choice = popup ? static_cast<Control *>(popup->user_data) : nullptr;
    ChoiceState *state = choice_state(choice);
    const Panel *r = panel_of(row);
    if (state && r && !(choice->flags & CTRL_REMOVED) && r->value != state->value) {
        state->value = r->value;
        panel_find_child_fade_out(choice, CHOICE_LABEL_ID, 80);
        if (const ChoiceItem *item = item_of_value(state, state->value)) show_label(choice, item->text);
        if (state->on_change) state->on_change(choice);
    }
    if (popup) control_remove(popup);
}
