#pragma once
// Start-up loading mode (mode 1): the first mode the program enters.
//  - For now it runs one frame and then asks for the title mode; the shared assets it will load
//    on a worker thread before that arrive with their loaders.
//  - Main thread only.
struct AppMode;

void loading_mode_init(AppMode *mode);   // fills enter, leave, update and draw
