// The starship "Assign Officer" dialog: the target ship's row, the sector line and one row per
// candidate officer (starbase commander, starbase pool, the owner's other ship commanders).
#include "screens/ships/ship_officer_assignment.h"

#include <algorithm>
#include <new>
#include <vector>

#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/str.h"
#include "screens/ships/ships_list.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "ui/value_bar.h"
#include "views/commander_box.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int ROW_GAP = 4;
constexpr int BAR_WIDTH = 76;
constexpr int HOVER_MS = 200;
constexpr uint32_t TARGET_ROW_FLAGS = SHIP_ROW_COMMANDER | SHIP_ROW_TINTED;

void release_officer(Officer *officer) { officer_release(officer); }

void size_to_content(Control *panel, int dw, int dh) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + dw, h + dh);
}

void call_slot(Control *dialog, int slot) {
    AssignOfficerState *state = officer_assign_state(dialog);
    if (state && state->slot[slot]) state->slot[slot](dialog);
}

// The first starbase of the sector, when the sector counts one.
Site *sector_starbase(const Sector *sector) {
    return sector && sector->site_counts[SITE_STARBASE] > 0 ? sector_find_site_of_kind(sector, SITE_STARBASE) : nullptr;
}

// One candidate: the officer, and the row's middle column (a starbase's picture with the arrow
// and "Starbase", or a ship's picture, name and bars).
struct Candidate {
    Officer    *officer;
    GameObject *post;
    bool        starbase;
};

std::vector<Candidate> candidates_of(const Ship *ship, const Sector *sector) {
    std::vector<Candidate> out;
    Site *base = sector_starbase(sector);
    if (base && base->owner_id == ship->owner_id) {
        if (base->commander) out.push_back({base->commander, base, true});
        for (Officer *officer : base->officers.items) {
            if (!officer) break;
            out.push_back({officer, base, true});
        }
    }
    for (int32_t i = 0; i < sector_object_count(sector); ++i) {
        Ship *other = ship_of(sector_get_object(sector, i));
        if (other && other != ship && other->owner_id == ship->owner_id && other->pilot)
            out.push_back({other->pilot, other, false});
    }
    return out;
}

// A captioned bar pair: the icon, and the bar 20 pixels right of it, centred on it.
void add_bar_pair(Control *row, int icon_type, int icon_id, int bar_id, int value, int max) {
    Control *icon = panel_add_child(row, 0, 0, icon_id, 1, image_control_create_frame(icon_type, 1));
    Control *bar = value_bar_create_with_text(BAR_WIDTH, value, max);
    if (bar) panel_add_child(row, 0, 0, bar_id, 1, bar);
    (void)icon;
}

Control *candidate_row_create(Control *dialog, const Candidate &c, int index, uint32_t flags) {
    Control *row = panel_create_empty();
    if (!row) return nullptr;
    officer_row_set_hover_look(row);
    control_set_user_data(row, dialog, nullptr);
    control_set_callback(row, CONTROL_ON_CLICK, officer_assign_on_pick);
    panel_of(row)->value = index;
    const uint32_t box_flags = COMMANDER_BOX_SKILLS | ((flags & ASSIGN_OFFICER_ANIMATE) ? COMMANDER_BOX_ANIMATE : 0);
    panel_add_child(row, 12, 8, ASSIGN_ROW_ID_BOX, 1, commander_box_create(c.officer, box_flags));
    if (c.starbase) {
        panel_add_child(row, 0, 0, ASSIGN_ROW_ID_STARBASE, 1, object_picture_control(c.post));
        panel_add_child(row, 0, 0, ASSIGN_ROW_ID_ARROW, 1, image_control_create_frame(IMAGE_COMMANDER, 1));
        panel_add_child(row, 0, 0, ASSIGN_ROW_ID_STARBASE_LABEL, 1, text_label_create_plain(2, 230, 230, 230, "Starbase"));
    } else {
        const Ship *ship = ship_of(c.post);
        panel_add_child(row, 0, 0, ASSIGN_ROW_ID_SHIP, 1, object_picture_control(c.post));
        panel_add_child(row, 0, 0, ASSIGN_ROW_ID_SHIP_NAME, 1,
                        text_label_create_plain(2, 230, 230, 230, object_get_name(c.post)));
        add_bar_pair(row, IMAGE_ARMOUR, ASSIGN_ROW_ID_ARMOUR_ICON, ASSIGN_ROW_ID_ARMOUR_BAR, ship->armour, ship->max_armour);
        add_bar_pair(row, IMAGE_CREW, ASSIGN_ROW_ID_CREW_ICON, ASSIGN_ROW_ID_CREW_BAR, ship->crew, ship->max_crew);
    }
    return row;
}

