// Officers: the record and its saved bytes, the rank and skill tables, training, skill draws and
// promotion.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>
#include "game/game.h"
#include "game/officer.h"
#include "game_files.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/random.h"

namespace {

int skill_sum(const Officer *o) { return std::accumulate(o->skills, o->skills + OFFICER_SKILL_COUNT, 0); }

// ---- record and saved form ----

class OfficerRecord : public ::testing::Test {
protected:
    void SetUp() override {
        officer = officer_create();
        ASSERT_NE(officer, nullptr);
        officer_retain(officer);
    }
    void TearDown() override { officer_release(officer); }

    void fill() {
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
    }
    static Bytes filled_bytes() {
        Bytes b;
        b.u64(0x1122334455667788ull).u32(1).str("Okafor").words({3, 21000, 17});
        b.u64(101).u64(102).u64(103).u64(0x8000000000000004ull).u64(36000000);
        b.words({1600, 600, 21, 300, 2800, 55}).u64(0xAABBCCDD00112233ull);
        b.words({0, 1, 2, 3, 4, 5, 0, 1, 2});
        b.words({11, 12, 13, 14, 15, 16});
        return b;
    }

    Officer *officer = nullptr;
};

TEST_F(OfficerRecord, CreatedEmptyWithNoPortraitAndAZeroHiringDate) {
    EXPECT_EQ(officer->name, "");
    EXPECT_EQ(officer->portrait, -1);
    EXPECT_EQ(officer->rank, 0);
    EXPECT_EQ(officer->experience, 0);
    ASSERT_NE(officer->hired, nullptr);
    EXPECT_EQ(officer->hired->minutes, 0u);
    EXPECT_EQ(skill_sum(officer), 0);
    Officer *fresh = officer_create();
    EXPECT_EQ(fresh->refcount, 0);
    officer_release(fresh);   // a record nobody took is freed by its first release
}

TEST_F(OfficerRecord, ReferencesKeepTheRecordUntilTheLastGoes) {
    officer_retain(officer);
    EXPECT_EQ(officer->refcount, 2);
    officer_release(officer);
    EXPECT_EQ(officer->refcount, 1);
    officer->name = "still here";
}

TEST_F(OfficerRecord, SavedFormIsTheFieldsInOrder) {
    fill();
    Buffer buf;
    ASSERT_EQ(officer_write(officer, &buf), RES_OK);
    const Bytes want = filled_bytes();
    ASSERT_EQ(buf.length, int32_t(want.v.size()));
    EXPECT_EQ(buf.length, 160 + 6);
    EXPECT_TRUE(std::equal(want.v.begin(), want.v.end(), buf.data));
}

TEST_F(OfficerRecord, ReadsBackEveryFieldWithTheHiringDateRebuilt) {
    fill();
    Buffer buf;
    ASSERT_EQ(officer_write(officer, &buf), RES_OK);
    Officer *back = nullptr;
    ASSERT_EQ(officer_read(&back, &buf), RES_OK);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->refcount, 0);
    EXPECT_EQ(back->id, officer->id);
    EXPECT_EQ(back->flags, OFFICER_FLAG_IN_POD);
    EXPECT_EQ(back->name, "Okafor");
    EXPECT_EQ(back->rank, RANK_CAPTAIN);
    EXPECT_EQ(back->portrait, 17);
    EXPECT_EQ(back->owner_id, 0x8000000000000004ull);
    EXPECT_EQ(back->hired->minutes, 36000000u);
    EXPECT_EQ(back->hired->year, officer->hired->year);
    EXPECT_EQ(back->hired->day, officer->hired->day);
    EXPECT_EQ(back->pod_destination, 0xAABBCCDD00112233ull);
    EXPECT_EQ(back->skills[5], 5);
    EXPECT_EQ(back->escapes, 16);
    Buffer again;
    ASSERT_EQ(officer_write(back, &again), RES_OK);
    EXPECT_EQ(again.length, buf.length);
    EXPECT_TRUE(std::equal(buf.data, buf.data + buf.length, again.data));
    officer_release(back);
}

TEST_F(OfficerRecord, EveryCutShortRecordIsRefused) {
    const Bytes whole = filled_bytes();
    for (size_t n = 0; n < whole.v.size(); ++n) {
        Buffer buf;
        ASSERT_EQ(buffer_append(&buf, whole.v.data(), n), RES_OK);
        Officer *out = officer;
        EXPECT_EQ(officer_read(&out, &buf), RES_SHORT_BUFFER) << n << " bytes";
        EXPECT_EQ(out, officer) << n << " bytes";
    }
}

