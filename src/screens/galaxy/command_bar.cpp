// The galaxy screen's command bar: the six list buttons with their count badges, the action button
// (Next Turn, Pass, Stop or Starmap) and their handlers. The side list panels the list buttons
// open, the pick in a list and the game menu's owner slots are in side_panels.cpp.
#include <cstdint>

#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/graphics.h"
#include "platform/image_ids.h"
#include "screens/galaxy/galaxy_screen.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"

namespace {

constexpr int BAR_MARGIN = 4;          // from the screen's left, bottom and right edges
constexpr int BAR_GAP = 6;             // between two list buttons
constexpr int BAR_MOVE_MS = 125;
constexpr int CAPTION_FONT = 6;
constexpr int BADGE_W = 20, BADGE_H = 14;
constexpr int BADGE_OVERLAP = 4;       // a badge covers this much of its button's top right corner
constexpr int BADGE_FONT = 2;
constexpr int BADGE_TEXT_Y = 3;

struct ListButton {
    int32_t   id;
    int       image_type;
    int       hotkey;
    ControlFn handler;
};

// In the bar's order, by GalaxySideList.
constexpr ListButton LIST_BUTTONS[GALAXY_LIST_BUTTONS] = {
    {.id = GALAXY_ID_MENU_BUTTON,     .image_type = IMAGE_GAME_MENU,     .hotkey = '1', .handler = galaxy_bar_on_menu},
    {.id = GALAXY_ID_SHIPS_BUTTON,    .image_type = IMAGE_SHIPS_LIST,    .hotkey = '2', .handler = galaxy_bar_on_ships},
    {.id = GALAXY_ID_OFFICERS_BUTTON, .image_type = IMAGE_OFFICERS_LIST, .hotkey = '3', .handler = galaxy_bar_on_officers},
    {.id = GALAXY_ID_TECH_BUTTON,     .image_type = IMAGE_TECH_LIST,     .hotkey = '4', .handler = galaxy_toggle_technology},
    {.id = GALAXY_ID_CORP_BUTTON,     .image_type = IMAGE_CORPORATION,   .hotkey = '5', .handler = galaxy_toggle_corporation},
    {.id = GALAXY_ID_NEWS_BUTTON,     .image_type = IMAGE_NEWS_LIST,     .hotkey = '6', .handler = galaxy_toggle_news},
};

struct ActionButton {
    int32_t     id;
    const char *caption;
    int         image_type;
    int         hotkey;
    ControlFn   handler;
    Control *GalaxyScreen::*slot;
};

// "Starmap" and "Stop" share their key: only one of the four is ever shown.
constexpr ActionButton ACTION_BUTTONS[] = {
    {.id = GALAXY_ID_STARMAP, .caption = "Starmap", .image_type = 46, .hotkey = 's',
     .handler = galaxy_bar_on_starmap, .slot = &GalaxyScreen::starmap_button},
    {.id = GALAXY_ID_NEXT_TURN, .caption = "Next Turn", .image_type = 8, .hotkey = 'n',
     .handler = galaxy_bar_on_next_turn, .slot = &GalaxyScreen::next_turn_button},
    {.id = GALAXY_ID_PASS, .caption = "Pass", .image_type = 157, .hotkey = 'p',
     .handler = galaxy_bar_on_pass, .slot = &GalaxyScreen::pass_button},
    {.id = GALAXY_ID_STOP, .caption = "Stop", .image_type = 158, .hotkey = 's',
     .handler = galaxy_bar_on_stop, .slot = &GalaxyScreen::stop_button},
};

constexpr const char *BATTLE_WAITS = "A battle waits for your orders";

// Where list button i stands, from the widths of the buttons left of it; the bottoms line up.
void list_button_place(int index, int *x, int *y) {
    const GalaxyScreen *s = galaxy_screen();
    int left = BAR_MARGIN;
    for (int i = 0; i < index; ++i)
        if (const Control *b = s->list_buttons[i]) left += b->w + BAR_GAP;
    const Control *b = s->list_buttons[index];
    *x = left;
    *y = GFX_HEIGHT - BAR_MARGIN - (b ? b->h : 0);
}

// The badge over list button index (1..5): on its top right corner, reaching a little past it.
void badge_place(int index, int *x, int *y) {
    int bx = 0, by = 0;
    list_button_place(index, &bx, &by);
    const Control *b = galaxy_screen()->list_buttons[index];
    *x = bx + (b ? b->w : 0) - BADGE_W + BADGE_OVERLAP;
    *y = by - BADGE_H + BADGE_OVERLAP;
}

void hide_button(Control *c) {
    if (!c) return;
    control_set_hidden(c, false);
    image_control_tooltip_hide(c);
}

void set_badge(int index, int32_t value) {
    GalaxyScreen *s = galaxy_screen();
    Control *badge = s->badges[index];
    if (!badge || s->badge_cache[index] == value) return;
    s->badge_cache[index] = value;
    panel_remove_children(badge);
    Control *label = text_label_create(BADGE_FONT, 250, 200, 230, "%i", int(value));
    if (label) panel_add_child(badge, (badge->w - label->w) / 2, BADGE_TEXT_Y, 0, 0, label);
}

}  // namespace

