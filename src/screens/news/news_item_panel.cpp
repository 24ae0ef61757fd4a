// The news item panel's build.
#include "screens/news/news_item_panel.h"

#include <algorithm>
#include <string>
#include <vector>

#include "game/alert.h"
#include "game/officer.h"
#include "game/tech.h"
#include "platform/calendar.h"
#include "platform/colour_fade.h"
#include "screens/news/news_local.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "systems/system.h"
#include "views/item_popups.h"
#include "views/scene_panel.h"
#include "world/object.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int NO_SCENE_TEXT_WIDTH = 256;
constexpr int DESC_WIDTH = 366;
constexpr int SKILL_COUNT = 9;
constexpr int PIP_IMAGE = 56;
constexpr int PIP_X = 166;
constexpr int OK_IMAGE = 150;
constexpr int KEY_ESCAPE = 27;
constexpr int BONUS_IMAGE = 161;

void fill(Control *ctrl, int r, int g, int b) {
    panel_set_background(ctrl, true);
    if (ColourFade *bg = panel_background_colour(ctrl)) colour_fade_set(bg, r, g, b);
}

// The pointer picks the deepest control under it: the parts of a card or row let it through, so
// that resting anywhere on the card rests on the card.
void let_pointer_through(Control *card) {
    if (Panel *p = panel_of(card))
        for (Control *child : p->children.items)
            if (child) control_set_enabled(child, false);
}

Control *skill_row(Control *panel, int skill, int level) {
    Control *row = panel_create_empty();
    if (!row) return nullptr;
    fill(row, 4, 4, 20);
    row->user_data = panel;
    if (Panel *p = panel_of(row)) p->value = skill;
    control_set_short_dwell(row);
    row->on_dwell = officer_skill_popup;
    row->on_hover_leave = officer_skill_popup_close;
    control_set_tag(row, NEWS_ITEM_SKILL_TAG);
    if (Control *icon = image_control_create_still(officer_skill_icon(skill))) panel_add_child(row, 8, 5, 0, 0, icon);
    if (Control *name = text_label_create_plain(1, 210, 240, 210, officer_skill_name(skill)))
        panel_add_child(row, 36, 7, 0, 0, name);
    int x = PIP_X;
    for (int i = 0; i < level; ++i) {
        Control *pip = image_control_create_still(PIP_IMAGE);
        if (!pip) break;
        panel_add_child(row, x, 3, 0, 0, pip);
        x += pip->w + 4;
    }
    let_pointer_through(row);
    int w = 0, h = 0;
    panel_layout(row, &w, &h);
    control_set_size(row, w + 8, h + 3);
    return row;
}

// What a grant card shows: its picture, its name and its value rows.
struct CardContent {
    Control       *picture = nullptr;
    std::string    name;
    List<IconRow> *rows = nullptr;
};

// A row icon: the second frame of its type, the first when the type has one.
Control *row_icon(int type) {
    return type ? image_control_create_frame(type, image_type_frame_count(type) > 1 ? 1 : 0) : nullptr;
}

void add_value(List<IconRow> *rows, int icon_type, const std::string &text) {
    icon_rows_add(rows, row_icon(icon_type), text.c_str(), 0);
}

std::string number(int value) { return std::to_string(value); }

// A system grant's card: a new System of the grant, owned by the panel's state.
bool system_content(Control *panel, const TechEffect &grant, CardContent *out) {
    System *system = tech_grant_system_add(panel, grant, out->rows);
    if (!system) return false;
    out->picture = image_control_create_framed(system->spare);
    out->name = system->name;
    return true;
}

