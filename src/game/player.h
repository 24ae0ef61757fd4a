#pragma once
// Player: one corporation of a game, human or computer-controlled.
//  - Owns its officers, ships, designs, catalog of systems, research state, its memory of other
//    players' objects (snapshots, one reference each, mapped by id), its sensor taps, score
//    figures and per-game counters, and its two AI states (freed through the AI hooks below).
//  - The Game keeps every player in its player list and id map (game_add_player); both hold one
//    reference. Sites and fleets stay on the galaxy map; the own-object list holds ships only.
//  - Totals are never set by hand: player_update_totals recomputes them from the galaxy map.
//  - The AI states belong to the AI layer above the model. The model reaches them only through
//    the PlayerAiHooks installed at start-up; an empty hook does nothing (and a missing load hook
//    refuses a save that holds an AI state).
//  - The game thread, or the worker that owns the model while it runs (new game, AI turn,
//    autocombat). No lock.
//  - Result codes: RES_OUT_OF_RANGE (-2) no such tech; RES_BAD_MOUNT (-9) no system of the type;
//    -8 no mount takes it; RES_SHORT_BUFFER (-15); RES_MALFORMED (-23) a negative count or a
//    record of the wrong kind; -53 a tech already done or queued; -54 a tech not available; the
//    nested readers' codes.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "platform/hash.h"
#include "platform/list.h"
#include "platform/result.h"

struct AiPlayer;
struct Buffer;
struct Date;
struct Encounter;
struct Game;
struct GameObject;
struct Officer;
struct PlayerRecord;
struct Sector;
struct Ship;
struct System;

constexpr int32_t PLAYER_KIND_COMPUTER = 0;
constexpr int32_t PLAYER_KIND_HUMAN    = 1;

constexpr uint32_t PLAYER_FLAG_SOL_NOTICE      = 0x4u;   // the Sol sector's warning was received
constexpr uint32_t PLAYER_FLAG_ELIMINATED      = 0x8u;
constexpr uint32_t PLAYER_FLAG_NO_HOME_COLONY  = 0x10u;

constexpr int32_t PLAYER_TECH_COUNT = 57;
constexpr int32_t PLAYER_BONUS_COUNT = 3;
constexpr int32_t PLAYER_GAME_COUNTERS = 10;   // in PlayerRecord statistics order
constexpr int32_t PLAYER_ENCOUNTER_KINDS = 3;  // engagements, starbase assaults, ARK encounters
constexpr int32_t PLAYER_RESEARCH_CREDIT = 400;    // research points per credit of surplus
constexpr int32_t PLAYER_FLEET_MEMORY_MINUTES = 5761;
constexpr int32_t PLAYER_POD_MIN_MINUTES = 2880;
constexpr int32_t PLAYER_STARBASE_CREW_MARGIN = 100;

constexpr int32_t RES_TECH_DONE_OR_QUEUED = -53;   // player_queue_research
constexpr int32_t RES_TECH_NOT_AVAILABLE  = -54;
constexpr int32_t RES_NO_MOUNT_TAKES_IT   = -8;    // player_fit_best_system

// Tech state bits.
constexpr uint32_t TECH_AVAILABLE = 0x2u;
constexpr uint32_t TECH_DONE      = 0x4u;
constexpr uint32_t TECH_APPLIED   = 0x8u;
constexpr uint32_t TECH_QUEUED    = 0x10u;
constexpr uint32_t TECH_PAUSED    = 0x20u;

// Indices of Player::game_counters (the PlayerRecord statistics order).
enum PlayerCounter : int32_t {
    COUNTER_GAMES_FINISHED = 0,
    COUNTER_WINS,
    COUNTER_DAYS_IN_COMMAND,
    COUNTER_SHIPS_BUILT,
    COUNTER_STARBASES_BUILT,
    COUNTER_ENEMIES_DESTROYED,
    COUNTER_DAMAGE_DEALT,
    COUNTER_CREW_RECRUITED,
    COUNTER_RESOURCES_MINED,
    COUNTER_RESEARCH,
};

struct SensorTap {
    uint64_t player_id = 0;   // the tapped player
    uint64_t sector_id = 0;
    uint64_t expiry = 0;      // clock minute count
};

struct PlayerTotals {
    int32_t starbase_sectors = 0;
    int32_t daily_income = 0;
    int32_t starbase_crew = 0;
    int32_t ship_crew = 0;
    int32_t crew_intake = 0;
    int32_t design_counter = 1;   // saved
    int32_t research_rate = 0;
    int32_t online_load_a = 0;
    int32_t online_load_b = 0;
    int32_t active_production = 0;
};

