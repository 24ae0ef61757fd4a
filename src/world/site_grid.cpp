// The surface grid of a body: grid width x grid height bytes (0 deep or dark .. 255 high or bright)
// made by one of five generators from the body's grid seed, so a body always shows the same face.
//  1 banded gas: bands raised and lowered along the rows, smeared sideways, with slow waves.
//  2 oceans and land: smooth noise split at 146 into sea floor and continents with soft coasts.
//  3 ice: white sheets (split at 160) crossed by darker crevasses.
//  4 cratered rock: rough rock split at 45, then craters with bowls and raised rims.
//  5 rubble: noise blurred twice with the corner neighbours at three quarters.
// Every pass treats the grid as wrapping at its edges.
#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>
#include "platform/random.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace {

class Grid {
public:
    Grid(int32_t w, int32_t h, std::vector<uint8_t> *cells) : w_(w), h_(h), cells_(cells) {}
    int32_t w() const { return w_; }
    int32_t h() const { return h_; }
    uint8_t &at(int32_t x, int32_t y) {
        x %= w_;
        y %= h_;
        if (x < 0) x += w_;
        if (y < 0) y += h_;
        return (*cells_)[size_t(y) * size_t(w_) + size_t(x)];
    }
    std::vector<uint8_t> &cells() { return *cells_; }

private:
    int32_t w_, h_;
    std::vector<uint8_t> *cells_;
};

uint8_t clamp_byte(int32_t v) { return uint8_t(std::clamp(v, 0, 255)); }

int32_t draw(Rng *rng, int32_t lo, int32_t hi) { return rng_range(rng, lo, hi); }

uint32_t magnitude(Rng *rng) { return random_magnitude(rng_next(rng)); }

// A weighted blur: the cell, its four edge neighbours times `edge` and its four corners times
// `corner`, over the weights' sum. Horizontal and vertical edges may weigh differently.
void blur(Grid *g, int32_t centre, int32_t edge_x, int32_t edge_y, int32_t corner) {
    std::vector<uint8_t> out(g->cells().size());
    const int32_t total = centre + 2 * edge_x + 2 * edge_y + 4 * corner;
    for (int32_t y = 0; y < g->h(); ++y)
        for (int32_t x = 0; x < g->w(); ++x) {
            const int32_t sum = centre * g->at(x, y) + edge_x * (g->at(x - 1, y) + g->at(x + 1, y)) +
                                edge_y * (g->at(x, y - 1) + g->at(x, y + 1)) +
                                corner * (g->at(x - 1, y - 1) + g->at(x + 1, y - 1) + g->at(x - 1, y + 1) +
                                          g->at(x + 1, y + 1));
            out[size_t(y) * size_t(g->w()) + size_t(x)] = clamp_byte(sum / total);
        }
    g->cells() = std::move(out);
}

// Stretches the values onto 0..255.
void stretch(Grid *g) {
    const auto [lo, hi] = std::minmax_element(g->cells().begin(), g->cells().end());
    const int32_t low = *lo, span = std::max(1, int32_t(*hi) - low);
    for (uint8_t &v : g->cells()) v = clamp_byte((int32_t(v) - low) * 255 / span);
}

void fill_noise(Grid *g, Rng *rng, uint32_t modulo) {
    for (uint8_t &v : g->cells()) v = uint8_t(magnitude(rng) % modulo);
}

// Smooth noise of several scales: random values on a coarse lattice that wraps with the grid,
// blended between lattice points, then finer lattices at half the weight each; stretched onto
// 0..255. Large features at `cell` cells across, detail down to a cell or two.
void fill_fractal(Grid *g, Rng *rng, int32_t cell, int32_t octaves) {
    std::vector<int32_t> sum(g->cells().size(), 0);
    int32_t weight = 256;
    for (int32_t o = 0; o < octaves && cell >= 1; ++o, cell /= 2, weight /= 2) {
        const int32_t lw = std::max(1, g->w() / cell), lh = std::max(1, g->h() / cell);
        std::vector<int32_t> lattice(size_t(lw) * size_t(lh));
        for (int32_t &v : lattice) v = int32_t(magnitude(rng) % 256u);
        auto at = [&](int32_t x, int32_t y) { return lattice[size_t((y % lh) * lw + (x % lw))]; };
        for (int32_t y = 0; y < g->h(); ++y) {
            const int32_t fy = y * lh * 256 / g->h(), iy = fy >> 8;
            const int32_t ty = fy & 255, sy = ty * ty * (768 - 2 * ty) >> 16;   // eased 0..255
            for (int32_t x = 0; x < g->w(); ++x) {
                const int32_t fx = x * lw * 256 / g->w(), ix = fx >> 8;
                const int32_t tx = fx & 255, sx = tx * tx * (768 - 2 * tx) >> 16;
                const int32_t top = at(ix, iy) * (256 - sx) + at(ix + 1, iy) * sx;
                const int32_t bottom = at(ix, iy + 1) * (256 - sx) + at(ix + 1, iy + 1) * sx;
                const int32_t v = (top * (256 - sy) + bottom * sy) >> 16;
                sum[size_t(y * g->w() + x)] += v * weight;
            }
        }
    }
    const auto [lo, hi] = std::minmax_element(sum.begin(), sum.end());
    const int64_t low = *lo, span = std::max<int64_t>(1, int64_t(*hi) - low);
    for (size_t i = 0; i < sum.size(); ++i) g->cells()[i] = uint8_t((sum[i] - low) * 255 / span);
}

