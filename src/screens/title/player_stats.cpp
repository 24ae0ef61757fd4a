// The lifetime-statistics rows of a player record.
#include "screens/title/player_stats.h"

#include <cinttypes>
#include <cstdio>
#include "game/records.h"

List<SystemRow> *player_stat_rows(const PlayerRecord *record) {
    static const uint64_t NONE[RECORD_STAT_COUNT] = {};
    const uint64_t *s = record ? record->stats : NONE;
    List<SystemRow> *rows = ui_stat_rows_list_create();
    char text[96];
    const uint64_t games = s[RECORD_STAT_GAMES_FINISHED], wins = s[RECORD_STAT_WINS];
    if (wins == 0)
        std::snprintf(text, sizeof text, "%" PRIu64, games);
    else
        std::snprintf(text, sizeof text, "%" PRIu64 " (%" PRIu64 " win%s)", games, wins, wins == 1 ? "" : "s");
    ui_stat_rows_add_row(rows, nullptr, "Games finished", text, 0);
    struct Counted {
        const char *label;
        int         stat;
        const char *format;
    };
    static const Counted COUNTED[] = {
        {"Days in command", RECORD_STAT_DAYS_IN_COMMAND, "%" PRIu64},
        {"Ships built", RECORD_STAT_SHIPS_BUILT, "%" PRIu64},
        {"Starbases built", RECORD_STAT_STARBASES_BUILT, "%" PRIu64},
        {"Enemies destroyed", RECORD_STAT_ENEMIES_KILLED, "%" PRIu64},
        {"Damage dealt", RECORD_STAT_DAMAGE_DEALT, "%" PRIu64},
        {"Crew recruited", RECORD_STAT_CREW_RECRUITED, "%" PRIu64},
        {"Resources mined", RECORD_STAT_RESOURCES_MINED, "$%" PRIu64},
    };
    for (const Counted &c : COUNTED) {
        std::snprintf(text, sizeof text, c.format, s[c.stat]);
        ui_stat_rows_add_row(rows, nullptr, c.label, text, 0);
    }
    std::snprintf(text, sizeof text, "%" PRIu64 " RP", s[RECORD_STAT_RESEARCH] / 400u);
    ui_stat_rows_add_row(rows, nullptr, "Research generated", text, 0);
    return rows;
}
