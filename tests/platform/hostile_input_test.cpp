// Hostile bytes in the platform's readers: a generator state that can only give zero, a sound entry
// that claims more than the archive holds, picture headers larger than any picture the game shows,
// numbers near the i32 limits in movement paths, animations and data-store texts.
#include <atomic>
#include <chrono>
#include <cstring>
#include <utility>
#include <sys/resource.h>
#include <unistd.h>
#include "platform/anim.h"
#include "platform/buffer.h"
#include "platform/draw_fixture.h"
#include "platform/files.h"
#include "platform/font.h"
#include "platform/movement_path.h"
#include "platform/random.h"
#include "platform/sound_test_util.h"
#include "platform/scratch_store.h"
#include "test_support.h"

namespace {

// The peak resident size of the process so far, in bytes.
int64_t peak_rss() {
    struct rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return int64_t(usage.ru_maxrss) * 1024;
}

constexpr int64_t MEMORY_SLACK = 256ll << 20;   // what a refused input may cost at most

// ---- the saved generator -----------------------------------------------------------------------

class RngDeadState : public ::testing::Test {
protected:
    // The saved form of `rng` read back: the result, and the generator when it was accepted.
    Result read_back(const Rng &rng, Rng **loaded) {
        Buffer buf;
        EXPECT_EQ(rng_write(&rng, &buf), RES_OK);
        *loaded = nullptr;
        return rng_read(loaded, &buf);
    }
};

TEST_F(RngDeadState, AStateOfZerosIsMalformedWhereverTheIndexPoints) {
    Rng zero{};
    for (uint32_t index : {0u, 1u, 300u, 623u}) {
        zero.index = index;
        Rng *loaded = reinterpret_cast<Rng *>(1);
        EXPECT_EQ(read_back(zero, &loaded), RES_MALFORMED) << index;
        EXPECT_EQ(loaded, nullptr) << index;
    }
}

TEST_F(RngDeadState, LowBitsOfTheFirstWordAloneLeaveItDead) {
    // Regeneration overwrites word 0 before it reads its low 31 bits: the block stays zero.
    Rng rng{};
    rng.state[0] = 0x7FFFFFFFu;
    Rng *loaded = nullptr;
    EXPECT_EQ(read_back(rng, &loaded), RES_MALFORMED);
    rng_free(loaded);
    // Dealt from index 0 the same words would regenerate to nothing but zero: the refusal is sound.
    for (int i = 0; i < 3 * RNG_STATE_WORDS; ++i) ASSERT_EQ(rng_next(&rng), 0u) << i;
}

TEST_F(RngDeadState, OneLiveBitAnywhereIsAccepted) {
    for (int word : {0, 1, 397, 623}) {
        Rng rng{};
        rng.state[word] = word == 0 ? 0x80000000u : 1u;
        Rng *loaded = nullptr;
        ASSERT_EQ(read_back(rng, &loaded), RES_OK) << word;
        bool nonzero = false;
        for (int i = 0; i < 4 * RNG_STATE_WORDS && !nonzero; ++i) nonzero = rng_next(loaded) != 0;
        EXPECT_TRUE(nonzero) << "word " << word;
        rng_free(loaded);
    }
}

// ---- a sound entry claiming 2 GB ---------------------------------------------------------------

class SoundClaimsTooMuch : public SoundTest {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        if (HasFatalFailure()) return;
        store.add("sound/005.ogg", sound_test_tone(0.05, 440));
        ASSERT_TRUE(store.open());
        // The one entry's size word now claims 0x7FFF0000 bytes; the body is a few KiB.
        std::vector<uint8_t> bytes = read_whole(store.path);
        const uint32_t masked = 0x7FFF0000u ^ store.entries[0].key ^ STORE_MASK;
        for (int i = 0; i < 4; ++i) bytes[STORE_HEADER_SIZE + 8 + i] = uint8_t(masked >> (24 - 8 * i));
        ASSERT_EQ(write_file_bytes(store.path.c_str(), bytes.data(), bytes.size()), RES_OK);
        ASSERT_TRUE(store.reopen());
        ASSERT_EQ(store_entry_size(store_get(), "sound/005.ogg"), 0x7FFF0000);
    }
    ScratchStore store;
};

TEST_F(SoundClaimsTooMuch, TheLoaderFailsAtTheRealEndWithoutReservingTheClaim) {
    const int64_t before = peak_rss();
    EXPECT_EQ(sound_load_id(5), RES_READ_FAILED);
    EXPECT_EQ(manager->sounds[5], nullptr);
    EXPECT_LT(peak_rss() - before, MEMORY_SLACK) << "the claimed size was allocated";
}

