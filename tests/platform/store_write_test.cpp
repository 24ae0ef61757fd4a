#include <gtest/gtest.h>
#include "test_support.h"

#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>
#include "platform/buffer.h"
#include "platform/files.h"
#include "platform/store.h"
#include "platform/store_write.h"

namespace {


class StorePack : public ::testing::Test {
protected:
    std::string dir, root, out;

    void SetUp() override {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::string(ASTROVANE_BINARY_DIR "/test-output/pack/") + info->name();
        ASSERT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
        root = dir + "/tree";
        out = dir + "/store.dat";
        ASSERT_EQ(make_directory(root.c_str()), RES_OK);
        store_shutdown();
    }
    void TearDown() override { store_shutdown(); }

    void put(const std::string &path, const std::string &text) {
        const std::string file = root + "/" + path;
        const size_t slash = file.find_last_of('/');
        ASSERT_EQ(make_directory(file.substr(0, slash).c_str()), RES_OK);
        ASSERT_EQ(write_file_bytes(file.c_str(), text.data(), text.size()), RES_OK);
    }
};

TEST_F(StorePack, ListsEveryFileWithSlashPathsInBytewiseOrder) {
    put("b.txt", "b");
    put("a/z.txt", "z");
    put("a-b.txt", "dash");   // '-' sorts before '/': "a-b.txt" < "a/z.txt"
    put("a/b/c.txt", "c");
    std::vector<std::string> paths;
    ASSERT_EQ(store_list_tree(root.c_str(), &paths, nullptr), RES_OK);
    EXPECT_EQ(paths, (std::vector<std::string>{"a-b.txt", "a/b/c.txt", "a/z.txt", "b.txt"}));
}

TEST_F(StorePack, PacksATreeTheGameReadsBack) {
    put("bg/000.png", "picture zero");
    put("sound/013.ogg", "a sound");
    ASSERT_EQ(store_pack_tree(root.c_str(), out.c_str(), nullptr), RES_OK);
    store_set_path(out.c_str());
    ASSERT_EQ(store_open(), RES_OK);
    EXPECT_EQ(store_get()->entries.size(), 2u);
    std::string text;
    ASSERT_EQ(store_read_text("bg\\000.png", &text), RES_OK);
    EXPECT_EQ(text, "picture zero");
    ASSERT_EQ(store_read_text("sound/013.ogg", &text), RES_OK);
    EXPECT_EQ(text, "a sound");
    // Entries follow the sorted paths, bodies packed back to back after the table.
    EXPECT_EQ(store_get()->entries[0].key, store_asset_key("bg/000.png"));
    EXPECT_EQ(store_get()->entries[0].offset, 19u + 24u);
    EXPECT_EQ(store_get()->entries[1].offset, 19u + 24u + 12u);
}

TEST_F(StorePack, PackingTwiceGivesIdenticalBytes) {
    put("z/last.txt", "last");
    put("first.txt", "first");
    put("m/middle.bin", std::string("\0\1\2\3", 4));
    ASSERT_EQ(store_pack_tree(root.c_str(), out.c_str(), nullptr), RES_OK);
    const std::vector<uint8_t> once = read_whole(out);
    // Touch the files (new times) and pack again.
    put("first.txt", "first");
    ASSERT_EQ(store_pack_tree(root.c_str(), (dir + "/again.dat").c_str(), nullptr), RES_OK);
    EXPECT_FALSE(once.empty());
    EXPECT_EQ(read_whole(dir + "/again.dat"), once);
}

TEST_F(StorePack, RefusesTwoPathsWithOneKey) {
    put("aZ.png", "one");
    put("b9.png", "two");   // djb2 collision with "aZ.png"
    std::string error;
    EXPECT_EQ(store_pack_tree(root.c_str(), out.c_str(), &error), RES_MALFORMED);
    EXPECT_NE(error.find("aZ.png"), std::string::npos) << error;
    EXPECT_NE(error.find("b9.png"), std::string::npos) << error;
    EXPECT_FALSE(file_exists(out.c_str()));
    EXPECT_FALSE(file_exists((out + ".tmp").c_str()));
}

TEST_F(StorePack, RefusesAFileNameThatSpellsASeparator) {
    put("bg/000.png", "real");
    put("bg\\000.png", "impostor");   // one file named with a backslash: the same asset path
    std::string error;
    EXPECT_EQ(store_pack_tree(root.c_str(), out.c_str(), &error), RES_MALFORMED);
}

TEST_F(StorePack, RefusesAnEmptyFile) {
    put("full.txt", "x");
    put("empty.txt", "");
    std::string error;
    EXPECT_EQ(store_pack_tree(root.c_str(), out.c_str(), &error), RES_MALFORMED);
    EXPECT_NE(error.find("empty.txt"), std::string::npos) << error;
}

TEST_F(StorePack, RefusesATreeWithoutFiles) {
    ASSERT_EQ(make_directory((root + "/only/folders").c_str()), RES_OK);
    EXPECT_EQ(store_pack_tree(root.c_str(), out.c_str(), nullptr), RES_MALFORMED);
    EXPECT_EQ(store_pack_tree((dir + "/absent").c_str(), out.c_str(), nullptr), RES_OPEN_FAILED);
}

TEST_F(StorePack, AFailedPackLeavesThePreviousArchive) {
    put("a.txt", "a");
    ASSERT_EQ(store_pack_tree(root.c_str(), out.c_str(), nullptr), RES_OK);
    const std::vector<uint8_t> before = read_whole(out);
    put("b.txt", "");
    EXPECT_NE(store_pack_tree(root.c_str(), out.c_str(), nullptr), RES_OK);
    EXPECT_EQ(read_whole(out), before);
}

}  // namespace
