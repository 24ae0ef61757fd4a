// The site panel: its state, caption, build (construction, or the parts of site_panel_parts.h in
// their places), fit and body clearing.
#include "screens/sites/site_panel.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "game/game.h"
#include "game/orders.h"
#include "game/officer.h"
#include "game/player.h"
#include "game/tech.h"
#include "platform/calendar.h"
#include "platform/colour_fade.h"
#include "platform/geometry.h"
#include "platform/image_ids.h"
#include "platform/list.h"
#include "platform/str.h"
#include "screens/officers/officer_detail_panel.h"
#include "screens/officers/officer_choice.h"
#include "screens/sites/facility_panels.h"
#include "screens/sites/officer_pool.h"
#include "screens/sites/site_choosers.h"
#include "screens/sites/site_panel_parts.h"
#include "ui/control_bitmap.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/panel_slots.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "views/commander_box.h"
#include "views/player_name_label.h"
#include "views/ship_list.h"
#include "world/sector.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace {

void state_free(void *state) { delete static_cast<SitePanelState *>(state); }

void on_close(Control *caption) {
    Control *panel = site_panel_parts::panel_of_user(caption);
    if (!site_panel_state(panel)) return;
    game_flash_panel_frame(game_get(), panel);
    control_remove(panel);
}

void centre_on(Control *c, int centre_x) {
    if (c) control_set_position(c, centre_x - c->w / 2, c->y);
}

}  // namespace

SitePanelState *site_panel_state(Control *panel) {
    return panel && panel->widget_free == state_free ? static_cast<SitePanelState *>(panel->widget_state) : nullptr;
}

Site *site_panel_site(Control *panel) {
    return site_panel_state(panel) ? site_cast(static_cast<GameObject *>(panel->user_data)) : nullptr;
}

void site_panel_call_slot(Control *panel, int slot) {
    if (site_panel_state(panel) && slot < SITE_PANEL_SLOT_COUNT) panel_call_slot(panel, slot);
}

void site_panel_set_picked(Control *panel, void *item, int32_t defense_row) {
    if (SitePanelState *state = site_panel_state(panel)) {
        state->picked = item;
        state->defense_row = defense_row;
    }
}

void *site_panel_picked(Control *panel) {
    SitePanelState *state = site_panel_state(panel);
    return state ? state->picked : nullptr;
}

GameObject *site_panel_picked_object(Control *panel) { return static_cast<GameObject *>(site_panel_picked(panel)); }
Officer *site_panel_picked_officer(Control *panel) { return static_cast<Officer *>(site_panel_picked(panel)); }

int32_t site_panel_defense_row(Control *panel) {
    SitePanelState *state = site_panel_state(panel);
    return state ? state->defense_row : 0;
}

int32_t site_panel_starbase_crew(const Site *site) { return site ? site_starbase_crew(site) : 0; }

void site_panel_build(Control *panel, GameObject *object, int32_t flags) {
    Panel *p = panel_of(panel);
    if (!p) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 3);
    panel_set_border(panel, true);
    colour_fade_set(p->border, 64, 64, 16);
    colour_fade_set(panel_background_colour(panel), 0, 0, 16);
    auto *state = new (std::nothrow) SitePanelState();
    if (!state) return;
    panel_set_command_state(panel, state, state_free);   // frees the previous record
    control_set_user_data(panel, object, nullptr);
    state->flags = flags;
    const Site *site = site_cast(object);
    const std::string title = site ? object_get_name(const_cast<Site *>(site)) : "";
    const int options = ((flags & SITE_PANEL_ANIMATE) ? TITLE_ANIMATE : 0) | ((flags & SITE_PANEL_CLOSE) ? TITLE_CLOSE : 0);
    Control *caption = panel_add_child(panel, 2, 2, SITE_PANEL_ID_CAPTION, 0,
                                       ui_button_create(title.c_str(), nullptr, on_close, panel, options));
    if (caption) control_set_callback(caption, CONTROL_ON_CLICK, on_close);
    state->body_x = site_panel_parts::BODY_LEFT;
    state->body_y = (caption ? caption->h : 0) + 6;
    state->caption_width = caption ? caption->w : 0;
    site_panel_build_body(panel, 0, flags & SITE_PANEL_ANIMATE, flags & SITE_PANEL_INTERACTIVE);
    site_panel_fit(panel);
    panel_finish_resize(panel);
}

