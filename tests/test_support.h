#pragma once
// Small helpers every test folder shares: whole-file reads and a fresh scratch folder per test.
#include <gtest/gtest.h>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

// The bytes of a file, empty when it cannot be opened.
inline std::vector<uint8_t> read_whole(const std::string &path) {
    std::vector<uint8_t> out;
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return out;
    uint8_t chunk[4096];
    for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) > 0;) out.insert(out.end(), chunk, chunk + got);
    ::close(fd);
    return out;
}

// Where tests write what they leave for review and their scratch folders: build/test-output, or
// $ASTROVANE_TEST_OUTPUT where set. The one-process shards run beside the one-process-per-test
// entries of the same tests, so each shard has a folder of its own there.
inline std::string test_output_dir() {
    const char *root = std::getenv("ASTROVANE_TEST_OUTPUT");
    return root && *root ? std::string(root) : std::string(ASTROVANE_BINARY_DIR "/test-output");
}

// An empty folder under <test output>/<group>/<test name>, made anew for the running test.
inline std::string fresh_test_dir(const char *group) {
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string dir = test_output_dir() + "/" + group + "/" +
                      info->test_suite_name() + "." + info->name();
    std::string cmd = "rm -rf '" + dir + "' && mkdir -p '" + dir + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return dir;
}
