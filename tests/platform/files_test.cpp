#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include "platform/buffer.h"
#include "platform/files.h"
#include "platform/geometry.h"
#include "platform/local_time.h"
#include "platform/store.h"
#include "platform/store_write.h"

namespace {

std::string read_text(const std::string &path) {
    std::string out;
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return "<missing>";
    char chunk[4096];
    for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) > 0;) out.append(chunk, size_t(got));
    ::close(fd);
    return out;
}

class FilesTest : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::string(ASTROVANE_BINARY_DIR "/test-output/files/") + info->test_suite_name() + "." + info->name();
        ASSERT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
        ASSERT_EQ(make_directory(dir.c_str()), RES_OK);
    }

    void put(const std::string &name, const std::string &text) {
        ASSERT_EQ(write_file_bytes((dir + "/" + name).c_str(), text.data(), text.size()), RES_OK);
    }

    static void set_mtime(const std::string &path, time_t seconds) {
        struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
    }
};

// ---- save folder ----

class SaveFolder : public FilesTest {
protected:
    std::string old_data, old_home;
    bool had_data = false, had_home = false;

    void SetUp() override {
        FilesTest::SetUp();
        if (const char *v = std::getenv("XDG_DATA_HOME")) { had_data = true; old_data = v; }
        if (const char *v = std::getenv("HOME")) { had_home = true; old_home = v; }
    }
    void TearDown() override {
        if (had_data) ::setenv("XDG_DATA_HOME", old_data.c_str(), 1); else ::unsetenv("XDG_DATA_HOME");
        if (had_home) ::setenv("HOME", old_home.c_str(), 1); else ::unsetenv("HOME");
    }
    static std::string folder() {
        std::string path;
        const int length = save_folder_path(&path);
        EXPECT_EQ(length, int(path.size()));
        return path;
    }
};

TEST_F(SaveFolder, UsesTheDataHomeWhenSet) {
    ::setenv("XDG_DATA_HOME", "/data/me", 1);
    ::setenv("HOME", "/home/me", 1);
    EXPECT_EQ(folder(), "/data/me/Astrovane");
}

TEST_F(SaveFolder, FallsBackToTheHomeFolder) {
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("HOME", "/home/me", 1);
    EXPECT_EQ(folder(), "/home/me/.local/share/Astrovane");
    ::setenv("XDG_DATA_HOME", "", 1);           // empty: not set
    EXPECT_EQ(folder(), "/home/me/.local/share/Astrovane");
    ::setenv("XDG_DATA_HOME", "relative", 1);   // relative: ignored
    EXPECT_EQ(folder(), "/home/me/.local/share/Astrovane");
}

TEST_F(SaveFolder, IsTheWorkingFolderWithoutEither) {
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("HOME");
    EXPECT_EQ(folder(), ".");
}

TEST_F(SaveFolder, IsCreatedWithItsParentsForTheFirstSave) {
    ::setenv("XDG_DATA_HOME", (dir + "/fresh/share").c_str(), 1);
    const std::string path = folder();
    ASSERT_EQ(make_directory(path.c_str()), RES_OK);
    EXPECT_TRUE(is_directory(path.c_str()));
}

// ---- folders ----

class Folders : public FilesTest {};

TEST_F(Folders, AnExistingFolderIsFine) {
    EXPECT_EQ(make_directory(dir.c_str()), RES_OK);
}

TEST_F(Folders, ARegularFileIsNotAFolderAndIsLeftAlone) {
    put("file", "keep");
    EXPECT_EQ(make_directory((dir + "/file").c_str()), RES_NOT_A_DIRECTORY);
    EXPECT_EQ(read_text(dir + "/file"), "keep");
}

TEST_F(Folders, AFileInThePathMakesCreationFail) {
    put("file", "keep");
    EXPECT_EQ(make_directory((dir + "/file/sub").c_str()), RES_MKDIR_FAILED);
}

