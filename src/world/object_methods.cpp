// The operation tables and the dispatch operations that reach them.
#include "world/object_methods.h"

#include <mutex>
#include "game/game.h"
#include "game/player.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/world_hooks.h"

namespace {

ObjectMethods  g_rows[OBJECT_KIND_COUNT];
std::once_flag g_rows_once;

constexpr const char *SLOT_NAMES[OBJECT_METHOD_SLOTS] = {
    "size",          "type_name",   "init",         "free",         "copy_template",
    "on_created",    "apply_frame", "update",       "encounter_begin", "turn_begin",
    "turn_end",      "galaxy_turn", "draw",         "reset_state",  "on_killed",
    "set_heading",   "apply_damage", "act",         "plan",         "display_name",
    "icon",          "picture",     "evasion",      "pilot_bonus",  "hit_chance",
    "write",         "read",        "link",         "travel_point", "intercept",
    "overlap_test",  "rect_test",   "point_test",   "after_advance", "copy_record",
    "advance_clock", "find_child",  "frame_extent", "purge_dead",   "detach",
};

void fill_rows() {
    for (int32_t kind = 0; kind < OBJECT_KIND_COUNT; ++kind) {
        g_rows[kind] = ObjectMethods{};
        if (OBJECT_KIND_REGISTER[kind]) OBJECT_KIND_REGISTER[kind](&g_rows[kind]);
    }
}

// The row of an object's kind; an empty row for a kind outside 0..4, so every slot reads empty.
const ObjectMethods &row_of(const GameObject *obj) {
    static const ObjectMethods EMPTY{};
    object_methods_init();
    // A stub is only the common header (a saved reference not linked yet): no kind slot may see it.
    if (!obj || (obj->flags & OBJ_STUB) || obj->kind < 0 || obj->kind >= OBJECT_KIND_COUNT) return EMPTY;
    return g_rows[obj->kind];
}

}  // namespace

void object_methods_init() { std::call_once(g_rows_once, fill_rows); }

const ObjectMethods *object_methods(int32_t kind) {
    object_methods_init();
    if (kind < 0 || kind >= OBJECT_KIND_COUNT) return nullptr;
    return &g_rows[kind];
}

const char *object_method_slot_name(int slot) {
    if (slot < 0 || slot >= OBJECT_METHOD_SLOTS) return nullptr;
    return SLOT_NAMES[slot];
}

ObjectMethods object_methods_swap(int32_t kind, const ObjectMethods &row) {
    object_methods_init();
    if (kind < 0 || kind >= OBJECT_KIND_COUNT) return ObjectMethods{};
    ObjectMethods old = g_rows[kind];
    g_rows[kind] = row;
    return old;
}

// ---- Plain dispatch ----

const char *object_type_name(int32_t kind) {
    const ObjectMethods *m = object_methods(kind);
    return m && m->type_name ? m->type_name() : nullptr;
}

int32_t object_get_evasion(const GameObject *obj) {
    const ObjectMethods &m = row_of(obj);
    return m.evasion ? m.evasion(obj) : 0;
}

int32_t object_get_icon(const GameObject *obj) {
    const ObjectMethods &m = row_of(obj);
    return m.icon ? m.icon(obj) : RES_NO_PICTURE;
}

int32_t object_get_picture(const GameObject *obj) {
    const ObjectMethods &m = row_of(obj);
    if (m.picture) return m.picture(obj);
    return m.icon ? m.icon(obj) : RES_NO_PICTURE;
}

const char *object_get_name(const GameObject *obj) {
    const ObjectMethods &m = row_of(obj);
    if (m.display_name) return m.display_name(obj);
    return obj->name.c_str();
}

int32_t object_apply_damage(GameObject *target, GameObject *shooter, int32_t amount, int32_t x, int32_t y,
                            int32_t damage_kind) {
    const ObjectMethods &m = row_of(target);
    return m.apply_damage ? m.apply_damage(target, shooter, amount, x, y, damage_kind) : 0;
}

Result object_act(GameObject *obj) {
    const ObjectMethods &m = row_of(obj);
    return m.act ? m.act(obj) : RES_UNSUPPORTED;
}

