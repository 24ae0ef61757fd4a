// Channels: taking one, decoding ahead, freeing, looping music, fading, volumes, the numbers refused.
#include <cstring>
#include "platform/sound_test_util.h"
#include "platform/store.h"

namespace {

constexpr int EFFECT = 4;
constexpr int MUSIC_A = 14;
constexpr int MUSIC_B = 15;
constexpr int BLOCK = SOUND_DEVICE_SAMPLES * 4;   // one device buffer of stereo 16-bit frames

class SoundChannels : public SoundTest {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        if (HasFatalFailure()) return;
        effect = sound_test_install(EFFECT, sound_test_tone(0.3, 660));
    }
    // Index of the channel playing `id`, or -1.
    int channel_of(int id) {
        for (int i = 0; i < SOUND_CHANNEL_COUNT; ++i)
            if ((manager->channels[i].flags.load() & SOUND_CHANNEL_IN_USE) && manager->channels[i].id == id) return i;
        return -1;
    }
    int channels_in_use() {
        int n = 0;
        for (const SoundChannel &c : manager->channels) n += (c.flags.load() & SOUND_CHANNEL_IN_USE) ? 1 : 0;
        return n;
    }
    // Plays the channel to its end: pull a device buffer, run a pass, until it is free again.
    bool play_out(SoundChannel *c, int max_blocks = 2000) {
        for (int i = 0; i < max_blocks; ++i) {
            if (c->flags.load() == 0) return true;
            (void)pull(BLOCK);
            (void)sound_manager_step(manager, 23);
        }
        return c->flags.load() == 0;
    }
    Sound *effect = nullptr;
};

TEST_F(SoundChannels, PlayTakesTheFirstFreeChannelWithOneReferenceAndTheSeventeenthRequestIsDropped) {
    sound_play(EFFECT);
    SoundChannel *c = &manager->channels[0];
    EXPECT_EQ(c->flags.load(), SOUND_CHANNEL_IN_USE);
    EXPECT_EQ(c->id, EFFECT);
    EXPECT_EQ(c->sound, effect);
    EXPECT_EQ(c->current_chunk, -1);
    EXPECT_EQ(c->volume.load(), SOUND_VOLUME_DEFAULT);
    EXPECT_EQ(sound_test_refcount(effect), 2);
    sound_play(EFFECT);
    EXPECT_EQ(manager->channels[1].flags.load(), SOUND_CHANNEL_IN_USE);
    EXPECT_EQ(sound_test_refcount(effect), 3);
    for (int i = 2; i < SOUND_CHANNEL_COUNT; ++i) sound_play(EFFECT);
    EXPECT_EQ(channels_in_use(), SOUND_CHANNEL_COUNT);
    sound_play(EFFECT);
    EXPECT_EQ(channels_in_use(), SOUND_CHANNEL_COUNT);
    EXPECT_EQ(sound_test_refcount(effect), 1 + SOUND_CHANNEL_COUNT);
    // A freed channel is taken again.
    ASSERT_TRUE(play_out(c));
    sound_play(EFFECT);
    EXPECT_EQ(c->flags.load() & SOUND_CHANNEL_IN_USE, SOUND_CHANNEL_IN_USE);
}

TEST_F(SoundChannels, AnEffectGoesFromQueuedToDataToEndAndIsFreed) {
    sound_play(EFFECT);
    SoundChannel *c = &manager->channels[0];
    EXPECT_EQ(sound_manager_step(manager, 0), SOUND_DECODE_WAIT_MS);
    EXPECT_EQ(c->flags.load() & (SOUND_CHANNEL_HAS_DATA | SOUND_CHANNEL_IN_USE),
              SOUND_CHANNEL_HAS_DATA | SOUND_CHANNEL_IN_USE);
    EXPECT_EQ(c->current_chunk, 0);
    // 0.3 s is 52,920 bytes: one chunk, and the decoder reaches the end in the same pass.
    ASSERT_EQ(c->chunks.size(), 1u);
    EXPECT_EQ(c->chunks[0]->length, 0.3 * SOUND_RATE * 4);
    EXPECT_TRUE(c->flags.load() & SOUND_CHANNEL_END_OF_STREAM);
    // Not yet played: the channel stays.
    EXPECT_EQ(sound_manager_step(manager, 10), SOUND_DECODE_WAIT_MS);
    EXPECT_TRUE(c->flags.load() & SOUND_CHANNEL_IN_USE);
    ASSERT_TRUE(play_out(c));
    EXPECT_EQ(c->sound, nullptr);
    EXPECT_TRUE(c->chunks.empty());
    EXPECT_EQ(c->current_chunk, -1);
    EXPECT_EQ(sound_test_refcount(effect), 1);
    // Nothing left to decode: the thread may sleep until woken.
    EXPECT_EQ(sound_manager_step(manager, 10), -1);
}

