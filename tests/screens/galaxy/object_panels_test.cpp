// The galaxy screen's object-panel stack and selection over a real seeded new game: six panels
// stacked on layers 4 to 9 with the ones beneath veiled, the seventh logged and left off the
// stack, the top panel's blink, and the selection with its pulsing bracket.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "../../support/fixture_store.h"
#include "../../test_support.h"
#include "panels_test_support.h"
#include "ui/line_group.h"

namespace {

using galaxy_test::PanelsGame;
using galaxy_test::screen;

class GalaxyObjectPanels : public PanelsGame {
protected:
    static bool veiled(Control *panel) {
        const Panel *p = panel_of(panel);
        return (panel->flags & CTRL_DISABLED) && (p->flags & PANEL_DIM) && p->dim_shift == 3 && !(p->flags & PANEL_GRID);
    }
};

TEST_F(GalaxyObjectPanels, SixPanelsStackOnLayersFourToNineTheSeventhIsLoggedAndLeftOff) {
    LogFileCatcher log(fresh_test_dir("object-panels"));
    Control *panels[7] = {};
    for (int i = 0; i < 7; ++i) {
        panels[i] = galaxy_object_panel_open(GALAXY_PANEL_SECTOR + i);
        ASSERT_NE(panels[i], nullptr);
    }
    game_flush_new_controls(game);

    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(panels[i]->layer, 4 + i) << "panel " << i;
        EXPECT_EQ(screen()->panel_stack[i], GALAXY_PANEL_SECTOR + i);
        EXPECT_EQ(veiled(panels[i]), i < 5) << "panel " << i;
    }
    EXPECT_EQ(screen()->panel_top, 5);
    EXPECT_EQ(galaxy_object_panel_bottom(), panels[0]);
    EXPECT_EQ(galaxy_object_panel_top(), panels[5]);
    for (Control *side : screen()->side_panels) {
        if (side) {
            EXPECT_EQ(side->layer, 4);
        }
    }

    // The seventh is shown all the same, but is not on the stack.
    EXPECT_NE(log.text().find("Object panel limit exceeded (5)"), std::string::npos) << log.text();
    EXPECT_EQ(panels[6]->tag, GALAXY_GROUP_OBJECT_PANELS);
    EXPECT_TRUE(starmap_object_panel_is_open(GALAXY_PANEL_SECTOR + 6));
    EXPECT_FALSE(veiled(panels[5])) << "the seventh veils nothing";

    galaxy_object_panels_close();
    for (Control *p : panels) EXPECT_TRUE(p->flags & CTRL_REMOVED);
    EXPECT_EQ(screen()->panel_top, -1);
    EXPECT_FALSE(starmap_object_panels_any_open());
}

TEST_F(GalaxyObjectPanels, APanelCountsAsOpenWhileShownOrWaitingToShowAgain) {
    Control *panel = galaxy_object_panel_open(GALAXY_PANEL_FLEET);
    game_flush_new_controls(game);
    EXPECT_TRUE(starmap_object_panel_is_open(GALAXY_PANEL_FLEET));
    starmap_object_panels_show(false);
    EXPECT_FALSE(starmap_object_panel_is_open(GALAXY_PANEL_FLEET));
    EXPECT_FALSE(starmap_object_panels_any_open());
    control_hide_for(panel, 200);
    EXPECT_EQ(galaxy_object_panel_find(GALAXY_PANEL_FLEET), panel) << "hidden only until it shows again";
    starmap_object_panels_show(true);
    EXPECT_TRUE(starmap_object_panels_any_open());
    control_remove(panel);
    EXPECT_FALSE(starmap_object_panel_is_open(GALAXY_PANEL_FLEET));
}

TEST_F(GalaxyObjectPanels, TheBlinkOfAPanelLiftsItsVeilAndRunsItsGrid) {
    Control *beneath = galaxy_object_panel_open(GALAXY_PANEL_SECTOR);
    galaxy_object_panel_open(GALAXY_PANEL_SHIP);
    game_flush_new_controls(game);
    ASSERT_TRUE(veiled(beneath));
    starmap_object_panel_flash(GALAXY_PANEL_SECTOR);
    const Panel *p = panel_of(beneath);
    EXPECT_FALSE(beneath->flags & (CTRL_DISABLED | CTRL_DISABLE_TIMER));
    EXPECT_FALSE(p->flags & PANEL_DIM);
    ASSERT_TRUE(p->flags & PANEL_GRID);
    EXPECT_NE(p->grid, nullptr);
    EXPECT_EQ(p->grid_dx, 24);
    EXPECT_EQ(p->grid_dy, 24);
    EXPECT_EQ(p->grid_direction, -1);
    EXPECT_EQ(p->grid_period, 150);
}