void galaxy_bar_create() {
    GalaxyScreen *s = galaxy_screen();
    Game *game = game_get();
    for (int i = 0; i < GALAXY_LIST_BUTTONS; ++i) {
        const ListButton &def = LIST_BUTTONS[i];
        Control *button = image_button_create_plain(def.image_type, def.handler, def.hotkey, nullptr);
        if (!button) continue;
        s->list_buttons[i] = button;
        int x = 0, y = 0;
        list_button_place(i, &x, &y);
        game_add_control(game, x, y, def.id, 0, button);
    }
    for (int i = 0; i < GALAXY_BADGES; ++i) {
        Control *badge = panel_create_empty();
        if (!badge) continue;
        control_set_size(badge, BADGE_W, BADGE_H);
        panel_set_border(badge, true);
        colour_fade_set(panel_border_colour(badge), 120, 60, 100);
        panel_set_background(badge, true);
        colour_fade_set(panel_background_colour(badge), 24, 4, 24);
        control_set_layer(badge, 1);
        s->badges[i] = badge;
        s->badge_cache[i] = -1;
        int x = 0, y = 0;
        badge_place(i + 1, &x, &y);
        game_add_control(game, x, y, GALAXY_ID_BADGE_SHIPS + i, 0, badge);
    }
    for (const ActionButton &def : ACTION_BUTTONS) {
        Control *button = image_button_create(def.image_type, CAPTION_FONT, def.caption, def.handler, def.hotkey,
                                              nullptr);
        if (!button) continue;
        s->*def.slot = button;
        game_add_control(game, GFX_WIDTH - BAR_MARGIN - button->w, GFX_HEIGHT - BAR_MARGIN - button->h, def.id, 2,
                         button);
    }
}

void galaxy_bar_layout(int32_t selected_id) {
    GalaxyScreen *s = galaxy_screen();
    s->screen_flags.fetch_and(~GALAXY_FLAG_MENU_OPEN);
    for (int i = 0; i < GALAXY_LIST_BUTTONS; ++i) {
        Control *button = s->list_buttons[i];
        if (!button) continue;
        image_control_set_frame(button, button->id == selected_id ? 1 : 0);
        int x = 0, y = 0;
        list_button_place(i, &x, &y);
        control_move_to(button, x, y, BAR_MOVE_MS);
    }
    s->lit_list_button = selected_id;
    for (int i = 0; i < GALAXY_BADGES; ++i) {
        Control *badge = s->badges[i];
        if (!badge) continue;
        int x = 0, y = 0;
        badge_place(i + 1, &x, &y);
        control_move_to(badge, x, y, BAR_MOVE_MS);
        control_set_hidden(badge, selected_id <= 0);
    }
}

