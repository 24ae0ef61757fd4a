// Panel control: children, sweep, fills and frames, size animation, placement, fade-out.
#include "ui/panel.h"

#include <algorithm>
#include <climits>
#include <new>

#include "platform/colour_fade.h"
#include "platform/movement_path.h"
#include "ui/scroll_list.h"
#include "ui/ui_draw.h"

namespace {

PanelEffectHooks g_effects{};

Panel *panel_data(Control *c) { return static_cast<Panel *>(control_type_data(c)); }
const Panel *panel_data(const Control *c) { return static_cast<const Panel *>(control_type_data(c)); }

size_t panel_size() { return sizeof(Panel); }
void panel_init(Control *c) { new (control_type_data(c)) Panel{}; }

void release_effect(Effect *e) {
    if (e && g_effects.release) g_effects.release(e);
}

void panel_free(Control *c) {
    Panel *p = panel_data(c);
    std::vector<Control *> children;
    children.swap(p->children.items);
    // A child that something else still holds (the hover slot, a tooltip) no longer has an owner.
    for (Control *child : children) {
        if (!child) continue;
        if (child->owner == c) child->owner = nullptr;
        control_release(child);
    }
    for (Effect *e : p->effects.items) release_effect(e);
    p->effects.items.clear();
    colour_fade_free(p->border);
    colour_fade_free(p->background);
    colour_fade_free(p->grid);
    colour_fade_free(p->alt_fill);
    colour_fade_free(p->gradient_a);
    colour_fade_free(p->gradient_b);
    colour_fade_free(p->glow);
    scroll_list_free(p->scroll_list);
    p->~Panel();
}

void panel_hover_look(Control *c, ColourFade *fade, uint32_t hovered_flag, const uint8_t base[3],
                      const uint8_t hover[3], int ms) {
    ui_hover_colour(fade, c->flags & CTRL_HOVERED, &panel_data(c)->flags, hovered_flag, base, hover, ms);
}

// One axis of the size animation; returns whether it has arrived.
bool resize_axis(int size, int target, int rate, int *acc, int ms, int *out) {
    *acc += rate * ms;
    int next = size + *acc / 1000;
    *acc = *acc % 1000;
    bool arrived = rate == 0;
    if (rate < 0 && next <= target) arrived = true;
    if (rate > 0 && next >= target) arrived = true;
    if (arrived && rate != 0) next = target;
    *out = rate == 0 ? size : next;
    return arrived;
}

void panel_update(Control *c, int ms) {
    Panel *p = panel_data(c);
    bool released = false;
    for (size_t i = 0; i < p->children.items.size(); ++i) {
        Control *child = p->children.items[i];
        if (!child) continue;
        if (!(child->flags & CTRL_REMOVED)) {
            control_update(child, ms);
        } else {
            p->children.items[i] = nullptr;
            control_release(child);
            released = true;
        }
    }
    if (released)
        p->children.items.erase(std::remove(p->children.items.begin(), p->children.items.end(), nullptr), p->children.items.end());

    bool effects_gone = false;
    for (size_t i = 0; i < p->effects.items.size(); ++i) {
        Effect *e = p->effects.items[i];
        if (!e) continue;
        if (g_effects.finished && g_effects.finished(e)) {
            p->effects.items[i] = nullptr;
            release_effect(e);
            effects_gone = true;
        } else if (g_effects.step) {
            g_effects.step(e, ms);
        }
    }
    if (effects_gone)
        p->effects.items.erase(std::remove(p->effects.items.begin(), p->effects.items.end(), nullptr), p->effects.items.end());

    if (p->flags & PANEL_RESIZING) {
        int nw = c->w, nh = c->h;
        const bool ax = resize_axis(c->w, p->target_w, p->rate_x, &p->acc_x, ms, &nw);
        const bool ay = resize_axis(c->h, p->target_h, p->rate_y, &p->acc_y, ms, &nh);
        if (nw != c->w || nh != c->h) control_set_size(c, nw, nh);
        if (ax && ay) {
            p->flags &= ~PANEL_RESIZING;
            p->centre_rest_x = p->centre_rest_y = 0;
        }
    }

    const bool enabled = !(c->flags & CTRL_DISABLED);
    if ((p->flags & PANEL_BORDER) && (p->flags & PANEL_BORDER_HOVER) && enabled)
        panel_hover_look(c, p->border, PANEL_BORDER_HOVERED, p->border_rgb, p->border_hover_rgb, p->border_hover_ms);
    if (p->flags & PANEL_BORDER) colour_fade_update(p->border, ms);
    if ((p->flags & PANEL_BACKGROUND) && (p->flags & PANEL_BG_HOVER) && enabled)
        panel_hover_look(c, p->background, PANEL_BG_HOVERED, p->background_rgb, p->background_hover_rgb,
                         p->background_hover_ms);
    if (p->flags & PANEL_BACKGROUND) colour_fade_update(p->background, ms);

    if (p->flags & PANEL_GRID) {
        colour_fade_update(p->grid, ms);
        if (p->grid_period > 0 && p->grid_dx > 0) {
            p->grid_acc += ms;
            const int steps = p->grid_acc / p->grid_period;
            p->grid_acc = p->grid_acc % p->grid_period;
            if (p->grid_direction < 0) {
                p->grid_phase -= steps % p->grid_dx;
                while (p->grid_phase < 0) p->grid_phase += p->grid_dx;
            } else {
                p->grid_phase = (p->grid_phase + steps) % p->grid_dx;
            }
        }
    }
    if (p->flags & PANEL_SPLIT_FILL) {
        colour_fade_update(p->gradient_a, ms);
        colour_fade_update(p->gradient_b, ms);
    }
    if (p->flags & PANEL_ALT_FILL) colour_fade_update(p->alt_fill, ms);
    if (p->flags & PANEL_GLOW) colour_fade_update(p->glow, ms);
}

int effect_layer(const Effect *e) { return g_effects.layer ? g_effects.layer(e) : 0; }

void draw_children(Control *c, Graphics *gfx, int ox, int oy) {
    Panel *p = panel_data(c);
    bool any = false;
    int lowest = INT_MAX;
    for (Control *child : p->children.items)
        if (child) { lowest = std::min(lowest, child->layer); any = true; }
    for (Effect *e : p->effects.items)
        if (e) { lowest = std::min(lowest, effect_layer(e)); any = true; }
    if (!any) return;
    const int cx = ox + c->x - p->scroll_x, cy = oy + c->y - p->scroll_y;
    int layer = lowest;
    for (;;) {
        for (size_t i = 0; i < p->children.items.size(); ++i) {
            Control *child = p->children.items[i];
            if (child && child->layer == layer) control_draw(child, gfx, cx, cy);
        }
        for (size_t i = 0; i < p->effects.items.size(); ++i) {
            Effect *e = p->effects.items[i];
            if (e && effect_layer(e) == layer && g_effects.draw) g_effects.draw(e, gfx, cx, cy);
        }
        int next = INT_MAX;
        bool more = false;
        for (Control *child : p->children.items)
            if (child && child->layer > layer && child->layer <= next) { next = child->layer; more = true; }
        for (Effect *e : p->effects.items)
            if (e && effect_layer(e) > layer && effect_layer(e) <= next) { next = effect_layer(e); more = true; }
        if (!more) break;
        layer = next;
    }
}

void panel_draw(Control *c, Graphics *gfx, int ox, int oy) {
    Panel *p = panel_data(c);
    const int px = ox + c->x, py = oy + c->y, w = c->w, h = c->h;
    ui_push_clip(gfx, px, py, px + w - 1, py + h - 1);
    if (p->flags & PANEL_SHADED) {
        ui_darken_rect(gfx, px, py, w, h, p->shade_shift);
    } else if (p->flags & PANEL_BACKGROUND) {
        const ColourFade *bg = p->background;
        if (bg && !((c->flags & CTRL_FADING) && colour_fade_is_black(bg))) ui_fill_rect(gfx, px, py, w, h, bg->r, bg->g, bg->b);
    } else if ((p->flags & PANEL_SPLIT_FILL) && h >= 1) {
        const ColourFade *a = p->gradient_a, *b = p->gradient_b;
        if (a && b) {
            for (int row = 0; row < h; ++row) {
                const int first = std::clamp(p->gradient_split - row, 0, w);
                if (first > 0) ui_fill_rect(gfx, px, py + row, first, 1, a->r, a->g, a->b);
                if (w - first > 0) ui_fill_rect(gfx, px + first, py + row, w - first, 1, b->r, b->g, b->b);
            }
        }
    } else if (p->flags & PANEL_ALT_FILL) {
        const ColourFade *f = p->alt_fill;
        if (f && !colour_fade_is_black(f)) ui_blend_rect(gfx, px, py, w, h, f->r, f->g, f->b);
    }
    if ((p->flags & PANEL_GRID) && p->grid)
        ui_grid(gfx, px, py, w, h, p->grid->r, p->grid->g, p->grid->b, p->grid_dx, p->grid_dy, p->grid_phase,
                p->grid_phase);
    if (!(p->flags & PANEL_RESIZING) || (p->flags & PANEL_DRAW_RESIZING)) draw_children(c, gfx, ox, oy);
    if ((p->flags & PANEL_BORDER) && p->border && !colour_fade_is_black(p->border)) {
        const ColourFade *b = p->border;
        if (p->flags & PANEL_BEVEL) {
            ui_fill_rect(gfx, px, py, w, 1, b->r, b->g, b->b);
            ui_fill_rect(gfx, px + w - 1, py, 1, h, b->r, b->g, b->b);
            ui_fill_rect(gfx, px, py + 1, 1, h - 1, b->r / 3, b->g / 3, b->b / 3);
            ui_fill_rect(gfx, px, py + h - 1, w - 1, 1, b->r / 3, b->g / 3, b->b / 3);
        } else {
            ui_frame_rect(gfx, px, py, w, h, b->r, b->g, b->b);
        }
    }
    if (p->flags & PANEL_DIM) ui_darken_rect(gfx, px, py, w, h, p->dim_shift);
    ui_pop_clip(gfx);
    if ((p->flags & PANEL_GLOW) && p->glow && !(p->flags & (PANEL_RESIZING | PANEL_DIM))) {
        ui_glow_frame(gfx, px, py, w, h, p->glow->r, p->glow->g, p->glow->b);
        ui_dirty_rect(gfx, px - 3, py - 3, w + 6, h + 6);
        if (!(c->flags & CTRL_IN_PANEL)) ui_restore_rect(gfx, px - 3, py - 3, w + 6, h + 6);
    }
}

void panel_on_show(Control *c) {
    Panel *p = panel_data(c);
    if ((p->flags & PANEL_BORDER_HOVERED) && p->border) {
        colour_fade_set(p->border, p->border_rgb[0], p->border_rgb[1], p->border_rgb[2]);
        p->flags &= ~PANEL_BORDER_HOVERED;
    }
    if ((p->flags & PANEL_BG_HOVERED) && p->background) {
        colour_fade_set(p->background, p->background_rgb[0], p->background_rgb[1], p->background_rgb[2]);
        p->flags &= ~PANEL_BG_HOVERED;
    }
    for (size_t i = 0; i < p->children.items.size(); ++i) {
        Control *child = p->children.items[i];
        if (child && control_is_shown(child)) control_call_on_show(child);
    }
}

void panel_get_bounds(const Control *c, int *x, int *y, int *w, int *h) {
    const Panel *p = panel_data(c);
    const bool moving = (c->flags & CTRL_MOVING) && c->move;
    int bx = moving ? c->move->target_x : c->x;
    int by = moving ? c->move->target_y : c->y;
    int bw = c->w, bh = c->h;
    if (p->flags & PANEL_RESIZING) {
        switch (p->anchor_mode) {
        case PANEL_ANCHOR_RIGHT: bx += c->w - p->target_w; break;
        case PANEL_ANCHOR_BOTTOM_RIGHT: bx += c->w - p->target_w; by += c->h - p->target_h; break;
        case PANEL_ANCHOR_BOTTOM: by += c->h - p->target_h; break;
        case PANEL_ANCHOR_CENTRE: bx += (c->w - p->target_w) / 2; by += (c->h - p->target_h) / 2; break;
        default: break;
        }
        bw = p->target_w;
        bh = p->target_h;
    }
    if (x) *x = bx;
    if (y) *y = by;
    if (w) *w = bw;
    if (h) *h = bh;
}

// A panel fades its children, its border and glow; its background goes at once; it drops below
// every other layer while it fades.
void panel_fade_colours(Control *panel, int ms) {
    Panel *p = panel_of(panel);
    for (size_t i = 0; i < p->children.items.size(); ++i)
        if (p->children.items[i]) control_fade_out(p->children.items[i], ms);
    if ((p->flags & PANEL_BORDER) && p->border) {
        colour_fade_clear_idle_loop(p->border);
        colour_fade_to(p->border, 0, 0, 0, ms, 0);
    }
    p->flags &= ~PANEL_BACKGROUND;
    if ((p->flags & PANEL_GLOW) && p->glow) colour_fade_to(p->glow, 0, 0, 0, ms, 0);
    panel->layer = -4;
}

const ControlClass k_panel_class = {
    .load_assets = nullptr,
    .free_assets = nullptr,
    .free_all_assets = nullptr,
    .size = panel_size,
    .init = panel_init,
    .free = panel_free,
    .on_user_data = nullptr,
    .update = panel_update,
    .draw = panel_draw,
    .on_show = panel_on_show,
    .get_bounds = panel_get_bounds,
    .fade_out = panel_fade_colours,
};

}  // namespace

