#pragma once
// Synth: the small synthesiser behind the game's sound effects and music, and its Ogg Vorbis encoder.
//  - Everything renders into a SynthBuffer: two float channels at 44,100 Hz, nominal range -1..1.
//  - A voice is one note of one instrument: oscillators (sine, triangle, saw, square, phase-modulated
//    sine), white noise, an amplitude envelope, pitch and filter glides, vibrato, tremolo, drive.
//  - The sequencer plays a part (an instrument and its notes on a beat grid) into a buffer. A looping
//    buffer wraps whatever runs past its end onto its start, and the echo and reverb warm up on the
//    loop's tail first, so the last sample flows into the first without a seam.
//  - Output is a pure function of the inputs and the seeds given; nothing here keeps global state.
//  - Not thread-safe per buffer; distinct buffers may be rendered on distinct threads.
#include <cstddef>
#include <cstdint>
#include <vector>
#include "platform/result.h"

constexpr int SYNTH_RATE = 44100;

struct SynthBuffer {
    std::vector<float> left, right;
    bool loop = false;               // rendering past the end wraps to the start
};

enum SynthWave : int { SYNTH_SINE, SYNTH_TRIANGLE, SYNTH_SAW, SYNTH_SQUARE, SYNTH_NOISE };
enum SynthFilterMode : int { SYNTH_FILTER_NONE, SYNTH_FILTER_LOW, SYNTH_FILTER_BAND, SYNTH_FILTER_HIGH };

// One instrument sound. Times are seconds; glides and decays are exponential with the given time constant.
struct SynthVoice {
    SynthWave wave       = SYNTH_SINE;
    double freq          = 440.0;
    double freq_end      = 0.0;      // 0: no pitch glide
    double glide         = 0.1;
    double vibrato_rate  = 0.0;      // Hz
    double vibrato_depth = 0.0;      // fraction of the frequency
    int    unison        = 1;        // detuned copies, spread across the stereo field
    double detune_cents  = 0.0;
    double spread        = 0.0;      // 0..1 of the stereo width for the unison copies
    double fm_ratio      = 0.0;      // sine carrier only: modulator frequency / carrier frequency
    double fm_index      = 0.0;
    double fm_decay      = 0.0;      // 0: constant index
    double noise         = 0.0;      // 0..1 of white noise mixed under the oscillator
    SynthFilterMode filter = SYNTH_FILTER_NONE;
    double cutoff        = 20000.0;
    double cutoff_end    = 0.0;      // 0: no filter glide
    double cutoff_glide  = 0.1;
    double resonance     = 0.707;    // filter Q
    double attack        = 0.005;
    double decay         = 0.2;
    double sustain       = 1.0;
    double release       = 0.1;
    double am_rate       = 0.0;      // tremolo
    double am_depth      = 0.0;
    double drive         = 0.0;      // tanh saturation; 0 is clean
    double gain          = 0.5;
    double pan           = 0.0;      // -1 left .. 1 right
};

// A note on the beat grid. A negative pitch keeps the voice's own frequency (drums).
struct SynthNote {
    double beat;
    double beats;
    int    pitch;                    // MIDI note number, 69 = 440 Hz
    float  velocity;
};

struct SynthPart {
    SynthVoice voice;
    std::vector<SynthNote> notes;
    double swing_jitter = 0.0;       // seconds of seeded timing spread, for a played feel
};

// A small seeded generator (splitmix64), one per renderer.
struct SynthRandom { uint64_t state; };
uint32_t synth_random_u32(SynthRandom *rng);
double   synth_random_unit(SynthRandom *rng);              // 0 <= x < 1
int      synth_random_below(SynthRandom *rng, int n);      // 0..n-1

double synth_note_hz(double midi_note);
size_t synth_seconds_to_frames(double seconds);
void   synth_buffer_init(SynthBuffer *buf, size_t frames, bool loop);
size_t synth_buffer_frames(const SynthBuffer *buf);

// Adds one voice held for `hold` seconds from `start`, plus its release tail.
void synth_play(SynthBuffer *buf, const SynthVoice &voice, double start, double hold, uint64_t seed);
// Plays every note of a part on a grid of `seconds_per_beat`.
void synth_sequence(SynthBuffer *buf, const SynthPart &part, double seconds_per_beat, uint64_t seed);

void  synth_echo(SynthBuffer *buf, double delay, double feedback, double mix);   // ping-pong between sides
void  synth_reverb(SynthBuffer *buf, double room, double damping, double mix);
void  synth_fade(SynthBuffer *buf, double fade_in, double fade_out);
float synth_peak(const SynthBuffer *buf);
double synth_rms(const SynthBuffer *buf);
void  synth_normalize(SynthBuffer *buf, float peak);

// Encodes the buffer as 44,100 Hz stereo Ogg Vorbis (VBR, quality -0.1..1) into `out`.
// RES_OK, or RES_WRITE_FAILED when the encoder refuses its set-up.
Result synth_encode_ogg(const SynthBuffer *buf, float quality, int serial, std::vector<uint8_t> *out);
