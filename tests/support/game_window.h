#pragma once
// The real program on a private X server, driven as a player drives it: keys and clicks through
// xdotool, screenshots through ImageMagick's import, and the log read as it grows. The end-to-end
// roads build on it.
//  - The program runs with ASTROVANE_LOG_LEVEL=6 so that its mode switches ("Application mode is
//    now %i") reach the log, with a save folder of the test's own, and with a fixed galaxy seed
//    (ROAD_SEED) unless the road gives its own: a new game is the same galaxy on every run.
//  - Screenshots are kept under build/test-output/screens/<road>/ for a person to look at.
//  - A road waits on what the game produces (a log line, a file, a region of the screen reaching a
//    state), never on the clock alone: each wait has a deadline and names what did not come. A road
//    names its steps (step()); when it fails, the window keeps the screen of the step it failed at
//    (<road>/FAILED_step_NN_<step>.png) and says which step that was.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/private_display.h"
#include "support/run_program.h"
#include "test_support.h"
#include "tools/png_decode.h"

// A rectangle of the game's screen, right and bottom edges excluded.
struct ScreenBox {
    int x0 = 0, y0 = 0, x1 = 1024, y1 = 768;
};
constexpr ScreenBox WHOLE_SCREEN{};

// Pixels that differ clearly between two screenshots inside a rectangle; -1 when they do not compare.
inline int pixels_changed(const DecodedPng &a, const DecodedPng &b, int x0, int y0, int x1, int y1) {
    if (!a.ok || !b.ok || a.width != b.width || a.height != b.height) return -1;
    int n = 0;
    for (int y = y0; y < y1 && y < int(a.height); ++y)
        for (int x = x0; x < x1 && x < int(a.width); ++x) {
            const size_t at = (size_t(y) * a.width + size_t(x)) * size_t(a.channels());
            int d = 0;
            for (int c = 0; c < 3; ++c) d += std::abs(int(a.pixels[at + size_t(c)]) - int(b.pixels[at + size_t(c)]));
            n += d > 60;
        }
    return n;
}
inline int pixels_changed(const DecodedPng &a, const DecodedPng &b, ScreenBox r) {
    return pixels_changed(a, b, r.x0, r.y0, r.x1, r.y1);
}