// ---- picture headers ---------------------------------------------------------------------------

uint32_t crc32_of(const uint8_t *p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

// A small valid PNG whose header then claims w x h (the CRC mended so libpng reads the header).
std::vector<uint8_t> png_claiming(uint32_t w, uint32_t h) {
    std::vector<uint8_t> bytes = png_encode(2, 2, std::vector<uint8_t>(16, 200), 4);
    // Signature (8), IHDR length (4), "IHDR" (4), then width and height.
    for (int i = 0; i < 4; ++i) {
        bytes[16 + i] = uint8_t(w >> (24 - 8 * i));
        bytes[20 + i] = uint8_t(h >> (24 - 8 * i));
    }
    const uint32_t crc = crc32_of(&bytes[12], 17);   // type and 13 data bytes
    for (int i = 0; i < 4; ++i) bytes[29 + i] = uint8_t(crc >> (24 - 8 * i));
    return bytes;
}

Result check_header(std::vector<uint8_t> bytes, int *w, int *h) {
    FILE *f = fmemopen(bytes.data(), bytes.size(), "rb");
    const Result r = sprite_check_png_stream("claim.png", f, w, h);
    std::fclose(f);
    return r;
}

TEST(SpriteHeaderBound, HeadersPastTheDocumentedBoundAreRefusedBeforeDecoding) {
    struct Case { uint32_t w, h; bool accepted; };
    for (Case c : {Case{1024, 768, true}, Case{SPRITE_MAX_SIDE, 1, true}, Case{2048, 2048, true},
                   Case{SPRITE_MAX_SIDE + 1, 1, false}, Case{1, SPRITE_MAX_SIDE + 1, false},
                   Case{2049, 2048, false}, Case{16384, 16384, false}}) {
        int w = -1, h = -1;
        const Result r = check_header(png_claiming(c.w, c.h), &w, &h);
        if (c.accepted) {
            EXPECT_EQ(r, RES_OK) << c.w << "x" << c.h;
            EXPECT_EQ(w, int(c.w));
            EXPECT_EQ(h, int(c.h));
        } else {
            EXPECT_EQ(r, RES_READ_FAILED) << c.w << "x" << c.h;
            EXPECT_EQ(w, -1);
        }
    }
}

TEST(SpriteHeaderBound, AShortFileClaimingAHugePictureCostsNoMemory) {
    const std::vector<uint8_t> bytes = png_claiming(16384, 16384);
    const int64_t before = peak_rss();
    EXPECT_EQ(sprite_from_png(bytes), nullptr);
    EXPECT_LT(peak_rss() - before, MEMORY_SLACK);
    // Inside the bound the loader still fails cleanly when the data stop short.
    EXPECT_EQ(sprite_from_png(png_claiming(2048, 2048)), nullptr);
}

// ---- numbers near the limits -------------------------------------------------------------------

TEST(MovementPathLimits, ASavedStepCounterNearTheLimitSaturates) {
    MovementPath path;
    movement_path_start(&path, 0, 0, 1000, 0, 10);
    movement_path_set_power(&path, 2.0f);
    path.step_counter = INT32_MAX - 3;
    movement_path_advance(&path, 10);
    EXPECT_EQ(path.step_counter, INT32_MAX);
    movement_path_advance(&path, 10);
    EXPECT_EQ(path.step_counter, INT32_MAX);
}

TEST(TextNumbers, NumbersPastTheI32RangeAreHeldAtItsLimits) {
    const std::pair<const char *, int32_t> cases[] = {
        {"99999999999", INT32_MAX}, {"-99999999999", INT32_MIN}, {"99999999999999999999999999", INT32_MAX},
        {"2147483647", INT32_MAX},  {"-2147483648", INT32_MIN},  {"  -42px", -42}, {"x12", 0}, {"", 0}};
    for (const auto &[text, value] : cases) EXPECT_EQ(text_to_i32(text), value) << '"' << text << '"';
}

class AnimLimits : public ::testing::Test {
protected:
    static Buffer *record(std::initializer_list<uint32_t> words) {
        Buffer *buf = buffer_create();
        for (uint32_t w : words) EXPECT_EQ(buffer_write_u32(buf, w), RES_OK);
        return buf;
    }
};

TEST_F(AnimLimits, ADurationPastTheI32RangeIsMalformedAndTheSumOfHugeOnesIsHeldAtTheLimit) {
    Buffer *buf = record({0, 2, 5, 100, 6, 0x80000000u});
    Animation *anim = reinterpret_cast<Animation *>(1);
    EXPECT_EQ(anim_read(&anim, buf), RES_MALFORMED);
    EXPECT_EQ(anim, nullptr);
    buffer_free(buf);
    buf = record({0, 2, 5, 100, 6, 0x7FFFFFFFu});
    ASSERT_EQ(anim_read(&anim, buf), RES_OK);
    EXPECT_EQ(anim_count(anim), 2);
    anim_free(anim);
    buffer_free(buf);
    anim = anim_create(3, 0);
    anim_add_frame(anim, 0, INT32_MAX);
    anim_add_frame(anim, 1, INT32_MAX);
    anim_add_frame(anim, 2, 5);
    EXPECT_EQ(anim_sum_durations(anim), INT32_MAX);
    AnimPlayer player;
    anim_player_start(&player, anim, -1);
    player.speed = 300;
    for (int i = 0; i < 8; ++i) anim_player_update(&player, INT32_MAX);   // no overflow on the way
    EXPECT_GT(player.remaining, 0);
    anim_free(anim);
}

// One update of N ms ends where N updates of 1 ms end: skipping whole passes changes no outcome.
TEST_F(AnimLimits, ALongStepEndsWhereManyShortStepsEnd) {
    struct Case { std::vector<int32_t> durations; int loops; int total; };
    for (const Case &c : {Case{{3, 0, 4}, -1, 9999}, Case{{3, 0, 4}, 50, 9999}, Case{{3, 0, 4}, 50, 343},
                          Case{{1}, 7, 100}, Case{{5, -20, 2}, -1, 4321}, Case{{0, 0, 9}, 1000, 8999}}) {
        Animation *anim = anim_create(0, 0);
        for (size_t i = 0; i < c.durations.size(); ++i) anim_add_frame(anim, int(i) * 10, c.durations[i]);
        AnimPlayer once, steps;
        anim_player_start(&once, anim, c.loops);
        anim_player_start(&steps, anim, c.loops);
        anim_player_update(&once, c.total);
        for (int i = 0; i < c.total; ++i) anim_player_update(&steps, 1);
        EXPECT_EQ(once.index, steps.index) << c.total;
        EXPECT_EQ(once.frame, steps.frame) << c.total;
        if (!anim_player_is_finished(&steps)) {   // a finished player's time left means nothing
            EXPECT_EQ(once.remaining, steps.remaining) << c.total;
        }
        EXPECT_EQ(once.loops, steps.loops) << c.total;
        EXPECT_EQ(anim_player_is_finished(&once), anim_player_is_finished(&steps)) << c.total;
        anim_free(anim);
    }
}

TEST_F(AnimLimits, AHugeStepOverAShortPassReturnsAtOnce) {
    Animation *anim = anim_create(2, 0);
    anim_add_frame(anim, 1, 1);
    anim_add_frame(anim, 2, 0);
    AnimPlayer player;
    anim_player_start(&player, anim, -1);
    player.speed = 10000;
    const auto start = std::chrono::steady_clock::now();
    anim_player_update(&player, INT32_MAX);
    // A guard against stepping frame by frame (billions of steps), not a speed test.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(anim_player_is_running(&player));
    EXPECT_TRUE(anim_player_wrapped(&player));
    anim_free(anim);
}

// Font 0 whose metric files hold numbers far past anything a glyph can need.
class FontHostileMetrics : public ::testing::Test {
protected:
    void SetUp() override {
        store.add("font/000/png/065.png", png_from_art({"##", "##"}));
        store.text("font/000/dat/left_kern_w_065", "-99999999999\n").text("font/000/dat/right_kern_w_065", "2147483647\n");
        store.text("font/000/dat/space_w", "99999999999\n").text("font/000/dat/char_spacing", "-2147483648\n");
        fonts_free_all();
        ASSERT_TRUE(store.open());
    }
    void TearDown() override { fonts_free_all(); }
    ScratchStore store;
};

TEST_F(FontHostileMetrics, MetricsAreHeldWithinAGlyphsLargestSide) {
    const Font *f = font_get(0);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->left_kern[uint8_t('A')], -FONT_MAX_GLYPH_SIDE);
    EXPECT_EQ(f->right_kern[uint8_t('A')], FONT_MAX_GLYPH_SIDE);
    EXPECT_EQ(f->space_width, FONT_MAX_GLYPH_SIDE);
    EXPECT_EQ(f->char_spacing, -FONT_MAX_GLYPH_SIDE);
    // Each 'A' after the first adds 2 - 255 + 255 - 255 pixels: a long text stays far from overflow.
    const std::string line(5000, 'A');
    EXPECT_EQ(font_text_width(0, line.c_str()), 2 + 4999 * (2 - 255 + 255 - 255));
    EXPECT_EQ(font_text_width(0, "  "), 2 * 255);
}

}  // namespace
