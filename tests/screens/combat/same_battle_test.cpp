// The same battle twice: a battle between the two computer players of a real seeded game, loaded
// from one save and watched through the combat screen's frames, plays the same way however long
// the frames are, however many idle frames pass while the AI worker is held back, and when the
// plans are made on the game thread instead.
//  - Every computer ship's act is noted as the act hook sees it: who acts and from where, how many
//    objects (shots among them) the battle has made, the game thread's draws so far (hit rolls,
//    damage, the workers' seeds), and for every ship of the battle its armour, crew, shields, state
//    and every system's rounds, recharge and integrity. Two battles must match act for act, then in
//    each side's result and in the next draw of every saved generator.
#include "combat_test_support.h"
#include "support/state_guards.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>
#include "ai/ai_player.h"
#include "game/encounter.h"
#include "game/prefs.h"
#include "game/save.h"
#include "platform/random.h"
#include "systems/system.h"
#include "world/world_hooks.h"

namespace {

using combat_test::CombatGame;
using combat_test::has;
using combat_test::screen;

constexpr int SHIPS_PER_SIDE = 2;
constexpr int MAX_FRAMES = 60000;

// What the battle stood at when one computer ship acted.
struct Act {
    uint64_t actor = 0;
    int32_t x = 0, y = 0, heading = 0, ap = 0, mp = 0;
    uint64_t next_id = 0;
    uint64_t draws = 0;
    std::vector<int32_t> ships;
    bool operator==(const Act &) const = default;
};

struct Record {
    std::vector<Act> acts;
    std::vector<int32_t> ships_after;
    std::vector<int32_t> results;
    uint64_t draws_after = 0;
    std::vector<uint32_t> next_saved_draws;   // each game generator's, then the encounter's
    bool finished = false;
    int frames = 0;
};

// Every ship of the battle in the encounter's order, with what it has left.
std::vector<int32_t> ships_state(const Encounter *enc) {
    std::vector<int32_t> out;
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (obj->kind != OBJECT_SHIP) continue;
        const Ship *ship = static_cast<const Ship *>(obj);
        out.insert(out.end(), {ship->armour, ship->crew, int32_t(ship->flags & (OBJ_DEAD | OBJ_DYING | OBJ_LEFT_MAP)),
                               ship->retreat_countdown});
        out.insert(out.end(), std::begin(ship->shields), std::end(ship->shields));
        for (int32_t i = 0; i < ship->crit_count; ++i)
            if (const System *sys = ship->crits ? ship->crits[i].system : nullptr)
                out.insert(out.end(), {sys->rounds, sys->recharge_left, sys->integrity});
    }
    return out;
}

// The battle being noted (the act hook is a plain function).
Record *g_noting = nullptr;

void noting_act(Player *owner, Ship *ship) {
    if (g_noting) {
        const Game *game = game_get();
        Act act;
        act.actor = ship->id;
        act.x = ship->x;
        act.y = ship->y;
        act.heading = ship->heading;
        act.ap = ship->ap;
        act.mp = ship->mp;
        act.next_id = game->next_id;
        act.draws = random_state();
        act.ships = ships_state(game->current_encounter);
        g_noting->acts.push_back(std::move(act));
    }
    ai_world_hooks().ai_act_ship(owner, ship);
}

// A worker that starts planning 30 ms late: the screen runs idle frames meanwhile.
struct LateStart {
    int (*body)(void *);
    void *data;
};
int late_body(void *arg) {
    const LateStart start = *static_cast<LateStart *>(arg);
    delete static_cast<LateStart *>(arg);
    SDL_Delay(30);
    return start.body(start.data);
}
SDL_Thread *late_worker(int (*body)(void *), void *data) {
    auto *start = new LateStart{body, data};
    SDL_Thread *thread = SDL_CreateThread(late_body, start);
    if (!thread) delete start;
    return thread;
}

// A worker held until the screen has run HOLD_FRAMES frames more: a machine too busy to plan
// within the pause, which runs out while the plan is still being made.
constexpr int HOLD_FRAMES = 100;   // 2 s of 20 ms frames; the pause is 1.6 s
std::atomic<int> g_battle_frames_run{0};
struct HeldStart {
    int (*body)(void *);
    void *data;
    int until;
};
int held_body(void *arg) {
    const HeldStart start = *static_cast<HeldStart *>(arg);
    delete static_cast<HeldStart *>(arg);
    while (g_battle_frames_run.load(std::memory_order_acquire) < start.until) SDL_Delay(1);
    return start.body(start.data);
}
SDL_Thread *held_worker(int (*body)(void *), void *data) {
    auto *start = new HeldStart{body, data, g_battle_frames_run.load(std::memory_order_acquire) + HOLD_FRAMES};
    SDL_Thread *thread = SDL_CreateThread(held_body, start);
    if (!thread) delete start;
    return thread;
}

// How a battle is watched: the frames' lengths in turn, and who makes the plans.
struct Pace {
    const char *name;
    std::vector<int32_t> frame_ms;
    CombatThreadCreator *creator = nullptr;   // null: a worker thread at once
    bool drawn = true;                        // each frame replayed into the screen
};

class SameBattle : public CombatGame {
protected:
    WorldHooksGuard hooks_back_;
    std::string save_path_;

