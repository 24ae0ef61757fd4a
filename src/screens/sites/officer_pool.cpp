// The officer pool list and the starbase "Assign Officer" dialog.
#include "screens/sites/officer_pool.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/random.h"
#include "platform/str.h"
#include "screens/ships/ship_officer_assignment.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/scroll.h"
#include "ui/scroll_list.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "ui/value_bar.h"
#include "views/commander_box.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace {

constexpr int ROW_GAP = 6;
constexpr int GROW_MS = 200;
constexpr int HOVER_MS = 150;
constexpr int ROW_START_HEIGHT = 4;
constexpr int DELAY_MIN_MS = 100;
constexpr int DELAY_SPREAD = 101;   // delays 100..200 ms

constexpr int DIALOG_ROW_GAP = 4;
constexpr int BAR_WIDTH = 76;
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

void officer_pool_set_pick_handler(Control *panel, ControlFn handler) {
    if (OfficerPoolState *state = officer_pool_state(panel)) state->slot[OFFICER_POOL_SLOT_PICK] = handler;
}

Control *officer_pool_panel_create(GameObject *site, int32_t min_width, int32_t max_height, uint32_t flags) {
    Control *panel = panel_create(20, 10, 0, 0, 0);
    if (!panel) return nullptr;
    panel_of(panel)->value = -1;
    officer_pool_panel_init(panel, site, min_width, max_height, flags);
    return panel;
}

void officer_pool_panel_init(Control *panel, GameObject *object, int32_t min_width, int32_t max_height, uint32_t flags) {
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
        y += box->h + ROW_GAP;
    }
    state->content_height = boxes.empty() ? 0 : y - ROW_GAP;
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

// ---- The starbase "Assign Officer" dialog ----

