// The design summary: its build (picture and cards, price, ratings, buttons and the rules that
// refuse them), the Scrap confirmation, the popups of the cost tag and the cards, and closing.
#include "screens/design/design_summary_panel.h"

#include <algorithm>
#include <new>

#include "game/game.h"
#include "game/orders.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/list.h"
#include "platform/str.h"
#include "screens/design/design_local.h"
#include "systems/system.h"
#include "ui/dialog.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/line_group.h"
#include "ui/panel_slots.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "views/system_info_card.h"
#include "world/factory.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int BUTTON_FONT = 6;
constexpr uint8_t BORDER_RGB[3] = {64, 32, 0};
constexpr int SHIELD_OVERLAY_SIZE = 15;
constexpr int DIALOG_GROW_MS = 200;

void state_free(void *data) { delete static_cast<DesignSummaryState *>(data); }

// The summary panel a button, card or tag belongs to: the nearest owner holding the summary's state.
// A control's user data is never taken for the panel: a card's is its system, the panel's own its
// design.
Control *summary_of(Control *ctrl) {
    for (Control *c = ctrl; c; c = c->owner)
        if (design_summary_state(c)) return c;
    return nullptr;
}

void call_slot(Control *panel, int slot) {
    if (design_summary_state(panel)) panel_call_slot(panel, slot);
}

void fit_to_children(Control *panel, int pad) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + pad, h + pad);
}

int32_t days_of(int32_t minutes) {
    using design_detail::MINUTES_PER_DAY;
    return minutes > 0 ? (minutes + MINUTES_PER_DAY - 1) / MINUTES_PER_DAY : 0;
}

// The hull's template when it has pictures to show.
const Ship *hull_template(int32_t subtype) {
    if (subtype < 0 || factory_init() != RES_OK) return nullptr;
    const Factory *factory = factory_get(OBJECT_SHIP);
    if (!factory || subtype >= factory->template_count) return nullptr;
    return ship_of(factory_get_template(OBJECT_SHIP, subtype));
}

Sprite *frame_of(const GameObject *obj, int32_t frame) {
    if (!obj || frame < 0 || frame >= obj->frame_count) return nullptr;
    if (obj->frames && obj->frames[frame]) return obj->frames[frame];
    return obj->frame_sprites ? obj->frame_sprites[frame] : nullptr;
}

// The reason the shipyard's sector refuses a build for want of starbase crew; null when it does
// not (or when the site lies in no sector).
const char *crew_refusal(const Site *site) {
    if (!sector_find(site->sector_id)) return nullptr;
    return site_starbase_crew(site) >= SITE_CREW_NEEDED ? nullptr : "%i crew required";
}

void refuse(Control *button, const std::string &reason) {
    image_control_set_highlight(button, true);
    image_control_set_tooltip(button, true, design_detail::TIP_TEXT, 0, 0, reason.c_str());
    button->on_hover_enter = image_control_tooltip_show;
    button->on_hover_leave = image_control_tooltip_hide;
}

// The hull picture inside its frame, tinted per facing when the design has shields.
Control *make_frame(const Ship *design, const Ship *tmpl) {
    Control *picture = image_control_create_single(frame_of(tmpl, tmpl->tmpl_c));
    if (!picture) return nullptr;
    if (design->shield_strength > 0) {
        uint8_t levels[SHIP_FACINGS] = {}, r[SHIP_FACINGS] = {}, g[SHIP_FACINGS] = {}, b[SHIP_FACINGS] = {};
        for (int f = 0; f < SHIP_FACINGS; ++f) {
            int32_t level = 0;
            ship_color_for_level(design, f, &r[f], &g[f], &b[f], &level);
            levels[f] = uint8_t(std::clamp(level, 0, 255));
        }
        image_control_set_overlay(picture, true, levels, SHIELD_OVERLAY_SIZE);
        for (int f = 0; f < SHIP_FACINGS; ++f)
            if (ColourFade *tint = image_of(picture)->outline[f]) colour_fade_set(tint, r[f], g[f], b[f]);
    }
    Control *frame = panel_create(picture->w, picture->h, 0, 0, 0);
    if (!frame) {
        control_destroy(picture);
        return nullptr;
    }
    panel_clear_fills(frame);
    panel_add_child(frame, 0, 0, 0, 1, picture);
    control_set_enabled(frame, false);   // the pointer passes over the picture
    panel_set_border(frame, true);
    colour_fade_start(panel_border_colour(frame), 0, 255, 0, 0, 0, 0, 200, 300, 0);
    control_hide_for(frame, 300);
    return frame;
}

