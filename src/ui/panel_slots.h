#pragma once
// A panel's command slots, set and called one way. The builder keeps a widget state record that
// derives from PanelCommandSlots (ui/panel.h) with panel_set_command_state; the code that opens the
// panel fills the slots with panel_set_slot right after the builder returns, and the panel's
// controls call them with panel_call_slot. A panel never names the screen that opens it.
//  - Both do nothing for a control without such a record or a slot outside 0..15; an empty slot
//    is not called.
//  - Game thread only.
//
// Every panel of the screens takes the same shape, its names prefixed after its file (fleet_panel.cpp:
// fleet_panel_*; a file's `_panel` may be left out: design_summary_panel.cpp: design_summary_*):
//  - Build: `<prefix>_build(Control *panel, ...)` removes the panel's children and builds it for
//    its data; building again replaces the content and the state. A row or a card a panel makes
//    is `<prefix>_row_build` or `_create`; `<prefix>_refresh` renews the rows of a panel already
//    built without building it again.
//  - State: the builder keeps one widget state record, derived from PanelCommandSlots when the
//    panel has commands, with panel_set_command_state; `<prefix>_state(Control *)` returns it, null
//    for any other control. The data shown is the panel's user data or a field of the record.
//  - Slots: `<PREFIX>_SLOT_*` constants name the slots; the panel's own controls call them with
//    panel_call_slot and never call a screen's function themselves. The opener fills them with
//    panel_set_slot right after `<prefix>_build`; a panel's own control callbacks are
//    `<prefix>_on_<action>`.
//  - Handlers: what a slot runs lives with the screen that opened the panel, named
//    `<screen>_on_<action>` (galaxy_fleet_on_halt, galaxy_tech_on_start). It reads the panel
//    through its accessors, asks the model to act, then builds the panel again or closes it.
//  - Tear-down: the record is freed with the panel or replaced by the next build (the free
//    function given to panel_set_command_state); the screen hides or removes the panel, and
//    nothing keeps a pointer into the record past that.
#include "ui/panel.h"

void panel_set_slot(Control *panel, int slot, ControlFn handler);
void panel_call_slot(Control *panel, int slot);   // the handler gets the panel
