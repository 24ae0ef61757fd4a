#pragma once
// The combat AI's candidate plans of the system types: how many each type offers and how each
// candidate is built into the ship's plan (Ship::option) from a few shared steps: turn, move and
// use. Candidates are randomised; their index ranges decide how often each manoeuvre is tried.
//  - Owns the candidate table: one row per system type that offers candidates, with its fixed
//    count and the family that builds them. A type without a row offers none.
//  - Every run function returns RES_OK with the plan written (a plan of 0 steps offers nothing),
//    or RES_OUT_OF_RANGE for a user that is not a ship or an index outside the type's range;
//    system_ai_run_candidate gives RES_NO_CANDIDATE (-60) for a type without a row.
//  - Runs on the combat AI thread while the game thread waits; draws from system_random.
//  - Within a plan (system_plan_begin .. end) the direct weapons keep, per thread, the start their
//    candidates share and what a use from each spot gives; outside a plan nothing is kept.
#include <cstdint>
#include "systems/system.h"
#include "world/ship.h"

struct AiPlayer;

// Builds candidate `index` of the system into the ship's plan.
using SystemAiRunFn = Result(System *system, AiPlayer *ai, Ship *ship, GameObject *target, int32_t index);

// A row of the candidate table.
struct SystemAiRow {
    int32_t        type = -1;
    int32_t        candidates = 0;   // indices 0 .. candidates - 1
    SystemAiRunFn *run = nullptr;    // the family that builds them
};

// The type's row, or null for a type without candidates (or outside 0..29).
const SystemAiRow *system_ai_row(int32_t type);
// Candidates a type offers (0 for the types without).
int32_t system_ai_candidate_total(int32_t type);
// The dispatch the combat AI uses: 0 candidates for a system that is not usable or whose type has
// no row; the row's family runs the candidate, or RES_NO_CANDIDATE without a row.
int32_t system_ai_candidate_count(System *system, AiPlayer *ai, Ship *ship, int32_t heading);
Result  system_ai_run_candidate(System *system, AiPlayer *ai, Ship *ship, GameObject *target, int32_t index);

// Where a plan has got to while its steps are added.
struct PlanCursor {
    Ship     *ship = nullptr;
    ShipPlan *plan = nullptr;
    int32_t   x = 0, y = 0, heading = 0;   // the ship's top-left corner and heading so far
    int32_t   ap = 0, mp = 0;              // points left
    // From the top-left corner to the ship's centre in the frame of centre_for_heading, when
    // centre_known: it depends on the heading alone (the frame shown), so a move keeps it and only a
    // turn asks for it again. Bearings and uses ask it over and over.
    mutable bool    centre_known = false;
    mutable int32_t centre_for_heading = 0;
    mutable int32_t centre_dx = 0, centre_dy = 0;
};

// Empties the ship's plan (its count: every step is written whole when it is added) and starts a
// cursor at the ship as it stands. Inline: every candidate and option begins with it.
inline void system_ai_begin(Ship *ship, PlanCursor *at) {
    ship->option.step_count = 0;
    ship->option.score = 0;
    ship->option.index = 0;
    *at = PlanCursor{.ship = ship, .plan = &ship->option, .x = ship->x, .y = ship->y, .heading = ship->heading,
                     .ap = ship->ap, .mp = (ship->hull_flags & HULL_FLAG_IMMOBILE) ? 0 : ship->mp};
}
// A turn towards the heading when it lies beyond half the move arc: a random turn of spread 6,
// then 12. false when the ship cannot turn or no turn is free (the candidate ends).
bool system_ai_turn_towards(PlanCursor *at, int32_t heading);
// A move near the heading of mp_min..mp_max points; false when none is free.
bool system_ai_move(PlanCursor *at, int32_t heading, int32_t mp_min, int32_t mp_max);
// A use of the system at the target (hit estimate above 0 with damage) or, without a target, at
// the point; false when out of range, arc or AP.
bool system_ai_use(PlanCursor *at, System *system, GameObject *target, int32_t x, int32_t y);
// A use that needs no hit estimate (support systems, detonation): AP only.
bool system_ai_use_plain(PlanCursor *at, System *system, GameObject *target, int32_t x, int32_t y);
// The heading from the cursor's centre towards a point.
int32_t system_ai_bearing(const PlanCursor *at, int32_t x, int32_t y);

// Families.
Result system_ai_direct_run(System *system, AiPlayer *ai, Ship *ship, GameObject *target, int32_t index);   // 0, 4, 22
Result system_ai_volley_run(System *system, AiPlayer *ai, Ship *ship, GameObject *target, int32_t index);   // 1
Result system_ai_missile_run(System *system, AiPlayer *ai, Ship *ship, GameObject *target, int32_t index);  // 8, 24
Result system_ai_drone_run(System *system, AiPlayer *ai, Ship *ship, GameObject *target, int32_t index);    // 20
Result system_ai_detonate_run(System *system, AiPlayer *ai, Ship *ship, GameObject *target, int32_t index); // 25
Result system_ai_jump_run(System *system, AiPlayer *ai, Ship *ship, GameObject *target, int32_t index);     // 21
Result system_ai_fleet_boost_run(System *system, AiPlayer *ai, Ship *ship, GameObject *target, int32_t index); // 26, 27
