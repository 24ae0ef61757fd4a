// The galaxy screen's site handlers: the site panel's slots, the facility build and defence
// upgrade panels' "Build", and the opening of the site panel itself.
#include "screens/galaxy/site_production.h"

#include <algorithm>
#include <string>

#include "game/encounter_life.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/orders.h"
#include "game/player.h"
#include "platform/sound.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/design_handlers.h"
#include "screens/galaxy/galaxy_local.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/galaxy/officer_handlers.h"
#include "screens/ships/ship_details.h"
#include "screens/officers/officer_choice.h"
#include "screens/sites/facility_panels.h"
#include "screens/sites/officer_pool.h"
#include "screens/sites/site_panel.h"
#include "ui/game_controls.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"
#include "world/sector.h"
#include "world/site.h"
#include "world/site_feature.h"

// The selected map object when it is a site.
Site *galaxy_selected_site() { return site_cast(galaxy_screen()->selected); }

namespace {

constexpr int32_t REOPEN_OPTIONS = SITE_PANEL_ANIMATE | SITE_PANEL_CLOSE;
constexpr int STARBASE_HALT_MS = 120;
constexpr int MARGIN_NEAR = 4;
constexpr int MARGIN_WIDE = 12;

galaxy_detail::Rect rect_on_screen(const Control *c) {
    galaxy_detail::Rect r;
    if (!c) return r;
    control_get_screen_position(c, &r.x, &r.y);
    r.w = c->w;
    r.h = c->h;
    return r;
}

// The panel grows from an eighth of its size where it stands, or moves and grows from `from`.
void grow_in_from(Control *panel, const galaxy_detail::Rect *from, int ms) {
    const int w = panel->w, h = panel->h;
    if (from && from->w > 0) {
        const int x = panel->x, y = panel->y;
        control_set_position(panel, from->x, from->y);
        control_set_size(panel, std::max(from->w, 1), std::max(from->h, 1));
        control_move_to(panel, x, y, ms);
    } else {
        control_set_size(panel, std::max(w / 8, 1), std::max(h / 8, 1));
    }
    panel_resize_to(panel, w, h, ms);
}

Control *reopen(Site *site, int margin, const galaxy_detail::Rect *from, int ms) {
    Control *panel = galaxy_object_panel_open(GALAXY_PANEL_SITE);
    if (!panel) return nullptr;
    galaxy_object_panel_set_object(panel, site);
    galaxy_show_site_panel(panel, site, REOPEN_OPTIONS);
    galaxy_place_panel_beside(panel, site, margin);
    grow_in_from(panel, from, ms);
    game_flush_new_controls(game_get());
    return panel;
}

// An object panel opened over the site panel; place_beside_site then puts it beside the site, grown
// from the site panel's rectangle.
Control *open_beside(int32_t id) { return galaxy_object_panel_open(id); }

void place_beside_site(Control *panel, Control *site_panel, GameObject *site) {
    const galaxy_detail::Rect from = rect_on_screen(site_panel);
    galaxy_place_panel_beside(panel, site, MARGIN_WIDE);
    grow_in_from(panel, &from, GALAXY_PANEL_GROW_MS);
    game_flush_new_controls(game_get());
}

bool open_officer(Control *site_panel, Officer *officer) {
    Site *site = site_panel_site(site_panel);
    if (!officer || !site) return false;
    Control *panel = open_beside(GALAXY_PANEL_OFFICER);
    if (!panel) return false;
    galaxy_officer_panel_build(panel, officer);
    place_beside_site(panel, site_panel, site);
    return true;
}

void rush(Control *) {
    Site *site = galaxy_selected_site();
    if (!site || order_rush(game_get()->ui_player, site) != RES_OK) return;
    galaxy_object_panels_close();
    galaxy_markers_refresh();
    sound_play(SOUND_PURCHASE);
}

void halt(Control *pressed, bool starbase) {
    Site *site = galaxy_selected_site();
    if (!site || order_halt(game_get()->ui_player, site) != RES_OK) return;
    galaxy_markers_refresh();
    const galaxy_detail::Rect from = rect_on_screen(pressed);
    if (starbase) {
        game_purge_removed_objects(game_get());
        // The new panel takes the pressed one's place on the stack.
        GalaxyScreen *s = galaxy_screen();
        if (pressed && s->panel_top >= 0) --s->panel_top;
        if (pressed) control_remove(pressed);
        reopen(site, MARGIN_WIDE, &from, STARBASE_HALT_MS);
    } else {
        galaxy_object_panels_close();
        reopen(site, MARGIN_NEAR, &from, GALAXY_PANEL_GROW_MS);
    }
}

// Lays down a facility (kind) or the defence upgrade (-1) at the selected starbase, paid first.
void build_at_starbase(int32_t kind, int margin) {
    Site *site = galaxy_selected_site();
    if (!site) return;
    // The panel offered "Build", but the credits may have gone since: then the panel stays. Any
    // other refusal (under construction, crew short) costs nothing and shows the site again.
    const Result r = order_produce(game_get()->ui_player, site, kind, 0);
    if (r == RES_INSUFFICIENT_CREDITS || r == RES_NOT_OWNER) return;
    galaxy_markers_refresh();
    galaxy_object_panels_close();
    sound_play(SOUND_PURCHASE);
    reopen(site, margin, nullptr, GALAXY_PANEL_GROW_MS);
}

void clear_selection_and_panels() {
    galaxy_select_object(nullptr);
    galaxy_object_panels_close();
}

}  // namespace

