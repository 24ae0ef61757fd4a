// storepack: packs a folder into the game's data store and checks the result.
//   storepack pack --root DIR --out FILE   every file below DIR, paths sorted, '/' separators
//   storepack list FILE                    key, offset and size of every entry
//   storepack verify --root DIR FILE       reads every file back through the game's reader
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "platform/buffer.h"
#include "platform/store.h"
#include "platform/store_write.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: storepack pack --root DIR --out FILE\n"
                 "       storepack list FILE\n"
                 "       storepack verify --root DIR FILE\n");
    return 2;
}

int pack(const std::string &root, const std::string &out) {
    std::string error;
    Result res = store_pack_tree(root.c_str(), out.c_str(), &error);
    if (res != RES_OK) {
        std::fprintf(stderr, "storepack: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int list(const std::string &file) {
    store_set_path(file.c_str());
    Result res = store_open();
    if (res != RES_OK) {
        std::fprintf(stderr, "storepack: cannot read %s (%d)\n", file.c_str(), int(res));
        return 1;
    }
    for (const StoreEntry &entry : store_get()->entries)
        std::printf("%08x %10u %10u\n", entry.key, entry.offset, entry.size);
    return 0;
}

int verify(const std::string &root, const std::string &file) {
    std::vector<std::string> paths;
    std::string error;
    if (store_list_tree(root.c_str(), &paths, &error) != RES_OK) {
        std::fprintf(stderr, "storepack: %s\n", error.c_str());
        return 1;
    }
    store_set_path(file.c_str());
    Result res = store_open();
    if (res != RES_OK) {
        std::fprintf(stderr, "storepack: cannot read %s (%d)\n", file.c_str(), int(res));
        return 1;
    }
    int bad = 0;
    if (store_get()->entries.size() != paths.size()) {
        std::fprintf(stderr, "storepack: %zu entries for %zu files\n", store_get()->entries.size(), paths.size());
        bad = 1;
    }
    for (const std::string &path : paths) {
        Buffer *packed = nullptr, *original = nullptr;
        Result a = store_read_file(path.c_str(), 1, &packed);
        Result b = store_read_file((root + "/" + path).c_str(), 0, &original);
        const bool same = a == RES_OK && b == RES_OK && packed->length == original->length &&
                          std::memcmp(packed->data, original->data, size_t(packed->length)) == 0;
        buffer_free(packed);
        buffer_free(original);
        if (!same) {
            std::fprintf(stderr, "storepack: %s differs (store %d, file %d)\n", path.c_str(), int(a), int(b));
            bad = 1;
        }
    }
    if (!bad) std::printf("storepack: %zu files verified\n", paths.size());
    return bad;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) return usage();
    const std::string command = argv[1];
    std::string root, out, file;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--root") == 0 && i + 1 < argc) root = argv[++i];
        else if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) out = argv[++i];
        else if (argv[i][0] != '-' && file.empty()) file = argv[i];
        else return usage();
    }
    if (command == "pack" && !root.empty() && !out.empty() && file.empty()) return pack(root, out);
    if (command == "list" && !file.empty() && root.empty()) return list(file);
    if (command == "verify" && !root.empty() && !file.empty()) return verify(root, file);
    return usage();
}
