// Control core: registry, lifetime, the per-tick update of one control, hotkeys and drawing.
#include "ui/control.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>

#include "platform/colour_fade.h"
#include "platform/input.h"
#include "platform/movement_path.h"
#include "platform/sound.h"
#include "ui/game_controls.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"

// Class-init functions of the nine types, in type order (each type's source defines its own).
const ControlClass *minimap_class();
const ControlClass *panel_class();
const ControlClass *image_class();
const ControlClass *text_label_class();
const ControlClass *line_group_class();
const ControlClass *value_bar_class();
const ControlClass *scroll_track_class();
const ControlClass *arc_class();
const ControlClass *bitmap_class();

namespace {

constexpr size_t HEADER_SIZE =
    (sizeof(Control) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) * alignof(std::max_align_t);

const ControlClass *g_classes[CONTROL_TYPE_COUNT];
bool g_registry_filled = false;
int g_clicks = 0;

void fill_registry() {
    if (g_registry_filled) return;
    g_classes[CONTROL_MINIMAP] = minimap_class();
    g_classes[CONTROL_PANEL] = panel_class();
    g_classes[CONTROL_IMAGE] = image_class();
    g_classes[CONTROL_TEXT] = text_label_class();
    g_classes[CONTROL_LINES] = line_group_class();
    g_classes[CONTROL_VALUE_BAR] = value_bar_class();
    g_classes[CONTROL_SCROLL] = scroll_track_class();
    g_classes[CONTROL_ARC] = arc_class();
    g_classes[CONTROL_BITMAP] = bitmap_class();
    g_registry_filled = true;
}

bool is_hidden(const Control *c) { return c->flags & CTRL_HIDDEN; }
bool is_removed(const Control *c) { return c->flags & CTRL_REMOVED; }

void call(ControlFn fn, Control *c) {
    if (fn) fn(c);
}

void anchor_origin(const Control *c, int *ox, int *oy) { control_anchor_view(c, ox, oy, nullptr, nullptr); }

void release_target(Control *c) {
    if (c->target && c->target_ops && c->target_ops->release) c->target_ops->release(c->target);
    c->target = nullptr;
    c->target_ops = nullptr;
}

// Places an attached control at its target (a target that is gone detaches it).
void follow_target(Control *c) {
    if (!c->target) {
        c->flags &= ~CTRL_ATTACHED;
        return;
    }
    int ox = 0, oy = 0, ow = 0, oh = 0;
    if (!c->target_ops || !c->target_ops->rect || !c->target_ops->rect(c->target, &ox, &oy, &ow, &oh)) {
        release_target(c);
        c->flags &= ~CTRL_ATTACHED;
        return;
    }
    const int x = (c->flags & CTRL_ATTACH_CENTRE_X) ? ox + ow / 2 - c->w / 2 : ox + c->target_dx;
    int y = oy + c->target_dy;
    if (c->flags & CTRL_ATTACH_KEEP_Y) y = c->abs_y;
    control_set_position(c, x, y);
}

bool pointer_over(const Control *c) {
    if (c->flags & CTRL_HOVERED) return true;
    if (!(c->flags & CTRL_RECT_TEST)) return false;
    int sx = 0, sy = 0;
    control_get_screen_position(c, &sx, &sy);
    const int mx = input_mouse_x(), my = input_mouse_y();
    return mx >= sx && my >= sy && mx < sx + c->w && my < sy + c->h;
}

}  // namespace

const ControlClass *control_class(int type) {
    fill_registry();
    if (type < 0 || type >= CONTROL_TYPE_COUNT) return nullptr;
    return g_classes[type];
}

void *control_type_data(Control *ctrl) { return reinterpret_cast<char *>(ctrl) + HEADER_SIZE; }

const void *control_type_data(const Control *ctrl) {
    return reinterpret_cast<const char *>(ctrl) + HEADER_SIZE;
}

Control *control_create(int type) {
    fill_registry();
    if (type < 0 || type >= CONTROL_TYPE_COUNT) return nullptr;
    const ControlClass *cls = g_classes[type];
    const size_t data_size = cls->size ? cls->size() : 0;
    void *mem = ::operator new(HEADER_SIZE + data_size, std::nothrow);
    if (!mem) return nullptr;
    std::memset(mem, 0, HEADER_SIZE + data_size);
    Control *c = static_cast<Control *>(mem);
    c->type = type;
    c->move = movement_path_create();
    c->dwell_delay = c->dwell_left = 1000;
    c->away_delay = c->away_left = 1000;
    if (cls->init) cls->init(c);
    return c;
}

