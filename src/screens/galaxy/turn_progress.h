#pragma once
// Turn progress: the day progress bar while a galaxy day passes, and the auto-pass countdown bar.
//  - Both panels are the screen's (made hidden by its construction); each holds a value bar
//    GALAXY_PROGRESS_BAR_ID.
//  - The day's bar counts the day's minutes left, 1440 at the start, and only ever goes down
//    while the day runs; when the day is over it drops to 1, the panel folds to 2 pixels in
//    120 ms and hides.
//  - The countdown bar shows the time left before the next automatic pass against the auto-pass
//    setting, only while auto-pass is armed and no computer player's worker runs.
//  - Game thread only.
#include <cstdint>

struct Control;
struct Game;

constexpr int GALAXY_PROGRESS_BAR_ID = 400012;

// Rebuilds the day progress panel for a new day (a full bar beside the clock) and shows it,
// growing from 8 pixels about its centre over 100 ms.
void galaxy_day_progress_build(Control *panel);

// Each frame: moves the day's bar with the clock's minute of the day and hides it at the end of the
// day; shows or hides the countdown.
void galaxy_turn_progress_update(Control *day_panel, Control *countdown_panel, uint32_t screen_flags,
                                 int32_t autopass_countdown_ms, Game *game);
