// The title mode over the generated store: the boot log of the first entry and the direct paint of
// later ones, the tile reveal and its delays, the load countdown that stops everything else, the
// help key and the first run, About during and after the boot countdown, the About page with its
// link dialog, and the galaxy load thread into the galaxy mode or back to the title.
#include "screens/title/title_test_support.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "game/headless_fixture.h"
#include "platform/colour_fade.h"
#include "platform/version.h"
#include "screens/title/new_game.h"
#include "screens/title/title_pages.h"
#include "support/fixture_store.h"

namespace {

using title_test::TitleDriver;
using title_test::game;
using title_test::flags;
using title_test::visible;

// Points no title control covers (the logo page lies across y 88 to 200).
constexpr int SAMPLE_POINTS[][2] = {{900, 40}, {120, 260}, {1000, 700}, {700, 280}};

class TitleMode : public ui_test::UiTest {
protected:
    std::unique_ptr<TestSaveFolder> saves;
    GeneratedWorld world;
    TitleDriver title;

    void SetUp() override {
        saves = std::make_unique<TestSaveFolder>("title_mode");
        ASSERT_TRUE(world.load({}, {}));
        UiTest::SetUp();
        ASSERT_TRUE(title.start());
        title_test::give_title_pictures();
        ASSERT_GE(game()->title_image_count, 2);
        game()->flags &= ~(GAME_FLAG_BOOT_LOG_SHOWN | GAME_FLAG_FIRST_RUN | GAME_FLAG_MUSIC_RESTART);
    }
    void TearDown() override {
        title.stop();
        UiTest::TearDown();
        world.unload();
        saves.reset();
    }

