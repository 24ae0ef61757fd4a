// Shots: their parameter files (with the trail-table check), damage draws and volley scaling,
// legs, arrival, seeking, fizzling, interception by point defence, damage to shots, and the save
// record with its link step; and every shot in flight drawn through the game's own map drawing.
#include "shot_test_util.h"

#include <tuple>
#include "platform/buffer.h"
#include "platform/draw.h"
#include "platform/graphics.h"
#include "systems/weapon.h"

namespace shiptest {
namespace {

// ---- Parameter files ----

// A parameter file laid out by hand.
struct ShotParams {
    uint32_t type_flags = 0;
    std::vector<int32_t> head = {100, 0, 5, 9, 0, 2, 0, 0, 50, 10, 1};   // speed .. trail_max
    std::vector<std::pair<int32_t, int32_t>> table;
    int32_t anims = 0;
    bool    evasion = true;
    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> out;
        put_u32(&out, type_flags);
        for (int32_t v : head) put_i32(&out, v);
        put_str(&out, "Bolt");
        put_str(&out, "one");
        put_str(&out, "many");
        put_i32(&out, int32_t(table.size()));
        for (auto [x, y] : table) put_i32(&out, x), put_i32(&out, y);
        put_i32(&out, anims);
        for (int32_t i = 0; i < anims; ++i)
            for (int32_t v : {0, 1, i, 100}) put_i32(&out, v);   // flags, one pair: frame i for 100 ms
        if (evasion) put_i32(&out, 33);
        return out;
    }
};

class ShotParamsFile : public ShipTest {
protected:
    Shot   *tmpl = nullptr;
    Buffer *buf = nullptr;
    void SetUp() override {
        ShipTest::SetUp();
        tmpl = shot_of(object_create_blank(OBJECT_SHOT));
        owned.push_back(tmpl);
        tmpl->flags |= OBJ_OWNS_FRAMES | OBJ_OWNS_ANIMS;
        buf = buffer_create();
    }
    void TearDown() override {
        buffer_free(buf);
        ShipTest::TearDown();
    }
    Result read(const ShotParams &p) {
        refill(buf, p.bytes());
        return shot_read_params(tmpl, buf);
    }
};

TEST_F(ShotParamsFile, FieldsInFileOrder) {
    ShotParams p;
    p.anims = 2;
    ASSERT_EQ(read(p), RES_OK);
    EXPECT_EQ(std::vector<int32_t>({tmpl->speed, tmpl->damage_min, tmpl->damage_max, tmpl->picture_index,
                                    tmpl->leg_length, tmpl->max_hit_points, tmpl->trail_max}),
              std::vector<int32_t>({100, 5, 9, 2, 50, 10, 1}));
    EXPECT_EQ(std::vector<std::string>({tmpl->name, tmpl->label_a, tmpl->label_b}),
              std::vector<std::string>({"Bolt", "one", "many"}));
    EXPECT_EQ(tmpl->animation_count, 2);
    EXPECT_EQ(tmpl->shot_evasion, 33);
    EXPECT_TRUE(tmpl->shot_flags & SHOT_FLAG_TEMPLATE);
}

TEST_F(ShotParamsFile, MissingRequiredFieldsFailShortAndALyingCountAllocatesNothing) {
    ShotParams p;
    std::vector<uint8_t> bytes = p.bytes();
    refill(buf, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 2));
    EXPECT_EQ(shot_read_params(tmpl, buf), RES_SHORT_BUFFER) << "the type flags";
    p.anims = 1;
    bytes = p.bytes();
    refill(buf, std::vector<uint8_t>(bytes.begin(), bytes.end() - 12));
    EXPECT_EQ(shot_read_params(tmpl, buf), RES_SHORT_BUFFER) << "cut inside the animation records";
    std::vector<uint8_t> lying;
    put_u32(&lying, 0);
    for (int i = 0; i < 11; ++i) put_i32(&lying, 0);
    for (int i = 0; i < 3; ++i) put_str(&lying, "");
    put_i32(&lying, 0x7FFFFFF0);
    refill(buf, lying);
    EXPECT_EQ(shot_read_params(tmpl, buf), RES_SHORT_BUFFER) << "more table pairs than there are bytes";
    // The figures after the speed may be missing, the table count may not.
    std::vector<uint8_t> speed_only;
    put_u32(&speed_only, SHOT_TYPE_SEEKS);
    put_i32(&speed_only, 250);
    refill(buf, speed_only);
    EXPECT_EQ(shot_read_params(tmpl, buf), RES_SHORT_BUFFER);
    EXPECT_EQ(tmpl->speed, 250);
    EXPECT_EQ(tmpl->damage_max, 0);
}

