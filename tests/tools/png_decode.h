#pragma once
// Test helper: decodes a PNG held in memory with libpng, without any conversion, so the tests
// see exactly the colour type, depth and pixels that the file holds.
#include <cstdint>
#include <cstring>
#include <png.h>
#include <vector>

struct DecodedPng {
    bool                 ok = false;
    uint32_t             width = 0, height = 0;
    int                  bit_depth = 0, colour_type = -1, interlace = -1;
    std::vector<uint8_t> pixels;   // rows of width x channels bytes
    int channels() const { return colour_type == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 3; }
};

namespace png_decode_detail {
struct Source {
    const uint8_t *data;
    size_t         size, at;
};
inline void read_fn(png_structp png, png_bytep out, png_size_t n) {
    auto *src = static_cast<Source *>(png_get_io_ptr(png));
    if (src->at + n > src->size) png_error(png, "short");
    std::memcpy(out, src->data + src->at, n);
    src->at += n;
}
}  // namespace png_decode_detail

inline DecodedPng png_decode(const uint8_t *data, size_t size, bool header_only = false) {
    DecodedPng out;
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0) return out;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return out;
    }
    png_decode_detail::Source src{data, size, 0};
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return DecodedPng{};
    }
    png_set_read_fn(png, &src, png_decode_detail::read_fn);
    png_read_info(png, info);
    out.width = png_get_image_width(png, info);
    out.height = png_get_image_height(png, info);
    out.bit_depth = png_get_bit_depth(png, info);
    out.colour_type = png_get_color_type(png, info);
    out.interlace = png_get_interlace_type(png, info);
    if (!header_only && out.bit_depth == 8 &&
        (out.colour_type == PNG_COLOR_TYPE_RGB || out.colour_type == PNG_COLOR_TYPE_RGB_ALPHA)) {
        const size_t stride = size_t(out.width) * out.channels();
        out.pixels.resize(stride * out.height);
        rows.resize(out.height);
        for (uint32_t y = 0; y < out.height; ++y) rows[y] = out.pixels.data() + stride * y;
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    out.ok = true;
    return out;
}
