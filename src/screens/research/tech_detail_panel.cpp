// The tech detail panel: title, description, required techs, grant tiles, value rows and the
// research buttons of one technology.
#include "screens/research/tech_detail_panel.h"

#include <algorithm>
#include <new>
#include <string>

#include "game/game.h"
#include "game/player.h"
#include "game/tech.h"
#include "platform/calendar.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/list.h"
#include "screens/research/research_local.h"
#include "systems/system.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/panel_slots.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "views/item_popups.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr research_detail::Rgb VALUES{230, 230, 0};
constexpr research_detail::Rgb FRAME{64, 32, 0}, TILE_BORDER{3, 3, 3}, TILE_FILL{0, 0, 36};
constexpr research_detail::Rgb DESC_BORDER{32, 32, 32}, DESC_FILL{1, 1, 1}, BUTTON_STRIP{10, 2, 10};
constexpr int FONT_HEADING = 1, FONT_TEXT = 2, FONT_BUTTON = 6;
constexpr int DETAIL_TITLE_X = 2, DETAIL_TITLE_Y = 2;
constexpr int DESC_X = 4, DESC_BELOW_TITLE = 8, DESC_WIDTH = 256, DESC_MARGIN = 4;
constexpr int HEADING_X = 8, REQUIRES_BELOW_TITLE = 8, REQUIRES_BELOW_DESC = 7, GRANTS_GAP = 6;
constexpr int TILES_BELOW_HEADING = 4, TILE_GAP = 8, TILE_ROW_GAP = 4;
constexpr int FIRST_TILE_X = 16, LATER_ROW_X = 12;
constexpr int TILE_ICON = 3, REQUIRED_NAME_GAP = 7, REQUIRED_PAD = 3;
constexpr int GRANT_TEXT_GAP = 11, GRANT_TITLE_Y = 5, GRANT_ROWS_GAP = 9, GRANT_PAD_W = 8, GRANT_PAD_H = 2;
constexpr int ROWS_X = 6, ROWS_GAP = 6, BUTTONS_X = 6, BUTTONS_GAP = 6;
constexpr int PANEL_PAD_W = 4, PANEL_PAD_H = 2, TITLE_INSET = 4, ROW_RIGHT = 4, CROWDED_SHIFT = 25;
constexpr int BUTTON_STRIP_X = 4, STRIP_ABOVE = 2, STRIP_PAD_H = 4;

// The grant kinds that get a tile; the popup each tile opens on a rest.
constexpr ControlFn GRANT_POPUPS[] = {tech_grant_system_popup, tech_grant_hull_popup, tech_grant_facility_popup,
                                      tech_grant_bonus_popup};

int bottom_of(const Control *c) { return c ? c->y + c->h : 0; }

// The content's bottom so far.
int content_bottom(Control *panel) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    return h;
}

void state_free(void *data) { delete static_cast<TechDetailState *>(static_cast<PanelCommandSlots *>(data)); }

Control *panel_of_button(Control *button) { return button ? static_cast<Control *>(button->user_data) : nullptr; }

void call_slot(Control *panel, int slot) {
    if (tech_detail_state(panel)) panel_call_slot(panel, slot);
}

void on_research(Control *button) { call_slot(panel_of_button(button), TECH_DETAIL_SLOT_RESEARCH); }
void on_pause(Control *button) { call_slot(panel_of_button(button), TECH_DETAIL_SLOT_PAUSE); }
void on_prioritize(Control *button) { call_slot(panel_of_button(button), TECH_DETAIL_SLOT_PRIORITIZE); }
void on_resume(Control *button) { call_slot(panel_of_button(button), TECH_DETAIL_SLOT_RESUME); }

// A tile's look: dark blue with a near-black border.
Control *tile_create() {
    using research_detail::set_colour;
    Control *tile = panel_create_empty();
    if (!tile) return nullptr;
    panel_set_border(tile, true);
    set_colour(panel_border_colour(tile), TILE_BORDER);
    panel_set_background(tile, true);
    set_colour(panel_background_colour(tile), TILE_FILL);
    return tile;
}

