#pragma once
// Encounter life: keeping the Game's object collections consistent around battles and preparing the
// maps the screens show.
//  - game_purge_removed_objects drops what died or was removed from the players, the global object
//    list and the three maps. Game thread only: before a model worker starts and after it is joined.
//  - encounter_set_up_field sets the combat field up for a battle, the one way for both the combat
//    screen's start and autocombat (load groups, the map sized and armed, placements, encounter
//    begin). game_start_encounter sets the current encounter's field up and stops the AI of its
//    sides. It runs on the load-encounter thread while the galaxy screen only draws; the factories
//    take their own locks.
//  - game_end_combat drops the finished encounters, clears the combat map and purges.
//  - game_place_on_galaxy puts an object on the galaxy map; while the map walks its objects
//    (MAP_ITERATING) the object waits in the pending list for the map's next add.
//  - game_set_sector_contents: the display fleets it makes hold the ships without joining them
//    (the ships keep their own fleets); they live until the map is cleared. The galaxy loads only
//    the hulls' icons and pictures, so the view asks for the detail pictures (the rotation frames
//    the groups draw) of each hull it shows, resolves the load groups at once, and gives them back
//    when it next shows something else (no sector included).
//  - game_encounter_still_fighting: whether the player still fights in the current battle, asked
//    by a ship when its battle state is reset (ships' battle experience).
//  - encounter_load_graphics keeps the encounter graphics of the battle's templates loaded (and
//    lets the others go): the combat screen shows them, and the frames are the shapes that every
//    range, scan and hit test reads, in a battle fought on the screen or at once.
//  - Result codes: game_start_encounter, encounter_set_up_field (for the screen) and
//    encounter_load_graphics pass on the factories' load failure (logged with the encounter's id and
//    name).
#include <cstdint>
#include <vector>
#include "platform/result.h"

struct Encounter;
struct Game;
struct GameObject;

Result encounter_load_graphics(const Encounter *enc);

// Who fights on the field: the combat screen, or autocombat at once. They differ only in the warning
// for an object without a placement, and in a failed graphics load: the screen's start ends there,
// a battle fought at once goes on with the shapes there are.
enum EncounterFieldUse : int32_t { ENCOUNTER_FIELD_SCREEN = 0, ENCOUNTER_FIELD_AT_ONCE = 1 };

// Sets the combat map up for the battle: the battle's encounter graphics loaded, the map emptied,
// sized to the field and given the battle's barrage; every object with a placement put there at its
// heading (a site stops travelling; a ship made for the battle joins its owner unless the owner holds
// it already; every other side learns the object); then every placed object begins the battle. The
// number of objects placed goes to `placed` when given.
Result encounter_set_up_field(Game *game, Encounter *enc, EncounterFieldUse use, int32_t *placed);
void   game_purge_removed_objects(Game *game);
void   game_end_combat(Game *game);
void   game_place_on_galaxy(Game *game, GameObject *obj, int32_t x, int32_t y);
// Fills the sector-contents map with the sector's sites (halos and harvest plumes running) and one
// display fleet per owner of the ships present; an id that names no sector leaves it empty and
// clears the shown sector.
void   game_set_sector_contents(Game *game, uint64_t sector_id);
// RES_OK also when there is no current encounter (nothing happens).
Result game_start_encounter(Game *game);
// The number of objects in the sector and the owner of the first; 0 when the id names no sector.
int32_t game_sector_content_count(Game *game, uint64_t sector_id, uint64_t *owner_id);
// The current encounter while the player still fights in it: its kind, and its objects appended.
bool   game_encounter_still_fighting(uint64_t player_id, int32_t *kind, std::vector<GameObject *> *objects);
// An object that appears during a battle (a launched drone) joins the battle on the combat map: the
// current encounter, or the one autocombat is fighting out.
void   game_encounter_join(Game *game, GameObject *obj);