const ControlClass *panel_class() { return &k_panel_class; }

void panel_set_effect_hooks(const PanelEffectHooks &hooks) { g_effects = hooks; }
const PanelEffectHooks &panel_effect_hooks() { return g_effects; }

Panel *panel_of(Control *c) { return c && c->type == CONTROL_PANEL ? panel_data(c) : nullptr; }
const Panel *panel_of(const Control *c) { return c && c->type == CONTROL_PANEL ? panel_data(c) : nullptr; }

Control *panel_create_empty() {
    Control *c = control_create(CONTROL_PANEL);
    if (!c) return nullptr;
    panel_data(c)->value = -1;
    c->w = 20;
    c->h = 10;
    return c;
}

Control *panel_create(int w, int h, int r, int g, int b) {
    Control *c = panel_create_empty();
    if (!c) return nullptr;
    control_set_size(c, w, h);
    panel_set_background(c, true);
    colour_fade_set(panel_data(c)->background, r, g, b);
    return c;
}

void control_set_size(Control *c, int w, int h) {
    if (c->w == w && c->h == h) return;
    const int dw = w - c->w, dh = h - c->h;
    c->w = w;
    c->h = h;
    Panel *p = panel_of(c);
    if (!p) return;
    const bool anchored = c->flags & CTRL_ANCHORED;
    const int x0 = anchored ? c->abs_x : c->x, y0 = anchored ? c->abs_y : c->y;
    int nx = x0, ny = y0;
    switch (p->anchor_mode) {
    case PANEL_ANCHOR_RIGHT: nx = x0 - dw; break;
    case PANEL_ANCHOR_BOTTOM_RIGHT: nx = x0 - dw; ny = y0 - dh; break;
    case PANEL_ANCHOR_BOTTOM: ny = y0 - dh; break;
    case PANEL_ANCHOR_CENTRE:
        p->centre_rest_x += dw;
        p->centre_rest_y += dh;
        nx = x0 - p->centre_rest_x / 2;
        ny = y0 - p->centre_rest_y / 2;
        p->centre_rest_x %= 2;
        p->centre_rest_y %= 2;
        break;
    default: return;
    }
    control_set_position(c, nx, ny);
    if (p->flags & PANEL_SCROLL_FOLLOWS) {
        p->scroll_x += nx - x0;
        p->scroll_y += ny - y0;
    }
}

