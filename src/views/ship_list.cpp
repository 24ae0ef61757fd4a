// Ship selection list and ship icon row: building the rows and cells, the flowing grid, selection
// with its colour fades, the owner filter, the fleet totals and the refresh after ships changed.
#include "views/ship_list.h"

#include <algorithm>
#include <new>
#include <vector>

#include "game/officer.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/value_bar.h"
#include "views/views_local.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/ship.h"

namespace {

constexpr int ROW_PAD = 3;        // a row's content starts and ends this far from its edges
constexpr int GRID_GAP = 2;       // between rows, and between lines
constexpr int ICON_BAR_GAP = 2;   // between an icon and its bar
constexpr int BAR_WIDTH = 66;
constexpr int BAR_WIDTH_NARROW = 40;
// The name stands under the picture, never over it: the hull pictures fill their frames, so a
// name laid over the picture's lower edge would be written across the ship.
constexpr int PICTURE_NAME_GAP = 0;        // between the picture's bottom and the name's top
constexpr int ARMOUR_OVER_CREWLESS = 16;   // armour icon above the bottom when a neighbour has crew
constexpr int OVERLAY_EXTRA = 30;
constexpr int FONT_NAME = 2;

constexpr int ICON_CELL_PICTURE = 100001;
constexpr int ICON_CELL_OWNER = 100002;
constexpr int ICON_CELL_PILOT = 100003;
constexpr int ICON_ROW_LIMIT = 160;   // cells wrap before this x; lines reaching this y are dropped
constexpr int ICON_ROW_START = 2;

constexpr int FADE_BACKGROUND_MS = 100;
constexpr int FADE_NAME_MS = 200;
constexpr int FADE_TINT_MS = 100;
constexpr int FADE_TINT_STAGGER_MS = 50;
constexpr int BAR_RUN_MS = 120;
constexpr int CREW_FADE_MS = 100;

constexpr views_detail::Rgb BLACK{0, 0, 0};
constexpr views_detail::Rgb LIST_BORDER{40, 30, 0};
constexpr views_detail::Rgb DARK_FROM{0, 0, 16}, DARK_TO{0, 0, 40};
constexpr int DARK_PULSE_MS = 2000;
constexpr views_detail::Rgb RANK_FRAME{30, 30, 0};
constexpr views_detail::Rgb NAME_NO_OWNER_BUILT{250, 250, 250};
constexpr views_detail::Rgb NAME_NO_OWNER{200, 200, 200};
constexpr views_detail::Rgb NAME_HOVER{230, 230, 230};
constexpr views_detail::Rgb ROW_HOVER{0, 6, 0};
constexpr views_detail::Rgb ROW_SELECTED{2, 10, 46};
constexpr views_detail::Rgb NAME_SELECTED{0, 230, 230};
constexpr views_detail::Rgb TINT_SELECTED[SHIP_FACINGS] = {{0, 250, 250}, {0, 250, 245}, {0, 250, 250}, {0, 250, 245}};
constexpr views_detail::Rgb ELLIPSIS{230, 230, 230};

void release_control(Control *c) { control_release(c); }

void free_list_state(void *data) {
    ShipListState *s = static_cast<ShipListState *>(data);
    list_clear(&s->ships);
    list_clear(&s->rows);
    delete s;
}

// ---- Rows --------------------------------------------------------------------------------------------

GameObject *row_ship(const Control *row) { return static_cast<GameObject *>(row->widget_state); }
Control    *row_list(const Control *row) { return static_cast<Control *>(row->user_data); }

bool row_visible(const Control *row) { return !(row->flags & CTRL_HIDDEN) || (row->flags & CTRL_SHOW_TIMER); }
bool row_selected(const Control *row) { return row->tag == SHIP_ROW_SELECTED; }

bool has_pilot(const Ship *ship) { return ship && ship->pilot_id != 0; }

// A snapshot's officer pointer is not live: it keeps the rank it last saw.
int pilot_rank(const Ship *ship) {
    if (ship->pilot && !object_is_snapshot(ship)) return ship->pilot->rank;
    return ship->pilot_rank;
}

int row_rank_image(int rank) { return rank >= 1 && rank <= 6 ? IMAGE_RANK_FIRST + rank - 1 : IMAGE_CADET; }

views_detail::Rgb owner_colour(GameObject *obj, views_detail::Rgb fallback) {
    const Player *owner = obj ? object_get_owner(obj) : nullptr;
    return owner ? views_detail::Rgb{owner->red, owner->green, owner->blue} : fallback;
}

views_detail::Rgb facing_tint(const Ship *ship, int facing) {
    if (!ship || ship->shield_strength <= 0) return BLACK;
    uint8_t r = 0, g = 0, b = 0;
    ship_color_for_level(ship, facing, &r, &g, &b, nullptr);
    return {r, g, b};
}

void fade_to(ColourFade *fade, views_detail::Rgb c, int ms, int delay = 0) {
    if (fade) colour_fade_to(fade, c.r, c.g, c.b, ms, delay);
}

ColourFade *tint_fade(Control *picture, int facing) {
    ImageControl *im = image_of(picture);
    return im ? im->outline[facing] : nullptr;
}

// The ship's picture among its frames; null when the frame is not there (or not loaded).
Sprite *frame_picture(GameObject *obj, int32_t frame) {
    if (!obj || frame < 0 || frame >= obj->frame_count) return nullptr;
    if (obj->frames && obj->frames[frame]) return obj->frames[frame];
    return obj->frame_sprites ? obj->frame_sprites[frame] : nullptr;
}

Control *make_rank_icon(const Ship *ship) {
    Control *icon = image_control_create(row_rank_image(pilot_rank(ship)));
    if (!icon) return nullptr;
    image_control_enable_border(icon);
    views_detail::set_colour(image_control_border_colour(icon), RANK_FRAME);
    control_set_layer(icon, 1);   // over the picture's corner
    return icon;
}

int bar_width(const Ship *ship) { return ship && (ship->hull_flags & HULL_FLAG_NARROW_BARS) ? BAR_WIDTH_NARROW : BAR_WIDTH; }

// An icon at (x, y) with its bar ICON_BAR_GAP to the right, centred on it.
void add_icon_bar(Control *row, int icon_type, int icon_id, int bar_id, int x, int y, int width, int value, int max) {
    Control *icon = panel_add_child(row, x, y, icon_id, 1, image_control_create_frame(icon_type, 1));
    Control *bar = value_bar_create_with_text(width, value, max);
    const int icon_w = icon ? icon->w : 0, icon_h = icon ? icon->h : 0;
    if (bar) panel_add_child(row, x + icon_w + ICON_BAR_GAP, y + (icon_h - bar->h) / 2, bar_id, 1, bar);
}

void fit_to_content(Control *panel, int pad) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + pad, h + pad);
}

