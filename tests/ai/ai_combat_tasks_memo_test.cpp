// The combat task types keep the scores of one option search: a record that comes back is given the
// score it had. These tests pin what the memo must tell apart: records that differ in any word a
// score reads, the ship's consecutive move counter, another task, and a search that has ended.
#include "ai_combat_fixture.h"
#include "ai/system_ai.h"
#include "systems/plan_check.h"

using namespace aitest;

namespace {

class ScoreMemo : public Battle {
protected:
    Ship *a = nullptr, *e = nullptr;
    AgentTask *attack = nullptr, *scan = nullptr;
    AiPlayer *ai = nullptr;

    void SetUp() override {
        Battle::SetUp();
        // A Lancer with a missile in the fore mount, so that a step's target point counts (the
        // blast around it).
        a = hull(HULL_LANCER, RED, 400, 400, 90);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(fit(a, LANCER_FORE, SYSTEM_TYPE_MISSILE), nullptr);
        fit(a, LANCER_PORT, SYSTEM_TYPE_BEAM);
        fit(a, LANCER_STARBOARD, SYSTEM_TYPE_BEAM);
        fit(a, LANCER_ENGINE, SYSTEM_TYPE_ENGINE, 1);
        a->crew = a->max_crew;
        ship_recompute_stats(a);
        object_begin_encounter(a);
        e = lancer(BLUE, 700, 450, 270);
        ASSERT_NE(e, nullptr);
        ASSERT_NE(lancer(BLUE, 520, 640, 200), nullptr);
        player_learn_object(blue, a, 0);
        ai = red->commander_ai;
        ai_plan_ship(red, a);   // fills the commander's snapshot list
        attack = agent_task_create(TASK_ATTACK_SHIP, 0, e->id);
        scan = agent_task_create(TASK_SCAN_SHIP, 0, e->id);
        ASSERT_NE(attack, nullptr);
        ASSERT_NE(scan, nullptr);
        scan->utility = 40;
        a->ai_word = 0;
    }

    void TearDown() override {
        agent_task_free(attack);
        agent_task_free(scan);
        Battle::TearDown();
    }

    // A move ahead, then a beam shot at the enemy and a missile at a point beside it.
    ShipPlan record() const {
        ShipPlan p;
        int32_t ex = e->x + e->w / 2, ey = e->y + e->h / 2;
        p.steps[0] = ShipPlanStep{.code = PLAN_MOVE, .x = 480, .y = 400, .heading = 90};
        p.steps[1] = ShipPlanStep{.code = LANCER_PORT, .x = 480, .y = 400, .heading = 90, .target = e,
                                  .target_x = ex, .target_y = ey, .hit_chance = 60, .damage = 40};
        p.steps[2] = ShipPlanStep{.code = LANCER_FORE, .x = 480, .y = 400, .heading = 90, .target = nullptr,
                                  .target_x = ex - 30, .target_y = ey + 20};
        p.step_count = 3;
        return p;
    }