TEST_F(OfficerRecord, ANegativeNameLengthIsMalformed) {
    Bytes b;
    b.u64(1).u32(0).i32(-5);
    Buffer buf;
    ASSERT_EQ(buffer_append(&buf, b.v.data(), b.v.size()), RES_OK);
    EXPECT_EQ(officer_read(nullptr, &buf), RES_MALFORMED);
}

// ---- tables ----

TEST(OfficerTables, RanksAndTheExperienceTheyRequire) {
    const char *names[] = {"Cadet", "Lt Commander", "Commander", "Captain", "Commodore", "Admiral", "Fleet Admiral"};
    const int32_t thresholds[] = {0, 1, 10000, 20000, 40000, 90000, 120000};
    for (int r = 0; r < 7; ++r) {
        EXPECT_STREQ(officer_rank_name(r), names[r]);
        EXPECT_EQ(officer_rank_threshold(r), thresholds[r]);
    }
    EXPECT_STREQ(officer_rank_name(7), "");
    EXPECT_STREQ(officer_rank_name(-1), "");
    EXPECT_EQ(officer_rank_threshold(7), 0);
    EXPECT_EQ(officer_rank_threshold(-1), 0);
}

TEST(OfficerTables, SkillNamesAndIcons) {
    const char *names[] = {"Command", "Engineering", "Field Repair", "Instruction", "Marksmanship",
                           "Mining",  "Navigation",  "Science",      "Sensors"};
    const int icons[] = {112, 110, 183, 184, 111, 114, 109, 182, 113};
    for (int s = 0; s < 9; ++s) {
        EXPECT_STREQ(officer_skill_name(s), names[s]);
        EXPECT_EQ(officer_skill_icon(s), icons[s]);
    }
    EXPECT_STREQ(officer_skill_name(9), "");
    EXPECT_EQ(officer_skill_icon(9), 109);
    EXPECT_EQ(officer_skill_icon(-1), 109);
}

TEST(OfficerTables, FieldRepairByLevel) {
    struct Row {
        int level, armour, armour_cap, system, system_cap;
    };
    const Row rows[] = {{0, 1, 70, 2, 20},  {1, 1, 70, 2, 20},   {2, 1, 80, 2, 45},    {3, 2, 90, 3, 75},
                        {4, 2, 100, 3, 100}, {5, 4, 100, 4, 100}, {-3, 1, 70, 2, 20}};
    for (const Row &row : rows) {
        int a = 0, ac = 0, s = 0, sc = 0;
        field_repair_limits(row.level, &a, &ac, &s, &sc);
        EXPECT_EQ(a, row.armour) << "level " << row.level;
        EXPECT_EQ(ac, row.armour_cap) << "level " << row.level;
        EXPECT_EQ(s, row.system) << "level " << row.level;
        EXPECT_EQ(sc, row.system_cap) << "level " << row.level;
    }
    int s = 0;
    field_repair_limits(3, nullptr, nullptr, &s, nullptr);
    EXPECT_EQ(s, 3);
}

TEST(OfficerTables, FieldRepairAboveTheTopLevelIsNeverWorseThanTheTop) {
    // Two equal draws at a promotion can lift a skill from 4 to 6.
    for (int level : {6, 7, 50}) {
        int a = 0, ac = 0, s = 0, sc = 0;
        field_repair_limits(level, &a, &ac, &s, &sc);
        EXPECT_EQ(a, 4) << level;
        EXPECT_EQ(ac, 100) << level;
        EXPECT_EQ(s, 4) << level;
        EXPECT_EQ(sc, 100) << level;
    }
}

// ---- training and promotion (the Game's second generator) ----

class OfficerRules : public ::testing::Test {
protected:
    void SetUp() override {
        game = game_get();
        ASSERT_NE(game, nullptr);
        seed(4242);
        officer = officer_create();
        ASSERT_NE(officer, nullptr);
        officer_retain(officer);
    }
    void TearDown() override { officer_release(officer); }
    void seed(uint32_t s) {
        rng_seed(game->generators[1], s);
    }
    void max_all_but(std::initializer_list<int> open) {
        for (int i = 0; i < OFFICER_SKILL_COUNT; ++i) officer->skills[i] = OFFICER_SKILL_MAX;
        for (int i : open) officer->skills[i] = 0;
    }

    Game *game = nullptr;
    Officer *officer = nullptr;
};

