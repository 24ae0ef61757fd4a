// Galaxy command: statistics, task upkeep, selection, production and fleet moves; the two
// assignment searches live in ai_assign.
#include "ai/ai_galaxy.h"

#include <algorithm>
#include <set>
#include <tuple>
#include <vector>
#include "ai/agent_task.h"
#include "ai/ai_assign.h"
#include "ai/ai_design.h"
#include "ai/ai_internal.h"
#include "ai/ai_player.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/orders.h"
#include "game/player.h"
#include "platform/calendar.h"
#include "platform/geometry.h"
#include "platform/log.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

// The AI's words in a ship, by name.
uint64_t galaxy_task(const Ship *s) { return ai_ship_word(s, AI_SHIP_GALAXY_TASK); }
void set_galaxy_task(Ship *s, uint64_t id) { ai_ship_set_word(s, AI_SHIP_GALAXY_TASK, id); }
uint64_t move_target(const Ship *s) { return ai_ship_word(s, AI_SHIP_MOVE_TARGET); }
bool locked(const Ship *s) { return (s->ship_flags & SHIP_FLAG_AI_LOCKED) != 0; }

constexpr int32_t FLEET_SNAPSHOT_MAX_AGE = 1440;   // minutes an enemy fleet sighting stays worth chasing
constexpr int32_t CREW_SOURCE_MIN = 100;           // a starbase with more crew can spare some
constexpr int32_t SECTOR_TEMPLATE_HOSTILE = 5;


std::vector<AgentTask *> tasks_in_map_order(AiPlayer *ai) {
    std::vector<AgentTask *> out;
    if (!ai->tasks) return out;
    HashMapIter<AgentTask> iter;
    hash_map_iter_init(&iter, ai->tasks);
    AgentTask *task = nullptr;
    while (hash_map_iter_next(&iter, nullptr, &task))
        if (task) out.push_back(task);
    return out;
}

// Keeps track of which tasks exist, so "ensure" is one lookup.
struct GalaxyTaskIndex {
    std::set<std::tuple<uint32_t, uint32_t, uint64_t>> with_subtype;
    std::set<std::pair<uint32_t, uint64_t>> by_target;
    std::set<uint64_t> scanned_sectors;
    std::set<uint32_t> types;

    void add(const AgentTask *t) {
        with_subtype.insert({t->type, t->subtype, t->target_id});
        by_target.insert({t->type, t->target_id});
        types.insert(t->type);
        if (t->flags & TASK_SECTOR_SCAN) scanned_sectors.insert(t->target_id);
    }
};

AgentTask *add_new_task(AiPlayer *ai, GalaxyTaskIndex *index, int32_t type, uint32_t subtype, uint64_t target,
                        uint32_t extra_flags = 0) {
    AgentTask *task = agent_task_create(type, subtype, target);
    if (!task) return nullptr;
    agent_task_assign_id(task);
    task->flags |= extra_flags;
    task = ai_add_task(ai, task);
    if (task) index->add(task);
    return task;
}

// Creates the task unless one of the type with the target (and the subtype, when it counts) exists.
void ensure(AiPlayer *ai, GalaxyTaskIndex *index, int32_t type, uint64_t target, int32_t subtype = -1) {
    if (subtype >= 0 ? index->with_subtype.count({uint32_t(type), uint32_t(subtype), target}) != 0
                     : index->by_target.count({uint32_t(type), target}) != 0)
        return;
    add_new_task(ai, index, type, subtype >= 0 ? uint32_t(subtype) : 0, target);
}

void remove_task(AiPlayer *ai, Player *player, AgentTask *task) {
    for (GameObject *obj : player->objects.items) {
        if (!obj) break;
        if (Ship *ship = ship_of(obj); ship && galaxy_task(ship) == task->id) set_galaxy_task(ship, 0);
    }
    ai_forget_task(ai, task);
}

// Removes finished tasks, one at a time, until a whole scan finds none.
void sweep_finished(AiPlayer *ai, Player *player) {
    for (bool again = true; again;) {
        again = false;
        for (AgentTask *task : tasks_in_map_order(ai)) {
            if (agent_task_check_done(task, ai, player)) {
                remove_task(ai, player, task);
                again = true;
                break;
            }
        }
    }
}

// ---- 2. Sector statistics ----

