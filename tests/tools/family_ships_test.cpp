// The ships family: the source parser and its refusals, the layout the painter and the parameter
// file share, and parameter files the game's own reader takes back.
#include <gtest/gtest.h>
#include "test_support.h"

#include <cmath>
#include <tuple>
#include <vector>
#include "assetgen/family_ships.h"
#include "platform/buffer.h"
#include "world/object.h"
#include "world/ship.h"

namespace {

const char *SAMPLE = R"(# A sample hull.
[hull 6]
name = Test Hull
desc = Words about it.
flags = rotating no_jump
armour = 90
crew = 30
speed = 120
mass = 800
capacity = 100
roll = 10 20
scan = 3 250
cost = 500
rush = 100 400
words = 4 1 -1
death = 1000

[look]
colour = 120 130 140
accent = 200 10 10
engine_colour = 100 180 255
outline = 20 0  10 5  -10 6  -12 0
part = 4 5  6 9  0 9  -2 5
stripe = 0 2
seams = 5
bridge = 8 0 2
engine = -12 3 2
lights = 0 9
beacon = 19 0 1 255 255 255

[crit]
at = 12 0
mount = system
facing = fore

[crit]
at = -8 2
mount = engine
facing = aft
)";

class ShipSources : public ::testing::Test {
protected:
    ShipSource  src;
    std::string error;

    Result parse(const std::string &text) { return ships_parse_source(text, "x.txt", &src, &error); }
    // The sample with the first line beginning `start` replaced by `by` (removed when empty).
    static std::string with(const std::string &start, const std::string &by) {
        std::string text = SAMPLE;
        const size_t at = text.find("\n" + start);
        EXPECT_NE(at, std::string::npos) << start;
        const size_t end = text.find('\n', at + 1);
        text.replace(at + 1, end - at, by.empty() ? "" : by + "\n");
        return text;
    }
};

TEST_F(ShipSources, TheSampleParsesIntoItsFigures) {
    ASSERT_EQ(parse(SAMPLE), RES_OK) << error;
    EXPECT_EQ(std::tie(src.index, src.name, src.hull_flags), std::make_tuple(6, std::string("Test Hull"), 0x21u));
    EXPECT_EQ(std::vector<int32_t>({src.armour, src.roll_max, src.scan_range, src.rush_b, src.words[2]}),
              std::vector<int32_t>({90, 20, 250, 400, -1}));
    ASSERT_EQ(src.look.parts.size(), 2u);
    EXPECT_EQ(src.look.parts[0].size(), 6u) << "four port points, the two off the centre line mirrored";
    EXPECT_EQ(src.look.engines.size(), 2u) << "an engine off the centre line is mirrored";
    EXPECT_EQ(src.look.lights.size(), 3u) << "a red and green pair and a beacon";
    ASSERT_EQ(src.crits.size(), 2u);
    EXPECT_EQ(std::tie(src.crits[1].mount, src.crits[1].facing), std::make_tuple(1, 2));
}

TEST_F(ShipSources, RefusesWhatTheGameCannotUse) {
    const std::pair<std::string, std::string> cases[] = {
        {"[hull 6]", "[hull 9]"},
        {"flags", "flags = rotating warp"},
        {"armour", ""},
        {"armour", "armour = 0"},
        {"roll", "roll = 20 10"},
        {"facing = fore", "facing = up"},
        {"mount = system", "mount = turret"},
        {"at = 12 0", "at = 90 0"},
        {"outline", "outline = 20 0  10 -5  -12 0"},
        {"colour", "colour = 300 0 0"},
        {"crew", "crew = 30\ncrew = 40"},
        {"seams", "seam = 5"},
    };
    for (const auto &[start, by] : cases) {
        error.clear();
        EXPECT_NE(parse(with(start, by)), RES_OK) << by;
        EXPECT_NE(error.find("x.txt"), std::string::npos) << by << ": " << error;
    }
}

