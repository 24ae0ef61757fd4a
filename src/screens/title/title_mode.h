#pragma once
// Title mode (mode 2): the screen that starts new games and loads saved ones.
//  - Its screen arrives with the title and menus; for now its callbacks do nothing.
//  - Main thread only.
struct AppMode;

void title_mode_init(AppMode *mode);   // fills enter, leave, update and draw
