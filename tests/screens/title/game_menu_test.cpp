// The game menu in its three forms: the buttons and hotkeys each flag word gives, the confirm
// questions with and without a running game and what their answers do, the sub-screens growing
// the menu about its centre or its bottom edge and closing back to the built size, the new-game
// settings reset that keeps the fog setting, and the owner slots the sub-screens reach.
#include "screens/title/title_test_support.h"

#include "game/prefs.h"
#include "screens/title/new_game.h"
#include "screens/title/options_panel.h"
#include "ui/dialog.h"
#include "ui/layout.h"

namespace {

using title_test::TitleDriver;
using title_test::caption_of;
using title_test::column_buttons;
using title_test::game;

std::vector<std::pair<std::string, Control *>> g_calls;   // owner slot called, with what

template <const char *Name> void record(Control *menu) { g_calls.emplace_back(Name, menu); }
constexpr char NEW_GAME[] = "new game", ABOUT[] = "about", LOAD_FAILED[] = "load failed";

class GameMenu : public ui_test::UiTest {
protected:
    TitleDriver title;
    title_test::HelpBuilder help_builder;

    void SetUp() override {
        UiTest::SetUp();
        ASSERT_TRUE(title.start());
        g_calls.clear();
    }
    void TearDown() override {
        title.stop();
        UiTest::TearDown();
    }

    // A menu of the flags on the top level at (x, y), its owner slots recorded.
    Control *build(uint32_t flags, int x = 300, int y = 200) {
        Control *menu = panel_create_empty();
        game_add_control(game(), x, y, 4242, 0, menu);
        game_menu_init(menu, flags);
        GameMenuState *state = game_menu_state(menu);
        EXPECT_NE(state, nullptr);
        if (state) {
            state->on_new_game = record<NEW_GAME>;
            state->on_about = record<ABOUT>;
            state->on_load_failed = record<LOAD_FAILED>;
        }
        game_flush_new_controls(game());
        title.frames(25);   // past the flash-in
        return menu;
    }

