// The news panel: rows, layout, scrolling, expand and collapse, marking read.
#include "screens/news/news_panel.h"

#include <algorithm>

#include "game/alert.h"
#include "game/game.h"
#include "platform/calendar.h"
#include "platform/colour_fade.h"
#include "platform/list.h"
#include "screens/news/news_local.h"
#include "ui/image_control.h"
#include "ui/panel_slots.h"
#include "ui/scroll.h"
#include "ui/scroll_list.h"
#include "ui/text_block.h"
#include "ui/text_label.h"

namespace {

constexpr int MIN_ROW_WIDTH = 150;
constexpr int TEXT_WIDTH = 340;
constexpr int HEADER_GAP = 4;            // between a day-header row and an item row
constexpr int ROW_PAD = 3;
constexpr int ICON_TEXT_GAP = 15;
constexpr int SCROLL_ARROW_STEP = 16;
constexpr int SCROLL_WHEEL_STEP = 8;
constexpr int SCROLL_SLIDE_MS = 200;
constexpr int RESIZE_APPEND_MS = 160;
constexpr int RESIZE_EXPAND_MS = 200;
constexpr int RESIZE_COLLAPSE_MS = 100;
constexpr int READ_FADE_MS = 120;
constexpr int EXPANDED_LAYER = 10;
constexpr int BADGE_IMAGE = 73;
constexpr int BADGE_LAYER = 20;
constexpr int TITLE_FONT = 5, TEXT_FONT = 2, COUNT_FONT = 1;

// The icon and the text take no pointer: the row under them is hovered, clicked and wheeled.
constexpr int PANEL_CHILD_INERT = 1;

// A row's widget state: the id of its alert.
struct NewsRowState {
    uint64_t alert_id = 0;
};

void free_state(void *data) { delete static_cast<NewsPanelState *>(data); }
void free_row_state(void *data) { delete static_cast<NewsRowState *>(data); }

Control *list_area(Control *panel) { return panel_find_child(panel, NEWS_ID_LIST); }

Alert *find_alert(uint64_t id) {
    const Game *game = game_get();
    if (id == 0 || !game || !game->alerts) return nullptr;
    for (Alert *alert : game->alerts->items) {
        if (!alert) break;
        if (alert->id == id) return alert;
    }
    return nullptr;
}

uint64_t row_alert_id(const Control *row) {
    const auto *state = row ? static_cast<const NewsRowState *>(row->widget_state) : nullptr;
    return state ? state->alert_id : 0;
}

// Under a day old by the game clock, and not a day header.
bool alert_is_new(const Alert *alert) {
    const Game *game = game_get();
    if (!alert || alert->kind == ALERT_DAY_HEADER || !alert->time || !game || !game->clock) return false;
    return date_minutes_between(game->clock, alert->time) < ALERT_NEW_MINUTES;
}

Control *news_panel_of(Control *ctrl) { return ctrl ? static_cast<Control *>(ctrl->user_data) : nullptr; }

Control *build_row(Alert *alert) {
    Control *row = panel_create_empty();
    if (!row) return nullptr;
    const bool header = alert->kind == ALERT_DAY_HEADER;
    if (!header && alert->scene) {
        panel_set_border(row, true);
        panel_set_border_hover(row, 0, 0, 0, 0, 255, 0, 150);
        row->on_click = scroll_list_on_row_click;
    }
    if (header) {
        panel_set_background(row, true);
        if (ColourFade *bg = panel_background_colour(row)) colour_fade_set(bg, 10, 2, 10);
    }
    row->on_wheel = scroll_list_on_wheel;
    control_set_widget_state(row, new NewsRowState{.alert_id = alert->id}, free_row_state);

    Control *icon = nullptr;
    int text_x = ROW_PAD;
    if (Sprite *sprite = alert_get_icon(alert)) {
        icon = image_control_create_single(sprite);
        if (icon) {
            int r = 0, g = 0, b = 0;
            if (alert_get_frame_color(alert, &r, &g, &b)) {
                image_control_enable_background(icon);
                if (ColourFade *fill = image_control_background_colour(icon)) colour_fade_set(fill, r, g, b);
            }
            if (alert_get_player_color(alert, &r, &g, &b)) {
                image_control_enable_border(icon);
                if (ColourFade *border = image_control_border_colour(icon)) colour_fade_set(border, r, g, b);
            }
            panel_add_child(row, ROW_PAD, ROW_PAD, NEWS_ID_ROW_ICON, PANEL_CHILD_INERT, icon);
            text_x = icon->w + ICON_TEXT_GAP;
        }
    }
    int r = 230, g = 230, b = 230, is_new = 0;
    alert_get_text_color(alert, &r, &g, &b, &is_new);
    const int options = is_new ? TILE_FADE_IN | TILE_PULSE : TILE_FADE_IN;
    Control *text = ui_tile_create(alert->text.c_str(), TEXT_FONT, TEXT_WIDTH, 0, r, g, b, options);
    if (text) panel_add_child(row, text_x, ROW_PAD, NEWS_ID_ROW_TEXT, PANEL_CHILD_INERT, text);
    if (icon && text) {
        // The shorter of the two is centred on the taller.
        Control *shorter = icon->h < text->h ? icon : text;
        const int tall = std::max(icon->h, text->h);
        control_set_position(shorter, shorter->x, ROW_PAD + (tall - shorter->h) / 2);
    }
    int w = 0, h = 0;
    panel_layout(row, &w, &h);
    control_set_size(row, w + ROW_PAD, h + ROW_PAD);
    return row;
}

void add_row(Control *panel, NewsPanelState *state, Alert *alert) {
    Control *list = list_area(panel);
    if (!list || !alert) return;
    Control *row = build_row(alert);
    if (!row) return;
    row->user_data = panel;
    panel_add_child(list, 0, 0, 0, 0, row);
    state->rows.push_back(row);
}

void remove_child(Control *panel, int id) {
    if (Control *child = panel_find_child(panel, id)) control_remove(child);
}

Control *scroll_bar(Control *panel) { return panel_find_child(panel, NEWS_ID_SCROLL); }

void scroll_list_to(Control *panel, int offset) {
    if (Control *list = list_area(panel)) panel_set_scroll(list, 0, std::max(offset, 0));
}

void scroll_to_bottom(Control *panel, const NewsPanelState *state) {
    if (Control *list = list_area(panel)) scroll_list_to(panel, state->content_height - list->h);
}

void set_scroll_bar_to_end(Control *bar) {
    int pos = 0, range = 0;
    scroll_bar_get(bar, &pos, &range);
    scroll_bar_set_position(bar, range);
}

Control *make_expand_button(Control *panel, int image, ControlFn on_click) {
    Control *button = image_button_create_plain(image, on_click, 0, panel);
    if (!button) return nullptr;
    panel_add_child(panel, 0, 0, NEWS_ID_EXPAND, 0, button);
    control_set_layer(button, 2);
    return button;
}

void place_expand_button(Control *panel) {
    Control *button = panel_find_child(panel, NEWS_ID_EXPAND);
    Control *header = panel_find_child(panel, NEWS_ID_HEADER);
    if (!button || !header) return;
    control_set_position(button, header->w - button->w + header->x - 12, header->y + header->h / 2 - button->h / 2 - 1);
}

void make_badge(Control *panel, int count) {
    const int frame = image_type_frame_count(BADGE_IMAGE) > 2 ? 2 : 0;
    Control *badge = image_control_create_frame(BADGE_IMAGE, frame);
    if (!badge) return;
    panel_add_child(panel, 80, 7, NEWS_ID_BADGE, 0, badge);
    control_set_layer(badge, BADGE_LAYER);
    Control *label = text_label_create(COUNT_FONT, 250, 250, 250, "%i", count);
    if (!label) return;
    panel_add_child(panel, badge->x + badge->w + 4, badge->y + badge->h / 2 - label->h / 2, NEWS_ID_NEW_COUNT, 0,
                    label);
    control_set_layer(label, BADGE_LAYER);
    if (ColourFade *colour = text_label_colour(label))
        colour_fade_start(colour, 250, 250, 250, 220, 10, 40, 2800, 0, COLOUR_FADE_MODE_BOUNCE);
}

void size_to_content(Control *panel) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + 3, h + 2);
}

}  // namespace

