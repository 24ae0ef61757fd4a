#pragma once
// Combat encounter mode (mode 0) and end-of-game mode (mode 4).
//  - The combat screen's state and operations are in combat_screen.h; the end-of-game screen's
//    callbacks do nothing yet.
//  - Main thread only.
struct AppMode;
struct Control;

void combat_mode_init(AppMode *mode);        // fills enter, leave, update and draw
void end_of_game_mode_init(AppMode *mode);   // fills enter, leave, update and draw
// The combat minimap's click handler: a press on the minimap moves the combat view to the pointed
// map position, and the stars jump with it.
void combat_minimap_on_click(Control *minimap);
