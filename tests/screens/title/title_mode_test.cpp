// The title mode over the generated store: the boot log of the first entry and the direct paint of
// later ones, the tile reveal and its delays, the load countdown that stops everything else, the
// help key and the first run, About during and after the boot countdown, the logo and About pages
// with the link dialog, and the galaxy load thread into the galaxy mode or back to the title.
#include "screens/title/title_test_support.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "game/game_files.h"
#include "game/headless_fixture.h"
#include "screens/title/new_game.h"
#include "screens/title/title_pages.h"
#include "platform/colour_fade.h"
#include "support/fixture_store.h"
#include "ui/line_group.h"
#include "ui/ui_draw.h"

namespace {

using title_test::TitleDriver;
using title_test::flags;
using title_test::game;

constexpr const char *BOOT_LINES[] = {
    "POWER ONLINE", "DISPLAY ACTIVATED", "CHECKING MEMORY...", "EXECUTING DIAGNOSTICS...",
    "INITIALIZING SYSTEM...", "VISUAL SENSORS ONLINE", "NAV SYNC COMPLETE", "LOCATING HYPERSPACE BEACON...",
    "ESTABLISHING COMMAND UPLINK...", "SYSTEM READY",
};

// Points of the screen that no title control covers (the logo page lies across y 88 to 200).
constexpr int SAMPLE_POINTS[][2] = {{900, 40}, {120, 260}, {1000, 700}, {700, 280}};

class TitleMode : public ui_test::UiTest {
protected:
    std::unique_ptr<TestSaveFolder> saves;
    GeneratedWorld world;
    TitleDriver title;
    title_test::HelpBuilder help_builder;

    void SetUp() override {
        saves = std::make_unique<TestSaveFolder>("title_mode");
        ASSERT_TRUE(world.load({}, {}));
        UiTest::SetUp();
        ASSERT_TRUE(title.start());
        game()->flags &= ~(GAME_FLAG_BOOT_LOG_SHOWN | GAME_FLAG_FIRST_RUN | GAME_FLAG_MUSIC_RESTART);
    }
    void TearDown() override {
        title.stop();
        UiTest::TearDown();
        world.unload();
        saves.reset();
    }

    TitleState *state() { return title_state(); }
    Control *menu() { return TitleDriver::find(TITLE_ID_MENU); }

    // Leaves for the galaxy stand-in and comes back: a later entry of the same run.
    void enter_again() {
        TitleDriver::switch_to(APP_MODE_GALAXY);
        TitleDriver::enter();
    }

    ::testing::AssertionResult screen_shows(const title_test::Backdrop &bg) {
        for (const auto &p : SAMPLE_POINTS)
            if (!(title.pixel(p[0], p[1]) == bg.at(p[0], p[1])))
                return ::testing::AssertionFailure() << "at " << p[0] << ", " << p[1] << ": " << title.pixel(p[0], p[1])
                                                     << " instead of " << bg.at(p[0], p[1]);
        return ::testing::AssertionSuccess();
    }

