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
    struct Case {
        const char *what;
        uint64_t    sector_owner;
        std::vector<std::pair<const char *, uint64_t>> ships;   // name, owner, in the order they came
        std::vector<std::string> listed;
    };
    const Case cases[] = {
        {"an owned sector", 7,
         {{"Wasp", 8}, {"Bolt", 7}, {"Kite", 9}, {"Anvil", 8}, {"Zeal", 7}, {"Echo", 9}, {"Axe", 7}},
         {"Axe", "Bolt", "Zeal", "Anvil", "Wasp", "Echo", "Kite"}},
        // First pass: the two wrecks met before owner 5, then owner 5's. The wreck after them is met
        // first in the next pass, so it joins that pass ahead of owner 6's ship.
        {"unowned objects join the pass of the owner met after them", 0,
         {{"Hulk", 0}, {"Drift", 0}, {"Bee", 5}, {"Relic", 0}, {"Ant", 5}, {"Moth", 6}},
         {"Drift", "Hulk", "Ant", "Bee", "Relic", "Moth"}},
    };
    for (const Case &c : cases) {
        Sector *s = make_sector(0, c.sector_owner);
        for (auto [name, owner] : c.ships) sector_add_object(s, make_ship(name, owner));
        EXPECT_EQ(listed(s), c.listed) << c.what;
        EXPECT_EQ(sector_object_count(s), int32_t(c.ships.size())) << "the sector's own list is untouched";
        EXPECT_EQ(sector_get_object(s, 0)->refcount, 1) << "the listing holds no references";
        object_release(s);
    }
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

TEST_F(SectorOfficers, TheCommanderAloneIsNoChoiceForHimselfButIsForAnyoneElseOfTheOwner) {
    Officer *stranger = make_officer(11, "Ines", 7), *foreign = make_officer(14, "Quin", 8);
    officer_retain(stranger);
    officer_retain(foreign);
    EXPECT_TRUE(sector_has_officer_available(s, nullptr));
    EXPECT_FALSE(sector_has_officer_available(s, commander)) << "nobody but the commander himself";
    EXPECT_TRUE(sector_has_officer_available(s, stranger));
    EXPECT_FALSE(sector_has_officer_available(s, foreign)) << "an officer of another player";
    officer_release(stranger);
    officer_release(foreign);
    Sector *bare = make_sector(0, 7);
    EXPECT_FALSE(sector_has_officer_available(bare, nullptr)) << "a sector without starbase";
    object_release(bare);
}

TEST_F(SectorOfficers, AnotherOfficerAboardOrAPilotOfTheOwnerIsAChoiceUnlessTheStarbaseChangedHands) {
    site_add_officer(base, make_officer(12, "Oren", 7));
    EXPECT_TRUE(sector_has_officer_available(s, commander));
    site_remove_officer(base, 12);
    Ship *own = make_ship("Own", 7);
    Officer *pilot = make_officer(13, "Pell", 7);
    officer_retain(pilot);
    own->pilot = pilot;
    sector_add_object(s, own);
    EXPECT_TRUE(sector_has_officer_available(s, commander)) << "a piloted ship of the owner";
    base->owner_id = 9;   // the starbase changed hands, the sector not yet
    EXPECT_FALSE(sector_has_officer_available(s, commander));
    base->owner_id = 7;
    own->owner_id = 8;
    EXPECT_FALSE(sector_has_officer_available(s, commander)) << "another player's pilot is no choice";
}

}  // namespace
}  // namespace sector_test
