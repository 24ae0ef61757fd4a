// The sector rows on a real seeded game: which remembered sites give icons and in what order,
// where badges and the commander's chevron go, and what the production boxes show.
#include "sector_rows_test_support.h"

#include <algorithm>

#include "game/officer.h"
#include "screens/galaxy/sector_rows.h"
#include "world/site_feature.h"

using namespace galaxy_test;

namespace {

constexpr uint32_t BOTH_PASSES = SECTOR_ICONS_FEATURES | SECTOR_ICONS_FACILITIES;

// The row's site icons (not badges or chevrons) by template, left to right.
std::vector<int> icon_templates(Control *row) {
    std::vector<Control *> icons;
    for (Control *c : children(row))
        if (icon_template(c) >= 0) icons.push_back(c);
    std::stable_sort(icons.begin(), icons.end(), [](const Control *a, const Control *b) { return a->x < b->x; });
    std::vector<int> out;
    for (const Control *c : icons) out.push_back(icon_template(c));
    return out;
}

Control *first_of_template(Control *row, int t) {
    for (Control *c : children(row))
        if (icon_template(c) == t) return c;
    return nullptr;
}

Control *first_of_type(Control *row, int type) {
    for (Control *c : children(row))
        if (image_type(c) == type) return c;
    return nullptr;
}

struct RowHolder {
    Control *row = nullptr;
    explicit RowHolder(Control *r) : row(r ? control_addref(r) : nullptr) {}
    ~RowHolder() {
        if (row) control_release(row);
    }
};

}  // namespace

using SectorSiteIconRow = SectorRowsGame;

TEST_F(SectorSiteIconRow, FeaturesInLabelOrderThenFacilitiesWithTheFirstHarvesterOnly) {
    Sector *s = new_sector();
    add_site(s, SITE_HARVESTER, 40);
    add_site(s, 11, 500);                 // barren: labelled second, listed first
    add_site(s, SITE_HARVESTER, 60);
    add_site(s, 10, 100);                 // ice: labelled first
    add_site(s, 2, 300);                  // the star: neither a body nor a facility
    add_site(s, SITE_SHIPYARD, 200);
    add_site(s, SITE_STARBASE, 250);
    player_learn_object(ui(), s, 1);

    RowHolder r(sector_site_icon_row_create(remembered(s), ui()->id, BOTH_PASSES));
    ASSERT_NE(r.row, nullptr);
    EXPECT_EQ(icon_templates(r.row), (std::vector<int>{10, 11, SITE_HARVESTER, SITE_SHIPYARD, SITE_STARBASE}));
    for (Control *c : children(r.row)) EXPECT_NEAR(centre_y(c), r.row->h / 2, 1) << "child at x " << c->x;
}

TEST_F(SectorSiteIconRow, PassesChooseBodiesOrFacilitiesAndAnEmptyChoiceGivesNoRow) {
    Sector *s = new_sector();
    add_site(s, 12, 100);
    add_site(s, SITE_STARBASE, 200);
    add_site(s, 3, 300);
    player_learn_object(ui(), s, 1);

    RowHolder features(sector_site_icon_row_create(remembered(s), ui()->id, SECTOR_ICONS_FEATURES));
    RowHolder facilities(sector_site_icon_row_create(remembered(s), ui()->id, SECTOR_ICONS_FACILITIES));
    ASSERT_NE(features.row, nullptr);
    ASSERT_NE(facilities.row, nullptr);
    EXPECT_EQ(icon_templates(features.row), std::vector<int>{12});
    EXPECT_EQ(icon_templates(facilities.row), std::vector<int>{SITE_STARBASE});

    Sector *star_only = new_sector();
    add_site(star_only, 3, 300);
    player_learn_object(ui(), star_only, 1);
    EXPECT_EQ(sector_site_icon_row_create(remembered(star_only), ui()->id, BOTH_PASSES), nullptr);
    EXPECT_EQ(sector_site_icon_row_create(nullptr, ui()->id, BOTH_PASSES), nullptr);
}

