// The audio device and the manager thread: start and stop, a device that will not open, the callback
// locked out while a channel is freed, and the levels of a rendered mix.
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>
#include "assetgen/family_sounds.h"
#include "platform/sound_test_util.h"
#include "support/state_guards.h"
#include "support/wait_for.h"

namespace {

using namespace std::chrono_literals;

class SoundDevice : public SoundTest {};

TEST_F(SoundDevice, StartOpensTheDeviceAndTheThreadPlaysASoundToItsEnd) {
    Sound *blip = sound_test_install(4, sound_test_tone(0.15, 880));
    ASSERT_EQ(sound_start(), RES_OK);
    EXPECT_TRUE(manager->flags.load() & SOUND_RUNNING);
    EXPECT_EQ(sound_start(), RES_OK);   // already running
    EXPECT_GE(manager->mix.size() * 2, static_cast<size_t>(SOUND_DEVICE_SAMPLES * 4));
    sound_play(4);
    SoundChannel *c = &manager->channels[0];
    // The channel's flags clear before it drops its reference (outside the audio lock): wait for both.
    EXPECT_TRUE(wait_for([&] { return c->flags.load() == 0 && sound_test_refcount(blip) == 1; }, 3000ms))
        << "flags " << c->flags.load() << ", references " << sound_test_refcount(blip);
    EXPECT_EQ(sound_stop(), RES_OK);
    EXPECT_EQ(manager->flags.load() & SOUND_RUNNING, 0u);
    EXPECT_FALSE(manager->thread.joinable());
}

TEST_F(SoundDevice, ShutdownWhilePlayingFreesEverything) {
    sound_test_install(14, sound_test_tone(3.0, 220));
    ASSERT_EQ(sound_start(), RES_OK);
    sound_play(14);
    ASSERT_TRUE(wait_for([&] { return (manager->channels[0].flags.load() & SOUND_CHANNEL_HAS_DATA) != 0; }, 2000ms));
    sound_shutdown();
    EXPECT_EQ(sound_get(), nullptr);
    ASSERT_EQ(sound_init(), 0);   // the fixture shuts the fresh one down
}

// While the callback is locked out, a faded channel waits to be freed; it goes as soon as the
// callback may run again. Freeing it under the callback's feet could hand it a deleted chunk.
TEST_F(SoundDevice, AChannelIsFreedOnlyWhileTheCallbackIsLockedOut) {
    sound_test_install(14, sound_test_tone(1.5, 220));
    sound_set_music_volume(1);   // one fade step, 30 ms, ends it
    ASSERT_EQ(sound_start(), RES_OK);
    sound_play(14);
    SoundChannel *c = &manager->channels[0];
    // Fully decoded (three chunks), so the passes that follow decode nothing.
    ASSERT_TRUE(wait_for([&] { return (c->flags.load() & SOUND_CHANNEL_END_OF_STREAM) != 0; }, 2000ms));

    sound_fade_out_music();
    SDL_LockAudio();
    std::this_thread::sleep_for(300ms);
    const uint32_t flags_while_locked = c->flags.load();
    const bool chunks_while_locked = !c->chunks.empty();
    SDL_UnlockAudio();

    EXPECT_TRUE(flags_while_locked & SOUND_CHANNEL_IN_USE) << "freed while the callback was locked out";
    EXPECT_TRUE(chunks_while_locked);
    EXPECT_TRUE(wait_for([&] { return c->flags.load() == 0; }, 2000ms));
}

TEST_F(SoundDevice, PlaybackDisabledStillPlaysChannelsThrough) {
    sound_test_install(4, sound_test_tone(0.15, 880));
    manager->flags.fetch_or(SOUND_PLAYBACK_DISABLED);
    ASSERT_EQ(sound_start(), RES_OK);
    EXPECT_TRUE(manager->flags.load() & SOUND_PLAYBACK_DISABLED);
    sound_play(4);
    EXPECT_TRUE(wait_for([&] { return manager->channels[0].flags.load() == 0; }, 3000ms));
}

// With no device the game goes on silent: requests still take channels that nothing frees.
class SoundWithoutDevice : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        ASSERT_EQ(SDL_Init(0), 0);
        ASSERT_EQ(sound_init(), 0);
    }
    void TearDown() override {
        sound_shutdown();
        SDL_Quit();
    }
    EnvGuard driver_back{"SDL_AUDIODRIVER"};
};

TEST_F(SoundWithoutDevice, StartIsRefusedAndRequestsFillTheChannels) {
    EXPECT_EQ(sound_start(), RES_PLATFORM_REFUSED);
    SoundManager *m = sound_get();
    EXPECT_EQ(m->flags.load() & SOUND_RUNNING, 0u);
    EXPECT_FALSE(m->thread.joinable());
    Sound *blip = sound_test_install(4, sound_test_tone(0.1, 880));
    for (int i = 0; i < SOUND_CHANNEL_COUNT + 3; ++i) sound_play(4);
    for (const SoundChannel &c : m->channels) EXPECT_EQ(c.flags.load(), SOUND_CHANNEL_IN_USE);
    EXPECT_EQ(sound_test_refcount(blip), 1 + SOUND_CHANNEL_COUNT);
    EXPECT_EQ(sound_stop(), RES_OK);
}

