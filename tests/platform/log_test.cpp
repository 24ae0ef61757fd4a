// Logger: filtering by category and level, the line format, and the create-new log file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/log.h"

namespace {

namespace fs = std::filesystem;

// "[dd/Mon/yyyy hh:mm:ss.000 +0000] ": '9' stands for a digit, 'M' for the month name.
const std::string STAMP_SHAPE = "[99/M/9999 99:99:99.000 +0000] ";
const char *const MONTHS[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The length of the time stamp that opens the line, or 0 when it does not open with one.
size_t stamp_length(const std::string &line) {
    size_t at = 0;
    for (char shape : STAMP_SHAPE) {
        if (shape == 'M') {
            bool month = false;
            for (const char *name : MONTHS) month = month || line.compare(at, 3, name) == 0;
            if (!month) return 0;
            at += 3;
        } else if (at >= line.size() || (shape == '9' ? !std::isdigit(static_cast<unsigned char>(line[at]))
                                                      : line[at] != shape)) {
            return 0;
        } else {
            ++at;
        }
    }
    return at;
}

std::string read_file(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Splits at CR LF; a missing final terminator leaves a last piece that fails the line checks.
std::vector<std::string> split_lines(const std::string &text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no CR LF>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The text after the time stamp, or "<bad stamp>".
std::string after_stamp(const std::string &line) {
    size_t length = stamp_length(line);
    return length ? line.substr(length) : "<bad stamp>";
}

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::path(ASTROVANE_BINARY_DIR "/test-output/log") / info->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
        log_path = dir / "game.log";
        logger = logger_get();
        ASSERT_NE(logger, nullptr);
    }
    void TearDown() override { logger_destroy(); }

    void open_log() { ASSERT_EQ(log_open_file(logger, log_path.c_str()), RES_OK); }

    // The logged lines with their time stamps checked and removed.
    std::vector<std::string> logged() {
        std::vector<std::string> out;
        for (const auto &line : split_lines(read_file(log_path))) out.push_back(after_stamp(line));
        return out;
    }

    fs::path dir;
    fs::path log_path;
    Logger *logger = nullptr;
};

using Lines = std::vector<std::string>;

// --- the line ------------------------------------------------------------------------------

class LogLineFormat : public LogTest {};

TEST_F(LogLineFormat, StampCategoryLevelMessageAndCrLf) {
    open_log();
    log_write(LOG_GAME, LOG_ERROR, "ship #%llu lost %d crew", 42ull, 7);
    std::string text = read_file(log_path);
    size_t length = stamp_length(text);
    ASSERT_EQ(length, 33u) << text;
    EXPECT_EQ(text.substr(length), "[GAME] [ERROR] ship #42 lost 7 crew\r\n");
}

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

TEST_F(LogLineFormat, EachCallAppendsOneLineTaggedWithItsLowestNamedCategoryBit) {
    open_log();
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
    EXPECT_EQ(logged(), expected);
}

TEST_F(LogLineFormat, EveryLevelPrintsItsName) {
    open_log();
    log_set_max_level(logger, LOG_DEBUG4);
    const char *names[] = {"ERROR", "WARN", "NOTICE", "INFO", "DEBUG",
                           "DEBUG1", "DEBUG2", "DEBUG3", "DEBUG4"};
    Lines expected;
    for (int level = 0; level <= 8; ++level) {
        log_write(LOG_NONE, level, "x");
        expected.push_back(std::string("[") + names[level] + "] x");
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

TEST_F(LogFiltering, DefaultMaxLevelIsWarn) {
    open_log();
    log_write(LOG_GAME, LOG_NOTICE, "dropped");
    log_write(LOG_GAME, LOG_WARN, "kept");
    EXPECT_EQ(logged(), Lines{"[GAME] [WARN] kept"});
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

TEST_F(LogFiltering, ClearedCategoryIsDropped) {
    open_log();
    log_disable_categories(logger, LOG_STORE);
    log_write(LOG_STORE, LOG_ERROR, "dropped");
    log_write(LOG_NONE, LOG_ERROR, "no category skips the mask");
    EXPECT_EQ(logged(), Lines{"[ERROR] no category skips the mask"});
}

TEST_F(LogFiltering, SeveralBitsPassWhenAnyIsInTheMask) {
    open_log();
    log_disable_categories(logger, LOG_SOUND);
    log_write(LOG_GAME | LOG_SOUND, LOG_ERROR, "game still on");
    log_disable_categories(logger, LOG_GAME);
    log_write(LOG_GAME | LOG_SOUND, LOG_ERROR, "both off");
    log_write(LOG_GAME | LOG_RES, LOG_ERROR, "res on, tagged as game");
    EXPECT_EQ(logged(), (Lines{"[GAME] [ERROR] game still on", "[GAME] [ERROR] res on, tagged as game"}));
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

TEST_F(LogFiltering, DisabledLoggerWithoutFileDropsEverything) {
    open_log();
    logger->flags = LOG_FLAG_ERROR_BYPASS;   // neither enabled nor writing
    log_write(LOG_GAME, LOG_ERROR, "dropped");
    EXPECT_EQ(read_file(log_path), "");
}

TEST_F(LogFiltering, WithoutALogPathNothingIsWritten) {
    log_write(LOG_GAME, LOG_ERROR, "passes every filter");
    EXPECT_EQ(logger->flags & LOG_FLAG_WRITE_FILE, 0u);
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(LogFiltering, NoLoggerOrDestroyedLoggerIsANoOp) {
    open_log();
    logger_destroy();
    log_write(LOG_GAME, LOG_ERROR, "after destroy");
    EXPECT_EQ(read_file(log_path), "");
    logger = logger_get();   // a fresh one, without the file
    log_write(LOG_GAME, LOG_ERROR, "new logger, no file");
    EXPECT_EQ(read_file(log_path), "");
}

// --- the log file --------------------------------------------------------------------------

class LogFile : public LogTest {};

TEST_F(LogFile, NewFileIsCreatedEmptyAndAccepted) {
    open_log();
    EXPECT_TRUE(fs::exists(log_path));
    EXPECT_EQ(fs::file_size(log_path), 0u);
    EXPECT_EQ(logger->path, log_path.string());
    EXPECT_NE(logger->flags & LOG_FLAG_WRITE_FILE, 0u);
}

TEST_F(LogFile, ExistingFileIsRefusedAndNeverWritten) {
    { std::ofstream(log_path, std::ios::binary) << "old run\n"; }
    EXPECT_EQ(log_open_file(logger, log_path.c_str()), RES_OPEN_FAILED);
    EXPECT_EQ(logger->flags & LOG_FLAG_WRITE_FILE, 0u);
    EXPECT_EQ(logger->path, "");
    log_write(LOG_NONE, LOG_NOTICE, "Begin operation");
    log_write(LOG_GAME, LOG_ERROR, "error");
    EXPECT_EQ(read_file(log_path), "old run\n");
}

TEST_F(LogFile, DirectoryOfThatNameIsRefused) {
    fs::create_directory(log_path);
    EXPECT_EQ(log_open_file(logger, log_path.c_str()), RES_OPEN_FAILED);
    EXPECT_EQ(logger->flags & LOG_FLAG_WRITE_FILE, 0u);
}

TEST_F(LogFile, OverlongPathIsRefusedNotCut) {
    // A cut name would accept one file and then append to another.
    std::string path = dir.string() + "/";
    path += std::string(LOG_MAX_PATH + 1 - path.size(), 'a');
    ASSERT_EQ(path.size(), LOG_MAX_PATH + 1);
    EXPECT_EQ(log_open_file(logger, path.c_str()), RES_OPEN_FAILED);
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_EQ(logger->flags & LOG_FLAG_WRITE_FILE, 0u);
}

// --- names and levels ----------------------------------------------------------------------

class LogNames : public ::testing::Test {
protected:
    void SetUp() override { logger = log_create(); ASSERT_NE(logger, nullptr); }
    void TearDown() override { log_free(logger); }
    Logger *logger = nullptr;
};

TEST_F(LogNames, CategoryNameNeedsExactlyOneFreeBit) {
    EXPECT_EQ(log_set_category_name(logger, 0, "NONE"), -1);
    EXPECT_EQ(log_set_category_name(logger, 0x3000, "TWO"), -1);
    EXPECT_EQ(log_set_category_name(logger, LOG_GAME, "OTHER"), -1);
    EXPECT_EQ(*logger->category_names[0], "GAME");
    EXPECT_EQ(log_set_category_name(logger, 0x1000, "NEW"), 1);
    EXPECT_EQ(*logger->category_names[12], "NEW");
    EXPECT_EQ(log_set_category_name(logger, 0x80000000u, nullptr), 1);
    EXPECT_EQ(*logger->category_names[31], "");
    EXPECT_EQ(log_set_category_name(logger, 0x80000000u, "LATE"), -1);
}

TEST_F(LogNames, LevelNamesAreExactAndCaseSensitive) {
    EXPECT_EQ(log_level_from_name("ERROR"), 0);
    EXPECT_EQ(log_level_from_name("WARN"), 1);
    EXPECT_EQ(log_level_from_name("NOTICE"), 2);
    EXPECT_EQ(log_level_from_name("DEBUG"), 4);
    EXPECT_EQ(log_level_from_name("DEBUG4"), 8);
    EXPECT_EQ(log_level_from_name("warn"), 255);
    EXPECT_EQ(log_level_from_name("WARNING"), 255);
    EXPECT_EQ(log_level_from_name("DEBUG5"), 255);
    EXPECT_EQ(log_level_from_name(""), 255);
    EXPECT_EQ(log_level_from_name(nullptr), 255);
}

}  // namespace