struct Player {
    uint64_t    id = 0;                  // first: the Game's id map reads it as the key
    int32_t     kind = PLAYER_KIND_COMPUTER;
    uint32_t    flags = 0;
    int32_t     refcount = 0;
    int32_t     red = 0, green = 0, blue = 0;
    std::string name;
    List<Officer>    officers;           // one reference each
    List<GameObject> objects;            // own ships, one reference each
    int32_t     credits = 0;
    List<GameObject> known;              // snapshots, one reference each
    HashTable<GameObject> *known_map = nullptr;   // id -> snapshot in `known`; owns nothing
    int32_t     spare = 0;
    List<GameObject> designs;            // destroyed with the player
    int32_t     research_points[PLAYER_TECH_COUNT] = {};
    uint32_t    tech_state[PLAYER_TECH_COUNT] = {};
    Date       *queue_dates[PLAYER_TECH_COUNT] = {};        // owned
    Date       *completion_dates[PLAYER_TECH_COUNT] = {};   // owned
    int32_t     research_target = -1;
    List<System>  catalog;               // owned
    List<int32_t> facilities;            // owned heap ints: unlocked site templates
    List<int32_t> hulls;                 // owned heap ints: unlocked hull templates
    AiPlayer   *galaxy_ai = nullptr;     // owned, through the AI hooks
    AiPlayer   *commander_ai = nullptr;
    int32_t     spare2 = 0;
    int32_t     research_remainder = 0;  // 0..399
    int32_t     bonus[PLAYER_BONUS_COUNT] = {};
    Date       *defeat_date = nullptr;   // owned
    uint64_t    defeated_by = 0;
    List<SensorTap> taps;                // owned
    int32_t     credits_earned = 0;
    int32_t     crew_trained = 0;
    int32_t     enemy_ships_destroyed = 0;
    uint64_t    enemy_mass_destroyed = 0;
    int32_t     enemy_starbases_destroyed = 0;
    int32_t     ships_built = 0;
    int32_t     starbases_built = 0;
    int32_t     naming_counter = 0;      // not saved
    int64_t     total_score = 0;         // not saved; signed: a game can score below zero
    int32_t     encounter_numbers[PLAYER_ENCOUNTER_KINDS] = {};
    uint64_t    record_id = 0;
    int32_t     game_counters[PLAYER_GAME_COUNTERS] = {};   // not saved
    PlayerTotals totals;
};

// ---- The AI states, as the model sees them (installed by the AI layer) ----
// The states a new game makes: a computer corporation's galaxy AI and every slot player's
// combat commander from its record, the machine faction's commander, and Sol's commander and
// passive galaxy AI.
enum PlayerAiState : int32_t {
    AI_STATE_GALAXY = 0,
    AI_STATE_COMMANDER,
    AI_STATE_ARK_COMMANDER,
    AI_STATE_SOL_COMMANDER,
    AI_STATE_SOL_GALAXY,
};
struct PlayerAiHooks {
    // A new AI state of the role (record: the player's record, null for the two factions).
    AiPlayer *(*create)(int32_t role, const PlayerRecord *record) = nullptr;
    // The galaxy command of one computer player's day; empty: the player does nothing.
    void    (*galaxy_command)(AiPlayer *ai, Player *player) = nullptr;
    void    (*free)(AiPlayer *ai) = nullptr;
    Result  (*save)(const AiPlayer *ai, Buffer *buf) = nullptr;
    Result  (*load)(AiPlayer **out, Buffer *buf) = nullptr;
    Result  (*relink)(AiPlayer *ai) = nullptr;
    void    (*prune)(AiPlayer *ai, Player *player) = nullptr;
    void    (*stop)(AiPlayer *ai) = nullptr;
    void    (*clear_tasks)(AiPlayer *ai) = nullptr;
    // The battle evaluation: 1 when the AI accepts the battle.
    int32_t (*accepts_encounter)(AiPlayer *ai, Player *player, Encounter *encounter) = nullptr;
};
void                 player_set_ai_hooks(const PlayerAiHooks &hooks);
const PlayerAiHooks &player_ai_hooks();

// ---- Lifecycle, identity ----
Player *player_create(int32_t kind);    // refcount 0; null when out of memory
void    player_retain(Player *player);
void    player_release(Player *player); // frees below 1; null ignored
void    player_free(Player *player);    // at once, whatever the count
void    player_set_id(Player *player, uint64_t id);   // and the owner id of every own object
void    player_set_name(Player *player, const char *name);
void    player_set_color(Player *player, int32_t r, int32_t g, int32_t b);

