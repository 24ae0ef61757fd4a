// Game record: defaults, clearing, ids, the game's random picks and its flags.
#include <gtest/gtest.h>

#include <cstdint>
#include "game/game.h"
#include "platform/calendar.h"
#include "platform/random.h"

namespace {

class GameRecord : public ::testing::Test {
protected:
    void SetUp() override {
        game = game_create();
        ASSERT_NE(game, nullptr);
    }
    void TearDown() override { game_free(game); }
    Game *game = nullptr;
};

TEST_F(GameRecord, CreatedWithTheDefaults) {
    EXPECT_EQ(game->flags, 0x4u);
    EXPECT_EQ(game->cursor_index, 0);
    EXPECT_EQ(game->next_id, 0u);
    EXPECT_EQ(game->reserved_word, 36);
    EXPECT_EQ(game->galaxy_speed, 300);
    EXPECT_EQ(game->sound_volume, 128);
    EXPECT_EQ(game->music_volume, 76);
    EXPECT_EQ(game->display_mode, 0);
    EXPECT_EQ(game->auto_pass, 0);
    EXPECT_EQ(game->combat_speed, 100);
    EXPECT_EQ(game->autosave_countdown, 14);
    EXPECT_EQ(game->setup.star_density, 2);
    EXPECT_EQ(game->setup.starting_tech, 1);
    EXPECT_EQ(game->setup.galaxy_age, 1);
    EXPECT_EQ(game->setup.ark_strength, 1);
    EXPECT_EQ(game->setup.crew_recruitment, 500);
    EXPECT_EQ(game->setup.fog_of_war_off, 0);
    EXPECT_EQ(game->music_override, -1);
    EXPECT_EQ(game->sound_override, -1);
    EXPECT_EQ(game->load_file_name, "");
    for (Rng *rng : game->generators) EXPECT_NE(rng, nullptr);
    ASSERT_NE(game->clock, nullptr);
    EXPECT_EQ(game->clock->minutes, 0u);
    EXPECT_NE(game->objects, nullptr);
    EXPECT_NE(game->controls, nullptr);
    EXPECT_NE(game->new_controls, nullptr);
    EXPECT_NE(game->players, nullptr);
    EXPECT_NE(game->player_map, nullptr);
    EXPECT_NE(game->encounters, nullptr);
    EXPECT_NE(game->alerts, nullptr);
    EXPECT_NE(game->player_records, nullptr);
}

TEST_F(GameRecord, ClearStartsANewIdRangeAndResetsTheCounters) {
    game->save_counter = 9;
    game->autosave_countdown = 3;
    game->turn_counter = 40;
    game->queued_minutes = 600;
    game->winner_id = 77;
    game->win_kind = WIN_TWO_THIRDS;
    game->sol_budget = 5;
    game->newest_alert_id = 8;
    game_clear(game);
    EXPECT_NE(game->next_id, 0u);
    EXPECT_EQ(game->next_id & 0xFFu, 0u) << "the low byte is 0";
    EXPECT_LT(game->next_id, uint64_t(1) << 40);
    EXPECT_EQ(game->save_counter, 1);
    EXPECT_EQ(game->autosave_countdown, 14);
    EXPECT_EQ(game->turn_counter, 0);
    EXPECT_EQ(game->queued_minutes, 0);
    EXPECT_EQ(game->clock_scale, 28800);
    EXPECT_EQ(game->clock_remainder, 0);
    EXPECT_EQ(game->winner_id, 0u);
    EXPECT_EQ(game->win_kind, WIN_ONLY_SECTOR_HOLDER);
    EXPECT_EQ(game->sol_budget, 0);
    EXPECT_EQ(game->newest_alert_id, 0u);
    EXPECT_GE(game->backdrop, 0);
    EXPECT_LT(game->backdrop, 16);
}

TEST_F(GameRecord, ClearKeepsPreferencesSettingsAndSlots) {
    game->galaxy_speed = 450;
    game->music_volume = 25;
    game->display_mode = 1;
    game->setup.star_density = 4;
    game->setup.fog_of_war_off = 1;
    game->slot_record_ids[2] = 99;
    game->slot_red[2] = 200;
    game->music_override = 3;
    game->clock->minutes = 123456;
    game_clear(game);
    EXPECT_EQ(game->galaxy_speed, 450);
    EXPECT_EQ(game->music_volume, 25);
    EXPECT_EQ(game->display_mode, 1);
    EXPECT_EQ(game->setup.star_density, 4);
    EXPECT_EQ(game->setup.fog_of_war_off, 1);
    EXPECT_EQ(game->slot_record_ids[2], 99u);
    EXPECT_EQ(game->slot_red[2], 200);
    EXPECT_EQ(game->music_override, 3);
    EXPECT_EQ(game->clock->minutes, 123456u);
}

TEST_F(GameRecord, ClearSeedsTheSevenGeneratorsFromTheQuickDraws) {
    const uint32_t seed = 20121209;
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    random_seed(seed);
    game_clear(game);
    uint32_t first[GAME_GENERATOR_COUNT];
    for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) first[i] = rng_next(game->generators[i]);
    for (int i = 1; i < GAME_GENERATOR_COUNT; ++i) EXPECT_NE(first[i], first[0]) << "generator " << i;

