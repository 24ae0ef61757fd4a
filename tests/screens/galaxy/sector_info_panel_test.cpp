// The sector rows, the sector information panel and the sector view's minimap on a real seeded
// game: what the viewer's memory of a sector shows, the course figures and an own sector's figures.
#include "panels_test_support.h"

#include <algorithm>
#include <functional>
#include <string>

#include "game/officer.h"
#include "platform/calendar.h"
#include "screens/galaxy/sector_info_panel.h"
#include "screens/galaxy/sector_rows.h"
#include "ui/control_minimap.h"
#include "ui/image_control.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "views/map_marker_panel.h"
#include "world/factory.h"
#include "world/site_feature.h"

using namespace galaxy_test;

namespace {

using galaxy_test::readers::kids;
using galaxy_test::readers::row_value;
using galaxy_test::readers::shows;
using galaxy_test::readers::template_of;
using galaxy_test::readers::text_of;
using galaxy_test::readers::type_of;

// The rows' icons and the badges of crew intake and research.
constexpr int SECTOR_INFO_IMAGE_TYPES[] = {IMAGE_FALLBACK, IMAGE_DEFENCE_UPGRADE, IMAGE_CREDITS, IMAGE_CLOCK,
                                           IMAGE_CREW, IMAGE_COMMANDER, IMAGE_STARBASE_CREW, IMAGE_CADET,
                                           IMAGE_RESEARCH};
constexpr uint32_t HOVER = SECTOR_INFO_FEATURES | SECTOR_INFO_FACILITIES | 0x1;
constexpr uint32_t PICKING = HOVER | SECTOR_INFO_DISTANCE | SECTOR_INFO_SPEED_ETA;

int mid_y(const Control *c) { return c->y + c->h / 2; }

Control *find_kid(Control *panel, const std::function<bool(Control *)> &is) {
    for (Control *c : kids(panel))
        if (is(c)) return c;
    return nullptr;
}

}  // namespace

class SectorInfo : public PanelsGame {
protected:
    Control *panel = nullptr;
    std::vector<Control *> held_;
    std::vector<GameObject *> sectors_;

    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : SECTOR_INFO_IMAGE_TYPES)
            ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
        for (int32_t t = 0; t < SITE_TEMPLATE_COUNT; ++t) factory_acquire_group(OBJECT_SITE, t, FACTORY_GROUP_FRAMES);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        panel = hold(panel_create_empty());
    }
    void TearDown() override {
        for (Control *c : held_) control_release(c);
        for (GameObject *o : sectors_) object_release(o);
        for (int type : SECTOR_INFO_IMAGE_TYPES) image_control_free_type(type);
        PanelsGame::TearDown();
    }
    Control *hold(Control *c) {
        if (c) held_.push_back(control_addref(c));
        return c;
    }
    Player *ui() { return game->ui_player; }
    GameObject *memory(const GameObject *s) { return player_known_object_by_id(ui(), s->id); }
    void build(Sector *s, uint32_t flags, int32_t distance = 0, int32_t speed = 0) {
        sector_info_panel_build(panel, s, game->ui_player_id, distance, speed, flags);
    }

    Sector *map_sector(bool owned_by_ui) {
        for (GameObject *o : game->galaxy_map->objects.items)
            if (Sector *s = sector_of(o); s && owned_by_ui == (s->owner_id == game->ui_player_id) &&
                                          (owned_by_ui ? sector_find_site_of_kind(s, SITE_STARBASE) != nullptr
                                                       : s->owner_id == 0))
                return s;
        ADD_FAILURE() << "no such sector in the new game";
        return nullptr;
    }
    // A sector of the test's own, off the map, holding sites of these templates at these x.
    Sector *new_sector(std::initializer_list<std::pair<int32_t, int32_t>> sites) {
        Sector *s = sector_create(1);
        object_assign_id(s);
        object_add_ref(s);
        sectors_.push_back(s);
        for (auto [t, x] : sites) sector_add_site(s, site_create(t), x, 100);
        return s;
    }
    Site *site_at(Sector *s, int32_t x) {
        for (Site *site : s->sites.items)
            if (site && site->x == x) return site;
        return nullptr;
    }
};

// ---- Site icons and production boxes ----