Control *panel_add_child(Control *panel, int x, int y, int id, int options, Control *child) {
    Panel *p = panel_of(panel);
    if (!p || !child) return child;
    control_addref(child);
    child->flags |= CTRL_IN_PANEL;
    list_append(&p->children, child);
    child->owner = panel;
    control_set_position(child, x, y);
    if (options & 1) {
        child->flags |= CTRL_DISABLED;
        child->flags &= ~CTRL_DISABLE_TIMER;
    }
    if (id != 0) child->id = id;
    return child;
}

Control *panel_append_child(Control *panel, Control *child) {
    Panel *p = panel_of(panel);
    if (!p || !child) return child;
    control_addref(child);
    child->flags |= CTRL_IN_PANEL;
    list_append(&p->children, child);
    child->owner = panel;
    return child;
}

Control *panel_find_child(Control *panel, int id) {
    Panel *p = panel_of(panel);
    if (!p) return nullptr;
    for (Control *child : p->children.items) {
        if (!child) break;
        if (!(child->flags & CTRL_REMOVED) && child->id == id) return child;
    }
    return nullptr;
}

Control *panel_find_child_fade_out(Control *panel, int id, int ms) {
    Control *child = panel_find_child(panel, id);
    if (child) control_fade_out(child, ms);
    return child;
}