// The galaxy seed of a road's new games: its home sector stands on the first screen.
constexpr const char *ROAD_SEED = "20261208";

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
        // One galaxy on every run (its home on the first screen) unless the road names its own seed.
        bool seeded = false;
        for (const std::string &e : extra_env_) seeded |= e.rfind("ASTROVANE_RANDOM_SEED=", 0) == 0;
        if (!seeded) options.environment.push_back("ASTROVANE_RANDOM_SEED=" + std::string(ROAD_SEED));
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
        keep_failure_screen();
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

    // The road's step under way, named in every failed wait and in the screenshot kept on failure.
    void step(const std::string &road, const std::string &name) {
        keep_failure_screen();   // a failure in the step before is shown as it was then
        road_ = road;
        step_ = name;
        ++step_number_;
    }
    const std::string &road() const { return road_; }
    // A control that has just shown takes no input for a moment (at most 400 ms of the game's
    // clock): a road waits this long once the screen it clicks on has settled.
    static constexpr int INPUT_UNLOCK_MS = 450;

    std::string where() const {
        std::string at = step_.empty() ? std::string("before the first step")
                                       : "at step " + std::to_string(step_number_) + " (" + step_ + ")";
        if (!last_shot_.empty()) at += ", after the screenshot " + last_shot_;
        return at;
    }

    // Polls `ready` until it holds; false after `seconds`, with a failure naming the step and `what`.
    bool wait_until(const std::string &what, const std::function<bool()> &ready, int seconds = 30) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        for (;;) {
            if (ready()) return true;
            if (std::chrono::steady_clock::now() >= deadline) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ADD_FAILURE() << "road " << road_ << " " << where() << ": " << what << " did not come within " << seconds << " s";
        return false;
    }
    // The same for the log: `text` at least `count` times.
    bool expect_log(const std::string &text, int seconds = 60, int count = 1) const {
        return wait_until("the log line \"" + text + "\"" + (count > 1 ? " (" + std::to_string(count) + " times)" : ""),
                          [&] { return occurrences(log(), text) >= count; }, seconds);
    }

    // The screen, not kept (ok false when the screenshot failed).
    DecodedPng look() const { return capture_raw(dir_ + "/probe.ppm"); }

    // Keeps the screen look() saw last as <road>/<name>.png (a state the screen holds only for a
    // moment is so kept as it was seen).
    void keep_look(const std::string &road, const std::string &name) const {
        road_ = road;
        last_shot_ = name;
        const std::string folder = test_output_dir() + "/screens/" + road;
        std::filesystem::create_directories(folder);
        (void)display_.tool({"convert", dir_ + "/probe.ppm", "-quality", "10", "PNG24:" + folder + "/" + name + ".png"});
    }

    // Screenshots until `ready` holds for one; that one, or (after `seconds`, with a failure naming
    // the step and `what`) the last.
    DecodedPng wait_for_screen(const std::string &what, const std::function<bool(const DecodedPng &)> &ready,
                               int seconds = 30) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        DecodedPng now;
        for (;;) {
            now = look();
            if (now.ok && ready(now)) return now;
            if (std::chrono::steady_clock::now() >= deadline) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
        }
        ADD_FAILURE() << "road " << road_ << " " << where() << ": " << what << " did not show within " << seconds << " s";
        return now;
    }

    // The same for a state the screen holds only for a moment (a band that opens, holds for 2.4 s
    // and slides away): `lanes` screenshots are taken at once, each lane back to back, so that one
    // slow screenshot on a busy machine cannot step over it. `ready` sees one screenshot at a time;
    // the one it accepted (or, after a failure naming the step, `what` and the screenshots taken,
    // the last) is what keep_look() keeps.
    DecodedPng watch_for_screen(const std::string &what, const std::function<bool(const DecodedPng &)> &ready,
                                int seconds = 30, int lanes = 3) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        std::mutex lock;
        DecodedPng kept;
        std::string kept_path;
        bool found = false;
        int looks = 0;
        std::vector<std::thread> threads;
        for (int lane = 0; lane < lanes; ++lane)
            threads.emplace_back([&, lane] {
                const std::string path = dir_ + "/probe_" + std::to_string(lane) + ".ppm";
                for (;;) {
                    {
                        const std::lock_guard<std::mutex> hold(lock);
                        if (found || std::chrono::steady_clock::now() >= deadline) return;
                    }
                    DecodedPng now = capture_raw(path);
                    const std::lock_guard<std::mutex> hold(lock);
                    ++looks;
                    if (found || !now.ok) continue;
                    found = ready(now);
                    std::error_code ignored;   // a lane's next screenshot cannot overwrite what is kept
                    std::filesystem::copy_file(path, dir_ + "/probe.ppm", std::filesystem::copy_options::overwrite_existing,
                                               ignored);
                    kept = std::move(now);
                    kept_path = path;
                }
            });
        for (std::thread &t : threads) t.join();
        if (!found)
            ADD_FAILURE() << "road " << road_ << " " << where() << ": " << what << " did not show within " << seconds
                          << " s (" << looks << " screenshots)";
        return kept;
    }

    // Presses `key` until a screen shows what `ready` looks for: a key that came while the screen
    // still took no input is pressed again after `retry_seconds`, `tries` times in all. That screen,
    // or (with a failure naming the step and `what`) the last one seen.
    DecodedPng key_until(const std::string &name, const std::string &what,
                         const std::function<bool(const DecodedPng &)> &ready, int tries = 4, int retry_seconds = 6) {
        DecodedPng now;
        for (int i = 0; i < tries; ++i) {
            key(name);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(retry_seconds);
            do {
                now = look();
                if (now.ok && ready(now)) return now;
                std::this_thread::sleep_for(std::chrono::milliseconds(60));
            } while (std::chrono::steady_clock::now() < deadline);
        }
        ADD_FAILURE() << "road " << road_ << " " << where() << ": " << what << " did not show after " << tries
                      << " presses of " << name;
        return now;
    }

    // The screen once `box` differs from `before` in more than `pixels` pixels and has come to rest
    // there (two screenshots in a row alike within a twentieth of that), saved as <road>/<name>.png.
    // A panel that grows in or a list that fills is so taken when it is whole, however slowly the
    // frames come; then the moment a control that has just shown takes no input is let pass. After
    // `seconds` the last screen is taken and a failure names the step and `what`.
    DecodedPng shot_when_changed(const std::string &road, const std::string &name, const DecodedPng &before,
                                 ScreenBox box, int pixels, const std::string &what, int seconds = 30) const {
        road_ = road;
        DecodedPng now = wait_for_screen(what, [&](const DecodedPng &png) { return pixels_changed(before, png, box) > pixels; },
                                         seconds);
        settle(now, box, std::max(20, pixels / 20));
        DecodedPng kept = shot(road, name);
        let_input_unlock();
        return kept;
    }

    // The same without keeping it: the screen once `box` differs from `before` in more than `pixels`
    // pixels and has come to rest, then the moment a control that has just shown takes no input.
    DecodedPng changed(const DecodedPng &before, ScreenBox box, int pixels, const std::string &what,
                       int seconds = 30) const {
        DecodedPng now = wait_for_screen(what, [&](const DecodedPng &png) { return pixels_changed(before, png, box) > pixels; },
                                         seconds);
        settle(now, box, std::max(20, pixels / 20));
        let_input_unlock();
        return now;
    }

    // The screen at rest in `box` (an animation of the moment run out), before an action whose
    // effect a road waits for.
    DecodedPng resting(ScreenBox box = WHOLE_SCREEN, int pixels = 20) const {
        DecodedPng now = look();
        settle(now, box, pixels);
        return now;
    }

    // A click whose effect shows in `box`: the pointer rests on the point (a hover's highlight is
    // drawn before the screen is taken), the click, then the screen waited for as changed() waits.
    DecodedPng click_for(int x, int y, const std::string &what, ScreenBox box = WHOLE_SCREEN, int pixels = 200,
                         int seconds = 30) const {
        move(x, y);
        const DecodedPng before = resting(box, std::max(20, pixels / 20));
        click(x, y);
        return changed(before, box, pixels, what, seconds);
    }

    // A key whose effect shows in `box`, waited for as changed() waits.
    DecodedPng key_for(const std::string &name, const std::string &what, ScreenBox box = WHOLE_SCREEN, int pixels = 200,
                       int seconds = 30) const {
        const DecodedPng before = resting(box, std::max(20, pixels / 20));
        key(name);
        return changed(before, box, pixels, what, seconds);
    }

    // Screenshots until two in a row differ in at most `pixels` pixels of `box`; the last is left in
    // `screen` (on entry, the latest screen seen). Some screens never rest wholly (the star map's
    // stars twinkle, a selection ring turns, a button's caption shimmers): one whose change from
    // shot to shot stays within what lives there of its own accord (a 200th of the box) and about
    // the same three times in a row is at rest too. False after `seconds` (an animation that never
    // rests: the caller's next check decides).
    bool settle(DecodedPng &screen, ScreenBox box = WHOLE_SCREEN, int pixels = 20, int seconds = 10) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        const int life = std::max(pixels, (box.x1 - box.x0) * (box.y1 - box.y0) / 200);
        int last = -1, steady = 0;
        if (!screen.ok) screen = look();
        while (std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            DecodedPng next = look();
            const int changed = pixels_changed(screen, next, box);
            screen = std::move(next);
            if (changed >= 0 && changed <= pixels) return true;
            const bool alive = changed >= 0 && changed <= life && last >= 0 && last <= life &&
                               std::abs(changed - last) <= std::max(pixels, last / 2);
            steady = alive ? steady + 1 : 0;
            if (steady >= 2) return true;
            last = changed;
        }
        return false;
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
        road_ = road;
        last_shot_ = name;
        const std::string folder = test_output_dir() + "/screens/" + road;
        std::filesystem::create_directories(folder);
        return capture(folder + "/" + name + ".png");
    }

    static void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    // A screen that has come to rest still takes no input for INPUT_UNLOCK_MS: the one fixed wait
    // a road makes between a screen it has seen and the click or key it gives that screen.
    static void let_input_unlock() { pause(INPUT_UNLOCK_MS); }

    const std::string &window() const { return window_; }

