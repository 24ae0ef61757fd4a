// The end of a galaxy day: Sol's growth, the victory check and the autosave.
#include "game/turn.h"

#include "game/encounter_life.h"
#include "game/game.h"
#include "game/newgame.h"
#include "game/officer.h"
#include "game/player.h"
#include "game/prefs.h"
#include "game/save.h"
#include "game/tech.h"
#include "platform/calendar.h"
#include "platform/files.h"
#include "platform/list.h"
#include "platform/log.h"
#include "platform/random.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"

namespace {

constexpr int GENERATOR_SOL = 6;   // the seventh generator

uint32_t sol_draw(Game *game) { return random_magnitude(rng_next(game->generators[GENERATOR_SOL])); }

Sector *sol_sector(Game *game) {
    GameObject *obj = game_find_object_of_kind(game, OBJECT_SECTOR, game->sol_sector_id);
    return obj && !(obj->flags & OBJ_STUB) ? static_cast<Sector *>(obj) : nullptr;
}

template <typename Fn>
void for_each_galaxy_object(Game *game, Fn fn) {
    if (!game->galaxy_map) return;
    // A step may add objects: walk by index over the count at the start.
    const int32_t n = map_object_count(game->galaxy_map);
    for (int32_t i = 0; i < n && i < map_object_count(game->galaxy_map); ++i)
        if (GameObject *obj = map_object_at(game->galaxy_map, i)) fn(obj);
}

void train_sol_officers(Game *game, Player *sol) {
    for (Officer *officer : sol->officers.items) {
        if (!officer) break;
        if (officer->rank >= RANK_FLEET_ADMIRAL) continue;
        const int32_t a = 80 + int32_t(sol_draw(game) % 71u);
        const int32_t b = 5 + int32_t(sol_draw(game) % 6u);
        officer_add_experience(officer, a, 0);
        officer->experience += b;
        officer->ship_tally += b;
        officer_hire_or_promote(officer);
    }
}

void complete_sol_techs(Game *game, Player *sol) {
    for (int32_t t = 0; t < PLAYER_TECH_COUNT; ++t) {
        if (sol->tech_state[t] & TECH_DONE) continue;
        const TechInfo *tech = tech_get(t);
        if (tech && tech->sol_level >= 0 && tech->sol_level <= game->sol_spent) player_complete_tech(sol, t);
    }
}

// The pilot of a new Sol ship: the oldest ship's, when Sol has officers enough, else a new one.
Officer *sol_pilot(Game *game, Player *sol) {
    if (list_count(&sol->officers) >= TURN_SOL_OFFICER_CAP) {
        Ship *oldest = ship_of(player_oldest_object(sol));
        if (!oldest) return nullptr;
        Officer *pilot = oldest->pilot;
        if (pilot) officer_retain(pilot);   // kept alive while it changes ships
        ship_set_pilot(oldest, nullptr);
        oldest->flags |= OBJ_DEAD;
        if (pilot) officer_release(pilot);
        return pilot;
    }
    Officer *officer = officer_create();
    if (!officer) return nullptr;
    officer->id = game_next_id(game);
    officer->owner_id = sol->id;
    game_random_name(game, &officer->name);
    if (officer->hired && game->clock) date_copy(officer->hired, game->clock);
    officer_train(officer);
    for (int i = 0; i < 2; ++i) {
        const int32_t next = officer->rank + 1 < OFFICER_RANK_COUNT ? officer->rank + 1 : officer->rank;
        officer_add_experience(officer, officer_rank_threshold(next), 1);
    }
    player_add_officer(sol, officer);
    return officer;
}

void build_sol_ship(Game *game, Player *sol, Sector *sector) {
    const int32_t designs = player_design_count(sol);
    if (designs < 1) return;
    const int32_t index = designs >= 2 ? int32_t(sol_draw(game) % uint32_t(designs)) : 0;
    Ship *design = ship_of(player_get_design_at(sol, index));
    if (!design) return;
    const int32_t cost = design->cost * (player_object_count(sol) >= TURN_SOL_BIG_FLEET ? 10 : 3);
    if (game->sol_budget - game->sol_spent < cost) return;
    Ship *ship = ship_of(player_build_ship_from_design(sol, index));
    if (!ship) return;
    if (!ship->built_date) ship->built_date = date_create();
    if (ship->built_date && game->clock) date_copy(ship->built_date, game->clock);
    game_next_ship_name(game, &ship->ship_name);
    object_assign_id(ship);
    ship->owner_id = sol->id;
    player_add_object(sol, ship);
    ship_set_pilot(ship, sol_pilot(game, sol));
    ship_recompute_stats(ship);
    // A new ship leaves the yard whole: full crew and armour, a fresh turn, full movement.
    ship_set_crew(ship, ship->max_crew);
    ship_add_armour(ship, ship->max_armour);
    ship_reset_state(ship);
    ship->mp = ship->max_mp;
    ship_set_sector(ship, sector);
    sol->ships_built += 1;
    game->sol_spent += cost;
    player_remove_design(sol, design->id);
    log_write(LOG_GAME, LOG_DEBUG2, "Sol builds ship #%llu \"%s\" for %i credits", (unsigned long long)ship->id,
              ship->ship_name.c_str(), cost);
}

void grow_sol(Game *game) {
    Sector *sector = sol_sector(game);
    Player *sol = game_find_player(game, game->sol_player_id);
    if (!sector || !sol || sector->owner_id != sol->id) return;
    train_sol_officers(game, sol);
    complete_sol_techs(game, sol);
    build_sol_ship(game, sol, sector);
}

void learn_turn_objects(Game *game) {
    Sector *sol_sec = sol_sector(game);
    for (Player *player : game->players->items) {
        if (!player) break;
        if (sol_sec) player_learn_object(player, sol_sec, 1);
        if (!game->setup.fog_of_war_off || player->id == game->sol_player_id ||
            player->id == game->combat_ai_player_id)
            continue;
        for_each_galaxy_object(game, [&](GameObject *obj) {
            if ((obj->kind == OBJECT_SECTOR || obj->kind == OBJECT_FLEET) && !(obj->flags & OBJ_DEAD))
                player_learn_object(player, obj, 1);
        });
    }
}

void autosave(Game *game) {
    if (--game->autosave_countdown > 0) return;
    game->autosave_countdown = GAME_AUTOSAVE_TURNS;
    if (!game_save_directory_exists()) {
        const Result r = game_create_save_directory();
        if (r != RES_OK) {
            log_write(LOG_GAME, LOG_ERROR, "Failed to create game save directory (%i)", r);
            game->autosave_failure = r;
            return;
        }
    }
    const std::string path = game_save_path(SAVE_AUTOSAVE_NAME);
    const Result r = game_save(game, path.c_str(), SAVE_AUTOSAVE_TITLE, 1, nullptr);
    if (r != RES_OK) log_write(LOG_GAME, LOG_ERROR, "Failed to write autosave file (%i)", r);
    game->autosave_failure = r;   // a later autosave that works clears an untold failure
}

}  // namespace