    // Frames until the reveal reaches the phase; false when it never does.
    bool run_to_phase(int phase, int max_frames = 1000) {
        return title.run_until([&] { return state()->phase == phase; }, max_frames);
    }
};

TEST_F(TitleMode, TheFirstEntryTypesTheBootLogAndALaterEntryPaintsTheTitleAtOnce) {
    const title_test::Backdrop boot(TITLE_BG_BOOT), title_bg(TITLE_BG_TITLE);
    ASSERT_TRUE(boot.ok() && title_bg.ok());
    bool apart = false;
    for (const auto &p : SAMPLE_POINTS) apart = apart || !(boot.at(p[0], p[1]) == title_bg.at(p[0], p[1]));
    ASSERT_TRUE(apart) << "the two backdrops must differ where the test looks";

    TitleDriver::enter();
    EXPECT_TRUE(game()->flags & GAME_FLAG_BOOT_LOG_SHOWN);
    EXPECT_EQ(state()->phase, TITLE_PHASE_COUNTDOWN);
    EXPECT_EQ(state()->boot_countdown, TITLE_BOOT_MS);
    Control *log = TitleDriver::find(TITLE_ID_BOOT_LOG);
    ASSERT_NE(log, nullptr);
    std::vector<std::string> lines;
    title_test::collect_texts(log, &lines);
    EXPECT_EQ(lines, std::vector<std::string>(std::begin(BOOT_LINES), std::end(BOOT_LINES)));
    EXPECT_EQ(log->x, 10);
    EXPECT_EQ(log->y + log->h, GFX_HEIGHT - 30) << "bottom left, 30 pixels above the edge";
    ASSERT_NE(menu(), nullptr);
    EXPECT_EQ(menu()->x, (GFX_WIDTH - menu()->w) / 2);
    EXPECT_EQ(menu()->y, TITLE_MENU_Y);
    title.frame();
    EXPECT_TRUE(screen_shows(boot));

    enter_again();
    EXPECT_EQ(TitleDriver::find(TITLE_ID_BOOT_LOG), nullptr) << "the boot log shows once a run";
    EXPECT_EQ(state()->phase, TITLE_PHASE_IDLE);
    EXPECT_TRUE(flags() & TITLE_REPAINT);
    EXPECT_NE(menu(), nullptr);
    title.frame();
    EXPECT_FALSE(flags() & TITLE_REPAINT);
    EXPECT_TRUE(screen_shows(title_bg)) << "painted at once, no reveal";
    title.frames(100);
    EXPECT_EQ(state()->phase, TITLE_PHASE_IDLE);
    EXPECT_EQ(list_count(state()->tiles), 0) << "no tile grid on a later entry";
}

TEST_F(TitleMode, TheRevealStartsWhenTheBootCountdownEndsAndDealsOneBagOfRowDelaysPerTwelveTiles) {
    const title_test::Backdrop title_bg(TITLE_BG_TITLE);
    ASSERT_TRUE(title_bg.ok());
    TitleDriver::enter();
    title.frames(TITLE_BOOT_MS / 20 - 1);
    EXPECT_EQ(state()->phase, TITLE_PHASE_COUNTDOWN);
    EXPECT_EQ(list_count(state()->tiles), 0);
    title.frame();
    ASSERT_EQ(state()->phase, TITLE_PHASE_TILES);

    // 16 columns by 12 rows, row by row; the bag holds 0, 30, ... 330 ms, one value per row.
    const int columns = GFX_WIDTH / TITLE_TILE_SIZE, rows = GFX_HEIGHT / TITLE_TILE_SIZE;
    ASSERT_EQ(list_count(state()->tiles), columns * rows);
    std::vector<int32_t> bag;
    for (int r = 0; r < rows; ++r) bag.push_back(TITLE_TILE_ROW_DELAY * r);
    std::vector<int32_t> delays;
    for (int i = 0; i < columns * rows; ++i) {
        const TitleTile *tile = state()->tiles->items[size_t(i)];
        EXPECT_EQ(tile->x, TITLE_TILE_SIZE * (i % columns));
        EXPECT_EQ(tile->y, TITLE_TILE_SIZE * (i / columns));
        delays.push_back(tile->delay);
    }
    for (size_t run = 0; run < delays.size() / bag.size(); ++run) {
        std::vector<int32_t> dealt(delays.begin() + long(run * bag.size()), delays.begin() + long((run + 1) * bag.size()));
        std::sort(dealt.begin(), dealt.end());
        EXPECT_EQ(dealt, bag) << "run " << run << " of twelve tiles";
    }
    EXPECT_NE(std::vector<int32_t>(delays.begin(), delays.begin() + 12), bag) << "dealt in a random order";

    std::vector<int> phases = {state()->phase};
    ASSERT_TRUE(title.run_until([&] {
        if (state()->phase != phases.back()) phases.push_back(state()->phase);
        return state()->phase == TITLE_PHASE_REVEALED;
    }, 300));
    EXPECT_EQ(phases, std::vector<int>({TITLE_PHASE_TILES, TITLE_PHASE_FADING, TITLE_PHASE_REVEALED}));
    for (const TitleTile *tile : state()->tiles->items) {
        EXPECT_TRUE(tile->started && tile->drawn);
        EXPECT_FALSE(colour_fade_is_running(tile->colour));
        EXPECT_EQ(std::vector<int>({tile->colour->r, tile->colour->g, tile->colour->b}), std::vector<int>({0, 0, 36}));
    }
    title.frame();
    EXPECT_TRUE(screen_shows(title_bg));
    title.frames(50);
    EXPECT_EQ(state()->phase, TITLE_PHASE_REVEALED) << "waits for About";
}

TEST_F(TitleMode, WhileALoadCountdownRunsNothingElseRunsAndAFailedLoadSaysSoInTheMenu) {
    LogFileCatcher log(saves->root(), LOG_DEBUG);
    TitleDriver::enter();
    title.frames(10);
    const int32_t boot_left = state()->boot_countdown;
    title_on_load_requested(menu());
    EXPECT_EQ(state()->load_countdown, TITLE_LOAD_COUNTDOWN_MS);
    title.press(TITLE_HELP_KEY);
    title.frames(46);   // 960 ms of countdown in all
    EXPECT_EQ(state()->boot_countdown, boot_left) << "the boot countdown stands still";
    EXPECT_EQ(TitleDriver::find(CONTROL_ID_HELP), nullptr) << "'/' is not read";
    EXPECT_GT(state()->load_countdown, 0);

    title.frames(2);   // the countdown ends: nothing is pending, so the load fails
    EXPECT_EQ(state()->load_countdown, 0);
    Control *sub = panel_find_child(menu(), GAME_MENU_SUBPANEL_ID);
    ASSERT_NE(sub, nullptr) << "the menu shows the error";
    EXPECT_EQ(title_test::joined_texts(sub), TITLE_ERROR_LOADING);
    EXPECT_FALSE(title_test::visible(panel_find_child(menu(), GAME_MENU_COLUMN_ID)));
    EXPECT_NE(log.text().find("Failed to load the chosen game (-64)"), std::string::npos) << log.text();
    title.frame();
    EXPECT_LT(state()->boot_countdown, boot_left) << "the title goes on";

    title.click(panel_find_child(sub, GAME_MENU_MESSAGE_OK_ID));
    EXPECT_EQ(panel_find_child(menu(), GAME_MENU_SUBPANEL_ID), nullptr) << "OK gives the menu back";
    EXPECT_EQ(title_test::column_buttons(menu()).size(), 6u);
    EXPECT_TRUE(title_test::visible(panel_find_child(menu(), GAME_MENU_COLUMN_ID)));
}

TEST_F(TitleMode, SlashOpensHelpOnlyWhileTheMenuShowsAndTheMenuWaitsForHelpToClose) {
    TitleDriver::enter();
    title.frame();
    title.press(TITLE_HELP_KEY);
    Control *help = TitleDriver::find(CONTROL_ID_HELP);
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(menu()->flags & CTRL_DISABLED);
    title.frames(20);
    EXPECT_TRUE(menu()->flags & CTRL_DISABLED) << "disabled while help shows";
    control_remove(help);
    title.frames(2);
    EXPECT_FALSE(menu()->flags & CTRL_DISABLED);
    EXPECT_FALSE(flags() & TITLE_HELP_OPEN);

    // Leaving for a game: the key is not read.
    title_on_new_game(menu());
    title.press(TITLE_HELP_KEY);
    EXPECT_EQ(TitleDriver::find(CONTROL_ID_HELP), nullptr);
    EXPECT_EQ(state()->leave_step, TITLE_LEAVE_FLASH);
}

TEST_F(TitleMode, SlashDoesNothingWhileAboutHasTakenTheMenuAway) {
    TitleDriver::enter();
    title.frame();
    title.click(title_test::button_named(menu(), "About"));
    EXPECT_EQ(menu(), nullptr);
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
    EXPECT_FALSE(game()->flags & GAME_FLAG_FIRST_RUN);
    EXPECT_EQ(game()->help_topic, 0);
    title.frame();
    Control *help = TitleDriver::find(CONTROL_ID_HELP);
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(menu()->flags & CTRL_DISABLED);

    std::filesystem::remove(prefs);
    title.frames(50);
    EXPECT_FALSE(std::filesystem::exists(prefs)) << "written once";
    EXPECT_TRUE(menu()->flags & CTRL_DISABLED);
    control_remove(help);
    title.frames(2);
    EXPECT_FALSE(menu()->flags & CTRL_DISABLED);
    EXPECT_EQ(TitleDriver::find(CONTROL_ID_HELP), nullptr) << "opened once";
}

TEST_F(TitleMode, AboutDuringTheBootCountdownOnlyShortensItAndLaterRestartsTheWholeReveal) {
    const title_test::Backdrop about_bg(TITLE_BG_ABOUT);
    ASSERT_TRUE(about_bg.ok());
    TitleDriver::enter();
    title.frames(50);
    title.click(title_test::button_named(menu(), "About"));
    EXPECT_EQ(state()->boot_countdown, TITLE_ABOUT_SHORTCUT_MS);
    EXPECT_EQ(state()->phase, TITLE_PHASE_COUNTDOWN);
    EXPECT_EQ(state()->target_background, TITLE_BG_ABOUT);
    EXPECT_TRUE(flags() & TITLE_ABOUT_REQUESTED);
    EXPECT_FALSE(flags() & TITLE_ABOUT_REVEAL);
    EXPECT_EQ(menu(), nullptr) << "the menu fades out";
    EXPECT_EQ(TitleDriver::find(TITLE_ID_BOOT_LOG), nullptr) << "so does the boot log";
    title.frames(29);
    EXPECT_EQ(state()->phase, TITLE_PHASE_COUNTDOWN);
    title.frame();
    EXPECT_EQ(state()->phase, TITLE_PHASE_TILES) << "600 ms after About";
    ASSERT_TRUE(run_to_phase(TITLE_PHASE_IDLE, 300));
    EXPECT_TRUE((flags() & TITLE_ABOUT_PENDING) || TitleDriver::find(TITLE_ID_ABOUT_OK))
        << "the About page is built, or waits for the title's assets";
    title.frame();
    EXPECT_TRUE(screen_shows(about_bg));

    // A later entry, revealed already: About restarts a whole reveal of the About background.
    enter_again();
    title.frame();
    title.click(title_test::button_named(menu(), "About"));
    EXPECT_EQ(state()->boot_countdown, 0);
    EXPECT_TRUE(flags() & TITLE_ABOUT_REVEAL);
    std::vector<int> phases;
    ASSERT_TRUE(title.run_until([&] {
        if (phases.empty() || state()->phase != phases.back()) phases.push_back(state()->phase);
        return state()->phase == TITLE_PHASE_IDLE;
    }, 300));
    EXPECT_EQ(phases, std::vector<int>({TITLE_PHASE_REVEALED, TITLE_PHASE_COUNTDOWN, TITLE_PHASE_TILES,
                                        TITLE_PHASE_FADING, TITLE_PHASE_REVEALED, TITLE_PHASE_IDLE}));
    EXPECT_EQ(state()->target_background, TITLE_BG_ABOUT);
    title.frame();
    EXPECT_TRUE(screen_shows(about_bg));
}

// ---- The logo and About pages ----

std::vector<std::string> g_opened;
Result record_open(const char *address) {
    g_opened.push_back(address);
    return RES_OK;
}

class TitlePages : public TitleMode {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(TitleMode::SetUp());
        ASSERT_NO_FATAL_FAILURE(title_test::give_title_images());
        g_opened.clear();
        title_set_link_opener(record_open);
        game()->flags |= GAME_FLAG_BOOT_LOG_SHOWN;
        TitleDriver::enter();
        ASSERT_TRUE(title.run_until([] { return (flags() & TITLE_ASSETS_LOADED) != 0; }, 500));
        title.frame();
    }
    void TearDown() override {
        title_set_link_opener(nullptr);
        TitleMode::TearDown();
    }
    // Frames until a control is shown (its show timer ran out).
    bool wait_shown(int id) {
        return title.run_until([id] {
            Control *c = TitleDriver::find(id);
            return title_test::visible(c);
        }, 300);
    }
};

