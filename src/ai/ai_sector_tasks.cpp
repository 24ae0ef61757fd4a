// Sector tasks and the mechanics every task aimed at a sector shares.
#include "ai/ai_sector_tasks.h"

#include <algorithm>
#include <cinttypes>
#include <utility>
#include "ai/agent_task.h"
#include "ai/ai_crew.h"
#include "ai/ai_internal.h"
#include "ai/ai_player.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/geometry.h"
#include "platform/log.h"
#include "platform/saturate.h"
#include "platform/str.h"
#include "systems/plan_check.h"
#include "systems/system.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace {

constexpr uint32_t SECTOR_TASK_FLAGS = TASK_DISTANCE_BONUS | TASK_PATH_DANGER;
constexpr int32_t  FEATURE_KIND_RICH = 6;        // a defended sector worth half again as much
constexpr int64_t  FLEET_SIGHTING_MINUTES = 1440;   // older sightings of incoming fleets are ignored
constexpr int32_t  ETA_UNREACHABLE = 9999;
// The closeness is held within this of zero: its cube fits 64 bits.
constexpr int64_t  SECTOR_CLOSENESS_LIMIT = int64_t(1) << 20;

// Technologies that open the galaxy up, tried in this order.
constexpr int32_t EXPLORE_RESEARCH[] = {0, 34, 1, 2, 3, 4};
constexpr int32_t SURVEY_RESEARCH[] = {0, 1, 2, 3, 4};

int32_t max_mp_of(GameObject *obj) {
    const Ship *ship = ship_of(obj);
    return ship ? ship->max_mp : 0;
}

bool has_pilot(GameObject *obj) {
    const Ship *ship = ship_of(obj);
    return ship && ship->pilot;
}

bool fog_of_war() {
    const Game *game = game_get();
    return game && game->setup.fog_of_war_off == 0;
}

int32_t own_objects(const Player *player) { return player ? player_object_count(player) : 0; }

// ---- 2 "explore sector" ----

void explore_link(AgentTask *task) { sector_task_link(task, SECTOR_TASK_FLAGS); }

void explore_evaluate(AgentTask *task, AiPlayer *ai, Player *, int32_t *utility, int32_t *assigned,
                      int32_t *needed) {
    const int64_t q = sector_task_closeness(task, ai);
    const int64_t diagonal = std::max(ai->map_diagonal, 1);
    const int64_t u = std::max<int64_t>(ai_detail::squared(q) / diagonal, 0) +
                      std::max<int64_t>(ai_detail::squared(ai->unexplored) / 4, 0);
    *utility = ai_clamp32(u);
    *needed = 1;
    ai_detail::each_assignee(task, [&](GameObject *ship) {
        if (*assigned || !ai_ship_has_working_engine(ship)) return;
        *assigned = 1;
        task->priority_bonus += 4 * max_mp_of(ship);
    });
}

int32_t engine_utility(AgentTask *, GameObject *ship) { return ai_ship_has_working_engine(ship) ? 1 : 0; }

int32_t no_ships_left(AgentTask *, AiPlayer *, Player *player) { return own_objects(player) == 0; }

int32_t explore_done(AgentTask *task, AiPlayer *, Player *player) {
    return player && player_known_object_by_id(player, task->target_id) ? 1 : 0;
}

void explore_update(AgentTask *task, AiPlayer *ai, Player *player) {
    sector_task_supply_link(task, ai, player);
    sector_task_link_research(task, ai, ai_first_unresearched(player, EXPLORE_RESEARCH, 6));
}

void move_act(AgentTask *task, AiPlayer *, Player *) { sector_task_move_assignees(task); }

void sector_describe(AgentTask *task, AiPlayer *, std::string *text) { sector_task_describe_target(task, text); }

// ---- 9 "scan sector" ----

void scan_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned,
                   int32_t *needed) {
    const bool fog = fog_of_war();
    const int64_t q = sector_task_closeness(task, ai);
    const int64_t diagonal = std::max(ai->map_diagonal, 1);
    int64_t s = fog ? ai_detail::squared(q) * q : ai_detail::squared(q);
    s /= diagonal;
    if (fog) s /= 640;
    int64_t u = std::max<int64_t>(s, 0) + std::max<int64_t>(ai_detail::squared(ai->unscanned) / 7, 0);
    *needed = 10;
    if (const Sector *known = sector_of(sector_task_known(task, player))) {
        if (known->owner_id != 0) {
            u += 10;
            *needed = 110;
        }
        const int32_t v = sector_score(known);
        ai_detail::data_of(task)->value = v;
        int64_t w = ai_detail::squared(v) / 32;
        if (fog) w /= 2;
        if (w > 0) u += w;
        if (known->known_site_count < 2) u = std::max<int64_t>(u / 10, 1);
    }
    *utility = ai_clamp32(u);
    ai_detail::each_assignee(task, [&](GameObject *ship) {
        if (*assigned || !ai_ship_has_working_engine(ship)) return;
        *assigned = 10;
        task->priority_bonus += 2 * max_mp_of(ship);
    });
}

