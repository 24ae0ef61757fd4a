// The combat screen's frame: the turn flow (whose turn it is, who plans and when it acts), the AI
// worker, the end test, the view's per-frame scroll, hover and selection.
//  - A computer-controlled actor (a computer player's ship, a shot, an escaping ship) waits a pause
//    scaled by the combat speed, while its plan is made on the AI worker; a UI player's ship waits
//    for orders.
//  - While the worker plans, the game thread neither updates the map nor walks its objects: it only
//    counts the pause down and keeps the controls alive.
#include <SDL.h>

#include <algorithm>
#include "game/encounter.h"
#include "game/encounter_map.h"
#include "game/game.h"
#include "effects/starfield.h"
#include "platform/colour_fade.h"
#include "platform/geometry.h"
#include "platform/image_ids.h"
#include "platform/input.h"
#include "platform/list.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "screens/combat/combat_local.h"
#include "screens/combat/combat_panels.h"
#include "screens/combat/combat_screen.h"
#include "screens/title/help_window.h"
#include "ui/control.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"
#include "systems/system.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/shot.h"

namespace {

// A defence shot warns of its coming once, when it first takes a turn.
constexpr uint32_t SHOT_WARNING_PENDING = SHOT_FLAG_DEFENCE;

constexpr int KEY_TAB = 9;
constexpr int KEY_SPACE = 32;
constexpr int KEY_SLASH = 47;
constexpr int KEY_UP = 273;
constexpr int KEY_DOWN = 274;
constexpr int KEY_RIGHT = 275;
constexpr int KEY_LEFT = 276;

constexpr int32_t MOVE_COST_DX = 5, MOVE_COST_DY = -10;   // the cost's place beside the pointer

SDL_Thread *sdl_create_thread(int (*body)(void *), void *data) { return SDL_CreateThread(body, data); }
CombatThreadCreator *g_create_thread = sdl_create_thread;

uint32_t flags() { return combat_screen()->flags.load(std::memory_order_acquire); }
bool has(uint32_t bits) { return (flags() & bits) != 0; }

bool is_ship(const GameObject *obj) { return obj && obj->kind == OBJECT_SHIP; }
bool is_shot(const GameObject *obj) { return obj && obj->kind == OBJECT_SHOT; }
const Ship *as_const_ship(const GameObject *obj) { return is_ship(obj) ? static_cast<const Ship *>(obj) : nullptr; }

bool is_escaping(const GameObject *obj) {
    const Ship *ship = as_const_ship(obj);
    return ship && ship_has_retreated(ship);
}

bool map_is_busy(const ObjectMap *map) { return map && (map->flags & MAP_BUSY); }

// The worker is planning: the game thread leaves the model alone.
bool ai_planning() {
    const uint32_t f = flags();
    return (f & COMBAT_FLAG_AI_STARTED) && !(f & COMBAT_FLAG_AI_DONE) && combat_screen()->ai_thread;
}

void release_ref(GameObject **slot) {
    if (!*slot) return;
    GameObject *obj = *slot;
    *slot = nullptr;
    object_release(obj);
}

void drop_acting() {
    CombatScreen *s = combat_screen();
    if (s->acting) s->acting->flags &= ~OBJ_PULSING;
    release_ref(&s->acting);
    combat_flags_change(0, COMBAT_FLAG_ACTOR_CHANGED);
}

// Asked for in the middle of a frame, the worker starts at its end (start_pending_ai), once the
// frame has written the actor and the map for the last time before the plan is made.
bool g_ai_start_pending = false;

void start_ai() {
    combat_flags_change(COMBAT_FLAG_AI_DONE | COMBAT_FLAG_AI_FAILED, COMBAT_FLAG_AI_STARTED);
    combat_join_ai_thread();
    combat_screen()->ai_seed = random_worker_seed();
    g_ai_start_pending = true;
}

void start_pending_ai() {
    if (!g_ai_start_pending) return;
    g_ai_start_pending = false;
    CombatScreen *s = combat_screen();
    s->ai_thread = g_create_thread(combat_ai_command_thread, nullptr);
    if (!s->ai_thread) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to create AI thread");
        // The plan draws from its own seed here as on a worker; the game thread's draws go on after.
        const uint64_t own_draws = random_state();
        combat_ai_command_thread(nullptr);
        random_set_state(own_draws);
    }
}

