// The packer as the build runs it: its exit status and messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include "platform/files.h"
#include "test_support.h"

namespace {

const std::string STOREPACK = ASTROVANE_BINARY_DIR "/storepack";

class StorepackCommand : public ::testing::Test {
protected:
    std::string dir, root, out;

    void SetUp() override {
        dir = fresh_test_dir("storepack");
        root = dir + "/tree";
        out = dir + "/store.dat";
        ASSERT_EQ(make_directory((root + "/bg").c_str()), RES_OK);
        put("bg/000.png", "zero");
        put("text.txt", "some text");
    }

    void put(const std::string &path, const std::string &text) {
        ASSERT_EQ(write_file_bytes((root + "/" + path).c_str(), text.data(), text.size()), RES_OK);
    }

    // Runs the packer; returns its exit status and what it printed (stdout and stderr).
    int run(const std::string &args, std::string *output = nullptr) {
        const std::string cmd = STOREPACK + " " + args + " 2>&1";
        FILE *pipe = ::popen(cmd.c_str(), "r");
        if (!pipe) return -1;
        std::string text;
        char chunk[512];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) text.append(chunk, n);
        const int status = ::pclose(pipe);
        if (output) *output = text;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(StorepackCommand, PacksListsAndVerifies) {
    ASSERT_EQ(run("pack --root " + root + " --out " + out), 0);
    std::string listing;
    ASSERT_EQ(run("list " + out, &listing), 0);
    // Key, offset and size per entry, in path order; bodies start after 19 + 2 x 12 bytes.
    EXPECT_EQ(listing, "df126e24         43          4\n"
                       "524ad85c         47          9\n");
    EXPECT_EQ(run("verify --root " + root + " " + out), 0);
}

TEST_F(StorepackCommand, VerifyCatchesAChangedOrExtraFile) {
    ASSERT_EQ(run("pack --root " + root + " --out " + out), 0);
    put("text.txt", "other text");
    std::string message;
    EXPECT_NE(run("verify --root " + root + " " + out, &message), 0);
    EXPECT_NE(message.find("text.txt"), std::string::npos) << message;
    put("text.txt", "some text");
    put("new.txt", "not packed");
    EXPECT_NE(run("verify --root " + root + " " + out), 0);
}

TEST_F(StorepackCommand, RefusesCollidingKeysAndEmptyFilesLoudly) {
    put("aZ.png", "one");
    put("b9.png", "two");
    std::string message;
    EXPECT_NE(run("pack --root " + root + " --out " + out, &message), 0);
    EXPECT_NE(message.find("same key"), std::string::npos) << message;
    EXPECT_FALSE(file_exists(out.c_str()));
}

TEST_F(StorepackCommand, RefusesUnknownCommands) {
    EXPECT_EQ(run("unpack " + out), 2);
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("pack --root " + root), 2);
}

}  // namespace
