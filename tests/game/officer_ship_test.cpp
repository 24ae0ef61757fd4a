// What an officer gives the ship it commands, and the news its rank changes post.
#include "world/combat_test_util.h"

using namespace shiptest;

namespace {

class OfficerAboard : public ShipTest {
protected:
    GameFieldsGuard game_fields_back_;

    void SetUp() override {
        ShipTest::SetUp();
        game_clear_alerts(game);
        game->ui_player_id = 9;
    }
    void TearDown() override {
        game_clear_alerts(game);
        ShipTest::TearDown();
    }
};

TEST_F(OfficerAboard, EachSkillRaisesItsOwnShipFigures) {
    struct Case {
        int skill, level;
        int32_t Ship::*field;
        int32_t before, after;
    } cases[] = {
        {SKILL_NAVIGATION, 3, &Ship::evasion, 0, 36},
        {SKILL_NAVIGATION, 3, &Ship::turn_cost, 6, 3},
        {SKILL_MARKSMANSHIP, 2, &Ship::damage_bonus, 0, 6},
        {SKILL_COMMAND, 2, &Ship::max_ap, 1, 7},
        {SKILL_SENSORS, 1, &Ship::scan_cost, 10, 7},
        {SKILL_SENSORS, 1, &Ship::scan_boost, 5, 30},
        {SKILL_ENGINEERING, 2, &Ship::thrust, 1000, 1320},
        {SKILL_ENGINEERING, 0, &Ship::thrust, 1000, 1000},
        {SKILL_COMMAND, 1, &Ship::online_load_a, 0, 2 * 3 + 20},
        {SKILL_NAVIGATION, 1, &Ship::online_load_b, 0, 2 / 2 + 2},
        {SKILL_FIELD_REPAIR, 5, &Ship::max_ap, 1, 1},
    };
    for (const Case &c : cases) {
        Ship *s = ship({});
        Officer *o = officer_create();
        o->skills[c.skill] = c.level;
        s->*c.field = c.before;
        officer_apply_ship_bonuses(o, s);
        EXPECT_EQ(s->*c.field, c.after) << officer_skill_name(c.skill) << " " << c.level;
        officer_release(o);
    }
    Ship *s = ship({});
    Officer *o = officer_create();
    o->rank = RANK_ADMIRAL;
    officer_apply_ship_bonuses(o, s);
    EXPECT_EQ(s->initiative_rate, 2 * 5 + 10);
    EXPECT_EQ(s->online_load_a, 20);
    EXPECT_EQ(s->online_load_b, 2);
    officer_release(o);
}

TEST_F(OfficerAboard, AHireIsNewsAndSoIsEachRankClimbedOnTheWay) {
    Officer *o = officer_create();
    o->name = "Jun Park";
    o->owner_id = 9;
    o->experience = 1;
    o->ship_tally = 1;
    officer_hire_or_promote(o);
    EXPECT_EQ(o->rank, RANK_LT_COMMANDER);
    ASSERT_EQ(news().size(), 1u);
    EXPECT_EQ(news()[0]->text, "Jun Park (deep space) was hired as a Lt Commander");
    EXPECT_EQ(news()[0]->target_player_id, 9u);

    officer_add_ship_experience(o, 30000);   // Commander and Captain in one check
    EXPECT_EQ(o->rank, RANK_CAPTAIN);
    ASSERT_EQ(news().size(), 3u);
    EXPECT_EQ(news()[1]->text, "Jun Park (deep space) was promoted to Commander");
    EXPECT_EQ(news()[2]->text, "Jun Park (deep space) was promoted to Captain");
    EXPECT_EQ(news()[2]->subtype, RANK_CAPTAIN);

    Officer *stray = officer_create();   // nobody's: promoted quietly
    stray->experience = 1;
    stray->ship_tally = 1;
    officer_hire_or_promote(stray);
    EXPECT_EQ(stray->rank, RANK_LT_COMMANDER);
    EXPECT_EQ(news().size(), 3u);
    officer_release(stray);
    officer_release(o);
}

}  // namespace
