// The Technology list: the three groups of rows, a row by its tech's state, the figure columns,
// the scrolling viewport and the refresh after a research action.
#include "screens/research/tech_list.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "game/player.h"
#include "game/tech.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "screens/research/research_local.h"
#include "ui/image_control.h"
#include "ui/scroll_list.h"
#include "ui/text_label.h"
#include "ui/value_bar.h"

namespace {

constexpr research_detail::Rgb FIGURE{230, 230, 20};
constexpr research_detail::Rgb LIST_FRAME{24, 24, 8}, TITLE_STRIP{5, 5, 8};
constexpr research_detail::Rgb ROW_BORDER{30, 50, 2}, ROW_BORDER_HOVER{120, 160, 20};
constexpr research_detail::Rgb ROW_FILL{0, 0, 12}, ROW_FILL_HOVER{0, 0, 44};
constexpr research_detail::Rgb BAR_FILL{0, 220, 20}, BAR_BACK{120, 120, 10};
constexpr int FONT_TITLE = 5, FONT_ROW = 2;
constexpr int LIST_TITLE_X = 5, LIST_TITLE_Y = 5, VIEWPORT_BELOW_TITLE = 11;
constexpr int ROW_X = 4, ROW_GAP = 4, ROW_PAD_W = 4, ROW_PAD_H = 2;
constexpr int ICON_X = 2, ICON_Y = 2, NAME_GAP = 6, NAME_Y_TWO_LINES = 6;
constexpr int MARKER_GAP = 4, PAIR_GAP = 2, BAR_BELOW_NAME = 4, BAR_W = 128, BAR_H = 6;
constexpr int COLUMN_GAP = 24, CREDITS_GAP = 8, DAYS_AFTER_ICON = 6;
constexpr int DONE_RIGHT = 12, DAYS_RIGHT = 16, DAYS_ICON_LEFT = 14, MARKER_RIGHT = 20;
constexpr int DONE_RIGHT_REFRESH = 4, FIGURE_ICON_GAP = 4;
constexpr int BAR_GAP = 2, LIST_PAD = 3, TITLE_STRIP_X = 2, STRIP_Y = 2, STRIP_H = 30;
constexpr int HOVER_MS = 200, REFRESH_FADE_MS = 120;

// The children a refresh replaces.
constexpr int REFRESHED_IDS[] = {TECH_ROW_ID_RESEARCH_ICON, TECH_ROW_ID_RESEARCH_COST, TECH_ROW_ID_PROGRESS,
                                 TECH_ROW_ID_CREDITS_ICON,  TECH_ROW_ID_CREDITS_COST,  TECH_ROW_ID_DAYS_ICON,
                                 TECH_ROW_ID_DAYS,          TECH_ROW_ID_NAME,          TECH_ROW_ID_DONE};

Control *live_child(Control *panel, int id) { return panel ? panel_find_child(panel, id) : nullptr; }

void list_state_free(void *data) {
    TechListState *s = static_cast<TechListState *>(data);
    list_clear(&s->rows);
    delete s;
}

// The state a row shows, by the player's bits of its tech.
enum class RowLook { none, available, active_target, active, paused, done };

RowLook look_of(const Player *player, int32_t tech) {
    if (!player || tech < 0 || tech >= PLAYER_TECH_COUNT) return RowLook::none;
    const uint32_t bits = player->tech_state[tech];
    if (bits & TECH_DONE) return RowLook::done;
    if (bits & TECH_QUEUED) {
        if (bits & TECH_PAUSED) return RowLook::paused;
        return player->research_target == tech ? RowLook::active_target : RowLook::active;
    }
    if (bits & TECH_AVAILABLE) return RowLook::available;
    return RowLook::none;
}

// Which group lists the tech: 0 open to research, 1 queued, 2 researched; -1 none.
int group_of(const Player *player, int32_t tech) {
    const TechInfo *info = tech_get(tech);
    if (!info) return -1;
    const uint32_t bits = player->tech_state[tech];
    if ((bits & TECH_AVAILABLE) && !(bits & (TECH_DONE | TECH_QUEUED))) return info->name.empty() ? -1 : 0;
    if (bits & TECH_QUEUED) return 1;
    if (bits & TECH_DONE) return 2;
    return -1;
}

// A row's parts let the pointer through to the row: a click or the wheel anywhere on it is the row's.
Control *add_part(Control *row, int x, int y, int id, Control *part) {
    if (part) control_set_enabled(part, false);
    return panel_add_child(row, x, y, id, 0, part);
}

Control *add_label(Control *row, int x, int y, int id, research_detail::Rgb c, const std::string &text) {
    return add_part(row, x, y, id, text_label_create_plain(FONT_ROW, c.r, c.g, c.b, text.c_str()));
}

Control *add_image(Control *row, int x, int y, int id, int type, int frame) {
    return add_part(row, x, y, id, image_control_create_frame(type, frame));
}

Control *progress_bar(const Player *player, int32_t tech) {
    using research_detail::set_colour;
    Control *bar = value_bar_create_base(BAR_W, BAR_H);
    if (!bar) return nullptr;
    const int cost = std::max(tech_get(tech) ? tech_get(tech)->cost : 1, 1);
    value_bar_set_value(bar, std::clamp(player->research_points[tech], 0, cost), cost);
    value_bar_enable_border(bar);
    set_colour(value_bar_fill_colour(bar), BAR_FILL);
    set_colour(value_bar_border_colour(bar), BAR_BACK);
    return bar;
}

// The name over the progress bar: the name moves up, the bar goes under it.
void add_progress(Control *row, Control *name, const Player *player, int32_t tech) {
    if (!name) return;
    control_set_position(name, name->x, NAME_Y_TWO_LINES);
    add_part(row, name->x, name->y + name->h + BAR_BELOW_NAME, TECH_ROW_ID_PROGRESS, progress_bar(player, tech));
}

// Places c with its right edge `gap` pixels from the row's right edge, centred vertically.
void place_right(Control *row, Control *c, int gap) {
    if (c) control_set_position(c, row->w - c->w - gap, (row->h - c->h) / 2);
}

// A figure `gap` from the right edge with its icon 4 pixels left of it.
void place_pair_right(Control *row, Control *icon, Control *figure, int gap) {
    place_right(row, figure, gap);
    if (icon && figure) control_set_position(icon, figure->x - FIGURE_ICON_GAP - icon->w, (row->h - icon->h) / 2);
}

// The widths the aligned figure columns take over all rows.
struct Columns {
    int x = 0;                  // where the figures start
    int research = 0, credits = 0;   // widest pairs
};

Columns measure_columns(const List<Control> &rows) {
    Columns c;
    for (Control *row : rows.items) {
        if (!row) break;
        c.x = std::max(c.x, research_detail::right_of(live_child(row, TECH_ROW_ID_NAME)) + COLUMN_GAP);
        const Control *ri = live_child(row, TECH_ROW_ID_RESEARCH_ICON), *rf = live_child(row, TECH_ROW_ID_RESEARCH_COST);
        const Control *ci = live_child(row, TECH_ROW_ID_CREDITS_ICON), *cf = live_child(row, TECH_ROW_ID_CREDITS_COST);
        if (ri && rf) c.research = std::max(c.research, ri->w + MARKER_GAP + rf->w);
        if (ci && cf) c.credits = std::max(c.credits, ci->w + MARKER_GAP + cf->w);
    }
    return c;
}

// Icon at x, its figure centred in the rest of a pair `span` wide.
void place_pair(Control *row, Control *icon, Control *figure, int x, int span) {
    if (!icon || !figure) return;
    control_set_position(icon, x, (row->h - icon->h) / 2);
    const int rest = span - icon->w - MARKER_GAP;
    control_set_position(figure, x + icon->w + MARKER_GAP + (rest - figure->w) / 2, (row->h - figure->h) / 2);
}

void align_columns(const List<Control> &rows) {
    const Columns c = measure_columns(rows);
    for (Control *row : rows.items) {
        if (!row) break;
        Control *ri = live_child(row, TECH_ROW_ID_RESEARCH_ICON), *rf = live_child(row, TECH_ROW_ID_RESEARCH_COST);
        Control *ci = live_child(row, TECH_ROW_ID_CREDITS_ICON), *cf = live_child(row, TECH_ROW_ID_CREDITS_COST);
        if (ri && rf && ci && cf) {
            place_pair(row, ri, rf, c.x, c.research);
            place_pair(row, ci, cf, c.x + c.research + CREDITS_GAP, c.credits);
        }
        Control *days_icon = live_child(row, TECH_ROW_ID_DAYS_ICON), *days = live_child(row, TECH_ROW_ID_DAYS);
        if (days_icon && days) control_set_position(days, research_detail::right_of(days_icon) + DAYS_AFTER_ICON, days->y);
        research_detail::fit(row, ROW_PAD_W, ROW_PAD_H);
    }
    int width = 0;
    for (Control *row : rows.items) {
        if (!row) break;
        width = std::max(width, row->w);
    }
    for (Control *row : rows.items) {
        if (!row) break;
        control_set_size(row, width, row->h);
        place_right(row, live_child(row, TECH_ROW_ID_DONE), DONE_RIGHT);
        Control *days_icon = live_child(row, TECH_ROW_ID_DAYS_ICON), *days = live_child(row, TECH_ROW_ID_DAYS);
        if (days) {
            place_right(row, days, DAYS_RIGHT);
            if (days_icon)
                control_set_position(days_icon, days->x - DAYS_ICON_LEFT - days_icon->w / 2,
                                     (row->h - days_icon->h) / 2);
        } else {
            place_right(row, days_icon, MARKER_RIGHT);   // the target's or the paused marker
        }
        if (!live_child(row, TECH_ROW_ID_RESEARCH_COST))
            place_right(row, live_child(row, TECH_ROW_ID_RESEARCH_ICON), MARKER_RIGHT);   // the queued marker
    }
}

}  // namespace