    Game *again = game_create();
    ASSERT_NE(again, nullptr);
    random_seed(seed);
    game_clear(again);
    for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) EXPECT_EQ(rng_next(again->generators[i]), first[i]) << "generator " << i;
    EXPECT_EQ(again->next_id, game->next_id);
    EXPECT_EQ(again->backdrop, game->backdrop);
    game_free(again);
}

TEST_F(GameRecord, NextIdCountsUpAndSkipsZero) {
    game->next_id = 500;
    EXPECT_EQ(game_next_id(game), 500u);
    EXPECT_EQ(game_next_id(game), 501u);
    game->next_id = UINT64_MAX;
    EXPECT_EQ(game_next_id(game), UINT64_MAX);
    EXPECT_EQ(game_next_id(game), 1u);
}

TEST_F(GameRecord, FreshGameNeverHandsOutIdZero) {
    ASSERT_EQ(game->next_id, 0u);
    EXPECT_EQ(game_next_id(game), 1u);
    EXPECT_EQ(game_next_id(game), 2u);
}

TEST_F(GameRecord, RangeOfOneValueIsThatValueInBothModes) {
    EXPECT_EQ(game_random_range(game, 7, 7), 7);
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    EXPECT_EQ(game_random_range(game, 7, 7), 7);
}

TEST_F(GameRecord, ResolveAtOnceDrawsFromTheFourthGeneratorOnly) {
    random_seed(42);
    game_clear(game);
    uint32_t index_before[GAME_GENERATOR_COUNT];
    for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) index_before[i] = game->generators[i]->index;

    for (int n = 0; n < 5; ++n) {
        const int32_t v = game_random_range(game, 10, 20);
        EXPECT_GE(v, 10);
        EXPECT_LE(v, 20);
    }
    for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) EXPECT_EQ(game->generators[i]->index, index_before[i]) << i;

    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    for (int n = 0; n < 5; ++n) {
        const int32_t v = game_random_range(game, 10, 20);
        EXPECT_GE(v, 10);
        EXPECT_LE(v, 20);
    }
    for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) {
        if (i == GAME_GENERATOR_RESOLVE) EXPECT_NE(game->generators[i]->index, index_before[i]);
        else EXPECT_EQ(game->generators[i]->index, index_before[i]) << i;
    }
}

TEST_F(GameRecord, FlagHelpersTouchOnlyTheirBits) {
    game->flags = GAME_FLAG_NO_CURSOR | GAME_FLAG_MUSIC_RESTART;
    game_request_quit(game);
    EXPECT_EQ(game->flags, GAME_FLAG_NO_CURSOR | GAME_FLAG_MUSIC_RESTART | GAME_FLAG_QUIT);
    game_set_controls_hidden(game, 1);
    EXPECT_TRUE(game->flags & GAME_FLAG_CONTROLS_OFF);
    game_set_controls_hidden(game, 0);
    EXPECT_FALSE(game->flags & GAME_FLAG_CONTROLS_OFF);
    game_show_cursor(game);
    EXPECT_EQ(game->flags, GAME_FLAG_MUSIC_RESTART | GAME_FLAG_QUIT);
    game->cursor_index = 6;
    EXPECT_EQ(game_cursor_index(game), 6);
}

TEST(GameSingleton, MadeOnFirstUseAndForgottenOnDestroy) {
    game_destroy();
    Game *a = game_get();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(game_get(), a);
    EXPECT_EQ(game_ensure(), a);
    game_destroy();
    Game *b = game_ensure();
    ASSERT_NE(b, nullptr);
    game_destroy();
}

}  // namespace
