// Whole games without screens: the galaxy screen's turn order over the real model.
#include "game/headless.h"

#include <utility>
#include "game/autocombat.h"
#include "game/clock.h"
#include "game/encounter.h"
#include "game/encounter_life.h"
#include "game/galaxy_day.h"
#include "game/newgame.h"
#include "game/player.h"
#include "game/records.h"
#include "game/turn.h"
#include "platform/list.h"
#include "platform/log.h"
#include "world/object_map.h"
#include "world/ship.h"

namespace {

constexpr uint8_t SLOT_COLOURS[GAME_SLOT_COUNT][3] = {
    {40, 120, 230}, {220, 60, 50}, {60, 200, 90}, {230, 160, 30}, {170, 80, 220},
};

// A battle followed through its settling: the encounter and its ships are held, so that the
// losses can be read after the outcome has released them.
struct Watched {
    Encounter     *enc = nullptr;
    HeadlessBattle battle;
    std::vector<std::pair<GameObject *, size_t>> ships;   // with the index of the owner's side
};

Watched watch(Encounter *enc) {
    Watched w;
    encounter_retain(enc);
    w.enc = enc;
    w.battle.sector_id = enc->sector_id;
    w.battle.x = enc->centre_x;
    w.battle.y = enc->centre_y;
    const int32_t sides = encounter_side_count(enc);
    for (int32_t i = 0; i < sides; ++i) w.battle.sides.push_back(encounter_get_side(enc, i));
    w.battle.ships.assign(w.battle.sides.size(), 0);
    w.battle.lost.assign(w.battle.sides.size(), 0);
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        const Ship *ship = ship_of(obj);
        // Drones and a starbase's Sentinels are made for the battle: they are no ships of a fleet.
        if (!ship || (obj->flags & OBJ_DEAD) || (ship->ship_flags & SHIP_FLAG_DRONE) ||
            (ship->hull_flags & HULL_FLAG_IMMOBILE))
            continue;
        for (size_t i = 0; i < w.battle.sides.size(); ++i) {
            if (w.battle.sides[i] != obj->owner_id) continue;
            object_add_ref(obj);
            w.ships.emplace_back(obj, i);
            w.battle.ships[i] += 1;
            break;
        }
    }
    return w;
}

HeadlessBattle settled(Watched &w, bool fought) {
    for (auto &[obj, side] : w.ships) {
        if (obj->flags & OBJ_DEAD) w.battle.lost[side] += 1;
        object_release(obj);
    }
    w.battle.fought = fought && encounter_is_finished(w.enc);
    w.battle.victor_id = w.battle.fought ? w.enc->victor_id : 0;
    encounter_release(w.enc);
    return w.battle;
}

}  // namespace

Result headless_new_game(Game *game, const HeadlessOptions &options) {
    if (options.computer_players < 1 || options.computer_players > HEADLESS_MAX_COMPUTERS) return RES_OUT_OF_RANGE;
    if (list_count(game->player_records) == 0)
        if (Result r = records_load(game); r != RES_OK && list_count(game->player_records) == 0) return r;
    uint64_t human = 0;
    uint64_t computers[HEADLESS_MAX_COMPUTERS] = {};
    int32_t found = 0;
    for (PlayerRecord *record : game->player_records->items) {
        if (!record) break;
        if (record->kind == 0) {
            if (!human) human = record->id;
        } else if (found < options.computer_players) {
            computers[found++] = record->id;
        }
    }
    if (!human) human = records_add_new(game, "Observer");
    if (!human || found < options.computer_players) {
        log_write(LOG_GAME, LOG_ERROR, "Headless game needs %i computer records, found %i",
                  options.computer_players, found);
        return RES_OUT_OF_RANGE;
    }
    game->setup = options.setup;
    for (int slot = 0; slot < GAME_SLOT_COUNT; ++slot) {
        game->slot_record_ids[slot] = slot == 0 ? human : slot <= found ? computers[slot - 1] : 0;
        game->slot_red[slot] = SLOT_COLOURS[slot][0];
        game->slot_green[slot] = SLOT_COLOURS[slot][1];
        game->slot_blue[slot] = SLOT_COLOURS[slot][2];
    }
    return game_new(game);
}

HeadlessDay headless_advance_day(Game *game, const HeadlessOptions &options) {
    HeadlessDay day;
    game_day_begin(game);
    if (options.ai_commands) game_run_ai_galaxy_commands(game);
    game_day_queue(game);
    // A stopped clock (speed 0) would never end the day: the frame cap stops the loop.
    while (!game_day_over(game) && day.frames < HEADLESS_FRAME_CAP) {
        map_update(game->galaxy_map, HEADLESS_FRAME_MS);
        game_day_advance(game, HEADLESS_FRAME_MS);
        ++day.frames;
    }
    const GameDayEnd end = game_day_end(game);
    day.turn_ended = end.turn_ended;
    // The passive UI player's battles, offered one by one, are fought out as the computer
    // players' are.
    const int32_t offered = end.player_encounters;
    for (int32_t i = 0; i < offered && game_count_player_encounters(game, game->ui_player_id) > 0; ++i) {
        game_begin_player_encounter(game);
        Encounter *battle = game->current_encounter;
        if (!battle) break;
        Watched watched = watch(battle);
        game_set_current_encounter(game, nullptr);
        bool fight = false;
        for (int32_t choice : battle->side_choices) fight = fight || choice != 0;
        if (fight) encounter_autocombat(battle);
        else game_finish_encounter(game, battle->id);
        // A battle the outcome could not finish leaves the list all the same.
        if (!encounter_is_finished(battle)) {
            battle->flags |= ENCOUNTER_FLAG_FINISHED;
            game_finish_encounter(game, battle->id);
        }
        day.battles.push_back(settled(watched, fight));
        ++day.player_battles;
    }
    day.ai_battles = game_encounter_count(game);
    std::vector<Watched> watched;
    for (Encounter *enc : game->encounters->items) {
        if (!enc) break;
        if (!encounter_is_finished(enc)) watched.push_back(watch(enc));
    }
    game_resolve_ai_encounters(game);
    for (Watched &w : watched) {
        bool fight = false;
        for (int32_t choice : w.enc->side_choices) fight = fight || choice != 0;
        day.battles.push_back(settled(w, fight));
    }
    return day;
}
