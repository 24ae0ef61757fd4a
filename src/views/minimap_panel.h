#pragma once
// The framed minimap of the combat screen: a frame picture (image type 49) with the minimap of the
// game's combat map inside it, whose held button runs the screen's handler.
//  - The minimap reads the combat map the game holds at each update, so it never outlives the map
//    it shows.
//  - Building first removes what the panel held, so a panel can be rebuilt in place.
//  - Game thread only.
#include "platform/image_ids.h"
#include "ui/control.h"

// on_hold: every tick the primary button is held on the minimap (null: nothing).
void minimap_panel_build(Control *panel, ControlFn on_hold);
