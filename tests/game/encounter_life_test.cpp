// Battles of real store hulls and sites: set up (the starbase assault with Sentinels armed from the
// owner's catalog, the ARK groups with their ships and carrier, the starbase-defence barrage), laid out
// on their field, started on the combat map, ended with the purge of the dead; placing on the galaxy
// map while it walks, the sector view, the predicted turn order against the map's own actor choice,
// and the battle questions ships ask through the world hooks. (The Battle for Sol is set up from a
// generated galaxy: encounter_galaxy_test.)
#include "autocombat_fixture.h"

#include <set>
#include <tuple>
#include "game/encounter_life.h"
#include "game/encounter_map.h"
#include "game/encounter_setup.h"
#include "platform/log.h"
#include "test_support.h"
#include "world/shot.h"

using namespace autocombat_test;

namespace {

class EncounterLife : public StoreEncounter {
protected:
    // A laid-out battle of the ships, current in the game.
    Encounter *battle(const std::vector<GameObject *> &objects, int32_t kind = ENCOUNTER_ENGAGEMENT) {
        Encounter *enc = new_encounter(19, kind);
        for (GameObject *obj : objects) encounter_add_object(enc, obj);
        encounter_layout(enc);
        EXPECT_EQ(game_add_encounter(game, enc), RES_OK);
        game_set_current_encounter(game, enc);
        return enc;
    }
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

// The combat screen's start and autocombat set the field up through the one set-up: whichever fights,
// a travelling site stops, a ship made for the battle that its owner already holds is not given
// twice, every other side learns every placed object, and every placed object begins the battle.
TEST_F(EncounterLife, TheScreenAndAutocombatSetTheFieldUpAlike) {
    const struct Use {
        EncounterFieldUse use;
        const char *warning;
    } uses[] = {{ENCOUNTER_FIELD_SCREEN, "Encounter failed to add object #"},
                {ENCOUNTER_FIELD_AT_ONCE, "Encounter failed to add autocombat object #"}};
    for (const Use &u : uses) {
        SCOPED_TRACE(u.warning);
        TearDown();
        SetUp();
        LogFileCatcher log(fresh_test_dir("game"), LOG_WARN);
        Sector *here = sector(1000, 1000, BLUE);
        Site *base = site(here, 0, BLUE);
        base->flags |= OBJ_TRAVELLING;
        Ship *red_a = ship(3, RED), *blue = ship(2, BLUE), *ark = ship(0, ARK);
        ark->flags |= OBJ_LOST;
        Player *ark_p = game_find_player(game, ARK);
        player_add_object(ark_p, ark);   // given at the first start; a reload starts the battle again
        for (Ship *s : {red_a, blue, ark}) s->ap = 0;
        Encounter *enc = battle({red_a, blue, ark, base});
        Ship *stray = ship(4, BLUE);
        encounter_add_object(enc, stray);

        int32_t placed = -1;
        ASSERT_EQ(encounter_set_up_field(game, enc, u.use, &placed), RES_OK);
        EXPECT_EQ(placed, 4);
        ASSERT_EQ(map_object_count(game->combat_map), 4);
        EXPECT_EQ(stray->map, nullptr);
        EXPECT_NE(log.text().find(u.warning + std::to_string(stray->id)), std::string::npos) << log.text();
        EXPECT_FALSE(base->flags & OBJ_TRAVELLING) << "a site on the field stops travelling";
        EXPECT_EQ(player_object_count(ark_p), 1) << "the owner holds its battle ship once";
        EXPECT_EQ(player_find_object(ark_p, ark->id), ark);
        for (Ship *s : {red_a, blue, ark}) EXPECT_EQ(s->ap, s->max_ap) << "the encounter begin ran";
        for (uint64_t side : {RED, BLUE, ARK})
            for (GameObject *obj : std::initializer_list<GameObject *>{red_a, blue, ark, base})
                EXPECT_EQ(player_known_object_by_id(game_find_player(game, side), obj->id) != nullptr,
                          obj->owner_id != side)
                    << "side " << side << ", object " << obj->id;
    }
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

// (Who acts first is object_map_test's MapTurnOrder; the prediction follows the map's own choice below.)
TEST_F(TurnOrder, ThePredictionLeavesTheMapAloneAndSkipsWhoNeverActs) {
    Ship *a = on_map(9000, 50);
    Ship *b = on_map(9500, 30);
    EXPECT_EQ(predicted(1), std::vector<uint64_t>{b->id});
    EXPECT_EQ(a->initiative, 9000) << "the prediction leaves the map alone";
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

// ---- Setting battles up ------------------------------------------------------------------------

class EncounterSetup : public StoreEncounter {
protected:
    void SetUp() override {
        StoreEncounter::SetUp();
        enc = new_encounter(2604);
        encounter_retain(enc);
    }
    void TearDown() override {
        encounter_release(enc);
        StoreEncounter::TearDown();
    }
    std::vector<GameObject *> fleet(uint64_t owner, int n, int32_t first_hull = 2) {
        std::vector<GameObject *> out;
        for (int i = 0; i < n; ++i) {
            Ship *s = ship_of(factory_create_object(OBJECT_SHIP, first_hull + i % 5));
            EXPECT_NE(s, nullptr);
            s->owner_id = owner;
            object_assign_id(s);
            ship_recompute_stats(s);
            out.push_back(s);
        }
        return out;
    }
    Site *starbase(uint64_t owner, int32_t defense_level) {
        Site *base = site_cast(factory_create_object(OBJECT_SITE, 0));
        EXPECT_NE(base, nullptr);
        base->owner_id = owner;
        base->defense_level = defense_level;
        object_assign_id(base);
        return base;
    }
    void give(uint64_t owner, int32_t type, int32_t subtype) {
        System *system = subtype >= 0 ? system_create_subtype(type, subtype) : system_create(type);
        ASSERT_NE(system, nullptr) << type << "/" << subtype;
        ASSERT_GE(list_append(&game_find_player(game, owner)->catalog, system), 0);
    }
    std::vector<Ship *> ships_of(uint64_t owner) {
        std::vector<Ship *> out;
        for (GameObject *obj : enc->objects->items)
            if (obj && obj->kind == OBJECT_SHIP && obj->owner_id == owner) out.push_back(ship_of(obj));
        return out;
    }
    static int32_t weapon_type(const Ship *s, int32_t mount = 0) {
        const System *w = ship_get_crit_system(const_cast<Ship *>(s), mount);
        return w ? w->type : -1;
    }
    static int32_t weapon_subtype(const Ship *s, int32_t mount = 0) {
        const System *w = ship_get_crit_system(const_cast<Ship *>(s), mount);
        return w ? w->subtype : -1;
    }

    Encounter *enc = nullptr;
};

TEST_F(EncounterSetup, AStarbaseIsGuardedBySentinelsArmedFromItsOwnersCatalog) {
    give(BLUE, SYSTEM_TYPE_BEAM, 3);
    give(BLUE, SYSTEM_TYPE_BEAM, 1);
    give(BLUE, SYSTEM_TYPE_VOLLEY_GUN, -1);
    give(BLUE, SYSTEM_TYPE_ARMOUR, 0);
    const struct {
        int32_t defense_level;
        std::set<int32_t> beam_slots, gun_slots;
    } cases[] = {{0, {1}, {2}}, {2, {1, 2}, {0, 3}}};
    for (const auto &c : cases) {
        encounter_release_objects(enc);
        Site *base = starbase(BLUE, c.defense_level);
        encounter_setup_starbase_assault(enc, fleet(RED, 6), base);
        EXPECT_EQ(enc->kind, ENCOUNTER_STARBASE_ASSAULT);
        EXPECT_EQ(enc->objective, "Destroy all enemies");
        EXPECT_NE(encounter_find_object(enc, base->id), nullptr);
        std::set<int32_t> beams, guns;
        for (Ship *s : ships_of(BLUE)) {
            EXPECT_EQ(s->subtype, SHIP_HULL_SENTINEL);
            EXPECT_EQ(s->ship_name, "Sentinel");
            EXPECT_TRUE(s->flags & OBJ_LOST) << "gone with the battle";
            EXPECT_NE(s->id, 0u);
            EXPECT_EQ(s->armour, s->max_armour);
            EXPECT_EQ(s->ap, s->max_ap);
            EXPECT_EQ(weapon_type(s, 1), SYSTEM_TYPE_ARMOUR) << "every Sentinel wears the owner's armour";
            if (weapon_type(s) == SYSTEM_TYPE_BEAM) {
                EXPECT_EQ(weapon_subtype(s), 7) << "the guard row after a best beam of 3";
                beams.insert(s->aux_word);
            } else {
                EXPECT_EQ(weapon_type(s), SYSTEM_TYPE_VOLLEY_GUN);
                guns.insert(s->aux_word);
            }
        }
        EXPECT_EQ(beams, c.beam_slots) << "defence level " << c.defense_level;
        EXPECT_EQ(guns, c.gun_slots) << "defence level " << c.defense_level;

        encounter_layout(enc);
        expect_laid_out_apart(enc);
        int32_t x = 0, y = 0, heading = 0;
        ASSERT_EQ(encounter_get_placement(enc, &x, base->id, &y, &heading), RES_OK);
        EXPECT_EQ(x + base->w, enc->field_w) << "the starbase stands in the far corner";
        EXPECT_EQ(y + base->h, enc->field_h);
        for (Ship *s : ships_of(BLUE)) {
            ASSERT_EQ(encounter_get_placement(enc, &x, s->id, &y, &heading), RES_OK);
            EXPECT_EQ(heading, 135);
            EXPECT_GT(x, enc->field_w - 400) << "slot " << s->aux_word << " lies by the starbase";
            EXPECT_GT(y, enc->field_h - 400) << "slot " << s->aux_word;
        }
    }
}

TEST_F(EncounterSetup, AStarbaseOwnerWithoutWeaponsHasNoSentinels) {
    Site *base = starbase(BLUE, 1);
    encounter_setup_starbase_assault(enc, fleet(RED, 2), base);
    EXPECT_TRUE(ships_of(BLUE).empty());
    encounter_release_objects(enc);
    give(BLUE, SYSTEM_TYPE_VOLLEY_GUN, -1);
    encounter_setup_starbase_assault(enc, fleet(RED, 2), starbase(BLUE, 1));
    const std::vector<Ship *> guards = ships_of(BLUE);
    ASSERT_EQ(guards.size(), 2u) << "only the projectile Sentinels: the owner has no beam";
    for (Ship *s : guards) EXPECT_EQ(ship_get_crit_system(s, 1), nullptr) << "no armour in the catalog";
}

TEST_F(EncounterSetup, TheBestSystemPicksTheGuardBeamRow) {
    const int32_t beam_rows[][2] = {{0, 5}, {1, 6}, {2, 6}, {3, 7}, {4, 7}};
    Player *blue = game_find_player(game, BLUE);
    EXPECT_EQ(player_create_best_system(blue, SYSTEM_TYPE_BEAM), nullptr);
    for (const auto &row : beam_rows) {
        if (row[0] >= system_subtype_count(SYSTEM_TYPE_BEAM)) continue;
        list_clear(&blue->catalog);
        give(BLUE, SYSTEM_TYPE_BEAM, row[0]);
        System *made = player_create_best_system(blue, SYSTEM_TYPE_BEAM);
        ASSERT_NE(made, nullptr) << row[0];
        EXPECT_EQ(made->subtype, row[1]) << "best beam " << row[0];
        EXPECT_NE(made, list_get(&blue->catalog, 0)) << "a new system, not the catalog's";
        system_free(made);
    }
    give(BLUE, SYSTEM_TYPE_ENGINE, 4);
    give(BLUE, SYSTEM_TYPE_ENGINE, 2);
    System *engine = player_create_best_system(blue, SYSTEM_TYPE_ENGINE);
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(engine->subtype, 4) << "the highest subtype the player has";
    system_free(engine);
}

TEST_F(EncounterSetup, AnARKGroupMustersItsShipsByCount) {
    const struct {
        int32_t n, type_a, type_b;
        int32_t with_b, with_a, guns;
    } cases[] = {
        {9, SYSTEM_TYPE_MISSILE, SYSTEM_TYPE_TRIPLE_BEAM, 1, 1, 7},
        {6, SYSTEM_TYPE_MISSILE, SYSTEM_TYPE_TRIPLE_BEAM, 0, 1, 5},
        {3, SYSTEM_TYPE_MISSILE, SYSTEM_TYPE_TRIPLE_BEAM, 0, 0, 3},
    };
    for (const auto &c : cases) {
        encounter_release_objects(enc);
        encounter_add_ark_defenders(enc, fleet(RED, 3), c.n, c.type_a, c.type_b);
        EXPECT_EQ(enc->kind, ENCOUNTER_ARK);
        int32_t with_a = 0, with_b = 0, guns = 0;
        for (Ship *s : ships_of(ARK)) {
            EXPECT_EQ(s->subtype, SHIP_HULL_DRONE);
            EXPECT_TRUE(s->flags & OBJ_LOST);
            EXPECT_GE(s->initiative, 1);
            EXPECT_LE(s->initiative, 100);
            EXPECT_EQ(weapon_type(s, 1), SYSTEM_TYPE_ENGINE);
            EXPECT_EQ(s->mp, s->max_mp);
            with_a += weapon_type(s) == c.type_a;
            with_b += weapon_type(s) == c.type_b;
            guns += weapon_type(s) == SYSTEM_TYPE_HEAVY_BEAM && weapon_subtype(s) == 0;
        }
        EXPECT_EQ(with_b, c.with_b) << "n = " << c.n;
        EXPECT_EQ(with_a, c.with_a) << "n = " << c.n;
        EXPECT_EQ(guns, c.guns) << "n = " << c.n;
        encounter_layout(enc);
        expect_laid_out_apart(enc);
    }
}

TEST_F(EncounterSetup, AnArmedARKGroupBringsItsCarrierWhoseDronesJoinTheBattle) {
    std::vector<GameObject *> red = fleet(RED, 4);
    encounter_add_ark_defenders_armed(enc, red, 6, SYSTEM_TYPE_MISSILE);
    EXPECT_EQ(enc->kind, ENCOUNTER_ARK_ARMED);
    std::vector<Ship *> ark = ships_of(ARK);
    ASSERT_EQ(ark.size(), 7u) << "six ships and the carrier";
    Ship *carrier = ark.back();
    EXPECT_EQ(carrier->subtype, SHIP_HULL_CARRIER);
    EXPECT_TRUE(carrier->flags & OBJ_LOST);
    EXPECT_EQ(std::vector<int32_t>({weapon_type(carrier, 0), weapon_subtype(carrier, 0), weapon_type(carrier, 1),
                                    weapon_type(carrier, 2), weapon_subtype(carrier, 2)}),
              std::vector<int32_t>({SYSTEM_TYPE_VOLLEY_GUN, 4, SYSTEM_TYPE_DRONE_LAUNCHER, SYSTEM_TYPE_ENGINE, 6}));
    EXPECT_EQ(carrier->ap, carrier->max_ap);
    enc->field_h = 1536;
    encounter_layout(enc);
    expect_laid_out_apart(enc);

    // In the battle the carrier launches a drone, which becomes one of the battle's objects.
    ASSERT_EQ(game_add_encounter(game, enc), RES_OK);
    game_set_current_encounter(game, enc);
    ASSERT_EQ(game_start_encounter(game), RES_OK);
    Ship *target = ship_of(red[0]);
    object_set_position(target, carrier->x + carrier->w / 2 - target->w / 2, carrier->y - target->h - 60);
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    carrier->ap = carrier->max_ap;
    const int32_t before = list_count(enc->objects);
    const Result r = ship_use_system(carrier, 1, target, target->x + target->w / 2, target->y + target->h / 2, nullptr);
    game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
    ASSERT_EQ(r, RES_OK);
    ASSERT_EQ(list_count(enc->objects), before + 1);
    Ship *drone = ship_of(list_get(enc->objects, before));
    ASSERT_NE(drone, nullptr);
    EXPECT_TRUE(drone->ship_flags & SHIP_FLAG_DRONE);
    EXPECT_EQ(drone->owner_id, ARK);
    EXPECT_TRUE(enc->flags & ENCOUNTER_FLAG_DIRTY) << "the battle's lists are rebuilt";
    EXPECT_EQ(encounter_count_owner_ships(enc, ARK), 8);

    // Fought out without the screen the battle is not current; a drone still joins it, so it dies
    // with the battle instead of outliving it in its owner's list.
    game_set_current_encounter(game, nullptr);
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    carrier->ap = carrier->max_ap;
    if (System *launcher = ship_get_crit_system(carrier, 1)) system_refresh(launcher);
    const Result again = ship_use_system(carrier, 1, target, target->x + target->w / 2, target->y + target->h / 2, nullptr);
    game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
    ASSERT_EQ(again, RES_OK);
    EXPECT_EQ(encounter_count_owner_ships(enc, ARK), 9);
    encounter_release_objects(enc);
    for (GameObject *obj : game_find_player(game, ARK)->objects.items) {
        if (obj && (ship_of(obj)->ship_flags & SHIP_FLAG_DRONE)) {
            EXPECT_TRUE(obj->flags & OBJ_DEAD) << "drone #" << obj->id;
        }
    }
}

TEST_F(EncounterSetup, AContestedStarbaseFiresABarrageAfterItsDefences) {
    Site *plain = starbase(BLUE, 0);
    encounter_set_starbase_defense(enc, plain);
    ASSERT_TRUE(encounter_has_defense_shot(enc));
    EXPECT_EQ(std::tie(enc->shot_start_clock, enc->shot_interval, enc->shot_type, enc->shot_count, enc->shot_singular,
                       enc->shot_damage_min, enc->shot_damage_max, enc->defense_player_id),
              std::make_tuple(3, 1, 3, 4, std::string(), 30, 50, BLUE));

    give(BLUE, SYSTEM_TYPE_VOLLEY_GUN, -1);
    const System *gun = list_get(&game_find_player(game, BLUE)->catalog, 0);
    Site *upgraded = starbase(BLUE, 1);
    encounter_set_starbase_defense(enc, upgraded);
    EXPECT_EQ(std::tie(enc->shot_start_clock, enc->shot_count, enc->shot_singular, enc->shot_damage_min, enc->shot_damage_max),
              std::make_tuple(2, 8, gun->name, gun->value + 5, gun->value + 10));
    object_destroy(plain);
    object_destroy(upgraded);
}

// ---- The combat field ----------------------------------------------------------------------------

class EncounterField : public StoreEncounter {
protected:
    void SetUp() override {
        StoreEncounter::SetUp();
        enc = new_encounter(7);
        encounter_retain(enc);
        enc->field_w = 2560;
        enc->field_h = 1920;
    }
    void TearDown() override {
        encounter_release(enc);
        StoreEncounter::TearDown();
    }
    GameObject *add(int32_t kind, int32_t t, uint64_t owner) {
        GameObject *obj = factory_create_object(kind, t);
        EXPECT_NE(obj, nullptr);
        if (!obj) return nullptr;
        obj->owner_id = owner;
        obj->id = ++next_id;
        encounter_add_object(enc, obj);
        return obj;
    }

    Encounter *enc = nullptr;
    uint64_t next_id = 1000;
};

TEST_F(EncounterField, AnEngagementStartsEachSideInItsCornerWithoutOverlap) {
    for (int i = 0; i < 10; ++i) add(OBJECT_SHIP, 3 + i % 5, 1);
    for (int i = 0; i < 10; ++i) add(OBJECT_SHIP, 2 + i % 6, 2);
    encounter_layout(enc);
    EXPECT_EQ(enc->placements.size(), 20u);
    EXPECT_TRUE(enc->side_starts.empty()) << "the side starts are the layout's scratch";
    EXPECT_LT(enc->backdrop, 16);
    expect_laid_out_apart(enc);
    // Side 0 gathers near the top-left corner, side 1 near the bottom-right.
    for (GameObject *obj : enc->objects->items) {
        const EncounterPlacement &p = enc->placements[obj->id];
        if (obj->owner_id == 1) EXPECT_LT(p.x + p.y, enc->field_w) << obj->id;
        else EXPECT_GT(p.x + p.y, enc->field_w) << obj->id;
    }
}

TEST_F(EncounterField, TheStarbaseAndTheCarrierStandExactlyAndDoNotBlockTheSearch) {
    enc->kind = ENCOUNTER_STARBASE_ASSAULT;
    GameObject *base = add(OBJECT_SITE, 0, 1);
    for (int i = 0; i < 6; ++i) add(OBJECT_SHIP, 3, 2);
    for (int i = 0; i < 3; ++i) add(OBJECT_SHIP, 5, 1);
    encounter_layout(enc);
    const EncounterPlacement &p = enc->placements[base->id];
    EXPECT_EQ(p.x, enc->field_w - base->w);
    EXPECT_EQ(p.y, enc->field_h - base->h);
    EXPECT_FALSE(p.flags & PLACEMENT_FLAG_PLACED);
    EXPECT_EQ(enc->placements.size(), 10u);
    expect_laid_out_apart(enc);

    Encounter *ark = encounter_create();
    encounter_release(enc);
    enc = ark;
    encounter_retain(enc);
    enc->kind = ENCOUNTER_ARK_ARMED;
    enc->field_w = 2560;
    enc->field_h = 1920;
    GameObject *carrier = add(OBJECT_SHIP, 1, 9);
    for (int i = 0; i < 5; ++i) add(OBJECT_SHIP, 0, 9);
    for (int i = 0; i < 5; ++i) add(OBJECT_SHIP, 6, 2);
    encounter_layout(enc);
    const EncounterPlacement &c = enc->placements[carrier->id];
    EXPECT_EQ(c.x, enc->field_w / 2 - carrier->frame_w[0] / 2);
    EXPECT_EQ(c.y, enc->field_h - carrier->frame_h[0] - 90);
    EXPECT_EQ(enc->placements.size(), 11u);
    expect_laid_out_apart(enc);
}

TEST_F(EncounterField, AFullFieldStillPlacesEveryObject) {
    enc->field_w = 300;
    enc->field_h = 260;
    for (int i = 0; i < 12; ++i) add(OBJECT_SHIP, 8, 1 + i % 2);
    encounter_layout(enc);
    ASSERT_EQ(enc->placements.size(), 12u) << "the search ends on a full field";
    for (const auto &[id, p] : enc->placements) EXPECT_TRUE(p.flags & PLACEMENT_FLAG_PLACED) << id;
}

TEST_F(EncounterField, PlacingAnObjectOutsideTheBattleDoesNothing) {
    encounter_place_object(enc, 10, 4242, 10, 0, true);
    EXPECT_TRUE(enc->placements.empty());
}

}  // namespace
