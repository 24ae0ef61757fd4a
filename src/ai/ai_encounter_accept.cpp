// Encounter acceptance: own ship value against the mean known strength of every other owner, put
// in the measure of the own value.
#include "ai/ai_encounter_accept.h"

#include <new>
#include "ai/agent_task.h"
#include "ai/ai_player.h"
#include "game/encounter.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/hash.h"
#include "platform/list.h"
#include "world/object.h"
#include "world/sector.h"

namespace {

// Adds to the owner's entry of the strength map, creating it at 0. False when out of memory.
bool add_strength(HashMap<int32_t> *map, uint64_t owner, int32_t amount) {
    if (int32_t *entry = hash_map_get(map, &owner)) {
        *entry += amount;
        return true;
    }
    int32_t *entry = new (std::nothrow) int32_t(amount);
    if (!entry) return false;
    if (hash_map_set(map, &owner, entry) != RES_OK) {
        delete entry;
        return false;
    }
    return true;
}

bool own_sector(const Encounter *encounter, const Player *player) {
    if (encounter->sector_id == 0) return false;
    const GameObject *sector = game_find_object_of_kind(game_get(), OBJECT_SECTOR, encounter->sector_id);
    return sector && sector->owner_id == player->id;
}

// The player sought this battle: one of its ships in it belongs to a strike at the battle's
// target that was strong enough to move on it: an "attack fleet" strike at one of the encounter's
// fleets with the strength it asks for, or an "attack sector" strike at the encounter's sector with
// what it needs. The strike weighed the enemy against the player's own margin when it moved; the
// same player refusing the meeting it made would only make it again the next day.
bool sought(AiPlayer *ai, const Player *player, Encounter *encounter) {
    for (GameObject *obj : encounter->objects->items) {
        if (!obj) break;
        if (obj->kind != OBJECT_SHIP || obj->owner_id != player->id) continue;
        for (AiShipWord word : {AI_SHIP_GALAXY_TASK, AI_SHIP_DEFENCE_TASK}) {
            const AgentTask *task = ai_get_task(ai, ai_ship_word(obj, word));
            if (!task) continue;
            if (task->type == TASK_ATTACK_FLEET && encounter_has_fleet(encounter, task->target_id) &&
                task->assignee_value >= static_cast<const AgentTaskData *>(task)->strength)
                return true;
            if (task->type == TASK_ATTACK_SECTOR && encounter->sector_id != 0 &&
                task->target_id == encounter->sector_id && task->assigned >= task->needed)
                return true;
        }
    }
    return false;
}

}  // namespace

int32_t ai_accept_encounter(AiPlayer *ai, Player *player, Encounter *encounter) {
    if (!ai || ai->kind != AI_KIND_GALAXY || !player || !encounter) return 0;
    if (ai->enemy_strength) hash_map_clear(ai->enemy_strength);

    int64_t own = 0;
    if (encounter->objects) {
        for (GameObject *obj : encounter->objects->items) {
            if (!obj) break;
            if (obj->kind == OBJECT_SHIP && obj->owner_id == player->id) {
                own += player_object_value(obj);
                continue;
            }
            const GameObject *snapshot = player_known_object_by_id(player, obj->id);
            if (!snapshot || snapshot->kind != OBJECT_SHIP || !ai->enemy_strength) continue;
            // A strength the map cannot hold is left out; the others still count.
            (void)add_strength(ai->enemy_strength, obj->owner_id, ship_estimated_strength(snapshot));
        }
    }

    int64_t sum = 0, owners = 0;
    if (ai->enemy_strength) {
        HashMapIter<int32_t> it;
        hash_map_iter_init(&it, ai->enemy_strength);
        const void *key = nullptr;
        int32_t *strength = nullptr;
        while (hash_map_iter_next(&it, &key, &strength)) {
            if (*static_cast<const uint64_t *>(key) == player->id || !strength) continue;
            sum += *strength;
            ++owners;
        }
    }
    const int64_t enemy = ai_strength_as_value(ai, owners > 0 ? sum / owners : 0);

    if (own_sector(encounter, player) || sought(ai, player, encounter)) return 1;
    return int64_t(ai->courage) * own / 100 >= enemy ? 1 : 0;
}
