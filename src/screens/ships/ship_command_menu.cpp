// The ship command menu: which commands a ship may be given where it stands, each greyed with its
// reason when it cannot be given, with prices as tooltips, and the confirmations before the two
// commands that destroy the ship.
#include <cstdint>
#include <string>

#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/list.h"
#include "platform/str.h"
#include "screens/ships/ship_details.h"
#include "screens/ships/ships_local.h"
#include "ui/dialog.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "world/sector.h"
#include "world/ship.h"

namespace {

constexpr int MENU_FONT = 6;
constexpr int KEY_TRANSFER = 't';
constexpr int KEY_REPAIR = 'r';
constexpr int KEY_DESTROY = 'c';   // "Scrap" and "Construct" share it: a ship shows one of them enabled at most
constexpr int KEY_BACK = 'b';
constexpr int TIP_TEXT = 0;        // red reason text
constexpr int TIP_PRICE = 1;       // the credits icon, then the amount
constexpr int DIALOG_GROW_MS = 200;
constexpr int DIALOG_CLOSE_MS = 120;

// Where the ship stands, as the rules read it when the menu is built.
struct Place {
    Sector *sector = nullptr;          // null outside a sector: no ship commands
    Site   *starbase = nullptr;        // the sector's first starbase
    bool    own_starbase = false;      // the sector is the ship owner's and holds a starbase
    bool    enemies = false;           // an object of another (real) owner is in the sector
};

Place place_of(const Ship *ship) {
    Place p;
    p.sector = sector_of(game_find_object(game_get(), ship->sector_id));
    if (!p.sector) return p;
    p.starbase = sector_find_site_of_kind(p.sector, SITE_STARBASE);
    p.own_starbase = p.sector->owner_id == ship->owner_id && p.sector->site_counts[SITE_STARBASE] > 0;
    p.enemies = sector_count_other_owners(p.sector, ship->owner_id) > 0;
    return p;
}

void disable(Control *button, const char *reason) {
    image_control_set_highlight(button, true);
    if (reason) image_control_set_tooltip(button, true, TIP_TEXT, 0, 0, reason);
}

void show_price(Control *button, int32_t amount) {
    image_control_set_tooltip(button, true, TIP_PRICE, IMAGE_CREDITS, 1, str_format("%i", amount).c_str());
}

const char *transfer_refusal(const Ship *ship, const Place &p) {
    const int32_t base_crew = sector_starbase_crew(p.sector);
    if (base_crew <= 0 && ship->crew <= 0) return "No crew available";
    if (sector_starbase_crew_full(p.sector) && ship->crew >= ship->max_crew) return "Crew capacity reached";
    if (p.enemies) return "Enemy ships present";
    return nullptr;
}

// The buttons that apply, in menu order; every one is kept in `out` with one reference.
void make_buttons(Control *panel, Ship *ship, uint32_t flags, List<Control> *out) {
    const auto add = [out](Control *button) {
        if (button) list_append(out, control_addref(button));
        return button;
    };
    const Place p = place_of(ship);
    if ((flags & SHIP_PANEL_COMMANDS) && p.sector) {
        if (p.own_starbase) {
            if (ship->pilot_id != 0) {
                Control *transfer = add(image_button_create(IMAGE_TRANSFER_CREW, MENU_FONT, "Transfer", crew_transfer_open,
                                                            KEY_TRANSFER, panel));
                if (transfer) {
                    control_set_id(transfer, SHIP_MENU_ID_TRANSFER);
                    if (const char *reason = transfer_refusal(ship, p)) disable(transfer, reason);
                }
            }
            const char *repair_caption = ship_needs_repair(ship) ? "Repair" : ship_needs_reload(ship) ? "Reload" : nullptr;
            if (repair_caption) {
                Control *repair = add(image_button_create(IMAGE_REPAIR, MENU_FONT, repair_caption, ship_command_menu_on_repair,
                                                          KEY_REPAIR, panel));
                if (repair) {
                    control_set_id(repair, SHIP_MENU_ID_REPAIR);
                    const Player *owner = game_find_player(game_get(), ship->owner_id);
                    const int32_t price = ship_repair_cost(ship);
                    if (p.enemies) {
                        disable(repair, "Enemy ships present");
                    } else if (player_can_spend(owner, price) != RES_OK) {
                        disable(repair, nullptr);
                        show_price(repair, price);
                    } else if (price >= 1) {
                        show_price(repair, price);
                    }
                }
            }
            if (Control *scrap = add(image_button_create(IMAGE_SCRAP, MENU_FONT, "Scrap", ship_command_menu_on_scrap,
                                                         KEY_DESTROY, panel))) {
                const int32_t value = ship->kind == OBJECT_SHIP ? ship_scrap_value(ship) : 0;
                if (p.enemies) disable(scrap, "Enemy ships present");
                else if (value >= 1) show_price(scrap, value);
            }
        }
        if (ship_is_constructor(ship)) {
            if (Control *construct = add(image_button_create(IMAGE_CONSTRUCT, MENU_FONT, "Construct",
                                                             ship_command_menu_on_construct, KEY_DESTROY, panel))) {
                if (p.sector->site_counts[SITE_STARBASE] > 0) disable(construct, "Starbase already present");
                else if (p.enemies || sector_has_defended_site(p.sector)) disable(construct, "Hostile forces present");
            }
        }
    }
    if (flags & SHIP_PANEL_BACK) add(image_button_create(IMAGE_CANCEL, MENU_FONT, "Back", ship_command_menu_on_back, KEY_BACK, panel));
}

// The confirmation takes the menu's place: it grows out of the menu's rectangle into the
// bottom-right corner while the menu hides and the panel's border dims.
void open_confirmation(Control *panel, const char *question, const char *yes, const char *no, ControlFn on_yes,
                       ControlFn on_no) {
    if (Control *old = panel_find_child(panel, SHIP_PANEL_ID_CONFIRM)) control_remove(old);
    Control *menu = panel_find_child(panel, SHIP_PANEL_ID_MENU);
    Control *dialog = panel_create_empty();
    if (!dialog) return;
    dialog_build(dialog, question, yes, no, on_yes, panel, on_no, panel, 0);
    const int w = dialog->w, h = dialog->h;
    panel_add_child(panel, menu ? menu->x : panel->w - w - 6, menu ? menu->y : panel->h - h - 6, SHIP_PANEL_ID_CONFIRM, 0,
                    dialog);
    if (menu) control_set_size(dialog, menu->w, menu->h);
    panel_set_draw_children_while_resizing(dialog, true);
    panel_resize_to(dialog, w, h, DIALOG_GROW_MS);
    control_move_to(dialog, panel->w - w - 6, panel->h - h - 6, DIALOG_GROW_MS);
    panel_set_border(dialog, true);
    colour_fade_start(panel_border_colour(dialog), 0, 45, 0, 160, 60, 60, 500, 0, 0);
    control_set_hidden(dialog, true);
    if (menu) control_set_hidden(menu, false);
    colour_fade_to(panel_border_colour(panel), 0, 0, 16, 2000, 0);
}

}  // namespace