Control *control_addref(Control *ctrl) {
    if (ctrl) ctrl->refcount += 1;
    return ctrl;
}

void control_release(Control *ctrl) {
    if (!ctrl) return;
    ctrl->refcount -= 1;
    if (ctrl->refcount <= 0) control_destroy(ctrl);
}

void control_destroy(Control *ctrl) {
    if (!ctrl) return;
    const ControlClass *cls = control_class(ctrl->type);
    if (cls && cls->free) cls->free(ctrl);
    if (ctrl->user_data && ctrl->user_free) ctrl->user_free(ctrl->user_data);
    ctrl->user_data = nullptr;
    release_target(ctrl);
    ctrl->owner = nullptr;
    movement_path_free(ctrl->move);
    ctrl->move = nullptr;
    if (ctrl->widget_state && ctrl->widget_free) ctrl->widget_free(ctrl->widget_state);
    ctrl->widget_state = nullptr;
    Control *linked = ctrl->linked;
    ctrl->linked = nullptr;
    ::operator delete(static_cast<void *>(ctrl));
    control_release(linked);
}

void control_remove(Control *ctrl) {
    if (!ctrl) return;
    ctrl->flags |= CTRL_REMOVED;
    if (Panel *p = panel_of(ctrl)) {
        for (Control *child : p->children.items) {
            if (!child) break;
            control_remove(child);
        }
    }
}

void control_set_position(Control *ctrl, int x, int y) {
    if (ctrl->flags & CTRL_ANCHORED) {
        int ox = 0, oy = 0;
        anchor_origin(ctrl, &ox, &oy);
        ctrl->abs_x = x;
        ctrl->abs_y = y;
        ctrl->x = x - ox;
        ctrl->y = y - oy;
    } else {
        ctrl->x = x;
        ctrl->y = y;
    }
    ctrl->flags &= ~CTRL_MOVING;
}

void control_move_to(Control *ctrl, int x, int y, int ms) {
    if (ms <= 0 || !ctrl->move) return;
    const bool anchored = ctrl->flags & CTRL_ANCHORED;
    const int sx = anchored ? ctrl->abs_x : ctrl->x;
    const int sy = anchored ? ctrl->abs_y : ctrl->y;
    if (sx == x && sy == y) {
        ctrl->flags &= ~CTRL_MOVING;
        return;
    }
    ctrl->flags |= CTRL_MOVING;
    ctrl->move_from_x = sx;
    ctrl->move_from_y = sy;
    ctrl->move->mode = MOVEMENT_LINEAR;
    movement_path_start(ctrl->move, sx, sy, x, y, ms);
}

void control_attach(Control *ctrl, void *target, const ControlFollowOps *ops, int dx, int dy, int options) {
    if (ctrl->target != target || ctrl->target_ops != ops) {
        if (target && ops && ops->addref) ops->addref(target);
        release_target(ctrl);
        ctrl->target = target;
        ctrl->target_ops = target ? ops : nullptr;
    }
    if (!target) {
        ctrl->flags &= ~CTRL_ATTACHED;
        return;
    }
    ctrl->flags &= ~(CTRL_ATTACH_PAUSED | CTRL_ATTACH_KEEP_Y | CTRL_ATTACH_CENTRE_X);
    ctrl->flags |= CTRL_ATTACHED;
    ctrl->target_dx = dx;
    ctrl->target_dy = dy;
    if (options & 1) ctrl->flags |= CTRL_ATTACH_KEEP_Y;
    if (options & 2) ctrl->flags |= CTRL_ATTACH_CENTRE_X;
    follow_target(ctrl);
}

void control_get_screen_position(const Control *ctrl, int *x, int *y) {
    int sx = ctrl->x, sy = ctrl->y;
    for (const Control *o = ctrl->owner; o; o = o->owner) {
        const Panel *p = panel_of(o);
        sx += o->x - (p ? p->scroll_x : 0);
        sy += o->y - (p ? p->scroll_y : 0);
    }
    if (x) *x = sx;
    if (y) *y = sy;
}

void control_get_bounds(const Control *ctrl, int *x, int *y, int *w, int *h) {
    const ControlClass *cls = control_class(ctrl->type);
    if (cls && cls->get_bounds) {
        cls->get_bounds(ctrl, x, y, w, h);
        return;
    }
    const bool moving = (ctrl->flags & CTRL_MOVING) && ctrl->move;
    if (x) *x = moving ? ctrl->move->target_x : ctrl->x;
    if (y) *y = moving ? ctrl->move->target_y : ctrl->y;
    if (w) *w = ctrl->w;
    if (h) *h = ctrl->h;
}

