#pragma once
// Panel layout helpers: lay a list of controls (usually captioned image buttons) into a panel as a
// row or a column, stretch it, show it with a staggered cascade, fade it out and close it.
//  - The layout flags live as the panel's widget state (one u32) until the next layout on it.
//  - Neighbours stand 4 pixels apart; the first control stands at 0, 0.
//  - The caller keeps its List; the panel takes its own reference on every control.
//  - Game thread only.
#include <cstdint>
#include "platform/list.h"
#include "ui/control.h"

constexpr uint32_t LAYOUT_ANIMATE    = 1;   // disable for 400 ms and flash (or slide with LAYOUT_SLIDE)
constexpr uint32_t LAYOUT_ROW        = 2;   // side by side; without it a column
constexpr uint32_t LAYOUT_SLIDE      = 4;   // with LAYOUT_ANIMATE: slide in from the left
constexpr uint32_t LAYOUT_TWO_COLUMN = 8;   // column in two columns: even items left, odd items right
constexpr int      LAYOUT_GAP        = 4;

void     panel_layout_controls(Control *panel, const List<Control> *controls, uint32_t flags);
Control *panel_make_with_layout(const List<Control> *controls, uint32_t flags);
uint32_t panel_layout_flags(Control *panel);     // 0 when the panel was never laid out
void     panel_spread_children(Control *panel, int length);
void     panel_row_highlight(Control *panel);
void     panel_close_child(Control *panel, int ms, bool remove);
