// Production tasks: build site, build ship, build collector, build defense upgrade, research tech
// and rush production.
#include "ai/ai_production.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include "ai/agent_task.h"
#include "ai/ai_internal.h"
#include "ai/ai_player.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/orders.h"
#include "game/player.h"
#include "game/tech.h"
#include "platform/geometry.h"
#include "platform/log.h"
#include "platform/saturate.h"
#include "platform/str.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace {

int32_t distance_from_centre(const AiPlayer *ai, const GameObject *obj) {
    int32_t x = 0, y = 0;
    ai_detail::centre_of(obj, &x, &y);
    return distance(x - ai->map_centre_x, y - ai->map_centre_y);
}

int32_t threat_at(const AiPlayer *ai, const GameObject *obj) {
    int32_t x = 0, y = 0;
    ai_detail::centre_of(obj, &x, &y);
    return ai->threats ? fleet_threat_value(ai->threats, x, y) : 0;
}

bool owned_by(const GameObject *obj, const Player *player) { return obj && obj->owner_id == player->id; }

// The first site of a kind in the sector, when it can take an order now.
Site *idle_site(const Sector *sector, int32_t kind) {
    if (kind < 0 || kind >= SECTOR_SITE_KINDS || sector->site_counts[kind] < 1) return nullptr;
    Site *site = sector_find_site_of_kind(sector, kind);
    if (!site || (site->state & (SITE_PRODUCING | SITE_UNDER_CONSTRUCTION | SITE_CREW_SHORT))) return nullptr;
    return site;
}

Sector *own_sector_at(const AiPlayer *ai, int32_t i) {
    return ai->own_sectors && i < list_count(ai->own_sectors) ? sector_of(list_get(ai->own_sectors, i)) : nullptr;
}

int32_t own_sector_total(const AiPlayer *ai) { return ai->own_sectors ? list_count(ai->own_sectors) : 0; }

const char *site_template_name(int32_t kind) {
    const Site *tmpl = kind >= 0 && kind < SITE_TEMPLATE_COUNT ? site_template(kind) : nullptr;
    return tmpl ? tmpl->name.c_str() : "";
}

// ---- Targets kept by reference: the sector of a collector or upgrade, the site of a rush ----

void link_production_target(AgentTask *task, int32_t kind, const char *what) {
    AgentTaskData *d = ai_detail::data_of(task);
    GameObject *obj = game_find_object(game_get(), task->target_id);
    if (!obj || obj->kind != kind || (obj->flags & OBJ_STUB)) {
        log_write(LOG_GAME, LOG_ERROR, "Agent task failed to link target %s #%llu (object not found)", what,
                  (unsigned long long)task->target_id);
        return;
    }
    if (d->target) object_release(d->target);
    object_add_ref(obj);
    d->target = obj;
    task->flags |= TASK_PRODUCTION;
}

Result relink_production_target(AgentTask *task, int32_t kind, const char *what) {
    if (task->target_id == 0) return RES_OK;
    AgentTaskData *d = ai_detail::data_of(task);
    GameObject *obj = game_find_object(game_get(), task->target_id);
    if (!obj || obj->kind != kind || (obj->flags & OBJ_STUB)) {
        log_write(LOG_GAME, LOG_ERROR, "Agent task failed to link target %s #%llu (object not found)", what,
                  (unsigned long long)task->target_id);
        return Result(AI_LINK_NOT_FOUND);
    }
    if (d->target != obj) {
        if (d->target) object_release(d->target);
        object_add_ref(obj);
        d->target = obj;
    }
    return RES_OK;
}

Site *target_site(AgentTask *task) { return site_cast(ai_detail::data_of(task)->target); }

void set_production(AgentTask *task) { task->flags |= TASK_PRODUCTION; }

void describe_sector(AgentTask *task, AiPlayer *, std::string *text) {
    const Sector *s = ai_detail::target_sector(task);
    str_appendf(text, ", sector #%llu \"%s\"", (unsigned long long)task->target_id, s ? object_get_name(s) : "");
}

// ---- 3 "build site" ----

