// The save file list shared by the load and save screens: rows, selection, scrolling and deleting.
#include "screens/saves/save_list.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/input.h"
#include "platform/log.h"
#include "ui/dialog.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/line_group.h"
#include "ui/panel.h"
#include "ui/scroll.h"
#include "ui/text_label.h"

namespace {

constexpr int ICON_CREDITS  = 50;
constexpr int ICON_OBJECTS  = 55;
constexpr int ICON_SECTORS  = 121;
constexpr int TEXT_RIGHT     = 382;
constexpr int FADE_MS        = 200;
constexpr int DIALOG_LAYER   = 2;

// Right-aligns a new child so that it ends at `right`; returns its left edge.
int add_right(Control *row, Control *c, int right, int y, int id) {
    if (!c) return right;
    panel_add_child(row, right - c->w, y, id, 1, c);
    return right - c->w;
}

// The title label of a file row (inside its sub-panel), null on the "(New file)" row.
Control *file_title(Control *row, const SaveListIds &ids) {
    return panel_find_child(panel_find_child(row, ids.title_panel), ids.title);
}

void set_row_plain(Control *row, const SaveListIds &ids) {
    if (Control *title = file_title(row, ids)) {
        text_label_set_font(title, 2);
        control_set_position(title, 0, title->y);
    } else if (Control *label = panel_find_child(row, ids.title)) {
        text_label_set_font(label, 2);
    }
    panel_set_border_hover(row, 0, 0, 0, 0, 48, 0, FADE_MS);
    panel_set_background_hover(row, 0, 0, 0, 0, 24, 0, FADE_MS);
    colour_fade_to(panel_border_colour(row), 0, 0, 0, FADE_MS, 0);
    colour_fade_to(panel_background_colour(row), 0, 0, 0, FADE_MS, 0);
    if (Control *icon = panel_find_child(row, ids.icon)) image_control_set_frame(icon, 0);
    if (Control *del = panel_find_child(row, ids.delete_button)) control_remove(del);
}

Control *dialog_of(SaveList *list, const SaveListIds &ids) { return panel_find_child(list->screen, ids.dialog); }

// The list panel carries its SaveList as widget state; the screen's state owns it.
void held_by_screen(void *) {}

SaveList *carried(Control *c) {
    return c && !(c->flags & CTRL_REMOVED) && c->widget_free == held_by_screen ? static_cast<SaveList *>(c->widget_state)
                                                                               : nullptr;
}

// The list carried by c or by one of its children.
SaveList *list_at(Control *c) {
    if (SaveList *list = carried(c)) return list;
    if (const Panel *p = panel_of(c))
        for (Control *child : p->children.items)
            if (SaveList *list = carried(child)) return list;
    return nullptr;
}

}  // namespace

SaveList::~SaveList() { list_free(headers); }

void save_list_prepare_screen(Control *screen) {
    panel_remove_children(screen);
    panel_set_background(screen, true);
    colour_fade_set(panel_background_colour(screen), 0, 0, 6);
    panel_set_border(screen, true);
    colour_fade_set(panel_border_colour(screen), 120, 120, 120);
}

Control *save_list_add_panel(SaveList *list, const SaveListIds &ids, int y) {
    Control *panel = panel_create_empty();
    if (!panel) return nullptr;
    panel_set_shade(panel, 3);
    panel->on_wheel = save_list_on_wheel;
    control_set_user_data(panel, list->screen, nullptr);
    return panel_add_child(list->screen, 0, y, ids.list, 0, panel);
}

int save_list_add_row(SaveList *list, const SaveListIds &ids, Control *row, int index, int y) {
    control_set_user_data(row, list->screen, nullptr);
    panel_add_child(save_list_panel(list, ids), 4, y, 0, 0, row);
    panel_of(row)->value = index;
    list->rows.push_back({row, index});
    return y + row->h + SAVE_ROW_GAP;
}