void control_set_user_data(Control *ctrl, void *data, FreeFn free_fn) {
    if (ctrl->user_data && ctrl->user_free) ctrl->user_free(ctrl->user_data);
    ctrl->user_data = data;
    ctrl->user_free = free_fn;
    const ControlClass *cls = control_class(ctrl->type);
    if (cls && cls->on_user_data) cls->on_user_data(ctrl);
}

void control_update(Control *c, int ms) {
    // Visibility timers.
    if (is_hidden(c)) {
        if (c->flags & CTRL_SHOW_TIMER) {
            c->show_ms -= ms;
            if (c->show_ms <= 0) {
                control_call_on_show(c);
                c->flags &= ~(CTRL_HIDDEN | CTRL_SHOW_TIMER | CTRL_HIDE_TIMER);
            }
        }
    } else if (c->flags & CTRL_HIDE_TIMER) {
        c->hide_ms -= ms;
        if (c->hide_ms <= 0) {
            c->flags |= CTRL_HIDDEN;
            c->flags &= ~(CTRL_PRESSED | CTRL_HOTKEY_HELD);
        }
    }
    if (c->flags & CTRL_DISABLE_TIMER) {
        c->enable_ms -= ms;
        if (c->enable_ms <= 0) c->flags &= ~(CTRL_DISABLED | CTRL_DISABLE_TIMER);
    }
    if ((c->flags & CTRL_REMOVE_TIMER) && !((c->flags & CTRL_REMOVE_PAUSES) && is_hidden(c))) {
        c->remove_ms -= ms;
        if (c->remove_ms <= 0) control_remove(c);
    }
    if (c->linked && is_removed(c->linked)) control_remove(c);
    if (is_removed(c) || is_hidden(c)) return;

    // Keys: the hotkey's held state, and for the key-focus control its key down and up.
    const ControlRoot *root = control_root();
    const Control *focus = root ? root->focus_control : nullptr;
    const bool takes_keys = focus == c || (!focus && !(c->flags & CTRL_DISABLED));
    if (takes_keys && c->hotkey > 0) {
        if (!(c->flags & CTRL_HOTKEY_HELD)) {
            if (input_key_pressed(c->hotkey)) c->flags |= CTRL_HOTKEY_HELD;
        } else if (!input_key_down(c->hotkey)) {
            c->flags &= ~CTRL_HOTKEY_HELD;
        }
    }
    if (focus == c) {
        int key = 0;
        if (input_any_key_pressed(&key)) {
            if (c->held_key) call(c->on_key_up, c);
            c->held_key = key;
            call(c->on_key_down, c);
        } else if (c->held_key && !input_key_down(c->held_key)) {
            call(c->on_key_up, c);
            c->held_key = 0;
        }
    }

    if (c->on_away || c->on_outside_click) {
        const bool over = pointer_over(c);
        if (over) {
            c->away_left = c->away_delay;
        } else if (c->away_left > 0) {
            c->away_left -= ms;
            if (c->away_left <= 0) call(c->on_away, c);
        }
        if (!over && (input_button_pressed(INPUT_BUTTON_LEFT) || input_button_pressed(INPUT_BUTTON_RIGHT))) call(c->on_outside_click, c);
    }

    const ControlClass *cls = control_class(c->type);
    if (cls && cls->update) cls->update(c, ms);

    if (!is_removed(c) && !is_hidden(c)) {
        if ((c->flags & CTRL_MOVING) && c->move) {
            movement_path_step(c->move, ms);
            const int nx = static_cast<int>(c->move->x), ny = static_cast<int>(c->move->y);
            if (c->flags & CTRL_ANCHORED) {
                c->abs_x = nx;
                c->abs_y = ny;
            } else {
                c->x = nx;
                c->y = ny;
            }
            if (movement_path_arrived(c->move)) c->flags &= ~CTRL_MOVING;
        } else if ((c->flags & CTRL_ATTACHED) && !(c->flags & CTRL_ATTACH_PAUSED)) {
            follow_target(c);
        }
    }
    if (c->flags & CTRL_ANCHORED) {
        int ox = 0, oy = 0;
        anchor_origin(c, &ox, &oy);
        c->x = c->abs_x - ox;
        c->y = c->abs_y - oy;
    }
    if (c->on_timer && c->timer_left > 0) {
        c->timer_left -= ms;
        if (c->timer_left <= 0) c->on_timer(c);
    }
}