// An icon of a type at its second frame when it has one.
Control *row_icon(int type, int frame) {
    return image_control_create_frame(type, frame > 0 && image_type_frame_count(type) > 1 ? frame : 0);
}

// ---- Requirements ----

Control *required_tile(int32_t tech) {
    using research_detail::TEXT;
    const TechInfo *info = tech_get(tech);
    Control *tile = info ? tile_create() : nullptr;
    if (!tile) return nullptr;
    control_set_tag(tile, TECH_DETAIL_REQUIRED_TAG);
    Control *icon = panel_add_child(tile, TILE_ICON, TILE_ICON, 0, 0, image_control_create_framed(info->icon));
    Control *name = text_label_create_plain(FONT_TEXT, TEXT.r, TEXT.g, TEXT.b, info->name.c_str());
    if (name) {
        const int icon_h = icon ? icon->h : 0;
        panel_add_child(tile, (icon ? icon->w : 0) + REQUIRED_NAME_GAP, TILE_ICON + (icon_h - name->h) / 2, 0, 0, name);
    }
    research_detail::fit(tile, REQUIRED_PAD, REQUIRED_PAD);
    return tile;
}

void add_requirements(Control *panel, const TechInfo &info, int y) {
    using research_detail::TEXT;
    if (info.prerequisites.empty()) return;
    Control *label = panel_add_child(panel, HEADING_X, y, TECH_DETAIL_ID_REQUIRES, 0,
                                     text_label_create_plain(FONT_HEADING, TEXT.r, TEXT.g, TEXT.b, "Requires"));
    const int tiles_y = bottom_of(label) + TILES_BELOW_HEADING;
    int x = FIRST_TILE_X;
    for (int32_t required : info.prerequisites)
        if (Control *tile = panel_add_child(panel, x, tiles_y, 0, 0, required_tile(required)))
            x = research_detail::right_of(tile) + TILE_GAP;
}

// ---- Grants ----

// What a grant tile shows.
struct TileContent {
    Control       *picture = nullptr;
    std::string    title;
    List<IconRow> *rows = nullptr;
};

void add_value(List<IconRow> *rows, int icon_type, const std::string &text) {
    icon_rows_add(rows, row_icon(icon_type, 1), text.c_str(), 0);
}

// A system grant: a System record of the type (with its subtype when the type has any), kept in
// the holder's state for the popup. A subtype that cannot be applied leaves no record and no tile.
bool system_content(Control *holder, const TechEffect &grant, TileContent *out) {
    System *system = tech_grant_system_add(holder, grant, out->rows);
    if (!system) return false;
    out->picture = image_control_create_framed(system->spare);
    out->title = system->name;
    return true;
}

bool tile_content(Control *holder, const TechEffect &grant, TileContent *out) {
    using research_detail::number;
    switch (grant.kind) {
    case TECH_EFFECT_SYSTEM: return system_content(holder, grant, out);
    case TECH_EFFECT_HULL: {
        const Ship *hull = ship_of(tech_grant_template(OBJECT_SHIP, grant.value));
        if (!hull) return false;
        out->picture = tech_grant_template_picture(hull);
        out->title = hull->name;
        add_value(out->rows, IMAGE_CREDITS, number(hull->base_cost));
        add_value(out->rows, IMAGE_POWER, number(hull->capacity_max));
        return true;
    }
    case TECH_EFFECT_FACILITY: {
        const Site *site = site_cast(tech_grant_template(OBJECT_SITE, grant.value));
        if (!site) return false;
        out->picture = tech_grant_template_picture(site);
        out->title = site->name;
        add_value(out->rows, IMAGE_CREDITS, number(site->params.build_cost));
        add_value(out->rows, IMAGE_CLOCK, number(site->params.build_days));
        return true;
    }
    case TECH_EFFECT_BONUS:
        out->picture = image_control_create_framed(IMAGE_BONUS);
        out->title = tech_bonus_category_name(grant.value);
        add_value(out->rows, tech_bonus_category_icon(grant.value), tech_bonus_amount_text(grant.value, grant.value2));
        return true;
    default: return false;
    }
}

