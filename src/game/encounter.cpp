// Encounter record: creation and references, objects, sides and side choices, placements, the end
// test and side results, the Game's encounters and the combat field's layout. (The save record and
// the link after a load: encounter_save.cpp.)
#include "game/encounter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include "game/game.h"
#include "game/player.h"
#include "platform/hash.h"
#include "platform/list.h"
#include "platform/log.h"
#include "platform/random.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"

namespace {

bool owner_is_side(const Encounter *enc, uint64_t owner_id, size_t *index) {
    for (size_t i = 0; i < enc->sides.size(); ++i)
        if (enc->sides[i] == owner_id) {
            if (index) *index = i;
            return true;
        }
    return false;
}

void rebuild_if_dirty(Encounter *enc) {
    if (enc->flags & ENCOUNTER_FLAG_DIRTY) encounter_rebuild_index(enc);
}

void size_side_choices(Encounter *enc) {
    rebuild_if_dirty(enc);
    enc->side_choices.assign(enc->sides.size(), 0);
}

}  // namespace

// ---- Life cycle ------------------------------------------------------------------------------------

Encounter *encounter_create() {
    Encounter *enc = new (std::nothrow) Encounter();
    if (!enc) return nullptr;
    enc->objects = list_create<GameObject>();
    if (!enc->objects) {
        delete enc;
        return nullptr;
    }
    list_set_free_fn(enc->objects, object_release);
    return enc;
}

void encounter_retain(Encounter *enc) {
    if (enc) ++enc->refcount;
}

void encounter_release(Encounter *enc) {
    if (!enc) return;
    if (--enc->refcount <= 0) encounter_free(enc);
}

void encounter_free(Encounter *enc) {
    if (!enc) return;
    encounter_release_objects(enc);
    list_free(enc->objects);
    rng_free(enc->rng);
    delete enc;
}

void encounter_release_objects(Encounter *enc) {
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (obj->flags & OBJ_LOST) obj->flags |= OBJ_DEAD;
    }
    list_clear(enc->objects);
    enc->placements.clear();
    enc->flags |= ENCOUNTER_FLAG_DIRTY;
}

void encounter_add_object(Encounter *enc, GameObject *obj) {
    if (!enc || !obj) return;
    object_add_ref(obj);
    if (list_append(enc->objects, obj) < 0) {
        object_release(obj);
        return;
    }
    enc->flags |= ENCOUNTER_FLAG_DIRTY;
}

void encounter_seed_random(Encounter *enc, uint32_t seed) {
    if (!enc->rng) {
        enc->rng = rng_create();
        if (!enc->rng) return;
    }
    // A battle's generator goes on where it stood: only the state words are reseeded.
    const uint32_t index = enc->rng->index;
    rng_seed(enc->rng, seed);
    enc->rng->index = index;
}

void encounter_set_defense_shot(Encounter *enc, int32_t start_clock, int32_t interval, int32_t shot_type,
                                const char *singular, const char *plural, int32_t count, int32_t damage_min,
                                int32_t damage_max, uint64_t defense_player_id) {
    enc->shot_start_clock = start_clock;
    enc->shot_interval = interval;
    enc->shot_type = shot_type;
    enc->shot_singular = singular ? singular : "";
    enc->shot_plural = plural ? plural : "";
    enc->shot_count = count;
    enc->shot_damage_min = damage_min;
    enc->shot_damage_max = damage_max;
    enc->defense_player_id = defense_player_id;
    enc->flags |= ENCOUNTER_FLAG_DEFENSE_SHOT;
}

bool encounter_has_defense_shot(const Encounter *enc) { return enc->flags & ENCOUNTER_FLAG_DEFENSE_SHOT; }
bool encounter_is_finished(const Encounter *enc) { return enc->flags & ENCOUNTER_FLAG_FINISHED; }

// ---- Sides and fleets ------------------------------------------------------------------------------

