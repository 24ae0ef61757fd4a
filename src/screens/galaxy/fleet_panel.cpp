// The fleet panel: header, travel status, the ship list with its scroll bar, the figures, the
// situation in the fleet's sector, the command buttons and the slot trampolines.
#include "screens/galaxy/fleet_panel.h"

#include <algorithm>
#include <new>
#include <string>

#include "game/encounter.h"
#include "game/game.h"
#include "game/player.h"
#include "game/turn.h"
#include "platform/colour_fade.h"
#include "platform/geometry.h"
#include "platform/image_ids.h"
#include "platform/input.h"
#include "platform/list.h"
#include "platform/str.h"
#include "screens/galaxy/galaxy_local.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/panel_slots.h"
#include "ui/scroll_list.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "views/player_name_label.h"
#include "views/ship_list.h"
#include "world/fleet.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace {

constexpr int FONT_TITLE = 6, FONT_STRONG = 1, FONT_SMALL = 2;

constexpr int LIST_STYLE = 6, LIST_STYLE_COMPACT = 7;
constexpr int LIST_WIDTH_ONE = 400, LIST_WIDTH_ONE_STILL = 290, LIST_WIDTH_TWO = 420, LIST_WIDTH_MORE = 442;
constexpr int ROWS_GAP = 20;              // between the list and the figures
constexpr int SITUATION_GAP = 20;         // between the figures and the situation box
constexpr int BUTTONS_GAP = 8;            // between the situation box and the buttons
constexpr int PANEL_EXTRA_HEIGHT = 20;
constexpr int LIST_ROOM = 52;             // kept free between the list and what stands below
constexpr int OWN_MIN_HEIGHT = 250;

struct FleetRgb {
    uint8_t r, g, b;
};
constexpr FleetRgb GREEN_TITLE{0, 230, 0};
constexpr FleetRgb BORDER{64, 64, 16};
constexpr FleetRgb STATUS_PLAIN{190, 190, 190};
constexpr FleetRgb STATUS_RETREAT{190, 30, 10};
constexpr FleetRgb ALERT{200, 20, 0};
constexpr FleetRgb CALM{0, 200, 0};
constexpr FleetRgb BOX_BACKGROUND{0, 16, 0};
constexpr FleetRgb BOX_BORDER{5, 5, 5};
constexpr FleetRgb BOX_NAME{250, 250, 250};

void fleet_panel_state_free(void *state) { delete static_cast<FleetPanelState *>(static_cast<PanelCommandSlots *>(state)); }

Control *label(int font, FleetRgb c, const char *text) { return text_label_create_plain(font, c.r, c.g, c.b, text); }

// The sector the fleet stands in: the one its ships are in (a fleet shown in a sector view holds
// the sector's ships, which keep their sector).
Sector *fleet_sector(const Fleet *fleet) {
    for (const GameObject *o : fleet->ships.items) {
        if (!o) break;
        if (const Ship *ship = ship_of(o); ship && ship->sector_id) return sector_find(ship->sector_id);
    }
    return nullptr;
}

Site *foreign_starbase(const Sector *sector, uint64_t owner_id) {
    Site *starbase = sector_find_site_of_kind(sector, SITE_STARBASE);
    return starbase && starbase->owner_id != owner_id ? starbase : nullptr;
}

// ---- Header and list ----

Control *add_header(Control *panel, const Fleet *fleet) {
    Control *header = panel_add_child(panel, 4, 4, FLEET_PANEL_HEADER, 0, panel_create_empty());
    if (!header) return nullptr;
    Control *name = panel_add_child(header, 0, 0, 0, 1, label(FONT_TITLE, GREEN_TITLE, object_get_name(fleet)));
    const bool known = fleet->owner_id && game_find_player(game_get(), fleet->owner_id);
    if (known && name) panel_add_child(header, 0, name->h + 6, 0, 1, player_name_label_create(FONT_SMALL, nullptr, fleet->owner_id));
    panel_relayout(header);
    return header;
}

