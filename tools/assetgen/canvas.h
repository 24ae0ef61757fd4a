#pragma once
// Canvas: the generator's raster, float RGBA with straight (not premultiplied) alpha, values 0..1.
//  - Shapes are anti-aliased by their exact coverage of each pixel (circles, lines) or by 4 x 4
//    samples per pixel (polygons); each is laid down with one of the blend modes.
//  - Everything is deterministic: noise is a pure function of its seed and coordinates.
//  - A canvas is used by one thread; the painters split big work by rows themselves.
#include <cstdint>
#include <vector>

struct Colour {
    float r = 0, g = 0, b = 0, a = 1;
};

enum BlendMode : int {
    BLEND_OVER = 0,   // source over destination, weighted by source alpha x coverage
    BLEND_ADD,        // light: destination + source x alpha x coverage (clamped at 1)
    BLEND_SCREEN,     // 1 - (1 - dst)(1 - src), weighted
    BLEND_MULTIPLY,   // darkening: dst x mix(1, src, alpha x coverage)
};

struct Canvas {
    int                width = 0;
    int                height = 0;
    std::vector<float> px;   // width x height x 4, rows top to bottom
};

struct Point2 {
    float x = 0, y = 0;
};

Canvas canvas_create(int width, int height, Colour fill = {0, 0, 0, 0});
Colour canvas_get(const Canvas &c, int x, int y);                     // transparent outside
void   canvas_set(Canvas *c, int x, int y, Colour colour);            // ignored outside
void   canvas_blend(Canvas *c, int x, int y, Colour colour, float coverage, BlendMode mode);
Colour canvas_sample(const Canvas &c, float x, float y);               // bilinear, pixel centres at +0.5

// Shapes.
void canvas_circle(Canvas *c, float cx, float cy, float radius, Colour colour, BlendMode mode);
void canvas_line(Canvas *c, float x0, float y0, float x1, float y1, float width, Colour colour,
                 BlendMode mode);                                       // round caps
void canvas_polygon(Canvas *c, const std::vector<Point2> &points, Colour colour, BlendMode mode);
// Soft round glow: colour x exp(-(d / radius)^2), cut where it falls below 1/512.
void canvas_glow(Canvas *c, float cx, float cy, float radius, Colour colour, BlendMode mode);

// Gradients over the whole canvas.
void canvas_linear_gradient(Canvas *c, Point2 from, Colour c0, Point2 to, Colour c1, BlendMode mode);
void canvas_radial_gradient(Canvas *c, Point2 centre, float radius, Colour inner, Colour outer,
                            BlendMode mode);

// Filters.
void   canvas_blur(Canvas *c, float radius);                          // ~gaussian: three box passes
Canvas canvas_rotate(const Canvas &src, float degrees);               // about the centre, same size,
                                                                      // counter-clockwise on screen
void   canvas_composite(Canvas *dst, const Canvas &src, int x, int y, BlendMode mode);
void   canvas_threshold_alpha(Canvas *c, float threshold);            // alpha >= t: 1, else 0

// Noise: smooth value noise on a unit lattice, 0..1; fbm sums octaves (each rotated to hide the
// lattice) and stays in 0..1.
float noise_value(float x, float y, uint32_t seed);
float noise_fbm(float x, float y, uint32_t seed, int octaves, float lacunarity = 2.0f, float gain = 0.5f);
float noise_ridged(float x, float y, uint32_t seed, int octaves);     // sharp crests, 0..1

// 8-bit output. RGB drops alpha; RGBA keeps it. A deterministic triangular dither of one step
// breaks banding in dark gradients when `dither` is set. An opaque pixel equal to the game's
// transparent colour RGB(234, 0, 138) is written as (234, 1, 138); alpha 0 stays a hole.
std::vector<uint8_t> canvas_to_rgb8(const Canvas &c, bool dither, uint32_t seed);
std::vector<uint8_t> canvas_to_rgba8(const Canvas &c);

// Hashing and a small generator for the painters (not the game's random numbers).
uint32_t hash_u32(uint32_t x);
uint32_t hash_combine(uint32_t a, uint32_t b);

struct GenRandom {
    uint64_t state;
    explicit GenRandom(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    uint32_t next();
    float    uniform();                          // [0, 1)
    float    range(float lo, float hi);          // [lo, hi)
    int      range_int(int lo, int hi);          // lo..hi inclusive
    float    gaussian();                         // mean 0, deviation 1
};
