#pragma once
// Galaxy map mode (mode 3): the screen on which a galaxy game is played day by day. Its state and
// parts are galaxy_screen.h's. Main thread only.
struct AppMode;

void galaxy_mode_init(AppMode *mode);   // fills enter, leave, update and draw
