#pragma once
// Test support for the title screens: the title mode entered through the real mode switch over the
// generated store, frames run in the game loop's order with the test's own keys and pointer, every
// frame replayed into an off-screen screen.
//  - TitleDriver owns what a title needs besides the model (video, the button image types, a sound
//    manager for the loaders' music, the frame surface); stop() leaves the mode, which joins its
//    threads, and puts everything back.
//  - frame() is app_mode_run_frame without its input poll, so the test's key states count.
//  - Replaying a frame rewrites the screen record that a worker loading sprites reads, so the tests
//    give the title its logo pictures before it starts (its load thread then loads only its music)
//    and leave the mode's drawing out while the galaxy load thread loads the galaxy's sprites.
#include <gtest/gtest.h>

#include <SDL.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "assetgen/output.h"
#include "game/game.h"
#include "platform/draw.h"
#include "platform/sound.h"
#include "platform/sprite.h"
#include "screens/title/game_menu.h"
#include "screens/title/help_window.h"
#include "screens/title/title_mode.h"
#include "test_support.h"
#include "tools/png_decode.h"
#include "ui/app_mode.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_test_support.h"

namespace title_test {

constexpr int IMAGE_TYPES[] = {IMAGE_NO, IMAGE_START, IMAGE_YES, IMAGE_SAVE, IMAGE_LOAD, IMAGE_OPTIONS,
                               IMAGE_MAIN_MENU, IMAGE_QUIT, IMAGE_OK, IMAGE_ABOUT, IMAGE_HELP};   // buttons and dialogs

using ui_test::game;   // one game() for the title and the toolkit tests
inline uint32_t flags() { return title_state()->flags.load(std::memory_order_acquire); }
// Drawn now (a control waiting on its show timer is still hidden).
inline bool visible(const Control *c) { return c && !(c->flags & CTRL_HIDDEN); }

// The key code of Escape.
constexpr int KEY_ESCAPE = 27;

// A label's text; nullptr for no label.
inline const char *text_of(Control *label) { return label ? text_label_of(label)->text : nullptr; }

inline std::string caption_of(const Control *c) {
    const ImageControl *im = image_of(c);
    return im && im->caption ? im->caption : "";
}

// The texts of every label under a control, depth first, joined by spaces.
inline std::string texts_of(Control *c) {
    if (!c || (c->flags & CTRL_REMOVED)) return "";
    std::string all;
    if (c->type == CONTROL_TEXT) all = static_cast<const TextLabel *>(control_type_data(c))->text;
    if (Panel *p = panel_of(c))
        for (Control *child : p->children.items) {
            if (!child) break;
            const std::string more = texts_of(child);
            if (!more.empty()) all += (all.empty() ? "" : " ") + more;
        }
    return all;
}

inline std::vector<Control *> column_buttons(Control *menu) {
    std::vector<Control *> out;
    if (Panel *column = panel_of(panel_find_child(menu, GAME_MENU_COLUMN_ID)))
        for (Control *c : column->children.items) {
            if (!c) break;
            out.push_back(c);
        }
    return out;
}

inline Control *button_named(Control *menu, const std::string &text) {
    for (Control *c : column_buttons(menu))
        if (caption_of(c) == text) return c;
    return nullptr;
}

// A background picture as the generator wrote it.
class Backdrop {
public:
    explicit Backdrop(int slot) {
        char path[64];
        std::snprintf(path, sizeof path, "/assets/bg/%.3i.png", slot);
        const std::vector<uint8_t> bytes = read_whole(std::string(ASTROVANE_BINARY_DIR) + path);
        png_ = png_decode(bytes.data(), bytes.size());
    }
    bool ok() const { return png_.ok && png_.width == GFX_WIDTH && png_.height == GFX_HEIGHT; }
    ui_test::Rgb at(int x, int y) const {
        const uint8_t *p = png_.pixels.data() + (size_t(y) * png_.width + size_t(x)) * size_t(png_.channels());
        return {p[0], p[1], p[2]};
    }

private:
    DecodedPng png_;
};

// Two pictures in place of the logo, as the title load thread keeps them once loaded.
inline void give_title_pictures() {
    Game *g = game();
    if (g->title_image_count > 0) return;
    int count = 0;
    g->title_images = sprite_load_numbered("control/image/011/png", &count);
    g->title_image_count = g->title_images ? count : 0;
}

class TitleDriver {
public:
    ::testing::AssertionResult start() {
        if (!SDL_WasInit(SDL_INIT_VIDEO)) {
            if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return ::testing::AssertionFailure() << SDL_GetError();
            own_video_ = true;
        }
        if (!input_get() || gfx_select_primitives(4) != RES_OK || font_select_glyph_blit(4) != RES_OK)
            return ::testing::AssertionFailure() << "input or 32-bit drawing";
        graphics = gfx_get();
        screen = gfx_create_surface32(GFX_WIDTH, GFX_HEIGHT);
        if (!graphics || !screen) return ::testing::AssertionFailure() << "no frame surface";
        gfx_screen_attach(screen);
        for (int type : IMAGE_TYPES) {
            if (image_control_load_type(type) != RES_OK) return ::testing::AssertionFailure() << "image type " << type;
            types_.push_back(type);
        }
        if (!sound_get()) {
            if (sound_init() != 0) return ::testing::AssertionFailure() << "sound manager";
            own_sound_ = true;
        }
        app_mode_reset();
        game_clear_controls(game());
        ui_test::reset_input();
        return ::testing::AssertionSuccess();
    }

