// Strike tasks: colonise, attack a sector, attack a fleet, and the standing defence of the bases.
#include "ai/ai_strike_tasks.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <utility>
#include "ai/agent_task.h"
#include "ai/ai_crew.h"
#include "ai/ai_internal.h"
#include "ai/ai_player.h"
#include "ai/ai_sector_tasks.h"
#include "game/encounter_setup.h"
#include "game/game.h"
#include "game/player.h"
#include "game/tech.h"
#include "platform/geometry.h"
#include "platform/random.h"
#include "platform/str.h"
#include "systems/plan_check.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr uint32_t STRIKE_FLAGS = TASK_DISTANCE_BONUS | TASK_PATH_DANGER;
constexpr uint32_t ATTACK_FLEET_FLAGS = TASK_DISTANCE_BONUS | TASK_DEFENCE | TASK_PATH_DANGER;
constexpr int32_t  TECH_STARBASE_KIT = 34;
constexpr int32_t  TECH_FIRST = 0;
constexpr int32_t  SYSTEM_TYPE_HACKING = 29;
constexpr int32_t  GUARDIAN_STRENGTH = 200;
constexpr int32_t  DEFENCE_KIND_GARRISON = 2;     // the copy's defence value: guarded by defenders
constexpr int32_t  DEFENCE_KIND_FORTRESS = 3;     // ... by defenders and a fortress
// Capabilities whose mix makes a group more than the sum of its ships.
constexpr uint32_t CAPABILITY_BITS[] = {0x8000u, 0x40000u, 0x800000u, 0x400000u};

bool is_dead(const GameObject *obj) { return (obj->flags & OBJ_DEAD) != 0; }

bool is_locked(GameObject *obj) {
    const Ship *ship = ship_of(obj);
    return ship && (ship->ship_flags & SHIP_FLAG_AI_LOCKED);
}

bool is_constructor(GameObject *obj) {
    const Ship *ship = ship_of(obj);
    return ship && (ship->ship_flags & SHIP_FLAG_CONSTRUCTOR);
}

uint64_t sector_id_of(GameObject *obj) {
    const Ship *ship = ship_of(obj);
    return ship ? ship->sector_id : 0;
}

uint64_t fleet_id_of(GameObject *obj) {
    const Ship *ship = ship_of(obj);
    return ship ? ship->fleet_id : 0;
}

// The fleet the ship travels in, when it is one.
Fleet *fleet_of_ship(GameObject *obj) {
    const uint64_t id = fleet_id_of(obj);
    return id ? fleet_of(game_find_object(game_get(), id)) : nullptr;
}

uint64_t fleet_heading_id(GameObject *obj) {
    const Fleet *fleet = fleet_of_ship(obj);
    return fleet && fleet->move_target ? fleet->move_target->id : 0;
}

bool is_live(GameObject *obj) { return !is_dead(obj); }

// The fleet stops where it is and lets its course go.
void halt_fleet(Fleet *fleet) {
    if (!fleet) return;
    object_stop_travel(fleet);
    fleet_set_move_target(fleet, nullptr);
}

// A group that is together in a travelling fleet waits there.
void stop_group(uint64_t location) {
    Fleet *fleet = location ? fleet_of(game_find_object(game_get(), location)) : nullptr;
    if (fleet && (fleet->flags & OBJ_TRAVELLING)) halt_fleet(fleet);
}

enum class RallyKind { FRIENDLY, OWN_GROUP };

// The friendly object nearest to (tx, ty): own fleets (for OWN_GROUP only those made of this task's
// ships), own sectors (for OWN_GROUP only those without strangers) and sectors the player knows as
// unowned and free of enemy ships (a group waiting beside another player's would meet it there day
// after day). 0 when none.
uint64_t rally_point(const AgentTask *task, const Player *player, int32_t tx, int32_t ty, RallyKind kind) {
    const Game *game = game_get();
    if (!game || !game->galaxy_map || !player) return 0;
    GameObject *best = nullptr;
    int32_t best_d = 0;
    for (GameObject *obj : game->galaxy_map->objects.items) {
        if (!obj) break;
        if (is_dead(obj)) continue;
        bool ok = false;
        if (const Fleet *fleet = fleet_of(obj)) {
            ok = obj->owner_id == player->id && (kind == RallyKind::FRIENDLY || fleet_ships_all_in_list(fleet, &task->assignees));
        } else if (const Sector *sector = sector_of(obj)) {
            if (obj->owner_id == player->id)
                ok = kind == RallyKind::FRIENDLY || sector_count_other_owners(sector, player->id) == 0;
            if (!ok && (kind == RallyKind::FRIENDLY || obj->owner_id != player->id)) {
                const GameObject *known = player_get_known_object(player, OBJECT_SECTOR, obj->id);
                ok = known && known->owner_id == 0 && !player_sector_has_known_enemy(player, known);
            }
        }
        if (!ok) continue;
        int32_t x = 0, y = 0;
        ai_object_centre(obj, &x, &y);
        const int32_t d = distance(tx - x, ty - y);
        if (!best || d < best_d) {
            best = obj;
            best_d = d;
        }
    }
    if (!best) return 0;
    if (Fleet *fleet = fleet_of(best); fleet && kind == RallyKind::OWN_GROUP && (best->flags & OBJ_TRAVELLING))
        halt_fleet(fleet);
    return best->id;
}

// Every unlocked assignee not already at D, in fleet D, or in a fleet heading for D is sent to D.
void rally_orders(const AgentTask *task, uint64_t d) {
    ai_detail::each_assignee(task, [&](GameObject *ship) {
        if (is_locked(ship)) return;
        if (sector_id_of(ship) == d || fleet_id_of(ship) == d || fleet_heading_id(ship) == d) return;
        ai_ship_set_word(ship, AI_SHIP_MOVE_TARGET, d);
    });
}

void strike_describe(AgentTask *task, AiPlayer *, std::string *text) {
    sector_task_describe_target(task, text);
    str_appendf(text, ", sector priority value %i, target attack strength %i", ai_detail::data_of(task)->value,
                ai_detail::data_of(task)->strength);
}

