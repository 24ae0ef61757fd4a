// The start-up loading mode: the worker's start, the hand-over bit, the 640 ms fade-out, the
// title request, the inline fallback, and the command-line volume levels.
#include <atomic>
#include <chrono>
#include <thread>
#include <tuple>

#include "app/mode_loading.h"
#include "effects/effect_beam.h"
#include "effects/effect_fixture.h"
#include "game/game.h"
#include "game/tech.h"
#include "systems/system.h"
#include "world/factory.h"
#include "platform/colour_fade.h"
#include "platform/font.h"
#include "platform/geometry.h"
#include "platform/list.h"
#include "platform/random.h"
#include "support/state_guards.h"
#include "ui/app_mode.h"
#include "ui/control.h"
#include "ui/control_minimap.h"
#include "ui/cursor.h"

namespace {

std::atomic<bool> g_release{false};
std::atomic<int>  g_threads_made{0};
std::thread::id   g_steps_thread;
bool              g_first_run = false;
Cursor           *g_cursor = nullptr;

// Steps that wait until the test lets them finish.
void held_steps(LoadingState *state) {
    g_steps_thread = std::this_thread::get_id();
    while (!g_release.load(std::memory_order_acquire)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (g_first_run) state->flags.fetch_or(LOADING_FIRST_RUN, std::memory_order_relaxed);
    state->loaded_cursor = g_cursor;
}

SDL_Thread *counted_thread(int (*body)(void *), void *arg) {
    g_threads_made.fetch_add(1);
    return SDL_CreateThread(body, arg);
}

SDL_Thread *no_thread(int (*)(void *), void *) {
    g_threads_made.fetch_add(1);
    return nullptr;
}

// Steps that note the worker's first quick draws.
std::vector<uint32_t> g_worker_draws;
void drawing_steps(LoadingState *) {
    g_worker_draws.clear();
    for (int i = 0; i < 4; ++i) g_worker_draws.push_back(random_raw());
}

int requested() { return app_mode_request(APP_MODE_COUNT); }   // 5 or more leaves the request as it is

class LoadingMode : public EffectTest {
protected:
    void SetUp() override {
        EffectTest::SetUp();
        app_mode_reset();
        g_release = false;
        g_threads_made = 0;
        g_first_run = false;
        g_cursor = nullptr;
        game = game_get();
        ASSERT_NE(game, nullptr);
        game->flags &= ~GAME_FLAG_FIRST_RUN;
        cursor_free(game->cursors[0]);
        game->cursors[0] = nullptr;
    }
    void TearDown() override {
        g_release = true;
        loading_mode_leave();
        loading_mode_set_seams(nullptr);
        app_mode_reset();
        EffectTest::TearDown();
    }
    void use(SDL_Thread *(*create)(int (*)(void *), void *)) {
        const LoadingSeams seams{create, held_steps};
        loading_mode_set_seams(&seams);
        loading_mode_enter();
    }
    void draw_alone_mode() {
        clear(ScreenRgb{0, 0, 0});
        loading_mode_draw(g);
        replay();
    }
    uint32_t flags() const { return loading_mode_state()->flags.load(std::memory_order_acquire); }
    void wait_until_done() {
        for (int i = 0; i < 5000 && (flags() & LOADING_RUNNING); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_FALSE(flags() & LOADING_RUNNING);
    }

    Game *game = nullptr;
    GameFieldsGuard fields_back_;   // the first-run flag the worker hands over
};

TEST_F(LoadingMode, TheFirstFrameStartsTheWorkerAndOnlyTheFirst) {
    use(counted_thread);
    EXPECT_EQ(flags(), 0u);
    loading_mode_update(20);
    EXPECT_EQ(g_threads_made.load(), 1);
    EXPECT_TRUE(flags() & LOADING_STARTED);
    EXPECT_TRUE(flags() & LOADING_RUNNING);
    for (int i = 0; i < 10; ++i) loading_mode_update(20);
    EXPECT_EQ(g_threads_made.load(), 1);
}

TEST_F(LoadingMode, TheFadeOutStartsOnlyAfterTheWorkerClearsItsBitAndEndsWithTheTitle) {
    use(counted_thread);
    for (int i = 0; i < 100; ++i) {   // two seconds of a worker that is still loading
        loading_mode_update(20);
        EXPECT_FALSE(flags() & LOADING_FADE_OUT);
        EXPECT_NE(requested(), APP_MODE_TITLE);
    }
    g_release = true;
    wait_until_done();   // the worker's completion bit orders its writes before what follows
    EXPECT_NE(g_steps_thread, std::this_thread::get_id()) << "the steps run on the worker";
    loading_mode_update(20);
    ASSERT_TRUE(flags() & LOADING_FADE_OUT);
    int ms = 20;
    while (requested() != APP_MODE_TITLE && ms < 2000) {
        EXPECT_TRUE(colour_fade_is_running(loading_mode_state()->fade)) << "the title waits for the fade";
        loading_mode_update(20);
        ms += 20;
    }
    EXPECT_EQ(requested(), APP_MODE_TITLE);
    EXPECT_FALSE(colour_fade_is_running(loading_mode_state()->fade)) << "requested in the frame the fade ended";
    EXPECT_LE(ms, LOADING_FADE_OUT_MS + 20);
    EXPECT_TRUE(colour_fade_is_black(loading_mode_state()->fade));
}

TEST_F(LoadingMode, WithoutAWorkerTheStepsRunOnTheGameThreadInTheFirstUpdate) {
    g_release = true;
    use(no_thread);
    loading_mode_update(20);
    EXPECT_EQ(g_steps_thread, std::this_thread::get_id());
    EXPECT_FALSE(flags() & LOADING_RUNNING);
    EXPECT_TRUE(flags() & LOADING_FADE_OUT) << "the fade-out begins in the same update";
    int frames = 0;
    while (requested() != APP_MODE_TITLE && frames < 100) {
        loading_mode_update(20);
        ++frames;
    }
    EXPECT_EQ(requested(), APP_MODE_TITLE) << "the mode still ends";
    EXPECT_EQ(g_threads_made.load(), 1);
}

// A worker's quick generator is seeded with a draw of the game thread: the same start-up seed
// repeats the worker's sequence, another seed (another run) gives another sequence, and the worker
// never starts from the unseeded state every run would share.
TEST_F(LoadingMode, TheWorkerIsSeededFromADrawOfTheGameThread) {
    const auto worker_draws_after_seed = [&](uint32_t seed) {
        loading_mode_leave();
        const LoadingSeams seams{counted_thread, drawing_steps};
        loading_mode_set_seams(&seams);
        loading_mode_enter();
        random_seed(seed);
        loading_mode_update(20);
        wait_until_done();
        return g_worker_draws;
    };
    const std::vector<uint32_t> first = worker_draws_after_seed(1234);
    ASSERT_EQ(first.size(), 4u);
    EXPECT_EQ(worker_draws_after_seed(1234), first) << "reproducible from the starter's seed";
    EXPECT_NE(worker_draws_after_seed(98765), first) << "another run, another sequence";

    // Not the sequence of the game thread itself, nor of a thread nobody seeded.
    random_seed(1234);
    std::vector<uint32_t> game_thread;
    for (int i = 0; i < 4; ++i) game_thread.push_back(random_raw());
    EXPECT_NE(first, game_thread);
    std::vector<uint32_t> unseeded;
    std::thread([&] {
        for (int i = 0; i < 4; ++i) unseeded.push_back(random_raw());
    }).join();
    EXPECT_NE(first, unseeded);
}

TEST_F(LoadingMode, TheGameThreadHandsTheCursorAndTheFirstRunToTheGame) {
    g_first_run = true;
    g_cursor = cursor_create_empty();
    use(counted_thread);
    loading_mode_update(20);
    EXPECT_EQ(game->cursors[0], nullptr) << "nothing of the worker's reaches the Game while it runs";
    EXPECT_FALSE(game->flags & GAME_FLAG_FIRST_RUN);
    g_release = true;
    wait_until_done();
    loading_mode_update(20);
    EXPECT_EQ(game->cursors[0], g_cursor);
    EXPECT_TRUE(game->flags & GAME_FLAG_FIRST_RUN);
}

TEST_F(LoadingMode, TheTextPulsesInTheBottomRightCorner) {
    ASSERT_TRUE(open_generated_store());
    ASSERT_EQ(font_select_glyph_blit(4), RES_OK);
    use(counted_thread);
    ASSERT_GT(loading_mode_state()->text_width, 0) << "font 0 from the store";
    loading_mode_update(20);
    draw_alone_mode();
    const int w = loading_mode_state()->text_width, h = loading_mode_state()->font_height;
    int lit_inside = 0, lit_outside = 0;
    for (int y = 0; y < surface->h; ++y)
        for (int x = 0; x < surface->w; ++x) {
            const ScreenRgb c = at(x, y);
            const bool lit = (c.r | c.g | c.b) != 0;
            const bool inside = x >= surface->w - w - 8 && x < surface->w - 8 && y >= surface->h - h - 8 &&
                                y < surface->h - 8;
            (inside ? lit_inside : lit_outside) += lit;
            if (lit) {
                EXPECT_GE(c.g, c.r) << "green towards pale";
            }
        }
    EXPECT_GT(lit_inside, 0);
    EXPECT_EQ(lit_outside, 0);
}

TEST_F(LoadingMode, TheRealStepsLoadTheGeneratedStoreWhileTheGameThreadDraws) {
    ASSERT_TRUE(open_generated_store());
    ASSERT_EQ(font_select_glyph_blit(4), RES_OK);
    const bool had_distances = distance_table_ready();
    loading_mode_set_seams(nullptr);
    const auto preferences = std::tuple{game->music_volume, game->sound_volume, game->help_topic};
    game->music_override = 3;
    game->sound_override = -1;
    game->sound_volume = 99;
    game->help_topic = 7;
    loading_mode_enter();
    for (int frame = 0; frame < 20000 && requested() != APP_MODE_TITLE; ++frame) {
        loading_mode_update(20);
        loading_mode_draw(g);   // queued only: a replay re-attaches the screen the loader reads
        gfx_queue_clear(g);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(requested(), APP_MODE_TITLE);
    EXPECT_EQ(effect_beam_style_frames(3), 6) << "the effect types were loaded";
    EXPECT_NE(minimap_frame(2), nullptr) << "the minimap's pictures";
    EXPECT_NE(font_get(7), nullptr) << "all eight fonts";
    EXPECT_TRUE(distance_table_ready()) << "the shared distance table, before any game starts";
    EXPECT_EQ(game->music_volume, 76);
    EXPECT_EQ(game->sound_volume, 99);
    EXPECT_EQ(game->help_topic, 0);
    game->music_override = -1;
    std::tie(game->music_volume, game->sound_volume, game->help_topic) = preferences;
    list_clear(game->player_records);   // the records it loaded: a later test adds its own
    control_classes_free_all();   // the image types and minimap pictures it loaded
    factory_free();               // and the tables, as the shutdown frees them
    tech_free_all();
    system_types_free();
    if (!had_distances) distance_table_free();
}

TEST(LoadingVolumes, LevelsZeroToFiveSetTheVolumeAndOthersKeepThePreference) {
    const int levels[][3] = {{0, 77, 0},   {1, 77, 25}, {2, 77, 51},  {3, 77, 76},
                             {4, 77, 102}, {5, 77, 128}, {6, 77, 77}, {-1, 77, 77}, {-2, 3, 3}};
    for (const auto &l : levels) EXPECT_EQ(loading_volume_for_level(l[0], l[1]), l[2]) << "level " << l[0];
}

}  // namespace