// A panel already in place grows from a sliver of the given size to its own around its centre.
void grow_from_centre(Control *panel, int w, int h, int ms) {
    const int full_w = panel->w, full_h = panel->h;
    panel_set_anchor_mode(panel, PANEL_ANCHOR_CENTRE);
    panel_set_draw_children_while_resizing(panel, true);
    control_set_size(panel, w, h);
    panel_resize_to(panel, full_w, full_h, ms);
}

uint32_t card_options(const Crit &crit) {
    uint32_t options = SYSTEM_CARD_MOUNT_FORM;
    if (crit.system && (crit.system->flags & SYSTEM_FLAG_ARC) && crit.direction >= 0 && crit.direction < SHIP_FACINGS)
        options |= SYSTEM_CARD_SIDE_FORE << crit.direction;
    return options;
}

// The cards of the fitted systems at their card positions, and the lines from each card's label
// anchor to its mount on the picture (none for armour mounts).
void add_cards(Control *area, const Ship *design, const Ship *tmpl) {
    const int32_t f = tmpl->tmpl_c;
    const bool sized = tmpl->frame_w && tmpl->frame_h && f >= 0 && f < tmpl->frame_count;
    const int ref_w = sized ? std::max(tmpl->frame_w[0], 1) : 1, ref_h = sized ? std::max(tmpl->frame_h[0], 1) : 1;
    const int pic_w = sized ? tmpl->frame_w[f] : ref_w, pic_h = sized ? tmpl->frame_h[f] : ref_h;
    for (int32_t i = 0; i < design->crit_count; ++i) {
        const Crit &c = design->crits[i];
        if (!c.system) continue;
        if (c.mount_type != MOUNT_ARMOUR) {
            const int px = tmpl->tmpl_a + int(int64_t(c.x) * pic_w / ref_w);
            const int py = tmpl->tmpl_b + int(int64_t(c.y) * pic_h / ref_h);
            if (Control *line = line_group_create_line(c.display[2], c.display[3], px, py, 190, 190, 180)) {
                int lx = 0, ly = 0;
                line_group_fit_bounds(line, &lx, &ly);
                panel_add_child(area, lx, ly, 0, 0, line);
                control_hide_for(line, 800);
                line_group_fade_colour(line, 255, 255, 255, 180, 190, 180, 200, 800, 0);
            }
        }
        Control *card = panel_create_empty();
        if (!card) continue;
        system_info_card_build(card, c.system, card_options(c));
        if (Panel *p = panel_of(card)) {
            p->value = i;
            // The card takes the pointer as a whole, so its rest opens the popup.
            for (Control *part : p->children.items)
                if (part) control_set_enabled(part, false);
        }
        card->dwell_delay = card->dwell_left = DESIGN_PANEL_DWELL_MS;
        card->on_dwell = design_summary_system_popup_open;
        card->on_hover_leave = design_summary_popup_close;
        panel_add_child(area, c.display[0], c.display[1], 0, 0, card);
        control_hide_for(card, 550);
        if (Control *flash = panel_create(card->w, card->h, 0, 0, 0)) {
            panel_clear_fills(flash);
            panel_set_border(flash, true);
            colour_fade_start(panel_border_colour(flash), 0, 128, 0, 10, 10, 10, 450, 550, 0);
            panel_add_child(area, card->x, card->y, 0, 0, flash);
            grow_from_centre(flash, 10, flash->h, 150);
            control_hide_for(flash, 550);
            control_remove_after(flash, 1000);
        }
        grow_from_centre(card, 10, card->h, 150);
    }
}

Control *stat_icon(int type, int frame) { return image_control_create_frame(type, frame); }

Control *make_stat_rows(const Ship *design) {
    List<SystemRow> *rows = ui_stat_rows_list_create();
    if (!rows) return nullptr;
    const auto add = [rows](int type, int frame, const char *label, const std::string &value) {
        ui_stat_rows_add_row(rows, stat_icon(type, frame), label, value.c_str(), 0);
    };
    add(179, 0, "Class", design->name);
    add(53, 1, "Armor Rating", str_format("%i", design->max_armour));
    if (design->shield_strength > 0) add(127, 1, "Shield Strength", str_format("%i GW", design->shield_strength));
    add(78, 1, "Crew Capacity", str_format("%i", design->max_crew));
    add(130, 1, "Mass", str_format("%i KT", design->mass));
    add(63, 1, "Power", str_format("%i TW", design->capacity_used));
    add(165, 1, "Movement", str_format("%i", design->max_mp));
    return ui_stat_rows_create(rows, 0);
}