void centre_view_on(const GameObject *obj, int32_t speed) {
    ObjectMap *map = combat_map();
    if (!obj || !map) return;
    combat_scroll_view_to(obj->x + obj->w / 2 - map->screen_w / 2, obj->y + obj->h / 2 - map->screen_h / 2, speed);
}

// ---- Hand-over -----------------------------------------------------------------------------------

// True when a new actor was taken over in its own turn (its pause and plan are set).
bool take_over_actor(ObjectMap *map) {
    CombatScreen *s = combat_screen();
    GameObject *actor = map->current;
    if (actor == s->acting) return false;
    const bool had_actor = s->acting != nullptr;
    combat_set_acting(actor);
    combat_flags_change(COMBAT_FLAG_AI_STARTED, 0);
    if (had_actor) return false;   // an object acting out of turn: its pause and plan follow its animation
    if (!actor) {
        combat_select_object(nullptr);
        return false;
    }
    centre_view_on(actor, COMBAT_SCROLL_SPEED_CENTRE);
    if (is_shot(actor) && (static_cast<Shot *>(actor)->shot_flags & SHOT_WARNING_PENDING)) {
        combat_flags_change(0, COMBAT_FLAG_AUTO_ACT | COMBAT_FLAG_PACING);
        s->pacing_ms = COMBAT_MISSILE_PAUSE_MS;
        combat_select_object(nullptr);
        combat_show_missile_warning();
        static_cast<Shot *>(actor)->shot_flags &= ~SHOT_WARNING_PENDING;
    } else if (is_escaping(actor)) {
        combat_flags_change(0, COMBAT_FLAG_AUTO_ACT | COMBAT_FLAG_PACING);
        s->pacing_ms = combat_pause_ms(COMBAT_ESCAPE_PAUSE_MS);
        combat_select_object(nullptr);
    } else if (is_ship(actor) && combat_detail::is_ui_players(actor)) {
        combat_flags_change(COMBAT_FLAG_AUTO_ACT, 0);   // waits for the player's orders
        combat_select_object(actor);
    } else {
        combat_flags_change(0, COMBAT_FLAG_AUTO_ACT | COMBAT_FLAG_PACING);
        s->pacing_ms = combat_pause_ms(COMBAT_ACT_PAUSE_MS);
        combat_select_object(actor);
    }
    if (has(COMBAT_FLAG_AUTO_ACT)) start_ai();
    return true;
}

void scan_result(ObjectMap *map) {
    CombatScreen *s = combat_screen();
    if (!has(COMBAT_FLAG_SCAN_ORDERED) || map_is_busy(map)) return;
    if (is_ship(s->acting)) {
        Ship *ship = static_cast<Ship *>(s->acting);
        GameObject *target = ship->scan_target;
        if (target) {
            object_add_ref(target);
            ship_clear_scan_target(ship);
            release_ref(&s->command_ship);
            combat_select_object(nullptr);
            combat_open_object_details(target);
            object_release(target);
        }
    }
    combat_flags_change(COMBAT_FLAG_SCAN_ORDERED, 0);
}

void pacing(int32_t dt) {
    CombatScreen *s = combat_screen();
    if (!has(COMBAT_FLAG_PACING)) return;
    if (s->pacing_ms > 0) {
        s->pacing_ms -= dt;
        if (s->pacing_ms > 0) return;
    }
    if (!has(COMBAT_FLAG_AI_DONE) && has(COMBAT_FLAG_AI_STARTED)) return;   // the plan is not made yet
    combat_join_ai_thread();
    GameObject *actor = s->acting;
    if (actor) {
        if (is_escaping(actor)) {
            object_set_busy(actor);   // its exit plays
        } else {
            combat_flags_change(COMBAT_FLAG_AI_STARTED, 0);
            combat_close_object_panels();
            if (has(COMBAT_FLAG_AI_FAILED)) {
                object_end_turn(actor);
            } else {
                (void)object_act(actor);   // a refused act leaves the turn to the next plan
                if (!object_is_dying(actor) && !object_is_dead(actor)) object_set_busy(actor);
            }
        }
        combat_select_object(nullptr);
        combat_set_hovered(nullptr);
        if (s->acting && object_turn_done(s->acting)) drop_acting();
    }
    combat_flags_change(COMBAT_FLAG_PACING, 0);
}

