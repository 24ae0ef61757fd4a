#pragma once
// Galaxy map mode (mode 3): the screen on which a galaxy game is played day by day.
//  - Its screen arrives with the galaxy map; for now its callbacks do nothing.
//  - Main thread only.
struct AppMode;

void galaxy_mode_init(AppMode *mode);   // fills enter, leave, update and draw