Control *build_row(Control *list, GameObject *obj, bool pickable, int options) {
    Control *row = panel_create_empty();
    if (!row) return nullptr;
    Ship *ship = ship_of(obj);
    row->user_data = list;
    control_set_widget_state(row, obj, nullptr);
    row->tag = SHIP_ROW_UNSELECTED;
    panel_set_background(row, true);
    views_detail::set_colour(panel_background_colour(row), BLACK);

    if (has_pilot(ship)) panel_add_child(row, ROW_PAD, ROW_PAD, SHIP_ROW_RANK, 1, make_rank_icon(ship));

    Control *picture = image_control_create_single(frame_picture(obj, object_get_icon(obj)));
    if (picture) {
        uint8_t levels[SHIP_FACINGS] = {};
        for (int f = 0; ship && f < SHIP_FACINGS; ++f) {
            int32_t level = 0;
            ship_color_for_level(ship, f, nullptr, nullptr, nullptr, &level);
            levels[f] = uint8_t(level);
        }
        image_control_set_overlay(picture, true, levels, OVERLAY_EXTRA);
        for (int f = 0; f < SHIP_FACINGS; ++f) views_detail::set_colour(tint_fade(picture, f), facing_tint(ship, f));
        panel_add_child(row, ROW_PAD, ROW_PAD, SHIP_ROW_PICTURE, 1, picture);
    }
    const int picture_bottom = picture ? picture->y + picture->h : ROW_PAD;

    const views_detail::Rgb colour = owner_colour(obj, NAME_NO_OWNER_BUILT);
    Control *name = text_label_create_plain(FONT_NAME, colour.r, colour.g, colour.b, object_get_name(obj));
    int y = picture_bottom;
    if (name) {
        panel_add_child(row, ROW_PAD, picture_bottom + PICTURE_NAME_GAP, SHIP_ROW_NAME, 1, name);
        y = name->y + name->h;
    }

    const int width = bar_width(ship);
    add_icon_bar(row, IMAGE_ARMOUR, SHIP_ROW_ARMOUR_ICON, SHIP_ROW_ARMOUR_BAR, ROW_PAD, y, width,
                 ship ? ship->armour : 0, ship ? ship->max_armour : 1);
    if (has_pilot(ship)) {
        const Control *armour = panel_find_child(row, SHIP_ROW_ARMOUR_ICON);
        add_icon_bar(row, IMAGE_CREW, SHIP_ROW_CREW_ICON, SHIP_ROW_CREW_BAR, ROW_PAD,
                     armour ? armour->y + armour->h + 1 : y, width, ship->crew, ship->max_crew);
    }

    if (pickable) row->on_click = ship_list_on_row_click;
    if (options & SHIP_LIST_HOVER_ROWS) {
        row->on_hover_enter = ship_list_on_row_enter;
        row->on_hover_leave = ship_list_on_row_leave;
    }
    row->on_wheel = ship_list_on_row_wheel;
    fit_to_content(row, ROW_PAD);
    return row;
}