TEST_F(TitlePages, TheLogoPageShowsBothPicturesWithTheirGlowsOnceTheAssetsAreIn) {
    Control *logo = TitleDriver::find(TITLE_ID_LOGO);
    ASSERT_NE(logo, nullptr);
    EXPECT_TRUE(logo->flags & CTRL_DISABLED) << "not interactive";
    EXPECT_EQ(logo->x, GFX_WIDTH / 2 - logo->w / 2);
    EXPECT_EQ(logo->y, 88);
    const Panel *p = panel_of(logo);
    ASSERT_EQ(list_count(&p->children), 2);
    EXPECT_EQ(list_count(&p->effects), 3) << "two glows on the first picture, one on the second";
    const Control *first = p->children.items[0], *second = p->children.items[1];
    EXPECT_EQ(image_of(first)->sprite, game()->title_images[0]);
    EXPECT_EQ(image_of(second)->sprite, game()->title_images[1]);
    EXPECT_FALSE(title_test::visible(logo)) << "shown after a second";
    ASSERT_TRUE(wait_shown(TITLE_ID_LOGO));
    title.frames(30);
    EXPECT_EQ(first->w, ui_sprite_width(game()->title_images[0])) << "grown to full size";
    EXPECT_EQ(first->x, (logo->w - first->w) / 2) << "centred";
}

