#pragma once
// Commander box and officer chooser: the one-line officer widget of every panel that names who
// commands a ship or a starbase (rank icon, name and rank, optionally the skill icons and the cost
// and time of the officer's training), and a vertical list of such boxes to pick a site's officer.
//  - A box is a panel whose children are built from an Officer that it reads and never keeps; it
//    adds no callbacks, so the panel that embeds it decides what a click does. A box is rebuilt,
//    never updated: commander_box_init again whenever the post's commander changes.
//  - Its widget state is a CommanderBoxState: the two column widths that lists line up with
//    commander_box_align_columns (applied once after each build: it moves, it does not record).
//  - A chooser holds one reference on every officer it lists, released when the chooser is freed.
//  - Game thread only, like every control.
#include <cstdint>
#include "platform/list.h"
#include "ui/control.h"

struct GameObject;
struct Officer;

// Box flags.
constexpr uint32_t COMMANDER_BOX_ANIMATE   = 0x1;   // nothing inside the box; passed with the skills
constexpr uint32_t COMMANDER_BOX_COSTS     = 0x2;   // training cost and training time columns
constexpr uint32_t COMMANDER_BOX_SKILLS    = 0x4;   // one icon per skill the officer has
constexpr uint32_t COMMANDER_BOX_NAME_ONLY = 0x8;   // no rank-name line

// Children by id.
constexpr int COMMANDER_BOX_ID_NAME         = 100001;   // the name, or "(No commander)"
constexpr int COMMANDER_BOX_ID_RANK_NAME    = 100002;
constexpr int COMMANDER_BOX_ID_RANK_ICON    = 100003;   // or the empty-box icon
constexpr int COMMANDER_BOX_ID_CREDITS_ICON = 100004;
constexpr int COMMANDER_BOX_ID_COST         = 100005;
constexpr int COMMANDER_BOX_ID_DAYS_ICON    = 100006;
constexpr int COMMANDER_BOX_ID_DAYS         = 100007;
// Column tags: the skill icons, and the four cost-column children.
constexpr int COMMANDER_BOX_TAG_SKILL = 100001;
constexpr int COMMANDER_BOX_TAG_COST  = 100002;

constexpr int COMMANDER_BOX_EMPTY_ICON = 119;   // image type of the box without an officer

struct CommanderBoxState {
    int32_t name_end = 0;      // x at which the skill icons start
    int32_t skill_width = 0;   // from name_end to the cost columns (14 without skill icons)
};

// Builds the box into an existing panel: children removed, styled, a fresh state, the content
// (officer null: the empty box), sized to its content + 6.
void     commander_box_init(Control *box, const Officer *officer, uint32_t flags);
// A new panel (20 x 10, tag -1) with the box built into it.
Control *commander_box_create(const Officer *officer, uint32_t flags);
// A box for a commander known only by name and rank (a snapshot's stored text); rank below 0
// gives the empty box.
Control *commander_box_create_named(const char *name, int32_t rank, uint32_t flags);

CommanderBoxState *commander_box_state(Control *box);   // null when box is no commander box
int32_t commander_box_get_name_width(Control *box);     // 0 for a control that is no box
int32_t commander_box_get_skill_width(Control *box);
// Moves the skill column to the given name column end and the cost columns after the given skill
// width, then resizes the box to its content + 6.
void    commander_box_align_columns(Control *box, int32_t name_end, int32_t skill_width);
// The largest name column end and skill column width over the boxes, applied to each of them
// (null items are skipped).
void    commander_boxes_align(List<Control> *boxes);

// ---- Officer chooser ----

constexpr int OFFICER_CHOOSER_ROW_GAP = 4;

struct OfficerChooserState {
    List<Control> rows;       // the commander boxes, in officer order (owned by the chooser panel)
    List<Officer> officers;   // one reference each, released when the state is freed
    ControlFn     on_pick = nullptr;   // called with the chooser after selected is set
    int32_t       selected = -1;
};

// A new chooser panel over the site's officers (a training site's recruits).
Control *officer_chooser_create(GameObject *site, ControlFn on_pick);
void     officer_chooser_init(Control *chooser, GameObject *site, ControlFn on_pick);
OfficerChooserState *officer_chooser_state(Control *chooser);   // null for any other control
// The officer of the clicked row; null when none was clicked or the index is out of range.
Officer *officer_chooser_get_selected(Control *chooser);
