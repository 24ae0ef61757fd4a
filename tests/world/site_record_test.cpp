// The site save record: its exact bytes, a round trip through the common object record, the
// starbase's link step, and the snapshot copy.
#include "site_test_util.h"
#include "game/player.h"

using namespace sitetest;

namespace {

class SiteRecord : public SiteFixture {
protected:
    void SetUp() override {
        SiteFixture::SetUp();
        ParamsFile f;
        f.animations = {{0, {0, 10}}, {0, {1, 10}}, {0, {2, 10}}};
        load(SITE_STARBASE, f);
        load(SITE_SHIPYARD, f);
        ParamsFile v = f;
        v.flags = SITE_TF_VARIANTS;
        v.variants = {{0, 1, 10, 20}, {2, 3, 30, 40}};
        load(12, v);
    }

    // A shipyard with a distinct value in every saved field.
    Site *filled() {
        Site *s = create(SITE_SHIPYARD);
        s->state = SITE_PRODUCING | SITE_PAUSED_KEPT;
        s->variant = 0;
        s->commander_id = 0x1122334455667788ull;
        s->feature = new SiteFeature();
        SiteFeature &f = *s->feature;
        f.kind = 2, f.doubles_resources = 1, f.spare_value = 0x33, f.site_mask = 35, f.grid_x = 40, f.grid_y = 41;
        f.bonus = 300, f.defence_kind = -1, f.defenders = 3, f.defenders_lost = 1, f.weapon_a = 24, f.weapon_b = 26;
        f.seed = 0xCAFEBABEu, f.owner_id = 0x0102030405060708ull;
        f.bag_count = 9, f.bonus_min = 1, f.bonus_max = 2, f.defence_kind_by_level[1] = 3;   // not saved
        s->sector_id = 77;
        s->status_text = "Building";
        s->remaining_min = 100, s->total_min = 2880, s->rush_low = 10, s->rush_high = 20, s->item = 3;
        s->item_id = 99;
        s->cost_paid = 1500;
        s->started->minutes = 1000;
        s->paused_remaining = 1, s->paused_total = 2, s->paused_rush_low = 3, s->paused_rush_high = 4;
        s->paused_item = 5, s->paused_item_id = 6, s->paused_cost = 7;
        s->build_started->minutes = 2000;
        s->harvest_timer = 8, s->harvest_cycle = 9, s->research_timer = 10;
        s->built->minutes = 3000;
        s->crew = 150;
        s->crew_checked->minutes = 4000;
        s->resources_max = 11, s->resources_left = 12, s->harvest_divisor = 13, s->harvest_carry = 14;
        s->harvest_target_id = 15;
        s->recruit_timer = 16, s->population = 17, s->label_number = 18;
        for (int i = 0; i < SITE_ATTRIBUTE_COUNT; ++i) s->attributes[i] = 19 + i;
        s->params.idle_animation = 2;
        s->grid_seed = 0xDEADBEEFu;
        s->known_feature_kind = 4;
        s->home_x = 24, s->home_y = 25;
        s->completed_items = 26, s->defense_level = 27, s->defense_progress = 28;
        s->gather_a = 29, s->gather_b = 30, s->gather_state = 31;
        s->progress = 55;   // not saved
        s->move_phase = 3;  // not saved
        return s;
    }

    static std::vector<uint8_t> kind_record(const Site *s) {
        Buffer buf;
        EXPECT_EQ(object_methods(OBJECT_SITE)->write(s, &buf), RES_OK);
        return bytes_of(buf);
    }