// Restacks a row of height row->h from the bottom: crew, armour, name, then the picture centred
// in what is left above.
void stack_row(Control *row, bool line_has_crew) {
    Control *crew_icon = panel_find_child(row, SHIP_ROW_CREW_ICON);
    Control *crew_bar = panel_find_child(row, SHIP_ROW_CREW_BAR);
    Control *armour_icon = panel_find_child(row, SHIP_ROW_ARMOUR_ICON);
    Control *armour_bar = panel_find_child(row, SHIP_ROW_ARMOUR_BAR);
    Control *name = panel_find_child(row, SHIP_ROW_NAME);
    Control *picture = panel_find_child(row, SHIP_ROW_PICTURE);
    const int bottom = row->h - ROW_PAD;
    const auto centre_on = [](Control *bar, const Control *icon) {
        if (bar && icon) control_set_position(bar, bar->x, icon->y + (icon->h - bar->h) / 2);
    };

    int above = bottom;   // the top of what is stacked so far
    if (crew_icon && crew_bar && !(crew_bar->flags & CTRL_FADING)) {
        control_set_position(crew_icon, crew_icon->x, bottom - crew_icon->h);
        centre_on(crew_bar, crew_icon);
        above = crew_icon->y - 1;
    } else if (line_has_crew) {
        above = bottom - ARMOUR_OVER_CREWLESS;
    }
    if (armour_icon) {
        control_set_position(armour_icon, armour_icon->x, above - armour_icon->h);
        centre_on(armour_bar, armour_icon);
        above = armour_icon->y;
    }
    if (name) {
        control_set_position(name, name->x, above - name->h);
        above = name->y - PICTURE_NAME_GAP;
    }
    if (picture) control_set_position(picture, picture->x, ROW_PAD + (above - ROW_PAD - picture->h) / 2);
}

bool row_has_crew(Control *row) {
    const Control *bar = panel_find_child(row, SHIP_ROW_CREW_BAR);
    return bar && !(bar->flags & CTRL_FADING);
}

// Rows flow left to right and wrap before `width`; every row of a line takes the line's height.
void flow_rows(Control *list, const std::vector<Control *> &rows, int width) {
    std::vector<std::vector<Control *>> lines(1);
    int x = ROW_PAD, y = ROW_PAD, line_h = 0;
    for (Control *row : rows) {
        if (x + row->w > width && !lines.back().empty()) {
            y += line_h + GRID_GAP;
            x = GRID_GAP;
            line_h = 0;
            lines.emplace_back();
        }
        control_set_position(row, x, y);
        x += row->w + GRID_GAP;
        line_h = std::max(line_h, row->h);
        lines.back().push_back(row);
    }
    for (const std::vector<Control *> &line : lines) {
        int h = 0;
        bool crew = false;
        for (Control *row : line) {
            h = std::max(h, row->h);
            crew = crew || row_has_crew(row);
        }
        for (Control *row : line) {
            control_set_size(row, row->w, h);
            stack_row(row, crew);
        }
    }
    fit_to_content(list, ROW_PAD);
}