int width_of(Control *row, int id) {
    const Control *c = panel_find_child(row, id);
    return c ? c->w : 0;
}

// Places the children of every row in common columns: the box, the pictures, then the starbase's
// arrow and label or the ship's name with its two bar pairs beside it.
void lay_out_rows(const std::vector<Control *> &rows) {
    List<Control> boxes;
    int box_w = 0, picture_w = 0, name_w = 0;
    for (Control *row : rows)
        if (Control *box = panel_find_child(row, ASSIGN_ROW_ID_BOX)) (void)list_append(&boxes, box);
    commander_boxes_align(&boxes);
    for (Control *box : boxes.items) box_w = std::max(box_w, box ? box->w : 0);
    for (Control *row : rows) {
        picture_w = std::max({picture_w, width_of(row, ASSIGN_ROW_ID_STARBASE), width_of(row, ASSIGN_ROW_ID_SHIP)});
        name_w = std::max({name_w, width_of(row, ASSIGN_ROW_ID_SHIP_NAME), width_of(row, ASSIGN_ROW_ID_STARBASE_LABEL)});
    }
    list_reset(&boxes);
    const int picture_x = 12 + box_w + 12;
    const int text_x = picture_x + picture_w + 12;
    for (Control *row : rows) {
        Control *box = panel_find_child(row, ASSIGN_ROW_ID_BOX);
        if (box) control_set_size(box, box_w, box->h);
        int h = box ? box->y + box->h : 0;
        for (int id : {ASSIGN_ROW_ID_STARBASE, ASSIGN_ROW_ID_SHIP})
            if (Control *picture = panel_find_child(row, id)) {
                control_set_position(picture, picture_x + picture_w / 2 - picture->w / 2, 6);
                h = std::max(h, picture->y + picture->h);
            }
        const int mid = (h + 8) / 2;
        if (Control *arrow = panel_find_child(row, ASSIGN_ROW_ID_ARROW)) {
            control_set_position(arrow, text_x, mid - arrow->h / 2);
            if (Control *label = panel_find_child(row, ASSIGN_ROW_ID_STARBASE_LABEL))
                control_set_position(label, text_x + arrow->w + 6, mid - label->h / 2);
        }
        if (Control *name = panel_find_child(row, ASSIGN_ROW_ID_SHIP_NAME)) {
            // The two bar pairs stand one over the other right of the name, the block centred.
            const int pair_h = 18, block_h = 2 * pair_h + 4;
            const int mid_bars = std::max(mid, 6 + block_h / 2);
            control_set_position(name, text_x, mid_bars - name->h / 2);
            const int bars_x = text_x + name_w + 12;
            int y = mid_bars - block_h / 2;
            for (auto [icon_id, bar_id] : {std::pair{ASSIGN_ROW_ID_ARMOUR_ICON, ASSIGN_ROW_ID_ARMOUR_BAR},
                                           std::pair{ASSIGN_ROW_ID_CREW_ICON, ASSIGN_ROW_ID_CREW_BAR}}) {
                Control *icon = panel_find_child(row, icon_id);
                Control *bar = panel_find_child(row, bar_id);
                if (icon) control_set_position(icon, bars_x, y + pair_h / 2 - icon->h / 2);
                if (bar) control_set_position(bar, bars_x + (icon ? icon->w : 0) + 20, y + pair_h / 2 - bar->h / 2);
                y += pair_h + 4;
            }
        }
        size_to_content(row, 8, 8);
    }
}

}  // namespace

