#pragma once
// AI ship designs: a computer player builds ships only from its own designs, and this keeps that
// list: refits designs with better systems as the catalog improves, retires combat designs whose
// lifetime ran out, keeps one constructor and one hacking grid design, and draws new combat
// designs from the galaxy AI's template and system weights until it holds its design target.
//  - A design's lifetime in days lives in its Ship::ai_word (0: never retired); its date is the
//    ship's built date, stamped when it joins the design list.
//  - Draws come from the calling thread's quick generator.
//  - The thread running the owner's galaxy command.
#include <cstdint>

struct AiPlayer;
struct Player;
struct System;

constexpr int32_t AI_SYSTEM_ENGINE      = 2;
constexpr int32_t AI_SYSTEM_WEAPON      = 0;
constexpr int32_t AI_SYSTEM_ARMOUR      = 15;
constexpr int32_t AI_SYSTEM_CONSTRUCTOR = 13;
constexpr int32_t AI_SYSTEM_HACKING     = 29;

void ai_update_ship_designs(AiPlayer *ai, Player *player);

// What two systems of one type are compared by: the subtype row for a type with subtypes, else
// the type's main figure.
int32_t ai_system_grade(const System *system);