// Build (or Resume), Edit and Scrap in a row, each refused with its reason where the rules say.
Control *make_summary_buttons(Control *panel, const DesignSummaryState *s, Player *player, const Ship *design) {
    List<Control> buttons;
    Control *build = s->resume ? image_button_create(IMAGE_BUILD_SHIP, BUTTON_FONT, "Resume", design_summary_on_build, 'r', panel)
                               : image_button_create(IMAGE_BUILD_SHIP, BUTTON_FONT, "Build", design_summary_on_build, 'b', panel);
    Control *edit = image_button_create(IMAGE_EDIT_DESIGN, BUTTON_FONT, "Edit", design_summary_on_edit, 0, panel);
    Control *scrap = image_button_create(IMAGE_SCRAP, BUTTON_FONT, "Scrap", design_summary_on_scrap, 0, panel);
    if (build) {
        build->id = DESIGN_PANEL_ID_BUILD;
        if (const char *crew = crew_refusal(s->site)) refuse(build, str_format(crew, DESIGN_BUILD_CREW));
        else if (const Result r = player_can_spend(player, s->cost); r != RES_OK) refuse(build, order_refusal_text(r));
        list_append(&buttons, build);
    }
    const bool in_production = player_is_building_design(player, design->id);
    for (Control *b : {edit, scrap}) {
        if (!b) continue;
        b->id = b == edit ? DESIGN_PANEL_ID_EDIT : DESIGN_PANEL_ID_SCRAP;
        if (in_production) refuse(b, "In production");
        list_append(&buttons, b);
    }
    Control *row = panel_create_empty();
    if (row) panel_layout_controls(row, &buttons, LAYOUT_ROW);
    else
        for (Control *b : buttons.items) control_destroy(b);
    return row;
}

}  // namespace

DesignSummaryState *design_summary_state(Control *panel) {
    return panel && panel_of(panel) && panel->widget_free == state_free ? static_cast<DesignSummaryState *>(panel->widget_state)
                                                                         : nullptr;
}

void design_summary_build(Control *panel, GameObject *obj, Site *site) {
    Ship *design = ship_of(obj);
    Player *player = design_detail::owner_of(site);
    const Ship *tmpl = design ? hull_template(design->subtype) : nullptr;
    if (!panel_of(panel) || !player || !design || !tmpl) return;

    panel_remove_children(panel);
    panel_set_shade(panel, 3);
    panel_set_border(panel, true);
    colour_fade_set(panel_border_colour(panel), BORDER_RGB[0], BORDER_RGB[1], BORDER_RGB[2]);
    control_set_user_data(panel, design, nullptr);
    DesignSummaryState *s = new (std::nothrow) DesignSummaryState{};
    if (!s) return;
    s->site = site;
    panel_set_command_state(panel, s, state_free);

    Control *title = panel_add_child(panel, 2, 2, DESIGN_PANEL_ID_TITLE, 0,
                                     ui_button_create("Ship Design", object_get_name(design), design_summary_on_close, panel,
                                                      TITLE_ANIMATE | TITLE_CLOSE | TITLE_VALUE_BOX));
    const int title_h = title ? title->h : 0;

    Control *area = panel_add_child(panel, 4, title_h + 8, DESIGN_PANEL_ID_PICTURE, 0, panel_create_empty());
    if (area) {
        panel_clear_fills(area);
        Control *frame = panel_add_child(area, tmpl->tmpl_a, tmpl->tmpl_b, DESIGN_PANEL_ID_FRAME, 0, make_frame(design, tmpl));
        if (frame) grow_from_centre(frame, 2, 2, 200);
        add_cards(area, design, tmpl);
        fit_to_children(area, 0);
    }
    const int area_h = area ? area->h : 0;

    // The price the order charges: the sector's price, or what was kept for this design when resuming.
    int32_t minutes = 0;
    if (order_production_price(site, 0, design->id, &s->cost, &minutes) != RES_OK)
        player_design_build_cost(player, design, site->sector_id, &s->cost, &minutes);
    s->days = days_of(minutes);
    uint64_t item_id = 0;
    s->resume = site_get_paused_production(site, nullptr, &item_id, nullptr, nullptr) && item_id == design->id;

    const int y0 = title_h + 8 + area_h + 6;
    Control *tag = panel_add_child(panel, 4, y0, DESIGN_PANEL_ID_COST, 0, cost_tag_create(s->cost, s->days, COST_TAG_SLIDE));
    if (tag) {
        tag->dwell_delay = tag->dwell_left = DESIGN_PANEL_DWELL_MS;
        tag->on_dwell = design_summary_cost_popup_open;
        tag->on_hover_leave = design_summary_popup_close;
    }
    Control *stats = panel_add_child(panel, 4, y0 + (tag ? tag->h : 0) + 8, DESIGN_PANEL_ID_STATS, 0, make_stat_rows(design));

    Control *row = make_summary_buttons(panel, s, player, design);
    if (row) {
        const int right = area ? area->x + area->w : 4;
        panel_add_child(panel, std::max(right - row->w, 0), y0 + 6, DESIGN_PANEL_ID_BUTTONS, 0, row);
    }
    Control *confirm = panel_add_child(panel, 0, 0, DESIGN_PANEL_ID_CONFIRM, 0, panel_create_empty());
    if (confirm) control_set_hidden(confirm, false);

    fit_to_children(panel, 4);
    if (row) {
        const int stats_right = stats ? stats->x + stats->w + 6 : 0;
        control_set_position(row, std::max(row->x, stats_right), panel->h - row->h - 6);
        fit_to_children(panel, 4);
    }
    if (title) ui_control_resize(title, panel->w - 4, true);
}