bool panel_has_hotkey(const Control *panel, int key) {
    const Panel *p = panel_of(panel);
    if (!p) return false;
    for (const Control *child : p->children.items) {
        if (!child) break;
        if (child->flags & CTRL_REMOVED) continue;
        if (child->on_key && child->hotkey == key) return true;
        if (panel_has_hotkey(child, key)) return true;
    }
    return false;
}

void panel_remove_children(Control *panel) {
    Panel *p = panel_of(panel);
    if (!p) return;
    for (Control *child : p->children.items) {
        if (!child) break;
        child->flags |= CTRL_FADING;
        if (!(child->flags & CTRL_CLOSED)) control_remove(child);
    }
    p->scroll_x = p->scroll_y = 0;
    p->placement.clear();
    p->flags &= ~PANEL_PLACEMENT;
    for (Effect *e : p->effects.items) release_effect(e);
    p->effects.items.clear();
}

void panel_fade_out_all_children(Control *panel, int ms) {
    Panel *p = panel_of(panel);
    if (!p) return;
    for (size_t i = 0; i < p->children.items.size(); ++i)
        if (p->children.items[i]) control_fade_out(p->children.items[i], ms);
}

void panel_layout(const Control *panel, int *w, int *h) {
    int rw = 1, rh = 1;
    if (const Panel *p = panel_of(panel)) {
        for (const Control *child : p->children.items) {
            if (!child) break;
            if (child->flags & (CTRL_REMOVED | CTRL_FADING)) continue;
            int x = 0, y = 0, cw = 0, ch = 0;
            control_get_bounds(child, &x, &y, &cw, &ch);
            const int right = x + cw - 1, bottom = y + ch - 1;
            if (right < std::max(x, 0) || bottom < std::max(y, 0)) continue;
            rw = std::max(rw, right + 1);
            rh = std::max(rh, bottom + 1);
        }
    }
    if (w) *w = rw;
    if (h) *h = rh;
}

