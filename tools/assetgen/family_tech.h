#pragma once
// The technology family: the 57 technologies, their descriptions and the bonus texts.
//  - content/tech/techs.txt, one [tech <n>] block per technology 0..56 in order ->
//    "tech/params.dat" (the entries back to back) and "tech/%.3i/desc.txt" (its desc field).
//  - content/tech/bonus.txt, one [bonus <c>] block per bonus category 0..2 -> "tech/bonus/%.3i.txt".
//  - Refused: a missing or extra technology, a repeated name, a prerequisite that is unknown, itself
//    or part of a cycle, a starting technology whose prerequisites are not granted at the same
//    setting or lower, an effect outside its range, an icon outside the image types 0..212.
#include <cstdint>
#include <string>
#include <vector>
#include "platform/buffer.h"
#include "platform/result.h"

constexpr int TECH_FAMILY_COUNT       = 57;
constexpr int TECH_FAMILY_BONUS_COUNT = 3;

struct TechContent {
    Buffer                   params;    // "tech/params.dat"
    std::vector<std::string> descs;     // by tech number
    std::vector<std::string> bonus_texts;
};

// Compiles both sources; RES_MALFORMED with "source:line: message" when refused.
Result tech_compile(const std::string &techs_text, const std::string &bonus_text, TechContent *out,
                    std::string *error);

int  tech_family_generate(const std::string &root, uint32_t seed);   // 0, else a message on stderr
void tech_family_list_paths(std::vector<std::string> *out);
