// The technology family: the compiler's checks, and its bytes read back by the game's entry reader.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>
#include "assetgen/family_tech.h"
#include "game/tech.h"

namespace {

const char *BONUS = "[bonus 0]\ntext = Gather.\n[bonus 1]\ntext = Think.\n[bonus 2]\ntext = Grow.\n";

// 57 valid techs; `edit` rewrites the block of one tech.
std::string techs(int edited = -1, const std::string &block = "") {
    std::string text;
    for (int n = 0; n < TECH_FAMILY_COUNT; ++n) {
        if (n == edited) {
            text += block;
            continue;
        }
        text += "[tech " + std::to_string(n) + "]\nname = T" + std::to_string(n) +
                "\ncost = 400\ncredits = 0\nicon = 4\nstarting = none\nsol = none\nrequires = " +
                (n ? std::to_string(n - 1) : std::string()) + "\neffect = system 0 0\ndesc = D" + std::to_string(n) +
                "\n";
    }
    return text;
}

std::string block(int n, const std::string &fields) {
    return "[tech " + std::to_string(n) + "]\nname = Edited " + std::to_string(n) + "\ncost = 800\ncredits = 5\nicon = 22\ndesc = Words\n" + fields;
}

class TechCompiler : public ::testing::Test {
protected:
    Result compile(const std::string &t, const std::string &b = BONUS) { return tech_compile(t, b, &out, &error); }
    TechContent out;
    std::string error;
};

TEST_F(TechCompiler, EntriesReadBackThroughTheGameReader) {
    ASSERT_EQ(compile(techs(3, block(3, "starting = none\nsol = 2500\nrequires = 0 2\neffect = system 5 1\n"
                                        "effect = hull 8\neffect = facility 15\neffect = bonus 2 35\n"))),
              RES_OK)
        << error;
    ASSERT_EQ(out.descs.size(), 57u);
    EXPECT_EQ(out.descs[3], "Words");
    EXPECT_EQ(out.bonus_texts, (std::vector<std::string>{"Gather.", "Think.", "Grow."}));
    buffer_set_cursor(&out.params, 0);
    for (int n = 0; n < TECH_FAMILY_COUNT; ++n) {
        TechInfo *t = nullptr;
        ASSERT_EQ(tech_read(&t, &out.params), RES_OK) << n;
        EXPECT_EQ(t->number, n);
        if (n == 3) {
            EXPECT_EQ(std::tie(t->name, t->cost, t->credits, t->icon, t->starting_level, t->sol_level),
                      std::make_tuple(std::string("Edited 3"), 800, 5, 22, -1, 2500));
            EXPECT_EQ(t->prerequisites, (std::vector<int32_t>{0, 2}));
            std::vector<std::vector<int32_t>> effects;
            for (const TechEffect &e : t->effects) effects.push_back({e.kind, e.value, e.value2});
            EXPECT_EQ(effects, (std::vector<std::vector<int32_t>>{{0, 5, 1}, {1, 8, 0}, {2, 15, 0}, {3, 2, 35}}));
        }
        tech_free(t);
    }
    EXPECT_EQ(out.params.cursor, out.params.length);
}

TEST_F(TechCompiler, RefusesBrokenTablesSayingWhy) {
    const std::string open = "starting = none\nsol = none\nrequires =\n";
    const struct {
        std::string text;
        const char *why;
    } bad[] = {
        {techs(56, ""), "57 [tech n] blocks expected, 56 found"},
        {techs() + "[tech 57]\nname = X\n", "more than 57 [tech n] blocks"},
        {techs(4, block(5, open)), "expected [tech 4]"},
        {techs(4, block(4, "starting = none\nsol = none\nrequires = 4\n")), "an unknown tech or itself"},
        {techs(4, block(4, "starting = none\nsol = none\nrequires = 57\n")), "an unknown tech or itself"},
        {techs(0, block(0, "starting = none\nsol = none\nrequires = 56\n")), "cycle"},
        {techs(1, block(1, "starting = 1\nsol = none\nrequires = 0\n")), "not granted at its setting"},
        {techs(1, block(1, "starting = 3\nsol = none\nrequires =\n")), "starting: none or 0..2"},
        {techs(1, block(1, "sol = none\nrequires =\n")), "needs starting and sol"},
        {techs(1, block(1, "starting = none\nsol = -5\nrequires =\n")), "sol: none or credits"},
        {techs(1, block(1, open + "effect = system 30 0\n")), "effect system"},
        {techs(1, block(1, open + "effect = system 3 -1\n")), "negative subtype"},
        {techs(1, block(1, open + "effect = hull 9\n")), "effect hull"},
        {techs(1, block(1, open + "effect = facility 16\n")), "effect facility"},
        {techs(1, block(1, open + "effect = bonus 3 10\n")), "effect bonus"},
        {techs(1, block(1, open + "effect = bonus 0 0\n")), "percentage"},
        {techs(1, block(1, open + "effect = warp 1\n")), "effect kind"},
        {techs(1, block(1, open + "icon = 213\n")), "icon"},
        {techs(1, block(1, open + "colour = red\n")), "unknown field"},
        {techs(1, block(1, open + "cost = lots\n")), "cost: a number"},
        {techs(1, "[tech 1]\nname = T0\ncost = 1\ncredits = 0\nicon = 0\ndesc = x\n" + open), "named twice"},
        {techs(1, "[tech 1]\nname = X\ncost = 0\ncredits = 0\nicon = 0\ndesc = x\n" + open), "cost: a positive"},
        {techs(1, "[tech 1]\nname = X\ncost = 4\ncredits = 0\nicon = 0\n" + open), "a name and a desc"},
    };
    for (const auto &b : bad) {
        EXPECT_EQ(compile(b.text), RES_MALFORMED) << b.why;
        EXPECT_EQ(error.rfind("tech/techs.txt", 0), 0u) << error;
        EXPECT_NE(error.find(b.why), std::string::npos) << "wanted \"" << b.why << "\", got " << error;
    }
    EXPECT_EQ(compile(techs(), "[bonus 0]\ntext = a\n[bonus 1]\ntext = b\n"), RES_MALFORMED);
    EXPECT_EQ(error.rfind("tech/bonus.txt", 0), 0u) << error;
    EXPECT_EQ(compile(techs(), "[bonus 0]\ntext = a\n[bonus 1]\ntext =\n[bonus 2]\ntext = c\n"), RES_MALFORMED);
    EXPECT_NE(error.find("one non-empty text"), std::string::npos) << error;
}

TEST_F(TechCompiler, StartingTechsMayNeedLowerSettings) {
    EXPECT_EQ(compile(techs(1, block(1, "starting = 2\nsol = none\nrequires = 0\n")), BONUS), RES_MALFORMED)
        << "tech 0 is not a starting tech in the base table";
    std::string t = techs(0, block(0, "starting = 0\nsol = 0\nrequires =\n"));
    const std::string edited = block(1, "starting = 2\nsol = none\nrequires = 0\n");
    const size_t at = t.find("[tech 1]");
    const size_t end = t.find("[tech 2]");
    t.replace(at, end - at, edited);
    EXPECT_EQ(compile(t), RES_OK) << error;
}

}  // namespace
