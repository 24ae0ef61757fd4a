// Free places and turns for the combat AI's plans: a spot near a point, a move near a heading, a
// turn near a heading. Each tries random candidates a bounded number of times and checks the map
// edges and the ship's sprite against everything else on its map. The move and turn searches have
// few distinct candidates: when none of them is free the search fails before its first draw.
#include "ai/ship_ai.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include "platform/files.h"
#include "platform/random.h"
#include "platform/sprite.h"
#include "systems/plan_check.h"
#include "systems/system.h"
#include "world/object_map.h"
#include "world/ship.h"

namespace {

constexpr int32_t PLACE_TRIES = 1024;
constexpr int32_t TURN_TRIES = 448;
constexpr int32_t EDGE = 32;           // from the left, top and right edges
constexpr int32_t BOTTOM_EDGE = 40;
constexpr int32_t HEADING_JITTER = 5;
constexpr int32_t SHRINK_PERCENT = 97;

void size_of_frame(const Ship *ship, int32_t frame, int32_t *w, int32_t *h) {
    *w = ship->w;
    *h = ship->h;
    if (ship->frame_w && ship->frame_h && frame >= 0 && frame < ship->frame_count) {
        *w = ship->frame_w[frame];
        *h = ship->frame_h[frame];
    }
}

// One object of the map as the picture keeps it: what the placement rule reads of it, and what its
// shape is made of (an object that keeps its place but shows another frame has changed).
struct OccupantState {
    MapOccupant at;
    uint64_t    id;
    int32_t     frame, frame_count;
    const void *frames, *frame_sprites;
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

// Answers of the placement query are kept per thread (the AI workers plan apart) for the map the
// thread last searched, per ship, by (frame, x, y, the ship's size), with the change count at which
// each was last known good. A query at (x, y) can only meet an object whose box meets the ship's box
// there (the map's box test comes first), so a change to one object (moved, turned, another frame,
// dead, gone, new) only touches the answers whose boxes meet its old or its new box.
//  - The map is cut into cells of a change grid. Each search compares the map with the picture kept
//    of it; every object that changed stamps the cells under its old and new boxes with a new change
//    count. An answer is good while no cell under its box has a later stamp; a ship's own changes do
//    not count against its own answers (the query leaves the asking ship out).
//  - Objects whose kinds have shape slots of their own may answer differently without changing
//    what is kept of them: the cells under them are stamped again at every search, so an answer near
//    one lasts one search, as does every answer of a ship with such slots.
//  - While a ship plans (ship_ai_map_still_begin .. end) nothing on the map moves, so the map is
//    compared at the first search of the plan only.
//  - A ship moves between its plans, so answers from more than a few plans back are seldom asked
//    again: a ship's table starts again when half full at 2048 slots, small enough to stay in the
//    processor's caches (larger tables answered a few more queries and took longer).
constexpr int32_t CELL_SHIFT = 6;          // 64 x 64 cells
constexpr int32_t MAX_CELLS = 256;         // a side; the last row and column take what lies beyond
constexpr size_t  ANSWERS_MIN_SLOTS = 1024;
constexpr size_t  ANSWERS_MAX_SLOTS = size_t(1) << 11;   // a table this full starts again (48 KiB)
constexpr size_t  MAX_SHIPS = 32;          // ships with kept answers; more start the tables again

// A cell of the change grid: the stamp of the last change over it and whose change that was, and
// a stamp no older than any change over it by another object.
struct CellStamp {
    uint32_t          last = 0, before = 0;
    const GameObject *by = nullptr;
};

// What a kept answer is kept by.
struct PlacementKey {
    uint64_t where = 0;   // frame, x, y
    uint32_t size = 0;    // the ship's w, h
    bool operator==(const PlacementKey &) const = default;
};

// One kept answer; stamp 0 marks a free slot.
struct PlacementAnswer {
    PlacementKey key;
    uint32_t     stamp = 0;   // the change count at which the answer was last known good
    bool         blocked = false;
};

// What a ship's answers were worked out for: the ship and its frames.
struct AnswersFor {
    uint64_t    id = 0;
    const void *frames = nullptr, *frame_sprites = nullptr;
    int32_t     frame_count = 0, kind = -1;
    bool operator==(const AnswersFor &) const = default;
};

// One ship's answers (open addressing) and what they were worked out for.
struct ShipAnswers {
    const Ship *ship = nullptr;
    AnswersFor  made_for;
    bool        own_tests = false;   // answers last one search
    std::vector<PlacementAnswer> slots;
    size_t      used = 0;
};

// The boxes of the picture's objects on the map (not dead, not gone) in groups of four, each side
// in a row of its own, for the placement query's box test: left, top, right (x + w), bottom
// (y + h), and the occupant of each. A group's unused places hold boxes no query meets.
struct BoxGroup {
    int32_t  left[4], top[4], right[4], bottom[4];
    uint32_t occupant[4];
};
constexpr uint32_t NO_OCCUPANT = UINT32_MAX;

struct OccupancyCache {
    const ObjectMap *map = nullptr;
    int32_t          world_w = 0, world_h = 0;
    std::vector<OccupantState> occupants;
    std::vector<OccupantState> scratch;     // the picture being taken
    std::vector<uint8_t>       matched;     // per kept occupant, during a comparison
    std::vector<size_t>        volatiles;   // occupants with shape slots of their own
    std::vector<BoxGroup>      boxes;
    int32_t          cols = 0, rows = 0;
    std::vector<CellStamp> cells;
    uint32_t         clock = 1;             // the change count; answers carry the one they were made at
    std::vector<ShipAnswers> ships;
    ShipAnswers     *current = nullptr;     // the searching ship's answers
    std::vector<TryVerdict> verdicts;   // one search's tries, reused
    uint32_t         search = 0;         // the number of the search under way
    int32_t          still_depth = 0;
    bool             still_checked = false;   // the map was compared since the plan began
    // The ship whose searches find everything up to date: set by a search that brought the kept
    // answers up to date while a plan was under way on a compared map without objects whose shape
    // answers may change unseen; dropped when a plan begins or ends and by every such search.
    // While the map stands still, none of that can change until then.
    const Ship      *plan_ship = nullptr;
};

thread_local OccupancyCache cache;

OccupantState occupant_of(const GameObject *obj) {
    return {map_occupant_of(obj), obj->id, obj->frame, obj->frame_count, obj->frames, obj->frame_sprites};
}

int32_t cell_index(int64_t v, int32_t count) {
    return int32_t(std::clamp<int64_t>(v >> CELL_SHIFT, 0, count - 1));   // >> floors negatives
}

// The cells under the closed box from (x, y) to (x + w, y + h), for either sign of w and h (the
// map's box test reads the box that way).
template <typename Visit>
bool each_cell(OccupancyCache &c, int64_t x, int64_t y, int64_t w, int64_t h, Visit visit) {
    const int32_t x0 = cell_index(std::min(x, x + w), c.cols), x1 = cell_index(std::max(x, x + w), c.cols);
    const int32_t y0 = cell_index(std::min(y, y + h), c.rows), y1 = cell_index(std::max(y, y + h), c.rows);
    for (int32_t cy = y0; cy <= y1; ++cy)
        for (int32_t cx = x0; cx <= x1; ++cx)
            if (!visit(c.cells[size_t(cy) * size_t(c.cols) + size_t(cx)])) return false;
    return true;
}

void stamp(OccupancyCache &c, const OccupantState &state, const GameObject *by) {
    const MapOccupant &o = state.at;
    each_cell(c, o.x, o.y, o.w, o.h, [&](CellStamp &cell) {
        if (cell.by != by) {
            cell.before = cell.last;
            cell.by = by;
        }
        cell.last = c.clock;
        return true;
    });
}

void forget_answers(ShipAnswers &a) {
    std::fill(a.slots.begin(), a.slots.end(), PlacementAnswer{});
    a.used = 0;
}

// Forgets every answer and keeps a new picture of the map (null: no map).
void start_again(OccupancyCache &c, const ObjectMap *map) {
    c.map = map;
    c.ships.clear();
    c.current = nullptr;
    c.clock = 1;
    c.world_w = map ? map->world_w : 0;
    c.world_h = map ? map->world_h : 0;
    c.cols = std::clamp((c.world_w >> CELL_SHIFT) + 1, 1, MAX_CELLS);
    c.rows = std::clamp((c.world_h >> CELL_SHIFT) + 1, 1, MAX_CELLS);
    c.cells.assign(size_t(c.cols) * size_t(c.rows), CellStamp{});
    c.occupants.clear();
    if (map)
        for (const GameObject *obj : map->objects.items) {
            if (!obj) break;
            c.occupants.push_back(occupant_of(obj));
        }
}

// Lays out the boxes of the objects on the map for the placement query.
void take_boxes(OccupancyCache &c) {
    c.boxes.clear();
    size_t n = 0;
    for (size_t i = 0; i < c.occupants.size(); ++i) {
        const MapOccupant &o = c.occupants[i].at;
        if (o.gone) continue;
        if (n % 4 == 0) {
            BoxGroup empty;
            std::fill(std::begin(empty.left), std::end(empty.left), INT32_MAX);
            std::fill(std::begin(empty.top), std::end(empty.top), INT32_MAX);
            std::fill(std::begin(empty.right), std::end(empty.right), INT32_MIN);
            std::fill(std::begin(empty.bottom), std::end(empty.bottom), INT32_MIN);
            std::fill(std::begin(empty.occupant), std::end(empty.occupant), NO_OCCUPANT);
            c.boxes.push_back(empty);
        }
        BoxGroup &g = c.boxes.back();
        const size_t k = n++ % 4;
        g.left[k] = o.x;
        g.top[k] = o.y;
        g.right[k] = o.x + o.w;
        g.bottom[k] = o.y + o.h;
        g.occupant[k] = uint32_t(i);
    }
}

// The places (bits 0..3) of the group's boxes that meet the closed box from (x0, y0) to (x1, y1).
inline uint32_t boxes_met(const BoxGroup &g, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
#if defined(__SSE2__)
    const __m128i apart =
        _mm_or_si128(_mm_or_si128(_mm_cmpgt_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(g.left)),
                                                  _mm_set1_epi32(x1)),
                                  _mm_cmpgt_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(g.top)),
                                                  _mm_set1_epi32(y1))),
                     _mm_or_si128(_mm_cmpgt_epi32(_mm_set1_epi32(x0),
                                                  _mm_loadu_si128(reinterpret_cast<const __m128i *>(g.right))),
                                  _mm_cmpgt_epi32(_mm_set1_epi32(y0),
                                                  _mm_loadu_si128(reinterpret_cast<const __m128i *>(g.bottom)))));
    return ~uint32_t(_mm_movemask_ps(_mm_castsi128_ps(apart))) & 0xFu;
