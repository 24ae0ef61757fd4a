// Encounter life: purging removed objects, ending a battle, placing objects on the galaxy map,
// filling the combat map when a battle starts, and the battle questions the ships ask.
#include "game/encounter_life.h"

#include <algorithm>
#include <set>
#include <utility>
#include "game/encounter.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/list.h"
#include "platform/log.h"
#include "effects/effect_glow.h"
#include "effects/effect_sprite.h"
#include "world/factory.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/shot.h"
#include "world/site.h"

namespace {

constexpr int32_t HULL_ARK_SHIP = 0;   // an armed ARK encounter launches ships of this hull

// The Game's global object list loses its removed objects; the order of the rest is kept.
void purge_global_list(Game *game) {
    if (!game->objects) return;
    bool dropped = false;
    for (GameObject *&slot : game->objects->items) {
        GameObject *obj = slot;
        if (!obj || !(obj->flags & OBJ_DEAD)) continue;
        slot = nullptr;
        object_release(obj);
        dropped = true;
    }
    if (dropped) list_compact(game->objects);
}

// One object of the battle onto the combat map at its placement; false when it has none.
bool place_on_combat_map(Game *game, Encounter *enc, GameObject *obj, EncounterFieldUse use) {
    int32_t x = 0, y = 0, heading = 0;
    if (encounter_get_placement(enc, &x, obj->id, &y, &heading) != RES_OK) {
        log_write(LOG_GAME, LOG_WARN,
                  use == ENCOUNTER_FIELD_AT_ONCE
                      ? "Encounter failed to add autocombat object #%llu \"%s\" (no object info found)"
                      : "Encounter failed to add object #%llu \"%s\" (no object info found)",
                  (unsigned long long)obj->id, object_get_name(obj));
        return false;
    }
    object_set_heading(obj, heading);
    if (obj->kind == OBJECT_SITE) object_stop_travel(obj);
    map_place_object(game->combat_map, obj, x, y, 0);
    // A ship made for the battle fights for its owner.
    if ((obj->flags & OBJ_LOST) && obj->kind == OBJECT_SHIP && obj->owner_id) {
        Player *owner = game_find_player(game, obj->owner_id);
        if (owner && !player_find_object(owner, obj->id)) player_add_object(owner, obj);
    }
    for (uint64_t side : enc->sides) {
        if (side == obj->owner_id) continue;
        if (Player *player = game_find_player(game, side)) player_learn_object(player, obj, 0);
    }
    return true;
}

// Display groups stand around the sector's anchor site, one direction per owner.
constexpr int32_t GROUP_FIRST_ANGLE = 200, GROUP_ANGLE_STEP = 55, GROUP_SPREAD = 30, GROUP_DISTANCE = 190;

Site *anchor_site(Sector *sector) {
    Site *first = nullptr;
    for (Site *site : sector->sites.items) {
        if (!site) break;
        if (site->subtype == SITE_STARBASE) return site;
        if (!first) first = site;
    }
    return first;
}

constexpr int32_t HALO_LAYER = -2;   // the glow behind a site's picture

void show_site(ObjectMap *map, Site *site) {
    map_place_object(map, site, site->x, site->y, 0);
    site_set_animation_state(site);
    if (site->params.template_flags & SITE_TF_HALO)
        if (HaloEffect *halo = effect_create_halo(site->params.halo_style)) {
            halo->layer = HALO_LAYER;   // a halo is drawn from its top-left corner, under the objects
            map_add_effect(map, halo, site->x + site->w / 2 - halo->width / 2, site->y + site->h / 2 - halo->height / 2);
        }
}

// A working harvester streams ore from its target from the first frame on.
void show_plume(ObjectMap *map, Site *site) {
    if (!site->harvest_target_id || (site->state & (SITE_CREW_SHORT | SITE_DEACTIVATED))) return;
    Site *target = site_find_in_sector(site, site->harvest_target_id);
    if (!target) return;
    PlumeEffect *plume = effect_create_plume(site);
    if (!plume) return;
    map_add_effect(map, plume, target->x + target->w / 2, target->y + target->h / 2);
    effect_plume_prewarm(plume);
}

// One display fleet holding the owner's ships present, beside the anchor.
void show_group(ObjectMap *map, const Site *anchor, uint64_t owner, const std::vector<GameObject *> &ships,
                int32_t index) {
    Fleet *group = fleet_create();
    if (!group) return;
    group->owner_id = owner;
    group->fleet_flags |= FLEET_COMPOSITE | FLEET_RECOMPOSE;
    object_assign_id(group);
    for (GameObject *ship : ships) fleet_add_ship(group, ship);
    fleet_kind_name(group);
    const int32_t ax = anchor ? anchor->x : map->world_w / 2, ay = anchor ? anchor->y : map->world_h / 2;
    const int32_t aw = anchor ? anchor->w : 0, ah = anchor ? anchor->h : 0;
    int32_t x = ax + aw / 2 - group->w / 2, y = ay + ah + 20;
    (void)map_find_free_position(map, ax, ay, aw, ah, group->w, group->h, GROUP_FIRST_ANGLE + index * GROUP_ANGLE_STEP,
                                 GROUP_SPREAD, GROUP_DISTANCE, &x, &y);   // the fallback spot when crowded
    map_place_object(map, group, x, y, 0);
    map_add_pending_objects(map);   // the next group's search sees this one
}

// The galaxy keeps only the hulls' icons and pictures loaded; the rotation frames a display group
// draws its ships with are the hulls' detail pictures. The sector view holds one request on them per
// hull it shows and gives the requests back when it shows something else. True when it gave any.
bool release_shown_hulls(Game *game) {
    if (game->shown_hulls.empty()) return false;
    for (int32_t hull : game->shown_hulls) factory_release_detail_group(OBJECT_SHIP, hull);
    game->shown_hulls.clear();
    return true;
}

void hold_shown_hulls(Game *game, const std::vector<std::vector<GameObject *>> &groups) {
    for (const std::vector<GameObject *> &group : groups)
        for (const GameObject *obj : group) {
            if (obj->kind != OBJECT_SHIP) continue;
            if (std::find(game->shown_hulls.begin(), game->shown_hulls.end(), obj->subtype) != game->shown_hulls.end())
                continue;
            factory_acquire_group(OBJECT_SHIP, obj->subtype, FACTORY_GROUP_DETAIL);
            game->shown_hulls.push_back(obj->subtype);
        }
}

}  // namespace

