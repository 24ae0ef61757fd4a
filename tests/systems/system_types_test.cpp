// The type table: loading thirty templates from a store, failures, on-demand loading, the lookups.
#include <gtest/gtest.h>

#include <tuple>
#include "system_test_util.h"

namespace {

using systest::SystemsTest;
using systest::use_type_store;

class SystemTypesLoad : public SystemsTest {};

TEST_F(SystemTypesLoad, ReadsThirtyTemplatesEachWithItsOwnTypeAndFreesThemAll) {
    use_type_store(dir);
    ASSERT_EQ(system_types_load(), RES_OK);
    ASSERT_TRUE(system_types_loaded());
    for (int type = 0; type < SYSTEM_TYPE_COUNT; ++type) {
        const System *tmpl = system_type_template(type);
        ASSERT_NE(tmpl, nullptr) << type;
        EXPECT_EQ(tmpl->type, type);
        EXPECT_EQ(tmpl->refcount, 0) << type;
    }
    EXPECT_EQ(std::tie(system_type_template(0)->name, system_type_template(1)->aux_text, system_type_template(29)->name,
                       system_type_template(29)->load_b),
              std::make_tuple(std::string("Lance"), std::string("Reloading"), std::string("Type 29"), 58));
    EXPECT_EQ(system_type_template(30), nullptr);
    EXPECT_EQ(system_type_template(-1), nullptr);
    EXPECT_EQ(system_live_count(), live_before + 30);
    system_types_free();
    EXPECT_FALSE(system_types_loaded());
    EXPECT_EQ(system_type_template(0), nullptr);
    EXPECT_EQ(system_live_count(), live_before);
    system_types_free();   // twice is harmless
}

TEST_F(SystemTypesLoad, ASecondLoadKeepsTheTemplatesItHas) {
    use_type_store(dir);
    ASSERT_EQ(system_types_load(), RES_OK);
    const System *first = system_type_template(3);
    store_shutdown();   // the store is gone: a second load must not even look
    EXPECT_EQ(system_types_load(), RES_OK);
    EXPECT_EQ(system_type_template(3), first);
}

TEST_F(SystemTypesLoad, AMissingFileStopsTheLoadWithTheStoreCodeAndALine) {
    use_type_store(dir, [](int type, std::vector<uint8_t> *) { return type != 5; });
    LogFileCatcher log(dir);
    EXPECT_EQ(system_types_load(), RES_OPEN_FAILED);
    EXPECT_FALSE(system_types_loaded());
    EXPECT_EQ(system_type_template(0), nullptr);
    EXPECT_EQ(system_create(0), nullptr);
    EXPECT_NE(log.text().find("[GAME] [ERROR] Error loading system 5 - params load "
                              "\"system/005/dat/params.dat\" failed with rval -6"),
              std::string::npos)
        << log.text();
}

TEST_F(SystemTypesLoad, AFileThatCannotBeDecodedStopsTheLoadWithTheReadCode) {
    use_type_store(dir, [](int type, std::vector<uint8_t> *bytes) {
        if (type == 7) bytes->resize(bytes->size() - 2);   // load_b cut short
        return true;
    });
    LogFileCatcher log(dir);
    EXPECT_EQ(system_types_load(), RES_SHORT_BUFFER);
    EXPECT_FALSE(system_types_loaded());
    EXPECT_NE(log.text().find("Error loading system 7 - params read \"system/007/dat/params.dat\" "
                              "failed with rval -15"),
              std::string::npos)
        << log.text();
    // The seven read before stay until a later load begins again; freeing leaves nothing behind.
    EXPECT_EQ(system_live_count(), live_before + 7);
}

TEST_F(SystemTypesLoad, ALaterLoadOverAMendedStoreStartsAgain) {
    use_type_store(dir, [](int type, std::vector<uint8_t> *) { return type != 12; });
    EXPECT_EQ(system_types_load(), RES_OPEN_FAILED);
    use_type_store(dir);
    ASSERT_EQ(system_types_load(), RES_OK);
    EXPECT_TRUE(system_types_loaded());
    EXPECT_EQ(system_live_count(), live_before + 30);
}

TEST_F(SystemTypesLoad, TheDescriptionIsTheWholeFile) {
    use_type_store(dir);
    std::string text = "old";
    ASSERT_EQ(system_read_desc(0, &text), RES_OK);
    EXPECT_EQ(text, "A lance.");
    EXPECT_EQ(system_read_desc(1, &text), RES_OPEN_FAILED);   // no file in this store
    EXPECT_EQ(system_read_desc(30, &text), RES_OUT_OF_RANGE);
}

class SystemTypeLookups : public SystemsTest {
protected:
    void SetUp() override {
        SystemsTest::SetUp();
        use_type_store(dir);
    }
};

TEST_F(SystemTypeLookups, SubtypeCountLoadsOnDemandAndIsZeroWithoutRowsOrForABadType) {
    ASSERT_FALSE(system_types_loaded());
    EXPECT_EQ(system_subtype_count(0), 3);
    EXPECT_TRUE(system_types_loaded());
    for (int32_t type : {1, 29, 30, -1}) EXPECT_EQ(system_subtype_count(type), 0) << type;
}

TEST_F(SystemTypeLookups, SubtypeCountIsZeroWhenLoadingFails) {
    store_shutdown();
    store_set_path((dir + "/no-such-store.dat").c_str());
    EXPECT_EQ(system_subtype_count(0), 0);
    EXPECT_EQ(system_type_load_a(1, 0), 0);
    EXPECT_FALSE(system_types_loaded());
}

// From the row for a type with subtypes (none one past the rows), else from the template.
TEST_F(SystemTypeLookups, LoadAComesFromTheRowOrTheTemplate) {
    const struct {
        int32_t type, subtype, load_a;
    } cases[] = {{0, 0, 8}, {0, 1, 11}, {0, 2, 14}, {0, 3, 0}, {0, -1, 0}, {1, 0, 10}, {1, 5, 10}, {17, 0, 17}, {30, 0, 0}};
    for (const auto &c : cases) EXPECT_EQ(system_type_load_a(c.type, c.subtype), c.load_a) << c.type << "/" << c.subtype;
}

}  // namespace
