// The design panel's second stage: the working copy's hull picture with a card per mount and the
// connector lines, the statistics, the power bar, the cost tag, and Upgrade / Accept / Back or
// Cancel with the accept rule.
#include "screens/design/design_editor.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/sprite.h"
#include "platform/str.h"
#include "screens/design/design_local.h"
#include "systems/system.h"
#include "ui/dialog.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/line_group.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_entry.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "ui/value_bar.h"
#include "views/system_info_card.h"
#include "world/factory.h"
#include "world/ship.h"

namespace {

constexpr int TIP_WIDTH = 256;
constexpr int KEY_ESCAPE = 27;
constexpr int CARD_INSET = 16;
constexpr int PICKER_ROOM = DESIGN_PICKER_MIN_WIDTH + 40;   // the list, its scroll bar and margins   // the cards and the picture stand this far in from the mount area's edge

// The design panel of a control inside it: the control itself, or its user data.
Control *panel_of_control(Control *c) {
    if (design_editor_state(c)) return c;
    Control *owner = c ? static_cast<Control *>(c->user_data) : nullptr;
    return design_editor_state(owner) ? owner : nullptr;
}

std::string trimmed(const char *text) {
    std::string s = text ? text : "";
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!s.empty() && blank(s.back())) s.pop_back();
    size_t i = 0;
    while (i < s.size() && blank(s[i])) ++i;
    return s.substr(i);
}

Control *button_in_column(Control *panel, int id) {
    Control *column = panel_find_child(panel, DESIGN_ID_BUTTONS);
    Control *b = column ? panel_find_child(column, id) : nullptr;
    return b && !(b->flags & CTRL_REMOVED) ? b : nullptr;
}

bool has_enabled_engine(const Ship *ship) {
    for (int32_t i = 0; ship && i < ship->crit_count; ++i)
        if (const System *s = ship->crits[i].system; s && s->type == SYSTEM_TYPE_ENGINE && !(s->status & SYSTEM_STATUS_OFFLINE))
            return true;
    return false;
}

// The accept rule: an engine first, then a name.
void apply_accept_rule(Control *panel) {
    DesignEditorState *s = design_editor_state(panel);
    Control *accept = button_in_column(panel, DESIGN_ID_ACCEPT);
    if (!s || !accept) return;
    const char *reason = nullptr;
    if (!has_enabled_engine(s->working_ship)) reason = "Engine required";
    else if (s->name.empty()) reason = "Design name required";
    image_control_set_highlight(accept, reason != nullptr);
    image_control_set_tooltip(accept, reason != nullptr, design_detail::TIP_TEXT, 0, 0, reason ? reason : "");
}

void refill_shields(Ship *ship) {
    ship_recompute_stats(ship);
    for (int32_t &shield : ship->shields) shield = ship->shield_max;
    ship_recompute_stats(ship);
}

Control *mount_area(Control *panel) { return panel_find_child(panel, DESIGN_ID_HULL_PANEL); }

Control *hull_picture(Control *panel) {
    Control *area = mount_area(panel);
    Control *frame = area ? panel_find_child(area, DESIGN_ID_EDITOR_FRAME) : nullptr;
    return frame ? panel_find_child(frame, DESIGN_ID_PICTURE) : nullptr;
}

// The hull picture's facing overlay: on while an enabled shield is fitted.
void refresh_overlay(Control *panel, int ms) {
    DesignEditorState *s = design_editor_state(panel);
    Control *picture = hull_picture(panel);
    if (!s || !picture || !s->working_ship) return;
    Ship *ship = s->working_ship;
    bool shield = false;
    for (int32_t i = 0; i < ship->crit_count; ++i)
        if (const System *sys = ship->crits[i].system; sys && sys->type == SYSTEM_TYPE_SHIELD && !(sys->status & SYSTEM_STATUS_OFFLINE))
            shield = true;
    if (!shield) {
        image_control_set_overlay(picture, false, nullptr, 0);
        return;
    }
    const ShipFacingTints tints = ship_facing_tints(ship);
    image_control_set_overlay(picture, true, tints.level, 0);
    for (int f = 0; f < SHIP_FACINGS; ++f)
        if (ColourFade *tint = image_of(picture)->outline[f])
            colour_fade_start(tint, 0, 0, 0, tints.r[f], tints.g[f], tints.b[f], ms, 0, 0);
}

