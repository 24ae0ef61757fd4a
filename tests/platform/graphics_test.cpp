// Graphics context: rectangle merge, clip stack, command stream, off-screen replay, the thread.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <SDL.h>
#include <array>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>
#include "platform/graphics.h"
#include "platform/draw_fixture.h"

namespace {

uint32_t pixel_at(SDL_Surface *s, int x, int y) {
    uint32_t v;
    std::memcpy(&v, static_cast<uint8_t *>(s->pixels) + y * s->pitch + x * 4, 4);
    return v;
}

void fill(SDL_Surface *s, uint8_t r, uint8_t g, uint8_t b) {
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, r, g, b));
}

void queue_rect(Graphics *g, DrawCommandFn *fn, int x, int y, int w, int h) {
    const GfxRect r{int16_t(x), int16_t(y), uint16_t(w), uint16_t(h)};
    ASSERT_EQ(gfx_queue_command(g, fn, &r, sizeof r), RES_OK);
}

std::vector<GfxRect> rects(const Buffer *list) {
    std::vector<GfxRect> out;
    for (int i = 0; i < gfx_rect_count(list); ++i) out.push_back(gfx_rect_at(list, i));
    return out;
}

MATCHER_P4(IsRect, x, y, w, h, "") { return arg.x == x && arg.y == y && arg.w == w && arg.h == h; }

// Every fixture works on the singleton over a 1024 x 768 off-screen surface.
class GraphicsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        gfx_destroy();
        g = gfx_get();
        ASSERT_NE(g, nullptr);
        screen = gfx_create_surface32(GFX_WIDTH, GFX_HEIGHT);
        ASSERT_NE(screen, nullptr);
        gfx_screen_attach(screen);
    }
    void TearDown() override {
        gfx_destroy();
        gfx_screen_attach(nullptr);
        SDL_FreeSurface(screen);
    }
    Graphics    *g = nullptr;
    SDL_Surface *screen = nullptr;
};

using RectMerge = GraphicsFixture;

TEST_F(RectMerge, RecordsLeftAfterEachSequence) {
    struct R { int x, y, w, h; };
    const struct {
        const char *what;
        std::vector<R> in, out;   // out empty with count > 0: only the count is pinned
        int count;
    } cases[] = {
        {"same rectangle twice", {{10, 20, 30, 40}, {10, 20, 30, 40}}, {{10, 20, 30, 40}}, 1},
        {"inside a record adds nothing", {{0, 0, 200, 200}, {50, 50, 20, 20}}, {{0, 0, 200, 200}}, 1},
        {"holding two records replaces both", {{10, 10, 20, 20}, {100, 100, 20, 20}, {0, 0, 300, 300}},
         {{0, 0, 300, 300}}, 1},
        {"a removed record takes the last record's place",
         {{10, 10, 20, 20}, {500, 10, 20, 20}, {500, 500, 20, 20}, {0, 0, 100, 100}},
         {{500, 500, 20, 20}, {500, 10, 20, 20}, {0, 0, 100, 100}}, 3},
        {"edge to edge stays separate", {{0, 0, 10, 10}, {10, 0, 10, 10}, {0, 10, 10, 10}}, {}, 3},
        {"ten pixels off merges into the union", {{100, 100, 50, 50}, {110, 100, 60, 50}}, {{100, 100, 70, 50}}, 1},
        {"eleven pixels off stays apart", {{100, 100, 50, 50}, {111, 100, 61, 50}},
         {{100, 100, 50, 50}, {111, 100, 61, 50}}, 2},
        {"eleven larger in height stays apart", {{100, 100, 50, 50}, {95, 100, 50, 61}},
         {{100, 100, 50, 50}, {95, 100, 50, 61}}, 2},
        // The third merges with the first; the union 100,100 .. 159,162 then swallows the second.
        {"the union goes on and swallows later records", {{100, 100, 50, 50}, {100, 150, 10, 10}, {105, 105, 55, 58}},
         {{100, 100, 60, 63}}, 1},
        {"off the screen is dropped",
         {{-50, 10, 49, 10}, {10, -30, 10, 29}, {GFX_WIDTH, 0, 10, 10}, {0, GFX_HEIGHT, 10, 10}}, {}, 0},
        {"hanging over an edge is cut", {{1000, 760, 50, 20}, {-5, -7, 20, 20}}, {{1000, 760, 24, 8}, {0, 0, 15, 13}}, 2},
    };
    for (const auto &c : cases) {
        gfx_destroy();
        g = gfx_get();
        gfx_screen_attach(screen);
        for (const R &r : c.in) gfx_merge_dirty_rect(g, r.x, r.y, r.w, r.h);
        const std::vector<GfxRect> got = rects(&g->dirty);
        ASSERT_EQ(int(got.size()), c.count) << c.what;
        for (size_t i = 0; i < c.out.size(); ++i)
            EXPECT_THAT(got[i], IsRect(c.out[i].x, c.out[i].y, c.out[i].w, c.out[i].h)) << c.what << ", record " << i;
    }
}