GameObject *design_summary_get_design(Control *panel) {
    return design_summary_state(panel) ? static_cast<GameObject *>(panel->user_data) : nullptr;
}

// ---- Commands ----

void design_summary_on_close(Control *title) {
    Control *panel = summary_of(title);
    if (!panel) return;
    game_flash_panel_frame(game_get(), panel);
    control_remove(panel);
}

void design_summary_on_build(Control *button) { call_slot(summary_of(button), DESIGN_SUMMARY_SLOT_BUILD); }
void design_summary_on_edit(Control *button) { call_slot(summary_of(button), DESIGN_SUMMARY_SLOT_EDIT); }
void design_summary_on_scrap_yes(Control *button) { call_slot(summary_of(button), DESIGN_SUMMARY_SLOT_SCRAP); }

// The question takes the buttons' place: it grows out of their row into the bottom-right corner
// while the panel's border dims.
void design_summary_on_scrap(Control *button) {
    Control *panel = summary_of(button);
    Control *dialog = panel ? panel_find_child(panel, DESIGN_PANEL_ID_CONFIRM) : nullptr;
    Control *row = panel ? panel_find_child(panel, DESIGN_PANEL_ID_BUTTONS) : nullptr;
    if (!dialog) return;
    dialog_build(dialog, "Scrap this design?", "Yes, scrap", "No, keep", design_summary_on_scrap_yes, panel,
                 design_summary_on_scrap_no, panel, 0);
    const int w = dialog->w, h = dialog->h;
    if (row) {
        control_set_position(dialog, row->x, row->y);
        control_set_size(dialog, row->w, row->h);
    }
    panel_set_draw_children_while_resizing(dialog, true);
    panel_resize_to(dialog, w, h, DIALOG_GROW_MS);
    control_move_to(dialog, panel->w - w - 6, panel->h - h - 6, DIALOG_GROW_MS);
    colour_fade_start(panel_border_colour(dialog), 0, 45, 0, 160, 60, 60, 500, 0, 0);
    control_set_hidden(dialog, true);
    if (row) control_set_hidden(row, false);
    colour_fade_to(panel_border_colour(panel), 0, 0, 16, 2000, 0);
}

void design_summary_on_scrap_no(Control *button) {
    Control *panel = summary_of(button);
    if (!panel) return;
    if (Control *dialog = panel_find_child(panel, DESIGN_PANEL_ID_CONFIRM)) control_set_hidden(dialog, false);
    if (Control *row = panel_find_child(panel, DESIGN_PANEL_ID_BUTTONS)) control_set_hidden(row, true);
    colour_fade_to(panel_border_colour(panel), BORDER_RGB[0], BORDER_RGB[1], BORDER_RGB[2], 1200, 0);
}

// ---- Popups ----

void design_summary_cost_popup_open(Control *tag) {
    Control *popup = panel_create_empty();
    if (!popup) return;
    Control *label = panel_add_child(popup, 5, 3, 0, 0, text_label_create_plain(1, 0, 230, 0, "Cost"));
    Control *text = ui_tile_create("The resource cost to build this ship, and the time required in days.", 2, 256, 0, 230,
                                   230, 230, 0);
    panel_add_child(popup, 5, 3 + (label ? label->h : 0) + 11, DESIGN_PANEL_ID_COST_TEXT, 0, text);
    int w = 0, h = 0;
    panel_layout(popup, &w, &h);
    control_set_size(popup, w + 5, h + 3);
    if (game_open_popup(game_get(), popup, tag, PLACE_BESIDE) != RES_OK) control_remove(popup);
}

void design_summary_system_popup_open(Control *card) {
    const Ship *design = ship_of(design_summary_get_design(summary_of(card)));
    const Panel *p = panel_of(card);
    if (!design || !p || p->value < 0 || p->value >= design->crit_count || !design->crits[p->value].system) return;
    Control *popup = panel_create_empty();
    if (!popup) return;
    system_info_card_build(popup, design->crits[p->value].system, SYSTEM_CARD_TIP);
    if (game_open_popup(game_get(), popup, card, PLACE_BESIDE) != RES_OK) control_remove(popup);
}

void design_summary_popup_close(Control *) { game_close_popup(game_get()); }
