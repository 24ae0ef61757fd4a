#pragma once
// Control core: the common header of every UI control, the class registry of the nine control
// types, creation and reference counting, the per-tick update of one control, the hotkey offer
// and the draw of one control.
//  - A control is one rectangle with a type (ControlType), a reference count, a position relative
//    to its owner, callbacks, flags, timers and the type's own data behind the header (reached
//    through the type's accessor, e.g. panel_of).
//  - Reference counts start at 0; every holder (top-level list, panel, hover slot, linked control)
//    adds one. Removal is a flag; the owner's sweep releases removed controls; nothing frees a
//    control directly but control_release at zero.
//  - Game thread only. Draw slots only append draw commands; a sprite or shared block that a
//    command reads carries its own reference.
//  - control_create returns null for a type outside 0..8; the registry functions return
//    RES_OUT_OF_RANGE for such a type.
#include <cstddef>
#include <cstdint>
#include "platform/result.h"

struct Control;
struct Graphics;
struct MovementPath;

using ControlFn = void (*)(Control *ctrl);
using FreeFn    = void (*)(void *data);

// What an attached control follows: a thing of the caller's, reached through the caller's own
// operations, on which the control holds one reference while attached.
struct ControlFollowOps {
    void (*addref)(void *target) = nullptr;
    void (*release)(void *target) = nullptr;
    // The target's rectangle in its area's coordinates; false once it is gone (the control then
    // lets go of it and detaches).
    bool (*rect)(const void *target, int *x, int *y, int *w, int *h) = nullptr;
};

// The view of a scrolled area an anchored control is placed in: the visible origin and the
// area's whole size.
using ControlAreaViewFn = void (*)(const void *area, int *view_x, int *view_y, int *area_w, int *area_h);

enum ControlType : int32_t {
    CONTROL_MINIMAP    = 0,
    CONTROL_PANEL      = 1,
    CONTROL_IMAGE      = 2,
    CONTROL_TEXT       = 3,
    CONTROL_LINES      = 4,
    CONTROL_VALUE_BAR  = 5,
    CONTROL_SCROLL     = 6,
    CONTROL_ARC        = 7,
    CONTROL_BITMAP     = 8,
    CONTROL_TYPE_COUNT = 9,
};

// ControlFlags
constexpr uint32_t CTRL_HOVERED          = 0x1;
constexpr uint32_t CTRL_PRESSED          = 0x2;
constexpr uint32_t CTRL_REMOVED          = 0x4;
constexpr uint32_t CTRL_HOTKEY_HELD      = 0x8;
constexpr uint32_t CTRL_IN_PANEL         = 0x10;
constexpr uint32_t CTRL_HIDDEN           = 0x20;
constexpr uint32_t CTRL_DISABLED         = 0x40;
constexpr uint32_t CTRL_MOVING           = 0x80;
constexpr uint32_t CTRL_ANCHORED         = 0x100;
constexpr uint32_t CTRL_ATTACHED         = 0x200;
constexpr uint32_t CTRL_DWELL_FIRED      = 0x400;
constexpr uint32_t CTRL_SHOW_TIMER       = 0x800;
constexpr uint32_t CTRL_HIDE_TIMER       = 0x1000;
constexpr uint32_t CTRL_DISABLE_TIMER    = 0x2000;
constexpr uint32_t CTRL_ATTACH_PAUSED    = 0x4000;
constexpr uint32_t CTRL_REMOVE_TIMER     = 0x8000;
constexpr uint32_t CTRL_FADING           = 0x10000;
constexpr uint32_t CTRL_CLOSED           = 0x20000;
constexpr uint32_t CTRL_ATTACH_KEEP_Y    = 0x40000;
constexpr uint32_t CTRL_ATTACH_CENTRE_X  = 0x80000;
constexpr uint32_t CTRL_RECT_TEST        = 0x100000;
constexpr uint32_t CTRL_NO_HINT          = 0x200000;
constexpr uint32_t CTRL_CLICK_SOUND      = 0x400000;
constexpr uint32_t CTRL_REMOVE_PAUSES    = 0x800000;