void thinking_indicator(int32_t dt) {
    CombatScreen *s = combat_screen();
    Game *game = game_get();
    const uint32_t f = flags();
    if (f & COMBAT_FLAG_AI_THINKING) {
        if (!(f & COMBAT_FLAG_THINKING_ARMED)) {
            combat_flags_change(0, COMBAT_FLAG_THINKING_ARMED);
            s->thinking_ms = COMBAT_THINKING_DELAY_MS;
            return;
        }
        if (s->thinking_ms > 0) {
            s->thinking_ms -= dt;
            return;
        }
        if (game_find_control(game, COMBAT_ID_THINKING)) return;
        Control *picture = image_control_create_frame(IMAGE_COMPUTER, 1);
        if (!picture) return;
        image_control_enable_tint(picture);
        ColourFade *tint = image_control_tint_colour(picture);
        if (tint)
            colour_fade_start(tint, 30, 30, 30, 230, 230, 230, 760, 0, COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
        control_set_tag(picture, COMBAT_TAG_SIDE_PANEL);
        game_add_control(game, ui_screen_width() / 2 - picture->w / 2, ui_screen_height() - picture->h - 10,
                         COMBAT_ID_THINKING, 1, picture);
    } else if (f & COMBAT_FLAG_THINKING_ARMED) {
        combat_flags_change(COMBAT_FLAG_THINKING_ARMED, 0);
        if (Control *picture = game_find_control(game, COMBAT_ID_THINKING)) control_remove(picture);
    }
}

// fresh_actor: the actor was taken over in this very frame (the map picks one as soon as the last
// animation ends), with its own pause already set; it is not paced a second time.
void after_animation(bool fresh_actor) {
    CombatScreen *s = combat_screen();
    if (combat_battle_finished()) {
        combat_flags_change(COMBAT_FLAG_ANIMATING, 0);
        return;
    }
    if (s->command_ship) {
        GameObject *ship = s->command_ship;
        combat_select_object(ship);
        release_ref(&s->command_ship);
        combat_centre_on_unit_status();
        if (s->selected) centre_view_on(s->selected, COMBAT_SCROLL_SPEED_CENTRE);
    } else if (fresh_actor) {
        // paced by the hand-over
    } else if (s->acting && !(is_ship(s->acting) && combat_detail::is_ui_players(s->acting))) {
        combat_select_object(s->acting);
        combat_centre_on_unit_status();
        s->pacing_ms = game_find_control(game_get(), COMBAT_ID_MISSILE_WARNING) ? COMBAT_MISSILE_PAUSE_MS
                                                                                 : combat_pause_ms(COMBAT_ACT_PAUSE_MS);
        if (!has(COMBAT_FLAG_AI_STARTED)) {
            combat_flags_change(0, COMBAT_FLAG_AUTO_ACT | COMBAT_FLAG_PACING);
            start_ai();
        }
    } else {
        combat_flags_change(COMBAT_FLAG_AUTO_ACT, 0);
    }
    combat_flags_change(COMBAT_FLAG_ANIMATING, COMBAT_FLAG_ACTOR_CHANGED);
}

// ---- Input, hover and the view -------------------------------------------------------------------

// Move mode: the movement points the pointed spot costs, beside the pointer; nothing where the
// ship cannot go.
void show_move_cost(Ship *ship) {
    const ObjectMap *map = combat_map();
    int32_t px = 0, py = 0;
    input_mouse_position(&px, &py);
    const int32_t x = px + map->view_x - ship->w / 2, y = py + map->view_y - ship->h / 2;
    int32_t cost = 0;
    if (object_move_cost(ship, x, y, &cost) != RES_OK) {
        (void)combat_hide_message();
        return;
    }
    combat_show_message(MOVE_COST_DX, MOVE_COST_DY, image_control_create_frame(IMAGE_MOVEMENT, 1), "%i / %i",
                        int(cost), int(ship->mp));
}

// System mode: the effect overlay follows the pointer within the system's reach.
void place_effect_overlay(Ship *ship, int32_t dt) {
    CombatScreen *s = combat_screen();
    Control *overlay = s->effect_overlay;
    const ObjectMap *map = combat_map();
    int32_t px = 0, py = 0;
    input_mouse_position(&px, &py);
    const int32_t mx = px + map->view_x, my = py + map->view_y;
    const int32_t reach = distance(mx - (ship->x + ship->w / 2), my - (ship->y + ship->h / 2));
    if (reach > s->effect_range) {
        control_set_hidden(overlay, false);
    } else {
        control_set_position(overlay, px - overlay->w / 2, py - overlay->h / 2);
        control_set_hidden(overlay, true);
    }
    control_update(overlay, dt);
}

void player_input(int32_t dt) {
    CombatScreen *s = combat_screen();
    if (has(COMBAT_FLAG_ANIMATING | COMBAT_FLAG_AUTO_ACT)) return;
    Ship *ship = is_ship(s->acting) ? static_cast<Ship *>(s->acting) : nullptr;
    if (s->command_mode == COMMAND_NONE) {
        if (input_key_pressed(KEY_TAB)) {
            combat_cycle_units();
        } else if (input_key_pressed(KEY_SPACE) && s->acting) {
            combat_select_object(s->acting);
            centre_view_on(s->acting, COMBAT_SCROLL_SPEED_CENTRE);
        }
    } else if (s->command_mode == COMMAND_MOVE && ship) {
        show_move_cost(ship);
    } else if (s->command_mode == COMMAND_SYSTEM && ship && s->effect_overlay) {
        place_effect_overlay(ship, dt);
    }
    if (s->reach_overlay) control_update(s->reach_overlay, dt);
}

GameObject *object_under_pointer(ObjectMap *map, int32_t x, int32_t y) {
    ObjectFilter exact;
    exact.flags = FILTER_POINT | FILTER_SHAPE | FILTER_EXCLUDE;
    exact.exclude_flags = OBJ_NO_POINTER_HIT;
    exact.px = x;
    exact.py = y;
    if (GameObject *hit = map_query_object(map, &exact)) return hit;
    ObjectFilter shot;
    shot.flags = FILTER_POINT | FILTER_KINDS | FILTER_EXCLUDE;
    shot.kind_mask = 1u << OBJECT_SHOT;
    shot.exclude_flags = OBJ_NO_POINTER_HIT;
    shot.px = x;
    shot.py = y;
    return map_query_object(map, &shot);
}

// The system in the ship's crit may be aimed at the ship itself.
bool system_targets_own_ship(const GameObject *obj, int32_t crit) {
    const Ship *ship = as_const_ship(obj);
    if (!ship || crit < 0 || crit >= ship->crit_count || !ship->crits) return false;
    const System *system = ship->crits[crit].system;
    return system && (system->flags & SYSTEM_FLAG_SELF_TARGET);
}

void hover_and_click(ObjectMap *map) {
    CombatScreen *s = combat_screen();
    Game *game = game_get();
    int32_t px = 0, py = 0;
    input_mouse_position(&px, &py);
    if (has(COMBAT_FLAG_ANIMATING | COMBAT_FLAG_AUTO_ACT) || game_solid_control_at_point(game, px, py)) {
        combat_set_hovered(nullptr);
        return;
    }
    if (!has(COMBAT_FLAG_PICKING)) {
        GameObject *hit = nullptr;
        if (!game_control_at_point(game, px, py)) hit = object_under_pointer(map, px + map->view_x, py + map->view_y);
        if (s->command_mode == COMMAND_SCAN && hit == s->acting) hit = nullptr;
        if (s->command_mode == COMMAND_SYSTEM && hit == s->acting && !system_targets_own_ship(s->acting, s->selected_crit))
            hit = nullptr;
        combat_set_hovered(hit);
    }
    if (!input_button_pressed(0)) return;
    if (s->command_mode == COMMAND_NONE) {
        combat_select_object(s->hovered);
        if (s->selected) {
            sound_play(SOUND_OPEN_PANEL);
            game_flush_new_controls(game);
            combat_centre_on_unit_status();
        }
    } else if (s->acting) {
        combat_apply_command();
    }
}

// The free direction of the edges and the arrow keys: -1, 0 or +1 per axis.
void free_scroll_direction(int32_t *dx, int32_t *dy) {
    Game *game = game_get();
    int32_t px = 0, py = 0;
    input_mouse_position(&px, &py);
    const int32_t w = ui_screen_width(), h = ui_screen_height();
    *dx = *dy = 0;
    if (!game_solid_control_at_point(game, px, py)) {
        if (px < COMBAT_EDGE_ZONE) *dx = -1;
        else if (px > w - COMBAT_EDGE_ZONE) *dx = 1;
        if (py < COMBAT_EDGE_ZONE) *dy = -1;
        else if (py > h - COMBAT_EDGE_ZONE) *dy = 1;
    }
    if (input_key_down(KEY_LEFT)) *dx = -1;
    if (input_key_down(KEY_RIGHT)) *dx = 1;
    if (input_key_down(KEY_UP)) *dy = -1;
    if (input_key_down(KEY_DOWN)) *dy = 1;
}

// One axis's move this frame: the step times dt over the divisor, the remainder kept; with a
// target the move stops on it.
int32_t axis_move(int32_t step, int32_t dt, int32_t *rest, int32_t divisor, int32_t origin, int32_t target) {
    const int32_t total = step * dt + *rest;
    int32_t move = total / divisor;
    *rest = total - move * divisor;
    if (target >= 0) {
        const int32_t left = target - origin;
        if ((move > 0 && move > left) || (move < 0 && move < left)) move = left;
    }
    return move;
}

}  // namespace

