#pragma once
// What the effects see of world objects: the function the application installs in the effects'
// hook table. It reads the real records.
//  - Same threads as the objects it reads.
struct GameObject;
struct EffectObjectView;

// The parts of an object an effect reads (kind-specific fields from the ship's and site's records).
void object_effect_view(const GameObject *obj, EffectObjectView *out);
