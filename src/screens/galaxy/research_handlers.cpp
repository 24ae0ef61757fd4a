// The galaxy screen's research handlers: the tech detail panel opened from the Technology list, and
// the panel's Research, Pause, Prioritize and Resume.
#include "screens/galaxy/research_handlers.h"

#include <cstdint>

#include "game/game.h"
#include "game/orders.h"
#include "game/player.h"
#include "game/tech.h"
#include "platform/log.h"
#include "platform/sound.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/research/tech_detail_panel.h"
#include "screens/research/tech_list.h"
#include "ui/control.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"

namespace {

constexpr int PANEL_GAP = 6;          // between the list and the detail panel

Player *ui_player() { return game_get()->ui_player; }
Control *tech_list() { return galaxy_screen()->side_panels[GALAXY_LIST_TECH]; }

// After an action: the detail panel goes out of sight and the list shows the tech's new state.
void finish_action(Control *panel, int32_t tech) {
    if (panel) control_set_hidden(panel, false);
    tech_list_select(tech_list(), tech);
}

// The detail panel grows out of the list's rectangle to its own size beside the list, bottoms
// aligned.
void grow_beside(Control *panel, const Control *list) {
    const int w = panel->w, h = panel->h;
    panel_set_anchor_mode(panel, PANEL_ANCHOR_NONE);
    control_set_position(panel, list->x, list->y);
    control_set_size(panel, list->w, list->h);
    control_move_to(panel, list->x + list->w + PANEL_GAP, list->y + list->h - h, GALAXY_PANEL_GROW_MS);
    panel_resize_to(panel, w, h, GALAXY_PANEL_GROW_MS);
}

}  // namespace

void galaxy_tech_list_on_select(Control *list) {
    const TechListState *state = tech_list_state(list);
    Player *player = state ? state->player : nullptr;
    if (!player || !tech_get(state->chosen)) return;
    const int32_t tech = state->chosen;
    // The same tech's panel in sight stays; one hidden by an action is built anew.
    Control *shown = galaxy_object_panel_find(GALAXY_PANEL_TECH_DETAIL);
    if (shown && control_is_shown(shown) && tech_detail_tech(shown) == tech) return;

    GalaxyScreen *s = galaxy_screen();
    galaxy_select_object(nullptr);
    galaxy_object_panels_close();
    if (s->centre_panel) control_set_hidden(s->centre_panel, false);
    Control *panel = galaxy_object_panel_open(GALAXY_PANEL_TECH_DETAIL);
    if (!panel) return;
    tech_detail_build(panel, tech, player);
    panel_set_slot(panel, TECH_DETAIL_SLOT_RESEARCH, galaxy_tech_on_start);
    panel_set_slot(panel, TECH_DETAIL_SLOT_PAUSE, galaxy_tech_on_pause);
    panel_set_slot(panel, TECH_DETAIL_SLOT_PRIORITIZE, galaxy_tech_on_prioritize);
    panel_set_slot(panel, TECH_DETAIL_SLOT_RESUME, galaxy_tech_on_resume);
    grow_beside(panel, list);
    s->screen_flags.fetch_or(GALAXY_FLAG_OBJECT_PANEL_SHOWN);
    sound_play(SOUND_CLICK);
}

void galaxy_tech_on_start(Control *panel) {
    Player *player = ui_player();
    const int32_t tech = tech_detail_tech(panel);
    const TechInfo *info = tech_get(tech);
    if (!player || !info) return;
    const Result r = order_research(player, tech);
    if (r == RES_INSUFFICIENT_CREDITS) return;   // the panel stays open
    if (r != RES_OK) {
        log_write(LOG_GAME, LOG_WARN, "Failed to start tech research for player #%llu tech type %i (%i)",
                  static_cast<unsigned long long>(player->id), int(tech), int(r));
    } else {
        sound_play(SOUND_PURCHASE);
    }
    finish_action(panel, tech);
}

void galaxy_tech_on_pause(Control *panel) {
    Player *player = ui_player();
    const int32_t tech = tech_detail_tech(panel);
    if (!player) return;
    const int32_t r = player_pause_research(player, tech);
    if (r != RES_OK)
        log_write(LOG_GAME, LOG_WARN, "Failed to pause tech research for player #%llu tech type %i (%i)",
                  static_cast<unsigned long long>(player->id), int(tech), int(r));
    finish_action(panel, tech);
}

void galaxy_tech_on_prioritize(Control *panel) {
    Player *player = ui_player();
    const int32_t tech = tech_detail_tech(panel);
    if (!player) return;
    player_prioritize_research(player, tech);   // refused quietly
    finish_action(panel, tech);
}

void galaxy_tech_on_resume(Control *panel) {
    Player *player = ui_player();
    const int32_t tech = tech_detail_tech(panel);
    if (!player) return;
    const int32_t r = player_resume_research(player, tech);
    if (r != RES_OK)
        log_write(LOG_GAME, LOG_WARN, "Failed to resume tech research for player #%llu tech type %i (%i)",
                  static_cast<unsigned long long>(player->id), int(tech), int(r));
    finish_action(panel, tech);
}