void encounter_rebuild_index(Encounter *enc) {
    enc->sides.clear();
    enc->fleets.clear();
    // The sector's owner is side 0 whenever it has something in the battle.
    Game *game = game_get();
    GameObject *sector = enc->sector_id && game ? game_find_object_of_kind(game, OBJECT_SECTOR, enc->sector_id)
                                                : nullptr;
    if (sector) {
        for (GameObject *obj : enc->objects->items) {
            if (!obj) break;
            if (obj->owner_id == sector->owner_id) {
                enc->sides.push_back(sector->owner_id);
                break;
            }
        }
    }
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (!owner_is_side(enc, obj->owner_id, nullptr)) enc->sides.push_back(obj->owner_id);
        if (obj->kind != OBJECT_SHIP || (obj->flags & OBJ_STUB)) continue;
        const uint64_t fleet_id = static_cast<Ship *>(obj)->fleet_id;
        if (!fleet_id) continue;
        bool known = false;
        for (uint64_t id : enc->fleets) known = known || id == fleet_id;
        if (!known) enc->fleets.push_back(fleet_id);
    }
    enc->flags &= ~ENCOUNTER_FLAG_DIRTY;
}

int32_t encounter_side_count(Encounter *enc) {
    rebuild_if_dirty(enc);
    return static_cast<int32_t>(enc->sides.size());
}

uint64_t encounter_get_side(Encounter *enc, int32_t index) {
    rebuild_if_dirty(enc);
    if (index < 0 || index >= static_cast<int32_t>(enc->sides.size())) return 0;
    return enc->sides[static_cast<size_t>(index)];
}

bool encounter_has_side(Encounter *enc, uint64_t owner_id) {
    rebuild_if_dirty(enc);
    return owner_is_side(enc, owner_id, nullptr);
}

bool encounter_has_fleet(Encounter *enc, uint64_t fleet_id) {
    rebuild_if_dirty(enc);
    for (uint64_t id : enc->fleets)
        if (id == fleet_id) return true;
    return false;
}

int32_t encounter_fleet_count(Encounter *enc) {
    rebuild_if_dirty(enc);
    return static_cast<int32_t>(enc->fleets.size());
}

Fleet *encounter_get_fleet(Encounter *enc, int32_t index) {
    rebuild_if_dirty(enc);
    if (index < 0 || index >= static_cast<int32_t>(enc->fleets.size())) return nullptr;
    Game *game = game_get();
    GameObject *obj = game ? game_find_object_of_kind(game, OBJECT_FLEET, enc->fleets[static_cast<size_t>(index)])
                           : nullptr;
    return obj ? static_cast<Fleet *>(obj) : nullptr;
}

GameObject *encounter_find_object(const Encounter *enc, uint64_t id) {
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (obj->id == id) return obj;
    }
    return nullptr;
}

int32_t encounter_count_owner_ships(const Encounter *enc, uint64_t owner_id) {
    int32_t n = 0;
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (obj->kind == OBJECT_SHIP && obj->owner_id == owner_id) ++n;
    }
    return n;
}

List<GameObject> *encounter_owner_ships_sorted(const Encounter *enc, uint64_t owner_id) {
    List<GameObject> *list = list_create<GameObject>();
    if (!list) return nullptr;
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (obj->kind != OBJECT_SHIP || obj->owner_id != owner_id) continue;
        const std::string &name = static_cast<Ship *>(obj)->ship_name;
        // Insertion after every ship whose name is not greater keeps equal names in their order.
        size_t at = list->items.size();
        while (at > 0 && static_cast<Ship *>(list->items[at - 1])->ship_name.compare(name) > 0) --at;
        try {
            list->items.insert(list->items.begin() + static_cast<std::ptrdiff_t>(at), obj);
        } catch (const std::bad_alloc &) {
            list_free(list);
            return nullptr;
        }
    }
    return list;
}

