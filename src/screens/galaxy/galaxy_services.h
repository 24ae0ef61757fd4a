#pragma once
// Galaxy services: how the galaxy screen opens its object panels and draws its map decorations.
//  - Entries with their files: the sector panel (sector_orders.cpp; the panel itself is in
//    sector_panel.cpp and sector_move.cpp), the fleet panel (fleet_orders.cpp), the site panel
//    (site_production.cpp), the ship panel (ship_commands.cpp), the map markers and the hover
//    information (markers.cpp), the destination prompt (course_prompt.cpp), the next-item cycle
//    (encounter_entry.cpp) and the sector minimap (sector_minimap.cpp). The panels themselves live
//    in the panel folders (screens/sites, screens/ships, ...) and are reached by their own headers.
//  - Game thread only.
#include <cstdint>

struct Control;
struct GameObject;
struct Player;

// Object panels: each fills the panel the object-panel stack opened.
void galaxy_show_sector_panel(Control *panel, GameObject *sector, int32_t options);
void galaxy_show_fleet_panel(Control *panel, GameObject *fleet, int32_t options);
void galaxy_show_site_panel(Control *panel, GameObject *site, int32_t options);
void galaxy_show_ship_panel(Control *panel, GameObject *ship, Player *player);

// Map markers of the current view (tag 40001 and the screen's marker maps) and the hover panel.
void galaxy_markers_refresh();
void galaxy_markers_clear();
// The hovered object changes: the screen's reference moves to it (none: null) and the hover panel
// shows what it is.
void galaxy_hover_set(GameObject *object);

// The destination prompt: mode 0 picks a course destination, 1 a harvest target; any other mode
// takes it down. The title and text are shown alternately (text may be null).
void galaxy_prompt_show(int32_t mode, const char *title = nullptr, const char *text = nullptr);
void galaxy_prompt_alternate(int32_t dt);
// Tab: the next point of interest.
void galaxy_cycle_next();
// The sector view's minimap (400017) marked at the sector's position (null: unmarked), placed 6
// pixels from the right edge at y 40.
void galaxy_sector_minimap_create(GameObject *sector);
