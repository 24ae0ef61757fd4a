// GameObject lifecycle: creation, stubs, snapshots, ids, references, destruction, the owner cache,
// and the common save record with object references.
#include "world/object.h"

#include <atomic>
#include <cstring>
#include "game/game.h"
#include "game/object_index.h"
#include "game/player.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/log.h"
#include "platform/movement_path.h"
#include "platform/sprite.h"
#include "world/factory.h"
#include "world/object_internal.h"
#include "world/object_methods.h"
#include "effects/effect.h"
#include "platform/anim.h"

namespace {

// Raw zeroed storage of `size` bytes (at least a header) holding a default header.
GameObject *allocate_record(size_t size) {
    if (size < sizeof(GameObject)) size = sizeof(GameObject);
    void *memory = ::operator new(size, std::nothrow);
    if (!memory) return nullptr;
    std::memset(memory, 0, size);
    return ::new (memory) GameObject();
}

void free_record(GameObject *obj) {
    obj->~GameObject();
    ::operator delete(static_cast<void *>(obj));
}

void free_frame_arrays(GameObject *obj) {
    if (obj->frame_sprites) {
        for (int32_t i = 0; i < obj->frame_count; ++i)
            if (obj->frame_sprites[i]) sprite_release(obj->frame_sprites[i]);
    }
    delete[] obj->frame_sprites;
    delete[] obj->frames;
    delete[] obj->frame_w;
    delete[] obj->frame_h;
    obj->frame_sprites = nullptr;
    obj->frames = nullptr;
    obj->frame_w = nullptr;
    obj->frame_h = nullptr;
}

// Reads an i32 flag word and sets `flag` when it is non-zero.
Result read_flag_word(Buffer *buf, GameObject *obj, uint32_t flag) {
    int32_t word = 0;
    Result r = buffer_read_i32(buf, &word);
    if (r == RES_OK && word != 0) obj->flags |= flag;
    return r;
}

Result write_common(const GameObject *obj, Buffer *buf) {
    Result r = buffer_write_i32(buf, obj->kind);
    if (r == RES_OK) r = buffer_write_i32(buf, obj->subtype);
    if (r == RES_OK) r = buffer_write_u64(buf, obj->id);
    if (r == RES_OK) r = buffer_write_u64(buf, obj->owner_id);
    for (uint32_t flag : {OBJ_TRAVELLING, OBJ_SNAPSHOT, OBJ_LOST})
        if (r == RES_OK) r = buffer_write_i32(buf, (obj->flags & flag) ? 1 : 0);
    for (int32_t value : {obj->x, obj->y, obj->heading, obj->initiative, obj->turns_taken})
        if (r == RES_OK) r = buffer_write_i32(buf, value);
    if (r == RES_OK) r = buffer_write_string(buf, obj->name);
    if (r == RES_OK) {
        // An object always has a path and a date; a missing one is written as a fresh one.
        MovementPath fresh_path;
        r = movement_path_write(obj->path ? obj->path : &fresh_path, buf);
    }
    if (r == RES_OK) r = buffer_write_u64(buf, obj->seen_date ? obj->seen_date->minutes : 0);
    if (r == RES_OK) r = buffer_write_i32(buf, obj->snapshot_version);
    for (int32_t i = 0; i < OBJECT_SAVED_PAIRS; ++i) {
        if (r == RES_OK) r = buffer_write_i32(buf, obj->saved_a[i]);
        if (r == RES_OK) r = buffer_write_i32(buf, obj->saved_b[i]);
    }
    if (r == RES_OK) r = buffer_write_i32(buf, obj->saved_c);
    if (r == RES_OK) r = buffer_write_i32(buf, (obj->flags & OBJ_KIND_BIT) ? 1 : 0);
    if (r == RES_OK) r = buffer_write_i32(buf, obj->saved_d);
    if (r == RES_OK) r = buffer_write_i32(buf, obj->saved_e);
    return r;
}

// Everything of the common record after kind and subtype, into an object made from the template.
Result read_common(GameObject *obj, Buffer *buf) {
    Result r = buffer_read_u64(buf, &obj->id);
    if (r == RES_OK) r = buffer_read_u64(buf, &obj->owner_id);
    for (uint32_t flag : {OBJ_TRAVELLING, OBJ_SNAPSHOT, OBJ_LOST})
        if (r == RES_OK) r = read_flag_word(buf, obj, flag);
    for (int32_t *value : {&obj->x, &obj->y, &obj->heading, &obj->initiative, &obj->turns_taken})
        if (r == RES_OK) r = buffer_read_i32(buf, value);
    if (r == RES_OK) r = buffer_read_string(buf, &obj->name);
    if (r == RES_OK) {
        MovementPath *path = nullptr;
        r = movement_path_read(&path, buf);
        if (r == RES_OK) {
            movement_path_free(obj->path);
            obj->path = path;
        }
    }
    if (r == RES_OK) {
        Date *date = nullptr;
        r = date_read(&date, buf);
        if (r == RES_OK) {
            date_free(obj->seen_date);
            obj->seen_date = date;
        }
    }
    if (r == RES_OK) r = buffer_read_i32(buf, &obj->snapshot_version);
    for (int32_t i = 0; i < OBJECT_SAVED_PAIRS; ++i) {
        if (r == RES_OK) r = buffer_read_i32(buf, &obj->saved_a[i]);
        if (r == RES_OK) r = buffer_read_i32(buf, &obj->saved_b[i]);
    }
    if (r == RES_OK) r = buffer_read_i32(buf, &obj->saved_c);
    if (r == RES_OK) r = read_flag_word(buf, obj, OBJ_KIND_BIT);
    if (r == RES_OK) r = buffer_read_i32(buf, &obj->saved_d);
    if (r == RES_OK) r = buffer_read_i32(buf, &obj->saved_e);
    return r;
}

}  // namespace

