// The crew, pilot, repair and scrap task types of the galaxy AI, and the refit of a hull's system.
#include "ai/ai_crew.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include "ai/agent_task.h"
#include "ai/ai_internal.h"
#include "ai/ai_player.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/orders.h"
#include "game/player.h"
#include "platform/geometry.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/saturate.h"
#include "systems/plan_check.h"
#include "systems/system.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr uint32_t TRAINING_BUSY = SITE_PRODUCING | SITE_UNDER_CONSTRUCTION | SITE_CREW_SHORT;
constexpr int32_t CREW_TOP_UP = 100;             // random extra crew 1..this
constexpr int32_t REPAIR_FEATURE_KIND = 6;       // a site feature that serves ships' crews
constexpr int32_t NEAR_SECTOR = 200, FAIR_SECTOR = 300;
constexpr int32_t NEAR_BONUS = 50, FAIR_BONUS = 25;
constexpr int32_t CONSTRUCTOR_SYSTEM = SYSTEM_TYPE_STARBASE_KIT;

int32_t skill(const Officer *o, int32_t s) { return o->skills[s]; }
int32_t combat_score(const Officer *o) {
    return 3 * skill(o, SKILL_COMMAND) + 2 * (skill(o, SKILL_NAVIGATION) + skill(o, SKILL_MARKSMANSHIP));
}
int32_t galaxy_score(const Officer *o) {
    return skill(o, SKILL_SENSORS) + 2 * skill(o, SKILL_ENGINEERING) + skill(o, SKILL_FIELD_REPAIR);
}
int32_t starbase_score(const Officer *o) {
    return skill(o, SKILL_SCIENCE) + 2 * skill(o, SKILL_MINING) + skill(o, SKILL_INSTRUCTION);
}
int32_t class_score(const Officer *o, int32_t cls) {
    switch (cls) {
    case PILOT_CLASS_COMBAT: return combat_score(o);
    case PILOT_CLASS_GALAXY: return galaxy_score(o);
    case PILOT_CLASS_STARBASE: return starbase_score(o);
    default: return 0;
    }
}

Sector *sector_by_id(uint64_t id) { return id ? sector_of(game_find_object(game_get(), id)) : nullptr; }
Site *starbase_of(const Sector *sector) { return sector ? sector_find_site_of_kind(sector, SITE_STARBASE) : nullptr; }

// The sector the ship stands in when the player owns it.
Sector *own_sector_of(const Ship *ship, const Player *player) {
    Sector *s = sector_by_id(ship->sector_id);
    return s && player && s->owner_id == player->id ? s : nullptr;
}

template <class F>
void each_own_sector(AiPlayer *ai, F &&f) {
    if (!ai || !ai->own_sectors) return;
    for (GameObject *obj : ai->own_sectors->items) {
        if (!obj) break;
        if (Sector *s = sector_of(obj)) f(s);
    }
}

Ship *crew_first_assignee(AgentTask *task) {
    for (GameObject *obj : task->assignees.items) {
        if (!obj) return nullptr;
        if (!(obj->flags & OBJ_DEAD)) return ship_of(obj);
    }
    return nullptr;
}

void set_move_target(Ship *ship, uint64_t id) { ai_ship_set_word(ship, AI_SHIP_MOVE_TARGET, id); }

int32_t always_one(AgentTask *, GameObject *) { return 1; }
int32_t no_sectors(AgentTask *, AiPlayer *ai, Player *) { return !ai || ai->own_sector_count < 1 ? 1 : 0; }

void append(std::string *text, const char *format, unsigned long long id, const char *name) {
    char line[256];
    snprintf(line, sizeof line, format, id, name);
    *text += line;
}

// ---- "train pilot" ----

struct ClassWant {
    int32_t per, extra;
};
constexpr ClassWant CLASS_WANTS[3] = {{1000, 750}, {450, 450}, {750, 750}};

// The idle training site of a sector, or null.
Site *idle_training_site(const Sector *sector) {
    Site *site = sector_find_site_of_kind(sector, SITE_TRAINING);
    return site && !(site->state & TRAINING_BUSY) ? site : nullptr;
}

void train_evaluate(AgentTask *task, AiPlayer *ai, Player *, int32_t *utility, int32_t *assigned, int32_t *needed) {
    *utility = 70;
    *assigned = 0;
    *needed = 1;
    const int32_t cls = int32_t(task->subtype);
    if (!ai || cls < 0 || cls > 2) return;
    const int32_t have = ai->officer_stats[cls * 2] + ai->officer_stats[cls * 2 + 1];
    const int32_t want = cls == PILOT_CLASS_COMBAT   ? ai->combat_pilot_pct * ai->ship_count / 100 + 1
                         : cls == PILOT_CLASS_GALAXY ? ai->galaxy_pilot_pct * ai->ship_count / 100 + 1
                                                     : ai->starbase_pilot_pct * ai->own_sector_count / 100 + 1;
    const int64_t k = want - have;
    if (k <= 0) return;
    int64_t u = 70 + CLASS_WANTS[cls].per * k;
    if (k >= 4) u += CLASS_WANTS[cls].extra * (k - 3);
    *utility = saturate_i32(u);
}

