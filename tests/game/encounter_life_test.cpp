// A battle's life on the real maps and ships of the generated store: the combat map filled from an
// encounter, the purge of removed objects, the end of combat, placing on the galaxy map while it
// walks, the predicted turn order against the map's own actor choice, and the battle questions ships
// ask through the world hooks.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>
#include "game/encounter.h"
#include "game/encounter_life.h"
#include "game/encounter_map.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/list.h"
#include "support/fixture_store.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/fleet.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/shot.h"
#include "world/site.h"

namespace {

constexpr uint64_t RED = 1, BLUE = 2, ARK = 3;

class EncounterLife : public ::testing::Test {
protected:
    void SetUp() override {
        game_destroy();
        game = game_get();
        ASSERT_TRUE(world.load({OBJECT_SHIP, OBJECT_SITE, OBJECT_SECTOR, OBJECT_SHOT}, {0, 1}));
        for (uint64_t id : {RED, BLUE, ARK}) {
            Player *p = player_create(id == RED ? PLAYER_KIND_HUMAN : PLAYER_KIND_COMPUTER);
            player_set_id(p, id);
            ASSERT_EQ(game_add_player(game, p), RES_OK);
        }
        game->combat_ai_player_id = ARK;
    }
    void TearDown() override {
        game_destroy();
        world.unload();
    }
    Ship *ship(int32_t hull, uint64_t owner) {
        Ship *s = ship_of(factory_create_object(OBJECT_SHIP, hull));
        EXPECT_NE(s, nullptr);
        s->owner_id = owner;
        object_assign_id(s);
        ship_recompute_stats(s);
        object_add_ref(s);   // the global list keeps it till the game goes
        list_append(game->objects, static_cast<GameObject *>(s));
        return s;
    }
    // A laid-out battle of the ships, current in the game.
    Encounter *battle(const std::vector<GameObject *> &objects, int32_t kind = ENCOUNTER_ENGAGEMENT) {
        Encounter *enc = encounter_create();
        enc->kind = kind;
        enc->field_w = 1365;
        enc->field_h = 1024;
        encounter_seed_random(enc, 19);
        for (GameObject *obj : objects) encounter_add_object(enc, obj);
        encounter_layout(enc);
        EXPECT_EQ(game_add_encounter(game, enc), RES_OK);
        game_set_current_encounter(game, enc);
        return enc;
    }

