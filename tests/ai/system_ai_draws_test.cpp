// The draws of a ship's plan: between system_plan_begin and end (the computer players' plan opens
// them with its caches, AiPlanCaches) the draws take the game's resolve generator once instead of asking the game
// each time. The words drawn, their order and the spans must be those of asking every time, and the
// plan must leave nothing behind: a draw after it asks the game again. A plan may look at the next
// draws before taking them: what it sees must be what it then draws.
#include "world/combat_test_util.h"

#include <climits>
#include <memory>
#include <vector>

#include "ai/ai_combat_caches.h"
#include "ai/system_ai.h"
#include "game/game.h"
#include "platform/random.h"

using namespace shiptest;

namespace {

struct Span {
    int32_t lo, hi;
};
constexpr Span SPANS[] = {
    {0, 359}, {-5, 5}, {7, 7}, {1, 12}, {INT32_MIN, INT32_MAX}, {-1, INT32_MAX}, {9, 8}, {0, 1},
};
constexpr int ROUNDS = 90;   // 90 x 8 spans, six a single value or none: past the block rebuild at 624

// What the planning hook drew; what it saw before drawing (seen, then drawn); the looks refused.
std::vector<int32_t> g_drawn;
std::vector<std::pair<int32_t, int32_t>> g_seen;
int g_refused = 0;

// Before each draw the hook looks at it and at the next span's draw (one drawing call ahead, or
// none after a span of one value).
void draw_rounds(int rounds) {
    bool pending = false;
    int32_t next_seen = 0;
    for (int round = 0; round < rounds; ++round)
        for (size_t k = 0; k < std::size(SPANS); ++k) {
            const Span &s = SPANS[k], &next = SPANS[(k + 1) % std::size(SPANS)];
            int32_t now = 0, later = 0;
            const bool seen = system_random_peek_between(0, s.lo, s.hi, &now);
            const bool seen_later =
                system_random_peek_between(int64_t(s.hi) > int64_t(s.lo) ? 1 : 0, next.lo, next.hi, &later);
            g_drawn.push_back(system_random_between(s.lo, s.hi));
            if (seen) g_seen.emplace_back(now, g_drawn.back());
            if (pending) g_seen.emplace_back(next_seen, g_drawn.back());
            g_refused += !seen + !seen_later;
            pending = seen_later;
            next_seen = later;
        }
}

void plan_hook(Player *, Ship *) {
    AiPlanCaches plan;   // as the computer players' plan opens it
    draw_rounds(ROUNDS / 2);
    system_plan_begin();   // a nested bracket keeps the outer one's generator when it ends
    draw_rounds(ROUNDS / 4);
    system_plan_end();
    draw_rounds(ROUNDS - ROUNDS / 2 - ROUNDS / 4);
}

class PlanDraws : public CombatMapTest {
protected:
    Game *game = nullptr;
    Ship *planner = nullptr;
    std::unique_ptr<Rng, void (*)(Rng *)> twin{rng_create(), rng_free};
    void SetUp() override {
        CombatMapTest::SetUp();
        game = game_get();
        ASSERT_NE(game, nullptr);
        ASSERT_NE(game->generators[GAME_GENERATOR_RESOLVE], nullptr);
        ASSERT_NE(twin, nullptr);
        world_set_hooks(WorldHooks{.ai_plan_ship = plan_hook, .ai_act_ship = nullptr});
        planner = on_map(HULL_LANCER, 1000, 1000, 0, RED);
        g_drawn.clear();
        g_seen.clear();
        g_refused = 0;
    }
    void TearDown() override {
        game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
        CombatMapTest::TearDown();
    }
    Rng *resolve() const { return game->generators[GAME_GENERATOR_RESOLVE]; }
};

TEST_F(PlanDraws, APlanDrawsTheResolveGeneratorsWordsAsAskingTheGameEveryTimeWould) {
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    rng_seed(resolve(), 8128);
    rng_seed(twin.get(), 8128);
    ASSERT_EQ(ship_plan(planner), RES_OK);
    ASSERT_EQ(g_drawn.size(), size_t(ROUNDS) * std::size(SPANS)) << "the hook ran once";
    size_t i = 0;
    for (int round = 0; round < ROUNDS; ++round)
        for (const Span &s : SPANS) {
            EXPECT_EQ(g_drawn[i], rng_range(twin.get(), s.lo, s.hi)) << s.lo << ".." << s.hi << " round " << round;
            ++i;
        }
    EXPECT_EQ(resolve()->index, twin->index) << "one word a span, none for a single value";
    for (size_t k = 0; k < g_seen.size(); ++k) EXPECT_EQ(g_seen[k].first, g_seen[k].second) << "look " << k;
    EXPECT_GT(g_seen.size(), g_drawn.size()) << "most looks are answered";
    EXPECT_GT(g_refused, 0) << "a look past the block's end is refused";
}

TEST_F(PlanDraws, AfterAPlanTheDrawsAskTheGameAgain) {
    // A plan made in resolve mode, then the mode is left: a generator kept past the plan's end would
    // go on drawing resolve words where the thread's quick generator now has to answer.
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    rng_seed(resolve(), 77);
    ASSERT_EQ(ship_plan(planner), RES_OK);
    game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
    const uint32_t index = resolve()->index;
    random_seed(31337);
    std::vector<int32_t> quick;
    for (const Span &s : SPANS) quick.push_back(system_random_between(s.lo, s.hi));
    random_seed(31337);
    for (size_t k = 0; k < std::size(SPANS); ++k) EXPECT_EQ(quick[k], random_range(SPANS[k].lo, SPANS[k].hi)) << k;
    EXPECT_EQ(resolve()->index, index) << "no resolve word is drawn outside resolve mode";
    int32_t seen = 0;
    EXPECT_FALSE(system_random_peek_between(0, 0, 9, &seen)) << "no look ahead outside a plan";

    // And a plan made outside resolve mode draws quick words throughout, nested bracket included.
    g_drawn.clear();
    random_seed(4711);
    ASSERT_EQ(ship_plan(planner), RES_OK);
    random_seed(4711);
    size_t i = 0;
    for (int round = 0; round < ROUNDS; ++round)
        for (const Span &s : SPANS) EXPECT_EQ(g_drawn[i++], random_range(s.lo, s.hi)) << round;
    EXPECT_EQ(resolve()->index, index);

    // Then resolve mode again, outside any plan: the game is asked and answers with its generator.
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    rng_seed(resolve(), 5);
    rng_seed(twin.get(), 5);
    EXPECT_EQ(system_random_between(0, 999), rng_range(twin.get(), 0, 999));
    EXPECT_EQ(resolve()->index, twin->index);
}

}  // namespace
