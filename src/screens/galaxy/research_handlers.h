#pragma once
// The galaxy screen's research handlers: the Technology list's pick (the tech detail panel beside
// the list) and the detail panel's slots, which queue, pause, prioritise and resume research
// through the player's own research operations and then refresh the list.
//  - Each detail handler acts on the panel's tech for the UI player, hides the panel and calls
//    tech_list_select on the galaxy screen's technology list.
//  - Game thread only.
struct Control;

// The Technology list's pick slot: opens the tech detail panel (object panel 400035) for the
// list's chosen tech; nothing when that tech's panel is already open.
void galaxy_tech_list_on_select(Control *list);
// The tech detail panel's slots 2 (Research), 3 (Pause), 4 (Prioritize) and 5 (Resume).
void galaxy_tech_on_start(Control *panel);
void galaxy_tech_on_pause(Control *panel);
void galaxy_tech_on_prioritize(Control *panel);
void galaxy_tech_on_resume(Control *panel);
