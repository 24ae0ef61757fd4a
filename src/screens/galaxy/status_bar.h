#pragma once
// Galaxy status bar: the UI player's credits and the calendar date at the galaxy screen's top right.
//  - The shown credits ease toward the player's: while they differ by 20 or more they become the
//    average of the two (toward zero), then the exact amount; the date follows the clock's day.
//  - The bar's panel is the screen's; its children are made here on first use: the turning coin
//    400015 (image type GALAXY_IMAGE_CREDITS_COIN, whose frames the galaxy mode loads), the date
//    label 400014 and the credits label 400013.
//  - While a day is advanced the date is lit in (240, 220, 45) (GALAXY_FLAG_DATE_HIGHLIGHT), and
//    goes back to the UI player's colour once the day and auto-pass are over.
//  - Game thread only.
#include <atomic>
#include <cstdint>
#include "platform/calendar.h"

struct Control;
struct Game;

constexpr int GALAXY_IMAGE_CREDITS_COIN = 211;
constexpr int GALAXY_STATUS_CREDITS_ID = 400013;
constexpr int GALAXY_STATUS_DATE_ID = 400014;
constexpr int GALAXY_STATUS_ICON_ID = 400015;

struct GalaxyStatusBar {
    int32_t shown_credits = 0;   // what the credits label shows
    Date    shown_date;          // the day the date label shows (year, month and day compared)
};

// A bar showing the UI player's credits as they are (0 without a UI player) and no date yet, so
// its first update builds the labels. Null when out of memory.
GalaxyStatusBar *galaxy_status_bar_create(const Game *game);
void             galaxy_status_bar_free(GalaxyStatusBar *bar);

// Each frame: the date's highlight (reads and changes the screen's flags word), then, when the
// credits or the day changed, one easing step, the labels' texts and the panel's layout.
void galaxy_status_bar_update(GalaxyStatusBar *bar, Control *panel, std::atomic<uint32_t> *screen_flags, Game *game);
