// A ship's turn cycle in battle (encounter begin, turn begin and end, the state reset after a
// battle), its per-tick timers, and its galaxy day: pilot experience, field repair, network hacking
// and the survey of its sector. Planning and acting hand the ship to its owner's combat AI.
#include <algorithm>
#include <cmath>
#include "effects/effect_sprite.h"
#include "game/alert.h"
#include "game/encounter_life.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "game/tech.h"
#include "platform/anim.h"
#include "platform/random.h"
#include "platform/str.h"
#include "systems/system.h"
#include "world/fleet.h"
#include "world/object_internal.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_feature.h"
#include "world/world_hooks.h"

namespace {

constexpr int32_t BUSY_HOLD_MS = 100;
constexpr int32_t RETREATED_HOLD_MS = 1000;
constexpr int32_t RETREAT_EXIT_PORTAL_GAP = 6;
constexpr int32_t RETREAT_PORTAL_MS = 3100;
constexpr int32_t RETREAT_STILL_MS = 600;
constexpr int32_t RETREAT_FIRST_FRAME_MS = 2000;
constexpr int32_t RETREAT_SPIN_FRAME_MS = 20;
constexpr int32_t RETREAT_DRAW_IN_MS = 1480;
constexpr int32_t RETREAT_DRAW_IN_DELAY_MS = 1000;
constexpr int32_t KILL_EXPERIENCE_BASE = 300;
constexpr int32_t KILL_EXPERIENCE_LOAD = 9;
constexpr int32_t BATTLE_SEEN_EXPERIENCE = 250;
constexpr int32_t BATTLE_KIND_BONUS = 1000;
constexpr int32_t GALAXY_DAY_EXPERIENCE = 5;
constexpr int32_t HACK_EXPERIENCE = 400;
constexpr int32_t SURVEY_EXPERIENCE = 1000;
constexpr int32_t REPAIR_TURNS = 3;
constexpr double RESEARCH_UNIT = 400.0;      // research amounts are in 1/400 points

// |r| of the hacking generator's next number.
uint32_t hack_draw() {
    Game *game = game_get();
    if (game && game->generators[GAME_GENERATOR_HACKING])
        return random_magnitude(rng_next(game->generators[GAME_GENERATOR_HACKING]));
    return random_magnitude(random_u32());
}
int32_t hack_between(int32_t lo, int32_t hi) { return lo + int32_t(hack_draw() % uint32_t(hi - lo + 1)); }

// One intel report for a player: what the hack did, from whose side.
void intel_report(uint64_t player_id, int32_t subtype, uint64_t other_player_id, uint64_t sector_id, uint64_t ship_id,
                  const std::string &text) {
    Game *game = game_get();
    if (game)
        game_add_alert(game, alert_post_intel_report(player_id, subtype, other_player_id, sector_id, ship_id, "%s",
                                                     text.c_str()));
}

void ship_experience(Ship *ship, int32_t amount) {
    if (ship->pilot && amount > 0) officer_add_ship_experience(ship->pilot, amount);
}

// ---- Field repair ----

void field_repair(Ship *ship) {
    const int level = ship->pilot->skills[SKILL_FIELD_REPAIR];
    if (level < 1) return;
    int armour_step = 0, armour_cap = 0, integrity_step = 0, integrity_cap = 0;
    field_repair_limits(level, &armour_step, &armour_cap, &integrity_step, &integrity_cap);

    const int32_t cap = ship->max_armour * armour_cap / 100;
    if (ship->armour < cap) ship->armour += std::min(armour_step, cap - ship->armour);

    if (ship->ship_flags & SHIP_FLAG_FIELD_REPAIR) {
        System *s = ship_get_crit_system(ship, ship->repair_crit);
        bool done = !s || ship->repair_turns < 1;
        if (!done) {
            const int32_t limit = s->max_integrity * integrity_cap / 100;
            if (s->integrity < limit) {
                s->integrity = std::min(limit, s->integrity + integrity_step);
                if (s->integrity > s->max_integrity / 2) s->status &= ~SYSTEM_STATUS_DAMAGED;
                ship->repair_turns -= 1;
            }
            done = s->integrity >= limit || ship->repair_turns < 1;
        }
        if (!done) return;
        ship->ship_flags &= ~SHIP_FLAG_FIELD_REPAIR;
        ship_recompute_stats(ship);
    }
    for (int32_t i = 0; i < ship->crit_count; ++i) {   // a wrecked system comes back first
        System *s = ship->crits[i].system;
        if (!s || (s->flags & SYSTEM_FLAG_NO_STATUS) || s->integrity >= 1) continue;
        s->status &= ~SYSTEM_STATUS_OFFLINE;
        s->integrity = 1;
        ship_recompute_stats(ship);
        return;
    }
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        const System *s = ship->crits[i].system;
        if (!s || (s->flags & SYSTEM_FLAG_NO_STATUS)) continue;
        if (s->integrity >= s->max_integrity * integrity_cap / 100) continue;
        ship->repair_crit = i;
        ship->ship_flags |= SHIP_FLAG_FIELD_REPAIR;
        ship->repair_turns = REPAIR_TURNS;
        return;
    }
}

