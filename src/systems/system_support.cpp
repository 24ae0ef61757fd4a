// Active support system types: used in combat like weapons, but they help their own side. Two
// boost the ship's own beam evasion or damage, two give that boost to every friendly ship within
// range, one gives a second helping of movement points, and one jumps the ship to a point.
#include <algorithm>
#include "effects/effect.h"
#include "effects/effect_bubble.h"
#include "effects/effect_glow.h"
#include "effects/effect_particles.h"
#include "platform/colour_fade.h"
#include "platform/files.h"
#include "platform/sound.h"
#include "platform/str.h"
#include "systems/system_types.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"

namespace {

constexpr int32_t EVASION_BOOST_TURNS = 2;
constexpr int32_t DAMAGE_BOOST_TURNS = 3;
constexpr int32_t FLEET_BOOST_TURNS = 3;
constexpr int32_t JUMP_MS = 600;
constexpr int32_t JUMP_GLOW_MS = 500;
constexpr int32_t JUMP_GLOW_RADIUS = 8;
constexpr int32_t ICON_ACTIVATE = 202;
constexpr int32_t ICON_JUMP = 207;
constexpr int32_t ICON_AP = 51;
constexpr int32_t ICON_RECHARGE = 74;
constexpr int32_t EFFECT_LAYER = 4;
constexpr int32_t JUMP_GLOW_LAYER = 10;
constexpr int32_t SUPPORT_TEXT_FONT = 1;
constexpr int32_t TEXT_R = 200, TEXT_G = 255, TEXT_B = 190;
constexpr int32_t TEXT_STYLE_BOOST = 1;
constexpr int32_t TEXT_STYLE_DAMAGE = 4;
constexpr int32_t TEXT_STYLE_EVASION = 8;
constexpr int32_t JUMP_FILTER = FILTER_POINT | FILTER_SHAPE | FILTER_NOT_SELF;   // 19

enum class Boost { EVASION, DAMAGE };

int32_t larger_side(const GameObject *obj) { return std::max(obj->w, obj->h); }

void centre_of(const GameObject *obj, int32_t *x, int32_t *y) {
    *x = obj->x + obj->w / 2;
    *y = obj->y + obj->h / 2;
}

// Where the drive sits: the hull's frame offset point for its heading, else its centre.
void engine_point(const Ship *ship, int32_t *x, int32_t *y) {
    centre_of(ship, x, y);
    if (!ship->offset_x || !ship->offset_y) return;
    const int32_t index = ship_frame_for_heading(ship, ship->heading) - ship->offset_first;
    if (index < 0 || index >= int32_t(ship->offset_x->size()) || index >= int32_t(ship->offset_y->size())) return;
    *x = ship->x + (*ship->offset_x)[size_t(index)];
    *y = ship->y + (*ship->offset_y)[size_t(index)];
}

void place_particles(ObjectMap *map, ParticleEffect *effect, int32_t x, int32_t y, bool blocking) {
    if (!effect) return;
    effect->layer = EFFECT_LAYER;
    map_add_effect(map, effect, x - effect->surface_w / 2, y - effect->surface_h / 2);
    if (blocking) effect_set_blocking(effect);
}

// A floating figure centred above a point.
void place_text(ObjectMap *map, int32_t style, int32_t x, int32_t y, const std::string &text) {
    TextBubbleEffect *bubble = effect_create_text_bubble(style, SUPPORT_TEXT_FONT, text.c_str(), TEXT_R, TEXT_G, TEXT_B);
    if (bubble) map_add_effect(map, bubble, x - bubble->width / 2, y - bubble->height);
}

// The boost a ship receives, raised to the figure when lower; the turn counter starts again.
void give_boost(Ship *ship, Boost kind, int32_t value, int32_t turns) {
    if (kind == Boost::EVASION) {
        ship->evasion_boost = std::max(ship->evasion_boost, value);
        ship->evasion_boost_turns = turns;
        ship_recompute_stats(ship);
    } else {
        ship->damage_boost = std::max(ship->damage_boost, value);
        ship->damage_boost_turns = turns;
    }
}

// ---- Own boosts (6 evasion, 11 damage) ----

Result own_boost(System *system, Ship *ship, Boost kind) {
    give_boost(ship, kind, system->value, kind == Boost::EVASION ? EVASION_BOOST_TURNS : DAMAGE_BOOST_TURNS);
    if (system_resolve_at_once() || !ship->map) return RES_OK;
    int32_t cx = 0, cy = 0;
    centre_of(ship, &cx, &cy);
    if (kind == Boost::EVASION) {
        place_particles(ship->map, effect_create_evasion_particles(larger_side(ship) * 3 / 4), cx, cy, true);
        place_text(ship->map, TEXT_STYLE_EVASION, cx, cy, str_format("+%i", system->value));
    } else {
        int32_t ex = 0, ey = 0;
        engine_point(ship, &ex, &ey);
        place_particles(ship->map, effect_create_damage_boost_particles(larger_side(ship) / 2), ex, ey, false);
        place_text(ship->map, TEXT_STYLE_DAMAGE, cx, cy, str_format("+%i%%", system->value));
    }
    sound_play(SOUND_POWER_UP);
    return RES_OK;
}

Result evasion_boost_activate(System *system, Ship *ship, GameObject *, int32_t, int32_t, int32_t *) {
    return own_boost(system, ship, Boost::EVASION);
}
Result damage_boost_activate(System *system, Ship *ship, GameObject *, int32_t, int32_t, int32_t *) {
    return own_boost(system, ship, Boost::DAMAGE);
}

// ---- Fleet boosts (26 damage, 27 evasion) ----

Result fleet_boost(System *system, Ship *user, Boost kind) {
    if (!user->map) return RES_OK;
    const bool quiet = system_resolve_at_once();
    int32_t ux = 0, uy = 0;
    centre_of(user, &ux, &uy);
    for (int32_t i = 0; i < map_object_count(user->map); ++i) {
        Ship *other = ship_of(map_object_at(user->map, i));
        if (!other || other == user || other->owner_id != user->owner_id) continue;
        if (other->hull_flags & HULL_FLAG_NO_FLEET_BOOST) continue;
        if (object_distance_to(other, ux, uy) > system->range) continue;
        give_boost(other, kind, system->value, FLEET_BOOST_TURNS);
        if (quiet) continue;
        int32_t cx = 0, cy = 0;
        centre_of(other, &cx, &cy);
        const int32_t r = larger_side(other) * 3 / 4;
        place_particles(user->map,
                        kind == Boost::DAMAGE ? effect_create_damage_boost_particles(r) : effect_create_evasion_particles(r),
                        cx, cy, true);
        place_text(user->map, kind == Boost::DAMAGE ? TEXT_STYLE_DAMAGE : TEXT_STYLE_EVASION, cx, cy,
                   str_format("+%i", system->value));
    }
    if (!quiet) sound_play(SOUND_POWER_UP);
    return RES_OK;
}

Result fleet_damage_activate(System *system, Ship *ship, GameObject *, int32_t, int32_t, int32_t *) {
    return fleet_boost(system, ship, Boost::DAMAGE);
}
Result fleet_evasion_activate(System *system, Ship *ship, GameObject *, int32_t, int32_t, int32_t *) {
    return fleet_boost(system, ship, Boost::EVASION);
}
int32_t fleet_effective_value(const System *system) { return system->range; }

// ---- Booster (19) ----

Result booster_activate(System *, Ship *ship, GameObject *, int32_t, int32_t, int32_t *) {
    if (ship->ship_flags & SHIP_FLAG_RETREATING) return RES_OK;   // the use is spent all the same
    const int32_t added = std::max(ship->max_mp, 1);
    ship->mp += added;
    if (system_resolve_at_once() || !ship->map) return RES_OK;
    int32_t ex = 0, ey = 0, cx = 0, cy = 0;
    engine_point(ship, &ex, &ey);
    centre_of(ship, &cx, &cy);
    place_particles(ship->map, effect_create_boost_particles(larger_side(ship) / 2), ex, ey, false);
    place_text(ship->map, TEXT_STYLE_BOOST, cx, cy, str_format("+%i", added));
    sound_play(SOUND_POWER_UP);
    return RES_OK;
}

// ---- Jump drive (21) ----

}  // namespace