// "Departing", "Retreating" or "In transit", while the fleet travels.
Control *add_travel_status(Control *panel, const Fleet *fleet, int x, int y, FleetPanelState *state) {
    if (!object_is_travelling(fleet)) return nullptr;
    const char *text = "In transit";
    FleetRgb colour = STATUS_PLAIN;
    if (fleet_is_barred(fleet)) {
        text = "Departing";
    } else if (fleet_is_retreated(fleet)) {
        text = "Retreating";
        colour = STATUS_RETREAT;
    }
    state->status_rgb[0] = colour.r;
    state->status_rgb[1] = colour.g;
    state->status_rgb[2] = colour.b;
    return panel_add_child(panel, x, y, FLEET_PANEL_STATUS, 0, label(FONT_SMALL, colour, text));
}

int list_width(const Fleet *fleet, uint32_t options) {
    const int32_t ships = fleet_ship_count(fleet);
    if (ships >= 3) return LIST_WIDTH_MORE;
    if (ships == 2) return LIST_WIDTH_TWO;
    if ((options & FLEET_PANEL_OWN) && !fleet->move_target) return LIST_WIDTH_ONE_STILL;
    return LIST_WIDTH_ONE;
}

Control *add_fleet_ship_list(Control *panel, Fleet *fleet, uint32_t options, int y, FleetPanelState *state) {
    List<GameObject> *ships = fleet_sorted_ship_list(fleet);
    const int width = list_width(fleet, options);
    Control *list = ship_list_create(ships, width, fleet_panel_on_ship_pick,
                                     options & FLEET_PANEL_COMPACT ? LIST_STYLE_COMPACT : LIST_STYLE);
    list_free(ships);
    if (!panel_add_child(panel, 0, y, FLEET_PANEL_SHIP_LIST, 0, list)) return nullptr;
    ship_list_set_width(list, width);
    state->list_content_h = list->h;
    if (list->h > FLEET_PANEL_LIST_CUT) {
        control_set_size(list, list->w, FLEET_PANEL_LIST_CUT);
        scroll_list_init(list, FLEET_PANEL_SCROLL_STEP, FLEET_PANEL_WHEEL_STEP);
        scroll_list_set_content(list, state->list_content_h, FLEET_PANEL_LIST_CUT);
        scroll_list_add_bar(list, panel, list->w - 1, list->y, FLEET_PANEL_SCROLL_BAR, FLEET_PANEL_LIST_CUT, 0);
        ship_list_set_wheel_handler(list, scroll_list_on_wheel);
        panel_set_scroll(list, 0, 0);
    }
    return list;
}

Control *add_rows(Control *panel, const Fleet *fleet, uint32_t options, int y) {
    List<SystemRow> *rows = ui_stat_rows_list_create();
    if (!rows) return nullptr;
    auto row = [rows](const char *text, const std::string &value) { (void)ui_stat_rows_add_row(rows, nullptr, text, value.c_str(), 0); };
    const GameObject *target = fleet->move_target;
    row("Ships", str_format("%i", int(fleet_ship_count(fleet))));
    if (target && target->kind == OBJECT_SECTOR) row("Destination", object_get_name(target));
    if (target && target->kind == OBJECT_FLEET) row("Intercepting", object_get_name(target));
    if (fleet->speed > 0 || (options & FLEET_PANEL_SECTOR)) row("Speed", str_format("%i pc/day", int(fleet->speed)));
    if (target && fleet->speed > 0) row("ETA", galaxy_detail::days_text(fleet_travel_time_to_target(fleet)));
    row("Mass", str_format("%i KT", int(fleet->mass)));
    row("Power", str_format("%i TW", int(fleet->capacity_total)));
    if (const int32_t stealth = fleet_cloak(fleet); stealth > 0) row("Stealth", str_format("%i%%", int(stealth)));
    return panel_add_child(panel, 8, y, FLEET_PANEL_ROWS, 0, ui_stat_rows_create(rows, options & FLEET_PANEL_COMPACT ? 1 : 0));
}

// ---- Situation and commands ----

Control *button(List<Control> *buttons, Control *panel, int image, const char *text, ControlFn fn, int key) {
    Control *b = image_button_create(image, FLEET_PANEL_BUTTON_FONT, text, fn, key, panel);
    if (b) list_append(buttons, b);
    return b;
}

// What the situation box shows: a line of text and the object it is about (may be null).
struct Situation {
    const char *text = nullptr;
    int font = FONT_STRONG;
    FleetRgb colour = ALERT;
    Site *shown = nullptr;
};