// ---- The screen's state --------------------------------------------------------------------------

CombatScreen *combat_screen() {
    static CombatScreen screen;
    return &screen;
}

ObjectMap *combat_map() {
    Game *game = game_get();
    return game ? game->combat_map : nullptr;
}

void combat_set_thread_creator(CombatThreadCreator *creator) {
    g_create_thread = creator ? creator : sdl_create_thread;
}

void combat_join_ai_thread() {
    CombatScreen *s = combat_screen();
    if (!s->ai_thread) return;
    SDL_WaitThread(s->ai_thread, nullptr);
    s->ai_thread = nullptr;
}

void combat_flags_change(uint32_t clear, uint32_t set) {
    std::atomic<uint32_t> &word = combat_screen()->flags;
    uint32_t old = word.load(std::memory_order_relaxed);
    while (!word.compare_exchange_weak(old, (old & ~clear) | set, std::memory_order_acq_rel)) {
    }
}

bool combat_battle_finished() {
    const Game *game = game_get();
    return game && game->current_encounter && encounter_is_finished(game->current_encounter);
}

int32_t combat_pause_ms(int32_t base_ms) {
    const Game *game = game_get();
    const int32_t speed = game ? game->combat_speed : 100;
    return base_ms * speed / 100;
}

int combat_ai_command_thread(void *) {
    CombatScreen *s = combat_screen();
    combat_flags_change(0, COMBAT_FLAG_AI_THINKING);
    random_seed(s->ai_seed);
    GameObject *actor = s->acting;
    if (actor && !is_escaping(actor)) {
        const Result r = object_plan(actor);
        if (r != RES_OK && r != RES_UNSUPPORTED) {
            combat_flags_change(0, COMBAT_FLAG_AI_FAILED);
            log_write(LOG_GAME, LOG_WARN, "AI command thread - failed to assign command (%i)", int(r));
        }
    }
    combat_flags_change(COMBAT_FLAG_AI_THINKING, COMBAT_FLAG_AI_DONE);   // last
    return 0;
}

