// The "Assign Officer" dialog for a starship or a starbase post, and the row look and object
// pictures the officer panels share.
#include "screens/officers/officer_choice.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/str.h"
#include "screens/officers/officers_local.h"
#include "screens/ships/ships_list.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel_slots.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "ui/value_bar.h"
#include "views/commander_box.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int CHOICE_ROW_GAP = 4;
constexpr int BAR_WIDTH = 76;
constexpr uint32_t TARGET_ROW_FLAGS = SHIP_ROW_COMMANDER | SHIP_ROW_TINTED;

void free_officer_choice_state(void *state) {
    auto *s = static_cast<OfficerChoiceState *>(state);
    if (!s) return;
    GameObject *target = s->target;
    s->target = nullptr;
    list_clear(&s->officers);   // releases the officers
    list_reset(&s->rows);
    delete s;
    if (target) object_release(target);
}

// Gives the dialog a new, empty state whose target is the object (one more reference, when any);
// null when no state could be made.
OfficerChoiceState *install_state(Control *dialog, GameObject *target) {
    auto *state = new (std::nothrow) OfficerChoiceState();
    if (!state) return nullptr;
    state->officers.free_fn = officers_detail::release_officer;
    if (target) {
        object_add_ref(target);
        state->target = target;
    }
    panel_set_command_state(dialog, state, free_officer_choice_state);
    return state;
}

void call_officer_choice_slot(Control *dialog, int slot) {
    if (officer_choice_state(dialog)) panel_call_slot(dialog, slot);
}

int width_of(Control *row, int id) {
    const Control *c = panel_find_child(row, id);
    return c ? c->w : 0;
}

// ---- A starship post ----

// One candidate: the officer, and the row's middle column (a starbase's picture with the arrow
// and "Starbase", or a ship's picture, name and bars).
struct Candidate {
    Officer    *officer;
    GameObject *post;
    bool        starbase;
};

