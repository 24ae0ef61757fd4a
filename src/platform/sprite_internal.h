#pragma once
// Helpers the sprite sources share among themselves, and the screen format graphics hands them;
// not for other modules.
#include <SDL.h>

struct Sprite;

// The attached screen's pixel format, or the game's own 4-byte format before a screen exists.
// Loader threads read it while the game thread attaches a screen: it is handed over atomically.
SDL_PixelFormat *sprite_pixel_format();
void sprite_set_screen_format(SDL_PixelFormat *format);   // gfx_screen_attach; null: none
// Wraps the sprite's pixels in an SDL surface with its colour key; false (logged) on failure.
bool sprite_make_surface(Sprite *sprite, const char *name);
