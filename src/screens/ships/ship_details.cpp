// The ship details panel: its build, the commander row and its reason popup, the system cards
// and their popups, the refresh after an action, and closing.
#include "screens/ships/ship_details.h"

#include <algorithm>
#include <new>

#include "game/game.h"
#include "game/officer.h"
#include "platform/calendar.h"
#include "platform/colour_fade.h"
#include "platform/str.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/line_group.h"
#include "ui/panel_slots.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "views/commander_box.h"
#include "views/player_name_label.h"
#include "views/ship_stat_rows.h"
#include "views/system_info_card.h"
#include "world/factory.h"
#include "world/sector.h"
#include "world/ship.h"

namespace {

constexpr int FONT_OWNER = 1;
constexpr int FONT_REASON = 2;
constexpr int PICTURE_INSET = 16;          // the hull picture and cards stand this far in from the card area
constexpr uint32_t CARD_OPTIONS = SYSTEM_CARD_MOUNT_FORM | SYSTEM_CARD_SMALL_NAME;
constexpr uint32_t CARD_POPUP_OPTIONS = SYSTEM_CARD_TIP | SYSTEM_CARD_SMALL_NAME;
constexpr int MENU_MIN_WIDTH = 160;
constexpr int OFFICER_ROW_PULSE_MS = 150;

void state_free(void *data) {
    ShipDetailsState *s = static_cast<ShipDetailsState *>(data);
    for (Control *card : s->cards.items)
        if (card) control_release(card);
    delete s;
}

void release_user_ship(void *ship) { object_release(static_cast<GameObject *>(ship)); }

// The ship panel a child control belongs to: the control's user data.
Control *owning_panel(Control *ctrl) {
    Control *panel = ctrl ? static_cast<Control *>(ctrl->user_data) : nullptr;
    return ship_details_state(panel) ? panel : nullptr;
}

// The hull's template when it can show the panel: a template of the ship factory (set up on
// demand) with a hull picture.
const Ship *usable_template(int32_t subtype) {
    if (subtype < 0 || factory_init() != RES_OK) return nullptr;
    const Factory *factory = factory_get(OBJECT_SHIP);
    if (!factory || subtype >= factory->template_count) return nullptr;
    const Ship *tmpl = ship_of(factory_get_template(OBJECT_SHIP, subtype));
    return tmpl && tmpl->tmpl_c >= 0 ? tmpl : nullptr;
}

Sprite *frame_of(const GameObject *obj, int32_t frame) {
    if (!obj || frame < 0 || frame >= obj->frame_count) return nullptr;
    if (obj->frames && obj->frames[frame]) return obj->frames[frame];
    return obj->frame_sprites ? obj->frame_sprites[frame] : nullptr;
}

void fit_to_children(Control *panel, int pad) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + pad, h + pad);
}

bool is_snapshot(const Ship *ship) { return object_is_snapshot(ship); }
bool is_temporary(const Ship *ship) { return object_is_lost(ship); }

uint32_t box_flags(uint32_t flags, bool refresh) {
    if (refresh) return (flags & SHIP_PANEL_SKILLS) ? 5 : 1;
    return ((flags & SHIP_PANEL_ANIMATE) ? COMMANDER_BOX_ANIMATE : 0) | ((flags & SHIP_PANEL_SKILLS) ? COMMANDER_BOX_SKILLS : 0);
}

