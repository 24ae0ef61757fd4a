// After start-up's set-up every hook table of the lower layers is filled: no slot is empty, and the
// mode table gives every mode its record. The set-up runs for real (store, SDL, sound manager, Game)
// in a child process, so its logger settings and singletons do not leak into the other tests. And
// whatever test ran before, every installed table is the one its builder makes, slot by slot.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>
#include "app/app_hooks.h"
#include "app/startup.h"
#include "ai/ai_player.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/store.h"
#include "effects/effect.h"
#include "ui/app_mode.h"
#include "ui/panel.h"
#include "world/world_hooks.h"
#include "support/fixture_store.h"

namespace {

// The indices of the table's empty slots. Every hook table is a plain record of function
// pointers, so its size counts its slots and a slot added later is checked without a change here.
template <class Table> std::vector<size_t> empty_slots(const Table &table) {
    static_assert(std::is_trivially_copyable_v<Table>);
    static_assert(sizeof(Table) % sizeof(void (*)()) == 0, "a hook table holds function pointers only");
    std::vector<size_t> empty;
    const auto *bytes = reinterpret_cast<const unsigned char *>(&table);
    for (size_t i = 0; i < sizeof(Table) / sizeof(void (*)()); ++i) {
        uintptr_t slot = 0;
        std::memcpy(&slot, bytes + i * sizeof slot, sizeof slot);
        if (slot == 0) empty.push_back(i);
    }
    return empty;
}

class AppHooks : public ::testing::Test {
protected:
    void SetUp() override {
        // Start from nothing installed, as a fresh process before start-up.
        effect_set_world_hooks(EffectWorldHooks{});
        panel_set_effect_hooks(PanelEffectHooks{});
        player_set_ai_hooks(PlayerAiHooks{});
        world_set_hooks(WorldHooks{});
        app_mode_set_inits(nullptr);
    }
    void TearDown() override { app_install_hooks(); }
};

// The indices of the slots where two tables of one kind hold different functions.
template <class Table> std::vector<size_t> differing_slots(const Table &a, const Table &b) {
    std::vector<size_t> differing;
    const auto *x = reinterpret_cast<const unsigned char *>(&a), *y = reinterpret_cast<const unsigned char *>(&b);
    for (size_t i = 0; i < sizeof(Table) / sizeof(void (*)()); ++i)
        if (std::memcmp(x + i * sizeof(void (*)()), y + i * sizeof(void (*)()), sizeof(void (*)())) != 0)
            differing.push_back(i);
    return differing;
}

// Every table: its name, its empty slots now, its slots that differ from what its builder makes,
// and its number of slots.
struct TableCheck {
    const char *name;
    std::vector<size_t> (*empty)();
    std::vector<size_t> (*not_built)();
    size_t slots;
};
template <class Table, const Table &(*Get)(), Table (*Build)()> TableCheck table_check(const char *name) {
    return {name, [] { return empty_slots(Get()); }, [] { return differing_slots(Get(), Build()); },
            sizeof(Table) / sizeof(void (*)())};
}
const TableCheck TABLES[] = {
    table_check<EffectWorldHooks, effect_world_hooks, app_effect_world_hooks>("EffectWorldHooks"),
    table_check<PanelEffectHooks, panel_effect_hooks, app_panel_effect_hooks>("PanelEffectHooks"),
    table_check<PlayerAiHooks, player_ai_hooks, ai_player_hooks>("PlayerAiHooks"),
    table_check<WorldHooks, world_hooks, ai_world_hooks>("WorldHooks"),
};

// One line per slot of any table that is not its builder's.
std::vector<std::string> unbuilt_slots() {
    std::vector<std::string> lines;
    for (const TableCheck &t : TABLES)
        for (size_t slot : t.not_built()) lines.push_back(std::string(t.name) + ": slot " + std::to_string(slot));
    return lines;
}

TEST_F(AppHooks, BeforeInstallingEveryTableIsEmpty) {
    // The check below means something only if an empty table reads as empty.
    for (const TableCheck &t : TABLES) EXPECT_EQ(t.empty().size(), t.slots) << t.name;
    for (int id = 0; id < APP_MODE_COUNT; ++id) EXPECT_EQ(app_mode_init_of(id), nullptr) << "mode " << id;
}

// One line per empty slot of any table and per mode without its record.
std::vector<std::string> empty_hooks() {
    std::vector<std::string> lines;
    for (const TableCheck &t : TABLES)
        for (size_t slot : t.empty()) lines.push_back(std::string(t.name) + ": slot " + std::to_string(slot) + " is empty");
    for (int id = 0; id < APP_MODE_COUNT; ++id)
        if (!app_mode_init_of(id)) lines.push_back("mode " + std::to_string(id) + " has no record");
    for (const std::string &line : unbuilt_slots()) lines.push_back(line + " is not its builder's");
    return lines;
}

TEST_F(AppHooks, AfterStartupSetUpNoSlotOfAnyTableIsEmpty) {
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(report[0]);
        StartupOptions options;
        options.has_store_path = true;
        options.store_path = GENERATED_STORE_PATH;
        store_shutdown();   // a store an earlier test made in this process would keep its own path
        int status = -1;
        std::string text;
        if (!startup_prepare(options, false, &status)) text = "set-up failed, exit status " + std::to_string(status) + "\n";
        else
            for (const std::string &line : empty_hooks()) text += line + "\n";
        if (!text.empty()) (void)!::write(report[1], text.data(), text.size());
        ::_exit(text.empty() ? 0 : 1);   // no atexit teardown of the child's copies
    }
    ::close(report[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(report[0], buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
    ::close(report[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the set-up ended by a signal";
    EXPECT_EQ(WEXITSTATUS(status), 0) << text;
    EXPECT_EQ(text, "");
}

TEST_F(AppHooks, InstallingTwiceChangesNothing) {
    app_install_hooks();
    const EffectWorldHooks effects = effect_world_hooks();
    const PanelEffectHooks panels = panel_effect_hooks();
    app_install_hooks();
    EXPECT_EQ(std::memcmp(&effects, &effect_world_hooks(), sizeof effects), 0);
    EXPECT_EQ(std::memcmp(&panels, &panel_effect_hooks(), sizeof panels), 0);
}

TEST_F(AppHooks, InstallingPutsBackASlotATestReplaced) {
    app_install_hooks();
    world_set_hooks(WorldHooks{.ai_plan_ship = ai_world_hooks().ai_plan_ship, .ai_act_ship = nullptr});
    PlayerAiHooks ai = player_ai_hooks();
    ai.galaxy_command = nullptr;
    player_set_ai_hooks(ai);
    EXPECT_EQ(unbuilt_slots(), (std::vector<std::string>{"PlayerAiHooks: slot 1", "WorldHooks: slot 1"}))
        << "the check sees a replaced slot";
    app_install_hooks();
    EXPECT_EQ(unbuilt_slots(), std::vector<std::string>{});
}

// Start-up's tables are still in place whatever ran before: a fixture that replaced a slot put its
// whole table back (the shuffled one-process run puts this test after every other in turn).
TEST(InstalledHookTables, EveryTableIsItsBuildersSlotBySlot) {
    EXPECT_EQ(unbuilt_slots(), std::vector<std::string>{});
    for (int id = 0; id < APP_MODE_COUNT; ++id) EXPECT_NE(app_mode_init_of(id), nullptr) << "mode " << id;
}

}  // namespace
