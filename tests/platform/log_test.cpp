// Logger: filtering by category and level, the line format, and the create-new log file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/log.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

// "[dd/Mon/yyyy hh:mm:ss.000 +0000] " opens every line: '#' a digit, "Mon" one of the months,
// everything else itself. The length of the stamp that opens the line, 0 without one. (Matched by
// hand: gcc 12 warns inside <regex> when the sanitizers are on.)
size_t stamp_length(const std::string &line) {
    static const std::string SHAPE = "[##/Mon/#### ##:##:##.000 +0000] ";
    static const char *const MONTHS[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (line.size() < SHAPE.size()) return 0;
    const size_t month_at = SHAPE.find("Mon");
    bool month = false;
    for (const char *m : MONTHS) month = month || line.compare(month_at, 3, m) == 0;
    if (!month) return 0;
    for (size_t i = 0; i < SHAPE.size(); ++i) {
        if (i >= month_at && i < month_at + 3) continue;
        const bool ok = SHAPE[i] == '#' ? (line[i] >= '0' && line[i] <= '9') : line[i] == SHAPE[i];
        if (!ok) return 0;
    }
    return SHAPE.size();
}

std::string read_file(const fs::path &path) {
    const std::vector<uint8_t> bytes = read_whole(path.string());
    return std::string(bytes.begin(), bytes.end());
}

using Lines = std::vector<std::string>;

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fresh_test_dir("log");
        log_path = dir / "game.log";
        logger = logger_get();
        ASSERT_NE(logger, nullptr);
    }
    void TearDown() override { logger_destroy(); }

    void open_log() { ASSERT_EQ(log_open_file(logger, log_path.c_str()), RES_OK); }

    // The logged lines, each checked to open with a time stamp and end in CR LF, without them.
    Lines logged() {
        Lines out;
        const std::string text = read_file(log_path);
        for (size_t start = 0, end; start < text.size(); start = end + 2) {
            end = text.find("\r\n", start);
            if (end == std::string::npos) {
                out.push_back(text.substr(start) + "<no CR LF>");
                break;
            }
            const std::string line = text.substr(start, end - start);
            const size_t stamp = stamp_length(line);
            out.push_back(stamp > 0 ? line.substr(stamp) : "<bad stamp> " + line);
        }
        return out;
    }

    fs::path dir;
    fs::path log_path;
    Logger *logger = nullptr;
};

// --- the line ------------------------------------------------------------------------------

class LogLineFormat : public LogTest {};

TEST_F(LogLineFormat, StampFieldsArePaddedAndEndInZeroMillisecondsAndOffset) {
    struct tm when = {};
    when.tm_mday = 9;
    when.tm_mon = 11;
    when.tm_year = 2012 - 1900;
    when.tm_hour = 14;
    when.tm_min = 3;
    when.tm_sec = 7;
    EXPECT_EQ(log_format_stamp(when), "[09/Dec/2012 14:03:07.000 +0000] ");
    when.tm_mon = 0;
    when.tm_year = 987 - 1900;
    when.tm_mday = 1;
    when.tm_hour = when.tm_min = when.tm_sec = 0;
    EXPECT_EQ(log_format_stamp(when), "[01/Jan/0987 00:00:00.000 +0000] ");
}

// The stamp check the line tests read lines through takes every month and refuses anything else.
TEST_F(LogLineFormat, TheLineCheckTakesEveryStampTheLoggerWritesAndNothingElse) {
    struct tm when = {};
    when.tm_mday = 28;
    when.tm_year = 2031 - 1900;
    for (when.tm_mon = 0; when.tm_mon < 12; ++when.tm_mon) {
        const std::string stamp = log_format_stamp(when);
        EXPECT_EQ(stamp_length(stamp + "text"), stamp.size()) << stamp;
    }
    for (const char *bad : {"[28/Dez/2031 14:03:07.000 +0000] text", "[28/Dec/2031 14:03:07.001 +0000] text",
                            "[2a/Dec/2031 14:03:07.000 +0000] text", "[28/Dec/2031 14:03:07.000 +0100] text",
                            "[28/Dec/2031 14:03:07.000 +0000]text", " [28/Dec/2031 14:03:07.000 +0000] text",
                            "[28/Dec/2031 14:03"})
        EXPECT_EQ(stamp_length(bad), 0u) << bad;
}

