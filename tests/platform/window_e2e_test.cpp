// End to end: the real binary opens its window on a private X server, draws, and ends on SIGTERM.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include "support/private_display.h"
#include "support/run_program.h"

namespace {

const std::string BINARY = ASTROVANE_BINARY_DIR "/astrovane";
const std::string GENERATED_STORE = ASTROVANE_BINARY_DIR "/store.dat";
const std::string TITLE_BACKDROP = ASTROVANE_BINARY_DIR "/assets/bg/000.png";
const std::string COMPAT_LIBRARY_DIR = "/usr/lib/x86_64-linux-gnu/sdl12-compat";

// The classic SDL 1.2 and, through LD_LIBRARY_PATH, SDL 1.2 over SDL 2.
class WindowEndToEnd : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override {
        const std::string variant = GetParam();
        if (variant == "sdl12-compat" && !std::filesystem::exists(COMPAT_LIBRARY_DIR))
            GTEST_SKIP() << "sdl12-compat is not installed in " << COMPAT_LIBRARY_DIR;
        for (const char *tool : {"xdotool", "import", "identify"})
            ASSERT_FALSE(find_tool(tool).empty()) << tool << " is needed for the end-to-end test";
        dir = make_test_directory("e2e-" + variant);
        const std::string why = display.start(dir);
        if (!why.empty()) GTEST_SKIP() << "no X server for the end-to-end test: " << why;
        ASSERT_TRUE(file_exists(GENERATED_STORE)) << "the build makes " << GENERATED_STORE;
    }
    std::string    dir;
    PrivateDisplay display;
};

TEST_P(WindowEndToEnd, OpensItsWindowDrawsAndEndsCleanlyOnSigterm) {
    ProgramOptions options;
    options.directory = dir;
    options.unset = {"SDL_VIDEODRIVER"};
    options.environment = {"DISPLAY=" + display.display(), "SDL_AUDIODRIVER=dummy", "XDG_DATA_HOME=" + dir + "/save"};
    if (std::string(GetParam()) == "sdl12-compat") options.environment.push_back("LD_LIBRARY_PATH=" + COMPAT_LIBRARY_DIR);
    int out_fd = -1, err_fd = -1;
    const pid_t pid = start_program(BINARY, {"--store-path", GENERATED_STORE, "--log-path", "run.log"}, options, &out_fd, &err_fd);
    ASSERT_GT(pid, 0);

    const std::string window = wait_for_game_window(display);
    EXPECT_FALSE(window.empty()) << "no window titled Astrovane";
    const std::string maps = read_text_file("/proc/" + std::to_string(pid) + "/maps");
    const bool on_compat = maps.find(COMPAT_LIBRARY_DIR) != std::string::npos;
    EXPECT_EQ(on_compat, std::string(GetParam()) == "sdl12-compat") << "the SDL library the binary runs on";
    if (!window.empty()) {
        const ProgramRun geometry = display.tool({"xdotool", "getwindowgeometry", window});
        EXPECT_NE(geometry.out.find("Geometry: 1024x768"), std::string::npos) << geometry.out;
        // The title's stand-in shows background 0. Frames arrive when the machine lets them: take
        // screenshots until the window holds that picture (the mouse cursor may cover a corner).
        const std::string shot = dir + "/screenshot.png";
        double difference = 1.0;
        const auto shown_by = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (difference >= 0.02 && std::chrono::steady_clock::now() < shown_by) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const ProgramRun imported = display.tool({"import", "-window", window, shot});
            ASSERT_EQ(imported.status, 0) << imported.err;
            const ProgramRun diff = display.tool({"compare", "-metric", "RMSE", shot, TITLE_BACKDROP, "null:"});
            const size_t open = diff.err.find('(');
            ASSERT_NE(open, std::string::npos) << diff.err;
            difference = std::stod(diff.err.substr(open + 1));
        }
        const ProgramRun size = display.tool({"identify", "-format", "%wx%h", shot});
        EXPECT_EQ(size.out, "1024x768") << size.err;
        EXPECT_LT(difference, 0.02) << "the window never showed " << TITLE_BACKDROP;
    }

    const ProgramRun ended = finish_program(pid, out_fd, err_fd, SIGTERM, 10000);
    EXPECT_EQ(ended.signal, 0);
    EXPECT_EQ(ended.status, 0) << ended.err;
    const std::string log = read_text_file(dir + "/run.log");
    EXPECT_EQ(log.find("ERROR"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Sdl, WindowEndToEnd, ::testing::Values("sdl12", "sdl12-compat"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             return std::string(info.param) == "sdl12" ? std::string("Classic") : std::string("Compat");
                         });

}  // namespace