void game_set_sector_contents(Game *game, uint64_t sector_id) {
    if (!game || !game->sector_map) return;
    ObjectMap *map = game->sector_map;
    map_clear(map);
    const bool released = release_shown_hulls(game);
    GameObject *obj = game_find_object_of_kind(game, OBJECT_SECTOR, sector_id);
    Sector *sector = obj && !(obj->flags & OBJ_STUB) ? static_cast<Sector *>(obj) : nullptr;
    if (!sector) {
        if (released) (void)factory_resolve_load_groups();   // a failure is logged where it is found
        log_write(LOG_GAME, LOG_DEBUG, "Set sector contents - (none)");
        game->shown_sector_id = 0;
        return;
    }
    log_write(LOG_GAME, LOG_DEBUG, "Set sector contents - #%llu \"%s\"", (unsigned long long)sector->id,
              sector->name.c_str());
    map_set_screen_size(map);
    map_set_world_size(map, map->screen_w, map->screen_h);
    for (Site *site : sector->sites.items) {
        if (!site) break;
        show_site(map, site);
    }
    for (Site *site : sector->sites.items) {
        if (!site) break;
        show_plume(map, site);
    }
    map_add_pending_objects(map);
    std::vector<uint64_t> owners;
    std::vector<std::vector<GameObject *>> groups;
    for (GameObject *ship : sector->objects.items) {
        if (!ship) break;
        if (ship->flags & OBJ_DEAD) continue;
        size_t i = 0;
        while (i < owners.size() && owners[i] != ship->owner_id) ++i;
        if (i == owners.size()) {
            owners.push_back(ship->owner_id);
            groups.emplace_back();
        }
        groups[i].push_back(ship);
    }
    hold_shown_hulls(game, groups);
    if (released || !game->shown_hulls.empty()) (void)factory_resolve_load_groups();
    const Site *anchor = anchor_site(sector);
    for (size_t i = 0; i < owners.size(); ++i) show_group(map, anchor, owners[i], groups[i], int32_t(i));
    map_add_pending_objects(map);
    game->shown_sector_id = sector->id;
}

void game_purge_removed_objects(Game *game) {
    if (!game) return;
    if (game->players)
        for (Player *player : game->players->items) {
            if (!player) break;
            player_purge_dead_objects(player);
        }
    purge_global_list(game);
    for (ObjectMap *map : {game->combat_map, game->sector_map, game->galaxy_map})
        if (map) map_remove_dead_objects(map);
}

void game_end_combat(Game *game) {
    if (!game) return;
    if (game->encounters) {
        bool dropped = false;
        for (Encounter *&slot : game->encounters->items) {
            Encounter *enc = slot;
            if (!enc || !encounter_is_finished(enc)) continue;
            slot = nullptr;
            encounter_release(enc);
            dropped = true;
        }
        if (dropped) list_compact(game->encounters);
    }
    if (game->combat_map) map_clear(game->combat_map);
    game_purge_removed_objects(game);
}

void game_place_on_galaxy(Game *game, GameObject *obj, int32_t x, int32_t y) {
    if (!game || !game->galaxy_map || !obj) return;
    map_place_object(game->galaxy_map, obj, x, y, 1);
    // While the map walks its objects the newcomer waits in the pending list for the map's next add.
    if (!(game->galaxy_map->flags & MAP_ITERATING)) map_add_pending_objects(game->galaxy_map);
}

