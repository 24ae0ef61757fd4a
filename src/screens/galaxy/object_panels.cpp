// The galaxy screen's object panels and selection: the stack of at most six object panels with
// their layers and veils, the tests the handlers make around them, the selected object with its
// pulsing bracket, placing a panel beside an object or a row, and the pick handlers of the ship
// rows and the site markers.
#include <algorithm>
#include <vector>

#include "game/game.h"
#include "platform/colour_fade.h"
#include "platform/list.h"
#include "platform/log.h"
#include "platform/sound.h"
#include "screens/galaxy/galaxy_local.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/sites/site_panel.h"
#include "ui/game_controls.h"
#include "ui/line_group.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"
#include "views/object_controls.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int BESIDE_BOX = 40;          // the box a panel opened next to a row keeps clear of
constexpr int NEWS_GAP = 4;             // between a placed panel and the news box

// The bracket: 11 pixels of room on every side of the object, the corners 8 pixels inside the
// container's corners, a jump of 6 pixels outward every 600 ms that slides back in 400 ms.
constexpr int BRACKET_ROOM = 11;
constexpr int BRACKET_INSET = 8;
constexpr int BRACKET_JUMP = 6;
constexpr int BRACKET_PERIOD_MS = 600;
constexpr int BRACKET_RETURN_MS = 400;
constexpr int BRACKET_CORNERS = 4;
constexpr int BRACKET_R = 230, BRACKET_G = 230, BRACKET_B = 20;

// The moving grid of the panel on top of the stack.
constexpr int GRID_SPACING = 24;
constexpr int GRID_DIRECTION = -1;
constexpr int GRID_STEP_MS = 150;
constexpr int VEIL_SHIFT = 3;

const std::vector<Control *> &items_of(const List<Control> *list) {
    static const std::vector<Control *> none;
    return list ? list->items : none;
}

// Every top-level control, live ones first, then those queued in this frame; stops at a null.
template <typename Fn>
void for_each_top_level(Fn fn) {
    const Game *g = game_get();
    for (const List<Control> *list : {g->controls, g->new_controls})
        for (Control *c : items_of(list)) {
            if (!c) break;
            fn(c);
        }
}

bool is_object_panel(const Control *c) {
    return c->type == CONTROL_PANEL && c->tag == GALAXY_GROUP_OBJECT_PANELS && !(c->flags & CTRL_REMOVED);
}

// An object panel counts as open while it is shown, or hidden only until its show-again timer.
bool is_open(const Control *c) { return is_object_panel(c) && control_is_shown(c); }

// The object panel of the id, open or hidden.
Control *object_panel_of(int32_t id) {
    Control *found = nullptr;
    for_each_top_level([&](Control *c) {
        if (!found && is_object_panel(c) && c->id == id) found = c;
    });
    return found;
}

void disable(Control *c) { control_set_enabled(c, false); }

// A panel beneath the top: disabled, dimmed, its moving grid stopped.
void veil(Control *panel) {
    disable(panel);
    panel_set_dim(panel, VEIL_SHIFT);
    if (Panel *p = panel_of(panel)) p->flags &= ~PANEL_GRID;
}

// What stands for the object on the map in view: the object itself when it lies on that map; a
// site seen from the star map is its sector there, a ship its fleet or its sector. Null when
// nothing of it is on the map in view (a sector while a sector is shown, a ship in transit
// between views).
const GameObject *on_map_in_view(const GameObject *object) {
    const ObjectMap *map = galaxy_current_map();
    if (!object || !map) return nullptr;
    if (object->map == map) return object;
    const GameObject *holder = nullptr;
    if (const Site *site = site_cast(object)) {
        holder = site_find_sector(site);
    } else if (const Ship *ship = ship_of(object)) {
        Game *g = game_get();
        holder = ship->fleet_id ? game_find_object(g, ship->fleet_id) : nullptr;
        if (!holder || holder->map != map) holder = ship->sector_id ? game_find_object(g, ship->sector_id) : nullptr;
    }
    return holder && holder->map == map ? holder : nullptr;
}

// A panel's size once its grow-in has ended.
void final_size(Control *c, int *w, int *h) {
    const Panel *p = panel_of(c);
    const bool growing = p && panel_is_resizing(c);
    *w = growing ? p->target_w : c->w;
    *h = growing ? p->target_h : c->h;
}

