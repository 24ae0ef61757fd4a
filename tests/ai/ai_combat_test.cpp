// The combat command on a real battle: the tasks planning makes, the option counts of the combat task
// types, the retreat options' limits, the plan's hand-over from planning to acting and the act of each
// step code, and targets whose ids pass 32 bits.
#include "ai_combat_fixture.h"

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include "ai/system_ai.h"

using namespace aitest;

namespace {

// ---- Planning ----

class CombatPlan : public Battle {};

TEST_F(CombatPlan, TheSearchMakesItsPassesForTheShipCount) {
    const struct { int32_t ships, passes; } cases[] = {{0, 80}, {1, 85}, {2, 90}, {43, 295}, {44, 300}, {500, 300}};
    for (const auto &c : cases) EXPECT_EQ(ai_combat_pass_count(c.ships), c.passes) << c.ships << " ships";
}

TEST_F(CombatPlan, EveryEnemyShipGetsTwoAttacksAndAScanAndEveryOwnShipARetreat) {
    Ship *a = lancer(RED, 400, 400, 90);
    Ship *b = lancer(RED, 400, 700, 90);
    Ship *e = lancer(BLUE, 1200, 500, 270);
    AiPlayer *ai = red->commander_ai;
    ai_plan_ship(red, a);
    EXPECT_TRUE(ai->flags & AI_FLAG_PLAN_MADE);
    EXPECT_FALSE(ai->flags & AI_FLAG_NEW_ENCOUNTER) << "the initial assignment ran";
    EXPECT_NE(ai_find_task(ai, TASK_ATTACK_SHIP, 0, e->id, AI_MATCH_TYPE | AI_MATCH_SUBTYPE | AI_MATCH_TARGET), nullptr);
    EXPECT_NE(ai_find_task(ai, TASK_ATTACK_SHIP, 1, e->id, AI_MATCH_TYPE | AI_MATCH_SUBTYPE | AI_MATCH_TARGET), nullptr);
    EXPECT_NE(ai_find_task(ai, TASK_SCAN_SHIP, 0, e->id, AI_MATCH_TYPE | AI_MATCH_TARGET), nullptr);
    for (Ship *own : {a, b})
        EXPECT_NE(ai_find_task(ai, TASK_RETREAT_SHIP, 0, own->id, AI_MATCH_TYPE | AI_MATCH_TARGET), nullptr);
    EXPECT_EQ(ai_task_count(ai), 5);
    EXPECT_EQ(ai->ship_count, 2);
    EXPECT_NE(ai_ship_word(a, AI_SHIP_COMBAT_TASK), 0u) << "the actor has a task";
    ai_plan_ship(red, a);
    EXPECT_EQ(ai_task_count(ai), 5) << "a plan already made is not made again before the act";
}

TEST_F(CombatPlan, TheGuardiansAndShipsThatCannotJumpGetNoRetreat) {
    Ship *a = lancer(RED, 400, 400, 90);
    Ship *fixed = lancer(RED, 400, 800, 90);
    fixed->hull_flags |= HULL_FLAG_NO_JUMP;
    lancer(BLUE, 1200, 500, 270);
    ai_plan_ship(red, a);
    AiPlayer *ai = red->commander_ai;
    EXPECT_NE(ai_find_task(ai, TASK_RETREAT_SHIP, 0, a->id, AI_MATCH_TYPE | AI_MATCH_TARGET), nullptr);
    EXPECT_EQ(ai_find_task(ai, TASK_RETREAT_SHIP, 0, fixed->id, AI_MATCH_TYPE | AI_MATCH_TARGET), nullptr);

    game->sol_player_id = BLUE;
    Ship *guard = ships_of(map, BLUE).front();
    ai_plan_ship(blue, guard);
    EXPECT_EQ(ai_find_task(blue->commander_ai, TASK_RETREAT_SHIP, 0, 0, AI_MATCH_TYPE), nullptr);
}

TEST_F(CombatPlan, ATaskWhoseTargetDiedIsSweptAndItsShipsFreed) {
    Ship *a = lancer(RED, 400, 400, 90);
    Ship *e = lancer(BLUE, 1200, 500, 270);
    AiPlayer *ai = red->commander_ai;
    ai_plan_ship(red, a);
    AgentTask *attack = ai_find_task(ai, TASK_ATTACK_SHIP, 0, e->id, AI_MATCH_TYPE | AI_MATCH_SUBTYPE | AI_MATCH_TARGET);
    ASSERT_NE(attack, nullptr);
    const uint64_t attack_id = attack->id;
    ai_ship_set_word(a, AI_SHIP_COMBAT_TASK, attack_id);
    e->flags |= OBJ_DEAD;
    ai_act_ship(red, a);
    EXPECT_EQ(ai_get_task(ai, attack_id), nullptr);
    EXPECT_EQ(ai_ship_word(a, AI_SHIP_COMBAT_TASK), 0u);
    EXPECT_FALSE(ai->flags & AI_FLAG_PLAN_MADE);
}

// ---- The assignment search ----

// A mixed squadron against a mixed enemy, planned ship after ship over several rounds from a fixed
// seed: which task each ship ends on, what plan the actor keeps and how many draws the planning took
// are pinned, so that work on the search's speed cannot change a single decision.
class CombatSearch : public Battle {
protected:
    std::vector<Ship *> own, enemy;

