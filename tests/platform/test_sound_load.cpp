// Loading through the data store: the failure codes, and one sound loaded by several threads at once.
#include <atomic>
#include <barrier>
#include <filesystem>
#include <thread>
#include "platform/sound_test_util.h"
#include "platform/store.h"
#include "platform/store_write.h"

namespace {

constexpr int TONE = 4;
constexpr int BROKEN = 6;
constexpr int EMPTY = 7;

class SoundLoad : public SoundTest {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        if (HasFatalFailure()) return;
        std::filesystem::create_directories(ASTROVANE_BINARY_DIR "/test-output");
        path = ASTROVANE_BINARY_DIR "/test-output/sound-load-" + std::to_string(::getpid()) + ".dat";
        std::vector<StoreWriteEntry> entries(3);
        entries[0].key = store_asset_key("sound/004.ogg");
        entries[0].body = sound_test_tone(0.2, 440);
        entries[1].key = store_asset_key("sound/006.ogg");
        entries[1].body = std::vector<uint8_t>(3000, 0x5A);   // not Ogg Vorbis
        entries[2].key = store_asset_key("sound/007.ogg");    // an entry of no bytes
        std::string error;
        ASSERT_EQ(store_write(path.c_str(), "4f7a19c3", entries, &error), RES_OK) << error;
        store_shutdown();
        store_set_path(path.c_str());
        ASSERT_EQ(store_open(), RES_OK);
    }
    void TearDown() override {
        SoundTest::TearDown();
        store_shutdown();
        std::filesystem::remove(path);
    }
    std::string path;
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
    EXPECT_EQ(sound_load_id(9), RES_OPEN_FAILED);      // no entry
    EXPECT_EQ(sound_load_id(EMPTY), RES_OPEN_FAILED);  // zero bytes
    EXPECT_EQ(sound_load_id(BROKEN), RES_READ_FAILED); // the decoder refuses it
    EXPECT_EQ(manager->sounds[9], nullptr);
    EXPECT_EQ(manager->sounds[EMPTY], nullptr);
    EXPECT_EQ(manager->sounds[BROKEN], nullptr);
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
