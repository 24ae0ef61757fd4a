// The combat view's scroll towards a point (the frame's update moves it step by step), centring on
// the unit status panel, and the Tab cycle through the player's own units in turn order.
#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

#include "game/encounter.h"
#include "game/encounter_map.h"
#include "game/game.h"
#include "platform/list.h"
#include "platform/sound.h"
#include "screens/combat/combat_local.h"
#include "screens/combat/combat_screen.h"
#include "ui/control.h"
#include "world/object.h"
#include "world/object_map.h"

namespace {

constexpr int32_t MIN_SPEED = 10;
constexpr int32_t STEP = 20;              // the larger component of a step after the scaling
constexpr int32_t LONG_STEP_DIVISOR = 10;
constexpr int32_t TARGET_DIVISOR = 6;    // ms per step of a scroll to a target
constexpr int32_t CYCLE_TURNS_PER_OBJECT = 2;

bool short_step(int32_t v) { return v != 0 && v > -STEP && v < STEP; }

void delete_entry(TurnOrderEntry *entry) { delete entry; }

void centre_on(const GameObject *obj) {
    ObjectMap *map = combat_map();
    if (!obj || !map) return;
    combat_scroll_view_to(obj->x + obj->w / 2 - map->screen_w / 2, obj->y + obj->h / 2 - map->screen_h / 2,
                          COMBAT_SCROLL_SPEED_CENTRE);
}

// Rebuilds the cycle from the predicted turn order: each of the UI player's objects once, at its
// first predicted turn.
void rebuild_cycle(CombatScreen *s, ObjectMap *map) {
    if (!s->unit_cycle && !(s->unit_cycle = list_create<TurnOrderEntry>())) return;
    list_set_free_fn(s->unit_cycle, delete_entry);
    list_clear(s->unit_cycle);
    const uint64_t ui_id = game_get()->ui_player_id;
    List<TurnOrderEntry> *order = map_predict_turn_order(map, CYCLE_TURNS_PER_OBJECT * map_object_count(map));
    if (order) {
        for (const TurnOrderEntry *entry : order->items) {
            if (!entry || entry->owner_id != ui_id) continue;
            const bool known = std::any_of(s->unit_cycle->items.begin(), s->unit_cycle->items.end(),
                                           [&](const TurnOrderEntry *e) { return e->object_id == entry->object_id; });
            if (known) continue;
            TurnOrderEntry *copy = new (std::nothrow) TurnOrderEntry(*entry);
            if (copy && list_append(s->unit_cycle, copy) < 0) delete copy;
        }
    }
    list_free(order);
    s->unit_cycle_stamp = map->change_count;
}

}  // namespace

void combat_scroll_view_to(int32_t x, int32_t y, int32_t speed) {
    const Encounter *enc = game_get()->current_encounter;
    ObjectMap *map = combat_map();
    if ((enc && (enc->flags & ENCOUNTER_FLAG_FINISHED)) || !map) return;
    CombatViewScroll &scroll = combat_screen()->scroll;
    scroll.target_x = std::clamp(x, 0, std::max(map->world_w - map->screen_w - 1, 0));
    scroll.target_y = std::clamp(y, 0, std::max(map->world_h - map->screen_h - 1, 0));
    // The speed is kept for the callers; every scroll to a target travels at the same pace, whatever
    // pace the player's own scrolling left behind.
    scroll.speed = std::max(speed, MIN_SPEED);
    scroll.divisor = TARGET_DIVISOR;

    int32_t sx = scroll.target_x - map->view_x, sy = scroll.target_y - map->view_y;
    if (sx == 0 && sy == 0) {
        scroll.target_x = scroll.target_y = -1;
        scroll.step_x = scroll.step_y = 0;
        return;
    }
    if (std::abs(sx) >= STEP) sx /= LONG_STEP_DIVISOR;
    if (std::abs(sy) >= STEP) sy /= LONG_STEP_DIVISOR;
    // The shorter component is scaled up with the longer one so that the larger reaches 20.
    if (short_step(sx)) {
        const int32_t full = sx < 0 ? -STEP : STEP;
        sy = sy * full / sx;
        sx = full;
    }
    if (short_step(sy)) {
        const int32_t full = sy < 0 ? -STEP : STEP;
        sx = sx * full / sy;
        sy = full;
    }
    scroll.step_x = sx;
    scroll.step_y = sy;
    scroll.rest_x = scroll.rest_y = 0;
}

void combat_centre_on_unit_status() {
    CombatScreen *s = combat_screen();
    ObjectMap *map = combat_map();
    if (!map || s->scroll.target_x >= 0 || s->scroll.target_y >= 0) return;
    Control *panel = combat_find_unit_status();
    if (!panel) return;
    // An anchored panel stands in map coordinates, any other on the screen over the view.
    const bool anchored = panel->flags & CTRL_ANCHORED;
    const int32_t cx = (anchored ? panel->abs_x : map->view_x + panel->x) + panel->w / 2;
    const int32_t cy = (anchored ? panel->abs_y : map->view_y + panel->y) + panel->h / 2;
    combat_scroll_view_to(cx - map->screen_w / 2, cy - map->screen_h / 2, COMBAT_SCROLL_SPEED_CENTRE);
}

void combat_cycle_units() {
    CombatScreen *s = combat_screen();
    ObjectMap *map = combat_map();
    if (!map) return;
    if (!s->unit_cycle || map->change_count != s->unit_cycle_stamp || list_count(s->unit_cycle) == 0)
        rebuild_cycle(s, map);
    if (!s->unit_cycle || list_count(s->unit_cycle) == 0) return;

    const uint64_t ui_id = game_get()->ui_player_id;
    const uint64_t current = (s->selected && s->selected->owner_id == ui_id) ? s->selected->id : 0;
    const std::vector<TurnOrderEntry *> &cycle = s->unit_cycle->items;
    size_t next = 0;
    if (current)
        for (size_t i = 0; i < cycle.size(); ++i)
            if (cycle[i]->object_id == current) {
                next = (i + 1) % cycle.size();
                break;
            }
    if (cycle[next]->object_id != current)
        if (GameObject *obj = combat_detail::find_on_map(map, cycle[next]->object_id)) {
            sound_play(SOUND_OPEN_PANEL);
            combat_select_object(obj);
        }
    centre_on(s->selected);
}
