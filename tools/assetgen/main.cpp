// assetgen: writes every asset of the game below a folder, for storepack to pack.
//   assetgen --out DIR [--seed N] [--family NAME]...   generate (all families, or the named ones)
//   assetgen --list                                    print every store path the families write
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "assetgen/family.h"
#include "platform/files.h"

namespace {

constexpr uint32_t DEFAULT_SEED = 0x4F7A19C3u;

int usage() {
    std::fprintf(stderr,
                 "usage: assetgen --out DIR [--seed N] [--family NAME]...\n"
                 "       assetgen --list\n");
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    std::string out;
    uint32_t seed = DEFAULT_SEED;
    bool list = false;
    std::vector<std::string> only;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "--out") == 0 && i + 1 < argc) out = argv[++i];
        else if (std::strcmp(arg, "--seed") == 0 && i + 1 < argc) seed = uint32_t(std::strtoul(argv[++i], nullptr, 0));
        else if (std::strcmp(arg, "--family") == 0 && i + 1 < argc) only.emplace_back(argv[++i]);
        else if (std::strcmp(arg, "--list") == 0) list = true;
        else return usage();
    }
    size_t count = 0;
    const AssetFamily *families = assetgen_families(&count);
    if (list) {
        for (size_t i = 0; i < count; ++i) {
            std::vector<std::string> paths;
            families[i].list_paths(&paths);
            for (const std::string &path : paths) std::printf("%s\n", path.c_str());
        }
        return 0;
    }
    if (out.empty()) return usage();
    if (make_directory(out.c_str()) != RES_OK) {
        std::fprintf(stderr, "assetgen: cannot create %s\n", out.c_str());
        return 1;
    }
    for (const std::string &name : only) {
        bool known = false;
        for (size_t i = 0; i < count; ++i) known = known || name == families[i].name;
        if (!known) {
            std::fprintf(stderr, "assetgen: no family named %s\n", name.c_str());
            return 2;
        }
    }
    int failed = 0;
    for (size_t i = 0; i < count; ++i) {
        const AssetFamily &family = families[i];
        bool wanted = only.empty();
        for (const std::string &name : only) wanted = wanted || name == family.name;
        if (!wanted) continue;
        const auto start = std::chrono::steady_clock::now();
        const int res = family.generate(out, seed);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("assetgen: %-16s %s (%.1f s)\n", family.name, res == 0 ? "ok" : "FAILED", seconds);
        if (res != 0) failed = 1;
    }
    return failed;
}