void show_tip(Control *anchor, const char *title, const char *text) {
    Control *popup = panel_create_empty();
    if (!popup) return;
    game_popup_look(popup);
    Control *head = panel_add_child(popup, 6, 4, 0, 0, text_label_create_plain(1, 0, 230, 0, title));
    Control *body = panel_add_child(popup, 2, 4 + (head ? head->h : 0) + 2, DESIGN_ID_TEXT, 0,
                                    ui_tile_create(text, 2, TIP_WIDTH, 4, 230, 230, 230, 0));
    (void)body;
    int w = 0, h = 0;
    panel_layout(popup, &w, &h);
    control_set_size(popup, w + 6, h + 6);
    if (game_open_popup(game_get(), popup, anchor, PLACE_BESIDE) != RES_OK) control_remove(popup);
}

void tip_close(Control *) { game_close_popup(game_get()); }
void power_tip(Control *box) {
    show_tip(box, "Power",
             "A measure of the ship's capacity to run systems. Each equipped system imposes its own power "
             "requirement, which can accumulate up to the maximum for the ship class.");
}
void cost_tip(Control *tag) {
    show_tip(tag, "Cost", "The resource cost to build this ship design, and the time required in days.");
}

void mount_card_tip(Control *card) {
    Control *panel = card ? panel_of_control(card) : nullptr;
    DesignEditorState *s = design_editor_state(panel);
    const Panel *p = panel_of(card);
    if (!s || !p || !s->working_ship || p->value < 0 || p->value >= s->working_ship->crit_count) return;
    const Crit &crit = s->working_ship->crits[p->value];
    if (!crit.system) {
        const char *text = crit.mount_type == MOUNT_ENGINE   ? "This mount point can accept an engine."
                           : crit.mount_type == MOUNT_ARMOUR ? "This mount point can accept an armor plating upgrade."
                                                             : "This mount point can accept a system.";
        show_tip(card, "Empty", text);
        return;
    }
    Control *popup = system_info_card_create(crit.system, SYSTEM_CARD_TIP);
    if (popup && game_open_popup(game_get(), popup, card, PLACE_BESIDE) != RES_OK) control_remove(popup);
}

void stats_rows(const Ship *ship, bool build, List<SystemRow> *rows) {
    int32_t ap = 0, total = 0;
    ship_design_ap_estimate(ship, &ap, &total);
    const auto add = [rows](int type, int frame, const char *label, const std::string &value) {
        ui_stat_rows_add_row(rows, image_control_create_frame(type, frame), label, value.c_str(), 0);
    };
    add(179, 0, "Class", ship->name);
    add(53, 1, "Armor Rating", str_format("%i", ship->max_armour));
    add(78, 1, "Crew Capacity", str_format("%i", ship->max_crew));
    add(51, 1, "AP", str_format("%i-%i", ap, total));
    add(130, 1, "Mass", str_format(build ? "%i KT" : "%8i KT", ship->mass));
    add(180, 0, "Thrust", str_format(build ? "%i" : "%8i", ship->thrust));
    add(165, 1, "Movement", str_format("%i", ship->max_mp));
    add(185, 0, "Turn Cost", str_format("%i AP", ship->turn_cost));
}

