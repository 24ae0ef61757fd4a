// The battles of a galaxy day: where they start, which one the UI player is offered, how the
// computer players' battles are settled, and the Game's encounter lookups.
#include "game/turn.h"

#include <algorithm>
#include <vector>
#include "game/autocombat.h"
#include "game/encounter.h"
#include "game/encounter_setup.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/graphics.h"
#include "platform/list.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/str.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/site.h"
#include "world/site_feature.h"
#include "world/ship.h"

namespace {

// The combat field: four thirds of the screen each way (twice its height for an ARK encounter).
constexpr int32_t FIELD_W = GFX_WIDTH * 4 / 3;
constexpr int32_t FIELD_H = GFX_HEIGHT * 4 / 3;

enum BattleSort : int32_t { SORT_ENGAGEMENT = 0, SORT_ASSAULT = 1, SORT_ARK = 2 };

bool present_and_alive(const GameObject *obj) { return obj && !(obj->flags & OBJ_DEAD); }

// A new encounter in the Game's list (one reference there), centred on (x, y).
Encounter *add_encounter(Game *game, int32_t x, int32_t y, uint64_t sector_id) {
    Encounter *enc = encounter_create();
    if (!enc) return nullptr;
    if (game_add_encounter(game, enc) != RES_OK) {
        encounter_free(enc);
        return nullptr;
    }
    enc->centre_x = x;
    enc->centre_y = y;
    enc->sector_id = sector_id;
    enc->field_w = FIELD_W;
    enc->field_h = FIELD_H;
    return enc;
}

// Lays the field out, rebuilds the sides and names the battle: numbered by the UI player's counter
// of its sort when the UI player fights in it.
void finish_setup(Game *game, Encounter *enc, int32_t sort, const char *numbered, const char *plain,
                  const char *objective) {
    encounter_layout(enc);
    encounter_rebuild_index(enc);
    enc->flags &= ~ENCOUNTER_FLAG_DIRTY;
    Player *ui = game->ui_player;
    if (ui && encounter_has_side(enc, ui->id)) {
        ++ui->encounter_numbers[sort];
        enc->name = str_format(numbered, int(ui->encounter_numbers[sort]));
        if (objective) enc->objective = objective;
    } else {
        enc->name = plain;
    }
}

// The sector's two first owners among its living contents: contested when a second one exists.
bool sector_is_contested(const Sector *sector) {
    uint64_t first = 0;
    for (GameObject *obj : sector->objects.items) {
        if (!obj) break;
        if (!present_and_alive(obj) || obj->owner_id == 0) continue;
        if (first == 0) first = obj->owner_id;
        else if (obj->owner_id != first) return true;
    }
    return false;
}

std::vector<GameObject *> living_contents(const Sector *sector) {
    std::vector<GameObject *> out;
    for (GameObject *obj : sector->objects.items) {
        if (!obj) break;
        if (present_and_alive(obj)) out.push_back(obj);
    }
    return out;
}

Site *first_listed_starbase(const Sector *sector) {
    for (Site *site : sector->sites.items) {
        if (!site) break;
        if (site->subtype == SITE_STARBASE) return site;
    }
    return nullptr;
}

// The first site whose machine-faction defence is still in place.
Site *first_ark_site(const Sector *sector) {
    for (Site *site : sector->sites.items) {
        if (!site) break;
        if (site->feature && site->feature->defence_kind >= 0) return site;
    }
    return nullptr;
}

// A living ship carrying the galaxy order bit whose owner passes the test.
template <typename OwnerTest>
bool has_ordered_ship(const std::vector<GameObject *> &contents, uint32_t order, OwnerTest owner_ok) {
    for (GameObject *obj : contents) {
        const Ship *ship = ship_of(obj);
        if (ship && (ship->ship_flags & order) && owner_ok(obj->owner_id)) return true;
    }
    return false;
}

void generate_engagement(Game *game, Sector *sector, const std::vector<GameObject *> &contents, int32_t cx, int32_t cy) {
    Encounter *enc = add_encounter(game, cx, cy, sector->id);
    if (!enc) return;
    if (sector->id == game->sol_sector_id) {
        // Whoever the sides are, a fight in Sol is the Battle for Sol.
        encounter_setup_sol(enc, contents);
        encounter_register_temp_objects(enc);
        encounter_layout(enc);
        encounter_rebuild_index(enc);
        enc->flags &= ~ENCOUNTER_FLAG_DIRTY;
        enc->name = "Battle for Sol";
        return;
    }
    for (GameObject *obj : contents) encounter_add_object(enc, obj);
    if (Site *starbase = first_listed_starbase(sector)) encounter_set_starbase_defense(enc, starbase);
    finish_setup(game, enc, SORT_ENGAGEMENT, "Enemy Engagement %i", "Enemy Engagement", nullptr);
}

void generate_assault(Game *game, Sector *sector, const std::vector<GameObject *> &contents, Site *starbase, int32_t cx,
                      int32_t cy) {
    Encounter *enc = add_encounter(game, cx, cy, sector->id);
    if (!enc) return;
    encounter_setup_starbase_assault(enc, contents, starbase);
    encounter_register_temp_objects(enc);
    finish_setup(game, enc, SORT_ASSAULT, "Starbase Assault %i", "Starbase Assault", ENCOUNTER_OBJECTIVE);
}

void generate_ark_encounter(Game *game, Sector *sector, const std::vector<GameObject *> &contents, Site *site, int32_t cx,
                            int32_t cy) {
    Encounter *enc = add_encounter(game, cx, cy, sector->id);
    if (!enc) return;
    const SiteFeature *ark = site->feature;
    // Seeded with the site's own seed, the battle's tag is the name the site shows.
    encounter_seed_random(enc, ark->seed);
    enc->has_text = true;
    enc->text = str_format("ARK-%.4i", int(random_magnitude(rng_next(enc->rng)) % 9998u) + 2);
    enc->ark_site_id = site->id;
    enc->field_h = GFX_HEIGHT * 2;
    const int32_t n = ark->defenders - ark->defenders_lost;
    if (ark->defence_kind == FEATURE_DEFENCE_ARMED)
        encounter_add_ark_defenders_armed(enc, contents, std::max(n, 2), ark->weapon_a);
    else
        encounter_add_ark_defenders(enc, contents, std::max(n, 1), ark->weapon_a, ark->weapon_b);
    encounter_register_temp_objects(enc);
    finish_setup(game, enc, SORT_ARK, "ARK Encounter %i", "ARK Encounter", ENCOUNTER_OBJECTIVE);
}

// At most one battle a sector and day: an engagement, else a starbase assault, else an ARK encounter.
void generate_sector_encounter(Game *game, Sector *sector) {
    if (sector_object_count(sector) < 1) return;
    const int32_t cx = sector->x + sector->w / 2, cy = sector->y + sector->h / 2;
    const std::vector<GameObject *> contents = living_contents(sector);
    if (sector_is_contested(sector)) {
        generate_engagement(game, sector, contents, cx, cy);
        return;
    }
    Site *starbase = first_listed_starbase(sector);
    const auto attacker = [starbase](uint64_t owner) { return owner != starbase->owner_id; };
    if (starbase && has_ordered_ship(contents, SHIP_FLAG_ORDER_A, attacker)) {
        generate_assault(game, sector, contents, starbase, cx, cy);
        return;
    }
    Site *ark = first_ark_site(sector);
    if (ark && has_ordered_ship(contents, SHIP_FLAG_ORDER_B, [](uint64_t) { return true; }))
        generate_ark_encounter(game, sector, contents, ark, cx, cy);
}

void generate_fleet_encounter(Game *game, Fleet *fleet) {
    const uint64_t other_id = fleet_take_intercepted_fleet(fleet);
    if (other_id == 0) return;
    Fleet *other = fleet_of(game_find_object_of_kind(game, OBJECT_FLEET, other_id));
    if (!other) return;
    // Two fleets that met each other: the second finds the battle of the first.
    for (Encounter *enc : game->encounters->items) {
        if (!enc) break;
        if (encounter_has_fleet(enc, other_id)) return;
    }
    const int32_t cx = (fleet->w / 2 + other->w / 2 + fleet->x + other->x) / 2;
    const int32_t cy = (fleet->h / 2 + other->h / 2 + fleet->y + other->y) / 2;
    Encounter *enc = add_encounter(game, cx, cy, 0);
    if (!enc) return;
    log_write(LOG_GAME, LOG_DEBUG, "Encounter #%llu (fleet combat) - create in deep space for fleet #%llu x%i y%i",
              (unsigned long long)enc->id, (unsigned long long)fleet->id, cx, cy);
    for (Fleet *side : {fleet, other}) {
        fleet_set_hidden(side, true);
        for (GameObject *ship : side->ships.items) {
            if (!ship) break;
            if (present_and_alive(ship)) encounter_add_object(enc, ship);
        }
    }
    finish_setup(game, enc, SORT_ENGAGEMENT, "Enemy Engagement %i", "Enemy Engagement", nullptr);
}

bool has_human_side(Game *game, Encounter *enc) {
    const int32_t n = encounter_side_count(enc);
    for (int32_t i = 0; i < n; ++i) {
        const Player *owner = game_find_player(game, encounter_get_side(enc, i));
        if (owner && owner->kind == PLAYER_KIND_HUMAN) return true;
    }
    return false;
}

// Finished encounters leave the list (and their reference with it).
void drop_finished_encounters(Game *game) {
    List<Encounter> *list = game->encounters;
    for (int32_t i = list_count(list) - 1; i >= 0; --i) {
        Encounter *enc = list_get(list, i);
        if (!enc || !encounter_is_finished(enc)) continue;
        list_remove_value(list, enc);
        encounter_release(enc);
    }
}

}  // namespace

