// End to end: the real binary starts like the game on a private X server, on the classic SDL 1.2 and
// on SDL 1.2 over SDL 2. Its window shows the pulsing "Loading..." in the bottom-right corner while
// the shared assets load, the text fades out and the title mode takes over, its backdrop revealed
// around the menu and the boot log; SIGTERM then ends it cleanly and the log holds no error (a failed
// asset load among them).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

#include "compat_library.h"
#include "support/private_display.h"
#include "support/run_program.h"
#include "test_support.h"
#include "tools/png_decode.h"

namespace {

const std::string BINARY = ASTROVANE_BINARY_DIR "/astrovane";
const std::string GENERATED_STORE = ASTROVANE_BINARY_DIR "/store.dat";
const std::string TITLE_BACKDROP = ASTROVANE_BINARY_DIR "/assets/bg/003.png";   // what the title's reveal ends on

// A screenshot of the window, decoded; ok only for an 8-bit picture of the game's 1024 x 768.
struct WindowShot {
    bool       ok = false;
    DecodedPng png;
};

WindowShot look(const PrivateDisplay &x, const std::string &window, const std::string &path) {
    WindowShot shot;
    const ProgramRun imported = x.tool({"import", "-window", window, "PNG24:" + path});
    if (imported.status != 0) return shot;
    const std::vector<uint8_t> bytes = read_whole(path);
    shot.png = png_decode(bytes.data(), bytes.size());
    shot.ok = shot.png.ok && shot.png.width == 1024 && shot.png.height == 768 && shot.png.bit_depth == 8;
    return shot;
}

const uint8_t *pixel(const DecodedPng &png, uint32_t x, uint32_t y) {
    return png.pixels.data() + (size_t(y) * png.width + x) * size_t(png.channels());
}

// "Loading..." sits 8 pixels from the right and bottom edges and is under 200 pixels wide.
bool in_corner(uint32_t x, uint32_t y) { return x >= 1024 - 200 && y >= 768 - 60; }

// The text is green fading towards pale green and back: green strongest, red and blue equal and
// lower. Black (the faded text, the empty screen) does not count.
bool text_coloured(const uint8_t *p) {
    const int r = p[0], g = p[1], b = p[2];
    return g >= 60 && g >= r && g >= b && std::abs(r - b) <= 24;
}

// Text-coloured pixels in the corner and elsewhere.
void count_text(const DecodedPng &png, int *corner, int *elsewhere) {
    *corner = *elsewhere = 0;
    for (uint32_t y = 0; y < png.height; ++y)
        for (uint32_t x = 0; x < png.width; ++x)
            if (text_coloured(pixel(png, x, y))) (in_corner(x, y) ? *corner : *elsewhere) += 1;
}

// Corner pixels that differ from the title's backdrop by more than a little in any channel.
int corner_changes(const DecodedPng &shot, const DecodedPng &backdrop) {
    int n = 0;
    for (uint32_t y = 768 - 60; y < 768; ++y)
        for (uint32_t x = 1024 - 200; x < 1024; ++x) {
            const uint8_t *a = pixel(shot, x, y), *b = pixel(backdrop, x, y);
            n += std::abs(a[0] - b[0]) > 24 || std::abs(a[1] - b[1]) > 24 || std::abs(a[2] - b[2]) > 24;
        }
    return n;
}

// The title's own controls over its backdrop: the logo page's band near the top, the menu in the
// middle and the boot log bottom left.
bool on_title_controls(uint32_t x, uint32_t y) {
    return (y >= 70 && y < 220) || (x >= 400 && x < 624 && y >= 320 && y < 600) || (x < 320 && y >= 600);
}

// The root mean square of the colour differences over the window outside the title's controls,
// 0 (alike) to 1.
double difference(const DecodedPng &shot, const DecodedPng &backdrop) {
    double sum = 0;
    double count = 0;
    for (uint32_t y = 0; y < 768; ++y)
        for (uint32_t x = 0; x < 1024; ++x) {
            if (on_title_controls(x, y)) continue;
            count += 3;
            for (int c = 0; c < 3; ++c) {
                const double d = (pixel(shot, x, y)[c] - pixel(backdrop, x, y)[c]) / 255.0;
                sum += d * d;
            }
        }
    return std::sqrt(sum / count);
}

class WindowEndToEnd : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override {
        const std::string variant = GetParam();
        if (variant == "sdl12-compat" && !std::filesystem::exists(COMPAT_LIBRARY_DIR))
            GTEST_SKIP() << "sdl12-compat is not installed in " << COMPAT_LIBRARY_DIR;
        for (const char *tool : {"xdotool", "import"})
            ASSERT_FALSE(find_tool(tool).empty()) << tool << " is needed for the end-to-end test";
        dir = fresh_test_dir("e2e");
        const std::string why = display.start(dir);
        if (!why.empty()) GTEST_SKIP() << "no X server for the end-to-end test: " << why;
        ASSERT_TRUE(file_exists(GENERATED_STORE)) << "the build makes " << GENERATED_STORE;
    }
    std::string    dir;
    PrivateDisplay display;
};

