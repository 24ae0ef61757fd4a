// Stat-row tables and icon rows.
#include "ui/stat_rows.h"

#include <algorithm>
#include <new>

#include "platform/colour_fade.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"

namespace {

// Both record kinds (SystemRow, IconRow) own their icon until a layout places it.
template <typename Row>
void free_record(Row *row) {
    if (row->icon && row->icon->refcount <= 0) control_destroy(row->icon);   // never placed
    delete row;
}

template <typename Row>
List<Row> *record_list_create() {
    List<Row> *rows = list_create<Row>();
    if (rows) list_set_free_fn(rows, free_record<Row>);
    return rows;
}

// A new record filled by `fill` at the end of the list; null, with nothing appended and the icon
// still the caller's, when memory runs out.
template <typename Row, typename Fill>
Row *record_append(List<Row> *rows, Fill fill) {
    if (!rows) return nullptr;
    if (!rows->free_fn) list_set_free_fn(rows, free_record<Row>);
    Row *row = new (std::nothrow) Row{};
    if (!row) return nullptr;
    try {
        fill(row);
    } catch (const std::bad_alloc &) {
        delete row;
        return nullptr;
    }
    if (list_append(rows, row) < 0) {
        delete row;
        return nullptr;
    }
    return row;
}

// The panel a layout fills; null, with the records freed, when `panel` is not a panel.
template <typename Row>
Panel *layout_target(Control *panel, List<Row> *rows) {
    Panel *p = panel_of(panel);
    if (!p) {
        list_free(rows);
        return nullptr;
    }
    panel_remove_children(panel);
    return p;
}

template <typename Row, typename Layout>
Control *create_laid_out(List<Row> *rows, Layout layout) {
    Control *panel = panel_create_empty();
    if (panel) layout(panel);
    else list_free(rows);
    return panel;
}

void release_row(Control *row) { control_release(row); }

void free_row_panels(void *data) { list_free(static_cast<List<Control> *>(data)); }

// The table's row panels, one reference each.
List<Control> *new_row_state(Control *panel) {
    List<Control> *rows = list_create<Control>();
    if (rows) list_set_free_fn(rows, release_row);
    control_set_widget_state(panel, rows, free_row_panels);
    return rows;
}

List<Control> *row_state(Control *table) {
    if (!table || table->widget_free != free_row_panels) return nullptr;
    return static_cast<List<Control> *>(table->widget_state);
}

Control *value_label(const std::string &text, bool highlight) {
    return highlight ? text_label_create_plain(2, 230, 10, 20, text.c_str())
                     : text_label_create_plain(2, 220, 220, 30, text.c_str());
}

void centre_y(Control *c, int h) {
    if (c) control_set_position(c, c->x, h / 2 - c->h / 2);
}

}  // namespace

List<SystemRow> *ui_stat_rows_list_create() { return record_list_create<SystemRow>(); }

SystemRow *ui_stat_rows_add_row(List<SystemRow> *rows, Control *icon, const char *label, const char *value,
                                int highlight) {
    return record_append(rows, [&](SystemRow *row) {
        row->label = label ? label : "";
        row->value = value ? value : "";
        row->icon = icon;
        row->highlight = highlight;
    });
}