TechListState *tech_list_state(Control *panel) {
    return panel && panel->widget_free == list_state_free ? static_cast<TechListState *>(panel->widget_state)
                                                          : nullptr;
}

Control *tech_list_row_build(Control *list, Player *player, int32_t tech) {
    using research_detail::right_of, research_detail::number;
    const TechInfo *info = tech_get(tech);
    if (!player || !info) return nullptr;
    Control *row = panel_create_empty();
    if (!row) return nullptr;
    panel_set_border_hover(row, ROW_BORDER.r, ROW_BORDER.g, ROW_BORDER.b, ROW_BORDER_HOVER.r, ROW_BORDER_HOVER.g,
                           ROW_BORDER_HOVER.b, HOVER_MS);
    panel_set_background_hover(row, ROW_FILL.r, ROW_FILL.g, ROW_FILL.b, ROW_FILL_HOVER.r, ROW_FILL_HOVER.g,
                               ROW_FILL_HOVER.b, HOVER_MS);
    row->on_click = scroll_list_on_row_click;
    row->on_wheel = scroll_list_on_wheel;
    row->user_data = list;
    control_set_tag(row, tech);
    control_set_enabled(row, true);

    Control *icon = add_image(row, ICON_X, ICON_Y, TECH_ROW_ID_ICON, info->icon, 0);
    const int icon_h = icon ? icon->h : 0;
    Control *name = add_label(row, right_of(icon) + NAME_GAP, ICON_Y, TECH_ROW_ID_NAME, research_detail::TEXT, info->name);
    if (name) control_set_position(name, name->x, ICON_Y + (icon_h - name->h) / 2);
    const int x = right_of(name) + MARKER_GAP, y = ICON_Y;

    switch (look_of(player, tech)) {
    case RowLook::done: add_image(row, x, y, TECH_ROW_ID_DONE, IMAGE_TICK, 0); break;
    case RowLook::active_target: {
        add_progress(row, name, player, tech);
        const int days = player_research_days_left(player, tech);
        if (days > 0) {
            Control *clock = add_image(row, x, y, TECH_ROW_ID_DAYS_ICON, IMAGE_CLOCK, 1);
            add_label(row, right_of(clock) + PAIR_GAP, y, TECH_ROW_ID_DAYS, FIGURE, number(days));
        } else {
            add_image(row, x, y, TECH_ROW_ID_DAYS_ICON, IMAGE_RESEARCHING, 0);
        }
        break;
    }
    case RowLook::active:
        add_progress(row, name, player, tech);
        add_image(row, x, y, TECH_ROW_ID_RESEARCH_ICON, IMAGE_RESEARCHING, 0);
        break;
    case RowLook::paused:
        add_progress(row, name, player, tech);
        add_image(row, x, y, TECH_ROW_ID_DAYS_ICON, IMAGE_RESEARCH_PAUSED, 0);
        break;
    case RowLook::available: {
        Control *ri = add_image(row, x, y, TECH_ROW_ID_RESEARCH_ICON, IMAGE_RESEARCH, 1);
        Control *rf = add_label(row, right_of(ri) + PAIR_GAP, y, TECH_ROW_ID_RESEARCH_COST, FIGURE,
                                number(player_research_cost_display(tech)));
        Control *ci = add_image(row, right_of(rf) + PAIR_GAP, y, TECH_ROW_ID_CREDITS_ICON, IMAGE_CREDITS, 1);
        add_label(row, right_of(ci) + PAIR_GAP, y, TECH_ROW_ID_CREDITS_COST, FIGURE, "$" + number(info->credits));
        break;
    }
    case RowLook::none: break;
    }
    research_detail::fit(row, ROW_PAD_W, ROW_PAD_H);
    return row;
}