// Cells below the threshold lose a random amount and the others gain one, pulling the two apart;
// then a low cell beside a higher one is blended with it a third of the way, softening the edge.
void split_round(Grid *g, Rng *rng, int32_t threshold, int32_t amount) {
    for (uint8_t &v : g->cells()) {
        const int32_t delta = draw(rng, 0, amount);
        v = clamp_byte(v < threshold ? v - delta : v + delta);
    }
    std::vector<uint8_t> out = g->cells();
    for (int32_t y = 0; y < g->h(); ++y)
        for (int32_t x = 0; x < g->w(); ++x) {
            const int32_t v = g->at(x, y);
            if (v >= threshold) continue;
            const int32_t high = std::max({g->at(x - 1, y), g->at(x + 1, y), g->at(x, y - 1), g->at(x, y + 1)});
            if (high > v) out[size_t(y) * size_t(g->w()) + size_t(x)] = uint8_t((2 * v + high) / 3);
        }
    g->cells() = std::move(out);
}

// ---- 1: banded gas ----
void generate_gas(Grid *g, Rng *rng) {
    fill_noise(g, rng, 256);
    for (int32_t round = 0; round < 10; ++round) {
        // A band of rows is raised or lowered, a little more towards its middle.
        const int32_t top = draw(rng, 0, g->h() - 1), height = draw(rng, 2, std::max(2, g->h() / 6));
        const int32_t amount = draw(rng, -70, 70);
        for (int32_t dy = 0; dy < height; ++dy) {
            const int32_t shaped = amount * (height - std::abs(2 * dy - height + 1)) / height;
            for (int32_t x = 0; x < g->w(); ++x) g->at(x, top + dy) = clamp_byte(g->at(x, top + dy) + shaped);
        }
        blur(g, 2, 3, 1, 0);   // winds smear the bands sideways
    }
    // Six final passes: slow waves shift each row, then a sideways smear.
    for (int32_t pass = 0; pass < 6; ++pass) {
        const int32_t phase = draw(rng, 0, 63);
        std::vector<uint8_t> out(g->cells().size());
        for (int32_t y = 0; y < g->h(); ++y) {
            // A triangle wave of period 16 rows, amplitude 2 cells.
            const int32_t t = (y * 4 + phase) % 64;
            const int32_t shift = (t < 32 ? t : 64 - t) / 8 - 2;
            for (int32_t x = 0; x < g->w(); ++x) out[size_t(y) * size_t(g->w()) + size_t(x)] = g->at(x + shift, y);
        }
        g->cells() = std::move(out);
        blur(g, 4, 4, 1, 0);
    }
    stretch(g);
}

// ---- 2: oceans and land ----
void generate_terran(Grid *g, Rng *rng) {
    fill_noise(g, rng, 256);   // the seed's first draws, then the shapes of the continents
    fill_fractal(g, rng, 24, 5);
    // The sea floor drops below the shelf and the land rises above it, so coasts are sharp.
    for (uint8_t &v : g->cells()) v = v < 146 ? uint8_t(v * 100 / 146) : uint8_t(175 + (v - 146) * 80 / 109);
    for (int32_t round = 0; round < 3; ++round) split_round(g, rng, 146, 8);
}

// ---- 3: ice ----
// Crevasses wander across the sheets: a walk that turns a little now and then, darkening its path.
void add_crevasses(Grid *g, Rng *rng) {
    static constexpr int32_t DX[8] = {1, 1, 0, -1, -1, -1, 0, 1}, DY[8] = {0, 1, 1, 1, 0, -1, -1, -1};
    const int32_t cracks = 5 + draw(rng, 0, 5);
    for (int32_t c = 0; c < cracks; ++c) {
        int32_t x = draw(rng, 0, g->w() - 1), y = draw(rng, 0, g->h() - 1), dir = draw(rng, 0, 7);
        for (int32_t step = draw(rng, g->w() / 4, g->w() / 2); step > 0; --step) {
            g->at(x, y) = clamp_byte(g->at(x, y) * 2 / 5);
            g->at(x + DY[dir], y - DX[dir]) = clamp_byte(g->at(x + DY[dir], y - DX[dir]) * 4 / 5);   // a shoulder
            if (draw(rng, 0, 1) == 0) dir = (dir + draw(rng, -1, 1) + 8) % 8;
            x += DX[dir];
            y += DY[dir];
        }
    }
}

