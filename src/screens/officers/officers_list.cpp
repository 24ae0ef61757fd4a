// The Officers list: its rows, their post column, the scrolling and the refresh.
#include "screens/officers/officers_list.h"

#include <algorithm>
#include <new>
#include <vector>

#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "screens/officers/officer_choice.h"
#include "screens/officers/officers_local.h"
#include "ui/image_control.h"
#include "ui/panel_slots.h"
#include "ui/scroll.h"
#include "ui/scroll_list.h"
#include "ui/text_label.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

struct Rgb {
    int r, g, b;
};

constexpr int FONT_TITLE = 5, FONT_TEXT = 2;
constexpr int TITLE_X = 6, TITLE_Y = 6;
constexpr int LIST_X = 4, LIST_BELOW_TITLE = 10;
constexpr int EMPTY_X = 12, EMPTY_BELOW_TITLE = 16;
constexpr int PANEL_PAD_W = 2, PANEL_PAD_H = 4;
constexpr int STRIP_X = 2, STRIP_Y = 2, STRIP_H = 30;
constexpr int WHEEL_STEP = 24;
constexpr int REFRESH_MS = 100;

constexpr int INSIGNIA_X = 8, INSIGNIA_Y = 4;
constexpr int NAME_GAP = 18, NAME_Y = 4, RANK_Y = 20;
constexpr int ROW_PAD_H = 4, STACK_GAP = 4;
constexpr int POST_PAD_W = 8, POST_PAD_H = 4;
constexpr int BACKING_Y = 4, BACKING_INSET = 4;
constexpr int FLASH_SHOW_MS = 30, FLASH_REMOVE_MS = 450, FLASH_TAG = 9;
constexpr int FADE_TAG = 2;

constexpr Rgb TEXT{230, 230, 230}, RANK_TEXT{0, 230, 0}, DAYS_TEXT{230, 230, 0}, POD_TEXT{230, 0, 0};
constexpr Rgb EMPTY_TEXT{190, 10, 10}, BORDER{24, 24, 8}, STRIP{5, 5, 8}, BACKING{5, 5, 5};
constexpr Rgb ROW_FILL{24, 4, 24}, ROW_FILL_HOVER{0, 4, 48}, ROW_BORDER{90, 100, 10}, ROW_BORDER_HOVER{230, 230, 230};
constexpr Rgb FLASH_FROM{240, 255, 240};

void free_officer_list_state(void *data) {
    OfficerListState *s = static_cast<OfficerListState *>(data);
    list_clear(&s->officers);
    list_clear(&s->rows);
    delete s;
}

void extent(const Control *panel, int *w, int *h) {
    *w = 0;
    *h = 0;
    panel_layout(panel, w, h);
}

void fit(Control *panel, int pad_w, int pad_h) {
    int w = 0, h = 0;
    extent(panel, &w, &h);
    control_set_size(panel, w + pad_w, h + pad_h);
}

// The extent of the panel's content: its children but the scroll bar and the header strip.
void content_extent(Control *panel, int *w, int *h) {
    *w = 1;
    *h = 1;
    for (Control *c : panel_of(panel)->children.items) {
        if (!c) break;
        if ((c->flags & (CTRL_REMOVED | CTRL_FADING)) || c->id == OFFICERS_LIST_ID_SCROLL || c->id == OFFICERS_LIST_ID_STRIP)
            continue;
        *w = std::max(*w, c->x + c->w);
        *h = std::max(*h, c->y + c->h);
    }
}

int right_of(const Control *c) { return c ? c->x + c->w : 0; }

// A starbase post: the starbase's own picture, brought down to the row's picture box (the text
// column starts 32 pixels right of it).
constexpr int POST_PICTURE_BOX = 28;
Control *starbase_picture(GameObject *site) {
    Control *picture = object_picture_control(site);
    const int side = picture ? std::max(picture->w, picture->h) : 0;
    if (side > POST_PICTURE_BOX) image_control_set_reveal(picture, POST_PICTURE_BOX * 100 / side);
    return picture;
}

int insignia_image(int rank) { return rank >= 1 && rank < OFFICER_RANK_COUNT ? officer_rank_icon(rank) : IMAGE_CADET; }

