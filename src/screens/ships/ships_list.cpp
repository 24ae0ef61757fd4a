// Ships list and ship rows: the "Ships" side list with its scrolling, one ship row and its status
// refresh, and the column alignment of a set of rows.
#include "screens/ships/ships_list.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "ui/image_control.h"
#include "ui/scroll_list.h"
#include "ui/text_label.h"
#include "ui/value_bar.h"
#include "views/commander_box.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/ship.h"

namespace {

// ---- Rows ----

constexpr int START_X = 8, START_Y = 4;                  // a row's first child
constexpr int START_X_RANKED = 10, START_Y_RANKED = 6;   // ... after a rank icon
constexpr int ROW_MIN_HEIGHT = 43;
constexpr int ROW_MIN_HEIGHT_BOXED = 52;
constexpr int ROW_PAD_W = 24, ROW_PAD_H = 4;
constexpr int NAME_BELOW_PICTURE = 4;
constexpr int NAME_BESIDE_GAP = 6, NAME_BESIDE_DROP = 2;
constexpr int LOCATION_BELOW_NAME = 16;
constexpr int NAME_COLUMN_GAP = 16;                      // from the picture column to the names
constexpr int BAR_COLUMN_GAP = 8;                        // from the names to the bars
constexpr int BAR_BESIDE_ICON = 20;
constexpr int CREW_BELOW_ARMOUR = 16;
constexpr int BOX_GAP = 8;
constexpr int BAR_WIDTH = 76;
constexpr int GLIDE_MS = 200;
constexpr int FADE_MS = 200;
constexpr int CREW_ICON_Y_GAP = 7;                       // below the armour icon after a refresh
constexpr int RANK_ABOVE_PICTURE = 4;
constexpr int FONT_NAME = 2;
constexpr int SHIP_ROW_PULSE_MS = 200;

struct Rgb {
    int r, g, b;
};
constexpr Rgb ROW_FILL{24, 4, 24}, ROW_FILL_TINTED{0, 4, 24}, ROW_FILL_PULSE{0, 4, 48};
constexpr Rgb ROW_BORDER{90, 100, 10}, ROW_BORDER_PULSE{230, 230, 230};
constexpr Rgb TEXT{230, 230, 230};

// ---- The list ----

constexpr int TITLE_X = 6, TITLE_Y = 6;
constexpr int FONT_TITLE = 5, FONT_EMPTY = 2;
constexpr int CONTENT_X = 4, CONTENT_BELOW_TITLE = 10;
constexpr int EMPTY_X = 12, EMPTY_BELOW_TITLE = 16;
constexpr int ROW_GAP = 6;
constexpr int LIST_PAD_W = 2, LIST_PAD_H = 4;
constexpr int FLASH_SHOW_MS = 30, FLASH_REMOVE_MS = 450;
constexpr int STRIP_X = 2, STRIP_Y = 2, STRIP_H = 30;
constexpr int WHEEL_STEP = 24;
constexpr uint32_t LIST_ROW_FLAGS = SHIP_ROW_ANIMATE | SHIP_ROW_CLICKABLE | SHIP_ROW_LOCATION | SHIP_ROW_RANK_ICON;
constexpr Rgb LIST_BORDER{24, 24, 8}, EMPTY_TEXT{190, 10, 10}, STRIP{5, 5, 8}, FLASH{200, 200, 170};

void set_colour(ColourFade *fade, Rgb c) {
    if (fade) colour_fade_set(fade, c.r, c.g, c.b);
}

void fit(Control *panel, int pad_w, int pad_h) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + pad_w, h + pad_h);
}

Control *live_child(Control *panel, int id) { return panel ? panel_find_child(panel, id) : nullptr; }

int rank_image(int rank) { return rank >= 1 && rank <= 6 ? IMAGE_RANK_FIRST + rank - 1 : IMAGE_CADET; }

bool has_commander(const Ship *ship) { return ship && ship->pilot_id != 0; }