// ---- Network hacking ----

enum class Loot { RESEARCH, TECH, TAP };

// The sector a hacking fleet reaches: the nearest whose centre lies within the fleet's scan range.
GameObject *hack_target(const GameObject *fleet) {
    const Game *game = game_get();
    if (!game || !game->galaxy_map) return nullptr;
    const int32_t reach = fleet_scan_range_of(fleet);
    GameObject *best = nullptr;
    int32_t best_d = 0;
    for (int32_t i = 0; i < map_object_count(game->galaxy_map); ++i) {
        GameObject *sector = map_object_at(game->galaxy_map, i);
        if (!sector || sector->kind != OBJECT_SECTOR) continue;
        const int32_t d = object_distance_to(fleet, sector->x + sector->w / 2, sector->y + sector->h / 2);
        if (d > reach || (best && d >= best_d)) continue;
        best = sector;
        best_d = d;
    }
    return best;
}

void hack_once(Ship *ship, GameObject *sector, Player *thief, Player *victim) {
    ship->hack_count += 1;
    const int32_t n = ship->hack_count;
    ship->hack_timer = 1320 + int32_t(hack_draw() % 10201u);
    ship->hack_timer += n * (80 + int32_t(hack_draw() % 41u));
    const int32_t roll = 1 + int32_t(hack_draw() % 100u);

    Loot loot = Loot::RESEARCH;
    int32_t amount = 0, tap_minutes = 0, tech = -1;
    auto steal_tech = [&](int32_t research_lo, int32_t research_hi, int32_t tap_lo, int32_t tap_hi) {
        tech = player_pick_stealable_tech(thief, victim);
        if (tech >= 0) {
            loot = Loot::TECH;
        } else if (hack_between(0, 1) == 1) {
            amount = hack_between(research_lo, research_hi);
        } else {
            loot = Loot::TAP;
            tap_minutes = hack_between(tap_lo, tap_hi);
        }
    };
    if (n <= 3) {
        amount = n * (12000 + hack_between(0, 3000));
    } else if (n <= 7) {
        if (roll <= 20) amount = hack_between(70000, 120000);
        else if (roll <= 60) steal_tech(90000, 140000, 1440, 2880);
        else {
            loot = Loot::TAP;
            tap_minutes = hack_between(1440, 2880);
        }
    } else {
        if (roll <= 10) amount = hack_between(100000, 150000);
        else if (roll <= 50) steal_tech(120000, 170000, 2880, 4320);
        else {
            loot = Loot::TAP;
            tap_minutes = hack_between(2880, 4320);
        }
    }
    const Game *game = game_get();
    if (loot == Loot::TAP && game && game->setup.fog_of_war_off != 0) {   // nothing to tap: take research
        loot = Loot::RESEARCH;
        amount = hack_between(120000, 170000);
    }

    const char *ship_name = ship->ship_name.c_str();
    const char *thief_name = thief->name.c_str(), *victim_name = victim->name.c_str();
    const uint64_t victim_id = sector->owner_id;
    switch (loot) {
    case Loot::RESEARCH: {
        const int32_t rate = victim->totals.research_rate;
        amount = std::min(amount, rate);
        if (amount < 1) {
            intel_report(ship->owner_id, 0, victim_id, sector->id, ship->id,
                                       str_format("Starship %s hacked the %s computer network but found no usable "
                                                  "research data",
                                                  ship_name, victim_name));
            break;
        }
        const double points = std::max(amount / RESEARCH_UNIT, 0.1);
        intel_report(ship->owner_id, 0, victim_id, sector->id, ship->id,
                                   str_format("Starship %s hacked the %s computer network and stole research data "
                                              "worth %.1f RP",
                                              ship_name, victim_name, points));
        intel_report(victim_id, 0, ship->owner_id, sector->id, ship->id,
                                   str_format("%s hacked the %s computer network and stole research data worth %.1f RP",
                                              thief_name, victim_name, points));
        player_add_research_points(thief, amount);
        break;
    }
    case Loot::TECH: {
        const char *tech_label = tech_name(tech) ? tech_name(tech) : "";
        intel_report(ship->owner_id, 0, victim_id, sector->id, ship->id,
                                   str_format("Starship %s hacked the %s computer network and stole tech designs for %s",
                                              ship_name, victim_name, tech_label));
        intel_report(victim_id, 0, ship->owner_id, sector->id, ship->id,
                                   str_format("%s hacked the %s computer network and stole tech designs for %s",
                                              thief_name, victim_name, tech_label));
        player_complete_tech(thief, tech);
        break;
    }
    case Loot::TAP:
        intel_report(ship->owner_id, 0, victim_id, sector->id, ship->id,
                                   str_format("Starship %s hacked the %s computer network and established a sensor tap",
                                              ship_name, victim_name));
        intel_report(victim_id, 0, ship->owner_id, sector->id, ship->id,
                                   str_format("%s hacked the %s computer network and established a sensor tap",
                                              thief_name, victim_name));
        player_add_sensor_tap(thief, tap_minutes, victim_id, sector->id);
        break;
    }
    ship_experience(ship, HACK_EXPERIENCE);
}

