// The combat screen's selection and object panels: the selected object with its bouncing brackets
// and its unit status panel, the stack of at most six object panels (the unit status panel, ship
// details, the shot panel, the officer panel, the missile warning), the details a scan or a click
// opens, the missile warning with its target marker, and placing a popup beside an object.
//  - An object panel is a top-level panel with one of the object panel ids; the stack records the
//    order they were opened in, the panels below the top are disabled until the top one goes.
//  - Game thread only.
#include <algorithm>
#include <vector>

#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/list.h"
#include "platform/log.h"
#include "screens/combat/combat_local.h"
#include "screens/combat/combat_panels.h"
#include "screens/combat/combat_screen.h"
#include "screens/combat/unit_status_panel.h"
#include "screens/officers/officer_detail_panel.h"
#include "screens/ships/ship_details.h"
#include "ui/control.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/line_group.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "views/object_controls.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/shot.h"
#include "world/site.h"

namespace {

constexpr int OBJECT_PANEL_IDS[] = {COMBAT_ID_UNIT_STATUS, COMBAT_ID_OFFICER_PANEL, COMBAT_ID_SHIP_DETAILS,
                                    COMBAT_ID_SHOT_PANEL, COMBAT_ID_MISSILE_WARNING};

constexpr int32_t PANEL_STATE_COVERED = 3;   // a panel opened on top of it
constexpr int32_t PANEL_STATE_WARNING = 4;
constexpr int OBJECT_PANEL_GROW_MS = 120;
constexpr int STATUS_GROW_MS = 200;
constexpr int OFFICER_MOVE_MS = 130;

// The ship details panel's options: the UI player's own ship, another's object details, the
// status of another player's ship from the UI player's snapshot.
constexpr uint32_t DETAILS_OWN = SHIP_PANEL_COMBAT_OWN;
constexpr uint32_t DETAILS_OTHER = SHIP_PANEL_COMBAT_OTHER;
constexpr uint32_t DETAILS_SNAPSHOT = SHIP_PANEL_COMBAT_SNAPSHOT;

// Unit status panel styles.
constexpr int32_t STATUS_STYLE_ACTING = 7;
constexpr int32_t STATUS_STYLE_OWN_SIDE = 13;
constexpr int32_t STATUS_STYLE_OTHER = 1;

// Brackets: 22 pixels of room on every side, corners 8 pixels inside, a length of a tenth of the
// object's larger side within 4..10.
constexpr int BRACKET_ROOM = 22;
constexpr int BRACKET_INSET = 8;
constexpr int BRACKET_JUMP = 6;
constexpr int BRACKET_SLIDE_IN_MS = 100;
constexpr int BRACKET_FIRST_PAUSE_MS = 400;
constexpr int BRACKET_PERIOD_MS = 600;
constexpr int BRACKET_RETURN_MS = 400;
constexpr int BRACKET_PULSE_MS = 2240;
constexpr int BRACKET_CORNERS = 4;


bool is_object_panel_id(int32_t id) {
    return std::find(std::begin(OBJECT_PANEL_IDS), std::end(OBJECT_PANEL_IDS), id) != std::end(OBJECT_PANEL_IDS);
}

const std::vector<Control *> &items_of(const List<Control> *list) {
    static const std::vector<Control *> none;
    return list ? list->items : none;
}

template <typename Fn>
void for_each_top_level(Fn fn) {
    const Game *g = game_get();
    if (!g) return;
    for (const List<Control> *list : {g->controls, g->new_controls})
        for (Control *c : items_of(list)) {
            if (!c) break;
            fn(c);
        }
}

bool is_object_panel(const Control *c) {
    return c->type == CONTROL_PANEL && is_object_panel_id(c->id) && !(c->flags & CTRL_REMOVED);
}

// An object panel that is neither removed nor hidden (one fading out still counts).
Control *shown_object_panel(int32_t id) {
    Control *found = nullptr;
    for_each_top_level([&](Control *c) {
        if (!found && c->id == id && is_object_panel(c) && control_is_shown(c)) found = c;
    });
    return found;
}

void grow_in(Control *panel, int from, int ms) {
    const int w = panel->w, h = panel->h;
    control_set_size(panel, from, from);
    panel_resize_to(panel, w, h, ms);
}

void centre_on_screen(Control *panel) {
    control_set_position(panel, ui_screen_width() / 2 - panel->w / 2, ui_screen_height() / 2 - panel->h / 2);
}

void hide_hover_popup_of(const GameObject *object) {
    CombatScreen *s = combat_screen();
    if (!object || object != s->hovered || !s->hover_popup) return;
    panel_remove_children(s->hover_popup);
    control_set_hidden(s->hover_popup, false);
}

// ---- Brackets ----

struct Corner {
    int dx, dy;   // outwards: -1 or 1 per axis
};
constexpr Corner CORNERS[BRACKET_CORNERS] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};

