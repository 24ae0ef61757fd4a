// The combat encounter mode's record, its enter and leave; the end-of-game mode's callbacks.
#include "screens/combat/combat_mode.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include "game/encounter.h"
#include "game/game.h"
#include "platform/colour_fade.h"
#include "platform/graphics.h"
#include "platform/hash.h"
#include "platform/list.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "game/encounter_map.h"
#include "screens/combat/combat_panels.h"
#include "screens/combat/combat_screen.h"
#include "ui/app_mode.h"
#include "ui/control.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"
#include "views/minimap_panel.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"

namespace {

// The sounds a battle plays most, loaded ahead.
constexpr int PRELOADED_SOUNDS[] = {SOUND_EXPLOSION, SOUND_LARGE_EXPLOSION, SOUND_BEAM, SOUND_SHIELD_HIT,
                                    SOUND_PROJECTILE, SOUND_SHIP_MOVE, SOUND_SHOT_AWAY, SOUND_LAUNCH,
                                    SOUND_SCANNER_PING};
constexpr int KEPT_CURSORS = 3;
constexpr int MESSAGE_BORDER_PULSE_MS = 800;   // 0..2 are freed on leave; the scroll cursors stay for the next battle

// The command bar, in CombatSidePanel order.
struct CommandButton {
    int id;
    int image;
    int hotkey;
    ControlFn toggle;
};
constexpr CommandButton COMMAND_BUTTONS[COMBAT_COMMAND_BUTTONS] = {
    {COMBAT_ID_MENU_BUTTON, 27, '1', combat_toggle_menu_panel},
    {COMBAT_ID_MINIMAP_BUTTON, 33, '2', combat_toggle_minimap_panel},
    {COMBAT_ID_LIST_BUTTON, 71, '3', combat_toggle_encounter_list},
    {COMBAT_ID_LOCATION_BUTTON, 122, '4', combat_toggle_location_panel},
};

void free_cycle_entry(TurnOrderEntry *entry) { delete entry; }

Control *add_hidden_panel(Game *game, int w, int h, int tag) {
    Control *panel = panel_create(w, h, 0, 0, 0);
    if (!panel) return nullptr;
    panel_set_border(panel, true);
    colour_fade_set(panel_border_colour(panel), 96, 96, 96);
    control_set_tag(panel, tag);
    control_set_layer(panel, 1);
    control_set_hidden(panel, false);
    game_queue_control(game, panel);
    return panel;
}

Control *add_side_panel(Game *game, int w, int h) {
    Control *panel = panel_create(w, h, 0, 0, 0);
    if (!panel) return nullptr;
    panel_set_border(panel, true);
    control_set_tag(panel, COMBAT_TAG_SIDE_PANEL);
    control_set_layer(panel, 1);
    game_queue_control(game, panel);
    return panel;
}

// The minimap's own control in the framed minimap panel: a press there jumps the view.
void minimap_take_clicks(Control *panel) {
    Panel *p = panel_of(panel);
    if (!p) return;
    for (Control *child : p->children.items) {
        if (!child) break;
        if (child->type == CONTROL_MINIMAP) child->on_click = combat_minimap_on_click;
    }
}

void create_controls(CombatScreen *s, Game *game) {
    const int screen_h = ui_screen_height();
    s->info_panel = add_hidden_panel(game, 175, 100, COMBAT_TAG_HIDDEN_PANEL);
    s->hover_popup = add_hidden_panel(game, 175, 100, COMBAT_TAG_HOVER_POPUP);
    s->message_box = add_hidden_panel(game, 175, 100, COMBAT_TAG_HIDDEN_PANEL);
    if (s->message_box)
        colour_fade_start(panel_border_colour(s->message_box), 96, 96, 96, 0, 200, 200, MESSAGE_BORDER_PULSE_MS, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);

    Control *minimap = panel_create_empty();
    if (minimap) {
        minimap_panel_build(minimap, nullptr);
        minimap_take_clicks(minimap);
        control_set_tag(minimap, COMBAT_TAG_SIDE_PANEL);
        control_set_layer(minimap, 1);
        control_set_position(minimap, 4, screen_h - minimap->h - 36);
        game_queue_control(game, minimap);
    }
    s->side_panels[COMBAT_SIDE_MINIMAP] = minimap;

    Control *list = panel_create_empty();
    if (list) {
        panel_set_border(list, true);
        control_set_tag(list, COMBAT_TAG_SIDE_PANEL);
        control_set_layer(list, 1);
        encounter_list_build(list, game->combat_map);
        control_set_position(list, 4, screen_h - list->h - 36);
        control_set_hidden(list, false);
        game_queue_control(game, list);
    }
    s->side_panels[COMBAT_SIDE_LIST] = list;

    s->selection_panel = panel_create_empty();
    if (s->selection_panel) {
        control_set_tag(s->selection_panel, -1);
        control_set_hidden(s->selection_panel, false);
        game_queue_control(game, s->selection_panel);
    }
    s->side_panels[COMBAT_SIDE_MENU] = add_side_panel(game, 200, 50);
    s->side_panels[COMBAT_SIDE_LOCATION] = add_side_panel(game, 200, 50);
    for (int i : {COMBAT_SIDE_MENU, COMBAT_SIDE_LOCATION})
        if (s->side_panels[i]) control_set_hidden(s->side_panels[i], false);

    int x = 4;
    for (int i = 0; i < COMBAT_COMMAND_BUTTONS; ++i) {
        const CommandButton &b = COMMAND_BUTTONS[i];
        Control *button = image_button_create_plain(b.image, b.toggle, b.hotkey, nullptr);
        s->command_buttons[i] = button;
        if (!button) continue;
        control_set_tag(button, COMBAT_TAG_COMMAND_BAR);
        control_set_layer(button, 1);   // the map under the bar takes no pointer
        game_add_control(game, x, screen_h - button->h - 4, b.id, 0, button);
        x += button->w + 4;
    }
}

void load_cursors(Game *game) {
    for (int n = 0; n < GAME_CURSOR_COUNT; ++n) (void)game_load_cursor(game, n);   // each failure is logged
    game->cursor_index = 0;
    game->flags &= ~GAME_FLAG_NO_CURSOR;
}

void centre_view(ObjectMap *map) {
    const int32_t x = std::min(std::max((map->world_w - ui_screen_width()) / 2, 0), map->world_w - map->screen_w - 1);
    const int32_t y = std::min(std::max((map->world_h - ui_screen_height()) / 2, 0), map->world_h - map->screen_h - 1);
    map->view_x = x;
    map->view_y = y;
}

void wait_for_drawn_frame() {
    Graphics *gfx = gfx_get();
    if (gfx && !gfx_queue_is_empty(gfx)) gfx_wait_frame(gfx);
}

}  // namespace

