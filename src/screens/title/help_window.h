#pragma once
// The help window: a title bar, the list of help topics on the left and the page of the chosen
// topic on the right, a scene read from the data store. Topics are numbered from 0 and found by
// probing "help\%.3i\name.txt"; the list stops at the first missing number.
//  - help_window_open is the game's one top-level help window, which every screen opens.
//  - The state is the window's widget state, freed with it (help_state_free). The topic list and
//    the page are children of the window; the topic items are children of the list.
//  - A page whose scene index, scene file or scene cannot be read is logged (GAME, ERROR) and
//    stays empty apart from its border and grid.
//  - Game thread only.
#include <cstdint>
#include "platform/list.h"
#include "ui/control.h"

struct Game;

struct HelpState {
    List<Control> *topics = nullptr;   // the topic items (the list panel's children own them)
    int32_t first_item_y = -1;         // y of the first topic item, -1 before any
    int32_t current_topic = -1;        // the highlighted topic, -1 before any
};

// Children of the window.
constexpr int HELP_TITLE_BAR_ID  = 100001;
constexpr int HELP_TOPIC_LIST_ID = 100002;
constexpr int HELP_PAGE_ID       = 100003;

constexpr int HELP_LIST_WIDTH  = 220;
constexpr int HELP_LIST_HEIGHT = 520;
constexpr int HELP_PAGE_WIDTH  = 540;
constexpr int HELP_PAGE_HEIGHT = 520;

// The store files of a topic and of its page's scene.
constexpr const char *HELP_NAME_PATH  = "help\\%.3i\\name.txt";
constexpr const char *HELP_SCENE_PATH = "help\\%.3i\\scene.txt";
constexpr const char *HELP_SCENE_DATA_PATH = "scene\\%.3i\\dat\\params.dat";

// The help window: found among the live top-level controls (or those queued in this frame) or
// built for the game's help topic, then centred on the screen. Returns it (borrowed), or null when
// the panel cannot be made.
Control   *help_window_open(Game *game);
void       help_window_build(Control *panel, int32_t topic);
HelpState *help_window_state(Control *window);   // null when the control holds no help window
void       help_state_free(void *state);

void help_topic_list_build(Control *list, Control *window, int32_t current);
void help_page_build(Control *page, int32_t topic);
// Click of a topic item (its value is the topic; its user data the window): shows that topic.
void help_topic_on_click(Control *item);
// Close of the title bar (its user data is the window): flashes the window's frame and removes it.
void help_window_on_close(Control *bar);