// A panel placed over the news box in the bottom-left corner moves up above it, or, when there is
// no room above, to its right; it stays beside its object, which it never covered sideways.
void keep_clear_of_news(Control *panel) {
    Control *news = galaxy_screen()->side_panels[GALAXY_LIST_NEWS];
    if (!news || news == panel || !control_is_shown(news)) return;
    int nw = 0, nh = 0, w = 0, h = 0;
    final_size(news, &nw, &nh);
    final_size(panel, &w, &h);
    const int news_bottom = news->y + news->h, news_top = news_bottom - nh, news_right = news->x + nw;
    int x = panel->x, y = panel->y;
    if (x >= news_right + NEWS_GAP || x + w + NEWS_GAP <= news->x || y + h + NEWS_GAP <= news_top || y >= news_bottom)
        return;
    const GalaxyRect &area = galaxy_screen()->panel_area;
    if (news_top - NEWS_GAP - h >= area.y1) y = news_top - NEWS_GAP - h;
    else if (news_right + NEWS_GAP + w - 1 <= area.x2) x = news_right + NEWS_GAP;
    control_set_position(panel, x, y);
}

// The object's rectangle on the screen: its map's view origin taken off.
void screen_rect_of(const GameObject *object, int *x, int *y) {
    *x = object->x;
    *y = object->y;
    if (const ObjectMap *map = object->map) {
        *x -= map->view_x;
        *y -= map->view_y;
    }
}

// A panel grows from an eighth of its size (at least one pixel) to its size.
void grow_in_panel(Control *panel) {
    const int w = panel->w, h = panel->h;
    control_set_size(panel, std::max(w / 8, 1), std::max(h / 8, 1));
    panel_resize_to(panel, w, h, GALAXY_PANEL_GROW_MS);
}

// ---- The bracket ----

struct BracketCorner {
    int dx, dy;   // the outward direction: -1 or 1 on each axis
};
constexpr BracketCorner CORNERS[BRACKET_CORNERS] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};

// Where a corner rests in a container of w x h.
void corner_rest(int i, int w, int h, int length, int *x, int *y) {
    *x = CORNERS[i].dx < 0 ? BRACKET_INSET : w - BRACKET_INSET - length;
    *y = CORNERS[i].dy < 0 ? BRACKET_INSET : h - BRACKET_INSET - length;
}

// One pulse: every corner jumps outward along its diagonal and slides back.
void bracket_step(Control *bracket) {
    Panel *p = panel_of(bracket);
    if (!p) return;
    const int length = p->value;
    int i = 0;
    for (Control *corner : p->children.items) {
        if (!corner) break;
        if (i >= BRACKET_CORNERS) break;
        int x = 0, y = 0;
        corner_rest(i, bracket->w, bracket->h, length, &x, &y);
        control_set_position(corner, x + CORNERS[i].dx * BRACKET_JUMP, y + CORNERS[i].dy * BRACKET_JUMP);
        control_move_to(corner, x, y, BRACKET_RETURN_MS);
        ++i;
    }
    control_set_timer(bracket, BRACKET_PERIOD_MS);
}

// One corner: an L of two lines of the corner length meeting at the corner's outer point.
Control *bracket_corner(int i, int length) {
    Control *corner = panel_create_empty();
    if (!corner) return nullptr;
    control_set_size(corner, length, length);
    Control *lines = line_group_create(2);
    if (!lines) return corner;
    const int last = length - 1;
    const int cx = CORNERS[i].dx < 0 ? 0 : last, cy = CORNERS[i].dy < 0 ? 0 : last;
    line_group_set_line(lines, 0, 0, cy, last, cy);
    line_group_set_line(lines, 1, cx, 0, cx, last);
    line_group_set_colour(lines, BRACKET_R, BRACKET_G, BRACKET_B);
    control_set_size(lines, length, length);
    panel_add_child(corner, 0, 0, 0, 1, lines);
    return corner;
}

void drop_selection() {
    GalaxyScreen *s = galaxy_screen();
    game_remove_controls_by_group(game_get(), GALAXY_GROUP_SELECTION);
    GameObject *old = s->selected;
    s->selected = nullptr;
    if (old) object_release(old);
    if (s->selection_panel) control_set_hidden(s->selection_panel, false);
    galaxy_prompt_show(-1);
    s->screen_flags.fetch_and(~(GALAXY_FLAG_SELECTED | GALAXY_FLAG_OBJECT_PANEL_SHOWN), std::memory_order_relaxed);
}

// ---- Picking a ship row ----

