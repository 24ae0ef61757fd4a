// The player name label over the application's hooks: a real player of the game shows in its own
// name and colour; an unknown one shows the fallback in grey, or no label at all.
#include <gtest/gtest.h>

#include <cstring>
#include "app/app_hooks.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "support/state_guards.h"
#include "ui/control.h"
#include "ui/player_name_label.h"
#include "ui/text_label.h"

namespace {

class PlayerNameLabel : public ::testing::Test {
protected:
    Game *game = nullptr;
    PlayerNameHooksGuard hooks_back_;
    GameFieldsGuard fields_back_;   // game_clear starts a new id range and reseeds the generators
    void SetUp() override {
        player_name_label_set_hooks(app_player_name_hooks());
        game = game_get();
        game_clear(game);
        Player *p = player_create(PLAYER_KIND_HUMAN);
        player_set_id(p, 404);
        player_set_name(p, "Vega Combine");
        player_set_color(p, 210, 100, 10);
        ASSERT_EQ(game_add_player(game, p), RES_OK);
    }
    void TearDown() override {
        game_clear_players(game);
    }
    static void expect_colour(Control *c, int r, int g, int b) {
        const ColourFade *colour = text_label_colour(c);
        ASSERT_NE(colour, nullptr);
        EXPECT_EQ(colour->r, r);
        EXPECT_EQ(colour->g, g);
        EXPECT_EQ(colour->b, b);
    }
};

TEST_F(PlayerNameLabel, AKnownPlayerShowsItsNameInItsColour) {
    Control *c = player_name_label_create(2, "Unknown", 404);
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(text_label_of(c)->text, "Vega Combine");
    expect_colour(c, 210, 100, 10);
    control_release(c);
}

TEST_F(PlayerNameLabel, AnUnknownPlayerShowsTheFallbackInGreyOrNothing) {
    Control *c = player_name_label_create(2, "Unknown", 405);
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(text_label_of(c)->text, "Unknown");
    expect_colour(c, 180, 180, 180);
    control_release(c);
    Control *zero = player_name_label_create(2, "Nobody", 0);
    ASSERT_NE(zero, nullptr);
    EXPECT_STREQ(text_label_of(zero)->text, "Nobody") << "id 0 names no player";
    control_release(zero);
    EXPECT_EQ(player_name_label_create(2, nullptr, 405), nullptr);
}

TEST_F(PlayerNameLabel, WithoutTheHookNoPlayerIsKnown) {
    player_name_label_set_hooks(PlayerNameHooks{});
    EXPECT_EQ(player_name_label_create(2, nullptr, 404), nullptr);
}

}  // namespace
