// The sector view's minimap on a real seeded game: one at most, at the screen's right edge, marked
// where the shown sector lies.
#include "galaxy_test_support.h"

#include "screens/galaxy/galaxy_services.h"
#include "ui/control_minimap.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"
#include "views/map_marker_panel.h"
#include "world/object_map.h"
#include "world/sector.h"

using namespace galaxy_test;

namespace {

class SectorMinimap : public GalaxyGame {
protected:
    void TearDown() override {
        if (Control *minimap = find(GALAXY_ID_SECTOR_MINIMAP)) control_remove(minimap);
        GalaxyGame::TearDown();
    }

    Sector *far_sector() {
        Sector *far = nullptr;
        for (GameObject *o : game->galaxy_map->objects.items)
            if (Sector *s = sector_of(o); s && (!far || s->x + s->y > far->x + far->y)) far = s;
        return far;
    }
    static MinimapControl *minimap_in(Control *panel) {
        return minimap_of(panel_find_child(panel, MAP_MARKER_MINIMAP_ID));
    }
};

TEST_F(SectorMinimap, StandsAtTheRightEdgeMarkedAtTheSectorAndIsMadeOnce) {
    Sector *s = far_sector();
    ASSERT_NE(s, nullptr);
    galaxy_sector_minimap_create(s);
    game_flush_new_controls(game);
    Control *panel = find(GALAXY_ID_SECTOR_MINIMAP);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->x + panel->w, ui_screen_width() - 6);
    EXPECT_EQ(panel->y, 40);
    MinimapControl *m = minimap_in(panel);
    ASSERT_NE(m, nullptr);
    ASSERT_TRUE(m->flags & MINIMAP_POINT);
    EXPECT_EQ(m->point_x, s->x * MAP_MARKER_WIDTH / game->galaxy_map->world_w);
    EXPECT_EQ(m->point_y, s->y * MAP_MARKER_HEIGHT / game->galaxy_map->world_h);
    EXPECT_GT(m->point_x + m->point_y, 0) << "the farthest sector is not at the origin";

    galaxy_sector_minimap_create(nullptr);
    game_flush_new_controls(game);
    int count = 0;
    for (Control *c : game->controls->items)
        count += c && c->id == GALAXY_ID_SECTOR_MINIMAP && !(c->flags & CTRL_REMOVED);
    EXPECT_EQ(count, 1);
    frame();
    EXPECT_EQ(find(GALAXY_ID_SECTOR_MINIMAP), panel) << "it survives the screen's frame";
}

TEST_F(SectorMinimap, WithoutASectorItIsUnmarked) {
    galaxy_sector_minimap_create(nullptr);
    game_flush_new_controls(game);
    Control *panel = find(GALAXY_ID_SECTOR_MINIMAP);
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(minimap_in(panel), nullptr);
    EXPECT_FALSE(minimap_in(panel)->flags & MINIMAP_POINT);
}

}  // namespace
