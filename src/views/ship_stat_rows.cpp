// Ship stat rows: building the four bars from the ship, moving them to the ship's new values, and
// the hover popup that explains each.
#include "views/ship_stat_rows.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "game/game.h"
#include "platform/colour_fade.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "ui/value_bar.h"
#include "views/views_local.h"
#include "world/ship.h"

namespace {

constexpr int ICON_X = 5, ICON_Y = 3;
constexpr int BAR_COLUMN_GAP = 11;     // bars start this far right of the widest icon
constexpr int BAR_MIN_HEIGHT = 8;
constexpr int BAR_Y = 3;
constexpr int ROW_PAD_W = 5, ROW_PAD_H = 3;
constexpr int ROW_GAP_Y = 10;          // below the tallest icon
constexpr int COLUMN_GAP = 16;
constexpr int HOVER_DELAY_MS = 475;
constexpr int GLIDE_MS = 200;          // every move of a bar takes about this long
constexpr int INACTIVE_GREY = 100;
constexpr int CREW_PER_AP = 200;

constexpr int HINT_X = 5, HINT_Y = 3;
constexpr int HINT_TEXT_GAP = 11;
constexpr int HINT_TEXT_WIDTH = 256;
constexpr int HINT_PAD_W = 5, HINT_PAD_H = 3;
constexpr int FONT_TITLE = 1, FONT_TEXT = 2;

enum StatRow : int { ROW_ARMOR = 0, ROW_CREW = 1, ROW_MP = 2, ROW_AP = 3, ROW_COUNT = 4 };

// The four rows, in build order.
struct RowKind {
    uint32_t    flag;
    int         id;
    int         icon;
    const char *title;
};
constexpr RowKind ROWS[ROW_COUNT] = {
    {SHIP_STAT_ARMOR, SHIP_STAT_ROW_ARMOR, 53, "Armor"},
    {SHIP_STAT_CREW, SHIP_STAT_ROW_CREW, 78, "Crew"},
    {SHIP_STAT_MP, SHIP_STAT_ROW_MP, 165, "MP"},
    {SHIP_STAT_AP, SHIP_STAT_ROW_AP, 51, "AP"},
};

// What a row's bar shows: value of maximum, or an empty bar without caption.
struct BarFigures {
    int  value = 0, max = 1;
    bool empty = false;
};

void free_rows_state(void *data) { delete static_cast<ShipStatRowsState *>(data); }

Ship *panel_ship(Control *panel) { return panel ? ship_of(static_cast<GameObject *>(panel->user_data)) : nullptr; }

bool has_commander(const Ship *ship) { return ship->pilot_id != 0; }

// The row's figures as the ship stands: a crew row without commander and the MP row of an
// immobile hull are empty.
BarFigures figures(const Ship *ship, int row) {
    switch (row) {
    case ROW_ARMOR: return {ship->armour, ship->max_armour, false};
    case ROW_CREW: return has_commander(ship) ? BarFigures{ship->crew, ship->max_crew, false} : BarFigures{0, 1, true};
    case ROW_MP:
        return (ship->hull_flags & HULL_FLAG_IMMOBILE) ? BarFigures{0, 1, true}
                                                        : BarFigures{ship->mp, ship->max_mp, false};
    default: return {ship->ap, ship->max_ap, false};
    }
}

bool icon_inactive(const Ship *ship, int row) {
    return (row == ROW_CREW && !has_commander(ship)) || (row == ROW_MP && (ship->hull_flags & HULL_FLAG_IMMOBILE));
}

// The bar's maximum a set of figures asks for: a value above the maximum fills the bar.
int bar_max(const BarFigures &f) { return f.empty ? 1 : std::max(f.value > f.max ? f.value : f.max, 1); }

// Sets the bar to the figures at once, with its caption: "%i/%i", the value alone above the
// maximum, none for an empty bar.
void set_bar(Control *bar, const BarFigures &f) {
    ValueBar *v = value_bar_of(bar);
    if (!v) return;
    if (f.empty) v->flags &= ~BAR_CAPTION;
    else if (f.value > f.max) v->flags = (v->flags | BAR_CAPTION) & ~BAR_CAPTION_OF_MAX;
    else v->flags |= BAR_CAPTION | BAR_CAPTION_OF_MAX;
    value_bar_set_value(bar, f.empty ? 0 : f.value, bar_max(f));
}

bool caption_matches(const ValueBar *v, const BarFigures &f) {
    if (f.empty) return true;   // an emptied bar glides down and keeps what it showed
    if (!(v->flags & BAR_CAPTION)) return false;
    return ((v->flags & BAR_CAPTION_OF_MAX) != 0) == (f.value <= f.max);
}

// Glides to the figures when the bar already measures against the same maximum in the same way;
// otherwise (a new maximum, a commander come or gone) value and maximum are set together.
void move_bar(Control *bar, const BarFigures &f) {
    const ValueBar *v = value_bar_of(bar);
    if (!v) return;
    if (f.empty) {
        value_bar_animate_to(bar, 0, GLIDE_MS);
        return;
    }
    if (v->max != bar_max(f) || !caption_matches(v, f)) {
        set_bar(bar, f);
        return;
    }
    value_bar_animate_to(bar, std::clamp(f.value, 0, v->max), GLIDE_MS);
}

void fit_panel(Control *panel, int pad_w, int pad_h) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + pad_w, h + pad_h);
}

}  // namespace