// The names a hull file may give compile to the bits the game reads under the same meaning; a name
// the tool spells onto the wrong bit would give a hull another hull's rules.
TEST_F(ShipSources, EveryHullFlagNameIsTheBitTheGameReads) {
    const std::pair<const char *, uint32_t> names[] = {
        {"rotating", HULL_FLAG_ROTATING},
        {"immobile", HULL_FLAG_IMMOBILE},
        {"player_buildable", HULL_FLAG_PLAYER_BUILDABLE},
        {"off_battle_map", HULL_FLAG_OFF_BATTLE_MAP},
        {"no_tag_name", HULL_FLAG_NO_TAG_NAME},
        {"no_jump", HULL_FLAG_NO_JUMP},
        {"no_pilot", HULL_FLAG_NO_PILOT},
        {"no_turn", HULL_FLAG_NO_TURN},
        {"template_name", HULL_FLAG_TEMPLATE_NAME},
        {"narrow_bars", HULL_FLAG_NARROW_BARS},
        {"no_scan", HULL_FLAG_NO_SCAN},
        {"no_fleet_boost", HULL_FLAG_NO_FLEET_BOOST},
        {"free_scan", HULL_FLAG_FREE_SCAN},
        {"quick_unpiloted", HULL_FLAG_QUICK_UNPILOTED},
        {"cheap_turn", HULL_FLAG_CHEAP_TURN},
        {"fixed_ap", HULL_FLAG_FIXED_AP},
        {"turn_unblocked", HULL_FLAG_TURN_UNBLOCKED},
        {"no_system_damage", HULL_FLAG_NO_SYSTEM_DAMAGE},
        {"range_limited", HULL_FLAG_RANGE_LIMITED},
        {"shot_tracking", HULL_FLAG_SHOT_TRACKING},
    };
    uint32_t all = 0;
    std::string every;
    for (const auto &[name, bit] : names) {
        src = ShipSource{};
        ASSERT_EQ(parse(with("flags", std::string("flags = ") + name)), RES_OK) << name << ": " << error;
        EXPECT_EQ(src.hull_flags, bit) << name;
        EXPECT_EQ(all & bit, 0u) << name << " shares its bit with another name";
        all |= bit;
        every += std::string(" ") + name;
    }
    src = ShipSource{};
    ASSERT_EQ(parse(with("flags", "flags =" + every)), RES_OK) << error;
    EXPECT_EQ(src.hull_flags, all) << "the names add up";
}

TEST_F(ShipSources, MountsFollowTheHullRoundEveryFrame) {
    ASSERT_EQ(parse(SAMPLE), RES_OK) << error;
    const ShipLayout l = ships_layout(src);
    ASSERT_EQ(l.mounts.size(), 2u);
    const int32_t c = l.side / 2;
    // Frame 0 faces right (u along +x, port up); frame 9 faces up (u along -y, port to the left).
    EXPECT_EQ(std::vector<int32_t>({l.mounts[0].x, l.mounts[0].y, l.mounts[0].xs[9], l.mounts[0].ys[9]}),
              std::vector<int32_t>({c + 12, c, c, c - 12}));
    EXPECT_EQ(std::vector<int32_t>({l.mounts[1].x, l.mounts[1].y, l.mounts[1].xs[9], l.mounts[1].ys[9]}),
              std::vector<int32_t>({c - 8, c - 2, c - 2, c + 8}));
    // The sample's card area origin is (4, 1): cards of the front half right of the design view,
    // the rest left of it, each level with its mount, its connector leaving the edge facing the view.
    const int32_t view = l.side * l.design_scale;
    EXPECT_EQ(l.mounts[0].display[0], 4 + view + 12) << "the fore mount's card is right of the view";
    EXPECT_EQ(l.mounts[0].display[2], l.mounts[0].display[0]);
    EXPECT_EQ(l.mounts[1].display[0], 4 - 12 - 112) << "the engine's card is left of it";
    EXPECT_EQ(l.mounts[1].display[2], 4 - 12);
    EXPECT_EQ(l.mounts[1].display[1] + 20, 1 + l.mounts[1].y * l.design_scale + l.design_scale / 2);
    EXPECT_EQ(l.mounts[1].display[3], l.mounts[1].display[1] + 20);
    EXPECT_GE(l.side * l.design_scale, 300);
}