    GeneratedWorld world;
    Game *game = nullptr;
};

TEST_F(EncounterLife, StartingABattleFillsTheCombatMapFromThePlacements) {
    Ship *red_a = ship(3, RED), *red_b = ship(5, RED), *blue = ship(2, BLUE), *ark = ship(0, ARK);
    ark->flags |= OBJ_LOST;   // made for the battle
    for (Ship *s : {red_a, red_b, blue, ark}) s->ap = 0;
    Encounter *enc = battle({red_a, red_b, blue, ark});
    enc->has_text = true;
    enc->text = "ARK-0042";
    Ship *stray = ship(4, BLUE);   // in the battle, but the layout never saw it
    encounter_add_object(enc, stray);
    encounter_set_defense_shot(enc, 3, 1, 3, "Lance", "Lances", 4, 30, 50, RED);

    ASSERT_EQ(game_start_encounter(game), RES_OK);
    ObjectMap *map = game->combat_map;
    EXPECT_EQ(map->world_w, 1365);
    EXPECT_EQ(map->world_h, 1024);
    EXPECT_TRUE(map->flags & MAP_DEFENSE);
    EXPECT_EQ(map->defense_count, 4);
    EXPECT_EQ(map->defense_player_id, RED);
    ASSERT_EQ(map_object_count(map), 4) << "the object without a placement stays out";
    for (Ship *s : {red_a, red_b, blue, ark}) {
        int32_t x = 0, y = 0, heading = 0;
        ASSERT_EQ(encounter_get_placement(enc, &x, s->id, &y, &heading), RES_OK);
        EXPECT_EQ(s->map, map);
        EXPECT_EQ(s->x, x);
        EXPECT_EQ(s->y, y);
        EXPECT_EQ(s->heading, heading);
        EXPECT_EQ(s->ap, s->max_ap) << "the encounter begin ran";
    }
    EXPECT_EQ(stray->map, nullptr);
    Player *red = game_find_player(game, RED), *blue_p = game_find_player(game, BLUE);
    Player *ark_p = game_find_player(game, ARK);
    EXPECT_EQ(player_find_object(ark_p, ark->id), ark) << "the battle's own ship joins its owner";
    EXPECT_EQ(player_find_object(red, red_a->id), nullptr) << "only the battle's own ships are given";
    EXPECT_NE(player_known_object_by_id(red, blue->id), nullptr);
    EXPECT_NE(player_known_object_by_id(blue_p, red_b->id), nullptr);
    EXPECT_EQ(player_known_object_by_id(red, red_a->id), nullptr) << "a side does not learn its own ships";
    EXPECT_EQ(ark_p->name, "ARK-0042");

    // Exactly the battle's templates hold their encounter graphics, and every shot template.
    Factory *ships = factory_get(OBJECT_SHIP);
    for (int32_t t = 0; t < ships->template_count; ++t) {
        const bool used = t == 0 || t == 2 || t == 3 || t == 4 || t == 5;
        EXPECT_EQ(ships->requested[size_t(t)][FACTORY_GROUP_ENCOUNTER], used ? 1 : 0) << "hull " << t;
    }
    Factory *shots = factory_get(OBJECT_SHOT);
    for (int32_t t = 0; t < SHOT_TEMPLATE_COUNT; ++t)
        EXPECT_EQ(shots->requested[size_t(t)][FACTORY_GROUP_ENCOUNTER], 1) << "shot " << t;

    // A second start (a reload of the battle) does not pile up the requests.
    ASSERT_EQ(game_start_encounter(game), RES_OK);
    EXPECT_EQ(ships->requested[3][FACTORY_GROUP_ENCOUNTER], 1);
    EXPECT_EQ(map_object_count(map), 4);
}

TEST_F(EncounterLife, EndingCombatDropsTheFinishedBattlesAndPurgesTheDead) {
    Ship *red_a = ship(3, RED), *blue = ship(2, BLUE);
    Encounter *enc = battle({red_a, blue});
    Encounter *open = encounter_create();
    ASSERT_EQ(game_add_encounter(game, open), RES_OK);
    ASSERT_EQ(game_start_encounter(game), RES_OK);
    ASSERT_EQ(map_object_count(game->combat_map), 2);

    // The blue ship dies in the battle; it is also one of its player's objects and in the global list.
    Player *blue_p = game_find_player(game, BLUE);
    player_add_object(blue_p, blue);
    Ship *kept = ship(4, BLUE);
    blue->flags |= OBJ_DEAD;

    enc->flags |= ENCOUNTER_FLAG_FINISHED;
    object_add_ref(blue);   // the test's own look at it afterwards
    game_end_combat(game);
    EXPECT_EQ(game_find_encounter(game, enc->id), nullptr);
    EXPECT_EQ(game_find_encounter(game, open->id), open) << "an open battle stays";
    EXPECT_EQ(map_object_count(game->combat_map), 0);
    EXPECT_EQ(player_find_object(blue_p, blue->id), nullptr);
    ASSERT_EQ(list_count(game->objects), 2);
    EXPECT_EQ(list_get(game->objects, 0), red_a) << "the survivors keep their order";
    EXPECT_EQ(list_get(game->objects, 1), kept);
    EXPECT_EQ(blue->refcount, 2) << "the test's and the current encounter's";
    game_set_current_encounter(game, nullptr);
    EXPECT_EQ(blue->refcount, 1) << "nothing else holds the dead ship";
    object_release(blue);

    // A purge with nothing removed changes no list.
    game_purge_removed_objects(game);
    EXPECT_EQ(list_count(game->objects), 2);
    EXPECT_EQ(kept->refcount, 1);
}

TEST_F(EncounterLife, PlacingOnTheGalaxyWaitsWhileTheMapWalksItsObjects) {
    ObjectMap *galaxy = game->galaxy_map;
    Ship *now = ship_of(factory_create_object(OBJECT_SHIP, 3));
    game_place_on_galaxy(game, now, 40, 50);
    EXPECT_NE(now->id, 0u) << "an id when it had none";
    ASSERT_EQ(map_object_count(galaxy), 1);
    EXPECT_EQ(map_object_at(galaxy, 0), now);
    EXPECT_EQ(now->x, 40);
    EXPECT_EQ(now->y, 50);

    // A busy animation does not hold the newcomer back; a walk over the objects does.
    map_set_busy(galaxy);
    Ship *busy = ship_of(factory_create_object(OBJECT_SHIP, 3));
    game_place_on_galaxy(game, busy, 0, 0);
    EXPECT_EQ(map_object_count(galaxy), 2);
    galaxy->flags |= MAP_ITERATING;
    Ship *later = ship_of(factory_create_object(OBJECT_SHIP, 3));
    game_place_on_galaxy(game, later, 0, 0);
    EXPECT_EQ(map_object_count(galaxy), 2);
    EXPECT_EQ(list_count(&galaxy->pending), 1);
    galaxy->flags &= ~MAP_ITERATING;
    map_add_pending_objects(galaxy);
    EXPECT_EQ(map_object_count(galaxy), 3);

    // The map's own walks leave the flag as they found it.
    map_advance_objects(galaxy, 10);
    map_update_travel(galaxy, 10);
    map_run_after_advance(galaxy);
    map_update(galaxy, 20);
    EXPECT_FALSE(galaxy->flags & MAP_ITERATING);
}

TEST_F(EncounterLife, TheSectorViewShowsTheSitesAndOneGroupPerOwner) {
    Sector *sector = sector_create(0);
    ASSERT_NE(sector, nullptr);
    game_place_on_galaxy(game, sector, 300, 300);
    int32_t halos = 0;
    std::vector<Site *> sites;
    for (int32_t t : {1, SITE_STARBASE, 8, SITE_HARVESTER}) {
        Site *site = site_create(t);
        ASSERT_NE(site, nullptr) << t;
        object_assign_id(site);
        site->owner_id = t == 1 ? 0 : RED;
        sector_add_site(sector, site, 100 + 150 * int32_t(sites.size()), 200);
        site->sector_id = sector->id;
        halos += (site->params.template_flags & SITE_TF_HALO) != 0;
        sites.push_back(site);
    }
    site_set_harvest_target(sites[3], sites[2]->id);
    Ship *own_fleet_ship = ship(3, BLUE);
    Fleet *own_fleet = fleet_create();
    ASSERT_NE(own_fleet, nullptr);
    object_assign_id(own_fleet);
    own_fleet->owner_id = BLUE;
    game_place_on_galaxy(game, own_fleet, 300, 300);
    ship_set_fleet(own_fleet_ship, own_fleet);
    std::vector<Ship *> ships = {own_fleet_ship, ship(5, RED), ship(2, BLUE), ship(4, RED)};
    for (Ship *s : ships) ship_set_sector(s, sector);

    uint64_t first_owner = 99;
    EXPECT_EQ(game_sector_content_count(game, sector->id, &first_owner), 4);
    EXPECT_EQ(first_owner, BLUE);
    EXPECT_EQ(game_sector_content_count(game, own_fleet->id, &first_owner), 0) << "a fleet is no sector";
    EXPECT_EQ(first_owner, 0u);

    game_set_sector_contents(game, sector->id);
    ObjectMap *view = game->sector_map;
    EXPECT_EQ(game->shown_sector_id, sector->id);
    std::vector<Fleet *> groups;
    int32_t shown_sites = 0;
    for (GameObject *obj : view->objects.items) {
        if (Fleet *f = fleet_of(obj)) groups.push_back(f);
        if (obj->kind == OBJECT_SITE) ++shown_sites;
        EXPECT_GE(obj->x, 0);
        EXPECT_GE(obj->y, 0);
        EXPECT_LE(obj->x + obj->w, view->world_w) << "inside the sector view";
        EXPECT_LE(obj->y + obj->h, view->world_h);
    }
    EXPECT_EQ(shown_sites, 4);
    ASSERT_EQ(groups.size(), 2u) << "one display group per owner";
    EXPECT_EQ(groups[0]->owner_id, BLUE) << "in the order the owners arrived";
    EXPECT_EQ(fleet_ship_count(groups[0]), 2);
    EXPECT_EQ(groups[1]->owner_id, RED);
    EXPECT_EQ(fleet_ship_count(groups[1]), 2);
    EXPECT_TRUE(groups[0]->fleet_flags & FLEET_COMPOSITE);
    EXPECT_EQ(own_fleet_ship->fleet_id, own_fleet->id) << "a ship shown in a group keeps its own fleet";
    EXPECT_EQ(list_count(&view->effects), halos + 1) << "the halos and the harvester's plume";

    game_set_sector_contents(game, 12345);
    EXPECT_EQ(game->shown_sector_id, 0u);
    EXPECT_EQ(map_object_count(view), 0);
}

TEST_F(EncounterLife, AShipStillFightsWhileItsSideHasAShipInTheCurrentBattle) {
    Ship *red_a = ship(3, RED), *blue = ship(2, BLUE);
    int32_t kind = -1;
    std::vector<GameObject *> seen;
    EXPECT_FALSE(game_encounter_still_fighting(RED, &kind, &seen)) << "no battle";
    Encounter *enc = battle({red_a, blue}, ENCOUNTER_STARBASE_ASSAULT);
    ASSERT_TRUE(game_encounter_still_fighting(RED, &kind, &seen));
    EXPECT_EQ(kind, ENCOUNTER_STARBASE_ASSAULT);
    EXPECT_EQ(seen, (std::vector<GameObject *>{red_a, blue}));
    EXPECT_FALSE(game_encounter_still_fighting(ARK, &kind, &seen)) << "not a side";
    red_a->flags |= OBJ_LEFT_MAP;
    EXPECT_FALSE(game_encounter_still_fighting(RED, &kind, &seen)) << "its ships all left";
    (void)enc;
}

// ---- The predicted turn order ----------------------------------------------------------------------

class TurnOrder : public EncounterLife {
protected:
    Ship *on_map(int32_t initiative, int32_t rate) {
        Ship *s = ship(3, RED);
        map_place_object(game->combat_map, s, 0, 0, 0);
        map_add_pending_objects(game->combat_map);
        s->initiative = initiative;
        s->initiative_rate = rate;
        return s;
    }
    std::vector<uint64_t> predicted(int32_t n) {
        List<TurnOrderEntry> *list = map_predict_turn_order(game->combat_map, n);
        std::vector<uint64_t> ids;
        for (TurnOrderEntry *e : list->items) ids.push_back(e->object_id);
        list_free(list);
        return ids;
    }
};

TEST_F(TurnOrder, TheFasterShipAndTheHigherInitiativeGoFirst) {
    const struct {
        int32_t init_a, rate_a, init_b, rate_b;
        bool    a_first;
    } cases[] = {
        {9000, 100, 9000, 50, true},      // 10 steps against 20
        {9000, 50, 9000, 100, false},
        {12000, 10, 15000, 10, false},    // both may act: the higher initiative
        {12000, 10, 12000, 10, true},     // equal: the earlier in the list
        {9000, 50, 9500, 30, false},      // 20 steps against 17
    };
    for (const auto &c : cases) {
        map_clear(game->combat_map);
        Ship *a = on_map(c.init_a, c.rate_a), *b = on_map(c.init_b, c.rate_b);
        const std::vector<uint64_t> ids = predicted(1);
        ASSERT_EQ(ids.size(), 1u);
        EXPECT_EQ(ids[0], c.a_first ? a->id : b->id) << c.init_a << "/" << c.rate_a << " vs " << c.init_b << "/" << c.rate_b;
        EXPECT_EQ(a->initiative, c.init_a) << "the prediction leaves the map alone";
    }
    EXPECT_TRUE(predicted(0).empty());
    map_clear(game->combat_map);
    Ship *dying = on_map(9999, 100);
    dying->flags |= OBJ_DYING;
    on_map(0, 0);   // never acts
    EXPECT_TRUE(predicted(5).empty());
}

TEST_F(TurnOrder, ThePredictionIsTheOrderInWhichTheMapPicksItsActors) {
    const int32_t rates[][2] = {{4000, 100}, {9000, 37}, {0, 55}, {9900, 13}, {2500, 100}, {7000, 71}};
    for (const auto &r : rates) on_map(r[0], r[1]);
    const std::vector<uint64_t> expected = predicted(40);
    ASSERT_EQ(expected.size(), 40u);
    std::vector<uint64_t> actual;
    for (int turn = 0; turn < 40; ++turn) {
        map_next_actor(game->combat_map);
        GameObject *actor = game->combat_map->current;
        ASSERT_NE(actor, nullptr);
        actual.push_back(actor->id);
        actor->initiative = 0;   // the turn's end
    }
    EXPECT_EQ(actual, expected);
}

TEST_F(TurnOrder, TheActionViewCentresTheFirstLine) {
    ObjectMap *map = game->combat_map;
    int32_t x = -7, y = -8;
    EXPECT_FALSE(map_get_action_view_origin(map, &x, &y));
    EXPECT_EQ(x, -7);
    EXPECT_EQ(y, -8);
    map->screen_w = 1024;
    map->screen_h = 768;
    map_add_action_line(map, 900, 700, 1300, 500, MAP_ACTION_LINE_MS);
    map_add_action_line(map, 0, 0, 10, 10, MAP_ACTION_LINE_MS);
    ASSERT_TRUE(map_get_action_view_origin(map, &x, &y));
    EXPECT_EQ(x, 200 - 512 + 900);   // half the box, less half the screen, from the box's left
    EXPECT_EQ(y, 100 - 384 + 500);
    map_update(map, MAP_ACTION_LINE_MS);
    EXPECT_FALSE(map_get_action_view_origin(map, &x, &y)) << "the map ages its lines out";
}

}  // namespace
