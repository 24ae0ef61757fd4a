#pragma once
// The AI's words on a ship: which galaxy, defence and combat task it serves, the scratch of the
// assignment searches and where the galaxy command is to send it.
//  - The model keeps Ship::ai_task_ids (saved) and ai_scratch (memory only) for the AI; only the
//    AI gives them meaning, through these accessors: task ids 0 galaxy, 1 defence, 2 combat; the
//    scratch holds the previous task id of a search (bytes 0..7), the move target (8..15) and the
//    previous combat task id (16..23), each in native byte order.
//  - The lock bit: a ship of a fleet that retreated from a battle is not assigned this turn.
//  - The thread running the owner's command.
#include <cstdint>
#include <cstring>
#include "world/ship.h"

constexpr uint32_t AI_SHIP_LOCKED = 0x400u;   // in Ship::ship_flags

inline uint64_t ai_ship_scratch_u64(const Ship *ship, int32_t at) {
    uint64_t v = 0;
    std::memcpy(&v, ship->ai_scratch + at, sizeof v);
    return v;
}
inline void ai_ship_set_scratch_u64(Ship *ship, int32_t at, uint64_t v) {
    std::memcpy(ship->ai_scratch + at, &v, sizeof v);
}

inline uint64_t ai_ship_galaxy_task(const Ship *ship) { return ship->ai_task_ids[0]; }
inline void     ai_ship_set_galaxy_task(Ship *ship, uint64_t id) { ship->ai_task_ids[0] = id; }
inline uint64_t ai_ship_defence_task(const Ship *ship) { return ship->ai_task_ids[1]; }
inline void     ai_ship_set_defence_task(Ship *ship, uint64_t id) { ship->ai_task_ids[1] = id; }
inline uint64_t ai_ship_combat_task(const Ship *ship) { return ship->ai_task_ids[2]; }
inline void     ai_ship_set_combat_task(Ship *ship, uint64_t id) { ship->ai_task_ids[2] = id; }
inline uint64_t ai_ship_previous_task(const Ship *ship) { return ai_ship_scratch_u64(ship, 0); }
inline void     ai_ship_set_previous_task(Ship *ship, uint64_t id) { ai_ship_set_scratch_u64(ship, 0, id); }
inline uint64_t ai_ship_move_target(const Ship *ship) { return ai_ship_scratch_u64(ship, 8); }
inline void     ai_ship_set_move_target(Ship *ship, uint64_t id) { ai_ship_set_scratch_u64(ship, 8, id); }
inline uint64_t ai_ship_previous_combat_task(const Ship *ship) { return ai_ship_scratch_u64(ship, 16); }
inline void     ai_ship_set_previous_combat_task(Ship *ship, uint64_t id) { ai_ship_set_scratch_u64(ship, 16, id); }
inline bool     ai_ship_locked(const Ship *ship) { return (ship->ship_flags & AI_SHIP_LOCKED) != 0; }
