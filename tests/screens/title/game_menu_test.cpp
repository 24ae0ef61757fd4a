// The game menu in its three forms: the buttons and hotkeys each flag word gives, the confirm
// questions with and without a running game and what their answers do, sub-screens growing the
// menu about its centre or its bottom edge and closing back to the built size, and the new-game
// reset that keeps the fog setting.
#include "screens/title/title_test_support.h"

#include "screens/title/new_game.h"
#include "screens/title/options_panel.h"
#include "ui/dialog.h"

namespace {

using title_test::TitleDriver;
using title_test::game;
using title_test::caption_of;
using title_test::visible;

using Calls = std::vector<std::pair<std::string, Control *>>;
Calls g_calls;   // owner slots called, with what
void on_new_game(Control *menu) { g_calls.emplace_back("new game", menu); }
void on_about(Control *menu) { g_calls.emplace_back("about", menu); }

class GameMenu : public ui_test::UiTest {
protected:
    TitleDriver title;

    void SetUp() override {
        UiTest::SetUp();
        ASSERT_TRUE(title.start());
        g_calls.clear();
    }
    void TearDown() override {
        title.stop();
        UiTest::TearDown();
    }

    // A menu of the flags on the top level at (300, y), its owner slots recorded.
    Control *build(uint32_t flags, int y = 200) {
        Control *menu = game_add_control(game(), 300, y, 0, 0, panel_create_empty());
        game_menu_build(menu, flags);
        game_menu_state(menu)->on_new_game = on_new_game;
        game_menu_state(menu)->on_about = on_about;
        game_flush_new_controls(game());
        return menu;
    }
    static Control *sub(Control *menu) { return panel_find_child(menu, GAME_MENU_SUBPANEL_ID); }
    static bool column_shown(Control *menu) { return visible(panel_find_child(menu, GAME_MENU_COLUMN_ID)); }
    void click(Control *menu, const char *caption) {
        title.frames(25);   // past a flash-in
        title.click(title_test::button_named(menu, caption));
    }
};

TEST_F(GameMenu, EachFlagWordGivesItsButtonsInOrderAndHotkeysOnlyWithTheirBit) {
    struct Form {
        uint32_t                 flags;
        std::vector<std::string> captions;
        std::string              hotkeys;   // '-' for none
        std::vector<int>         image_types;
        int                      anchor;
    } forms[] = {
        {GAME_MENU_TITLE, {"New game", "Load game", "Options", "Help", "About", "Quit game"}, "nlohaq",
         {11, 29, 30, 168, 164, 32}, PANEL_ANCHOR_CENTRE},
        {GAME_MENU_GALAXY, {"Save game", "Load game", "Options", "Help", "Main menu", "Quit game"}, "------",
         {28, 29, 30, 168, 31, 32}, PANEL_ANCHOR_BOTTOM},
        {GAME_MENU_COMBAT, {"Load game", "Options", "Help", "Main menu", "Quit game"}, "-----",
         {29, 30, 168, 31, 32}, PANEL_ANCHOR_BOTTOM},
        {0x1DFE | GAME_MENU_HOTKEYS,
         {"New game", "Save game", "Load game", "Options", "Help", "About", "Main menu", "Quit game"}, "nslohamq",
         {11, 28, 29, 30, 168, 164, 31, 32}, PANEL_ANCHOR_CENTRE},
    };
    for (const Form &form : forms) {
        SCOPED_TRACE(testing::Message() << std::hex << form.flags);
        Control *menu = build(form.flags);
        std::vector<std::string> captions;
        std::string hotkeys;
        std::vector<int> types;
        for (Control *b : title_test::column_buttons(menu)) {
            captions.push_back(caption_of(b));
            hotkeys += b->hotkey > 0 ? char(b->hotkey) : '-';
            types.push_back(image_of(b)->image_type);
            EXPECT_EQ(b->user_data, menu);
            EXPECT_EQ(bool(b->flags & CTRL_DISABLED), bool(form.flags & GAME_MENU_FLASH_IN)) << "flash-in";
        }
        EXPECT_EQ(captions, form.captions);
        EXPECT_EQ(hotkeys, form.hotkeys);
        EXPECT_EQ(types, form.image_types);
        const GameMenuState *state = game_menu_state(menu);
        EXPECT_EQ(state->anchor_mode, form.anchor);
        EXPECT_EQ(state->game_running, (form.flags & GAME_MENU_RUNNING) ? 1 : 0);
        const Control *column = panel_find_child(menu, GAME_MENU_COLUMN_ID);
        EXPECT_EQ(std::make_pair(menu->w, menu->h), std::make_pair(column->w + 12, column->h + 12));
        EXPECT_EQ(std::make_pair(state->saved_width, state->saved_height), std::make_pair(menu->w, menu->h));
        control_remove(menu);
    }
}

TEST_F(GameMenu, QuitAndExitAskLongerWhileAGameRunsAndNoGivesTheColumnBack) {
    const struct {
        const char *button;
        uint32_t    flags;
        const char *question;
    } questions[] = {
        {"Quit game", GAME_MENU_TITLE, "Quit the game?"},
        {"Quit game", GAME_MENU_GALAXY, "Quit the game? You will lose any unsaved progress."},
        {"Main menu", GAME_MENU_GALAXY, "Exit to the main menu? You will lose any unsaved progress."},
        {"Main menu", GAME_MENU_GALAXY & ~GAME_MENU_RUNNING, "Exit to the main menu?"},
    };
    for (const auto &q : questions) {
        SCOPED_TRACE(q.question);
        Control *menu = build(q.flags);
        click(menu, q.button);
        ASSERT_NE(sub(menu), nullptr);
        EXPECT_EQ(title_test::texts_of(sub(menu)), q.question);
        EXPECT_EQ(caption_of(panel_find_child(panel_find_child(sub(menu), DIALOG_ROW_ID), DIALOG_NO_ID)), "No, continue");
        title.frames(15);
        title.press('n');
        EXPECT_EQ(sub(menu), nullptr);
        EXPECT_TRUE(column_shown(menu));
        control_remove(menu);
    }
}

TEST_F(GameMenu, YesQuitsTheGameOrGoesBackToTheTitle) {
    Control *menu = build(GAME_MENU_TITLE);
    title.frames(25);
    title.press('q');
    title.frames(15);
    title.press('y');
    EXPECT_TRUE(game()->flags & GAME_FLAG_QUIT);
    game()->flags &= ~GAME_FLAG_QUIT;
    control_remove(menu);

    menu = build(GAME_MENU_GALAXY);
    click(menu, "Main menu");
    title.frames(15);
    title.press('y');
    EXPECT_EQ(app_mode_request(APP_MODE_COUNT), APP_MODE_TITLE) << "the title is requested";
    EXPECT_FALSE(game()->flags & GAME_FLAG_QUIT);
}

TEST_F(GameMenu, ASubScreenGrowsTheMenuAboutItsAnchorAndClosingReturnsToTheBuiltSize) {
    for (const uint32_t flags : {GAME_MENU_TITLE, GAME_MENU_GALAXY}) {
        const bool centre = flags & GAME_MENU_CENTRE;
        SCOPED_TRACE(centre ? "about the centre" : "upwards");
        Control *menu = build(flags, 300);
        const int w0 = menu->w, h0 = menu->h, cx = menu->x + w0 / 2, cy = menu->y + h0 / 2, bottom = menu->y + h0;
        auto check_anchor = [&] {
            if (centre) {   // within the pixel an odd size rounds away
                EXPECT_NEAR(menu->x + menu->w / 2, cx, 1);
                EXPECT_NEAR(menu->y + menu->h / 2, cy, 1);
            } else {
                EXPECT_EQ(menu->y + menu->h, bottom);
            }
        };
        click(menu, "Options");
        Control *options = sub(menu);
        ASSERT_NE(options, nullptr);
        EXPECT_EQ(options->user_data, menu);
        EXPECT_FALSE(column_shown(menu));
        title.frames(12);
        ASSERT_NE(std::make_pair(menu->w, menu->h), std::make_pair(w0, h0));
        EXPECT_EQ(std::make_pair(menu->w, menu->h), std::make_pair(options->w, options->h));
        check_anchor();
        options_panel_state(options)->close(options);
        title.frames(12);
        EXPECT_EQ(std::make_pair(menu->w, menu->h), std::make_pair(w0, h0));
        EXPECT_EQ(sub(menu), nullptr);
        EXPECT_TRUE(column_shown(menu));
        check_anchor();
        control_remove(menu);
    }
}

TEST_F(GameMenu, NewGameResetsTheSettingsButFogAndItsStartAndCancelReachTheMenu) {
    Control *menu = build(GAME_MENU_TITLE);
    game()->setup = GameSetup{4, 2, 0, 2, 1500, 1};
    click(menu, "New game");
    const GameSetup &s = game()->setup;
    EXPECT_EQ(std::vector<int>({s.star_density, s.starting_tech, s.galaxy_age, s.ark_strength, s.crew_recruitment,
                                s.fog_of_war_off}),
              std::vector<int>({2, 1, 1, 1, 500, 1}));
    Control *setup = sub(menu);
    NewGameState *screen = new_game_state(setup);
    ASSERT_TRUE(screen && screen->slot[NEW_GAME_SLOT_START] && screen->slot[NEW_GAME_SLOT_BACK]);
    screen->slot[NEW_GAME_SLOT_START](setup);
    EXPECT_EQ(g_calls, (Calls{{"new game", menu}}));
    screen->slot[NEW_GAME_SLOT_BACK](setup);
    EXPECT_EQ(sub(menu), nullptr);
    EXPECT_TRUE(column_shown(menu));

    click(menu, "Help");   // a window of its own, the menu as it was
    EXPECT_NE(TitleDriver::find(CONTROL_ID_HELP), nullptr);
    EXPECT_EQ(sub(menu), nullptr);
    control_remove(TitleDriver::find(CONTROL_ID_HELP));
    click(menu, "About");
    EXPECT_EQ(g_calls, (Calls{{"new game", menu}, {"about", menu}}));
}

}  // namespace
