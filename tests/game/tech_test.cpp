// Technology table: the entry format, loading with short and long files, the accessors, the
// description fallbacks, and the table the build ships.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include "game/tech.h"
#include "game_files.h"
#include "platform/buffer.h"

namespace {

Bytes entry(int32_t number, const std::string &name, std::vector<std::array<int32_t, 3>> effects,
            std::vector<int32_t> prerequisites, std::array<int32_t, 5> tail = {4000, 200, 4, -1, -1}) {
    Bytes b;
    b.i32(number).str(name).i32(int32_t(effects.size()));
    for (const auto &e : effects) b.words({e[0], e[1], e[2]});
    b.i32(int32_t(prerequisites.size()));
    for (int32_t p : prerequisites) b.i32(p);
    for (int32_t w : tail) b.i32(w);
    return b;
}

std::vector<uint8_t> table_of(int count) {
    Bytes all;
    for (int n = 0; n < count; ++n) {
        const Bytes e = entry(n, "Tech " + std::to_string(n), {{0, n % 30, 0}}, n ? std::vector<int32_t>{n - 1} : std::vector<int32_t>{});
        all.v.insert(all.v.end(), e.v.begin(), e.v.end());
    }
    return all.v;
}

// ---- one entry ----

TEST(TechEntry, ReadsEveryFieldInOrder) {
    const Bytes b = entry(12, "Rail Drivers", {{0, 1, 1}, {3, 2, 15}}, {5, 3}, {32000, 1000, 22, 2, 3000});
    Buffer buf;
    ASSERT_EQ(buffer_append(&buf, b.v.data(), b.v.size()), RES_OK);
    TechInfo *tech = nullptr;
    ASSERT_EQ(tech_read(&tech, &buf), RES_OK);
    ASSERT_NE(tech, nullptr);
    EXPECT_EQ(buf.cursor, buf.length);
    EXPECT_EQ(tech->number, 12);
    EXPECT_EQ(tech->name, "Rail Drivers");
    std::vector<std::array<int32_t, 3>> effects;
    for (const TechEffect &e : tech->effects) effects.push_back({e.kind, e.value, e.value2});
    EXPECT_EQ(effects, (std::vector<std::array<int32_t, 3>>{{TECH_EFFECT_SYSTEM, 1, 1}, {TECH_EFFECT_BONUS, 2, 15}}));
    EXPECT_EQ(tech->prerequisites, (std::vector<int32_t>{5, 3}));
    EXPECT_EQ(std::vector<int32_t>({tech->cost, tech->credits, tech->icon, tech->starting_level, tech->sol_level}),
              std::vector<int32_t>({32000, 1000, 22, 2, 3000}));
    tech_free(tech);
}

TEST(TechEntry, NegativeCountsReadAsNoItemsAndCutOrHugeEntriesAreRefused) {
    Bytes b;
    b.i32(3).str("Odd").i32(-1).i32(-7).words({400, 0, 0, -1, -1});
    Buffer buf;
    ASSERT_EQ(buffer_append(&buf, b.v.data(), b.v.size()), RES_OK);
    TechInfo *tech = nullptr;
    ASSERT_EQ(tech_read(&tech, &buf), RES_OK);
    EXPECT_TRUE(tech->effects.empty());
    EXPECT_TRUE(tech->prerequisites.empty());
    EXPECT_EQ(tech->cost, 400);
    tech_free(tech);

    const Bytes whole = entry(1, "Cut", {{1, 5, 0}}, {0});
    for (size_t n = 0; n < whole.v.size(); ++n) {
        Buffer part;
        ASSERT_EQ(buffer_append(&part, whole.v.data(), n), RES_OK);
        TechInfo *out = nullptr;
        EXPECT_EQ(tech_read(&out, &part), RES_SHORT_BUFFER) << n << " bytes";
        EXPECT_EQ(out, nullptr);
    }
    Bytes huge;   // two thousand million effects claimed: refused before anything is allocated
    huge.i32(0).str("Big").i32(0x7FFFFFFF).words({1, 2, 3});
    Buffer big;
    ASSERT_EQ(buffer_append(&big, huge.v.data(), huge.v.size()), RES_OK);
    EXPECT_EQ(tech_read(nullptr, &big), RES_SHORT_BUFFER);
}

// ---- the table ----

class TechTable : public ::testing::Test {
protected:
    void TearDown() override {
        tech_free_all();
        store_shutdown();
    }
    void store(const StoreFiles &files) { use_test_store(dir + "/store.dat", files); }

