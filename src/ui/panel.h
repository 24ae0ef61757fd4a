#pragma once
// Panel: the container control (type 1) of every screen, dialog and popup.
//  - Owns one reference to each child and each effect; removed children leave the list on the
//    panel's next update (the sweep); removing a panel removes its children at once.
//  - Scrolls its content (scroll_x, scroll_y are subtracted from the children's positions), fills
//    and frames its rectangle, grows or shrinks smoothly while keeping an edge or its centre in
//    place (anchor mode), places itself next to a target rectangle, fades out with its children.
//  - Colour records that cannot be allocated leave the feature without colour; draws and updates
//    skip it. panel_find_position returns RES_NO_PLACEMENT when placement is off.
//  - Game thread only.
#include <cstdint>
#include <vector>
#include "platform/list.h"
#include "platform/result.h"
#include "ui/control.h"

struct ColourFade;
struct ScrollList;

// PanelFlags
constexpr uint32_t PANEL_SHADED          = 0x1;
constexpr uint32_t PANEL_BORDER          = 0x2;
constexpr uint32_t PANEL_RESIZING        = 0x4;
constexpr uint32_t PANEL_SPLIT_FILL      = 0x8;
constexpr uint32_t PANEL_BACKGROUND      = 0x10;
constexpr uint32_t PANEL_BORDER_HOVER    = 0x20;
constexpr uint32_t PANEL_GRID            = 0x40;
constexpr uint32_t PANEL_ALT_FILL        = 0x80;
constexpr uint32_t PANEL_BG_HOVER        = 0x100;
constexpr uint32_t PANEL_BORDER_HOVERED  = 0x200;
constexpr uint32_t PANEL_BG_HOVERED      = 0x400;
constexpr uint32_t PANEL_DRAW_RESIZING   = 0x800;
constexpr uint32_t PANEL_BEVEL           = 0x1000;
constexpr uint32_t PANEL_SCROLL_FOLLOWS  = 0x2000;
constexpr uint32_t PANEL_PLACEMENT       = 0x4000;
constexpr uint32_t PANEL_DIM             = 0x8000;
constexpr uint32_t PANEL_GLOW            = 0x20000;

// Flags that make a panel plain (no fill, border, background or hover looks).
constexpr uint32_t PANEL_PLAIN_MASK_KEEP_BORDER = 0x5d9;
constexpr uint32_t PANEL_PLAIN_MASK             = 0x5db;

// Anchor modes of control_set_size on a panel.
enum PanelAnchor : int32_t {
    PANEL_ANCHOR_NONE = 0, PANEL_ANCHOR_RIGHT = 1, PANEL_ANCHOR_BOTTOM_RIGHT = 2,
    PANEL_ANCHOR_BOTTOM = 3, PANEL_ANCHOR_CENTRE = 4,
};

// Placement rectangle kinds.
enum PlacementKind : int32_t {
    PLACE_BOUNDS = 0, PLACE_BESIDE = 1, PLACE_LEFT_OF = 2, PLACE_RIGHT_OF = 3, PLACE_AVOID = 4,
};

struct PlacementRect {
    int32_t kind, x, y, w, h;
};

struct Effect;
// What a panel needs of the effects it shows; the effect framework installs these.
struct PanelEffectHooks {
    bool (*finished)(const Effect *effect);
    void (*step)(Effect *effect, int ms);
    void (*draw)(Effect *effect, Graphics *gfx, int ox, int oy);   // ox, oy: where 0, 0 of the panel's content lies
    int  (*layer)(const Effect *effect);
    void (*place)(Effect *effect, int x, int y, int layer);
    void (*release)(Effect *effect);
};
void panel_set_effect_hooks(const PanelEffectHooks &hooks);
const PanelEffectHooks &panel_effect_hooks();