// One grant's tile, its index as tag and panel value; null for a grant with nothing to show.
Control *grant_tile(Control *holder, const TechEffect &grant, int index) {
    using research_detail::TEXT;
    if (grant.kind < TECH_EFFECT_SYSTEM || grant.kind > TECH_EFFECT_BONUS) return nullptr;
    TileContent content;
    content.rows = icon_rows_list_create();
    if (!content.rows || !tile_content(holder, grant, &content)) {
        if (content.rows) list_free(content.rows);
        return nullptr;
    }
    Control *tile = tile_create();
    if (!tile) {
        if (content.picture) control_destroy(content.picture);
        list_free(content.rows);
        return nullptr;
    }
    tile->user_data = holder;
    if (Panel *p = panel_of(tile)) p->value = index;
    control_set_tag(tile, index);
    control_set_short_dwell(tile);
    tile->on_dwell = GRANT_POPUPS[grant.kind];
    tile->on_hover_leave = tech_grant_popup_close;
    const int text_x = (content.picture ? content.picture->w : 0) + GRANT_TEXT_GAP;
    if (content.picture) panel_add_child(tile, TILE_ICON, TILE_ICON, 0, 0, content.picture);
    Control *title = panel_add_child(tile, text_x, GRANT_TITLE_Y, 0, 0,
                                     text_label_create_plain(FONT_TEXT, TEXT.r, TEXT.g, TEXT.b, content.title.c_str()));
    if (Control *rows = panel_create_empty()) {
        panel_add_child(tile, text_x, (title ? title->h : 0) + GRANT_ROWS_GAP, 0, 0, rows);
        icon_rows_layout(rows, content.rows, FONT_TEXT, VALUES.r, VALUES.g, VALUES.b, ICON_ROWS_ANIMATE);
    } else {
        list_free(content.rows);
    }
    // The tile's parts let the pointer through: resting anywhere on the tile rests on the tile.
    for (Control *part : panel_of(tile)->children.items)
        if (part) control_set_enabled(part, false);
    research_detail::fit(tile, GRANT_PAD_W, GRANT_PAD_H);
    return tile;
}

// "Grants" and the tiles two a row, in a holder at x 0 whose state the grant popups read.
void add_grants(Control *panel, int32_t tech, const TechInfo &info, int y) {
    using research_detail::TEXT;
    if (info.effects.empty()) return;
    Control *holder = panel_add_child(panel, 0, y, TECH_DETAIL_ID_GRANTS, 0, panel_create_empty());
    if (!holder) return;
    item_panel_set_state(holder, 0, tech);
    Control *label = panel_add_child(holder, HEADING_X, 0, 0, 0,
                                     text_label_create_plain(FONT_HEADING, TEXT.r, TEXT.g, TEXT.b, "Grants"));
    int ty = bottom_of(label) + TILES_BELOW_HEADING, x = FIRST_TILE_X, in_row = 0;
    for (size_t i = 0; i < info.effects.size(); ++i) {
        Control *tile = panel_add_child(holder, x, ty, 0, 0, grant_tile(holder, info.effects[i], int(i)));
        if (!tile) continue;
        if (++in_row == 2) {
            in_row = 0;
            ty += tile->h + TILE_ROW_GAP;
            x = LATER_ROW_X;
        } else {
            x = research_detail::right_of(tile) + TILE_GAP;
        }
    }
    research_detail::fit(holder, 0, 0);
}

// ---- Value rows and buttons ----

void add_row(List<SystemRow> *rows, int icon_type, int frame, const char *label, const std::string &value) {
    ui_stat_rows_add_row(rows, row_icon(icon_type, frame), label, value.c_str(), 0);
}

std::string days_text(int days) { return research_detail::number(days) + (days == 1 ? " day" : " days"); }

std::string date_text(const Date *date) { return date ? date_format(date) : std::string(); }

