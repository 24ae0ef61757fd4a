#pragma once
// The news item panel: one news item in full in the galaxy screen's centre panel: its date on a
// strip, its scene, its text; a research item adds the technology's description and one card per
// thing it grants (a ship system, a hull, a facility, a starbase bonus), an officer item one row per skill the officer has with its level as pips.
// Resting on a card or a row explains it. "OK" or Esc hides the panel.
//  - The panel remembers its alert by id (its widget state, see views/item_popups.h), so a later
//    open compares alerts by id and a popup of an expired alert opens nothing.
//  - Reads the alert and the model's tables; changes nothing. Game thread only.
#include <cstdint>

struct Alert;
struct Control;

constexpr int NEWS_ITEM_ID_DATE = 100001;
constexpr int NEWS_ITEM_ID_OK = 100002;
constexpr int NEWS_ITEM_ID_TEXT = 100003;
constexpr int NEWS_ITEM_ID_DESC = 100004;
constexpr int NEWS_ITEM_SKILL_TAG = 100010;   // tag of the skill rows
constexpr int NEWS_ITEM_GRANT_TAG = 100011;  // tag of the grant cards
constexpr int NEWS_ITEM_ID_CARD_NAME = 100012;     // inside a grant card: its name
constexpr int NEWS_ITEM_ID_CARD_VALUES = 100013;   // and its value rows
constexpr int NEWS_ITEM_DWELL_MS = 475;

void news_item_panel_build(Control *panel, Alert *alert);
// Whether the panel shows this alert (compared by id).
bool news_item_panel_shows(Control *panel, const Alert *alert);
void news_item_panel_on_ok(Control *button);