void strike_link(AgentTask *task) { sector_task_link(task, STRIKE_FLAGS); }

int64_t assignee_value_sum(const AgentTask *task, bool live_only) {
    int64_t sum = 0;
    ai_detail::each_assignee(task, [&](GameObject *ship) {
        if (!live_only || is_live(ship)) sum += player_object_value(ship);
    });
    return sum;
}

bool task_target_centre(const AgentTask *task, int32_t *x, int32_t *y) {
    const GameObject *target = ai_detail::data_of(task)->target;
    if (!target) return false;
    ai_object_centre(target, x, y);
    return true;
}

// ---- 0 "colonize sector" ----

// What a site in the sector is worth to a new colony, by what its resources still hold.
int32_t colony_site_worth(const Site *site) {
    int32_t worth = 0;
    switch (site->subtype) {
    case 6: worth = 340; break;
    case 11: worth = 500; break;
    case 12: worth = 400; break;
    default: return 0;
    }
    if (site->snapshot_version <= 0) return worth;
    if (site->resources_max < 1) return 0;
    const double pct = double(site->resources_left) * 100.0 / double(site->resources_max);
    if (pct <= 25.0) return 0;
    if (pct <= 60.0) return worth / 2;
    return worth;
}

void colonize_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned,
                       int32_t *needed) {
    const int64_t q = sector_task_closeness(task, ai);
    const int64_t diagonal = std::max(ai->map_diagonal, 1);
    int64_t u = std::max<int64_t>(ai_detail::squared(q) * q / diagonal / 512, 0);
    int64_t need = 10, enemy = 0;
    if (const Sector *known = sector_of(sector_task_known(task, player))) {
        const int32_t v = sector_score(known);
        ai_detail::data_of(task)->value = v;
        u += ai_detail::squared(v) / 10;
        for (uint64_t id : known->known_site_ids)
            if (const Site *site = site_cast(player_get_known_object(player, OBJECT_SITE, id))) u += colony_site_worth(site);
        for (uint64_t id : known->known_object_ids) {
            const GameObject *ship = player_get_known_object(player, OBJECT_SHIP, id);
            if (!ship || ship->owner_id == player->id) continue;
            enemy += ship_estimated_strength(ship);
        }
        // The escort is weighed by player_object_value: the enemy is put in the same measure.
        enemy = ai_strength_as_value(ai, enemy);
        need += enemy;
    }
    int64_t a = assignee_value_sum(task, false);
    bool constructor = false;
    ai_detail::each_assignee(task, [&](GameObject *ship) { constructor = constructor || is_constructor(ship); });
    const int32_t n = ai->own_sector_count;
    if (n < 2) u = u * 11 / 5;
    else if (n == 2) u = u * 5 / 3;
    else if (n == 3) u = u * 4 / 3;
    // Escorts alone cannot take a sector: without a constructor the need is at most half met.
    if (!constructor && a >= need) a = need / 2;
    ai_detail::data_of(task)->strength = ai_clamp32(int64_t(ai->strike_margin_pct) * enemy / 100);
    *utility = ai_clamp32(u);
    *assigned = ai_clamp32(a);
    *needed = ai_clamp32(need);
}

int32_t constructor_utility(AgentTask *, GameObject *ship) { return is_constructor(ship) ? 1 : 0; }

int32_t colonize_done(AgentTask *task, AiPlayer *, Player *player) {
    const Sector *known = sector_of(sector_task_known(task, player));
    if (!known || known->owner_id != 0 || known->known_defence_kind >= 0) return 1;
    return player_sector_has_known_enemy(player, known) ? 1 : 0;
}

void colonize_update(AgentTask *task, AiPlayer *ai, Player *player) {
    bool constructor = false;
    ai_detail::each_assignee(task, [&](GameObject *ship) { constructor = constructor || is_constructor(ship); });
    if (constructor) task->linked[0] = 0;
    else if (task->linked[0] == 0) task->linked[0] = ai_design_task_with_flag(ai, player, SHIP_FLAG_CONSTRUCTOR);
    if (task->linked[1] != 0) return;
    int32_t tech = -1;
    if (!(player->tech_state[TECH_STARBASE_KIT] & TECH_DONE)) tech = TECH_STARBASE_KIT;
    else if (!(player->tech_state[TECH_FIRST] & TECH_DONE)) tech = TECH_FIRST;
    else if (ai_detail::data_of(task)->strength >= 1) tech = ai_preferred_tech(ai, player);
    task->linked[1] = ai_research_task_of(ai, tech);
}

// The first constructor in an empty, unclaimed, undefended target sector founds the starbase.
void deploy_constructor(const AgentTask *task, const Player *player) {
    Sector *sector = sector_of(ai_detail::data_of(task)->target);
    if (!sector) return;
    for (GameObject *obj : task->assignees.items) {
        if (!obj) break;
        if (sector_id_of(obj) != task->target_id || !is_constructor(obj)) continue;
        if (sector->site_counts[SITE_STARBASE] >= 1 || sector_count_other_owners(sector, player->id) != 0 ||
            sector_has_defended_site(sector))
            return;
        ship_deploy_starbase(ship_of(obj));
        return;
    }
}

void colonize_act(AgentTask *task, AiPlayer *, Player *player) {
    if (agent_task_assignee_count(task) == 0) return;
    bool constructor = false;
    ai_detail::each_assignee(task, [&](GameObject *ship) { constructor = constructor || is_constructor(ship); });
    const uint64_t location = strike_group_location(task, false);
    int32_t tx = 0, ty = 0;
    const bool has_centre = task_target_centre(task, &tx, &ty);
    uint64_t d = 0;
    if (constructor && ai_detail::data_of(task)->strength <= task->assignee_value) {
        if (location != 0) d = task->target_id;
        else if (has_centre) d = rally_point(task, player, tx, ty, RallyKind::FRIENDLY);
    } else if (location != 0) {
        stop_group(location);
    } else if (has_centre) {
        d = rally_point(task, player, tx, ty, RallyKind::FRIENDLY);
    }
    deploy_constructor(task, player);
    if (d != 0) rally_orders(task, d);
}

