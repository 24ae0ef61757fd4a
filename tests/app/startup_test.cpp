// Start-up: the command-line matrix and the process's exit statuses, by running the real binary.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include "app/startup.h"
#include "platform/log.h"
#include "support/run_program.h"
#include "support/state_guards.h"
#include "test_support.h"

namespace {

const std::string BINARY = ASTROVANE_BINARY_DIR "/astrovane";
const std::string GENERATED_STORE = ASTROVANE_BINARY_DIR "/store.dat";

std::string usage_for(const std::string &program) {
    return "Usage: " + program + " [options]\n"
           "\n"
           "Options\n"
           "-------\n"
           "    -h, --help              Show this message\n"
           "    --version               Print version string and exit\n"
           "    --basedir <path>        Set base directory for process (default .)\n"
           "    --music-volume <level>  Set the music volume (0-5)\n"
           "    --sound-volume <level>  Set the sound volume (0-5)\n"
           "    --store-path <path>     Specify the path for the store file\n"
           "    --log-path <path>       Specify the path for the log file\n"
           "    --no-sound-playback     Disable sound playback (sound assets are still managed)\n"
           "\n";
}

const std::string VERSION_LINE = "astrovane version 5-4f7a19c3, Dec  9 2012\n";
const std::string HINT = " (run with -h for usage)\n";

ProgramOptions headless(const std::string &directory) {
    ProgramOptions options;
    options.directory = directory;
    options.environment = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};
    return options;
}

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fresh_test_dir("startup");
    }
    ProgramRun run(const std::vector<std::string> &args) { return run_program(BINARY, args, headless(dir)); }
    std::string dir;
};

// Words that stop the program before anything opens: what it prints, and its status 255.
TEST_F(CommandLine, HelpVersionAndBadWordsPrintTheirLineAndExitWith255) {
    const struct {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{"-h"}, usage_for(BINARY)},
        {{"--help"}, usage_for(BINARY)},
        {{"--version"}, VERSION_LINE},
        {{"--no-sound-playback", "--version", "--bogus", "--store-path"}, VERSION_LINE},   // stops before later words
        {{"--bogus", "--version"}, "Unknown option \"--bogus\"" + HINT},
        {{"play"}, "Unknown option \"play\"" + HINT},
        {{"--basedir", "--version"}, "Failed to set current directory \"--version\"" + HINT},
        {{"--basedir", dir + "/nowhere"}, "Failed to set current directory \"" + dir + "/nowhere\"" + HINT},
        {{"--no-sound-playback", "--basedir"}, "--basedir option needs a parameter" + HINT},
        {{"--no-sound-playback", "--music-volume"}, "--music-volume option needs a parameter" + HINT},
        {{"--no-sound-playback", "--sound-volume"}, "--sound-volume option needs a parameter" + HINT},
        {{"--no-sound-playback", "--store-path"}, "--store-path option needs a parameter" + HINT},
        {{"--no-sound-playback", "--log-path"}, "--log-path option needs a parameter" + HINT},
    };
    for (const auto &c : cases) {
        const ProgramRun r = run(c.args);
        EXPECT_EQ(r.out, c.out) << c.args[0] << " ...";
        EXPECT_EQ(r.status, 255) << c.args[0] << " ...";
    }
}

// A store that cannot be opened is logged with its code, and the program exits with 255.
TEST_F(CommandLine, AStoreThatCannotBeOpenedIsLoggedAndExitsWith255) {
    std::ofstream(dir + "/bad.dat", std::ios::binary) << "this is not a data store";
    std::ofstream(dir + "/short.dat", std::ios::binary) << std::string("TCU\r\n\x01\x02", 7);
    const struct {
        std::vector<std::string> store_args;
        const char *line;
    } cases[] = {
        {{"--store-path", "missing.dat"}, "[ERROR] Failed to open data store (-6), exiting\r\n"},
        {{"--store-path", "bad.dat"}, "[ERROR] Failed to open data store (-23), exiting\r\n"},
        {{"--store-path", "short.dat"}, "[ERROR] Failed to open data store (-47), exiting\r\n"},   // ends in its header
        {{}, "[ERROR] Failed to open data store (-6), exiting\r\n"},   // the default: store.dat here
    };
    for (const auto &c : cases) {
        std::vector<std::string> args = c.store_args;
        args.insert(args.end(), {"--log-path", "run.log"});
        const ProgramRun r = run(args);
        EXPECT_EQ(r.status, 255) << c.line;
        EXPECT_EQ(r.out, "");
        const std::string log = read_text_file(dir + "/run.log");
        EXPECT_NE(log.find(c.line), std::string::npos) << log;
        std::filesystem::remove(dir + "/run.log");
    }
}