void encounter_sum_owner_stats(const Encounter *enc, int32_t *mass, uint64_t owner_id, int32_t *power) {
    int32_t m = 0, p = 0;
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (obj->owner_id != owner_id) continue;
        m += obj->mass;
        if (obj->kind == OBJECT_SHIP && !(obj->flags & OBJ_STUB)) p += static_cast<Ship *>(obj)->capacity_used;
    }
    if (mass) *mass = m;
    if (power) *power = p;
}

bool encounter_other_side_retreated(const Encounter *enc, uint64_t owner_id) {
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (obj->kind == OBJECT_SHIP && obj->owner_id != owner_id && (obj->flags & OBJ_LEFT_MAP)) return true;
    }
    return false;
}

// ---- Side choices ----------------------------------------------------------------------------------

void encounter_set_side_choice(Encounter *enc, int32_t value, uint64_t owner_id) {
    rebuild_if_dirty(enc);
    size_t i = 0;
    if (!owner_is_side(enc, owner_id, &i) || i >= enc->side_choices.size()) return;
    enc->side_choices[i] = value;
}

int32_t encounter_get_side_choice(Encounter *enc, uint64_t owner_id) {
    rebuild_if_dirty(enc);
    size_t i = 0;
    if (!owner_is_side(enc, owner_id, &i) || i >= enc->side_choices.size()) return 0;
    return enc->side_choices[i];
}

void encounter_init_side_choices_all(Encounter *enc) {
    size_side_choices(enc);
    for (int32_t &choice : enc->side_choices) choice = 1;
}

void encounter_init_side_choices_by_owner(Encounter *enc) {
    size_side_choices(enc);
    Game *game = game_get();
    for (size_t i = 0; i < enc->sides.size(); ++i) {
        Player *player = game ? game_find_player(game, enc->sides[i]) : nullptr;
        if (!player) continue;
        if (player->kind == PLAYER_KIND_HUMAN)
            enc->side_choices[i] = 1;
        else if (player->kind == PLAYER_KIND_COMPUTER)
            enc->side_choices[i] = player->id == game->sol_player_id || player->id == game->combat_ai_player_id;
    }
}

void encounter_init_ai_side_choices(Encounter *enc) {
    size_side_choices(enc);
    Game *game = game_get();
    for (size_t i = 0; i < enc->sides.size(); ++i) {
        Player *player = game ? game_find_player(game, enc->sides[i]) : nullptr;
        if (!player || player->kind != PLAYER_KIND_COMPUTER) continue;
        enc->side_choices[i] = player_ai_accepts_encounter(player, enc) ? 1 : 0;
    }
}

// ---- Placements ------------------------------------------------------------------------------------

Result encounter_get_placement(const Encounter *enc, int32_t *x, uint64_t id, int32_t *y, int32_t *heading) {
    auto it = enc->placements.find(id);
    if (it == enc->placements.end()) return RES_UNRESOLVED_ID;
    if (x) *x = it->second.x;
    if (y) *y = it->second.y;
    if (heading) *heading = it->second.heading;
    return RES_OK;
}

