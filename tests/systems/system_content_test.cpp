// The thirty system types as the build generates them into store.dat, read by the game's loader.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/buffer.h"
#include "system_test_util.h"

namespace {

class GeneratedSystems : public systest::SystemsTest {
protected:
    void SetUp() override {
        SystemsTest::SetUp();
        ASSERT_TRUE(open_generated_store());
        ASSERT_EQ(system_types_load(), RES_OK);
    }
    static const System &tmpl(int32_t type) { return *system_type_template(type); }
};

TEST_F(GeneratedSystems, EveryTypeLoadsWithANameAndADescription) {
    for (int32_t type = 0; type < SYSTEM_TYPE_COUNT; ++type) {
        ASSERT_NE(system_type_template(type), nullptr) << type;
        EXPECT_EQ(tmpl(type).type, type);
        EXPECT_FALSE(tmpl(type).name.empty()) << type;
        EXPECT_GT(tmpl(type).max_integrity, 0) << type;
        EXPECT_GE(tmpl(type).cost, 1) << type;
        std::string desc;
        ASSERT_EQ(system_read_desc(type, &desc), RES_OK) << type;
        EXPECT_GT(desc.size(), 40u) << type;
    }
}

TEST_F(GeneratedSystems, HasTheSubtypeRowsOtherRulesAskFor) {
    // Starbase guards take beam rows 5..7, drones engine row 5, carriers engine row 6 and gun row 4;
    // the AI rates beam row 7, gun rows 3 and 4, and the first rows of heavy beams and launchers.
    EXPECT_GE(system_subtype_count(SYSTEM_TYPE_BEAM), 8);
    EXPECT_GE(system_subtype_count(SYSTEM_TYPE_VOLLEY_GUN), 5);
    EXPECT_GE(system_subtype_count(SYSTEM_TYPE_ENGINE), 7);
    for (int32_t type : {SYSTEM_TYPE_HEAVY_BEAM, SYSTEM_TYPE_DRONE_LAUNCHER, SYSTEM_TYPE_ARMOUR})
        EXPECT_GE(system_subtype_count(type), 1) << type;
}

// The flags the content gives each type agree with one another and with the code's type table.
TEST_F(GeneratedSystems, FlagsFitWhatEachTypeDoes) {
    for (int32_t type = 0; type < SYSTEM_TYPE_COUNT; ++type) {
        SCOPED_TRACE(type);
        const System &t = tmpl(type);
        EXPECT_EQ(bool(t.flags & SYSTEM_FLAG_COMBAT), system_type_ops(type)->action != nullptr);
        if (t.flags & SYSTEM_FLAG_OFFENSIVE) {
            EXPECT_TRUE(t.flags & SYSTEM_FLAG_COMBAT);
        }
        EXPECT_EQ(bool(t.flags & SYSTEM_FLAG_SUBTYPES), t.subtype_count > 0);
        EXPECT_EQ(bool(t.flags & SYSTEM_FLAG_ENGINE_MOUNT), type == SYSTEM_TYPE_ENGINE);
        EXPECT_EQ(bool(t.flags & SYSTEM_FLAG_ARMOUR_MOUNT), type == SYSTEM_TYPE_ARMOUR);
        if (t.flags & SYSTEM_FLAG_ROUNDS) {
            EXPECT_GE(t.rounds_per_reload, 1);
        }
        if (t.flags & SYSTEM_FLAG_RECHARGES) {
            EXPECT_GE(t.recharge_turns, 1);
            EXPECT_FALSE(t.aux_text.empty()) << "the text shown while it recharges";
        }
        if (t.flags & SYSTEM_FLAG_ARC) {
            EXPECT_GT(t.arc, 0);
        }
        if (t.flags & SYSTEM_FLAG_COMBAT) {
            EXPECT_GE(t.ap_cost, 1);
        }
        if ((t.flags & SYSTEM_FLAG_COMBAT) && !(t.flags & SYSTEM_FLAG_NO_CHECKS)) {
            EXPECT_GT(t.range, 0);
        }
        if (t.flags & SYSTEM_FLAG_NEEDS_TARGET) {
            EXPECT_FALSE(t.flags & SYSTEM_FLAG_NO_CHECKS);
        }
    }
}

TEST_F(GeneratedSystems, LaterRowsAreBetterAndDearer) {
    for (int32_t type = 0; type < SYSTEM_TYPE_COUNT; ++type) {
        const std::vector<SystemSubtype> &rows = tmpl(type).subtypes;
        for (size_t i = 1; i < rows.size(); ++i) {
            EXPECT_GT(rows[i].value + rows[i].range, rows[i - 1].value + rows[i - 1].range) << type << " row " << i;
            EXPECT_GT(rows[i].cost, rows[i - 1].cost) << type << " row " << i;
            EXPECT_NE(rows[i].name, rows[i - 1].name) << type << " row " << i;
        }
        if (!rows.empty()) {   // the template repeats its first row
            EXPECT_EQ(tmpl(type).name, rows[0].name) << type;
            EXPECT_EQ(tmpl(type).value, rows[0].value) << type;
            EXPECT_EQ(tmpl(type).cost, rows[0].cost) << type;
            EXPECT_EQ(tmpl(type).load_a, rows[0].load_a) << type;
        }
    }
}

TEST_F(GeneratedSystems, EverySystemAndRowSurvivesASaveRecord) {
    for (int32_t type = 0; type < SYSTEM_TYPE_COUNT; ++type) {
        const int32_t rows = system_subtype_count(type);
        for (int32_t row = 0; row < std::max(rows, 1); ++row) {
            System *s = rows ? system_create_subtype(type, row) : system_create(type);
            ASSERT_NE(s, nullptr) << type << " row " << row;
            Buffer buf;
            ASSERT_EQ(system_write_record(s, &buf), RES_OK);
            System *back = nullptr;
            ASSERT_EQ(system_read_record(&back, &buf), RES_OK) << type << " row " << row;
            EXPECT_EQ(std::tie(back->name, back->shot_text, back->value, back->integrity, back->rounds),
                      std::tie(s->name, s->shot_text, s->value, s->max_integrity, s->rounds_per_reload));
            system_free(s);
            system_free(back);
        }
    }
}

}  // namespace
