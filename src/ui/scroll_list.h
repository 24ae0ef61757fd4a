#pragma once
// Scrolling list: a viewport panel whose content runs past it along one axis, paged by a scroll bar
// beside it, by the bar's arrows and by the wheel over the viewport, its rows or the bar.
//  - The state is the viewport's (Panel::scroll_list) and goes with it; scroll_list_init makes or
//    resets it. The bar is optional: while the content fits there is none and nothing scrolls.
//  - The bar's slots are the list's own: its far arrow moves the content arrow_step forward, its near
//    arrow arrow_step back, a wheel notch over it wheel_step, a moved thumb brings the content to the
//    thumb. The viewport's scroll offset is always scroll_bar_content_offset of the bar's position;
//    a moving list instead places the viewport itself at minus that offset under its owner's clip
//    (it rests at its owner's origin).
//  - The viewport, a row or any control inside the viewport that is given scroll_list_on_wheel as its
//    wheel callback scrolls the list; a row given scroll_list_on_row_click calls the pick slot.
//  - The state holds one reference to its bar; the bar points back at the viewport through its user
//    data (not counted), cleared when the state goes.
//  - Game thread only.
#include <cstdint>
#include "ui/control.h"

struct ScrollList {
    Control  *viewport = nullptr;    // the panel that carries this state (not counted)
    Control  *bar = nullptr;         // one reference; null while the content fits
    int32_t   content = 0;           // the content's extent along the axis
    int32_t   shown = 0;             // the extent shown of it; 0: the viewport's own
    int32_t   arrow_step = 0;        // per arrow click
    int32_t   wheel_step = 0;        // per wheel notch
    int32_t   horizontal = 0;        // 1: the content scrolls along x
    int32_t   moving = 0;            // 1: the viewport moves under its owner instead of scrolling
    ControlFn on_pick = nullptr;     // a row was clicked; called with the row
    ControlFn on_scroll = nullptr;   // before each wheel turn, arrow click or thumb move the list
                                     // hears, bar or not; called with the viewport
};

// Makes the viewport a scrolling list (a reset keeps nothing, and lets go of the bar). Null when the
// viewport is not a panel.
ScrollList *scroll_list_init(Control *viewport, int arrow_step, int wheel_step);
// The list of a viewport, of a control inside one (its nearest), or of a list's bar; else null.
ScrollList *scroll_list_of(Control *ctrl);
void        scroll_list_free(ScrollList *list);   // the viewport's free calls it

// The content's extent along the axis and, for a list whose viewport may later grow past the part
// it shows, that part's fixed extent (0: the viewport's extent of the moment).
void scroll_list_set_content(Control *viewport, int content, int shown = 0);
void scroll_list_set_pick_slot(Control *viewport, ControlFn on_pick);
void scroll_list_set_scroll_slot(Control *viewport, ControlFn on_scroll);
void scroll_list_set_moving(Control *viewport);
// A new bar of `length` (scroll_bar_init options) at x, y in parent with id, driving the list;
// an older bar of the list is removed. Returns the bar, null when it could not be made.
Control *scroll_list_add_bar(Control *viewport, Control *parent, int x, int y, int id, int length, int options);
// Makes an existing scroll bar the list's (its four slots become the list's).
void     scroll_list_attach_bar(Control *viewport, Control *bar);
// Removes the list's bar; the content goes back to its start.
void     scroll_list_remove_bar(Control *viewport);
Control *scroll_list_bar(Control *viewport);   // null when there is none or it was removed

// Moves the bar by step (clamped at both ends) and the content with it; nothing without a bar.
void scroll_list_move_by(Control *ctrl, int step);
// Brings the content to the bar's position (to its start without a bar).
void scroll_list_follow(Control *ctrl);

// Callbacks for the list's rows (each gets the control it was set on).
void scroll_list_on_wheel(Control *ctrl);      // wheel_step per notch
void scroll_list_on_row_click(Control *row);   // the pick slot, with the row
