#pragma once
// The real model ready for new games: the generated store, system types, factories, techs, name
// lists, the shipped player records and the AI layer's hooks, with a save folder of the test's own.
#include <gtest/gtest.h>

#include <memory>
#include <vector>
#include "ai/ai_player.h"
#include "game/game.h"
#include "game/headless.h"
#include "game/names.h"
#include "game/newgame.h"
#include "game/player.h"
#include "game/records.h"
#include "game/save.h"
#include "game/tech.h"
#include "game_files.h"
#include "platform/buffer.h"
#include "platform/list.h"
#include "platform/random.h"
#include "support/state_guards.h"
#include "systems/system.h"
#include "world/factory.h"

class ModelGame : public ::testing::Test {
protected:
    Game *game = nullptr;
    PlayerAiHooksGuard ai_hooks_back_;
    std::unique_ptr<TestSaveFolder> saves;

    void SetUp() override {
        saves = std::make_unique<TestSaveFolder>("model_game");
        factory_free();
        system_types_free();
        use_generated_store();
        ASSERT_EQ(system_types_load(), RES_OK);
        ASSERT_EQ(factory_init(), RES_OK);
        factory_acquire_group_all(FACTORY_GROUP_PARAMS);   // as the start-up loader does
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        ASSERT_EQ(tech_load(), RES_OK);
        game = game_get();
        ASSERT_NE(game, nullptr);
        game_clear(game);
        list_clear(game->player_records);
        ASSERT_EQ(name_lists_load(game), RES_OK);
        ASSERT_EQ(records_load(game), RES_OK);
        ai_install_player_hooks();
    }

    void TearDown() override {
        game_clear(game);
        list_clear(game->player_records);
        tech_free_all();
        factory_free();
        system_types_free();
        store_shutdown();
        saves.reset();
    }

    // The whole state section of the game as it stands.
    std::vector<uint8_t> state_bytes() {
        Buffer buf;
        EXPECT_EQ(game_write_state(game, &buf), RES_OK);
        return std::vector<uint8_t>(buf.data, buf.data + buf.length);
    }
};
