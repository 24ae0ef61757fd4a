#pragma once
// ObjectMethods: the operation table of each object kind, 40 slots in a fixed order.
//  - One row per ObjectKind in a static array, filled on first use by the kinds' register
//    functions (object_kinds.cpp) and never changed afterwards (tests may swap a row).
//  - An empty slot means the kind does not have that operation. Nobody calls a slot directly: the
//    dispatch operations of object.h skip an empty slot and give its fixed result.
//  - Rows are written once before any object exists and then only read, from any thread.
#include <cstdint>
#include "platform/result.h"

struct Buffer;
struct GameObject;
struct Graphics;
struct Sprite;

// One name per slot signature. `obj` is always the object the slot belongs to.
using ObjectSizeFn         = uint32_t();
using ObjectTypeNameFn     = const char *();
using ObjectFn             = void(GameObject *obj);
using ObjectCopyTemplateFn = void(GameObject *obj, const GameObject *tmpl);
using ObjectUpdateFn       = void(GameObject *obj, int32_t dt);
using ObjectDrawFn         = void(GameObject *obj, Graphics *graphics, int32_t x, int32_t y);
using ObjectSetHeadingFn   = void(GameObject *obj, int32_t degrees);
using ObjectApplyDamageFn  = int32_t(GameObject *target, GameObject *shooter, int32_t amount,
                                     int32_t x, int32_t y, int32_t damage_kind);
using ObjectActFn          = Result(GameObject *obj);
using ObjectNameFn         = const char *(const GameObject *obj);
using ObjectValueFn        = int32_t(const GameObject *obj);
using ObjectHitChanceFn    = int32_t(GameObject *shooter, int32_t mount, int32_t x, int32_t y,
                                     int32_t heading, GameObject *target, int32_t mode,
                                     int32_t *out_damage, int32_t *out_result);
using ObjectWriteFn        = Result(const GameObject *obj, Buffer *buf);
using ObjectReadFn         = Result(GameObject *obj, Buffer *buf);
using ObjectLinkFn         = Result(GameObject *obj);
using ObjectTravelPointFn  = int32_t(GameObject *obj, int32_t x, int32_t y);
using ObjectInterceptFn    = void(GameObject *obj, GameObject *incoming, int32_t x, int32_t y,
                                  int32_t *out_intercepted);
using ObjectOverlapFn      = int32_t(GameObject *obj, GameObject *other, int32_t x, int32_t y,
                                     int32_t other_x, int32_t other_y, int32_t *out_x, int32_t *out_y);
using ObjectRectTestFn     = int32_t(GameObject *obj, const Sprite *sprite, int32_t x, int32_t y,
                                     int32_t sprite_x, int32_t sprite_y, int32_t *out_x, int32_t *out_y);
using ObjectPointTestFn    = int32_t(GameObject *obj, int32_t x, int32_t y, int32_t px, int32_t py);
using ObjectCopyRecordFn   = void(GameObject *dest, const GameObject *src, int32_t version);
using ObjectClockFn        = void(GameObject *obj, int32_t minutes);
using ObjectFindChildFn    = GameObject *(GameObject *obj, uint64_t id);
using ObjectExtentFn       = void(const GameObject *obj, int32_t *w, int32_t *h);

constexpr int OBJECT_METHOD_SLOTS = 40;