Control *add_text(Control *row, int x, int y, int id, Rgb c, const char *text) {
    return panel_add_child(row, x, y, id, 1, text_label_create_plain(FONT_TEXT, c.r, c.g, c.b, text));
}

// "<name> sector" in the sector owner's colour.
Control *sector_label(Sector *sector) {
    Rgb c = TEXT;
    if (const Player *owner = object_get_owner(sector)) c = {owner->red, owner->green, owner->blue};
    return text_label_create(FONT_TEXT, c.r, c.g, c.b, "%s sector", object_get_name(sector));
}

// ---- Scrolling ----

// The scroll bar beside a list cut at the height cap: made when there is none, else brought to
// the list's height; the position stays within the new range and the list follows it.
void attach_bar(Control *panel, Control *list) {
    Control *bar = scroll_list_bar(list);
    if (bar) {
        // The bar keeps its length in its value; a new length brings a new range.
        if (panel_of(bar)->value != list->h) scroll_bar_set_length(bar, list->h);
        panel_of(bar)->value = list->h;
        int pos = 0, range = 0;
        scroll_bar_get(bar, &pos, &range);
        scroll_bar_set_position(bar, pos);
        control_set_position(bar, bar->x, list->y);
    } else if ((bar = scroll_list_add_bar(list, panel, right_of(list) + PANEL_PAD_W, list->y, OFFICERS_LIST_ID_SCROLL,
                                          list->h, 0))) {
        panel_of(bar)->value = list->h;
    }
    scroll_list_follow(list);
}

// ---- Rows ----

void on_row_click(Control *row) {
    Control *panel = row ? static_cast<Control *>(row->user_data) : nullptr;
    OfficerListState *s = officers_list_state(panel);
    const Panel *p = panel_of(row);
    if (!s || !p) return;
    s->selected = p->value;
    panel_call_slot(panel, OFFICERS_LIST_SLOT_SELECT);
}

Control *new_row(Control *panel, Control *list, const Officer *officer, int index, int y) {
    Control *row = panel_add_child(list, 0, y, 0, 0, panel_create_empty());
    if (!row) return nullptr;
    panel_set_background_hover(row, ROW_FILL.r, ROW_FILL.g, ROW_FILL.b, ROW_FILL_HOVER.r, ROW_FILL_HOVER.g,
                               ROW_FILL_HOVER.b, officers_detail::HOVER_MS);
    panel_set_border_hover(row, ROW_BORDER.r, ROW_BORDER.g, ROW_BORDER.b, ROW_BORDER_HOVER.r, ROW_BORDER_HOVER.g,
                           ROW_BORDER_HOVER.b, officers_detail::HOVER_MS);
    row->on_click = scroll_list_on_row_click;
    row->on_wheel = scroll_list_on_wheel;
    row->user_data = panel;
    control_set_enabled(row, true);
    panel_of(row)->value = index;

    Control *insignia = panel_add_child(row, INSIGNIA_X, INSIGNIA_Y, OFFICER_ROW_ID_INSIGNIA, 1,
                                        image_control_create(insignia_image(officer->rank)));
    const int x = (insignia ? insignia->w : 0) + NAME_GAP;
    add_text(row, x, NAME_Y, OFFICER_ROW_ID_NAME, TEXT, officer->name.c_str());
    add_text(row, x, RANK_Y, OFFICER_ROW_ID_RANK, RANK_TEXT, officer_rank_name(officer->rank));
    fit(row, 0, ROW_PAD_H);
    return row;
}

