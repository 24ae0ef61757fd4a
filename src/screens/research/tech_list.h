#pragma once
// The Technology list: the research screen's side list of the player's technologies, one row each
// in three groups (open to research, queued, researched), each group sorted by name.
//  - Built into the galaxy screen's technology side panel; building again replaces everything.
//    The list's widget state is a TechListState (command slots first): the opener puts its pick
//    handler into slot TECH_LIST_SLOT_SELECT; a row click stores the row's tech and calls it.
//  - tech_list_select brings the rows of one tech and of every actively researched tech up to
//    date after a research action; the rows keep their places until the list is rebuilt.
//  - Rows taller than TECH_LIST_VIEW_HEIGHT together scroll in a viewport with a scroll bar.
//  - Game thread only.
#include <cstdint>
#include "platform/list.h"
#include "ui/panel.h"

struct Player;

// Children of the list.
constexpr int TECH_LIST_ID_TITLE    = 100001;
constexpr int TECH_LIST_ID_SCROLL   = 100005;
constexpr int TECH_LIST_ID_VIEWPORT = 100006;
// Children of a row (a row's tag is its tech).
constexpr int TECH_ROW_ID_NAME          = 100001;
constexpr int TECH_ROW_ID_ICON          = 100002;
constexpr int TECH_ROW_ID_RESEARCH_ICON = 100003;   // or the queued marker
constexpr int TECH_ROW_ID_RESEARCH_COST = 100004;
constexpr int TECH_ROW_ID_DONE          = 100007;
constexpr int TECH_ROW_ID_PROGRESS      = 100008;
constexpr int TECH_ROW_ID_CREDITS_ICON  = 100009;
constexpr int TECH_ROW_ID_CREDITS_COST  = 100010;
constexpr int TECH_ROW_ID_DAYS_ICON     = 100011;   // or the state marker
constexpr int TECH_ROW_ID_DAYS          = 100012;

constexpr int TECH_LIST_VIEW_HEIGHT = 360;   // taller rows scroll
constexpr int TECH_LIST_SCROLL_STEP = 96;
constexpr int TECH_LIST_WHEEL_STEP  = 24;
constexpr int TECH_LIST_SLOT_SELECT = 0;

struct TechListState : PanelCommandSlots {   // slot 0: a row was clicked
    Player       *player = nullptr;           // not held
    List<Control> rows;                       // the row panels, in display order
    int32_t       chosen = -1;                // the tech of the row clicked last
    int32_t       content_height = 0;         // of all the rows together
};

void           tech_list_build(Control *panel, Player *player);
TechListState *tech_list_state(Control *panel);   // null for any other control
// After a research action on tech: its row and every actively researched row show their state
// now; the chosen tech goes back to none.
void           tech_list_select(Control *panel, int32_t tech);
// One row of the list for the player's tech (its state of the moment); a new panel.
Control       *tech_list_row_build(Control *list, Player *player, int32_t tech);

// The list's pick slot: a row was clicked (its wheel and the bar are the scrolling list's,
// ui/scroll_list.h).
void tech_list_row_on_click(Control *row);