void build_site_evaluate(AgentTask *task, AiPlayer *ai, Player *, int32_t *utility, int32_t *assigned,
                         int32_t *needed) {
    const int32_t k = int32_t(task->subtype);
    const int32_t n = ai_site_target_count(ai, k);
    const int32_t have = k >= 0 && k < AI_SITE_TEMPLATES && ai->site_counts ? ai->site_counts[k] : 0;
    const int32_t x = (n - have) * (have < 1 ? 1200 : 600);
    *utility = x > 0 ? 80 + x : 80;
    *assigned = 0;
    *needed = 1;
}

// A facility is laid down only once researched, as a player's chooser offers it: until then the
// task waits and the production loop goes on to the next.
int32_t build_site_blocked(AgentTask *task, AiPlayer *ai, Player *player) {
    const int32_t k = int32_t(task->subtype);
    if (k < SECTOR_SITE_KINDS && player && !player_has_item_kind(player, k)) return 1;
    for (int32_t i = 0; i < own_sector_total(ai); ++i) {
        const Sector *s = own_sector_at(ai, i);
        if (!s) continue;
        if ((k >= SECTOR_SITE_KINDS || s->site_counts[k] == 0) && idle_site(s, SITE_STARBASE)) return 0;
    }
    return 1;
}

void build_site_describe(AgentTask *task, AiPlayer *, std::string *text) {
    str_appendf(text, ", site type %i (%s)", int32_t(task->subtype), site_template_name(int32_t(task->subtype)));
}

void build_site_act(AgentTask *task, AiPlayer *ai, Player *player) {
    const int32_t k = int32_t(task->subtype);
    Site *best_base = nullptr;
    int32_t best_score = 0;
    for (int32_t i = 0; i < own_sector_total(ai); ++i) {
        Sector *s = own_sector_at(ai, i);
        if (!s || !sector_can_build(s, k) || !player_has_item_kind(player, k)) continue;
        Site *base = idle_site(s, SITE_STARBASE);
        if (!base || base->crew < 100) continue;
        int32_t cost = 0, minutes = 0;
        player_build_cost(player, k, s->id, &cost, &minutes);
        if (cost > player->credits) continue;
        const int32_t d = distance_from_centre(ai, s);
        int32_t score = 0;
        if (k == SITE_SHIPYARD) score = std::max(saturate_i32(4ll * threat_at(ai, s) + 1200 - d), 1);
        else if (k == 14) score = base->crew;
        else if (k == SITE_TRAINING) score = std::max(1200 - d, 1);
        else continue;
        if (!best_base || score > best_score) {
            best_base = base;
            best_score = score;
        }
    }
    if (!best_base) {
        log_write(LOG_AGENT, LOG_DEBUG2, "\"%s\" build site \"%s\" - failed to execute, no build site found",
                  player->name.c_str(), site_template_name(k));
        return;
    }
    if (order_produce(player, best_base, k, 0) != RES_OK) {
        log_write(LOG_AGENT, LOG_DEBUG2, "\"%s\" build site \"%s\" - failed to execute (site start production failed)",
                  player->name.c_str(), site_template_name(k));
        return;
    }
    agent_task_set_done(task);
}

// ---- 5 "build ship" ----

void build_ship_evaluate(AgentTask *task, AiPlayer *, Player *player, int32_t *utility, int32_t *assigned,
                         int32_t *needed) {
    int64_t u = 10;
    if (const Ship *design = ship_of(player_get_design(player, task->target_id))) {
        if ((design->ship_flags & SHIP_FLAG_CONSTRUCTOR) && !player_find_constructor_ship(player)) u = 610;
        const int64_t power = int64_t(design->online_load_b) + design->online_load_a;
        if (power * power / 20 > 0) u += power * power / 20;
    }
    *utility = saturate_i32(u);
    *assigned = 0;
    *needed = 1;
}

int32_t build_ship_blocked(AgentTask *, AiPlayer *ai, Player *) {
    for (int32_t i = 0; i < own_sector_total(ai); ++i)
        if (const Sector *s = own_sector_at(ai, i); s && idle_site(s, SITE_SHIPYARD)) return 0;
    return 1;
}

