// Object motion: the per-tick update (rotation, pulse, shake, flash), frames, galaxy travel, the
// busy state, shape tests on hit masks, line walks, and the generic draw as draw commands.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>
#include "platform/draw_fixture.h"
#include "platform/movement_path.h"
#include "platform/random.h"
#include "world_test_kind.h"

using namespace world_test;

namespace {

// ---- Per tick ----

class ObjectTick : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        t = make("t");
    }
    void TearDown() override {
        object_destroy(t);
        WorldFixture::TearDown();
    }
    Thing *t = nullptr;
};

TEST_F(ObjectTick, RotationTakesTheShortWayOneDegreePerTwoMillisecondsAndTheKindsUpdateRuns) {
    t->heading = 350;
    object_begin_rotation(t, 10);
    g_calls.names.clear();
    object_update(t, 7);
    EXPECT_EQ(g_calls.names, std::vector<std::string>{"update"});
    EXPECT_EQ(t->heading, 353);
    EXPECT_EQ(t->rotation_rest, 1);
    object_update(t, 40);   // 41 ms: 20 degrees, but only 17 are left
    EXPECT_EQ(t->heading, 10);
    EXPECT_TRUE(t->flags & OBJ_ROTATING) << "cleared at the next tick, when nothing is left";
    object_update(t, 1);
    EXPECT_FALSE(t->flags & OBJ_ROTATING);
}

TEST_F(ObjectTick, RotationBackwardsAndFinishing) {
    t->heading = 10;
    object_begin_rotation(t, 300);   // -70
    object_update(t, 20);
    EXPECT_EQ(t->heading, 0);
    object_finish_rotation(t);
    EXPECT_EQ(t->heading, 300);
    EXPECT_FALSE(t->flags & OBJ_ROTATING);
    EXPECT_EQ(t->rotation_rest, 0);
    object_begin_rotation(t, 725);
    object_finish_rotation(t);
    EXPECT_EQ(t->heading, 5);
}

TEST_F(ObjectTick, PulseBouncesAtTheEnds) {
    t->flags |= OBJ_PULSING;
    t->pulse_level = 99;
    object_update(t, 35);
    EXPECT_EQ(std::tuple(t->pulse_level, t->pulse_step, t->pulse_rest), std::tuple(100, -1, 5));
    object_update(t, 5);   // 10 ms: one step down
    EXPECT_EQ(t->pulse_level, 99);
    t->pulse_level = 2;
    object_update(t, 50);
    EXPECT_EQ(std::pair(t->pulse_level, t->pulse_step), std::pair(0, 1));
}

TEST_F(ObjectTick, ShakeAndFlashRunOut) {
    object_shake(t, 30);
    object_flash(t);
    object_update(t, 29);
    EXPECT_TRUE(t->flags & OBJ_SHAKING);
    object_update(t, 1);
    EXPECT_FALSE(t->flags & OBJ_SHAKING);
    EXPECT_TRUE(t->flags & OBJ_FLASHING);
    object_update(t, 600);
    EXPECT_FALSE(t->flags & OBJ_FLASHING);
    EXPECT_EQ(t->flash_ms, 0);
}

TEST_F(ObjectTick, AFrameSetsTheSizeAndAnIllegalFrameOrAnimationIsRefused) {
    object_set_frame(t, 2);
    object_set_frame(t, -1);
    EXPECT_EQ(std::tuple(t->frame, t->w), std::tuple(0, 10));
    object_set_frame(t, 1);
    EXPECT_EQ(std::tuple(t->frame, t->w, t->h), std::tuple(1, 20, 16));
    object_set_animation(t, 0, 1);
    EXPECT_EQ(t->animation, -1) << "the template has no animations";
    object_alloc_animations(t, 0);
    EXPECT_EQ(t->animation_count, 0);
}

TEST_F(ObjectTick, ApplyFrameReplacesTheSizeUpdate) {
    RowEdit edit([](ObjectMethods &m) { m.apply_frame = [](GameObject *obj) { obj->w = 99; }; });
    object_set_frame(t, 1);
    EXPECT_EQ(t->w, 99);
    EXPECT_EQ(t->h, 8) << "the default update did not run";
}

