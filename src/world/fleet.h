#pragma once
// Fleet: the object kind 3, how ships travel on the galaxy map. A group of ships of one owner,
// drawn as one badge (or as its ships side by side), moving towards a sector or another fleet at
// the speed of its slowest ship.
//  - Owns one reference on every ship of `ships` and on its move target. Ships join and leave
//    only through ship_set_fleet, which calls fleet_add_ship / fleet_remove_ship;
//    whoever empties a fleet walks a copy of the list, because the setter changes it.
//  - Each frame (fleet_update) it steers towards its target and, on arrival, moves its ships into
//    the sector (each leaving the fleet first, so no ship keeps a fleet id), intercepts a hostile
//    fleet (holding it) or merges into a friendly one. After each clock advance it scans
//    (fleet_scan): its owner, and players holding a sensor tap on the owner, learn what it sees.
//  - One template; load group 0 reads the badge's frame sizes of "fleet/000/png", group 1 the
//    badge sprites.
//  - The threat list of the computer players (threat_map_build, fleet_threat_value) lives here.
//  - Game thread, or an AI worker while the screens wait for it. No lock. Random draws that need
//    not survive a save (ping countdown, composition spacing) use the calling thread's quick
//    generator.
//  - Result codes: RES_SHORT_BUFFER, RES_MALFORMED (a negative ship count), RES_NO_MEMORY, a
//    reference reader's code; the link RES_UNRESOLVED_ID (4312) for a missing move target or
//    ship and RES_KIND_MISMATCH (-49) for a move target of another kind; RES_OUT_OF_RANGE from
//    fleet_template_icon_size for a template other than 0.
#include <cstdint>
#include <string>
#include <vector>
#include "platform/list.h"
#include "platform/result.h"
#include "world/object.h"

struct Buffer;
struct Factory;
struct ObjectMethods;
struct Player;

constexpr int32_t FLEET_TEMPLATE_COUNT = 1;

// Fleet::fleet_flags.
constexpr uint32_t FLEET_BADGE        = 0x1;     // badge drawn; the size grew by 3 x 3
constexpr uint32_t FLEET_BARRED       = 0x2;     // kept from meeting fleets until the next clock advance
constexpr uint32_t FLEET_COMPOSITE    = 0x4;     // ships drawn individually; shape tests always hit
constexpr uint32_t FLEET_RECOMPOSE    = 0x8;     // composition changed: rebuilt by fleet_kind_name
constexpr uint32_t FLEET_RETREATED    = 0x10;    // made for ships that retreated from a battle
constexpr uint32_t FLEET_PINGS        = 0x20;    // pings its position between days
constexpr uint32_t FLEET_HIDDEN       = 0x40;    // not drawn
constexpr uint32_t FLEET_ARRIVED      = 0x80;
constexpr uint32_t FLEET_SCANNED      = 0x100;   // has scanned since the last galaxy turn
constexpr uint32_t FLEET_ROTATING     = 0x200;   // mirrors the header's OBJ_ROTATING
constexpr uint32_t FLEET_SHOWS_COUNT  = 0x400;

constexpr int32_t FLEET_BADGE_GROWTH     = 3;    // the badge's frame around the sprite
constexpr int32_t FLEET_NO_OWNER_COLOUR  = 16;
constexpr int32_t FLEET_SECTOR_REACH     = 21;   // centres closer than this: arrived at a sector
constexpr int32_t FLEET_FLEET_REACH      = 13;   // ... met a fleet
constexpr int32_t FLEET_RESTEER_PIXELS   = 3;    // a target that moved this far is steered at again
constexpr int32_t FLEET_PING_MS          = 10000;
constexpr int32_t FLEET_BUSY_HOLD_MS     = 50;
constexpr int32_t FLEET_ROW_GAP          = 4;    // composition: pixels between ships of a row
constexpr int32_t FLEET_ROW_HEIGHT       = 30;
constexpr int32_t FLEET_COUNT_MAX        = 99;   // the ship count the badge writes at most
constexpr int32_t FLEET_SCAN_PERCENT     = 15;   // a ship's scan range on the galaxy map

