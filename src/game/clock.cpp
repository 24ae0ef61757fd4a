// The game clock: queued minutes, the advance at the galaxy speed and the thirteen steps it drives.
#include "game/clock.h"

#include "game/player.h"
#include "game/game.h"
#include "platform/calendar.h"
#include "platform/list.h"
#include "platform/log.h"
#include "world/object_map.h"

void game_queue_minutes(Game *game, int32_t minutes) {
    game->queued_minutes += minutes;
    log_write(LOG_GAME, LOG_DEBUG2, "Add %i advance minutes, now %i", minutes, game->queued_minutes);
}

bool game_is_advancing(const Game *game) { return game->queued_minutes > 0; }

void game_advance_clock(Game *game, int32_t elapsed_ms) {
    if (game->queued_minutes <= 0) return;
    int64_t units = int64_t(game->galaxy_speed) * game->clock_scale * elapsed_ms / 100 + game->clock_remainder;
    int64_t minutes = units / CLOCK_UNITS_PER_MINUTE;
    game->clock_remainder = int32_t(units - minutes * CLOCK_UNITS_PER_MINUTE);
    if (minutes <= 0) return;
    if (minutes >= game->queued_minutes) {
        // The day ends in this frame: the step and its travel shrink to the minutes left.
        units = game->queued_minutes * units / minutes;
        minutes = game->queued_minutes;
        game->clock_remainder = 0;
    }
    if (game->clock) {
        game->clock->minutes += uint64_t(minutes);
        date_from_minutes(game->clock);
    }
    const int32_t travel = int32_t(units / CLOCK_UNITS_PER_TRAVEL_MS);
    game->queued_minutes -= int32_t(minutes);

    ObjectMap *galaxy = game->galaxy_map;
    if (galaxy) map_advance_objects(galaxy, int32_t(minutes));
    if (game->players) {
        for (int32_t i = 0; i < list_count(game->players); ++i) {
            Player *player = list_get(game->players, i);
            if (!player) break;
            player_update_escape_pods(player, int32_t(minutes));
            player_update_totals(player);
        }
    }
    if (!galaxy) return;
    map_update_travel(galaxy, travel);
    map_run_after_advance(galaxy);
    map_update_visibility(galaxy, game->ui_player_id);
}
