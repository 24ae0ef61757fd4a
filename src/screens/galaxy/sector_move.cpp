// The sector panel's fleet move selection view: Move hides the yields and the normal buttons,
// keeps only the viewer's ships in the list, all selected, and shows what the selected ships add
// up to; Set Course hands the selection to the galaxy screen, Cancel brings the normal view back.
// Only controls and the list's row selection change here.
#include <algorithm>

#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/input.h"
#include "platform/list.h"
#include "platform/str.h"
#include "screens/galaxy/sector_panel.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "views/ship_list.h"

namespace {

constexpr int MOVE_PROMPT_FONT = 7;
constexpr int MOVE_PROMPT_GREEN[3] = {0, 230, 0};
constexpr int PRODUCTION_BOXES[] = {SECTOR_PANEL_STARBASE_BOX, SECTOR_PANEL_SHIPYARD_BOX, SECTOR_PANEL_TRAINING_BOX};

Control *child(Control *panel, int id) { return panel ? panel_find_child(panel, id) : nullptr; }

Control *set_course_button(Control *panel) { return child(child(panel, SECTOR_PANEL_BUTTONS), SECTOR_PANEL_SET_COURSE); }

void fade_out_child(Control *panel, int id, int ms) {
    if (Control *c = child(panel, id)) control_fade_out(c, ms);
}

// Every icon of the row grows or shrinks between the two scales.
void scale_icons(Control *row, int from, int to, int ms) {
    for (Control *icon : panel_of(row) ? panel_of(row)->children.items : std::vector<Control *>{})
        if (icon && !(icon->flags & CTRL_REMOVED)) image_control_animate_reveal(icon, from, to, ms);
}

// A table of what the selected rows add up to.
Control *make_statistics(Control *list) {
    List<SystemRow> *rows = ui_stat_rows_list_create();
    if (!rows) return nullptr;
    (void)ui_stat_rows_add_row(rows, nullptr, "Ships selected", str_format("%i", int(ship_list_count_selected(list))).c_str(), 0);
    (void)ui_stat_rows_add_row(rows, nullptr, "Mass", str_format("%i KT", int(ship_list_selected_mass(list))).c_str(), 0);
    (void)ui_stat_rows_add_row(rows, nullptr, "Power", str_format("%i TW", int(ship_list_selected_power(list))).c_str(), 0);
    (void)ui_stat_rows_add_row(rows, nullptr, "Speed", str_format("%i pc/day", int(ship_list_selected_speed(list))).c_str(), 0);
    return ui_stat_rows_create(rows, STAT_ROWS_ANIMATE);
}

void enable_set_course(Control *panel) {
    Control *button = set_course_button(panel);
    if (!button || !image_control_is_highlighted(button)) return;
    image_control_set_highlight(button, false);
    image_control_set_tooltip(button, false, 0, 0, 0, nullptr);
}

void disable_set_course(Control *panel) {
    Control *button = set_course_button(panel);
    if (!button || image_control_is_highlighted(button)) return;
    image_control_set_highlight(button, true);
    image_control_set_tooltip(button, true, 0, 0, 0, "No ships selected");
}

void refresh_statistics(Control *panel) {
    SectorPanelState *s = sector_panel_state(panel);
    Control *list = sector_panel_ship_list(panel);
    if (!s || !list) return;
    if (Control *table = child(panel, SECTOR_PANEL_ROWS)) {
        ui_stat_rows_set_value(table, 0, str_format("%i", int(ship_list_count_selected(list))).c_str());
        ui_stat_rows_set_value(table, 1, str_format("%i KT", int(ship_list_selected_mass(list))).c_str());
        ui_stat_rows_set_value(table, 2, str_format("%i TW", int(ship_list_selected_power(list))).c_str());
        ui_stat_rows_set_value(table, 3, str_format("%i pc/day", int(ship_list_selected_speed(list))).c_str());
        return;
    }
    panel_add_child(panel, 8, s->stats_y, SECTOR_PANEL_ROWS, 0, make_statistics(list));
}

// The statistics go dark and away; a later selection builds them afresh.
void drop_statistics(Control *panel) {
    if (Control *table = child(panel, SECTOR_PANEL_ROWS)) ui_stat_rows_fade_out(table, 100);
}

void move_prompt_aside(Control *panel) {
    Control *prompt = child(panel, SECTOR_PANEL_SELECT_PROMPT);
    if (!prompt) return;
    const Control *table = child(panel, SECTOR_PANEL_ROWS);
    const int target = std::max(panel->w - (table ? table->w : 0) - 20, 4);
    if (prompt->x > target) control_move_to(prompt, target, prompt->y, 120);
    if ((prompt->flags & CTRL_HIDDEN) && !(prompt->flags & CTRL_SHOW_TIMER)) return;
    colour_fade_to(text_label_colour(prompt), 0, 0, 0, 120, 0);
    control_show_for(prompt, 120);
}

void bring_prompt_back(Control *panel) {
    Control *prompt = child(panel, SECTOR_PANEL_SELECT_PROMPT);
    if (!prompt) return;
    control_move_to(prompt, panel->w / 2 - prompt->w / 2, prompt->y, 120);
    colour_fade_to(text_label_colour(prompt), MOVE_PROMPT_GREEN[0], MOVE_PROMPT_GREEN[1], MOVE_PROMPT_GREEN[2], 120, 0);
    control_hide_for(prompt, 10);
}

void selection_made(Control *panel) {
    enable_set_course(panel);
    refresh_statistics(panel);
    move_prompt_aside(panel);
}

void selection_emptied(Control *panel) {
    disable_set_course(panel);
    drop_statistics(panel);
    bring_prompt_back(panel);
}

// The header's close button and Cancel would both answer Escape, and the header, the panel's
// first child, would win: while the selection view is up, Escape is Cancel's alone.
void header_close_key(Control *panel, int key) {
    if (Control *close = child(child(panel, SECTOR_PANEL_HEADER), TITLE_CLOSE_ID)) control_set_hotkey(close, key);
}

// A small button of the selection view that grows in after 200 ms.
Control *add_selection_button(Control *panel, int image, ControlFn on_click, int id, int right, int y) {
    Control *button = image_button_create_plain(image, on_click, 0, panel);
    if (!button) return nullptr;
    panel_add_child(panel, right - button->w, y, id, 0, button);
    image_control_set_border_hover(button, 80, 0, 230, 0, 120);
    image_control_animate_reveal(button, 0, 100, 200);
    control_hide_for(button, 200);
    return button;
}

}  // namespace

