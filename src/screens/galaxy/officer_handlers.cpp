// The galaxy screen's officer handlers: moving officers between ship commands, starbase commands
// and starbase pools, training a cadet, and the officer panels that open one another in place.
#include "screens/galaxy/officer_handlers.h"

#include <algorithm>

#include "game/game.h"
#include "game/officer.h"
#include "game/orders.h"
#include "game/player.h"
#include "platform/sound.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/galaxy/ship_commands.h"
#include "screens/officers/commanding_officer_panel.h"
#include "screens/officers/officer_detail_panel.h"
#include "screens/officers/officers_list.h"
#include "screens/officers/officer_choice.h"
#include "screens/sites/officer_pool.h"
#include "screens/sites/site_panel.h"
#include "ui/game_controls.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int SITE_PANEL_RESIZE_MS = 100;
constexpr int SITE_PANEL_MARGIN = 4;
constexpr int SITE_PANEL_OPTIONS = SITE_PANEL_ANIMATE | SITE_PANEL_CLOSE;
constexpr int SITE_PANEL_REBUILD_OPTIONS = SITE_PANEL_CLOSE;
constexpr int LIST_GAP = 6;
constexpr int FROM_OFFICERS_LIST = 1;   // the officer panel's value when the Officers list opened it

Site *starbase_of(const Sector *sector) {
    return sector && sector->site_counts[SITE_STARBASE] > 0 ? sector_find_site_of_kind(sector, SITE_STARBASE) : nullptr;
}

// Opens an object panel in the place of another on the stack: the depth goes down by one first,
// the old panel is removed, and the new one grows from the old one's rectangle to be centred on it.
Control *open_in_place_of(Control *old, int32_t id) {
    GalaxyScreen *s = galaxy_screen();
    if (old && s->panel_top >= 0) --s->panel_top;
    if (old) control_remove(old);
    return galaxy_object_panel_open(id);
}

struct PanelRect {
    int x, y, w, h;
};
PanelRect panel_rect_of(const Control *c) { return {c->x, c->y, c->w, c->h}; }

void grow_from(Control *panel, const PanelRect *old) {
    if (!panel) return;
    const int w = panel->w, h = panel->h;
    control_set_position(panel, old->x, old->y);
    control_set_size(panel, std::max(old->w, 1), std::max(old->h, 1));
    control_move_to(panel, old->x + old->w / 2 - w / 2, old->y + old->h / 2 - h / 2, GALAXY_PANEL_MOVE_MS);
    panel_resize_to(panel, w, h, GALAXY_PANEL_MOVE_MS);
}

// The officer panel for the officer, in the place of `old`.
void reopen_officer_panel(Control *old, Officer *officer) {
    const PanelRect where = panel_rect_of(old);
    Control *panel = open_in_place_of(old, GALAXY_PANEL_OFFICER);
    if (!panel) return;
    galaxy_officer_panel_build(panel, officer);
    grow_from(panel, &where);
    game_flush_new_controls(game_get());
}

Site *selected_own_site() {
    Site *site = site_cast(galaxy_screen()->selected);
    return site && site->owner_id != 0 && site->owner_id == game_get()->ui_player_id ? site : nullptr;
}

void refresh_after_assignment(Site *base_involved) {
    if (base_involved)
        if (Control *site_panel = galaxy_object_panel_find(GALAXY_PANEL_SITE)) {
            const int w = site_panel->w, h = site_panel->h;
            galaxy_show_site_panel(site_panel, static_cast<GameObject *>(site_panel->user_data), SITE_PANEL_REBUILD_OPTIONS);
            const int nw = site_panel->w, nh = site_panel->h;
            control_set_size(site_panel, w, h);
            panel_resize_to(site_panel, nw, nh, SITE_PANEL_RESIZE_MS);
        }
    // A ship panel, list or fleet on the screen shows its new commander (and its crew, which may
    // have moved with the officers).
    galaxy_refresh_ship_views();
    galaxy_markers_refresh();
    // The Officers list shows every officer's post.
    Control *officers = galaxy_screen()->side_panels[GALAXY_LIST_OFFICERS];
    if (officers && control_is_shown(officers)) officers_list_refresh(officers);
}

}  // namespace