TEST_F(ShotParamsFile, TrailTablesThatMissAReachableRowAreRefused) {
    // A volley of 3 rounds with 4 directions: rows for 2 and 3 rounds in each direction, 3 points a row.
    ShotParams p;
    p.type_flags = SHOT_TYPE_SEGMENTED | SHOT_TYPE_DIRECTIONS;
    p.head = {100, 0, 5, 9, 4, 0, 0, 0, 0, 30, 3};
    p.anims = 4;
    p.table.assign(2 * 4 * 3 - 1, {1, 1});
    EXPECT_EQ(read(p), RES_MALFORMED) << "one entry short of the last row";
    p.table.assign(2 * 4 * 3, {1, 1});
    EXPECT_EQ(read(p), RES_OK);
    EXPECT_EQ(shot_trail_entries_needed(p.type_flags, 4, 3), 24);
    // Without directions the row is the round count less one, for 1..min(rounds, 5) rounds.
    EXPECT_EQ(shot_trail_entries_needed(SHOT_TYPE_SEGMENTED, 0, 3), 9);
    EXPECT_EQ(shot_trail_entries_needed(SHOT_TYPE_SEGMENTED, 0, 8), 5 * 8) << "at most five rounds are shown";
    EXPECT_EQ(shot_trail_entries_needed(SHOT_TYPE_DIRECTIONS, 16, 3), 0) << "an ordinary shot has no trail";
}

// ---- Creation, damage ----

using ShotBasics = ShotMapTest;

TEST_F(ShotBasics, TheGeneratedTemplatesLoadAndDrawTheirDamage) {
    for (int32_t t = 0; t < SHOT_TEMPLATE_COUNT; ++t) {
        Shot *s = shot_create(t);
        ASSERT_NE(s, nullptr) << t;
        owned.push_back(s);
        EXPECT_GE(s->damage, s->damage_min);
        EXPECT_LE(s->damage, s->damage_max);
        EXPECT_EQ(s->hit_points, s->max_hit_points);
        EXPECT_EQ(s->hold_ms, SHOT_HOLD_MS);
        EXPECT_EQ(s->mass, 1);
        EXPECT_GT(s->w, 0);
        EXPECT_GT(s->h, 0);
        if (s->shot_type_flags & SHOT_TYPE_SEGMENTED) {
            EXPECT_EQ(s->trail_count, s->trail_max);
        }
        if (s->shot_type_flags & SHOT_TYPE_LEGS) {
            EXPECT_TRUE(s->shot_flags & SHOT_FLAG_LEG_TURN);
        }
    }
}

TEST_F(ShotBasics, AFixedDamageIsTakenWithoutADraw) {
    Shot *s = shot_create(SHOT_TEMPLATE_MISSILE);
    owned.push_back(s);
    s->damage_min = s->damage_max = 10;
    random_seed(5);
    const uint32_t next = random_raw();
    random_seed(5);
    shot_on_created(s);
    EXPECT_EQ(s->damage, 10);
    EXPECT_EQ(random_raw(), next) << "no draw was made";
}

TEST_F(ShotBasics, AVolleyDealsItsShareOfRoundsLeft) {
    Shot *s = shot_create(SHOT_TEMPLATE_VOLLEY);
    owned.push_back(s);
    s->trail_max = 4;
    // rounds left, damage -> what a hit deals: at least 1
    for (auto [rounds, damage, dealt] : {std::tuple{2, 10, 5}, {1, 3, 1}, {4, 3, 3}}) {
        s->trail_count = rounds, s->damage = damage;
        EXPECT_EQ(shot_damage(s), dealt) << rounds << " rounds of " << damage;
    }
}

