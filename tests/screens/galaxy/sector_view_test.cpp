// The sector view of a real seeded game entered through the screen's own zoom: the UI player's
// ships stand in their display group drawn with their hulls' rotation pictures, and the pictures
// the view asked for are let go when the view closes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "galaxy_test_support.h"
#include "game/encounter_life.h"
#include "game/orders.h"
#include "effects/effect.h"
#include "platform/hash.h"
#include "screens/galaxy/galaxy_services.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "world/factory.h"
#include "world/fleet.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

using galaxy_test::has;
using galaxy_test::screen;

class SectorView : public galaxy_test::GalaxyGame {
protected:
    Sector *home = nullptr;
    galaxy_test::ScreenSizedContext context;

    void SetUp() override {
        GalaxyGame::SetUp();
        context.enlarge();
        // The galaxy keeps every template's frame sprites, as the galaxy load thread asks for them.
        factory_acquire_group_all(FACTORY_GROUP_FRAMES);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        frame();
        for (GameObject *o : game->ui_player->objects.items)
            if (Ship *ship = ship_of(o); ship && ship->sector_id && !home) home = sector_find(ship->sector_id);
        ASSERT_NE(home, nullptr) << "the UI player starts with ships in its home sector";
        object_add_ref(home);   // the selection, as a click on the sector leaves it
        screen()->selected = home;
        screen()->screen_flags.fetch_or(GALAXY_FLAG_SELECTED);
    }

    void TearDown() override {
        GalaxyGame::TearDown();
        context.restore();
    }

    void run_transition(uint32_t flag) {
        for (int i = 0; i < 300 && has(flag); ++i) {
            galaxy_zoom_step(20);
            frame();
        }
        ASSERT_FALSE(has(flag));
    }

    Fleet *ui_group() const {
        for (GameObject *obj : game->sector_map->objects.items)
            if (Fleet *f = fleet_of(obj); f && f->owner_id == game->ui_player_id) return f;
        return nullptr;
    }

    static int32_t detail_requests(int32_t hull) {
        Factory *f = factory_get(OBJECT_SHIP);
        return f ? f->requested[size_t(hull)][FACTORY_GROUP_DETAIL] : -1;
    }
};

TEST_F(SectorView, TheUiPlayersShipsShowTheirRotationPicturesUntilTheViewCloses) {
    galaxy_sector_on_enter(nullptr);
    ASSERT_TRUE(has(GALAXY_FLAG_ZOOM_IN));
    run_transition(GALAXY_FLAG_ZOOM_IN);
    ASSERT_EQ(game->shown_sector_id, home->id);

    Fleet *group = ui_group();
    ASSERT_NE(group, nullptr) << "one display group for the UI player's ships";
    ASSERT_TRUE(group->fleet_flags & FLEET_COMPOSITE);
    ASSERT_FALSE(group->composition.empty());
    EXPECT_GT(group->w, 1);
    EXPECT_GT(group->h, 1);
    std::vector<std::pair<int32_t, int32_t>> shown;   // (hull, frame) of every entry
    for (const FleetCompEntry &e : group->composition) {
        const Ship *ship = ship_of(list_get(&group->ships, e.ship));
        ASSERT_NE(ship, nullptr);
        ASSERT_NE(ship->frames, nullptr) << ship->name;
        ASSERT_GE(e.frame, ship->rot_first) << ship->name;
        ASSERT_LE(e.frame, ship->rot_last) << ship->name;
        EXPECT_GT(ship->frame_w[e.frame], 1);
        EXPECT_GT(ship->frame_h[e.frame], 1);
        EXPECT_NE(ship->frames[e.frame], nullptr) << ship->name << "'s picture for the group's heading is loaded";
        EXPECT_EQ(detail_requests(ship->subtype), 1) << "one request per hull shown, however many ships";
        shown.emplace_back(ship->subtype, e.frame);
    }

    // Showing the same sector again asks for nothing more.
    game_set_sector_contents(game, home->id);
    for (const auto &[hull, f] : shown) EXPECT_EQ(detail_requests(hull), 1);
    group = ui_group();
    ASSERT_NE(group, nullptr);

    // On the screen, the group's box holds the hulls over the clean sector picture.
    frame();
    frame();
    const title_test::Backdrop clean(home->subtype + GALAXY_BG_SECTOR_FIRST);
    ASSERT_TRUE(clean.ok());
    const ObjectMap *map = game->sector_map;
    int drawn = 0, area = 0;
    for (int y = group->y - map->view_y; y < group->y + group->h - map->view_y; ++y)
        for (int x = group->x - map->view_x; x < group->x + group->w - map->view_x; ++x) {
            if (x < 0 || y < 0 || x >= GFX_WIDTH || y >= GFX_HEIGHT) continue;
            ++area;
            drawn += !(driver.pixel(x, y) == clean.at(x, y));
        }
    ASSERT_GT(area, 0) << "the group stands on the screen";
    EXPECT_GT(drawn * 10, area) << drawn << " of " << area << " pixels drawn over the sector picture";
    driver.save_screen("galaxy_sector_view_ships.png");

    // Back on the star map nothing holds the pictures any more: they are unloaded.
    const int cx = GFX_WIDTH / 2, cy = GFX_HEIGHT / 2;
    galaxy_zoom_begin(cx - 5, cy - 5, cx + 5, cy + 5);
    run_transition(GALAXY_FLAG_ZOOM_OUT);
    ASSERT_EQ(game->shown_sector_id, 0u);
    for (const auto &[hull, f] : shown) {
        EXPECT_EQ(detail_requests(hull), 0) << "hull " << hull;
        const GameObject *tmpl = factory_get_template(OBJECT_SHIP, hull);
        ASSERT_NE(tmpl, nullptr);
        EXPECT_EQ(tmpl->frames[f], nullptr) << "hull " << hull << " frame " << f;
    }
}