Control *save_list_add_buttons(Control *screen, Control *back, Control *action, int y, int id, int action_id,
                               bool animate) {
    List<Control> *buttons = list_create<Control>();
    if (buttons && back) list_append(buttons, back);
    if (buttons && action) list_append(buttons, action);
    Control *row = panel_create_empty();
    if (row && buttons) {
        panel_layout_controls(row, buttons, LAYOUT_ROW | (animate ? LAYOUT_ANIMATE : 0));
        panel_add_child(screen, 4, y, id, 0, row);
        if (action) control_set_id(action, action_id);
    }
    if (buttons)
        for (Control *c : buttons->items)
            if (c && c->refcount <= 0) control_destroy(c);
    list_free(buttons);
    if (row && row->refcount <= 0) {
        control_destroy(row);
        row = nullptr;
    }
    return row;
}

void save_list_place_buttons(Control *screen, Control *row) {
    if (!row) return;
    control_set_position(row, screen->w - row->w - 4, row->y);
    if (Control *strip = panel_create(screen->w - 8, row->h + 4, 10, 2, 10)) {
        panel_set_background(strip, true);
        panel_add_child(screen, 4, row->y - 2, 0, 1, strip);
        strip->layer = -1;
    }
}

Control *save_list_find_screen(Control *ctrl, bool (*holds_screen)(Control *panel)) {
    for (Control *c = ctrl; c; c = c->owner)
        if (holds_screen(c)) return c;
    if (ctrl && ctrl->user_data && holds_screen(static_cast<Control *>(ctrl->user_data)))
        return static_cast<Control *>(ctrl->user_data);
    return nullptr;
}

std::string save_time_text(const SaveHeader &h) {
    const int hour = h.hour % 12 == 0 ? 12 : h.hour % 12;
    const char *half = (h.hour >= 12 && h.hour <= 23) ? "PM" : "AM";
    char text[96];
    std::snprintf(text, sizeof text, "%.4i-%.2i-%.2i %.2i:%.2i:%.2i %s", h.year, h.month + 1, h.day, hour, h.minute,
                  h.second, half);
    return text;
}

const SaveHeader *save_list_header(const SaveList *list, int index) {
    if (!list || !list->headers || index < 0 || size_t(index) >= list->headers->items.size()) return nullptr;
    return list->headers->items[size_t(index)];
}

Control *save_list_panel(const SaveList *list, const SaveListIds &ids) {
    return list ? panel_find_child(list->screen, ids.list) : nullptr;
}

Control *save_list_row_of_index(const SaveList *list, int index) {
    for (const SaveRow &row : list->rows)
        if (row.index == index) return row.control;
    return nullptr;
}

int save_list_index_of_row(const SaveList *list, const Control *row) {
    for (const SaveRow &r : list->rows)
        if (r.control == row) return r.index;
    return -2;
}

