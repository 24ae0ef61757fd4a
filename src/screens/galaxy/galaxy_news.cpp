// News on the galaxy screen: the UI player's alerts that came in since the last announcement go to
// the news panel (opened when it is closed), new ones with a place on the map get a marker closing
// in on it, and the news badge's count of the last day's alerts is taken again.
#include "game/alert.h"
#include "game/game.h"
#include "effects/effect_glow.h"
#include "platform/calendar.h"
#include "platform/list.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/news/news_panel.h"
#include "ui/control.h"
#include "ui/panel.h"
#include "ui/ui_draw.h"
#include "world/object_map.h"

namespace {

constexpr int32_t NEWS_PANEL_X = 4;
constexpr int32_t NEWS_PANEL_BOTTOM_GAP = 40;
constexpr int32_t NEWS_PANEL_START_H = 4;
constexpr int32_t NEWS_PANEL_GROW_MS = 230;
constexpr int32_t ALERT_MARKER_LAYER = 4;

// The news panel rebuilt with the game's alerts, growing up from its bottom edge.
void open_news_panel() {
    galaxy_news_build();
    Control *news = galaxy_screen()->side_panels[GALAXY_LIST_NEWS];
    if (!news) return;
    panel_set_anchor_mode(news, PANEL_ANCHOR_BOTTOM);
    const int full_h = news->h;
    control_set_size(news, news->w, NEWS_PANEL_START_H);
    control_set_position(news, NEWS_PANEL_X, ui_screen_height() - NEWS_PANEL_BOTTOM_GAP - NEWS_PANEL_START_H);
    panel_resize_to(news, news->w, full_h, NEWS_PANEL_GROW_MS);
    control_set_hidden(news, true);
}

void mark_on_map(ObjectMap *map, const Alert *alert) {
    AlertMarkerEffect *marker = effect_create_alert_marker(alert->rect_w, alert->rect_h);
    if (!marker) return;
    if (alert->flags & ALERT_FLAG_RECT_BY_ID) effect_alert_marker_set_sprite(marker, alert_get_icon(alert));
    marker->layer = ALERT_MARKER_LAYER;
    map_add_effect(map, marker, alert->rect_x + alert->rect_w / 2, alert->rect_y + alert->rect_h / 2);
}

}  // namespace

void galaxy_end_news_delay() {
    GalaxyScreen *screen = galaxy_screen();
    if (screen->announce_delay_ms <= 0) return;
    screen->announce_delay_ms = 0;
    Game *game = game_get();
    game->newest_alert_seen_id = game->newest_alert_id;
}

void galaxy_news_announce() {
    GalaxyScreen *screen = galaxy_screen();
    Game *game = game_get();
    Control *menu = screen->side_panels[GALAXY_LIST_MENU];
    if (menu && control_is_shown(menu)) return;
    if (screen->announce_delay_ms > 0 || game->newest_alert_id == game->newest_alert_seen_id) return;
    const uint64_t seen = game->newest_alert_seen_id;
    if (Control *news = screen->side_panels[GALAXY_LIST_NEWS]; news && control_is_shown(news)) {
        for (Alert *alert : game->alerts->items) {
            if (!alert) break;
            if (alert->id > seen) news_panel_append_alert(news, alert);
        }
    } else {
        open_news_panel();
    }
    const uint32_t flags = screen->screen_flags.load(std::memory_order_acquire);
    ObjectMap *map = (flags & GALAXY_FLAG_STARMAP_VIEW) ? game->galaxy_map : nullptr;
    screen->today_alert_count = 0;
    for (Alert *alert : game->alerts->items) {
        if (!alert) break;
        if (alert->id > seen && (alert->flags & ALERT_FLAG_RECT)) {
            if (map) mark_on_map(map, alert);
            alert->flags &= ~(ALERT_FLAG_RECT | ALERT_FLAG_RECT_BY_ID);
        }
        if (alert->kind != ALERT_DAY_HEADER && alert->time && game->clock &&
            date_minutes_between(game->clock, alert->time) < ALERT_NEW_MINUTES)
            ++screen->today_alert_count;
    }
    game->newest_alert_seen_id = game->newest_alert_id;
}