bool card_content(Control *panel, const TechEffect &grant, CardContent *out) {
    switch (grant.kind) {
    case TECH_EFFECT_SYSTEM: return system_content(panel, grant, out);
    case TECH_EFFECT_HULL: {
        const Ship *hull = ship_of(tech_grant_template(OBJECT_SHIP, grant.value));
        if (!hull) return false;
        out->picture = tech_grant_template_picture(hull);
        out->name = hull->name;
        add_value(out->rows, 50, number(hull->base_cost));
        add_value(out->rows, 63, number(hull->capacity_max));
        return true;
    }
    case TECH_EFFECT_FACILITY: {
        const Site *site = site_cast(tech_grant_template(OBJECT_SITE, grant.value));
        if (!site) return false;
        out->picture = tech_grant_template_picture(site);
        out->name = site->name;
        add_value(out->rows, 50, number(site->params.build_cost));
        add_value(out->rows, 74, number(site->params.build_days));
        return true;
    }
    case TECH_EFFECT_BONUS:
        out->picture = image_control_create_framed(BONUS_IMAGE);
        out->name = tech_bonus_category_name(grant.value);
        add_value(out->rows, tech_bonus_category_icon(grant.value), tech_bonus_amount_text(grant.value, grant.value2));
        return true;
    default: return false;
    }
}

// The popup each grant kind opens.
constexpr ControlFn GRANT_POPUPS[] = {tech_grant_system_popup, tech_grant_hull_popup, tech_grant_facility_popup,
                                      tech_grant_bonus_popup};

// One grant's card; null for a kind without one or a grant whose template or System is missing.
Control *grant_card(Control *panel, const TechEffect &grant, int index) {
    if (grant.kind < 0 || grant.kind > TECH_EFFECT_BONUS) return nullptr;
    CardContent content;
    content.rows = icon_rows_list_create();
    if (!content.rows || !card_content(panel, grant, &content)) {
        if (content.rows) list_free(content.rows);
        return nullptr;
    }
    Control *card = panel_create_empty();
    if (!card) {
        if (content.picture) control_destroy(content.picture);
        list_free(content.rows);
        return nullptr;
    }
    panel_set_border(card, true);
    if (ColourFade *b = panel_border_colour(card)) colour_fade_set(b, 3, 3, 3);
    fill(card, 0, 0, 36);
    card->user_data = panel;
    if (Panel *p = panel_of(card)) p->value = index;
    control_set_short_dwell(card);
    card->on_dwell = GRANT_POPUPS[grant.kind];
    card->on_hover_leave = tech_grant_popup_close;
    control_set_tag(card, NEWS_ITEM_GRANT_TAG);
    const int pw = content.picture ? content.picture->w : 0;
    if (content.picture) panel_add_child(card, 3, 3, 0, 0, content.picture);
    Control *name = text_label_create_plain(2, 230, 230, 230, content.name.c_str());
    const int nh = name ? name->h : 0;
    if (name) panel_add_child(card, pw + 11, 5, NEWS_ITEM_ID_CARD_NAME, 0, name);
    if (Control *values = icon_rows_panel_create(content.rows, 0, 0))
        panel_add_child(card, pw + 11, nh + 9, NEWS_ITEM_ID_CARD_VALUES, 0, values);
    let_pointer_through(card);
    return card;
}

// "Grants" and the cards in rows of two: the first row from x 30, later rows from x 12.
int add_grants(Control *panel, int tech_type, int y) {
    const TechInfo *tech = tech_get(tech_type);
    if (!tech || tech->effects.empty()) return y;
    Control *label = text_label_create_plain(1, 230, 230, 230, "Grants");
    if (label) {
        panel_add_child(panel, 22, y, 0, 0, label);
        y += label->h + 4;
    }
    int x = 30, made = 0, last_h = 0;
    for (size_t i = 0; i < tech->effects.size(); ++i) {
        Control *card = grant_card(panel, tech->effects[i], int(i));
        if (!card) continue;
        panel_add_child(panel, x, y, 0, 0, card);
        int w = 0, h = 0;
        panel_layout(card, &w, &h);
        control_set_size(card, w + 8, h + 2);
        last_h = card->h;
        if (++made % 2 == 0) {
            y += card->h + 4;
            x = 12;
        } else {
            x += card->w + 8;
        }
    }
    // A row left with one card: at least 28 pixels, and never so little that "OK" covers the card.
    if (made % 2 == 1) y += std::max(28, last_h + 4);
    return y;
}

}  // namespace