void combat_release_game_objects() {
    CombatScreen *s = combat_screen();
    combat_join_ai_thread();
    g_ai_start_pending = false;
    combat_flags_change(COMBAT_FLAG_AI_STARTED | COMBAT_FLAG_AI_THINKING | COMBAT_FLAG_AUTO_ACT | COMBAT_FLAG_PACING,
                        0);
    combat_set_hovered(nullptr);
    combat_select_object(nullptr);
    if (s->acting) s->acting->flags &= ~OBJ_PULSING;
    release_ref(&s->acting);
    release_ref(&s->command_ship);
    combat_clear_ship_tags();
    if (s->unit_cycle) list_clear(s->unit_cycle);
    s->unit_cycle_stamp = 0;
    combat_close_object_panels();
    if (s->side_panels[COMBAT_SIDE_LIST]) encounter_list_forget_map(s->side_panels[COMBAT_SIDE_LIST]);
}

// ---- The acting object ---------------------------------------------------------------------------

void combat_set_acting(GameObject *object) {
    CombatScreen *s = combat_screen();
    if (object == s->acting) return;
    if (s->acting) s->acting->flags &= ~OBJ_PULSING;
    release_ref(&s->acting);
    if (object) {
        object_add_ref(object);
        object->flags |= OBJ_PULSING;
        s->acting = object;
    }
    combat_flags_change(0, COMBAT_FLAG_ACTOR_CHANGED);
}

