#pragma once
// Helpers of the game-state tests that touch files: a save folder of the test's own, small data
// stores built for one test, and big-endian byte builders for expected file contents.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>
#include "platform/store.h"
#include "platform/store_write.h"
#include "support/fixture_store.h"
#include "support/state_guards.h"
#include "test_support.h"

// Points the save folder ($XDG_DATA_HOME/Astrovane) into a fresh test folder for the object's life.
class TestSaveFolder {
public:
    explicit TestSaveFolder(const char *group) : root_(fresh_test_dir(group)) {
        ::setenv("XDG_DATA_HOME", root_.c_str(), 1);
    }
    const std::string &root() const { return root_; }
    std::string folder() const { return root_ + "/Astrovane"; }
    std::string file(const char *name) const { return folder() + "/" + name; }

private:
    EnvGuard    back_{"XDG_DATA_HOME"};   // made before the folder is pointed at
    std::string root_;
};

using StoreFiles = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

inline std::vector<uint8_t> text_bytes(const std::string &text) { return {text.begin(), text.end()}; }

// Packs the files into an archive at `path` and makes it the game's data store.
inline void use_test_store(const std::string &path, const StoreFiles &files) {
    std::vector<StoreWriteEntry> entries;
    for (const auto &[name, body] : files) {
        StoreWriteEntry e;
        e.key = store_asset_key(name.c_str());
        e.body = body;
        entries.push_back(std::move(e));
    }
    std::string error;
    ASSERT_EQ(store_write(path.c_str(), STORE_BUILD_ID, entries, &error), RES_OK) << error;
    store_shutdown();
    store_set_path(path.c_str());
    ASSERT_EQ(store_open(), RES_OK);
}

inline void use_generated_store() { ASSERT_TRUE(open_generated_store()); }

// Expected bytes, written out by hand in the file's big-endian form.
struct Bytes {
    std::vector<uint8_t> v;
    Bytes &u8(uint8_t x) { v.push_back(x); return *this; }
    Bytes &u32(uint32_t x) {
        for (int s = 24; s >= 0; s -= 8) v.push_back(uint8_t(x >> s));
        return *this;
    }
    Bytes &i32(int32_t x) { return u32(uint32_t(x)); }
    Bytes &u64(uint64_t x) { return u32(uint32_t(x >> 32)).u32(uint32_t(x)); }
    Bytes &str(const std::string &s) {
        u32(uint32_t(s.size()));
        v.insert(v.end(), s.begin(), s.end());
        return *this;
    }
    Bytes &words(std::initializer_list<int32_t> xs) {
        for (int32_t x : xs) i32(x);
        return *this;
    }
};
