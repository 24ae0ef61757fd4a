#pragma once
// GameObject: the common header of every simulated thing of the game world (ship, shot, sector,
// fleet, site), and the operations every object has whatever its kind.
//  - A kind's record derives from GameObject and lives in the same allocation. Blank creation
//    allocates the kind's size zero-filled, builds the header and runs the kind's init slot, which
//    builds the kind's own fields with object_init_record<K>; the kind's free slot tears them down
//    with object_free_record<K>. Destroy frees the header and the allocation.
//  - Kind-specific behaviour is reached only through the dispatch operations below, which pick the
//    slot of the object's kind in the operation tables (object_methods.h) and fall back to a
//    generic behaviour or a fixed result when the slot is empty.
//  - Reference counts start at 0: the first holder (map, list, fleet) adds the first reference, and a
//    release below 1 destroys the object. Only object_add_ref and object_release change the count,
//    atomically (a worker's search holds references too). Ids come from the game's counter, never 0.
//  - Save records: every object record begins with the common record (object_write/object_read);
//    references are an i32 kind and a u64 id, kind 5 meaning none. A reference read from a file is
//    a header-only stub (OBJ_STUB) until the link step replaces it; an id that does not resolve
//    gives RES_UNRESOLVED_ID (4312).
//  - Objects hold no lock. The game thread and the AI workers change them only under the screens'
//    hand-over rule (a worker is joined before the game thread touches the model again).
//  - Result codes: RES_SHORT_BUFFER, RES_MALFORMED (bad kind or template, negative length),
//    RES_NO_MEMORY, what the kind's read and link slots return, RES_OUT_OF_RANGE (no hit_chance
//    slot), RES_NO_PICTURE, RES_UNSUPPORTED (no act or plan slot), RES_NO_CONTACT (-35: a line
//    crosses an object's box without meeting its shape).
#include <cstdint>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include "platform/result.h"

struct Animation;
struct AnimPlayer;
struct Buffer;
struct Date;
struct FrameHolds;
struct Graphics;
struct MovementPath;
struct ObjectMap;
struct Player;
struct Sprite;

enum ObjectKind : int32_t {
    OBJECT_SHIP   = 0,
    OBJECT_SHOT   = 1,
    OBJECT_SECTOR = 2,
    OBJECT_FLEET  = 3,
    OBJECT_SITE   = 4,
};
constexpr int32_t OBJECT_KIND_COUNT = 5;
constexpr int32_t OBJECT_REF_NONE   = 5;   // the kind written for a reference to no object

// GameObject::flags.
constexpr uint32_t OBJ_OUTLINE        = 0x1;        // the hit mask's outline is drawn in green
constexpr uint32_t OBJ_DYING          = 0x2;
constexpr uint32_t OBJ_SHAKING        = 0x4;
constexpr uint32_t OBJ_DEAD           = 0x8;        // removed at the map's next sweep
constexpr uint32_t OBJ_OWNS_FRAMES    = 0x10;       // frames, frame_w, frame_h, frame_sprites
constexpr uint32_t OBJ_BUSY           = 0x20;       // its map waits for it
constexpr uint32_t OBJ_OWNS_ANIMS     = 0x40;
constexpr uint32_t OBJ_NO_MINIMAP_DOT = 0x80;       // the minimap draws no dot for it
constexpr uint32_t OBJ_TRAVEL_HELD    = 0x100;
constexpr uint32_t OBJ_NO_POINTER_HIT = 0x200;      // the pointer's hover and pick queries pass over it
constexpr uint32_t OBJ_NOT_DRAWN      = 0x400;      // its map does not draw it
constexpr uint32_t OBJ_ROTATING       = 0x800;
constexpr uint32_t OBJ_TRAVELLING     = 0x1000;
constexpr uint32_t OBJ_TURN_DONE      = 0x2000;
constexpr uint32_t OBJ_PULSING        = 0x4000;
constexpr uint32_t OBJ_BLENDED        = 0x8000;     // drawn with the sprite command's blend flag
constexpr uint32_t OBJ_ACTOR          = 0x10000;    // the current combat actor of its map
constexpr uint32_t OBJ_STUB           = 0x20000;    // only the header is valid
constexpr uint32_t OBJ_VISIBLE        = 0x40000;
constexpr uint32_t OBJ_ALWAYS_DRAWN   = 0x80000;
constexpr uint32_t OBJ_LEFT_MAP       = 0x100000;   // removed at the next sweep like a dead object
constexpr uint32_t OBJ_SNAPSHOT       = 0x200000;   // a copy in a player's memory
constexpr uint32_t OBJ_LOST           = 0x400000;   // dead at the next state reset
constexpr uint32_t OBJ_ACTS_FIRST     = 0x800000;   // takes the next combat turn before anybody
constexpr uint32_t OBJ_LINKED         = 0x1000000;
constexpr uint32_t OBJ_KIND_BIT       = 0x2000000;  // kind-defined, saved
constexpr uint32_t OBJ_FLASHING       = 0x4000000;
// The template bits: copied from the template into every object made from it.
constexpr uint32_t OBJ_TEMPLATE_BITS  = OBJ_NO_MINIMAP_DOT | OBJ_NO_POINTER_HIT | OBJ_NOT_DRAWN;

