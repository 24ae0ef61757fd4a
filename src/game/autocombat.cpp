// Autocombat: the retreat search, disengaging, the battle fought out at once, and the outcome a
// finished battle leaves on the galaxy.
#include "game/autocombat.h"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>
#include "game/alert.h"
#include "game/encounter.h"
#include "game/encounter_life.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/calendar.h"
#include "platform/geometry.h"
#include "platform/list.h"
#include "platform/log.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace {

// ---- Small lookups ---------------------------------------------------------------------------------

Player *find_player(Game *game, uint64_t id) { return game && id ? game_find_player(game, id) : nullptr; }

Sector *find_game_sector(Game *game, uint64_t id) {
    return game && id ? sector_of(game_find_object_of_kind(game, OBJECT_SECTOR, id)) : nullptr;
}

bool not_dead(const GameObject *obj) { return !(obj->flags & OBJ_DEAD); }
bool lasting(const GameObject *obj) { return !(obj->flags & (OBJ_DEAD | OBJ_LOST)); }

int32_t distance_to_sector(const GameObject *sector, int32_t px, int32_t py) {
    return distance(sector->x + sector->w / 2 - px, sector->y + sector->h / 2 - py);
}

int32_t add_clamped(int32_t a, int64_t b) {
    return int32_t(std::clamp<int64_t>(int64_t(a) + b, 0, INT32_MAX));
}

// ---- Leaving fleets --------------------------------------------------------------------------------

// The new fleets of one battle: one per owner and retreat state, in the order they were made.
struct LeavingFleet {
    uint64_t owner = 0;
    bool     retreated = false;
    Fleet   *fleet = nullptr;   // not on any map yet
};

Fleet *make_fleet(uint64_t owner, bool retreated) {
    Fleet *fleet = fleet_create();
    if (!fleet) {
        log_write(LOG_GAME, LOG_ERROR, "Encounter failed to create a fleet for player #%llu",
                  (unsigned long long)owner);
        return nullptr;
    }
    object_assign_id(fleet);
    fleet->flags |= OBJ_VISIBLE;
    object_set_owner_id(fleet, owner);
    fleet_enable_pings(fleet);
    fleet_show_count(fleet);
    if (retreated) fleet_mark_retreated(fleet);
    fleet_kind_name(fleet);
    return fleet;
}

Fleet *leaving_fleet(std::vector<LeavingFleet> *fleets, uint64_t owner, bool retreated) {
    for (const LeavingFleet &f : *fleets)
        if (f.owner == owner && f.retreated == retreated) return f.fleet;
    Fleet *fleet = make_fleet(owner, retreated);
    if (fleet) fleets->push_back({owner, retreated, fleet});
    return fleet;
}

// The ship leaves its sector (when it has one) and joins the fleet.
void move_into_fleet(Ship *ship, Fleet *fleet) {
    if (ship->sector_id) ship_set_sector(ship, nullptr);
    ship_set_fleet(ship, fleet);
}

// A leaving fleet starts a few units from the battle's centre towards its owner's retreat sector
// and heads there; without any other sector it stays at the centre.
void send_towards_retreat(Encounter *enc, Fleet *fleet) {
    GameObject *sector = encounter_find_retreat_sector(enc, fleet->owner_id);
    int32_t x = enc->centre_x - fleet->w / 2, y = enc->centre_y - fleet->h / 2;
    if (sector) {
        int32_t dx = sector->x + sector->w / 2 - enc->centre_x;
        const int32_t dy = sector->y + sector->h / 2 - enc->centre_y;
        if (dx == 0 && dy == 0) dx = 1;
        const int32_t d = std::max(distance(dx, dy), 1);
        x = enc->centre_x + int32_t(int64_t(AUTOCOMBAT_RETREAT_OFFSET) * dx / d) - fleet->w / 2;
        y = enc->centre_y + int32_t(int64_t(AUTOCOMBAT_RETREAT_OFFSET) * dy / d) - fleet->h / 2;
    }
    object_set_position(fleet, x, y);
    if (sector) fleet_set_move_target(fleet, sector);
}