// The home star in the sector view: its glow fades smoothly into the sky behind it. Along every row
// of a ring between the bright corona and the picture's edge no pixel stands out from both its
// neighbours (a stippled corona alternates lit and empty pixels), the ring is lit near the star and
// meets the sky at the edge, and the halo blended behind the star does not build up frame by frame.
TEST_F(SectorView, TheStarsGlowFadesSmoothlyIntoTheSkyWithoutAStippledRing) {
    struct Halos {   // as start-up loads them; let go however the test ends
        ~Halos() { effect_types_free(); }
    } halos;
    ASSERT_EQ(effect_load_type(EFFECT_HALO), RES_OK);
    galaxy_sector_on_enter(nullptr);
    run_transition(GALAXY_FLAG_ZOOM_IN);
    const Site *star = nullptr;
    for (GameObject *obj : game->sector_map->objects.items)
        if (const Site *site = site_cast(obj); site && (site->params.template_flags & SITE_TF_STAR)) star = site;
    ASSERT_NE(star, nullptr);
    frames(2);
    const title_test::Backdrop sky(home->subtype + GALAXY_BG_SECTOR_FIRST);
    ASSERT_TRUE(sky.ok());
    const ObjectMap *map = game->sector_map;
    const int cx = star->x + star->w / 2 - map->view_x, cy = star->y + star->h / 2 - map->view_y;
    const int half = star->w / 2;
    auto light = [](ui_test::Rgb c) { return int(std::max({c.r, c.g, c.b})); };
    // Each pixel of the ring between two fractions of the star's half side, on the screen.
    auto ring = [&](double from, double to, const std::function<void(int, int)> &visit) {
        for (int y = std::max(cy - half, 0); y <= std::min(cy + half, GFX_HEIGHT - 1); ++y)
            for (int x = std::max(cx - half, 1); x <= std::min(cx + half, GFX_WIDTH - 2); ++x)
                if (const double d = std::hypot(x - cx, y - cy) / half; d >= from && d < to) visit(x, y);
    };
    auto added = [&](double from, double to) {   // the mean light the star adds to the sky there
        long sum = 0, n = 0;
        ring(from, to, [&](int x, int y) { sum += light(driver.pixel(x, y)) - light(sky.at(x, y)), ++n; });
        return n ? double(sum) / double(n) : 0.0;
    };
    const double near_star = added(0.5, 0.6), halo_only = added(0.8, 0.9);

    int stippled = 0, pixels = 0;
    ring(0.45, 1.0, [&](int x, int y) {
        auto stands_out = [&](auto at) {
            const int l = light(at(x - 1, y)), m = light(at(x, y)), r = light(at(x + 1, y));
            constexpr int STEP = 16;
            return (m - l > STEP && m - r > STEP) || (l - m > STEP && r - m > STEP);
        };
        ++pixels;
        // A star of the sky's own stands out of it too: only what the glow made counts.
        stippled += stands_out([&](int px, int py) { return driver.pixel(px, py); }) &&
                    !stands_out([&](int px, int py) { return sky.at(px, py); });
    });
    driver.save_screen("sector_view_star_glow.png");   // for review
    ASSERT_GT(pixels, 1000);
    EXPECT_LT(stippled * 100, pixels) << stippled << " of " << pixels << " pixels of the glow stand out of their row";
    EXPECT_GT(near_star, 20.0) << "the glow lights the sky close to the star";
    EXPECT_GT(halo_only, 6.0) << "the halo carries the glow on past the star's picture";
    EXPECT_LT(std::abs(added(0.9, 1.0)), 6.0) << "the glow has faded into the sky at the picture's edge";

    frames(50);
    EXPECT_NEAR(added(0.8, 0.9), halo_only, 2.0) << "the halo is blended over the sky afresh every frame";
}

}  // namespace

