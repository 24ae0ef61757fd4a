// Preferences: the exact 79 bytes of "prefs.dat", clamping, short and missing files, and the folder
// and file the save makes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <tuple>
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

    // The six words in the file's order.
    std::vector<int32_t> six() const {
        return {game->display_mode, game->sound_volume, game->music_volume, game->galaxy_speed, game->auto_pass,
                game->combat_speed};
    }

    TestSaveFolder save{"prefs"};
    Game *game = nullptr;
};

TEST_F(PrefsFile, SaveMakesTheFolderAndWritesTheSixWordsThenTheFiveSlots) {
    struct stat st;
    ASSERT_NE(::stat(save.folder().c_str(), &st), 0) << "no save folder yet";
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
    EXPECT_EQ(is_directory(save.folder().c_str()), 1);
    EXPECT_EQ(file_exists(save.file("prefs.dat.tmp").c_str()), 0);
}

TEST_F(PrefsFile, LoadReadsBackWhatSaveWrote) {
    game->display_mode = -3;   // any value: only zero means a window
    game->sound_volume = 7;    // each field away from the new game's default
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
    EXPECT_EQ(other->slot_record_ids[4], 0xDEADBEEFCAFEF00Dull);
    ASSERT_EQ(prefs_save(other), RES_OK);
    EXPECT_EQ(read_whole(save.file("prefs.dat")), first) << "every field came back, the whole file replaced";
    game_free(other);
}

TEST_F(PrefsFile, ValuesOutOfRangeAreClampedNotRefused) {
    const struct {
        std::vector<int32_t> in, want;
    } rows[] = {
        {{7, 200, -1, 50, -5, 10}, {7, 128, 0, 100, 0, 30}},
        {{0, 129, 9999, 501, 4001, 201}, {0, 128, 128, 500, 4000, 200}},
    };
    for (const auto &row : rows) {
        Bytes file;
        for (int32_t w : row.in) file.i32(w);
        for (int i = 0; i < 5; ++i) file.u64(uint64_t(i)).u8(1).u8(2).u8(3);
        write_prefs(file.v);
        ASSERT_EQ(prefs_load(game), RES_OK);
        EXPECT_EQ(six(), row.want);
    }
}

TEST_F(PrefsFile, AShortFileKeepsWhatItHeldAndFailsInTheFirstSlot) {
    records_set_default_colors(game);
    Bytes file;
    file.words({1, 64, 32, 200, 1000, 80}).u32(0xAAAAAAAA).u8(0xBB).u8(0xCC);   // 30 bytes
    ASSERT_EQ(file.v.size(), 30u);
    write_prefs(file.v);
    EXPECT_EQ(prefs_load(game), RES_SHORT_BUFFER);
    EXPECT_EQ(six(), (std::vector<int32_t>{1, 64, 32, 200, 1000, 80}));
    EXPECT_EQ(game->slot_record_ids[0], 1u);   // the cut id is not taken
}

TEST_F(PrefsFile, AFileCutInsideALaterSlotKeepsTheSlotsBeforeIt) {
    Bytes file;
    file.words({0, 128, 76, 300, 0, 100}).u64(44).u8(1).u8(2).u8(3).u64(55).u8(4);
    write_prefs(file.v);
    EXPECT_EQ(prefs_load(game), RES_SHORT_BUFFER);
    EXPECT_EQ(std::tie(game->slot_record_ids[0], game->slot_blue[0], game->slot_record_ids[1], game->slot_red[1],
                       game->slot_green[1]),
              std::make_tuple(44u, 3, 55u, 4, 0));
}

TEST_F(PrefsFile, AMissingOrEmptyFileFailsAndChangesNothing) {
    game->sound_volume = 33;
    EXPECT_EQ(prefs_load(game), RES_OPEN_FAILED);
    write_prefs({});
    EXPECT_EQ(prefs_load(game), RES_EMPTY_FILE);
    EXPECT_EQ(game->sound_volume, 33);
    EXPECT_EQ(game->galaxy_speed, 300);
}

TEST_F(PrefsFile, AnUnreadableFileIsKeptAsideBeforeTheDefaultsAreWrittenInItsPlace) {
    Bytes file;
    file.words({1, 64, 32, 200, 1000, 80}).u32(0xAAAAAAAA);   // cut inside the first slot
    write_prefs(file.v);
    EXPECT_EQ(prefs_load(game), RES_SHORT_BUFFER);
    ASSERT_EQ(prefs_save(game), RES_OK);   // the first run's write
    EXPECT_EQ(read_whole(save.file("prefs.dat.bad")), file.v);
    EXPECT_EQ(read_whole(save.file("prefs.dat")).size(), 79u);
}

TEST_F(PrefsFile, AFifoUnderTheNameNeitherBlocksNorIsReplacedWithoutTrace) {
    ASSERT_EQ(make_directory(save.folder().c_str()), RES_OK);
    ASSERT_EQ(::mkfifo(save.file("prefs.dat").c_str(), 0644), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(5);   // a blocked open ends the child by its alarm
        ::_exit(prefs_load(game) == RES_OPEN_FAILED && prefs_save(game) == RES_OK ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    struct stat st;
    ASSERT_EQ(::lstat(save.file("prefs.dat.bad").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(read_whole(save.file("prefs.dat")).size(), 79u);
}

TEST_F(PrefsFile, ASaveFolderThatCannotBeMadeIsReportedAndNothingIsWritten) {
    ASSERT_EQ(write_file_bytes(save.folder().c_str(), "x", 1), RES_OK);   // a file where the folder goes
    const Result r = prefs_save(game);
    EXPECT_NE(r, RES_OK);
    EXPECT_LT(int(r), 0);
    EXPECT_EQ(read_whole(save.folder()).size(), 1u);
}

}  // namespace
