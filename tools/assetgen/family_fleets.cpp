// The fleets family: the badge symbol.
#include "assetgen/family_fleets.h"

#include "assetgen/output.h"

namespace {

constexpr const char *BADGE_PATH = "fleet/000/png/000.png";

// Three arrowheads in a wedge, the leader ahead: '#' dark rim, 'o' light hull, '.' a hole. At this
// size the symbol is drawn pixel by pixel; anti-aliasing would only blur it.
constexpr const char *BADGE_ROWS[FLEET_BADGE_H] = {
    ".##............",
    ".#o##..........",
    "..#oo##........",
    ".#o##...##.....",
    ".##.....#o##...",
    "........#ooo##.",
    ".##.....#o##...",
    ".#o##...##.....",
    "..#oo##........",
    ".#o##..........",
    ".##............",
};

}  // namespace

Canvas fleets_paint_badge() {
    const Colour rim{0.06f, 0.06f, 0.07f, 1.0f};
    const Colour hull{0.94f, 0.94f, 0.88f, 1.0f};
    const Colour lit{1.0f, 1.0f, 0.97f, 1.0f};
    Canvas c = canvas_create(FLEET_BADGE_W, FLEET_BADGE_H);
    for (int y = 0; y < FLEET_BADGE_H; ++y)
        for (int x = 0; x < FLEET_BADGE_W; ++x) {
            const char cell = BADGE_ROWS[y][x];
            // The hull's upper half catches the light.
            if (cell == '#') canvas_set(&c, x, y, rim);
            else if (cell == 'o') canvas_set(&c, x, y, y % 5 <= 1 || y == 5 ? lit : hull);
        }
    return c;
}

int fleets_family_generate(const std::string &root, uint32_t) {
    return output_png_rgba(root, BADGE_PATH, fleets_paint_badge()) == RES_OK ? 0 : 1;
}

void fleets_family_list_paths(std::vector<std::string> *out) { out->push_back(BADGE_PATH); }
