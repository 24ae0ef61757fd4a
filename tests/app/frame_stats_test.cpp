// Frame statistics: the percentiles a histogram gives, the file's lines, and the program writing them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include "app/frame_stats.h"
#include "support/run_program.h"
#include "test_support.h"

namespace {

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
                           std::string(FRAME_STATS_ENVIRONMENT) + "=" + stats_path};
    options.signal_after_ms = 2500;
    const ProgramRun run = run_program(ASTROVANE_BINARY_DIR "/astrovane", {"--store-path", store}, options);
    ASSERT_EQ(run.status, 0) << run.err;

    const std::regex line_form(R"(mode ([0-4]) frames ([0-9]+) p50_ms ([0-9]+\.[0-9]{2}) p99_ms ([0-9]+\.[0-9]{2}) max_ms ([0-9]+\.[0-9]{2}))");
    std::istringstream lines(read_text_file(stats_path));
    std::string line;
    int previous_mode = -1;
    bool loading_seen = false;
    while (std::getline(lines, line)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, line_form)) << line;
        const int mode = std::stoi(m[1]);
        EXPECT_GT(mode, previous_mode) << "one line per mode, in order";
        previous_mode = mode;
        EXPECT_GT(std::stoull(m[2]), 0u) << line;
        EXPECT_LE(std::stod(m[3]), std::stod(m[4])) << line;
        EXPECT_LE(std::stod(m[4]), std::stod(m[5])) << line;
        loading_seen = loading_seen || mode == APP_MODE_LOADING;
    }
    EXPECT_TRUE(loading_seen) << "the program starts in the loading mode";

    options.environment.pop_back();
    std::filesystem::remove(stats_path);
    const ProgramRun quiet = run_program(ASTROVANE_BINARY_DIR "/astrovane", {"--store-path", store}, options);
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_FALSE(file_exists(stats_path)) << "off unless asked";
}

}  // namespace
