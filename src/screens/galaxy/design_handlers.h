#pragma once
// The galaxy screen's design handlers: from a shipyard's design chooser to the "Ship Design"
// summary (400032) or the "Configure" panel (400033), and the summary's and the Configure panel's
// command slots: build or resume, scrap, edit, accept a new or an edited design, configured.
//  - Every handler needs the screen's selected site (build and scrap: one the UI player owns);
//    otherwise it does nothing.
//  - The handlers change the model through the players' and sites' own operations, then reopen
//    or refresh the panels that show what changed.
//  - Game thread only.
#include <cstdint>
#include <string>

struct Control;
struct GameObject;

// Site panel slot 5: the summary of the picked design, or "Configure" for a new design when the
// pick is "(New Design)" (null design). row is the picked row (null: the site panel's place).
void galaxy_site_on_pick_design(Control *site_panel);
// The same with the design and the row given: what the slot does after reading the pick.
void galaxy_design_open(GameObject *design, Control *row);
// The summary's slots 1 ("Build" / "Resume"), 0 (scrap confirmed) and 2 ("Edit").
void galaxy_design_on_build(Control *summary);
void galaxy_design_on_scrap(Control *summary);
void galaxy_design_on_edit(Control *summary);
// The Configure panel's slot 5, for a new and for an edited design, and slot 6.
void galaxy_design_on_new_accepted(Control *configure);
void galaxy_design_on_edit_accepted(Control *configure);
void galaxy_design_on_configured(Control *configure);
// The name of the UI player's next design: "Mark-%i" with its design counter.
std::string galaxy_new_design_name();