TEST_F(Folders, ExistenceAndDeletion) {
    put("a", "x");
    EXPECT_EQ(file_exists((dir + "/a").c_str()), 1);
    EXPECT_EQ(is_directory((dir + "/a").c_str()), 0);
    EXPECT_EQ(is_directory(dir.c_str()), 1);
    EXPECT_EQ(file_delete((dir + "/a").c_str()), RES_OK);
    EXPECT_EQ(file_exists((dir + "/a").c_str()), 0);
    EXPECT_EQ(file_delete((dir + "/a").c_str()), RES_DELETE_FAILED);
    struct stat st;
    EXPECT_EQ(file_stat(dir.c_str(), &st), RES_OK);
    EXPECT_EQ(file_stat((dir + "/a").c_str(), &st), RES_OPEN_FAILED);
}

TEST_F(Folders, PathAppendJoinsWithASlash) {
    std::string path = "saves";
    path_append(&path, "001.sav");
    EXPECT_EQ(path, "saves/001.sav");
}

// ---- whole-file writes ----

class WriteFile : public FilesTest {
protected:
    static Buffer *buffer_of(const std::string &text) {
        Buffer *b = buffer_create();
        EXPECT_EQ(buffer_append(b, text.data(), text.size()), RES_OK);
        return b;
    }
};

TEST_F(WriteFile, CreatesAndReplacesWithoutLeavingATemporary) {
    const std::string path = dir + "/prefs.dat";
    Buffer *first = buffer_of("first version, longer");
    Buffer *second = buffer_of("second");
    ASSERT_EQ(write_file(path.c_str(), first), RES_OK);
    EXPECT_EQ(read_text(path), "first version, longer");
    ASSERT_EQ(write_file(path.c_str(), second), RES_OK);
    EXPECT_EQ(read_text(path), "second");
    EXPECT_FALSE(file_exists((path + ".tmp").c_str()));
    buffer_free(first);
    buffer_free(second);
}

TEST_F(WriteFile, AnEmptyBufferGivesAnEmptyFile) {
    Buffer empty;
    ASSERT_EQ(write_file((dir + "/empty").c_str(), &empty), RES_OK);
    EXPECT_EQ(read_text(dir + "/empty"), "");
}

TEST_F(WriteFile, AWriteThatFailsPartWayLeavesTheOldFileIntact) {
    const std::string path = dir + "/001.sav";
    put("001.sav", "the old save");
    // A child whose files may not grow past 4 KiB writes 64 KiB: the write stops part-way.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        Buffer big;
        std::string text(65536, 'n');
        if (buffer_append(&big, text.data(), text.size()) != RES_OK) ::_exit(99);
        ::_exit(-int(write_file(path.c_str(), &big)));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), -int(RES_WRITE_FAILED));
    EXPECT_EQ(read_text(path), "the old save");
    EXPECT_FALSE(file_exists((path + ".tmp").c_str()));
}

TEST_F(WriteFile, ARenameThatFailsLeavesTheTargetAndRemovesTheTemporary) {
    // The target is a folder: the file cannot be renamed over it.
    const std::string path = dir + "/auto.sav";
    ASSERT_EQ(make_directory(path.c_str()), RES_OK);
    Buffer *b = buffer_of("new");
    EXPECT_EQ(write_file(path.c_str(), b), RES_WRITE_FAILED);
    EXPECT_TRUE(is_directory(path.c_str()));
    EXPECT_FALSE(file_exists((path + ".tmp").c_str()));
    buffer_free(b);
}

TEST_F(WriteFile, AMissingFolderCannotBeCreatedInto) {
    Buffer *b = buffer_of("x");
    EXPECT_EQ(write_file((dir + "/absent/file").c_str(), b), RES_OPEN_FAILED);
    buffer_free(b);
}

TEST_F(WriteFile, ATemporaryLeftByACrashIsOverwritten) {
    put("records.dat.tmp", "half-written garbage from a crash, long enough to notice");
    Buffer *b = buffer_of("good");
    ASSERT_EQ(write_file((dir + "/records.dat").c_str(), b), RES_OK);
    EXPECT_EQ(read_text(dir + "/records.dat"), "good");
    EXPECT_FALSE(file_exists((dir + "/records.dat.tmp").c_str()));
    buffer_free(b);
}

// ---- listing ----

