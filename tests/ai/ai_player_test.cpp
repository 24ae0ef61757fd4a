// AI players' records: the task type table as data, task creation and its save record, the
// scoring routines, the AI state's presets, save record and refusals, and the model's hooks.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include "ai/agent_task.h"
#include "ai/ai_player.h"
#include "app/app_hooks.h"
#include "game/game.h"
#include "game/player.h"
#include "game/records.h"
#include "platform/buffer.h"
#include "world/be_bytes.h"

namespace {

// ---- The type table ----

TEST(AgentTaskTypes, EveryTypeHasItsSlotsAndAUniqueNameAndAnUnknownTypeIsNotMade) {
    agent_task_types_init();
    std::set<std::string> names;
    for (int32_t t = 0; t < AGENT_TASK_TYPE_COUNT; ++t) {
        const AgentTaskType *type = agent_task_type(t);
        ASSERT_NE(type, nullptr) << t;
        EXPECT_NE(type->size, nullptr) << t;
        EXPECT_NE(type->free, nullptr) << t;
        EXPECT_NE(type->evaluate, nullptr) << t;
        EXPECT_EQ(type->write_extra == nullptr, type->read_extra == nullptr) << "write and read go together: " << t;
        names.insert(agent_task_type_name(t));
    }
    EXPECT_EQ(names.size(), size_t(AGENT_TASK_TYPE_COUNT));
    EXPECT_STREQ(agent_task_type_name(0), "colonize sector");
    EXPECT_STREQ(agent_task_type_name(23), "scrap ships");
    EXPECT_EQ(agent_task_type(24), nullptr);
    EXPECT_EQ(agent_task_create(24, 0, 0), nullptr);
    EXPECT_EQ(agent_task_create(-1, 0, 0), nullptr);
    AgentTask *task = agent_task_create(TASK_SCRAP_SHIPS, 0, 0);
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->id, 0u) << "the map gives the id";
    EXPECT_STREQ(agent_task_type_name(int32_t(task->type)), "scrap ships");
    EXPECT_EQ(agent_task_combat_next_option(task, nullptr, nullptr, 0), AGENT_TASK_NO_OPTION);
    agent_task_free(task);
}

// ---- Task save record ----

TEST(AgentTaskRecord, WritesItsFieldsInOrderAndReadsThemBack) {
    AgentTask *task = agent_task_create(TASK_ATTACK_FLEET, 1, 0x0102030405060708ull);
    task->id = 0x1112131415161718ull;
    task->flags = TASK_FORCED | TASK_DEFENCE;
    task->linked[2] = 99;
    static_cast<AgentTaskData *>(task)->strength = 640;
    Buffer buf;
    ASSERT_EQ(agent_task_write(task, &buf), RES_OK);
    ASSERT_EQ(buf.length, 4 + 4 + 8 + 8 + 4 + 24 + 4) << "attack fleet keeps its strength";
    EXPECT_EQ(buf.data[3], 1u);
    EXPECT_EQ(buf.data[8], 0x11u) << "the id's high word first";
    EXPECT_EQ(buf.data[16], 0x01u);
    AgentTask *back = nullptr;
    ASSERT_EQ(agent_task_read(&back, &buf), RES_OK);
    EXPECT_EQ(back->target_id, task->target_id);
    EXPECT_EQ(back->flags, task->flags);
    EXPECT_EQ(back->linked[2], 99u);
    EXPECT_EQ(static_cast<AgentTaskData *>(back)->strength, 640);
    EXPECT_EQ(back->utility, 0);
    EXPECT_EQ(agent_task_assignee_count(back), 0);
    agent_task_free(task);
    agent_task_free(back);
}

