#pragma once
// The program's screens built in a road's own process over the same store and the road's save
// folder, with every picture type loaded as the program loads them: where a control stands on the
// screen, so the road clicks where the program draws it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "galaxy_road_support.h"
#include "game/headless.h"
#include "game/records.h"
#include "platform/random.h"
#include "screens/design/design_list_panel.h"
#include "screens/design/design_summary_panel.h"
#include "screens/galaxy/fleet_panel.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/sector_panel.h"
#include "screens/galaxy/status_bar.h"
#include "screens/news/news_panel.h"
#include "screens/research/tech_detail_panel.h"
#include "screens/research/tech_list.h"
#include "screens/saves/load_screen.h"
#include "screens/saves/save_screen.h"
#include "screens/sites/facility_panels.h"
#include "screens/sites/site_choosers.h"
#include "screens/sites/site_panel.h"
#include "screens/title/game_menu.h"
#include "screens/title/help_window.h"
#include "screens/title/new_game.h"
#include "screens/title/options_panel.h"
#include "screens/title/player_select.h"
#include "screens/title/title_mode.h"
#include "screens/title/title_test_support.h"
#include "support/state_guards.h"
#include "ui/choice.h"
#include "ui/dialog.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "world/factory.h"
#include "world/fleet.h"
#include "world/sector.h"
#include "world/site.h"
#include "world/ship.h"

