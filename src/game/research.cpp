// Research: queueing, points, completion and effects of the 57 technologies, per player.
#include <algorithm>
#include <cstdio>
#include <new>
#include "game/alert.h"
#include "game/game.h"
#include "game/player.h"
#include "game/tech.h"
#include "platform/calendar.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "systems/system.h"
#include "ui/app_mode.h"

namespace {

constexpr int32_t STEAL_GENERATOR = 5;

bool valid(int32_t tech) { return tech >= 0 && tech < PLAYER_TECH_COUNT; }

const TechInfo *named_tech(int32_t tech) {
    const TechInfo *info = tech_get(tech);
    return info && !info->name.empty() ? info : nullptr;
}

int32_t tech_cost(int32_t tech) {
    const TechInfo *info = tech_get(tech);
    return info ? info->cost : 0;
}

bool prerequisites_done(const Player *player, const TechInfo *info) {
    for (int32_t p : info->prerequisites)
        if (!valid(p) || !(player->tech_state[p] & TECH_DONE)) return false;
    return true;
}

void copy_clock(Date *date) {
    Game *game = game_get();
    if (date && game && game->clock) date_copy(date, game->clock);
}

bool add_unique(List<int32_t> *list, int32_t value) {
    for (const int32_t *v : list->items)
        if (v && *v == value) return false;
    int32_t *item = new (std::nothrow) int32_t(value);
    if (!item) return false;
    if (list_append(list, item) < 0) {
        delete item;
        return false;
    }
    return true;
}

void apply_effect(Player *player, const TechEffect &effect) {
    switch (effect.kind) {
    case TECH_EFFECT_SYSTEM: {
        if (player_find_system(player, effect.value, effect.value2)) return;
        System *system = nullptr;
        if (effect.value < SYSTEM_TYPE_COUNT && system_subtype_count(effect.value) > 0)
            system = system_create_subtype(effect.value, effect.value2);
        else
            system = system_create(effect.value);
        if (system && list_append(&player->catalog, system) < 0) system_free(system);
        return;
    }
    case TECH_EFFECT_HULL: player_add_hull(player, effect.value); return;
    case TECH_EFFECT_FACILITY: player_add_facility(player, effect.value); return;
    case TECH_EFFECT_BONUS:
        if (effect.value >= 0 && effect.value < PLAYER_BONUS_COUNT)
            player->bonus[effect.value] = std::max(player->bonus[effect.value], effect.value2);
        return;
    default: return;
    }
}

bool is_ui_player_on_galaxy(const Player *player) {
    Game *game = game_get();
    return game && game->ui_player_id == player->id && app_mode_current_id() == APP_MODE_GALAXY;
}

}  // namespace

int32_t player_queue_research(Player *player, int32_t tech) {
    if (tech > 56 || tech < 0) return RES_OUT_OF_RANGE;
    uint32_t &state = player->tech_state[tech];
    if (state & (TECH_DONE | TECH_QUEUED)) return RES_TECH_DONE_OR_QUEUED;
    if (!(state & TECH_AVAILABLE)) return RES_TECH_NOT_AVAILABLE;
    copy_clock(player->queue_dates[tech]);
    state |= TECH_QUEUED;
    if (player->research_target < 0) player->research_target = tech;
    player_update_totals(player);
    return RES_OK;
}

int32_t player_pause_research(Player *player, int32_t tech) {
    if (!valid(tech)) return RES_OUT_OF_RANGE;
    uint32_t &state = player->tech_state[tech];
    if (!(state & TECH_QUEUED)) return RES_TECH_NOT_AVAILABLE;
    if (state & TECH_PAUSED) return RES_OK;
    state |= TECH_PAUSED;
    player_update_research_target(player);
    player_update_totals(player);
    return RES_OK;
}

int32_t player_resume_research(Player *player, int32_t tech) {
    if (!valid(tech)) return RES_OUT_OF_RANGE;
    uint32_t &state = player->tech_state[tech];
    if (!(state & TECH_QUEUED)) return RES_TECH_NOT_AVAILABLE;
    if (!(state & TECH_PAUSED)) return RES_OK;
    state &= ~TECH_PAUSED;
    player->research_target = tech;
    player_update_totals(player);
    return RES_OK;
}

int32_t player_prioritize_research(Player *player, int32_t tech) {
    if (!valid(tech)) return RES_OUT_OF_RANGE;
    if (!player_is_research_active(player, tech)) return RES_TECH_NOT_AVAILABLE;
    player->research_target = tech;
    return RES_OK;
}

bool player_is_research_paused(const Player *player, int32_t tech) {
    return valid(tech) && (player->tech_state[tech] & TECH_QUEUED) && (player->tech_state[tech] & TECH_PAUSED);
}

bool player_is_research_active(const Player *player, int32_t tech) {
    return valid(tech) && (player->tech_state[tech] & TECH_QUEUED) && !(player->tech_state[tech] & TECH_PAUSED);
}

int32_t player_count_active_research(const Player *player) {
    int32_t n = 0;
    for (int32_t t = 0; t < PLAYER_TECH_COUNT; ++t)
        if (player_is_research_active(player, t)) ++n;
    return n;
}

bool player_is_tech_available(const Player *player, int32_t tech) {
    return valid(tech) && (player->tech_state[tech] & TECH_AVAILABLE) &&
           !(player->tech_state[tech] & (TECH_DONE | TECH_QUEUED));
}

bool player_is_tech_done(const Player *player, int32_t tech) {
    return valid(tech) && (player->tech_state[tech] & TECH_DONE);
}