uint32_t ship_stat_rows_flags(uint32_t hull_flags, bool show_ap_mp, bool animate) {
    uint32_t flags = SHIP_STAT_ARMOR;
    if (!(hull_flags & HULL_FLAG_NO_PILOT)) flags |= SHIP_STAT_CREW;
    if (show_ap_mp) {
        flags |= SHIP_STAT_AP;
        if (!(hull_flags & HULL_FLAG_IMMOBILE)) flags |= SHIP_STAT_MP;
    }
    if (animate) flags |= SHIP_STAT_ANIMATE;
    return flags;
}

ShipStatRowsState *ship_stat_rows_state(Control *panel) {
    return panel && panel->widget_free == free_rows_state ? static_cast<ShipStatRowsState *>(panel->widget_state) : nullptr;
}

void ship_stat_rows_build(Control *panel, GameObject *obj, uint32_t hull_flags, uint32_t row_flags) {
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    panel_clear_fills(panel);
    control_set_user_data(panel, obj, nullptr);
    ShipStatRowsState *state = new (std::nothrow) ShipStatRowsState;
    control_set_widget_state(panel, state, state ? free_rows_state : nullptr);
    Ship *ship = ship_of(obj);
    if (!ship || !state) return;

    std::vector<Control *> rows;
    std::vector<int> kinds;
    int widest = 0, tallest = 0;
    for (int k = 0; k < ROW_COUNT; ++k) {
        if (!(row_flags & ROWS[k].flag)) continue;
        Control *row = panel_create_empty();
        if (!row) continue;
        panel_set_border(row, true);
        if (ColourFade *b = panel_border_colour(row)) colour_fade_set(b, 13, 34, 13);
        panel_set_background(row, true);
        if (ColourFade *bg = panel_background_colour(row)) colour_fade_set(bg, 2, 2, 2);
        panel_of(row)->value = k;
        row->dwell_delay = row->dwell_left = HOVER_DELAY_MS;
        row->on_dwell = ship_stat_row_hint_show;
        row->on_hover_leave = ship_stat_row_hint_hide;
        panel_add_child(panel, 0, 0, ROWS[k].id, 0, row);
        Control *icon = image_control_create_frame(ROWS[k].icon, 1);
        if (icon) {
            // The hull flags given decide the MP icon: the row is built for the hull the panel shows.
            const bool inactive = k == ROW_MP ? (hull_flags & HULL_FLAG_IMMOBILE) != 0 : icon_inactive(ship, k);
            if (inactive) image_control_set_grey(icon, INACTIVE_GREY);
            panel_add_child(row, ICON_X, ICON_Y, SHIP_STAT_ICON, 1, icon);
            widest = std::max(widest, icon->w);
            tallest = std::max(tallest, icon->h);
        }
        rows.push_back(row);
        kinds.push_back(k);
    }

    state->bar_height = std::max(tallest / 2, BAR_MIN_HEIGHT);
    state->bars_x = widest + BAR_COLUMN_GAP;
    for (size_t i = 0; i < rows.size(); ++i) {
        Control *bar = value_bar_create(state->bar_width, state->bar_height, 0, 1);
        if (bar) {
            if (ColourFade *frame = value_bar_border_colour(bar)) colour_fade_set(frame, 200, 200, 200);
            if (ColourFade *fill = value_bar_fill_colour(bar)) colour_fade_set(fill, 0, 64, 0);
            set_bar(bar, figures(ship, kinds[i]));
            panel_add_child(rows[i], state->bars_x, tallest / 2 - state->bar_height / 2 + BAR_Y, SHIP_STAT_BAR, 1, bar);
        }
        fit_panel(rows[i], ROW_PAD_W, ROW_PAD_H);
    }

    // Two columns of two, in build order.
    int first_column_w = 0;
    for (size_t i = 0; i < rows.size() && i < 2; ++i) first_column_w = std::max(first_column_w, rows[i]->w);
    for (size_t i = 0; i < rows.size(); ++i) {
        const int x = i < 2 ? 0 : first_column_w + COLUMN_GAP;
        const int y = i % 2 == 0 ? 0 : tallest + ROW_GAP_Y;
        control_set_position(rows[i], x, y);
    }
    fit_panel(panel, 0, 0);
}

