// Fleets: the record, membership, name and totals, composition, the clock and turn slots, drawing,
// shape tests and the kind's operation table and factory (movement and the per-frame update are in
// fleet_move.cpp).
#include "world/fleet.h"

#include <algorithm>
#include <cstring>
#include "effects/effect.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/draw.h"
#include "platform/files.h"
#include "platform/font.h"
#include "platform/graphics.h"
#include "platform/log.h"
#include "platform/movement_path.h"
#include "platform/random.h"
#include "platform/saturate.h"
#include "platform/sprite.h"
#include "platform/str.h"
#include "world/factory.h"
#include "world/fleet_internal.h"
#include "world/object_map.h"
#include "world/object_methods.h"
#include "world/ship.h"

namespace {

constexpr const char *FLEET_DIR = "fleet/000/png";

// A dead target is let go, and the travel towards it ends.
void drop_dead_target(Fleet *f) {
    if (!f->move_target || !(f->move_target->flags & OBJ_DEAD)) return;
    fleet_detail::release_target(f);
    f->flags &= ~OBJ_TRAVELLING;
}

// The ship's frame size for a frame, its current size for a frame it does not have.
void ship_frame_size(const GameObject *ship, int32_t frame, int32_t *w, int32_t *h) {
    if (frame >= 0 && frame < ship->frame_count && ship->frame_w && ship->frame_h) {
        *w = ship->frame_w[frame];
        *h = ship->frame_h[frame];
    } else {
        *w = ship->w;
        *h = ship->h;
    }
}

// The frame of a composition entry: the ship's rotation frames turned to the fleet's heading. A
// hull with fewer than one rotation frame shows its first frame.
int32_t composition_frame(const GameObject *obj, int32_t heading) {
    const Ship *s = ship_of(obj);
    if (!s) return obj->frame < 0 ? 0 : obj->frame;
    const int32_t n = s->rot_last - s->rot_first + 1;
    if (n < 1) return s->rot_first;
    int32_t direction = (180 / n + heading) % 360;
    if (direction < 0) direction += 360;
    return s->rot_first + direction * n / 360;
}

void apply_size(Fleet *f) {
    if (f->fleet_flags & FLEET_COMPOSITE) {
        if (f->composition.empty()) {
            f->w = f->h = 1;
            return;
        }
        int32_t w = 0, h = 0;
        for (const FleetCompEntry &e : f->composition) {
            const GameObject *ship = list_get(&f->ships, e.ship);
            if (!ship) continue;
            int32_t fw = 0, fh = 0;
            ship_frame_size(ship, e.frame, &fw, &fh);
            w = std::max(w, fw + e.x);
            h = std::max(h, fh + e.y);
        }
        f->w = w;
        f->h = h;
        return;
    }
    const bool has_frame = f->frame >= 0 && f->frame < f->frame_count && f->frame_w && f->frame_h;
    f->w = has_frame ? f->frame_w[f->frame] : 0;
    f->h = has_frame ? f->frame_h[f->frame] : 0;
    if (f->fleet_flags & FLEET_BADGE) {
        f->w += FLEET_BADGE_GROWTH;
        f->h += FLEET_BADGE_GROWTH;
    }
}

void recompose(Fleet *f) {
    f->composition.clear();
    List<GameObject> *sorted = fleet_sorted_ship_list(f);
    const int32_t count = sorted ? list_count(sorted) : 0;
    int32_t x = 0, y = 0;
    for (int32_t k = 0; k < count; ++k) {
        GameObject *ship = list_get(sorted, k);
        FleetCompEntry e;
        e.ship = fleet_detail::index_in(&f->ships, ship);
        e.x = x;
        e.y = y;
        e.frame = composition_frame(ship, f->heading);
        f->composition.push_back(e);
        if (count >= 4 && k == count / 2 - 1) {
            y += FLEET_ROW_HEIGHT;
            x = 0;
        } else {
            int32_t fw = 0, fh = 0;
            ship_frame_size(ship, e.frame, &fw, &fh);
            x += fw + FLEET_ROW_GAP + random_range(0, 4);
        }
    }
    list_free(sorted);
    apply_size(f);
    if (count == 0) f->composition.shrink_to_fit();
    f->fleet_flags &= ~FLEET_RECOMPOSE;
}

// ---- Slots ----

uint32_t fleet_size() { return sizeof(Fleet); }
const char *fleet_type_name() { return "Fleet"; }

void fleet_init(GameObject *obj) {
    Fleet *f = object_init_record<Fleet>(obj);
    list_set_free_fn(&f->ships, object_release);
}

void fleet_free(GameObject *obj) {
    Fleet *f = fleet_detail::fleet(obj);
    fleet_detail::release_target(f);
    list_clear(&f->ships);
    object_free_record<Fleet>(obj);
}

void fleet_on_created(GameObject *obj) { fleet_detail::fleet(obj)->ping_ms = random_range(100, 10000); }

void fleet_apply_frame(GameObject *obj) { apply_size(fleet_detail::fleet(obj)); }

void fleet_galaxy_turn(GameObject *obj) {
    Fleet *f = fleet_detail::fleet(obj);
    obj->flags &= ~OBJ_TRAVEL_HELD;
    f->fleet_flags &= ~FLEET_SCANNED;
    drop_dead_target(f);
    for (int32_t i = 0; i < list_count(&f->ships); ++i) {
        GameObject *ship = list_get(&f->ships, i);
        if (!ship) break;
        if (fleet_detail::is_live(ship)) object_galaxy_turn(ship);
    }
}

void fleet_advance_clock(GameObject *obj, int32_t minutes) {
    Fleet *f = fleet_detail::fleet(obj);
    f->fleet_flags &= ~FLEET_BARRED;
    drop_dead_target(f);
    const bool travelling = (obj->flags & OBJ_TRAVELLING) != 0;
    for (int32_t i = 0; i < list_count(&f->ships); ++i) {
        GameObject *ship = list_get(&f->ships, i);
        if (!ship) break;
        if (Ship *s = ship_of(ship)) {
            if (travelling) {
                s->ship_flags &= ~(SHIP_FLAG_ORDER_A | SHIP_FLAG_SURVEY | SHIP_FLAG_ORDER_B);
                s->ship_flags |= SHIP_FLAG_UNSETTLED;
            } else {
                s->ship_flags &= ~SHIP_FLAG_UNSETTLED;
            }
        }
        object_advance_clock(ship, minutes);
    }
}

// Dead ships leave through the membership setter; the list order of the rest is kept.
void remove_dead_ships(Fleet *f) {
    std::vector<GameObject *> dead;
    for (GameObject *ship : f->ships.items) {
        if (!ship) break;
        if (ship->flags & OBJ_DEAD) {
            object_add_ref(ship);
            dead.push_back(ship);
        }
    }
    for (GameObject *ship : dead) fleet_detail::leave(f, ship);
    fleet_detail::release_all(dead);
}

void fleet_reset_state(GameObject *obj) {
    Fleet *f = fleet_detail::fleet(obj);
    f->ping_ms = random_range(100, 10000);
    f->fleet_flags &= ~FLEET_ARRIVED;
    remove_dead_ships(f);
}

void fleet_purge_dead(GameObject *obj) {
    Fleet *f = fleet_detail::fleet(obj);
    remove_dead_ships(f);
    fleet_kind_name(f);
    if (list_count(&f->ships) == 0) obj->flags |= OBJ_DEAD;
    drop_dead_target(f);
}

void fleet_detach(GameObject *obj) { fleet_detail::release_target(fleet_detail::fleet(obj)); }

void fleet_set_heading(GameObject *obj, int32_t degrees) {
    Fleet *f = fleet_detail::fleet(obj);
    obj->heading = degrees;
    if (f->fleet_flags & FLEET_COMPOSITE) {
        f->fleet_flags |= FLEET_RECOMPOSE;
        fleet_kind_name(f);
    }
}

const char *fleet_display_name(const GameObject *obj) { return fleet_detail::fleet(obj)->display_name.c_str(); }

int32_t fleet_icon(const GameObject *) { return 1; }

int32_t fleet_point_test(GameObject *obj, int32_t x, int32_t y, int32_t px, int32_t py) {
    if (fleet_detail::fleet(obj)->fleet_flags & FLEET_COMPOSITE) return 1;
    const Sprite *shape = object_shape(obj);
    return shape ? mask_test(shape, px - x, py - y) : 0;
}

int32_t fleet_rect_test(GameObject *obj, const Sprite *sprite, int32_t x, int32_t y, int32_t sx, int32_t sy,
                        int32_t *out_x, int32_t *out_y) {
    if (fleet_detail::fleet(obj)->fleet_flags & FLEET_COMPOSITE) return 1;
    const Sprite *shape = object_shape(obj);
    if (!shape || !sprite) return 0;
    int hit_x = 0, hit_y = 0;
    if (!mask_overlap(shape, sprite, sx - x, sy - y, &hit_x, &hit_y)) return 0;
    if (out_x) *out_x = hit_x + x;
    if (out_y) *out_y = hit_y + y;
    return 1;
}

// The dispatch has already found the two boxes overlapping.
int32_t fleet_overlap_test(GameObject *obj, GameObject *other, int32_t x, int32_t y, int32_t ox, int32_t oy,
                           int32_t *out_x, int32_t *out_y) {
    const Fleet *f = fleet_detail::fleet(obj);
    if (f->fleet_flags & (FLEET_COMPOSITE | FLEET_BADGE)) {
        if (out_x) *out_x = std::max(x, ox);
        if (out_y) *out_y = std::max(y, oy);
        return 1;
    }
    const Sprite *shape = object_shape(obj);
    return shape ? object_mask_overlap(other, shape, ox, oy, x, y, out_x, out_y) : 0;
}

void draw_composite(Fleet *f, Graphics *g, int32_t x, int32_t y) {
    for (const FleetCompEntry &e : f->composition) {
        GameObject *ship = list_get(&f->ships, e.ship);
        if (!ship || !ship->frames || e.frame < 0 || e.frame >= ship->frame_count) continue;
        Sprite *sprite = ship->frames[e.frame];
        if (!sprite) continue;
        SpriteDrawPayload draw{};
        draw.x = int16_t(x + e.x);
        draw.y = int16_t(y + e.y);
        draw.sprite = sprite;
        if (f->flags & OBJ_PULSING) {
            draw.flags = SPRITE_DRAW_TINT;
            draw.tint_r = draw.tint_g = draw.tint_b = uint8_t(f->pulse_level);
        } else if (f->flags & OBJ_BLENDED) {
            draw.flags = SPRITE_DRAW_BLEND;
        }
        (void)sprite_queue_draw(g, draw);
        if (f->flags & OBJ_OUTLINE) (void)gfx_queue_sprite_outline(g, sprite, x + e.x, y + e.y, 0, 255, 0);
    }
}

void draw_badge(Fleet *f, Graphics *g, int32_t x, int32_t y, Sprite *sprite) {
    const int32_t w = sprite->width, h = sprite->height;
    (void)gfx_queue_frame_rect(g, GfxRect{int16_t(x), int16_t(y), uint16_t(w + 2), uint16_t(h + 2)}, 24, 24, 24);
    GfxLinePayload down{};
    down.x = int16_t(x + w + 2);
    down.y = int16_t(y);
    down.dy = int16_t(h + 3);
    down.r = down.g = down.b = 2;
    (void)gfx_queue_line(g, down);
    GfxLinePayload across{};
    across.x = int16_t(x);
    across.y = int16_t(y + h + 2);
    across.dx = int16_t(w + 2);
    across.r = across.g = across.b = 2;
    (void)gfx_queue_line(g, across);
    (void)gfx_queue_tint_rect(g, GfxRect{int16_t(x + 1), int16_t(y + 1), uint16_t(w), uint16_t(h)}, f->colour_r,
                              f->colour_g, f->colour_b);
}

void fleet_draw(GameObject *obj, Graphics *g, int32_t x, int32_t y) {
    Fleet *f = fleet_detail::fleet(obj);
    if (f->fleet_flags & FLEET_HIDDEN) return;
    if (f->fleet_flags & FLEET_COMPOSITE) {
        draw_composite(f, g, x, y);
    } else {
        Sprite *sprite = obj->frames && obj->frame >= 0 && obj->frame < obj->frame_count ? obj->frames[obj->frame]
                                                                                          : nullptr;
        if (!sprite) return;
        if (f->fleet_flags & FLEET_BADGE) draw_badge(f, g, x, y, sprite);
        SpriteDrawPayload draw{};
        draw.x = int16_t(x + 1);
        draw.y = int16_t(y + 1);
        draw.sprite = sprite;
        (void)sprite_queue_draw(g, draw);
        const int32_t count = list_count(&f->ships);
        if ((f->fleet_flags & FLEET_SHOWS_COUNT) && count > 1)
            (void)font_draw_textf(g, 4, x + 4, y + 1 + sprite->height - 10, gfx_map_rgb(248, 248, 240), "%i",
                                  std::min(count, FLEET_COUNT_MAX));
    }
    const GfxRect rect{int16_t(x), int16_t(y), uint16_t(obj->w), uint16_t(obj->h)};
    (void)gfx_queue_command(g, gfx_add_dirty_rect, &rect, sizeof rect);
    (void)gfx_queue_command(g, gfx_add_restore_rect, &rect, sizeof rect);
}

Result fleet_load_params(GameObject *tmpl) { return factory_load_frame_sizes(tmpl, FLEET_DIR); }

// Group 1 holds every frame.
void fleet_group_frames(const GameObject *tmpl, int32_t group, std::vector<FactoryFrame> *out) {
    if (group != FACTORY_GROUP_FRAMES) return;
    for (int32_t frame = 0; frame < tmpl->frame_count; ++frame) out->push_back({frame, false});
}

}  // namespace