Control *save_list_row_build(const SaveHeader &header, const SaveListIds &ids) {
    Control *row = panel_create(SAVE_ROW_WIDTH, 40, 0, 0, 0);
    if (!row) return nullptr;
    panel_set_border(row, true);
    panel_set_background(row, true);
    panel_set_border_hover(row, 0, 0, 0, 0, 48, 0, FADE_MS);
    panel_set_background_hover(row, 0, 0, 0, 0, 24, 0, FADE_MS);
    row->on_click = ids.select_row;
    row->on_wheel = save_list_on_wheel;

    Control *icon = image_control_create_frame(IMAGE_SAVE_ROW, 0);
    const int icon_w = icon ? icon->w : 0;
    if (icon) panel_add_child(row, 4, 4, ids.icon, 1, icon);
    const int text_x = icon_w + ids.text_dx;

    int title_h = 0;
    if (Control *sub = panel_create_empty()) {
        panel_set_border(sub, false);
        if (Control *title = text_label_create_plain(2, 230, 230, 230, header.title.c_str()))
            panel_add_child(sub, 0, 4, ids.title, 1, title);
        int w = 0, h = 0;
        panel_layout(sub, &w, &h);
        control_set_size(sub, SAVE_ROW_WIDTH - text_x, h + 4);
        panel_add_child(row, text_x, 4, ids.title_panel, 1, sub);
        title_h = sub->h;
    }
    const int time_y = title_h + 8;
    if (header.damaged) {
        // Nothing of it reads: the file's name and what is wrong, so it can still be deleted.
        if (Control *time = text_label_create_plain(2, 230, 60, 60, SAVE_DAMAGED_TEXT))
            panel_add_child(row, text_x, time_y, ids.time, 1, time);
        int w = 0, h = 0;
        panel_layout(row, &w, &h);
        control_set_size(row, SAVE_ROW_WIDTH, h + 4);
        return row;
    }
    int line_h = 0;
    if (Control *time = text_label_create_plain(2, 120, 140, 120, save_time_text(header).c_str())) {
        panel_add_child(row, text_x, time_y, ids.time, 1, time);
        line_h = time->h;
    }
    Control *name = text_label_create_plain(2, header.red, header.green, header.blue, header.player_name.c_str());
    add_right(row, name, TEXT_RIGHT, time_y, ids.name);
    const int date_y = time_y + (name ? name->h : line_h) + 4;
    Control *date = text_label_create_plain(2, 230, 230, 0, header.date_text.c_str());
    add_right(row, date, TEXT_RIGHT, date_y, ids.date);
    const int line_y = date_y + (date ? date->h : line_h) + 4;

    // Right to left: credits, objects, sectors, each number with its icon to its left.
    struct Count { int value, image, id, icon_id; };
    const Count counts[] = {
        {header.credits, ICON_CREDITS, ids.credits, ids.credits_icon},
        {header.object_count, ICON_OBJECTS, ids.objects, ids.objects_icon},
        {header.sectors_owned, ICON_SECTORS, ids.sectors, ids.sectors_icon},
    };
    int right = TEXT_RIGHT;
    for (const Count &c : counts) {
        Control *label = text_label_create(4, 230, 230, 230, "%i", c.value);
        if (label) right = add_right(row, label, right, line_y - label->h / 2 + 5, c.id);
        Control *pic = image_control_create_frame(c.image, 0);
        if (pic) right = add_right(row, pic, right - 3, line_y, c.icon_id);
        right -= 8;
    }
    int w = 0, h = 0;
    panel_layout(row, &w, &h);
    control_set_size(row, SAVE_ROW_WIDTH, h + 4);
    return row;
}

void save_list_rebuild_separators(SaveList *list, const SaveListIds &ids) {
    Control *panel = save_list_panel(list, ids);
    if (!panel) return;
    if (Control *old = panel_find_child(panel, ids.separators)) control_remove(old);
    if (list->rows.size() < 2) return;
    const int count = int(list->rows.size()) - 1;
    Control *lines = line_group_create(count);
    if (!lines) return;
    for (int i = 0; i < count; ++i) {
        int x = 0, y = 0, w = 0, h = 0;
        control_get_bounds(list->rows[size_t(i)].control, &x, &y, &w, &h);
        line_group_set_line(lines, i, 0, y + h, w, y + h);
    }
    line_group_set_colour(lines, 0, 66, 0);
    int gx = 0, gy = 0;
    line_group_fit_bounds(lines, &gx, &gy);
    panel_add_child(panel, gx, gy, ids.separators, 1, lines);
}

