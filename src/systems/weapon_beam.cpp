// Beam weapon (type 0): a red beam from the mount point that lands its damage when it fires.
#include "systems/weapon.h"

#include <algorithm>
#include "game/game.h"
#include "platform/files.h"
#include "platform/str.h"
#include "world/object.h"
#include "world/ship.h"

namespace {

constexpr int32_t BEAM_WEAPON_STYLE = 0;
constexpr int32_t RANGE_LIMITED_DISTANCE = 179;

// The distance bands of a beam, farthest first.
constexpr WeaponBand BEAM_BANDS[] = {{201, 60, 20}, {181, 70, 40}, {161, 80, 50}, {141, 90, 60},
                                     {121, 100, 70}, {101, 100, 80}, {81, 100, 90}, {0, 100, 100}};

const WeaponBand &band(int32_t d) {
    for (const WeaponBand &b : BEAM_BANDS)
        if (d >= b.nearest) return b;
    return BEAM_BANDS[sizeof BEAM_BANDS / sizeof BEAM_BANDS[0] - 1];
}

int32_t beam_estimate(System *system, Ship *shooter, int32_t from_x, int32_t from_y, int32_t, GameObject *target,
                      bool roll, int32_t *damage, int32_t *effect) {
    return beam_estimate_common(system, shooter, from_x, from_y, target, roll, damage, effect, false);
}

Result beam_activate(System *system, Ship *ship, GameObject *target, int32_t, int32_t, int32_t *) {
    return beam_fire_from_mount(system, ship, target, BEAM_WEAPON_STYLE, 0);
}

}  // namespace

Result beam_action(System *system, int32_t index, std::string *label, int32_t *icon, int32_t *ap_cost,
                   int32_t *enabled, Result *state) {
    return weapon_action(system, index, label, icon, ap_cost, enabled, state, "Fire");
}

Result beam_fire_from_mount(System *system, Ship *ship, GameObject *target, int32_t style, int32_t damage_kind) {
    int32_t mx = 0, my = 0;
    weapon_mount_point(system, ship, &mx, &my);
    weapon_fire_rolled_beam(system, ship, target, style, mx, my, damage_kind, 0);
    return RES_OK;
}

int32_t beam_estimate_common(System *system, Ship *shooter, int32_t from_x, int32_t from_y, GameObject *target,
                             bool roll, int32_t *damage, int32_t *effect, bool heavy) {
    if (effect) *effect = 0;
    const int32_t base = weapon_beam_value(system);
    int32_t dmg = roll ? system_random_between(base, base + WEAPON_BEAM_DAMAGE_SPAN) : base + WEAPON_BEAM_DAMAGE_SPAN / 2;
    if (!target) {
        if (damage) *damage = 0;
        return 0;
    }
    int32_t d = distance(target->x - from_x, target->y - from_y);
    const bool beyond = d > system->range;
    const bool at_shot = target->kind == OBJECT_SHOT;
    if (!heavy && shooter && (shooter->hull_flags & HULL_FLAG_RANGE_LIMITED)) d = std::min(d, RANGE_LIMITED_DISTANCE);
    if (heavy && shooter && at_shot) {
        const Game *game = game_get();
        if (game && game->combat_ai_player_id != 0 && shooter->owner_id == game->combat_ai_player_id) d = std::min(d, 140);
    }
    if (beyond) {
        if (damage) *damage = 0;
        return 0;
    }
    const WeaponBand &b = band(d);
    int32_t chance = b.chance;
    dmg = dmg * b.percent / 100;
    if (!heavy && shooter && (shooter->hull_flags & HULL_FLAG_SHOT_TRACKING) && at_shot)
        chance += object_get_evasion(target) / 2;
    if (roll) dmg = weapon_jitter(dmg);
    if (damage) *damage = dmg;
    return chance;
}

void beam_rows(System *system, List<SystemRow> *rows, int32_t mode) {
    const bool damaged = mode != 0 && (system->status & SYSTEM_STATUS_DAMAGED);
    SystemRow *row = new (std::nothrow) SystemRow{};
    if (!row) return;
    row->value = str_format("%i", int(damaged ? weapon_beam_value(system) : system->value));
    row->highlight = damaged ? 1 : 0;
    list_append(rows, row);
}

void beam_detail_rows(System *system, List<SystemRow> *rows, int32_t mode) {
    const bool damaged = mode == 2 && (system->status & SYSTEM_STATUS_DAMAGED);
    if (SystemRow *row = new (std::nothrow) SystemRow{}) {
        row->label = "Damage";
        row->value = str_format("%i", int(damaged ? weapon_beam_value(system) : system->value));
        row->highlight = damaged ? 1 : 0;
        list_append(rows, row);
    }
    if (SystemRow *row = new (std::nothrow) SystemRow{}) {
        row->label = "AP";
        row->value = str_format("%i", int(system->ap_cost));
        list_append(rows, row);
    }
}

void beam_weapon_init(SystemTypeOps *ops) {
    ops->activate = beam_activate;
    ops->estimate = beam_estimate;
    ops->info_rows = beam_rows;
    ops->detail_rows = beam_detail_rows;
    ops->action = beam_action;
}