TEST_F(ShotBasics, AVolleyTurnsWithItsHeadingAndSpreadsOutAfterATurn) {
    Shot *s = shot_create(SHOT_TEMPLATE_VOLLEY);
    owned.push_back(s);
    ASSERT_EQ(s->trail_max, 3);
    object_set_heading(s, 180);   // rounds trail to the right of the leader
    s->blend = SHOT_BLEND_END;
    shot_update_trail(s);
    const int32_t lead_x = s->trail_x[0], last_x = s->trail_x[2];
    EXPECT_LT(lead_x, last_x) << "facing left, the leading round is leftmost";
    EXPECT_EQ(s->w, s->frame_w[s->frame] + 1 + std::max({s->trail_x[0], s->trail_x[1], s->trail_x[2]}));

    // Halfway through the blend the outer rounds are halfway between the middle one and their places.
    s->shot_flags |= SHOT_FLAG_BLENDING;
    s->blend = SHOT_BLEND_END / 2;
    shot_update_trail(s);
    const int32_t middle = s->trail_x[1];
    EXPECT_EQ(s->trail_x[0], (lead_x + middle) / 2);
    EXPECT_EQ(s->trail_x[2], (last_x + middle) / 2);
    s->blend = 0;
    shot_update_trail(s);
    EXPECT_EQ(s->trail_x[0], middle) << "the blend starts with the rounds bunched";
}

// ---- Flight ----

using ShotFlight = ShotMapTest;

TEST_F(ShotFlight, ALeggedShotOrOneLaunchedAtAPointFliesAShortFirstLegThenLongOnes) {
    Ship *target = on_map(HULL_LANCER, 1200, 800, 0, BLUE);
    Shot *s = shot_at(SHOT_TEMPLATE_BOLT, 900, 800);
    ASSERT_TRUE(s->shot_type_flags & SHOT_TYPE_LEGS);
    shot_set_target(s, target);
    int32_t dx = 0, dy = 0;
    ASSERT_EQ(object_get_travel_destination(s, &dx, &dy), 1);
    EXPECT_NEAR(distance(dx - 900, dy - 800), SHOT_FIRST_LEG, 1);
    EXPECT_TRUE(s->shot_flags & SHOT_FLAG_FIRST_LEG);
    EXPECT_FALSE(s->shot_flags & SHOT_FLAG_LAST_LEG);
    // The leg is flown; the shot's turn ends and it is due again soon.
    for (int i = 0; i < 500 && (s->shot_flags & SHOT_FLAG_IN_LEG); ++i) run(1);
    EXPECT_FALSE(s->shot_flags & SHOT_FLAG_IN_LEG);
    EXPECT_TRUE(s->flags & OBJ_TURN_DONE);
    EXPECT_EQ(s->initiative, SHOT_LEG_INITIATIVE);
    EXPECT_FALSE(s->flags & OBJ_DEAD);
    // Its next turn aims the next leg: now leg_length.
    const int32_t x0 = s->x, y0 = s->y;
    object_begin_turn(s);
    ASSERT_EQ(object_act(s), RES_OK);
    ASSERT_EQ(object_get_travel_destination(s, &dx, &dy), 1);
    EXPECT_NEAR(distance(dx - x0, dy - y0), s->leg_length, 1);
    EXPECT_FALSE(s->shot_flags & SHOT_FLAG_FIRST_LEG);

    // Launched at a point, the first leg is as short.
    Shot *at_point = shot_at(SHOT_TEMPLATE_BOLT, 900, 1200);
    shot_launch(at_point, 900 + at_point->w / 2 + 100, 1200 + at_point->h / 2);
    ASSERT_EQ(object_get_travel_destination(at_point, &dx, &dy), 1);
    EXPECT_EQ(std::vector<int32_t>({dx, dy}), std::vector<int32_t>({930, 1200}));
    EXPECT_TRUE(at_point->shot_flags & SHOT_FLAG_AT_POINT);
}