TEST_F(SectorInfo, IconsShowBodiesByLabelThenFacilitiesWithOneHarvesterBadgesAndTheCommander) {
    // Listed: harvester, barren (labelled 2nd), harvester, ice (labelled 1st), star, starbase, shipyard, terran.
    Sector *s = new_sector({{13, 40}, {11, 500}, {13, 60}, {10, 100}, {2, 300}, {0, 250}, {7, 200}, {12, 700}});
    site_generate_features(site_at(s, 500), FEATURE_CREW_INTAKE);
    site_at(s, 250)->commander_id = 4242;
    player_learn_object(ui(), s, 1);
    player_forget_object(ui(), memory(site_at(s, 700)));

    constexpr uint32_t BOTH = SECTOR_ICONS_FEATURES | SECTOR_ICONS_FACILITIES;
    Control *row = hold(sector_site_icon_row_create(memory(s), ui()->id, BOTH));
    ASSERT_NE(row, nullptr);
    std::vector<Control *> icons;
    for (Control *c : kids(row))
        if (template_of(c) >= 0) icons.push_back(c);
    std::ranges::sort(icons, {}, &Control::x);
    std::vector<int> order;
    for (Control *c : icons) order.push_back(template_of(c));
    EXPECT_EQ(order, (std::vector<int>{10, 11, SITE_HARVESTER, SITE_STARBASE, SITE_SHIPYARD}));
    for (Control *c : kids(row)) EXPECT_NEAR(mid_y(c), row->h / 2, 1) << "centred, the child at x " << c->x;

    Control *badge = find_kid(row, [](Control *c) { return type_of(c) == feature_badge_image(FEATURE_CREW_INTAKE); });
    ASSERT_NE(badge, nullptr);
    const int edge = icons[1]->x + icons[1]->w;   // the barren world's right edge
    EXPECT_NEAR(badge->x + badge->w / 2, edge, 1) << "a narrow badge straddles it";
    EXPECT_GT(icons[2]->x, badge->x + badge->w);
    Control *chevron = find_kid(row, [](Control *c) { return type_of(c) == 79; });
    ASSERT_NE(chevron, nullptr);
    EXPECT_GE(chevron->x, icons[3]->x);
    EXPECT_LE(chevron->x + chevron->w, icons[3]->x + icons[3]->w) << "on the starbase";
    EXPECT_GE(icons[4]->x, icons[3]->x + icons[3]->w);

    Control *bodies = hold(sector_site_icon_row_create(memory(s), ui()->id, SECTOR_ICONS_FEATURES));
    ASSERT_NE(bodies, nullptr);
    EXPECT_EQ(find_kid(bodies, [](Control *c) { return template_of(c) == SITE_STARBASE; }), nullptr);
    Sector *star_only = new_sector({{2, 300}});
    player_learn_object(ui(), star_only, 1);
    EXPECT_EQ(sector_site_icon_row_create(memory(star_only), ui()->id, BOTH), nullptr);
}

TEST_F(SectorInfo, ProductionBoxesShowTheItemAndDaysLeftOnThePicturesMiddleLine) {
    Sector *s = map_sector(true);
    ASSERT_NE(s, nullptr);
    Site *base = sector_find_site_of_kind(s, SITE_STARBASE);
    site_stop_production(base);
    EXPECT_EQ(sector_production_box_create(s, SECTOR_BOX_STARBASE), nullptr) << "idle: no box";
    Site *school = sector_find_site_of_kind(s, SITE_TRAINING);
    if (!school) sector_add_site(s, school = site_create(SITE_TRAINING), 600, 100), school->owner_id = ui()->id;

    auto check = [&](Site *site, SectorBoxKind kind, const std::function<bool(Control *)> &picture_is) {
        int32_t days = 0;
        ASSERT_EQ(site_production_info(site, nullptr, nullptr, &days, nullptr, nullptr), 1);
        Control *box = hold(sector_production_box_create(s, kind));
        ASSERT_NE(box, nullptr);
        Control *clock = find_kid(box, [](Control *c) { return type_of(c) == IMAGE_CLOCK; });
        Control *label = find_kid(box, [](Control *c) { return text_label_of(c) != nullptr; });
        Control *picture = find_kid(box, [&](Control *c) { return c != clock && c != label; });
        ASSERT_TRUE(clock && label && picture);
        EXPECT_TRUE(picture_is(picture));
        EXPECT_EQ(text_of(label), std::to_string(days));
        EXPECT_NEAR(mid_y(clock), mid_y(picture), 1);
        EXPECT_NEAR(mid_y(label), mid_y(picture), 1);
        EXPECT_GT(clock->x, picture->x + picture->w);
        EXPECT_EQ(box->w, label->x + label->w + 8);
    };
    ASSERT_EQ(site_start_production(base, SITE_SHIPYARD, 0), RES_OK);
    check(base, SECTOR_BOX_STARBASE, [](Control *c) { return template_of(c) == SITE_SHIPYARD; });
    ASSERT_EQ(site_start_production(base, -1, 0), RES_OK);
    check(base, SECTOR_BOX_STARBASE, [](Control *c) { return type_of(c) == 10; });
    ASSERT_EQ(site_start_production(school, 0, site_get_officer(school, 0)->id), RES_OK);
    check(school, SECTOR_BOX_TRAINING, [](Control *c) { return type_of(c) == 116; });
    site_rush(school);
    check(school, SECTOR_BOX_TRAINING, [](Control *c) { return type_of(c) == 116; });
}

