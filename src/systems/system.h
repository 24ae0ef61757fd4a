#pragma once
// Systems: one mounted piece of ship equipment (weapon, engine, armour plate, shield, scanner,
// booster ...), the thirty system types with their templates and behaviour tables, the parameter
// files the templates come from, and the fixed save record of a system.
//  - Owns the type table: thirty SystemTypeOps records (filled by each type's init function) and
//    thirty template Systems read from "system/%.3i/dat/params.dat". system_types_load fills both
//    once; system_types_free empties them at shut-down.
//  - A System is made from its type's template (system_create), optionally with one subtype row
//    applied on top (system_create_subtype). Its reference count starts at 0: every holder (a
//    mount point, a design, a catalog) takes one with system_retain and gives it back with
//    system_release, which frees the system once the count drops below 1.
//  - Behaviour is reached only through the dispatch wrappers below, which do the documented thing
//    for an empty slot; callers never call a slot directly (the ship's hit estimate is the one
//    exception: it calls the estimate slot itself).
//  - Threads: the type table is loaded by the start-up loading thread, or on demand by the game
//    thread; loading and freeing are serialised by a lock, and readers see a table that is either
//    complete or not loaded. Systems themselves are not locked: they belong to the thread that
//    owns their ship, design or catalog under the game's hand-over rules.
//  - Result codes: RES_OUT_OF_RANGE (-2) subtype index or type out of range; RES_NO_MEMORY (-4);
//    RES_SHORT_BUFFER (-15) a parameter file or save record ends early; RES_UNSUPPORTED (-20) a
//    subtype asked of a type without subtypes; RES_MALFORMED (-23) a negative count, subtype rows
//    in a file of a type without subtypes, a save record of an unknown type; the store's codes
//    (-6, -67 ...) for a file that cannot be read; RES_TYPES_NOT_LOADED (232);
//    RES_NO_ACTION (-54) from the action slot.
#include <cstdint>
#include <string>
#include <vector>
#include "platform/list.h"
#include "platform/random.h"
#include "platform/result.h"
#include "ui/stat_rows.h"

struct Buffer;
struct Control;
struct GameObject;
struct Ship;
struct Shot;

constexpr int32_t SYSTEM_TYPE_COUNT = 30;

// The thirty system types. The number is the type's identity in files, saves and tables.
enum SystemType : int32_t {
    SYSTEM_TYPE_BEAM                = 0,    // beam weapon
    SYSTEM_TYPE_VOLLEY_GUN          = 1,    // projectile weapon firing volleys of rounds
    SYSTEM_TYPE_ENGINE              = 2,
    SYSTEM_TYPE_SENSOR              = 3,
    SYSTEM_TYPE_HEAVY_BEAM          = 4,
    SYSTEM_TYPE_SHIELD              = 5,
    SYSTEM_TYPE_EVASION_BOOST       = 6,    // raises the ship's own beam evasion
    SYSTEM_TYPE_TRIPLE_BEAM         = 7,
    SYSTEM_TYPE_MISSILE             = 8,    // missile with a blast radius
    SYSTEM_TYPE_POINT_DEFENCE       = 9,
    SYSTEM_TYPE_DRAIN               = 10,   // takes the target's action and movement points
    SYSTEM_TYPE_DAMAGE_BOOST        = 11,   // raises the ship's own beam damage
    SYSTEM_TYPE_CREW_MODULE         = 12,
    SYSTEM_TYPE_STARBASE_KIT        = 13,   // makes the ship a constructor
    SYSTEM_TYPE_NETWORK_INTRUSION   = 14,   // hacks sectors on the galaxy map
    SYSTEM_TYPE_ARMOUR              = 15,
    SYSTEM_TYPE_HYPERDRIVE          = 16,
    SYSTEM_TYPE_ESCAPE_POD          = 17,
    SYSTEM_TYPE_CREW_SHELTER        = 18,   // cuts crew losses
    SYSTEM_TYPE_BOOSTER             = 19,   // a second helping of movement points
    SYSTEM_TYPE_DRONE_LAUNCHER      = 20,
    SYSTEM_TYPE_JUMP_DRIVE          = 21,
    SYSTEM_TYPE_MASS_DRIVER         = 22,   // projectile weapon for ships only
    SYSTEM_TYPE_STEALTH             = 23,
    SYSTEM_TYPE_ROCKET_POD          = 24,   // missile, as SYSTEM_TYPE_MISSILE
    SYSTEM_TYPE_SELF_DESTRUCT       = 25,
    SYSTEM_TYPE_FLEET_DAMAGE_BOOST  = 26,
    SYSTEM_TYPE_FLEET_EVASION_BOOST = 27,
    SYSTEM_TYPE_INTERDICTOR         = 28,   // keeps enemy ships from jumping out
    SYSTEM_TYPE_BOARDING_GRID       = 29,   // lets the ship capture a starbase
};