// A snapshot's officer pointer is not live: it keeps the name and rank it last saw.
const Officer *live_pilot(const Ship *ship) {
    return ship && ship->pilot && !object_is_snapshot(ship) ? ship->pilot : nullptr;
}
int pilot_rank(const Ship *ship) {
    const Officer *pilot = live_pilot(ship);
    return pilot ? pilot->rank : ship->pilot_rank;
}

Sprite *row_picture(GameObject *obj) {
    const int32_t frame = object_get_icon(obj);   // the template's list-row icon
    return const_cast<Sprite *>(object_frame_sprite(obj, frame));
}

void row_state_free(void *data) { delete static_cast<ShipRowState *>(data); }

void ship_row_on_click(Control *row) {
    ShipRowState *s = ship_row_state(row);
    if (s && s->on_click) s->on_click(row);
}

Control *add_icon(Control *row, int x, int y, int id, int type) {
    return panel_add_child(row, x, y, id, 1, image_control_create_frame(type, 1));
}

// The bar centred on its icon, BAR_BESIDE_ICON to its right.
void place_bar_by_icon(Control *bar, const Control *icon) {
    if (!bar || !icon) return;
    control_set_position(bar, icon->x + std::max(BAR_BESIDE_ICON, icon->w + 2), icon->y + (icon->h - bar->h) / 2);
}

void add_pair(Control *row, int x, int y, int icon_id, int icon_type, int bar_id, int value, int max) {
    Control *icon = add_icon(row, x, y, icon_id, icon_type);
    Control *bar = value_bar_create_with_text(BAR_WIDTH, value, max);
    if (!bar) return;
    panel_add_child(row, x, y, bar_id, 1, bar);
    place_bar_by_icon(bar, icon);
}

Control *rank_icon(const Ship *ship) {
    Control *icon = image_control_create_frame(rank_image(pilot_rank(ship)), 1);
    if (icon) control_set_layer(icon, 1);   // over the picture's corner
    return icon;
}

Control *commander_box_for(const Ship *ship, uint32_t flags) {
    const uint32_t box_flags = (flags & SHIP_ROW_ANIMATE) ? (COMMANDER_BOX_ANIMATE | COMMANDER_BOX_SKILLS)
                                                          : COMMANDER_BOX_SKILLS;
    if (const Officer *pilot = live_pilot(ship)) return commander_box_create(pilot, box_flags);
    return commander_box_create_named(ship->pilot_text.c_str(), has_commander(ship) ? ship->pilot_rank : -1,
                                      box_flags);
}

// The location line: the sector in its owner's colour, or deep space.
Control *location_line(const Ship *ship) {
    GameObject *where = ship->sector_id ? game_find_object(game_get(), ship->sector_id) : nullptr;
    Sector *sector = sector_of(where);
    if (!sector) return text_label_create_plain(FONT_NAME, TEXT.r, TEXT.g, TEXT.b, "Deep space");
    Rgb c = TEXT;
    if (const Player *owner = object_get_owner(sector)) c = {owner->red, owner->green, owner->blue};
    return text_label_create(FONT_NAME, c.r, c.g, c.b, "%s sector", object_get_name(sector));
}

int right_of(const Control *c) { return c ? c->x + c->w : 0; }

// The armour pair, and under it the crew pair when there is one, centred in the row's height.
void centre_pairs(Control *row) {
    Control *armour_icon = live_child(row, SHIP_ROW_ID_ARMOUR_ICON);
    Control *armour_bar = live_child(row, SHIP_ROW_ID_ARMOUR_BAR);
    Control *crew_icon = live_child(row, SHIP_ROW_ID_CREW_ICON);
    Control *crew_bar = live_child(row, SHIP_ROW_ID_CREW_BAR);
    if (!armour_icon) return;
    const int block = crew_icon ? CREW_BELOW_ARMOUR + crew_icon->h : armour_icon->h;
    const int top = std::max((row->h - block) / 2, 0);
    control_set_position(armour_icon, armour_icon->x, top);
    place_bar_by_icon(armour_bar, armour_icon);
    if (crew_icon) {
        control_set_position(crew_icon, armour_icon->x, top + CREW_BELOW_ARMOUR);
        place_bar_by_icon(crew_bar, crew_icon);
    }
}

