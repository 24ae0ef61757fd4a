// Ship statistics: everything a ship can do, derived from its hull, systems, crew and pilot.
#include "world/ship.h"

#include "game/officer.h"
#include "platform/saturate.h"
#include "systems/system.h"
#include "world/world_hooks.h"

namespace {

constexpr int32_t TURN_COST_BASE = 5;
constexpr int32_t TURN_COST_MASS = 1250;        // one more AP per this much mass
constexpr int32_t PILOT_AP_BASE = 2;
constexpr int32_t PILOT_AP_CREW = 200;          // one more AP per this much crew
constexpr int32_t UNPILOTED_INITIATIVE = 10;
constexpr int32_t UNPILOTED_QUICK_INITIATIVE = 5;
constexpr int32_t MIN_MOBILE_MP = 2;
constexpr int32_t SNAPSHOT_MASSLESS_MP = 10;
constexpr int32_t MASS_FIGURE_BASE = 5;
constexpr int32_t MASS_FIGURE_UNIT = 1000;
constexpr int32_t BUILD_STEP = 100;             // build figures grow in whole hundreds

int32_t at_least(int32_t value, int32_t low) { return value < low ? low : value; }
int32_t clamp(int32_t value, int32_t low, int32_t high) { return value < low ? low : value > high ? high : value; }

// What a commander adds to the AP: a base and one per 200 crew.
int32_t commanded_ap(int32_t crew) { return PILOT_AP_BASE + crew / PILOT_AP_CREW; }
// The AP limit: the hull's fixed figure, else 1 .. the most a ship takes.
int32_t bounded_ap(const Ship *ship, int32_t ap) {
    return (ship->hull_flags & HULL_FLAG_FIXED_AP) ? SHIP_FIXED_AP : clamp(ap, 1, SHIP_MAX_AP);
}

}  // namespace

void ship_recompute_stats(Ship *ship) {
    // 1. Mass. A snapshot that was never seen in detail keeps the figures it was given.
    const bool stored_figures = (ship->flags & OBJ_SNAPSHOT) && ship->snapshot_version <= 0;
    // The figures of a loaded ship and its systems are the save's: every sum is taken wide and held
    // at the int32_t limits.
    int64_t total_mass = ship->base_mass;
    for (int32_t i = 0; i < ship->crit_count; ++i)
        if (const System *s = ship->crits[i].system) total_mass += s->mass;
    int32_t mass = at_least(saturate_i32(total_mass), 1);
    if (stored_figures) mass = ship->snap_mass;
    ship->mass = mass;

    // 2. Back to the hull's own figures.
    ship->scan_cost = ship->base_scan_cost;
    ship->scan_range = ship->base_scan_range;
    ship->max_armour = ship->base_max_armour;
    ship->max_crew = ship->base_max_crew;
    // Every bit an online system sets goes first, the interdiction field's and the boarding grid's
    // too: a ship whose field or grid was taken out must not keep the bit.
    ship->ship_flags &= ~SHIP_FLAGS_FROM_SYSTEMS;
    ship->evasion = ship->evasion_boost;
    ship->turn_cost = TURN_COST_BASE + mass / TURN_COST_MASS;
    ship->initiative_rate = 0;
    ship->thrust = ship->damage_bonus = ship->shield_strength = ship->escape_chance = 0;
    ship->scan_boost = ship->mp_boost = ship->boost_b = 0;
    ship->max_ap = ship->max_mp = 0;
    ship->online_load_a = ship->online_load_b = ship->all_load_a = ship->all_load_b = 0;
    ship->move_arc = SHIP_MOVE_ARC;
    ship->retreat_turns = SHIP_RETREAT_TURNS;

    // 3. The systems: all count towards the loads, the online ones shape the ship.
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        System *s = ship->crits[i].system;
        if (!s) continue;
        ship->all_load_a = saturate_add_i32(ship->all_load_a, s->load_a);
        ship->all_load_b = saturate_add_i32(ship->all_load_b, s->load_b);
        if (s->status & SYSTEM_STATUS_OFFLINE) continue;
        system_apply_passive(s, ship);
        ship->online_load_a = saturate_add_i32(ship->online_load_a, s->load_a);
        ship->online_load_b = saturate_add_i32(ship->online_load_b, s->load_b);
    }

    ship->systems_ap = ship->max_ap;

    // 4. The pilot.
    if (ship->pilot) {
        officer_apply_ship_bonuses(ship->pilot, ship);
        ship->max_ap = saturate_add_i32(ship->max_ap, commanded_ap(ship->crew));
    } else {
        ship->initiative_rate += UNPILOTED_INITIATIVE;
        if (ship->hull_flags & HULL_FLAG_QUICK_UNPILOTED) ship->initiative_rate += UNPILOTED_QUICK_INITIATIVE;
    }

    // 5. Movement.
    if (ship->hull_flags & HULL_FLAG_IMMOBILE) {
        ship->max_mp = 0;
    } else if (mass <= 0) {   // only a snapshot with stored figures gets here
        ship->max_mp = SNAPSHOT_MASSLESS_MP;
    } else {
        ship->max_mp = at_least(saturate_add_i32(ship->max_mp, ship->thrust / mass), MIN_MOBILE_MP);
    }

    // 6.-8. Shields, armour, action and movement points.
    ship->shield_max = ship->shield_strength;
    ship->max_armour = at_least(ship->max_armour, 1);
    ship->max_ap = bounded_ap(ship, ship->max_ap);
    if (ship->max_mp > SHIP_MAX_MP) ship->max_mp = SHIP_MAX_MP;
    ship->effective_mp =
        ship->mp_boost > 0 ? saturate_i32(int64_t(ship->max_mp) * (100 + int64_t(ship->mp_boost)) / 100) : ship->max_mp;

    // 9.-10. Power, price and build figures.
    if (!stored_figures) {
        int64_t power = 0, prices = 0;
        for (int32_t i = 0; i < ship->crit_count; ++i)
            if (const System *s = ship->crits[i].system) {
                power += s->power;
                prices += s->cost;
            }
        ship->capacity_used = saturate_i32(power);
        ship->cost = saturate_i32(ship->base_cost + prices);
        const int64_t build = BUILD_STEP * ((prices / 3) / BUILD_STEP);
        ship->build_a = saturate_i32(ship->base_build_a + build);
        ship->build_b = saturate_i32(ship->base_build_b + build);
    } else {
        ship->capacity_used = ship->snap_capacity_used;
        ship->max_armour = ship->snap_max_armour;
        ship->shield_max = ship->snap_shield_max;
        ship->cost = 0;
        ship->build_a = 1;
        ship->build_b = 2;
    }

    // 11.-13.
    ship->mass_figure = MASS_FIGURE_BASE + mass / MASS_FIGURE_UNIT;
    ship->engine_hit_rate = ship->max_armour <= 100 ? 100 : ship->max_armour <= 200 ? 80 : 60;
    ship->initiative_rate = at_least(ship->initiative_rate, 1);
    if ((ship->hull_flags & HULL_FLAG_CHEAP_TURN) || ship->turn_cost < 1) ship->turn_cost = 1;
    ship->scan_cost = (ship->hull_flags & HULL_FLAG_FREE_SCAN) ? 0 : at_least(ship->scan_cost, 1);
}

void ship_design_ap_estimate(const Ship *ship, int32_t *a, int32_t *total) {
    if (a) *a = bounded_ap(ship, ship->systems_ap);
    if (total) *total = bounded_ap(ship, saturate_add_i32(ship->systems_ap, commanded_ap(ship->max_crew)));
}
