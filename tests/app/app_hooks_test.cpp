// After start-up's set-up every hook table of the lower layers is filled: no slot is empty, and the
// mode table gives every mode its record.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>
#include "app/app_hooks.h"
#include "effects/effect.h"
#include "ui/app_mode.h"
#include "ui/control.h"
#include "ui/control_minimap.h"
#include "ui/panel.h"
#include "ui/player_name_label.h"
#include "ui/minimap_panel.h"
#include "ui/scene.h"
#include "ui/transfer_slider.h"

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
        control_set_world_hooks(ControlWorldHooks{});
        minimap_set_world_hooks(MinimapWorldHooks{});
        panel_set_effect_hooks(PanelEffectHooks{});
        scene_set_hooks(SceneHooks{});
        transfer_slider_set_hooks(TransferSliderHooks{});
        minimap_panel_set_hooks(MinimapPanelHooks{});
        player_name_label_set_hooks(PlayerNameHooks{});
        app_mode_set_inits(nullptr);
    }
    void TearDown() override { app_install_hooks(); }
};

TEST_F(AppHooks, BeforeInstallingEveryTableIsEmpty) {
    // The check below means something only if an empty table reads as empty.
    EXPECT_EQ(empty_slots(effect_world_hooks()).size(), sizeof(EffectWorldHooks) / sizeof(void (*)()));
    EXPECT_EQ(empty_slots(control_world_hooks()).size(), sizeof(ControlWorldHooks) / sizeof(void (*)()));
    EXPECT_EQ(empty_slots(minimap_world_hooks()).size(), sizeof(MinimapWorldHooks) / sizeof(void (*)()));
    EXPECT_EQ(empty_slots(panel_effect_hooks()).size(), sizeof(PanelEffectHooks) / sizeof(void (*)()));
    EXPECT_EQ(empty_slots(scene_hooks()).size(), sizeof(SceneHooks) / sizeof(void (*)()));
    EXPECT_EQ(empty_slots(transfer_slider_hooks()).size(), sizeof(TransferSliderHooks) / sizeof(void (*)()));
    EXPECT_EQ(empty_slots(minimap_panel_hooks()).size(), sizeof(MinimapPanelHooks) / sizeof(void (*)()));
    EXPECT_EQ(empty_slots(player_name_label_hooks()).size(), sizeof(PlayerNameHooks) / sizeof(void (*)()));
    for (int id = 0; id < APP_MODE_COUNT; ++id) EXPECT_EQ(app_mode_init_of(id), nullptr) << "mode " << id;
}

TEST_F(AppHooks, AfterInstallingNoSlotOfAnyTableIsEmpty) {
    app_install_hooks();
    const auto expect_full = [](const std::vector<size_t> &empty, const char *table) {
        for (size_t slot : empty) ADD_FAILURE() << table << ": slot " << slot << " is empty";
    };
    expect_full(empty_slots(effect_world_hooks()), "EffectWorldHooks");
    expect_full(empty_slots(control_world_hooks()), "ControlWorldHooks");
    expect_full(empty_slots(minimap_world_hooks()), "MinimapWorldHooks");
    expect_full(empty_slots(panel_effect_hooks()), "PanelEffectHooks");
    expect_full(empty_slots(scene_hooks()), "SceneHooks");
    expect_full(empty_slots(transfer_slider_hooks()), "TransferSliderHooks");
    expect_full(empty_slots(minimap_panel_hooks()), "MinimapPanelHooks");
    expect_full(empty_slots(player_name_label_hooks()), "PlayerNameHooks");
    for (int id = 0; id < APP_MODE_COUNT; ++id) EXPECT_NE(app_mode_init_of(id), nullptr) << "mode " << id;
}

TEST_F(AppHooks, InstallingTwiceChangesNothing) {
    app_install_hooks();
    const EffectWorldHooks effects = effect_world_hooks();
    const ControlWorldHooks controls = control_world_hooks();
    app_install_hooks();
    EXPECT_EQ(std::memcmp(&effects, &effect_world_hooks(), sizeof effects), 0);
    EXPECT_EQ(std::memcmp(&controls, &control_world_hooks(), sizeof controls), 0);
}

}  // namespace