    void SetUp() override {
        CombatGame::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(game_create_save_directory(), RES_OK);
        save_path_ = saves->file("before the battle.sav");
        ASSERT_EQ(game_save(game, save_path_.c_str(), "before the battle", 0, nullptr), RES_OK);
        WorldHooks hooks = ai_world_hooks();
        hooks.ai_act_ship = noting_act;
        world_set_hooks(hooks);
    }
    void TearDown() override {
        g_noting = nullptr;
        CombatGame::TearDown();
    }

    // The battle from the save, watched at the pace to its summary.
    Record play(const Pace &pace) {
        Record out;
        title_test::TitleDriver::switch_to(APP_MODE_GALAXY);   // leaves a battle watched before
        if (enc) encounter_release(enc);
        enc = nullptr;
        EXPECT_EQ(game_load_file(game, save_path_.c_str(), 0), RES_OK);
        game->combat_speed = 100;
        combat_set_thread_creator(pace.creator);
        g_noting = &out;
        start_battle(SHIPS_PER_SIDE);
        if (HasFatalFailure()) return out;
        driver.draw = pace.drawn;
        size_t at = 0;
        while (out.frames < MAX_FRAMES && !has(COMBAT_FLAG_SUMMARY)) {
            frame(pace.frame_ms[at]);
            at = (at + 1) % pace.frame_ms.size();
            ++out.frames;
            g_battle_frames_run.fetch_add(1, std::memory_order_acq_rel);
            std::this_thread::sleep_for(std::chrono::microseconds(100));   // the worker's time
        }
        driver.draw = true;
        g_noting = nullptr;
        out.finished = has(COMBAT_FLAG_SUMMARY);
        out.ships_after = ships_state(enc);
        for (uint64_t side : enc->sides) out.results.push_back(encounter_get_side_result(enc, side));
        out.draws_after = random_state();
        for (Rng *rng : game->generators) {
            Rng copy = *rng;
            out.next_saved_draws.push_back(rng_next(&copy));
        }
        if (enc->rng) {
            Rng copy = *enc->rng;
            out.next_saved_draws.push_back(rng_next(&copy));
        }
        return out;
    }

    // The battle fought: shots fired (a system's rounds went down or its recharge began) and hits
    // taken (armour, crew or a shield went down) between one act and the next.
    static void expect_fought(const Record &r, const char *pace) {
        ASSERT_TRUE(r.finished) << pace << ": no summary in " << MAX_FRAMES << " frames";
        ASSERT_FALSE(r.acts.empty()) << pace;
        int losses = 0;
        for (size_t i = 1; i < r.acts.size(); ++i)
            for (size_t k = 0; k < r.acts[i].ships.size() && k < r.acts[i - 1].ships.size(); ++k)
                if (r.acts[i].ships[k] < r.acts[i - 1].ships[k]) ++losses;
        EXPECT_GT(losses, 0) << pace << ": nothing was fired or hit";
        EXPECT_NE(r.results.size(), 0u) << pace;
    }

    // Two battles alike, act for act; the first act that differs is named.
    static void expect_same(const Record &a, const Pace &pa, const Record &b, const Pace &pb) {
        const size_t n = std::min(a.acts.size(), b.acts.size());
        for (size_t i = 0; i < n; ++i)
            if (!(a.acts[i] == b.acts[i])) {
                ADD_FAILURE() << pb.name << " parts from " << pa.name << " at act " << i << " of " << n << " (ship #"
                              << a.acts[i].actor << " against #" << b.acts[i].actor << ")";
                break;
            }
        EXPECT_EQ(a.acts.size(), b.acts.size()) << pa.name << " against " << pb.name;
        EXPECT_EQ(a.ships_after, b.ships_after) << pa.name << " against " << pb.name;
        EXPECT_EQ(a.results, b.results) << pa.name << " against " << pb.name;
        EXPECT_EQ(a.draws_after, b.draws_after) << pa.name << " against " << pb.name;
        EXPECT_EQ(a.next_saved_draws, b.next_saved_draws) << pa.name << " against " << pb.name;
    }
};

const Pace STEADY{"20 ms frames", {20}};

TEST_F(SameBattle, ShortLongAndUnevenFramesPlayTheSameBattle) {
    const Record steady = play(STEADY);
    expect_fought(steady, STEADY.name);
    const Pace uneven{"7 and 55 ms frames", {7, 55, 7, 7, 31, 55, 13}};
    const Record other = play(uneven);
    expect_fought(other, uneven.name);
    EXPECT_GT(other.frames, steady.frames / 2) << "the paces differ";
    expect_same(steady, STEADY, other, uneven);
    const Pace unseen{"frames never drawn", {20}, nullptr, false};
    const Record blind = play(unseen);
    expect_fought(blind, unseen.name);
    expect_same(steady, STEADY, blind, unseen);
}

TEST_F(SameBattle, AWorkerHeldBackOrNoWorkerAtAllPlaysTheSameBattle) {
    const Record steady = play(STEADY);
    expect_fought(steady, STEADY.name);
    const Pace late{"a worker 30 ms late", {20}, late_worker};
    const Record held = play(late);
    expect_fought(held, late.name);
    expect_same(steady, STEADY, held, late);
    const Pace busy{"a worker held past the pause", {20}, held_worker};
    const Record slow = play(busy);
    expect_fought(slow, busy.name);
    expect_same(steady, STEADY, slow, busy);
    const Pace inline_plans{"plans on the game thread", {20}, combat_test::no_thread};
    const Record at_once = play(inline_plans);
    expect_fought(at_once, inline_plans.name);
    expect_same(steady, STEADY, at_once, inline_plans);
}

}  // namespace