struct ObjectMethods {
    ObjectSizeFn         *size = nullptr;             //  0 required: bytes of the whole kind record
    ObjectTypeNameFn     *type_name = nullptr;        //  1 required: "Fleet", used in logs
    ObjectFn             *init = nullptr;             //  2 builds the kind's fields of a blank object
    ObjectFn             *free = nullptr;             //  3 frees what the kind's record owns (destroy)
    ObjectCopyTemplateFn *copy_template = nullptr;    //  4 kind fields from the template at creation
    ObjectFn             *on_created = nullptr;       //  5 after the first frame of a new object
    ObjectFn             *apply_frame = nullptr;      //  6 a frame change, instead of the size update
    ObjectUpdateFn       *update = nullptr;           //  7 per tick, after the generic update
    ObjectFn             *encounter_begin = nullptr;  //  8
    ObjectFn             *turn_begin = nullptr;       //  9
    ObjectFn             *turn_end = nullptr;         // 10
    ObjectFn             *galaxy_turn = nullptr;      // 11 end of a galaxy turn
    ObjectDrawFn         *draw = nullptr;             // 12 instead of the generic sprite draw
    ObjectFn             *reset_state = nullptr;      // 13 after an encounter or a load
    ObjectFn             *on_killed = nullptr;        // 14 empty: dead at once when killed
    ObjectSetHeadingFn   *set_heading = nullptr;      // 15 before a heading is stored
    ObjectApplyDamageFn  *apply_damage = nullptr;     // 16 empty: 0
    ObjectActFn          *act = nullptr;              // 17 empty: RES_UNSUPPORTED
    ObjectActFn          *plan = nullptr;             // 18 combat AI thread; empty: RES_UNSUPPORTED
    ObjectNameFn         *display_name = nullptr;     // 19 empty: the name field
    ObjectValueFn        *icon = nullptr;             // 20 empty: RES_NO_PICTURE
    ObjectValueFn        *picture = nullptr;          // 21 empty: the icon
    ObjectValueFn        *evasion = nullptr;          // 22 empty: 0
    ObjectValueFn        *pilot_bonus = nullptr;      // 23 no dispatch operation calls it
    ObjectHitChanceFn    *hit_chance = nullptr;       // 24 empty: RES_OUT_OF_RANGE
    ObjectWriteFn        *write = nullptr;            // 25 the kind record after the common one
    ObjectReadFn         *read = nullptr;             // 26 non-zero fails the read
    ObjectLinkFn         *link = nullptr;             // 27 references after a load; 0 done
    ObjectTravelPointFn  *travel_point = nullptr;     // 28 each whole pixel; non-zero stops there
    ObjectInterceptFn    *intercept = nullptr;        // 29 point defence against a passing object
    ObjectOverlapFn      *overlap_test = nullptr;     // 30 instead of the mask overlap
    ObjectRectTestFn     *rect_test = nullptr;        // 31 instead of the mask against a sprite
    ObjectPointTestFn    *point_test = nullptr;       // 32 instead of the mask bit
    ObjectFn             *after_advance = nullptr;    // 33 after each clock advance, at turn end
    ObjectCopyRecordFn   *copy_record = nullptr;      // 34 the kind record into a snapshot
    ObjectClockFn        *advance_clock = nullptr;    // 35 game minutes pass
    ObjectFindChildFn    *find_child = nullptr;       // 36 an object contained in this one
    ObjectExtentFn       *frame_extent = nullptr;     // 37 empty: the largest frame size
    ObjectFn             *purge_dead = nullptr;       // 38 drops references to dead objects
    ObjectFn             *detach = nullptr;           // 39 lets go of references before a map clears
};
static_assert(sizeof(ObjectMethods) == OBJECT_METHOD_SLOTS * sizeof(void *));

// A kind's register function stores its functions into its row and leaves the other slots empty.
using ObjectRegisterFn = void(ObjectMethods *row);

// Fills the five rows on the first call (kind order); later calls do nothing.
void object_methods_init();
// The row of a kind (after object_methods_init), null outside 0..4.
const ObjectMethods *object_methods(int32_t kind);
// The slot names in table order, for logs and table checks.
const char *object_method_slot_name(int slot);

// The kinds' register functions in kind order; an absent kind leaves its row empty (object_kinds.cpp).
extern ObjectRegisterFn *const OBJECT_KIND_REGISTER[5];

// Tests: replaces a kind's row at once and returns the row it had. Kinds outside 0..4 are ignored.
ObjectMethods object_methods_swap(int32_t kind, const ObjectMethods &row);