void set_selected(Control *row, bool selected) {
    row->tag = selected ? SHIP_ROW_SELECTED : SHIP_ROW_UNSELECTED;
    GameObject *obj = row_ship(row);
    const Ship *ship = ship_of(obj);
    const bool hovered = row->flags & CTRL_HOVERED;
    Control *name = panel_find_child(row, SHIP_ROW_NAME);
    Control *picture = panel_find_child(row, SHIP_ROW_PICTURE);
    ColourFade *name_colour = name ? text_label_colour(name) : nullptr;
    if (selected) {
        fade_to(panel_background_colour(row), ROW_SELECTED, FADE_BACKGROUND_MS);
        fade_to(name_colour, NAME_SELECTED, FADE_NAME_MS);
    } else {
        fade_to(panel_background_colour(row), hovered ? ROW_HOVER : BLACK, FADE_BACKGROUND_MS);
        fade_to(name_colour, hovered ? NAME_HOVER : owner_colour(obj, NAME_NO_OWNER), FADE_NAME_MS);
    }
    for (int f = 0; picture && f < SHIP_FACINGS; ++f)
        fade_to(tint_fade(picture, f), selected ? TINT_SELECTED[f] : facing_tint(ship, f), FADE_TINT_MS,
                f * FADE_TINT_STAGGER_MS);
}

int32_t row_index(const ShipListState *s, const Control *row) {
    const std::vector<Control *> &rows = s->rows.items;
    for (size_t i = 0; i < rows.size() && rows[i]; ++i)
        if (rows[i] == row) return int32_t(i);
    return -1;
}

Control *row_of_ship(ShipListState *s, const GameObject *ship) {
    for (size_t i = 0; i < s->ships.items.size() && i < s->rows.items.size(); ++i) {
        if (!s->ships.items[i] || !s->rows.items[i]) break;
        if (s->ships.items[i] == ship) return s->rows.items[i];
    }
    return nullptr;
}

// ---- Totals ------------------------------------------------------------------------------------------

enum class Pick { Selected, Unselected };

// Calls fn with each row's ship that passes: the selection asked for, and visible unless
// hidden rows count.
template <typename Fn>
void for_rows(Control *list, Pick pick, bool hidden_count, Fn fn) {
    ShipListState *s = ship_list_state(list);
    if (!s) return;
    for (Control *row : s->rows.items) {
        if (!row) break;
        if (!hidden_count && !row_visible(row)) continue;
        if (row_selected(row) != (pick == Pick::Selected)) continue;
        fn(row);
    }
}

int32_t mass_of(Control *list, Pick pick) {
    int32_t sum = 0;
    for_rows(list, pick, false, [&](Control *row) { sum += row_ship(row) ? row_ship(row)->mass : 0; });
    return sum;
}

int32_t power_of(Control *list, Pick pick) {
    int32_t sum = 0;
    for_rows(list, pick, true, [&](Control *row) {
        const Ship *ship = ship_of(row_ship(row));
        sum += ship ? ship->capacity_used : 0;
    });
    return sum;
}

int32_t speed_of(const std::vector<Control *> &rows) {
    List<GameObject> ships;   // borrowed: no free callback
    for (Control *row : rows) list_append(&ships, row_ship(row));
    return ship_list_min_mp(&ships);
}

// ---- Icon row ----------------------------------------------------------------------------------------

void dark_panel_look(Control *panel) {
    panel_set_shade(panel, 2);
    panel_set_border(panel, true);
    views_detail::set_colour(panel_border_colour(panel), LIST_BORDER);
}

