// Background slots, the working background and the commands that move pictures between them.
#include <gtest/gtest.h>

#include <SDL.h>
#include <cstring>
#include <string>
#include <vector>
#include "platform/graphics.h"
#include "platform/log.h"
#include "platform/sprite.h"
#include "platform/scratch_store.h"
#include "support/fixture_store.h"
#include "support/run_program.h"

namespace {

uint32_t pixel_of(const uint8_t *pixels, int pitch, int x, int y) {
    uint32_t v;
    std::memcpy(&v, pixels + y * pitch + x * 4, 4);
    return v;
}
uint32_t surface_pixel(SDL_Surface *s, int x, int y) { return pixel_of(static_cast<uint8_t *>(s->pixels), s->pitch, x, y); }
uint32_t sprite_pixel(const Sprite *s, int x, int y) { return pixel_of(s->pixels.data(), s->width * 4, x, y); }

// Every test runs frames into a 1024 x 768 off-screen surface over the generated store.
class BackgroundSlots : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(open_generated_store());
        gfx_destroy();
        g = gfx_get();
        screen = gfx_create_surface32(GFX_WIDTH, GFX_HEIGHT);
        ASSERT_NE(screen, nullptr);
        SDL_FillRect(screen, nullptr, 0);
        gfx_screen_attach(screen);
    }
    void TearDown() override {
        gfx_destroy();
        gfx_screen_attach(nullptr);
        SDL_FreeSurface(screen);
        store_shutdown();
    }
    void queue_slot(DrawCommandFn *fn, uint32_t slot) { ASSERT_EQ(gfx_queue_command(g, fn, &slot, sizeof slot), RES_OK); }
    void queue_rect(DrawCommandFn *fn, int x, int y, int w, int h) {
        const GfxRect r{int16_t(x), int16_t(y), uint16_t(w), uint16_t(h)};
        ASSERT_EQ(gfx_queue_command(g, fn, &r, sizeof r), RES_OK);
    }
    void queue_block(int x, int y, int w, int h, const std::vector<uint32_t> &block) {
        const BgPixelsPayload p{int16_t(x), int16_t(y), reinterpret_cast<const uint8_t *>(block.data()), uint16_t(w),
                                uint16_t(h)};
        ASSERT_EQ(gfx_queue_command(g, bg_put_pixels_command, &p, sizeof p), RES_OK);
    }
    void queue_plain(DrawCommandFn *fn) { ASSERT_EQ(gfx_queue_command(g, fn, nullptr, 0), RES_OK); }
    void run() { ASSERT_EQ(gfx_replay_frame(g, screen), RES_OK); }
    uint32_t work(int x, int y) { return sprite_pixel(g->work_bg, x, y); }

    Graphics    *g = nullptr;
    SDL_Surface *screen = nullptr;
};

TEST_F(BackgroundSlots, SetMakesTheSlotCurrentWithAPrivateWorkingCopy) {
    queue_slot(bg_set_command, 0);
    run();
    ASSERT_NE(g->bg_slots[0], nullptr);
    EXPECT_EQ(g->current_bg, g->bg_slots[0]);
    ASSERT_NE(g->work_bg, nullptr);
    EXPECT_NE(g->work_bg, g->bg_slots[0]);
    EXPECT_EQ(g->work_bg_surface, g->work_bg->surface);
    EXPECT_EQ(g->bg_slots[0]->refcount, 1);
    EXPECT_EQ(g->work_bg->refcount, 1);
    for (int slot = 1; slot < GFX_BACKGROUND_SLOTS; ++slot) EXPECT_EQ(g->bg_slots[slot], nullptr) << slot;
    EXPECT_EQ(g->work_bg->width, GFX_WIDTH);
    EXPECT_EQ(g->work_bg->height, GFX_HEIGHT);
}

TEST_F(BackgroundSlots, FirstFrameOfAScreenShowsItsBackgroundOverTheWholeScreen) {
    for (uint32_t slot = 0; slot < uint32_t(GFX_BACKGROUND_SLOTS); ++slot)
        queue_slot(slot == 7 ? bg_load_command : bg_free_command, slot);
    queue_slot(bg_set_command, 7);
    queue_plain(gfx_clear_restore_rects);
    queue_rect(gfx_restore_rect, 0, 0, GFX_WIDTH, GFX_HEIGHT);
    run();
    ASSERT_NE(g->bg_slots[7], nullptr);
    for (const auto &[x, y] : std::vector<std::pair<int, int>>{{0, 0}, {511, 384}, {1023, 767}, {100, 700}})
        EXPECT_EQ(surface_pixel(screen, x, y), sprite_pixel(g->bg_slots[7], x, y)) << x << "," << y;
    ASSERT_EQ(gfx_rect_count(&g->dirty), 1);
    const GfxRect whole = gfx_rect_at(&g->dirty, 0);
    EXPECT_EQ(whole.w, GFX_WIDTH);
    EXPECT_EQ(whole.h, GFX_HEIGHT);
}

