#pragma once
// ObjectMap: one plane of objects (the galaxy, the contents shown for a sector, the combat map of
// an encounter) with their visual effects.
//  - Owns one reference per list an object is in: `objects`, its draw layer, and `pending` until
//    the object joins at map_add_pending_objects. Objects flagged dead (OBJ_DEAD) or gone
//    (OBJ_LEFT_MAP) are removed and released at the next sweep (map_remove_dead_objects), which
//    fills each hole with the list's last entry, so the order of the rest changes.
//  - Steps every object and effect, draws three layers between the effects under and over them,
//    answers queries through an ObjectFilter, picks the next combat actor by initiative, waits
//    while objects or blocking effects are busy (and for the hold time after), and can inject
//    defence shots into a battle.
//  - Save form: i32 world width, i32 world height, i32 object count, then each object's record.
//    Objects read stay unlinked until map_link_objects.
//  - Stepped by the game thread; the AI workers read and change maps while the screens wait for
//    them. No lock.
//  - Result codes: RES_SHORT_BUFFER, RES_MALFORMED (negative count), an object reader's or link
//    slot's code (RES_UNRESOLVED_ID included), RES_NO_FREE_POSITION; RES_OUT_OF_RANGE from a write,
//    read or link handed no map.
//  - What blocks a spot is decided by map_occupant_blocks alone: the map's placement query asks it
//    of the objects as they stand, the AI's move searches of the records they keep of a map.
#include <cstdint>
#include <string>
#include "platform/list.h"
#include "platform/result.h"
#include "world/object.h"

struct Buffer;
struct Effect;
struct Graphics;
struct Sprite;

// ObjectMap::flags.
constexpr uint32_t MAP_BUSY            = 0x1;   // waiting for objects or for the hold time
constexpr uint32_t MAP_DEFENSE         = 0x2;   // defence shots enabled
constexpr uint32_t MAP_DEFENSE_RESCALE = 0x4;   // the defence clock is multiplied by the ship count
constexpr uint32_t MAP_DEFENSE_DUE     = 0x8;   // a defence shot is due
constexpr uint32_t MAP_ITERATING       = 0x10;  // the map walks its objects: newcomers wait in `pending`

constexpr int32_t MAP_LAYER_COUNT         = 3;
constexpr int32_t MAP_TURN_INITIATIVE     = 10000;   // initiative at which an object acts
constexpr int32_t MAP_FREE_POSITION_TRIES = 24;
constexpr int32_t MAP_DEFENSE_HEADING     = 330;
constexpr int32_t MAP_NO_DISTANCE         = 999999;  // a nearest search starts from this distance
// An actor's plan and act are repeated at most this often in one autocombat turn.
constexpr int32_t MAP_AUTOCOMBAT_MAX_ROUNDS = 1000;

// A line the screens draw for a while (a move or a shot); the map ages and frees it.
struct MapActionLine {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int32_t ms_left = 0;
};

struct ObjectMap {
    uint32_t   flags = 0;
    int32_t    world_w = 0, world_h = 0;      // 4 x the screen size at creation
    int32_t    view_x = 0, view_y = 0;
    int32_t    screen_w = 0, screen_h = 0;
    int32_t    busy_count = 0;                // busy objects and blocking effects
    int32_t    hold_ms = 0;                   // time the map stays busy once the count is 0
    List<GameObject> objects;                 // one reference each
    List<GameObject> pending;                 // placed, joining at the next add; one reference each
    List<Effect>     effects;
    List<Effect>     new_effects;             // added this tick
    List<GameObject> layers[MAP_LAYER_COUNT]; // draw lists by the object's layer; one reference each
    List<MapActionLine> timed_lines;
    GameObject *current = nullptr;            // the combat actor (OBJ_ACTOR, one reference)
    uint64_t   viewer_id = 0;                 // 0: everything visible
    int32_t    change_count = 0;
    int32_t    destroyed_count = 0;           // ships destroyed on the map since it was cleared
    int32_t    defense_clock = 0;             // ship turns until the next defence shot
    int32_t    defense_interval = 0;
    int32_t    defense_shot_type = 0;
    std::string defense_singular, defense_plural;
    int32_t    defense_count = 0;             // defence shots still to come
    uint64_t   defense_player_id = 0;
    int32_t    defense_damage_min = 0, defense_damage_max = 0;
};