// ---- The information panel ----

TEST_F(SectorInfo, ARememberedSectorOutOfViewShowsNotVisitedAndTheDayOfItsLastScan) {
    Sector *s = map_sector(false);
    ASSERT_NE(s, nullptr);
    player_forget_object(ui(), memory(s));
    s->flags &= ~OBJ_VISIBLE;
    date_set(game->clock, 2601, 3, 5);
    game->clock->minutes += 17 * 60;
    date_from_minutes(game->clock);
    player_learn_object(ui(), s, 0);
    date_set(game->clock, 2601, 9, 20);

    build(s, HOVER);
    EXPECT_TRUE(shows(panel, object_get_name(s)));
    EXPECT_TRUE(shows(panel, "Unclaimed"));
    EXPECT_TRUE(shows(panel, "(Not visited)"));
    EXPECT_FALSE(shows(panel, "(Unexplored)"));
    EXPECT_EQ(row_value(panel, "Last scan"), "Mar 05 2601");
    EXPECT_EQ(panel->user_data, s);

    s->flags |= OBJ_VISIBLE;   // in view the memory is today's: no date
    build(s, HOVER);
    EXPECT_EQ(row_value(panel, "Last scan"), "-");
}

TEST_F(SectorInfo, AnUnknownSectorShowsItsTitleUnexploredAndOnlyTheCourseRows) {
    Sector *s = map_sector(false);
    ASSERT_NE(s, nullptr);
    player_forget_object(ui(), memory(s));
    s->flags &= ~OBJ_VISIBLE;
    build(s, PICKING | SECTOR_INFO_OWN, 120, 50);
    EXPECT_TRUE(shows(panel, object_get_name(s)));
    EXPECT_TRUE(shows(panel, "(Unexplored)"));
    EXPECT_FALSE(shows(panel, "Unclaimed")) << "no owner is known";
    EXPECT_EQ(row_value(panel, "Distance"), "120 pc");
    EXPECT_EQ(row_value(panel, "Speed"), "50 pc/day");

    player_learn_object(ui(), s, -1);   // heard of, never explored: the owner shows
    build(s, HOVER);
    EXPECT_TRUE(shows(panel, "(Unexplored)"));
    EXPECT_TRUE(shows(panel, "Unclaimed"));
    EXPECT_EQ(row_value(panel, "Last scan"), "-");
}

