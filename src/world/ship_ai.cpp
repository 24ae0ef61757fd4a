// Free places and turns for the combat AI's plans: a spot near a point, a move near a heading, a
// turn near a heading. Each tries random candidates a bounded number of times and checks the map
// edges and the ship's sprite against everything else on its map. The move and turn searches have
// few distinct candidates: when none of them is free the search fails before its first draw.
#include <algorithm>
#include <unordered_map>
#include <vector>
#include "platform/files.h"
#include "platform/random.h"
#include "systems/system.h"
#include "world/object_map.h"
#include "world/object_methods.h"
#include "world/ship.h"

namespace {

constexpr int32_t PLACE_TRIES = 1024;
constexpr int32_t TURN_TRIES = 448;
constexpr int32_t EDGE = 32;           // from the left, top and right edges
constexpr int32_t BOTTOM_EDGE = 40;
constexpr int32_t HEADING_JITTER = 5;
constexpr int32_t SHRINK_PERCENT = 97;
constexpr uint32_t PLACE_FILTER = FILTER_POINT | FILTER_SHAPE | FILTER_NOT_SELF | FILTER_SELF_FRAME;   // 1043

void frame_size(const Ship *ship, int32_t frame, int32_t *w, int32_t *h) {
    *w = ship->w;
    *h = ship->h;
    if (ship->frame_w && ship->frame_h && frame >= 0 && frame < ship->frame_count) {
        *w = ship->frame_w[frame];
        *h = ship->frame_h[frame];
    }
}

// What a shape test against the map depends on, for one object of the map.
struct OccupantState {
    const GameObject *obj;
    uint64_t          id;
    int32_t           x, y, w, h, frame, frame_count;
    uint32_t          gone;   // OBJ_DEAD | OBJ_LEFT_MAP bits
    const void       *frames, *frame_sprites;
    bool operator==(const OccupantState &) const = default;
};

// The outcome of one kind of try in a search, and the spot it leads to. A verdict belongs to the
// search whose number it carries: a new search needs no clearing of the last one's.
struct TryVerdict {
    enum State : uint8_t { UNKNOWN, FREE, BLOCKED };
    State    state = UNKNOWN;
    uint32_t search = 0;
    int32_t  x = 0, y = 0;
};

// Answers of the placement query for one ship on one map, by (frame, x, y). A plan asks the same
// spots again and again (hundreds of candidates from one start, a thousand tries over a few
// headings and lengths), and the map stands still meanwhile. The answers are kept while every
// object of the map is where and as it was; kinds whose shape tests read more than their frame
// (their own slots) keep them for one search only. Kept per thread: the AI workers plan apart.
// While a ship plans (ship_ai_map_still_begin .. end) nothing on the map moves, so the map is
// compared with the kept picture at the first search of the plan only.
struct OccupancyCache {
    const ObjectMap *map = nullptr;
    const Ship      *ship = nullptr;
    int32_t          ship_w = 0, ship_h = 0;
    const void      *ship_frames = nullptr;
    std::vector<OccupantState> occupants;
    bool             plain = false;   // no object with shape slots of its own: answers may outlive a search
    std::unordered_map<uint64_t, bool> blocked;
    std::vector<TryVerdict> verdicts;   // one search's tries, reused
    uint32_t         search = 0;         // the number of the search under way
    int32_t          still_depth = 0;
    bool             still_checked = false;   // the map was compared since the plan began
};

thread_local OccupancyCache cache;

bool has_own_shape_tests(const GameObject *obj) {
    const ObjectMethods *m = object_methods(obj->kind);
    return m && (m->overlap_test || m->rect_test || m->point_test);
}

OccupantState occupant_of(const GameObject *obj) {
    return {obj, obj->id, obj->x, obj->y, obj->w, obj->h, obj->frame, obj->frame_count,
            obj->flags & (OBJ_DEAD | OBJ_LEFT_MAP), obj->frames, obj->frame_sprites};
}

// Starts a search: keeps the answers when the map is as the last search left it.
void cache_begin(Ship *ship) {
    OccupancyCache &c = cache;
    bool same = c.plain && c.map == ship->map && c.ship == ship && c.ship_w == ship->w && c.ship_h == ship->h &&
                c.ship_frames == ship->frames;
    if (same && c.still_checked) return;
    c.still_checked = c.still_depth > 0;
    size_t n = 0;
    if (same && ship->map) {
        for (const GameObject *obj : ship->map->objects.items) {
            if (!obj) break;
            if (n >= c.occupants.size() || !(c.occupants[n] == occupant_of(obj))) {
                same = false;
                break;
            }
            ++n;
        }
    }
    if (same && n == c.occupants.size()) return;
    c.blocked.clear();
    c.occupants.clear();
    c.plain = !has_own_shape_tests(ship);
    if (ship->map) {
        for (const GameObject *obj : ship->map->objects.items) {
            if (!obj) break;
            if (obj != ship && has_own_shape_tests(obj)) c.plain = false;
            c.occupants.push_back(occupant_of(obj));
        }
    }
    c.map = ship->map;
    c.ship = ship;
    c.ship_w = ship->w;
    c.ship_h = ship->h;
    c.ship_frames = ship->frames;
}

// Room for a new search's n verdicts, all unknown.
TryVerdict *verdicts_begin(size_t n) {
    OccupancyCache &c = cache;
    if (++c.search == 0) {   // wrapped: verdicts of an old search could carry the new number
        for (TryVerdict &v : c.verdicts) v.search = 0;
        c.search = 1;
    }
    if (c.verdicts.size() < n) c.verdicts.resize(n);
    return c.verdicts.data();
}

// The verdict's state in the search under way.
TryVerdict::State state_of(const TryVerdict &v) { return v.search == cache.search ? v.state : TryVerdict::UNKNOWN; }

// The ship's sprite for the frame at (x, y) meets something else on its map (the map query).
bool spot_is_blocked(Ship *ship, int32_t frame, int32_t x, int32_t y) {
    const uint64_t key = uint64_t(uint16_t(frame)) << 48 | uint64_t(uint32_t(x) & 0xFFFFFF) << 24 |
                         (uint32_t(y) & 0xFFFFFF);
    const bool exact = frame >= 0 && frame < 0x10000 && x >= -0x800000 && x < 0x800000 && y >= -0x800000 &&
                       y < 0x800000;
    if (exact)
        if (auto it = cache.blocked.find(key); it != cache.blocked.end()) return it->second;
    ObjectFilter filter;
    filter.flags = PLACE_FILTER;
    filter.px = x;
    filter.py = y;
    filter.self = ship;
    filter.frame = frame;
    const bool hit = map_query_object(ship->map, &filter) != nullptr;
    if (exact) cache.blocked.emplace(key, hit);
    return hit;
}

// The ship's sprite for the frame fits the map at (x, y) and meets nothing there.
bool spot_is_free(Ship *ship, int32_t frame, int32_t x, int32_t y, bool test_overlap) {
    int32_t w = 0, h = 0;
    frame_size(ship, frame, &w, &h);
    if (ship->map) {
        if (x < EDGE || y < EDGE) return false;
        if (x > ship->map->world_w - w - EDGE || y > ship->map->world_h - h - BOTTOM_EDGE) return false;
        if (!test_overlap) return true;
        if (spot_is_blocked(ship, frame, x, y)) return false;
    }
    return true;
}

// An offset of the length in the direction, shrunk until it is no longer than the length.
void offset_computed(int32_t direction, int32_t length, int32_t *dx, int32_t *dy) {
    rotate_point(direction, length, dx, dy);
    for (int32_t guard = 0; guard < 64 && distance(*dx, *dy) > length; ++guard) {
        *dx = *dx * SHRINK_PERCENT / 100;
        *dy = *dy * SHRINK_PERCENT / 100;
    }
}

// Recent offsets, per thread: a plan's move searches ask the same few directions and lengths
// millions of times, and each answer costs a shrinking loop of distances.
struct OffsetMemoSlot {
    int32_t direction = 0, length = 0, dx = 0, dy = 0;
    bool    known = false;
};
constexpr uint32_t OFFSET_MEMO_SLOTS = 4096;
thread_local OffsetMemoSlot offset_memo[OFFSET_MEMO_SLOTS];

void offset_for(int32_t direction, int32_t length, int32_t *dx, int32_t *dy) {
    const uint32_t h = (uint32_t(direction) * 0x9E3779B1u ^ uint32_t(length) * 0x85EBCA77u) >> 20;
    OffsetMemoSlot &slot = offset_memo[h & (OFFSET_MEMO_SLOTS - 1)];
    if (!slot.known || slot.direction != direction || slot.length != length) {
        slot.direction = direction;
        slot.length = length;
        offset_computed(direction, length, &slot.dx, &slot.dy);
        slot.known = true;
    }
    *dx = slot.dx;
    *dy = slot.dy;
}

}  // namespace