EncounterPlacement *encounter_placement_get_or_create(Encounter *enc, uint64_t id, bool create) {
    auto it = enc->placements.find(id);
    if (it != enc->placements.end()) return &it->second;
    if (!create) return nullptr;
    try {
        return &enc->placements[id];
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

GameObject *encounter_find_overlap(const Encounter *enc, int32_t x, int32_t y, int32_t w, int32_t h) {
    for (const auto &[id, p] : enc->placements) {
        if (!(p.flags & PLACEMENT_FLAG_PLACED)) continue;
        if (p.x > x + w || p.y > y + h || p.x + p.w < x || p.y + p.h < y) continue;
        GameObject *obj = encounter_find_object(enc, id);
        if (obj) return obj;
    }
    return nullptr;
}

void encounter_register_temp_objects(Encounter *enc) {
    Game *game = game_get();
    if (!game || !game->objects) return;
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (!(obj->flags & OBJ_LOST)) continue;
        log_write(LOG_GAME, LOG_DEBUG3, "Add temp object #%llu \"%s\"", (unsigned long long)obj->id,
                  obj->name.c_str());
        object_add_ref(obj);
        if (list_append(game->objects, obj) < 0) object_release(obj);
    }
}

// ---- End test and results --------------------------------------------------------------------------

void encounter_check_finished(Encounter *enc) {
    if (enc->flags & ENCOUNTER_FLAG_FINISHED) return;
    rebuild_if_dirty(enc);
    Game *game = game_get();
    if (!game || !game->combat_map) return;
    for (uint64_t side : enc->sides) {
        ObjectFilter filter;
        filter.flags = FILTER_KINDS | FILTER_NOT_OWNER;
        filter.kind_mask = (1u << OBJECT_SHIP) | (1u << OBJECT_SHOT);
        filter.owner_id = side;
        if (!map_query_object(game->combat_map, &filter)) {
            enc->flags |= ENCOUNTER_FLAG_FINISHED;
            return;
        }
    }
}

int32_t encounter_get_side_result(const Encounter *enc, uint64_t owner_id) {
    int32_t n = 0, dead = 0, gone = 0;
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (obj->kind != OBJECT_SHIP || obj->owner_id != owner_id) continue;
        ++n;
        if (obj->flags & OBJ_DEAD)
            ++dead;
        else if (obj->flags & OBJ_LEFT_MAP)
            ++gone;
    }
    if (n == 0) return ENCOUNTER_RESULT_DEFEATED;
    if (dead + gone < n) return ENCOUNTER_RESULT_FIGHTING;
    if (dead > 0) return ENCOUNTER_RESULT_DEFEATED;
    return ENCOUNTER_RESULT_RETREATED;
}

const char *encounter_result_text(int32_t result) {
    switch (result) {
    case 0: return "VICTORY";
    case 1: return "DEFEAT";
    case 2: return "RETREAT";
    default: return "";
    }
}

// ---- The Game's encounters -------------------------------------------------------------------------

Encounter *game_find_encounter(Game *game, uint64_t id) {
    if (!game || !game->encounters || id == 0) return nullptr;
    for (Encounter *enc : game->encounters->items) {
        if (!enc) break;
        if (enc->id == id) return enc;
    }
    return nullptr;
}

Result game_add_encounter(Game *game, Encounter *enc) {
    if (!enc->id) enc->id = game_next_id(game);
    encounter_retain(enc);
    if (list_append(game->encounters, enc) < 0) {
        encounter_release(enc);
        return RES_NO_MEMORY;
    }
    return RES_OK;
}

void game_set_current_encounter(Game *game, Encounter *enc) {
    if (game->current_encounter == enc) return;
    encounter_retain(enc);
    encounter_release(game->current_encounter);
    game->current_encounter = enc;
}

// ---- The combat field ------------------------------------------------------------------------------

namespace {

constexpr int32_t FIELD_EDGE   = 32;     // a searched object never starts nearer the top or left edge
constexpr int32_t SEARCH_TRIES = 1024;   // candidates per search radius

// The generator the layout draws from: the encounter's own, else the Game's third.
Rng *layout_generator(const Encounter *enc) {
    if (enc->rng) return enc->rng;
    Game *game = game_get();
    return game ? game->generators[2] : nullptr;
}

int32_t layout_draw(Encounter *enc) {
    Rng *rng = layout_generator(enc);
    return rng ? static_cast<int32_t>(rng_next(rng)) : static_cast<int32_t>(random_u32());
}

int64_t magnitude(int32_t r) { return random_magnitude(static_cast<uint32_t>(r)); }

constexpr int32_t HULL_ARK_CARRIER = 1;   // ship templates the layouts anchor on
constexpr int32_t HULL_SENTINEL    = 4;

void set_side_start(Encounter *enc, uint64_t owner, int32_t x, int32_t y, int32_t heading) {
    EncounterPlacement &start = enc->side_starts[owner];
    start.x = x;
    start.y = y;
    start.heading = heading;
}

void place_at_side_start(Encounter *enc, GameObject *obj) {
    auto it = enc->side_starts.find(obj->owner_id);
    if (it != enc->side_starts.end()) {
        encounter_place_object(enc, it->second.x, obj->id, it->second.y, it->second.heading, true);
        return;
    }
    const int32_t r = layout_draw(enc);
    encounter_place_object(enc, enc->field_w / 2, obj->id, enc->field_h / 2, static_cast<int32_t>(magnitude(r) % 360), true);
}

void screen_size(int32_t *sw, int32_t *sh) {
    Game *game = game_get();
    const ObjectMap *map = game ? game->combat_map : nullptr;
    *sw = map && map->screen_w > 0 ? map->screen_w : 640;
    *sh = map && map->screen_h > 0 ? map->screen_h : 480;
}

GameObject *first_object(Encounter *enc, int32_t kind, int32_t subtype) {
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (obj->kind == kind && obj->subtype == subtype) return obj;
    }
    return nullptr;
}