namespace {

// Every picture the program loads at start-up, the markers' icons among them.
class AllImageTypes {
public:
    AllImageTypes() {
        for (int t = 0; t < IMAGE_TYPE_COUNT; ++t)
            if (image_control_load_type(t) == RES_OK) loaded_.push_back(t);
    }
    ~AllImageTypes() {
        for (int t : loaded_) image_control_free_type(t);
    }

private:
    std::vector<int> loaded_;
};

// The starbase builds a harvester: the box of what it builds stands above it and the days of the
// build under its name, the new harvester's construction icon above its own name; none covers the
// name of a site close by.
TEST_F(SectorView, WhatASiteShowsAboveAndBelowItsNameKeepsOffTheNamesAroundIt) {
    AllImageTypes pictures;
    Site *base = sector_find_site_of_kind(home, SITE_STARBASE);
    Site *yard = sector_find_site_of_kind(home, SITE_SHIPYARD);
    ASSERT_TRUE(base && yard);
    ASSERT_EQ(order_produce(game->ui_player, base, SITE_HARVESTER, 0), RES_OK);
    site_advance_clock(base, 1);   // the day's step lays the new harvester down
    Site *building = sector_find_site_under_construction(home, SITE_HARVESTER);
    ASSERT_NE(building, nullptr);
    // The shipyard's name just above the starbase, where its production box goes; the new
    // harvester right under the starbase, its construction icon over the starbase's name and its
    // own name under the starbase's production days.
    yard->x = base->x + base->w / 2 - yard->w / 2;
    yard->y = base->y - 12 - yard->h;
    building->x = base->x + base->w / 2 - building->w / 2;
    building->y = base->y + base->h + 10 - building->h;

    galaxy_sector_on_enter(nullptr);
    run_transition(GALAXY_FLAG_ZOOM_IN);
    frames(3);
    driver.save_screen("overlaps/sector_view_site_names.png");   // for review
    std::vector<std::pair<Site *, Control *>> marks;
    for (Site *site : {base, yard, building}) {
        const uint64_t id = site->id;
        Control *marker = hash_table_find(screen()->marker_maps[GALAXY_MARKERS_OBJECTS], &id);
        ASSERT_NE(marker, nullptr) << object_get_name(site);
        marks.push_back({site, marker});
    }
    auto name_of = [](Control *marker) { return panel_find_child(marker, GALAXY_ID_MARKER_ICON); };
    int shown = 0;
    for (auto [site, marker] : marks) {
        Control *name = name_of(marker);
        ASSERT_NE(name, nullptr);
        for (Control *c : panel_of(marker)->children.items) {
            if (!c || c == name || (c->flags & CTRL_REMOVED)) continue;
            ++shown;
            const int x = marker->x + c->x, y = marker->y + c->y;
            for (auto [other, other_marker] : marks) {
                if (other == site) continue;
                const Control *n = name_of(other_marker);
                const int nx = other_marker->x + n->x, ny = other_marker->y + n->y;
                EXPECT_FALSE(x < nx + n->w && nx < x + c->w && y < ny + n->h && ny < y + c->h)
                    << "shown by " << object_get_name(site) << ", covering the name of " << object_get_name(other);
            }
        }
    }
    EXPECT_EQ(shown, 4) << "the production box, icon and days bar, and the construction icon";
}

}  // namespace
