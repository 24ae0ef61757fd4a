// Input: pressed against down over frames, wheel sums, key names and characters, dropped events.
#include <gtest/gtest.h>

#include <SDL.h>
#include <cstring>
#include "platform/input.h"

namespace {

class InputFrames : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        input_destroy();
        Input *in = input_get();
        ASSERT_NE(in, nullptr);
        ASSERT_GT(in->key_count, 306);
        std::memset(in->keys, 0, size_t(in->key_count));   // SDL's array outlives a test
        input_poll();
    }
    void TearDown() override {
        input_destroy();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    static void push_key(Uint8 type, int sym) {
        SDL_Event ev{};
        ev.type = type;
        ev.key.type = type;
        ev.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        ev.key.keysym.sym = static_cast<SDLKey>(sym);
        ASSERT_EQ(SDL_PushEvent(&ev), 0);
    }
    static void push_button(Uint8 type, int button, int x = 0, int y = 0) {
        SDL_Event ev{};
        ev.type = type;
        ev.button.type = type;
        ev.button.button = Uint8(button);
        ev.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        ev.button.x = Uint16(x);
        ev.button.y = Uint16(y);
        ASSERT_EQ(SDL_PushEvent(&ev), 0);
    }
    static void push_motion(int x, int y) {
        SDL_Event ev{};
        ev.type = SDL_MOUSEMOTION;
        ev.motion.type = SDL_MOUSEMOTION;
        ev.motion.x = Uint16(x);
        ev.motion.y = Uint16(y);
        ASSERT_EQ(SDL_PushEvent(&ev), 0);
    }
};

TEST_F(InputFrames, HeldKeyIsPressedInItsFirstFrameOnlyAndDownInAll) {
    push_key(SDL_KEYDOWN, 'a');
    input_poll();
    EXPECT_EQ(input_key_pressed('a'), 1);
    EXPECT_EQ(input_key_down('a'), 1);
    for (int frame = 0; frame < 3; ++frame) {
        input_poll();
        EXPECT_EQ(input_key_pressed('a'), 0) << "frame " << frame;
        EXPECT_EQ(input_key_down('a'), 1) << "frame " << frame;
    }
    push_key(SDL_KEYUP, 'a');
    input_poll();
    EXPECT_EQ(input_key_down('a'), 0);
    EXPECT_EQ(input_key_pressed('a'), 0);
}

TEST_F(InputFrames, TwoKeysInOneFrameReportTheHigherCode) {
    push_key(SDL_KEYDOWN, 'q');
    push_key(SDL_KEYDOWN, 'b');
    input_poll();
    int key = -1;
    EXPECT_EQ(input_any_key_pressed(&key), 1);
    EXPECT_EQ(key, 'q');
    input_poll();
    EXPECT_EQ(input_any_key_pressed(&key), 0) << "held keys are no longer pressed";
}

TEST_F(InputFrames, EitherShiftOrCtrlCounts) {
    push_key(SDL_KEYDOWN, INPUT_KEY_LSHIFT);
    input_poll();
    EXPECT_EQ(input_shift_down(), 1);
    EXPECT_EQ(input_ctrl_down(), 0);
    push_key(SDL_KEYUP, INPUT_KEY_LSHIFT);
    push_key(SDL_KEYDOWN, INPUT_KEY_RSHIFT);
    push_key(SDL_KEYDOWN, INPUT_KEY_RCTRL);
    input_poll();
    EXPECT_EQ(input_shift_down(), 1);
    EXPECT_EQ(input_ctrl_down(), 1);
}

TEST_F(InputFrames, KeyCodesOutsideTheKeyRangeAreNeverDown) {
    push_key(SDL_KEYDOWN, 400);   // beyond the key count, within the enum
    input_poll();
    EXPECT_EQ(input_key_down(400), 0);
    EXPECT_EQ(input_key_down(40000), 0);
    EXPECT_EQ(input_key_down(-1), 0);
    EXPECT_EQ(input_key_pressed(-5), 0);
    int key = -1;
    EXPECT_EQ(input_any_key_pressed(&key), 0);
}

TEST_F(InputFrames, ButtonIsPressedOnceAndDownWhileHeld) {
    push_button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    input_poll();
    EXPECT_EQ(input_button_pressed(INPUT_BUTTON_LEFT), 1);
    EXPECT_EQ(input_left_down(), 1);
    EXPECT_EQ(input_button_pressed(INPUT_BUTTON_RIGHT), 0);
    input_poll();
    EXPECT_EQ(input_button_pressed(INPUT_BUTTON_LEFT), 0);
    EXPECT_EQ(input_left_down(), 1);
    push_button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
    push_button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
    input_poll();
    EXPECT_EQ(input_left_down(), 0);
    EXPECT_EQ(input_button_pressed(INPUT_BUTTON_RIGHT), 1);
    EXPECT_EQ(input_get()->buttons, 0x4);
}