void ship_stat_rows_refresh(Control *panel) {
    Ship *ship = panel_ship(panel);
    if (!ship || !ship_stat_rows_state(panel)) return;
    for (int k = 0; k < ROW_COUNT; ++k) {
        Control *row = panel_find_child(panel, ROWS[k].id);
        if (!row) continue;   // the block was built without it
        move_bar(panel_find_child(row, SHIP_STAT_BAR), figures(ship, k));
        if (k == ROW_CREW)
            image_control_set_grey(panel_find_child(row, SHIP_STAT_ICON), icon_inactive(ship, k) ? INACTIVE_GREY : 0);
    }
}

void ship_stat_row_hint_show(Control *row) {
    const Panel *p = panel_of(row);
    if (!p || p->value < 0 || p->value >= ROW_COUNT) return;
    const RowKind &kind = ROWS[p->value];
    static const char *const TEXTS[ROW_COUNT] = {
        "The ship's structural integrity rating, indicating the amount of damage it can sustain before being "
        "destroyed.",
        "The number of crew on board the ship, providing an increase to maximum AP of one for every %i crew "
        "members. A ship cannot carry crew unless it is commanded by an officer.",
        "Movement points, used for propulsion during combat. Higher rated engines provide more movement.",
        "Action points, expended during combat to perform actions on the ship's turn. AP can be increased by "
        "assigning an officer and crew.",
    };
    char text[320];
    std::snprintf(text, sizeof text, TEXTS[p->value], CREW_PER_AP);

    Control *popup = panel_create_empty();
    if (!popup) return;
    Control *title = panel_add_child(popup, HINT_X, HINT_Y, SHIP_STAT_HINT_TITLE, 0,
                                     text_label_create_plain(FONT_TITLE, 0, 230, 0, kind.title));
    const int text_y = HINT_Y + (title ? title->h : 0) + HINT_TEXT_GAP;
    panel_add_child(popup, HINT_X, text_y, SHIP_STAT_HINT_TEXT, 0,
                    ui_tile_create(text, FONT_TEXT, HINT_TEXT_WIDTH, 0, 230, 230, 230, 0));
    fit_panel(popup, HINT_PAD_W, HINT_PAD_H);
    if (game_open_popup(views_detail::root(), popup, row, PLACE_BESIDE) != RES_OK) control_remove(popup);
}

void ship_stat_row_hint_hide(Control *) { game_close_popup(views_detail::root()); }