void row_clickable(Control *row) {
    panel_set_border(row, true);
    colour_fade_start(panel_border_colour(row), 4, 4, 4, 180, 180, 180, OFFICER_ROW_PULSE_MS, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    row->on_click = ship_details_on_officer_row;
}

void row_dark(Control *row) {
    panel_set_background(row, true);
    colour_fade_set(panel_background_colour(row), 6, 6, 6);
}

// What the commander row does: clickable for the commander, clickable to offer the starbase's
// officers, a reason on hover, or nothing.
void commander_row_behaviour(Control *row, ShipDetailsState *s, Ship *ship) {
    const uint32_t flags = s->flags;
    const bool live = !is_snapshot(ship);
    s->shown_officer_id = 0;
    if ((flags & SHIP_PANEL_COMMANDER_CLICK) && live && ship->pilot) {
        row_clickable(row);
        s->shown_officer_id = ship->pilot->id;
        return;
    }
    if (!(flags & SHIP_PANEL_OFFER_OFFICERS) || !live) {
        row_dark(row);
        return;
    }
    const Sector *sector = sector_of(game_find_object(game_get(), ship->sector_id));
    if (sector && sector->owner_id == ship->owner_id && sector->site_counts[SITE_STARBASE] > 0) {
        if (sector_has_officer_available(sector, ship->pilot)) {
            row_clickable(row);
            return;
        }
        s->officer_row_reason = "No officers at Starbase";
    } else {
        s->officer_row_reason = "No Starbase nearby";
    }
    row_dark(row);
    row->on_hover_enter = ship_details_reason_show;
    row->on_hover_leave = ship_details_reason_hide;
}

Control *make_commander_box(const Ship *ship, uint32_t box) {
    if (is_snapshot(ship)) return commander_box_create_named(ship->pilot_text.c_str(), ship->pilot_id ? ship->pilot_rank : -1, box);
    return commander_box_create(ship->pilot, box);
}

// The label/value rows of the ship.
Control *make_value_rows(const Ship *ship, uint32_t flags) {
    List<SystemRow> *rows = ui_stat_rows_list_create();
    if (!rows) return nullptr;
    const Game *g = game_get();
    const bool own = g && g->ui_player_id != 0 && ship->owner_id == g->ui_player_id;
    const auto add = [rows](const char *label, const std::string &value) {
        ui_stat_rows_add_row(rows, nullptr, label, value.c_str(), 0);
    };
    if ((flags & SHIP_PANEL_LOCATION) && !is_temporary(ship)) {
        const GameObject *sector = sector_of(game_find_object(game_get(), ship->sector_id));
        add("Location", sector ? str_format("%s sector", object_get_name(sector)) : std::string("Deep space"));
    }
    if ((flags & SHIP_PANEL_BUILT_SHIELDS) && own && !is_temporary(ship)) {
        const Date zero{};
        add("Built", date_format(ship->built_date ? ship->built_date : &zero));
    }
    if (!(ship->hull_flags & HULL_FLAG_TEMPLATE_NAME)) {
        if (own && !ship->design_name.empty()) add("Design", ship->design_name);
        add("Class", ship->name);
    }
    if ((flags & SHIP_PANEL_BUILT_SHIELDS) && ship->shield_strength > 0) add("Shields", str_format("%i GW", ship->shield_strength));
    add("Power", str_format("%i TW", ship->capacity_used));
    add("Mass", str_format("%i KT", ship->mass));
    return ui_stat_rows_create(rows, (flags & SHIP_PANEL_ANIMATE) ? STAT_ROWS_ANIMATE : 0);
}

// The hull picture with its facing overlay when the ship has shields.
Control *make_hull_picture(const Ship *ship, const Ship *tmpl, uint32_t flags) {
    Control *picture = image_control_create_single(frame_of(tmpl, tmpl->tmpl_c));
    if (!picture) return nullptr;
    if (ship->shield_strength > 0) {
        const ShipFacingTints tints = ship_facing_tints(ship);
        image_control_set_overlay(picture, true, tints.level, 0);
        for (int f = 0; f < SHIP_FACINGS; ++f)
            if (ColourFade *tint = image_of(picture)->outline[f])
                colour_fade_set(tint, tints.r[f], tints.g[f], tints.b[f]);
    }
    if (flags & SHIP_PANEL_ANIMATE) {
        control_hide_for(picture, 300);
        image_control_enable_border(picture);
        colour_fade_start(image_control_border_colour(picture), 0, 255, 0, 0, 0, 0, 200, 300, 0);
    }
    return picture;
}

// A mount's point on the hull picture, in panel coordinates: frame 0's point scaled onto the
// hull picture's frame.
void mount_point(const Ship *ship, const Ship *tmpl, int32_t i, int base_y, int *x, int *y) {
    const Crit &c = ship->crits[i];
    const int32_t f = tmpl->tmpl_c;
    const bool sized = tmpl->frame_w && tmpl->frame_h && f < tmpl->frame_count;
    const int ref_w = sized ? std::max(tmpl->frame_w[0], 1) : 1, ref_h = sized ? std::max(tmpl->frame_h[0], 1) : 1;
    const int pic_w = sized ? tmpl->frame_w[f] : ref_w, pic_h = sized ? tmpl->frame_h[f] : ref_h;
    *x = tmpl->tmpl_a + int(int64_t(c.x) * pic_w / ref_w) + PICTURE_INSET;
    *y = tmpl->tmpl_b + int(int64_t(c.y) * pic_h / ref_h) + base_y;
}

// The cards of the fitted systems (every mount with SHIP_PANEL_EMPTY_MOUNTS) around the picture,
// each with a connector line to its mount but for armour mounts.
void add_cards(Control *panel, ShipDetailsState *s, const Ship *ship, const Ship *tmpl, const Control *picture, int base_y) {
    const bool animate = s->flags & SHIP_PANEL_ANIMATE;
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        const Crit &c = ship->crits[i];
        if (!c.system && !(s->flags & SHIP_PANEL_EMPTY_MOUNTS)) continue;
        // The connector goes in before its card, so the card covers the line's end.
        if (c.mount_type != MOUNT_ARMOUR && picture) {
            int px = 0, py = 0;
            mount_point(ship, tmpl, i, base_y, &px, &py);
            Control *line = line_group_create_line(c.display[2] + PICTURE_INSET, c.display[3] + base_y, px, py, 190, 190, 180);
            if (line) {
                line->tag = SHIP_PANEL_HULL_GROUP;
                int lx = 0, ly = 0;
                line_group_fit_bounds(line, &lx, &ly);   // the control covers its line, so the group's extent holds
                panel_add_child(panel, lx, ly, 0, 0, line);
                if (animate) {
                    control_hide_for(line, 800);
                    line_group_fade_colour(line, 255, 255, 255, 190, 190, 180, 200, 800, 0);
                }
            }
        }
        Control *card = panel_create_empty();
        if (!card) continue;
        system_info_card_build(card, c.system, CARD_OPTIONS);
        if (Panel *p = panel_of(card)) p->value = i;
        card->dwell_delay = SHIP_PANEL_CARD_DWELL_MS;
        card->away_delay = SHIP_PANEL_CARD_DWELL_MS;
        card->on_dwell = ship_details_card_hint_show;
        card->on_hover_leave = ship_details_card_hint_hide;
        card->tag = SHIP_PANEL_HULL_GROUP;
        panel_add_child(panel, c.display[0] + PICTURE_INSET, c.display[1] + base_y, 0, 0, card);
        list_append(&s->cards, control_addref(card));
        if (animate) {
            const int w = card->w;
            control_hide_for(card, 550);
            control_set_size(card, 10, card->h);
            panel_resize_to(card, w, card->h, 150);
            if (Control *frame = panel_create(w, card->h, 0, 0, 0)) {
                panel_clear_fills(frame);
                panel_set_border(frame, true);
                colour_fade_set(panel_border_colour(frame), 0, 128, 0);
                frame->tag = SHIP_PANEL_HULL_GROUP;
                panel_add_child(panel, card->x, card->y, 0, 0, frame);
                control_hide_for(frame, 550);
                control_remove_after(frame, 1000);
            }
        }
    }
}