void dark_pulse(Control *panel) {
    panel_set_background(panel, true);
    colour_fade_start(panel_background_colour(panel), DARK_FROM.r, DARK_FROM.g, DARK_FROM.b, DARK_TO.r, DARK_TO.g,
                      DARK_TO.b, DARK_PULSE_MS, 0, COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
}

// The small picture: the template's small icon frame, else the list icon.
Sprite *small_picture(GameObject *obj) {
    const Ship *ship = ship_of(obj);
    if (ship)
        if (Sprite *small = frame_picture(obj, ship->frame_c)) return small;
    return frame_picture(obj, object_get_icon(obj));
}

Control *build_cell(GameObject *obj, int options) {
    Control *cell = panel_create_empty();
    if (!cell) return nullptr;
    panel_add_child(cell, 1, 1, ICON_CELL_PICTURE, 1, image_control_create_single(small_picture(obj)));
    if (options & SHIP_ICONS_OWNER_SQUARES)
        if (const Player *owner = object_get_owner(obj))
            panel_add_child(cell, 0, 0, ICON_CELL_OWNER, 1,
                            panel_create(6, 6, owner->red / 2, owner->green / 2, owner->blue / 2));
    if (has_pilot(ship_of(obj))) {
        const Control *picture = panel_find_child(cell, ICON_CELL_PICTURE);
        Control *pilot = image_control_create_frame(IMAGE_COMMANDER, 1);
        if (pilot) panel_add_child(cell, 1, picture ? picture->y + picture->h - pilot->h : 1, ICON_CELL_PILOT, 1, pilot);
    }
    fit_to_content(cell, 1);
    return cell;
}

void place_cell_parts(Control *cell) {
    if (Control *picture = panel_find_child(cell, ICON_CELL_PICTURE))
        control_set_position(picture, picture->x, (cell->h - picture->h) / 2);
    if (Control *pilot = panel_find_child(cell, ICON_CELL_PILOT))
        control_set_position(pilot, pilot->x, cell->h - 1 - pilot->h);
}

}  // namespace

// ---- The list ----------------------------------------------------------------------------------------

ShipListState *ship_list_state(Control *list) {
    return list && list->widget_free == free_list_state ? static_cast<ShipListState *>(list->widget_state) : nullptr;
}

Control *ship_list_create(List<GameObject> *ships, int width, ControlFn on_pick, int options) {
    Control *list = panel_create_empty();
    if (list) ship_list_init(list, ships, width, on_pick, options);
    return list;
}

void ship_list_init(Control *list, List<GameObject> *ships, int width, ControlFn on_pick, int options) {
    if (!panel_of(list)) return;
    panel_remove_children(list);
    dark_panel_look(list);
    if (options & SHIP_LIST_DARK) dark_pulse(list);
    ShipListState *s = new (std::nothrow) ShipListState{};
    if (!s) return;
    s->on_pick = on_pick;
    list_set_free_fn(&s->ships, object_release);
    list_set_free_fn(&s->rows, release_control);
    control_set_widget_state(list, s, free_list_state);

    const bool pickable = on_pick != nullptr;
    std::vector<Control *> rows;
    for (GameObject *obj : ships ? ships->items : std::vector<GameObject *>{}) {
        if (!obj) break;
        Control *row = build_row(list, obj, pickable, options);
        if (!row) break;
        object_add_ref(obj);
        list_append(&s->ships, obj);
        list_append(&s->rows, control_addref(row));
        panel_add_child(list, 0, 0, 0, pickable || (options & SHIP_LIST_HOVER_ROWS) ? 0 : 1, row);
        rows.push_back(row);
    }
    flow_rows(list, rows, width);
}

void ship_list_set_pick_handler(Control *list, ControlFn on_pick) {
    ShipListState *s = ship_list_state(list);
    if (!s) return;
    s->on_pick = on_pick;
    if (!on_pick) return;
    // A list built without a handler gets clickable rows now.
    for (Control *row : s->rows.items) {
        if (!row) break;
        row->on_click = ship_list_on_row_click;
        row->flags &= ~(CTRL_DISABLED | CTRL_DISABLE_TIMER);
    }
}

namespace {
void list_on_wheel(Control *list) {
    if (ShipListState *s = ship_list_state(list); s && s->on_wheel) s->on_wheel(list);
}
}  // namespace

void ship_list_set_wheel_handler(Control *list, ControlFn on_wheel) {
    ShipListState *s = ship_list_state(list);
    if (!s) return;
    s->on_wheel = on_wheel;
    list->on_wheel = list_on_wheel;
}

GameObject *ship_list_picked_ship(Control *list) {
    ShipListState *s = ship_list_state(list);
    if (!s || s->picked < 0 || s->picked >= list_count(&s->ships)) return nullptr;
    return s->ships.items[size_t(s->picked)];
}

