// The officer detail panel: caption, portrait, post, rank with its experience bar or the cadet's
// training tag, the service record, the skill rows and the action buttons.
#include "screens/officers/officer_detail_panel.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "game/game.h"
#include "game/orders.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/calendar.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/list.h"
#include "platform/sprite.h"
#include "platform/str.h"
#include "screens/officers/officer_choice.h"
#include "screens/officers/officers_local.h"
#include "ui/dialog.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/panel_slots.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "ui/value_bar.h"
#include "views/item_popups.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int MARGIN = 6;
constexpr int GAP = 6;
constexpr int RANK_NAME_GAP = 10;
constexpr int XP_BAR_HEIGHT = 12;
constexpr int XP_BAR_BASE_WIDTH = 100;
constexpr int XP_BAR_WIDTH_PER_RANK = 7;
constexpr int SKILL_PIP_X = 166;
constexpr int SKILL_PIP_GAP = 4;

void free_officer_detail_state(void *state) {
    delete static_cast<OfficerDetailPanelState *>(static_cast<PanelCommandSlots *>(state));
}

Control *panel_of_button(Control *button) { return button ? static_cast<Control *>(button->user_data) : nullptr; }

void call_officer_detail_slot(Control *panel, int slot) {
    if (officer_detail_panel_state(panel)) panel_call_slot(panel, slot);
}

void on_train(Control *button) { call_officer_detail_slot(panel_of_button(button), OFFICER_DETAIL_PANEL_SLOT_TRAIN); }
void on_reassign(Control *button) { call_officer_detail_slot(panel_of_button(button), OFFICER_DETAIL_PANEL_SLOT_REASSIGN); }
void on_replace(Control *button) { call_officer_detail_slot(panel_of_button(button), OFFICER_DETAIL_PANEL_SLOT_REPLACE); }
void on_back(Control *button) { call_officer_detail_slot(panel_of_button(button), OFFICER_DETAIL_PANEL_SLOT_BACK); }

// The caption's click and its close button: the frame flashes, the panel and its children go, and
// the on-close slot hears of it.
void on_close(Control *caption) {
    Control *panel = panel_of_button(caption);
    OfficerDetailPanelState *state = officer_detail_panel_state(panel);
    if (!state) return;
    const ControlFn closed = state->slot[OFFICER_DETAIL_PANEL_SLOT_CLOSED];
    game_flash_panel_frame(game_get(), panel);
    control_remove(panel);
    if (closed) closed(panel);
}

Sector *officer_sector(const Officer *officer) {
    if (officer->ship_id != 0)
        if (const Ship *ship = ship_of(game_find_object(game_get(), officer->ship_id))) return sector_find(ship->sector_id);
    return sector_find(officer->sector_id);
}

// The post block: the post's picture with "Commanding Officer" and the post's name beside it.
Control *post_block_create(const Officer *officer) {
    Control *picture = nullptr;
    std::string name;
    if (Ship *ship = officer->ship_id ? ship_of(game_find_object(game_get(), officer->ship_id)) : nullptr) {
        picture = object_picture_control(ship);
        name = str_format("Starship %s", object_get_name(ship));
    } else if (Sector *sector = officer->site_id ? sector_find(officer->sector_id) : nullptr) {
        picture = image_control_create_frame(OFFICER_IMAGE_STARBASE_POST, 2);
        name = str_format("Starbase %s", object_get_name(sector));
    } else {
        return nullptr;
    }
    Control *block = panel_create_empty();
    if (!block) {
        control_destroy(picture);
        return nullptr;
    }
    panel_add_child(block, 0, 0, OFFICER_PANEL_POST_PICTURE, 0, picture);
    const int x = picture ? picture->w + 8 : 0;
    Control *label = panel_add_child(block, x, 0, OFFICER_PANEL_POST_LABEL, 0,
                                     text_label_create_plain(2, 230, 230, 230, "Commanding Officer"));
    Control *post = panel_add_child(block, x, 0, OFFICER_PANEL_POST_NAME, 0,
                                    text_label_create_plain(2, 230, 230, 0, name.c_str()));
    const int pair_h = (label ? label->h : 0) + 4 + (post ? post->h : 0);
    const int top = std::max(0, (picture ? picture->h : 0) / 2 - pair_h / 2);
    if (label) control_set_position(label, x, top);
    if (post) control_set_position(post, x, top + (label ? label->h + 4 : 0));
    if (picture && pair_h > picture->h) control_set_position(picture, 0, pair_h / 2 - picture->h / 2);
    officers_detail::size_to_content(block, 0, 0);
    return block;
}