// ObjectFilter::flags.
constexpr uint32_t FILTER_POINT        = 0x1;     // point test at (px, py)
constexpr uint32_t FILTER_SHAPE        = 0x2;     // then the shape test
constexpr uint32_t FILTER_KINDS        = 0x4;     // (1 << kind) in kind_mask
constexpr uint32_t FILTER_NEAREST      = 0x8;     // with FILTER_POINT: nearest top-left corner
constexpr uint32_t FILTER_NOT_SELF     = 0x10;    // and shape tests against self
constexpr uint32_t FILTER_NOT_OWNER    = 0x20;
constexpr uint32_t FILTER_EXCLUDE      = 0x40;    // none of exclude_flags
constexpr uint32_t FILTER_OWNER        = 0x80;
constexpr uint32_t FILTER_SUBTYPE      = 0x100;
constexpr uint32_t FILTER_ID           = 0x200;   // the object with `id`, no other test
constexpr uint32_t FILTER_SELF_FRAME   = 0x400;   // overlap with self's `frame`
constexpr uint32_t FILTER_RECT         = 0x800;   // box meets the rectangle
constexpr uint32_t FILTER_EXTRA_HEIGHT = 0x1000;
// The placement query: does anything else meet `self`'s sprite for `frame` at (px, py)?
constexpr uint32_t FILTER_PLACEMENT = FILTER_POINT | FILTER_SHAPE | FILTER_NOT_SELF | FILTER_SELF_FRAME;   // 1043

struct ObjectFilter {
    uint32_t    flags = 0;
    uint32_t    exclude_flags = 0;
    uint32_t    kind_mask = 0;
    int32_t     px = 0, py = 0;
    int32_t     rect_x = 0, rect_y = 0, rect_w = 0, rect_h = 0;
    int32_t     frame = 0;
    int32_t     subtype = 0;
    int32_t     extra_height = 0;
    GameObject *self = nullptr;
    uint64_t    owner_id = 0;
    uint64_t    id = 0;
};

// ---- What blocks a spot ----
// An object blocks a mover's sprite for one of its frames at (x, y) when its box meets the mover's
// box there (closed boxes: w x h at x, y reaches x + w, y + h), it is still on the map (neither dead
// nor gone), it is not the mover, and its shape meets that sprite (object_overlap_at).

// What the rule reads of an object: its box, whether it is gone, and how its shape is tested.
struct MapOccupant {
    const GameObject *obj = nullptr;
    int32_t       x = 0, y = 0, w = 0, h = 0;
    uint32_t      gone = 0;             // its OBJ_DEAD | OBJ_LEFT_MAP bits
    const Sprite *shape = nullptr;      // the sprite of its frame (object_shape), when carried
    bool          ask_object = true;    // the shape test asks the object itself: its kind has shape
                                        // slots of its own, or the record carries no shape
    bool operator==(const MapOccupant &) const = default;
};

// The record of an object as it stands, its shape carried (asked of the object all the same when its
// kind tests shapes itself).
MapOccupant map_occupant_of(const GameObject *obj);
// The kind of the object has shape slots of its own (overlap, rectangle or point test).
bool map_has_own_shape_tests(const GameObject *obj);

// The closed box of ow x oh at (ox, oy) meets the closed box of w x h at (x, y).
inline bool map_boxes_meet(int32_t ox, int32_t oy, int32_t ow, int32_t oh, int32_t x, int32_t y, int32_t w,
                           int32_t h) {
    return ox <= x + w && oy <= y + h && x <= ox + ow && y <= oy + oh;
}

inline bool map_object_gone(const GameObject *obj) { return (obj->flags & (OBJ_DEAD | OBJ_LEFT_MAP)) != 0; }

