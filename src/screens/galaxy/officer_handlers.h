#pragma once
// The galaxy screen's officer handlers: the one operation that moves an officer between posts
// (ship command, starbase command, starbase pool), and the command slots of the officer panel,
// the commanding officer panel and the starship "Assign Officer" dialog.
//  - galaxy_assign_officer keeps every officer in exactly one place: before it joins a post or a
//    pool it leaves the one it held, a pool never lists an officer twice, and a pilot leaving its
//    ship takes the ship's crew along (to the ship it takes over or into the starbase).
//  - The handlers change the model only through the ships', sites' and officers' own operations,
//    then rebuild the panels that show what changed.
//  - Game thread only.
#include <cstdint>

struct Control;
struct GameObject;
struct Officer;

// Moves the officer to a ship (its command) or a starbase (its command when as_commander is
// non-zero, else its pool). An officer found neither on a ship nor at a starbase, or a target that
// is neither, changes nothing.
void galaxy_assign_officer(Officer *officer, GameObject *target, int32_t as_commander);

// The starbase dialog's slots 3 (pick: the starbase's command) and 4 (back to its commander).
void galaxy_assign_base_officer_on_pick(Control *dialog);
void galaxy_assign_base_officer_on_back(Control *dialog);
// The starship dialog's slots 3 (pick) and 4 (back).
void galaxy_assign_ship_officer_on_pick(Control *dialog);
void galaxy_assign_ship_officer_on_back(Control *dialog);
// The officer panel's slots 2 (Train / Resume), 3 (Reassign) and 4 (Replace).
void galaxy_officer_on_train(Control *panel);
void galaxy_officer_on_reassign(Control *panel);
void galaxy_officer_on_replace(Control *panel);
// The commanding officer panel's slots 4 (pick) and 5 (back).
void galaxy_reassign_on_pick(Control *panel);
void galaxy_reassign_on_back(Control *panel);
// Fills the officer panel's slots 2, 3 and 4 with the handlers above.
void galaxy_officer_panel_set_handlers(Control *panel);