// The memo's table of pairs keeps every value under its own key as it grows, keys that share a
// word apart.
TEST(AgentTaskPairTable, EveryKeyKeepsItsOwnValueThroughTheGrowth) {
    AgentTaskPairTable<int64_t> table;
    bool fresh = false;
    for (int32_t round = 0; round < 2; ++round) {
        table.clear();
        for (uint64_t a = 0; a < 40; ++a)
            for (uint64_t b = 0; b < 40; ++b) {
                int64_t *kept = table.find_or_add(a << 32, b, &fresh);
                ASSERT_TRUE(fresh) << "cleared in round " << round;
                *kept = int64_t(a * 1000 + b);
            }
        int32_t wrong = 0, added = 0;
        for (uint64_t a = 0; a < 40; ++a)
            for (uint64_t b = 0; b < 40; ++b) {
                wrong += *table.find_or_add(a << 32, b, &fresh) != int64_t(a * 1000 + b);
                added += fresh;
            }
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(added, 0);
    }
}

TEST(AgentTaskRecord, AnUnknownTypeOrAShortRecordLeavesNoTask) {
    Buffer bad;
    ASSERT_EQ(buffer_write_u32(&bad, 24), RES_OK);
    for (int i = 0; i < 12; ++i) ASSERT_EQ(buffer_write_u32(&bad, 0), RES_OK);
    AgentTask *out = nullptr;
    EXPECT_EQ(agent_task_read(&out, &bad), RES_MALFORMED);
    EXPECT_EQ(out, nullptr);
    AgentTask *gather = agent_task_create(TASK_GATHER_FEATURE, 0, 5);
    Buffer whole;
    ASSERT_EQ(agent_task_write(gather, &whole), RES_OK);
    agent_task_free(gather);
    for (int32_t cut = 0; cut < whole.length; ++cut) {
        Buffer part;
        ASSERT_EQ(buffer_append(&part, whole.data, size_t(cut)), RES_OK);
        EXPECT_EQ(agent_task_read(&out, &part), RES_SHORT_BUFFER) << cut;
        EXPECT_EQ(out, nullptr);
    }
}

// ---- Scoring ----

struct FixedValue {
    static inline int32_t utility = 0, assigned = 0, needed = 0;
    static void evaluate(AgentTask *, AiPlayer *, Player *, int32_t *u, int32_t *a, int32_t *n) {
        *u = utility;
        *a = assigned;
        *n = needed;
    }
};

class TaskScoring : public ::testing::Test {
protected:
    AgentTaskType saved;
    AiPlayer *ai = nullptr;
    void SetUp() override {
        AgentTaskType t = *agent_task_type(TASK_DEFEND_BASES);
        t.evaluate = FixedValue::evaluate;
        saved = agent_task_type_swap(TASK_DEFEND_BASES, t);
        ai = ai_player_create();
    }
    void TearDown() override {
        agent_task_type_swap(TASK_DEFEND_BASES, saved);
        ai_player_free(ai);
    }
};

TEST_F(TaskScoring, ValuesAreClampedAndWeightedAndLinksToLostTasksDropped) {
    AgentTask *task = ai_add_task(ai, agent_task_create(TASK_DEFEND_BASES, 0, 0));
    FixedValue::utility = -50, FixedValue::assigned = -3, FixedValue::needed = 0;
    agent_task_evaluate(task, ai, nullptr, 1);
    EXPECT_EQ(task->utility, 0);
    EXPECT_EQ(task->assigned, 0);
    EXPECT_EQ(task->needed, 1);
    FixedValue::utility = 200, FixedValue::assigned = 1, FixedValue::needed = 2;
    ai->weights[TASK_DEFEND_BASES] = -100;
    agent_task_evaluate(task, ai, nullptr, 1);
    EXPECT_EQ(task->utility, 0) << "weight -100 silences the type";
    ai->weights[TASK_DEFEND_BASES] = 50;
    task->inherited_utility = 41;   // a quarter of it, 10, joins before the weight
    agent_task_evaluate(task, ai, nullptr, 1);
    EXPECT_EQ(task->utility, 315);
    EXPECT_EQ(task->priority, 157) << "half of what it needs is covered";
    AgentTask *linked = ai_add_task(ai, agent_task_create(TASK_BUILD_SHIP, 0, 0));
    task->linked[0] = linked->id;
    task->linked[1] = 0xFFFFFFull;
    agent_task_evaluate(task, ai, nullptr, 0);
    EXPECT_EQ(task->linked[0], linked->id);
    EXPECT_EQ(task->linked[1], 0u) << "a link to a task no longer in the map is dropped";
}

