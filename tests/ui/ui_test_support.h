#pragma once
// Test support for the toolkit: drives the input snapshot one tick at a time and resets the
// top-level control lists between tests.
#include <cstring>

#include "ui/control.h"
#include "ui/control_list.h"
#include "ui/ui_platform.h"

namespace ui_test {

// Starts a new tick: this tick's state becomes the previous one.
inline void next_tick() {
    UiInputStandIn *s = ui_input_stand_in();
    std::memcpy(s->prev_keys, s->keys, sizeof s->keys);
    s->prev_buttons = s->buttons;
    s->wheel = 0;
}

inline void reset_input() {
    UiInputStandIn *s = ui_input_stand_in();
    std::memset(s, 0, sizeof *s);
    s->mouse_x = s->mouse_y = -100;
}

inline void key_down(int key) { ui_input_stand_in()->keys[key] = 1; }
inline void key_up(int key) { ui_input_stand_in()->keys[key] = 0; }
inline void mouse_at(int x, int y) {
    ui_input_stand_in()->mouse_x = x;
    ui_input_stand_in()->mouse_y = y;
}
inline void left_down() { ui_input_stand_in()->buttons |= 1; }
inline void left_up() { ui_input_stand_in()->buttons &= static_cast<uint8_t>(~1u); }
inline void right_down() { ui_input_stand_in()->buttons |= 4; }
inline void wheel(int notches) { ui_input_stand_in()->wheel = notches; }
inline int sounds_played() { return ui_input_stand_in()->sound_count; }
inline int last_sound() { return ui_input_stand_in()->last_sound; }

// One frame of the game loop's control pass, then the next tick begins.
inline void frame(int ms = 20) {
    control_lists_update(control_lists(), ms);
    next_tick();
}

// Puts a control on the top level (queued, then flushed as the loop would).
inline Control *add_top(Control *c, int x, int y, int layer = 0) {
    control_lists_add(control_lists(), x, y, 0, 0, c);
    c->layer = layer;
    control_lists_flush(control_lists());
    return c;
}

// A fixture base: fresh input and empty top-level lists before and after each test.
class UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        control_lists_clear(control_lists());
        reset_input();
    }
    void TearDown() override {
        control_lists_clear(control_lists());
        reset_input();
    }
};

}  // namespace ui_test
