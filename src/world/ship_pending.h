#pragma once
// STAND-IN until the system behaviours (activation, target checks, passives and reactions) are
// merged into the systems module: the calls the ship makes into them, declared with the names and
// arguments the systems module gives them. Each definition in ship_pending.cpp goes when the real
// one lands in src/systems/; the ship's call sites stay as they are.
#include <cstdint>
#include "platform/result.h"

struct GameObject;
struct Ship;
struct System;

// An online system shapes its ship during a statistics recompute: the ship bits its flags imply,
// then its type's passive slot.
void   system_apply_passive(System *system, Ship *ship);
// Point defence: the type's react slot when the incoming object passes within range of the mount.
void   system_react(System *system, Ship *ship, GameObject *incoming, int32_t x, int32_t y, uint32_t *flags);
// Use in combat: state and target checks, the type's activate slot, a round spent, the recharge
// begun; *ap_delta gets minus the AP cost.
Result system_activate(System *system, Ship *ship, GameObject *target, int32_t x, int32_t y, int32_t *ap_delta,
                       int32_t *extra);
Result system_check_target(System *system, Ship *ship, GameObject *target, int32_t x, int32_t y);
