#pragma once
// Ship: the object kind 0, a hull made from one of nine templates with mount points (crits) on
// which systems are fitted.
//  - Owns the Ship record that follows the GameObject header, the Crit record, the fitting rules,
//    the mount-point geometry that follows the rotation frames, the ship's memberships (sector,
//    fleet, pilot), its statistics, combat orders and turn cycle, its damage and destruction, the
//    template parameter file, the factory's four load groups, the save record with its link step
//    and the copy into a player's snapshot.
//  - A ship holds one reference on every fitted system, on its pilot and on its scan target. The
//    per-frame tables (crit positions, frame offsets, hull centres) belong to the template that read
//    them (ship_flags 0x8); ships made from it share them, and a template that reads its parameter
//    file again makes new tables without pulling the old ones from under the ships that use them.
//  - Statistics fields are never set by hand: ship_recompute_stats derives them from the template
//    figures, the fitted systems, the crew and the pilot.
//  - Sectors, fleets, officers, players' memories and statistics are the model's own records, reached
//    directly (objects and players by id through the running game's lookups, world_hooks.h). Only the
//    combat AI's plan and act go up through the world hooks; an empty table plans nothing and ends
//    the ship's turn.
//  - Game thread, except ship_plan (the combat AI thread, while the game thread waits for it) and
//    the autocombat worker, which owns the model while it runs. No locks.
//  - Result codes: RES_OUT_OF_RANGE (-2) bad crit index or no scan target; RES_BAD_MOUNT (-9);
//    RES_TARGET_OUT_OF_RANGE (-11); RES_NO_ACTION_POINTS (-12); RES_MOUNT_OCCUPIED (-14);
//    RES_SHORT_BUFFER (-15); RES_SYSTEM_OFFLINE (-16); RES_OUTSIDE_ARC (-17); RES_UNSUPPORTED (-20)
//    a ship that cannot turn; RES_MALFORMED (-23) a bad parameter file
//    (also one whose rotation, alternate, offset or extra frame range passes the frames the template
//    has: the parameter group then fails); RES_ONE_PER_SHIP (-28);
//    RES_BLOCKED (-33); RES_NO_MOVEMENT_POINTS (-36); RES_WRONG_MOUNT_TYPE (-43);
//    RES_RETREATING (-56), RES_NO_JUMP_PLACE (-57), RES_CANNOT_JUMP (-58); RES_NO_FREE_POSITION
//    (-62); RES_POWER_EXCEEDED (639, a refused fit); RES_UNRESOLVED_ID (4312) a link that did not
//    resolve; RES_NO_PLACEMENT (4317) no design frame; RES_READ_FAILED (-5) a frame that does not
//    load; the store's codes for files it cannot read.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "platform/geometry.h"
#include "platform/result.h"
#include "world/object.h"

struct Buffer;
struct Date;
struct Factory;
struct FactoryFrame;
struct ObjectMethods;
struct Graphics;
struct Officer;
struct Site;
struct System;

constexpr int32_t SHIP_TEMPLATE_COUNT = 9;

// Hull templates other rules name by number.
constexpr int32_t SHIP_HULL_DRONE    = 0;   // machine-faction drones and ARK ships
constexpr int32_t SHIP_HULL_CARRIER  = 1;   // the machine faction's carrier
constexpr int32_t SHIP_HULL_SENTINEL = 4;   // starbase guards

// Crit::mount_type.
constexpr int32_t MOUNT_SYSTEM = 0;
constexpr int32_t MOUNT_ENGINE = 1;
constexpr int32_t MOUNT_ARMOUR = 2;

// Crit::direction and the four shield facings: 0 Fore, 1 Port, 2 Aft, 3 Starboard.
constexpr int32_t SHIP_FACINGS = 4;
constexpr int32_t CRIT_DISPLAY_WORDS = 4;