void ship_ai_map_still_begin() {
    ++cache.still_depth;
    cache.still_checked = false;
}

void ship_ai_map_still_end() {
    if (cache.still_depth > 0) --cache.still_depth;
    cache.still_checked = false;
}

Result ship_ai_pick_position(Ship *ship, int32_t radius, int32_t cx, int32_t cy, int32_t heading, int32_t *x,
                             int32_t *y) {
    const int32_t frame = ship_frame_for_heading(ship, heading);
    int32_t w = 0, h = 0;
    frame_size(ship, frame, &w, &h);
    radius = std::max(radius, 0);
    cache_begin(ship);
    for (int32_t attempt = 0; attempt < PLACE_TRIES; ++attempt) {
        const int32_t angle = system_random_between(0, 359);
        const int32_t length = system_random_between(radius / 4, radius);
        int32_t dx = 0, dy = 0;
        offset_for(angle, length, &dx, &dy);
        const int32_t px = cx + dx - w / 2, py = cy + dy - h / 2;
        if (!spot_is_free(ship, frame, px, py, true)) continue;
        if (x) *x = px;
        if (y) *y = py;
        return RES_OK;
    }
    return RES_NO_FREE_POSITION;
}

Result ship_ai_pick_heading(Ship *ship, int32_t heading, int32_t mp_min, int32_t mp_max, int32_t from_x,
                            int32_t from_y, int32_t current_heading, int32_t *x, int32_t *y) {
    const bool immobile = ship->hull_flags & HULL_FLAG_IMMOBILE;
    const int32_t frame = ship_frame_for_heading(ship, current_heading);
    cache_begin(ship);
    // A try is one of 11 directions and, unless immobile, one length of the MP range: the verdict
    // of each pair is worked out once per search.
    constexpr int32_t DIRECTIONS = 2 * HEADING_JITTER + 1;
    const int32_t least = immobile ? 0 : mp_min;
    const int64_t span = immobile ? 1 : int64_t(mp_max) - mp_min + 1;
    const int32_t lengths = span >= 1 && span <= 4096 ? int32_t(span) : 0;
    TryVerdict *verdicts = verdicts_begin(size_t(DIRECTIONS) * size_t(lengths));
    int8_t arc_known[DIRECTIONS];   // -1 not yet worked out
    std::fill(std::begin(arc_known), std::end(arc_known), int8_t(-1));
    auto in_arc = [&](int32_t j) {
        if (arc_known[j] < 0) {
            int32_t off = angle_diff(current_heading, angle_normalize(heading + j - HEADING_JITTER));
            if (off < 0) off = -off;
            arc_known[j] = off <= ship->move_arc / 2;
        }
        return arc_known[j] != 0;
    };
    auto judge = [&](TryVerdict &v, int32_t jitter, int32_t mp) {
        int32_t dx = 0, dy = 0;
        offset_for(angle_normalize(heading + jitter), mp * 10, &dx, &dy);
        v.x = from_x + dx;
        v.y = from_y + dy;
        v.state = spot_is_free(ship, frame, v.x, v.y, true) ? TryVerdict::FREE : TryVerdict::BLOCKED;
        v.search = cache.search;
    };
    // When there are no more pairs than tries, see first whether any of them is free: a move that
    // is blocked everywhere fails at once rather than after every try (a plan asks for many such).
    if (lengths > 0 && int64_t(DIRECTIONS) * lengths <= PLACE_TRIES) {
        bool any_free = false;
        for (int32_t j = 0; j < DIRECTIONS && !any_free; ++j) {
            if (!in_arc(j)) continue;
            for (int32_t l = 0; l < lengths && !any_free; ++l) {
                TryVerdict &v = verdicts[size_t(j) * size_t(lengths) + size_t(l)];
                judge(v, j - HEADING_JITTER, least + l);
                any_free = v.state == TryVerdict::FREE;
            }
        }
        if (!any_free) return RES_NO_FREE_POSITION;
    }
    for (int32_t attempt = 0; attempt < PLACE_TRIES; ++attempt) {
        const int32_t jitter = system_random_between(-HEADING_JITTER, HEADING_JITTER);
        if (!in_arc(jitter + HEADING_JITTER)) continue;
        const int32_t mp = immobile ? 0 : system_random_between(mp_min, mp_max);
        TryVerdict scratch;
        const bool listed = mp >= least && int64_t(mp) - least < lengths;
        TryVerdict &v =
            listed ? verdicts[size_t(jitter + HEADING_JITTER) * size_t(lengths) + size_t(mp - least)] : scratch;
        if (state_of(v) == TryVerdict::UNKNOWN) judge(v, jitter, mp);
        if (v.state != TryVerdict::FREE) continue;
        if (x) *x = v.x;
        if (y) *y = v.y;
        return RES_OK;
    }
    return RES_NO_FREE_POSITION;
}