std::vector<Candidate> candidates_of(const Ship *ship, const Sector *sector) {
    std::vector<Candidate> out;
    Site *base = officers_detail::sector_starbase(sector);
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

// A candidate's row, empty: lit under the pointer, a click picks candidate `index` of the dialog.
Control *candidate_row(Control *dialog, int index) {
    Control *row = panel_create_empty();
    if (!row) return nullptr;
    officer_row_set_hover_look(row);
    control_set_user_data(row, dialog, nullptr);
    control_set_callback(row, CONTROL_ON_CLICK, officer_choice_on_pick);
    panel_of(row)->value = index;
    return row;
}

Control *ship_candidate_row(Control *dialog, const Candidate &c, int index, uint32_t flags) {
    Control *row = candidate_row(dialog, index);
    if (!row) return nullptr;
    const uint32_t box_flags = COMMANDER_BOX_SKILLS | ((flags & OFFICER_CHOICE_ANIMATE) ? COMMANDER_BOX_ANIMATE : 0);
    panel_add_child(row, 12, 8, OFFICER_CHOICE_ROW_ID_BOX, 1, commander_box_create(c.officer, box_flags));
    if (c.starbase) {
        panel_add_child(row, 0, 0, OFFICER_CHOICE_ROW_ID_STARBASE, 1, object_picture_control(c.post));
        panel_add_child(row, 0, 0, OFFICER_CHOICE_ROW_ID_ARROW, 1, image_control_create_frame(IMAGE_COMMANDER, 1));
        panel_add_child(row, 0, 0, OFFICER_CHOICE_ROW_ID_STARBASE_LABEL, 1, text_label_create_plain(2, 230, 230, 230, "Starbase"));
    } else {
        const Ship *ship = ship_of(c.post);
        panel_add_child(row, 0, 0, OFFICER_CHOICE_ROW_ID_SHIP, 1, object_picture_control(c.post));
        panel_add_child(row, 0, 0, OFFICER_CHOICE_ROW_ID_SHIP_NAME, 1,
                        text_label_create_plain(2, 230, 230, 230, object_get_name(c.post)));
        add_bar_pair(row, IMAGE_ARMOUR, OFFICER_CHOICE_ROW_ID_ARMOUR_ICON, OFFICER_CHOICE_ROW_ID_ARMOUR_BAR, ship->armour, ship->max_armour);
        add_bar_pair(row, IMAGE_CREW, OFFICER_CHOICE_ROW_ID_CREW_ICON, OFFICER_CHOICE_ROW_ID_CREW_BAR, ship->crew, ship->max_crew);
    }
    return row;
}

// Places the children of every row in common columns: the box, the pictures, then the starbase's
// arrow and label or the ship's name with its two bar pairs beside it.
void lay_out_ship_rows(const std::vector<Control *> &rows) {
    List<Control> boxes;
    int box_w = 0, picture_w = 0, name_w = 0;
    for (Control *row : rows)
        if (Control *box = panel_find_child(row, OFFICER_CHOICE_ROW_ID_BOX)) (void)list_append(&boxes, box);
    commander_boxes_align(&boxes);
    for (Control *box : boxes.items) box_w = std::max(box_w, box ? box->w : 0);
    for (Control *row : rows) {
        picture_w = std::max({picture_w, width_of(row, OFFICER_CHOICE_ROW_ID_STARBASE), width_of(row, OFFICER_CHOICE_ROW_ID_SHIP)});
        name_w = std::max({name_w, width_of(row, OFFICER_CHOICE_ROW_ID_SHIP_NAME), width_of(row, OFFICER_CHOICE_ROW_ID_STARBASE_LABEL)});
    }
    list_reset(&boxes);
    const int picture_x = 12 + box_w + 12;
    const int text_x = picture_x + picture_w + 12;
    for (Control *row : rows) {
        Control *box = panel_find_child(row, OFFICER_CHOICE_ROW_ID_BOX);
        if (box) control_set_size(box, box_w, box->h);
        int h = box ? box->y + box->h : 0;
        for (int id : {OFFICER_CHOICE_ROW_ID_STARBASE, OFFICER_CHOICE_ROW_ID_SHIP})
            if (Control *picture = panel_find_child(row, id)) {
                control_set_position(picture, picture_x + picture_w / 2 - picture->w / 2, 6);
                h = std::max(h, picture->y + picture->h);
            }
        const int mid = (h + 8) / 2;
        if (Control *arrow = panel_find_child(row, OFFICER_CHOICE_ROW_ID_ARROW)) {
            control_set_position(arrow, text_x, mid - arrow->h / 2);
            if (Control *label = panel_find_child(row, OFFICER_CHOICE_ROW_ID_STARBASE_LABEL))
                control_set_position(label, text_x + arrow->w + 6, mid - label->h / 2);
        }
        if (Control *name = panel_find_child(row, OFFICER_CHOICE_ROW_ID_SHIP_NAME)) {
            // The two bar pairs stand one over the other right of the name, the block centred.
            const int pair_h = 18, block_h = 2 * pair_h + 4;
            const int mid_bars = std::max(mid, 6 + block_h / 2);
            control_set_position(name, text_x, mid_bars - name->h / 2);
            const int bars_x = text_x + name_w + 12;
            int y = mid_bars - block_h / 2;
            for (auto [icon_id, bar_id] : {std::pair{OFFICER_CHOICE_ROW_ID_ARMOUR_ICON, OFFICER_CHOICE_ROW_ID_ARMOUR_BAR},
                                           std::pair{OFFICER_CHOICE_ROW_ID_CREW_ICON, OFFICER_CHOICE_ROW_ID_CREW_BAR}}) {
                Control *icon = panel_find_child(row, icon_id);
                Control *bar = panel_find_child(row, bar_id);
                if (icon) control_set_position(icon, bars_x, y + pair_h / 2 - icon->h / 2);
                if (bar) control_set_position(bar, bars_x + (icon ? icon->w : 0) + 20, y + pair_h / 2 - bar->h / 2);
                y += pair_h + 4;
            }
        }
        officers_detail::size_to_content(row, 8, 8);
    }
}


// The body for a starship: the target ship's row, the sector line, the candidates.
void build_for_ship(Control *dialog, OfficerChoiceState *state, Ship *ship, uint32_t flags) {
    Sector *sector = ship ? sector_of(game_find_object(game_get(), ship->sector_id)) : nullptr;
    if (!sector) return;
    int32_t r = 230, g = 230, b = 230;
    game_get_player_colors(game_get(), sector->owner_id, &r, &g, &b);

    const bool animate = flags & OFFICER_CHOICE_ANIMATE;
    Control *title = panel_add_child(dialog, 3, 3, OFFICER_CHOICE_ID_TITLE, 0,
                                     ui_button_create("Assign Officer", nullptr, officer_choice_on_close, dialog,
                                                      TITLE_CLOSE | (animate ? TITLE_ANIMATE : 0)));
    const int title_h = title ? title->h : 0;
    Control *to = panel_add_child(dialog, 7, title_h + 7, 0, 0, text_label_create_plain(1, 230, 230, 230, "To starship"));
    int y = title_h + 7 + (to ? to->h + 4 : 0);
    Control *target = ship_row_create(ship, TARGET_ROW_FLAGS | (animate ? SHIP_ROW_ANIMATE : 0));
    if (panel_add_child(dialog, 6, y, OFFICER_CHOICE_ID_TARGET_ROW, 0, target)) {
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

    Control *list = panel_add_child(dialog, 6, y, OFFICER_CHOICE_ID_LIST, 0, panel_create_empty());
    std::vector<Control *> rows;
    if (list) {
        for (const Candidate &c : candidates_of(ship, sector)) {
            Control *row = ship_candidate_row(dialog, c, int(rows.size()), flags);
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
        lay_out_ship_rows(rows);
        int widest = 0, ry = 0;
        for (Control *row : rows) widest = std::max(widest, row->w);
        for (Control *row : rows) {
            control_set_size(row, widest, row->h);
            control_set_position(row, 0, ry);
            ry += row->h + CHOICE_ROW_GAP;
        }
        officers_detail::size_to_content(list, 0, 0);
    }
    if ((flags & OFFICER_CHOICE_CANCEL) && list) {
        Control *cancel = image_button_create(IMAGE_CANCEL, 6, "Cancel", officer_choice_on_cancel, 0, dialog);
        if (cancel)
            panel_add_child(dialog, list->x + list->w - 25 - cancel->w / 2, list->y + list->h + 8,
                            OFFICER_CHOICE_ID_CANCEL, 0, cancel);
    }
    officers_detail::size_to_content(dialog, 6, 6);
    if (title) ui_control_resize(title, dialog->w - 6, animate);
}


// ---- A starbase post ----

// A row of the "From" list: the officer's box and the post it holds now.
Control *starbase_candidate_row(Control *dialog, Officer *officer, GameObject *post, bool pool, int index, uint32_t flags) {
    Control *row = candidate_row(dialog, index);
    if (!row) return nullptr;
    const bool alt = flags & OFFICER_CHOICE_ANIMATE;
    uint32_t box_flags = pool ? COMMANDER_BOX_SKILLS : 0;
    if (alt) box_flags |= COMMANDER_BOX_ANIMATE;
    panel_add_child(row, 12, 8, OFFICER_CHOICE_ROW_ID_BOX, 1, commander_box_create(officer, box_flags));
    panel_add_child(row, 0, 0, pool ? OFFICER_CHOICE_ROW_ID_STARBASE : OFFICER_CHOICE_ROW_ID_SHIP, 1, object_picture_control(post));
    if (pool) {
        panel_add_child(row, 0, 0, OFFICER_CHOICE_ROW_ID_STARBASE_LABEL, 1, text_label_create_plain(1, 230, 230, 230, "Starbase"));
    } else {
        const Ship *ship = ship_of(post);
        panel_add_child(row, 0, 0, OFFICER_CHOICE_ROW_ID_SHIP_NAME, 1, text_label_create_plain(2, 230, 230, 230, object_get_name(post)));
        panel_add_child(row, 0, 0, OFFICER_CHOICE_ROW_ID_ARMOUR_ICON, 1, image_control_create_frame(IMAGE_ARMOUR, 1));
        panel_add_child(row, 0, 0, OFFICER_CHOICE_ROW_ID_ARMOUR_BAR, 1, value_bar_create_with_text(BAR_WIDTH, ship->armour, ship->max_armour));
        panel_add_child(row, 0, 0, OFFICER_CHOICE_ROW_ID_CREW_ICON, 1, image_control_create_frame(IMAGE_CREW, 1));
        panel_add_child(row, 0, 0, OFFICER_CHOICE_ROW_ID_CREW_BAR, 1, value_bar_create_with_text(BAR_WIDTH, ship->crew, ship->max_crew));
    }
    return row;
}

// Common columns: the boxes as wide as the widest, then a ship's picture and name centred in one
// column with its two bars after it, or the starbase's picture and caption.
void lay_out_starbase_rows(const std::vector<Control *> &rows) {
    List<Control> boxes;
    for (Control *row : rows)
        if (Control *box = panel_find_child(row, OFFICER_CHOICE_ROW_ID_BOX)) (void)list_append(&boxes, box);
    commander_boxes_align(&boxes);
    int box_w = 0, column_w = 0;
    for (Control *box : boxes.items) box_w = std::max(box_w, box ? box->w : 0);
    list_reset(&boxes);
    for (Control *row : rows)
        column_w = std::max({column_w, width_of(row, OFFICER_CHOICE_ROW_ID_SHIP), width_of(row, OFFICER_CHOICE_ROW_ID_SHIP_NAME)});
    const int column_x = 12 + box_w + 12;
    for (Control *row : rows) {
        Control *box = panel_find_child(row, OFFICER_CHOICE_ROW_ID_BOX);
        if (box) control_set_size(box, box_w, box->h);
        const int box_bottom = box ? box->y + box->h : 0;
        if (Control *picture = panel_find_child(row, OFFICER_CHOICE_ROW_ID_STARBASE)) {
            const int h = std::max(box_bottom, picture->h + 8);
            control_set_position(picture, column_x, std::max(0, (h + 8) / 2 - picture->h / 2));
            if (Control *caption = panel_find_child(row, OFFICER_CHOICE_ROW_ID_STARBASE_LABEL))
                control_set_position(caption, picture->x + picture->w + 8, (h + 8) / 2 - caption->h / 2);
        }
        if (Control *picture = panel_find_child(row, OFFICER_CHOICE_ROW_ID_SHIP)) {
            Control *name = panel_find_child(row, OFFICER_CHOICE_ROW_ID_SHIP_NAME);
            control_set_position(picture, column_x + column_w / 2 - picture->w / 2, 10);
            if (name) control_set_position(name, column_x + column_w / 2 - name->w / 2, 10 + picture->h + 13);
            int x = column_x + column_w + 12;
            int y = 8;
            for (auto [icon_id, bar_id] : {std::pair{OFFICER_CHOICE_ROW_ID_ARMOUR_ICON, OFFICER_CHOICE_ROW_ID_ARMOUR_BAR},
                                           std::pair{OFFICER_CHOICE_ROW_ID_CREW_ICON, OFFICER_CHOICE_ROW_ID_CREW_BAR}}) {
                Control *icon = panel_find_child(row, icon_id);
                Control *bar = panel_find_child(row, bar_id);
                if (icon) control_set_position(icon, x, y);
                if (bar) control_set_position(bar, x + (icon ? icon->w + 4 : 0), y + (icon ? icon->h / 2 - bar->h / 2 : 0));
                y += 20;
            }
        }
        officers_detail::size_to_content(row, 12, 12);
    }
}


// The body for a starbase: the sector line, the present commander's row, the candidates.
void build_for_starbase(Control *dialog, OfficerChoiceState *state, Site *base, uint32_t flags) {
    Sector *sector = base ? sector_of(game_find_object(game_get(), base->sector_id)) : nullptr;
    if (!sector) return;

    const bool alt = flags & OFFICER_CHOICE_ANIMATE;
    Control *title = panel_add_child(dialog, 3, 3, OFFICER_CHOICE_ID_TITLE, 0,
                                     ui_button_create("Assign Officer", nullptr, officer_choice_on_close, dialog,
                                                      TITLE_CLOSE | (alt ? TITLE_ANIMATE : 0)));
    if (title) control_set_callback(title, CONTROL_ON_CLICK, officer_choice_on_close);
    const int title_h = title ? title->h : 0;
    Control *to = panel_add_child(dialog, 7, title_h + 7, 0, 0, text_label_create_plain(1, 230, 230, 230, "To"));
    int y = title_h + 7 + (to ? to->h + 4 : 0);
    int32_t r = 230, g = 230, b = 230;
    game_get_player_colors(game_get(), sector->owner_id, &r, &g, &b);
    const std::string where = str_format("%s sector", object_get_name(sector));
    if (Control *line = panel_add_child(dialog, 7, y, 0, 0, text_label_create_plain(1, r, g, b, where.c_str())))
        y += line->h + 4;

    // The post: the starbase's present commander, its picture and "Starbase". It takes no pointer.
    Control *target = panel_add_child(dialog, 6, y, OFFICER_CHOICE_ID_TARGET_ROW, 0, panel_create_empty());
    if (target) {
        Control *box = panel_add_child(target, 12, 8, OFFICER_CHOICE_ROW_ID_BOX, 1,
                                       commander_box_create(base->commander, alt ? COMMANDER_BOX_ANIMATE | COMMANDER_BOX_SKILLS
                                                                                 : COMMANDER_BOX_SKILLS));
        int x = box ? box->x + box->w + 24 : 36;
        if (Control *picture = panel_add_child(target, x, 14, OFFICER_CHOICE_ROW_ID_STARBASE, 1, object_picture_control(base)))
            x += picture->w + 8;
        if (Control *arrow = panel_add_child(target, x, 18, OFFICER_CHOICE_ROW_ID_ARROW, 1, image_control_create_frame(IMAGE_COMMANDER, 1)))
            x += arrow->w + 4;
        panel_add_child(target, x, 20, OFFICER_CHOICE_ROW_ID_STARBASE_LABEL, 1, text_label_create_plain(1, 230, 230, 230, "Starbase"));
        officers_detail::size_to_content(target, 8, 8);
        panel_set_border(target, true);
        colour_fade_set(panel_border_colour(target), 90, 100, 10);
        y = target->y + target->h;
    }
    Control *from = panel_add_child(dialog, 10, y + 20, 0, 0, text_label_create_plain(1, 230, 230, 230, "From"));
    y = (from ? from->y + from->h : y + 20) + 4;

    Control *list = panel_add_child(dialog, 6, y, OFFICER_CHOICE_ID_LIST, 0, panel_create_empty());
    std::vector<Control *> rows;
    auto add = [&](Officer *officer, GameObject *post, bool pool) {
        Control *row = starbase_candidate_row(dialog, officer, post, pool, int(rows.size()), flags);
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
        lay_out_starbase_rows(rows);
        int widest = target ? target->w : 0, ry = 0;
        for (Control *row : rows) widest = std::max(widest, row->w);
        for (Control *row : rows) {
            control_set_size(row, widest, row->h);
            control_set_position(row, 0, ry);
            ry += row->h + CHOICE_ROW_GAP;
        }
        if (target) control_set_size(target, widest, target->h);
        officers_detail::size_to_content(list, 0, 0);
        if (rows.empty()) control_set_size(list, widest, 1);
    }
    if ((flags & OFFICER_CHOICE_CANCEL) && list) {
        Control *cancel = image_button_create(IMAGE_CANCEL, 6, "Cancel", officer_choice_on_cancel, 0, dialog);
        if (cancel)
            panel_add_child(dialog, list->x + list->w - cancel->w / 2 - 25, list->y + list->h + 8,
                            OFFICER_CHOICE_ID_CANCEL, 0, cancel);
    }
    officers_detail::size_to_content(dialog, 6, 6);
    if (title) ui_control_resize(title, dialog->w - 6, alt);
}

}  // namespace

OfficerChoiceState *officer_choice_state(Control *dialog) {
    return dialog && dialog->widget_free == free_officer_choice_state ? static_cast<OfficerChoiceState *>(dialog->widget_state) : nullptr;
}

void officer_row_set_hover_look(Control *row) {
    panel_set_background_hover(row, 24, 4, 24, 0, 4, 48, officers_detail::HOVER_MS);
    panel_set_border_hover(row, 90, 100, 10, 230, 230, 230, officers_detail::HOVER_MS);
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

void officer_choice_build(Control *dialog, GameObject *target, uint32_t flags) {
    if (!panel_of(dialog)) return;
    panel_remove_children(dialog);
    panel_set_shade(dialog, 3);
    panel_set_border(dialog, true);
    colour_fade_set(panel_border_colour(dialog), 64, 64, 16);
    const bool starbase = target && target->kind == OBJECT_SITE;
    if (starbase)
        colour_fade_start(panel_background_colour(dialog), 0, 0, 16, 0, 0, 40, 2000, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    OfficerChoiceState *state = install_state(dialog, target);
    if (!state) return;
    if (starbase) build_for_starbase(dialog, state, site_cast(target), flags);
    else build_for_ship(dialog, state, ship_of(target), flags);
}

Officer *officer_choice_picked(Control *dialog) {
    OfficerChoiceState *state = officer_choice_state(dialog);
    return state ? list_get(&state->officers, state->picked) : nullptr;
}

GameObject *officer_choice_target(Control *dialog) {
    OfficerChoiceState *state = officer_choice_state(dialog);
    return state ? state->target : nullptr;
}

void officer_choice_on_pick(Control *row) {
    Control *dialog = row ? static_cast<Control *>(row->user_data) : nullptr;
    OfficerChoiceState *state = officer_choice_state(dialog);
    if (!state || !panel_of(row)) return;
    state->picked = panel_of(row)->value;
    call_officer_choice_slot(dialog, OFFICER_CHOICE_SLOT_PICK);
}

void officer_choice_on_cancel(Control *button) {
    call_officer_choice_slot(button ? static_cast<Control *>(button->user_data) : nullptr, OFFICER_CHOICE_SLOT_BACK);
}

void officer_choice_on_close(Control *title) {
    Control *dialog = title ? static_cast<Control *>(title->user_data) : nullptr;
    if (!officer_choice_state(dialog)) return;
    game_flash_panel_frame(game_get(), dialog);
    control_remove(dialog);
}
