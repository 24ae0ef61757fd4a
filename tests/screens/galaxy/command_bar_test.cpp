// The galaxy screen's command bar over a real seeded new game, driven by keys and clicks: the bar
// is inert during a turn but for Stop, the list buttons open and switch the side lists, the action
// button follows the screen state, Pass arms auto-pass, the badges are rebuilt only on a change,
// and the game menu's owner slots.
#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "galaxy_test_support.h"
#include "game/player.h"
#include "platform/graphics.h"
#include "platform/list.h"
#include "screens/saves/load_screen.h"
#include "screens/title/game_menu.h"
#include "screens/title/options_panel.h"
#include "ui/choice.h"
#include "ui/game_controls.h"
#include "ui/dialog.h"
#include "game/save.h"
#include "platform/files.h"
#include "ui/app_mode.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"

namespace {

using galaxy_test::flags;
using galaxy_test::has;
using galaxy_test::screen;

constexpr int LIST_IDS[GALAXY_LIST_BUTTONS] = {GALAXY_ID_MENU_BUTTON, GALAXY_ID_SHIPS_BUTTON,
                                               GALAXY_ID_OFFICERS_BUTTON, GALAXY_ID_TECH_BUTTON,
                                               GALAXY_ID_CORP_BUTTON, GALAXY_ID_NEWS_BUTTON};
constexpr int ACTION_IDS[] = {GALAXY_ID_STARMAP, GALAXY_ID_NEXT_TURN, GALAXY_ID_PASS, GALAXY_ID_STOP};

bool shown(const Control *c) { return c && control_is_shown(c); }

int frame_of(const Control *c) {
    const ImageControl *im = image_of(c);
    return im ? im->frame : -1;
}

// The one action button shown: its id, 0 for none, -1 when more than one is.
int shown_action() {
    int id = 0;
    for (int want : ACTION_IDS) {
        const Control *c = game_find_control(game_get(), want);
        if (!shown(c)) continue;
        if (id) return -1;
        id = want;
    }
    return id;
}

// The first child not removed (removed ones leave at the panel's next update); null for none.
const Control *live_child(const Control *panel) {
    const Panel *p = panel_of(panel);
    if (!p) return nullptr;
    for (const Control *c : p->children.items) {
        if (!c) break;
        if (!(c->flags & CTRL_REMOVED)) return c;
    }
    return nullptr;
}

const Control *badge_label(const Control *badge) { return live_child(badge); }

std::string badge_text(const Control *badge) {
    const TextLabel *t = text_label_of(badge_label(badge));
    return t && t->text ? t->text : "<none>";
}

class GalaxyCommandBar : public galaxy_test::GalaxyGame {
protected:
    int32_t auto_pass_before = 0;   // a preference: it outlives the test's game

    void SetUp() override {
        auto_pass_before = game_get()->auto_pass;
        GalaxyGame::SetUp();
        if (HasFatalFailure()) return;
        if (!find(GALAXY_ID_SHIPS_BUTTON)) build_as_construction_does();
        ASSERT_NE(find(GALAXY_ID_SHIPS_BUTTON), nullptr);
        for (Control *panel : screen()->side_panels) ASSERT_NE(panel, nullptr);
        frame();
    }
    void TearDown() override {
        game_get()->auto_pass = auto_pass_before;
        GalaxyGame::TearDown();
        // The controls are gone with the mode; the process-wide screen keeps no pointer to them.
        GalaxyScreen *s = screen();
        for (Control *&c : s->side_panels) c = nullptr;
        for (Control *&c : s->list_buttons) c = nullptr;
        for (Control *&c : s->badges) c = nullptr;
        s->next_turn_button = s->pass_button = s->stop_button = s->starmap_button = nullptr;
    }

    // Where the screen's construction is not in the build, the side panels and the bar as it makes
    // them: hidden 200 x 50 panels on layer 10, the bar, nothing lit, the star map view.
    void build_as_construction_does() {
        GalaxyScreen *s = screen();
        s->status_panel = s->hover_panel = s->centre_panel = s->selection_panel = nullptr;
        s->sector_info_panel = s->day_progress_panel = s->countdown_panel = nullptr;
        s->today_alert_count = 0;
        for (Control *&panel : s->side_panels) {
            panel = panel_create(200, 50, 96, 96, 96);
            control_set_layer(panel, 10);
            game_add_control(game, 0, 0, 0, 2, panel);
        }
        galaxy_bar_create();
        s->screen_flags.store(GALAXY_FLAG_STARMAP_VIEW);
        game_flush_new_controls(game);
        galaxy_bar_layout(0);
        galaxy_bar_update_action_button();
    }