int32_t build_ship_gone(AgentTask *task, AiPlayer *, Player *player) {
    return player_get_design(player, task->target_id) == nullptr;
}

void build_ship_describe(AgentTask *task, AiPlayer *, std::string *text) {
    str_appendf(text, ", build ship #%llu", (unsigned long long)task->target_id);
}

// The first listed task of a type and subtype, or null.
AgentTask *first_listed(AiPlayer *ai, int32_t type, uint32_t subtype) {
    if (!ai->listed) return nullptr;
    for (AgentTask *t : ai->listed->items)
        if (t && t->type == uint32_t(type) && t->subtype == subtype) return t;
    return nullptr;
}

// A task that would be helped by another site of a kind links the "build site" task for it.
void link_site_builder(AgentTask *task, AiPlayer *ai, int32_t kind) {
    if (task->linked[0] != 0 || !ai->site_counts) return;
    if (ai->site_counts[kind] >= ai_site_target_count(ai, kind)) return;
    if (AgentTask *builder = first_listed(ai, TASK_BUILD_SITE, uint32_t(kind))) task->linked[0] = builder->id;
}

void build_ship_update(AgentTask *task, AiPlayer *ai, Player *) { link_site_builder(task, ai, SITE_SHIPYARD); }

void build_ship_act(AgentTask *task, AiPlayer *ai, Player *player) {
    GameObject *design = player_get_design(player, task->target_id);
    if (!design) {
        log_write(LOG_AGENT, LOG_DEBUG2, "\"%s\" failed to execute ship build task #%llu (ship not found)",
                  player->name.c_str(), (unsigned long long)task->target_id);
        return;
    }
    for (int32_t i = 0; i < own_sector_total(ai); ++i) {
        Sector *s = own_sector_at(ai, i);
        Site *yard = s ? idle_site(s, SITE_SHIPYARD) : nullptr;
        if (!yard) continue;
        int32_t cost = 0, minutes = 0;   // the design's price here, or what a paused build of it kept
        player_design_build_cost(player, design, s->id, &cost, &minutes);
        if (player_can_spend(player, cost) != RES_OK) continue;
        (void)order_produce(player, yard, 0, design->id);
        agent_task_set_done(task);   // a refused order is not tried again from this task
        return;
    }
}

// ---- 22 "build collector" and 21 "build defense upgrade" ----

// A starbase of the player that can work: alive, crewed, the player's.
Site *working_starbase(const Sector *s, const Player *player) {
    Site *base = s ? sector_find_site_of_kind(s, SITE_STARBASE) : nullptr;
    if (!base || (base->flags & OBJ_DEAD) || (base->state & SITE_CREW_SHORT) || !owned_by(base, player)) return nullptr;
    return base;
}

void link_target_sector(AgentTask *task) { link_production_target(task, OBJECT_SECTOR, "sector"); }
Result relink_sector(AgentTask *task) { return relink_production_target(task, OBJECT_SECTOR, "sector"); }

int32_t starbase_busy(AgentTask *task, AiPlayer *, Player *player) {
    const Sector *s = ai_detail::target_sector(task);
    return !(s && owned_by(s, player) && idle_site(s, SITE_STARBASE));
}

void collector_evaluate(AgentTask *task, AiPlayer *ai, Player *, int32_t *utility, int32_t *assigned,
                        int32_t *needed) {
    *assigned = 0;
    *needed = 1;
    Sector *s = ai_detail::target_sector(task);
    if (!s) return;
    const int64_t t = threat_at(ai, s);
    int64_t u = 80;
    const Site *r = sector_find_free_resource_site(s);
    const Site *base = sector_find_site_of_kind(s, SITE_STARBASE);
    if (r && base) {
        int64_t y = 0;
        if ((r->params.template_flags & SITE_TF_RESOURCE) && r->harvest_divisor > 0)
            y = int64_t(std::trunc(float(r->resources_left) / float(r->harvest_divisor)));
        y /= 75;
        if (base->crew > 1000) y *= base->crew / 1000;
        if (y > 0) u = 80 + y;
    }
    const int64_t d = distance_from_centre(ai, s);
    if (d > 0 && 600 - t * t / d > 0) u += 600 - t * t / d;
    const int64_t v = sector_score(s);
    if (v * v / 1000 > 0) u += v * v / 1000;
    *utility = saturate_i32(u);
}

