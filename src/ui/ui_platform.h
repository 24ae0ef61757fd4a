#pragma once
// Temporary stand-in for the platform services the toolkit reads (input snapshot, sound, screen
// size) until the platform modules land; every name matches the platform's own.
#include <cstdint>

struct UiInputStandIn {
    uint8_t keys[512];
    uint8_t prev_keys[512];
    int     mouse_x, mouse_y;
    uint8_t buttons, prev_buttons;
    int     wheel;
    int     last_sound;
    int     sound_count;
};
UiInputStandIn *ui_input_stand_in();

bool        input_key_down(int key);
bool        input_key_pressed(int key);
bool        input_any_key_pressed(int *key);
bool        input_button_pressed(int button);
bool        input_left_down();
int         input_mouse_x();
int         input_mouse_y();
int         input_wheel();
bool        input_ctrl_down();
const char *input_key_name(int key);
void        ui_play_sound(int number);   // sound_play, counted for the tests
int         ui_screen_width();
int         ui_screen_height();

#include <vector>
struct Sprite;
// Numbered sprite set "<dir>/000.png", "<dir>/001.png" ... (one reference each); null when none.
Sprite **ui_load_numbered_sprites(const char *dir, int *count);
void     ui_free_sprite_array(Sprite **sprites, int count);