// Moves the hull group down when a card stands above base_y; returns the group's bottom.
int settle_hull_group(Control *panel, int base_y) {
    int top = base_y, bottom = base_y;
    for (Control *c : panel_of(panel)->children.items) {
        if (!c || c->tag != SHIP_PANEL_HULL_GROUP || (c->flags & CTRL_REMOVED)) continue;
        int x = 0, y = 0, w = 0, h = 0;
        control_get_bounds(c, &x, &y, &w, &h);
        top = std::min(top, y);
        bottom = std::max(bottom, y + h);
    }
    const int shift = base_y - top;
    if (shift > 0) {
        for (Control *c : panel_of(panel)->children.items)
            if (c && c->tag == SHIP_PANEL_HULL_GROUP && !(c->flags & CTRL_REMOVED)) control_set_position(c, c->x, c->y + shift);
        bottom += shift;
    }
    return bottom;
}

void place_menu(Control *panel, Control *menu) {
    control_set_position(menu, panel->w - menu->w - 6, panel->h - menu->h - 6);
}

}  // namespace

ShipDetailsState *ship_details_state(Control *panel) {
    return panel && panel_of(panel) && panel->widget_free == state_free ? static_cast<ShipDetailsState *>(panel->widget_state)
                                                                         : nullptr;
}

