#pragma once
// Ship stat rows: the block of up to four bars (armour, crew, movement points, action points) near
// the top of the ship details panel; each row an icon and a value bar captioned with the value and
// the maximum, with an explanatory popup on hover. After an action the bars glide to the ship's new
// values, or are set at once when the ship's maximum changed, instead of the block being rebuilt.
//  - The block is a panel whose user data is the ship (not held: the ship panel that owns the block
//    holds the ship) and whose widget state is a ShipStatRowsState.
//  - A value above its maximum shows a full bar captioned with the value alone; a crew row without
//    commander, and the MP row of an immobile hull, show an empty bar without caption.
//  - A refresh touches only the rows the block was built with.
//  - Game thread only.
#include <cstdint>
#include "ui/control.h"

struct GameObject;

// Row flags of ship_stat_rows_build.
constexpr uint32_t SHIP_STAT_ANIMATE = 0x1;
constexpr uint32_t SHIP_STAT_CREW    = 0x2;
constexpr uint32_t SHIP_STAT_ARMOR   = 0x4;
constexpr uint32_t SHIP_STAT_AP      = 0x8;
constexpr uint32_t SHIP_STAT_MP      = 0x10;

// Row panels by id, and their children.
constexpr int SHIP_STAT_ROW_AP    = 100001;
constexpr int SHIP_STAT_ROW_ARMOR = 100002;
constexpr int SHIP_STAT_ROW_CREW  = 100003;
constexpr int SHIP_STAT_ROW_MP    = 100009;
constexpr int SHIP_STAT_ICON      = 100005;
constexpr int SHIP_STAT_BAR       = 100006;
// Children of the hover popup.
constexpr int SHIP_STAT_HINT_TITLE = 100007;
constexpr int SHIP_STAT_HINT_TEXT  = 100008;

constexpr int SHIP_STAT_BAR_WIDTH = 96;

struct ShipStatRowsState {
    int32_t bar_width = SHIP_STAT_BAR_WIDTH;
    int32_t bar_height = 0;
    int32_t bars_x = 0;
};

// Builds the rows the row flags select into an existing panel (children removed, fills cleared,
// the ship as user data, a fresh state), in two columns, and sizes the panel to its content.
void ship_stat_rows_build(Control *panel, GameObject *ship, uint32_t hull_flags, uint32_t row_flags);
// The flags the ship details panel builds with: armour always; crew unless the hull is unmanned;
// AP and MP with show_ap_mp, MP only on a mobile hull; animate as asked.
uint32_t ship_stat_rows_flags(uint32_t hull_flags, bool show_ap_mp, bool animate);
// Moves the bars to the ship's current values (see the header comment).
void ship_stat_rows_refresh(Control *panel);
ShipStatRowsState *ship_stat_rows_state(Control *panel);   // null for any other control

// The hover popup of a row: its title and explanation as the screen's detail popup beside it.
void ship_stat_row_hint_show(Control *row);
void ship_stat_row_hint_hide(Control *row);