Result ship_ai_random_turn_from(Ship *ship, int32_t from_heading, int32_t spread, int32_t *heading, int32_t *x,
                                int32_t *y) {
    const bool test_overlap = !(ship->hull_flags & HULL_FLAG_TURN_UNBLOCKED);
    if (test_overlap) cache_begin(ship);
    const int32_t lo = -spread / 2, hi = spread / 2;
    // One verdict per offset of the spread, worked out once per search.
    const int32_t offsets = hi >= lo && int64_t(hi) - lo < 4096 ? hi - lo + 1 : 0;
    TryVerdict *verdicts = verdicts_begin(size_t(offsets));
    const int32_t from = angle_normalize(from_heading);
    auto judge = [&](TryVerdict &v, int32_t offset) {
        const int32_t h = angle_normalize(*heading + offset);
        v.search = cache.search;
        v.x = *x;
        v.y = *y;
        if (h == from) {
            v.state = TryVerdict::BLOCKED;
            return;
        }
        ship_adjust_position_for_heading(ship, from_heading, h, &v.x, &v.y);
        const bool blocked =
            test_overlap && ship->map && spot_is_blocked(ship, ship_frame_for_heading(ship, h), v.x, v.y);
        v.state = blocked ? TryVerdict::BLOCKED : TryVerdict::FREE;
    };
    // A turn blocked at every offset fails at once, as the move search does.
    if (offsets > 0 && offsets <= TURN_TRIES) {
        bool any_free = false;
        for (int32_t i = 0; i < offsets && !any_free; ++i) {
            judge(verdicts[size_t(i)], lo + i);
            any_free = verdicts[size_t(i)].state == TryVerdict::FREE;
        }
        if (!any_free) return RES_NO_FREE_POSITION;
    }
    for (int32_t attempt = 0; attempt < TURN_TRIES; ++attempt) {
        const int32_t offset = system_random_between(lo, hi);
        TryVerdict scratch;
        TryVerdict &v = offsets > 0 && offset >= lo && offset <= hi ? verdicts[size_t(offset - lo)] : scratch;
        if (state_of(v) == TryVerdict::UNKNOWN) judge(v, offset);
        if (v.state != TryVerdict::FREE) continue;
        *heading = angle_normalize(*heading + offset);
        *x = v.x;
        *y = v.y;
        return RES_OK;
    }
    return RES_NO_FREE_POSITION;
}

Result ship_ai_random_turn(Ship *ship, int32_t spread, int32_t *heading, int32_t *x, int32_t *y) {
    return ship_ai_random_turn_from(ship, ship->heading, spread, heading, x, y);
}