// The post column at x = w: where the officer serves, decided by the first post that holds.
void add_post(Control *row, const Officer *officer, int w) {
    const Game *game = game_get();
    Control *picture = nullptr;
    if (GameObject *ship = officer->ship_id ? game_find_object_of_kind(game, OBJECT_SHIP, officer->ship_id) : nullptr) {
        picture = panel_add_child(row, w + 3, 7, OFFICER_ROW_ID_POST_PICTURE, 1, object_picture_control(ship));
        add_text(row, w + 39, 9, OFFICER_ROW_ID_SHIP_NAME, TEXT, object_get_name(ship));
        Sector *sector = sector_find(ship_of(ship)->sector_id);
        Control *where = sector ? sector_label(sector)
                                : text_label_create_plain(FONT_TEXT, TEXT.r, TEXT.g, TEXT.b, "Deep space");
        panel_add_child(row, w + 39, 25, OFFICER_ROW_ID_LOCATION, 1, where);
    } else if (Site *site = site_cast(officer->site_id ? game_find_object_of_kind(game, OBJECT_SITE, officer->site_id)
                                                       : nullptr)) {
        picture = panel_add_child(row, w + 7, 7, OFFICER_ROW_ID_POST_PICTURE, 1, starbase_picture(site));
        Control *icon = panel_add_child(row, w + 39, 15, OFFICER_ROW_ID_POST_ICON, 1,
                                        image_control_create_frame(IMAGE_COMMANDER, 1));
        // Every site lies in a sector; one that cannot be found leaves the text out.
        if (Sector *sector = site_find_sector(site))
            panel_add_child(row, right_of(icon) + 4, 15, OFFICER_ROW_ID_LOCATION, 1, sector_label(sector));
    } else if (Sector *sector = officer->sector_id ? sector_find(officer->sector_id) : nullptr) {
        // Waiting in the starbase's pool: the starbase's own picture, whichever site it is.
        picture = panel_add_child(row, w + 7, 7, OFFICER_ROW_ID_POST_PICTURE, 1,
                                  starbase_picture(site_template(SITE_STARBASE)));
        panel_add_child(row, w + 39, 15, OFFICER_ROW_ID_LOCATION, 1, sector_label(sector));
    } else if (officer->flags & OFFICER_FLAG_IN_POD) {
        Control *text = add_text(row, w + 6, 12, OFFICER_ROW_ID_LOCATION, POD_TEXT, "Escape Pod");
        Control *clock = panel_add_child(row, right_of(text) + 10, 4, OFFICER_ROW_ID_POST_ICON, 1,
                                         image_control_create_frame(IMAGE_CLOCK, 1));
        Control *days = text_label_create(FONT_TEXT, DAYS_TEXT.r, DAYS_TEXT.g, DAYS_TEXT.b, "%i",
                                          officer_pod_days(officer->pod_minutes));
        panel_add_child(row, right_of(clock) + 6, 12, OFFICER_ROW_ID_POD_DAYS, 1, days);
    } else {
        add_text(row, w + 6, 12, OFFICER_ROW_ID_LOCATION, TEXT, "Unassigned");
    }

    Control *backing = panel_add_child(row, w, BACKING_Y, OFFICER_ROW_ID_BACKING, 1,
                                       panel_create(1, 1, BACKING.r, BACKING.g, BACKING.b));
    if (backing) {
        backing->tag = -1;
        control_set_layer(backing, -1);   // under the post's picture and text
        control_set_enabled(backing, false);
    }
    fit(row, POST_PAD_W, POST_PAD_H);
    if (backing) control_set_size(backing, row->w - BACKING_INSET - backing->x, row->h - BACKING_INSET - backing->y);

    const int middle = row->h / 2;
    if (picture && backing) control_set_position(picture, picture->x, backing->y + (backing->h - picture->h) / 2);
    if (Control *insignia = panel_find_child(row, OFFICER_ROW_ID_INSIGNIA))
        control_set_position(insignia, insignia->x, (row->h - insignia->h) / 2);
    if (Control *name = panel_find_child(row, OFFICER_ROW_ID_NAME)) control_set_position(name, name->x, middle - 2 - name->h);
    if (Control *rank = panel_find_child(row, OFFICER_ROW_ID_RANK)) control_set_position(rank, rank->x, middle + 2);
}

