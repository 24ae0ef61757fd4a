// The site panel's command buttons, each with its reason when refused, and the choosers they open.
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

template <int K> void on_slot_button(Control *button) { site_panel_call_slot(panel_of_user(button), K); }

// A chooser opens in place of the body: clear, open, fit.
void open_chooser(Control *button, void (*open)(Control *)) {
    Control *panel = panel_of_user(button);
    if (!site_panel_state(panel)) return;
    site_panel_clear_body(panel);
    open(panel);
    site_panel_fit(panel);
}
void on_build_facility(Control *button) { open_chooser(button, site_facility_chooser_open); }
void on_build_ship(Control *button) { open_chooser(button, site_design_chooser_open); }
void on_train(Control *button) { open_chooser(button, site_recruit_chooser_open); }

Control *add_button(List<Control> *buttons, Control *panel, int type, const char *caption, ControlFn fn, int key) {
    Control *b = image_button_create(type, 6, caption, fn, key, panel);
    if (b && list_append(buttons, b) < 0) {
        control_destroy(b);
        return nullptr;
    }
    return b;
}

void refuse(Control *button, const std::string &reason) {
    if (!button || reason.empty()) return;
    image_control_set_highlight(button, true);
    image_control_set_tooltip(button, true, 0, 0, 0, reason.c_str());
}

std::string crew_reason() { return str_format("%i crew required", int(SITE_PANEL_CREW_REQUIRED)); }

// Whether the owner has unlocked a facility among the sector's entries.
bool owner_can_lay_down(const Site *site, const Sector *sector) {
    const Player *owner = site->owner_id ? game_find_player(game_get(), site->owner_id) : nullptr;
    if (!owner) return true;   // no owner: the test is skipped
    for (int32_t i = 0; i < sector_entry_count(sector); ++i) {
        const int32_t kind = sector_get_entry_kind(sector, i);
        if (kind >= 0 && player_has_item_kind(owner, kind)) return true;
    }
    return false;
}

}  // namespace

// The command buttons of a site that can produce, each with its reason when refused.
Control *build_buttons(Control *panel, Site *site, const Sector *sector, bool animate) {
    List<Control> buttons;
    const int32_t crew = site_panel_starbase_crew(site);
    const bool crew_ok = crew >= SITE_PANEL_CREW_REQUIRED;
    const bool producing = site_production_info(site, nullptr, nullptr, nullptr, nullptr, nullptr) != 0;
    const bool pending = site_is_pending(site);
    const Player *owner = site->owner_id ? game_find_player(game_get(), site->owner_id) : nullptr;

    auto production_buttons = [&](ControlFn rush_fn, ControlFn halt_fn) {
        Control *r = add_button(&buttons, panel, IMAGE_RUSH, "Rush", rush_fn, 'r');
        refuse(r, order_refusal_text(order_can_rush(owner, site)));
        Control *h = pending ? add_button(&buttons, panel, IMAGE_CANCEL, "Cancel", halt_fn, 'c')
                             : add_button(&buttons, panel, IMAGE_CANCEL, "Halt", halt_fn, 'h');
        refuse(h, order_refusal_text(order_can_halt(owner, site)));
    };

    switch (site->subtype) {
    case SITE_STARBASE:
        if (producing) {
            production_buttons(on_slot_button<SITE_SLOT_RUSH_STARBASE>, on_slot_button<SITE_SLOT_HALT_STARBASE>);
        } else {
            Control *b = add_button(&buttons, panel, IMAGE_BUILD_FACILITY, "Build", on_build_facility, 'b');
            if (!crew_ok) refuse(b, crew_reason());
            else if (!owner_can_lay_down(site, sector) && site->defense_level >= 1) refuse(b, "No facilities to build");
        }
        break;
    case SITE_SHIPYARD:
        if (producing) {
            production_buttons(on_slot_button<SITE_SLOT_RUSH_SHIPYARD>, on_slot_button<SITE_SLOT_HALT_SHIPYARD>);
        } else {
            Control *b = add_button(&buttons, panel, IMAGE_BUILD_SHIP, "Build", on_build_ship, 'b');
            if (!crew_ok) refuse(b, crew_reason());
        }
        break;
    case SITE_TRAINING:
        if (producing) {
            production_buttons(on_slot_button<SITE_SLOT_RUSH_TRAINING>, on_slot_button<SITE_SLOT_HALT_TRAINING>);
        } else {
            Control *b = add_button(&buttons, panel, IMAGE_TRAIN, "Train", on_train, 't');
            if (!crew_ok) refuse(b, crew_reason());
            else if (list_count(&site->officers) == 0) refuse(b, "No cadets available");
        }
        break;
    case SITE_HARVESTER: {
        const bool short_crew = site_is_crew_short(site);
        Control *move = add_button(&buttons, panel, IMAGE_HARVESTER_MOVE, "Move", on_slot_button<SITE_SLOT_MOVE>, 'm');
        if (short_crew) refuse(move, crew_reason());
        else if (!sector_find_free_resource_site(sector)) refuse(move, "No targets available");
        if (site->harvest_target_id) {
            Control *b = site_is_deactivated(site)
                             ? add_button(&buttons, panel, IMAGE_ACTIVATE, "Activate", on_slot_button<SITE_SLOT_ACTIVATE>, 'a')
                             : add_button(&buttons, panel, IMAGE_DEACTIVATE, "Deactivate",
                                          on_slot_button<SITE_SLOT_DEACTIVATE>, 'd');
            if (short_crew) refuse(b, crew_reason());
        }
        break;
    }
    default: break;
    }
    if (list_count(&buttons) == 0) return nullptr;
    Control *row = panel_make_with_layout(&buttons, LAYOUT_ROW | (animate ? LAYOUT_ANIMATE : 0));
    if (!row)
        for (Control *b : buttons.items) control_destroy(b);
    list_reset(&buttons);
    return row;
}

}  // namespace site_panel_parts