// ---- Travel ----

class ObjectTravel : public ObjectTick {
protected:
    void SetUp() override {
        ObjectTick::SetUp();
        t->x = 0;
        t->y = 0;
        t->speed = 1000;   // a pixel per time unit
    }
};

TEST_F(ObjectTravel, ArrivesAtTheTargetAndStopsAndNoSpeedOrDistanceIsNoTravel) {
    object_move_towards(t, 0, 0);
    EXPECT_FALSE(t->flags & OBJ_TRAVELLING);
    object_move_towards(t, 10, 0);
    EXPECT_TRUE(t->flags & OBJ_TRAVELLING);
    int32_t dx = 0, dy = -1;
    EXPECT_EQ(object_get_travel_destination(t, &dx, &dy), 1);
    EXPECT_EQ(std::pair(dx, dy), std::pair(10, 0));
    object_update_travel(t, 4);
    EXPECT_EQ(t->x, 4);
    object_update_travel(t, 100);
    EXPECT_EQ(t->x, 10);
    EXPECT_FALSE(t->flags & OBJ_TRAVELLING);
    EXPECT_EQ(object_get_travel_destination(t, &dx, &dy), 0);
    t->speed = 0;
    object_move_towards(t, 50, 50);
    EXPECT_FALSE(t->flags & OBJ_TRAVELLING);
}

int32_t g_refuse_from_x = 1 << 30;

TEST_F(ObjectTravel, ARefusedPixelKeepsTheObjectWhereItWasAndTriesAgainLater) {
    RowEdit edit([](ObjectMethods &m) {
        m.travel_point = [](GameObject *, int32_t x, int32_t) { return x >= g_refuse_from_x ? 1 : 0; };
    });
    object_move_towards(t, 10, 0);
    g_refuse_from_x = 1;   // refuses the first pixel
    object_update_travel(t, 5);
    EXPECT_EQ(t->x, 0);
    EXPECT_TRUE(t->flags & OBJ_TRAVELLING);
    g_refuse_from_x = 3;
    object_update_travel(t, 5);
    EXPECT_EQ(t->x, 2) << "stops before the refused pixel";
    g_refuse_from_x = 1 << 30;
    object_update_travel(t, 5);
    EXPECT_EQ(t->x, 7) << "the refused pixel was not skipped";
}

TEST_F(ObjectTravel, HeldTravelWaitsForResumeAndADelayRunsOut) {
    object_move_towards(t, 100, 0);
    object_hold_travel(t);
    object_update_travel(t, 50);
    EXPECT_EQ(t->x, 0);
    object_resume_travel(t);
    object_set_travel_delay(t, 0);
    EXPECT_FALSE(t->flags & OBJ_TRAVEL_HELD) << "a delay of 0 does nothing";
    object_set_travel_delay(t, 30);
    object_update_travel(t, 20);
    EXPECT_EQ(t->x, 0);
    object_update_travel(t, 13);   // the delay runs out and the same step moves the whole 13
    EXPECT_FALSE(t->flags & OBJ_TRAVEL_HELD);
    EXPECT_EQ(t->x, 13);
}

TEST_F(ObjectTravel, FinishJumpsToTheEndAndStopStaysPut) {
    object_move_towards(t, 40, 30);
    object_update_travel(t, 10);
    const int32_t x = t->x;
    object_stop_travel(t);
    object_update_travel(t, 10);
    EXPECT_EQ(t->x, x);
    object_move_towards(t, 40, 30);
    object_finish_travel(t);
    EXPECT_EQ(std::pair(t->x, t->y), std::pair(40, 30));
    EXPECT_FALSE(t->flags & OBJ_TRAVELLING);
}

// ---- Busy state and description ----

