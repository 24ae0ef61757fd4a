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

// An empty folder under build/test-output/<group>/<test name>, made anew for the running test.
inline std::string fresh_test_dir(const char *group) {
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string dir = std::string(ASTROVANE_BINARY_DIR "/test-output/") + group + "/" +
                      info->test_suite_name() + "." + info->name();
    std::string cmd = "rm -rf '" + dir + "' && mkdir -p '" + dir + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return dir;
}