void corner_rest(int i, int w, int h, int length, int *x, int *y) {
    *x = CORNERS[i].dx < 0 ? BRACKET_INSET : w - BRACKET_INSET - length;
    *y = CORNERS[i].dy < 0 ? BRACKET_INSET : h - BRACKET_INSET - length;
}

// A corner's slide has ended: it jumps outwards and slides back, and again every period.
void bracket_bounce(Control *corner) {
    Control *bracket = corner->owner;
    if (!bracket) return;
    const Panel *p = panel_of(corner);
    const int i = p ? p->value : -1, length = corner->w;
    if (i < 0 || i >= BRACKET_CORNERS) return;
    int x = 0, y = 0;
    corner_rest(i, bracket->w, bracket->h, length, &x, &y);
    control_set_position(corner, x + CORNERS[i].dx * BRACKET_JUMP, y + CORNERS[i].dy * BRACKET_JUMP);
    control_move_to(corner, x, y, BRACKET_RETURN_MS);
    control_set_timer(corner, BRACKET_PERIOD_MS);
}

Control *bracket_corner(int i, int length) {
    Control *corner = panel_create_empty();
    if (!corner) return nullptr;
    control_set_size(corner, length, length);
    panel_of(corner)->value = i;
    Control *lines = line_group_create(2);
    if (!lines) return corner;
    const int last = length - 1;
    const int cx = CORNERS[i].dx < 0 ? 0 : last, cy = CORNERS[i].dy < 0 ? 0 : last;
    line_group_set_line(lines, 0, 0, cy, last, cy);
    line_group_set_line(lines, 1, cx, 0, cx, last);
    for (int line = 0; line < 2; ++line)
        if (ColourFade *colour = line_group_line_colour(lines, line))
            colour_fade_start(colour, 230, 230, 20, 110, 110, 10, BRACKET_PULSE_MS, 0,
                              COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    control_set_size(lines, length, length);
    panel_add_child(corner, 0, 0, 0, 1, lines);
    return corner;
}

void build_brackets(GameObject *object) {
    Control *panel = combat_screen()->selection_panel;
    if (!panel) return;
    panel_remove_children(panel);
    int32_t fw = object->w, fh = object->h;
    const int w = fw + 2 * BRACKET_ROOM, h = fh + 2 * BRACKET_ROOM;
    control_set_size(panel, w, h);
    if (ObjectMap *map = combat_map()) map_control_anchor(panel, true, map);
    control_set_position(panel, object->x + object->w / 2 - w / 2, object->y + object->h / 2 - h / 2);
    const int length = std::clamp(std::max(fw, fh) / 10, 4, 10);
    for (int i = 0; i < BRACKET_CORNERS; ++i) {
        Control *corner = bracket_corner(i, length);
        if (!corner) continue;
        panel_add_child(panel, w / 2, h / 2, 0, 1, corner);
        int x = 0, y = 0;
        corner_rest(i, w, h, length, &x, &y);
        control_move_to(corner, x, y, BRACKET_SLIDE_IN_MS);
        control_set_callback(corner, CONTROL_ON_TIMER, bracket_bounce);
        control_set_timer(corner, BRACKET_SLIDE_IN_MS + BRACKET_FIRST_PAUSE_MS);
    }
    control_set_hidden(panel, true);
}

void remove_marker() {
    if (Control *marker = game_find_control(game_get(), COMBAT_ID_MISSILE_MARKER)) control_remove(marker);
}

int32_t unit_status_style(const GameObject *selected) {
    const GameObject *acting = combat_screen()->acting;
    if (combat_detail::is_ui_players(selected)) return selected == acting ? STATUS_STYLE_ACTING : STATUS_STYLE_OWN_SIDE;
    if (acting && combat_detail::is_ui_players(acting)) return STATUS_STYLE_OWN_SIDE;
    return STATUS_STYLE_OTHER;
}

}  // namespace

