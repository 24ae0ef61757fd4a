#pragma once
// A panel's command slots, set and called one way. The builder keeps a widget state record that
// derives from PanelCommandSlots (ui/panel.h) with panel_set_command_state; the code that opens the
// panel fills the slots with panel_set_slot right after the builder returns, and the panel's
// controls call them with panel_call_slot. A panel never names the screen that opens it.
//  - Both do nothing for a control without such a record or a slot outside 0..15; an empty slot
//    is not called.
//  - Game thread only.
#include "ui/panel.h"

void panel_set_slot(Control *panel, int slot, ControlFn handler);
void panel_call_slot(Control *panel, int slot);   // the handler gets the panel
