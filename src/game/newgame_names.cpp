// The name decks' dealing rules: cycle counts, ship-name letters and pilot initials.
#include <cstdio>
#include "game/game.h"
#include "game/newgame.h"
#include "platform/random.h"

namespace {

// The initials a pilot name takes from its deck's second cycle on: a row by cycle, a column drawn.
constexpr const char *PILOT_INITIALS[3] = {"SVLNCFH", "GBEOMWY", "ADPKRTJ"};

// True when the next deal of the bag starts a fresh cycle.
template <typename T>
bool starts_cycle(const ShuffleBag<T> *bag) {
    return shuffle_count(bag) > 0 && (bag->remaining < 1 || bag->remaining >= bag->size);
}

}  // namespace

void game_next_sector_name(Game *game, std::string *out) {
    const char *name = game->sector_names ? shuffle_next(game->sector_names) : nullptr;
    *out = name ? name : "";
}

void game_next_ship_name(Game *game, std::string *out) {
    out->clear();
    if (!game->ship_names) return;
    if (starts_cycle(game->ship_names)) ++game->ship_name_cycles;
    const char *name = shuffle_next(game->ship_names);
    if (!name) return;
    if (game->ship_name_cycles < 2) {
        *out = name;
        return;
    }
    char text[512];
    std::snprintf(text, sizeof text, "%s %c", name, char('A' + (game->ship_name_cycles - 2) % 26));
    *out = text;
}

void game_random_name(Game *game, std::string *out) {
    out->clear();
    if (!game->pilot_names) return;
    if (starts_cycle(game->pilot_names)) ++game->pilot_name_cycles;
    const char *name = shuffle_next(game->pilot_names);
    if (!name) return;
    if (game->pilot_name_cycles < 2) {
        *out = name;
        return;
    }
    const char initial = PILOT_INITIALS[game->pilot_name_cycles % 3][random_magnitude(random_u32()) % 7u];
    char text[512];
    std::snprintf(text, sizeof text, "%c. %s", initial, name);
    *out = text;
}

int32_t game_next_portrait(Game *game) {
    const int32_t *portrait = game->pilot_portraits ? shuffle_next(game->pilot_portraits) : nullptr;
    return portrait ? *portrait : -1;
}
