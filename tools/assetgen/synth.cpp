// Synth: oscillators, noise, envelopes, filters, echo and reverb, a beat-grid sequencer and the Vorbis encoder.
#include "assetgen/synth.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vorbis/vorbisenc.h>

namespace {

constexpr double TWO_PI = 6.283185307179586;
constexpr double PI     = 3.141592653589793;

// Where frame `index` of a voice lands, or -1 when it falls outside a buffer that does not loop.
long synth_index(const SynthBuffer *buf, long index) {
    const long frames = static_cast<long>(buf->left.size());
    if (buf->loop) {
        long wrapped = index % frames;
        return wrapped < 0 ? wrapped + frames : wrapped;
    }
    return (index < 0 || index >= frames) ? -1 : index;
}

// Band-limited step correction for the saw and square (polyBLEP).
double synth_blep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

double synth_wave(SynthWave wave, double phase, double dt, SynthRandom *rng) {
    switch (wave) {
    case SYNTH_SINE:     return std::sin(TWO_PI * phase);
    case SYNTH_TRIANGLE: return 1.0 - 4.0 * std::fabs(phase - 0.5);
    case SYNTH_SAW:      return 2.0 * phase - 1.0 - synth_blep(phase, dt);
    case SYNTH_SQUARE: {
        double half = phase + 0.5;
        if (half >= 1.0) half -= 1.0;
        return (phase < 0.5 ? 1.0 : -1.0) + synth_blep(phase, dt) - synth_blep(half, dt);
    }
    case SYNTH_NOISE:    return synth_random_unit(rng) * 2.0 - 1.0;
    }
    return 0.0;
}

// A state-variable filter in its trapezoidal form: stable under fast cutoff sweeps.
struct SynthSvf {
    double a1 = 0, a2 = 0, a3 = 0, k = 1, ic1 = 0, ic2 = 0;
    void set(double cutoff, double q) {
        cutoff = std::clamp(cutoff, 20.0, SYNTH_RATE * 0.45);
        const double g = std::tan(PI * cutoff / SYNTH_RATE);
        k  = 1.0 / std::max(q, 0.05);
        a1 = 1.0 / (1.0 + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }
    double run(double x, SynthFilterMode mode) {
        const double v3 = x - ic2;
        const double v1 = a1 * ic1 + a2 * v3;
        const double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0 * v1 - ic1;
        ic2 = 2.0 * v2 - ic2;
        switch (mode) {
        case SYNTH_FILTER_LOW:  return v2;
        case SYNTH_FILTER_BAND: return v1;
        case SYNTH_FILTER_HIGH: return x - k * v1 - v2;
        case SYNTH_FILTER_NONE: break;
        }
        return x;
    }
};

struct SynthComb {
    std::vector<float> line;
    size_t pos = 0;
    float store = 0;
    float run(float in, float feedback, float damping) {
        const float out = line[pos];
        store = out * (1.0f - damping) + store * damping;
        line[pos] = in + store * feedback;
        if (++pos == line.size()) pos = 0;
        return out;
    }
};

struct SynthAllpass {
    std::vector<float> line;
    size_t pos = 0;
    float run(float in) {
        const float held = line[pos];
        line[pos] = in + held * 0.5f;
        if (++pos == line.size()) pos = 0;
        return held - in;
    }
};

// Runs a stateful stereo process over the buffer; a loop first runs it over its own tail so the state
// at the first frame is the state the last frame leaves.
template <typename Step>
void synth_process(SynthBuffer *buf, size_t warm_frames, Step step) {
    const size_t frames = buf->left.size();
    if (buf->loop && frames > 0) {
        const size_t warm = std::min(warm_frames, frames);
        for (size_t i = frames - warm; i < frames; ++i) {
            float l = buf->left[i], r = buf->right[i];
            step(&l, &r);
        }
    }
    for (size_t i = 0; i < frames; ++i) step(&buf->left[i], &buf->right[i]);
}

}  // namespace

uint32_t synth_random_u32(SynthRandom *rng) {
    uint64_t z = (rng->state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}

double synth_random_unit(SynthRandom *rng) { return synth_random_u32(rng) / 4294967296.0; }

int synth_random_below(SynthRandom *rng, int n) {
    return n <= 1 ? 0 : static_cast<int>(synth_random_unit(rng) * n);
}

double synth_note_hz(double midi_note) { return 440.0 * std::pow(2.0, (midi_note - 69.0) / 12.0); }

size_t synth_seconds_to_frames(double seconds) {
    return seconds <= 0 ? 0 : static_cast<size_t>(std::llround(seconds * SYNTH_RATE));
}

void synth_buffer_init(SynthBuffer *buf, size_t frames, bool loop) {
    buf->left.assign(frames, 0.0f);
    buf->right.assign(frames, 0.0f);
    buf->loop = loop;
}

size_t synth_buffer_frames(const SynthBuffer *buf) { return buf->left.size(); }

void synth_play(SynthBuffer *buf, const SynthVoice &v, double start, double hold, uint64_t seed) {
    if (buf->left.empty()) return;
    SynthRandom rng{seed};
    const int copies = std::clamp(v.unison, 1, 8);
    double phase[8], mod_phase[8], detune[8], gain_l[8], gain_r[8];
    const double norm = 1.0 / std::sqrt(static_cast<double>(copies));
    for (int j = 0; j < copies; ++j) {
        const double offset = copies > 1 ? 2.0 * j / (copies - 1) - 1.0 : 0.0;
        phase[j]     = copies > 1 ? synth_random_unit(&rng) : 0.0;
        mod_phase[j] = 0.0;
        detune[j]    = std::pow(2.0, offset * v.detune_cents / 1200.0);
        const double pan   = std::clamp(v.pan + offset * v.spread, -1.0, 1.0);
        const double angle = (pan + 1.0) * PI / 4.0;
        gain_l[j] = std::cos(angle) * norm * std::sqrt(2.0);
        gain_r[j] = std::sin(angle) * norm * std::sqrt(2.0);
    }
    const double centre_angle = (std::clamp(v.pan, -1.0, 1.0) + 1.0) * PI / 4.0;
    const double noise_l = std::cos(centre_angle) * std::sqrt(2.0), noise_r = std::sin(centre_angle) * std::sqrt(2.0);

    const double release = std::max(v.release, 0.001);
    const size_t count   = synth_seconds_to_frames(hold + release * 7.0);
    const long   first   = std::lround(start * SYNTH_RATE);

    // Exponential glides run as a deviation multiplied down once per frame.
    double freq_dev = v.freq_end > 0 ? v.freq - v.freq_end : 0.0;
    const double freq_base = v.freq_end > 0 ? v.freq_end : v.freq;
    const double freq_k = std::exp(-1.0 / (std::max(v.glide, 1e-4) * SYNTH_RATE));
    double cut_dev = v.cutoff_end > 0 ? v.cutoff - v.cutoff_end : 0.0;
    const double cut_base = v.cutoff_end > 0 ? v.cutoff_end : v.cutoff;
    const double cut_k = std::exp(-1.0 / (std::max(v.cutoff_glide, 1e-4) * SYNTH_RATE));
    double fm_level = v.fm_index;
    const double fm_k = v.fm_decay > 0 ? std::exp(-1.0 / (v.fm_decay * SYNTH_RATE)) : 1.0;
    double decay_level = 1.0;
    const double decay_k = std::exp(-1.0 / (std::max(v.decay, 1e-4) * SYNTH_RATE));
    const double release_k = std::exp(-1.0 / (release * SYNTH_RATE));
    const size_t attack_frames = synth_seconds_to_frames(v.attack);
    const size_t hold_frames   = synth_seconds_to_frames(hold);

    SynthSvf filter_l, filter_r;
    filter_l.set(cut_base + cut_dev, v.resonance);
    filter_r = filter_l;
    double env = 0.0, env_at_release = 0.0;

    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / SYNTH_RATE;
        double freq = freq_base + freq_dev;
        freq_dev *= freq_k;
        if (v.vibrato_depth > 0) freq *= 1.0 + v.vibrato_depth * std::sin(TWO_PI * v.vibrato_rate * t);

        double l = 0.0, r = 0.0;
        for (int j = 0; j < copies; ++j) {
            const double dt = std::min(freq * detune[j] / SYNTH_RATE, 0.49);
            double s;
            if (v.wave == SYNTH_SINE && v.fm_ratio > 0) {
                s = std::sin(TWO_PI * phase[j] + fm_level * std::sin(TWO_PI * mod_phase[j]));
                mod_phase[j] += dt * v.fm_ratio;
                mod_phase[j] -= std::floor(mod_phase[j]);
            } else {
                s = synth_wave(v.wave, phase[j], dt, &rng);
            }
            phase[j] += dt;
            if (phase[j] >= 1.0) phase[j] -= 1.0;
            l += s * gain_l[j];
            r += s * gain_r[j];
        }
        fm_level *= fm_k;
        if (v.noise > 0) {
            const double n = synth_random_unit(&rng) * 2.0 - 1.0;
            l = l * (1.0 - v.noise) + n * v.noise * noise_l;
            r = r * (1.0 - v.noise) + n * v.noise * noise_r;
        }
        if (v.filter != SYNTH_FILTER_NONE) {
            if (cut_dev != 0.0 && (i & 31) == 0) {
                filter_l.set(cut_base + cut_dev, v.resonance);
                filter_r.a1 = filter_l.a1; filter_r.a2 = filter_l.a2; filter_r.a3 = filter_l.a3; filter_r.k = filter_l.k;
            }
            cut_dev *= cut_k;
            l = filter_l.run(l, v.filter);
            r = filter_r.run(r, v.filter);
        }
        if (v.drive > 0) {
            const double d = 1.0 + v.drive;
            l = std::tanh(l * d) / std::tanh(d);
            r = std::tanh(r * d) / std::tanh(d);
        }

        if (i < hold_frames) {
            if (i < attack_frames) {
                env = static_cast<double>(i) / attack_frames;
            } else {
                env = v.sustain + (1.0 - v.sustain) * decay_level;
                decay_level *= decay_k;
            }
            env_at_release = env;
        } else {
            env_at_release *= release_k;
            env = env_at_release;
        }
        double amp = env * v.gain;
        if (v.am_depth > 0) amp *= 1.0 - v.am_depth * 0.5 * (1.0 - std::cos(TWO_PI * v.am_rate * t));

        const long at = synth_index(buf, first + static_cast<long>(i));
        if (at < 0) {
            if (!buf->loop && first + static_cast<long>(i) >= static_cast<long>(buf->left.size())) break;
            continue;
        }
        buf->left[at]  += static_cast<float>(l * amp);
        buf->right[at] += static_cast<float>(r * amp);
    }
}

void synth_sequence(SynthBuffer *buf, const SynthPart &part, double seconds_per_beat, uint64_t seed) {
    SynthRandom rng{seed};
    uint64_t note_seed = seed * 0x2545F4914F6CDD1Dull + 1;
    for (const SynthNote &note : part.notes) {
        SynthVoice voice = part.voice;
        if (note.pitch >= 0) {
            const double hz = synth_note_hz(note.pitch);
            if (voice.freq_end > 0) voice.freq_end *= hz / voice.freq;
            voice.freq = hz;
        }
        voice.gain *= note.velocity;
        double start = note.beat * seconds_per_beat;
        if (part.swing_jitter > 0) start += (synth_random_unit(&rng) * 2.0 - 1.0) * part.swing_jitter;
        synth_play(buf, voice, start, note.beats * seconds_per_beat, note_seed);
        note_seed = note_seed * 6364136223846793005ull + 1442695040888963407ull;
    }
}

void synth_echo(SynthBuffer *buf, double delay, double feedback, double mix) {
    const size_t length = std::max<size_t>(1, synth_seconds_to_frames(delay));
    std::vector<float> line_l(length, 0.0f), line_r(length, 0.0f);
    size_t pos = 0;
    const float fb = static_cast<float>(feedback), wet = static_cast<float>(mix);
    // Enough warm-up for the repeats to fall below -60 dB.
    const double repeats = feedback > 0.01 ? std::log(0.001) / std::log(feedback) : 1.0;
    synth_process(buf, static_cast<size_t>(repeats * length) + length, [&](float *l, float *r) {
        const float a = line_l[pos], b = line_r[pos];
        line_l[pos] = (*l + *r) * 0.5f + b * fb;
        line_r[pos] = a * fb;
        if (++pos == length) pos = 0;
        *l += wet * a;
        *r += wet * b;
    });
}

void synth_reverb(SynthBuffer *buf, double room, double damping, double mix) {
    static const int COMBS[6]     = {1116, 1188, 1277, 1356, 1422, 1491};
    static const int ALLPASSES[3] = {556, 441, 341};
    constexpr int SPREAD = 23;
    SynthComb combs[2][6];
    SynthAllpass passes[2][3];
    for (int side = 0; side < 2; ++side) {
        for (int c = 0; c < 6; ++c) combs[side][c].line.assign(COMBS[c] + side * SPREAD, 0.0f);
        for (int a = 0; a < 3; ++a) passes[side][a].line.assign(ALLPASSES[a] + side * SPREAD, 0.0f);
    }
    const float feedback = static_cast<float>(0.7 + 0.28 * std::clamp(room, 0.0, 1.0));
    const float damp = static_cast<float>(std::clamp(damping, 0.0, 1.0) * 0.4);
    const float wet = static_cast<float>(mix);
    synth_process(buf, synth_seconds_to_frames(6.0), [&](float *l, float *r) {
        const float in = (*l + *r) * 0.02f;
        float out[2];
        for (int side = 0; side < 2; ++side) {
            float sum = 0.0f;
            for (SynthComb &comb : combs[side]) sum += comb.run(in, feedback, damp);
            for (SynthAllpass &pass : passes[side]) sum = pass.run(sum);
            out[side] = sum;
        }
        *l += wet * out[0];
        *r += wet * out[1];
    });
}

void synth_fade(SynthBuffer *buf, double fade_in, double fade_out) {
    const size_t frames = buf->left.size();
    const size_t in = std::min(frames, synth_seconds_to_frames(fade_in));
    const size_t out = std::min(frames, synth_seconds_to_frames(fade_out));
    for (size_t i = 0; i < in; ++i) {
        const float g = static_cast<float>(i) / in;
        buf->left[i] *= g;
        buf->right[i] *= g;
    }
    for (size_t i = 0; i < out; ++i) {
        const float g = static_cast<float>(i) / out;
        buf->left[frames - 1 - i] *= g;
        buf->right[frames - 1 - i] *= g;
    }
}

float synth_peak(const SynthBuffer *buf) {
    float peak = 0.0f;
    for (size_t i = 0; i < buf->left.size(); ++i)
        peak = std::max({peak, std::fabs(buf->left[i]), std::fabs(buf->right[i])});
    return peak;
}

double synth_rms(const SynthBuffer *buf) {
    if (buf->left.empty()) return 0.0;
    double sum = 0.0;
    for (size_t i = 0; i < buf->left.size(); ++i)
        sum += static_cast<double>(buf->left[i]) * buf->left[i] + static_cast<double>(buf->right[i]) * buf->right[i];
    return std::sqrt(sum / (2.0 * buf->left.size()));
}

void synth_normalize(SynthBuffer *buf, float peak) {
    const float current = synth_peak(buf);
    if (current <= 0.0f) return;
    const float g = peak / current;
    for (size_t i = 0; i < buf->left.size(); ++i) {
        buf->left[i] *= g;
        buf->right[i] *= g;
    }
}

Result synth_encode_ogg(const SynthBuffer *buf, float quality, int serial, std::vector<uint8_t> *out) {
    out->clear();
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, SYNTH_RATE, quality) != 0) {
        vorbis_info_clear(&info);
        return RES_WRITE_FAILED;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);

    ogg_page page;
    auto append_page = [&]() {
        out->insert(out->end(), page.header, page.header + page.header_len);
        out->insert(out->end(), page.body, page.body + page.body_len);
    };
    ogg_packet header, header_comment, header_code;
    vorbis_analysis_headerout(&dsp, &comment, &header, &header_comment, &header_code);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &header_comment);
    ogg_stream_packetin(&stream, &header_code);
    while (ogg_stream_flush(&stream, &page) != 0) append_page();

    auto drain = [&]() {
        ogg_packet packet;
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) append_page();
            }
        }
    };
    const size_t frames = buf->left.size();
    constexpr size_t STEP = 4096;
    for (size_t done = 0; done < frames; done += STEP) {
        const size_t n = std::min(STEP, frames - done);
        float **in = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
        for (size_t i = 0; i < n; ++i) {
            in[0][i] = std::clamp(buf->left[done + i], -1.0f, 1.0f);
            in[1][i] = std::clamp(buf->right[done + i], -1.0f, 1.0f);
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(n));
        drain();
    }
    vorbis_analysis_wrote(&dsp, 0);
    drain();
    while (ogg_stream_flush(&stream, &page) != 0) append_page();

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return RES_OK;
}
