// The sound family: a recipe per effect, a small composer for the music, and the Vorbis writer.
#include "assetgen/family_sounds.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include "assetgen/synth.h"

namespace {

constexpr float EFFECT_QUALITY = 0.3f;
constexpr float MUSIC_QUALITY  = 0.1f;
// Vorbis rounds transients up by a fraction of a decibel; these ceilings keep the decoded peak clear of
// full scale.
constexpr float EFFECT_PEAK = 0.70f;
constexpr float MUSIC_PEAK  = 0.80f;
constexpr double EFFECT_RMS = 0.11;
constexpr double MUSIC_RMS  = 0.12;

using EffectFn = void(SynthBuffer *buf, uint64_t seed);

struct EffectRecipe {
    int         id;
    const char *role;
    double      seconds;
    float       loudness;            // scales the RMS target: quiet clicks, loud explosions
    EffectFn   *render;
};

void play(SynthBuffer *b, const SynthVoice &v, double start, double hold, uint64_t seed) {
    synth_play(b, v, start, hold, seed);
}

// --- effects ---------------------------------------------------------------------------------

void crackles(SynthBuffer *b, uint64_t seed, int count, double from, double to, double gain) {
    SynthRandom rng{seed};
    for (int i = 0; i < count; ++i) {
        const double at = from + synth_random_unit(&rng) * (to - from);
        SynthVoice v{.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_BAND,
                     .cutoff = 1500.0 + 3000.0 * synth_random_unit(&rng), .resonance = 2.0,
                     .attack = 0.001, .decay = 0.012, .sustain = 0.0, .release = 0.01,
                     .gain = gain * (0.5 + synth_random_unit(&rng)), .pan = synth_random_unit(&rng) * 1.2 - 0.6};
        play(b, v, at, 0.03, seed + 17 * i + 1);
    }
}

void fx_small_explosion(SynthBuffer *b, uint64_t s) {
    play(b, {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_LOW, .cutoff = 4200, .cutoff_end = 260,
             .cutoff_glide = 0.16, .attack = 0.002, .decay = 0.2, .sustain = 0.0, .release = 0.05, .gain = 0.9},
         0.0, 0.8, s);
    play(b, {.freq = 120, .freq_end = 42, .glide = 0.07, .attack = 0.002, .decay = 0.14, .sustain = 0.0,
             .release = 0.05, .gain = 0.8}, 0.0, 0.6, s + 1);
    crackles(b, s + 2, 5, 0.03, 0.35, 0.35);
    synth_reverb(b, 0.4, 0.5, 0.35);
}

void fx_large_explosion(SynthBuffer *b, uint64_t s) {
    for (int side = 0; side < 2; ++side)
        play(b, {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_LOW, .cutoff = 2600, .cutoff_end = 110,
                 .cutoff_glide = 0.55, .attack = 0.006, .decay = 0.6, .sustain = 0.0, .release = 0.1,
                 .gain = 0.8, .pan = side ? 0.45 : -0.45}, 0.01 * side, 1.7, s + side);
    play(b, {.freq = 75, .freq_end = 27, .glide = 0.35, .attack = 0.004, .decay = 0.55, .sustain = 0.0,
             .release = 0.1, .drive = 1.5, .gain = 0.9}, 0.0, 1.5, s + 3);
    play(b, {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_HIGH, .cutoff = 2500, .attack = 0.001, .decay = 0.03,
             .sustain = 0.0, .release = 0.02, .gain = 0.5}, 0.0, 0.1, s + 4);
    crackles(b, s + 5, 12, 0.05, 1.0, 0.3);
    synth_reverb(b, 0.8, 0.4, 0.6);
}

void fx_beam(SynthBuffer *b, uint64_t s) {
    play(b, {.wave = SYNTH_SAW, .freq = 880, .vibrato_rate = 31, .vibrato_depth = 0.02, .unison = 3,
             .detune_cents = 14, .spread = 0.6, .filter = SYNTH_FILTER_BAND, .cutoff = 3200, .cutoff_end = 1300,
             .cutoff_glide = 0.3, .resonance = 2.0, .attack = 0.01, .decay = 0.3, .sustain = 0.45,
             .release = 0.08, .gain = 0.8}, 0.0, 0.5, s);
    play(b, {.freq = 1760, .fm_ratio = 2.5, .fm_index = 3.0, .fm_decay = 0.2, .attack = 0.005, .decay = 0.2,
             .sustain = 0.2, .release = 0.08, .gain = 0.25}, 0.0, 0.5, s + 1);
    synth_echo(b, 0.07, 0.3, 0.3);
}

void fx_shield_hit(SynthBuffer *b, uint64_t s) {
    play(b, {.freq = 520, .fm_ratio = 1.414, .fm_index = 4.0, .fm_decay = 0.15, .attack = 0.002, .decay = 0.22,
             .sustain = 0.0, .release = 0.1, .am_rate = 18, .am_depth = 0.6, .gain = 0.7}, 0.0, 0.5, s);
    play(b, {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_HIGH, .cutoff = 5000, .attack = 0.001, .decay = 0.04,
             .sustain = 0.0, .release = 0.03, .gain = 0.4}, 0.0, 0.1, s + 1);
    synth_reverb(b, 0.5, 0.3, 0.4);
}

void fx_soft_blip(SynthBuffer *b, uint64_t s) {
    play(b, {.freq = 880, .attack = 0.003, .decay = 0.05, .sustain = 0.0, .release = 0.015, .gain = 0.7}, 0.0, 0.1, s);
    play(b, {.freq = 1760, .attack = 0.003, .decay = 0.03, .sustain = 0.0, .release = 0.01, .gain = 0.15}, 0.0, 0.08, s + 1);
}

void fx_click(SynthBuffer *b, uint64_t s) {
    play(b, {.freq = 1500, .freq_end = 900, .glide = 0.01, .attack = 0.0005, .decay = 0.012, .sustain = 0.0,
             .release = 0.008, .gain = 0.8}, 0.0, 0.05, s);
    play(b, {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_HIGH, .cutoff = 3000, .attack = 0.0002, .decay = 0.004,
             .sustain = 0.0, .release = 0.003, .gain = 0.5}, 0.0, 0.02, s + 1);
}

void fx_open_panel(SynthBuffer *b, uint64_t s) {
    SynthVoice v{.wave = SYNTH_TRIANGLE, .attack = 0.004, .decay = 0.08, .sustain = 0.3, .release = 0.05, .gain = 0.6};
    v.freq = synth_note_hz(72);
    play(b, v, 0.0, 0.06, s);
    v.freq = synth_note_hz(79);
    play(b, v, 0.07, 0.08, s + 1);
    synth_echo(b, 0.09, 0.25, 0.2);
}

void fx_projectile(SynthBuffer *b, uint64_t s) {
    play(b, {.wave = SYNTH_SQUARE, .freq = 700, .freq_end = 160, .glide = 0.08, .filter = SYNTH_FILTER_LOW,
             .cutoff = 5000, .cutoff_end = 700, .cutoff_glide = 0.1, .attack = 0.002, .decay = 0.12,
             .sustain = 0.0, .release = 0.05, .gain = 0.6}, 0.0, 0.3, s);
    play(b, {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_BAND, .cutoff = 2500, .resonance = 1.2, .attack = 0.001,
             .decay = 0.05, .sustain = 0.0, .release = 0.03, .gain = 0.4}, 0.0, 0.1, s + 1);
}

void fx_ship_moves(SynthBuffer *b, uint64_t s) {
    for (int side = 0; side < 2; ++side)
        play(b, {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_BAND, .cutoff = 380, .cutoff_end = 2300,
                 .cutoff_glide = 0.6, .resonance = 3.0, .attack = 0.25, .decay = 0.6, .sustain = 0.5,
                 .release = 0.2, .gain = 0.8, .pan = side ? 0.5 : -0.5}, 0.04 * side, 1.0, s + side);
    play(b, {.wave = SYNTH_SAW, .freq = 55, .freq_end = 70, .glide = 0.8, .unison = 2, .detune_cents = 10,
             .filter = SYNTH_FILTER_LOW, .cutoff = 300, .attack = 0.2, .decay = 0.5, .sustain = 0.7,
             .release = 0.2, .gain = 0.4}, 0.0, 1.0, s + 2);
}

void fx_scanner_ping(SynthBuffer *b, uint64_t s) {
    play(b, {.freq = synth_note_hz(88), .fm_ratio = 2.0, .fm_index = 0.4, .fm_decay = 0.1, .attack = 0.002,
             .decay = 0.35, .sustain = 0.0, .release = 0.1, .gain = 0.6}, 0.0, 0.6, s);
    synth_echo(b, 0.18, 0.45, 0.5);
    synth_reverb(b, 0.6, 0.3, 0.3);
}

void fx_flight_leg(SynthBuffer *b, uint64_t s) {
    play(b, {.wave = SYNTH_SAW, .freq = 180, .freq_end = 1200, .glide = 0.15, .filter = SYNTH_FILTER_LOW,
             .cutoff = 600, .cutoff_end = 4000, .cutoff_glide = 0.12, .attack = 0.01, .decay = 0.2,
             .sustain = 0.2, .release = 0.06, .gain = 0.5}, 0.0, 0.35, s);
    play(b, {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_BAND, .cutoff = 900, .cutoff_end = 3500,
             .cutoff_glide = 0.15, .resonance = 1.5, .attack = 0.02, .decay = 0.15, .sustain = 0.0,
             .release = 0.05, .gain = 0.5}, 0.0, 0.35, s + 1);
}

void fx_next_turn(SynthBuffer *b, uint64_t s) {
    SynthVoice bell{.fm_ratio = 3.5, .fm_index = 2.0, .fm_decay = 0.3, .attack = 0.002, .decay = 0.45,
                    .sustain = 0.0, .release = 0.2, .gain = 0.5};
    bell.freq = synth_note_hz(84);
    play(b, bell, 0.0, 0.9, s);
    bell.freq = synth_note_hz(91);
    play(b, bell, 0.15, 0.9, s + 1);
    synth_reverb(b, 0.7, 0.3, 0.45);
}

void fx_purchase(SynthBuffer *b, uint64_t s) {
    SynthVoice coin{.wave = SYNTH_SQUARE, .filter = SYNTH_FILTER_LOW, .cutoff = 6000, .attack = 0.001,
                    .decay = 0.15, .sustain = 0.25, .release = 0.06, .gain = 0.4};
    coin.freq = synth_note_hz(83);
    play(b, coin, 0.0, 0.07, s);
    coin.freq = synth_note_hz(88);
    play(b, coin, 0.07, 0.22, s + 1);
}

void fx_repair(SynthBuffer *b, uint64_t s) {
    double at = 0.0, step = 0.09;
    for (int i = 0; i < 14 && at < 0.85; ++i, at += step, step *= 0.9)
        play(b, {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_BAND, .cutoff = 2500 + 60.0 * i, .resonance = 3.0,
                 .attack = 0.0005, .decay = 0.015, .sustain = 0.0, .release = 0.01, .gain = 0.7},
             at, 0.03, s + i);
    play(b, {.wave = SYNTH_TRIANGLE, .freq = 300, .freq_end = 620, .glide = 0.4, .attack = 0.05, .decay = 0.5,
             .sustain = 0.6, .release = 0.1, .gain = 0.35}, 0.0, 0.8, s + 20);
}

void fx_course_set(SynthBuffer *b, uint64_t s) {
    play(b, {.freq = 600, .freq_end = 900, .glide = 0.02, .attack = 0.002, .decay = 0.07, .sustain = 0.2,
             .release = 0.04, .gain = 0.5}, 0.0, 0.1, s);
    play(b, {.freq = 1200, .fm_ratio = 2.0, .fm_index = 0.8, .fm_decay = 0.05, .attack = 0.002, .decay = 0.1,
             .sustain = 0.0, .release = 0.06, .gain = 0.45}, 0.11, 0.2, s + 1);
    play(b, {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_HIGH, .cutoff = 4000, .attack = 0.0003, .decay = 0.005,
             .sustain = 0.0, .release = 0.004, .gain = 0.4}, 0.11, 0.02, s + 2);
}

void fx_heavy_cannon(SynthBuffer *b, uint64_t s) {
    play(b, {.freq = 95, .freq_end = 32, .glide = 0.12, .attack = 0.002, .decay = 0.35, .sustain = 0.0,
             .release = 0.1, .drive = 3.0, .gain = 0.8}, 0.0, 0.9, s);
    play(b, {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_LOW, .cutoff = 1800, .cutoff_end = 200,
             .cutoff_glide = 0.2, .attack = 0.001, .decay = 0.25, .sustain = 0.0, .release = 0.05, .gain = 0.7},
         0.0, 0.7, s + 1);
    play(b, {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_HIGH, .cutoff = 2000, .attack = 0.0005, .decay = 0.02,
             .sustain = 0.0, .release = 0.01, .gain = 0.5}, 0.0, 0.05, s + 2);
    synth_reverb(b, 0.7, 0.4, 0.45);
}

void fx_fleet_arrived(SynthBuffer *b, uint64_t s) {
    SynthVoice v{.wave = SYNTH_TRIANGLE, .attack = 0.02, .decay = 0.4, .sustain = 0.3, .release = 0.15, .gain = 0.35};
    const int notes[3] = {72, 76, 79};
    for (int i = 0; i < 3; ++i) {
        v.freq = synth_note_hz(notes[i]);
        v.pan = -0.3 + 0.3 * i;
        play(b, v, 0.08 * i, 0.7 - 0.08 * i, s + i);
    }
    synth_reverb(b, 0.6, 0.4, 0.4);
}

void fx_alarm(SynthBuffer *b, uint64_t s) {
    SynthVoice v{.wave = SYNTH_SQUARE, .filter = SYNTH_FILTER_LOW, .cutoff = 2800, .attack = 0.005, .decay = 0.2,
                 .sustain = 0.8, .release = 0.02, .gain = 0.35};
    for (int i = 0; i < 8; ++i) {
        v.freq = (i % 2) ? 660.0 : 880.0;
        play(b, v, 0.2 * i, 0.17, s + i);
    }
    synth_echo(b, 0.05, 0.2, 0.2);
}

void fx_facility_complete(SynthBuffer *b, uint64_t s) {
    SynthVoice bell{.fm_ratio = 2.0, .fm_index = 1.5, .fm_decay = 0.25, .attack = 0.003, .decay = 0.4,
                    .sustain = 0.1, .release = 0.25, .gain = 0.4};
    const int notes[4] = {67, 71, 74, 79};
    for (int i = 0; i < 4; ++i) {
        bell.freq = synth_note_hz(notes[i]);
        bell.pan = -0.45 + 0.3 * i;
        play(b, bell, 0.1 * i, i == 3 ? 0.7 : 0.15, s + i);
    }
    synth_reverb(b, 0.7, 0.3, 0.4);
}

void fx_ship_built(SynthBuffer *b, uint64_t s) {
    play(b, {.wave = SYNTH_SAW, .freq = 60, .freq_end = 240, .glide = 0.5, .unison = 3, .detune_cents = 12,
             .spread = 0.5, .filter = SYNTH_FILTER_LOW, .cutoff = 300, .cutoff_end = 3000, .cutoff_glide = 0.5,
             .attack = 0.1, .decay = 0.5, .sustain = 0.7, .release = 0.08, .gain = 0.4}, 0.0, 0.85, s);
    play(b, {.freq = 800, .freq_end = 1600, .glide = 0.5, .attack = 0.1, .decay = 0.5, .sustain = 0.6,
             .release = 0.05, .gain = 0.12}, 0.0, 0.85, s + 1);
    play(b, {.freq = 130, .freq_end = 70, .glide = 0.03, .attack = 0.001, .decay = 0.06, .sustain = 0.0,
             .release = 0.04, .gain = 0.7}, 0.9, 0.15, s + 2);
    play(b, {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_LOW, .cutoff = 2500, .attack = 0.001, .decay = 0.03,
             .sustain = 0.0, .release = 0.02, .gain = 0.5}, 0.9, 0.06, s + 3);
}

SynthVoice brass() {
    return {.wave = SYNTH_SAW, .unison = 3, .detune_cents = 8, .spread = 0.4, .filter = SYNTH_FILTER_LOW,
            .cutoff = 3200, .cutoff_end = 1300, .cutoff_glide = 0.15, .attack = 0.03, .decay = 0.3,
            .sustain = 0.75, .release = 0.12, .gain = 0.3};
}

void fx_officer(SynthBuffer *b, uint64_t s) {
    SynthVoice v = brass();
    const double starts[3] = {0.0, 0.16, 0.32}, holds[3] = {0.11, 0.11, 0.55};
    const int notes[3] = {67, 67, 72};
    for (int i = 0; i < 3; ++i) {
        v.freq = synth_note_hz(notes[i]);
        play(b, v, starts[i], holds[i], s + i);
    }
    synth_reverb(b, 0.5, 0.4, 0.3);
}

void fx_research(SynthBuffer *b, uint64_t s) {
    SynthVoice bell{.fm_ratio = 3.0, .fm_index = 1.2, .fm_decay = 0.2, .attack = 0.002, .decay = 0.3,
                    .sustain = 0.0, .release = 0.2, .gain = 0.3};
    const int notes[5] = {84, 88, 91, 96, 100};
    for (int i = 0; i < 5; ++i) {
        bell.freq = synth_note_hz(notes[i]);
        bell.pan = i % 2 ? 0.4 : -0.4;
        play(b, bell, 0.06 * i, 0.4, s + i);
    }
    SynthVoice pad{.unison = 3, .detune_cents = 6, .spread = 0.8, .attack = 0.25, .decay = 0.5, .sustain = 0.6,
                   .release = 0.3, .am_rate = 6, .am_depth = 0.3, .gain = 0.12};
    for (int n : {72, 76, 79}) {
        pad.freq = synth_note_hz(n);
        play(b, pad, 0.0, 0.8, s + 10 + n);
    }
    synth_echo(b, 0.12, 0.35, 0.3);
    synth_reverb(b, 0.7, 0.3, 0.4);
}

void fx_resources(SynthBuffer *b, uint64_t s) {
    SynthVoice pluck{.wave = SYNTH_SAW, .filter = SYNTH_FILTER_LOW, .cutoff = 2600, .cutoff_end = 400,
                     .cutoff_glide = 0.08, .attack = 0.002, .decay = 0.15, .sustain = 0.0, .release = 0.08, .gain = 0.45};
    pluck.freq = synth_note_hz(69);
    play(b, pluck, 0.0, 0.3, s);
    pluck.freq = synth_note_hz(76);
    play(b, pluck, 0.09, 0.35, s + 1);
    play(b, {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_HIGH, .cutoff = 8000, .attack = 0.005, .decay = 0.1,
             .sustain = 0.0, .release = 0.05, .gain = 0.15}, 0.09, 0.2, s + 2);
}

void fx_crew_rescued(SynthBuffer *b, uint64_t s) {
    SynthVoice v{.wave = SYNTH_SAW, .unison = 4, .detune_cents = 12, .spread = 0.8, .filter = SYNTH_FILTER_LOW,
                 .cutoff = 700, .cutoff_end = 2200, .cutoff_glide = 0.6, .attack = 0.4, .decay = 0.6,
                 .sustain = 0.8, .release = 0.3, .gain = 0.16};
    for (int n : {60, 64, 67, 72}) {
        v.freq = synth_note_hz(n);
        play(b, v, 0.0, 1.1, s + n);
    }
    synth_reverb(b, 0.7, 0.4, 0.4);
}

void fx_starbase(SynthBuffer *b, uint64_t s) {
    SynthVoice v = brass();
    const int notes[4] = {60, 64, 67, 72};
    for (int i = 0; i < 4; ++i) {
        v.freq = synth_note_hz(notes[i]);
        play(b, v, 0.15 * i, i == 3 ? 1.1 : 0.11, s + i);
    }
    v.gain = 0.2;
    for (int n : {48, 55, 60, 64}) {
        v.freq = synth_note_hz(n);
        play(b, v, 0.45, 1.0, s + 10 + n);
    }
    SynthVoice timpani{.freq = 70, .freq_end = 55, .glide = 0.1, .attack = 0.002, .decay = 0.35, .sustain = 0.0,
                       .release = 0.2, .gain = 0.6};
    play(b, timpani, 0.0, 0.4, s + 80);
    play(b, timpani, 0.45, 0.6, s + 81);
    synth_reverb(b, 0.8, 0.3, 0.45);
}

void fx_jump(SynthBuffer *b, uint64_t s) {
    play(b, {.wave = SYNTH_SAW, .freq = 80, .freq_end = 2000, .glide = 0.5, .unison = 5, .detune_cents = 30,
             .spread = 1.0, .filter = SYNTH_FILTER_LOW, .cutoff = 200, .cutoff_end = 8000, .cutoff_glide = 0.5,
             .resonance = 3.0, .attack = 0.3, .decay = 0.6, .sustain = 0.8, .release = 0.12, .gain = 0.3},
         0.0, 1.1, s);
    play(b, {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_HIGH, .cutoff = 1500, .attack = 0.002, .decay = 0.12,
             .sustain = 0.0, .release = 0.1, .gain = 0.6}, 1.1, 0.3, s + 1);
    play(b, {.freq = 50, .freq_end = 90, .glide = 0.8, .attack = 0.2, .decay = 0.5, .sustain = 0.8,
             .release = 0.1, .gain = 0.5}, 0.0, 1.1, s + 2);
    synth_echo(b, 0.11, 0.4, 0.3);
}

void fx_missile(SynthBuffer *b, uint64_t s) {
    play(b, {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_BAND, .cutoff = 800, .cutoff_end = 3000,
             .cutoff_glide = 0.2, .resonance = 1.5, .attack = 0.01, .decay = 0.35, .sustain = 0.3,
             .release = 0.1, .gain = 0.75}, 0.0, 0.65, s);
    play(b, {.wave = SYNTH_SAW, .freq = 120, .freq_end = 500, .glide = 0.25, .filter = SYNTH_FILTER_LOW,
             .cutoff = 1500, .attack = 0.01, .decay = 0.3, .sustain = 0.3, .release = 0.1, .gain = 0.3},
         0.0, 0.6, s + 1);
}

void fx_scrapped(SynthBuffer *b, uint64_t s) {
    const double starts[3] = {0.0, 0.12, 0.3}, freqs[3] = {180, 150, 110};
    for (int i = 0; i < 3; ++i)
        play(b, {.freq = freqs[i], .fm_ratio = 1.73, .fm_index = 8.0, .fm_decay = 0.2, .attack = 0.001,
                 .decay = 0.2, .sustain = 0.0, .release = 0.1, .gain = 0.45, .pan = -0.3 + 0.3 * i},
             starts[i], 0.4, s + i);
    play(b, {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_LOW, .cutoff = 1200, .attack = 0.005, .decay = 0.3,
             .sustain = 0.0, .release = 0.1, .am_rate = 22, .am_depth = 0.8, .gain = 0.5}, 0.0, 0.8, s + 5);
    synth_reverb(b, 0.5, 0.5, 0.3);
}

void fx_power_up(SynthBuffer *b, uint64_t s) {
    SynthVoice v{.wave = SYNTH_SQUARE, .filter = SYNTH_FILTER_LOW, .cutoff = 4000, .attack = 0.002, .decay = 0.08,
                 .sustain = 0.5, .release = 0.05, .gain = 0.3};
    const int notes[7] = {60, 64, 67, 72, 76, 79, 84};
    for (int i = 0; i < 7; ++i) {
        v.freq = synth_note_hz(notes[i]);
        play(b, v, 0.06 * i, i == 6 ? 0.25 : 0.05, s + i);
    }
    play(b, {.freq = 400, .freq_end = 1600, .glide = 0.2, .attack = 0.05, .decay = 0.3, .sustain = 0.5,
             .release = 0.1, .gain = 0.15}, 0.0, 0.55, s + 10);
}

void fx_depleted(SynthBuffer *b, uint64_t s) {
    SynthVoice v{.wave = SYNTH_TRIANGLE, .attack = 0.01, .decay = 0.2, .sustain = 0.5, .release = 0.1, .gain = 0.5};
    const int notes[3] = {72, 68, 65};
    for (int i = 0; i < 3; ++i) {
        v.freq = synth_note_hz(notes[i]);
        play(b, v, 0.2 * i, i == 2 ? 0.35 : 0.17, s + i);
    }
    play(b, {.freq = synth_note_hz(41), .attack = 0.02, .decay = 0.4, .sustain = 0.4, .release = 0.15,
             .gain = 0.3}, 0.4, 0.4, s + 5);
}

const EffectRecipe EFFECTS[] = {
    {0,  "small explosion",             0.9,  1.0f, fx_small_explosion},
    {1,  "large explosion",             1.9,  1.2f, fx_large_explosion},
    {2,  "beam fire or hit",            0.7,  0.9f, fx_beam},
    {3,  "shield hit",                  0.7,  0.9f, fx_shield_hit},
    {4,  "soft blip",                   0.15, 0.6f, fx_soft_blip},
    {5,  "button click",                0.1,  0.5f, fx_click},
    {6,  "open a panel, select",        0.35, 0.6f, fx_open_panel},
    {7,  "projectile or drain fire",    0.4,  0.9f, fx_projectile},
    {8,  "ship moves in combat",        1.3,  0.8f, fx_ship_moves},
    {9,  "scanner ping",                1.5,  0.8f, fx_scanner_ping},
    {10, "shot launches a flight leg",  0.5,  0.8f, fx_flight_leg},
    {11, "next turn started",           1.3,  0.7f, fx_next_turn},
    {12, "purchase",                    0.45, 0.6f, fx_purchase},
    {21, "repair and reload",           1.0,  0.7f, fx_repair},
    {22, "course set",                  0.4,  0.6f, fx_course_set},
    {23, "heavy ship cannon",           1.2,  1.1f, fx_heavy_cannon},
    {24, "fleet arrived",               1.0,  0.7f, fx_fleet_arrived},
    {25, "encounter alarm",             1.8,  0.8f, fx_alarm},
    {26, "facility or upgrade complete",1.3,  0.8f, fx_facility_complete},
    {27, "ship built, drone launched",  1.2,  0.8f, fx_ship_built},
    {28, "officer hired or promoted",   1.1,  0.8f, fx_officer},
    {29, "research complete",           1.6,  0.8f, fx_research},
    {30, "resources gathered",          0.7,  0.7f, fx_resources},
    {31, "crew rescued",                1.6,  0.8f, fx_crew_rescued},
    {32, "starbase complete",           2.0,  1.0f, fx_starbase},
    {33, "jump",                        1.6,  0.9f, fx_jump},
    {34, "missile or drone launch",     0.9,  0.9f, fx_missile},
    {35, "ship scrapped",               1.1,  0.9f, fx_scrapped},
    {36, "boost, power-up",             0.8,  0.7f, fx_power_up},
    {37, "resources depleted",          1.0,  0.7f, fx_depleted},
};

// --- music -----------------------------------------------------------------------------------

const int SCALE_MAJOR[7] = {0, 2, 4, 5, 7, 9, 11};
const int SCALE_MINOR[7] = {0, 2, 3, 5, 7, 8, 10};

enum MusicMood { MOOD_CALM, MOOD_DRIVING, MOOD_TITLE, MOOD_THEME };

struct MusicStyle {
    int         id;
    const char *role;
    MusicMood   mood;
    int         bpm;
    int         root;                // MIDI note of the key's tonic in the bass octave
    const int  *scale;
    int         progression_a[4];    // scale degrees, one chord per bar
    int         progression_b[4];
    const char *plan;                // four bars a letter: I no melody, A/a first theme, B/b second
};

const MusicStyle MUSIC[] = {
    {13, "title music",            MOOD_TITLE,   84,  48, SCALE_MAJOR, {0, 4, 5, 3}, {5, 3, 0, 4}, "IAaBbIAa"},
    {14, "galaxy map music",       MOOD_CALM,    72,  50, SCALE_MINOR, {0, 5, 2, 6}, {3, 0, 5, 6}, "IAaBba"},
    {15, "galaxy map music",       MOOD_CALM,    69,  51, SCALE_MAJOR, {0, 3, 5, 4}, {3, 4, 2, 5}, "IAaBba"},
    {16, "galaxy map music",       MOOD_CALM,    76,  45, SCALE_MINOR, {0, 6, 5, 6}, {3, 0, 5, 4}, "IAaBba"},
    {17, "combat music",           MOOD_DRIVING, 140, 40, SCALE_MINOR, {0, 5, 6, 0}, {5, 6, 4, 4}, "IAaBbIAaBbAa"},
    {18, "combat music",           MOOD_DRIVING, 128, 48, SCALE_MINOR, {0, 6, 5, 6}, {5, 3, 0, 6}, "IAaBbAaBba"},
    {19, "combat music",           MOOD_DRIVING, 150, 42, SCALE_MINOR, {0, 3, 5, 6}, {2, 6, 5, 4}, "IAaBbIAaBbAa"},
    {20, "battle summary theme",   MOOD_THEME,   96,  46, SCALE_MAJOR, {0, 4, 5, 3}, {3, 0, 4, 4}, "IAaBbAa"},
};

int scale_pitch(const MusicStyle &m, int base, int index) {
    const int octave = index >= 0 ? index / 7 : -((-index + 6) / 7);
    return base + 12 * octave + m.scale[index - 7 * octave];
}

bool is_chord_tone(int index, int degree) {
    const int d = ((index - degree) % 7 + 7) % 7;
    return d == 0 || d == 2 || d == 4;
}

// Rhythms of one bar, in beats; they add up to 4.
struct Rhythm { int count; double beats[8]; };
const Rhythm CALM_RHYTHMS[] = {
    {3, {2, 1, 1}}, {3, {1.5, 0.5, 2}}, {2, {3, 1}}, {3, {1, 1, 2}}, {4, {1, 0.5, 0.5, 2}}, {2, {2, 2}},
};
const Rhythm DRIVING_RHYTHMS[] = {
    {6, {0.5, 0.5, 1, 0.5, 0.5, 1}}, {5, {1, 0.5, 0.5, 1, 1}}, {5, {0.75, 0.75, 0.5, 1, 1}},
    {4, {1.5, 0.5, 1, 1}}, {6, {0.5, 0.5, 0.5, 0.5, 1, 1}},
};
const Rhythm CADENCE_RHYTHMS[] = {{2, {2, 2}}, {1, {4}}, {2, {1, 3}}};

// One four-bar phrase of melody as scale indices over the key (0 = tonic, 7 = an octave up).
struct Phrase { std::vector<SynthNote> notes; };

// The index nearest `from` that is `residue` modulo 7, inside [low, high] when one is.
int nearest_in_key(int from, int residue, int low, int high) {
    int best = 0, best_distance = 1 << 30;
    for (int candidate = low - 7; candidate <= high + 7; ++candidate) {
        if (((candidate - residue) % 7 + 7) % 7 != 0) continue;
        const int distance = std::abs(candidate - from) + (candidate < low || candidate > high ? 100 : 0);
        if (distance < best_distance) {
            best = candidate;
            best_distance = distance;
        }
    }
    return best;
}

Phrase compose_phrase(const MusicStyle &m, const int *chords, int low, int high, SynthRandom *rng) {
    const bool driving = m.mood == MOOD_DRIVING;
    const Rhythm *rhythms = driving ? DRIVING_RHYTHMS : CALM_RHYTHMS;
    const int rhythm_count = driving ? 5 : 6;
    const Rhythm &motif = rhythms[synth_random_below(rng, rhythm_count)];
    const Rhythm &answer = rhythms[synth_random_below(rng, rhythm_count)];
    const Rhythm &cadence = CADENCE_RHYTHMS[synth_random_below(rng, 3)];

    Phrase phrase;
    int index = (low + high) / 2;
    while (!is_chord_tone(index, chords[0])) ++index;
    std::vector<int> motif_line;                  // bar 0's notes, answered by bar 2 over its own chord
    int shift = 0;
    for (int bar = 0; bar < 4; ++bar) {
        const Rhythm &r = bar == 3 ? cadence : (bar == 1 ? answer : motif);
        double beat = 0.0;
        for (int n = 0; n < r.count; ++n) {
            const bool strong = std::fmod(beat, 2.0) == 0.0;
            if (bar == 3 && n == r.count - 1) {
                // The phrase asks for its answer by ending on the fifth of the last chord.
                index = nearest_in_key(index, chords[3] + 4, low, high);
            } else if (bar == 2 && n < static_cast<int>(motif_line.size())) {
                if (n == 0) {
                    for (int s : {0, 1, -1, 2, -2, 3}) {
                        if (is_chord_tone(motif_line[0] + s, chords[2])) {
                            shift = s;
                            break;
                        }
                    }
                }
                index = motif_line[n] + shift;
            } else if (strong) {
                const int step = synth_random_below(rng, 5) - 2;
                int next = index + step;
                while (!is_chord_tone(next, chords[bar])) next += step >= 0 ? 1 : -1;
                index = next;
            } else {
                index += synth_random_below(rng, 2) ? 1 : -1;
                if (synth_random_below(rng, 4) == 0) index += index < (low + high) / 2 ? 1 : -1;
            }
            while (index > high) index -= 7;
            while (index < low) index += 7;
            if (bar == 0) motif_line.push_back(index);
            phrase.notes.push_back({bar * 4 + beat, r.beats[n], index, strong ? 1.0f : 0.82f});
            beat += r.beats[n];
        }
    }
    return phrase;
}

// The same phrase closing on the root of its last chord: the first three bars stay, the fourth
// steps from a chord tone down or up to the root.
Phrase close_phrase(const Phrase &open, const int *chords, int low, int high) {
    Phrase close = open;
    while (!close.notes.empty() && close.notes.back().beat >= 12.0) close.notes.pop_back();
    const int from = close.notes.empty() ? (low + high) / 2 : close.notes.back().pitch;
    const int third = nearest_in_key(from, chords[3] + 2, low, high);
    close.notes.push_back({12.0, 2.0, third, 0.9f});
    close.notes.push_back({14.0, 2.0, nearest_in_key(third, chords[3], low, high), 1.0f});
    return close;
}

struct MusicParts {
    SynthPart pad, bass, arp_left, arp_right, lead, lead_double, kick, snare, hat, timpani;
};

void make_instruments(const MusicStyle &m, MusicParts *p) {
    switch (m.mood) {
    case MOOD_CALM:
        p->pad.voice = {.wave = SYNTH_SAW, .unison = 4, .detune_cents = 10, .spread = 0.8, .filter = SYNTH_FILTER_LOW,
                        .cutoff = 1100, .attack = 1.2, .decay = 1.0, .sustain = 0.8, .release = 1.4, .gain = 0.07};
        p->bass.voice = {.wave = SYNTH_TRIANGLE, .filter = SYNTH_FILTER_LOW, .cutoff = 500, .attack = 0.06,
                         .decay = 0.8, .sustain = 0.7, .release = 0.5, .gain = 0.3};
        p->arp_left.voice = {.fm_ratio = 3.0, .fm_index = 1.0, .fm_decay = 0.25, .attack = 0.003, .decay = 0.5,
                             .sustain = 0.0, .release = 0.5, .gain = 0.09, .pan = -0.5};
        p->lead.voice = {.wave = SYNTH_TRIANGLE, .vibrato_rate = 5.0, .vibrato_depth = 0.004, .filter = SYNTH_FILTER_LOW,
                         .cutoff = 2400, .attack = 0.07, .decay = 0.6, .sustain = 0.7, .release = 0.35, .gain = 0.2};
        break;
    case MOOD_DRIVING:
        p->pad.voice = {.wave = SYNTH_SAW, .unison = 3, .detune_cents = 9, .spread = 0.9, .filter = SYNTH_FILTER_LOW,
                        .cutoff = 1600, .attack = 0.08, .decay = 0.8, .sustain = 0.6, .release = 0.3, .gain = 0.05};
        p->bass.voice = {.wave = SYNTH_SAW, .filter = SYNTH_FILTER_LOW, .cutoff = 1400, .cutoff_end = 350,
                         .cutoff_glide = 0.06, .resonance = 1.2, .attack = 0.003, .decay = 0.12, .sustain = 0.5,
                         .release = 0.04, .drive = 0.8, .gain = 0.3};
        p->arp_left.voice = {.wave = SYNTH_SQUARE, .filter = SYNTH_FILTER_LOW, .cutoff = 2600, .cutoff_end = 900,
                             .cutoff_glide = 0.05, .attack = 0.002, .decay = 0.08, .sustain = 0.0, .release = 0.04,
                             .gain = 0.07, .pan = -0.55};
        p->lead.voice = {.wave = SYNTH_SAW, .vibrato_rate = 5.5, .vibrato_depth = 0.004, .unison = 2,
                         .detune_cents = 6, .spread = 0.3, .filter = SYNTH_FILTER_LOW, .cutoff = 3000,
                         .attack = 0.01, .decay = 0.3, .sustain = 0.7, .release = 0.08, .gain = 0.14};
        p->kick.voice = {.freq = 110, .freq_end = 42, .glide = 0.04, .attack = 0.001, .decay = 0.18, .sustain = 0.0,
                         .release = 0.05, .drive = 0.5, .gain = 0.55};
        p->snare.voice = {.wave = SYNTH_NOISE, .freq = 190, .noise = 0.75, .filter = SYNTH_FILTER_BAND,
                          .cutoff = 2000, .resonance = 0.8, .attack = 0.001, .decay = 0.1, .sustain = 0.0,
                          .release = 0.05, .gain = 0.32};
        p->hat.voice = {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_HIGH, .cutoff = 7500, .attack = 0.001,
                        .decay = 0.03, .sustain = 0.0, .release = 0.02, .gain = 0.09, .pan = 0.25};
        break;
    case MOOD_TITLE:
    case MOOD_THEME:
        p->pad.voice = {.wave = SYNTH_SAW, .unison = 4, .detune_cents = 8, .spread = 0.8, .filter = SYNTH_FILTER_LOW,
                        .cutoff = 1500, .attack = 0.5, .decay = 1.0, .sustain = 0.8, .release = 0.9, .gain = 0.06};
        p->bass.voice = {.wave = SYNTH_TRIANGLE, .filter = SYNTH_FILTER_LOW, .cutoff = 700, .attack = 0.02,
                         .decay = 0.5, .sustain = 0.6, .release = 0.3, .gain = 0.32};
        p->arp_left.voice = {.fm_ratio = 2.0, .fm_index = 1.4, .fm_decay = 0.2, .attack = 0.002, .decay = 0.35,
                             .sustain = 0.0, .release = 0.3, .gain = 0.08, .pan = -0.5};
        p->lead.voice = brass();
        p->lead.voice.gain = 0.16;
        p->lead.voice.vibrato_rate = 5.0;
        p->lead.voice.vibrato_depth = 0.003;
        if (m.mood == MOOD_THEME) {
            p->lead.voice.wave = SYNTH_SQUARE;
            p->lead.voice.unison = 1;
            p->lead.voice.cutoff = 1700;
            p->lead.voice.cutoff_end = 0;
            p->lead.voice.gain = 0.13;
        }
        p->timpani.voice = {.freq = 65, .freq_end = 52, .glide = 0.12, .attack = 0.002, .decay = 0.4, .sustain = 0.0,
                            .release = 0.2, .gain = 0.45};
        p->snare.voice = {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_BAND, .cutoff = 1800, .resonance = 0.9,
                          .attack = 0.001, .decay = 0.07, .sustain = 0.0, .release = 0.04, .gain = 0.16};
        p->hat.voice = {.wave = SYNTH_NOISE, .filter = SYNTH_FILTER_HIGH, .cutoff = 6000, .attack = 0.004,
                        .decay = 0.04, .sustain = 0.0, .release = 0.03, .gain = 0.05, .pan = -0.2};
        break;
    }
    p->arp_right.voice = p->arp_left.voice;
    p->arp_right.voice.pan = -p->arp_left.voice.pan;
    p->lead_double.voice = p->lead.voice;
    p->lead_double.voice.gain *= 0.45;
    p->lead_double.voice.pan = 0.3;
    p->kick.swing_jitter = p->snare.swing_jitter = 0.0;
    p->hat.swing_jitter = 0.004;
    p->arp_left.swing_jitter = p->arp_right.swing_jitter = 0.003;
}

// Keeps a chord tone's pitch inside [low, low + 12).
int chord_pitch_in(const MusicStyle &m, int index, int low) {
    int pitch = scale_pitch(m, m.root, index);
    while (pitch < low) pitch += 12;
    while (pitch >= low + 12) pitch -= 12;
    return pitch;
}

void compose(const MusicStyle &m, uint64_t seed, MusicParts *p) {
    SynthRandom rng{seed};
    make_instruments(m, p);
    const bool driving = m.mood == MOOD_DRIVING;
    const int melody_base = m.root + (m.root < 45 ? 24 : 12);
    const Phrase theme_a = compose_phrase(m, m.progression_a, 4, 12, &rng);
    const Phrase theme_b = compose_phrase(m, m.progression_b, 6, 14, &rng);
    const Phrase close_a = close_phrase(theme_a, m.progression_a, 4, 12);
    const Phrase close_b = close_phrase(theme_b, m.progression_b, 6, 14);

    const int sections = static_cast<int>(std::strlen(m.plan));
    for (int section = 0; section < sections; ++section) {
        const char letter = m.plan[section];
        const bool second_theme = letter == 'B' || letter == 'b';
        const int *chords = second_theme ? m.progression_b : m.progression_a;
        const double at = section * 16.0;
        for (int bar = 0; bar < 4; ++bar) {
            const int degree = chords[bar];
            const double beat = at + bar * 4.0;
            const bool last_bar = bar == 3;
            // Pads: the triad (a seventh added in calm pieces) around middle C.
            const int tones = m.mood == MOOD_CALM ? 4 : 3;
            for (int t = 0; t < tones; ++t)
                p->pad.notes.push_back({beat, 4.0, chord_pitch_in(m, degree + 2 * t, m.root + 12 + (t == 3 ? 7 : 0)), 1.0f});
            const int bass = chord_pitch_in(m, degree, m.root - (driving ? 0 : 0));
            const int fifth = chord_pitch_in(m, degree + 4, m.root);
            if (driving) {
                for (int e = 0; e < 8; ++e) {
                    const int pitch = (e == 3 || e == 7) ? bass + 12 : (e == 6 ? fifth : bass);
                    p->bass.notes.push_back({beat + e * 0.5, 0.45, pitch, e % 2 ? 0.8f : 1.0f});
                }
                for (int e = 0; e < 16; ++e) {
                    const int step = e % 4 == 3 ? 1 : e % 4;
                    const int pitch = chord_pitch_in(m, degree + 2 * step, m.root + 24) + (e >= 8 ? 12 : 0);
                    SynthPart &arp = e % 2 ? p->arp_right : p->arp_left;
                    arp.notes.push_back({beat + e * 0.25, 0.2, pitch, letter == 'I' ? 0.6f : 1.0f});
                }
                const bool fill = last_bar && (section % 2 == 1);
                p->kick.notes.push_back({beat, 0.25, -1, 1.0f});
                p->kick.notes.push_back({beat + 2.0, 0.25, -1, 1.0f});
                if (!fill) p->kick.notes.push_back({beat + 2.5, 0.25, -1, 0.7f});
                if (letter != 'I') {
                    p->snare.notes.push_back({beat + 1.0, 0.25, -1, 1.0f});
                    p->snare.notes.push_back({beat + 3.0, 0.25, -1, 1.0f});
                }
                if (fill)
                    for (int f = 0; f < 4; ++f) p->snare.notes.push_back({beat + 3.0 + f * 0.25, 0.2, -1, 0.6f + 0.1f * f});
                for (int h = 0; h < 8; ++h) p->hat.notes.push_back({beat + h * 0.5, 0.1, -1, h % 2 ? 0.6f : 1.0f});
            } else {
                p->bass.notes.push_back({beat, 2.0, bass, 1.0f});
                p->bass.notes.push_back({beat + 2.0, 2.0, bar % 2 ? fifth : bass, 0.85f});
                for (int e = 0; e < 8; ++e) {
                    const int order[8] = {0, 1, 2, 3, 2, 1, 2, 3};
                    const int pitch = chord_pitch_in(m, degree + 2 * order[e], m.root + 24) + (order[e] == 3 ? 12 : 0);
                    SynthPart &arp = e % 2 ? p->arp_right : p->arp_left;
                    arp.notes.push_back({beat + e * 0.5, 0.4, pitch, e % 4 == 0 ? 1.0f : 0.75f});
                }
                if (m.mood != MOOD_CALM) {
                    p->timpani.notes.push_back({beat, 0.5, -1, 1.0f});
                    if (last_bar) p->timpani.notes.push_back({beat + 3.0, 0.5, -1, 0.7f});
                    if (m.mood == MOOD_THEME && letter != 'I') {
                        for (double s : {1.0, 2.0, 2.5, 3.0}) p->snare.notes.push_back({beat + s, 0.2, -1, s == 1.0 ? 1.0f : 0.75f});
                    }
                    for (int h = 0; h < 8; ++h) p->hat.notes.push_back({beat + h * 0.5, 0.1, -1, h % 2 ? 0.5f : 0.8f});
                }
            }
        }
        const Phrase *phrase = nullptr;
        switch (letter) {
        case 'A': phrase = &theme_a; break;
        case 'a': phrase = &close_a; break;
        case 'B': phrase = &theme_b; break;
        case 'b': phrase = &close_b; break;
        default: break;
        }
        if (!phrase) continue;
        for (const SynthNote &n : phrase->notes) {
            const int pitch = scale_pitch(m, melody_base, n.pitch);
            p->lead.notes.push_back({at + n.beat, n.beats * 0.92, pitch, n.velocity});
            if (second_theme) p->lead_double.notes.push_back({at + n.beat, n.beats * 0.92, pitch + 12, n.velocity});
        }
    }
}

void add_into(SynthBuffer *to, const SynthBuffer &from) {
    for (size_t i = 0; i < to->left.size(); ++i) {
        to->left[i] += from.left[i];
        to->right[i] += from.right[i];
    }
}

void render_music(const MusicStyle &m, uint64_t seed, SynthBuffer *out) {
    const int frames_per_beat = static_cast<int>(std::lround(SYNTH_RATE * 60.0 / m.bpm));
    const double seconds_per_beat = static_cast<double>(frames_per_beat) / SYNTH_RATE;
    const size_t frames = static_cast<size_t>(frames_per_beat) * 16 * std::strlen(m.plan);
    MusicParts parts;
    compose(m, seed, &parts);

    // Two stems: the wet one (pads, arpeggios, lead) through echo and a large room, the dry one
    // (bass and drums) through a small one.
    SynthBuffer wet, dry;
    synth_buffer_init(&wet, frames, true);
    synth_buffer_init(&dry, frames, true);
    uint64_t s = seed;
    for (SynthPart *part : {&parts.pad, &parts.arp_left, &parts.arp_right, &parts.lead, &parts.lead_double})
        synth_sequence(&wet, *part, seconds_per_beat, ++s * 0x9E3779B97F4A7C15ull);
    for (SynthPart *part : {&parts.bass, &parts.kick, &parts.snare, &parts.hat, &parts.timpani})
        synth_sequence(&dry, *part, seconds_per_beat, ++s * 0x9E3779B97F4A7C15ull);
    const bool driving = m.mood == MOOD_DRIVING;
    synth_echo(&wet, seconds_per_beat * 0.75, driving ? 0.25 : 0.4, driving ? 0.18 : 0.3);
    synth_reverb(&wet, driving ? 0.55 : 0.88, 0.4, driving ? 0.3 : 0.6);
    synth_reverb(&dry, 0.3, 0.5, driving ? 0.15 : 0.25);
    add_into(&dry, wet);
    *out = std::move(dry);
}

void level(SynthBuffer *buf, double rms_target, float peak_ceiling) {
    const double rms = synth_rms(buf);
    if (rms <= 0) return;
    float gain = static_cast<float>(rms_target / rms);
    const float peak = synth_peak(buf) * gain;
    if (peak > peak_ceiling) gain *= peak_ceiling / peak;
    for (size_t i = 0; i < buf->left.size(); ++i) {
        buf->left[i] *= gain;
        buf->right[i] *= gain;
    }
}

uint64_t sound_seed(uint32_t seed, int id) {
    return (static_cast<uint64_t>(seed) << 32 | static_cast<uint32_t>(id)) * 0xD1B54A32D192ED03ull + 0x5851F42D4C957F2Dull;
}

bool write_file(const std::filesystem::path &path, const std::vector<uint8_t> &bytes) {
    const std::filesystem::path temp = path.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) return false;
    }
    std::error_code error;
    std::filesystem::rename(temp, path, error);
    return !error;
}

}  // namespace

