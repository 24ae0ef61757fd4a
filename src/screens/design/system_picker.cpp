// The system picker: the "Choose system" list a mount card opens in the design editor. It lists
// the owner's systems that go into the mount, refusing (but showing) those that break the
// one-per-ship rule or the power budget, fits the picked one or restores the mount on cancel.
#include "screens/design/design_editor.h"

#include <algorithm>
#include <new>

#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/input.h"
#include "platform/log.h"
#include "platform/sound.h"
#include "screens/design/design_local.h"
#include "systems/system.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/line_group.h"
#include "ui/panel_slots.h"
#include "ui/scroll.h"
#include "ui/scroll_list.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "views/system_info_card.h"
#include "world/ship.h"

namespace {

constexpr int WHEEL_STEP = 24;
constexpr int PAGE_STEP = 96;
constexpr int LEAVE_MS = 70;

struct SystemListState : PanelCommandSlots {   // slot 0: a row was picked
    List<System> candidates;            // one reference each
    List<Control> rows;                 // display order, one reference each
    int32_t  visible_height = 0;
    int32_t  total_height = 0;
    int32_t  picked = -1;               // -1: "(empty)"
    Control *hovered = nullptr;         // not held
};

SystemListState *list_state(Control *list) {
    return list && panel_of(list) && list->widget_free == design_system_list_state_free
               ? static_cast<SystemListState *>(list->widget_state)
               : nullptr;
}

Control *row_list(Control *row) {
    for (Control *c = row ? row->owner : nullptr; c; c = c->owner)
        if (list_state(c)) return c;
    return nullptr;
}

Control *editor_of(Control *c) {
    for (; c; c = c->owner)
        if (design_editor_state(c)) return c;
    return nullptr;
}

// A candidate's refusal bits, or 0 for the "(empty)" row.
uint32_t refusal(const Control *row) {
    const System *s = row ? static_cast<const System *>(row->user_data) : nullptr;
    return s ? s->status & (PICKER_REFUSED_ONE_PER_SHIP | PICKER_REFUSED_POWER) : 0;
}

void close_tip() {
    if (Control *tip = game_find_control(game_get(), PICKER_ID_TIP)) {
        control_set_id(tip, 0);
        control_fade_out(tip, LEAVE_MS);
    }
}

void set_list_state_free(Control *list, SystemListState *s) { panel_set_command_state(list, s, design_system_list_state_free); }

Control *highlight_lines(Control *area) { return area ? panel_find_child(area, DESIGN_ID_HIGHLIGHT) : nullptr; }

}  // namespace

// ---- Candidates ----

List<System> *design_picker_candidates(Player *owner, Ship *ship, int32_t mount) {
    List<System> *out = new (std::nothrow) List<System>();
    if (!out) return nullptr;
    out->free_fn = [](System *s) { system_release(s); };
    List<System> *sorted = owner ? player_systems_sorted(owner) : nullptr;
    if (!sorted || !ship || mount < 0 || mount >= ship->crit_count) {
        if (sorted) list_free(sorted);
        return out;
    }
    for (System *catalog : sorted->items) {
        if (!catalog) break;
        const Result fit = ship_check_crit_fit(ship, mount, catalog);
        uint32_t bits = 0;
        if (fit == RES_ONE_PER_SHIP) bits = PICKER_REFUSED_ONE_PER_SHIP;
        else if (fit == RES_POWER_EXCEEDED) bits = PICKER_REFUSED_POWER;
        else if (fit != RES_OK) continue;
        System *candidate = system_create(catalog->type);
        if (!candidate) continue;
        candidate->integrity = candidate->max_integrity;
        candidate->rounds = candidate->rounds_per_reload;
        candidate->recharge_left = 0;
        system_copy(candidate, catalog);
        candidate->status |= bits;
        system_retain(candidate);
        list_append(out, candidate);
    }
    sorted->free_fn = nullptr;
    list_free(sorted);
    return out;
}

// ---- Opening ----