void ship_list_on_row_click(Control *row) {
    Control *list = row_list(row);
    ShipListState *s = ship_list_state(list);
    if (!s) return;
    s->picked = row_index(s, row);
    if (s->on_pick) s->on_pick(list);
}

void ship_list_on_row_wheel(Control *row) {
    list_on_wheel(row_list(row));
}

void ship_list_on_row_enter(Control *row) {
    if (row_selected(row)) return;
    if (Control *name = panel_find_child(row, SHIP_ROW_NAME)) fade_to(text_label_colour(name), NAME_HOVER, FADE_NAME_MS);
    fade_to(panel_background_colour(row), ROW_HOVER, FADE_BACKGROUND_MS);
}

void ship_list_on_row_leave(Control *row) {
    if (row_selected(row)) return;
    if (Control *name = panel_find_child(row, SHIP_ROW_NAME))
        fade_to(text_label_colour(name), owner_colour(row_ship(row), NAME_NO_OWNER), FADE_NAME_MS);
    fade_to(panel_background_colour(row), BLACK, FADE_BACKGROUND_MS);
}

// ---- Selection and filter ----------------------------------------------------------------------------

void ship_list_set_row_selected(Control *list, GameObject *ship, bool selected) {
    ShipListState *s = ship_list_state(list);
    Control *row = s ? row_of_ship(s, ship) : nullptr;
    if (!row || !row_visible(row) || row_selected(row) == selected) return;
    set_selected(row, selected);
}

void ship_list_select_visible(Control *list) {
    for_rows(list, Pick::Unselected, false, [](Control *row) { set_selected(row, true); });
}

void ship_list_unselect_visible(Control *list) {
    for_rows(list, Pick::Selected, false, [](Control *row) { set_selected(row, false); });
}

bool ship_list_is_selected(Control *list, const GameObject *ship) {
    ShipListState *s = ship_list_state(list);
    const Control *row = s ? row_of_ship(s, ship) : nullptr;
    return row && row_visible(row) && row_selected(row);
}

void ship_list_filter_owner(Control *list, uint64_t owner_id) {
    ShipListState *s = ship_list_state(list);
    if (!s) return;
    s->owner_filter = owner_id;
    for (Control *row : s->rows.items) {
        if (!row) break;
        const GameObject *ship = row_ship(row);
        control_set_hidden(row, owner_id == 0 || (ship && ship->owner_id == owner_id));
    }
}

// ---- Totals ------------------------------------------------------------------------------------------

int32_t ship_list_count_visible(Control *list) {
    ShipListState *s = ship_list_state(list);
    int32_t n = 0;
    for (const Control *row : s ? s->rows.items : std::vector<Control *>{}) {
        if (!row) break;
        n += row_visible(row);
    }
    return n;
}

int32_t ship_list_count_selected(Control *list) {
    int32_t n = 0;
    for_rows(list, Pick::Selected, false, [&](Control *) { ++n; });
    return n;
}

int32_t ship_list_selected_mass(Control *list) { return mass_of(list, Pick::Selected); }
int32_t ship_list_unselected_mass(Control *list) { return mass_of(list, Pick::Unselected); }
int32_t ship_list_selected_power(Control *list) { return power_of(list, Pick::Selected); }
int32_t ship_list_unselected_power(Control *list) { return power_of(list, Pick::Unselected); }

int32_t ship_list_selected_speed(Control *list) {
    ShipListState *s = ship_list_state(list);
    if (!s) return 0;
    // A lone ship is the fleet that would move, picked or not.
    const bool lone = list_count(&s->rows) == 1;
    std::vector<Control *> counted;
    for (Control *row : s->rows.items) {
        if (!row) break;
        if (row_visible(row) && (lone || row_selected(row))) counted.push_back(row);
    }
    return speed_of(counted);
}

int32_t ship_list_unselected_speed(Control *list) {
    std::vector<Control *> counted;
    for_rows(list, Pick::Unselected, false, [&](Control *row) { counted.push_back(row); });
    return speed_of(counted);
}

// ---- Refresh and width -------------------------------------------------------------------------------