TEST_F(ShotFlight, AShotThatReachesInOneLegArrivesAndHurtsItsTarget) {
    Ship *target = on_map(HULL_LANCER, 1000, 800, 0, BLUE);
    ship_repair_and_reload(target);
    const int32_t armour = target->armour;
    Shot *s = shot_at(SHOT_TEMPLATE_BOLT, 960, 800);
    object_add_ref(s);   // looked at after the sweep that frees the dead
    s->damage = 17;
    shot_set_target(s, target);
    EXPECT_TRUE(s->shot_flags & SHOT_FLAG_LAST_LEG);
    settle();
    EXPECT_TRUE(s->flags & OBJ_DEAD);
    EXPECT_EQ(target->armour, armour - 17) << "plain damage, no shield fitted";
    object_release(s);
}

TEST_F(ShotFlight, ASeekingShotTakesTheNearestEnemyWhenItsTargetIsGone) {
    Ship *first = on_map(HULL_LANCER, 1400, 800, 0, BLUE);
    Ship *near = on_map(HULL_SKIFF, 1100, 900, 0, BLUE);
    on_map(HULL_SKIFF, 1000, 1000, 0, RED);   // its own side is never chosen
    Shot *s = shot_at(SHOT_TEMPLATE_MISSILE, 900, 900);
    shot_set_target(s, first);
    first->flags |= OBJ_DEAD;
    EXPECT_EQ(object_act(s), RES_OK);
    EXPECT_EQ(s->target, near);
}

TEST_F(ShotFlight, WithNothingLeftAShotFizzles) {
    Shot *s = shot_at(SHOT_TEMPLATE_MISSILE, 900, 900);
    object_add_ref(s);   // looked at after the sweep that frees the dead
    EXPECT_EQ(object_act(s), RES_SHOT_WITHOUT_TARGET);
    EXPECT_TRUE(s->shot_flags & SHOT_FLAG_FIZZLED);
    EXPECT_TRUE(s->flags & OBJ_TURN_DONE);
    run(1);
    EXPECT_TRUE(s->flags & OBJ_DEAD);
    object_release(s);
    EXPECT_GE(list_count(&map->effects) + list_count(&map->new_effects), 1) << "it bursts";

    // Quiet: it is simply gone.
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    Shot *quiet = shot_at(SHOT_TEMPLATE_MISSILE, 900, 900);
    EXPECT_EQ(object_act(quiet), RES_SHOT_WITHOUT_TARGET);
    EXPECT_TRUE(quiet->flags & OBJ_DEAD);
}

TEST_F(ShotFlight, ResolvedAtOnceAnOrdinaryShotArrivesInItsTurn) {
    // A defence shot seeks its target and flies its whole way in the turn it is given.
    Ship *target = on_map(HULL_LANCER, 1300, 800, 0, BLUE);
    ship_repair_and_reload(target);
    const int32_t armour = target->armour;
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    Shot *s = shot_at(SHOT_TEMPLATE_SLUG, 600, 800, RED);
    shot_arm_defense(s, "Mine", "Mines", 21);
    EXPECT_STREQ(object_get_name(s), "Mine");
    EXPECT_EQ(object_act(s), RES_OK);
    EXPECT_EQ(s->target, target);
    EXPECT_TRUE(s->flags & OBJ_DEAD) << "it arrived: the battle goes on";
    EXPECT_EQ(target->armour, armour - 21);
}

TEST_F(ShotFlight, ARangedShotStopsWhereItsRangeRunsOut) {
    Shot *s = shot_at(SHOT_TEMPLATE_MISSILE, 500, 800);
    object_add_ref(s);   // looked at after the sweep that frees the dead
    shot_set_range(s, 120);
    shot_launch(s, 1500, 800);
    object_set_busy(s);
    settle();
    EXPECT_TRUE(s->flags & OBJ_DEAD);
    EXPECT_GE(s->x, 500 + 110);
    EXPECT_LE(s->x, 500 + 140);
    object_release(s);
}

// ---- Point defence and damage to shots ----

