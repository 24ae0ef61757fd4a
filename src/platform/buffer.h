#pragma once
// Buffer: the growable byte array with a read cursor, and the codec of every file we keep.
//  - Owns its bytes. Holds whole files read from the store or the save folder, save games while they
//    are written, and a frame's draw commands. A Buffer may live on the stack (its destructor frees the
//    bytes) or come from buffer_create / buffer_free.
//  - Wire format: integers big-endian (u64 and i64 high 32-bit word first); f32 as its four IEEE bytes
//    little-endian; a string is a u32 byte count and the bytes, no terminator; a list is an i32 count
//    and the items; booleans, enums and flags are i32.
//  - Writers append at the end and grow the capacity in whole growth steps (1024 bytes); they fail
//    only with RES_NO_MEMORY, leaving the contents as they were.
//  - Readers read at the cursor. A null out pointer skips the value. A fixed-size read that would
//    pass the length returns RES_SHORT_BUFFER and changes neither the cursor nor *out.
//  - A string length or list count read from a file is checked against the bytes left before anything
//    is allocated: negative gives RES_MALFORMED, more than the bytes left can hold gives
//    RES_SHORT_BUFFER. Either way the cursor has passed the length or count word.
//    Record readers take every count through buffer_read_count.
//  - Not thread-safe: the draw queue hands whole buffers between threads under its own lock.
#include <cstddef>
#include <cstdint>
#include <string>
#include "platform/result.h"

constexpr int32_t BUFFER_GROWTH_STEP = 1024;

struct Buffer {
    uint8_t *data = nullptr;                     // null while nothing was ever appended
    int32_t  length = 0;                         // bytes in use
    int32_t  capacity = 0;                       // bytes allocated, grown in whole growth steps
    int32_t  growth_step = BUFFER_GROWTH_STEP;   // never 0
    int32_t  cursor = 0;                         // next byte to read; may lie past the length

    Buffer() = default;
    Buffer(const Buffer &) = delete;
    Buffer &operator=(const Buffer &) = delete;
    ~Buffer();
};

// Management.
Buffer *buffer_create();                          // empty buffer; null when out of memory
void    buffer_free(Buffer *buf);                 // null is ignored
void    buffer_set_cursor(Buffer *buf, int32_t offset);   // 0 rewinds; a negative offset counts as 0
Result  buffer_append(Buffer *buf, const void *bytes, size_t n);
void    buffer_clear(Buffer *buf);                // length 0; cursor and capacity are kept
void    buffer_truncate(Buffer *buf, int32_t length);     // only when 0 <= length < current length
Result  buffer_get_data(const Buffer *buf, const uint8_t **data, int32_t *length);  // null outs skipped
int64_t buffer_remaining(const Buffer *buf);      // length - cursor; negative when the cursor is past it

// Writers.
Result buffer_write_u8(Buffer *buf, uint8_t value);
Result buffer_write_u32(Buffer *buf, uint32_t value);
Result buffer_write_i32(Buffer *buf, int32_t value);
Result buffer_write_u64(Buffer *buf, uint64_t value);
Result buffer_write_i64(Buffer *buf, int64_t value);
Result buffer_write_raw_u32(Buffer *buf, uint32_t bits);  // the four bytes little-endian (f32 form)
Result buffer_write_f32(Buffer *buf, float value);
Result buffer_write_string(Buffer *buf, const char *text);        // null is written as length 0
Result buffer_write_string(Buffer *buf, const std::string &text);

// Readers.
Result buffer_read_u8(Buffer *buf, uint8_t *out);
Result buffer_read_u32(Buffer *buf, uint32_t *out);
Result buffer_read_i32(Buffer *buf, int32_t *out);
Result buffer_read_u64(Buffer *buf, uint64_t *out);
Result buffer_read_i64(Buffer *buf, int64_t *out);
Result buffer_read_raw_u32(Buffer *buf, uint32_t *out);    // four bytes little-endian (f32 form)
Result buffer_read_f32(Buffer *buf, float *out);
inline Result buffer_read_be32(Buffer *buf, uint32_t *out) { return buffer_read_u32(buf, out); }

// Replaces *out by the string's bytes. RES_NO_MEMORY leaves *out empty; other failures leave it alone.
Result buffer_read_string(Buffer *buf, std::string *out);

// Reads an i32 count of items that take at least min_item_bytes each on the wire (0 counts as 1), and
// refuses it unless count * min_item_bytes bytes remain after the count word. Use it for every list
// count read from a file, before reserving room for the items.
Result buffer_read_count(Buffer *buf, uint32_t min_item_bytes, int32_t *out);