// Status bits.
constexpr uint32_t SYSTEM_STATUS_OFFLINE = 0x1;
constexpr uint32_t SYSTEM_STATUS_DAMAGED = 0x8;

// Behaviour flags, from the parameter file.
constexpr uint32_t SYSTEM_FLAG_NEEDS_TARGET    = 0x1;       // no target object (and no 0x2): -10
constexpr uint32_t SYSTEM_FLAG_POINT_TARGET    = 0x2;       // may be aimed at a map point
constexpr uint32_t SYSTEM_FLAG_NO_CHECKS       = 0x4;       // no target checks at all
constexpr uint32_t SYSTEM_FLAG_COMBAT          = 0x8;       // usable in combat (has an action)
constexpr uint32_t SYSTEM_FLAG_NO_PILOT_BONUS  = 0x10;
constexpr uint32_t SYSTEM_FLAG_ARC             = 0x20;      // firing arc
constexpr uint32_t SYSTEM_FLAG_ROUNDS          = 0x40;      // uses rounds
constexpr uint32_t SYSTEM_FLAG_OFFENSIVE       = 0x80;      // arms the ship
constexpr uint32_t SYSTEM_FLAG_RECHARGES       = 0x100;
constexpr uint32_t SYSTEM_FLAG_UNLIMITED_RANGE = 0x200;
constexpr uint32_t SYSTEM_FLAG_SUBTYPES        = 0x400;
constexpr uint32_t SYSTEM_FLAG_ONE_PER_SHIP    = 0x800;
constexpr uint32_t SYSTEM_FLAG_NO_STATUS       = 0x1000;    // no status line
constexpr uint32_t SYSTEM_FLAG_ARMOUR_MOUNT    = 0x2000;    // armour mount points only
constexpr uint32_t SYSTEM_FLAG_SELF_TARGET     = 0x4000;    // may target its own ship
constexpr uint32_t SYSTEM_FLAG_DIRECT_FIRE     = 0x8000;    // pilot and damage bonuses apply
constexpr uint32_t SYSTEM_FLAG_ENGINE_MOUNT    = 0x10000;   // engine mount points only
constexpr uint32_t SYSTEM_FLAG_BLAST           = 0x40000;   // blast around the aimed point
constexpr uint32_t SYSTEM_FLAG_AREA            = 0x80000;   // area around the ship
constexpr uint32_t SYSTEM_FLAG_SUPPORT         = 0x100000;  // helps the own ships around it
constexpr uint32_t SYSTEM_FLAG_NO_SHOT_TARGETS = 0x200000;  // a shot target gives -13
constexpr uint32_t SYSTEM_FLAG_DIRECTED        = 0x400000;  // shown with its mount side
constexpr uint32_t SYSTEM_FLAG_HEAVY           = 0x800000;  // weighed highest by the combat AI

// Mount sides (`mount_side`); anything else reads as fore.
constexpr int32_t SYSTEM_SIDE_FORE      = 0;
constexpr int32_t SYSTEM_SIDE_PORT      = 1;
constexpr int32_t SYSTEM_SIDE_AFT       = 2;
constexpr int32_t SYSTEM_SIDE_STARBOARD = 3;

// Codes of this module that the shared table does not hold.

// The size of the save record: 22 big-endian i32.
constexpr int32_t SYSTEM_RECORD_BYTES = 88;

// One subtype row of a template: the figures a subtype puts over the template's.
struct SystemSubtype {
    std::string name;
    std::string shot_text;
    int32_t mass = 0;
    int32_t power = 0;
    int32_t value = 0;
    int32_t arc = 0;
    int32_t range = 0;
    int32_t ap_cost = 0;
    int32_t cost = 0;
    int32_t load_a = 0;
    int32_t load_b = 0;
};

