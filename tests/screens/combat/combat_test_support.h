#pragma once
// Test support for the combat screen: a real seeded new game (galaxy_test::GalaxyGame), a battle
// of its players' own ships laid out and set up by the model (the same set-up the galaxy screen's
// hand-off runs), the combat mode entered through the real mode switch.
//  - The sides: two computer players (nobody waits for orders), or the UI player against one
//    computer player (its ships wait for orders; `play_ui_turn` plays one as autocombat would).
//  - Battles of more ships add machine-faction hulls armed with their gun, owned by the second side (the model's own maker).
//  - TearDown leaves the mode (which joins the AI worker) before the model is freed.
#include <gtest/gtest.h>

#include <vector>
#include "../galaxy/galaxy_test_support.h"
#include "game/encounter.h"
#include "game/encounter_life.h"
#include "game/encounter_setup.h"
#include "game/player.h"
#include "screens/combat/combat_screen.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "support/wait_for.h"

namespace combat_test {

// The command bar, the minimap frame, the thinking picture, the summary's credits, escape tags and
// Continue.
constexpr int COMBAT_IMAGE_TYPES[] = {IMAGE_TICK, IMAGE_GAME_MENU, IMAGE_MINIMAP_TOGGLE, IMAGE_COMPUTER,
                                      IMAGE_MINIMAP_FRAME, IMAGE_CREDITS, IMAGE_ENCOUNTER_LIST, IMAGE_CORPORATION,
                                      IMAGE_OK, IMAGE_LOST};

inline CombatScreen *screen() { return combat_screen(); }
inline uint32_t flags() { return combat_screen()->flags.load(std::memory_order_acquire); }
inline bool has(uint32_t bits) { return (flags() & bits) == bits; }

class CombatGame : public galaxy_test::GalaxyGame {
protected:
    bool ui_side = false;        // the UI player fights (against the first computer player)
    int  extra_enemies = 0;      // machine-faction hulls added to the second side
    Player *side_a = nullptr, *side_b = nullptr;
    Encounter *enc = nullptr;    // one reference of the test's own

    void SetUp() override {
        galaxy_test::GalaxyGame::SetUp();
        if (HasFatalFailure()) return;
        game->combat_speed = 100;   // the preference's default
        for (int type : COMBAT_IMAGE_TYPES) {
            ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
            types_.push_back(type);
        }
    }
    void TearDown() override {
        combat_set_thread_creator(nullptr);
        driver.stop();
        if (enc) encounter_release(enc);
        enc = nullptr;
        for (int type : types_) image_control_free_type(type);
        types_.clear();
        galaxy_test::GalaxyGame::TearDown();
    }

    std::vector<Player *> computer_players_of_game() {
        std::vector<Player *> out;
        for (Player *p : game->players->items) {
            if (!p) break;
            if (p == game->ui_player || p->id == game->combat_ai_player_id || p->id == game->sol_player_id) continue;
            out.push_back(p);
        }
        return out;
    }
    static std::vector<GameObject *> ships_of(Player *p, int most) {
        std::vector<GameObject *> out;
        for (GameObject *obj : p->objects.items) {
            if (!obj) break;
            if (obj->kind == OBJECT_SHIP && int(out.size()) < most) out.push_back(obj);
        }
        return out;
    }

    // The battle between the two sides in deep space, set up on the combat map, then the mode.
    void start_battle(int ships_per_side = 3) {
        const std::vector<Player *> computers = computer_players_of_game();
        ASSERT_GE(computers.size(), ui_side ? 1u : 2u);
        side_a = ui_side ? game->ui_player : computers[0];
        side_b = ui_side ? computers[0] : computers[1];
        enc = encounter_create();
        ASSERT_NE(enc, nullptr);
        encounter_retain(enc);
        enc->centre_x = 400;
        enc->centre_y = 300;
        enc->field_w = 1365;
        enc->field_h = 1024;
        enc->backdrop = 5;
        encounter_seed_random(enc, SEED);
        for (Player *side : {side_a, side_b})
            for (GameObject *ship : ships_of(side, ships_per_side)) encounter_add_object(enc, ship);
        for (int i = 0; i < extra_enemies; ++i)
            if (Ship *ark = encounter_create_ark_ship(side_b->id, 4, 0)) encounter_add_object(enc, ark);
        encounter_register_temp_objects(enc);
        encounter_layout(enc);
        ASSERT_EQ(game_add_encounter(game, enc), RES_OK);
        game_set_current_encounter(game, enc);
        ASSERT_EQ(game_start_encounter(game), RES_OK);
        ASSERT_GT(map_object_count(game->combat_map), 1);
        game->combat_background = 36 + enc->backdrop;
        title_test::TitleDriver::switch_to(APP_MODE_ENCOUNTER);
        ASSERT_EQ(app_mode_current_id(), APP_MODE_ENCOUNTER);
    }

    ObjectMap *map() { return game->combat_map; }

    // The computer plans at the machine's speed (a loaded or instrumented build is many times
    // slower): a test that needs only the plan's outcome waits for the worker's last write rather
    // than spending a count of frames meant for the game thread on it.
    static void wait_for_the_planner() {
        EXPECT_TRUE(wait_for([] { return !has(COMBAT_FLAG_AI_STARTED) || has(COMBAT_FLAG_AI_DONE) || !screen()->ai_thread; }))
            << "the plan was not made in five minutes";
    }
    // Frames until the screen has taken an actor over (the map picked one and the hand-over ran).
    bool run_until_acting(int max_frames = 500) {
        return run_until([] { return screen()->acting != nullptr; }, max_frames);
    }
    // The objects of one owner on the field, still in the battle.
    std::vector<GameObject *> fighting(uint64_t owner) {
        std::vector<GameObject *> out;
        for (GameObject *obj : map()->objects.items) {
            if (!obj) break;
            if (obj->owner_id == owner && obj->kind == OBJECT_SHIP && !(obj->flags & (OBJ_DEAD | OBJ_LEFT_MAP)))
                out.push_back(obj);
        }
        return out;
    }
    // Ends the battle for one side: its ships are destroyed where they stand.
    void destroy_side(uint64_t owner) {
        for (GameObject *obj : fighting(owner)) object_kill(obj);
    }

private:
    std::vector<int> types_;
};

// The thread creator that fails: the plan runs on the game thread.
inline SDL_Thread *no_thread(int (*)(void *), void *) { return nullptr; }

}  // namespace combat_test