// ---- The stack ----

Control *combat_object_panel_open(int32_t id) {
    CombatScreen *s = combat_screen();
    Game *g = game_get();
    if (!g) return nullptr;
    for_each_top_level([&](Control *c) {
        if (c->id == id && !(c->flags & CTRL_REMOVED)) control_remove(c);
    });
    Control *panel = panel_create(20, 10, 0, 0, 0);
    if (!panel) return nullptr;
    if (ObjectMap *map = combat_map()) map_control_anchor(panel, true, map);
    // An object panel grows in over its contents: it never shows as an empty frame, as the computer
    // players' ships, reopened after each of their actions, would otherwise make it flash.
    panel_set_draw_children_while_resizing(panel, true);
    panel_enable_glow(panel);
    colour_fade_start(panel_glow_colour(panel), 0, 0, 0, 40, 170, 40, 200, 0, 0);
    if (s->panel_top >= COMBAT_OBJECT_PANEL_LIMIT - 1) {
        log_write(LOG_GAME, LOG_ERROR, "Object panel limit exceeded (%i)", s->panel_top);
        game_add_control(g, 0, 0, id, 0, panel);
        return panel;
    }
    control_set_layer(panel, s->panel_top + 5);   // over the map, each above the one before
    for (int i = 0; i <= s->panel_top; ++i)
        if (Control *below = shown_object_panel(s->panel_stack[i])) {
            control_set_enabled(below, false);
            if (Panel *p = panel_of(below)) p->value = PANEL_STATE_COVERED;
        }
    game_add_control(g, 0, 0, id, 0, panel);
    s->panel_stack[++s->panel_top] = id;
    return panel;
}

void combat_close_object_panels() {
    for_each_top_level([](Control *c) {
        if (is_object_panel(c)) control_remove(c);
    });
    combat_screen()->panel_top = -1;
}

void combat_hide_object_panels() {
    for_each_top_level([](Control *c) {
        if (is_object_panel(c)) control_set_hidden(c, false);
    });
}

bool combat_object_panel_is_shown(int32_t id) { return shown_object_panel(id) != nullptr; }

void combat_show_object_panel(int32_t id) {
    Control *panel = shown_object_panel(id);
    if (!panel) return;
    control_set_enabled(panel, true);
    if (Panel *p = panel_of(panel)) {
        p->value = -1;
        colour_fade_start(panel_glow_colour(panel), 40, 170, 40, 40, 170, 40, 0, 0, 0);
    }
}

Control *combat_find_unit_status() { return shown_object_panel(COMBAT_ID_UNIT_STATUS); }

// ---- Selection ----

void combat_select_object(GameObject *object) {
    CombatScreen *s = combat_screen();
    if (object == s->selected) return;
    if (GameObject *old = s->selected) {
        s->selected = nullptr;
        if (old->kind == OBJECT_SHIP) {
            Ship *ship = static_cast<Ship *>(old);
            if (ship->hit_display_ms <= 0) ship->ship_flags &= ~SHIP_FLAG_SHIELD_DISPLAY;
        }
        object_release(old);
    }
    Control *list = s->side_panels[COMBAT_SIDE_LIST];
    if (object) {
        object_add_ref(object);
        s->selected = object;
        if (!shown_object_panel(COMBAT_ID_MISSILE_WARNING)) combat_open_unit_status();
        if (list && control_is_shown(list)) encounter_list_highlight(list, object->id);
        build_brackets(object);
        hide_hover_popup_of(object);
    } else {
        if (s->selection_panel) control_set_hidden(s->selection_panel, false);
        combat_hide_object_panels();
        if (list && control_is_shown(list)) encounter_list_highlight(list, 0);
        remove_marker();
    }
}