// ---- 1 "attack fleet" ----

void attack_fleet_link(AgentTask *task) { task->flags |= ATTACK_FLEET_FLAGS; }

void record_free(AgentTask *task) { delete ai_detail::data_of(task); }

const Fleet *known_fleet(const AgentTask *task, const Player *player) {
    return player ? fleet_of(player_get_known_object(player, OBJECT_FLEET, task->target_id)) : nullptr;
}

// What "attack fleet" works out of its target alone: the utility and the strength needed.
std::pair<int64_t, int64_t> fleet_side(AgentTask *task, AiPlayer *ai, Player *player) {
    int64_t u = 0, need = 0;
    if (const Fleet *fleet = known_fleet(task, player)) {
        const int32_t px = fleet->saved_d + fleet->w / 2, py = fleet->saved_e + fleet->h / 2;
        const int32_t radius = ai->attack_fleet_radius;
        if (ai->own_sectors) {
            for (GameObject *sector : ai->own_sectors->items) {
                if (!sector) break;
                int32_t cx = 0, cy = 0;
                ai_object_centre(sector, &cx, &cy);
                const int32_t d = distance(cx - px, cy - py);
                if (d >= radius) continue;
                const int64_t w = int64_t(sector_score(sector)) * ai_detail::squared(radius - d) / 10;
                if (w > 0) u += w;
            }
        }
        for (uint64_t id : fleet->known_ship_ids)
            if (const GameObject *ship = player_get_known_object(player, OBJECT_SHIP, id))
                need += ship_estimated_strength(ship);
        need = ai_strength_as_value(ai, need);
        // A fleet that stands still is easy to catch.
        if (!(fleet->flags & OBJ_TRAVELLING)) u *= 4;
    }
    return {u, need};
}

// The target's side, kept through the search's memo when one is open.
std::pair<int64_t, int64_t> kept_fleet_side(AgentTask *task, AiPlayer *ai, Player *player) {
    bool fresh = false;
    AgentTaskTargetFigures *kept = agent_task_target_figures(ai, task, &fresh);
    const auto side = kept && !fresh ? std::pair{kept->word[0], kept->word[1]} : fleet_side(task, ai, player);
    if (kept && fresh) kept->word[0] = side.first, kept->word[1] = side.second;
    else if (kept && plan_check_on()) [[unlikely]]
        plan_check_same("evaluation memo", "attack fleet", side == fleet_side(task, ai, player), true);
    return side;
}

// What the group brings (and adds to the bonus): its whole value, halved while its live value is
// short of what is required.
int64_t fleet_group_brings(int64_t all, int64_t live, int64_t required) {
    return ai_clamp32(live) < required && all > 0 ? all / 2 : all;
}

// The group's values, all and live, folded on over the assignees added since the fold's last
// evaluation (the words the need slot keeps).
void fold_fleet_group(AgentTask *task, AiPlayer *ai, AgentTaskFold *fold) {
    agent_task_fold_assignees(task, ai, fold, [fold](GameObject *obj, int32_t value, int32_t) {
        fold->word[0] += value;
        if (!is_dead(obj)) fold->word[1] += value;
    });
}

void attack_fleet_need(AgentTask *task, AiPlayer *ai, Player *player, int32_t *assigned, int32_t *needed) {
    const int64_t need = kept_fleet_side(task, ai, player).second;
    AgentTaskFold *fold = agent_task_fold(ai, task);
    fold_fleet_group(task, ai, fold);
    const int64_t required = int64_t(ai->strike_margin_pct) * need / 100;
    *assigned = ai_clamp32(fleet_group_brings(fold->word[0], fold->word[1], required));
    *needed = ai_clamp32(need);
}

bool attack_fleet_owed_bonus(AgentTask *task, AiPlayer *ai, Player *player, const AgentTaskFold *fold,
                             int32_t *bonus) {
    const int64_t required = int64_t(ai->strike_margin_pct) * kept_fleet_side(task, ai, player).second / 100;
    *bonus = ai_clamp32(fleet_group_brings(fold->word[0], fold->word[1], required));
    return true;
}

void attack_fleet_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned,
                           int32_t *needed) {
    const auto [u, need] = kept_fleet_side(task, ai, player);
    int64_t a = assignee_value_sum(task, false);
    int64_t b = a;
    const int64_t required = int64_t(ai->strike_margin_pct) * need / 100;
    ai_detail::data_of(task)->strength = ai_clamp32(required);
    if (task->assignee_value < required) {
        if (a > 0) a /= 2;
        if (b > 0) b /= 2;
    }
    *utility = ai_clamp32(u);
    *assigned = ai_clamp32(a);
    *needed = ai_clamp32(need);
    task->priority_bonus = ai_clamp32(task->priority_bonus + b);
}

int32_t attack_fleet_blocked(AgentTask *, AiPlayer *, Player *player) {
    return !player || player->totals.online_load_a < 1;
}

int32_t attack_fleet_done(AgentTask *task, AiPlayer *ai, Player *player) {
    const Fleet *fleet = known_fleet(task, player);
    if (!fleet || !fleet_of(game_find_object(game_get(), task->target_id))) return 1;
    int32_t fx = 0, fy = 0;
    ai_object_centre(fleet, &fx, &fy);
    if (ai->own_sectors) {
        for (GameObject *sector : ai->own_sectors->items) {
            if (!sector) break;
            int32_t cx = 0, cy = 0;
            ai_object_centre(sector, &cx, &cy);
            if (distance(cx - fx, cy - fy) < ai->attack_fleet_radius) return 0;
        }
    }
    return 1;
}

// Read as: forgotten and gone from the game, or the object under that id is no fleet, or is dead.
int32_t attack_fleet_obsolete(AgentTask *task, AiPlayer *, Player *player) {
    const GameObject *live = game_find_object(game_get(), task->target_id);
    if (!live) return known_fleet(task, player) ? 0 : 1;
    return live->kind != OBJECT_FLEET || is_dead(live) ? 1 : 0;
}

