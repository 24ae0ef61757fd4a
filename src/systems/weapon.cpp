// Weapons: the shared slots, and the three ways damage lands (beams, shots and blasts), with
// the drain.
#include "systems/weapon.h"

#include <algorithm>
#include <unordered_map>
#include "effects/effect.h"
#include "effects/effect_beam.h"
#include "effects/effect_bubble.h"
#include "effects/effect_particles.h"
#include "effects/effect_spark.h"
#include "game/encounter_map.h"
#include "game/game.h"
#include "platform/files.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/shot.h"

namespace {

constexpr int32_t BEAM_LINE_MS = 800;
constexpr int32_t BLAST_LAYER = 5;
constexpr int WEAPON_TEXT_FONT = 2;

// The damage a spark carries to its object, until the spark arrives.
struct SparkDamage {
    int32_t damage = 0;
    int32_t x = 0, y = 0;
};
std::unordered_map<const SparkEffect *, SparkDamage> &spark_damages() {
    static std::unordered_map<const SparkEffect *, SparkDamage> table;
    return table;
}

void spark_arrival(SparkEffect *spark, GameObject *source, GameObject *object) {
    auto &table = spark_damages();
    const auto it = table.find(spark);
    if (it == table.end()) return;
    const SparkDamage hit = it->second;
    table.erase(it);
    if (object && !(object->flags & OBJ_DEAD)) (void)object_apply_damage(object, source, hit.damage, hit.x, hit.y, 0);
}

int32_t centre_x(const GameObject *obj) { return obj->x + obj->w / 2; }
int32_t centre_y(const GameObject *obj) { return obj->y + obj->h / 2; }

// The beam arrival of each damage kind: the beam carries the damage and its end point.
template <int32_t KIND>
void beam_arrival(BeamEffect *beam, GameObject *source, GameObject *target) {
    if (!target) return;
    if (beam->hit_value < 0) {
        weapon_show_missed(target, beam->owner);
    } else {
        (void)object_apply_damage(target, source, beam->hit_value, beam->box_left + beam->to_x,
                                  beam->box_top + beam->to_y, KIND);
    }
    sound_play(SOUND_BEAM);
}

BeamFireFn *arrival_for(int32_t kind) {
    switch (kind) {
    case 1: return beam_arrival<1>;
    case 2: return beam_arrival<2>;
    case 4: return beam_arrival<4>;
    default: return beam_arrival<0>;
    }
}

// The volley's share of its damage: rounds left of the rounds it was fired with.
int32_t volley_share(const Shot *shot, int32_t damage) {
    if ((shot->shot_type_flags & SHOT_TYPE_SEGMENTED) && shot->trail_max > 0 && shot->trail_count < shot->trail_max)
        return std::max(int32_t(int64_t(damage) * shot->trail_count / shot->trail_max), 1);
    return damage;
}

}  // namespace

int32_t weapon_jitter(int32_t damage) {
    return std::max(damage + int32_t(random_magnitude(system_random()) % 7u) - 3, 1);
}


// ---- Shared slots and helpers ----

Result weapon_action(System *system, int32_t index, std::string *label, int32_t *icon, int32_t *ap_cost,
                     int32_t *enabled, Result *state, const char *text) {
    if (index != 0) return RES_NO_ACTION;
    if (label) *label = text;
    if (icon) *icon = WEAPON_ACTION_ICON;
    if (ap_cost) *ap_cost = system->ap_cost;
    if (enabled) *enabled = 1;
    if (state) *state = RES_OK;
    return RES_OK;
}

// A row without an icon, made as every system row is (the list frees it).
void weapon_row(List<SystemRow> *rows, const char *label, const std::string &value, int32_t highlight) {
    system_add_row(rows, 0, 0, label, value, highlight);
}

int32_t weapon_beam_value(const System *system) {
    if (system->status & SYSTEM_STATUS_DAMAGED) return std::max(system->value / 2, 1);
    return system->value;
}

int32_t weapon_fire_roll(System *system, Ship *ship, GameObject *target, int32_t *out_chance) {
    int32_t damage = 0, result = 0;
    const int32_t chance = object_hit_chance(ship, system->mount_index, ship->x, ship->y, ship->heading, target, 1,
                                             &damage, &result);
    if (out_chance) *out_chance = chance;
    if (chance < 0 || !system_hit_roll(chance)) return -1;
    return damage;
}