TEST_F(RectMerge, RestoreListFollowsTheSameRule) {
    gfx_merge_restore_rect(g, 0, 0, 10, 10);
    gfx_merge_restore_rect(g, 0, 0, 10, 10);
    gfx_merge_restore_rect(g, 2, 2, 3, 3);
    EXPECT_THAT(rects(&g->restore), ::testing::ElementsAre(IsRect(0, 0, 10, 10)));
    EXPECT_EQ(gfx_rect_count(&g->dirty), 0);
}

class ClipStack : public GraphicsFixture {
protected:
    static void push(int l, int t, int r, int b) {
        const int32_t c[4] = {l, t, r, b};
        EXPECT_EQ(gfx_push_clip(reinterpret_cast<const uint8_t *>(c)), 16u);
    }
    static void pop() { EXPECT_EQ(gfx_pop_clip(nullptr), 0u); }
    // left, top, right, bottom and whether a clip is active
    static std::array<int, 5> clip() {
        const GfxScreen *s = gfx_screen();
        return {s->clip_left, s->clip_top, s->clip_right, s->clip_bottom, s->clip_active};
    }
    using Clip = std::array<int, 5>;
};

TEST_F(ClipStack, PushIntersectsWithTheCurrentClipAndPopRestoresIt) {
    EXPECT_EQ(clip(), (Clip{0, 0, 1023, 767, 0}));
    push(100, 100, 2000, 300);
    EXPECT_EQ(clip(), (Clip{100, 100, 1023, 300, 1}));
    push(50, 200, 500, 400);
    EXPECT_EQ(clip(), (Clip{100, 200, 500, 300, 1}));
    pop();
    EXPECT_EQ(clip(), (Clip{100, 100, 1023, 300, 1}));
    pop();
    EXPECT_EQ(clip(), (Clip{0, 0, 1023, 767, 1}));
}

TEST_F(ClipStack, AnEmptyIntersectionOrASingleRowOrColumnLeavesTheTopLeftTwoByTwo) {
    push(0, 0, 100, 100);
    push(200, 200, 300, 300);
    EXPECT_EQ(clip(), (Clip{0, 0, 1, 1, 1}));
    pop();
    EXPECT_EQ(clip(), (Clip{0, 0, 100, 100, 1}));
    push(10, 10, 100, 10);
    EXPECT_EQ(clip(), (Clip{0, 0, 1, 1, 1}));
    pop();
    push(10, 10, 10, 100);
    EXPECT_EQ(clip(), (Clip{0, 0, 1, 1, 1}));
}

TEST_F(ClipStack, PopOfAnEmptyStackRestoresTheWholeScreen) {
    push(10, 10, 20, 20);
    pop();
    pop();
    EXPECT_EQ(clip(), (Clip{0, 0, 1023, 767, 0}));
    pop();
    EXPECT_EQ(clip(), (Clip{0, 0, 1023, 767, 0}));
}

TEST_F(ClipStack, DeepStackGrowsAndUnwindsInOrder) {
    for (int i = 0; i < 20; ++i) push(i, i, 1000 - i, 700 - i);
    EXPECT_EQ(g->clip_count, 20);
    EXPECT_GE(g->clip_capacity, 20);
    for (int i = 19; i >= 1; --i) {
        pop();
        EXPECT_EQ(clip(), (Clip{i - 1, i - 1, 1000 - (i - 1), 700 - (i - 1), 1}));
    }
    pop();
    EXPECT_EQ(clip(), (Clip{0, 0, 1023, 767, 1}));
    EXPECT_EQ(g->clip_count, 0);
}

// Commands that write what they saw into a log, to check the executor's stepping.
std::string g_trace;

uint32_t trace_three(const uint8_t *payload) {
    g_trace += "3:";
    g_trace.append(reinterpret_cast<const char *>(payload), 3);
    g_trace += ";";
    return 3;
}

uint32_t trace_none(const uint8_t *) {
    g_trace += "0;";
    return 0;
}

// i16 x, i16 y, u8 r, g, b: one pixel through the screen record, as primitives will.
uint32_t plot(const uint8_t *payload) {
    int16_t xy[2];
    std::memcpy(xy, payload, 4);
    const GfxScreen *s = gfx_screen();
    gfx_encode_pixel(s->pixels + xy[1] * s->pitch + xy[0] * s->bytes_per_pixel, payload[4], payload[5], payload[6]);
    return 7;
}