int32_t train_blocked(AgentTask *task, AiPlayer *ai, Player *) {
    bool found = false;
    each_own_sector(ai, [&](Sector *sector) {
        const Site *site = found ? nullptr : idle_training_site(sector);
        if (!site) return;
        for (Officer *o : site->officers.items)
            if (o && class_score(o, int32_t(task->subtype)) > 0) found = true;
    });
    return found ? 0 : 1;
}

void train_describe(AgentTask *task, AiPlayer *, std::string *text) {
    static const char *const NAMES[3] = {", combat type", ", galaxy type", ", starbase type"};
    if (task->subtype < 3) {
        *text += NAMES[task->subtype];
        return;
    }
    char line[64];
    snprintf(line, sizeof line, ", unknown (%i)", int(task->subtype));
    *text += line;
}

void train_update(AgentTask *task, AiPlayer *ai, Player *) {
    if (!ai || task->linked[0] != 0 || !ai->site_counts || !ai->listed) return;
    const int64_t want = std::max<int64_t>((int64_t(ai->own_sector_count) * ai->training_site_pct + 99) / 100, 1);
    if (ai->site_counts[SITE_TRAINING] >= want) return;
    for (AgentTask *t : ai->listed->items)
        if (t && t->type == TASK_BUILD_SITE && t->subtype == uint32_t(SITE_TRAINING)) {
            task->linked[0] = t->id;
            return;
        }
}

void train_act(AgentTask *task, AiPlayer *ai, Player *player) {
    if (!player) return;
    bool started = false;
    each_own_sector(ai, [&](Sector *sector) {
        Site *site = started ? nullptr : idle_training_site(sector);
        if (!site) return;
        for (int32_t i = 0; i < list_count(&site->officers) && !started; ++i) {
            const Officer *recruit = list_get(&site->officers, i);
            if (!recruit || class_score(recruit, int32_t(task->subtype)) <= 0) continue;
            int32_t cost = recruit->training_cost;   // or what a paused training kept
            (void)order_production_price(site, 0, recruit->id, &cost, nullptr);
            if (player_can_spend(player, cost) != RES_OK) {
                log_write(LOG_AGENT, 6, "\"%s\" failed to execute train pilot task #%llu (insufficient credits %i, cost %i)",
                          player->name.c_str(), (unsigned long long)task->id, player->credits, cost);
                continue;
            }
            const Result r = order_produce(player, site, 0, recruit->id);
            if (r != RES_OK) {
                log_write(LOG_AGENT, 6, "\"%s\" failed to execute train pilot task #%llu (%i)", player->name.c_str(),
                          (unsigned long long)task->id, int(r));
                continue;
            }
            agent_task_set_done(task);
            started = true;
        }
    });
}

// ---- "assign ship pilot" ----

// A ship that can take a pilot: none yet, no starbase kit, full armour, armed.
bool pilotless_candidate(const Ship *ship) {
    return ship && !ship->pilot && !ship_has_system_type(ship, CONSTRUCTOR_SYSTEM) && ship->armour >= ship->max_armour &&
           (ship->ship_flags & SHIP_FLAG_ARMED);
}

void ship_pilot_link(AgentTask *task) { task->flags |= TASK_FORCED; }

// Finds the officer and the sector he waits in, once.
void find_pilot(AgentTask *task, Player *player) {
    AgentTaskData *d = ai_detail::data_of(task);
    if (d->officer || !player) return;
    Officer *officer = game_find_player_officer(player->id, task->target_id);
    if (!officer) {
        log_write(LOG_GAME, LOG_ERROR, "Agent task failed to find target pilot #%llu", (unsigned long long)task->target_id);
        return;
    }
    officer_retain(officer);
    d->officer = officer;
    Sector *sector = sector_by_id(officer->sector_id);
    if (!sector) {
        log_write(LOG_GAME, LOG_ERROR, "Agent task failed to find pilot sector #%llu",
                  (unsigned long long)officer->sector_id);
        return;
    }
    object_add_ref(sector);
    d->sector = sector;
}

// What the ship adds to the task's bonus with the officer: its fitness for his class, and how near
// it is to where he waits.
int64_t pilot_bonus(AiPlayer *ai, const AgentTaskData *d, Ship *ship) {
    const Officer *o = d->officer;
    int64_t bonus = 0;
    switch (officer_pilot_class(o)) {
    case PILOT_CLASS_COMBAT:
        bonus = 3 * ai_detail::squared(ship->online_load_a) +
                std::max(9 * skill(o, SKILL_COMMAND) + 6 * (skill(o, SKILL_NAVIGATION) + skill(o, SKILL_MARKSMANSHIP)), 0);
        break;
    case PILOT_CLASS_GALAXY:
        bonus = ai_detail::squared(ship->max_mp + ship->online_load_b + ship->online_load_a);
        if (ship_has_system_type(ship, SYSTEM_TYPE_HYPERDRIVE)) bonus *= 2;
        bonus += std::max(3 * galaxy_score(o), 0);
        break;
    default: break;
    }
    if (d->sector) {
        int32_t x = 0, y = 0, sx = 0, sy = 0;
        agent_task_ship_position(ai, ship, &x, &y);
        ai_detail::centre_of(d->sector, &sx, &sy);
        const int32_t dist = distance(sx - x, sy - y);
        if (dist < NEAR_SECTOR) bonus += NEAR_BONUS;
        else if (dist < FAIR_SECTOR) bonus += FAIR_BONUS;
    }
    return bonus;
}

