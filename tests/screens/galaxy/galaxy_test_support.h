#pragma once
// Test support for the galaxy screen: a real seeded new game (one human UI player, computer
// players from the shipped records) over the generated store, the galaxy mode entered through
// the real mode switch, frames run in the game loop's order and replayed into an off-screen
// screen (title_test::TitleDriver does the frames, keys and clicks).
//  - The fixture loads the image types the screen's bar, bars and busy picture use, as start-up
//    does for the program.
//  - TearDown leaves the mode first (which joins the screen's workers), then frees the model.
#include <gtest/gtest.h>

#include "../../game/headless_fixture.h"
#include "../title/title_test_support.h"
#include "platform/graphics.h"
#include "screens/galaxy/galaxy_screen.h"
#include "world/factory.h"
#include "world/sector.h"

namespace galaxy_test {

// The command bar's buttons, the busy picture, the day clock, the countdown and the credits coin.
constexpr int GALAXY_IMAGE_TYPES[] = {IMAGE_NEXT_TURN, IMAGE_TECH_LIST, IMAGE_GAME_MENU, IMAGE_COMPUTER,
                                      IMAGE_NEWS_LIST, IMAGE_STARMAP, IMAGE_SHIPS_LIST, IMAGE_OFFICERS_LIST,
                                      IMAGE_CLOCK, IMAGE_CORPORATION, IMAGE_PASS, IMAGE_STOP, IMAGE_COUNTDOWN,
                                      IMAGE_CREDITS_COIN};

inline GalaxyScreen *screen() { return galaxy_screen(); }
inline uint32_t flags() { return galaxy_screen()->screen_flags.load(std::memory_order_acquire); }
inline bool has(uint32_t bits) { return (flags() & bits) == bits; }

// The graphics context at the screen's size, as video set-up leaves it (a test's context is smaller),
// so the maps' objects are drawn; restore() gives the size before back.
class ScreenSizedContext {
public:
    void enlarge() {
        Graphics *g = gfx_get();
        width_ = g->width;
        height_ = g->height;
        g->width = GFX_WIDTH;
        g->height = GFX_HEIGHT;
    }
    void restore() const {
        gfx_get()->width = width_;
        gfx_get()->height = height_;
    }

private:
    int32_t width_ = 0, height_ = 0;
};

// The sectors' stars, as the title's load leaves them for the galaxy screen.
inline void load_sector_stars() {
    for (int32_t t = 0; t < SECTOR_TEMPLATE_COUNT; ++t) factory_acquire_group(OBJECT_SECTOR, t, FACTORY_GROUP_FRAMES);
    ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
}
inline void release_sector_stars() {
    factory_release_all_groups(FACTORY_GROUP_FRAMES);
    EXPECT_EQ(factory_resolve_load_groups(), RES_OK);
}

class GalaxyGame : public ModelGame {
protected:
    static constexpr uint32_t SEED = 20261208;
    title_test::TitleDriver driver;
    int computer_players = 2;   // set before SetUp in a derived fixture's constructor

    void SetUp() override {
        ModelGame::SetUp();
        ASSERT_TRUE(driver.start());
        for (int type : GALAXY_IMAGE_TYPES) {
            ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
            types_.push_back(type);
        }
        random_seed(SEED);
        HeadlessOptions options;
        options.computer_players = computer_players;
        ASSERT_EQ(headless_new_game(game, options), RES_OK) << "seed " << SEED;
        ASSERT_NE(game->ui_player, nullptr);
        title_test::TitleDriver::switch_to(APP_MODE_GALAXY);
        ASSERT_EQ(app_mode_current_id(), APP_MODE_GALAXY);
    }
    void TearDown() override {
        driver.stop();   // leaves the mode: the screen's workers are joined
        for (int type : types_) image_control_free_type(type);
        types_.clear();
        ModelGame::TearDown();
    }

    void frame(int ms = 20) { driver.frame(ms); }
    void frames(int count, int ms = 20) { driver.frames(count, ms); }
    bool run_until(const std::function<bool()> &done, int max_frames = 3000) { return driver.run_until(done, max_frames); }
    void press(int key) { driver.press(key); }
    void click(Control *c) { driver.click(c); }
    static Control *find(int id) { return game_find_control(game_get(), id); }

private:
    std::vector<int> types_;
};

}  // namespace galaxy_test
