#pragma once
// Image control (type 2): one frame of an image type (a numbered PNG set, optionally animated),
// with an optional caption, and every button of the game: hover and press looks, click sound,
// tooltips, and a highlighted state in which it is inert.
//  - The image-type table (213 entries, type 34 is the given-sprite type and never loaded) shares
//    each type's frames and animations between controls by reference count.
//  - A control holds one reference on each of its frame sprites; draw commands take their own.
//  - Loading a type whose frames are missing logs "Failed to load image type %i" and returns
//    RES_READ_FAILED (the count stays raised); controls of it show nothing and size to 2 x 2.
//  - Frame selections out of range change nothing. Game thread only; the start-up loader fills
//    the table before any screen uses it.
#include <cstdint>
#include "platform/image_ids.h"
#include "platform/result.h"
#include "ui/control.h"

struct Sprite;
struct Animation;
struct AnimPlayer;
struct ColourFade;

// ImageFlags (options)
constexpr uint32_t IMG_BORDER          = 0x1;
constexpr uint32_t IMG_FIXED_WIDTH     = 0x2;
constexpr uint32_t IMG_RECOLOUR        = 0x4;
constexpr uint32_t IMG_FIXED_HEIGHT    = 0x8;
constexpr uint32_t IMG_BRIGHT_ANIM     = 0x10;
constexpr uint32_t IMG_ANIMATED        = 0x20;
constexpr uint32_t IMG_BORDER_HOVER    = 0x40;
constexpr uint32_t IMG_CAPTION_HOVER   = 0x80;
constexpr uint32_t IMG_BORDER_PRESS    = 0x100;
constexpr uint32_t IMG_CAPTION_PRESS   = 0x200;
constexpr uint32_t IMG_FEEDBACK_HOVER  = 0x400;
constexpr uint32_t IMG_FEEDBACK_PRESS  = 0x800;
constexpr uint32_t IMG_OUTLINE         = 0x1000;
constexpr uint32_t IMG_BACKGROUND      = 0x2000;
constexpr uint32_t IMG_BLEND_FILL      = 0x4000;
constexpr uint32_t IMG_OUTLINE_BLACK   = 0x8000;
constexpr uint32_t IMG_PAUSED          = 0x10000;
constexpr uint32_t IMG_HIGHLIGHTED     = 0x20000;
constexpr uint32_t IMG_GREY            = 0x80000;
constexpr uint32_t IMG_BRIGHTNESS      = 0x100000;
constexpr uint32_t IMG_GREY_ANIM       = 0x200000;
constexpr uint32_t IMG_REVEAL          = 0x400000;
constexpr uint32_t IMG_REVEAL_ANIM     = 0x800000;
constexpr uint32_t IMG_NOISE           = 0x1000000;
constexpr uint32_t IMG_TINT            = 0x2000000;
constexpr uint32_t IMG_CAPTION_HIDDEN  = 0x4000000;
constexpr uint32_t IMG_TOOLTIP         = 0x8000000;

struct ImageControl {
    uint32_t options;
    uint32_t state;              // 0x1 border hover/press colour, 0x2 caption hover colour, 0x4 brightness
                                 // feedback, 0x8 updated once, 0x10 owns its Animation
    int32_t  image_type;
    Sprite  *sprite;
    Sprite **frames;
    int32_t  frame_count;
    Animation *animation;
    AnimPlayer *player;
    int32_t *frame_dx, *frame_dy;
    int32_t  sprite_dx, sprite_dy;
    ColourFade *border;
    uint8_t  border_rgb[3], border_hover_rgb[3], border_press_rgb[3];
    int32_t  border_ms;
    char    *caption;
    int32_t  caption_w, caption_h;
    int32_t  caption_font;
    ColourFade *caption_colour;
    uint8_t  caption_rgb[3], caption_hover_rgb[3], caption_press_rgb[3];
    int32_t  caption_ms;
    int32_t  caption_side;       // 0 right of the sprite, 1 below it
    int32_t  caption_gap;
    int32_t  brightness, brightness_from, brightness_to, brightness_elapsed, brightness_ms;
    int32_t  grey, grey_from, grey_to, grey_elapsed, grey_ms;
    int32_t  feedback_ms;
    ColourFade *outline[4];
    uint8_t  outline_r[4], outline_g[4], outline_b[4];
    uint8_t  outline_levels[4];
    int32_t  outline_extra;
    int32_t  margin_left, margin_top, margin_right, margin_bottom;
    ColourFade *background;
    ColourFade *blend_fill;
    ColourFade *recolour;
    int32_t  frame;
    int32_t  reveal, reveal_from, reveal_to, reveal_elapsed, reveal_ms;
    ColourFade *noise;
    ColourFade *tint;
    int32_t  tooltip_kind, tooltip_a, tooltip_b;
    char    *tooltip_text;
    ControlFn saved_click, saved_key;
};