// The rank row at y: the insignia and the rank name; for a hired officer "XP" and the bar, for a
// cadet of the viewer the training tag. Returns the row's bottom.
int add_rank_row(Control *panel, const Officer *officer, int32_t options, int y) {
    const int rank = officer->rank;
    Control *icon = panel_add_child(panel, MARGIN, y, 0, 0, image_control_create(officer_rank_icon(rank)));
    const int icon_w = icon ? icon->w : 0, icon_h = icon ? icon->h : 0;
    Control *name = text_label_create_plain(2, 230, 230, 0, officer_rank_name(rank));
    if (name) panel_add_child(panel, MARGIN + icon_w + RANK_NAME_GAP, y + icon_h / 2 - name->h / 2, 0, 0, name);
    int bottom = y + std::max(icon_h, name ? name->h : 0);
    int x = MARGIN + icon_w + RANK_NAME_GAP + (name ? name->w : 0) + 12;

    if (rank > 0) {
        Control *xp = text_label_create_plain(1, 230, 230, 230, "XP");
        if (xp) {
            panel_add_child(panel, x, y + icon_h / 2 - xp->h / 2, 0, 0, xp);
            x += xp->w + 6;
        }
        const int32_t base = officer_rank_threshold(rank);
        const int32_t next = officer_rank_threshold(rank + 1);
        const int32_t value = officer->experience - base;
        const int32_t max = std::max(next - base, 1);
        Control *bar = value_bar_create(XP_BAR_BASE_WIDTH + XP_BAR_WIDTH_PER_RANK * rank, XP_BAR_HEIGHT, value, max);
        if (bar) {
            bar->tag = OFFICER_PANEL_XP_BAR_TAG;
            if (next != 0) value_bar_set_marker(bar, std::max(value, 0));
            // The bar fills over this rank's span; its figures are the officer's experience and
            // what the next rank asks for, as the promotion rule counts them.
            if (next != 0) value_bar_set_caption_text(bar, str_format("%i/%i", int(officer->experience), int(next)).c_str());
            colour_fade_set(value_bar_fill_colour(bar), 10, 140, 30);
            value_bar_enable_border(bar);
            colour_fade_set(value_bar_border_colour(bar), 16, 16, 16);
            panel_add_child(panel, x, y + icon_h / 2 - XP_BAR_HEIGHT / 2, 0, 0, bar);
        }
    } else if (options & OFFICER_PANEL_OWN) {
        int32_t cost = 0, days = 0;
        officer_training_offer(officer, &cost, &days);
        Control *tag = cost_tag_create(cost, days, (options & OFFICER_PANEL_ANIMATE) ? COST_TAG_SLIDE : 0);
        if (tag) {
            panel_add_child(panel, x, y + icon_h / 2 - tag->h / 2, OFFICER_PANEL_COST_TAG, 0, tag);
            bottom = std::max(bottom, tag->y + tag->h);
        }
    }
    return bottom;
}

void add_record_row(List<SystemRow> *rows, int icon_type, int frame, const char *label, const std::string &value) {
    (void)ui_stat_rows_add_row(rows, image_control_create_frame(icon_type, frame), label, value.c_str(), 0);
}

// The service record. Returns its bottom.
int add_record(Control *panel, const Officer *officer, int32_t options, int y) {
    List<SystemRow> *rows = ui_stat_rows_list_create();
    if (!rows) return y;
    const Date zero;
    const std::string hired = date_format(officer->hired ? officer->hired : &zero);
    add_record_row(rows, IMAGE_DATE, 1, officer->rank > 0 ? "Hired" : "Enrolled", hired);
    if (officer->rank > 0) {
        add_record_row(rows, IMAGE_TALLY, 0, "Battles", str_format("%i", int(officer->battles)));
        add_record_row(rows, IMAGE_TALLY, 0, "Kills", str_format("%i", int(officer->kills)));
        add_record_row(rows, IMAGE_TALLY, 0, "Escapes", str_format("%i", int(officer->escapes)));
    }
    Control *table = panel_create_empty();
    if (!table) {
        list_free(rows);
        return y;
    }
    ui_stat_rows_layout(table, rows, (options & OFFICER_PANEL_ANIMATE) ? 3 : 2);
    panel_add_child(panel, MARGIN, y, OFFICER_PANEL_STATS, 0, table);
    return y + table->h;
}