class ListDirectory : public FilesTest {};

TEST_F(ListDirectory, NewestFirstAndFoldersLeftOut) {
    put("000.sav", "a");
    put("001.sav", "b");
    put("002.sav", "c");
    ASSERT_EQ(make_directory((dir + "/sub").c_str()), RES_OK);
    set_mtime(dir + "/000.sav", 1700000000);
    set_mtime(dir + "/001.sav", 1700000060);   // a minute later
    set_mtime(dir + "/002.sav", 1600000000);
    set_mtime(dir + "/sub", 1800000000);
    std::vector<std::string> names;
    ASSERT_EQ(list_directory(dir.c_str(), &names), RES_OK);
    EXPECT_EQ(names, (std::vector<std::string>{"001.sav", "000.sav", "002.sav"}));
}

TEST_F(ListDirectory, EqualTimesGoByName) {
    for (const char *name : {"c.sav", "a.sav", "b.sav"}) {
        put(name, "x");
        set_mtime(dir + "/" + name, 1700000000);
    }
    std::vector<std::string> names;
    ASSERT_EQ(list_directory(dir.c_str(), &names), RES_OK);
    EXPECT_EQ(names, (std::vector<std::string>{"a.sav", "b.sav", "c.sav"}));
}

TEST_F(ListDirectory, RefusesFilesAndMissingFolders) {
    put("file", "x");
    std::vector<std::string> names = {"kept"};
    EXPECT_EQ(list_directory((dir + "/file").c_str(), &names), RES_NOT_A_DIRECTORY);
    EXPECT_EQ(list_directory((dir + "/absent").c_str(), &names), RES_OPEN_FAILED);
    EXPECT_EQ(names, std::vector<std::string>{"kept"});
    EXPECT_EQ(list_directory(dir.c_str(), nullptr), RES_OK);
}

// ---- reading from descriptors ----

class FileRead : public FilesTest {
protected:
    int open_with(const std::vector<uint8_t> &bytes) {
        const std::string path = dir + "/data.bin";
        EXPECT_EQ(write_file_bytes(path.c_str(), bytes.data(), bytes.size()), RES_OK);
        int fd = file_open_read(path.c_str());
        EXPECT_GE(fd, 0);
        return fd;
    }
};

TEST_F(FileRead, OpeningAMissingFileFails) {
    EXPECT_EQ(file_open_read((dir + "/absent").c_str()), RES_OPEN_FAILED);
}

TEST_F(FileRead, U32IsBigEndianAndThreeBytesAreTooFew) {
    int fd = open_with({0x01, 0x02, 0x03, 0x04, 0xAA, 0xBB, 0xCC});
    uint32_t v = 0;
    ASSERT_EQ(file_read_u32(fd, &v), RES_OK);
    EXPECT_EQ(v, 0x01020304u);
    EXPECT_EQ(file_read_u32(fd, &v), RES_SHORT_BUFFER);
    file_close(fd);
}

TEST_F(FileRead, ExactReadsStopAtTheEnd) {
    int fd = open_with({1, 2, 3});
    uint8_t b[4];
    EXPECT_EQ(file_read_exact(fd, b, 2), RES_OK);
    EXPECT_EQ(file_read_exact(fd, b, 2), RES_END_OF_FILE);
    file_close(fd);
}

TEST_F(FileRead, StringsAreLengthThenBytesUpToTwoMebibytes) {
    const struct {
        const char *what;
        std::vector<uint8_t> bytes;
        Result result;
        const char *text;   // afterwards; it was "kept"
    } cases[] = {
        {"five bytes", {0, 0, 0, 5, 'h', 'e', 'l', 'l', 'o'}, RES_OK, "hello"},
        {"empty", {0, 0, 0, 0}, RES_OK, ""},
        {"2 MiB + 1 is malformed", {0x00, 0x20, 0x00, 0x01, 'x'}, RES_MALFORMED, "kept"},
        {"negative as i32 is malformed", {0x80, 0x00, 0x00, 0x00, 'x'}, RES_MALFORMED, "kept"},
        {"exactly 2 MiB is taken and runs out of bytes", {0x00, 0x20, 0x00, 0x00, 'x'}, RES_END_OF_FILE, nullptr},
    };
    for (const auto &c : cases) {
        const int fd = open_with(c.bytes);
        std::string text = "kept";
        EXPECT_EQ(file_read_string(fd, &text), c.result) << c.what;
        if (c.text) {
            EXPECT_EQ(text, c.text) << c.what;
        }
        file_close(fd);
    }
}