constexpr int32_t OBJECT_SAVED_PAIRS  = 8;
constexpr int32_t OBJECT_FLASH_MS     = 600;
constexpr int32_t OBJECT_HIT_BONUS_KNOWN = 30;   // hit chance against a target the shooter knows
// The smallest common record on the wire: fixed fields, an empty name, the path and the date.
constexpr int32_t OBJECT_COMMON_RECORD_MIN_BYTES = 212;

// A line that crosses an object's box without meeting its shape.

struct GameObject {
    int32_t       kind = 0;            // ObjectKind
    int32_t       subtype = 0;         // template index in the kind's factory
    uint64_t      id = 0;              // 0 until assigned; an assigned id is never 0
    uint64_t      owner_id = 0;        // owning player; 0 none
    Player       *owner = nullptr;     // lookup cache, revalidated against owner_id
    std::string   name;                // "Unknown" at creation, then the template's
    int32_t       refcount = 0;
    uint32_t      flags = 0;
    int32_t       x = 0, y = 0;        // top-left corner in map pixels
    int32_t       w = 0, h = 0;        // size of the current frame
    int32_t       layer = 0;           // the map draw list 0..2 holding it; 1 at creation
    Sprite      **frames = nullptr;    // per frame; shared with the template unless OBJ_OWNS_FRAMES
    FrameHolds   *frame_holds = nullptr;   // a template's per-frame and per-group holds (the factory's)
    int32_t       frame_count = 0;
    int32_t       frame = 0;           // -1 none (blank creation)
    int32_t      *frame_w = nullptr;
    int32_t      *frame_h = nullptr;
    Sprite      **frame_sprites = nullptr;   // shape tests' second choice; references released by destroy
    ObjectMap    *map = nullptr;       // the map holding it; not owned
    int32_t       heading = 0;         // 0..359
    MovementPath *path = nullptr;      // owned
    Animation   **animations = nullptr;   // shared with the template unless OBJ_OWNS_ANIMS
    int32_t       animation_count = 0;
    int32_t       animation = 0;       // -1 none (blank creation)
    AnimPlayer   *anim_player = nullptr;  // owned
    int32_t       travel_delay = 0;
    int32_t       target_heading = 0;
    int32_t       rotation_rest = 0;
    int32_t       speed = 0;           // pixels per 1000 time units of travel
    int32_t       shake_ms = 0;
    int32_t       initiative_rate = 0;
    int32_t       initiative = 0;
    int32_t       hold_ms = 0;         // hold time handed to the map when the busy state ends
    int32_t       mass = 0;
    int32_t       pulse_rest = 0, pulse_level = 0, pulse_step = 0;
    int32_t       turns_taken = 0;
    Date         *seen_date = nullptr; // owned; a snapshot's time of observation
    int32_t       snapshot_version = 0;
    int32_t       saved_a[OBJECT_SAVED_PAIRS] = {};
    int32_t       saved_b[OBJECT_SAVED_PAIRS] = {};
    int32_t       saved_c = 0, saved_d = 0, saved_e = 0;
    int32_t       flash_ms = 0;
};

// ---- Kind records ----------------------------------------------------------------------------------

// The kind's init slot: turns the blank header into a whole K (K derives from GameObject), keeping
// every header value; K's own fields take their default values.
template <class K>
K *object_init_record(GameObject *obj) {
    static_assert(std::is_base_of_v<GameObject, K>);
    GameObject header = std::move(*obj);
    obj->~GameObject();
    K *record = std::launder(::new (static_cast<void *>(obj)) K());
    static_cast<GameObject &>(*record) = std::move(header);
    return record;
}

