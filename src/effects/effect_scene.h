#pragma once
// The effects a scene adds to its panel (the scene hooks' effect slots): a site's halo, the
// explosions of a destroyed site, the green pulse around a picture and the portal a ship comes
// through. Each is appended to the panel's effect list; one that cannot be created is left out.
//  - Game thread only.
struct Control;

void effect_scene_halo(Control *panel, int style, int cx, int cy);
void effect_scene_explosion(Control *panel, bool large, int cx, int cy, int delay);
void effect_scene_pulse(Control *panel, int cx, int cy, int direction);
int  effect_scene_portal(Control *panel, int x, int y, int delay, int hold);   // its picture's height
