#pragma once
// Encounter: one tactical battle. The objects of two or more owners that met in a sector or in deep
// space, the sides they form, where each object starts on the combat field, the battle's own random
// generator, an optional defence-shot scenario, and whether it is over.
//  - Reference counted (encounter_retain / encounter_release); the Game's encounter list holds one
//    reference, the current-encounter slot another. The last release frees the record, which first
//    releases its objects and kills the encounter-temporary ones (OBJ_LOST).
//  - Holds one object reference per entry of its object list.
//  - Sides, fleets and side choices are derived from the objects; every reader of sides rebuilds them
//    first when ENCOUNTER_FLAG_DIRTY is set.
//  - Save record: big-endian, counts checked against the bytes left before anything is allocated.
//    encounter_read returns RES_SHORT_BUFFER, RES_MALFORMED (negative count), RES_NO_MEMORY or the code
//    of the string, reference or generator reader; encounter_link RES_UNRESOLVED_ID (an object that is
//    gone), RES_KIND_MISMATCH, or the code of an object's link.
//  - Game thread only (and a model worker while the game thread waits for it).
#include <cstdint>
#include <map>
#include <string>
#include <vector>
#include "platform/result.h"

struct Buffer;
struct Fleet;
struct Game;
struct GameObject;
struct Rng;
template <typename T> struct List;

enum EncounterKind : int32_t {
    ENCOUNTER_ENGAGEMENT      = 0,   // a sector battle or a deep-space fleet contact
    ENCOUNTER_STARBASE_ASSAULT = 1,
    ENCOUNTER_ARK             = 2,
    ENCOUNTER_ARK_ARMED       = 3,
    ENCOUNTER_SOL             = 4,   // the Battle for Sol
};
constexpr int32_t ENCOUNTER_KIND_COUNT = 5;

constexpr uint32_t ENCOUNTER_FLAG_DIRTY        = 0x1;   // sides and fleets must be rebuilt
constexpr uint32_t ENCOUNTER_FLAG_FINISHED     = 0x2;
constexpr uint32_t ENCOUNTER_FLAG_DEFENSE_SHOT = 0x8;

// The smallest save record: every fixed field, empty strings, no objects, placements or generator.
constexpr uint32_t ENCOUNTER_RECORD_MIN_BYTES = 116;

constexpr int32_t PLACEMENT_FLAG_PLACED = 0x4;   // placed by the free-spot search: blocks later searches

enum EncounterSideResult : int32_t {
    ENCOUNTER_RESULT_FIGHTING  = 0,
    ENCOUNTER_RESULT_DEFEATED  = 1,
    ENCOUNTER_RESULT_RETREATED = 2,
};

struct EncounterPlacement {
    int32_t flags = 0;
    int32_t x = 0, y = 0;     // top-left corner on the combat field
    int32_t w = 0, h = 0;     // the object's largest frame extent
    int32_t heading = 0;      // 0..359
};

struct Encounter {
    uint64_t    id = 0;
    int32_t     kind = ENCOUNTER_ENGAGEMENT;
    int32_t     refcount = 0;
    uint32_t    flags = ENCOUNTER_FLAG_DIRTY;
    std::string name;
    bool        has_text = false;     // the optional second text
    std::string text;
    std::string objective;
    int32_t     centre_x = 0, centre_y = 0;
    int32_t     backdrop = 0;         // 0..15
    int32_t     field_w = 0, field_h = 0;
    uint64_t    sector_id = 0;        // 0 in deep space
    uint64_t    ark_site_id = 0;
    List<GameObject> *objects = nullptr;                  // one reference each
    std::map<uint64_t, EncounterPlacement> placements;    // object id -> start
    std::map<uint64_t, EncounterPlacement> side_starts;   // owner id -> start (layout only)
    std::vector<uint64_t> sides;      // owner ids (derived)
    std::vector<uint64_t> fleets;     // fleet ids (derived)
    std::vector<int32_t>  side_choices;   // 1 the side fights, 0 it does not
    Rng        *rng = nullptr;
    int32_t     shot_interval = 0, shot_start_clock = 0, shot_type = 0;
    std::string shot_singular, shot_plural;
    int32_t     shot_count = 0;
    uint64_t    defense_player_id = 0;
    int32_t     shot_damage_min = 0, shot_damage_max = 0;
    uint64_t    victor_id = 0;        // set by the outcome: the side still fighting at the end, 0 none (not saved)
};