#else
    uint32_t met = 0;
    for (uint32_t k = 0; k < 4; ++k)
        met |= uint32_t(g.left[k] <= x1 && g.top[k] <= y1 && x0 <= g.right[k] && y0 <= g.bottom[k]) << k;
    return met;
#endif
}

// The map's own placement query: the ship's sprite for the frame at (x, y) meets something else
// on its map. What the kept answers and the picture stand for.
bool map_blocks(Ship *ship, int32_t frame, int32_t x, int32_t y) {
    return map_spot_blocker(ship->map, ship, frame, x, y) != nullptr;
}

// Compares the map with the kept picture and stamps the cells under every object that changed.
void compare_map(OccupancyCache &c, const ObjectMap *map) {
    bool changed = true;
    if (!map || map != c.map || map->world_w != c.world_w || map->world_h != c.world_h ||
        c.clock >= UINT32_MAX - 2) {
        start_again(c, map);
    } else {
        changed = false;
        c.scratch.clear();
        for (const GameObject *obj : map->objects.items) {
            if (!obj) break;
            c.scratch.push_back(occupant_of(obj));
        }
        if (c.scratch != c.occupants) {
            changed = true;
            ++c.clock;
            c.matched.assign(c.occupants.size(), 0);
            for (size_t i = 0; i < c.scratch.size(); ++i) {
                const OccupantState &now = c.scratch[i];
                // The same place in the list first: a sweep only moves the last objects into holes.
                size_t j = i < c.occupants.size() && c.occupants[i].at.obj == now.at.obj ? i : c.occupants.size();
                for (size_t k = 0; j == c.occupants.size() && k < c.occupants.size(); ++k)
                    if (c.occupants[k].at.obj == now.at.obj && !c.matched[k]) j = k;
                if (j < c.occupants.size()) {
                    c.matched[j] = 1;
                    if (c.occupants[j] == now) continue;
                    stamp(c, c.occupants[j], c.occupants[j].at.obj);
                }
                stamp(c, now, now.at.obj);
            }
            for (size_t k = 0; k < c.occupants.size(); ++k)
                if (!c.matched[k]) stamp(c, c.occupants[k], c.occupants[k].at.obj);
            c.occupants.swap(c.scratch);
        }
    }
    if (!changed) return;
    take_boxes(c);
    c.volatiles.clear();
    for (size_t i = 0; i < c.occupants.size(); ++i)
        if (c.occupants[i].at.ask_object) c.volatiles.push_back(i);
}

// Selects the ship's answers, forgetting them when its frames are no longer those they were for.
void select_ship(OccupancyCache &c, const Ship *ship) {
    ShipAnswers *a = c.current && c.current->ship == ship ? c.current : nullptr;
    for (size_t i = 0; !a && i < c.ships.size(); ++i)
        if (c.ships[i].ship == ship) a = &c.ships[i];
    if (!a) {
        if (c.ships.size() >= MAX_SHIPS) c.ships.clear();
        a = &c.ships.emplace_back();
        a->ship = ship;
        a->slots.resize(ANSWERS_MIN_SLOTS);
    }
    const AnswersFor now{ship->id, ship->frames, ship->frame_sprites, ship->frame_count, ship->kind};
    if (!(a->made_for == now) || a->own_tests) {
        forget_answers(*a);
        a->made_for = now;
        a->own_tests = map_has_own_shape_tests(ship);
    }
    c.current = a;
}

