#pragma once
// Helpers of the sound tests: a manager singleton per test, tones encoded by our synthesiser, sounds
// installed into a slot without the data store, and channels filled by hand for the mixer.
#include <gtest/gtest.h>
#include <SDL.h>
#include <cstdlib>
#include <vector>
#include "assetgen/synth.h"
#include "platform/sound.h"

// A stereo sine tone of `seconds`, as Ogg Vorbis bytes.
inline std::vector<uint8_t> sound_test_tone(double seconds, double hz, float gain = 0.5f) {
    SynthBuffer buf;
    synth_buffer_init(&buf, synth_seconds_to_frames(seconds), false);
    synth_play(&buf, {.freq = hz, .attack = 0.001, .decay = 1.0, .sustain = 1.0, .release = 0.001, .gain = gain},
               0.0, seconds, 1);
    std::vector<uint8_t> ogg;
    EXPECT_EQ(synth_encode_ogg(&buf, 0.3f, 7, &ogg), RES_OK);
    return ogg;
}

// Puts a sound made from `ogg` into slot `id` of the singleton, holding the slot's one reference.
inline Sound *sound_test_install(int id, const std::vector<uint8_t> &ogg) {
    Sound *sound = nullptr;
    EXPECT_EQ(sound_create(id, ogg, &sound), RES_OK);
    sound_get()->sounds[id] = sound;
    return sound;
}

inline int32_t sound_test_refcount(Sound *sound) {
    std::lock_guard<std::mutex> lock(sound->mutex);
    return sound->refcount;
}

// A chunk holding exactly `samples` (interleaved left, right).
inline std::unique_ptr<SoundChunk> sound_test_chunk(const std::vector<int16_t> &samples) {
    auto chunk = std::make_unique<SoundChunk>();
    chunk->buffer.reset(new uint8_t[SOUND_CHUNK_BYTES]);
    for (size_t i = 0; i < samples.size(); ++i) {
        chunk->buffer[2 * i]     = static_cast<uint8_t>(samples[i] & 0xFF);
        chunk->buffer[2 * i + 1] = static_cast<uint8_t>((static_cast<uint16_t>(samples[i]) >> 8) & 0xFF);
    }
    chunk->length = static_cast<int32_t>(samples.size() * 2);
    return chunk;
}

inline std::vector<int16_t> sound_test_samples(const std::vector<uint8_t> &bytes) {
    std::vector<int16_t> out(bytes.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return out;
}

// Every test gets a fresh singleton over the dummy audio driver (unless the caller chose another).
class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
        ASSERT_EQ(sound_init(), 0);
        manager = sound_get();
        ASSERT_NE(manager, nullptr);
    }
    void TearDown() override {
        sound_shutdown();
        SDL_Quit();
    }
    // Pulls `bytes` of output through the audio callback, as the device would.
    std::vector<uint8_t> pull(int bytes) {
        std::vector<uint8_t> out(static_cast<size_t>(bytes), 0);
        sound_mix(manager, out.data(), bytes);
        return out;
    }
    SoundManager *manager = nullptr;
};