TEST_F(LogLineFormat, EachCallAppendsOneLineTaggedWithItsLowestNamedCategoryBitAndItsLevel) {
    open_log();
    log_set_max_level(logger, LOG_DEBUG4);
    ASSERT_EQ(log_set_category_name(logger, 2048, nullptr), 1);
    const char *names[] = {"GAME", "GRAPHICS", "INPUT", "SPRITE", "STORE",
                           "SOUND", "AGENT", "CONTROL", "RES", "REFCOUNT"};
    Lines expected;
    for (int bit = 0; bit < 10; ++bit) {
        log_write(1 << bit, LOG_ERROR, "bit %d", bit);
        expected.push_back(std::string("[") + names[bit] + "] [ERROR] bit " + std::to_string(bit));
    }
    log_write(LOG_NONE, LOG_WARN, "no category");
    log_write(LOG_GAME | LOG_SOUND, LOG_ERROR, "both");
    log_write(LOG_SOUND | LOG_RES, LOG_ERROR, "%s", "sound first");
    log_write(1024, LOG_ERROR, "unnamed");
    log_write(2048, LOG_ERROR, "named empty");
    for (const char *line : {"[WARN] no category", "[GAME] [ERROR] both", "[SOUND] [ERROR] sound first",
                             "[ERROR] unnamed", "[] [ERROR] named empty"})
        expected.push_back(line);
    const char *levels[] = {"ERROR", "WARN", "NOTICE", "INFO", "DEBUG", "DEBUG1", "DEBUG2", "DEBUG3", "DEBUG4"};
    for (int level = 0; level <= 8; ++level) {
        log_write(LOG_NONE, level, "x");
        expected.push_back(std::string("[") + levels[level] + "] x");
    }
    EXPECT_EQ(logged(), expected);
}

TEST_F(LogLineFormat, LinesOfManyThreadsNeverInterleave) {
    open_log();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) log_write(LOG_AGENT, LOG_ERROR, "thread %d line %d", t, i);
        });
    for (auto &thread : threads) thread.join();
    Lines lines = logged();
    ASSERT_EQ(lines.size(), 800u);
    int next[4] = {};
    for (const auto &line : lines) {
        int t = -1, i = -1;
        char rest = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "[AGENT] [ERROR] thread %d line %d%c", &t, &i, &rest), 2) << line;
        ASSERT_TRUE(t >= 0 && t < 4) << line;
        EXPECT_EQ(i, next[t]++) << "lines of one thread stay in order";
    }
}

// --- filtering -----------------------------------------------------------------------------

class LogFiltering : public LogTest {};

TEST_F(LogFiltering, TheDefaultMaxLevelIsWarnAndACategoryPassesWhenAnyOfItsBitsIsOn) {
    open_log();
    log_write(LOG_GAME, LOG_NOTICE, "dropped");
    log_write(LOG_GAME, LOG_WARN, "kept");
    log_disable_categories(logger, LOG_STORE);
    log_write(LOG_STORE, LOG_ERROR, "dropped");
    log_write(LOG_NONE, LOG_ERROR, "no category skips the mask");
    log_disable_categories(logger, LOG_SOUND);
    log_write(LOG_GAME | LOG_SOUND, LOG_ERROR, "game still on");
    log_disable_categories(logger, LOG_GAME);
    log_write(LOG_GAME | LOG_SOUND, LOG_ERROR, "both off");
    log_write(LOG_GAME | LOG_RES, LOG_ERROR, "res on, tagged as game");
    EXPECT_EQ(logged(), (Lines{"[GAME] [WARN] kept", "[ERROR] no category skips the mask", "[GAME] [ERROR] game still on",
                               "[GAME] [ERROR] res on, tagged as game"}));
}

TEST_F(LogFiltering, StartUpConfigurationDropsWarnings) {
    log_disable_categories(logger, 0x28C);
    log_set_error_bypass(logger);
    log_set_error_only(logger);
    open_log();
    log_write(LOG_GAME, LOG_WARN, "dropped");
    log_write(LOG_INPUT, LOG_NOTICE, "dropped");
    log_write(LOG_INPUT, LOG_ERROR, "key map missing");
    log_write(LOG_GAME, LOG_ERROR, "kept");
    EXPECT_EQ(logged(), (Lines{"[INPUT] [ERROR] key map missing", "[GAME] [ERROR] kept"}));
    EXPECT_EQ(logger->category_mask, 0xFFFFFD73u);
}

TEST_F(LogFiltering, LevelOutsideTheTableHasNoTagAndNoLevelTest) {
    open_log();
    log_set_error_only(logger);
    log_write(LOG_GAME, 9, "nine");
    log_write(LOG_GAME, -5, "minus five");
    log_disable_categories(logger, LOG_GAME);
    log_write(LOG_GAME, 9, "dropped by the mask");
    log_write(LOG_GAME, -5, "dropped by the mask without the bypass");
    EXPECT_EQ(logged(), (Lines{"[GAME] nine", "[GAME] minus five"}));
}

