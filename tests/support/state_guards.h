#pragma once
// Guards for the process-wide state a fixture replaces: the hook tables and the slots of long-lived
// records (the game's maps and lists). Each guard notes what was there when it began and puts it back
// when it goes out of scope, on every way out, a failed assertion in SetUp included. The test binary
// also runs whole in one process and shuffled, so what one test installs must not reach the next.
//  - EnvGuard: one environment variable (a set-up that points the save folder elsewhere).
//  - A fixture holds the guards as members: they are made before SetUp and destroyed after TearDown.
//  - The process starts with the application's tables (support/app_environment.cpp); an empty table
//    is not that start, so a fixture never "cleans up" by installing an empty one.
#include <cstdlib>
#include <optional>
#include <string>
#include "game/player.h"
#include "ui/control_minimap.h"
#include "ui/minimap_panel.h"
#include "ui/player_name_label.h"
#include "world/world_hooks.h"

template <typename Table, const Table &(*Get)(), void (*Set)(const Table &)>
class HookTableGuard {
public:
    HookTableGuard() : saved_(Get()) {}
    ~HookTableGuard() { Set(saved_); }
    HookTableGuard(const HookTableGuard &) = delete;
    HookTableGuard &operator=(const HookTableGuard &) = delete;

private:
    Table saved_;
};

using WorldHooksGuard        = HookTableGuard<WorldHooks, world_hooks, world_set_hooks>;
using PlayerAiHooksGuard     = HookTableGuard<PlayerAiHooks, player_ai_hooks, player_set_ai_hooks>;
using MinimapWorldHooksGuard = HookTableGuard<MinimapWorldHooks, minimap_world_hooks, minimap_set_world_hooks>;
using MinimapPanelHooksGuard = HookTableGuard<MinimapPanelHooks, minimap_panel_hooks, minimap_panel_set_hooks>;
using PlayerNameHooksGuard   = HookTableGuard<PlayerNameHooks, player_name_label_hooks, player_name_label_set_hooks>;

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