// Step 4 of a row: widened to the list's width, its post texts and icon placed on the backing.
void finish_row(Control *row, int width) {
    Control *backing = panel_find_child(row, OFFICER_ROW_ID_BACKING);
    const int grow = width - row->w;
    control_set_size(row, width, row->h);
    if (!backing) return;
    if (grow > 0) control_set_size(backing, backing->w + grow, backing->h);
    const int middle = backing->y + backing->h / 2;
    Control *ship = panel_find_child(row, OFFICER_ROW_ID_SHIP_NAME);
    Control *where = panel_find_child(row, OFFICER_ROW_ID_LOCATION);
    if (ship) {
        control_set_position(ship, ship->x, middle - 3 - ship->h);
        if (where) control_set_position(where, where->x, middle + 3);
    } else if (where) {
        control_set_position(where, where->x, middle - where->h / 2);
    }
    for (int id : {OFFICER_ROW_ID_POST_ICON, OFFICER_ROW_ID_POD_DAYS})
        if (Control *c = panel_find_child(row, id)) control_set_position(c, c->x, middle - c->h / 2 - 1);
}

void flash_row(Control *list, const Control *row) {
    Control *flash = panel_create_empty();
    if (!flash) return;
    panel_set_border(flash, true);
    if (ColourFade *fade = panel_border_colour(flash)) {
        colour_fade_start(fade, FLASH_FROM.r, FLASH_FROM.g, FLASH_FROM.b, ROW_BORDER.r, ROW_BORDER.g, ROW_BORDER.b,
                          FLASH_REMOVE_MS, 0, COLOUR_FADE_MODE_REPEAT);
        fade->period_r = -3;   // red falls fastest: the flash cools from white through green to the row's border
        fade->period_g = -2;
        fade->period_b = -1;
    }
    flash->tag = FLASH_TAG;
    control_set_size(flash, row->w, row->h);
    control_set_enabled(flash, false);
    panel_add_child(list, row->x, row->y, 0, 0, flash);
    control_hide_for(flash, FLASH_SHOW_MS);
    control_remove_after(flash, FLASH_REMOVE_MS);
}

}  // namespace

int32_t officer_pod_days(int32_t minutes) { return minutes > 0 ? (minutes + 1439) / 1440 : 0; }

OfficerListState *officers_list_state(Control *panel) {
    return panel && panel->widget_free == free_officer_list_state ? static_cast<OfficerListState *>(panel->widget_state)
                                                                  : nullptr;
}

Officer *officers_list_get_selected(Control *panel) {
    const OfficerListState *s = officers_list_state(panel);
    return s ? list_get(&s->officers, s->selected) : nullptr;
}

void officers_list_build_rows(Control *panel, Control *list, bool flash) {
    OfficerListState *s = officers_list_state(panel);
    if (!s || !panel_of(list)) return;
    list->on_wheel = scroll_list_on_wheel;

    std::vector<Control *> rows;
    int y = 0, width = 0;
    for (int i = 0; i < list_count(&s->officers); ++i) {
        Control *row = new_row(panel, list, list_get(&s->officers, i), i, y);
        if (!row) continue;
        list_append(&s->rows, row);
        rows.push_back(row);
        y += row->h + officers_detail::ROW_GAP;
        width = std::max(width, row->w);
    }
    int widest = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        add_post(rows[i], list_get(&s->officers, panel_of(rows[i])->value), width);
        widest = std::max(widest, rows[i]->w);
    }
    y = 0;
    for (Control *row : rows) {
        finish_row(row, widest);
        control_set_position(row, 0, y);
        y += row->h + STACK_GAP;
    }
    // Sized to the new rows alone: rows fading out after a refresh do not count.
    control_set_size(list, widest, std::max(y - STACK_GAP, 0));
    panel_set_scroll(list, 0, 0);
    if (flash)
        for (const Control *row : rows) flash_row(list, row);
}