bool control_handle_hotkey(Control *c) {
    if ((c->flags & CTRL_DISABLED) && !(c->flags & CTRL_DISABLE_TIMER)) return false;
    if (c->hotkey > 0 && input_key_pressed(c->hotkey)) {
        control_play_click();
        call(c->on_key, c);
        return true;
    }
    if (Panel *p = panel_of(c)) {
        for (size_t i = 0; i < p->children.items.size(); ++i) {
            Control *child = p->children.items[i];
            if (!child) break;
            if (is_removed(child)) continue;
            if (is_hidden(child) && !(child->flags & CTRL_SHOW_TIMER)) continue;
            if ((child->flags & CTRL_DISABLED) && !(child->flags & CTRL_DISABLE_TIMER)) continue;
            if (control_handle_hotkey(child)) return true;
        }
    }
    return false;
}

void control_draw(Control *c, Graphics *gfx, int x, int y) {
    if (c->flags & (CTRL_REMOVED | CTRL_HIDDEN)) return;
    const int sx = x + c->x, sy = y + c->y;
    if (!(sx >= -c->w && sy >= -c->h && sx < ui_screen_width() && sy < ui_screen_height())) return;
    const ControlClass *cls = control_class(c->type);
    if (cls && cls->draw) cls->draw(c, gfx, x, y);
    if (c->hotkey >= 1 && !(c->flags & CTRL_NO_HINT) && c->on_key && input_ctrl_down()) {
        if (const char *name = input_key_name(c->hotkey)) {
            const int tw = ui_text_width(2, name), th = ui_line_height(2);
            ui_darken_rect(gfx, sx + c->w / 2 - (tw + 6) / 2, sy + c->h / 2 - (th + 6) / 2, tw + 6, th + 6, 4);
            ui_text(gfx, 2, sx + c->w / 2 - tw / 2, sy + c->h / 2 - th / 2, colour_fade_map(0, 255, 0), name);
        }
    }
    ui_dirty_rect(gfx, sx, sy, c->w, c->h);
    if (!(c->flags & CTRL_IN_PANEL)) ui_restore_rect(gfx, sx, sy, c->w, c->h);
}

Result control_classes_load_assets(int type, int argument) {
    fill_registry();
    if (type < 0 || type >= CONTROL_TYPE_COUNT) return RES_OUT_OF_RANGE;
    const ControlClass *cls = g_classes[type];
    return cls->load_assets ? cls->load_assets(argument) : RES_OK;
}

void control_classes_free_all() {
    if (!g_registry_filled) return;
    for (const ControlClass *cls : g_classes)
        if (cls && cls->free_all_assets) cls->free_all_assets();
}

void control_set_hint_enabled(Control *c, bool on) {
    if (on) c->flags &= ~CTRL_NO_HINT;
    else c->flags |= CTRL_NO_HINT;
}
void control_set_rect_test(Control *c) { c->flags |= CTRL_RECT_TEST; }

void control_set_linked(Control *c, Control *other) {
    control_addref(other);
    Control *old = c->linked;
    c->linked = other;
    control_release(old);
}

void control_set_widget_state(Control *c, void *state, FreeFn free_fn) {
    if (c->widget_state && c->widget_free && c->widget_state != state) c->widget_free(c->widget_state);
    c->widget_state = state;
    c->widget_free = free_fn;
}

void control_set_timer(Control *c, int ms) { c->timer_left = ms > 1 ? ms : 1; }
void control_set_long_away(Control *c) { c->away_delay = c->away_left = 5000; }
void control_set_short_dwell(Control *c) { c->dwell_delay = c->dwell_left = 475; }
void control_set_closed(Control *c) { c->flags |= CTRL_CLOSED; }
void control_set_fading(Control *c, bool on) {
    if (on) c->flags |= CTRL_FADING;
    else c->flags &= ~CTRL_FADING;
}
void control_pause_attachment(Control *c) { c->flags |= CTRL_ATTACH_PAUSED; }
void control_set_owner(Control *c, Control *panel) { c->owner = panel; }
void control_set_layer(Control *c, int layer) { c->layer = layer; }
void control_set_id(Control *c, int id) { c->id = id; }
void control_set_tag(Control *c, int tag) { c->tag = tag; }
void control_set_hotkey(Control *c, int key) { c->hotkey = key; }

void control_set_anchor(Control *c, bool on, const void *area, ControlAreaViewFn view) {
    if (!on) {
        c->flags &= ~CTRL_ANCHORED;
        c->anchor = nullptr;
        c->anchor_view = nullptr;
    } else if (area && view) {
        c->flags |= CTRL_ANCHORED;
        c->anchor = area;
        c->anchor_view = view;
    }
}

void control_disable_for(Control *c, int ms) {
    if (ms > 0) {
        c->flags |= CTRL_DISABLED | CTRL_DISABLE_TIMER;
        c->enable_ms = ms;
    } else if (ms == 0) {
        c->flags &= ~(CTRL_DISABLED | CTRL_DISABLE_TIMER);
    }
}