int32_t collector_finished(AgentTask *task, AiPlayer *, Player *player) {
    const Sector *s = ai_detail::target_sector(task);
    return !(s && owned_by(s, player) && sector_can_build(s, SITE_HARVESTER) && working_starbase(s, player));
}

// The order of a collector (item 13) or a defense upgrade (item -1) at the sector's starbase.
void order_at_starbase(AgentTask *task, Player *player, int32_t item, const char *what) {
    Sector *s = ai_detail::target_sector(task);
    if (!s || !owned_by(s, player)) return;
    Site *base = sector_find_site_of_kind(s, SITE_STARBASE);
    if (!base) {
        log_write(LOG_AGENT, LOG_DEBUG2, "\"%s\" %s - failed to execute, no build site found", player->name.c_str(),
                  what);
        return;
    }
    int32_t cost = 0, minutes = 0;
    player_build_cost(player, item, s->id, &cost, &minutes);
    if (player_can_spend(player, cost) != RES_OK) return;
    if (order_produce(player, base, item, 0) == RES_OK) {
        agent_task_set_done(task);
    } else {
        log_write(LOG_AGENT, LOG_DEBUG2, "\"%s\" %s - failed to execute (site start production failed)",
                  player->name.c_str(), what);
    }
}

void collector_act(AgentTask *task, AiPlayer *, Player *player) {
    order_at_starbase(task, player, SITE_HARVESTER, "build collector");
}

void upgrade_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned,
                      int32_t *needed) {
    *assigned = 0;
    *needed = 1;
    Sector *s = ai_detail::target_sector(task);
    if (!s) return;
    const int64_t t = threat_at(ai, s);
    int64_t own = 0;
    for (GameObject *obj : s->objects.items) {
        if (!obj) break;
        if (!(obj->flags & OBJ_DEAD) && owned_by(obj, player)) own += player_object_value(obj);
    }
    const int64_t d = distance_from_centre(ai, s);
    int64_t u = 80;
    if (d < 1) {
        const int64_t x = t * t / 10 - own * own / 30;
        if (x > -200) u = x + 280;
    } else {
        const int64_t x = 4 * t * t / d - own * own / 30;
        if (x > 0) u = x + 80;
    }
    const int64_t v = sector_score(s);
    if (v * v / 350 > 0) u += v * v / 350;
    const Site *guarded = sector_find_site_with_feature(s, 6);
    if (guarded && guarded->feature && guarded->feature->owner_id == player->id) u = u * 4 / 3;
    *utility = saturate_i32(u);
}

int32_t upgrade_finished(AgentTask *task, AiPlayer *, Player *player) {
    const Sector *s = ai_detail::target_sector(task);
    Site *base = s && owned_by(s, player) ? working_starbase(s, player) : nullptr;
    if (!base || base->defense_level >= 1) return 1;
    GameObject *item = nullptr;
    // Building the upgrade itself: the order is placed.
    return site_production_info(base, &item, nullptr, nullptr, nullptr, nullptr) != 0 && item == nullptr;
}

void upgrade_act(AgentTask *task, AiPlayer *, Player *player) {
    order_at_starbase(task, player, -1, "build defense upgrade");
}

// ---- 10 "research tech" ----

void research_evaluate(AgentTask *task, AiPlayer *ai, Player *, int32_t *utility, int32_t *assigned,
                       int32_t *needed) {
    int32_t u = 20;
    const TechInfo *tech = task->subtype <= 56 ? tech_get(int32_t(task->subtype)) : nullptr;
    if (tech && tech->starting_level >= 0 && (5 - tech->starting_level) * 40 > 0)
        u = 20 + (5 - tech->starting_level) * 40;
    if (ai->queued_research < 1) u += 1000;
    *utility = u;
    *assigned = 0;
    *needed = 1;
}

int32_t research_blocked(AgentTask *, AiPlayer *ai, Player *) {
    return ai->queued_research >= ai->research_queue_limit;
}

