#pragma once
// The galaxy screen's flags word and the groups of its top-level controls.
//  - The game thread sets and clears every bit but the workers' completion bits
//    (GALAXY_FLAG_ADVANCE_AI_DONE, GALAXY_FLAG_AI_ENCOUNTERS_DONE, GALAXY_FLAG_ENCOUNTER_LOADED),
//    which a worker sets as its very last write; the word is atomic for that.
#include <cstdint>

constexpr uint32_t GALAXY_FLAG_SELECTED                = 0x1;          // an object is selected
constexpr uint32_t GALAXY_FLAG_ENCOUNTERS_PENDING      = 0x2;          // the game's battle list is not empty
constexpr uint32_t GALAXY_FLAG_ZOOM_IN                 = 0x4;          // star map -> one sector
constexpr uint32_t GALAXY_FLAG_SECTOR_BACKGROUND       = 0x8;          // the draw switches to the sector background
constexpr uint32_t GALAXY_FLAG_REPAINT                 = 0x10;         // reload the backgrounds, repaint everything
constexpr uint32_t GALAXY_FLAG_HIDE_MAP                = 0x20;         // the map is not drawn
constexpr uint32_t GALAXY_FLAG_ZOOM_OUT                = 0x40;         // one sector -> star map
constexpr uint32_t GALAXY_FLAG_STARMAP_BACKGROUND      = 0x80;         // the draw switches to the star map background
constexpr uint32_t GALAXY_FLAG_CLOCK_RUNNING           = 0x100;        // a day is being advanced
constexpr uint32_t GALAXY_FLAG_RESET_BACKGROUND        = 0x200;        // reset the working background, repaint
constexpr uint32_t GALAXY_FLAG_COMBAT_HANDOFF          = 0x400;        // the hand-off to the combat screen runs
constexpr uint32_t GALAXY_FLAG_LOAD_COMBAT_BACKGROUND  = 0x800;        // the draw loads the combat background
constexpr uint32_t GALAXY_FLAG_MENU_OPEN               = 0x1000;       // the game menu panel is open
constexpr uint32_t GALAXY_FLAG_ENCOUNTER_LOADED        = 0x4000;       // the load-encounter worker is done
constexpr uint32_t GALAXY_FLAG_STARMAP_VIEW            = 0x10000;      // the star map is shown (clear: one sector)
constexpr uint32_t GALAXY_FLAG_ENCOUNTER_LOAD_INLINE   = 0x20000;      // the battle map is built on the game thread
constexpr uint32_t GALAXY_FLAG_LOADING_TEXT            = 0x40000;      // the hand-off's "Loading..." is drawn
constexpr uint32_t GALAXY_FLAG_DATE_HIGHLIGHT          = 0x80000;      // the status bar's date is highlighted
constexpr uint32_t GALAXY_FLAG_OBJECT_PANEL_SHOWN      = 0x200000;     // an object panel opened from a side list
constexpr uint32_t GALAXY_FLAG_ENCOUNTER_PANEL         = 0x400000;     // the battle dialog (400029) is open
constexpr uint32_t GALAXY_FLAG_TURN_IN_PROGRESS        = 0x800000;     // a turn is under way; the map takes no commands
constexpr uint32_t GALAXY_FLAG_AUTO_PASS               = 0x1000000;    // automatic passing is armed
constexpr uint32_t GALAXY_FLAG_STOP_REQUESTED          = 0x2000000;    // automatic passing is to stop
constexpr uint32_t GALAXY_FLAG_HELP_OPEN               = 0x4000000;    // the help popup is open
constexpr uint32_t GALAXY_FLAG_ADVANCE_AI_STARTED      = 0x8000000;    // the advance-AI worker runs
constexpr uint32_t GALAXY_FLAG_ADVANCE_AI_DONE         = 0x10000000;   // ... and is done
constexpr uint32_t GALAXY_FLAG_AI_ENCOUNTERS_RUNNING   = 0x20000000;   // the AI encounter worker runs
constexpr uint32_t GALAXY_FLAG_AI_ENCOUNTERS_DONE      = 0x40000000;   // ... and is done
constexpr uint32_t GALAXY_FLAG_BUSY_SHOWN              = 0x80000000;   // the busy picture is armed or shown

// Groups (control tags) of the screen's top-level controls, removed together.
constexpr int GALAXY_GROUP_MARKERS       = 40001;   // map markers of the current view
constexpr int GALAXY_GROUP_SELECTION     = 40002;   // selection bracket, course and hover lines
constexpr int GALAXY_GROUP_OBJECT_PANELS = 40003;   // object panels

// A computer player's worker runs: the screen neither walks nor changes the model meanwhile.
inline bool galaxy_ai_thread_runs(uint32_t flags) {
    return (flags & (GALAXY_FLAG_ADVANCE_AI_STARTED | GALAXY_FLAG_AI_ENCOUNTERS_RUNNING)) != 0;
}