    std::string dir = fresh_test_dir("tech");
};

TEST_F(TechTable, FiftySevenEntriesLoadAndAFiftyEighthIsIgnored) {
    store({{"tech/params.dat", table_of(58)}});
    ASSERT_EQ(tech_load(), RES_OK);
    for (int n = 0; n < TECH_COUNT; ++n) {
        ASSERT_NE(tech_get(n), nullptr) << n;
        EXPECT_EQ(tech_get(n)->number, n);
    }
    EXPECT_STREQ(tech_name(56), "Tech 56");
    EXPECT_EQ(tech_get(57), nullptr);
    EXPECT_EQ(tech_name(57), nullptr);
    EXPECT_EQ(tech_icon(57), 0);
    EXPECT_EQ(tech_get(-1), nullptr);
}

TEST_F(TechTable, AShortFileKeepsTheEntriesBeforeTheBreak) {
    std::vector<uint8_t> cut = table_of(3);
    cut.resize(cut.size() - 2);
    const struct {
        std::vector<uint8_t> bytes;
        int first_missing;
    } cases[] = {{cut, 2}, {table_of(10), 10}};
    for (const auto &c : cases) {
        store({{"tech/params.dat", c.bytes}});
        EXPECT_EQ(tech_load(), RES_SHORT_BUFFER);
        EXPECT_NE(tech_get(c.first_missing - 1), nullptr);
        EXPECT_EQ(tech_get(c.first_missing), nullptr);
        EXPECT_EQ(tech_name(c.first_missing), nullptr);
        EXPECT_EQ(tech_icon(c.first_missing), 0);
    }
}

TEST_F(TechTable, AMissingFileLeavesTheTableEmpty) {
    store({{"tech/params.dat", table_of(57)}});
    ASSERT_EQ(tech_load(), RES_OK);
    store({{"other.txt", text_bytes("x")}});
    EXPECT_EQ(tech_load(), RES_OPEN_FAILED);
    for (int n = 0; n < TECH_COUNT; ++n) EXPECT_EQ(tech_get(n), nullptr) << n;
}

TEST_F(TechTable, DescriptionsFallBackToTheFirstGrantedItemWithOne) {
    Bytes all;
    const Bytes entries[] = {
        entry(0, "Has own", {{0, 4, 0}}, {}),
        entry(1, "System", {{0, 4, 1}, {1, 2, 0}}, {}),
        entry(2, "Bonus then hull", {{3, 1, 10}, {1, 2, 0}}, {}),
        entry(3, "Missing all", {{2, 7, 0}, {0, 9, 0}}, {}),
        entry(4, "Bonus only", {{3, 0, 10}}, {}),
        entry(5, "Facility then system", {{2, 15, 0}, {0, 4, 0}}, {}),
    };
    for (const Bytes &e : entries) all.v.insert(all.v.end(), e.v.begin(), e.v.end());
    store({{"tech/params.dat", all.v},
           {"tech/000/desc.txt", text_bytes("Own words.\n")},
           {"system/004/dat/desc.txt", text_bytes("A heavy beam.\n")},
           {"ship/002/dat/desc.txt", text_bytes("A light hull.\n")}});
    EXPECT_EQ(tech_load(), RES_SHORT_BUFFER);   // six of 57

    std::string text;
    ASSERT_EQ(tech_load_desc(0, &text), RES_OK);
    EXPECT_EQ(text, "Own words.\n");
    ASSERT_EQ(tech_load_desc(1, &text), RES_OK);
    EXPECT_EQ(text, "A heavy beam.\n");
    ASSERT_EQ(tech_load_desc(2, &text), RES_OK);
    EXPECT_EQ(text, "A light hull.\n");
    ASSERT_EQ(tech_load_desc(5, &text), RES_OK);
    EXPECT_EQ(text, "A heavy beam.\n");
    EXPECT_EQ(tech_load_desc(3, &text), RES_OPEN_FAILED);
    EXPECT_EQ(tech_load_desc(4, &text), RES_OPEN_FAILED);
    EXPECT_EQ(tech_load_desc(6, &text), RES_OUT_OF_RANGE);   // an empty slot
    EXPECT_EQ(tech_load_desc(57, &text), RES_OUT_OF_RANGE);
}

TEST(TechNumbers, PointsShowInUnitsOfFourHundredTruncatedAndBonusesOutOfRangeHaveNoText) {
    const struct { int32_t points; float shown; } rows[] = {
        {1199, 2.0f}, {400, 1.0f}, {399, 0.0f}, {-401, -1.0f}, {240000, 600.0f}};
    for (const auto &row : rows) EXPECT_EQ(tech_points_display(row.points), row.shown) << row.points;
    for (int bad : {3, -1}) {
        EXPECT_STREQ(tech_bonus_category_name(bad), "") << bad;
        EXPECT_EQ(tech_bonus_category_icon(bad), 0) << bad;
    }
}

// ---- the shipped table ----

class ShippedTechTable : public ::testing::Test {
protected:
    void SetUp() override {
        use_generated_store();
        ASSERT_EQ(tech_load(), RES_OK);
    }
    void TearDown() override {
        tech_free_all();
        store_shutdown();
    }
};

TEST_F(ShippedTechTable, FiftySevenNamedTechnologiesInOrderEachWithADescriptionAndEveryBonusWithAText) {
    std::set<std::string> names;
    std::string text;
    for (int n = 0; n < TECH_COUNT; ++n) {
        const TechInfo *t = tech_get(n);
        ASSERT_NE(t, nullptr) << n;
        EXPECT_EQ(t->number, n);
        EXPECT_FALSE(t->name.empty()) << n;
        EXPECT_TRUE(names.insert(t->name).second) << t->name;
        EXPECT_GT(t->cost, 0) << t->name;
        EXPECT_GE(t->credits, 0) << t->name;
        EXPECT_TRUE(t->icon >= 0 && t->icon <= 212) << t->name;
        EXPECT_FALSE(t->effects.empty()) << t->name;
        for (const TechEffect &e : t->effects) {
            EXPECT_TRUE(e.kind >= TECH_EFFECT_SYSTEM && e.kind <= TECH_EFFECT_BONUS) << t->name;
            if (e.kind == TECH_EFFECT_BONUS) {
                EXPECT_TRUE(e.value >= 0 && e.value < TECH_BONUS_COUNT) << t->name;
            }
        }
        ASSERT_EQ(tech_load_desc(n, &text), RES_OK) << n;
        EXPECT_GT(text.size(), 10u) << n;
        EXPECT_EQ(text.back(), '\n') << n;
    }
    for (int c = 0; c < TECH_BONUS_COUNT; ++c) {
        ASSERT_EQ(tech_load_bonus_text(c, &text), RES_OK) << c;
        EXPECT_GT(text.size(), 10u) << c;
    }
    EXPECT_NE(tech_load_bonus_text(3, &text), RES_OK);
}

TEST_F(ShippedTechTable, StartingTechsNeedOnlyWhatTheSameSettingGrants) {
    int per_level[3] = {};
    for (int n = 0; n < TECH_COUNT; ++n) {
        const TechInfo *t = tech_get(n);
        if (t->starting_level < 0) continue;
        ASSERT_LE(t->starting_level, 2) << t->name;
        for (int level = t->starting_level; level <= 2; ++level) ++per_level[level];
        for (int32_t p : t->prerequisites) {
            const TechInfo *need = tech_get(p);
            ASSERT_NE(need, nullptr);
            EXPECT_GE(need->starting_level, 0) << t->name << " needs " << need->name;
            EXPECT_LE(need->starting_level, t->starting_level) << t->name << " needs " << need->name;
        }
    }
    EXPECT_GT(per_level[0], 0);
    EXPECT_GT(per_level[1], per_level[0]);
    EXPECT_GT(per_level[2], per_level[1]);
}

}  // namespace
