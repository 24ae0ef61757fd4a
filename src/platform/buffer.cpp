#include "platform/buffer.h"

#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include "platform/log.h"

Buffer::~Buffer() { std::free(data); }

Buffer *buffer_create() { return new (std::nothrow) Buffer(); }

void buffer_free(Buffer *buf) { delete buf; }

void buffer_set_cursor(Buffer *buf, int32_t offset) { buf->cursor = offset < 0 ? 0 : offset; }

Result buffer_append(Buffer *buf, const void *bytes, size_t n) {
    if (n == 0) return RES_OK;
    if (n > static_cast<size_t>(INT32_MAX - buf->length)) {
        log_write(LOG_NONE, LOG_ERROR, "Buffer of %i bytes cannot grow by %zu bytes", buf->length, n);
        return RES_NO_MEMORY;
    }
    const int64_t need = static_cast<int64_t>(buf->length) + static_cast<int64_t>(n) - buf->capacity;
    if (need > 0) {
        const int64_t step = buf->growth_step > 0 ? buf->growth_step : BUFFER_GROWTH_STEP;
        const int64_t steps = (need + step - 1) / step;
        int64_t capacity = buf->capacity + steps * step;
        if (capacity > INT32_MAX) capacity = INT32_MAX;
        void *grown = std::realloc(buf->data, static_cast<size_t>(capacity));
        if (!grown) {
            log_write(LOG_NONE, LOG_ERROR, "Failed to allocate heap memory (%lli bytes) for a buffer",
                      static_cast<long long>(capacity));
            return RES_NO_MEMORY;
        }
        buf->data = static_cast<uint8_t *>(grown);
        buf->capacity = static_cast<int32_t>(capacity);
    }
    std::memcpy(buf->data + buf->length, bytes, n);
    buf->length += static_cast<int32_t>(n);
    return RES_OK;
}

void buffer_clear(Buffer *buf) { buf->length = 0; }

void buffer_truncate(Buffer *buf, int32_t length) {
    if (length >= 0 && length < buf->length) buf->length = length;
}

Result buffer_get_data(const Buffer *buf, const uint8_t **data, int32_t *length) {
    if (data) *data = buf->data;
    if (length) *length = buf->length;
    return RES_OK;
}

int64_t buffer_remaining(const Buffer *buf) {
    return static_cast<int64_t>(buf->length) - static_cast<int64_t>(buf->cursor);
}

// ---- writers ----

