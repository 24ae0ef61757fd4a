// Encounters in save games: the record and the link step after a load.
#include "game/encounter.h"

#include <vector>
#include "game/game.h"
#include "platform/buffer.h"
#include "platform/list.h"
#include "platform/log.h"
#include "platform/random.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/ship.h"

namespace {

constexpr int32_t PLACEMENT_RECORD_BYTES = 8 + 6 * 4;
constexpr int32_t OBJECT_REF_MIN_BYTES   = 4;

}  // namespace

Result encounter_write(const Encounter *enc, Buffer *buf) {
    Result r = buffer_write_u64(buf, enc->id);
    if (r == RES_OK) r = buffer_write_i32(buf, enc->kind);
    if (r == RES_OK) r = buffer_write_u32(buf, enc->flags);
    if (r == RES_OK) r = buffer_write_string(buf, enc->name);
    if (r == RES_OK) r = buffer_write_i32(buf, enc->has_text ? 1 : 0);
    if (r == RES_OK && enc->has_text) r = buffer_write_string(buf, enc->text);
    if (r == RES_OK) r = buffer_write_string(buf, enc->objective);
    for (int32_t v : {enc->centre_x, enc->centre_y, enc->backdrop, enc->field_w, enc->field_h})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    if (r == RES_OK) r = buffer_write_u64(buf, enc->sector_id);
    if (r == RES_OK) r = buffer_write_u64(buf, enc->ark_site_id);
    if (r == RES_OK) r = buffer_write_i32(buf, list_count(enc->objects));
    for (GameObject *obj : enc->objects->items) {
        if (!obj || r != RES_OK) break;
        r = object_write_ref(obj, buf);
    }
    if (r == RES_OK) r = buffer_write_i32(buf, static_cast<int32_t>(enc->placements.size()));
    for (const auto &[id, p] : enc->placements) {
        if (r != RES_OK) break;
        r = buffer_write_u64(buf, id);
        for (int32_t v : {p.flags, p.x, p.y, p.w, p.h, p.heading})
            if (r == RES_OK) r = buffer_write_i32(buf, v);
    }
    if (r == RES_OK) r = buffer_write_i32(buf, enc->rng ? 1 : 0);
    if (r == RES_OK && enc->rng) r = rng_write(enc->rng, buf);
    for (int32_t v : {enc->shot_interval, enc->shot_start_clock, enc->shot_type})
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    if (r == RES_OK) r = buffer_write_string(buf, enc->shot_singular);
    if (r == RES_OK) r = buffer_write_string(buf, enc->shot_plural);
    if (r == RES_OK) r = buffer_write_i32(buf, enc->shot_count);
    if (r == RES_OK) r = buffer_write_u64(buf, enc->defense_player_id);
    if (r == RES_OK) r = buffer_write_i32(buf, enc->shot_damage_min);
    if (r == RES_OK) r = buffer_write_i32(buf, enc->shot_damage_max);
    return r;
}