TEST_F(BackgroundSlots, LoadingALoadedSlotKeepsItsImageAndSlotsOutsideTheTableAreIgnored) {
    queue_slot(bg_load_command, 3);
    run();
    Sprite *first = g->bg_slots[3];
    ASSERT_NE(first, nullptr);
    queue_slot(bg_load_command, 3);
    run();
    EXPECT_EQ(g->bg_slots[3], first);
    EXPECT_EQ(first->refcount, 1);
    queue_slot(bg_load_command, 52);
    queue_slot(bg_set_command, 99);
    queue_slot(bg_free_command, 60);
    const BgCopyPayload copy{{0, 0, 10, 10}, 200};
    ASSERT_EQ(gfx_queue_command(g, bg_copy_rect_command, &copy, sizeof copy), RES_OK);
    run();
    EXPECT_EQ(g->work_bg, nullptr);
    EXPECT_EQ(g->current_bg, nullptr);
    EXPECT_EQ(g->bg_slots[3], first);
}

TEST_F(BackgroundSlots, ResetRectCopiesTheCurrentImageIntoTheWorkingOneOnly) {
    queue_slot(bg_set_command, 0);
    run();
    const std::vector<uint32_t> red(16, 0x00FF0000u);
    queue_plain(bg_lock_command);
    queue_block(10, 10, 4, 4, red);
    queue_plain(bg_unlock_command);
    run();
    queue_plain(bg_lock_command);
    EXPECT_EQ(work(12, 12), 0x00FF0000u);
    queue_rect(bg_reset_rect_command, 10, 10, 2, 4);
    queue_plain(bg_unlock_command);
    run();
    EXPECT_EQ(work(10, 12), sprite_pixel(g->current_bg, 10, 12));
    EXPECT_EQ(work(11, 13), sprite_pixel(g->current_bg, 11, 13));
    EXPECT_EQ(work(12, 12), 0x00FF0000u);
    EXPECT_EQ(surface_pixel(screen, 12, 12), 0u) << "the screen changes only when restored";
}

TEST_F(BackgroundSlots, WorkingBackgroundChangesShowAfterARestore) {
    queue_slot(bg_set_command, 0);
    queue_rect(gfx_restore_rect, 0, 0, GFX_WIDTH, GFX_HEIGHT);   // the first blit may encode the surface
    run();
    EXPECT_TRUE(SDL_MUSTLOCK(g->work_bg_surface)) << "an accelerated colour-keyed surface must be locked";
    const std::vector<uint32_t> green(6, 0x0000FF00u);
    queue_plain(bg_lock_command);
    queue_block(200, 300, 3, 2, green);
    queue_plain(bg_unlock_command);
    queue_rect(gfx_restore_rect, 190, 290, 30, 30);
    run();
    EXPECT_EQ(surface_pixel(screen, 200, 300), 0x0000FF00u);
    EXPECT_EQ(surface_pixel(screen, 202, 301), 0x0000FF00u);
    EXPECT_EQ(surface_pixel(screen, 203, 301), sprite_pixel(g->current_bg, 203, 301));
}

TEST_F(BackgroundSlots, PixelBlocksAreClippedToTheScreen) {
    queue_slot(bg_set_command, 0);
    run();
    std::vector<uint32_t> block(8 * 3);
    for (size_t i = 0; i < block.size(); ++i) block[i] = 0x00010000u * uint32_t(i + 1);
    queue_plain(bg_lock_command);
    queue_block(1020, 766, 8, 3, block);   // 4 columns and 2 rows are on the screen
    queue_block(-2, -1, 8, 3, block);      // columns 2.. of rows 1.. land at 0, 0
    queue_plain(bg_unlock_command);
    run();
    EXPECT_EQ(work(1020, 766), block[0]);
    EXPECT_EQ(work(1023, 767), block[8 + 3]);
    EXPECT_EQ(work(0, 0), block[8 + 2]);
    EXPECT_EQ(work(5, 1), block[16 + 7]);
}

TEST_F(BackgroundSlots, CopyRectBringsAnotherSlotsPictureIntoTheWorkingBackground) {
    queue_slot(bg_set_command, 0);
    queue_slot(bg_load_command, 1);
    const BgCopyPayload copy{{100, 100, 10, 10}, 1};
    ASSERT_EQ(gfx_queue_command(g, bg_copy_rect_command, &copy, sizeof copy), RES_OK);
    run();
    queue_plain(bg_lock_command);
    run();
    EXPECT_EQ(work(100, 100), sprite_pixel(g->bg_slots[1], 100, 100));
    EXPECT_EQ(work(109, 109), sprite_pixel(g->bg_slots[1], 109, 109));
    EXPECT_EQ(work(110, 109), sprite_pixel(g->bg_slots[0], 110, 109));
    queue_plain(bg_unlock_command);
    run();
}