// One skill row: icon, name and one pip per level; its panel value is the skill.
Control *skill_row_create(Control *panel, int skill, int level) {
    Control *row = panel_create_empty();
    if (!row) return nullptr;
    panel_set_background(row, true);
    colour_fade_set(panel_background_colour(row), 4, 4, 20);
    panel_add_child(row, 8, 5, 0, 1, image_control_create(officer_skill_icon(skill)));
    panel_add_child(row, 36, 7, 0, 1, text_label_create_plain(1, 210, 240, 210, officer_skill_name(skill)));
    int x = SKILL_PIP_X;
    for (int i = 0; i < level; ++i)
        if (Control *pip = panel_add_child(row, x, 3, 0, 1, image_control_create(OFFICER_IMAGE_PIP))) x += pip->w + SKILL_PIP_GAP;
    officers_detail::size_to_content(row, 8, 3);
    row->tag = OFFICER_PANEL_SKILL_ROW_TAG;
    panel_of(row)->value = skill;
    control_set_user_data(row, panel, nullptr);
    control_set_short_dwell(row);   // the 475 ms of every card and row of these panels
    control_set_callback(row, CONTROL_ON_DWELL, officer_skill_popup_open);
    control_set_callback(row, CONTROL_ON_HOVER_LEAVE, officer_skill_popup_leave);
    return row;
}

// The skill rows, all as wide as the widest. Returns their bottom.
int add_skills(Control *panel, const Officer *officer, int y) {
    std::vector<Control *> rows;
    int widest = 0;
    for (int skill = 0; skill < OFFICER_SKILL_COUNT; ++skill) {
        if (officer->skills[skill] <= 0) continue;
        Control *row = panel_add_child(panel, MARGIN, y, 0, 0, skill_row_create(panel, skill, officer->skills[skill]));
        if (!row) continue;
        rows.push_back(row);
        widest = std::max(widest, row->w);
        y += row->h + GAP;
    }
    for (Control *row : rows) control_set_size(row, widest, row->h);
    return rows.empty() ? y : y - GAP;
}

Control *add_button(List<Control> *buttons, int type, const char *text, ControlFn on_click, int key, Control *panel) {
    Control *button = image_button_create(type, 6, text, on_click, key, panel);
    if (button && list_append(buttons, button) < 0) {
        control_destroy(button);
        return nullptr;
    }
    return button;
}

// The action buttons, as the officer and the build options allow; null when there are none.
Control *buttons_create(Control *panel, const Officer *officer, int32_t options, bool resume) {
    List<Control> buttons;
    if (options & OFFICER_PANEL_OWN) {
        if (officer->rank <= 0) {
            if (resume) {
                add_button(&buttons, IMAGE_TRAIN, "Resume", on_train, 'r', panel);
            } else if (const Player *owner = officer->owner_id ? game_find_player(game_get(), officer->owner_id) : nullptr) {
                Control *train = add_button(&buttons, IMAGE_TRAIN, "Train", on_train, 't', panel);
                if (const Result r = player_can_spend(owner, officer->training_cost); train && r != RES_OK) {
                    image_control_set_highlight(train, true);   // greyed: click and hotkey set aside
                    image_control_set_tooltip(train, true, 0, 0, 0, order_refusal_text(r).c_str());
                }
            }
        } else {
            const Sector *sector = officer_sector(officer);
            if (sector && (officer->site_id != 0 || officer->ship_id != 0) && sector_has_officer_available(sector, officer))
                add_button(&buttons, IMAGE_REPLACE_OFFICER, "Replace", on_replace, 'e', panel);
            if (officer_at_friendly_starbase(officer))
                add_button(&buttons, IMAGE_REASSIGN, "Reassign", on_reassign, 'a', panel);
        }
    }
    if (options & OFFICER_PANEL_BACK) add_button(&buttons, IMAGE_CANCEL, "Back", on_back, 'b', panel);
    if (list_count(&buttons) == 0) return nullptr;
    Control *column = panel_create_empty();
    if (!column) {
        for (Control *b : buttons.items) control_destroy(b);
        return nullptr;
    }
    panel_layout_controls(column, &buttons, (options & OFFICER_PANEL_ANIMATE) ? LAYOUT_ANIMATE : 0);
    return column;
}

void centre_horizontally(Control *panel, Control *child) {
    if (child) control_set_position(child, panel->w / 2 - child->w / 2, child->y);
}

}  // namespace

OfficerDetailPanelState *officer_detail_panel_state(Control *panel) {
    return panel && panel->widget_free == free_officer_detail_state ? static_cast<OfficerDetailPanelState *>(panel_command_slots(panel)) : nullptr;
}

