#pragma once
// Helpers the world modules share among themselves; not for other modules.
#include <cstdint>
#include "game/game.h"
#include "game/player.h"
#include "world/object.h"
#include "world/object_methods.h"

struct GameObject;

// The object's seen date equals the game clock (a snapshot taken this very minute).
bool object_seen_at_clock(const GameObject *obj);

namespace world_detail {

// The operation table row of the object's kind.
inline const ObjectMethods *row(const GameObject *obj) { return object_methods(obj->kind); }

inline int32_t centre_x(const GameObject *obj) { return obj->x + obj->w / 2; }
inline int32_t centre_y(const GameObject *obj) { return obj->y + obj->h / 2; }

// The player, when there is one, learns the object.
inline void learn(Player *player, GameObject *obj, int32_t version) {
    if (player) player_learn_object(player, obj, version);
}

// Battles resolve at once (the game's resolve-at-once flag).
inline bool resolving() {
    const Game *game = game_get();
    return game && (game->flags & GAME_FLAG_RESOLVE_AT_ONCE);
}

}  // namespace world_detail