// ---- The selection ----

class GalaxySelection : public PanelsGame {
protected:
    Sector *sector = nullptr;
    void SetUp() override {
        PanelsGame::SetUp();
        if (HasFatalFailure()) return;
        for (GameObject *o : game->galaxy_map->objects.items) {
            if (!o) break;
            if ((sector = sector_of(o))) break;
        }
        ASSERT_NE(sector, nullptr);
    }
    static Control *bracket() {
        for (Control *c : game_get()->controls->items) {
            if (!c) break;
            if (c->tag == GALAXY_GROUP_SELECTION && !(c->flags & CTRL_REMOVED)) return c;
        }
        return nullptr;
    }
};

TEST_F(GalaxySelection, ASelectedObjectGetsAFourCorneredBracketThatGoesWithTheSelection) {
    // Where the sector's middle stands on the screen, and whether anything covers it yet.
    const ObjectMap *map = galaxy_current_map();
    const int mx = sector->x + sector->w / 2 - (map ? map->view_x : 0);
    const int my = sector->y + sector->h / 2 - (map ? map->view_y : 0);
    const bool covered = game_control_at_point(game, mx, my);
    const int selects = playing(6);
    starmap_select_object(sector);
    game_flush_new_controls(game);
    EXPECT_EQ(screen()->selected, sector);
    EXPECT_TRUE(galaxy_test::has(GALAXY_FLAG_SELECTED));
    EXPECT_EQ(playing(6), selects + 1);

    Control *b = bracket();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(count_tagged(GALAXY_GROUP_SELECTION), 1);
    EXPECT_EQ(b->w, sector->w + 22);
    EXPECT_EQ(b->h, sector->h + 22);
    if (!covered) {
        EXPECT_FALSE(game_control_at_point(game, mx, my)) << "the map stays under the pointer";
    }
    const Panel *p = panel_of(b);
    ASSERT_EQ(list_count(&p->children), 4);
    const int length = std::clamp(std::max(sector->w, sector->h) / 10, 4, 10);
    for (Control *corner : p->children.items) {
        const Panel *cp = panel_of(corner);
        ASSERT_NE(cp, nullptr);
        ASSERT_EQ(list_count(&cp->children), 1);
        const LineGroup *lines = line_group_of(cp->children.items[0]);
        ASSERT_NE(lines, nullptr);
        ASSERT_EQ(lines->lines.size(), 2u);
        for (const LineRecord &l : lines->lines)
            EXPECT_EQ(std::max(l.x2 - l.x1, l.y2 - l.y1) + 1, length) << "an L of two lines of the corner length";
    }

    // Selecting it again changes nothing and plays nothing.
    starmap_select_object(sector);
    game_flush_new_controls(game);
    EXPECT_EQ(bracket(), b);
    EXPECT_EQ(count_tagged(GALAXY_GROUP_SELECTION), 1);
    EXPECT_EQ(playing(6), selects + 1);

    starmap_select_object(nullptr);
    EXPECT_EQ(screen()->selected, nullptr);
    EXPECT_FALSE(galaxy_test::has(GALAXY_FLAG_SELECTED));
    EXPECT_TRUE(b->flags & CTRL_REMOVED);
    EXPECT_EQ(bracket(), nullptr);
}

TEST_F(GalaxySelection, TheBracketsCornersJumpOutwardEveryPeriodAndSlideBack) {
    starmap_select_object(sector);
    game_flush_new_controls(game);
    Control *b = bracket();
    ASSERT_NE(b, nullptr);
    Control *top_left = panel_of(b)->children.items[0];
    Control *bottom_right = panel_of(b)->children.items[2];
    const int lx = top_left->x, ly = top_left->y, rx = bottom_right->x, ry = bottom_right->y;
    ASSERT_LT(lx, rx);
    ASSERT_LT(ly, ry);
    for (int t = 0; t < 600; t += 20) game_update_controls(game, 20);
    EXPECT_EQ(top_left->x, lx - 6);
    EXPECT_EQ(top_left->y, ly - 6);
    EXPECT_EQ(bottom_right->x, rx + 6);
    EXPECT_EQ(bottom_right->y, ry + 6);
    for (int t = 0; t < 400; t += 20) game_update_controls(game, 20);
    EXPECT_EQ(top_left->x, lx);
    EXPECT_EQ(top_left->y, ly);
    EXPECT_EQ(bottom_right->x, rx);
    EXPECT_EQ(bottom_right->y, ry);
}

}  // namespace
