#pragma once
// The Load game screen: the saves of the save folder, newest first, each with its title, the local
// time it was written, the player, the game date and three counts. The player picks a row, may
// delete its file, and loads it after a question. The screen only records the pending load in the
// Game and calls its owner's load_requested slot; the owner runs the load and, when it fails,
// turns the screen into its error view (load_screen_show_error).
//  - A save of the game's own names whose header does not read is listed after the others as a
//    damaged row (its file name, "Damaged save file"): it can be deleted, never loaded.
//  - Built into a panel its owner gives (the game menu's sub-panel); the state is that panel's
//    widget state and goes with it.
//  - Owner slots are filled after the build; an empty slot is skipped. Every handler finds the
//    screen through the control's user data or its owners.
//  - Game thread only.
#include <cstdint>

#include "screens/saves/save_list.h"
#include "ui/control.h"

constexpr uint32_t LOAD_SCREEN_ANIMATE = 0x1;
constexpr uint32_t LOAD_SCREEN_RUNNING = 0x2;   // a game runs: the question warns of unsaved progress

constexpr int LOAD_SCREEN_LIST_ID       = 100000;
constexpr int LOAD_SCREEN_BAR_ID        = 100005;
constexpr int LOAD_SCREEN_PROMPT_ID     = 100006;
constexpr int LOAD_SCREEN_LOAD_ID       = 100007;
constexpr int LOAD_SCREEN_BUTTONS_ID    = 100008;
constexpr int LOAD_SCREEN_DIALOG_ID     = 100009;
constexpr int LOAD_SCREEN_SEPARATORS_ID = 100010;
constexpr int LOAD_SCREEN_EMPTY_ID      = 100020;   // "(No save files found)" in the list
constexpr int LOAD_SCREEN_OK_ID         = 100021;   // the error view's OK
// Inside a row.
constexpr int LOAD_ROW_NAME_ID   = 100001;
constexpr int LOAD_ROW_DATE_ID   = 100002;
constexpr int LOAD_ROW_TIME_ID   = 100003;
constexpr int LOAD_ROW_ICON_ID   = 100004;
constexpr int LOAD_ROW_TITLE_ID  = 100012;
constexpr int LOAD_ROW_CREDITS_ID = 100018;
constexpr int LOAD_ROW_OBJECTS_ID = 100016;
constexpr int LOAD_ROW_SECTORS_ID = 100017;
constexpr int LOAD_ROW_DELETE_ID = 100019;

struct LoadScreenState {
    ControlFn back = nullptr;
    ControlFn load_requested = nullptr;
    ControlFn load_failed = nullptr;
    SaveList  list;
    int32_t   unsaved_progress = 0;
};

void             load_screen_build(Control *panel, uint32_t flags);
LoadScreenState *load_screen_state(Control *panel);   // null when the panel holds no load screen
void             load_screen_show_error(Control *panel);
const SaveListIds &load_screen_ids();

void load_screen_select_row(Control *row);
void load_screen_delete_confirmed(Control *button);
void load_screen_on_load(Control *button);
void load_screen_load_confirmed(Control *button);
void load_screen_load_cancelled(Control *button);
void load_screen_call_back(Control *button);
void load_screen_call_load_failed(Control *button);
