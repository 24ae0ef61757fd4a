// End to end: a player researches, designs a ship and builds it, then looks over the officers and
// the corporation, on the real program under a private X server. In a new game '4' opens the
// technology list; a row opens the technology's detail panel and Research queues it. A click on
// the home sector opens its panel; the shipyard's icon opens the shipyard's panel, Build its design
// chooser and "(New Design)" the type chooser; a hull is picked and Configure opens the editor; the
// engine mount's card opens the picker and an engine is fitted, a weapon on another mount the same
// way; the name is typed and Accept keeps the design. The shipyard's chooser lists it: its row
// opens the design summary and Build starts it. '3' opens the officers list and '5' the
// corporation summary. The game is saved before and after: the second save holds the queued
// technology, the new design and the shipyard building it.
//  - Where the road clicks comes from a probe: the same screens built headless in this process over
//    the first save, driven by the same clicks and keys, which also says what each step leaves.
//  - Screenshots of every step are kept under build/test-output/screens/design_research/.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "galaxy_road_support.h"
#include "screen_probe.h"
#include "game/headless.h"
#include "game/player.h"
#include "platform/random.h"
#include "screens/corporation/corporation_summary.h"
#include "screens/design/design_editor.h"
#include "screens/design/design_list_panel.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/sector_rows.h"
#include "screens/officers/officers_list.h"
#include "screens/research/tech_detail_panel.h"
#include "screens/research/tech_list.h"
#include "screens/saves/save_screen.h"
#include "screens/sites/site_panel.h"
#include "screens/title/game_menu.h"
#include "screens/title/title_mode.h"
#include "screens/title/title_test_support.h"
#include "support/state_guards.h"
#include "systems/system.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/scroll.h"
#include "ui/text_entry.h"
#include "world/factory.h"
#include "world/sector.h"
#include "world/site.h"

namespace {

using galaxy_road::button_captioned;
using galaxy_road::centre_of;
using galaxy_road::child;
using galaxy_road::find_control;
using galaxy_road::inside;
using galaxy_road::PICTURE_TYPES;
using galaxy_road::pixels_changed;
using galaxy_road::ScreenSpot;

constexpr const char *DESIGN_RESEARCH_ROAD = "design_research";
constexpr const char *DESIGN_NAME = "hawk one";   // typed without Shift: the probe types it too

bool is_weapon(const System *s) {
    return s && (s->type == SYSTEM_TYPE_BEAM || s->type == SYSTEM_TYPE_VOLLEY_GUN || s->type == SYSTEM_TYPE_MISSILE ||
                 s->type == SYSTEM_TYPE_MASS_DRIVER);
}

// What the road does, as the probe found it: where to click and what each step leaves.
struct DesignResearchPlan {
    ScreenSpot  tech_row, research;
    int32_t     tech = -1;
    std::string tech_name;
    bool        tech_queued = false;        // the model's queue after Research
    int32_t     tech_credits = 0;           // its price
    int32_t     credits_before_research = 0, credits_after_research = 0;
    bool        list_left_open = false;     // the list stays when Escape takes the detail panel

    ScreenSpot  home, yard_icon, build, list_arrow, new_design, hull_card, configure;
    ScreenSpot  engine_card, engine_row, weapon_card, weapon_row, name, accept;
    int         arrow_clicks = 0;           // on the chooser's down arrow
    int32_t     hull = -1;
    std::string engine_name, weapon_name;
    std::string hull_label;                 // the chooser's figures of the picked hull
    bool        engine_fitted = false, weapon_fitted = false;
    std::string name_typed;                 // the name entry's text after typing
    int32_t     designs_before = 0, designs_after = 0;
    ScreenSpot  list_arrow_again, design_row, build_design;
    int         arrow_clicks_again = 0;
    uint64_t    design_id = 0;
    uint64_t    yard_id = 0;
    uint64_t    yard_item = 0;              // what the shipyard builds after Build

    int32_t     officer_rows = 0;
    bool        corp_shown = false;
};

// The screens in this process over the road's save folder (as the saves road's probe builds them).
class RoadProbe : public ModelGame {
public:
    void TestBody() override {}