TEST_F(TitlePages, AboutShowsItsPageAndOkRevealsTheTitleWithItsMenuAgain) {
    title.click(title_test::button_named(menu(), "About"));
    ASSERT_TRUE(run_to_phase(TITLE_PHASE_IDLE, 300));
    title.frame();
    for (int id : {TITLE_ID_ABOUT_OK, TITLE_ID_CREDITS, TITLE_ID_CONTRIBUTE, TITLE_ID_MORE_INFO, TITLE_ID_VERSION})
        EXPECT_NE(TitleDriver::find(id), nullptr) << id;
    Control *logo = TitleDriver::find(TITLE_ID_LOGO);
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(std::make_pair(logo->x, logo->y), std::make_pair(37, 18)) << "top left on the About page";
    EXPECT_EQ(title_test::text_of(TitleDriver::find(TITLE_ID_VERSION)), std::string("v5. ") + __DATE__);
    const std::string credits = title_test::joined_texts(TitleDriver::find(TITLE_ID_CREDITS));
    for (const char *heading : {"Turn based strategy", "by", "3D Models", "Music", "Fonts", "Images"})
        EXPECT_NE(credits.find(heading), std::string::npos) << heading;

    ASSERT_TRUE(wait_shown(TITLE_ID_ABOUT_OK));
    title.press(13);   // Enter
    EXPECT_EQ(TitleDriver::find(TITLE_ID_ABOUT_OK), nullptr);
    EXPECT_EQ(TitleDriver::find(TITLE_ID_CREDITS), nullptr);
    EXPECT_EQ(TitleDriver::find(TITLE_ID_VERSION), nullptr);
    EXPECT_EQ(state()->target_background, TITLE_BG_TITLE);
    Control *back = menu();
    ASSERT_NE(back, nullptr);
    EXPECT_FALSE(title_test::visible(back)) << "the menu comes back after the reveal";
    Control *new_logo = TitleDriver::find(TITLE_ID_LOGO);
    ASSERT_NE(new_logo, nullptr) << "the logo page at once";
    EXPECT_EQ(new_logo->y, 88);
    title.frames(3500 / 20 - 3);
    EXPECT_FALSE(title_test::visible(back));
    title.frames(2);
    EXPECT_TRUE(title_test::visible(back));
    EXPECT_EQ(state()->phase, TITLE_PHASE_REVEALED) << "a whole reveal of the title background ran";
}