namespace galaxy_road {

constexpr int PICTURE_TYPES = 213;   // every picture type, as the program's loading screen loads them

struct ScreenSpot {
    int x = -1, y = -1;
    bool ok() const { return x >= 0 && y >= 0; }
};

inline ScreenSpot centre_of(const Control *c) {
    if (!c) return {};
    int x = 0, y = 0;
    control_get_screen_position(c, &x, &y);
    return {x + c->w / 2, y + c->h / 2};
}

inline Control *child(Control *panel, int id) { return panel ? panel_find_child(panel, id) : nullptr; }

struct ScreenRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

inline ScreenRect rect_of(const Control *c) {
    ScreenRect r;
    if (!c) return r;
    control_get_screen_position(c, &r.x0, &r.y0);
    r.x1 = r.x0 + c->w;
    r.y1 = r.y0 + c->h;
    return r;
}

// The first live control under `root` (itself included) that `match` accepts.
inline Control *find_control(Control *root, const std::function<bool(Control *)> &match) {
    if (!root || (root->flags & CTRL_REMOVED)) return nullptr;
    if (match(root)) return root;
    if (const Panel *p = panel_of(root))
        for (Control *c : p->children.items) {
            if (!c) break;
            if (Control *found = find_control(c, match)) return found;
        }
    return nullptr;
}

// An enabled button with the caption (a refused one is highlighted and carries its reason).
inline Control *live_button(Control *root, const std::string &caption) {
    return find_control(root, [&](Control *c) {
        return image_of(c) && title_test::caption_of(c) == caption && !image_control_is_highlighted(c) &&
               control_is_enabled(c);
    });
}

// A button with the caption, whatever its state.
inline Control *button_captioned(Control *root, const std::string &caption) {
    return find_control(root, [&](Control *c) { return c->type == CONTROL_IMAGE && title_test::caption_of(c) == caption; });
}

inline bool spot_on_screen(const ScreenSpot &s) { return s.ok() && s.x < GFX_WIDTH && s.y < GFX_HEIGHT; }

// Whether a control stands wholly inside another on the screen (a row inside its list's view).
inline bool inside(const Control *c, const Control *view) {
    int x = 0, y = 0, vx = 0, vy = 0;
    control_get_screen_position(c, &x, &y);
    control_get_screen_position(view, &vx, &vy);
    return x >= vx && y >= vy && x + c->w <= vx + view->w && y + c->h <= vy + view->h;
}

// Where a new player's first run puts what the road clicks: the help window's title bar (it
// closes the help), the options panel's galaxy and combat speed choices with their "Fastest" items,
// the human slot's name box on the new-game screen, the player selection's create row and the name
// entry it opens.
struct FrontDoorSpots {
    ScreenSpot help_title;
    ScreenSpot galaxy_speed, galaxy_fastest, combat_speed, combat_fastest;
    ScreenSpot slot0_name, create_row, name_entry;
    bool ok() const {
        return help_title.ok() && galaxy_speed.ok() && galaxy_fastest.ok() && combat_speed.ok() && combat_fastest.ok() &&
               slot0_name.ok() && create_row.ok() && name_entry.ok();
    }
};

// The first run played headless in this process over the generated store with the shipped player
// records (a save folder of the probe's own), the title entered through the real mode switch, and
// the road's keys and clicks.
inline FrontDoorSpots probe_front_door() {
    FrontDoorSpots spots;
    using title_test::TitleDriver;
    GameFieldsGuard fields_back;
    EnvGuard home_back{"XDG_DATA_HOME"};
    const std::string home = fresh_test_dir("whole_road_front_door_probe");
    ::setenv("XDG_DATA_HOME", home.c_str(), 1);
    ui_test::use_generated_store();
    Game *game = game_get();
    EXPECT_EQ(records_load(game), RES_OK);   // no records.dat yet: the shipped records, default slots
    title_test::give_title_pictures();

    TitleDriver driver;
    EXPECT_TRUE(driver.start());
    driver.draw = false;
    game->flags |= GAME_FLAG_FIRST_RUN;
    game->flags &= ~GAME_FLAG_BOOT_LOG_SHOWN;
    game->help_topic = 0;
    TitleDriver::enter();
    driver.frames(5);

    Control *help = TitleDriver::find(CONTROL_ID_HELP);
    spots.help_title = centre_of(child(help, 100001));
    if (Control *bar = child(help, 100001)) driver.click(bar);
    driver.frames(30);
    EXPECT_EQ(TitleDriver::find(CONTROL_ID_HELP), nullptr) << "the help window's title bar closes it";

    driver.press('o');
    driver.frames(30);
    Control *sub = child(TitleDriver::find(TITLE_ID_MENU), GAME_MENU_SUBPANEL_ID);
    OptionsState *options = sub ? options_panel_state(sub) : nullptr;
    EXPECT_NE(options, nullptr) << "'o' opens the options panel";
    // A row's choice opened, and its "Fastest" picked.
    const auto fastest = [&](size_t row, ScreenSpot *choice_at, ScreenSpot *item_at) {
        if (!options || !options->rows || options->rows->items.size() <= row) return;
        Control *choice = child(options->rows->items[row], 100003);
        *choice_at = centre_of(choice);
        if (choice) driver.click(choice);
        driver.frames(20);
        Control *item = nullptr;
        if (Panel *list = panel_of(TitleDriver::find(CHOICE_POPUP_ID)))
            for (Control *r : list->children.items) {
                if (!r) break;
                if (title_test::texts_of(r) == "Fastest") item = r;
            }
        *item_at = centre_of(item);
        if (item) driver.click(item);
        driver.frames(20);
    };
    fastest(3, &spots.galaxy_speed, &spots.galaxy_fastest);   // "Galaxy Speed"
    fastest(4, &spots.combat_speed, &spots.combat_fastest);   // "Combat Speed"
    EXPECT_EQ(game->galaxy_speed, 500) << "the galaxy speed's Fastest";
    EXPECT_EQ(game->combat_speed, 30) << "the combat speed's Fastest: the shortest pauses";
    driver.press(27);
    driver.frames(30);

    driver.press('n');
    driver.frames(30);
    sub = child(TitleDriver::find(TITLE_ID_MENU), GAME_MENU_SUBPANEL_ID);
    NewGameState *setup = sub ? new_game_state(sub) : nullptr;
    EXPECT_NE(setup, nullptr) << "'n' opens the new-game screen";
    if (setup && setup->slots && !setup->slots->items.empty()) {
        Control *name_box = child(setup->slots->items[0], NEW_GAME_NAME_BOX_ID);
        spots.slot0_name = centre_of(name_box);
        if (name_box) driver.click(name_box);
        driver.frames(30);
        Control *dialog = TitleDriver::find(CONTROL_ID_PLAYER_SELECT);
        Control *create = child(child(dialog, 100001), 100007);
        spots.create_row = centre_of(create);
        if (create) driver.click(create);
        driver.frames(20);
        spots.name_entry = centre_of(child(dialog, 100006));
    }
    driver.stop();
    (void)records_load(game);   // the shipped records again, as a test that loads them finds them
    title_free_images(game);
    return spots;
}

// A player's first orders on the star map as the probe walked them over a saved game: '4', the
// cheapest technology in view whose detail panel offers Research, Research; the home sector's panel,
// the starbase's icon, its Build, the first facility's row, the build panel's Build; the home
// sector's panel again, the shipyard's icon, its Build, the first design's row, the summary's Build.
// Where to click, and what each step left in the model.
struct OrdersPlan {
    ScreenSpot  tech_row, research;
    std::string tech_name;
    bool        tech_queued = false;
    bool        tech_list_left_open = false;   // the list stays when Escape takes the detail panel
    ScreenSpot  starbase_icon, starbase_build, facility_row, facility_build;
    ScreenSpot  shipyard_icon, shipyard_build, design_row, design_build;
    std::string facility;              // the facility laid down, as its row names it
    std::string facility_done;         // the news of its completion
    std::string design;                // the design the yard builds
    int32_t     facility_days = 0;     // the days each production takes when started
    int32_t     ship_days = 0;
    int32_t     credits_before = 0, credits_after = 0;
    bool        walked = false;
};

// The screens in this process over the road's save folder: a game (a seeded new one, or a save
// loaded) in the galaxy mode, or the title with no game.
class ScreenProbe : public ModelGame {
public:
    void TestBody() override {}