// ---- Kind set-up ----

void fleet_register_methods(ObjectMethods *row) {
    *row = ObjectMethods{
        .size = fleet_size,
        .type_name = fleet_type_name,
        .init = fleet_init,
        .free = fleet_free,
        .on_created = fleet_on_created,
        .apply_frame = fleet_apply_frame,
        .update = fleet_update,
        .galaxy_turn = fleet_galaxy_turn,
        .draw = fleet_draw,
        .reset_state = fleet_reset_state,
        .set_heading = fleet_set_heading,
        .display_name = fleet_display_name,
        .icon = fleet_icon,
        .write = fleet_write,
        .read = fleet_read,
        .link = fleet_link,
        .overlap_test = fleet_overlap_test,
        .rect_test = fleet_rect_test,
        .point_test = fleet_point_test,
        .after_advance = fleet_scan,
        .copy_record = fleet_copy_record,
        .advance_clock = fleet_advance_clock,
        .purge_dead = fleet_purge_dead,
        .detach = fleet_detach,
    };
}

void fleet_register_factory(Factory *factory) {
    factory->kind = OBJECT_FLEET;
    factory->template_count = FLEET_TEMPLATE_COUNT;
    factory->load_params = fleet_load_params;
    factory->group_frames = fleet_group_frames;
    factory->frame_dir = "fleet/%.3i/png";
}