void sector_panel_on_move(Control *button) {
    Control *panel = sector_panel_of_control(button);
    SectorPanelState *s = sector_panel_state(panel);
    if (!s) return;
    Control *list = sector_panel_ship_list(panel);
    if (s->object_count <= 1) {   // one ship goes at once: nothing to choose
        if (list) ship_list_select_visible(list);
        panel_call_slot(panel, SECTOR_SLOT_SET_COURSE);
        return;
    }
    fade_out_child(panel, SECTOR_PANEL_ROWS, 200);
    for (int id : PRODUCTION_BOXES) fade_out_child(panel, id, 200);
    if (Control *owner = child(panel, SECTOR_PANEL_OWNER_LABEL)) colour_fade_to(text_label_colour(owner), 0, 0, 0, 200, 0);
    header_close_key(panel, 0);
    const Control *header = child(panel, SECTOR_PANEL_HEADER);
    const int y0 = (header ? header->y + header->h : 0) + 4;

    int old_buttons_y = 0;
    if (Control *normal = child(panel, SECTOR_PANEL_BUTTONS)) {
        old_buttons_y = normal->y;
        panel_close_child(normal, 100, false);
        normal->id = SECTOR_PANEL_HIDDEN_BUTTONS;
        normal->tag = -1;
        control_show_for(normal, 200);
    }
    if (Control *icons = child(panel, SECTOR_PANEL_SITE_ICONS)) {
        scale_icons(icons, 100, 0, 200);
        control_show_for(icons, 200);
    }

    Control *prompt = panel_add_child(panel, 0, y0, SECTOR_PANEL_SELECT_PROMPT, 0,
                                      text_label_create_plain(MOVE_PROMPT_FONT, 255, 255, 255, "Select ships"));
    if (prompt) {
        control_set_position(prompt, panel->w / 2 - prompt->w / 2, y0);
        colour_fade_to(text_label_colour(prompt), MOVE_PROMPT_GREEN[0], MOVE_PROMPT_GREEN[1], MOVE_PROMPT_GREEN[2], 300, 0);
        control_set_hidden(prompt, false);
    }

    List<Control> made;
    Control *set_course = image_button_create(IMAGE_COURSE, SECTOR_PANEL_BUTTON_FONT, "Set Course",
                                              sector_panel_on_set_course, 's', panel);
    if (set_course) {
        control_set_id(set_course, SECTOR_PANEL_SET_COURSE);
        list_append(&made, control_addref(set_course));
    }
    if (Control *cancel = image_button_create(IMAGE_CANCEL, SECTOR_PANEL_BUTTON_FONT, "Cancel", sector_panel_on_cancel_move,
                                              INPUT_KEY_ESCAPE, panel))
        list_append(&made, control_addref(cancel));
    const int buttons_y = old_buttons_y >= 1 ? old_buttons_y : y0 + (prompt ? prompt->h : 0) + 8;
    Control *selection = panel_add_child(panel, 4, buttons_y, SECTOR_PANEL_BUTTONS, 0,
                                         panel_make_with_layout(&made, LAYOUT_ANIMATE));
    for (Control *c : made.items)
        if (c) control_release(c);
    if (selection) control_hide_for(selection, 200);

    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    if (Control *head = child(panel, SECTOR_PANEL_HEADER); head && head->w != w - 2) ui_control_resize(head, w - 2, true);
    if (selection) control_set_position(selection, (w + 2) - selection->w - 4, selection->y);
    if (prompt)
        control_set_position(prompt, (w + 2) / 2 - prompt->w / 2, list ? list->y + list->h - prompt->h : prompt->y);

    Control *bar = child(panel, SECTOR_PANEL_SCROLL_BAR);
    const int list_y = y0 + 24;
    int below = list_y;
    if (list) {
        control_move_to(list, list->x, list_y, 200);
        ship_list_filter_owner(list, s->viewer_id);
        ship_list_set_pick_handler(list, sector_panel_on_ship_toggle);
        ship_list_select_visible(list);
        below = list_y + list->h;
    }
    if (bar) control_move_to(bar, bar->x, list_y, 200);

    Control *all = add_selection_button(panel, IMAGE_SELECT_ALL, sector_panel_on_select_all, SECTOR_PANEL_SELECT_ALL,
                                        panel->w - 6, below + 4);
    add_selection_button(panel, IMAGE_CLEAR_SELECTION, sector_panel_on_clear_selection, SECTOR_PANEL_CLEAR_SELECTION,
                         all ? all->x - 4 : panel->w - 6, below + 4);

    if (Control *table = list ? panel_add_child(panel, 8, 0, SECTOR_PANEL_ROWS, 0, make_statistics(list)) : nullptr) {
        s->stats_y = below + (panel->h - below) / 2 - table->h / 2;
        control_set_position(table, 8, s->stats_y);
        control_hide_for(table, 300);
    }
    panel_resize_to(panel, w + 2, h + 4, 200);
}