// The ship's share, kept for the pair through the search's memo when one is open: the ship, the
// officer and his sector stand still while a search weighs the task.
int64_t kept_pilot_bonus(AiPlayer *ai, AgentTask *task, Ship *ship) {
    const AgentTaskData *d = ai_detail::data_of(task);
    bool fresh = false;
    AgentTaskShare *kept = agent_task_share(ai, ship, task, &fresh);
    int64_t bonus = 0;
    if (kept && !fresh) {
        bonus = kept->word[0];
        if (plan_check_on()) [[unlikely]]
            plan_check_same("evaluation memo", "pilot share", bonus, pilot_bonus(ai, d, ship));
    } else {
        bonus = pilot_bonus(ai, d, ship);
        if (kept) kept->word[0] = bonus;
    }
    return bonus;
}

// The first live assignee takes the pilot, once he is found.
void ship_pilot_need(AgentTask *task, AiPlayer *, Player *player, int32_t *assigned, int32_t *needed) {
    find_pilot(task, player);
    *needed = 1;
    *assigned = crew_first_assignee(task) && ai_detail::data_of(task)->officer ? 1 : 0;
}

bool ship_pilot_owed_bonus(AgentTask *task, AiPlayer *ai, Player *, const AgentTaskFold *, int32_t *bonus) {
    Ship *ship = crew_first_assignee(task);
    *bonus = ship && ai_detail::data_of(task)->officer ? saturate_i32(kept_pilot_bonus(ai, task, ship)) : 0;
    return true;
}

void ship_pilot_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned,
                         int32_t *needed) {
    const int32_t ships = ai ? ai->ship_count : 0;
    const int32_t want = ai ? std::max((ai->galaxy_pilot_pct + ai->combat_pilot_pct) * ships / 100 + 1, 2) : 2;
    const int32_t have = ai ? ai->officer_stats[2] + ai->officer_stats[0] : 0;
    const int64_t k = want - have;
    *utility = saturate_i32(k > 0 ? (k > 3 ? 300 + 1000 * k : 300 + 500 * k) : 300);
    ship_pilot_need(task, ai, player, assigned, needed);
    if (*assigned == 0) return;
    task->priority_bonus =
        saturate_i32(int64_t(task->priority_bonus) + kept_pilot_bonus(ai, task, crew_first_assignee(task)));
}

int32_t ship_pilot_utility(AgentTask *, GameObject *obj) { return pilotless_candidate(ship_of(obj)) ? 1 : 0; }

int32_t ship_pilot_blocked(AgentTask *task, AiPlayer *, Player *player) {
    if (!player) return 1;
    bool candidate = false;
    for (GameObject *obj : player->objects.items)
        if (obj && pilotless_candidate(ship_of(obj))) candidate = true;
    if (!candidate) return 1;
    const Sector *sector = sector_of(ai_detail::data_of(task)->sector);
    if (!sector) return 0;
    return sector_count_other_owners(sector, player->id) > 0 ? 1 : 0;
}

int32_t ship_pilot_done(AgentTask *task, AiPlayer *, Player *) {
    const Officer *o = ai_detail::data_of(task)->officer;
    return o && (o->ship_id != 0 || o->sector_id == 0) ? 1 : 0;
}

int32_t ship_pilot_obsolete(AgentTask *task, AiPlayer *, Player *player) {
    return player && game_find_player_officer(player->id, task->target_id) ? 0 : 1;
}

void ship_pilot_describe(AgentTask *task, AiPlayer *, std::string *text) {
    const AgentTaskData *d = ai_detail::data_of(task);
    if (d->officer) append(text, ", pilot #%llu \"%s\"", (unsigned long long)d->officer->id, d->officer->name.c_str());
    else *text += ", no pilot";
    if (d->sector) append(text, ", sector #%llu \"%s\"", (unsigned long long)d->sector->id, object_get_name(d->sector));
    else *text += ", no sector";
}

void ship_pilot_act(AgentTask *task, AiPlayer *, Player *player) {
    AgentTaskData *d = ai_detail::data_of(task);
    Ship *ship = crew_first_assignee(task);
    Sector *sector = sector_of(d->sector);
    if (!d->officer || !sector || !ship) return;
    if (ship->sector_id != sector->id) {
        set_move_target(ship, sector->id);
        return;
    }
    if (!officer_at_friendly_starbase(d->officer)) return;
    (void)order_post_officer(player, d->officer, ship, false);   // refused: the task tries again
}

// ---- "assign starbase pilot" ----

void link_pilot_sector(AgentTask *task, const char *fail) {
    AgentTaskData *d = ai_detail::data_of(task);
    task->flags |= TASK_FORCED;
    Sector *sector = sector_by_id(task->target_id);
    if (!sector) {
        log_write(LOG_GAME, LOG_ERROR, fail, (unsigned long long)task->target_id);
        return;
    }
    object_add_ref(sector);
    if (d->sector) object_release(d->sector);
    d->sector = sector;
}

void base_pilot_link(AgentTask *task) {
    link_pilot_sector(task, "Agent task failed to link target sector #%llu (object not found)");
}

Result base_pilot_relink(AgentTask *task) {
    if (task->target_id == 0) return RES_OK;
    link_pilot_sector(task, "Agent task (assign starbase pilot) failed to link target sector #%llu (object not found)");
    return ai_detail::data_of(task)->sector ? RES_OK : RES_UNRESOLVED_ID;
}