// ---- The list ----

void list_state_free(void *data) {
    ShipsListState *s = static_cast<ShipsListState *>(data);
    list_clear(&s->ships);
    list_clear(&s->rows);
    delete s;
}

void release_listed_ship(GameObject *obj) { object_release(obj); }

void ships_list_on_row(Control *row) {
    Control *list = row ? static_cast<Control *>(row->user_data) : nullptr;
    ShipsListState *s = ships_list_state(list);
    const Panel *p = panel_of(row);
    if (!s || !p) return;
    s->selected = p->value;
    if (s->slot[SHIPS_LIST_SLOT_SELECT]) s->slot[SHIPS_LIST_SLOT_SELECT](list);
}

}  // namespace

// ---- One row ----

ShipRowState *ship_row_state(Control *row) {
    return row && row->widget_free == row_state_free ? static_cast<ShipRowState *>(row->widget_state) : nullptr;
}

void ship_row_set_click_handler(Control *row, ControlFn handler) {
    if (ShipRowState *s = ship_row_state(row)) s->on_click = handler;
}

void ship_row_init(Control *row, GameObject *obj, uint32_t flags) {
    if (!panel_of(row)) return;
    panel_remove_children(row);
    if (flags & SHIP_ROW_CLICKABLE) {
        panel_set_background_hover(row, ROW_FILL.r, ROW_FILL.g, ROW_FILL.b, ROW_FILL_PULSE.r, ROW_FILL_PULSE.g,
                                   ROW_FILL_PULSE.b, SHIP_ROW_PULSE_MS);
        panel_set_border_hover(row, ROW_BORDER.r, ROW_BORDER.g, ROW_BORDER.b, ROW_BORDER_PULSE.r, ROW_BORDER_PULSE.g,
                               ROW_BORDER_PULSE.b, SHIP_ROW_PULSE_MS);
        row->on_click = ship_row_on_click;
        control_set_enabled(row, true);
    } else {
        panel_set_background(row, true);
        set_colour(panel_background_colour(row), (flags & SHIP_ROW_TINTED) ? ROW_FILL_TINTED : ROW_FILL);
        panel_set_border(row, true);
        set_colour(panel_border_colour(row), ROW_BORDER);
        row->on_click = nullptr;
        control_set_enabled(row, false);
    }
    ShipRowState *state = new (std::nothrow) ShipRowState;
    if (!state) return;
    state->ship = obj;
    state->flags = flags;
    control_set_widget_state(row, state, row_state_free);
    const Ship *ship = ship_of(obj);
    if (!ship) return;

    int x = START_X, y = START_Y;
    if ((flags & SHIP_ROW_RANK_ICON) && has_commander(ship)) {
        if (Control *rank = panel_add_child(row, START_X, START_Y, SHIP_ROW_ID_RANK, 1, rank_icon(ship))) rank->tag = 1;
        x = START_X_RANKED;
        y = START_Y_RANKED;
    }
    Control *picture = panel_add_child(row, x, y, SHIP_ROW_ID_PICTURE, 1, image_control_create_single(row_picture(obj)));
    const int picture_right = picture ? right_of(picture) : x;
    const int picture_bottom = picture ? picture->y + picture->h : y;

    Control *name = text_label_create_plain(FONT_NAME, TEXT.r, TEXT.g, TEXT.b, object_get_name(obj));
    int text_right = picture_right;
    if (name && (flags & SHIP_ROW_LOCATION)) {
        panel_add_child(row, picture_right + NAME_BESIDE_GAP, y + NAME_BESIDE_DROP, SHIP_ROW_ID_NAME, 1, name);
        Control *where = panel_add_child(row, name->x, name->y + LOCATION_BELOW_NAME, SHIP_ROW_ID_LOCATION, 1,
                                         location_line(ship));
        text_right = std::max(right_of(name), right_of(where));
    } else if (name) {
        panel_add_child(row, x, picture_bottom + NAME_BELOW_PICTURE, SHIP_ROW_ID_NAME, 1, name);
        text_right = std::max(text_right, right_of(name));
    }

    const int bars_x = text_right + BAR_COLUMN_GAP;
    add_pair(row, bars_x, y, SHIP_ROW_ID_ARMOUR_ICON, IMAGE_ARMOUR, SHIP_ROW_ID_ARMOUR_BAR, ship->armour,
             ship->max_armour);
    if (has_commander(ship))
        add_pair(row, bars_x, y + CREW_BELOW_ARMOUR, SHIP_ROW_ID_CREW_ICON, IMAGE_CREW, SHIP_ROW_ID_CREW_BAR,
                 ship->crew, ship->max_crew);
    if (flags & SHIP_ROW_COMMANDER) {
        int w = 0, h = 0;
        panel_layout(row, &w, &h);
        panel_add_child(row, w + BOX_GAP, y, SHIP_ROW_ID_COMMANDER, 1, commander_box_for(ship, flags));
        state->min_height = ROW_MIN_HEIGHT_BOXED;
    }
    int w = 0, h = 0;
    panel_layout(row, &w, &h);
    control_set_size(row, w + ROW_PAD_W, std::max(h + ROW_PAD_H, state->min_height));
    centre_pairs(row);
}