void sector_statistics(AiPlayer *ai, Player *player, ObjectMap *map) {
    for (int32_t i = 0; i < AI_SITE_TEMPLATES; ++i) ai->site_counts[i] = 0;
    ai->own_sector_count = ai->unexplored = ai->unscanned = ai->crew_sources = 0;
    int64_t sx = 0, sy = 0;
    for (GameObject *obj : map->objects.items) {
        if (!obj) break;
        Sector *sector = sector_of(obj);
        if (!sector || (obj->flags & OBJ_DEAD)) continue;
        if (sector->owner_id != player->id) {
            const GameObject *known = player_known_object_by_id(player, sector->id);
            if (!known || known->kind != OBJECT_SECTOR) {
                ai->unexplored += 1;
                ai->unscanned += 1;
            } else if (known->snapshot_version <= 0) {
                ai->unscanned += 1;
            }
            continue;
        }
        ai->own_sector_count += 1;
        list_append(ai->own_sectors, obj);
        for (int32_t k = 0; k < AI_SITE_TEMPLATES; ++k)
            if (sector->site_counts[k] > 0) ai->site_counts[k] += 1;
        int32_t cx = 0, cy = 0;
        ai_detail::centre_of(sector, &cx, &cy);
        sx += cx;
        sy += cy;
        if (sector->site_counts[SITE_STARBASE] >= 1)
            if (const Site *base = sector_find_site_of_kind(sector, SITE_STARBASE); base && base->crew > CREW_SOURCE_MIN)
                ai->crew_sources += 1;
    }
    if (ai->own_sector_count > 0) {
        ai->map_centre_x = int32_t(sx / ai->own_sector_count);
        ai->map_centre_y = int32_t(sy / ai->own_sector_count);
    } else {
        ai->map_centre_x = map->world_w / 2;
        ai->map_centre_y = map->world_h / 2;
    }
    ai->map_diagonal = distance(map->world_w, map->world_h);
}

// ---- 9. Object scan ----

int32_t sector_scan_type(Player *player, const Sector *sector) {
    const GameObject *known = player_known_object_by_id(player, sector->id);
    const Sector *snap = known && known->kind == OBJECT_SECTOR ? static_cast<const Sector *>(known) : nullptr;
    if (snap && snap->subtype == SECTOR_TEMPLATE_HOSTILE) return TASK_ATTACK_SECTOR;
    if (sector->owner_id == player->id) {
        for (GameObject *obj : sector->objects.items) {
            if (!obj) break;
            if (obj->owner_id != 0 && obj->owner_id != player->id) return TASK_ATTACK_SECTOR;
        }
        return TASK_DEFEND_SECTOR;
    }
    if (!snap) return TASK_EXPLORE_SECTOR;
    if (snap->owner_id != 0 || snap->known_defence_kind >= 0) return TASK_ATTACK_SECTOR;
    if (player_sector_has_known_enemy(player, snap)) return TASK_ATTACK_SECTOR;
    if (snap->snapshot_version < 1) return TASK_SCAN_SECTOR;
    return TASK_COLONIZE_SECTOR;
}

bool fleet_worth_chasing(AiPlayer *ai, Player *player, const Fleet *fleet, uint64_t now) {
    if (fleet->owner_id == player->id || (fleet->fleet_flags & FLEET_RETREATED)) return false;
    const GameObject *known = player_known_object_by_id(player, fleet->id);
    if (!known || known->kind != OBJECT_FLEET || !known->seen_date) return false;
    if (now < known->seen_date->minutes || now - known->seen_date->minutes > uint64_t(FLEET_SNAPSHOT_MAX_AGE))
        return false;
    int32_t fx = 0, fy = 0;
    ai_detail::centre_of(known, &fx, &fy);
    for (GameObject *obj : ai->own_sectors->items) {
        if (!obj) break;
        int32_t sx = 0, sy = 0;
        ai_detail::centre_of(obj, &sx, &sy);
        if (distance(fx - sx, fy - sy) < ai->attack_fleet_radius) return true;
    }
    return false;
}