void site_panel_build_body(Control *panel, int32_t delay, bool animate, bool interactive) {
    using site_panel_parts::appear_after, site_panel_parts::bottom_of, site_panel_parts::add_row;
    using site_panel_parts::Rgb, site_panel_parts::label;
    SitePanelState *state = site_panel_state(panel);
    Site *site = site_panel_site(panel);
    if (!state || !site) return;
    Sector *sector = sector_of(game_find_object(game_get(), site->sector_id));
    if (!sector) return;
    const Game *g = game_get();
    const bool own = site->owner_id != 0 && site->owner_id == g->ui_player_id;
    const uint32_t tf = site->params.template_flags;
    state->open_chooser = SITE_CHOOSER_NONE;

    // A rebuild after a chooser replaces what the chooser left standing.
    for (int id : {SITE_PANEL_ID_STATUS, SITE_PANEL_ID_BLOCKADE_ICON, SITE_PANEL_ID_BLOCKADE_NOTE, SITE_PANEL_ID_DESCRIPTION,
                   SITE_PANEL_ID_WARNING, SITE_PANEL_ID_DEFENDERS})
        while (Control *old = panel_find_child(panel, id)) control_remove(old);

    site_panel_parts::Header h;
    h.x = state->body_x;
    h.y = state->body_y;
    if (tf & SITE_TF_LABELLED) site_panel_parts::build_body_header(panel, site, sector, &h);
    else if (tf & SITE_TF_STAR) site_panel_parts::build_star_header(panel, site, sector, &h);
    else site_panel_parts::build_facility_header(panel, site, delay, &h);
    int x = h.x, y = h.y;

    if (site_is_under_construction(site)) {
        Control *bar = panel_create(site_panel_parts::BAR_W, site_panel_parts::BAR_H, 0, 20, 0);
        if (bar) {
            panel_add_child(panel, x, y - 4, SITE_PANEL_ID_CONSTRUCTION, 0, bar);
            bar->tag = -1;
        }
        Control *title = panel_add_child(panel, x + 6, y, 0, 0, label(1, Rgb{230, 230, 40}, "Under construction"));
        if (interactive) {
            List<SystemRow> *rows = ui_stat_rows_list_create();
            if (rows) {
                add_row(rows, nullptr, "Started", site_panel_parts::date_text(site->build_started));
                add_row(rows, nullptr, "Complete", str_format("%i%%", int(site->progress)));
                Control *table = ui_stat_rows_create(rows, animate ? STAT_ROWS_ANIMATE : 0);
                if (table) appear_after(panel_add_child(panel, x, bottom_of(title) + 12, SITE_PANEL_ID_STATS, 0, table), delay);
            }
        }
        return;
    }

    Control *commander = nullptr, *pool = nullptr;
    int32_t days = 0;
    const bool producing = site_production_info(site, nullptr, nullptr, &days, nullptr, nullptr) != 0;
    if (site->subtype == SITE_STARBASE) {
        commander = site_panel_parts::build_starbase_officers(panel, site, sector, own, producing, &h, &pool);
        y = h.y;
    }

    site_panel_parts::Production production;
    if (interactive && (tf & SITE_TF_CAN_PRODUCE)) {
        const int before = y;
        y = site_panel_parts::build_production(panel, site, x, y, delay, &production);
        if (production.box) y += 8;
        else if (y != before) y += 4;
    }

    Control *stats = site_panel_parts::build_stat_rows(site, sector, interactive, animate);
    if (stats) {
        appear_after(panel_add_child(panel, x, y, SITE_PANEL_ID_STATS, 0, stats), delay);
        y = bottom_of(stats) + 8;
    } else {
        int w = 0, ch = 0;
        panel_layout(panel, &w, &ch);
        y = ch + 8;
    }

    if (tf & (SITE_TF_LABELLED | SITE_TF_STAR)) {
        int w = 0, ch = 0;
        panel_layout(panel, &w, &ch);
        y = std::max(y, ch + 8);
        if (Control *tile = site_panel_parts::build_description(site, animate)) {
            panel_add_child(panel, site_panel_parts::BODY_LEFT, y, SITE_PANEL_ID_DESCRIPTION, 0, tile);
            y = bottom_of(tile) + 2;
        }
        if (site->feature && site->feature->defence_kind >= 0) y = site_panel_parts::build_defenders(panel, site, y);
    }

    if (interactive && (tf & SITE_TF_CAN_PRODUCE))
        if (Control *row = site_panel_parts::build_buttons(panel, site, sector, animate)) {
            int bx = x, by = y;
            if (stats) {
                if (production.box) bx = stats->x + stats->w + 24, by = stats->y;
                else bx = stats->x, by = bottom_of(stats) + 6;
            }
            appear_after(panel_add_child(panel, bx, by, SITE_PANEL_ID_BUTTONS, 0, row), delay);
        }

    // Final alignment.
    int content_w = 0, content_h = 0;
    panel_layout(panel, &content_w, &content_h);
    if (h.surface && stats) {
        Control *narrow = h.surface->w < stats->w ? h.surface : stats;
        const Control *wide = narrow == stats ? h.surface : stats;
        centre_on(narrow, wide->x + wide->w / 2);
    }
    if (production.box && production.inner && production.outer && production.name) {
        const int mid = content_w / 2;
        centre_on(production.box, mid);
        centre_on(production.inner, mid);
        centre_on(production.outer, mid);
        centre_on(pool, mid);
        control_set_position(production.name, production.outer->x + 4, production.outer->y + 4);
    }
    if (commander && h.owner) {
        control_set_position(h.owner, h.owner->x, h.owner->y + 4);
        control_set_position(commander, content_w - commander->w - 6, commander->y);
    }
}