// Ship::ship_flags.
constexpr uint32_t SHIP_FLAG_POINT_DEFENCE  = 0x1;       // carries a reacting system
constexpr uint32_t SHIP_FLAG_SHIELD_DISPLAY = 0x2;       // shields shown after a hit
constexpr uint32_t SHIP_FLAG_DESIGN         = 0x4;       // a player's design
constexpr uint32_t SHIP_FLAG_TEMPLATE       = 0x8;       // owns the per-frame tables
constexpr uint32_t SHIP_FLAG_CONSTRUCTOR    = 0x10;      // carries a working starbase kit
constexpr uint32_t SHIP_FLAG_ONE_OFF_DESIGN = 0x20;      // a design dropped once its ship is built
constexpr uint32_t SHIP_FLAG_RETREATING     = 0x40;
constexpr uint32_t SHIP_FLAG_RETREATED      = 0x80;
constexpr uint32_t SHIP_FLAG_POD_ESCAPED    = 0x100;     // the pilot left in an escape pod
constexpr uint32_t SHIP_FLAG_ORDER_A        = 0x200;     // galaxy order bits, cleared at the galaxy turn
constexpr uint32_t SHIP_FLAG_UNSETTLED      = 0x800;     // not yet in a fleet or sector: no hacking
constexpr uint32_t SHIP_FLAG_SURVEY         = 0x1000;    // galaxy order bit: survey the sector
constexpr uint32_t SHIP_FLAG_ORDER_B        = 0x2000;
constexpr uint32_t SHIP_FLAG_FIELD_REPAIR   = 0x4000;    // the pilot repairs repair_crit
constexpr uint32_t SHIP_FLAG_ARMED          = 0x10000;   // an online offensive system
constexpr uint32_t SHIP_FLAG_SUPPORT_READY  = 0x20000;   // a usable support system
constexpr uint32_t SHIP_FLAG_DRONE          = 0x40000;   // launched drone: no pilot experience
constexpr uint32_t SHIP_FLAG_DIRECT_WEAPONS = 0x80000;   // an online direct-fire or blast weapon
constexpr uint32_t SHIP_FLAG_INTERDICTOR    = 0x100000;  // an online interdiction field
constexpr uint32_t SHIP_FLAG_BOARDING       = 0x200000;  // an online boarding grid
constexpr uint32_t SHIP_FLAG_DETAILED_COPY  = 0x400000;  // a snapshot with its systems
// The bits the online systems' passives set; a recompute clears them first.
constexpr uint32_t SHIP_FLAGS_FROM_SYSTEMS = SHIP_FLAG_POINT_DEFENCE | SHIP_FLAG_CONSTRUCTOR | SHIP_FLAG_ARMED |
                                             SHIP_FLAG_SUPPORT_READY | SHIP_FLAG_DIRECT_WEAPONS |
                                             SHIP_FLAG_INTERDICTOR | SHIP_FLAG_BOARDING;

// Ship::hull_flags, from the template: a bit set, every bit of it named here.
constexpr uint32_t HULL_FLAG_ROTATING         = 0x1;       // rotation frames follow the heading
constexpr uint32_t HULL_FLAG_IMMOBILE         = 0x2;       // no movement points
constexpr uint32_t HULL_FLAG_PLAYER_BUILDABLE = 0x4;       // offered to players for their designs
constexpr uint32_t HULL_FLAG_OFF_BATTLE_MAP   = 0x8;       // left off the battle's overview map
constexpr uint32_t HULL_FLAG_NO_TAG_NAME      = 0x10;      // its combat tag shows no name
constexpr uint32_t HULL_FLAG_NO_JUMP          = 0x20;      // never jumps out of a battle
constexpr uint32_t HULL_FLAG_NO_PILOT         = 0x40;      // unmanned: no commander, no crew
constexpr uint32_t HULL_FLAG_NO_TURN          = 0x80;      // keeps its heading
constexpr uint32_t HULL_FLAG_TEMPLATE_NAME    = 0x100;     // built ships take the template's name
constexpr uint32_t HULL_FLAG_NARROW_BARS      = 0x200;     // ship lists draw its value bars narrow
constexpr uint32_t HULL_FLAG_NO_SCAN          = 0x400;     // cannot scan
constexpr uint32_t HULL_FLAG_NO_FLEET_BOOST   = 0x800;     // the fleet boosts pass over it
constexpr uint32_t HULL_FLAG_FREE_SCAN        = 0x1000;    // scans cost no action points
constexpr uint32_t HULL_FLAG_QUICK_UNPILOTED  = 0x2000;    // +5 initiative rate without a pilot
constexpr uint32_t HULL_FLAG_CHEAP_TURN       = 0x4000;    // a turn costs 1
constexpr uint32_t HULL_FLAG_FIXED_AP         = 0x8000;    // 12 action points
constexpr uint32_t HULL_FLAG_TURN_UNBLOCKED   = 0x10000;   // turns never meet other objects
constexpr uint32_t HULL_FLAG_NO_SYSTEM_DAMAGE = 0x20000;   // hits never reach the systems
constexpr uint32_t HULL_FLAG_RANGE_LIMITED    = 0x40000;   // its beams: nothing beyond range, nearer counts as close
constexpr uint32_t HULL_FLAG_SHOT_TRACKING    = 0x80000;   // its beams: a bonus against shots