void combat_open_unit_status() {
    CombatScreen *s = combat_screen();
    GameObject *selected = s->selected;
    if (!selected) return;
    combat_close_object_panels();
    Control *panel = combat_object_panel_open(COMBAT_ID_UNIT_STATUS);
    if (!panel) return;
    unit_status_panel_fill(panel, selected, unit_status_style(selected));
    panel_set_slot(panel, UNIT_STATUS_SLOT_MOVE, combat_begin_move);
    panel_set_slot(panel, UNIT_STATUS_SLOT_TURN, combat_begin_turn);
    panel_set_slot(panel, UNIT_STATUS_SLOT_SCAN, combat_begin_scan);
    panel_set_slot(panel, UNIT_STATUS_SLOT_END_TURN, combat_end_ship_turn);
    panel_set_slot(panel, UNIT_STATUS_SLOT_STATUS, combat_open_ship_status);
    panel_set_slot(panel, UNIT_STATUS_SLOT_RETREAT, combat_start_retreat);
    panel_set_slot(panel, UNIT_STATUS_SLOT_ABORT, combat_abort_retreat);
    panel_set_slot(panel, UNIT_STATUS_SLOT_SYSTEM, combat_pick_weapon);
    combat_place_popup(panel, selected);
    grow_in(panel, 8, OBJECT_PANEL_GROW_MS);
    hide_hover_popup_of(selected);
}

void combat_select_active_ship(Control *) {
    CombatScreen *s = combat_screen();
    if (!s->acting) return;
    if (s->acting != s->selected) combat_select_object(s->acting);
    else combat_open_unit_status();
}

// ---- Details ----

void combat_open_object_details(GameObject *object) {
    if (!object) return;
    if (object->kind == OBJECT_SHIP) {
        combat_close_object_panels();
        Control *panel = combat_object_panel_open(COMBAT_ID_SHIP_DETAILS);
        if (!panel) return;
        map_control_anchor(panel, false, combat_map());
        ship_details_build(panel, object, combat_detail::is_ui_players(object) ? DETAILS_OWN : DETAILS_OTHER);
        panel_set_slot(panel, SHIP_DETAILS_SLOT_OFFICER_ROW, combat_open_officer_panel);
        panel_set_slot(panel, SHIP_DETAILS_SLOT_CLOSE, combat_select_active_ship);
        ship_details_sync_officer_row(panel);
        centre_on_screen(panel);
        grow_in(panel, 8, OBJECT_PANEL_GROW_MS);
    } else if (object->kind == OBJECT_SHOT) {
        combat_close_object_panels();
        Control *panel = combat_object_panel_open(COMBAT_ID_SHOT_PANEL);
        if (!panel) return;
        map_control_anchor(panel, false, combat_map());
        const Player *ui = game_get()->ui_player;
        const bool known = ui && player_get_known_object(ui, OBJECT_SHOT, object->id);
        combat_shot_panel_fill(panel, object, known ? 7 : 3);
        panel_set_slot(panel, SHOT_PANEL_SLOT_BACK, combat_select_active_ship);
        centre_on_screen(panel);
        grow_in(panel, 8, OBJECT_PANEL_GROW_MS);
    }
}

void combat_open_ship_status(Control *) {
    CombatScreen *s = combat_screen();
    GameObject *selected = s->selected;
    if (!selected || selected->kind != OBJECT_SHIP) return;
    GameObject *shown = selected;
    uint32_t options = DETAILS_OWN;
    if (!combat_detail::is_ui_players(selected)) {
        Player *ui = game_get()->ui_player;
        if (!ui) return;
        player_learn_object(ui, selected, 0);
        shown = player_get_known_object(ui, OBJECT_SHIP, selected->id);
        if (!shown) return;
        options = DETAILS_SNAPSHOT;
    }
    Control *panel = combat_object_panel_open(COMBAT_ID_SHIP_DETAILS);
    if (!panel) return;
    map_control_anchor(panel, false, combat_map());
    ship_details_build(panel, shown, options);
    if (options == DETAILS_OWN) {
        panel_set_slot(panel, SHIP_DETAILS_SLOT_OFFICER_ROW, combat_open_officer_panel);
        ship_details_sync_officer_row(panel);
    }
    centre_on_screen(panel);
    grow_in(panel, 30, STATUS_GROW_MS);
}

