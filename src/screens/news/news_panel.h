#pragma once
// The news panel: the UI player's alerts in the order of the game's alert list, oldest at the top,
// a day-header row before each day's first item; items under a day old pulse and are counted on a
// badge in the title. It sits at the bottom left of the galaxy screen and grows upward; when the
// rows do not fit, a scroll bar and an expand button appear.
//  - Rows keep the id of their alert, never a pointer: every layout and every click looks the id
//    up in the game's alert list, and a row whose alert has expired from that list goes at the
//    next layout. So the end of turn that frees old alerts never leaves a row on freed memory.
//  - The panel changes nothing in the model. Its state record is the panel's widget state and
//    begins with the command slots; slot 5 is called with the panel when a row with a scene is
//    clicked (the galaxy screen opens the item there).
//  - Game thread only.
#include <cstdint>
#include <vector>

#include "ui/panel.h"

struct Alert;
template <typename T> struct List;

constexpr int NEWS_ID_ROW_ICON   = 100001;
constexpr int NEWS_ID_ROW_TEXT   = 100002;
constexpr int NEWS_ID_SCROLL     = 100003;
constexpr int NEWS_ID_LIST       = 100004;
constexpr int NEWS_ID_EMPTY      = 100005;
constexpr int NEWS_ID_TITLE      = 100006;
constexpr int NEWS_ID_HEADER     = 100007;
constexpr int NEWS_ID_EXPAND     = 100008;   // expand or collapse, by its image type
constexpr int NEWS_ID_BADGE      = 100010;
constexpr int NEWS_ID_NEW_COUNT  = 100011;

constexpr int NEWS_SLOT_OPEN_ITEM = 5;
constexpr int NEWS_NORMAL_HEIGHT  = 105;
constexpr int NEWS_EXPANDED_LIMIT = 505;
constexpr int NEWS_IMAGE_EXPAND   = 166;
constexpr int NEWS_IMAGE_COLLAPSE = 167;

struct NewsPanelState : PanelCommandSlots {
    int32_t normal_height = NEWS_NORMAL_HEIGHT;
    int32_t expanded_limit = NEWS_EXPANDED_LIMIT;
    int32_t list_x = 3;
    int32_t list_y = 0;
    int32_t content_height = 0;
    uint64_t clicked_alert_id = 0;      // 0: no row clicked since the build
    std::vector<Control *> rows;        // in alert order; children of the list area
    int32_t expanded = 0;
};

NewsPanelState *news_panel_state(Control *panel);   // null for a panel that is not a news panel

// Rebuilds the panel from the alerts (the game's list or a copy) and sizes it to its content.
void news_panel_build_sized(Control *panel, List<Alert> *alerts, int32_t normal_height, int32_t expanded_limit);
// The same at the galaxy screen's sizes (NEWS_NORMAL_HEIGHT, NEWS_EXPANDED_LIMIT).
void news_panel_build(Control *panel, List<Alert> *alerts);
// The game's alert of the row last clicked; null before a click or when that alert is gone.
Alert *news_panel_clicked_alert(Control *panel);
void news_panel_append_alert(Control *panel, Alert *alert);
void news_panel_collapse(Control *panel);   // nothing unless expanded
void news_panel_mark_read(Control *panel);
void news_panel_layout(Control *panel);
// The alert of the row last clicked, looked up now; null when none was clicked or it has expired.
Alert *news_panel_row_alert(Control *row);

// Callbacks the panel installs.
void news_row_on_click(Control *row);
void news_panel_on_wheel(Control *ctrl);   // the header's: scrolls the list
void news_panel_on_expand(Control *button);
void news_panel_on_collapse(Control *button);