Situation sector_situation(Control *panel, Fleet *fleet, Sector *sector, List<Control> *buttons) {
    Situation s;
    Game *g = game_get();
    if (Encounter *enc = g->encounters ? game_find_encounter_of_fleet_ships(g, fleet) : nullptr) {
        button(buttons, panel, IMAGE_COMBAT, "Combat", fleet_panel_on_combat, 'c');
        s.text = "In combat";
        if (enc->kind == ENCOUNTER_STARBASE_ASSAULT) s.shown = sector_find_site_of_kind(sector, SITE_STARBASE);
        else if (enc->kind == ENCOUNTER_ARK || enc->kind == ENCOUNTER_ARK_ARMED) s.shown = sector_find_defended_site(sector);
        return s;
    }
    if (Site *starbase = foreign_starbase(sector, fleet->owner_id)) {
        const bool attacking = fleet_any_ship_attacks_starbase(fleet);
        s.text = attacking ? "Attacking" : "Blockading";
        if (!attacking) s.colour = CALM;
        s.shown = starbase;
        if (attacking) button(buttons, panel, IMAGE_CANCEL, "Abort", fleet_panel_on_abort_starbase, 'a');
        else button(buttons, panel, IMAGE_ATTACK, "Attack", fleet_panel_on_attack_starbase, 'a');
    } else if (Site *defended = sector_find_defended_site(sector)) {
        const bool attacking = fleet_any_ship_attacks_defences(fleet);
        s.text = attacking ? "Attacking" : "Automated defenses detected";
        if (!attacking) s.font = FONT_SMALL;
        s.shown = defended;
        if (attacking) button(buttons, panel, IMAGE_CANCEL, "Abort", fleet_panel_on_abort_defenses, 'a');
        else button(buttons, panel, IMAGE_ATTACK, "Attack", fleet_panel_on_attack_defenses, 'a');
    } else if (Site *site = sector_find_gather_site(sector)) {
        const bool resources = site->feature && site->feature->kind == FEATURE_RESOURCES;
        s.shown = site;
        if (fleet_any_ship_surveys(fleet)) {
            s.text = resources ? "Gathering" : "Rescuing";
            button(buttons, panel, IMAGE_CANCEL, "Cancel", fleet_panel_on_cancel_gather, 'c');
        } else {
            s.text = resources ? "Resources detected" : "Life signs detected";
            s.font = FONT_SMALL;
            Control *b = resources ? button(buttons, panel, IMAGE_GATHER, "Gather", fleet_panel_on_gather, 'g')
                                   : button(buttons, panel, IMAGE_RESCUE, "Rescue", fleet_panel_on_gather, 'r');
            if (b && !fleet_has_pilot(fleet)) {
                image_control_set_highlight(b, true);
                image_control_set_tooltip(b, true, 0, 0, 0, "Officer required");
            }
        }
    }
    button(buttons, panel, IMAGE_MOVE, "Move", fleet_panel_on_sector_move, 'm');
    return s;
}

void own_commands(Control *panel, Fleet *fleet, List<Control> *buttons) {
    Game *g = game_get();
    if (g->encounters && game_find_encounter_by_fleet(g, fleet->id)) {
        button(buttons, panel, IMAGE_COMBAT, "Combat", fleet_panel_on_combat, 'c');
    } else if (fleet_is_retreated(fleet)) {
        // A retreating fleet takes no orders until it is out.
    } else if (object_is_travelling(fleet)) {
        if (fleet_is_barred(fleet)) {
            button(buttons, panel, IMAGE_CANCEL, "Cancel", fleet_panel_on_cancel_departure, 'c');
        } else {
            button(buttons, panel, IMAGE_COURSE, "Redirect", fleet_panel_on_redirect, 'r');
            button(buttons, panel, IMAGE_CANCEL, "Halt", fleet_panel_on_halt, 'h');
        }
    } else if (Control *move = button(buttons, panel, IMAGE_COURSE, "Move", fleet_panel_on_move, 'm')) {
        control_set_id(move, FLEET_PANEL_MOVE_BUTTON);
    }
}