    // The galaxy's game menu: where its Save game and Main menu stand, and the Save button of the
    // save screen it opens (over the folder as it is now).
    struct MenuSpots {
        ScreenSpot save_game, main_menu, save;
    };
    MenuSpots galaxy_menu(const std::string &save_home) {
        MenuSpots spots;
        if (!begin(save_home)) return spots;
        random_seed(20261208);
        HeadlessOptions options;
        options.computer_players = 2;
        EXPECT_EQ(headless_new_game(game, options), RES_OK);
        if (enter_galaxy()) {
            close_news();
            driver.press('1');
            driver.frames(50);
            Control *menu = galaxy_screen()->side_panels[GALAXY_LIST_MENU];
            spots.save_game = centre_of(title_test::button_named(menu, "Save game"));
            spots.main_menu = centre_of(title_test::button_named(menu, "Main menu"));
            if (Control *button = title_test::button_named(menu, "Save game")) driver.click(button);
            driver.frames(60);
            Control *sub = child(menu, GAME_MENU_SUBPANEL_ID);
            EXPECT_NE(save_screen_state(sub), nullptr) << "Save game opens the save screen";
            spots.save = centre_of(child(child(sub, SAVE_SCREEN_BUTTONS_ID), SAVE_SCREEN_SAVE_ID));
        }
        end();
        return spots;
    }

    // The news panel as '6' opens it over the saved game: the lowest row wholly in view whose item
    // opens, and that item's text.
    struct NewsSpot {
        ScreenSpot row;
        std::string text;
    };
    NewsSpot news(const std::string &save_home, const std::string &save) {
        NewsSpot spot;
        if (!begin(save_home)) return spot;
        EXPECT_EQ(game_load_file(game, save.c_str(), 0), RES_OK) << save;
        if (enter_galaxy()) {
            close_news();
            driver.press('6');
            driver.frames(40);
            Control *panel = galaxy_screen()->side_panels[GALAXY_LIST_NEWS];
            Control *list = child(panel, NEWS_ID_LIST);
            const NewsPanelState *state = news_panel_state(panel);
            if (list && state) {
                int lx = 0, ly = 0;
                control_get_screen_position(list, &lx, &ly);
                for (Control *row : state->rows) {
                    int x = 0, y = 0;
                    control_get_screen_position(row, &x, &y);
                    if (!row->on_click || y < ly || y + row->h > ly + list->h) continue;
                    spot.row = centre_of(row);
                    const Alert *alert = news_panel_row_alert(row);
                    spot.text = alert ? alert->text : "";
                }
            }
        }
        end();
        return spot;
    }

    // The star map's status bar over the saved game: where its date and credits labels stand and
    // what they say.
    struct StatusLabels {
        ScreenRect  date, credits;
        std::string date_text, credits_text;
    };
    StatusLabels status(const std::string &save_home, const std::string &save) {
        StatusLabels labels;
        if (!begin(save_home)) return labels;
        EXPECT_EQ(game_load_file(game, save.c_str(), 0), RES_OK) << save;
        if (enter_galaxy()) {
            close_news();
            driver.frames(100);   // the credits ease to the player's
            const auto text = [](Control *c) {
                const TextLabel *t = text_label_of(c);
                return std::string(t && t->text ? t->text : "");
            };
            Control *date = child(galaxy_screen()->status_panel, GALAXY_STATUS_DATE_ID);
            Control *credits = child(galaxy_screen()->status_panel, GALAXY_STATUS_CREDITS_ID);
            labels.date = rect_of(date), labels.credits = rect_of(credits);
            labels.date_text = text(date), labels.credits_text = text(credits);
        }
        end();
        return labels;
    }