const char *sound_family_role(int id) {
    for (const EffectRecipe &e : EFFECTS)
        if (e.id == id) return e.role;
    for (const MusicStyle &m : MUSIC)
        if (m.id == id) return m.role;
    return nullptr;
}

Result sound_family_render(int id, uint32_t seed, std::vector<uint8_t> *ogg) {
    SynthBuffer buf;
    const uint64_t s = sound_seed(seed, id);
    float quality = EFFECT_QUALITY;
    bool found = false;
    for (const EffectRecipe &e : EFFECTS) {
        if (e.id != id) continue;
        synth_buffer_init(&buf, synth_seconds_to_frames(e.seconds), false);
        e.render(&buf, s);
        synth_fade(&buf, 0.001, std::min(0.03, e.seconds * 0.2));
        level(&buf, EFFECT_RMS * e.loudness, EFFECT_PEAK);
        found = true;
    }
    for (const MusicStyle &m : MUSIC) {
        if (m.id != id) continue;
        render_music(m, s, &buf);
        level(&buf, MUSIC_RMS, MUSIC_PEAK);
        quality = MUSIC_QUALITY;
        found = true;
    }
    if (!found) return RES_OUT_OF_RANGE;
    return synth_encode_ogg(&buf, quality, static_cast<int>(s & 0x7FFFFFFF), ogg);
}