// ---- Creation ----

GameObject *object_create_blank(int32_t kind) {
    const ObjectMethods *m = object_methods(kind);
    if (!m) return nullptr;
    GameObject *obj = allocate_record(m->size ? m->size() : sizeof(GameObject));
    if (!obj) return nullptr;
    obj->kind = kind;
    obj->layer = 1;
    obj->path = movement_path_create();
    obj->anim_player = anim_player_create();
    obj->animation = -1;
    obj->frame = -1;
    obj->pulse_step = 1;
    obj->owner_id = 0;
    obj->seen_date = date_create();
    if (!obj->path || !obj->seen_date) {
        movement_path_free(obj->path);
        date_free(obj->seen_date);
        anim_player_free(obj->anim_player);
        free_record(obj);
        return nullptr;
    }
    obj->name = "Unknown";
    if (m->init) m->init(obj);
    return obj;
}

GameObject *object_create_stub(int32_t kind, uint64_t id) {
    GameObject *obj = allocate_record(sizeof(GameObject));
    if (!obj) return nullptr;
    obj->kind = kind;
    obj->id = id;
    obj->flags = OBJ_STUB;
    return obj;
}

GameObject *object_clone(GameObject *obj, int32_t version) {
    GameObject *copy = factory_create_object(obj->kind, obj->subtype);
    if (!copy) return nullptr;
    copy->snapshot_version = -1;
    object_copy_record(copy, obj, version);
    return copy;
}

void object_copy_record(GameObject *dest, GameObject *src, int32_t version) {
    if (dest->kind != src->kind) {
        log_write(LOG_GAME, LOG_WARN,
                  "Invalid copy record attempt, src object #%llu \"%s\" (%i), dest object #%llu \"%s\" (%i)",
                  (unsigned long long)src->id, object_get_name(src), src->kind,
                  (unsigned long long)dest->id, object_get_name(dest), dest->kind);
        return;
    }
    dest->subtype = src->subtype;
    dest->id = src->id;
    dest->owner_id = src->owner_id;
    dest->flags |= OBJ_SNAPSHOT | (src->flags & (OBJ_DEAD | OBJ_ROTATING | OBJ_TRAVELLING | OBJ_LOST));
    dest->x = src->x;
    dest->y = src->y;
    dest->w = src->w;
    dest->h = src->h;
    dest->heading = src->heading;
    if (version >= 0) {
        const Game *game = game_get();
        if (game && game->clock && dest->seen_date) date_copy(dest->seen_date, game->clock);
    }
    if (version > dest->snapshot_version) dest->snapshot_version = version;
    const ObjectMethods *m = object_methods(dest->kind);
    if (m && m->copy_record) m->copy_record(dest, src, version);
}

