// Galaxy services: the entries whose screens live in their own folders but are reached through the
// galaxy screen's own names (the news panel's).
#include "screens/galaxy/galaxy_services.h"

#include "game/game.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/news/news_item_panel.h"
#include "screens/news/news_panel.h"
#include "game/alert.h"
#include "platform/list.h"
#include "ui/control.h"
#include "world/object.h"

// ---- News ----

void news_panel_build(Control *panel, List<Alert> *alerts) {
    news_panel_build_sized(panel, alerts, NEWS_NORMAL_HEIGHT, NEWS_EXPANDED_LIMIT);
}

Alert *news_panel_clicked_alert(Control *panel) {
    const NewsPanelState *state = news_panel_state(panel);
    if (!state || state->clicked_alert_id == 0) return nullptr;
    for (Alert *alert : game_get()->alerts->items) {
        if (!alert) break;
        if (alert->id == state->clicked_alert_id) return alert;
    }
    return nullptr;
}

void news_panel_turn_refresh(Control *panel, Alert *alert) { news_panel_append_alert(panel, alert); }
void news_panel_toggle(Control *panel) { news_panel_collapse(panel); }
void news_panel_close(Control *panel) { news_panel_mark_read(panel); }

void news_item_panel_build(Control *panel, Alert *alert) {
    if (!alert) return;
    news_item_panel_fill(panel, alert);
}