// Callback indexes of control_set_callback, in the header's order.
enum ControlCallback : int {
    CONTROL_ON_CLICK = 0, CONTROL_ON_HOLD, CONTROL_ON_HOVER_ENTER, CONTROL_ON_HOVER_LEAVE,
    CONTROL_ON_KEY, CONTROL_ON_DWELL, CONTROL_ON_TIMER, CONTROL_ON_KEY_DOWN, CONTROL_ON_KEY_UP,
    CONTROL_ON_WHEEL, CONTROL_ON_AWAY, CONTROL_ON_OUTSIDE_CLICK, CONTROL_CALLBACK_COUNT,
};


struct Control {
    int32_t   type;
    int32_t   refcount;
    int32_t   x, y;                   // relative to the owner's content origin (top level: screen)
    int32_t   w, h;
    ControlFn on_click;               // left button went down while hovered (sound 5 first with CTRL_CLICK_SOUND)
    ControlFn on_hold;                // every tick the left button is down on it
    ControlFn on_hover_enter;
    ControlFn on_hover_leave;         // not when it is removed
    ControlFn on_key;                 // its hotkey went down (sound 5 first)
    ControlFn on_dwell;               // pointer stayed dwell_delay ms (once per hover)
    ControlFn on_timer;               // timer_left ran out (once)
    ControlFn on_key_down;            // key-focus control only
    ControlFn on_key_up;
    ControlFn on_wheel;
    ControlFn on_away;                // pointer away for away_delay ms (once, re-armed by a return)
    ControlFn on_outside_click;       // left or right button went down while the pointer is elsewhere
    uint32_t  flags;
    int32_t   hotkey;                 // key code firing on_key; 0 or less = none
    int32_t   held_key;               // key held by the key-focus control
    int32_t   tag;                    // group number (removed as a group from the top level)
    int32_t   id;                     // screen-defined id; panels find children by it
    int32_t   layer;                  // pick and draw priority
    const void *anchor;               // the scrolled area (not counted)
    ControlAreaViewFn anchor_view;    // its view; set with anchor
    int32_t   abs_x, abs_y;           // world position when anchored
    void     *user_data;
    void     *target;                 // what it follows while attached (one reference)
    const ControlFollowOps *target_ops;
    int32_t   target_dx, target_dy;
    FreeFn    user_free;
    Control  *owner;                  // owning panel (not counted)
    int32_t   show_ms, hide_ms, enable_ms, remove_ms;
    MovementPath *move;               // the slide of control_move_to (linear, one unit per ms)
    int32_t   move_from_x, move_from_y;
    int32_t   dwell_delay, dwell_left;
    int32_t   away_delay, away_left;
    int32_t   timer_left;
    void     *widget_state;
    FreeFn    widget_free;
    Control  *linked;                 // kept alive by this control (counted)
};

// One record per control type; an empty slot means the operation does not apply.
struct ControlClass {
    Result (*load_assets)(int argument) = nullptr;
    void   (*free_assets)(int argument) = nullptr;
    void   (*free_all_assets)() = nullptr;
    size_t (*size)() = nullptr;   // bytes of the type data
    void   (*init)(Control *ctrl) = nullptr;   // type data is constructed here
    void   (*free)(Control *ctrl) = nullptr;   // and destroyed here
    void   (*on_user_data)(Control *ctrl) = nullptr;
    void   (*update)(Control *ctrl, int ms) = nullptr;
    void   (*draw)(Control *ctrl, Graphics *gfx, int ox, int oy) = nullptr;   // ox, oy: owner's drawing origin
    void   (*on_show)(Control *ctrl) = nullptr;
    void   (*get_bounds)(const Control *ctrl, int *x, int *y, int *w, int *h) = nullptr;
    // The type's own colours run to black over ms (a panel fades its children too); empty: the
    // type has no colours of its own to fade. control_fade_out does the rest for every type.
    void   (*fade_out)(Control *ctrl, int ms) = nullptr;
};

