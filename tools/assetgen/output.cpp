// PNG encoding, file and text output, and the worker split of the generator.
#include "assetgen/output.h"

#include <atomic>
#include <cstdio>
#include <png.h>
#include <thread>
#include "assetgen/canvas.h"
#include "platform/buffer.h"
#include "platform/files.h"

namespace {

void png_write_to_vector(png_structp png, png_bytep data, png_size_t length) {
    auto *out = static_cast<std::vector<uint8_t> *>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void png_flush_nothing(png_structp) {}

Result ensure_parent(const std::string &file) {
    size_t slash = file.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return RES_OK;
    return make_directory(file.substr(0, slash).c_str());
}

}  // namespace

Result png_encode(const uint8_t *pixels, int width, int height, int channels, std::vector<uint8_t> *out) {
    if ((channels != 3 && channels != 4) || width < 1 || height < 1) return RES_OUT_OF_RANGE;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return RES_NO_MEMORY;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return RES_NO_MEMORY;
    }
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        rows[size_t(y)] = const_cast<png_bytep>(pixels + size_t(y) * width * channels);
    out->clear();
    if (setjmp(png_jmpbuf(png))) {   // libpng reports its errors by jumping back here
        png_destroy_write_struct(&png, &info);
        return RES_WRITE_FAILED;
    }
    png_set_write_fn(png, out, png_write_to_vector, png_flush_nothing);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8,
                 channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 6);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return RES_OK;
}

Result output_bytes(const std::string &root, const std::string &path, const std::vector<uint8_t> &bytes) {
    const std::string file = root + "/" + path;
    Result res = ensure_parent(file);
    if (res == RES_OK) res = write_file_bytes(file.c_str(), bytes.data(), bytes.size());
    if (res != RES_OK) std::fprintf(stderr, "assetgen: cannot write %s (%d)\n", file.c_str(), int(res));
    return res;
}

Result output_params(const std::string &root, const std::string &path, const Buffer &params) {
    return output_bytes(root, path, std::vector<uint8_t>(params.data, params.data + params.length));
}

std::string text_normalise(const std::string &text) {
    std::string out;
    out.reserve(text.size() + 1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    while (out.size() > 1 && out[out.size() - 1] == '\n' && out[out.size() - 2] == '\n') out.pop_back();
    if (!out.empty() && out.back() != '\n') out += '\n';
    return out;
}

Result output_text(const std::string &root, const std::string &path, const std::string &text) {
    const std::string normal = text_normalise(text);
    return output_bytes(root, path, std::vector<uint8_t>(normal.begin(), normal.end()));
}

Result output_png_rgb(const std::string &root, const std::string &path, const Canvas &canvas,
                      bool dither, uint32_t seed) {
    std::vector<uint8_t> png;
    const std::vector<uint8_t> pixels = canvas_to_rgb8(canvas, dither, seed);
    Result res = png_encode(pixels.data(), canvas.width, canvas.height, 3, &png);
    if (res != RES_OK) {
        std::fprintf(stderr, "assetgen: cannot encode %s (%d)\n", path.c_str(), int(res));
        return res;
    }
    return output_bytes(root, path, png);
}

Result output_png_rgba(const std::string &root, const std::string &path, const Canvas &canvas) {
    std::vector<uint8_t> png;
    const std::vector<uint8_t> pixels = canvas_to_rgba8(canvas);
    Result res = png_encode(pixels.data(), canvas.width, canvas.height, 4, &png);
    if (res != RES_OK) {
        std::fprintf(stderr, "assetgen: cannot encode %s (%d)\n", path.c_str(), int(res));
        return res;
    }
    return output_bytes(root, path, png);
}

void parallel_for(int count, int threads, void (*body)(int, void *), void *context) {
    std::atomic<int> next{0};
    auto worker = [&] {
        for (int i; (i = next.fetch_add(1)) < count;) body(i, context);
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < std::min(threads, count); ++t) pool.emplace_back(worker);
    worker();
    for (std::thread &t : pool) t.join();
}
