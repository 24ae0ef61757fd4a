// End to end: a player builds at the home starbase, on the real program under a private X server.
// The game is a seeded new game whose home sector (with its starbase and shipyard) stands on the
// first screen, kept in the save folder and loaded from the title. A click on the home sector
// opens its panel; the starbase's icon opens the starbase's panel, whose Build opens the facility
// chooser; the first facility's row opens its build panel, whose Build lays it down. The home
// sector's panel again; the shipyard's icon, its Build ("Choose ship design"), the first design's
// row opens the design summary, whose Build starts the ship. Next Turn follows Next Turn until the
// log holds both the facility's completion and the new starship, whose row the sector panel then
// shows.
//  - Where every control stands, and what each click leaves in the model (the days each
//    production takes, the credits paid), comes from a probe: the same screens built in this
//    process over the same save, driven by the same clicks at the same points.
//  - Screenshots of every step are kept under build/test-output/screens/starbase/.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "galaxy_road_support.h"
#include "game/headless.h"
#include "game/player.h"
#include "platform/random.h"
#include "screen_probe.h"
#include "screens/design/design_list_panel.h"
#include "screens/design/design_summary_panel.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/sector_panel.h"
#include "screens/sites/facility_panels.h"
#include "screens/sites/site_choosers.h"
#include "screens/sites/site_panel.h"
#include "screens/title/title_test_support.h"
#include "support/state_guards.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "world/factory.h"
#include "world/sector.h"
#include "world/site.h"

namespace {

using galaxy_road::centre_of;
using galaxy_road::child;
using galaxy_road::find_control;
using galaxy_road::live_button;
using galaxy_road::pixels_changed;
using galaxy_road::rect_of;
using galaxy_road::ScreenRect;
using galaxy_road::ScreenSpot;
using galaxy_road::spot_on_screen;

constexpr const char *STARBASE_ROAD = "starbase";
using title_test::KEY_ESCAPE;

std::string label_text(const Control *c) {
    const TextLabel *t = text_label_of(c);
    return t && t->text ? t->text : "";
}

// The road as the probe walked it: where to click, what the screens showed and what each step left.
struct StarbasePlan {
    ScreenSpot  starbase_icon, starbase_build, facility_row, facility_build;
    ScreenSpot  shipyard_icon, shipyard_build, design_row, design_build;
    ScreenRect  sector_panel, site_panel, facility_panel, summary, ship_list;
    std::string facility;               // the facility the road lays down, as its row names it
    std::string facility_done;          // the news of its completion
    std::string design;                 // the design the road builds
    int32_t     facility_days = 0;      // the days each production takes when started
    int32_t     ship_days = 0;
    int32_t     credits_before = 0, credits_after_facility = 0, credits_after_ship = 0;
    bool        walked = false;
};

// The road's screens in this process over the saved game, with every picture type loaded as the
// program loads them; each click goes to the point where the probe found the control, as the
// road's clicks will.
class StarbaseProbe : public ModelGame {
public:
    void TestBody() override {}

    StarbasePlan walk(const std::string &save_home, const std::string &save, const galaxy_road::SectorSpot &home) {
        StarbasePlan plan;
        if (!begin(save_home)) return plan;
        EXPECT_EQ(game_load_file(game, save.c_str(), 0), RES_OK) << save;
        factory_acquire_group_all(FACTORY_GROUP_FRAMES);
        EXPECT_EQ(factory_resolve_load_groups(), RES_OK);
        if (enter_galaxy()) {
            close_news();
            road(plan, home);
        }
        galaxy_object_panels_close();
        end();
        factory_release_all_groups(FACTORY_GROUP_FRAMES);
        EXPECT_EQ(factory_resolve_load_groups(), RES_OK);
        return plan;
    }

private:
    title_test::TitleDriver driver;
    GameFieldsGuard fields_back;
    std::optional<EnvGuard> home_back;
    std::vector<int> types;

    void click_at(const ScreenSpot &at) {
        ui_test::mouse_at(at.x, at.y);
        driver.frame();
        ui_test::left_down();
        driver.frames(3);
        ui_test::left_up();
        driver.frames(60);
    }

