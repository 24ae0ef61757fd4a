// Turn advance: the start of a galaxy turn, the three workers the turn flow runs and the auto-pass
// countdown bar.
//  - A worker is not started where it is asked for: the asker sets worker_pending and
//    frozen_picture_wanted, the next draw bakes the map into the working background, and the
//    next update starts it (galaxy_start_pending_worker). From then until the join the game thread
//    draws that picture and walks nothing the worker may touch.
//  - Each worker seeds its quick generator from GalaxyScreen::worker_seed (drawn here, on the game
//    thread) and sets its done bit as its very last write.
#include <SDL.h>

#include <algorithm>
#include <vector>
#include "game/encounter_life.h"
#include "game/galaxy_day.h"
#include "game/game.h"
#include "game/turn.h"
#include "effects/effect.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/galaxy/turn_progress.h"
#include "platform/list.h"
#include "screens/news/news_panel.h"
#include "ui/control.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"
#include "ui/value_bar.h"
#include "world/object_map.h"

namespace {

constexpr int COUNTDOWN_BAR_W = 160, COUNTDOWN_BAR_H = 12;
constexpr int COUNTDOWN_GROW_MS = 100;

SDL_Thread *sdl_create_thread(int (*body)(void *), void *arg) { return SDL_CreateThread(body, arg); }

GalaxyThreadCreator *g_create_thread = sdl_create_thread;

void set_flags_acq_rel(uint32_t bits) { galaxy_screen()->screen_flags.fetch_or(bits, std::memory_order_acq_rel); }

// Hidden, and neither pressed nor hovered: it comes back as if new.
void hide_panel(Control *panel) {
    if (!panel) return;
    control_set_hidden(panel, false);
    panel->flags &= ~CTRL_HOVERED;
}

// A worker body run on the game thread draws from the worker's seed as the thread would, and
// leaves the game thread's own sequence where it was.
void run_inline(int (*body)(void *)) {
    const uint64_t own = random_state();
    (void)body(nullptr);
    random_set_state(own);
}

// A news marker caught half way through its flashes would stand still in the frozen picture: a
// solid box over its sector for as long as the computer players think. The flashes end when a
// worker is requested, before the picture is taken.
void end_news_markers() {
    ObjectMap *map = game_get()->galaxy_map;
    if (!map) return;
    for (Effect *e : map->new_effects.items)
        if (e && e->type == EFFECT_ALERT_MARKER) e->state |= EFFECT_FINISHED;   // not drawn yet: freed by the next update
    bool ended = false;
    for (Effect *&slot : map->effects.items) {
        if (!slot || slot->type != EFFECT_ALERT_MARKER) continue;
        effect_free(slot);
        slot = nullptr;
        ended = true;
    }
    if (ended) list_compact(&map->effects);
}

// Controls that follow an object (markers, labels) read it every frame: while a worker changes
// the model they stand where they are, and follow again once it is joined. One reference each.
std::vector<Control *> g_held_controls;

void hold_attached_controls() {
    Game *game = game_get();
    for (List<Control> *list : {game->controls, game->new_controls}) {
        if (!list) continue;
        for (Control *c : list->items) {
            if (!c || (c->flags & CTRL_REMOVED) || !(c->flags & CTRL_ATTACHED) || (c->flags & CTRL_ATTACH_PAUSED))
                continue;
            control_pause_attachment(c);
            g_held_controls.push_back(control_addref(c));
        }
    }
}

void let_held_controls_follow() {
    for (Control *c : g_held_controls) {
        c->flags &= ~CTRL_ATTACH_PAUSED;
        control_release(c);
    }
    g_held_controls.clear();
}

}  // namespace

void galaxy_set_thread_creator(GalaxyThreadCreator *creator) {
    g_create_thread = creator ? creator : sdl_create_thread;
}

SDL_Thread *galaxy_create_thread(int (*body)(void *)) { return g_create_thread(body, nullptr); }

void galaxy_join_thread(SDL_Thread **thread) {
    if (!thread || !*thread) return;
    SDL_WaitThread(*thread, nullptr);
    *thread = nullptr;
}

void galaxy_flags_change(uint32_t clear, uint32_t set) {
    std::atomic<uint32_t> &flags = galaxy_screen()->screen_flags;
    uint32_t now = flags.load(std::memory_order_acquire);
    while (!flags.compare_exchange_weak(now, (now & ~clear) | set, std::memory_order_acq_rel)) {
    }
}

void galaxy_request_worker(int32_t worker) {
    GalaxyScreen *screen = galaxy_screen();
    end_news_markers();
    screen->worker_pending = worker;
    screen->worker_wait_frames = 0;
    screen->frozen_picture_wanted = true;
    screen->frozen_picture_baked = false;
}

void galaxy_worker_joined() {
    let_held_controls_follow();
    GalaxyScreen *screen = galaxy_screen();
    screen->frozen_picture_baked = false;
    set_flags_acq_rel(GALAXY_FLAG_RESET_BACKGROUND);
}

