// The commanding officer panel: the officer's header, portrait, rank and skills, and the posts it
// may move to in its sector as a scrolled row list with "Cancel" below.
#include "screens/officers/commanding_officer_panel.h"

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
#include "screens/officers/officer_detail_panel.h"
#include "screens/officers/officer_choice.h"
#include "screens/officers/officers_local.h"
#include "screens/ships/ships_list.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel_slots.h"
#include "ui/scroll_list.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "views/commander_box.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int SKILL_SHOW_MS = 200;
constexpr uint32_t SHIP_ROW_FLAGS = SHIP_ROW_ANIMATE | SHIP_ROW_CLICKABLE | SHIP_ROW_COMMANDER;   // 11
constexpr uint32_t STARBASE_BOX_FLAGS = COMMANDER_BOX_ANIMATE | COMMANDER_BOX_SKILLS;             // 5

void free_commanding_state(void *state) {
    auto *s = static_cast<CommandingOfficerState *>(state);
    if (!s) return;
    Officer *officer = s->officer;
    s->officer = nullptr;
    delete s;
    officer_release(officer);
}

void call_commanding_slot(Control *panel, int slot) {
    if (commanding_officer_panel_state(panel)) panel_call_slot(panel, slot);
}

// The panel of a control inside it: the user data every row, list and bar carries.
Control *owner_panel(Control *c) { return c ? static_cast<Control *>(c->user_data) : nullptr; }

// The header lines: "Commanding Officer" and the post's name; null text when there is no post.
std::string post_text(const Officer *officer) {
    if (const Ship *ship = officer->ship_id ? ship_of(game_find_object(game_get(), officer->ship_id)) : nullptr)
        return str_format("Starship %s", object_get_name(ship));
    if (officer->site_id != 0 && officer->sector_id != 0)
        if (const Sector *sector = sector_find(officer->sector_id)) return str_format("Starbase %s", object_get_name(sector));
    return {};
}

// The rank insignia and name right of the portrait, the skill icons below them. Returns the bottom.
int add_rank_and_skills(Control *panel, const Officer *officer, int x, int y) {
    const int rank = officer->rank;
    Control *icon = panel_add_child(panel, x, y, 0, 0,
                                    image_control_create(rank >= 0 && rank <= RANK_FLEET_ADMIRAL ? officer_rank_icon(rank) : 116));
    const int icon_w = icon ? icon->w : 0, icon_h = icon ? icon->h : 0;
    if (Control *name = text_label_create_plain(2, 230, 230, 0, officer_rank_name(rank)))
        panel_add_child(panel, x + icon_w + 10, y + icon_h / 2 - name->h / 2, 0, 0, name);
    int bottom = y + icon_h;
    int sx = x;
    for (int skill = 0; skill < OFFICER_SKILL_COUNT; ++skill) {
        if (officer->skills[skill] <= 0) continue;
        Control *s = panel_add_child(panel, sx, y + icon_h + 8, 0, 0, image_control_create(officer_skill_icon(skill)));
        if (!s) continue;
        control_hide_for(s, SKILL_SHOW_MS);
        sx += s->w + 3;
        bottom = std::max(bottom, s->y + s->h);
    }
    return bottom;
}

void set_row_scrolling(Control *row, Control *panel) {
    control_set_callback(row, CONTROL_ON_WHEEL, scroll_list_on_wheel);
    (void)panel;
}

// The "Starbase" row (command) or the officer-pool row of the starbase.
Control *starbase_row_create(Control *panel, Site *base, bool command) {
    Control *row = panel_create_empty();
    if (!row) return nullptr;
    officer_row_set_hover_look(row);
    Control *picture = panel_add_child(row, 7, 6, COMMANDING_ROW_ID_PICTURE, 1, object_picture_control(base));
    int x = 7 + (picture ? picture->w : 0) + 19;
    Control *icon = nullptr;
    if (command && (icon = panel_add_child(row, x, 6, COMMANDING_ROW_ID_ICON, 1, image_control_create(IMAGE_COMMANDER))))
        x += icon->w + 6;
    Control *caption = panel_add_child(row, x, 12, COMMANDING_ROW_ID_CAPTION, 1,
                                       text_label_create_plain(1, 230, 230, 230, command ? "Starbase" : "Starbase - Officer pool"));
    if (command) {
        x += (caption ? caption->w : 0) + 12;
        panel_add_child(row, x, 6, COMMANDING_ROW_ID_BOX, 1, commander_box_create(base->commander, STARBASE_BOX_FLAGS));
    }
    officers_detail::size_to_content(row, 4, 6);
    for (Control *c : {picture, icon, caption})
        if (c) control_set_position(c, c->x, row->h / 2 - c->h / 2);
    if (command) row->id = COMMANDING_ID_STARBASE_ROW;
    control_set_user_data(row, panel, nullptr);
    control_set_callback(row, CONTROL_ON_CLICK, commanding_officer_panel_on_row);
    set_row_scrolling(row, panel);
    return row;
}

}  // namespace