void game_generate_encounters(Game *game) {
    if (!game->galaxy_map) return;
    // A battle set-up may add objects to the map: walk by index over the count at the start.
    const int32_t n = map_object_count(game->galaxy_map);
    for (int32_t i = 0; i < n && i < map_object_count(game->galaxy_map); ++i) {
        GameObject *obj = map_object_at(game->galaxy_map, i);
        if (Sector *sector = sector_of(obj)) generate_sector_encounter(game, sector);
        else if (Fleet *fleet = fleet_of(obj)) generate_fleet_encounter(game, fleet);
    }
}

int32_t game_count_player_encounters(Game *game, uint64_t player_id) {
    int32_t n = 0;
    for (Encounter *enc : game->encounters->items) {
        if (!enc) break;
        if (encounter_has_side(enc, player_id)) ++n;
    }
    return n;
}

void game_begin_player_encounter(Game *game) {
    for (Encounter *enc : game->encounters->items) {
        if (!enc) break;
        if (!encounter_has_side(enc, game->ui_player_id)) continue;
        if (game->flags & GAME_FLAG_SIDE_CHOICE) encounter_init_side_choices_by_owner(enc);
        else encounter_init_side_choices_all(enc);
        game_set_current_encounter(game, enc);
        return;
    }
}

void game_resolve_ai_encounters(Game *game) {
    // Autocombat drops finished encounters from the list as it ends: walk a copy of the list,
    // holding a reference on each.
    std::vector<Encounter *> battles;
    for (Encounter *enc : game->encounters->items) {
        if (!enc) break;
        encounter_retain(enc);
        battles.push_back(enc);
    }
    int32_t settled = 0;
    for (Encounter *enc : battles) {
        if (!encounter_is_finished(enc) && !has_human_side(game, enc)) {
            encounter_init_ai_side_choices(enc);
            bool fight = false;
            for (int32_t choice : enc->side_choices) fight = fight || choice != 0;
            if (fight) encounter_autocombat(enc);
            else encounter_disengage(enc);
            ++settled;
        }
        encounter_release(enc);
    }
    drop_finished_encounters(game);
    if (settled > 0 && game->galaxy_map) map_update_visibility(game->galaxy_map, game->ui_player_id);
}

