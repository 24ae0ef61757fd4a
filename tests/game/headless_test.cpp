// Whole games without screens: the driver plays the galaxy screen's day over the real model, and
// the game it plays saves and loads exactly on the way.
#include "headless_fixture.h"

#include "game/turn.h"
#include "platform/calendar.h"
#include "platform/files.h"
#include "world/object_map.h"

namespace {

class HeadlessGame : public ModelGame {
protected:
    std::vector<uint8_t> save_bytes(const std::string &path) {
        EXPECT_EQ(game_save(game, path.c_str(), "Test", 0, nullptr), RES_OK);
        return read_whole(path);
    }
    static std::vector<uint8_t> without_time(std::vector<uint8_t> bytes) {
        for (size_t i = 10; i < 34 && i < bytes.size(); ++i) bytes[i] = 0;   // the local time of saving
        return bytes;
    }
};

TEST_F(HeadlessGame, RefusesComputerCountsOutsideTheSlots) {
    for (int32_t n : {0, 5, -1}) {
        HeadlessOptions options;
        options.computer_players = n;
        EXPECT_EQ(headless_new_game(game, options), RES_OUT_OF_RANGE) << n;
    }
}

TEST_F(HeadlessGame, DaysPassInTheScreensOrderAndTheAutosaveComesEveryFourteenth) {
    random_seed(20);
    HeadlessOptions options;
    options.computer_players = 3;
    options.setup.star_density = 2;
    ASSERT_EQ(headless_new_game(game, options), RES_OK);
    ASSERT_NE(game->ui_player, nullptr);
    EXPECT_EQ(list_count(game->players), 6);
    const uint64_t start = game->clock->minutes;
    const std::string autosave = game_save_path(SAVE_AUTOSAVE_NAME);
    for (int32_t day = 1; day <= 15; ++day) {
        const HeadlessDay d = headless_advance_day(game, options);
        ASSERT_TRUE(d.turn_ended) << day;
        EXPECT_EQ(d.frames, 50) << "a day a second at the default speed, 20 ms a frame";
        EXPECT_EQ(game->clock->minutes, start + uint64_t(day) * MINUTES_PER_DAY);
        EXPECT_EQ(game->turn_counter, day);
        EXPECT_EQ(file_exists(autosave.c_str()), day >= 14) << "day " << day;
    }
    // The autosave is a whole game: it loads, and saves again as it was loaded.
    ASSERT_EQ(game_load_file(game, autosave.c_str(), 0), RES_OK);
    EXPECT_EQ(game->turn_counter, 14);
    save_bytes(saves->file("once.sav"));
    const std::vector<uint8_t> again = save_bytes(saves->file("again.sav"));
    ASSERT_EQ(game_load_file(game, saves->file("once.sav").c_str(), 0), RES_OK);
    EXPECT_TRUE(without_time(save_bytes(saves->file("reloaded.sav"))) == without_time(again))
        << "the loaded game saves as the one it was saved from";
    EXPECT_TRUE(headless_advance_day(game, options).turn_ended) << "the loaded game goes on";
}

}  // namespace
