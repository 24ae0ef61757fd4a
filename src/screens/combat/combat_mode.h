#pragma once
// Combat encounter mode (mode 0) and end-of-game mode (mode 4).
//  - Their screens arrive with the combat screen; for now their callbacks do nothing.
//  - Main thread only.
struct AppMode;
struct Control;

void combat_mode_init(AppMode *mode);        // fills enter, leave, update and draw
void end_of_game_mode_init(AppMode *mode);   // fills enter, leave, update and draw
// The framed minimap's hold handler, which the combat screen gives minimap_panel_build: moves the
// combat view to the pointed map position (the view arrives with the combat screen; until then it
// does nothing).
void combat_minimap_on_click(Control *minimap);