Control *value_rows(int32_t tech, const TechInfo &info, const Player *player) {
    using research_detail::number;
    List<SystemRow> *rows = ui_stat_rows_list_create();
    if (!rows) return nullptr;
    const uint32_t bits = player ? player->tech_state[tech] : 0;
    const bool active = player && player_is_research_active(player, tech);
    const bool rated = player && player->totals.research_rate >= 1;
    if (active) add_row(rows, IMAGE_RESEARCH, 1, "Progress", number(player->research_points[tech] / TECH_POINTS_PER_UNIT));
    add_row(rows, IMAGE_RESEARCH, 1, "Research Cost", number(info.cost / TECH_POINTS_PER_UNIT));
    add_row(rows, IMAGE_CREDITS, 1, "Materials Cost", "$" + number(info.credits));
    if (player && !active && player_is_tech_available(player, tech) && rated)
        add_row(rows, IMAGE_CLOCK, 1, "ETA", days_text(player_research_days_left(player, tech)));
    if (active) {
        add_row(rows, IMAGE_DATE, 1, "Research Started", date_text(player->queue_dates[tech]));
        if (rated) add_row(rows, IMAGE_CLOCK, 1, "ETA", days_text(player_research_days_left(player, tech)));
    }
    if (bits & TECH_DONE) add_row(rows, IMAGE_DATE, 1, "Researched", date_text(player->completion_dates[tech]));
    return ui_stat_rows_create(rows, 0);
}

Control *add_button(List<Control> *buttons, int type, const char *text, ControlFn on_click, int key, Control *panel) {
    Control *button = image_button_create(type, FONT_BUTTON, text, on_click, key, panel);
    if (button && list_append(buttons, button) < 0) {
        control_destroy(button);
        return nullptr;
    }
    return button;
}

// The buttons the tech's state allows, in a row; null when none.
Control *button_row(Control *panel, int32_t tech, const TechInfo &info, const Player *player) {
    List<Control> buttons;
    const uint32_t bits = player->tech_state[tech];
    const bool active = player_is_research_active(player, tech);
    if (player_is_tech_available(player, tech)) {
        Control *research = add_button(&buttons, IMAGE_RESEARCH_BUTTON, "Research", on_research, 'r', panel);
        if (research && player_can_spend(player, info.credits) != RES_OK) {
            image_control_set_highlight(research, true);   // greyed: click and hotkey set aside
            image_control_set_tooltip(research, true, 0, 0, 0, "Insufficient credits");
        } else if (research && player->totals.research_rate < 1) {
            // It may be bought, but nothing will come of it until the player has research.
            image_control_set_tooltip(research, true, 0, 0, 0, "No research points a day");
        }
    }
    if (active && player->research_target != tech)
        add_button(&buttons, IMAGE_UPGRADE, "Prioritize", on_prioritize, 'r', panel);
    if (active) add_button(&buttons, IMAGE_PAUSE_RESEARCH, "Pause", on_pause, 'a', panel);
    if ((bits & TECH_QUEUED) && (bits & TECH_PAUSED)) add_button(&buttons, IMAGE_RESEARCH_BUTTON, "Resume", on_resume, 'r', panel);
    if (list_count(&buttons) == 0) return nullptr;
    Control *row = panel_create_empty();
    if (!row) {
        for (Control *b : buttons.items) control_destroy(b);
        return nullptr;
    }
    panel_layout_controls(row, &buttons, LAYOUT_ANIMATE | LAYOUT_ROW);
    return row;
}

}  // namespace

TechDetailState *tech_detail_state(Control *panel) {
    return panel && panel->widget_free == state_free ? static_cast<TechDetailState *>(panel_command_slots(panel)) : nullptr;
}

int32_t tech_detail_tech(Control *panel) {
    const TechDetailState *state = tech_detail_state(panel);
    return state ? state->tech : -1;
}

