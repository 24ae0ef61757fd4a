// The sector panel: its build, its command slots and the scrolling of a long ship list. The fleet
// move selection view is in sector_move.cpp.
#include "screens/galaxy/sector_panel.h"

#include <algorithm>
#include <new>

#include "game/game.h"
#include "game/player.h"
#include "game/turn.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/list.h"
#include "platform/str.h"
#include "screens/galaxy/sector_rows.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/panel_slots.h"
#include "ui/scroll_list.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "views/player_name_label.h"
#include "views/ship_list.h"
#include "world/sector.h"

namespace {

constexpr int SECTOR_LIST_STYLE = 7;

void sector_panel_state_free(void *state) { delete static_cast<SectorPanelState *>(static_cast<PanelCommandSlots *>(state)); }
void release_sector(void *sector) { object_release(static_cast<GameObject *>(sector)); }

void sector_panel_call_slot(Control *panel, int slot) {
    if (sector_panel_state(panel)) panel_call_slot(panel, slot);
}

void panel_look(Control *panel) {
    panel_set_shade(panel, 3);
    panel_set_border(panel, true);
    if (ColourFade *border = panel_border_colour(panel)) colour_fade_set(border, 64, 64, 16);
    panel_set_background(panel, true);
    // One blue step every 83 ms from 16 to 40, over and over.
    if (ColourFade *background = panel_background_colour(panel))
        colour_fade_start(background, 0, 0, 16, 0, 0, 40, (40 - 16) * 83, 0, COLOUR_FADE_MODE_REPEAT);
}

// The ship list of the sector's objects at y; returns the y below it.
int add_sector_ship_list(Control *panel, SectorPanelState *s, const Sector *sector, int y) {
    List<GameObject> *objects = sector_sorted_object_list(sector);
    s->object_count = objects ? list_count(objects) : 0;
    if (s->object_count > 0) {
        Control *list = panel_add_child(panel, 0, y, SECTOR_PANEL_SHIP_LIST, 0, panel_create_empty());
        if (list) {
            ship_list_init(list, objects, SECTOR_PANEL_LIST_WIDTH, sector_panel_on_ship_pick, SECTOR_LIST_STYLE);
            control_set_user_data(list, panel, nullptr);
            ship_list_set_width(list, SECTOR_PANEL_LIST_WIDTH);
            s->list_y = list->y;
            s->list_height = list->h;
            if (list->h > SECTOR_PANEL_LIST_SHOWN) {
                control_set_size(list, list->w, SECTOR_PANEL_LIST_SHOWN);
                scroll_list_init(list, SECTOR_PANEL_ARROW_STEP, SECTOR_PANEL_WHEEL_STEP);
                scroll_list_set_content(list, s->list_height, SECTOR_PANEL_LIST_SHOWN);
                scroll_list_add_bar(list, panel, list->w - 1, y, SECTOR_PANEL_SCROLL_BAR, SECTOR_PANEL_LIST_SHOWN, 1);
                ship_list_set_wheel_handler(list, scroll_list_on_wheel);
            }
            // What follows starts below the shown part of the list, not below all its rows.
            y += list->h + 20;
        }
    }
    if (objects) list_free(objects);
    return y;
}

// The yield rows and below them the production boxes, left to right.
void add_own_rows(Control *panel, SectorPanelState *s, GameObject *sector, int y) {
    Control *rows = panel_add_child(panel, 8, y, SECTOR_PANEL_ROWS, 0, sector_yield_rows_create(sector));
    if (!rows) return;
    s->rows_y = y;
    sector_panel_add_production_boxes(panel, sector, rows);
}

// The Combat or Move button, and Zoom, in a column; null without a button.
Control *make_buttons(Control *panel, const SectorPanelState *s, const Sector *sector) {
    List<Control> buttons;
    Control *made[2] = {};
    int n = 0;
    if ((s->flags & SECTOR_PANEL_COMMAND) && sector_count_objects_of_owner(sector, s->viewer_id) > 0) {
        if (game_find_encounter_by_sector(game_get(), sector->id)) {
            made[n++] = image_button_create(IMAGE_COMBAT, SECTOR_PANEL_BUTTON_FONT, "Combat", sector_panel_on_combat, 'c', panel);
        } else if ((made[n] = image_button_create(IMAGE_MOVE, SECTOR_PANEL_BUTTON_FONT, "Move", sector_panel_on_move, 'm', panel))) {
            control_set_id(made[n++], SECTOR_PANEL_MOVE_BUTTON);
        }
    }
    if ((s->flags & SECTOR_PANEL_ZOOM) &&
        (made[n] = image_button_create(IMAGE_ZOOM, SECTOR_PANEL_BUTTON_FONT, "Zoom", sector_panel_on_zoom, 'z', panel)))
        control_set_id(made[n++], SECTOR_PANEL_ZOOM_BUTTON);
    for (Control *b : made)
        if (b) list_append(&buttons, control_addref(b));
    Control *column = nullptr;
    if (list_count(&buttons) > 0)
        column = panel_make_with_layout(&buttons, (s->flags & SECTOR_PANEL_STYLE_1) ? LAYOUT_ANIMATE : 0);
    for (Control *b : buttons.items)
        if (b) control_release(b);
    return column;
}

}  // namespace