int32_t scan_blocked(AgentTask *task, AiPlayer *, Player *player) {
    const Sector *sector = ai_detail::target_sector(task);
    return (sector && sector->owner_id != 0) || own_objects(player) == 0;
}

int32_t scan_done(AgentTask *task, AiPlayer *, Player *player) {
    const GameObject *known = sector_task_known(task, player);
    return known && known->snapshot_version > 0 ? 1 : 0;
}

void scan_describe(AgentTask *task, AiPlayer *, std::string *text) {
    sector_task_describe_target(task, text);
    str_appendf(text, ", sector priority value %i", ai_detail::data_of(task)->value);
}

void survey_update(AgentTask *task, AiPlayer *ai, Player *player) {
    sector_task_supply_link(task, ai, player);
    sector_task_link_research(task, ai, ai_first_unresearched(player, SURVEY_RESEARCH, 5));
}

// ---- 12 "gather feature" ----

void gather_link(AgentTask *task) {
    sector_task_link(task, SECTOR_TASK_FLAGS);
    const Sector *sector = ai_detail::target_sector(task);
    ai_detail::data_of(task)->feature_kind = sector ? sector_first_feature_kind(sector) : -1;
}

void gather_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned,
                     int32_t *needed) {
    const int64_t q = sector_task_closeness(task, ai);
    const int64_t diagonal = std::max(ai->map_diagonal, 1);
    const GameObject *known = sector_task_known(task, player);
    const int32_t worth = known ? sector_score(known) : 0;
    *utility = ai_clamp32(ai_detail::squared(q) / diagonal * 7 + worth);
    *needed = 1;
    // The first ship that can fly there and mine decides; an engine without a pilot is not enough.
    ai_detail::each_assignee(task, [&](GameObject *ship) {
        if (*assigned || !ai_ship_has_working_engine(ship) || !has_pilot(ship)) return;
        *assigned = 1;
        task->priority_bonus += 2 * max_mp_of(ship) + worth;
    });
}

int32_t gather_utility(AgentTask *, GameObject *ship) {
    return ai_ship_has_working_engine(ship) && has_pilot(ship) ? 1 : 0;
}

int32_t gather_done(AgentTask *task, AiPlayer *, Player *player) {
    const Sector *known = sector_of(sector_task_known(task, player));
    return known && known->snapshot_version > 0 && known->known_feature_kind < 0 ? 1 : 0;
}

void gather_describe(AgentTask *task, AiPlayer *, std::string *text) {
    sector_task_describe_target(task, text);
    str_appendf(text, ", feature type %i", ai_detail::data_of(task)->feature_kind);
}

void gather_update(AgentTask *task, AiPlayer *ai, Player *player) {
    if (agent_task_assignee_count(task) == 0) {
        sector_task_supply_link(task, ai, player);
    } else {
        task->linked[0] = 0;
        bool piloted = false;
        ai_detail::each_assignee(task, [&](GameObject *ship) { piloted = piloted || has_pilot(ship); });
        if (!piloted) task->linked[0] = ai_listed_pilot_task(ai, PILOT_CLASS_GALAXY);
    }
    sector_task_link_research(task, ai, ai_first_unresearched(player, SURVEY_RESEARCH, 5));
}

// Ships on their way are sent on; the first one there mines, and the rest wait for the next turn.
void gather_act(AgentTask *task, AiPlayer *, Player *) {
    for (GameObject *obj : task->assignees.items) {
        if (!obj) break;
        Ship *ship = ship_of(obj);
        if (ship && ship->sector_id == task->target_id) {
            ship->ship_flags |= SHIP_FLAG_SURVEY;
            return;
        }
        sector_task_move_ship(task, obj);
    }
}

// ---- 4 "defend sector" ----

void defend_link(AgentTask *task) { sector_task_link(task, TASK_DEFENCE); }

