// The player name label over the real game record: a player of the game shows in its own name and
// colour; an unknown one, or one that has left the game, shows the fallback in grey, or no label.
#include <gtest/gtest.h>

#include <cstring>
#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "support/state_guards.h"
#include "ui/control.h"
#include "ui/text_label.h"
#include "views/player_name_label.h"

namespace {

class PlayerNameLabel : public ::testing::Test {
protected:
    Game *game = nullptr;
    GameFieldsGuard fields_back_;   // game_clear starts a new id range and reseeds the generators
    void SetUp() override {
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

TEST_F(PlayerNameLabel, APlayerThatLeftTheGameIsNoLongerNamedAndALabelMadeBeforeKeepsItsText) {
    Control *before = player_name_label_create(2, nullptr, 404);
    ASSERT_NE(before, nullptr);
    game_clear_players(game);   // the player record is freed with the list's last reference
    EXPECT_EQ(player_name_label_create(2, nullptr, 404), nullptr);
    Control *after = player_name_label_create(2, "Gone", 404);
    ASSERT_NE(after, nullptr);
    EXPECT_STREQ(text_label_of(after)->text, "Gone");
    expect_colour(after, 180, 180, 180);
    EXPECT_STREQ(text_label_of(before)->text, "Vega Combine") << "the label owns its text";
    expect_colour(before, 210, 100, 10);
    control_release(before);
    control_release(after);
}

TEST_F(PlayerNameLabel, AColourOutsideTheChannelRangeIsHeldToIt) {
    Player *p = player_create(PLAYER_KIND_COMPUTER);
    player_set_id(p, 406);
    player_set_name(p, "Loud");
    player_set_color(p, 300, -20, 128);
    ASSERT_EQ(game_add_player(game, p), RES_OK);
    Control *c = player_name_label_create(2, nullptr, 406);
    ASSERT_NE(c, nullptr);
    expect_colour(c, 255, 0, 128);
    control_release(c);
}

}  // namespace