namespace {

int width_of(Control *row, int id) {
    const Control *c = panel_find_child(row, id);
    return c ? c->w : 0;
}

// A row of the "From" list: the officer's box and the post it holds now.
Control *candidate_row(Control *dialog, Officer *officer, GameObject *post, bool pool, int index, uint32_t flags) {
    Control *row = panel_create_empty();
    if (!row) return nullptr;
    officer_row_set_hover_look(row);
    control_set_user_data(row, dialog, nullptr);
    control_set_callback(row, CONTROL_ON_CLICK, officer_assign_on_pick);
    panel_of(row)->value = index;
    const bool alt = flags & ASSIGN_OFFICER_ANIMATE;
    uint32_t box_flags = pool ? COMMANDER_BOX_SKILLS : 0;
    if (alt) box_flags |= COMMANDER_BOX_ANIMATE;
    panel_add_child(row, 12, 8, ASSIGN_ROW_ID_BOX, 1, commander_box_create(officer, box_flags));
    panel_add_child(row, 0, 0, pool ? ASSIGN_ROW_ID_STARBASE : ASSIGN_ROW_ID_SHIP, 1, object_picture_control(post));
    if (pool) {
        panel_add_child(row, 0, 0, ASSIGN_ROW_ID_STARBASE_LABEL, 1, text_label_create_plain(1, 230, 230, 230, "Starbase"));
    } else {
        const Ship *ship = ship_of(post);
        panel_add_child(row, 0, 0, ASSIGN_ROW_ID_SHIP_NAME, 1, text_label_create_plain(2, 230, 230, 230, object_get_name(post)));
        panel_add_child(row, 0, 0, ASSIGN_ROW_ID_ARMOUR_ICON, 1, image_control_create_frame(IMAGE_ARMOUR, 1));
        panel_add_child(row, 0, 0, ASSIGN_ROW_ID_ARMOUR_BAR, 1, value_bar_create_with_text(BAR_WIDTH, ship->armour, ship->max_armour));
        panel_add_child(row, 0, 0, ASSIGN_ROW_ID_CREW_ICON, 1, image_control_create_frame(IMAGE_CREW, 1));
        panel_add_child(row, 0, 0, ASSIGN_ROW_ID_CREW_BAR, 1, value_bar_create_with_text(BAR_WIDTH, ship->crew, ship->max_crew));
    }
    return row;
}

// Common columns: the boxes as wide as the widest, then a ship's picture and name centred in one
// column with its two bars after it, or the starbase's picture and caption.
void lay_out(const std::vector<Control *> &rows) {
    List<Control> boxes;
    for (Control *row : rows)
        if (Control *box = panel_find_child(row, ASSIGN_ROW_ID_BOX)) (void)list_append(&boxes, box);
    commander_boxes_align(&boxes);
    int box_w = 0, column_w = 0;
    for (Control *box : boxes.items) box_w = std::max(box_w, box ? box->w : 0);
    list_reset(&boxes);
    for (Control *row : rows)
        column_w = std::max({column_w, width_of(row, ASSIGN_ROW_ID_SHIP), width_of(row, ASSIGN_ROW_ID_SHIP_NAME)});
    const int column_x = 12 + box_w + 12;
    for (Control *row : rows) {
        Control *box = panel_find_child(row, ASSIGN_ROW_ID_BOX);
        if (box) control_set_size(box, box_w, box->h);
        const int box_bottom = box ? box->y + box->h : 0;
        if (Control *picture = panel_find_child(row, ASSIGN_ROW_ID_STARBASE)) {
            const int h = std::max(box_bottom, picture->h + 8);
            control_set_position(picture, column_x, std::max(0, (h + 8) / 2 - picture->h / 2));
            if (Control *caption = panel_find_child(row, ASSIGN_ROW_ID_STARBASE_LABEL))
                control_set_position(caption, picture->x + picture->w + 8, (h + 8) / 2 - caption->h / 2);
        }
        if (Control *picture = panel_find_child(row, ASSIGN_ROW_ID_SHIP)) {
            Control *name = panel_find_child(row, ASSIGN_ROW_ID_SHIP_NAME);
            control_set_position(picture, column_x + column_w / 2 - picture->w / 2, 10);
            if (name) control_set_position(name, column_x + column_w / 2 - name->w / 2, 10 + picture->h + 13);
            int x = column_x + column_w + 12;
            int y = 8;
            for (auto [icon_id, bar_id] : {std::pair{ASSIGN_ROW_ID_ARMOUR_ICON, ASSIGN_ROW_ID_ARMOUR_BAR},
                                           std::pair{ASSIGN_ROW_ID_CREW_ICON, ASSIGN_ROW_ID_CREW_BAR}}) {
                Control *icon = panel_find_child(row, icon_id);
                Control *bar = panel_find_child(row, bar_id);
                if (icon) control_set_position(icon, x, y);
                if (bar) control_set_position(bar, x + (icon ? icon->w + 4 : 0), y + (icon ? icon->h / 2 - bar->h / 2 : 0));
                y += 20;
            }
        }
        size_to_content(row, 12, 12);
    }
}

}  // namespace