TEST_F(ShipSources, TheGameReadsTheParameterFileBack) {
    ASSERT_EQ(parse(SAMPLE), RES_OK) << error;
    const ShipLayout l = ships_layout(src);
    Buffer buf;
    ASSERT_EQ(ships_encode_params(src, l, &buf), RES_OK);
    Ship *t = ship_of(object_create_blank(OBJECT_SHIP));
    ASSERT_NE(t, nullptr);
    t->ship_flags |= SHIP_FLAG_TEMPLATE;
    ASSERT_EQ(ship_read_params(t, &buf), RES_OK);
    EXPECT_EQ(buffer_remaining(&buf), 0);
    EXPECT_EQ(std::tie(t->name, t->hull_flags), std::make_tuple(std::string("Test Hull"), 0x21u));
    EXPECT_EQ(std::vector<int32_t>({t->rot_last, t->icon_frame, t->alt_last, t->frame_c, t->capacity_max, t->speed,
                                    t->base_build_b, t->tmpl_a, t->death_duration}),
              std::vector<int32_t>({35, 36, 46, 47, 100, 120, 400, 4, 1000}));
    EXPECT_EQ(t->offset_x, nullptr);
    ASSERT_NE(t->centre_x, nullptr);
    EXPECT_EQ(t->centre_x->size(), 36u);
    EXPECT_EQ((*t->centre_y)[35], l.side / 2);
    ASSERT_EQ(t->crit_count, 2);
    EXPECT_EQ(std::tie(t->crits[1].mount_type, t->crits[1].position_count), std::make_tuple(MOUNT_ENGINE, 36));
    EXPECT_EQ((*t->crits[1].frame_y)[9], l.mounts[1].ys[9]);
    object_destroy(t);
}

TEST_F(ShipSources, PaintedFramesAreOpaqueOrHolesAndTheMountIsOnTheHull) {
    ASSERT_EQ(parse(SAMPLE), RES_OK) << error;
    const ShipLayout l = ships_layout(src);
    const Canvas frame = ships_paint(src, 90, 1, l.side, l.side, l.side / 2.0f, l.side / 2.0f, 3);
    int opaque = 0;
    for (size_t i = 3; i < frame.px.size(); i += 4) {
        EXPECT_TRUE(frame.px[i] == 0.0f || frame.px[i] == 1.0f);
        opaque += frame.px[i] == 1.0f;
    }
    EXPECT_GT(opaque, 100);
    EXPECT_EQ(canvas_get(frame, l.mounts[0].xs[9], l.mounts[0].ys[9]).a, 1.0f);
    EXPECT_EQ(canvas_get(frame, 0, 0).a, 0.0f) << "the corners are space";
    // The same inputs paint the same pixels.
    const Canvas again = ships_paint(src, 90, 1, l.side, l.side, l.side / 2.0f, l.side / 2.0f, 3);
    EXPECT_EQ(frame.px, again.px);
}

// The shipped hulls: nine, once each, and every one paints inside its frame at every third heading.
TEST(ShipContent, NineHullsOnceEachPaintingInsideTheirFrames) {
    std::vector<ShipSource> sources;
    std::string error;
    ASSERT_EQ(ships_load_content(ships_content_folder(), &sources, &error), RES_OK) << error;
    ASSERT_EQ(sources.size(), 9u);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(sources[size_t(i)].index, i);
    for (const ShipSource &s : sources) {
        const ShipLayout l = ships_layout(s);
        for (int f = 0; f < SHIP_FAMILY_ROTATIONS; f += 3) {
            const Canvas frame = ships_paint(s, 10.0f * f, 1, l.side, l.side, l.side / 2.0f, l.side / 2.0f, 1);
            bool any = false;
            for (size_t i = 3; i < frame.px.size() && !any; i += 4) any = frame.px[i] > 0;
            EXPECT_TRUE(any) << s.name << " frame " << f;
        }
    }
}

}  // namespace