void weapon_mount_point(const System *system, const Ship *ship, int32_t *x, int32_t *y) {
    *x = ship->x + system->mount_x;
    *y = ship->y + system->mount_y;
}

void weapon_impact_point(GameObject *target, int32_t from_x, int32_t from_y, int32_t *x, int32_t *y) {
    int32_t px = from_x, py = from_y;
    if (object_impact_point(target, &px, &py) != RES_OK || (px == from_x && py == from_y &&
                                                             !object_point_test(target, target->x, target->y, px, py))) {
        px = centre_x(target);
        py = centre_y(target);
    }
    *x = px;
    *y = py;
}

void weapon_show_missed(GameObject *obj, ObjectMap *map) {
    if (system_resolve_at_once() || !obj || !map) return;
    TextBubbleEffect *t = effect_create_text_bubble(0, WEAPON_TEXT_FONT, "missed", 255, 255, 0);
    if (t) map_add_effect(map, t, centre_x(obj) - t->width / 2, centre_y(obj) - t->height / 2);
}

Shot *weapon_make_shot(System *system, Ship *ship, int32_t shot_template) {
    Shot *shot = shot_create(shot_template);
    if (!shot) return nullptr;
    shot->name = system->name;
    if (!system->shot_text.empty()) shot_set_labels(shot, system->shot_text.c_str(), system->shot_text.c_str());
    shot_set_source(shot, ship);
    shot->owner_id = ship->owner_id;
    shot_set_impact_type(shot, system->type);
    return shot;
}

BeamEffect *weapon_fire_beam(Ship *ship, GameObject *target, int32_t style, int32_t from_x, int32_t from_y,
                             int32_t damage, int32_t damage_kind, int32_t delay) {
    if (!ship->map || !target) return nullptr;
    int32_t to_x = 0, to_y = 0;
    weapon_impact_point(target, from_x, from_y, &to_x, &to_y);
    BeamEffect *beam = effect_create_beam(style, from_x, from_y, to_x, to_y);
    if (!beam) return nullptr;
    if (damage < 0) effect_beam_set_missed(beam);
    effect_beam_set_hit_value(beam, damage);
    if (delay > 0) effect_beam_set_start_delay(beam, delay);
    effect_beam_set_callback(beam, arrival_for(damage_kind), ship, target);
    map_add_action_line(ship->map, from_x, from_y, to_x, to_y, BEAM_LINE_MS);
    map_add_effect(ship->map, beam, beam->box_left, beam->box_top);
    return beam;
}

void weapon_fire_rolled_beam(System *system, Ship *ship, GameObject *target, int32_t style, int32_t from_x,
                             int32_t from_y, int32_t damage_kind, int32_t delay) {
    const int32_t damage = weapon_fire_roll(system, ship, target, nullptr);
    if (!system_resolve_at_once()) {
        (void)weapon_fire_beam(ship, target, style, from_x, from_y, damage, damage_kind, delay);
        return;
    }
    if (damage > 0 && target) {
        int32_t px = 0, py = 0;
        weapon_impact_point(target, from_x, from_y, &px, &py);
        (void)object_apply_damage(target, ship, damage, px, py, damage_kind);
    }
}

void weapon_template_damage(int32_t shot_template, int32_t *low, int32_t *high) {
    const Shot *t = shot_of(factory_get_template(OBJECT_SHOT, shot_template));
    *low = t ? t->damage_min : 0;
    *high = t ? t->damage_max : 0;
}

// ---- Blasts ----

int32_t weapon_blast_falloff(int32_t radius, int32_t base, int32_t d) {
    if (d > radius) return 0;
    const int32_t half = std::max(radius / 2, 1);
    const int32_t percent = d <= half ? 100 : (2 * half - d) * 60 / half + 30;
    return std::max(int32_t(int64_t(percent) * base / 100), 1);
}

