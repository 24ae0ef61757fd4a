// The fleet panel's course selection: which of the fleet's ships take the new course. Every ship
// starts selected; the figures show what stays, a column of boxes beside them what goes.
#include <algorithm>
#include <string>

#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/input.h"
#include "platform/list.h"
#include "platform/str.h"
#include "screens/galaxy/fleet_panel.h"
#include "screens/galaxy/galaxy_local.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "views/ship_list.h"
#include "world/fleet.h"

namespace {

constexpr int FONT_PROMPT = 7, FONT_BOX = 2;

constexpr int APPEAR_MS = 200;
constexpr int PROMPT_FADE_MS = 300;
constexpr int STATUS_FADE_MS = 200;
constexpr int LEAVE_MS = 100;
constexpr int BOX_SLIDE_MS = 120;
constexpr int LABEL_FADE_MS = 100;
constexpr int BOX_GAP = 2;
constexpr int COLUMN_GAP = 8;   // between the figures and the selection's buttons
constexpr int BOX_LABEL_X = 8, BOX_LABEL_Y = 4;
constexpr uint8_t BOX_TEXT[3] = {28, 181, 214};
constexpr uint8_t SELECTION_PROMPT_GREEN[3] = {0, 230, 0};

void set_buttons_enabled(Control *row, bool on) {
    control_set_enabled(row, on);
    for (Control *c : panel_of(row) ? panel_of(row)->children.items : std::vector<Control *>{}) {
        if (!c) break;
        control_set_enabled(c, on);
    }
}

// "No ships selected" greys Set Course; a selection brings it back.
void set_course_available(Control *panel, bool on) {
    Control *column = panel_find_child(panel, FLEET_PANEL_BUTTONS);
    Control *set_course = panel_find_child(column, FLEET_PANEL_SET_COURSE);
    if (!set_course) return;
    if (on == !image_control_is_highlighted(set_course)) return;
    image_control_set_highlight(set_course, !on);
    if (on) image_control_set_tooltip(set_course, false, 0, 0, 0, nullptr);
    else image_control_set_tooltip(set_course, true, 0, 0, 0, "No ships selected");
}

// The value of the figures' row with that label; a row the table lacks is skipped.
void set_row(Control *rows, const char *name, const std::string &value) {
    for (int i = 0;; ++i) {
        Control *row = ui_stat_rows_row(rows, i);
        if (!row) return;
        const TextLabel *label = text_label_of(panel_find_child(row, STAT_ROW_LABEL_ID));
        if (label && label->text && std::string(label->text) == name) {
            ui_stat_rows_set_value(rows, i, value.c_str());
            return;
        }
    }
}

// What stays with the fleet: its figures rewritten from the unselected ships.
void refresh_rows(Control *panel, Control *list, const Fleet *fleet, int32_t remaining) {
    Control *rows = panel_find_child(panel, FLEET_PANEL_ROWS);
    if (!rows) return;
    if (remaining <= 0) {
        set_row(rows, "Ships", "0");
        for (const char *name : {"Mass", "Power", "Speed"}) set_row(rows, name, "-");
        if (fleet->move_target) set_row(rows, "ETA", "-");
        return;
    }
    const int32_t speed = ship_list_unselected_speed(list);
    set_row(rows, "Ships", str_format("%i", int(remaining)));
    set_row(rows, "Mass", str_format("%i KT", int(ship_list_unselected_mass(list))));
    set_row(rows, "Power", str_format("%i TW", int(ship_list_unselected_power(list))));
    set_row(rows, "Speed", str_format("%i pc/day", int(speed)));
    if (fleet->move_target) {
        // Ships that cannot move count no days at all.
        set_row(rows, "ETA", galaxy_detail::days_text(speed > 0 ? std::max(fleet_distance_to_target(fleet) / speed, 1) : 0));
    }
}

constexpr int BOX_IDS[] = {FLEET_PANEL_BOX_DESTINATION, FLEET_PANEL_BOX_SHIPS, FLEET_PANEL_BOX_MASS,
                           FLEET_PANEL_BOX_POWER, FLEET_PANEL_BOX_SPEED};

// One box of the column: reused with its old label fading out, or made at the column's top and
// slid down to its place.
Control *put_box(Control *panel, int id, const std::string &text, int x, int y, int top) {
    Control *box = panel_find_child(panel, id);
    if (box) {
        control_fade_out(panel_find_child(box, FLEET_PANEL_BOX_LABEL), LABEL_FADE_MS);
    } else {
        box = panel_add_child(panel, x, top, id, 1, fleet_panel_value_box_create());
        if (!box) return nullptr;
    }
    control_move_to(box, x, y, BOX_SLIDE_MS);
    Control *label = panel_add_child(box, BOX_LABEL_X, BOX_LABEL_Y, FLEET_PANEL_BOX_LABEL, 1,
                                     text_label_create_plain(FONT_BOX, 0, 0, 0, text.c_str()));
    if (label) {
        colour_fade_start(text_label_colour(label), 0, 0, 0, BOX_TEXT[0], BOX_TEXT[1], BOX_TEXT[2], LABEL_FADE_MS, 0, 0);
        control_set_size(box, BOX_LABEL_X * 2 + label->w, label->h + 4);
    }
    return box;
}

void refresh_column(Control *panel, Control *list, const Fleet *fleet, const FleetPanelState *state, int32_t selected) {
    if (selected < 1) {
        for (int id : BOX_IDS) control_fade_out(panel_find_child(panel, id), LEAVE_MS);
        return;
    }
    int y = state->column_y;
    auto add = [&](int id, const std::string &text) {
        if (Control *box = put_box(panel, id, text, state->column_x, y, state->column_y)) y += box->h + BOX_GAP;
    };
    if (fleet->move_target) add(FLEET_PANEL_BOX_DESTINATION, "(New destination)");
    add(FLEET_PANEL_BOX_SHIPS, str_format("%i", int(selected)));
    add(FLEET_PANEL_BOX_MASS, str_format("%i KT", int(ship_list_selected_mass(list))));
    add(FLEET_PANEL_BOX_POWER, str_format("%i TW", int(ship_list_selected_power(list))));
    add(FLEET_PANEL_BOX_SPEED, str_format("%i pc/day", int(ship_list_selected_speed(list))));
}

Control *add_appearing(Control *panel, int x, int y, int id, Control *c) {
    if (panel_add_child(panel, x, y, id, 0, c)) control_hide_for(c, APPEAR_MS);
    return c;
}

void start_selection(Control *panel) {
    Control *list = fleet_panel_ship_list(panel);
    FleetPanelState *state = fleet_panel_state(panel);
    if (!list || !state) return;
    if (Control *row = panel_find_child(panel, FLEET_PANEL_BUTTONS)) {
        set_buttons_enabled(row, false);
        control_set_hidden(row, false);
        control_set_id(row, FLEET_PANEL_KEPT_BUTTONS);
    }

    List<Control> buttons;   // borrowed: the column takes its own references
    if (Control *set_course = image_button_create(IMAGE_COURSE, FLEET_PANEL_BUTTON_FONT, "Set Course",
                                                  fleet_panel_on_set_course, 's', panel)) {
        control_set_id(set_course, FLEET_PANEL_SET_COURSE);
        list_append(&buttons, set_course);
    }
    if (Control *cancel = image_button_create(IMAGE_CANCEL, FLEET_PANEL_BUTTON_FONT, "Cancel", fleet_panel_on_cancel_select,
                                              INPUT_KEY_ESCAPE, panel))
        list_append(&buttons, cancel);
    if (Control *column = panel_make_with_layout(&buttons, LAYOUT_ANIMATE)) {
        // The column stands at the panel's foot; a panel too short for it below the figures grows.
        state->height_before_selection = panel->h;
        const Control *rows = panel_find_child(panel, FLEET_PANEL_ROWS);
        const int lowest = rows ? rows->y + rows->h + COLUMN_GAP + column->h + 4 : 0;
        if (lowest > panel->h) control_set_size(panel, panel->w, lowest);
        add_appearing(panel, 4, panel->h - column->h - 4, FLEET_PANEL_BUTTONS, column);
    }

    // Escape cancels the selection rather than closing the panel.
    if (Control *close = panel_find_child(panel, FLEET_PANEL_CLOSE_BUTTON)) control_set_hotkey(close, 0);

    ship_list_set_pick_handler(list, fleet_panel_on_ship_toggle);
    ship_list_select_visible(list);

    const int below = list->y + list->h + 4;
    Control *all = image_button_create_plain(IMAGE_SELECT_ALL, fleet_panel_on_select_all, 0, panel);
    Control *none = image_button_create_plain(IMAGE_CLEAR_SELECTION, fleet_panel_on_clear_selection, 0, panel);
    const int all_x = all ? list->x + list->w - all->w : list->x + list->w;
    if (all) add_appearing(panel, all_x, below, FLEET_PANEL_SELECT_ALL, all);
    if (none) add_appearing(panel, all_x - none->w - 4, below, FLEET_PANEL_CLEAR_SELECTION, none);

    if (Control *prompt = panel_add_child(panel, 4, below, FLEET_PANEL_SELECT_PROMPT, 1,
                                          text_label_create_plain(FONT_PROMPT, 255, 255, 255, "Select ships")))
        colour_fade_start(text_label_colour(prompt), 255, 255, 255, SELECTION_PROMPT_GREEN[0], SELECTION_PROMPT_GREEN[1],
                          SELECTION_PROMPT_GREEN[2], PROMPT_FADE_MS, 0, 0);
    if (Control *status = panel_find_child(panel, FLEET_PANEL_STATUS)) control_set_hidden(status, false);

    if (Control *rows = panel_find_child(panel, FLEET_PANEL_ROWS)) {
        state->column_x = rows->x + rows->w - 1;
        state->column_y = rows->y;
    }
    fleet_panel_refresh_selection(panel);
}

}  // namespace