void galaxy_advance_turn() {
    GalaxyScreen *screen = galaxy_screen();
    if (screen->screen_flags.load(std::memory_order_acquire) & GALAXY_FLAG_TURN_IN_PROGRESS) return;
    if (galaxy_refuse_turn_for_battle()) return;
    galaxy_object_panels_close();
    Control *news = screen->side_panels[GALAXY_LIST_NEWS];
    if (news && control_is_shown(news)) {
        news_panel_collapse(news);
        news_panel_mark_read(news);
    } else {
        galaxy_side_panels_close();
        galaxy_bar_layout(0);
    }
    hide_panel(screen->hover_panel);
    hide_panel(screen->selection_panel);
    hide_panel(screen->centre_panel);
    if (screen->selected) galaxy_drop_selection();
    galaxy_hover_set(nullptr);
    galaxy_flags_change(GALAXY_FLAG_ADVANCE_AI_DONE, GALAXY_FLAG_ADVANCE_AI_STARTED);
    galaxy_request_worker(GALAXY_WORKER_ADVANCE_AI);
    set_flags_acq_rel(GALAXY_FLAG_TURN_IN_PROGRESS);
    sound_play(SOUND_NEXT_TURN);
}

void galaxy_start_pending_worker() {
    GalaxyScreen *screen = galaxy_screen();
    const int32_t worker = screen->worker_pending;
    if (worker == GALAXY_WORKER_NONE) return;
    screen->worker_pending = GALAXY_WORKER_NONE;
    screen->worker_wait_frames = 0;
    // The draw must not bake once the worker runs: it would walk the map the worker writes.
    screen->frozen_picture_wanted = false;
    Game *game = game_get();
    screen->worker_seed = random_worker_seed();
    hold_attached_controls();
    if (worker == GALAXY_WORKER_ADVANCE_AI) {
        game_day_begin(game);
        screen->advance_ai_thread = galaxy_create_thread(galaxy_advance_ai_thread);
        if (!screen->advance_ai_thread) {
            log_write(LOG_GAME, LOG_ERROR, "Failed to create advance AI thread");
            run_inline(galaxy_advance_ai_thread);
        }
    } else if (worker == GALAXY_WORKER_AI_ENCOUNTERS) {
        screen->ai_encounter_thread = galaxy_create_thread(galaxy_ai_encounter_thread);
        if (!screen->ai_encounter_thread) {
            log_write(LOG_GAME, LOG_ERROR, "Failed to create AI encounter thread");
            run_inline(galaxy_ai_encounter_thread);
        }
    }
}

int galaxy_advance_ai_thread(void *) {
    GalaxyScreen *screen = galaxy_screen();
    random_seed(screen->worker_seed);
    game_run_ai_galaxy_commands(game_get());
    screen->screen_flags.fetch_or(GALAXY_FLAG_ADVANCE_AI_DONE, std::memory_order_release);
    return 0;
}

int galaxy_ai_encounter_thread(void *) {
    GalaxyScreen *screen = galaxy_screen();
    random_seed(screen->worker_seed);
    game_resolve_ai_encounters(game_get());
    screen->screen_flags.fetch_or(GALAXY_FLAG_AI_ENCOUNTERS_DONE, std::memory_order_release);
    return 0;
}

int galaxy_load_encounter_thread(void *) {
    (void)game_start_encounter(game_get());   // a failure is logged where it is found
    galaxy_screen()->screen_flags.fetch_or(GALAXY_FLAG_ENCOUNTER_LOADED, std::memory_order_release);
    return 0;
}

void galaxy_show_autopass_countdown() {
    GalaxyScreen *screen = galaxy_screen();
    Control *panel = screen->countdown_panel;
    if (!panel) return;
    panel_remove_children(panel);
    const int32_t max = std::max(screen->autopass_countdown_ms, 1);
    const int32_t value = std::clamp(screen->autopass_countdown_ms, 0, max);
    Control *icon = image_control_create(IMAGE_COUNTDOWN);
    const int icon_h = icon ? icon->h : 0;
    if (Control *bar = value_bar_create(COUNTDOWN_BAR_W, COUNTDOWN_BAR_H, value, max)) {
        if (ColourFade *fill = value_bar_fill_colour(bar)) colour_fade_set(fill, 0, 140, 0);
        if (ColourFade *track = value_bar_border_colour(bar)) colour_fade_set(track, 40, 32, 1);
        panel_add_child(panel, 4, icon_h / 2 - COUNTDOWN_BAR_H / 2 + 4, GALAXY_PROGRESS_BAR_ID, 0, bar);
    }
    if (icon) panel_add_child(panel, 4 + COUNTDOWN_BAR_W + 4, 4, 0, 0, icon);
    panel_relayout(panel);
    panel_grow(panel, 4, 4);
    const int full_h = panel->h;
    control_set_position(panel, ui_screen_width() - panel->w - 4, ui_screen_height() - 52 - 8);
    panel_set_anchor_mode(panel, PANEL_ANCHOR_BOTTOM);
    control_set_size(panel, panel->w, 8);
    panel_resize_to(panel, panel->w, full_h, COUNTDOWN_GROW_MS);
    control_set_hidden(panel, true);
}
