// Minimap control: dots for its source's points, their colours, highlight and blink, the view
// rectangle, the point, and areas without size.
#include <vector>

#include "effects/effect_fixture.h"
#include "platform/colour_fade.h"
#include "ui/control_minimap.h"

namespace {

// A source of the test's own: what it gives, and what the minimap asked of it last.
struct FakeSource {
    MinimapArea area;
    uint32_t    flags_asked = 0;
    int         reads = 0;
};

bool fake_read(const void *source, uint32_t flags, bool with_points, MinimapArea *out) {
    FakeSource *fake = static_cast<FakeSource *>(const_cast<void *>(source));
    fake->flags_asked = flags;
    ++fake->reads;
    *out = fake->area;
    if (!with_points) out->points.clear();
    return true;
}

MinimapPoint point(uint64_t id, int x, int y) {
    MinimapPoint p;
    p.id = id;
    p.x = x;
    p.y = y;
    return p;
}

MinimapPoint coloured(MinimapPoint p, uint8_t r, uint8_t g, uint8_t b) {
    p.r = r;
    p.g = g;
    p.b = b;
    return p;
}

class Minimap : public EffectTest {
protected:
    void SetUp() override {
        EffectTest::SetUp();
        source.area.area_w = 1000;
        source.area.area_h = 800;
        source.area.view_x = 200;
        source.area.view_y = 100;
        source.area.view_w = 400;
        source.area.view_h = 300;
        ctrl = minimap_control_create(fake_read, &source, 100, 80);
        ASSERT_NE(ctrl, nullptr);
        m = minimap_of(ctrl);
    }
    void TearDown() override {
        control_destroy(ctrl);
        EffectTest::TearDown();
    }
    const MinimapDot &dot(int i) const { return m->dots[size_t(i)]; }

    FakeSource source;
    Control *ctrl = nullptr;
    MinimapControl *m = nullptr;
};

TEST_F(Minimap, EveryPointOfTheSourceGetsADotScaledToTheControlAndTheShowAllFlagReachesTheSource) {
    MinimapPoint still = point(1, 500, 400);
    MinimapPoint moving = point(2, 999, 0);
    moving.moving = true;
    source.area.points = {still, moving};
    control_update(ctrl, 20);
    ASSERT_EQ(m->dot_count, 2);
    EXPECT_EQ(source.flags_asked & MINIMAP_SHOW_ALL, 0u);
    EXPECT_EQ(dot(0).x, 50);
    EXPECT_EQ(dot(0).y, 40);
    EXPECT_EQ(dot(1).x, 99) << "scaled down, never rounded up off the control";
    EXPECT_EQ(dot(0).mode, MINIMAP_DOT_NORMAL);
    EXPECT_EQ(dot(1).mode, MINIMAP_DOT_MOVING);
    EXPECT_EQ(m->view_x, 20);
    EXPECT_EQ(m->view_y, 10);
    EXPECT_EQ(m->view_w, 40);
    EXPECT_EQ(m->view_h, 30);
    minimap_set_show_all(ctrl);
    control_update(ctrl, 20);
    EXPECT_TRUE(source.flags_asked & MINIMAP_SHOW_ALL);
    source.area.points.clear();
    control_update(ctrl, 20);
    EXPECT_EQ(m->dot_count, 0);
    EXPECT_GE(m->dots.size(), 2u) << "the dot array never shrinks";
}

TEST_F(Minimap, DotsTakeTheColoursTheSourceGives) {
    source.area.points = {coloured(point(1, 0, 0), 255, 255, 0), coloured(point(2, 0, 0), 0, 90, 200)};
    control_update(ctrl, 20);
    ASSERT_EQ(m->dot_count, 2);
    EXPECT_EQ((ScreenRgb{dot(0).r, dot(0).g, dot(0).b}), (ScreenRgb{255, 255, 0}));
    EXPECT_EQ((ScreenRgb{dot(1).r, dot(1).g, dot(1).b}), (ScreenRgb{0, 90, 200}));
}

TEST_F(Minimap, TheHighlightBlinksAndFollowsTheSelection) {
    MinimapPoint a = point(11, 0, 0);
    a.highlighted = true;
    MinimapPoint b = point(12, 0, 0);
    source.area.points = {a, b};
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

TEST_F(Minimap, AnAreaWithoutSizeShowsNothingAndDividesByNothing) {
    source.area.area_w = 0;
    source.area.points = {point(1, 5, 5)};
    control_update(ctrl, 20);
    EXPECT_EQ(m->dot_count, 0);
    minimap_set_point(ctrl, 10, 10);
    EXPECT_EQ(m->point_x, 0);
    control_draw(ctrl, g, 0, 0);
    replay();
    Control *empty = minimap_control_create(nullptr, nullptr, 0, 0);   // no source, no size
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
    source.area.points = {coloured(point(1, 500, 400), 0, 200, 0)};
    minimap_set_point(ctrl, 300, 300);
    EXPECT_TRUE(m->flags & MINIMAP_POINT);
    EXPECT_EQ(m->point_x, 30) << "the point is scaled like the dots";
    EXPECT_EQ(m->point_y, 30);
    control_set_position(ctrl, 10, 20);
    control_update(ctrl, 20);
    control_draw(ctrl, g, 0, 0);
    replay();
    EXPECT_GT(at(10 + 50, 20 + 40).g, at(10 + 50, 20 + 40).r) << "the point's dot in its green";
    const ColourFade *b = m->colour_b;
    EXPECT_EQ(at(10 + 30 - 5, 20 + 30 - 5), (ScreenRgb{b->r, b->g, b->b})) << "the marker box round the point";
    EXPECT_EQ(at(9, 19), (ScreenRgb{0, 0, 0})) << "nothing outside the control";
}

}  // namespace
