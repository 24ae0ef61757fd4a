// Sprites: PNG decoding from the data store into the game's pixel format.
#include "platform/sprite.h"

#include <SDL.h>
#include <png.h>
#include <unistd.h>

#include <csetjmp>
#include <cstring>
#include <new>
#include <vector>

#include "platform/log.h"
#include "platform/sprite_internal.h"
#include "platform/store.h"

namespace {

void store_pixel(uint8_t *p, int bpp, uint32_t v) {
    for (int i = 0; i < bpp; ++i) p[i] = uint8_t(v >> (8 * i));
}

// libpng reports errors through longjmp; these helpers keep only plain data between the setjmp
// and the jump, so no C++ object is skipped over.
struct PngReader {
    png_structp png = nullptr;
    png_infop   info = nullptr;
    png_infop   end_info = nullptr;
    const char *name = "";
};

void png_error_fn(png_structp png, png_const_charp message) {
    const char *name = static_cast<const char *>(png_get_error_ptr(png));
    log_write(LOG_SPRITE, LOG_ERROR, "%s: %s", name ? name : "", message);
    png_longjmp(png, 1);
}

void png_warning_fn(png_structp, png_const_charp) {}

bool png_begin(PngReader *r, const char *name, FILE *stream) {
    r->name = name;
    r->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, const_cast<char *>(name), png_error_fn,
                                    png_warning_fn);
    if (!r->png) {
        log_write(LOG_GAME, LOG_ERROR, "Error creating png read struct");
        return false;
    }
    r->info = png_create_info_struct(r->png);
    r->end_info = r->info ? png_create_info_struct(r->png) : nullptr;
    if (!r->info || !r->end_info) {
        log_write(LOG_GAME, LOG_ERROR, "%s: Error reading PNG", name);
        return false;
    }
    png_init_io(r->png, stream);
    return true;
}

void png_end(PngReader *r) {
    if (r->png) png_destroy_read_struct(&r->png, r->info ? &r->info : nullptr,
                                        r->end_info ? &r->end_info : nullptr);
}

struct PngHeader {
    png_uint_32 width = 0, height = 0;
    int bit_depth = 0, colour_type = 0, interlace = 0, compression = 0, filter = 0;
};

bool png_read_header(PngReader *r, PngHeader *h) {
    if (setjmp(png_jmpbuf(r->png))) return false;
    png_read_info(r->png, r->info);
    png_get_IHDR(r->png, r->info, &h->width, &h->height, &h->bit_depth, &h->colour_type,
                 &h->interlace, &h->compression, &h->filter);
    return true;
}

bool png_read_rows(PngReader *r, png_bytepp rows) {
    if (setjmp(png_jmpbuf(r->png))) return false;
    png_set_interlace_handling(r->png);
    png_read_update_info(r->png, r->info);
    png_read_image(r->png, rows);
    png_read_end(r->png, r->end_info);
    return true;
}

// Reads and checks the header; RES_OK, RES_UNSUPPORTED (logged) or RES_READ_FAILED.
Result png_check_header(PngReader *r, PngHeader *h) {
    if (!png_read_header(r, h)) return RES_READ_FAILED;
    log_write(LOG_SPRITE, LOG_DEBUG,
              "%s: w%i h%i bitdepth %i colortype 0x%x interlace %i compression %i filter %i",
              r->name, int(h->width), int(h->height), h->bit_depth, h->colour_type, h->interlace,
              h->compression, h->filter);
    if (h->colour_type != PNG_COLOR_TYPE_RGB && h->colour_type != PNG_COLOR_TYPE_RGB_ALPHA) {
        log_write(LOG_SPRITE, LOG_ERROR, "%s: Illegal color type 0x%x (required - 0x02 or 0x06)",
                  r->name, h->colour_type);
        return RES_UNSUPPORTED;
    }
    if (h->bit_depth != 8) {
        log_write(LOG_SPRITE, LOG_ERROR, "%s: Illegal bitdepth %i (required - 8)", r->name,
                  h->bit_depth);
        return RES_UNSUPPORTED;
    }
    if (h->width < 1 || h->height < 1 || h->width > png_uint_32(SPRITE_MAX_SIDE) ||
        h->height > png_uint_32(SPRITE_MAX_SIDE) || uint64_t(h->width) * h->height > SPRITE_MAX_PIXELS) {
        log_write(LOG_SPRITE, LOG_ERROR, "%s: Illegal size %ix%i", r->name, int(h->width),
                  int(h->height));
        return RES_READ_FAILED;
    }
    return RES_OK;
}