void attack_fleet_describe(AgentTask *task, AiPlayer *, std::string *text) {
    str_appendf(text, ", target #%" PRIu64 ", target attack strength %i", task->target_id,
                ai_detail::data_of(task)->strength);
}

void attack_fleet_update(AgentTask *task, AiPlayer *ai, Player *player) {
    if (task->assignee_value < ai_detail::data_of(task)->strength) {
        if (task->linked[0] == 0) task->linked[0] = ai_strongest_design_task(ai, player);
    } else {
        task->linked[0] = 0;
    }
    sector_task_link_research(task, ai, ai_preferred_tech(ai, player));
}

void attack_fleet_act(AgentTask *task, AiPlayer *, Player *player) {
    if (agent_task_assignee_count(task) == 0) return;
    const Fleet *fleet = known_fleet(task, player);
    if (!fleet) return;
    const uint64_t location = strike_group_location(task, false);
    int32_t tx = 0, ty = 0;
    ai_object_centre(fleet, &tx, &ty);
    uint64_t d = 0;
    if (task->assignee_value < ai_detail::data_of(task)->strength) {
        if (location != 0) {
            stop_group(location);
            return;
        }
        d = rally_point(task, player, tx, ty, RallyKind::FRIENDLY);
    } else {
        d = location != 0 ? task->target_id : rally_point(task, player, tx, ty, RallyKind::FRIENDLY);
    }
    if (d != 0) rally_orders(task, d);
}

// ---- 17 "attack sector" ----

int32_t hull_armour(int32_t tmpl) {
    const Ship *ship = ship_of(factory_get_template(OBJECT_SHIP, tmpl));
    return ship ? ship->base_max_armour : 0;
}

int32_t system_rating(int32_t type, int32_t subtype) { return system_type_load_a(type, subtype); }

enum class Holder { NONE, GUARDIAN, SELF, OTHER };

Holder holder_of(const GameObject *known, const Player *player) {
    if (!known || known->owner_id == 0) return Holder::NONE;
    const Game *game = game_get();
    if (game && game->sol_player_id != 0 && known->owner_id == game->sol_player_id) return Holder::GUARDIAN;
    if (player && known->owner_id == player->id) return Holder::SELF;
    return Holder::OTHER;
}

// A starbase of another player is taken, not only destroyed, when a boarding ship is in the group:
// a player that can fit boarding equipment brings one.
bool wants_boarding(AgentTask *task, Player *player) {
    return holder_of(sector_task_known(task, player), player) == Holder::OTHER &&
           player_best_system(player, SYSTEM_TYPE_HACKING);
}

bool brings_boarding(const AgentTask *task, bool in_sector, uint64_t sector_id) {
    bool found = false;
    ai_detail::each_assignee(task, [&](GameObject *obj) {
        const Ship *ship = ship_of(obj);
        if (!ship || is_dead(obj) || (in_sector && ship->sector_id != sector_id)) return;
        found = found || (ship->ship_flags & SHIP_FLAG_BOARDING);
    });
    return found;
}

// The technology that grants the boarding equipment, when it can be queued now; -1 otherwise.
int32_t boarding_tech(const Player *player) {
    for (int32_t n = 0; n < PLAYER_TECH_COUNT; ++n) {
        const TechInfo *tech = tech_get(n);
        if (!tech) continue;
        for (const TechEffect &e : tech->effects) {
            if (e.kind != TECH_EFFECT_SYSTEM || e.value != SYSTEM_TYPE_HACKING) continue;
            const uint32_t state = player->tech_state[n];
            if ((state & TECH_AVAILABLE) && !(state & (TECH_DONE | TECH_QUEUED))) return n;
        }
    }
    return -1;
}

// The strength the sector's own defences put up when no ship is seen there.
int64_t defence_strength(const Sector *known) {
    const int32_t rem = known->known_defenders - known->known_defenders_lost;
    int64_t e = 0;
    if (known->known_defence_kind == DEFENCE_KIND_GARRISON || known->known_defence_kind == DEFENCE_KIND_FORTRESS) {
        if (rem > 0) e += int64_t(hull_armour(0)) * rem + int64_t(system_rating(4, 0)) * rem / 2;
    }
    if (known->known_defence_kind == DEFENCE_KIND_FORTRESS)
        e += hull_armour(1) + system_rating(20, 0) + system_rating(1, 4);
    return e;
}

// A starbase held by another player: its hull and guns, more with a defense upgrade.
int64_t starbase_strength(const Sector *known, const Player *player) {
    int32_t g = 0;
    for (size_t i = 0; i < known->known_site_ids.size() && i < known->known_site_kinds.size(); ++i) {
        if (known->known_site_kinds[i] != SITE_STARBASE) continue;
        if (const Site *site = site_cast(player_get_known_object(player, OBJECT_SITE, known->known_site_ids[i])))
            g = site->defense_level;
        break;
    }
    const int64_t k = g > 0 ? 2 : 1;
    return int64_t(g > 0 ? 4 : 2) * hull_armour(4) + k * system_rating(0, 7) / 3 + k * system_rating(1, 3) / 3;
}

// What "attack sector" works out of its target alone: the utility before the group, the strength
// required (before the strike margin), what a group of its holder starts with, the snapshot and
// its value. The search asks it of every list it weighs; the target stands still.
struct SectorSide {
    int64_t u = 0, e = 0, a = 0;
    Holder holder = Holder::NONE;
    GameObject *known = nullptr;
    int32_t value = 0;
    bool boarding = false;   // the holder's starbase is taken by boarding (wants_boarding)
    bool operator==(const SectorSide &) const = default;
};