Result system_jump_check(const System *system, Ship *ship, int32_t x, int32_t y) {
    const int32_t dx = x - ship->w / 2, dy = y - ship->h / 2;
    if (distance(dx - ship->x, dy - ship->y) > system->range) return RES_TARGET_OUT_OF_RANGE;
    if (ship->map) {
        ObjectFilter filter;
        filter.flags = JUMP_FILTER;
        filter.px = dx;
        filter.py = dy;
        filter.self = ship;
        if (map_query_object(ship->map, &filter)) return RES_BLOCKED;
    }
    return RES_OK;
}

namespace {

Result jump_activate(System *system, Ship *ship, GameObject *, int32_t x, int32_t y, int32_t *) {
    const int32_t dx = x - ship->w / 2, dy = y - ship->h / 2;
    if (const Result r = system_jump_check(system, ship, x, y); r != RES_OK) return r;
    if (system_resolve_at_once() || !ship->map) {
        object_set_position(ship, dx, dy);
        return RES_OK;
    }
    Sprite *frame = ship->frames && ship->frame >= 0 && ship->frame < ship->frame_count ? ship->frames[ship->frame] : nullptr;
    int32_t cx = 0, cy = 0;
    centre_of(ship, &cx, &cy);
    if (GlowEffect *glow = frame ? effect_create_glow(frame) : nullptr) {
        glow->layer = JUMP_GLOW_LAYER;
        colour_fade_start(effect_glow_colour(glow), 230, 30, 30, 0, 0, 0, JUMP_MS, 0, 0);
        effect_glow_set_radius(glow, 0, JUMP_GLOW_RADIUS, JUMP_GLOW_MS);
        map_add_effect(ship->map, glow, ship->x, ship->y);
        effect_set_blocking(glow);
    }
    object_move_towards(ship, dx, dy);
    if (GlowEffect *glow = frame ? effect_create_glow(frame) : nullptr) {
        glow->layer = JUMP_GLOW_LAYER;
        effect_glow_set_radius(glow, JUMP_GLOW_RADIUS, 0, JUMP_GLOW_MS);
        map_add_effect(ship->map, glow, dx, dy);
        effect_set_blocking(glow);
    }
    object_flash(ship);
    ship->hold_ms = JUMP_MS;
    sound_play(SOUND_JUMP);
    return RES_OK;
}

// ---- Actions and rows ----

Result one_action(System *system, int32_t index, const char *label, int32_t icon, std::string *out_label,
                  int32_t *out_icon, int32_t *ap_cost, int32_t *enabled) {
    if (index != 0) return RES_NO_ACTION;
    *out_label = label;
    *out_icon = icon;
    *ap_cost = system->ap_cost;
    *enabled = 1;
    return RES_OK;
}

Result activate_action(System *s, int32_t index, std::string *label, int32_t *icon, int32_t *ap_cost, int32_t *enabled,
                       Result *) {
    return one_action(s, index, "Activate", ICON_ACTIVATE, label, icon, ap_cost, enabled);
}
Result boost_action(System *s, int32_t index, std::string *label, int32_t *icon, int32_t *ap_cost, int32_t *enabled,
                    Result *) {
    return one_action(s, index, "Boost", ICON_ACTIVATE, label, icon, ap_cost, enabled);
}
Result jump_action(System *s, int32_t index, std::string *label, int32_t *icon, int32_t *ap_cost, int32_t *enabled,
                   Result *) {
    return one_action(s, index, "Activate", ICON_JUMP, label, icon, ap_cost, enabled);
}

void boost_details(System *s, List<SystemRow> *rows, const char *label) {
    system_add_row(rows, s->spare, 0, label, str_format("+%i%%", s->value), 0);
    system_add_row(rows, ICON_AP, 0, "AP", str_format("%i", s->ap_cost), 0);
    system_add_row(rows, ICON_RECHARGE, 0, "Recharge", system_turns_text(s->recharge_turns), 0);
}
void evasion_details(System *s, List<SystemRow> *rows, int32_t) { boost_details(s, rows, "Beam Evasion"); }
void damage_details(System *s, List<SystemRow> *rows, int32_t) { boost_details(s, rows, "Beam Damage"); }
void boost_info(System *s, List<SystemRow> *rows, int32_t) {
    system_add_row(rows, s->spare, 0, nullptr, str_format("+%i%%", s->value), 0);
}
void booster_details(System *s, List<SystemRow> *rows, int32_t) {
    system_add_row(rows, s->spare, 0, "Movement", "+100%", 0);
    system_add_row(rows, ICON_RECHARGE, 0, "Recharge", system_turns_text(s->recharge_turns), 0);
}
void booster_info(System *s, List<SystemRow> *rows, int32_t) { system_add_row(rows, s->spare, 0, nullptr, "+100%", 0); }
void jump_details(System *s, List<SystemRow> *rows, int32_t) {
    system_add_row(rows, ICON_RECHARGE, 0, "Recharge",
                   str_format("%i turn%s", s->recharge_turns, s->recharge_turns == 1 ? "" : "s"), 0);
}

}  // namespace