Control *ship_row_create(GameObject *ship, uint32_t flags) {
    Control *row = panel_create_empty();
    if (!row) return nullptr;
    control_set_size(row, 20, 10);
    ship_row_init(row, ship, flags);
    return row;
}

void ship_rows_align_columns(List<Control> *rows) {
    if (!rows) return;
    int picture_w = 0, name_w = 0, location_w = 0, box_w = 0;
    bool locations = false;
    for (Control *row : rows->items) {
        if (!row) continue;
        if (const Control *c = live_child(row, SHIP_ROW_ID_PICTURE)) picture_w = std::max(picture_w, c->w);
        if (const Control *c = live_child(row, SHIP_ROW_ID_NAME)) name_w = std::max(name_w, c->w);
        if (const Control *c = live_child(row, SHIP_ROW_ID_LOCATION)) {
            location_w = std::max(location_w, c->w);
            locations = true;
        }
        if (const Control *c = live_child(row, SHIP_ROW_ID_COMMANDER)) box_w = std::max(box_w, c->w);
    }

    int width = 0;
    for (Control *row : rows->items) {
        if (!row) continue;
        const ShipRowState *s = ship_row_state(row);
        const int x0 = START_X;   // one picture column for every row, rank icon or not
        Control *picture = live_child(row, SHIP_ROW_ID_PICTURE);
        Control *name = live_child(row, SHIP_ROW_ID_NAME);
        Control *where = live_child(row, SHIP_ROW_ID_LOCATION);
        if (picture) control_set_position(picture, x0 + (picture_w - picture->w) / 2, picture->y);
        int names_right = x0 + picture_w;
        if (locations) {
            const int nx = x0 + picture_w + NAME_COLUMN_GAP;
            if (name) control_set_position(name, nx, name->y);
            if (where) control_set_position(where, nx, where->y);
            names_right = nx + std::max(name_w, location_w);
        } else if (name) {
            control_set_position(name, x0 + (picture_w - name->w) / 2, name->y);
            names_right = x0 + std::max(picture_w, name_w);
        }
        const int bars_x = names_right + BAR_COLUMN_GAP;
        int bars_right = bars_x;
        for (int id : {SHIP_ROW_ID_ARMOUR_ICON, SHIP_ROW_ID_CREW_ICON})
            if (Control *icon = live_child(row, id)) {
                control_set_position(icon, bars_x, icon->y);
                Control *bar = live_child(row, id + 1);   // each icon's bar follows it
                place_bar_by_icon(bar, icon);
                bars_right = std::max(bars_right, right_of(bar));
            }
        if (Control *box = live_child(row, SHIP_ROW_ID_COMMANDER)) {
            control_set_position(box, bars_right + BOX_GAP, box->y);
            control_set_size(box, box_w, box->h);
        }
        int w = 0, h = 0;
        panel_layout(row, &w, &h);
        control_set_size(row, w + ROW_PAD_W, std::max(h + ROW_PAD_H, s ? s->min_height : ROW_MIN_HEIGHT));
        centre_pairs(row);
        width = std::max(width, row->w);
    }
    for (Control *row : rows->items)
        if (row) control_set_size(row, width, row->h);
}