void sound_family_list_paths(std::vector<std::string> *out) {
    char name[32];
    for (int id = 0; id < SOUND_FAMILY_COUNT; ++id) {
        std::snprintf(name, sizeof name, "sound/%.3i.ogg", id);
        out->push_back(name);
    }
}

int sound_family_generate(const std::string &root, uint32_t seed) {
    const std::filesystem::path folder = std::filesystem::path(root) / "sound";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "sounds: cannot create %s: %s\n", folder.c_str(), error.message().c_str());
        return 1;
    }
    // Longest first, so the music tracks do not all end up on the last thread.
    std::vector<int> order;
    for (const MusicStyle &m : MUSIC) order.push_back(m.id);
    for (const EffectRecipe &e : EFFECTS) order.push_back(e.id);

    std::atomic<size_t> next{0};
    std::atomic<int> failures{0};
    std::mutex report;
    auto worker = [&]() {
        for (size_t k = next.fetch_add(1); k < order.size(); k = next.fetch_add(1)) {
            const int id = order[k];
            std::vector<uint8_t> ogg;
            char name[32];
            std::snprintf(name, sizeof name, "%.3i.ogg", id);
            const Result r = sound_family_render(id, seed, &ogg);
            if (r != RES_OK || !write_file(folder / name, ogg)) {
                std::lock_guard<std::mutex> lock(report);
                std::fprintf(stderr, "sounds: cannot make sound/%s (%d)\n", name, static_cast<int>(r));
                failures.fetch_add(1);
            }
        }
    };
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back(worker);
    for (std::thread &t : pool) t.join();
    return failures.load() == 0 ? 0 : 1;
}

AssetFamily sound_family() {
    return {.name = "sounds", .generate = sound_family_generate, .list_paths = sound_family_list_paths};
}