// Damage kinds (the last argument of apply_damage), a bit set.
constexpr int32_t DAMAGE_ANTI_SHIELD = 1;   // doubled against a shield, up to the shield's points
constexpr int32_t DAMAGE_PASS_SHIELD = 2;   // shields neither used nor reduced
constexpr int32_t DAMAGE_HEAVY_CREW  = 4;   // more crew losses

constexpr int32_t SHIP_AI_SCRATCH_BYTES = 300;
constexpr int32_t SHIP_AI_TASKS = 3;
constexpr int32_t SHIP_MOVE_ARC = 30;
constexpr int32_t SHIP_RETREAT_TURNS = 3;
constexpr int32_t SHIP_HIT_DISPLAY_MS = 1250;
constexpr int32_t SHIP_INITIATIVE_STEP = 833;      // per kind of leftover point at turn end
constexpr int32_t SHIP_FIXED_AP = 12;
constexpr int32_t SHIP_MAX_AP = 64;
constexpr int32_t SHIP_MAX_MP = 64;

// A per-frame table read from a parameter file: owned by the template, shared by its ships.
using ShipFrameTable = std::shared_ptr<const std::vector<int32_t>>;

// A planned combat action of a computer-controlled ship: up to eight steps, each with the ship's
// position and heading after it. The system types' AI candidates build it, the combat AI scores it
// and carries it out (it is scratch: neither saved nor copied).
constexpr int32_t SHIP_PLAN_STEPS = 8;
enum ShipPlanCode : int32_t {
    PLAN_MOVE = -1,          // move to (x, y)
    PLAN_SCAN = -2,          // scan the target
    PLAN_TURN = -3,          // turn to heading; (x, y) is the position after the turn
    PLAN_END_EFFECTS = -4,   // finish the turn with the turn effects (begins a retreat)
    PLAN_NONE = -5,          // end the turn
    // 0 and above: use the system in the crit of that index
};
struct ShipPlanStep {
    int32_t     code = PLAN_NONE;
    int32_t     x = 0, y = 0;            // the ship's top-left corner after the step
    int32_t     heading = 0;             // after the step
    GameObject *target = nullptr;        // not held
    int32_t     target_x = 0, target_y = 0;
    int32_t     hit_chance = 0;          // expected, percent
    int32_t     damage = 0;              // expected
};
struct ShipPlan {
    int32_t      step_count = 0;         // 0: the candidate offers nothing
    int32_t      score = 0;              // written by the planner
    int32_t      index = 0;              // the candidate index, written by the planner
    ShipPlanStep steps[SHIP_PLAN_STEPS];
};

// One mount point.
struct Crit {
    int32_t        x = 0, y = 0;            // on frame 0 (heading 0), from its top-left corner; >= 0
    int32_t        mount_type = MOUNT_SYSTEM;
    int32_t        direction = 0;           // the fitted system faces direction x 90 degrees
    int32_t        order = 0;               // reading-order rank among the crits
    int32_t        position_count = 0;      // entries of frame_x, frame_y
    ShipFrameTable frame_x, frame_y;        // the mount point in each frame, by frame number
    // The mount's system card in the ship panel's card area: its x, y and the point its connector
    // line leaves from (x, y), for the unturned hull.
    int32_t        display[CRIT_DISPLAY_WORDS] = {};
    System        *system = nullptr;        // fitted; one reference held
};

