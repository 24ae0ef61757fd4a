#pragma once
// What the toolkit's scenes and transfer slider read of objects: the site and ship factories'
// template pictures, a ship template's frame for a heading, a site template's halo (the scene
// hooks' template slots) and the picture of a holder (the transfer slider's hook).
//  - The factories are set up on first use; a template index outside the factory, an empty slot
//    or a failed set-up gives nothing.
//  - Pictures are the templates' frame sprites (borrowed): a frame whose load group is not held
//    gives none.
//  - Game thread only.
struct GameObject;
struct Sprite;

Sprite *template_scene_picture(int factory, int tmpl, int frame);   // factory 0 sites, 1 ships
int     template_ship_heading_frame(int tmpl, int degrees);         // negative: no such template
int     template_site_halo_style(int tmpl);                         // negative: no halo
// A ship's current frame, a site's picture; null for other kinds or when it is not loaded.
Sprite *object_transfer_picture(GameObject *object);
