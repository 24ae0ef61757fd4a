// Floating text: drift, the rise limit, the darkening every 50 ms, blocking while bright.
#include <cstring>
#include <string>

#include "effect_fixture.h"
#include "effects/effect_bubble.h"

namespace {

class Bubble : public EffectTest {
protected:
    static void SetUpTestSuite() { (void)load_types(GENERATED_STORE_PATH); }

    TextBubbleEffect *make(int style, int r, int g, int b) {
        TextBubbleEffect *t = effect_create_text_bubble(style, 2, "42", r, g, b);
        EXPECT_NE(t, nullptr);
        t->x = 100;
        t->y = 100;
        t->owner = as_map(&map);
        return t;
    }

    FakeMap map;
};

TEST_F(Bubble, YellowTextEndsWhenRedAndGreenReachBlackAndStopsBlockingBelowThirty) {
    TextBubbleEffect *t = make(0, 255, 255, 0);
    effect_update(t, 20);
    EXPECT_EQ(map.busy, 1) << "style 0 holds its map while bright";
    int steps = 1;
    while (!effect_is_finished(t) && steps < 1000) {
        const bool was_blocking = t->state & EFFECT_BLOCKING;
        effect_update(t, 20);
        ++steps;
        if (was_blocking && !(t->state & EFFECT_BLOCKING)) {
            EXPECT_LT(t->red, 30);
            EXPECT_LT(t->green, 30);
            EXPECT_GE(map.hold, 50);
        }
    }
    ASSERT_TRUE(effect_is_finished(t));
    EXPECT_EQ(t->red, 0);
    EXPECT_EQ(t->green, 0);
    EXPECT_EQ(map.busy, 0);
    // 255 darkened by 5/6 (truncating) reaches 0 after 24 darkenings, the first at 500 ms and then
    // every 50 ms: 1650 ms, reached in the step ending at 1660 ms.
    EXPECT_EQ(steps, 83);
    effect_free(t);
}

TEST_F(Bubble, ARisingStyleNeverClimbsPastItsLimitWhateverTheStep) {
    for (int dt : {5, 20, 400, 3000}) {
        TextBubbleEffect *t = make(3, 200, 255, 190);   // rises 35 pixels
        for (int i = 0; i < 40; ++i) {
            effect_update(t, dt);
            EXPECT_LE(100 - t->y, 35) << "dt " << dt;
            EXPECT_GE(100 - t->y, 0) << "dt " << dt;
        }
        EXPECT_EQ(t->y, 100 - 35) << "dt " << dt;
        EXPECT_TRUE(t->flags & BUBBLE_RISE_STOPPED);
        EXPECT_EQ(map.busy, 0) << "rising styles do not hold the map";
        effect_free(t);
    }
}

TEST_F(Bubble, MovesAlongItsHeadingAtAThousandOverTheDivisorSquared) {
    TextBubbleEffect *t = make(0, 255, 255, 255);   // heading 20 degrees, divisor 110
    run(t, 20, 50);   // one second
    // 1000 / 110^2 = 0.0826 pixels per ms: about 77.6 to the right and 28.3 up.
    EXPECT_NEAR(t->x - 100, 78, 2);
    EXPECT_NEAR(100 - t->y, 28, 2);
    effect_free(t);
}

TEST_F(Bubble, ALongStepDarkensSeveralTimesAtOnce) {
    TextBubbleEffect *t = make(4, 216, 216, 216);   // rising style: fading starts at -2000
    effect_update(t, 2000);
    EXPECT_EQ(t->red, 216);
    effect_update(t, 400);   // 400 ms: 8 darkenings of 5/6 each, 216 180 150 125 104 86 71 59 49
    EXPECT_EQ(t->red, 49);
    effect_free(t);
}

TEST_F(Bubble, TheDelayHoldsPositionAndColourButNotTheMap) {
    TextBubbleEffect *t = make(2, 255, 30, 21);
    effect_bubble_set_start_delay(t, 100);
    run(t, 20, 4);
    EXPECT_EQ(t->x, 100);
    EXPECT_EQ(t->red, 255);
    EXPECT_EQ(map.busy, 1) << "blocking styles block from their first step, delay or not";
    effect_free(t);
}

TEST_F(Bubble, IconsWidenTheBubbleAndStylesOutsideTheTableAreRefused) {
    ASSERT_GE(effect_bubble_icon_count(), 7);
    TextBubbleEffect *plain = make(0, 1, 1, 1);
    TextBubbleEffect *two_icons = make(5, 1, 1, 1);
    EXPECT_GT(two_icons->width, plain->width + 8) << "two icons and their gaps";
    effect_free(plain);
    effect_free(two_icons);
    EXPECT_EQ(effect_create_text_bubble(9, 2, "x", 1, 1, 1), nullptr);
    EXPECT_EQ(effect_create_text_bubble(-1, 2, "x", 1, 1, 1), nullptr);
}

TEST_F(Bubble, AFormattedTextKeepsItsFirst1023Characters) {
    const std::string long_text(3000, 'x');
    TextBubbleEffect *t = effect_create_text_bubblef(0, 2, 255, 255, 0, "%s", long_text.c_str());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(std::strlen(t->text), 1023u);
    effect_free(t);
    TextBubbleEffect *n = effect_create_text_bubblef(1, 1, 200, 255, 190, "+%i%%", 25);
    EXPECT_STREQ(n->text, "+25%");
    effect_free(n);
}

TEST_F(Bubble, TheIconIsOpaqueWhileBrightAndDimmedBelow) {
    TextBubbleEffect *t = make(1, 255, 255, 255);
    t->x = 40;
    t->y = 40;
    effect_update(t, 20);
    draw_alone(t, t->x, t->y);
    int bright = 0;
    for (int y = 40; y < 52; ++y)
        for (int x = 40; x < 52; ++x) bright = std::max(bright, int(at(x, y).b));
    t->red = t->green = t->blue = 45;   // average below 100: drawn at 45 %
    draw_alone(t, t->x, t->y);
    int dimmed = 0;
    for (int y = 40; y < 52; ++y)
        for (int x = 40; x < 52; ++x) dimmed = std::max(dimmed, int(at(x, y).b));
    EXPECT_GT(bright, 200);
    EXPECT_NEAR(dimmed, bright * 45 / 100, 2);
    effect_free(t);
}

}  // namespace