void object_scan(AiPlayer *ai, Player *player, ObjectMap *map, GalaxyTaskIndex *index, uint64_t now) {
    for (GameObject *obj : map->objects.items) {
        if (!obj) break;
        if (Sector *sector = sector_of(obj)) {
            if (index->scanned_sectors.count(sector->id)) continue;
            add_new_task(ai, index, sector_scan_type(player, sector), 0, sector->id, TASK_SECTOR_SCAN);
            const GameObject *known = player_known_object_by_id(player, sector->id);
            if (known && known->kind == OBJECT_SECTOR) {
                const int32_t kind = static_cast<const Sector *>(known)->known_feature_kind;
                if (kind == 0 || kind == 2) ensure(ai, index, TASK_GATHER_FEATURE, sector->id);
            }
        } else if (const Fleet *fleet = fleet_of(obj)) {
            if (fleet_worth_chasing(ai, player, fleet, now)) ensure(ai, index, TASK_ATTACK_FLEET, fleet->id);
        }
    }
}

// ---- 10. Standing tasks ----

bool officer_has_post(const Officer *o) {
    return ai_officer_class(o) == AI_OFFICER_STARBASE ? o->site_id != 0 : o->ship_id != 0;
}

void standing_tasks(AiPlayer *ai, Player *player, GalaxyTaskIndex *index) {
    Game *game = game_get();
    for (GameObject *obj : ai->own_sectors->items) {
        if (!obj) break;
        const Sector *sector = sector_of(obj);
        if (sector->site_counts[SITE_STARBASE] < 1) continue;
        const Site *base = sector_find_site_of_kind(sector, SITE_STARBASE);
        if (!base) continue;
        if (base->crew < SITE_CREW_NEEDED) ensure(ai, index, TASK_TRANSFER_CREW, sector->id);
        if (!base->commander && base->commander_id == 0) ensure(ai, index, TASK_ASSIGN_STARBASE_PILOT, sector->id);
    }
    for (Officer *o : player->officers.items) {
        if (!o) break;
        if (ai_officer_class(o) != AI_OFFICER_STARBASE && o->ship_id == 0)
            ensure(ai, index, TASK_ASSIGN_SHIP_PILOT, o->id);
    }
    for (GameObject *obj : player->objects.items) {
        if (!obj) break;
        const Ship *ship = ship_of(obj);
        if (!ship || (obj->flags & OBJ_DEAD)) continue;
        if (ship_needs_repair(ship) || ship_needs_reload(ship)) ensure(ai, index, TASK_REPAIR_SHIP, ship->id);
        if (ship->pilot && ship->crew < ship->max_crew) ensure(ai, index, TASK_TRANSFER_CREW, ship->id);
    }
    if (!index->types.count(TASK_DEFEND_BASES))
        if (AgentTask *t = add_new_task(ai, index, TASK_DEFEND_BASES, 0, 0)) t->inherited_utility = 0;
    const bool guardian = game && player->id == game->sol_player_id;
    if (!guardian && list_count(&player->objects) >= 1 && !index->types.count(TASK_SCRAP_SHIPS))
        add_new_task(ai, index, TASK_SCRAP_SHIPS, 0, 0);
    for (GameObject *design : player->designs.items) {
        if (!design) break;
        ensure(ai, index, TASK_BUILD_SHIP, design->id);
    }
    // Research.
    for (AgentTask *&slot : ai->research_tasks) slot = nullptr;
    for (AgentTask *t : tasks_in_map_order(ai))
        if (t->type == TASK_RESEARCH_TECH && t->subtype < uint32_t(AI_TECHS)) ai->research_tasks[t->subtype] = t;
    for (int32_t t = 0; t < AI_TECHS; ++t) {
        const uint32_t state = player->tech_state[t];
        if ((state & TECH_AVAILABLE) && !(state & (TECH_DONE | TECH_QUEUED)) && !ai->research_tasks[t])
            ai->research_tasks[t] = add_new_task(ai, index, TASK_RESEARCH_TECH, uint32_t(t), 0);
    }
    ai->queued_research = 0;
    for (int32_t t = 0; t < AI_TECHS; ++t)
        if ((player->tech_state[t] & TECH_QUEUED) && !(player->tech_state[t] & TECH_PAUSED)) ai->queued_research += 1;
    for (int32_t sub : {0, 1, 2}) ensure(ai, index, TASK_TRAIN_PILOT, 0, sub);
    for (int32_t sub : {SITE_SHIPYARD, 14, SITE_TRAINING}) ensure(ai, index, TASK_BUILD_SITE, 0, sub);
    for (GameObject *obj : ai->own_sectors->items) {
        if (!obj) break;
        Sector *sector = sector_of(obj);
        bool eligible = false;
        if (sector->site_counts[SITE_STARBASE] >= 1) {
            Site *base = sector_find_site_of_kind(sector, SITE_STARBASE);
            if (base) {
                eligible = !(base->state & SITE_CREW_SHORT);
                GameObject *item = nullptr;
                const bool producing = site_production_info(base, &item, nullptr, nullptr, nullptr, nullptr) != 0;
                if (producing) ensure(ai, index, TASK_RUSH_PRODUCTION, base->id);
                const bool site_item = producing && item && item->kind == OBJECT_SITE;
                if (eligible && base->defense_level < 1 && (!producing || site_item))
                    ensure(ai, index, TASK_BUILD_DEFENSE_UPGRADE, sector->id);
            }
        }
        for (int32_t kind : {SITE_SHIPYARD, SITE_TRAINING}) {
            if (sector->site_counts[kind] < 1) continue;
            const Site *site = sector_find_site_of_kind(sector, kind);
            if (site && (site->state & SITE_PRODUCING)) ensure(ai, index, TASK_RUSH_PRODUCTION, site->id);
        }
        if (eligible && sector_can_build(sector, SITE_HARVESTER)) ensure(ai, index, TASK_BUILD_COLLECTOR, sector->id);
    }
}