void research_describe(AgentTask *task, AiPlayer *, std::string *text) {
    const char *name = tech_name(int32_t(task->subtype));
    str_appendf(text, ", tech type %i (%s)", int32_t(task->subtype), name ? name : "");
}

void research_update(AgentTask *task, AiPlayer *ai, Player *) { link_site_builder(task, ai, 14); }

void research_act(AgentTask *task, AiPlayer *ai, Player *player) {
    const int32_t t = int32_t(task->subtype);
    const Result r = order_research(player, t);
    if (r == RES_INSUFFICIENT_CREDITS) return;
    if (r != RES_OK) {
        log_write(LOG_GAME, LOG_WARN, "Failed to start tech research for player #%llu tech type %i (%i)",
                  (unsigned long long)player->id, t, int(r));
        return;
    }
    agent_task_set_done(task);
    ai->queued_research += 1;
}

// ---- 20 "rush production" ----

void rush_link(AgentTask *task) {
    link_production_target(task, OBJECT_SITE, "site");
    const Site *site = target_site(task);
    if (!site) return;
    if (const GameObject *sector = game_find_object(game_get(), site->sector_id); sector && sector->kind == OBJECT_SECTOR)
        ai_detail::centre_of(sector, &ai_detail::data_of(task)->centre_x, &ai_detail::data_of(task)->centre_y);
}

Result rush_relink(AgentTask *task) {
    if (task->target_id == 0) return RES_OK;
    const Result r = relink_production_target(task, OBJECT_SITE, "site");
    if (r != RES_OK) return r;
    const Site *site = target_site(task);
    const GameObject *sector = game_find_object(game_get(), site->sector_id);
    if (!sector || sector->kind != OBJECT_SECTOR) {
        log_write(LOG_GAME, LOG_ERROR, "Agent task failed to link target sector #%llu (object not found)",
                  (unsigned long long)site->sector_id);
        return Result(AI_LINK_NOT_FOUND);
    }
    ai_detail::centre_of(sector, &ai_detail::data_of(task)->centre_x, &ai_detail::data_of(task)->centre_y);
    return RES_OK;
}

int32_t officer_combat_score(const Officer *o) {
    return 3 * o->skills[SKILL_COMMAND] + 2 * (o->skills[SKILL_MARKSMANSHIP] + o->skills[SKILL_NAVIGATION]);
}

void rush_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned,
                   int32_t *needed) {
    *assigned = 0;
    *needed = 0;
    Site *site = target_site(task);
    GameObject *item = nullptr;
    Officer *recruit = nullptr;
    int32_t price = 0;
    if (!site || !site_production_info(site, &item, &recruit, nullptr, nullptr, &price)) return;
    const int64_t pct = player->credits > 0 ? int64_t(price) * 100 / player->credits : 100;
    const AgentTaskData *d = ai_detail::data_of(task);
    const int64_t t = ai->threats ? fleet_threat_value(ai->threats, d->centre_x, d->centre_y) : 0;
    int64_t y = 0;
    if (site->subtype == SITE_STARBASE) {
        if (!item) y = t * t / 60;
        else if (item->subtype == SITE_SHIPYARD) y = t * t / 180 + (pct <= 20 ? 200 : 0);
        else if (item->subtype == 14 || item->subtype == SITE_TRAINING) y = pct <= 10 ? 200 : 0;
    } else if (site->subtype == SITE_SHIPYARD) {
        y = std::max<int64_t>(t * t / 36, 0);
        if (const Ship *design = ship_of(item); design && t > 0) {
            const int64_t p = int64_t(design->online_load_a) * design->online_load_a / 5;
            if (p > 0) y += p;
        }
        if (pct <= 20) y += 200;
    } else if (site->subtype == SITE_TRAINING) {
        if (recruit) {
            const int64_t c = officer_combat_score(recruit);
            y = std::max<int64_t>(c * c / 10, 0);
        }
    }
    if (y > 0) {
        if (pct >= 50) y -= y / 2;
        else if (pct >= 30) y -= y / 4;
        else if (pct < 5) y += y / 2;
    }
    *utility = saturate_i32(y);
}

