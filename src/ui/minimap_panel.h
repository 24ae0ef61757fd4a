#pragma once
// The framed minimap of the combat screen: a frame picture (image type 49) with the minimap of the
// combat map inside it, whose held button moves the combat view.
//  - The combat map and the hold handler come through MinimapPanelHooks (the application fills
//    them with the game's combat map and the combat screen's handler).
//  - Building first removes what the panel held, so a panel can be rebuilt in place.
//  - Game thread only.
#include "ui/control.h"

struct ObjectMap;

constexpr int IMAGE_MINIMAP_FRAME = 49;

struct MinimapPanelHooks {
    ObjectMap *(*combat_map)() = nullptr;   // the game's third object map
    ControlFn  on_hold = nullptr;           // every tick the primary button is held on the minimap
};
void                     minimap_panel_set_hooks(const MinimapPanelHooks &hooks);
const MinimapPanelHooks &minimap_panel_hooks();

void minimap_panel_build(Control *panel);
