#pragma once
// The corporation summary: the player's colour and name, six totals (sectors held against those
// needed to win, income, research, crew recruitment, starbase and ship crews) and everything in
// progress (starbase and shipyard production, officer training, research) with its days left.
//  - Built into a panel the galaxy screen owns, for one player, each time it opens; it only
//    displays and does not follow the model while open. The totals are the player's, as
//    player_update_totals left them.
//  - The panel's widget state is a CorporationSummaryState; the player is its user data (not held).
//  - Game thread only.
#include <cstdint>
#include "platform/list.h"
#include "ui/control.h"

struct Player;
struct Sector;
struct Site;

// Panel children.
constexpr int CORP_ID_TOTALS = 100001;
constexpr int CORP_ID_LIST   = 100002;
constexpr int CORP_ID_SCROLL = 100003;
constexpr int CORP_ID_NAME   = 100006;
// Row groups (the rows' tags) and row children.
constexpr int CORP_GROUP_BUILDING    = 100001;
constexpr int CORP_GROUP_TRAINING    = 100002;
constexpr int CORP_GROUP_RESEARCHING = 100003;
constexpr int CORP_ROW_ID_DAYS_ICON  = 100004;
constexpr int CORP_ROW_ID_DAYS       = 100005;
constexpr int CORP_ROW_ID_TITLE      = 100007;
constexpr int CORP_ROW_ID_SECTOR     = 100008;

constexpr int CORP_LIST_MAX_HEIGHT  = 190;   // a taller activity list scrolls
constexpr int CORP_LIST_SCROLL_STEP = 96;

struct CorporationSummaryState {
    List<Control> rows;                 // the activity rows, in build order (the list holds them)
    int32_t       content_height = 0;   // of the activity list before it is cut
};

void            corporation_summary_build(Control *panel, Player *player);
CorporationSummaryState *corporation_summary_state(Control *panel);   // null for any other control

// One activity row: a producing site's (null when it produces nothing), a queued tech's (null
// when the tech is not queued).
Control *corporation_summary_site_row_create(Site *site, Sector *sector);
Control *corporation_summary_research_row_create(Player *player, int32_t tech);