// Holds a player and frees it (player_free) when it goes.
struct PlayerDeleter {
    void operator()(Player *player) const { player_free(player); }
};
using PlayerPtr = std::unique_ptr<Player, PlayerDeleter>;

// ---- The Game's players ----
// Appends to the player list and id map (a reference each). RES_NO_MEMORY leaves both unchanged.
Result   game_add_player(Game *game, Player *player);
Player  *game_find_player(Game *game, uint64_t id);
int32_t  game_player_count(const Game *game);
Player  *game_get_player_at(const Game *game, int32_t index);   // null outside 0..count-1
// The player's colour through r, g, b and 1; (250, 250, 250) and 0 when no player has the id.
int      game_get_player_colors(Game *game, uint64_t id, int32_t *r, int32_t *g, int32_t *b);
Officer *game_find_player_officer(uint64_t player_id, uint64_t officer_id);
// Adds every player's game counters to its record and writes "records.dat".
Result   records_flush_players(Game *game);

// ---- Own objects ----
void        player_add_object(Player *player, GameObject *obj);
GameObject *player_find_object(Player *player, uint64_t id);
int32_t     player_object_count(const Player *player);
GameObject *player_get_object_at(Player *player, int32_t index);
int32_t     player_count_living_objects(const Player *player);
void        player_clear_objects(Player *player);
void        player_purge_dead_objects(Player *player);
GameObject *player_oldest_object(Player *player);
List<GameObject> *player_objects_sorted(Player *player);   // by ship name; the caller frees the list only

// ---- Officers ----
void     player_add_officer(Player *player, Officer *officer);
void     player_remove_officer(Player *player, uint64_t officer_id);
Officer *player_find_officer(Player *player, uint64_t officer_id);
List<Officer> *player_officers_sorted(Player *player);     // by name

// A new officer of the player, hired today with its first experience and skills: a ship officer,
// or with ship_officer false a starbase's. It waits in `post` (may be null) until it boards its
// ship or takes its starbase, so that the news of the hire names the sector.
Officer *player_hire_officer(Player *player, bool ship_officer, const Sector *post);

void    officer_raise_ship_skills(Officer *officer);
void    officer_raise_base_skills(Officer *officer);
int32_t officer_rank_icon(int32_t rank);
int32_t officer_ship_rating(const Officer *officer);
int32_t officer_repair_rating(const Officer *officer);
bool    officer_at_friendly_starbase(const Officer *officer);

// ---- Designs and catalog ----
void        player_add_design(Player *player, GameObject *ship);
// Replaces the design of that id with `ship`, which takes the id (appended when there is none).
void        player_set_design(Player *player, GameObject *ship, uint64_t id);
void        player_remove_design(Player *player, uint64_t id);
void        player_clear_designs(Player *player);
GameObject *player_get_design(Player *player, uint64_t id);
GameObject *player_get_design_at(Player *player, int32_t index);
int32_t     player_design_index(Player *player, uint64_t id);   // -1 when absent
int32_t     player_design_count(const Player *player);
GameObject *player_build_ship_from_design(Player *player, int32_t index);
// Puts a new ship into the player's service as a shipyard's first ship is: the player's (an id
// and its roll value), named from the game's list, with `pilot` aboard (null: none) and a full
// crew, whole and loaded, in `sector` (null: none), built today and ready for its first battle
// (its pilot's battle count is kept).
void        player_commission_ship(Player *player, Ship *ship, Officer *pilot, Sector *sector);
bool        player_is_building_design(Player *player, uint64_t design_id);

System *player_find_system(Player *player, int32_t type, int32_t subtype);
System *player_best_system(Player *player, int32_t type);
// The best system of the type whose power is at most the limit.
System *player_best_system_within(Player *player, int32_t type, int32_t limit);
int32_t player_fit_best_system(Player *player, Ship *ship, int32_t type, int32_t mount_kind);
List<System> *player_systems_sorted(Player *player);       // by name

// ---- Resources, crew, quotes ----
void        player_add_resources(Player *player, int32_t amount);
// Paying: RES_INSUFFICIENT_CREDITS when the player holds less than the amount (equal is enough),
// and then nothing is taken. Every order that costs credits pays through player_spend.
Result      player_can_spend(const Player *player, int32_t amount);
Result      player_spend(Player *player, int32_t amount);
int32_t     player_take_crew(Player *player, int32_t n);
// What player_take_crew (n) would give now, taking nobody.
int32_t     player_crew_available(const Player *player, int32_t n);
GameObject *player_find_nearest_starbase(Player *player, int32_t x, int32_t y, int32_t amount);
GameObject *player_find_constructor_ship(Player *player);
void        player_build_cost(Player *player, int32_t site_template, uint64_t sector_id, int32_t *cost,
                              int32_t *minutes);