Control *make_editor_buttons(Control *panel, DesignEditorState *s) {
    Control *column = panel_create_empty();
    if (!column) return nullptr;
    std::vector<Control *> buttons;
    if ((s->options & DESIGN_OPT_UPGRADE) && design_upgrade_available(panel))
        buttons.push_back(panel_add_child(column, 0, 0, DESIGN_ID_UPGRADE, 0,
                                          image_button_create(IMAGE_UPGRADE, 6, "Upgrade", design_on_upgrade, 'u', panel)));
    buttons.push_back(panel_add_child(column, 0, 0, DESIGN_ID_ACCEPT, 0,
                                      image_button_create(IMAGE_SAVE, 6, "Accept", design_on_accept, 'a', panel)));
    if (s->edited_id != 0)
        buttons.push_back(panel_add_child(column, 0, 0, DESIGN_ID_BACK, 0,
                                          image_button_create(IMAGE_CANCEL, 6, "Cancel", design_on_cancel, KEY_ESCAPE, panel)));
    else
        buttons.push_back(panel_add_child(column, 0, 0, DESIGN_ID_BACK, 0,
                                          image_button_create(IMAGE_BACK, 6, "Back", design_on_back, KEY_ESCAPE, panel)));
    int widest = 0;
    for (Control *b : buttons)
        if (b) widest = std::max(widest, b->w);
    int y = 0;
    for (Control *b : buttons) {
        if (!b) continue;
        image_control_set_fixed_width(b, widest + 6);
        control_set_position(b, 0, y);
        y += b->h + 4;
    }
    int w = 0, h = 0;
    panel_layout(column, &w, &h);
    control_set_size(column, w, h);
    return column;
}

// A mount point on the hull picture, in the mount area: frame 0's point scaled onto the picture.
void mount_point(const Ship *ship, const Ship *tmpl, int32_t i, int *x, int *y) {
    const Crit &c = ship->crits[i];
    const int32_t f = tmpl->tmpl_c;
    const bool sized = tmpl->frame_w && tmpl->frame_h && f >= 0 && f < tmpl->frame_count;
    const int ref_w = sized ? std::max(tmpl->frame_w[0], 1) : 1, ref_h = sized ? std::max(tmpl->frame_h[0], 1) : 1;
    const int pic_w = sized ? tmpl->frame_w[f] : ref_w, pic_h = sized ? tmpl->frame_h[f] : ref_h;
    *x = tmpl->tmpl_a + int(int64_t(c.x) * pic_w / ref_w) + CARD_INSET;
    *y = tmpl->tmpl_b + int(int64_t(c.y) * pic_h / ref_h) + CARD_INSET;
}

}  // namespace

// ---- Shared with the picker ----

uint32_t design_mount_card_options(const Crit &crit) {
    if (crit.mount_type == MOUNT_ENGINE) return SYSTEM_CARD_MOUNT_FORM | SYSTEM_CARD_ENGINE_MOUNT;
    if (crit.mount_type == MOUNT_ARMOUR) return SYSTEM_CARD_MOUNT_FORM | SYSTEM_CARD_ARMOUR_MOUNT;
    if (crit.mount_type != MOUNT_SYSTEM) return SYSTEM_CARD_MOUNT_FORM;
    uint32_t options = SYSTEM_CARD_MOUNT_FORM | SYSTEM_CARD_SYSTEM_MOUNT;
    if (!crit.system || (crit.system->flags & SYSTEM_FLAG_ARC)) options |= SYSTEM_CARD_SIDE_FORE << std::clamp(crit.direction, 0, 3);
    return options;
}

Control *design_mount_area(Control *panel) { return design_editor_state(panel) ? mount_area(panel) : nullptr; }

Control *design_mount_card(Control *panel, int32_t mount) {
    DesignEditorState *s = design_editor_state(panel);
    if (!s) return nullptr;
    for (Control *card : s->mount_cards.items)
        if (card && !(card->flags & CTRL_REMOVED) && panel_of(card) && panel_of(card)->value == mount) return card;
    return nullptr;
}

