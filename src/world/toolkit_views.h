#pragma once
// What scenes read of object templates: the site and ship factories' template pictures, a ship
// template's frame for a heading and a site template's halo (views/scene_build.cpp).
//  - The factories are set up on first use; a template index outside the factory, an empty slot
//    or a failed set-up gives nothing.
//  - Pictures are the templates' frame sprites (borrowed): a frame whose load group is not held
//    gives none.
//  - Game thread only.
struct Sprite;

Sprite *template_scene_picture(int factory, int tmpl, int frame);   // factory 0 sites, 1 ships
int     template_ship_heading_frame(int tmpl, int degrees);         // negative: no such template
int     template_site_halo_style(int tmpl);                         // negative: no halo
