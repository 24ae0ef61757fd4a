// The active support types on a combat map: own boosts and their turns, fleet boosts and whom they
// pass over, the booster's second helping of movement points, and the jump drive's checks, in
// both a screened battle and one resolved at once.
#include "world/combat_test_util.h"

#include "game/game.h"

using namespace shiptest;

namespace {

class Support : public CombatMapTest {
protected:
    Ship *user = nullptr;
    void SetUp() override {
        CombatMapTest::SetUp();
        user = on_map(HULL_PALADIN, 1000, 1000, 0, RED);
        fit(user, 6, SYSTEM_TYPE_ENGINE, 0);
    }
    System *give(int32_t crit, int32_t type) {
        System *s = fit(user, crit, type);
        ready(user);
        return s;
    }
    void resolve_at_once(bool on) {
        if (on) game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
        else game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
    }
    void TearDown() override {
        resolve_at_once(false);
        CombatMapTest::TearDown();
    }
};

TEST_F(Support, OwnBoostsKeepTheHigherFigureRestartTheirTurnsAndAgeAtTurnBegin) {
    for (bool at_once : {false, true}) {
        SCOPED_TRACE(at_once ? "resolved at once" : "on screen");
        resolve_at_once(at_once);
        System *evade = give(0, SYSTEM_TYPE_EVASION_BOOST);
        System *aim = give(1, SYSTEM_TYPE_DAMAGE_BOOST);
        user->ap = 3 * evade->ap_cost + aim->ap_cost;
        const int32_t evasion = user->evasion;
        ASSERT_EQ(ship_use_system(user, 0, nullptr, 0, 0, nullptr), RES_OK);
        EXPECT_EQ(user->evasion_boost, evade->value);
        EXPECT_EQ(user->evasion_boost_turns, 2);
        EXPECT_EQ(user->evasion, evasion + evade->value) << "the evasion counts at once";
        ASSERT_EQ(ship_use_system(user, 1, nullptr, 0, 0, nullptr), RES_OK);
        EXPECT_EQ(user->damage_boost, aim->value);
        EXPECT_EQ(user->damage_boost_turns, 3);

        // A weaker use keeps the figure but starts the turns again.
        user->evasion_boost = evade->value + 10;
        user->evasion_boost_turns = 1;
        evade->recharge_left = 0;
        ASSERT_EQ(ship_use_system(user, 0, nullptr, 0, 0, nullptr), RES_OK);
        EXPECT_EQ(user->evasion_boost, evade->value + 10);
        EXPECT_EQ(user->evasion_boost_turns, 2);

        object_begin_turn(user);
        object_begin_turn(user);
        EXPECT_EQ(user->evasion_boost, 0) << "two turns";
        EXPECT_EQ(user->evasion, evasion);
        EXPECT_EQ(user->damage_boost, aim->value);
        object_begin_turn(user);
        EXPECT_EQ(user->damage_boost, 0) << "three turns";
        ASSERT_EQ(ship_set_crit_system(user, 0, nullptr), RES_OK);
        ASSERT_EQ(ship_set_crit_system(user, 1, nullptr), RES_OK);
    }
}

TEST_F(Support, FleetBoostsReachFriendsInRangeButNeverTheUserStrangersOrExcludedHulls) {
    System *relay = give(0, SYSTEM_TYPE_FLEET_DAMAGE_BOOST);
    System *shield = give(1, SYSTEM_TYPE_FLEET_EVASION_BOOST);
    Ship *near = on_map(HULL_SKIFF, 1150, 1000, 0, RED);
    Ship *far = on_map(HULL_SKIFF, 1000 + relay->range + 200, 1000, 0, RED);
    Ship *stranger = on_map(HULL_SKIFF, 1000, 1150, 0, BLUE);
    Ship *excluded = on_map(HULL_SKIFF, 900, 1100, 0, RED);
    excluded->hull_flags |= 0x800;
    EXPECT_EQ(system_effective_value(relay), relay->range);

    ASSERT_EQ(ship_use_system(user, 0, nullptr, 0, 0, nullptr), RES_OK);
    EXPECT_EQ(near->damage_boost, relay->value);
    EXPECT_EQ(near->damage_boost_turns, 3);
    for (Ship *s : {user, far, stranger, excluded}) EXPECT_EQ(s->damage_boost, 0) << s->ship_name;

    resolve_at_once(true);
    ASSERT_EQ(ship_use_system(user, 1, nullptr, 0, 0, nullptr), RES_OK);
    EXPECT_EQ(near->evasion_boost, shield->value);
    EXPECT_EQ(near->evasion_boost_turns, 3);
    EXPECT_GE(near->evasion, shield->value);
    EXPECT_EQ(user->evasion_boost, 0);
    EXPECT_EQ(stranger->evasion_boost, 0);
}

TEST_F(Support, TheBoosterAddsAFullHelpingOfMovementUnlessTheShipIsLeaving) {
    give(0, SYSTEM_TYPE_BOOSTER);
    const int32_t mp = user->mp;
    ASSERT_EQ(ship_use_system(user, 0, nullptr, 0, 0, nullptr), RES_OK);
    EXPECT_EQ(user->mp, mp + std::max(user->max_mp, 1));

    System *booster = ship_get_crit_system(user, 0);
    booster->recharge_left = 0;
    user->ap = user->max_ap;
    user->ship_flags |= SHIP_FLAG_RETREATING;
    user->mp = 0;
    ASSERT_EQ(ship_use_system(user, 0, nullptr, 0, 0, nullptr), RES_OK);
    EXPECT_EQ(user->mp, 0);
    EXPECT_EQ(booster->recharge_left, booster->recharge_turns) << "the use is spent all the same";
}

TEST_F(Support, TheJumpDriveMovesTheShipOnlyToAFreePointInRange) {
    System *drive = give(0, SYSTEM_TYPE_JUMP_DRIVE);
    int32_t cx = 0, cy = 0;
    centre(user, &cx, &cy);
    EXPECT_EQ(ship_use_system(user, 0, nullptr, cx + drive->range + 50, cy, nullptr), RES_TARGET_OUT_OF_RANGE);
    Ship *blocker = on_map(HULL_LANCER, user->x + 200, user->y, 0, BLUE);
    int32_t bx = 0, by = 0;
    centre(blocker, &bx, &by);
    EXPECT_EQ(ship_use_system(user, 0, nullptr, bx, by, nullptr), RES_BLOCKED);
    EXPECT_EQ(drive->recharge_left, 0);

    resolve_at_once(true);
    const int32_t ap = user->ap;
    ASSERT_EQ(ship_use_system(user, 0, nullptr, cx, cy + 200, nullptr), RES_OK);
    EXPECT_EQ(user->x, cx - user->w / 2);
    EXPECT_EQ(user->y, cy + 200 - user->h / 2);
    EXPECT_EQ(user->ap, ap - drive->ap_cost);
    EXPECT_EQ(drive->recharge_left, drive->recharge_turns);

    resolve_at_once(false);
    drive->recharge_left = 0;
    user->ap = user->max_ap;
    centre(user, &cx, &cy);
    ASSERT_EQ(ship_use_system(user, 0, nullptr, cx, cy - 150, nullptr), RES_OK);
    EXPECT_TRUE(user->flags & OBJ_TRAVELLING) << "on screen the ship travels there";
    EXPECT_TRUE(user->flags & OBJ_FLASHING);
}

// Every support type shows its rows; the recharge counts its turns in words.
TEST_F(Support, RowsShowTheFiguresOfEachTypeAndTheRechargeInTurns) {
    for (int32_t type : {SYSTEM_TYPE_EVASION_BOOST, SYSTEM_TYPE_DAMAGE_BOOST, SYSTEM_TYPE_BOOSTER, SYSTEM_TYPE_JUMP_DRIVE,
                         SYSTEM_TYPE_FLEET_DAMAGE_BOOST, SYSTEM_TYPE_FLEET_EVASION_BOOST}) {
        System *s = system_create(type);
        ASSERT_NE(s, nullptr);
        List<SystemRow> rows;
        system_detail_rows(s, &rows, 1);
        ASSERT_GE(list_count(&rows), 1) << type;
        const SystemRow *last = list_get(&rows, list_count(&rows) - 1);
        EXPECT_EQ(last->label, "Recharge") << type;
        EXPECT_EQ(last->value, std::to_string(s->recharge_turns) + (s->recharge_turns == 1 ? " turn" : " turns"));
        list_clear(&rows);
        system_free(s);
    }
}

// One turn is a turn, not "1 turns", in the recharge rows and in a gun's reload.
TEST_F(Support, ACountOfOneTurnReadsInTheSingular) {
    for (int32_t type : {SYSTEM_TYPE_BOOSTER, SYSTEM_TYPE_VOLLEY_GUN}) {
        System *s = system_create(type);
        ASSERT_NE(s, nullptr);
        for (auto [turns, text] : {std::pair{1, "1 turn"}, {2, "2 turns"}, {0, "0 turns"}}) {
            s->recharge_turns = turns;
            List<SystemRow> rows;
            system_detail_rows(s, &rows, 1);
            std::string shown;
            for (const SystemRow *row : rows.items)
                if (row && (row->label == "Recharge" || row->label == "Reload")) shown = row->value;
            EXPECT_EQ(shown, text) << "type " << type;
            list_clear(&rows);
        }
        system_free(s);
    }
}

}  // namespace
