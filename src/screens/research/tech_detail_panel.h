#pragma once
// The tech detail panel: one technology as a player sees it: its description, what it requires,
// what it grants (a tile per grant that opens the grant's popup), its costs, progress and dates,
// and the buttons that start, prioritise, pause or resume its research.
//  - Built into a panel the opener owns; building again replaces the content and the state.
//  - The panel changes nothing itself: every button calls a command slot of its TechDetailState,
//    which the opener fills right after the build; an empty slot does nothing.
//  - The grant tiles stand in a holder child (TECH_DETAIL_ID_GRANTS) whose widget state is the
//    item panel state of the grant popups: the tech and the System records made for the system
//    grants. A system grant whose subtype cannot be applied gets no record and no tile.
//  - Game thread only.
#include <cstdint>
#include "ui/panel.h"

struct Player;
struct System;
template <typename T> struct List;

// Children by id.
constexpr int TECH_DETAIL_ID_TITLE    = 100000;
constexpr int TECH_DETAIL_ID_DESC     = 100002;
constexpr int TECH_DETAIL_ID_REQUIRES = 100003;   // the "Requires" label; the tiles follow
constexpr int TECH_DETAIL_ID_GRANTS   = 100004;   // the holder of the grant tiles
constexpr int TECH_DETAIL_ID_ROWS     = 100005;   // the value rows
constexpr int TECH_DETAIL_ID_BUTTONS  = 100006;   // the button row
constexpr int TECH_DETAIL_ID_STRIP    = 100007;
constexpr int TECH_DETAIL_REQUIRED_TAG = 100010;  // tag of a required tech's tile

enum TechDetailSlot : int {
    TECH_DETAIL_SLOT_RESEARCH   = 2,
    TECH_DETAIL_SLOT_PAUSE      = 3,
    TECH_DETAIL_SLOT_PRIORITIZE = 4,
    TECH_DETAIL_SLOT_RESUME     = 5,
};

struct TechDetailState : PanelCommandSlots {
    int32_t tech = 0;
};

// Builds the panel for tech (0..56) as the player sees it (null: no buttons).
void             tech_detail_build(Control *panel, int32_t tech, Player *player);
TechDetailState *tech_detail_state(Control *panel);     // null for any other control
int32_t          tech_detail_tech(Control *panel);      // -1 for any other control
// The System records of the panel's system grants, in grant order; null for any other control.
List<System>    *tech_detail_systems(Control *panel);
// The title bar's click: flashes the panel's frame and removes it.
void             tech_detail_on_close(Control *title);