void tech_list_build(Control *panel, Player *player) {
    using research_detail::TEXT, research_detail::fit;
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 2);
    panel_set_border(panel, true);
    research_detail::set_colour(panel_border_colour(panel), LIST_FRAME);
    TechListState *state = new (std::nothrow) TechListState;
    if (!state) return;
    state->player = player;
    panel_set_command_state(panel, state, list_state_free);

    Control *title = panel_add_child(panel, LIST_TITLE_X, LIST_TITLE_Y, TECH_LIST_ID_TITLE, 0,
                                     text_label_create_plain(FONT_TITLE, TEXT.r, TEXT.g, TEXT.b, "Technology"));
    Control *viewport = panel_add_child(panel, 0, (title ? title->h : 0) + VIEWPORT_BELOW_TITLE,
                                        TECH_LIST_ID_VIEWPORT, 0, panel_create_empty());
    if (!viewport) return;
    scroll_list_init(viewport, TECH_LIST_SCROLL_STEP, TECH_LIST_WHEEL_STEP);
    scroll_list_set_pick_slot(viewport, tech_list_row_on_click);

    // Three groups, each by name in byte order; equal names keep the table's order.
    std::vector<int32_t> groups[3];
    for (int32_t t = 0; player && t < PLAYER_TECH_COUNT; ++t)
        if (const int g = group_of(player, t); g >= 0) groups[g].push_back(t);
    int y = 0;
    for (std::vector<int32_t> &group : groups) {
        std::stable_sort(group.begin(), group.end(),
                         [](int32_t a, int32_t b) { return tech_get(a)->name < tech_get(b)->name; });
        for (int32_t tech : group) {
            Control *row = tech_list_row_build(panel, player, tech);
            if (!row) continue;
            if (list_append(&state->rows, row) < 0) {
                control_destroy(row);
                continue;
            }
            panel_add_child(viewport, ROW_X, 0, 0, 0, row);
        }
    }
    align_columns(state->rows);
    int bottom = 0;
    for (Control *row : state->rows.items) {
        control_set_position(row, ROW_X, y);
        bottom = y + row->h;
        y = bottom + ROW_GAP;
    }
    state->content_height = bottom;
    scroll_list_set_content(viewport, bottom);

    fit(viewport, 0, 0);
    if (state->content_height > TECH_LIST_VIEW_HEIGHT) {
        control_set_size(viewport, viewport->w, TECH_LIST_VIEW_HEIGHT);
        scroll_list_add_bar(viewport, panel, research_detail::right_of(viewport) + BAR_GAP, viewport->y,
                            TECH_LIST_ID_SCROLL, TECH_LIST_VIEW_HEIGHT, 0);
    } else {
        control_set_size(viewport, viewport->w, state->content_height);
    }

    fit(panel, LIST_PAD, LIST_PAD);
    if (Control *strip =
            panel_create(panel->w - 2 * TITLE_STRIP_X, STRIP_H, TITLE_STRIP.r, TITLE_STRIP.g, TITLE_STRIP.b)) {
        strip->tag = -1;
        control_set_layer(strip, -1);   // under the title
        panel_add_child(panel, TITLE_STRIP_X, STRIP_Y, 0, 0, strip);
    }
}