void news_item_panel_build(Control *panel, Alert *alert) {
    if (!panel_of(panel) || !alert) return;
    panel_remove_children(panel);
    panel_set_shade(panel, news_detail::SHADE_LEVEL);
    panel_set_border(panel, true);
    if (ColourFade *border = panel_border_colour(panel)) colour_fade_set(border, 6, 6, 6);
    panel_set_anchor_mode(panel, PANEL_ANCHOR_CENTRE);
    const bool research = alert->flags & ALERT_FLAG_RESEARCH;
    item_panel_set_state(panel, alert->id, research ? alert->extra : 0);

    int y = 6, text_width = NO_SCENE_TEXT_WIDTH;
    if (alert->scene) {
        if (Control *scene = scene_panel_create(alert->scene)) {
            panel_add_child(panel, 6, 6, 0, 0, scene);
            y = scene->h + 12;
            text_width = scene->w - 48;
        }
    }
    Control *date = text_label_create_plain(1, 230, 230, 230, alert->time ? date_format(alert->time).c_str() : "---");
    if (date) {
        panel_add_child(panel, 14, y, NEWS_ITEM_ID_DATE, 0, date);
        y += date->h + 10;
    }
    if (Control *text = ui_tile_create(alert->text.c_str(), 2, text_width, 0, 230, 230, 0, 0)) {
        panel_add_child(panel, 22, y, NEWS_ITEM_ID_TEXT, 0, text);
        y += text->h + 8;
    }

    if (research) {
        std::string desc;
        if (alert->extra >= 0 && alert->extra < TECH_COUNT && tech_load_desc(alert->extra, &desc) == RES_OK &&
            !desc.empty()) {
            if (Control *tile = ui_tile_create(desc.c_str(), 2, DESC_WIDTH, 4, 230, 230, 230, TILE_FADE_IN | TILE_BULLET_LIT)) {
                panel_set_border(tile, true);
                if (ColourFade *b = panel_border_colour(tile)) colour_fade_set(b, 32, 32, 32);
                fill(tile, 1, 1, 1);
                panel_add_child(panel, 22, y, NEWS_ITEM_ID_DESC, 0, tile);
                y += tile->h + 7;
            }
        }
        y = add_grants(panel, alert->extra, y);
    }

    if (alert->flags & ALERT_FLAG_SKILLS) {
        std::vector<Control *> rows;
        for (int skill = 0; skill < SKILL_COUNT; ++skill) {
            const int level = alert->extra_words[skill];
            if (level <= 0) continue;
            Control *row = skill_row(panel, skill, level);
            if (!row) continue;
            panel_add_child(panel, 22, y, 0, 0, row);
            y += row->h + 6;
            rows.push_back(row);
        }
        int widest = 0;
        for (Control *row : rows) widest = std::max(widest, row->w);
        for (Control *row : rows) control_set_size(row, widest, row->h);
    }

    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    if (Control *ok = image_button_create(OK_IMAGE, 1, "OK", news_item_panel_on_ok, KEY_ESCAPE, panel)) {
        panel_add_child(panel, w - ok->w, y, NEWS_ITEM_ID_OK, 0, ok);
    }
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + 6, h + 6);

    if (date) {
        // The strip behind the date, 14 pixels narrower than the panel.
        if (Control *strip = panel_create(w - 8, date->h + 6, 10, 2, 10)) {
            panel_add_child(panel, date->x - 6, date->y - 3, 0, 0, strip);
            control_set_layer(strip, -1);
        }
    }
}

bool news_item_panel_shows(Control *panel, const Alert *alert) {
    const ItemPanelState *state = item_panel_state(panel);
    return state && alert && state->alert_id == alert->id;
}

void news_item_panel_on_ok(Control *button) {
    if (Control *panel = button ? static_cast<Control *>(button->user_data) : nullptr) control_set_hidden(panel, false);
}
