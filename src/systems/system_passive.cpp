// Passive system types: equipment that is never fired but shapes the ship that carries it while
// it recomputes its statistics (engines, sensors, shields, crew modules, armour, drives, escape
// pods, stealth fields, interdictors, boarding grids), and the point defence that reacts by
// itself to what comes near.
#include <algorithm>
#include "effects/effect_beam.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "platform/str.h"
#include "systems/system_types.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/shot.h"

namespace {

constexpr int32_t POINT_DEFENCE_CHANCE = 130;       // a sure hit before evasion
constexpr int32_t POINT_DEFENCE_JITTER = 5;         // damage moves by -5..+5 on a roll
constexpr int32_t POINT_DEFENCE_BEAM_SPEED = 200;   // the beam plays at double speed
constexpr int32_t POINT_DEFENCE_HOLD_MS = 800;      // beyond the beam's own time
constexpr int32_t ICON_DAMAGE = 126;

// The figure of a type whose strength a damaged system halves.
int32_t halved_value(const System *system) { return system_damaged(system) ? system->value / 2 : system->value; }

// ---- Rows shared by the passive figures ----

// One labelled figure: mode 0 the plain figure; mode 2 the figure the system gives now,
// highlighted while a damaged system gives less. Mode 1 shows none of these rows.
void figure_detail_row(System *system, List<SystemRow> *rows, int32_t mode, const char *label, const char *format,
                       bool halves) {
    if (mode == 1) return;
    const bool reduced = mode == 2 && halves && system_damaged(system);
    const int32_t figure = reduced ? halved_value(system) : system->value;
    system_add_row(rows, system->spare, 0, label, str_format(format, figure), reduced ? 1 : 0);
}

void figure_info_row(System *system, List<SystemRow> *rows, int32_t mode, const char *format, bool halves) {
    const bool reduced = mode == 1 && halves && system_damaged(system);
    const int32_t figure = reduced ? halved_value(system) : system->value;
    system_add_row(rows, system->spare, 0, nullptr, str_format(format, figure), reduced ? 1 : 0);
}

// ---- Engine (2) ----

void engine_passive(System *system, Ship *ship) {
    ship->thrust = halved_value(system);   // the engine applied last sets the thrust
    ship->max_ap += system->power / 5;
}
void engine_details(System *s, List<SystemRow> *rows, int32_t mode) { figure_detail_row(s, rows, mode, "Thrust", "%i", true); }
void engine_info(System *s, List<SystemRow> *rows, int32_t mode) { figure_info_row(s, rows, mode, "%i", true); }

// ---- Sensor (3) ----

void sensor_passive(System *system, Ship *ship) {
    ship->scan_cost = std::max(ship->scan_cost / 2, 1);
    ship->scan_boost = std::max(ship->scan_boost, halved_value(system));
}
void sensor_details(System *s, List<SystemRow> *rows, int32_t mode) {
    if (mode == 1) return;
    figure_detail_row(s, rows, mode, "Scan range", "+%i%%", true);
    system_add_row(rows, s->spare, 0, "Scan AP cost", "-50%", 0);
}
void sensor_info(System *s, List<SystemRow> *rows, int32_t mode) { figure_info_row(s, rows, mode, "+%i%%", true); }

// ---- Shield (5) ----

void shield_passive(System *system, Ship *ship) {
    ship->shield_strength = std::max(ship->shield_strength, halved_value(system));
}
void shield_details(System *s, List<SystemRow> *rows, int32_t mode) { figure_detail_row(s, rows, mode, "Strength", "%i", true); }
void shield_info(System *s, List<SystemRow> *rows, int32_t mode) { figure_info_row(s, rows, mode, "%i", true); }

// ---- Point defence (9) ----

void point_defence_passive(System *, Ship *ship) { ship->ship_flags |= SHIP_FLAG_POINT_DEFENCE; }

int32_t point_defence_estimate(System *system, Ship *, int32_t, int32_t, int32_t, GameObject *, bool roll,
                               int32_t *damage, int32_t *effect) {
    int32_t d = system->value;
    if (roll) {
        const int32_t jitter = int32_t(random_magnitude(system_random()) % uint32_t(2 * POINT_DEFENCE_JITTER + 1));
        d = std::max(d + jitter - POINT_DEFENCE_JITTER, 1);
    }
    if (damage) *damage = d;
    if (effect) *effect = 0;
    return POINT_DEFENCE_CHANCE;
}

// The defence beam reaches what it was fired at.
void point_defence_arrival(BeamEffect *beam, GameObject *shooter, GameObject *target) {
    if (target && beam->hit_value >= 0)
        object_apply_damage(target, shooter, beam->hit_value, beam->x + beam->to_x, beam->y + beam->to_y, 0);
    sound_play(SOUND_BEAM);
}

void point_defence_react(System *system, Ship *ship, GameObject *incoming, int32_t, int32_t, uint32_t *flags) {
    // Friendly objects are left alone unless they are shots coming for this very ship.
    if (incoming->owner_id == ship->owner_id && (incoming->kind != OBJECT_SHOT || shot_target_of(incoming) != ship))
        return;
    const int32_t mx = ship->x + system->mount_x, my = ship->y + system->mount_y;
    int32_t ix = mx, iy = my;
    if (object_impact_point(incoming, &ix, &iy) != RES_OK) {
        ix = incoming->x + incoming->w / 2;
        iy = incoming->y + incoming->h / 2;
    }
    int32_t damage = 0, result = 0;
    const int32_t chance = object_hit_chance_here(ship, system->mount_index, incoming, 1, &damage, &result);
    if (chance < 0 || !system_hit_roll(chance)) damage = -1;

    if (system_resolve_at_once()) {
        if (damage > 0) object_apply_damage(incoming, ship, damage, ix, iy, 0);
    } else if (ship->map) {
        if (BeamEffect *beam = effect_create_beam(0, mx, my, ix, iy)) {
            effect_beam_set_speed(beam, POINT_DEFENCE_BEAM_SPEED);
            if (damage < 0) beam->flags |= BEAM_MISSED;
            effect_beam_set_hit_value(beam, damage);
            effect_beam_set_callback(beam, point_defence_arrival, ship, incoming);
            map_add_effect(ship->map, beam, beam->box_left, beam->box_top);
            effect_set_blocking(beam);
            // The incoming object waits in the air until the beam has met it.
            const int32_t hold = std::max(effect_beam_duration(beam), 1) + POINT_DEFENCE_HOLD_MS;
            if (incoming->flags & OBJ_TRAVELLING) object_set_travel_delay(incoming, hold);
        }
    }
    if (flags) *flags |= SYSTEM_REACT_ENGAGED;
}

void point_defence_details(System *s, List<SystemRow> *rows, int32_t mode) {
    if (mode == 1) return;
    system_add_row(rows, ICON_DAMAGE, 0, "Damage", str_format("%i", s->value), 0);
}
void point_defence_info(System *s, List<SystemRow> *rows, int32_t) {
    system_add_row(rows, ICON_DAMAGE, 0, nullptr, str_format("%i", s->value), 0);
}

// ---- Crew module (12), armour (15), hyperdrive (16), escape pod (17), stealth (23) ----

void crew_module_passive(System *system, Ship *ship) { ship->max_crew += system->value; }
void crew_module_details(System *s, List<SystemRow> *rows, int32_t mode) { figure_detail_row(s, rows, mode, "Crew Capacity", "+%i", false); }
void crew_module_info(System *s, List<SystemRow> *rows, int32_t mode) { figure_info_row(s, rows, mode, "+%i", false); }

void armour_passive(System *system, Ship *ship) { ship->max_armour += system->value; }
void armour_details(System *s, List<SystemRow> *rows, int32_t mode) { figure_detail_row(s, rows, mode, "Armor Bonus", "+%i", false); }
void armour_info(System *s, List<SystemRow> *rows, int32_t mode) { figure_info_row(s, rows, mode, "+%i", false); }

void hyperdrive_passive(System *system, Ship *ship) { ship->mp_boost = std::max(ship->mp_boost, halved_value(system)); }
void hyperdrive_details(System *s, List<SystemRow> *rows, int32_t mode) { figure_detail_row(s, rows, mode, "Hyperspace Speed", "+%i%%", true); }
void hyperdrive_info(System *s, List<SystemRow> *rows, int32_t mode) { figure_info_row(s, rows, mode, "+%i%%", true); }

void escape_pod_passive(System *system, Ship *ship) { ship->escape_chance = std::max(ship->escape_chance, system->value); }
void escape_pod_details(System *s, List<SystemRow> *rows, int32_t mode) {
    if (mode == 0) figure_detail_row(s, rows, mode, "% effective", "%i", false);
}
void escape_pod_info(System *s, List<SystemRow> *rows, int32_t mode) { figure_info_row(s, rows, mode, "%i", false); }

void stealth_passive(System *system, Ship *ship) { ship->boost_b = std::max(ship->boost_b, halved_value(system)); }
void stealth_details(System *s, List<SystemRow> *rows, int32_t mode) { figure_detail_row(s, rows, mode, "Stealth", "%i%%", true); }
void stealth_info(System *s, List<SystemRow> *rows, int32_t mode) { figure_info_row(s, rows, mode, "%i%%", true); }

// ---- Crew shelter (18): ship damage looks for it by type ----

void crew_shelter_details(System *s, List<SystemRow> *rows, int32_t mode) {
    if (mode == 0 || mode == 2) system_add_row(rows, s->spare, 0, "Crew losses", "-75%", 0);
}

// ---- Ship bits: starbase kit (13), interdictor (28), boarding grid (29) ----

void starbase_kit_passive(System *, Ship *ship) { ship->ship_flags |= SHIP_FLAG_CONSTRUCTOR; }
void interdictor_passive(System *, Ship *ship) { ship->ship_flags |= SHIP_FLAG_INTERDICTOR; }
void boarding_grid_passive(System *, Ship *ship) { ship->ship_flags |= SHIP_FLAG_BOARDING; }

}  // namespace

