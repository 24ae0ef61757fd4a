// Preferences: the exact 79 bytes of "prefs.dat", clamping, short and missing files, the default
// slots, the new-game defaults and the conquest threshold.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include "game/game.h"
#include "game/prefs.h"
#include "game/records.h"
#include "game_files.h"
#include "platform/files.h"

namespace {

class PrefsFile : public ::testing::Test {
protected:
    void SetUp() override {
        game = game_create();
        ASSERT_NE(game, nullptr);
    }
    void TearDown() override { game_free(game); }

    void write_prefs(const std::vector<uint8_t> &bytes) {
        ASSERT_EQ(make_directory(save.folder().c_str()), RES_OK);
        ASSERT_EQ(write_file_bytes(save.file("prefs.dat").c_str(), bytes.data(), bytes.size()), RES_OK);
    }

    TestSaveFolder save{"prefs"};
    Game *game = nullptr;
};

TEST_F(PrefsFile, SaveWritesTheSixWordsThenTheFiveSlots) {
    game->display_mode = 1;
    game->sound_volume = 100;
    game->music_volume = 0;
    game->galaxy_speed = 450;
    game->auto_pass = 2500;
    game->combat_speed = 150;
    const uint64_t ids[5] = {0x0102030405060708ull, 2, 0, 0xFFFFFFFFFFFFFFFFull, 9};
    for (int i = 0; i < 5; ++i) {
        game->slot_record_ids[i] = ids[i];
        game->slot_red[i] = uint8_t(10 + i);
        game->slot_green[i] = uint8_t(200 + i);
        game->slot_blue[i] = uint8_t(255 - i);
    }
    ASSERT_EQ(prefs_save(game), RES_OK);

    Bytes want;
    want.words({1, 100, 0, 450, 2500, 150});
    for (int i = 0; i < 5; ++i) want.u64(ids[i]).u8(uint8_t(10 + i)).u8(uint8_t(200 + i)).u8(uint8_t(255 - i));
    const std::vector<uint8_t> got = read_whole(save.file("prefs.dat"));
    ASSERT_EQ(got.size(), 79u);
    EXPECT_EQ(got, want.v);
    EXPECT_EQ(got[24], 0x01);   // the first id starts after the six words, high byte first
    EXPECT_EQ(got[31], 0x08);
}

TEST_F(PrefsFile, LoadReadsBackWhatSaveWrote) {
    game->display_mode = -3;   // any value: only zero means a window
    game->sound_volume = 7;
    game->music_volume = 128;
    game->galaxy_speed = 100;
    game->auto_pass = 4000;
    game->combat_speed = 30;
    records_set_default_colors(game);
    game->slot_record_ids[4] = 0xDEADBEEFCAFEF00Dull;
    ASSERT_EQ(prefs_save(game), RES_OK);
    const std::vector<uint8_t> first = read_whole(save.file("prefs.dat"));

    Game *other = game_create();
    ASSERT_EQ(prefs_load(other), RES_OK);
    EXPECT_EQ(other->display_mode, -3);
    EXPECT_EQ(other->sound_volume, 7);
    EXPECT_EQ(other->music_volume, 128);
    EXPECT_EQ(other->galaxy_speed, 100);
    EXPECT_EQ(other->auto_pass, 4000);
    EXPECT_EQ(other->combat_speed, 30);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(other->slot_record_ids[i], game->slot_record_ids[i]) << i;
        EXPECT_EQ(other->slot_red[i], game->slot_red[i]) << i;
        EXPECT_EQ(other->slot_green[i], game->slot_green[i]) << i;
        EXPECT_EQ(other->slot_blue[i], game->slot_blue[i]) << i;
    }
    ASSERT_EQ(prefs_save(other), RES_OK);
    EXPECT_EQ(read_whole(save.file("prefs.dat")), first);
    game_free(other);
}

TEST_F(PrefsFile, ValuesOutOfRangeAreClampedNotRefused) {
    Bytes file;
    file.words({7, 200, -1, 50, -5, 10});
    for (int i = 0; i < 5; ++i) file.u64(uint64_t(i)).u8(1).u8(2).u8(3);
    write_prefs(file.v);
    ASSERT_EQ(prefs_load(game), RES_OK);
    EXPECT_EQ(game->display_mode, 7);
    EXPECT_EQ(game->sound_volume, 128);
    EXPECT_EQ(game->music_volume, 0);
    EXPECT_EQ(game->galaxy_speed, 100);
    EXPECT_EQ(game->auto_pass, 0);
    EXPECT_EQ(game->combat_speed, 30);

    Bytes high;
    high.words({0, 129, 9999, 501, 4001, 201});
    for (int i = 0; i < 5; ++i) high.u64(0).u8(0).u8(0).u8(0);
    write_prefs(high.v);
    ASSERT_EQ(prefs_load(game), RES_OK);
    EXPECT_EQ(game->sound_volume, 128);
    EXPECT_EQ(game->music_volume, 128);
    EXPECT_EQ(game->galaxy_speed, 500);
    EXPECT_EQ(game->auto_pass, 4000);
    EXPECT_EQ(game->combat_speed, 200);
}