// A new card for the mount in the mount area at the mount's card place, growing over ms; the old
// card of the mount (if any) fades out over 150 ms.
Control *design_rebuild_mount_card(Control *panel, int32_t mount, int grow_ms, int delay_ms) {
    DesignEditorState *s = design_editor_state(panel);
    Control *area = mount_area(panel);
    if (!s || !area || !s->working_ship || mount < 0 || mount >= s->working_ship->crit_count) return nullptr;
    const Crit &crit = s->working_ship->crits[mount];
    int x = crit.display[0] + CARD_INSET, y = crit.display[1] + CARD_INSET;
    if (Control *old = design_mount_card(panel, mount)) {
        x = old->x;
        y = old->y;
        list_remove_value(&s->mount_cards, old);
        control_fade_out(old, 150);
        control_release(old);
    }
    Control *card = panel_create_empty();
    if (!card) return nullptr;
    system_info_card_build(card, crit.system, design_mount_card_options(crit));
    // The card takes the pointer over its parts: clicks, dwell and leave are the card's.
    for (Control *part : panel_of(card)->children.items)
        if (part) control_set_enabled(part, false);
    panel_of(card)->value = mount;
    card->user_data = panel;
    card->dwell_delay = design_detail::DWELL_MS;
    card->on_dwell = mount_card_tip;
    card->on_hover_leave = tip_close;
    card->on_click = design_on_mount_click;
    panel_set_border_hover(card, 16, 16, 0, 220, 240, 0, 600);
    panel_add_child(area, x, y, 0, 0, card);
    list_append(&s->mount_cards, control_addref(card));
    if (grow_ms > 0) {
        const int w = card->w;
        if (delay_ms > 0) control_hide_for(card, delay_ms);
        control_set_size(card, 10, card->h);
        panel_resize_to(card, w, card->h, grow_ms);
    }
    return card;
}

void design_restore_connectors(Control *panel, int delay_ms) {
    Control *area = mount_area(panel);
    if (!area) return;
    for (Control *c : panel_of(area)->children.items)
        if (c && c->id >= DESIGN_ID_CONNECTOR && !(c->flags & CTRL_REMOVED))
            line_group_fade_colour(c, 0, 0, 0, 180, 190, 180, design_detail::FADE_MS, delay_ms, 0);
}

void design_refill_and_overlay(Control *panel) {
    DesignEditorState *s = design_editor_state(panel);
    if (!s || !s->working_ship) return;
    refill_shields(s->working_ship);
    refresh_overlay(panel, 640);
}

// ---- The editor ----