void weapon_blast_cloud(ObjectMap *map, int32_t cx, int32_t cy, int32_t radius) {
    if (system_resolve_at_once() || !map) return;
    ParticleEffect *cloud = effect_create_blast_particles(radius);
    if (!cloud) return;
    cloud->layer = BLAST_LAYER;
    map_add_effect(map, cloud, cx, cy);
}

void weapon_blast(ObjectMap *map, GameObject *source, GameObject *skip, int32_t cx, int32_t cy, int32_t radius,
                  int32_t base, bool spare_owner, uint64_t owner_id, bool include_volleys) {
    if (!map) return;
    const bool silent = system_resolve_at_once();
    bool first_spark = true;
    // The list may change under the damage (dead objects stay until the sweep); walk a copy.
    const std::vector<GameObject *> objects = map->objects.items;
    for (GameObject *obj : objects) {
        if (!obj) break;
        if (obj == skip || (obj->flags & (OBJ_DEAD | OBJ_LEFT_MAP))) continue;
        if (spare_owner && obj->owner_id == owner_id) continue;
        int32_t px = cx, py = cy;
        if (object_impact_point(obj, &px, &py) != RES_OK) {
            px = centre_x(obj);
            py = centre_y(obj);
        }
        int32_t damage = weapon_blast_falloff(radius, base, distance(px - cx, py - cy));
        if (damage < 1) continue;
        if (include_volleys)
            if (const Shot *volley = shot_of(obj); volley && (volley->shot_type_flags & SHOT_TYPE_SEGMENTED))
                damage = std::max(damage * volley->trail_count, 1);
        if (silent) {
            (void)object_apply_damage(obj, source, damage, px, py, 0);
            continue;
        }
        SparkEffect *spark = effect_create_spark(cx, cy, px, py);
        if (!spark) continue;
        if (!first_spark) effect_spark_hide_start(spark);
        first_spark = false;
        spark_damages()[spark] = SparkDamage{damage, px, py};
        effect_spark_set_callback(spark, spark_arrival, source, obj);
        map_add_effect(map, spark, spark->box_left, spark->box_top);
    }
}

// ---- Impacts ----

int32_t weapon_projectile_impact(Shot *shot, GameObject *target, int32_t damage_kind) {
    if (!target) return 0;
    if (shot->damage < 0) {
        weapon_show_missed(target, shot->map);
        return 0;
    }
    const int32_t damage = volley_share(shot, shot->damage);
    return object_apply_damage(target, shot->source, damage, shot->impact_x, shot->impact_y, damage_kind);
}

int32_t weapon_missile_impact(Shot *shot, GameObject *) {
    const int32_t cx = centre_x(shot), cy = centre_y(shot);
    weapon_blast_cloud(shot->map, cx, cy, shot->blast_radius);
    weapon_blast(shot->map, shot->source, shot, cx, cy, shot->blast_radius, shot->damage, false, 0, true);
    return 0;
}

void weapon_drain(Ship *ship, int32_t damage, bool silent) {
    const int32_t ap_taken = std::max(ship->ap, 0), mp_taken = std::max(ship->mp, 0);
    if (ship->ap > 0) ship->ap = 0;
    if (ship->mp > 0) ship->mp = 0;
    const int32_t taken = std::max(ap_taken, mp_taken);
    if (damage > taken) ship->ap_carry -= damage - taken;
    ship->damage_boost = ship->damage_boost_turns = 0;
    ship->evasion_boost = ship->evasion_boost_turns = 0;
    ship->initiative /= 2;
    if (silent || !ship->map) return;
    if (TextBubbleEffect *t = effect_create_text_bubblef(5, WEAPON_TEXT_FONT, 100, 255, 0, "%i", int(damage)))
        map_add_effect(ship->map, t, centre_x(ship) - t->width / 2, centre_y(ship) - t->height / 2);
    sound_play(SOUND_POWER_UP);
}

int32_t weapon_drain_impact(Shot *shot, GameObject *target) {
    if (!target) return 0;
    if (shot->damage < 0) {
        weapon_show_missed(target, shot->map);
        return 0;
    }
    Ship *ship = ship_of(target);
    if (!ship) return 0;
    const int32_t damage = volley_share(shot, shot->damage);
    weapon_drain(ship, damage, system_resolve_at_once());
    return damage;
}
