#pragma once
// The sites family: content/sites/NN_name.txt (one site template each, 0..15) and
// content/features/features.txt compiled into the store's parameter files and texts, and the
// frames of every site template painted (site_art.h).
//  - "site/%.3i/dat/params.dat", "site/%.3i/dat/desc.txt", "site/%.3i/png/%.3i.png";
//    "site/feature/params.dat", "site/feature/desc/%.3i.txt" (kind 6: "006a.txt" for its
//    owner's view, "006b.txt" for the others), "site/feature/gatherdesc/%.3i.txt".
//  - The compiler checks what the game relies on: the template number, the frames the file names
//    against the frames its painter makes, animation indices, the harvester's eight animations,
//    the feature bag and masks.
#include <cstdint>
#include <string>
#include <vector>
#include "platform/buffer.h"
#include "platform/result.h"

constexpr int SITES_FAMILY_TEMPLATES = 16;
constexpr int SITES_FAMILY_FEATURES = 7;

struct SiteCompiled {
    Buffer      params;
    std::string desc;
};

struct FeaturesCompiled {
    Buffer                   params;
    std::vector<std::string> descs;          // kinds 0..5, then 6 own, 6 other
    std::vector<std::string> gather_descs;   // kinds 0..6
};

// One site file; `number` is the template the file name gives. `frame_count` is the number of
// frames the template's painter makes.
Result sites_compile_site(const std::string &text, const std::string &source, int number, int frame_count,
                          SiteCompiled *out, std::string *error);
Result sites_compile_features(const std::string &text, const std::string &source, FeaturesCompiled *out,
                              std::string *error);

int  sites_family_generate(const std::string &root, uint32_t seed);
void sites_family_list_paths(std::vector<std::string> *out);