    // The order to attack a sector's automated defences, over a saved game where the UI player's
    // ships stand in it: a click on the sector opens its panel, whose zoom button enters the sector's
    // view; a click on the player's ships there opens their fleet panel, whose Attack gives the order.
    struct AttackSpots {
        ScreenSpot zoom, fleet, attack;
        bool ordered = false;   // every ship of the player in the sector carries the order
    };
    AttackSpots attack(const std::string &save_home, const std::string &save, const SectorSpot &target) {
        AttackSpots spots;
        if (!begin(save_home)) return spots;
        EXPECT_EQ(game_load_file(game, save.c_str(), 0), RES_OK) << save;
        factory_acquire_group_all(FACTORY_GROUP_FRAMES);
        EXPECT_EQ(factory_resolve_load_groups(), RES_OK);
        if (enter_galaxy()) {
            close_news();
            click_at({target.x, target.y});
            Control *panel = galaxy_object_panel_find(GALAXY_PANEL_SECTOR);
            spots.zoom = centre_of(child(child(panel, SECTOR_PANEL_BUTTONS), SECTOR_PANEL_ZOOM_BUTTON));
            if (spot_on_screen(spots.zoom)) click_at(spots.zoom);
            driver.frames(150);   // the zoom into the sector
            const Fleet *shown = nullptr;
            for (const List<GameObject> *list : {&game->sector_map->objects, &game->sector_map->pending})
                for (GameObject *o : list->items) {
                    if (!o) break;
                    if (const Fleet *f = fleet_of(o); f && !shown && f->owner_id == game->ui_player_id) shown = f;
                }
            EXPECT_NE(shown, nullptr) << "the player's ships in the view of " << target.name;
            if (shown) {
                const ObjectMap *map = shown->map ? shown->map : game->sector_map;
                spots.fleet = {shown->x - map->view_x + shown->w / 2, shown->y - map->view_y + shown->h / 2};
                click_at(spots.fleet);
                Control *fleet = galaxy_object_panel_find(GALAXY_PANEL_FLEET);
                spots.attack = centre_of(live_button(child(fleet, FLEET_PANEL_BUTTONS), "Attack"));
                if (spot_on_screen(spots.attack)) click_at(spots.attack);
            }
            spots.ordered = true;
            int ships = 0;
            for (GameObject *o : game->ui_player->objects.items) {
                if (!o) break;
                const Ship *ship = ship_of(o);
                if (!ship || ship->sector_id != target.id) continue;
                ++ships;
                spots.ordered = spots.ordered && (ship->ship_flags & SHIP_FLAG_ORDER_B);
            }
            spots.ordered = spots.ordered && ships > 0;
        }
        galaxy_object_panels_close();
        end();
        factory_release_all_groups(FACTORY_GROUP_FRAMES);
        EXPECT_EQ(factory_resolve_load_groups(), RES_OK);
        return spots;
    }

    // The first orders of OrdersPlan over the saved game, whose home sector stands at `home`.
    OrdersPlan orders(const std::string &save_home, const std::string &save, const SectorSpot &home) {
        OrdersPlan plan;
        if (!begin(save_home)) return plan;
        EXPECT_EQ(game_load_file(game, save.c_str(), 0), RES_OK) << save;
        // The ships' pictures, as the program loads them on its way to the star map: they size the
        // design rows and the summary.
        factory_acquire_group_all(FACTORY_GROUP_FRAMES);
        EXPECT_EQ(factory_resolve_load_groups(), RES_OK);
        if (enter_galaxy()) {
            close_news();
            plan.credits_before = game->ui_player->credits;
            research(plan);
            if (!::testing::Test::HasFatalFailure()) build_at_home(plan, home);
            plan.credits_after = game->ui_player->credits;
        }
        galaxy_object_panels_close();
        end();
        factory_release_all_groups(FACTORY_GROUP_FRAMES);
        EXPECT_EQ(factory_resolve_load_groups(), RES_OK);
        return plan;
    }