void ship_list_relayout(Control *list) {
    ShipListState *s = ship_list_state(list);
    if (!s) return;
    for (Control *row : s->rows.items) {
        if (!row) break;
        if (Control *rank = panel_find_child(row, SHIP_ROW_RANK)) control_remove(rank);
        Ship *ship = ship_of(row_ship(row));
        if (!has_pilot(ship)) {
            control_fade_out(panel_find_child(row, SHIP_ROW_CREW_ICON), CREW_FADE_MS);
            control_fade_out(panel_find_child(row, SHIP_ROW_CREW_BAR), CREW_FADE_MS);
        } else {
            panel_add_child(row, ROW_PAD, ROW_PAD, SHIP_ROW_RANK, 1, make_rank_icon(ship));
            if (Control *crew = panel_find_child(row, SHIP_ROW_CREW_BAR)) {
                value_bar_animate_to(crew, ship->crew, BAR_RUN_MS);
            } else {
                int w = 0, h = 0;
                panel_layout(row, &w, &h);
                add_icon_bar(row, IMAGE_CREW, SHIP_ROW_CREW_ICON, SHIP_ROW_CREW_BAR, ROW_PAD, h + 1, bar_width(ship),
                             ship->crew, ship->max_crew);
                fit_to_content(row, ROW_PAD);
            }
        }
        if (Control *armour = panel_find_child(row, SHIP_ROW_ARMOUR_BAR))
            value_bar_animate_to(armour, ship ? ship->armour : 0, BAR_RUN_MS);
    }
    int w = 0, h = 0;
    panel_layout(list, &w, &h);
    control_set_size(list, list->w, h + ROW_PAD);
}

void ship_list_set_width(Control *list, int width) {
    ShipListState *s = ship_list_state(list);
    if (!s) return;
    const int shift = (width - list->w) / 2;
    control_set_size(list, width, list->h);
    for (Control *row : s->rows.items) {
        if (!row) break;
        control_set_position(row, row->x + shift, row->y);
    }
}

// ---- The icon row ------------------------------------------------------------------------------------

Control *ship_icons_create(List<GameObject> *ships, int options) {
    Control *panel = panel_create_empty();
    if (panel) ship_icons_build(panel, ships, options);
    return panel;
}

void ship_icons_build(Control *panel, List<GameObject> *ships, int options) {
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    dark_panel_look(panel);
    dark_pulse(panel);

    std::vector<std::vector<Control *>> lines(1);
    int x = ICON_ROW_START, y = ICON_ROW_START, line_h = 0;
    for (GameObject *obj : ships ? ships->items : std::vector<GameObject *>{}) {
        if (!obj) break;
        Control *cell = build_cell(obj, options);
        if (!cell) break;
        if (x + cell->w > ICON_ROW_LIMIT && !lines.back().empty()) {
            y += line_h + GRID_GAP;
            x = ICON_ROW_START;
            line_h = 0;
            lines.emplace_back();
        }
        panel_add_child(panel, x, y, 0, 1, cell);
        x += cell->w + GRID_GAP;
        line_h = std::max(line_h, cell->h);
        lines.back().push_back(cell);
    }
    for (const std::vector<Control *> &line : lines) {
        int h = 0;
        for (const Control *cell : line) h = std::max(h, cell->h);
        for (Control *cell : line) {
            control_set_size(cell, cell->w, h);
            place_cell_parts(cell);
        }
    }

    // Lines that reach the bottom limit go; the last cell left says there were more.
    bool dropped = false;
    while (lines.size() > 1) {
        const std::vector<Control *> &last = lines.back();
        const bool reaches = std::any_of(last.begin(), last.end(),
                                         [](const Control *c) { return c->y + c->h >= ICON_ROW_LIMIT; });
        if (!reaches) break;
        for (Control *cell : last) control_remove(cell);
        lines.pop_back();
        dropped = true;
    }
    if (dropped && !lines.back().empty()) {
        Control *cell = lines.back().back();
        panel_remove_children(cell);
        if (Control *more = text_label_create_plain(FONT_NAME, ELLIPSIS.r, ELLIPSIS.g, ELLIPSIS.b, "..."))
            panel_add_child(cell, (cell->w - more->w) / 2, (cell->h - more->h) / 2, 0, 1, more);
    }
    fit_to_content(panel, 2);
}
