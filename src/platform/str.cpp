#include "platform/str.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>

int str_set(std::string *field, const char *source) {
    if (!field) return -1;
    try {
        field->assign(source ? source : "");
    } catch (const std::bad_alloc &) {
        return -1;
    }
    return static_cast<int>(field->size()) + 1;
}

int str_set_n(std::string *field, const char *source, int32_t n) {
    if (!field) return -1;
    if (n < 1 || !source) return str_set(field, "");
    try {
        field->assign(source, static_cast<size_t>(n));
    } catch (const std::bad_alloc &) {
        return -1;
    }
    return n;
}

int str_set_trimmed(std::string *field, const char *source) {
    if (!field) return -1;
    const char *begin = source ? source : "";
    const char *end = begin + std::strlen(begin);
    while (begin < end && std::isspace(static_cast<unsigned char>(*begin))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(end[-1]))) --end;
    try {
        field->assign(begin, end);
    } catch (const std::bad_alloc &) {
        return -1;
    }
    return field->empty() ? 1 : static_cast<int>(field->size());
}

int str_append(std::string *field, const char *source) {
    if (!field) return -1;
    if (source && *source) {
        try {
            field->append(source);
        } catch (const std::bad_alloc &) {
            return -1;
        }
    }
    return static_cast<int>(field->size());
}

int str_vprintf(std::string *field, const char *format, va_list args) {
    if (!field) return -1;
    if (!format) {
        field->clear();
        return -1;
    }
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0 || length >= STR_FORMAT_LIMIT) {
        field->clear();
        field->shrink_to_fit();
        return -1;
    }
    try {
        field->resize(static_cast<size_t>(length));
    } catch (const std::bad_alloc &) {
        field->clear();
        return -1;
    }
    // The string keeps room for its terminator, so length + 1 bytes may be written.
    std::vsnprintf(field->data(), static_cast<size_t>(length) + 1, format, args);
    return length;
}

int str_printf(std::string *field, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = str_vprintf(field, format, args);
    va_end(args);
    return result;
}

int str_appendf(std::string *field, const char *format, ...) {
    std::string piece;
    va_list args;
    va_start(args, format);
    const int length = str_vprintf(&piece, format, args);
    va_end(args);
    if (length < 0 || !field) return -1;
    try {
        field->append(piece);
    } catch (const std::bad_alloc &) {
        return -1;
    }
    return static_cast<int>(field->size());
}

std::string str_format(const char *format, ...) {
    std::string text;
    va_list args;
    va_start(args, format);
    (void)str_vprintf(&text, format, args);   // a failure leaves text empty, which is the answer
    va_end(args);
    return text;
}

std::string str_dup(const char *source) { return source ? std::string(source) : std::string(); }

std::string str_dup_n(const char *source, int32_t n) {
    if (n < 1 || !source) return std::string();
    return std::string(source, static_cast<size_t>(n));
}

int str_is_blank(const char *text) {
    if (!text) return -1;
    for (; *text; ++text)
        if (*text != ' ') return 0;
    return 1;
}

int str_is_integer(const char *text) {
    if (!text) return 0;
    for (const char *p = text; *p; ++p) {
        if (*p >= '0' && *p <= '9') continue;
        if ((*p == '+' || *p == '-') && p == text) continue;
        return 0;
    }
    return 1;
}

uint32_t str_hash(const char *text) {
    uint32_t h = 5381;
    if (!text) return h;
    for (const char *p = text; *p; ++p)
        h = h * 33u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*p)));
    return h;
}

char char_to_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char char_to_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Boyer-Moore with the bad-character rule: the pattern is compared from its end, and on a mismatch
// it slides so that the text byte lines up with its last occurrence in the pattern (at least by one).
template <bool FoldCase>
static const char *find_bytes(const char *text, int32_t text_length, const char *pattern,
                              int32_t pattern_length) {
    if (!text || !pattern || text_length < 1 || pattern_length < 1 || pattern_length > text_length)
        return nullptr;
    int32_t last[256];
    for (int32_t &slot : last) slot = -1;
    for (int32_t i = 0; i < pattern_length; ++i) {
        const char c = pattern[i];
        if constexpr (FoldCase) {
            last[static_cast<unsigned char>(char_to_lower(c))] = i;
            last[static_cast<unsigned char>(char_to_upper(c))] = i;
        } else {
            last[static_cast<unsigned char>(c)] = i;
        }
    }
    auto same = [](char a, char b) {
        if constexpr (FoldCase) return char_to_lower(a) == char_to_lower(b);
        else return a == b;
    };
    int32_t shift = 0;
    while (shift <= text_length - pattern_length) {
        int32_t j = pattern_length - 1;
        while (j >= 0 && same(pattern[j], text[shift + j])) --j;
        if (j < 0) return text + shift;
        const int32_t skip = j - last[static_cast<unsigned char>(text[shift + j])];
        shift += skip > 1 ? skip : 1;
    }
    return nullptr;
}

const char *str_find(const char *text, int32_t text_length, const char *pattern, int32_t pattern_length) {
    return find_bytes<false>(text, text_length, pattern, pattern_length);
}

const char *str_find_nocase(const char *text, int32_t text_length, const char *pattern,
                            int32_t pattern_length) {
    return find_bytes<true>(text, text_length, pattern, pattern_length);
}

void str_to_wide(char16_t *wide, const char *text, int32_t capacity) {
    if (!wide || capacity < 1) return;
    int32_t i = 0;
    if (text)
        for (; i < capacity - 1 && text[i]; ++i) wide[i] = static_cast<unsigned char>(text[i]);
    wide[i] = 0;
}

void str_from_wide(char (&out)[STR_WIDE_CAPACITY], const char16_t *wide) {
    int32_t i = 0;
    if (wide)
        for (; i < STR_WIDE_CAPACITY - 1 && wide[i]; ++i) out[i] = static_cast<char>(wide[i] & 0xFF);
    out[i] = 0;
}