// ---- The site panel ----

void galaxy_show_site_panel(Control *panel, GameObject *object, int32_t options) {
    Site *site = site_cast(object);
    if (!panel) return;
    if (!site) {
        control_remove(panel);
        return;
    }
    const Game *g = game_get();
    int32_t flags = options;
    // Another player's site is shown, never commanded, whatever its sector holds; a body nobody
    // owns takes the viewer's picks while no rival is in its sector.
    if (order_check_owner(g->ui_player, site) == RES_OK) {
        flags |= SITE_PANEL_INTERACTIVE;
    } else if (site->owner_id == 0 && !(site->params.template_flags & SITE_TF_BUILDABLE)) {
        const Sector *sector = sector_find(site->sector_id);
        if (sector && sector_count_other_owners(sector, g->ui_player_id) <= 0) flags |= SITE_PANEL_INTERACTIVE;
    }
    site_panel_build(panel, site, flags);
    galaxy_site_panel_set_handlers(panel);
}

void galaxy_site_panel_set_handlers(Control *panel) {
    static constexpr ControlFn HANDLERS[SITE_PANEL_SLOT_COUNT] = {
        galaxy_site_on_pick_facility, galaxy_site_on_rush_starbase, galaxy_site_on_halt_starbase,
        galaxy_site_on_pick_officer,  galaxy_site_on_commander_click, galaxy_site_on_pick_design,
        galaxy_site_on_rush_shipyard, galaxy_site_on_halt_shipyard,  galaxy_select_target,
        galaxy_site_on_deactivate,    galaxy_site_on_activate,        galaxy_site_on_pick_recruit,
        galaxy_site_on_rush_training, galaxy_site_on_halt_training,  galaxy_site_on_pick_ship,
    };
    for (int slot = 0; slot < SITE_PANEL_SLOT_COUNT; ++slot) panel_set_slot(panel, slot, HANDLERS[slot]);
}

Control *galaxy_site_panel_reopen(Site *site, int32_t margin, Control *from, int32_t ms) {
    if (!site) return nullptr;
    const galaxy_detail::Rect rect = rect_on_screen(from);
    return reopen(site, margin, from ? &rect : nullptr, ms);
}

void galaxy_site_on_rush_starbase(Control *panel) { rush(panel); }
void galaxy_site_on_rush_shipyard(Control *panel) { rush(panel); }
void galaxy_site_on_rush_training(Control *panel) { rush(panel); }
void galaxy_site_on_halt_starbase(Control *control) { halt(control, true); }
void galaxy_site_on_halt_shipyard(Control *control) { halt(control, false); }
void galaxy_site_on_halt_training(Control *control) { halt(control, false); }