SectorSide sector_side(AgentTask *task, AiPlayer *ai, Player *player) {
    SectorSide side;
    const int64_t q = sector_task_closeness(task, ai);
    const int64_t diagonal = std::max(ai->map_diagonal, 1);
    int64_t u = std::max<int64_t>(ai_detail::squared(q) / diagonal * 7, 0);
    int64_t e = 0, a = 0;
    side.known = sector_task_known(task, player);
    const Sector *known = sector_of(side.known);
    const Holder holder = holder_of(known, player);
    if (known) {
        const int64_t v = sector_score(known);
        side.value = int32_t(v);
        switch (holder) {
        case Holder::GUARDIAN:
            // The guardians' standing figure, and their missile barrage as the damage it deals: a
            // group weighed without the barrage is lost to it whole.
            e = GUARDIAN_STRENGTH + encounter_sol_barrage_damage();
            break;
        case Holder::SELF: {
            if (ai_detail::squared(v) / 2 > 0) u += ai_detail::squared(v) / 2;
            const System *best = player_best_system(player, 1);
            const int64_t a0 = best ? int64_t(best->load_a) * 3 / 4 : 0;
            if (a0 > 0) a = a0;
            u += ai_detail::squared(v) / 20;
            break;
        }
        case Holder::OTHER:
            side.boarding = player_best_system(player, SYSTEM_TYPE_HACKING) != nullptr;
            e = starbase_strength(known, player);
            u += ai_detail::squared(v) / 20;
            break;
        case Holder::NONE:
            u += ai_detail::squared(v) / 20;
            break;
        }
        // A ship listed there counts at its strength, put below in the measure the group is weighed
        // by (player_object_value), or at its own value in that measure when that is more: the
        // strength estimate leaves out weapons and pilots, and a few ships with trained pilots and
        // good guns (the guardians') would otherwise count for a tenth of what they are.
        bool ships_seen = false;
        int64_t valued = 0;
        for (uint64_t id : known->known_object_ids) {
            const GameObject *ship = player_get_known_object(player, OBJECT_SHIP, id);
            if (!ship || ship->owner_id == player->id) continue;
            ships_seen = true;
            int32_t value = 0, strength = 0;
            agent_task_object_figures(ai, ship, &value, &strength);
            if (value > ai_strength_as_value(ai, strength)) valued += value;
            else e += strength;
        }
        if (!ships_seen) e += defence_strength(known);
        // The guardian's standing figure is already in the group's measure.
        const int64_t standing = holder == Holder::GUARDIAN ? GUARDIAN_STRENGTH : 0;
        e = standing + ai_strength_as_value(ai, e - standing) + valued;
    }
    side.u = u;
    side.e = e;
    side.a = a;
    side.holder = holder;
    return side;
}

// The target's side of the task, kept through the search's memo when one is open. A kept side
// leaves in the task what working it out leaves: the snapshot and its value.
SectorSide kept_sector_side(AgentTask *task, AiPlayer *ai, Player *player) {
    bool fresh = false;
    AgentTaskTargetFigures *kept = agent_task_target_figures(ai, task, &fresh);
    if (!kept || fresh) {
        const SectorSide side = sector_side(task, ai, player);
        if (kept) *kept = {{side.u, side.e, side.a, int64_t(side.holder), side.value, side.boarding}, side.known};
        return side;
    }
    SectorSide side;
    side.u = kept->word[0];
    side.e = kept->word[1];
    side.a = kept->word[2];
    side.holder = Holder(kept->word[3]);
    side.value = int32_t(kept->word[4]);
    side.boarding = kept->word[5] != 0;
    side.known = kept->known;
    ai_detail::data_of(task)->known = side.known;
    if (plan_check_on()) [[unlikely]]
        plan_check_same("evaluation memo", "attack sector", side == sector_side(task, ai, player), true);
    return side;
}

// What "attack sector" reads of a ship's systems and crew: the flags of its working systems in the
// low word, whether one of them is a boarding system, whether the ship has a pilot, and whether it
// is a boarding ship.
constexpr uint64_t HACKER = uint64_t(1) << 32, PILOTED = uint64_t(1) << 33, BOARDS = uint64_t(1) << 34;
uint64_t ship_systems(const Ship *ship) {
    uint64_t systems = 0;
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        const System *s = ship->crits[i].system;
        if (!s || (s->status & SYSTEM_STATUS_OFFLINE)) continue;
        systems |= s->flags;
        if (s->type == SYSTEM_TYPE_HACKING) systems |= HACKER;
    }
    if (ship->ship_flags & SHIP_FLAG_BOARDING) systems |= BOARDS;
    return ship->pilot ? systems | PILOTED : systems;
}

// What "attack sector" takes of its group: the values, the nearness to the target, the systems'
// flags, whether one is a boarding system (bit 0) and whether one is a boarding ship (bit 1), and
// the piloted ships.
constexpr int64_t GROUP_HACKER = 1, GROUP_BOARDS = 2;
struct GroupSide {
    int64_t a = 0, b = 0, flags = 0, hacker = 0, piloted = 0;
    bool operator==(const GroupSide &) const = default;
};

// One ship's share of the group's side: its value (when positive), its nearness to the target,
// and its systems.
std::array<int64_t, 3> ship_share(AgentTask *task, AiPlayer *ai, GameObject *obj, Ship *ship) {
    const int64_t diagonal = std::max(ai->map_diagonal, 1);
    int32_t value = 0, strength = 0;
    agent_task_object_figures(ai, obj, &value, &strength);
    int64_t b = 0;
    int32_t tx = 0, ty = 0;
    if (task_target_centre(task, &tx, &ty)) {
        int32_t x = 0, y = 0;
        agent_task_ship_position(ai, ship, &x, &y);
        const int64_t d = distance(tx - x, ty - y);
        b = std::max<int64_t>(ai_detail::squared(diagonal - d) / diagonal * 3 / 2, 0);
    }
    bool fresh = false;
    int64_t *kept = agent_task_object_word(ai, obj, task->type, &fresh);
    const uint64_t systems = kept && !fresh ? uint64_t(*kept) : ship_systems(ship);
    if (kept && fresh) *kept = int64_t(systems);
    if (kept && !fresh && plan_check_on()) [[unlikely]]
        plan_check_same("evaluation memo", "ship systems", systems, ship_systems(ship));
    return {std::max<int64_t>(value, 0), b, int64_t(systems)};
}

