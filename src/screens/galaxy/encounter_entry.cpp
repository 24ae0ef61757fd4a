// Encounter entry and the next-item cycle: the ways into the encounter dialog (the sector panel's
// "Combat", the fleet panel, the encounter markers, Tab), the dialog's three slots (a side picked,
// the turn held while the choice shows, the choice resolved), the battle group panel's ship pick,
// and Tab's walk through the UI player's battles and own objects.
//  - The dialog records the choices; the slots here only read them. An engaged battle becomes the
//    game's current encounter and the update hands the screen to the combat mode; a battle nobody
//    fights is finished here through the model.
//  - Game thread only.
#include <algorithm>
#include <vector>

#include "game/encounter.h"
#include "game/game.h"
#include "game/player.h"
#include "game/turn.h"
#include "platform/colour_fade.h"
#include "platform/hash.h"
#include "platform/list.h"
#include "platform/sound.h"
#include "screens/galaxy/encounter_dialog.h"
#include "screens/galaxy/fleet_panel.h"
#include "screens/galaxy/galaxy_local.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/galaxy/sector_panel.h"
#include "screens/ships/ship_details.h"
#include "screens/sites/site_panel.h"
#include "ui/control.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int DIALOG_GROW_MS = 200;         // the dialog opened at the battle's place
constexpr int DIALOG_FROM_BUTTON_MS = 120;  // the dialog opened from the fleet panel
constexpr int DETAIL_GROW_MS = 200;         // the battle group panel and the ship panel
constexpr int BATTLE_BOX = 12;              // the box around a battle in deep space the dialog keeps clear of

// The encounter markers' icon, which the hover tints.
constexpr int ENCOUNTER_MARKER_ICON = 400041;
constexpr int ICON_HOVER_R = 0, ICON_HOVER_G = 215, ICON_HOVER_B = 0;
constexpr int ICON_DIM_R = 60, ICON_DIM_G = 60, ICON_DIM_B = 0;
constexpr int ICON_LIT_R = 230, ICON_LIT_G = 230, ICON_LIT_B = 0;
constexpr int ICON_PULSE_MS = 600;

// The battle's name in the hover information panel.
constexpr int HOVER_NAME_FONT = 2;
constexpr int HOVER_NAME_R = 255, HOVER_NAME_G = 40, HOVER_NAME_B = 30;
constexpr int HOVER_FRAME_DIM_R = 90, HOVER_FRAME_DIM_G = 10, HOVER_FRAME_DIM_B = 10;
constexpr int HOVER_FRAME_PULSE_MS = 400;
constexpr int HOVER_PAD = 4;

// A computer-controlled battle ship's commander text.
constexpr const char *ARK_DEFAULT_NAME = "ARK Zero";
constexpr uint8_t ARK_LABEL_R = 230, ARK_LABEL_G = 230, ARK_LABEL_B = 230;

// Object panel options of the cycle beside galaxy_local.h's: an own fleet in the sector view.
constexpr int32_t FLEET_OPTIONS_SECTOR_VIEW = FLEET_PANEL_COMPACT | FLEET_PANEL_CLOSE | FLEET_PANEL_SECTOR;

// The encounter, when it is still one of the game's battles (a marker or a panel may outlive it).
Encounter *live_encounter(const void *candidate) {
    Game *g = game_get();
    if (!candidate || !g->encounters) return nullptr;
    for (Encounter *enc : g->encounters->items) {
        if (!enc) break;
        if (enc == candidate) return enc;
    }
    return nullptr;
}

Control *encounter_marker(const Encounter *enc) {
    HashTable<Control> *markers = galaxy_screen()->marker_maps[GALAXY_MARKERS_ENCOUNTERS];
    if (!markers || !enc) return nullptr;
    HashTableIter<Control> it;
    hash_table_iter_init(&it, markers);
    while (Control *marker = hash_table_iter_next(&it))
        if (marker->user_data == enc && !(marker->flags & CTRL_REMOVED)) return marker;
    return nullptr;
}

void remove_encounter_marker(const Encounter *enc) {
    Control *marker = encounter_marker(enc);
    if (!marker) return;
    control_remove(marker);
    if (hash_table_remove(galaxy_screen()->marker_maps[GALAXY_MARKERS_ENCOUNTERS], marker)) control_release(marker);
}

// A panel placed in the panel area beside the screen rectangle; (x, y) when no place is found.
void place_beside_rect(Control *panel, int x, int y, int w, int h) {
    panel_enable_item_list(panel);
    galaxy_detail::add_panel_area(panel);
    panel_add_item(panel, PLACE_BESIDE, x, y, w, h);
    int px = x + w, py = y;
    if (panel_find_own_position(panel, &px, &py) != RES_OK) {
        px = x + w;
        py = y;
    }
    control_set_position(panel, px, py);
}