TEST_F(ObjectTick, BusyOffTheMapIsOnlyAFlagAndDestroyingABusyObjectHandsTheMapItsHold) {
    object_set_busy(t);
    EXPECT_TRUE(t->flags & OBJ_BUSY);
    object_clear_busy(t, 100);
    EXPECT_FALSE(t->flags & OBJ_BUSY);
    ObjectMap *map = map_create();
    Thing *busy = make("busy");
    busy->map = map;
    busy->hold_ms = 450;
    object_set_busy(busy);
    object_destroy(busy);
    EXPECT_EQ(map->busy_count, 0);
    EXPECT_EQ(map->hold_ms, 450);
    map_free(map);
}

TEST_F(ObjectTick, DescribeNamesIdKindSubtypeAndPosition) {
    t->id = 12;
    t->x = -3;
    t->y = 40;
    std::string text;
    object_describe(t, &text);
    EXPECT_EQ(text, "#12 0:0 \"t\" x-3 y40");
}

// ---- Shapes on hit masks ----

// Sprites from art: '#' opaque, '.' transparent.
class ObjectShapes : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        ring = sprite_from_art({"..##..", ".#..#.", "#....#", "#....#", ".#..#.", "..##.."});
        dot = sprite_from_art({"##", "##"});
        ASSERT_NE(ring, nullptr);
        ASSERT_NE(dot, nullptr);
        a = shaped("a", ring, 100, 100);
        b = shaped("b", dot, 0, 0);
    }
    void TearDown() override {
        mask_only_.reset();
        object_destroy(a);
        object_destroy(b);
        sprite_free(ring);
        sprite_free(dot);
        WorldFixture::TearDown();
    }
    // A Thing showing one sprite as its only frame, with its own frame arrays.
    Thing *shaped(const char *name, Sprite *sprite, int32_t x, int32_t y) {
        Thing *obj = thing(object_create_blank(THING));
        obj->name = name;
        obj->flags |= OBJ_OWNS_FRAMES;
        obj->frame_count = 1;
        obj->frames = new Sprite *[1]{sprite};
        obj->frame_w = new int32_t[1]{sprite->width};
        obj->frame_h = new int32_t[1]{sprite->height};
        object_set_frame(obj, 0);
        obj->x = x;
        obj->y = y;
        obj->radius = -1;
        return obj;
    }
    // The object's own point test without its kind's slot (the mask decides).
    void mask_only() { mask_only_ = std::make_unique<RowEdit>([](ObjectMethods &m) { m.point_test = nullptr; }); }
    Sprite *ring = nullptr, *dot = nullptr;
    Thing *a = nullptr, *b = nullptr;

private:
    std::unique_ptr<RowEdit> mask_only_;
};

TEST_F(ObjectShapes, PointTestReadsTheMaskInsideTheBoxOnlyAndFrameSpritesStandInForAnEmptySlot) {
    mask_only();
    struct Case {
        int32_t x, y, px, py, hit;
        const char *what;
    };
    for (const Case &c : {Case{100, 100, 102, 100, 1, "opaque"}, Case{100, 100, 100, 100, 0, "transparent corner"},
                          Case{100, 100, 103, 103, 0, "the hollow middle"},
                          Case{0, 0, 2, 0, 1, "the object may be tested at another place"},
                          Case{100, 100, 106, 106, 0, "the far edge passes the box, not the mask"},
                          Case{100, 100, 107, 102, 0, "outside the box"}})
        EXPECT_EQ(object_point_test(a, c.x, c.y, c.px, c.py), c.hit) << c.what;
    a->frames[0] = nullptr;
    EXPECT_EQ(object_point_test(a, 100, 100, 102, 100), 0) << "without a sprite no test hits";
    a->frame_sprites = new Sprite *[1]{ring};
    sprite_addref(ring);   // the test's own
    sprite_addref(ring);   // the object's: destroy releases frame sprites of an object owning its arrays
    EXPECT_EQ(object_point_test(a, 100, 100, 102, 100), 1);
    object_destroy(a);
    a = shaped("a", ring, 100, 100);
    EXPECT_EQ(ring->refcount, 1) << "the object's reference went with it";
}