void site_panel_fit(Control *panel) {
    using site_panel_parts::FADE_MS;
    SitePanelState *state = site_panel_state(panel);
    if (!state) return;
    Control *caption = panel_find_child(panel, SITE_PANEL_ID_CAPTION);
    Control *buttons = panel_find_child(panel, SITE_PANEL_ID_BUTTONS);
    Control *defenders = panel_find_child(panel, SITE_PANEL_ID_DEFENDERS);
    // The content's extent without the caption, which follows the panel's width.
    int w = 0, h = 0;
    for (Control *c : panel_of(panel)->children.items) {
        if (!c || c == caption || (c->flags & (CTRL_REMOVED | CTRL_FADING))) continue;
        int cx = 0, cy = 0, cw = 0, ch = 0;
        control_get_bounds(c, &cx, &cy, &cw, &ch);
        w = std::max(w, cx + cw);
        h = std::max(h, cy + ch);
    }
    if (caption) h = std::max(h, caption->y + caption->h);
    int width = w + (defenders ? 0 : 4);
    if (width >= state->caption_width + 4) {
        // A caption still growing in takes the new width as its target.
        if (caption) ui_control_resize(caption, width - 4, panel_is_resizing(caption));
    } else {
        width = state->caption_width + 4;
    }
    const int height = h + 4;
    int px = 0, py = 0;
    if (panel_find_position(panel, width, height, &px, &py) == RES_OK) control_move_to(panel, px, py, FADE_MS);
    panel_resize_to(panel, width, height, FADE_MS);
    if (buttons) control_set_position(buttons, width - buttons->w - 4, buttons->y);
    if (Control *status = panel_find_child(panel, SITE_PANEL_ID_STATUS))
        control_set_position(status, width - status->w - 10, status->y);
    Control *note = panel_find_child(panel, SITE_PANEL_ID_BLOCKADE_NOTE);
    Control *icon = panel_find_child(panel, SITE_PANEL_ID_BLOCKADE_ICON);
    if (note && icon) {
        control_set_position(note, width - note->w - 10, note->y);
        control_set_position(icon, width - icon->w - note->w - 16, icon->y);
    }
    if (defenders) ship_list_set_width(defenders, width);
}

void site_panel_clear_body(Control *panel) {
    using site_panel_parts::FADE_MS;
    if (!site_panel_state(panel)) return;
    if (Control *row = panel_find_child(panel, SITE_PANEL_ID_BUTTONS)) {
        panel_close_child(row, FADE_MS, true);
        control_set_id(row, 0);
    }
    if (Control *stats = panel_find_child(panel, SITE_PANEL_ID_STATS)) {
        ui_stat_rows_fade_out(stats, FADE_MS);
        control_set_fading(stats, true);
        control_remove_after(stats, FADE_MS);
        control_set_id(stats, 0);
    }
    for (int id : {SITE_PANEL_ID_OWNER, SITE_PANEL_ID_ITEM_NAME, SITE_PANEL_ID_CHOOSER_TITLE, SITE_PANEL_ID_CONSTRUCTION,
                   SITE_PANEL_ID_FRAME_INNER, SITE_PANEL_ID_FRAME_OUTER, SITE_PANEL_ID_COMMANDER})
        if (Control *c = panel_find_child(panel, id)) {
            control_fade_out(c, FADE_MS);
            control_set_id(c, 0);
        }
    for (int id : {SITE_PANEL_ID_FACILITY_LIST, SITE_PANEL_ID_DESIGN_LIST, SITE_PANEL_ID_PRODUCTION, SITE_PANEL_ID_OFFICERS})
        if (Control *c = panel_find_child(panel, id)) {
            panel_fade_out_recursive(c, FADE_MS);
            control_set_id(c, 0);
        }
}