void network_hacking(Ship *ship, int32_t minutes) {
    if (ship->ship_flags & SHIP_FLAG_UNSETTLED) {
        ship->hack_count = 0;
        return;
    }
    if (!ship_has_system_type(ship, SYSTEM_TYPE_NETWORK_INTRUSION) || ship->fleet_id == 0) return;
    const GameObject *fleet = game_find_object(game_get(), ship->fleet_id);
    if (!fleet || fleet->kind != OBJECT_FLEET) return;
    GameObject *sector = hack_target(fleet);
    if (!sector) return;
    Player *victim = game_find_player(game_get(), sector->owner_id);
    Player *thief = game_find_player(game_get(), ship->owner_id);
    if (!victim || !thief) return;
    ship->hack_timer -= minutes;
    if (ship->hack_timer > 0) return;
    hack_once(ship, sector, thief, victim);
}

void survey(Ship *ship) {
    if (!(ship->ship_flags & SHIP_FLAG_SURVEY)) return;
    ship->ship_flags &= ~SHIP_FLAG_SURVEY;
    Sector *sector = ship->sector_id ? sector_of(game_find_object(game_get(), ship->sector_id)) : nullptr;
    if (!sector) return;
    Site *site = sector_find_site_with_feature(sector, FEATURE_RESOURCES);
    if (!site) site = sector_find_site_with_feature(sector, FEATURE_SURVIVORS);
    if (!site) return;
    site_gather_feature(site, ship->owner_id);
    ship_experience(ship, SURVEY_EXPERIENCE);
}

