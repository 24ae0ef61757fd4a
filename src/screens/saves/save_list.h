#pragma once
// The save file list the load and save screens share: one row per save header, the selection
// with its delete button, the separators, scrolling by wheel, bar and arrows, and the delete
// question with the file removal behind it.
//  - Each screen names its own control ids in a SaveListIds row. Once fitted, the list panel carries
//    its SaveList, so that the save_list_on_* handlers find it from any control of the screen
//    (through its owners or the screen they name as user data) and pass the list's ids row.
//  - Each row is kept with the place of its header in the header list; the row never points at
//    the header. The header list is never changed while the screen lives.
//  - Rows are children of the list panel; the row vector only borrows them.
//  - Game thread only.
#include <cstdint>
#include <string>
#include <vector>

#include "game/save.h"
#include "platform/list.h"
#include "ui/control.h"

constexpr int SAVE_LIST_MAX_HEIGHT = 256;
constexpr int SAVE_ROW_WIDTH       = 388;
constexpr int SAVE_ROW_GAP         = 4;
constexpr int SAVE_LIST_WHEEL_STEP = 24;
constexpr int SAVE_NEW_FILE_INDEX  = -1;
// The second line of a damaged save's row (its title is the file's name).
constexpr const char *SAVE_DAMAGED_TEXT = "Damaged save file";
// The Load and Save buttons' tooltip while no file is selected.
constexpr const char *SAVE_NO_FILE_TEXT = "No file selected";

// The ids and the handlers one screen gives its list.
struct SaveListIds {
    int list, bar, dialog, separators;
    int icon, title_panel, title, time, name, date;
    int credits, credits_icon, objects, objects_icon, sectors, sectors_icon;
    int delete_button;
    int text_dx;                 // title and save time sit at icon width + text_dx
    int selected_title_x;        // the title label's x in its sub-panel on the selected row
    int status;                  // the label that reports a failed delete
    ControlFn select_row, delete_confirmed;   // the screen's own
};

struct SaveRow {
    Control *control;   // borrowed from the list panel
    int32_t  index;     // place of its header in the header list; SAVE_NEW_FILE_INDEX for "(New file)"
};

struct SaveList {
    List<SaveHeader>    *headers = nullptr;   // owned; null when the listing failed
    std::vector<SaveRow> rows;                // display order
    Control *screen = nullptr;                  // the screen panel (not counted)
    const SaveListIds *ids = nullptr;           // the screen's row, from save_list_fit on
    int32_t  scroll_range = 0;
    int32_t  scroll_offset = 0;
    int32_t  selected = -1;                     // index into the header list
    ~SaveList();
};

// "YYYY-MM-DD hh:mm:ss AM" on a 12-hour dial: 00:xx is 12 AM, 12:xx is 12 PM.
std::string save_time_text(const SaveHeader &header);

const SaveHeader *save_list_header(const SaveList *list, int index);   // null outside the list
Control *save_list_panel(const SaveList *list, const SaveListIds &ids);
Control *save_list_row_of_index(const SaveList *list, int index);
int      save_list_index_of_row(const SaveList *list, const Control *row);   // -2 when not a row

// The screen's parts both screens share, in the order they are built: the screen emptied and given
// its look; the list panel at y; each row below the last (returns the y after it); the Back and
// action buttons as one row at y (null when it could not be made), placed at the screen's right
// with its strip once the screen has its size.
void     save_list_prepare_screen(Control *screen);
Control *save_list_add_panel(SaveList *list, const SaveListIds &ids, int y);
int      save_list_add_row(SaveList *list, const SaveListIds &ids, Control *row, int index, int y);
Control *save_list_add_buttons(Control *screen, Control *back, Control *action, int y, int id, int action_id,
                               bool animate);
void     save_list_place_buttons(Control *screen, Control *row);
// The screen panel behind any of its controls: the nearest owner that holds_screen accepts, else
// the screen the control names as its user data.
Control *save_list_find_screen(Control *ctrl, bool (*holds_screen)(Control *panel));

// Builds a row for the header; the caller places it and records it with its index. A damaged
// header's row shows only the file's name and SAVE_DAMAGED_TEXT.
Control *save_list_row_build(const SaveHeader &header, const SaveListIds &ids);
// The rows' separator lines, rebuilt from the rows' target positions.
void     save_list_rebuild_separators(SaveList *list, const SaveListIds &ids);
// Sizes the list panel to its rows (at most SAVE_LIST_MAX_HEIGHT, a scroll bar beyond, driven by
// the save_list_on_bar_* handlers), makes the panel carry the list and returns the width it needs
// beside the bar.
int      save_list_fit(SaveList *list, const SaveListIds &ids, int min_height, int width);

// Shows `row` selected and every other row plain; the delete button goes on a file row.
void save_list_show_selection(SaveList *list, const SaveListIds &ids, Control *row, bool file_row);
bool save_list_row_visible(const SaveList *list, const SaveListIds &ids, const Control *row);
void save_list_scroll_into_view(SaveList *list, const SaveListIds &ids, Control *row);
void save_list_scroll_to(SaveList *list, const SaveListIds &ids, int offset);
void save_list_wheel(SaveList *list, const SaveListIds &ids, int notches);
void save_list_bar_changed(SaveList *list, const SaveListIds &ids);
void save_list_bar_up(SaveList *list, const SaveListIds &ids);
void save_list_bar_down(SaveList *list, const SaveListIds &ids);
void save_list_set_enabled(SaveList *list, const SaveListIds &ids, bool on);

// The delete flow. ask opens the question beside the delete button; confirmed removes the file
// and the row, or, when the file stays, keeps the row selected and says so. Confirmed returns
// true when the row went.
void save_list_ask_delete(SaveList *list, const SaveListIds &ids);
void save_list_delete_cancelled(SaveList *list, const SaveListIds &ids);
bool save_list_delete_confirmed(SaveList *list, const SaveListIds &ids);

// The list's handlers: the wheel over the list or a row, the bar's change and arrows, a row's
// delete button and the delete question's "No". Each finds the list from the control it gets.
SaveList *save_list_of(Control *ctrl);   // null when the control belongs to no fitted list
void save_list_on_wheel(Control *ctrl);
void save_list_on_bar_changed(Control *bar);
void save_list_on_bar_down(Control *bar);
void save_list_on_bar_up(Control *bar);
void save_list_on_delete(Control *button);
void save_list_on_delete_cancelled(Control *button);

// Shows a red pulsing message in the status label.
void save_list_show_error(SaveList *list, const SaveListIds &ids, const char *text);