TEST_F(TitlePages, ALinkAsksFirstAndOnlyYesOpensItsAddress) {
    title.click(title_test::button_named(menu(), "About"));
    ASSERT_TRUE(run_to_phase(TITLE_PHASE_IDLE, 300));
    ASSERT_TRUE(wait_shown(TITLE_ID_MORE_INFO));
    Control *more = TitleDriver::find(TITLE_ID_MORE_INFO), *contribute = TitleDriver::find(TITLE_ID_CONTRIBUTE);
    EXPECT_EQ(title_test::joined_texts(more), std::string("More Info ") + TITLE_ADDRESS_MORE);
    EXPECT_EQ(title_test::joined_texts(contribute), std::string("Contribute ") + TITLE_ADDRESS_CONTRIBUTE);
    for (Control *link : {more, contribute}) {
        Control *address = panel_find_child(link, TITLE_ID_LINK_TEXT);
        int x = 0, y = 0, w = 0, h = 0;
        line_group_get_bounds(panel_find_child(link, TITLE_ID_LINK_LINE), &x, &y, &w, &h);
        EXPECT_NEAR(w, address->w, 1) << "the underline spans the address";
    }

    title.click(contribute);
    EXPECT_NE(TitleDriver::find(TITLE_ID_LINK_DIALOG), nullptr);
    EXPECT_TRUE(more->flags & CTRL_DISABLED);
    EXPECT_TRUE(contribute->flags & CTRL_DISABLED);
    title.press('n');
    EXPECT_EQ(TitleDriver::find(TITLE_ID_LINK_DIALOG), nullptr);
    EXPECT_TRUE(g_opened.empty());
    EXPECT_FALSE(more->flags & CTRL_DISABLED);

    title.click(more);
    title.press('y');
    EXPECT_EQ(g_opened, std::vector<std::string>({TITLE_ADDRESS_MORE}));
    EXPECT_EQ(TitleDriver::find(TITLE_ID_LINK_DIALOG), nullptr);
    EXPECT_FALSE(contribute->flags & CTRL_DISABLED);
}