// The ship as it goes: a fixed hull shows its frame in place; a rotating one spins through three
// quarters of its rotation frames from its heading on and is drawn into the portal.
void retreat_sequence(Ship *ship, int32_t portal_x, int32_t portal_y) {
    if (!ship->frames || ship->frame < 0 || ship->frame >= ship->frame_count) return;
    std::vector<Sprite *> sprites;
    Animation *anim = anim_create_empty(0);
    if (!anim) return;
    const int32_t n = ship->rot_last - ship->rot_first + 1;
    const bool rotating = (ship->hull_flags & HULL_FLAG_ROTATING) && n > 1;
    if (!rotating) {
        sprites.push_back(ship->frames[ship->frame]);
        anim_add_frame(anim, 0, RETREAT_STILL_MS);
    } else {
        const int32_t count = std::max(3 * n / 4, 1);
        int32_t frame = ship_frame_for_heading(ship, ship->heading);
        for (int32_t i = 0; i < count; ++i) {
            if (frame < 0 || frame >= ship->frame_count) break;
            sprites.push_back(ship->frames[frame]);
            anim_add_frame(anim, i, i == 0 ? RETREAT_FIRST_FRAME_MS : RETREAT_SPIN_FRAME_MS);
            frame = frame >= ship->rot_last ? ship->rot_first : frame + 1;
        }
    }
    for (Sprite *sprite : sprites)
        if (!sprite) sprites.clear();
    if (sprites.empty()) {
        anim_free(anim);
        return;
    }
    // The sequence takes the animation over, also when it cannot be made.
    SpriteSequenceEffect *sequence = effect_create_sprite_sequence(sprites.data(), int(sprites.size()), anim);
    if (!sequence) return;
    map_add_effect(ship->map, sequence, ship->x, ship->y);
    if (rotating)
        effect_move_to(sequence, portal_x - ship->w / 2, portal_y - ship->h / 2, RETREAT_DRAW_IN_MS,
                       RETREAT_DRAW_IN_DELAY_MS);
}

}  // namespace

// ---- Per tick ----

void ship_update(GameObject *obj, int32_t dt) {
    Ship *ship = ship_of(obj);
    if (!ship) return;
    if (ship->death_ms >= 1) {
        ship->death_ms -= dt;
        if (ship->death_ms < 1) ship->flags |= OBJ_DEAD;
        return;
    }
    if ((ship->flags & OBJ_BUSY) && !(ship->flags & (OBJ_ROTATING | OBJ_TRAVELLING))) {
        if (ship->ship_flags & SHIP_FLAG_RETREATED) {
            ship->flags |= OBJ_LEFT_MAP;
            object_clear_busy(ship, RETREATED_HOLD_MS);
        } else {
            object_clear_busy(ship, BUSY_HOLD_MS);
        }
    }
    if (ship->hit_display_ms > 0) {
        ship->hit_display_ms -= dt;
        if (ship->hit_display_ms < 1) ship->ship_flags &= ~SHIP_FLAG_SHIELD_DISPLAY;
    }
}

// ---- The combat turn cycle ----

void ship_encounter_begin(GameObject *obj) {
    Ship *ship = ship_of(obj);
    if (!ship) return;
    ship->ship_flags &= ~(SHIP_FLAG_RETREATING | SHIP_FLAG_RETREATED);
    ship->ap_carry = 0;
    ship->damage_boost = ship->damage_boost_turns = 0;
    ship->evasion_boost = ship->evasion_boost_turns = 0;
    ship_recompute_stats(ship);
    for (int32_t &s : ship->shields) s = ship->shield_max;
    ship->ap = ship->max_ap;
    ship->mp = ship->max_mp;
}

void ship_turn_begin(GameObject *obj) {
    Ship *ship = ship_of(obj);
    if (!ship) return;
    if (ship->damage_boost_turns > 0 && --ship->damage_boost_turns == 0) ship->damage_boost = 0;
    if (ship->evasion_boost > 0 && --ship->evasion_boost_turns < 1) {
        ship->evasion_boost = 0;
        ship->evasion_boost_turns = 0;
    }
    ship_recompute_stats(ship);
    ship->ap = std::max(ship->max_ap + ship->ap_carry, 0);
    ship->mp = std::max(ship->max_mp + ship->ap_carry, 0);
    ship->ap_carry = 0;
    const bool retreating = ship->ship_flags & SHIP_FLAG_RETREATING;
    if (retreating) {
        ship->mp = 0;
        ship->ap /= 2;
    }
    for (int32_t i = 0; i < ship->crit_count; ++i)
        if (System *s = ship->crits[i].system) system_recharge_tick(s);
    ship->turn_scratch = 0;
    if (!retreating || ship->retreat_countdown > 0) return;

    ship->flags |= OBJ_LEFT_MAP;
    ship->ship_flags |= SHIP_FLAG_RETREATED;
    if (ship->pilot) ship->pilot->escapes += 1;
    if (world_detail::resolving() || !ship->map) return;
    const int32_t px = ship->x - RETREAT_EXIT_PORTAL_GAP, py = ship->y + ship->h / 2;
    if (PortalEffect *portal = effect_create_portal(0)) {
        map_add_effect(ship->map, portal, px, py);
        effect_portal_open(portal, 0, RETREAT_PORTAL_MS);
        effect_portal_set_object(portal, ship);
    }
    retreat_sequence(ship, px, py);
}