// ---- 11. Evaluation and selection ----

// Hands a task's utility down to the tasks that would help it.
void hand_down(AiPlayer *ai, Player *player, AgentTask *task) {
    for (uint64_t id : task->linked) {
        if (id == 0) continue;
        if (AgentTask *linked = ai_get_task(ai, id)) {
            linked->inherited_utility += task->utility;
            agent_task_evaluate(linked, ai, player, 0);
        }
    }
}

void evaluate_and_select(AiPlayer *ai, Player *player) {
    std::vector<AgentTask *> all = tasks_in_map_order(ai);
    for (int pass = 0; pass < 2; ++pass)
        for (AgentTask *t : all) {
            if (((t->flags & TASK_PRODUCTION) != 0) != (pass == 1)) continue;
            t->flags &= ~TASK_PICKED;
            t->inherited_utility = 0;
            agent_task_evaluate(t, ai, player, 0);
        }
    list_reset(ai->listed);
    AgentTask *bases = nullptr;
    for (AgentTask *t : all)
        if (t->type == TASK_DEFEND_BASES) {
            bases = t;
            break;
        }
    int32_t forced = 0;
    for (AgentTask *t : all) {
        if (t->flags & TASK_DEFENCE) {
            if (bases) bases->inherited_utility += t->utility;
            list_append(ai->defence, t);
            continue;
        }
        if (t != bases) t->inherited_utility = 0;
        if (t->flags & TASK_FORCED) forced += 1;
        list_append(ai->listed, t);
    }
    if (bases) agent_task_evaluate(bases, ai, player, 0);
    for (AgentTask *t : ai->listed->items) {
        if (!t) break;
        for (uint64_t &id : t->linked)
            if (id != 0 && !ai_get_task(ai, id)) id = 0;
    }
    for (AgentTask *t : ai->listed->items) {
        if (!t) break;
        agent_task_update(t, ai, player);
    }
    for (AgentTask *t : ai->defence->items) {
        if (!t) break;
        agent_task_update(t, ai, player);
    }
    const int32_t picks = ai->extra_selections + forced;
    for (int32_t n = 0; n < picks; ++n) {
        AgentTask *best = nullptr;
        for (AgentTask *t : ai->listed->items) {
            if (!t) break;
            if (t->flags & (TASK_PICKED | TASK_BLOCKED | TASK_PRODUCTION)) continue;
            if (t->flags & TASK_FORCED) {
                best = t;
                break;
            }
            if (!best || t->utility > best->utility) best = t;
        }
        if (!best) break;
        best->flags |= TASK_PICKED;
        list_append(ai->selected, best);
        hand_down(ai, player, best);
    }
    for (AgentTask *t : ai->listed->items) {
        if (!t) break;
        if (t->flags & TASK_PRODUCTION) hand_down(ai, player, t);
    }
}

// ---- 15. Production ----

