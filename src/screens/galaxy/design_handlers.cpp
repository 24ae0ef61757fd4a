// The galaxy screen's design handlers: a shipyard's design pick opens the summary or the design
// panel; the summary builds, scraps and edits; the design panel hands over a new or edited design.
#include "screens/galaxy/design_handlers.h"

#include <algorithm>

#include "game/game.h"
#include "game/orders.h"
#include "game/player.h"
#include "platform/sound.h"
#include "platform/str.h"
#include "screens/design/design_editor.h"
#include "screens/design/design_summary_panel.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/galaxy/site_production.h"
#include "screens/sites/site_choosers.h"
#include "screens/sites/site_panel.h"
#include "ui/control.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"
#include "ui/ui_draw.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int SITE_MARGIN = 4;

Site *own_selected_site() {
    Site *site = galaxy_selected_site();
    return site && game_get() && site->owner_id != 0 && site->owner_id == game_get()->ui_player_id ? site : nullptr;
}

// Within the area where object panels go (clear of the status bar and the command bar): a panel
// that would pass an edge is pushed back inside; one larger than the area keeps its top left.
int clamp_into(int at, int size, int first, int last) { return std::max(first, std::min(at, last + 1 - size)); }

// Beside the anchor: right of its middle, or left of it past the middle of the screen; grown from
// the anchor's rectangle over 200 ms.
void place_beside_anchor(Control *panel, Control *anchor) {
    if (!panel) return;
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    w = std::max(w, panel->w);
    h = std::max(h, panel->h);
    GalaxyRect area = galaxy_screen()->panel_area;
    if (area.x2 <= area.x1 || area.y2 <= area.y1) area = GalaxyRect{0, 0, ui_screen_width() - 1, ui_screen_height() - 1};
    if (!anchor) {
        control_set_position(panel, clamp_into(ui_screen_width() / 2 - w / 2, w, area.x1, area.x2),
                             clamp_into(ui_screen_height() / 2 - h / 2, h, area.y1, area.y2));
        return;
    }
    int ax = 0, ay = 0;
    control_get_screen_position(anchor, &ax, &ay);
    int x = ax + anchor->w / 2;
    if (x > ui_screen_width() / 2) x = ax - w;
    int y = ay + anchor->h / 2;
    x = clamp_into(x, w, area.x1, area.x2);
    y = clamp_into(y, h, area.y1, area.y2);
    control_set_position(panel, ax, ay);
    control_set_size(panel, std::max(anchor->w, 1), std::max(anchor->h, 1));
    control_move_to(panel, x, y, GALAXY_PANEL_MOVE_MS);
    panel_resize_to(panel, w, h, GALAXY_PANEL_MOVE_MS);
}

void fill_summary_slots(Control *summary) {
    panel_set_slot(summary, DESIGN_SUMMARY_SLOT_SCRAP, galaxy_design_on_scrap);
    panel_set_slot(summary, DESIGN_SUMMARY_SLOT_BUILD, galaxy_design_on_build);
    panel_set_slot(summary, DESIGN_SUMMARY_SLOT_EDIT, galaxy_design_on_edit);
}

// The summary of the design at the site takes `replaced`'s place on the object-panel stack.
void summary_in_place_of(Control *replaced, GameObject *design, Site *site) {
    GalaxyScreen *screen = galaxy_screen();
    if (screen->panel_top >= 0) --screen->panel_top;
    Control *summary = galaxy_object_panel_open(GALAXY_PANEL_DESIGN_SUMMARY);
    if (summary && design) {
        design_summary_build(summary, design, site);
        fill_summary_slots(summary);
        Control *site_panel = galaxy_object_panel_find(GALAXY_PANEL_SITE);
        place_beside_anchor(summary, site_panel ? site_panel : replaced);
    }
    if (replaced) control_remove(replaced);
}

}  // namespace

std::string galaxy_new_design_name() {
    const Player *ui = game_get() ? game_get()->ui_player : nullptr;
    return str_format("Mark-%i", ui ? ui->totals.design_counter : 1);
}

void galaxy_site_on_pick_design(Control *site_panel) {
    galaxy_design_open(site_panel_picked_object(site_panel), site_panel);
}