SectorPanelState *sector_panel_state(Control *panel) {
    return panel && panel_of(panel) && panel->widget_free == sector_panel_state_free
               ? static_cast<SectorPanelState *>(panel_command_slots(panel))
               : nullptr;
}

Control *sector_panel_of_control(Control *ctrl) {
    Control *panel = ctrl ? static_cast<Control *>(ctrl->user_data) : nullptr;
    return sector_panel_state(panel) ? panel : nullptr;
}

void sector_panel_add_production_boxes(Control *panel, GameObject *sector, const Control *rows) {
    int x = rows->x;
    const int y = rows->y + rows->h + 6;
    const int ids[] = {SECTOR_PANEL_STARBASE_BOX, SECTOR_PANEL_SHIPYARD_BOX, SECTOR_PANEL_TRAINING_BOX};
    for (SectorBoxKind kind : {SECTOR_BOX_STARBASE, SECTOR_BOX_SHIPYARD, SECTOR_BOX_TRAINING})
        if (Control *box = panel_add_child(panel, x, y, ids[kind], 0, sector_production_box_create(sector, kind)))
            x += box->w + 6;
}

Control *sector_yield_rows_create(GameObject *sector_obj) {
    const Sector *sector = sector_of(sector_obj);
    List<SystemRow> *rows = sector ? ui_stat_rows_list_create() : nullptr;
    if (!rows) return nullptr;
    sector_starbase_rows_add(rows, sector, true);
    return ui_stat_rows_create(rows, STAT_ROWS_ANIMATE);
}

void sector_panel_build(Control *panel, GameObject *sector_obj, uint64_t viewer_id, uint32_t flags) {
    Sector *sector = sector_of(sector_obj);
    if (!panel_of(panel) || !sector) return;
    panel_remove_children(panel);
    panel_look(panel);
    object_add_ref(sector);
    control_set_user_data(panel, sector, release_sector);
    SectorPanelState *s = new (std::nothrow) SectorPanelState{};
    if (!s) return;
    panel_set_command_state(panel, s, sector_panel_state_free);
    s->flags = flags;
    s->viewer_id = viewer_id;

    // The viewer's memory gives name, owner and sites; without one (a sector handed over while
    // the panel opens, or a load that did not bring it back) the live sector's name stands alone.
    const Player *viewer = game_find_player(game_get(), viewer_id);
    const Sector *known = viewer ? sector_of(player_known_object_by_id(viewer, sector->id)) : nullptr;
    const GameObject *named = known ? static_cast<const GameObject *>(known) : sector;
    const int header_style = ((flags & SECTOR_PANEL_STYLE_1) ? TITLE_ANIMATE : 0) |
                             ((flags & SECTOR_PANEL_STYLE_2) ? TITLE_CLOSE : 0);
    const std::string title = str_format("%s sector", object_get_name(named));
    Control *header = panel_add_child(panel, 2, 2, SECTOR_PANEL_HEADER, 0,
                                      ui_button_create(title.c_str(), nullptr, sector_panel_on_close, panel, header_style));
    const int header_h = header ? header->h : 0;

    Control *owner = panel_add_child(panel, 8, header_h + 6, SECTOR_PANEL_OWNER_LABEL, 0,
                                     player_name_label_create(2, "Unclaimed", known ? known->owner_id : 0));
    if (const ColourFade *colour = text_label_colour(owner)) {
        s->owner_rgb[0] = colour->r;
        s->owner_rgb[1] = colour->g;
        s->owner_rgb[2] = colour->b;
    }
    int y = header_h + 6 + (owner ? owner->h : 0) + 10;

    Control *icons = known ? sector_site_icon_row_create(known, viewer_id, SECTOR_ICONS_FEATURES | SECTOR_ICONS_FACILITIES | SECTOR_ICONS_OPEN_SITE)
                           : nullptr;
    if (panel_add_child(panel, 8, y, SECTOR_PANEL_SITE_ICONS, 0, icons)) y += icons->h + 10;
    else y += 24;

    y = add_sector_ship_list(panel, s, sector, y);
    Control *list = sector_panel_ship_list(panel);
    if (flags & SECTOR_PANEL_OWN) add_own_rows(panel, s, sector, y);
    Control *rows = panel_find_child(panel, SECTOR_PANEL_ROWS);

    Control *buttons = make_buttons(panel, s, sector);
    panel_relayout(panel);
    panel_grow(panel, list ? 0 : 4, 4);
    if (buttons) {
        const int bx = panel->w - buttons->w - 4;
        if (!list) {
            panel_add_child(panel, bx, panel->h, SECTOR_PANEL_BUTTONS, 0, buttons);
            control_set_size(panel, panel->w, buttons->y + buttons->h + 4);
        } else if (rows) {
            panel_add_child(panel, bx, rows->y, SECTOR_PANEL_BUTTONS, 0, buttons);
            if (buttons->y + buttons->h > panel->h) control_set_size(panel, panel->w, buttons->y + buttons->h + 4);
            else control_set_position(buttons, bx, panel->h - buttons->h - 4);
        } else {
            panel_add_child(panel, bx, list->y + list->h + 24, SECTOR_PANEL_BUTTONS, 0, buttons);
            panel_relayout(panel);
            panel_grow(panel, 0, 4);
        }
    }
    if (header) ui_control_resize(header, panel->w - 4, flags & SECTOR_PANEL_STYLE_1);
}