struct Ship : GameObject {
    uint32_t    ship_flags = 0;
    std::string ship_name = "Unnamed";
    std::string design_name;
    uint64_t    sector_id = 0;              // the sector whose object list holds the ship
    uint64_t    fleet_id = 0;               // the fleet whose ship list holds the ship
    Date       *built_date = nullptr;       // owned
    Date       *arrival_date = nullptr;     // owned: when the ship entered its current sector
    int32_t     crit_count = 0;
    Crit       *crits = nullptr;            // crit_count, owned
    GameObject *scan_target = nullptr;      // one reference held
    Officer    *pilot = nullptr;            // one reference held
    int32_t     hit_display_ms = 0;
    int32_t     armour = 0;
    int32_t     crew = 0;
    int32_t     shields[SHIP_FACINGS] = {};
    int32_t     ap = 0;
    int32_t     ap_carry = 0;               // added to max_ap and max_mp at the next turn begin
    int32_t     mp = 0;
    int32_t     base_frame_w = 0, base_frame_h = 0;
    int32_t     retreat_countdown = 0;
    int32_t     death_ms = 0;
    int32_t     aux_word = 0;
    int32_t     hack_count = 0;
    int32_t     hack_timer = 0;
    int32_t     damage_boost = 0;
    int32_t     damage_boost_turns = 0;
    int32_t     repair_crit = 0;
    int32_t     repair_turns = 0;
    int32_t     engine_hit_rest = 0;
    int32_t     evasion_boost = 0;
    int32_t     evasion_boost_turns = 0;
    int32_t     roll_value = 0;
    // Template figures (copied by ship_copy_template).
    uint32_t       hull_flags = 0;
    int32_t        rot_first = 0, rot_last = 0;
    // The hull's pictures as every screen shows them (frame numbers of its sprites):
    int32_t        icon_frame = 0;          // the icon slot: the ship lists' row picture
    int32_t        design_frame = 0;        // frame 0 enlarged, where the mounts are placed; negative: none
    int32_t        frame_c = 0;             // the small icon
    int32_t        frame_d = 0;             // the list picture
    int32_t        picture_frame = 0;       // the picture slot
    int32_t        alt_first = 0, alt_last = 0;
    int32_t        offset_first = 0, offset_last = 0;
    int32_t        extra_first = 0, extra_last = 0;
    ShipFrameTable offset_x, offset_y;      // frames offset_first..offset_last
    ShipFrameTable centre_x, centre_y;      // frames rot_first..rot_last
    int32_t        base_max_armour = 0;
    int32_t        base_max_crew = 0;
    int32_t        base_mass = 0;
    int32_t        roll_min = 0, roll_max = 0;
    int32_t        base_scan_cost = 0;
    int32_t        base_scan_range = 0;
    int32_t        base_cost = 0;
    int32_t        base_build_a = 0, base_build_b = 0;
    // The ship panel's card area: the hull picture (frame tmpl_c, -1 none) stands at (tmpl_a, tmpl_b)
    // in it and each crit's display words place its system card there (Crit::display).
    int32_t        tmpl_a = 0, tmpl_b = 0, tmpl_c = 0;
    int32_t        death_duration = 0;      // ms of the destruction animation
    // Statistics (ship_recompute_stats).
    int32_t     move_arc = 0;
    int32_t     effective_mp = 0;           // galaxy speed, parsecs per day
    int32_t     online_load_a = 0, online_load_b = 0;
    int32_t     all_load_a = 0, all_load_b = 0;
    int32_t     capacity_used = 0;
    int32_t     capacity_max = 0;           // the hull's power capacity; saved per ship
    int32_t     shield_max = 0;
    int32_t     thrust = 0;
    int32_t     evasion = 0;
    int32_t     damage_bonus = 0;
    int32_t     turn_cost = 0;
    int32_t     scan_cost = 0, scan_range = 0;
    int32_t     shield_strength = 0;
    int32_t     max_armour = 0, max_crew = 0, max_ap = 0, max_mp = 0;
    int32_t     systems_ap = 0;             // the AP the online systems give before a commander's
    int32_t     mass_figure = 0;
    int32_t     cost = 0;
    int32_t     build_a = 0, build_b = 0;
    int32_t     retreat_turns = 0;
    int32_t     escape_chance = 0;
    int32_t     scan_boost = 0;
    int32_t     engine_hit_rate = 0;
    int32_t     mp_boost = 0;
    int32_t     boost_b = 0;                // stealth percent
    // Pilot as last seen, and a snapshot's stored figures.
    uint64_t    pilot_id = 0;
    std::string pilot_text = "No commander";
    int32_t     pilot_rank = 0;
    int32_t     snap_mass = 0, snap_capacity_used = 0, snap_max_armour = 0, snap_shield_max = 0;
    int32_t     snap_x = 0, snap_y = 0;
    int32_t     damage_from = 0;            // a snapshot's damage dealt to its holder
    // The AI players' words, kept, copied and saved.
    uint64_t    ai_task_ids[SHIP_AI_TASKS] = {};
    uint8_t     ai_scratch[SHIP_AI_SCRATCH_BYTES] = {};
    int32_t     ai_word = 0;                // combat AI: turns and moves carried out in a row
    int32_t     turn_scratch = 0;
    std::string owner_label;                // empty: show the owner's name
    uint8_t     owner_label_r = 0, owner_label_g = 0, owner_label_b = 0;
    ShipPlan    option;                 // the candidate the combat AI is looking at
};

