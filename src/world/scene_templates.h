#pragma once
// What scenes read of the object templates: the site and ship factories' pictures, a ship
// template's frame for a heading and a site template's halo. Installed into the scene module at
// start-up (scene_set_template_hooks); the factories are set up on first use.
//  - Pictures are the templates' frame sprites: a template whose frames are not loaded gives none.
//  - Game thread only.
struct SceneTemplateHooks;

SceneTemplateHooks scene_template_hooks();
