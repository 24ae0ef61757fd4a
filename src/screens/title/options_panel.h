#pragma once
// The options panel: display mode, music and sound volume, galaxy and combat speed and auto-pass,
// each applied and written to "prefs.dat" the moment it changes; "OK" (or Esc) closes it.
//  - Built into a panel the caller owns (the game menu's sub-panel); the caller fills `close`.
//  - Game thread only.
#include "platform/list.h"
#include "ui/control.h"

struct OptionsState {
    List<Control> *rows = nullptr;   // the six row panels (the panel's children own them)
    ControlFn      close = nullptr;  // "OK": called with the options panel
};

void          options_panel_init(Control *panel);
OptionsState *options_panel_state(Control *panel);   // null when the panel holds no options panel
