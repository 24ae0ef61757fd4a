// The site panel's starbase officers: the commander box (with its "No officers available" popup)
// and the officer pool.
#include "screens/sites/site_panel_parts.h"

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

namespace site_panel_parts {

namespace {

// "No officers available" beside a dimmed commander box.
void no_officers_popup_remove() {
    Game *g = game_get();
    while (Control *old = game_find_control(g, SITE_PANEL_NO_OFFICERS_POPUP)) {
        panel_remove_children(old);
        control_remove(old);
    }
}

void no_officers_popup_show(Control *box) {
    no_officers_popup_remove();
    Control *popup = panel_create_empty();
    if (!popup) return;
    panel_set_shade(popup, 3);
    panel_set_border(popup, true);
    colour_fade_set(panel_border_colour(popup), 24, 24, 24);
    Control *text = panel_add_child(popup, 8, 3, 0, 0, text_label_create_plain(2, 230, 10, 10, "No officers available"));
    control_set_size(popup, text ? text->x + text->w + 8 : 16, text ? text->y + text->h + 3 : 12);
    int bx = 0, by = 0;
    control_get_screen_position(box, &bx, &by);
    game_add_control(game_get(), bx + box->w / 2 - popup->w / 2, by + box->h / 2 - popup->h / 2,
                     SITE_PANEL_NO_OFFICERS_POPUP, 0, popup);
}

void no_officers_popup_leave(Control *) { no_officers_popup_remove(); }

void on_commander_click(Control *box) { site_panel_call_slot(panel_of_user(box), SITE_SLOT_COMMANDER); }

void on_pool_pick(Control *pool) {
    Control *panel = panel_of_user(pool);
    site_panel_set_picked(panel, officer_pool_get_picked(pool), 0);
    site_panel_call_slot(panel, SITE_SLOT_PICK_OFFICER);
}

}  // namespace

// The starbase's commander box and officer pool.
Control *build_starbase_officers(Control *panel, Site *site, const Sector *sector, bool own, bool producing,
                                 Header *h, Control **pool_out) {
    Control *box = nullptr;
    if (h->owner) {
        box = commander_box_create(site->commander, own ? COMMANDER_BOX_ANIMATE | COMMANDER_BOX_SKILLS : COMMANDER_BOX_ANIMATE);
        int by = h->owner->y;
        by = std::max(by, bottom_of(h->status));
        by = std::max(by, bottom_of(h->blockade_icon));
        by = std::max(by, bottom_of(h->blockade_note));
        if (box) {
            panel_add_child(panel, h->owner->x + h->owner->w + 24, by, SITE_PANEL_ID_COMMANDER, 0, box);
            control_set_user_data(box, panel, nullptr);
            if (own) {
                if (!sector_has_officer_available(sector, nullptr)) {
                    panel_set_background(box, true);
                    colour_fade_set(panel_background_colour(box), 6, 6, 6);
                    control_set_callback(box, CONTROL_ON_HOVER_ENTER, no_officers_popup_show);
                    control_set_callback(box, CONTROL_ON_HOVER_LEAVE, no_officers_popup_leave);
                } else {
                    panel_set_border(box, true);
                    panel_set_border_hover(box, 4, 4, 4, 180, 180, 180, COMMANDER_PULSE_MS);
                    control_set_callback(box, CONTROL_ON_CLICK, on_commander_click);
                }
            }
            h->y = std::max(h->y, bottom_of(box) + 4);
        }
    }
    if (list_count(&site->officers) > 0) {
        Control *pool = officer_pool_create(site, 200, producing ? 190 : 244,
                                                  OFFICER_POOL_ANIMATE | (own ? OFFICER_POOL_SELECTABLE : 0));
        if (pool) {
            panel_add_child(panel, h->x, h->y + 8, SITE_PANEL_ID_OFFICERS, 0, pool);
            control_set_user_data(pool, panel, nullptr);
            panel_set_slot(pool, OFFICER_POOL_SLOT_PICK, on_pool_pick);
            h->y = bottom_of(pool) + 8;
            *pool_out = pool;
        }
    }
    return box;
}

}  // namespace site_panel_parts
