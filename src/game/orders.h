#pragma once
// Orders: the changes of the game's state that a player gives, written once. The screens'
// handlers, the computer players and autocombat all give them through these functions.
//  - Each order checks, then acts, and returns RES_OK or the reason it refused; a refused order
//    changes nothing and costs nothing.
//  - Each has a "can" form that runs the same checks without acting: a panel asks it whether a
//    button works and shows order_refusal_text of its answer when it does not.
//  - `by` is the player giving the order. Only the owner of a site, ship or fleet commands it:
//    another player's order is refused with RES_NOT_OWNER.
//  - A price is worked out once, here: what a panel shows (order_production_price) is what the
//    order charges.
//  - Game thread, or a worker that runs the game model while the screens wait for it.
//  - Result codes: RES_NOT_OWNER, RES_INSUFFICIENT_CREDITS, RES_NOT_PRODUCING,
//    RES_ALREADY_COMPLETE, RES_CANNOT_RUSH, RES_CREW_SHORT, RES_UNDER_CONSTRUCTION,
//    RES_OUT_OF_RANGE (no such item to build).
#include <cstdint>
#include <string>
#include <vector>
#include "platform/result.h"

struct Fleet;
struct GameObject;
struct Officer;
struct Player;
struct Ship;
struct Site;

// The text a panel shows for a refused order ("Insufficient credits", "100 crew required" ...);
// empty for RES_OK.
std::string order_refusal_text(Result r);

// Whether `by` commands the object: a player and the object's owner.
Result order_check_owner(const Player *by, const GameObject *obj);

// ---- Production at a site: build, train, rush, halt ----

// The price of starting `item` at the site: a facility kind or -1 (the defence upgrade) at a
// starbase, item 0 with a design id at a shipyard or a recruit id at a training site. The paused
// design or recruit resumed costs what was kept for it. RES_OUT_OF_RANGE when the site cannot
// build that item.
Result order_production_price(const Site *site, int32_t item, uint64_t item_id, int32_t *cost, int32_t *minutes);
// Starts the item and pays its price; refused when the site is under construction or crew short,
// or the owner cannot pay.
Result order_can_produce(const Player *by, const Site *site, int32_t item, uint64_t item_id);
Result order_produce(Player *by, Site *site, int32_t item, uint64_t item_id);
// Finishes the item in production at the next midnight for its rush price.
Result order_can_rush(const Player *by, const Site *site);
Result order_rush(Player *by, Site *site);
// Stops the item in production: a pending item is refunded, a started one is paused.
Result order_can_halt(const Player *by, const Site *site);
Result order_halt(Player *by, Site *site);

// ---- Research ----

// Queues the technology and pays its price; refused when the player cannot pay, or with
// player_queue_research's answer (done or queued already, not available, no such technology).
Result order_research(Player *by, int32_t tech);

// ---- Officers ----

// Posts the officer to a ship (as its pilot) or a starbase (its commander, or with as_commander
// false its pool), from the ship or starbase it is at. The one it displaces takes its old place:
// a ship's pilot goes to the pool of the starbase the officer left, or the two pilots change
// ships; a starbase's commander goes to the pool, or takes over the officer's ship. A pilot
// leaving a ship for a starbase takes the ship's crew along as far as the starbase has room.
// RES_NOT_OWNER unless `by` owns both; RES_INVALID_TARGET for a post that is neither a ship
// with a pilot's seat nor a starbase; RES_NO_TARGET for an officer neither aboard nor at a base.
Result order_post_officer(Player *by, Officer *officer, GameObject *post, bool as_commander);

// ---- Ships ----

// Breaks the ship up: its owner gets its scrap value; at the owner's starbase in its sector the
// crew joins the starbase as far as it has room and the pilot joins the pool (elsewhere both are
// lost). The ship leaves its sector and fleet and is marked dead for the sweep.
Result order_scrap_ship(Player *by, Ship *ship);
// Repairs and reloads the ship for ship_repair_cost.
Result order_repair_ship(Player *by, Ship *ship);
// Moves crew between a ship and the starbase of its sector so that the ship holds `ship_crew`
// (held to what it can carry and to what the two hold together); the rest is the starbase's. No
// crew is made or lost. The ship's action points come back whole. RES_TARGET_OUT_OF_RANGE when
// the starbase is not in the ship's sector, RES_INVALID_TARGET for a site that is no starbase.
Result order_transfer_crew(Player *by, Ship *ship, Site *base, int32_t ship_crew);

// ---- Fleets ----

// The player's ships leave their sector or fleet together in a new fleet placed at (x, y) on the
// galaxy map (its top-left corner, or its centre with `centred`), on its course to the destination
// at once. Launched from the sector or fleet `origin_id`, it keeps from meeting fleets until the
// next day; with origin 0 (a computer player's fleet formed where it stands) it may meet at once.
// The map's viewer sees its own new fleet at once. The galaxy map holds the fleet (*out, when
// given). RES_NOT_OWNER for a ship of another owner; RES_NO_TARGET without ships, destination or
// galaxy map.
Result order_launch_fleet(Player *by, const std::vector<Ship *> &ships, uint64_t origin_id, GameObject *destination,
                          int32_t x, int32_t y, bool centred, Fleet **out = nullptr);
