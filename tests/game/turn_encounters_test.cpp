// The day's battles over real sectors, fleets and ships: which contents start a battle, the UI
// player's numbering, the deep-space meeting of two fleets, the offer to the UI player and the
// settling of the computer players' battles by autocombat.
#include "autocombat_fixture.h"

#include <string>
#include <tuple>
#include "game/turn.h"
#include "world/site_feature.h"

using namespace autocombat_test;

namespace {

constexpr uint64_t ENCOUNTER_HUMAN = 0x501, ENCOUNTER_RIVAL = 0x502, ENCOUNTER_THIRD = 0x503;

class DayBattles : public Battlefield {
protected:
    Player *human = nullptr, *rival = nullptr, *third = nullptr;

    void SetUp() override {
        Battlefield::SetUp();
        human = player(ENCOUNTER_HUMAN, PLAYER_KIND_HUMAN);
        rival = player(ENCOUNTER_RIVAL);
        third = player(ENCOUNTER_THIRD);
        game->ui_player = human;
        game->ui_player_id = ENCOUNTER_HUMAN;
    }

    // A fleet of its own on the galaxy map for a fresh gunship of the owner.
    Fleet *fleet_with_ship(Player *owner, int32_t x, int32_t y) {
        Ship *s = gunship(owner, nullptr);
        Fleet *f = fleet_create();
        EXPECT_NE(f, nullptr);
        object_set_owner_id(f, owner->id);
        map_place_object(game->galaxy_map, f, x, y, 1);
        map_add_pending_objects(game->galaxy_map);
        ship_set_fleet(s, f);
        return f;
    }

    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (int32_t i = 0; i < game_encounter_count(game); ++i) out.push_back(game_encounter_at(game, i)->name);
        return out;
    }
};

TEST_F(DayBattles, ASectorWithTwoOwnersAmongItsLivingContentsStartsOneBattle) {
    struct Case {
        const char *what;
        std::vector<Player *> ships;   // null: an unowned hulk
        int dead_index;                // the ship that is dead, -1 none
        std::vector<std::string> expected;
    } cases[] = {
        {"one owner and an unowned hulk", {nullptr, nullptr}, -1, {}},
        {"one owner alone", {nullptr}, -1, {}},
        {"the other owner's ship is dead", {nullptr, nullptr}, 1, {}},
        {"the UI player against a rival", {nullptr, nullptr}, -1, {"Enemy Engagement 1"}},
        {"two computer players", {nullptr, nullptr}, -1, {"Enemy Engagement"}},
    };
    cases[0].ships = {rival, nullptr};
    cases[1].ships = {rival, rival};
    cases[2].ships = {rival, third};
    cases[3].ships = {human, rival};
    cases[4].ships = {rival, third};
    int32_t x = 100;
    for (const Case &c : cases) {
        game_clear_encounters(game);
        Sector *s = sector(x, 200);
        x += 200;
        std::vector<Ship *> made;
        for (Player *owner : c.ships) {
            Ship *ship = gunship(owner ? owner : rival, s);
            if (!owner) object_set_owner_id(ship, 0);
            made.push_back(ship);
        }
        if (c.dead_index >= 0) made[size_t(c.dead_index)]->flags |= OBJ_DEAD;
        game_generate_encounters(game);
        ASSERT_EQ(names(), c.expected) << c.what;
        if (!c.expected.empty()) {
            Encounter *enc = game_encounter_at(game, 0);
            EXPECT_EQ(std::tie(enc->sector_id, enc->centre_x, enc->field_w, enc->field_h),
                      std::make_tuple(s->id, s->x + s->w / 2, 1365, 1024)) << c.what;
            EXPECT_EQ(list_count(enc->objects), int32_t(made.size())) << c.what;
            for (Ship *ship : made) EXPECT_NE(encounter_find_object(enc, ship->id), nullptr) << c.what;
        }
        for (Ship *ship : made) ship->flags |= OBJ_DEAD;   // out of the later cases
    }
    EXPECT_EQ(human->encounter_numbers[0], 1) << "only the UI player's battles count";
    // A standoff that lasts: the next numbers, and still one battle per sector and day.
    Sector *s = sector(x, 400);
    gunship(human, s);
    gunship(rival, s);
    gunship(third, s);
    for (const char *expected : {"Enemy Engagement 2", "Enemy Engagement 3"}) {
        game_clear_encounters(game);
        game_generate_encounters(game);
        EXPECT_EQ(names(), std::vector<std::string>{expected});
    }
}

