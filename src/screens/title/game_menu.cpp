// The game menu: its button column, the sub-screens it opens in its own panel, and the confirm
// answers that quit or leave the game.
#include "screens/title/game_menu.h"

#include <algorithm>
#include <new>

#include "game/game.h"
#include "game/prefs.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/list.h"
#include "platform/log.h"
#include "screens/saves/load_screen.h"
#include "screens/saves/save_screen.h"
#include "screens/title/help_window.h"
#include "screens/title/new_game.h"
#include "screens/title/options_panel.h"
#include "ui/app_mode.h"
#include "ui/dialog.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"
#include "ui/text_label.h"

namespace {

constexpr int BUTTON_FONT = 6;
constexpr int MARGIN = 6;

struct MenuButton {
    uint32_t    bit;
    const char *text;
    int         image_type;
    int         hotkey;
    ControlFn   handler;
};

// In the order the column shows them.
const MenuButton BUTTONS[] = {
    {GAME_MENU_NEW,       "New game",  11,  'n', game_menu_on_new_game},
    {GAME_MENU_SAVE,      "Save game", 28,  's', game_menu_on_save},
    {GAME_MENU_LOAD,      "Load game", 29,  'l', game_menu_on_load},
    {GAME_MENU_OPTIONS,   "Options",   30,  'o', game_menu_on_options},
    {GAME_MENU_HELP,      "Help",      168, 'h', game_menu_on_help},
    {GAME_MENU_ABOUT,     "About",     164, 'a', game_menu_call_about},
    {GAME_MENU_MAIN_MENU, "Main menu", 31,  'm', game_menu_on_main_menu},
    {GAME_MENU_QUIT,      "Quit game", 32,  'q', game_menu_on_quit},
};

void state_free(void *state) { delete static_cast<GameMenuState *>(state); }

Control *menu_of(Control *ctrl) { return ctrl ? static_cast<Control *>(ctrl->user_data) : nullptr; }

void call_slot(Control *menu, ControlFn GameMenuState::*slot) {
    GameMenuState *state = game_menu_state(menu);
    if (state && state->*slot) (state->*slot)(menu);
}

// Swaps the button column for the sub-panel (made when missing) and returns the sub-panel, emptied.
Control *open_subpanel(Control *menu, int32_t sub_dialog) {
    GameMenuState *state = game_menu_state(menu);
    if (!state) return nullptr;
    if (sub_dialog) state->sub_dialog = sub_dialog;
    if (Control *column = panel_find_child(menu, GAME_MENU_COLUMN_ID)) {
        control_set_hidden(column, false);
        control_set_fading(column, true);   // the menu's layout passes over it
    }
    Control *sub = panel_find_child(menu, GAME_MENU_SUBPANEL_ID);
    if (!sub) {
        sub = panel_create_empty();
        if (!sub) return nullptr;
        panel_add_child(menu, 0, 0, GAME_MENU_SUBPANEL_ID, 0, sub);
        control_set_user_data(sub, menu, nullptr);
    }
    return sub;
}

// Grows or shrinks the menu to what its children need now, about the edge or centre it keeps.
void resize_to_content(Control *menu) {
    GameMenuState *state = game_menu_state(menu);
    int w = 0, h = 0;
    panel_layout(menu, &w, &h);
    panel_set_draw_children_while_resizing(menu, false);
    if (state) panel_set_anchor_mode(menu, state->anchor_mode);
    panel_resize_to(menu, w, h, GAME_MENU_RESIZE_MS);
}

void open_confirm(Control *button, const char *question, const char *yes_text, ControlFn on_yes) {
    Control *menu = menu_of(button);
    Control *sub = open_subpanel(menu, 0);
    if (!sub) return;
    dialog_build(sub, question, yes_text, "No, continue", on_yes, menu, game_menu_close_subpanel, menu, DIALOG_KEYS);
    resize_to_content(menu);
}

}  // namespace

GameMenuState *game_menu_state(Control *menu) {
    if (!panel_of(menu) || menu->widget_free != state_free) return nullptr;
    return static_cast<GameMenuState *>(menu->widget_state);
}