struct System {
    int32_t     refcount = 0;
    int32_t     type = 0;            // 0..29
    int32_t     subtype = 0;         // applied subtype row; 0 when the type has none
    std::string name;
    uint32_t    status = 0;          // SYSTEM_STATUS_*
    Ship       *ship = nullptr;      // the owning ship, or none
    int32_t     power = 0;           // TW
    int32_t     integrity = 0;
    int32_t     recharge_left = 0;   // turns until the next use
    int32_t     mount_index = 0;     // crit holding it on its ship
    int32_t     mount_x = 0;         // the mount point relative to the ship's top-left corner
    int32_t     mount_y = 0;
    int32_t     mount_side = 0;      // SYSTEM_SIDE_*
    int32_t     rounds = 0;          // rounds left
    int32_t     facing = 0;          // degrees, added to the ship's heading
    uint32_t    flags = 0;           // SYSTEM_FLAG_*
    int32_t     spare = 0;           // carried through copies and saves; the screens take it as the
                                     // system's icon image type
    int32_t     mass = 0;            // KT
    int32_t     max_integrity = 0;
    int32_t     recharge_turns = 0;  // recharge begun by each use
    int32_t     range = 0;           // map units
    int32_t     arc = 0;             // degrees; half of it on either side of the facing
    int32_t     value = 0;           // the type's main figure (damage, strength, percentage ...)
    int32_t     ap_cost = 0;
    int32_t     cost = 0;            // credits
    int32_t     round_price = 0;     // credits per missing round at a reload
    int32_t     rounds_per_reload = 0;
    std::string aux_text;            // the text shown while the system recharges
    std::string shot_text;           // handed to the shots of projectile weapons
    int32_t     subtype_count = 0;   // templates only: the rows below
    std::vector<SystemSubtype> subtypes;
    int32_t     load_a = 0;          // first load figure (offence); ships sum it
    int32_t     load_b = 0;          // second load figure; ships sum it
    int32_t     ai_candidates = 0;   // written by the combat AI
};

// The row builders append SystemRows (ui/stat_rows.h, the stat-row table's own record) to a caller's
// list. Short info rows leave the label empty; `highlight` marks a figure reduced because the system
// is damaged.

// --- the type table ---------------------------------------------------------------------------

// Slot signatures. An empty slot means the operation does not apply to the type.
using SystemPassiveFn = void(System *system, Ship *ship);
using SystemActivateFn = Result(System *system, Ship *ship, GameObject *target, int32_t x, int32_t y,
                                int32_t *extra);
// The hit chance in percent, or a failure code when negative. Without roll it is a pure function of
// the system's record, the shooter's record (hull, statistics, officers, owner), the spot, heading and
// the target as it stands, and draws nothing: the combat AI keeps its answer for a spot for a whole
// plan, during which none of these change.
using SystemEstimateFn = int32_t(System *system, Ship *shooter, int32_t from_x, int32_t from_y,
                                 int32_t heading, GameObject *target, bool roll, int32_t *damage,
                                 int32_t *effect);
// The AI's weight of the system: reads the system's record only.
using SystemEffectiveValueFn = int32_t(const System *system);
using SystemImpactFn = int32_t(Shot *shot, GameObject *target);  // damage dealt
using SystemReactFn = void(System *system, Ship *ship, GameObject *incoming, int32_t x, int32_t y,
                           uint32_t *flags);
using SystemRowsFn = void(System *system, List<SystemRow> *rows, int32_t mode);
// RES_OK with the action's outputs, or RES_NO_ACTION when the index is not offered.
using SystemActionFn = Result(System *system, int32_t index, std::string *label, int32_t *icon,
                              int32_t *ap_cost, int32_t *enabled, Result *state);

struct SystemTypeOps {
    SystemPassiveFn        *passive = nullptr;             // ship statistics, each online system
    SystemActivateFn       *activate = nullptr;            // empty: the use succeeds doing nothing
    SystemEstimateFn       *estimate = nullptr;            // empty: chance 0, damage -1, effect 0
    SystemEffectiveValueFn *effective_value = nullptr;     // empty: 0
    SystemImpactFn         *impact = nullptr;              // a shot of the type arrives
    SystemReactFn          *react = nullptr;               // an incoming object in range
    SystemRowsFn           *info_rows = nullptr;           // short rows
    SystemRowsFn           *detail_rows = nullptr;         // labelled rows
    SystemActionFn         *action = nullptr;              // empty: no action (-54)
};

// A type's init function fills its record; the type table lists one per type (an empty entry
// leaves every slot of that type empty).
using SystemTypeInitFn = void(SystemTypeOps *ops);

// Loads the thirty types once: for each type in order, its init on a cleared record, then its
// parameter file into a new template. Returns RES_OK at once when loaded, else RES_OK or the first
// failure (logged), after which the types stay not loaded.
Result system_types_load();
void   system_types_free();                    // frees the templates; loaded no more
bool   system_types_loaded();

