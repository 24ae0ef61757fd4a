#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "assetgen/family_ui.h"
#include "assetgen/ui_art.h"

namespace {

// Types the screens name by number that must show more than one picture.
const int k_named_types[] = {0,   1,   2,   3,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,  16,  17,
                             18,  19,  20,  21,  23,  25,  26,  27,  28,  29,  30,  31,  32,  33,  35,  36,  37,
                             38,  40,  41,  43,  44,  45,  46,  47,  48,  50,  51,  53,  54,  61,  63,  66,  69,
                             70,  71,  72,  75,  76,  78,  79,  80,  82,  84,  87,  90,  93,  94,  95,  96,  97,
                             98,  99,  100, 102, 104, 105, 106, 109, 110, 111, 112, 113, 114, 116, 117, 118, 119,
                             120, 122, 123, 124, 125, 126, 127, 128, 129, 130, 131, 148, 149, 150, 151, 155, 156,
                             157, 158, 160, 161, 162, 164, 165, 166, 167, 168, 177, 178, 179, 180, 181, 182, 183,
                             184, 185, 188, 189, 190, 191, 192, 196, 197, 202, 207, 210};

class UiArt : public ::testing::Test {};

TEST_F(UiArt, FrameCountsFollowWhatTheScreensShow) {
    for (int type : k_named_types) EXPECT_GE(ui_art_frames(type).size(), 2u) << "type " << type;
    EXPECT_EQ(ui_art_frames(64).size(), 4u);    // Fore, Port, Aft, Starboard
    EXPECT_EQ(ui_art_frames(73).size(), 3u);
    EXPECT_EQ(ui_art_frames(121).size(), 3u);
    EXPECT_EQ(ui_art_frames(62).size(), 7u);    // one per feature kind
    for (int type : {IMAGE_COMPUTER, IMAGE_PRESENCE, IMAGE_CLOCK, IMAGE_ENCOUNTER_MARKER, IMAGE_COUNTDOWN, IMAGE_PLANET,
                     IMAGE_EARTH, IMAGE_CREDITS_COIN}) {
        EXPECT_GE(ui_art_frames(type).size(), 4u) << type;
        EXPECT_LE(ui_art_frames(type).size(), 16u) << type;
    }
    EXPECT_GE(ui_art_frames(186).size(), 8u);
    EXPECT_GE(ui_art_frames(187).size(), 8u);
}

TEST_F(UiArt, AnimatedFramesDifferAndLoopAtOneSize) {
    for (int type : {IMAGE_COMPUTER, IMAGE_PRESENCE, IMAGE_CLOCK, IMAGE_ENCOUNTER_MARKER, IMAGE_COUNTDOWN, IMAGE_PLANET,
                     IMAGE_EARTH, IMAGE_CREDITS_COIN}) {
        const std::vector<IconImage> frames = ui_art_frames(type);
        for (size_t f = 1; f < frames.size(); ++f) {
            EXPECT_EQ(frames[f].w, frames[0].w) << type;
            EXPECT_EQ(frames[f].h, frames[0].h) << type;
        }
        EXPECT_NE(frames[0].rgba, frames[1].rgba) << type;
    }
}

// The site panel shows type 186 beside the surface of every body and star, barren worlds and stars
// included: it may lean to no body's colour (a banded amber globe reads as a gas giant), while
// Earth's own picture, type 187, keeps its seas and land.
TEST_F(UiArt, TheBodyPictureOfEveryKindIsNeutralAndEarthIsNot) {
    auto colour_spread = [](const IconImage &img) {
        double sum[3] = {0, 0, 0};
        int n = 0;
        for (int y = 0; y < img.h; ++y)
            for (int x = 0; x < img.w; ++x) {
                if (!img.opaque(x, y)) continue;
                for (int k = 0; k < 3; ++k) sum[k] += img.at(x, y)[k];
                ++n;
            }
        if (n == 0) return 0.0;
        const double r = sum[0] / n, g = sum[1] / n, b = sum[2] / n;
        return std::max({r, g, b}) - std::min({r, g, b});
    };
    const std::vector<IconImage> body = ui_art_frames(186);
    ASSERT_FALSE(body.empty());
    for (size_t f = 0; f < body.size(); ++f) EXPECT_LT(colour_spread(body[f]), 24.0) << "frame " << f;
    const std::vector<IconImage> earth = ui_art_frames(187);
    ASSERT_FALSE(earth.empty());
    EXPECT_GT(colour_spread(earth[0]), 40.0);
}

TEST_F(UiArt, ButtonsAreTwentyFourSquareAndInlineIconsGrowInFrameOne) {
    for (int type : {1, 3, 13, 27, 150}) {
        const std::vector<IconImage> frames = ui_art_frames(type);
        EXPECT_EQ(frames[0].w, 24) << type;
        EXPECT_EQ(frames[0].h, 24) << type;
        EXPECT_NE(frames[0].rgba, frames[1].rgba) << "type " << type << " has no lit look";
    }
    for (int type : {50, 51, 53, 78, 126}) {
        const std::vector<IconImage> frames = ui_art_frames(type);
        EXPECT_GE(frames[0].w, 12) << type;
        EXPECT_LE(frames[0].w, 16) << type;
        EXPECT_GT(frames[1].w, frames[0].w) << type;
        EXPECT_LE(frames[1].w, 20) << type;
    }
}

// Every type but the given sprite has pictures, and no type outside the table; every pixel is opaque
// or a hole, and no opaque one is the transparent colour.
TEST_F(UiArt, PixelsAreOpaqueOrHolesAndNeverTheTransparentColour) {
    for (int type = 0; type < IMAGE_TYPE_COUNT; ++type) {
        int opaque = 0;
        const std::vector<IconImage> frames = ui_art_frames(type);
        EXPECT_EQ(frames.empty(), type == IMAGE_TYPE_GIVEN) << "type " << type;
        for (const IconImage &f : frames) {
            EXPECT_GT(f.w, 0) << type;
            ASSERT_EQ(f.rgba.size(), static_cast<size_t>(f.w * f.h * 4)) << type;
            for (size_t i = 0; i < f.rgba.size(); i += 4) {
                const uint8_t a = f.rgba[i + 3];
                ASSERT_TRUE(a == 0 || a == 255) << "type " << type;
                if (!a) continue;
                ++opaque;
                EXPECT_FALSE(f.rgba[i] == 234 && f.rgba[i + 1] == 0 && f.rgba[i + 2] == 138) << type;
            }
        }
        if (type != IMAGE_TYPE_GIVEN) {
            EXPECT_GT(opaque, 0) << "type " << type << " is empty";
        }
    }
    EXPECT_TRUE(ui_art_frames(213).empty());
    EXPECT_TRUE(ui_art_frames(-1).empty());
}

TEST_F(UiArt, PaintingIsRepeatable) {
    for (int type : {0, 42, 186, 212}) {
        const std::vector<IconImage> a = ui_art_frames(type), b = ui_art_frames(type);
        ASSERT_EQ(a.size(), b.size());
        for (size_t f = 0; f < a.size(); ++f) EXPECT_EQ(a[f].rgba, b[f].rgba) << type;
    }
}

TEST_F(UiArt, ReservedIconRunsAreSpareTypesAndDoNotOverlap) {
    const std::vector<int> &systems = ui_art_system_icon_types();
    const std::vector<int> &techs = ui_art_tech_icon_types();
    EXPECT_EQ(systems.size(), 30u);
    std::set<int> seen;
    for (int t : systems) EXPECT_TRUE(seen.insert(t).second) << t;
    for (int t : techs) EXPECT_TRUE(seen.insert(t).second) << t;
    EXPECT_FALSE(seen.count(IMAGE_CREDITS_COIN));
    for (int t : k_named_types) EXPECT_FALSE(seen.count(t)) << "type " << t << " is named by the screens";
    for (int t : seen) EXPECT_GE(ui_art_frames(t).size(), 2u) << t;
}

class UiCursors : public ::testing::Test {};

TEST_F(UiCursors, ElevenCursorsOfTwentyFourSquareWithHotSpotsInside) {
    for (int n = 0; n < UI_CURSOR_COUNT; ++n) {
        const UiCursorArt art = ui_art_cursor(n);
        ASSERT_FALSE(art.frames.empty()) << n;
        for (const IconImage &f : art.frames) {
            EXPECT_EQ(f.w, 24);
            EXPECT_EQ(f.h, 24);
        }
        EXPECT_GE(art.hot_x, 0);
        EXPECT_LT(art.hot_x, 24);
        EXPECT_GE(art.hot_y, 0);
        EXPECT_LT(art.hot_y, 24);
    }
    EXPECT_TRUE(ui_art_cursor(11).frames.empty());
}

TEST_F(UiCursors, ScrollCursorsPointTheirHotSpotTheirWay) {
    // 3..10: right, up-right, up, up-left, left, down-left, down, down-right.
    const int dx[8] = {1, 1, 0, -1, -1, -1, 0, 1}, dy[8] = {0, -1, -1, -1, 0, 1, 1, 1};
    for (int i = 0; i < 8; ++i) {
        const UiCursorArt art = ui_art_cursor(3 + i);
        const int want_x = dx[i] > 0 ? 1 : dx[i] < 0 ? -1 : 0;
        const int want_y = dy[i] > 0 ? 1 : dy[i] < 0 ? -1 : 0;
        const int got_x = art.hot_x > 16 ? 1 : art.hot_x < 8 ? -1 : art.hot_x == 12 ? 0 : 9;
        const int got_y = art.hot_y > 16 ? 1 : art.hot_y < 8 ? -1 : art.hot_y == 12 ? 0 : 9;
        EXPECT_EQ(got_x, want_x) << "cursor " << 3 + i;
        EXPECT_EQ(got_y, want_y) << "cursor " << 3 + i;
    }
}

}  // namespace
