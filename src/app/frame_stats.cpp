// Frame statistics: per-mode histograms of the game thread's frame work.
#include "app/frame_stats.h"

#include <SDL.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include "game/game_loop.h"
#include "platform/files.h"
#include "platform/log.h"

namespace {

using Clock = std::chrono::steady_clock;

bool mode_in_range(int32_t mode) { return mode >= 0 && mode < APP_MODE_COUNT; }

// The program's statistics while they are on, and the frame being timed.
struct Recorder {
    FrameStats        stats;
    std::string       path;
    LoopClock         clock{};
    Clock::time_point frame_start;
    int32_t           frame_mode = -1;
};
std::unique_ptr<Recorder> g_recorder;

void begin_frame(Recorder *r) {
    r->frame_start = Clock::now();
    r->frame_mode = app_mode_current_id();
}

void end_frame(Recorder *r) {
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - r->frame_start).count();
    frame_stats_record(&r->stats, r->frame_mode, ms);
}

uint32_t recorder_ticks(void *) { return SDL_GetTicks(); }

// The loop sleeps once per frame, between one frame's work and the next.
void recorder_sleep(void *context, uint32_t ms) {
    Recorder *r = static_cast<Recorder *>(context);
    end_frame(r);
    SDL_Delay(ms);
    begin_frame(r);
}

}  // namespace

void frame_stats_record(FrameStats *stats, int32_t mode, double ms) {
    if (!mode_in_range(mode)) return;
    ms = std::max(ms, 0.0);
    const double scaled = std::floor(ms * FRAME_STATS_BUCKETS_PER_MS);
    const int32_t bucket = scaled >= FRAME_STATS_BUCKETS - 1 ? FRAME_STATS_BUCKETS - 1 : int32_t(scaled);
    ++stats->buckets[mode][bucket];
    ++stats->frames[mode];
    stats->longest_ms[mode] = std::max(stats->longest_ms[mode], ms);
}

double frame_stats_percentile(const FrameStats *stats, int32_t mode, double percent) {
    if (!mode_in_range(mode) || stats->frames[mode] == 0) return 0;
    const uint64_t frames = stats->frames[mode];
    const double wanted = std::ceil(std::clamp(percent, 0.0, 100.0) / 100.0 * double(frames));
    const uint64_t rank = std::clamp<uint64_t>(uint64_t(wanted), 1, frames);
    uint64_t seen = 0;
    for (int32_t bucket = 0; bucket < FRAME_STATS_BUCKETS - 1; ++bucket) {
        seen += stats->buckets[mode][bucket];
        if (seen >= rank)
            return std::min(double(bucket + 1) / FRAME_STATS_BUCKETS_PER_MS, stats->longest_ms[mode]);
    }
    return stats->longest_ms[mode];   // the rank lies among the frames beyond the last edge
}

std::string frame_stats_text(const FrameStats *stats) {
    std::string text;
    for (int32_t mode = 0; mode < APP_MODE_COUNT; ++mode) {
        if (stats->frames[mode] == 0) continue;
        char line[160];
        std::snprintf(line, sizeof line, "mode %d frames %llu p50_ms %.2f p99_ms %.2f max_ms %.2f\n", int(mode),
                      static_cast<unsigned long long>(stats->frames[mode]), frame_stats_percentile(stats, mode, 50),
                      frame_stats_percentile(stats, mode, 99), stats->longest_ms[mode]);
        text += line;
    }
    return text;
}

Result frame_stats_write(const FrameStats *stats, const char *path) {
    const std::string text = frame_stats_text(stats);
    return write_file_bytes(path, text.data(), text.size());
}

const LoopClock *frame_stats_start() {
    const char *path = std::getenv(FRAME_STATS_ENVIRONMENT);
    if (!path || !*path) return nullptr;
    std::unique_ptr<Recorder> r(new (std::nothrow) Recorder);
    if (!r) {
        log_write(LOG_NONE, LOG_WARN, "No memory for frame statistics, none are kept");
        return nullptr;
    }
    r->path = path;
    r->clock = LoopClock{recorder_ticks, recorder_sleep, r.get()};
    begin_frame(r.get());
    log_write(LOG_NONE, LOG_INFO, "Frame statistics go to %s at shut-down", path);
    g_recorder = std::move(r);
    return &g_recorder->clock;
}

void frame_stats_finish() {
    if (!g_recorder) return;
    end_frame(g_recorder.get());
    if (Result r = frame_stats_write(&g_recorder->stats, g_recorder->path.c_str()); r != RES_OK)
        log_write(LOG_NONE, LOG_ERROR, "Failed to write frame statistics to %s (%i)", g_recorder->path.c_str(), int(r));
    g_recorder.reset();
}