// ---- AI state ----

class AiState : public ::testing::Test {
protected:
    void SetUp() override {
        game_clear(game_get());
        app_install_hooks();
    }
    void TearDown() override { app_install_hooks(); }   // the real ones back

    static PlayerRecord *record() {
        PlayerRecord *r = player_record_create();
        r->combat_pilot_pct = 11, r->strike_margin_pct = 44, r->attack_fleet_radius = 300;
        r->template_weights[8] = 9;
        r->system_weights[29] = 30;
        r->weapon_first_chance = 70, r->armour_bonus_chance = 20;
        r->extra_tuning = {5, -6, 7};
        r->task_weights[23] = -40;
        r->commander_reassign_penalty = 3, r->galaxy_reassign_penalty = 4;
        r->commander_full_task_bonus = 5, r->galaxy_full_task_bonus = 6;
        r->courage = 80, r->extra_selections = 2, r->research_queue_limit = 1;
        r->design_target = 4, r->design_lifetime_min = 10, r->design_lifetime_max = 20;
        r->training_site_pct = 77, r->personality_min = 3, r->personality_max = 9;
        return r;
    }
};

// Each AI state a new game asks the hook for: the corporations' from their record, the battle-time
// (ARK) and Sol players' from the presets, which set their own fields and leave the rest alone.
TEST_F(AiState, EachStateTheGameCreatesCarriesItsPersonality) {
    PlayerRecord *r = record();
    const struct {
        int32_t state, kind, attack_ship, scan_ship, attack_shot, scrap, reassign, bonus, strike_margin, template7,
            lifetime_max;
        bool passive;
    } rows[] = {
        {AI_STATE_GALAXY, AI_KIND_GALAXY, 0, 0, 0, -40, 4, 6, 44, 0, 20, false},
        {AI_STATE_COMMANDER, AI_KIND_COMMANDER, 0, 0, 0, -40, 3, 5, 0, 0, 0, false},
        {AI_STATE_ARK_COMMANDER, AI_KIND_COMMANDER, 20, 30, 40, 0, 25, 30, 0, 0, 0, false},
        {AI_STATE_SOL_COMMANDER, AI_KIND_COMMANDER, 40, 10, 20, 0, 50, 25, 0, 0, 0, false},
        {AI_STATE_SOL_GALAXY, AI_KIND_GALAXY, 0, 0, 0, 0, 0, 0, 0, 330, 35, true},
    };
    std::set<uint64_t> ids;
    for (const auto &row : rows) {
        AiPlayer *ai = player_ai_hooks().create(row.state, r);
        ASSERT_NE(ai, nullptr) << row.state;
        SCOPED_TRACE(::testing::Message() << "state " << row.state);
        EXPECT_TRUE(ids.insert(ai->id).second && ai->id != 0) << "a fresh id";
        EXPECT_EQ(ai->kind, row.kind);
        EXPECT_EQ(ai->weights[TASK_ATTACK_SHIP], row.attack_ship);
        EXPECT_EQ(ai->weights[TASK_SCAN_SHIP], row.scan_ship);
        EXPECT_EQ(ai->weights[TASK_ATTACK_SHOT], row.attack_shot);
        EXPECT_EQ(ai->weights[TASK_SCRAP_SHIPS], row.scrap);
        EXPECT_EQ(ai->reassign_penalty, row.reassign);
        EXPECT_EQ(ai->full_task_bonus, row.bonus);
        EXPECT_EQ(ai->strike_margin_pct, row.strike_margin);
        EXPECT_EQ(ai->template_weights[7], row.template7);
        EXPECT_EQ(ai->design_lifetime_max, row.lifetime_max);
        EXPECT_EQ((ai->flags & AI_FLAG_PASSIVE) != 0, row.passive);
        if (row.state == AI_STATE_GALAXY) {
            EXPECT_EQ(ai->attack_fleet_radius, 300);
            EXPECT_EQ(ai->extra_tuning, (std::vector<int32_t>{5, -6, 7}));
            EXPECT_EQ(ai->training_site_pct, 77);
            ai->template_weights[0] = 5;
            ai_player_set_defaults(ai);
            EXPECT_EQ(ai->template_weights[0], 5) << "the defaults leave the weights they do not set";
            EXPECT_EQ(ai->system_weights[21], 30);
        }
        ai_player_free(ai);
    }
    player_record_free(r);
}

