// The sound family: every file the game asks for exists, decodes to 44,100 Hz stereo, stays below full
// scale, lasts what its kind allows; music loops without a seam; effects differ from one another.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>
#include "assetgen/family_sounds.h"
#include "assetgen/synth.h"
#include "platform/sound.h"
#include "platform/store.h"
#include "support/fixture_store.h"
#include "test_support.h"

namespace {

struct Decoded {
    long rate = 0;
    int channels = 0;
    std::vector<int16_t> samples;   // interleaved
    double seconds() const { return samples.size() / 2.0 / SYNTH_RATE; }
};

bool decode_file(const std::string &path, Decoded *out) {
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0) return false;
    const vorbis_info *info = ov_info(&vf, -1);
    out->rate = info->rate;
    out->channels = info->channels;
    char buf[16384];
    int section = 0;
    long n;
    while ((n = ov_read(&vf, buf, sizeof buf, 0, 2, 1, &section)) > 0) {
        const size_t at = out->samples.size();
        out->samples.resize(at + static_cast<size_t>(n) / 2);
        std::memcpy(out->samples.data() + at, buf, static_cast<size_t>(n));
    }
    ov_clear(&vf);
    return n == 0;
}

// Generates the family once for every test of the file.
class SoundFamily : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The build generates the family into build/assets on its way to store.dat: test what it made.
        root = ASTROVANE_BINARY_DIR "/assets";
        status = std::filesystem::exists(root + "/sound/013.ogg") ? 0 : -1;
        for (int id = 0; id < SOUND_FAMILY_COUNT; ++id) {
            char name[32];
            std::snprintf(name, sizeof name, "/sound/%.3i.ogg", id);
            decoded_ok[id] = decode_file(root + name, &sounds[id]);
        }
    }
    static bool is_music(int id) { return id >= SOUND_FAMILY_FIRST_MUSIC && id <= SOUND_FAMILY_LAST_MUSIC; }
    static inline std::string root;
    static inline int status = -1;
    static inline bool decoded_ok[SOUND_FAMILY_COUNT] = {};
    static inline Decoded sounds[SOUND_FAMILY_COUNT];
};

// Every file decodes as 44,100 Hz stereo, keeps headroom below full scale, is louder than -34 dBFS
// and lasts what its kind allows: an effect at most two seconds, music one to two minutes.
TEST_F(SoundFamily, EveryFileIsStereoAt44100HzBelowFullScaleAndAsLongAsItsKindAllows) {
    ASSERT_EQ(status, 0);
    for (int id = 0; id < SOUND_FAMILY_COUNT; ++id) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(decoded_ok[id]);
        EXPECT_EQ(sounds[id].rate, 44100);
        EXPECT_EQ(sounds[id].channels, 2);
        EXPECT_NE(sound_family_role(id), nullptr);
        int peak = 0;
        double sum = 0;
        for (int16_t s : sounds[id].samples) {
            peak = std::max(peak, std::abs(static_cast<int>(s)));
            sum += static_cast<double>(s) * s;
        }
        EXPECT_LT(peak, 32767 * 0.95);
        EXPECT_GT(std::sqrt(sum / std::max<size_t>(1, sounds[id].samples.size())), 32768 * 0.02);
        const double seconds = sounds[id].seconds();
        EXPECT_GE(seconds, is_music(id) ? 60.0 : 0.1);
        EXPECT_LE(seconds, is_music(id) ? 120.0 : 2.0);
    }
}

// The loop restarts at the first sample: the step from the last frame to the first is no larger than
// the steps inside the track, and the track is still sounding when it wraps.
TEST_F(SoundFamily, MusicWrapsWithoutASeam) {
    for (int id = SOUND_FAMILY_FIRST_MUSIC; id <= SOUND_FAMILY_LAST_MUSIC; ++id) {
        const std::vector<int16_t> &x = sounds[id].samples;
        ASSERT_GT(x.size(), 44100u);
        for (int ch = 0; ch < 2; ++ch) {
            int largest = 0;
            for (size_t i = 2 + ch; i < x.size(); i += 2) largest = std::max(largest, std::abs(x[i] - x[i - 2]));
            const int seam = std::abs(x[ch] - x[x.size() - 2 + ch]);
            EXPECT_LE(seam, largest) << "sound " << id << " channel " << ch;
        }
        double tail = 0;
        const size_t last = 4410 * 2;   // the final 100 ms
        for (size_t i = x.size() - last; i < x.size(); ++i) tail += static_cast<double>(x[i]) * x[i];
        EXPECT_GT(std::sqrt(tail / last), 32768 * 0.005) << "sound " << id << " falls silent before its loop";
    }
}

// Effects are told apart by ear: no two share length, brightness and envelope at once.
TEST_F(SoundFamily, EffectsDifferFromOneAnother) {
    struct Print { double seconds, crossings; double envelope[8]; };
    std::vector<std::pair<int, Print>> prints;
    for (int id = 0; id < SOUND_FAMILY_COUNT; ++id) {
        if (is_music(id)) continue;
        const std::vector<int16_t> &x = sounds[id].samples;
        Print p{sounds[id].seconds(), 0, {}};
        size_t crossings = 0;
        for (size_t i = 2; i < x.size(); i += 2) crossings += (x[i] < 0) != (x[i - 2] < 0);
        p.crossings = crossings / p.seconds;
        const size_t frames = x.size() / 2;
        double total = 0;
        for (int slice = 0; slice < 8; ++slice) {
            double e = 0;
            for (size_t i = frames * slice / 8; i < frames * (slice + 1) / 8; ++i) e += std::abs(x[2 * i]);
            p.envelope[slice] = e;
            total += e;
        }
        for (double &e : p.envelope) e /= total;
        prints.push_back({id, p});
    }
    for (size_t a = 0; a < prints.size(); ++a) {
        for (size_t b = a + 1; b < prints.size(); ++b) {
            const Print &p = prints[a].second, &q = prints[b].second;
            double shape = 0;
            for (int k = 0; k < 8; ++k) shape += std::abs(p.envelope[k] - q.envelope[k]);
            const bool same_length = std::abs(p.seconds - q.seconds) < 0.05 * std::max(p.seconds, q.seconds);
            const bool same_brightness = std::abs(p.crossings - q.crossings) < 0.1 * std::max(p.crossings, q.crossings);
            EXPECT_FALSE(same_length && same_brightness && shape < 0.1)
                << "sounds " << prints[a].first << " and " << prints[b].first << " are alike";
        }
    }
}

