#pragma once
// The game's top-level controls: the live list the game loop updates and draws every frame, the
// controls queued during a frame, the hover and key-focus controls and the cursors. They live in
// a ControlRoot, which the Game record extends; this module owns what is done with them.
//  - root->controls holds one reference per control (its free callback releases one); queued
//    controls (root->new_controls) hold none until game_flush_new_controls takes one at the end of
//    the update; a queued control dropped before that is destroyed when nothing else holds it.
//  - hover_control and focus_control hold one reference each.
//  - The pointer picks the highest layer under it (the later control on a tie, then the same
//    inside panels); hotkeys go from the highest layer down, in list order within a layer, and
//    only while no control holds the keyboard. A control's tag is its group number; controls of
//    a layer below 1 are transparent to game_control_at_point.
//  - control_root is the root the game registered (null before that); controls that look at the
//    focus or queue a tooltip use it.
//  - Game thread only, but for the flag word: a model worker may set the game's own bits while the
//    game thread reads and changes the word, so it is atomic.
#include <atomic>
#include <cstdint>
#include "platform/result.h"

struct Control;
struct Cursor;
struct Graphics;
template <typename T> struct List;

// The bits of the root's flag word the toolkit obeys; the game keeps its own bits in the same word.
constexpr uint32_t CONTROL_ROOT_NO_CURSOR      = 0x4u;     // no cursor drawing and no cursor animation
constexpr uint32_t CONTROL_ROOT_CONTROLS_OFF   = 0x8u;     // no control drawing and no control update
constexpr uint32_t CONTROL_ROOT_NO_MODE_UPDATE = 0x20u;    // neither the mode's update nor the controls'
constexpr uint32_t CONTROL_ROOT_MUSIC_RESTART  = 0x800u;   // cleared by every mode switch

constexpr int CONTROL_CURSOR_COUNT = 11;

struct ControlRoot {
    std::atomic<uint32_t> flags{CONTROL_ROOT_NO_CURSOR};   // see the contract above
    int32_t        cursor_index = 0;
    Cursor        *cursors[CONTROL_CURSOR_COUNT] = {};
    List<Control> *controls = nullptr;       // live top-level controls
    List<Control> *new_controls = nullptr;   // added during this frame
    Control       *hover_control = nullptr;  // one reference
    Control       *focus_control = nullptr;  // one reference; while set, hotkeys are not dispatched
};

void         control_root_register(ControlRoot *root);   // null forgets it
ControlRoot *control_root();

constexpr int CONTROL_ID_POPUP   = 2841404;   // the one detail popup
constexpr int CONTROL_ID_HELP    = 2841405;   // the help window
constexpr int CONTROL_ID_TOOLTIP = 2841406;
constexpr int CONTROL_LAYER_HELP  = 99;
constexpr int CONTROL_LAYER_POPUP = 100;

// The frame's passes over the top-level controls and the cursor, run by the mode's frame.
void game_update_controls(ControlRoot *root, int32_t elapsed_ms);   // hover, clicks, hotkeys, sweep, cursor
void game_draw_controls(ControlRoot *root, Graphics *graphics, int sign);   // sign >= 0: layers >= 0, else < 0
void game_flush_new_controls(ControlRoot *root);
void game_draw_cursor(ControlRoot *root, Graphics *graphics);
// Frees every control of both control lists and drops the hover and focus controls.
void game_clear_controls(ControlRoot *root);

// Queues a control at x, y. options: 1 disables it (no disable timer), 2 hides it. A non-zero id
// is stored. Returns ctrl.
Control *game_add_control(ControlRoot *root, int x, int y, int id, int options, Control *ctrl);
void     game_queue_control(ControlRoot *root, Control *ctrl);           // queued where it stands
Control *game_find_control(const ControlRoot *root, int id);             // first live one not removed
void     game_remove_controls_by_group(ControlRoot *root, int tag);      // live controls of that tag
void     game_set_focus_control(ControlRoot *root, Control *ctrl);       // null clears
Control *game_pick_control(const ControlRoot *root, int x, int y);       // what the pointer would hover

int game_has_escape_handler(const ControlRoot *root);
int game_control_at_point(const ControlRoot *root, int x, int y);        // live, layer >= 1
int game_solid_control_at_point(const ControlRoot *root, int x, int y);  // and not disabled

// The one detail popup, placed next to the anchor by the placement kinds of panel_find_position;
// it closes with its anchor. The placement's failure code, else RES_OK.
Result game_open_popup(ControlRoot *root, Control *panel, Control *anchor, int kind);
void   game_close_popup(ControlRoot *root);
// The look the detail popup and the help window share: grey border, near-black bevelled fill.
void   game_popup_look(Control *panel);
// Four lines spread 24 pixels out of the panel's edges while they fade over 130 ms.
void   game_flash_panel_frame(ControlRoot *root, Control *panel);

// Cursors 0..10: loaded on demand ("Load cursor %i"), the selected one animated and drawn.
Result game_load_cursor(ControlRoot *root, int n);       // RES_READ_FAILED when it cannot be loaded
void   game_select_cursor(ControlRoot *root, int n);     // loads when needed; a failure keeps the current one
void   game_free_cursor(ControlRoot *root, int n);
void   game_free_cursors(ControlRoot *root);
