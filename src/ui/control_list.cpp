// Top-level control lists: pointer and hotkey dispatch, sweep, flush, drawing, popups.
#include "ui/control_list.h"

#include <algorithm>
#include <climits>

#include "ui/colour_fade.h"
#include "ui/control.h"
#include "ui/cursor.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"
#include "ui/ui_platform.h"

namespace {

constexpr uint32_t PICK_SKIP = CTRL_REMOVED | CTRL_HIDDEN | CTRL_DISABLED;

bool hits(const Control *c, int x, int y) {
    int sx = 0, sy = 0;
    control_get_screen_position(c, &sx, &sy);
    return x >= sx && x < sx + c->w && y >= sy && y < sy + c->h;
}

// Highest layer under the point; the later control wins a tie.
Control *pick_among(const std::vector<Control *> &controls, int x, int y) {
    Control *best = nullptr;
    for (Control *c : controls) {
        if (!c) break;
        if (c->flags & PICK_SKIP) continue;
        if (!hits(c, x, y)) continue;
        if (!best || c->layer >= best->layer) best = c;
    }
    return best;
}

void destroy_unreferenced(Control *c) {
    if (c && c->refcount <= 0) control_destroy(c);
}

bool skips_hotkeys(const Control *c) {
    if (c->flags & CTRL_REMOVED) return true;
    if ((c->flags & CTRL_HIDDEN) && !(c->flags & CTRL_SHOW_TIMER)) return true;
    if ((c->flags & CTRL_DISABLED) && !(c->flags & CTRL_DISABLE_TIMER)) return true;
    return false;
}

void dispatch_pointer(ControlLists *lists, int ms) {
    Control *candidate = control_lists_pick(lists, input_mouse_x(), input_mouse_y());
    if (candidate != lists->hover) {
        Control *old = lists->hover;
        lists->hover = nullptr;
        if (old) {
            if (!(old->flags & CTRL_REMOVED)) {
                old->flags &= ~(CTRL_HOVERED | CTRL_PRESSED | CTRL_DWELL_FIRED);
                old->dwell_left = old->dwell_delay;
                if (old->on_hover_leave) old->on_hover_leave(old);
            }
            control_release(old);
        }
        if (candidate) {
            lists->hover = control_addref(candidate);
            candidate->flags |= CTRL_HOVERED;
            if (candidate->on_hover_enter) candidate->on_hover_enter(candidate);
        }
    }
    Control *h = lists->hover;
    if (!h) return;
    control_addref(h);   // the callbacks below may drop the hover slot
    if (input_wheel() != 0) {
        if (h->on_wheel) h->on_wheel(h);
        if (!(h->flags & CTRL_DWELL_FIRED)) h->dwell_left = h->dwell_delay;
    }
    if (!(h->flags & CTRL_DWELL_FIRED)) {
        h->dwell_left -= ms;
        if (h->dwell_left < 1) {
            h->flags |= CTRL_DWELL_FIRED;
            if (h->on_dwell) h->on_dwell(h);
        }
    }
    if (input_button_pressed(0)) {
        if (h->flags & CTRL_CLICK_SOUND) ui_play_sound(CONTROL_SOUND_CLICK);
        if (h->on_click) h->on_click(h);
    }
    if (input_left_down()) {
        h->flags |= CTRL_PRESSED;
        if (h->on_hold) h->on_hold(h);
    }
    control_release(h);
}

void dispatch_hotkeys(ControlLists *lists) {
    if (lists->focus) {
        if (lists->focus->flags & CTRL_REMOVED) {
            Control *focus = lists->focus;
            lists->focus = nullptr;
            control_release(focus);
        }
        return;
    }
    std::vector<int> layers;
    for (const Control *c : lists->live.items) {
        if (!c) break;
        layers.push_back(c->layer);
    }
    std::sort(layers.begin(), layers.end(), std::greater<int>());
    layers.erase(std::unique(layers.begin(), layers.end()), layers.end());
    for (int layer : layers) {
        for (size_t i = 0; i < lists->live.items.size(); ++i) {
            Control *c = lists->live.items[i];
            if (!c) break;
            if (c->layer != layer || skips_hotkeys(c)) continue;
            if (control_handle_hotkey(c)) return;
        }
    }
}

void sweep(ControlLists *lists, int ms) {
    bool released = false;
    for (size_t i = 0; i < lists->live.items.size(); ++i) {
        Control *c = lists->live.items[i];
        if (!c) continue;
        if (!(c->flags & CTRL_REMOVED)) {
            control_update(c, ms);
        } else {
            lists->live.items[i] = nullptr;
            control_release(c);
            released = true;
        }
    }
    if (released)
        lists->live.items.erase(std::remove(lists->live.items.begin(), lists->live.items.end(), nullptr), lists->live.items.end());
}

}  // namespace