int32_t game_sectors_to_win(int32_t conquerable) { return (2 * conquerable + 2) / 3; }

void game_check_victory(Game *game) {
    for (Player *player : game->players->items) {
        if (!player) break;
        player_update_totals(player);
    }
    auto contender = [game](const Player *p) {
        return p->id != game->combat_ai_player_id && p->id != game->sol_player_id;
    };
    Player *only = nullptr;
    int32_t holders = 0;
    for (Player *player : game->players->items) {
        if (!player) break;
        if (!contender(player) || player->totals.starbase_sectors < 1) continue;
        ++holders;
        only = player;
    }
    if (holders == 1) {
        log_write(LOG_GAME, LOG_DEBUG2, "Player #%llu \"%s\" - Win (no other player has starbases)",
                  (unsigned long long)only->id, only->name.c_str());
        game->winner_id = only->id;
        game->win_kind = WIN_ONLY_SECTOR_HOLDER;
        return;
    }
    const int32_t need = game_sectors_to_win(game->conquerable_sectors);
    for (Player *player : game->players->items) {
        if (!player) break;
        if (player->totals.starbase_sectors < need) continue;
        log_write(LOG_GAME, LOG_DEBUG2, "Player #%llu \"%s\" - Win (%i / %i sectors controlled)",
                  (unsigned long long)player->id, player->name.c_str(), player->totals.starbase_sectors,
                  game->conquerable_sectors);
        game->winner_id = player->id;
        game->win_kind = WIN_TWO_THIRDS;
        return;
    }
    Sector *sol = sol_sector(game);
    if (sol && sol->owner_id != game->sol_player_id) {
        game->win_kind = WIN_SOL_HOLDER;
        if (game_find_player(game, sol->owner_id)) game->winner_id = sol->owner_id;
    }
}

void game_end_turn(Game *game) {
    game->turn_counter += 1;
    game->sol_budget += TURN_SOL_BUDGET_BASE + int32_t(sol_draw(game) % uint32_t(TURN_SOL_BUDGET_RANGE));
    for_each_galaxy_object(game, [](GameObject *obj) { object_galaxy_turn(obj); });
    grow_sol(game);
    for_each_galaxy_object(game, [](GameObject *obj) { object_after_advance(obj); });
    learn_turn_objects(game);
    for (Player *player : game->players->items) {
        if (!player) break;
        player_turn_update(player);
    }
    game_check_victory(game);
    if (game->galaxy_map) map_update_visibility(game->galaxy_map, game->ui_player_id);
    game_purge_removed_objects(game);
    autosave(game);
}
