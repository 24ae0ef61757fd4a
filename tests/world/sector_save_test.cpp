// The sector's save record: its exact bytes, a round trip with nested sites, refusals, and the
// link step that links the sites and recounts them.
#include "galaxy_fixture.h"

#include <tuple>
#include <utility>

namespace galaxytest {
namespace {

class SectorSave : public SectorFixture {
protected:
    // The bytes of an object's whole record.
    std::vector<uint8_t> record_of(const GameObject *obj) {
        Buffer buf;
        EXPECT_EQ(object_write(obj, &buf), RES_OK);
        return bytes_of(buf);
    }
    // The common record of an object with an empty name, as the header writes it.
    std::vector<uint8_t> common_of(GameObject *obj) {
        const std::string name = obj->name;
        obj->name.clear();
        std::vector<uint8_t> bytes = record_of(obj);
        obj->name = name;
        bytes.resize(size_t(OBJECT_COMMON_RECORD_MIN_BYTES));
        return bytes;
    }
    Result read_back(const std::vector<uint8_t> &bytes, GameObject **out) {
        Buffer buf;
        EXPECT_EQ(buffer_append(&buf, bytes.data(), bytes.size()), RES_OK);
        return object_read(out, &buf);
    }
};

TEST_F(SectorSave, TheKindRecordIsExactlyItsFields) {
    Sector *s = make_sector(3, 0x0102030405060708ull);
    s->name.clear();
    s->label = "Vega";
    s->star_variant = 7;
    sector_set_reserved(s, 1024, 768);
    s->known_site_count = 2;
    s->known_site_ids = {0x1111, 0x2222};
    s->known_site_kinds = {9, 0};
    s->known_feature_kind = 3;
    s->known_object_count = 1;
    s->known_object_ids = {0xABCDEF0123ull};
    s->known_defence_kind = 2;
    s->known_defenders = 5;
    s->known_defenders_lost = 1;
    s->known_starbase_crew = 800;
    const std::vector<uint8_t> all = record_of(s);
    ASSERT_GE(all.size(), size_t(OBJECT_COMMON_RECORD_MIN_BYTES));
    const std::vector<uint8_t> kind_part(all.begin() + OBJECT_COMMON_RECORD_MIN_BYTES, all.end());

    std::vector<uint8_t> expected;
    put_str(&expected, "Vega");
    for (int v : {7, 1024, 768, 0}) put_i32(&expected, v);   // ... and no sites
    put_i32(&expected, 2);
    put_u64(&expected, 0x1111);
    put_i32(&expected, 9);
    put_u64(&expected, 0x2222);
    put_i32(&expected, 0);
    put_i32(&expected, 3);
    put_i32(&expected, 1);
    put_u64(&expected, 0xABCDEF0123ull);
    for (int v : {2, 5, 1, 800}) put_i32(&expected, v);
    EXPECT_EQ(kind_part, expected);
    object_release(s);
}

TEST_F(SectorSave, SitesTravelInsideTheSectorAndComeBackHeldAndUnlinked) {
    site_template(9)->params.sensor_range = 70;
    Sector *s = make_sector(1, 9);
    s->label = "Deneb";
    Site *a = add_site(s, 9, 10, 20);
    a->state = SITE_CONTESTED, a->resources_left = 33;
    Site *b = add_site(s, SITE_STARBASE, 30, 40);
    b->crew = 1500;
    Ship *ship = make_ship("visitor", 9);
    sector_add_object(s, ship);
    const std::vector<uint8_t> bytes = record_of(s);

    GameObject *obj = nullptr;
    ASSERT_EQ(read_back(bytes, &obj), RES_OK);
    Sector *copy = sector_of(obj);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->label, "Deneb");
    EXPECT_EQ(std::tuple(copy->id, copy->owner_id, copy->star_variant), std::tuple(s->id, uint64_t(9), s->star_variant));
    EXPECT_EQ(sector_object_count(copy), 0) << "visitors come back through their own records";
    ASSERT_EQ(sector_site_count(copy), 2);
    const Site *ra = sector_get_site(copy, 0);
    const Site *rb = sector_get_site(copy, 1);
    EXPECT_EQ(ra->id, a->id);
    EXPECT_EQ(std::tuple(ra->kind, ra->subtype, ra->state, ra->resources_left, ra->refcount),
              std::tuple(OBJECT_SITE, 9, SITE_CONTESTED, 33, 1));
    EXPECT_FALSE(ra->flags & OBJ_LINKED);
    EXPECT_EQ(rb->crew, 1500);
    EXPECT_EQ(copy->site_counts[9], 0) << "counts come back at link time";
    EXPECT_EQ(copy->detect_range, 0);

