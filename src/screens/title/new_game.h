#pragma once
// The new-game setup screen: six option rows with the galaxy settings on the left, the five player
// slots (who plays, in which colour) on the right, Cancel and Start at the bottom right.
//  - Built into a panel the caller owns (the game menu's sub-panel, which is the panel's user data);
//    the caller fills on_start and on_back.
//  - Game thread only.
#include <cstdint>
#include <string>
#include "game/game.h"
#include "platform/colour_fade.h"
#include "platform/list.h"
#include "ui/control.h"

struct NewGameState {
    List<Control> *rows = nullptr;       // the six option rows (not owned)
    List<Control> *slots = nullptr;      // the five slot panels in slot order (not owned)
    ControlFn      on_start = nullptr;   // called with the screen panel
    ControlFn      on_back = nullptr;
    uint64_t       record_ids[GAME_SLOT_COUNT] = {};
    ColourFade     colours[GAME_SLOT_COUNT];
    std::string    typed_name;           // the name of a human player to be created at Start
};

void          new_game_build(Control *panel);
NewGameState *new_game_state(Control *panel);   // null when the panel holds no setup screen