void game_menu_build(Control *panel, uint32_t flags) {
    Panel *p = panel_of(panel);
    if (!p) return;
    panel_remove_children(panel);
    p->flags &= ~(PANEL_PLAIN_MASK | PANEL_BORDER_HOVER | PANEL_BORDER_HOVERED | PANEL_GLOW);
    panel_set_background(panel, true);
    colour_fade_set(panel_background_colour(panel), 0, 0, 6);
    panel_set_border(panel, true);
    colour_fade_set(panel_border_colour(panel), 120, 120, 120);

    GameMenuState *state = new (std::nothrow) GameMenuState();
    if (!state) return;
    state->anchor_mode = (flags & GAME_MENU_CENTRE) ? PANEL_ANCHOR_CENTRE : PANEL_ANCHOR_BOTTOM;
    state->game_running = (flags & GAME_MENU_RUNNING) ? 1 : 0;
    control_set_widget_state(panel, state, state_free);

    List<Control> buttons;
    for (const MenuButton &b : BUTTONS) {
        if (!(flags & b.bit)) continue;
        const int hotkey = (flags & GAME_MENU_HOTKEYS) ? b.hotkey : 0;
        if (Control *button = image_button_create(b.image_type, BUTTON_FONT, b.text, b.handler, hotkey, panel))
            list_append(&buttons, button);
    }
    Control *column = panel_create_empty();
    if (!column) return;
    panel_layout_controls(column, &buttons, flags & LAYOUT_ANIMATE);
    panel_add_child(panel, MARGIN, MARGIN, GAME_MENU_COLUMN_ID, 0, column);

    panel_relayout(panel);
    control_set_size(panel, panel->w + MARGIN, panel->h + MARGIN);
    state->saved_width = panel->w;
    state->saved_height = panel->h;
}

bool game_menu_show_load_error(Control *menu) {
    GameMenuState *state = game_menu_state(menu);
    if (!state || state->sub_dialog != GAME_MENU_SUB_LOAD) return false;
    Control *sub = panel_find_child(menu, GAME_MENU_SUBPANEL_ID);
    if (!load_screen_state(sub)) return false;
    load_screen_show_error(sub);
    state->load_held = 1;   // its OK is the way on
    return true;
}

bool game_menu_holds_load(Control *menu) {
    const GameMenuState *state = game_menu_state(menu);
    return state && state->load_held;
}