TEST_F(SectorInfo, EtaRoundsUpPartDaysOnlyAndNeedsACourseSpeed) {
    Sector *s = map_sector(true);
    ASSERT_NE(s, nullptr);
    const struct { int32_t distance, speed; const char *eta; } cases[] = {
        {120, 50, "3 days"}, {100, 50, "2 days"}, {10, 50, "1 day"}, {51, 50, "2 days"}, {120, 0, "-"}};
    for (const auto &c : cases) {
        build(s, PICKING, c.distance, c.speed);
        EXPECT_EQ(row_value(panel, "ETA"), c.eta) << c.distance << " pc at " << c.speed << " pc/day";
        EXPECT_EQ(row_value(panel, "Distance"), std::to_string(c.distance) + " pc");
    }
    EXPECT_EQ(row_value(panel, "Speed"), "-") << "speed 0: neither Speed nor ETA";
    EXPECT_EQ(sector_info_eta_days(2'000'000'000, 7), 285'714'286) << "no overflow on a long way";
}

TEST_F(SectorInfo, AnOwnSectorShowsCrewEvenWithoutAStarbaseAndItsBoxesInAColumnAsWide) {
    Sector *bare = map_sector(false);
    ASSERT_NE(bare, nullptr);
    ASSERT_EQ(sector_find_site_of_kind(bare, SITE_STARBASE), nullptr);
    build(bare, HOVER | SECTOR_INFO_OWN);
    EXPECT_EQ(row_value(panel, "", 100), "0");
    EXPECT_EQ(row_value(panel, "", 78), "-") << "no starbase, no intake";

    Sector *s = map_sector(true);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(site_start_production(sector_find_site_of_kind(s, SITE_STARBASE), -1, 0), RES_OK);
    Site *school = sector_find_site_of_kind(s, SITE_TRAINING);
    if (!school) sector_add_site(s, school = site_create(SITE_TRAINING), 600, 100), school->owner_id = ui()->id;
    ASSERT_EQ(site_start_production(school, 0, site_get_officer(school, 0)->id), RES_OK);
    build(s, HOVER | SECTOR_INFO_OWN);
    EXPECT_EQ(row_value(panel, "", 100), std::to_string(sector_starbase_crew(s)));
    Control *table = find_kid(panel, [](Control *c) { return ui_stat_rows_row(c, 0) != nullptr; });
    std::vector<Control *> boxes;
    for (Control *c : kids(panel))
        if (find_kid(c, [](Control *k) { return type_of(k) == IMAGE_CLOCK; })) boxes.push_back(c);
    ASSERT_TRUE(table && boxes.size() == 2) << boxes.size() << " boxes";
    EXPECT_EQ(boxes[0]->y, table->y);
    EXPECT_EQ(boxes[1]->y, boxes[0]->y + boxes[0]->h + 4);
    EXPECT_EQ(boxes[0]->w, boxes[1]->w);
    EXPECT_GT(boxes[0]->x, table->x + table->w);
    EXPECT_LE(boxes[0]->x + boxes[0]->w + 4, panel->w);

    s->flags |= OBJ_VISIBLE;
    build(s, PICKING | SECTOR_INFO_OWN, 120, 50);
    game_add_control(game, 300, 80, 0, 0, panel);
    game_flush_new_controls(game);
    frames(10);
    driver.save_screen("sector_info_panel.png");   // for review
}

TEST_F(SectorInfo, ASectorInViewShowsItsShipsAtTheRightEdgeAndOutOfViewNone) {
    Sector *s = map_sector(true);
    ASSERT_NE(s, nullptr);
    ASSERT_GT(sector_object_count(s), 0) << "the home sector has the starting ships";
    auto ship_rows = [&] {   // without site icons or boxes, the one panel that is no stat table
        std::vector<Control *> rows;
        for (Control *c : kids(panel))
            if (panel_of(c) && !ui_stat_rows_row(c, 0)) rows.push_back(c);
        return rows;
    };
    s->flags |= OBJ_VISIBLE;
    build(s, 0);
    ASSERT_EQ(ship_rows().size(), 1u);
    Control *ships = ship_rows()[0];
    EXPECT_FALSE(kids(ships).empty());
    EXPECT_EQ(ships->x + ships->w, panel->w - 4);
    EXPECT_EQ(row_value(panel, "Last scan"), "-");

    s->flags &= ~OBJ_VISIBLE;
    build(s, 0);
    EXPECT_TRUE(ship_rows().empty());
}

// ---- The sector view's minimap ----

TEST_F(SectorInfo, TheSectorMinimapIsMadeOnceAtTheRightEdgeMarkedAtTheSector) {
    Sector *s = map_sector(true);
    ASSERT_NE(s, nullptr);
    galaxy_sector_minimap_create(s);
    galaxy_sector_minimap_create(nullptr);
    game_flush_new_controls(game);
    Control *minimap = find(GALAXY_ID_SECTOR_MINIMAP);
    ASSERT_NE(minimap, nullptr);
    int count = 0;
    for (Control *c : game->controls->items) count += c && c->id == GALAXY_ID_SECTOR_MINIMAP;
    EXPECT_EQ(count, 1);
    EXPECT_EQ(minimap->x + minimap->w, ui_screen_width() - 6);
    EXPECT_EQ(minimap->y, 40);
    const MinimapControl *m = minimap_of(panel_find_child(minimap, MAP_MARKER_MINIMAP_ID));
    ASSERT_TRUE(m && (m->flags & MINIMAP_POINT));
    EXPECT_EQ(m->point_x, s->x * MAP_MARKER_WIDTH / game->galaxy_map->world_w);
    EXPECT_EQ(m->point_y, s->y * MAP_MARKER_HEIGHT / game->galaxy_map->world_h);
    control_remove(minimap);
}