int save_list_fit(SaveList *list, const SaveListIds &ids, int min_height, int width) {
    Control *panel = save_list_panel(list, ids);
    if (!panel) return 0;
    list->ids = &ids;
    control_set_widget_state(panel, list, held_by_screen);
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    h = std::max(h, min_height);
    if (h < SAVE_LIST_MAX_HEIGHT) {
        control_set_size(panel, width, h + 8);
        list->scroll_range = 0;
        return panel->w;
    }
    control_set_size(panel, width, SAVE_LIST_MAX_HEIGHT);
    list->scroll_range = h - SAVE_LIST_MAX_HEIGHT + 8;
    Control *bar = scroll_bar_create(SAVE_LIST_MAX_HEIGHT, 1);
    if (!bar) return panel->w;
    panel_add_child(list->screen, panel->x + panel->w + 8, panel->y, ids.bar, 0, bar);
    scroll_bar_set_change_slot(bar, save_list_on_bar_changed);
    scroll_bar_set_first_slot(bar, save_list_on_bar_down);
    scroll_bar_set_second_slot(bar, save_list_on_bar_up);
    control_set_user_data(bar, list->screen, nullptr);
    return panel->w + bar->w + 8;
}

void save_list_show_selection(SaveList *list, const SaveListIds &ids, Control *selected, bool file_row) {
    for (const SaveRow &r : list->rows) {
        Control *row = r.control;
        control_set_enabled(row, true);
        if (row != selected) {
            set_row_plain(row, ids);
            continue;
        }
        if (Control *icon = panel_find_child(row, ids.icon); icon && image_type_frame_count(IMAGE_SAVE_ROW) > 1)
            image_control_set_frame(icon, 1);
        if (Control *del = panel_find_child(row, ids.delete_button)) control_remove(del);
        if (Control *title = file_title(row, ids)) {
            text_label_set_font(title, 1);
            control_set_position(title, ids.selected_title_x, title->y);
        } else if (Control *label = panel_find_child(row, ids.title)) {
            text_label_set_font(label, 1);
        }
        if (file_row) {
            if (Control *del = image_button_create_plain(IMAGE_DELETE, save_list_on_delete, 0, list->screen))
                panel_add_child(row, row->w - del->w - 3, 3, ids.delete_button, 0, del);
        }
        panel_set_border_hover(row, 200, 200, 48, 200, 200, 48, 0);
        panel_set_background_hover(row, 0, 48, 0, 0, 48, 0, 0);
        colour_fade_to(panel_border_colour(row), 200, 200, 48, FADE_MS, 0);
        colour_fade_to(panel_background_colour(row), 0, 48, 0, FADE_MS, 0);
    }
    if (selected) save_list_scroll_into_view(list, ids, selected);
}

bool save_list_row_visible(const SaveList *list, const SaveListIds &ids, const Control *row) {
    Control *panel = save_list_panel(list, ids);
    const Panel *p = panel_of(panel);
    if (!p || !row) return false;
    return row->x >= p->scroll_x && row->y >= p->scroll_y && row->x <= panel->w - row->w + p->scroll_x &&
           row->y <= panel->h - row->h + p->scroll_y;
}

void save_list_scroll_into_view(SaveList *list, const SaveListIds &ids, Control *row) {
    Control *panel = save_list_panel(list, ids);
    if (!panel || list->scroll_range <= 0 || save_list_row_visible(list, ids, row)) return;
    if (row->y < list->scroll_offset) save_list_scroll_to(list, ids, row->y - 8);
    else save_list_scroll_to(list, ids, row->y + row->h - panel->h + 8);
}

namespace {
// Scrolls the list; the bar follows unless it is what moved.
void scroll_list(SaveList *list, const SaveListIds &ids, int offset, bool move_bar) {
    Control *panel = save_list_panel(list, ids);
    if (!panel) return;
    list->scroll_offset = list->scroll_range > 0 ? std::clamp(offset, 0, list->scroll_range) : 0;
    panel_set_scroll(panel, 0, list->scroll_offset);
    if (Control *dialog = dialog_of(list, ids)) dialog_click_button(dialog);   // a scroll answers "No"
    Control *bar = panel_find_child(list->screen, ids.bar);
    int pos = 0, max = 0;
    scroll_bar_get(bar, &pos, &max);
    if (move_bar && bar && list->scroll_range > 0 && max > 0)
        scroll_bar_set_position(bar, int(int64_t(list->scroll_offset) * max / list->scroll_range));
}
}  // namespace

