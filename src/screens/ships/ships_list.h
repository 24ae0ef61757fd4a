#pragma once
// Ships list and ship rows: the "Ships" side list of the galaxy screen (the player's ships in
// service, one clickable row each) and the reusable ship row that other panels embed with other
// row flags (the Assign Officer dialog, the commanding officer panel).
//  - The list panel's widget state is a ShipsListState (command slot 0 first): it holds one
//    reference on every listed ship, released when the list is freed.
//  - A row panel's widget state is a ShipRowState; the row holds no reference on its ship (its
//    owner does); a list row's index is its panel value. Row children go by the SHIP_ROW_ID_* ids.
//  - ship_rows_align_columns lines up the columns of a set of rows; ship_row_refresh updates one
//    row after its ship changed (armour, commander, crew).
//  - Game thread only.
#include <cstdint>
#include "platform/list.h"
#include "ui/control.h"
#include "ui/panel.h"

struct GameObject;

// Row flags.
constexpr uint32_t SHIP_ROW_ANIMATE   = 0x1;    // commander box flags 5 instead of 4
constexpr uint32_t SHIP_ROW_CLICKABLE = 0x2;
constexpr uint32_t SHIP_ROW_LOCATION  = 0x4;    // location line beside the picture
constexpr uint32_t SHIP_ROW_COMMANDER = 0x8;    // commander box
constexpr uint32_t SHIP_ROW_RANK_ICON = 0x10;   // rank icon
constexpr uint32_t SHIP_ROW_TINTED    = 0x20;   // blue-tinted background

// Row children.
constexpr int SHIP_ROW_ID_PICTURE     = 100001;
constexpr int SHIP_ROW_ID_RANK        = 100002;
constexpr int SHIP_ROW_ID_NAME        = 100003;
constexpr int SHIP_ROW_ID_LOCATION    = 100004;
constexpr int SHIP_ROW_ID_ARMOUR_ICON = 100005;
constexpr int SHIP_ROW_ID_ARMOUR_BAR  = 100006;
constexpr int SHIP_ROW_ID_CREW_ICON   = 100007;
constexpr int SHIP_ROW_ID_CREW_BAR    = 100008;
constexpr int SHIP_ROW_ID_COMMANDER   = 100009;

// List children.
constexpr int SHIPS_LIST_ID_TITLE   = 100009;
constexpr int SHIPS_LIST_ID_SCROLL  = 100010;
constexpr int SHIPS_LIST_ID_CONTENT = 100011;
constexpr int SHIPS_LIST_ID_EMPTY   = 100012;

constexpr int SHIPS_LIST_MAX_HEIGHT = 530;   // a taller list scrolls
constexpr int SHIPS_LIST_SCROLL_STEP = 96;
constexpr int SHIPS_LIST_SLOT_SELECT = 0;

struct ShipsListState : PanelCommandSlots {   // slot 0: a row was clicked
    List<Control>    rows;                     // the row panels, in ship order
    List<GameObject> ships;                    // one reference each
    int32_t          selected = -1;            // index of the clicked row
    int32_t          content_height = 0;       // of the rows' content panel
};

struct ShipRowState {
    GameObject *ship = nullptr;     // not held
    ControlFn   on_click = nullptr; // called with the row when a clickable row is clicked
    uint32_t    flags = 0;
    int32_t     min_height = 43;    // 52 with a commander box
};

// Builds the list into the panel: title, one row per ship (in order), "No ships in service" when
// there are none, a scroll bar when the panel would pass 530 pixels.
void             ships_list_build(Control *panel, List<GameObject> *ships);
ShipsListState  *ships_list_state(Control *panel);          // null for any other control
GameObject      *ships_list_get_selected(Control *panel);   // null out of range
void             ships_list_refresh_rows(Control *panel);

// One ship row built into an existing panel, or a new panel (20 x 10 at first).
void          ship_row_init(Control *row, GameObject *ship, uint32_t flags);
Control      *ship_row_create(GameObject *ship, uint32_t flags);
ShipRowState *ship_row_state(Control *row);                 // null for any other control
void          ship_row_set_click_handler(Control *row, ControlFn handler);
void          ship_rows_align_columns(List<Control> *rows);
void          ship_row_refresh(Control *row);