Control *ship_command_menu_build(Control *panel, GameObject *obj, uint32_t flags) {
    Ship *ship = ship_of(obj);
    if (!ship_details_state(panel) || !ship) return nullptr;
    List<Control> buttons;
    make_buttons(panel, ship, flags, &buttons);
    Control *menu = nullptr;
    if (list_count(&buttons) > 0 && (menu = panel_create_empty())) {
        menu->tag = SHIP_MENU_TAG;
        panel_add_child(panel, 0, 0, SHIP_PANEL_ID_MENU, 0, menu);
        panel_layout_controls(menu, &buttons, (flags & SHIP_PANEL_ANIMATE) ? LAYOUT_ANIMATE : 0);
    }
    for (Control *b : buttons.items)
        if (b) control_release(b);
    return menu;
}

void ship_command_menu_show(Control *panel) {
    if (Control *menu = panel ? panel_find_child(panel, SHIP_PANEL_ID_MENU) : nullptr) control_set_hidden(menu, true);
}

void ship_command_menu_on_repair(Control *button) { ship_details_call_slot(ships_detail::panel_of_button(button), SHIP_DETAILS_SLOT_REPAIR); }
void ship_command_menu_on_back(Control *button) { ship_details_call_slot(ships_detail::panel_of_button(button), SHIP_DETAILS_SLOT_BACK); }

void ship_command_menu_on_scrap(Control *button) {
    if (Control *panel = ships_detail::panel_of_button(button))
        open_confirmation(panel, "Scrap this ship?", "Yes, scrap", "No, keep", ship_command_menu_on_scrap_yes,
                          ship_command_menu_on_scrap_no);
}

void ship_command_menu_on_construct(Control *button) {
    Control *panel = ships_detail::panel_of_button(button);
    const Ship *ship = ship_of(ship_details_ship(panel));
    if (!ship) return;
    const char *question = ship->pilot_id != 0
                               ? "Deploy Constructor? The ship will be dismantled and all crew transferred to the new Starbase."
                               : "Deploy Constructor? The ship will be dismantled.";
    open_confirmation(panel, question, "Yes, construct", "No, cancel", ship_command_menu_on_construct_yes,
                      ship_command_menu_on_construct_no);
}

void ship_command_menu_on_scrap_yes(Control *button) { ship_details_call_slot(ships_detail::panel_of_button(button), SHIP_DETAILS_SLOT_SCRAP); }
void ship_command_menu_on_construct_yes(Control *button) { ship_details_call_slot(ships_detail::panel_of_button(button), SHIP_DETAILS_SLOT_CONSTRUCT); }
void ship_command_menu_on_scrap_no(Control *button) { ship_command_menu_confirm_close(ships_detail::panel_of_button(button)); }
void ship_command_menu_on_construct_no(Control *button) { ship_command_menu_confirm_close(ships_detail::panel_of_button(button)); }

void ship_command_menu_confirm_close(Control *panel) {
    Control *dialog = ship_details_state(panel) ? panel_find_child(panel, SHIP_PANEL_ID_CONFIRM) : nullptr;
    if (!dialog) return;
    control_fade_out(dialog, DIALOG_CLOSE_MS);
    ship_command_menu_show(panel);
    colour_fade_to(panel_border_colour(panel), 64, 32, 0, 1200, 0);
}