void system_evasion_boost_init(SystemTypeOps *ops) {
    *ops = {.activate = evasion_boost_activate,
            .info_rows = boost_info,
            .detail_rows = evasion_details,
            .action = activate_action};
}
void system_damage_boost_init(SystemTypeOps *ops) {
    *ops = {.activate = damage_boost_activate,
            .info_rows = boost_info,
            .detail_rows = damage_details,
            .action = activate_action};
}
void system_booster_init(SystemTypeOps *ops) {
    *ops = {.activate = booster_activate, .info_rows = booster_info, .detail_rows = booster_details, .action = boost_action};
}
void system_jump_drive_init(SystemTypeOps *ops) {
    *ops = {.activate = jump_activate,
            .detail_rows = jump_details,
            .action = jump_action};
}
void system_fleet_damage_boost_init(SystemTypeOps *ops) {
    *ops = {.activate = fleet_damage_activate,
            .effective_value = fleet_effective_value,
            .info_rows = boost_info,
            .detail_rows = damage_details,
            .action = activate_action};
}
void system_fleet_evasion_boost_init(SystemTypeOps *ops) {
    *ops = {.activate = fleet_evasion_activate,
            .effective_value = fleet_effective_value,
            .info_rows = boost_info,
            .detail_rows = evasion_details,
            .action = activate_action};
}