// Puts the fleet on the galaxy map; without a map it is dropped.
void place_on_galaxy(Game *game, Fleet *fleet) {
    if (!game || !game->galaxy_map) {
        object_destroy(fleet);
        return;
    }
    game_place_on_galaxy(game, fleet, fleet->x, fleet->y);
}

// ---- Autocombat ------------------------------------------------------------------------------------

// True while something on the field can still do harm: a shot, or an armed ship.
bool anything_can_fight(const ObjectMap *map) {
    for (GameObject *obj : map->objects.items) {
        if (!obj) break;
        if (!not_dead(obj)) continue;
        if (obj->kind == OBJECT_SHOT) return true;
        const Ship *ship = ship_of(obj);
        if (ship && (ship->ship_flags & SHIP_FLAG_ARMED)) return true;
    }
    return false;
}

// The ships still on the field leave it, except the ones made for the battle and the ones that
// cannot jump.
void retreat_the_rest(const ObjectMap *map) {
    for (GameObject *obj : map->objects.items) {
        if (!obj) break;
        const Ship *ship = ship_of(obj);
        if (!ship || !not_dead(obj) || (obj->flags & OBJ_LOST) || (ship->hull_flags & HULL_FLAG_NO_JUMP)) continue;
        obj->flags |= OBJ_LEFT_MAP;
    }
}

// ---- The outcome -----------------------------------------------------------------------------------

// The first side, in side order, with a player whose ships are still fighting; the combat AI and
// the Sol guardians are left out when asked.
Player *first_fighting_side(Game *game, Encounter *enc, bool skip_guardians) {
    const int32_t sides = encounter_side_count(enc);
    for (int32_t i = 0; i < sides; ++i) {
        const uint64_t side = encounter_get_side(enc, i);
        Player *p = find_player(game, side);
        if (!p) continue;
        if (skip_guardians && (side == game->combat_ai_player_id || side == game->sol_player_id)) continue;
        if (encounter_get_side_result(enc, side) == ENCOUNTER_RESULT_FIGHTING) return p;
    }
    return nullptr;
}

void pay_salvage(Encounter *enc, Player *victor) {
    if (!victor) return;
    int64_t salvage = 0;
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        const Ship *ship = ship_of(obj);
        if (ship && !not_dead(obj) && !(ship->ship_flags & SHIP_FLAG_DRONE)) salvage += ship->roll_value;
    }
    if (salvage <= 0) return;
    victor->credits = add_clamped(victor->credits, salvage);
    victor->credits_earned = add_clamped(victor->credits_earned, salvage);
}

// The owner of the lasting ships in the starbase's sector that are not the starbase owner's: 0
// when there are none or they belong to more than one owner.
uint64_t sole_attacker(const Sector *sector, uint64_t defender, bool *can_capture) {
    uint64_t attacker = 0;
    *can_capture = false;
    for (GameObject *obj : sector->objects.items) {
        if (!obj) break;
        const Ship *ship = ship_of(obj);
        if (!ship || !lasting(obj) || obj->owner_id == defender) continue;
        if (attacker && obj->owner_id != attacker) return 0;
        attacker = obj->owner_id;
        if (ship->ship_flags & SHIP_FLAG_BOARDING) *can_capture = true;
    }
    return attacker;
}

void drop_commander(Site *starbase, Player *owner) {
    Officer *officer = starbase->commander;
    if (!officer) return;
    if (owner) player_remove_officer(owner, officer->id);
    site_set_pilot(starbase, nullptr);   // the officer leaves its post with the starbase's reference
    if (owner) player_update_totals(owner);
}

// A site changing hands or falling idle stops what it was making and forgets a paused item.
void halt_production(Site *site) {
    if (site->state & SITE_PRODUCING) site_stop_production(site);
    site->state &= ~SITE_PAUSED_KEPT;
}

