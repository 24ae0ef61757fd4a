#pragma once
// The asset families: one small painter or compiler per family of store files.
//  - Every family writes its files below `root`, with paths as the game names them but '/' as the
//    separator ("bg/000.png", "sound/013.ogg"); storepack packs that tree into store.dat.
//  - Output is a pure function of `seed` and content/: the same inputs give the same bytes.
//  - `list_paths` names every file the family writes, so a test can check that everything the
//    game formats exists in the store.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct AssetFamily {
    const char *name;                                                   // short, unique: "backgrounds"
    int  (*generate)(const std::string &root, uint32_t seed);          // 0 on success, else a message on stderr
    void (*list_paths)(std::vector<std::string> *out);                 // store paths, '/' separated
};

// The table of every family, in generation order.
const AssetFamily *assetgen_families(size_t *count);