// One reference on the encounter graphics of every template the battle shows, and none on the rest.
// Their frames are the ships' shapes too: every range, scan and hit test of the battle reads them.
Result encounter_load_graphics(const Encounter *enc) {
    factory_release_all_groups(FACTORY_GROUP_ENCOUNTER);
    std::set<std::pair<int32_t, int32_t>> templates;
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        templates.emplace(obj->kind, obj->subtype);
    }
    // The carrier launches drones during the battle.
    if (enc->kind == ENCOUNTER_ARK_ARMED) templates.emplace(OBJECT_SHIP, HULL_ARK_SHIP);
    for (int32_t t = 0; t < SHOT_TEMPLATE_COUNT; ++t) templates.emplace(OBJECT_SHOT, t);
    for (const auto &[kind, subtype] : templates) factory_acquire_group(kind, subtype, FACTORY_GROUP_ENCOUNTER);
    const Result r = factory_resolve_load_groups();
    if (r != RES_OK)
        log_write(LOG_GAME, LOG_ERROR, "Encounter #%llu \"%s\" failed to load its graphics (%i)",
                  (unsigned long long)enc->id, enc->name.c_str(), r);
    return r;
}

Result encounter_set_up_field(Game *game, Encounter *enc, EncounterFieldUse use, int32_t *placed) {
    if (placed) *placed = 0;
    if (!game || !enc || !game->combat_map) return RES_OK;
    if (Result r = encounter_load_graphics(enc); r != RES_OK && use == ENCOUNTER_FIELD_SCREEN) return r;

    ObjectMap *map = game->combat_map;
    map_clear(map);
    map_set_world_size(map, enc->field_w, enc->field_h);
    if (encounter_has_defense_shot(enc))
        map_enable_defense_shot(map, enc->shot_start_clock, enc->shot_interval, enc->shot_type,
                                enc->shot_singular.c_str(), enc->shot_plural.c_str(), enc->shot_count,
                                enc->shot_damage_min, enc->shot_damage_max, enc->defense_player_id);

    encounter_rebuild_index(enc);
    int32_t count = 0;
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (place_on_combat_map(game, enc, obj, use)) ++count;
    }
    map_add_pending_objects(map);
    for (GameObject *obj : map->objects.items) {
        if (!obj) break;
        object_begin_encounter(obj);
    }
    if (placed) *placed = count;
    return RES_OK;
}

Result game_start_encounter(Game *game) {
    Encounter *enc = game ? game->current_encounter : nullptr;
    if (!enc || !game->combat_map) return RES_OK;
    if (Result r = encounter_set_up_field(game, enc, ENCOUNTER_FIELD_SCREEN, nullptr); r != RES_OK) return r;

    // During the battle the computer players plan only through their combat command.
    encounter_rebuild_index(enc);
    for (uint64_t side : enc->sides) {
        Player *player = game_find_player(game, side);
        if (!player) continue;
        if (player->id == game->combat_ai_player_id)
            player_set_name(player, enc->has_text ? enc->text.c_str() : "ARK Zero");
        player_stop_ai(player);
    }
    return RES_OK;
}

int32_t game_sector_content_count(Game *game, uint64_t sector_id, uint64_t *owner_id) {
    if (owner_id) *owner_id = 0;
    GameObject *obj = game ? game_find_object_of_kind(game, OBJECT_SECTOR, sector_id) : nullptr;
    Sector *sector = obj && !(obj->flags & OBJ_STUB) ? static_cast<Sector *>(obj) : nullptr;
    if (!sector) return 0;
    const int32_t n = list_count(&sector->objects);
    if (n > 0 && owner_id) *owner_id = list_get(&sector->objects, 0)->owner_id;
    return n;
}

bool game_encounter_still_fighting(uint64_t player_id, int32_t *kind, std::vector<GameObject *> *objects) {
    Game *game = game_get();
    Encounter *enc = game ? game->current_encounter : nullptr;
    if (!enc || encounter_get_side_result(enc, player_id) != ENCOUNTER_RESULT_FIGHTING) return false;
    if (kind) *kind = enc->kind;
    if (objects)
        for (GameObject *obj : enc->objects->items) {
            if (!obj) break;
            objects->push_back(obj);
        }
    return true;
}

void game_encounter_join(Game *game, GameObject *obj) {
    if (!game || !obj) return;
    // The battle being fought on the combat map: the current one on the combat screen, or the
    // encounter autocombat put there (it is not made current).
    auto fought_here = [game](Encounter *enc) {
        if (!enc || encounter_is_finished(enc)) return false;
        for (GameObject *o : enc->objects->items) {
            if (!o) break;
            if (o->map == game->combat_map && !(o->flags & (OBJ_DEAD | OBJ_LEFT_MAP))) return true;
        }
        return false;
    };
    Encounter *battle = fought_here(game->current_encounter) ? game->current_encounter : nullptr;
    if (!battle && game->encounters)
        for (Encounter *enc : game->encounters->items) {
            if (!enc) break;
            if (fought_here(enc)) {
                battle = enc;
                break;
            }
        }
    if (!battle || encounter_find_object(battle, obj->id)) return;
    encounter_add_object(battle, obj);
}
