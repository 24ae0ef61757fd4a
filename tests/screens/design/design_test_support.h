#pragma once
// Test support for the design list and the design summary: the UI player's home shipyard on a
// real seeded game, designs added through the player's own operations, a panel of the test's own
// on the top level, and the small readers of texts, buttons and tooltips.
#include "../galaxy/panels_test_support.h"

#include <string>
#include <vector>

#include "game/player.h"
#include "ui/dialog.h"
#include "ui/image_control.h"
#include "ui/text_label.h"
#include "world/factory.h"
#include "world/sector.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace design_test {

// Buttons and their icons, dialog buttons, row and stat icons, scroll arrows.
constexpr int IMAGE_TYPES[] = {IMAGE_NO, IMAGE_CLOSE, IMAGE_YES, IMAGE_BUILD_SHIP, IMAGE_SCRAP, IMAGE_NEW_DESIGN,
                               IMAGE_EDIT_DESIGN, IMAGE_CREDITS, IMAGE_ARMOUR, IMAGE_POWER, IMAGE_CLOCK,
                               IMAGE_CREW, IMAGE_ARROW_UP, IMAGE_ARROW_DOWN, IMAGE_SHIELD, IMAGE_MASS,
                               IMAGE_MOVEMENT, IMAGE_HULL_CLASS};

inline std::string text_of(const Control *c) {
    const TextLabel *t = text_label_of(c);
    return t && t->text ? t->text : "";
}
inline Control *kid(Control *panel, int id) { return panel ? panel_find_child(panel, id) : nullptr; }
// The credits ("$%i") and days texts of a cost tag.
inline std::string tag_cost(Control *tag) { return text_of(kid(kid(tag, COST_TAG_FRAME_ID), COST_TAG_CREDITS_LABEL_ID)); }
inline std::string tag_days(Control *tag) { return text_of(kid(kid(tag, COST_TAG_FRAME_ID), COST_TAG_DAYS_LABEL_ID)); }
inline std::string tip_of(const Control *c) {
    const ImageControl *im = image_of(c);
    return im && im->tooltip_text ? im->tooltip_text : "";
}

class DesignGame : public galaxy_test::PanelsGame {
protected:
    Player *ui = nullptr;
    Sector *home = nullptr;
    Site *yard = nullptr;
    Site *base = nullptr;
    Control *panel = nullptr;
    int32_t hull = 0;   // of the first design

    void SetUp() override {
        PanelsGame::SetUp();
        if (HasFatalFailure()) return;
        for (int type : IMAGE_TYPES) ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
        for (int32_t t = 0; t < SHIP_TEMPLATE_COUNT; ++t) factory_acquire_group(OBJECT_SHIP, t, FACTORY_GROUP_FRAMES);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        ui = game->ui_player;
        ui_ships_at_home(1, &home);
        ASSERT_NE(home, nullptr) << "seed " << SEED;
        yard = sector_find_site_of_kind(home, SITE_SHIPYARD);
        base = sector_find_site_of_kind(home, SITE_STARBASE);
        ASSERT_NE(yard, nullptr) << "seed " << SEED;
        ASSERT_NE(base, nullptr) << "seed " << SEED;
        ASSERT_GT(player_design_count(ui), 0);
        hull = player_get_design_at(ui, 0)->subtype;
    }
    void TearDown() override {
        if (panel) control_remove(panel);
        frame();
        for (int type : IMAGE_TYPES) image_control_free_type(type);
        PanelsGame::TearDown();
    }

    // An empty panel on the top level for the builder under test.
    Control *top_panel() {
        panel = game_add_control(game, 60, 40, 0, 0, panel_create_empty());
        game_flush_new_controls(game);
        return panel;
    }
    // A copy of the player's first design (a bare hull when it has none), added as a new design.
    GameObject *add_design(const char *name) {
        GameObject *copy = player_design_count(ui) > 0 ? player_build_ship_from_design(ui, 0)
                                                       : factory_create_object(OBJECT_SHIP, hull);
        ship_of(copy)->ship_name = name;
        player_add_design(ui, copy);
        return copy;
    }
    // The player keeps only its first n designs.
    void keep_designs(int32_t n) {
        while (player_design_count(ui) > n) player_remove_design(ui, player_get_design_at(ui, n)->id);
    }
    // The shipyard keeps a paused build of the design.
    void pause_on(const GameObject *design, int32_t cost, int32_t minutes) {
        yard->state |= SITE_PAUSED_KEPT;
        yard->paused_item = 0;
        yard->paused_item_id = design->id;
        yard->paused_cost = cost;
        yard->paused_remaining = minutes;
    }
    // Builds in the home sector get the discount: one of its sites carries the discount feature.
    void discount_home() {
        Site *site = list_get(&home->sites, list_count(&home->sites) - 1);
        if (!site->feature) site->feature = new SiteFeature();
        site->feature->kind = FEATURE_DISCOUNT;
        site->feature->defence_kind = -1;
    }
};

}  // namespace design_test
