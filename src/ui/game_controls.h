#pragma once
// The game's top-level controls: the live list the game loop updates and draws every frame, the
// controls queued during a frame, the hover and key-focus controls and the cursors (the fields
// live in Game; this module owns what is done with them).
//  - game->controls holds one reference per control (its free callback releases one); queued
//    controls (game->new_controls) hold none until game_flush_new_controls takes one at the end of
//    the update; a queued control dropped before that is destroyed when nothing else holds it.
//  - hover_control and focus_control hold one reference each.
//  - The pointer picks the highest layer under it (the later control on a tie, then the same
//    inside panels); hotkeys go from the highest layer down, in list order within a layer, and
//    only while no control holds the keyboard. A control's tag is its group number; controls of
//    a layer below 1 are transparent to game_control_at_point.
//  - Game thread only.
#include <cstdint>
#include "platform/result.h"

struct Game;
struct Control;
struct Graphics;

constexpr int CONTROL_ID_POPUP   = 2841404;   // the one detail popup
constexpr int CONTROL_ID_HELP    = 2841405;   // the help window
constexpr int CONTROL_ID_TOOLTIP = 2841406;
constexpr int CONTROL_LAYER_HELP  = 99;
constexpr int CONTROL_LAYER_POPUP = 100;

// The frame's passes (game_update_controls, game_draw_controls, game_flush_new_controls and
// game_draw_cursor are declared with the game loop; game_clear_controls with the game).

// Queues a control at x, y. options: 1 disables it (no disable timer), 2 hides it. A non-zero id
// is stored. Returns ctrl.
Control *game_add_control(Game *game, int x, int y, int id, int options, Control *ctrl);
void     game_queue_control(Game *game, Control *ctrl);           // queued where it stands
Control *game_find_control(const Game *game, int id);             // first live one not removed
void     game_remove_controls_by_group(Game *game, int tag);      // live controls of that tag
void     game_set_focus_control(Game *game, Control *ctrl);       // null clears
Control *game_pick_control(const Game *game, int x, int y);       // what the pointer would hover

int game_has_escape_handler(const Game *game);
int game_control_at_point(const Game *game, int x, int y);        // live, layer >= 1
int game_solid_control_at_point(const Game *game, int x, int y);  // and not disabled

// The one detail popup, placed next to the anchor by the placement kinds of panel_find_position;
// it closes with its anchor. The placement's failure code, else RES_OK.
Result game_open_popup(Game *game, Control *panel, Control *anchor, int kind);
void   game_close_popup(Game *game);
// Four lines spread 24 pixels out of the panel's edges while they fade over 130 ms.
void   game_flash_panel_frame(Game *game, Control *panel);

// Cursors 0..10: loaded on demand ("Load cursor %i"), the selected one animated and drawn.
Result game_load_cursor(Game *game, int n);       // RES_READ_FAILED when it cannot be loaded
void   game_select_cursor(Game *game, int n);     // loads when needed; a failure keeps the current one
void   game_free_cursor(Game *game, int n);
void   game_free_cursors(Game *game);