// The open store entry as a stream, or null (the store's code in *code).
FILE *open_entry(const char *path, Result *code) {
    int fd = store_open_entry(store_get(), path);
    if (fd < 0) {
        *code = result_from_int(fd);
        return nullptr;
    }
    FILE *stream = fdopen(fd, "rb");
    if (!stream) {
        close(fd);
        *code = RES_OPEN_FAILED;
    }
    return stream;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Loading

Sprite *sprite_load_png_stream(const char *name, FILE *stream) {
    PngReader reader;
    Sprite *sprite = nullptr;
    std::vector<uint8_t> image;
    std::vector<png_bytep> rows;
    PngHeader h;
    if (!png_begin(&reader, name, stream) || png_check_header(&reader, &h) != RES_OK) {
        png_end(&reader);
        return nullptr;
    }
    const int channels = h.colour_type == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 3;
    try {
        image.resize(size_t(h.width) * h.height * channels);
        rows.resize(h.height);
        for (png_uint_32 y = 0; y < h.height; ++y) rows[y] = image.data() + size_t(y) * h.width * channels;
        sprite = sprite_create();
        if (sprite) {
            sprite->bytes_per_pixel = sprite_pixel_format()->BytesPerPixel;
            sprite->pixels.resize(size_t(h.width) * h.height * sprite->bytes_per_pixel);
        }
    } catch (const std::bad_alloc &) {
        sprite_free(sprite);
        sprite = nullptr;
    }
    if (!sprite || !png_read_rows(&reader, rows.data())) {
        if (!sprite) log_write(LOG_SPRITE, LOG_ERROR, "%s: Out of memory", name);
        sprite_free(sprite);
        png_end(&reader);
        return nullptr;
    }
    png_end(&reader);

    SDL_PixelFormat *f = sprite_pixel_format();
    sprite->width = int32_t(h.width);
    sprite->height = int32_t(h.height);
    sprite->colour_key = SDL_MapRGB(f, SPRITE_KEY_R, SPRITE_KEY_G, SPRITE_KEY_B);
    const int bpp = sprite->bytes_per_pixel;
    const uint8_t *src = image.data();
    uint8_t *dst = sprite->pixels.data();
    for (size_t i = 0, n = size_t(h.width) * h.height; i < n; ++i, src += channels, dst += bpp) {
        uint32_t v = (channels == 4 && src[3] == 0) ? sprite->colour_key
                                                     : SDL_MapRGB(f, src[0], src[1], src[2]);
        store_pixel(dst, bpp, v);
    }
    if (!sprite_make_surface(sprite, name)) {
        sprite_free(sprite);
        return nullptr;
    }
    sprite_build_spans(sprite);
    return sprite;
}

Sprite *sprite_load_png(const char *path) {
    Result code = RES_OK;
    FILE *stream = open_entry(path, &code);
    if (!stream) return nullptr;
    Sprite *sprite = sprite_load_png_stream(path, stream);
    std::fclose(stream);
    return sprite;
}

Result sprite_check_png_stream(const char *name, FILE *stream, int *width, int *height) {
    PngReader reader;
    PngHeader h;
    Result code = RES_READ_FAILED;
    if (png_begin(&reader, name, stream)) code = png_check_header(&reader, &h);
    png_end(&reader);
    if (code == RES_OK) {
        if (width) *width = int(h.width);
        if (height) *height = int(h.height);
    }
    return code;
}

Result sprite_check_png(const char *path, int *width, int *height) {
    Result code = RES_OK;
    FILE *stream = open_entry(path, &code);
    if (!stream) return code;
    code = sprite_check_png_stream(path, stream, width, height);
    std::fclose(stream);
    return code;
}
