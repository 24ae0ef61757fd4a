// Officers: the record and its saved bytes, training, skill draws and promotion, the tables' answers
// out of range, bad saved numbers (a generator that gives only zero, figures near the i32 limits),
// what an officer gives the ship it commands and the news its rank changes post.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <numeric>
#include <set>
#include <tuple>
#include "game/game.h"
#include "game/officer.h"
#include "game_files.h"
#include "world/combat_test_util.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/random.h"
#include "support/state_guards.h"

namespace {

int skill_sum(const Officer *o) { return std::accumulate(o->skills, o->skills + OFFICER_SKILL_COUNT, 0); }

// ---- record and saved form ----

TEST(OfficerRecord, SavedFormIsTheFieldsInOrderAndReadsBackToTheSameBytes) {
    Officer *officer = officer_create();
    ASSERT_NE(officer, nullptr);
    officer->id = 0x1122334455667788ull;
    officer->flags = OFFICER_FLAG_IN_POD;
    officer->name = "Okafor";
    officer->rank = RANK_CAPTAIN;
    officer->experience = 21000;
    officer->portrait = 17;
    officer->ship_id = 101;
    officer->sector_id = 102;
    officer->site_id = 103;
    officer->owner_id = 0x8000000000000004ull;
    officer->hired->minutes = 36000000;
    date_from_minutes(officer->hired);
    officer->training_cost = 1600;
    officer->cost_reduction = 600;
    officer->figures[0] = 21;
    officer->figures[1] = 300;
    officer->figures[2] = 2800;
    officer->pod_minutes = 55;
    officer->pod_destination = 0xAABBCCDD00112233ull;
    for (int i = 0; i < OFFICER_SKILL_COUNT; ++i) officer->skills[i] = i % 6;
    officer->ship_tally = 11;
    officer->base_tally = 12;
    officer->command_tally = 13;
    officer->battles = 14;
    officer->kills = 15;
    officer->escapes = 16;
    Bytes want;
    want.u64(0x1122334455667788ull).u32(1).str("Okafor").words({3, 21000, 17});
    want.u64(101).u64(102).u64(103).u64(0x8000000000000004ull).u64(36000000);
    want.words({1600, 600, 21, 300, 2800, 55}).u64(0xAABBCCDD00112233ull);
    want.words({0, 1, 2, 3, 4, 5, 0, 1, 2});
    want.words({11, 12, 13, 14, 15, 16});

    Buffer buf;
    ASSERT_EQ(officer_write(officer, &buf), RES_OK);
    ASSERT_EQ(buf.length, 160 + 6);
    EXPECT_EQ(std::vector<uint8_t>(buf.data, buf.data + buf.length), want.v);
    Officer *back = nullptr;
    ASSERT_EQ(officer_read(&back, &buf), RES_OK);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->refcount, 0);
    EXPECT_EQ(back->hired->year, officer->hired->year) << "the hiring date is rebuilt from its minutes";
    EXPECT_EQ(back->hired->day, officer->hired->day);
    Buffer again;
    ASSERT_EQ(officer_write(back, &again), RES_OK);
    EXPECT_EQ(std::vector<uint8_t>(again.data, again.data + again.length), want.v);
    officer_release(back);      // a record nobody took is freed by its first release
    officer_release(officer);

    // Every cut-short record is refused and stores nothing; a negative name length is malformed.
    for (size_t n = 0; n < want.v.size(); ++n) {
        Buffer part;
        ASSERT_EQ(buffer_append(&part, want.v.data(), n), RES_OK);
        Officer *out = reinterpret_cast<Officer *>(&part);
        EXPECT_EQ(officer_read(&out, &part), RES_SHORT_BUFFER) << n << " bytes";
        EXPECT_EQ(out, reinterpret_cast<Officer *>(&part)) << n << " bytes";
    }
    Bytes negative;
    negative.u64(1).u32(0).i32(-5);
    Buffer neg;
    ASSERT_EQ(buffer_append(&neg, negative.v.data(), negative.v.size()), RES_OK);
    EXPECT_EQ(officer_read(nullptr, &neg), RES_MALFORMED);
}

