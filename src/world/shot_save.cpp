// The shot's save record, its link step and the copy into a player's snapshot.
#include "world/shot.h"

#include <algorithm>

#include "game/game.h"
#include "platform/buffer.h"
#include "platform/log.h"

namespace {

constexpr uint32_t INTERCEPT_ID_BYTES = 8;

// Holds an object found by id; the old holder lets go of what it held.
void hold_found(GameObject **slot, GameObject *found) {
    object_add_ref(found);
    GameObject *old = *slot;
    *slot = found;
    if (!old) return;
    if (old->flags & OBJ_STUB) object_destroy(old);
    else object_release(old);
}

}  // namespace

Result shot_write(const GameObject *obj, Buffer *buf) {
    const Shot *s = shot_of(obj);
    if (!s) return RES_MALFORMED;
    Result r = buffer_write_u32(buf, s->shot_flags);
    for (int32_t v : {s->dir_frame, s->origin_x, s->origin_y, s->impact_x, s->impact_y, s->dest_x, s->dest_y,
                      s->damage, s->hit_points, s->trail_count})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    if (r == RES_OK) r = buffer_write_u64(buf, s->source ? s->source->id : 0);
    if (r == RES_OK) r = buffer_write_u64(buf, s->target ? s->target->id : 0);
    if (r == RES_OK) r = buffer_write_i32(buf, s->impact_type);
    if (r == RES_OK) r = buffer_write_i32(buf, int32_t(s->intercepted_by.size()));
    for (uint64_t id : s->intercepted_by)
        if (r == RES_OK) r = buffer_write_u64(buf, id);
    return r;
}

Result shot_read(GameObject *obj, Buffer *buf) {
    Shot *s = shot_of(obj);
    if (!s) return RES_MALFORMED;
    uint32_t flags = 0;
    int32_t fields[10] = {};
    uint64_t source_id = 0, target_id = 0;
    int32_t impact_type = 0, n = 0;
    Result r = buffer_read_u32(buf, &flags);
    for (int32_t &v : fields)
        if (r == RES_OK) r = buffer_read_i32(buf, &v);
    if (r == RES_OK) r = buffer_read_u64(buf, &source_id);
    if (r == RES_OK) r = buffer_read_u64(buf, &target_id);
    if (r == RES_OK) r = buffer_read_i32(buf, &impact_type);
    if (r == RES_OK) r = buffer_read_i32(buf, &n);
    if (r != RES_OK) return r;
    if (n < 0) return RES_MALFORMED;
    // The count is checked against what is left before anything is allocated.
    if (buffer_remaining(buf) < int64_t(n) * INTERCEPT_ID_BYTES) return RES_SHORT_BUFFER;
    std::vector<uint64_t> ids(size_t(n), 0);
    for (uint64_t &id : ids)
        if (Result e = buffer_read_u64(buf, &id); e != RES_OK) return e;

    s->shot_flags = flags & ~SHOT_FLAG_TEMPLATE;
    int32_t *const into[] = {&s->dir_frame, &s->origin_x, &s->origin_y, &s->impact_x, &s->impact_y,
                             &s->dest_x,    &s->dest_y,   &s->damage,   &s->hit_points, &s->trail_count};
    for (size_t i = 0; i < 10; ++i) *into[i] = fields[i];
    s->source_id = source_id;
    s->target_id = target_id;
    s->impact_type = impact_type;
    s->intercepted_by = std::move(ids);
    // A range is not part of the record: a ranged shot read back flies on without a limit.
    if (s->shot_flags & SHOT_FLAG_RANGED) s->shot_flags &= ~(SHOT_FLAG_RANGED | SHOT_FLAG_FIRST_TICK);
    if (s->shot_type_flags & SHOT_TYPE_SEGMENTED) {
        s->trail_count = std::max(1, std::min(s->trail_count, std::max(s->trail_max, 1)));
        if (s->dir_frame < 0 || s->dir_frame >= std::max(s->dir_count, 1)) s->dir_frame = 0;
        shot_update_trail(s);
    }
    return RES_OK;
}

Result shot_link(GameObject *obj) {
    Shot *s = shot_of(obj);
    if (!s) return RES_MALFORMED;
    GameObject *source = nullptr, *target = nullptr;
    if (s->source_id != 0 && !(source = game_find_object(game_get(), s->source_id))) {
        log_write(LOG_GAME, LOG_ERROR, "Shot failed to link source #%llu (object not found)",
                  (unsigned long long)s->source_id);
        return RES_UNRESOLVED_ID;
    }
    if (s->target_id != 0 && !(target = game_find_object(game_get(), s->target_id))) {
        log_write(LOG_GAME, LOG_ERROR, "Shot failed to link target #%llu (object not found)",
                  (unsigned long long)s->target_id);
        return RES_UNRESOLVED_ID;
    }
    if (source) hold_found(&s->source, source);
    if (target) hold_found(&s->target, target);
    return RES_OK;
}

void shot_copy_record(GameObject *dest, const GameObject *src, int32_t) {
    Shot *d = shot_of(dest);
    const Shot *s = shot_of(src);
    if (!d || !s) return;
    d->hit_points = s->hit_points;
    d->damage = s->damage;
    if (s->shot_type_flags & SHOT_TYPE_SEGMENTED) {
        d->trail_count = s->trail_count;
        shot_update_trail(d);
    }
}