void officer_assign_state_free(void *state) {
    auto *s = static_cast<AssignOfficerState *>(state);
    if (!s) return;
    GameObject *target = s->target;
    s->target = nullptr;
    list_clear(&s->officers);   // releases the officers
    list_reset(&s->rows);
    delete s;
    if (target) object_release(target);
}

AssignOfficerState *officer_assign_state(Control *dialog) {
    return dialog && dialog->widget_free == officer_assign_state_free ? static_cast<AssignOfficerState *>(dialog->widget_state)
                                                                     : nullptr;
}

void officer_row_set_hover_look(Control *row) {
    panel_set_background_hover(row, 24, 4, 24, 0, 4, 48, HOVER_MS);
    panel_set_border_hover(row, 90, 100, 10, 230, 230, 230, HOVER_MS);
}

Control *object_picture_control(GameObject *object) {
    if (!object) return nullptr;
    // A site shows its template's frame (its own is the sector view's full-size body); another
    // object its kind's icon, else its current frame: the size a list row takes.
    if (object->kind == OBJECT_SITE)
        if (GameObject *tmpl = site_template(object->subtype)) object = tmpl;
    int32_t frame = object_get_icon(object);
    if (frame < 0 || frame >= object->frame_count || !object_frame_sprite(object, frame)) frame = std::max(object->frame, 0);
    return image_control_create_single(const_cast<Sprite *>(object_frame_sprite(object, frame)));
}

AssignOfficerState *officer_assign_state_install(Control *dialog, GameObject *target) {
    auto *state = new (std::nothrow) AssignOfficerState();
    if (!state) return nullptr;
    state->officers.free_fn = release_officer;
    if (target) {
        object_add_ref(target);
        state->target = target;
    }
    panel_set_command_state(dialog, state, officer_assign_state_free);
    return state;
}