    DesignResearchPlan road(const std::string &save_home, const std::string &save) {
        DesignResearchPlan plan;
        if (!begin(save_home)) return plan;
        EXPECT_EQ(game_load_file(game, save.c_str(), 0), RES_OK) << save;
        // The ships' pictures, as the program loads them on its way to the star map: they size the
        // hull cards, the design rows and the editor.
        factory_acquire_group_all(FACTORY_GROUP_FRAMES);
        EXPECT_EQ(factory_resolve_load_groups(), RES_OK);
        if (enter_galaxy()) {
            close_news();
            research(plan);
            if (!::testing::Test::HasFatalFailure()) design(plan);
            if (!::testing::Test::HasFatalFailure()) lists(plan);
        }
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

    // A player's click at a point: the pointer rests there a frame, the button goes down for a few.
    void click_at(const ScreenSpot &at) {
        ui_test::mouse_at(at.x, at.y);
        driver.frame();
        ui_test::left_down();
        driver.frames(3);
        ui_test::left_up();
        driver.frame();
    }
    // The design chooser's down arrow, clicked until the row stands in the list's view.
    void scroll_to(Control *list, Control *row, ScreenSpot *arrow, int *clicks) {
        *arrow = centre_of(child(child(list, DESIGN_LIST_ID_SCROLL), SCROLL_FAR_ARROW_ID));
        for (*clicks = 0; *clicks < 8 && !inside(row, list) && arrow->ok(); ++*clicks) {
            click_at(*arrow);
            driver.frames(15);
        }
    }
    // Clicks the control's middle, which must stand on the screen: the real pointer goes no further.
    ScreenSpot click_on(Control *c) {
        const ScreenSpot at = centre_of(c);
        EXPECT_TRUE(at.ok() && at.x < GFX_WIDTH && at.y < GFX_HEIGHT) << "a control off the screen at " << at.x << "," << at.y;
        if (at.ok()) click_at(at);
        return at;
    }

    // '4', the cheapest technology in view the player may research (the credits left must pay for
    // the ship), its detail panel, Research.
    void research(DesignResearchPlan &plan) {
        Player *ui = game->ui_player;
        driver.press('4');
        driver.frames(50);
        Control *list = galaxy_screen()->side_panels[GALAXY_LIST_TECH];
        TechListState *state = tech_list_state(list);
        ASSERT_NE(state, nullptr) << "'4' builds the technology list";
        Control *view = child(list, TECH_LIST_ID_VIEWPORT);
        ASSERT_NE(view, nullptr);
        std::vector<Control *> rows;
        for (Control *row : state->rows.items) {
            if (!row) break;
            const TechInfo *info = tech_get(row->tag);
            if (info && inside(row, view) && !player_is_research_active(ui, row->tag) && info->credits <= ui->credits)
                rows.push_back(row);
        }
        std::stable_sort(rows.begin(), rows.end(),
                         [](Control *a, Control *b) { return tech_get(a->tag)->credits < tech_get(b->tag)->credits; });
        ASSERT_FALSE(rows.empty()) << "a technology the player may research, in view";
        Control *row = rows.front();
        plan.tech_row = click_on(row);
        driver.frames(40);
        Control *detail = galaxy_object_panel_find(GALAXY_PANEL_TECH_DETAIL);
        ASSERT_EQ(tech_detail_tech(detail), row->tag) << "the row opens its technology's panel";
        Control *research = button_captioned(detail, "Research");
        ASSERT_TRUE(research && control_is_enabled(research)) << "Research on the detail panel";
        plan.tech = row->tag;
        plan.tech_name = tech_get(row->tag)->name;
        plan.tech_credits = tech_get(row->tag)->credits;
        plan.credits_before_research = ui->credits;
        plan.research = click_on(research);
        driver.frames(30);
        plan.tech_queued = player_is_research_active(ui, plan.tech);
        plan.credits_after_research = ui->credits;
        driver.press(27);   // Escape: the detail panel goes
        driver.frames(20);
        plan.list_left_open = control_is_shown(list);
        if (plan.list_left_open) {
            driver.press('4');   // the list goes
            driver.frames(30);
        }
    }

    void design(DesignResearchPlan &plan) {
        Player *ui = game->ui_player;
        // The home sector on the star map: the view starts at the map's origin.
        ObjectMap *map = game->galaxy_map;
        const int ox = std::min(0, map->world_w - GFX_WIDTH - 1), oy = std::min(0, map->world_h - GFX_HEIGHT - 1);
        Site *yard = nullptr;
        for (GameObject *o : map->objects.items) {
            if (!o) break;
            if (o->kind != OBJECT_SECTOR || o->owner_id != ui->id) continue;
            Sector *s = static_cast<Sector *>(o);
            Site *y = sector_find_site_of_kind(s, SITE_SHIPYARD);
            const int x = o->x - ox + o->w / 2, yy = o->y - oy + o->h / 2;
            if (y && galaxy_road::clickable(x, yy)) yard = y, plan.home = {x, yy};
        }
        ASSERT_NE(yard, nullptr) << "an own sector with a shipyard on the first screen";
        plan.yard_id = yard->id;
        ui_test::mouse_at(plan.home.x, plan.home.y);   // the pointer rests: the sector is hovered
        driver.frames(10);
        click_at(plan.home);
        driver.frames(60);
        Control *sector_panel = galaxy_object_panel_find(GALAXY_PANEL_SECTOR);
        ASSERT_NE(sector_panel, nullptr) << "a click on the home sector opens its panel";
        Control *icon = find_control(sector_panel, [&](Control *c) {
            return c->on_click == sector_site_icon_on_click && c->user_data &&
                   *static_cast<const uint64_t *>(c->user_data) == yard->id;
        });
        ASSERT_NE(icon, nullptr) << "the shipyard's icon in the sector panel";
        plan.yard_icon = click_on(icon);
        driver.frames(60);
        Control *site_panel = galaxy_object_panel_find(GALAXY_PANEL_SITE);
        ASSERT_EQ(site_panel_site(site_panel), yard) << "the icon opens the shipyard's panel";
        Control *build = button_captioned(site_panel, "Build");
        ASSERT_NE(build, nullptr) << "Build on the shipyard's panel";
        plan.build = click_on(build);
        driver.frames(60);
        Control *list = child(site_panel, SITE_PANEL_ID_DESIGN_LIST);
        DesignListState *designs = design_list_state(list);
        ASSERT_TRUE(designs && !designs->rows.items.empty()) << "Build opens the design chooser";
        Control *new_row = designs->rows.items.back();
        ASSERT_NE(new_row, nullptr);
        plan.designs_before = player_design_count(ui);
        // "(New Design)" comes last: the list's down arrow brings it into view.
        scroll_to(list, new_row, &plan.list_arrow, &plan.arrow_clicks);
        ASSERT_TRUE(inside(new_row, list)) << "\"(New Design)\" in the chooser's view";
        plan.new_design = click_on(new_row);
        driver.frames(40);

        Control *configure = galaxy_object_panel_find(GALAXY_PANEL_CONFIGURE);
        DesignEditorState *editor = design_editor_state(configure);
        ASSERT_NE(editor, nullptr) << "\"(New Design)\" opens the type chooser";
        Control *card = nullptr;
        for (Control *c : panel_of(child(configure, DESIGN_ID_CARD_STRIP))->children.items) {
            if (!c) break;
            if (!(c->flags & CTRL_REMOVED) && c->user_data) card = card ? card : c;
        }
        ASSERT_NE(card, nullptr) << "a hull card";
        plan.hull = static_cast<const Ship *>(card->user_data)->subtype;
        plan.hull_card = click_on(card);
        ASSERT_TRUE(driver.run_until([&] { return editor->load_thread == nullptr; }, 600)) << "the hull's picture";
        driver.frames(30);
        plan.hull_label = title_test::texts_of(child(configure, DESIGN_ID_STATS));
        plan.configure = click_on(child(child(configure, DESIGN_ID_BUTTONS), DESIGN_ID_CONFIGURE));
        driver.frames(60);
        Ship *ship = design_get_ship(configure);
        ASSERT_TRUE(ship && editor->editor_open) << "Configure opens the editor";

        // The engine mount, then a system mount that takes a weapon.
        const auto fit = [&](int32_t mount, const std::function<bool(const System *)> &wanted, ScreenSpot *card_at,
                             ScreenSpot *row_at, std::string *name) {
            *card_at = click_on(design_mount_card(configure, mount));
            driver.frames(30);
            Control *rows = child(child(configure, DESIGN_ID_PICKER), PICKER_ID_ROWS);
            Control *view = child(configure, DESIGN_ID_PICKER);
            if (!rows || !view) return false;
            for (Control *row : panel_of(rows)->children.items) {
                if (!row) break;
                const System *s = static_cast<const System *>(row->user_data);
                if ((row->flags & CTRL_REMOVED) || !row->on_click || !wanted(s) || !inside(row, view)) continue;
                *name = s->name;
                *row_at = click_on(row);
                driver.frames(40);
                return ship->crits[mount].system && ship->crits[mount].system->name == *name;
            }
            driver.press(27);
            driver.frames(20);
            return false;
        };
        for (int32_t i = 0; i < ship->crit_count && !plan.engine_fitted; ++i)
            if (ship->crits[i].mount_type == MOUNT_ENGINE)
                plan.engine_fitted = fit(i, [](const System *s) { return s && s->type == SYSTEM_TYPE_ENGINE; },
                                         &plan.engine_card, &plan.engine_row, &plan.engine_name);
        ASSERT_TRUE(plan.engine_fitted) << "an engine from the picker";
        for (int32_t i = 0; i < ship->crit_count && !plan.weapon_fitted; ++i)
            if (ship->crits[i].mount_type == MOUNT_SYSTEM && !ship->crits[i].system)
                plan.weapon_fitted = fit(i, is_weapon, &plan.weapon_card, &plan.weapon_row, &plan.weapon_name);
        ASSERT_TRUE(plan.weapon_fitted) << "a weapon from the picker";

        // The name: the entry edits on a click, the keys replace the text, Enter keeps it.
        Control *entry = child(configure, DESIGN_ID_NAME);
        ASSERT_NE(entry, nullptr);
        plan.name = click_on(entry);
        driver.frames(10);
        for (int i = 0; i < 12; ++i) driver.press(8);   // Backspace
        for (const char *c = DESIGN_NAME; *c; ++c) driver.press(*c);
        driver.press(13);
        driver.frames(20);
        plan.name_typed = text_entry_get_text(entry) ? text_entry_get_text(entry) : "";
        plan.accept = click_on(child(child(configure, DESIGN_ID_BUTTONS), DESIGN_ID_ACCEPT));
        driver.frames(80);
        plan.designs_after = player_design_count(ui);
        ASSERT_EQ(plan.designs_after, plan.designs_before + 1) << "Accept keeps the design";
        GameObject *fresh = player_get_design_at(ui, plan.designs_after - 1);
        plan.design_id = fresh->id;

        // The shipyard's chooser lists it again: its row opens the summary, whose Build starts it.
        site_panel = galaxy_object_panel_find(GALAXY_PANEL_SITE);
        designs = design_list_state(child(site_panel, SITE_PANEL_ID_DESIGN_LIST));
        ASSERT_NE(designs, nullptr) << "the shipyard's chooser after Accept";
        Control *row = nullptr;
        for (size_t i = 0; i < designs->designs.items.size() && i < designs->rows.items.size(); ++i)
            if (designs->designs.items[i] == fresh) row = designs->rows.items[i];
        ASSERT_NE(row, nullptr) << "the new design's row";
        Control *list_again = child(site_panel, SITE_PANEL_ID_DESIGN_LIST);
        scroll_to(list_again, row, &plan.list_arrow_again, &plan.arrow_clicks_again);
        ASSERT_TRUE(inside(row, list_again)) << "the new design's row in the chooser's view";
        plan.design_row = click_on(row);
        driver.frames(50);
        Control *summary = galaxy_object_panel_find(GALAXY_PANEL_DESIGN_SUMMARY);
        Control *build_design = button_captioned(summary, "Build");
        ASSERT_TRUE(build_design && control_is_enabled(build_design)) << "Build on the design summary";
        plan.build_design = click_on(build_design);
        driver.frames(60);
        plan.yard_item = yard->item_id;
        driver.press(27);
        driver.frames(30);
    }

    void lists(DesignResearchPlan &plan) {
        driver.press('3');
        driver.frames(50);
        if (OfficerListState *s = officers_list_state(galaxy_screen()->side_panels[GALAXY_LIST_OFFICERS]))
            plan.officer_rows = int32_t(s->rows.items.size());
        driver.press('5');
        driver.frames(50);
        Control *corp = galaxy_screen()->side_panels[GALAXY_LIST_CORP];
        plan.corp_shown = corp && control_is_shown(corp) && child(corp, CORP_ID_TOTALS);
    }

    bool begin(const std::string &save_home) {
        SetUp();
        home_back.emplace("XDG_DATA_HOME");
        ::setenv("XDG_DATA_HOME", save_home.c_str(), 1);
        const ::testing::AssertionResult started = driver.start();
        EXPECT_TRUE(started);
        driver.draw = false;
        for (int type = 0; type < PICTURE_TYPES; ++type)
            if (image_control_load_type(type) == RES_OK) types.push_back(type);
        return started;
    }
    void end() {
        galaxy_object_panels_close();
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

}  // namespace

// What a save holds of the road's work: the technology queued, the design by its name, and what
// the shipyard builds.
struct DesignResearchKept {
    bool     read = false;
    bool     tech_active = false;
    uint64_t design_id = 0;   // of the design named DESIGN_NAME; 0: none
    int32_t  design_hull = -1;
    bool     engine = false, weapon = false;
    uint64_t yard_item = 0;
};

class DesignResearchSaveReader : public ModelGame {
public:
    void TestBody() override {}
    DesignResearchKept read(const std::string &path, int32_t tech, uint64_t yard_id) {
        DesignResearchKept k;
        SetUp();
        if (game_load_file(game, path.c_str(), 0) == RES_OK && game->ui_player) {
            Player *ui = game->ui_player;
            k.read = true;
            k.tech_active = tech >= 0 && player_is_research_active(ui, tech);
            for (int32_t i = 0; i < player_design_count(ui); ++i) {
                Ship *d = ship_of(player_get_design_at(ui, i));
                if (!d || d->ship_name != DESIGN_NAME) continue;
                k.design_id = d->id;
                k.design_hull = d->subtype;
                for (int32_t m = 0; m < d->crit_count; ++m) {
                    k.engine |= d->crits[m].system && d->crits[m].system->type == SYSTEM_TYPE_ENGINE;
                    k.weapon |= is_weapon(d->crits[m].system);
                }
            }
            if (const Site *yard = site_cast(game_find_object(game, yard_id))) k.yard_item = yard->item_id;
        }
        TearDown();
        return k;
    }
};

class DesignResearchEndToEnd : public galaxy_road::Road {
protected:
    DesignResearchEndToEnd() : Road(DESIGN_RESEARCH_ROAD) {}
};

TEST_F(DesignResearchEndToEnd, ResearchATechnologyDesignAShipBuildItAndLookOverOfficersAndCorporation) {
    const std::string save_home = dir + "/save";
    write_prefs(save_home, 0);   // no automatic passing
    const std::string folder = save_home + "/Astrovane";
    galaxy_road::ScreenProbe menu_probe;
    const galaxy_road::ScreenProbe::MenuSpots menu = menu_probe.galaxy_menu(save_home);
    ASSERT_TRUE(menu.save_game.ok() && menu.save.ok());

    GameWindow game(display, dir, save_home);
    start(game, "design_research.log");
    new_game(game);
    ASSERT_TRUE(galaxy_road::save_from_menu(game, menu, folder + "/000.sav")) << game.log();
    RoadProbe probe;
    const DesignResearchPlan plan = probe.road(save_home, folder + "/000.sav");
    ASSERT_FALSE(HasFatalFailure()) << "the probe walked the whole road";
    // What the probe saw the real program must do too: Research queued the technology and paid
    // for it, the design kept its name, hull and systems, and Build started it at the shipyard.
    EXPECT_TRUE(plan.tech_queued) << plan.tech_name;
    EXPECT_EQ(plan.credits_after_research, plan.credits_before_research - plan.tech_credits);
    EXPECT_EQ(plan.name_typed, DESIGN_NAME);
    EXPECT_EQ(plan.designs_after, plan.designs_before + 1);
    EXPECT_EQ(plan.yard_item, plan.design_id) << "the shipyard builds the new design";
    EXPECT_NE(plan.hull_label.find("Class"), std::string::npos) << "the picked hull's figures: " << plan.hull_label;
    EXPECT_GT(plan.officer_rows, 0) << "'3' lists the officers";
    EXPECT_TRUE(plan.corp_shown) << "'5' shows the corporation summary";

    // Research.
    game.step(DESIGN_RESEARCH_ROAD, "research " + plan.tech_name);
    const ScreenBox map = galaxy_road::STAR_MAP;
    const DecodedPng star_map = game.shot(DESIGN_RESEARCH_ROAD, "00_star_map");
    game.key("4");
    const DecodedPng tech_list = game.shot_when_changed(DESIGN_RESEARCH_ROAD, "01_technology_list", star_map,
        {0, 40, 512, 740}, 3000, "the technology list at the left");
    EXPECT_GT(pixels_changed(star_map, tech_list, 0, 40, 512, 740), 3000) << "the technology list at the left";
    game.click(plan.tech_row.x, plan.tech_row.y);
    const DecodedPng detail = game.shot_when_changed(DESIGN_RESEARCH_ROAD, "02_technology_detail", tech_list,
        {0, 40, 1024, 740}, 5000, std::string("the panel of ") + plan.tech_name);
    EXPECT_GT(pixels_changed(tech_list, detail, 0, 40, 1024, 740), 5000) << "the panel of " << plan.tech_name;
    game.click(plan.research.x, plan.research.y);
    const DecodedPng queued = game.shot_when_changed(DESIGN_RESEARCH_ROAD, "03_technology_queued", detail,
        {0, 40, 1024, 740}, 200, std::string(plan.tech_name) + " queued");
    EXPECT_GT(pixels_changed(detail, queued, 0, 40, 1024, 740), 200) << plan.tech_name << " queued";
    game.key("Escape");
    galaxy_road::rested(game);
    if (plan.list_left_open) {
        game.key("4");
        galaxy_road::rested(game);
    }

    // The shipyard's chooser and a new design.
    game.step(DESIGN_RESEARCH_ROAD, "the shipyard's chooser and a new design");
    game.click_for(plan.home.x, plan.home.y, "the home sector's panel", map, 2000);
    const DecodedPng sector = game.shot(DESIGN_RESEARCH_ROAD, "04_home_sector_panel");
    game.click(plan.yard_icon.x, plan.yard_icon.y);
    const DecodedPng yard = game.shot_when_changed(DESIGN_RESEARCH_ROAD, "05_shipyard_panel", sector,
        {0, 40, 1024, 740}, 3000, "the shipyard's panel");
    EXPECT_GT(pixels_changed(sector, yard, 0, 40, 1024, 740), 3000) << "the shipyard's panel";
    game.click_for(plan.build.x, plan.build.y, "the design chooser", map, 500);
    for (int i = 0; i < plan.arrow_clicks; ++i)
        game.click_for(plan.list_arrow.x, plan.list_arrow.y, "the design list scrolled", map, 50);
    const DecodedPng chooser = game.shot(DESIGN_RESEARCH_ROAD, "06_design_chooser");
    game.click_for(plan.new_design.x, plan.new_design.y, "the type chooser", map, 2000);
    game.click(plan.hull_card.x, plan.hull_card.y);
    const DecodedPng types = game.shot_when_changed(DESIGN_RESEARCH_ROAD, "07_type_chooser", chooser,
        {0, 40, 1024, 740}, 8000, "the type chooser with a hull picked");   // the hull's picture loads
    EXPECT_GT(pixels_changed(chooser, types, 0, 40, 1024, 740), 8000) << "the type chooser with a hull picked";
    game.click(plan.configure.x, plan.configure.y);
    const DecodedPng editor = game.shot_when_changed(DESIGN_RESEARCH_ROAD, "08_design_editor", types,
        {0, 40, 1024, 740}, 5000, "the editor");
    EXPECT_GT(pixels_changed(types, editor, 0, 40, 1024, 740), 5000) << "the editor";
    game.click(plan.engine_card.x, plan.engine_card.y);
    const DecodedPng picker = game.shot_when_changed(DESIGN_RESEARCH_ROAD, "09_editor_with_the_picker", editor,
        {0, 40, 1024, 740}, 2000, "the picker open on the engine mount");
    EXPECT_GT(pixels_changed(editor, picker, 0, 40, 1024, 740), 2000) << "the picker open on the engine mount";
    game.click_for(plan.engine_row.x, plan.engine_row.y, "the engine fitted, the picker closed", map, 500);
    game.click_for(plan.weapon_card.x, plan.weapon_card.y, "the picker on a weapon mount", map, 2000);
    game.shot(DESIGN_RESEARCH_ROAD, "10_picker_on_a_weapon_mount");
    game.click_for(plan.weapon_row.x, plan.weapon_row.y, "the weapon fitted, the picker closed", map, 500);
    const ScreenBox name_box{plan.name.x - 100, plan.name.y - 12, plan.name.x + 100, plan.name.y + 12};
    game.click_for(plan.name.x, plan.name.y, "the name's edit begun", name_box, 5);
    for (int i = 0; i < 12; ++i) game.key("BackSpace");
    game.type(DESIGN_NAME);
    game.key("Return");
    galaxy_road::rested(game);
    const DecodedPng fitted = game.shot(DESIGN_RESEARCH_ROAD, "11_fitted_and_named");
    game.click(plan.accept.x, plan.accept.y);
    game.changed(fitted, map, 5000, "the editor gone, the chooser back");

    // The new design built from the shipyard's chooser.
    game.step(DESIGN_RESEARCH_ROAD, "the new design built");
    for (int i = 0; i < plan.arrow_clicks_again; ++i)
        game.click_for(plan.list_arrow_again.x, plan.list_arrow_again.y, "the design list scrolled", map, 50);
    const DecodedPng listed = game.shot(DESIGN_RESEARCH_ROAD, "12_chooser_with_the_new_design");
    EXPECT_GT(pixels_changed(fitted, listed, 0, 40, 1024, 740), 5000) << "the editor gone, the chooser back";
    game.click(plan.design_row.x, plan.design_row.y);
    const DecodedPng summary = game.shot_when_changed(DESIGN_RESEARCH_ROAD, "13_design_summary", listed,
        {0, 40, 1024, 740}, 3000, std::string("the summary of ") + DESIGN_NAME);
    EXPECT_GT(pixels_changed(listed, summary, 0, 40, 1024, 740), 3000) << "the summary of " << DESIGN_NAME;
    game.click_for(plan.build_design.x, plan.build_design.y, "the summary gone on Build", map, 1000);
    game.shot(DESIGN_RESEARCH_ROAD, "14_shipyard_building");
    game.key("Escape");
    galaxy_road::rested(game);

    // The officers list and the corporation summary.
    game.step(DESIGN_RESEARCH_ROAD, "the officers list and the corporation summary");
    const DecodedPng before_lists = game.shot(DESIGN_RESEARCH_ROAD, "15_star_map_again");
    game.key("3");
    const DecodedPng officers = game.shot_when_changed(DESIGN_RESEARCH_ROAD, "16_officers_list", before_lists,
        {0, 40, 512, 740}, 3000, "the officers list at the left");
    EXPECT_GT(pixels_changed(before_lists, officers, 0, 40, 512, 740), 3000) << "the officers list at the left";
    game.key("5");
    const DecodedPng corporation = game.shot_when_changed(DESIGN_RESEARCH_ROAD, "17_corporation_summary", officers,
        {0, 40, 512, 740}, 3000, "the corporation summary at the left");
    EXPECT_GT(pixels_changed(officers, corporation, 0, 40, 512, 740), 3000) << "the corporation summary at the left";

    const galaxy_road::ScreenProbe::MenuSpots again = menu_probe.galaxy_menu(save_home);   // the save screen lists a save
    ASSERT_TRUE(again.save_game.ok() && again.save.ok());
    ASSERT_TRUE(galaxy_road::save_from_menu(game, again, folder + "/001.sav")) << game.log();
    DesignResearchSaveReader saved;
    const DesignResearchKept before = saved.read(folder + "/000.sav", plan.tech, plan.yard_id);
    const DesignResearchKept after = saved.read(folder + "/001.sav", plan.tech, plan.yard_id);
    ASSERT_TRUE(before.read && after.read);
    EXPECT_FALSE(before.tech_active);
    EXPECT_EQ(before.design_id, 0u);
    EXPECT_TRUE(after.tech_active) << plan.tech_name << " queued through the detail panel";
    ASSERT_NE(after.design_id, 0u) << "the design named \"" << DESIGN_NAME << "\"";
    EXPECT_EQ(after.design_hull, plan.hull);
    EXPECT_TRUE(after.engine && after.weapon) << "fitted with " << plan.engine_name << " and " << plan.weapon_name;
    EXPECT_EQ(after.yard_item, after.design_id) << "the shipyard builds the new design";

    finish(game);
}