void officer_assign_dialog(Control *dialog, GameObject *object, uint32_t flags) {
    if (!panel_of(dialog)) return;
    panel_remove_children(dialog);
    panel_set_shade(dialog, 3);
    panel_set_border(dialog, true);
    colour_fade_set(panel_border_colour(dialog), 64, 64, 16);
    colour_fade_start(panel_background_colour(dialog), 0, 0, 16, 0, 0, 40, 2000, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    AssignOfficerState *state = officer_assign_state_install(dialog, object);
    if (!state) return;
    Site *base = site_cast(object);
    Sector *sector = base ? sector_of(game_find_object(game_get(), base->sector_id)) : nullptr;
    if (!sector) return;

    const bool alt = flags & ASSIGN_OFFICER_ANIMATE;
    Control *title = panel_add_child(dialog, 3, 3, ASSIGN_OFFICER_ID_TITLE, 0,
                                     ui_button_create("Assign Officer", nullptr, officer_assign_on_close, dialog,
                                                      TITLE_CLOSE | (alt ? TITLE_ANIMATE : 0)));
    if (title) control_set_callback(title, CONTROL_ON_CLICK, officer_assign_on_close);
    const int title_h = title ? title->h : 0;
    Control *to = panel_add_child(dialog, 7, title_h + 7, 0, 0, text_label_create_plain(1, 230, 230, 230, "To"));
    int y = title_h + 7 + (to ? to->h + 4 : 0);
    int32_t r = 230, g = 230, b = 230;
    game_get_player_colors(game_get(), sector->owner_id, &r, &g, &b);
    const std::string where = str_format("%s sector", object_get_name(sector));
    if (Control *line = panel_add_child(dialog, 7, y, 0, 0, text_label_create_plain(1, r, g, b, where.c_str())))
        y += line->h + 4;

    // The post: the starbase's present commander, its picture and "Starbase". It takes no pointer.
    Control *target = panel_add_child(dialog, 6, y, ASSIGN_OFFICER_ID_TARGET_ROW, 0, panel_create_empty());
    if (target) {
        Control *box = panel_add_child(target, 12, 8, ASSIGN_ROW_ID_BOX, 1,
                                       commander_box_create(base->commander, alt ? COMMANDER_BOX_ANIMATE | COMMANDER_BOX_SKILLS
                                                                                 : COMMANDER_BOX_SKILLS));
        int x = box ? box->x + box->w + 24 : 36;
        if (Control *picture = panel_add_child(target, x, 14, ASSIGN_ROW_ID_STARBASE, 1, object_picture_control(base)))
            x += picture->w + 8;
        if (Control *arrow = panel_add_child(target, x, 18, ASSIGN_ROW_ID_ARROW, 1, image_control_create_frame(IMAGE_COMMANDER, 1)))
            x += arrow->w + 4;
        panel_add_child(target, x, 20, ASSIGN_ROW_ID_STARBASE_LABEL, 1, text_label_create_plain(1, 230, 230, 230, "Starbase"));
        size_to_content(target, 8, 8);
        panel_set_border(target, true);
        colour_fade_set(panel_border_colour(target), 90, 100, 10);
        y = target->y + target->h;
    }
    Control *from = panel_add_child(dialog, 10, y + 20, 0, 0, text_label_create_plain(1, 230, 230, 230, "From"));
    y = (from ? from->y + from->h : y + 20) + 4;

    Control *list = panel_add_child(dialog, 6, y, ASSIGN_OFFICER_ID_LIST, 0, panel_create_empty());
    std::vector<Control *> rows;
    auto add = [&](Officer *officer, GameObject *post, bool pool) {
        Control *row = candidate_row(dialog, officer, post, pool, int(rows.size()), flags);
        if (!row) return;
        officer_retain(officer);
        if (list_append(&state->officers, officer) < 0) {
            officer_release(officer);
            control_destroy(row);
            return;
        }
        (void)list_append(&state->rows, row);
        panel_add_child(list, 0, 0, 0, 0, row);
        rows.push_back(row);
    };
    if (list) {
        for (Officer *officer : base->officers.items) {
            if (!officer) break;
            add(officer, base, true);
        }
        for (int32_t i = 0; i < sector_object_count(sector); ++i) {
            Ship *ship = ship_of(sector_get_object(sector, i));
            if (ship && ship->owner_id == base->owner_id && ship->pilot) add(ship->pilot, ship, false);
        }
        lay_out(rows);
        int widest = target ? target->w : 0, ry = 0;
        for (Control *row : rows) widest = std::max(widest, row->w);
        for (Control *row : rows) {
            control_set_size(row, widest, row->h);
            control_set_position(row, 0, ry);
            ry += row->h + DIALOG_ROW_GAP;
        }
        if (target) control_set_size(target, widest, target->h);
        size_to_content(list, 0, 0);
        if (rows.empty()) control_set_size(list, widest, 1);
    }
    if ((flags & ASSIGN_OFFICER_CANCEL) && list) {
        Control *cancel = image_button_create(IMAGE_CANCEL, 6, "Cancel", officer_assign_on_cancel, 0, dialog);
        if (cancel)
            panel_add_child(dialog, list->x + list->w - cancel->w / 2 - 25, list->y + list->h + 8,
                            ASSIGN_OFFICER_ID_CANCEL, 0, cancel);
    }
    size_to_content(dialog, 6, 6);
    if (title) ui_control_resize(title, dialog->w - 6, alt);
}
