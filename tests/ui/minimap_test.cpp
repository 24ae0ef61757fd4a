// Minimap control: which objects get dots, their colours, highlight and blink, the view rectangle,
// the point, and maps without size.
#include <vector>

#include "effects/effect_fixture.h"
#include "platform/colour_fade.h"
#include "support/state_guards.h"
#include "ui/control_minimap.h"

namespace {

struct FakeWorld {
    MinimapMapView view;
};
FakeWorld g_world;

bool fake_map_view(const ObjectMap *, bool with_objects, MinimapMapView *out) {
    *out = g_world.view;
    if (!with_objects) out->objects.clear();
    return true;
}

MinimapObject object(int kind, uint64_t id, int x, int y, int w, int h) {
    MinimapObject o;
    o.kind = kind;
    o.id = id;
    o.x = x;
    o.y = y;
    o.w = w;
    o.h = h;
    o.flags = MINIMAP_OBJECT_VISIBLE;
    return o;
}

MinimapObject owned(MinimapObject o, uint8_t r, uint8_t g, uint8_t b) {
    o.has_owner = true;
    o.owner_r = r;
    o.owner_g = g;
    o.owner_b = b;
    return o;
}

class Minimap : public EffectTest {
protected:
    void SetUp() override {
        EffectTest::SetUp();
        g_world = FakeWorld{};
        g_world.view.world_w = 1000;
        g_world.view.world_h = 800;
        g_world.view.view_x = 200;
        g_world.view.view_y = 100;
        g_world.view.view_w = 400;
        g_world.view.view_h = 300;
        minimap_set_world_hooks(MinimapWorldHooks{fake_map_view});
        ctrl = minimap_control_create(reinterpret_cast<ObjectMap *>(&g_world), 100, 80);
        ASSERT_NE(ctrl, nullptr);
        m = minimap_of(ctrl);
    }
    void TearDown() override {
        control_destroy(ctrl);
        EffectTest::TearDown();
    }
    const MinimapDot &dot(int i) const { return m->dots[size_t(i)]; }