void galaxy_design_open(GameObject *design, Control *row) {
    Site *site = galaxy_selected_site();
    Game *g = game_get();
    if (!site || !g || !g->ui_player) return;
    if (design) {
        Control *summary = galaxy_object_panel_open(GALAXY_PANEL_DESIGN_SUMMARY);
        if (!summary) return;
        design_summary_build(summary, design, site);
        fill_summary_slots(summary);
        place_beside_anchor(summary, row);
    } else {
        Control *panel = galaxy_object_panel_open(GALAXY_PANEL_CONFIGURE);
        if (!panel) return;
        const uint64_t id = g->ui_player->id;
        design_configure_build(panel, galaxy_new_design_name().c_str(), uint32_t(id), uint32_t(id >> 32), DESIGN_OPTS_NEW);
        panel_set_slot(panel, DESIGN_EDITOR_SLOT_ACCEPTED, galaxy_design_on_new_accepted);
        place_beside_anchor(panel, row);
    }
    sound_play(SOUND_CLICK);
}

void galaxy_design_on_build(Control *summary) {
    Site *site = own_selected_site();
    GameObject *design = design_summary_get_design(summary);
    Player *ui = game_get() ? game_get()->ui_player : nullptr;
    if (!site || !design || !ui) return;
    // Charged the price the summary shows: the sector's price, or the saved cost when resuming.
    if (order_produce(ui, site, 0, design->id) != RES_OK) return;
    galaxy_markers_refresh();
    galaxy_object_panels_close();
    sound_play(SOUND_PURCHASE);
    galaxy_site_panel_reopen(site, SITE_MARGIN, nullptr, GALAXY_PANEL_MOVE_MS);
}

void galaxy_design_on_scrap(Control *summary) {
    Site *site = own_selected_site();
    GameObject *design = design_summary_get_design(summary);
    Player *ui = game_get() ? game_get()->ui_player : nullptr;
    if (!site || !design || !ui) return;
    player_remove_design(ui, design->id);
    galaxy_object_panels_close();
    if (Control *panel = galaxy_site_panel_reopen(site, SITE_MARGIN, nullptr, GALAXY_PANEL_MOVE_MS))
        chooser_reopen_design_list(panel);
}

void galaxy_design_on_edit(Control *summary) {
    Ship *design = ship_of(design_summary_get_design(summary));
    if (!galaxy_selected_site() || !design) return;
    GalaxyScreen *screen = galaxy_screen();
    if (screen->panel_top >= 0) --screen->panel_top;
    Control *panel = galaxy_object_panel_open(GALAXY_PANEL_CONFIGURE);
    if (!panel) return;
    design_configure_build(panel, design->ship_name.c_str(), uint32_t(design->owner_id), uint32_t(design->owner_id >> 32),
                           DESIGN_OPTS_EDIT);
    panel_set_slot(panel, DESIGN_EDITOR_SLOT_ACCEPTED, galaxy_design_on_edit_accepted);
    panel_set_slot(panel, DESIGN_EDITOR_SLOT_CANCELLED, galaxy_design_on_configured);
    design_configure_open(panel, design);
    Control *site_panel = galaxy_object_panel_find(GALAXY_PANEL_SITE);
    place_beside_anchor(panel, site_panel ? site_panel : summary);
    if (summary) control_remove(summary);
}

void galaxy_design_on_new_accepted(Control *configure) {
    Site *site = galaxy_selected_site();
    Ship *ship = design_get_ship(configure);
    Player *owner = ship ? game_find_player(game_get(), ship->owner_id) : nullptr;
    if (!site) return;
    if (owner) {
        player_add_design(owner, ship);
        design_release_ship(configure);
    }
    galaxy_object_panels_close();
    if (Control *panel = galaxy_site_panel_reopen(site, SITE_MARGIN, configure, GALAXY_PANEL_MOVE_MS))
        chooser_reopen_design_list(panel);
}

void galaxy_design_on_edit_accepted(Control *configure) {
    Site *site = galaxy_selected_site();
    if (!site) return;
    Ship *ship = design_get_ship(configure);
    const uint64_t edited = design_get_edited_id(configure);
    Player *owner = ship ? game_find_player(game_get(), ship->owner_id) : nullptr;
    if (!owner || !ship) {
        control_remove(configure);
        return;
    }
    // The edited design keeps its id: what refers to the design finds the new one.
    player_set_design(owner, ship, edited);
    design_release_ship(configure);
    uint64_t paused_id = 0;
    if (site_get_paused_production(site, nullptr, &paused_id, nullptr, nullptr) && paused_id == edited) site_clear_paused(site);
    if (Control *site_panel = galaxy_object_panel_find(GALAXY_PANEL_SITE)) chooser_refresh_design_list(site_panel);
    summary_in_place_of(configure, ship, site);
}

void galaxy_design_on_configured(Control *configure) {
    Site *site = galaxy_selected_site();
    Player *ui = game_get() ? game_get()->ui_player : nullptr;
    if (!site || !ui) return;
    summary_in_place_of(configure, player_get_design(ui, design_get_edited_id(configure)), site);
}