// Six seconds of the title music with a large explosion and a click on top, pulled through the mixer:
// loud enough to hear, never clipped.
class SoundRender : public SoundTest {};

TEST_F(SoundRender, TitleMusicWithAnExplosionAndAClickStaysBelowFullScale) {
    for (int id : {13, 1, 5}) {
        std::vector<uint8_t> ogg;
        ASSERT_EQ(sound_family_render(id, 1, &ogg), RES_OK);
        sound_test_install(id, ogg);
    }
    const int block = SOUND_DEVICE_SAMPLES * 4;
    const int blocks = 6 * SOUND_RATE / SOUND_DEVICE_SAMPLES;   // six seconds
    std::vector<uint8_t> pcm;
    sound_play(13);
    for (int b = 0; b < blocks; ++b) {
        if (b == 2 * SOUND_RATE / SOUND_DEVICE_SAMPLES) sound_play(1);
        if (b == 4 * SOUND_RATE / SOUND_DEVICE_SAMPLES) sound_play(5);
        (void)sound_manager_step(manager, 23);
        const std::vector<uint8_t> out = pull(block);
        pcm.insert(pcm.end(), out.begin(), out.end());
    }
    const std::vector<int16_t> samples = sound_test_samples(pcm);
    int peak = 0;
    double sum = 0;
    for (int16_t s : samples) {
        peak = std::max(peak, std::abs(static_cast<int>(s)));
        sum += static_cast<double>(s) * s;
    }
    const double rms = std::sqrt(sum / samples.size());
    EXPECT_LT(peak, 32767);
    EXPECT_GT(rms, 32768 * 0.01);   // audible: above -40 dBFS
}

// Game-side threads play while the device stops (a mode's loader at shut-down): a request after the
// stop takes its channel as with no device, never the closing device's lock (under ThreadSanitizer,
// a request that locks the device while it closes is a report).
TEST_F(SoundDevice, RequestsWhileTheDeviceStopsTakeTheirChannelsWithoutIt) {
    Sound *blip = sound_test_install(4, sound_test_tone(0.5, 880));
    ASSERT_EQ(sound_start(), RES_OK);
    std::atomic<bool> go{false};
    std::vector<std::thread> players;
    for (int t = 0; t < 4; ++t)
        players.emplace_back([&] {
            while (!go.load()) std::this_thread::yield();
            for (int i = 0; i < SOUND_CHANNEL_COUNT; ++i) sound_play(4);
        });
    go = true;
    EXPECT_EQ(sound_stop(), RES_OK);
    for (std::thread &t : players) t.join();
    EXPECT_EQ(manager->flags.load() & SOUND_DEVICE_OPEN, 0u);
    int taken = 0;
    for (const SoundChannel &c : manager->channels) taken += c.sound == blip;
    EXPECT_EQ(taken, SOUND_CHANNEL_COUNT) << "every request found its channel, before the stop or after it";
}

// Several game-side threads play, fade and change volumes while the manager thread and the device's
// callback run: every reference comes back and every channel ends free. Run under ThreadSanitizer too.
TEST_F(SoundDevice, ConcurrentRequestsLeaveNoChannelOrReferenceBehind) {
    Sound *blip = sound_test_install(4, sound_test_tone(0.1, 880));
    Sound *tune = sound_test_install(14, sound_test_tone(0.6, 220));
    Sound *other = sound_test_install(15, sound_test_tone(0.6, 330));
    ASSERT_EQ(sound_start(), RES_OK);
    std::vector<std::thread> players;
    for (int t = 0; t < 4; ++t) {
        players.emplace_back([t] {
            for (int i = 0; i < 60; ++i) {
                sound_play(4);
                if (i % 10 == t) sound_play(t % 2 ? 14 : 15);
                if (i % 17 == 0) sound_set_music_volume(40 + i);
                if (i % 23 == 0) sound_fade_out_music();
                std::this_thread::sleep_for(3ms);
            }
        });
    }
    for (std::thread &t : players) t.join();
    sound_fade_out_music();
    // A channel's flags clear before the manager drops its reference (outside the audio lock), so
    // the wait covers both.
    EXPECT_TRUE(wait_for([&] {
        for (const SoundChannel &c : manager->channels)
            if (c.flags.load() != 0) return false;
        return sound_test_refcount(blip) == 1 && sound_test_refcount(tune) == 1 && sound_test_refcount(other) == 1;
    }, 10000ms));
    EXPECT_EQ(sound_test_refcount(blip), 1);
    EXPECT_EQ(sound_test_refcount(tune), 1);
    EXPECT_EQ(sound_test_refcount(other), 1);
}

}  // namespace
