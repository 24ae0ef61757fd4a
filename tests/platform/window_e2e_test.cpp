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
#include "support/run_program.h"

namespace {

const std::string BINARY = ASTROVANE_BINARY_DIR "/astrovane";
const std::string GENERATED_STORE = ASTROVANE_BINARY_DIR "/store.dat";
const std::string TITLE_BACKDROP = ASTROVANE_BINARY_DIR "/assets/bg/000.png";
const std::string COMPAT_LIBRARY_DIR = "/usr/lib/x86_64-linux-gnu/sdl12-compat";

std::string find_tool(const std::string &name) {
    for (const char *dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        const std::string path = std::string(dir) + "/" + name;
        if (::access(path.c_str(), X_OK) == 0) return path;
    }
    return "";
}

std::string trim(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

// An X server on a display of its own, for one test.
class PrivateDisplay {
public:
    ~PrivateDisplay() { stop(); }

    // Empty on success, else why the server is not there.
    std::string start(const std::string &directory) {
        const std::string xvfb = find_tool("Xvfb");
        if (xvfb.empty()) return "Xvfb is not installed";
        int fds[2];
        if (::pipe(fds) != 0) return "no pipe for -displayfd";
        ProgramOptions options;
        options.directory = directory;
        pid_ = start_program(xvfb, {"-displayfd", std::to_string(fds[1]), "-noreset", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
                             options, &out_fd_, &err_fd_);
        ::close(fds[1]);
        if (pid_ < 0) {
            ::close(fds[0]);
            return "Xvfb did not start";
        }
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (std::chrono::steady_clock::now() < deadline && number.find('\n') == std::string::npos) {
            if (::poll(&p, 1, 200) > 0) {
                char c[16];
                const ssize_t n = ::read(fds[0], c, sizeof c);
                if (n <= 0) break;
                number.append(c, size_t(n));
            }
        }
        ::close(fds[0]);
        number = trim(number);
        if (number.empty()) return "Xvfb reported no display";
        display_ = ":" + number;
        // The display number comes before the server takes connections everywhere: wait for one.
        for (int i = 0; i < 100; ++i) {
            if (tool({"xdotool", "getdisplaygeometry"}).status == 0) return "";
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return "Xvfb on " + display_ + " takes no connections";
    }

    void stop() {
        if (pid_ > 0) finish_program(pid_, out_fd_, err_fd_, SIGTERM, 5000);
        pid_ = -1;
    }

    ProgramRun tool(const std::vector<std::string> &command) const {
        ProgramOptions options;
        options.environment = {"DISPLAY=" + display_};
        return run_program(find_tool(command[0]), {command.begin() + 1, command.end()}, options);
    }

    const std::string &display() const { return display_; }

private:
    pid_t       pid_ = -1;
    int         out_fd_ = -1, err_fd_ = -1;
    std::string display_;
};

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

    std::string window;
    // Generous: CI machines run this beside the whole suite, and a loaded machine starts slowly.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(40);
    while (window.empty() && std::chrono::steady_clock::now() < deadline) {
        const ProgramRun found = display.tool({"xdotool", "search", "--name", "^Astrovane$"});
        window = trim(found.out.substr(0, found.out.find('\n')));
        if (window.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
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