TEST_F(SectorSiteIconRow, OnlyRememberedSitesShowAndOnlyScannedFeaturesGetABadge) {
    Sector *s = new_sector();
    Site *barren = add_site(s, 11, 100);
    Site *ice = add_site(s, 10, 400);
    site_generate_features(barren, FEATURE_RESEARCH);
    player_learn_object(ui(), s, 0);   // seen from afar: no feature known yet
    RowHolder unscanned(sector_site_icon_row_create(remembered(s), ui()->id, BOTH_PASSES));
    ASSERT_NE(unscanned.row, nullptr);
    EXPECT_EQ(children(unscanned.row).size(), 2u) << "no badge before a scan";

    player_learn_object(ui(), s, 1);
    player_forget_object(ui(), player_known_object_by_id(ui(), ice->id));
    RowHolder scanned(sector_site_icon_row_create(remembered(s), ui()->id, BOTH_PASSES));
    ASSERT_NE(scanned.row, nullptr);
    EXPECT_EQ(icon_templates(scanned.row), std::vector<int>{11}) << "a forgotten site gives no icon";
    Control *badge = first_of_type(scanned.row, feature_badge_image(FEATURE_RESEARCH));
    ASSERT_NE(badge, nullptr);
}

TEST_F(SectorSiteIconRow, ANarrowBadgeStraddlesTheBodysRightEdgeAndTheNextIconClearsIt) {
    Sector *s = new_sector();
    Site *first = add_site(s, 11, 100);
    add_site(s, 12, 400);
    site_generate_features(first, FEATURE_CREW_INTAKE);
    player_learn_object(ui(), s, 1);

    RowHolder r(sector_site_icon_row_create(remembered(s), ui()->id, SECTOR_ICONS_FEATURES));
    ASSERT_NE(r.row, nullptr);
    Control *body = first_of_template(r.row, 11), *next = first_of_template(r.row, 12);
    Control *badge = first_of_type(r.row, feature_badge_image(FEATURE_CREW_INTAKE));
    ASSERT_TRUE(body && next && badge);
    ASSERT_LT(badge->w, body->w) << "the badges are smaller than the bodies";
    const int edge = body->x + body->w;
    EXPECT_LT(badge->x, edge);
    EXPECT_GT(badge->x + badge->w, edge);
    EXPECT_NEAR(badge->x + badge->w / 2, edge, 1) << "centred on the edge";
    EXPECT_GT(next->x, badge->x + badge->w) << "the next body keeps clear of the badge";
}

TEST_F(SectorSiteIconRow, ACommandedStarbaseCarriesTheChevronAndTheNextIconStartsPastIt) {
    Sector *s = new_sector();
    Site *base = add_site(s, SITE_STARBASE, 100);
    add_site(s, SITE_SHIPYARD, 200);
    player_learn_object(ui(), s, 1);
    {
        RowHolder plain(sector_site_icon_row_create(remembered(s), ui()->id, SECTOR_ICONS_FACILITIES));
        ASSERT_NE(plain.row, nullptr);
        EXPECT_EQ(first_of_type(plain.row, 79), nullptr);
    }

    base->commander_id = 4242;   // a remembered commander is enough; the officer need not be known
    player_learn_object(ui(), s, 1);
    RowHolder r(sector_site_icon_row_create(remembered(s), ui()->id, SECTOR_ICONS_FACILITIES));
    ASSERT_NE(r.row, nullptr);
    Control *icon = first_of_template(r.row, SITE_STARBASE), *yard = first_of_template(r.row, SITE_SHIPYARD);
    Control *chevron = first_of_type(r.row, 79);
    ASSERT_TRUE(icon && yard && chevron);
    EXPECT_EQ(image_of(chevron)->frame, 1);
    EXPECT_GE(chevron->x, icon->x);
    EXPECT_LE(chevron->x + chevron->w, icon->x + icon->w) << "the chevron sits on the starbase";
    EXPECT_GE(yard->x, icon->x + icon->w);
}

// ---- Production boxes ----