void        player_design_build_cost(Player *player, GameObject *design, uint64_t sector_id, int32_t *cost,
                                     int32_t *minutes);
int32_t     ship_scrap_value(const Ship *ship);

// ---- Turns ----
void    player_update_totals(Player *player);
void    player_turn_update(Player *player);
void    player_update_escape_pods(Player *player, int32_t minutes);
void    player_after_encounter(Player *player);
void    player_recompute_stats(Player *player);
Result  player_link(Player *player);
void    player_stop_ai(Player *player);
bool    player_ai_accepts_encounter(Player *player, Encounter *encounter);
// Runs the player's galaxy AI for one day (nothing without a galaxy AI or an installed AI).
void    player_run_galaxy_ai(Player *player);
void    player_transfer_statistics(Player *player, PlayerRecord *record);
// A battle's credit to the shooter's player: damage dealt (a negative amount adds nothing; the
// counter stops at its top), and an enemy ship destroyed with its mass.
void    player_add_damage_dealt(Player *player, int32_t amount);
void    player_add_ship_destroyed(Player *player, int64_t mass);

// ---- Research (research.cpp) ----
int32_t player_queue_research(Player *player, int32_t tech);
int32_t player_pause_research(Player *player, int32_t tech);
int32_t player_resume_research(Player *player, int32_t tech);
// A queued, unpaused tech becomes the research target: -2 no such tech, -54 not queued or paused.
int32_t player_prioritize_research(Player *player, int32_t tech);
bool    player_is_research_paused(const Player *player, int32_t tech);
bool    player_is_research_active(const Player *player, int32_t tech);
int32_t player_count_active_research(const Player *player);
bool    player_is_tech_available(const Player *player, int32_t tech);
bool    player_is_tech_done(const Player *player, int32_t tech);
void    player_update_research_target(Player *player);
void    player_add_research_points(Player *player, int32_t points);
void    player_process_research(Player *player);
void    player_complete_tech(Player *player, int32_t tech);
int32_t player_research_days_left(const Player *player, int32_t tech);
int32_t player_pick_stealable_tech(Player *player, const Player *other);
int32_t player_research_cost_display(int32_t tech);   // cost / 400
void    player_add_hull(Player *player, int32_t hull);
void    player_add_facility(Player *player, int32_t site_template);
bool    player_has_item_kind(const Player *player, int32_t site_template);
bool    player_has_hull(const Player *player, int32_t hull);

// ---- Known-object memory (known.cpp) ----
void        player_learn_object(Player *player, GameObject *obj, int32_t refresh);
bool        player_knows_object(const Player *player, uint64_t id);
GameObject *player_get_known_object(const Player *player, int32_t kind, uint64_t id);
GameObject *player_known_object_by_id(const Player *player, uint64_t id);
bool        player_sector_has_known_enemy(const Player *player, const GameObject *sector_snapshot);
void        player_track_known_fleets(Player *player);
// Drops a snapshot from the list and the map and releases it.
void        player_forget_object(Player *player, GameObject *snapshot);
void        player_add_sensor_tap(Player *player, int32_t duration, uint64_t tapped_player_id, uint64_t sector_id);
bool        player_has_sensor_tap(const Player *player, uint64_t tapped_player_id);
int32_t     sector_score(const GameObject *sector);
int32_t     player_object_value(const GameObject *ship);
int32_t     ship_estimated_strength(const GameObject *ship);
// A save leaves out each copy of a site that the load can make again byte for byte: the copy of a
// site of the game's map that a remembered sector lists, taken at the sector copy's level and
// seen when it was (as the player learns a sector with its sites) and unchanged since. The
// snapshots to save, in list order.
std::vector<const GameObject *> player_saved_snapshots(const Game *game, const Player *player);
// After a load: makes the copies a save left out again, from the loaded game's sites, for every
// site a remembered sector lists and the player has no copy of (an older save kept them all).
void        player_remember_sites(Game *game, Player *player);

// ---- Save record (player_save.cpp) ----
// With a game, the known list is player_saved_snapshots' (the game's save); without, all of it.
Result player_write(const Player *player, Buffer *buf, const Game *game = nullptr);
// Reads one record into a new player (refcount 0) stored through out (freed when out is null).
// On failure the partly read player is freed and nothing is stored.
Result player_read(Player **out, Buffer *buf);
