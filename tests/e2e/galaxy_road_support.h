#pragma once
// What the galaxy roads share: the preference words they change between runs, a pixel count of
// what changed between two screenshots, and a look at a saved game from this process (where the
// sectors stand on the star map, the day, where the UI player's ships are).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "../game/headless_fixture.h"
#include "game/game.h"
#include "game/player.h"
#include "game/save.h"
#include "platform/graphics.h"
#include "support/game_window.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"

namespace galaxy_road {

// Writes a big-endian word of "prefs.dat" (byte offset: 12 galaxy speed, 16 auto-pass delay).
inline void patch_prefs(const std::string &save_home, size_t offset, int32_t value) {
    const std::string path = save_home + "/Astrovane/prefs.dat";
    std::vector<uint8_t> bytes = read_whole(path);
    ASSERT_GE(bytes.size(), offset + 4) << path;
    for (int i = 0; i < 4; ++i) bytes[offset + size_t(i)] = uint8_t(uint32_t(value) >> (24 - 8 * i));
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

// Pixels that differ clearly between two screenshots inside a rectangle; -1 when they do not compare.
inline int pixels_changed(const DecodedPng &a, const DecodedPng &b, int x0, int y0, int x1, int y1) {
    if (!a.ok || !b.ok || a.width != b.width || a.height != b.height) return -1;
    int n = 0;
    for (int y = y0; y < y1 && y < int(a.height); ++y)
        for (int x = x0; x < x1 && x < int(a.width); ++x) {
            const size_t at = (size_t(y) * a.width + size_t(x)) * size_t(a.channels());
            int d = 0;
            for (int c = 0; c < 3; ++c) d += std::abs(int(a.pixels[at + size_t(c)]) - int(b.pixels[at + size_t(c)]));
            n += d > 60;
        }
    return n;
}

struct SectorSpot {
    uint64_t    id = 0;
    std::string name;
    int         x = -1, y = -1;   // the middle of the sector on the star map screen
    bool        own = false;
    bool        rival = false;   // a computer player's
    bool ok() const { return x >= 0 && y >= 0; }
};

struct GalaxyLook {
    bool                    loaded = false;
    std::string             date;          // "year/month/day"
    std::vector<SectorSpot> sectors;       // those wholly on the first screen, clear of the bars
    std::vector<uint64_t>   ui_ship_sectors;   // the sector of each of the UI player's ships (0: travelling)
    const SectorSpot *home() const {
        for (const SectorSpot &s : sectors)
            if (s.own) return &s;
        return nullptr;
    }
    // The sector nearest to `from`, other than it (only rivals' when asked).
    const SectorSpot *nearest(const SectorSpot &from, bool rival_only = false) const {
        const SectorSpot *best = nullptr;
        long best_d = 0;
        for (const SectorSpot &s : sectors) {
            if (s.id == from.id || (rival_only && !s.rival)) continue;
            const long d = long(s.x - from.x) * (s.x - from.x) + long(s.y - from.y) * (s.y - from.y);
            if (!best || d < best_d) best = &s, best_d = d;
        }
        return best;
    }
    int ui_ships_at(uint64_t sector_id) const {
        return int(std::count(ui_ship_sectors.begin(), ui_ship_sectors.end(), sector_id));
    }
};

// Reads a saved game in this process: the star map view starts at the map's origin (or the
// negative origin of a map smaller than the screen).
class SaveProbe : public ModelGame {
public:
    void TestBody() override {}
    GalaxyLook look(const std::string &path) {
        GalaxyLook out;
        SetUp();
        if (game_load_file(game, path.c_str(), 0) == RES_OK && game->galaxy_map) {
            out.loaded = true;
            ObjectMap *map = game->galaxy_map;
            const int ox = std::min(0, map->world_w - GFX_WIDTH - 1), oy = std::min(0, map->world_h - GFX_HEIGHT - 1);
            for (GameObject *o : map->objects.items) {
                if (!o) break;
                if (o->kind != OBJECT_SECTOR) continue;
                SectorSpot s;
                s.id = o->id;
                s.name = object_get_name(o) ? object_get_name(o) : "";
                s.own = o->owner_id == game->ui_player_id;
                s.rival = o->owner_id != 0 && !s.own;
                const int x = o->x - ox + o->w / 2, y = o->y - oy + o->h / 2;
                if (x > 40 && x < GFX_WIDTH - 40 && y > 60 && y < GFX_HEIGHT - 80) s.x = x, s.y = y;
                if (s.ok()) out.sectors.push_back(s);
            }
            if (game->clock)
                out.date = std::to_string(game->clock->year) + "/" + std::to_string(game->clock->month) + "/" +
                           std::to_string(game->clock->day);
            if (Player *ui = game->ui_player)
                for (GameObject *o : ui->objects.items) {
                    if (!o) break;
                    if (o->kind == OBJECT_SHIP) out.ui_ship_sectors.push_back(static_cast<Ship *>(o)->sector_id);
                }
        }
        TearDown();
        return out;
    }
};

}  // namespace galaxy_road