TEST_F(DayBattles, TwoFleetsThatInterceptEachOtherMeetInOneDeepSpaceBattle) {
    Fleet *a = fleet_with_ship(human, 400, 300);
    Fleet *b = fleet_with_ship(rival, 460, 340);
    Fleet *c = fleet_with_ship(third, 900, 700);
    a->intercepted_fleet_id = b->id;
    b->intercepted_fleet_id = a->id;
    c->intercepted_fleet_id = 0x7777;   // a fleet that is gone: nothing
    game_generate_encounters(game);
    ASSERT_EQ(names(), std::vector<std::string>{"Enemy Engagement 1"});
    Encounter *enc = game_encounter_at(game, 0);
    EXPECT_EQ(enc->sector_id, 0u);
    EXPECT_EQ(enc->centre_x, (a->w / 2 + b->w / 2 + a->x + b->x) / 2);
    EXPECT_EQ(enc->centre_y, (a->h / 2 + b->h / 2 + a->y + b->y) / 2);
    EXPECT_EQ(list_count(enc->objects), 2);
    for (Fleet *f : {a, b}) {
        EXPECT_EQ(f->intercepted_fleet_id, 0u);
        EXPECT_TRUE(f->fleet_flags & FLEET_HIDDEN) << "fleets in battle leave the map's picture";
        EXPECT_EQ(game_find_encounter_by_fleet(game, f->id), enc);
        EXPECT_EQ(game_find_encounter_of_fleet_ships(game, f), enc);
    }
    EXPECT_EQ(c->intercepted_fleet_id, 0u) << "read and cleared in any case";
    EXPECT_EQ(game_find_encounter_by_fleet(game, c->id), nullptr);
    EXPECT_EQ(game_count_player_encounters(game, ENCOUNTER_HUMAN), 1);
    EXPECT_EQ(game_count_player_encounters(game, ENCOUNTER_THIRD), 0);
}

TEST_F(DayBattles, TheUiPlayersBattleIsOfferedAndTheComputersBattlesAreSettled) {
    Sector *home = sector(100, 100);
    Sector *far = sector(700, 500);
    gunship(rival, far);
    gunship(third, far);
    gunship(human, home);
    gunship(third, home);
    game_generate_encounters(game);
    ASSERT_EQ(game_encounter_count(game), 2);
    EXPECT_EQ(game_find_encounter_by_sector(game, far->id)->name, "Enemy Engagement");
    Encounter *ours = game_find_encounter_by_sector(game, home->id);
    ASSERT_NE(ours, nullptr);

    struct Case {
        bool side_choice_flag;
        int32_t human_choice, rival_choice;
    } cases[] = {{false, 1, 1}, {true, 1, 0}};
    for (const Case &c : cases) {
        if (c.side_choice_flag) game->flags |= GAME_FLAG_SIDE_CHOICE;
        game_begin_player_encounter(game);
        ASSERT_EQ(game->current_encounter, ours);
        EXPECT_EQ(encounter_get_side_choice(ours, ENCOUNTER_HUMAN), c.human_choice);
        EXPECT_EQ(encounter_get_side_choice(ours, ENCOUNTER_THIRD), c.rival_choice) << "a computer player decides for itself";
    }
    game_set_current_encounter(game, nullptr);

    use_gunners();
    game_resolve_ai_encounters(game);
    EXPECT_EQ(game_encounter_count(game), 1) << "the computers' battle was fought out; the human's waits";
    EXPECT_EQ(game_encounter_at(game, 0), ours);
    EXPECT_EQ(game_find_encounter_by_sector(game, far->id), nullptr);

    // Nobody fought: the battle is disengaged and dropped.
    game_finish_encounter(game, ours->id);
    EXPECT_EQ(game_encounter_count(game), 0);
    EXPECT_EQ(game_count_player_encounters(game, ENCOUNTER_HUMAN), 0);
}

TEST_F(DayBattles, TheNearestHeldSectorIsOneWithAStarbase) {
    Sector *a = sector(100, 100, ENCOUNTER_RIVAL);
    site(a, SITE_STARBASE, ENCOUNTER_RIVAL);
    Sector *bare = sector(500, 100, ENCOUNTER_RIVAL);   // held, but no starbase
    Sector *c = sector(900, 100, ENCOUNTER_RIVAL);
    site(c, SITE_STARBASE, ENCOUNTER_RIVAL);
    Sector *d = sector(500, 500, ENCOUNTER_THIRD);
    site(d, SITE_STARBASE, ENCOUNTER_THIRD);
    struct Case {
        int32_t x, y;
        uint64_t owner;
        Sector *expected;
    } cases[] = {
        {520, 100, ENCOUNTER_RIVAL, c},   // the bare sector is nearest, yet it does not count
        {100, 90, ENCOUNTER_RIVAL, a},
        {500, 100, ENCOUNTER_RIVAL, a},   // 400 each way: the first in map order
        {0, 0, ENCOUNTER_THIRD, d},
        {0, 0, ENCOUNTER_HUMAN, nullptr},
        {0, 0, 0, nullptr},
    };
    for (const Case &k : cases)
        EXPECT_EQ(game_nearest_owned_sector(game, k.x, k.y, k.owner), k.expected) << k.x << "," << k.y << " " << k.owner;
    (void)bare;
}