CommandingOfficerState *commanding_officer_panel_state(Control *panel) {
    return panel && panel->widget_free == free_commanding_state ? static_cast<CommandingOfficerState *>(panel->widget_state)
                                                     : nullptr;
}

Sector *commanding_officer_sector(const Officer *officer) {
    if (!officer) return nullptr;
    uint64_t id = officer->sector_id;
    if (const Ship *ship = officer->ship_id ? ship_of(game_find_object(game_get(), officer->ship_id)) : nullptr)
        id = ship->sector_id;
    return sector_of(game_find_object(game_get(), id));
}

void commanding_officer_panel_build(Control *panel, Officer *officer) {
    Panel *p = panel_of(panel);
    if (!p) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 3);
    panel_set_background(panel, true);
    // One blue step every 83 ms from 16 to 40, over and over.
    colour_fade_start(p->background, 0, 0, 16, 0, 0, 40, (40 - 16) * 83, 0, COLOUR_FADE_MODE_REPEAT);
    panel_set_border(panel, true);
    colour_fade_set(p->border, 64, 64, 16);
    auto *state = new (std::nothrow) CommandingOfficerState();
    if (!state) return;
    if (officer) officer_retain(officer);
    state->officer = officer;
    panel_set_command_state(panel, state, free_commanding_state);
    Sector *sector = commanding_officer_sector(officer);
    if (!sector) return;

    Control *title = panel_add_child(panel, 2, 2, COMMANDING_ID_TITLE, 0,
                                     ui_button_create(officer->name.c_str(), nullptr, commanding_officer_panel_on_title, panel,
                                                      TITLE_ANIMATE | TITLE_CLOSE));
    if (title) control_set_callback(title, CONTROL_ON_CLICK, commanding_officer_panel_on_title);
    int y = (title ? title->h : 0) + 8;
    Control *header = nullptr, *post = nullptr;
    const std::string post_name = post_text(officer);
    if (!post_name.empty()) {
        header = panel_add_child(panel, 10, y + 4, COMMANDING_ID_HEADER, 0,
                                 text_label_create_plain(2, 230, 230, 230, "Commanding Officer"));
        const int post_y = header ? header->y + header->h + 4 : y + 4;
        post = panel_add_child(panel, 10, post_y, COMMANDING_ID_POST, 0,
                               text_label_create_plain(2, 230, 230, 0, post_name.c_str()));
        y = (post ? post->y + post->h : post_y) + 8;
    }

    Control *portrait = officer_portrait_create(officer);
    if (portrait) {
        image_control_enable_border(portrait);
        colour_fade_set(image_control_border_colour(portrait), 0, 4, 16);
        panel_add_child(panel, 6, y, COMMANDING_ID_PORTRAIT, 0, portrait);
    }
    const int portrait_w = portrait ? portrait->w : 0, portrait_h = portrait ? portrait->h : 0;
    add_rank_and_skills(panel, officer, 6 + portrait_w + 20, y + 8);

    Control *assign = panel_add_child(panel, 6, y + portrait_h + 12, 0, 0,
                                      text_label_create_plain(1, 230, 230, 230, "Assign to"));
    const int list_y = assign ? assign->y + assign->h + 4 : y + portrait_h + 12;
    Control *list = panel_add_child(panel, 6, list_y, COMMANDING_ID_LIST, 0, panel_create_empty());
    if (!list) return;
    control_set_user_data(list, panel, nullptr);
    scroll_list_init(list, COMMANDING_ARROW_STEP, COMMANDING_WHEEL_STEP);
    control_set_callback(list, CONTROL_ON_WHEEL, scroll_list_on_wheel);

    // Ship rows: the owner's other ships present in the sector.
    std::vector<Control *> rows;
    List<Control> ship_rows;
    for (int32_t i = 0; i < sector_object_count(sector); ++i) {
        GameObject *ship = ship_of(sector_get_object(sector, i));
        if (!ship || ship->owner_id != officer->owner_id || ship->id == officer->ship_id) continue;
        Control *row = panel_create_empty();
        if (!row) continue;
        panel_add_child(list, 0, 0, 0, 0, row);
        ship_row_init(row, ship, SHIP_ROW_FLAGS);
        ship_row_set_click_handler(row, commanding_officer_panel_on_row);
        control_set_user_data(row, panel, nullptr);
        set_row_scrolling(row, panel);
        panel_of(row)->value = int32_t(rows.size());
        (void)list_append(&state->targets, ship);
        (void)list_append(&ship_rows, row);
        rows.push_back(row);
    }
    ship_rows_align_columns(&ship_rows);
    list_reset(&ship_rows);

    // Starbase rows: the command for a ship commander of an own sector or a pool officer, the pool
    // for a ship commander of an own sector or the starbase's commander.
    if (Site *base = officers_detail::sector_starbase(sector)) {
        const bool own_ship_post = sector->owner_id == officer->owner_id && officer->ship_id != 0;
        const bool in_pool = officer->sector_id != 0 && officer->site_id == 0;
        const bool commands_base = officer->sector_id != 0 && officer->site_id != 0;
        for (bool command : {true, false}) {
            if (command ? !(own_ship_post || in_pool) : !(own_ship_post || commands_base)) continue;
            Control *row = starbase_row_create(panel, base, command);
            if (!panel_add_child(list, 0, 0, 0, 0, row)) continue;
            panel_of(row)->value = int32_t(rows.size());
            rows.push_back(row);
        }
    }

    int widest = 0, ry = 0;
    for (Control *row : rows) widest = std::max(widest, row->w);
    for (Control *row : rows) {
        (void)list_append(&state->rows, row);
        control_set_size(row, widest, row->h);
        control_set_position(row, 0, ry);
        ry += row->h + officers_detail::ROW_GAP;
    }
    officers_detail::size_to_content(list, 0, 0);
    state->content_height = list->h;
    scroll_list_set_content(list, list->h);
    if (list->h > COMMANDING_LIST_MAX_HEIGHT) {
        control_set_size(list, list->w, COMMANDING_LIST_MAX_HEIGHT);
        scroll_list_add_bar(list, panel, list->x + list->w + 1, list->y, COMMANDING_ID_SCROLL, COMMANDING_LIST_MAX_HEIGHT, 1);
    }

    if (Control *cancel = image_button_create(IMAGE_CANCEL, 6, "Cancel", commanding_officer_panel_on_cancel, 0, panel))
        panel_add_child(panel, list->x + list->w - cancel->w / 2 - 25, list->y + list->h + 8, COMMANDING_ID_CANCEL, 0,
                        cancel);

    officers_detail::size_to_content(panel, 6, 6);
    if (title) ui_control_resize(title, panel->w - 2 - 2, true);
    for (Control *c : {header, post})
        if (c) control_set_position(c, panel->w / 2 - c->w / 2, c->y);
}

GameObject *commanding_officer_panel_target(Control *panel, int32_t *as_commander) {
    CommandingOfficerState *state = commanding_officer_panel_state(panel);
    *as_commander = 0;
    if (!state || !state->officer) return nullptr;
    if (GameObject *ship = list_get(&state->targets, state->picked_row)) return ship;
    *as_commander = state->picked_command;
    return officers_detail::sector_starbase(commanding_officer_sector(state->officer));
}

void commanding_officer_panel_on_row(Control *row) {
    Control *panel = owner_panel(row);
    CommandingOfficerState *state = commanding_officer_panel_state(panel);
    if (!state || !panel_of(row)) return;
    state->picked_row = panel_of(row)->value;
    state->picked_command = row->id == COMMANDING_ID_STARBASE_ROW ? 1 : 0;
    call_commanding_slot(panel, COMMANDING_SLOT_PICK);
}

void commanding_officer_panel_on_cancel(Control *button) { call_commanding_slot(owner_panel(button), COMMANDING_SLOT_BACK); }

void commanding_officer_panel_on_title(Control *title) {
    Control *panel = owner_panel(title);
    if (!commanding_officer_panel_state(panel)) return;
    game_flash_panel_frame(game_get(), panel);
    control_remove(panel);
}