    void click(Control *menu, const char *caption) {
        Control *button = title_test::button_named(menu, caption);
        ASSERT_NE(button, nullptr) << caption;
        title.click(button);
    }
    static Control *sub(Control *menu) { return panel_find_child(menu, GAME_MENU_SUBPANEL_ID); }
};

struct Form {
    const char              *name;
    uint32_t                 flags;
    std::vector<std::string> captions;
    std::string              hotkeys;   // one letter per button, '-' for none
    std::vector<int>         image_types;
    int                      anchor;
};

TEST_F(GameMenu, EachFlagWordGivesItsButtonsInOrderAndHotkeysOnlyWithTheirBit) {
    const Form forms[] = {
        {"title", GAME_MENU_TITLE, {"New game", "Load game", "Options", "Help", "About", "Quit game"}, "nlohaq",
         {11, 29, 30, 168, 164, 32}, PANEL_ANCHOR_CENTRE},
        {"galaxy", GAME_MENU_GALAXY, {"Save game", "Load game", "Options", "Help", "Main menu", "Quit game"}, "------",
         {28, 29, 30, 168, 31, 32}, PANEL_ANCHOR_BOTTOM},
        {"combat", GAME_MENU_COMBAT, {"Load game", "Options", "Help", "Main menu", "Quit game"}, "-----",
         {29, 30, 168, 31, 32}, PANEL_ANCHOR_BOTTOM},
        {"every button with keys", 0x1DFE | GAME_MENU_HOTKEYS,
         {"New game", "Save game", "Load game", "Options", "Help", "About", "Main menu", "Quit game"}, "nslohamq",
         {11, 28, 29, 30, 168, 164, 31, 32}, PANEL_ANCHOR_CENTRE},
    };
    for (const Form &form : forms) {
        SCOPED_TRACE(form.name);
        Control *menu = build(form.flags);
        std::vector<std::string> captions;
        std::string hotkeys;
        std::vector<int> types;
        const std::vector<Control *> buttons = column_buttons(menu);
        for (Control *b : buttons) {
            captions.push_back(caption_of(b));
            hotkeys += b->hotkey > 0 ? char(b->hotkey) : '-';
            types.push_back(image_of(b)->image_type);
            EXPECT_EQ(b->user_data, menu) << caption_of(b);
            EXPECT_EQ(b->w, buttons[0]->w) << "one width for the column";
        }
        EXPECT_EQ(captions, form.captions);
        EXPECT_EQ(hotkeys, form.hotkeys);
        EXPECT_EQ(types, form.image_types);
        const GameMenuState *state = game_menu_state(menu);
        EXPECT_EQ(state->anchor_mode, form.anchor);
        EXPECT_EQ(state->game_running, (form.flags & GAME_MENU_RUNNING) ? 1 : 0);
        const Control *column = panel_find_child(menu, GAME_MENU_COLUMN_ID);
        EXPECT_EQ(std::make_pair(column->x, column->y), std::make_pair(6, 6));
        EXPECT_EQ(std::make_pair(menu->w, menu->h), std::make_pair(column->w + 12, column->h + 12));
        EXPECT_EQ(std::make_pair(state->saved_width, state->saved_height), std::make_pair(menu->w, menu->h));
        control_remove(menu);
        title.frame();
    }
}

TEST_F(GameMenu, TheGalaxyMenuFlashesInAndTheTitleMenuDoesNot) {
    for (uint32_t flags : {GAME_MENU_GALAXY, GAME_MENU_TITLE}) {
        Control *menu = panel_create_empty();
        game_add_control(game(), 0, 0, 0, 0, menu);
        game_menu_init(menu, flags);
        for (Control *b : column_buttons(menu))
            EXPECT_EQ(bool(b->flags & CTRL_DISABLED), bool(flags & GAME_MENU_FLASH_IN)) << caption_of(b) << " " << flags;
        control_remove(menu);
    }
}

struct Question {
    const char *button;
    uint32_t    flags;
    const char *question;
    const char *yes;
};

TEST_F(GameMenu, QuitAndExitAskTheirQuestionLongerWhileAGameRuns) {
    const Question questions[] = {
        {"Quit game", GAME_MENU_TITLE, "Quit the game?", "Yes, quit"},
        {"Quit game", GAME_MENU_GALAXY, "Quit the game? You will lose any unsaved progress.", "Yes, quit"},
        {"Main menu", GAME_MENU_GALAXY, "Exit to the main menu? You will lose any unsaved progress.", "Yes, exit"},
        {"Main menu", GAME_MENU_GALAXY & ~GAME_MENU_RUNNING, "Exit to the main menu?", "Yes, exit"},
    };
    for (const Question &q : questions) {
        SCOPED_TRACE(q.question);
        Control *menu = build(q.flags);
        click(menu, q.button);
        Control *dialog = sub(menu);
        ASSERT_NE(dialog, nullptr);
        const std::string texts = title_test::joined_texts(dialog);
        EXPECT_EQ(texts.find(q.question), 0u) << texts;
        EXPECT_EQ(caption_of(panel_find_child(panel_find_child(dialog, DIALOG_ROW_ID), DIALOG_YES_ID)), q.yes);
        EXPECT_EQ(caption_of(panel_find_child(panel_find_child(dialog, DIALOG_ROW_ID), DIALOG_NO_ID)), "No, continue");
        EXPECT_EQ(game_menu_state(menu)->sub_dialog, 0) << "a question is none of the four sub-screens";
        title.frames(15);
        title.press('n');
        title.frames(15);
        EXPECT_EQ(sub(menu), nullptr) << "No closes the question";
        EXPECT_TRUE(title_test::visible(panel_find_child(menu, GAME_MENU_COLUMN_ID)));
        control_remove(menu);
        title.frame();
    }
}

TEST_F(GameMenu, YesQuitsTheGameOrGoesBackToTheTitle) {
    Control *menu = build(GAME_MENU_TITLE);
    title.press('q');
    ASSERT_NE(sub(menu), nullptr) << "the title menu's hotkey";
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

struct Growth {
    const char *name;
    uint32_t    flags;
    bool        centre;   // else the bottom edge stays
};

TEST_F(GameMenu, ASubScreenGrowsTheMenuAboutItsAnchorAndClosingReturnsToTheBuiltSize) {
    const Growth growths[] = {{"title: about the centre", GAME_MENU_TITLE, true},
                              {"galaxy: upwards", GAME_MENU_GALAXY, false}};
    for (const Growth &g : growths) {
        SCOPED_TRACE(g.name);
        Control *menu = build(g.flags, 300, 300);
        const int w0 = menu->w, h0 = menu->h, cx = menu->x + menu->w / 2, cy = menu->y + menu->h / 2,
                  bottom = menu->y + menu->h;
        click(menu, "Options");
        Control *options = sub(menu);
        ASSERT_NE(options, nullptr);
        EXPECT_EQ(game_menu_state(menu)->sub_dialog, GAME_MENU_SUB_OPTIONS);
        EXPECT_EQ(options->user_data, menu);
        EXPECT_FALSE(title_test::visible(panel_find_child(menu, GAME_MENU_COLUMN_ID)));
        title.frames(12);
        ASSERT_NE(std::make_pair(menu->w, menu->h), std::make_pair(w0, h0)) << "the sub-screen has a size of its own";
        EXPECT_EQ(std::make_pair(menu->w, menu->h), std::make_pair(options->x + options->w, options->y + options->h));
        if (g.centre) {
            EXPECT_NEAR(menu->x + menu->w / 2, cx, 1);
            EXPECT_NEAR(menu->y + menu->h / 2, cy, 1);
        } else {
            EXPECT_EQ(menu->y + menu->h, bottom);
        }
        OptionsState *state = options_panel_state(options);
        ASSERT_NE(state, nullptr);
        ASSERT_NE(state->close, nullptr);
        state->close(options);
        title.frames(12);
        EXPECT_EQ(std::make_pair(menu->w, menu->h), std::make_pair(w0, h0));
        EXPECT_EQ(sub(menu), nullptr);
        EXPECT_TRUE(title_test::visible(panel_find_child(menu, GAME_MENU_COLUMN_ID)));
        if (g.centre) EXPECT_NEAR(menu->x + menu->w / 2, cx, 1);
        else EXPECT_EQ(menu->y + menu->h, bottom);
        control_remove(menu);
        title.frame();
    }
}

TEST_F(GameMenu, NewGameResetsTheSettingsButFogAndItsStartAndCancelReachTheMenu) {
    Control *menu = build(GAME_MENU_TITLE);
    game()->setup = GameSetup{4, 2, 0, 2, 1500, 1};
    click(menu, "New game");
    const GameSetup &s = game()->setup;
    EXPECT_EQ(std::vector<int>({s.star_density, s.starting_tech, s.galaxy_age, s.ark_strength, s.crew_recruitment}),
              std::vector<int>({2, 1, 1, 1, 500}));
    EXPECT_EQ(s.fog_of_war_off, 1) << "fog keeps its value";
    Control *setup = sub(menu);
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(game_menu_state(menu)->sub_dialog, GAME_MENU_SUB_NEW_GAME);
    NewGameState *screen = new_game_state(setup);
    ASSERT_NE(screen, nullptr);
    ASSERT_NE(screen->on_start, nullptr);
    ASSERT_NE(screen->on_back, nullptr);
    screen->on_start(setup);
    EXPECT_EQ(g_calls, (std::vector<std::pair<std::string, Control *>>{{NEW_GAME, menu}}));
    screen->on_back(setup);
    title.frames(12);
    EXPECT_EQ(sub(menu), nullptr);
    EXPECT_TRUE(title_test::visible(panel_find_child(menu, GAME_MENU_COLUMN_ID)));
}

TEST_F(GameMenu, HelpAndAboutLeaveTheMenuAsItIs) {
    Control *menu = build(GAME_MENU_TITLE);
    const int w = menu->w, h = menu->h;
    click(menu, "Help");
    title.frame();
    Control *help = TitleDriver::find(CONTROL_ID_HELP);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(sub(menu), nullptr);
    control_remove(help);   // it lies over the menu
    title.frame();
    click(menu, "About");
    EXPECT_EQ(g_calls, (std::vector<std::pair<std::string, Control *>>{{ABOUT, menu}}));
    click(menu, "Load game");   // the load screen arrives later: nothing opens
    EXPECT_EQ(sub(menu), nullptr);
    EXPECT_EQ(std::make_pair(menu->w, menu->h), std::make_pair(w, h));
    EXPECT_FALSE(game_menu_show_load_error(menu)) << "no load screen to show it";
}

TEST_F(GameMenu, AnErrorMessageTakesTheColumnsPlaceAndItsOkGoesToTheOwner) {
    Control *menu = build(GAME_MENU_TITLE);
    game_menu_show_error(menu, "Error loading game");
    Control *message = sub(menu);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(title_test::joined_texts(message), "Error loading game");
    EXPECT_FALSE(title_test::visible(panel_find_child(menu, GAME_MENU_COLUMN_ID)));
    title.frames(12);
    EXPECT_EQ(std::make_pair(menu->w, menu->h), std::make_pair(message->w, message->h));
    title.click(panel_find_child(message, GAME_MENU_MESSAGE_OK_ID));
    EXPECT_EQ(g_calls, (std::vector<std::pair<std::string, Control *>>{{LOAD_FAILED, menu}}));
}

}  // namespace