// Experience the pilots gain from what their fleet meets.
constexpr int32_t FLEET_XP_NEW_SECTOR    = 1000;   // arriving at a sector never visited
constexpr int32_t FLEET_XP_SECTOR_SEEN   = 500;    // scanning a sector never seen
constexpr int32_t FLEET_XP_FIRST_SCAN    = 50;     // a fleet or an owned sector on a first scan


// Threat list.
constexpr int32_t THREAT_LIST_CAPACITY   = 32;
constexpr int32_t THREAT_MAX_AGE_DAYS    = 7;
constexpr int32_t THREAT_REACH           = 200;   // pixels at which a threat fades to nothing
constexpr int32_t THREAT_FULL_WITHIN     = 14;    // closer than this counts as on top

struct FleetCompEntry {
    int32_t ship = 0;       // index in `ships`
    int32_t x = 0, y = 0;   // offset from the fleet's top-left corner
    int32_t frame = 0;      // the ship's frame
};

struct Fleet : GameObject {
    uint32_t    fleet_flags = 0;
    std::string display_name = "Ship";
    GameObject *move_target = nullptr;          // sector or fleet; one reference held
    uint8_t     colour_r = 0, colour_g = 0, colour_b = 0;
    int32_t     target_last_x = 0, target_last_y = 0;
    List<GameObject> ships;                     // one reference each
    uint64_t    saved_id_a = 0, saved_id_b = 0; // kept for the screens and the turn logic
    int32_t     ping_ms = 0;
    uint64_t    intercepted_fleet_id = 0;       // read and cleared by the turn logic
    int32_t     capacity_total = 0;
    int32_t     scan_range = 0;
    int32_t     piloted_count = 0;
    std::vector<FleetCompEntry> composition;    // composite drawing
    int32_t     cloak = -1;                     // percent other fleets' scan range shrinks by
    // A snapshot's record of what was seen.
    std::vector<uint64_t> known_ship_ids;
    uint64_t    known_target_id = 0;
    int32_t     known_speed = 0;
};

inline Fleet *fleet_of(GameObject *obj) {
    return obj && obj->kind == OBJECT_FLEET && !(obj->flags & OBJ_STUB) ? static_cast<Fleet *>(obj) : nullptr;
}
inline const Fleet *fleet_of(const GameObject *obj) {
    return obj && obj->kind == OBJECT_FLEET && !(obj->flags & OBJ_STUB) ? static_cast<const Fleet *>(obj) : nullptr;
}

struct ThreatEntry {
    int32_t index = 0;
    int32_t x = 0, y = 0;
    int32_t strength = 0;
};

struct ThreatList {
    std::vector<ThreatEntry> entries;   // reserved THREAT_LIST_CAPACITY at creation
};

// ---- Kind set-up (object_kinds.cpp) ----
void fleet_register_methods(ObjectMethods *row);
void fleet_register_factory(Factory *factory);

// ---- Creation and membership ----
Fleet      *fleet_create();                              // null when the factory cannot make one
// A ship already present (same id) is ignored. Called by ship_set_fleet; others call that.
void        fleet_add_ship(Fleet *fleet, GameObject *ship);
// Keeps the others' order; an empty fleet is dead. Called by ship_set_fleet; others call that.
void        fleet_remove_ship(Fleet *fleet, GameObject *ship);
GameObject *fleet_get_ship(const Fleet *fleet, int32_t index);   // null outside
int32_t     fleet_ship_count(const Fleet *fleet);
bool        fleet_has_ship_id(const Fleet *fleet, uint64_t id);
bool        fleet_has_pilot(const Fleet *fleet);
bool        fleet_ships_all_in_list(const Fleet *fleet, const List<GameObject> *list);
// A new list (not owning) sorted by ship name in byte order; equal names: the later ship first.
List<GameObject> *fleet_sorted_ship_list(const Fleet *fleet);
GameObject *fleet_move_target(const GameObject *fleet);   // null for a non-fleet
int32_t     fleet_scan_range_of(const GameObject *fleet);   // 0 for a non-fleet