void game_menu_show_error(Control *menu, const char *text) {
    Control *sub = open_subpanel(menu, 0);
    if (!sub) return;
    if (GameMenuState *state = game_menu_state(menu)) state->load_held = 1;   // its OK is the way on
    panel_remove_children(sub);
    Control *label = text_label_create_plain(2, 240, 0, 0, text);
    Control *ok = image_button_create(IMAGE_OK, BUTTON_FONT, "OK", game_menu_call_load_failed, 0, menu);
    if (!label || !ok) {
        control_destroy(label);
        control_destroy(ok);
        return;
    }
    // Pulses between (240, 0, 0) and (150, 40, 40): red every 3 ms down, green and blue every 7 ms up.
    colour_fade_start(text_label_colour(label), 240, 0, 0, 150, 40, 40, 280, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    const int w = std::max(label->w, ok->w) + 2 * MARGIN;
    panel_add_child(sub, (w - label->w) / 2, MARGIN, GAME_MENU_MESSAGE_ID, 1, label);
    panel_add_child(sub, w - ok->w - MARGIN, MARGIN + label->h + 12, GAME_MENU_MESSAGE_OK_ID, 0, ok);
    panel_relayout(sub);
    control_set_size(sub, w, sub->h + MARGIN);
    resize_to_content(menu);
}

void game_menu_on_new_game(Control *button) {
    Control *menu = menu_of(button);
    Control *sub = open_subpanel(menu, GAME_MENU_SUB_NEW_GAME);
    if (!sub) return;
    Game *game = game_get();
    const int32_t fog = game->setup.fog_of_war_off;
    game_setup_defaults(game);
    game->setup.fog_of_war_off = fog;   // the one setting a player keeps between games
    new_game_build(sub);
    panel_set_slot(sub, NEW_GAME_SLOT_START, game_menu_call_new_game);
    panel_set_slot(sub, NEW_GAME_SLOT_BACK, game_menu_close_subpanel);
    resize_to_content(menu);
}

void game_menu_on_save(Control *button) {
    Control *menu = menu_of(button);
    Control *sub = open_subpanel(menu, GAME_MENU_SUB_SAVE);
    if (!sub) return;
    save_screen_build(sub);
    if (SaveScreenState *save = save_screen_state(sub)) {
        save->back = game_menu_close_subpanel;
        save->saved = game_menu_hide;
    }
    resize_to_content(menu);
    call_slot(menu, &GameMenuState::on_save_opened);
}

void game_menu_on_load(Control *button) {
    Control *menu = menu_of(button);
    Control *sub = open_subpanel(menu, GAME_MENU_SUB_LOAD);
    if (!sub) return;
    const GameMenuState *state = game_menu_state(menu);
    load_screen_build(sub, LOAD_SCREEN_ANIMATE | (state && state->game_running ? LOAD_SCREEN_RUNNING : 0));
    if (LoadScreenState *load = load_screen_state(sub)) {
        load->back = game_menu_close_subpanel;
        load->load_requested = game_menu_call_load_requested;
        load->load_failed = game_menu_call_load_failed;
    }
    resize_to_content(menu);
    call_slot(menu, &GameMenuState::on_load_opened);
}

void game_menu_on_options(Control *button) {
    Control *menu = menu_of(button);
    Control *sub = open_subpanel(menu, GAME_MENU_SUB_OPTIONS);
    if (!sub) return;
    options_panel_build(sub);
    if (OptionsState *options = options_panel_state(sub)) options->close = game_menu_close_subpanel;
    resize_to_content(menu);
}

void game_menu_on_help(Control *) { (void)help_window_open(game_get()); }

void game_menu_call_about(Control *button) { call_slot(menu_of(button), &GameMenuState::on_about); }

void game_menu_on_quit(Control *button) {
    const GameMenuState *state = game_menu_state(menu_of(button));
    const bool running = state && state->game_running;
    open_confirm(button, running ? "Quit the game? You will lose any unsaved progress." : "Quit the game?",
                 "Yes, quit", game_menu_quit_confirmed);
}

void game_menu_on_main_menu(Control *button) {
    const GameMenuState *state = game_menu_state(menu_of(button));
    const bool running = state && state->game_running;
    open_confirm(button,
                 running ? "Exit to the main menu? You will lose any unsaved progress." : "Exit to the main menu?",
                 "Yes, exit", game_menu_exit_confirmed);
}

void game_menu_close_subpanel(Control *ctrl) {
    Control *menu = menu_of(ctrl);
    GameMenuState *state = game_menu_state(menu);
    if (!state) return;
    if (Control *column = panel_find_child(menu, GAME_MENU_COLUMN_ID)) {
        control_set_hidden(column, true);   // runs the show hook when it was hidden
        control_set_fading(column, false);
    }
    if (Control *sub = panel_find_child(menu, GAME_MENU_SUBPANEL_ID)) control_remove(sub);
    panel_set_draw_children_while_resizing(menu, false);
    panel_resize_to(menu, state->saved_width, state->saved_height, GAME_MENU_RESIZE_MS);
}

void game_menu_call_new_game(Control *ctrl) { call_slot(menu_of(ctrl), &GameMenuState::on_new_game); }
void game_menu_call_load_requested(Control *ctrl) { call_slot(menu_of(ctrl), &GameMenuState::on_load_requested); }

void game_menu_call_load_failed(Control *ctrl) {
    Control *menu = menu_of(ctrl);
    if (GameMenuState *state = game_menu_state(menu)) state->load_held = 0;
    call_slot(menu, &GameMenuState::on_load_failed);
}

void game_menu_hide(Control *ctrl) {
    if (Control *menu = menu_of(ctrl)) control_set_hidden(menu, false);
}

void game_menu_quit_confirmed(Control *) { game_request_quit(game_get()); }

void game_menu_exit_confirmed(Control *) { app_mode_request(APP_MODE_TITLE); }