void panel_relayout(Control *panel) {
    Panel *p = panel_of(panel);
    if (!p) return;
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    p->flags &= ~PANEL_RESIZING;
    p->centre_rest_x = p->centre_rest_y = 0;
    control_set_size(panel, w, h);
}

void panel_grow(Control *panel, int dw, int dh) { control_set_size(panel, panel->w + dw, panel->h + dh); }

void panel_resize_to(Control *panel, int w, int h, int ms) {
    Panel *p = panel_of(panel);
    if (!p || ms <= 0) return;
    p->target_w = w;
    p->target_h = h;
    if (w == panel->w && h == panel->h) return;
    p->start_w = panel->w;
    p->start_h = panel->h;
    p->acc_x = p->acc_y = 0;
    p->centre_rest_x = p->centre_rest_y = 0;
    p->rate_x = (w - panel->w) * 1000 / ms;
    p->rate_y = (h - panel->h) * 1000 / ms;
    p->flags |= PANEL_RESIZING;
}

void panel_finish_resize(Control *panel) {
    Panel *p = panel_of(panel);
    if (!p || !(p->flags & PANEL_RESIZING)) return;
    control_set_size(panel, p->target_w, p->target_h);
    p->flags &= ~PANEL_RESIZING;
    p->centre_rest_x = p->centre_rest_y = 0;
}