// Adds the assignees from the one at `from` on to the group's side: the place it stopped at. Each
// ship's share is kept through the search's memo when one is open: the ship and the target stand
// still.
size_t add_group(AgentTask *task, AiPlayer *ai, size_t from, GroupSide *group) {
    const std::vector<GameObject *> &items = task->assignees.items;
    size_t at = from;
    for (; at < items.size() && items[at]; ++at) {
        GameObject *obj = items[at];
        Ship *ship = ship_of(obj);
        if (!ship || is_dead(obj)) continue;
        bool fresh = false;
        AgentTaskShare *kept = agent_task_share(ai, obj, task, &fresh);
        std::array<int64_t, 3> share{};
        if (kept && !fresh) {
            std::copy(std::begin(kept->word), std::end(kept->word), share.begin());
            if (plan_check_on()) [[unlikely]]
                plan_check_same("evaluation memo", "attack sector share", share == ship_share(task, ai, obj, ship), true);
        } else {
            share = ship_share(task, ai, obj, ship);
            if (kept) std::copy(share.begin(), share.end(), kept->word);
        }
        const uint64_t systems = uint64_t(share[2]);
        group->a += share[0];
        group->b += share[1];
        group->flags |= int64_t(uint32_t(systems));
        if (systems & HACKER) group->hacker |= GROUP_HACKER;
        if (systems & BOARDS) group->hacker |= GROUP_BOARDS;
        if (systems & PILOTED) ++group->piloted;
    }
    return at;
}

// The group's side, folded on from the search's last evaluation of the task when it gives one.
GroupSide group_side(AgentTask *task, AiPlayer *ai, AgentTaskFold *fold) {
    GroupSide group;
    if (!fold) {
        add_group(task, ai, 0, &group);
        return group;
    }
    group = {fold->word[0], fold->word[1], fold->word[2], fold->word[3], fold->word[4]};
    fold->typed = int32_t(add_group(task, ai, size_t(fold->typed), &group));
    fold->word[0] = group.a, fold->word[1] = group.b, fold->word[2] = group.flags;
    fold->word[3] = group.hacker, fold->word[4] = group.piloted;
    if (plan_check_on()) [[unlikely]] {
        GroupSide whole;
        add_group(task, ai, 0, &whole);
        plan_check_same("evaluation fold", "attack sector group", group == whole, true);
    }
    return group;
}

// The strength the strike requires: its target's, with the strike margin.
int64_t required_strength(const SectorSide &side, const AiPlayer *ai) {
    return ai->strike_margin_pct != 100 ? side.e * ai->strike_margin_pct / 100 : side.e;
}

// What the group brings against what is required: without its boarding ship a group that could
// take the starbase is only half what it needs.
int64_t group_brings(const SectorSide &side, const GroupSide &group, int64_t required) {
    const int64_t a = side.a + group.a;
    if (a >= required && required > 0 && side.boarding && !(group.hacker & GROUP_BOARDS)) return required / 2;
    return a;
}

void attack_sector_need(AgentTask *task, AiPlayer *ai, Player *player, int32_t *assigned, int32_t *needed) {
    const SectorSide side = kept_sector_side(task, ai, player);
    const GroupSide group = group_side(task, ai, agent_task_fold(ai, task));
    const int64_t required = required_strength(side, ai);
    *assigned = ai_clamp32(group_brings(side, group, required));
    *needed = ai_clamp32(required);
}

// The group's bonus before the share of a group that was already enough: its nearness, its kinds
// of systems, a boarding system against another player's starbase, and its pilots.
int64_t group_bonus(const SectorSide &side, const GroupSide &group) {
    int64_t b = group.b;
    const uint32_t system_flags = uint32_t(group.flags);
    int64_t n = 0;
    for (uint32_t bit : CAPABILITY_BITS)
        if (system_flags & bit) ++n;
    if (n > 1) b += 15 * n * n * n;
    if ((group.hacker & GROUP_HACKER) && side.holder == Holder::OTHER) b += 1600;
    return b + 400 * group.piloted * group.piloted;
}

// The bonus of the evaluation owed, from the fold: not when the group was enough before the last
// join (that share reads the list).
bool attack_sector_owed_bonus(AgentTask *task, AiPlayer *ai, Player *player, const AgentTaskFold *fold,
                              int32_t *bonus) {
    if (fold->before_assigned >= fold->before_needed) return false;
    const SectorSide side = kept_sector_side(task, ai, player);
    const GroupSide group{fold->word[0], fold->word[1], fold->word[2], fold->word[3], fold->word[4]};
    *bonus = ai_clamp32(group_bonus(side, group));
    return true;
}

void attack_sector_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned,
                            int32_t *needed) {
    AgentTaskFold *fold = agent_task_fold(ai, task);
    const SectorSide side = kept_sector_side(task, ai, player);
    const GroupSide group = group_side(task, ai, fold);
    int64_t u = side.u, b = group_bonus(side, group);
    const Holder holder = side.holder;
    if (side.known && sector_of(side.known)) ai_detail::data_of(task)->value = side.value;
    const int64_t required = required_strength(side, ai);
    ai_detail::data_of(task)->strength = ai_clamp32(required);
    if (holder == Holder::GUARDIAN) {
        const int64_t x = required * 6 / 5 - ai->own_value;
        if (x >= 1) {
            u += 1000;
        } else {
            const int64_t surplus = -x;
            if (surplus < required) u += surplus < required / 2 ? 100000 : 150000;
            else u += 200000;
        }
    } else if (holder == Holder::OTHER) {
        if (ai->own_sector_count < 3) u /= 2;
        u = u * ai->personality / 100;
    }
    if (ai->own_sector_count == 0) u /= 10;
    const int64_t a = group_brings(side, group, required);
    // A group that was already enough last turn is worth keeping together.
    if (task->assigned >= task->needed) {
        ai_detail::each_assignee(task, [&](GameObject *obj) {
            if (is_dead(obj) || ai_ship_word(obj, AI_SHIP_GALAXY_TASK) != task->id) return;
            const int64_t value = ai_detail::squared(player_object_value(obj)) / 12;
            if (value > 0) b += value;
        });
        if (strike_group_location(task, true) != 0) b = b * 3 / 2;
    }
    *utility = ai_clamp32(u);
    *assigned = ai_clamp32(a);
    *needed = ai_clamp32(required);
    task->priority_bonus = ai_clamp32(task->priority_bonus + b);
}

