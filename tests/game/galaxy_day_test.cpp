// A galaxy day's steps: called one by one in their order they play the headless driver's game
// byte for byte, the day is queued only after the computer players have thought (with the
// removed objects purged on either side of their work), and the end of the day ends the turn
// only without a battle of the UI player.
#include "headless_fixture.h"

#include <algorithm>
#include "game/clock.h"
#include "game/encounter.h"
#include "game/encounter_life.h"
#include "game/galaxy_day.h"
#include "game/turn.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"

namespace {

using GalaxyDay = ModelGame;

HeadlessOptions busy_options() {
    HeadlessOptions options;
    options.computer_players = 4;
    options.setup.star_density = 3;
    options.setup.starting_tech = 2;
    return options;
}

Sector *home_of(Game *game, uint64_t owner_id) {
    for (int32_t i = 0; i < map_object_count(game->galaxy_map); ++i)
        if (Sector *s = sector_of(map_object_at(game->galaxy_map, i)); s && s->owner_id == owner_id) return s;
    return nullptr;
}

// What the computer players' galaxy commands saw, recorded by a hook around the real one.
struct CommandWatch {
    Game                 *game = nullptr;
    std::vector<uint64_t> players;          // in the order their commands ran
    std::vector<int32_t>  queued;           // the queued minutes each command saw
    GameObject           *doomed = nullptr; // flagged removed by the first command
    int32_t               doomed_owner_count = -1;   // its owner's objects after the flag
};
CommandWatch *g_watch = nullptr;

void watched_command(AiPlayer *ai, Player *player) {
    g_watch->players.push_back(player->id);
    g_watch->queued.push_back(g_watch->game->queued_minutes);
    ai_player_hooks().galaxy_command(ai, player);
    if (!g_watch->doomed && player_object_count(player) > 0) {
        g_watch->doomed = player_get_object_at(player, 0);
        object_add_ref(g_watch->doomed);
        g_watch->doomed->flags |= OBJ_DEAD;
        g_watch->doomed_owner_count = player_object_count(player);
    }
}

int32_t owned_by(Game *game, uint64_t owner_id) {
    int32_t n = 0;
    for (Player *p : game->players->items) {
        if (!p) break;
        if (p->id == owner_id) n = player_object_count(p);
    }
    return n;
}

TEST_F(GalaxyDay, TheStepsInTheirOrderPlayTheDriversGameByteForByte) {
    constexpr int32_t DAYS = 60;
    const HeadlessOptions options = busy_options();
    random_seed(4242);
    ASSERT_EQ(headless_new_game(game, options), RES_OK);
    std::vector<std::vector<uint8_t>> driven;
    int32_t ai_battles = 0;
    for (int32_t day = 1; day <= DAYS; ++day) {
        const HeadlessDay d = headless_advance_day(game, options);
        ASSERT_EQ(d.player_battles, 0) << "day " << day << ": the comparison needs days the UI player is not attacked";
        ai_battles += d.ai_battles;
        driven.push_back(state_bytes());
    }
    ASSERT_GT(ai_battles, 0) << "the computer players' battles are part of the comparison";

    random_seed(4242);
    ASSERT_EQ(headless_new_game(game, options), RES_OK);
    int32_t ready_days = 0;
    for (int32_t day = 1; day <= DAYS; ++day) {
        game_day_begin(game);
        game_run_ai_galaxy_commands(game);
        ASSERT_EQ(game_day_queue(game), CLOCK_DAY_MINUTES);
        int32_t frames = 0;
        while (!game_day_over(game)) {
            map_update(game->galaxy_map, HEADLESS_FRAME_MS);
            game_day_advance(game, HEADLESS_FRAME_MS);
            ASSERT_LT(++frames, HEADLESS_FRAME_CAP);
        }
        const GameDayEnd end = game_day_end(game);
        ASSERT_EQ(end.player_encounters, 0);
        EXPECT_TRUE(end.turn_ended);
        EXPECT_EQ(end.winner_id, game->winner_id);
        if (game_day_ai_encounters_ready(game)) {
            ++ready_days;
            game_resolve_ai_encounters(game);
        }
        EXPECT_FALSE(game_day_ai_encounters_ready(game));
        ASSERT_TRUE(state_bytes() == driven[size_t(day - 1)]) << "the games part on day " << day;
    }
    EXPECT_GT(ready_days, 0);
}

TEST_F(GalaxyDay, TheDayIsQueuedOnlyAfterTheComputerPlayersThoughtBetweenTwoPurges) {
    const HeadlessOptions options = busy_options();
    random_seed(17);
    ASSERT_EQ(headless_new_game(game, options), RES_OK);
    CommandWatch watch;
    watch.game = game;
    g_watch = &watch;
    PlayerAiHooks hooks = ai_player_hooks();
    hooks.galaxy_command = watched_command;
    player_set_ai_hooks(hooks);

    // Flagged removed before the day: gone before any command runs.
    Player *first = list_get(game->players, 1);
    ASSERT_NE(first, nullptr);
    const int32_t before = player_object_count(first);
    ASSERT_GT(before, 0);
    GameObject *stale = player_get_object_at(first, before - 1);
    object_add_ref(stale);
    stale->flags |= OBJ_DEAD;
    game_day_begin(game);
    EXPECT_EQ(player_object_count(first), before - 1);
    object_release(stale);

    const uint64_t minutes = game->clock->minutes;
    game_run_ai_galaxy_commands(game);
    std::vector<uint64_t> computers;
    for (Player *p : game->players->items) {
        if (!p) break;
        if (p->kind == PLAYER_KIND_COMPUTER && p->galaxy_ai) computers.push_back(p->id);
    }
    EXPECT_EQ(watch.players, computers) << "every computer player once, in player order";
    EXPECT_EQ(int32_t(computers.size()), options.computer_players + 1) << "the four corporations and Sol";
    EXPECT_TRUE(std::all_of(watch.queued.begin(), watch.queued.end(), [](int32_t q) { return q == 0; }));
    EXPECT_TRUE(game_day_over(game)) << "nothing queued while they think";
    EXPECT_EQ(game->clock->minutes, minutes);

    // What a command removed is purged after the join, before the first minute runs.
    ASSERT_NE(watch.doomed, nullptr);
    const uint64_t doomed_owner = watch.doomed->owner_id;
    EXPECT_EQ(owned_by(game, doomed_owner), watch.doomed_owner_count) << "still listed while the worker could run";
    EXPECT_EQ(game_day_queue(game), CLOCK_DAY_MINUTES);
    EXPECT_EQ(owned_by(game, doomed_owner), watch.doomed_owner_count - 1);
    EXPECT_EQ(game->clock->minutes, minutes);
    EXPECT_FALSE(game_day_over(game));
    object_release(watch.doomed);

    // The driver keeps the same order: every command of its day saw an empty queue.
    watch = CommandWatch{};
    watch.game = game;
    game_day_advance(game, 1000000);
    ASSERT_TRUE(game_day_over(game));
    game_day_end(game);
    game_resolve_ai_encounters(game);
    ASSERT_TRUE(headless_advance_day(game, options).frames > 0);
    EXPECT_EQ(watch.players, computers);
    EXPECT_TRUE(std::all_of(watch.queued.begin(), watch.queued.end(), [](int32_t q) { return q == 0; }));
    if (watch.doomed) object_release(watch.doomed);
    g_watch = nullptr;
}

// One corporation's ship in the UI player's home, another's in a third corporation's: the UI
// player's battle holds back the end of turn and the computer players' battle until it is gone.
TEST_F(GalaxyDay, TheEndOfTheDayEndsTheTurnOnlyWithoutABattleOfTheUiPlayer) {
    random_seed(31);
    HeadlessOptions options;
    options.computer_players = 3;
    options.setup.starting_tech = 1;
    options.ai_commands = false;
    ASSERT_EQ(headless_new_game(game, options), RES_OK);
    Player *raider = list_get(game->players, 1), *invader = list_get(game->players, 2), *held = list_get(game->players, 3);
    ASSERT_TRUE(raider && invader && held);
    Sector *ui_home = home_of(game, game->ui_player_id), *held_home = home_of(game, held->id);
    ASSERT_TRUE(ui_home && held_home);
    ASSERT_EQ(player_object_count(raider), 1);
    ASSERT_EQ(player_object_count(invader), 1);
    ship_set_sector(ship_of(player_get_object_at(raider, 0)), ui_home);
    ship_set_sector(ship_of(player_get_object_at(invader, 0)), held_home);

    game_day_begin(game);
    game_day_queue(game);
    while (!game_day_over(game)) game_day_advance(game, HEADLESS_FRAME_MS);
    const GameDayEnd battle_day = game_day_end(game);
    EXPECT_EQ(battle_day.player_encounters, 1);
    EXPECT_FALSE(battle_day.turn_ended);
    EXPECT_EQ(game->turn_counter, 0);
    EXPECT_EQ(game_encounter_count(game), 2);
    EXPECT_FALSE(game_day_ai_encounters_ready(game)) << "the computers' battle waits for the UI player's";

    game_begin_player_encounter(game);
    ASSERT_NE(game->current_encounter, nullptr);
    const uint64_t offered = game->current_encounter->id;
    game_set_current_encounter(game, nullptr);
    game_finish_encounter(game, offered);
    EXPECT_TRUE(game_day_ai_encounters_ready(game));
    game_resolve_ai_encounters(game);
    EXPECT_EQ(game_encounter_count(game), 0);
    EXPECT_FALSE(game_day_ai_encounters_ready(game)) << "nothing left to settle";

    game_day_begin(game);
    game_day_queue(game);
    while (!game_day_over(game)) game_day_advance(game, HEADLESS_FRAME_MS);
    const GameDayEnd quiet = game_day_end(game);
    EXPECT_EQ(quiet.player_encounters, 0);
    EXPECT_TRUE(quiet.turn_ended);
    EXPECT_EQ(game->turn_counter, 1);
    EXPECT_EQ(quiet.winner_id, 0u);
}

}  // namespace