void panel_stop_resize(Control *panel) {
    if (Panel *p = panel_of(panel)) p->flags &= ~PANEL_RESIZING;
}

bool panel_is_resizing(const Control *panel) {
    const Panel *p = panel_of(panel);
    return p && (p->flags & PANEL_RESIZING);
}

namespace {
void set_flag(Control *panel, uint32_t bit, bool on) {
    Panel *p = panel_of(panel);
    if (!p) return;
    if (on) p->flags |= bit;
    else p->flags &= ~bit;
}
}  // namespace

void panel_set_anchor_mode(Control *panel, int mode) {
    if (Panel *p = panel_of(panel)) p->anchor_mode = mode;
}
void panel_set_scroll(Control *panel, int x, int y) {
    if (Panel *p = panel_of(panel)) {
        p->scroll_x = x;
        p->scroll_y = y;
    }
}
void panel_set_scroll_follow(Control *panel, bool on) { set_flag(panel, PANEL_SCROLL_FOLLOWS, on); }
void panel_set_draw_children_while_resizing(Control *panel, bool on) { set_flag(panel, PANEL_DRAW_RESIZING, on); }
void panel_set_bevel(Control *panel, bool on) { set_flag(panel, PANEL_BEVEL, on); }

void panel_set_border(Control *panel, bool on) {
    Panel *p = panel_of(panel);
    if (!p) return;
    if (on) {
        ui_draw_detail::ensure(&p->border);
        p->flags |= PANEL_BORDER;
    } else {
        p->flags &= ~PANEL_BORDER;
    }
}

void panel_set_background(Control *panel, bool on) {
    Panel *p = panel_of(panel);
    if (!p) return;
    if (on) {
        ui_draw_detail::ensure(&p->background);
        p->flags |= PANEL_BACKGROUND;
    } else {
        p->flags &= ~PANEL_BACKGROUND;
    }
}

void panel_enable_alt_fill(Control *panel) {
    if (Panel *p = panel_of(panel)) {
        ui_draw_detail::ensure(&p->alt_fill);
        p->flags |= PANEL_ALT_FILL;
    }
}

void panel_enable_glow(Control *panel) {
    if (Panel *p = panel_of(panel)) {
        ui_draw_detail::ensure(&p->glow);
        p->flags |= PANEL_GLOW;
    }
}

void panel_enable_split_fill(Control *panel, int split) {
    if (Panel *p = panel_of(panel)) {
        ui_draw_detail::ensure(&p->gradient_a);
        ui_draw_detail::ensure(&p->gradient_b);
        p->gradient_split = split;
        p->flags |= PANEL_SPLIT_FILL;
    }
}

void panel_set_shade(Control *panel, int shift) {
    if (Panel *p = panel_of(panel)) {
        p->flags |= PANEL_SHADED;
        p->shade_shift = std::max(shift, 1);
    }
}