// The strength of a ship that would arrive after eta days, counted down for late arrivals.
int32_t arrival_weighted(int32_t s, int32_t eta) {
    if (eta > 21) return s / 3;
    if (eta >= 15) return s / 2;
    if (eta >= 9) return s * 3 / 4;
    return s;
}

// Enemy strength heading for the sector or already in it, and the earliest arrival in days.
void enemy_strength_at(const AgentTask *task, const Sector *sector, const Player *player, int64_t *strength,
                       int32_t *earliest) {
    int32_t cx = 0, cy = 0;
    ai_object_centre(sector, &cx, &cy);
    const uint64_t now = ai_clock_minutes();
    for (GameObject *snap : player->known.items) {
        if (!snap) break;
        const Fleet *fleet = fleet_of(snap);
        if (!fleet || fleet->owner_id == player->id || fleet->known_target_id != task->target_id) continue;
        const uint64_t seen = fleet->seen_date ? fleet->seen_date->minutes : 0;
        if (now < seen || now - seen > uint64_t(FLEET_SIGHTING_MINUTES)) continue;
        int32_t fx = 0, fy = 0;
        ai_object_centre(fleet, &fx, &fy);
        const int32_t dist = distance(cx - fx, cy - fy);
        const int32_t speed = fleet->known_speed;
        for (uint64_t id : fleet->known_ship_ids) {
            const GameObject *ship = player_get_known_object(player, OBJECT_SHIP, id);
            if (!ship) continue;
            int32_t s = ship_estimated_strength(ship);
            int32_t eta = ETA_UNREACHABLE;
            if (speed < 1) {
                s /= 3;
            } else {
                eta = (dist + speed - 1) / speed;
                s = arrival_weighted(s, eta);
            }
            if (s > 0) *strength += s;
            *earliest = std::min(*earliest, eta);
        }
    }
    for (GameObject *obj : sector->objects.items) {
        if (!obj) break;
        if (obj->owner_id == player->id) continue;
        const GameObject *snap = player_get_known_object(player, OBJECT_SHIP, obj->id);
        const int32_t s = snap ? ship_estimated_strength(snap) : 0;
        if (s > 0) *strength += s;
    }
}

// What "defend sector" works out of its sector alone: the sector's score, the utility before the
// enemy, the enemy's strength and earliest arrival.
struct DefendSide {
    int64_t v = 0, u = 0, strength = 0;
    int32_t earliest = INT32_MAX;
    bool operator==(const DefendSide &) const = default;
};

DefendSide defend_side(const AgentTask *task, const AiPlayer *ai, const Player *player, const Sector *sector) {
    DefendSide side;
    side.v = sector ? sector_score(sector) : 0;
    side.u = std::max<int64_t>(ai_detail::squared(side.v) / 8, 1);
    if (sector) {
        int32_t cx = 0, cy = 0;
        ai_object_centre(sector, &cx, &cy);
        const int64_t t = ai->threats ? fleet_threat_value(ai->threats, cx, cy) : 0;
        if (ai_detail::squared(t) / 24 > 0) side.u += ai_detail::squared(t) / 24;
        enemy_strength_at(task, sector, player, &side.strength, &side.earliest);
    }
    return side;
}

// The sector's side, kept through the search's memo when one is open: the sector, the threats
// and the snapshots stand still while the search weighs the task.
DefendSide kept_defend_side(const AgentTask *task, AiPlayer *ai, const Player *player, const Sector *sector) {
    bool fresh = false;
    AgentTaskTargetFigures *kept = agent_task_target_figures(ai, task, &fresh);
    if (!kept || fresh) {
        const DefendSide side = defend_side(task, ai, player, sector);
        if (kept) kept->word[0] = side.v, kept->word[1] = side.u, kept->word[2] = side.strength, kept->word[3] = side.earliest;
        return side;
    }
    const DefendSide side{kept->word[0], kept->word[1], kept->word[2], int32_t(kept->word[3])};
    if (plan_check_on()) [[unlikely]]
        plan_check_same("evaluation memo", "defend sector", side == defend_side(task, ai, player, sector), true);
    return side;
}

