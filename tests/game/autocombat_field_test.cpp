// What the battle field itself brings into a battle fought at once: deep-space fleets, ships made for
// the battle (machine-faction defenders and their site's losses), objects without a start, and the
// guardians' defence shots.
#include "autocombat_fixture.h"

#include <string>
#include "platform/log.h"
#include "test_support.h"
#include "world/site_feature.h"

using namespace autocombat_test;

namespace {

constexpr uint64_t RED = 7001, BLUE = 7002, ARK = 7003, SOL = 7004;

class AutocombatField : public Battlefield {
protected:
    void SetUp() override {
        Battlefield::SetUp();
        red = player(RED);
        blue = player(BLUE);
    }
    // A fleet on the galaxy map holding the ship, hidden as a battle hides it.
    Fleet *hidden_fleet(Ship *s, int32_t x, int32_t y) {
        Fleet *f = fleet_create();
        EXPECT_NE(f, nullptr);
        object_set_owner_id(f, s->owner_id);
        map_place_object(game->galaxy_map, f, x, y, 1);
        map_add_pending_objects(game->galaxy_map);
        ship_set_fleet(s, f);
        fleet_set_hidden(f, true);
        object_add_ref(f);
        held.push_back(f);
        return f;
    }
    // A machine-faction ship made for the battle, dead once the battle's objects are released.
    Ship *drone(Player *owner) {
        Ship *s = ship_of(factory_create_object(OBJECT_SHIP, 0));
        EXPECT_NE(s, nullptr);
        s->flags |= OBJ_LOST;
        object_set_owner_id(s, owner->id);
        object_assign_id(s);
        object_add_ref(s);
        held.push_back(s);
        return s;
    }
    bool on_map(ObjectMap *map, const GameObject *obj) {
        for (int32_t i = 0; i < map_object_count(map); ++i)
            if (map_object_at(map, i) == obj) return true;
        return false;
    }