void panel_set_dim(Control *panel, int shift) {
    if (Panel *p = panel_of(panel)) {
        p->flags |= PANEL_DIM;
        p->dim_shift = std::max(shift, 1);
    }
}

void panel_clear_fills(Control *panel) {
    if (Panel *p = panel_of(panel))
        p->flags &= ~(PANEL_SHADED | PANEL_SPLIT_FILL | PANEL_BACKGROUND | PANEL_GRID | PANEL_ALT_FILL |
                      PANEL_BG_HOVER | PANEL_BG_HOVERED);
}

void panel_set_border_hover(Control *panel, int r, int g, int b, int hr, int hg, int hb, int ms) {
    Panel *p = panel_of(panel);
    if (!p) return;
    ui_draw_detail::ensure(&p->border);
    p->flags |= PANEL_BORDER | PANEL_BORDER_HOVER;
    p->border_rgb[0] = static_cast<uint8_t>(r);
    p->border_rgb[1] = static_cast<uint8_t>(g);
    p->border_rgb[2] = static_cast<uint8_t>(b);
    p->border_hover_rgb[0] = static_cast<uint8_t>(hr);
    p->border_hover_rgb[1] = static_cast<uint8_t>(hg);
    p->border_hover_rgb[2] = static_cast<uint8_t>(hb);
    p->border_hover_ms = std::max(ms, 0);
    colour_fade_set(p->border, r, g, b);
}

void panel_set_background_hover(Control *panel, int r, int g, int b, int hr, int hg, int hb, int ms) {
    Panel *p = panel_of(panel);
    if (!p) return;
    ui_draw_detail::ensure(&p->background);
    p->flags |= PANEL_BACKGROUND | PANEL_BG_HOVER;
    p->background_rgb[0] = static_cast<uint8_t>(r);
    p->background_rgb[1] = static_cast<uint8_t>(g);
    p->background_rgb[2] = static_cast<uint8_t>(b);
    p->background_hover_rgb[0] = static_cast<uint8_t>(hr);
    p->background_hover_rgb[1] = static_cast<uint8_t>(hg);
    p->background_hover_rgb[2] = static_cast<uint8_t>(hb);
    p->background_hover_ms = std::max(ms, 0);
    colour_fade_set(p->background, r, g, b);
}

void panel_start_grid(Control *panel, int dx, int direction, int period) {
    Panel *p = panel_of(panel);
    if (!p) return;
    ui_draw_detail::ensure(&p->grid);
    p->grid_dx = p->grid_dy = dx;
    p->grid_direction = direction;
    p->grid_period = period;
    if (!(p->flags & PANEL_GRID)) {
        p->grid_phase = 0;
        p->grid_acc = 0;
        p->flags |= PANEL_GRID;
    }
}

ColourFade *panel_border_colour(Control *panel) { Panel *p = panel_of(panel); return p ? p->border : nullptr; }
ColourFade *panel_background_colour(Control *panel) { Panel *p = panel_of(panel); return p ? p->background : nullptr; }
ColourFade *panel_grid_colour(Control *panel) { Panel *p = panel_of(panel); return p ? p->grid : nullptr; }
ColourFade *panel_alt_fill_colour(Control *panel) { Panel *p = panel_of(panel); return p ? p->alt_fill : nullptr; }
ColourFade *panel_glow_colour(Control *panel) { Panel *p = panel_of(panel); return p ? p->glow : nullptr; }
ColourFade *panel_split_colour(Control *panel, int which) {
    Panel *p = panel_of(panel);
    return p ? (which == 0 ? p->gradient_a : p->gradient_b) : nullptr;
}
bool panel_has_border(const Control *panel) {
    const Panel *p = panel_of(panel);
    return p && (p->flags & PANEL_BORDER);
}

void panel_enable_item_list(Control *panel) {
    if (Panel *p = panel_of(panel)) {
        p->flags |= PANEL_PLACEMENT;
        p->placement.clear();
    }
}