// A panel grows from an eighth of its size (at least one pixel) to its size, in place.
void grow_in_place(Control *panel, int ms) {
    const int w = panel->w, h = panel->h;
    control_set_size(panel, std::max(w / 8, 1), std::max(h / 8, 1));
    panel_resize_to(panel, w, h, ms);
}

// The battle's place on the screen: its sector, or a small box around its point in deep space.
void battle_rect(const Encounter *enc, int *x, int *y, int *w, int *h) {
    Game *g = game_get();
    const ObjectMap *map = g->galaxy_map;
    const int vx = map ? map->view_x : 0, vy = map ? map->view_y : 0;
    if (const GameObject *sector = game_find_object_of_kind(g, OBJECT_SECTOR, enc->sector_id)) {
        *x = sector->x - vx;
        *y = sector->y - vy;
        *w = sector->w;
        *h = sector->h;
        return;
    }
    *x = enc->centre_x - BATTLE_BOX / 2 - vx;
    *y = enc->centre_y - BATTLE_BOX / 2 - vy;
    *w = *h = BATTLE_BOX;
}

// Opens the dialog (object panel 400029) for the battle and the UI player with the screen's slots.
Control *open_dialog(Encounter *enc) {
    Control *dialog = galaxy_object_panel_open(GALAXY_PANEL_ENCOUNTER);
    if (!dialog) return nullptr;
    encounter_dialog_build(dialog, enc, game_get()->ui_player_id);
    panel_set_slot(dialog, ENCOUNTER_SLOT_SIDE_PICK, galaxy_encounter_on_pick_row);
    panel_set_slot(dialog, ENCOUNTER_SLOT_CHOICE_MADE, galaxy_encounter_on_hold);
    panel_set_slot(dialog, ENCOUNTER_SLOT_DIALOG_DONE, galaxy_encounter_on_resolve);
    return dialog;
}

// The selection bracket goes round the battle's marker (round its place when it has none).
void bracket_battle(const Encounter *enc) {
    game_remove_controls_by_group(game_get(), GALAXY_GROUP_SELECTION);
    int x = 0, y = 0, w = 0, h = 0;
    if (const Control *marker = encounter_marker(enc)) {
        x = marker->x;
        y = marker->y;
        w = marker->w;
        h = marker->h;
    } else {
        x = enc->centre_x - BATTLE_BOX / 2;
        y = enc->centre_y - BATTLE_BOX / 2;
        w = h = BATTLE_BOX;
    }
    galaxy_selection_bracket_show(x, y, w, h, std::clamp(std::max(w, h) / 10, 4, 10));
}

// ---- The next-item cycle ----

struct CycleItem {
    Encounter  *encounter = nullptr;
    GameObject *object = nullptr;
};

bool alive(const GameObject *o) { return o && !object_is_dead(o); }

// An own sector for the cycle: owned, its first present object the player's, or its starbase.
bool cycle_sector(const Sector *sector, uint64_t player) {
    if (sector->owner_id == player) return true;
    const GameObject *first = sector_get_object(sector, 0);
    if (first && first->owner_id == player) return true;
    return sector_has_starbase_of(sector, player);
}

std::vector<CycleItem> cycle_candidates() {
    Game *g = game_get();
    const uint64_t ui = g->ui_player_id;
    std::vector<CycleItem> items;
    if (galaxy_flags() & GALAXY_FLAG_STARMAP_VIEW) {
        for (int32_t i = 0, n = game_encounter_count(g); i < n; ++i) {
            Encounter *enc = game_encounter_at(g, i);
            if (enc && !encounter_is_finished(enc) && encounter_has_side(enc, ui)) items.push_back({enc, nullptr});
        }
        const bool battles_pending = (galaxy_flags() & GALAXY_FLAG_ENCOUNTERS_PENDING) != 0;
        if (ObjectMap *map = g->galaxy_map)
            for (GameObject *o : map->objects.items) {
                if (!o) break;
                if (!alive(o)) continue;
                if (const Fleet *fleet = fleet_of(o)) {
                    if (!battles_pending && fleet->owner_id == ui) items.push_back({nullptr, o});
                } else if (const Sector *sector = sector_of(o)) {
                    if (cycle_sector(sector, ui)) items.push_back({nullptr, o});
                }
            }
    } else if (ObjectMap *map = g->sector_map) {
        for (GameObject *o : map->objects.items) {
            if (!o) break;
            if (alive(o) && o->owner_id == ui && (fleet_of(o) || site_cast(o))) items.push_back({nullptr, o});
        }
    }
    return items;
}

