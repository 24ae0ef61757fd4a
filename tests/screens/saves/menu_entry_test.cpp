// The game menu's Load game and Save game open the screens in its sub-panel with the menu's own
// slots, and a failed load comes back to the load screen's error view.
#include "saves_test_support.h"
#include "screens/saves/load_screen.h"
#include "screens/saves/save_screen.h"
#include "screens/title/game_menu.h"

namespace saves_test {
namespace {

class MenuEntry : public SavesGame {
protected:
    Control *menu = nullptr;
    void open(uint32_t flags) {
        menu = host();
        game_menu_build(menu, flags);
        frames(25);
    }
    Control *sub() { return panel_find_child(menu, GAME_MENU_SUBPANEL_ID); }
    void press(int key) {
        ui_test::key_down(key);
        ui_test::frame();
        ui_test::key_up(key);
        ui_test::frame();
    }
};

TEST_F(MenuEntry, TheTitlesLKeyOpensTheLoadScreenAndAFailedLoadShowsItsErrorView) {
    write_save("000.sav", "Broken later", 100);
    open(GAME_MENU_TITLE);
    press('l');
    LoadScreenState *s = load_screen_state(sub());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->back, game_menu_close_subpanel);
    EXPECT_EQ(s->load_requested, game_menu_call_load_requested);
    EXPECT_EQ(s->load_failed, game_menu_call_load_failed);
    EXPECT_EQ(s->unsaved_progress, 0);
    EXPECT_EQ(game_menu_state(menu)->sub_dialog, GAME_MENU_SUB_LOAD);
    ASSERT_EQ(s->list.rows.size(), 1u);

    EXPECT_TRUE(game_menu_show_load_error(menu));
    EXPECT_EQ(label_text(panel_find_child(sub(), LOAD_SCREEN_PROMPT_ID)), "Error loading game");
    ASSERT_NE(panel_find_child(sub(), LOAD_SCREEN_OK_ID), nullptr);
}

TEST_F(MenuEntry, TheGalaxyMenusSaveGameOpensTheSaveScreenAndItsLoadWarnsOfUnsavedProgress) {
    open(GAME_MENU_GALAXY | GAME_MENU_HOTKEYS);
    press('s');
    SaveScreenState *s = save_screen_state(sub());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->back, game_menu_close_subpanel);
    EXPECT_EQ(s->saved, game_menu_hide);
    // Back brings the button column again.
    frames(25);
    press(27);
    frames(15);
    EXPECT_EQ(load_screen_state(sub()), nullptr);
    press('l');
    ASSERT_NE(load_screen_state(sub()), nullptr);
    EXPECT_EQ(load_screen_state(sub())->unsaved_progress, 1);
}

}  // namespace
}  // namespace saves_test