// The defenders' values and strengths, dead ones too: folded on over the assignees added since the
// fold's last evaluation when a search gives one (the words the need slot keeps).
std::pair<int64_t, int64_t> defenders(const AgentTask *task, AiPlayer *ai, AgentTaskFold *fold) {
    const auto whole = [task] {
        int64_t value = 0, strength = 0;
        ai_detail::each_assignee(task, [&](GameObject *ship) {
            value += player_object_value(ship);
            strength += ship_estimated_strength(ship);
        });
        return std::pair{value, strength};
    };
    if (!fold) return whole();
    agent_task_fold_assignees(task, ai, fold, [fold](GameObject *, int32_t value, int32_t strength) {
        fold->word[0] += value;
        fold->word[1] += strength;
    });
    if (plan_check_on()) [[unlikely]]
        plan_check_same("evaluation fold", "defenders", std::pair{fold->word[0], fold->word[1]} == whole(), true);
    return {fold->word[0], fold->word[1]};
}

// The strength a threatened sector needs, as a value.
int32_t defence_needed(const AiPlayer *ai, int64_t strength) {
    return ai_clamp32(std::max<int64_t>(ai_strength_as_value(ai, strength * 4 / 3), 0));
}

void defend_need(AgentTask *task, AiPlayer *ai, Player *player, int32_t *assigned, int32_t *needed) {
    const DefendSide side = kept_defend_side(task, ai, player, ai_detail::target_sector(task));
    if (side.strength < 1) {
        *assigned = agent_task_assignee_count(task);
        *needed = *assigned + 1;
        return;
    }
    *assigned = ai_clamp32(defenders(task, ai, agent_task_fold(ai, task)).first);
    *needed = defence_needed(ai, side.strength);
}

// A quiet sector gives no bonus; a threatened one its defenders' strength.
bool defend_owed_bonus(AgentTask *task, AiPlayer *ai, Player *player, const AgentTaskFold *fold, int32_t *bonus) {
    const DefendSide side = kept_defend_side(task, ai, player, ai_detail::target_sector(task));
    *bonus = side.strength < 1 ? 0 : ai_clamp32(fold->word[1]);
    return true;
}

void defend_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned,
                     int32_t *needed) {
    const Sector *sector = ai_detail::target_sector(task);
    const int32_t count = agent_task_assignee_count(task);
    const DefendSide side = kept_defend_side(task, ai, player, sector);
    const int64_t v = side.v, strength = side.strength;
    int64_t u = side.u;
    const int32_t earliest = side.earliest;
    if (strength < 1) {
        ai_detail::data_of(task)->strength = 0;   // quiet: "defend bases" holds no ship for it
        *utility = ai_clamp32(u);
        *assigned = count;
        *needed = count + 1;
        return;
    }
    int64_t r = v * strength;
    r = ai->own_sector_count < 3 ? r * 5 / 6 : r / 10;
    for (int32_t i = 0; sector && i < sector_site_count(sector); ++i) {
        const Site *site = sector_get_site(sector, i);
        if (!site || !site->feature) continue;
        if (site->feature->kind == FEATURE_KIND_RICH) r = r * 3 / 2;
        break;
    }
    if (r > 0) u += r;
    if (earliest >= 1 && earliest <= 7) u *= 2;
    *utility = ai_clamp32(u);
    *needed = defence_needed(ai, strength);
    ai_detail::data_of(task)->strength = *needed;
    const auto [value, bonus] = defenders(task, ai, agent_task_fold(ai, task));
    *assigned = ai_clamp32(value);
    task->priority_bonus = ai_clamp32(task->priority_bonus + bonus);
}

// Lost, or somebody else is in: the per-sector scan files an attack for it next.
int32_t defend_done(AgentTask *task, AiPlayer *, Player *player) {
    const Sector *sector = ai_detail::target_sector(task);
    if (!sector || !player) return 1;
    return sector->owner_id != player->id || sector_count_other_owners(sector, player->id) > 0 ? 1 : 0;
}

void defend_update(AgentTask *task, AiPlayer *ai, Player *player) {
    if (task->linked[0] == 0) task->linked[0] = ai_strongest_design_task(ai, player);
    sector_task_link_research(task, ai, ai_preferred_tech(ai, player));
}

}  // namespace

// ---- The type records ----