List<System> *tech_detail_systems(Control *panel) {
    if (!tech_detail_state(panel)) return nullptr;
    const ItemPanelState *grants = item_panel_state(panel_find_child(panel, TECH_DETAIL_ID_GRANTS));
    return grants ? grants->systems : nullptr;
}

void tech_detail_on_close(Control *title) {
    Control *panel = panel_of_button(title);
    if (!panel) return;
    game_flash_panel_frame(game_get(), panel);
    control_remove(panel);
}

void tech_detail_build(Control *panel, int32_t tech, Player *player) {
    using research_detail::TEXT, research_detail::set_colour;
    const TechInfo *info = tech_get(tech);
    if (!panel_of(panel) || !info) return;
    panel_remove_children(panel);
    panel_set_border(panel, true);
    set_colour(panel_border_colour(panel), FRAME);
    TechDetailState *state = new (std::nothrow) TechDetailState;
    if (!state) return;
    state->tech = tech;
    panel_set_command_state(panel, state, state_free);

    Control *title = panel_create_empty();
    if (title) {
        ui_button_init(title, "Tech", info->name.c_str(), tech_detail_on_close, panel,
                       TITLE_ANIMATE | TITLE_CLOSE | TITLE_VALUE_BOX);
        title->on_click = tech_detail_on_close;
        panel_add_child(panel, DETAIL_TITLE_X, DETAIL_TITLE_Y, TECH_DETAIL_ID_TITLE, 0, title);
    }
    int y = bottom_of(title) + REQUIRES_BELOW_TITLE;
    std::string desc;
    if (tech_load_desc(tech, &desc) == RES_OK) {
        if (Control *tile = ui_tile_create(desc.c_str(), FONT_TEXT, DESC_WIDTH, DESC_MARGIN, TEXT.r, TEXT.g, TEXT.b,
                                           TILE_FADE_IN | TILE_BULLET_LIT)) {
            panel_set_border(tile, true);
            set_colour(panel_border_colour(tile), DESC_BORDER);
            panel_set_background(tile, true);
            set_colour(panel_background_colour(tile), DESC_FILL);
            panel_add_child(panel, DESC_X, bottom_of(title) + DESC_BELOW_TITLE, TECH_DETAIL_ID_DESC, 0, tile);
            y = bottom_of(tile) + REQUIRES_BELOW_DESC;
        }
    }
    add_requirements(panel, *info, y);
    add_grants(panel, tech, *info, content_bottom(panel) + GRANTS_GAP);
    Control *rows = panel_add_child(panel, ROWS_X, content_bottom(panel) + ROWS_GAP, TECH_DETAIL_ID_ROWS, 0,
                                    value_rows(tech, *info, player));
    Control *buttons = player ? panel_add_child(panel, BUTTONS_X, (rows ? bottom_of(rows) : content_bottom(panel)) + BUTTONS_GAP,
                                                TECH_DETAIL_ID_BUTTONS, 0, button_row(panel, tech, *info, player))
                              : nullptr;

    research_detail::fit(panel, PANEL_PAD_W, PANEL_PAD_H);
    if (buttons) {
        const int count = panel_of(buttons) ? list_count(&panel_of(buttons)->children) : 0;
        control_set_position(buttons, panel->w - buttons->w - ROW_RIGHT, buttons->y);
        if (count >= 2) {
            control_set_position(buttons, buttons->x + CROWDED_SHIFT, buttons->y);
            control_set_size(panel, panel->w + CROWDED_SHIFT, panel->h);
        }
        if (Control *strip = panel_create(panel->w - 2 * BUTTON_STRIP_X, buttons->h + STRIP_PAD_H, BUTTON_STRIP.r,
                                          BUTTON_STRIP.g, BUTTON_STRIP.b)) {
            strip->tag = -1;
            control_set_layer(strip, -1);   // under the buttons
            panel_add_child(panel, BUTTON_STRIP_X, buttons->y - STRIP_ABOVE, TECH_DETAIL_ID_STRIP, 0, strip);
        }
    }
    if (title) ui_control_resize(title, panel->w - TITLE_INSET, false);
}