void layout_corners(Encounter *enc) {
    const int32_t W = enc->field_w, H = enc->field_h;
    const struct { int32_t x, y, heading; } starts[] = {
        {180, 180, 315}, {W - 180, H - 180, 135}, {W - 180, 180, 225}, {180, H - 180, 45}, {180, H / 2, 0},
    };
    for (size_t i = 0; i < enc->sides.size(); ++i) {
        if (i < 5) set_side_start(enc, enc->sides[i], starts[i].x, starts[i].y, starts[i].heading);
        else set_side_start(enc, enc->sides[i], W / 2, H / 2, 0);
    }
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        place_at_side_start(enc, obj);
    }
}

void layout_starbase(Encounter *enc) {
    GameObject *base = first_object(enc, OBJECT_SITE, 0);
    if (!base) return;
    const int32_t W = enc->field_w, H = enc->field_h;
    int32_t sw = 0, sh = 0;
    screen_size(&sw, &sh);
    bool first_other = true;
    for (uint64_t side : enc->sides) {
        if (side == base->owner_id) set_side_start(enc, side, W - sw / 2, H - sh / 2, 135);
        else if (first_other) {
            set_side_start(enc, side, 180, 180, 315);
            first_other = false;
        } else set_side_start(enc, side, W / 2, H / 2, 0);
    }
    // The starbase stands in the far corner in its current frame.
    encounter_place_object(enc, W - base->w, base->id, H - base->h, 0, false);
    static const int32_t slot_x[4] = {50, 190, 289, 323}, slot_y[4] = {316, 277, 176, 40};
    for (GameObject *obj : enc->objects->items) {
        if (!obj || obj == base) continue;
        Ship *s = obj->kind == OBJECT_SHIP && obj->subtype == HULL_SENTINEL ? ship_of(obj) : nullptr;
        if (s && s->aux_word >= 0 && s->aux_word < 4) {
            int32_t x = W - slot_x[s->aux_word], y = H - slot_y[s->aux_word];
            if (s->rot_first < s->rot_last && s->centre_x && s->centre_y) {
                const size_t f = static_cast<size_t>((s->rot_last - s->rot_first + 1) * 135 / 360);
                if (f < s->centre_x->size() && f < s->centre_y->size()) {
                    x -= (*s->centre_x)[f];
                    y -= (*s->centre_y)[f];
                }
            }
            encounter_place_object(enc, x, obj->id, y, 135, false);
            continue;
        }
        place_at_side_start(enc, obj);
    }
}