void officers_list_build(Control *panel, List<Officer> *officers) {
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 2);
    panel_set_border(panel, true);
    colour_fade_set(panel_border_colour(panel), BORDER.r, BORDER.g, BORDER.b);
    OfficerListState *state = new (std::nothrow) OfficerListState;
    if (!state) return;
    list_set_free_fn(&state->officers, officers_detail::release_officer);
    panel_set_command_state(panel, state, free_officer_list_state);

    Control *title = panel_add_child(panel, TITLE_X, TITLE_Y, OFFICERS_LIST_ID_TITLE, 0,
                                     text_label_create_plain(FONT_TITLE, TEXT.r, TEXT.g, TEXT.b, "Officers"));
    const int title_h = title ? title->h : 0;
    if (officers)
        for (Officer *officer : officers->items) {
            if (!officer) break;
            officer_retain(officer);
            list_append(&state->officers, officer);
        }

    Control *list = nullptr;
    if (list_count(&state->officers) == 0) {
        panel_add_child(panel, EMPTY_X, title_h + EMPTY_BELOW_TITLE, OFFICERS_LIST_ID_EMPTY, 0,
                        text_label_create_plain(FONT_TEXT, EMPTY_TEXT.r, EMPTY_TEXT.g, EMPTY_TEXT.b,
                                                "No officers in service    "));
    } else if ((list = panel_add_child(panel, LIST_X, title_h + LIST_BELOW_TITLE, OFFICERS_LIST_ID_ROWS, 0,
                                       panel_create_empty()))) {
        scroll_list_init(list, OFFICERS_LIST_SCROLL_STEP, WHEEL_STEP);
        scroll_list_set_pick_slot(list, on_row_click);
        officers_list_build_rows(panel, list, true);
        state->content_height = list->h;
        scroll_list_set_content(list, list->h);
    }

    fit(panel, PANEL_PAD_W, PANEL_PAD_H);
    if (list && panel->h > OFFICERS_LIST_MAX_HEIGHT) {
        control_set_size(list, list->w, OFFICERS_LIST_MAX_HEIGHT - 1 - list->y);
        attach_bar(panel, list);
        if (Control *bar = panel_find_child(panel, OFFICERS_LIST_ID_SCROLL)) {
            control_set_position(bar, panel->w, list->y);
            control_set_size(panel, panel->w + bar->w, OFFICERS_LIST_MAX_HEIGHT);
        }
    }
    if (Control *strip = panel_create(panel->w - 2 * STRIP_X, STRIP_H, STRIP.r, STRIP.g, STRIP.b)) {
        strip->tag = -1;
        control_set_layer(strip, -1);   // under the title
        control_set_enabled(strip, false);
        panel_add_child(panel, STRIP_X, STRIP_Y, OFFICERS_LIST_ID_STRIP, 0, strip);
    }
}

// The rows are built afresh for the same officers; the list is cut at the cap again, so that a
// refresh never grows the panel past it, and its bar follows the list's new height.
void officers_list_refresh(Control *panel) {
    OfficerListState *s = officers_list_state(panel);
    Control *list = panel ? panel_find_child(panel, OFFICERS_LIST_ID_ROWS) : nullptr;
    if (!s || !list) return;
    for (Control *row : s->rows.items) {
        if (!row) continue;
        panel_clear_fills(row);
        row->tag = FADE_TAG;
        control_fade_out(row, REFRESH_MS);
    }
    list_clear(&s->rows);
    officers_list_build_rows(panel, list, false);
    s->content_height = list->h;
    scroll_list_set_content(list, list->h);

    // The panel's own size: its children with the list whole, less the bar and the header strip,
    // which follow the size.
    Control *bar = panel_find_child(panel, OFFICERS_LIST_ID_SCROLL);
    Control *strip = panel_find_child(panel, OFFICERS_LIST_ID_STRIP);
    int w = 0, h = 0;
    content_extent(panel, &w, &h);
    w += PANEL_PAD_W;
    h += PANEL_PAD_H;

    if (h > OFFICERS_LIST_MAX_HEIGHT) {
        control_set_size(list, list->w, OFFICERS_LIST_MAX_HEIGHT - 1 - list->y);
        attach_bar(panel, list);
        if ((bar = panel_find_child(panel, OFFICERS_LIST_ID_SCROLL))) {
            control_set_position(bar, w, list->y);
            w += bar->w;
        }
        h = OFFICERS_LIST_MAX_HEIGHT;
    } else if (bar) {
        scroll_list_remove_bar(list);
    }
    if (strip) control_set_size(strip, w - 2 * STRIP_X, strip->h);
    panel_set_anchor_mode(panel, PANEL_ANCHOR_BOTTOM);
    panel_resize_to(panel, w, h, REFRESH_MS);
}
