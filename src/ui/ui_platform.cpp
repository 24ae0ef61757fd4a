// Temporary stand-in for the platform services (see ui_platform.h).
#include "ui/ui_platform.h"

#include <cstdio>

#include "platform/sound.h"

UiInputStandIn *ui_input_stand_in() {
    static UiInputStandIn state{};
    return &state;
}

bool input_key_down(int key) { return key >= 0 && key < 512 && ui_input_stand_in()->keys[key]; }
bool input_key_pressed(int key) {
    const UiInputStandIn *s = ui_input_stand_in();
    return key >= 0 && key < 512 && s->keys[key] && !s->prev_keys[key];
}
bool input_any_key_pressed(int *key) {
    const UiInputStandIn *s = ui_input_stand_in();
    for (int k = 511; k >= 0; --k) {
        if (s->keys[k] && !s->prev_keys[k]) {
            if (key) *key = k;
            return true;
        }
    }
    return false;
}
bool input_button_pressed(int button) {
    const UiInputStandIn *s = ui_input_stand_in();
    const uint8_t mask = static_cast<uint8_t>(1u << button);
    return (s->buttons & mask) && !(s->prev_buttons & mask);
}
bool input_left_down() { return ui_input_stand_in()->buttons & 1; }
int  input_mouse_x() { return ui_input_stand_in()->mouse_x; }
int  input_mouse_y() { return ui_input_stand_in()->mouse_y; }
int  input_wheel() { return ui_input_stand_in()->wheel; }
bool input_ctrl_down() { return input_key_down(305) || input_key_down(306); }
const char *input_key_name(int key) {
    static char one[2];
    switch (key) {
    case 9: return "Tab";
    case 13: return "Return";
    case 27: return "Esc";
    case 32: return "Spc";
    default: break;
    }
    if ((key >= '0' && key <= '9')) { one[0] = static_cast<char>(key); one[1] = 0; return one; }
    if (key >= 'a' && key <= 'z') { one[0] = static_cast<char>(key - 32); one[1] = 0; return one; }
    return nullptr;
}
void ui_play_sound(int number) {
    ui_input_stand_in()->last_sound = number;
    ui_input_stand_in()->sound_count += 1;
    sound_play(number);
}
int ui_screen_width() { return 1024; }
int ui_screen_height() { return 768; }

Sprite **ui_load_numbered_sprites(const char *, int *count) {
    if (count) *count = 0;
    return nullptr;
}
void ui_free_sprite_array(Sprite **sprites, int) { delete[] sprites; }
