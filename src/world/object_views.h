#pragma once
// What the toolkit sees of world objects and object maps: the functions the application installs
// in the effects', the controls' and the minimap's hook tables. Each reads the real records.
//  - Same threads as the objects and maps they read.
#include <cstdint>

struct GameObject;
struct ObjectMap;
struct EffectObjectView;
struct MinimapMapView;

// The parts of an object an effect reads (kind-specific fields from the ship's and site's records).
void object_effect_view(const GameObject *obj, EffectObjectView *out);
// Position, size and flags of an object, for a control attached to it.
void object_control_rect(const GameObject *obj, int *x, int *y, int *w, int *h, uint32_t *flags);
// A map's view origin and world size, for controls anchored to it.
void map_control_view(const ObjectMap *map, int *view_x, int *view_y, int *world_w, int *world_h);
// A map as the minimap shows it: sizes, view rectangle and (when asked) each object in list order.
bool map_minimap_view(const ObjectMap *map, bool with_objects, MinimapMapView *out);
