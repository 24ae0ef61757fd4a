// The sector's listings: objects present in display order and officers available for an exchange,
// with real ships, fleets, starbases and officers.
#include "world/sector_test_util.h"

namespace sector_test {
namespace {

class SectorListing : public SectorFixture {
protected:
    std::vector<std::string> names(List<GameObject> *list) {
        std::vector<std::string> out;
        for (GameObject *obj : list->items) {
            const Ship *ship = ship_of(obj);
            out.push_back(ship ? ship->ship_name : fleet_of(obj)->display_name);
        }
        return out;
    }
    std::vector<std::string> listed(Sector *s) {
        List<GameObject> *list = sector_sorted_object_list(s);
        EXPECT_NE(list, nullptr);
        std::vector<std::string> out = names(list);
        list_free(list);
        return out;
    }
};

TEST_F(SectorListing, TheOwnersObjectsComeFirstThenEachOwnerInTheOrderMetEachByName) {
    Sector *s = make_sector(0, 7);
    struct Entry {
        const char *name;
        uint64_t owner;
    } entries[] = {{"Wasp", 8}, {"Bolt", 7}, {"Kite", 9}, {"Anvil", 8}, {"Zeal", 7}, {"Echo", 9}, {"Axe", 7}};
    for (const Entry &e : entries) sector_add_object(s, make_ship(e.name, e.owner));
    EXPECT_EQ(listed(s), (std::vector<std::string>{"Axe", "Bolt", "Zeal", "Anvil", "Wasp", "Echo", "Kite"}));
    EXPECT_EQ(sector_object_count(s), 7) << "the sector's own list is untouched";
    EXPECT_EQ(sector_get_object(s, 0)->refcount, 1) << "the listing holds no references";
    object_release(s);
}

TEST_F(SectorListing, UnownedObjectsMetBeforeTheFirstOwnedOneJoinItsPass) {
    Sector *s = make_sector(0, 0);
    sector_add_object(s, make_ship("Hulk", 0));
    sector_add_object(s, make_ship("Drift", 0));
    sector_add_object(s, make_ship("Bee", 5));
    sector_add_object(s, make_ship("Relic", 0));
    sector_add_object(s, make_ship("Ant", 5));
    sector_add_object(s, make_ship("Moth", 6));
    // First pass: the two wrecks met before owner 5, then owner 5's. The wreck after them is met
    // first in the next pass, so it joins that pass ahead of owner 6's ship.
    EXPECT_EQ(listed(s), (std::vector<std::string>{"Drift", "Hulk", "Ant", "Bee", "Relic", "Moth"}));
    object_release(s);
}

TEST_F(SectorListing, FleetsAreNamedByTheirOwnRecords) {
    Sector *s = make_sector(0, 7);
    Fleet *fleet = make_fleet("header", 7);
    fleet->display_name = "Blue Group";
    sector_add_object(s, fleet);
    sector_add_object(s, make_ship("Cutter", 7));
    sector_add_object(s, make_ship("Avenger", 7));
    EXPECT_EQ(listed(s), (std::vector<std::string>{"Avenger", "Blue Group", "Cutter"}));
    object_release(s);
}

TEST_F(SectorListing, EqualNamesKeepTheLaterObjectFirst) {
    List<GameObject> list;
    Ship *first = make_ship("Twin", 3), *second = make_ship("Twin", 3), *other = make_ship("Twin", 4);
    sector_list_insert(first, &list);
    sector_list_insert(other, &list);
    sector_list_insert(second, &list);
    EXPECT_EQ(list.items, (std::vector<GameObject *>{second, first, other}));
    list_reset(&list);
    for (Ship *ship : {first, second, other}) object_destroy(ship);
}

// ---- Officers for an exchange ----

class SectorOfficers : public SectorFixture {
protected:
    void SetUp() override {
        SectorFixture::SetUp();
        s = make_sector(0, 7);
        base = add_site(s, SITE_STARBASE);
        commander = make_officer(10, "Vale", 7);
        site_set_pilot(base, commander);
    }
    void TearDown() override {
        object_release(s);
        SectorFixture::TearDown();
    }
    Sector  *s = nullptr;
    Site    *base = nullptr;
    Officer *commander = nullptr;
};

TEST_F(SectorOfficers, TheCommanderAloneIsNoChoiceForHimselfButIsForAnyoneElse) {
    EXPECT_TRUE(sector_has_officer_available(s, nullptr));
    EXPECT_FALSE(sector_has_officer_available(s, commander)) << "nobody but the commander himself";
    Officer *stranger = make_officer(11, "Ines", 7);
    officer_retain(stranger);
    EXPECT_TRUE(sector_has_officer_available(s, stranger));
    officer_release(stranger);
}

TEST_F(SectorOfficers, AnotherOfficerAboardOrAPilotOfTheOwnerIsAChoice) {
    site_add_officer(base, make_officer(12, "Oren", 7));
    EXPECT_TRUE(sector_has_officer_available(s, commander));
    site_remove_officer(base, 12);
    Ship *own = make_ship("Own", 7);
    Officer *pilot = make_officer(13, "Pell", 7);
    officer_retain(pilot);
    own->pilot = pilot;
    sector_add_object(s, own);
    EXPECT_TRUE(sector_has_officer_available(s, commander)) << "a piloted ship of the owner";
    own->owner_id = 8;
    EXPECT_FALSE(sector_has_officer_available(s, commander)) << "another player's pilot is no choice";
}

TEST_F(SectorOfficers, AnOfficerOfAnotherPlayerOrASectorWithoutStarbaseAnswersNo) {
    Officer *foreign = make_officer(14, "Quin", 8);
    officer_retain(foreign);
    EXPECT_FALSE(sector_has_officer_available(s, foreign));
    officer_release(foreign);
    Sector *bare = make_sector(0, 7);
    EXPECT_FALSE(sector_has_officer_available(bare, nullptr));
    base->owner_id = 9;   // the starbase changed hands, the sector not yet
    EXPECT_FALSE(sector_has_officer_available(s, commander));
    object_release(bare);
}

}  // namespace
}  // namespace sector_test