// The type's behaviour record (null for a type outside 0..29). Type inits and tests may fill it.
SystemTypeOps *system_type_ops(int32_t type);
// The type's template while the types are loaded, else null.
const System  *system_type_template(int32_t type);

// Subtype rows of the type's template (flag 0x400), else 0; loads the types on demand and gives 0
// for a type above 29 or when loading fails.
int32_t system_subtype_count(int32_t type);
// The template's load A, or the subtype row's for a type with subtypes (0 for a bad row); loads on
// demand, 0 for a type above 29 or when loading fails.
int32_t system_type_load_a(int32_t type, int32_t subtype);

// Decodes a parameter file at the buffer's cursor into `tmpl` (a template: its subtype rows are
// replaced). Bytes after the last field are left unread.
Result system_read_params(System *tmpl, Buffer *buf);

// Reads "system/%.3i/dat/desc.txt" into `out`: RES_OK or the store's failure; -2 for a bad type.
Result system_read_desc(int32_t type, std::string *out);

// --- systems ----------------------------------------------------------------------------------

// The jump drive's test of a spot: the ship centred on (x, y) within the system's range
// (RES_TARGET_OUT_OF_RANGE) and clear of every other object on its map (RES_BLOCKED).
Result  system_jump_check(const System *system, Ship *ship, int32_t x, int32_t y);

System *system_alloc();                                  // zeroed, empty strings; null without memory
System *system_create(int32_t type);                     // null when not loaded or for a bad type
System *system_create_subtype(int32_t type, int32_t subtype);   // null and a logged line on failure
Result  system_set_subtype(System *system, int32_t index);
void    system_copy_from_template(System *system, const System *tmpl);
void    system_copy(System *dst, const System *src);     // keeps dst's count, ship and mount fields
void    system_retain(System *system);
void    system_release(System *system);                  // frees below 1; null is ignored
void    system_free(System *system);                     // null is ignored

// The number of Systems allocated and not yet freed, for leak checks.
int64_t system_live_count();

void system_reset(System *system);            // online, undamaged, full integrity and rounds
void system_refresh(System *system);          // full integrity and rounds, no recharge left
void system_recharge_tick(System *system);    // one turn of recharge, when online
void system_clear_recharge(System *system);   // when online
// Flag 0x8, online, not recharging, not out of rounds.
bool system_is_usable(const System *system);
// The damaged status bit is set.
inline bool system_damaged(const System *system) { return system->status & SYSTEM_STATUS_DAMAGED; }

// --- dispatch ---------------------------------------------------------------------------------

int32_t system_estimate(System *system, Ship *ship, int32_t from_x, int32_t from_y, int32_t heading,
                        GameObject *target, bool roll, int32_t *damage, int32_t *effect);
int32_t system_effective_value(const System *system);
int32_t system_impact(int32_t type, Shot *shot, GameObject *target);   // 0 without a slot
bool    system_has_action(System *system);    // the action slot offers index 0

// --- activation and target checks (system_activate.cpp) ---------------------------------------

// Battles without a screen (autocombat) resolve at once: no shots, effects or sounds, damage
// applied on the spot, every draw from the game's fourth generator.
bool     system_resolve_at_once();
// One random word: the calling thread's quick generator, or the game's fourth generator while
// resolving at once.
uint32_t system_random();
// While a ship plans, neither the game's mode nor its generators change, and the option search
// draws millions of times: between system_plan_begin and system_plan_end the calling thread takes
// the resolve generator once instead of asking the game at every draw. The pairs nest; the draws
// and their order are the same either way.
void     system_plan_begin();
void     system_plan_end();
namespace system_draws {
// The generator the calling thread's plan took (null outside a plan or when draws are quick ones).
extern constinit thread_local Rng *plan_generator;
// The calling thread's plan number (0 outside a plan).
extern constinit thread_local uint64_t plan_epoch;
int32_t between_asking_the_game(int32_t lo, int32_t hi);
// lo..hi from one drawn word, for a span above one value.
inline int32_t between_of(uint32_t word, int32_t lo, int64_t span) {
    const uint32_t magnitude = random_magnitude(word);
    // A magnitude is at most 2^31, so a span that fits in 32 bits gives the same remainder there.
    const uint64_t offset = span <= int64_t(UINT32_MAX) ? magnitude % uint32_t(span) : magnitude % uint64_t(span);
    return int32_t(int64_t(lo) + int64_t(offset));
}
// lo..hi from a resolve generator; a range of one value (or none) draws nothing.
inline int32_t between_from(Rng *rng, int32_t lo, int32_t hi) {
    const int64_t span = int64_t(hi) - int64_t(lo) + 1;
    return span <= 1 ? lo : between_of(rng_next(rng), lo, span);
}
}  // namespace system_draws

