// The sound manager against real time: the manager thread's decode-ahead of a music track, and the
// audio callback's mix of one and of sixteen channels. "realtime" is seconds of audio per second.
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <SDL.h>
#include "assetgen/family_sounds.h"
#include "platform/sound.h"

namespace {

constexpr int MUSIC = 17;
constexpr double BYTES_PER_SECOND = SOUND_RATE * 4.0;

SoundManager *bench_manager() {
    static SoundManager *m = [] {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        (void)sound_init();
        SoundManager *made = sound_get();
        std::vector<uint8_t> ogg;
        if (sound_family_render(MUSIC, 1, &ogg) == RES_OK) {
            Sound *sound = nullptr;
            if (sound_create(MUSIC, std::move(ogg), &sound) == RES_OK) made->sounds[MUSIC] = sound;
        }
        return made;
    }();
    return m;
}

void reset_channels(SoundManager *m) {
    for (SoundChannel &c : m->channels) {
        c.chunks.clear();
        c.current_chunk = -1;
        if (c.sound) sound_release(c.sound);
        c.sound = nullptr;
        c.flags.store(0);
    }
}

void BM_SoundDecodeAhead(benchmark::State &state) {
    SoundManager *m = bench_manager();
    if (!m->sounds[MUSIC]) {
        state.SkipWithError("music did not render");
        return;
    }
    reset_channels(m);
    sound_play(MUSIC);
    SoundChannel *c = &m->channels[0];
    double decoded = 0;
    for (auto _ : state) {
        c->current_chunk = static_cast<int32_t>(c->chunks.size());   // everything played: decode the next chunk
        (void)sound_manager_step(m, SOUND_DECODE_WAIT_MS);
        if (!c->chunks.empty()) decoded += c->chunks.back()->length;
    }
    state.counters["realtime"] = benchmark::Counter(decoded / BYTES_PER_SECOND, benchmark::Counter::kIsRate);
    reset_channels(m);
}
BENCHMARK(BM_SoundDecodeAhead)->Unit(benchmark::kMicrosecond);

void BM_SoundMix(benchmark::State &state) {
    SoundManager *m = bench_manager();
    reset_channels(m);
    const int channels = static_cast<int>(state.range(0));
    for (int i = 0; i < channels; ++i) {
        SoundChannel &c = m->channels[i];
        auto chunk = std::make_unique<SoundChunk>();
        chunk->buffer.reset(new uint8_t[SOUND_CHUNK_BYTES]);
        for (int k = 0; k < SOUND_CHUNK_BYTES; ++k) chunk->buffer[k] = static_cast<uint8_t>((k * 37 + i) & 0xFF);
        chunk->length = SOUND_CHUNK_BYTES;
        c.chunks.push_back(std::move(chunk));
        c.current_chunk = 0;
        c.volume.store(60 + i * 4);
        c.flags.store(SOUND_CHANNEL_HAS_DATA | SOUND_CHANNEL_IN_USE);
    }
    const int block = SOUND_DEVICE_SAMPLES * 4;
    std::vector<uint8_t> out(block);
    for (auto _ : state) {
        sound_mix(m, out.data(), block);
        benchmark::DoNotOptimize(out.data());
        if (m->channels[0].current_chunk != 0) {
            for (int i = 0; i < channels; ++i) {
                m->channels[i].chunks[0]->read_offset = 0;
                m->channels[i].current_chunk = 0;
            }
        }
    }
    state.counters["realtime"] = benchmark::Counter(static_cast<double>(state.iterations()) * block / BYTES_PER_SECOND,
                                                    benchmark::Counter::kIsRate);
    reset_channels(m);
}
BENCHMARK(BM_SoundMix)->Arg(1)->Arg(16)->Unit(benchmark::kMicrosecond);

}  // namespace