void capture_starbase(Game *game, Sector *sector, Site *starbase, uint64_t defender, uint64_t attacker) {
    const char *name = object_get_name(sector);
    game_add_alert(game, alert_post_starbase_captured(attacker, sector->id, "%s sector - Captured enemy Starbase", name));
    game_add_alert(game, alert_post_starbase_captured(defender, sector->id, "%s sector - Starbase captured", name));
    object_set_owner_id(sector, attacker);
    for (Site *site : sector->sites.items) {
        if (!site) break;
        if (site == starbase || site->owner_id != defender) continue;
        halt_production(site);
        if (site->subtype == SITE_TRAINING) site_reset_recruits(site);
        site->state &= ~SITE_CONTESTED;
        object_set_owner_id(site, attacker);
    }
    halt_production(starbase);
    starbase->crew = 0;
    site_update_crew_state(starbase);
    starbase->state &= ~SITE_CONTESTED;
    object_set_owner_id(starbase, attacker);
}

void destroy_starbase(Game *game, Sector *sector, Site *starbase, uint64_t defender, uint64_t attacker) {
    const char *name = object_get_name(sector);
    game_add_alert(game,
                   alert_post_starbase_destroyed(attacker, sector->id, "%s sector - Destroyed enemy Starbase", name));
    game_add_alert(game, alert_post_starbase_destroyed(defender, sector->id, "%s sector - Starbase destroyed", name));
    object_set_owner_id(sector, 0);
    for (Site *site : sector->sites.items) {
        if (!site) break;
        if (site == starbase || site->owner_id != defender) continue;
        site->state |= SITE_CREW_SHORT;
        halt_production(site);
        object_set_owner_id(site, 0);
    }
    starbase->flags |= OBJ_DEAD;
}

void settle_starbase(Game *game, Site *starbase) {
    Sector *sector = site_find_sector(starbase);
    if (!sector) return;
    const uint64_t defender = starbase->owner_id;
    bool capture = false;
    const uint64_t attacker = sole_attacker(sector, defender, &capture);
    if (!attacker) return;
    Player *owner = find_player(game, defender);
    if (owner && owner->totals.starbase_sectors <= 1) {
        owner->defeated_by = attacker;
        if (!owner->defeat_date) owner->defeat_date = date_create();
        if (owner->defeat_date && game->clock) date_copy(owner->defeat_date, game->clock);
    }
    drop_commander(starbase, owner);
    sector_refresh_sites(sector);
    if (capture) capture_starbase(game, sector, starbase, defender, attacker);
    else destroy_starbase(game, sector, starbase, defender, attacker);
}

void count_ark_losses(Game *game, Encounter *enc) {
    GameObject *obj = enc->ark_site_id ? game_find_object_of_kind(game, OBJECT_SITE, enc->ark_site_id) : nullptr;
    Site *site = site_cast(obj);
    Player *ark = find_player(game, game->combat_ai_player_id);
    if (!site || !site->feature || !ark) return;
    int32_t living = 0;
    for (GameObject *ship : ark->objects.items)
        if (ship && not_dead(ship)) ++living;
    if (living > 0) site->feature->defenders_lost = site->feature->defenders - living;
    else site->feature->defence_kind = -1;
}

// The owner hears of every ship it lost in the battle, and of what became of its commander: killed
// aboard, or away in an escape pod.
void report_losses(Game *game, Encounter *enc, const Player *owner, const GameObject *sector) {
    const std::string where = sector ? std::string(object_get_name(sector)) + " sector" : "Deep space";
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        const Ship *ship = ship_of(obj);
        if (!ship || obj->owner_id != owner->id || !(obj->flags & (OBJ_DYING | OBJ_DEAD))) continue;
        if (ship->ship_flags & SHIP_FLAG_DRONE) continue;
        std::string text = where + " - Starship " + ship->ship_name + " was destroyed";
        if (const Officer *pilot = ship->pilot)
            text += (ship->ship_flags & SHIP_FLAG_POD_ESCAPED) ? "; " + pilot->name + " escaped in a pod"
                                                                : " with " + pilot->name + " aboard";
        game_add_alert(game, alert_post_sector_notice(owner->id, sector ? sector->id : 0, "%s", text.c_str()));
    }
}