// ---- Creation and membership ----

Fleet *fleet_create() {
    GameObject *obj = factory_create_object(OBJECT_FLEET, 0);
    Fleet *f = fleet_of(obj);
    if (!f) {
        if (obj) object_destroy(obj);
        return nullptr;
    }
    fleet_kind_name(f);
    return f;
}

void fleet_add_ship(Fleet *f, GameObject *ship) {
    if (!ship || fleet_has_ship_id(f, ship->id)) return;
    object_add_ref(ship);
    list_append(&f->ships, ship);
    f->fleet_flags |= FLEET_RECOMPOSE;
    fleet_kind_name(f);
    if (f->move_target) fleet_detail::steer_at_centre(f, f->move_target);
}

void fleet_remove_ship(Fleet *f, GameObject *ship) {
    if (!ship || !list_remove_value(&f->ships, ship)) return;
    object_release(ship);
    f->fleet_flags |= FLEET_RECOMPOSE;
    fleet_kind_name(f);
    if (list_count(&f->ships) == 0) f->flags |= OBJ_DEAD;
    else if (f->move_target) fleet_detail::steer_at_centre(f, f->move_target);
}

GameObject *fleet_move_target(const GameObject *obj) {
    const Fleet *f = fleet_of(obj);
    return f ? f->move_target : nullptr;
}

