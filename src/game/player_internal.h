#pragma once
// Helpers the player sources share among themselves (player.cpp, player_designs.cpp,
// player_economy.cpp, player_turn.cpp); not for other modules.
#include <algorithm>
#include <cstdint>
#include <vector>
#include "game/game.h"
#include "game/player.h"
#include "platform/calendar.h"
#include "platform/geometry.h"
#include "platform/list.h"
#include "systems/system.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/site.h"

namespace player_detail {

inline constexpr int32_t DAY = int32_t(MINUTES_PER_DAY);

inline Game *game_of() { return game_get(); }

// The galaxy map's sectors owned by the player, in map order.
template <typename Fn>
inline void for_each_owned_sector(uint64_t player_id, Fn fn) {
    Game *game = game_of();
    if (!game || !game->galaxy_map || player_id == 0) return;
    ObjectMap *map = game->galaxy_map;
    for (int32_t i = 0; i < map_object_count(map); ++i) {
        Sector *sector = sector_of(map_object_at(map, i));
        if (sector && sector->owner_id == player_id) fn(sector);
    }
}

inline Sector *find_sector(uint64_t id) {
    Sector *sector = sector_of(game_find_object(game_get(), id));
    return sector;
}

inline Site *first_starbase(Sector *sector) {
    return sector && sector->site_counts[SITE_STARBASE] > 0 ? sector_find_site_of_kind(sector, SITE_STARBASE)
                                                            : nullptr;
}

inline int32_t measure(int32_t dx, int32_t dy) { return distance(dx, dy); }

inline bool system_has_subtypes(const System *system) { return system && (system->flags & SYSTEM_FLAG_SUBTYPES); }

// A stable copy of the list sorted by a byte-wise key.
template <typename T, typename Key>
inline List<T> *sorted_copy(List<T> *source, Key key) {
    List<T> *out = list_create<T>();
    if (!out) return nullptr;
    std::vector<T *> items;
    for (T *item : source->items)
        if (item) items.push_back(item);
    std::stable_sort(items.begin(), items.end(), [&](T *a, T *b) { return key(a).compare(key(b)) < 0; });
    for (T *item : items)
        if (list_append(out, item) < 0) break;
    return out;
}

}  // namespace player_detail