TEST_F(AiState, StoppingACommanderEmptiesItsTasks) {
    AiPlayer *c = ai_player_create_commander();
    ai_add_task(c, agent_task_create(TASK_ATTACK_SHIP, 0, 4));
    c->flags |= AI_FLAG_PLAN_MADE;
    c->plan_ship_id = 4;
    ai_player_stop(c);
    EXPECT_EQ(ai_task_count(c), 0);
    EXPECT_TRUE(c->flags & AI_FLAG_NEW_ENCOUNTER);
    EXPECT_FALSE(c->flags & AI_FLAG_PLAN_MADE);
    AiPlayer *g = ai_player_create();
    ai_add_task(g, agent_task_create(TASK_EXPLORE_SECTOR, 0, 4));
    ai_player_clear_tasks(g);
    ai_player_stop(g);
    EXPECT_EQ(ai_task_count(g), 1) << "the galaxy AI keeps its tasks across battles";
    ai_player_free(c);
    ai_player_free(g);
}

TEST_F(AiState, FindMatchesByMaskAndReplacesByIdFreeingTheOld) {
    AiPlayer *ai = ai_player_create();
    EXPECT_EQ(ai_find_task(ai, 0, 0, 0, 0), nullptr);
    AgentTask *scan = ai_add_task(ai, agent_task_create(TASK_SCAN_SECTOR, 0, 70));
    scan->flags |= TASK_SECTOR_SCAN;
    AgentTask *research = ai_add_task(ai, agent_task_create(TASK_RESEARCH_TECH, 12, 0));
    EXPECT_NE(ai_find_task(ai, 0, 0, 0, 0), nullptr);
    EXPECT_EQ(ai_find_task(ai, TASK_RESEARCH_TECH, 12, 0, AI_MATCH_TYPE | AI_MATCH_SUBTYPE), research);
    EXPECT_EQ(ai_find_task(ai, 0, 0, 70, AI_MATCH_TARGET | AI_MATCH_SCAN), scan);
    EXPECT_EQ(ai_find_task(ai, 0, 0, 71, AI_MATCH_TARGET), nullptr);
    AgentTask *again = agent_task_create(TASK_RESEARCH_TECH, 13, 0);
    const uint64_t id = research->id;
    again->id = id;
    ai_add_task(ai, again);   // frees `research`
    EXPECT_EQ(ai_get_task(ai, id), again);
    EXPECT_EQ(ai_task_count(ai), 2);
    ai_player_free(ai);
}

TEST_F(AiState, ARecordRoundTripsByteForByte) {
    PlayerRecord *r = record();
    AiPlayer *ai = ai_player_create_from_template(r);
    ai->personality = 6;
    ai->flags |= AI_FLAG_PERSONALITY_SET;
    ai->hacking_grid_counter = 2;
    for (int32_t t : {TASK_ATTACK_FLEET, TASK_GATHER_FEATURE, TASK_TRAIN_PILOT, TASK_EXPLORE_SECTOR}) {
        AgentTask *task = ai_add_task(ai, agent_task_create(t, 1, 1000 + uint64_t(t)));
        static_cast<AgentTaskData *>(task)->strength = 9;
        static_cast<AgentTaskData *>(task)->feature_kind = 2;
    }
    Buffer first;
    ASSERT_EQ(ai_player_save(ai, &first), RES_OK);
    AiPlayer *back = nullptr;
    ASSERT_EQ(ai_player_load(&back, &first), RES_OK);
    EXPECT_EQ(first.cursor, first.length);
    EXPECT_EQ(back->personality, 6);
    EXPECT_EQ(back->extra_tuning, ai->extra_tuning);
    EXPECT_EQ(ai_task_count(back), 4);
    Buffer second;
    ASSERT_EQ(ai_player_save(back, &second), RES_OK);
    EXPECT_EQ(bytes_of(first), bytes_of(second));
    for (int32_t cut = 0; cut < first.length; cut += 3) {
        Buffer part;
        ASSERT_EQ(buffer_append(&part, first.data, size_t(cut)), RES_OK);
        AiPlayer *none = nullptr;
        EXPECT_NE(ai_player_load(&none, &part), RES_OK) << cut;
        EXPECT_EQ(none, nullptr);
    }
    ai_player_free(ai);
    ai_player_free(back);
    player_record_free(r);
}