void design_editor_build(Control *control) {
    Control *panel = panel_of_control(control);
    DesignEditorState *s = design_editor_state(panel);
    if (!s || !s->hull_chosen) return;
    if (s->working_ship) object_destroy(s->working_ship);
    s->working_ship = nullptr;

    Ship *ship = nullptr;
    if (Ship *design = ship_of(s->design_to_edit)) {
        s->design_to_edit = nullptr;
        s->edited_id = design->id;
        s->selected_hull = design->subtype;
        ship = ship_of(factory_create_object(OBJECT_SHIP, design->subtype));
        if (ship) {
            ship_recompute_stats(ship);
            ship->ship_name = design->ship_name;
            for (int32_t i = 0; i < design->crit_count && i < ship->crit_count; ++i) {
                const System *fitted = design->crits[i].system;
                System *copy = fitted ? system_create(fitted->type) : nullptr;
                if (!copy) continue;
                system_copy(copy, fitted);
                if (ship_set_crit_system(ship, i, copy) != RES_OK) system_release(copy);
            }
        }
    } else {
        ship = ship_of(factory_create_object(OBJECT_SHIP, s->selected_hull));
    }
    if (!ship) return;
    const Ship *tmpl = design_hull_template(ship->subtype);
    if (tmpl && (tmpl->hull_flags & HULL_FLAG_TEMPLATE_NAME)) ship->ship_name = tmpl->name;
    s->working_ship = ship;
    s->editor_open = 1;
    for (Control *card : s->mount_cards.items)
        if (card) control_release(card);
    list_clear(&s->mount_cards);
    if (!s->name.empty()) ship->ship_name = s->name;
    object_set_owner_id(ship, s->owner_id);
    refill_shields(ship);

    // The chooser's controls give their ids up as they fade: the editor's take the same ones.
    for (int id : {DESIGN_ID_STATS, DESIGN_ID_BUTTONS, DESIGN_ID_FRAME, DESIGN_ID_COST_TAG, DESIGN_ID_LABEL, DESIGN_ID_TEXT})
        if (Control *c = panel_find_child(panel, id)) {
            control_set_id(c, 0);
            control_fade_out(c, design_detail::FADE_MS);
        }
    if (Control *strip = panel_find_child(panel, DESIGN_ID_CARD_STRIP)) {
        control_move_to(strip, strip->x, panel->h + 2, design_detail::FADE_MS);
        control_remove_after(strip, design_detail::FADE_MS);
    }

    Control *title = panel_find_child(panel, DESIGN_ID_TITLE);
    const int title_bottom = title ? title->y + title->h : 24;

    // The mount area: the hull picture, the mount cards and their connector lines.
    Control *area = panel_add_child(panel, 12, title_bottom + 6, DESIGN_ID_HULL_PANEL, 0, panel_create_empty());
    if (area && tmpl) {
        Control *frame = panel_create_empty();
        Control *picture = image_control_create_single(design_frame_sprite(tmpl, tmpl->tmpl_c));
        if (frame && picture) {
            panel_clear_fills(frame);
            panel_add_child(frame, 0, 0, DESIGN_ID_PICTURE, 0, picture);
            control_set_size(frame, picture->w, picture->h);
            panel_add_child(area, tmpl->tmpl_a + CARD_INSET, tmpl->tmpl_b + CARD_INSET, DESIGN_ID_EDITOR_FRAME, 0, frame);
            const int w = frame->w, h = frame->h;
            control_hide_for(frame, 300);
            control_set_size(frame, 2, 2);
            panel_resize_to(frame, w, h, design_detail::FADE_MS);
        } else {
            control_destroy(frame);
            control_destroy(picture);
        }
        for (int32_t i = 0; i < ship->crit_count; ++i) {
            const Crit &crit = ship->crits[i];
            if (crit.mount_type == MOUNT_ARMOUR && !s->armour_shown) continue;
            if (crit.mount_type != MOUNT_ARMOUR) {
                int px = 0, py = 0;
                mount_point(ship, tmpl, i, &px, &py);
                if (Control *line = line_group_create_line(crit.display[2] + CARD_INSET, crit.display[3] + CARD_INSET, px, py,
                                                           180, 190, 180)) {
                    int lx = 0, ly = 0;
                    line_group_fit_bounds(line, &lx, &ly);
                    panel_add_child(area, lx, ly, DESIGN_ID_CONNECTOR + i, 1, line);
                    control_hide_for(line, 800);
                    line_group_fade_colour(line, 255, 255, 255, 180, 190, 180, design_detail::FADE_MS, 800, 0);
                }
            }
            Control *card = design_rebuild_mount_card(panel, i, 150, 550);
            if (card) {
                colour_fade_start(panel_border_colour(card), 16, 16, 0, 220, 240, 0, 900, 0,
                                  COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
                if (Control *flash = panel_create(card->w > 10 ? card->w : 10, card->h, 0, 0, 0)) {
                    panel_clear_fills(flash);
                    panel_set_border(flash, true);
                    colour_fade_set(panel_border_colour(flash), 0, 128, 0);
                    panel_add_child(area, card->x, card->y, 0, 1, flash);   // over the card, not in the pointer's way
                    control_hide_for(flash, 550);
                    control_remove_after(flash, 750);
                }
            }
        }
        // The area fits its children, none above or left of its origin.
        int min_x = 0, min_y = 0;
        for (Control *c : panel_of(area)->children.items) {
            if (!c || (c->flags & CTRL_REMOVED)) continue;
            min_x = std::min(min_x, c->x);
            min_y = std::min(min_y, c->y);
        }
        for (Control *c : panel_of(area)->children.items)
            if (c && !(c->flags & CTRL_REMOVED)) control_set_position(c, c->x - min_x, c->y - min_y);
        int w = 0, h = 0;
        panel_layout(area, &w, &h);
        // Room for a card taking a wider look and for the picker's arrow beside the rightmost card,
        // so that picking a system never widens the area (and the panel with it).
        const Sprite *arrow = image_type_frame(IMAGE_NO, 0);
        control_set_size(area, w + std::max(24, 8 + (arrow ? arrow->width : 0)), h + 4);
    }

    // Room right of the mount area for the picker list.
    if (area) {
        const int wanted = 12 + area->w + PICKER_ROOM;
        if (panel->w < wanted) {
            control_set_size(panel, wanted, panel->h);
            if (title) ui_control_resize(title, panel->w - 4, false);
        }
    }

    // Statistics, power box and cost tag along the bottom-left; buttons bottom-right.
    List<SystemRow> *rows = ui_stat_rows_list_create();
    Control *stats = nullptr;
    if (rows) {
        stats_rows(ship, true, rows);
        stats = ui_stat_rows_create(rows, STAT_ROWS_ANIMATE | STAT_ROWS_TWO_COLUMNS);
    }
    int bottom_used = 0;
    if (stats) {
        panel_add_child(panel, 4, panel->h - 6 - stats->h, DESIGN_ID_STATS, 0, stats);
        bottom_used = stats->h + 6;
    }
    Control *power = panel_create_empty();
    if (power) {
        Control *icon = panel_add_child(power, 0, 0, 0, 1, image_control_create_frame(IMAGE_POWER, 0));
        const int ix = icon ? icon->w + 4 : 0;
        Control *bar = panel_add_child(power, ix, 0, DESIGN_ID_POWER_BAR, 1,
                                       value_bar_create(90, 16, std::clamp(ship->capacity_used, 0, std::max(ship->capacity_max, 1)),
                                                        std::max(ship->capacity_max, 1)));
        if (bar) value_bar_enable_caption(bar, 1);
        if (icon && bar) control_set_position(bar, ix, std::max(0, icon->h / 2 - bar->h / 2));
        int w = 0, h = 0;
        panel_layout(power, &w, &h);
        control_set_size(power, w, h);
        power->dwell_delay = design_detail::DWELL_MS;
        power->on_dwell = power_tip;
        power->on_hover_leave = tip_close;
        panel_add_child(panel, 4, panel->h - bottom_used - 4 - power->h, DESIGN_ID_POWER_BOX, 0, power);
    }
    if (Control *tag = cost_tag_create(ship->cost, ship->mass_figure, COST_TAG_SLIDE)) {
        tag->dwell_delay = design_detail::DWELL_MS;
        tag->on_dwell = cost_tip;
        tag->on_hover_leave = tip_close;
        const int x = power ? power->x + power->w + 8 : 4;
        panel_add_child(panel, x, panel->h - bottom_used - 4 - tag->h, DESIGN_ID_COST_TAG, 0, tag);
        control_hide_for(tag, 300);
    }
    if (Control *column = make_editor_buttons(panel, s))
        panel_add_child(panel, panel->w - column->w - 4, panel->h - column->h - 4, DESIGN_ID_BUTTONS, 0, column);

    // The mount area centred vertically in the room above the power box.
    if (area) {
        const int top = title_bottom + 6;
        Control *power_box = panel_find_child(panel, DESIGN_ID_POWER_BOX);
        const int room = (power_box ? power_box->y : panel->h - bottom_used) - 6 - top;
        const int y = top + std::max(0, (room - area->h) / 2);
        control_set_position(area, 12, y);
        s->mount_x = 12;
        s->mount_y = y;
        s->mount_right = 12 + area->w;
    }
    // The editor is wider than the type chooser it replaces: moved left where it would run past
    // the screen's right edge, so that the picker and the buttons stay in reach. Back puts the
    // chooser where it stood.
    if (s->chooser_x < 0) {
        s->chooser_x = panel->x;
        s->chooser_y = panel->y;
    }
    design_keep_on_screen(panel);
    refresh_overlay(panel, 640);
    apply_accept_rule(panel);
}

void design_keep_on_screen(Control *panel) {
    int px = 0, py = 0;
    control_get_screen_position(panel, &px, &py);
    const int over = px + panel->w - ui_screen_width();
    if (over > 0) control_set_position(panel, panel->x - std::min(over, px), panel->y);
}

void design_on_name_changed(Control *entry) {
    Control *panel = entry ? static_cast<Control *>(entry->user_data) : nullptr;
    DesignEditorState *s = design_editor_state(panel);
    if (!s) return;
    s->name = trimmed(text_entry_get_text(entry));
    apply_accept_rule(panel);
}

void design_on_accept(Control *button) {
    Control *panel = panel_of_control(button);
    DesignEditorState *s = design_editor_state(panel);
    if (!s) return;
    if (s->working_ship) {
        Control *entry = panel_find_child(panel, DESIGN_ID_NAME);
        std::string name = trimmed(entry ? text_entry_get_text(entry) : "");
        if (name.empty()) name = s->name;
        s->working_ship->ship_name = name;
    }
    if (ControlFn slot = s->slot[DESIGN_EDITOR_SLOT_ACCEPTED]) slot(panel);
}

void design_on_back(Control *button) {
    Control *panel = panel_of_control(button);
    DesignEditorState *s = design_editor_state(panel);
    if (!s) return;
    const ControlFn accepted = s->slot[DESIGN_EDITOR_SLOT_ACCEPTED];
    const std::string name = s->name;
    const uint64_t owner = s->owner_id;
    const int chooser_x = s->chooser_x, chooser_y = s->chooser_y;
    design_configure_build(panel, name.c_str(), uint32_t(owner), uint32_t(owner >> 32), s->options);
    if (chooser_x >= 0) control_set_position(panel, chooser_x, chooser_y);
    DesignEditorState *fresh = design_editor_state(panel);
    if (!fresh) return;
    fresh->slot[DESIGN_EDITOR_SLOT_ACCEPTED] = accepted;
    if (!name.empty()) {
        if (Control *title = panel_find_child(panel, DESIGN_ID_TITLE)) ui_button_replace_caption(title, name.c_str());
        fresh->name = name;
    }
}

void design_on_cancel(Control *button) {
    Control *panel = panel_of_control(button);
    DesignEditorState *s = design_editor_state(panel);
    if (s && s->slot[DESIGN_EDITOR_SLOT_CANCELLED]) s->slot[DESIGN_EDITOR_SLOT_CANCELLED](panel);
}

bool design_upgrade_available(Control *panel) {
    DesignEditorState *s = design_editor_state(panel);
    Player *owner = s ? game_find_player(game_get(), s->owner_id) : nullptr;
    Ship *ship = s ? s->working_ship : nullptr;
    if (!owner || !ship) return false;
    const int32_t free = ship->capacity_max - ship->capacity_used;
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        const System *fitted = ship->crits[i].system;
        const System *best = fitted ? player_best_system(owner, fitted->type) : nullptr;
        if (best && best->value > fitted->value && free >= best->power - fitted->power) return true;
    }
    return false;
}