GameObject *ship_details_ship(Control *panel) {
    return ship_details_state(panel) ? static_cast<GameObject *>(panel->user_data) : nullptr;
}

void ship_details_call_slot(Control *panel, int slot) {
    if (ship_details_state(panel)) panel_call_slot(panel, slot);
}

void ship_details_build(Control *panel, GameObject *obj, uint32_t flags) {
    Ship *ship = ship_of(obj);
    const Ship *tmpl = ship ? usable_template(ship->subtype) : nullptr;
    if (!panel_of(panel) || !tmpl) return;

    panel_remove_children(panel);
    panel_set_shade(panel, 3);
    panel_set_border(panel, true);
    colour_fade_set(panel_border_colour(panel), 20, 10, 40);
    panel_set_background(panel, true);
    colour_fade_set(panel_background_colour(panel), 0, 0, 16);
    ShipDetailsState *s = new (std::nothrow) ShipDetailsState{};
    if (!s) return;
    s->flags = flags;
    panel_set_command_state(panel, s, state_free);
    object_add_ref(ship);
    control_set_user_data(panel, ship, release_user_ship);
    const bool animate = flags & SHIP_PANEL_ANIMATE;

    Control *title = panel_add_child(panel, 2, 2, SHIP_PANEL_ID_TITLE, 0,
                                     ui_button_create(object_get_name(ship), nullptr, ship_details_on_close, panel,
                                                      int(flags & (SHIP_PANEL_ANIMATE | SHIP_PANEL_TITLE_CLOSE))));
    const int title_h = title ? title->h : 0;

    Control *owner = nullptr;
    if (!ship->owner_label.empty())
        owner = text_label_create_plain(FONT_OWNER, ship->owner_label_r, ship->owner_label_g, ship->owner_label_b,
                                        ship->owner_label.c_str());
    else
        owner = player_name_label_create(FONT_OWNER, nullptr, ship->owner_id);
    panel_add_child(panel, 10, title_h + 8, SHIP_PANEL_ID_OWNER, 0, owner);
    int y = title_h + 8 + (owner ? owner->h : 0) + 4;

    if (!(ship->hull_flags & HULL_FLAG_NO_PILOT)) {
        if (Control *row = panel_add_child(panel, 18, y, SHIP_PANEL_ID_COMMANDER, 0,
                                           make_commander_box(ship, box_flags(flags, false)))) {
            control_set_size(row, std::max(row->w, SHIP_PANEL_MIN_COMMANDER_WIDTH), row->h);
            row->user_data = panel;
            commander_row_behaviour(row, s, ship);
            y += row->h + 4;
        }
    }

    Control *stats = panel_add_child(panel, 10, y + 4, SHIP_PANEL_ID_STATS, 0, panel_create_empty());
    if (stats)
        ship_stat_rows_build(stats, ship, ship->hull_flags,
                             ship_stat_rows_flags(ship->hull_flags, flags & SHIP_PANEL_AP_MP, animate));
    const int base_y = y + 4 + (stats ? stats->h : 0) + 10;

    Control *picture = make_hull_picture(ship, tmpl, flags);
    if (picture) {
        picture->tag = SHIP_PANEL_HULL_GROUP;
        panel_add_child(panel, tmpl->tmpl_a + PICTURE_INSET, base_y + ((flags & SHIP_PANEL_CARDS) ? tmpl->tmpl_b : 4),
                        SHIP_PANEL_ID_HULL, 0, picture);
    }
    if (flags & SHIP_PANEL_CARDS) add_cards(panel, s, ship, tmpl, picture, base_y);
    const int group_bottom = settle_hull_group(panel, base_y);

    Control *rows = panel_add_child(panel, 10, group_bottom + 10, SHIP_PANEL_ID_ROWS, 0, make_value_rows(ship, flags));
    fit_to_children(panel, 6);

    if (Control *menu = ship_command_menu_build(panel, ship, flags)) {
        const int reserved = std::max(menu->w + 6, MENU_MIN_WIDTH);
        const int rows_right = rows ? rows->x + rows->w : 0;
        if (panel->w < rows_right + 6 + reserved) control_set_size(panel, rows_right + 6 + reserved, panel->h);
        place_menu(panel, menu);
        if (rows && menu->y < rows->y) {
            control_set_position(menu, menu->x, rows->y);
            fit_to_children(panel, 6);
        }
    }
    if (title) ui_control_resize(title, panel->w - 4, animate);
    if (list_count(&s->cards) == 0 && picture) control_set_position(picture, panel->w / 2 - picture->w / 2, picture->y);

    if (Control *row = panel_find_child(panel, SHIP_PANEL_ID_COMMANDER); row && animate) {
        const int h = row->h;
        control_set_size(row, row->w, 4);
        panel_resize_to(row, row->w, h, 250);
        control_hide_for(row, 220);
        control_disable_for(row, 250);
    }
}

