// Loading through the data store: the failure codes, and one sound loaded by several threads at once.
#include <atomic>
#include <barrier>
#include <thread>
#include "platform/scratch_store.h"
#include "platform/sound_test_util.h"

namespace {

constexpr int TONE = 4;
constexpr int BROKEN = 6;
constexpr int EMPTY = 7;

class SoundLoad : public SoundTest {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        if (HasFatalFailure()) return;
        store.add("sound/004.ogg", sound_test_tone(0.2, 440));
        store.add("sound/006.ogg", std::vector<uint8_t>(3000, 0x5A));   // not Ogg Vorbis
        store.add("sound/007.ogg", {});                                 // an entry of no bytes
        ASSERT_TRUE(store.open());
    }
    ScratchStore store;
};

TEST_F(SoundLoad, AStoredSoundLoadsWithOneReference) {
    ASSERT_EQ(sound_load_id(TONE), RES_OK);
    ASSERT_NE(manager->sounds[TONE], nullptr);
    EXPECT_EQ(sound_test_refcount(manager->sounds[TONE]), 1);
    EXPECT_EQ(manager->sounds[TONE]->id, TONE);
    EXPECT_TRUE(manager->sounds[TONE]->flags & SOUND_DECODER_OPEN);
    sound_release_id(manager, TONE);
    EXPECT_EQ(manager->sounds[TONE], nullptr);
}

TEST_F(SoundLoad, FailuresGiveTheirCodesAndLeaveTheSlotEmpty) {
    // no entry, zero bytes, and bytes the decoder refuses
    for (auto [id, result] : {std::pair(9, RES_OPEN_FAILED), std::pair(EMPTY, RES_OPEN_FAILED), std::pair(BROKEN, RES_READ_FAILED)}) {
        EXPECT_EQ(sound_load_id(id), result) << id;
        EXPECT_EQ(manager->sounds[id], nullptr) << id;
    }
}

TEST_F(SoundLoad, PlayLoadsOnFirstUse) {
    sound_play(TONE);
    ASSERT_NE(manager->sounds[TONE], nullptr);
    EXPECT_EQ(manager->channels[0].sound, manager->sounds[TONE]);
    EXPECT_EQ(sound_test_refcount(manager->sounds[TONE]), 2);   // the slot's and the channel's
}

// The loading thread and the game thread asking for the same sound at once: it is installed once and
// every request holds a reference to that one. Stressed over many rounds; run under ThreadSanitizer too.
TEST_F(SoundLoad, ASoundLoadedByManyThreadsAtOnceIsInstalledOnce) {
    constexpr int THREADS = 6;
    constexpr int ROUNDS = 40;
    for (int round = 0; round < ROUNDS; ++round) {
        std::barrier start(THREADS);
        std::atomic<int> failures{0};
        std::vector<std::thread> loaders;
        for (int t = 0; t < THREADS; ++t) {
            loaders.emplace_back([&] {
                start.arrive_and_wait();
                if (sound_load_id(TONE) != RES_OK) failures.fetch_add(1);
            });
        }
        for (std::thread &t : loaders) t.join();
        ASSERT_EQ(failures.load(), 0) << "round " << round;
        Sound *installed = manager->sounds[TONE];
        ASSERT_NE(installed, nullptr);
        ASSERT_EQ(sound_test_refcount(installed), THREADS) << "round " << round;
        for (int t = 0; t < THREADS; ++t) sound_release_id(manager, TONE);
        ASSERT_EQ(manager->sounds[TONE], nullptr) << "round " << round;
    }
}

}  // namespace