void save_list_scroll_to(SaveList *list, const SaveListIds &ids, int offset) { scroll_list(list, ids, offset, true); }

namespace {
// The offset the bar's position stands for; 0 when either extent is 0.
int offset_of_bar(const SaveList *list, Control *bar) {
    int pos = 0, max = 0;
    scroll_bar_get(bar, &pos, &max);
    if (max <= 0 || list->scroll_range <= 0) return 0;
    return int(int64_t(list->scroll_range) * pos / max);
}
}  // namespace

void save_list_wheel(SaveList *list, const SaveListIds &ids, int notches) {
    Control *bar = panel_find_child(list->screen, ids.bar);
    if (!bar || notches == 0) return;
    int pos = 0, max = 0;
    scroll_bar_get(bar, &pos, &max);
    scroll_bar_set_position(bar, pos + notches * SAVE_LIST_WHEEL_STEP);
    scroll_list(list, ids, offset_of_bar(list, bar), false);
}

void save_list_bar_changed(SaveList *list, const SaveListIds &ids) {
    // A wheel turned over the bar arrives here without moving it.
    if (input_wheel() != 0) {
        save_list_wheel(list, ids, input_wheel());
        return;
    }
    Control *bar = panel_find_child(list->screen, ids.bar);
    if (bar) scroll_list(list, ids, offset_of_bar(list, bar), false);
}

void save_list_bar_up(SaveList *list, const SaveListIds &ids) {
    for (size_t i = 0; i < list->rows.size(); ++i) {
        if (!save_list_row_visible(list, ids, list->rows[i].control)) continue;
        save_list_scroll_to(list, ids, i > 0 ? list->rows[i - 1].control->y - 2 : 0);
        return;
    }
}

void save_list_bar_down(SaveList *list, const SaveListIds &ids) {
    Control *panel = save_list_panel(list, ids);
    if (!panel) return;
    size_t i = 0;
    while (i < list->rows.size() && !save_list_row_visible(list, ids, list->rows[i].control)) ++i;
    if (i == list->rows.size()) return;
    for (++i; i < list->rows.size(); ++i) {
        const Control *row = list->rows[i].control;
        if (save_list_row_visible(list, ids, row)) continue;
        save_list_scroll_to(list, ids, row->y + row->h - panel->h + 2);
        return;
    }
    save_list_scroll_to(list, ids, list->scroll_range);
}

void save_list_set_enabled(SaveList *list, const SaveListIds &ids, bool on) {
    for (Control *c : {save_list_panel(list, ids), panel_find_child(list->screen, ids.bar)})
        if (c) control_set_enabled(c, on);
}

void save_list_ask_delete(SaveList *list, const SaveListIds &ids) {
    Control *row = save_list_row_of_index(list, list->selected);
    if (!row) return;
    if (Control *old = dialog_of(list, ids)) control_remove(old);
    Control *dialog = dialog_create("Delete save file?", "Yes, delete", "No, keep", ids.delete_confirmed,
                                    list->screen, save_list_on_delete_cancelled, list->screen, 0);
    if (!dialog) return;
    int bx = 0, by = 0;
    Control *del = panel_find_child(row, ids.delete_button);
    Control *panel = save_list_panel(list, ids);
    const Panel *p = panel_of(panel);
    const int row_x = panel->x + row->x - (p ? p->scroll_x : 0);
    const int row_y = panel->y + row->y - (p ? p->scroll_y : 0);
    bx = row_x + (del ? del->x : row->w);
    by = row_y + (del ? del->y : 0);
    panel_add_child(list->screen, bx, by, ids.dialog, 0, dialog);
    dialog->layer = DIALOG_LAYER;
    control_move_to(dialog, std::max(0, bx - dialog->w - 6), std::max(0, row_y - 8), 130);
    control_set_enabled(row, false);
}