void ship_details_sync_officer_row(Control *panel) {
    ShipDetailsState *s = ship_details_state(panel);
    if (!s) return;
    if (Control *row = panel_find_child(panel, SHIP_PANEL_ID_COMMANDER))
        control_set_enabled(row, s->slot[SHIP_DETAILS_SLOT_OFFICER_ROW] != nullptr);
}

void ship_details_refresh(Control *panel) {
    ShipDetailsState *s = ship_details_state(panel);
    Ship *ship = ship_of(ship_details_ship(panel));
    if (!s || !ship) return;

    const uint64_t current = ship->pilot ? ship->pilot->id : 0;
    Control *old = panel_find_child(panel, SHIP_PANEL_ID_COMMANDER);
    if (old && current != s->shown_officer_id) {
        const int x = old->x, y = old->y;
        control_fade_out(old, 170);
        Control *row = panel_add_child(panel, x, y, SHIP_PANEL_ID_COMMANDER, 0,
                                       commander_box_create(ship->pilot, box_flags(s->flags, true)));
        if (row) {
            control_set_size(row, std::max(row->w, SHIP_PANEL_MIN_COMMANDER_WIDTH), row->h);
            row->user_data = panel;
            if (s->flags & SHIP_PANEL_COMMANDER_CLICK) row_clickable(row);
            else row_dark(row);
            const int h = row->h;
            control_set_size(row, row->w, 4);
            panel_resize_to(row, row->w, h, 100);
            control_hide_for(row, 230);
            control_disable_for(row, 100);
            if (s->slot[SHIP_DETAILS_SLOT_OFFICER_ROW] == nullptr && (s->flags & SHIP_PANEL_COMMANDER_CLICK)) control_set_enabled(row, false);
        }
        s->shown_officer_id = current;
    }
    if (Control *stats = panel_find_child(panel, SHIP_PANEL_ID_STATS)) ship_stat_rows_refresh(stats);
    for (Control *card : s->cards.items)
        if (card && !(card->flags & CTRL_REMOVED)) system_card_refresh_status(card);

    const bool hidden = [panel] {
        Control *menu = panel_find_child(panel, SHIP_PANEL_ID_MENU);
        return menu && !control_is_shown(menu);
    }();
    if (Control *menu = panel_find_child(panel, SHIP_PANEL_ID_MENU)) control_remove(menu);
    if (Control *menu = ship_command_menu_build(panel, ship, s->flags)) {
        place_menu(panel, menu);
        // A dialog still open keeps the menu's place.
        if (hidden) control_set_hidden(menu, false);
    }
}