ControlLists *control_lists() {
    static ControlLists lists;
    return &lists;
}

void control_lists_clear(ControlLists *lists) {
    std::vector<Control *> live, fresh;
    live.swap(lists->live.items);
    fresh.swap(lists->fresh.items);
    Control *hover = lists->hover, *focus = lists->focus;
    lists->hover = lists->focus = nullptr;
    for (Control *c : live) control_release(c);
    for (Control *c : fresh) destroy_unreferenced(c);
    control_release(hover);
    control_release(focus);
}

Control *control_lists_add(ControlLists *lists, int x, int y, int id, int options, Control *ctrl) {
    if (!ctrl) return nullptr;
    list_append(&lists->fresh, ctrl);
    control_set_position(ctrl, x, y);
    if (options & 1) {
        ctrl->flags |= CTRL_DISABLED;
        ctrl->flags &= ~CTRL_DISABLE_TIMER;
    }
    if (options & 2) {
        ctrl->flags |= CTRL_HIDDEN;
        ctrl->flags &= ~(CTRL_HOTKEY_HELD | CTRL_PRESSED);
    }
    if (id != 0) ctrl->id = id;
    return ctrl;
}

void control_lists_queue(ControlLists *lists, Control *ctrl) {
    if (ctrl) list_append(&lists->fresh, ctrl);
}

void control_lists_flush(ControlLists *lists) {
    std::vector<Control *> fresh;
    fresh.swap(lists->fresh.items);
    for (Control *c : fresh) {
        if (!c) continue;
        list_append(&lists->live, control_addref(c));
    }
}

Control *control_lists_find(const ControlLists *lists, int id) {
    for (Control *c : lists->live.items) {
        if (!c) break;
        if (!(c->flags & CTRL_REMOVED) && c->id == id) return c;
    }
    return nullptr;
}

void control_lists_remove_group(ControlLists *lists, int tag) {
    for (Control *c : lists->live.items) {
        if (!c) break;
        if (c->tag == tag) control_remove(c);
    }
}

void control_lists_set_focus(ControlLists *lists, Control *ctrl) {
    if (lists->focus == ctrl) return;
    Control *old = lists->focus;
    lists->focus = control_addref(ctrl);
    control_release(old);
}

Control *control_lists_pick(const ControlLists *lists, int x, int y) {
    Control *candidate = pick_among(lists->live.items, x, y);
    while (const Panel *p = panel_of(candidate)) {
        Control *inner = pick_among(p->children.items, x, y);
        if (!inner) break;
        candidate = inner;
    }
    return candidate;
}

void control_lists_update(ControlLists *lists, int ms) {
    dispatch_pointer(lists, ms);
    dispatch_hotkeys(lists);
    sweep(lists, ms);
    control_lists_flush(lists);
    if (!lists->cursor_hidden) cursor_update(lists->cursor, ms);
}

void control_lists_draw(const ControlLists *lists, Graphics *gfx, int sign) {
    auto wanted = [sign](const Control *c) { return sign >= 0 ? c->layer >= 0 : c->layer < 0; };
    bool any = false;
    int layer = INT_MAX;
    for (const Control *c : lists->live.items) {
        if (!c) break;
        if (wanted(c)) {
            layer = std::min(layer, c->layer);
            any = true;
        }
    }
    if (!any) return;
    ui_lock_screen(gfx);
    for (;;) {
        for (size_t i = 0; i < lists->live.items.size(); ++i) {
            Control *c = lists->live.items[i];
            if (!c) break;
            if (c->layer == layer) control_draw(c, gfx, 0, 0);
        }
        bool more = false;
        int next = INT_MAX;
        for (const Control *c : lists->live.items) {
            if (!c) break;
            if (wanted(c) && c->layer > layer && c->layer <= next) {
                next = c->layer;
                more = true;
            }
        }
        if (!more) break;
        layer = next;
    }
    ui_unlock_screen(gfx);
}

void control_lists_draw_cursor(const ControlLists *lists, Graphics *gfx) {
    if (lists->cursor_hidden || !lists->cursor) return;
    sprite_draw_at(lists->cursor, gfx, input_mouse_x() - lists->cursor->hot_x, input_mouse_y() - lists->cursor->hot_y);
}

