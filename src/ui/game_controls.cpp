// The game's top-level controls: pointer and hotkey dispatch, sweep, flush, drawing, popups and
// cursors.
#include "ui/game_controls.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <vector>

#include "platform/colour_fade.h"
#include "platform/input.h"
#include "platform/list.h"
#include "platform/log.h"
#include "ui/control.h"
#include "ui/cursor.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"

namespace {

ControlRoot *g_root = nullptr;

constexpr uint32_t PICK_SKIP = CTRL_REMOVED | CTRL_HIDDEN | CTRL_DISABLED;

void release_listed_control(Control *c) { control_release(c); }
void destroy_unreferenced(Control *c) {
    if (c && c->refcount <= 0) control_destroy(c);
}

// The game's lists own their controls through these callbacks.
void ensure_free_callbacks(ControlRoot *root) {
    if (root->controls && !root->controls->free_fn) root->controls->free_fn = release_listed_control;
    if (root->new_controls && !root->new_controls->free_fn) root->new_controls->free_fn = destroy_unreferenced;
}

const std::vector<Control *> &live_controls(const ControlRoot *root) {
    static const std::vector<Control *> none;
    return root->controls ? root->controls->items : none;
}

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

bool skips_hotkeys(const Control *c) {
    if (c->flags & CTRL_REMOVED) return true;
    if ((c->flags & CTRL_HIDDEN) && !(c->flags & CTRL_SHOW_TIMER)) return true;
    if ((c->flags & CTRL_DISABLED) && !(c->flags & CTRL_DISABLE_TIMER)) return true;
    return false;
}

void dispatch_pointer(ControlRoot *root, int ms) {
    Control *candidate = game_pick_control(root, input_mouse_x(), input_mouse_y());
    if (candidate != root->hover_control) {
        Control *old = root->hover_control;
        root->hover_control = nullptr;
        if (old) {
            if (!(old->flags & CTRL_REMOVED)) {
                old->flags &= ~(CTRL_HOVERED | CTRL_PRESSED | CTRL_DWELL_FIRED);
                old->dwell_left = old->dwell_delay;
                if (old->on_hover_leave) old->on_hover_leave(old);
            }
            control_release(old);
        }
        if (candidate) {
            root->hover_control = control_addref(candidate);
            candidate->flags |= CTRL_HOVERED;
            if (candidate->on_hover_enter) candidate->on_hover_enter(candidate);
        }
    }
    Control *h = root->hover_control;
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
    if (input_button_pressed(INPUT_BUTTON_LEFT)) {
        if (h->flags & CTRL_CLICK_SOUND) control_play_click();
        if (h->on_click) h->on_click(h);
    }
    if (input_left_down()) {
        h->flags |= CTRL_PRESSED;
        if (h->on_hold) h->on_hold(h);
    }
    control_release(h);
}

void dispatch_hotkeys(ControlRoot *root) {
    if (root->focus_control) {
        if (root->focus_control->flags & CTRL_REMOVED) {
            Control *focus = root->focus_control;
            root->focus_control = nullptr;
            control_release(focus);
        }
        return;
    }
    std::vector<int> layers;
    for (const Control *c : live_controls(root)) {
        if (!c) break;
        layers.push_back(c->layer);
    }
    std::sort(layers.begin(), layers.end(), std::greater<int>());
    layers.erase(std::unique(layers.begin(), layers.end()), layers.end());
    for (int layer : layers) {
        for (size_t i = 0; i < live_controls(root).size(); ++i) {
            Control *c = live_controls(root)[i];
            if (!c) break;
            if (c->layer != layer || skips_hotkeys(c)) continue;
            if (control_handle_hotkey(c)) return;
        }
    }
}

void sweep(ControlRoot *root, int ms) {
    if (!root->controls) return;
    std::vector<Control *> &items = root->controls->items;
    bool released = false;
    for (size_t i = 0; i < items.size(); ++i) {
        Control *c = items[i];
        if (!c) continue;
        if (!(c->flags & CTRL_REMOVED)) {
            control_update(c, ms);
        } else {
            items[i] = nullptr;
            control_release(c);
            released = true;
        }
    }
    if (released) list_compact(root->controls);
}

Cursor *current_cursor(const ControlRoot *root) {
    if (root->cursor_index < 0 || root->cursor_index >= CONTROL_CURSOR_COUNT) return nullptr;
    return root->cursors[root->cursor_index];
}

bool at_point(const ControlRoot *root, int x, int y, uint32_t skip) {
    for (const Control *c : live_controls(root)) {
        if (!c) break;
        if ((c->flags & skip) || c->layer < 1) continue;
        if (x >= c->x && y >= c->y && x < c->x + c->w && y < c->y + c->h) return true;
    }
    return false;
}

}  // namespace

