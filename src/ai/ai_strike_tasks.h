#pragma once
// Strike tasks: "colonize sector", "attack sector", "attack fleet" and the standing "defend bases".
// A strike gathers its ships into a group strong enough for the target and then moves on it: a
// scattered group first meets at the friendly place nearest to the target, a group too weak stops
// and waits, and only a gathered, strong enough group goes in.
//  - The sector-aimed types hold their target sector like the sector tasks (ai_sector_tasks.h);
//    "attack fleet" holds no pointer and finds its fleet in the player's memory each time.
//  - The required strength is worked out by every evaluation and kept in the type data between
//    turns ("attack fleet" also in the save).
//  - A group's progress lives in its ships: their move target words, their fleets' travel flags
//    and move targets, and the strike orders of ship_flags.
//  - Advance-AI thread only. Random draws come from that thread's quick generator.
#include <cstdint>

struct AgentTask;
struct AgentTaskType;
struct AiPlayer;
struct Player;

// Fills the slots of types 0, 1, 11 and 17; leaves any other type's record as it is.
void ai_strike_task_type_init(int32_t type, AgentTaskType *t);

// Where the group stands: the sector (else fleet) id every counted assignee shares, or 0 when two
// differ or none is counted. Locked ships are not counted, nor dead ones when `skip_dead` is set.
uint64_t strike_group_location(const AgentTask *task, bool skip_dead);
