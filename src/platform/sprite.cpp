// Sprites: PNG loading, spans and hit masks, glow maps, and the sprite draw commands.
#include "platform/sprite.h"

#include <SDL.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <new>
#include <string>

#include "platform/log.h"
#include "platform/graphics.h"
#include "platform/random.h"
#include "platform/store.h"

namespace {

// The game's own 4-byte format (blue in byte 0, green in 1, red in 2), used before a screen exists
// (tools and tests that load pictures without a video mode).
SDL_PixelFormat make_default_format() {
    SDL_PixelFormat f{};
    f.BitsPerPixel = 32;
    f.BytesPerPixel = 4;
    f.Rshift = 16; f.Gshift = 8; f.Bshift = 0; f.Ashift = 0;
    f.Rmask = 0x00FF0000u; f.Gmask = 0x0000FF00u; f.Bmask = 0x000000FFu; f.Amask = 0;
    f.Aloss = 8;
    f.alpha = 255;
    return f;
}

SDL_PixelFormat *pixel_format() {
    static SDL_PixelFormat fallback = make_default_format();
    return gfx_screen()->format ? gfx_screen()->format : &fallback;
}

uint32_t load_pixel(const uint8_t *p, int bpp) {
    switch (bpp) {
    case 4: { uint32_t v; std::memcpy(&v, p, 4); return v; }
    case 3: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    case 2: return uint32_t(p[0]) | uint32_t(p[1]) << 8;
    default: return p[0];
    }
}

inline uint8_t clamp_byte(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

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

bool make_surface(Sprite *s, const char *name) {
    const SDL_PixelFormat *f = pixel_format();
    s->surface = SDL_CreateRGBSurfaceFrom(s->pixels.data(), s->width, s->height,
                                          s->bytes_per_pixel * 8, s->width * s->bytes_per_pixel,
                                          f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (!s->surface) {
        log_write(LOG_SPRITE, LOG_ERROR, "%s: Error creating sprite surface - %s", name,
                  SDL_GetError());
        return false;
    }
    if (SDL_SetColorKey(s->surface, SDL_SRCCOLORKEY | SDL_RLEACCEL, s->colour_key) != 0) {
        log_write(LOG_SPRITE, LOG_ERROR, "%s: Error setting sprite surface color key - %s", name,
                  SDL_GetError());
        return false;
    }
    return true;
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

std::string numbered_path(const char *dir, int i) {
    char name[32];
    std::snprintf(name, sizeof name, "/%.3i.png", i);
    return std::string(dir) + name;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Lifetime

Sprite *sprite_create() { return new (std::nothrow) Sprite(); }

void sprite_free(Sprite *sprite) {
    if (!sprite) return;
    if (sprite->surface) SDL_FreeSurface(sprite->surface);
    delete sprite;
}

void sprite_addref(Sprite *sprite) {
    if (!sprite) return;
    std::lock_guard<std::mutex> lock(sprite->mutex);
    ++sprite->refcount;
}

void sprite_release(Sprite *sprite) {
    if (!sprite) return;
    bool last;
    {
        std::lock_guard<std::mutex> lock(sprite->mutex);
        last = --sprite->refcount < 1;
    }
    if (last) sprite_free(sprite);
}

void sprite_array_release(Sprite **sprites, int count) {
    if (!sprites) return;
    for (int i = 0; i < count; ++i) {
        if (sprites[i]) sprite_release(sprites[i]);
        sprites[i] = nullptr;
    }
    delete[] sprites;
}

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
            sprite->bytes_per_pixel = pixel_format()->BytesPerPixel;
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

    SDL_PixelFormat *f = pixel_format();
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
    if (!make_surface(sprite, name)) {
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

static Sprite **load_numbered(const char *dir, int *count, bool masks_only) {
    std::vector<Sprite *> loaded;
    for (int i = 0;; ++i) {
        Sprite *s = sprite_load_png(numbered_path(dir, i).c_str());
        if (!s) break;
        if (masks_only) {
            if (s->surface) SDL_FreeSurface(s->surface);
            s->surface = nullptr;
            std::vector<uint32_t>().swap(s->spans);
            std::vector<uint8_t>().swap(s->pixels);
            std::vector<uint8_t>().swap(s->outline);
            std::vector<uint16_t>().swap(s->angles);
            s->flags = 0;
        }
        loaded.push_back(s);
    }
    *count = int(loaded.size());
    if (loaded.empty()) return nullptr;
    Sprite **array = new (std::nothrow) Sprite *[loaded.size()];
    if (!array) {
        for (Sprite *s : loaded) sprite_free(s);
        *count = 0;
        return nullptr;
    }
    for (size_t i = 0; i < loaded.size(); ++i) {
        sprite_addref(loaded[i]);
        array[i] = loaded[i];
    }
    return array;
}

Sprite **sprite_load_numbered(const char *dir, int *count) { return load_numbered(dir, count, false); }

Sprite **sprite_load_numbered_masks(const char *dir, int *count) { return load_numbered(dir, count, true); }

Result sprite_read_numbered_sizes(const char *dir, int *count, std::vector<int> *widths,
                                  std::vector<int> *heights) {
    widths->clear();
    heights->clear();
    Result result = RES_OK;
    for (int i = 0;; ++i) {
        int w = 0, h = 0;
        if (sprite_check_png(numbered_path(dir, i).c_str(), &w, &h) != RES_OK) break;
        if (w < 1 || h < 1) {
            result = RES_MALFORMED;
            break;
        }
        widths->push_back(w);
        heights->push_back(h);
    }
    *count = int(widths->size());
    return result;
}

Sprite *sprite_copy(const Sprite *from) {
    if (!from) return nullptr;
    Sprite *s = sprite_create();
    if (!s) return nullptr;
    try {
        s->width = from->width;
        s->height = from->height;
        s->spans = from->spans;
        s->mask = from->mask;
        s->mask_stride = from->mask_stride;
        s->mask_words = from->mask_words;
        s->mask_word_stride = from->mask_word_stride;
        s->mask_row_span = from->mask_row_span;
        s->mask_top = from->mask_top;
        s->mask_bottom = from->mask_bottom;
        s->mask_left = from->mask_left;
        s->mask_right = from->mask_right;
        s->pixels = from->pixels;
        s->bytes_per_pixel = from->bytes_per_pixel;
        s->colour_key = from->colour_key;
    } catch (const std::bad_alloc &) {
        sprite_free(s);
        return nullptr;
    }
    if (!s->pixels.empty() && !make_surface(s, "copy")) {
        sprite_free(s);
        return nullptr;
    }
    return s;
}

void sprite_build_spans(Sprite *s) {
    s->spans.clear();
    s->mask_stride = (s->width + 7) / 8;
    s->mask.assign(size_t(s->mask_stride) * s->height, 0);
    s->mask_word_stride = (s->width + 63) / 64;
    s->mask_words.assign(size_t(s->mask_word_stride) * s->height, 0);
    s->mask_row_span.assign(2 * size_t(s->height), 0);
    s->mask_top = 0;
    s->mask_bottom = -1;
    s->mask_left = s->width;
    s->mask_right = -1;
    const int bpp = s->bytes_per_pixel;
    const uint8_t *p = s->pixels.data();
    for (int y = 0; y < s->height; ++y) {
        uint8_t *mask_row = s->mask.data() + size_t(y) * s->mask_stride;
        uint64_t *word_row = s->mask_words.data() + size_t(y) * s->mask_word_stride;
        bool opaque_run = false;   // the first run of a row counts as transparent
        uint32_t run = 0;
        int first = -1, last = -2;
        for (int x = 0; x < s->width; ++x, p += bpp) {
            bool opaque = load_pixel(p, bpp) != s->colour_key;
            if (opaque) {
                mask_row[x >> 3] |= uint8_t(0x80 >> (x & 7));
                word_row[x >> 6] |= uint64_t(1) << (63 - (x & 63));
                if (first < 0) first = x;
                last = x;
            }
            if (opaque != opaque_run) {
                s->spans.push_back(run);
                run = 0;
                opaque_run = opaque;
            }
            run += uint32_t(bpp);
        }
        if (run > 0) s->spans.push_back(run);
        s->spans.push_back(SPRITE_SPAN_END);
        s->mask_row_span[2 * size_t(y)] = first;
        s->mask_row_span[2 * size_t(y) + 1] = last;
        if (first < 0) continue;
        if (s->mask_bottom < s->mask_top) s->mask_top = y;
        s->mask_bottom = y;
        s->mask_left = std::min(s->mask_left, first);
        s->mask_right = std::max(s->mask_right, last);
    }
}

// ---------------------------------------------------------------------------------------------
// Hit tests

int mask_test(const Sprite *s, int x, int y) {
    if (!s || s->mask.empty() || x < 0 || y < 0 || x >= s->width || y >= s->height) return 0;
    return (s->mask[size_t(y) * s->mask_stride + (x >> 3)] >> (7 - (x & 7))) & 1;
}

// 64 bits of a mask row of words starting at column `col` (any integer); columns outside the row
// read 0 (the bits past the width are the zero padding of the row's last word).
static inline uint64_t mask_word_at(const uint64_t *row, int stride, int col) {
    const int word = col >> 6;   // arithmetic shift: floor for negatives
    const int shift = col & 63;
    const uint64_t high = (word >= 0 && word < stride) ? row[word] : 0;
    if (shift == 0) return high;
    const uint64_t low = (word + 1 >= 0 && word + 1 < stride) ? row[word + 1] : 0;
    return (high << shift) | (low >> (64 - shift));
}

int mask_overlap(const Sprite *a, const Sprite *b, int dx, int dy, int *x, int *y) {
    if (!a || !b || a->mask_words.empty() || b->mask_words.empty()) return 0;
    // Only rows and columns inside both masks' set boxes can meet; past them every row span is empty.
    const int64_t top = std::max<int64_t>({0, dy, a->mask_top, int64_t(b->mask_top) + dy});
    const int64_t bottom = std::min<int64_t>({a->height, int64_t(dy) + b->height, int64_t(a->mask_bottom) + 1,
                                              int64_t(b->mask_bottom) + 1 + dy});
    const int64_t left = std::max<int64_t>({0, dx, a->mask_left, int64_t(b->mask_left) + dx});
    const int64_t right = std::min<int64_t>({a->width, int64_t(dx) + b->width, int64_t(a->mask_right) + 1,
                                             int64_t(b->mask_right) + 1 + dx});
    if (top >= bottom || left >= right) return 0;
    // A row can only hit where the set columns of both rows meet. Within them, a's bits left of
    // `left` meet columns of b below 0 and those right of `right` the padding of one row or the
    // other: both read 0, so whole words need no edge masks. The sprites' boxes meet here, so dx
    // lies within (-b->width, a->width) and the shifted spans fit in 32 bits.
    const int32_t *span_a = a->mask_row_span.data() + 2 * size_t(top);
    const int32_t *span_b = b->mask_row_span.data() + 2 * size_t(top - dy);
    for (int ya = int(top); ya < int(bottom); ++ya, span_a += 2, span_b += 2) {
        const int32_t from = std::max(span_a[0], span_b[0] + dx);
        const int32_t to = std::min(span_a[1], span_b[1] + dx);
        if (from > to) continue;
        const int first_word = from >> 6, last_word = to >> 6;
        const uint64_t *row_a = a->mask_words.data() + size_t(ya) * a->mask_word_stride;
        const uint64_t *row_b = b->mask_words.data() + size_t(ya - dy) * b->mask_word_stride;
        for (int word = first_word; word <= last_word; ++word) {
            const uint64_t hit = row_a[word] & mask_word_at(row_b, b->mask_word_stride, word * 64 - dx);
            if (!hit) continue;
            if (x) *x = word * 64 + std::countl_zero(hit);
            if (y) *y = ya;
            return 1;
        }
    }
    return 0;
}

bool mask_random_opaque_pixel(const Sprite *s, int tries, int *x, int *y) {
    if (!s || s->width < 1 || s->height < 1 || s->mask.empty()) return false;
    if (std::none_of(s->mask.begin(), s->mask.end(), [](uint8_t b) { return b != 0; })) return false;
    for (int i = 0; i < tries; ++i) {
        int px = random_range(0, s->width - 1);
        int py = random_range(0, s->height - 1);
        if (mask_test(s, px, py)) {
            if (x) *x = px;
            if (y) *y = py;
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Glow maps

void sprite_build_outline_map(Sprite *s) {
    if (!s || (s->flags & SPRITE_FLAG_OUTLINE_MAP) || s->mask.empty()) return;
    const int m = SPRITE_MAP_MARGIN;
    const int cw = s->width + 2 * m, ch = s->height + 2 * m;
    const int far = 1 << 20;
    // Manhattan distance to the nearest mask pixel: two chamfer passes over 4-neighbours.
    std::vector<int> dist(size_t(cw) * ch, far);
    for (int y = 0; y < s->height; ++y)
        for (int x = 0; x < s->width; ++x)
            if (mask_test(s, x, y)) dist[size_t(y + m) * cw + x + m] = 0;
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
            int &d = dist[size_t(y) * cw + x];
            if (y > 0) d = std::min(d, dist[size_t(y - 1) * cw + x] + 1);
            if (x > 0) d = std::min(d, dist[size_t(y) * cw + x - 1] + 1);
        }
    for (int y = ch - 1; y >= 0; --y)
        for (int x = cw - 1; x >= 0; --x) {
            int &d = dist[size_t(y) * cw + x];
            if (y < ch - 1) d = std::min(d, dist[size_t(y + 1) * cw + x] + 1);
            if (x < cw - 1) d = std::min(d, dist[size_t(y) * cw + x + 1] + 1);
        }
    s->outline_stride = (cw + 1) / 2;
    s->outline.assign(size_t(s->outline_stride) * ch, 0);
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
            int sx = x - m, sy = y - m;
            int d = dist[size_t(y) * cw + x];
            int v;
            if (d == 0) {
                bool edge = sx == 0 || sy == 0 || sx == s->width - 1 || sy == s->height - 1 ||
                            !mask_test(s, sx - 1, sy) || !mask_test(s, sx + 1, sy) ||
                            !mask_test(s, sx, sy - 1) || !mask_test(s, sx, sy + 1);
                v = edge ? 0 : SPRITE_OUTLINE_FAR;
            } else {
                v = d <= m ? d : SPRITE_OUTLINE_FAR;
            }
            uint8_t &cell = s->outline[size_t(y) * s->outline_stride + x / 2];
            cell |= (x & 1) ? uint8_t(v) : uint8_t(v << 4);
        }
    s->flags |= SPRITE_FLAG_OUTLINE_MAP;
}

int sprite_outline_value(const Sprite *s, int cx, int cy) {
    uint8_t cell = s->outline[size_t(cy) * s->outline_stride + cx / 2];
    return (cx & 1) ? (cell & 15) : (cell >> 4);
}

void sprite_build_angle_map(Sprite *s) {
    if (!s || (s->flags & SPRITE_FLAG_ANGLE_MAP)) return;
    const int m = SPRITE_MAP_MARGIN;
    const int cw = s->width + 2 * m, ch = s->height + 2 * m;
    s->angle_stride = cw;
    s->angles.assign(size_t(cw) * ch, 0);
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
            int dx = x - m - s->width / 2, dy = y - m - s->height / 2;
            int angle = 0;
            if (dx != 0 || dy != 0) {
                // single precision, as the table was always built: straight up comes out 90
                float a = std::acos(float(std::abs(dx)) / std::sqrt(float(dx * dx + dy * dy))) *
                          57.2957763671875f;
                int t = int(a);
                if (dx >= 0 && dy > 0) angle = 360 - t;
                else if (dx < 0 && dy < 0) angle = 180 - t;
                else if (dx < 0) angle = t + 180;
                else angle = t;
            }
            s->angles[size_t(y) * cw + x] = uint16_t(angle);
        }
    s->flags |= SPRITE_FLAG_ANGLE_MAP;
}

void sprite_outline_extent(const Sprite *s, const uint8_t levels[4], int *left, int *top,
                           int *extra_right, int *extra_bottom) {
    if (!s || (s->flags & (SPRITE_FLAG_OUTLINE_MAP | SPRITE_FLAG_ANGLE_MAP)) !=
                  (SPRITE_FLAG_OUTLINE_MAP | SPRITE_FLAG_ANGLE_MAP))
        return;
    const int m = SPRITE_MAP_MARGIN;
    int level[4];
    for (int i = 0; i < 4; ++i) level[i] = std::min<int>(levels[i], m);
    int L = *std::max_element(level, level + 4);
    int l = 0, t = 0, r = s->width - 1, b = s->height - 1;
    for (int y = -L; y < s->height + L; ++y)
        for (int x = -L; x < s->width + L; ++x) {
            int cx = x + m, cy = y + m;
            int sector = ((s->angles[size_t(cy) * s->angle_stride + cx] + 45) % 360) / 90;
            if (sprite_outline_value(s, cx, cy) > level[sector]) continue;
            l = std::min(l, x);
            t = std::min(t, y);
            r = std::max(r, x);
            b = std::max(b, y);
        }
    if (left) *left = l;
    if (top) *top = t;
    if (extra_right) *extra_right = r - (s->width - 1);
    if (extra_bottom) *extra_bottom = b - (s->height - 1);
}

// ---------------------------------------------------------------------------------------------
// Draw commands

uint32_t sprite_blit_command(const uint8_t *payload) {
    SpriteBlitPayload p;
    std::memcpy(&p, payload, sizeof p);
    const GfxScreen *scr = gfx_screen();
    if (p.sprite && p.sprite->surface && scr->surface) {
        if (scr->clip_active) {
            SDL_Rect clip{int16_t(scr->clip_left), int16_t(scr->clip_top),
                          uint16_t(scr->clip_right - scr->clip_left + 1),
                          uint16_t(scr->clip_bottom - scr->clip_top + 1)};
            SDL_SetClipRect(scr->surface, &clip);
        }
        SDL_Rect at{p.x, p.y, 0, 0};
        SDL_UpperBlit(p.sprite->surface, nullptr, scr->surface, &at);
        if (scr->clip_active) SDL_SetClipRect(scr->surface, nullptr);
    }
    sprite_release(p.sprite);
    return sizeof p;
}

namespace {

// One opaque run of `n` pixels, 4 bytes each, with the first effect of the flags that applies.
void draw_run(uint8_t *dst, const uint8_t *src, int n, const SpriteDrawPayload &p, uint32_t tint) {
    const size_t bytes = size_t(n) * 4;
    const uint16_t f = p.flags;
    if (f & SPRITE_DRAW_BLEND) {
        for (size_t i = 0; i < bytes; ++i) {
            const int s = src[i], d = dst[i];
            if (f & SPRITE_DRAW_ADDITIVE) dst[i] = uint8_t(std::min(s + d, 255));
            else if (f & SPRITE_DRAW_MOSTLY_SPRITE) dst[i] = uint8_t((d + 3 * s) >> 2);
            else if (f & SPRITE_DRAW_MOSTLY_SCREEN) dst[i] = uint8_t((s + 3 * d) >> 2);
            else dst[i] = uint8_t((s + d) >> 1);
        }
    } else if (f & SPRITE_DRAW_TINT) {
        uint8_t t[4];
        std::memcpy(t, &tint, 4);
        for (size_t i = 0; i < bytes; ++i) {
            const int s = src[i], c = t[i & 3];
            if (f & SPRITE_DRAW_ADDITIVE) dst[i] = uint8_t(std::min(c + s, 255));
            else if (f & SPRITE_DRAW_MOSTLY_SPRITE) dst[i] = uint8_t((c + 3 * s) >> 2);
            else dst[i] = uint8_t((c + s) >> 1);
        }
    } else if ((f & SPRITE_DRAW_BRIGHTNESS) && p.brightness != 100) {
        for (size_t i = 0; i < bytes; ++i) dst[i] = clamp_byte(src[i] * p.brightness / 100);
    } else if (f & SPRITE_DRAW_DESATURATE) {
        for (int k = 0; k < n; ++k, src += 4, dst += 4) {
            const int grey = (src[0] + src[1] + src[2]) / 3;
            if (grey > 0)
                for (int c = 0; c < 3; ++c) dst[c] = clamp_byte(src[c] + (grey - src[c]) * p.desaturation / 100);
            else
                for (int c = 0; c < 3; ++c) dst[c] = src[c];
            dst[3] = src[3];
        }
    } else {
        std::memcpy(dst, src, bytes);
    }
}

// Shrinks by numerator / denominator: a source pixel (and row) is kept when its accumulator,
// raised by the numerator, reaches the denominator. Kept pixels are copied as they are.
void draw_scaled(const GfxScreen *scr, const Sprite *s, const SpriteDrawPayload &p) {
    const int n = p.scale_numerator, m = p.scale_denominator, bpp = s->bytes_per_pixel;
    int row_acc = 0, dy = p.y;
    for (int sy = 0; sy < s->height && dy <= scr->clip_bottom; ++sy) {
        row_acc += n;
        if (row_acc < m) continue;
        row_acc %= m;
        if (dy >= scr->clip_top) {
            int col_acc = 0, dx = p.x;
            const uint8_t *src = s->pixels.data() + size_t(sy) * s->width * bpp;
            uint8_t *row = scr->pixels + size_t(dy) * scr->pitch;
            for (int sx = 0; sx < s->width && dx <= scr->clip_right; ++sx, src += bpp) {
                col_acc += n;
                if (col_acc < m) continue;
                col_acc %= m;
                if (dx >= scr->clip_left && mask_test(s, sx, sy)) std::memcpy(row + size_t(dx) * bpp, src, bpp);
                ++dx;
            }
        }
        ++dy;
    }
}

}  // namespace

uint32_t sprite_draw_command(const uint8_t *payload) {
    SpriteDrawPayload p;
    std::memcpy(&p, payload, sizeof p);
    const GfxScreen *scr = gfx_screen();
    const Sprite *s = p.sprite;
    if (!s || s->pixels.empty() || !scr->pixels || s->bytes_per_pixel != scr->bytes_per_pixel) {
        sprite_release(p.sprite);
        return sizeof p;
    }
    if (p.flags & SPRITE_DRAW_SCALE) {
        if (p.scale_numerator >= 1 && p.scale_denominator >= 1) draw_scaled(scr, s, p);
        sprite_release(p.sprite);
        return sizeof p;
    }
    const int bpp = s->bytes_per_pixel;
    const bool effects = bpp == 4;
    const uint32_t tint = (p.flags & SPRITE_DRAW_TINT) ? gfx_map_rgb(p.tint_r, p.tint_g, p.tint_b) : 0;
    // the picture's own size is not trusted: every run is cut to the clip
    const int left = scr->clip_left, right = scr->clip_right + 1;
    const uint32_t *span = s->spans.data(), *end = span + s->spans.size();
    for (int sy = 0; sy < s->height && span < end; ++sy) {
        const int y = p.y + sy;
        if (y > scr->clip_bottom) break;
        const bool visible = y >= scr->clip_top;
        const uint8_t *src_row = s->pixels.data() + size_t(sy) * s->width * bpp;
        // rows above the clip are only walked: their screen row does not exist
        uint8_t *dst_row = visible ? scr->pixels + size_t(y) * scr->pitch : nullptr;
        int px = 0;
        bool opaque = false;
        for (; span < end && *span != SPRITE_SPAN_END; ++span, opaque = !opaque) {
            const int len = int(*span / uint32_t(bpp));
            if (opaque && visible) {
                const int x0 = std::max(p.x + px, left), x1 = std::min(p.x + px + len, right);
                if (x0 < x1) {
                    const uint8_t *src = src_row + size_t(x0 - p.x) * bpp;
                    uint8_t *dst = dst_row + size_t(x0) * bpp;
                    if (effects) draw_run(dst, src, x1 - x0, p, tint);
                    else std::memcpy(dst, src, size_t(x1 - x0) * bpp);
                }
            }
            px += len;
        }
        ++span;   // the row's end mark
    }
    sprite_release(p.sprite);
    return sizeof p;
}

Result sprite_queue_blit(Graphics *g, Sprite *sprite, int x, int y) {
    SpriteBlitPayload p{int16_t(x), int16_t(y), sprite};
    Result r = gfx_queue_command(g, sprite_blit_command, &p, sizeof p);
    if (r == RES_OK) sprite_addref(sprite);
    return r;
}

Result sprite_queue_draw(Graphics *g, const SpriteDrawPayload &payload) {
    Result r = gfx_queue_command(g, sprite_draw_command, &payload, sizeof payload);
    if (r == RES_OK) sprite_addref(payload.sprite);
    return r;
}