TEST_F(ObjectShapes, OverlapOfMasksGivesTheFirstHitInMapPixels) {
    int32_t hx = -1, hy = -1;
    EXPECT_EQ(object_overlap(b, a, 102, 99, 100, 100, &hx, &hy), 1);
    EXPECT_EQ(std::pair(hx, hy), std::pair(102, 100));
    EXPECT_EQ(object_overlap(b, a, 102, 102, 100, 100, &hx, &hy), 0) << "inside the ring's hollow";
    EXPECT_EQ(object_overlap(b, a, 120, 120, 100, 100, nullptr, nullptr), 0) << "boxes apart";
    EXPECT_EQ(object_overlap_at(b, a, 0, 102, 99, 100, 100), 1);
    EXPECT_EQ(object_overlap_at(b, a, 1, 102, 99, 100, 100), 0) << "no such frame";
    EXPECT_EQ(object_mask_overlap(a, dot, 100, 100, 99, 101, &hx, &hy), 1) << "a mask against a sprite";
    EXPECT_EQ(std::pair(hx, hy), std::pair(100, 102));
    EXPECT_EQ(object_mask_overlap(a, dot, 100, 100, 102, 102, nullptr, nullptr), 0);
}

TEST_F(ObjectShapes, TheImpactIsTheFirstShapePointOnTheWayToTheCentre) {
    mask_only();
    struct Case {
        int32_t px, py, x, y;
        const char *what;
    };
    for (const Case &c : {Case{80, 103, 100, 103, "from outside"}, Case{103, 103, 103, 103, "already the centre"},
                          Case{102, 102, 103, 103, "from inside the hollow: the centre"}}) {
        int32_t px = c.px, py = c.py;
        EXPECT_EQ(object_impact_point(a, &px, &py), RES_OK) << c.what;
        EXPECT_EQ(std::pair(px, py), std::pair(c.x, c.y)) << c.what;
    }
}