NewsPanelState *news_panel_state(Control *panel) {
    PanelCommandSlots *slots = panel_command_slots(panel);
    // Only the news panel installs free_state with its record.
    const Panel *p = panel_of(panel);
    if (!slots || !p || p->command_free != free_state) return nullptr;
    return static_cast<NewsPanelState *>(slots);
}

void news_panel_build_sized(Control *panel, List<Alert> *alerts, int32_t normal_height, int32_t expanded_limit) {
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    auto *state = new NewsPanelState;
    state->normal_height = normal_height;
    state->expanded_limit = expanded_limit;
    panel_set_command_state(panel, state, free_state);

    panel_set_shade(panel, news_detail::SHADE_LEVEL);
    panel_set_border(panel, true);
    if (ColourFade *border = panel_border_colour(panel)) colour_fade_set(border, 6, 6, 6);
    panel_set_anchor_mode(panel, PANEL_ANCHOR_BOTTOM);
    panel_set_draw_children_while_resizing(panel, true);

    Control *title = text_label_create_plain(TITLE_FONT, 230, 230, 230, "News");
    if (title) panel_add_child(panel, 5, 6, NEWS_ID_TITLE, 0, title);
    Control *header = panel_create(100, 30, 5, 5, 8);
    if (header) {
        panel_add_child(panel, 2, 2, NEWS_ID_HEADER, 0, header);
        control_set_layer(header, -1);
        header->on_wheel = news_panel_on_wheel;
        header->user_data = panel;
    }
    state->list_y = (title ? title->h : 0) + 12;
    Control *list = panel_create_empty();
    if (list) {
        panel_add_child(panel, state->list_x, state->list_y, NEWS_ID_LIST, 0, list);
        scroll_list_init(list, SCROLL_ARROW_STEP, SCROLL_WHEEL_STEP);
        scroll_list_set_pick_slot(list, news_row_on_click);
        list->on_wheel = scroll_list_on_wheel;
        list->user_data = panel;
    }
    if (alerts)
        for (Alert *alert : alerts->items) {
            if (!alert) break;
            add_row(panel, state, alert);
        }
    news_panel_layout(panel);
    size_to_content(panel);
}