// Whether the sector's starbase has a pilot of its own, kept through the search's memo when one is
// open (the search moves no officer).
bool starbase_piloted(AgentTask *task, AiPlayer *ai) {
    const auto piloted = [task] {
        return site_find_starbase_pilot(starbase_of(sector_of(ai_detail::data_of(task)->sector))) != nullptr;
    };
    bool fresh = false;
    AgentTaskTargetFigures *kept = agent_task_target_figures(ai, task, &fresh);
    if (!kept) return piloted();
    if (fresh) kept->word[0] = piloted() ? 1 : 0;
    else if (plan_check_on()) [[unlikely]]
        plan_check_same("evaluation memo", "starbase pilot", kept->word[0] != 0, piloted());
    return kept->word[0] != 0;
}

// What the first ship adds: the less it is worth the better, and a starbase pilot aboard.
int64_t base_pilot_bonus(const Ship *ship) {
    int64_t bonus = std::max(100 - player_object_value(ship), 0);
    if (ship->pilot && officer_pilot_class(ship->pilot) == PILOT_CLASS_STARBASE) bonus += 10000;
    return bonus;
}

void base_pilot_need(AgentTask *task, AiPlayer *ai, Player *, int32_t *assigned, int32_t *needed) {
    *needed = 1;
    *assigned = starbase_piloted(task, ai) || crew_first_assignee(task) ? 1 : 0;
}

bool base_pilot_owed_bonus(AgentTask *task, AiPlayer *ai, Player *, const AgentTaskFold *, int32_t *bonus) {
    const Ship *ship = starbase_piloted(task, ai) ? nullptr : crew_first_assignee(task);
    *bonus = ship ? saturate_i32(base_pilot_bonus(ship)) : 0;
    return true;
}

void base_pilot_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned,
                         int32_t *needed) {
    const Sector *sector = sector_of(ai_detail::data_of(task)->sector);
    const int64_t v = sector ? sector_score(sector) : 0;
    *utility = saturate_i32(v > 0 ? 300 + ai_detail::squared(v) / 20 : 300);
    base_pilot_need(task, ai, player, assigned, needed);
    const Ship *ship = starbase_piloted(task, ai) ? nullptr : crew_first_assignee(task);
    if (ship) task->priority_bonus = saturate_i32(int64_t(task->priority_bonus) + base_pilot_bonus(ship));
}

int32_t base_pilot_blocked(AgentTask *task, AiPlayer *ai, Player *player) {
    const Ship *ship = crew_first_assignee(task);
    if (ship && ship->pilot && officer_pilot_class(ship->pilot) == PILOT_CLASS_STARBASE) return 0;
    int32_t found = 0;   // 2: in the target sector, 1: elsewhere
    each_own_sector(ai, [&](Sector *sector) {
        if (site_find_starbase_pilot(starbase_of(sector))) found = std::max(found, sector->id == task->target_id ? 2 : 1);
    });
    if (found == 2) return 0;
    if (found == 1 && player && player_object_count(player) > 0) return 0;
    return 1;
}

int32_t base_pilot_done(AgentTask *task, AiPlayer *, Player *player) {
    const Sector *sector = sector_of(ai_detail::data_of(task)->sector);
    const Site *base = starbase_of(sector);
    const bool open = sector && player && sector->owner_id == player->id && base && !base->commander;
    return open ? 0 : 1;
}

void base_pilot_update(AgentTask *task, AiPlayer *ai, Player *) {
    if (!ai || task->linked[2] != 0) return;
    const int32_t have = ai->officer_stats[4] + ai->officer_stats[5];
    if (have >= ai->starbase_pilot_pct * ai->own_sector_count / 100 + 1) return;
    if (AgentTask *train = ai_find_task(ai, TASK_TRAIN_PILOT, PILOT_CLASS_STARBASE, 0, AI_MATCH_TYPE | AI_MATCH_SUBTYPE))
        task->linked[2] = train->id;
}

void base_pilot_describe(AgentTask *task, AiPlayer *, std::string *text) {
    const GameObject *s = ai_detail::data_of(task)->sector;
    append(text, ", sector #%llu \"%s\"", (unsigned long long)task->target_id, s ? object_get_name(s) : "");
}

