// The packer: a folder tree to an archive the game reads back, the same bytes every time, and the
// trees it refuses without touching the archive already there.
#include <string>
#include <vector>
#include "platform/files.h"
#include "platform/scratch_store.h"

namespace {

class StorePack : public ::testing::Test {
protected:
    std::string dir = fresh_test_dir("pack"), root = dir + "/tree", out = dir + "/store.dat";

    void SetUp() override {
        ASSERT_EQ(make_directory(root.c_str()), RES_OK);
        store_shutdown();
    }
    void TearDown() override { store_shutdown(); }

    void put(const std::string &path, const std::string &text) {
        const std::string file = root + "/" + path;
        ASSERT_EQ(make_directory(file.substr(0, file.find_last_of('/')).c_str()), RES_OK);
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

TEST_F(StorePack, RefusesTwoPathsWithOneKeyAnEmptyFileOrNoFileAndKeepsThePreviousArchive) {
    put("a.txt", "a");
    ASSERT_EQ(store_pack_tree(root.c_str(), out.c_str(), nullptr), RES_OK);
    const std::vector<uint8_t> before = read_whole(out);
    const struct {
        const char *what;
        std::vector<std::pair<std::string, std::string>> files;
        std::vector<std::string> named;   // in the error message
    } cases[] = {
        {"a djb2 collision", {{"aZ.png", "one"}, {"b9.png", "two"}}, {"aZ.png", "b9.png"}},
        // one file named with a backslash: the same asset path
        {"a file name that spells a separator", {{"bg/000.png", "real"}, {"bg\\000.png", "impostor"}}, {}},
        {"an empty file", {{"full.txt", "x"}, {"empty.txt", ""}}, {"empty.txt"}},
        {"no file at all", {}, {}},
    };
    for (const auto &c : cases) {
        root = dir + "/" + c.what;
        ASSERT_EQ(make_directory((root + "/only/folders").c_str()), RES_OK);
        for (const auto &[path, text] : c.files) put(path, text);
        std::string error;
        EXPECT_EQ(store_pack_tree(root.c_str(), out.c_str(), &error), RES_MALFORMED) << c.what;
        for (const std::string &name : c.named) EXPECT_NE(error.find(name), std::string::npos) << error;
        EXPECT_EQ(read_whole(out), before) << c.what;
        EXPECT_FALSE(file_exists((out + ".tmp").c_str())) << c.what;
    }
    EXPECT_EQ(store_pack_tree((dir + "/absent").c_str(), out.c_str(), nullptr), RES_OPEN_FAILED);
}

}  // namespace