// The object's panel beside it, the object selected.
void open_cycle_object(GameObject *object) {
    Game *g = game_get();
    galaxy_object_panels_close();
    Control *panel = nullptr;
    if (Fleet *fleet = fleet_of(object)) {
        panel = galaxy_object_panel_open(GALAXY_PANEL_FLEET);
        galaxy_object_panel_set_object(panel, fleet);
        const bool starmap = (galaxy_flags() & GALAXY_FLAG_STARMAP_VIEW) != 0;
        if (panel)
            galaxy_show_fleet_panel(panel, fleet, starmap ? galaxy_detail::FLEET_OPTIONS_STARMAP : FLEET_OPTIONS_SECTOR_VIEW);
    } else if (Site *site = site_cast(object)) {
        panel = galaxy_object_panel_open(GALAXY_PANEL_SITE);
        galaxy_object_panel_set_object(panel, site);
        if (panel) galaxy_show_site_panel(panel, site, galaxy_detail::SITE_OPTIONS);
    } else if (Sector *sector = sector_of(object)) {
        int32_t options = sector->owner_id == g->ui_player_id ? galaxy_detail::SECTOR_OPTIONS_OWN : galaxy_detail::SECTOR_OPTIONS;
        if (sector_count_objects_of_owner(sector, g->ui_player_id) > 0) options |= galaxy_detail::SECTOR_OPTIONS_PRESENT;
        panel = galaxy_object_panel_open(GALAXY_PANEL_SECTOR);
        galaxy_object_panel_set_object(panel, sector);
        if (panel) galaxy_show_sector_panel(panel, sector, options);
    }
    galaxy_select_object(object);
    if (panel) galaxy_place_panel_beside(panel, object, GALAXY_PANEL_MARGIN);
    game_flush_new_controls(g);
}

// ---- Marker hover ----

ColourFade *icon_tint(Control *marker) {
    Control *icon = panel_find_child(marker, ENCOUNTER_MARKER_ICON);
    if (!icon || icon->type != CONTROL_IMAGE) return nullptr;
    if (!image_control_tint_colour(icon)) image_control_enable_tint(icon);
    return image_control_tint_colour(icon);
}

// The hover information panel holds the battle's name in a pulsing red frame, beside the marker.
void hover_show_battle(Control *marker, const Encounter *enc) {
    Control *hover = galaxy_screen()->hover_panel;
    if (!panel_of(hover)) return;
    panel_stop_resize(hover);
    panel_remove_children(hover);
    panel_set_scroll(hover, 0, 0);
    panel_add_child(hover, HOVER_PAD, HOVER_PAD, 0, 0,
                    text_label_create_plain(HOVER_NAME_FONT, HOVER_NAME_R, HOVER_NAME_G, HOVER_NAME_B, enc->name.c_str()));
    int w = 0, h = 0;
    panel_layout(hover, &w, &h);
    control_set_size(hover, w + HOVER_PAD, h + HOVER_PAD);
    panel_set_border(hover, true);
    colour_fade_start(panel_border_colour(hover), HOVER_NAME_R, HOVER_NAME_G, HOVER_NAME_B, HOVER_FRAME_DIM_R,
                      HOVER_FRAME_DIM_G, HOVER_FRAME_DIM_B, HOVER_FRAME_PULSE_MS, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    int mx = 0, my = 0;
    control_get_screen_position(marker, &mx, &my);
    place_beside_rect(hover, mx - galaxy_detail::HOVER_GAP, my - galaxy_detail::HOVER_GAP,
                      marker->w + 2 * galaxy_detail::HOVER_GAP, marker->h + 2 * galaxy_detail::HOVER_GAP);
    control_set_enabled(hover, false);   // the pointer passes through to the marker
    control_set_hidden(hover, true);
}

// ---- The battle group panel ----

// A computer-controlled ship shows its side's player as its commander; false for any other ship.
bool label_machine_ship(Ship *ship) {
    Game *g = game_get();
    if (!ship || g->combat_ai_player_id == 0 || ship->owner_id != g->combat_ai_player_id) return false;
    const Player *side = game_find_player(g, ship->owner_id);
    ship->owner_label = side && !side->name.empty() ? side->name : ARK_DEFAULT_NAME;
    ship->owner_label_r = ARK_LABEL_R;
    ship->owner_label_g = ARK_LABEL_G;
    ship->owner_label_b = ARK_LABEL_B;
    return true;
}

// A panel opened beside another one, growing out of nothing.
void open_beside_panel(Control *panel, Control *beside) {
    int bx = 0, by = 0;
    control_get_screen_position(beside, &bx, &by);
    place_beside_rect(panel, bx, by, beside->w, beside->h);
    grow_in_place(panel, DETAIL_GROW_MS);
}

}  // namespace