    // The score of the record as the first of a search of its own: worked out, not remembered.
    int32_t fresh(AgentTask *task, const ShipPlan &p) {
        agent_task_combat_begin(task, ai, a);
        a->option = p;
        return agent_task_combat_score(task, ai, a);
    }
};

// Each case changes one word of the record (or the ship's consecutive move counter) that the score
// reads. Scored right after the unchanged record in the same search, the changed one must score as
// it does on its own; a memo whose key left that word out would hand back the first score.
TEST_F(ScoreMemo, ARecordDifferingInAnyWordTheScoreReadsIsScoredAfresh) {
    struct Case {
        const char *word;
        bool scan;   // scored by "scan ship", which counts every pixel of the distance
        void (*change)(ShipPlan *p, Ship *ship);
    };
    const Case cases[] = {
        {"step count", false, [](ShipPlan *p, Ship *) { p->step_count = 2; }},
        {"first step's code", false, [](ShipPlan *p, Ship *) { p->steps[0].code = PLAN_SCAN; }},
        {"code", false, [](ShipPlan *p, Ship *) { p->steps[1].code = LANCER_STARBOARD + 100; }},
        {"scan code", true, [](ShipPlan *p, Ship *) { p->steps[0].code = PLAN_SCAN; }},
        {"last x", false, [](ShipPlan *p, Ship *) { p->steps[2].x += 90; }},
        {"last y", false, [](ShipPlan *p, Ship *) { p->steps[2].y -= 240; }},
        {"hit chance", false, [](ShipPlan *p, Ship *) { p->steps[1].hit_chance = 95; }},
        {"damage", false, [](ShipPlan *p, Ship *) { p->steps[1].damage = 90; }},
        {"target x", false, [](ShipPlan *p, Ship *) { p->steps[2].target_x += 400; }},
        {"target y", false, [](ShipPlan *p, Ship *) { p->steps[2].target_y -= 400; }},
        {"consecutive moves", false, [](ShipPlan *, Ship *ship) { ship->ai_word = 2; }},
    };
    a->ai_word = 1;   // a first move or turn costs, so the first step's code counts
    const ShipPlan base = record();
    for (const Case &c : cases) {
        AgentTask *task = c.scan ? scan : attack;
        const int32_t base_score = fresh(task, base);
        ShipPlan changed = base;
        c.change(&changed, a);
        const int32_t want = fresh(task, changed);
        a->ai_word = 1;
        ASSERT_NE(want, base_score) << c.word << ": the change must matter to the score";
        // One search: the unchanged record first, then the changed one, then the first again.
        agent_task_combat_begin(task, ai, a);
        a->option = base;
        EXPECT_EQ(agent_task_combat_score(task, ai, a), base_score) << c.word;
        ShipPlan again = base;
        c.change(&again, a);
        a->option = again;
        EXPECT_EQ(agent_task_combat_score(task, ai, a), want) << c.word;
        a->ai_word = 1;
        a->option = base;
        EXPECT_EQ(agent_task_combat_score(task, ai, a), base_score) << c.word << ": the first record again";
    }
}

// The memo trusts the battle to stand still during a search: a target moved in the middle of one
// gets the score it had where it stood. With the check on, every score is worked out afresh as
// well and the process stops at the difference.
TEST_F(ScoreMemo, ATargetMovedDuringASearchIsCaughtByTheCheck) {
    const ShipPlan base = record();
    const int32_t before = fresh(attack, base);
    auto score_after_the_target_moved = [&] {
        agent_task_combat_begin(attack, ai, a);
        a->option = base;
        (void)agent_task_combat_score(attack, ai, a);
        e->x += 300;
        a->option = base;
        const int32_t moved = agent_task_combat_score(attack, ai, a);
        e->x -= 300;
        return moved;
    };
    e->x += 300;
    const int32_t after = fresh(attack, base);
    e->x -= 300;
    ASSERT_NE(after, before) << "the move must matter to the score";
    const bool was = plan_check_set(false);
    EXPECT_EQ(score_after_the_target_moved(), before) << "the kept score is given unchecked";
    EXPECT_DEATH(
        {
            plan_check_set(true);
            (void)score_after_the_target_moved();
        },
        "Kept answer differs from a fresh one \\(option scores\\)");
    plan_check_set(was);
}

// A plan reads the target's evasion once: a use asked again from the same spot after the evasion
// changed within the plan gets the hit chance kept for the spot. With the check on, the kept use is
// worked out afresh as well and the process stops at the difference.
TEST_F(ScoreMemo, AnEvasionChangedWithinAPlanIsCaughtByTheCheck) {
    System *beam = ship_get_crit_system(a, LANCER_STARBOARD);
    ASSERT_NE(beam, nullptr);
    object_set_position(e, 580, 400);   // in the starboard beam's arc and range
    const int32_t here = system_ai_candidate_total(beam->type) - 1;   // the use from where the ship stands
    auto chance = [&] {
        EXPECT_EQ(system_ai_direct_run(beam, ai, a, e, here), RES_OK);
        return a->option.step_count == 1 ? a->option.steps[0].hit_chance : -1;
    };
    const int32_t before = chance();
    e->evasion += 60;
    const int32_t after = chance();
    e->evasion -= 60;
    ASSERT_GT(before, 0) << "the beam reaches the enemy from where the ship stands";
    ASSERT_NE(after, before) << "the evasion must matter to the hit chance";
    auto chance_after_the_evasion_changed = [&] {
        system_plan_begin();
        (void)chance();
        e->evasion += 60;
        const int32_t kept = chance();
        e->evasion -= 60;
        system_plan_end();
        return kept;
    };
    const bool was = plan_check_set(false);
    EXPECT_EQ(chance_after_the_evasion_changed(), before) << "the kept use is given unchecked";
    EXPECT_DEATH(
        {
            plan_check_set(true);
            (void)chance_after_the_evasion_changed();
        },
        "Kept answer differs from a fresh one \\(spot answers of direct weapons\\)");
    plan_check_set(was);
}

// A memo the option scorer opens takes the ship's move counter once (nothing changes it until the
// scorer's search closes); the next search on the same thread, scored on the ship's own record,
// compares it at every score again.
TEST_F(ScoreMemo, AfterTheScorersSearchACounterChangedWithinTheNextSearchIsNoticed) {
    a->ai_word = 1;
    const ShipPlan base = record();
    const int32_t one = fresh(attack, base);
    a->ai_word = 2;
    const int32_t two = fresh(attack, base);
    a->ai_word = 1;
    ASSERT_NE(one, two) << "the counter must matter to the score";
    CombatRecordScoreFn *score = ai_combat_record_score(attack);
    ASSERT_NE(score, nullptr);
    agent_task_combat_begin(attack, ai, a);
    ai_combat_score_search_begin(attack, ai, a);
    EXPECT_EQ(score(attack, ai, a, base), one);
    ai_combat_score_search_end();

    agent_task_combat_begin(attack, ai, a);
    a->option = base;
    EXPECT_EQ(agent_task_combat_score(attack, ai, a), one);
    a->ai_word = 2;
    EXPECT_EQ(agent_task_combat_score(attack, ai, a), two) << "a kept score for another counter";
}

// The same record asked of another task during the search is that task's score, not the memo's:
// an attack on another ship (its AP figures are the same) and a scan of the same one.
TEST_F(ScoreMemo, AnotherTaskScoresTheSameRecordByItsOwnRules) {
    Ship *far = lancer(BLUE, 1400, 900, 180);
    ASSERT_NE(far, nullptr);
    AgentTask *other = agent_task_create(TASK_ATTACK_SHIP, 0, far->id);
    ASSERT_NE(other, nullptr);
    const ShipPlan p = record();
    const int32_t scanned = fresh(scan, p);
    const int32_t elsewhere = fresh(other, p);
    const int32_t attacked = fresh(attack, p);
    ASSERT_NE(scanned, attacked);
    ASSERT_NE(elsewhere, attacked);
    a->option = p;
    EXPECT_EQ(agent_task_combat_score(attack, ai, a), attacked) << "a second ask within the search";
    EXPECT_EQ(agent_task_combat_score(other, ai, a), elsewhere);
    EXPECT_EQ(agent_task_combat_score(scan, ai, a), scanned);
    EXPECT_EQ(agent_task_combat_score(attack, ai, a), attacked);
    agent_task_free(other);
}

// Once the options have run out the search is over: the battle may move on, and a score asked then
// weighs the battle as it stands.
TEST_F(ScoreMemo, AfterTheOptionsRunOutTheBattleIsWeighedAsItStands) {
    const ShipPlan p = record();
    agent_task_combat_begin(attack, ai, a);
    a->option = p;
    const int32_t before = agent_task_combat_score(attack, ai, a);
    const AgentTaskData *d = static_cast<AgentTaskData *>(attack);
    int32_t k = 0;
    while (agent_task_combat_next_option(attack, ai, a, k) == 0) ++k;
    EXPECT_EQ(k, d->option_total);
    e->x += 500;   // the target draws off
    const int32_t moved = fresh(attack, p);
    ASSERT_NE(moved, before) << "the target's distance must matter to the score";
    agent_task_combat_begin(attack, ai, a);
    a->option = p;
    ASSERT_EQ(agent_task_combat_score(attack, ai, a), moved);
    while (agent_task_combat_next_option(attack, ai, a, k) == 0) ++k;
    e->x -= 500;
    a->option = p;
    EXPECT_EQ(agent_task_combat_score(attack, ai, a), before) << "the ended search's score is not handed back";
}

}  // namespace