int32_t attack_sector_blocked(AgentTask *task, AiPlayer *ai, Player *player) {
    // The holder of the target's snapshot, through the search's memo when one is open.
    if (ai->task_memo) {
        if (kept_sector_side(task, ai, player).holder != Holder::GUARDIAN) return 0;
    } else if (holder_of(sector_task_known(task, player), player) != Holder::GUARDIAN) {
        return 0;
    }
    return int64_t(ai->own_value) < int64_t(ai_detail::data_of(task)->strength) * 6 / 5 ? 1 : 0;
}

int32_t attack_sector_done(AgentTask *task, AiPlayer *, Player *player) {
    const Sector *known = sector_of(sector_task_known(task, player));
    if (!known || !player) return 0;
    const Sector *sector = sector_of(ai_detail::data_of(task)->target);
    if (sector && sector->owner_id == player->id && sector_count_other_owners(sector, player->id) == 0) return 1;
    return known->owner_id == 0 && known->known_defence_kind < 0 && !player_sector_has_known_enemy(player, known);
}

// One of the listed "build ship" tasks of armed designs, drawn by weight (speed counts double).
uint64_t draw_armed_design_task(AiPlayer *ai, Player *player) {
    if (!ai->listed) return 0;
    int64_t total = 0;
    auto weight_of = [&](const AgentTask *t) -> int64_t {
        if (t->type != uint32_t(TASK_BUILD_SHIP)) return -1;
        const Ship *design = ship_of(player_get_design(player, t->target_id));
        if (!design || design->online_load_a <= 0) return -1;
        return int64_t(design->online_load_b) + 2 * int64_t(design->max_mp) + design->online_load_a;
    };
    for (AgentTask *t : ai->listed->items) {
        if (!t) break;
        const int64_t w = weight_of(t);
        if (w > 0) total += w;
    }
    if (total <= 0) return 0;
    const int64_t r = random_range(0, ai_clamp32(total - 1));
    int64_t running = 0;
    for (AgentTask *t : ai->listed->items) {
        if (!t) break;
        const int64_t w = weight_of(t);
        if (w < 0) continue;
        running += w;
        if (running > r) return t->id;
    }
    return 0;
}

void attack_sector_update(AgentTask *task, AiPlayer *ai, Player *player) {
    const int32_t required = ai_detail::data_of(task)->strength;
    if (task->assignee_value < required) {
        if (task->linked[0] == 0) task->linked[0] = draw_armed_design_task(ai, player);
    } else {
        const GameObject *known = sector_task_known(task, player);
        const bool hack = holder_of(known, player) == Holder::OTHER && player_best_system(player, SYSTEM_TYPE_HACKING);
        const uint32_t flag = hack ? SHIP_FLAG_BOARDING : SHIP_FLAG_CONSTRUCTOR;
        bool present = false;
        ai_detail::each_assignee(task, [&](GameObject *obj) {
            const Ship *ship = ship_of(obj);
            present = present || (ship && !is_dead(obj) && (ship->ship_flags & flag));
        });
        task->linked[0] = present ? 0 : ai_design_task_with_flag(ai, player, flag);
    }
    // Another player's starbase is worth taking whole: the boarding equipment is researched first.
    const bool other = holder_of(sector_task_known(task, player), player) == Holder::OTHER;
    const int32_t boarding = other && !player_best_system(player, SYSTEM_TYPE_HACKING) ? boarding_tech(player) : -1;
    sector_task_link_research(task, ai, boarding >= 0 ? boarding : ai_preferred_tech(ai, player));
    const int64_t combat_officers = int64_t(ai->officer_stats[0]) + ai->officer_stats[1];
    if (task->linked[2] == 0 && combat_officers < int64_t(ai->combat_pilot_pct) * ai->ship_count / 100 + 1)
        task->linked[2] = ai_mapped_pilot_task(ai, PILOT_CLASS_COMBAT);
}

// The nearest other live assignee travelling in a fleet other than `fleet_id`; null when none.
GameObject *nearest_other_group(const AgentTask *task, GameObject *self, uint64_t fleet_id) {
    Ship *ship = ship_of(self);
    int32_t sx = 0, sy = 0;
    ship_get_galaxy_position(ship, &sx, &sy);
    GameObject *best = nullptr;
    int32_t best_d = 0;
    ai_detail::each_assignee(task, [&](GameObject *obj) {
        Ship *other = ship_of(obj);
        if (obj == self || !other || is_dead(obj) || other->fleet_id == 0 || other->fleet_id == fleet_id) return;
        int32_t x = 0, y = 0;
        ship_get_galaxy_position(other, &x, &y);
        const int32_t d = distance(x - sx, y - sy);
        if (!best || d < best_d) {
            best = obj;
            best_d = d;
        }
    });
    return best;
}

void attack_sector_act(AgentTask *task, AiPlayer *, Player *player) {
    if (agent_task_assignee_count(task) == 0) return;
    const uint64_t location = strike_group_location(task, true);
    const int32_t required = ai_detail::data_of(task)->strength;
    int32_t tx = 0, ty = 0;
    const bool has_centre = task_target_centre(task, &tx, &ty);
    uint64_t d = 0;
    if (task->assigned < task->needed) {
        if (location != 0) {
            stop_group(location);
            return;
        }
        d = has_centre ? rally_point(task, player, tx, ty, RallyKind::OWN_GROUP) : 0;
    } else {
        d = location != 0 ? task->target_id : has_centre ? rally_point(task, player, tx, ty, RallyKind::OWN_GROUP) : 0;
    }
    if (d == 0) return;
    ai_detail::each_assignee(task, [&](GameObject *obj) {
        if (is_dead(obj) || is_locked(obj)) return;
        if (fleet_id_of(obj) == d) {
            // Already at the meeting fleet: the stragglers' fleets are fetched instead.
            if (GameObject *other = nearest_other_group(task, obj, d)) {
                ai_ship_set_word(obj, AI_SHIP_MOVE_TARGET, fleet_id_of(other));
            } else {
                ai_ship_set_word(obj, AI_SHIP_MOVE_TARGET, 0);
                Fleet *fleet = fleet_of_ship(obj);
                if (fleet && fleet->move_target) halt_fleet(fleet);
            }
        } else if (sector_id_of(obj) != d && fleet_heading_id(obj) != d) {
            ai_ship_set_word(obj, AI_SHIP_MOVE_TARGET, d);
        }
    });
    int64_t on_site = 0;
    ai_detail::each_assignee(task, [&](GameObject *obj) {
        if (!is_dead(obj) && sector_id_of(obj) == d && ai_ship_has_power(obj)) on_site += player_object_value(obj);
    });
    if (on_site < required) return;
    if (wants_boarding(task, player) && !brings_boarding(task, true, d)) return;   // it is on its way
    const GameObject *sector = ai_detail::data_of(task)->target;
    const uint32_t order = sector && sector->owner_id == 0 ? SHIP_FLAG_ORDER_B : SHIP_FLAG_ORDER_A;
    ai_detail::each_assignee(task, [&](GameObject *obj) {
        Ship *ship = ship_of(obj);
        if (ship && !is_dead(obj) && ship->sector_id == d) ship->ship_flags |= order;
    });
}