TEST_F(LogFiltering, ErrorBypassPassesClearedCategoriesAndKeepsTheirTag) {
    open_log();
    log_disable_categories(logger, LOG_SPRITE);
    log_set_error_bypass(logger);
    log_write(LOG_SPRITE, LOG_ERROR, "missing frame");
    log_write(LOG_SPRITE, -5, "below error");
    log_write(LOG_SPRITE, LOG_WARN, "dropped: bypass is for errors only");
    EXPECT_EQ(logged(), (Lines{"[SPRITE] [ERROR] missing frame", "[SPRITE] below error"}));
}

TEST_F(LogFiltering, DisabledFilelessOrDestroyedLoggersWriteNothing) {
    log_write(LOG_GAME, LOG_ERROR, "passes every filter, but there is no path");
    EXPECT_EQ(logger->flags & LOG_FLAG_WRITE_FILE, 0u);
    EXPECT_TRUE(fs::is_empty(dir));
    open_log();
    const uint32_t flags = logger->flags;
    logger->flags = LOG_FLAG_ERROR_BYPASS;   // neither enabled nor writing
    log_write(LOG_GAME, LOG_ERROR, "dropped");
    logger->flags = flags;
    logger_destroy();
    log_write(LOG_GAME, LOG_ERROR, "after destroy");
    logger = logger_get();   // a fresh one, without the file
    log_write(LOG_GAME, LOG_ERROR, "new logger, no file");
    EXPECT_EQ(read_file(log_path), "");
}

// --- the log file --------------------------------------------------------------------------

class LogFile : public LogTest {};

TEST_F(LogFile, ExistingFileIsRefusedAndNeverWritten) {
    { std::ofstream(log_path, std::ios::binary) << "old run\n"; }
    EXPECT_EQ(log_open_file(logger, log_path.c_str()), RES_OPEN_FAILED);
    EXPECT_EQ(logger->flags & LOG_FLAG_WRITE_FILE, 0u);
    EXPECT_EQ(logger->path, "");
    log_write(LOG_NONE, LOG_NOTICE, "Begin operation");
    log_write(LOG_GAME, LOG_ERROR, "error");
    EXPECT_EQ(read_file(log_path), "old run\n");
}

TEST_F(LogFile, AFolderOfThatNameOrAnOverlongPathIsRefusedNotCut) {
    // A cut name would accept one file and then append to another.
    std::string path = dir.string() + "/";
    path += std::string(LOG_MAX_PATH + 1 - path.size(), 'a');
    ASSERT_EQ(path.size(), LOG_MAX_PATH + 1);
    EXPECT_EQ(log_open_file(logger, path.c_str()), RES_OPEN_FAILED);
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_EQ(logger->flags & LOG_FLAG_WRITE_FILE, 0u);
    fs::create_directory(log_path);
    EXPECT_EQ(log_open_file(logger, log_path.c_str()), RES_OPEN_FAILED);
    EXPECT_EQ(logger->flags & LOG_FLAG_WRITE_FILE, 0u);
}

// --- names and levels ----------------------------------------------------------------------

TEST(LogNames, CategoryNamesNeedExactlyOneFreeBitAndLevelNamesAreExact) {
    Logger *logger = log_create();
    ASSERT_NE(logger, nullptr);
    EXPECT_EQ(log_set_category_name(logger, 0, "NONE"), -1);
    EXPECT_EQ(log_set_category_name(logger, 0x3000, "TWO"), -1);
    EXPECT_EQ(log_set_category_name(logger, LOG_GAME, "OTHER"), -1);
    EXPECT_EQ(*logger->category_names[0], "GAME");
    EXPECT_EQ(log_set_category_name(logger, 0x1000, "NEW"), 1);
    EXPECT_EQ(*logger->category_names[12], "NEW");
    EXPECT_EQ(log_set_category_name(logger, 0x80000000u, nullptr), 1);
    EXPECT_EQ(*logger->category_names[31], "");
    EXPECT_EQ(log_set_category_name(logger, 0x80000000u, "LATE"), -1);
    log_free(logger);
    const std::pair<const char *, int> levels[] = {{"ERROR", 0}, {"WARN", 1},    {"NOTICE", 2}, {"DEBUG", 4},
                                                   {"DEBUG4", 8}, {"warn", 255}, {"WARNING", 255},
                                                   {"DEBUG5", 255}, {"", 255}};
    for (const auto &[name, level] : levels) EXPECT_EQ(log_level_from_name(name), level) << name;
    EXPECT_EQ(log_level_from_name(nullptr), 255);
}

}  // namespace