TEST_F(CommandLine, ArgumentIsTakenWhateverItLooksLike) {
    const ProgramRun r = run({"--store-path", "missing.dat", "--log-path", "-h"});
    EXPECT_EQ(r.out, "") << "-h was the log file's name, not the help option";
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(read_text_file(dir + "/-h").find("Failed to open data store"), std::string::npos);
}

TEST_F(CommandLine, RepeatedOptionKeepsItsLastValue) {
    const ProgramRun r = run({"--log-path", "first.log", "--store-path", "missing.dat", "--log-path", "second.log"});
    EXPECT_EQ(r.status, 255);
    EXPECT_FALSE(file_exists(dir + "/first.log"));
    EXPECT_NE(read_text_file(dir + "/second.log").find("Failed to open data store"), std::string::npos);
}

TEST_F(CommandLine, WithoutLogPathNothingIsWritten) {
    const ProgramRun r = run({"--store-path", "missing.dat"});
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST_F(CommandLine, ExistingLogFileIsNeitherAppendedNorReplaced) {
    std::ofstream(dir + "/run.log", std::ios::binary) << "kept";
    const ProgramRun r = run({"--store-path", "missing.dat", "--log-path", "run.log"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(read_text_file(dir + "/run.log"), "kept");
}

TEST_F(CommandLine, BasedirBecomesTheWorkingDirectoryBeforeTheStoreAndLogOpen) {
    const std::string base = dir + "/base";
    std::filesystem::create_directories(base);
    const ProgramRun r = run({"--basedir", base, "--store-path", "missing.dat", "--log-path", "run.log"});
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(file_exists(base + "/run.log"));
    EXPECT_FALSE(file_exists(dir + "/run.log"));
}

// The generated store; the program then runs until a signal.
class RunningProgram : public CommandLine {
protected:
    void SetUp() override {
        CommandLine::SetUp();
        ASSERT_TRUE(file_exists(GENERATED_STORE)) << "the build makes " << GENERATED_STORE;
        std::filesystem::create_symlink(GENERATED_STORE, dir + "/store.dat");
    }
    ProgramRun run_then_signal(const std::vector<std::string> &args, int signal) {
        ProgramOptions options = headless(dir);
        options.environment.push_back("XDG_DATA_HOME=" + dir + "/save");
        signal_once_running(&options);
        options.signal_to_send = signal;
        return run_program(BINARY, args, options);
    }
    // The signal comes 600 ms after the program's first mode switch is in its log (run.log): past
    // the signal handlers and the start of SDL, however slowly a busy machine or a sanitizer runs it.
    void signal_once_running(ProgramOptions *options) const {
        options->environment.push_back("ASTROVANE_LOG_LEVEL=6");
        options->signal_after_log_path = dir + "/run.log";
        options->signal_after_log_text = "Application mode is now";
        options->signal_after_ms = 600;
    }
};

TEST_F(RunningProgram, SigtermOrCtrlCEndsTheGameLoopAndTheProcessExitsWithZero) {
    const struct {
        std::vector<std::string> args;
        int signal;
    } cases[] = {
        {{"--log-path", "run.log"}, SIGTERM},   // the default ./store.dat
        {{"--store-path", "store.dat", "--log-path", "run.log"}, SIGINT},
        {{"--music-volume", "2", "--sound-volume", "5", "--no-sound-playback", "--store-path", "store.dat",
          "--log-path", "run.log"}, SIGTERM},   // volume overrides and silent playback are accepted
    };
    for (const auto &c : cases) {
        const ProgramRun r = run_then_signal(c.args, c.signal);
        EXPECT_EQ(r.signal, 0) << "the signal was handled";
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(read_text_file(dir + "/run.log").find("[ERROR]"), std::string::npos);
        std::filesystem::remove(dir + "/run.log");
    }
}

// SIGTERM while a mode's loader runs (the start-up loader; the title's, on a first run that also
// writes the preferences): shut-down stops the sound first and leaves the mode after, so a loader
// may still load and play sounds once the device is closed. It takes its channel as with no device,
// and the process exits with 0 (66 is ThreadSanitizer's report of the closed device's lock).
class SignalWhileLoading : public RunningProgram {};

TEST_F(SignalWhileLoading, ALoaderStillPlayingAfterTheSoundStoppedEndsAndTheProcessExitsWithZero) {
    for (const std::string loader : {"init", "title"}) {
        std::filesystem::remove(dir + "/run.log");
        std::filesystem::remove_all(dir + "/save");
        ProgramOptions options = headless(dir);
        options.environment.insert(options.environment.end(), {"XDG_DATA_HOME=" + dir + "/save", "ASTROVANE_LOG_LEVEL=6"});
        options.signal_after_log_path = dir + "/run.log";
        options.signal_after_log_text = "Begin " + loader + " load thread";
        options.signal_after_ms = 0;
        const ProgramRun r = run_program(BINARY, {"--store-path", "store.dat", "--log-path", "run.log"}, options);
        EXPECT_EQ(r.status, 0) << loader << " loader\n" << r.err;
        const std::string log = read_text_file(dir + "/run.log");
        EXPECT_NE(log.find("Sound manager stopped"), std::string::npos) << log;
        EXPECT_NE(log.find("End " + loader + " load thread"), std::string::npos) << log;
    }
}

TEST_F(RunningProgram, VideoThatCannotStartIsAFatalError) {
    ProgramOptions options = headless(dir);
    options.environment = {"SDL_VIDEODRIVER=no-such-driver", "SDL_AUDIODRIVER=dummy", "XDG_DATA_HOME=" + dir + "/save"};
    const ProgramRun r = run_program(BINARY, {"--store-path", "store.dat", "--log-path", "run.log"}, options);
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(read_text_file(dir + "/run.log").find("[ERROR] Fatal error - "), std::string::npos);
}

// SDL 1.2 over SDL 2 fails the whole SDL_Init when no audio driver works; the game must still run.
TEST_F(RunningProgram, MachineWithoutASoundDeviceStillRuns) {
    const std::string compat = "/usr/lib/x86_64-linux-gnu/sdl12-compat";
    for (const std::string &library_dir : {std::string(), compat}) {
        if (!library_dir.empty() && !std::filesystem::exists(library_dir)) continue;
        std::filesystem::remove(dir + "/run.log");
        ProgramOptions options = headless(dir);
        options.environment = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=no-such-device", "XDG_DATA_HOME=" + dir + "/save"};
        if (!library_dir.empty()) options.environment.push_back("LD_LIBRARY_PATH=" + library_dir);
        signal_once_running(&options);
        const ProgramRun r = run_program(BINARY, {"--store-path", "store.dat", "--log-path", "run.log"}, options);
        EXPECT_EQ(r.status, 0) << "library dir '" << library_dir << "' " << r.err;
        EXPECT_EQ(read_text_file(dir + "/run.log").find("Fatal error"), std::string::npos) << library_dir;
    }
}

// The display mode comes from the first word of the preferences file in the save folder: big-endian,
// and a window when the file is missing or shorter than a word.
TEST(DisplayModePreference, FirstWordIsReadBigEndianAndAWindowWithoutOne) {
    EnvGuard save_folder("XDG_DATA_HOME");
    const std::string dir = fresh_test_dir("startup");
    ::setenv("XDG_DATA_HOME", dir.c_str(), 1);
    std::filesystem::create_directories(dir + "/Astrovane");
    EXPECT_EQ(prefs_read_display_mode(), 0) << "no file";
    const struct {
        std::string bytes;
        int32_t mode;
    } cases[] = {{std::string("\x00\x00\x00\x01\x00\x00\x01\x2C", 8), 1},
                 {std::string("\x01\x00\x00\x00", 4), 0x01000000},
                 {std::string("\x00\x00\x01", 3), 0}};
    for (const auto &c : cases) {
        std::ofstream(dir + "/Astrovane/prefs.dat", std::ios::binary) << c.bytes;
        EXPECT_EQ(prefs_read_display_mode(), c.mode) << c.bytes.size() << " bytes";
    }
}

}  // namespace

// A developer's run may raise the log's level from the environment; anything not a level 0..6 keeps
// the default, so a stray value never silences errors or floods the log.
TEST(StartupLogLevel, OnlyADecimalLevelFromErrorToDebug2ReplacesTheDefault) {
    const char *old = std::getenv("ASTROVANE_LOG_LEVEL");
    const std::string kept = old ? old : "";
    struct Case {
        const char *text;
        int         level;
    };
    const Case cases[] = {{nullptr, LOG_ERROR}, {"", LOG_ERROR}, {"6", LOG_DEBUG2}, {"0", LOG_ERROR},
                          {"3", 3},           {"7", LOG_ERROR}, {"-1", LOG_ERROR}, {"6x", LOG_ERROR},
                          {"debug", LOG_ERROR}};
    for (const Case &c : cases) {
        if (c.text) ::setenv("ASTROVANE_LOG_LEVEL", c.text, 1);
        else ::unsetenv("ASTROVANE_LOG_LEVEL");
        EXPECT_EQ(startup_log_level_override(LOG_ERROR), c.level) << (c.text ? c.text : "(unset)");
    }
    if (old) ::setenv("ASTROVANE_LOG_LEVEL", kept.c_str(), 1);
    else ::unsetenv("ASTROVANE_LOG_LEVEL");
}