struct Panel {
    uint32_t flags = 0;
    List<Control> children;             // one reference each; drawing and hit order
    int32_t scroll_x = 0, scroll_y = 0;
    int32_t target_w = 0, target_h = 0;
    int32_t start_w = 0, start_h = 0;
    int32_t anchor_mode = PANEL_ANCHOR_NONE;
    int32_t centre_rest_x = 0, centre_rest_y = 0;
    int32_t rate_x = 0, rate_y = 0;     // thousandths of a pixel per ms
    int32_t acc_x = 0, acc_y = 0;
    int32_t shade_shift = 1;
    int32_t grid_dx = 0, grid_dy = 0;
    int32_t grid_direction = 0;
    int32_t grid_period = 0;
    int32_t grid_acc = 0;
    int32_t grid_phase = 0;
    ColourFade *border = nullptr;
    uint8_t border_rgb[3] = {0, 0, 0}, border_hover_rgb[3] = {0, 0, 0};
    int32_t border_hover_ms = 0;
    ColourFade *background = nullptr;
    uint8_t background_rgb[3] = {0, 0, 0}, background_hover_rgb[3] = {0, 0, 0};
    int32_t background_hover_ms = 0;
    ColourFade *grid = nullptr;
    ColourFade *alt_fill = nullptr;
    int32_t value = -1;                 // free integer for the owning screen
    ColourFade *gradient_a = nullptr, *gradient_b = nullptr;
    int32_t gradient_split = 0;
    std::vector<PlacementRect> placement;
    List<Effect> effects;               // one reference each
    int32_t dim_shift = 1;
    ColourFade *glow = nullptr;
    const void *command_state = nullptr;   // the widget state kept by panel_set_command_state
    FreeFn command_free = nullptr;
    ScrollList *scroll_list = nullptr;     // owned: the panel is a scrolling list's viewport (ui/scroll_list.h)
};

Panel       *panel_of(Control *ctrl);          // null when ctrl is not a panel
const Panel *panel_of(const Control *ctrl);
const ControlClass *panel_class();

Control *panel_create_empty();
Control *panel_create(int w, int h, int r, int g, int b);
// options bit 1 disables the child (no disable timer). Returns child.
Control *panel_add_child(Control *panel, int x, int y, int id, int options, Control *child);
Control *panel_append_child(Control *panel, Control *child);
Control *panel_find_child(Control *panel, int id);
Control *panel_find_child_fade_out(Control *panel, int id, int ms);
bool     panel_has_hotkey(const Control *panel, int key);
void     panel_remove_children(Control *panel);
void     panel_fade_out_all_children(Control *panel, int ms);
void     panel_layout(const Control *panel, int *w, int *h);
void     panel_relayout(Control *panel);
void     panel_grow(Control *panel, int dw, int dh);
void     panel_resize_to(Control *panel, int w, int h, int ms);
void     panel_finish_resize(Control *panel);
void     panel_stop_resize(Control *panel);
bool     panel_is_resizing(const Control *panel);

void panel_set_anchor_mode(Control *panel, int mode);
void panel_set_scroll(Control *panel, int x, int y);
void panel_set_scroll_follow(Control *panel, bool on);
void panel_set_draw_children_while_resizing(Control *panel, bool on);
void panel_set_bevel(Control *panel, bool on);
void panel_set_border(Control *panel, bool on);
void panel_set_background(Control *panel, bool on);
void panel_enable_alt_fill(Control *panel);
void panel_enable_glow(Control *panel);
void panel_enable_split_fill(Control *panel, int split);
void panel_set_shade(Control *panel, int shift);
void panel_set_dim(Control *panel, int shift);
void panel_clear_fills(Control *panel);
void panel_set_border_hover(Control *panel, int r, int g, int b, int hr, int hg, int hb, int ms);
void panel_set_background_hover(Control *panel, int r, int g, int b, int hr, int hg, int hb, int ms);
void panel_start_grid(Control *panel, int dx, int direction, int period);

ColourFade *panel_border_colour(Control *panel);
ColourFade *panel_background_colour(Control *panel);
ColourFade *panel_grid_colour(Control *panel);
ColourFade *panel_alt_fill_colour(Control *panel);
ColourFade *panel_glow_colour(Control *panel);
ColourFade *panel_split_colour(Control *panel, int which);   // 0 first, else second
bool        panel_has_border(const Control *panel);

void   panel_enable_item_list(Control *panel);
void   panel_clear_item_list(Control *panel);
void   panel_add_item(Control *panel, int kind, int x, int y, int w, int h);
Result panel_find_position(Control *panel, int w, int h, int *x, int *y);
Result panel_find_own_position(Control *panel, int *x, int *y);
Result panel_auto_position(Control *panel);

void panel_add_effect(Control *panel, Effect *effect, int x, int y, int layer);
void panel_fade_out_recursive(Control *panel, int ms);

// Command slots: a built panel's widget state record may begin with the handler slots that the
// screen opening the panel fills right after the builder returns; the panel's controls call slot k
// with the panel, and an empty slot does nothing. The builder keeps such a record with
// panel_set_command_state; panel_command_slots finds the slots only while that record is still
// the panel's widget state (null for any other state or none).
constexpr int PANEL_COMMAND_SLOT_COUNT = 16;
struct PanelCommandSlots {
    ControlFn slot[PANEL_COMMAND_SLOT_COUNT] = {};
};
void               panel_set_command_state(Control *panel, PanelCommandSlots *state, FreeFn free_fn);
PanelCommandSlots *panel_command_slots(Control *panel);