TEST(OfficerTables, OutOfRangeAnswersAreEmptyAndFieldRepairIsClampedToItsEnds) {
    EXPECT_STREQ(officer_rank_name(RANK_FLEET_ADMIRAL), "Fleet Admiral");
    for (int bad : {7, -1}) {
        EXPECT_STREQ(officer_rank_name(bad), "") << bad;
        EXPECT_EQ(officer_rank_threshold(bad), 0) << bad;
    }
    EXPECT_STREQ(officer_skill_name(9), "");
    EXPECT_EQ(officer_skill_icon(9), 109);
    EXPECT_EQ(officer_skill_icon(-1), 109);
    // Two equal draws at a promotion can lift a skill from 4 to 6: never worse than the top level.
    const struct { int level, armour, armour_cap, system, system_cap; } rows[] = {
        {-3, 1, 70, 2, 20}, {0, 1, 70, 2, 20}, {5, 4, 100, 4, 100}, {6, 4, 100, 4, 100}, {50, 4, 100, 4, 100}};
    for (const auto &row : rows) {
        int a = 0, ac = 0, s = 0, sc = 0;
        field_repair_limits(row.level, &a, &ac, &s, &sc);
        EXPECT_EQ(std::vector<int>({a, ac, s, sc}), std::vector<int>({row.armour, row.armour_cap, row.system, row.system_cap}))
            << "level " << row.level;
    }
    int s = 0;
    field_repair_limits(3, nullptr, nullptr, &s, nullptr);
    EXPECT_EQ(s, 3);
}

// ---- training, skill draws and promotion (the Game's second generator) ----

class OfficerRules : public ::testing::Test {
protected:
    void SetUp() override {
        game = game_get();
        ASSERT_NE(game, nullptr);
        rng_seed(game->generators[1], 4242);
        officer = officer_create();
        ASSERT_NE(officer, nullptr);
        officer_retain(officer);
    }
    void TearDown() override { officer_release(officer); }
    static void max_all_but(Officer *o, const std::vector<int> &open) {
        for (int i = 0; i < OFFICER_SKILL_COUNT; ++i) o->skills[i] = OFFICER_SKILL_MAX;
        for (int i : open) o->skills[i] = 0;
    }

    GameFieldsGuard game_fields_back_;   // the generators and the UI player
    Game *game = nullptr;
    Officer *officer = nullptr;
};

TEST_F(OfficerRules, TrainingRaisesTwoSkillsAndCoversEveryOutcome) {
    std::set<int32_t> figures, reductions;
    std::set<int> skills;
    for (int i = 0; i < 300; ++i) {
        Officer *o = officer_create();
        officer_train(o);
        int raised = 0;
        for (int k = 0; k < OFFICER_SKILL_COUNT; ++k) {
            EXPECT_LE(o->skills[k], 1);
            if (o->skills[k]) {
                skills.insert(k);
                ++raised;
            }
        }
        EXPECT_EQ(raised, 2);
        figures.insert(o->figures[0]);
        reductions.insert(o->cost_reduction);
        officer_release(o);
    }
    EXPECT_EQ(figures, (std::set<int32_t>{19, 20, 21, 22}));
    EXPECT_EQ(reductions, (std::set<int32_t>{0, 100, 200, 300, 400, 500, 600}));
    EXPECT_EQ(skills.size(), 9u);
}

TEST_F(OfficerRules, TrainingEndsOnAGeneratorThatOnlyGivesZero) {
    *game->generators[1] = Rng{};   // what a zeroed saved block used to install
    const auto start = std::chrono::steady_clock::now();
    officer_train(officer);
    // A guard against drawing for ever, not a speed test.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(skill_sum(officer), 2) << "two different skills are raised";
    EXPECT_EQ(officer->skills[0], 1);
    EXPECT_EQ(officer->skills[1], 1);
}

TEST_F(OfficerRules, TrainingCostFollowsReductionAndShipSkillsAndSaturates) {
    officer->cost_reduction = 600;
    officer->skills[SKILL_ENGINEERING] = 1;
    officer->skills[SKILL_SENSORS] = 3;
    officer->skills[SKILL_COMMAND] = 5;   // not a ship skill: no charge
    officer_init_stats(officer);
    EXPECT_EQ(officer->training_cost, 1600);
    EXPECT_EQ(officer->figures[1], 300);
    EXPECT_EQ(officer->figures[2], 2800);
    officer->skills[SKILL_FIELD_REPAIR] = 1;
    officer->skills[SKILL_MARKSMANSHIP] = 2;
    const struct { int32_t reduction, cost; } rows[] = {{0, 2400}, {9000, 1}, {INT32_MIN, INT32_MAX}};
    for (const auto &row : rows) {
        officer->cost_reduction = row.reduction;
        officer_init_stats(officer);
        EXPECT_EQ(officer->training_cost, row.cost) << "reduction " << row.reduction;
    }
}