// ---- The galaxy load thread ----

class TitleGalaxyLoad : public ModelGame {
protected:
    TitleDriver title;
    std::unique_ptr<LogFileCatcher> log;
    std::vector<uint64_t> humans, computers;

    static int state_step() { return title_state()->leave_step; }

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ModelGame::SetUp());
        ASSERT_TRUE(title.start());
        log = std::make_unique<LogFileCatcher>(saves->root(), LOG_DEBUG2);
        for (PlayerRecord *r : game->player_records->items) {
            if (!r) break;
            (r->kind == 0 ? humans : computers).push_back(r->id);
        }
        ASSERT_FALSE(humans.empty());
        ASSERT_GE(computers.size(), 2u);
        game->flags |= GAME_FLAG_BOOT_LOG_SHOWN;
        random_seed(31);
    }
    void TearDown() override {
        title.stop();
        log.reset();
        ModelGame::TearDown();
    }

    void set_slots(std::vector<uint64_t> ids) {
        for (int s = 0; s < GAME_SLOT_COUNT; ++s) {
            game->slot_record_ids[s] = s < int(ids.size()) ? ids[size_t(s)] : 0;
            game->slot_red[s] = uint8_t(40 * s);
            game->slot_green[s] = 120;
            game->slot_blue[s] = uint8_t(200 - 30 * s);
        }
    }

    // New game, then Start on the setup screen.
    void start_new_game() {
        Control *menu = TitleDriver::find(TITLE_ID_MENU);
        ASSERT_NE(menu, nullptr);
        title.click(title_test::button_named(menu, "New game"));
        Control *setup = panel_find_child(menu, GAME_MENU_SUBPANEL_ID);
        ASSERT_NE(setup, nullptr);
        NewGameState *screen = new_game_state(setup);
        ASSERT_NE(screen, nullptr);
        ASSERT_NE(screen->on_start, nullptr);
        screen->on_start(setup);
    }
};