void ai_sector_task_type_init(int32_t type, AgentTaskType *t) {
    switch (type) {
    case TASK_EXPLORE_SECTOR:
        t->link = explore_link;
        t->free = sector_task_free;
        t->relink = sector_task_relink;
        t->describe = sector_describe;
        t->execute = explore_done;
        t->is_blocked = no_ships_left;
        t->evaluate = explore_evaluate;
        t->ship_utility = engine_utility;
        t->update = explore_update;
        t->act = move_act;
        break;
    case TASK_SCAN_SECTOR:
        t->link = explore_link;
        t->free = sector_task_free;
        t->relink = sector_task_relink;
        t->describe = scan_describe;
        t->execute = scan_done;
        t->is_blocked = scan_blocked;
        t->evaluate = scan_evaluate;
        t->ship_utility = engine_utility;
        t->update = survey_update;
        t->act = move_act;
        break;
    case TASK_GATHER_FEATURE:
        t->link = gather_link;
        t->free = sector_task_free;
        t->relink = sector_task_relink;
        t->describe = gather_describe;
        t->execute = gather_done;
        t->is_blocked = no_ships_left;
        t->evaluate = gather_evaluate;
        t->ship_utility = gather_utility;
        t->update = gather_update;
        t->act = gather_act;
        break;
    case TASK_DEFEND_SECTOR:
        t->link = defend_link;
        t->free = sector_task_free;
        t->relink = sector_task_relink;
        t->describe = sector_describe;
        t->execute = defend_done;
        t->evaluate = defend_evaluate;
        t->need = defend_need;
        t->owed_bonus = defend_owed_bonus;
        t->ship_utility = sector_task_power_utility;
        t->update = defend_update;
        t->act = move_act;
        break;
    default:
        break;
    }
}

// ---- Shared mechanics ----

namespace {

GameObject *find_sector(uint64_t id) {
    GameObject *obj = id ? game_find_object(game_get(), id) : nullptr;
    return sector_of(obj);
}

void log_link_failure(uint64_t id) {
    log_write(LOG_GAME, LOG_ERROR, "Agent task failed to link target sector #%" PRIu64 " (object not found)", id);
}

}  // namespace

void sector_task_link(AgentTask *task, uint32_t flags) {
    GameObject *sector = find_sector(task->target_id);
    if (!sector) {
        log_link_failure(task->target_id);
        return;
    }
    object_add_ref(sector);
    ai_detail::data_of(task)->target = sector;
    task->flags |= flags;
}

Result sector_task_relink(AgentTask *task) {
    if (task->target_id == 0) return RES_OK;
    GameObject *sector = find_sector(task->target_id);
    if (!sector) {
        log_link_failure(task->target_id);
        return RES_UNRESOLVED_ID;
    }
    object_add_ref(sector);
    if (GameObject *old = ai_detail::data_of(task)->target) object_release(old);
    ai_detail::data_of(task)->target = sector;
    return RES_OK;
}

void sector_task_free(AgentTask *task) {
    AgentTaskData *data = ai_detail::data_of(task);
    if (data->target) object_release(data->target);
    data->target = nullptr;
    delete data;
}

void sector_task_describe_target(const AgentTask *task, std::string *text) {
    const GameObject *sector = ai_detail::data_of(task)->target;
    str_appendf(text, ", target #%" PRIu64 " \"%s\"", task->target_id, sector ? object_get_name(sector) : "");
}

void ai_object_centre(const GameObject *obj, int32_t *x, int32_t *y) {
    *x = saturate_i32(int64_t(obj->x) + obj->w / 2);
    *y = saturate_i32(int64_t(obj->y) + obj->h / 2);
}

int64_t sector_task_closeness(const AgentTask *task, const AiPlayer *ai) {
    const GameObject *sector = ai_detail::data_of(task)->target;
    int64_t q = ai->map_diagonal;
    if (sector) {
        int32_t x = 0, y = 0;
        ai_object_centre(sector, &x, &y);
        q -= distance(saturate_i32(int64_t(x) - ai->map_centre_x), saturate_i32(int64_t(y) - ai->map_centre_y));
    }
    // A map or sector from a save may lie anywhere: the utilities cube the closeness, so it is held
    // where its cube fits 64 bits, some eight hundred galaxy diagonals.
    return std::clamp<int64_t>(q, -SECTOR_CLOSENESS_LIMIT, SECTOR_CLOSENESS_LIMIT);
}

GameObject *sector_task_known(AgentTask *task, const Player *player) {
    GameObject *known = player ? player_get_known_object(player, OBJECT_SECTOR, task->target_id) : nullptr;
    ai_detail::data_of(task)->known = known;
    return known;
}

bool ai_ship_has_working_engine(GameObject *obj) {
    const Ship *ship = ship_of(obj);
    return ship && ship_has_system_type(ship, SYSTEM_TYPE_ENGINE) != 0;
}

bool ai_ship_has_power(GameObject *obj) {
    const Ship *ship = ship_of(obj);
    return ship && ship->online_load_a > 0;
}