void base_pilot_act(AgentTask *task, AiPlayer *ai, Player *player) {
    Sector *target = sector_of(ai_detail::data_of(task)->sector);
    Site *base = starbase_of(target);
    if (Officer *o = site_find_starbase_pilot(base)) {
        (void)order_post_officer(player, o, base, true);   // refused: the task tries again
        return;
    }
    Ship *ship = crew_first_assignee(task);
    if (!ship || !target) return;
    if (!ship->pilot || officer_pilot_class(ship->pilot) != PILOT_CLASS_STARBASE) {
        Sector *here = own_sector_of(ship, player);
        Site *here_base = starbase_of(here);
        if (Officer *o = site_find_starbase_pilot(here_base)) {
            // A pilot the ship carries stays in the starbase's pool in o's place.
            (void)order_post_officer(player, o, ship, false);
            set_move_target(ship, target->id);
            return;
        }
        int32_t x = 0, y = 0;
        ship_get_galaxy_position(ship, &x, &y);
        const Sector *best = nullptr;
        int32_t best_d = 0;
        each_own_sector(ai, [&](Sector *sector) {
            if (sector == target || !site_find_starbase_pilot(starbase_of(sector))) return;
            int32_t cx = 0, cy = 0;
            ai_detail::centre_of(sector, &cx, &cy);
            const int32_t dd = distance(cx - x, cy - y);
            if (!best || dd < best_d) {
                best = sector;
                best_d = dd;
            }
        });
        if (best) set_move_target(ship, best->id);
        return;
    }
    if (ship->sector_id != target->id) {
        set_move_target(ship, target->id);
        return;
    }
    Officer *pilot = ship->pilot;
    if (!base || !officer_at_friendly_starbase(pilot)) return;
    // The starbase's commander steps down into its pool; the pilot takes command with the crew.
    if (Officer *old = base->commander) (void)order_post_officer(player, old, base, false);
    (void)order_post_officer(player, pilot, base, true);
}

// ---- "transfer crew" ----

GameObject *crew_target(uint64_t id, bool relink, Result *why) {
    GameObject *obj = id ? game_find_object(game_get(), id) : nullptr;
    const char *prefix = relink ? "Agent task (transfer crew) failed" : "Agent task failed";
    if (!obj) {
        log_write(LOG_GAME, LOG_ERROR, "%s to link target #%llu (object not found)", prefix, (unsigned long long)id);
        *why = RES_UNRESOLVED_ID;
        return nullptr;
    }
    if (obj->kind != OBJECT_SHIP && obj->kind != OBJECT_SECTOR) {
        log_write(LOG_GAME, LOG_ERROR, "%s to link target #%llu (incorrect object type %i)", prefix,
                  (unsigned long long)id, obj->kind);
        *why = RES_KIND_MISMATCH;
        return nullptr;
    }
    *why = RES_OK;
    return obj;
}

void hold_target(AgentTask *task, GameObject *obj) {
    AgentTaskData *d = ai_detail::data_of(task);
    object_add_ref(obj);
    if (d->target) object_release(d->target);
    d->target = obj;
}

void crew_link(AgentTask *task) {
    Result why = RES_OK;
    if (GameObject *obj = crew_target(task->target_id, false, &why)) {
        hold_target(task, obj);
        task->flags |= TASK_FORCED;
    }
}

Result crew_relink(AgentTask *task) {
    Result why = RES_OK;
    GameObject *obj = crew_target(task->target_id, true, &why);
    if (obj) hold_target(task, obj);
    return why;
}

void crew_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned, int32_t *needed) {
    GameObject *target = ai_detail::data_of(task)->target;
    *needed = 1;
    *assigned = 0;
    if (const Ship *ship = ship_of(target)) {
        int64_t u = 200 + ship->online_load_a;
        if (ship->max_crew > 0) {
            const int64_t m = 100 - int64_t(ship->crew) * 100 / ship->max_crew;
            u += ship->online_load_a * ai_detail::squared(m) / 90;
        }
        *utility = saturate_i32(u);
        if (list_count(&task->assignees) > 0) {
            *assigned = 1;
            const Sector *here = own_sector_of(ship, player);
            if (here && sector_find_site_with_feature(here, REPAIR_FEATURE_KIND) && 4 * u > 0)
                task->priority_bonus = saturate_i32(task->priority_bonus + 4 * u);
        }
    } else if (const Sector *sector = sector_of(target)) {
        int32_t cx = 0, cy = 0;
        ai_detail::centre_of(sector, &cx, &cy);
        const int64_t d = ai ? distance(cx - ai->map_centre_x, cy - ai->map_centre_y) : 0;
        const int64_t u =
            ai_detail::squared(sector_score(sector)) / 10 + 200 + ai_detail::squared(std::max<int64_t>(600 - d, 1)) / 64;
        *utility = saturate_i32(u);
        if (const Ship *ship = crew_first_assignee(task)) {
            *assigned = 1;
            if (ship->crew >= SITE_CREW_NEEDED) task->priority_bonus = saturate_i32(task->priority_bonus + u / 3);
        }
    }
}

int32_t crew_utility(AgentTask *task, GameObject *obj) {
    GameObject *target = ai_detail::data_of(task)->target;
    if (ship_of(target)) return obj == target ? 1 : 0;
    const Ship *ship = ship_of(obj);
    return ship && ship->pilot_id != 0 ? 1 : 0;
}

int32_t crew_blocked(AgentTask *task, AiPlayer *ai, Player *player) {
    GameObject *target = ai_detail::data_of(task)->target;
    if (const Ship *ship = ship_of(target)) {
        if (!ai || ai->crew_sources < 1 || !player) return 1;
        return player_find_nearest_starbase(player, ai->map_centre_x, ai->map_centre_y, ship->max_crew - ship->crew) ? 0 : 1;
    }
    const Sector *sector = sector_of(target);
    if (sector && player && player_object_count(player) > 0 && list_count(&player->officers) > 0 &&
        sector_count_other_owners(sector, player->id) == 0)
        return 0;
    return 1;
}