    // The home sector's panel from the star map, and the icon of its site of the kind.
    ScreenSpot site_icon(const galaxy_road::SectorSpot &home, const Site *site, StarbasePlan &plan) {
        driver.press(KEY_ESCAPE);
        driver.frames(30);
        click_at({home.x, home.y});
        Control *panel = galaxy_object_panel_find(GALAXY_PANEL_SECTOR);
        EXPECT_NE(panel, nullptr) << "a click on " << home.name << " opens its panel";
        plan.sector_panel = rect_of(panel);
        plan.ship_list = rect_of(child(panel, SECTOR_PANEL_SHIP_LIST));
        Control *icon = find_control(child(panel, SECTOR_PANEL_SITE_ICONS), [&](Control *c) {
            const auto *id = static_cast<const uint64_t *>(c->user_data);
            return c->on_click && id && *id == site->id;
        });
        return centre_of(icon);
    }

    void road(StarbasePlan &plan, const galaxy_road::SectorSpot &home) {
        Player *ui = game->ui_player;
        Sector *sector = sector_of(game_find_object(game, home.id));
        ASSERT_NE(sector, nullptr);
        Site *base = sector_find_site_of_kind(sector, SITE_STARBASE);
        Site *yard = sector_find_site_of_kind(sector, SITE_SHIPYARD);
        ASSERT_TRUE(base && yard) << "the home sector's starbase and shipyard";
        plan.credits_before = ui->credits;

        // The starbase: its panel, Build, the first facility, its build panel's Build.
        plan.starbase_icon = site_icon(home, base, plan);
        ASSERT_TRUE(spot_on_screen(plan.starbase_icon)) << "the starbase's icon on the sector panel";
        click_at(plan.starbase_icon);
        Control *site_panel = galaxy_object_panel_find(GALAXY_PANEL_SITE);
        ASSERT_EQ(site_panel_site(site_panel), base) << "the icon opens the starbase's panel";
        plan.site_panel = rect_of(site_panel);
        plan.starbase_build = centre_of(live_button(child(site_panel, SITE_PANEL_ID_BUTTONS), "Build"));
        ASSERT_TRUE(spot_on_screen(plan.starbase_build)) << "the starbase's Build, enabled";
        click_at(plan.starbase_build);
        FacilityChooserState *chooser = facility_chooser_state(child(site_panel, SITE_PANEL_ID_FACILITY_LIST));
        ASSERT_TRUE(chooser && list_count(&chooser->entries) > 0) << "Build opens the facility chooser";
        Control *row = list_get(&chooser->rows, 0);
        plan.facility = label_text(child(row, FACILITY_ROW_ID_NAME));
        plan.facility_row = centre_of(row);
        ASSERT_TRUE(spot_on_screen(plan.facility_row));
        click_at(plan.facility_row);
        Control *facility = galaxy_object_panel_find(GALAXY_PANEL_FACILITY_BUILD);
        ASSERT_NE(facility, nullptr) << "the row opens the facility build panel";
        plan.facility_panel = rect_of(facility);
        plan.facility_build = centre_of(live_button(child(facility, FACILITY_PANEL_ID_BUTTONS), "Build"));
        ASSERT_TRUE(spot_on_screen(plan.facility_build)) << "the facility's Build, enabled";
        click_at(plan.facility_build);
        ASSERT_TRUE(site_production_info(base, nullptr, nullptr, &plan.facility_days, nullptr, nullptr))
            << "the starbase lays down the " << plan.facility;
        plan.credits_after_facility = ui->credits;
        const Site *laid = site_template(base->item);   // its keel is laid as the day begins
        ASSERT_NE(laid, nullptr) << "the starbase builds a facility";
        plan.facility_done = home.name + " sector - " + object_get_name(laid) + " complete";

        // The shipyard: its panel, Build, the first design, the summary's Build.
        plan.shipyard_icon = site_icon(home, yard, plan);
        ASSERT_TRUE(spot_on_screen(plan.shipyard_icon)) << "the shipyard's icon on the sector panel";
        click_at(plan.shipyard_icon);
        site_panel = galaxy_object_panel_find(GALAXY_PANEL_SITE);
        ASSERT_EQ(site_panel_site(site_panel), yard) << "the icon opens the shipyard's panel";
        plan.shipyard_build = centre_of(live_button(child(site_panel, SITE_PANEL_ID_BUTTONS), "Build"));
        ASSERT_TRUE(spot_on_screen(plan.shipyard_build)) << "the shipyard's Build, enabled";
        click_at(plan.shipyard_build);
        DesignListState *designs = design_list_state(child(site_panel, SITE_PANEL_ID_DESIGN_LIST));
        ASSERT_TRUE(designs && list_count(&designs->designs) > 0) << "Build opens the design chooser";
        plan.design = object_get_name(list_get(&designs->designs, 0));
        plan.design_row = centre_of(list_get(&designs->rows, 0));
        ASSERT_TRUE(spot_on_screen(plan.design_row));
        click_at(plan.design_row);
        Control *summary = galaxy_object_panel_find(GALAXY_PANEL_DESIGN_SUMMARY);
        ASSERT_NE(summary, nullptr) << "the design's row opens its summary";
        plan.summary = rect_of(summary);
        plan.design_build = centre_of(child(child(summary, DESIGN_PANEL_ID_BUTTONS), DESIGN_PANEL_ID_BUILD));
        ASSERT_TRUE(spot_on_screen(plan.design_build)) << "the summary's Build";
        click_at(plan.design_build);
        ASSERT_TRUE(site_production_info(yard, nullptr, nullptr, &plan.ship_days, nullptr, nullptr))
            << "the shipyard builds the " << plan.design;
        plan.credits_after_ship = ui->credits;
        plan.walked = true;
    }