void design_on_mount_click(Control *card) {
    Control *panel = editor_of(card);
    DesignEditorState *s = design_editor_state(panel);
    const Panel *p = panel_of(card);
    Ship *ship = s ? s->working_ship : nullptr;
    if (!ship || !p || p->value < 0 || p->value >= ship->crit_count || p->value == s->chosen_mount) return;
    const int32_t mount = p->value;
    Player *owner = game_find_player(game_get(), s->owner_id);
    Control *area = design_mount_area(panel);
    s->chosen_mount = mount;
    for (int id : {DESIGN_ID_PICKER}) {
        if (Control *old = panel_find_child(panel, id)) {
            control_set_id(old, 0);
            control_fade_out(old, 200);
        }
    }
    if (Control *old = area ? panel_find_child(area, DESIGN_ID_ARROW) : nullptr) {
        control_set_id(old, 0);
        control_fade_out(old, 200);
    }
    close_tip();

    game_close_popup(game_get());
    for (Control *c : s->mount_cards.items) {
        if (!c || (c->flags & CTRL_REMOVED)) continue;
        if (c == card) system_card_set_selected(c);
        else system_card_set_dimmed(c);
    }
    if (s->prior_system) system_release(s->prior_system);
    s->prior_system = ship->crits[mount].system;
    if (s->prior_system) system_retain(s->prior_system);

    if (area) {
        if (Control *arrow = image_button_create_plain(IMAGE_NO, design_picker_cancel, 0, panel)) {
            panel_add_child(area, card->x + card->w + 8, card->y + card->h / 2 - arrow->h / 2, DESIGN_ID_ARROW, 0, arrow);
            // The area holds the arrow, so that the arrow takes the pointer.
            if (arrow->x + arrow->w > area->w) control_set_size(area, arrow->x + arrow->w, area->h);
            s->mount_right = area->x + area->w;
        }
        for (Control *c : panel_of(area)->children.items)
            if (c && c->id >= DESIGN_ID_CONNECTOR && !(c->flags & CTRL_REMOVED)) line_group_fade_colour(c, 180, 190, 180, 0, 0, 0, 100, 0, 0);
        if (Control *old = panel_find_child(area, DESIGN_ID_MARKER)) control_remove(old);
        if (Control *old = highlight_lines(area)) control_remove(old);
        if (ship->crits[mount].mount_type != MOUNT_ARMOUR) {
            Control *connector = panel_find_child(area, DESIGN_ID_CONNECTOR + mount);
            int mx = 0, my = 0, mw = 0, mh = 0;
            if (connector) line_group_get_bounds(connector, &mx, &my, &mw, &mh);
            const LineGroup *g = line_group_of(connector);
            int px = mx + mw, py = my + mh, sx = mx, sy = my;
            if (g && !g->lines.empty()) {   // the line's ends are relative to its control
                sx = connector->x + g->lines[0].x1;
                sy = connector->y + g->lines[0].y1;
                px = connector->x + g->lines[0].x2;
                py = connector->y + g->lines[0].y2;
            }
            if (Control *marker = image_control_create(IMAGE_MOUNT_MARKER)) {
                panel_add_child(area, px - marker->w / 2, py - marker->h / 2, DESIGN_ID_MARKER, 1, marker);
            }
            if (Control *lines = line_group_create(2)) {
                line_group_set_line(lines, 0, sx, sy, px, py);
                line_group_set_line(lines, 1, card->x + card->w / 2, card->y + card->h / 2, sx, sy);
                line_group_set_colour(lines, 230, 230, 0);
                int lx = 0, ly = 0;
                line_group_fit_bounds(lines, &lx, &ly);
                panel_add_child(area, lx, ly, DESIGN_ID_HIGHLIGHT, 1, lines);
            }
        }
    }

    // The label and the list along the panel's right edge.
    Control *title = panel_find_child(panel, DESIGN_ID_TITLE);
    const int title_bottom = title ? title->y + title->h : 24;
    Control *label = panel_find_child(panel, DESIGN_ID_LABEL);
    if (label && (label->flags & CTRL_REMOVED)) label = nullptr;
    if (!label) {
        label = text_label_create_plain(7, 0, 255, 0, "Choose system");
        if (label) {
            panel_add_child(panel, panel->w - 12 - label->w, title_bottom + 6, DESIGN_ID_LABEL, 0, label);
            colour_fade_start(text_label_colour(label), 0, 255, 0, 0, 100, 0, 1000, 0, COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
        }
    }
    Control *list = panel_create_empty();
    if (list) {
        design_system_list_build(list, design_picker_candidates(owner, ship, mount));
        panel_set_slot(list, 0, design_on_system_picked);
        list->user_data = panel;
        const int ly = label ? label->y + label->h + 8 : title_bottom + 6;
        // The list keeps clear of the mount area: the panel grows when it would not.
        if (panel->w - 6 - list->w < s->mount_right + 16) {
            control_set_size(panel, s->mount_right + 16 + list->w + 6, panel->h);
            if (title) ui_control_resize(title, panel->w - 4, false);
            if (label) control_set_position(label, panel->w - 12 - label->w, label->y);
            if (Control *column = panel_find_child(panel, DESIGN_ID_BUTTONS))
                control_set_position(column, panel->w - column->w - 4, column->y);
        }
        panel_add_child(panel, panel->w - 6 - list->w, ly, DESIGN_ID_PICKER, 0, list);
        design_keep_on_screen(panel);   // a wider list widened the panel
        if (label && list->x < label->x) control_set_position(label, list->x, label->y);
    }
    sound_play(SOUND_CLICK);
}

// ---- The list ----

void design_system_list_build(Control *list, List<System> *candidates) {
    if (!panel_of(list)) {
        if (candidates) list_free(candidates);
        return;
    }
    panel_remove_children(list);
    SystemListState *s = new (std::nothrow) SystemListState{};
    if (!s) {
        if (candidates) list_free(candidates);
        return;
    }
    s->candidates.free_fn = [](System *sys) { system_release(sys); };
    if (candidates) {
        for (System *c : candidates->items)
            if (c) list_append(&s->candidates, c);
        candidates->free_fn = nullptr;
        list_free(candidates);
    }
    set_list_state_free(list, s);
    Control *rows = panel_add_child(list, 0, 0, PICKER_ID_ROWS, 0, panel_create_empty());
    if (!rows) return;
    // The rows move under the list's clip; the wheel over the bar only brings them to it, over a
    // row it moves them (design_system_list_on_wheel).
    scroll_list_init(rows, PAGE_STEP, 0);
    scroll_list_set_moving(rows);
    int y = 0, widest = DESIGN_PICKER_MIN_WIDTH;
    const auto add = [&](System *system, int index) {
        Control *row = design_system_row_build(list, system, 0);
        if (!row) return;
        panel_of(row)->value = index;
        panel_add_child(rows, 0, y, 0, 0, row);
        list_append(&s->rows, control_addref(row));
        y += row->h + design_detail::ROW_GAP;
        widest = std::max(widest, row->w);
    };
    add(nullptr, -1);
    int index = 0;
    for (System *c : s->candidates.items) add(c, index++);
    for (Control *row : s->rows.items) design_system_row_set_width(row, widest);
    s->total_height = std::max(0, y - design_detail::ROW_GAP);
    control_set_size(rows, widest, s->total_height);
    s->visible_height = std::min(s->total_height, DESIGN_PICKER_MAX_HEIGHT);
    scroll_list_set_content(rows, s->total_height, s->visible_height);
    int width = widest;
    if (s->total_height > DESIGN_PICKER_MAX_HEIGHT) {
        if (Control *bar = scroll_list_add_bar(rows, list, widest + 4, 0, PICKER_ID_SCROLL, DESIGN_PICKER_MAX_HEIGHT, 0)) {
            if (ScrollBarState *b = scroll_bar_state(bar)) b->range = s->total_height;
            scroll_bar_set_position(bar, 0);
            width = widest + 4 + bar->w;
        }
    }
    control_set_size(list, width, s->visible_height);
}

Control *design_system_row_build(Control *list, System *system, int detail) {
    Control *row = panel_create_empty();
    if (!row) return nullptr;
    panel_set_border(row, true);
    panel_set_background(row, true);
    if (detail) {
        game_popup_look(row);
        Control *icon = panel_add_child(row, 6, 6, 100001, 1, image_control_create_framed(system ? system->spare : IMAGE_EMPTY_MOUNT));
        Control *name = panel_add_child(row, 6 + (icon ? icon->w + 6 : 0), 6, 100004, 1,
                                        text_label_create_plain(1, 0, 230, 0, system ? system->name.c_str() : "(empty)"));
        int y = 6 + std::max(icon ? icon->h : 0, name ? name->h : 0) + 4;
        if (system) {
            if (List<SystemRow> *rows = ui_stat_rows_list_create()) {
                system_detail_rows(system, rows, 0);
                if (Control *t = panel_add_child(row, 6, y, 100006, 1, ui_stat_rows_create(rows, 0))) y += t->h + 4;
            }
            std::string desc;
            if (system_read_desc(system->type, &desc) == RES_OK && !desc.empty())
                panel_add_child(row, 6, y, 100003, 1, ui_tile_create(desc.c_str(), 3, 200, 4, 200, 200, 220, 0));
        }
        int w = 0, h = 0;
        panel_layout(row, &w, &h);
        control_set_size(row, w + 6, h + 6);
        return row;
    }
    const bool refused = system && (system->status & (PICKER_REFUSED_ONE_PER_SHIP | PICKER_REFUSED_POWER));
    if (refused) {
        colour_fade_set(panel_border_colour(row), 40, 40, 40);
        colour_fade_set(panel_background_colour(row), 0, 0, 6);
    } else {
        panel_set_border_hover(row, 98, 98, 0, 178, 178, 0, 300);
        panel_set_background_hover(row, 24, 4, 24, 44, 14, 44, 300);
        row->on_click = design_system_row_on_click;
    }
    const int shade = refused ? 60 : 230;
    Control *name = panel_add_child(row, 6, 4, 100004, 1,
                                    text_label_create_plain(2, shade, shade, shade, system ? system->name.c_str() : "(empty)"));
    int y = 4 + (name ? name->h : 0) + 2;
    if (system) {
        if (List<SystemRow> *rows = ui_stat_rows_list_create()) {
            system_info_rows(system, rows, 0);
            if (Control *info = panel_add_child(row, 6, y, 100005, 1, ui_stat_rows_create(rows, 0))) y += info->h;
        }
    }
    Control *picture = image_control_create_framed(system ? system->spare : IMAGE_EMPTY_MOUNT);
    if (picture) panel_add_child(row, 0, 3, 100001, 1, picture);
    int w = 0, h = 0;
    panel_layout(row, &w, &h);
    control_set_size(row, w + (picture ? picture->w + 12 : 0) + 6, std::max(h, picture ? picture->h + 3 : 0) + 4);
    design_system_row_set_width(row, row->w);
    control_set_user_data(row, system, nullptr);
    row->dwell_delay = design_detail::DWELL_MS;
    row->on_hover_enter = design_system_row_on_hover_enter;
    row->on_dwell = design_system_row_on_dwell;
    row->on_hover_leave = design_system_row_on_hover_leave;
    row->on_wheel = design_system_list_on_wheel;
    (void)list;
    return row;
}

void design_system_row_set_width(Control *row, int width) {
    if (!row) return;
    control_set_size(row, width, row->h);
    if (Control *picture = panel_find_child(row, 100001)) control_set_position(picture, width - picture->w - 4, picture->y);
}

void design_system_row_on_click(Control *row) {
    Control *list = row_list(row);
    SystemListState *s = list_state(list);
    if (!s || refusal(row)) return;
    s->picked = panel_of(row)->value;
    if (s->slot[0]) s->slot[0](list);
}

void design_system_row_on_hover_enter(Control *row) {
    Control *list = row_list(row);
    SystemListState *s = list_state(list);
    if (!s) return;
    s->hovered = row;
    const uint32_t bits = refusal(row);
    if (!bits) return;
    close_tip();
    Control *tip = panel_create_empty();
    if (!tip) return;
    if (bits & PICKER_REFUSED_POWER) {
        Control *icon = panel_add_child(tip, 6, 4, 0, 0, image_control_create_frame(IMAGE_POWER, 1));
        panel_add_child(tip, 6 + (icon ? icon->w + 6 : 0), 6, 0, 1, text_label_create_plain(1, 210, 30, 21, "Insufficient power"));
    } else {
        panel_add_child(tip, 8, 4, 0, 0, text_label_create_plain(1, 210, 30, 21, "One allowed per ship"));
    }
    panel_set_border(tip, true);
    colour_fade_start(panel_border_colour(tip), 0, 0, 0, 120, 120, 120, 120, 0, 0);
    panel_set_background(tip, true);
    colour_fade_set(panel_background_colour(tip), 4, 4, 4);
    int w = 0, h = 0;
    panel_layout(tip, &w, &h);
    control_set_size(tip, w + 8, h + 6);
    int rx = 0, ry = 0;
    control_get_screen_position(row, &rx, &ry);
    Control *added = game_add_control(game_get(), rx + row->w / 2 - tip->w / 2, ry + row->h / 2 - tip->h / 2, PICKER_ID_TIP, 0, tip);
    if (added) control_set_layer(added, CONTROL_LAYER_POPUP - 1);
}

void design_system_row_on_dwell(Control *row) {
    if (!row || !row_list(row)) return;
    Control *popup = design_system_row_build(row_list(row), static_cast<System *>(row->user_data), 1);
    if (popup && game_open_popup(game_get(), popup, row, PLACE_BESIDE) != RES_OK) control_remove(popup);
}

void design_system_row_on_hover_leave(Control *row) {
    SystemListState *s = list_state(row_list(row));
    if (s && s->hovered == row) s->hovered = nullptr;
    close_tip();
    game_close_popup(game_get());
}

void design_system_list_on_wheel(Control *row) {
    Control *list = row_list(row);
    SystemListState *s = list_state(list);
    Control *rows = list ? panel_find_child(list, PICKER_ID_ROWS) : nullptr;
    if (!s || !rows || !scroll_list_bar(rows) || input_wheel() == 0) return;
    const int before = rows->y;
    scroll_list_move_by(rows, WHEEL_STEP * input_wheel());
    if (rows->y != before && s->hovered == row) {
        s->hovered = nullptr;
        close_tip();
    }
}

System *design_system_list_get_picked(Control *list) {
    SystemListState *s = list_state(list);
    return s ? list_get(&s->candidates, s->picked) : nullptr;
}


void design_system_list_state_free(void *data) {
    SystemListState *s = static_cast<SystemListState *>(data);
    if (!s) return;
    for (Control *row : s->rows.items)
        if (row) control_release(row);
    list_clear(&s->candidates);
    delete s;
}

// ---- Pick and cancel ----

void design_picker_close(Control *panel, bool restore) {
    DesignEditorState *s = design_editor_state(panel);
    if (!s) return;
    Control *area = design_mount_area(panel);
    const int32_t mount = s->chosen_mount;
    if (restore && s->working_ship && mount >= 0 && mount < s->working_ship->crit_count) {
        (void)ship_set_crit_system(s->working_ship, mount, nullptr);
        if (s->prior_system) (void)ship_set_crit_system(s->working_ship, mount, s->prior_system);
        design_refresh_stats(panel);
        if (design_mount_card(panel, mount)) design_rebuild_mount_card(panel, mount, 150, 0);
    }
    for (int id : {DESIGN_ID_PICKER, DESIGN_ID_LABEL}) {
        if (Control *c = panel_find_child(panel, id)) {
            control_set_id(c, 0);
            control_fade_out(c, 200);
        }
    }
    if (area) {
        for (int id : {DESIGN_ID_ARROW, DESIGN_ID_MARKER}) {
            if (Control *c = panel_find_child(area, id)) {
                control_set_id(c, 0);
                control_fade_out(c, 150);
            }
        }
        if (Control *lines = highlight_lines(area)) control_remove(lines);
    }
    for (Control *c : s->mount_cards.items)
        if (c && !(c->flags & CTRL_REMOVED)) system_card_set_normal(c);
    design_restore_connectors(panel, 300);
    close_tip();
    s->chosen_mount = -1;
    if (s->prior_system) system_release(s->prior_system);
    s->prior_system = nullptr;
}

void design_on_system_picked(Control *list) {
    Control *panel = editor_of(list);
    DesignEditorState *s = design_editor_state(panel);
    SystemListState *ls = list_state(list);
    Ship *ship = s ? s->working_ship : nullptr;
    const int32_t mount = s ? s->chosen_mount : -1;
    if (!ship || !ls || mount < 0 || mount >= ship->crit_count) return;
    (void)ship_set_crit_system(ship, mount, nullptr);
    ship_recompute_stats(ship);
    if (System *picked = design_system_list_get_picked(list)) (void)ship_set_crit_system(ship, mount, picked);
    design_rebuild_mount_card(panel, mount, 150, 0);
    design_refresh_stats(panel);
    design_refill_and_overlay(panel);
    design_picker_close(panel, false);
    sound_play(SOUND_OPEN_PANEL);
    if (Control *column = panel_find_child(panel, DESIGN_ID_BUTTONS))
        if (Control *upgrade = panel_find_child(column, DESIGN_ID_UPGRADE)) {
            control_set_id(upgrade, 0);
            control_fade_out(upgrade, 200);
        }
}

void design_picker_cancel(Control *control) {
    Control *panel = editor_of(control);
    if (!panel && control) panel = design_editor_state(static_cast<Control *>(control->user_data)) ? static_cast<Control *>(control->user_data) : nullptr;
    DesignEditorState *s = design_editor_state(panel);
    if (!s || s->chosen_mount < 0) return;
    design_picker_close(panel, true);
}