// The ship panel next to a row of a list: the first free place in the panel area clear of a box
// around the row's middle, else right of the middle (left of the row past the screen's middle).
void open_ship_panel_beside(Control *row) {
    GameObject *ship = galaxy_list_row_object(row);
    if (!ship) return;
    galaxy_select_object(ship);
    Control *panel = galaxy_object_panel_open(GALAXY_PANEL_SHIP);
    if (!panel) return;
    galaxy_object_panel_set_object(panel, ship);
    int rx = 0, ry = 0;
    control_get_screen_position(row, &rx, &ry);
    galaxy_show_ship_panel(panel, ship, game_get()->ui_player);
    int tx = rx + row->w / 2;
    if (tx > ui_screen_width() / 2) tx = rx - panel->w;
    const int ty = ry + row->h / 2;
    panel_enable_item_list(panel);
    galaxy_detail::add_panel_area(panel);
    panel_add_item(panel, PLACE_BESIDE, tx - BESIDE_BOX / 2, ty - BESIDE_BOX / 2, BESIDE_BOX, BESIDE_BOX);
    int x = tx, y = ty;
    if (panel_find_own_position(panel, &x, &y) != RES_OK) {
        x = tx;
        y = ty;
    }
    control_set_position(panel, x, y);
    grow_in_panel(panel);
    game_flush_new_controls(game_get());
}

// The object a control stands for: the first attached object up its owners.
GameObject *attached_object(Control *c) {
    for (; c; c = c->owner)
        if ((c->flags & CTRL_ATTACHED) && c->target) return static_cast<GameObject *>(c->target);
    return nullptr;
}

}  // namespace

// ---- The stack ----

Control *galaxy_object_panel_open(int32_t id) {
    Game *g = game_get();
    GalaxyScreen *s = galaxy_screen();
    for_each_top_level([&](Control *c) {
        if (c->id == id && !(c->flags & CTRL_REMOVED)) control_remove(c);
    });
    Control *panel = panel_create_empty();
    if (!panel) return nullptr;
    control_set_tag(panel, GALAXY_GROUP_OBJECT_PANELS);
    panel_enable_glow(panel);
    colour_fade_start(panel_glow_colour(panel), 0, 0, 0, 40, 170, 40, 200, 200, 0);
    game_add_control(g, 0, 0, id, 0, panel);
    if (s->panel_top >= GALAXY_OBJECT_PANEL_LIMIT - 1) {
        log_write(LOG_GAME, LOG_ERROR, "Object panel limit exceeded (%i)", s->panel_top);
        return panel;
    }
    control_set_layer(panel, s->panel_top + 5);
    for (int i = 0; i <= s->panel_top; ++i)
        if (Control *below = object_panel_of(s->panel_stack[i])) veil(below);
    s->panel_stack[++s->panel_top] = id;
    galaxy_side_panels_set_layer(4);
    return panel;
}

void galaxy_object_panels_close() {
    for_each_top_level([](Control *c) {
        if (is_object_panel(c)) control_remove(c);
    });
    galaxy_screen()->panel_top = -1;
}

Control *galaxy_object_panel_find(int32_t id) {
    Control *found = nullptr;
    for_each_top_level([&](Control *c) {
        if (!found && is_open(c) && c->id == id) found = c;
    });
    return found;
}

Control *galaxy_object_panel_bottom() {
    const GalaxyScreen *s = galaxy_screen();
    return s->panel_top < 0 ? nullptr : galaxy_object_panel_find(s->panel_stack[0]);
}

Control *galaxy_object_panel_top() {
    const GalaxyScreen *s = galaxy_screen();
    return s->panel_top < 0 ? nullptr : galaxy_object_panel_find(s->panel_stack[s->panel_top]);
}

bool galaxy_object_panel_is_open(int32_t id) { return galaxy_object_panel_find(id) != nullptr; }

bool galaxy_object_panel_open_for_hovered() {
    const GameObject *hovered = galaxy_screen()->hovered;
    bool found = false;
    if (!hovered) return false;
    for_each_top_level([&](Control *c) {
        if (is_open(c) && c->user_data == hovered) found = true;
    });
    return found;
}

bool galaxy_object_panels_any_open() {
    bool found = false;
    for_each_top_level([&](Control *c) {
        if (is_open(c)) found = true;
    });
    return found;
}

void galaxy_object_panel_flash(int32_t id) {
    Control *panel = galaxy_object_panel_find(id);
    Panel *p = panel_of(panel);
    if (!p) return;
    panel_start_grid(panel, GRID_SPACING, GRID_DIRECTION, GRID_STEP_MS);
    control_set_enabled(panel, true);
    p->flags &= ~PANEL_DIM;
}

void galaxy_object_panels_show(bool show) {
    for_each_top_level([&](Control *c) {
        if (c->tag == GALAXY_GROUP_OBJECT_PANELS && !(c->flags & CTRL_REMOVED)) control_set_hidden(c, show);
    });
}

void galaxy_object_panel_set_object(Control *panel, GameObject *object) {
    if (!panel || !object) return;
    object_add_ref(object);
    control_set_user_data(panel, object, galaxy_detail::release_object);
}

// ---- The selection ----

