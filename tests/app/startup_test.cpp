// Start-up: the command-line matrix and the process's exit statuses, by running the real binary.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include "app/startup.h"
#include "support/run_program.h"

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
        dir = make_test_directory(std::string("startup-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    ProgramRun run(const std::vector<std::string> &args) { return run_program(BINARY, args, headless(dir)); }
    std::string dir;
};

TEST_F(CommandLine, HelpPrintsTheUsageTextAndExitsWith255) {
    for (const char *word : {"-h", "--help"}) {
        const ProgramRun r = run({word});
        EXPECT_EQ(r.out, usage_for(BINARY)) << word;
        EXPECT_EQ(r.status, 255) << word;
    }
}

TEST_F(CommandLine, VersionPrintsTheVersionLineAndExitsWith255) {
    const ProgramRun r = run({"--version"});
    EXPECT_EQ(r.out, VERSION_LINE);
    EXPECT_EQ(r.status, 255);
}

TEST_F(CommandLine, VersionAnywhereStopsBeforeLaterWords) {
    const ProgramRun r = run({"--no-sound-playback", "--version", "--bogus", "--store-path"});
    EXPECT_EQ(r.out, VERSION_LINE);
    EXPECT_EQ(r.status, 255);
}

TEST_F(CommandLine, UnknownWordStopsBeforeALaterVersion) {
    const ProgramRun r = run({"--bogus", "--version"});
    EXPECT_EQ(r.out, "Unknown option \"--bogus\"" + HINT);
    EXPECT_EQ(r.status, 255);
}

TEST_F(CommandLine, PlainWordIsAnUnknownOption) {
    const ProgramRun r = run({"play"});
    EXPECT_EQ(r.out, "Unknown option \"play\"" + HINT);
    EXPECT_EQ(r.status, 255);
}

TEST_F(CommandLine, OptionWithoutItsArgumentIsNamed) {
    for (const char *option : {"--basedir", "--music-volume", "--sound-volume", "--store-path", "--log-path"}) {
        const ProgramRun r = run({"--no-sound-playback", option});
        EXPECT_EQ(r.out, std::string(option) + " option needs a parameter" + HINT) << option;
        EXPECT_EQ(r.status, 255) << option;
    }
}

TEST_F(CommandLine, BasedirTakesAFollowingVersionAsItsDirectory) {
    const ProgramRun r = run({"--basedir", "--version"});
    EXPECT_EQ(r.out, "Failed to set current directory \"--version\"" + HINT);
    EXPECT_EQ(r.status, 255);
}

TEST_F(CommandLine, MissingStoreIsLoggedAndExitsWith255) {
    const ProgramRun r = run({"--store-path", "missing.dat", "--log-path", "run.log"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "");
    const std::string log = read_text_file(dir + "/run.log");
    EXPECT_NE(log.find("[ERROR] Failed to open data store (-6), exiting\r\n"), std::string::npos) << log;
}

TEST_F(CommandLine, MalformedStoreIsLoggedAndExitsWith255) {
    std::ofstream(dir + "/bad.dat", std::ios::binary) << "this is not a data store";
    const ProgramRun r = run({"--store-path", "bad.dat", "--log-path", "run.log"});
    EXPECT_EQ(r.status, 255);
    const std::string log = read_text_file(dir + "/run.log");
    EXPECT_NE(log.find("[ERROR] Failed to open data store (-23), exiting\r\n"), std::string::npos) << log;
}

TEST_F(CommandLine, StoreEndingInsideItsHeaderIsLoggedAndExitsWith255) {
    std::ofstream(dir + "/short.dat", std::ios::binary) << std::string("TCU\r\n\x01\x02", 7);
    const ProgramRun r = run({"--store-path", "short.dat", "--log-path", "run.log"});
    EXPECT_EQ(r.status, 255);
    const std::string log = read_text_file(dir + "/run.log");
    EXPECT_NE(log.find("[ERROR] Failed to open data store (-47), exiting\r\n"), std::string::npos) << log;
}

TEST_F(CommandLine, DefaultStoreIsStoreDatInTheWorkingDirectory) {
    const ProgramRun r = run({"--log-path", "run.log"});
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(read_text_file(dir + "/run.log").find("Failed to open data store (-6)"), std::string::npos);
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

TEST_F(CommandLine, BasedirThatCannotBeEnteredStops) {
    const ProgramRun r = run({"--basedir", dir + "/nowhere"});
    EXPECT_EQ(r.out, "Failed to set current directory \"" + dir + "/nowhere\"" + HINT);
    EXPECT_EQ(r.status, 255);
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
        options.signal_after_ms = 600;
        options.signal_to_send = signal;
        return run_program(BINARY, args, options);
    }
};

TEST_F(RunningProgram, SigtermEndsTheGameLoopAndTheProcessExitsWithZero) {
    const ProgramRun r = run_then_signal({"--log-path", "run.log"}, SIGTERM);   // the default ./store.dat
    EXPECT_EQ(r.signal, 0) << "the signal was handled";
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_text_file(dir + "/run.log").find("[ERROR]"), std::string::npos);
}

TEST_F(RunningProgram, CtrlCEndsItTheSameWay) {
    const ProgramRun r = run_then_signal({"--store-path", "store.dat", "--log-path", "run.log"}, SIGINT);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_text_file(dir + "/run.log").find("[ERROR]"), std::string::npos);
}