// The ship of an object, or null when it is not one (or is a stub).
// Inline: the combat planning asks it for every object it weighs.
inline Ship *ship_of(GameObject *obj) {
    if (!obj || obj->kind != OBJECT_SHIP || (obj->flags & OBJ_STUB)) return nullptr;
    return static_cast<Ship *>(obj);
}
inline const Ship *ship_of(const GameObject *obj) { return ship_of(const_cast<GameObject *>(obj)); }

// ---- Kind set-up (object_kinds.cpp) ----------------------------------------------------------------

void     ship_register_methods(ObjectMethods *row);
void     ship_factory_init(Factory *factory);   // kind 0, nine templates, the load groups

// ---- Record, crits and fitting ---------------------------------------------------------------------

uint32_t    ship_size();
const char *ship_type_name();                       // "Ship"
void        ship_init(GameObject *obj);
void        ship_free(GameObject *obj);
void        ship_copy_template(GameObject *obj, const GameObject *tmpl);
void        ship_on_created(GameObject *obj);

void    ship_alloc_crits(Ship *ship, int32_t n);   // frees the old ones; n < 0: none
void    ship_free_crits(Ship *ship);               // releases the fitted systems
System *ship_get_crit_system(const Ship *ship, int32_t i);
int32_t ship_count_mount0_crits(const Ship *ship);
const char *ship_crit_direction_name(int32_t direction);   // "Fore" for anything but 1..3
Result  ship_check_crit_fit(const Ship *ship, int32_t i, const System *system);
// Fits (system) or empties (null) crit i; a fitted system gets a reference and its mount fields.
Result  ship_set_crit_system(Ship *ship, int32_t i, System *system);
// The crit's position scaled from frame 0 onto the design frame.
Result  ship_crit_position_for_frame(const Ship *ship, int32_t i, int32_t *x, int32_t *y);
Result  ship_get_crit_display_params(const Ship *ship, int32_t i, int32_t *a, int32_t *b, int32_t *c,
                                     int32_t *d);
int32_t ship_has_system_type(const Ship *ship, int32_t type);   // 1: a fitted one not offline

// Parameter-file setters; a bad index is logged and ignored.
void ship_set_crit(Ship *ship, int32_t i, int32_t x, int32_t y, int32_t mount_type, int32_t direction);
void ship_set_crit_positions(Ship *ship, int32_t i, int32_t n, const int32_t *xs, const int32_t *ys);
void ship_set_crit_display_params(Ship *ship, int32_t i, int32_t a, int32_t b, int32_t c, int32_t d);

// "ship/%.3i/dat/desc.txt" into text.
Result ship_load_description(int32_t template_index, std::string *text);

// ---- Memberships ------------------------------------------------------------------------------------