void ship_details_set_title(Control *panel, const char *text) {
    Control *owner = ship_details_state(panel) ? panel_find_child(panel, SHIP_PANEL_ID_OWNER) : nullptr;
    if (!owner) return;
    text_label_set_text(owner, text ? text : "");
    text_label_measure(owner);
}

void ship_details_get_commander_rect(Control *panel, int32_t *x, int32_t *y, int32_t *w, int32_t *h) {
    int32_t rx = 0, ry = 0, rw = 0, rh = 0;
    if (Control *row = ship_details_state(panel) ? panel_find_child(panel, SHIP_PANEL_ID_COMMANDER) : nullptr) {
        control_get_screen_position(row, &rx, &ry);
        rw = row->w;
        rh = row->h;
    }
    if (x) *x = rx;
    if (y) *y = ry;
    if (w) *w = rw;
    if (h) *h = rh;
}

// ---- Closing, the commander row and the popups ----

void ship_details_on_close(Control *title) {
    Control *panel = owning_panel(title);
    if (!panel) return;
    game_flash_panel_frame(game_get(), panel);
    ship_details_call_slot(panel, SHIP_DETAILS_SLOT_CLOSE);
    control_remove(panel);
}

void ship_details_on_officer_row(Control *row) {
    Control *panel = owning_panel(row);
    if (!panel) return;
    if (panel_find_child(panel, SHIP_PANEL_ID_CONFIRM)) ship_command_menu_confirm_close(panel);
    else crew_transfer_close(panel);
    ship_details_call_slot(panel, SHIP_DETAILS_SLOT_OFFICER_ROW);
}

void ship_details_reason_show(Control *row) {
    Control *panel = owning_panel(row);
    const ShipDetailsState *s = ship_details_state(panel);
    if (!s || s->officer_row_reason.empty()) return;
    Game *g = game_get();
    if (Control *old = game_find_control(g, SHIP_PANEL_REASON_ID)) control_remove(old);
    Control *popup = panel_create_empty();
    if (!popup) return;
    panel_set_border(popup, true);
    colour_fade_set(panel_border_colour(popup), 24, 24, 24);
    popup->tag = SHIP_PANEL_REASON_TAG;
    Control *text = panel_add_child(popup, 8, 3, 0, 0,
                                    text_label_create_plain(FONT_REASON, 230, 10, 10, s->officer_row_reason.c_str()));
    if (text) control_set_size(popup, text->w + 16, text->h + 6);
    int rx = 0, ry = 0;
    control_get_screen_position(row, &rx, &ry);
    game_add_control(g, rx + row->w / 2 - popup->w / 2, ry + row->h / 2 - popup->h / 2, SHIP_PANEL_REASON_ID, 0, popup);
}

void ship_details_reason_hide(Control *) {
    if (Control *popup = game_find_control(game_get(), SHIP_PANEL_REASON_ID)) control_remove(popup);
    // One queued in this frame has not reached the live list yet.
    if (List<Control> *queued = game_get()->new_controls)
        for (Control *c : queued->items)
            if (c && c->id == SHIP_PANEL_REASON_ID) control_remove(c);
}

void ship_details_card_hint_show(Control *card) {
    // A card's user data is its system; the ship panel is its owner.
    Control *panel = card && ship_details_state(card->owner) ? card->owner : nullptr;
    const Ship *ship = ship_of(ship_details_ship(panel));
    const Panel *p = panel_of(card);
    if (!ship || !p || p->value < 0 || p->value >= ship->crit_count) return;
    Control *popup = panel_create_empty();
    if (!popup) return;
    system_info_card_build(popup, ship->crits[p->value].system, CARD_POPUP_OPTIONS);
    if (game_open_popup(game_get(), popup, card, PLACE_BESIDE) != RES_OK) control_remove(popup);
}

void ship_details_card_hint_hide(Control *) { game_close_popup(game_get()); }