void ship_turn_end(GameObject *obj) {
    Ship *ship = ship_of(obj);
    if (!ship || (ship->ship_flags & SHIP_FLAG_RETREATING)) return;
    int32_t bonus = 0;
    if (ship->ap >= ship->max_ap) bonus += SHIP_INITIATIVE_STEP;
    if (ship->max_ap - 5 >= 1 && ship->ap >= ship->max_ap - 5) bonus += SHIP_INITIATIVE_STEP;
    if (ship->mp >= ship->max_mp) bonus += SHIP_INITIATIVE_STEP;
    if (ship->max_mp - 5 >= 1 && ship->mp >= ship->max_mp - 5) bonus += SHIP_INITIATIVE_STEP;
    ship->initiative += bonus;
}

void ship_reset_state(GameObject *obj) {
    Ship *ship = ship_of(obj);
    if (!ship) return;
    int32_t kind = 0;
    std::vector<GameObject *> fought;
    if (ship->pilot && game_encounter_still_fighting(ship->owner_id, &kind, &fought)) {
        bool seen = false;
        for (GameObject *other : fought) {
            const Ship *enemy = ship_of(other);
            // Drones the enemy launched earn nothing.
            if (!enemy || !(enemy->flags & OBJ_DEAD) || (enemy->ship_flags & SHIP_FLAG_DRONE) ||
                enemy->owner_id == ship->owner_id)
                continue;
            seen = true;
            ship_experience(ship, KILL_EXPERIENCE_LOAD * (enemy->all_load_a + enemy->all_load_b) +
                                      KILL_EXPERIENCE_BASE + enemy->max_armour);
        }
        if (seen) ship_experience(ship, BATTLE_SEEN_EXPERIENCE);
        if (kind == 1) ship_experience(ship, BATTLE_KIND_BONUS);
    }
    ship->ap = ship->max_ap;
    ship->mp = ship->max_mp;
    for (int32_t i = 0; i < ship->crit_count; ++i)
        if (System *s = ship->crits[i].system) system_clear_recharge(s);
    ship_clear_scan_target(ship);
    ship_recompute_stats(ship);
    for (int32_t &s : ship->shields) s = ship->shield_max;
    ship->ship_flags &= ~(SHIP_FLAG_RETREATING | SHIP_FLAG_ORDER_A | SHIP_FLAG_SURVEY | SHIP_FLAG_ORDER_B |
                          SHIP_FLAG_FIELD_REPAIR);
    if (ship->pilot) ship->pilot->battles += 1;
}

// ---- The galaxy day ----

void ship_galaxy_turn(GameObject *obj) {
    Ship *ship = ship_of(obj);
    if (!ship) return;
    ship->ship_flags &= ~(SHIP_FLAG_ORDER_A | SHIP_FLAG_SURVEY | SHIP_FLAG_ORDER_B);
    if (!ship->pilot) return;
    ship_experience(ship, GALAXY_DAY_EXPERIENCE);
    if (ship->pilot) field_repair(ship);
}

void ship_advance_clock(GameObject *obj, int32_t minutes) {
    Ship *ship = ship_of(obj);
    if (!ship) return;
    network_hacking(ship, minutes);
    survey(ship);
}

// ---- The combat AI ----

Result ship_plan(GameObject *obj) {
    Ship *ship = ship_of(obj);
    const WorldHooks &hooks = world_hooks();
    Player *owner = ship && ship->owner_id ? game_find_player(game_get(), ship->owner_id) : nullptr;
    if (owner && hooks.ai_plan_ship) hooks.ai_plan_ship(owner, ship);
    return RES_OK;
}

Result ship_act(GameObject *obj) {
    Ship *ship = ship_of(obj);
    const WorldHooks &hooks = world_hooks();
    Player *owner = ship && ship->owner_id ? game_find_player(game_get(), ship->owner_id) : nullptr;
    // A side without a combat AI has nothing to carry out: its ship ends the turn.
    if (owner && hooks.ai_act_ship) hooks.ai_act_ship(owner, ship);
    else if (ship) object_end_turn(obj);
    return RES_OK;
}