TEST(SoundFamilyRender, TheSameSeedGivesTheSameBytes) {
    std::vector<uint8_t> first, second, other;
    ASSERT_EQ(sound_family_render(0, 5, &first), RES_OK);
    ASSERT_EQ(sound_family_render(0, 5, &second), RES_OK);
    ASSERT_EQ(sound_family_render(0, 6, &other), RES_OK);
    EXPECT_EQ(first, second);
    EXPECT_NE(first, other);
}

TEST(SoundFamilyRender, NumbersOutsideTheFamilyAreRefused) {
    std::vector<uint8_t> ogg;
    EXPECT_EQ(sound_family_render(38, 1, &ogg), RES_OUT_OF_RANGE);
    EXPECT_EQ(sound_family_render(-1, 1, &ogg), RES_OUT_OF_RANGE);
    EXPECT_EQ(sound_family_role(38), nullptr);
}

// The synthesiser's building blocks.
TEST(Synth, ALoopingBufferWrapsANoteRunningPastItsEnd) {
    SynthBuffer buf;
    synth_buffer_init(&buf, 1000, true);
    synth_play(&buf, {.freq = 441, .attack = 0.0, .decay = 1.0, .sustain = 1.0, .release = 0.0001, .gain = 0.5},
               900.0 / SYNTH_RATE, 200.0 / SYNTH_RATE, 1);
    EXPECT_NE(buf.left[950], 0.0f);
    EXPECT_NE(buf.left[50], 0.0f);       // frames 1000..1099 of the note land on 0..99
    EXPECT_EQ(buf.left[500], 0.0f);
    SynthBuffer flat;
    synth_buffer_init(&flat, 1000, false);
    synth_play(&flat, {.freq = 441, .attack = 0.0, .decay = 1.0, .sustain = 1.0, .release = 0.0001, .gain = 0.5},
               900.0 / SYNTH_RATE, 200.0 / SYNTH_RATE, 1);
    EXPECT_EQ(flat.left[50], 0.0f);
}

TEST(Synth, NormalizeSetsThePeakExactly) {
    SynthBuffer buf;
    synth_buffer_init(&buf, 4, false);
    buf.left = {0.1f, -0.4f, 0.2f, 0.0f};
    buf.right = {0.0f, 0.3f, -0.2f, 0.1f};
    synth_normalize(&buf, 0.8f);
    EXPECT_FLOAT_EQ(synth_peak(&buf), 0.8f);
    EXPECT_FLOAT_EQ(buf.left[0], 0.2f);
    EXPECT_FLOAT_EQ(buf.right[1], 0.6f);
}

TEST(Synth, EncodedLengthMatchesTheBufferToTheFrame) {
    SynthBuffer buf;
    synth_buffer_init(&buf, 12345, false);
    synth_play(&buf, {.freq = 300, .gain = 0.3}, 0.0, 0.2, 3);
    std::vector<uint8_t> ogg;
    ASSERT_EQ(synth_encode_ogg(&buf, 0.3f, 1, &ogg), RES_OK);
    const std::string path = test_output_dir() + "/synth-length.ogg";
    std::filesystem::create_directories(test_output_dir());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(ogg.data()), static_cast<std::streamsize>(ogg.size()));
    Decoded d;
    ASSERT_TRUE(decode_file(path, &d));
    EXPECT_EQ(d.samples.size(), 12345u * 2);
}

}  // namespace

namespace {

// The store the build makes, read back by the game's own sound manager: every sound loads, the
// galaxy music that every game needs among them, and a music track decodes ahead like any other.
class SoundsInTheGeneratedStore : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(open_generated_store());
        ASSERT_EQ(sound_init(), 0);
    }
    void TearDown() override {
        sound_shutdown();
        store_shutdown();
    }
};

TEST_F(SoundsInTheGeneratedStore, EverySoundLoadsThroughTheManager) {
    SoundManager *m = sound_get();
    for (int id = 0; id < SOUND_COUNT; ++id) {
        EXPECT_EQ(sound_load_id(id), RES_OK) << "sound " << id;
        EXPECT_NE(m->sounds[id], nullptr) << "sound " << id;
    }
}

TEST_F(SoundsInTheGeneratedStore, GalaxyMusicPlaysFromTheStore) {
    SoundManager *m = sound_get();
    sound_play(14);
    ASSERT_NE(m->sounds[14], nullptr);
    (void)sound_manager_step(m, 0);
    EXPECT_TRUE(m->channels[0].flags.load() & SOUND_CHANNEL_HAS_DATA);
    ASSERT_EQ(m->channels[0].chunks.size(), 1u);
    EXPECT_EQ(m->channels[0].chunks[0]->length, SOUND_CHUNK_BYTES);
}

}  // namespace
