// The galaxy music: the first piece, the weights after each choice, no piece twice in a row over
// many seeded choices, the odds of the weights, and the playing time.
#include <gtest/gtest.h>

#include <array>

#include "platform/random.h"
#include "platform/sound.h"
#include "screens/galaxy/galaxy_music.h"

namespace {

constexpr uint32_t MUSIC_SEED = 4242;

class GalaxyMusicChoice : public ::testing::Test {
protected:
    uint64_t random_back_ = 0;
    GalaxyMusic music;

    void SetUp() override {
        random_back_ = random_state();
        random_seed(MUSIC_SEED);
    }
    void TearDown() override { random_set_state(random_back_); }

    static int slot(int32_t track) { return track - SOUND_MUSIC_GALAXY; }
};

TEST_F(GalaxyMusicChoice, FirstPieceZeroesItsWeightAndRaisesTheOthersFromOne) {
    galaxy_music_next(&music);
    ASSERT_GE(music.last_track, SOUND_MUSIC_GALAXY);
    ASSERT_LE(music.last_track, SOUND_MUSIC_GALAXY + 2);
    const int first = slot(music.last_track);
    for (int i = 0; i < GALAXY_MUSIC_TRACKS; ++i) EXPECT_EQ(music.weights[i], i == first ? 0 : 2) << "piece " << i;

    galaxy_music_next(&music);
    const int second = slot(music.last_track);
    ASSERT_NE(second, first);
    for (int i = 0; i < GALAXY_MUSIC_TRACKS; ++i)
        EXPECT_EQ(music.weights[i], i == second ? 0 : i == first ? 1 : 3) << "piece " << i;
}

TEST_F(GalaxyMusicChoice, NoPieceTwiceInARowAndEveryPieceComesRound) {
    std::array<int, GALAXY_MUSIC_TRACKS> plays{};
    int32_t previous = -1;
    for (int i = 0; i < 3000; ++i) {
        galaxy_music_next(&music);
        ASSERT_NE(music.last_track, previous) << "choice " << i << ", seed " << MUSIC_SEED;
        ASSERT_GE(music.last_track, SOUND_MUSIC_GALAXY);
        ASSERT_LE(music.last_track, SOUND_MUSIC_GALAXY + 2);
        for (int w : music.weights) ASSERT_GE(w, 0);
        plays[size_t(slot(music.last_track))] += 1;
        previous = music.last_track;
    }
    for (int p : plays) EXPECT_GT(p, 800) << "each piece about a third of the time";
}

TEST_F(GalaxyMusicChoice, PiecesAreDrawnInProportionToTheirWeights) {
    // From weights 1, 3, 0 the first piece comes a quarter of the time and the third never.
    std::array<int, GALAXY_MUSIC_TRACKS> drawn{};
    const int trials = 8000;
    for (int i = 0; i < trials; ++i) {
        GalaxyMusic m;
        m.last_track = SOUND_MUSIC_GALAXY + 2;
        m.weights[0] = 1;
        m.weights[1] = 3;
        m.weights[2] = 0;
        galaxy_music_next(&m);
        drawn[size_t(slot(m.last_track))] += 1;
    }
    EXPECT_EQ(drawn[2], 0);
    EXPECT_NEAR(drawn[0], trials / 4, trials / 40) << "seed " << MUSIC_SEED;
}

TEST_F(GalaxyMusicChoice, APieceLastsAboutFiveMinutesPlusTheExtraDelayOnceCountedWhileTheMusicIsOn) {
    music.extra_delay_ms = 150000;   // as the screen's enter asks
    galaxy_music_next(&music);
    EXPECT_GE(music.change_ms, 297000 + 150000);
    EXPECT_LE(music.change_ms, 303000 + 150000);
    EXPECT_EQ(music.extra_delay_ms, 0);
    const int32_t track = music.last_track;
    const int32_t left = music.change_ms;
    galaxy_music_update(&music, 100000, 0);
    EXPECT_EQ(music.change_ms, left) << "silent music keeps its time";
    galaxy_music_update(&music, left - 1, 76);
    EXPECT_EQ(music.last_track, track);
    galaxy_music_update(&music, 1, 76);
    EXPECT_NE(music.last_track, track);
    EXPECT_GE(music.change_ms, 297000);
    EXPECT_LE(music.change_ms, 303000);
}

}  // namespace
