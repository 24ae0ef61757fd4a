#pragma once
// The real model ready for new games: the player tests' world (generated store, system types,
// factories, techs, the hooks as the game installs them) with the name lists, the shipped player
// records and a save folder of the test's own.
#include "player_fixture.h"

#include <memory>
#include <vector>
#include "game/headless.h"
#include "game/names.h"
#include "game/newgame.h"
#include "game/records.h"
#include "game/save.h"
#include "platform/list.h"

// A save file's bytes with the local time of saving (offsets 10..33) blanked.
inline std::vector<uint8_t> without_time(std::vector<uint8_t> bytes) {
    for (size_t i = 10; i < 34 && i < bytes.size(); ++i) bytes[i] = 0;
    return bytes;
}

class ModelGame : public playertest::PlayerWorld {
protected:
    std::unique_ptr<TestSaveFolder> saves;

    void SetUp() override {
        saves = std::make_unique<TestSaveFolder>("model_game");
        PlayerWorld::SetUp();
        list_clear(game->player_records);
        ASSERT_EQ(name_lists_load(game), RES_OK);
        ASSERT_EQ(records_load(game), RES_OK);
    }

    void TearDown() override {
        PlayerWorld::TearDown();
        list_clear(game->player_records);
        saves.reset();
    }

    // The whole state section of the game as it stands.
    std::vector<uint8_t> state_bytes() {
        Buffer buf;
        EXPECT_EQ(game_write_state(game, &buf), RES_OK);
        return std::vector<uint8_t>(buf.data, buf.data + buf.length);
    }
};