TEST_F(OfficerRules, SkillDrawsComeOnlyFromTheGroupsWithATallyAndStayInRange) {
    int a = 0, b = 0, c = 0;
    officer_pick_skills(officer, &a, &b, &c);
    EXPECT_EQ(std::vector<int>({a, b, c}), std::vector<int>({-1, -1, -1})) << "no tally, no draws";
    officer->base_tally = 3;
    std::set<int> drawn;
    for (int i = 0; i < 300; ++i) {
        officer_pick_skills(officer, &a, &b, &c);
        ASSERT_GE(a, 0);
        ASSERT_GE(b, 0);
        if (a == b) {
            EXPECT_NE(c, a);
        }
        for (int s : {a, b, c})
            if (s >= 0) drawn.insert(s);
    }
    EXPECT_EQ(drawn, (std::set<int>{SKILL_INSTRUCTION, SKILL_MINING, SKILL_SCIENCE}));

    max_all_but(officer, {SKILL_INSTRUCTION});
    officer->base_tally = 1;
    officer_pick_skills(officer, &a, &b, &c);
    EXPECT_EQ(std::vector<int>({a, b, c}), std::vector<int>({SKILL_INSTRUCTION, SKILL_INSTRUCTION, -1}))
        << "a single weight of one is drawn twice and the third draw finds nothing";
    max_all_but(officer, {});
    officer->command_tally = 50;
    officer_pick_skills(officer, &a, &b, &c);
    EXPECT_EQ(a, -1) << "every skill at the top";
    EXPECT_EQ(c, -1);

    std::fill(officer->skills, officer->skills + OFFICER_SKILL_COUNT, 0);
    officer->ship_tally = officer->base_tally = officer->command_tally = INT32_MAX;
    for (int round = 0; round < 200; ++round) {
        officer_pick_skills(officer, &a, &b, &c);
        for (int skill : {a, b, c}) EXPECT_TRUE(skill >= -1 && skill < OFFICER_SKILL_COUNT) << skill;
    }
}

