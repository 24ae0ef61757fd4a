// The officer pool list.
#include "screens/sites/officer_pool.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/random.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/scroll.h"
#include "ui/scroll_list.h"
#include "ui/text_label.h"
#include "views/commander_box.h"
#include "world/sector.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace {

constexpr int OFFICER_ROW_GAP = 6;
constexpr int GROW_MS = 200;
constexpr int HOVER_MS = 150;
constexpr int ROW_START_HEIGHT = 4;
constexpr int DELAY_MIN_MS = 100;
constexpr int DELAY_SPREAD = 101;   // delays 100..200 ms

constexpr int ANCHOR_CENTRE = 4;

void pool_state_free(void *state) {
    auto *s = static_cast<OfficerPoolState *>(state);
    if (!s) return;
    if (s->officers) list_free(s->officers);   // the list only: the officers are not held
    delete s;
}

Control *owner_of(Control *c) { return c ? static_cast<Control *>(c->user_data) : nullptr; }

void size_to_content(Control *panel, int dw, int dh) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + dw, h + dh);
}

}  // namespace

// ---- The Officer Pool list ----

OfficerPoolState *officer_pool_state(Control *panel) {
    return panel && panel->widget_free == pool_state_free ? static_cast<OfficerPoolState *>(panel->widget_state) : nullptr;
}

Officer *officer_pool_get_picked(Control *panel) {
    OfficerPoolState *state = officer_pool_state(panel);
    return state && state->officers ? list_get(state->officers, state->picked) : nullptr;
}

Control *officer_pool_create(GameObject *site, int32_t min_width, int32_t max_height, uint32_t flags) {
    Control *panel = panel_create(20, 10, 0, 0, 0);
    if (!panel) return nullptr;
    panel_of(panel)->value = -1;
    officer_pool_build(panel, site, min_width, max_height, flags);
    return panel;
}

void officer_pool_build(Control *panel, GameObject *object, int32_t min_width, int32_t max_height, uint32_t flags) {
    Panel *p = panel_of(panel);
    if (!p) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 3);
    panel_set_border(panel, true);
    colour_fade_set(panel_border_colour(panel), 130, 110, 30);
    auto *state = new (std::nothrow) OfficerPoolState();
    if (!state) return;
    panel_set_command_state(panel, state, pool_state_free);
    const Site *site = site_cast(object);
    state->officers = site ? site_officers_by_name(site) : nullptr;
    const bool selectable = flags & OFFICER_POOL_SELECTABLE;
    const bool animate = flags & OFFICER_POOL_ANIMATE;

    // The header strip goes first, so that the title draws over it.
    Control *strip = panel_add_child(panel, 0, 0, 0, 0, panel_create(1, 1, 0, 22, 0));
    if (strip) strip->tag = -2;
    Control *title = panel_add_child(panel, 3, 3, OFFICER_POOL_ID_TITLE, 0,
                                     text_label_create_plain(6, 230, 230, 230, "Officer Pool"));
    const int top = (title ? title->h : 0) + 7;
    Control *rows = panel_add_child(panel, 3, top, OFFICER_POOL_ID_ROWS, 0, panel_create_empty());
    if (!rows) return;
    control_set_user_data(rows, panel, nullptr);
    scroll_list_init(rows, OFFICER_POOL_ARROW_STEP, OFFICER_POOL_WHEEL_STEP);
    control_set_callback(rows, CONTROL_ON_WHEEL, scroll_list_on_wheel);

    std::vector<Control *> boxes;
    int y = 0, widest = 0;
    const uint32_t box_flags = selectable ? COMMANDER_BOX_ANIMATE | COMMANDER_BOX_SKILLS : COMMANDER_BOX_ANIMATE;
    const int32_t count = state->officers ? list_count(state->officers) : 0;
    for (int32_t i = 0; i < count; ++i) {
        Control *box = panel_add_child(rows, 0, y, 0, 0, commander_box_create(list_get(state->officers, i), box_flags));
        if (!box) continue;
        panel_of(box)->value = i;
        control_set_user_data(box, panel, nullptr);
        control_set_callback(box, CONTROL_ON_WHEEL, scroll_list_on_wheel);
        if (selectable) {
            panel_set_border(box, true);
            panel_set_border_hover(box, 4, 4, 4, 180, 180, 180, HOVER_MS);
            control_set_callback(box, CONTROL_ON_CLICK, officer_pool_on_row);
        }
        boxes.push_back(box);
        widest = std::max(widest, box->w);
        y += box->h + OFFICER_ROW_GAP;
    }
    state->content_height = boxes.empty() ? 0 : y - OFFICER_ROW_GAP;
    scroll_list_set_content(rows, state->content_height);
    const int list_w = std::max(widest, int(min_width));
    const int list_h = std::min(state->content_height, int(max_height));
    control_set_size(rows, list_w, std::max(list_h, 1));
    state->visible_height = rows->h;

    int row_w = list_w;
    if (state->content_height > max_height) {
        Control *bar = scroll_bar_create(max_height, 0);
        if (bar) {
            row_w = list_w - bar->w - 4;
            panel_add_child(panel, rows->x + list_w - bar->w, rows->y, OFFICER_POOL_ID_SCROLL, 0, bar);
            scroll_list_attach_bar(rows, bar);
        }
    }
    List<Control> aligned;
    for (Control *box : boxes) {
        control_set_size(box, row_w, box->h);
        (void)list_append(&aligned, box);
    }
    commander_boxes_align(&aligned);
    list_reset(&aligned);
    for (Control *box : boxes) {
        control_set_size(box, row_w, box->h);
        if (!animate) continue;
        // Each row grows about its centre from a thin line, after a delay of its own.
        const int full = box->h;
        panel_set_anchor_mode(box, ANCHOR_CENTRE);   // the resizes below keep the row's middle
        control_set_size(box, row_w, ROW_START_HEIGHT);
        panel_set_draw_children_while_resizing(box, true);   // names and figures from the start
        panel_resize_to(box, row_w, full, GROW_MS);
        control_hide_for(box, int(random_u32() % DELAY_SPREAD) + DELAY_MIN_MS);
    }

    size_to_content(panel, 3, 3);
    control_set_size(panel, std::max(panel->w, int(min_width)), panel->h);
    if (strip) control_set_size(strip, panel->w, std::max(top - 1, 1));
}

void officer_pool_on_row(Control *row) {
    Control *pool = owner_of(row);
    OfficerPoolState *state = officer_pool_state(pool);
    if (!state || !panel_of(row)) return;
    state->picked = panel_of(row)->value;
    if (state->slot[OFFICER_POOL_SLOT_PICK]) state->slot[OFFICER_POOL_SLOT_PICK](pool);
}
