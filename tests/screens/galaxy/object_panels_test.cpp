// The galaxy screen's object-panel stack and selection over a real seeded new game: six panels
// on layers 4 to 9 with the ones beneath veiled, the seventh logged and left off the stack, the
// blink that lifts a veil, and the selection with its bracket.
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

class GalaxyObjectPanels : public PanelsGame {};

bool veiled(Control *panel) {
    const Panel *p = panel_of(panel);
    return (panel->flags & CTRL_DISABLED) && (p->flags & PANEL_DIM) && p->dim_shift == 3 && !(p->flags & PANEL_GRID);
}

TEST_F(GalaxyObjectPanels, SixObjectPanelsStackOnLayersFourToNineTheSeventhIsLoggedAndLeftOff) {
    LogFileCatcher log(fresh_test_dir("object-panels"));
    Control *panels[7] = {};
    for (int i = 0; i < 7; ++i) ASSERT_NE(panels[i] = galaxy_object_panel_open(GALAXY_PANEL_SECTOR + i), nullptr);
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
    // The seventh is shown all the same, off the stack, veiling nothing.
    EXPECT_NE(log.text().find("Object panel limit exceeded (5)"), std::string::npos) << log.text();
    EXPECT_TRUE(galaxy_object_panel_is_open(GALAXY_PANEL_SECTOR + 6));
    EXPECT_FALSE(veiled(panels[5]));

    // A blink lifts a veil and runs the panel's grid.
    galaxy_object_panel_flash(GALAXY_PANEL_SECTOR);
    const Panel *p = panel_of(panels[0]);
    EXPECT_FALSE(panels[0]->flags & CTRL_DISABLED);
    EXPECT_FALSE(p->flags & PANEL_DIM);
    EXPECT_TRUE(p->flags & PANEL_GRID);
    EXPECT_EQ(p->grid_dx, 24);
    EXPECT_EQ(p->grid_direction, -1);
    EXPECT_EQ(p->grid_period, 150);

    galaxy_object_panels_close();
    for (Control *c : panels) EXPECT_TRUE(c->flags & CTRL_REMOVED);
    EXPECT_EQ(screen()->panel_top, -1);
    EXPECT_FALSE(galaxy_object_panels_any_open());
}

TEST_F(GalaxyObjectPanels, ASelectedObjectHasAFourCorneredBracketThatGoesWithTheSelection) {
    Sector *sector = first_sector();
    ASSERT_NE(sector, nullptr);
    // The bracket stands in the screen's selection panel while it shows.
    auto bracket = []() -> Control * {
        Control *p = screen()->selection_panel;
        return p && !(p->flags & CTRL_REMOVED) && control_is_shown(p) ? p : nullptr;
    };
    // Where the sector's middle stands on the screen, and whether anything covers it yet.
    const ObjectMap *map = galaxy_current_map();
    const int mx = sector->x + sector->w / 2 - (map ? map->view_x : 0);
    const int my = sector->y + sector->h / 2 - (map ? map->view_y : 0);
    const bool covered = game_control_at_point(game, mx, my);
    const int selects = playing(6);
    galaxy_select_object(sector);
    game_flush_new_controls(game);
    EXPECT_EQ(screen()->selected, sector);
    EXPECT_TRUE(galaxy_test::has(GALAXY_FLAG_SELECTED));
    EXPECT_EQ(playing(6), selects + 1);

    Control *b = bracket();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->w, sector->w + 22);
    EXPECT_EQ(b->h, sector->h + 22);
    if (!covered) {
        EXPECT_FALSE(game_control_at_point(game, mx, my)) << "the map stays under the pointer";
    }
    const Panel *p = panel_of(b);
    ASSERT_EQ(list_count(&p->children), 4);
    const int length = std::clamp(std::max(sector->w, sector->h) / 10, 4, 10);
    for (Control *corner : p->children.items) {
        ASSERT_EQ(list_count(&panel_of(corner)->children), 1);
        const LineGroup *lines = line_group_of(panel_of(corner)->children.items[0]);
        ASSERT_NE(lines, nullptr);
        ASSERT_EQ(lines->lines.size(), 2u);
        for (const LineRecord &l : lines->lines)
            EXPECT_EQ(std::max(l.x2 - l.x1, l.y2 - l.y1) + 1, length) << "an L of two lines of the corner length";
    }

    // Selecting it again changes nothing and plays nothing.
    galaxy_select_object(sector);
    game_flush_new_controls(game);
    EXPECT_EQ(bracket(), b);
    EXPECT_EQ(playing(6), selects + 1);

    // The pointer moving on over another object and off every object leaves the bracket standing.
    Sector *other = nullptr;
    for (GameObject *o : game->galaxy_map->objects.items)
        if (Sector *s = sector_of(o); s && s != sector && !other) other = s;
    ASSERT_NE(other, nullptr);
    galaxy_hover_set(other);
    galaxy_hover_set(nullptr);
    game_flush_new_controls(game);
    EXPECT_EQ(bracket(), b) << "the bracket stays with the selection, not with the hover";
    EXPECT_EQ(list_count(&panel_of(b)->children), 4);

    galaxy_select_object(nullptr);
    EXPECT_EQ(screen()->selected, nullptr);
    EXPECT_FALSE(galaxy_test::has(GALAXY_FLAG_SELECTED));
    EXPECT_FALSE(control_is_shown(b)) << "the bracket goes with the selection";
    EXPECT_EQ(bracket(), nullptr);
}

}  // namespace

namespace {

struct Box {
    int x, y, w, h;
};
// Where a panel stands once it has grown in.
Box final_box(const Control *c) {
    Box b{};
    control_get_bounds(c, &b.x, &b.y, &b.w, &b.h);
    return b;
}
bool intersect(const Box &a, const Box &b) {
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

// A sector just above the news box in the bottom-left corner: its panel, placed beside it, would
// come down over the news; it stands clear of it.
TEST_F(GalaxyObjectPanels, ASectorsPanelOpenedBesideItKeepsClearOfTheNewsBox) {
    press('6');
    frames(15);
    Control *news = screen()->side_panels[GALAXY_LIST_NEWS];
    ASSERT_TRUE(news && control_is_shown(news));
    const Box news_box = final_box(news);
    Sector *sector = first_sector();
    ASSERT_NE(sector, nullptr);
    ObjectMap *m = game->galaxy_map;
    sector->x = m->view_x + news_box.x + 40;
    sector->y = m->view_y + news_box.y - 12 - sector->h;

    // The player points at the sector and clicks it.
    ui_test::mouse_at(sector->x - m->view_x + sector->w / 2, sector->y - m->view_y + sector->h / 2);
    frame();
    ASSERT_EQ(screen()->hovered, sector);
    ui_test::left_down();
    frame();
    ui_test::left_up();
    frames(15);
    Control *panel = galaxy_object_panel_top();
    ASSERT_TRUE(panel && panel->id == GALAXY_PANEL_SECTOR);
    const Box box = final_box(panel);
    EXPECT_FALSE(intersect(box, final_box(news)))
        << "the panel from " << box.y << " to " << box.y + box.h << ", the news box from " << news_box.y;
    driver.save_screen("overlaps/galaxy_sector_panel_and_news.png");   // for review
}

}  // namespace