void panel_clear_item_list(Control *panel) {
    if (Panel *p = panel_of(panel)) p->placement.clear();
}

void panel_add_item(Control *panel, int kind, int x, int y, int w, int h) {
    if (Panel *p = panel_of(panel)) p->placement.push_back({kind, x, y, w, h});
}

Result panel_find_position(Control *panel, int w, int h, int *out_x, int *out_y) {
    Panel *p = panel_of(panel);
    if (!p || !(p->flags & PANEL_PLACEMENT)) return RES_NO_PLACEMENT;
    int area_w = ui_screen_width(), area_h = ui_screen_height();
    if ((panel->flags & CTRL_ANCHORED) && panel->anchor)
        control_anchor_view(panel, nullptr, nullptr, &area_w, &area_h);
    int left = 0, top = 0, right = area_w - 1, bottom = area_h - 1;
    int x = panel->x, y = panel->y;
    const PlacementRect *bounds = nullptr, *target = nullptr, *avoid = nullptr;
    for (const PlacementRect &r : p->placement) {
        if (r.kind == PLACE_BOUNDS) bounds = &r;
        else if (r.kind == PLACE_AVOID) avoid = &r;
        else if (r.kind >= PLACE_BESIDE && r.kind <= PLACE_RIGHT_OF) target = &r;
    }
    if (bounds) {
        left = bounds->x;
        top = bounds->y;
        right = bounds->x + bounds->w - 1;
        bottom = bounds->y + bounds->h - 1;
    }
    if (target) {
        const int tl = target->x, tt = target->y, tr = target->x + target->w - 1, tb = target->y + target->h - 1;
        if (tr > tl && tb > tt) {
            bool left_side = target->kind == PLACE_LEFT_OF;
            if (target->kind == PLACE_BESIDE) left_side = target->x + target->w / 2 >= area_w / 2;
            x = left_side ? tl - w : tr;
            y = target->y + target->h / 2 - h / 2;
        }
    }
    if (x < left) x = left;
    if (y < top) y = top;
    if (x + w > right) x = right - w;
    if (y + h > bottom) y = bottom - h;
    if (avoid) {
        const int al = avoid->x, at = avoid->y, ar = avoid->x + avoid->w - 1, ab = avoid->y + avoid->h - 1;
        const bool overlaps = x <= ar && x + w - 1 >= al && y <= ab && y + h - 1 >= at;
        if (overlaps) y = (y < area_h / 2) ? ab : at - h;
    }
    if (out_x) *out_x = x;
    if (out_y) *out_y = y;
    return RES_OK;
}

Result panel_find_own_position(Control *panel, int *x, int *y) {
    return panel_find_position(panel, panel->w, panel->h, x, y);
}

Result panel_auto_position(Control *panel) {
    int x = 0, y = 0;
    const Result res = panel_find_own_position(panel, &x, &y);
    if (res != RES_OK) return res;
    control_set_position(panel, x, y);
    return RES_OK;
}

void panel_add_effect(Control *panel, Effect *effect, int x, int y, int layer) {
    Panel *p = panel_of(panel);
    if (!p || !effect) return;
    if (g_effects.place) g_effects.place(effect, x, y, layer);
    list_append(&p->effects, effect);
}

void panel_fade_out_recursive(Control *panel, int ms) {
    if (panel_of(panel)) control_fade_out(panel, ms);
}

void panel_set_command_state(Control *panel, PanelCommandSlots *state, FreeFn free_fn) {
    Panel *p = panel_of(panel);
    if (!p) return;
    control_set_widget_state(panel, state, free_fn);
    p->command_state = state;
    p->command_free = free_fn;
}

PanelCommandSlots *panel_command_slots(Control *panel) {
    Panel *p = panel_of(panel);
    if (!p || !panel->widget_state || panel->widget_state != p->command_state || panel->widget_free != p->command_free)
        return nullptr;
    return static_cast<PanelCommandSlots *>(panel->widget_state);
}