// Searches that ask the map are kept: a plan is under way, the map was compared in this plan, for
// this ship, and has no objects whose shape answers may change unseen.
bool searches_kept(const OccupancyCache &c, const Ship *ship) {
    return c.still_depth > 0 && c.still_checked && c.map == ship->map && c.volatiles.empty() && c.current &&
           c.current->ship == ship && !c.current->own_tests;
}

[[gnu::noinline]] bool cache_bring_up_to_date(OccupancyCache &c, Ship *ship) {
    c.plan_ship = nullptr;
    if (!(c.still_checked && c.map == ship->map && ship->map)) {
        c.still_checked = c.still_depth > 0;
        compare_map(c, ship->map);
    }
    if (!c.volatiles.empty()) {
        ++c.clock;
        for (size_t i : c.volatiles) stamp(c, c.occupants[i], nullptr);
    }
    select_ship(c, ship);
    const bool kept = searches_kept(c, ship);
    if (kept && ship->map) c.plan_ship = ship;
    return kept;
}

// Starts a search: brings the kept answers up to date with the map (nothing to do for the plan's
// ship once a search of its plan did). True when searches that ask the map are kept.
inline bool cache_begin(Ship *ship) {
    OccupancyCache &c = cache;
    if (c.plan_ship == ship) return true;
    return cache_bring_up_to_date(c, ship);
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

// The verdict's state in the search whose tag is given.
TryVerdict::State state_of(const TryVerdict &v, uint32_t tag) {
    return v.search == tag ? v.state : TryVerdict::UNKNOWN;
}

// The verdicts of a move search kept for the rest of the plan: while a ship plans, the AI asks the same
// search from the same place again and again (four times in five), and the map stands still. A
// kept search starts with the verdicts the last one worked out and whether any try can win; its
// draws are taken as always. Kept per thread, for the plan under way only, and not on a map with
// objects whose shape answers may change while what is kept of them does not.
constexpr size_t   MEMO_KEY_WORDS = 5;
constexpr size_t   MEMO_MIN_SLOTS = 1024;
constexpr size_t   MEMO_MAX_VERDICTS = size_t(1) << 20;   // a plan asking for more keeps no more
enum AnyFree : uint8_t { ANY_FREE_UNKNOWN, ANY_FREE_YES, ANY_FREE_NO };

// What a kept search is kept by: its kind and every input its verdicts read, in whole words.
struct SearchKey {
    uint64_t words[MEMO_KEY_WORDS] = {};
    bool operator==(const SearchKey &) const = default;
};

struct SearchMemoSlot {
    SearchKey key;
    uint32_t generation = 0;   // the plan it belongs to
    uint32_t first = 0;        // its verdicts in the pool
    AnyFree  any_free = ANY_FREE_UNKNOWN;
    int8_t   arc[2 * HEADING_JITTER + 1] = {};   // -1 not yet worked out
};

// The kinds of kept search; a key's first word carries its kind in the low 16 bits of the high half
// (a move search's ship being immobile above them).
enum MemoKind : uint32_t { MEMO_MOVE = 1, MEMO_KINDS = 2 };

struct SearchMemo {
    uint32_t generation = 1;   // also the tag of the plan's kept verdicts
    size_t   used = 0;
    // The slot of the last search of each kind: the AI asks the same search again and again.
    // Good while it carries this plan's generation and the table was not rebuilt since.
    SearchMemoSlot *last[MEMO_KINDS] = {};
    // The slots last found for moves from each heading the ship faces (two a heading, the newer
    // first), kept the same way: a plan's moves start mostly where a turn from where the ship
    // stands led, one place a heading, and ask a move of 1..MP or of MP from there.
    SearchMemoSlot *by_heading[360][2] = {};
    std::vector<SearchMemoSlot> slots;
    std::vector<TryVerdict>     pool;   // verdicts of earlier plans carry older tags
    size_t   top = 0;                   // the pool's verdicts in use in this plan
    // What a kept move search reads of the heading its ship faces: the frame shown and the furthest
    // top-left corner inside the right and bottom edges. While the map stands still they depend on
    // the ship and that heading alone (its frames and the map's size stand still too), so they are
    // kept by heading for the plan's ship, under the plan's generation.
    struct FacingFrame {
        uint32_t    generation = 0;
        const Ship *ship = nullptr;
        int32_t     frame = 0, right = 0, bottom = 0;
    } facing[360];
};

thread_local SearchMemo memo;

// The turns of the plan under way from one place and heading, by the heading turned to: every kept
// turn search from there reads them (a spread of 6 and one of 12, or two headings wanted, judge
// the same turns), indexed without hashing. A turn's verdict and the place it leads to read the
// ship, the heading turned from, the heading turned to, the place, whether the map is asked, and
// the still map: a row is keyed by all but the heading turned to and the map. A row belongs to the
// plan whose number (the kept searches' generation) it carries; its cells to the row's number
// when they were judged, so a row taken over by another place needs no clearing. Per thread.
struct TurnCell {
    uint32_t          row = 0;
    TryVerdict::State state = TryVerdict::UNKNOWN;
    int32_t           x = 0, y = 0;
};
struct TurnRowKey {
    int32_t     x = 0, y = 0, from_heading = 0;   // first: they tell most rows apart
    const Ship *ship = nullptr;
    bool        asks_map = false;
    uint32_t    plan = 0;
    bool operator==(const TurnRowKey &) const = default;
};
struct TurnRow {
    TurnRowKey key;
    uint32_t   number = 0;
    TurnCell   cells[360];
};
constexpr size_t TURN_ROWS = 16;   // direct-mapped by the place; a power of two
thread_local std::vector<TurnRow> turn_rows;
thread_local uint32_t turn_row_count = 0;   // the last number given to a row
thread_local TurnRow *last_turn_row = nullptr;

[[gnu::always_inline]] inline TurnRow &turn_row(Ship *ship, int32_t from_heading, int32_t x, int32_t y, bool asks_map,
                                                uint32_t plan) {
    const TurnRowKey key{x, y, from_heading, ship, asks_map, plan};
    TurnRow *row = last_turn_row;
    if (row && row->key == key) return *row;
    if (turn_rows.empty()) turn_rows.resize(TURN_ROWS);
    const uint32_t h =
        (uint32_t(x) * 0x9E3779B1u) ^ (uint32_t(y) * 0x85EBCA77u) ^ (uint32_t(from_heading) * 0xC2B2AE3Du);
    row = &turn_rows[(h >> 24) & (TURN_ROWS - 1)];
    last_turn_row = row;
    if (row->key == key) return *row;
    if (++turn_row_count == 0) {   // wrapped: cells of an old row could carry the new number
        for (TurnRow &r : turn_rows)
            for (TurnCell &cell : r.cells) cell.row = 0;
        turn_row_count = 1;
    }
    row->key = key;
    row->number = turn_row_count;
    return *row;
}

// Forgets every kept search (a plan begins or ends).
void memo_forget() {
    SearchMemo &m = memo;
    if (++m.generation == 0) {   // wrapped: slots and verdicts of an old plan could carry the new number
        for (SearchMemoSlot &slot : m.slots) slot.generation = 0;
        for (TryVerdict &v : m.pool) v.search = 0;
        for (TurnRow &r : turn_rows) r.key.plan = 0;
        for (SearchMemo::FacingFrame &f : m.facing) f.generation = 0;
        m.generation = 1;
    }
    m.used = 0;
    m.top = 0;
    std::fill(std::begin(m.last), std::end(m.last), nullptr);
}

// Two 32-bit fields of a key in one word.
uint64_t key_word(int64_t high, int64_t low) { return uint64_t(uint32_t(high)) << 32 | uint32_t(low); }

[[gnu::always_inline]] inline SearchMemoSlot &memo_slot(SearchMemo &m, const SearchKey &key) {
    const uint64_t *w = key.words;
    uint64_t h = w[0] * 0x9E3779B97F4A7C15ull ^ w[1] * 0xC2B2AE3D27D4EB4Full ^ w[2] * 0x165667B19E3779F9ull ^
                 w[3] * 0xD6E8FEB86659FD93ull ^ w[4] * 0xFF51AFD7ED558CCDull;
    h ^= h >> 32;
    h *= 0x9E3779B97F4A7C15ull;
    h ^= h >> 29;
    const size_t mask = m.slots.size() - 1;
    size_t i = size_t(h) & mask;
    while (m.slots[i].generation == m.generation && !(m.slots[i].key == key)) i = (i + 1) & mask;
    return m.slots[i];
}

// The hashed part of memo_search: the key's slot, made when new, becomes its kind's last.
[[gnu::noinline]] SearchMemoSlot *memo_find(SearchMemo &m, uint32_t kind, const SearchKey &key, size_t n,
                                             TryVerdict **verdicts) {
    if (m.slots.empty()) m.slots.resize(MEMO_MIN_SLOTS);
    SearchMemoSlot *slot = &memo_slot(m, key);
    if (slot->generation != m.generation) {
        if (m.top + n > MEMO_MAX_VERDICTS) return nullptr;
        if (2 * (m.used + 1) > m.slots.size()) {
            std::vector<SearchMemoSlot> old(2 * m.slots.size());
            old.swap(m.slots);
            for (const SearchMemoSlot &kept : old)
                if (kept.generation == m.generation) memo_slot(m, kept.key) = kept;
            std::fill(std::begin(m.last), std::end(m.last), nullptr);   // they pointed into the old table
            std::fill(&m.by_heading[0][0], &m.by_heading[0][0] + 2 * 360, nullptr);
            slot = &memo_slot(m, key);
        }
        ++m.used;
        slot->key = key;   // every field set: no clearing first
        slot->generation = m.generation;
        slot->first = uint32_t(m.top);
        slot->any_free = ANY_FREE_UNKNOWN;
        std::fill(std::begin(slot->arc), std::end(slot->arc), int8_t(-1));
        m.top += n;
        if (m.pool.size() < m.top) m.pool.resize(m.top);
    }
    *verdicts = m.pool.data() + slot->first;
    m.last[kind] = slot;
    return slot;
}

// The kept search for the key, made with n unknown verdicts when new, and its verdicts; null when
// searches are not kept now. The slot and the verdicts stay put until the next call. A move
// search names the heading its ship faces (any value; 0..359 are looked up without hashing).
[[gnu::always_inline]] inline SearchMemoSlot *memo_search(MemoKind kind, const SearchKey &key, size_t n, TryVerdict **verdicts,
                                   int32_t facing = -1) {
    SearchMemo &m = memo;
    SearchMemoSlot *last = m.last[kind];
    if (last && last->generation == m.generation && last->key == key) {
        *verdicts = m.pool.data() + last->first;
        return last;
    }
    if (kind != MEMO_MOVE || uint32_t(facing) >= 360u) return memo_find(m, kind, key, n, verdicts);
    SearchMemoSlot **two = m.by_heading[facing];
    for (int way = 0; way < 2; ++way) {
        SearchMemoSlot *slot = two[way];
        if (slot && slot->generation == m.generation && slot->key == key) {
            *verdicts = m.pool.data() + slot->first;
            m.last[kind] = slot;
            return slot;
        }
    }
    SearchMemoSlot *slot = memo_find(m, kind, key, n, verdicts);
    if (slot) {
        two[1] = two[0];
        two[0] = slot;
    }
    return slot;
}


// The slot of the answer for the key, or the free slot where it would go.
inline PlacementAnswer &answer_slot(ShipAnswers &a, const PlacementKey &key) {
    const size_t mask = a.slots.size() - 1;
    uint64_t h = key.where ^ (uint64_t(key.size) << 7 | uint64_t(key.size) >> 25);
    h = (h ^ (h >> 33)) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    size_t i = size_t(h) & mask;
    while (a.slots[i].stamp != 0 && !(a.slots[i].key == key)) i = (i + 1) & mask;
    return a.slots[i];
}

// Keeps the answer in its slot, found by answer_slot for the key since the table last changed.
void keep_answer(ShipAnswers &a, PlacementAnswer *slot, const PlacementKey &key, bool blocked, uint32_t clock) {
    if (2 * (a.used + 1) > a.slots.size()) {
        std::vector<PlacementAnswer> old;
        old.swap(a.slots);
        const bool full = old.size() >= ANSWERS_MAX_SLOTS;
        a.slots.assign(full ? old.size() : 2 * old.size(), PlacementAnswer{});
        a.used = 0;
        if (!full)
            for (const PlacementAnswer &kept : old)
                if (kept.stamp != 0) {
                    answer_slot(a, kept.key) = kept;
                    ++a.used;
                }
        slot = &answer_slot(a, key);
    }
    if (slot->stamp == 0) ++a.used;
    *slot = {key, clock, blocked};
}

// The answer is still good: no cell under the ship's box at (x, y) changed after it was made but by
// the ship itself. A good answer is brought up to the present change count.
bool still_good(OccupancyCache &c, PlacementAnswer &answer, const Ship *ship, int32_t x, int32_t y) {
    if (answer.stamp == c.clock) return true;
    const bool good = each_cell(c, x, y, ship->w, ship->h, [&](const CellStamp &cell) {
        return (cell.by == ship ? cell.before : cell.last) <= answer.stamp;
    });
    if (good) answer.stamp = c.clock;
    return good;
}

// The ship's sprite for the frame at (x, y) meets something else on its map (the map query), for
// a query the answer table cannot answer at once; slot is the key's slot when the query is exact.
[[gnu::noinline]] bool spot_query(Ship *ship, int32_t frame, int32_t x, int32_t y, PlacementAnswer *slot,
                                  const PlacementKey &key) {
    OccupancyCache &c = cache;
    ShipAnswers *a = c.current;
    if (slot && slot->stamp != 0 && still_good(c, *slot, ship, x, y)) return slot->blocked;
    bool hit = false;
    if (a && a->ship == ship && c.map == ship->map) {
        // The placement rule of the map, asked of the picture taken of it (the map is as the
        // picture shows): the objects whose boxes meet the ship's box are found four at a time
        // and asked in the picture's order; any of them may block.
        const int32_t x1 = x + ship->w, y1 = y + ship->h;
        const bool plain = !a->own_tests;   // the ship's kind has no shape tests of its own
        for (const BoxGroup &g : c.boxes) {
            for (uint32_t met = boxes_met(g, x, y, x1, y1); met && !hit; met &= met - 1) {
                const uint32_t i = g.occupant[std::countr_zero(met)];
                if (i == NO_OCCUPANT) continue;
                hit = map_occupant_blocks(c.occupants[i].at, ship, plain, frame, x, y);
            }
            if (hit) break;
        }
    } else {
        hit = map_blocks(ship, frame, x, y);
    }
    if (slot) keep_answer(*a, slot, key, hit, c.clock);
    return hit;
}

[[gnu::always_inline]] inline bool spot_is_blocked_kept(Ship *ship, int32_t frame, int32_t x, int32_t y) {
    OccupancyCache &c = cache;
    ShipAnswers *a = c.current;
    const bool exact = a && a->ship == ship && c.map == ship->map && uint32_t(frame) < 0x10000u &&
                       uint32_t(x) + 0x800000u < 0x1000000u && uint32_t(y) + 0x800000u < 0x1000000u &&
                       uint32_t(ship->w) < 0x10000u && uint32_t(ship->h) < 0x10000u;
    if (!exact) return spot_query(ship, frame, x, y, nullptr, {});
    const PlacementKey key{.where = uint64_t(uint16_t(frame)) << 48 | uint64_t(uint32_t(x) & 0xFFFFFF) << 24 |
                                    (uint32_t(y) & 0xFFFFFF),
                           .size = uint32_t(uint16_t(ship->w)) << 16 | uint16_t(ship->h)};
    PlacementAnswer &slot = answer_slot(*a, key);
    if (slot.stamp == c.clock) return slot.blocked;
    return spot_query(ship, frame, x, y, &slot, key);
}

// Fresh work asks the map; a kept answer is checked against it.
[[gnu::noinline]] bool spot_is_blocked_checked(Ship *ship, int32_t frame, int32_t x, int32_t y) {
    if (plan_check_fresh()) return map_blocks(ship, frame, x, y);
    const bool kept = spot_is_blocked_kept(ship, frame, x, y);
    const bool fresh = map_blocks(ship, frame, x, y);
    plan_check_counted();
    if (kept != fresh)
        plan_check_failed("spot answers", "ship #%llu frame %d at (%d, %d): kept %s, the map says %s",
                          (unsigned long long)ship->id, frame, x, y, kept ? "blocked" : "free",
                          fresh ? "blocked" : "free");
    return kept;
}

// The ship's sprite for the frame at (x, y) meets something else on its map. The answers are kept
// by (frame, x, y, the ship's size) for the ship whose answers are selected; one found good at the
// present change count is read here, anything else asks spot_query.
// The searches are built twice: plain (Checking false: no trace of the check) and, while the check
// of kept answers is on, for fresh work and checked answers.
template <bool Checking>
inline bool spot_is_blocked(Ship *ship, int32_t frame, int32_t x, int32_t y) {
    if (Checking) return spot_is_blocked_checked(ship, frame, x, y);
    return spot_is_blocked_kept(ship, frame, x, y);
}

// The ship's sprite for the frame fits the map at (x, y) and meets nothing there.
template <bool Checking>
bool spot_is_free(Ship *ship, int32_t frame, int32_t x, int32_t y, bool test_overlap) {
    int32_t w = 0, h = 0;
    size_of_frame(ship, frame, &w, &h);
    if (ship->map) {
        if (x < EDGE || y < EDGE) return false;
        if (x > ship->map->world_w - w - EDGE || y > ship->map->world_h - h - BOTTOM_EDGE) return false;
        if (!test_overlap) return true;
        if (spot_is_blocked<Checking>(ship, frame, x, y)) return false;
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
struct OffsetKey {
    int32_t direction = 0, length = 0;
    bool operator==(const OffsetKey &) const = default;
};
struct OffsetMemoSlot {
    OffsetKey key;
    int32_t   dx = 0, dy = 0;
    bool      known = false;
};
constexpr uint32_t OFFSET_MEMO_SLOTS = 4096;
thread_local OffsetMemoSlot offset_memo[OFFSET_MEMO_SLOTS];

template <bool Checking>
void offset_for(int32_t direction, int32_t length, int32_t *dx, int32_t *dy) {
    if (Checking && plan_check_fresh()) {
        offset_computed(direction, length, dx, dy);
        return;
    }
    const uint32_t h = (uint32_t(direction) * 0x9E3779B1u ^ uint32_t(length) * 0x85EBCA77u) >> 20;
    OffsetMemoSlot &slot = offset_memo[h & (OFFSET_MEMO_SLOTS - 1)];
    const OffsetKey key{direction, length};
    if (!slot.known || !(slot.key == key)) {
        slot.key = key;
        offset_computed(direction, length, &slot.dx, &slot.dy);
        slot.known = true;
    }
    *dx = slot.dx;
    *dy = slot.dy;
}

// Move offsets by direction (0..359) and MP (the length is ten times the MP): a pure function of
// the two, kept per thread for good in a table read without hashing.
constexpr int32_t MOVE_TABLE_MP = 64;
struct MoveOffset {
    int16_t dx = 0, dy = 0;   // an offset is never longer than its length (below 640)
    bool    known = false;
};
thread_local std::vector<MoveOffset> move_offsets;

[[gnu::always_inline]] inline MoveOffset *move_offset_table() {
    if (move_offsets.empty()) move_offsets.resize(size_t(360) * MOVE_TABLE_MP);
    return move_offsets.data();
}

[[gnu::noinline]] void move_offset_fill(MoveOffset &o, int32_t direction, int32_t mp) {
    int32_t x = 0, y = 0;
    offset_computed(direction, mp * 10, &x, &y);
    o = {int16_t(x), int16_t(y), true};
}

// How far the moves of one direction and a range of MP reach either way: the least and the most
// of the offsets' dx and dy. A pure function of the three, kept per thread for good, direct-mapped
// by all three (a slot holds the key it answers).
struct RowReach {
    uint32_t key = UINT32_MAX;   // direction << 16 | least MP << 8 | lengths
    int16_t  min_dx = 0, max_dx = 0, min_dy = 0, max_dy = 0;
};
constexpr size_t ROW_REACHES = 4096;   // a power of two
thread_local RowReach row_reaches[ROW_REACHES];

// The reach of the moves in the direction (0..359) of least .. least + lengths - 1 MP, all below
// MOVE_TABLE_MP.
[[gnu::noinline]] const RowReach &row_reach(MoveOffset *offsets, int32_t direction, int32_t least, int32_t lengths) {
    const uint32_t key = uint32_t(direction) << 16 | uint32_t(least) << 8 | uint32_t(lengths);
    RowReach &r = row_reaches[((key * 0x9E3779B1u) >> 20) & (ROW_REACHES - 1)];
    if (r.key == key) return r;
    r.key = key;
    r.min_dx = r.min_dy = INT16_MAX;
    r.max_dx = r.max_dy = INT16_MIN;
    for (int32_t mp = least; mp < least + lengths; ++mp) {
        MoveOffset &o = offsets[size_t(direction) * MOVE_TABLE_MP + size_t(mp)];
        if (!o.known) move_offset_fill(o, direction, mp);
        r.min_dx = std::min(r.min_dx, o.dx);
        r.max_dx = std::max(r.max_dx, o.dx);
        r.min_dy = std::min(r.min_dy, o.dy);
        r.max_dy = std::max(r.max_dy, o.dy);
    }
    return r;
}

// Judges the tries of one move search: the frame for the current heading and the box its
// top-left corner must keep inside the map's edges are worked out at the first try judged.
template <bool Checking>
struct MoveJudge {
    Ship       *ship;
    int32_t     heading, from_x, from_y, current_heading;
    uint32_t    tag;    // the search the verdicts belong to
    bool        kept;   // a kept search: the plan's frames by heading apply
    bool        ready = false;
    int32_t     frame = 0, right = 0, bottom = 0;
    MoveOffset *offsets = nullptr;

    [[gnu::noinline]] void prepare() {
        offsets = Checking && plan_check_fresh() ? nullptr : move_offset_table();
        ready = true;
        SearchMemo::FacingFrame *known = nullptr;
        if (kept && uint32_t(current_heading) < 360u) {
            known = &memo.facing[current_heading];
            if (known->generation == memo.generation && known->ship == ship) {
                frame = known->frame;
                right = known->right;
                bottom = known->bottom;
                return;
            }
        }
        frame = ship_frame_for_heading(ship, current_heading);
        int32_t w = 0, h = 0;
        size_of_frame(ship, frame, &w, &h);
        if (ship->map) {
            right = ship->map->world_w - w - EDGE;
            bottom = ship->map->world_h - h - BOTTOM_EDGE;
        }
        if (known) *known = {memo.generation, ship, frame, right, bottom};
    }

    // The verdict of the try in the direction (0..359) of mp points.
    [[gnu::always_inline]] void judge(TryVerdict &v, int32_t direction, int32_t mp) {
        if (!ready) prepare();
        int32_t dx = 0, dy = 0;
        // Fresh work (no offsets table) works every offset out.
        if ((!Checking || offsets) && uint32_t(direction) < 360u && uint32_t(mp) < uint32_t(MOVE_TABLE_MP)) [[likely]] {
            MoveOffset &o = offsets[size_t(direction) * MOVE_TABLE_MP + size_t(mp)];
            if (!o.known) move_offset_fill(o, direction, mp);
            dx = o.dx;
            dy = o.dy;
        } else {
            offset_for<Checking>(direction, mp * 10, &dx, &dy);
        }
        v.x = from_x + dx;
        v.y = from_y + dy;
        v.search = tag;
        bool free = true;
        if (ship->map)
            free = v.x >= EDGE && v.y >= EDGE && v.x <= right && v.y <= bottom &&
                   !spot_is_blocked<Checking>(ship, frame, v.x, v.y);
        v.state = free ? TryVerdict::FREE : TryVerdict::BLOCKED;
    }

    // Every move in the direction (0..359) of least .. least + lengths - 1 MP ends with its corner
    // beyond one edge of the map, whatever stands on it: each of them would be judged blocked.
    bool row_leaves_map(int32_t direction, int32_t least, int32_t lengths) {
        if ((Checking && plan_check_fresh()) || !ship->map || least < 0 || lengths < 1 ||
            least + lengths > MOVE_TABLE_MP || uint32_t(direction) >= 360u || from_x < -0x40000000 ||
            from_x > 0x40000000 || from_y < -0x40000000 || from_y > 0x40000000)
            return false;
        if (!ready) prepare();
        const RowReach &r = row_reach(offsets, direction, least, lengths);
        return from_x + r.max_dx < EDGE || from_y + r.max_dy < EDGE || from_x + r.min_dx > right ||
               from_y + r.min_dy > bottom;
    }
};

// The verdict of a turn from the place to the heading h (0..359), and the place it leads to.
// A "turn" to the heading turned from (from, normalised) is no turn: blocked.
template <bool Checking>
struct TurnFrom {
    Ship   *ship;
    int32_t from_heading, from;   // as asked and normalised
    int32_t x, y;                 // the place
    bool    asks_map;

    void judge(int32_t h, TryVerdict::State *state, int32_t *to_x, int32_t *to_y) const {
        *to_x = x;
        *to_y = y;
        if (h == from) {
            *state = TryVerdict::BLOCKED;
            return;
        }
        ship_adjust_position_for_heading(ship, from_heading, h, to_x, to_y);
        const bool blocked =
            asks_map && spot_is_blocked<Checking>(ship, ship_frame_for_heading(ship, h), *to_x, *to_y);
        *state = blocked ? TryVerdict::BLOCKED : TryVerdict::FREE;
    }

    [[gnu::noinline]] void judge_cell(int32_t h, uint32_t number, TurnCell *cell) const {
        cell->row = number;
        judge(h, &cell->state, &cell->x, &cell->y);
    }
};

}  // namespace

void ship_ai_map_still_begin() {
    ++cache.still_depth;
    cache.still_checked = false;
    cache.plan_ship = nullptr;
    memo_forget();
}

void ship_ai_map_still_end() {
    if (cache.still_depth > 0) --cache.still_depth;
    cache.still_checked = false;
    cache.plan_ship = nullptr;
    memo_forget();
}

namespace {

template <bool Checking>
Result pick_position(Ship *ship, int32_t radius, int32_t cx, int32_t cy, int32_t heading, int32_t *x, int32_t *y) {
    const int32_t frame = ship_frame_for_heading(ship, heading);
    int32_t w = 0, h = 0;
    size_of_frame(ship, frame, &w, &h);
    radius = std::max(radius, 0);
    if (!(Checking && plan_check_fresh())) (void)cache_begin(ship);   // its searches are not kept
    for (int32_t attempt = 0; attempt < PLACE_TRIES; ++attempt) {
        const int32_t angle = system_random_between(0, 359);
        const int32_t length = system_random_between(radius / 4, radius);
        int32_t dx = 0, dy = 0;
        offset_for<Checking>(angle, length, &dx, &dy);
        const int32_t px = cx + dx - w / 2, py = cy + dy - h / 2;
        if (!spot_is_free<Checking>(ship, frame, px, py, true)) continue;
        if (x) *x = px;
        if (y) *y = py;
        return RES_OK;
    }
    return RES_NO_FREE_POSITION;
}

template <bool Checking>
[[gnu::always_inline]] inline Result pick_heading(Ship *ship, int32_t heading, int32_t mp_min, int32_t mp_max,
                                                  int32_t from_x, int32_t from_y, int32_t current_heading, int32_t *x,
                                                  int32_t *y) {
    const bool immobile = ship->hull_flags & HULL_FLAG_IMMOBILE;
    const bool keep = !(Checking && plan_check_fresh()) && cache_begin(ship);
    // A try is one of 11 directions and, unless immobile, one length of the MP range: the verdict
    // of each pair is worked out once per search (once per plan when the search is kept).
    constexpr int32_t DIRECTIONS = 2 * HEADING_JITTER + 1;
    const int32_t least = immobile ? 0 : mp_min;
    const int64_t span = immobile ? 1 : int64_t(mp_max) - mp_min + 1;
    const int32_t lengths = span >= 1 && span <= 4096 ? int32_t(span) : 0;
    const size_t pairs = size_t(DIRECTIONS) * size_t(lengths);
    TryVerdict *verdicts = nullptr;
    SearchMemoSlot *kept = nullptr;
    if (keep) {
        const SearchKey key{{key_word(MEMO_MOVE | uint32_t(immobile) << 16, heading), key_word(least, lengths),
                             key_word(from_x, from_y), key_word(current_heading, ship->move_arc),
                             uint64_t(reinterpret_cast<uintptr_t>(ship))}};
        kept = memo_search(MEMO_MOVE, key, pairs, &verdicts, current_heading);
    }
    if (!kept) verdicts = verdicts_begin(pairs);
    const uint32_t search_tag = kept ? memo.generation : cache.search;
    int8_t own_arc[DIRECTIONS];
    int8_t *arc_known = kept ? kept->arc : own_arc;   // -1 not yet worked out
    if (!kept) std::fill(std::begin(own_arc), std::end(own_arc), int8_t(-1));
    auto in_arc = [&](int32_t j) {
        if (arc_known[j] < 0) {
            int32_t off = angle_diff(current_heading, angle_normalize(heading + j - HEADING_JITTER));
            if (off < 0) off = -off;
            arc_known[j] = off <= ship->move_arc / 2;
        }
        return arc_known[j] != 0;
    };
    MoveJudge<Checking> judge{ship, heading, from_x, from_y, current_heading, search_tag, kept != nullptr};
    // When there are no more pairs than tries, see first whether any of them is free: a move that
    // is blocked everywhere fails at once rather than after every try (a plan asks for many such).
    if (lengths > 0 && int64_t(DIRECTIONS) * lengths <= PLACE_TRIES) {
        AnyFree any = kept ? kept->any_free : ANY_FREE_UNKNOWN;
        if (any == ANY_FREE_UNKNOWN) {
            // The first try that counts, seen before it is drawn: when it wins, a move exists and the
            // pairs need not be gone through (it is judged once either way).
            bool any_free = false;
            int32_t jitter = 0, mp = least;
            if (system_random_peek_between(0, -HEADING_JITTER, HEADING_JITTER, &jitter) &&
                in_arc(jitter + HEADING_JITTER) && (immobile || system_random_peek_between(1, mp_min, mp_max, &mp))) {
                TryVerdict &first = verdicts[size_t(jitter + HEADING_JITTER) * size_t(lengths) + size_t(mp - least)];
                if (state_of(first, search_tag) == TryVerdict::UNKNOWN)
                    judge.judge(first, angle_normalize(heading + jitter), mp);
                any_free = first.state == TryVerdict::FREE;
            }
            for (int32_t j = 0; j < DIRECTIONS && !any_free; ++j) {
                if (!in_arc(j)) continue;
                const int32_t direction = angle_normalize(heading + j - HEADING_JITTER);
                // A row of lengths that all leave the map holds no free move: its verdicts are left
                // to be judged if ever drawn (a search that finds no free move draws nothing).
                if (lengths > 1 && judge.row_leaves_map(direction, least, lengths)) continue;
                TryVerdict *row = verdicts + size_t(j) * size_t(lengths);
                for (int32_t l = 0; l < lengths && !any_free; ++l) {
                    if (state_of(row[l], search_tag) == TryVerdict::UNKNOWN) judge.judge(row[l], direction, least + l);
                    any_free = row[l].state == TryVerdict::FREE;
                }
            }
            any = any_free ? ANY_FREE_YES : ANY_FREE_NO;
            if (kept) kept->any_free = any;
        }
        if (any == ANY_FREE_NO) return RES_NO_FREE_POSITION;
    }
    for (int32_t attempt = 0; attempt < PLACE_TRIES; ++attempt) {
        const int32_t jitter = system_random_between(-HEADING_JITTER, HEADING_JITTER);
        if (!in_arc(jitter + HEADING_JITTER)) continue;
        const int32_t mp = immobile ? 0 : system_random_between(mp_min, mp_max);
        // A drawn MP lies in the range (its least value when the range is empty), so it is listed
        // unless the range has no list.
        const uint64_t l = uint64_t(int64_t(mp) - least);
        if (l >= uint64_t(lengths)) [[unlikely]] {
            TryVerdict scratch;
            judge.judge(scratch, angle_normalize(heading + jitter), mp);
            if (scratch.state != TryVerdict::FREE) continue;
            if (x) *x = scratch.x;
            if (y) *y = scratch.y;
            return RES_OK;
        }
        TryVerdict &v = verdicts[size_t(jitter + HEADING_JITTER) * size_t(lengths) + size_t(l)];
        if (state_of(v, search_tag) == TryVerdict::UNKNOWN) judge.judge(v, angle_normalize(heading + jitter), mp);
        if (v.state != TryVerdict::FREE) continue;
        if (x) *x = v.x;
        if (y) *y = v.y;
        return RES_OK;
    }
    return RES_NO_FREE_POSITION;
}

template <bool Checking>
[[gnu::always_inline]] inline Result random_turn_from(Ship *ship, int32_t from_heading, int32_t spread,
                                                      int32_t *heading, int32_t *x, int32_t *y) {
    const bool fresh = Checking && plan_check_fresh();
    const bool test_overlap = !(ship->hull_flags & HULL_FLAG_TURN_UNBLOCKED);
    const bool map_kept = !fresh && test_overlap && cache_begin(ship);
    const int32_t lo = -spread / 2, hi = spread / 2;
    // One verdict per offset of the spread: read from the plan's row of turns from the place when
    // the search is kept (the offsets then turn to distinct headings), else worked out once per
    // search.
    const int32_t offsets = hi >= lo && int64_t(hi) - lo < 4096 ? hi - lo + 1 : 0;
    const bool asks_map = test_overlap && ship->map;
    // The inputs are copied: what the pointers hold changes only when the search succeeds.
    const int32_t wanted = *heading;
    const TurnFrom<Checking> turn{ship, from_heading, angle_normalize(from_heading), *x, *y, asks_map};
    if (!fresh && (asks_map ? map_kept : cache.still_depth > 0) && offsets > 0 && offsets <= 360) {
        TurnRow &row = turn_row(ship, from_heading, *x, *y, asks_map, memo.generation);
        const uint32_t number = row.number;
        auto cell_at = [&](int32_t offset) __attribute__((always_inline)) -> const TurnCell & {
            const int32_t h = angle_normalize(wanted + offset);
            TurnCell &cell = row.cells[h];
            if (cell.row != number) turn.judge_cell(h, number, &cell);
            return cell;
        };
        // A turn blocked at every offset fails at once, as the move search does.
        if (offsets <= TURN_TRIES) {
            int32_t i = 0;
            while (i < offsets && cell_at(lo + i).state != TryVerdict::FREE) ++i;
            if (i == offsets) return RES_NO_FREE_POSITION;
        }
        for (int32_t attempt = 0; attempt < TURN_TRIES; ++attempt) {
            const int32_t offset = system_random_between(lo, hi);
            const TurnCell &cell = cell_at(offset);
            if (cell.state != TryVerdict::FREE) continue;
            *heading = angle_normalize(wanted + offset);
            *x = cell.x;
            *y = cell.y;
            return RES_OK;
        }
        return RES_NO_FREE_POSITION;
    }
    TryVerdict *verdicts = verdicts_begin(size_t(offsets));
    const uint32_t search_tag = cache.search;
    auto judged = [&](TryVerdict &v, int32_t offset) -> const TryVerdict & {
        if (state_of(v, search_tag) == TryVerdict::UNKNOWN) {
            v.search = search_tag;
            turn.judge(angle_normalize(wanted + offset), &v.state, &v.x, &v.y);
        }
        return v;
    };
    if (offsets > 0 && offsets <= TURN_TRIES) {
        int32_t i = 0;
        while (i < offsets && judged(verdicts[size_t(i)], lo + i).state != TryVerdict::FREE) ++i;
        if (i == offsets) return RES_NO_FREE_POSITION;
    }
    for (int32_t attempt = 0; attempt < TURN_TRIES; ++attempt) {
        const int32_t offset = system_random_between(lo, hi);
        TryVerdict scratch;
        const TryVerdict &v = judged(offsets > 0 ? verdicts[size_t(offset - lo)] : scratch, offset);
        if (v.state != TryVerdict::FREE) continue;
        *heading = angle_normalize(wanted + offset);
        *x = v.x;
        *y = v.y;
        return RES_OK;
    }
    return RES_NO_FREE_POSITION;
}

// A search's answer.
struct SearchAnswer {
    Result  result = RES_OK;
    int32_t heading = 0, x = 0, y = 0;
};

// The search run afresh and then as it keeps its answers, from the same draws; the kept run's answer
// is the search's, after it is compared with the fresh one.
template <class Search>
[[gnu::noinline]] SearchAnswer checked_search(const char *what, const Ship *ship, const SearchAnswer &given,
                                              Search &&search) {
    const PlanDrawMark start = plan_check_mark();
    SearchAnswer fresh = given;
    {
        PlanCheckFresh scope;
        fresh.result = search(&fresh);
    }
    const PlanDrawMark fresh_end = plan_check_mark();
    plan_check_rewind(start);
    SearchAnswer kept = given;
    kept.result = search(&kept);
    plan_check_counted();
    if (kept.result != fresh.result || (kept.result == RES_OK && (kept.heading != fresh.heading || kept.x != fresh.x ||
                                                                  kept.y != fresh.y)))
        plan_check_failed(what, "ship #%llu: kept %d heading %d at (%d, %d), fresh %d heading %d at (%d, %d)",
                          (unsigned long long)ship->id, int(kept.result), kept.heading, kept.x, kept.y,
                          int(fresh.result), fresh.heading, fresh.x, fresh.y);
    if (!plan_check_draws_at(fresh_end))
        plan_check_failed(what, "ship #%llu: the kept search drew otherwise than the fresh one",
                          (unsigned long long)ship->id);
    return kept;
}

}  // namespace

Result ship_ai_pick_position(Ship *ship, int32_t radius, int32_t cx, int32_t cy, int32_t heading, int32_t *x,
                             int32_t *y) {
    if (!plan_check_on()) [[likely]]
        return pick_position<false>(ship, radius, cx, cy, heading, x, y);
    if (plan_check_fresh()) return pick_position<true>(ship, radius, cx, cy, heading, x, y);
    const SearchAnswer a = checked_search("spot search", ship, {}, [&](SearchAnswer *s) {
        return pick_position<true>(ship, radius, cx, cy, heading, &s->x, &s->y);
    });
    if (a.result == RES_OK) {
        if (x) *x = a.x;
        if (y) *y = a.y;
    }
    return a.result;
}

Result ship_ai_pick_heading(Ship *ship, int32_t heading, int32_t mp_min, int32_t mp_max, int32_t from_x,
                            int32_t from_y, int32_t current_heading, int32_t *x, int32_t *y) {
    if (!plan_check_on()) [[likely]]
        return pick_heading<false>(ship, heading, mp_min, mp_max, from_x, from_y, current_heading, x, y);
    if (plan_check_fresh())
        return pick_heading<true>(ship, heading, mp_min, mp_max, from_x, from_y, current_heading, x, y);
    const SearchAnswer a = checked_search("move search", ship, {}, [&](SearchAnswer *s) {
        return pick_heading<true>(ship, heading, mp_min, mp_max, from_x, from_y, current_heading, &s->x, &s->y);
    });
    if (a.result == RES_OK) {
        if (x) *x = a.x;
        if (y) *y = a.y;
    }
    return a.result;
}

Result ship_ai_random_turn_from(Ship *ship, int32_t from_heading, int32_t spread, int32_t *heading, int32_t *x,
                                int32_t *y) {
    if (!plan_check_on()) [[likely]]
        return random_turn_from<false>(ship, from_heading, spread, heading, x, y);
    if (plan_check_fresh()) return random_turn_from<true>(ship, from_heading, spread, heading, x, y);
    const SearchAnswer given{.result = RES_OK, .heading = *heading, .x = *x, .y = *y};
    const SearchAnswer a = checked_search("turn search", ship, given, [&](SearchAnswer *s) {
        return random_turn_from<true>(ship, from_heading, spread, &s->heading, &s->x, &s->y);
    });
    if (a.result == RES_OK) {
        *heading = a.heading;
        *x = a.x;
        *y = a.y;
    }
    return a.result;
}

Result ship_ai_random_turn(Ship *ship, int32_t spread, int32_t *heading, int32_t *x, int32_t *y) {
    return ship_ai_random_turn_from(ship, ship->heading, spread, heading, x, y);
}