void generate_ice(Grid *g, Rng *rng) {
    fill_noise(g, rng, 256);
    fill_fractal(g, rng, 24, 5);
    for (uint8_t &v : g->cells()) v = uint8_t(255 - (255 - v) * (255 - v) / 255);   // mostly bright
    for (int32_t round = 0; round < 3; ++round) split_round(g, rng, 160, 10);
    add_crevasses(g, rng);
}

// ---- 4: cratered rock ----
void generate_rock(Grid *g, Rng *rng) {
    for (uint8_t &v : g->cells()) {
        const int32_t r = int32_t(magnitude(rng) % 301u);
        v = uint8_t(r > 255 ? r - 45 : r);
    }
    blur(g, 1, 1, 1, 1);
    blur(g, 2, 1, 1, 1);
    stretch(g);
    // Rounds with a falling level pull the dust of the plains apart from the rock.
    for (int32_t level = 110; level >= 45; level -= 13) split_round(g, rng, level, 10);
    const int32_t craters = g->w() * g->h() / 300 + draw(rng, 0, 6);
    for (int32_t c = 0; c < craters; ++c) {
        const int32_t cx = draw(rng, 0, g->w() - 1), cy = draw(rng, 0, g->h() - 1);
        const int32_t radius = draw(rng, 0, 5) == 0 ? draw(rng, 6, 10) : draw(rng, 2, 5);
        for (int32_t dy = -radius - 1; dy <= radius + 1; ++dy)
            for (int32_t dx = -radius - 1; dx <= radius + 1; ++dx) {
                const int32_t d2 = dx * dx + dy * dy, r2 = radius * radius;
                uint8_t &v = g->at(cx + dx, cy + dy);
                // Light falls from the upper left: the bowl's far wall and the rim's near side are lit.
                const int32_t light = (dx + dy) * 70 / (radius + 1);
                if (d2 < r2) v = clamp_byte(v * (r2 + d2) / (3 * r2) + 25 + light);   // the bowl
                else if (d2 <= (radius + 1) * (radius + 1)) v = clamp_byte(v + 55 - light);   // the raised rim
            }
    }
    // Four final passes with level 180: bright rims are softened into the ground.
    for (int32_t pass = 0; pass < 4; ++pass) {
        for (uint8_t &v : g->cells())
            if (v > 180) v = uint8_t((v + 180) / 2);
        blur(g, 8, 1, 1, 0);
    }
}

// ---- 5: rubble ----
void generate_rubble(Grid *g, Rng *rng) {
    for (uint8_t &v : g->cells()) v = uint8_t(magnitude(rng) % 301u);   // 256..300 wrap to 0..44
    for (int32_t pass = 0; pass < 2; ++pass) {
        std::vector<uint8_t> out(g->cells().size());
        for (int32_t y = 0; y < g->h(); ++y)
            for (int32_t x = 0; x < g->w(); ++x) {
                int32_t sum = g->at(x, y) + g->at(x - 1, y) + g->at(x + 1, y) + g->at(x, y - 1) + g->at(x, y + 1);
                for (int32_t corner : {g->at(x - 1, y - 1), g->at(x + 1, y - 1), g->at(x - 1, y + 1),
                                       g->at(x + 1, y + 1)})
                    sum += corner * 3 / 4;
                out[size_t(y) * size_t(g->w()) + size_t(x)] = uint8_t(sum / 8);
            }
        g->cells() = std::move(out);
    }
}

}  // namespace

Result feature_grid_generate(const Site *site, std::vector<uint8_t> *out) {
    const int32_t w = site->params.grid_width, h = site->params.grid_height;
    const int32_t type = site->params.grid_generator;
    if (w <= 0 || h <= 0) return RES_NO_PLACEMENT;
    if (type < 1 || type > 5) return RES_UNSUPPORTED;
    std::vector<uint8_t> cells;
    try {
        cells.assign(size_t(w) * size_t(h), 0);
    } catch (const std::bad_alloc &) {
        return RES_NO_MEMORY;
    }
    Rng rng;
    rng_seed(&rng, site->grid_seed);
    Grid grid(w, h, &cells);
    switch (type) {
    case 1: generate_gas(&grid, &rng); break;
    case 2: generate_terran(&grid, &rng); break;
    case 3: generate_ice(&grid, &rng); break;
    case 4: generate_rock(&grid, &rng); break;
    default: generate_rubble(&grid, &rng); break;
    }
    *out = std::move(cells);
    return RES_OK;
}
