#pragma once
// The sectors family: content/sectors/sectors.txt, one [sector N] block per template 0..5, compiled
// into "sector/%.3i/dat/params.dat" (big-endian, written with the game's Buffer), and the star of
// each template painted into its twinkle frames "sector/%.3i/png/000.png".."003.png".
//  - Fields: name, flags (words: "quiet"), site (repeatable: site template and two figures),
//    site_counts, core, corona, halo (r g b), size (frame side), radius (disc, tenths of a pixel).
//  - Refused with "source:line: message": a missing or repeated template, an unknown key or flag,
//    a site template outside 0..15, a negative site count, a colour outside 0..255, a disc that
//    does not fit its frame.
//  - The star painter is shared: it scales from galaxy-map icons to large sector-view pictures.
#include <cstdint>
#include <string>
#include <vector>
#include "assetgen/canvas.h"
#include "platform/result.h"

struct Buffer;

constexpr int SECTOR_FAMILY_TEMPLATES = 6;
constexpr int SECTOR_FAMILY_FRAMES    = 4;   // twinkle frames per template

struct SectorChoice {
    int32_t site = 0, a = 0, b = 0;
};

// How a star looks: colours of its disc, its corona and its wide glow.
struct StarLook {
    Colour core, corona, halo;
};

struct SectorSource {
    int32_t                   number = -1;
    std::string               name;
    uint32_t                  flags = 0;
    std::vector<SectorChoice> choices;
    std::vector<int32_t>      site_counts;
    StarLook                  look;
    int32_t                   size = 0;     // frame side
    int32_t                   radius = 0;   // disc radius in tenths of a pixel
};

// Parses the whole source; `out` is indexed by template number.
Result sectors_parse(const std::string &text, const std::string &source, std::vector<SectorSource> *out,
                     std::string *error);
Result sectors_encode_params(const SectorSource &sector, Buffer *out);

// Paints a star of disc radius `radius` centred on a transparent square canvas of side `size`:
// a bright disc, a granular corona with streamers and four fine spikes, a soft halo. `twinkle`
// 0..3 varies the spikes and the corona's flicker. Light under a dim threshold stays transparent
// (the game has no partial transparency), so the edge melts into dark space.
Canvas sectors_paint_star(const StarLook &look, int size, float radius, int twinkle, uint32_t seed);

int  sectors_family_generate(const std::string &root, uint32_t seed);   // 0, else a message on stderr
void sectors_family_list_paths(std::vector<std::string> *out);
