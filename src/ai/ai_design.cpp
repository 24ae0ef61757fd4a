// AI ship designs: refit, retirement, the constructor and hacking grid designs, and new combat
// designs drawn by weight.
#include "ai/ai_design.h"

#include <string>
#include <vector>
#include "ai/ai_crew.h"
#include "ai/ai_player.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/calendar.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/str.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/ship.h"

namespace {

constexpr int32_t MINUTES_A_DAY = 1440;

uint32_t magnitude_draw() { return random_magnitude(random_u32()); }

// r mod the total, 0 without a draw when the total is 1.
uint32_t draw_below_total(int32_t total) { return total == 1 ? 0 : magnitude_draw() % uint32_t(total); }

// The index whose running sum of weights first passes r; the last index when none does.
int32_t weighted_pick(const int32_t *weights, int32_t count, uint32_t r) {
    int32_t run = 0;
    for (int32_t i = 0; i < count; ++i) {
        run += weights[i];
        if (int64_t(run) > int64_t(r)) return i;
    }
    return count - 1;
}

bool operational_of_type(const Ship *ship, int32_t type) {
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        const System *s = ship->crits[i].system;
        if (s && s->type == type && !(s->status & SYSTEM_STATUS_OFFLINE)) return true;
    }
    return false;
}

// The first catalog entry of a type without subtypes or with the given subtype.
System *catalog_entry(Player *player, int32_t type, int32_t subtype) {
    for (System *s : player->catalog.items) {
        if (!s) break;
        if (s->type == type && (!(s->flags & SYSTEM_FLAG_SUBTYPES) || s->subtype == subtype)) return s;
    }
    return nullptr;
}

bool catalog_has_type(Player *player, int32_t type) {
    for (System *s : player->catalog.items) {
        if (!s) break;
        if (s->type == type) return true;
    }
    return false;
}

// Mounts a better copy in crit i; the old system stays when the copy cannot be mounted.
void refit_crit(Player *player, Ship *design, int32_t i) {
    System *old = design->crits[i].system;
    System *best = player_best_system(player, old->type);
    if (!best || ai_system_grade(best) <= ai_system_grade(old)) return;
    System *copy = system_create(best->type);
    if (!copy) return;
    system_copy(copy, best);
    if (ship_check_crit_fit(design, i, copy) != RES_OK) {
        system_free(copy);
        return;
    }
    if (ai_refit_crit(design, i, copy) != RES_OK) {
        log_write(LOG_AGENT, LOG_WARN,
                  "\"%s\" ship design - failed to update #%llu \"%s\" with system \"%s\" (error setting crit %i)",
                  player->name.c_str(), (unsigned long long)design->id, design->ship_name.c_str(),
                  best->name.c_str(), i);
        system_free(copy);
    }
}

// A new hull of a template for a design, with its statistics.
Ship *new_hull(int32_t tmpl) {
    Ship *ship = ship_of(factory_create_object(OBJECT_SHIP, tmpl));
    if (!ship) return nullptr;
    if (ship->hull_flags & HULL_FLAG_TEMPLATE_NAME)
        if (GameObject *t = factory_get_template(OBJECT_SHIP, tmpl)) ship->ship_name = t->name;
    ship_recompute_stats(ship);
    return ship;
}

bool has_hull(const Player *player, int32_t tmpl) {
    for (int32_t *h : player->hulls.items) {
        if (!h) break;
        if (*h == tmpl) return true;
    }
    return false;
}

// A hull the player holds and may build: the factions' own hulls are never designed on.
bool may_design_on(const Player *player, int32_t tmpl) {
    const Ship *hull = ship_of(factory_get_template(OBJECT_SHIP, tmpl));
    return hull && (hull->hull_flags & HULL_FLAG_PLAYER_BUILDABLE) && has_hull(player, tmpl);
}

void log_no_engine(const Player *player) {
    log_write(LOG_AGENT, LOG_WARN, "\"%s\" failed to create combat ship (no engine found)", player->name.c_str());
}

// Mounts a copy of the engine in the first crit that takes it.
bool mount_engine(Ship *ship, const System *engine) {
    System *copy = system_create(engine->type);
    if (!copy) return false;
    system_copy(copy, engine);
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        if (ship->crits[i].system) continue;
        if (ship_check_crit_fit(ship, i, copy) == RES_OK && ship_set_crit_system(ship, i, copy) == RES_OK)
            return true;
    }
    system_free(copy);
    return false;
}