    bool begin(const std::string &save_home) {
        SetUp();
        home_back.emplace("XDG_DATA_HOME");
        ::setenv("XDG_DATA_HOME", save_home.c_str(), 1);
        const ::testing::AssertionResult started = driver.start();
        EXPECT_TRUE(started);
        driver.draw = false;
        for (int type = 0; type < galaxy_road::PICTURE_TYPES; ++type)
            if (image_control_load_type(type) == RES_OK) types.push_back(type);
        return started;
    }
    void end() {
        driver.stop();
        for (int type : types) image_control_free_type(type);
        types.clear();
        home_back.reset();
        TearDown();
    }
    bool enter_galaxy() {
        if (!game->ui_player) return false;
        title_test::TitleDriver::switch_to(APP_MODE_GALAXY);
        EXPECT_EQ(app_mode_current_id(), APP_MODE_GALAXY);
        driver.frames(100);
        return app_mode_current_id() == APP_MODE_GALAXY;
    }
    void close_news() {
        Control *news = galaxy_screen()->side_panels[GALAXY_LIST_NEWS];
        if (news && control_is_shown(news)) {
            driver.press('6');
            driver.frames(30);
        }
    }
};

// A seeded new game with two computer players, saved at `path` as it starts.
class HomeGame : public ModelGame {
public:
    void TestBody() override {}
    bool make(const std::string &path, uint32_t seed) {
        SetUp();
        random_seed(seed);
        HeadlessOptions options;
        options.computer_players = 2;
        const bool made = headless_new_game(game, options) == RES_OK && game->ui_player &&
                          game_save(game, path.c_str(), "Starbase", 0, nullptr) == RES_OK;
        TearDown();
        return made;
    }
};

// The sounds the road hears: a map object picked (a sector, a site's icon), a button pressed, a
// purchase made.
constexpr int SOUND_PICK = 6;
constexpr int SOUND_BUTTON = 5;
constexpr int SOUND_PURCHASE = 12;

class StarbaseEndToEnd : public galaxy_road::Road {
protected:
    StarbaseEndToEnd() : Road(STARBASE_ROAD) {}

