#pragma once
// Icon painting for the UI art: anti-aliased coverage masks built from simple shapes, and the
// composition of a glyph onto a bevelled plate or onto its own dark outline.
//  - The game keeps no partial transparency (a pixel is opaque or the colour key), so coverage is
//    blended only against opaque colours: the plate, or the dark outline that rings every glyph.
//  - Glyph shapes are given in unit coordinates (0..1 across the glyph box, y down) so one glyph
//    paints cleanly at 12 to 24 pixels.
//  - Pure functions of their arguments: the same call gives the same pixels.
#include <cstdint>
#include <functional>
#include <vector>

struct Rgb8 {
    uint8_t r, g, b;
};

// An RGBA picture whose alpha is 0 or 255.
struct IconImage {
    int w = 0, h = 0;
    std::vector<uint8_t> rgba;
    IconImage() = default;
    IconImage(int width, int height) : w(width), h(height), rgba(static_cast<size_t>(width * height * 4), 0) {}
    uint8_t *at(int x, int y) { return &rgba[static_cast<size_t>((y * w + x) * 4)]; }
    const uint8_t *at(int x, int y) const { return &rgba[static_cast<size_t>((y * w + x) * 4)]; }
    bool opaque(int x, int y) const { return at(x, y)[3] != 0; }
    void put(int x, int y, Rgb8 c) {
        if (x < 0 || y < 0 || x >= w || y >= h) return;
        uint8_t *p = at(x, y);
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
        p[3] = 255;
    }
};

// Coverage 0..1 per pixel.
struct Mask {
    int w = 0, h = 0;
    std::vector<float> a;
    Mask() = default;
    Mask(int width, int height) : w(width), h(height), a(static_cast<size_t>(width * height), 0.0f) {}
    float get(int x, int y) const { return (x < 0 || y < 0 || x >= w || y >= h) ? 0.0f : a[static_cast<size_t>(y * w + x)]; }
    float &ref(int x, int y) { return a[static_cast<size_t>(y * w + x)]; }
};

// Draws shapes into a mask in unit coordinates of a box (x, y, size) of the mask.
class Pen {
public:
    Pen(Mask *mask, float x, float y, float w, float h) : mask_(mask), ox_(x), oy_(y), sw_(w), sh_(h) {}
    void set_cut(bool cut) { cut_ = cut; }   // later shapes erase instead of add
    void circle(float cx, float cy, float r);
    void ring(float cx, float cy, float r, float width);
    void rect(float x0, float y0, float x1, float y1);
    void rrect(float x0, float y0, float x1, float y1, float radius);
    void poly(const std::vector<float> &xy);          // x0, y0, x1, y1 ...
    void line(float x0, float y0, float x1, float y1, float width);
    void arc(float cx, float cy, float r, float width, float deg0, float deg1);   // degrees, 0 right, counter-clockwise
    void pie(float cx, float cy, float r, float deg0, float deg1);
    void fill(const std::function<bool(float ux, float uy)> &inside, float x0, float y0, float x1, float y1);

private:
    Mask *mask_;
    float ox_, oy_, sw_, sh_;
    bool cut_ = false;
};

Mask mask_dilate(const Mask &m, int radius);   // each pixel takes the largest coverage within radius
Rgb8 mix(Rgb8 a, Rgb8 b, float t);             // a + (b - a) t
Rgb8 scale(Rgb8 c, float f);

// A dark plate with a vertical gradient and a bevelled rim in the accent colour.
void paint_plate(IconImage *img, int x, int y, int w, int h, Rgb8 accent, bool lit, int corner = 3);
// Paints a mask onto the picture: a dark outline ring where the picture is transparent, then the
// glyph colour (top to bottom gradient) blended by coverage.
void paint_glyph(IconImage *img, const Mask &glyph, Rgb8 top, Rgb8 bottom, bool outline);
// Paints a mask in one colour blended by coverage over opaque pixels (and opaque where >= 0.5).
void paint_mask(IconImage *img, const Mask &m, Rgb8 colour);