void combat_open_officer_panel(Control *details) {
    if (!details) return;
    const GameObject *object = static_cast<const GameObject *>(details->user_data);
    if (!object || object->kind != OBJECT_SHIP) return;
    Officer *pilot = static_cast<const Ship *>(object)->pilot;
    if (!pilot) return;
    int32_t vx = 0, vy = 0, vw = 0, vh = 0;
    ship_details_get_commander_rect(details, &vx, &vy, &vw, &vh);
    Control *panel = combat_object_panel_open(COMBAT_ID_OFFICER_PANEL);
    if (!panel) return;
    map_control_anchor(panel, false, combat_map());
    control_set_position(panel, vx, vy);
    control_set_size(panel, std::max(vw, 1), std::max(vh, 1));
    officer_detail_panel_build(panel, pilot, 3);
    int32_t w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_move_to(panel, details->x + details->w / 2 - w / 2, details->y + details->h / 2 - h / 2, OFFICER_MOVE_MS);
    panel_resize_to(panel, w, h, OFFICER_MOVE_MS);
}

// ---- Placement ----

namespace {

constexpr int SIDE_PANEL_GAP = 4;     // between a panel kept clear and the side panel
constexpr int SCREEN_TOP_ROOM = 4;    // a panel moved up stays this far below the screen's top

// Where a panel stands on the screen once its grow-in or move has ended.
void screen_bounds(const Control *c, int *x, int *y, int *w, int *h) {
    control_get_bounds(c, x, y, w, h);
    if (c->flags & CTRL_ANCHORED) {   // a move's target is in map coordinates
        *x = c->x;
        *y = c->y;
    }
}

}  // namespace

void combat_keep_clear_of_side_panel(Control *panel) {
    const CombatScreen *s = combat_screen();
    if (!panel || !s || (panel->flags & CTRL_REMOVED) || !control_is_shown(panel)) return;
    const Control *side = nullptr;
    for (const Control *c : s->side_panels)
        if (c && control_is_shown(c) && !(c->flags & CTRL_FADING)) side = c;
    if (!side) return;
    int sx = 0, sy = 0, sw = 0, sh = 0, x = 0, y = 0, w = 0, h = 0;
    screen_bounds(side, &sx, &sy, &sw, &sh);
    screen_bounds(panel, &x, &y, &w, &h);
    if (x >= sx + sw + SIDE_PANEL_GAP || x + w + SIDE_PANEL_GAP <= sx || y >= sy + sh + SIDE_PANEL_GAP ||
        y + h + SIDE_PANEL_GAP <= sy)
        return;
    // Up above the side panel, beside its object as before; when there is no room above, to the
    // side panel's right.
    int nx = x, ny = sy - SIDE_PANEL_GAP - h;
    if (ny < SCREEN_TOP_ROOM) {
        ny = y;
        nx = sx + sw + SIDE_PANEL_GAP;
    }
    const bool anchored = panel->flags & CTRL_ANCHORED;   // placed in map coordinates
    control_set_position(panel, (anchored ? panel->abs_x : panel->x) + nx - x,
                         (anchored ? panel->abs_y : panel->y) + ny - y);
}

void combat_keep_object_panels_clear() {
    for (int32_t id : {COMBAT_ID_UNIT_STATUS, COMBAT_ID_MISSILE_WARNING})
        if (Control *panel = shown_object_panel(id)) combat_keep_clear_of_side_panel(panel);
    Control *popup = combat_screen()->hover_popup;
    if (popup && control_is_shown(popup)) combat_keep_clear_of_side_panel(popup);
}

void combat_place_popup(Control *panel, const GameObject *object) {
    const ObjectMap *map = combat_map();
    if (!panel || !object || !map) return;
    panel_enable_item_list(panel);
    panel_clear_item_list(panel);
    panel_add_item(panel, PLACE_BOUNDS, 10, 32, map->world_w - 20, map->world_h - 64);
    const int32_t cy = object->y + object->h / 2 - 3;
    if (object->x + object->w / 2 < map->world_w / 2)
        panel_add_item(panel, PLACE_RIGHT_OF, object->x + object->w + 6, cy, 6, 6);
    else
        panel_add_item(panel, PLACE_LEFT_OF, object->x - 6, cy, 6, 6);
    panel_add_item(panel, PLACE_AVOID, object->x - 2, object->y - 2, object->w + 4, object->h + 4);
    int x = 0, y = 0;
    if (panel_find_position(panel, panel->w, panel->h, &x, &y) == RES_OK) control_set_position(panel, x, y);
    combat_keep_clear_of_side_panel(panel);
}