void design_on_upgrade(Control *button) {
    Control *panel = panel_of_control(button);
    DesignEditorState *s = design_editor_state(panel);
    Player *owner = s ? game_find_player(game_get(), s->owner_id) : nullptr;
    Ship *ship = s ? s->working_ship : nullptr;
    if (!owner || !ship) return;
    for (int pass = 0; pass < 2; ++pass) {
        for (int32_t i = 0; i < ship->crit_count; ++i) {
            System *fitted = ship->crits[i].system;
            if (!fitted || ((fitted->flags & SYSTEM_FLAG_ENGINE_MOUNT) != 0) != (pass == 0)) continue;
            // The free power after every replacement so far, this system's own counted free.
            const int32_t limit = ship->capacity_max - ship->capacity_used + fitted->power;
            const System *best = player_best_system_within(owner, fitted->type, limit);
            if (!best || best->value <= fitted->value) continue;
            system_copy(fitted, best);
            ship_recompute_stats(ship);
            if (design_mount_card(panel, i)) design_rebuild_mount_card(panel, i, design_detail::FADE_MS, 0);
        }
    }
    refill_shields(ship);
    design_refresh_stats(panel);
    refresh_overlay(panel, 640);
    if (Control *upgrade = button_in_column(panel, DESIGN_ID_UPGRADE)) {
        control_set_id(upgrade, 0);
        control_fade_out(upgrade, design_detail::FADE_MS);
    }
    if (s->chosen_mount >= 0) design_picker_close(panel, false);
}