// The kind's free slot, last: destroys K's own fields and leaves a plain header for destroy.
template <class K>
void object_free_record(GameObject *obj) {
    static_assert(std::is_base_of_v<GameObject, K>);
    K *record = static_cast<K *>(obj);
    GameObject header = std::move(static_cast<GameObject &>(*record));
    record->~K();
    ::new (static_cast<void *>(record)) GameObject(std::move(header));
}

// ---- Creation, ids, references ---------------------------------------------------------------------

GameObject *object_create_blank(int32_t kind);               // null for a bad kind or no memory
GameObject *object_create_stub(int32_t kind, uint64_t id);   // header only, OBJ_STUB
GameObject *object_clone(GameObject *obj, int32_t version);  // a snapshot copy from the factory
void        object_copy_record(GameObject *dest, GameObject *src, int32_t version);
void        object_assign_id(GameObject *obj);               // the game's next id when it has none
void        object_add_ref(GameObject *obj);
void        object_release(GameObject *obj);                 // destroys below 1
void        object_destroy(GameObject *obj);                 // frees at once, whatever the count
Player     *object_get_owner(GameObject *obj);

// ---- Save records ----------------------------------------------------------------------------------

// The common record, then the kind's write slot; the first buffer failure is returned.
Result object_write(const GameObject *obj, Buffer *buf);
// One record into a new object (refcount 0, not linked); a null out destroys it after reading.
Result object_read(GameObject **out, Buffer *buf);
Result object_write_ref(const GameObject *obj, Buffer *buf);   // null: the single i32 5
// A stub for a kind 0..4, null (and no id read) for any other kind.
Result object_read_ref(GameObject **out, Buffer *buf);

// ---- Dispatch --------------------------------------------------------------------------------------

const char *object_type_name(int32_t kind);                  // null for a bad kind or no slot
int32_t     object_get_evasion(const GameObject *obj);       // 0 without the slot
int32_t     object_get_icon(const GameObject *obj);          // RES_NO_PICTURE without the slot
int32_t     object_get_picture(const GameObject *obj);       // picture, else icon, else RES_NO_PICTURE
const char *object_get_name(const GameObject *obj);          // display_name, else the name field
int32_t     object_apply_damage(GameObject *target, GameObject *shooter, int32_t amount, int32_t x,
                                int32_t y, int32_t damage_kind);   // 0 without the slot
Result      object_act(GameObject *obj);                     // RES_UNSUPPORTED without the slot
Result      object_plan(GameObject *obj);                    // RES_UNSUPPORTED without the slot
void        object_intercept(GameObject *obj, GameObject *incoming, int32_t x, int32_t y, int32_t *out);
void        object_galaxy_turn(GameObject *obj);
void        object_after_advance(GameObject *obj);
void        object_advance_clock(GameObject *obj, int32_t minutes);
void        object_purge_dead(GameObject *obj);
void        object_detach(GameObject *obj);
void        object_copy_template(GameObject *dest, const GameObject *tmpl);   // same kind only
GameObject *object_find(GameObject *obj, uint64_t id);      // obj itself, else a contained object
void        object_get_frame_extent(const GameObject *obj, int32_t *w, int32_t *h);
// The chance 1..100 that the shooter's mount hits the target from (x, y) facing heading, or the
// slot's negative code; RES_OUT_OF_RANGE without a hit_chance slot.
int32_t object_hit_chance(GameObject *shooter, int32_t mount, int32_t x, int32_t y, int32_t heading,
                          GameObject *target, int32_t mode, int32_t *out_damage, int32_t *out_result);
int32_t object_hit_chance_here(GameObject *shooter, int32_t mount, GameObject *target, int32_t mode,
                               int32_t *out_damage, int32_t *out_result);