void ship_row_refresh(Control *row) {
    const ShipRowState *s = ship_row_state(row);
    const Ship *ship = s ? ship_of(s->ship) : nullptr;
    if (!ship) return;
    if (Control *bar = live_child(row, SHIP_ROW_ID_ARMOUR_BAR)) {
        const ValueBar *v = value_bar_of(bar);
        if (v && v->max != std::max(ship->max_armour, 1)) value_bar_set_value(bar, ship->armour, ship->max_armour);
        else value_bar_animate_to(bar, std::clamp(ship->armour, 0, v ? v->max : 1), GLIDE_MS);
    }

    Control *crew_icon = live_child(row, SHIP_ROW_ID_CREW_ICON);
    Control *crew_bar = live_child(row, SHIP_ROW_ID_CREW_BAR);
    if (!has_commander(ship)) {
        for (Control *c : {live_child(row, SHIP_ROW_ID_RANK), crew_icon, crew_bar})
            if (c) control_fade_out(c, FADE_MS);
        centre_pairs(row);
        return;
    }
    if (!crew_icon || !crew_bar) {
        if (crew_icon) control_fade_out(crew_icon, FADE_MS);
        if (crew_bar) control_fade_out(crew_bar, FADE_MS);
        Control *armour_icon = live_child(row, SHIP_ROW_ID_ARMOUR_ICON);
        const int x = armour_icon ? armour_icon->x : START_X;
        if (armour_icon) {
            control_set_position(armour_icon, x, 3);
            place_bar_by_icon(live_child(row, SHIP_ROW_ID_ARMOUR_BAR), armour_icon);
        }
        add_pair(row, x, (armour_icon ? armour_icon->h : 0) + CREW_ICON_Y_GAP, SHIP_ROW_ID_CREW_ICON, IMAGE_CREW,
                 SHIP_ROW_ID_CREW_BAR, ship->crew, ship->max_crew);
    } else if (const ValueBar *v = value_bar_of(crew_bar); v && v->max != std::max(ship->max_crew, 1)) {
        value_bar_set_value(crew_bar, ship->crew, ship->max_crew);   // a new maximum: no glide across scales
    } else {
        value_bar_animate_to(crew_bar, std::clamp(ship->crew, 0, v ? v->max : 1), GLIDE_MS);
    }
    if (!live_child(row, SHIP_ROW_ID_RANK)) {
        const Control *picture = live_child(row, SHIP_ROW_ID_PICTURE);
        Control *rank = rank_icon(ship);
        if (rank) {
            const int px = picture ? picture->x : START_X, py = picture ? picture->y : START_Y;
            panel_add_child(row, px, py - RANK_ABOVE_PICTURE, SHIP_ROW_ID_RANK, 1, rank);
            rank->tag = 1;
        }
    }
}

// ---- The list ----

ShipsListState *ships_list_state(Control *panel) {
    return panel && panel->widget_free == list_state_free ? static_cast<ShipsListState *>(panel->widget_state)
                                                          : nullptr;
}

GameObject *ships_list_get_selected(Control *panel) {
    const ShipsListState *s = ships_list_state(panel);
    return s ? list_get(&s->ships, s->selected) : nullptr;
}