    Player *red = nullptr, *blue = nullptr;
};

TEST_F(AutocombatField, ADeepSpaceVictorFormsAFleetCentredOnTheMeetingPoint) {
    use_gunners();
    sector(400, 400, BLUE);
    Ship *hunter = gunship(red, nullptr);
    Ship *prey = hauler(blue, nullptr);
    Fleet *old_red = hidden_fleet(hunter, 2000, 2000);
    hidden_fleet(prey, 2005, 2000);
    Encounter *enc = battle(nullptr, {hunter, prey}, ENCOUNTER_ENGAGEMENT, 2020, 2015);
    enc->field_w = enc->field_h = 440;
    encounter_layout(enc);

    encounter_autocombat(enc);

    ASSERT_TRUE(prey->flags & OBJ_DEAD);
    Fleet *fleet = fleet_of_ship(hunter);
    ASSERT_NE(fleet, nullptr);
    EXPECT_NE(fleet, old_red) << "the winner leaves in a new fleet";
    EXPECT_TRUE(fleet_has_ship_id(fleet, hunter->id));
    EXPECT_EQ(fleet_ship_count(fleet), 1);
    EXPECT_FALSE(fleet_is_retreated(fleet));
    EXPECT_FALSE(fleet_is_hidden(fleet));
    EXPECT_EQ(fleet->move_target, nullptr);
    EXPECT_EQ(fleet->x + fleet->w / 2, 2020);
    EXPECT_EQ(fleet->y + fleet->h / 2, 2015);
    EXPECT_TRUE(on_map(game->galaxy_map, fleet));
    EXPECT_EQ(fleet_ship_count(old_red), 0);
    EXPECT_FALSE(on_map(game->galaxy_map, old_red)) << "the emptied fleet was swept away";
}

TEST_F(AutocombatField, MachineDefendersJoinTheirOwnerAndTheirSiteCountsWhatIsLeft) {
    struct Case {
        const char *what;
        bool gunners;
        int32_t defenders_lost;   // -1: every defender fell
    } cases[] = {{"nobody can win: all three defenders are left", false, 2}, {"the attackers destroy them", true, -1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        if (c.gunners) use_gunners();
        Player *ark = player(ARK);
        game->combat_ai_player_id = ARK;
        Sector *here = sector(1000, 1000);
        sector(1300, 1000, RED);
        Site *body = site(here, 11, 0);
        body->feature = new SiteFeature();
        body->feature->defence_kind = FEATURE_DEFENCE_ARMED;
        body->feature->defenders = 5;
        Ship *d1 = drone(ark), *d2 = drone(ark), *d3 = drone(ark);
        Ship *r1 = gunship(red, here), *r2 = gunship(red, here);
        Encounter *enc = battle(here, {d1, d2, d3, r1, r2}, ENCOUNTER_ARK);
        enc->ark_site_id = body->id;
        enc->field_w = enc->field_h = 440;
        encounter_layout(enc);

        encounter_autocombat(enc);

        for (Ship *d : {d1, d2, d3}) {
            EXPECT_TRUE(d->flags & OBJ_DEAD) << "made for the battle: dead once it is over";
            EXPECT_EQ(d->sector_id, 0u);
            EXPECT_EQ(d->fleet_id, 0u) << "it never leaves in a fleet";
        }
        if (c.defenders_lost < 0) {
            EXPECT_EQ(body->feature->defence_kind, FEATURE_DEFENCE_NONE);
            EXPECT_EQ(red->credits_earned, int64_t(d1->roll_value) + d2->roll_value + d3->roll_value)
                << "the machine's ships are salvage like any other";
        } else {
            EXPECT_EQ(body->feature->defence_kind, FEATURE_DEFENCE_ARMED);
            EXPECT_EQ(body->feature->defenders_lost, c.defenders_lost);
        }
        EXPECT_EQ(player_object_count(ark), 0) << "the dead defenders left their owner's list";
    }
}

TEST_F(AutocombatField, AnObjectWithoutAStartIsLeftOutWithAWarning) {
    LogFileCatcher log(fresh_test_dir("game"), LOG_WARN);
    Sector *here = sector(1000, 1000);
    sector(1300, 1000, RED);
    Ship *r = gunship(red, here);
    Ship *b = gunship(blue, here);
    Ship *late = hauler(blue, here);
    Encounter *enc = battle(here, {r, b});
    encounter_add_object(enc, late);   // joined after the layout: no start on the field
    late->ship_name = "Latecomer";

    encounter_autocombat(enc);

    EXPECT_NE(log.text().find("Encounter failed to add autocombat object #" + std::to_string(late->id) +
                              " \"Latecomer\" (no object info found)"),
              std::string::npos)
        << log.text();
    EXPECT_FALSE(late->flags & OBJ_LEFT_MAP);
    EXPECT_EQ(late->fleet_id, 0u) << "it never took the field, so it did not retreat";
    EXPECT_EQ(late->sector_id, here->id);
    EXPECT_NE(r->fleet_id, 0u) << "the placed ships ran out of time and retreated";
}

TEST_F(AutocombatField, TheGuardiansDefenceShotsStrikeTheAttackers) {
    Player *sol = player(SOL);
    game->sol_player_id = SOL;
    Sector *sol_sector = sector(1000, 1000, SOL);
    game->sol_sector_id = sol_sector->id;
    sector(1300, 1000, RED);
    Ship *guard = hauler(sol, sol_sector);
    guard->hull_flags |= HULL_FLAG_NO_JUMP;
    Ship *attacker = gunship(red, sol_sector);
    attacker->hull_flags |= HULL_FLAG_NO_JUMP;   // it stays to take the shots
    const int32_t armour = attacker->armour;
    Encounter *enc = battle(sol_sector, {guard, attacker}, ENCOUNTER_SOL);
    encounter_set_defense_shot(enc, 2, 1, 1, "Mega Missile", "Mega Missiles", 4, 120, 180, SOL);

    encounter_autocombat(enc);

    EXPECT_TRUE((attacker->flags & OBJ_DEAD) || attacker->armour < armour)
        << "armour " << attacker->armour << " of " << armour;
    EXPECT_FALSE(guard->flags & OBJ_DEAD) << "the shots spare their own side";
    EXPECT_EQ(sol_sector->owner_id, SOL);
}

}  // namespace
