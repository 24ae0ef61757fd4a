#pragma once
// Helpers the sprite sources share among themselves; not for other modules.
#include <SDL.h>

struct Sprite;

// The screen's pixel format, or the game's own 4-byte format before a screen exists.
SDL_PixelFormat *sprite_pixel_format();
// Wraps the sprite's pixels in an SDL surface with its colour key; false (logged) on failure.
bool sprite_make_surface(Sprite *sprite, const char *name);