int32_t crew_done(AgentTask *task, AiPlayer *, Player *player) {
    GameObject *target = ai_detail::data_of(task)->target;
    if (const Ship *ship = ship_of(target))
        return (ship->flags & OBJ_DEAD) || ship->pilot_id == 0 || ship->crew >= ship->max_crew ? 1 : 0;
    if (const Sector *sector = sector_of(target)) {
        const Site *base = starbase_of(sector);
        return !player || sector->owner_id != player->id || !base || base->crew >= SITE_CREW_NEEDED ? 1 : 0;
    }
    return 0;
}

int32_t crew_obsolete(AgentTask *task, AiPlayer *, Player *) {
    const GameObject *obj = task->target_id ? game_find_object(game_get(), task->target_id) : nullptr;
    return !obj || (obj->flags & OBJ_DEAD) ? 1 : 0;
}

void crew_describe(AgentTask *task, AiPlayer *, std::string *text) {
    const GameObject *t = ai_detail::data_of(task)->target;
    const char *name = t ? object_get_name(t) : "";
    if (t && t->kind == OBJECT_SECTOR) append(text, ", target #%llu \"%s\" (sector)", (unsigned long long)task->target_id, name);
    else append(text, ", target #%llu \"%s\" (ship)", (unsigned long long)task->target_id, name);
}

// Takes crew off a starbase into the ship, never leaving the starbase below its floor. A ship
// takes no more than it has room for: what the hull cannot hold stays aboard the starbase instead
// of being lost when the ship's crew is set.
void take_crew(Player *player, Ship *ship, Site *base, int32_t amount) {
    const int32_t m = std::max(0, std::min({base->crew - SITE_CREW_NEEDED, amount, ship->max_crew - ship->crew}));
    (void)order_transfer_crew(player, ship, base, ship->crew + m);   // the ship is at its own starbase
}

void crew_act(AgentTask *task, AiPlayer *, Player *player) {
    GameObject *target = ai_detail::data_of(task)->target;
    Ship *ship = crew_first_assignee(task);
    if (!ship || !player) return;
    const int32_t total = player->totals.starbase_crew;
    int32_t x = 0, y = 0;
    ship_get_galaxy_position(ship, &x, &y);
    if (ship_of(target)) {
        Sector *source = sector_of(player_find_nearest_starbase(player, x, y, ship->max_crew - ship->crew));
        Site *base = starbase_of(source);
        if (!base) return;
        if (ship->sector_id != source->id) {
            set_move_target(ship, source->id);
            return;
        }
        take_crew(player, ship, base, ship->max_crew - ship->crew);
        return;
    }
    Sector *sector = sector_of(target);
    Site *target_base = starbase_of(sector);
    if (!target_base) return;
    if (ship->crew >= SITE_CREW_NEEDED) {
        if (ship->sector_id != sector->id) {
            set_move_target(ship, sector->id);
            return;
        }
        int32_t amount = SITE_CREW_NEEDED - target_base->crew;
        if (total < 10000) amount += random_range(1, CREW_TOP_UP);
        const int32_t m = std::min(amount, ship->crew);
        (void)order_transfer_crew(player, ship, target_base, ship->crew - m);   // the ship is in the sector
        return;
    }
    Sector *source = sector_of(player_find_nearest_starbase(player, x, y, SITE_CREW_NEEDED - ship->crew));
    Site *base = starbase_of(source);
    if (!base || base->crew < SITE_CREW_NEEDED + 1) return;
    if (ship->sector_id != source->id) {
        set_move_target(ship, source->id);
        return;
    }
    int32_t amount = SITE_CREW_NEEDED - ship->crew;
    if (total > 7000) amount = ship->max_crew - ship->crew;
    else if (total > 4000) amount += random_range(1, CREW_TOP_UP);
    take_crew(player, ship, base, amount);
}

// ---- "repair ship" ----

void repair_link(AgentTask *task) {
    task->flags |= TASK_FORCED;
    GameObject *obj = task->target_id ? game_find_object(game_get(), task->target_id) : nullptr;
    if (!ship_of(obj)) {
        log_write(LOG_GAME, LOG_ERROR, "Agent task failed to link target ship #%llu (object not found)",
                  (unsigned long long)task->target_id);
        return;
    }
    hold_target(task, obj);
}

Result repair_relink(AgentTask *task) {
    GameObject *obj = task->target_id ? game_find_object(game_get(), task->target_id) : nullptr;
    if (!ship_of(obj)) {
        log_write(LOG_GAME, LOG_ERROR, "Agent task (repair ship) failed to link target ship #%llu (object not found)",
                  (unsigned long long)task->target_id);
        return RES_UNRESOLVED_ID;
    }
    hold_target(task, obj);
    return RES_OK;
}

// A hull without armour to lose scores as an undamaged one: only its reload counts.
int32_t armour_percent(const Ship *ship) {
    return ship->max_armour > 0 ? int32_t(int64_t(ship->armour) * 100 / ship->max_armour) : 100;
}

bool target_assigned(AgentTask *task) {
    GameObject *target = ai_detail::data_of(task)->target;
    for (GameObject *obj : task->assignees.items) {
        if (!obj) break;
        if (obj == target && !(obj->flags & OBJ_DEAD)) return true;
    }
    return false;
}