Result object_plan(GameObject *obj) {
    const ObjectMethods &m = row_of(obj);
    return m.plan ? m.plan(obj) : RES_UNSUPPORTED;
}

void object_intercept(GameObject *obj, GameObject *incoming, int32_t x, int32_t y, int32_t *out) {
    const ObjectMethods &m = row_of(obj);
    if (out) *out = 0;
    int32_t ignored = 0;
    if (m.intercept) m.intercept(obj, incoming, x, y, out ? out : &ignored);
}

void object_galaxy_turn(GameObject *obj) {
    const ObjectMethods &m = row_of(obj);
    if (m.galaxy_turn) m.galaxy_turn(obj);
}

void object_after_advance(GameObject *obj) {
    const ObjectMethods &m = row_of(obj);
    if (m.after_advance) m.after_advance(obj);
}

void object_advance_clock(GameObject *obj, int32_t minutes) {
    const ObjectMethods &m = row_of(obj);
    if (m.advance_clock) m.advance_clock(obj, minutes);
}

void object_purge_dead(GameObject *obj) {
    const ObjectMethods &m = row_of(obj);
    if (m.purge_dead) m.purge_dead(obj);
}

void object_detach(GameObject *obj) {
    const ObjectMethods &m = row_of(obj);
    if (m.detach) m.detach(obj);
}

void object_copy_template(GameObject *dest, const GameObject *tmpl) {
    if (!dest || !tmpl || dest->kind != tmpl->kind) return;
    const ObjectMethods &m = row_of(dest);
    if (m.copy_template) m.copy_template(dest, tmpl);
}

GameObject *object_find(GameObject *obj, uint64_t id) {
    if (!obj) return nullptr;
    if (obj->id == id) return obj;
    const ObjectMethods &m = row_of(obj);
    return m.find_child ? m.find_child(obj, id) : nullptr;
}

void object_get_frame_extent(const GameObject *obj, int32_t *w, int32_t *h) {
    const ObjectMethods &m = row_of(obj);
    if (m.frame_extent) {
        int32_t ew = 0, eh = 0;
        m.frame_extent(obj, &ew, &eh);
        if (w) *w = ew;
        if (h) *h = eh;
        return;
    }
    int32_t max_w = 0, max_h = 0;
    for (int32_t i = 0; i < obj->frame_count; ++i) {
        if (obj->frame_w && obj->frame_w[i] > max_w) max_w = obj->frame_w[i];
        if (obj->frame_h && obj->frame_h[i] > max_h) max_h = obj->frame_h[i];
    }
    if (w) *w = max_w;
    if (h) *h = max_h;
}

// ---- Hit chance ----

int32_t object_hit_chance(GameObject *shooter, int32_t mount, int32_t x, int32_t y, int32_t heading,
                          GameObject *target, int32_t mode, int32_t *out_damage, int32_t *out_result) {
    const ObjectMethods &m = row_of(shooter);
    if (!m.hit_chance) return RES_OUT_OF_RANGE;
    if (out_damage) *out_damage = 0;
    if (out_result) *out_result = 0;
    const int32_t base = m.hit_chance(shooter, mount, x, y, heading, target, mode, out_damage, out_result);
    if (base < 0) return base;

    Player *owner = object_get_owner(shooter);
    int32_t evasion = target ? object_get_evasion(target) : 0;
    if (target && target->kind == OBJECT_SHOT && owner) {
        // The machine faction's guns are built to swat missiles: a shot hardly evades them.
        const Game *game = game_get();
        if (game && shooter->owner_id == game->combat_ai_player_id) evasion = evasion * 5 / 100;
    }
    int32_t chance = base - evasion;
    if (target && owner && player_knows_object(owner, target->id))
        chance += OBJECT_HIT_BONUS_KNOWN;
    if (chance > 100) chance = 100;
    if (chance < 1) chance = 1;
    return chance;
}

