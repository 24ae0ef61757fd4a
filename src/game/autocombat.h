#pragma once
// Autocombat: how a battle ends and carries its result back to the galaxy.
//  - encounter_autocombat fights a battle out at once, without the combat screen, on the Game's
//    combat map, with the battle's encounter graphics loaded first (their frames are the ships'
//    shapes, which every range and hit test reads): it plays autocombat turns until the end test finishes the battle, or until no shot
//    and no armed ship is left, or until 16 turns per placed object pass without damage; then the
//    ships still on the field retreat. It applies the outcome and ends the combat (finished
//    encounters leave the Game's list, which may free `enc`: a caller that still needs the record
//    holds a reference of its own; the combat map is emptied, removed objects are purged).
//  - encounter_disengage ends a battle in which nobody chose to fight: in deep space the fleets are
//    shown again; in a sector the owner whose ship arrived first stays and every other owner's ships
//    leave as one retreating fleet per owner.
//  - encounter_apply_outcome records the victor on the encounter (the first side whose ships are
//    still fighting, read before the retreated bits are cleared; 0 for none) and turns a finished
//    battle into galaxy changes: leaving ships form new fleets, the victor takes the salvage, a
//    starbase is captured or destroyed (with news for both owners), the machine faction's site
//    counts its losses, the sides learn each other's ships, the Battle for Sol hands the Sol sector
//    to its victor, and the battle's objects are released.
//  - Computer sides act through the world hooks ai_plan_ship / ai_act_ship; a side without a combat
//    AI ends its turns (see ship_act), so such a battle ends by the idle rule.
//  - While autocombat runs, the Game's resolve-at-once flag is set: systems roll with the Game's
//    fourth generator and make no shots, effects or sounds.
//  - Runs on the Game's AI encounter thread while the game thread waits (the thread rule of game.h),
//    or on the game thread (the combat screen's "Continue"). No lock; no result codes: missing
//    sectors, players, fleets or site features skip the steps that need them.
#include <cstdint>

struct Encounter;
struct GameObject;

// The sector a side retreats to: the nearest other sector the owner holds or has an object in, else
// the nearest other owned sector, else the first other sector; null without any. Distances run from
// the battle's centre to the sectors' centres; ties keep the first in galaxy-map order.
GameObject *encounter_find_retreat_sector(Encounter *enc, uint64_t owner_id);
void        encounter_disengage(Encounter *enc);
void        encounter_autocombat(Encounter *enc);
void        encounter_apply_outcome(Encounter *enc);

// A battle ends when no shot and no armed ship remains, or after this many turns per placed object
// without damage.
constexpr int32_t AUTOCOMBAT_IDLE_TURNS_PER_OBJECT = 16;
// A leaving fleet starts this far from the battle's centre, towards its retreat sector.
constexpr int32_t AUTOCOMBAT_RETREAT_OFFSET = 10;