// The picture of the object and, right of it, its two name lines.
Control *situation_inner(Site *shown, const Sector *sector) {
    Control *inner = panel_create_empty();
    if (!inner) return nullptr;
    Control *picture = panel_add_child(inner, 0, 0, 0, 1,
                                       image_control_create_single(const_cast<Sprite *>(object_frame_sprite(shown, shown->frame))));
    const int x = picture ? picture->w + 6 : 0;
    Control *first = nullptr;
    if (shown->subtype == SITE_STARBASE) {
        first = panel_add_child(inner, x, 0, 0, 1, label(FONT_SMALL, BOX_NAME, object_get_name(shown)));
        if (first) panel_add_child(inner, x, first->h + 2, 0, 1, player_name_label_create(FONT_SMALL, nullptr, shown->owner_id));
    } else {
        const std::string place = str_format("%s %s", object_get_name(sector), roman_numeral(shown->label_number));
        first = panel_add_child(inner, x, 0, 0, 1, label(FONT_SMALL, BOX_NAME, place.c_str()));
        if (first) panel_add_child(inner, x, first->h + 2, 0, 1, label(FONT_SMALL, BOX_NAME, object_get_name(shown)));
    }
    panel_relayout(inner);
    return inner;
}

Control *add_situation_box(Control *panel, const Situation &s, const Sector *sector, int x, int y) {
    Control *box = panel_add_child(panel, x, y, FLEET_PANEL_SITUATION, 0, panel_create_empty());
    if (!box) return nullptr;
    panel_set_background(box, true);
    colour_fade_set(panel_background_colour(box), BOX_BACKGROUND.r, BOX_BACKGROUND.g, BOX_BACKGROUND.b);
    panel_set_border(box, true);
    colour_fade_set(panel_border_colour(box), BOX_BORDER.r, BOX_BORDER.g, BOX_BORDER.b);
    Control *text = panel_add_child(box, 4, 0, 0, 1, label(s.font, s.colour, s.text));
    if (s.shown) panel_add_child(box, 4, text ? text->h + 4 : 0, FLEET_PANEL_SITUATION_INNER, 1, situation_inner(s.shown, sector));
    panel_relayout(box);
    panel_grow(box, 4, 4);
    return box;
}

// The ship pick of the galaxy screen: it opens the ship panel beside the clicked row.
void call_from_button(Control *button, FleetPanelSlot slot) { fleet_panel_call_slot(fleet_panel_of_button(button), slot); }

}  // namespace

FleetPanelState *fleet_panel_state(Control *panel) {
    PanelCommandSlots *slots = panel_command_slots(panel);
    return slots && panel->widget_free == fleet_panel_state_free ? static_cast<FleetPanelState *>(slots) : nullptr;
}

Fleet *fleet_panel_fleet(Control *panel) {
    return fleet_panel_state(panel) ? fleet_of(static_cast<GameObject *>(panel->user_data)) : nullptr;
}

Control *fleet_panel_of_button(Control *button) { return button ? static_cast<Control *>(button->user_data) : nullptr; }