void galaxy_select_object(GameObject *object) {
    GalaxyScreen *s = galaxy_screen();
    if (object == s->selected) return;
    if (!object) {
        drop_selection();
        return;
    }
    game_remove_controls_by_group(game_get(), GALAXY_GROUP_SELECTION);
    object_add_ref(object);
    GameObject *old = s->selected;
    s->selected = object;
    if (old) object_release(old);
    s->screen_flags.fetch_or(GALAXY_FLAG_SELECTED, std::memory_order_relaxed);
    // The bracket goes around what the player sees of the object on this map.
    if (const GameObject *shown = on_map_in_view(object)) {
        const int corner = std::clamp(std::max(shown->w, shown->h) / 10, 4, 10);
        galaxy_selection_bracket_show(shown->x, shown->y, shown->w, shown->h, corner);
    } else if (s->selection_panel) {
        control_set_hidden(s->selection_panel, false);   // the old object's bracket goes
    }
    sound_play(SOUND_OPEN_PANEL);
    s->screen_flags.fetch_and(~GALAXY_FLAG_OBJECT_PANEL_SHOWN, std::memory_order_relaxed);
}

void galaxy_drop_selection() { drop_selection(); }

void galaxy_selection_bracket_show(int32_t x, int32_t y, int32_t w, int32_t h, int32_t corner) {
    // The bracket lives in the screen's selection panel: a hover change that sweeps the course and
    // hover lines away leaves it standing, and only a change of the selection moves or hides it.
    Control *bracket = galaxy_screen()->selection_panel;
    Panel *p = panel_of(bracket);
    if (!p) return;
    panel_remove_children(bracket);
    p->value = corner;
    control_set_size(bracket, w + 2 * BRACKET_ROOM, h + 2 * BRACKET_ROOM);
    for (int i = 0; i < BRACKET_CORNERS; ++i) {
        Control *c = bracket_corner(i, corner);
        if (!c) continue;
        int cx = 0, cy = 0;
        corner_rest(i, bracket->w, bracket->h, corner, &cx, &cy);
        panel_add_child(bracket, cx, cy, 0, 1, c);
    }
    // Layer 0 and disabled: the pointer passes through to the map beneath.
    if (ObjectMap *map = galaxy_current_map()) map_control_anchor(bracket, true, map);
    control_set_position(bracket, x - BRACKET_ROOM, y - BRACKET_ROOM);
    control_set_callback(bracket, CONTROL_ON_TIMER, bracket_step);
    control_set_timer(bracket, BRACKET_PERIOD_MS);
    control_set_hidden(bracket, true);
}

// ---- Placement ----

void galaxy_panel_move_into_place(Control *mover, Control *target) {
    if (!mover || !target) return;
    control_move_to(mover, target->x, target->y, GALAXY_PANEL_GROW_MS);
    panel_set_draw_children_while_resizing(mover, false);
    panel_resize_to(mover, target->w, target->h, GALAXY_PANEL_GROW_MS);
    control_show_for(mover, GALAXY_PANEL_GROW_MS);
    control_disable_for(mover, GALAXY_PANEL_GROW_MS);
    panel_stop_resize(target);
    control_hide_for(target, GALAXY_PANEL_GROW_MS);
}

void galaxy_place_panel_beside(Control *panel, const GameObject *object, int32_t margin) {
    if (!panel_of(panel) || !object) return;
    panel_enable_item_list(panel);
    galaxy_detail::add_panel_area(panel);
    if (const GameObject *shown = on_map_in_view(object)) {
        int x = 0, y = 0;
        screen_rect_of(shown, &x, &y);
        panel_add_item(panel, PLACE_BESIDE, x - margin, y - margin, shown->w + 2 * margin, shown->h + 2 * margin);
    }
    (void)panel_auto_position(panel);   // the item list is on: a place is always found
    keep_clear_of_news(panel);
}

void galaxy_fleet_on_pick_ship(Control *row) { open_ship_panel_beside(row); }

void galaxy_sector_on_pick_ship(Control *row) { open_ship_panel_beside(row); }

void galaxy_site_marker_on_click(Control *marker) {
    Site *site = site_cast(attached_object(marker));
    if (!site) return;
    galaxy_object_panels_close();
    Control *panel = galaxy_object_panel_open(GALAXY_PANEL_SITE);
    if (!panel) return;
    galaxy_object_panel_set_object(panel, site);
    galaxy_show_site_panel(panel, site, SITE_PANEL_ANIMATE | SITE_PANEL_CLOSE);
    galaxy_place_panel_beside(panel, site, 12);
    galaxy_select_object(site);
    game_flush_new_controls(game_get());
}

// ---- Lists ----

GameObject *galaxy_list_row_object(Control *row) {
    return panel_of(row) ? static_cast<GameObject *>(row->widget_state) : nullptr;
}

