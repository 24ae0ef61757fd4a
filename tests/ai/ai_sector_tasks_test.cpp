// Sector tasks on a real galaxy: the closeness score, sighting windows and arrival weights of
// "defend sector", the research and supply links, the completion and blocking tests, the gather
// order, and the link, relink and save of the target.
#include <gtest/gtest.h>

#include "ai/ai_sector_tasks.h"
#include "ai_task_fixture.h"
#include "game/game.h"
#include "platform/buffer.h"

namespace {

using aitest::TaskWorld;
using aitest::ME;

class SectorTasks : public TaskWorld {};

TEST_F(SectorTasks, ASectorFarBeyondTheDiagonalIsAsCloseAsOneAtTheCentre) {
    ai->unexplored = 0;
    const auto explore = [&](int32_t cx) { return evaluate(task(TASK_EXPLORE_SECTOR, sector_centred(0, cx, 500)->id)); };
    const int32_t centre = explore(500);
    EXPECT_GT(centre, 0);
    EXPECT_EQ(explore(2500), centre) << "twice the diagonal away";
    EXPECT_EQ(explore(1500), 0) << "one diagonal away";
}

TEST_F(SectorTasks, CubedClosenessOnTheLargestGalaxyDoesNotWrap) {
    ai->map_diagonal = 6000;   // its cube is far beyond 32 bits
    ai->unscanned = 0;
    ai->own_sector_count = 5;
    struct Case {
        int32_t type;
    } cases[] = {{TASK_SCAN_SECTOR}, {TASK_COLONIZE_SECTOR}};
    for (const Case &c : cases) {
        const int32_t centre = evaluate(task(c.type, sector_centred(0, 500, 500)->id));
        const int32_t halfway = evaluate(task(c.type, sector_centred(0, 3500, 500)->id));
        EXPECT_GT(halfway, 0) << agent_task_type_name(c.type);
        EXPECT_GT(centre, 4 * halfway) << agent_task_type_name(c.type) << ": cubed, half as close is an eighth";
    }
}

TEST_F(SectorTasks, ExploringNeedsAnEngineAndTheFirstEngineSetsTheBonus) {
    Sector *home = sector_centred(ME, 100, 100);
    Sector *far = sector_centred(0, 900, 900);
    AgentTask *t = task(TASK_EXPLORE_SECTOR, far->id);
    Ship *hulk = ship_in(home, me);
    assign(t, hulk);
    agent_task_evaluate(t, ai, me, 1);
    EXPECT_EQ(t->assigned, 0) << "an engineless ship cannot explore";
    EXPECT_EQ(t->priority_bonus, 0);
    EXPECT_EQ(agent_task_ship_utility(t, hulk), 0);
    Ship *scout = ship_in(home, me);
    fit_engine(scout);
    ASSERT_GT(scout->max_mp, 0);
    assign(t, scout);
    agent_task_evaluate(t, ai, me, 1);
    EXPECT_EQ(t->assigned, 1);
    EXPECT_EQ(t->needed, 1);
    EXPECT_EQ(t->priority_bonus, 4 * scout->max_mp);
    EXPECT_EQ(agent_task_ship_utility(t, scout), 1);
}

TEST_F(SectorTasks, ExplorationResearchFollowsItsOrderAndStopsWhenAllIsKnown) {
    Sector *s = sector_centred(0, 700, 700);
    AgentTask *research[57] = {};
    for (int32_t tech : {0, 34, 1, 2, 3, 4}) research[tech] = task(TASK_RESEARCH_TECH, 0, uint32_t(tech));
    struct Case {
        std::vector<int32_t> done;
        int32_t linked;   // -1: nothing
    } cases[] = {
        {{}, 0}, {{0}, 34}, {{0, 34}, 1}, {{0, 34, 1, 2, 3}, 4}, {{0, 34, 1, 2, 3, 4}, -1},
        {{34, 1, 2, 3, 4}, 0},
    };
    for (const Case &c : cases) {
        for (uint32_t &state : me->tech_state) state = 0;
        for (int32_t tech : c.done) me->tech_state[tech] = TECH_DONE;
        AgentTask *t = task(TASK_EXPLORE_SECTOR, s->id);
        agent_task_update(t, ai, me);
        EXPECT_EQ(t->linked[1], c.linked < 0 ? 0u : research[c.linked]->id) << "first unresearched " << c.linked;
    }
    // Scanning and gathering skip the starbase kit.
    for (uint32_t &state : me->tech_state) state = 0;
    me->tech_state[0] = TECH_DONE;
    AgentTask *scan = task(TASK_SCAN_SECTOR, s->id);
    agent_task_update(scan, ai, me);
    EXPECT_EQ(scan->linked[1], research[1]->id);
}

TEST_F(SectorTasks, SupplyLinkPicksTheFastestDesignOnlyWhileNobodyIsAssigned) {
    Sector *home = sector_centred(ME, 100, 100);
    Sector *s = sector_centred(0, 700, 700);
    Ship *slow = new_ship(2), *fast = new_ship(2), *faster = new_ship(2);
    fit_engine(fast);
    fit_engine(faster);
    ship_recompute_stats(slow);
    fast->max_mp = faster->max_mp = 9;   // a tie goes to the earlier task
    player_add_design(me, slow);
    player_add_design(me, fast);
    player_add_design(me, faster);
    task(TASK_BUILD_SHIP, slow->id);
    AgentTask *b_fast = task(TASK_BUILD_SHIP, fast->id);
    task(TASK_BUILD_SHIP, faster->id);
    task(TASK_BUILD_SHIP, 0xBADull);   // design gone: passed over
    ASSERT_LT(slow->max_mp, fast->max_mp);
    AgentTask *t = task(TASK_SCAN_SECTOR, s->id);
    agent_task_update(t, ai, me);
    EXPECT_EQ(t->linked[0], b_fast->id);
    assign(t, ship_in(home, me));
    agent_task_update(t, ai, me);
    EXPECT_EQ(t->linked[0], 0u) << "ships are on it: no more building for it";
}

TEST_F(SectorTasks, ScanningAnOwnedSectorIsBlockedAndItsCopyAsksForMore) {
    Sector *owned = sector_centred(aitest::RIVAL, 800, 800);
    add_site(owned, 0, aitest::RIVAL);
    ship_in(sector_centred(ME, 100, 100), me);
    AgentTask *t = task(TASK_SCAN_SECTOR, owned->id);
    EXPECT_TRUE(agent_task_check_blocked(t, ai, me));
    player_learn_object(me, owned, 0);
    evaluate(t);
    EXPECT_EQ(t->needed, 110);
    EXPECT_TRUE(t->flags & TASK_BLOCKED);

    // An unowned sector with no ship of the player's left is blocked too.
    Sector *empty = sector_centred(0, 600, 600);
    AgentTask *u = task(TASK_SCAN_SECTOR, empty->id);
    EXPECT_FALSE(agent_task_check_blocked(u, ai, me));
    player_clear_objects(me);
    u->flags &= ~TASK_BLOCKED;
    EXPECT_TRUE(agent_task_check_blocked(u, ai, me));
}

TEST_F(SectorTasks, AScanTargetWithOneKnownSiteIsCutToATenthButNeverToNothing) {
    SlotGuard<int32_t> open_game;   // the game's setting, back for the next test
    open_game.replace(game->setup.fog_of_war_off, 1);
    ai->unscanned = 0;
    struct Case {
        int32_t cx, sites;
        bool cut;
    } cases[] = {{500, 1, true}, {500, 2, false}, {1500, 1, true}};
    for (const Case &c : cases) {
        Sector *s = sector_centred(0, c.cx, 500);
        AgentTask *t = task(TASK_SCAN_SECTOR, s->id);
        const int32_t unknown = evaluate(t);
        player_learn_object(me, s, 0);
        Sector *copy = sector_of(player_get_known_object(me, OBJECT_SECTOR, s->id));
        ASSERT_NE(copy, nullptr);
        copy->known_site_count = c.sites;
        copy->known_site_kinds.assign(size_t(c.sites), 1);
        copy->known_site_ids.assign(size_t(c.sites), 0);
        const int32_t known = evaluate(t);
        if (!c.cut) {
            EXPECT_GE(known, unknown) << c.sites << " sites";
        } else {
            EXPECT_GE(known, 1) << "never below 1";
            EXPECT_LE(known, std::max(unknown / 10 + 1, 1)) << c.sites << " site at " << c.cx;
        }
    }
}

TEST_F(SectorTasks, ScanAndGatherFinishOnWhatThePlayerHasSeen) {
    Sector *s = sector_centred(0, 700, 700);
    AgentTask *scan = task(TASK_SCAN_SECTOR, s->id);
    AgentTask *gather = task(TASK_GATHER_FEATURE, s->id);
    EXPECT_FALSE(agent_task_check_done(scan, ai, me)) << "nothing seen yet";
    player_learn_object(me, s, 0);
    GameObject *copy = player_get_known_object(me, OBJECT_SECTOR, s->id);
    ASSERT_NE(copy, nullptr);
    copy->snapshot_version = 0;
    static_cast<Sector *>(copy)->known_feature_kind = -1;
    EXPECT_FALSE(agent_task_check_done(scan, ai, me)) << "seen but not scanned";
    EXPECT_FALSE(agent_task_check_done(gather, ai, me));
    copy->snapshot_version = 1;
    static_cast<Sector *>(copy)->known_feature_kind = 2;
    EXPECT_TRUE(agent_task_check_done(scan, ai, me));
    EXPECT_FALSE(agent_task_check_done(gather, ai, me)) << "the feature is still there";
    static_cast<Sector *>(copy)->known_feature_kind = -1;
    EXPECT_TRUE(agent_task_check_done(gather, ai, me));
    // Forgetting the sector re-reads the memory rather than a stale copy.
    player_forget_object(me, copy);
    gather->flags &= ~TASK_DONE;
    EXPECT_FALSE(agent_task_check_done(gather, ai, me));
}

TEST_F(SectorTasks, OnlyTheFirstGathererInTheSectorMinesAndTheRestWait) {
    Sector *home = sector_centred(ME, 100, 100);
    Sector *field = sector_centred(0, 800, 800);
    AgentTask *t = task(TASK_GATHER_FEATURE, field->id);
    Ship *travelling = ship_in(home, me);
    Ship *first = ship_in(field, me);
    Ship *second = ship_in(field, me);
    Ship *late = ship_in(home, me);
    for (Ship *s : {travelling, first, second, late}) assign(t, s);
    agent_task_act(t, ai, me);
    EXPECT_EQ(move_target(travelling), field->id) << "on its way before the first miner";
    EXPECT_TRUE(first->ship_flags & SHIP_FLAG_SURVEY);
    EXPECT_FALSE(second->ship_flags & SHIP_FLAG_SURVEY);
    EXPECT_EQ(move_target(late), 0u) << "listed after the miner: no order this turn";
}

TEST_F(SectorTasks, AGathererNeedsAPilotAndAPilotlessGroupAsksForTraining) {
    Sector *home = sector_centred(ME, 100, 100);
    Sector *field = sector_centred(0, 800, 800);
    AgentTask *galaxy_pilots = task(TASK_TRAIN_PILOT, 0, 1);
    task(TASK_TRAIN_PILOT, 0, 0);
    AgentTask *t = task(TASK_GATHER_FEATURE, field->id);
    Ship *s = ship_in(home, me);
    fit_engine(s);
    assign(t, s);
    agent_task_evaluate(t, ai, me, 0);
    EXPECT_EQ(t->assigned, 0) << "an engine without a pilot is passed over";
    EXPECT_EQ(agent_task_ship_utility(t, s), 0);
    agent_task_update(t, ai, me);
    EXPECT_EQ(t->linked[0], galaxy_pilots->id);
}

// ---- "defend sector" ----

class DefendSector : public TaskWorld {
protected:
    Sector *home = nullptr;
    AgentTask *t = nullptr;
    void SetUp() override {
        TaskWorld::SetUp();
        home = new_home(500, &t);
    }
    // An own sector with a starbase centred at (cx, 500), and its defence task.
    Sector *new_home(int32_t cx, AgentTask **out) {
        Sector *s = sector_centred(ME, cx, 500);
        own(s);
        add_site(s, 0, ME);
        *out = task(TASK_DEFEND_SECTOR, s->id);
        return s;
    }
    // An enemy fleet seen `age` minutes ago heading for `target`, `days` days out at `speed`.
    GameObject *incoming(Sector *target, int64_t age, int32_t days, int32_t speed = 10) {
        Fleet *f = fleet_at(rival, 0, 0);
        Ship *raider = ship_in(f, rival);
        raider->max_armour = raider->armour = 400;
        player_learn_object(me, f, 0);
        Fleet *copy = fleet_of(player_get_known_object(me, OBJECT_FLEET, f->id));
        EXPECT_NE(copy, nullptr);
        copy->known_target_id = target->id;
        copy->known_speed = speed;
        copy->known_ship_ids = {raider->id};
        int32_t cx = 0, cy = 0;
        ai_object_centre(target, &cx, &cy);
        object_set_position(copy, cx - days * std::max(speed, 1) - copy->w / 2, cy - copy->h / 2);
        copy->seen_date->minutes = game->clock->minutes - uint64_t(age);
        GameObject *ship_copy = player_get_known_object(me, OBJECT_SHIP, raider->id);
        EXPECT_NE(ship_copy, nullptr);
        return ship_copy;
    }
};

TEST_F(DefendSector, AFleetSeenADayAgoCountsAndOneMinuteOlderDoesNot) {
    struct Case {
        int64_t age;
        bool counted;
    } cases[] = {{0, true}, {1440, true}, {1441, false}};
    int32_t cx = 1000;
    for (const Case &c : cases) {
        AgentTask *defence = nullptr;
        Sector *target = new_home(cx += 200, &defence);
        incoming(target, c.age, 3);
        evaluate(defence);
        if (c.counted) EXPECT_GT(defence->needed, 1) << c.age << " minutes";
        else EXPECT_EQ(defence->needed, 1) << c.age << " minutes: no threat, one ship more than assigned";
    }
}

TEST_F(DefendSector, LateArrivalsWeighLess) {
    struct Case {
        int32_t days, speed, num, den;
    } cases[] = {{8, 10, 1, 1},  {9, 10, 3, 4},  {14, 10, 3, 4}, {15, 10, 1, 2},
                 {21, 10, 1, 2}, {22, 10, 1, 3}, {2, 0, 1, 3}};
    int32_t cx = 1000;
    for (const Case &c : cases) {
        AgentTask *defence = nullptr;
        Sector *target = new_home(cx += 200, &defence);
        const int32_t s = ship_estimated_strength(incoming(target, 0, c.days, c.speed));
        ASSERT_GT(s, 12);
        evaluate(defence);
        EXPECT_EQ(defence->needed, s * c.num / c.den * 4 / 3) << c.days << " days at " << c.speed;
    }
}

TEST_F(DefendSector, AnEnemyWithinAWeekDoublesTheUrgency) {
    AgentTask *week = nullptr, *later = nullptr;
    Sector *a = new_home(1200, &week);
    Sector *b = new_home(1600, &later);
    incoming(a, 0, 7);
    incoming(b, 0, 8);
    EXPECT_EQ(evaluate(week), 2 * evaluate(later));
    EXPECT_EQ(week->needed, later->needed) << "both arrive at full strength";
}

TEST_F(DefendSector, FinishedWhenAStrangerComesInOrTheSectorChangesHands) {
    EXPECT_FALSE(agent_task_check_done(t, ai, me));
    Ship *visitor = ship_in(home, rival);
    EXPECT_TRUE(agent_task_check_done(t, ai, me));
    ship_set_sector(visitor, nullptr);
    t->flags &= ~TASK_DONE;
    EXPECT_FALSE(agent_task_check_done(t, ai, me));
    home->owner_id = aitest::RIVAL;
    EXPECT_TRUE(agent_task_check_done(t, ai, me));
}

TEST_F(DefendSector, ShipsAlreadyThereOrHeadingThereGetNoOrder) {
    Sector *away = sector_centred(ME, 100, 100);
    Fleet *inbound = fleet_at(me, 200, 200);
    fleet_set_move_target(inbound, home);
    Fleet *elsewhere = fleet_at(me, 300, 300);
    fleet_set_move_target(elsewhere, away);
    Ship *there = ship_in(home, me), *coming = ship_in(inbound, me), *lost = ship_in(elsewhere, me),
         *idle = ship_in(away, me);
    for (Ship *s : {there, coming, lost, idle}) assign(t, s);
    agent_task_act(t, ai, me);
    EXPECT_EQ(move_target(there), 0u);
    EXPECT_EQ(move_target(coming), 0u);
    EXPECT_EQ(move_target(lost), home->id);
    EXPECT_EQ(move_target(idle), home->id);
}

// ---- Link, relink, save ----

TEST_F(SectorTasks, TheTargetIsHeldLinkedAgainAfterALoadAndReportedWhenMissing) {
    Sector *s = sector_centred(0, 300, 300);
    add_site(s, 6, 0);
    const int32_t refs = s->refcount;
    AgentTask *gather = agent_task_create(TASK_GATHER_FEATURE, 0, s->id);
    EXPECT_EQ(s->refcount, refs + 1);
    EXPECT_EQ(gather->flags, TASK_DISTANCE_BONUS | TASK_PATH_DANGER);
    const int32_t kind = static_cast<AgentTaskData *>(gather)->feature_kind;
    std::string text;
    agent_task_describe(gather, ai, &text);
    EXPECT_EQ(text, ", target #" + std::to_string(s->id) + " \"" + object_get_name(s) + "\", feature type " +
                        std::to_string(kind));
    Buffer buf;
    ASSERT_EQ(agent_task_write(gather, &buf), RES_OK);
    agent_task_free(gather);
    EXPECT_EQ(s->refcount, refs);
    AgentTask *back = nullptr;
    ASSERT_EQ(agent_task_read(&back, &buf), RES_OK);
    EXPECT_EQ(static_cast<AgentTaskData *>(back)->feature_kind, kind);
    EXPECT_EQ(agent_task_relink(back), RES_OK);
    EXPECT_EQ(s->refcount, refs + 1);
    back->target_id = 0xDEAD;
    EXPECT_EQ(agent_task_relink(back), RES_UNRESOLVED_ID);
    back->target_id = 0;
    EXPECT_EQ(agent_task_relink(back), RES_OK);
    agent_task_free(back);
    EXPECT_EQ(s->refcount, refs);

    AgentTask *lost = agent_task_create(TASK_DEFEND_SECTOR, 0, 0xDEAD);
    EXPECT_EQ(lost->flags, 0u) << "a target that cannot be found sets no flags";
    EXPECT_TRUE(agent_task_check_done(lost, ai, me));
    agent_task_free(lost);
}

// The AI's six words in a ship keep apart; a save keeps the three task ids and drops the scratch.
TEST_F(SectorTasks, TheAisWordsInAShipKeepApartAndOnlyTheTaskIdsAreSaved) {
    Ship *s = ship_in(sector_centred(ME, 100, 100), me);
    for (int32_t w = 0; w < AI_SHIP_WORDS; ++w) ai_ship_set_word(s, AiShipWord(w), 0x1111111111111111ull * uint64_t(w + 1));
    for (int32_t w = 0; w < AI_SHIP_WORDS; ++w)
        EXPECT_EQ(ai_ship_word(s, AiShipWord(w)), 0x1111111111111111ull * uint64_t(w + 1)) << w;
    EXPECT_EQ(ai_ship_word(game_find_object(game_get(), s->sector_id), AI_SHIP_GALAXY_TASK), 0u) << "a sector has no AI words";
    Buffer buf;
    ASSERT_EQ(object_write(s, &buf), RES_OK);
    GameObject *back = nullptr;
    ASSERT_EQ(object_read(&back, &buf), RES_OK);
    for (int32_t w = 0; w < AI_SHIP_WORDS; ++w)
        EXPECT_EQ(ai_ship_word(back, AiShipWord(w)), w < 3 ? 0x1111111111111111ull * uint64_t(w + 1) : 0u) << w;
    object_add_ref(back);
    object_release(back);
}

}  // namespace
