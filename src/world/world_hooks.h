#pragma once
// WorldHooks: the calls a ship in battle makes upward, into the computer players built on top of the
// model.
//  - Every call within the model is a direct call; only the AI's plan and act go through this table.
//  - The table is empty until the application installs it whole (app_install_hooks); an empty plan
//    plans nothing and an empty act ends the ship's turn at once.
//  - Installed on the main thread before any game runs; read from every thread afterwards.

struct Player;
struct Ship;

struct WorldHooks {
    // The owner's combat AI plans the ship's action (on the combat AI thread): ai_plan_ship, filled
    // by the AI layer's ai_world_hooks.
    void (*ai_plan_ship)(Player *owner, Ship *ship) = nullptr;
    // The owner's combat AI carries the plan out and ends the ship's turn when the ship is done:
    // ai_act_ship, filled by the AI layer's ai_world_hooks.
    void (*ai_act_ship)(Player *owner, Ship *ship) = nullptr;
};

void              world_set_hooks(const WorldHooks &hooks);
const WorldHooks &world_hooks();