TEST_F(OfficerRules, TrainingDrawsTwoSkillsAFigureAndAReductionInThatOrder) {
    for (uint32_t s : {1u, 99u, 123456u}) {
        seed(s);
        Rng twin = *game->generators[1];
        Officer *o = officer_create();
        officer_train(o);
        const int a = int(random_magnitude(rng_next(&twin)) % 9);
        int b = int(random_magnitude(rng_next(&twin)) % 9);
        while (b == a) b = int(random_magnitude(rng_next(&twin)) % 9);
        const int32_t figure = 19 + int32_t(random_magnitude(rng_next(&twin)) % 4);
        const int32_t reduction = int32_t(random_magnitude(rng_next(&twin)) % 7) * 100;
        EXPECT_EQ(o->skills[a], 1) << s;
        EXPECT_EQ(o->skills[b], 1) << s;
        EXPECT_EQ(skill_sum(o), 2) << s;
        EXPECT_EQ(o->figures[0], figure) << s;
        EXPECT_EQ(o->cost_reduction, reduction) << s;
        EXPECT_EQ(rng_next(&twin), rng_next(game->generators[1])) << s << ": training drew a different count";
        officer_release(o);
    }
}

TEST_F(OfficerRules, TrainingCoversEveryOutcome) {
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

TEST_F(OfficerRules, TrainingCostFollowsReductionAndShipSkills) {
    officer->cost_reduction = 600;
    officer->skills[SKILL_ENGINEERING] = 1;
    officer->skills[SKILL_SENSORS] = 3;
    officer->skills[SKILL_COMMAND] = 5;   // not a ship skill: no charge
    officer_init_stats(officer);
    EXPECT_EQ(officer->training_cost, 1600);
    EXPECT_EQ(officer->figures[1], 300);
    EXPECT_EQ(officer->figures[2], 2800);

    officer->cost_reduction = 0;
    officer->skills[SKILL_FIELD_REPAIR] = 1;
    officer->skills[SKILL_MARKSMANSHIP] = 2;
    officer_init_stats(officer);
    EXPECT_EQ(officer->training_cost, 2400);

    officer->cost_reduction = 9000;
    officer_init_stats(officer);
    EXPECT_EQ(officer->training_cost, 1);
}

TEST_F(OfficerRules, NoTallyNoSkillDraws) {
    int a = 0, b = 0, c = 0;
    officer_pick_skills(officer, &a, &b, &c);
    EXPECT_EQ(a, -1);
    EXPECT_EQ(b, -1);
    EXPECT_EQ(c, -1);
    officer->command_tally = 50;
    max_all_but({});
    officer_pick_skills(officer, &a, &b, &c);
    EXPECT_EQ(a, -1);
    EXPECT_EQ(c, -1);
}

TEST_F(OfficerRules, DrawsComeOnlyFromTheGroupsWithATally) {
    officer->base_tally = 3;
    std::set<int> drawn;
    for (int i = 0; i < 300; ++i) {
        int a = 0, b = 0, c = 0;
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
}

TEST_F(OfficerRules, ASingleWeightOfOneIsDrawnTwiceAndTheThirdDrawFindsNothing) {
    max_all_but({SKILL_INSTRUCTION});
    officer->base_tally = 1;
    int a = 0, b = 0, c = 0;
    officer_pick_skills(officer, &a, &b, &c);
    EXPECT_EQ(a, SKILL_INSTRUCTION);
    EXPECT_EQ(b, SKILL_INSTRUCTION);
    EXPECT_EQ(c, -1);
}

TEST_F(OfficerRules, HiringMakesARecruitLtCommanderWithoutSkillDraws) {
    officer->skills[SKILL_MINING] = 1;
    officer->experience = 1;
    officer->ship_tally = 1;
    officer_hire_or_promote(officer);
    EXPECT_EQ(officer->rank, RANK_LT_COMMANDER);
    EXPECT_EQ(skill_sum(officer), 1);
    EXPECT_EQ(officer->ship_tally, 0);
}

TEST_F(OfficerRules, OneMorePointMakesACommanderWithCommandSkillDraws) {
    officer->rank = RANK_LT_COMMANDER;
    officer->experience = 9999;
    officer_add_experience(officer, 1, 1);
    EXPECT_EQ(officer->rank, RANK_COMMANDER);
    EXPECT_EQ(officer->experience, 10000);
    const int raised = skill_sum(officer);
    EXPECT_TRUE(raised == 2 || raised == 3) << raised;
    EXPECT_EQ(officer->skills[SKILL_COMMAND] + officer->skills[SKILL_MARKSMANSHIP] + officer->skills[SKILL_NAVIGATION],
              raised);
    EXPECT_EQ(officer->command_tally, 0);
}

TEST_F(OfficerRules, ALargeGainClimbsSeveralRanksInOneCheck) {
    officer->rank = RANK_LT_COMMANDER;
    officer->experience = 1;
    officer->ship_tally = 1;
    officer->base_tally = 4;
    officer_add_experience(officer, 29999, 1);
    EXPECT_EQ(officer->rank, RANK_CAPTAIN);
    const int raised = skill_sum(officer);
    EXPECT_GE(raised, 4);   // two sets of draws, each raising two or three levels
    EXPECT_LE(raised, 6);
    EXPECT_EQ(officer->ship_tally + officer->base_tally + officer->command_tally, 0);
}

TEST_F(OfficerRules, WithoutAnyTallyNoPromotionHappens) {
    officer->rank = RANK_LT_COMMANDER;
    officer->experience = 100000;
    officer_hire_or_promote(officer);
    EXPECT_EQ(officer->rank, RANK_LT_COMMANDER);
    officer_add_experience(officer, 5, 0);   // without the check nothing moves either
    EXPECT_EQ(officer->rank, RANK_LT_COMMANDER);
    EXPECT_EQ(officer->command_tally, 5);
}

TEST_F(OfficerRules, AFleetAdmiralIsNeverPromoted) {
    officer->rank = RANK_FLEET_ADMIRAL;
    officer->experience = 2000000000;
    officer->command_tally = 10;
    officer_hire_or_promote(officer);
    EXPECT_EQ(officer->rank, RANK_FLEET_ADMIRAL);
    EXPECT_EQ(officer->command_tally, 10);
    EXPECT_EQ(skill_sum(officer), 0);
}

TEST_F(OfficerRules, AnAdmiralBecomesFleetAdmiralAndStopsThere) {
    for (int32_t experience : {120000, 2000000000}) {
        officer->rank = RANK_ADMIRAL;
        officer->experience = experience;
        officer->command_tally = 1;
        officer_hire_or_promote(officer);
        EXPECT_EQ(officer->rank, RANK_FLEET_ADMIRAL) << experience;
        EXPECT_STREQ(officer_rank_name(officer->rank), "Fleet Admiral");
    }
}

TEST_F(OfficerRules, AnOfficerAtTheTopOfEverySkillDrawsNothing) {
    max_all_but({});
    officer->rank = RANK_COMMANDER;
    officer->experience = 20000;
    officer->command_tally = 9;
    officer->ship_tally = 9;
    officer->base_tally = 9;
    officer_hire_or_promote(officer);
    EXPECT_EQ(officer->rank, RANK_CAPTAIN);
    EXPECT_EQ(skill_sum(officer), 9 * OFFICER_SKILL_MAX);
}

TEST_F(OfficerRules, TwoEqualDrawsRaiseTheSkillByTwo) {
    max_all_but({SKILL_NAVIGATION});
    officer->rank = RANK_LT_COMMANDER;
    officer->experience = 10000;
    officer->command_tally = 7;
    officer_hire_or_promote(officer);
    EXPECT_EQ(officer->rank, RANK_COMMANDER);
    EXPECT_EQ(officer->skills[SKILL_NAVIGATION], 2);
    EXPECT_EQ(skill_sum(officer), 8 * OFFICER_SKILL_MAX + 2);
}

TEST_F(OfficerRules, OutOfRangeRanksAreLeftAlone) {
    officer->rank = -1;
    officer->experience = 50000;
    officer->command_tally = 1;
    officer_hire_or_promote(officer);
    EXPECT_EQ(officer->rank, -1);
    officer->rank = 9;
    officer_hire_or_promote(officer);
    EXPECT_EQ(officer->rank, 9);
}

TEST_F(OfficerRules, PromotionOfAnOwnedOfficerGoesOnThroughEveryRank) {
    game->ui_player_id = 77;
    officer->owner_id = 77;   // announced (and heard, with sound running) at each rank
    officer->rank = RANK_CADET;
    officer->experience = 95000;
    officer->ship_tally = 1;
    officer_hire_or_promote(officer);
    EXPECT_EQ(officer->rank, RANK_ADMIRAL);
    game->ui_player_id = 0;
}

}  // namespace
