// Input polling over SDL 1.2 events.
#include "platform/input.h"

#include <SDL.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include "platform/log.h"

namespace {

Input *g_input = nullptr;

bool key_in_range(const Input *in, int key) {
    return in->keys && key >= 0 && key < in->key_count;
}

bool went_down(const Input *in, int key) {
    return std::find(in->keys_went_down.begin(), in->keys_went_down.end(), key) != in->keys_went_down.end();
}

void press_key(Input *in, int key) {
    if (!key_in_range(in, key)) return;
    in->keys[key] = 1;
    std::erase(in->keys_up_next, key);
    if (!went_down(in, key)) in->keys_went_down.push_back(key);
}

// A key that went down within this poll's events stays down for this frame.
void release_key(Input *in, int key) {
    if (!key_in_range(in, key)) return;
    if (went_down(in, key)) {
        in->keys[key] = 1;
        if (std::find(in->keys_up_next.begin(), in->keys_up_next.end(), key) == in->keys_up_next.end())
            in->keys_up_next.push_back(key);
        return;
    }
    in->keys[key] = 0;
}

void press_button(Input *in, uint8_t mask) {
    in->buttons = uint8_t(in->buttons | mask);
    in->buttons_up_next = uint8_t(in->buttons_up_next & ~mask);
    in->buttons_went_down = uint8_t(in->buttons_went_down | mask);
}

void release_button(Input *in, uint8_t mask) {
    if (in->buttons_went_down & mask) {
        in->buttons_up_next = uint8_t(in->buttons_up_next | mask);
        return;
    }
    in->buttons = uint8_t(in->buttons & ~mask);
}

void handle_event(Input *in, const SDL_Event &ev) {
    switch (ev.type) {
    case SDL_KEYDOWN: press_key(in, ev.key.keysym.sym); break;
    case SDL_KEYUP: release_key(in, ev.key.keysym.sym); break;
    case SDL_MOUSEMOTION:
        in->mouse_x = ev.motion.x;
        in->mouse_y = ev.motion.y;
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (ev.button.button == SDL_BUTTON_WHEELUP) in->wheel -= 1;
        else if (ev.button.button == SDL_BUTTON_WHEELDOWN) in->wheel += 1;
        else if (ev.button.button >= 1 && ev.button.button <= 8) press_button(in, uint8_t(1u << (ev.button.button - 1)));
        break;
    case SDL_MOUSEBUTTONUP:
        if (ev.button.button == SDL_BUTTON_WHEELUP || ev.button.button == SDL_BUTTON_WHEELDOWN) break;
        if (ev.button.button >= 1 && ev.button.button <= 8) release_button(in, uint8_t(1u << (ev.button.button - 1)));
        break;
    default:
        // The window-close request lands here too: the game is left through its own menus.
        break;
    }
}

}  // namespace

Input *input_create() {
    Input *in = new (std::nothrow) Input();
    if (!in) return nullptr;
    int count = 0;
    in->keys = SDL_GetKeyState(&count);
    in->key_count = in->keys ? count : 0;
    if (in->key_count > 0) {
        in->previous_keys = static_cast<uint8_t *>(std::calloc(size_t(in->key_count), 1));
        if (!in->previous_keys) {
            delete in;
            return nullptr;
        }
    }
    log_write(LOG_INPUT, LOG_DEBUG, "Input has %i keys", in->key_count);
    return in;
}

void input_free(Input *input) {
    if (!input) return;
    std::free(input->previous_keys);
    delete input;
}

Input *input_get() {
    if (!g_input) g_input = input_create();
    return g_input;
}

void input_destroy() {
    input_free(g_input);
    g_input = nullptr;
}

void input_poll() {
    Input *in = input_get();
    if (!in) return;
    if (in->previous_keys) std::memcpy(in->previous_keys, in->keys, size_t(in->key_count));
    in->previous_x = in->mouse_x;
    in->previous_y = in->mouse_y;
    in->previous_buttons = in->buttons;
    in->wheel = 0;
    // The taps of the last frame went up between the frames: up now, and up in the frame kept as
    // the previous one, so that a tap in this frame's events is a press again.
    in->buttons = uint8_t(in->buttons & ~in->buttons_up_next);
    in->previous_buttons = uint8_t(in->previous_buttons & ~in->buttons_up_next);
    in->buttons_up_next = 0;
    in->buttons_went_down = 0;
    for (int key : in->keys_up_next)
        if (key_in_range(in, key)) {
            in->keys[key] = 0;
            if (in->previous_keys) in->previous_keys[key] = 0;
        }
    in->keys_up_next.clear();
    in->keys_went_down.clear();

    SDL_PumpEvents();
    SDL_Event ev;
    while (SDL_PollEvent(&ev) > 0) handle_event(in, ev);
}