int32_t fleet_scan_range_of(const GameObject *obj) {
    const Fleet *f = fleet_of(obj);
    return f ? f->scan_range : 0;
}

GameObject *fleet_get_ship(const Fleet *f, int32_t index) { return list_get(&f->ships, index); }

int32_t fleet_ship_count(const Fleet *f) { return list_count(&f->ships); }

bool fleet_has_ship_id(const Fleet *f, uint64_t id) {
    for (const GameObject *ship : f->ships.items) {
        if (!ship) break;
        if (ship->id == id) return true;
    }
    return false;
}

bool fleet_has_pilot(const Fleet *f) {
    for (const GameObject *ship : f->ships.items) {
        if (!ship) break;
        const Ship *s = ship_of(ship);
        if (s && s->pilot) return true;
    }
    return false;
}

bool fleet_ships_all_in_list(const Fleet *f, const List<GameObject> *list) {
    for (const GameObject *ship : f->ships.items) {
        if (!ship) break;
        if (fleet_detail::index_in(list, ship) < 0) return false;
    }
    return true;
}

List<GameObject> *fleet_sorted_ship_list(const Fleet *f) {
    auto *sorted = new (std::nothrow) List<GameObject>();
    if (!sorted) return nullptr;
    for (GameObject *ship : f->ships.items) {
        if (!ship) break;
        // Before the first entry whose name is not smaller: an equal name goes before the earlier ship.
        const char *name = object_get_name(ship);
        auto at = std::find_if(sorted->items.begin(), sorted->items.end(), [name](GameObject *other) {
            return std::strcmp(object_get_name(other), name) >= 0;
        });
        sorted->items.insert(at, ship);
    }
    return sorted;
}

