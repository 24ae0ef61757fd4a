#pragma once
// The officers waiting at a starbase: the "Officer Pool" list the site panel embeds (optionally
// selectable). The starbase "Assign Officer" dialog is the officer choice (officers/officer_choice.h).
//  - It changes nothing in the game model: a pick records the row and calls a slot; the owning
//    screen's handler does the rest. An empty slot does nothing.
//  - Its state holds its own name-sorted list of the pool (no references).
//  - Rebuilt, never updated. Game thread only.
#include <cstdint>
#include "platform/list.h"
#include "ui/control.h"
#include "ui/panel.h"

struct GameObject;
struct Officer;

// Pool list flags.
constexpr uint32_t OFFICER_POOL_ANIMATE    = 0x1;
constexpr uint32_t OFFICER_POOL_SELECTABLE = 0x2;

// Children of the pool list.
constexpr int OFFICER_POOL_ID_ROWS   = 100001;
constexpr int OFFICER_POOL_ID_SCROLL = 100002;
constexpr int OFFICER_POOL_ID_TITLE  = 100003;

constexpr int OFFICER_POOL_SLOT_PICK = 2;
constexpr int OFFICER_POOL_WHEEL_STEP = 24;
constexpr int OFFICER_POOL_ARROW_STEP = 96;

struct OfficerPoolState : PanelCommandSlots {
    List<Officer> *officers = nullptr;   // the pool sorted by name; owned list, officers not held
    int32_t content_height = 0;          // all rows before clipping
    int32_t visible_height = 0;          // the rows' panel after clipping
    int32_t picked = -1;                 // row index of the last click
};

// A new panel (20 x 10, value -1) holding the site's pool list.
Control *officer_pool_create(GameObject *site, int32_t min_width, int32_t max_height, uint32_t flags);
void     officer_pool_build(Control *panel, GameObject *site, int32_t min_width, int32_t max_height,
                                 uint32_t flags);
OfficerPoolState *officer_pool_state(Control *panel);   // null for any other control
// The officer of the row last clicked; null while picked is outside the list.
Officer *officer_pool_get_picked(Control *panel);

// Row click (selectable rows); the wheel and the bar are the scrolling list's (ui/scroll_list.h).
void officer_pool_on_row(Control *row);
