#pragma once
// The galaxy screen's ship commands: the ship panel (400027) built for the UI player and the
// handlers behind its command slots (repair or reload, scrap, deploy a constructor, the crew
// transfer's aftermath, the commander row), and the refresh of every view that shows ships.
//  - The handlers pay, change the ship and the objects around it through the model's own
//    operations, then rebuild the panels that show them.
//  - A handler holds its own reference on the ship for its whole run: a step that lets the ship go
//    (its sector's list) never leaves the later steps a freed ship.
//  - Game thread only.
struct Control;

// Slot 5: pays the repair and restores the ship; nothing when the owner cannot pay.
void galaxy_ship_on_repair(Control *panel);
// Slot 2: credits the scrap value, hands crew and commander to an own starbase, removes the ship.
void galaxy_ship_on_scrap(Control *panel);
// Slot 1: the constructor becomes a starbase under construction.
void galaxy_ship_on_construct(Control *panel);
// Slot 6: the sector's crew-short marks follow the starbase's new crew.
void galaxy_ship_on_crew_transferred(Control *panel);
// Slot 4: the commander's officer panel, or the Assign Officer dialog for a ship without one.
void galaxy_ship_on_officer_row(Control *panel);
// The fleet, sector and ship panels when open, and the rows of the Ships list when shown.
void galaxy_refresh_ship_views();
