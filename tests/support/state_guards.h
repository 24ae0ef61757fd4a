#pragma once
// Guards for the process-wide state a fixture replaces: the hook tables and the slots of long-lived
// records (the game's maps and lists). Each guard puts back what the program has there when it goes
// out of scope, on every way out, a failed assertion in SetUp included. The test binary also runs
// whole in one process and shuffled, so what one test installs must not reach the next.
//  - HookTableGuard: a hook table is installed again whole from the function that builds it for the
//    program (the one app_install_hooks installs), never from a copy noted earlier, so a slot a test
//    replaced before the guard began does not outlive it either.
//  - EnvGuard: one environment variable (a set-up that points the save folder elsewhere).
//  - GameFieldsGuard: the game record's loose fields a fixture sets by hand or through game_clear.
//  - A fixture holds the guards as members: they are made before SetUp and destroyed after TearDown.
//  - The process starts with the application's tables (support/app_environment.cpp); an empty table
//    is not that start, so a fixture never "cleans up" by installing an empty one.
#include <cstdlib>
#include <optional>
#include <string>
#include "ai/ai_player.h"
#include "app/app_hooks.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/calendar.h"
#include "platform/random.h"
#include "world/world_hooks.h"

template <typename Table, void (*Set)(const Table &), Table (*Build)()>
class HookTableGuard {
public:
    HookTableGuard() = default;
    ~HookTableGuard() { Set(Build()); }
    HookTableGuard(const HookTableGuard &) = delete;
    HookTableGuard &operator=(const HookTableGuard &) = delete;
};

using WorldHooksGuard        = HookTableGuard<WorldHooks, world_set_hooks, ai_world_hooks>;
using PlayerAiHooksGuard     = HookTableGuard<PlayerAiHooks, player_set_ai_hooks, ai_player_hooks>;

// One field of a record the test does not own, such as the game's galaxy map. Nothing is noted until
// the first replace, so a fixture whose SetUp stops early leaves the field as it found it.
template <typename T>
class SlotGuard {
public:
    SlotGuard() = default;
    ~SlotGuard() { restore(); }
    SlotGuard(const SlotGuard &) = delete;
    SlotGuard &operator=(const SlotGuard &) = delete;

    // Puts value into the slot; the value before the first call comes back at restore. A second
    // call for the same slot keeps the first value noted; one for another slot restores the first.
    void replace(T &slot, T value) {
        if (slot_ != &slot) {
            restore();
            slot_ = &slot;
            saved_ = slot;
        }
        slot = value;
    }
    // Puts the noted value back now (before the test frees what it put in); idempotent.
    void restore() {
        if (!slot_) return;
        *slot_ = saved_;
        slot_ = nullptr;
    }

private:
    T *slot_ = nullptr;
    T  saved_{};
};

// One environment variable, set again (or unset) as it was when the guard was made.
class EnvGuard {
public:
    explicit EnvGuard(const char *name) : name_(name) {
        if (const char *value = std::getenv(name)) saved_ = value;
    }
    ~EnvGuard() {
        if (saved_) ::setenv(name_.c_str(), saved_->c_str(), 1);
        else ::unsetenv(name_.c_str());
    }
    EnvGuard(const EnvGuard &) = delete;
    EnvGuard &operator=(const EnvGuard &) = delete;

private:
    std::string                name_;
    std::optional<std::string> saved_;
};

// The game singleton's loose fields: the id counter, the clock, the seven generators, the UI player,
// the battle and Sol players, the flags and the speed. A fixture that sets them by hand (or clears the
// game, which starts a new id range and reseeds the generators) holds one, and the next test finds
// them as they were. A fixture that destroys the game gets them back in the fresh one.
class GameFieldsGuard {
public:
    GameFieldsGuard() : saved_(fields(game_get())) {}
    ~GameFieldsGuard() {
        Game *game = game_get();
        if (!game) return;
        game->next_id = saved_.next_id;
        if (game->clock) {
            game->clock->minutes = saved_.minutes;
            date_from_minutes(game->clock);
        }
        for (int i = 0; i < GAME_GENERATOR_COUNT; ++i)
            if (game->generators[i]) *game->generators[i] = saved_.generators[i];
        game->ui_player_id = saved_.ui_player_id;
        game->ui_player = saved_.ui_player_id ? game_find_player(game, saved_.ui_player_id) : nullptr;
        game->combat_ai_player_id = saved_.combat_ai_player_id;
        game->sol_player_id = saved_.sol_player_id;
        game->sol_sector_id = saved_.sol_sector_id;
        game->flags = saved_.flags;
        game->galaxy_speed = saved_.galaxy_speed;
        game->setup = saved_.setup;
    }
    GameFieldsGuard(const GameFieldsGuard &) = delete;
    GameFieldsGuard &operator=(const GameFieldsGuard &) = delete;

private:
    struct Fields {
        uint64_t  next_id = 0, minutes = 0, ui_player_id = 0, combat_ai_player_id = 0, sol_player_id = 0,
                  sol_sector_id = 0;
        Rng       generators[GAME_GENERATOR_COUNT] = {};
        uint32_t  flags = 0;
        int32_t   galaxy_speed = 0;
        GameSetup setup;
    };
    static Fields fields(const Game *game) {
        Fields f;
        if (!game) return f;
        f.next_id = game->next_id;
        f.minutes = game->clock ? game->clock->minutes : 0;
        for (int i = 0; i < GAME_GENERATOR_COUNT; ++i)
            if (game->generators[i]) f.generators[i] = *game->generators[i];
        f.ui_player_id = game->ui_player_id;
        f.combat_ai_player_id = game->combat_ai_player_id;
        f.sol_player_id = game->sol_player_id;
        f.sol_sector_id = game->sol_sector_id;
        f.flags = game->flags;
        f.galaxy_speed = game->galaxy_speed;
        f.setup = game->setup;
        return f;
    }
    Fields saved_;
};