TEST_F(TitleGalaxyLoad, StartLeavesThroughTheLoadingTransitionIntoTheGalaxyMode) {
    set_slots({computers[0], humans[0], computers[1]});
    TitleDriver::enter();
    title.frame();
    ASSERT_NO_FATAL_FAILURE(start_new_game());
    EXPECT_TRUE(flags() & TITLE_LEAVING);
    EXPECT_TRUE(flags() & TITLE_GENERATE);
    EXPECT_EQ(TitleDriver::find(TITLE_ID_MENU), nullptr) << "the menu goes";

    std::vector<int> steps = {state_step()};
    ASSERT_TRUE(title.run_until([&] {
        if (app_mode_current_id() == APP_MODE_TITLE && state_step() != steps.back()) steps.push_back(state_step());
        return app_mode_current_id() == APP_MODE_GALAXY;
    }, 5000));
    EXPECT_EQ(steps, std::vector<int>({TITLE_LEAVE_FLASH, TITLE_LEAVE_WIPE_OUT, TITLE_LEAVE_LOADING, TITLE_LEAVE_WIPE_IN,
                                       TITLE_LEAVE_HOLD, TITLE_LEAVE_GALAXY}));
    EXPECT_EQ(list_count(game->players), 3 + 2) << "the three slots, ARK and the Council";
    ASSERT_NE(game->ui_player, nullptr);
    EXPECT_EQ(game->ui_player->record_id, humans[0]);
    EXPECT_EQ(game->setup.star_density, 2) << "the settings the setup screen started from";
    const std::string text = log->text();
    for (const char *line : {"Begin galaxy load thread", "End galaxy load thread", "Application mode is now 3"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(text.find("Failed to initiate new game"), std::string::npos);
    EXPECT_LT(text.find("End galaxy load thread"), text.find("Application mode is now 3"));
}

TEST_F(TitleGalaxyLoad, AFailedLoadComesBackToTheTitleWithAFreshMenuThatSaysSo) {
    set_slots({});   // no records: the generator refuses
    TitleDriver::enter();
    title.frame();
    ASSERT_NO_FATAL_FAILURE(start_new_game());
    ASSERT_TRUE(title.run_until([] { return !(flags() & TITLE_LEAVING); }, 1000));
    EXPECT_EQ(app_mode_current_id(), APP_MODE_TITLE);
    EXPECT_EQ(state_step(), TITLE_LEAVE_LOADING) << "the step stays where it failed";
    EXPECT_EQ(title_state()->target_background, TITLE_BG_TITLE);
    EXPECT_FALSE(flags() & (TITLE_GALAXY_FAILED | TITLE_GALAXY_LOADED | TITLE_GENERATE));
    Control *menu = TitleDriver::find(TITLE_ID_MENU);
    ASSERT_NE(menu, nullptr) << "a fresh menu";
    Control *message = panel_find_child(menu, GAME_MENU_SUBPANEL_ID);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(title_test::joined_texts(message), TITLE_ERROR_LOADING);
    const std::string text = log->text();
    EXPECT_NE(text.find("New game generation failed (" + std::to_string(int(RES_TOO_FEW_PLAYERS)) + ")"),
              std::string::npos) << text;
    EXPECT_NE(text.find("Failed to initiate new game"), std::string::npos);
    EXPECT_EQ(text.find("Application mode is now 3"), std::string::npos);

    title.frame();
    title.click(panel_find_child(message, GAME_MENU_MESSAGE_OK_ID));
    EXPECT_EQ(panel_find_child(menu, GAME_MENU_SUBPANEL_ID), nullptr);
    ASSERT_NE(title_test::button_named(menu, "New game"), nullptr);

    set_slots({humans[0], computers[0]});
    ASSERT_NO_FATAL_FAILURE(start_new_game());
    EXPECT_EQ(state_step(), TITLE_LEAVE_FLASH) << "the next try starts from the beginning";
    EXPECT_TRUE(flags() & TITLE_LEAVING);
}

}  // namespace