int32_t rush_blocked(AgentTask *task, AiPlayer *, Player *) {
    const Site *site = target_site(task);
    return site && (site->state & SITE_CONTESTED) ? 1 : 0;
}

int32_t rush_finished(AgentTask *task, AiPlayer *, Player *player) {
    const Site *site = target_site(task);
    return !(site && !(site->flags & OBJ_DEAD) && !(site->state & SITE_CREW_SHORT) && owned_by(site, player) &&
             (site->state & SITE_PRODUCING));
}

int32_t rush_obsolete(AgentTask *task, AiPlayer *, Player *) {
    const GameObject *obj = game_find_object(game_get(), task->target_id);
    return !obj || obj->kind != OBJECT_SITE || (obj->flags & OBJ_DEAD) ? 1 : 0;
}

void rush_describe(AgentTask *task, AiPlayer *, std::string *text) {
    const Site *site = target_site(task);
    str_appendf(text, ", target #%llu \"%s\", sector #%llu", (unsigned long long)task->target_id,
                site ? object_get_name(site) : "", (unsigned long long)(site ? site->sector_id : 0));
}

void rush_act(AgentTask *task, AiPlayer *, Player *player) {
    Site *site = target_site(task);
    if (!site || !site_is_producing(site)) return;
    // The computer player rushes whatever it can pay for: the refusals a panel shows the player
    // (done within the day, no rush price, a starbase short of crew) do not hold it back.
    if (player_spend(player, site_rush_cost(site)) != RES_OK) return;
    site_rush(site);
    agent_task_set_done(task);
}

}  // namespace

int32_t ai_site_target_count(const AiPlayer *ai, int32_t kind) {
    const int32_t pct = kind == SITE_SHIPYARD   ? ai->shipyard_pct
                        : kind == 14            ? ai->research_station_pct
                        : kind == SITE_TRAINING ? ai->training_site_pct
                                                : -1;
    if (pct < 0) return 1;
    const int32_t n = int32_t(std::ceil(float(ai->own_sector_count) * float(pct) / 100.0f));
    return std::max(n, 1);
}

void ai_production_types_init(AgentTaskType *types) {
    // The family's own slots; the shared ones (size, free, name) stay as every type has them.
    struct Row {
        int32_t       type;
        AgentTaskType slots;
    };
    static const Row ROWS[] = {
        {TASK_BUILD_SITE, {.link = set_production, .describe = build_site_describe, .is_blocked = build_site_blocked,
                           .evaluate = build_site_evaluate, .act = build_site_act}},
        {TASK_BUILD_SHIP, {.link = set_production, .is_obsolete = build_ship_gone, .describe = build_ship_describe,
                           .execute = build_ship_gone, .is_blocked = build_ship_blocked,
                           .evaluate = build_ship_evaluate, .update = build_ship_update, .act = build_ship_act}},
        {TASK_BUILD_COLLECTOR, {.link = link_target_sector, .relink = relink_sector, .describe = describe_sector,
                                .execute = collector_finished, .is_blocked = starbase_busy,
                                .evaluate = collector_evaluate, .act = collector_act}},
        {TASK_BUILD_DEFENSE_UPGRADE, {.link = link_target_sector, .relink = relink_sector, .describe = describe_sector,
                                      .execute = upgrade_finished, .is_blocked = starbase_busy,
                                      .evaluate = upgrade_evaluate, .act = upgrade_act}},
        {TASK_RESEARCH_TECH, {.link = set_production, .describe = research_describe, .is_blocked = research_blocked,
                              .evaluate = research_evaluate, .update = research_update, .act = research_act}},
        {TASK_RUSH_PRODUCTION, {.link = rush_link, .relink = rush_relink, .is_obsolete = rush_obsolete,
                                .describe = rush_describe, .execute = rush_finished, .is_blocked = rush_blocked,
                                .evaluate = rush_evaluate, .act = rush_act}},
    };
    for (const Row &row : ROWS) {
        AgentTaskType &t = types[row.type];
        AgentTaskType filled = row.slots;
        filled.size = t.size;
        filled.free = t.free;
        filled.name = t.name;
        t = filled;
    }
}
