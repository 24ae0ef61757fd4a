// The human player's orders on the combat screen: the command modes (move, turn, scan, a system)
// with their prompt box, Cancel and reach overlays, the map click that gives the order, the hover
// popup that tells whether an order can reach the object under the pointer, and the end of a
// ship's turn, its retreat and the retreat's abort.
//  - A refused order leaves the mode as it was: the player clicks again or cancels.
//  - Game thread only. The overlays are dropped only after the graphics thread has taken the frame
//    that may still draw them.
#include <algorithm>

#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/geometry.h"
#include "platform/graphics.h"
#include "platform/image_ids.h"
#include "platform/input.h"
#include "screens/combat/combat_local.h"
#include "screens/combat/combat_screen.h"
#include "screens/combat/unit_status_panel.h"
#include "systems/system.h"
#include "ui/control.h"
#include "ui/control_arc.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "views/object_controls.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"

namespace {


constexpr int ARC_STYLE_REACH = 3;
constexpr int ARC_STYLE_EFFECT = 2;
constexpr int32_t MOVE_RANGE_PER_MP = 10;

constexpr int32_t PROMPT_TITLE_MS = 5000;   // the title shows this long, then the prompt
constexpr int32_t PROMPT_TEXT_MS = 4000;
constexpr int32_t PROMPT_FADE_MS = 1000;
constexpr int32_t TITLE_PULSE_MS = 1200;
constexpr int32_t REFUSED_PULSE_MS = 800;

constexpr int32_t HIT_DRAINS = 0x1;          // the damage is energy taken away
constexpr int32_t HIT_UNAFFECTED = 0x2;

// Hover popup styles of the info panels.
constexpr int32_t POPUP_PLAIN = 0;
constexpr int32_t POPUP_ACTING = 2;
constexpr int32_t POPUP_KNOWN = 4;
constexpr int32_t POPUP_RETREATING_ACTING = 6;

bool animating() { return combat_screen()->flags.load(std::memory_order_acquire) & COMBAT_FLAG_ANIMATING; }

Ship *as_ship(GameObject *obj) { return obj && obj->kind == OBJECT_SHIP ? static_cast<Ship *>(obj) : nullptr; }

void centre_of(const GameObject *obj, int32_t *x, int32_t *y) {
    *x = obj->x + obj->w / 2;
    *y = obj->y + obj->h / 2;
}

System *crit_system(const Ship *ship, int32_t crit) {
    if (!ship || !ship->crits || crit < 0 || crit >= ship->crit_count) return nullptr;
    return ship->crits[crit].system;
}

void drop_overlays() {
    CombatScreen *s = combat_screen();
    if (!s->reach_overlay && !s->effect_overlay) return;
    Graphics *g = gfx_get();
    if (g && gfx_thread_running(g)) gfx_wait_frame(g);
    for (Control **overlay : {&s->reach_overlay, &s->effect_overlay})
        if (*overlay) {
            control_release(*overlay);
            *overlay = nullptr;
        }
}

// An arc around (cx, cy) on the map, standing in map coordinates.
Control *make_arc(int32_t cx, int32_t cy, int32_t start, int32_t span, int32_t radius, int style) {
    Control *arc = arc_control_create();
    if (!arc) return nullptr;
    arc_control_set_mode(arc, style);
    if (ObjectMap *map = combat_map()) map_control_anchor(arc, true, map);
    arc_control_set_sector(arc, cx, cy, angle_normalize(start), span, radius);
    return arc;
}

void set_reach(Control *arc) {
    CombatScreen *s = combat_screen();
    if (s->reach_overlay) control_release(s->reach_overlay);
    s->reach_overlay = arc;
}

int mode_icon(int32_t mode) {
    if (mode == COMMAND_TURN) return IMAGE_TURN;
    if (mode == COMMAND_SCAN) return IMAGE_SCAN;
    if (mode == COMMAND_SYSTEM) {
        CombatScreen *s = combat_screen();
        const System *system = crit_system(as_ship(s->selected ? s->selected : s->command_ship), s->selected_crit);
        return system ? system->spare : 0;
    }
    return IMAGE_MOVE;
}

void build_prompt(int32_t mode, const char *title, const char *prompt) {
    CombatScreen *s = combat_screen();
    Game *g = game_get();
    Control *box = panel_create(20, 10, 0, 0, 0);
    if (!box) return;
    panel_set_border(box, true);
    colour_fade_start(panel_border_colour(box), 4, 4, 4, 130, 130, 130, 900, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    if (mode == COMMAND_SYSTEM && s->selected) combat_flags_change(0, COMBAT_FLAG_ACTOR_CHANGED);
    Control *icon = image_control_create_frame(mode_icon(mode), 0);
    if (icon) {
        image_control_set_text(icon, title ? title : "", 7, 0, 0);
        colour_fade_start(image_control_caption_colour(icon), 0, 230, 0, 250, 250, 250, TITLE_PULSE_MS, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
        panel_add_child(box, 8, 4, COMBAT_ID_PROMPT_ICON, 1, icon);
    }
    Control *label = prompt ? text_label_create_plain(7, 0, 0, 0, prompt) : nullptr;
    if (label) panel_add_child(box, 8, 12, COMBAT_ID_PROMPT_PROMPT, 1, label);
    panel_relayout(box);
    panel_grow(box, 8, 4);
    const int sw = ui_screen_width(), sh = ui_screen_height();
    game_add_control(g, sw - box->w - 6, sh - box->h - 40, COMBAT_ID_PROMPT_BOX, 0, box);
    control_set_layer(box, 1);   // over the map: a click on it is no order
    for (Control *child : {icon, label})
        if (child) control_set_position(child, box->w / 2 - child->w / 2, box->h / 2 - child->h / 2);

    Control *cancel = image_button_create(IMAGE_CANCEL, 6, "Cancel", combat_cancel_command, INPUT_KEY_ESCAPE, nullptr);
    if (!cancel) return;
    game_add_control(g, sw - cancel->w - 6, sh - cancel->h - 6, COMBAT_ID_CANCEL, 0, cancel);
    control_set_layer(cancel, 1);
}

// What every mode starter does once the mode is set: the commanding ship leaves the selection and
// the object panels hide.
void start_command(int32_t mode, const char *title, const char *prompt) {
    CombatScreen *s = combat_screen();
    GameObject *commander = s->selected;
    combat_set_command_mode(mode, title, prompt);
    combat_set_command_ship(commander);
    combat_select_object(nullptr);
    combat_reset_highlight_colours();
}

// The hover popup's line in the refused look: the refusal icon and the reason pulsing.
void popup_refused(Control *popup, const char *text, int font) {
    Control *icon = image_control_create_frame(IMAGE_ENCOUNTER_MARKER, 0);
    const int icon_w = icon ? icon->w : 0, icon_h = icon ? icon->h : 0;
    if (icon) panel_add_child(popup, 8, 3, 0, 1, icon);
    Control *label = text_label_create_plain(font, 220, 80, 10, text);
    if (!label) return;
    // It pulses toward a lighter orange: toward a darker one it sank into the popup's grey.
    colour_fade_start(text_label_colour(label), 220, 80, 10, 255, 160, 60, REFUSED_PULSE_MS, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    panel_add_child(popup, 8 + icon_w + 14, 3 + icon_h / 2 - label->h / 2, 0, 1, label);
}

void popup_in_range(Control *popup, int image) {
    Control *icon = image_control_create_frame(image, 0);
    const int icon_w = icon ? icon->w : 0, icon_h = icon ? icon->h : 0;
    if (icon) panel_add_child(popup, 8, 3, 0, 1, icon);
    if (Control *label = text_label_create_plain(1, 230, 230, 230, "In range"))
        panel_add_child(popup, 8 + icon_w + 14, 3 + icon_h / 2 - label->h / 2, 0, 1, label);
}

// Whether the scan reaches the hovered object; false hides the popup.
bool fill_scan_popup(Control *popup, Ship *ship, GameObject *hovered) {
    const Result r = ship_check_scan_target(ship, hovered);
    if (r == RES_OK) popup_in_range(popup, IMAGE_SENSOR_LOCK);
    else if (r == RES_TARGET_OUT_OF_RANGE) popup_refused(popup, "Out of range", 1);
    else return false;
    return true;
}

bool fill_weapon_popup(Control *popup, Ship *ship, int32_t crit, GameObject *hovered) {
    int32_t chance = ship_check_weapon_target(ship, crit, hovered);
    int32_t damage = 0, out = 0;
    if (chance == RES_OK)
        chance = object_hit_chance(ship, crit, ship->x, ship->y, ship->heading, hovered, 0, &damage, &out);
    if (chance < 0) {
        const char *reason = chance == RES_OUTSIDE_ARC       ? "Out of targeting arc"
                             : chance == RES_INVALID_TARGET   ? "Cannot target"
                             : chance == RES_TARGET_OUT_OF_RANGE ? "Out of range"
                                                              : nullptr;
        if (!reason) return false;
        popup_refused(popup, reason, 2);
        return true;
    }
    const System *system = crit_system(ship, crit);
    Control *icon = system ? image_control_create_frame(system->spare, 0) : nullptr;
    const int x = icon ? 8 + icon->w + 14 : 8;
    if (icon) panel_add_child(popup, 8, 3, 0, 1, icon);
    Control *first = text_label_create_plain(1, 230, 230, 230, "In range");
    const int first_y = icon ? 6 : 3;
    if (first) panel_add_child(popup, x, first_y, 0, 1, first);
    Control *second = nullptr;
    if (damage < 0) second = text_label_create(2, 0, 220, 0, "%i%%", int(chance));
    else if (out & HIT_DRAINS) second = text_label_create(2, 0, 220, 0, "%i%% -%i energy", int(chance), int(damage));
    else if (out & HIT_UNAFFECTED) second = text_label_create(2, 0, 220, 0, "%i%% - (Unaffected)", int(chance));
    else second = text_label_create(2, 0, 220, 0, "%i%% %i dmg", int(chance), int(damage));
    if (second) panel_add_child(popup, x, (first ? first->h : 0) + (icon ? 12 : 9), 0, 1, second);
    return true;
}

// Outside a targeting mode: the object's own panel; false hides the popup.
bool fill_object_popup(Control *popup, GameObject *hovered) {
    CombatScreen *s = combat_screen();
    if (hovered == s->selected) return false;
    const bool acting = hovered == s->acting;
    const Player *ui = game_get()->ui_player;
    if (hovered->kind == OBJECT_SHOT) {
        int32_t style = POPUP_PLAIN;
        if (acting) style = POPUP_ACTING;
        else if (!combat_detail::is_ui_players(hovered) && ui && player_knows_object(ui, hovered->id))
            style = POPUP_KNOWN;
        combat_shot_rows_fill(popup, hovered, style);
        return true;
    }
    Ship *ship = as_ship(hovered);
    if (!ship) return false;
    int32_t style = acting ? POPUP_ACTING : POPUP_PLAIN;
    if (ship_is_retreating(ship)) style = acting ? POPUP_RETREATING_ACTING : POPUP_KNOWN;
    GameObject *shown = hovered;
    if (!combat_detail::is_ui_players(hovered)) {
        shown = ui ? player_get_known_object(ui, OBJECT_SHIP, hovered->id) : nullptr;
        if (!shown) return false;
    }
    combat_active_ship_panel_fill(popup, shown, style);
    return true;
}

// Gives up the acting object: the turn flow takes the next one.
void let_go_of_actor() {
    CombatScreen *s = combat_screen();
    GameObject *actor = s->acting;
    s->acting = nullptr;
    if (actor) {
        actor->flags &= ~OBJ_PULSING;
        object_release(actor);
    }
    combat_flags_change(0, COMBAT_FLAG_ACTOR_CHANGED);
    combat_select_object(nullptr);
}

void hide_info_panel() {
    if (Control *panel = combat_screen()->info_panel) control_set_hidden(panel, false);
}

}  // namespace

// ---- Shared with the drawing and the selection ----

void combat_turn_pivot(const Ship *ship, int32_t *x, int32_t *y) {
    centre_of(ship, x, y);
    if (!(ship->hull_flags & HULL_FLAG_ROTATING) || !ship->centre_x || !ship->centre_y) return;
    const int32_t i = ship_frame_for_heading(ship, ship->heading) - ship->rot_first;
    if (i < 0 || i >= int32_t(ship->centre_x->size()) || i >= int32_t(ship->centre_y->size())) return;
    *x = ship->x + (*ship->centre_x)[size_t(i)];
    *y = ship->y + (*ship->centre_y)[size_t(i)];
}

// ---- Modes ----

void combat_set_command_mode(int32_t mode, const char *title, const char *prompt) {
    CombatScreen *s = combat_screen();
    Game *g = game_get();
    s->command_mode = mode;
    if (g) game_flush_new_controls(g);
    for (int id : {COMBAT_ID_PROMPT_BOX, COMBAT_ID_CANCEL})
        while (Control *c = g ? game_find_control(g, id) : nullptr) control_remove(c);
    combat_flags_change(COMBAT_FLAG_PICKING, 0);
    combat_set_hovered(nullptr);
    drop_overlays();
    s->prompt_phase = 0;
    s->prompt_ms = 0;
    if (mode == COMMAND_NONE || !g) return;
    build_prompt(mode, title, prompt);
}

void combat_begin_move(Control *) {
    CombatScreen *s = combat_screen();
    if (animating()) return;
    Ship *ship = as_ship(s->selected);
    if (!ship) return;
    start_command(COMMAND_MOVE, "Move", "Select destination");
    combat_flags_change(0, COMBAT_FLAG_PICKING);
    combat_hide_object_panels();
    const bool moves = !(ship->hull_flags & HULL_FLAG_IMMOBILE) && ship->mp >= 1;
    int32_t cx = 0, cy = 0;
    centre_of(ship, &cx, &cy);
    set_reach(make_arc(cx, cy, ship->heading - ship->move_arc / 2, ship->move_arc,
                       moves ? MOVE_RANGE_PER_MP * ship->mp : 0, ARC_STYLE_REACH));
}

void combat_begin_turn(Control *) {
    if (animating() || !combat_screen()->selected) return;
    start_command(COMMAND_TURN, "Turn", "Select direction");
    combat_flags_change(0, COMBAT_FLAG_PICKING);
    combat_hide_object_panels();
}

void combat_begin_scan(Control *) {
    CombatScreen *s = combat_screen();
    if (animating()) return;
    Ship *ship = as_ship(s->acting);
    if (!ship || ship->scan_range <= 0) return;
    start_command(COMMAND_SCAN, "Scan", "Select target");
    int32_t cx = 0, cy = 0;
    centre_of(ship, &cx, &cy);
    set_reach(make_arc(cx, cy, 0, 360, ship->scan_range, ARC_STYLE_REACH));
    combat_hide_object_panels();
}

void combat_pick_weapon(Control *panel) {
    CombatScreen *s = combat_screen();
    if (animating()) return;
    Ship *ship = as_ship(s->selected);
    if (!ship || !panel) return;
    int32_t crit = -1, action = -1;
    unit_status_panel_get_pick(panel, &crit, &action);
    System *system = crit_system(ship, crit);
    if (!system) return;
    // The row's button names the action; one the system does not offer orders nothing.
    if (system_action_state(system, action, nullptr, nullptr, nullptr, nullptr, nullptr) != RES_OK) return;
    if (system->flags & SYSTEM_FLAG_NO_CHECKS) {
        if (ship_use_system(ship, crit, nullptr, 0, 0, nullptr) != RES_OK) return;
        combat_set_command_ship(ship);
        combat_select_object(nullptr);
        game_flash_panel_frame(game_get(), panel);
        control_remove(panel);
        return;
    }
    s->selected_crit = system->mount_index;
    start_command(COMMAND_SYSTEM, system->name.c_str(), "Select target");
    int32_t cx = 0, cy = 0;
    centre_of(ship, &cx, &cy);
    if (system->flags & SYSTEM_FLAG_ARC)
        set_reach(make_arc(cx, cy, system->facing - system->arc / 2 + ship->heading, system->arc, system->range,
                           ARC_STYLE_REACH));
    else if (!(system->flags & SYSTEM_FLAG_UNLIMITED_RANGE))
        set_reach(make_arc(cx, cy, 0, 360, system->range, ARC_STYLE_REACH));
    const int32_t effect = system_effective_value(system);
    if (effect > 0) {
        s->effect_range = effect;
        s->effect_overlay = make_arc(cx, cy, 0, 360, effect, ARC_STYLE_EFFECT);
    }
}

void combat_cancel_command(Control *) {
    CombatScreen *s = combat_screen();
    if (animating()) return;
    combat_set_command_mode(COMMAND_NONE);
    GameObject *commander = s->command_ship;
    if (commander) object_add_ref(commander);
    combat_set_command_ship(nullptr);
    combat_select_object(commander);
    if (commander) object_release(commander);
    (void)combat_hide_message();
    if (const GameObject *sel = s->selected) {
        const ObjectMap *map = combat_map();
        if (map)
            combat_scroll_view_to(sel->x + sel->w / 2 - map->screen_w / 2, sel->y + sel->h / 2 - map->screen_h / 2,
                                  COMBAT_SCROLL_SPEED_CENTRE);
    }
}

// ---- The map click ----

void combat_apply_command() {
    CombatScreen *s = combat_screen();
    Game *g = game_get();
    ObjectMap *map = combat_map();
    if (animating() || !g || !map) return;
    int32_t px = 0, py = 0;
    input_mouse_position(&px, &py);
    if (game_solid_control_at_point(g, px, py)) return;
    int32_t x = px + map->view_x, y = py + map->view_y;
    if (s->hovered) centre_of(s->hovered, &x, &y);
    if (Ship *ship = as_ship(s->acting)) {
        Result r = RES_FAILED;
        switch (s->command_mode) {
        case COMMAND_MOVE:
            r = ship_move(ship, x - ship->w / 2, y - ship->h / 2, 0);
            break;
        case COMMAND_TURN: {
            int32_t cx = 0, cy = 0;
            combat_turn_pivot(ship, &cx, &cy);
            r = ship_turn(ship, angle_of_vector(x - cx, y - cy));
            break;
        }
        case COMMAND_SCAN:
            if (!s->hovered) return;
            r = ship_scan(ship, s->hovered);
            if (r == RES_OK) ship_add_ap(ship, -ship->scan_cost);
            break;
        case COMMAND_SYSTEM:
            r = ship_use_system(ship, s->selected_crit, s->hovered, x, y, nullptr);
            break;
        default:
            return;
        }
        if (r != RES_OK) return;   // refused: the mode stays
        object_set_busy(ship);
        combat_flags_change(0, s->command_mode == COMMAND_SCAN ? COMBAT_FLAG_ANIMATING | COMBAT_FLAG_SCAN_ORDERED
                                                               : COMBAT_FLAG_ANIMATING);
    }
    combat_set_command_mode(COMMAND_NONE);
    if (s->hover_popup) {
        panel_remove_children(s->hover_popup);
        control_set_hidden(s->hover_popup, false);
    }
    (void)combat_hide_message();
}

// ---- Turns and retreat ----

void combat_end_ship_turn(Control *) {
    CombatScreen *s = combat_screen();
    if (animating() || !s->acting) return;
    if (Ship *ship = as_ship(s->acting)) ship_retreat_step(ship);
    object_end_turn(s->acting);
    let_go_of_actor();
}

void combat_start_retreat(Control *) {
    CombatScreen *s = combat_screen();
    Ship *ship = as_ship(s->acting);
    if (!ship) return;
    if (!ship_is_retreating(ship)) ship_begin_retreat(ship);
    else ship_retreat_step(ship);
    hide_info_panel();
    let_go_of_actor();
}

void combat_abort_retreat(Control *) {
    CombatScreen *s = combat_screen();
    Ship *ship = as_ship(s->acting);
    if (!ship) return;
    ship_abort_retreat(ship);
    hide_info_panel();
    let_go_of_actor();
}

void combat_set_command_ship(GameObject *object) {
    CombatScreen *s = combat_screen();
    if (object == s->command_ship) return;
    if (object) object_add_ref(object);
    GameObject *old = s->command_ship;
    s->command_ship = object;
    if (old) object_release(old);
}

// ---- Hover ----

void combat_set_hovered(GameObject *object) {
    CombatScreen *s = combat_screen();
    if (object == s->hovered) return;
    if (GameObject *old = s->hovered) {
        s->hovered = nullptr;
        old->flags &= ~OBJ_OUTLINE;
        object_release(old);
    }
    Control *popup = s->hover_popup;
    if (popup) panel_remove_children(popup);
    if (object) {
        object_add_ref(object);
        object->flags |= OBJ_OUTLINE;
        s->hovered = object;
    }
    if (!popup) return;
    Ship *acting = as_ship(s->acting);
    bool shown = false;
    if (object && acting) {
        if (s->command_mode == COMMAND_SCAN) shown = fill_scan_popup(popup, acting, object);
        else if (s->command_mode == COMMAND_SYSTEM) shown = fill_weapon_popup(popup, acting, s->selected_crit, object);
        else shown = fill_object_popup(popup, object);
    }
    if (!shown) {
        control_set_hidden(popup, false);
        return;
    }
    panel_relayout(popup);
    panel_grow(popup, 8, 3);
    if (ObjectMap *map = combat_map()) map_control_anchor(popup, true, map);
    combat_place_popup(popup, object);
    control_set_hidden(popup, true);
    control_set_enabled(popup, false);
}

// ---- The prompt ----

void combat_prompt_pulse(int32_t ms) {
    CombatScreen *s = combat_screen();
    Control *box = game_find_control(game_get(), COMBAT_ID_PROMPT_BOX);
    Control *icon = box ? panel_find_child(box, COMBAT_ID_PROMPT_ICON) : nullptr;
    Control *label = box ? panel_find_child(box, COMBAT_ID_PROMPT_PROMPT) : nullptr;
    if (!icon || !label) return;
    s->prompt_ms += ms;
    ColourFade *title = image_control_caption_colour(icon);
    ColourFade *text = text_label_colour(label);
    if (s->prompt_phase == 0 && s->prompt_ms >= PROMPT_TITLE_MS) {
        image_control_animate_brightness_from(icon, 100, 0, PROMPT_FADE_MS, 0);
        // The side that fades out stays dark: its pulse, queued when it last faded in, would
        // otherwise start again once the fade ends and show both texts on each other.
        colour_fade_clear_idle_loop(title);
        if (title) colour_fade_start(title, 0, 230, 0, 0, 0, 0, PROMPT_FADE_MS, 0, 0);
        if (text) {
            colour_fade_start(text, 0, 0, 0, 0, 230, 0, PROMPT_FADE_MS, 0, 0);
            colour_fade_set_idle_loop(text, 0, 230, 0, 250, 250, 250, TITLE_PULSE_MS, true);
        }
        s->prompt_ms -= PROMPT_TITLE_MS;
        s->prompt_phase = 1;
    } else if (s->prompt_phase == 1 && s->prompt_ms >= PROMPT_TEXT_MS) {
        image_control_animate_brightness_from(icon, 0, 100, PROMPT_FADE_MS, 0);
        if (title) {
            colour_fade_start(title, 0, 0, 0, 0, 230, 0, PROMPT_FADE_MS, 0, 0);
            colour_fade_set_idle_loop(title, 0, 230, 0, 250, 250, 250, TITLE_PULSE_MS, true);
        }
        colour_fade_clear_idle_loop(text);
        if (text) colour_fade_start(text, 0, 230, 0, 0, 0, 0, PROMPT_FADE_MS, 0, 0);
        s->prompt_ms -= PROMPT_TEXT_MS;
        s->prompt_phase = 0;
    }
}