// The nearest ring pixel from every side, from the hollow and across a diagonal: one less than the
// distance to it is out of range, the distance itself (strictly closer) is in.
TEST_F(ObjectShapes, InRangeFindsTheNearestPixelFromEverySide) {
    mask_only();
    struct Case {
        int32_t px, py, nearest;
        const char *what;
    } const cases[] = {
        {102, 80, 20, "above: (102, 100)"},        {126, 103, 21, "right: (105, 103)"},
        {102, 112, 7, "below: (102, 105)"},        {103, 93, 7, "above the top row: (103, 100)"},
        {102, 102, 1, "in the hollow: (101, 101)"}, {90, 115, 15, "below left: (101, 104), 15.6"},
        {90, 103, 10, "left: (100, 102) or (100, 103)"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(object_in_range_of(a, c.px, c.py, c.nearest), 0) << c.what;
        EXPECT_EQ(object_in_range_of(a, c.px, c.py, c.nearest + 1), 1) << c.what;
    }
}

TEST_F(ObjectShapes, ContactPointWalksTheMoverTowardsTheTargetsCentre) {
    b->x = 90;
    b->y = 101;
    int32_t cx = -1, cy = -1, hw = -1, hh = -1;
    EXPECT_EQ(object_contact_point(b, a, &cx, &cy, &hw, &hh), RES_OK);
    EXPECT_EQ(cx, 99) << "the dot's right column meets the ring's left edge";
    EXPECT_EQ(std::tuple(cy, hw, hh), std::tuple(101, 3, 3));
}

TEST_F(ObjectShapes, ContactThroughTheBoxWithoutTouchingIsRefused) {
    Sprite *wide = sprite_from_art(std::vector<std::string>(10, "##########"));
    ASSERT_NE(wide, nullptr);
    Thing *big = shaped("big", wide, 80, 95);   // its top-left walks through a's box towards (98, 98)
    {
        RowEdit never_touch([](ObjectMethods &m) {
            m.overlap_test = [](GameObject *, GameObject *, int32_t, int32_t, int32_t, int32_t, int32_t *, int32_t *) { return 0; };
        });
        a->w = a->h = 3;   // goal (100 + 1 - 5, 100 + 1 - 5) = (96, 96): the walk never enters a's box
        int32_t cx = -1, cy = -1;
        EXPECT_EQ(object_contact_point(big, a, &cx, &cy, nullptr, nullptr), RES_OK);
        EXPECT_EQ(std::pair(cx, cy), std::pair(96, 96)) << "no contact: the goal itself";
        big->x = big->y = 110;
        a->w = a->h = 40;   // goal (115, 115); from (110, 110) the walk is inside a's box at once
        EXPECT_EQ(object_contact_point(big, a, &cx, &cy, nullptr, nullptr), RES_OK);
        a->w = a->h = 6;    // goal (98, 98): the walk enters a's box and leaves it on the far side
        big->x = big->y = 110;
        EXPECT_EQ(object_contact_point(big, a, &cx, &cy, nullptr, nullptr), RES_NO_CONTACT);
    }
    object_destroy(big);
    sprite_free(wide);
}

// ---- Drawing ----

struct Command {
    DrawCommandFn *fn;
    std::vector<uint8_t> payload;
};

class ObjectDrawing : public ObjectShapes {
protected:
    void SetUp() override {
        ObjectShapes::SetUp();
        surface = gfx_create_surface32(64, 48);
        ASSERT_NE(surface, nullptr);
        gfx_screen_attach(surface);
        g = gfx_get();
        ASSERT_NE(g, nullptr);
        ASSERT_EQ(gfx_select_primitives(4), RES_OK);
        sprite_addref(dot);   // the test's own: commands drop theirs when they run
        g->width = 64;
        g->height = 48;
        generic_draw = std::make_unique<RowEdit>([](ObjectMethods &m) { m.draw = nullptr; });
    }
    void TearDown() override {
        generic_draw.reset();
        (void)gfx_replay_frame(g, surface);   // runs the commands, which drop their sprite references
        gfx_destroy();
        gfx_screen_attach(nullptr);
        SDL_FreeSurface(surface);
        ObjectShapes::TearDown();
    }
    // The queued commands, split by the payload sizes this test knows.
    std::vector<Command> commands() {
        std::vector<Command> out;
        int32_t at = 0;
        while (at < g->queue.length) {
            Command c;
            std::memcpy(&c.fn, g->queue.data + at, sizeof c.fn);
            at += int32_t(sizeof c.fn);
            size_t size = 0;
            if (c.fn == &sprite_draw_command) size = sizeof(SpriteDrawPayload);
            else if (c.fn == gfx_primitives().sprite_outline) size = sizeof(GfxSpriteOutlinePayload);
            else if (c.fn == &gfx_add_dirty_rect || c.fn == &gfx_add_restore_rect) size = sizeof(GfxRect);
            else if (c.fn != &gfx_lock_screen && c.fn != &gfx_unlock_screen) {
                ADD_FAILURE() << "unknown command";
                break;
            }
            c.payload.assign(g->queue.data + at, g->queue.data + at + size);
            at += int32_t(size);
            out.push_back(c);
        }
        return out;
    }
    template <typename T>
    static T payload(const Command &c) {
        T value;
        std::memcpy(&value, c.payload.data(), sizeof value);
        return value;
    }
    SDL_Surface *surface = nullptr;
    Graphics *g = nullptr;
    std::unique_ptr<RowEdit> generic_draw;
};

TEST_F(ObjectDrawing, SpriteThenDirtyAndRestoreRectangles) {
    object_draw(b, g, 10, 20);
    const std::vector<Command> cmds = commands();
    ASSERT_EQ(cmds.size(), 3u);
    EXPECT_EQ(cmds[0].fn, &sprite_draw_command);
    const SpriteDrawPayload draw = payload<SpriteDrawPayload>(cmds[0]);
    EXPECT_EQ(draw.sprite, dot);
    EXPECT_EQ(std::tuple(draw.x, draw.y, draw.flags), std::tuple(10, 20, 0));
    EXPECT_EQ(dot->refcount, 2) << "the command carries a reference";
    EXPECT_EQ(cmds[1].fn, &gfx_add_dirty_rect);
    EXPECT_EQ(cmds[2].fn, &gfx_add_restore_rect);
    const GfxRect rect = payload<GfxRect>(cmds[2]);
    EXPECT_EQ(std::tuple(rect.x, rect.y, rect.w, rect.h), std::tuple(10, 20, 2, 2));
    ASSERT_EQ(gfx_replay_frame(g, surface), RES_OK);
    const uint8_t *px = static_cast<uint8_t *>(surface->pixels) + 20 * surface->pitch + 10 * 4;
    EXPECT_EQ(std::tuple(px[0], px[1], px[2]), std::tuple(255, 255, 255)) << "the white dot reached the screen";
    EXPECT_EQ(dot->refcount, 1);
}

TEST_F(ObjectDrawing, PulsingTintsWithTheLevelBlendingSetsFlagTwoAndTheOutlineIsPureGreen) {
    b->flags |= OBJ_PULSING | OBJ_BLENDED;
    b->pulse_level = 70;
    object_draw(b, g, 0, 0);
    b->flags &= ~OBJ_PULSING;
    object_draw(b, g, 0, 0);
    b->flags &= ~OBJ_BLENDED;
    b->flags |= OBJ_OUTLINE;
    object_draw(b, g, 5, 5);
    const std::vector<Command> cmds = commands();
    ASSERT_EQ(cmds.size(), 10u);
    const SpriteDrawPayload tinted = payload<SpriteDrawPayload>(cmds[0]);
    EXPECT_EQ(tinted.flags, SPRITE_DRAW_TINT);
    EXPECT_EQ(std::tuple(tinted.tint_r, tinted.tint_g, tinted.tint_b), std::tuple(70, 70, 70));
    EXPECT_EQ(payload<SpriteDrawPayload>(cmds[3]).flags, SPRITE_DRAW_BLEND);
    EXPECT_EQ(cmds[7].fn, gfx_primitives().sprite_outline) << "after the sprite";
    const GfxSpriteOutlinePayload outline = payload<GfxSpriteOutlinePayload>(cmds[7]);
    EXPECT_EQ(outline.sprite, dot);
    EXPECT_EQ(std::tuple(outline.r, outline.g, outline.b), std::tuple(0, 255, 0));
    EXPECT_EQ(dot->refcount, 5) << "the test's and four commands'";
}

TEST_F(ObjectDrawing, NothingOutsideTheScreenOrWithoutAFrame) {
    object_draw(b, g, 64, 0);
    object_draw(b, g, 0, 48);
    object_draw(b, g, -3, 0);   // x + w = -1
    EXPECT_EQ(g->queue.length, 0);
    object_draw(b, g, -2, -2);   // x + w = 0 still counts
    EXPECT_EQ(commands().size(), 3u);
    b->frames[0] = nullptr;
    const int32_t before = g->queue.length;
    object_draw(b, g, 0, 0);
    EXPECT_EQ(g->queue.length, before);
    b->frames[0] = dot;
}

TEST_F(ObjectDrawing, ShakingMovesByAtMostOnePixel) {
    b->flags |= OBJ_SHAKING;
    random_seed(3);
    for (int i = 0; i < 30; ++i) object_draw(b, g, 20, 20);
    bool moved = false;
    for (const Command &c : commands()) {
        if (c.fn != &sprite_draw_command) continue;
        const SpriteDrawPayload p = payload<SpriteDrawPayload>(c);
        EXPECT_GE(p.x, 19);
        EXPECT_LE(p.x, 21);
        EXPECT_GE(p.y, 19);
        EXPECT_LE(p.y, 21);
        moved = moved || p.x != 20 || p.y != 20;
    }
    EXPECT_TRUE(moved);
}

TEST_F(ObjectDrawing, TheKindsDrawReplacesTheSprite) {
    generic_draw.reset();   // the test kind's own draw
    object_draw(b, g, 3, 4);
    EXPECT_EQ(g->queue.length, 0);
    EXPECT_EQ(g_calls.drawn, (std::vector<std::pair<int32_t, int32_t>>{{3, 4}}));
}

}  // namespace
