#pragma once
// Text blocks and title bars, the two builders nearly every panel uses.
//  - ui_tile_init word-wraps a text into a stack of text labels (tag 10001) inside a panel, with an
//    optional bullet icon, centring and fade-in; the text colour is kept as the panel's widget state.
//  - ui_button_init builds the head of an object panel: a title, an optional value box and an
//    optional close button bound to Escape whose click calls the caller's close callback.
//  - Both first remove what the panel held, so a panel can be rebuilt in place. Game thread only.
#include <cstdint>
#include <string>
#include <vector>
#include "ui/control.h"

constexpr int TEXT_BLOCK_LABEL_TAG = 10001;

constexpr int TILE_FADE_IN   = 1;
constexpr int TILE_STAGGER   = 2;
constexpr int TILE_CENTRE    = 4;
constexpr int TILE_BULLET    = 8;
constexpr int TILE_BULLET_LIT = 16;
constexpr int TILE_PULSE     = 32;

constexpr int TITLE_ANIMATE   = 1;
constexpr int TITLE_CLOSE     = 2;
constexpr int TITLE_VALUE_BOX = 4;

constexpr int TITLE_VALUE_BOX_ID   = 100001;
constexpr int TITLE_LABEL_ID       = 100002;
constexpr int TITLE_VALUE_LABEL_ID = 100003;
constexpr int TITLE_CLOSE_ID       = 100004;

// The lines a text breaks into at the available width in a font (the wrapping of ui_tile_init).
std::vector<std::string> ui_wrap_text(const char *text, int font, int width);

void     ui_tile_init(Control *panel, const char *text, int font, int width, int margin, int r, int g, int b,
                      int options);
Control *ui_tile_create(const char *text, int font, int width, int margin, int r, int g, int b, int options);
void     ui_tile_set_text_colour(Control *panel);

void     ui_button_init(Control *panel, const char *title, const char *value_text, ControlFn close, void *context,
                        int options);
Control *ui_button_create(const char *title, const char *value_text, ControlFn close, void *context, int options);
void     ui_button_replace_caption(Control *panel, const char *text);
void     ui_button_get_child_rect(Control *panel, int *x, int *y, int *w, int *h);
void     ui_button_get_caption_width(Control *panel, int ignored, int *w);
void     ui_control_resize(Control *panel, int width, bool animate);