    void SetUp() override {
        Battle::SetUp();
        own = {lancer(RED, 400, 400, 90), lancer(RED, 420, 800, 90), lancer(RED, 300, 1200, 45),
               lancer(RED, 700, 600, 90), lancer(RED, 500, 1500, 135)};
        enemy = {lancer(BLUE, 900, 500, 270), lancer(BLUE, 1000, 900, 270), lancer(BLUE, 800, 1400, 300),
                 lancer(BLUE, 1400, 700, 250)};
        for (Ship *s : own) ASSERT_NE(s, nullptr);
        for (Ship *s : enemy) ASSERT_NE(s, nullptr);
        // A scout with no weapons (it can only scan), a ship with one beam, an enemy without armour.
        for (int32_t crit : {LANCER_FORE, LANCER_PORT, LANCER_STARBOARD})
            ASSERT_EQ(ship_set_crit_system(own[3], crit, nullptr), RES_OK);
        for (int32_t crit : {LANCER_PORT, LANCER_STARBOARD}) ASSERT_EQ(ship_set_crit_system(own[1], crit, nullptr), RES_OK);
        ASSERT_EQ(ship_set_crit_system(enemy[2], LANCER_ARMOUR, nullptr), RES_OK);
        for (Ship *s : {own[1], own[3], enemy[2]}) ship_recompute_stats(s);
    }

    // "type/subtype/target" of the ship's combat task, the target given as E<i> or O<i>.
    std::string task_name(Ship *s) {
        const AgentTask *t = ai_get_task(red->commander_ai, ai_ship_word(s, AI_SHIP_COMBAT_TASK));
        if (!t) return "-";
        std::string target = "?";
        for (size_t i = 0; i < enemy.size(); ++i)
            if (enemy[i]->id == t->target_id) target = "E" + std::to_string(i);
        for (size_t i = 0; i < own.size(); ++i)
            if (own[i]->id == t->target_id) target = "O" + std::to_string(i);
        return std::to_string(t->type) + "/" + std::to_string(t->subtype) + "/" + target;
    }