TEST_F(AiState, ARecordWithoutWeightsLoadsWithZeroWeights) {
    AiPlayer *ai = ai_player_create();
    ai->weights[3] = 8;
    Buffer buf;
    ASSERT_EQ(ai_player_save(ai, &buf), RES_OK);
    // Drop the 24 weights and clear the present word.
    std::vector<uint8_t> b = bytes_of(buf);
    b[4 + 8 + 4 + 3] = 0;
    b.erase(b.begin() + 4 + 8 + 4 + 4, b.begin() + 4 + 8 + 4 + 4 + 24 * 4);
    Buffer cut;
    ASSERT_EQ(buffer_append(&cut, b.data(), b.size()), RES_OK);
    AiPlayer *back = nullptr;
    ASSERT_EQ(ai_player_load(&back, &cut), RES_OK);
    for (int32_t i = 0; i < AI_TASK_WEIGHTS; ++i) EXPECT_EQ(back->weights[i], 0) << i;
    ai_player_free(ai);
    ai_player_free(back);
}

TEST_F(AiState, AnUnknownKindAndHostileCountsAreRefused) {
    Buffer kind2;
    ASSERT_EQ(buffer_write_i32(&kind2, 2), RES_OK);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(buffer_write_i32(&kind2, 0), RES_OK);
    AiPlayer *out = nullptr;
    EXPECT_EQ(ai_player_load(&out, &kind2), RES_MALFORMED);
    EXPECT_EQ(out, nullptr);

    AiPlayer *ai = ai_player_create();
    ai->extra_tuning = {1};
    Buffer buf;
    ASSERT_EQ(ai_player_save(ai, &buf), RES_OK);
    // The extra tuning count sits 12 bytes before the end: count, one value, task count.
    const int32_t at = buf.length - 12;
    buf.data[at] = 0x7F;
    EXPECT_EQ(ai_player_load(&out, &buf), RES_SHORT_BUFFER) << "two billion words claimed";
    buf.data[at] = 0xFF;
    buffer_set_cursor(&buf, 0);
    EXPECT_EQ(ai_player_load(&out, &buf), RES_MALFORMED) << "a negative count";
    ai_player_free(ai);
}

TEST_F(AiState, APlayerSavesAndLoadsItsAiStatesThroughTheHooks) {
    Player *p = player_create(PLAYER_KIND_COMPUTER);
    player_set_id(p, 5);
    p->galaxy_ai = ai_player_create();
    p->commander_ai = ai_player_create_commander();
    ai_add_task(p->galaxy_ai, agent_task_create(TASK_BUILD_SITE, 7, 0));
    player_update_totals(p);   // the flags as a running game keeps them
    Buffer first;
    ASSERT_EQ(player_write(p, &first), RES_OK);
    Player *back = nullptr;
    ASSERT_EQ(player_read(&back, &first), RES_OK);
    ASSERT_NE(back->galaxy_ai, nullptr);
    ASSERT_NE(back->commander_ai, nullptr);
    EXPECT_EQ(back->commander_ai->kind, AI_KIND_COMMANDER);
    EXPECT_EQ(ai_task_count(back->galaxy_ai), 1);
    Buffer second;
    ASSERT_EQ(player_write(back, &second), RES_OK);
    EXPECT_EQ(bytes_of(first), bytes_of(second));
    player_free(p);
    player_free(back);
}

}  // namespace
