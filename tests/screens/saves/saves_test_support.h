#pragma once
// Test support for the load and save screens: a real seeded new game with a save folder of the
// test's own, the screen built into a top-level panel and driven through the real input path.
//  - The fixture loads the picture types the screens' buttons, rows and scroll bar use.
//  - Saves are written with the model's own game_save; their modification times are set by hand
//    so that "newest first" does not hang on the clock's resolution.
#include <gtest/gtest.h>

#include <SDL.h>
#include <sys/stat.h>
#include <utime.h>

#include <string>
#include <vector>

#include "../../game/headless_fixture.h"
#include "game/headless.h"
#include "platform/random.h"
#include "platform/colour_fade.h"
#include "ui/dialog.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_test_support.h"

namespace saves_test {

constexpr int IMAGE_TYPES[] = {IMAGE_BACK, IMAGE_DELETE, IMAGE_SAVE, IMAGE_LOAD, IMAGE_CREDITS, IMAGE_PRESENCE,
                               IMAGE_SAVE_ROW, IMAGE_SAVE_SCREEN, IMAGE_SECTORS, IMAGE_OK, IMAGE_NO, IMAGE_YES};

inline std::string label_text(Control *c) {
    const TextLabel *t = text_label_of(c);
    return t && t->text ? t->text : "";
}

// The texts of every label under a control, depth first, joined by spaces.
inline std::string texts_of(Control *c) {
    if (!c || (c->flags & CTRL_REMOVED)) return "";
    std::string all = label_text(c);
    if (Panel *p = panel_of(c))
        for (Control *child : p->children.items) {
            if (!child) break;
            const std::string more = texts_of(child);
            if (!more.empty()) all += (all.empty() ? "" : " ") + more;
        }
    return all;
}

inline bool shown(const Control *c) { return c && !(c->flags & (CTRL_HIDDEN | CTRL_REMOVED)); }

class SavesGame : public ModelGame {
protected:
    static constexpr uint32_t SEED = 20261208;
    Control *screen = nullptr;

    void SetUp() override {
        ModelGame::SetUp();
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        for (int type : IMAGE_TYPES)
            if (image_control_load_type(type) == RES_OK) types_.push_back(type);
        random_seed(SEED);
        HeadlessOptions options;
        options.computer_players = 1;
        ASSERT_EQ(headless_new_game(game, options), RES_OK) << "seed " << SEED;
        ASSERT_NE(game->ui_player, nullptr);
        game_clear_controls(game);
        ui_test::reset_input();
    }
    void TearDown() override {
        game_clear_controls(game);
        ui_test::reset_input();
        for (int type : types_) image_control_free_type(type);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        ModelGame::TearDown();
    }

    // A panel on the top level for a screen to be built into.
    Control *host() {
        Control *panel = panel_create_empty();
        ui_test::add_top(panel, 20, 20);
        return panel;
    }

    void frames(int n, int ms = 20) {
        for (int i = 0; i < n; ++i) ui_test::frame(ms);
    }

    // Writes a manual save (or the autosave) and gives it the modification time `age` seconds ago.
    std::string write_save(const char *name, const char *title, int age, int autosave = 0) {
        std::string path = saves->file(name);
        ::mkdir(saves->folder().c_str(), 0755);
        EXPECT_EQ(game_save(game, path.c_str(), title, autosave, nullptr), RES_OK) << name;
        struct utimbuf times = {time(nullptr) - age, time(nullptr) - age};
        ::utime(path.c_str(), &times);
        return path;
    }

    static bool exists(const std::string &path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0;
    }

    // The dialog's button with that id, when the dialog is open.
    Control *dialog_button(int dialog_id, int button_id) {
        Control *dialog = panel_find_child(screen, dialog_id);
        if (!dialog) return nullptr;
        Control *row = panel_find_child(dialog, DIALOG_ROW_ID);
        Control *b = row ? panel_find_child(row, button_id) : nullptr;
        return b ? b : panel_find_child(dialog, button_id);
    }

private:
    std::vector<int> types_;
};

}  // namespace saves_test