    MinimapWorldHooksGuard hooks_back_;
    Control *ctrl = nullptr;
    MinimapControl *m = nullptr;
};

TEST_F(Minimap, HiddenObjectsAndUnseenFleetsGetNoDotUnlessEverythingIsShown) {
    MinimapObject hidden = object(MINIMAP_SHIP, 1, 0, 0, 2, 2);
    hidden.flags |= MINIMAP_OBJECT_HIDDEN;
    MinimapObject unseen = object(MINIMAP_FLEET, 2, 0, 0, 2, 2);
    unseen.flags = 0;
    MinimapObject seen = object(MINIMAP_FLEET, 3, 0, 0, 2, 2);
    g_world.view.objects = {hidden, unseen, seen};
    control_update(ctrl, 20);
    EXPECT_EQ(m->dot_count, 1);
    EXPECT_EQ(dot(0).mode, MINIMAP_DOT_MOVING);
    minimap_set_show_all(ctrl);
    control_update(ctrl, 20);
    EXPECT_EQ(m->dot_count, 2) << "still no hidden objects";
    g_world.view.objects.clear();
    control_update(ctrl, 20);
    EXPECT_EQ(m->dot_count, 0);
    EXPECT_GE(m->dots.size(), 2u) << "the dot array never shrinks";
}

TEST_F(Minimap, ColoursComeFromOwnersAndWhatTheUiPlayerKnowsOfSectors) {
    MinimapObject shot = object(MINIMAP_SHOT, 1, 0, 0, 1, 1);   // no owner: yellow
    MinimapObject mine = owned(object(MINIMAP_SECTOR, 2, 0, 0, 1, 1), 0, 90, 200);
    mine.ui_player_owns = true;
    MinimapObject recorded = owned(object(MINIMAP_SECTOR, 3, 0, 0, 1, 1), 1, 2, 3);
    recorded.has_record_owner = true;
    recorded.record_r = 200;
    recorded.record_g = 30;
    recorded.record_b = 40;
    MinimapObject unknown = owned(object(MINIMAP_SECTOR, 4, 0, 0, 1, 1), 7, 8, 9);
    MinimapObject bright = owned(object(MINIMAP_SHIP, 5, 0, 0, 1, 1), 200, 10, 10);
    bright.flags |= MINIMAP_OBJECT_BRIGHTENED;
    bright.brightness = 100;
    g_world.view.objects = {shot, mine, recorded, unknown, bright};
    control_update(ctrl, 20);
    ASSERT_EQ(m->dot_count, 5);
    EXPECT_EQ((Rgb8{dot(0).r, dot(0).g, dot(0).b}), (Rgb8{255, 255, 0}));
    EXPECT_EQ((Rgb8{dot(1).r, dot(1).g, dot(1).b}), (Rgb8{0, 90, 200}));
    EXPECT_EQ((Rgb8{dot(2).r, dot(2).g, dot(2).b}), (Rgb8{200, 30, 40})) << "the owner the UI player knows of";
    EXPECT_EQ((Rgb8{dot(3).r, dot(3).g, dot(3).b}), (Rgb8{100, 100, 100})) << "an unknown owner stays hidden";
    EXPECT_EQ((Rgb8{dot(4).r, dot(4).g, dot(4).b}), (Rgb8{255, 110, 110}));

    minimap_set_show_all(ctrl);
    g_world.view.objects = {unknown, object(MINIMAP_SECTOR, 6, 0, 0, 1, 1)};
    control_update(ctrl, 20);
    EXPECT_EQ((Rgb8{dot(0).r, dot(0).g, dot(0).b}), (Rgb8{7, 8, 9}));
    EXPECT_EQ((Rgb8{dot(1).r, dot(1).g, dot(1).b}), (Rgb8{255, 255, 255}));
}

TEST_F(Minimap, TheHighlightBlinksAndFollowsTheSelection) {
    MinimapObject a = object(MINIMAP_SHIP, 11, 0, 0, 1, 1);
    a.flags |= MINIMAP_OBJECT_HIGHLIGHTED;
    MinimapObject b = object(MINIMAP_SHIP, 12, 0, 0, 1, 1);
    g_world.view.objects = {a, b};
    control_update(ctrl, 20);   // blink -20: lit
    EXPECT_EQ(dot(0).highlighted, 1);
    EXPECT_EQ(dot(0).mode, MINIMAP_DOT_LIT);
    EXPECT_EQ(dot(1).mode, MINIMAP_DOT_NORMAL);
    control_update(ctrl, 1500);   // blink -1520 -> +120: the dark part of the blink
    EXPECT_EQ(m->blink, 120);
    EXPECT_EQ(dot(0).mode, MINIMAP_DOT_NORMAL);
    minimap_set_selected(ctrl, 12);   // a selection overrides the objects' own highlight
    control_update(ctrl, 200);
    EXPECT_EQ(dot(0).highlighted, 0);
    EXPECT_EQ(dot(1).highlighted, 1);
    EXPECT_EQ(dot(1).mode, MINIMAP_DOT_LIT);
}

TEST_F(Minimap, AMapWithoutSizeShowsNothingAndDividesByNothing) {
    g_world.view.world_w = 0;
    g_world.view.objects = {object(MINIMAP_SHIP, 1, 5, 5, 1, 1)};
    control_update(ctrl, 20);
    EXPECT_EQ(m->dot_count, 0);
    minimap_set_point(ctrl, 10, 10);
    EXPECT_EQ(m->point_x, 0);
    control_draw(ctrl, g, 0, 0);
    replay();
    Control *empty = minimap_control_create(nullptr, 0, 0);   // no map, no size
    control_update(empty, 20);
    control_draw(empty, g, 0, 0);
    replay();
    control_destroy(empty);
}

TEST_F(Minimap, ItsPicturesLoadOnceForArgumentZeroOnly) {
    ASSERT_TRUE(open_generated_store());
    const ControlClass *cls = control_class(CONTROL_MINIMAP);
    ASSERT_EQ(cls, minimap_class());
    EXPECT_EQ(cls->load_assets(1), RES_OUT_OF_RANGE);
    ASSERT_EQ(cls->load_assets(0), RES_OK);
    EXPECT_EQ(cls->load_assets(0), RES_OK);
    for (int mode = 0; mode < MINIMAP_FRAMES; ++mode) EXPECT_NE(minimap_frame(mode), nullptr) << mode;
    EXPECT_EQ(minimap_frame(3), nullptr);
}

TEST_F(Minimap, DrawsTheDotsTheViewAndTheMarkerInsideItsArea) {
    ASSERT_TRUE(open_generated_store());
    ASSERT_EQ(control_class(CONTROL_MINIMAP)->load_assets(0), RES_OK);
    g_world.view.objects = {owned(object(MINIMAP_SHIP, 1, 495, 395, 10, 10), 0, 200, 0)};
    minimap_set_point(ctrl, 300, 300);
    EXPECT_TRUE(m->flags & MINIMAP_POINT);
    EXPECT_EQ(m->point_x, 30) << "the point is scaled like the dots";
    EXPECT_EQ(m->point_y, 30);
    control_set_position(ctrl, 10, 20);
    control_update(ctrl, 20);
    control_draw(ctrl, g, 0, 0);
    replay();
    EXPECT_GT(at(10 + 50, 20 + 40).g, at(10 + 50, 20 + 40).r) << "the ship's dot in its owner's green";
    const ColourFade *b = m->colour_b;
    EXPECT_EQ(at(10 + 30 - 5, 20 + 30 - 5), (Rgb8{b->r, b->g, b->b})) << "the marker box round the point";
    EXPECT_EQ(at(9, 19), (Rgb8{0, 0, 0})) << "nothing outside the control";
}

}  // namespace