void news_panel_layout(Control *panel) {
    NewsPanelState *state = news_panel_state(panel);
    Control *list = list_area(panel);
    if (!state || !list) return;

    // Rows whose alerts have left the game's list go now.
    std::vector<Alert *> alerts;
    std::erase_if(state->rows, [&](Control *row) {
        Alert *alert = news_panel_row_alert(row);
        if (!alert) {
            control_remove(row);
            return true;
        }
        alerts.push_back(alert);
        return false;
    });

    int width = MIN_ROW_WIDTH;
    for (Control *row : state->rows) width = std::max(width, row->w);
    int y = 0, new_count = 0;
    const Alert *previous = nullptr;
    for (size_t i = 0; i < state->rows.size(); ++i) {
        Control *row = state->rows[i];
        const Alert *alert = alerts[i];
        if (previous && (previous->kind == ALERT_DAY_HEADER) != (alert->kind == ALERT_DAY_HEADER)) y += HEADER_GAP;
        control_set_size(row, width, row->h);
        control_set_position(row, 0, y);
        y += row->h;
        if (alert_is_new(alert)) ++new_count;
        else if (Control *text = panel_find_child(row, NEWS_ID_ROW_TEXT)) ui_tile_set_text_colour(text);
        previous = alert;
    }

    remove_child(list, NEWS_ID_EMPTY);
    int content_w = 0, content_h = 0;
    panel_layout(list, &content_w, &content_h);
    state->content_height = state->rows.empty() ? 0 : content_h;
    scroll_list_set_content(list, state->content_height);
    const int visible = state->normal_height - state->list_y;
    if (state->content_height <= visible || state->expanded) {
        if (!state->expanded) {
            remove_child(panel, NEWS_ID_SCROLL);
            remove_child(panel, NEWS_ID_EXPAND);
        }
        if (state->rows.empty()) {
            Control *empty = text_label_create_plain(TEXT_FONT, 230, 230, 0, "(No news to display)");
            if (empty) panel_add_child(list, 3, 3, NEWS_ID_EMPTY, 0, empty);
            panel_layout(list, &content_w, &content_h);
            control_set_size(list, content_w + 3, content_h + 3);
        } else if (!state->expanded) {
            control_set_size(list, width, state->content_height);
        } else {
            // Expanded: the list keeps the height the expand gave it.
            control_set_size(list, width, list->h);
            if (Control *bar = scroll_bar(panel)) set_scroll_bar_to_end(bar);
            scroll_to_bottom(panel, state);
        }
    } else {
        control_set_size(list, width, visible);
        Control *bar = scroll_bar(panel);
        if (!bar)
            bar = scroll_list_add_bar(list, panel, width + 4 + state->list_x, 2, NEWS_ID_SCROLL, state->normal_height - 4, 0);
        if (bar) {
            control_move_to(bar, width + 4 + state->list_x, 2, SCROLL_SLIDE_MS);
            set_scroll_bar_to_end(bar);
        }
        scroll_to_bottom(panel, state);
        if (!panel_find_child(panel, NEWS_ID_EXPAND)) make_expand_button(panel, NEWS_IMAGE_EXPAND, news_panel_on_expand);
    }
    control_set_position(list, state->list_x, state->list_y);
    if (Control *header = panel_find_child(panel, NEWS_ID_HEADER)) control_set_size(header, list->w + 8, header->h);
    place_expand_button(panel);

    remove_child(panel, NEWS_ID_BADGE);
    remove_child(panel, NEWS_ID_NEW_COUNT);
    if (new_count > 0) make_badge(panel, new_count);
}