namespace {

void set_ship_flag(Fleet *f, uint32_t bit, bool on) {
    for (GameObject *ship : f->ships.items) {
        if (!ship) break;
        Ship *s = ship_of(ship);
        if (!s || !fleet_detail::is_live(ship)) continue;
        if (on) s->ship_flags |= bit;
        else s->ship_flags &= ~bit;
    }
}

bool any_ship_flag(const Fleet *f, uint32_t bit) {
    for (const GameObject *ship : f->ships.items) {
        if (!ship) break;
        const Ship *s = ship_of(ship);
        if (s && fleet_detail::is_live(ship) && (s->ship_flags & bit)) return true;
    }
    return false;
}

}  // namespace

void fleet_set_ships_attack_starbase(Fleet *f, bool on) { set_ship_flag(f, SHIP_FLAG_ORDER_A, on); }
void fleet_set_ships_survey(Fleet *f, bool on) { set_ship_flag(f, SHIP_FLAG_SURVEY, on); }
void fleet_set_ships_attack_starbase0(Fleet *f, bool on) { set_ship_flag(f, SHIP_FLAG_ORDER_B, on); }
bool fleet_any_ship_attacks_starbase(const Fleet *f) { return any_ship_flag(f, SHIP_FLAG_ORDER_A); }
bool fleet_any_ship_surveys(const Fleet *f) { return any_ship_flag(f, SHIP_FLAG_SURVEY); }
bool fleet_any_ship_attacks_defences(const Fleet *f) { return any_ship_flag(f, SHIP_FLAG_ORDER_B); }

void fleet_set_composite(Fleet *f) {
    f->fleet_flags |= FLEET_COMPOSITE | FLEET_RECOMPOSE;
    fleet_kind_name(f);
}

void fleet_set_hidden(Fleet *f, bool on) {
    if (on) {
        f->fleet_flags |= FLEET_HIDDEN;
        f->flags |= OBJ_NO_POINTER_HIT;
    } else {
        f->fleet_flags &= ~FLEET_HIDDEN;
        f->flags &= ~OBJ_NO_POINTER_HIT;
    }
}

void fleet_bar_meetings(Fleet *f) { f->fleet_flags |= FLEET_BARRED; }
bool fleet_is_barred(const Fleet *f) { return (f->fleet_flags & FLEET_BARRED) != 0; }
bool fleet_is_hidden(const Fleet *f) { return (f->fleet_flags & FLEET_HIDDEN) != 0; }
void fleet_enable_pings(Fleet *f) { f->fleet_flags |= FLEET_PINGS; }
void fleet_show_count(Fleet *f) { f->fleet_flags |= FLEET_SHOWS_COUNT; }
void fleet_mark_retreated(Fleet *f) { f->fleet_flags |= FLEET_RETREATED; }
bool fleet_is_retreated(const Fleet *f) { return (f->fleet_flags & FLEET_RETREATED) != 0; }
void fleet_set_origin_id(Fleet *f, uint64_t id) { f->saved_id_a = id; }
uint64_t fleet_origin_id(const Fleet *f) { return f->saved_id_a; }