namespace {

// A ship in a ring of its own side finds no room for most moves from where it stands, and the option
// search remembers each move (and turn) that found none. What the sweep of every option of an attack
// and a scan builds and draws is pinned here, as the searches made it before the failures were kept
// in their own tables; the target lies out of scan range behind the ship, so every approach asks
// for the same turn.
class BoxedIn : public Battle {};

TEST_F(BoxedIn, EveryOptionOfABoxedInShipBuildsAndDrawsAsPinned) {
    Ship *a = lancer(RED, 1000, 1000, 0);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(ring_round(a, [](int32_t, int32_t) { return RED; }), 8);
    Ship *far = lancer(BLUE, 1000, 2600, 90);
    ASSERT_NE(far, nullptr);
    ai_plan_ship(red, a);
    AiPlayer *ai = red->commander_ai;
    uint32_t digest = 2166136261u;
    auto fold = [&](int32_t v) {
        for (int32_t b = 0; b < 4; ++b) digest = (digest ^ uint8_t(uint32_t(v) >> (8 * b))) * 16777619u;
    };
    int32_t built = 0;
    for (int32_t type : {TASK_ATTACK_SHIP, TASK_SCAN_SHIP}) {
        AgentTask *task = agent_task_create(type, 0, far->id);
        ASSERT_NE(task, nullptr);
        agent_task_combat_begin(task, ai, a);
        for (int32_t k = 0; agent_task_combat_next_option(task, ai, a, k) == 0; ++k) {
            fold(a->option.step_count);
            built += a->option.step_count > 0;
            for (int32_t s = 0; s < a->option.step_count; ++s) {
                const ShipPlanStep &step = a->option.steps[s];
                for (int32_t v : {step.code, step.x, step.y, step.heading}) fold(v);
            }
        }
        agent_task_free(task);
    }
    EXPECT_GT(built, 0);
    EXPECT_EQ(built, 4309);
    EXPECT_EQ(digest, 1362835686u);
    EXPECT_EQ(random_u32(), 3038856870u) << "the sweep drew as many quick numbers as before";
}

}  // namespace