TEST_F(PrefsFile, AShortFileKeepsWhatItHeldAndFailsInTheFirstSlot) {
    records_set_default_colors(game);
    Bytes file;
    file.words({1, 64, 32, 200, 1000, 80}).u32(0xAAAAAAAA).u8(0xBB).u8(0xCC);   // 30 bytes
    ASSERT_EQ(file.v.size(), 30u);
    write_prefs(file.v);
    EXPECT_EQ(prefs_load(game), RES_SHORT_BUFFER);
    EXPECT_EQ(game->display_mode, 1);
    EXPECT_EQ(game->sound_volume, 64);
    EXPECT_EQ(game->music_volume, 32);
    EXPECT_EQ(game->galaxy_speed, 200);
    EXPECT_EQ(game->auto_pass, 1000);
    EXPECT_EQ(game->combat_speed, 80);
    EXPECT_EQ(game->slot_record_ids[0], 1u);   // the cut id is not taken
}

TEST_F(PrefsFile, AFileCutInsideALaterSlotKeepsTheSlotsBeforeIt) {
    Bytes file;
    file.words({0, 128, 76, 300, 0, 100}).u64(44).u8(1).u8(2).u8(3).u64(55).u8(4);
    write_prefs(file.v);
    EXPECT_EQ(prefs_load(game), RES_SHORT_BUFFER);
    EXPECT_EQ(game->slot_record_ids[0], 44u);
    EXPECT_EQ(game->slot_blue[0], 3);
    EXPECT_EQ(game->slot_record_ids[1], 55u);
    EXPECT_EQ(game->slot_red[1], 4);
    EXPECT_EQ(game->slot_green[1], 0);
}

TEST_F(PrefsFile, AMissingFileFailsAndChangesNothing) {
    game->sound_volume = 33;
    EXPECT_EQ(prefs_load(game), RES_OPEN_FAILED);
    EXPECT_EQ(game->sound_volume, 33);
    EXPECT_EQ(game->galaxy_speed, 300);
}

TEST_F(PrefsFile, AnEmptyFileIsRefusedAsEmpty) {
    write_prefs({});
    EXPECT_EQ(prefs_load(game), RES_EMPTY_FILE);
    EXPECT_EQ(game->combat_speed, 100);
}

TEST_F(PrefsFile, SaveCreatesTheSaveFolder) {
    struct stat st;
    ASSERT_NE(::stat(save.folder().c_str(), &st), 0);
    ASSERT_EQ(prefs_save(game), RES_OK);
    EXPECT_EQ(is_directory(save.folder().c_str()), 1);
    EXPECT_EQ(read_whole(save.file("prefs.dat")).size(), 79u);
}

TEST_F(PrefsFile, ASaveFolderThatCannotBeMadeIsReportedAndNothingIsWritten) {
    ASSERT_EQ(write_file_bytes(save.folder().c_str(), "x", 1), RES_OK);   // a file where the folder goes
    const Result r = prefs_save(game);
    EXPECT_NE(r, RES_OK);
    EXPECT_LT(int(r), 0);
    EXPECT_EQ(read_whole(save.folder()).size(), 1u);
}

TEST_F(PrefsFile, SavingAgainReplacesTheWholeFile) {
    ASSERT_EQ(prefs_save(game), RES_OK);
    game->sound_volume = 0;
    ASSERT_EQ(prefs_save(game), RES_OK);
    const std::vector<uint8_t> got = read_whole(save.file("prefs.dat"));
    ASSERT_EQ(got.size(), 79u);
    EXPECT_EQ(got[7], 0);
    EXPECT_EQ(file_exists(save.file("prefs.dat.tmp").c_str()), 0);
}

TEST(PrefsSlots, DefaultSlotsAreTheFixedTable) {
    Game *game = game_create();
    records_set_default_colors(game);
    const uint64_t ids[5] = {1, 2, 6, 7, 0};
    const uint8_t rgb[5][3] = {{210, 100, 10}, {40, 177, 217}, {195, 10, 20}, {134, 50, 249}, {242, 107, 167}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(game->slot_record_ids[i], ids[i]) << i;
        EXPECT_EQ(game->slot_red[i], rgb[i][0]) << i;
        EXPECT_EQ(game->slot_green[i], rgb[i][1]) << i;
        EXPECT_EQ(game->slot_blue[i], rgb[i][2]) << i;
    }
    game_free(game);
}

TEST(NewGameSettings, DefaultsRestoreEverySetting) {
    Game *game = game_create();
    game->setup = {4, 2, 0, 2, 1500, 1};
    game_setup_defaults(game);
    EXPECT_EQ(game->setup.star_density, 2);
    EXPECT_EQ(game->setup.starting_tech, 1);
    EXPECT_EQ(game->setup.galaxy_age, 1);
    EXPECT_EQ(game->setup.ark_strength, 1);
    EXPECT_EQ(game->setup.crew_recruitment, 500);
    EXPECT_EQ(game->setup.fog_of_war_off, 0);
    game_free(game);
}

TEST(NewGameSettings, ConquestNeedsTwoThirdsRoundedUp) {
    Game *game = game_create();
    const int32_t cases[][2] = {{9, 6}, {10, 7}, {11, 8}, {30, 20}, {31, 21}, {1, 1}, {0, 0}, {3, 2}};
    for (const auto &c : cases) {
        game->conquerable_sectors = c[0];
        EXPECT_EQ(game_sector_threshold(game), c[1]) << c[0] << " sectors";
    }
    game_free(game);
}

}  // namespace