TEST_F(SoundChannels, NumbersOutsideTheTableMissingSoundsAndForeignBytesAreRefused) {
    EXPECT_EQ(sound_load(manager, SOUND_COUNT), RES_OUT_OF_RANGE);
    EXPECT_EQ(sound_load_id(-1), RES_OUT_OF_RANGE);
    sound_play(40);
    sound_play(-1);
    // No store holds sound 9 here (whatever an earlier test left open): the load fails, the request
    // is dropped, and a later load tries again.
    store_shutdown();
    sound_play(9);
    EXPECT_EQ(channels_in_use(), 0);
    EXPECT_EQ(manager->sounds[9], nullptr);
    EXPECT_NE(sound_load_id(9), RES_OK);
    Sound *sound = nullptr;
    EXPECT_EQ(sound_create(3, std::vector<uint8_t>(500, 0x41), &sound), RES_READ_FAILED);
    EXPECT_EQ(sound, nullptr);
    EXPECT_EQ(sound_create(3, {}, &sound), RES_READ_FAILED);
}

TEST_F(SoundChannels, TheSlotAndEachChannelHoldTheirOwnReference) {
    EXPECT_EQ(sound_load_id(EFFECT), RES_OK);
    EXPECT_EQ(manager->sounds[EFFECT], effect);
    EXPECT_EQ(sound_test_refcount(effect), 2) << "an already loaded sound gains a reference";
    sound_release_id(manager, EFFECT);
    EXPECT_EQ(manager->sounds[EFFECT], effect);
    EXPECT_EQ(sound_test_refcount(effect), 1);
    sound_play(EFFECT);
    sound_free_all();
    EXPECT_EQ(manager->sounds[EFFECT], nullptr);
    EXPECT_EQ(sound_test_refcount(effect), 1) << "the channel's keeps the sound it plays";
    ASSERT_TRUE(play_out(&manager->channels[0]));
}

class SoundVolumes : public SoundChannels {};

TEST_F(SoundVolumes, SettersClampToTheRangeAndAnEffectTakesTheSoundVolumeAndIsDroppedAtZero) {
    for (auto [set, clamped] : {std::pair(500, 128), std::pair(-3, 0), std::pair(77, 77), std::pair(129, 128)}) {
        sound_set_sound_volume(set);
        sound_set_music_volume(set);
        EXPECT_EQ(manager->sound_volume.load(), clamped) << set;
        EXPECT_EQ(manager->music_volume.load(), clamped) << set;
    }
    sound_set_sound_volume(33);
    sound_play(EFFECT);
    EXPECT_EQ(manager->channels[0].volume.load(), 33);
    sound_set_sound_volume(0);
    sound_play(EFFECT);
    EXPECT_EQ(channels_in_use(), 1);
}

TEST_F(SoundVolumes, MusicFollowsTheMusicVolumeAndFadesAtZero) {
    sound_test_install(MUSIC_A, sound_test_tone(2.0, 220));
    sound_set_music_volume(90);
    sound_play(MUSIC_A);
    SoundChannel *c = &manager->channels[channel_of(MUSIC_A)];
    EXPECT_EQ(c->flags.load(), SOUND_CHANNEL_IN_USE | SOUND_CHANNEL_MUSIC);
    EXPECT_EQ(c->volume.load(), 90);
    sound_set_music_volume(60);
    (void)sound_manager_step(manager, 10);
    EXPECT_EQ(c->volume.load(), 60);
    sound_set_music_volume(0);
    EXPECT_TRUE(c->flags.load() & SOUND_CHANNEL_FADING);
    sound_play(MUSIC_A);   // dropped at volume 0
    EXPECT_EQ(channels_in_use(), 1);
}

class SoundMusic : public SoundChannels {};

TEST_F(SoundMusic, NewMusicFadesTheOldOneStepPerThirtyMilliseconds) {
    sound_test_install(MUSIC_A, sound_test_tone(3.0, 220));
    sound_test_install(MUSIC_B, sound_test_tone(3.0, 330));
    sound_set_music_volume(76);
    sound_play(MUSIC_A);
    SoundChannel *old_music = &manager->channels[0];
    (void)sound_manager_step(manager, 10);
    sound_play(MUSIC_B);
    SoundChannel *new_music = &manager->channels[1];
    EXPECT_TRUE(old_music->flags.load() & SOUND_CHANNEL_FADING);
    EXPECT_EQ(new_music->flags.load() & SOUND_CHANNEL_FADING, 0u);
    EXPECT_EQ(new_music->volume.load(), 76);
    // Remainders carry: 45 ms is one step with 15 ms left, another 15 ms is the second step.
    (void)sound_manager_step(manager, 45);
    EXPECT_EQ(old_music->volume.load(), 75);
    (void)sound_manager_step(manager, 15);
    EXPECT_EQ(old_music->volume.load(), 74);
    // From 76, the fade lasts 2,280 ms in all.
    int elapsed = 60;
    while (old_music->flags.load() != 0 && elapsed < 5000) {
        (void)sound_manager_step(manager, 30);
        elapsed += 30;
        (void)pull(BLOCK / 8);   // keep both channels from ending on their own
        old_music->pcm_position = 0;
    }
    EXPECT_EQ(elapsed, 2280);
    EXPECT_EQ(old_music->sound, nullptr);
    EXPECT_EQ(new_music->volume.load(), 76);
    EXPECT_TRUE(new_music->flags.load() & SOUND_CHANNEL_IN_USE);
}

