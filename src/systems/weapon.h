#pragma once
// Weapons: what the ten weapon system types share, and the ways a weapon hurts its target.
//  - Damage goes through the target's apply_damage with a damage kind: 0 for the beam, volley,
//    missile and self-destruct types, 1 (against shields) for the triple beam, 2 (through shields)
//    for the heavy beam, 4 (heavy crew losses) for the mass driver.
//  - Three paths: a beam effect whose end applies the damage (weapon_beam_arrival), a shot whose
//    arrival calls its type's impact slot, and a blast that hurts everything within a radius with
//    a falloff towards its edge.
//  - Quiet mode (the game's resolve-at-once flag): no shots, effects, texts or sounds; damage is
//    applied at once, only when above 0, and every random draw comes from the game's fourth
//    generator so that a battle resolved twice from the same states ends the same.
//  - Game thread, or the autocombat worker while it owns the model.
#include <cstdint>
#include <string>
#include "platform/list.h"
#include "platform/result.h"
#include "systems/system.h"

struct BeamEffect;
struct GameObject;
struct ObjectMap;
struct Ship;
struct Shot;

constexpr int32_t WEAPON_ACTION_ICON = 21;
constexpr int32_t WEAPON_CHANCE_ALWAYS = 99999;   // an estimate whose real chance is the hit estimate's
// A beam's damage roll spans its value to its value plus this (the beam and the triple beam).
constexpr int32_t WEAPON_BEAM_DAMAGE_SPAN = 20;

// One distance band of a weapon's hit table (the beam, the triple beam, the mass driver).
struct WeaponBand {
    int32_t nearest;   // the band holds distances from here up
    int32_t chance, percent;
};

// ---- Shared slots and helpers ----------------------------------------------------------------------

// Beam damage moved by -3..+3, at least 1.
int32_t weapon_jitter(int32_t damage);
// Index 0 only: the label, icon 21, the system's AP cost, enabled; other indices RES_NO_ACTION.
Result weapon_action(System *system, int32_t index, std::string *label, int32_t *icon, int32_t *ap_cost,
                     int32_t *enabled, Result *state, const char *text);
// A reduced figure of a damaged system: half (at least 1) for beams.
int32_t weapon_beam_value(const System *system);
// The hit estimate of the ship's mount against the target with the roll on, and the hit roll: the
// damage, or -1 for a miss. The chance goes to *chance when given.
int32_t weapon_fire_roll(System *system, Ship *ship, GameObject *target, int32_t *chance);
// The mount point on the map.
void    weapon_mount_point(const System *system, const Ship *ship, int32_t *x, int32_t *y);
// The point of `target` a line from (x, y) meets first; its centre when the line misses its shape.
void    weapon_impact_point(GameObject *target, int32_t from_x, int32_t from_y, int32_t *x, int32_t *y);
// A yellow "missed" centred on the object (not when quiet).
void    weapon_show_missed(GameObject *obj, ObjectMap *map);
// A new shot of a template fired by the ship: named after the system, its shot text as labels,
// the ship as source and owner, the type's impact, centred on the mount point in the ship's map
// as a busy object. Null when it cannot be made.
Shot   *weapon_make_shot(System *system, Ship *ship, int32_t shot_template);
// A beam from the mount to the target's impact point carrying the damage; at its end the beam
// arrival applies it with the damage kind. `delay` ms before it starts.
BeamEffect *weapon_fire_beam(Ship *ship, GameObject *target, int32_t style, int32_t from_x, int32_t from_y,
                             int32_t damage, int32_t damage_kind, int32_t delay);
// One beam with its own hit roll: fired as above, or, when combat resolves at once, its damage applied
// straight to the target's impact point.
void    weapon_fire_rolled_beam(System *system, Ship *ship, GameObject *target, int32_t style, int32_t from_x,
                                int32_t from_y, int32_t damage_kind, int32_t delay);