void layout_carrier(Encounter *enc) {
    GameObject *carrier = first_object(enc, OBJECT_SHIP, HULL_ARK_CARRIER);
    if (!carrier) return;
    const int32_t W = enc->field_w, H = enc->field_h;
    int32_t sw = 0, sh = 0;
    screen_size(&sw, &sh);
    bool first_other = true;
    for (uint64_t side : enc->sides) {
        if (side == carrier->owner_id) set_side_start(enc, side, W / 2, H - sh / 2, 90);
        else if (first_other) {
            set_side_start(enc, side, W / 2, 280, 270);
            first_other = false;
        } else set_side_start(enc, side, W / 2, H / 2, 0);
    }
    const int32_t w0 = carrier->frame_w && carrier->frame_count > 0 ? carrier->frame_w[0] : carrier->w;
    const int32_t h0 = carrier->frame_h && carrier->frame_count > 0 ? carrier->frame_h[0] : carrier->h;
    encounter_place_object(enc, W / 2 - w0 / 2, carrier->id, H - h0 - 90, 0, false);
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (obj != carrier) place_at_side_start(enc, obj);
    }
}

}  // namespace

uint32_t encounter_battle_seed(const Encounter *enc) {
    const Rng *rng = enc ? layout_generator(enc) : nullptr;
    if (!rng) return 0;
    Rng copy = *rng;
    return rng_next(&copy);
}

void encounter_layout(Encounter *enc) {
    rebuild_if_dirty(enc);
    enc->backdrop = static_cast<int32_t>(magnitude(layout_draw(enc)) % 16);
    enc->side_starts.clear();
    switch (enc->kind) {
    case ENCOUNTER_ENGAGEMENT:
    case ENCOUNTER_ARK:
    case ENCOUNTER_SOL: layout_corners(enc); break;
    case ENCOUNTER_STARBASE_ASSAULT: layout_starbase(enc); break;
    case ENCOUNTER_ARK_ARMED: layout_carrier(enc); break;
    default: break;
    }
    enc->side_starts.clear();
}

void encounter_place_object(Encounter *enc, int32_t x, uint64_t id, int32_t y, int32_t heading, bool search) {
    GameObject *obj = encounter_find_object(enc, id);
    if (!obj) return;
    int32_t w = 0, h = 0;
    object_get_frame_extent(obj, &w, &h);
    EncounterPlacement *p = encounter_placement_get_or_create(enc, id, true);
    if (!p) return;
    p->x = x;
    p->y = y;
    p->heading = heading;
    p->w = w;
    p->h = h;
    if (!search) return;
    const int32_t W = enc->field_w, H = enc->field_h;
    const int32_t x0 = x - w / 2, y0 = y - h / 2;
    int64_t radius = 2 * static_cast<int64_t>(std::max(w, h));
    int32_t tries = SEARCH_TRIES;
    int32_t cx = std::min(std::max(x0, FIELD_EDGE), W - w);
    int32_t cy = std::min(std::max(y0, FIELD_EDGE), H - h);
    // A full field has no free spot: the search ends once its radius passes twice the diagonal.
    const int64_t diagonal = static_cast<int64_t>(std::sqrt(static_cast<double>(W) * W + static_cast<double>(H) * H));
    const int64_t radius_cap = std::max<int64_t>(2 * diagonal, 64);
    while (encounter_find_overlap(enc, cx, cy, w, h)) {
        if (--tries < 1) {
            tries = SEARCH_TRIES;
            // The radius grows by a third, and by one at least: a search from radius 0 (an object
            // without frames) would otherwise never widen nor reach its end.
            radius = std::max(radius * 4 / 3, radius + 1);
            if (radius > radius_cap) {
                log_write(LOG_GAME, LOG_WARN, "Encounter found no free spot for object #%llu \"%s\"; placed at %i, %i",
                          (unsigned long long)obj->id, object_get_name(obj), cx, cy);
                break;
            }
        }
        const int64_t span = 2 * radius + 1;
        cx = x0;
        cy = y0;
        if (span > 1) {
            cx = static_cast<int32_t>(x0 - radius + magnitude(layout_draw(enc)) % span);
            cy = static_cast<int32_t>(y0 - radius + magnitude(layout_draw(enc)) % span);
        }
        cx = std::min(std::max(cx, FIELD_EDGE), W - w);
        cy = std::min(std::max(cy, FIELD_EDGE), H - h);
    }
    p->flags |= PLACEMENT_FLAG_PLACED;
    p->x = cx;
    p->y = cy;
}