void ship_set_pilot(Ship *ship, Officer *officer);      // null: no pilot
void ship_set_sector(Ship *ship, GameObject *sector);   // null: none
void ship_set_fleet(Ship *ship, GameObject *fleet);     // null: none
// The centre of its fleet, else of its sector, else (0, 0).
void ship_get_galaxy_position(Ship *ship, int32_t *x, int32_t *y);

// ---- Frames and headings ---------------------------------------------------------------------------

void    ship_set_heading(GameObject *obj, int32_t heading);   // the set_heading slot
// The frame of first..last showing the heading: the turn is split into last - first + 1 equal
// sectors, each centred on its frame's heading. An empty range gives first.
int32_t ship_frame_in_range(int32_t heading, int32_t first, int32_t last);
// Inline, as the move searches ask it for every heading they try. A range of at most 65,536 frames
// (every hull's) is worked in 32 bits from the heading's turn in 0..359; other ranges take the
// general path. Both give the same frame.
inline int32_t ship_frame_for_heading(const Ship *ship, int32_t heading) {
    if (!(ship->hull_flags & HULL_FLAG_ROTATING)) return 0;
    const int64_t n = int64_t(ship->rot_last) - ship->rot_first + 1;
    if (n < 1 || n > 65536) return ship_frame_in_range(heading, ship->rot_first, ship->rot_last);
    const int32_t count = int32_t(n);
    const int32_t turned = (angle_normalize(heading) + 180 / count) % 360;
    return turned * count / 360 + ship->rot_first;
}
int32_t ship_frame_for_heading_alt(const Ship *ship, int32_t heading);
// The top-left corner (x, y) corrected for the frame change between two headings.
void    ship_adjust_position_for_heading(const Ship *ship, int32_t old_heading, int32_t new_heading,
                                         int32_t *x, int32_t *y);
int32_t ship_turn_is_blocked(Ship *ship, int32_t heading);   // 1: the turned sprite meets something
void    ship_max_frame_size(const GameObject *obj, int32_t *w, int32_t *h);   // the frame_extent slot
void    ship_get_frame_extent(const Ship *ship, int32_t *w, int32_t *h);

// ---- Statistics -------------------------------------------------------------------------------------

// Derives every statistics field from the template figures, the systems, the crew and the pilot.
void ship_recompute_stats(Ship *ship);

// ---- Orders and queries (ship_orders.cpp) -----------------------------------------------------------

// The MP cost of moving the top-left corner to (x, y): -11 beyond the MP range, -17 outside the
// move arc, -36 too few MP, -33 the destination is occupied.
Result  object_move_cost(Ship *ship, int32_t x, int32_t y, int32_t *cost);
Result  ship_move(Ship *ship, int32_t x, int32_t y, int show_line);
Result  ship_turn(Ship *ship, int32_t heading);          // -20 cannot turn, -12 AP short, -33 blocked
int32_t ship_can_turn(const Ship *ship);                 // 1: the AP cover a turn
Result  ship_check_scan_target(Ship *ship, GameObject *target);   // -2, -12, -11
// Scans the target; the caller spends scan_cost after a result of 0.
Result  ship_scan(Ship *ship, GameObject *target);
Result  ship_check_weapon_target(Ship *ship, int32_t crit, GameObject *target);   // -9, -16, -12, the checks
// Uses the system of a crit: -9, -12, then system_activate's codes; the AP are spent on success.
Result  ship_use_system(Ship *ship, int32_t crit, GameObject *target, int32_t x, int32_t y, int32_t *out);
void    ship_begin_retreat(Ship *ship);
void    ship_retreat_step(Ship *ship);
bool    ship_is_retreating(const Ship *ship);    // counting down to leave the battle
bool    ship_has_retreated(const Ship *ship);    // left the battle by retreating
// The ship stays in the battle: its retreat is called off (the countdown is set afresh when it
// next begins one).
void    ship_abort_retreat(Ship *ship);
int32_t ship_can_jump(Ship *ship, Result *code);         // 1 ready; else *code -58, -56, -12 or -57
void    ship_add_ap(Ship *ship, int32_t delta);          // clamped to 0..max_ap
void    ship_add_armour(Ship *ship, int32_t delta);      // clamped to 0..max_armour, then recomputed
void    ship_set_crew(Ship *ship, int32_t n);            // clamped to 0..max_crew, then recomputed
// What the ship is, by its flags.
bool    ship_is_drone(const Ship *ship);
bool    ship_is_constructor(const Ship *ship);         // carries a starbase kit
bool    ship_is_interdictor(const Ship *ship);         // holds enemy ships from jumping
bool    ship_pod_escaped(const Ship *ship);            // its pilot got away in an escape pod
bool    ship_is_detailed_copy(const Ship *ship);       // a snapshot that carries the scanned details
void    ship_clear_scan_target(Ship *ship);
void    ship_refill_shields(Ship *ship);
// The maximum AP a ship of this design reaches, by the rule its recompute applies: a = without a
// commander, total = with a commander (before his skills) and a full crew.
void    ship_design_ap_estimate(const Ship *ship, int32_t *a, int32_t *total);
// What a repair would restore, summed over the systems, in load figures.
int32_t ship_system_power_summary(const Ship *ship);
// The to-hit slot and the point-defence slot.
int32_t ship_hit_chance(GameObject *obj, int32_t crit, int32_t x, int32_t y, int32_t heading, GameObject *target,
                        int32_t mode, int32_t *damage, int32_t *result);