void ships_list_refresh_rows(Control *panel) {
    if (const ShipsListState *s = ships_list_state(panel))
        for (Control *row : s->rows.items)
            if (row) ship_row_refresh(row);
}

void ships_list_build(Control *panel, List<GameObject> *ships) {
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 2);
    panel_set_border(panel, true);
    set_colour(panel_border_colour(panel), LIST_BORDER);
    ShipsListState *state = new (std::nothrow) ShipsListState;
    if (!state) return;
    list_set_free_fn(&state->ships, release_listed_ship);
    panel_set_command_state(panel, state, list_state_free);

    Control *title = panel_add_child(panel, TITLE_X, TITLE_Y, SHIPS_LIST_ID_TITLE, 0,
                                     text_label_create_plain(FONT_TITLE, TEXT.r, TEXT.g, TEXT.b, "Ships"));
    const int title_h = title ? title->h : 0;
    Control *content = panel_add_child(panel, CONTENT_X, title_h + CONTENT_BELOW_TITLE, SHIPS_LIST_ID_CONTENT, 0,
                                       panel_create_empty());
    if (!content) return;
    scroll_list_init(content, SHIPS_LIST_SCROLL_STEP, WHEEL_STEP);

    for (GameObject *ship : ships ? ships->items : std::vector<GameObject *>{}) {
        if (!ship) break;
        Control *row = ship_row_create(ship, LIST_ROW_FLAGS);
        if (!row) continue;
        object_add_ref(ship);
        const int index = list_count(&state->ships);
        list_append(&state->ships, ship);
        panel_add_child(content, 0, 0, 0, 0, row);
        list_append(&state->rows, row);
        ship_row_set_click_handler(row, ships_list_on_row);
        row->user_data = panel;
        row->on_wheel = scroll_list_on_wheel;
        panel_of(row)->value = index;
    }
    if (list_count(&state->rows) == 0)
        panel_add_child(panel, EMPTY_X, title_h + EMPTY_BELOW_TITLE, SHIPS_LIST_ID_EMPTY, 0,
                        text_label_create_plain(FONT_EMPTY, EMPTY_TEXT.r, EMPTY_TEXT.g, EMPTY_TEXT.b,
                                                "No ships in service    "));

    ship_rows_align_columns(&state->rows);
    int y = 0;
    for (Control *row : state->rows.items) {
        control_set_position(row, 0, y);
        y += row->h + ROW_GAP;
    }
    fit(content, 0, 0);
    state->content_height = content->h;
    scroll_list_set_content(content, content->h);
    for (Control *row : state->rows.items) {
        Control *flash = panel_create_empty();
        if (!flash) continue;
        panel_set_border(flash, true);
        set_colour(panel_border_colour(flash), FLASH);
        control_set_size(flash, row->w, row->h);
        control_set_enabled(flash, false);
        panel_add_child(content, row->x, row->y, 0, 0, flash);
        control_hide_for(flash, FLASH_SHOW_MS);
        control_remove_after(flash, FLASH_REMOVE_MS);
    }

    fit(panel, LIST_PAD_W, LIST_PAD_H);
    if (panel->h > SHIPS_LIST_MAX_HEIGHT) {
        const int visible = SHIPS_LIST_MAX_HEIGHT - 1 - content->y;
        control_set_size(content, content->w, visible);
        if (Control *bar = scroll_list_add_bar(content, panel, panel->w, content->y, SHIPS_LIST_ID_SCROLL, visible, 0))
            control_set_size(panel, panel->w + bar->w, SHIPS_LIST_MAX_HEIGHT);
    }
    if (Control *strip = panel_create(panel->w - 2 * STRIP_X, STRIP_H, STRIP.r, STRIP.g, STRIP.b)) {
        strip->tag = -1;
        control_set_layer(strip, -1);   // under the title
        panel_add_child(panel, STRIP_X, STRIP_Y, 0, 0, strip);
    }
}