    void set_flags(uint32_t bits) { screen()->screen_flags.store(bits); }
    Control *side(GalaxySideList which) { return screen()->side_panels[which]; }
    Control *button(int id) { return find(id); }

    void expect_lit(int id, const char *when) {
        EXPECT_EQ(screen()->lit_list_button, id) << when;
        for (int list_id : LIST_IDS)
            EXPECT_EQ(frame_of(button(list_id)), list_id == id ? 1 : 0) << when << ": button " << list_id;
        for (Control *badge : screen()->badges) EXPECT_EQ(shown(badge), id == 0) << when << ": badge " << badge->id;
    }
};

// ---- During a turn ----

TEST_F(GalaxyCommandBar, DuringATurnEveryButtonButStopDoesNothing) {
    game->auto_pass = 0;
    set_flags(GALAXY_FLAG_STARMAP_VIEW | GALAXY_FLAG_TURN_IN_PROGRESS);
    galaxy_bar_update_action_button();
    ASSERT_EQ(shown_action(), GALAXY_ID_NEXT_TURN);
    press('n');
    EXPECT_TRUE(shown(button(GALAXY_ID_NEXT_TURN))) << "Next Turn stays";
    click(button(GALAXY_ID_NEXT_TURN));
    frame();
    EXPECT_TRUE(shown(button(GALAXY_ID_NEXT_TURN)));

    for (int key = '1'; key <= '6'; ++key) press(key);
    for (int id : LIST_IDS) click(button(id));
    frame();
    for (Control *panel : screen()->side_panels) EXPECT_FALSE(shown(panel)) << "side panel opened during a turn";
    expect_lit(0, "list buttons during a turn");
    EXPECT_FALSE(has(GALAXY_FLAG_MENU_OPEN));

    game->auto_pass = 2000;
    galaxy_bar_update_action_button();
    ASSERT_EQ(shown_action(), GALAXY_ID_PASS);
    press('p');
    EXPECT_TRUE(shown(button(GALAXY_ID_PASS)));
    EXPECT_FALSE(has(GALAXY_FLAG_AUTO_PASS)) << "Pass armed auto-pass during a turn";

    set_flags(GALAXY_FLAG_TURN_IN_PROGRESS);   // the view of one sector
    galaxy_bar_update_action_button();
    ASSERT_EQ(shown_action(), GALAXY_ID_STARMAP);
    press('s');
    EXPECT_TRUE(shown(button(GALAXY_ID_STARMAP)));
    EXPECT_FALSE(has(GALAXY_FLAG_ZOOM_OUT)) << "Starmap began the way back during a turn";

    set_flags(GALAXY_FLAG_STARMAP_VIEW | GALAXY_FLAG_TURN_IN_PROGRESS | GALAXY_FLAG_AUTO_PASS);
    screen()->autopass_countdown_ms = 100000;
    galaxy_bar_update_action_button();
    ASSERT_EQ(shown_action(), GALAXY_ID_STOP);
    press('s');
    EXPECT_FALSE(shown(button(GALAXY_ID_STOP))) << "Stop hides itself";
    EXPECT_TRUE(has(GALAXY_FLAG_STOP_REQUESTED));
    // The key's own frame ran the update: the countdown ran out and auto-pass ended there.
    EXPECT_LE(screen()->autopass_countdown_ms, 0);
    EXPECT_FALSE(has(GALAXY_FLAG_AUTO_PASS)) << "auto-pass ends at the next frame";
}

// ---- The side lists ----

TEST_F(GalaxyCommandBar, TwoOpensAndClosesTheShipsListThreeSwitchesToOfficers) {
    Control *ships = side(GALAXY_LIST_SHIPS);
    Control *officers = side(GALAXY_LIST_OFFICERS);

    press('2');
    ASSERT_TRUE(shown(ships));
    // The size the list was built at, which it grows to.
    const int built_w = panel_of(ships)->target_w, built_h = panel_of(ships)->target_h;
    EXPECT_GT(built_w, 8);
    EXPECT_EQ(ships->layer, 10);
    expect_lit(GALAXY_ID_SHIPS_BUTTON, "ships open");
    EXPECT_EQ(ships->x, 4);
    EXPECT_EQ(ships->y + built_h, GFX_HEIGHT - 40) << "bottom 40 pixels above the screen's";
    EXPECT_LT(ships->w, built_w) << "grows from a narrow strip";
    frames(10);
    EXPECT_EQ(ships->w, built_w);
    EXPECT_EQ(ships->h, built_h);
    EXPECT_TRUE(panel_of(ships)->flags & PANEL_GLOW);

    press('2');
    EXPECT_FALSE(shown(ships));
    expect_lit(0, "ships closed again");

    press('2');
    ASSERT_TRUE(shown(ships));
    press('3');
    EXPECT_FALSE(shown(ships)) << "the ships list closes for the officers";
    EXPECT_TRUE(shown(officers));
    EXPECT_EQ(officers->layer, 10);
    expect_lit(GALAXY_ID_OFFICERS_BUTTON, "officers after ships");
    for (GalaxySideList other : {GALAXY_LIST_MENU, GALAXY_LIST_TECH, GALAXY_LIST_CORP, GALAXY_LIST_NEWS})
        EXPECT_FALSE(shown(side(other))) << "side list " << other;
}

// ---- The action button ----

TEST_F(GalaxyCommandBar, ActionButtonFollowsTheScreenState) {
    const struct {
        const char *state;
        uint32_t flags;
        int32_t auto_pass;
        int expected;   // 0: none
    } cases[] = {
        {"sector view, even with auto-pass", GALAXY_FLAG_AUTO_PASS, 2000, GALAXY_ID_STARMAP},
        {"auto-pass armed", GALAXY_FLAG_STARMAP_VIEW | GALAXY_FLAG_AUTO_PASS, 2000, GALAXY_ID_STOP},
        {"stop pending", GALAXY_FLAG_STARMAP_VIEW | GALAXY_FLAG_AUTO_PASS | GALAXY_FLAG_STOP_REQUESTED, 2000, 0},
        {"encounters pending", GALAXY_FLAG_STARMAP_VIEW | GALAXY_FLAG_ENCOUNTERS_PENDING, 2000, 0},
        {"auto-pass setting", GALAXY_FLAG_STARMAP_VIEW, 600, GALAXY_ID_PASS},
        {"no auto-pass setting", GALAXY_FLAG_STARMAP_VIEW, 0, GALAXY_ID_NEXT_TURN},
    };
    for (const auto &c : cases) {
        set_flags(c.flags);
        game->auto_pass = c.auto_pass;
        galaxy_bar_update_action_button();
        EXPECT_EQ(shown_action(), c.expected) << c.state;
        if (!c.expected) continue;
        const Control *b = button(c.expected);
        EXPECT_EQ(b->x + b->w, GFX_WIDTH - 4) << c.state;
        EXPECT_EQ(b->y + b->h, GFX_HEIGHT - 4) << c.state;
    }
}

TEST_F(GalaxyCommandBar, PassArmsAutoPassForTheNextFrame) {
    game->auto_pass = 1200;
    set_flags(GALAXY_FLAG_STARMAP_VIEW | GALAXY_FLAG_STOP_REQUESTED);
    screen()->autopass_countdown_ms = 5000;
    galaxy_bar_update_action_button();
    ASSERT_EQ(shown_action(), GALAXY_ID_PASS);
    click(button(GALAXY_ID_PASS));
    EXPECT_TRUE(has(GALAXY_FLAG_AUTO_PASS));
    EXPECT_FALSE(flags() & GALAXY_FLAG_STOP_REQUESTED) << "an old stop request is dropped";
    EXPECT_EQ(screen()->autopass_countdown_ms, 0);
    EXPECT_FALSE(shown(button(GALAXY_ID_PASS)));
}

// ---- Badges ----

TEST_F(GalaxyCommandBar, ABadgeIsRebuiltOnlyWhenItsCountChanges) {
    Player *ui = game->ui_player;
    GalaxyScreen *s = screen();
    s->today_alert_count = 0;
    galaxy_bar_update_badges();
    Control *ships = s->badges[0], *tech = s->badges[2], *corp = s->badges[3], *news = s->badges[4];
    EXPECT_EQ(badge_text(ships), std::to_string(player_object_count(ui)));
    EXPECT_EQ(badge_text(s->badges[1]), std::to_string(list_count(&ui->officers)));
    EXPECT_EQ(badge_text(news), "0") << "a count of 0 is shown";
    const Control *ships_label = badge_label(ships);
    const Control *news_label = badge_label(news);
    const std::string tech_before = badge_text(tech);

    galaxy_bar_update_badges();
    EXPECT_EQ(badge_label(ships), ships_label) << "unchanged count, same label";
    EXPECT_EQ(badge_label(news), news_label);

    s->today_alert_count = 3;
    int32_t tech_type = -1;
    for (int32_t t = 0; t < PLAYER_TECH_COUNT && tech_type < 0; ++t)
        if ((ui->tech_state[t] & TECH_AVAILABLE) && !(ui->tech_state[t] & (TECH_DONE | TECH_QUEUED))) tech_type = t;
    ASSERT_GE(tech_type, 0) << "no tech to research";
    ASSERT_EQ(player_queue_research(ui, tech_type), 0);
    galaxy_bar_update_badges();
    EXPECT_EQ(badge_text(news), "3");
    EXPECT_NE(badge_label(news), news_label);
    EXPECT_EQ(std::stoi(badge_text(tech)), std::stoi(tech_before) + 1) << "a queued tech is researched";
    EXPECT_EQ(std::stoi(badge_text(corp)), ui->totals.active_production + std::stoi(badge_text(tech)));
    EXPECT_EQ(badge_label(ships), ships_label);

    ui->tech_state[tech_type] |= TECH_PAUSED;
    galaxy_bar_update_badges();
    EXPECT_EQ(badge_text(tech), tech_before) << "a paused tech is not";
}

// ---- The game menu ----

TEST_F(GalaxyCommandBar, MenuButtonOpensAndClosesTheGameMenu) {
    Control *menu = side(GALAXY_LIST_MENU);
    click(button(GALAXY_ID_MENU_BUTTON));
    frame();
    ASSERT_TRUE(shown(menu));
    EXPECT_TRUE(has(GALAXY_FLAG_MENU_OPEN));
    EXPECT_EQ(screen()->lit_list_button, GALAXY_ID_MENU_BUTTON);
    EXPECT_NE(title_test::button_named(menu, "Load game"), nullptr) << "the galaxy's form of the menu";

    press('1');
    EXPECT_FALSE(shown(menu));
    EXPECT_FALSE(has(GALAXY_FLAG_MENU_OPEN));
    EXPECT_EQ(live_child(menu), nullptr) << "the closed menu keeps no buttons";
    expect_lit(0, "menu closed");
}

TEST_F(GalaxyCommandBar, AFailedLoadInTheMenuLeavesForTheTitle) {
    press('1');
    Control *menu = side(GALAXY_LIST_MENU);
    ASSERT_TRUE(shown(menu));
    game_menu_show_error(menu, "Error loading game");
    frames(30);
    Control *ok = panel_find_child(panel_find_child(menu, GAME_MENU_SUBPANEL_ID), GAME_MENU_MESSAGE_OK_ID);
    ASSERT_NE(ok, nullptr);
    click(ok);
    EXPECT_EQ(game->ui_player, nullptr) << "the game is cleared";
    EXPECT_EQ(app_mode_current_id(), APP_MODE_TITLE);
}

// In a running game the menu's letters work as on the title, and a value box of the options opens
// its list over the menu, where the pointer reaches its rows.
TEST_F(GalaxyCommandBar, OptionsOpenByTheirLetterAndAValueBoxListsItsValuesOverTheMenu) {
    press('1');
    Control *menu = side(GALAXY_LIST_MENU);
    ASSERT_TRUE(shown(menu));
    frames(30);
    press('o');
    frames(30);
    Control *sub = panel_find_child(menu, GAME_MENU_SUBPANEL_ID);
    ASSERT_NE(sub, nullptr) << "'o' opens Options";
    const OptionsState *options = options_panel_state(sub);
    ASSERT_NE(options, nullptr);
    ASSERT_NE(options->rows, nullptr);
    Control *row = list_get(options->rows, 0);
    Control *choice = row ? panel_find_child(row, OPTIONS_CHOICE_ID) : nullptr;
    ASSERT_NE(choice, nullptr);
    click(choice);
    frames(10);
    Control *list = find(CHOICE_POPUP_ID);
    ASSERT_NE(list, nullptr) << "the value box opens its list";
    EXPECT_GT(list->layer, menu->layer) << "the list stands over the menu that holds the box";
    int x = 0, y = 0;
    control_get_screen_position(list, &x, &y);
    const Control *picked = game_pick_control(game, x + list->w / 2, y + list->h - 6);
    ASSERT_NE(picked, nullptr);
    EXPECT_TRUE(picked == list || picked->user_data == list) << "the pointer reaches the list's rows";
    driver.save_screen("newcomer/galaxy_options_list.png");
}

// A damaged save chosen from the galaxy's menu through keys and clicks: the load fails after the
// map was let go of, so the menu's error view is the only way on, and neither help nor anything
// else may close it without its OK.
class GalaxyFailedLoad : public GalaxyCommandBar {
protected:
    static constexpr int LOAD_SCREEN_TYPES[] = {9, 16, 29, 50, 55, 61, 121, 150};
    static constexpr int KEY_HELP = '/';

