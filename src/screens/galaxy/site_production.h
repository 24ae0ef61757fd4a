#pragma once
// The galaxy screen's site handlers: the command slots of the site panel, the facility build panel
// and the defense upgrade panel. They rush, halt and start production, lay down facilities and
// defence upgrades, switch harvesters on and off, and open the panels a pick leads to.
//  - Every handler acts on the screen's selected object and does nothing unless it is a site.
//  - A handler that pays re-checks the owner's credits first and does nothing when they fall short.
//  - The model changes only through the sites' and players' own operations; most handlers end by
//    reopening the site panel, so its rules see the new state.
//  - Game thread only.
#include <cstdint>

struct Control;
struct GameObject;
struct Site;

// The selected map object when it is a site.
Site *galaxy_selected_site();

// galaxy_show_site_panel (galaxy_services.h) builds the panel and fills its slots with these.
void galaxy_site_on_pick_facility(Control *panel);     // slot 0
void galaxy_site_on_rush_starbase(Control *panel);     // slot 1
void galaxy_site_on_halt_starbase(Control *control);   // slot 2
void galaxy_site_on_pick_officer(Control *panel);      // slot 3
void galaxy_site_on_commander_click(Control *panel);   // slot 4
// slot 5 is galaxy_site_on_pick_design (design_handlers.h)
void galaxy_site_on_rush_shipyard(Control *panel);     // slot 6
void galaxy_site_on_halt_shipyard(Control *control);   // slot 7
// slot 8 is galaxy_select_target (galaxy_screen.h)
void galaxy_site_on_deactivate(Control *panel);        // slot 9
void galaxy_site_on_activate(Control *panel);          // slot 10
void galaxy_site_on_pick_recruit(Control *panel);      // slot 11
void galaxy_site_on_rush_training(Control *panel);     // slot 12
void galaxy_site_on_halt_training(Control *control);   // slot 13
void galaxy_site_on_pick_ship(Control *panel);         // slot 14
// Fills slots 0..14 of a built site panel.
void galaxy_site_panel_set_handlers(Control *panel);

// The facility build panel's "Build" (slot 0) and the defense upgrade panel's "Build".
void galaxy_facility_on_build(Control *panel);
void galaxy_site_on_build_defense(Control *panel);

// Reopens the site panel for the site (options 5), placed beside it with the margin; grown from an
// eighth of its size over 200 ms, or, with `from`, moved and resized from that control's rectangle
// over ms.
Control *galaxy_site_panel_reopen(Site *site, int32_t margin, Control *from, int32_t ms);