Officer *officer_detail_panel_officer(Control *panel) {
    return officer_detail_panel_state(panel) ? static_cast<Officer *>(panel->user_data) : nullptr;
}

bool officer_training_offer(const Officer *officer, int32_t *cost, int32_t *days) {
    *cost = officer->training_cost;
    *days = officer->figures[0];   // the training days drawn at recruitment
    if (officer->rank > 0) return false;
    const Sector *sector = sector_find(officer->sector_id);
    const Site *school = sector ? sector_find_site_of_kind(sector, SITE_TRAINING) : nullptr;
    uint64_t paused_id = 0;
    int32_t paused_cost = 0, paused_days = 0;
    if (!school || !site_get_paused_production(school, nullptr, &paused_id, &paused_cost, &paused_days) ||
        paused_id != officer->id)
        return false;
    *cost = paused_cost;
    *days = paused_days;
    return true;
}

Control *officer_portrait_create(const Officer *officer) {
    if (officer && officer->portrait >= 0) {
        char path[32];
        std::snprintf(path, sizeof path, "pilot/%.3i.png", int(officer->portrait));
        if (Sprite *sprite = sprite_load_png(path)) {
            Control *image = image_control_create_single(sprite);
            if (image) return image;
            sprite_free(sprite);
        }
    }
    return image_control_create(OFFICER_IMAGE_PORTRAIT);
}

void officer_skill_popup_open(Control *row) {
    const Panel *p = panel_of(row);
    const Officer *officer = row ? officer_detail_panel_officer(static_cast<Control *>(row->user_data)) : nullptr;
    if (!p || !officer || p->value < 0 || p->value >= OFFICER_SKILL_COUNT) return;
    Control *popup = officer_skill_popup_build(p->value, officer->skills[p->value]);
    if (popup && game_open_popup(game_get(), popup, row, PLACE_RIGHT_OF) != RES_OK) control_remove(popup);
}

void officer_skill_popup_leave(Control *) { game_close_popup(game_get()); }

void officer_detail_panel_build(Control *panel, Officer *officer, int32_t options) {
    Panel *p = panel_of(panel);
    if (!p) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 3);
    panel_set_border(panel, true);
    colour_fade_set(p->border, 64, 64, 16);
    auto *state = new (std::nothrow) OfficerDetailPanelState();
    if (!state) return;
    panel_set_command_state(panel, state, free_officer_detail_state);   // frees the previous record
    control_set_user_data(panel, officer, nullptr);
    if (!officer) return;

    Control *caption = panel_add_child(
        panel, 2, 2, OFFICER_PANEL_CAPTION, 0,
        ui_button_create(officer->name.c_str(), nullptr, on_close, panel, options & (TITLE_ANIMATE | TITLE_CLOSE)));
    if (caption) control_set_callback(caption, CONTROL_ON_CLICK, on_close);
    int y = (caption ? caption->y + caption->h : 0) + GAP;

    Control *portrait = nullptr;
    if (officer->rank > 0) {
        portrait = officer_portrait_create(officer);
        if (portrait) {
            image_control_enable_border(portrait);
            colour_fade_set(image_control_border_colour(portrait), 90, 100, 10);
            panel_add_child(panel, MARGIN, y, OFFICER_PANEL_PORTRAIT, 0, portrait);
            y += portrait->h + GAP;
        }
    }
    Control *post = panel_add_child(panel, MARGIN, y, OFFICER_PANEL_POST, 0, post_block_create(officer));
    if (post) y += post->h + GAP;

    int32_t cost = 0, days = 0;
    state->resume = officer->rank <= 0 && officer_training_offer(officer, &cost, &days);
    y = add_rank_row(panel, officer, options, y) + GAP;
    y = add_record(panel, officer, options, y) + GAP;
    add_skills(panel, officer, y);

    Control *buttons = buttons_create(panel, officer, options, state->resume);
    officers_detail::size_to_content(panel, MARGIN, MARGIN);
    if (buttons) {
        // The column goes under the content's right part, then to the bottom-right corner.
        panel_add_child(panel, MARGIN, panel->h, OFFICER_PANEL_BUTTONS, 0, buttons);
        officers_detail::size_to_content(panel, MARGIN, MARGIN);
        control_set_position(buttons, panel->w - MARGIN - buttons->w, panel->h - MARGIN - buttons->h);
    }
    if (caption) ui_control_resize(caption, panel->w - 4, (options & OFFICER_PANEL_ANIMATE) != 0);
    centre_horizontally(panel, portrait);
    centre_horizontally(panel, post);
}