void save_list_delete_cancelled(SaveList *list, const SaveListIds &ids) {
    if (Control *dialog = dialog_of(list, ids)) control_fade_out(dialog, 100);
    if (Control *row = save_list_row_of_index(list, list->selected)) control_set_enabled(row, true);
}

bool save_list_delete_confirmed(SaveList *list, const SaveListIds &ids) {
    if (Control *dialog = dialog_of(list, ids)) control_fade_out(dialog, 100);
    Control *row = save_list_row_of_index(list, list->selected);
    const SaveHeader *header = save_list_header(list, list->selected);
    if (!row || !header) return false;
    if (::unlink(header->path.c_str()) != 0) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to delete save file \"%s\"", header->path.c_str());
        // The file is still there, so its row stays, selected and usable.
        control_set_enabled(row, true);
        save_list_show_error(list, ids, "Failed to delete file");
        return false;
    }
    log_write(LOG_GAME, LOG_DEBUG, "Delete save file \"%s\"", header->path.c_str());
    const int gone_y = row->y, gone_h = row->h;
    list->rows.erase(std::find_if(list->rows.begin(), list->rows.end(),
                                  [row](const SaveRow &r) { return r.control == row; }));
    for (const SaveRow &r : list->rows)
        if (r.control->y > gone_y)
            control_move_to(r.control, r.control->x, r.control->y - (gone_h + SAVE_ROW_GAP), 100);
    control_fade_out(row, 100);
    save_list_rebuild_separators(list, ids);
    return true;
}

void save_list_show_error(SaveList *list, const SaveListIds &ids, const char *text) {
    Control *label = panel_find_child(list->screen, ids.status);
    if (!label) {
        Control *panel = save_list_panel(list, ids);
        label = text_label_create_plain(7, 240, 0, 0, text);
        if (!label || !panel) {
            control_destroy(label);
            return;
        }
        panel_add_child(list->screen, 6, panel->y + panel->h + 2, ids.status, 1, label);
    }
    text_label_set_text(label, text);
    text_label_measure(label);
    if (list->screen->w > label->w) control_set_position(label, list->screen->w / 2 - label->w / 2, label->y);
    colour_fade_start(text_label_colour(label), 240, 0, 0, 150, 40, 40, 280, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
}

SaveList *save_list_of(Control *ctrl) {
    for (Control *c = ctrl; c; c = c->owner)
        if (SaveList *list = list_at(c)) return list;
    // A control outside the screen's tree names the screen as its user data.
    Control *screen = ctrl ? static_cast<Control *>(ctrl->user_data) : nullptr;
    SaveList *list = screen && panel_of(screen) ? list_at(screen) : nullptr;
    return list && list->screen == screen ? list : nullptr;
}

void save_list_on_wheel(Control *ctrl) {
    if (SaveList *list = save_list_of(ctrl)) save_list_wheel(list, *list->ids, input_wheel());
}
void save_list_on_bar_changed(Control *bar) {
    if (SaveList *list = save_list_of(bar)) save_list_bar_changed(list, *list->ids);
}
void save_list_on_bar_down(Control *bar) {
    if (SaveList *list = save_list_of(bar)) save_list_bar_down(list, *list->ids);
}
void save_list_on_bar_up(Control *bar) {
    if (SaveList *list = save_list_of(bar)) save_list_bar_up(list, *list->ids);
}
void save_list_on_delete(Control *button) {
    if (SaveList *list = save_list_of(button)) save_list_ask_delete(list, *list->ids);
}
void save_list_on_delete_cancelled(Control *button) {
    if (SaveList *list = save_list_of(button)) save_list_delete_cancelled(list, *list->ids);
}
