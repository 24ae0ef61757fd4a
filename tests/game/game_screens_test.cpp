// What the game keeps for the screens: the one help window (built through the screens' hook at the
// game's help topic, found again whether live or still queued, centred each time), and the player
// lookups by position and colour on a real new game.
#include "headless_fixture.h"

#include <tuple>
#include "game/newgame.h"
#include "platform/random.h"
#include "ui/game_controls.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"

namespace {

std::vector<int32_t> g_built_topics;

void record_build(Control *panel, int32_t topic) {
    g_built_topics.push_back(topic);
    control_set_size(panel, 301, 203);   // odd, so the integer halves show
}

class HelpPopup : public ::testing::Test {
protected:
    GameScreenHooksGuard hooks_back_;
    Game *game = game_get();
    int32_t saved_topic_ = game->help_topic;

    void SetUp() override {
        game_clear_controls(game);
        g_built_topics.clear();
        game_set_screen_hooks(GameScreenHooks{.help_window_init = record_build});
    }
    void TearDown() override {
        game_clear_controls(game);
        game->help_topic = saved_topic_;
    }
    int help_windows() const {
        int n = 0;
        for (List<Control> *list : {game->controls, game->new_controls})
            for (Control *c : list->items) n += c->id == CONTROL_ID_HELP && !(c->flags & CTRL_REMOVED);
        return n;
    }
    static bool centred(const Control *c) {
        return c->x == ui_screen_width() / 2 - c->w / 2 && c->y == ui_screen_height() / 2 - c->h / 2;
    }
};

TEST_F(HelpPopup, OneWindowAtTheGamesTopicFoundQueuedOrLiveAndCentredEachTime) {
    game->help_topic = 3;
    Control *window = game_open_help_popup(game);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(std::make_tuple(window->id, window->layer, window->flags & CTRL_MOVING),
              std::make_tuple(CONTROL_ID_HELP, CONTROL_LAYER_HELP, 0u));
    EXPECT_TRUE(centred(window));
    control_set_position(window, 7, 9);
    EXPECT_EQ(game_open_help_popup(game), window) << "still queued in the same frame";
    EXPECT_TRUE(centred(window));

    game_flush_new_controls(game);
    control_set_position(window, 40, 2);
    game->help_topic = 6;
    EXPECT_EQ(game_open_help_popup(game), window) << "live";
    EXPECT_TRUE(centred(window));
    EXPECT_EQ(help_windows(), 1);
    EXPECT_EQ(g_built_topics, std::vector<int32_t>{3}) << "built once, at the topic it opened with";

    control_remove(window);   // a removed window is not found: the next opening builds anew
    EXPECT_NE(game_open_help_popup(game), window);
    EXPECT_EQ(g_built_topics, (std::vector<int32_t>{3, 6}));
}

TEST_F(HelpPopup, WithoutABuilderNothingOpens) {
    game_set_screen_hooks(GameScreenHooks{});
    EXPECT_EQ(game_open_help_popup(game), nullptr);
    EXPECT_EQ(help_windows(), 0);
}

using PlayerLookups = ModelGame;

TEST_F(PlayerLookups, ByPositionAndByIdOnANewGame) {
    EXPECT_EQ(std::make_tuple(game_player_count(game), game_get_player_at(game, 0)), std::make_tuple(0, nullptr));
    std::vector<uint64_t> humans, computers;
    for (PlayerRecord *r : game->player_records->items) (r->kind == 0 ? humans : computers).push_back(r->id);
    ASSERT_FALSE(humans.empty());
    ASSERT_GE(computers.size(), 2u);
    const uint64_t ids[GAME_SLOT_COUNT] = {humans[0], computers[0], computers[1], 0, 0};
    for (int s = 0; s < GAME_SLOT_COUNT; ++s) {
        game->slot_record_ids[s] = ids[s];
        game->slot_red[s] = uint8_t(30 + 50 * s);
        game->slot_green[s] = uint8_t(200 - 40 * s);
        game->slot_blue[s] = uint8_t(11 * s);
    }
    random_seed(4242);
    ASSERT_EQ(game_new(game), RES_OK);

    const int32_t count = game_player_count(game);
    EXPECT_EQ(count, 3 + 2) << "the three slots, the machine faction and the guardians";
    int32_t r = -1, g = -1, b = -1;
    for (int32_t i = 0; i < count; ++i) {
        Player *p = game_get_player_at(game, i);
        ASSERT_EQ(p, list_get(game->players, i)) << i;
        EXPECT_EQ(game_get_player_colors(game, p->id, &r, &g, &b), 1);
        EXPECT_EQ(std::make_tuple(r, g, b), std::make_tuple(int32_t(p->red), int32_t(p->green), int32_t(p->blue)));
    }
    ASSERT_EQ(game_get_player_colors(game, game->ui_player_id, &r, &g, &b), 1);
    EXPECT_EQ(std::make_tuple(r, g, b), std::make_tuple(30, 200, 0)) << "the first slot's colour";
    EXPECT_EQ(game_get_player_at(game, -1), nullptr);
    EXPECT_EQ(game_get_player_at(game, count), nullptr);

    uint64_t unknown = 0x5eed;
    while (game_find_player(game, unknown)) ++unknown;
    for (uint64_t id : {unknown, uint64_t(0)}) {
        r = g = b = -1;
        EXPECT_EQ(game_get_player_colors(game, id, &r, &g, &b), 0);
        EXPECT_EQ(std::make_tuple(r, g, b), std::make_tuple(250, 250, 250));
    }
}

}  // namespace