    static TitleState *state() { return title_state(); }
    static Control *menu() { return TitleDriver::find(TITLE_ID_MENU); }
    static void enter_again() {   // via the galaxy mode: a later entry of the same run
        TitleDriver::switch_to(APP_MODE_GALAXY);
        TitleDriver::enter();
    }
    ::testing::AssertionResult screen_shows(int slot) {
        const title_test::Backdrop bg(slot);
        if (!bg.ok()) return ::testing::AssertionFailure() << "no picture of slot " << slot;
        for (const auto &p : SAMPLE_POINTS)
            if (!(title.pixel(p[0], p[1]) == bg.at(p[0], p[1])))
                return ::testing::AssertionFailure() << "at " << p[0] << ", " << p[1] << " not slot " << slot;
        return ::testing::AssertionSuccess();
    }
    // Frames until the reveal reaches the phase, noting each phase it passes.
    bool run_to_phase(int phase, std::vector<int> *seen = nullptr) {
        return title.run_until([&] {
            if (seen && (seen->empty() || seen->back() != state()->phase)) seen->push_back(state()->phase);
            return state()->phase == phase;
        }, 1000);
    }
};

TEST_F(TitleMode, TheFirstEntryTypesTheBootLogAndALaterEntryPaintsTheTitleAtOnce) {
    TitleDriver::enter();
    EXPECT_TRUE(game()->flags & GAME_FLAG_BOOT_LOG_SHOWN);
    EXPECT_EQ(state()->boot_countdown, TITLE_BOOT_MS);
    Control *log = TitleDriver::find(TITLE_ID_BOOT_LOG);
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(title_test::texts_of(log),
              "POWER ONLINE DISPLAY ACTIVATED CHECKING MEMORY... EXECUTING DIAGNOSTICS... INITIALIZING SYSTEM... "
              "VISUAL SENSORS ONLINE NAV SYNC COMPLETE LOCATING HYPERSPACE BEACON... ESTABLISHING COMMAND UPLINK... "
              "SYSTEM READY");
    EXPECT_EQ(std::make_pair(log->x, log->y + log->h), std::make_pair(10, GFX_HEIGHT - 30));
    ASSERT_NE(menu(), nullptr);
    EXPECT_EQ(std::make_pair(menu()->x, menu()->y), std::make_pair((GFX_WIDTH - menu()->w) / 2, TITLE_MENU_Y));
    title.frame();
    EXPECT_TRUE(screen_shows(TITLE_BG_BOOT));

    enter_again();
    EXPECT_EQ(TitleDriver::find(TITLE_ID_BOOT_LOG), nullptr) << "the boot log shows once a run";
    EXPECT_EQ(state()->phase, TITLE_PHASE_IDLE);
    EXPECT_NE(menu(), nullptr);
    title.frames(100);
    EXPECT_TRUE(screen_shows(TITLE_BG_TITLE)) << "painted at once";
    EXPECT_EQ(state()->phase, TITLE_PHASE_IDLE);
    EXPECT_EQ(list_count(state()->tiles), 0) << "no tile grid";
}

TEST_F(TitleMode, TheRevealStartsWhenTheBootCountdownEndsWithOneBagOfRowDelaysPerTwelveTiles) {
    TitleDriver::enter();
    title.frames(TITLE_BOOT_MS / 20 - 1);
    EXPECT_EQ(list_count(state()->tiles), 0);
    title.frame();
    ASSERT_EQ(state()->phase, TITLE_PHASE_TILES);

    // 16 x 12 tiles, row by row; the bag holds 0, 30, ... 330 ms, one value per row of the screen.
    const int columns = GFX_WIDTH / TITLE_TILE_SIZE, rows = GFX_HEIGHT / TITLE_TILE_SIZE;
    ASSERT_EQ(list_count(state()->tiles), columns * rows);
    std::vector<int32_t> bag, delays;
    for (int r = 0; r < rows; ++r) bag.push_back(TITLE_TILE_ROW_DELAY * r);
    for (int i = 0; i < columns * rows; ++i) {
        const TitleTile *tile = state()->tiles->items[size_t(i)];
        EXPECT_EQ(std::make_pair(tile->x, tile->y), std::make_pair(64 * (i % columns), 64 * (i / columns)));
        delays.push_back(tile->delay);
    }
    for (size_t run = 0; run < delays.size(); run += bag.size()) {
        std::vector<int32_t> dealt(delays.begin() + long(run), delays.begin() + long(run + bag.size()));
        std::sort(dealt.begin(), dealt.end());
        EXPECT_EQ(dealt, bag) << "tiles " << run << " on";
    }
    EXPECT_NE(std::vector<int32_t>(delays.begin(), delays.begin() + 12), bag) << "dealt in a random order";

    std::vector<int> phases;
    ASSERT_TRUE(run_to_phase(TITLE_PHASE_REVEALED, &phases));
    EXPECT_EQ(phases, std::vector<int>({TITLE_PHASE_TILES, TITLE_PHASE_FADING, TITLE_PHASE_REVEALED}));
    for (const TitleTile *tile : state()->tiles->items) {
        EXPECT_TRUE(tile->started && tile->drawn);
        EXPECT_EQ(ui_test::Rgb({tile->colour->r, tile->colour->g, tile->colour->b}), ui_test::Rgb({0, 0, 36}));
    }
    title.frames(50);
    EXPECT_TRUE(screen_shows(TITLE_BG_TITLE));
    EXPECT_EQ(state()->phase, TITLE_PHASE_REVEALED) << "waits for About";
    title.save_screen("title_revealed.png");
}

TEST_F(TitleMode, WhileALoadCountdownRunsNothingElseRunsAndAFailedLoadSaysSoInTheMenu) {
    LogFileCatcher log(saves->root(), LOG_DEBUG);
    TitleDriver::enter();
    title.frames(10);
    const int32_t boot_left = state()->boot_countdown;
    title_on_load_requested(menu());
    title.press(TITLE_HELP_KEY);
    title.frames(46);   // 960 ms of the countdown
    EXPECT_EQ(state()->boot_countdown, boot_left) << "the boot countdown stands still";
    EXPECT_EQ(TitleDriver::find(CONTROL_ID_HELP), nullptr) << "'/' is not read";

    title.frames(2);   // the countdown ends; nothing is pending, so the load fails
    Control *message = panel_find_child(menu(), GAME_MENU_SUBPANEL_ID);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(title_test::texts_of(message), TITLE_ERROR_LOADING);
    EXPECT_FALSE(visible(panel_find_child(menu(), GAME_MENU_COLUMN_ID)));
    EXPECT_NE(log.text().find("Failed to load the chosen game (-64)"), std::string::npos) << log.text();
    title.frame();
    EXPECT_LT(state()->boot_countdown, boot_left) << "the title goes on";

    title.click(panel_find_child(message, GAME_MENU_MESSAGE_OK_ID));
    EXPECT_EQ(panel_find_child(menu(), GAME_MENU_SUBPANEL_ID), nullptr) << "OK gives the menu back";
    EXPECT_EQ(title_test::column_buttons(menu()).size(), 6u);
}

TEST_F(TitleMode, SlashOpensHelpOnlyWhileTheMenuShowsAndTheMenuWaitsForHelpToClose) {
    TitleDriver::enter();
    title.press(TITLE_HELP_KEY);
    Control *help = TitleDriver::find(CONTROL_ID_HELP);
    ASSERT_NE(help, nullptr);
    title.frames(20);
    EXPECT_TRUE(menu()->flags & CTRL_DISABLED) << "disabled while help shows";
    control_remove(help);
    title.frames(2);
    EXPECT_FALSE(menu()->flags & CTRL_DISABLED);

    title_on_new_game(menu());   // leaving for a game
    title.press(TITLE_HELP_KEY);
    EXPECT_EQ(TitleDriver::find(CONTROL_ID_HELP), nullptr);

    enter_again();
    title.click(title_test::button_named(menu(), "About"));   // About takes the menu away
    title.press(TITLE_HELP_KEY);
    EXPECT_EQ(TitleDriver::find(CONTROL_ID_HELP), nullptr);
}

TEST_F(TitleMode, TheFirstRunOpensHelpAndWritesThePreferencesOnce) {
    game()->flags |= GAME_FLAG_FIRST_RUN;
    game()->help_topic = 5;
    TitleDriver::enter();
    title.frame();
    const std::string prefs = saves->file("prefs.dat");
    EXPECT_TRUE(std::filesystem::exists(prefs));
    EXPECT_EQ(game()->help_topic, 0);
    Control *help = TitleDriver::find(CONTROL_ID_HELP);
    ASSERT_NE(help, nullptr);
    std::filesystem::remove(prefs);
    title.frames(50);
    EXPECT_FALSE(std::filesystem::exists(prefs)) << "written once";
    title.press('a');
    ASSERT_NE(menu(), nullptr) << "About's hotkey does nothing while the menu waits";
    EXPECT_TRUE(menu()->flags & CTRL_DISABLED);
    control_remove(help);
    title.frames(2);
    EXPECT_FALSE(menu()->flags & CTRL_DISABLED);
    EXPECT_EQ(TitleDriver::find(CONTROL_ID_HELP), nullptr) << "opened once";
}

TEST_F(TitleMode, AboutDuringTheBootCountdownOnlyShortensItAndLaterRestartsTheWholeReveal) {
    TitleDriver::enter();
    title.frames(50);
    title.click(title_test::button_named(menu(), "About"));
    EXPECT_EQ(state()->boot_countdown, TITLE_ABOUT_SHORTCUT_MS);
    EXPECT_EQ(state()->phase, TITLE_PHASE_COUNTDOWN);
    EXPECT_EQ(state()->target_background, TITLE_BG_ABOUT);
    EXPECT_EQ(menu(), nullptr) << "the menu fades out";
    EXPECT_EQ(TitleDriver::find(TITLE_ID_BOOT_LOG), nullptr) << "so does the boot log";
    title.frames(29);
    EXPECT_EQ(state()->phase, TITLE_PHASE_COUNTDOWN);
    title.frame();
    EXPECT_EQ(state()->phase, TITLE_PHASE_TILES) << "600 ms after About";
    ASSERT_TRUE(run_to_phase(TITLE_PHASE_IDLE));
    EXPECT_NE(TitleDriver::find(TITLE_ID_ABOUT_OK), nullptr) << "the About page";
    title.frame();
    EXPECT_TRUE(screen_shows(TITLE_BG_ABOUT));

    enter_again();   // revealed at once: About runs a whole reveal of its background
    title.frame();
    title.click(title_test::button_named(menu(), "About"));
    std::vector<int> phases;
    ASSERT_TRUE(run_to_phase(TITLE_PHASE_IDLE, &phases));
    EXPECT_EQ(phases, std::vector<int>({TITLE_PHASE_REVEALED, TITLE_PHASE_COUNTDOWN, TITLE_PHASE_TILES,
                                        TITLE_PHASE_FADING, TITLE_PHASE_REVEALED, TITLE_PHASE_IDLE}));
    title.frame();
    EXPECT_TRUE(screen_shows(TITLE_BG_ABOUT));
}

// ---- The logo and About pages ----

std::vector<std::string> g_opened;
Result record_open(const char *address) {
    g_opened.push_back(address);
    return RES_OK;
}

TEST_F(TitleMode, AboutShowsItsPageItsLinksAskFirstAndOkBringsTheTitleBack) {
    g_opened.clear();
    struct OpenerBack {
        ~OpenerBack() { title_set_link_opener(nullptr); }
    } opener_back;
    title_set_link_opener(record_open);
    game()->flags |= GAME_FLAG_BOOT_LOG_SHOWN;
    TitleDriver::enter();
    ASSERT_TRUE(title.run_until([] { return TitleDriver::find(TITLE_ID_LOGO) != nullptr; }, 500));
    const Control *logo = TitleDriver::find(TITLE_ID_LOGO);
    EXPECT_EQ(std::make_pair(logo->x, logo->y), std::make_pair(GFX_WIDTH / 2 - logo->w / 2, 88));
    EXPECT_EQ(list_count(&panel_of(logo)->children), 2);
    EXPECT_EQ(list_count(&panel_of(logo)->effects), 3) << "two glows on the first picture, one on the second";

    title.click(title_test::button_named(menu(), "About"));
    ASSERT_TRUE(run_to_phase(TITLE_PHASE_IDLE));
    title.frame();
    logo = TitleDriver::find(TITLE_ID_LOGO);
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(std::make_pair(logo->x, logo->y), std::make_pair(37, 18));
    EXPECT_EQ(title_test::texts_of(TitleDriver::find(TITLE_ID_VERSION)), std::string("v5. ") + ASTROVANE_BUILD_DATE) << "the date --version prints";
    EXPECT_EQ(title_test::texts_of(TitleDriver::find(TITLE_ID_CREDITS)).find("Turn based strategy by"), 0u);

    Control *more = TitleDriver::find(TITLE_ID_MORE_INFO), *contribute = TitleDriver::find(TITLE_ID_CONTRIBUTE);
    ASSERT_TRUE(title.run_until([&] { return visible(more); }, 200));
    EXPECT_EQ(title_test::texts_of(more), std::string("More Info ") + TITLE_ADDRESS_MORE);
    for (Control *link : {more, contribute}) {
        const Control *address = panel_find_child(link, TITLE_ID_LINK_TEXT), *line = panel_find_child(link, TITLE_ID_LINK_LINE);
        ASSERT_TRUE(address && line);
        EXPECT_EQ(line->y, address->y + address->h - 1) << "the underline runs under the letters, not through them";
    }
    title.click(contribute);
    EXPECT_TRUE((more->flags & CTRL_DISABLED) && (contribute->flags & CTRL_DISABLED));
    title.press('n');
    EXPECT_EQ(TitleDriver::find(TITLE_ID_LINK_DIALOG), nullptr);
    title.click(more);
    title.press('y');
    EXPECT_EQ(g_opened, std::vector<std::string>({TITLE_ADDRESS_MORE})) << "only the answered yes opens";
    EXPECT_FALSE(contribute->flags & CTRL_DISABLED);

    ASSERT_TRUE(title.run_until([] { return visible(TitleDriver::find(TITLE_ID_VERSION)); }, 200));
    title.frames(20);
    title.save_screen("title_about.png");
    title.press(13);   // Enter
    for (int id : {TITLE_ID_ABOUT_OK, TITLE_ID_CREDITS, TITLE_ID_VERSION, TITLE_ID_MORE_INFO})
        EXPECT_EQ(TitleDriver::find(id), nullptr) << id;
    ASSERT_NE(TitleDriver::find(TITLE_ID_LOGO), nullptr) << "the logo page at once";
    EXPECT_EQ(TitleDriver::find(TITLE_ID_LOGO)->y, 88);
    Control *back = menu();
    title.frames(3500 / 20 - 3);
    EXPECT_FALSE(visible(back));
    title.frames(2);
    EXPECT_TRUE(visible(back)) << "the menu is back after 3500 ms";
    EXPECT_EQ(state()->phase, TITLE_PHASE_REVEALED) << "a whole reveal of the title background ran";
}

// ---- The galaxy load thread ----

class TitleGalaxyLoad : public ModelGame {
protected:
    TitleDriver title;
    std::unique_ptr<LogFileCatcher> log;
    uint64_t human = 0;
    std::vector<uint64_t> computers;

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ModelGame::SetUp());
        ASSERT_TRUE(title.start());
        title_test::give_title_pictures();
        title.draw = false;
        log = std::make_unique<LogFileCatcher>(saves->root(), LOG_DEBUG2);
        for (PlayerRecord *r : game->player_records->items) {
            if (!r) break;
            if (r->kind == 0 && !human) human = r->id;
            if (r->kind != 0) computers.push_back(r->id);
        }
        ASSERT_NE(human, 0u);
        ASSERT_GE(computers.size(), 2u);
        game->flags |= GAME_FLAG_BOOT_LOG_SHOWN;
        random_seed(31);
    }
    void TearDown() override {
        title.stop();
        log.reset();
        ModelGame::TearDown();
    }
    static int step() { return title_state()->leave_step; }
    // The galaxy load thread runs at the machine's speed (a sanitizer makes it many times slower),
    // so while it works the test waits for its completion bits instead of spending frames on it.
    static void wait_for_the_load_thread() {
        const uint32_t working = TITLE_LEAVING | TITLE_START_GALAXY;
        if (step() != TITLE_LEAVE_LOADING || (flags() & working) != TITLE_LEAVING) return;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
        while (!(flags() & (TITLE_GALAXY_LOADED | TITLE_GALAXY_FAILED)) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    void start_with(std::vector<uint64_t> ids) {
        for (int s = 0; s < GAME_SLOT_COUNT; ++s) {
            game->slot_record_ids[s] = s < int(ids.size()) ? ids[size_t(s)] : 0;
            game->slot_red[s] = uint8_t(40 * s);
            game->slot_blue[s] = 200;
        }
        Control *menu = TitleDriver::find(TITLE_ID_MENU);
        title.click(title_test::button_named(menu, "New game"));
        Control *setup = panel_find_child(menu, GAME_MENU_SUBPANEL_ID);
        NewGameState *screen = new_game_state(setup);
        ASSERT_TRUE(screen && screen->slot[NEW_GAME_SLOT_START]);
        screen->slot[NEW_GAME_SLOT_START](setup);   // what Start calls
    }
};

TEST_F(TitleGalaxyLoad, StartLeavesThroughTheLoadingTransitionIntoTheGalaxyMode) {
    TitleDriver::enter();
    ASSERT_NO_FATAL_FAILURE(start_with({computers[0], human, computers[1]}));
    EXPECT_EQ(TitleDriver::find(TITLE_ID_MENU), nullptr) << "the menu goes";
    std::vector<int> steps = {step()};
    ASSERT_TRUE(title.run_until([&] {
        if (app_mode_current_id() == APP_MODE_TITLE && step() != steps.back()) steps.push_back(step());
        wait_for_the_load_thread();
        return app_mode_current_id() == APP_MODE_GALAXY;
    }, 5000));
    EXPECT_EQ(steps, std::vector<int>({TITLE_LEAVE_FLASH, TITLE_LEAVE_WIPE_OUT, TITLE_LEAVE_LOADING, TITLE_LEAVE_WIPE_IN,
                                       TITLE_LEAVE_HOLD, TITLE_LEAVE_GALAXY}));
    EXPECT_EQ(list_count(game->players), 3 + 2) << "the three slots, ARK and the Council";
    ASSERT_NE(game->ui_player, nullptr);
    EXPECT_EQ(game->ui_player->record_id, human);
    const std::string text = log->text();
    EXPECT_EQ(text.find("Failed to initiate new game"), std::string::npos);
    EXPECT_LT(text.find("Begin galaxy load thread"), text.find("End galaxy load thread"));
    EXPECT_LT(text.find("End galaxy load thread"), text.find("Application mode is now 3"));
    EXPECT_NE(text.find("Application mode is now 3"), std::string::npos);
}

TEST_F(TitleGalaxyLoad, AFailedLoadComesBackToTheTitleWithAFreshMenuThatSaysSo) {
    TitleDriver::enter();
    ASSERT_NO_FATAL_FAILURE(start_with({}));   // no records: the generator refuses
    ASSERT_TRUE(title.run_until([] { return !(flags() & TITLE_LEAVING); }, 1000));
    EXPECT_EQ(app_mode_current_id(), APP_MODE_TITLE);
    EXPECT_EQ(step(), TITLE_LEAVE_LOADING) << "the step stays where it failed";
    EXPECT_EQ(title_state()->target_background, TITLE_BG_TITLE);
    Control *menu = TitleDriver::find(TITLE_ID_MENU);
    ASSERT_NE(menu, nullptr) << "a fresh menu";
    Control *message = panel_find_child(menu, GAME_MENU_SUBPANEL_ID);
    EXPECT_EQ(title_test::texts_of(message), TITLE_ERROR_NEW_GAME) << "it names the new game, not a load";
    const std::string text = log->text();
    EXPECT_NE(text.find("New game generation failed (" + std::to_string(int(RES_TOO_FEW_PLAYERS)) + ")"),
              std::string::npos) << text;
    EXPECT_NE(text.find("Failed to initiate new game"), std::string::npos);

    title.click(panel_find_child(message, GAME_MENU_MESSAGE_OK_ID));
    ASSERT_NO_FATAL_FAILURE(start_with({human, computers[0]}));
    EXPECT_EQ(step(), TITLE_LEAVE_FLASH) << "the next try starts from the beginning";
    EXPECT_TRUE(flags() & TITLE_LEAVING);
}

}  // namespace