// ---- web links ----

class ShellOpen : public FilesTest {
protected:
    std::string old_path;
    void SetUp() override {
        FilesTest::SetUp();
        old_path = std::getenv("PATH") ? std::getenv("PATH") : "";
    }
    void TearDown() override { ::setenv("PATH", old_path.c_str(), 1); }

    // A stand-in opener that records each argument on its own line.
    std::string fake_opener() {
        const std::string bin = dir + "/bin", log = dir + "/opened.txt";
        EXPECT_EQ(make_directory(bin.c_str()), RES_OK);
        const std::string script = "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + log + ".part'; done\nmv '" +
                                   log + ".part' '" + log + "'\n";
        EXPECT_EQ(write_file_bytes((bin + "/xdg-open").c_str(), script.data(), script.size()), RES_OK);
        ::chmod((bin + "/xdg-open").c_str(), 0755);
        ::setenv("PATH", (bin + ":" + old_path).c_str(), 1);
        return log;
    }

    static std::string wait_for(const std::string &path) {
        for (int i = 0; i < 200 && !file_exists(path.c_str()); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return read_text(path);
    }
};

TEST_F(ShellOpen, RefusesAnythingButAWebAddress) {
    const std::string log = fake_opener();
    for (const char *text : {"file:///etc/passwd", "/usr/bin/xterm", "xterm", "", "ftp://host/x", " https://x",
                             "HTTPS://x", "javascript:alert(1)", "http:/x", "https:x"})
        EXPECT_EQ(shell_open(text), RES_PLATFORM_REFUSED) << text;
    EXPECT_EQ(shell_open(nullptr), RES_PLATFORM_REFUSED);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(file_exists(log.c_str()));
}

TEST_F(ShellOpen, PassesTheAddressAsOneArgumentWithoutAShell) {
    const std::string log = fake_opener();
    const char *address = "https://example.org/a b;touch pwned&$(id)";
    ASSERT_EQ(shell_open(address), RES_OK);
    EXPECT_EQ(wait_for(log), std::string(address) + "\n");
    EXPECT_FALSE(file_exists("pwned"));
}

TEST_F(ShellOpen, AcceptsPlainHttp) {
    const std::string log = fake_opener();
    ASSERT_EQ(shell_open("http://example.org/"), RES_OK);
    EXPECT_EQ(wait_for(log), "http://example.org/\n");
}

TEST_F(ShellOpen, AMissingOpenerIsARefusal) {
    ::setenv("PATH", (dir + "/nothing-here").c_str(), 1);
    EXPECT_EQ(shell_open("https://example.org/"), RES_PLATFORM_REFUSED);
}

// ---- numbers from store texts ----

class StoreNumbers : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        auto text = [](const char *path, const std::string &body) {
            StoreWriteEntry e;
            e.key = store_asset_key(path);
            e.body.assign(body.begin(), body.end());
            return e;
        };
        const std::string path = dir + "/store.dat";
        ASSERT_EQ(store_write(path.c_str(), STORE_BUILD_ID,
                              {text("font/kern.txt", "3\n4"), text("font/many.txt", "5\n-2\n\nx\n  7 apples\n"),
                               text("cursor/hot.txt", "  42abc"), text("word.txt", "none"),
                               text("crlf.txt", "8\r\n9\r\n")},
                              nullptr),
                  RES_OK);
        store_shutdown();
        store_set_path(path.c_str());
        ASSERT_EQ(store_open(), RES_OK);
    }
    void TearDown() override { store_shutdown(); }
};

