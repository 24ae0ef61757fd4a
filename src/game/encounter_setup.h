#pragma once
// Encounter set-ups: what each kind of battle adds to its objects before the field is laid out.
//  - The Battle for Sol (the guardians' missile barrage), the starbase assault (the starbase and
//    its Sentinels, armed from the owner's best systems), the ARK encounters (ARK ships, and the
//    carrier for the armed form), and the starbase-defence barrage of a contested starbase sector.
//  - Every set-up sets the kind and the objective, then appends the given objects (one reference
//    each) and what it makes. Ships made here are encounter-temporary (OBJ_LOST): they die when the
//    battle lets go of its objects.
//  - A system that cannot be made is logged ("Error creating system type %i subtype %i (%i)") and
//    leaves its mount empty.
//  - Game thread, or a model worker while the game thread waits.
#include <cstdint>
#include <vector>

struct Encounter;
struct GameObject;
struct Player;
struct Rng;
struct Ship;
struct System;

constexpr const char *ENCOUNTER_OBJECTIVE = "Destroy all enemies";

void encounter_setup_sol(Encounter *enc, const std::vector<GameObject *> &objects);
// The damage the guardians' barrage in the Battle for Sol deals over a whole battle: its shots
// times their mean damage.
int32_t encounter_sol_barrage_damage();
void encounter_setup_starbase_assault(Encounter *enc, const std::vector<GameObject *> &objects, GameObject *starbase);
// The machine faction's defenders of a site, for its battles and for the site's own muster of them.
// Their initiatives come from `initiatives` when given (the site's muster, seeded from the site, always
// shows the same ships), else from the thread's quick generator.
// n ARK ships: one armed with type B when n > 7, one with type A when n > 4, the rest with the
// ARK gun.
void encounter_add_ark_defenders(Encounter *enc, const std::vector<GameObject *> &objects, int32_t n,
                                 int32_t type_a, int32_t type_b, Rng *initiatives = nullptr);
// n ARK ships (one with type A when n > 4) and the carrier.
void encounter_add_ark_defenders_armed(Encounter *enc, const std::vector<GameObject *> &objects, int32_t n,
                                       int32_t type_a, Rng *initiatives = nullptr);
// The starbase owner's barrage over a contested starbase sector: stronger once the starbase has a
// defence upgrade, armed after the owner's best projectile weapon when it has one.
void encounter_set_starbase_defense(Encounter *enc, GameObject *starbase);

// An ARK ship of the owner with the weapon (subtype applied when 0 or more) and its drive; its
// initiative drawn as the defenders' are.
Ship *encounter_create_ark_ship(uint64_t owner_id, int32_t weapon_type, int32_t subtype, Rng *initiatives = nullptr);
// A Sentinel of the starbase's owner in its slot 0..3 with the weapon and armour bonus (either may be
// null); the Sentinel takes them over.
void encounter_make_sentinel(Ship *ship, const GameObject *starbase, int32_t slot, System *weapon, System *armour);
// A new system of the player's best of the type (beams are the Sentinels' rows); null without one.
System *player_create_best_system(Player *player, int32_t type);
