#pragma once
// Stat-row tables and icon rows: the two list widgets that detail panels fill from plain records.
// A stat-row table shows rows of icon, label and value in aligned columns; an icon-row list shows
// short lines of icon and text side by side or one under the other.
//  - The layout functions take the record List over and free it; the icons become the rows'.
//  - A table keeps the List of its row panels (one reference each) as its widget state.
//  - Game thread only.
#include <cstdint>
#include <string>
#include "platform/list.h"
#include "ui/control.h"

constexpr int STAT_ROW_LABEL_ID = 10000;
constexpr int STAT_ROW_VALUE_ID = 10001;
constexpr int STAT_ROW_ICON_ID  = 10002;
constexpr int ICON_ROW_ICON_ID  = 100001;
constexpr int ICON_ROW_TEXT_ID  = 100002;

// Options of ui_stat_rows_layout.
constexpr int STAT_ROWS_ANIMATE      = 1;   // rows appear one after another, growing from the left
constexpr int STAT_ROWS_CENTRE_VALUE = 2;   // values centred in their column, not right-aligned
constexpr int STAT_ROWS_TWO_COLUMNS  = 4;
// Options of icon_rows_layout.
constexpr int ICON_ROWS_ANIMATE    = 1;
constexpr int ICON_ROWS_VERTICAL   = 2;
constexpr int ICON_ROWS_BACKGROUND = 4;
constexpr int ICON_ROWS_BORDER     = 8;

struct SystemRow {
    Control    *icon = nullptr;   // may be null
    std::string label;
    std::string value;
    int32_t     highlight = 0;    // bit 0: the value in red
};

struct IconRow {
    Control    *icon = nullptr;
    std::string text;
    int32_t     flags = 0;        // bit 0: warning colour
};

List<SystemRow> *ui_stat_rows_list_create();   // an empty list that frees its records
SystemRow *ui_stat_rows_add_row(List<SystemRow> *rows, Control *icon, const char *label, const char *value,
                                int highlight);
void     ui_stat_rows_layout(Control *panel, List<SystemRow> *rows, int options);
Control *ui_stat_rows_create(List<SystemRow> *rows, int options);
void     ui_stat_rows_set_value(Control *table, int index, const char *text);
void     ui_stat_rows_fade_out(Control *table, int ms);
Control *ui_stat_rows_row(Control *table, int index);   // the row panel, or null

List<IconRow> *icon_rows_list_create();
IconRow *icon_rows_add(List<IconRow> *rows, Control *icon, const char *text, int flags);
void     icon_rows_layout(Control *panel, List<IconRow> *rows, int font, int r, int g, int b, int options);
Control *icon_rows_panel_create(List<IconRow> *rows, int blue, int options);
