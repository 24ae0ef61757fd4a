#pragma once
// Top-level control lists: the live controls that the game loop updates and draws every frame,
// the controls queued during a frame, the hover control and the key-focus control.
//  - One process-wide record (control_lists), created on first use; the game loop runs
//    control_lists_update once per frame and control_lists_draw while it builds a frame.
//  - live holds one reference per control; queued controls hold none until the flush at the end
//    of the update takes one (a queued control freed before that is destroyed).
//  - The hover and focus slots hold one reference each.
//  - Layers: the pointer picks the highest layer under it (later in list order on ties, then the
//    same inside panels); hotkeys go from the highest layer down. The tag is a group number.
//    Controls with a layer below 1 are transparent to control_lists_at_point.
//  - Game thread only.
#include <cstdint>
#include <vector>
#include "platform/list.h"
#include "platform/result.h"

struct Control;
struct Graphics;
struct Cursor;

constexpr int CONTROL_ID_POPUP   = 2841404;   // the one detail popup
constexpr int CONTROL_ID_HELP    = 2841405;   // the help window
constexpr int CONTROL_ID_TOOLTIP = 2841406;
constexpr int CONTROL_LAYER_HELP  = 99;
constexpr int CONTROL_LAYER_POPUP = 100;

struct ControlLists {
    List<Control> live;
    List<Control> fresh;                // queued this frame
    Control *hover = nullptr;
    Control *focus = nullptr;           // key focus: no hotkeys while it is set
    Cursor  *cursor = nullptr;          // current cursor (not owned), advanced by the update
    bool     cursor_hidden = false;
};

ControlLists *control_lists();                        // the game's lists
void control_lists_clear(ControlLists *lists);        // frees both lists, drops hover and focus

// options: 1 disables (no disable timer), 2 hides. A non-zero id is stored. Returns ctrl.
Control *control_lists_add(ControlLists *lists, int x, int y, int id, int options, Control *ctrl);
void     control_lists_queue(ControlLists *lists, Control *ctrl);   // append to the queued list
void     control_lists_flush(ControlLists *lists);
Control *control_lists_find(const ControlLists *lists, int id);     // first live, not removed
void     control_lists_remove_group(ControlLists *lists, int tag);
void     control_lists_set_focus(ControlLists *lists, Control *ctrl);   // null clears

// The pointer pass, the hotkey pass, the removal sweep and update of every live control, the
// flush of queued controls and the cursor's animation; once per frame.
void control_lists_update(ControlLists *lists, int ms);
// Draws the live controls with layer >= 0 (sign >= 0) or < 0 (sign < 0), ascending by layer.
void control_lists_draw(const ControlLists *lists, Graphics *gfx, int sign);
// The current cursor at the pointer minus its hot spot (nothing while the cursor is hidden).
void control_lists_draw_cursor(const ControlLists *lists, Graphics *gfx);
// The control the pointer would pick at x, y (null when none).
Control *control_lists_pick(const ControlLists *lists, int x, int y);

bool control_lists_has_escape_handler(const ControlLists *lists);
bool control_lists_at_point(const ControlLists *lists, int x, int y);         // layer >= 1 controls
bool control_lists_solid_at_point(const ControlLists *lists, int x, int y);   // and not disabled

// The one detail popup, placed next to the anchor (placement kinds of panel_find_position).
Result control_lists_open_popup(ControlLists *lists, Control *panel, Control *anchor, int kind);
void   control_lists_close_popup(ControlLists *lists);
// Four lines that spread 24 pixels out of the panel's edges while they fade over 130 ms.
void   control_lists_flash_frame(ControlLists *lists, Control *panel);