Control *sector_panel_ship_list(Control *panel) {
    return panel_of(panel) ? panel_find_child(panel, SECTOR_PANEL_SHIP_LIST) : nullptr;
}

GameObject *sector_panel_picked_ship(Control *panel) { return ship_list_picked_ship(sector_panel_ship_list(panel)); }

void sector_panel_refresh_ship_list(Control *panel) {
    if (Control *list = sector_panel_ship_list(panel)) ship_list_relayout(list);
}

void sector_panel_refresh_rows(Control *panel) {
    const SectorPanelState *s = sector_panel_state(panel);
    // Only the normal view shows the yield rows; the selection view keeps its statistics there.
    if (!s || !(s->flags & SECTOR_PANEL_OWN) || panel_find_child(panel, SECTOR_PANEL_HIDDEN_BUTTONS)) return;
    Control *table = panel_find_child(panel, SECTOR_PANEL_ROWS);
    const Sector *sector = sector_of(static_cast<GameObject *>(panel->user_data));
    List<SystemRow> *rows = table && sector ? ui_stat_rows_list_create() : nullptr;
    if (!rows) return;
    sector_starbase_rows_add(rows, sector, true);
    // The same rows take their new figures in place; rows come or go only with the next build.
    for (int i = 0; i < list_count(rows); ++i) {
        const SystemRow *row = list_get(rows, i);
        Control *shown = ui_stat_rows_row(table, i);
        const TextLabel *label = text_label_of(panel_find_child(shown, STAT_ROW_LABEL_ID));
        const TextLabel *value = text_label_of(panel_find_child(shown, STAT_ROW_VALUE_ID));
        if (!label || !label->text || row->label != label->text) break;
        if (!value || !value->text || row->value != value->text) ui_stat_rows_set_value(table, i, row->value.c_str());
    }
    list_free(rows);
}

// ---- Buttons ----

void sector_panel_on_close(Control *header) {
    Control *panel = header ? static_cast<Control *>(header->user_data) : nullptr;
    if (!sector_panel_state(panel)) return;
    game_flash_panel_frame(game_get(), panel);
    control_remove(panel);
}

void sector_panel_on_combat(Control *button) { sector_panel_call_slot(sector_panel_of_control(button), SECTOR_SLOT_COMBAT); }
void sector_panel_on_ship_pick(Control *list) { sector_panel_call_slot(sector_panel_of_control(list), SECTOR_SLOT_SHIP_PICK); }
void sector_panel_on_set_course(Control *button) { sector_panel_call_slot(sector_panel_of_control(button), SECTOR_SLOT_SET_COURSE); }
void sector_panel_on_zoom(Control *button) { sector_panel_call_slot(sector_panel_of_control(button), SECTOR_SLOT_ZOOM); }