// ---- Ids and references ----

void object_assign_id(GameObject *obj) {
    if (obj->id != 0) return;
    Game *game = game_get();
    if (game) obj->id = game_next_id(game);
}

// A worker's search holds the objects it weighs while the game thread may drop its own holds on
// them (an effect that ends, a panel that closes): the count changes atomically.
void object_add_ref(GameObject *obj) {
    std::atomic_ref<int32_t>(obj->refcount).fetch_add(1, std::memory_order_relaxed);
}

void object_release(GameObject *obj) {
    if (!obj) return;
    const int32_t before = std::atomic_ref<int32_t>(obj->refcount).fetch_sub(1, std::memory_order_acq_rel);
    if (before <= 1) object_destroy(obj);
}

void object_destroy(GameObject *obj) {
    if (!obj) return;
    game_object_index_drop(obj);
    if (obj->flags & OBJ_STUB) {
        free_record(obj);
        return;
    }
    if (obj->flags & OBJ_BUSY) object_clear_busy(obj, obj->hold_ms);
    const ObjectMethods *m = object_methods(obj->kind);
    if (m && m->free) m->free(obj);
    if (obj->flags & OBJ_OWNS_FRAMES) free_frame_arrays(obj);
    factory_free_frame_holds(obj);
    if (obj->flags & OBJ_OWNS_ANIMS) {
        for (int32_t i = 0; obj->animations && i < obj->animation_count; ++i)
            anim_free(obj->animations[i]);
        delete[] obj->animations;
        obj->animations = nullptr;
    }
    anim_player_free(obj->anim_player);
    movement_path_free(obj->path);
    date_free(obj->seen_date);
    obj->owner = nullptr;
    free_record(obj);
}

Player *object_get_owner(GameObject *obj) {
    if (obj->owner && obj->owner->id == obj->owner_id) return obj->owner;
    obj->owner = nullptr;
    if (obj->owner_id == 0) return nullptr;
    obj->owner = game_find_player(game_get(), obj->owner_id);
    return obj->owner;
}

// ---- Save records ----

Result object_write(const GameObject *obj, Buffer *buf) {
    Result r = write_common(obj, buf);
    const ObjectMethods *m = object_methods(obj->kind);
    if (r == RES_OK && m && m->write) r = m->write(obj, buf);
    return r;
}

Result object_read(GameObject **out, Buffer *buf) {
    int32_t kind = 0, subtype = 0;
    if (Result r = buffer_read_i32(buf, &kind); r != RES_OK) return r;
    if (Result r = buffer_read_i32(buf, &subtype); r != RES_OK) return r;
    GameObject *obj = factory_create_object(kind, subtype);
    if (!obj) return RES_MALFORMED;

    Result r = read_common(obj, buf);
    const ObjectMethods *m = object_methods(kind);
    if (r == RES_OK && m->read) r = m->read(obj, buf);
    if (r != RES_OK) {
        object_destroy(obj);   // never released: nobody holds it yet
        return r;
    }
    object_set_heading(obj, obj->heading);
    obj->flags &= ~OBJ_LINKED;
    if (out) *out = obj;
    else object_destroy(obj);
    return RES_OK;
}

Result object_write_ref(const GameObject *obj, Buffer *buf) {
    if (!obj) return buffer_write_i32(buf, OBJECT_REF_NONE);
    Result r = buffer_write_i32(buf, obj->kind);
    if (r == RES_OK) r = buffer_write_u64(buf, obj->id);
    return r;
}

Result object_read_ref(GameObject **out, Buffer *buf) {
    int32_t kind = 0;
    if (Result r = buffer_read_i32(buf, &kind); r != RES_OK) return r;
    if (kind < 0 || kind >= OBJECT_KIND_COUNT) {
        if (out) *out = nullptr;
        return RES_OK;
    }
    uint64_t id = 0;
    if (Result r = buffer_read_u64(buf, &id); r != RES_OK) return r;
    GameObject *stub = object_create_stub(kind, id);
    if (!stub) return RES_NO_MEMORY;
    if (out) *out = stub;
    else object_destroy(stub);
    return RES_OK;
}

bool object_seen_at_clock(const GameObject *obj) {
    const Game *game = game_get();
    return obj && obj->seen_date && game && game->clock && obj->seen_date->minutes == game->clock->minutes;
}
