// Scrolling list: the viewport's state, its bar's slots and the wheel and pick of its rows.
#include "ui/scroll_list.h"

#include <new>

#include "platform/input.h"
#include "ui/panel.h"
#include "ui/scroll.h"

namespace {

Control *live_bar(Control *bar) { return bar && !(bar->flags & CTRL_REMOVED) ? bar : nullptr; }

void let_go_of_bar(ScrollList *list) {
    Control *bar = list->bar;
    list->bar = nullptr;
    if (!bar) return;
    if (bar->user_data == list->viewport) bar->user_data = nullptr;
    control_release(bar);
}

// The list of a control that heard the player scroll, after its scroll slot ran.
const ScrollList *heard(Control *ctrl) {
    const ScrollList *list = scroll_list_of(ctrl);
    if (list && list->on_scroll) list->on_scroll(list->viewport);
    return scroll_list_of(ctrl);   // the slot may have changed the list
}

void on_list_far_arrow(Control *bar) {
    if (const ScrollList *list = heard(bar)) scroll_list_move_by(bar, list->arrow_step);
}

void on_list_near_arrow(Control *bar) {
    if (const ScrollList *list = heard(bar)) scroll_list_move_by(bar, -list->arrow_step);
}

// The bar hears both a moved thumb and a wheel turned over any of its parts here.
void on_bar_change(Control *bar) {
    if (input_wheel() != 0) scroll_list_on_wheel(bar);
    else if (heard(bar)) scroll_list_follow(bar);
}

}  // namespace

ScrollList *scroll_list_init(Control *viewport, int arrow_step, int wheel_step) {
    Panel *p = panel_of(viewport);
    if (!p) return nullptr;
    if (p->scroll_list) let_go_of_bar(p->scroll_list);
    else p->scroll_list = new (std::nothrow) ScrollList;
    ScrollList *list = p->scroll_list;
    if (!list) return nullptr;
    *list = ScrollList{};
    list->viewport = viewport;
    list->arrow_step = arrow_step;
    list->wheel_step = wheel_step;
    return list;
}

ScrollList *scroll_list_of(Control *ctrl) {
    if (scroll_bar_state(ctrl)) {   // a bar finds its list through its user data
        Panel *p = panel_of(static_cast<Control *>(ctrl->user_data));
        return p && p->scroll_list && p->scroll_list->bar == ctrl ? p->scroll_list : nullptr;
    }
    for (Control *c = ctrl; c; c = c->owner)
        if (Panel *p = panel_of(c); p && p->scroll_list) return p->scroll_list;
    return nullptr;
}

void scroll_list_free(ScrollList *list) {
    if (!list) return;
    let_go_of_bar(list);
    delete list;
}

void scroll_list_set_content(Control *viewport, int content, int shown) {
    if (ScrollList *list = scroll_list_of(viewport)) {
        list->content = content;
        list->shown = shown;
    }
}

void scroll_list_set_pick_slot(Control *viewport, ControlFn on_pick) {
    if (ScrollList *list = scroll_list_of(viewport)) list->on_pick = on_pick;
}

void scroll_list_set_scroll_slot(Control *viewport, ControlFn on_scroll) {
    if (ScrollList *list = scroll_list_of(viewport)) list->on_scroll = on_scroll;
}

void scroll_list_set_moving(Control *viewport) {
    if (ScrollList *list = scroll_list_of(viewport)) list->moving = 1;
}

Control *scroll_list_add_bar(Control *viewport, Control *parent, int x, int y, int id, int length, int options) {
    if (!scroll_list_of(viewport)) return nullptr;
    Control *bar = panel_add_child(parent, x, y, id, 0, scroll_bar_create(length, options));
    scroll_list_attach_bar(viewport, bar);
    return bar;
}

void scroll_list_attach_bar(Control *viewport, Control *bar) {
    ScrollList *list = scroll_list_of(viewport);
    if (!list || !scroll_bar_state(bar) || list->bar == bar) return;
    if (Control *old = live_bar(list->bar)) control_remove(old);
    let_go_of_bar(list);
    list->bar = control_addref(bar);
    list->horizontal = scroll_bar_state(bar)->horizontal;
    bar->user_data = list->viewport;
    bar->on_wheel = scroll_list_on_wheel;
    scroll_bar_set_command(bar, scroll_list_follow);
    scroll_bar_set_first_slot(bar, on_list_far_arrow);
    scroll_bar_set_second_slot(bar, on_list_near_arrow);
    scroll_bar_set_change_slot(bar, on_bar_change);
}

void scroll_list_remove_bar(Control *viewport) {
    ScrollList *list = scroll_list_of(viewport);
    if (!list) return;
    if (Control *bar = live_bar(list->bar)) control_remove(bar);
    let_go_of_bar(list);
    scroll_list_follow(list->viewport);
}

Control *scroll_list_bar(Control *viewport) {
    const ScrollList *list = scroll_list_of(viewport);
    return list ? live_bar(list->bar) : nullptr;
}

void scroll_list_move_by(Control *ctrl, int step) {
    ScrollList *list = scroll_list_of(ctrl);
    Control *bar = list ? live_bar(list->bar) : nullptr;
    if (!bar) return;
    scroll_bar_move_by(bar, step);
    scroll_list_follow(list->viewport);
}

void scroll_list_follow(Control *ctrl) {
    const ScrollList *list = scroll_list_of(ctrl);
    if (!list) return;
    Control *viewport = list->viewport;
    Control *bar = live_bar(list->bar);
    const int shown = list->shown > 0 ? list->shown : list->horizontal ? viewport->w : viewport->h;
    const int offset = bar ? scroll_bar_content_offset(bar, list->content - shown) : 0;
    if (list->moving && list->horizontal) control_set_position(viewport, -offset, viewport->y);
    else if (list->moving) control_set_position(viewport, viewport->x, -offset);
    else if (list->horizontal) panel_set_scroll(viewport, offset, 0);
    else panel_set_scroll(viewport, 0, offset);
}

void scroll_list_on_wheel(Control *ctrl) {
    if (const ScrollList *list = heard(ctrl)) scroll_list_move_by(ctrl, input_wheel() * list->wheel_step);
}

void scroll_list_on_row_click(Control *row) {
    const ScrollList *list = scroll_list_of(row);
    if (list && list->on_pick) list->on_pick(row);
}
