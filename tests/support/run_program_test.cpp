// Programs started from several threads at once, as a road's screenshot lanes start them.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/run_program.h"

// Each child gets its own environment entry and sees the same descriptors as a child started
// alone: none of the pipes made for children started at the same moment (a reader of such a pipe
// would wait for every child holding it).
TEST(RunProgramThreads, ChildrenStartedAtOnceKeepTheirOwnEnvironmentAndNoOtherPipe) {
    const std::string list = "echo \"$ROAD_LANE ${HOME-none}\"; ls /proc/self/fd";
    auto run = [&list](const std::string &value) {
        ProgramOptions options;
        options.environment = {"ROAD_LANE=" + value};
        options.unset = {"HOME"};
        return run_program("/bin/sh", {"-c", list}, options);
    };
    const ProgramRun alone = run("alone");
    ASSERT_EQ(alone.status, 0) << alone.err;
    const std::string descriptors = alone.out.substr(alone.out.find('\n') + 1);

    std::atomic<int> wrong_entry{0}, other_descriptors{0};
    std::vector<std::thread> lanes;
    for (int lane = 0; lane < 6; ++lane)
        lanes.emplace_back([lane, &run, &descriptors, &wrong_entry, &other_descriptors] {
            for (int i = 0; i < 15; ++i) {
                const std::string value = std::to_string(lane) + "-" + std::to_string(i);
                const ProgramRun child = run(value);
                const size_t eol = child.out.find('\n');
                if (child.status != 0 || child.out.substr(0, eol) != value + " none") ++wrong_entry;
                if (eol != std::string::npos && child.out.substr(eol + 1) != descriptors) ++other_descriptors;
            }
        });
    for (std::thread &t : lanes) t.join();
    EXPECT_EQ(wrong_entry.load(), 0) << "a child printed another's entry, kept HOME or failed";
    EXPECT_EQ(other_descriptors.load(), 0) << "a child held descriptors a child started alone does not:\n" << descriptors;
}