void control_root_register(ControlRoot *root) { g_root = root; }

ControlRoot *control_root() { return g_root; }

void game_update_controls(ControlRoot *root, int32_t elapsed_ms) {
    if (!root) return;
    ensure_free_callbacks(root);
    dispatch_pointer(root, elapsed_ms);
    dispatch_hotkeys(root);
    sweep(root, elapsed_ms);
    game_flush_new_controls(root);
    if (!(root->flags & CONTROL_ROOT_NO_CURSOR)) cursor_update(current_cursor(root), elapsed_ms);
}

void game_flush_new_controls(ControlRoot *root) {
    if (!root || !root->new_controls || !root->controls) return;
    ensure_free_callbacks(root);
    std::vector<Control *> fresh;
    fresh.swap(root->new_controls->items);
    for (Control *c : fresh) {
        if (!c) continue;
        list_append(root->controls, control_addref(c));
    }
}

void game_draw_controls(ControlRoot *root, Graphics *gfx, int sign) {
    if (!root) return;
    auto wanted = [sign](const Control *c) { return sign >= 0 ? c->layer >= 0 : c->layer < 0; };
    bool any = false;
    int layer = INT_MAX;
    for (const Control *c : live_controls(root)) {
        if (!c) break;
        if (wanted(c)) {
            layer = std::min(layer, c->layer);
            any = true;
        }
    }
    if (!any) return;
    ui_lock_screen(gfx);
    for (;;) {
        for (size_t i = 0; i < live_controls(root).size(); ++i) {
            Control *c = live_controls(root)[i];
            if (!c) break;
            if (c->layer == layer) control_draw(c, gfx, 0, 0);
        }
        bool more = false;
        int next = INT_MAX;
        for (const Control *c : live_controls(root)) {
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

void game_draw_cursor(ControlRoot *root, Graphics *gfx) {
    if (!root || (root->flags & CONTROL_ROOT_NO_CURSOR)) return;
    Cursor *cursor = current_cursor(root);
    if (!cursor) return;
    sprite_draw_at(cursor, gfx, input_mouse_x() - cursor->hot_x, input_mouse_y() - cursor->hot_y);
}

void game_clear_controls(ControlRoot *root) {
    if (!root) return;
    ensure_free_callbacks(root);
    Control *hover = root->hover_control, *focus = root->focus_control;
    root->hover_control = root->focus_control = nullptr;
    if (root->controls) list_clear(root->controls);
    if (root->new_controls) list_clear(root->new_controls);
    control_release(hover);
    control_release(focus);
}

Control *game_add_control(ControlRoot *root, int x, int y, int id, int options, Control *ctrl) {
    if (!ctrl) return nullptr;
    game_queue_control(root, ctrl);
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

void game_queue_control(ControlRoot *root, Control *ctrl) {
    if (!root || !ctrl || !root->new_controls) return;
    ensure_free_callbacks(root);
    list_append(root->new_controls, ctrl);
}

Control *game_find_control(const ControlRoot *root, int id) {
    for (Control *c : live_controls(root)) {
        if (!c) break;
        if (!(c->flags & CTRL_REMOVED) && c->id == id) return c;
    }
    return nullptr;
}

void game_remove_controls_by_group(ControlRoot *root, int tag) {
    for (Control *c : live_controls(root)) {
        if (!c) break;
        if (c->tag == tag) control_remove(c);
    }
}

void game_set_focus_control(ControlRoot *root, Control *ctrl) {
    if (root->focus_control == ctrl) return;
    Control *old = root->focus_control;
    root->focus_control = control_addref(ctrl);
    control_release(old);
}

Control *game_pick_control(const ControlRoot *root, int x, int y) {
    Control *candidate = pick_among(live_controls(root), x, y);
    while (const Panel *p = panel_of(candidate)) {
        Control *inner = pick_among(p->children.items, x, y);
        if (!inner) break;
        candidate = inner;
    }
    return candidate;
}

int game_has_escape_handler(const ControlRoot *root) {
    if (root->focus_control) return 0;
    for (const Control *c : live_controls(root)) {
        if (!c) break;
        if (c->flags & (CTRL_REMOVED | CTRL_HIDDEN)) continue;
        if (c->on_key && c->hotkey == 27) return 1;
        if (panel_has_hotkey(c, 27)) return 1;
    }
    return 0;
}

int game_control_at_point(const ControlRoot *root, int x, int y) {
    return at_point(root, x, y, CTRL_REMOVED | CTRL_HIDDEN) ? 1 : 0;
}

int game_solid_control_at_point(const ControlRoot *root, int x, int y) {
    return at_point(root, x, y, CTRL_REMOVED | CTRL_HIDDEN | CTRL_DISABLED) ? 1 : 0;
}

void game_close_popup(ControlRoot *root) {
    if (Control *popup = game_find_control(root, CONTROL_ID_POPUP)) control_remove(popup);
    if (!root->new_controls) return;
    std::vector<Control *> &queued = root->new_controls->items;
    for (Control *&c : queued) {
        if (c && c->type == CONTROL_PANEL && c->id == CONTROL_ID_POPUP) {
            Control *dropped = c;
            c = nullptr;
            destroy_unreferenced(dropped);
        }
    }
    list_compact(root->new_controls);
}

void game_popup_look(Control *panel) {
    panel_set_border(panel, true);
    colour_fade_set(panel_border_colour(panel), 50, 50, 50);
    panel_set_background(panel, true);
    colour_fade_set(panel_background_colour(panel), 0, 0, 4);
    panel_set_bevel(panel, true);
}

Result game_open_popup(ControlRoot *root, Control *panel, Control *anchor, int kind) {
    game_close_popup(root);
    if (!panel_of(panel)) return RES_OUT_OF_RANGE;
    game_queue_control(root, panel);
    control_set_position(panel, 0, 0);
    panel->flags &= ~(CTRL_MOVING | CTRL_DISABLE_TIMER);
    panel->flags |= CTRL_DISABLED;
    panel->id = CONTROL_ID_POPUP;
    game_popup_look(panel);
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

void game_flash_panel_frame(ControlRoot *root, Control *panel) {
    if (!panel) return;
    int x = 0, y = 0;
    control_get_screen_position(panel, &x, &y);
    const int w = panel->w, h = panel->h;
    struct Line {
        int w, h, x0, y0, x1, y1;
    };
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
        game_queue_control(root, line);
    }
}

Result game_load_cursor(ControlRoot *root, int n) {
    if (n < 0 || n >= CONTROL_CURSOR_COUNT) return RES_OUT_OF_RANGE;
    if (root->cursors[n]) return RES_OK;
    log_write(LOG_GAME, LOG_DEBUG, "Load cursor %i", n);
    root->cursors[n] = cursor_load(n);
    if (!root->cursors[n]) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to load cursor %i", n);
        return RES_READ_FAILED;
    }
    return RES_OK;
}

void game_select_cursor(ControlRoot *root, int n) {
    if (n < 0 || n >= CONTROL_CURSOR_COUNT) return;
    if (game_load_cursor(root, n) != RES_OK) return;
    root->cursor_index = n;
}

void game_free_cursor(ControlRoot *root, int n) {
    if (n < 0 || n >= CONTROL_CURSOR_COUNT || !root->cursors[n]) return;
    log_write(LOG_GAME, LOG_DEBUG, "Free cursor %i", n);
    cursor_free(root->cursors[n]);
    root->cursors[n] = nullptr;
}

void game_free_cursors(ControlRoot *root) {
    for (int n = 0; n < CONTROL_CURSOR_COUNT; ++n) game_free_cursor(root, n);
}