// Whether the object the record stands for blocks `mover`'s sprite for `frame` at (x, y).
// mover_plain: the mover's kind has no shape slots of its own, so that a carried shape may be
// tested from the record (the same answer as object_overlap_at, without reading the object).
// Inline: the move searches ask it for every object near every try.
inline bool map_occupant_blocks(const MapOccupant &o, GameObject *mover, bool mover_plain, int32_t frame, int32_t x,
                                int32_t y) {
    if (!map_boxes_meet(o.x, o.y, o.w, o.h, x, y, mover->w, mover->h)) return false;
    if (o.gone || o.obj == mover) return false;
    if (mover_plain && !o.ask_object)
        return object_sprites_overlap_at(object_frame_sprite(mover, frame), x, y, mover->w, mover->h, o.shape, o.x, o.y,
                                         o.w, o.h) != 0;
    return object_overlap_at(mover, const_cast<GameObject *>(o.obj), frame, x, y, o.x, o.y) != 0;
}

// Creation and bulk operations.
ObjectMap *map_create();                   // null when out of memory
void       map_clear(ObjectMap *map);
void       map_free(ObjectMap *map);       // null ignored
Result     map_write(const ObjectMap *map, Buffer *buf);
Result     map_read(ObjectMap *map, Buffer *buf);
Result     map_link_objects(ObjectMap *map);   // first failure; the rest stay unlinked

// Adding and removing.
void        map_place_object(ObjectMap *map, GameObject *obj, int32_t x, int32_t y, int assign_id);
void        map_add_pending_objects(ObjectMap *map);
void        map_remove_dead_objects(ObjectMap *map);
void        map_add_effect(ObjectMap *map, Effect *effect, int32_t x, int32_t y);
int32_t     map_object_count(const ObjectMap *map);
GameObject *map_object_at(const ObjectMap *map, int32_t index);

// Per tick and per clock step.
void    map_update(ObjectMap *map, int32_t dt);
void    map_update_effects(ObjectMap *map, int32_t dt);
void    map_clear_effects(ObjectMap *map);
void    map_update_travel(ObjectMap *map, int32_t t);
void    map_advance_objects(ObjectMap *map, int32_t minutes);
void    map_run_after_advance(ObjectMap *map);
void    map_draw(ObjectMap *map, Graphics *graphics);   // the caller holds the queue lock
void    map_set_busy(ObjectMap *map);
int32_t map_clear_busy(ObjectMap *map, int32_t hold);   // the new busy count

// View.
int32_t map_scroll(ObjectMap *map, int32_t dx, int32_t dy);   // 1 x moved, + 2 y moved
void    map_set_view(ObjectMap *map, int32_t x, int32_t y);
void    map_set_screen_size(ObjectMap *map);
void    map_set_world_size(ObjectMap *map, int32_t w, int32_t h);

// Combat turn order and autocombat.
void map_next_actor(ObjectMap *map);
void map_autocombat_turn(ObjectMap *map);
void map_enable_defense_shot(ObjectMap *map, int32_t clock, int32_t interval, int32_t shot_type,
                             const char *singular, const char *plural, int32_t count,
                             int32_t damage_min, int32_t damage_max, uint64_t player_id);

// Visibility and queries.
void        map_update_visibility(ObjectMap *map, uint64_t viewer_id);
GameObject *map_query_object(ObjectMap *map, const ObjectFilter *filter);
// The first object in list order that blocks the mover's sprite for the frame at (x, y), or null:
// the placement query (map_query_object with FILTER_PLACEMENT asks it).
GameObject *map_spot_blocker(ObjectMap *map, GameObject *mover, int32_t frame, int32_t x, int32_t y);
Result      map_find_free_position(ObjectMap *map, int32_t x, int32_t y, int32_t w, int32_t h,
                                   int32_t size_w, int32_t size_h, int32_t angle, int32_t spread,
                                   int32_t distance, int32_t *out_x, int32_t *out_y);