TEST_F(BackgroundSlots, ACapturedScreenIsRepaintedUntilTheBackgroundIsReset) {
    queue_slot(bg_set_command, 0);
    queue_rect(gfx_restore_rect, 0, 0, GFX_WIDTH, GFX_HEIGHT);
    run();
    SDL_Rect mark{100, 100, 10, 10};
    SDL_FillRect(screen, &mark, 0x00FF0000u);   // drawn on the screen only
    queue_plain(gfx_lock_screen);
    queue_plain(bg_lock_command);
    queue_rect(bg_capture_screen_command, 0, 0, GFX_WIDTH, GFX_HEIGHT);
    queue_plain(bg_unlock_command);
    queue_plain(gfx_unlock_screen);
    run();
    queue_plain(bg_lock_command);
    EXPECT_EQ(work(105, 105), 0x00FF0000u);
    EXPECT_EQ(work(200, 200), sprite_pixel(g->current_bg, 200, 200));
    queue_plain(bg_unlock_command);
    run();

    SDL_FillRect(screen, nullptr, 0);
    queue_rect(gfx_restore_rect, 90, 90, 30, 30);
    run();
    EXPECT_EQ(surface_pixel(screen, 105, 105), 0x00FF0000u) << "the kept picture is repainted";
    EXPECT_EQ(surface_pixel(screen, 95, 95), sprite_pixel(g->current_bg, 95, 95));
    EXPECT_EQ(surface_pixel(screen, 300, 300), 0u);

    queue_plain(bg_lock_command);
    queue_rect(bg_reset_rect_command, 0, 0, GFX_WIDTH, GFX_HEIGHT);
    queue_plain(bg_unlock_command);
    queue_rect(gfx_restore_rect, 90, 90, 30, 30);
    run();
    EXPECT_EQ(surface_pixel(screen, 105, 105), sprite_pixel(g->current_bg, 105, 105)) << "the clean picture is back";
}

TEST_F(BackgroundSlots, CaptureIsClippedToTheScreenAndNeedsAWorkingBackground) {
    SDL_FillRect(screen, nullptr, 0x00FF0000u);
    queue_rect(bg_capture_screen_command, 0, 0, GFX_WIDTH, GFX_HEIGHT);
    run();
    EXPECT_EQ(g->work_bg, nullptr);

    queue_slot(bg_set_command, 0);
    queue_plain(bg_lock_command);
    queue_rect(bg_capture_screen_command, 1020, 760, 20, 20);
    queue_rect(bg_capture_screen_command, -5, -5, 10, 10);
    run();
    EXPECT_EQ(work(1023, 767), 0x00FF0000u);
    EXPECT_EQ(work(1019, 767), sprite_pixel(g->current_bg, 1019, 767));
    EXPECT_EQ(work(0, 0), 0x00FF0000u);
    EXPECT_EQ(work(4, 4), 0x00FF0000u);
    EXPECT_EQ(work(5, 5), sprite_pixel(g->current_bg, 5, 5));
    queue_plain(bg_unlock_command);
    run();
}

TEST_F(BackgroundSlots, FreeingTheCurrentSlotKeepsTheWorkingBackgroundAndStopsResets) {
    queue_slot(bg_set_command, 0);
    run();
    const std::vector<uint32_t> blue(4, 0x000000FFu);
    queue_plain(bg_lock_command);
    queue_block(0, 0, 2, 2, blue);
    queue_plain(bg_unlock_command);
    queue_slot(bg_free_command, 0);
    queue_plain(bg_lock_command);
    queue_rect(bg_reset_rect_command, 0, 0, 2, 2);
    run();
    EXPECT_EQ(g->bg_slots[0], nullptr);
    EXPECT_EQ(g->current_bg, nullptr);
    ASSERT_NE(g->work_bg, nullptr);
    EXPECT_EQ(work(1, 1), 0x000000FFu) << "nothing to reset from";
    queue_plain(bg_unlock_command);
    run();
}

// A store that holds no backgrounds.
class MissingBackground : public BackgroundSlots {
protected:
    void SetUp() override {
        BackgroundSlots::SetUp();
        store.text("other.txt", "x");
        ASSERT_TRUE(store.open());
    }
    ScratchStore store;
    LogFileCatcher log{fresh_test_dir("background-log")};
};

TEST_F(MissingBackground, SetChangesNothingAndLogsTheFailureAndTheFileLoaderReportsIt) {
    queue_slot(bg_set_command, 5);
    queue_slot(bg_load_command, 6);
    run();
    EXPECT_EQ(g->bg_slots[5], nullptr);
    EXPECT_EQ(g->work_bg, nullptr);
    EXPECT_EQ(g->current_bg, nullptr);
    const std::string text = log.text();
    EXPECT_NE(text.find("[ERROR] Failed to load bg 5\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[ERROR] Failed to load bg 6\r\n"), std::string::npos) << text;
    Sprite *out = nullptr;
    EXPECT_EQ(bg_load_file(9, &out), RES_READ_FAILED);
    EXPECT_EQ(out, nullptr);
}

}  // namespace
