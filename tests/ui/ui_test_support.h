#pragma once
// Test support for the toolkit: drives the input snapshot one tick at a time without events and
// empties the game's top-level controls between tests.
#include <SDL.h>
#include <cstring>

#include "game/game.h"
#include "game/game_loop.h"
#include "platform/draw.h"
#include "platform/font.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/list.h"
#include "platform/store.h"
#include "support/state_guards.h"
#include "ui/control.h"
#include "ui/game_controls.h"
#include "ui/ui_draw.h"

namespace ui_test {

inline Game *game() { return game_get(); }
inline std::vector<Control *> &live() { return game()->controls->items; }
inline std::vector<Control *> &queued() { return game()->new_controls->items; }

// Starts a new tick: this tick's state becomes the previous one.
inline void next_tick() {
    Input *in = input_get();
    if (in->keys && in->previous_keys) std::memcpy(in->previous_keys, in->keys, size_t(in->key_count));
    in->previous_buttons = in->buttons;
    in->previous_x = in->mouse_x;
    in->previous_y = in->mouse_y;
    in->wheel = 0;
}

inline void reset_input() {
    Input *in = input_get();
    if (in->keys) std::memset(in->keys, 0, size_t(in->key_count));
    in->buttons = 0;
    in->buttons_up_next = 0;
    in->keys_up_next.clear();
    in->mouse_x = in->mouse_y = -100;
    in->wheel = 0;
    next_tick();
}

inline void key_down(int key) { input_get()->keys[key] = 1; }
inline void key_up(int key) { input_get()->keys[key] = 0; }
inline void mouse_at(int x, int y) {
    input_get()->mouse_x = x;
    input_get()->mouse_y = y;
}
inline void left_down() { input_get()->buttons |= 1; }
inline void left_up() { input_get()->buttons &= uint8_t(~1u); }
inline void right_down() { input_get()->buttons |= 4; }
inline void wheel(int notches) { input_get()->wheel = notches; }
inline int clicks_played() { return control_clicks_played(); }

// One frame of the game loop's control pass, then the next tick begins.
inline void frame(int ms = 20) {
    game_update_controls(game(), ms);
    next_tick();
}

// A player's click on a control's middle: the pointer rests there for a frame, the button goes
// down in the next and comes up in the one after.
inline void click_control(Control *c) {
    ASSERT_NE(c, nullptr);
    int x = 0, y = 0;
    control_get_screen_position(c, &x, &y);
    mouse_at(x + c->w / 2, y + c->h / 2);
    frame();
    left_down();
    frame();
    left_up();
    frame();
}

// A player's wheel over a control's middle: the pointer rests there for a frame, the wheel turns
// in the next.
inline void wheel_over(Control *c, int notches) {
    int x = 0, y = 0;
    control_get_screen_position(c, &x, &y);
    mouse_at(x + c->w / 2, y + c->h / 2);
    frame();
    wheel(notches);
    frame();
}

// Puts a control on the top level (queued, then flushed as the loop would).
inline Control *add_top(Control *c, int x, int y, int layer = 0) {
    game_add_control(game(), x, y, 0, 0, c);
    c->layer = layer;
    game_flush_new_controls(game());
    return c;
}

// The store the build makes, so labels measure with the game's own fonts.
inline void use_generated_store() {
    const char *path = ASTROVANE_BINARY_DIR "/store.dat";
    Store *store = store_get();
    if (store && store->path == path && (store->flags & STORE_FLAG_PARSED)) return;
    fonts_free_all();
    store_shutdown();
    store_set_path(path);
    (void)store_open();   // a missing store shows as missing fonts in the tests that measure
}

// A fixture base: the generated store, fresh input and no top-level controls before and after
// each test; the game's flags (the cursor shown, the controls hidden) come back as they were.
class UiTest : public ::testing::Test {
protected:
    GameFieldsGuard fields_back_;

    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(input_get(), nullptr);
        ASSERT_GT(input_get()->key_count, 306);
        ASSERT_NE(game(), nullptr);
        use_generated_store();
        game_clear_controls(game());
        reset_input();
    }
    void TearDown() override {
        game_clear_controls(game());
        reset_input();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
};

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
};
inline std::ostream &operator<<(std::ostream &os, const Rgb &c) {
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// A fixture whose frames are replayed into an off-screen screen of the game's size.
class UiScreenTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ASSERT_EQ(gfx_select_primitives(4), RES_OK);
        ASSERT_EQ(font_select_glyph_blit(4), RES_OK);
        graphics = gfx_get();
        ASSERT_NE(graphics, nullptr);
        screen = gfx_create_surface32(GFX_WIDTH, GFX_HEIGHT);
        ASSERT_NE(screen, nullptr);
        gfx_screen_attach(screen);   // sprites and colours take the screen's format
    }
    void TearDown() override {
        gfx_screen_attach(nullptr);
        SDL_FreeSurface(screen);
        UiTest::TearDown();
    }
    virtual void paint_backdrop() = 0;

    // One frame over the backdrop: the control alone, or the game's controls and its cursor.
    void render(Control *ctrl = nullptr) {
        gfx_queue_lock(graphics);
        gfx_queue_clear(graphics);
        ui_lock_screen(graphics);
        paint_backdrop();
        if (ctrl) control_draw(ctrl, graphics, 0, 0);
        ui_unlock_screen(graphics);
        if (!ctrl) {
            game_draw_controls(game(), graphics, 1);
            game_draw_cursor(game(), graphics);
        }
        gfx_queue_unlock(graphics);
        ASSERT_EQ(gfx_replay_frame(graphics, screen), RES_OK);
    }

    Rgb pixel(int x, int y) const {
        const uint8_t *p = static_cast<const uint8_t *>(screen->pixels) + y * screen->pitch + x * 4;
        return {p[2], p[1], p[0]};
    }

    Graphics    *graphics = nullptr;
    SDL_Surface *screen = nullptr;
};

}  // namespace ui_test