bool control_lists_has_escape_handler(const ControlLists *lists) {
    if (lists->focus) return false;
    for (const Control *c : lists->live.items) {
        if (!c) break;
        if (c->flags & (CTRL_REMOVED | CTRL_HIDDEN)) continue;
        if (c->on_key && c->hotkey == 27) return true;
        if (panel_has_hotkey(c, 27)) return true;
    }
    return false;
}

namespace {
bool at_point(const ControlLists *lists, int x, int y, uint32_t skip) {
    for (const Control *c : lists->live.items) {
        if (!c) break;
        if ((c->flags & skip) || c->layer < 1) continue;
        if (x >= c->x && y >= c->y && x < c->x + c->w && y < c->y + c->h) return true;
    }
    return false;
}
}  // namespace

bool control_lists_at_point(const ControlLists *lists, int x, int y) {
    return at_point(lists, x, y, CTRL_REMOVED | CTRL_HIDDEN);
}

bool control_lists_solid_at_point(const ControlLists *lists, int x, int y) {
    return at_point(lists, x, y, CTRL_REMOVED | CTRL_HIDDEN | CTRL_DISABLED);
}

void control_lists_close_popup(ControlLists *lists) {
    if (Control *popup = control_lists_find(lists, CONTROL_ID_POPUP)) control_remove(popup);
    std::vector<Control *> keep;
    for (Control *c : lists->fresh.items) {
        if (c && c->type == CONTROL_PANEL && c->id == CONTROL_ID_POPUP) destroy_unreferenced(c);
        else if (c) keep.push_back(c);
    }
    lists->fresh.items.swap(keep);
}

Result control_lists_open_popup(ControlLists *lists, Control *panel, Control *anchor, int kind) {
    control_lists_close_popup(lists);
    if (!panel_of(panel)) return RES_OUT_OF_RANGE;
    list_append(&lists->fresh, panel);
    control_set_position(panel, 0, 0);
    panel->flags &= ~(CTRL_MOVING | CTRL_DISABLE_TIMER);
    panel->flags |= CTRL_DISABLED;
    panel->id = CONTROL_ID_POPUP;
    panel_set_border(panel, true);
    colour_fade_set(panel_border_colour(panel), 50, 50, 50);
    panel_set_background(panel, true);
    colour_fade_set(panel_background_colour(panel), 0, 0, 4);
    panel_set_bevel(panel, true);
    panel->layer = CONTROL_LAYER_POPUP;
    // The popup keeps its anchor and closes with it.
    if (anchor) control_set_linked(panel, anchor);
    int ax = 0, ay = 0;
    if (anchor) control_get_screen_position(anchor, &ax, &ay);
    const int aw = anchor ? anchor->w : 0, ah = anchor ? anchor->h : 0;
    panel_enable_item_list(panel);
    panel_add_item(panel, PLACE_BOUNDS, 10, 32, ui_screen_width() - 40, ui_screen_height() - 72);
    panel_add_item(panel, kind, ax - 8, ay - 8, aw + 16, ah + 16);
    int x = 0, y = 0;
    const Result res = panel_find_position(panel, panel->w, panel->h, &x, &y);
    if (res != RES_OK) return res;
    control_set_position(panel, x, y);
    return RES_OK;
}

void control_lists_flash_frame(ControlLists *lists, Control *panel) {
    if (!panel) return;
    int x = 0, y = 0;
    control_get_screen_position(panel, &x, &y);
    const int w = panel->w, h = panel->h;
    struct Line { int w, h, x0, y0, x1, y1; };
    const Line lines[4] = {
        {w, 2, x, y, x, y - 24},
        {2, h, x, y, x - 24, y},
        {2, h, x + w - 1, y, x + w + 24, y},
        {w, 2, x, y + h - 1, x, y + h + 24},
    };
    for (const Line &l : lines) {
        Control *line = panel_create(l.w, l.h, 0, 60, 0);
        if (!line) continue;
        control_set_position(line, l.x0, l.y0);
        line->flags |= CTRL_DISABLED;
        line->layer = panel->layer;
        colour_fade_start(panel_background_colour(line), 0, 60, 0, 0, 0, 0, 130, 0, 0);
        control_move_to(line, l.x1, l.y1, 130);
        control_remove_after(line, 130);
        list_append(&lists->fresh, line);
    }
}
