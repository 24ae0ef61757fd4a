#pragma once
// Heap strings: every owned text field of a record (names, paths, descriptions, messages) is a
// std::string that these helpers fill, plus the byte, search and hash helpers text code shares.
//  - Byte strings: no encoding is assumed; lengths are byte counts.
//  - A null source always gives an empty string, so a field that was set once can be printed as is.
//  - Setters return a count (documented per helper) or -1 when memory ran out; the setters leave the
//    field as it was on failure, the formatters leave it empty.
//  - Formatted text is limited to STR_FORMAT_LIMIT - 1 bytes; longer text is refused with -1.
//  - No state and no locks: a string belongs to the record holding it.
#include <cstdarg>
#include <cstdint>
#include <string>

constexpr int32_t STR_FORMAT_LIMIT = 2 * 1024 * 1024;   // bytes of a formatted result with its NUL
constexpr int32_t STR_WIDE_CAPACITY = 1024;             // bytes str_from_wide writes at most, NUL included

// Setters. The field pointer is the address of the owned std::string; a null one gives -1.
int str_set(std::string *field, const char *source);                 // length + 1
int str_set_n(std::string *field, const char *source, int32_t n);    // n bytes of source (it holds them); n < 1: "" and 1
int str_set_trimmed(std::string *field, const char *source);         // length, or 1 when the result is empty
int str_append(std::string *field, const char *source);              // new length; -1 for a null field
int str_printf(std::string *field, const char *format, ...) __attribute__((format(printf, 2, 3)));
int str_vprintf(std::string *field, const char *format, va_list args);
int str_appendf(std::string *field, const char *format, ...) __attribute__((format(printf, 2, 3)));

// Makers.
std::string str_format(const char *format, ...) __attribute__((format(printf, 1, 2)));  // "" on failure
std::string str_dup(const char *source);                  // "" for null
std::string str_dup_n(const char *source, int32_t n);     // first n bytes; "" for n < 1 or a null source

// Queries.
int      str_is_blank(const char *text);     // -1 null; 1 empty or spaces (byte 32) only; else 0
int      str_is_integer(const char *text);   // 1 when digits with an optional leading sign (or empty); else 0
uint32_t str_hash(const char *text);         // djb2 over the bytes taken as signed; 5381 for "" or null
char     char_to_lower(char c);              // ASCII letters only; other bytes unchanged
char     char_to_upper(char c);

// First occurrence of the pattern in the text, or null (also for an empty text or pattern).
const char *str_find(const char *text, int32_t text_length, const char *pattern, int32_t pattern_length);
const char *str_find_nocase(const char *text, int32_t text_length, const char *pattern,
                            int32_t pattern_length);   // ASCII letters match either case

// Byte-to-UTF-16 widening for ASCII paths: bytes map to code units 0..255.
void str_to_wide(char16_t *wide, const char *text, int32_t capacity);   // at most capacity - 1 units + NUL
void str_from_wide(char (&out)[STR_WIDE_CAPACITY], const char16_t *wide);   // low byte of each unit