void design_refresh_stats(Control *panel) {
    DesignEditorState *s = design_editor_state(panel);
    Ship *ship = s ? s->working_ship : nullptr;
    if (!ship) return;
    if (Control *stats = panel_find_child(panel, DESIGN_ID_STATS)) {
        List<SystemRow> *rows = ui_stat_rows_list_create();
        if (rows) {
            stats_rows(ship, false, rows);
            int index = 0;
            for (SystemRow *row : rows->items) {
                if (row && index >= 1) ui_stat_rows_set_value(stats, index, row->value.c_str());
                ++index;
            }
            for (SystemRow *row : rows->items)
                if (row && row->icon) control_destroy(row->icon);
            for (SystemRow *row : rows->items)
                if (row) row->icon = nullptr;
            list_free(rows);
        }
    }
    if (Control *tag = panel_find_child(panel, DESIGN_ID_COST_TAG)) cost_tag_build(tag, ship->cost, ship->mass_figure, 0);
    Control *box = panel_find_child(panel, DESIGN_ID_POWER_BOX);
    if (Control *bar = box ? panel_find_child(box, DESIGN_ID_POWER_BAR) : nullptr) {
        const int max = std::max(ship->capacity_max, 1);
        const int target = std::clamp(ship->capacity_used, 0, max);
        const ValueBar *vb = value_bar_of(bar);
        const int old = vb ? vb->value : target;
        value_bar_set_value(bar, old, max);
        const int change = std::abs(target - old);
        if (change > 0) value_bar_animate_to(bar, target, 360);   // 360 / |change| ms a unit
    }
    apply_accept_rule(panel);
}

Ship *design_get_ship(Control *panel) {
    DesignEditorState *s = design_editor_state(panel);
    return s ? s->working_ship : nullptr;
}

void design_release_ship(Control *panel) {
    if (DesignEditorState *s = design_editor_state(panel)) s->working_ship = nullptr;
}

uint64_t design_get_edited_id(Control *panel) {
    DesignEditorState *s = design_editor_state(panel);
    return s ? s->edited_id : 0;
}

const Ship *design_hull_template(int32_t t) {
    if (t < 0 || t >= SHIP_TEMPLATE_COUNT || factory_init() != RES_OK) return nullptr;
    return ship_of(factory_get_template(OBJECT_SHIP, t));
}

Sprite *design_frame_sprite(const GameObject *obj, int32_t frame) {
    if (!obj || frame < 0 || frame >= obj->frame_count) return nullptr;
    if (obj->frames && obj->frames[frame]) return obj->frames[frame];
    return obj->frame_sprites ? obj->frame_sprites[frame] : nullptr;
}