    void stop() {
        app_mode_reset();
        game_clear_controls(game());
        ui_test::reset_input();
        if (own_sound_) sound_shutdown();
        for (int type : types_) image_control_free_type(type);
        types_.clear();
        if (graphics) gfx_free_backgrounds(graphics);
        gfx_screen_attach(nullptr);
        if (screen) SDL_FreeSurface(screen);
        if (own_video_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
        own_sound_ = own_video_ = false;
        screen = nullptr;
    }

    static void switch_to(int mode) {
        app_mode_request(mode);
        app_mode_apply_request();
    }
    static void enter() { switch_to(APP_MODE_TITLE); }
    static Control *find(int id) { return game_find_control(game(), id); }

    void frame(int ms = 20) {
        AppMode *mode = app_mode_get_current();
        Game *g = game();
        if (mode && mode->update) mode->update(ms);
        if (!(g->flags & GAME_FLAG_CONTROLS_OFF)) game_update_controls(g, ms);
        if (mode && mode->draw && draw) {
            gfx_queue_lock(graphics);
            gfx_queue_clear(graphics);
            mode->draw(graphics);
            if (!(g->flags & GAME_FLAG_CONTROLS_OFF)) game_draw_controls(g, graphics, 1);
            gfx_queue_unlock(graphics);
            EXPECT_EQ(gfx_replay_frame(graphics, screen), RES_OK);
        }
        app_mode_apply_request();
        ui_test::next_tick();
    }
    void frames(int count, int ms = 20) {
        for (int i = 0; i < count; ++i) frame(ms);
    }
    // Frames until done() holds, at most max_frames; the worker threads get real time meanwhile.
    bool run_until(const std::function<bool()> &done, int max_frames = 3000) {
        for (int i = 0; i < max_frames && !done(); ++i) {
            frame();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return done();
    }
    // The key goes down in one frame and up in the next.
    void press(int key) {
        ui_test::key_down(key);
        frame();
        ui_test::key_up(key);
        frame();
    }
    // The pointer moves onto the control's middle in one frame; the button goes down in the next,
    // the click's frame, and is up again from the frame after.
    void click(Control *c) {
        ASSERT_NE(c, nullptr);
        int x = 0, y = 0;
        control_get_screen_position(c, &x, &y);
        ui_test::mouse_at(x + c->w / 2, y + c->h / 2);
        frame();
        ui_test::left_down();
        frame();
        ui_test::left_up();
    }
    ui_test::Rgb pixel(int x, int y) const {
        const uint8_t *p = static_cast<const uint8_t *>(screen->pixels) + y * screen->pitch + x * 4;
        return {p[2], p[1], p[0]};
    }
    // The last frame as a PNG under test-output/screens/, for review.
    void save_screen(const std::string &name) const {
        std::vector<uint8_t> rgb;
        for (int y = 0; y < GFX_HEIGHT; ++y)
            for (int x = 0; x < GFX_WIDTH; ++x) {
                const ui_test::Rgb c = pixel(x, y);
                rgb.insert(rgb.end(), {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)});
            }
        std::vector<uint8_t> png;
        ASSERT_EQ(png_encode(rgb.data(), GFX_WIDTH, GFX_HEIGHT, 3, &png), RES_OK);
        const std::filesystem::path path = std::filesystem::path(test_output_dir() + "/screens") / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(png.data()),
                                                               std::streamsize(png.size()));
    }

    Graphics    *graphics = nullptr;
    SDL_Surface *screen = nullptr;
    bool         draw = true;

private:
    std::vector<int> types_;
    bool own_sound_ = false, own_video_ = false;
};

}  // namespace title_test