void fleet_panel_build(Control *panel, GameObject *fleet_obj, uint32_t options) {
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    panel_set_scroll(panel, 0, 0);
    panel_set_shade(panel, 2);
    panel_set_border(panel, true);
    colour_fade_set(panel_border_colour(panel), BORDER.r, BORDER.g, BORDER.b);
    // The object panel may hold the fleet already (with its reference); keep that.
    if (panel->user_data != fleet_obj) control_set_user_data(panel, fleet_obj, nullptr);
    FleetPanelState *state = new (std::nothrow) FleetPanelState{};
    if (!state) return;
    panel_set_command_state(panel, state, fleet_panel_state_free);
    Fleet *fleet = fleet_of(fleet_obj);
    if (!fleet) return;

    Control *header = add_header(panel, fleet);
    int y = header ? header->y + header->h + 6 : 4;
    if (Control *status = add_travel_status(panel, fleet, header ? header->x : 4, y, state)) y = status->y + status->h + 6;

    Control *list = nullptr, *rows = nullptr;
    if (fleet_ship_count(fleet) > 0) {
        list = add_fleet_ship_list(panel, fleet, options, y, state);
        if (list) y = list->y + list->h;
        rows = add_rows(panel, fleet, options, y + ROWS_GAP);
    }

    int box_x = rows ? rows->x + rows->w + SITUATION_GAP : 8;
    int box_y = rows ? rows->y : y;
    List<Control> buttons;   // borrowed: the button row takes its own references
    Control *box = nullptr;
    if (options & FLEET_PANEL_SECTOR)
        if (Sector *sector = fleet_sector(fleet)) {
            const Situation s = sector_situation(panel, fleet, sector, &buttons);
            if (s.text) box = add_situation_box(panel, s, sector, box_x, box_y);
        }
    if (options & FLEET_PANEL_OWN) own_commands(panel, fleet, &buttons);

    Control *row = nullptr;
    if (list_count(&buttons) > 0) {
        const int row_y = box ? box->y + box->h + BUTTONS_GAP : box_y;
        row = panel_add_child(panel, box_x, row_y, FLEET_PANEL_BUTTONS, 0,
                              panel_make_with_layout(&buttons, options & FLEET_PANEL_COMPACT ? LAYOUT_ANIMATE : 0));
    }

    panel_relayout(panel);
    int height = panel->h + PANEL_EXTRA_HEIGHT;
    if (const Control *below = box ? box : row; list && below) {
        const int room = below->y - (list->y + list->h);
        if (room < LIST_ROOM) height += LIST_ROOM - room;
    }
    if (options & FLEET_PANEL_OWN) height = std::max(height, OWN_MIN_HEIGHT);
    control_set_size(panel, panel->w, height);

    if (options & FLEET_PANEL_CLOSE)
        if (Control *close = image_button_create_plain(IMAGE_CLOSE, fleet_panel_on_close, INPUT_KEY_ESCAPE, panel))
            panel_add_child(panel, panel->w - close->w - 4, 4, FLEET_PANEL_CLOSE_BUTTON, 0, close);
}


Control *fleet_panel_ship_list(Control *panel) {
    Control *list = panel_of(panel) ? panel_find_child(panel, FLEET_PANEL_SHIP_LIST) : nullptr;
    return ship_list_state(list) ? list : nullptr;
}

GameObject *fleet_panel_sector(Control *panel) {
    const Fleet *fleet = fleet_panel_fleet(panel);
    return fleet ? fleet_sector(fleet) : nullptr;
}

GameObject *fleet_panel_picked_ship(Control *panel) { return ship_list_picked_ship(fleet_panel_ship_list(panel)); }

void fleet_panel_refresh_ship_list(Control *panel) {
    if (Control *list = fleet_panel_ship_list(panel)) ship_list_relayout(list);
}

void fleet_panel_call_slot(Control *panel, FleetPanelSlot slot) {
    if (fleet_panel_state(panel) && slot < FLEET_SLOT_COUNT) panel_call_slot(panel, slot);
}

void fleet_panel_on_cancel_departure(Control *b) { call_from_button(b, FLEET_SLOT_CANCEL_DEPARTURE); }
void fleet_panel_on_halt(Control *b) { call_from_button(b, FLEET_SLOT_HALT); }
void fleet_panel_on_combat(Control *b) { call_from_button(b, FLEET_SLOT_COMBAT); }
void fleet_panel_on_attack_starbase(Control *b) { call_from_button(b, FLEET_SLOT_ATTACK_STARBASE); }
void fleet_panel_on_abort_starbase(Control *b) { call_from_button(b, FLEET_SLOT_ABORT_STARBASE); }
void fleet_panel_on_sector_move(Control *b) { call_from_button(b, FLEET_SLOT_SECTOR_MOVE); }
void fleet_panel_on_attack_defenses(Control *b) { call_from_button(b, FLEET_SLOT_ATTACK_DEFENSES); }
void fleet_panel_on_abort_defenses(Control *b) { call_from_button(b, FLEET_SLOT_ABORT_DEFENSES); }
void fleet_panel_on_gather(Control *b) { call_from_button(b, FLEET_SLOT_GATHER); }
void fleet_panel_on_cancel_gather(Control *b) { call_from_button(b, FLEET_SLOT_CANCEL_GATHER); }

void fleet_panel_on_ship_pick(Control *list) { fleet_panel_call_slot(list ? list->owner : nullptr, FLEET_SLOT_SHIP_PICK); }

void fleet_panel_on_close(Control *button) {
    Control *panel = fleet_panel_of_button(button);
    if (!panel) return;
    game_flash_panel_frame(game_get(), panel);
    control_remove(panel);
}