void fleet_panel_on_move(Control *button) {
    Control *panel = fleet_panel_of_button(button);
    const Fleet *fleet = fleet_panel_fleet(panel);
    if (!fleet) return;
    if (fleet_ship_count(fleet) <= 1) fleet_panel_call_slot(panel, FLEET_SLOT_SET_COURSE);
    else start_selection(panel);
}

void fleet_panel_on_redirect(Control *button) {
    Control *panel = fleet_panel_of_button(button);
    const Fleet *fleet = fleet_panel_fleet(panel);
    if (!fleet) return;
    if (fleet_ship_count(fleet) < 2) fleet_panel_call_slot(panel, FLEET_SLOT_REDIRECT);
    else start_selection(panel);
}

void fleet_panel_on_set_course(Control *button) { fleet_panel_call_slot(fleet_panel_of_button(button), FLEET_SLOT_SET_COURSE); }

void fleet_panel_on_cancel_select(Control *button) {
    Control *panel = fleet_panel_of_button(button);
    const FleetPanelState *state = fleet_panel_state(panel);
    if (!state) return;
    if (Control *status = panel_find_child(panel, FLEET_PANEL_STATUS)) {
        control_set_hidden(status, true);
        colour_fade_to(text_label_colour(status), state->status_rgb[0], state->status_rgb[1], state->status_rgb[2],
                       STATUS_FADE_MS, 0);
    }
    if (Control *list = fleet_panel_ship_list(panel)) {
        ship_list_set_pick_handler(list, fleet_panel_on_ship_pick);
        ship_list_unselect_visible(list);
    }
    if (Control *column = panel_find_child(panel, FLEET_PANEL_BUTTONS)) {
        control_set_id(column, -1);
        control_remove(column);
        if (state->height_before_selection > 0) control_set_size(panel, panel->w, state->height_before_selection);
    }
    if (Control *row = panel_find_child(panel, FLEET_PANEL_KEPT_BUTTONS)) {
        control_set_id(row, FLEET_PANEL_BUTTONS);
        control_set_hidden(row, true);
        set_buttons_enabled(row, true);
    }
    if (Control *prompt = panel_find_child(panel, FLEET_PANEL_SELECT_PROMPT)) {
        colour_fade_to(text_label_colour(prompt), 0, 0, 0, LEAVE_MS, 0);
        control_fade_out(prompt, LEAVE_MS);
    }
    if (Control *close = panel_find_child(panel, FLEET_PANEL_CLOSE_BUTTON)) control_set_hotkey(close, INPUT_KEY_ESCAPE);
    control_fade_out(panel_find_child(panel, FLEET_PANEL_SELECT_ALL), LEAVE_MS);
    control_fade_out(panel_find_child(panel, FLEET_PANEL_CLEAR_SELECTION), LEAVE_MS);
    fleet_panel_refresh_selection(panel);
}