class ShotInterception : public ShotMapTest {
protected:
    Ship *guard = nullptr;
    void SetUp() override {
        ShotMapTest::SetUp();
        guard = on_map(HULL_LANCER, 1200, 900, 0, BLUE);
        System *pd = fit(guard, LANCER_FORE, SYSTEM_TYPE_POINT_DEFENCE);
        ASSERT_NE(pd, nullptr);
        pd->value = 100;   // one hit takes any shot down
        ship_recompute_stats(guard);
        ASSERT_TRUE(guard->ship_flags & SHIP_FLAG_POINT_DEFENCE);
    }
};

TEST_F(ShotInterception, APointDefenceReactsOncePerTurn) {
    Shot *s = shot_at(SHOT_TEMPLATE_MISSILE, 1100, 900);
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;   // the defence's damage lands at once
    s->hit_points = 1000;
    int32_t px = 0, py = 0;
    centre(guard, &px, &py);
    EXPECT_EQ(shot_travel_point(s, px - 30, py), 0);
    EXPECT_TRUE(s->shot_flags & SHOT_FLAG_INTERCEPTED);
    ASSERT_EQ(s->intercepted_by.size(), 1u);
    EXPECT_EQ(s->intercepted_by[0], guard->id);
    EXPECT_LT(s->hit_points, 1000);
    EXPECT_EQ(shot_travel_point(s, px - 29, py), 1) << "the travel stops at the next pixel";
    const int32_t hp = s->hit_points;
    EXPECT_EQ(shot_travel_point(s, px - 28, py), 0);
    EXPECT_EQ(s->hit_points, hp) << "the same defence does not react twice in a turn";
    object_begin_turn(s);
    EXPECT_TRUE(s->intercepted_by.empty());
    EXPECT_EQ(shot_travel_point(s, px - 27, py), 0);
    EXPECT_EQ(s->intercepted_by.size(), 1u) << "a new turn, a new reaction";
    EXPECT_LT(s->hit_points, hp);
}

TEST_F(ShotInterception, PointDefenceTakesAMissileOutOfTheAir) {
    Ship *shooter = on_map(HULL_LANCER, 950, 900, 0, RED);
    Ship *target = on_map(HULL_LEVIATHAN, 1350, 850, 180, BLUE);
    const int32_t armour = target->armour;
    System *launcher = fit(shooter, LANCER_FORE, SYSTEM_TYPE_MISSILE);
    ASSERT_NE(launcher, nullptr);
    ship_repair_and_reload(shooter);
    int32_t tx = 0, ty = 0;
    centre(target, &tx, &ty);
    ASSERT_EQ(launcher->type, SYSTEM_TYPE_MISSILE);
    ASSERT_EQ(system_type_ops(SYSTEM_TYPE_MISSILE)->activate(launcher, shooter, target, tx, ty, nullptr), RES_OK);
    map_add_pending_objects(map);
    Shot *missile = nullptr;
    for (GameObject *obj : map->objects.items)
        if (Shot *s = shot_of(obj)) missile = s;
    ASSERT_NE(missile, nullptr);
    object_add_ref(missile);
    settle();
    EXPECT_FALSE(missile->intercepted_by.empty()) << "the guard stood in its way";
    EXPECT_EQ(missile->hit_points, 0);
    EXPECT_TRUE(missile->flags & OBJ_DEAD);
    EXPECT_EQ(target->armour, armour) << "the missile never burst at its target";
    object_release(missile);
}

TEST_F(ShotInterception, AHitVolleyLosesRoundsAndDiesAtZero) {
    Shot *s = shot_at(SHOT_TEMPLATE_VOLLEY, 900, 900);
    ASSERT_EQ(s->trail_count, 3);
    const int32_t cx = s->x + s->w / 2;
    shot_apply_damage(s, nullptr, 1, 0, 0, 0);
    EXPECT_EQ(s->trail_count, 2) << "never more than trail_max - 1 after a hit";
    EXPECT_NEAR(s->x + s->w / 2, cx, 1) << "the volley keeps its centre";
    shot_apply_damage(s, nullptr, s->hit_points - 1, 0, 0, 0);
    EXPECT_EQ(s->trail_count, 1);
    EXPECT_FALSE(s->flags & OBJ_DEAD);
    shot_apply_damage(s, nullptr, 5, 0, 0, 0);
    EXPECT_EQ(s->hit_points, 0);
    EXPECT_TRUE(s->flags & OBJ_DEAD);
    EXPECT_TRUE(s->flags & OBJ_DYING);
}

