// Frame statistics: the percentiles a histogram gives, the file's lines, and the program writing them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>
#include "app/frame_stats.h"
#include "support/run_program.h"
#include "test_support.h"

namespace {

// One line of the file, "mode M frames N p50_ms A.BC p99_ms D.EF max_ms G.HI": the mode one digit
// 0-4, the count digits only, every time digits with exactly two decimals.
struct StatsLine {
    int mode = -1;
    unsigned long long frames = 0;
    double p50 = 0, p99 = 0, max = 0;
};

bool all_digits(const std::string &s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

bool two_decimals(const std::string &s, double *out) {
    const size_t dot = s.find('.');
    if (dot == std::string::npos || !all_digits(s.substr(0, dot)) || s.size() - dot != 3 ||
        !all_digits(s.substr(dot + 1)))
        return false;
    *out = std::stod(s);
    return true;
}

bool parse_stats_line(const std::string &line, StatsLine *out) {
    std::istringstream words(line);
    std::string w[10], extra;
    for (std::string &word : w)
        if (!(words >> word)) return false;
    if (words >> extra) return false;
    const char *keys[] = {"mode", "frames", "p50_ms", "p99_ms", "max_ms"};
    for (int k = 0; k < 5; ++k)
        if (w[2 * k] != keys[k]) return false;
    if (w[1].size() != 1 || w[1][0] < '0' || w[1][0] > '4' || !all_digits(w[3])) return false;
    out->mode = w[1][0] - '0';
    out->frames = std::stoull(w[3]);
    // The words were split on any white space: the line itself has single spaces only.
    std::string joined = w[0];
    for (int k = 1; k < 10; ++k) joined += " " + w[k];
    return joined == line && two_decimals(w[5], &out->p50) && two_decimals(w[7], &out->p99) &&
           two_decimals(w[9], &out->max);
}

TEST(FrameStatistics, TheLineReaderTakesOnlyTheFileForm) {
    StatsLine l;
    ASSERT_TRUE(parse_stats_line("mode 2 frames 40 p50_ms 16.60 p99_ms 17.00 max_ms 31.25", &l));
    EXPECT_EQ(l.mode, 2);
    EXPECT_EQ(l.frames, 40u);
    EXPECT_DOUBLE_EQ(l.max, 31.25);
    for (const char *bad : {"mode 5 frames 40 p50_ms 16.60 p99_ms 17.00 max_ms 31.25",
                            "mode 2 frames 40 p50_ms 16.6 p99_ms 17.00 max_ms 31.25",
                            "mode 2 frames -4 p50_ms 16.60 p99_ms 17.00 max_ms 31.25",
                            "mode 2  frames 40 p50_ms 16.60 p99_ms 17.00 max_ms 31.25",
                            "mode 2 frames 40 p50_ms 16.60 p99_ms 17.00 max_ms 31.25 more",
                            "mode 2 frames 40 p50_ms .60 p99_ms 17.00 max_ms 31.25"})
        EXPECT_FALSE(parse_stats_line(bad, &l)) << bad;
}

std::unique_ptr<FrameStats> empty_stats() { return std::make_unique<FrameStats>(); }

void record_many(FrameStats *stats, int32_t mode, int count, double ms) {
    for (int i = 0; i < count; ++i) frame_stats_record(stats, mode, ms);
}

// A figure from the histogram is never below the true nearest-rank one and at most one bucket above.
void expect_percentile(const FrameStats *stats, int32_t mode, double percent, double truth) {
    const double figure = frame_stats_percentile(stats, mode, percent);
    EXPECT_GE(figure, truth - 1e-9) << "p" << percent << " of mode " << mode;
    EXPECT_LE(figure, truth + 0.1 + 1e-9) << "p" << percent << " of mode " << mode;
}

TEST(FrameStatistics, PercentilesAreNearestRankToOneBucketAndTheLongestFrameIsExact) {
    auto stats = empty_stats();
    for (int ms = 1; ms <= 100; ++ms) frame_stats_record(stats.get(), APP_MODE_GALAXY, ms + 0.25);
    expect_percentile(stats.get(), APP_MODE_GALAXY, 50, 50.25);
    expect_percentile(stats.get(), APP_MODE_GALAXY, 99, 99.25);
    expect_percentile(stats.get(), APP_MODE_GALAXY, 100, 100.25);
    EXPECT_DOUBLE_EQ(frame_stats_percentile(stats.get(), APP_MODE_GALAXY, 100), 100.25) << "capped by the longest";

    // One slow frame in a hundred is beyond p99; two are not.
    auto spikes = empty_stats();
    record_many(spikes.get(), APP_MODE_ENCOUNTER, 99, 2.0);
    frame_stats_record(spikes.get(), APP_MODE_ENCOUNTER, 30.0);
    expect_percentile(spikes.get(), APP_MODE_ENCOUNTER, 99, 2.0);
    auto two = empty_stats();
    record_many(two.get(), APP_MODE_ENCOUNTER, 98, 2.0);
    record_many(two.get(), APP_MODE_ENCOUNTER, 2, 30.0);
    expect_percentile(two.get(), APP_MODE_ENCOUNTER, 99, 30.0);
    expect_percentile(two.get(), APP_MODE_ENCOUNTER, 50, 2.0);

    // A single frame is every percentile; frames past the last bucket keep their own time.
    auto one = empty_stats();
    frame_stats_record(one.get(), APP_MODE_TITLE, 3.04);
    EXPECT_DOUBLE_EQ(frame_stats_percentile(one.get(), APP_MODE_TITLE, 50), 3.04);
    EXPECT_DOUBLE_EQ(frame_stats_percentile(one.get(), APP_MODE_TITLE, 99), 3.04);
    auto slow = empty_stats();
    record_many(slow.get(), APP_MODE_LOADING, 10, 1.0);
    frame_stats_record(slow.get(), APP_MODE_LOADING, 2500.0);
    frame_stats_record(slow.get(), APP_MODE_LOADING, 4000.0);
    EXPECT_DOUBLE_EQ(frame_stats_percentile(slow.get(), APP_MODE_LOADING, 99), 4000.0);
    EXPECT_DOUBLE_EQ(slow->longest_ms[APP_MODE_LOADING], 4000.0);

    // Bucket edges: 0.1 ms exactly is not in the first bucket, a negative time is 0.
    auto edges = empty_stats();
    frame_stats_record(edges.get(), APP_MODE_TITLE, -5.0);
    frame_stats_record(edges.get(), APP_MODE_TITLE, 0.1);
    EXPECT_EQ(edges->buckets[APP_MODE_TITLE][0], 1u);
    EXPECT_EQ(edges->buckets[APP_MODE_TITLE][1], 1u);
    expect_percentile(edges.get(), APP_MODE_TITLE, 50, 0.0);
}

TEST(FrameStatistics, ModesAreKeptApartAndNoModeIsNotCounted) {
    auto stats = empty_stats();
    record_many(stats.get(), APP_MODE_TITLE, 10, 1.0);
    record_many(stats.get(), APP_MODE_GALAXY, 10, 12.0);
    frame_stats_record(stats.get(), -1, 500.0);              // before the first mode
    frame_stats_record(stats.get(), APP_MODE_COUNT, 500.0);
    EXPECT_EQ(stats->frames[APP_MODE_TITLE], 10u);
    EXPECT_EQ(stats->frames[APP_MODE_GALAXY], 10u);
    EXPECT_DOUBLE_EQ(stats->longest_ms[APP_MODE_TITLE], 1.0);
    expect_percentile(stats.get(), APP_MODE_TITLE, 99, 1.0);
    expect_percentile(stats.get(), APP_MODE_GALAXY, 50, 12.0);
    EXPECT_EQ(frame_stats_percentile(stats.get(), APP_MODE_ENCOUNTER, 99), 0.0) << "no frames";
}

TEST(FrameStatistics, FileHasOneLinePerModeThatRanInModeOrder) {
    auto stats = empty_stats();
    record_many(stats.get(), APP_MODE_GALAXY, 3, 12.5);
    frame_stats_record(stats.get(), APP_MODE_GALAXY, 18.34);
    record_many(stats.get(), APP_MODE_LOADING, 2, 0.5);
    EXPECT_EQ(frame_stats_text(stats.get()),
              "mode 1 frames 2 p50_ms 0.50 p99_ms 0.50 max_ms 0.50\n"
              "mode 3 frames 4 p50_ms 12.60 p99_ms 18.34 max_ms 18.34\n");
    EXPECT_EQ(frame_stats_text(empty_stats().get()), "");

    const std::string dir = fresh_test_dir("app");
    const std::string path = dir + "/frames.txt";
    ASSERT_EQ(frame_stats_write(stats.get(), path.c_str()), RES_OK);
    EXPECT_EQ(read_text_file(path), frame_stats_text(stats.get()));
    EXPECT_NE(frame_stats_write(stats.get(), (dir + "/no/such/folder/frames.txt").c_str()), RES_OK);
}

// The real program, asked for its frame times, writes one line per mode it showed when it ends.
TEST(FrameStatistics, ProgramWritesItsModesFramesAtShutDownOnlyWhenAsked) {
    const std::string store = ASTROVANE_BINARY_DIR "/store.dat";
    ASSERT_TRUE(file_exists(store)) << "the build makes " << store;
    const std::string dir = fresh_test_dir("app");
    const std::string stats_path = dir + "/frames.txt";
    ProgramOptions options;
    options.directory = dir;
    options.environment = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy", "XDG_DATA_HOME=" + dir + "/save",
                           "ASTROVANE_LOG_LEVEL=6", std::string(FRAME_STATS_ENVIRONMENT) + "=" + stats_path};
    // Ended 2.5 s after its first mode switch, however slowly it starts.
    options.signal_after_log_path = dir + "/run.log";
    options.signal_after_log_text = "Application mode is now";
    options.signal_after_ms = 2500;
    const std::vector<std::string> args{"--store-path", store, "--log-path", "run.log"};
    const ProgramRun run = run_program(ASTROVANE_BINARY_DIR "/astrovane", args, options);
    ASSERT_EQ(run.status, 0) << run.err;

    std::istringstream lines(read_text_file(stats_path));
    std::string line;
    int previous_mode = -1;
    bool loading_seen = false;
    while (std::getline(lines, line)) {
        StatsLine m;
        ASSERT_TRUE(parse_stats_line(line, &m)) << line;
        const int mode = m.mode;
        EXPECT_GT(mode, previous_mode) << "one line per mode, in order";
        previous_mode = mode;
        EXPECT_GT(m.frames, 0u) << line;
        EXPECT_LE(m.p50, m.p99) << line;
        EXPECT_LE(m.p99, m.max) << line;
        loading_seen = loading_seen || mode == APP_MODE_LOADING;
    }
    EXPECT_TRUE(loading_seen) << "the program starts in the loading mode";

    options.environment.pop_back();
    std::filesystem::remove(stats_path);
    std::filesystem::remove(dir + "/run.log");
    const ProgramRun quiet = run_program(ASTROVANE_BINARY_DIR "/astrovane", args, options);
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_FALSE(file_exists(stats_path)) << "off unless asked";
}

}  // namespace
