#pragma once
// The fleet summary panel: a fleet's name, owner and ships, its destination or target, speed,
// mass, power and stealth, and for a given distance and speed the distance and the intercept ETA.
// No buttons, no slots.
//  - Rebuilt whole on every call; it keeps nothing but its controls. Its user data is the fleet.
//  - Game thread only.
#include <cstdint>

struct Control;
struct GameObject;

constexpr int32_t FLEET_SUMMARY_DISTANCE  = 0x2;   // the "Distance" row
constexpr int32_t FLEET_SUMMARY_INTERCEPT = 0x4;   // with the distance and a speed above 0: "Intercept ETA"

void fleet_summary_build(Control *panel, GameObject *fleet, int32_t distance, int32_t speed, int32_t options);