void galaxy_assign_officer(Officer *officer, GameObject *target, int32_t as_commander) {
    if (!officer || !target) return;
    // A starbase takes part as the post or as the one the officer leaves: its panel shows the change.
    Site *to_base = site_cast(target);
    Site *from_base = officer->ship_id ? nullptr : starbase_of(sector_find(officer->sector_id));
    if (order_post_officer(game_get()->ui_player, officer, target, as_commander != 0) != RES_OK) return;
    refresh_after_assignment(to_base ? to_base : from_base);
}

// ---- The Assign Officer dialogs ----

void galaxy_assign_base_officer_on_pick(Control *dialog) {
    Officer *officer = officer_choice_picked(dialog);
    GameObject *target = officer_choice_target(dialog);
    if (!officer || !target) return;
    galaxy_assign_officer(officer, target, 1);
    game_flash_panel_frame(game_get(), dialog);
    control_remove(dialog);
}

void galaxy_assign_base_officer_on_back(Control *dialog) {
    const Site *base = site_cast(officer_choice_target(dialog));
    if (!dialog) return;
    if (base && base->commander) {
        reopen_officer_panel(dialog, base->commander);
        return;
    }
    control_remove(dialog);
}

void galaxy_assign_ship_officer_on_pick(Control *dialog) {
    Officer *officer = officer_choice_picked(dialog);
    GameObject *target = officer_choice_target(dialog);
    if (!officer || !target) return;
    galaxy_assign_officer(officer, target, 0);
    game_flash_panel_frame(game_get(), dialog);
    control_remove(dialog);
}

void galaxy_assign_ship_officer_on_back(Control *dialog) {
    const Ship *ship = ship_of(officer_choice_target(dialog));
    if (!dialog) return;
    if (ship && ship->pilot) {
        reopen_officer_panel(dialog, ship->pilot);
        return;
    }
    control_remove(dialog);
}

// ---- The officer panel ----

void galaxy_officer_panel_set_handlers(Control *panel) {
    panel_set_slot(panel, OFFICER_DETAIL_PANEL_SLOT_TRAIN, galaxy_officer_on_train);
    panel_set_slot(panel, OFFICER_DETAIL_PANEL_SLOT_REASSIGN, galaxy_officer_on_reassign);
    panel_set_slot(panel, OFFICER_DETAIL_PANEL_SLOT_REPLACE, galaxy_officer_on_replace);
}

void galaxy_officer_on_train(Control *panel) {
    Officer *officer = officer_detail_panel_officer(panel);
    Site *site = selected_own_site();
    Player *ui = game_get()->ui_player;
    if (!officer || !site || !ui) return;
    // Training or resuming at the price the panel showed; a refused order costs nothing and the
    // site panel shows the site again all the same.
    (void)order_produce(ui, site, 0, officer->id);
    galaxy_markers_refresh();
    galaxy_object_panels_close();
    if (Control *site_panel = galaxy_object_panel_open(GALAXY_PANEL_SITE)) {
        galaxy_object_panel_set_object(site_panel, site);
        galaxy_show_site_panel(site_panel, site, SITE_PANEL_OPTIONS);
        galaxy_place_panel_beside(site_panel, site, SITE_PANEL_MARGIN);
        const int w = site_panel->w, h = site_panel->h;
        control_set_size(site_panel, std::max(w / 8, 1), std::max(h / 8, 1));
        panel_resize_to(site_panel, w, h, GALAXY_PANEL_MOVE_MS);
    }
    sound_play(SOUND_PURCHASE);
    game_flush_new_controls(game_get());
}