TEST_F(RunningProgram, VolumeOverridesAndSilentPlaybackAreAccepted) {
    const ProgramRun r = run_then_signal({"--music-volume", "2", "--sound-volume", "5", "--no-sound-playback",
                                          "--store-path", "store.dat", "--log-path", "run.log"},
                                         SIGTERM);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_text_file(dir + "/run.log").find("[ERROR]"), std::string::npos);
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
        options.signal_after_ms = 600;
        const ProgramRun r = run_program(BINARY, {"--store-path", "store.dat", "--log-path", "run.log"}, options);
        EXPECT_EQ(r.status, 0) << "library dir '" << library_dir << "' " << r.err;
        EXPECT_EQ(read_text_file(dir + "/run.log").find("Fatal error"), std::string::npos) << library_dir;
    }
}

// The display mode comes from the first word of the preferences file in the save folder.
class DisplayModePreference : public ::testing::Test {
protected:
    void SetUp() override {
        dir = make_test_directory(std::string("prefs-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        const char *old = std::getenv("XDG_DATA_HOME");
        had_old = old != nullptr;
        if (old) old_value = old;
        ::setenv("XDG_DATA_HOME", dir.c_str(), 1);
        std::filesystem::create_directories(dir + "/Astrovane");
    }
    void TearDown() override {
        if (had_old) ::setenv("XDG_DATA_HOME", old_value.c_str(), 1);
        else ::unsetenv("XDG_DATA_HOME");
    }
    void write_prefs(const std::string &bytes) {
        std::ofstream(dir + "/Astrovane/prefs.dat", std::ios::binary) << bytes;
    }
    std::string dir, old_value;
    bool        had_old = false;
};

TEST_F(DisplayModePreference, MissingFileMeansAWindow) { EXPECT_EQ(prefs_read_display_mode(), 0); }

TEST_F(DisplayModePreference, FirstWordIsReadBigEndian) {
    write_prefs(std::string("\x00\x00\x00\x01\x00\x00\x01\x2C", 8));
    EXPECT_EQ(prefs_read_display_mode(), 1);
    write_prefs(std::string("\x01\x00\x00\x00", 4));
    EXPECT_EQ(prefs_read_display_mode(), 0x01000000);
}

TEST_F(DisplayModePreference, FileShorterThanAWordMeansAWindow) {
    write_prefs(std::string("\x00\x00\x01", 3));
    EXPECT_EQ(prefs_read_display_mode(), 0);
}

}  // namespace