int input_key_down(int key) {
    Input *in = input_get();
    return in && key_in_range(in, key) && in->keys[key] ? 1 : 0;
}

int input_key_pressed(int key) {
    Input *in = input_get();
    if (!in || !key_in_range(in, key)) return 0;
    return in->keys[key] && !in->previous_keys[key] ? 1 : 0;
}

int input_any_key_pressed(int *out_key) {
    Input *in = input_get();
    if (!in) return 0;
    for (int key = in->key_count - 1; key >= 0; --key) {
        if (in->keys[key] && !in->previous_keys[key]) {
            if (out_key) *out_key = key;
            return 1;
        }
    }
    return 0;
}

int input_shift_down() { return input_key_down(INPUT_KEY_RSHIFT) || input_key_down(INPUT_KEY_LSHIFT); }
int input_ctrl_down() { return input_key_down(INPUT_KEY_RCTRL) || input_key_down(INPUT_KEY_LCTRL); }

int input_mouse_x() {
    Input *in = input_get();
    return in ? in->mouse_x : 0;
}

int input_mouse_y() {
    Input *in = input_get();
    return in ? in->mouse_y : 0;
}

void input_mouse_position(int *out_x, int *out_y) {
    if (out_x) *out_x = input_mouse_x();
    if (out_y) *out_y = input_mouse_y();
}

int input_left_down() {
    Input *in = input_get();
    return in && (in->buttons & 1u) ? 1 : 0;
}

int input_button_pressed(int button) {
    Input *in = input_get();
    if (!in || button < 0 || button > 2) return 0;
    const unsigned mask = 1u << button;
    return (in->buttons & mask) && !(in->previous_buttons & mask) ? 1 : 0;
}

int input_wheel() {
    Input *in = input_get();
    return in ? in->wheel : 0;
}

const char *input_key_name(int key) {
    static const char *const digits[10] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    static const char *const letters[26] = {"A", "B", "C", "D", "E", "F", "G", "H", "I",
                                            "J", "K", "L", "M", "N", "O", "P", "Q", "R",
                                            "S", "T", "U", "V", "W", "X", "Y", "Z"};
    static const char *const function_keys[6] = {"F1", "F2", "F3", "F4", "F5", "F6"};
    switch (key) {
    case 9:  return "Tab";
    case 13: return "Return";
    case 27: return "Esc";
    case 32: return "Spc";
    default: break;
    }
    if (key >= 48 && key <= 57) return digits[key - 48];
    if (key >= 97 && key <= 122) return letters[key - 97];
    if (key >= 282 && key <= 287) return function_keys[key - 282];
    return nullptr;
}

char input_key_to_char(int key, int shift) {
    static const char digit_row_shifted[10] = {')', '!', '@', '#', '$', '%', '^', '&', '*', '('};
    if (key >= 97 && key <= 122) return char(shift ? key - 32 : key);
    if (key >= 48 && key <= 57) return shift ? digit_row_shifted[key - 48] : char(key);
    if (key >= 256 && key <= 265) return char('0' + (key - 256));   // the keypad ignores Shift
    switch (key) {
    case 32:  return ' ';
    case 39:  return shift ? '"' : '\'';
    case 43:  return shift ? '+' : '=';
    case 44:  return shift ? '<' : ',';
    case 45:  return shift ? '_' : '-';
    case 46:  return shift ? '>' : '.';
    case 47:  return shift ? '?' : '/';
    case 58:  return shift ? ':' : ';';
    case 91:  return shift ? '{' : '[';
    case 92:  return shift ? '|' : '\\';
    case 93:  return shift ? '}' : ']';
    case 266: return '.';
    case 267: return '/';
    case 268: return '*';
    case 269: return '-';
    case 270: return '+';
    case 272: return '=';
    default:  return 0;
    }
}