void player_update_research_target(Player *player) {
    int32_t &target = player->research_target;
    if (valid(target)) {
        const uint32_t state = player->tech_state[target];
        if ((state & TECH_DONE) || player->research_points[target] >= tech_cost(target)) target = -1;
        else if ((state & TECH_QUEUED) && (state & TECH_PAUSED)) target = -1;
    } else {
        target = -1;
    }
    if (target >= 0) return;
    uint64_t earliest = 0;
    for (int32_t t = 0; t < PLAYER_TECH_COUNT; ++t) {
        if (!player_is_research_active(player, t) || player->research_points[t] >= tech_cost(t)) continue;
        const uint64_t when = player->queue_dates[t] ? player->queue_dates[t]->minutes : 0;
        if (target < 0 || when < earliest) {
            target = t;
            earliest = when;
        }
    }
}

void player_add_research_points(Player *player, int32_t points) {
    if (points < 1) return;
    bool completed = false;
    int64_t p = points;
    while (p >= 1) {
        player_update_research_target(player);
        const int32_t t = player->research_target;
        if (!valid(t)) break;
        const int64_t need = int64_t(tech_cost(t)) - player->research_points[t];
        if (need > p) {
            player->research_points[t] += int32_t(p);
            p = 0;
        } else {
            player->research_points[t] = tech_cost(t);
            p -= std::max<int64_t>(need, 0);
            completed = true;
        }
    }
    if (p >= 1 && player->research_target < 0) {
        const int64_t remainder = player->research_remainder + p;
        const int32_t credits = int32_t(std::min<int64_t>(remainder / PLAYER_RESEARCH_CREDIT, INT32_MAX));
        player_add_resources(player, credits);
        player->research_remainder = int32_t(remainder % PLAYER_RESEARCH_CREDIT);
    }
    if (completed) player_process_research(player);
}

void player_process_research(Player *player) {
    Game *game = game_get();
    for (int32_t t = 0; t < PLAYER_TECH_COUNT; ++t) {
        const TechInfo *info = named_tech(t);
        uint32_t &state = player->tech_state[t];
        if (!info || (state & (TECH_APPLIED | TECH_AVAILABLE | TECH_DONE))) continue;
        if (prerequisites_done(player, info)) state |= TECH_AVAILABLE;
    }
    bool applied = false;
    for (int32_t t = 0; t < PLAYER_TECH_COUNT; ++t) {
        const TechInfo *info = named_tech(t);
        uint32_t &state = player->tech_state[t];
        if (!info || (state & TECH_APPLIED)) continue;
        if (!(state & TECH_DONE) && player->research_points[t] >= info->cost) {
            state = (state & ~TECH_QUEUED) | TECH_DONE;
            game_add_alert(game, alert_post_research(player->id, t, "%s research complete", info->name.c_str()));
            if (is_ui_player_on_galaxy(player)) sound_play(SOUND_RESEARCH_DONE);
        }
        if (!(state & TECH_DONE)) continue;
        for (const TechEffect &effect : info->effects) apply_effect(player, effect);
        state |= TECH_APPLIED;
        copy_clock(player->completion_dates[t]);
        applied = true;
    }
    if (!applied) return;
    for (int32_t t = 0; t < PLAYER_TECH_COUNT; ++t) {
        const TechInfo *info = named_tech(t);
        uint32_t &state = player->tech_state[t];
        if (!info || (state & (TECH_APPLIED | TECH_AVAILABLE | TECH_DONE))) continue;
        if (!prerequisites_done(player, info)) continue;
        state |= TECH_AVAILABLE;
        game_add_alert(game, alert_post_research(player->id, t, "%s now available for research", info->name.c_str()));
    }
    player_update_totals(player);
}

void player_complete_tech(Player *player, int32_t tech) {
    if (!valid(tech) || (player->tech_state[tech] & TECH_DONE)) return;
    player->research_points[tech] = tech_cost(tech);
    player_process_research(player);
}

std::string tech_points_text(int32_t points) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", double(points) / TECH_POINTS_PER_UNIT);
    return text;
}

int32_t player_research_days_left(const Player *player, int32_t tech) {
    const int32_t rate = player->totals.research_rate;
    if (rate < 1 || !valid(tech)) return 0;
    const int64_t left = int64_t(tech_cost(tech)) - player->research_points[tech];
    return int32_t(std::max<int64_t>(1, (left + rate - 1) / rate));
}

int32_t player_pick_stealable_tech(Player *player, const Player *other) {
    int32_t k = 0;
    for (int32_t t = 0; t < PLAYER_TECH_COUNT; ++t)
        if ((other->tech_state[t] & TECH_DONE) && !(player->tech_state[t] & TECH_DONE)) ++k;
    if (k == 0) return -1;
    int32_t r = 0;
    if (k > 1) {
        Game *game = game_get();
        Rng *rng = game ? game->generators[STEAL_GENERATOR] : nullptr;
        r = int32_t((rng ? random_magnitude(rng_next(rng)) : 0u) % uint32_t(k));
    }
    for (int32_t t = 0; t < PLAYER_TECH_COUNT; ++t) {
        if (!(other->tech_state[t] & TECH_DONE) || (player->tech_state[t] & TECH_DONE)) continue;
        if (r-- == 0) return t;
    }
    return -1;
}

int32_t player_research_cost_display(int32_t tech) { return tech_cost(tech) / PLAYER_RESEARCH_CREDIT; }

void player_add_hull(Player *player, int32_t hull) { add_unique(&player->hulls, hull); }

void player_add_facility(Player *player, int32_t site_template) { add_unique(&player->facilities, site_template); }

bool player_has_item_kind(const Player *player, int32_t site_template) {
    for (const int32_t *v : player->facilities.items)
        if (v && *v == site_template) return true;
    return false;
}

bool player_has_hull(const Player *player, int32_t hull) {
    for (const int32_t *v : player->hulls.items)
        if (v && *v == hull) return true;
    return false;
}
