#pragma once
// The Save game screen: the running game written as a new file (the first free "%.3i.sav") or over
// an existing manual save after a question. A "(New file)" row heads the list of manual saves (the
// autosave gets no row), a summary of the game shows the title it will be saved under, and after a
// save the chosen row gives way to the new file's row with "Game saved", or to the failure lines.
//  - A manual save whose header does not read keeps its number: it is listed as a damaged row
//    that can be deleted or saved over (its file name is never offered as the title).
//  - Built into a panel its owner gives (the game menu's sub-panel); the state is that panel's
//    widget state and goes with it. Owner slots: back, and saved (3700 ms after a save).
//  - Game thread only.
#include <cstdint>
#include <string>

#include "screens/saves/save_list.h"
#include "ui/control.h"

constexpr int SAVE_SCREEN_BUTTONS_ID    = 100001;
constexpr int SAVE_SCREEN_ENTRY_ID      = 100003;
constexpr int SAVE_SCREEN_SAVE_ID       = 100004;
constexpr int SAVE_SCREEN_DIALOG_ID     = 100009;
constexpr int SAVE_SCREEN_BAR_ID        = 100010;
constexpr int SAVE_SCREEN_LIST_ID       = 100011;
constexpr int SAVE_SCREEN_SEPARATORS_ID = 100012;
constexpr int SAVE_SCREEN_SUMMARY_ID    = 100013;
constexpr int SAVE_SCREEN_STATUS_ID     = 100022;   // "Game saved" or a failed delete
constexpr int SAVE_SCREEN_FAILED_ID     = 100023;   // the failure lines in place of the row
constexpr int SAVE_SCREEN_BACK_ID       = 100024;   // Back after a failed save
// Inside a row.
constexpr int SAVE_ROW_TITLE_ID   = 100002;
constexpr int SAVE_ROW_ICON_ID    = 100005;
constexpr int SAVE_ROW_TIME_ID    = 100006;
constexpr int SAVE_ROW_DATE_ID    = 100007;
constexpr int SAVE_ROW_NAME_ID    = 100008;
constexpr int SAVE_ROW_TITLE_PANEL_ID = 100014;
constexpr int SAVE_ROW_OBJECTS_ID = 100018;
constexpr int SAVE_ROW_SECTORS_ID = 100019;
constexpr int SAVE_ROW_CREDITS_ID = 100020;
constexpr int SAVE_ROW_DELETE_ID  = 100021;

constexpr int SAVE_TITLE_MAX_LENGTH = 255;
constexpr int SAVE_FINISH_MS        = 3700;

// Results of the last save the screen tried (target path empty: no name could be chosen).
constexpr int32_t SAVE_SCREEN_NO_TARGET = -48;

struct SaveScreenState {
    ControlFn   back = nullptr;
    ControlFn   saved = nullptr;
    SaveList    list;               // selected: -2 none, SAVE_NEW_FILE_INDEX, or a header's place
    std::string target_path;
    std::string proposed_title;
    int32_t     last_result = 0;    // of the last save: 0, a write failure or SAVE_SCREEN_NO_TARGET
};

void             save_screen_build(Control *panel);
SaveScreenState *save_screen_state(Control *panel);   // null when the panel holds no save screen

void save_screen_select_row(Control *row);
void save_screen_on_back(Control *button);
void save_screen_on_save(Control *button);
void save_screen_save_confirmed(Control *button);
void save_screen_overwrite_cancelled(Control *button);
void save_screen_save(Control *screen);
void save_screen_finish(Control *screen);
void save_screen_delete_confirmed(Control *button);
