#pragma once
// The fleet summary panel: a fleet's destination or target, speed, mass, power and stealth, and
// for a given distance and speed the distance and the intercept ETA.
#include <cstdint>

struct Control;
struct GameObject;

void fleet_summary_panel_build(Control *panel, GameObject *fleet, int32_t distance, int32_t speed, int32_t options);
