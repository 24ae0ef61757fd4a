#pragma once
// Transfer slider: one row that splits a quantity between two holders: the left holder's picture
// and amount, a horizontal track with a thumb, the right amount and picture. Moving the thumb
// moves units across within what each side may give and hold; the screen reads the two new
// amounts when the player confirms.
//  - The state (the panel's widget state) holds the amounts, the limits and the current split;
//    the screen's on_change runs after every thumb move.
//  - A track too short to have a range moves nothing: the amounts stay as they are.
//  - The holders' pictures are sprites the caller gives; their picture controls hold a reference.
//  - Game thread only.
#include <cstdint>
#include "ui/control.h"

struct Sprite;

constexpr int SLIDER_LEFT_LABEL_ID    = 100001;
constexpr int SLIDER_RIGHT_LABEL_ID   = 100002;
constexpr int SLIDER_LEFT_PICTURE_ID  = 100003;
constexpr int SLIDER_RIGHT_PICTURE_ID = 100004;
constexpr int SLIDER_TRACK_ID         = 100005;

struct TransferSliderState {
    int32_t left = 0, right = 0;             // the amounts when it was set up (at least 0)
    int32_t left_max = -1, right_max = -1;   // the most each side may hold; -1: no limit
    int32_t new_left = 0, new_right = 0;     // the amounts for the thumb's position
    int32_t width = 256;
    int32_t thumb_pos = 0, thumb_range = 0;  // as last read from the track
    ControlFn on_change = nullptr;           // after every thumb move, with the panel
};

void     transfer_slider_init(Control *panel, int left, int right);
Control *transfer_slider_create(int left, int right);
TransferSliderState *transfer_slider_state(Control *panel);   // null when the panel holds no slider
// Shows the holders' pictures at the ends of the row (null: none) and lays the row out again.
void     transfer_slider_set_pictures(Control *panel, Sprite *left, Sprite *right);
void     transfer_slider_set_limits(Control *panel, int left_max, int right_max);
void     transfer_slider_get_values(Control *panel, int *new_left, int *new_right);
void     transfer_slider_layout(Control *panel);
void     transfer_slider_on_change(Control *track);   // the track's change callback