void combat_enter() {
    CombatScreen *s = combat_screen();
    Game *game = game_get();
    if (!game) return;

    const int32_t track = combat_music_choose(s);
    // The battle's quick draws (hit rolls, damage, the AI worker's seeds) start where the saved
    // game stands: the same save and orders play the same battle, whatever was drawn before it.
    if (game->current_encounter) random_seed(encounter_battle_seed(game->current_encounter));
    if (game->sound_volume > 0)
        for (int id : PRELOADED_SOUNDS) (void)sound_load_id(id);
    sound_play(track);

    load_cursors(game);

    if (s->ship_tags) {
        hash_table_free(s->ship_tags);
        s->ship_tags = nullptr;
    }
    create_controls(s, game);

    ObjectMap *map = game->combat_map;
    if (map) centre_view(map);

    GameObject **refs[] = {&s->hovered, &s->selected, &s->acting, &s->command_ship};
    for (GameObject **ref : refs)
        if (*ref) {
            object_release(*ref);
            *ref = nullptr;
        }
    combat_set_command_mode(COMMAND_NONE);
    s->panel_top = -1;

    if (s->unit_cycle) list_free(s->unit_cycle);
    s->unit_cycle = list_create<TurnOrderEntry>();
    if (s->unit_cycle) list_set_free_fn(s->unit_cycle, free_cycle_entry);
    s->unit_cycle_stamp = 0;
    s->scroll = CombatViewScroll{};
    s->flags.store(0, std::memory_order_release);
    s->end_test_ms = 0;
    s->load_countdown_ms = 0;
    s->thinking_ms = 0;
    s->pacing_ms = 0;
    s->open_side_panel = 0;
    combat_reset_highlight_colours();
    game_flush_new_controls(game);
    s->ship_tags = hash_table_create<Control>(key64_hash, key64_compare);
    combat_command_bar_select(COMBAT_ID_MINIMAP_BUTTON);
}

namespace {

// A ship holds what it scanned while the scan plays out, and every ship lets go at the battle's end.
// A battle left before its end (a load from the menu) lets go here: two ships that scanned each
// other would otherwise hold each other past the game's clear.
void drop_scan_targets(Game *game) {
    auto drop = [](GameObject *obj) {
        if (Ship *ship = ship_of(obj)) ship_clear_scan_target(ship);
    };
    if (game->current_encounter && game->current_encounter->objects)
        for (GameObject *obj : game->current_encounter->objects->items) drop(obj);
    if (game->combat_map)
        for (GameObject *obj : game->combat_map->objects.items) drop(obj);
}

}  // namespace

void combat_leave() {
    CombatScreen *s = combat_screen();
    Game *game = game_get();
    wait_for_drawn_frame();
    if (game)
        for (int n = 0; n < KEPT_CURSORS; ++n) game_free_cursor(game, n);
    combat_join_ai_thread();
    if (game) drop_scan_targets(game);
    if (game && game->combat_map) map_clear(game->combat_map);
    combat_release_game_objects();
    if (s->ship_tags) {
        hash_table_free(s->ship_tags);
        s->ship_tags = nullptr;
    }
    colour_fade_free(s->valid_colour);
    colour_fade_free(s->invalid_colour);
    s->valid_colour = s->invalid_colour = nullptr;
    battle_summary_free();
    for (Control **overlay : {&s->reach_overlay, &s->effect_overlay})
        if (*overlay) {
            control_release(*overlay);
            *overlay = nullptr;
        }
    if (s->unit_cycle) {
        list_free(s->unit_cycle);
        s->unit_cycle = nullptr;
    }
    // The controls go with the game's list at the switch; the borrowed pointers go now.
    s->info_panel = s->hover_popup = s->message_box = s->selection_panel = nullptr;
    for (Control *&c : s->side_panels) c = nullptr;
    for (Control *&c : s->command_buttons) c = nullptr;
    s->flags.store(0, std::memory_order_release);
    factory_release_all_groups(2);
    (void)factory_resolve_load_groups();   // a failure is logged where it is found
}

void combat_mode_init(AppMode *mode) {
    mode->enter = combat_enter;
    mode->leave = combat_leave;
    mode->update = combat_update;
    mode->draw = combat_draw;
}