void galaxy_officer_on_replace(Control *panel) {
    Officer *officer = officer_detail_panel_officer(panel);
    if (!officer) return;
    Ship *ship = officer->ship_id ? ship_of(game_find_object(game_get(), officer->ship_id)) : nullptr;
    Site *base = ship || !officer->site_id ? nullptr : starbase_of(sector_find(officer->sector_id));
    if (!ship && !base) return;
    const PanelRect where = panel_rect_of(panel);
    Control *dialog = open_in_place_of(panel, ship ? GALAXY_PANEL_ASSIGN_SHIP : GALAXY_PANEL_ASSIGN_BASE);
    if (!dialog) return;
    if (ship) {
        officer_choice_build(dialog, ship, OFFICER_CHOICE_ANIMATE | OFFICER_CHOICE_CANCEL);
        panel_set_slot(dialog, OFFICER_CHOICE_SLOT_PICK, galaxy_assign_ship_officer_on_pick);
        panel_set_slot(dialog, OFFICER_CHOICE_SLOT_BACK, galaxy_assign_ship_officer_on_back);
    } else {
        officer_choice_build(dialog, base, OFFICER_CHOICE_ANIMATE | OFFICER_CHOICE_CANCEL);
        panel_set_slot(dialog, OFFICER_CHOICE_SLOT_PICK, galaxy_assign_base_officer_on_pick);
        panel_set_slot(dialog, OFFICER_CHOICE_SLOT_BACK, galaxy_assign_base_officer_on_back);
    }
    grow_from(dialog, &where);
    game_flush_new_controls(game_get());
}

void galaxy_officer_on_reassign(Control *panel) {
    Officer *officer = officer_detail_panel_officer(panel);
    if (!officer) return;
    const PanelRect where = panel_rect_of(panel);
    const int32_t came_from = panel_of(panel) ? panel_of(panel)->value : -1;
    officer_retain(officer);   // the officer panel goes before the new one holds it
    Control *commanding = open_in_place_of(panel, GALAXY_PANEL_COMMANDER);
    if (commanding) {
        commanding_officer_panel_build(commanding, officer);
        panel_set_slot(commanding, COMMANDING_SLOT_PICK, galaxy_reassign_on_pick);
        panel_set_slot(commanding, COMMANDING_SLOT_BACK, galaxy_reassign_on_back);
        panel_of(commanding)->value = came_from;
        grow_from(commanding, &where);
        game_flush_new_controls(game_get());
    }
    officer_release(officer);
}

// ---- The commanding officer panel ----

void galaxy_reassign_on_pick(Control *panel) {
    CommandingOfficerState *state = commanding_officer_panel_state(panel);
    if (!state || !state->officer) return;
    int32_t as_commander = 0;
    GameObject *target = commanding_officer_panel_target(panel, &as_commander);
    if (!target) return;
    Officer *officer = state->officer;
    officer_retain(officer);
    galaxy_assign_officer(officer, target, as_commander);
    Control *list = galaxy_screen()->side_panels[GALAXY_LIST_OFFICERS];
    const bool from_list = panel_of(panel)->value == FROM_OFFICERS_LIST && list && control_is_shown(list);
    if (from_list) {
        const PanelRect where = panel_rect_of(panel);
        Control *officer_panel = open_in_place_of(panel, GALAXY_PANEL_OFFICER);
        if (officer_panel) {
            galaxy_officer_panel_build(officer_panel, officer);
            panel_of(officer_panel)->value = FROM_OFFICERS_LIST;
            control_set_position(officer_panel, where.x, where.y);   // from where the post was picked
            control_move_to(officer_panel, list->x + list->w + LIST_GAP, list->y + list->h - officer_panel->h,
                            GALAXY_PANEL_MOVE_MS);
            game_flush_new_controls(game_get());
        }
    } else {
        game_flash_panel_frame(game_get(), panel);
        control_remove(panel);
    }
    officer_release(officer);
}

void galaxy_reassign_on_back(Control *panel) {
    CommandingOfficerState *state = commanding_officer_panel_state(panel);
    if (!state || !state->officer) return;
    Officer *officer = state->officer;
    officer_retain(officer);
    reopen_officer_panel(panel, officer);
    officer_release(officer);
}