void production_loop(AiPlayer *ai, Player *player) {
    for (;;) {
        AgentTask *best = nullptr;
        for (AgentTask *t : ai->listed->items) {
            if (!t) break;
            if (!(t->flags & TASK_PRODUCTION) || (t->flags & TASK_BLOCKED)) continue;
            if (agent_task_check_blocked(t, ai, player)) continue;
            if (t->flags & TASK_DONE) continue;
            if (agent_task_check_done(t, ai, player)) continue;
            if (t->utility < 1) continue;
            if (!best || t->utility > best->utility) best = t;
        }
        if (!best) {
            log_write(LOG_AGENT, LOG_DEBUG2, "\"%s\" no production tasks found, credits %i", player->name.c_str(),
                      player->credits);
            return;
        }
        agent_task_act(best, ai, player);
        if (!(best->flags & TASK_DONE)) {
            if (!agent_task_check_done(best, ai, player)) {
                log_write(LOG_AGENT, LOG_DEBUG2, "\"%s\" production task failed", player->name.c_str());
                return;
            }
        }
        log_write(LOG_AGENT, LOG_DEBUG2, "\"%s\" production task succeeded, credits now %i", player->name.c_str(),
                  player->credits);
    }
}

}  // namespace

int32_t ai_officer_class(const Officer *o) {
    // Wide: the skills of a loaded officer are the save's.
    int64_t k[OFFICER_SKILL_COUNT];
    for (int i = 0; i < OFFICER_SKILL_COUNT; ++i) k[i] = o->skills[i];
    const int64_t combat = 3 * k[SKILL_COMMAND] + 2 * (k[SKILL_NAVIGATION] + k[SKILL_MARKSMANSHIP]);
    const int64_t galaxy = k[SKILL_SENSORS] + 2 * k[SKILL_ENGINEERING] + k[SKILL_FIELD_REPAIR];
    const int64_t starbase = k[SKILL_SCIENCE] + 2 * k[SKILL_MINING] + k[SKILL_INSTRUCTION];
    if (starbase > std::max(combat, galaxy)) return AI_OFFICER_STARBASE;
    return galaxy > combat ? AI_OFFICER_GALAXY : AI_OFFICER_COMBAT;
}

void ai_execute_moves(AiPlayer *ai, Player *player) {
    Game *game = game_get();
    ObjectMap *map = game ? game->galaxy_map : nullptr;
    list_reset(ai->ships);
    for (GameObject *obj : player->objects.items) {
        if (!obj) break;
        Ship *ship = ship_of(obj);
        if (!ship || (obj->flags & OBJ_DEAD) || locked(ship) || move_target(ship) == 0) continue;
        const GameObject *fleet = ship->fleet_id ? game_find_object(game_get(), ship->fleet_id) : nullptr;
        const GameObject *going = fleet && fleet->kind == OBJECT_FLEET ? fleet_move_target(fleet) : nullptr;
        if (going && going->id == move_target(ship)) continue;
        list_append(ai->ships, obj);
    }
    while (list_count(ai->ships) > 0) {
        Ship *s = ship_of(list_get(ai->ships, 0));
        const uint64_t target_id = move_target(s);
        GameObject *target = game_find_object(game_get(), target_id);
        if (!target) {
            log_write(LOG_AGENT, LOG_NOTICE, "Failed to execute move for ship #%llu \"%s\" (move target #%llu not found)",
                      (unsigned long long)s->id, object_get_name(s), (unsigned long long)target_id);
            list_reset(ai->ships);
            return;
        }
        Fleet *own_fleet = fleet_of(s->fleet_id ? game_find_object(game_get(), s->fleet_id) : nullptr);
        if (s->sector_id == 0 && own_fleet) {
            bool all_same = true;
            for (GameObject *member : own_fleet->ships.items) {
                if (!member) break;
                const Ship *m = ship_of(member);
                if (!m || move_target(m) != target_id) {
                    all_same = false;
                    break;
                }
            }
            if (all_same) {
                fleet_set_move_target(own_fleet, target);
                for (GameObject *member : own_fleet->ships.items) {
                    if (!member) break;
                    list_remove_value(ai->ships, member);
                }
                list_remove_value(ai->ships, static_cast<GameObject *>(s));
                continue;
            }
        }
        int32_t sx = 0, sy = 0, tx = 0, ty = 0;
        ship_get_galaxy_position(s, &sx, &sy);
        ai_detail::centre_of(target, &tx, &ty);
        // Positions come from saves: the step toward the target is worked out in 64 bits, so a ship
        // or sector far off the map cannot overflow it.
        const int64_t wide_dx = int64_t(tx) - sx, wide_dy = int64_t(ty) - sy;
        int32_t dx = int32_t(std::clamp<int64_t>(wide_dx, -(1 << 20), 1 << 20));
        const int32_t dy = int32_t(std::clamp<int64_t>(wide_dy, -(1 << 20), 1 << 20));
        if (dx == 0 && dy == 0) dx = 1;
        const int32_t d = std::max(distance(dx, dy), 1);
        const auto step_from = [d](int32_t from, int32_t along) {
            return int32_t(std::clamp<int64_t>(int64_t(from) + int64_t(along) * 10 / d, INT32_MIN, INT32_MAX));
        };
        const uint64_t from_sector = s->sector_id, from_fleet = s->fleet_id;
        std::vector<Ship *> joining{s};
        for (GameObject *obj : ai->ships->items) {
            if (!obj) break;
            Ship *other = ship_of(obj);
            if (other == s || move_target(other) != target_id) continue;
            if (from_sector != 0 ? other->sector_id == from_sector : other->fleet_id == from_fleet) joining.push_back(other);
        }
        for (Ship *ship : joining) list_remove_value(ai->ships, static_cast<GameObject *>(ship));
        // The computer's fleets form where they stand and may meet at once: launched from no origin.
        if (!map || order_launch_fleet(player, joining, 0, target, step_from(sx, dx), step_from(sy, dy), true) != RES_OK) {
            list_reset(ai->ships);
            return;
        }
    }
}