// ---- Entry ----

void galaxy_show_encounter(Encounter *encounter) {
    GalaxyScreen *s = galaxy_screen();
    Game *g = game_get();
    if (!encounter) return;
    if (s->encounter_panel_id == encounter->id && galaxy_object_panel_is_open(GALAXY_PANEL_ENCOUNTER)) return;
    encounter_retain(encounter);   // closing the panels may drop the last other reference
    galaxy_object_panels_close();
    Control *dialog = open_dialog(encounter);
    galaxy_select_object(nullptr);
    if (dialog) {
        int x = 0, y = 0, w = 0, h = 0;
        battle_rect(encounter, &x, &y, &w, &h);
        place_beside_rect(dialog, x, y, w, h);
        grow_in_place(dialog, DIALOG_GROW_MS);
        s->encounter_panel_id = encounter->id;
        galaxy_flags_change(0, GALAXY_FLAG_ENCOUNTER_PANEL);
        bracket_battle(encounter);
    }
    game_flush_new_controls(g);
    encounter_release(encounter);
}

void galaxy_sector_on_combat(Control *) {
    Game *g = game_get();
    const Sector *sector = sector_of(galaxy_screen()->selected);
    if (!sector) return;
    if (Encounter *enc = game_find_encounter_by_sector(g, sector->id)) galaxy_show_encounter(enc);
}

void galaxy_fleet_on_encounter(Control *control) {
    Game *g = game_get();
    const Fleet *fleet = fleet_of(galaxy_screen()->selected);
    if (!fleet) return;
    if (Encounter *enc = game_find_encounter_by_fleet(g, fleet->id)) {
        galaxy_show_encounter(enc);
        return;
    }
    Encounter *enc = game_find_encounter_of_fleet_ships(g, fleet);
    if (!enc) return;
    // Taken before the dialog opens: the pressed control's panel may be veiled or closed by it.
    int fx = 0, fy = 0, fw = 1, fh = 1;
    if (control) {
        control_get_screen_position(control, &fx, &fy);
        fw = std::max(control->w, 1);
        fh = std::max(control->h, 1);
    }
    Control *dialog = open_dialog(enc);
    if (!dialog) return;
    const int w = dialog->w, h = dialog->h;
    control_set_position(dialog, fx, fy);
    control_set_size(dialog, fw, fh);
    control_move_to(dialog, (ui_screen_width() - w) / 2, (ui_screen_height() - h) / 2, DIALOG_FROM_BUTTON_MS);
    panel_resize_to(dialog, w, h, DIALOG_FROM_BUTTON_MS);
    game_flush_new_controls(g);
}

void galaxy_marker_on_encounter(Control *marker) {
    Encounter *enc = live_encounter(marker ? marker->user_data : nullptr);
    if (!enc) return;
    galaxy_show_encounter(enc);
    sound_play(SOUND_OPEN_PANEL);
}

void galaxy_encounter_marker_on_enter(Control *marker) {
    const GalaxyScreen *s = galaxy_screen();
    const Encounter *enc = live_encounter(marker ? marker->user_data : nullptr);
    if (!enc) return;
    if (!s->selected && s->encounter_panel_id == enc->id && galaxy_object_panel_is_open(GALAXY_PANEL_ENCOUNTER)) return;
    if (ColourFade *tint = icon_tint(marker)) colour_fade_set(tint, ICON_HOVER_R, ICON_HOVER_G, ICON_HOVER_B);
    hover_show_battle(marker, enc);
}

