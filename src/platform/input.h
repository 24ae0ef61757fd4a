#pragma once
// Input: the per-frame snapshot of the keyboard and the mouse.
//  - One lazily created singleton (input_get). The game loop polls it once at the start of every
//    frame (input_poll); every other module only reads it.
//  - "Pressed" compares this frame with the previous one: a key or button is pressed in the one
//    frame in which it went down, and down in every frame it stays down.
//  - Key codes are SDL 1.2 key symbols (ASCII for printable keys, 256..272 the keypad, 282.. the
//    function keys, 303/304 right/left Shift, 305/306 right/left Ctrl). A code outside the
//    platform's key range is never down.
//  - A key or button that goes down and up within one frame's events counts as down for that
//    frame and as up before the next one: a tap shorter than a frame is still a press, and taps
//    in consecutive frames are one press each.
//  - Every other event is dropped, the window-close request included: closing the window does
//    nothing, the game is left through its own menus.
//  - Main thread only; no lock.
#include <cstdint>
#include <vector>

struct Input {
    int32_t  key_count = 0;          // number of key codes the platform reports
    uint8_t *keys = nullptr;         // 1 = down this frame; SDL's own key-state array
    uint8_t *previous_keys = nullptr;   // the previous frame's copy, owned
    int32_t  mouse_x = 0, mouse_y = 0;
    uint8_t  buttons = 0;            // bit n-1 set while button n is down (1 left, 2 middle, 3 right)
    int32_t  previous_x = 0, previous_y = 0;
    uint8_t  previous_buttons = 0;
    int32_t  wheel = 0;              // this frame: -1 per click up, +1 per click down
    uint8_t  buttons_up_next = 0;    // buttons tapped this frame: released at the next poll
    std::vector<int> keys_up_next;   // keys tapped this frame: released at the next poll
    uint8_t  buttons_went_down = 0;  // buttons that went down in this poll's events
    std::vector<int> keys_went_down; // keys that went down in this poll's events
};

constexpr int INPUT_KEY_ESCAPE = 27;
constexpr int INPUT_KEY_RSHIFT = 303;
constexpr int INPUT_KEY_LSHIFT = 304;
constexpr int INPUT_KEY_RCTRL  = 305;
constexpr int INPUT_KEY_LCTRL  = 306;

constexpr int INPUT_BUTTON_LEFT   = 0;   // for input_button_pressed
constexpr int INPUT_BUTTON_MIDDLE = 1;
constexpr int INPUT_BUTTON_RIGHT  = 2;

Input *input_create();    // null when out of memory; logs the key count
void   input_free(Input *input);
Input *input_get();       // the singleton, created on first use
void   input_destroy();   // frees the singleton and forgets it

void input_poll();        // keeps this frame as the previous one, then takes every pending event

int  input_key_down(int key);
int  input_key_pressed(int key);             // down now, up in the previous frame
int  input_any_key_pressed(int *out_key);    // writes the highest key code pressed this frame
int  input_shift_down();
int  input_ctrl_down();
int  input_mouse_x();
int  input_mouse_y();
void input_mouse_position(int *out_x, int *out_y);
int  input_left_down();
int  input_button_pressed(int button);       // 0 left, 1 middle, 2 right
int  input_wheel();

const char *input_key_name(int key);         // label for hotkey hints; null when the key has none
char        input_key_to_char(int key, int shift);   // US layout; 0 when the key types nothing
