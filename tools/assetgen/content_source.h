#pragma once
// Content sources: the readable files below content/ that the compiling families turn into store
// files, and the one block format they share.
//  - The content folder is the source tree's content/ (fixed at build time); the environment
//    variable ASTROVANE_CONTENT_DIR replaces it, for tests and for trying out other content.
//  - Block format: "# ..." lines and blank lines are ignored; "[header words]" opens a block;
//    "key = value" lines (split at the first '=', both sides trimmed) belong to the open block.
//    A field outside any block, or a line that is neither, is refused with its line number.
//  - Every failure is reported through `error` as "file:line: message".
#include <cstdint>
#include <string>
#include <vector>
#include "platform/result.h"

struct ContentField {
    std::string key;
    std::string value;
    int         line = 0;
};

struct ContentBlock {
    std::string               header;   // the words between the brackets, trimmed
    int                       line = 0;
    std::vector<ContentField> fields;   // in file order; a key may repeat
};

std::string content_root();
// Reads content/<relative> whole. RES_OPEN_FAILED with a message when it cannot be read.
Result content_read(const std::string &relative, std::string *text, std::string *error);
Result content_parse_blocks(const std::string &text, const std::string &source, std::vector<ContentBlock> *blocks,
                            std::string *error);
// Whitespace-separated integers; RES_MALFORMED for anything else or a value out of i32 range.
Result content_parse_ints(const std::string &value, std::vector<int32_t> *out);
std::string content_trim(const std::string &text);
