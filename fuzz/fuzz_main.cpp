// One libFuzzer target: the harness named by ASTROVANE_FUZZ_TARGET (one executable per line of
// targets.def). With $ASTROVANE_FUZZ_WRITE_SEEDS set to a folder, the executable writes its seeds
// there ("seed-000" ...) and exits instead of fuzzing.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include "harness.h"

namespace {

const FuzzTarget *g_target = nullptr;

void write_seeds(const FuzzTarget *target, const std::string &dir) {
    ::mkdir(dir.c_str(), 0755);
    std::vector<FuzzInput> seeds;
    target->seeds(&seeds);
    for (size_t i = 0; i < seeds.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/seed-%03zu", i);
        FILE *f = std::fopen((dir + name).c_str(), "wb");
        if (!f) std::exit(1);
        if (!seeds[i].empty()) std::fwrite(seeds[i].data(), 1, seeds[i].size(), f);
        std::fclose(f);
    }
    std::printf("%s: %zu seeds in %s\n", target->name, seeds.size(), dir.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    g_target = fuzz_find_target(ASTROVANE_FUZZ_TARGET);
    if (!g_target) {
        std::fprintf(stderr, "no fuzz target named %s\n", ASTROVANE_FUZZ_TARGET);
        std::abort();
    }
    fuzz_prepare(g_target);
    if (const char *dir = std::getenv("ASTROVANE_FUZZ_WRITE_SEEDS")) {
        write_seeds(g_target, dir);
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    g_target->run(data, size);
    return 0;
}