class SectorProductionBox : public SectorRowsGame {
protected:
    // The box's clock, days label and picture (the child left of the clock).
    struct Parts {
        Control *picture = nullptr, *clock = nullptr, *days = nullptr;
    };
    static Parts parts(Control *box) {
        Parts p;
        for (Control *c : children(box)) {
            if (image_type(c) == IMAGE_CLOCK) p.clock = c;
            else if (text_label_of(c)) p.days = c;
            else p.picture = c;
        }
        return p;
    }
    // Clock and days stand on the picture's middle line, inside the box with its margin.
    static void expect_laid_out(Control *box, const Parts &p) {
        ASSERT_TRUE(p.picture && p.clock && p.days);
        EXPECT_NEAR(centre_y(p.clock), centre_y(p.picture), 1);
        EXPECT_NEAR(centre_y(p.days), centre_y(p.picture), 1);
        EXPECT_GT(p.clock->x, p.picture->x + p.picture->w);
        EXPECT_GT(p.days->x, p.clock->x + p.clock->w);
        EXPECT_EQ(box->w, p.days->x + p.days->w + 8);
    }
};

TEST_F(SectorProductionBox, AStarbaseBuildingShowsTheFacilityOrTheUpgradePictureAndDaysLeft) {
    Sector *s = home();
    ASSERT_NE(s, nullptr);
    Site *base = sector_find_site_of_kind(s, SITE_STARBASE);
    site_stop_production(base);
    EXPECT_EQ(sector_production_box_create(s, SECTOR_BOX_STARBASE), nullptr) << "an idle starbase has no box";

    ASSERT_EQ(site_start_production(base, SITE_SHIPYARD, 0), RES_OK);
    int32_t days = 0;
    ASSERT_EQ(site_production_info(base, nullptr, nullptr, &days, nullptr, nullptr), 1);
    RowHolder facility(sector_production_box_create(s, SECTOR_BOX_STARBASE));
    ASSERT_NE(facility.row, nullptr);
    Parts p = parts(facility.row);
    expect_laid_out(facility.row, p);
    EXPECT_EQ(icon_template(p.picture), SITE_SHIPYARD);
    EXPECT_EQ(label_text(p.days), std::to_string(days));
    EXPECT_EQ(p.picture->x, 8);

    ASSERT_EQ(site_start_production(base, -1, 0), RES_OK);
    RowHolder upgrade(sector_production_box_create(s, SECTOR_BOX_STARBASE));
    ASSERT_NE(upgrade.row, nullptr);
    p = parts(upgrade.row);
    expect_laid_out(upgrade.row, p);
    EXPECT_EQ(image_type(p.picture), 10);
}

TEST_F(SectorProductionBox, ATrainingSiteShowsItsRecruitDaysAndZeroOnceRushed) {
    Sector *s = home();
    ASSERT_NE(s, nullptr);
    Site *school = sector_find_site_of_kind(s, SITE_TRAINING);
    if (!school) school = add_site(s, SITE_TRAINING, 600, game->ui_player_id);
    ASSERT_GT(site_officer_count(school), 0) << "a new training site draws its recruits";
    EXPECT_EQ(sector_production_box_create(s, SECTOR_BOX_TRAINING), nullptr);

    Officer *recruit = site_get_officer(school, 0);
    ASSERT_EQ(site_start_production(school, 0, recruit->id), RES_OK);
    int32_t days = 0;
    ASSERT_EQ(site_production_info(school, nullptr, nullptr, &days, nullptr, nullptr), 1);
    ASSERT_GT(days, 0);
    {
        RowHolder box(sector_production_box_create(s, SECTOR_BOX_TRAINING));
        ASSERT_NE(box.row, nullptr);
        Parts p = parts(box.row);
        expect_laid_out(box.row, p);
        EXPECT_EQ(image_type(p.picture), 116);
        EXPECT_EQ(label_text(p.days), std::to_string(days));
    }
    site_rush(school);
    RowHolder rushed(sector_production_box_create(s, SECTOR_BOX_TRAINING));
    ASSERT_NE(rushed.row, nullptr);
    EXPECT_EQ(label_text(parts(rushed.row).days), "0");
}

TEST_F(SectorProductionBox, ASectorWithoutTheSiteHasNoBox) {
    Sector *s = new_sector();
    add_site(s, 3, 300);
    for (SectorBoxKind kind : {SECTOR_BOX_STARBASE, SECTOR_BOX_SHIPYARD, SECTOR_BOX_TRAINING})
        EXPECT_EQ(sector_production_box_create(s, kind), nullptr) << "box " << kind;
}