// ---- 11 "defend bases" ----

void defend_bases_link(AgentTask *task) { task->flags |= TASK_FORCED; }

// The guards wanted: one ship for each defence task that faces an enemy and lacks what it needs. A
// quiet sector holds no ship back from the strikes.
int32_t short_defences(const AiPlayer *ai) {
    int32_t n = 0;
    if (!ai->defence) return 0;
    for (const AgentTask *t : ai->defence->items) {
        if (!t) break;
        if (ai_detail::data_of(t)->strength > 0 && t->assigned < t->needed) ++n;
    }
    return n;
}

void defend_bases_need(AgentTask *task, AiPlayer *ai, Player *, int32_t *assigned, int32_t *needed) {
    *assigned = agent_task_assignee_count(task);
    // The ship search weighs "defend bases" over and over and never a defence task: their figures
    // stand still while it runs (the defence search, which moves them, weighs only them).
    bool fresh = false;
    AgentTaskTargetFigures *kept = agent_task_target_figures(ai, task, &fresh);
    if (!kept) {
        *needed = short_defences(ai);
        return;
    }
    if (fresh) kept->word[0] = short_defences(ai);
    else if (plan_check_on()) [[unlikely]]
        plan_check_same("evaluation memo", "short defences", kept->word[0], int64_t(short_defences(ai)));
    *needed = int32_t(kept->word[0]);
}

void defend_bases_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned,
                           int32_t *needed) {
    *utility = task->inherited_utility / 4 + 10;
    defend_bases_need(task, ai, player, assigned, needed);
}

int32_t defend_bases_blocked(AgentTask *, AiPlayer *, Player *player) {
    return !player || player->totals.starbase_sectors < 1;
}

int32_t always_useful(AgentTask *, GameObject *) { return 1; }

// Each defence task is carried out at most once until the defence assignment clears the mark.
void defend_bases_act(AgentTask *, AiPlayer *ai, Player *player) {
    if (!ai->defence) return;
    for (AgentTask *t : ai->defence->items) {
        if (!t) break;
        if (t->flags & TASK_DEFENCE_ACTED) continue;
        t->flags |= TASK_DEFENCE_ACTED;
        agent_task_act(t, ai, player);
    }
}

}  // namespace

uint64_t strike_group_location(const AgentTask *task, bool skip_dead) {
    uint64_t location = 0;
    bool counted = false;
    for (GameObject *obj : task->assignees.items) {
        if (!obj) break;
        if (is_locked(obj) || (skip_dead && is_dead(obj))) continue;
        const uint64_t here = sector_id_of(obj) ? sector_id_of(obj) : fleet_id_of(obj);
        if (counted && here != location) return 0;
        location = here;
        counted = true;
    }
    return location;
}

void ai_strike_task_type_init(int32_t type, AgentTaskType *t) {
    switch (type) {
    case TASK_COLONIZE_SECTOR:
        t->link = strike_link;
        t->free = sector_task_free;
        t->relink = sector_task_relink;
        t->describe = strike_describe;
        t->execute = colonize_done;
        t->evaluate = colonize_evaluate;
        t->ship_utility = constructor_utility;
        t->update = colonize_update;
        t->act = colonize_act;
        break;
    case TASK_ATTACK_SECTOR:
        t->link = strike_link;
        t->free = sector_task_free;
        t->relink = sector_task_relink;
        t->describe = strike_describe;
        t->execute = attack_sector_done;
        t->is_blocked = attack_sector_blocked;
        t->evaluate = attack_sector_evaluate;
        t->need = attack_sector_need;
        t->owed_bonus = attack_sector_owed_bonus;
        t->ship_utility = sector_task_power_utility;
        t->update = attack_sector_update;
        t->act = attack_sector_act;
        break;
    case TASK_ATTACK_FLEET:
        t->link = attack_fleet_link;
        t->free = record_free;
        t->describe = attack_fleet_describe;
        t->execute = attack_fleet_done;
        t->is_blocked = attack_fleet_blocked;
        t->is_obsolete = attack_fleet_obsolete;
        t->evaluate = attack_fleet_evaluate;
        t->need = attack_fleet_need;
        t->owed_bonus = attack_fleet_owed_bonus;
        t->ship_utility = sector_task_power_utility;
        t->update = attack_fleet_update;
        t->act = attack_fleet_act;
        break;
    case TASK_DEFEND_BASES:
        t->link = defend_bases_link;
        t->free = record_free;
        t->is_blocked = defend_bases_blocked;
        t->evaluate = defend_bases_evaluate;
        t->need = defend_bases_need;
        t->owed_bonus = [](AgentTask *, AiPlayer *, Player *, const AgentTaskFold *, int32_t *bonus) {
            *bonus = 0;   // no bonus, and a utility of its own
            return true;
        };
        t->ship_utility = always_useful;
        t->act = defend_bases_act;
        break;
    default:
        break;
    }
}