    Site *round_trip(const Site *s) {
        Buffer *buf = buffer_create();
        EXPECT_EQ(object_write(s, buf), RES_OK);
        buffer_set_cursor(buf, 0);
        GameObject *read = nullptr;
        EXPECT_EQ(object_read(&read, buf), RES_OK);
        EXPECT_EQ(buffer_remaining(buf), 0);
        buffer_free(buf);
        return keep(site_cast(read));
    }
};

TEST_F(SiteRecord, BytesFollowTheRecordLayout) {
    Site *s = filled();
    std::vector<uint8_t> want;
    put_u32(&want, 0x41);
    put_i32(&want, 0);
    put_u64(&want, 0x1122334455667788ull);
    put_i32(&want, 1);   // feature present
    for (uint32_t w : {2u, 1u, 0x33u}) put_u32(&want, w);
    put_i32(&want, 35);
    for (int64_t w : {40, 41, 300, -1, 3, 1, 24, 26}) put_i32(&want, w);
    put_u32(&want, 0xCAFEBABEu);
    put_u64(&want, 0x0102030405060708ull);
    put_u64(&want, 77);
    put_str(&want, "Building");
    for (int64_t w : {100, 2880, 10, 20, 3}) put_i32(&want, w);
    put_u64(&want, 99);
    put_i32(&want, 1500);
    put_u64(&want, 1000);
    for (int64_t w : {1, 2, 3, 4, 5}) put_i32(&want, w);
    put_u64(&want, 6);
    put_i32(&want, 7);
    put_u64(&want, 2000);
    for (int64_t w : {8, 9, 10}) put_i32(&want, w);
    put_u64(&want, 3000);
    put_i32(&want, 150);
    put_u64(&want, 4000);
    for (int64_t w : {11, 12, 13, 14}) put_i32(&want, w);
    put_u64(&want, 15);
    put_i32(&want, 0);   // no officers
    for (int64_t w : {16, 17, 18, 19, 20, 21, 22, 23, 2}) put_i32(&want, w);
    put_u32(&want, 0xDEADBEEFu);
    for (int64_t w : {4, 24, 25, 26, 27, 28, 29, 30, 31}) put_i32(&want, w);
    EXPECT_EQ(kind_record(s), want);
}

TEST_F(SiteRecord, WithoutAFeatureTheFlagIsZeroAndNoFeatureFollows) {
    Site *s = create(SITE_SHIPYARD);
    const std::vector<uint8_t> bytes = kind_record(s);
    // state, variant, commander id, then the present flag 0 and straight on to the sector id.
    ASSERT_GE(bytes.size(), 28u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 16, bytes.begin() + 20), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST_F(SiteRecord, RoundTripKeepsEverySavedFieldAndDropsTheRest) {
    Site *s = filled();
    Site *r = round_trip(s);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(kind_record(r), kind_record(s)) << "everything written came back";
    EXPECT_EQ(r->subtype, SITE_SHIPYARD);
    EXPECT_EQ(r->started->year, 2600) << "dates are rebuilt from their minutes";
    ASSERT_NE(r->feature, nullptr);
    EXPECT_EQ(r->feature->bag_count, 0) << "template data is not saved";
    EXPECT_EQ(r->feature->bonus_max, 0);
    EXPECT_EQ(r->feature->defence_kind_by_level[1], 0);
    EXPECT_EQ(r->progress, 0) << "progress is not saved";
    EXPECT_EQ(r->move_phase, 0) << "the move phase is not saved";
    EXPECT_FALSE(r->flags & OBJ_LINKED);
}

TEST_F(SiteRecord, OfficersComeBackAsFullRecordsWithOneReferenceEach) {
    Site *s = create(SITE_STARBASE);
    Officer *a = officer(41, "Ames"), *b = officer(42, "Bell");
    b->rank = 3;
    site_add_officer(s, a);
    site_add_officer(s, b);
    Site *r = round_trip(s);
    ASSERT_EQ(site_officer_count(r), 2);
    EXPECT_EQ(site_get_officer(r, 0)->id, 41u);
    EXPECT_EQ(site_get_officer(r, 1)->name, "Bell");
    EXPECT_EQ(site_get_officer(r, 1)->rank, 3);
    EXPECT_EQ(site_get_officer(r, 0)->refcount, 1);
    EXPECT_NE(site_get_officer(r, 0), a) << "read records are new ones";
}

TEST_F(SiteRecord, TheVariantIsAppliedAgainWhenRead) {
    Site *s = create(12);
    site_feature_template(s, 1);
    s->params.idle_animation = 2;
    Site *r = round_trip(s);
    EXPECT_EQ(r->variant, 1);
    EXPECT_EQ(r->params.variant_value, 3);
    EXPECT_EQ(r->params.resource_min, 30);
}

TEST_F(SiteRecord, AFeatureFlagOfZeroFreesAFeatureTheSiteHad) {
    Site *plain = create(SITE_SHIPYARD);
    Buffer *buf = buffer_create();
    ASSERT_EQ(object_methods(OBJECT_SITE)->write(plain, buf), RES_OK);
    buffer_set_cursor(buf, 0);
    Site *target = create(SITE_SHIPYARD);
    target->feature = new SiteFeature();
    ASSERT_EQ(object_methods(OBJECT_SITE)->read(target, buf), RES_OK);
    EXPECT_EQ(target->feature, nullptr);
    buffer_free(buf);
}

TEST_F(SiteRecord, ARecordClaimingTheTemplateTablesCannotMakeASiteFreeThem) {
    ParamsFile f;
    f.hotspots = {3, 4};
    Site *t = load(SITE_SHIPYARD, f);
    Site *s = create(SITE_SHIPYARD);
    s->state = SITE_PRODUCING | SITE_OWNS_TABLES;
    Site *r = round_trip(s);
    EXPECT_EQ(r->state, SITE_PRODUCING);
    EXPECT_EQ(r->params.hotspot_x, t->params.hotspot_x);
    destroy(r);   // frees nothing of the template's
    EXPECT_EQ(t->params.hotspot_x[0], 3);
    s->state &= ~SITE_OWNS_TABLES;   // the written site itself was only dressed up as a template
}

TEST_F(SiteRecord, ShortOrMalformedRecordsFail) {
    Site *s = filled();
    Buffer *buf = buffer_create();
    ASSERT_EQ(object_methods(OBJECT_SITE)->write(s, buf), RES_OK);
    const std::vector<uint8_t> whole = bytes_of(*buf);
    buffer_free(buf);
    for (size_t cut : {size_t(3), size_t(30), size_t(100), whole.size() - 1}) {
        Buffer *part = buffer_of(std::vector<uint8_t>(whole.begin(), whole.begin() + long(cut)));
        Site *target = create(SITE_SHIPYARD);
        EXPECT_EQ(object_methods(OBJECT_SITE)->read(target, part), RES_SHORT_BUFFER) << "cut at " << cut;
        destroy(target);
        buffer_free(part);
    }
    // The officer count sits after the harvest target id: make it negative.
    std::vector<uint8_t> bad = whole;
    const size_t officer_count_at = whole.size() - 4 * 9 - 4 - 4 * 9 - 4;
    bad[officer_count_at] = 0xFF;
    Buffer *part = buffer_of(bad);
    Site *target = create(SITE_SHIPYARD);
    EXPECT_EQ(object_methods(OBJECT_SITE)->read(target, part), RES_MALFORMED);
    buffer_free(part);
}

// ---- Link ----

class SiteLink : public SiteRecord {};


TEST_F(SiteLink, OnlyAnOwnedStarbaseLooksItsOfficersUp) {
    Site *yard = create(SITE_SHIPYARD);
    yard->owner_id = 900;
    site_add_officer(yard, officer(1, "Recruit"));
    EXPECT_EQ(object_link(yard), RES_OK) << "a training pool keeps its own records";
    EXPECT_EQ(site_get_officer(yard, 0)->name, "Recruit");
    Site *base = create(SITE_STARBASE);
    site_add_officer(base, officer(2, "Nobody's"));
    EXPECT_EQ(object_link(base), RES_OK) << "an unowned starbase has nobody to ask";
}

TEST_F(SiteLink, AStarbaseWhoseOfficerCannotBeFoundFailsWith4312) {
    LogFileCatcher log(fresh_test_dir("world"));
    Player *owner = player_create(PLAYER_KIND_HUMAN);   // in the game's records, without officers
    player_set_id(owner, 900);
    ASSERT_EQ(game_add_player(game, owner), RES_OK);
    Site *base = create(SITE_STARBASE);
    base->owner_id = 900;
    site_add_officer(base, officer(31, "Lost"));
    EXPECT_EQ(object_link(base), RES_UNRESOLVED_ID);
    EXPECT_FALSE(base->flags & OBJ_LINKED);
    EXPECT_NE(log.text().find("Starbase failed to find pilot player 900, id 31"), std::string::npos) << log.text();
    game_clear_players(game);
}

TEST_F(SiteLink, AMissingCommanderFailsWith4312) {
    LogFileCatcher log(fresh_test_dir("world"));
    Site *base = create(SITE_STARBASE);
    base->owner_id = 901;   // no such player
    base->commander_id = 77;
    EXPECT_EQ(object_link(base), RES_UNRESOLVED_ID);
    EXPECT_NE(log.text().find("Starbase failed to find command pilot player 901, id 77"), std::string::npos)
        << log.text();
}

// ---- Snapshot ----

class SiteSnapshot : public SiteRecord {};

TEST_F(SiteSnapshot, LevelZeroCopiesTheLabelTheCommanderAndAHomeColony) {
    Site *s = filled();
    s->feature->kind = FEATURE_HOME_COLONY;
    Site *d = create(SITE_SHIPYARD);
    object_copy_record(d, s, 0);
    EXPECT_EQ(d->label_number, 18);
    EXPECT_EQ(d->commander_id, 0x1122334455667788ull);
    EXPECT_EQ(d->known_feature_kind, FEATURE_HOME_COLONY);
    EXPECT_EQ(d->crew, 0) << "details need level 1";
    EXPECT_EQ(d->resources_left, 0);
    s->feature->kind = FEATURE_SURVIVORS;
    Site *e = create(SITE_SHIPYARD);
    object_copy_record(e, s, 0);
    EXPECT_EQ(e->known_feature_kind, -1) << "other features are not seen at level 0";
}

TEST_F(SiteSnapshot, LevelOneCopiesTheDetails) {
    Site *s = filled();
    Site *d = create(SITE_SHIPYARD);
    object_copy_record(d, s, 1);
    EXPECT_EQ(d->known_feature_kind, 2);
    EXPECT_EQ(std::vector<int32_t>({d->progress, d->crew, d->resources_left, d->resources_max, d->harvest_divisor,
                                    d->population, d->attributes[2], d->defense_level}),
              std::vector<int32_t>({55, 150, 12, 11, 13, 17, 21, 27}));
    EXPECT_EQ(d->remaining_min, 0) << "production stays private";
    EXPECT_TRUE(d->flags & OBJ_SNAPSHOT);
    site_free_feature(s);
    object_copy_record(d, s, 1);
    EXPECT_EQ(d->known_feature_kind, -1);
}

}  // namespace