// The kinds a sector's battle takes, one a day: an engagement (with the starbase's barrage when the
// sector has one), the Battle for Sol, a starbase assault, an ARK encounter.
TEST_F(DayBattles, EachSectorYieldsTheOneBattleItsContentsAndSitesCallFor) {
    Player *ark_player = player(0x504);
    game->combat_ai_player_id = ark_player->id;
    auto ordered = [](Ship *ship, uint32_t order) {
        ship->ship_flags |= order;
        return ship;
    };
    auto ark_site = [&](Sector *in, int32_t defence, int32_t defenders, int32_t lost) {
        Site *s = site(in, 9, 0);
        s->feature = new SiteFeature();
        s->feature->kind = FEATURE_RESOURCES;
        s->feature->defence_kind = defence;
        s->feature->defenders = defenders;
        s->feature->defenders_lost = lost;
        s->feature->weapon_a = SYSTEM_TYPE_BEAM;
        s->feature->weapon_b = SYSTEM_TYPE_VOLLEY_GUN;
        s->feature->seed = 4711;
        return s;
    };

    Sector *held = sector(100, 100, ENCOUNTER_RIVAL);   // contested, with the rival's starbase
    Site *held_base = site(held, SITE_STARBASE, ENCOUNTER_RIVAL);
    gunship(rival, held);
    ordered(gunship(human, held), SHIP_FLAG_ORDER_A);   // an engagement comes before an assault
    Sector *sol = sector(400, 100);
    game->sol_sector_id = sol->id;
    gunship(rival, sol);
    gunship(third, sol);
    Sector *besieged = sector(700, 100, ENCOUNTER_RIVAL);
    Site *target = site(besieged, SITE_STARBASE, ENCOUNTER_RIVAL);
    ordered(gunship(human, besieged), SHIP_FLAG_ORDER_A);
    Sector *calm = sector(1000, 100, ENCOUNTER_RIVAL);   // the owner's own attack order does nothing
    site(calm, SITE_STARBASE, ENCOUNTER_RIVAL);
    ordered(gunship(rival, calm), SHIP_FLAG_ORDER_A);
    Sector *ruins = sector(100, 500);
    Site *ruin = ark_site(ruins, 1, 3, 1);
    ordered(gunship(human, ruins), SHIP_FLAG_ORDER_B);
    Sector *hive = sector(400, 500);
    ark_site(hive, FEATURE_DEFENCE_ARMED, 1, 1);
    ordered(gunship(third, hive), SHIP_FLAG_ORDER_B);
    Sector *quiet = sector(700, 500);   // defended, but nobody came for the defences
    ark_site(quiet, 1, 3, 0);
    gunship(third, quiet);

    game_generate_encounters(game);
    ASSERT_EQ(names(), (std::vector<std::string>{"Enemy Engagement 1", "Battle for Sol", "Starbase Assault 1",
                                                 "ARK Encounter 1", "ARK Encounter"}));
    Encounter *fight = game_find_encounter_by_sector(game, held->id);
    EXPECT_EQ(fight->kind, ENCOUNTER_ENGAGEMENT);
    EXPECT_TRUE(encounter_has_defense_shot(fight)) << "the starbase fires on the contested sector";
    EXPECT_EQ(fight->defense_player_id, ENCOUNTER_RIVAL);
    EXPECT_EQ(encounter_find_object(fight, held_base->id), nullptr) << "the starbase fires from afar";

    Encounter *for_sol = game_find_encounter_by_sector(game, sol->id);
    EXPECT_EQ(for_sol->kind, ENCOUNTER_SOL);
    Encounter *assault = game_find_encounter_by_sector(game, besieged->id);
    EXPECT_EQ(assault->kind, ENCOUNTER_STARBASE_ASSAULT);
    EXPECT_EQ(assault->objective, "Destroy all enemies");
    EXPECT_NE(encounter_find_object(assault, target->id), nullptr);

    Encounter *ark = game_find_encounter_by_sector(game, ruins->id);
    EXPECT_EQ(ark->kind, ENCOUNTER_ARK);
    EXPECT_EQ(ark->ark_site_id, ruin->id);
    EXPECT_EQ(ark->field_h, 1536);
    std::string tag;
    feature_ark_name(ruin, &tag);
    EXPECT_EQ(ark->text, tag) << "the battle carries the name the site shows";
    EXPECT_EQ(encounter_count_owner_ships(ark, ark_player->id), 2) << "three defenders, one lost";
    Encounter *hive_battle = game_find_encounter_by_sector(game, hive->id);
    EXPECT_EQ(hive_battle->kind, ENCOUNTER_ARK_ARMED);
    EXPECT_EQ(encounter_count_owner_ships(hive_battle, ark_player->id), 3) << "at least two, and the carrier";
    EXPECT_EQ(game_find_encounter_by_sector(game, calm->id), nullptr);
    EXPECT_EQ(game_find_encounter_by_sector(game, quiet->id), nullptr);
    EXPECT_EQ(human->encounter_numbers[0], 1);
    EXPECT_EQ(human->encounter_numbers[1], 1);
    EXPECT_EQ(human->encounter_numbers[2], 1);
}

}  // namespace
