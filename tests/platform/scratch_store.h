#pragma once
// A data store of the test's own: entries added by asset path, written into the test's scratch folder
// with the game's build identifier and opened as the store singleton, which is shut at the end.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#include "platform/store.h"
#include "platform/store_format.h"
#include "platform/store_write.h"
#include "test_support.h"

inline StoreWriteEntry store_entry(const std::string &asset, std::vector<uint8_t> body) {
    StoreWriteEntry e;
    e.key = store_asset_key(asset.c_str());
    e.body = std::move(body);
    return e;
}

inline StoreWriteEntry store_text_entry(const std::string &asset, std::string_view text) {
    return store_entry(asset, std::vector<uint8_t>(text.begin(), text.end()));
}

class ScratchStore {
public:
    ScratchStore() = default;
    ScratchStore(const ScratchStore &) = delete;
    ScratchStore &operator=(const ScratchStore &) = delete;
    ~ScratchStore() { store_shutdown(); }

    ScratchStore &add(const std::string &asset, std::vector<uint8_t> body) {
        entries.push_back(store_entry(asset, std::move(body)));
        return *this;
    }
    ScratchStore &text(const std::string &asset, std::string_view body) {
        entries.push_back(store_text_entry(asset, body));
        return *this;
    }
    // Writes the archive as <scratch folder>/store.dat and makes it the singleton's store.
    ::testing::AssertionResult open() {
        path = fresh_test_dir("scratch-store") + "/store.dat";
        std::string error;
        if (store_write(path.c_str(), STORE_BUILD_ID, entries, &error) != RES_OK)
            return ::testing::AssertionFailure() << "store_write: " << error;
        return reopen();
    }
    // Opens the archive at `path` again, as it now is on disk.
    ::testing::AssertionResult reopen() {
        store_shutdown();
        store_set_path(path.c_str());
        if (const Result r = store_open(); r != RES_OK) return ::testing::AssertionFailure() << "store_open: " << r;
        return ::testing::AssertionSuccess();
    }

    std::vector<StoreWriteEntry> entries;
    std::string path;
};