ImageControl       *image_of(Control *ctrl);         // null when ctrl is not an image control
const ImageControl *image_of(const Control *ctrl);
const ControlClass *image_class();

// The image-type table.
Result  image_control_load_type(int type);
void    image_control_free_type(int type);
void    image_control_free_all_types();
Sprite *image_type_frame(int type, int index);
int     image_type_frame_count(int type);
int     image_type_animation_count(int type);
Sprite *const *image_type_frames(int type);            // the type's frames, null when none are loaded
Animation     *image_type_animation(int type, int index);   // null out of range

Control *image_control_create(int type);
Control *image_control_create_still(int type);
Control *image_control_create_frame(int type, int frame);
Control *image_control_create_single(Sprite *sprite);
Control *image_control_create_framed(int type);
Control *image_control_create_sprites(Sprite **sprites, int count);
Control *image_button_create_plain(int type, ControlFn on_click, int hotkey, void *user_data);
Control *image_button_create(int type, int font, const char *text, ControlFn on_click, int hotkey,
                             void *user_data);
Control *image_dialog_button_create(int type, const char *text, ControlFn on_click, int hotkey,
                                    void *user_data);

void image_control_refresh(Control *ctrl);
void image_control_set_frame(Control *ctrl, int index);
void image_control_select_entry(Control *ctrl, int index);
void image_control_set_frames(Control *ctrl, Sprite **sprites, int count);
void image_control_set_frame_offsets(Control *ctrl, const int32_t *dx, const int32_t *dy);
void image_control_set_text(Control *ctrl, const char *text, int font, int side, int gap);
void image_control_set_fixed_width(Control *ctrl, int w);
void image_control_set_brightness(Control *ctrl, int percent);
void image_control_animate_brightness(Control *ctrl, int to, int ms, int delay);
void image_control_animate_brightness_from(Control *ctrl, int from, int to, int ms, int delay);
void image_control_set_grey(Control *ctrl, int percent);
void image_control_animate_grey(Control *ctrl, int from, int to, int ms);
void image_control_fade_to_grey(Control *ctrl);
void image_control_set_reveal(Control *ctrl, int percent);
void image_control_animate_reveal(Control *ctrl, int from, int to, int ms);
void image_control_enable_border(Control *ctrl);
void image_control_set_border_hover(Control *ctrl, int green, int hr, int hg, int hb, int ms);
void image_control_set_border_press(Control *ctrl, int green);
void image_control_set_caption_hover(Control *ctrl, int r, int g, int b, int hr, int hg, int hb, int ms);
void image_control_set_caption_press(Control *ctrl, int r, int g, int b);
void image_control_enable_background(Control *ctrl);
void image_control_enable_blend_fill(Control *ctrl);
void image_control_enable_noise(Control *ctrl);
void image_control_enable_tint(Control *ctrl);
void image_control_enable_recolour(Control *ctrl);
ColourFade *image_control_border_colour(Control *ctrl);
ColourFade *image_control_caption_colour(Control *ctrl);
ColourFade *image_control_background_colour(Control *ctrl);
ColourFade *image_control_blend_fill_colour(Control *ctrl);
ColourFade *image_control_noise_colour(Control *ctrl);
ColourFade *image_control_tint_colour(Control *ctrl);
ColourFade *image_control_recolour_colour(Control *ctrl);
void image_control_enable_feedback(Control *ctrl, int ms);
void image_control_set_overlay(Control *ctrl, bool on, const uint8_t levels[4], int extra);
void image_control_set_caption_hidden(Control *ctrl, bool on);
void image_control_set_highlight(Control *ctrl, bool on);
bool image_control_is_highlighted(const Control *ctrl);
// kind 0: red text; 1: image type a, frame b, then the text; 2: action points a and days b.
void image_control_set_tooltip(Control *ctrl, bool on, int kind, int a, int b, const char *text);
void image_control_tooltip_show(Control *ctrl);   // the hover-enter and hover-leave callbacks
void image_control_tooltip_hide(Control *ctrl);
void image_control_fade_out(Control *ctrl, int ms);
