// Ships with the game's real players behind them (no stand-in hooks): a scan puts the target into
// the owner's memory, which then raises the owner's hit chances, and a hack reaches the victim's
// research rate and tells the thief.
#include "combat_test_util.h"

#include "game/game.h"
#include "game/player.h"
#include "world/fleet.h"

using namespace shiptest;

namespace {

class RealPlayers : public CombatMapTest {
protected:
    Player *red = nullptr, *blue = nullptr;
    void SetUp() override {
        CombatMapTest::SetUp();
        world_set_hooks(fake_hooks());   // players come from the game's own id map
        game_clear_players(game);
        game_clear_alerts(game);
        red = add_player(RED, "Red Corp");
        blue = add_player(BLUE, "Blue Corp");
        game->ui_player_id = RED;
    }
    void TearDown() override {
        game_clear_alerts(game);
        game_clear_players(game);
        CombatMapTest::TearDown();
    }
    Player *add_player(uint64_t id, const char *name) {
        Player *p = player_create(PLAYER_KIND_COMPUTER);
        player_set_id(p, id);
        player_set_name(p, name);
        EXPECT_EQ(game_add_player(game, p), RES_OK);
        return p;
    }
};

TEST_F(RealPlayers, AScanPutsTheTargetIntoTheOwnersMemory) {
    Ship *scout = on_map(HULL_LANCER, 1000, 1000, 0, RED);
    fit(scout, LANCER_ENGINE, SYSTEM_TYPE_ENGINE, 0);
    Ship *mark = on_map(HULL_CORSAIR, 1200, 1000, 180, BLUE);
    ready(scout);
    ASSERT_FALSE(player_knows_object(red, mark->id));
    ASSERT_EQ(ship_scan(scout, mark), RES_OK);
    EXPECT_TRUE(player_knows_object(red, mark->id));
}

TEST_F(RealPlayers, AHackTakesTheVictimsResearchRateIntoAccount) {
    Ship *spy = hull(HULL_SKIFF, RED);
    spy->id = 6001;
    spy->ship_name = "Magpie";
    fit(spy, 0, SYSTEM_TYPE_NETWORK_INTRUSION);
    GameObject *fleet = object_create_blank(OBJECT_FLEET);
    owned.push_back(fleet);
    fleet->id = 6100;
    fleet->x = fleet->y = 500;
    fleet->w = fleet->h = 20;
    fleet_of(fleet)->scan_range = 300;
    static GameObject *known_fleet = nullptr;
    known_fleet = fleet;
    WorldHooks hooks = fake_hooks();
    hooks.find_object = [](uint64_t id) -> GameObject * { return id == 6100 ? known_fleet : nullptr; };
    world_set_hooks(hooks);
    spy->fleet_id = fleet->id;
    std::unique_ptr<ObjectMap, void (*)(ObjectMap *)> owned_galaxy(map_create(), map_free);
    ObjectMap *galaxy = owned_galaxy.get();
    SlotGuard<ObjectMap *> galaxy_back;   // the game's own map comes back on every way out
    galaxy_back.replace(game->galaxy_map, galaxy);
    GameObject *sector = object_create_blank(OBJECT_SECTOR);
    sector->owner_id = BLUE;
    sector->w = sector->h = 20;
    map_place_object(galaxy, sector, 600, 500, 1);
    map_add_pending_objects(galaxy);

    blue->totals.research_rate = 0;
    spy->hack_timer = 1;
    object_advance_clock(spy, 60);
    EXPECT_EQ(spy->hack_count, 1);
    ASSERT_FALSE(news().empty());
    EXPECT_EQ(news().back()->text,
              "Starship Magpie hacked the Blue Corp computer network but found no usable research data");
    blue->totals.research_rate = 20000;
    spy->hack_timer = 1;
    object_advance_clock(spy, 60);
    EXPECT_EQ(news().back()->text.rfind("Starship Magpie hacked the Blue Corp computer network and stole research data "
                                        "worth ",
                                        0),
              0u)
        << news().back()->text;
    known_fleet = nullptr;
}

}  // namespace
