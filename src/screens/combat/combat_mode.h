#pragma once
// Combat encounter mode (mode 0).
//  - The combat screen's state and operations are in combat_screen.h.
//  - Main thread only.
struct AppMode;
struct Control;

void combat_mode_init(AppMode *mode);        // fills enter, leave, update and draw
// The combat minimap's click handler: a press on the minimap moves the combat view to the pointed
// map position, and the stars jump with it.
void combat_minimap_on_click(Control *minimap);
