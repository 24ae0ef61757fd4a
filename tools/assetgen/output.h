#pragma once
// Output of the generator: the files a family writes below its root folder.
//  - Paths are store paths with '/' separators ("bg/000.png"); parent folders are created.
//  - Files are replaced whole through the game's write_file_bytes (temporary name, then rename).
//  - PNG: libpng, 8-bit RGB or RGBA, non-interlaced, fixed compression settings and no time or
//    text chunks, so the same pixels always give the same bytes.
//  - The game treats RGB(234, 0, 138) as transparent: an opaque pixel that would come out exactly
//    that colour is written one step greener (234, 1, 138), so only alpha 0 makes a hole.
//  - Parameter files are written with the game's Buffer codec, so they are big-endian exactly as
//    the game reads them.
//  - Text: LF line ends and exactly one final newline, whatever the source used.
//  - Every function prints its failure on stderr and returns a Result.
#include <cstdint>
#include <string>
#include <vector>
#include "platform/result.h"

struct Buffer;
struct Canvas;

// Encodes 8-bit pixels (channels 3: RGB, 4: RGBA; rows top to bottom) as a PNG in memory.
Result png_encode(const uint8_t *pixels, int width, int height, int channels, std::vector<uint8_t> *out);

Result output_bytes(const std::string &root, const std::string &path, const std::vector<uint8_t> &bytes);
// A parameter file: the bytes of a Buffer built with the game's own big-endian writers.
Result output_params(const std::string &root, const std::string &path, const Buffer &params);
Result output_text(const std::string &root, const std::string &path, const std::string &text);
Result output_png_rgb(const std::string &root, const std::string &path, const Canvas &canvas,
                      bool dither, uint32_t seed);
Result output_png_rgba(const std::string &root, const std::string &path, const Canvas &canvas);

// LF line ends ("\r\n" and lone "\r" become "\n") and one final newline; empty stays empty.
std::string text_normalise(const std::string &text);

// Runs body(i) for i in 0..count-1 on up to `threads` threads (the caller's included).
// Each index runs exactly once; the order across threads is unspecified.
void parallel_for(int count, int threads, void (*body)(int index, void *context), void *context);
