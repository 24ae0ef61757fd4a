// Files: the save folder, folders, whole-file writes that never leave a half-written file, listings,
// descriptor reads, web links, numbers in store texts, local time, and the geometry helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
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
#include <utility>
#include <vector>
#include "platform/buffer.h"
#include "platform/files.h"
#include "platform/geometry.h"
#include "platform/local_time.h"
#include "platform/scratch_store.h"
#include "support/state_guards.h"

namespace {

std::string read_text(const std::string &path) {
    if (!file_exists(path.c_str())) return "<missing>";
    const std::vector<uint8_t> bytes = read_whole(path);
    return std::string(bytes.begin(), bytes.end());
}

class FilesTest : public ::testing::Test {
protected:
    std::string dir = fresh_test_dir("files");

    void put(const std::string &name, const std::string &text) {
        ASSERT_EQ(write_file_bytes((dir + "/" + name).c_str(), text.data(), text.size()), RES_OK);
    }
    Result write_text(const std::string &name, const std::string &text) {
        Buffer b;
        EXPECT_EQ(buffer_append(&b, text.data(), text.size()), RES_OK);
        return write_file((dir + "/" + name).c_str(), &b);
    }
    bool exists(const std::string &name) { return file_exists((dir + "/" + name).c_str()); }
    static void set_mtime(const std::string &path, time_t seconds) {
        struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
    }
};

// ---- save folder ----

class SaveFolder : public FilesTest {
protected:
    EnvGuard data_home_back{"XDG_DATA_HOME"}, home_back{"HOME"};

