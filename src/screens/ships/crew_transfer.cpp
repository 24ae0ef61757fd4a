// The crew transfer: a dialog in the ship panel that moves crew between the ship and its sector's
// starbase with one slider, and on Accept writes both crews. Crew is conserved: what the ship
// cannot hold goes back to the starbase.
#include <algorithm>
#include <cstdint>

#include "game/game.h"
#include "game/orders.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "screens/ships/ship_details.h"
#include "screens/ships/ships_local.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/transfer_slider.h"
#include "views/transfer_holders.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int TITLE_FONT = 6;
constexpr int SLIDER_TAG = 3;
constexpr int OPEN_MS = 200;
constexpr int CLOSE_MS = 120;

// The starbase of the ship's sector: the sector's first starbase when it counts one.
Site *starbase_of(const Ship *ship, const Sector **sector_out = nullptr) {
    const Sector *sector = sector_of(game_find_object(game_get(), ship->sector_id));
    if (sector_out) *sector_out = sector;
    if (!sector || sector->site_counts[SITE_STARBASE] <= 0) return nullptr;
    return sector_find_site_of_kind(sector, SITE_STARBASE);
}

Control *open_dialog(Control *panel) {
    Control *dialog = panel_find_child(panel, SHIP_PANEL_ID_TRANSFER);
    return dialog && !(dialog->flags & CTRL_REMOVED) ? dialog : nullptr;
}

}  // namespace

void crew_transfer_open(Control *button) {
    Control *panel = ships_detail::panel_of_button(button);
    Ship *ship = ship_of(ship_details_ship(panel));
    if (!ship) return;
    const Sector *sector = nullptr;
    Site *base = starbase_of(ship, &sector);
    if (!base || sector->owner_id != ship->owner_id) return;

    // The dialog grows out of the button.
    Control *menu = panel_find_child(panel, SHIP_PANEL_ID_MENU);
    int from_x = button->x, from_y = button->y;
    if (menu) {
        from_x += menu->x;
        from_y += menu->y;
        control_set_hidden(menu, false);
    }
    if (Control *old = open_dialog(panel)) control_remove(old);

    Control *dialog = panel_create_empty();
    if (!dialog) return;
    panel_add_child(panel, from_x, from_y, SHIP_PANEL_ID_TRANSFER, 0, dialog);
    panel_set_shade(dialog, 3);
    panel_set_border(dialog, true);
    colour_fade_start(panel_border_colour(dialog), 255, 255, 255, 4, 80, 4, OPEN_MS, 0, 0);

    Control *title = panel_add_child(dialog, 8, 4, 0, 0, text_label_create_plain(TITLE_FONT, 0, 230, 0, "Crew Transfer"));
    const int title_h = title ? title->h : 0;
    Control *slider = panel_add_child(dialog, 8, title_h + 8, SHIP_PANEL_ID_SLIDER, 0,
                                      transfer_slider_create(ship->crew, base->crew));
    int bottom = title_h + 8;
    int right = 8;
    if (slider) {
        slider->tag = SLIDER_TAG;
        control_set_user_data(slider, panel, nullptr);
        transfer_slider_set_limits(slider, ship->max_crew, base->params.crew_capacity);
        transfer_slider_set_holders(slider, ship, base);
        bottom = slider->y + slider->h;
        right = slider->x + slider->w;
    }
    Control *accept = image_button_create_plain(IMAGE_YES, crew_transfer_apply, 0, panel);
    Control *cancel = image_button_create_plain(IMAGE_NO, crew_transfer_cancel, 0, panel);
    if (accept) panel_add_child(dialog, right - accept->w, bottom + 4, 0, 0, accept);
    if (cancel) panel_add_child(dialog, (accept ? accept->x : right) - 8 - cancel->w, bottom + 4, 0, 0, cancel);

    int w = 0, h = 0;
    panel_layout(dialog, &w, &h);
    w += 8;
    h += 4;
    control_set_size(dialog, button->w, button->h);
    panel_set_draw_children_while_resizing(dialog, true);
    panel_resize_to(dialog, w, h, OPEN_MS);
    control_move_to(dialog, panel->w - w - 6, panel->h - h - 6, OPEN_MS);
}

void crew_transfer_apply(Control *button) {
    Control *panel = ships_detail::panel_of_button(button);
    Ship *ship = ship_of(ship_details_ship(panel));
    Control *dialog = panel ? open_dialog(panel) : nullptr;
    if (!ship || !dialog) return;
    int ship_result = 0, base_result = 0;
    transfer_slider_get_values(panel_find_child(dialog, SHIP_PANEL_ID_SLIDER), &ship_result, &base_result);
    control_fade_out(dialog, CLOSE_MS);

    (void)base_result;   // the starbase keeps the rest of the two's crew
    Site *base = starbase_of(ship);
    const bool written = base && order_transfer_crew(game_get()->ui_player, ship, base, ship_result) == RES_OK;
    ship_command_menu_show(panel);
    if (written) ship_details_refresh(panel);
    ship_details_call_slot(panel, SHIP_DETAILS_SLOT_CREW_TRANSFERRED);
}

void crew_transfer_cancel(Control *button) { crew_transfer_close(ships_detail::panel_of_button(button)); }

void crew_transfer_close(Control *panel) {
    Control *dialog = ship_details_state(panel) ? open_dialog(panel) : nullptr;
    if (!dialog) return;
    control_fade_out(dialog, CLOSE_MS);
    ship_command_menu_show(panel);
}