void share_knowledge(Game *game, Encounter *enc, bool had_starbase) {
    const int32_t sides = encounter_side_count(enc);
    GameObject *sector = find_game_sector(game, enc->sector_id);
    for (int32_t i = 0; i < sides; ++i) {
        const uint64_t side = encounter_get_side(enc, i);
        Player *p = find_player(game, side);
        if (!p) continue;
        if (sector && side != game->sol_player_id && side != game->combat_ai_player_id)
            player_learn_object(p, sector, 1);
        for (GameObject *obj : enc->objects->items) {
            if (!obj) break;
            if (obj->kind == OBJECT_SHIP && lasting(obj) && obj->owner_id != side) player_learn_object(p, obj, 0);
        }
        if (had_starbase && encounter_get_side_result(enc, side) == ENCOUNTER_RESULT_FIGHTING)
            ++p->enemy_starbases_destroyed;
        report_losses(game, enc, p, sector);
        player_after_encounter(p);
    }
}

void settle_sol(Game *game, Encounter *enc) {
    if (enc->kind != ENCOUNTER_SOL || encounter_side_count(enc) < 1) return;
    Player *victor = find_player(game, enc->victor_id);
    Sector *sol = find_game_sector(game, game->sol_sector_id);
    // The guardians holding their sector keep it, starbase and all.
    if (!victor || !sol || sol->owner_id == victor->id) return;
    if (sol->site_counts[SITE_STARBASE] > 0)
        for (Site *site : sol->sites.items) {
            if (!site) break;
            if (site->subtype != SITE_STARBASE) continue;
            site->flags |= OBJ_DEAD;
            break;
        }
    object_set_owner_id(sol, victor->id);
}

}  // namespace

// ---- Retreat and disengage -------------------------------------------------------------------------

GameObject *encounter_find_retreat_sector(Encounter *enc, uint64_t owner_id) {
    Game *game = game_get();
    if (!enc || !game || !game->galaxy_map) return nullptr;
    GameObject *held = nullptr, *owned = nullptr, *first = nullptr;
    int32_t held_d = 0, owned_d = 0;
    for (GameObject *obj : game->galaxy_map->objects.items) {
        if (!obj) break;
        Sector *sector = sector_of(obj);
        if (!sector || obj->id == enc->sector_id) continue;
        if (!first) first = obj;
        const int32_t d = distance_to_sector(obj, enc->centre_x, enc->centre_y);
        if (obj->owner_id == owner_id || sector_count_objects_of_owner(sector, owner_id) > 0) {
            if (!held || d < held_d) {
                held = obj;
                held_d = d;
            }
        } else if (obj->owner_id != 0 && (!owned || d < owned_d)) {
            owned = obj;
            owned_d = d;
        }
    }
    return held ? held : owned ? owned : first;
}

void encounter_disengage(Encounter *enc) {
    if (!enc) return;
    Game *game = game_get();
    if (enc->sector_id == 0) {
        const int32_t n = encounter_fleet_count(enc);
        for (int32_t i = 0; i < n; ++i)
            if (Fleet *fleet = encounter_get_fleet(enc, i)) fleet_set_hidden(fleet, false);
        enc->flags |= ENCOUNTER_FLAG_FINISHED;
        return;
    }
    if (!find_game_sector(game, enc->sector_id)) {
        enc->flags |= ENCOUNTER_FLAG_FINISHED;
        return;
    }
    // The owner whose ship came first holds the sector.
    const Ship *first = nullptr;
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        const Ship *ship = ship_of(obj);
        if (!ship || !not_dead(obj) || !obj->owner_id) continue;
        const uint64_t at = ship->arrival_date ? ship->arrival_date->minutes : UINT64_MAX;
        const uint64_t best = first && first->arrival_date ? first->arrival_date->minutes : UINT64_MAX;
        if (!first || at < best) first = ship;
    }
    if (!first) {
        enc->flags |= ENCOUNTER_FLAG_FINISHED;
        return;
    }
    const uint64_t stays = first->owner_id;
    std::vector<LeavingFleet> fleets;
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        Ship *ship = ship_of(obj);
        if (!ship || !not_dead(obj) || !obj->owner_id || obj->owner_id == stays) continue;
        if (Fleet *fleet = leaving_fleet(&fleets, obj->owner_id, false)) move_into_fleet(ship, fleet);
    }
    for (const LeavingFleet &f : fleets) {
        send_towards_retreat(enc, f.fleet);
        place_on_galaxy(game, f.fleet);
    }
    enc->flags |= ENCOUNTER_FLAG_FINISHED;
}