namespace {

// A count: negative is malformed; more than the bytes left could hold is short before allocating.
Result read_count(Buffer *buf, int32_t item_bytes, int32_t *out) {
    Result r = buffer_read_i32(buf, out);
    if (r != RES_OK) return r;
    if (*out < 0) return RES_MALFORMED;
    if (static_cast<int64_t>(*out) * item_bytes > buffer_remaining(buf)) return RES_SHORT_BUFFER;
    return RES_OK;
}

Result read_body(Encounter *enc, Buffer *buf) {
    Result r = buffer_read_u64(buf, &enc->id);
    if (r == RES_OK) r = buffer_read_i32(buf, &enc->kind);
    if (r == RES_OK) r = buffer_read_u32(buf, &enc->flags);
    if (r == RES_OK) r = buffer_read_string(buf, &enc->name);
    int32_t present = 0;
    if (r == RES_OK) r = buffer_read_i32(buf, &present);
    if (r != RES_OK) return r;
    enc->has_text = present != 0;
    if (enc->has_text && (r = buffer_read_string(buf, &enc->text)) != RES_OK) return r;
    if ((r = buffer_read_string(buf, &enc->objective)) != RES_OK) return r;
    for (int32_t *v : {&enc->centre_x, &enc->centre_y, &enc->backdrop, &enc->field_w, &enc->field_h})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    if (r == RES_OK) r = buffer_read_u64(buf, &enc->sector_id);
    if (r == RES_OK) r = buffer_read_u64(buf, &enc->ark_site_id);
    int32_t n = 0;
    if (r == RES_OK) r = read_count(buf, OBJECT_REF_MIN_BYTES, &n);
    for (int32_t i = 0; i < n && r == RES_OK; ++i) {
        GameObject *stub = nullptr;
        if ((r = object_read_ref(&stub, buf)) != RES_OK) return r;
        if (!stub) continue;   // a reference to no object
        object_add_ref(stub);
        if (list_append(enc->objects, stub) < 0) {
            object_release(stub);
            return RES_NO_MEMORY;
        }
    }
    int32_t m = 0;
    if (r == RES_OK) r = read_count(buf, PLACEMENT_RECORD_BYTES, &m);
    for (int32_t i = 0; i < m && r == RES_OK; ++i) {
        uint64_t id = 0;
        EncounterPlacement p;
        r = buffer_read_u64(buf, &id);
        for (int32_t *v : {&p.flags, &p.x, &p.y, &p.w, &p.h, &p.heading})
            if (r == RES_OK) r = buffer_read_i32(buf, v);
        if (r != RES_OK) return r;
        EncounterPlacement *slot = encounter_placement_get_or_create(enc, id, true);
        if (!slot) return RES_NO_MEMORY;
        *slot = p;
    }
    if (r == RES_OK) r = buffer_read_i32(buf, &present);
    if (r == RES_OK && present) r = rng_read(&enc->rng, buf);
    for (int32_t *v : {&enc->shot_interval, &enc->shot_start_clock, &enc->shot_type})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    if (r == RES_OK) r = buffer_read_string(buf, &enc->shot_singular);
    if (r == RES_OK) r = buffer_read_string(buf, &enc->shot_plural);
    if (r == RES_OK) r = buffer_read_i32(buf, &enc->shot_count);
    if (r == RES_OK) r = buffer_read_u64(buf, &enc->defense_player_id);
    if (r == RES_OK) r = buffer_read_i32(buf, &enc->shot_damage_min);
    if (r == RES_OK) r = buffer_read_i32(buf, &enc->shot_damage_max);
    return r;
}

}  // namespace

Result encounter_read(Encounter **out, Buffer *buf) {
    if (out) *out = nullptr;
    Encounter *enc = encounter_create();
    if (!enc) return RES_NO_MEMORY;
    const Result r = read_body(enc, buf);
    if (r != RES_OK || !out) {
        encounter_free(enc);
        return r;
    }
    enc->flags |= ENCOUNTER_FLAG_DIRTY;
    *out = enc;
    return RES_OK;
}

Result encounter_link(Encounter *enc) {
    Game *game = game_get();
    std::vector<GameObject *> found;
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (!(obj->flags & OBJ_STUB)) {
            found.push_back(obj);
            continue;
        }
        GameObject *real = game ? game_find_object(game, obj->id) : nullptr;
        if (!real) {
            log_write(LOG_GAME, LOG_ERROR, "Encounter failed to link object #%llu (object not found)",
                      (unsigned long long)obj->id);
            return RES_UNRESOLVED_ID;
        }
        if (real->kind != obj->kind) {
            log_write(LOG_GAME, LOG_ERROR, "Encounter failed to link object #%llu (object type mismatch)",
                      (unsigned long long)obj->id);
            return RES_KIND_MISMATCH;
        }
        found.push_back(real);
    }
    // Take the new references before the stubs' go, in case a real object is held only here.
    for (GameObject *obj : found) object_add_ref(obj);
    list_clear(enc->objects);
    for (GameObject *obj : found)
        if (list_append(enc->objects, obj) < 0) object_release(obj);
    enc->flags |= ENCOUNTER_FLAG_DIRTY;
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (obj->kind != OBJECT_SHIP) continue;
        const uint64_t fleet_id = static_cast<Ship *>(obj)->fleet_id;
        GameObject *fleet = fleet_id && game ? game_find_object_of_kind(game, OBJECT_FLEET, fleet_id) : nullptr;
        if (!fleet) continue;
        // The fleet is hidden while the battle lasts.
        static_cast<Fleet *>(fleet)->fleet_flags |= FLEET_HIDDEN;
        fleet->flags |= OBJ_NO_POINTER_HIT;
    }
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (obj->flags & OBJ_LINKED) continue;
        const Result r = object_link(obj);
        if (r != RES_OK) return r;
    }
    return RES_OK;
}