    static void set_or_unset(const char *name, const char *value) {
        if (value) ::setenv(name, value, 1); else ::unsetenv(name);
    }
    static std::string folder() {
        std::string path;
        const int length = save_folder_path(&path);
        EXPECT_EQ(length, int(path.size()));
        return path;
    }
};

TEST_F(SaveFolder, IsTheDataHomeElseTheHomeFolderElseTheWorkingFolder) {
    const struct { const char *data_home, *home, *folder; } cases[] = {
        {"/data/me", "/home/me", "/data/me/Astrovane"},
        {nullptr, "/home/me", "/home/me/.local/share/Astrovane"},
        {"", "/home/me", "/home/me/.local/share/Astrovane"},           // empty: not set
        {"relative", "/home/me", "/home/me/.local/share/Astrovane"},   // relative: ignored
        {nullptr, nullptr, "."},
    };
    for (const auto &c : cases) {
        set_or_unset("XDG_DATA_HOME", c.data_home);
        set_or_unset("HOME", c.home);
        EXPECT_EQ(folder(), c.folder) << (c.data_home ? c.data_home : "(unset)");
    }
}

TEST_F(SaveFolder, IsCreatedWithItsParentsForTheFirstSave) {
    ::setenv("XDG_DATA_HOME", (dir + "/fresh/share").c_str(), 1);
    const std::string path = folder();
    ASSERT_EQ(make_directory(path.c_str()), RES_OK);
    EXPECT_TRUE(is_directory(path.c_str()));
}

// ---- folders ----

using Folders = FilesTest;

TEST_F(Folders, AnExistingFolderIsFineAFileIsNeitherAFolderNorInAPath) {
    EXPECT_EQ(make_directory(dir.c_str()), RES_OK);
    put("file", "keep");
    EXPECT_EQ(make_directory((dir + "/file").c_str()), RES_NOT_A_DIRECTORY);
    EXPECT_EQ(read_text(dir + "/file"), "keep");
    EXPECT_EQ(make_directory((dir + "/file/sub").c_str()), RES_MKDIR_FAILED);
}

TEST_F(Folders, ExistenceDeletionAndPaths) {
    put("a", "x");
    std::string a = dir;
    path_append(&a, "a");
    EXPECT_EQ(a, dir + "/a");
    EXPECT_EQ(file_exists(a.c_str()), 1);
    EXPECT_EQ(is_directory(a.c_str()), 0);
    EXPECT_EQ(is_directory(dir.c_str()), 1);
    EXPECT_EQ(file_delete(a.c_str()), RES_OK);
    EXPECT_EQ(file_exists(a.c_str()), 0);
    EXPECT_EQ(file_delete(a.c_str()), RES_DELETE_FAILED);
    struct stat st;
    EXPECT_EQ(file_stat(dir.c_str(), &st), RES_OK);
    EXPECT_EQ(file_stat(a.c_str(), &st), RES_OPEN_FAILED);
}

// ---- whole-file writes ----

using WriteFile = FilesTest;

TEST_F(WriteFile, CreatesAndReplacesOverACrashesTemporaryWithoutLeavingOne) {
    put("prefs.dat.tmp", "half-written garbage from a crash, long enough to notice");
    ASSERT_EQ(write_text("prefs.dat", "first version, longer"), RES_OK);
    EXPECT_EQ(read_text(dir + "/prefs.dat"), "first version, longer");
    ASSERT_EQ(write_text("prefs.dat", "second"), RES_OK);
    EXPECT_EQ(read_text(dir + "/prefs.dat"), "second");
    EXPECT_FALSE(exists("prefs.dat.tmp"));
    ASSERT_EQ(write_text("empty", ""), RES_OK);
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
    EXPECT_FALSE(exists("001.sav.tmp"));
}

TEST_F(WriteFile, AFailedRenameLeavesTheTargetAndAMissingFolderIsNotCreated) {
    // The target is a folder: the file cannot be renamed over it.
    ASSERT_EQ(make_directory((dir + "/auto.sav").c_str()), RES_OK);
    EXPECT_EQ(write_text("auto.sav", "new"), RES_WRITE_FAILED);
    EXPECT_TRUE(is_directory((dir + "/auto.sav").c_str()));
    EXPECT_FALSE(exists("auto.sav.tmp"));
    EXPECT_EQ(write_text("absent/file", "x"), RES_OPEN_FAILED);
}

// ---- hostile names beside a write ----

// Runs the body in a child that an alarm ends after five seconds, so a write that blocks fails the
// test instead of hanging it; the child's exit status, or 128 + the signal that ended it.
template <typename Body> int in_child(Body body) {
    pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        ::alarm(5);
        ::_exit(body());
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class HostileTemp : public FilesTest {
protected:
    std::string path(const char *name) const { return dir + "/" + name; }
    // The write of "000.sav" from a child; 0 when it succeeded.
    int write_save_in_child(const std::string &text) {
        return in_child([&] { return -int(write_text("000.sav", text)); });
    }
    void date(const std::string &file, time_t seconds) {
        struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << file;
    }
};

TEST_F(HostileTemp, AFifoUnderTheTemporaryNameRecentOrFutureDatedNeitherBlocksNorStays) {
    for (time_t when : {time(nullptr), time(nullptr) + 86400 * 365}) {
        ASSERT_EQ(::mkfifo(path("000.sav.tmp").c_str(), 0644), 0);
        date(path("000.sav.tmp"), when);
        EXPECT_EQ(write_save_in_child("the save " + std::to_string(when)), 0) << "mtime " << when;
        EXPECT_EQ(read_text(path("000.sav")), "the save " + std::to_string(when));
        EXPECT_FALSE(exists("000.sav.tmp")) << "mtime " << when;
    }
}

TEST_F(HostileTemp, ALinkUnderTheTemporaryNameIsNotFollowed) {
    put("victim", "someone else's file");
    ASSERT_EQ(::symlink(path("victim").c_str(), path("000.sav.tmp").c_str()), 0);
    date(path("000.sav.tmp"), time(nullptr) + 3600);
    EXPECT_EQ(write_save_in_child("the save"), 0);
    EXPECT_EQ(read_text(path("victim")), "someone else's file");
    EXPECT_EQ(read_text(path("000.sav")), "the save");
    struct stat st;
    EXPECT_EQ(::lstat(path("000.sav").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode)) << "the save is a file of its own, not the link renamed";
    // A link to a place that does not exist yet is not created through either.
    ASSERT_EQ(::symlink(path("planted").c_str(), path("000.sav.tmp").c_str()), 0);
    EXPECT_EQ(write_save_in_child("again"), 0);
    EXPECT_FALSE(exists("planted"));
    EXPECT_EQ(read_text(path("000.sav")), "again");
}

TEST_F(HostileTemp, AFolderUnderTheTemporaryNameFailsTheWriteAndKeepsTheOldFile) {
    put("000.sav", "old");
    ASSERT_EQ(make_directory(path("000.sav.tmp").c_str()), RES_OK);
    EXPECT_EQ(write_save_in_child("new"), -int(RES_OPEN_FAILED));
    EXPECT_EQ(read_text(path("000.sav")), "old");
    EXPECT_TRUE(is_directory(path("000.sav.tmp").c_str()));
}

TEST_F(HostileTemp, AFifoUnderTheTargetNameIsNeitherOpenedNorReplaced) {
    ASSERT_EQ(::mkfifo(path("prefs.dat").c_str(), 0644), 0);
    EXPECT_EQ(write_save_in_child("x"), 0) << "another name is written as ever";
    EXPECT_EQ(in_child([&] { return -int(write_text("prefs.dat", "prefs")); }), -int(RES_WRITE_FAILED));
    struct stat st;
    ASSERT_EQ(::lstat(path("prefs.dat").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_FALSE(exists("prefs.dat.tmp"));
}

TEST_F(HostileTemp, TheSizeLimitSignalIgnoredAtStartUpLetsAnOversizedWriteFailCleanly) {
    put("001.sav", "the old save");
    const int status = in_child([&] {
        file_ignore_size_limit_signal();
        struct rlimit limit = {4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return -int(write_text("001.sav", std::string(65536, 'n')));
    });
    EXPECT_EQ(status, -int(RES_WRITE_FAILED)) << "128 + " << SIGXFSZ << " would be the signal";
    EXPECT_EQ(read_text(path("001.sav")), "the old save");
    EXPECT_FALSE(exists("001.sav.tmp"));
}

// ---- keeping an unreadable file aside ----

using KeepAside = HostileTemp;

TEST_F(KeepAside, TakesTheFirstFreeNameAndNeverOverwritesAnEarlierCopy) {
    put("records.dat", "first bad");
    std::string kept;
    ASSERT_EQ(file_keep_aside(path("records.dat").c_str(), &kept), RES_OK);
    EXPECT_EQ(kept, path("records.dat.bad"));
    put("records.dat", "second bad");
    ASSERT_EQ(file_keep_aside(path("records.dat").c_str(), &kept), RES_OK);
    EXPECT_EQ(kept, path("records.dat.bad.1"));
    EXPECT_EQ(read_text(path("records.dat.bad")), "first bad");
    EXPECT_EQ(read_text(path("records.dat.bad.1")), "second bad");
    EXPECT_FALSE(exists("records.dat"));
}

TEST_F(KeepAside, MovesAFifoOrADanglingLinkWithoutOpeningItAndNothingIsFine) {
    ASSERT_EQ(::mkfifo(path("prefs.dat").c_str(), 0644), 0);
    std::string kept = "untouched";
    EXPECT_EQ(in_child([&] { return -int(file_keep_aside(path("prefs.dat").c_str(), nullptr)); }), 0);
    struct stat st;
    ASSERT_EQ(::lstat(path("prefs.dat.bad").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(::symlink(path("nowhere").c_str(), path("prefs.dat").c_str()), 0);
    ASSERT_EQ(file_keep_aside(path("prefs.dat").c_str(), &kept), RES_OK);
    EXPECT_EQ(kept, path("prefs.dat.bad.1"));
    EXPECT_EQ(file_keep_aside(path("prefs.dat").c_str(), &kept), RES_OK);
    EXPECT_EQ(kept, path("prefs.dat.bad.1")) << "nothing there: nothing kept";
}

// ---- listing ----

using ListDirectory = FilesTest;

TEST_F(ListDirectory, NewestFirstThenByNameAndFoldersLeftOut) {
    const std::pair<const char *, time_t> files[] = {{"000.sav", 1700000000}, {"001.sav", 1700000060},
                                                     {"002.sav", 1600000000}, {"c.sav", 1600000000},
                                                     {"a.sav", 1600000000}};
    for (const auto &[name, time] : files) {
        put(name, "x");
        set_mtime(dir + "/" + name, time);
    }
    ASSERT_EQ(make_directory((dir + "/sub").c_str()), RES_OK);
    set_mtime(dir + "/sub", 1800000000);
    std::vector<std::string> names;
    ASSERT_EQ(list_directory(dir.c_str(), &names), RES_OK);
    EXPECT_EQ(names, (std::vector<std::string>{"001.sav", "000.sav", "002.sav", "a.sav", "c.sav"}));
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

TEST_F(FileRead, U32IsBigEndianAndReadsStopAtTheEnd) {
    EXPECT_EQ(file_open_read((dir + "/absent").c_str()), RES_OPEN_FAILED);
    int fd = open_with({0x01, 0x02, 0x03, 0x04, 0xAA, 0xBB, 0xCC});
    uint32_t v = 0;
    ASSERT_EQ(file_read_u32(fd, &v), RES_OK);
    EXPECT_EQ(v, 0x01020304u);
    EXPECT_EQ(file_read_u32(fd, &v), RES_SHORT_BUFFER) << "three bytes are too few";
    file_close(fd);
    fd = open_with({1, 2, 3});
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
    EnvGuard path_back{"PATH"};
    const std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "";

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

TEST_F(ShellOpen, RefusesAnythingButAWebAddressAndWithoutAnOpener) {
    const std::string log = fake_opener();
    for (const char *text : {"file:///etc/passwd", "/usr/bin/xterm", "xterm", "", "ftp://host/x", " https://x",
                             "HTTPS://x", "javascript:alert(1)", "http:/x", "https:x"})
        EXPECT_EQ(shell_open(text), RES_PLATFORM_REFUSED) << text;
    EXPECT_EQ(shell_open(nullptr), RES_PLATFORM_REFUSED);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(file_exists(log.c_str()));
    ::setenv("PATH", (dir + "/nothing-here").c_str(), 1);
    EXPECT_EQ(shell_open("https://example.org/"), RES_PLATFORM_REFUSED);
}

TEST_F(ShellOpen, PassesTheAddressAsOneArgumentWithoutAShell) {
    for (const char *address : {"https://example.org/a b;touch pwned&$(id)", "http://example.org/"}) {
        const std::string log = fake_opener();
        ASSERT_EQ(shell_open(address), RES_OK);
        EXPECT_EQ(wait_for(log), std::string(address) + "\n");
        EXPECT_FALSE(file_exists("pwned"));
        ASSERT_EQ(file_delete(log.c_str()), RES_OK);
    }
}

// ---- numbers from store texts ----

TEST(StoreNumbers, LinesAreTakenLikeAtoiUpToTheLastNewline) {
    ScratchStore store;
    store.text("font/kern.txt", "3\n4").text("font/many.txt", "5\n-2\n\nx\n  7 apples\n");
    store.text("cursor/hot.txt", "  42abc").text("word.txt", "none").text("crlf.txt", "8\r\n9\r\n");
    ASSERT_TRUE(store.open());
    int32_t count = -1;
    std::vector<int32_t> values;
    ASSERT_EQ(store_read_int_lines("font\\kern.txt", &count, &values), RES_OK);
    EXPECT_EQ(count, 1) << "a last line without a newline is not read";
    EXPECT_EQ(values, std::vector<int32_t>{3});
    ASSERT_EQ(store_read_int_lines("font/many.txt", &count, &values), RES_OK);
    EXPECT_EQ(values, (std::vector<int32_t>{5, -2, 0, 0, 7}));
    EXPECT_EQ(count, 5);
    ASSERT_EQ(store_read_int_lines("crlf.txt", &count, nullptr), RES_OK);
    EXPECT_EQ(count, 2);
    int32_t v = -1;
    ASSERT_EQ(store_read_int("cursor/hot.txt", &v), RES_OK);
    EXPECT_EQ(v, 42);
    ASSERT_EQ(store_read_int("word.txt", &v), RES_OK);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(store_read_int("absent.txt", &v), RES_OPEN_FAILED);
}

// ---- time ----

TEST(LocalTime, TimestampsUseATwelveHourClockAndDaysRoundUp) {
    const struct {
        int year, month, day, hour, minute, second;
        const char *text;
    } cases[] = {{2012, 0, 5, 0, 7, 9, "2012-01-05 12:07:09 AM"}, {2012, 11, 31, 12, 0, 0, "2012-12-31 12:00:00 PM"},
                 {987, 5, 1, 13, 59, 59, "0987-06-01 01:59:59 PM"}, {2030, 6, 4, 11, 5, 5, "2030-07-04 11:05:05 AM"}};
    for (const auto &c : cases) {
        std::string text;
        format_local_timestamp(&text, c.year, c.month, c.day, c.hour, c.minute, c.second);
        EXPECT_EQ(text, c.text);
    }
    const int days[][2] = {{0, 0}, {1, 1}, {1440, 1}, {1441, 2}};
    for (const auto &d : days) EXPECT_EQ(minutes_to_days_ceil(d[0]), d[1]) << d[0];
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

// ---- geometry ----

TEST(Angles, DiffTakesTheShortestTurnAndAHalfTurnBySign) {
    const int cases[][3] = {{350, 10, 20}, {10, 350, -20}, {0, 180, -180}, {180, 0, 180},
                            {90, 90, 0},   {-10, 730, 20}, {0, 179, 179},  {0, 181, -179}};
    for (const auto &c : cases) EXPECT_EQ(angle_diff(c[0], c[1]), c[2]) << c[0] << " to " << c[1];
}

TEST(Angles, WithinHalfTheArc) {
    // {facing, angle, arc, within}: 350 to 30 is 40 <= 45; half of 45 is 22
    const int cases[][4] = {{0, 45, 90, 1}, {0, 46, 90, 0}, {350, 30, 91, 1}, {0, 23, 45, 0}};
    for (const auto &c : cases) EXPECT_EQ(angle_within(c[0], c[1], c[2]), c[3]) << c[0] << ", " << c[1] << ", " << c[2];
}

TEST(Angles, OfAVectorTruncatesTheSlightlyShortDegreeFactor) {
    const int cases[][3] = {{5, 0, 0},   {-5, 0, 180}, {0, 5, 270},    {0, -5, 89},
                            {3, -3, 44}, {-3, 3, 224}, {-3, -3, 135}, {0, 0, 0}};
    for (const auto &c : cases) EXPECT_EQ(angle_of_vector(c[0], c[1]), c[2]) << c[0] << ", " << c[1];
}

// The answers are kept per thread in a small table whose slots many vectors share: the answer for a
// vector must not depend on which vectors were asked before it, on this thread or another.
TEST(Angles, OfAVectorAnswersAlikeWhateverWasAskedBefore) {
    std::vector<int> first;
    for (int dy = -60; dy <= 60; ++dy)
        for (int dx = -60; dx <= 60; ++dx) first.push_back(angle_of_vector(dx * 7, dy * 5));
    std::vector<int> fresh;
    std::thread([&] {
        for (int dy = 60; dy >= -60; --dy)
            for (int dx = 60; dx >= -60; --dx) fresh.push_back(angle_of_vector(dx * 7, dy * 5));
    }).join();
    std::reverse(fresh.begin(), fresh.end());
    EXPECT_EQ(first, fresh);
    size_t i = 0;
    for (int dy = -60; dy <= 60; ++dy)
        for (int dx = -60; dx <= 60; ++dx, ++i)
            if (angle_of_vector(dx * 7, dy * 5) != first[i]) {
                ADD_FAILURE() << dx * 7 << ", " << dy * 5 << ": " << angle_of_vector(dx * 7, dy * 5) << " then "
                              << first[i];
                return;
            }
}

TEST(Trig, TablesRoundAwayFromZeroAndRotatePoints) {
    // cos(60) is 50.0000007 with the short factor, just above a half; sin(30) is -49.9999996; up is
    // negative y on the screen.
    const int cosines[][2] = {{0, 100}, {1, 100}, {89, 2}, {90, 0}, {180, -100}, {60, 51}, {-90, 0}, {361, 100}};
    for (const auto &c : cosines) EXPECT_EQ(trig_cos100(c[0]), c[1]) << "cos " << c[0];
    const int sines[][2] = {{30, -50}, {0, 0}, {90, -100}, {180, 0}, {270, 100}};
    for (const auto &c : sines) EXPECT_EQ(trig_sin100(c[0]), c[1]) << "sin " << c[0];
    int x = 1, y = 1;
    rotate_point(90, 50, &x, &y);
    EXPECT_EQ(std::pair(x, y), std::pair(0, -50));
    rotate_point(180, 10, &x, &y);
    EXPECT_EQ(std::pair(x, y), std::pair(-10, 0));
    rotate_point(-90, 10, &x, nullptr);
    EXPECT_EQ(x, 0);
    rotate_point(45, 100, nullptr, &y);
    EXPECT_EQ(y, -71);   // -70.7 rounded away from zero in the table
}

TEST(Numbers, RomanNumeralsOneToTenAndNan) {
    const char *expected[] = {"", "I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X", ""};
    for (int n = 0; n <= 11; ++n) EXPECT_STREQ(roman_numeral(n), expected[n]) << n;
    EXPECT_STREQ(roman_numeral(-1), "");
    EXPECT_EQ(is_nan(std::nan("")), 1);
    EXPECT_EQ(is_nan(0.0), 0);
    EXPECT_EQ(is_nan(INFINITY), 0);
}

}  // namespace