namespace {

// An approach asks the bearing from where the ship stands to the target, and whether the target lies
// beyond scan range from there; the search keeps the last answers. Asked of another target they must
// answer for that target: the option a scan of a second target builds right after an approach to the
// first, or after a scan of a target in range, is the one it builds on its own.
TEST_F(Battle, AnApproachHeadsForItsOwnTargetAfterAnApproachToAnother) {
    Ship *a = lancer(RED, 1000, 1000, 0);
    Ship *east = lancer(BLUE, 2600, 1000, 180);
    Ship *south = lancer(BLUE, 1000, 2600, 270);
    Ship *near = lancer(BLUE, 820, 1000, 90);
    ASSERT_TRUE(a && east && south && near);
    ai_plan_ship(red, a);
    AiPlayer *ai = red->commander_ai;
    AgentTask *to_east = agent_task_create(TASK_SCAN_SHIP, 0, east->id);
    AgentTask *to_south = agent_task_create(TASK_SCAN_SHIP, 0, south->id);
    AgentTask *to_near = agent_task_create(TASK_SCAN_SHIP, 0, near->id);
    ASSERT_TRUE(to_east && to_south && to_near);
    auto steps_of = [&](const ShipPlan &p) {
        std::string text;
        for (int32_t s = 0; s < p.step_count; ++s)
            text += std::to_string(p.steps[s].code) + "@" + std::to_string(p.steps[s].x) + "," +
                    std::to_string(p.steps[s].y) + "/" + std::to_string(p.steps[s].heading) + " ";
        return text;
    };
    // Option 0 turns when it must and closes in with every MP.
    agent_task_combat_begin(to_south, ai, a);
    seed(77);
    ASSERT_EQ(agent_task_combat_next_option(to_south, ai, a, 0), 0);
    const std::string alone = steps_of(a->option);
    ASSERT_GE(a->option.step_count, 1) << "the approach is built";
    agent_task_combat_begin(to_east, ai, a);
    ASSERT_EQ(agent_task_combat_next_option(to_east, ai, a, 0), 0);
    const std::string eastwards = steps_of(a->option);
    seed(77);
    ASSERT_EQ(agent_task_combat_next_option(to_south, ai, a, 0), 0);
    EXPECT_EQ(steps_of(a->option), alone) << "after " << eastwards;
    EXPECT_NE(eastwards, alone);
    agent_task_combat_begin(to_near, ai, a);
    ASSERT_EQ(agent_task_combat_next_option(to_near, ai, a, 0), 0);
    ASSERT_EQ(steps_of(a->option), std::to_string(PLAN_SCAN) + "@1000,1000/0 ") << "scanned from where it stands";
    seed(77);
    ASSERT_EQ(agent_task_combat_next_option(to_south, ai, a, 0), 0);
    EXPECT_EQ(steps_of(a->option), alone) << "after a scan in range";
    agent_task_free(to_east);
    agent_task_free(to_south);
    agent_task_free(to_near);
}

}  // namespace