Encounter *encounter_create();                 // refcount 0, dirty; null when out of memory
void       encounter_retain(Encounter *enc);
void       encounter_release(Encounter *enc);  // frees at 0 or below; null ignored
void       encounter_free(Encounter *enc);
void       encounter_release_objects(Encounter *enc);
void       encounter_add_object(Encounter *enc, GameObject *obj);
void       encounter_seed_random(Encounter *enc, uint32_t seed);   // keeps the index word
void       encounter_set_defense_shot(Encounter *enc, int32_t start_clock, int32_t interval, int32_t shot_type,
                                      const char *singular, const char *plural, int32_t count, int32_t damage_min,
                                      int32_t damage_max, uint64_t defense_player_id);
bool       encounter_has_defense_shot(const Encounter *enc);
bool       encounter_is_finished(const Encounter *enc);

void       encounter_rebuild_index(Encounter *enc);
int32_t    encounter_side_count(Encounter *enc);
uint64_t   encounter_get_side(Encounter *enc, int32_t index);   // 0 out of range
bool       encounter_has_side(Encounter *enc, uint64_t owner_id);
bool       encounter_has_fleet(Encounter *enc, uint64_t fleet_id);
int32_t    encounter_fleet_count(Encounter *enc);
Fleet     *encounter_get_fleet(Encounter *enc, int32_t index);  // null unless a fleet object
GameObject *encounter_find_object(const Encounter *enc, uint64_t id);
int32_t    encounter_count_owner_ships(const Encounter *enc, uint64_t owner_id);
// The owner's ships by ship name (byte-wise, stable); the caller frees the list, not the ships.
List<GameObject> *encounter_owner_ships_sorted(const Encounter *enc, uint64_t owner_id);
// Mass (KT) of all the owner's objects, power (TW) of its ships.
void       encounter_sum_owner_stats(const Encounter *enc, int32_t *mass, uint64_t owner_id, int32_t *power);
bool       encounter_other_side_retreated(const Encounter *enc, uint64_t owner_id);

void       encounter_set_side_choice(Encounter *enc, int32_t value, uint64_t owner_id);
int32_t    encounter_get_side_choice(Encounter *enc, uint64_t owner_id);
void       encounter_init_side_choices_all(Encounter *enc);
void       encounter_init_side_choices_by_owner(Encounter *enc);
void       encounter_init_ai_side_choices(Encounter *enc);

// RES_OK, or RES_UNRESOLVED_ID when the id has no placement record.
Result     encounter_get_placement(const Encounter *enc, int32_t *x, uint64_t id, int32_t *y, int32_t *heading);
EncounterPlacement *encounter_placement_get_or_create(Encounter *enc, uint64_t id, bool create);
// The first searched placement touching or overlapping the rectangle, of an object still in the battle.
GameObject *encounter_find_overlap(const Encounter *enc, int32_t x, int32_t y, int32_t w, int32_t h);
void       encounter_register_temp_objects(Encounter *enc);

void       encounter_check_finished(Encounter *enc);   // the end test, against the combat map
// The seed of the game thread's quick draws for the encounter's battle: the next output of the
// encounter's generator, or of the Game's layout generator when it has none, read from a copy. A
// battle then draws from where the saved game stands, whatever was drawn before it, and nothing
// saved moves.
uint32_t   encounter_battle_seed(const Encounter *enc);
int32_t    encounter_get_side_result(const Encounter *enc, uint64_t owner_id);
const char *encounter_result_text(int32_t result);

Result     encounter_write(const Encounter *enc, Buffer *buf);
Result     encounter_read(Encounter **out, Buffer *buf);   // a new encounter, refcount 0
Result     encounter_link(Encounter *enc);                  // stubs -> the game's objects

// The Game's encounter lookups.
Encounter *game_find_encounter(Game *game, uint64_t id);
Result     game_add_encounter(Game *game, Encounter *enc);       // gives the id, one reference
void       game_set_current_encounter(Game *game, Encounter *enc);   // null clears

// ---- The combat field ------------------------------------------------------------------------------
// Lays the field out: the backdrop, each side's start, every object's placement (corner layout for
// kinds 0, 2 and 4; the starbase with its Sentinel slots for kind 1; the carrier for kind 3).
void encounter_layout(Encounter *enc);
// Stores one object's placement; with the search it moves the object to the nearest free spot. On a
// field too full for any free spot the search gives up once its radius passes twice the field's
// diagonal and keeps the last candidate (with a warning).
void encounter_place_object(Encounter *enc, int32_t x, uint64_t id, int32_t y, int32_t heading, bool search);