TEST_F(SoundMusic, MusicAtItsEndRestartsFromTheFirstSample) {
    sound_test_install(MUSIC_A, sound_test_tone(1.0, 220));
    sound_play(MUSIC_A);
    SoundChannel *c = &manager->channels[0];
    (void)sound_manager_step(manager, 0);
    ASSERT_FALSE(c->chunks.empty());
    std::vector<uint8_t> first(c->chunks[0]->buffer.get(), c->chunks[0]->buffer.get() + 4096);
    // Play it through: 1 s is 176,400 bytes.
    int blocks = 0;
    while (!(c->flags.load() & SOUND_CHANNEL_END_OF_STREAM) || c->current_chunk < static_cast<int>(c->chunks.size())) {
        ASSERT_LT(++blocks, 200);
        (void)pull(BLOCK);
        if (!(c->flags.load() & SOUND_CHANNEL_END_OF_STREAM)) (void)sound_manager_step(manager, 23);
    }
    // One pass loops and decodes again: no further pass is needed before sound resumes.
    (void)sound_manager_step(manager, 23);
    EXPECT_EQ(c->flags.load() & ~SOUND_CHANNEL_END_OF_STREAM,
              SOUND_CHANNEL_HAS_DATA | SOUND_CHANNEL_IN_USE | SOUND_CHANNEL_MUSIC);
    ASSERT_EQ(c->current_chunk, 0);
    ASSERT_FALSE(c->chunks.empty());
    EXPECT_EQ(c->chunks[0]->read_offset, 0);
    EXPECT_EQ(0, std::memcmp(first.data(), c->chunks[0]->buffer.get(), first.size()));
    EXPECT_EQ(sound_test_refcount(manager->sounds[MUSIC_A]), 2);
}

// Decoding runs only a few seconds ahead: a looping track never sits in memory whole.
class SoundDecodeAhead : public SoundChannels {};

TEST_F(SoundDecodeAhead, ChunksAheadOfPlayStopAtTheLimit) {
    sound_test_install(MUSIC_A, sound_test_tone(8.0, 220));
    sound_play(MUSIC_A);
    SoundChannel *c = &manager->channels[0];
    for (int i = 0; i < 50; ++i) (void)sound_manager_step(manager, 10);
    EXPECT_EQ(c->chunks.size(), static_cast<size_t>(SOUND_DECODE_AHEAD_CHUNKS));
    EXPECT_EQ(c->flags.load() & SOUND_CHANNEL_END_OF_STREAM, 0u);
    EXPECT_EQ(c->pcm_position, static_cast<uint64_t>(SOUND_DECODE_AHEAD_CHUNKS * SOUND_CHUNK_BYTES / 4));
}

TEST_F(SoundDecodeAhead, PlayedChunksAreDroppedWhilePlayNeverStarves) {
    sound_test_install(MUSIC_A, sound_test_tone(8.0, 220));
    sound_play(MUSIC_A);
    SoundChannel *c = &manager->channels[0];
    size_t most = 0;
    int starved = 0, blocks = 0;
    (void)sound_manager_step(manager, 0);
    while (!(c->flags.load() & SOUND_CHANNEL_END_OF_STREAM)) {
        ASSERT_LT(++blocks, 2000);
        if (c->current_chunk < 0 || c->current_chunk >= static_cast<int>(c->chunks.size())) ++starved;
        (void)pull(BLOCK);
        (void)sound_manager_step(manager, 23);
        most = std::max(most, c->chunks.size());
    }
    EXPECT_LE(most, static_cast<size_t>(SOUND_DECODE_AHEAD_CHUNKS));
    EXPECT_EQ(starved, 0);
    EXPECT_EQ(c->pcm_position, static_cast<uint64_t>(8.0 * SOUND_RATE));
    // Everything decoded is still ahead or was played: 8 s of frames less what was pulled.
    int64_t ahead = 0;
    for (size_t k = static_cast<size_t>(c->current_chunk); k < c->chunks.size(); ++k)
        ahead += c->chunks[k]->length - c->chunks[k]->read_offset;
    EXPECT_EQ(ahead + static_cast<int64_t>(blocks) * BLOCK, static_cast<int64_t>(8.0 * SOUND_RATE) * 4);
}

}  // namespace