void sector_panel_press_move(Control *panel) {
    Control *move = child(child(panel, SECTOR_PANEL_BUTTONS), SECTOR_PANEL_MOVE_BUTTON);
    if (move) sector_panel_on_move(move);
}

void sector_panel_on_ship_toggle(Control *list) {
    Control *panel = sector_panel_of_control(list);
    if (!panel) return;
    if (GameObject *ship = ship_list_picked_ship(list))
        ship_list_set_row_selected(list, ship, !ship_list_is_selected(list, ship));
    if (ship_list_count_selected(list) > 0) selection_made(panel);
    else selection_emptied(panel);
}

void sector_panel_on_select_all(Control *button) {
    Control *panel = sector_panel_of_control(button);
    Control *list = sector_panel_ship_list(panel);
    if (!list) return;
    ship_list_select_visible(list);
    selection_made(panel);
}

void sector_panel_on_clear_selection(Control *button) {
    Control *panel = sector_panel_of_control(button);
    Control *list = sector_panel_ship_list(panel);
    if (!list) return;
    ship_list_unselect_visible(list);
    selection_emptied(panel);
}

void sector_panel_on_cancel_move(Control *button) {
    Control *panel = sector_panel_of_control(button);
    SectorPanelState *s = sector_panel_state(panel);
    if (!s) return;
    for (int id : {SECTOR_PANEL_ROWS, SECTOR_PANEL_STARBASE_BOX, SECTOR_PANEL_SHIPYARD_BOX, SECTOR_PANEL_TRAINING_BOX,
                   SECTOR_PANEL_SELECT_ALL, SECTOR_PANEL_CLEAR_SELECTION})
        fade_out_child(panel, id, 100);
    header_close_key(panel, INPUT_KEY_ESCAPE);
    if (Control *owner = child(panel, SECTOR_PANEL_OWNER_LABEL))
        colour_fade_to(text_label_colour(owner), s->owner_rgb[0], s->owner_rgb[1], s->owner_rgb[2], 200, 0);
    if (Control *icons = child(panel, SECTOR_PANEL_SITE_ICONS)) {
        scale_icons(icons, 0, 100, 200);
        control_set_hidden(icons, true);
    }
    if (Control *prompt = child(panel, SECTOR_PANEL_SELECT_PROMPT)) {
        colour_fade_to(text_label_colour(prompt), 0, 0, 0, 100, 0);
        control_fade_out(prompt, 100);
    }
    if (Control *list = sector_panel_ship_list(panel)) {
        control_move_to(list, list->x, s->list_y, 200);
        ship_list_filter_owner(list, 0);
        ship_list_set_pick_handler(list, sector_panel_on_ship_pick);
        ship_list_unselect_visible(list);
    }
    if (Control *bar = child(panel, SECTOR_PANEL_SCROLL_BAR)) control_move_to(bar, bar->x, s->list_y, 200);
    if (Control *selection = child(panel, SECTOR_PANEL_BUTTONS)) {
        panel_close_child(selection, 100, true);
        selection->tag = -1;
    }
    if (Control *normal = child(panel, SECTOR_PANEL_HIDDEN_BUTTONS)) {
        panel_row_highlight(normal);
        normal->tag = 0;
        normal->id = SECTOR_PANEL_BUTTONS;
    }
    if (!(s->flags & SECTOR_PANEL_OWN)) return;
    GameObject *sector = static_cast<GameObject *>(panel->user_data);
    if (Control *rows = panel_add_child(panel, 8, s->rows_y, SECTOR_PANEL_ROWS, 0, sector_yield_rows_create(sector)))
        sector_panel_add_production_boxes(panel, sector, rows);
}