void news_panel_append_alert(Control *panel, Alert *alert) {
    NewsPanelState *state = news_panel_state(panel);
    if (!state || !alert) return;
    const int old_w = panel->w, old_h = panel->h;
    add_row(panel, state, alert);
    news_panel_layout(panel);
    scroll_to_bottom(panel, state);
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    if (w + 3 != old_w || h + 2 != old_h) panel_resize_to(panel, w + 3, h + 2, RESIZE_APPEND_MS);
}

void news_panel_collapse(Control *panel) {
    NewsPanelState *state = news_panel_state(panel);
    if (!state || !state->expanded) return;
    List<Alert> alerts;
    for (Control *row : state->rows)
        if (Alert *alert = news_panel_row_alert(row)) alerts.items.push_back(alert);
    const int normal = state->normal_height, limit = state->expanded_limit;
    const int old_w = panel->w, old_h = panel->h;
    news_panel_build_sized(panel, &alerts, normal, limit);   // frees the old state
    const int new_w = panel->w, new_h = panel->h;
    panel_set_anchor_mode(panel, PANEL_ANCHOR_BOTTOM);
    control_set_size(panel, old_w, old_h);
    panel_resize_to(panel, new_w, new_h, RESIZE_COLLAPSE_MS);
}

void news_panel_mark_read(Control *panel) {
    NewsPanelState *state = news_panel_state(panel);
    if (!state) return;
    if (Control *badge = panel_find_child(panel, NEWS_ID_BADGE)) control_fade_out(badge, READ_FADE_MS);
    if (Control *count = panel_find_child(panel, NEWS_ID_NEW_COUNT)) control_fade_out(count, READ_FADE_MS);
    for (Control *row : state->rows)
        if (Control *text = panel_find_child(row, NEWS_ID_ROW_TEXT)) ui_tile_set_text_colour(text);
}

Alert *news_panel_row_alert(Control *row) { return find_alert(row_alert_id(row)); }

void news_row_on_click(Control *row) {
    Control *panel = news_panel_of(row);
    NewsPanelState *state = news_panel_state(panel);
    if (!state) return;
    state->clicked_alert_id = row_alert_id(row);
    panel_call_slot(panel, NEWS_SLOT_OPEN_ITEM);
}

// The header takes the wheel for the list below it.
void news_panel_on_wheel(Control *ctrl) { scroll_list_on_wheel(list_area(news_panel_of(ctrl))); }

void news_panel_on_expand(Control *button) {
    Control *panel = news_panel_of(button);
    NewsPanelState *state = news_panel_state(panel);
    Control *list = list_area(panel);
    if (!state || !list) return;
    state->expanded = 1;
    const int chrome = panel->h - list->h;
    const int target_h = std::min(state->expanded_limit, state->content_height + chrome);
    int target_w = panel->w;
    Control *bar = scroll_bar(panel);
    if (state->expanded_limit > state->content_height + chrome && bar) {
        target_w -= bar->w;
        control_remove(bar);
        bar = nullptr;
    }
    const int grow = target_h - panel->h;
    control_set_size(list, list->w, list->h + grow);
    scroll_to_bottom(panel, state);
    if (bar) {
        scroll_bar_set_length(bar, bar->h + grow);
        set_scroll_bar_to_end(bar);
    }
    const int x = button->x, y = button->y;
    control_remove(button);
    if (Control *collapse = make_expand_button(panel, NEWS_IMAGE_COLLAPSE, news_panel_on_collapse))
        control_set_position(collapse, x, y);
    panel_set_anchor_mode(panel, PANEL_ANCHOR_BOTTOM);
    panel_set_draw_children_while_resizing(panel, true);
    panel_resize_to(panel, target_w, target_h, RESIZE_EXPAND_MS);
    control_set_layer(panel, EXPANDED_LAYER);
}

void news_panel_on_collapse(Control *button) { news_panel_collapse(news_panel_of(button)); }

void news_panel_build(Control *panel, List<Alert> *alerts) {
    news_panel_build_sized(panel, alerts, NEWS_NORMAL_HEIGHT, NEWS_EXPANDED_LIMIT);
}

Alert *news_panel_clicked_alert(Control *panel) {
    const NewsPanelState *state = news_panel_state(panel);
    if (!state || state->clicked_alert_id == 0) return nullptr;
    for (Alert *alert : game_get()->alerts->items) {
        if (!alert) break;
        if (alert->id == state->clicked_alert_id) return alert;
    }
    return nullptr;
}
