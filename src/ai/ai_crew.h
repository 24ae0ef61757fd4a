#pragma once
// Crew, pilot, repair and scrap tasks of the galaxy AI: training pilots at training sites, bringing
// ships to officers and officers to starbases, carrying crew between starbases and ships, repairing
// damaged ships at home and breaking up old ones; and the refit of a hull's system.
//  - The task types' slots run on the thread of the galaxy command (the advance-AI thread during a
//    turn); they change ships, officers and sites directly.
//  - ai_refit_crit: RES_OK with the copy mounted and the old system released, or the mounting
//    failure (RES_OUT_OF_RANGE, RES_WRONG_MOUNT_TYPE, RES_POWER_EXCEEDED ...) with the old system
//    still mounted and the copy untouched (the caller still owns it).
#include <cstdint>
#include "platform/result.h"

struct AgentTaskType;
struct Officer;
struct Ship;
struct Site;
struct System;

constexpr int32_t PILOT_CLASS_COMBAT   = 0;
constexpr int32_t PILOT_CLASS_GALAXY   = 1;
constexpr int32_t PILOT_CLASS_STARBASE = 2;

// The kind of ship or starbase an officer's skills suit best.
int32_t  officer_pilot_class(const Officer *officer);
// The first officer of the site's officer list whose class is the starbase class, or null.
Officer *site_find_starbase_pilot(const Site *site);

// Replaces the system of the crit by the copy: the copy is mounted first and the old system is kept
// when that fails.
Result ai_refit_crit(Ship *ship, int32_t crit, System *copy);

// Fills the slots of the crew, pilot, repair and scrap task types (13, 14, 15, 16, 18, 23).
void ai_crew_task_type_fill(int32_t type, AgentTaskType *t);
