// The map marker panel over the galaxy of a real seeded new game: where the marker lands on the
// minimap, and which dot the highlight lights.
#include "../game/headless_fixture.h"

#include "game/game.h"
#include "platform/random.h"
#include "ui/control.h"
#include "ui/control_minimap.h"
#include "ui/panel.h"
#include "views/map_marker_panel.h"
#include "world/object_map.h"
#include "world/sector.h"

namespace {

class MapMarkerPanel : public ModelGame {
protected:
    static constexpr uint32_t SEED = 20261208;
    Control *panel = nullptr;

    void SetUp() override {
        ModelGame::SetUp();
        random_seed(SEED);
        ASSERT_EQ(headless_new_game(game, HeadlessOptions{}), RES_OK) << "seed " << SEED;
        ASSERT_GT(game->galaxy_map->world_w, 0);
        ASSERT_GT(game->galaxy_map->world_h, 0);
        panel = control_addref(panel_create_empty());
        map_marker_panel_build(panel);
    }
    void TearDown() override {
        control_release(panel);
        ModelGame::TearDown();
    }

    Control *minimap() { return panel_find_child(panel, MAP_MARKER_MINIMAP_ID); }
    MinimapControl *m() { return minimap_of(minimap()); }

    std::vector<const MinimapDot *> lit_dots() {
        control_update(minimap(), 20);
        std::vector<const MinimapDot *> lit;
        for (int32_t i = 0; i < m()->dot_count; ++i)
            if (m()->dots[size_t(i)].highlighted) lit.push_back(&m()->dots[size_t(i)]);
        return lit;
    }

};

TEST_F(MapMarkerPanel, TheMarkerScalesMapPointsOntoTheMinimapAndMovesWhenPlacedAgain) {
    ASSERT_NE(m(), nullptr);
    EXPECT_EQ(panel->w, 200);
    EXPECT_EQ(panel->h, 150);
    EXPECT_EQ(m()->flags & MINIMAP_POINT, 0u) << "no marker until one is placed";
    const ObjectMap *map = game->galaxy_map;
    map_marker_place(panel, map->world_w / 2, map->world_h / 2);
    EXPECT_TRUE(m()->flags & MINIMAP_POINT);
    EXPECT_EQ(m()->point_x, 100);
    EXPECT_EQ(m()->point_y, 75);

    map_marker_place(panel, 0, 0);
    EXPECT_EQ(m()->point_x, 0);
    EXPECT_EQ(m()->point_y, 0);
    EXPECT_TRUE(m()->flags & MINIMAP_POINT) << "placing never turns it off";

    map_marker_place(panel, map->world_w - 1, map->world_h - 1);
    EXPECT_EQ(m()->point_x, 199);
    EXPECT_EQ(m()->point_y, 149);
}

TEST_F(MapMarkerPanel, TheHighlightLightsOnlyItsObjectAndAnUnknownIdLightsNothing) {
    Sector *s = nullptr;
    for (GameObject *o : game->galaxy_map->objects.items) s = s ? s : sector_of(o);
    ASSERT_NE(s, nullptr);
    map_marker_panel_set_highlight(panel, s->id);
    std::vector<const MinimapDot *> lit = lit_dots();
    ASSERT_EQ(lit.size(), 1u);
    EXPECT_NEAR(lit[0]->x, (s->x + s->w / 2) * 200 / game->galaxy_map->world_w, 1);
    EXPECT_NEAR(lit[0]->y, (s->y + s->h / 2) * 150 / game->galaxy_map->world_h, 1);

    map_marker_panel_set_highlight(panel, 0xFFFF'FFFF'FFFFull);
    EXPECT_TRUE(lit_dots().empty());

    map_marker_panel_set_highlight(panel, 0);
    EXPECT_EQ(m()->selected, 0u) << "the minimap's own highlighting is back";
}

}  // namespace