void galaxy_bar_update_action_button() {
    GalaxyScreen *s = galaxy_screen();
    const uint32_t flags = galaxy_flags();
    Control *wanted = nullptr;
    if (!(flags & GALAXY_FLAG_STARMAP_VIEW)) {
        wanted = s->starmap_button;
    } else if (flags & GALAXY_FLAG_AUTO_PASS) {
        if (!(flags & GALAXY_FLAG_STOP_REQUESTED)) wanted = s->stop_button;
    } else if (!(flags & GALAXY_FLAG_ENCOUNTERS_PENDING)) {
        wanted = game_get()->auto_pass > 0 ? s->pass_button : s->next_turn_button;
    } else if (galaxy_waiting_battle()) {
        wanted = s->next_turn_button;   // refuses, saying why, and leads to the battle
    }
    if (Control *next = s->next_turn_button) {
        const bool refuses = wanted == next && (flags & GALAXY_FLAG_ENCOUNTERS_PENDING);
        image_control_set_tooltip(next, refuses, 0, 0, 0, refuses ? BATTLE_WAITS : nullptr);
        if (!refuses) image_control_tooltip_hide(next);
    }
    for (const ActionButton &def : ACTION_BUTTONS) {
        Control *button = s->*def.slot;
        if (!button) continue;
        if (button != wanted) {
            hide_button(button);
            continue;
        }
        control_set_position(button, GFX_WIDTH - BAR_MARGIN - button->w, GFX_HEIGHT - BAR_MARGIN - button->h);
        control_set_hidden(button, true);
    }
}

void galaxy_bar_hide_action_buttons() {
    GalaxyScreen *s = galaxy_screen();
    for (const ActionButton &def : ACTION_BUTTONS) hide_button(s->*def.slot);
}

void galaxy_bar_hide_list_buttons() {
    for (Control *button : galaxy_screen()->list_buttons) hide_button(button);
}

void galaxy_bar_set_list_buttons_enabled(bool enabled) {
    for (Control *button : galaxy_screen()->list_buttons)
        if (button) control_set_enabled(button, enabled);
}

void galaxy_bar_update_badges() {
    GalaxyScreen *s = galaxy_screen();
    if (galaxy_ai_thread_runs(galaxy_flags())) return;   // the model is the worker's
    Player *ui = game_get()->ui_player;
    if (!ui) return;
    int32_t researching = 0;
    for (int32_t t = 0; t < PLAYER_TECH_COUNT; ++t)
        if ((ui->tech_state[t] & TECH_QUEUED) && !(ui->tech_state[t] & TECH_PAUSED)) ++researching;
    const int32_t values[GALAXY_BADGES] = {
        player_object_count(ui),
        list_count(&ui->officers),
        researching,
        ui->totals.active_production + researching,
        s->today_alert_count,
    };
    for (int i = 0; i < GALAXY_BADGES; ++i) set_badge(i, values[i]);
}

// ---- The action buttons ----

void galaxy_bar_on_next_turn(Control *button) {
    if (galaxy_flags() & GALAXY_FLAG_TURN_IN_PROGRESS) return;
    if (galaxy_refuse_turn_for_battle()) return;
    hide_button(button);
    galaxy_end_news_delay();
    galaxy_advance_turn();
}

void galaxy_bar_on_pass(Control *button) {
    GalaxyScreen *s = galaxy_screen();
    if (galaxy_flags() & GALAXY_FLAG_TURN_IN_PROGRESS) return;
    if (galaxy_refuse_turn_for_battle()) return;
    hide_button(button);
    s->screen_flags.fetch_or(GALAXY_FLAG_AUTO_PASS);
    s->screen_flags.fetch_and(~GALAXY_FLAG_STOP_REQUESTED);
    galaxy_end_news_delay();
    s->autopass_countdown_ms = 0;   // the next frame passes the first day
}

void galaxy_bar_on_stop(Control *button) {
    GalaxyScreen *s = galaxy_screen();
    hide_button(button);
    s->screen_flags.fetch_or(GALAXY_FLAG_STOP_REQUESTED);
    if (galaxy_flags() & GALAXY_FLAG_AUTO_PASS) s->autopass_countdown_ms = 0;
}

void galaxy_bar_on_starmap(Control *button) {
    GalaxyScreen *s = galaxy_screen();
    if (galaxy_flags() & GALAXY_FLAG_TURN_IN_PROGRESS) return;
    s->sector_after_zoom_id = 0;
    s->sector_after_zoom_move = false;
    int x = 0, y = 0;
    control_get_screen_position(button, &x, &y);
    galaxy_zoom_begin(x, y, x + button->w - 1, y + button->h - 1);
    hide_button(button);
}