    void SetUp() override {
        GalaxyCommandBar::SetUp();
        if (HasFatalFailure()) return;
        for (int type : LOAD_SCREEN_TYPES)
            if (image_control_load_type(type) == RES_OK) types_.push_back(type);
    }
    void TearDown() override {
        GalaxyCommandBar::TearDown();
        for (int type : types_) image_control_free_type(type);
    }

    // A save of the running game cut to 60 % of its length: its header still reads.
    void write_truncated_save() {
        ASSERT_EQ(make_directory(saves->folder().c_str()), RES_OK);
        const std::string path = saves->file("000.sav");
        ASSERT_EQ(game_save(game, path.c_str(), "Cut short", 0, nullptr), RES_OK);
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        ASSERT_EQ(::truncate(path.c_str(), st.st_size * 6 / 10), 0);
    }
    Control *sub() { return panel_find_child(side(GALAXY_LIST_MENU), GAME_MENU_SUBPANEL_ID); }
    std::string prompt() {
        const TextLabel *t = text_label_of(panel_find_child(sub(), LOAD_SCREEN_PROMPT_ID));
        return t && t->text ? t->text : "<none>";
    }
    // '1', Load game, the file's row, Load, "Yes, load", and the frames until the load has run.
    void choose_and_load() {
        press('1');
        frames(30);   // the menu's buttons flash in, inert for 400 ms
        click(title_test::button_named(side(GALAXY_LIST_MENU), "Load game"));
        frames(20);
        LoadScreenState *load = load_screen_state(sub());
        ASSERT_NE(load, nullptr);
        ASSERT_EQ(load->list.rows.size(), 1u);
        click(load->list.rows.front().control);
        frames(15);
        click(panel_find_child(panel_find_child(sub(), LOAD_SCREEN_BUTTONS_ID), LOAD_SCREEN_LOAD_ID));
        frames(20);
        Control *dialog = panel_find_child(sub(), LOAD_SCREEN_DIALOG_ID);
        ASSERT_NE(dialog, nullptr);
        Control *buttons = panel_find_child(dialog, DIALOG_ROW_ID);
        Control *yes = buttons ? panel_find_child(buttons, DIALOG_YES_ID) : panel_find_child(dialog, DIALOG_YES_ID);
        click(yes);
        ASSERT_TRUE(run_until([&] { return prompt() == "Error loading game"; }, 200)) << prompt();
    }

private:
    std::vector<int> types_;
};

TEST_F(GalaxyFailedLoad, HelpNeitherOpensNorClosesTheErrorAndItsOkLeadsToTheTitle) {
    write_truncated_save();
    choose_and_load();
    EXPECT_EQ(game->ui_player, nullptr) << "the damaged state was let go of";
    press(KEY_HELP);
    frames(20);
    EXPECT_EQ(find(CONTROL_ID_HELP), nullptr) << "no help over the failure";
    ASSERT_TRUE(shown(side(GALAXY_LIST_MENU))) << "the error stays until its OK";
    Control *ok = panel_find_child(sub(), LOAD_SCREEN_OK_ID);
    ASSERT_NE(ok, nullptr);
    click(ok);
    EXPECT_EQ(app_mode_current_id(), APP_MODE_TITLE);
}

TEST_F(GalaxyFailedLoad, ClosingTheSidePanelsSparesAMenuThatHoldsALoad) {
    write_truncated_save();
    choose_and_load();
    // What help, Escape or a list button would do to the open lists.
    galaxy_side_panels_close();
    frames(5);
    ASSERT_TRUE(shown(side(GALAXY_LIST_MENU)));
    ASSERT_NE(panel_find_child(sub(), LOAD_SCREEN_OK_ID), nullptr);
    EXPECT_TRUE(game_menu_holds_load(side(GALAXY_LIST_MENU)));
    click(panel_find_child(sub(), LOAD_SCREEN_OK_ID));
    EXPECT_EQ(app_mode_current_id(), APP_MODE_TITLE);
}

TEST_F(GalaxyFailedLoad, ALoadThatFailsWithTheMenuGoneLeadsToTheTitleAtOnce) {
    write_truncated_save();
    game_prepare_load(game, saves->file("000.sav").c_str());
    galaxy_clear_for_menu(nullptr);   // as "Yes, load" leaves the screen, but no menu is open
    ASSERT_TRUE(run_until([] { return app_mode_current_id() == APP_MODE_TITLE; }, 200))
        << "a hidden map and no menu would leave nothing to press";
}

}  // namespace
