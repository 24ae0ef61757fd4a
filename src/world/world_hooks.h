#pragma once
// WorldHooks: what the world objects and maps need of the modules built on top of them (players
// and their memory of objects, sector contents, fleet targets, shot records).
//  - Those modules install their functions once at start-up (world_set_hooks); tests install fakes.
//    An empty hook reads as "nothing known": no player, no memory, no tap, no content, no target.
//  - Set on the main thread before any game runs; read from every thread afterwards.
#include <cstdint>
#include <vector>

struct GameObject;
struct Officer;
struct Player;
struct Ship;

struct WorldHooks {
    // The player of an id; empty: the game's player map.
    Player     *(*find_player)(uint64_t id) = nullptr;
    // The id of a player, to revalidate an object's owner cache; empty: the cache is looked up anew.
    uint64_t    (*player_id)(const Player *player) = nullptr;
    // The player knows the object in detail (hit chances against it rise).
    bool        (*player_knows_object)(const Player *player, uint64_t id) = nullptr;
    // The player's snapshot of an object id, or null.
    GameObject *(*player_known_object)(const Player *player, uint64_t id) = nullptr;
    // The player holds a sensor tap on the other player.
    bool        (*player_has_sensor_tap)(const Player *player, uint64_t tapped_player_id) = nullptr;
    // Some object of the player lies in the sector's contents.
    bool        (*sector_has_object_of)(const GameObject *sector, uint64_t player_id) = nullptr;
    // The fleet's move target, or null.
    GameObject *(*fleet_move_target)(const GameObject *fleet) = nullptr;
    // Makes a new shot a map's defence shot: names (null when empty) and base damage, and its own
    // flag word. Empty: the shot kind's own shot_arm_defense (tests put a recorder here).
    void        (*shot_arm_defense)(GameObject *shot, const char *singular, const char *plural,
                                    int32_t damage) = nullptr;

    // ---- What ships need ----
    // Tests only: the object of an id; empty (the game): the game's object lookup.
    GameObject *(*find_object)(uint64_t id) = nullptr;
    // A player's officer by the two ids, or null.
    Officer    *(*find_player_officer)(uint64_t player_id, uint64_t officer_id) = nullptr;
    // A fleet's ship list: add takes a reference and appends (a fleet ignores a ship it holds),
    // remove takes the ship out and releases that reference.
    void        (*fleet_add_ship)(GameObject *fleet, GameObject *ship) = nullptr;
    void        (*fleet_remove_ship)(GameObject *fleet, GameObject *ship) = nullptr;
    // The shooter's player's combat statistics: damage dealt, and a ship destroyed with its mass
    // (enemy ships destroyed, mass destroyed and objects destroyed).
    void        (*player_add_damage_dealt)(Player *player, int32_t amount) = nullptr;
    void        (*player_add_ship_destroyed)(Player *player, int64_t mass) = nullptr;
    // The player takes a new object of its own (a launched drone).
    void        (*player_add_object)(Player *player, GameObject *obj) = nullptr;
    // The pilot's bonuses, added while a ship recomputes its statistics; empty: the officers' own.
    void        (*officer_apply_ship_bonuses)(const Officer *officer, Ship *ship) = nullptr;

    // ---- What ships in battle need ----
    // The object a shot flies at, or null; empty: the shot's own target.
    GameObject *(*shot_target)(const GameObject *shot) = nullptr;
    // The player learns an object (level 1: scanned).
    void        (*player_learn_object)(Player *player, GameObject *obj, int32_t level) = nullptr;
    // The player has a presence the game accepts for a jump out of the battle; empty: the game's
    // own census of the galaxy map.
    bool        (*player_has_sector_presence)(uint64_t player_id) = nullptr;
    // The owner's combat AI plans the ship's action (combat AI thread) or carries it out; the act
    // ends the ship's turn when the ship is done. Empty act: the ship ends its turn at once.
    void        (*ai_plan_ship)(Player *owner, Ship *ship) = nullptr;
    void        (*ai_act_ship)(Player *owner, Ship *ship) = nullptr;
    // The current encounter while the player is still fighting in it (its side result is 0): its
    // kind and the objects of its list appended to *objects; false when there is none.
    bool        (*encounter_still_fighting)(uint64_t player_id, int32_t *kind,
                                            std::vector<GameObject *> *objects) = nullptr;

    // ---- What a ship's galaxy day needs ----
    const char *(*player_name)(const Player *player) = nullptr;
    int32_t     (*player_research_rate)(const Player *player) = nullptr;   // 1/400 points per day
    void        (*player_add_research_points)(Player *player, int32_t amount) = nullptr;
    int32_t     (*player_pick_stealable_tech)(Player *thief, Player *victim) = nullptr;   // -1: none
    void        (*player_complete_tech)(Player *player, int32_t tech) = nullptr;
    void        (*player_add_sensor_tap)(Player *player, GameObject *sector, int32_t minutes) = nullptr;
};

void              world_set_hooks(const WorldHooks &hooks);
const WorldHooks &world_hooks();

// Through the hooks.
Player     *world_find_player(uint64_t id);   // null for id 0
GameObject *world_find_object(uint64_t id);   // the game's object lookup (game_find_object)
GameObject *world_shot_target(const GameObject *shot);   // null for none
