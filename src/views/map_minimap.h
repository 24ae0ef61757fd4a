#pragma once
// The minimap of an object map: a dot per object in the map's list order, in the colour the UI
// player may see, with the map's view rectangle.
//  - Hidden objects (the template bit 0x80) get no dot; fleets the UI player does not see get none
//    unless the minimap shows everything (minimap_set_show_all).
//  - Colours: a sector's owner's colour when the UI player owns it, else the owner its record of
//    the sector names (250, 250, 250 for an owner the game no longer knows), else grey (100); with
//    everything shown, a sector's owner's colour or white. Any other object is in its owner's
//    colour, or yellow without one. A pulsing object is brightened by its pulse level.
//  - Shots and fleets are drawn as moving dots; the map's current combat actor is highlighted.
//  - The minimap reads the map at every update and does not hold it: the map must outlive it.
//  - Game thread only.
#include <cstdint>

struct Control;
struct MinimapArea;
struct ObjectMap;

Control *map_minimap_create(ObjectMap *map, int w, int h);
// The minimap's source: fills *out from the map (a const ObjectMap *) as described above.
bool     map_minimap_read(const void *map, uint32_t flags, bool with_points, MinimapArea *out);
