// A galaxy day's steps, in the order the galaxy screen and the headless driver run them.
#include "game/galaxy_day.h"

#include "game/clock.h"
#include "game/encounter_life.h"
#include "game/game.h"
#include "game/object_index.h"
#include "game/player.h"
#include "game/turn.h"
#include "platform/list.h"

void game_day_begin(Game *game) {
    game_purge_removed_objects(game);
}

void game_run_ai_galaxy_commands(Game *game) {
    if (!game || !game->players) return;
    for (int32_t i = 0; i < list_count(game->players); ++i) {
        Player *player = list_get(game->players, i);
        if (!player || player->kind != PLAYER_KIND_COMPUTER) continue;
        // A computer player's day looks objects up by id tens of thousands of times.
        const GameObjectIndexScope index(game);
        player_run_galaxy_ai(player);
    }
}

int32_t game_day_queue(Game *game) {
    game_purge_removed_objects(game);
    game_queue_minutes(game, CLOCK_DAY_MINUTES);
    return game->queued_minutes;
}

void game_day_advance(Game *game, int32_t elapsed_ms) {
    game_advance_clock(game, elapsed_ms);
}

bool game_day_over(const Game *game) {
    return !game_is_advancing(game);
}

GameDayEnd game_day_end(Game *game) {
    GameDayEnd end;
    game_generate_encounters(game);
    end.player_encounters = game_count_player_encounters(game, game->ui_player_id);
    if (end.player_encounters == 0) {
        game_end_turn(game);
        end.turn_ended = true;
    }
    end.winner_id = game->winner_id;
    return end;
}

bool game_day_ai_encounters_ready(Game *game) {
    return game_encounter_count(game) > 0 && game_count_player_encounters(game, game->ui_player_id) == 0;
}
