// Action lines, the action view, the predicted turn order and fleet marks on an object map.
#include "game/encounter_map.h"

#include <algorithm>
#include <new>
#include <vector>
#include "platform/list.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_map.h"

namespace {

void free_entry(TurnOrderEntry *entry) { delete entry; }

// The turns until an entry reaches the acting initiative (it is below it).
int64_t steps_to_act(const TurnOrderEntry &e) {
    const int64_t missing = int64_t(MAP_TURN_INITIATIVE) - e.initiative;
    return (missing + e.initiative_rate - 1) / e.initiative_rate;
}

}  // namespace

void map_add_action_line(ObjectMap *map, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t ms) {
    if (!map) return;
    MapActionLine *line = new (std::nothrow) MapActionLine{x0, y0, x1, y1, ms};
    if (line && list_append(&map->timed_lines, line) < 0) delete line;
}

bool map_get_action_view_origin(const ObjectMap *map, int32_t *x, int32_t *y) {
    const MapActionLine *line = map ? list_get(&map->timed_lines, 0) : nullptr;
    if (!line) return false;
    const int32_t min_x = std::min(line->x1, line->x2), max_x = std::max(line->x1, line->x2);
    const int32_t min_y = std::min(line->y1, line->y2), max_y = std::max(line->y1, line->y2);
    if (x) *x = (max_x - min_x + 1) / 2 - map->screen_w / 2 + min_x;
    if (y) *y = (max_y - min_y + 1) / 2 - map->screen_h / 2 + min_y;
    return true;
}

List<TurnOrderEntry> *map_predict_turn_order(const ObjectMap *map, int32_t n) {
    List<TurnOrderEntry> *out = list_create<TurnOrderEntry>();
    if (!out) return nullptr;
    list_set_free_fn(out, free_entry);
    if (!map || n < 1) return out;
    std::vector<TurnOrderEntry> work;
    for (const GameObject *obj : map->objects.items) {
        if (!obj) break;
        if (obj->initiative_rate < 1 || (obj->flags & (OBJ_DYING | OBJ_DEAD | OBJ_LEFT_MAP))) continue;
        work.push_back({obj->id, obj->owner_id, obj->initiative, obj->initiative_rate});
    }
    if (work.empty()) return out;
    for (int32_t turn = 0; turn < n; ++turn) {
        size_t chosen = work.size();
        for (size_t i = 0; i < work.size(); ++i)
            if (work[i].initiative >= MAP_TURN_INITIATIVE &&
                (chosen == work.size() || work[i].initiative > work[chosen].initiative))
                chosen = i;
        if (chosen == work.size()) {
            int64_t fewest = 0;
            for (size_t i = 0; i < work.size(); ++i) {
                const int64_t steps = steps_to_act(work[i]);
                if (chosen == work.size() || steps < fewest) {
                    chosen = i;
                    fewest = steps;
                }
            }
            if (fewest > 0)
                for (TurnOrderEntry &e : work)
                    e.initiative = int32_t(std::min<int64_t>(e.initiative + int64_t(e.initiative_rate) * fewest,
                                                             INT32_MAX));
        }
        TurnOrderEntry *entry = new (std::nothrow) TurnOrderEntry(work[chosen]);
        if (!entry || list_append(out, entry) < 0) {
            delete entry;
            break;
        }
        work[chosen].initiative = 0;
    }
    return out;
}

void map_mark_fleets(ObjectMap *map) {
    if (!map) return;
    for (GameObject *obj : map->objects.items) {
        if (!obj) break;
        if (Fleet *fleet = fleet_of(obj)) fleet->fleet_flags |= FLEET_PINGS;
    }
}
