// A game record whose galaxy map is missing (a creation that failed half-way) is refused by the
// save and the load with a code and one log line, and the same file loads once the map is back.
#include <gtest/gtest.h>

#include <string>
#include <vector>
#include "save_fixture.h"
#include "support/fixture_store.h"
#include "support/state_guards.h"
#include "test_support.h"
#include "world/object_map.h"

namespace {

class MissingGalaxyMap : public savetest::SaveWorld {};

TEST_F(MissingGalaxyMap, SaveAndLoadAreRefusedAndTheFileStaysWhole) {
    const std::string dir = fresh_test_dir("game");
    const std::string file = dir + "/whole.sav";
    build_state();
    ASSERT_EQ(game_save(game, file.c_str(), "Whole", 0, nullptr), RES_OK);
    const std::vector<uint8_t> whole = read_whole(file);
    ASSERT_FALSE(whole.empty());

    {
        LogFileCatcher log(dir);
        SlotGuard<ObjectMap *> no_map;
        no_map.replace(game->galaxy_map, nullptr);
        EXPECT_EQ(game_save(game, file.c_str(), "Broken", 0, nullptr), RES_OUT_OF_RANGE);
        EXPECT_EQ(read_whole(file), whole) << "a refused save leaves the previous file as it was";
        EXPECT_EQ(game_load_file(game, file.c_str(), 0), RES_OUT_OF_RANGE);
        EXPECT_EQ(list_count(game->players), 0) << "a refused load leaves a cleared game";
        EXPECT_EQ(game->ui_player, nullptr);
        const std::string text = log.text();
        EXPECT_NE(text.find("Map write without a map"), std::string::npos) << text;
        EXPECT_NE(text.find("Map read without a map"), std::string::npos) << text;
    }

    ASSERT_NE(game->galaxy_map, nullptr) << "the game's own map is back";
    ASSERT_EQ(game_load_file(game, file.c_str(), 0), RES_OK) << "the file was never touched";
    EXPECT_GT(map_object_count(game->galaxy_map), 0);
    ASSERT_NE(game->ui_player, nullptr);
    EXPECT_EQ(game->ui_player->id, savetest::HUMAN);
}

TEST(MissingMap, EveryStepOfTheSaveFormRefusesANullMap) {
    Buffer buf;
    EXPECT_EQ(map_write(nullptr, &buf), RES_OUT_OF_RANGE);
    EXPECT_EQ(buf.length, 0) << "nothing written for a map that is not there";
    ASSERT_EQ(buffer_write_i32(&buf, 0), RES_OK);
    buffer_set_cursor(&buf, 0);
    EXPECT_EQ(map_read(nullptr, &buf), RES_OUT_OF_RANGE);
    EXPECT_EQ(map_link_objects(nullptr), RES_OUT_OF_RANGE);
}

}  // namespace