void ui_stat_rows_layout(Control *panel, List<SystemRow> *rows, int options) {
    Panel *p = layout_target(panel, rows);
    if (!p) return;
    p->flags &= ~PANEL_PLAIN_MASK;
    List<Control> *panels = new_row_state(panel);
    int y = 0, widest_icon = 0, label_right = 0, widest_value = 0;
    for (SystemRow *record : rows ? rows->items : std::vector<SystemRow *>{}) {
        if (!record) break;
        Control *row = panel_create_empty();
        if (!row) continue;
        panel_add_child(panel, 0, y, 0, 0, row);
        panel_set_border(row, true);
        panel_set_bevel(row, true);
        colour_fade_set(panel_border_colour(row), 34, 34, 34);
        int x = 4;
        if (Control *icon = record->icon) {
            record->icon = nullptr;   // the row holds it now
            panel_add_child(row, 4, 4, STAT_ROW_ICON_ID, 1, icon);
            x = icon->w + 8;
            widest_icon = std::max(widest_icon, icon->w);
        }
        if (Control *label = text_label_create_plain(2, 230, 230, 230, record->label.c_str())) {
            panel_add_child(row, x, 4, STAT_ROW_LABEL_ID, 1, label);
            label_right = std::max(label_right, 2 * label->x + label->w);
        }
        if (Control *value = value_label(record->value, record->highlight & 1)) {
            panel_add_child(row, 4, 4, STAT_ROW_VALUE_ID, 1, value);
            widest_value = std::max(widest_value, value->w);
        }
        int w = 0, h = 0;
        panel_layout(row, &w, &h);
        control_set_size(row, w, h + 4);
        if (panels && list_append(panels, control_addref(row)) < 0) control_release(row);
        y += row->h + 2;
    }
    const int column_w = label_right + 20 + widest_value;
    const std::vector<Control *> none;
    const std::vector<Control *> &all = panels ? panels->items : none;
    for (Control *row : all) {
        control_set_size(row, column_w, row->h);
        panel_enable_split_fill(row, label_right + 8);
        colour_fade_set(panel_split_colour(row, 0), 16, 4, 16);
        colour_fade_set(panel_split_colour(row, 1), 1, 1, 1);
        Control *icon = panel_find_child(row, STAT_ROW_ICON_ID);
        Control *label = panel_find_child(row, STAT_ROW_LABEL_ID);
        Control *value = panel_find_child(row, STAT_ROW_VALUE_ID);
        centre_y(icon, row->h);
        if (label) {
            control_set_position(label, icon ? widest_icon + 12 : 4, label->y);
            centre_y(label, row->h);
        }
        if (value) {
            const int x = (options & STAT_ROWS_CENTRE_VALUE) ? (label_right + column_w) / 2 - value->w / 2
                                                             : column_w - value->w - 4;
            control_set_position(value, x, value->y);
            centre_y(value, row->h);
        }
    }
    if (options & STAT_ROWS_TWO_COLUMNS) {
        const size_t left = all.size() / 2;
        int ly = 0, ry = 0, widest = 0;
        for (size_t i = 0; i < left; ++i) widest = std::max(widest, all[i]->w);
        for (size_t i = 0; i < all.size(); ++i) {
            int &cy = i < left ? ly : ry;
            control_set_position(all[i], i < left ? 0 : widest + 6, cy);
            cy += all[i]->h + 2;
        }
    }
    panel_relayout(panel);
    if (options & STAT_ROWS_ANIMATE) {
        int delay = 0;
        for (Control *row : all) {
            panel_set_draw_children_while_resizing(row, true);
            const int h = row->h;
            control_set_size(row, 4, h);
            panel_resize_to(row, column_w, h, 160);
            control_hide_for(row, delay);
            delay += 60;
        }
    }
    list_free(rows);
}

Control *ui_stat_rows_create(List<SystemRow> *rows, int options) {
    return create_laid_out(rows, [&](Control *panel) { ui_stat_rows_layout(panel, rows, options); });
}

Control *ui_stat_rows_row(Control *table, int index) {
    List<Control> *rows = row_state(table);
    return rows ? list_get(rows, index) : nullptr;
}

void ui_stat_rows_set_value(Control *table, int index, const char *text) {
    Control *row = ui_stat_rows_row(table, index);
    if (!row) return;
    Control *old = panel_find_child(row, STAT_ROW_VALUE_ID);
    const int right = old ? old->x + old->w : row->w - 4, y = old ? old->y : 4;
    if (old) control_fade_out(old, 200);
    if (Control *value = text_label_create_plain(2, 220, 220, 30, text ? text : ""))
        panel_add_child(row, right - value->w, y, STAT_ROW_VALUE_ID, 1, value);
}

