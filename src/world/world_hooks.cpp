// WorldHooks: the installed table and the running game's lookups.
#include "world/world_hooks.h"

#include "game/game.h"
#include "game/player.h"
#include "world/shot.h"

namespace {

WorldHooks g_hooks;

}  // namespace

void world_set_hooks(const WorldHooks &hooks) { g_hooks = hooks; }

const WorldHooks &world_hooks() { return g_hooks; }

Player *world_find_player(uint64_t id) {
    Game *game = game_get();
    return game && id != 0 ? game_find_player(game, id) : nullptr;
}

GameObject *world_find_object(uint64_t id) { return game_find_object(game_get(), id); }

GameObject *world_shot_target(const GameObject *shot) {
    const Shot *s = shot_of(shot);
    return s ? s->target : nullptr;
}
