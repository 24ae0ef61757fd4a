// Image and sound ids have one table each (platform/image_ids.h, platform/sound.h): a file under
// src/ that declares its own IMAGE_ or SOUND_ number is a second table that can drift from them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

TEST(IdTables, NoSourceDeclaresItsOwnImageOrSoundNumber) {
    const fs::path root = ASTROVANE_SOURCE_DIR "/src";
    const std::regex local_id(R"(^\s*(static\s+)?(inline\s+)?constexpr\s+u?int(32_t)?\s+(IMAGE|SOUND)_\w+\s*=)");
    int scanned = 0;
    for (const auto &entry : fs::recursive_directory_iterator(root)) {
        const fs::path &path = entry.path();
        if (!entry.is_regular_file() || (path.extension() != ".cpp" && path.extension() != ".h")) continue;
        const std::string rel = fs::relative(path, root).string();
        if (rel == "platform/image_ids.h" || rel == "platform/sound.h") continue;
        ++scanned;
        std::ifstream in(path);
        std::string line;
        for (int n = 1; std::getline(in, line); ++n)
            EXPECT_FALSE(std::regex_search(line, local_id)) << rel << ":" << n << ": " << line;
    }
    EXPECT_GT(scanned, 100);
}

}  // namespace