    // The title's 'l': the first row of the load screen (or the row of the save at `path`), its Load
    // button and the question's "Yes, load".
    struct LoadSpots {
        ScreenSpot row, load, yes;
        std::string row_path;
    };
    LoadSpots title_load(const std::string &save_home, const std::string &path = "") {
        LoadSpots spots;
        if (!begin(save_home)) return spots;
        game->flags |= GAME_FLAG_BOOT_LOG_SHOWN;   // the program comes back to its title
        game->flags &= ~GAME_FLAG_FIRST_RUN;
        title_test::give_title_pictures();
        title_test::TitleDriver::enter();
        const bool menu = driver.run_until([] {
            Control *button = title_test::button_named(title_test::TitleDriver::find(TITLE_ID_MENU), "Load game");
            return button && title_test::visible(button) && control_is_enabled(button);
        });
        EXPECT_TRUE(menu) << "the title's menu";
        driver.frames(30);
        driver.press('l');
        driver.frames(50);
        Control *sub = child(title_test::TitleDriver::find(TITLE_ID_MENU), GAME_MENU_SUBPANEL_ID);
        LoadScreenState *s = load_screen_state(sub);
        EXPECT_NE(s, nullptr) << "'l' opens the load screen";
        size_t at = 0;
        for (size_t i = 0; s && !path.empty() && i < s->list.rows.size(); ++i)
            if (const SaveHeader *h = save_list_header(&s->list, s->list.rows[i].index); h && h->path == path) at = i;
        if (s && !s->list.rows.empty()) {
            Control *row = s->list.rows[at].control;
            spots.row = centre_of(row);
            if (const SaveHeader *h = save_list_header(&s->list, s->list.rows[at].index)) spots.row_path = h->path;
            driver.click(row);
            driver.frames(20);
            Control *load = child(child(sub, LOAD_SCREEN_BUTTONS_ID), LOAD_SCREEN_LOAD_ID);
            spots.load = centre_of(load);
            if (load) driver.click(load);
            driver.frames(30);
            Control *dialog = child(sub, LOAD_SCREEN_DIALOG_ID);
            spots.yes = centre_of(child(child(dialog, DIALOG_ROW_ID), DIALOG_YES_ID));
        }
        end(true);
        return spots;
    }

private:
    // A player's click at a point: the pointer rests there a frame, the button goes down for a few.
    void click_at(const ScreenSpot &at) {
        ui_test::mouse_at(at.x, at.y);
        driver.frame();
        ui_test::left_down();
        driver.frames(3);
        ui_test::left_up();
        driver.frames(60);
    }

    // '4' and the technology rows in view the player can pay for, cheapest first: the first whose
    // detail panel offers Research is queued.
    void research(OrdersPlan &plan) {
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
        for (Control *row : rows) {
            const ScreenSpot at = centre_of(row);
            click_at(at);
            Control *detail = galaxy_object_panel_find(GALAXY_PANEL_TECH_DETAIL);
            Control *button = live_button(detail, "Research");
            if (tech_detail_tech(detail) != row->tag || !button) continue;
            plan.tech_row = at;
            plan.tech_name = tech_get(row->tag)->name;
            plan.research = centre_of(button);
            click_at(plan.research);
            plan.tech_queued = player_is_research_active(ui, row->tag);
            break;
        }
        ASSERT_TRUE(plan.tech_queued) << "a technology in view whose detail panel offers Research";
        driver.press(27);   // Escape: the detail panel goes
        driver.frames(20);
        plan.tech_list_left_open = control_is_shown(list);
        if (plan.tech_list_left_open) {
            driver.press('4');   // the list goes
            driver.frames(30);
        }
    }

    // The home sector's panel from the star map, and the icon of its site.
    ScreenSpot site_icon(const SectorSpot &home, const Site *site) {
        driver.press(27);
        driver.frames(30);
        click_at({home.x, home.y});
        Control *panel = galaxy_object_panel_find(GALAXY_PANEL_SECTOR);
        EXPECT_NE(panel, nullptr) << "a click on " << home.name << " opens its panel";
        Control *icon = find_control(child(panel, SECTOR_PANEL_SITE_ICONS), [&](Control *c) {
            const auto *id = static_cast<const uint64_t *>(c->user_data);
            return c->on_click && id && *id == site->id;
        });
        return centre_of(icon);
    }