void repair_evaluate(AgentTask *task, AiPlayer *, Player *, int32_t *utility, int32_t *assigned, int32_t *needed) {
    const Ship *ship = ship_of(ai_detail::data_of(task)->target);
    *needed = 1;
    *assigned = target_assigned(task) ? 1 : 0;
    if (!ship) return;
    const int64_t pct = armour_percent(ship);
    int64_t u = (100 - pct) * 50 + 100;
    if (pct < 40) u += (100 - pct) * 50;
    *utility = saturate_i32(u + int64_t(ship_system_power_summary(ship)) * 3 / 2);
}

int32_t repair_utility(AgentTask *task, GameObject *obj) { return obj && obj == ai_detail::data_of(task)->target ? 1 : 0; }

int32_t repair_done(AgentTask *task, AiPlayer *, Player *) {
    const Ship *ship = ship_of(ai_detail::data_of(task)->target);
    if (!ship || (ship->flags & OBJ_DEAD)) return 1;
    return !ship_needs_repair(ship) && !ship_needs_reload(ship) ? 1 : 0;
}

int32_t repair_obsolete(AgentTask *task, AiPlayer *, Player *) {
    const GameObject *obj = task->target_id ? game_find_object(game_get(), task->target_id) : nullptr;
    return !ship_of(obj) || (obj->flags & OBJ_DEAD) ? 1 : 0;
}

void repair_describe(AgentTask *task, AiPlayer *, std::string *text) {
    const GameObject *t = ai_detail::data_of(task)->target;
    append(text, ", ship #%llu \"%s\"", (unsigned long long)task->target_id, t ? object_get_name(t) : "");
}

void repair_act(AgentTask *task, AiPlayer *, Player *player) {
    if (!player || !target_assigned(task)) return;
    Ship *ship = ship_of(ai_detail::data_of(task)->target);
    const Sector *here = own_sector_of(ship, player);
    if (here && sector_count_other_owners(here, player->id) == 0) {
        const int32_t cost = ship_repair_cost(ship);
        // The computer player keeps something back: exactly enough credits is not enough.
        if (player->credits > cost) (void)order_repair_ship(player, ship);
        return;
    }
    Game *game = game_get();
    if (!game || !game->galaxy_map) return;
    ObjectFilter filter;
    filter.flags = FILTER_POINT | FILTER_KINDS | FILTER_NEAREST | FILTER_OWNER;
    filter.kind_mask = 1u << OBJECT_SECTOR;
    filter.owner_id = player->id;
    ship_get_galaxy_position(ship, &filter.px, &filter.py);
    if (GameObject *current = game_find_object(game_get(), ship->sector_id); current && current->kind == OBJECT_SECTOR) {
        filter.flags |= FILTER_NOT_SELF;
        filter.self = current;
    }
    if (GameObject *home = map_query_object(game->galaxy_map, &filter)) set_move_target(ship, home->id);
}

// ---- "scrap ships" ----

void scrap_link(AgentTask *task) { task->flags |= TASK_FORCED; }

// What scrapping the ship adds to the bonus: its scrap value, and the gain of refitting it with the
// player's best systems (or the loss of its power when it has none). Reads the ship, the player's
// systems and the task weights.
int64_t scrap_share(const Ship *ship, AiPlayer *ai, Player *player) {
    int64_t b = 0;
    const int32_t value = ship_scrap_value(ship);
    if (value / 2 > 0) b += value / 2;
    int64_t gain = 0;
    for (int32_t c = 0; c < ship->crit_count; ++c) {
        const System *fitted = ship->crits[c].system;
        if (!fitted || !(fitted->flags & SYSTEM_FLAG_SUBTYPES) || !player) continue;
        const System *best = player_best_system(player, fitted->type);
        if (!best) continue;
        const int64_t cur = int64_t(fitted->load_a) + fitted->load_b + system_effective_value(fitted);
        const int64_t top = int64_t(best->load_a) + best->load_b + system_effective_value(best);
        if (cur > 0 && top - cur > 0) gain += (top - cur) * 100 / cur;
    }
    if (gain > 0) {
        int64_t g = ai_detail::squared(gain) / 5;
        const int32_t weight = ai && ai->weights ? ai->weights[TASK_SCRAP_SHIPS] : 0;
        if (weight != 0) g = g * (100 + weight) / 100;
        if (g > 0) b += g;
    } else {
        b -= 3 * ai_detail::squared(int64_t(ship->online_load_a) + ship->online_load_b);
    }
    return b;
}

// Every ship given is one more wanted: the task never has what it needs.
void scrap_need(AgentTask *task, AiPlayer *, Player *, int32_t *assigned, int32_t *needed) {
    const int32_t n = list_count(&task->assignees);
    *assigned = n;
    *needed = 5 + n;
}

void scrap_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned,
                    int32_t *needed) {
    *utility = 200;
    scrap_need(task, ai, player, assigned, needed);
    int64_t b = 0;
    for (GameObject *obj : task->assignees.items) {
        const Ship *ship = ship_of(obj);
        if (!ship || (ship->ship_flags & SHIP_FLAG_CONSTRUCTOR)) continue;
        bool fresh = false;
        int64_t *kept = agent_task_object_word(ai, obj, task->type, &fresh);
        if (!kept) b += scrap_share(ship, ai, player);
        else if (fresh) b += *kept = scrap_share(ship, ai, player);
        else b += *kept;
        if (kept && !fresh && plan_check_on()) [[unlikely]]
            plan_check_same("evaluation memo", "scrap share", *kept, scrap_share(ship, ai, player));
    }
    if (ai && ai->ship_count <= ai->own_sector_count && b > 0) b /= 4;
    task->priority_bonus = saturate_i32(task->priority_bonus + b);
}