int32_t object_hit_chance_here(GameObject *shooter, int32_t mount, GameObject *target, int32_t mode,
                               int32_t *out_damage, int32_t *out_result) {
    return object_hit_chance(shooter, mount, shooter->x, shooter->y, shooter->heading, target, mode,
                             out_damage, out_result);
}

// ---- Dispatch with generic work ----

void object_kill(GameObject *obj) {
    obj->flags |= OBJ_DYING;
    if (obj->flags & OBJ_BUSY) object_clear_busy(obj, obj->hold_ms);
    const ObjectMethods &m = row_of(obj);
    if (m.on_killed) m.on_killed(obj);
    else obj->flags |= OBJ_DEAD;
}

void object_begin_encounter(GameObject *obj) {
    obj->turns_taken = 0;
    obj->flash_ms = 0;
    const ObjectMethods &m = row_of(obj);
    if (m.encounter_begin) m.encounter_begin(obj);
}

void object_begin_turn(GameObject *obj) {
    obj->flags &= ~OBJ_TURN_DONE;
    const ObjectMethods &m = row_of(obj);
    if (m.turn_begin) m.turn_begin(obj);
}

void object_end_turn(GameObject *obj) {
    obj->flags |= OBJ_TURN_DONE;
    obj->initiative = 0;
    const ObjectMethods &m = row_of(obj);
    if (m.turn_end) m.turn_end(obj);
    object_clear_busy(obj, obj->hold_ms);
    ++obj->turns_taken;
}

void object_reset_state(GameObject *obj) {
    obj->flags &= ~OBJ_LEFT_MAP;
    obj->initiative = 0;
    if (obj->flags & OBJ_LOST) {
        obj->flags |= OBJ_DEAD;
        return;
    }
    const ObjectMethods &m = row_of(obj);
    if (m.reset_state) m.reset_state(obj);
}

Result object_link(GameObject *obj) {
    if (obj->flags & OBJ_LINKED) return RES_OK;
    const ObjectMethods &m = row_of(obj);
    const Result r = m.link ? m.link(obj) : RES_OK;
    if (r == RES_OK) obj->flags |= OBJ_LINKED;
    return r;
}

void object_set_heading(GameObject *obj, int32_t degrees) {
    int32_t heading = degrees % 360;
    if (heading < 0) heading += 360;
    const ObjectMethods &m = row_of(obj);
    if (m.set_heading) m.set_heading(obj, heading);
    obj->heading = heading;
}

bool object_is_dying(const GameObject *obj) { return (obj->flags & OBJ_DYING) != 0; }
bool object_is_dead(const GameObject *obj) { return (obj->flags & OBJ_DEAD) != 0; }
bool object_is_snapshot(const GameObject *obj) { return (obj->flags & OBJ_SNAPSHOT) != 0; }
bool object_is_stub(const GameObject *obj) { return (obj->flags & OBJ_STUB) != 0; }
bool object_is_lost(const GameObject *obj) { return (obj->flags & OBJ_LOST) != 0; }
bool object_is_visible(const GameObject *obj) { return (obj->flags & OBJ_VISIBLE) != 0; }
bool object_is_travelling(const GameObject *obj) { return (obj->flags & OBJ_TRAVELLING) != 0; }
bool object_has_left_map(const GameObject *obj) { return (obj->flags & OBJ_LEFT_MAP) != 0; }
bool object_turn_done(const GameObject *obj) { return (obj->flags & OBJ_TURN_DONE) != 0; }
bool object_is_gone(const GameObject *obj) { return (obj->flags & (OBJ_DEAD | OBJ_LEFT_MAP)) != 0; }

void object_set_position(GameObject *obj, int32_t x, int32_t y) {
    obj->x = x;
    obj->y = y;
}

void object_set_map(GameObject *obj, ObjectMap *map) { obj->map = map; }

void object_set_owner_id(GameObject *obj, uint64_t id) { obj->owner_id = id; }

void object_flash(GameObject *obj) {
    obj->flags |= OBJ_FLASHING;
    obj->flash_ms = OBJECT_FLASH_MS;
}

void object_shake(GameObject *obj, int32_t ms) {
    obj->flags |= OBJ_SHAKING;
    obj->shake_ms = ms;
}