void   object_kill(GameObject *obj);
void   object_begin_encounter(GameObject *obj);
void   object_begin_turn(GameObject *obj);
void   object_end_turn(GameObject *obj);
void   object_reset_state(GameObject *obj);
Result object_link(GameObject *obj);                         // once; 0 sets OBJ_LINKED
void   object_set_heading(GameObject *obj, int32_t degrees); // reduced into 0..359 first
bool   object_is_dying(const GameObject *obj);
bool   object_is_dead(const GameObject *obj);
bool   object_is_snapshot(const GameObject *obj);
bool   object_is_stub(const GameObject *obj);        // only its header is valid, until linked
bool   object_is_lost(const GameObject *obj);        // dead at the next state reset
bool   object_is_visible(const GameObject *obj);     // in the viewing player's sight
bool   object_is_travelling(const GameObject *obj);  // a fleet on its course
bool   object_has_left_map(const GameObject *obj);   // it left the battle map
bool   object_turn_done(const GameObject *obj);      // its turn in the battle is over
// Out of play: dead or gone from the battle map.
bool   object_is_gone(const GameObject *obj);
void   object_set_position(GameObject *obj, int32_t x, int32_t y);
void   object_set_map(GameObject *obj, ObjectMap *map);
void   object_set_owner_id(GameObject *obj, uint64_t id);
void   object_flash(GameObject *obj);                        // 600 ms
void   object_shake(GameObject *obj, int32_t ms);

// ---- Frames, animations, motion --------------------------------------------------------------------

void    object_set_frame(GameObject *obj, int32_t frame);
void    object_reset_frame(GameObject *obj);                 // the last step of creation from a template
void    object_set_animation(GameObject *obj, int32_t animation, int32_t loops);
void    object_alloc_animations(GameObject *obj, int32_t n);
void    object_begin_rotation(GameObject *obj, int32_t target);
void    object_finish_rotation(GameObject *obj);
int32_t object_angle_to(const GameObject *obj, int32_t px, int32_t py);
int32_t object_distance_to(const GameObject *obj, int32_t px, int32_t py);
void    object_move_towards(GameObject *obj, int32_t tx, int32_t ty);
void    object_update_travel(GameObject *obj, int32_t dt);
void    object_set_travel_delay(GameObject *obj, int32_t delay);
void    object_hold_travel(GameObject *obj);
void    object_resume_travel(GameObject *obj);
void    object_stop_travel(GameObject *obj);
void    object_finish_travel(GameObject *obj);
int32_t object_get_travel_destination(const GameObject *obj, int32_t *x, int32_t *y);   // 1 travelling
void    object_set_busy(GameObject *obj);
void    object_clear_busy(GameObject *obj, int32_t hold);
void    object_describe(const GameObject *obj, std::string *out);   // "#id kind:subtype "name" xX yY"
void    object_update(GameObject *obj, int32_t dt);

// ---- Shapes and drawing ----------------------------------------------------------------------------

// The sprite of the object's frame: frames[frame], else frame_sprites[frame]; null outside the frames.
const Sprite *object_frame_sprite(const GameObject *obj, int32_t frame);
// The sprite whose hit mask is the object's shape: the sprite of its current frame.
const Sprite *object_shape(const GameObject *obj);
int32_t object_point_test(GameObject *obj, int32_t ox, int32_t oy, int32_t px, int32_t py);
int32_t object_mask_overlap(GameObject *obj, const Sprite *sprite, int32_t ox, int32_t oy, int32_t sx,
                            int32_t sy, int32_t *out_x, int32_t *out_y);
int32_t object_overlap(GameObject *a, GameObject *b, int32_t ax, int32_t ay, int32_t bx, int32_t by,
                       int32_t *out_x, int32_t *out_y);
int32_t object_overlap_at(GameObject *a, GameObject *b, int32_t frame, int32_t ax, int32_t ay,
                          int32_t bx, int32_t by);
// object_overlap_at of two objects whose kinds have no shape tests of their own, from their figures:
// the first's box (aw x ah at ax, ay) and the sprite of the frame asked, the second's box and shape.
int32_t object_sprites_overlap_at(const Sprite *sprite, int32_t ax, int32_t ay, int32_t aw, int32_t ah,
                                  const Sprite *shape, int32_t bx, int32_t by, int32_t bw, int32_t bh);
int32_t object_in_range_of(GameObject *obj, int32_t px, int32_t py, int32_t range);
Result  object_impact_point(GameObject *obj, int32_t *px, int32_t *py);
Result  object_contact_point(GameObject *a, GameObject *b, int32_t *out_x, int32_t *out_y,
                             int32_t *out_half_w, int32_t *out_half_h);
// Appends the object's draw commands at screen position (x, y); the caller holds the queue lock.
void    object_draw(GameObject *obj, Graphics *graphics, int32_t x, int32_t y);
