#pragma once
// Galaxy services: the panels and map decorations the galaxy screen opens whose screens live on
// their own. The screen calls only these entries.
//  - Entries with their files: the sector panel (sector_orders.cpp; the panel itself is in
//    sector_panel.cpp and sector_move.cpp), the fleet panel (fleet_orders.cpp), the map markers and
//    the hover information (markers.cpp), the destination prompt (course_prompt.cpp), the next-item
//    cycle (encounter_entry.cpp), the sector minimap (sector_minimap.cpp), the news panel and its
//    item panel (screens/news/), the ships list (screens/ships/ships_list.cpp), the ship panel
//    (ship_commands.cpp; the panel itself is in screens/ships/), the officer detail panel
//    (screens/officers/officer_detail_panel.cpp), the technology list (screens/research/tech_list.h,
//    its handlers in research_handlers.cpp), the facility details (screens/sites/
//    facility_detail_rows.cpp), the officers list (screens/officers/officers_list.h), the
//    corporation summary (screens/corporation/corporation_summary.h) and the site panel
//    (site_production.cpp; the panel itself is in screens/sites/site_panel.cpp).
//  - Game thread only.
#include <cstdint>

struct Alert;
struct Control;
struct GameObject;
struct Officer;
struct Player;
template <typename T> struct List;

// Object panels: each fills the panel the object-panel stack opened.
void starmap_show_sector_panel(Control *panel, GameObject *sector, int32_t options);
void starmap_show_fleet_panel(Control *panel, GameObject *fleet, int32_t options);
void starmap_show_site_panel(Control *panel, GameObject *site, int32_t options);
void starmap_show_ship_panel(Control *panel, GameObject *ship, Player *player);
void officer_detail_panel_init(Control *panel, Officer *officer, int32_t options);

// Side lists: each builds its list into the side panel.
void ships_list_build(Control *panel, List<GameObject> *ships);
void news_panel_build(Control *panel, List<Alert> *alerts);
// What was picked in a side list: the item at the list's selected index, null when the index is
// out of range; the news panel's row last clicked.
GameObject *ships_list_get_selected(Control *panel);
Alert      *news_panel_clicked_alert(Control *panel);
void news_panel_turn_refresh(Control *panel, Alert *alert);   // adds one alert's row
void news_panel_toggle(Control *panel);                       // rebuilds the shown news panel
void news_panel_close(Control *panel);
void news_item_panel_build(Control *panel, Alert *alert);

// A site's read-only detail rows (flags 0x1: with its production) fill the panel.
void facility_detail_rows(Control *panel, GameObject *site, int32_t flags);

// Map markers of the current view (tag 40001 and the screen's marker maps) and the hover panel.
void galaxy_markers_refresh();
void galaxy_markers_clear();
// The hovered object changes: the screen's reference moves to it (none: null) and the hover panel
// shows what it is.
void galaxy_hover_set(GameObject *object);

// The destination prompt: mode 0 picks a course destination, 1 a harvest target; any other mode
// takes it down. The title and text are shown alternately (text may be null).
void starmap_prompt_show(int32_t mode, const char *title = nullptr, const char *text = nullptr);
void starmap_prompt_alternate(int32_t dt);
// Tab: the next point of interest.
void starmap_cycle_next();
// The sector view's minimap (400017) marked at the sector's position (null: unmarked), placed 6
// pixels from the right edge at y 40.
void galaxy_sector_minimap_create(GameObject *sector);