TEST_F(OfficerRules, PromotionClimbsEveryRankTheExperienceReachesAndDrawsSkillsForEach) {
    constexpr int HIRE = -1;   // officer_hire_or_promote instead of experience with the check
    constexpr int ALL = -1, NONE = -2;
    const struct {
        const char *what;
        int32_t rank, experience, ship, base, command;
        int32_t gain;
        int open;   // ALL maxed but none, NONE maxed, or the one open skill
        int32_t want_rank;
        int raised_min, raised_max;
    } cases[] = {
        {"a recruit is hired as Lt Commander without draws", RANK_CADET, 1, 1, 0, 0, HIRE, NONE, RANK_LT_COMMANDER, 0, 0},
        {"one more point makes a Commander", RANK_LT_COMMANDER, 9999, 0, 0, 0, 1, NONE, RANK_COMMANDER, 2, 3},
        {"a large gain climbs several ranks in one check", RANK_LT_COMMANDER, 1, 1, 4, 0, 29999, NONE, RANK_CAPTAIN, 4, 6},
        {"without any tally no promotion", RANK_LT_COMMANDER, 100000, 0, 0, 0, HIRE, NONE, RANK_LT_COMMANDER, 0, 0},
        {"a Fleet Admiral is never promoted", RANK_FLEET_ADMIRAL, 2000000000, 0, 0, 10, HIRE, NONE, RANK_FLEET_ADMIRAL, 0, 0},
        {"an Admiral becomes Fleet Admiral", RANK_ADMIRAL, 120000, 0, 0, 1, HIRE, NONE, RANK_FLEET_ADMIRAL, 0, 3},
        {"and stops there", RANK_ADMIRAL, 2000000000, 0, 0, 1, HIRE, NONE, RANK_FLEET_ADMIRAL, 0, 3},
        {"every skill at the top draws nothing", RANK_COMMANDER, 20000, 9, 9, 9, HIRE, ALL, RANK_CAPTAIN, 0, 0},
        {"two equal draws raise a skill by two", RANK_LT_COMMANDER, 10000, 0, 0, 7, HIRE, SKILL_NAVIGATION, RANK_COMMANDER, 2, 2},
        {"a rank below the table is left alone", -1, 50000, 0, 0, 1, HIRE, NONE, -1, 0, 0},
        {"a rank above the table is left alone", 9, 50000, 0, 0, 1, HIRE, NONE, 9, 0, 0},
        {"an owned Cadet is announced at every rank up to Admiral", RANK_CADET, 95000, 1, 0, 0, HIRE, NONE, RANK_ADMIRAL, 0, 99},
    };
    game->ui_player_id = 77;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Officer *o = officer_create();
        o->owner_id = 77;
        if (c.open != NONE) max_all_but(o, c.open == ALL ? std::vector<int>{} : std::vector<int>{c.open});
        const int before = skill_sum(o);
        o->rank = c.rank;
        o->experience = c.experience;
        o->ship_tally = c.ship;
        o->base_tally = c.base;
        o->command_tally = c.command;
        if (c.gain == HIRE) officer_hire_or_promote(o);
        else officer_add_experience(o, c.gain, 1);
        EXPECT_EQ(o->rank, c.want_rank);
        EXPECT_GE(skill_sum(o) - before, c.raised_min);
        EXPECT_LE(skill_sum(o) - before, c.raised_max);
        const bool promoted = c.want_rank != c.rank;
        EXPECT_EQ(o->command_tally, promoted ? 0 : c.command) << "a promotion clears the tallies, else they stay";
        if (promoted) {
            EXPECT_EQ(o->ship_tally + o->base_tally, 0);
        }
        if (c.gain > 0) {
            EXPECT_EQ(o->experience, c.experience + c.gain);
        }
        officer_release(o);
    }
}

TEST_F(OfficerRules, ACommandersDrawsAreCommandSkillsAndExperienceWithoutTheCheckOnlyCounts) {
    officer->rank = RANK_LT_COMMANDER;
    officer->experience = 9999;
    officer_add_experience(officer, 1, 1);
    ASSERT_EQ(officer->rank, RANK_COMMANDER);
    EXPECT_EQ(officer->skills[SKILL_COMMAND] + officer->skills[SKILL_MARKSMANSHIP] + officer->skills[SKILL_NAVIGATION],
              skill_sum(officer));
    officer->experience = 100000;
    officer_add_experience(officer, 5, 0);   // without the check nothing moves
    EXPECT_EQ(officer->rank, RANK_COMMANDER);
    EXPECT_EQ(officer->command_tally, 5);
}

TEST_F(OfficerRules, ExperienceAndTalliesNearTheLimitSaturate) {
    officer->rank = RANK_ADMIRAL;
    officer->experience = INT32_MAX - 10;
    officer->command_tally = INT32_MAX - 5;
    officer->ship_tally = INT32_MAX;
    officer->base_tally = INT32_MAX;
    officer_add_experience(officer, 1000, 1);
    EXPECT_EQ(officer->rank, RANK_FLEET_ADMIRAL);
    EXPECT_EQ(officer->experience, INT32_MAX);
    EXPECT_EQ(officer->command_tally, 0) << "a promotion clears the tallies";

    officer->rank = RANK_CAPTAIN;
    officer->experience = INT32_MIN + 3;
    officer->command_tally = INT32_MIN + 3;
    officer_add_experience(officer, -100, 1);
    EXPECT_EQ(officer->experience, INT32_MIN);
    EXPECT_EQ(officer->command_tally, INT32_MIN);
    EXPECT_EQ(officer->rank, RANK_CAPTAIN);
}

// ---- aboard: what an officer gives the ship it commands, and the news its rank changes post ----

using shiptest::news;
using shiptest::ShipTest;

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
    EXPECT_EQ(std::tie(s->initiative_rate, s->online_load_a, s->online_load_b), std::make_tuple(2 * 5 + 10, 20, 2));
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