    static int heard(const GameWindow &game, int sound) {
        return GameWindow::occurrences(game.log(), "Queue sound " + std::to_string(sound) + ",");
    }
    // A click the game answers with the sound; then the panel it opens (a change of `pixels` or
    // more on the star map's area) settles. `log_line`: a line the game writes once the panel is
    // whole (a picture loaded on a worker), waited for too.
    static void click_heard(GameWindow &game, const ScreenSpot &at, int sound, const std::string &what, int pixels = 500,
                            const std::string &log_line = "") {
        game.step(STARBASE_ROAD, what);
        const int before = heard(game, sound);
        const int lines = log_line.empty() ? 0 : GameWindow::occurrences(game.log(), log_line);
        game.move(at.x, at.y);
        const DecodedPng screen = game.resting(MAP_AREA, 100);
        game.click(at.x, at.y);
        EXPECT_TRUE(game.expect_log("Queue sound " + std::to_string(sound) + ",", 30, before + 1)) << what;
        if (!log_line.empty()) {
            EXPECT_TRUE(game.expect_log(log_line, 30, lines + 1)) << what;
        }
        game.changed(screen, MAP_AREA, pixels, what);
    }
    static constexpr ScreenBox MAP_AREA{0, 40, GFX_WIDTH, GFX_HEIGHT - 40};
    // The days passed in the log before `text` first shows in it; -1 when it never does.
    static int day_of(const std::string &log, const std::string &text) {
        const size_t at = log.find(text);
        return at == std::string::npos ? -1 : GameWindow::occurrences(log.substr(0, at), "Add 1440 advance minutes");
    }
};

TEST_F(StarbaseEndToEnd, FacilityAndShipBuiltFromTheHomeStarbaseAndShipyard) {
    const std::string save_home = dir + "/save";
    write_prefs(save_home, 0);   // no automatic passing: the action button is "Next Turn"
    const std::string save = save_home + "/Astrovane/000.sav";
    std::filesystem::create_directories(save_home + "/Astrovane");

    // The first seed whose home stands on the first screen and whose road the probe walks whole.
    galaxy_road::SaveProbe look_probe;
    galaxy_road::GalaxyLook look;
    StarbasePlan plan;
    for (uint32_t seed = 20261208; seed < 20261208 + 20 && !plan.walked; ++seed) {
        ASSERT_TRUE(HomeGame().make(save, seed)) << "the game, seed " << seed;
        look = look_probe.look(save);
        ASSERT_TRUE(look.loaded);
        if (!look.home()) continue;
        plan = StarbaseProbe().walk(save_home, save, *look.home());
    }
    ASSERT_TRUE(plan.walked) << "a seed whose road the probe walked";
    const galaxy_road::SectorSpot home = *look.home();
    EXPECT_GT(plan.facility_days, 0);
    EXPECT_GT(plan.ship_days, 0);
    EXPECT_LT(plan.credits_after_facility, plan.credits_before) << "the facility is paid for";
    EXPECT_LT(plan.credits_after_ship, plan.credits_after_facility) << "the ship is paid for";
    const galaxy_road::ScreenProbe::LoadSpots load = galaxy_road::ScreenProbe().title_load(save_home);
    ASSERT_TRUE(load.row.ok() && load.load.ok() && load.yes.ok());

    GameWindow game(display, dir, save_home);
    start(game, "starbase.log");
    ASSERT_TRUE(galaxy_road::load_from_title(game, load)) << game.log();
    const DecodedPng star_map = game.shot(STARBASE_ROAD, "00_star_map");

    // The starbase.
    click_heard(game, {home.x, home.y}, SOUND_PICK, "the home sector", 2000);
    const DecodedPng sector = game.shot(STARBASE_ROAD, "01_sector_panel");
    const ScreenRect &sp = plan.sector_panel;
    EXPECT_GT(pixels_changed(star_map, sector, sp.x0, sp.y0, sp.x1, sp.y1), 2000) << "the panel of " << home.name;
    click_heard(game, plan.starbase_icon, SOUND_PICK, "the starbase's icon", 2000);
    const DecodedPng starbase = game.shot(STARBASE_ROAD, "02_starbase_panel");
    const ScreenRect &site = plan.site_panel;
    EXPECT_GT(pixels_changed(sector, starbase, site.x0, site.y0, site.x1, site.y1), 2000) << "the starbase's panel";
    click_heard(game, plan.starbase_build, SOUND_BUTTON, "the starbase's Build");
    const DecodedPng chooser = game.shot(STARBASE_ROAD, "03_facility_chooser");
    EXPECT_GT(pixels_changed(starbase, chooser, site.x0, site.y0, site.x1, site.y1), 500) << "Choose facility to build";
    // The facility's picture loads on a worker.
    click_heard(game, plan.facility_row, SOUND_BUTTON, "the facility's row", 2000, "Load detail thread (site ");
    const DecodedPng facility = game.shot(STARBASE_ROAD, "04_facility_build_panel");
    const ScreenRect &fp = plan.facility_panel;
    EXPECT_GT(pixels_changed(chooser, facility, fp.x0, fp.y0, fp.x1, fp.y1), 2000) << "the build panel of " << plan.facility;
    click_heard(game, plan.facility_build, SOUND_PURCHASE, "the facility's Build", 1000);
    const DecodedPng laid = game.shot(STARBASE_ROAD, "05_facility_laid_down");
    EXPECT_GT(pixels_changed(facility, laid, fp.x0, fp.y0, fp.x1, fp.y1), 1000) << "the build panel gave way";

    // The shipyard.
    game.key_for("Escape", "the panels closed", MAP_AREA, 1000);
    click_heard(game, {home.x, home.y}, SOUND_PICK, "the home sector again", 2000);
    game.shot(STARBASE_ROAD, "06_sector_panel_again");
    click_heard(game, plan.shipyard_icon, SOUND_PICK, "the shipyard's icon", 2000);
    const DecodedPng shipyard = game.shot(STARBASE_ROAD, "07_shipyard_panel");
    click_heard(game, plan.shipyard_build, SOUND_BUTTON, "the shipyard's Build");
    const DecodedPng designs = game.shot(STARBASE_ROAD, "08_design_chooser");
    EXPECT_GT(pixels_changed(shipyard, designs, 0, 40, GFX_WIDTH, GFX_HEIGHT - 40), 500) << "Choose ship design";
    click_heard(game, plan.design_row, SOUND_BUTTON, "the design's row", 2000);
    const DecodedPng summary = game.shot(STARBASE_ROAD, "09_design_summary");
    const ScreenRect &su = plan.summary;
    EXPECT_GT(pixels_changed(designs, summary, su.x0, su.y0, su.x1, su.y1), 2000) << "the summary of " << plan.design;
    click_heard(game, plan.design_build, SOUND_PURCHASE, "the summary's Build", 1000);
    const DecodedPng started = game.shot(STARBASE_ROAD, "10_ship_started");
    EXPECT_GT(pixels_changed(summary, started, su.x0, su.y0, su.x1, su.y1), 1000) << "the summary gave way";
    game.key_for("Escape", "the panels closed", MAP_AREA, 1000);

    // Next Turn until both are done: each turn is one day.
    game.step(STARBASE_ROAD, "Next Turn until both are built");
    const std::string ship_done = " built in the " + home.name + " sector";
    const int turns = std::max(plan.facility_days, plan.ship_days) + 3;
    int day = 0;
    while (day < turns && !(game.log().find(plan.facility_done) != std::string::npos &&
                            game.log().find(ship_done) != std::string::npos)) {
        ++day;
        ASSERT_TRUE(next_day(game)) << "day " << day << "\n" << game.log();
    }
    game.shot(STARBASE_ROAD, "11_after_the_turns");
    // Each completes on the day its production said when it began.
    const std::string log = game.log();
    EXPECT_EQ(day_of(log, plan.facility_done), plan.facility_days) << "the news of the " << plan.facility;
    EXPECT_EQ(day_of(log, ship_done), plan.ship_days) << "the news of the new starship";

    game.key_for("Escape", "the news closed", MAP_AREA, 1000);
    click_heard(game, {home.x, home.y}, SOUND_PICK, "the home sector at the end", 2000);
    const DecodedPng after = game.shot(STARBASE_ROAD, "12_sector_panel_with_the_new_ship");
    const ScreenRect &sl = plan.ship_list;
    EXPECT_GT(pixels_changed(sector, after, sl.x0, sl.y0, sl.x1, sl.y1), 200) << "a new row in the ship list";

    finish(game);
}

}  // namespace