static void put_be32(uint8_t *p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

static uint32_t get_be32(const uint8_t *p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

Result buffer_write_u8(Buffer *buf, uint8_t value) { return buffer_append(buf, &value, 1); }

Result buffer_write_u32(Buffer *buf, uint32_t value) {
    uint8_t bytes[4];
    put_be32(bytes, value);
    return buffer_append(buf, bytes, sizeof bytes);
}

Result buffer_write_i32(Buffer *buf, int32_t value) {
    return buffer_write_u32(buf, static_cast<uint32_t>(value));
}

Result buffer_write_u64(Buffer *buf, uint64_t value) {
    uint8_t bytes[8];
    put_be32(bytes, static_cast<uint32_t>(value >> 32));
    put_be32(bytes + 4, static_cast<uint32_t>(value));
    return buffer_append(buf, bytes, sizeof bytes);
}

Result buffer_write_i64(Buffer *buf, int64_t value) {
    return buffer_write_u64(buf, static_cast<uint64_t>(value));
}

Result buffer_write_raw_u32(Buffer *buf, uint32_t bits) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                              static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
    return buffer_append(buf, bytes, sizeof bytes);
}

Result buffer_write_f32(Buffer *buf, float value) {
    return buffer_write_raw_u32(buf, std::bit_cast<uint32_t>(value));
}

static Result write_string_bytes(Buffer *buf, const char *text, size_t n) {
    if (n > static_cast<size_t>(INT32_MAX)) return RES_NO_MEMORY;   // no reader could take it back
    if (Result r = buffer_write_u32(buf, static_cast<uint32_t>(n)); r != RES_OK) return r;
    return buffer_append(buf, text, n);
}

Result buffer_write_string(Buffer *buf, const char *text) {
    return write_string_bytes(buf, text, text ? std::strlen(text) : 0);
}

Result buffer_write_string(Buffer *buf, const std::string &text) {
    return write_string_bytes(buf, text.data(), text.size());
}

// ---- readers ----

// The next n bytes, or null (cursor untouched) when fewer remain.
static const uint8_t *take(Buffer *buf, int32_t n) {
    if (buf->cursor < 0 || buffer_remaining(buf) < n) return nullptr;
    const uint8_t *p = buf->data + buf->cursor;
    buf->cursor += n;
    return p;
}

Result buffer_read_u8(Buffer *buf, uint8_t *out) {
    const uint8_t *p = take(buf, 1);
    if (!p) return RES_SHORT_BUFFER;
    if (out) *out = *p;
    return RES_OK;
}

Result buffer_read_u32(Buffer *buf, uint32_t *out) {
    const uint8_t *p = take(buf, 4);
    if (!p) return RES_SHORT_BUFFER;
    if (out) *out = get_be32(p);
    return RES_OK;
}

Result buffer_read_i32(Buffer *buf, int32_t *out) {
    const uint8_t *p = take(buf, 4);
    if (!p) return RES_SHORT_BUFFER;
    if (out) *out = static_cast<int32_t>(get_be32(p));
    return RES_OK;
}

Result buffer_read_u64(Buffer *buf, uint64_t *out) {
    const uint8_t *p = take(buf, 8);
    if (!p) return RES_SHORT_BUFFER;
    if (out) *out = (static_cast<uint64_t>(get_be32(p)) << 32) | get_be32(p + 4);
    return RES_OK;
}

Result buffer_read_i64(Buffer *buf, int64_t *out) {
    uint64_t bits = 0;
    Result r = buffer_read_u64(buf, out ? &bits : nullptr);
    if (r == RES_OK && out) *out = static_cast<int64_t>(bits);
    return r;
}

Result buffer_read_raw_u32(Buffer *buf, uint32_t *out) {
    const uint8_t *p = take(buf, 4);
    if (!p) return RES_SHORT_BUFFER;
    if (out) {
        *out = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
               (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    }
    return RES_OK;
}

Result buffer_read_f32(Buffer *buf, float *out) {
    uint32_t bits = 0;
    Result r = buffer_read_raw_u32(buf, out ? &bits : nullptr);
    if (r == RES_OK && out) *out = std::bit_cast<float>(bits);
    return r;
}

Result buffer_read_count(Buffer *buf, uint32_t min_item_bytes, int32_t *out) {
    int32_t count = 0;
    if (Result r = buffer_read_i32(buf, &count); r != RES_OK) return r;
    if (count < 0) return RES_MALFORMED;
    const uint64_t item_bytes = min_item_bytes ? min_item_bytes : 1;
    const int64_t left = buffer_remaining(buf);
    if (left < 0 || static_cast<uint64_t>(count) * item_bytes > static_cast<uint64_t>(left))
        return RES_SHORT_BUFFER;
    if (out) *out = count;
    return RES_OK;
}

Result buffer_read_string(Buffer *buf, std::string *out) {
    int32_t n = 0;
    if (Result r = buffer_read_count(buf, 1, &n); r != RES_OK) return r;
    const char *bytes = reinterpret_cast<const char *>(buf->data + buf->cursor);
    buf->cursor += n;
    if (!out) return RES_OK;
    try {
        out->assign(bytes, static_cast<size_t>(n));
    } catch (const std::bad_alloc &) {
        out->clear();
        log_write(LOG_NONE, LOG_ERROR, "Failed to allocate heap memory (%i bytes) for a string", n);
        return RES_NO_MEMORY;
    }
    return RES_OK;
}