void queue_plot(Graphics *g, int x, int y, uint8_t r, uint8_t gr, uint8_t b) {
    uint8_t p[7];
    const int16_t xy[2] = {int16_t(x), int16_t(y)};
    std::memcpy(p, xy, 4);
    p[4] = r;
    p[5] = gr;
    p[6] = b;
    ASSERT_EQ(gfx_queue_command(g, plot, p, sizeof p), RES_OK);
}

class CommandStream : public GraphicsFixture {
protected:
    void SetUp() override {
        GraphicsFixture::SetUp();
        g_trace.clear();
    }
};

TEST_F(CommandStream, ExecutorStepsByTheSizeEachCommandReturns) {
    ASSERT_EQ(gfx_queue_command(g, trace_three, "abc", 3), RES_OK);
    ASSERT_EQ(gfx_queue_command(g, trace_none, nullptr, 0), RES_OK);
    ASSERT_EQ(gfx_queue_command(g, trace_three, "xyz", 3), RES_OK);
    EXPECT_EQ(g->queue.length, int32_t(3 * sizeof(void *) + 6));
    gfx_execute(g->queue.data, g->queue.length);
    EXPECT_EQ(g_trace, "3:abc;0;3:xyz;");
}

TEST_F(CommandStream, RecordWithoutItsPayloadIsRefused) {
    EXPECT_EQ(gfx_queue_command(g, trace_three, nullptr, 3), RES_OUT_OF_RANGE);
    EXPECT_EQ(gfx_queue_command(g, nullptr, "abc", 3), RES_OUT_OF_RANGE);
    EXPECT_EQ(g->queue.length, 0);
    EXPECT_EQ(gfx_queue_is_empty(g), 1);
}

TEST_F(CommandStream, ReplayDrawsIntoTheTargetInTheScreenLayout) {
    SDL_Surface *target = gfx_create_surface32(64, 32);
    ASSERT_NE(target, nullptr);
    fill(target, 0, 0, 0);
    queue_plot(g, 3, 2, 10, 20, 30);
    queue_plot(g, 63, 31, 255, 0, 0);
    ASSERT_EQ(gfx_replay_frame(g, target), RES_OK);
    const uint8_t *row = static_cast<uint8_t *>(target->pixels) + 2 * target->pitch + 3 * 4;
    EXPECT_EQ(row[0], 30) << "blue in byte 0";
    EXPECT_EQ(row[1], 20);
    EXPECT_EQ(row[2], 10);
    EXPECT_EQ(pixel_at(target, 63, 31), 0x00FF0000u);
    EXPECT_EQ(pixel_at(target, 0, 0), 0u);
    EXPECT_EQ(gfx_queue_is_empty(g), 1) << "the replay took the queued frame";
    EXPECT_EQ(gfx_screen()->surface, screen) << "the previous screen is attached again";
    SDL_FreeSurface(target);
}

TEST_F(CommandStream, RestoreRectCopiesTheWorkingBackgroundAndMarksItDirty) {
    SDL_Surface *bg = gfx_create_surface32(GFX_WIDTH, GFX_HEIGHT);
    fill(bg, 0, 0, 200);
    g->work_bg_surface = bg;
    fill(screen, 9, 9, 9);
    queue_rect(g, gfx_restore_rect, 10, 20, 30, 40);
    ASSERT_EQ(gfx_replay_frame(g, screen), RES_OK);
    EXPECT_EQ(pixel_at(screen, 10, 20), 0x000000C8u);
    EXPECT_EQ(pixel_at(screen, 39, 59), 0x000000C8u);
    EXPECT_EQ(pixel_at(screen, 40, 59), 0x00090909u);
    EXPECT_EQ(pixel_at(screen, 39, 60), 0x00090909u);
    EXPECT_THAT(rects(&g->dirty), ::testing::ElementsAre(IsRect(10, 20, 30, 40)));
    g->work_bg_surface = nullptr;
    SDL_FreeSurface(bg);
}