TEST_F(InputFrames, WheelClicksSumWithinAFrameAndResetAfter) {
    push_button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_WHEELDOWN);
    push_button(SDL_MOUSEBUTTONUP, SDL_BUTTON_WHEELDOWN);
    push_button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_WHEELDOWN);
    push_button(SDL_MOUSEBUTTONUP, SDL_BUTTON_WHEELDOWN);
    input_poll();
    EXPECT_EQ(input_wheel(), 2);
    EXPECT_EQ(input_get()->buttons, 0) << "wheel clicks are not buttons";
    input_poll();
    EXPECT_EQ(input_wheel(), 0);
    push_button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_WHEELUP);
    input_poll();
    EXPECT_EQ(input_wheel(), -1);
}

TEST_F(InputFrames, MotionMovesThePointerAndKeepsThePreviousPosition) {
    push_motion(300, 200);
    input_poll();
    EXPECT_EQ(input_mouse_x(), 300);
    EXPECT_EQ(input_mouse_y(), 200);
    push_motion(310, 205);
    input_poll();
    int x = 0, y = 0;
    input_mouse_position(&x, &y);
    EXPECT_EQ(x, 310);
    EXPECT_EQ(y, 205);
    EXPECT_EQ(input_get()->previous_x, 300);
    EXPECT_EQ(input_get()->previous_y, 200);
}

TEST_F(InputFrames, WindowCloseRequestIsTakenAndChangesNothing) {
    push_motion(5, 6);
    input_poll();
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 0);
    input_poll();
    EXPECT_EQ(input_mouse_x(), 5);
    EXPECT_EQ(input_get()->buttons, 0);
    int key = -1;
    EXPECT_EQ(input_any_key_pressed(&key), 0);
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0) << "the close request was consumed by the poll";
}

TEST(InputKeyNames, HotkeyLabels) {
    EXPECT_STREQ(input_key_name(9), "Tab");
    EXPECT_STREQ(input_key_name(13), "Return");
    EXPECT_STREQ(input_key_name(27), "Esc");
    EXPECT_STREQ(input_key_name(32), "Spc");
    EXPECT_STREQ(input_key_name('0'), "0");
    EXPECT_STREQ(input_key_name('9'), "9");
    EXPECT_STREQ(input_key_name('a'), "A");
    EXPECT_STREQ(input_key_name('z'), "Z");
    EXPECT_STREQ(input_key_name(282), "F1");
    EXPECT_STREQ(input_key_name(287), "F6");
}

TEST(InputKeyNames, KeysWithoutALabelGiveNull) {
    for (int key : {0, 8, 10, 31, 33, 47, 58, 65, 90, 96, 123, 281, 288, 303, 1000})
        EXPECT_EQ(input_key_name(key), nullptr) << "key " << key;
}

TEST(InputKeyChars, LettersDigitsAndPunctuationOnAUsLayout) {
    EXPECT_EQ(input_key_to_char(97, 0), 'a');
    EXPECT_EQ(input_key_to_char(97, 1), 'A');
    EXPECT_EQ(input_key_to_char(122, 1), 'Z');
    const char shifted_digits[] = ")!@#$%^&*(";
    for (int d = 0; d < 10; ++d) {
        EXPECT_EQ(input_key_to_char(48 + d, 0), '0' + d);
        EXPECT_EQ(input_key_to_char(48 + d, 1), shifted_digits[d]) << "digit " << d;
    }
    const struct { int key; char plain, shifted; } rows[] = {
        {32, ' ', ' '}, {39, '\'', '"'}, {43, '=', '+'}, {44, ',', '<'}, {45, '-', '_'},
        {46, '.', '>'}, {47, '/', '?'}, {58, ';', ':'}, {91, '[', '{'}, {92, '\\', '|'}, {93, ']', '}'},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(input_key_to_char(row.key, 0), row.plain) << "key " << row.key;
        EXPECT_EQ(input_key_to_char(row.key, 1), row.shifted) << "key " << row.key;
    }
}

TEST(InputKeyChars, KeypadIgnoresShift) {
    for (int d = 0; d < 10; ++d) {
        EXPECT_EQ(input_key_to_char(256 + d, 0), '0' + d);
        EXPECT_EQ(input_key_to_char(256 + d, 1), '0' + d);
    }
    const struct { int key; char c; } pad[] = {{266, '.'}, {267, '/'}, {268, '*'}, {269, '-'}, {270, '+'}, {272, '='}};
    for (const auto &p : pad) {
        EXPECT_EQ(input_key_to_char(p.key, 0), p.c) << "key " << p.key;
        EXPECT_EQ(input_key_to_char(p.key, 1), p.c) << "key " << p.key;
    }
}

TEST(InputKeyChars, KeysThatTypeNothingGiveZero) {
    for (int key : {0, 8, 9, 13, 27, 59, 61, 65, 96, 123, 127, 271, 273, 282, 303, 5000})
        EXPECT_EQ(input_key_to_char(key, 0), 0) << "key " << key;
    EXPECT_EQ(input_key_to_char(59, 1), 0);
    EXPECT_EQ(input_key_to_char(61, 1), 0);
}

}  // namespace