// Galaxy orders on the live ships: attack a blockaded starbase, survey (gather or rescue), attack the
// automated defences.
void fleet_set_ships_attack_starbase(Fleet *fleet, bool on);
void fleet_set_ships_survey(Fleet *fleet, bool on);
void fleet_set_ships_attack_starbase0(Fleet *fleet, bool on);
bool fleet_any_ship_attacks_starbase(const Fleet *fleet);
bool fleet_any_ship_surveys(const Fleet *fleet);
bool fleet_any_ship_attacks_defences(const Fleet *fleet);

// Fleet flags.
void     fleet_set_composite(Fleet *fleet);
void     fleet_set_hidden(Fleet *fleet, bool on);
void     fleet_bar_meetings(Fleet *fleet);
bool     fleet_is_barred(const Fleet *fleet);
bool     fleet_is_hidden(const Fleet *fleet);
void     fleet_enable_pings(Fleet *fleet);
void     fleet_show_count(Fleet *fleet);
void     fleet_mark_retreated(Fleet *fleet);
bool     fleet_is_retreated(const Fleet *fleet);
void     fleet_set_colour(Fleet *fleet, uint8_t r, uint8_t g, uint8_t b);
uint64_t fleet_take_intercepted_fleet(Fleet *fleet);
// The sector or fleet the player split this fleet off (saved_id_a; 0 none).
void     fleet_set_origin_id(Fleet *fleet, uint64_t id);
uint64_t fleet_origin_id(const Fleet *fleet);
int32_t  fleet_cloak(const GameObject *fleet);           // 0 for anything but a fleet
Result   fleet_template_icon_size(int32_t index, int32_t *w, int32_t *h);

// Name, totals, speed and composition from the ships (or a snapshot's known fields).
void fleet_kind_name(Fleet *fleet);

// ---- Movement ----
void    fleet_set_move_target(Fleet *fleet, GameObject *target);   // null only releases
int32_t fleet_distance_to_target(const Fleet *fleet);
int32_t fleet_travel_time_to_target(const Fleet *fleet);          // days
bool    fleet_is_at(const Fleet *fleet, const GameObject *target);
// Where to steer to meet the (moving) target fleet; the target's position when no finite
// meeting time exists.
void    fleet_intercept_point(const Fleet *fleet, int32_t *x, int32_t *y);
// The slowest effective speed over a list of ships (stopping at a null entry); 0 for none.
int32_t ship_list_min_mp(const List<GameObject> *list);

// ---- Per frame, clock and scan ----
void fleet_update(GameObject *obj, int32_t dt);
void fleet_scan(GameObject *obj);

// ---- Save record ----
Result fleet_write(const GameObject *obj, Buffer *buf);
Result fleet_read(GameObject *obj, Buffer *buf);
Result fleet_link(GameObject *obj);
void   fleet_copy_record(GameObject *dest, const GameObject *src, int32_t version);

// ---- Threat list ----
ThreatList *threat_list_create();
void        threat_list_free(ThreatList *list);
void        threat_map_build(ThreatList *list, Player *player);
int32_t     fleet_threat_value(const ThreatList *list, int32_t x, int32_t y);

// The list indexed by place, for asking the threat at many points while the list stands still: each
// square cell keeps, in list order, the entries that may reach a point of it. threat_grid_value
// gives what fleet_threat_value gives for the list the grid was built on. A point or a list beyond
// NEAR (where the legs of a distance could pass the 32-bit range), or a list too widely spread to
// index, is asked of the whole list.
struct ThreatGrid {
    static constexpr int32_t CELL = 32;
    static constexpr int64_t MAX_CELLS = 1 << 16;
    static constexpr int32_t NEAR = 1 << 29;
    const ThreatList *list = nullptr;
    int64_t left = 0, top = 0;           // the first cell's corner
    int32_t columns = 0, rows = 0;       // 0: not indexed
    std::vector<int32_t> first;          // per cell, where its entries start in `entries`; and the end
    std::vector<int32_t> entries;        // indices into the list
};
void    threat_grid_build(ThreatGrid *grid, const ThreatList *list);
int32_t threat_grid_value(const ThreatGrid *grid, int32_t x, int32_t y);