TEST_F(StoreNumbers, ALastLineWithoutANewlineIsNotRead) {
    int32_t count = -1;
    std::vector<int32_t> values;
    ASSERT_EQ(store_read_int_lines("font\\kern.txt", &count, &values), RES_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(values, std::vector<int32_t>{3});
}

TEST_F(StoreNumbers, EachLineIsTakenLikeAtoi) {
    int32_t count = -1;
    std::vector<int32_t> values;
    ASSERT_EQ(store_read_int_lines("font/many.txt", &count, &values), RES_OK);
    EXPECT_EQ(values, (std::vector<int32_t>{5, -2, 0, 0, 7}));
    EXPECT_EQ(count, 5);
    ASSERT_EQ(store_read_int_lines("crlf.txt", &count, nullptr), RES_OK);
    EXPECT_EQ(count, 2);
}

TEST_F(StoreNumbers, OneNumberFiles) {
    int32_t v = -1;
    ASSERT_EQ(store_read_int("cursor/hot.txt", &v), RES_OK);
    EXPECT_EQ(v, 42);
    ASSERT_EQ(store_read_int("word.txt", &v), RES_OK);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(store_read_int("absent.txt", &v), RES_OPEN_FAILED);
}

// ---- time ----

TEST(LocalTime, TimestampsUseATwelveHourClock) {
    std::string text;
    format_local_timestamp(&text, 2012, 0, 5, 0, 7, 9);
    EXPECT_EQ(text, "2012-01-05 12:07:09 AM");
    format_local_timestamp(&text, 2012, 11, 31, 12, 0, 0);
    EXPECT_EQ(text, "2012-12-31 12:00:00 PM");
    format_local_timestamp(&text, 987, 5, 1, 13, 59, 59);
    EXPECT_EQ(text, "0987-06-01 01:59:59 PM");
    format_local_timestamp(&text, 2030, 6, 4, 11, 5, 5);
    EXPECT_EQ(text, "2030-07-04 11:05:05 AM");
}

TEST(LocalTime, FieldsAreInRangeAndOptional) {
    int year = 0, month = -1, day = 0, hour = -1, minute = -1, second = -1;
    local_time_get(&year, &month, &day, &hour, &minute, &second);
    EXPECT_GE(year, 2020);
    EXPECT_TRUE(month >= 0 && month <= 11);
    EXPECT_TRUE(day >= 1 && day <= 31);
    EXPECT_TRUE(hour >= 0 && hour <= 23);
    EXPECT_TRUE(minute >= 0 && minute <= 59);
    EXPECT_TRUE(second >= 0 && second <= 60);
    local_time_get(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

TEST(LocalTime, DaysRoundUp) {
    EXPECT_EQ(minutes_to_days_ceil(0), 0);
    EXPECT_EQ(minutes_to_days_ceil(1), 1);
    EXPECT_EQ(minutes_to_days_ceil(1440), 1);
    EXPECT_EQ(minutes_to_days_ceil(1441), 2);
}

// ---- geometry ----

TEST(Angles, NormaliseWrapsBothWays) {
    EXPECT_EQ(angle_normalize(-90), 270);
    EXPECT_EQ(angle_normalize(720), 0);
    EXPECT_EQ(angle_normalize(359), 359);
    EXPECT_EQ(angle_normalize(-360), 0);
    EXPECT_EQ(angle_normalize(-721), 359);
}

TEST(Angles, DiffTakesTheShortestTurnAndAHalfTurnBySign) {
    EXPECT_EQ(angle_diff(350, 10), 20);
    EXPECT_EQ(angle_diff(10, 350), -20);
    EXPECT_EQ(angle_diff(0, 180), -180);
    EXPECT_EQ(angle_diff(180, 0), 180);
    EXPECT_EQ(angle_diff(90, 90), 0);
    EXPECT_EQ(angle_diff(-10, 730), 20);
    EXPECT_EQ(angle_diff(0, 179), 179);
    EXPECT_EQ(angle_diff(0, 181), -179);
}

TEST(Angles, WithinHalfTheArc) {
    EXPECT_EQ(angle_within(0, 45, 90), 1);
    EXPECT_EQ(angle_within(0, 46, 90), 0);
    EXPECT_EQ(angle_within(350, 30, 91), 1);   // 40 <= 45
    EXPECT_EQ(angle_within(0, 23, 45), 0);     // 45 / 2 is 22
}

TEST(Angles, OfAVectorTruncatesTheSlightlyShortDegreeFactor) {
    EXPECT_EQ(angle_of_vector(5, 0), 0);
    EXPECT_EQ(angle_of_vector(-5, 0), 180);
    EXPECT_EQ(angle_of_vector(0, 5), 270);
    EXPECT_EQ(angle_of_vector(0, -5), 89);
    EXPECT_EQ(angle_of_vector(3, -3), 44);
    EXPECT_EQ(angle_of_vector(-3, 3), 224);
    EXPECT_EQ(angle_of_vector(-3, -3), 135);
    EXPECT_EQ(angle_of_vector(0, 0), 0);
}

TEST(Trig, TablesRoundAwayFromZero) {
    EXPECT_EQ(trig_cos100(0), 100);
    EXPECT_EQ(trig_cos100(1), 100);
    EXPECT_EQ(trig_cos100(89), 2);
    EXPECT_EQ(trig_cos100(90), 0);
    EXPECT_EQ(trig_cos100(180), -100);
    EXPECT_EQ(trig_cos100(60), 51);    // 50.0000007: the short factor lands just above a half
    EXPECT_EQ(trig_sin100(30), -50);   // -49.9999996
    EXPECT_EQ(trig_sin100(0), 0);
    EXPECT_EQ(trig_sin100(90), -100);  // up is negative y on screen
    EXPECT_EQ(trig_sin100(180), 0);
    EXPECT_EQ(trig_sin100(270), 100);
    EXPECT_EQ(trig_cos100(-90), 0);
    EXPECT_EQ(trig_cos100(361), 100);
}

TEST(Trig, RotatePoint) {
    int x = 1, y = 1;
    rotate_point(90, 50, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, -50);
    rotate_point(180, 10, &x, &y);
    EXPECT_EQ(x, -10);
    EXPECT_EQ(y, 0);
    rotate_point(-90, 10, &x, nullptr);
    EXPECT_EQ(x, 0);
    rotate_point(45, 100, nullptr, &y);
    EXPECT_EQ(y, -71);   // -70.7 rounded away from zero in the table
}

class Distance : public ::testing::Test {
protected:
    void TearDown() override { distance_table_free(); }
};

TEST_F(Distance, TruncatesTowardsZeroWithAndWithoutTheTable) {
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(distance(3, 4), 5);
        EXPECT_EQ(distance(-3, -4), 5);
        EXPECT_EQ(distance(1, 1), 1);
        EXPECT_EQ(distance(399, 399), 564);
        EXPECT_EQ(distance(500, 0), 500);
        EXPECT_EQ(distance(0, 0), 0);
        distance_table_build();
        EXPECT_TRUE(distance_table_ready());
    }
}

TEST_F(Distance, TableEdgesMatchTheFormula) {
    distance_table_build();
    distance_table_build();   // a second build keeps the table
    EXPECT_EQ(distance(399, 0), 399);
    EXPECT_EQ(distance(400, 0), 400);
    EXPECT_EQ(distance(0, -399), 399);
    EXPECT_EQ(distance(5, 12), 13);
}

TEST_F(Distance, HugeOffsetsDoNotOverflow) {
    EXPECT_EQ(distance(60000, 80000), 100000);
    EXPECT_EQ(distance(INT_MIN, 0), 2147483647);
}

TEST(Numbers, RomanNumeralsOneToTen) {
    const char *expected[] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X"};
    for (int n = 1; n <= 10; ++n) EXPECT_STREQ(roman_numeral(n), expected[n - 1]) << n;
    EXPECT_STREQ(roman_numeral(0), "");
    EXPECT_STREQ(roman_numeral(11), "");
    EXPECT_STREQ(roman_numeral(-1), "");
}

TEST(Numbers, IsNan) {
    EXPECT_EQ(is_nan(std::nan("")), 1);
    EXPECT_EQ(is_nan(0.0), 0);
    EXPECT_EQ(is_nan(INFINITY), 0);
}

}  // namespace
