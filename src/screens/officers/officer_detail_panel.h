#pragma once
// The officer detail panel: one officer's name, portrait, post, rank and experience, service
// record and skills, and for the viewer's own officer the actions that apply to it (train or
// resume a cadet's training, replace or reassign a hired officer).
//  - Built into a panel the opener owns (the galaxy screen's officer panel, the combat screen's);
//    building again into the same panel replaces the whole content and the state record.
//  - The panel only displays: every button calls a command slot of its OfficerDetailPanelState, which
//    the opener fills right after the build; an empty slot does nothing. The officer is the
//    panel's user data (not held: the officer's player keeps it for the panel's life).
//  - Game thread only.
#include <cstdint>
#include "ui/panel.h"

struct Officer;

// Build options, a bit set.
constexpr int32_t OFFICER_PANEL_ANIMATE = 0x1;   // caption grows, cost tag slides, rows and buttons animate
constexpr int32_t OFFICER_PANEL_CLOSE   = 0x2;   // the caption carries a close button (Esc)
constexpr int32_t OFFICER_PANEL_OWN     = 0x4;   // the viewer's officer: cost tag and action buttons
constexpr int32_t OFFICER_PANEL_BACK    = 0x8;   // a "Back" button

// Children by id.
constexpr int OFFICER_PANEL_CAPTION      = 100001;
constexpr int OFFICER_PANEL_BUTTONS      = 100002;
constexpr int OFFICER_PANEL_STATS        = 100003;
constexpr int OFFICER_PANEL_COST_TAG     = 100004;
constexpr int OFFICER_PANEL_PORTRAIT     = 100005;
constexpr int OFFICER_PANEL_POST_LABEL   = 100007;
constexpr int OFFICER_PANEL_POST_NAME    = 100008;
constexpr int OFFICER_PANEL_POST_PICTURE = 100009;
constexpr int OFFICER_PANEL_POST         = 100010;
// Tags: the skill rows carry their skill index as panel value, the experience bar this tag.
constexpr int OFFICER_PANEL_SKILL_ROW_TAG = 100020;
constexpr int OFFICER_PANEL_XP_BAR_TAG    = 100021;

// Image types the panel shows.
constexpr int OFFICER_IMAGE_PORTRAIT = 52;    // the stock portrait
constexpr int OFFICER_IMAGE_STARBASE_POST = 121;
constexpr int OFFICER_IMAGE_PIP = 56;

enum OfficerPanelSlot : int {
    OFFICER_DETAIL_PANEL_SLOT_BACK     = 0,
    OFFICER_DETAIL_PANEL_SLOT_CLOSED   = 1,   // after the caption closed the panel
    OFFICER_DETAIL_PANEL_SLOT_TRAIN    = 2,   // "Train" or "Resume"
    OFFICER_DETAIL_PANEL_SLOT_REASSIGN = 3,
    OFFICER_DETAIL_PANEL_SLOT_REPLACE  = 4,
};

struct OfficerDetailPanelState : PanelCommandSlots {
    bool resume = false;         // the cadet's training is paused at its sector's training site
};

// The panel's state, null for any other panel; the officer it shows, null likewise.
OfficerDetailPanelState *officer_detail_panel_state(Control *panel);
Officer           *officer_detail_panel_officer(Control *panel);

void officer_detail_panel_build(Control *panel, Officer *officer, int32_t options);

// A cadet's training as offered: its training cost and days, or the paused item's saved cost and
// whole days left when its sector's training site holds the cadet's paused training (returns true).
bool officer_training_offer(const Officer *officer, int32_t *cost, int32_t *days);

// The portrait "pilot/%.3i.png" of the officer, or the stock portrait (image type 52) when it has
// none or the picture does not load. A new control.
Control *officer_portrait_create(const Officer *officer);

// Dwell and leave of a skill row: the skill's bonus popup for the officer of the row's panel
// (the row's user data), at the officer's level of that skill.
void officer_skill_popup_open(Control *row);
void officer_skill_popup_leave(Control *row);
