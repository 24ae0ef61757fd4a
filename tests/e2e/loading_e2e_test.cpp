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

#include "support/run_program.h"
#include "test_support.h"
#include "tools/png_decode.h"

namespace {

const std::string BINARY = ASTROVANE_BINARY_DIR "/astrovane";
const std::string STORE = ASTROVANE_BINARY_DIR "/store.dat";
const std::string BACKDROP = ASTROVANE_BINARY_DIR "/assets/bg/000.png";   // the title stand-in's picture

std::string tool_path(const std::string &name) {
    for (const char *dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        const std::string path = std::string(dir) + "/" + name;
        if (::access(path.c_str(), X_OK) == 0) return path;
    }
    return "";
}

std::string first_line(const std::string &s) {
    std::string line = s.substr(0, s.find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

// An X server of the test's own.
class Xserver {
public:
    ~Xserver() {
        if (pid_ > 0) finish_program(pid_, out_, err_, SIGTERM, 5000);
    }

    std::string start(const std::string &dir) {
        const std::string xvfb = tool_path("Xvfb");
        if (xvfb.empty()) return "Xvfb is not installed";
        int fds[2];
        if (::pipe(fds) != 0) return "no pipe";
        ProgramOptions o;
        o.directory = dir;
        pid_ = start_program(xvfb, {"-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24", "-nolisten",
                                    "tcp"},
                             o, &out_, &err_);
        ::close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        for (int i = 0; i < 75 && number.find('\n') == std::string::npos; ++i) {
            if (::poll(&p, 1, 200) <= 0) continue;
            char c[16];
            const ssize_t n = ::read(fds[0], c, sizeof c);
            if (n <= 0) break;
            number.append(c, size_t(n));
        }
        ::close(fds[0]);
        number = first_line(number);
        if (pid_ < 0 || number.empty()) return "Xvfb reported no display";
        display_ = ":" + number;
        for (int i = 0; i < 100; ++i) {
            if (run({"xdotool", "getdisplaygeometry"}).status == 0) return "";
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return "Xvfb takes no connections";
    }

    ProgramRun run(const std::vector<std::string> &command) const {
        ProgramOptions o;
        o.environment = {"DISPLAY=" + display_};
        return run_program(tool_path(command[0]), {command.begin() + 1, command.end()}, o);
    }

    const std::string &display() const { return display_; }

private:
    pid_t       pid_ = -1;
    int         out_ = -1, err_ = -1;
    std::string display_;
};

struct Shot {
    bool       ok = false;
    DecodedPng png;
};

Shot look(const Xserver &x, const std::string &window, const std::string &path) {
    Shot shot;
    const ProgramRun imported = x.run({"import", "-window", window, "PNG24:" + path});
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
        if (tool_path(tool).empty()) GTEST_SKIP() << tool << " is not installed";
    const std::string dir = make_test_directory("e2e-loading");
    Xserver x;
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

    std::string window;
    for (int i = 0; i < 200 && window.empty(); ++i) {
        window = first_line(x.run({"xdotool", "search", "--name", "^Astrovane$"}).out);
        if (window.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
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