// ---- Save record ----

class ShotRecord : public ShotMapTest {
protected:
    Buffer *buf = nullptr;
    void SetUp() override {
        ShotMapTest::SetUp();
        buf = buffer_create();
    }
    void TearDown() override {
        buffer_free(buf);
        ShotMapTest::TearDown();
    }
};

TEST_F(ShotRecord, TheKindRecordIsBigEndianInItsOrder) {
    Shot *s = shot_create(SHOT_TEMPLATE_VOLLEY);
    owned.push_back(s);
    Ship *src = hull(HULL_SKIFF);
    object_add_ref(src);   // the test's own hold: the shot's comes and goes
    src->id = 0x0102030405060708ull;
    s->shot_flags = 0x11223344;
    s->dir_frame = 3;
    s->origin_x = -1;
    s->origin_y = 2;
    s->impact_x = 3;
    s->impact_y = 4;
    s->dest_x = 5;
    s->dest_y = 6;
    s->damage = 7;
    s->hit_points = 8;
    s->trail_count = 2;
    shot_set_source(s, src);
    s->impact_type = 22;
    s->intercepted_by = {0xAABBCCDD00112233ull};
    ASSERT_EQ(shot_write(s, buf), RES_OK);
    std::vector<uint8_t> want;
    put_u32(&want, 0x11223344);
    for (int32_t v : {3, -1, 2, 3, 4, 5, 6, 7, 8, 2}) put_i32(&want, v);
    put_u64(&want, 0x0102030405060708ull);
    put_u64(&want, 0);
    put_i32(&want, 22);
    put_i32(&want, 1);
    put_u64(&want, 0xAABBCCDD00112233ull);
    ASSERT_EQ(size_t(buf->length), want.size());
    EXPECT_EQ(std::vector<uint8_t>(buf->data, buf->data + buf->length), want);
    shot_set_source(s, nullptr);

    Shot *back = shot_create(SHOT_TEMPLATE_VOLLEY);
    owned.push_back(back);
    buffer_set_cursor(buf, 0);
    ASSERT_EQ(shot_read(back, buf), RES_OK);
    EXPECT_EQ(std::vector<int32_t>({back->dir_frame, back->origin_x, back->damage, back->trail_count, back->impact_type}),
              std::vector<int32_t>({3, -1, 7, 2, 22}));
    EXPECT_EQ(back->source_id, 0x0102030405060708ull) << "kept for the link step";
    EXPECT_EQ(back->intercepted_by, s->intercepted_by);
}

TEST_F(ShotRecord, HostileRecordsAreRefused) {
    std::vector<uint8_t> bytes;
    put_u32(&bytes, 0);
    for (int i = 0; i < 10; ++i) put_i32(&bytes, 0);
    put_u64(&bytes, 0);
    put_u64(&bytes, 0);
    put_i32(&bytes, -1);
    std::vector<uint8_t> negative = bytes;
    put_i32(&negative, -1);
    std::vector<uint8_t> lying = bytes;
    put_i32(&lying, 1000000);
    put_u64(&lying, 1);
    Shot *s = shot_create(SHOT_TEMPLATE_BOLT);
    owned.push_back(s);
    refill(buf, negative);
    EXPECT_EQ(shot_read(s, buf), RES_MALFORMED);
    refill(buf, lying);
    EXPECT_EQ(shot_read(s, buf), RES_SHORT_BUFFER) << "a count beyond the bytes is refused before allocating";
    refill(buf, bytes);
    EXPECT_EQ(shot_read(s, buf), RES_SHORT_BUFFER) << "no count at all";
}