void fleet_panel_on_ship_toggle(Control *list) {
    Control *panel = list ? list->owner : nullptr;
    GameObject *ship = ship_list_picked_ship(list);
    if (!ship) return;
    ship_list_set_row_selected(list, ship, !ship_list_is_selected(list, ship));
    set_course_available(panel, ship_list_count_selected(list) > 0);
    fleet_panel_refresh_selection(panel);
}

void fleet_panel_on_select_all(Control *button) {
    Control *panel = fleet_panel_of_button(button);
    ship_list_select_visible(fleet_panel_ship_list(panel));
    set_course_available(panel, true);
    fleet_panel_refresh_selection(panel);
}

void fleet_panel_on_clear_selection(Control *button) {
    Control *panel = fleet_panel_of_button(button);
    ship_list_unselect_visible(fleet_panel_ship_list(panel));
    set_course_available(panel, false);
    fleet_panel_refresh_selection(panel);
}

void fleet_panel_refresh_selection(Control *panel) {
    Control *list = fleet_panel_ship_list(panel);
    const Fleet *fleet = fleet_panel_fleet(panel);
    const FleetPanelState *state = fleet_panel_state(panel);
    if (!list || !fleet || !state) return;
    const int32_t selected = ship_list_count_selected(list);
    const int32_t remaining = ship_list_count_visible(list) - selected;
    refresh_rows(panel, list, fleet, remaining);
    refresh_column(panel, list, fleet, state, selected);
}

Control *fleet_panel_value_box_create() {
    Control *box = panel_create(10, 10, 2, 10, 46);
    if (!box) return nullptr;
    panel_set_background(box, true);
    panel_set_border(box, true);
    colour_fade_set(panel_border_colour(box), 33, 33, 33);
    control_set_layer(box, -1);
    return box;
}
