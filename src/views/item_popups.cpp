// Item detail popups: the grants of a technology and an officer skill's bonus lines.
#include "views/item_popups.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "game/alert.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/tech.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "platform/colour_fade.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "systems/system.h"
#include "views/system_info_card.h"
#include "views/views_local.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/toolkit_views.h"

namespace {

constexpr int TITLE_FONT = 1, LINE_FONT = 2;
constexpr int SKILL_COUNT = 9;
constexpr int FIRST_FRAME = 0, SECOND_FRAME = 1;
constexpr int BONUS_IMAGE = 161;

// One bonus of a skill: its icon, its text and how many per level it gives.
struct SkillBonus {
    int32_t     image_type;
    int32_t     frame;
    const char *format;
    int32_t     per_level;
};

// Skills in their order; Field Repair (2) reads its table instead.
constexpr SkillBonus SKILL_BONUSES[SKILL_COUNT][2] = {
    {{51, SECOND_FRAME, "+%i AP", 3}, {}},
    {{165, SECOND_FRAME, "+%i%% engine power", 16}, {}},
    {{183, FIRST_FRAME, nullptr, 0}, {}},
    {{78, SECOND_FRAME, "+%i Starbase crew recruitment", 25}, {}},
    {{111, FIRST_FRAME, "+%i%% to hit with beams", 10}, {111, FIRST_FRAME, "+%i beam damage", 3}},
    {{50, SECOND_FRAME, "+%i%% Starbase resource collection", 10}, {}},
    {{185, FIRST_FRAME, "-%i AP cost for turns", 1}, {109, FIRST_FRAME, "+%i beam evasion", 12}},
    {{124, SECOND_FRAME, "+%i%% Starbase research output", 10}, {}},
    {{113, FIRST_FRAME, "-%i AP cost for scans", 3}, {113, FIRST_FRAME, "+%i%% range for hyperspace scans", 25}},
};
constexpr int FIELD_REPAIR = 2;

std::string printed(const char *format, int value) {
    char text[96];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A frame the type has: the second only when there are two or more.
int frame_of(int type, int wanted) { return wanted > 0 && image_type_frame_count(type) > 1 ? wanted : 0; }

void free_item_state(void *data) {
    ItemPanelState *state = static_cast<ItemPanelState *>(data);
    if (state && state->systems) list_free(state->systems);
    delete state;
}

void free_system(System *system) { system_free(system); }

// A row icon: the second frame of its type, the first when the type has one; none for type 0.
Control *row_icon(int type) { return type ? image_control_create_frame(type, frame_of(type, SECOND_FRAME)) : nullptr; }

// The layout every grant popup shares: picture, name, value rows, then the description tile when
// there is a text. Takes the picture and the rows over; null when out of memory.
Control *grant_popup_build(Control *picture, const char *name_text, List<SystemRow> *rows, const std::string &desc) {
    Control *popup = panel_create_empty();
    if (!popup) {
        if (picture) control_destroy(picture);
        if (rows) list_free(rows);
        return nullptr;
    }
    const int pw = picture ? picture->w : 0;
    if (picture) panel_add_child(popup, 4, 8, 0, 0, picture);
    Control *name = text_label_create_plain(LINE_FONT, 230, 230, 230, name_text);
    const int nh = name ? name->h : 0;
    if (name) panel_add_child(popup, pw + 10, 6, 0, 0, name);
    int bottom = nh + 16;
    if (rows)
        if (Control *table = ui_stat_rows_create(rows, 0)) {
            panel_add_child(popup, pw + 10, nh + 16, 0, 0, table);
            bottom = table->y + table->h;
        }
    if (!desc.empty())
        if (Control *tile = ui_tile_create(desc.c_str(), LINE_FONT, 256, 3, 230, 230, 230, TILE_BULLET_LIT)) {
            panel_set_border(tile, true);
            if (ColourFade *b = panel_border_colour(tile)) colour_fade_set(b, 32, 32, 32);
            panel_set_background(tile, true);
            if (ColourFade *bg = panel_background_colour(tile)) colour_fade_set(bg, 1, 1, 1);
            panel_add_child(popup, 4, bottom + 6, 0, 0, tile);
        }
    int w = 0, h = 0;
    panel_layout(popup, &w, &h);
    control_set_size(popup, w + 4, h + 4);
    return popup;
}

// Opens the popup anchored on the card, or drops it.
void open_on(Control *card, Control *popup) {
    if (popup && game_open_popup(views_detail::root(), popup, card, PLACE_RIGHT_OF) != RES_OK) control_remove(popup);
}

void add_row(List<SystemRow> *rows, int icon_type, const char *label, const std::string &value) {
    ui_stat_rows_add_row(rows, row_icon(icon_type), label, value.c_str(), 0);
}

std::string with_unit(int value, const char *unit) { return printed("%i", value) + unit; }

}  // namespace

void item_panel_set_state(Control *panel, uint64_t alert_id, int32_t tech_type) {
    if (!panel) return;
    ItemPanelState *state = new (std::nothrow) ItemPanelState{.systems = list_create<System>(), .tech_type = tech_type, .alert_id = alert_id};
    if (state && state->systems) list_set_free_fn(state->systems, free_system);
    control_set_widget_state(panel, state, free_item_state);
}

ItemPanelState *item_panel_state(Control *panel) {
    if (!panel || panel->widget_free != free_item_state) return nullptr;
    return static_cast<ItemPanelState *>(panel->widget_state);
}

Alert *item_panel_alert(Control *panel) {
    const ItemPanelState *state = item_panel_state(panel);
    const Game *game = game_get();
    if (!state || state->alert_id == 0 || !game || !game->alerts) return nullptr;
    for (Alert *alert : game->alerts->items) {
        if (!alert) break;
        if (alert->id == state->alert_id) return alert;
    }
    return nullptr;
}

std::vector<SkillPopupLine> officer_skill_lines(int32_t skill, int32_t level) {
    std::vector<SkillPopupLine> lines;
    if (skill < 0 || skill >= SKILL_COUNT) return lines;
    if (skill == FIELD_REPAIR) {
        int per_day = 0, cap = 0;
        field_repair_limits(level, &per_day, &cap, nullptr, nullptr);
        const SkillBonus &b = SKILL_BONUSES[skill][0];
        lines.push_back({b.image_type, b.frame, printed("Repair %i armor per day", per_day)});
        if (cap < 100) lines.push_back({0, 0, printed("Max %i%% of total", cap)});
        return lines;
    }
    for (const SkillBonus &b : SKILL_BONUSES[skill])
        if (b.format) lines.push_back({b.image_type, b.frame, printed(b.format, b.per_level * level)});
    return lines;
}

Control *officer_skill_popup_build(int32_t skill, int32_t level) {
    Control *popup = panel_create_empty();
    if (!popup) return nullptr;
    Control *title = text_label_create_plain(TITLE_FONT, 0, 230, 0, officer_skill_name(skill));
    if (title) panel_add_child(popup, 5, 3, 0, 0, title);
    int y = (title ? title->h : 0) + 11;
    int text_x = 0, text_bottom = y;   // where the last line's text stands
    for (const SkillPopupLine &line : officer_skill_lines(skill, level)) {
        Control *label = text_label_create_plain(LINE_FONT, 220, 240, 220, line.text.c_str());
        if (line.image_type == 0) {
            // A text line without an icon goes under the text before it.
            if (label) panel_add_child(popup, text_x, text_bottom, 0, 0, label);
            continue;
        }
        Control *icon = image_control_create_frame(line.image_type, frame_of(line.image_type, line.frame));
        const int icon_w = icon ? icon->w : 0, icon_h = icon ? icon->h : 0;
        if (icon) panel_add_child(popup, 13, y, 0, 0, icon);
        if (label) {
            text_x = icon_w + 21;
            panel_add_child(popup, text_x, y + (icon_h - label->h) / 2, 0, 0, label);
            text_bottom = label->y + label->h;
        }
        y += icon_h + 4;
    }
    int w = 0, h = 0;
    panel_layout(popup, &w, &h);
    control_set_size(popup, w + 5, h + 3);
    return popup;
}

std::string tech_bonus_amount_text(int32_t bonus_kind, int32_t amount) {
    return printed(bonus_kind == TECH_BONUS_CREW ? "+%i" : "+%i%%", amount);
}

const TechEffect *tech_grant_of_card(Control *card) {
    const Panel *p = panel_of(card);
    const ItemPanelState *state = card ? item_panel_state(static_cast<Control *>(card->user_data)) : nullptr;
    const TechInfo *tech = state ? tech_get(state->tech_type) : nullptr;
    if (!p || !tech || p->value < 0 || p->value >= int32_t(tech->effects.size())) return nullptr;
    return &tech->effects[size_t(p->value)];
}

System *tech_grant_system_of_card(Control *card) {
    const TechEffect *grant = tech_grant_of_card(card);
    const ItemPanelState *state = item_panel_state(static_cast<Control *>(card ? card->user_data : nullptr));
    if (!grant || grant->kind != TECH_EFFECT_SYSTEM || !state || !state->systems) return nullptr;
    for (System *system : state->systems->items) {
        if (!system) break;
        if (system->type == grant->value) return system;
    }
    return nullptr;
}

System *tech_grant_system_add(Control *panel, const TechEffect &grant, List<IconRow> *rows) {
    ItemPanelState *state = item_panel_state(panel);
    if (!state || !state->systems) return nullptr;
    System *system = system_subtype_count(grant.value) > 0 ? system_create_subtype(grant.value, grant.value2)
                                                            : system_create(grant.value);
    if (!system) return nullptr;
    if (list_append(state->systems, system) < 0) {
        system_free(system);
        return nullptr;
    }
    if (List<SystemRow> *info = ui_stat_rows_list_create()) {
        system_info_rows(system, info, 0);
        for (SystemRow *row : info->items) {
            if (!row) break;
            icon_rows_add(rows, row->icon, row->value.c_str(), 0);
            row->icon = nullptr;
        }
        list_free(info);
    }
    return system;
}

Control *tech_grant_template_picture(const GameObject *tmpl) {
    if (!tmpl) return nullptr;
    const int factory = tmpl->kind == OBJECT_SITE ? 0 : 1;
    // A template never shown stands at frame -1: a hull then shows its icon, a facility its first.
    Sprite *sprite = template_scene_picture(factory, tmpl->subtype, tmpl->frame);
    if (!sprite) {
        const Ship *hull = ship_of(tmpl);
        sprite = template_scene_picture(factory, tmpl->subtype, hull ? hull->icon_frame : 0);
    }
    return sprite ? image_control_create_single(sprite) : nullptr;
}

GameObject *tech_grant_template(int32_t kind, int32_t index) {
    if (index < 0 || factory_init() != RES_OK) return nullptr;
    const Factory *factory = factory_get(kind);
    if (!factory || index >= factory->template_count) return nullptr;
    return factory_get_template(kind, index);
}

std::string tech_grant_days_text(int32_t days) { return printed("%i day", days) + (days == 1 ? "" : "s"); }

Control *tech_grant_hull_popup_build(int32_t template_index) {
    const Ship *hull = ship_of(tech_grant_template(OBJECT_SHIP, template_index));
    List<SystemRow> *rows = hull ? ui_stat_rows_list_create() : nullptr;
    if (!rows) return nullptr;
    add_row(rows, 50, "Cost", printed("$%i", hull->base_cost));
    add_row(rows, 130, "Mass", with_unit(hull->base_mass, " KT"));
    add_row(rows, 63, "Power", with_unit(hull->capacity_max, " TW"));
    add_row(rows, 131, "System Mounts", printed("%i", ship_count_mount0_crits(hull)));
    add_row(rows, 53, "Armor Rating", printed("%i", hull->base_max_armour));
    add_row(rows, 78, "Crew Capacity", printed("%i", hull->base_max_crew));
    std::string desc;
    if (ship_load_description(hull->subtype, &desc) != RES_OK) desc.clear();
    return grant_popup_build(tech_grant_template_picture(hull), hull->name.c_str(), rows, desc);
}

Control *tech_grant_facility_popup_build(int32_t template_index) {
    const Site *site = site_cast(tech_grant_template(OBJECT_SITE, template_index));
    List<SystemRow> *rows = site ? ui_stat_rows_list_create() : nullptr;
    if (!rows) return nullptr;
    add_row(rows, 50, "Cost", printed("%i", site->params.build_cost));
    add_row(rows, 74, "Build Time", tech_grant_days_text(site->params.build_days));
    std::string desc;
    if (site_load_description(site, &desc) != RES_OK) desc.clear();
    return grant_popup_build(tech_grant_template_picture(site), site->name.c_str(), rows, desc);
}

void tech_grant_system_popup(Control *card) {
    System *system = tech_grant_system_of_card(card);
    if (!system) return;
    open_on(card, system_info_card_create(system, SYSTEM_CARD_GRANT));
}

void tech_grant_hull_popup(Control *card) {
    const TechEffect *grant = tech_grant_of_card(card);
    if (grant && grant->kind == TECH_EFFECT_HULL) open_on(card, tech_grant_hull_popup_build(grant->value));
}

void tech_grant_facility_popup(Control *card) {
    const TechEffect *grant = tech_grant_of_card(card);
    if (grant && grant->kind == TECH_EFFECT_FACILITY) open_on(card, tech_grant_facility_popup_build(grant->value));
}

void tech_grant_bonus_popup(Control *card) {
    const TechEffect *grant = tech_grant_of_card(card);
    if (!grant || grant->kind != TECH_EFFECT_BONUS) return;
    List<SystemRow> *rows = ui_stat_rows_list_create();
    if (rows) add_row(rows, tech_bonus_category_icon(grant->value), "Amount", tech_bonus_amount_text(grant->value, grant->value2));
    std::string text;
    if (tech_load_bonus_text(grant->value, &text) != RES_OK) text.clear();
    open_on(card, grant_popup_build(image_control_create_frame(BONUS_IMAGE, 0), tech_bonus_category_name(grant->value), rows, text));
}

void tech_grant_popup_close(Control *) { game_close_popup(views_detail::root()); }

void officer_skill_popup(Control *row) {
    const Panel *p = panel_of(row);
    const Alert *alert = row ? item_panel_alert(static_cast<Control *>(row->user_data)) : nullptr;
    if (!p || !alert) return;
    const int skill = p->value;
    const int level = skill >= 0 && skill < ALERT_EXTRA_WORDS ? alert->extra_words[skill] : 0;
    Control *popup = officer_skill_popup_build(skill, level);
    if (!popup) return;
    if (game_open_popup(views_detail::root(), popup, row, PLACE_RIGHT_OF) != RES_OK) control_remove(popup);
}

void officer_skill_popup_close(Control *) { game_close_popup(views_detail::root()); }