// The class of a type (the registry is filled on first use); null outside 0..8.
const ControlClass *control_class(int type);
// Start of a control's type data (follows the header in the same allocation).
void *control_type_data(Control *ctrl);
const void *control_type_data(const Control *ctrl);

Control *control_create(int type);
Control *control_addref(Control *ctrl);
void     control_release(Control *ctrl);
void     control_destroy(Control *ctrl);
void     control_remove(Control *ctrl);

void control_set_position(Control *ctrl, int x, int y);
void control_move_to(Control *ctrl, int x, int y, int ms);
// Attaches the control to a target it then follows every update: options 1 keeps its own y, 2
// centres it over the target (else dx from the target's left edge). A null target detaches it.
void control_attach(Control *ctrl, void *target, const ControlFollowOps *ops, int dx, int dy, int options);
void control_get_screen_position(const Control *ctrl, int *x, int *y);
void control_get_bounds(const Control *ctrl, int *x, int *y, int *w, int *h);
void control_set_user_data(Control *ctrl, void *data, FreeFn free_fn);
void control_set_size(Control *ctrl, int w, int h);

void control_update(Control *ctrl, int ms);
bool control_handle_hotkey(Control *ctrl);
void control_draw(Control *ctrl, Graphics *gfx, int x, int y);

Result control_classes_load_assets(int type, int argument);
void   control_classes_free_all();

// Small setters: each changes only what its name says.
void control_set_hint_enabled(Control *ctrl, bool on);
void control_set_rect_test(Control *ctrl);
void control_set_linked(Control *ctrl, Control *other);
void control_set_widget_state(Control *ctrl, void *state, FreeFn free_fn);
void control_set_timer(Control *ctrl, int ms);
void control_set_long_away(Control *ctrl);
void control_set_short_dwell(Control *ctrl);
void control_set_closed(Control *ctrl);
void control_set_fading(Control *ctrl, bool on);
void control_pause_attachment(Control *ctrl);
void control_set_owner(Control *ctrl, Control *panel);
void control_set_layer(Control *ctrl, int layer);
void control_set_id(Control *ctrl, int id);
void control_set_tag(Control *ctrl, int tag);
void control_set_hotkey(Control *ctrl, int key);
// Anchors the control in a scrolled area (its position is then in the area's coordinates); on =
// false lets go of it; on without an area or a view changes nothing.
void control_set_anchor(Control *ctrl, bool on, const void *area, ControlAreaViewFn view);
// The view of the control's area: origin 0, 0 and the screen's size when it is not anchored.
void control_anchor_view(const Control *ctrl, int *view_x, int *view_y, int *area_w, int *area_h);
void control_disable_for(Control *ctrl, int ms);
void control_set_enabled(Control *ctrl, bool on);
bool control_is_enabled(const Control *ctrl);
bool control_is_shown(const Control *ctrl);
bool control_is_active(const Control *ctrl);
void control_set_hidden(Control *ctrl, bool show);   // show = false hides
void control_hide_for(Control *ctrl, int ms);
void control_show_for(Control *ctrl, int ms);
void control_remove_after(Control *ctrl, int ms);
void control_pause_removal_while_hidden(Control *ctrl);
void control_call_on_show(Control *ctrl);
void control_set_callback(Control *ctrl, int index, ControlFn fn);
bool control_is_inside_owner_view(const Control *ctrl);

// Plays the click (sound 5); the count of clicks played is kept for the tests.
void control_play_click();
int  control_clicks_played();

// Fades the control's colours to black over ms, disables it and removes it after ms (now for 0).
void control_fade_out(Control *ctrl, int ms);