// A template's low and high damage (0 when the shot factory has no such template).
void    weapon_template_damage(int32_t shot_template, int32_t *low, int32_t *high);

// ---- Impacts -----------------------------------------------------------------------------------------

// The damage a blast of radius R and base damage gives at distance d: nothing beyond R, full within
// the half radius, then falling to 30% at the edge; at least 1 inside.
int32_t weapon_blast_falloff(int32_t radius, int32_t base, int32_t d);
// Every object of the map but `skip` (and, with `spare_owner`, those of that owner) takes the blast
// from (cx, cy): sparks that deliver it, or at once when quiet. `include_volleys` multiplies the
// damage to a volley by its rounds left.
void    weapon_blast(ObjectMap *map, GameObject *source, GameObject *skip, int32_t cx, int32_t cy, int32_t radius,
                     int32_t base, bool spare_owner, uint64_t owner_id, bool include_volleys);
// The blast cloud of radius R around (cx, cy) (not when quiet).
void    weapon_blast_cloud(ObjectMap *map, int32_t cx, int32_t cy, int32_t radius);

int32_t weapon_projectile_impact(Shot *shot, GameObject *target, int32_t damage_kind);
int32_t weapon_missile_impact(Shot *shot, GameObject *target);
int32_t weapon_drain_impact(Shot *shot, GameObject *target);
// Takes the ship's points for a drain of `damage`.
void    weapon_drain(Ship *ship, int32_t damage, bool silent);

// The weapon types' init functions, by type number.
void beam_weapon_init(SystemTypeOps *ops);          // 0
void volley_gun_init(SystemTypeOps *ops);           // 1
void heavy_beam_init(SystemTypeOps *ops);           // 4
void triple_beam_init(SystemTypeOps *ops);          // 7
void missile_init(SystemTypeOps *ops);              // 8
void drain_weapon_init(SystemTypeOps *ops);         // 10
void drone_launcher_init(SystemTypeOps *ops);       // 20
void mass_driver_init(SystemTypeOps *ops);          // 22
void rocket_pod_init(SystemTypeOps *ops);           // 24
void self_destruct_init(SystemTypeOps *ops);        // 25

// The missile's shared slots (types 8 and 24).
int32_t missile_estimate(System *system, Ship *shooter, int32_t from_x, int32_t from_y, int32_t heading,
                         GameObject *target, bool roll, int32_t *damage, int32_t *effect);
Result  missile_activate(System *system, Ship *ship, GameObject *target, int32_t x, int32_t y, int32_t *extra);
int32_t missile_effective_value(const System *system);
void    missile_rows(System *system, List<SystemRow> *rows, int32_t mode);
Result  missile_action(System *system, int32_t index, std::string *label, int32_t *icon, int32_t *ap_cost,
                       int32_t *enabled, Result *state);

// The beam weapon's estimate and firing, shared with the heavy beam (`heavy` selects its own range
// rules; the heavy beam fires its own style and damage kind).
int32_t beam_estimate_common(System *system, Ship *shooter, int32_t from_x, int32_t from_y, GameObject *target,
                             bool roll, int32_t *damage, int32_t *effect, bool heavy);
Result  beam_fire_from_mount(System *system, Ship *ship, GameObject *target, int32_t style, int32_t damage_kind);
void    beam_rows(System *system, List<SystemRow> *rows, int32_t mode);
void    beam_detail_rows(System *system, List<SystemRow> *rows, int32_t mode);
Result  beam_action(System *system, int32_t index, std::string *label, int32_t *icon, int32_t *ap_cost,
                    int32_t *enabled, Result *state);
// Appends a labelled row.
void    weapon_row(List<SystemRow> *rows, const char *label, const std::string &value, int32_t highlight);

// A drone ship of hull 0 for the owner, armed by a weighted draw and turned to the heading; null
// when it cannot be made.
Ship *drone_create(uint64_t owner_id, int32_t heading);