void galaxy_encounter_marker_on_leave(Control *marker) {
    if (!marker) return;
    if (ColourFade *tint = icon_tint(marker))
        colour_fade_start(tint, ICON_DIM_R, ICON_DIM_G, ICON_DIM_B, ICON_LIT_R, ICON_LIT_G, ICON_LIT_B, ICON_PULSE_MS, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    if (Control *hover = galaxy_screen()->hover_panel) control_set_hidden(hover, false);
}

// ---- The dialog's slots ----

void galaxy_encounter_on_pick_row(Control *dialog) {
    Encounter *enc = live_encounter(dialog ? dialog->user_data : nullptr);
    const Player *side = enc ? encounter_dialog_picked_side(dialog) : nullptr;
    if (!side) return;
    Control *panel = galaxy_object_panel_open(GALAXY_PANEL_ENCOUNTER_INFO);
    if (!panel) return;
    battle_group_panel_build(panel, enc, side->id);
    panel_set_slot(panel, BATTLE_GROUP_SLOT_SHIP_PICK, galaxy_encounter_detail_on_pick);
    open_beside_panel(panel, dialog);
    game_flush_new_controls(game_get());
}

void galaxy_encounter_detail_on_pick(Control *group) {
    Encounter *enc = live_encounter(battle_group_panel_encounter(group));
    Ship *ship = ship_of(battle_group_panel_picked_ship(group));
    if (!enc || !ship) return;
    const bool machine = label_machine_ship(ship);
    Control *panel = galaxy_object_panel_open(GALAXY_PANEL_SHIP);
    if (!panel) return;
    galaxy_object_panel_set_object(panel, ship);
    galaxy_show_ship_panel(panel, ship, game_get()->ui_player);
    if (machine) ship_details_set_title(panel, ship->owner_label.c_str());
    open_beside_panel(panel, group);
    sound_play(SOUND_OPEN_PANEL);
    game_flush_new_controls(game_get());
}

void galaxy_encounter_on_hold(Control *) {
    galaxy_hover_set(nullptr);
    galaxy_bar_layout(0);
    galaxy_side_panels_close();
    galaxy_bar_hide_action_buttons();
    galaxy_flags_change(0, GALAXY_FLAG_TURN_IN_PROGRESS);
}

void galaxy_encounter_on_resolve(Control *dialog) {
    Game *g = game_get();
    Encounter *enc = live_encounter(dialog ? dialog->user_data : nullptr);
    if (!enc) return;
    if (enc->flags & ENCOUNTER_FLAG_DIRTY) encounter_rebuild_index(enc);
    bool engaged = false;
    for (int32_t i = 0, n = encounter_side_count(enc); i < n && !engaged; ++i) {
        const uint64_t owner = encounter_get_side(enc, i);
        if (game_find_player(g, owner)) engaged = encounter_get_side_choice(enc, owner) != 0;
    }
    if (engaged) {
        game_set_current_encounter(g, enc);
        galaxy_flags_change(GALAXY_FLAG_TURN_IN_PROGRESS, 0);
        return;
    }
    remove_encounter_marker(enc);
    game_finish_encounter(g, enc->id);   // may free the battle: it is not touched after this
    game_flash_panel_frame(g, dialog);
    galaxy_select_object(nullptr);
    galaxy_object_panels_close();
    galaxy_markers_refresh();
    galaxy_bar_update_action_button();
    galaxy_flags_change(GALAXY_FLAG_TURN_IN_PROGRESS, 0);
}

// ---- Tab ----

Encounter *galaxy_waiting_battle() {
    Game *g = game_get();
    if (!(galaxy_flags() & GALAXY_FLAG_ENCOUNTERS_PENDING) || (galaxy_flags() & GALAXY_FLAG_AI_ENCOUNTERS_RUNNING)) return nullptr;
    for (int32_t i = 0, n = game_encounter_count(g); i < n; ++i) {
        Encounter *enc = game_encounter_at(g, i);
        if (enc && !encounter_is_finished(enc) && encounter_has_side(enc, g->ui_player_id)) return enc;
    }
    return nullptr;
}

bool galaxy_refuse_turn_for_battle() {
    Encounter *enc = galaxy_waiting_battle();
    if (!enc) return false;
    galaxy_flags_change(GALAXY_FLAG_AUTO_PASS, 0);
    galaxy_bar_update_action_button();
    if (galaxy_flags() & GALAXY_FLAG_STARMAP_VIEW) {
        if (!galaxy_object_panel_is_open(GALAXY_PANEL_ENCOUNTER)) sound_play(SOUND_OPEN_PANEL);
        galaxy_show_encounter(enc);
    }
    if (Control *button = galaxy_screen()->next_turn_button) image_control_tooltip_show(button);
    return true;
}

void galaxy_cycle_next() {
    GalaxyScreen *s = galaxy_screen();
    const std::vector<CycleItem> items = cycle_candidates();
    if (items.empty()) {
        galaxy_object_panels_close();
        s->cycle_index = -1;
        return;
    }
    ++s->cycle_index;
    if (s->cycle_index < 0 || s->cycle_index >= int32_t(items.size())) s->cycle_index = 0;
    const CycleItem &item = items[size_t(s->cycle_index)];
    if (item.encounter) {
        galaxy_show_encounter(item.encounter);
        sound_play(SOUND_OPEN_PANEL);
    } else {
        open_cycle_object(item.object);
    }
}