void sector_task_move_ship(const AgentTask *task, GameObject *obj) {
    const Ship *ship = ship_of(obj);
    if (!ship || ship->sector_id == task->target_id) return;
    const GameObject *heading = ship->fleet_id ? fleet_move_target(game_find_object(game_get(), ship->fleet_id)) : nullptr;
    if (heading && heading->id == task->target_id) return;
    ai_ship_set_word(obj, AI_SHIP_MOVE_TARGET, task->target_id);
}

void sector_task_move_assignees(const AgentTask *task) {
    ai_detail::each_assignee(task, [&](GameObject *ship) { sector_task_move_ship(task, ship); });
}

namespace {

// The listed "build ship" task whose design scores highest; the first wins ties.
template <class Score>
uint64_t best_design_task(AiPlayer *ai, Player *player, Score score) {
    uint64_t best = 0;
    int64_t best_score = 0;
    if (!ai || !ai->listed || !player) return 0;
    for (AgentTask *t : ai->listed->items) {
        if (!t) break;
        if (t->type != uint32_t(TASK_BUILD_SHIP)) continue;
        const Ship *design = ship_of(player_get_design(player, t->target_id));
        if (!design) continue;
        const int64_t s = score(design);
        if (best == 0 || s > best_score) {
            best = t->id;
            best_score = s;
        }
    }
    return best;
}

}  // namespace

uint64_t ai_fastest_design_task(AiPlayer *ai, Player *player) {
    return best_design_task(ai, player, [](const Ship *d) { return int64_t(d->max_mp); });
}

uint64_t ai_strongest_design_task(AiPlayer *ai, Player *player) {
    return best_design_task(ai, player, [](const Ship *d) { return int64_t(d->online_load_a); });
}

uint64_t ai_design_task_with_flag(AiPlayer *ai, Player *player, uint32_t ship_flag) {
    if (!ai || !ai->listed || !player) return 0;
    for (AgentTask *t : ai->listed->items) {
        if (!t) break;
        if (t->type != uint32_t(TASK_BUILD_SHIP)) continue;
        const Ship *design = ship_of(player_get_design(player, t->target_id));
        if (design && (design->ship_flags & ship_flag)) return t->id;
    }
    return 0;
}

uint64_t ai_listed_pilot_task(AiPlayer *ai, uint32_t pilot_class) {
    if (!ai || !ai->listed) return 0;
    for (AgentTask *t : ai->listed->items) {
        if (!t) break;
        if (t->type == uint32_t(TASK_TRAIN_PILOT) && t->subtype == pilot_class) return t->id;
    }
    return 0;
}

uint64_t ai_mapped_pilot_task(AiPlayer *ai, uint32_t pilot_class) {
    const AgentTask *t = ai_find_task(ai, TASK_TRAIN_PILOT, pilot_class, 0, AI_MATCH_TYPE | AI_MATCH_SUBTYPE);
    return t ? t->id : 0;
}

uint64_t ai_research_task_of(AiPlayer *ai, int32_t tech) {
    if (tech < 0) return 0;
    const AgentTask *t = ai_find_task(ai, TASK_RESEARCH_TECH, uint32_t(tech), 0, AI_MATCH_TYPE | AI_MATCH_SUBTYPE);
    return t ? t->id : 0;
}

int32_t ai_first_unresearched(const Player *player, const int32_t *techs, int32_t count) {
    if (!player) return -1;
    for (int32_t i = 0; i < count; ++i)
        if (!(player->tech_state[techs[i]] & TECH_DONE)) return techs[i];
    return -1;
}

int32_t ai_preferred_tech(const AiPlayer *ai, const Player *player) {
    if (!ai || !player) return -1;
    for (int32_t t : ai->extra_tuning) {
        if (t < 0 || t >= PLAYER_TECH_COUNT) continue;
        const uint32_t state = player->tech_state[t];
        if ((state & TECH_AVAILABLE) && !(state & (TECH_DONE | TECH_QUEUED))) return t;
    }
    return -1;
}

void sector_task_link_research(AgentTask *task, AiPlayer *ai, int32_t tech) {
    if (task->linked[1] == 0) task->linked[1] = ai_research_task_of(ai, tech);
}

void sector_task_supply_link(AgentTask *task, AiPlayer *ai, Player *player) {
    if (agent_task_assignee_count(task) > 0) task->linked[0] = 0;
    else if (task->linked[0] == 0) task->linked[0] = ai_fastest_design_task(ai, player);
}

int32_t ai_clamp32(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

uint64_t ai_clock_minutes() {
    const Game *game = game_get();
    return game && game->clock ? game->clock->minutes : 0;
}
