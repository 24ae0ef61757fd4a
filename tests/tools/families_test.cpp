#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>
#include "assetgen/backgrounds.h"
#include "assetgen/family.h"

namespace {

TEST(FamilyTable, EveryRowIsCompleteAndNamedOnce) {
    size_t count = 0;
    const AssetFamily *families = assetgen_families(&count);
    ASSERT_NE(families, nullptr);
    ASSERT_GE(count, 1u);
    std::set<std::string> names;
    for (size_t i = 0; i < count; ++i) {
        ASSERT_NE(families[i].name, nullptr) << i;
        EXPECT_NE(families[i].generate, nullptr) << families[i].name;
        EXPECT_NE(families[i].list_paths, nullptr) << families[i].name;
        EXPECT_TRUE(names.insert(families[i].name).second) << "two families named " << families[i].name;
    }
}

TEST(FamilyTable, PathsAreRelativeSlashSeparatedAndUnique) {
    size_t count = 0;
    const AssetFamily *families = assetgen_families(&count);
    std::set<std::string> seen;
    for (size_t i = 0; i < count; ++i) {
        std::vector<std::string> paths;
        families[i].list_paths(&paths);
        EXPECT_FALSE(paths.empty()) << families[i].name;
        for (const std::string &path : paths) {
            EXPECT_FALSE(path.empty());
            EXPECT_NE(path.front(), '/') << path;
            EXPECT_EQ(path.find('\\'), std::string::npos) << path;
            EXPECT_EQ(path.find(".."), std::string::npos) << path;
            EXPECT_EQ(path.find("//"), std::string::npos) << path;
            EXPECT_TRUE(seen.insert(path).second) << path << " written by two families";
        }
    }
}

TEST(Backgrounds, PaintingIsRepeatableAndSlotsDiffer) {
    const Canvas a = backgrounds_paint(5, 1234);
    const Canvas b = backgrounds_paint(5, 1234);
    ASSERT_EQ(a.width, 1024);
    ASSERT_EQ(a.height, 768);
    EXPECT_TRUE(a.px == b.px);
    const Canvas other = backgrounds_paint(6, 1234);
    EXPECT_FALSE(a.px == other.px);
}

}  // namespace