void galaxy_site_on_deactivate(Control *) {
    Site *site = galaxy_selected_site();
    if (!site) return;
    if (site->subtype == SITE_HARVESTER && !site_is_deactivated(site)) site_set_deactivated(site, 1);
    clear_selection_and_panels();
}

void galaxy_site_on_activate(Control *) {
    Site *site = galaxy_selected_site();
    if (!site) return;
    site_set_deactivated(site, 0);
    clear_selection_and_panels();
}

void galaxy_site_on_pick_facility(Control *site_panel) {
    Site *site = galaxy_selected_site();
    if (!site || !site_panel_state(site_panel)) return;
    Control *panel = nullptr;
    if (site_panel_defense_row(site_panel)) {
        if ((panel = open_beside(GALAXY_PANEL_DEFENSE))) {
            defense_upgrade_panel_build(panel, galaxy_screen()->selected);
            panel_set_slot(panel, FACILITY_PANEL_SLOT_BUILD, galaxy_site_on_build_defense);
        }
    } else {
        GameObject *entry = site_panel_picked_object(site_panel);
        if (!entry) return;
        if ((panel = open_beside(GALAXY_PANEL_FACILITY_BUILD))) {
            facility_panel_build(panel, entry, game_get()->ui_player_id, site->sector_id);   // priced where it is built
            panel_set_slot(panel, FACILITY_PANEL_SLOT_BUILD, galaxy_facility_on_build);
        }
    }
    if (!panel) return;
    place_beside_site(panel, site_panel, site);
    sound_play(SOUND_CLICK);
}

void galaxy_site_on_pick_officer(Control *site_panel) { open_officer(site_panel, site_panel_picked_officer(site_panel)); }

void galaxy_site_on_pick_recruit(Control *site_panel) {
    if (open_officer(site_panel, site_panel_picked_officer(site_panel))) sound_play(SOUND_CLICK);
}

void galaxy_site_on_commander_click(Control *site_panel) {
    Site *site = site_panel_site(site_panel);
    if (!site) return;
    if (site->commander) {
        open_officer(site_panel, site->commander);
        return;
    }
    Control *dialog = open_beside(GALAXY_PANEL_ASSIGN_BASE);
    if (!dialog) return;
    officer_choice_build(dialog, site, OFFICER_CHOICE_ANIMATE);
    panel_set_slot(dialog, OFFICER_CHOICE_SLOT_PICK, galaxy_assign_base_officer_on_pick);
    panel_set_slot(dialog, OFFICER_CHOICE_SLOT_BACK, galaxy_assign_base_officer_on_back);
    place_beside_site(dialog, site_panel, site);
}

void galaxy_site_on_pick_ship(Control *site_panel) {
    Site *site = site_panel_site(site_panel);
    GameObject *ship = site_panel_picked_object(site_panel);
    if (!site || !ship) return;
    Control *panel = open_beside(GALAXY_PANEL_SHIP);
    if (!panel) return;
    galaxy_object_panel_set_object(panel, ship);
    galaxy_show_ship_panel(panel, ship, game_get()->ui_player);
    if (site->feature) {   // the defenders go by their group's name, not their owner's
        std::string group;
        feature_ark_name(site, &group);
        ship_details_set_title(panel, group.c_str());
    }
    place_beside_site(panel, site_panel, site);
    sound_play(SOUND_OPEN_PANEL);
}

// ---- The facility build and defence upgrade panels ----

void galaxy_facility_on_build(Control *panel) {
    const GameObject *object = panel ? static_cast<GameObject *>(panel->user_data) : nullptr;
    if (!object || object->kind != OBJECT_SITE) return;
    build_at_starbase(object->subtype, MARGIN_WIDE);
}

void galaxy_site_on_build_defense(Control *) { build_at_starbase(-1, MARGIN_NEAR); }
