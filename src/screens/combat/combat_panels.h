#pragma once
// The combat screen's side panels, seen from outside their files: the turn-order strip's build,
// state and cards, the location panel's build, the handlers the command bar and the strip's scroll
// bar call, and the ship tags' look. Neither panel names the screen that opens it.
//  - The strip (encounter_list.cpp) keeps an EncounterListState as its panel's widget state; its
//    opener fills ENCOUNTER_LIST_SLOT_PICK with panel_set_slot (ui/panel_slots.h).
//  - The strip reads its map only while it holds it: encounter_list_forget_map drops it before the
//    map's objects go (a load, leaving the screen).
//  - Game thread only.
#include <cstdint>

#include "game/encounter_map.h"
#include "platform/list.h"
#include "ui/panel.h"

struct ObjectMap;

// ---- The turn-order strip ----------------------------------------------------------------------
constexpr int ENCOUNTER_CARD_PICTURE_ID = 100001;
constexpr int ENCOUNTER_CARD_NAME_ID = 100002;
constexpr int ENCOUNTER_LIST_SLOT_PICK = 0;
constexpr int ENCOUNTER_LIST_MAX_WIDTH = 512;    // wider strips scroll
constexpr int ENCOUNTER_LIST_TURNS_PER_OBJECT = 3;

struct EncounterListState : PanelCommandSlots {   // the pick slot is called with the strip
    List<Control> *cards = nullptr;               // display order; the panel holds the controls
    List<TurnOrderEntry> *prediction = nullptr;   // owned, with its entries
    ObjectMap *map = nullptr;                     // not held
    uint64_t highlighted_id = 0;
    uint64_t picked_id = 0;
    int32_t turn_stamp = 0;                       // the map's change count at the last build or refresh
    int32_t content_width = 0;
};

void encounter_list_build(Control *panel, ObjectMap *map);
void encounter_list_refresh(Control *panel);
void encounter_list_highlight(Control *panel, uint64_t object_id);
void encounter_list_forget_map(Control *panel);   // the list no longer reads its map
EncounterListState *encounter_list_state(Control *panel);   // null when the panel holds no strip
Control *encounter_list_card_build(Control *panel, uint64_t object_id);   // null: no card for it
void encounter_list_card_on_click(Control *card);
void encounter_list_state_free(void *state);
// The entry index a card shows (kept on the card).
int32_t encounter_list_card_index(const Control *card);

// ---- The location side panel (combat_location.cpp) -----------------------------------------------
void combat_location_panel_build(Control *panel);

// ---- The command bar's side panels --------------------------------------------------------------
constexpr int COMBAT_SIDE_PANEL_X = 4;
constexpr int COMBAT_SIDE_PANEL_BOTTOM_GAP = 40;   // between a side panel's bottom and the screen's
constexpr int COMBAT_LIST_SCROLL_LENGTH = 160;
constexpr int COMBAT_LIST_SCROLL_STEP = 16;

void combat_encounter_list_on_pick(Control *list);

// ---- Ship tags ---------------------------------------------------------------------------------
// The armour bar's width for a ship: half the maximum up to 100, then a quarter of the rest, at
// most 90 and the ship's width, at least 10.
int32_t combat_tag_bar_width(int32_t max_armour, int32_t ship_width);
