#pragma once
// Sector tasks: "explore sector", "scan sector", "gather feature" and "defend sector" send ships to
// one sector and keep them there until it is known, scanned, emptied of its feature or safe. This
// module also holds what every task aimed at a sector shares (the strike tasks use it): the sector
// link, the description, the closeness score, the supply and research links, the movement order.
//  - A task holds one reference on its target sector, taken by link or relink and dropped by free.
//    The player's copy of the sector is looked up afresh at every use (the type data keeps the
//    last one found): a copy the player forgets in between is never read through a stale pointer.
//  - Scores are worked out in 64 bits and held to the 32-bit range where they leave a slot, so
//    the largest galaxy's cubed distances cannot wrap.
//  - Advance-AI thread only, while the game thread leaves the galaxy map alone. No lock.
//  - relink gives RES_UNRESOLVED_ID (4312) for a target sector that cannot be found.
#include <cstdint>
#include <string>
#include "platform/result.h"

struct AgentTask;
struct AgentTaskData;
struct AgentTaskType;
struct AiPlayer;
struct GameObject;
struct Player;

// Fills the slots of types 2, 4, 9 and 12; leaves any other type's record as it is.
void ai_sector_task_type_init(int32_t type, AgentTaskType *t);

// ---- What every task aimed at a sector shares ----

// Looks the target id up and keeps it when it is a sector (one reference) and sets `flags`;
// logs and keeps nothing otherwise.
void   sector_task_link(AgentTask *task, uint32_t flags);
Result sector_task_relink(AgentTask *task);
void   sector_task_free(AgentTask *task);
// ", target #id \"name\"" with the sector's display name.
void   sector_task_describe_target(const AgentTask *task, std::string *text);

void    ai_object_centre(const GameObject *obj, int32_t *x, int32_t *y);
// The map diagonal less the distance of the target sector's centre from the AI's map centre;
// negative for a sector farther than the diagonal. The diagonal when the task has no sector.
// Held within 2^20 of zero (a damaged save's map or sector lies anywhere).
int64_t sector_task_closeness(const AgentTask *task, const AiPlayer *ai);
// The player's copy of the target sector, or null; remembered in the type data.
GameObject *sector_task_known(AgentTask *task, const Player *player);

bool ai_ship_has_working_engine(GameObject *ship);
bool ai_ship_has_power(GameObject *ship);   // a working system adds to its first power total
// The ship_utility slot of "defend sector", "attack sector" and "attack fleet": 1 for a ship with
// power (ai_ship_has_power), else 0.
inline int32_t sector_task_power_utility(AgentTask *, GameObject *ship) { return ai_ship_has_power(ship) ? 1 : 0; }

// Sends one ship to the target unless it is there already or its fleet is heading there.
void sector_task_move_ship(const AgentTask *task, GameObject *ship);
// The same for every assignee, in list order.
void sector_task_move_assignees(const AgentTask *task);

// The listed "build ship" task whose design is fastest (by maximum MP) or strongest (by first
// power total); the first wins ties, a task whose design is gone is passed over. 0 when none.
uint64_t ai_fastest_design_task(AiPlayer *ai, Player *player);
uint64_t ai_strongest_design_task(AiPlayer *ai, Player *player);
// The first listed "build ship" task whose design carries the ship flag, or 0.
uint64_t ai_design_task_with_flag(AiPlayer *ai, Player *player, uint32_t ship_flag);
// The first "train pilot" task of that pilot class: in the listed tasks or in the task map.
uint64_t ai_listed_pilot_task(AiPlayer *ai, uint32_t pilot_class);
uint64_t ai_mapped_pilot_task(AiPlayer *ai, uint32_t pilot_class);
// The "research tech" task of the technology, or 0 (also for t < 0).
uint64_t ai_research_task_of(AiPlayer *ai, int32_t tech);
// The first of the technologies not yet researched, or -1.
int32_t  ai_first_unresearched(const Player *player, const int32_t *techs, int32_t count);
// The first of the AI's preferred technologies that can be queued now, or -1.
int32_t  ai_preferred_tech(const AiPlayer *ai, const Player *player);

// Sets the second link to the research task of `tech` when that link is empty.
void sector_task_link_research(AgentTask *task, AiPlayer *ai, int32_t tech);
// Without assignees: the first link names the task of the fastest design; with them it is empty.
void sector_task_supply_link(AgentTask *task, AiPlayer *ai, Player *player);

// Clamps a 64-bit score into a slot's 32-bit word.
int32_t ai_clamp32(int64_t v);

// The game clock's minute count (0 without a clock).
uint64_t ai_clock_minutes();