TEST_F(CommandStream, RestoreAllRepaintsEveryRestoreRectangleThenEmptiesTheList) {
    SDL_Surface *bg = gfx_create_surface32(GFX_WIDTH, GFX_HEIGHT);
    fill(bg, 0, 100, 0);
    g->work_bg_surface = bg;
    fill(screen, 0, 0, 0);
    queue_rect(g, gfx_add_restore_rect, 0, 0, 5, 5);
    queue_rect(g, gfx_add_restore_rect, 500, 500, 5, 5);
    ASSERT_EQ(gfx_replay_frame(g, screen), RES_OK);
    EXPECT_EQ(gfx_rect_count(&g->restore), 2);
    EXPECT_EQ(pixel_at(screen, 0, 0), 0u) << "adding a restore rectangle paints nothing";

    ASSERT_EQ(gfx_queue_command(g, gfx_restore_all, nullptr, 0), RES_OK);
    ASSERT_EQ(gfx_replay_frame(g, screen), RES_OK);
    EXPECT_EQ(pixel_at(screen, 0, 0), 0x00006400u);
    EXPECT_EQ(pixel_at(screen, 504, 504), 0x00006400u);
    EXPECT_EQ(pixel_at(screen, 505, 505), 0u);
    EXPECT_THAT(rects(&g->dirty), ::testing::ElementsAre(IsRect(0, 0, 5, 5), IsRect(500, 500, 5, 5)));
    EXPECT_EQ(gfx_rect_count(&g->restore), 0);
    queue_rect(g, gfx_add_restore_rect, 0, 0, 5, 5);
    ASSERT_EQ(gfx_queue_command(g, gfx_clear_restore_rects, nullptr, 0), RES_OK);
    ASSERT_EQ(gfx_replay_frame(g, screen), RES_OK);
    EXPECT_EQ(gfx_rect_count(&g->restore), 0) << "clearing empties the list too";
    g->work_bg_surface = nullptr;
    SDL_FreeSurface(bg);
}

TEST_F(CommandStream, EachFrameStartsWithAnEmptyDirtyList) {
    queue_rect(g, gfx_add_dirty_rect, 0, 0, 5, 5);
    ASSERT_EQ(gfx_replay_frame(g, screen), RES_OK);
    queue_rect(g, gfx_add_dirty_rect, 100, 100, 5, 5);
    ASSERT_EQ(gfx_replay_frame(g, screen), RES_OK);
    EXPECT_THAT(rects(&g->dirty), ::testing::ElementsAre(IsRect(100, 100, 5, 5)));
}

TEST_F(CommandStream, ColoursGoThroughTheScreenFormat) {
    EXPECT_EQ(gfx_map_rgb(1, 2, 3), 0x00010203u);
    uint8_t r = 0, gr = 0, b = 0;
    gfx_get_rgb(0x00A0B0C0u, &r, &gr, &b);
    EXPECT_EQ((std::array<int, 3>{r, gr, b}), (std::array<int, 3>{0xA0, 0xB0, 0xC0}));
    uint8_t bytes[5] = {0, 0, 0, 0, 0x77};
    gfx_encode_pixel(bytes, 0x11, 0x22, 0x33);
    EXPECT_EQ(std::vector<uint8_t>({bytes[0], bytes[1], bytes[2], bytes[4]}), (std::vector<uint8_t>{0x33, 0x22, 0x11, 0x77}))
        << "blue first; a 4-byte pixel writes 4 bytes";
}

// The graphics thread over a context without a window.
std::atomic<int> g_thread_runs{0};

uint32_t count_run(const uint8_t *) {
    g_thread_runs.fetch_add(1);
    return 0;
}

class GraphicsThread : public GraphicsFixture {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_TIMER), 0);
        GraphicsFixture::SetUp();
        g_thread_runs = 0;
    }
    void TearDown() override {
        GraphicsFixture::TearDown();
        SDL_QuitSubSystem(SDL_INIT_TIMER);
    }
    void start() {
        ASSERT_EQ(gfx_start_thread(g), RES_OK);
        for (int i = 0; i < 500 && !gfx_thread_running(g); ++i) SDL_Delay(2);
        ASSERT_EQ(gfx_thread_running(g), 1);
    }
    void stop() {
        gfx_request_quit(g);
        gfx_wait_stopped(g);
    }
    uint32_t cycles() {
        SDL_mutexP(g->frame_mutex);
        const uint32_t c = g->cycles;
        SDL_mutexV(g->frame_mutex);
        return c;
    }
};

TEST_F(GraphicsThread, WaitsReturnAtOnceWithoutAThreadAndFreeingTheContextJoinsARunningOne) {
    gfx_wait_frame(g);
    gfx_wait_stopped(g);
    EXPECT_EQ(gfx_thread_running(g), 0);
    start();
    gfx_destroy();   // TearDown's second destroy finds nothing
    g = nullptr;
}

