// The combat mode's enter and leave on a real battle, the music from battle to battle, and the
// load from the combat menu, which lets go of the old battle before anything else happens.
#include "combat_test_support.h"

#include <atomic>
#include <set>
#include "game/encounter_map.h"
#include "game/save.h"
#include "platform/list.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "world/object_methods.h"
#include "ui/ui_draw.h"

namespace {

using combat_test::CombatGame;
using combat_test::has;
using combat_test::screen;

class CombatMode : public CombatGame {};

TEST_F(CombatMode, EnteringBuildsTheCommandBarAndCentresTheViewOnTheField) {
    start_battle();
    const int ids[] = {COMBAT_ID_MENU_BUTTON, COMBAT_ID_MINIMAP_BUTTON, COMBAT_ID_LIST_BUTTON, COMBAT_ID_LOCATION_BUTTON};
    const int keys[] = {'1', '2', '3', '4'};
    int right = 0;
    for (int i = 0; i < 4; ++i) {
        Control *b = find(ids[i]);
        ASSERT_NE(b, nullptr) << ids[i];
        EXPECT_EQ(b->hotkey, keys[i]);
        EXPECT_EQ(b->y + b->h, ui_screen_height() - 4) << "on the bottom edge";
        EXPECT_GT(b->x, right) << "in a row from the left";
        right = b->x + b->w;
    }
    EXPECT_EQ(find(COMBAT_ID_MENU_BUTTON)->x, 4);
    EXPECT_EQ(screen()->open_side_panel, COMBAT_ID_MINIMAP_BUTTON) << "the minimap is the panel shown";
    ASSERT_NE(screen()->side_panels[COMBAT_SIDE_MINIMAP], nullptr);
    EXPECT_TRUE(control_is_shown(screen()->side_panels[COMBAT_SIDE_MINIMAP]));
    EXPECT_FALSE(control_is_shown(screen()->side_panels[COMBAT_SIDE_LOCATION]));
    ObjectMap *m = map();
    EXPECT_EQ(m->view_x, std::min(std::max((m->world_w - ui_screen_width()) / 2, 0), m->world_w - m->screen_w - 1));
    EXPECT_EQ(m->view_y, std::min(std::max((m->world_h - ui_screen_height()) / 2, 0), m->world_h - m->screen_h - 1));
    EXPECT_EQ(game->cursor_index, 0);
    EXPECT_NE(screen()->ship_tags, nullptr);
    ASSERT_NE(screen()->unit_cycle, nullptr);
    EXPECT_EQ(list_count(screen()->unit_cycle), 0);
}

TEST_F(CombatMode, LeavingWhilePlanningWaitsForTheWorkerAndEmptiesTheField) {
    start_battle();
    ASSERT_TRUE(run_until_acting());
    ASSERT_TRUE(has(COMBAT_FLAG_AI_STARTED));
    title_test::TitleDriver::switch_to(APP_MODE_GALAXY);
    EXPECT_EQ(screen()->ai_thread, nullptr);
    EXPECT_EQ(screen()->acting, nullptr);
    EXPECT_EQ(screen()->selected, nullptr);
    EXPECT_EQ(map_object_count(game->combat_map), 0);
    EXPECT_EQ(screen()->ship_tags, nullptr);
    EXPECT_EQ(screen()->unit_cycle, nullptr);
}

// Two ships that scanned each other hold each other; a battle left before its end lets both go, so
// the game's next clear frees them.
TEST_F(CombatMode, LeavingLetsGoOfTheShipsScanTargets) {
    start_battle();
    std::vector<Ship *> ships;
    for (GameObject *obj : enc->objects->items)
        if (Ship *ship = ship_of(obj); ship && ships.size() < 2 && (ships.empty() || ship->owner_id != ships[0]->owner_id))
            ships.push_back(ship);
    ASSERT_EQ(ships.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        ships[i]->scan_target = ships[1 - i];   // what a scan leaves while its pulse plays
        object_add_ref(ships[1 - i]);
    }
    title_test::TitleDriver::switch_to(APP_MODE_GALAXY);
    for (Ship *ship : ships) EXPECT_EQ(ship->scan_target, nullptr);
}

// Music: weights that never let a piece play in two battles running.
TEST(CombatMusic, NoPiecePlaysInTwoBattlesRunningAndEachComesRound) {
    random_seed(77);
    CombatScreen s;
    int32_t last = combat_music_choose(&s);
    ASSERT_GE(last, SOUND_MUSIC_COMBAT);
    ASSERT_LE(last, SOUND_MUSIC_COMBAT + 2);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(s.music_weights[i], SOUND_MUSIC_COMBAT + i == last ? 0 : 2);
    std::set<int32_t> heard{last};
    for (int battle = 0; battle < 300; ++battle) {
        const int32_t track = combat_music_choose(&s);
        ASSERT_NE(track, last) << "battle " << battle;
        ASSERT_GE(track, SOUND_MUSIC_COMBAT);
        ASSERT_LE(track, SOUND_MUSIC_COMBAT + 2);
        EXPECT_EQ(s.music_weights[track - SOUND_MUSIC_COMBAT], 0);
        heard.insert(track);
        last = track;
    }
    EXPECT_EQ(heard.size(), 3u);
}

TEST(CombatMusic, TheFirstPieceTakesTheDrawAsAnUnsignedWord) {
    // A seed whose first four-byte draw has its top bit set: the rule reads it unsigned.
    uint32_t seed = 1, word = 0;
    for (;; ++seed) {
        random_seed(seed);
        word = random_u32();
        if ((word & 0x80000000u) && (word % 3u) != (random_magnitude(word) % 3u)) break;
    }
    random_seed(seed);
    CombatScreen s;
    EXPECT_EQ(combat_music_choose(&s), SOUND_MUSIC_COMBAT + int32_t(word % 3u)) << "seed " << seed;
}

// The worker that waits at a gate before it plans: the test decides when the plan is made.
std::atomic<bool> g_gate_open{false};
int gated_body(void *data) {
    while (!g_gate_open.load()) SDL_Delay(1);
    return combat_ai_command_thread(data);
}
SDL_Thread *gated_thread(int (*)(void *), void *data) { return SDL_CreateThread(gated_body, data); }
// Closes the gate for a test and opens it whatever way the test ends, so that the mode's leave can
// join the worker.
struct Gate {
    Gate() {
        g_gate_open = false;
        combat_set_thread_creator(gated_thread);
    }
    ~Gate() { g_gate_open = true; }
    void open() { g_gate_open = true; }
};

TEST_F(CombatMode, APendingLoadWaitsForThePlanningWorkerThenLetsGoOfTheBattle) {
    const std::string path = fresh_test_dir("combat-load") + "/before.sav";
    ASSERT_EQ(game_save(game, path.c_str(), "Before the battle", 0, nullptr), RES_OK);
    Gate gate;
    start_battle();
    ASSERT_TRUE(run_until_acting());
    ASSERT_NE(screen()->ai_thread, nullptr);
    // What the menu's load hook leaves for the screen.
    game_prepare_load(game, path.c_str());
    screen()->load_countdown_ms = COMBAT_LOAD_DELAY_MS;
    frames(60);   // 1200 ms: the countdown does not run while the worker plans
    EXPECT_EQ(screen()->load_countdown_ms, COMBAT_LOAD_DELAY_MS);
    EXPECT_EQ(app_mode_current_id(), APP_MODE_ENCOUNTER);
    gate.open();
    // The worker's last write first, then the frames that let the load go on.
    wait_for_the_planner();
    ASSERT_TRUE(has(COMBAT_FLAG_AI_DONE)) << "the worker planned within the deadline";
    ASSERT_TRUE(run_until([] { return app_mode_current_id() != APP_MODE_ENCOUNTER; }, 200));
    EXPECT_EQ(app_mode_current_id(), APP_MODE_GALAXY);
    EXPECT_EQ(screen()->ai_thread, nullptr);
}

// A plan that waits at the gate before the ship kind's own plan runs: the worker is thinking all the
// while. The swap of the plan slot lasts the test.
ObjectActFn *g_ship_plan = nullptr;
Result plan_at_gate(GameObject *obj) {
    while (!g_gate_open.load()) SDL_Delay(1);
    return g_ship_plan(obj);
}
struct SlowPlans {
    SlowPlans() : row(const_cast<ObjectMethods *>(object_methods(OBJECT_SHIP))) {
        g_gate_open = false;
        g_ship_plan = row->plan;
        row->plan = plan_at_gate;
    }
    ~SlowPlans() {
        g_gate_open = true;
        row->plan = g_ship_plan;
    }
    void open() { g_gate_open = true; }
    ObjectMethods *row;
};

TEST_F(CombatMode, APlanLongerThan2400MsShowsTheThinkingPictureUntilItIsMade) {
    SlowPlans gate;
    start_battle();
    ASSERT_TRUE(run_until_acting());
    ASSERT_TRUE(run_until([] { return has(COMBAT_FLAG_AI_THINKING); }, 50));
    frames(100);   // 2000 ms
    EXPECT_EQ(find(COMBAT_ID_THINKING), nullptr) << "not before 2400 ms";
    frames(25);
    Control *thinking = find(COMBAT_ID_THINKING);
    ASSERT_NE(thinking, nullptr);
    EXPECT_EQ(thinking->x + thinking->w / 2, ui_screen_width() / 2);
    EXPECT_EQ(thinking->y + thinking->h, ui_screen_height() - 10);
    GameObject *actor = screen()->acting;
    EXPECT_FALSE(map()->flags & MAP_BUSY) << "the actor waits for its plan, its pause long over";
    gate.open();
    wait_for_the_planner();   // the plan takes what time it takes; then the frames
    ASSERT_TRUE(run_until([] { return find(COMBAT_ID_THINKING) == nullptr; }, 50));
    ASSERT_TRUE(run_until([&] { return (map()->flags & MAP_BUSY) || screen()->acting != actor; }, 100))
        << "it acts once the plan is made";
}

TEST_F(CombatMode, AFailedLoadFromTheMenuReleasesTheBattleBeforeTheGameIsCleared) {
    start_battle();
    ASSERT_TRUE(run_until_acting());
    // The picks below mark the objects; the game thread makes them only while no plan is being made.
    wait_for_the_planner();
    GameObject *actor = screen()->acting;
    combat_select_object(actor);
    combat_set_hovered(actor);
    combat_set_command_ship(actor);
    // A cycle entry of the old game.
    list_append(screen()->unit_cycle, new TurnOrderEntry{actor->id, actor->owner_id, 0, 0});

    combat_on_load_failed(nullptr);
    EXPECT_EQ(screen()->acting, nullptr);
    EXPECT_EQ(screen()->selected, nullptr);
    EXPECT_EQ(screen()->hovered, nullptr);
    EXPECT_EQ(screen()->command_ship, nullptr);
    EXPECT_EQ(screen()->ai_thread, nullptr);
    EXPECT_EQ(list_count(screen()->unit_cycle), 0);
    EXPECT_EQ(game->current_encounter, nullptr) << "the game was cleared";
    frame();
    EXPECT_EQ(app_mode_current_id(), APP_MODE_TITLE);
}

}  // namespace