void fleet_set_colour(Fleet *f, uint8_t r, uint8_t g, uint8_t b) {
    if (!(f->fleet_flags & FLEET_BADGE)) {
        f->w += FLEET_BADGE_GROWTH;
        f->h += FLEET_BADGE_GROWTH;
        f->fleet_flags |= FLEET_BADGE;
    }
    f->colour_r = r;
    f->colour_g = g;
    f->colour_b = b;
}

uint64_t fleet_take_intercepted_fleet(Fleet *f) {
    const uint64_t id = f->intercepted_fleet_id;
    f->intercepted_fleet_id = 0;
    return id;
}

int32_t fleet_cloak(const GameObject *obj) {
    const Fleet *f = fleet_of(obj);
    return f ? f->cloak : 0;
}

Result fleet_template_icon_size(int32_t index, int32_t *w, int32_t *h) {
    if (index != 0) return RES_OUT_OF_RANGE;
    const GameObject *tmpl = factory_get_template(OBJECT_FLEET, 0);
    const bool sized = tmpl && tmpl->frame_count > 0 && tmpl->frame_w && tmpl->frame_h;
    if (w) *w = (sized ? tmpl->frame_w[0] : 0) + FLEET_BADGE_GROWTH;
    if (h) *h = (sized ? tmpl->frame_h[0] : 0) + FLEET_BADGE_GROWTH;
    return RES_OK;
}

// ---- Name, totals, speed, composition ----

int32_t ship_list_min_mp(const List<GameObject> *list) {
    int32_t m = 0;
    bool any = false;
    for (const GameObject *obj : list->items) {
        if (!obj) break;
        any = true;
        const Ship *s = ship_of(obj);
        const int32_t mp = s ? s->effective_mp : 0;
        if (m < 1 || mp < m) m = mp;
    }
    if (!any) return 0;
    return std::max(m, 1);
}

void fleet_kind_name(Fleet *f) {
    uint8_t r = FLEET_NO_OWNER_COLOUR, g = FLEET_NO_OWNER_COLOUR, b = FLEET_NO_OWNER_COLOUR;
    if (Player *owner = object_get_owner(f)) {
        r = uint8_t(std::clamp(owner->red, 0, 255));
        g = uint8_t(std::clamp(owner->green, 0, 255));
        b = uint8_t(std::clamp(owner->blue, 0, 255));
    }
    fleet_set_colour(f, r, g, b);

    if (f->flags & OBJ_SNAPSHOT) {
        f->speed = f->known_speed;
        const size_t n = f->known_ship_ids.size();
        f->display_name = n <= 1 ? "Ship" : n < 5 ? "Squadron" : "Fleet";
        f->mass = f->capacity_total = f->piloted_count = f->cloak = f->scan_range = 0;
        return;
    }

    // The ships' figures may come from a save at the ends of the range: summed and scaled in 64 bits,
    // held to the 32-bit range.
    int64_t best_scan = 0, mass = 0, capacity = 0;
    int32_t piloted = 0, cloak = -1;
    int32_t count = 0;
    for (const GameObject *obj : f->ships.items) {
        if (!obj) break;
        ++count;
        const Ship *s = ship_of(obj);
        if (!s) {
            cloak = 0;
            continue;
        }
        const int64_t scan =
            s->scan_boost > 0 ? int64_t(s->scan_range) * (100 + int64_t(s->scan_boost)) / 100 : s->scan_range;
        best_scan = std::max(best_scan, scan);
        mass += s->mass;
        capacity += s->capacity_used;
        if (s->pilot) ++piloted;
        if (cloak < 0 || s->boost_b < cloak) cloak = s->boost_b;
    }
    f->mass = saturate_i32(mass);
    f->capacity_total = saturate_i32(capacity);
    f->piloted_count = piloted;
    f->cloak = count == 0 ? -1 : std::max(cloak, 0);

    if (count == 1) f->display_name = object_get_name(list_get(&f->ships, 0));
    else if (count >= 5) f->display_name = "Fleet";
    else if (count >= 2) f->display_name = "Squadron";
    else f->display_name = "Ship";

    f->scan_range = std::max(saturate_i32(best_scan * FLEET_SCAN_PERCENT / 100), 1);
    f->speed = count > 0 ? ship_list_min_mp(&f->ships) : 0;

    if (f->fleet_flags & FLEET_RECOMPOSE) recompose(f);
}
