#pragma once
// The commander's combat task map as the planning (ai_combat.cpp) and the assignment search
// (ai_combat_assign.cpp) walk it: each task in the map's order, its own ships, and the task a ship holds
// and held before the assignment (kept in the ship's AI words). Threads: those of ai_combat.h.
#include <cstdint>
#include <vector>
#include "ai/agent_task.h"
#include "ai/ai_player.h"
#include "platform/hash.h"
#include "world/ship.h"

inline uint64_t ai_combat_task_of(const Ship *s) { return ai_ship_word(s, AI_SHIP_COMBAT_TASK); }
inline void ai_combat_set_task(Ship *s, uint64_t id) { ai_ship_set_word(s, AI_SHIP_COMBAT_TASK, id); }
inline uint64_t ai_combat_previous_of(const Ship *s) { return ai_ship_word(s, AI_SHIP_PREVIOUS_COMBAT_TASK); }
inline void ai_combat_set_previous(Ship *s, uint64_t id) { ai_ship_set_word(s, AI_SHIP_PREVIOUS_COMBAT_TASK, id); }

// Calls f with every task of the commander's map, in the map's order.
template <class F>
void ai_combat_each_task(AiPlayer *ai, F &&f) {
    if (!ai->tasks) return;
    HashMapIter<AgentTask> iter;
    hash_map_iter_init(&iter, ai->tasks);
    AgentTask *task = nullptr;
    while (hash_map_iter_next(&iter, nullptr, &task))
        if (task) f(task);
}

// The commander's own ships on the combat map, as its plan listed them.
inline std::vector<Ship *> ai_combat_listed_ships(AiPlayer *ai) {
    std::vector<Ship *> out;
    if (!ai->ships) return out;
    for (GameObject *obj : ai->ships->items)
        if (Ship *s = ship_of(obj)) out.push_back(s);
    return out;
}
