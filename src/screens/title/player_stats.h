#pragma once
// The nine lifetime-statistics rows of a player record, as the new-game slots' popup and the player
// selection's details column show them ("Games finished" "3 (1 win)", "Resources mined" "$120",
// "Research generated" "2 RP", ...). A null record gives the rows of a new player: every count 0.
//  - Game thread only.
#include "platform/list.h"
#include "ui/stat_rows.h"

struct PlayerRecord;

constexpr int PLAYER_STAT_ROW_COUNT = 9;

// A new list of the nine rows (the caller hands it to ui_stat_rows_layout, which takes it over).
List<SystemRow> *player_stat_rows(const PlayerRecord *record);
