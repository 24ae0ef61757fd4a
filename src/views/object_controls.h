#pragma once
// Controls over game objects and object maps: a control attached to an object follows it on its
// map until the object dies or leaves the map; a control anchored to a map stands in the map's
// coordinates and scrolls with its view.
//  - An attached control holds one reference on its object and lets go of it when it detaches
//    (at the first update after the object is dead or gone, at a new attachment, or when the
//    control is destroyed).
//  - An anchored control does not hold its map: the map must outlive the anchoring.
//  - Game thread only, like every control.
struct Control;
struct GameObject;
struct ObjectMap;

// Options as control_attach: 1 keeps the control's own y, 2 centres it over the object. A null
// object detaches the control.
void object_control_attach(Control *ctrl, GameObject *object, int dx, int dy, int options);
// Anchors the control to the map's view (on = false lets go; a null map changes nothing).
void map_control_anchor(Control *ctrl, bool on, ObjectMap *map);
