// The audio callback's arithmetic: volume scaling, clamping, chunk boundaries, the disabled flag.
#include "platform/sound_test_util.h"

namespace {

class SoundMix : public SoundTest {
protected:
    // Gives channel `index` data: flags has-data and in use, the volume, the chunks, current chunk 0.
    SoundChannel *fill(int index, int volume, const std::vector<std::vector<int16_t>> &chunks) {
        SoundChannel *c = &manager->channels[index];
        for (const auto &samples : chunks) c->chunks.push_back(sound_test_chunk(samples));
        c->current_chunk = 0;
        c->volume.store(volume);
        c->flags.store(SOUND_CHANNEL_HAS_DATA | SOUND_CHANNEL_IN_USE);
        return c;
    }
    // Output pre-filled with `under`, so what the mixer adds and what it leaves alone both show.
    std::vector<int16_t> pull_over(int frames, int16_t under) {
        std::vector<uint8_t> out(static_cast<size_t>(frames) * 4);
        for (size_t i = 0; i < out.size(); i += 2) {
            out[i]     = static_cast<uint8_t>(under & 0xFF);
            out[i + 1] = static_cast<uint8_t>((static_cast<uint16_t>(under) >> 8) & 0xFF);
        }
        sound_mix(manager, out.data(), static_cast<int>(out.size()));
        return sound_test_samples(out);
    }
};

TEST_F(SoundMix, VolumesAddClampAndSaturateOverTheDeviceOutput) {
    struct Channel { int volume; std::vector<int16_t> samples; };
    using S = std::vector<int16_t>;
    const struct { const char *what; std::vector<Channel> channels; int frames; int16_t under; S out; } cases[] = {
        {"volume scales and truncates towards zero", {{64, {1000, -1001, 3, -3, 32767, -32768}}}, 3, 0,
         {500, -500, 1, -1, 16383, -16384}},
        {"full volume passes samples unchanged", {{128, {12345, -12345, 1, -1}}}, 2, 0, {12345, -12345, 1, -1}},
        {"volume zero is silence", {{0, {9000, 9000, 9000, 9000}}}, 2, 0, {0, 0, 0, 0}},
        {"channels add and clamp at both ends", {{128, {30000, -30000}}, {128, {30000, -30000}}}, 1, 0,
         {32767, -32768}},
        // 30000 + 30000 clamps to 32767 before the third channel takes 30000 off again.
        {"clamping after each channel in channel order", {{128, {30000, 0}}, {128, {30000, 0}}, {128, {-30000, 0}}},
         1, 0, {2767, 0}},
        {"added onto the device output with saturation", {{128, {32000, -32000, 5, -5}}}, 2, 1000,
         {32767, -31000, 1005, 995}},
        {"output past the longest channel is left alone", {{128, {1, 2, 3, 4}}, {128, {10, 20}}}, 4, 77,
         {88, 99, 80, 81, 77, 77, 77, 77}},
    };
    for (const auto &c : cases) {
        for (SoundChannel &channel : manager->channels) {
            channel.flags.store(0);
            channel.chunks.clear();
        }
        for (size_t i = 0; i < c.channels.size(); ++i) fill(int(i), c.channels[i].volume, {c.channels[i].samples});
        EXPECT_EQ(pull_over(c.frames, c.under), c.out) << c.what;
        for (size_t i = 0; i < c.channels.size(); ++i)
            EXPECT_EQ(manager->channels[i].current_chunk, 1) << c.what << ": channel " << i << " is consumed";
    }
}

TEST_F(SoundMix, SecondChunkFollowsTheFirstInsideOneBuffer) {
    SoundChannel *c = fill(0, 128, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12, 13, 14, 15, 16}});
    const auto out = pull_over(6, 0);
    EXPECT_EQ(out, (std::vector<int16_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(c->current_chunk, 1);
    EXPECT_EQ(c->chunks[0]->read_offset, 12);
    EXPECT_EQ(c->chunks[1]->read_offset, 12);
    // The next buffer resumes exactly where this one stopped.
    EXPECT_EQ(pull_over(2, 0), (std::vector<int16_t>{13, 14, 15, 16}));
    EXPECT_EQ(c->current_chunk, 2);
}

TEST_F(SoundMix, ChannelsWithoutTheHasDataBitAreNotTouchedAndAStarvingOneLeavesSilenceAndKeepsItsPlace) {
    SoundChannel *c = fill(0, 128, {{500, 500}});
    c->flags.store(SOUND_CHANNEL_IN_USE);
    EXPECT_EQ(pull_over(1, 7), (std::vector<int16_t>{7, 7}));
    EXPECT_EQ(c->chunks[0]->read_offset, 0);
    c = fill(1, 128, {{1, 1}});
    (void)pull_over(1, 0);
    ASSERT_EQ(c->current_chunk, 1);
    EXPECT_EQ(pull_over(2, 0), (std::vector<int16_t>{0, 0, 0, 0}));
    EXPECT_EQ(c->current_chunk, 1);
}

TEST_F(SoundMix, EarlierMixDoesNotLeakIntoALaterQuieterBuffer) {
    fill(0, 128, {{9000, 9000, 9000, 9000}});
    (void)pull_over(2, 0);
    fill(1, 128, {{1, 1}});
    EXPECT_EQ(pull_over(2, 0), (std::vector<int16_t>{1, 1, 0, 0}));
}

TEST_F(SoundMix, PlaybackDisabledConsumesWithoutMixing) {
    manager->flags.fetch_or(SOUND_PLAYBACK_DISABLED);
    SoundChannel *c = fill(0, 128, {{100, 200, 300, 400}, {500, 600}});
    EXPECT_EQ(pull_over(3, 42), (std::vector<int16_t>{42, 42, 42, 42, 42, 42}));
    EXPECT_EQ(c->current_chunk, 2);
}

TEST_F(SoundMix, RequestsLargerThanTheMixBufferAreMixedWhole) {
    const int frames = static_cast<int>(manager->mix.size()) + 100;   // longer than one mix block
    std::vector<int16_t> samples(static_cast<size_t>(frames) * 2);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i % 1000);
    fill(0, 128, {samples});
    EXPECT_EQ(pull_over(frames, 0), samples);
}

}  // namespace
