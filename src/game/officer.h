#pragma once
// Officers: the named people of a corporation, their saved form, ranks, skills, training and
// promotion.
//  - An Officer is reference counted: officer_create gives a count of 0, the creator takes the
//    first reference (officer_retain), and officer_release frees the record (name, hired date)
//    when the count drops below 1.
//  - Ranks 0..6 from "Cadet" to "Fleet Admiral"; rank 0 is a recruit waiting in a site's pool.
//    Nine skills, normally 0..5, grouped by the experience tally that weights them at promotion.
//  - Training and skill draws use the Game's second generator, so they survive a save.
//  - Game thread only.
//  - Result codes: officer_read gives RES_SHORT_BUFFER (-15), RES_MALFORMED (-23) a bad name,
//    RES_NO_MEMORY; officer_write RES_NO_MEMORY.
#include <cstdint>
#include <string>
#include "platform/result.h"

struct Buffer;
struct Date;
struct Ship;

constexpr int OFFICER_SKILL_COUNT = 9;
constexpr int OFFICER_RANK_COUNT  = 7;
constexpr int OFFICER_SKILL_MAX   = 5;        // a skill at this level is no longer drawn

constexpr uint32_t OFFICER_FLAG_IN_POD = 0x1u;   // travelling in an escape pod

enum OfficerSkill : int {
    SKILL_COMMAND      = 0,
    SKILL_ENGINEERING  = 1,
    SKILL_FIELD_REPAIR = 2,
    SKILL_INSTRUCTION  = 3,
    SKILL_MARKSMANSHIP = 4,
    SKILL_MINING       = 5,
    SKILL_NAVIGATION   = 6,
    SKILL_SCIENCE      = 7,
    SKILL_SENSORS      = 8,
};

enum OfficerRank : int {
    RANK_CADET         = 0,
    RANK_LT_COMMANDER  = 1,
    RANK_COMMANDER     = 2,
    RANK_CAPTAIN       = 3,
    RANK_COMMODORE     = 4,
    RANK_ADMIRAL       = 5,
    RANK_FLEET_ADMIRAL = 6,
};

struct Officer {
    uint64_t    id = 0;
    int32_t     refcount = 0;
    uint32_t    flags = 0;              // OFFICER_FLAG_*
    std::string name;
    int32_t     portrait = -1;          // "pilot/%.3i.png", -1 none
    int32_t     rank = RANK_CADET;
    int32_t     experience = 0;
    uint64_t    ship_id = 0;            // ship commanded
    uint64_t    sector_id = 0;          // sector served in without a ship
    uint64_t    site_id = 0;            // starbase or site served at
    uint64_t    owner_id = 0;           // owning player, 0 none
    Date       *hired = nullptr;        // owned
    int32_t     training_cost = 0;
    int32_t     cost_reduction = 0;     // 0..600 in steps of 100
    int32_t     figures[3] = {};        // 19..22, 300, 2800 at recruitment; saved only
    int32_t     pod_minutes = 0;
    uint64_t    pod_destination = 0;    // sector id
    int32_t     skills[OFFICER_SKILL_COUNT] = {};
    int32_t     ship_tally = 0;         // experience since the last rank change, by where it was won
    int32_t     base_tally = 0;
    int32_t     command_tally = 0;
    int32_t     battles = 0;
    int32_t     kills = 0;
    int32_t     escapes = 0;
};

// A zeroed officer: name "", portrait -1, count 0, a zeroed hired date; null when out of memory.
Officer *officer_create();
void     officer_retain(Officer *officer);
void     officer_release(Officer *officer);   // frees it when the count drops below 1; null ignored

Result   officer_write(const Officer *officer, Buffer *buf);
// Reads the saved form into a new officer stored through out (freed when out is null); on failure
// the partial officer is freed and nothing is stored.
Result   officer_read(Officer **out, Buffer *buf);

// The recruitment draws: two different skills +1, the first figure, the cost reduction.
void     officer_train(Officer *officer);
// Training cost and the second and third figures, from the cost reduction and the skills.
void     officer_init_stats(Officer *officer);
// The promotion check, run after every experience gain: while the experience reaches the next
// rank's threshold (and some tally is positive) the officer rises, drawing skills above rank 1.
void     officer_hire_or_promote(Officer *officer);
// Experience and ship tally += amount (battles, galaxy days, hacks and surveys), then the promotion check.
void     officer_add_ship_experience(Officer *officer, int32_t amount);
// Experience and the base tally += amount (a starbase's command, a foreign ship held in a
// sector), then the promotion check.
void     officer_add_base_experience(Officer *officer, int32_t amount);
// The pilot's bonuses, added to a ship's statistics while they are recomputed.
void     officer_apply_ship_bonuses(const Officer *officer, Ship *ship);
// Experience and command tally += amount; with check set, the promotion check runs.
void     officer_add_experience(Officer *officer, int32_t amount, int check);
// Three skills drawn by the weight of their group's tally (-1: nothing drawn).
void     officer_pick_skills(Officer *officer, int *a, int *b, int *c);

const char *officer_rank_name(int rank);        // "" outside 0..6
int32_t     officer_rank_threshold(int rank);   // experience the rank requires; 0 outside 0..6
const char *officer_skill_name(int skill);      // "" outside 0..8
int         officer_skill_icon(int skill);      // icon frame; 109 outside 0..8
// What a Field Repair level repairs per day and up to which share of the maximum. Null outs skipped.
void        field_repair_limits(int level, int *armour_per_day, int *armour_cap_percent,
                                int *system_points, int *system_cap_percent);
