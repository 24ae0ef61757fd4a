#pragma once
// Scene panel: a panel that shows a Scene. Its head chooses a dark fill, a pulsing border and a
// background picture ("scene/bg/%.3i.png") behind the items, and whether the panel takes the
// scene's size or fits its content; the items are built by scene_build.
//  - The panel's widget state holds one reference on the background picture, released with it.
//  - A background picture that cannot be loaded is left out without an error.
//  - Game thread only.
#include "ui/control.h"

struct Scene;

void     scene_panel_init(Control *panel, const Scene *scene);
Control *scene_panel_create(const Scene *scene);