void officer_assign_build(Control *dialog, GameObject *ship_obj, uint32_t flags) {
    if (!panel_of(dialog)) return;
    panel_remove_children(dialog);
    panel_set_shade(dialog, 3);
    panel_set_border(dialog, true);
    colour_fade_set(panel_border_colour(dialog), 64, 64, 16);
    AssignOfficerState *state = officer_assign_state_install(dialog, ship_obj);
    if (!state) return;
    Ship *ship = ship_of(ship_obj);
    Sector *sector = ship ? sector_of(game_find_object(game_get(), ship->sector_id)) : nullptr;
    if (!sector) return;
    int32_t r = 230, g = 230, b = 230;
    game_get_player_colors(game_get(), sector->owner_id, &r, &g, &b);

    const bool animate = flags & ASSIGN_OFFICER_ANIMATE;
    Control *title = panel_add_child(dialog, 3, 3, ASSIGN_OFFICER_ID_TITLE, 0,
                                     ui_button_create("Assign Officer", nullptr, officer_assign_on_close, dialog,
                                                      TITLE_CLOSE | (animate ? TITLE_ANIMATE : 0)));
    const int title_h = title ? title->h : 0;
    Control *to = panel_add_child(dialog, 7, title_h + 7, 0, 0, text_label_create_plain(1, 230, 230, 230, "To starship"));
    int y = title_h + 7 + (to ? to->h + 4 : 0);
    Control *target = ship_row_create(ship, TARGET_ROW_FLAGS | (animate ? SHIP_ROW_ANIMATE : 0));
    if (panel_add_child(dialog, 6, y, ASSIGN_OFFICER_ID_TARGET_ROW, 0, target)) {
        List<Control> one;
        (void)list_append(&one, target);
        ship_rows_align_columns(&one);
        list_reset(&one);
        y += target->h;
    }
    y += 20;
    Control *from = panel_add_child(dialog, 10, y, 0, 0, text_label_create_plain(1, 230, 230, 230, "From"));
    if (from) y += from->h + 2;
    const std::string where = str_format("%s sector", object_get_name(sector));
    Control *line = panel_add_child(dialog, 10, y, 0, 0, text_label_create_plain(1, r, g, b, where.c_str()));
    if (line) y += line->h + 6;

    Control *list = panel_add_child(dialog, 6, y, ASSIGN_OFFICER_ID_LIST, 0, panel_create_empty());
    std::vector<Control *> rows;
    if (list) {
        for (const Candidate &c : candidates_of(ship, sector)) {
            Control *row = candidate_row_create(dialog, c, int(rows.size()), flags);
            if (!row) continue;
            officer_retain(c.officer);
            if (list_append(&state->officers, c.officer) < 0) {
                officer_release(c.officer);
                control_destroy(row);
                continue;
            }
            (void)list_append(&state->rows, row);
            panel_add_child(list, 0, 0, 0, 0, row);
            rows.push_back(row);
        }
        lay_out_rows(rows);
        int widest = 0, ry = 0;
        for (Control *row : rows) widest = std::max(widest, row->w);
        for (Control *row : rows) {
            control_set_size(row, widest, row->h);
            control_set_position(row, 0, ry);
            ry += row->h + ROW_GAP;
        }
        size_to_content(list, 0, 0);
    }
    if ((flags & ASSIGN_OFFICER_CANCEL) && list) {
        Control *cancel = image_button_create(IMAGE_CANCEL, 6, "Cancel", officer_assign_on_cancel, 0, dialog);
        if (cancel)
            panel_add_child(dialog, list->x + list->w - 25 - cancel->w / 2, list->y + list->h + 8,
                            ASSIGN_OFFICER_ID_CANCEL, 0, cancel);
    }
    size_to_content(dialog, 6, 6);
    if (title) ui_control_resize(title, dialog->w - 6, animate);
}

Officer *officer_assign_get_picked(Control *dialog) {
    AssignOfficerState *state = officer_assign_state(dialog);
    return state ? list_get(&state->officers, state->picked) : nullptr;
}

GameObject *officer_assign_get_target(Control *dialog) {
    AssignOfficerState *state = officer_assign_state(dialog);
    return state ? state->target : nullptr;
}

void officer_assign_set_pick_handler(Control *dialog, ControlFn handler) {
    if (AssignOfficerState *state = officer_assign_state(dialog)) state->slot[ASSIGN_OFFICER_SLOT_PICK] = handler;
}

void officer_assign_set_back_handler(Control *dialog, ControlFn handler) {
    if (AssignOfficerState *state = officer_assign_state(dialog)) state->slot[ASSIGN_OFFICER_SLOT_BACK] = handler;
}

void officer_assign_on_pick(Control *row) {
    Control *dialog = row ? static_cast<Control *>(row->user_data) : nullptr;
    AssignOfficerState *state = officer_assign_state(dialog);
    if (!state || !panel_of(row)) return;
    state->picked = panel_of(row)->value;
    call_slot(dialog, ASSIGN_OFFICER_SLOT_PICK);
}

void officer_assign_on_cancel(Control *button) {
    call_slot(button ? static_cast<Control *>(button->user_data) : nullptr, ASSIGN_OFFICER_SLOT_BACK);
}

void officer_assign_on_close(Control *title) {
    Control *dialog = title ? static_cast<Control *>(title->user_data) : nullptr;
    if (!officer_assign_state(dialog)) return;
    game_flash_panel_frame(game_get(), dialog);
    control_remove(dialog);
}
