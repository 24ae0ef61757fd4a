#pragma once
// An X server of a test's own (Xvfb on a free display) and the waits every end-to-end test needs.
// Tests skip with the reason start() gives when the machine has no Xvfb.
#include <gtest/gtest.h>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>
#include "support/run_program.h"

inline std::string find_tool(const std::string &name) {
    for (const char *dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        const std::string path = std::string(dir) + "/" + name;
        if (::access(path.c_str(), X_OK) == 0) return path;
    }
    return "";
}

inline std::string trim(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

// An X server on a display of its own, for one test. -noreset: the server must not reset (and refuse
// connections for a moment) when the probe below disconnects as the last client.
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

// The id of the window titled "Astrovane", waiting up to `seconds` for it; empty when none came.
// Generous by default: CI runs the end-to-end tests beside the whole suite on a loaded machine.
inline std::string wait_for_game_window(const PrivateDisplay &display, int seconds = 40) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        const ProgramRun found = display.tool({"xdotool", "search", "--name", "^Astrovane$"});
        const std::string window = trim(found.out.substr(0, found.out.find('\n')));
        if (!window.empty() || std::chrono::steady_clock::now() >= deadline) return window;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}