void system_engine_init(SystemTypeOps *ops) {
    *ops = {.passive = engine_passive, .info_rows = engine_info, .detail_rows = engine_details};
}
void system_sensor_init(SystemTypeOps *ops) {
    *ops = {.passive = sensor_passive, .info_rows = sensor_info, .detail_rows = sensor_details};
}
void system_shield_init(SystemTypeOps *ops) {
    *ops = {.passive = shield_passive, .info_rows = shield_info, .detail_rows = shield_details};
}
void system_point_defence_init(SystemTypeOps *ops) {
    *ops = {.passive = point_defence_passive,
            .estimate = point_defence_estimate,
            .react = point_defence_react,
            .info_rows = point_defence_info,
            .detail_rows = point_defence_details};
}
void system_crew_module_init(SystemTypeOps *ops) {
    *ops = {.passive = crew_module_passive, .info_rows = crew_module_info, .detail_rows = crew_module_details};
}
void system_starbase_kit_init(SystemTypeOps *ops) { *ops = {.passive = starbase_kit_passive}; }
// The ship's network hacking on the galaxy map looks for a fitted intrusion suite by type.
void system_network_intrusion_init(SystemTypeOps *ops) { *ops = {}; }
void system_armour_init(SystemTypeOps *ops) {
    *ops = {.passive = armour_passive, .info_rows = armour_info, .detail_rows = armour_details};
}
void system_hyperdrive_init(SystemTypeOps *ops) {
    *ops = {.passive = hyperdrive_passive, .info_rows = hyperdrive_info, .detail_rows = hyperdrive_details};
}
void system_escape_pod_init(SystemTypeOps *ops) {
    *ops = {.passive = escape_pod_passive, .info_rows = escape_pod_info, .detail_rows = escape_pod_details};
}
void system_crew_shelter_init(SystemTypeOps *ops) { *ops = {.detail_rows = crew_shelter_details}; }
void system_stealth_init(SystemTypeOps *ops) {
    *ops = {.passive = stealth_passive, .info_rows = stealth_info, .detail_rows = stealth_details};
}
void system_interdictor_init(SystemTypeOps *ops) { *ops = {.passive = interdictor_passive}; }
void system_boarding_grid_init(SystemTypeOps *ops) { *ops = {.passive = boarding_grid_passive}; }
