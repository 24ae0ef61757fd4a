// The end of a galaxy day over real players, sectors and ships: the victory rules, Sol's growth and
// the name decks' cycles. (The autosave cadence is played through whole days in headless_test.)
#include "save_fixture.h"

#include <tuple>
#include "game/newgame.h"
#include "game/turn.h"

using namespace savetest;

namespace {

constexpr uint64_t SOL = 0x1005;

class TurnEnd : public SaveWorld {
protected:
    // A sector owned by the player with its starbase: a controlled sector.
    Sector *held(uint64_t owner, int32_t x, int32_t y) {
        Sector *s = add_sector(owner, x, y, 0);
        add_site(s, SITE_STARBASE, owner);
        sector_refresh_sites(s);
        return s;
    }

    // The Sol player owning the Sol sector with its starbase, and one design.
    Player *add_sol(Sector **out_sector) {
        Player *sol = add_player(SOL, "United Earth Council", PLAYER_KIND_COMPUTER);
        Sector *sector = held(SOL, 800, 500);
        game->sol_sector_id = sector->id;
        game->sol_player_id = SOL;
        Ship *design = ship_of(factory_create_object(OBJECT_SHIP, 2));
        EXPECT_NE(design, nullptr);
        design->ship_name = "Guardian";
        player_add_design(sol, design);
        ship_of(player_get_design_at(sol, 0))->cost = 150;   // a bare hull costs nothing: a fitted one's price
        if (out_sector) *out_sector = sector;
        return sol;
    }
};

TEST_F(TurnEnd, TheOnlySectorHolderWinsThenTwoThirdsOfTheSectorsThenSol) {
    Player *a = add_player(HUMAN, "Ada", PLAYER_KIND_HUMAN);
    Player *b = add_player(RIVAL, "Vorn", PLAYER_KIND_COMPUTER);
    Sector *sol_sector = nullptr;
    add_sol(&sol_sector);
    held(HUMAN, 100, 100);
    game->conquerable_sectors = 4;
    game_check_victory(game);
    EXPECT_EQ(game->winner_id, HUMAN) << "Sol's own sector does not count as a rival";
    EXPECT_EQ(game->win_kind, WIN_ONLY_SECTOR_HOLDER);

    game->winner_id = 0;
    held(RIVAL, 400, 100);
    game_check_victory(game);
    EXPECT_EQ(game->winner_id, 0u) << "one sector each out of four: no one has won";
    held(RIVAL, 600, 100);
    game_check_victory(game);
    EXPECT_EQ(game->winner_id, 0u) << "two of four is short of the three needed";
    held(RIVAL, 700, 300);
    game_check_victory(game);
    EXPECT_EQ(game->winner_id, RIVAL);
    EXPECT_EQ(game->win_kind, WIN_TWO_THIRDS);

    game->winner_id = 0;   // twenty needed: taking Sol wins when no other rule does
    game->conquerable_sectors = 20;
    sol_sector->owner_id = HUMAN;
    game_check_victory(game);
    EXPECT_EQ(game->winner_id, HUMAN);
    EXPECT_EQ(game->win_kind, WIN_SOL_HOLDER);
    (void)a;
    (void)b;

    // Two thirds rounded up, and the figure the new-game screen shows is the same one.
    const int32_t cases[][2] = {{9, 6}, {10, 7}, {11, 8}, {30, 20}, {31, 21}, {1, 1}, {0, 0}, {3, 2}};
    for (const auto &c : cases) {
        game->conquerable_sectors = c[0];
        EXPECT_EQ(game_sectors_to_win(c[0]), c[1]) << c[0] << " sectors";
        EXPECT_EQ(game_sector_threshold(game), c[1]) << c[0] << " sectors";
    }
}

TEST_F(TurnEnd, SolGrowsItsBudgetTrainsItsOfficersLearnsAndBuildsAShip) {
    add_player(HUMAN, "Ada", PLAYER_KIND_HUMAN);
    Sector *sector = nullptr;
    Player *sol = add_sol(&sector);
    held(HUMAN, 100, 100);
    game->conquerable_sectors = 40;   // nobody wins
    Officer *veteran = officer_create();
    veteran->id = game_next_id(game);
    veteran->name = "Veteran";
    player_add_officer(sol, veteran);
    const int32_t design_cost = ship_of(player_get_design_at(sol, 0))->cost;
    ASSERT_GT(design_cost, 0);

    // A day in debt: the budget grows by 600..1200, nothing is built.
    game->sol_budget = -5000;
    game->sol_spent = 0;
    game_end_turn(game);
    EXPECT_EQ(game->turn_counter, 1);
    EXPECT_GE(game->sol_budget, -4400);
    EXPECT_LE(game->sol_budget, -3800);
    EXPECT_GE(veteran->experience, 85);
    EXPECT_LE(veteran->experience, 160);
    EXPECT_EQ(player_object_count(sol), 0);
    EXPECT_EQ(player_design_count(sol), 1);

    // Technologies Sol reaches with what it has spent are completed.
    int32_t reachable = -1;
    for (int32_t t = 0; t < PLAYER_TECH_COUNT && reachable < 0; ++t)
        if (const TechInfo *tech = tech_get(t); tech && tech->sol_level > 0) reachable = t;
    ASSERT_GE(reachable, 0) << "the technology table gives Sol thresholds";
    const int32_t threshold = tech_get(reachable)->sol_level;

    // Enough money: one ship from the design, three times its cost.
    game->sol_budget = threshold + design_cost * 3 + 10;
    game->sol_spent = threshold;
    game_end_turn(game);
    EXPECT_TRUE(player_is_tech_done(sol, reachable));
    ASSERT_EQ(player_object_count(sol), 1);
    Ship *built = ship_of(player_get_object_at(sol, 0));
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(game->sol_spent, threshold + design_cost * 3);
    EXPECT_EQ(player_design_count(sol), 0) << "the design is used up";
    EXPECT_EQ(sol->ships_built, 1);
    EXPECT_NE(built->id, 0u);
    EXPECT_EQ(built->owner_id, SOL);
    EXPECT_FALSE(built->ship_name.empty());
    EXPECT_NE(built->ship_name, "Guardian") << "named from the ship-name deck";
    ASSERT_NE(built->pilot, nullptr);
    EXPECT_EQ(built->pilot->owner_id, SOL);
    EXPECT_GE(built->pilot->rank, 2) << "a new Sol pilot is promoted twice";
    EXPECT_EQ(list_count(&sol->officers), 2);
    EXPECT_EQ(std::tie(built->crew, built->mp, built->sector_id), std::tie(built->max_crew, built->max_mp, sector->id));
    EXPECT_EQ(sector_count_objects_of_owner(sector, SOL), 1);
    EXPECT_NE(player_get_known_object(game->ui_player ? game->ui_player : game_find_player(game, HUMAN),
                                      OBJECT_SECTOR, sector->id),
              nullptr)
        << "every player learns Sol";
}

TEST_F(TurnEnd, WithNineOfficersSolMovesTheOldestShipsPilotToTheNewShip) {
    add_player(HUMAN, "Ada", PLAYER_KIND_HUMAN);
    held(HUMAN, 100, 100);
    Sector *sector = nullptr;
    Player *sol = add_sol(&sector);
    game->conquerable_sectors = 40;
    for (int i = 0; i < 9; ++i) {
        Officer *o = officer_create();
        o->id = game_next_id(game);
        o->rank = RANK_FLEET_ADMIRAL;
        player_add_officer(sol, o);
    }
    Ship *old = ship_of(factory_create_object(OBJECT_SHIP, 2));
    ASSERT_NE(old, nullptr);
    object_assign_id(old);
    old->owner_id = SOL;
    old->built_date->minutes = 0;   // the oldest ship
    player_add_object(sol, old);
    Officer *pilot = list_get(&sol->officers, 0);
    ship_set_pilot(old, pilot);
    const uint64_t old_id = old->id;
    game->sol_budget = 1000000;
    game->sol_spent = 0;
    game_end_turn(game);
    EXPECT_EQ(list_count(&sol->officers), 9) << "no new officer";
    EXPECT_EQ(player_find_object(sol, old_id), nullptr) << "the oldest ship was removed and purged";
    ASSERT_EQ(player_object_count(sol), 1);
    EXPECT_EQ(ship_of(player_get_object_at(sol, 0))->pilot, pilot);
}

TEST_F(TurnEnd, NameDecksMarkTheirSecondCycle) {
    const int32_t ships = shuffle_count(game->ship_names);
    ASSERT_GT(ships, 1);
    shuffle_reset(game->ship_names);
    game->ship_name_cycles = 0;
    std::string name;
    std::string first;
    for (int32_t i = 0; i < ships; ++i) {
        game_next_ship_name(game, &name);
        if (i == 0) first = name;
    }
    EXPECT_EQ(game->ship_name_cycles, 1);
    game_next_ship_name(game, &name);
    EXPECT_EQ(game->ship_name_cycles, 2);
    ASSERT_GE(name.size(), 3u);
    EXPECT_EQ(name.substr(name.size() - 2), " A") << name;

    const int32_t pilots = shuffle_count(game->pilot_names);
    ASSERT_GT(pilots, 1);
    shuffle_reset(game->pilot_names);
    game->pilot_name_cycles = 0;
    for (int32_t i = 0; i < pilots; ++i) game_random_name(game, &name);
    EXPECT_EQ(game->pilot_name_cycles, 1);
    game_random_name(game, &name);
    EXPECT_EQ(game->pilot_name_cycles, 2);
    ASSERT_GE(name.size(), 4u);
    EXPECT_EQ(name.substr(1, 2), ". ") << name;
    EXPECT_NE(std::string("ADPKRTJ").find(name[0]), std::string::npos) << "row two of the initials: " << name;
}

}  // namespace
