// The player lookups by position and colour on a real new game. (The one help window is the title
// folder's: tests/screens/title/help_window_test.cpp.)
#include "headless_fixture.h"

#include <tuple>
#include "game/newgame.h"
#include "platform/random.h"
#include "ui/game_controls.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"

namespace {

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