// ---- Autocombat ------------------------------------------------------------------------------------

void encounter_autocombat(Encounter *enc) {
    Game *game = game_get();
    if (!enc || !game || !game->combat_map) return;
    encounter_retain(enc);   // ending the combat drops the Game's reference
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    int32_t idle_turns = 0;

    // A failed graphics load is logged; the battle is fought all the same, with what shapes there are.
    int32_t placed = 0;
    (void)encounter_set_up_field(game, enc, ENCOUNTER_FIELD_AT_ONCE, &placed);
    ObjectMap *map = game->combat_map;
    const int64_t idle_limit = int64_t(AUTOCOMBAT_IDLE_TURNS_PER_OBJECT) * placed;

    for (;;) {
        encounter_check_finished(enc);
        if (encounter_is_finished(enc)) break;
        if (!anything_can_fight(map) || idle_turns >= idle_limit) {
            enc->flags |= ENCOUNTER_FLAG_FINISHED;
            retreat_the_rest(map);
            break;
        }
        game->flags &= ~GAME_FLAG_DAMAGE_DEALT;
        map_autocombat_turn(map);
        if (game->flags & GAME_FLAG_DAMAGE_DEALT) idle_turns = 0;
        else ++idle_turns;
    }

    encounter_apply_outcome(enc);
    game_end_combat(game);
    game->flags &= ~(GAME_FLAG_RESOLVE_AT_ONCE | GAME_FLAG_DAMAGE_DEALT);
    encounter_release(enc);
}

// ---- The outcome -----------------------------------------------------------------------------------

void encounter_apply_outcome(Encounter *enc) {
    Game *game = game_get();
    if (!enc || !game) return;
    // Read before the leaving ships lose their retreated bit: a side that broke off is no victor.
    const Player *fighting = first_fighting_side(game, enc, false);
    enc->victor_id = fighting ? fighting->id : 0;
    Player *salvager = first_fighting_side(game, enc, true);

    // Ships that leave form fleets; the starbase is noted; every lasting object is set back.
    std::vector<LeavingFleet> fleets;
    Site *starbase = nullptr;
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (!lasting(obj)) continue;
        if (Ship *ship = ship_of(obj); ship && (!ship->sector_id || (obj->flags & OBJ_LEFT_MAP))) {
            const bool retreated = obj->flags & OBJ_LEFT_MAP;
            if (Fleet *fleet = leaving_fleet(&fleets, obj->owner_id, retreated)) move_into_fleet(ship, fleet);
        }
        if (!starbase && obj->kind == OBJECT_SITE && obj->subtype == SITE_STARBASE) starbase = site_cast(obj);
        obj->flags &= ~OBJ_LEFT_MAP;
        obj->initiative = 0;
        object_reset_state(obj);
    }

    pay_salvage(enc, salvager);
    if (starbase) settle_starbase(game, starbase);

    // Fleets that won the field stay where the battle was; retreating ones head away.
    for (const LeavingFleet &f : fleets) {
        if (f.retreated) send_towards_retreat(enc, f.fleet);
        else object_set_position(f.fleet, enc->centre_x - f.fleet->w / 2, enc->centre_y - f.fleet->h / 2);
        place_on_galaxy(game, f.fleet);
    }

    count_ark_losses(game, enc);
    if (GameObject *sector = find_game_sector(game, enc->sector_id)) {
        sector->flags &= ~OBJ_LEFT_MAP;
        sector->initiative = 0;
        object_reset_state(sector);
    }
    share_knowledge(game, enc, starbase != nullptr);
    settle_sol(game, enc);
    encounter_release_objects(enc);
}
