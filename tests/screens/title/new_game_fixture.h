#pragma once
// The new-game setup screen over the real player records: the shipped records loaded with
// records_load (the save folder is a fresh test folder, so the shipped defaults and slots stand),
// the screen built into a sub-panel of a stand-in game menu panel on the top level, and the input
// driven through the game's own control pass.
#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include "game/game.h"
#include "game/records.h"
#include "screens/title/new_game.h"
#include "support/state_guards.h"
#include "test_support.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"
#include "ui/text_label.h"
#include "ui/ui_test_support.h"

namespace new_game_test {

using namespace ui_test;

// The image types the screen shows: Start, Cancel, the computer and the human icon.
constexpr int SCREEN_IMAGE_TYPES[] = {IMAGE_START, IMAGE_CANCEL, IMAGE_COMPUTER, IMAGE_HUMAN};

inline int g_starts = 0;
inline int g_backs = 0;
inline void count_start(Control *) { ++g_starts; }
inline void count_back(Control *) { ++g_backs; }

inline std::string text_of(Control *label) {
    const TextLabel *t = text_label_of(label);
    return t && t->text ? t->text : "";
}

inline bool file_exists(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// The save folder ($XDG_DATA_HOME/Astrovane) in a fresh test folder for the object's life.
class SaveFolder {
public:
    SaveFolder() : root_(fresh_test_dir("new_game_screen")) { ::setenv("XDG_DATA_HOME", root_.c_str(), 1); }
    const std::string &root() const { return root_; }
    std::string folder() const { return root_ + "/Astrovane"; }
    std::string file(const char *name) const { return folder() + "/" + name; }

private:
    EnvGuard    back_{"XDG_DATA_HOME"};
    std::string root_;
};

template <class Base>
class NewGameFixtureOn : public Base {
protected:
    SaveFolder save_;

    void SetUp() override {
        Base::SetUp();
        if (this->HasFatalFailure()) return;
        for (int type : SCREEN_IMAGE_TYPES) ASSERT_EQ(image_control_load_type(type), RES_OK) << type;
        images_loaded_ = true;
        Game *g = game();
        own_records_ = list_create<PlayerRecord>();
        ASSERT_NE(own_records_, nullptr);
        saved_records_ = g->player_records;
        g->player_records = own_records_;
        for (int k = 0; k < GAME_SLOT_COUNT; ++k) {
            saved_ids_[k] = g->slot_record_ids[k];
            saved_rgb_[k][0] = g->slot_red[k];
            saved_rgb_[k][1] = g->slot_green[k];
            saved_rgb_[k][2] = g->slot_blue[k];
        }
        swapped_ = true;
        ASSERT_EQ(records_load(g), RES_OK);   // the shipped records and their slots
        g_starts = g_backs = 0;
    }

    void TearDown() override {
        game_clear_controls(game());
        menu_ = screen_ = nullptr;
        Game *g = game();
        if (swapped_) {
            g->player_records = saved_records_;
            list_free(own_records_);
            for (int k = 0; k < GAME_SLOT_COUNT; ++k) {
                g->slot_record_ids[k] = saved_ids_[k];
                g->slot_red[k] = saved_rgb_[k][0];
                g->slot_green[k] = saved_rgb_[k][1];
                g->slot_blue[k] = saved_rgb_[k][2];
            }
        }
        if (images_loaded_)
            for (int type : SCREEN_IMAGE_TYPES) image_control_free_type(type);
        Base::TearDown();
    }

    // The game menu's part: a menu panel holding the sub-panel the screen is built into, the
    // screen's slots filled, then the opening animations run out.
    void open_screen() {
        game_clear_controls(game());
        menu_ = panel_create(100, 100, 0, 0, 0);
        add_top(menu_, 40, 30);
        screen_ = panel_create_empty();
        panel_add_child(menu_, 0, 0, 100002, 0, screen_);
        control_set_user_data(screen_, menu_, nullptr);
        new_game_build(screen_);
        ASSERT_NE(state(), nullptr);
        panel_set_slot(screen_, NEW_GAME_SLOT_START, count_start);
        panel_set_slot(screen_, NEW_GAME_SLOT_BACK, count_back);
        control_set_size(menu_, screen_->w, screen_->h);
        settle();
    }

    // The setting reset of the menu's "New game" (fog of war keeps its value), then the screen.
    void open_as_the_menu_does() {
        GameSetup &s = game()->setup;
        s.star_density = 2;
        s.starting_tech = 1;
        s.galaxy_age = 1;
        s.ark_strength = 1;
        s.crew_recruitment = 500;
        open_screen();
    }

    void settle(int ms = 600) {
        for (int t = 0; t < ms; t += 20) frame(20);
    }

    NewGameState *state() const { return new_game_state(screen_); }
    Control *buttons() const { return panel_find_child(screen_, NEW_GAME_BUTTONS_ID); }
    Control *start() const { return panel_find_child(buttons(), NEW_GAME_START_ID); }
    Control *slot(int k) const { return list_get(state()->slots, k); }
    Control *name_box(int k) const { return panel_find_child(slot(k), NEW_GAME_NAME_BOX_ID); }
    std::string slot_name(int k) const { return text_of(panel_find_child(name_box(k), NEW_GAME_LABEL_ID)); }

    static void point_at(Control *c) {
        int x = 0, y = 0;
        control_get_screen_position(c, &x, &y);
        mouse_at(x + c->w / 2, y + c->h / 2);
        frame();
    }
    static void click(Control *c) {
        point_at(c);
        left_down();
        frame();
        left_up();
        frame();
    }
    static void press(int key) {
        key_down(key);
        frame();
        key_up(key);
        frame();
    }

    static bool greyed(Control *button) { return image_control_is_highlighted(button); }
    static std::string tooltip(Control *button) {
        const ImageControl *im = image_of(button);
        if (!im || !(im->options & IMG_TOOLTIP) || !im->tooltip_text) return "";
        return im->tooltip_text;
    }

    Control *menu_ = nullptr;
    Control *screen_ = nullptr;

private:
    bool                images_loaded_ = false;
    bool                swapped_ = false;
    List<PlayerRecord> *own_records_ = nullptr;
    List<PlayerRecord> *saved_records_ = nullptr;
    uint64_t            saved_ids_[GAME_SLOT_COUNT] = {};
    uint8_t             saved_rgb_[GAME_SLOT_COUNT][3] = {};
};

using NewGameFixture = NewGameFixtureOn<UiTest>;

}  // namespace new_game_test