// ---- The missile warning and its marker ----

void combat_show_missile_warning() {
    CombatScreen *s = combat_screen();
    GameObject *acting = s->acting;
    if (!acting || acting->kind != OBJECT_SHOT) return;
    const Shot *shot = static_cast<const Shot *>(acting);
    combat_close_object_panels();
    Control *panel = combat_object_panel_open(COMBAT_ID_MISSILE_WARNING);
    if (!panel) return;
    if (Panel *p = panel_of(panel)) p->value = PANEL_STATE_WARNING;
    panel_set_border(panel, true);
    colour_fade_start(panel_border_colour(panel), 255, 120, 0, 120, 40, 0, 800, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    Control *icon = image_control_create_frame(IMAGE_ALERT, 0);
    const int icon_w = icon ? icon->w : 0, icon_h = icon ? icon->h : 0;
    if (icon) panel_add_child(panel, 10, 8, 0, 1, icon);
    const char *plural = (shot->shot_type_flags & SHOT_TYPE_SEGMENTED) ? "s" : "";
    int bottom = 0;
    if (!combat_detail::is_ui_players(acting)) {
        if (Control *warning = text_label_create_plain(0, 230, 0, 0, "Warning")) panel_add_child(panel, icon_w + 18, 6, 0, 1, warning);
        if (Control *text = text_label_create(1, 230, 0, 0, "Incoming missile%s", plural)) {
            panel_add_child(panel, icon_w + 18, 26, 0, 1, text);
            bottom = 26 + text->h;
        }
    } else {
        if (Control *text = text_label_create(1, 0, 230, 0, "Incoming missile%s", plural)) {
            panel_add_child(panel, icon_w + 18, 10, 0, 1, text);
            bottom = 10 + text->h;
        }
        bottom = std::max(bottom, 8 + icon_h);
    }
    // What the missiles threaten: the picture of a starbase, the first frame of its template.
    const GameObject *starbase = factory_get_template(OBJECT_SITE, SITE_STARBASE);
    Sprite *sprite = starbase && starbase->frame_count > 0 && starbase->frames ? starbase->frames[0] : nullptr;
    if (Control *picture = sprite ? image_control_create_single(sprite) : nullptr) {
        int w = 0, h = 0;
        panel_layout(panel, &w, &h);
        panel_add_child(panel, std::max(w / 2 - picture->w / 2, 0), bottom + 8, 0, 1, picture);
    }
    panel_relayout(panel);
    panel_grow(panel, 10, 6);
    combat_place_popup(panel, acting);
    grow_in(panel, 8, OBJECT_PANEL_GROW_MS);
}

void combat_update_missile_marker() {
    CombatScreen *s = combat_screen();
    const GameObject *shot = nullptr;
    if (s->acting && s->acting->kind == OBJECT_SHOT) shot = s->acting;
    else if (s->selected && s->selected->kind == OBJECT_SHOT) shot = s->selected;
    GameObject *target = shot ? static_cast<const Shot *>(shot)->target : nullptr;
    if (!target || object_is_gone(target)) {
        remove_marker();
        return;
    }
    Control *marker = game_find_control(game_get(), COMBAT_ID_MISSILE_MARKER);
    if (!marker) {
        marker = image_control_create(IMAGE_MISSILE_TARGET);
        if (!marker) return;
        if (ObjectMap *map = combat_map()) map_control_anchor(marker, true, map);
        game_add_control(game_get(), 0, 0, COMBAT_ID_MISSILE_MARKER, 0, marker);
    }
    int32_t cx = target->x + target->w / 2, cy = target->y + target->h / 2;
    if (target->kind == OBJECT_SHIP) combat_turn_pivot(static_cast<const Ship *>(target), &cx, &cy);
    control_set_position(marker, cx - marker->w / 2, cy - marker->h / 2);
}