    ASSERT_EQ(object_link(copy), RES_OK);
    EXPECT_TRUE(ra->flags & OBJ_LINKED);
    EXPECT_EQ(copy->site_counts[9], 1);
    EXPECT_EQ(copy->site_counts[0], 1);
    EXPECT_EQ(copy->detect_range, 110) << "the starbase sees farther than the body";
    EXPECT_EQ(record_of(copy), bytes) << "written again, the same bytes";
    object_destroy(copy);
    object_release(s);
}

TEST_F(SectorSave, AFailingSiteLinkStopsTheLinkAndIsRetriedLater) {
    Sector *s = make_sector(0, 9);
    add_site(s, 9);
    Site *base = add_site(s, SITE_STARBASE);
    site_add_officer(base, make_officer(31, "Lost", 9));   // its player is nowhere to be found
    add_site(s, 11);
    GameObject *obj = nullptr;
    ASSERT_EQ(read_back(record_of(s), &obj), RES_OK);
    Sector *copy = sector_of(obj);
    EXPECT_EQ(object_link(copy), RES_UNRESOLVED_ID);
    EXPECT_TRUE(sector_get_site(copy, 0)->flags & OBJ_LINKED);
    EXPECT_FALSE(sector_get_site(copy, 2)->flags & OBJ_LINKED) << "the first failure stops the walk";
    EXPECT_FALSE(copy->flags & OBJ_LINKED);
    EXPECT_EQ(copy->site_counts[9], 0);

    site_remove_officer(sector_get_site(copy, 1), 31);
    EXPECT_EQ(object_link(copy), RES_OK);
    EXPECT_TRUE(sector_get_site(copy, 2)->flags & OBJ_LINKED);
    EXPECT_EQ(copy->site_counts[11], 1);
    object_destroy(copy);
    object_release(s);
}

// Construction percent is not saved: the link step gets it back from the starbase's item.
TEST_F(SectorSave, ConstructionProgressComesBackFromTheStarbasesItem) {
    struct Case {
        const char *what;
        uint32_t    base_state;
        int32_t     total, remaining;
        int32_t     expected;
    } cases[] = {
        {"building it", SITE_PRODUCING, 2880, 720, 75},
        {"paused on it", SITE_PAUSED_KEPT, 4320, 2160, 50},
        {"doing nothing", 0, 2880, 720, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Sector *s = make_sector(0, 7);
        Site *base = add_site(s, SITE_STARBASE);
        Site *station = add_site(s, 14);
        station->state |= SITE_UNDER_CONSTRUCTION;
        station->progress = 33;
        base->state = c.base_state;
        base->item = base->paused_item = 14;
        base->total_min = base->paused_total = c.total;
        base->remaining_min = base->paused_remaining = c.remaining;
        GameObject *obj = nullptr;
        ASSERT_EQ(read_back(record_of(s), &obj), RES_OK);
        Sector *copy = sector_of(obj);
        EXPECT_EQ(sector_get_site(copy, 1)->progress, 0) << "not in the file";
        ASSERT_EQ(object_link(copy), RES_OK);
        EXPECT_EQ(sector_get_site(copy, 1)->progress, c.expected);
        object_destroy(copy);
        object_release(s);
    }
}

TEST_F(SectorSave, ADeployedStarbasesProgressFollowsItsAssemblyDay) {
    Sector *s = make_sector(0, 7);
    Site *base = add_site(s, SITE_STARBASE);
    base->state |= SITE_UNDER_CONSTRUCTION;
    base->build_started->minutes = game->clock->minutes - 713;   // half of 1426 minutes
    GameObject *obj = nullptr;
    ASSERT_EQ(read_back(record_of(s), &obj), RES_OK);
    Sector *copy = sector_of(obj);
    ASSERT_EQ(object_link(copy), RES_OK);
    EXPECT_EQ(sector_get_site(copy, 0)->progress, 50);
    object_destroy(copy);
    object_release(s);
}

// The sector's kind record with `sites` raw site records, and the snapshot tail given.
std::vector<uint8_t> kind_record(int32_t site_count, const std::vector<uint8_t> &site_bytes, int32_t known_sites,
                                 int32_t known_objects) {
    std::vector<uint8_t> b;
    put_str(&b, "X");
    for (int v : {1, 2, 3}) put_i32(&b, v);
    put_i32(&b, site_count);
    b.insert(b.end(), site_bytes.begin(), site_bytes.end());
    put_i32(&b, known_sites);
    put_i32(&b, 4);
    put_i32(&b, known_objects);
    for (int v : {5, 6, 7, 8}) put_i32(&b, v);
    return b;
}

TEST_F(SectorSave, HostileKindRecordsAreRefusedAndNegativeSnapshotCountsReadEmpty) {
    Sector *s = make_sector();
    Ship *ship = make_ship("ship", 1);
    struct Case {
        const char          *what;
        std::vector<uint8_t> tail;
        Result               result;
    };
    const Case cases[] = {
        {"a nested record of another kind", kind_record(1, record_of(ship), 0, 0), RES_MALFORMED},
        {"a negative site count", kind_record(-1, {}, 0, 0), RES_MALFORMED},
        {"many known sites claimed without their bytes", kind_record(0, {}, 0x7FFFFFFF, 0), RES_SHORT_BUFFER},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> bytes = common_of(s);
        bytes.insert(bytes.end(), c.tail.begin(), c.tail.end());
        GameObject *obj = nullptr;
        EXPECT_EQ(read_back(bytes, &obj), c.result) << c.what;
        EXPECT_EQ(obj, nullptr) << c.what;
    }
    std::vector<uint8_t> bytes = common_of(s);
    const std::vector<uint8_t> quiet = kind_record(0, {}, -5, -2);
    bytes.insert(bytes.end(), quiet.begin(), quiet.end());
    GameObject *obj = nullptr;
    ASSERT_EQ(read_back(bytes, &obj), RES_OK);
    Sector *copy = sector_of(obj);
    EXPECT_EQ(std::pair(copy->known_site_count, copy->known_object_count), std::pair(0, 0));
    EXPECT_EQ(std::tuple(copy->known_feature_kind, copy->known_defence_kind, copy->known_defenders,
                         copy->known_defenders_lost, copy->known_starbase_crew, copy->reserved_b),
              std::tuple(4, 5, 6, 7, 8, 3));
    object_destroy(copy);
    object_destroy(ship);
    object_release(s);
}

TEST_F(SectorSave, EveryTruncationOfTheKindRecordIsShort) {
    Sector *s = make_sector();
    add_site(s, 9);
    s->known_site_count = 1;
    s->known_site_ids = {77};
    s->known_site_kinds = {9};
    s->known_object_count = 1;
    s->known_object_ids = {78};
    const std::vector<uint8_t> bytes = record_of(s);
    for (size_t n = OBJECT_COMMON_RECORD_MIN_BYTES; n < bytes.size(); ++n) {
        GameObject *obj = nullptr;
        EXPECT_EQ(read_back(std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(n)), &obj),
                  RES_SHORT_BUFFER)
            << n << " of " << bytes.size();
        EXPECT_EQ(obj, nullptr);
    }
    object_release(s);
}

}  // namespace
}  // namespace galaxytest
