#pragma once
// The init functions of the thirty system types: each fills its type's SystemTypeOps record once,
// when the type table loads (system.cpp lists them by type number). A type whose init is not in
// the list keeps every slot empty.
//  - system_passive.cpp: the types that shape their ship's statistics (2, 3, 5, 9, 12-18, 23, 28, 29).
//  - system_support.cpp: the active types that help their own side (6, 11, 19, 21, 26, 27).
//  - The weapons (0, 1, 4, 7, 8, 10, 20, 22, 24, 25) each have a file of their own.
#include "systems/system.h"

// Passive types.
void system_engine_init(SystemTypeOps *ops);              //  2
void system_sensor_init(SystemTypeOps *ops);              //  3
void system_shield_init(SystemTypeOps *ops);              //  5
void system_point_defence_init(SystemTypeOps *ops);       //  9
void system_crew_module_init(SystemTypeOps *ops);         // 12
void system_starbase_kit_init(SystemTypeOps *ops);        // 13
void system_network_intrusion_init(SystemTypeOps *ops);   // 14
void system_armour_init(SystemTypeOps *ops);              // 15
void system_hyperdrive_init(SystemTypeOps *ops);          // 16
void system_escape_pod_init(SystemTypeOps *ops);          // 17
void system_crew_shelter_init(SystemTypeOps *ops);        // 18
void system_stealth_init(SystemTypeOps *ops);             // 23
void system_interdictor_init(SystemTypeOps *ops);         // 28
void system_boarding_grid_init(SystemTypeOps *ops);       // 29

// Active support types.
void system_evasion_boost_init(SystemTypeOps *ops);       //  6
void system_damage_boost_init(SystemTypeOps *ops);        // 11
void system_booster_init(SystemTypeOps *ops);             // 19
void system_jump_drive_init(SystemTypeOps *ops);          // 21
void system_fleet_damage_boost_init(SystemTypeOps *ops);  // 26
void system_fleet_evasion_boost_init(SystemTypeOps *ops); // 27