TEST_P(WindowEndToEnd, OpensItsWindowDrawsAndEndsCleanlyOnSigterm) {
    const std::vector<uint8_t> backdrop_bytes = read_whole(TITLE_BACKDROP);
    const DecodedPng backdrop = png_decode(backdrop_bytes.data(), backdrop_bytes.size());
    ASSERT_TRUE(backdrop.ok && backdrop.width == 1024 && backdrop.height == 768) << TITLE_BACKDROP;

    ProgramOptions options;
    options.directory = dir;
    options.unset = {"SDL_VIDEODRIVER"};
    options.environment = {"DISPLAY=" + display.display(), "SDL_AUDIODRIVER=dummy", "XDG_DATA_HOME=" + dir + "/save"};
    if (std::string(GetParam()) == "sdl12-compat") {
        options.environment.push_back("LD_LIBRARY_PATH=" + COMPAT_LIBRARY_DIR);
        // No leak check for the game on this variant: SDL 2 under the compatibility layer draws through
        // Mesa's software GL driver and unloads it at shut-down, so what the driver keeps for itself
        // until then is reported as a leak of an unknown module, which no suppression can name. Every
        // other sanitizer check stays on, and the classic variant runs the same code with leak checks.
        const char *asan = std::getenv("ASAN_OPTIONS");
        options.environment.push_back(std::string("ASAN_OPTIONS=") + (asan && *asan ? std::string(asan) + ":" : "") +
                                      "detect_leaks=0");
    }
    // A returning player's preferences (a window, the usual volumes and speeds, empty slots): a first
    // run would open the help window over the title.
    std::filesystem::create_directories(dir + "/save/Astrovane");
    {
        std::string prefs;
        for (uint32_t word : {0u, 128u, 76u, 300u, 0u, 100u})
            for (int shift = 24; shift >= 0; shift -= 8) prefs += char(word >> shift);
        prefs += std::string(5 * 11, '\0');
        std::ofstream(dir + "/save/Astrovane/prefs.dat", std::ios::binary) << prefs;
    }
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

        // While loading and fading: the text in the corner, nothing of its colour elsewhere.
        WindowShot loading;
        int corner = 0, elsewhere = 0;
        // (a pixel or two of its colour elsewhere in the corner is not yet the text)
        for (int i = 0; i < 40 && corner <= 30; ++i) {
            loading = look(display, window, dir + "/loading.png");
            if (loading.ok) count_text(loading.png, &corner, &elsewhere);
        }
        EXPECT_TRUE(loading.ok) << "no screenshot of 1024 x 768";
        EXPECT_GT(corner, 30) << "the pulsing \"Loading...\" in the bottom-right corner";
        EXPECT_EQ(elsewhere, 0);

        // After the switch the window holds the title's backdrop (the mouse cursor may cover a little
        // of it), nothing of the text left in the corner. Frames arrive when the machine lets them:
        // the boot log's countdown and the reveal before it run on the game's clock, which a busy
        // machine slows to well past 20 s.
        WindowShot title;
        double apart = 1.0;
        int changes = -1;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        do {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            title = look(display, window, dir + "/title.png");
            if (title.ok) {
                apart = difference(title.png, backdrop);
                changes = corner_changes(title.png, backdrop);
            }
        } while ((apart >= 0.02 || changes != 0) && std::chrono::steady_clock::now() < deadline);
        EXPECT_TRUE(title.ok) << "no screenshot of 1024 x 768";
        EXPECT_LT(apart, 0.02) << "the window never showed " << TITLE_BACKDROP;
        EXPECT_EQ(changes, 0) << "the corner shows the title's backdrop, the text gone";
    }

    const ProgramRun ended = finish_program(pid, out_fd, err_fd, SIGTERM, 10000);
    EXPECT_EQ(ended.signal, 0);
    EXPECT_EQ(ended.status, 0) << ended.err;
    // Start-up keeps only ERROR lines; a failed asset load is one of them.
    const std::string log = read_text_file(dir + "/run.log");
    EXPECT_EQ(log.find("ERROR"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Sdl, WindowEndToEnd, ::testing::Values("sdl12", "sdl12-compat"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             return std::string(info.param) == "sdl12" ? std::string("Classic") : std::string("Compat");
                         });

}  // namespace