void ui_stat_rows_fade_out(Control *table, int ms) {
    List<Control> *rows = row_state(table);
    for (Control *row : rows ? rows->items : std::vector<Control *>{}) {
        if (!row) break;
        for (ColourFade *c : {panel_border_colour(row), panel_split_colour(row, 0), panel_split_colour(row, 1)})
            if (c) colour_fade_to(c, 0, 0, 0, ms, 0);
        for (int id : {STAT_ROW_ICON_ID, STAT_ROW_LABEL_ID, STAT_ROW_VALUE_ID})
            if (Control *c = panel_find_child(row, id)) control_fade_out(c, ms);
    }
    table->flags |= CTRL_FADING | CTRL_DISABLED;
    control_remove_after(table, ms);
    control_set_closed(table);
    table->id = -1;
    table->layer = -4;
}

List<IconRow> *icon_rows_list_create() { return record_list_create<IconRow>(); }

IconRow *icon_rows_add(List<IconRow> *rows, Control *icon, const char *text, int flags) {
    return record_append(rows, [&](IconRow *row) {
        row->text = text ? text : "";
        row->icon = icon;
        row->flags = flags;
    });
}

void icon_rows_layout(Control *panel, List<IconRow> *rows, int font, int r, int g, int b, int options) {
    Panel *p = layout_target(panel, rows);
    if (!p) return;
    if (options & ICON_ROWS_BACKGROUND) {
        panel_set_background(panel, true);
        colour_fade_set(p->background, 2, 2, 2);
    } else {
        p->flags &= ~PANEL_PLAIN_MASK_KEEP_BORDER;
    }
    if (options & ICON_ROWS_BORDER) {
        panel_set_border(panel, true);
        panel_set_bevel(panel, true);
        if (options & ICON_ROWS_ANIMATE) colour_fade_start(p->border, 0, 0, 0, 120, 120, 120, 120, 0, 0);
        else colour_fade_set(p->border, 120, 120, 120);
    }
    List<Control> *panels = new_row_state(panel);
    const bool vertical = options & ICON_ROWS_VERTICAL;
    int x = 0, y = 0, tallest = 0;
    for (IconRow *record : rows ? rows->items : std::vector<IconRow *>{}) {
        if (!record) break;
        Control *row = panel_create_empty();
        if (!row) continue;
        panel_add_child(panel, x, y, 0, 1, row);
        int tx = 0;
        Control *icon = record->icon;
        record->icon = nullptr;
        if (icon) {
            panel_add_child(row, 0, 0, ICON_ROW_ICON_ID, 1, icon);
            tx = icon->w + 4;
            if (options & ICON_ROWS_ANIMATE) image_control_animate_brightness_from(icon, 0, 100, 120, 0);
        }
        const bool warning = record->flags & 1;
        const int tr = warning ? 230 : r, tg = warning ? 32 : g, tb = warning ? 2 : b;
        if (Control *text = text_label_create_plain(font, tr, tg, tb, record->text.c_str())) {
            panel_add_child(row, tx, 0, ICON_ROW_TEXT_ID, 1, text);
            // Both centred on the taller: a text above its row's top edge would lose the tops of
            // its capitals to the row's clip.
            if (icon && icon->h >= text->h) control_set_position(text, tx, icon->h / 2 - text->h / 2);
            else if (icon) control_set_position(icon, 0, text->h / 2 - icon->h / 2);
            if (options & ICON_ROWS_ANIMATE) colour_fade_start(text_label_colour(text), 0, 0, 0, tr, tg, tb, 200, 0, 0);
        }
        panel_relayout(row);
        tallest = std::max(tallest, row->h);
        if (panels && list_append(panels, control_addref(row)) < 0) control_release(row);
        if (vertical) y += row->h + 4;
        else x += row->w + 8;
    }
    if (!vertical && panels) {   // one height for all, icon and text centred on it
        for (Control *row : panels->items) {
            control_set_size(row, row->w, tallest);
            for (int id : {ICON_ROW_ICON_ID, ICON_ROW_TEXT_ID}) centre_y(panel_find_child(row, id), tallest);
        }
    }
    panel_relayout(panel);
    list_free(rows);
}

Control *icon_rows_panel_create(List<IconRow> *rows, int blue, int options) {
    return create_laid_out(rows, [&](Control *panel) { icon_rows_layout(panel, rows, 2, 230, 230, blue, options); });
}
