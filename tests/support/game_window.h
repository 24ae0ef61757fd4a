#pragma once
// The real program on a private X server, driven as a player drives it: keys and clicks through
// xdotool, screenshots through ImageMagick's import, and the log read as it grows. The end-to-end
// roads build on it.
//  - The program runs with ASTROVANE_LOG_LEVEL=6 so that its mode switches ("Application mode is
//    now %i") reach the log, and with a save folder of the test's own.
//  - Screenshots are kept under build/test-output/screens/<road>/ for a person to look at.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/private_display.h"
#include "support/run_program.h"
#include "test_support.h"
#include "tools/png_decode.h"

class GameWindow {
public:
    // extra_env: more NAME=value entries for the program's environment.
    GameWindow(const PrivateDisplay &display, std::string dir, std::string save_home,
               std::vector<std::string> extra_env = {})
        : display_(display), dir_(std::move(dir)), save_home_(std::move(save_home)), extra_env_(std::move(extra_env)) {}
    ~GameWindow() { stop(SIGTERM); }
    GameWindow(const GameWindow &) = delete;
    GameWindow &operator=(const GameWindow &) = delete;

    // Starts the program over the generated store; false when it or its window did not come.
    bool start(const std::string &log_name) {
        log_path_ = dir_ + "/" + log_name;
        std::filesystem::remove(log_path_);
        ProgramOptions options;
        options.directory = dir_;
        options.unset = {"SDL_VIDEODRIVER"};
        options.environment = {"DISPLAY=" + display_.display(), "SDL_AUDIODRIVER=dummy",
                               "XDG_DATA_HOME=" + save_home_, "ASTROVANE_LOG_LEVEL=6"};
        options.environment.insert(options.environment.end(), extra_env_.begin(), extra_env_.end());
        pid_ = start_program(ASTROVANE_BINARY_DIR "/astrovane",
                             {"--store-path", ASTROVANE_BINARY_DIR "/store.dat", "--log-path", log_path_}, options,
                             &out_fd_, &err_fd_);
        if (pid_ <= 0) return false;
        window_ = wait_for_game_window(display_);
        if (window_.empty()) return false;
        // No window manager runs: give the window the keyboard ourselves.
        (void)display_.tool({"xdotool", "windowfocus", "--sync", window_});
        return true;
    }

    // Ends the program: with signal 0 waits for it to leave on its own.
    ProgramRun stop(int signal, int timeout_ms = 15000) {
        if (pid_ <= 0) return {};
        ProgramRun run = finish_program(pid_, out_fd_, err_fd_, signal, timeout_ms);
        pid_ = -1;
        return run;
    }

    std::string log() const { return read_text_file(log_path_); }

    // Waits until the log holds `text` `count` times; false after `seconds`.
    bool wait_for_log(const std::string &text, int seconds = 60, int count = 1) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        for (;;) {
            if (occurrences(log(), text) >= count) return true;
            if (std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    static int occurrences(const std::string &text, const std::string &what) {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
        return n;
    }

    // The game polls the keyboard and the buttons once a frame (20 ms): a key or a button is held
    // for a few frames, as a player's finger holds it, or the game may never see it down.
    void key(const std::string &name) const {
        (void)display_.tool({"xdotool", "windowfocus", "--sync", window_});
        (void)display_.tool({"xdotool", "keydown", name});
        pause(150);
        (void)display_.tool({"xdotool", "keyup", name});
        pause(150);
    }

    // Types letters, digits and blanks one key at a time. A capital is typed as a person types it:
    // Shift goes down first and the letter in a later frame (the game takes one new key a frame).
    void type(const std::string &text) const {
        for (char c : text) {
            if (c == ' ') {
                key("space");
            } else if (std::isupper(static_cast<unsigned char>(c))) {
                (void)display_.tool({"xdotool", "keydown", "shift"});
                pause(120);
                key(std::string(1, char(std::tolower(c))));
                (void)display_.tool({"xdotool", "keyup", "shift"});
                pause(120);
            } else {
                key(std::string(1, c));
            }
        }
    }

    // A click at a point of the game's 1024 x 768 screen; the pointer rests there first, as a
    // player's would, so the control under it is hovered before the button goes down.
    void click(int x, int y) const {
        (void)display_.tool({"xdotool", "mousemove", "--window", window_, std::to_string(x), std::to_string(y)});
        pause(120);
        (void)display_.tool({"xdotool", "mousedown", "1"});
        pause(200);
        (void)display_.tool({"xdotool", "mouseup", "1"});
        pause(200);
    }

    void move(int x, int y) const {
        (void)display_.tool({"xdotool", "mousemove", "--window", window_, std::to_string(x), std::to_string(y)});
        pause(120);
    }

    // Saves a screenshot as <road dir>/<name>.png and returns it decoded (ok false when it failed).
    DecodedPng shot(const std::string &road, const std::string &name) const {
        const std::string folder = std::string(ASTROVANE_BINARY_DIR) + "/test-output/screens/" + road;
        std::filesystem::create_directories(folder);
        const std::string path = folder + "/" + name + ".png";
        DecodedPng png;
        if (display_.tool({"import", "-window", window_, "PNG24:" + path}).status != 0) return png;
        const std::vector<uint8_t> bytes = read_whole(path);
        png = png_decode(bytes.data(), bytes.size());
        return png;
    }

    static void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    const std::string &window() const { return window_; }

private:
    const PrivateDisplay &display_;
    std::string dir_, save_home_, log_path_, window_;
    std::vector<std::string> extra_env_;
    pid_t pid_ = -1;
    int   out_fd_ = -1, err_fd_ = -1;
};