namespace {

// The frame size at every heading is kept from one search to the next while the searching ships
// have the same frames. A ship of another hull must be weighed by its own frames: a scan scores
// every pixel of the distance from the ship's centre, so each ship's score of one record, asked in
// searches that follow searches of either ship, is the one it gets while another ship searches.
TEST_F(Battle, EachHullIsWeighedByItsOwnFramesWhicheverShipSearchedBefore) {
    Ship *lancer_ship = lancer(RED, 400, 400, 0);
    Ship *skiff = hull(HULL_SKIFF, RED, 400, 900, 0);
    Ship *e = lancer(BLUE, 1500, 700, 180);
    ASSERT_TRUE(lancer_ship && skiff && e);
    object_begin_encounter(skiff);
    ai_plan_ship(red, lancer_ship);
    AiPlayer *ai = red->commander_ai;
    AgentTask *scan_l = agent_task_create(TASK_SCAN_SHIP, 0, e->id);
    AgentTask *scan_s = agent_task_create(TASK_SCAN_SHIP, 0, e->id);
    ASSERT_TRUE(scan_l && scan_s);
    scan_l->utility = scan_s->utility = 200;   // keeps the score above 0
    ShipPlan record;
    record.steps[0] = ShipPlanStep{.code = PLAN_NONE, .x = 700, .y = 650, .heading = 0};
    record.step_count = 1;
    auto score = [&](AgentTask *task, Ship *ship) {
        ship->option = record;
        return agent_task_combat_score(task, ai, ship);
    };
    // Asked while the other ship searches, a score measures the ship's own frame there and then.
    agent_task_combat_begin(scan_s, ai, skiff);
    const int32_t lancer_alone = score(scan_l, lancer_ship);
    agent_task_combat_begin(scan_l, ai, lancer_ship);
    const int32_t skiff_alone = score(scan_s, skiff);
    ASSERT_NE(lancer_alone, skiff_alone) << "the frames must matter to the score";
    struct Turn { AgentTask *task; Ship *ship; int32_t want; const char *name; };
    const Turn turns[] = {{scan_s, skiff, skiff_alone, "skiff"},   {scan_l, lancer_ship, lancer_alone, "lancer"},
                          {scan_l, lancer_ship, lancer_alone, "lancer"}, {scan_s, skiff, skiff_alone, "skiff"},
                          {scan_s, skiff, skiff_alone, "skiff"},   {scan_l, lancer_ship, lancer_alone, "lancer"}};
    int32_t n = 0;
    for (const Turn &t : turns) {
        agent_task_combat_begin(t.task, ai, t.ship);
        EXPECT_EQ(score(t.task, t.ship), t.want) << "search " << n++ << " of the " << t.name;
    }
    agent_task_free(scan_l);
    agent_task_free(scan_s);
}

}  // namespace

namespace {

// What an option search remembers about its manoeuvres (turns that failed or needed none, moves
// that failed) holds while the ship stands as the search found it. Once the options have run out
// the ship may change: options asked then are built for the ship as it stands, as a new search of
// it builds them. Here the ship's move arc narrows, so turns the ended search needed none for now
// need one.
TEST_F(Battle, AManoeuvreAskedAfterItsSearchEndedIsBuiltForTheShipAsItStands) {
    Ship *a = lancer(RED, 1000, 1000, 0);
    Ship *e = lancer(BLUE, 2400, 1500, 180);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(e, nullptr);
    ai_plan_ship(red, a);
    AiPlayer *ai = red->commander_ai;
    AgentTask *task = agent_task_create(TASK_ATTACK_SHIP, 0, e->id);
    ASSERT_NE(task, nullptr);
    const AgentTaskData *d = static_cast<AgentTaskData *>(task);
    // The first options turn to a drawn heading, then move 1..MP.
    auto turned_options = [&] {
        std::string text;
        for (int32_t j = 0; j < 40; ++j) {
            EXPECT_EQ(agent_task_combat_next_option(task, ai, a, d->system_options + j), 0);
            for (int32_t s = 0; s < a->option.step_count; ++s) {
                const ShipPlanStep &step = a->option.steps[s];
                text += std::to_string(step.code) + "@" + std::to_string(step.x) + "," + std::to_string(step.y) +
                        "/" + std::to_string(step.heading) + " ";
            }
            text += "| ";
        }
        return text + std::to_string(random_u32());
    };
    const int32_t wide = a->move_arc;
    ASSERT_GT(wide, 20);
    agent_task_combat_begin(task, ai, a);
    int32_t k = 0;
    while (agent_task_combat_next_option(task, ai, a, k) == 0) ++k;
    a->move_arc = 10;
    seed(91);
    const std::string after_end = turned_options();
    agent_task_combat_begin(task, ai, a);
    seed(91);
    const std::string anew = turned_options();
    EXPECT_EQ(after_end, anew);
    a->move_arc = wide;
    agent_task_free(task);
}

}  // namespace
