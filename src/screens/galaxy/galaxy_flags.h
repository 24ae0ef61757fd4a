#pragma once
// The galaxy screen's flags word: the bits its status bars read. The screen sets and clears them;
// the bars only look.
#include <cstdint>

constexpr uint32_t GALAXY_FLAG_CLOCK_RUNNING         = 0x100;        // a day is being advanced
constexpr uint32_t GALAXY_FLAG_STARMAP_VIEW          = 0x10000;      // the star map is shown (clear: one sector)
constexpr uint32_t GALAXY_FLAG_DATE_HIGHLIGHT        = 0x80000;      // the status bar's date is highlighted
constexpr uint32_t GALAXY_FLAG_AUTO_PASS             = 0x1000000;    // automatic passing is armed
constexpr uint32_t GALAXY_FLAG_ADVANCE_AI_STARTED    = 0x8000000;    // the advance-AI worker runs
constexpr uint32_t GALAXY_FLAG_AI_ENCOUNTERS_RUNNING = 0x20000000;   // the AI encounter worker runs

// A computer player's worker runs: the screen neither walks nor changes the model meanwhile.
inline bool galaxy_ai_thread_runs(uint32_t flags) {
    return (flags & (GALAXY_FLAG_ADVANCE_AI_STARTED | GALAXY_FLAG_AI_ENCOUNTERS_RUNNING)) != 0;
}