    void build_at_home(OrdersPlan &plan, const SectorSpot &home) {
        Sector *sector = sector_of(game_find_object(game, home.id));
        ASSERT_NE(sector, nullptr);
        Site *base = sector_find_site_of_kind(sector, SITE_STARBASE);
        Site *yard = sector_find_site_of_kind(sector, SITE_SHIPYARD);
        ASSERT_TRUE(base && yard) << "the home sector's starbase and shipyard";

        plan.starbase_icon = site_icon(home, base);
        ASSERT_TRUE(spot_on_screen(plan.starbase_icon)) << "the starbase's icon on the sector panel";
        click_at(plan.starbase_icon);
        Control *site_panel = galaxy_object_panel_find(GALAXY_PANEL_SITE);
        ASSERT_EQ(site_panel_site(site_panel), base) << "the icon opens the starbase's panel";
        plan.starbase_build = centre_of(live_button(child(site_panel, SITE_PANEL_ID_BUTTONS), "Build"));
        ASSERT_TRUE(spot_on_screen(plan.starbase_build)) << "the starbase's Build, enabled";
        click_at(plan.starbase_build);
        FacilityChooserState *chooser = facility_chooser_state(child(site_panel, SITE_PANEL_ID_FACILITY_LIST));
        ASSERT_TRUE(chooser && list_count(&chooser->entries) > 0) << "Build opens the facility chooser";
        Control *row = list_get(&chooser->rows, 0);
        const TextLabel *name = text_label_of(child(row, FACILITY_ROW_ID_NAME));
        plan.facility = name && name->text ? name->text : "";
        plan.facility_row = centre_of(row);
        ASSERT_TRUE(spot_on_screen(plan.facility_row));
        click_at(plan.facility_row);
        Control *facility = galaxy_object_panel_find(GALAXY_PANEL_FACILITY_BUILD);
        ASSERT_NE(facility, nullptr) << "the row opens the facility build panel";
        plan.facility_build = centre_of(live_button(child(facility, FACILITY_PANEL_ID_BUTTONS), "Build"));
        ASSERT_TRUE(spot_on_screen(plan.facility_build)) << "the facility's Build, enabled";
        click_at(plan.facility_build);
        ASSERT_TRUE(site_production_info(base, nullptr, nullptr, &plan.facility_days, nullptr, nullptr))
            << "the starbase lays down the " << plan.facility;
        const Site *laid = site_template(base->item);
        ASSERT_NE(laid, nullptr) << "the starbase builds a facility";
        plan.facility_done = home.name + " sector - " + object_get_name(laid) + " complete";

        plan.shipyard_icon = site_icon(home, yard);
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
        plan.design_build = centre_of(child(child(summary, DESIGN_PANEL_ID_BUTTONS), DESIGN_PANEL_ID_BUILD));
        ASSERT_TRUE(spot_on_screen(plan.design_build)) << "the summary's Build";
        click_at(plan.design_build);
        ASSERT_TRUE(site_production_info(yard, nullptr, nullptr, &plan.ship_days, nullptr, nullptr))
            << "the shipyard builds the " << plan.design;
        plan.walked = true;
    }

    title_test::TitleDriver driver;
    GameFieldsGuard fields_back;
    std::optional<EnvGuard> home_back;
    std::vector<int> types;

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
    void end(bool title_pictures = false) {
        driver.stop();
        if (title_pictures) title_free_images(game);
        for (int type : types) image_control_free_type(type);
        types.clear();
        home_back.reset();
        TearDown();
    }
    bool enter_galaxy() {
        if (!game->ui_player) return false;
        title_test::TitleDriver::switch_to(APP_MODE_GALAXY);
        EXPECT_EQ(app_mode_current_id(), APP_MODE_GALAXY);
        driver.frames(100);   // the news of the moment comes in and the panels settle
        return app_mode_current_id() == APP_MODE_GALAXY;
    }
    // The news panel closed, as the game menu leaves it.
    void close_news() {
        Control *news = galaxy_screen()->side_panels[GALAXY_LIST_NEWS];
        if (news && control_is_shown(news)) {
            driver.press('6');
            driver.frames(30);
        }
    }
};

}  // namespace galaxy_road