private:
    // A screenshot kept for review: PNG at zlib's fastest level.
    DecodedPng capture(const std::string &path) const {
        DecodedPng png;
        if (window_.empty() || display_.tool({"import", "-window", window_, "-quality", "10", "PNG24:" + path}).status != 0)
            return png;
        const std::vector<uint8_t> bytes = read_whole(path);
        png = png_decode(bytes.data(), bytes.size());
        return png;
    }

    // A screenshot only looked at, as 8-bit PPM: no compression, so a road polling the screen sees
    // it several times a second even on a busy machine.
    DecodedPng capture_raw(const std::string &path) const {
        DecodedPng out;
        if (window_.empty() || display_.tool({"import", "-window", window_, "-depth", "8", "ppm:" + path}).status != 0)
            return out;
        const std::vector<uint8_t> bytes = read_whole(path);
        // "P6", width, height and 255, each after white space, then one white space and the rows.
        size_t at = 0;
        auto number = [&]() -> long {
            while (at < bytes.size() && std::isspace(bytes[at])) ++at;
            long n = -1;
            while (at < bytes.size() && std::isdigit(bytes[at])) n = (n < 0 ? 0 : n * 10) + (bytes[at++] - '0');
            return n;
        };
        if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != '6') return out;
        at = 2;
        const long w = number(), h = number(), max = number();
        if (w <= 0 || h <= 0 || max != 255 || at >= bytes.size()) return out;
        ++at;
        if (bytes.size() - at < size_t(w) * size_t(h) * 3) return out;
        out.width = uint32_t(w);
        out.height = uint32_t(h);
        out.bit_depth = 8;
        out.colour_type = PNG_COLOR_TYPE_RGB;
        out.pixels.assign(bytes.begin() + long(at), bytes.begin() + long(at) + w * h * 3);
        out.ok = true;
        return out;
    }

    // A failed road keeps the screen as it was when the program was ended, named after the step.
    void keep_failure_screen() {
        if (pid_ <= 0 || !::testing::Test::HasFailure() || failure_kept_) return;
        failure_kept_ = true;
        std::string name = step_.empty() ? std::string("start") : step_;
        for (char &c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        char number[8];
        std::snprintf(number, sizeof number, "%02d", step_number_);
        const std::string road = road_.empty() ? std::string("unnamed") : road_;
        const std::string file = std::string("FAILED_step_") + number + "_" + name;
        const std::string folder = test_output_dir() + "/screens/" + road;
        std::filesystem::create_directories(folder);
        capture(folder + "/" + file + ".png");
        std::fprintf(stderr, "road %s failed %s; its screen: %s/screens/%s/%s.png\n", road.c_str(), where().c_str(),
                     test_output_dir().c_str(), road.c_str(), file.c_str());
    }

    const PrivateDisplay &display_;
    mutable std::string road_, last_shot_;
    std::string step_;
    int step_number_ = 0;
    bool failure_kept_ = false;
    std::string dir_, save_home_, log_path_, window_;
    std::vector<std::string> extra_env_;
    pid_t pid_ = -1;
    int   out_fd_ = -1, err_fd_ = -1;
};