TEST_F(GraphicsThread, EmptyFrameStillCountsACycleButRunsNothing) {
    gfx_merge_dirty_rect(g, 1, 2, 3, 4);   // left from a previous frame
    start();
    const uint32_t before = cycles();
    gfx_wait_frame(g);
    gfx_wait_frame(g);
    EXPECT_GE(cycles(), before + 2);
    EXPECT_EQ(g->drawn_frames, 0u);
    stop();
    EXPECT_THAT(rects(&g->dirty), ::testing::ElementsAre(IsRect(1, 2, 3, 4)));
}

TEST_F(GraphicsThread, QueuedFrameRunsOnceAndEmptiesTheQueue) {
    start();
    gfx_queue_lock(g);
    ASSERT_EQ(gfx_queue_is_empty(g), 1);
    ASSERT_EQ(gfx_queue_command(g, count_run, nullptr, 0), RES_OK);
    ASSERT_EQ(gfx_queue_command(g, count_run, nullptr, 0), RES_OK);
    gfx_queue_unlock(g);
    gfx_wait_frame(g);
    gfx_wait_frame(g);
    EXPECT_EQ(g_thread_runs.load(), 2);
    gfx_queue_lock(g);
    EXPECT_EQ(gfx_queue_is_empty(g), 1);
    gfx_queue_unlock(g);
    stop();
    EXPECT_EQ(g->drawn_frames, 1u);
}

TEST_F(GraphicsThread, ASecondStartIsRefusedAndQuitEndsTheThreadAndWakesItsWaiters) {
    start();
    EXPECT_EQ(gfx_start_thread(g), RES_ALREADY_RUNNING);
    stop();
    EXPECT_EQ(gfx_thread_running(g), 0);
    gfx_wait_frame(g);   // must not block once the thread is gone
}

// A loader thread decodes pictures in the attached screen's format while the game thread replays
// frames into an off-screen target and attaches the screen again (as video set-up does): every
// picture takes the screen's four bytes, and no replay's target format leaks to a loader.
TEST_F(GraphicsThread, ALoaderReadsThePicturesFormatWhileFramesAreReplayedAndTheScreenAttached) {
    SDL_Surface *target = SDL_CreateRGBSurface(SDL_SWSURFACE, GFX_WIDTH, GFX_HEIGHT, 16, 0xF800, 0x07E0, 0x001F, 0);
    ASSERT_NE(target, nullptr);
    const std::vector<uint8_t> png = png_from_art({"#r.", "gb#"});
    std::atomic<bool> done{false};
    std::atomic<int> loaded{0}, off_format{0};
    std::thread loader([&] {
        while (!done.load() || loaded.load() == 0) {
            Sprite *sprite = sprite_from_png(png);
            if (!sprite || sprite->bytes_per_pixel != 4) off_format.fetch_add(1);
            else loaded.fetch_add(1);
            if (sprite) sprite_free(sprite);
        }
    });
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(gfx_replay_frame(g, target), RES_OK);
        gfx_screen_attach(screen);
    }
    done = true;
    loader.join();
    EXPECT_EQ(off_format.load(), 0) << "a picture took the replay target's 2-byte format";
    EXPECT_GT(loaded.load(), 0);
    EXPECT_EQ(gfx_screen()->surface, screen) << "the replay put the screen back";
    SDL_FreeSurface(target);
}

class VideoSetUp : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        gfx_destroy();
    }
    void TearDown() override {
        gfx_destroy();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
};

TEST_F(VideoSetUp, OpensA1024By768WindowTitledAstrovaneWith32BitPixels) {
    Graphics *g = gfx_get();
    gfx_set_size(g, 0);
    EXPECT_EQ(g->width, 1024);
    EXPECT_EQ(g->height, 768);
    ASSERT_EQ(gfx_init_video(g), RES_OK);
    const GfxScreen *s = gfx_screen();
    EXPECT_EQ(s->width, 1024);
    EXPECT_EQ(s->height, 768);
    EXPECT_EQ(s->bytes_per_pixel, 4);
    EXPECT_EQ(s->surface, g->screen);
    EXPECT_EQ(s->clip_right, 1023);
    EXPECT_EQ(s->clip_bottom, 767);
    EXPECT_EQ(s->clip_active, 0);
    char *title = nullptr;
    SDL_WM_GetCaption(&title, nullptr);
    ASSERT_NE(title, nullptr);
    EXPECT_STREQ(title, "Astrovane");
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
}

TEST_F(VideoSetUp, NegativeSizeIsRefusedBeforeSdlIsAsked) {
    Graphics *g = gfx_get();
    g->width = -1;
    g->height = 768;
    EXPECT_EQ(gfx_init_video(g), RES_OUT_OF_RANGE);
    EXPECT_EQ(g->screen, nullptr);
}

}  // namespace
