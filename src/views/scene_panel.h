#pragma once
// Scene panel: a panel that shows a Scene (ui/scene.h). Its head chooses a dark fill, a pulsing
// border and a background picture ("scene/bg/%.3i.png") behind the items, and whether the panel
// takes the scene's size or fits its content; scene_build turns the items into controls and
// effects inside it.
//  - The panel's widget state holds one reference on the background picture, released with it.
//  - A background picture that cannot be loaded is left out without an error.
//  - scene_build keeps no pointer to the Scene; the controls copy what they need. Template
//    pictures come from the site (0) and ship (1) factories' templates, halos, explosions, pulses
//    and portals from the effects; a missing template skips its item silently.
//  - A link opens through the shell only for "http://" and "https://" addresses (they come from
//    saved data); anything else is logged and ignored.
//  - Game thread only.
#include "platform/result.h"
#include "ui/control.h"

struct Scene;

void     scene_panel_init(Control *panel, const Scene *scene);
Control *scene_panel_create(const Scene *scene);

// Builds every item into the panel; neither clears nor sizes it.
void scene_build(const Scene *scene, Control *panel);

// The text box's timer: brings the next line into view.
void scene_ticker_step(Control *panel);
// The blinking frame's timer: toggles its border every 150 ms.
void scene_frame_blink(Control *panel);

// The link dialog: a question whether to open the link label's address.
void link_dialog_open(Control *label);
void link_dialog_confirm(Control *button);
void link_dialog_cancel(Control *button);
// Tests: what opens an accepted address (null restores shell_open).
void scene_set_link_opener(Result (*open)(const char *address));
