// Content sources: the content folder, whole-file reads and the block format.
#include "assetgen/content_source.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#ifndef ASTROVANE_CONTENT_DIR
#define ASTROVANE_CONTENT_DIR "content"
#endif

std::string content_root() {
    const char *over = std::getenv("ASTROVANE_CONTENT_DIR");
    return over && over[0] ? over : ASTROVANE_CONTENT_DIR;
}

std::string content_trim(const std::string &text) {
    const char *space = " \t\r\n";
    const size_t first = text.find_first_not_of(space);
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

Result content_read(const std::string &relative, std::string *text, std::string *error) {
    const std::string path = content_root() + "/" + relative;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = path + ": cannot be read";
        return RES_OPEN_FAILED;
    }
    std::ostringstream body;
    body << in.rdbuf();
    *text = body.str();
    return RES_OK;
}

Result content_parse_blocks(const std::string &text, const std::string &source, std::vector<ContentBlock> *blocks,
                            std::string *error) {
    blocks->clear();
    std::istringstream in(text);
    std::string raw;
    for (int line = 1; std::getline(in, raw); ++line) {
        const std::string trimmed = content_trim(raw);
        auto refuse = [&](const char *why) {
            if (error) *error = source + ":" + std::to_string(line) + ": " + why;
            return RES_MALFORMED;
        };
        if (trimmed.empty() || trimmed[0] == '#') continue;
        if (trimmed.front() == '[') {
            if (trimmed.back() != ']') return refuse("a block header ends in ']'");
            ContentBlock block;
            block.header = content_trim(trimmed.substr(1, trimmed.size() - 2));
            block.line = line;
            blocks->push_back(std::move(block));
            continue;
        }
        const size_t eq = trimmed.find('=');
        if (eq == std::string::npos) return refuse("expected \"key = value\"");
        if (blocks->empty()) return refuse("a field before the first block");
        ContentField field{content_trim(trimmed.substr(0, eq)), content_trim(trimmed.substr(eq + 1)), line};
        if (field.key.empty()) return refuse("a field without a key");
        blocks->back().fields.push_back(std::move(field));
    }
    return RES_OK;
}

Result content_parse_ints(const std::string &value, std::vector<int32_t> *out) {
    out->clear();
    std::istringstream in(value);
    std::string word;
    while (in >> word) {
        errno = 0;
        char *end = nullptr;
        const long long v = std::strtoll(word.c_str(), &end, 10);
        if (*end != '\0' || errno != 0 || v < INT32_MIN || v > INT32_MAX) return RES_MALFORMED;
        out->push_back(int32_t(v));
    }
    return RES_OK;
}