void ai_galaxy_command(AiPlayer *ai, Player *player) {
    Game *game = game_get();
    if (!ai || !player || ai->kind != AI_KIND_GALAXY || !game || !game->galaxy_map) return;
    ObjectMap *map = game->galaxy_map;
    // 1. Reset.
    list_reset(ai->selected);
    list_reset(ai->defence);
    list_reset(ai->own_sectors);
    if (!(ai->flags & AI_FLAG_PERSONALITY_SET)) ai_player_draw_personality(ai);
    // 2.-5. Statistics.
    sector_statistics(ai, player, map);
    if (ai->threats) threat_map_build(ai->threats, player);
    ai_update_ship_designs(ai, player);
    player_track_known_fleets(player);
    ai->ship_count = list_count(&player->objects);
    ai->own_value = ai->own_strength = 0;
    for (GameObject *obj : player->objects.items) {
        if (!obj) break;
        ai->own_value += player_object_value(obj);
        ai->own_strength += ship_estimated_strength(obj);
        if (Ship *ship = ship_of(obj)) ai_ship_set_word(ship, AI_SHIP_MOVE_TARGET, 0);
    }
    for (int32_t &n : ai->officer_stats) n = 0;
    ai->officer_count = list_count(&player->officers);
    for (Officer *o : player->officers.items) {
        if (!o) break;
        ai->officer_stats[ai_officer_class(o) * 2 + (officer_has_post(o) ? 0 : 1)] += 1;   // assigned, then idle
    }
    const Date *clock = game->clock;
    log_write(LOG_AGENT, LOG_DEBUG2,
              "#%llu \"%s\" begin galaxy command %04i-%02i-%02i - num sectors %i, unexplored sectors %i, unscanned "
              "sectors %i, crew sources %i, num ships %i, pilots combat i%i a%i, galaxy i%i a%i, starbase i%i a%i, "
              "map center x%i y%i, credits %i",
              (unsigned long long)player->id, player->name.c_str(), clock ? clock->year : 0, clock ? clock->month : 0,
              clock ? clock->day : 0, ai->own_sector_count, ai->unexplored, ai->unscanned, ai->crew_sources,
              ai->ship_count, ai->officer_stats[1], ai->officer_stats[0], ai->officer_stats[3], ai->officer_stats[2],
              ai->officer_stats[5], ai->officer_stats[4], ai->map_centre_x, ai->map_centre_y, player->credits);
    // 7.
    if ((ai->own_sector_count == 0 && ai->ship_count == 0) || (ai->flags & AI_FLAG_PASSIVE)) return;
    // 8.-10.
    sweep_finished(ai, player);
    GalaxyTaskIndex index;
    for (AgentTask *t : tasks_in_map_order(ai)) index.add(t);
    object_scan(ai, player, map, &index, clock ? clock->minutes : 0);
    standing_tasks(ai, player, &index);
    // 11.-16.
    evaluate_and_select(ai, player);
    ai_assign_ships(ai, player);
    ai_assign_defence(ai, player);
    for (AgentTask *t : ai->selected->items) {
        if (!t) break;
        agent_task_act(t, ai, player);
    }
    production_loop(ai, player);
    ai_execute_moves(ai, player);
    sweep_finished(ai, player);
}