    // One turn of the actor: the plan, the tasks of the whole squadron, the plan's steps and score,
    // then the act of its first step.
    std::string turn_line(Ship *actor) {
        AiPlayer *ai = red->commander_ai;
        object_begin_turn(actor);
        ai_plan_ship(red, actor);
        std::string line;
        for (Ship *s : own) line += task_name(s) + " ";
        line += "|";
        if (ai->flags & AI_FLAG_PLAN_RUNNING) {
            line += " score " + std::to_string(ai->plan[AI_OPT_SCORE]) + " option " + std::to_string(ai->plan[AI_OPT_INDEX]);
            for (int32_t s = 0; s < ai->plan[AI_OPT_STEPS]; ++s) line += " " + std::to_string(ai->plan[AI_OPT_CODE + s]);
        }
        ai_act_ship(red, actor);
        line += " at " + std::to_string(actor->x) + "," + std::to_string(actor->y);
        return line;
    }
};

// Odd rounds resolve at once, so that both sources of draws are covered and the moves land.
TEST_F(CombatSearch, AFixedBattlePlansTheSameTasksAndOptionsWithTheSameDraws) {
    std::vector<std::string> lines;
    for (int32_t round = 0; round < 4; ++round) {
        if (round % 2) game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
        else game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
        for (Ship *actor : own) lines.push_back(turn_line(actor));
    }
    game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
    std::string trace;
    uint32_t digest = 2166136261u;
    for (const std::string &l : lines) {
        trace += l + "\n";
        for (unsigned char c : l + "\n") digest = (digest ^ c) * 16777619u;
    }
    EXPECT_EQ(lines.front(), "6/1/E2 6/0/E3 6/1/E3 7/0/E0 7/0/E3 | score 8 option 0 -3 -1 at 400,400") << trace;
    EXPECT_EQ(digest, 364533888u) << trace;
    EXPECT_EQ(random_u32(), 4168225748u) << "the planning drew as many quick numbers as before";
    EXPECT_EQ(rng_next(game->generators[GAME_GENERATOR_RESOLVE]), 3528226567u) << "and as many of the battle's";
}

// After every plan the tasks stand as the search left them for the act: each ship on a task it can
// serve, every task's assignees exactly the ships that hold it, and every task's figures those of a
// fresh evaluation of those assignees (nothing of a pass's trial lists is left over, and a task gets
// the figures it started the search with back only when it ends with the very list it started with).
// Each ship holds one reference for each task that lists it, on top of what the rest of the battle holds.
TEST_F(CombatSearch, AfterEachPlanTheTasksHoldTheirShipsAndFreshFigures) {
    AiPlayer *ai = red->commander_ai;
    auto all_tasks = [&] {
        std::vector<AgentTask *> tasks;
        HashMapIter<AgentTask> iter;
        hash_map_iter_init(&iter, ai->tasks);
        AgentTask *t = nullptr;
        while (hash_map_iter_next(&iter, nullptr, &t))
            if (t) tasks.push_back(t);
        return tasks;
    };
    auto others = [&](Ship *s) {   // the references not held by tasks
        int32_t refs = s->refcount;
        for (AgentTask *t : all_tasks()) refs -= int32_t(std::count(t->assignees.items.begin(), t->assignees.items.end(), s));
        return refs;
    };
    std::vector<int32_t> held_elsewhere;   // from the first plan on, which made the tasks
    for (int32_t round = 0; round < 2; ++round)
        for (Ship *actor : own) {
            object_begin_turn(actor);
            ai_plan_ship(red, actor);
            if (held_elsewhere.empty())
                for (Ship *s : own) held_elsewhere.push_back(others(s));
            for (size_t i = 0; i < own.size(); ++i)
                EXPECT_EQ(others(own[i]), held_elsewhere[i]) << "references of ship " << i << " after a plan of " << task_name(actor);
            for (Ship *s : own) {
                AgentTask *t = ai_get_task(ai, ai_ship_word(s, AI_SHIP_COMBAT_TASK));
                if (!t) continue;
                EXPECT_NE(agent_task_ship_utility(t, s), 0) << task_name(s) << " held by a ship that cannot serve it";
                EXPECT_NE(agent_task_find_assignee(t, s->id), nullptr) << task_name(s) << " does not list its ship";
            }
            std::vector<AgentTask *> tasks;
            for (Ship *s : own)
                if (AgentTask *t = ai_get_task(ai, ai_ship_word(s, AI_SHIP_COMBAT_TASK)))
                    if (std::find(tasks.begin(), tasks.end(), t) == tasks.end()) tasks.push_back(t);
            int32_t listed = 0;
            for (AgentTask *t : tasks) listed += agent_task_assignee_count(t);
            int32_t holding = 0;
            for (Ship *s : own) holding += ai_get_task(ai, ai_ship_word(s, AI_SHIP_COMBAT_TASK)) != nullptr;
            EXPECT_EQ(listed, holding) << "no ship is listed by a task it does not hold";
            for (AgentTask *t : all_tasks()) {
                auto figures = [t] {
                    return std::vector<int32_t>{t->priority, t->assigned, t->needed, t->utility, t->assignee_value,
                                                t->assignee_strength, t->priority_bonus, int32_t(t->flags & TASK_BLOCKED)};
                };
                const std::vector<int32_t> before = figures();
                agent_task_evaluate(t, ai, red, 1);
                EXPECT_EQ(figures(), before) << agent_task_type_name(int32_t(t->type)) << " with " << agent_task_assignee_count(t)
                                             << " ships (priority, assigned, needed, utility, value, strength, bonus, blocked)";
            }
            ai_act_ship(red, actor);
        }
}

// A search takes the figures the commander's earlier searches found for each list whose task and ships
// read the same as when it was evaluated. Over plans between which ships of both sides move (at once)
// and fire, scan costs, pilots and weapons change and enemies lose armour (which their snapshots take
// at the next plan), every list the commander keeps for its next search has the figures of a fresh
// evaluation of it right after the plan, those of searches before the last included.
TEST_F(CombatSearch, EveryListOfASearchHasTheFiguresOfAFreshEvaluation) {
    AiPlayer *ai = red->commander_ai;
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;   // the moves land at once
    size_t taken = 0, made = 0, older = 0;
    for (int32_t round = 0; round < 3; ++round)
        for (size_t a = 0; a < own.size(); ++a) {
            Ship *changed = own[(a + size_t(round)) % own.size()];
            changed->scan_cost += 1;
            changed->pilot_id = 9000 + a;
            changed->pilot_rank = int32_t(1 + a % 3);
            if (round == 2 && a == 0) {   // the first ship loses its weapons
                for (int32_t crit : {LANCER_FORE, LANCER_PORT, LANCER_STARBOARD})
                    ASSERT_EQ(ship_set_crit_system(own[0], crit, nullptr), RES_OK);
                ship_recompute_stats(own[0]);
            }
            ship_add_armour(enemy[(a + size_t(round)) % enemy.size()], -3);
            object_begin_turn(own[a]);
            ai_plan_ship(red, own[a]);
            ai_combat_each_kept_list(ai, [&](const AiKeptList &l) {
                ASSERT_NE(l.task, nullptr);
                std::vector<GameObject *> held(l.task->assignees.items.begin(), l.task->assignees.items.end());
                for (GameObject *obj : held) object_add_ref(obj);
                agent_task_clear_assignees(l.task);
                for (Ship *s : l.ships) agent_task_add_assignee(l.task, s);
                agent_task_evaluate(l.task, ai, red, 1);
                EXPECT_EQ((std::array{l.task->priority, l.task->assigned, l.task->needed}),
                          (std::array{l.priority, l.assigned, l.needed}))
                    << agent_task_type_name(int32_t(l.task->type)) << " with " << l.ships.size() << " ships, "
                    << (l.age ? "taken over" : "evaluated") << ", plan " << round << "/" << a;
                agent_task_clear_assignees(l.task);
                for (GameObject *obj : held) {
                    agent_task_add_assignee(l.task, obj);
                    object_release(obj);
                }
                agent_task_evaluate(l.task, ai, red, 1);
                ++(l.age ? taken : made);
                older += l.age >= 2;
            });
            ai_act_ship(red, own[a]);
            Ship *other = enemy[(a + size_t(round)) % enemy.size()];   // the targets move too
            object_begin_turn(other);
            ai_plan_ship(blue, other);
            ai_act_ship(blue, other);
        }
    game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
    EXPECT_GT(taken, 300u) << "lists taken over from searches before";
    EXPECT_GT(made, 300u);
    EXPECT_GT(older, 100u) << "lists taken over from searches before the one before; made " << made << ", taken " << taken;
}

// Seasoned pilots make each ship worth more than the unarmoured enemy's primary attack needs, and
// every ship starts on that attack: the passes keep it for ship after ship, so that a task that
// filled fills again. The plans and draws are pinned as above.
TEST_F(CombatSearch, ATaskKeptByShipAfterShipFillsAgainWithTheSameDraws) {
    AiPlayer *ai = red->commander_ai;
    for (size_t i = 0; i < own.size(); ++i) {
        own[i]->pilot_id = 9000 + i;
        own[i]->pilot_rank = int32_t(4 + i % 3);
    }
    ai_plan_ship(red, own[0]);
    ai_act_ship(red, own[0]);
    AgentTask *weak = ai_find_task(ai, TASK_ATTACK_SHIP, 0, enemy[2]->id, AI_MATCH_TYPE | AI_MATCH_SUBTYPE | AI_MATCH_TARGET);
    ASSERT_NE(weak, nullptr);
    agent_task_clear_assignees(weak);
    agent_task_add_assignee(weak, own[0]);
    agent_task_evaluate(weak, ai, red, 1);
    ASSERT_GE(weak->assigned, weak->needed) << "one ship fills the attack";
    std::string trace;
    for (int32_t round = 0; round < 3; ++round) {
        for (Ship *s : own) ai_ship_set_word(s, AI_SHIP_COMBAT_TASK, weak->id);
        if (round % 2) game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
        else game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
        for (Ship *actor : own) trace += turn_line(actor) + "\n";
    }
    game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
    uint32_t digest = 2166136261u;
    for (unsigned char c : trace) digest = (digest ^ c) * 16777619u;
    EXPECT_EQ(digest, 865784490u) << trace;
    EXPECT_EQ(random_u32(), 3829942547u) << "the planning drew as many quick numbers as before";
    EXPECT_EQ(rng_next(game->generators[GAME_GENERATOR_RESOLVE]), 1434357064u) << "and as many of the battle's";
}

// The evaluation memo the assignment opens: with it open over every task of the battle and many
// assignee lists (one ship, two in both orders, all that fit), each evaluation gives exactly the
// figures a fresh one gives once it is closed. Ships of unequal value and strength at unequal
// distances from targets at unequal places, so that a memo keyed on less than the object (for the
// value and strength) or the target id (for the target's place) shows.
TEST_F(CombatSearch, AnOpenEvaluationMemoGivesTheFiguresOfAFreshEvaluation) {
    AiPlayer *ai = red->commander_ai;
    ai_plan_ship(red, own[0]);
    EXPECT_EQ(ai->task_memo, nullptr) << "the assignment closed its memo";
    ASSERT_NE(ai->listed, nullptr);
    std::vector<AgentTask *> tasks(ai->listed->items.begin(), ai->listed->items.end());
    ASSERT_GE(tasks.size(), 12u);
    std::vector<std::vector<Ship *>> lists;
    for (Ship *a : own) lists.push_back({a});
    for (size_t i = 0; i + 1 < own.size(); ++i) {
        lists.push_back({own[i], own[i + 1]});
        lists.push_back({own[i + 1], own[i]});
    }
    lists.push_back(own);
    struct Figures {
        int32_t priority, assigned, needed, utility, value, strength;
        bool operator==(const Figures &) const = default;
    };
    auto evaluate = [&](AgentTask *t, const std::vector<Ship *> &list) {
        agent_task_clear_assignees(t);
        for (Ship *s : list)
            if (agent_task_ship_utility(t, s) != 0) agent_task_add_assignee(t, s);
        agent_task_evaluate(t, ai, red, 1);
        return Figures{t->priority, t->assigned, t->needed, t->utility, t->assignee_value, t->assignee_strength};
    };
    std::vector<Figures> memoised;
    AgentTaskMemo memo;
    agent_task_memo_open(ai, &memo);
    for (AgentTask *t : tasks)
        for (const std::vector<Ship *> &list : lists) memoised.push_back(evaluate(t, list));
    agent_task_memo_close(ai);
    size_t k = 0;
    std::set<int32_t> priorities, values;
    for (AgentTask *t : tasks)
        for (const std::vector<Ship *> &list : lists) {
            const Figures fresh = evaluate(t, list);
            EXPECT_TRUE(memoised[k] == fresh) << agent_task_type_name(int32_t(t->type)) << " list " << k % lists.size()
                                              << ": priority " << memoised[k].priority << " fresh " << fresh.priority
                                              << ", value " << memoised[k].value << " fresh " << fresh.value;
            priorities.insert(fresh.priority);
            values.insert(fresh.value);
            ++k;
        }
    EXPECT_GE(priorities.size(), 8u) << "the case tells the tasks and lists apart";
    EXPECT_GE(values.size(), 4u);
}

// The snapshots an open memo hands the task types: for each id exactly the snapshot the player's
// known map holds (none for its own ships or ids nobody has), asked twice and in both orders of two
// players, so that a memo keyed on less than the id, or one that answers a second player from the
// first one's snapshots, shows.
TEST_F(CombatSearch, AnOpenMemoHandsEachPlayerItsOwnSnapshotOfEachId) {
    AiPlayer *ai = red->commander_ai;
    ai_plan_ship(red, own[0]);
    std::vector<uint64_t> ids;
    for (Ship *s : enemy) ids.push_back(s->id);
    for (Ship *s : own) ids.push_back(s->id);
    // More ids than the memo has slots: neighbours share slots, and the last ones find the table full.
    for (uint64_t id = 1; id <= AgentTaskMemo::SLOTS + 40; ++id) ids.push_back(id * 0x10001ull);
    struct Case { Player *first, *second; };
    for (const Case &c : {Case{red, blue}, Case{blue, red}}) {
        AgentTaskMemo memo;
        agent_task_memo_open(ai, &memo);
        std::vector<GameObject *> got;
        for (int32_t round = 0; round < 2; ++round)
            for (Player *p : {c.first, c.second})
                for (uint64_t id : ids) got.push_back(agent_task_known_object(ai, p, id));
        agent_task_memo_close(ai);
        size_t k = 0, found = 0;
        for (int32_t round = 0; round < 2; ++round)
            for (Player *p : {c.first, c.second})
                for (uint64_t id : ids) {
                    GameObject *fresh = player_known_object_by_id(p, id);
                    EXPECT_EQ(got[k], fresh) << "player " << p->id << " id " << id << " round " << round;
                    EXPECT_EQ(agent_task_known_object(ai, p, id), fresh) << "closed memo, id " << id;
                    found += fresh != nullptr;
                    ++k;
                }
        EXPECT_EQ(found, 2 * (enemy.size() + own.size())) << "each side knows the other's ships only";
    }
}

// A primary attack counts the value of every live assignee as assigned, also those behind a null
// item (one nulled during a walk), which the sum of the assignees' figures stops at.
TEST_F(CombatSearch, AnAttackCountsTheShipsBehindANullItemAsAssigned) {
    AiPlayer *ai = red->commander_ai;
    ai_plan_ship(red, own[0]);
    AgentTask *t = ai_find_task(ai, TASK_ATTACK_SHIP, 0, enemy[0]->id, AI_MATCH_TYPE | AI_MATCH_SUBTYPE | AI_MATCH_TARGET);
    ASSERT_NE(t, nullptr);
    auto assigned_of = [&](const std::vector<Ship *> &list) {
        agent_task_clear_assignees(t);
        for (Ship *s : list) agent_task_add_assignee(t, s);
        agent_task_evaluate(t, ai, red, 1);
        return t->assigned;
    };
    const int32_t first = assigned_of({own[0]});
    const int32_t both = assigned_of({own[0], own[2]});
    ASSERT_GT(both, first);
    for (const bool memo_open : {false, true}) {
        AgentTaskMemo memo;
        if (memo_open) agent_task_memo_open(ai, &memo);
        agent_task_clear_assignees(t);
        for (Ship *s : {own[0], own[1], own[2]}) agent_task_add_assignee(t, s);
        ASSERT_EQ(list_null_value(&t->assignees, static_cast<GameObject *>(own[1])), 1);
        agent_task_evaluate(t, ai, red, 1);
        EXPECT_EQ(t->assigned, both) << (memo_open ? "memo open" : "memo closed");
        list_set(&t->assignees, 1, static_cast<GameObject *>(own[1]));   // back, so that the clear releases all three
        agent_task_clear_assignees(t);
        if (memo_open) agent_task_memo_close(ai);
    }
}

// A ship hemmed in by a ring of others finds no room for most of its manoeuvres; the option search
// remembers the turns and moves that failed from a spot and does not try them again. Its plans and
// draws over several turns are pinned as above.
TEST_F(Battle, AHemmedInShipPlansTheSameOptionsWithTheSameDraws) {
    Ship *a = lancer(RED, 1000, 1000, 0);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(ring_round(a, [](int32_t dx, int32_t dy) { return dx + dy > 0 ? BLUE : RED; }), 8);
    AiPlayer *ai = red->commander_ai;
    std::string trace;
    for (int32_t turn = 0; turn < 6; ++turn) {
        if (turn % 2) game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
        else game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
        object_begin_turn(a);
        ai_plan_ship(red, a);
        const AgentTask *task = ai_get_task(ai, ai_ship_word(a, AI_SHIP_COMBAT_TASK));
        trace += task ? std::to_string(task->type) + "/" + std::to_string(task->subtype) : "-";
        if (ai->flags & AI_FLAG_PLAN_RUNNING) {
            trace += " score " + std::to_string(ai->plan[AI_OPT_SCORE]) + " option " + std::to_string(ai->plan[AI_OPT_INDEX]);
            for (int32_t s = 0; s < ai->plan[AI_OPT_STEPS]; ++s) trace += " " + std::to_string(ai->plan[AI_OPT_CODE + s]);
        }
        ai_act_ship(red, a);
        trace += " at " + std::to_string(a->x) + "," + std::to_string(a->y) + " heading " + std::to_string(a->heading) + "\n";
    }
    game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
    EXPECT_EQ(trace,
              "7/0 score 2751 option 0 -2 at 1000,1000 heading 0\n"
              "6/1 score 615 option 1773 2 at 1000,1000 heading 0\n"
              "6/1 score 643 option 130 -1 0 at 1000,1000 heading 0\n"
              "6/1 score 643 option 130 -1 0 at 1000,1000 heading 0\n"
              "6/1 score 606 option 757 0 at 1000,1000 heading 0\n"
              "6/1 score 606 option 757 0 at 1000,1000 heading 0\n");
    EXPECT_EQ(random_u32(), 318779454u) << "the option searches drew as many quick numbers as before";
    EXPECT_EQ(rng_next(game->generators[GAME_GENERATOR_RESOLVE]), 3584972339u) << "and as many of the battle's";
}

// A score asked for one commander's option after another commander's search began weighs the
// first commander's own enemies and ship, as it does right after its own search began.
TEST_F(Battle, AScoreAfterAnotherCommandersSearchWeighsItsOwnSide) {
    Ship *a = lancer(RED, 400, 400, 90);
    Ship *e = lancer(BLUE, 700, 450, 270);
    lancer(BLUE, 800, 700, 200);
    ai_plan_ship(red, a);
    ai_plan_ship(blue, e);
    AgentTask *mine = agent_task_create(TASK_ATTACK_SHIP, 0, e->id);
    AgentTask *theirs = agent_task_create(TASK_ATTACK_SHIP, 0, a->id);
    ASSERT_NE(mine, nullptr);
    ASSERT_NE(theirs, nullptr);
    agent_task_combat_begin(mine, red->commander_ai, a);
    const AgentTaskData *d = static_cast<AgentTaskData *>(mine);
    int32_t checked = 0;
    for (int32_t j : {0, 500, 757, 1200}) {
        agent_task_combat_begin(mine, red->commander_ai, a);
        a->option = ShipPlan{};
        ASSERT_EQ(agent_task_combat_next_option(mine, red->commander_ai, a, d->system_options + j), 0);
        if (a->option.step_count < 1) continue;
        const ShipPlan option = a->option;
        const int32_t own = agent_task_combat_score(mine, red->commander_ai, a);
        agent_task_combat_begin(theirs, blue->commander_ai, e);
        a->option = option;
        EXPECT_EQ(agent_task_combat_score(mine, red->commander_ai, a), own) << "manoeuvre " << j;
        ++checked;
    }
    EXPECT_GT(checked, 0);
    agent_task_free(mine);
    agent_task_free(theirs);
}

// ---- Options of the combat task types ----

class CombatOptions : public Battle {};

TEST_F(CombatOptions, EachTypeOffersItsSystemsThenItsOwnOptionsAndStopsAfterTheLast) {
    Ship *a = lancer(RED, 400, 400, 90);
    Ship *e = lancer(BLUE, 900, 420, 270);
    ai_plan_ship(red, a);   // fills the snapshot list
    int32_t systems = 0;
    for (int32_t c = 0; c < a->crit_count; ++c)
        if (System *s = a->crits[c].system) systems += system_ai_candidate_count(s, red->commander_ai, a, a->heading);
    ASSERT_GT(systems, 0) << "the beams offer candidates";
    const struct { int32_t type; uint64_t target; int32_t own_options; bool with_systems; } cases[] = {
        {TASK_ATTACK_SHIP, e->id, 1514, true},
        {TASK_SCAN_SHIP, e->id, 1283, false},
        {TASK_RETREAT_SHIP, a->id, 1, true},
    };
    for (const auto &c : cases) {
        AgentTask *task = agent_task_create(c.type, 0, c.target);
        ASSERT_NE(task, nullptr);
        agent_task_combat_begin(task, red->commander_ai, a);
        const AgentTaskData *d = static_cast<AgentTaskData *>(task);
        const int32_t total = (c.with_systems ? systems : 0) + c.own_options;
        EXPECT_EQ(d->option_total, total) << agent_task_type_name(c.type);
        int32_t built = 0;
        for (int32_t k = 0; k < total; ++k) {
            a->option = ShipPlan{};
            ASSERT_EQ(agent_task_combat_next_option(task, red->commander_ai, a, k), 0)
                << agent_task_type_name(c.type) << " option " << k;
            EXPECT_LE(a->option.step_count, SHIP_PLAN_STEPS);
            built += a->option.step_count > 0;
        }
        EXPECT_NE(agent_task_combat_next_option(task, red->commander_ai, a, total), 0)
            << agent_task_type_name(c.type) << ": nothing past the last option";
        EXPECT_GT(built, 0) << agent_task_type_name(c.type);
        agent_task_free(task);
    }
}

TEST_F(CombatOptions, AShipWithoutMovementPointsOnlyEndsItsTurnAmongTheManoeuvres) {
    Ship *a = lancer(RED, 400, 400, 90);
    Ship *e = lancer(BLUE, 900, 420, 270);
    ai_plan_ship(red, a);
    a->mp = 0;
    a->ap = 0;   // below the cheapest use: every manoeuvre ends the turn
    AgentTask *task = agent_task_create(TASK_ATTACK_SHIP, 0, e->id);
    agent_task_combat_begin(task, red->commander_ai, a);
    const AgentTaskData *d = static_cast<AgentTaskData *>(task);
    ASSERT_GE(d->cheapest_cost, 1);
    for (int32_t j : {0, 378, 379, 900, 1512, 1513}) {
        a->option = ShipPlan{};
        ASSERT_EQ(agent_task_combat_next_option(task, red->commander_ai, a, d->system_options + j), 0);
        ASSERT_EQ(a->option.step_count, 1) << "manoeuvre " << j;
        EXPECT_EQ(a->option.steps[0].code, PLAN_NONE) << "manoeuvre " << j;
        EXPECT_EQ(a->option.steps[0].x, a->x);
    }
    agent_task_free(task);
}

TEST_F(CombatOptions, ARetreatNeverPassesEightStepsAndClosesWithTheRetreatWhenThereIsRoom) {
    Ship *a = lancer(RED, 400, 400, 0);
    lancer(BLUE, 560, 420, 180);
    lancer(BLUE, 540, 300, 180);
    ai_plan_ship(red, a);
    AgentTask *task = agent_task_create(TASK_RETREAT_SHIP, 0, a->id);
    agent_task_combat_begin(task, red->commander_ai, a);
    const AgentTaskData *d = static_cast<AgentTaskData *>(task);
    int32_t closed = 0, fired = 0;
    for (int32_t k = 0; k <= d->system_options; ++k) {
        a->option = ShipPlan{};
        ASSERT_EQ(agent_task_combat_next_option(task, red->commander_ai, a, k), 0) << k;
        const ShipPlan &p = a->option;
        ASSERT_LE(p.step_count, SHIP_PLAN_STEPS) << k;
        if (p.step_count == 0) continue;
        const bool ends_with_retreat = p.steps[p.step_count - 1].code == PLAN_END_EFFECTS;
        if (p.step_count <= SHIP_PLAN_STEPS - 1) { EXPECT_TRUE(ends_with_retreat) << k; }
        closed += ends_with_retreat;
        for (int32_t i = 0; i < p.step_count; ++i) fired += p.steps[i].code >= 0;
        if (ends_with_retreat) { EXPECT_GT(agent_task_combat_score(task, red->commander_ai, a), 300) << k; }
    }
    EXPECT_GT(closed, 1);
    EXPECT_GT(fired, 0) << "shots on the way out are offered";
    a->option = ShipPlan{};
    ASSERT_EQ(agent_task_combat_next_option(task, red->commander_ai, a, d->system_options), 0);
    ASSERT_EQ(a->option.step_count, 1);
    EXPECT_EQ(a->option.steps[0].code, PLAN_END_EFFECTS);
    agent_task_free(task);
}

// ---- Plan and act ----

class CombatAct : public Battle {
protected:
    // A commander holding a task for the ship and a plan of one step with the code.
    void one_step_plan(Ship *ship, int32_t code) {
        AiPlayer *ai = red->commander_ai;
        AgentTask *task = ai_add_task(ai, agent_task_create(TASK_RETREAT_SHIP, 0, ship->id));
        ASSERT_NE(task, nullptr);
        ai_ship_set_word(ship, AI_SHIP_COMBAT_TASK, task->id);
        std::fill(std::begin(ai->plan), std::end(ai->plan), 0);
        ai->plan[AI_OPT_STEPS] = 1;
        ai->plan[AI_OPT_CODE] = code;
        ai->plan_step = 0;
        ai->flags |= AI_FLAG_PLAN_RUNNING | AI_FLAG_PLAN_MADE;
        ai->plan_ship_id = ship->id;
    }
};

TEST_F(CombatAct, EachStepCodeEndsTheTurnOrKeepsItGoingAsItShould) {
    struct Case {
        const char *what;
        int32_t code;
        bool already_retreating;
        bool empty_fore;
        bool turn_ends, retreating;
        int32_t countdown_change;
    };
    const Case cases[] = {
        {"end the turn", PLAN_NONE, false, false, true, false, 0},
        {"begin the retreat", PLAN_END_EFFECTS, false, false, true, true, 0},
        {"retreat on", PLAN_END_EFFECTS, true, false, true, true, -1},
        {"past the last of five crits", 7, false, false, true, false, 0},
        {"an empty crit", LANCER_FORE, false, true, true, false, 0},
        {"far below the codes", -40, false, false, true, false, 0},
    };
    for (const Case &c : cases) {
        Ship *a = lancer(RED, 400, 400, 90);
        lancer(BLUE, 1600, 2000, 270);
        ASSERT_EQ(a->crit_count, 5);
        if (c.already_retreating) ship_begin_retreat(a);
        if (c.empty_fore) { ASSERT_EQ(ship_set_crit_system(a, LANCER_FORE, nullptr), RES_OK); }
        const int32_t ap = a->ap, countdown = a->retreat_countdown;
        one_step_plan(a, c.code);
        ai_act_ship(red, a);
        EXPECT_EQ((a->flags & OBJ_TURN_DONE) != 0, c.turn_ends) << c.what;
        EXPECT_EQ((a->ship_flags & SHIP_FLAG_RETREATING) != 0, c.retreating) << c.what;
        if (c.code >= 0 || c.code < PLAN_NONE) { EXPECT_EQ(a->ap, ap) << c.what << ": nothing fired"; }
        if (c.already_retreating) { EXPECT_EQ(a->retreat_countdown - countdown, c.countdown_change) << c.what; }
        EXPECT_FALSE(red->commander_ai->flags & AI_FLAG_PLAN_MADE) << c.what;
        ai_player_stop(red->commander_ai);
        map_clear(map);
    }
}

TEST_F(CombatAct, APlanIsCarriedOutStepByStepAndDroppedWhenTheActorChanges) {
    Ship *a = lancer(RED, 400, 400, 90);
    Ship *b = lancer(RED, 400, 900, 90);
    lancer(BLUE, 1400, 600, 270);
    AiPlayer *ai = red->commander_ai;
    ai_plan_ship(red, a);
    ASSERT_TRUE(ai->flags & AI_FLAG_PLAN_RUNNING) << "the actor's task offered a plan";
    EXPECT_EQ(ai->plan_step, 0);
    const int32_t steps = ai->plan[AI_OPT_STEPS];
    ASSERT_GE(steps, 1);
    ai_act_ship(red, a);
    if (steps >= 2 && !(a->flags & OBJ_TURN_DONE)) {
        ai_plan_ship(red, a);
        if (ai->flags & AI_FLAG_PLAN_RUNNING) { EXPECT_EQ(ai->plan_step, 1) << "the same plan goes on"; }
        ai_act_ship(red, a);
    }
    ai_plan_ship(red, b);
    EXPECT_EQ(ai->plan_ship_id, b->id);
    if (ai->flags & AI_FLAG_PLAN_RUNNING) { EXPECT_EQ(ai->plan_step, 0) << "a new actor starts a plan of its own"; }
}

// An attack on a ship far beyond the reach of the attacker's weapons, where the distance outweighs
// everything an option brings, still has the attacker close in, turn after turn: it would otherwise
// wait there for the whole battle while the enemy's guns, longer than its own, fire at it.
TEST_F(CombatAct, AnAttackerFarBeyondReachClosesInTurnAfterTurn) {
    Ship *a = lancer(RED, 300, 300, 90);
    Ship *e = lancer(BLUE, 3500, 2500, 270);
    player_learn_object(red, e, 1);   // scanned: an attack, not a scan, is what it is there for
    AiPlayer *ai = red->commander_ai;
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;   // the moves land as they are made
    const auto gap = [&] { return distance(e->x - a->x, e->y - a->y); };
    int32_t last = gap();
    for (int32_t turn = 0; turn < 3; ++turn) {
        object_begin_turn(a);
        for (int32_t step = 0; step < SHIP_PLAN_STEPS * 4 && !(a->flags & OBJ_TURN_DONE); ++step) {
            ai_plan_ship(red, a);
            const AgentTask *task = ai_get_task(ai, ai_ship_word(a, AI_SHIP_COMBAT_TASK));
            ASSERT_NE(task, nullptr);
            EXPECT_EQ(task->type, uint32_t(TASK_ATTACK_SHIP));
            EXPECT_EQ(task->target_id, e->id);
            ai_act_ship(red, a);
        }
        EXPECT_LT(gap(), last) << "turn " << turn << ": the attacker closed in";
        last = gap();
    }
    game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
}

// A target id above 32 bits would have been cut to its low word: the plan keeps the whole id.
TEST_F(CombatAct, APlannedShotReachesATargetWhoseIdPassesThirtyTwoBits) {
    game->next_id = 1000;   // no other object takes the decoy's id
    const uint64_t far_id = 0x500000007ull;
    Ship *a = lancer(RED, 400, 1000, 0);
    Ship *target = lancer(BLUE, 550, 1000, 180, far_id);
    Ship *decoy = lancer(RED, 2600, 2400, 180, far_id & 0xFFFFFFFFull);   // the id's low word
    ASSERT_EQ(target->id, far_id);
    AiPlayer *ai = red->commander_ai;
    int32_t fired_step = -1;
    for (int32_t round = 0; round < 20 && fired_step < 0; ++round) {
        ai->flags &= ~AI_FLAG_PLAN_MADE;
        ai_plan_ship(red, a);
        if (!(ai->flags & AI_FLAG_PLAN_RUNNING)) continue;
        for (int32_t s = 0; s < ai->plan[AI_OPT_STEPS]; ++s) {
            EXPECT_EQ(ai->plan[AI_OPT_TARGET + s], 0) << "the target word stays free";
            const int32_t code = ai->plan[AI_OPT_CODE + s];
            if ((code >= 0 || code == PLAN_SCAN) && ai->plan_targets[s] != 0 && fired_step < 0) fired_step = s;
        }
        if (fired_step < 0) ai->flags &= ~AI_FLAG_PLAN_RUNNING;
    }
    ASSERT_GE(fired_step, 0) << "the commander planned a scan or a shot";
    EXPECT_EQ(ai->plan_targets[fired_step], far_id);
    const bool scan = ai->plan[AI_OPT_CODE + fired_step] == PLAN_SCAN;
    // Carried out from where the plan expects the ship to stand.
    if (fired_step > 0) {
        a->x = ai->plan[AI_OPT_X + fired_step - 1];
        a->y = ai->plan[AI_OPT_Y + fired_step - 1];
        object_set_heading(a, ai->plan[AI_OPT_PARAM + fired_step - 1]);
    }
    ai->plan_step = fired_step;
    const int32_t decoy_armour = decoy->armour;
    const int32_t ap = a->ap;
    ai_act_ship(red, a);
    EXPECT_FALSE(a->flags & OBJ_TURN_DONE) << "the step succeeded";
    EXPECT_LT(a->ap, ap) << "the step was paid for";
    if (scan) {
        EXPECT_EQ(a->scan_target, target);
    } else {
        EXPECT_EQ(decoy->armour, decoy_armour) << "the ship with the low word of the id is left alone";
    }
}

}  // namespace