void    ship_intercept(GameObject *obj, GameObject *incoming, int32_t x, int32_t y, int32_t *intercepted);

// ---- The turn cycle and the galaxy day (ship_turns.cpp) ---------------------------------------------

void   ship_update(GameObject *obj, int32_t dt);
void   ship_encounter_begin(GameObject *obj);
void   ship_turn_begin(GameObject *obj);
void   ship_turn_end(GameObject *obj);
void   ship_reset_state(GameObject *obj);
void   ship_galaxy_turn(GameObject *obj);
void   ship_advance_clock(GameObject *obj, int32_t minutes);   // network hacking and survey
Result ship_plan(GameObject *obj);                             // the owner's combat AI plans
Result ship_act(GameObject *obj);                              // ... and carries it out (no AI: ends the turn)

// ---- Damage and destruction (ship_damage.cpp) ------------------------------------------------------

// The apply_damage slot: (x, y) is the impact point on the map; kind is DAMAGE_* bits. Returns the
// shield maximum after the final recompute.
int32_t ship_apply_damage(GameObject *obj, GameObject *shooter, int32_t amount, int32_t x, int32_t y, int32_t kind);
void    ship_on_killed(GameObject *obj);                            // the destruction animation
void    ship_draw(GameObject *obj, Graphics *graphics, int32_t x, int32_t y);   // with the shield display
void    ship_color_for_level(const Ship *ship, int32_t facing, uint8_t *r, uint8_t *g, uint8_t *b, int32_t *width);
// The shield display of every facing at once: its colour, and its level clamped to 0..255.
struct ShipFacingTints {
    uint8_t level[SHIP_FACINGS] = {};
    uint8_t r[SHIP_FACINGS] = {}, g[SHIP_FACINGS] = {}, b[SHIP_FACINGS] = {};
};
ShipFacingTints ship_facing_tints(const Ship *ship);
int32_t ship_repair_cost(const Ship *ship);
int32_t ship_needs_repair(const Ship *ship);
int32_t ship_needs_reload(const Ship *ship);
void    ship_repair_and_reload(Ship *ship);
// A constructor becomes a starbase under construction in its sector; null (the ship unchanged)
// without a sector, with another owner there or a starbase already there.
Site   *ship_deploy_starbase(Ship *ship);

// ---- Parameter files, load groups, save record ------------------------------------------------------

// Decodes a parameter file at the buffer's cursor into a template.
Result  ship_read_params(Ship *tmpl, Buffer *buf);
// The factory's slots: group 0 (the parameter file and frame sizes) and the frames of groups 1..3.
Result  ship_load_params(GameObject *tmpl);
void    ship_group_frames(const GameObject *tmpl, int32_t group, std::vector<FactoryFrame> *out);
int32_t ship_frame_is_special(const Ship *tmpl, int32_t frame);

Result ship_write(const GameObject *obj, Buffer *buf);
Result ship_read(GameObject *obj, Buffer *buf);
Result ship_link(GameObject *obj);
void   ship_copy_record(GameObject *dest, const GameObject *src, int32_t version);