void combat_reset_highlight_colours() {
    CombatScreen *s = combat_screen();
    if (!s->valid_colour) s->valid_colour = colour_fade_create();
    if (!s->invalid_colour) s->invalid_colour = colour_fade_create();
    if (s->valid_colour)
        colour_fade_start(s->valid_colour, 30, 250, 30, 220, 220, 220, 600, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    if (s->invalid_colour)
        colour_fade_start(s->invalid_colour, 255, 20, 20, 220, 20, 20, 600, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
}

// ---- The frame ------------------------------------------------------------------------------------

void combat_view_scroll_step(int32_t dt) {
    CombatScreen *s = combat_screen();
    ObjectMap *map = combat_map();
    if (!map) return;
    CombatViewScroll &v = s->scroll;
    if (v.target_x >= 0 && v.target_y >= 0) {
        if (map->view_x == v.target_x) v.step_x = 0;
        if (map->view_y == v.target_y) v.step_y = 0;
        if (v.step_x == 0 && v.step_y == 0) v.target_x = v.target_y = -1;
    } else if (!map_is_busy(map) && !has(COMBAT_FLAG_AUTO_ACT)) {
        free_scroll_direction(&v.step_x, &v.step_y);
        v.divisor = 1;
    } else {
        int32_t x = 0, y = 0;
        if (map_get_action_view_origin(map, &x, &y)) combat_scroll_view_to(x, y, COMBAT_SCROLL_SPEED_ACTION);
    }
    if (v.step_x == 0 && v.step_y == 0) return;
    const int32_t divisor = std::max(v.divisor, 1);
    const int32_t dx = axis_move(v.step_x, dt, &v.rest_x, divisor, map->view_x, v.target_x);
    const int32_t dy = axis_move(v.step_y, dt, &v.rest_y, divisor, map->view_y, v.target_y);
    const int32_t moved = map_scroll(map, dx, dy);
    starfield_set_scroll(game_get()->star_layer, (moved & 1) ? -dx : 0, (moved & 2) ? -dy : 0, dt);
}

void combat_update(int32_t dt) {
    CombatScreen *s = combat_screen();
    Game *game = game_get();
    ObjectMap *map = combat_map();
    if (!game || !map) return;

    if (game->flags & GAME_FLAG_MUSIC_RESTART) {
        if (s->music_track >= 0) sound_play(s->music_track);
        game->flags &= ~GAME_FLAG_MUSIC_RESTART;
    }

    if (s->load_countdown_ms > 0) {
        if (has(COMBAT_FLAG_AUTO_ACT) && has(COMBAT_FLAG_AI_DONE)) {
            combat_join_ai_thread();
            combat_flags_change(COMBAT_FLAG_AUTO_ACT | COMBAT_FLAG_AI_DONE | COMBAT_FLAG_AI_FAILED |
                                    COMBAT_FLAG_AI_STARTED,
                                0);
        }
        if (has(COMBAT_FLAG_AUTO_ACT) && ai_planning()) return;
        s->load_countdown_ms -= dt;
        if (s->load_countdown_ms <= 0) {
            s->load_countdown_ms = 0;
            combat_run_pending_load();
        }
        return;
    }

    const bool planning = ai_planning();

    if (s->command_mode == COMMAND_NONE) {
        while (s->panel_top >= 0 && !combat_object_panel_is_shown(s->panel_stack[s->panel_top])) {
            --s->panel_top;
            if (s->panel_top >= 0) combat_show_object_panel(s->panel_stack[s->panel_top]);
        }
        // Dropping the selection writes the ship it leaves, maybe the one being planned for.
        if (s->panel_top < 0 && !planning) combat_select_object(nullptr);
    }

    starfield_scroll(game->star_layer);
    if (!planning) {
        for (GameObject *obj : map->objects.items) {
            if (!obj) break;
            object_update_travel(obj, dt);
        }
        map_update(map, dt);
    }

    if (game->current_encounter && !planning) {
        s->end_test_ms -= dt;
        if (s->end_test_ms <= 0) {
            encounter_check_finished(game->current_encounter);
            s->end_test_ms = COMBAT_END_TEST_MS;
        }
    }
    const bool finished = combat_battle_finished();

    if (s->acting && (object_turn_done(s->acting) || object_is_gone(s->acting))) drop_acting();

    if (!has(COMBAT_FLAG_ANIMATING | COMBAT_FLAG_SUMMARY) && finished && !map_is_busy(map) && !planning)
        battle_summary_start();
    if (has(COMBAT_FLAG_SUMMARY)) {
        battle_summary_update(dt);
        return;
    }

    if (!planning) combat_update_ship_tags();

    bool fresh_actor = false;
    if (!finished && !planning) fresh_actor = take_over_actor(map);
    if (!planning) scan_result(map);
    pacing(dt);
    thinking_indicator(dt);

    if (!planning) {
        if (map_is_busy(map)) combat_flags_change(0, COMBAT_FLAG_ANIMATING);
        else if (has(COMBAT_FLAG_ANIMATING)) after_animation(fresh_actor);
    }

    player_input(dt);
    if (!planning) combat_view_scroll_step(dt);

    if (!has(COMBAT_FLAG_ANIMATING | COMBAT_FLAG_AUTO_ACT) && s->message_box &&
        (control_is_shown(s->message_box))) {
        int32_t px = 0, py = 0;
        input_mouse_position(&px, &py);
        control_set_position(s->message_box, px + s->message_dx, py + s->message_dy);
    }

    if (s->hovered && object_is_dying(s->hovered)) combat_set_hovered(nullptr);
    if (s->selected && object_is_dying(s->selected)) combat_select_object(nullptr);

    if (!planning) hover_and_click(map);
    combat_prompt_pulse(dt);
    if (!planning) combat_update_missile_marker();
    combat_keep_object_panels_clear();

    // The planner reads the actor: its pulse keeps the bit it had when the plan began (nothing
    // that would change it runs meanwhile).
    if (s->acting && !planning) {
        if (!finished && !map_is_busy(map)) s->acting->flags |= OBJ_PULSING;
        else s->acting->flags &= ~OBJ_PULSING;
    }

    if (has(COMBAT_FLAG_ACTOR_CHANGED)) {
        combat_flags_change(COMBAT_FLAG_ACTOR_CHANGED, 0);
        Control *list = s->side_panels[COMBAT_SIDE_LIST];
        if (list && control_is_shown(list) && !planning) {
            encounter_list_refresh(list);
            encounter_list_highlight(list, s->acting ? s->acting->id : 0);
        }
    }

    if (s->valid_colour) colour_fade_update(s->valid_colour, dt);
    if (s->invalid_colour) colour_fade_update(s->invalid_colour, dt);

    if (input_key_pressed(INPUT_KEY_ESCAPE) && !game_has_escape_handler(game)) {
        combat_command_bar_select(0);
        combat_clear_side_panels();
    }
    if (input_key_pressed(KEY_SLASH)) (void)help_window_open(game);

    Control *help = game_find_control(game, COMBAT_ID_HELP_POPUP);
    if (!has(COMBAT_FLAG_HELP_OPEN)) {
        if (help) {
            combat_flags_change(0, COMBAT_FLAG_HELP_OPEN);
            combat_command_bar_select(0);
            combat_select_object(nullptr);
            combat_close_object_panels();
            combat_clear_side_panels();
        }
    } else if (s->selected || s->open_side_panel != 0) {
        combat_flags_change(COMBAT_FLAG_HELP_OPEN, 0);
        if (help) {
            game_flash_panel_frame(game, help);
            control_remove(help);
        }
    } else if (!help) {
        combat_flags_change(COMBAT_FLAG_HELP_OPEN, 0);
    }

    combat_update_cursor();
    start_pending_ai();
}
