#pragma once
// Frame statistics: how long the game thread works in each frame, per application mode, for a
// developer's run. Off unless the environment names a file (ASTROVANE_FRAME_STATS=<file>); then the
// game loop runs over a clock that times every frame and the shut-down writes the file.
//  - A frame's work runs from the end of one pacing sleep to the start of the next: the input, the
//    mode's hooks, the controls, the draw into the queue and a mode switch. The sleep is not counted.
//    A frame that switches modes counts for the mode that began it; the frame that ends the loop
//    counts up to the shut-down.
//  - Each mode has a histogram of 0.1 ms buckets up to one second (the last bucket holds every longer
//    frame) and its longest frame, kept exactly. The histograms are allocated once, when the
//    statistics are switched on; recording a frame allocates nothing.
//  - Percentiles are nearest-rank: the frame of rank ceil(p / 100 x n) is reported as the upper edge
//    of its bucket, never above the longest frame. So a figure is never below the true one and at
//    most 0.1 ms above it (a frame beyond the last bucket is reported as the longest frame).
//  - The file has one line per mode that ran at least one frame, in mode order:
//    "mode <id> frames <n> p50_ms <x> p99_ms <y> max_ms <z>", the times with two decimals. It is
//    written to a temporary name and renamed, as every file the game writes.
//  - Game thread only.
#include <cstdint>
#include <string>
#include "platform/result.h"
#include "ui/app_mode.h"

struct LoopClock;

constexpr const char *FRAME_STATS_ENVIRONMENT = "ASTROVANE_FRAME_STATS";
constexpr int32_t FRAME_STATS_BUCKETS_PER_MS = 10;
constexpr int32_t FRAME_STATS_BUCKETS = 1000 * FRAME_STATS_BUCKETS_PER_MS;

struct FrameStats {
    uint32_t buckets[APP_MODE_COUNT][FRAME_STATS_BUCKETS] = {};
    uint64_t frames[APP_MODE_COUNT] = {};
    double   longest_ms[APP_MODE_COUNT] = {};
};

// A mode outside 0..4 (no mode yet) is not counted; a negative time counts as 0.
void   frame_stats_record(FrameStats *stats, int32_t mode, double ms);
// 0 for a mode without frames; percent in 0..100.
double frame_stats_percentile(const FrameStats *stats, int32_t mode, double percent);
std::string frame_stats_text(const FrameStats *stats);
Result frame_stats_write(const FrameStats *stats, const char *path);   // RES_OK, or the file's failure

// The program's statistics. frame_stats_start reads the environment and, with a file named, makes the
// histograms and returns the clock the game loop is to run over (SDL's ticks and sleep, timing each
// frame); null when the statistics are off. frame_stats_finish counts the frame in progress, writes
// the file (a failure is logged) and frees the histograms; nothing when off.
const LoopClock *frame_stats_start();
void             frame_stats_finish();