int32_t scrap_done(AgentTask *, AiPlayer *ai, Player *) { return !ai || ai->ship_count < 1 ? 1 : 0; }

void scrap_act(AgentTask *task, AiPlayer *ai, Player *player) {
    if (!player) return;
    std::vector<Ship *> ships;
    for (GameObject *obj : task->assignees.items)
        if (Ship *s = ship_of(obj); s && !(s->flags & OBJ_DEAD)) ships.push_back(s);
    for (Ship *ship : ships) {
        Sector *here = own_sector_of(ship, player);
        Site *base = starbase_of(here);
        if (base) {
            (void)order_scrap_ship(player, ship);   // its own ship in its own sector
            continue;
        }
        int32_t x = 0, y = 0;
        ship_get_galaxy_position(ship, &x, &y);
        const Sector *best = nullptr;
        int32_t best_d = 0;
        each_own_sector(ai, [&](Sector *sector) {
            int32_t cx = 0, cy = 0;
            ai_detail::centre_of(sector, &cx, &cy);
            const int32_t dd = distance(cx - x, cy - y);
            if (!best || dd < best_d) {
                best = sector;
                best_d = dd;
            }
        });
        if (best) set_move_target(ship, best->id);
    }
}

}  // namespace

int32_t officer_pilot_class(const Officer *officer) {
    const int32_t sc = combat_score(officer), sg = galaxy_score(officer), ss = starbase_score(officer);
    if (ss > std::max(sc, sg)) return PILOT_CLASS_STARBASE;
    return sg > sc ? PILOT_CLASS_GALAXY : PILOT_CLASS_COMBAT;
}

Officer *site_find_starbase_pilot(const Site *site) {
    if (!site) return nullptr;
    for (Officer *o : site->officers.items) {
        if (!o) break;
        if (officer_pilot_class(o) == PILOT_CLASS_STARBASE) return o;
    }
    return nullptr;
}

Result ai_refit_crit(Ship *ship, int32_t crit, System *copy) {
    System *old = ship_get_crit_system(ship, crit);
    if (old) {
        system_retain(old);
        (void)ship_set_crit_system(ship, crit, nullptr);
    }
    const Result r = ship_set_crit_system(ship, crit, copy);
    if (old) {
        if (r != RES_OK) (void)ship_set_crit_system(ship, crit, old);
        system_release(old);
    }
    return r;
}

void ai_crew_task_type_fill(int32_t type, AgentTaskType *t) {
    // The family's own slots; what every type shares (size, free, name and the save slots) stays.
    struct Row {
        int32_t       type;
        AgentTaskType slots;
    };
    static const Row ROWS[] = {
        {TASK_TRAIN_PILOT, {.link = [](AgentTask *task) { task->flags |= TASK_PRODUCTION; },
                            .describe = train_describe, .is_blocked = train_blocked, .evaluate = train_evaluate,
                            .update = train_update, .act = train_act}},
        {TASK_ASSIGN_SHIP_PILOT, {.link = ship_pilot_link, .is_obsolete = ship_pilot_obsolete,
                                  .describe = ship_pilot_describe, .execute = ship_pilot_done,
                                  .is_blocked = ship_pilot_blocked, .evaluate = ship_pilot_evaluate,
                                  .ship_utility = ship_pilot_utility, .act = ship_pilot_act,
                                  .need = ship_pilot_need, .owed_bonus = ship_pilot_owed_bonus}},
        {TASK_ASSIGN_STARBASE_PILOT, {.link = base_pilot_link, .relink = base_pilot_relink,
                                      .describe = base_pilot_describe, .execute = base_pilot_done,
                                      .is_blocked = base_pilot_blocked, .evaluate = base_pilot_evaluate,
                                      .ship_utility = always_one, .update = base_pilot_update, .act = base_pilot_act,
                                      .need = base_pilot_need, .owed_bonus = base_pilot_owed_bonus}},
        {TASK_TRANSFER_CREW, {.link = crew_link, .relink = crew_relink, .is_obsolete = crew_obsolete,
                              .describe = crew_describe, .execute = crew_done, .is_blocked = crew_blocked,
                              .evaluate = crew_evaluate, .ship_utility = crew_utility, .act = crew_act}},
        {TASK_REPAIR_SHIP, {.link = repair_link, .relink = repair_relink, .is_obsolete = repair_obsolete,
                            .describe = repair_describe, .execute = repair_done, .is_blocked = no_sectors,
                            .evaluate = repair_evaluate, .ship_utility = repair_utility, .act = repair_act}},
        {TASK_SCRAP_SHIPS, {.link = scrap_link, .execute = scrap_done, .is_blocked = no_sectors,
                            .evaluate = scrap_evaluate, .ship_utility = always_one, .act = scrap_act,
                            .need = scrap_need}},
    };
    for (const Row &row : ROWS) {
        if (row.type != type) continue;
        AgentTaskType filled = row.slots;
        filled.size = t->size;
        filled.free = t->free;
        filled.name = t->name;
        filled.write_extra = t->write_extra;
        filled.read_extra = t->read_extra;
        *t = filled;
    }
}
