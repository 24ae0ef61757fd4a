#pragma once
// The game menu: one panel with a column of image buttons (New game, Save game, Load game, Options,
// Help, About, Main menu, Quit game) that the title, galaxy and combat screens build into a panel
// of their own. A flag word chooses the buttons. Most buttons swap the column for a sub-screen in
// the same panel (new-game setup, options, a confirm dialog) and animate the menu to its size;
// closing the sub-screen brings the column back at the size the menu was built with.
//  - The menu never acts on the game itself: the owning screen fills the owner slots of the panel's
//    GameMenuState after game_menu_build; the menu calls them with the menu panel (an empty slot is
//    skipped). Only the confirm answers act directly: quit sets GAME_FLAG_QUIT, exit requests the
//    title mode.
//  - Every control that calls back into the menu has the menu panel as its user data; the
//    sub-panel's user data is the menu panel too, so the sub-screens hand their own panel back.
//  - Game thread only.
#include <cstdint>
#include "ui/control.h"

// GameMenuFlags, the flag word of game_menu_build.
constexpr uint32_t GAME_MENU_FLASH_IN  = 0x1;     // buttons disabled for 400 ms, flashing in from white
constexpr uint32_t GAME_MENU_SAVE      = 0x2;
constexpr uint32_t GAME_MENU_NEW       = 0x4;
constexpr uint32_t GAME_MENU_LOAD      = 0x8;
constexpr uint32_t GAME_MENU_OPTIONS   = 0x10;
constexpr uint32_t GAME_MENU_MAIN_MENU = 0x20;
constexpr uint32_t GAME_MENU_QUIT      = 0x40;
constexpr uint32_t GAME_MENU_CENTRE    = 0x100;   // resizes about its centre (else keeps its bottom edge)
constexpr uint32_t GAME_MENU_RUNNING   = 0x200;   // a game is running: longer confirm questions
constexpr uint32_t GAME_MENU_HOTKEYS   = 0x400;   // letter hotkeys on the buttons
constexpr uint32_t GAME_MENU_ABOUT     = 0x800;
constexpr uint32_t GAME_MENU_HELP      = 0x1000;

// The three forms the screens build.
constexpr uint32_t GAME_MENU_TITLE  = 0x1D5C;
constexpr uint32_t GAME_MENU_GALAXY = 0x12FB;
constexpr uint32_t GAME_MENU_COMBAT = 0x12F9;

// Children of the menu panel.
constexpr int GAME_MENU_COLUMN_ID   = 100001;   // the button column
constexpr int GAME_MENU_SUBPANEL_ID = 100002;   // the open sub-screen

// Sub-dialog values: the last opened of the four sub-screens.
constexpr int32_t GAME_MENU_SUB_NEW_GAME = 100003;
constexpr int32_t GAME_MENU_SUB_LOAD     = 100004;
constexpr int32_t GAME_MENU_SUB_SAVE     = 100005;
constexpr int32_t GAME_MENU_SUB_OPTIONS  = 100006;

// Inside the sub-panel while it shows a message (game_menu_show_error).
constexpr int GAME_MENU_MESSAGE_ID    = 100007;
constexpr int GAME_MENU_MESSAGE_OK_ID = 100008;

constexpr int GAME_MENU_RESIZE_MS = 200;

struct GameMenuState {
    int32_t   saved_width = 0;               // the size the menu returns to
    int32_t   saved_height = 0;
    ControlFn on_new_game = nullptr;         // the new-game setup's Start
    ControlFn on_load_requested = nullptr;   // a saved game is prepared for loading
    ControlFn on_load_failed = nullptr;      // go on after a load error
    ControlFn on_about = nullptr;
    ControlFn on_save_opened = nullptr;
    ControlFn on_load_opened = nullptr;
    int32_t   anchor_mode = 0;               // PANEL_ANCHOR_CENTRE with GAME_MENU_CENTRE, else PANEL_ANCHOR_BOTTOM
    int32_t   game_running = 0;
    int32_t   sub_dialog = 0;                // GAME_MENU_SUB_*, 0 after building
    int32_t   load_held = 0;                 // 1 while a failed load waits for its OK
};

void           game_menu_build(Control *panel, uint32_t flags);
GameMenuState *game_menu_state(Control *menu);   // null when the panel holds no menu

// While the open sub-screen is the load screen, its error view; otherwise nothing. True when it
// showed the error.
bool game_menu_show_load_error(Control *menu);
// True while the menu shows a failed load (the load screen's error view or an error message) and
// its OK has not been pressed: the menu then holds the only way on, and its owner must not close
// it (help, Escape, another list) without running the on load failed slot.
bool game_menu_holds_load(Control *menu);
// A message sub-screen in the menu: the text pulsing red and an "OK" that calls the owner's
// on load failed slot (as the load screen's error view does).
void game_menu_show_error(Control *menu, const char *text);

// Button handlers (the menu panel is the button's user data).
void game_menu_on_new_game(Control *button);
void game_menu_on_save(Control *button);
void game_menu_on_load(Control *button);
void game_menu_on_options(Control *button);
void game_menu_on_help(Control *button);
void game_menu_call_about(Control *button);
void game_menu_on_main_menu(Control *button);
void game_menu_on_quit(Control *button);

// Slot handlers given to the sub-screens (the control's user data is the menu panel).
void game_menu_close_subpanel(Control *ctrl);
void game_menu_call_new_game(Control *ctrl);
void game_menu_call_load_requested(Control *ctrl);
void game_menu_call_load_failed(Control *ctrl);
void game_menu_hide(Control *ctrl);
void game_menu_quit_confirmed(Control *ctrl);
void game_menu_exit_confirmed(Control *ctrl);
