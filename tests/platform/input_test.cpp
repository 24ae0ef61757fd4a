// Input: pressed against down over frames, wheel sums, key names and characters, dropped events.
#include <gtest/gtest.h>

#include <SDL.h>
#include <cstring>
#include <utility>
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

TEST_F(InputFrames, TwoKeysInOneFrameReportTheHigherCodeAndCodesOutsideTheRangeAreNeverDown) {
    push_key(SDL_KEYDOWN, 'q');
    push_key(SDL_KEYDOWN, 'b');
    push_key(SDL_KEYDOWN, 400);   // beyond the key count, within the enum
    input_poll();
    int key = -1;
    EXPECT_EQ(input_any_key_pressed(&key), 1);
    EXPECT_EQ(key, 'q');
    EXPECT_EQ(input_key_down(400), 0);
    EXPECT_EQ(input_key_down(40000), 0);
    EXPECT_EQ(input_key_down(-1), 0);
    EXPECT_EQ(input_key_pressed(-5), 0);
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

// A touchpad tap or a quick key stroke lands down and up in the events of one frame.
TEST_F(InputFrames, ATapWithinOneFrameIsPressedInThatFrameAndUpFromTheNext) {
    push_button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    push_button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
    push_key(SDL_KEYDOWN, 'h');
    push_key(SDL_KEYUP, 'h');
    input_poll();
    EXPECT_EQ(input_button_pressed(INPUT_BUTTON_LEFT), 1);
    EXPECT_EQ(input_left_down(), 1);
    EXPECT_EQ(input_key_pressed('h'), 1);
    int key = -1;
    EXPECT_EQ(input_any_key_pressed(&key), 1);
    EXPECT_EQ(key, 'h');
    input_poll();
    EXPECT_EQ(input_left_down(), 0) << "the tap ends at the next poll";
    EXPECT_EQ(input_button_pressed(INPUT_BUTTON_LEFT), 0);
    EXPECT_EQ(input_key_down('h'), 0);
    EXPECT_EQ(input_key_pressed('h'), 0);
    input_poll();
    EXPECT_EQ(input_left_down(), 0);
    EXPECT_EQ(input_key_down('h'), 0);
}

TEST_F(InputFrames, TwoTapsInARowAreTwoPressesAndAHeldButtonStillGoesUpAtOnce) {
    push_button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    push_button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
    push_key(SDL_KEYDOWN, 'x');
    push_key(SDL_KEYUP, 'x');
    input_poll();
    EXPECT_EQ(input_button_pressed(INPUT_BUTTON_LEFT), 1);
    EXPECT_EQ(input_key_pressed('x'), 1);
    // The second tap comes in the very next frame's events: a second press.
    push_button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    push_button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
    push_key(SDL_KEYDOWN, 'x');
    push_key(SDL_KEYUP, 'x');
    input_poll();
    EXPECT_EQ(input_left_down(), 1);
    EXPECT_EQ(input_button_pressed(INPUT_BUTTON_LEFT), 1) << "the first tap went up between the frames";
    EXPECT_EQ(input_key_pressed('x'), 1);
    input_poll();
    EXPECT_EQ(input_key_down('x'), 0);
    EXPECT_EQ(input_left_down(), 0);
    push_button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    push_button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
    input_poll();
    EXPECT_EQ(input_button_pressed(INPUT_BUTTON_LEFT), 1) << "a tap after a frame up is a press again";

    // A press held over frames is released in the frame its release arrives.
    input_poll();
    push_button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
    push_key(SDL_KEYDOWN, 'z');
    input_poll();
    input_poll();
    push_button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT);
    push_key(SDL_KEYUP, 'z');
    input_poll();
    EXPECT_EQ(input_get()->buttons & 0x4, 0);
    EXPECT_EQ(input_key_down('z'), 0);
    // Down, up and down again within a frame: it stays down.
    push_key(SDL_KEYDOWN, 'y');
    push_key(SDL_KEYUP, 'y');
    push_key(SDL_KEYDOWN, 'y');
    input_poll();
    input_poll();
    EXPECT_EQ(input_key_down('y'), 1);
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

TEST_F(InputFrames, MotionMovesThePointerAndAWindowCloseRequestIsTakenAndChangesNothing) {
    push_motion(300, 200);
    input_poll();
    EXPECT_EQ(input_mouse_x(), 300);
    EXPECT_EQ(input_mouse_y(), 200);
    push_motion(310, 205);
    input_poll();
    int x = 0, y = 0;
    input_mouse_position(&x, &y);
    EXPECT_EQ(std::pair(x, y), std::pair(310, 205));
    EXPECT_EQ(input_get()->previous_x, 300);
    EXPECT_EQ(input_get()->previous_y, 200);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 0);
    input_poll();
    EXPECT_EQ(input_mouse_x(), 310);
    EXPECT_EQ(input_get()->buttons, 0);
    int key = -1;
    EXPECT_EQ(input_any_key_pressed(&key), 0);
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0) << "the close request was consumed by the poll";
}

TEST(InputKeyNames, HotkeyLabelsAndNullForKeysWithoutOne) {
    const std::pair<int, const char *> names[] = {{9, "Tab"}, {13, "Return"}, {27, "Esc"}, {32, "Spc"}, {'0', "0"},
                                                  {'9', "9"}, {'a', "A"},      {'z', "Z"},  {282, "F1"}, {287, "F6"}};
    for (const auto &[key, name] : names) EXPECT_STREQ(input_key_name(key), name) << "key " << key;
    for (int key : {0, 8, 10, 31, 33, 47, 58, 65, 90, 96, 123, 281, 288, 303, 1000})
        EXPECT_EQ(input_key_name(key), nullptr) << "key " << key;
}

TEST(InputKeyChars, LettersDigitsPunctuationAndTheKeypadOnAUsLayout) {
    const struct { int key; char plain, shifted; } rows[] = {
        {97, 'a', 'A'},  {122, 'z', 'Z'},  {48, '0', ')'},   {49, '1', '!'},   {50, '2', '@'},   {51, '3', '#'},
        {52, '4', '$'},  {53, '5', '%'},   {54, '6', '^'},   {55, '7', '&'},   {56, '8', '*'},   {57, '9', '('},
        {32, ' ', ' '},  {39, '\'', '"'}, {43, '=', '+'},   {44, ',', '<'},   {45, '-', '_'},   {46, '.', '>'},
        {47, '/', '?'},  {58, ';', ':'},   {91, '[', '{'},   {92, '\\', '|'}, {93, ']', '}'},  {59, 0, 0},
        {61, 0, 0},      {266, '.', '.'},  {267, '/', '/'},  {268, '*', '*'},  {269, '-', '-'},  {270, '+', '+'},
        {272, '=', '='},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(input_key_to_char(row.key, 0), row.plain) << "key " << row.key;
        EXPECT_EQ(input_key_to_char(row.key, 1), row.shifted) << "key " << row.key << " with shift";
    }
    for (int d = 0; d < 10; ++d) {   // the keypad ignores shift
        EXPECT_EQ(input_key_to_char(256 + d, 0), '0' + d);
        EXPECT_EQ(input_key_to_char(256 + d, 1), '0' + d);
    }
    for (int key : {0, 8, 9, 13, 27, 65, 96, 123, 127, 271, 273, 282, 303, 5000})
        EXPECT_EQ(input_key_to_char(key, 0), 0) << "key " << key;
}

}  // namespace
