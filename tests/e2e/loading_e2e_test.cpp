// End to end: the real binary starts like the game. Its window shows the pulsing "Loading..." in
// the bottom-right corner while the shared assets load, the text fades out and the title mode
// takes over; the log holds no asset load failure.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>

#include "support/private_display.h"
#include "support/run_program.h"
#include "test_support.h"
#include "tools/png_decode.h"

namespace {

const std::string BINARY = ASTROVANE_BINARY_DIR "/astrovane";
const std::string STORE = ASTROVANE_BINARY_DIR "/store.dat";
const std::string BACKDROP = ASTROVANE_BINARY_DIR "/assets/bg/000.png";   // the title stand-in's picture

struct Shot {
    bool       ok = false;
    DecodedPng png;
};

Shot look(const PrivateDisplay &x, const std::string &window, const std::string &path) {
    Shot shot;
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

TEST(LoadingEndToEnd, ThePulsingTextShowsInTheCornerThenTheTitleTakesOverWithoutLoadFailures) {
    for (const char *tool : {"xdotool", "import"})
        if (find_tool(tool).empty()) GTEST_SKIP() << tool << " is not installed";
    const std::string dir = make_test_directory("e2e-loading");
    PrivateDisplay x;
    const std::string why = x.start(dir);
    if (!why.empty()) GTEST_SKIP() << "no X server: " << why;
    ASSERT_TRUE(file_exists(STORE));

    ProgramOptions options;
    options.directory = dir;
    options.unset = {"SDL_VIDEODRIVER"};
    options.environment = {"DISPLAY=" + x.display(), "SDL_AUDIODRIVER=dummy", "XDG_DATA_HOME=" + dir + "/save"};
    int out = -1, err = -1;
    const pid_t pid = start_program(BINARY, {"--store-path", STORE, "--log-path", "run.log"}, options, &out, &err);
    ASSERT_GT(pid, 0);

    const std::string window = wait_for_game_window(x);
    ASSERT_FALSE(window.empty()) << "no window titled Astrovane";

    // While loading and fading: the text in the corner, nothing of its colour elsewhere.
    Shot loading;
    int corner = 0, elsewhere = 0;
    for (int i = 0; i < 40 && corner == 0; ++i) {
        loading = look(x, window, dir + "/loading.png");
        if (loading.ok) count_text(loading.png, &corner, &elsewhere);
    }
    ASSERT_TRUE(loading.ok) << "no screenshot";
    EXPECT_GT(corner, 30) << "the pulsing \"Loading...\" in the bottom-right corner";
    EXPECT_EQ(elsewhere, 0);

    // After the switch: the title's backdrop, with nothing of the text left over it.
    const std::vector<uint8_t> backdrop_bytes = read_whole(BACKDROP);
    const DecodedPng backdrop = png_decode(backdrop_bytes.data(), backdrop_bytes.size());
    ASSERT_TRUE(backdrop.ok && backdrop.width == 1024 && backdrop.height == 768) << BACKDROP;
    Shot title;
    int changes = -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        title = look(x, window, dir + "/title.png");
        if (title.ok) changes = corner_changes(title.png, backdrop);
    } while (changes != 0 && std::chrono::steady_clock::now() < deadline);
    EXPECT_TRUE(title.ok);
    EXPECT_EQ(changes, 0) << "the corner shows the title's backdrop, the text gone";

    const ProgramRun ended = finish_program(pid, out, err, SIGTERM, 10000);
    EXPECT_EQ(ended.status, 0) << ended.err;
    // Start-up keeps only ERROR lines; a failed asset load is one of them.
    const std::string log = read_text_file(dir + "/run.log");
    for (const char *failure : {"Failed to load", "Failed to resolve", "Failed to create"})
        EXPECT_EQ(log.find(failure), std::string::npos) << log;
}

}  // namespace