// Draws and adds one combat design; false when no engine is left to build with.
bool make_combat_design(AiPlayer *ai, Player *player, const int32_t *tw, int32_t tsum, const int32_t *sw,
                        int32_t ssum, int32_t *count) {
    System *engine = player_best_system(player, AI_SYSTEM_ENGINE);
    if (!engine) {
        log_no_engine(player);
        return false;
    }
    Ship *ship = new_hull(weighted_pick(tw, AI_TEMPLATE_WEIGHTS, draw_below_total(tsum)));
    if (!ship) {
        *count += 1;
        return true;
    }
    int32_t subtype = engine->subtype;
    while (subtype > 0 && magnitude_draw() % 7 == 0) --subtype;
    const System *fit = engine;
    if (subtype != engine->subtype) {
        fit = catalog_entry(player, AI_SYSTEM_ENGINE, subtype);
        if (!fit) fit = player_best_system(player, AI_SYSTEM_ENGINE);
        if (!fit) {
            object_destroy(ship);
            log_no_engine(player);
            *count += 1;
            return true;
        }
    }
    if (!mount_engine(ship, fit)) {
        object_destroy(ship);
        log_write(LOG_AGENT, LOG_WARN, "\"%s\" failed to create combat ship (could not set engine subtype %i)",
                  player->name.c_str(), subtype);
        *count += 1;
        return true;
    }
    if (ssum <= 0 || int32_t(magnitude_draw() % 100) + 1 <= ai->weapon_first_chance)
        (void)player_fit_best_system(player, ship, AI_SYSTEM_WEAPON, MOUNT_SYSTEM);
    if (int32_t(magnitude_draw() % 100) + 1 <= ai->armour_bonus_chance)
        (void)player_fit_best_system(player, ship, AI_SYSTEM_ARMOUR, -1);
    if (ssum > 0) {
        for (int32_t n = 0; n < ship->crit_count - 3; ++n) {
            const int32_t type = weighted_pick(sw, AI_SYSTEM_WEIGHTS, draw_below_total(ssum));
            (void)player_fit_best_system(player, ship, type, -1);
        }
    }
    if (!(ship->ship_flags & 0x10000u)) (void)player_fit_best_system(player, ship, AI_SYSTEM_WEAPON, MOUNT_SYSTEM);
    ship->ship_name = str_format("Combat Design #%i", ai->combat_design_counter);
    const int32_t span = ai->design_lifetime_max - ai->design_lifetime_min + 1;
    ship->ai_word = span > 1 ? ai->design_lifetime_min + int32_t(magnitude_draw() % uint32_t(span))
                             : ai->design_lifetime_min;
    player_add_design(player, ship);
    ai->combat_design_counter += 1;
    *count += 1;
    return true;
}

}  // namespace

int32_t ai_system_grade(const System *system) {
    return (system->flags & SYSTEM_FLAG_SUBTYPES) ? system->subtype : system->value;
}

void ai_update_ship_designs(AiPlayer *ai, Player *player) {
    Game *game = game_get();
    const uint64_t now = game && game->clock ? game->clock->minutes : 0;
    const bool passive = (ai->flags & AI_FLAG_PASSIVE) != 0;

    // 1.-2. Retire or refit; count what stays.
    int32_t count = 0, constructors = 0, grids = 0;
    std::vector<uint64_t> retired;
    for (GameObject *obj : player->designs.items) {
        if (!obj) break;
        Ship *design = ship_of(obj);
        if (!design) continue;
        if (!player_is_building_design(player, design->id)) {
            const uint64_t added = design->built_date ? design->built_date->minutes : 0;
            if (design->ai_word > 0 && now >= added && now - added >= uint64_t(design->ai_word) * MINUTES_A_DAY) {
                retired.push_back(design->id);
                continue;
            }
            for (int32_t i = 0; i < design->crit_count; ++i)
                if (design->crits[i].system) refit_crit(player, design, i);
        }
        count += 1;
        if (operational_of_type(design, AI_SYSTEM_CONSTRUCTOR)) constructors += 1;
        if (operational_of_type(design, AI_SYSTEM_HACKING)) grids += 1;
    }
    for (uint64_t id : retired) player_remove_design(player, id);

    // 3. One constructor design.
    if (constructors == 0 && !passive && catalog_entry(player, AI_SYSTEM_CONSTRUCTOR, 0)) {
        ai->constructor_counter += 1;
        if (Ship *ship = new_hull(2)) {
            if (player_fit_best_system(player, ship, AI_SYSTEM_ENGINE, -1) != RES_OK) {
                object_destroy(ship);
                log_write(LOG_AGENT, LOG_WARN, "\"%s\" failed to create Constructor ship", player->name.c_str());
            } else {
                (void)player_fit_best_system(player, ship, AI_SYSTEM_CONSTRUCTOR, -1);
                ship->ship_name = str_format("Constructor #%i", ai->constructor_counter);
                player_add_design(player, ship);
            }
        }
    }

    // 4. One hacking grid design.
    if (grids == 0 && !passive && catalog_entry(player, AI_SYSTEM_HACKING, 0)) {
        ai->hacking_grid_counter += 1;
        if (Ship *ship = new_hull(5)) {
            if (player_fit_best_system(player, ship, AI_SYSTEM_HACKING, -1) == RES_OK &&
                player_fit_best_system(player, ship, AI_SYSTEM_ENGINE, -1) == RES_OK) {
                ship->ship_name = str_format("Hacking Grid #%i", ai->hacking_grid_counter);
                player_add_design(player, ship);
            } else {
                object_destroy(ship);
                log_write(LOG_AGENT, LOG_WARN, "\"%s\" failed to create Hacking Grid ship", player->name.c_str());
            }
        }
    }

    // 5. Combat designs up to the target.
    if (count >= ai->design_target) return;
    int32_t tw[AI_TEMPLATE_WEIGHTS], tsum = 0;
    for (int32_t i = 0; i < AI_TEMPLATE_WEIGHTS; ++i) {
        tw[i] = may_design_on(player, i) ? ai->template_weights[i] : 0;
        tsum += tw[i];
    }
    if (tsum < 1) return;
    int32_t sw[AI_SYSTEM_WEIGHTS], ssum = 0;
    for (int32_t i = 0; i < AI_SYSTEM_WEIGHTS; ++i) {
        sw[i] = catalog_has_type(player, i) ? ai->system_weights[i] : 0;
        ssum += sw[i];
    }
    while (count < ai->design_target)
        if (!make_combat_design(ai, player, tw, tsum, sw, ssum, &count)) break;
}
