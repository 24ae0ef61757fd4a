#pragma once
// Where the compatibility layer installs SDL 1.2 over SDL 2: the roads run on both SDL 1.2s put it
// on the library path for their second variant, and skip that variant without it.
#include <string>

inline const std::string COMPAT_LIBRARY_DIR = "/usr/lib/x86_64-linux-gnu/sdl12-compat";