void tech_list_select(Control *panel, int32_t tech) {
    using research_detail::number;
    TechListState *state = tech_list_state(panel);
    if (!state) return;
    state->chosen = -1;
    const Player *player = state->player;
    if (!player) return;
    for (Control *row : state->rows.items) {
        if (!row) break;
        const int32_t t = row->tag;
        const RowLook look = look_of(player, t);
        if (t != tech && look != RowLook::active && look != RowLook::active_target) continue;
        for (int id : REFRESHED_IDS)
            if (Control *c = live_child(row, id)) control_fade_out(c, REFRESH_FADE_MS);
        const TechInfo *info = tech_get(t);
        if (!info) continue;
        Control *icon = live_child(row, TECH_ROW_ID_ICON);
        const int icon_h = icon ? icon->h : 0;
        Control *name = add_label(row, research_detail::right_of(icon) + NAME_GAP, ICON_Y, TECH_ROW_ID_NAME,
                                  research_detail::TEXT, info->name);
        if (name) control_set_position(name, name->x, ICON_Y + (icon_h - name->h) / 2);

        switch (look) {
        case RowLook::done: place_right(row, add_image(row, 0, 0, TECH_ROW_ID_DONE, IMAGE_TICK, 0), DONE_RIGHT_REFRESH); break;
        case RowLook::active_target:
            add_progress(row, name, player, t);
            if (player->totals.research_rate >= 1) {
                Control *clock = add_image(row, 0, 0, TECH_ROW_ID_DAYS_ICON, IMAGE_CLOCK, 1);
                Control *days = add_label(row, 0, 0, TECH_ROW_ID_DAYS, FIGURE, number(player_research_days_left(player, t)));
                place_pair_right(row, clock, days, DAYS_RIGHT);
            } else {
                place_right(row, add_image(row, 0, 0, TECH_ROW_ID_DAYS_ICON, IMAGE_RESEARCHING, 0), DAYS_RIGHT);
            }
            break;
        case RowLook::active:
            add_progress(row, name, player, t);
            place_right(row, add_image(row, 0, 0, TECH_ROW_ID_RESEARCH_ICON, IMAGE_RESEARCHING, 0), MARKER_RIGHT);
            break;
        case RowLook::paused:
            add_progress(row, name, player, t);
            place_right(row, add_image(row, 0, 0, TECH_ROW_ID_DAYS_ICON, IMAGE_RESEARCH_PAUSED, 0), MARKER_RIGHT);
            break;
        case RowLook::available: {
            Control *ri = add_image(row, 0, 0, TECH_ROW_ID_RESEARCH_ICON, IMAGE_RESEARCH, 1);
            Control *rf = add_label(row, 0, 0, TECH_ROW_ID_RESEARCH_COST, FIGURE, number(player_research_cost_display(t)));
            place_pair_right(row, ri, rf, DAYS_RIGHT);
            break;
        }
        case RowLook::none: break;
        }
    }
}

void tech_list_row_on_click(Control *row) {
    Control *list = row ? static_cast<Control *>(row->user_data) : nullptr;
    TechListState *state = tech_list_state(list);
    if (!state) return;
    state->chosen = row->tag;
    if (state->slot[TECH_LIST_SLOT_SELECT]) state->slot[TECH_LIST_SLOT_SELECT](list);
}
