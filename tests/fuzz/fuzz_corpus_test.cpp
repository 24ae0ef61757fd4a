// The fuzz harnesses as ordinary tests: every target's seeds and every input of its regression
// corpus (fuzz/corpus/<target>/, each one an input that once crashed, hung or leaked) run through
// the real readers, so a build without sanitizers or libFuzzer still replays them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <vector>
#include "harness.h"
#include "support/state_guards.h"
#include "test_support.h"
#include "world/object.h"
#include "world/object_methods.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> target_names() {
    std::vector<std::string> names;
    for (const FuzzTarget &t : fuzz_targets()) names.push_back(t.name);
    return names;
}

std::vector<fs::path> corpus_of(const std::string &name) {
    std::vector<fs::path> files;
    const fs::path dir = fs::path(ASTROVANE_SOURCE_DIR) / "fuzz" / "corpus" / name;
    if (fs::is_directory(dir))
        for (const auto &entry : fs::directory_iterator(dir))
            if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

class FuzzReplay : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        target = fuzz_find_target(GetParam());
        ASSERT_NE(target, nullptr);
        fuzz_prepare(target);
    }
    // The next test, whichever it is, starts without this target's store, templates and game.
    void TearDown() override { fuzz_release(); }
    // One input through the harness. How fast it must run is the fuzz pass's to judge (it counts
    // more than a second as a hang, and starts from these same inputs); here, on a machine that may
    // be running a sanitizer build beside a full suite, only an input that never ends fails.
    void run(const std::vector<uint8_t> &input, const std::string &what) {
        SCOPED_TRACE(what);
        const auto start = std::chrono::steady_clock::now();
        target->run(input.data(), input.size());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60)) << what << " hung";
    }
    const FuzzTarget *target = nullptr;
    WorldHooksGuard   hooks_back_;   // a harness's set-up installs its own
    EnvGuard          save_root_back_{"XDG_DATA_HOME"};
};

TEST_P(FuzzReplay, SeedsRunClean) {
    std::vector<FuzzInput> seeds;
    target->seeds(&seeds);
    ASSERT_FALSE(seeds.empty()) << "the target makes no seed";
    for (size_t i = 0; i < seeds.size(); ++i) {
        EXPECT_FALSE(seeds[i].empty()) << "seed " << i;
        run(seeds[i], "seed " + std::to_string(i));
    }
}

TEST_P(FuzzReplay, RegressionCorpusRunsClean) {
    for (const fs::path &file : corpus_of(GetParam())) run(read_whole(file.string()), file.filename().string());
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(target_names()),
                         [](const ::testing::TestParamInfo<std::string> &info) { return info.param; });

TEST(FuzzTargetList, NamesAreUniqueAndEveryCorpusFolderHasATarget) {
    std::set<std::string> names;
    for (const FuzzTarget &t : fuzz_targets()) {
        EXPECT_TRUE(names.insert(t.name).second) << t.name << " twice";
        EXPECT_NE(t.run, nullptr) << t.name;
        EXPECT_NE(t.seeds, nullptr) << t.name;
    }
    const fs::path root = fs::path(ASTROVANE_SOURCE_DIR) / "fuzz" / "corpus";
    for (const auto &entry : fs::directory_iterator(root)) {
        if (!entry.is_directory()) continue;
        EXPECT_TRUE(names.count(entry.path().filename().string())) << entry.path();
    }
}

// A kind that saves a record of its own is fuzzed: one FUZZ_RECORD line in fuzz/targets.def.
TEST(FuzzTargetList, EveryObjectKindWithASaveRecordHasATarget) {
    for (int32_t kind = 0; kind < OBJECT_KIND_COUNT; ++kind) {
        const ObjectMethods *m = object_methods(kind);
        if (!m || !m->read) continue;
        const char *type = object_type_name(kind);
        ASSERT_NE(type, nullptr) << kind;
        std::string name = std::string(type) + "_record";   // "Ship" -> "ship_record"
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        EXPECT_NE(fuzz_find_target(name), nullptr)
            << "add FUZZ_RECORD(" << name << ", <its ObjectKind>) to fuzz/targets.def";
    }
}

}  // namespace