void game_finish_encounter(Game *game, uint64_t encounter_id) {
    if (Encounter *enc = game_find_encounter(game, encounter_id)) encounter_disengage(enc);
    drop_finished_encounters(game);
}

Encounter *game_find_encounter_by_sector(Game *game, uint64_t sector_id) {
    for (Encounter *enc : game->encounters->items) {
        if (!enc) break;
        if (sector_id != 0 && enc->sector_id == sector_id) return enc;
    }
    return nullptr;
}

Encounter *game_find_encounter_by_fleet(Game *game, uint64_t fleet_id) {
    for (Encounter *enc : game->encounters->items) {
        if (!enc) break;
        if (encounter_has_fleet(enc, fleet_id)) return enc;
    }
    return nullptr;
}

Encounter *game_find_encounter_of_fleet_ships(Game *game, const Fleet *fleet) {
    if (!fleet) return nullptr;
    for (Encounter *enc : game->encounters->items) {
        if (!enc) break;
        for (GameObject *ship : fleet->ships.items) {
            if (!ship) break;
            if (encounter_find_object(enc, ship->id)) return enc;
        }
    }
    return nullptr;
}

int32_t game_encounter_count(const Game *game) { return list_count(game->encounters); }

Encounter *game_encounter_at(const Game *game, int32_t index) {
    return index >= 0 && index < list_count(game->encounters) ? list_get(game->encounters, index) : nullptr;
}

void game_clear_encounters(Game *game) {
    game_set_current_encounter(game, nullptr);
    list_clear(game->encounters);
}