TEST_F(ShotRecord, AShotInFlightSurvivesAMapRoundTripAndLinksAgain) {
    Ship *shooter = on_map(HULL_LANCER, 600, 900, 0, RED);
    Ship *target = on_map(HULL_LANCER, 1300, 900, 180, BLUE);
    // The link looks ids up on the game's maps: this map stands in for the combat map.
    ObjectMap *combat = game->combat_map;
    game->combat_map = map;
    Shot *s = shot_at(SHOT_TEMPLATE_VOLLEY, 700, 900);
    shot_set_source(s, shooter);
    shot_set_target(s, target);
    s->damage = 12;
    ASSERT_EQ(object_write(s, buf), RES_OK);

    GameObject *read = nullptr;
    buffer_set_cursor(buf, 0);
    ASSERT_EQ(object_read(&read, buf), RES_OK);
    Shot *back = shot_of(read);
    ASSERT_NE(back, nullptr);
    owned.push_back(back);
    EXPECT_EQ(back->target, nullptr) << "unlinked until the link step";
    ASSERT_EQ(object_link(back), RES_OK);
    EXPECT_EQ(back->source, shooter);
    EXPECT_EQ(back->target, target);
    EXPECT_EQ(back->damage, 12);
    EXPECT_EQ(back->blast_radius, back->tmpl_word_b) << "the blast radius comes from the template";

    // An id that does not resolve: 4312 and the link is tried again later.
    back->flags &= ~OBJ_LINKED;
    back->target_id = 987654;
    LogCatcher log(fresh_test_dir("shots"));
    EXPECT_EQ(object_link(back), RES_UNRESOLVED_ID);
    EXPECT_NE(log.text().find("Shot failed to link target #987654 (object not found)"), std::string::npos);
    EXPECT_FALSE(back->flags & OBJ_LINKED);
    game->combat_map = combat;
}

// Every shot drawn by the game's own map drawing, replayed into an off-screen screen: each
// template, flown across its own band, leaves pixels there.
class ShotDrawing : public ShotMapTest {
protected:
    static constexpr int32_t W = 1024, H = 768, BAND = 120;
    SDL_Surface *surface = nullptr;
    Graphics    *g = nullptr;

    void SetUp() override {
        surface = gfx_create_surface32(W, H);
        ASSERT_NE(surface, nullptr);
        gfx_screen_attach(surface);
        ASSERT_EQ(gfx_select_primitives(4), RES_OK);
        g = gfx_create();
        ASSERT_NE(g, nullptr);
        g->width = W;   // what the map's draw clips its objects to
        g->height = H;
        ShotMapTest::SetUp();
    }
    void TearDown() override {
        ShotMapTest::TearDown();
        gfx_screen_attach(nullptr);
        if (g) gfx_free(g);
        if (surface) SDL_FreeSurface(surface);
    }
    // Pixels of a band that are no longer the blank screen.
    int drawn(int top, int bottom) const {
        int n = 0;
        for (int y = std::max(top, 0); y < std::min(bottom, H); ++y)
            for (int x = 0; x < W; ++x)
                n += *reinterpret_cast<const uint32_t *>(static_cast<const uint8_t *>(surface->pixels) +
                                                         y * surface->pitch + x * 4) != 0;
        return n;
    }
};

TEST_F(ShotDrawing, EveryShotShowsAlongItsFlight) {
    for (int32_t t = 0; t < SHOT_TEMPLATE_COUNT; ++t) {
        map_clear(map);
        const int32_t top = 30 + t * BAND;
        Shot *s = shot_at(t, 30, top + 50);
        ASSERT_NE(s, nullptr);
        object_add_ref(s);
        // Turned before it leaves, so a volley spreads its rounds out along the way.
        object_set_heading(s, 90);
        object_set_heading(s, angle_of_vector(940, -60));
        object_move_towards(s, 970 - s->w, top + 10);
        for (int frame = 0; frame < 400 && (s->flags & OBJ_TRAVELLING); ++frame) {
            if (frame % 22 == 0) {
                map_draw(map, g);
                ASSERT_EQ(gfx_replay_frame(g, surface), RES_OK);
            }
            run(1);
        }
        object_release(s);
        EXPECT_GT(drawn(top - 20, top + BAND - 20), 40) << "template " << t << " shows on its band";
    }
}

}  // namespace
}  // namespace shiptest