// The calling thread's plan: a number no other plan of the thread had, or 0 outside a plan. What the
// candidates work out once per plan is kept under it and is gone when the plan ends.
inline uint64_t system_plan_epoch() { return system_draws::plan_epoch; }

// lo..hi inclusive from the same source. Inline: the combat planning draws in its inner loops.
inline int32_t system_random_between(int32_t lo, int32_t hi) {
    Rng *rng = system_draws::plan_generator;
    return rng ? system_draws::between_from(rng, lo, hi) : system_draws::between_asking_the_game(lo, hi);
}

// What system_random_between(lo, hi) will give once `ahead` drawing calls have been made (calls
// with a range of one value draw nothing), without drawing: within a plan only, and not when the
// generator must rebuild its block first (false).
inline bool system_random_peek_between(uint32_t ahead, int32_t lo, int32_t hi, int32_t *out) {
    Rng *rng = system_draws::plan_generator;
    uint32_t word = 0;
    if (!rng) return false;
    const int64_t span = int64_t(hi) - int64_t(lo) + 1;
    if (span <= 1) {
        *out = lo;
        return true;
    }
    if (!rng_peek(rng, ahead, &word)) return false;
    *out = system_draws::between_of(word, lo, span);
    return true;
}

// The shared hit roll: 1 + |draw| mod 100 against the chance; true for a hit (100 always hits).
bool     system_hit_roll(int32_t chance);

// RES_OUTSIDE_ARC when the system has an arc and the angle lies more than arc / 2 from the facing.
Result system_arc_test(const System *system, int32_t facing, int32_t angle);
// The target checks in their order: no checks (0x4); own ship (-13); no target (-10); a shot for a
// system that cannot aim at shots (-13); range (-11); arc (-17).
Result system_check_target(System *system, Ship *ship, GameObject *target, int32_t x, int32_t y);
// Use in combat: offline (-16), recharging (-37), out of rounds (-38), the target checks, then the
// type's activate slot; only a use that succeeds spends a round and begins the recharge.
// *ap_delta gets minus the AP cost either way; *extra is cleared and handed to the slot.
Result system_activate(System *system, Ship *ship, GameObject *target, int32_t x, int32_t y,
                       int32_t *ap_delta, int32_t *extra);
// An online system shapes its ship during a statistics recompute: the ship bits its flags imply,
// then its type's passive slot.
void   system_apply_passive(System *system, Ship *ship);
// Point defence: the type's react slot when the incoming object passes within range of the mount.
void   system_react(System *system, Ship *ship, GameObject *incoming, int32_t x, int32_t y, uint32_t *flags);

// The action a system offers at an index: RES_NO_ACTION without one, the slot's failure, else
// RES_OK with the outputs; *enabled 0 and *state the reason while the system cannot be used now.
Result system_action_state(System *system, int32_t index, std::string *label, int32_t *icon, int32_t *ap_cost,
                           int32_t *enabled, Result *state);

// Bits of the reaction flags word.
constexpr uint32_t SYSTEM_REACT_ENGAGED = 0x1;   // a point defence engaged the incoming object

// --- panels (system_rows.cpp) -------------------------------------------------------------------

// "Offline", "Damaged" or "OK" in its colour on a text label; nothing for a system without a
// status line (0x1000) or without integrity.
void system_status_line(const System *system, Control *label);
// Labelled rows (mode 0 catalogs, 1 the type's rows only, 2 the ship's own panel) and short rows.
void system_detail_rows(System *system, List<SystemRow> *rows, int32_t mode);
void system_info_rows(System *system, List<SystemRow> *rows, int32_t mode);
// Appends one row; the type files build theirs with it. A null label makes a short row.
void system_add_row(List<SystemRow> *rows, int32_t icon_type, int32_t icon_frame, const char *label,
                    const std::string &value, int32_t highlight);
// "1 turn", "2 turns": a count of combat turns as the rows show it.
std::string system_turns_text(int32_t turns);

// --- save record ------------------------------------------------------------------------------

// Appends the 88-byte record; RES_NO_MEMORY leaves the buffer as it was.
Result system_write_record(const System *system, Buffer *buf);
// Rebuilds a system from its type's template and the record. On success the system goes to *out
// with a count of 0 (freed when out is null); on failure nothing is left behind.
Result system_read_record(System **out, Buffer *buf);