void control_set_enabled(Control *c, bool on) {
    if (!on) {
        c->flags |= CTRL_DISABLED;
        c->flags &= ~CTRL_DISABLE_TIMER;
    } else {
        c->flags &= ~(CTRL_DISABLED | CTRL_DISABLE_TIMER);
    }
}

bool control_is_enabled(const Control *c) {
    return !(c->flags & CTRL_DISABLED) || (c->flags & CTRL_DISABLE_TIMER);
}
bool control_is_shown(const Control *c) { return !(c->flags & CTRL_HIDDEN) || (c->flags & CTRL_SHOW_TIMER); }
bool control_is_active(const Control *c) { return !is_removed(c) && control_is_shown(c); }

void control_set_hidden(Control *c, bool show) {
    if (!show) {
        c->flags |= CTRL_HIDDEN;
        c->flags &= ~(CTRL_PRESSED | CTRL_HOTKEY_HELD);
        return;
    }
    if (c->flags & CTRL_HIDDEN) control_call_on_show(c);
    c->flags &= ~(CTRL_HIDDEN | CTRL_SHOW_TIMER | CTRL_HIDE_TIMER);
}

void control_hide_for(Control *c, int ms) {
    if (ms > 0) {
        c->flags |= CTRL_HIDDEN | CTRL_SHOW_TIMER;
        c->flags &= ~(CTRL_PRESSED | CTRL_HOTKEY_HELD);
        c->show_ms = ms;
    } else if (ms == 0) {
        control_set_hidden(c, true);
    }
}

void control_show_for(Control *c, int ms) {
    if (ms <= 0) return;
    if (c->flags & CTRL_HIDDEN) control_call_on_show(c);
    c->flags &= ~(CTRL_HIDDEN | CTRL_SHOW_TIMER);
    c->flags |= CTRL_HIDE_TIMER;
    c->hide_ms = ms;
}

void control_remove_after(Control *c, int ms) {
    if (ms > 0) {
        c->flags |= CTRL_REMOVE_TIMER;
        c->remove_ms = ms;
    } else if (ms == 0) {
        control_remove(c);
    }
}

void control_pause_removal_while_hidden(Control *c) { c->flags |= CTRL_REMOVE_PAUSES; }

void control_call_on_show(Control *c) {
    const ControlClass *cls = control_class(c->type);
    if (cls && cls->on_show) cls->on_show(c);
}

void control_set_callback(Control *c, int index, ControlFn fn) {
    switch (index) {
    case CONTROL_ON_CLICK: c->on_click = fn; break;
    case CONTROL_ON_HOLD: c->on_hold = fn; break;
    case CONTROL_ON_HOVER_ENTER: c->on_hover_enter = fn; break;
    case CONTROL_ON_HOVER_LEAVE: c->on_hover_leave = fn; break;
    case CONTROL_ON_KEY: c->on_key = fn; break;
    case CONTROL_ON_DWELL: c->on_dwell = fn; break;
    case CONTROL_ON_TIMER: c->on_timer = fn; break;
    case CONTROL_ON_KEY_DOWN: c->on_key_down = fn; break;
    case CONTROL_ON_KEY_UP: c->on_key_up = fn; break;
    case CONTROL_ON_WHEEL: c->on_wheel = fn; break;
    case CONTROL_ON_AWAY: c->on_away = fn; break;
    case CONTROL_ON_OUTSIDE_CLICK: c->on_outside_click = fn; break;
    default: break;
    }
}

bool control_is_inside_owner_view(const Control *c) {
    if (!c->owner) return false;
    const Panel *p = panel_of(c->owner);
    const int sx = p ? p->scroll_x : 0, sy = p ? p->scroll_y : 0;
    return c->x >= sx && c->y >= sy && c->x < c->owner->w - c->w + sx && c->y < c->owner->h - c->h + sy;
}

void control_play_click() {
    ++g_clicks;
    sound_play(SOUND_CLICK);
}

int control_clicks_played() { return g_clicks; }

void control_anchor_view(const Control *ctrl, int *view_x, int *view_y, int *world_w, int *world_h) {
    int vx = 0, vy = 0, ww = ui_screen_width(), wh = ui_screen_height();
    if (ctrl && ctrl->anchor && ctrl->anchor_view) ctrl->anchor_view(ctrl->anchor, &vx, &vy, &ww, &wh);
    if (view_x) *view_x = vx;
    if (view_y) *view_y = vy;
    if (world_w) *world_w = ww;
    if (world_h) *world_h = wh;
}
