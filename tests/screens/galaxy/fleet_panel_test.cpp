// The fleet panel, its course selection, its orders and the fleet summary on a real seeded game:
// which commands a fleet's state offers, the list cut and its scrolling, the figures, the ship
// selection that splits a fleet, and the orders reaching the model.
#include "panels_test_support.h"

#include <functional>
#include <string>

#include "game/encounter.h"
#include "game/encounter_life.h"
#include "game/turn.h"
#include "platform/str.h"
#include "screens/galaxy/fleet_panel.h"
#include "screens/galaxy/fleet_summary.h"
#include "screens/galaxy/sector_panel.h"
#include "ui/image_control.h"
#include "ui/panel_slots.h"
#include "ui/scroll.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "views/ship_list.h"
#include "world/site_feature.h"

using namespace galaxy_test;

namespace {

using galaxy_test::readers::caption_of;
using galaxy_test::readers::kids;
using galaxy_test::readers::shows;
using galaxy_test::readers::text_of;
using galaxy_test::readers::walk;

// The panel's buttons, the scroll arrows and the ship rows' icons.
constexpr int FLEET_PANEL_IMAGE_TYPES[] = {IMAGE_MOVE, IMAGE_CLOSE, IMAGE_ATTACK, IMAGE_CANCEL, IMAGE_ARMOUR,
                                           IMAGE_COMBAT, IMAGE_COURSE, IMAGE_CREW, IMAGE_COMMANDER, IMAGE_RANK_FIRST,
                                           IMAGE_RANK_FIRST + 1, IMAGE_RANK_FIRST + 2, IMAGE_RANK_FIRST + 3,
                                           IMAGE_RANK_FIRST + 4, IMAGE_RANK_LAST, IMAGE_ARROW_UP, IMAGE_ARROW_DOWN,
                                           IMAGE_CADET, IMAGE_SELECT_ALL, IMAGE_CLEAR_SELECTION, IMAGE_GATHER,
                                           IMAGE_RESCUE};
using title_test::KEY_ESCAPE;
constexpr uint32_t STARMAP_OWN = FLEET_PANEL_COMPACT | FLEET_PANEL_CLOSE | FLEET_PANEL_OWN;   // 11
constexpr uint32_t SECTOR_VIEW_OWN = FLEET_PANEL_COMPACT | FLEET_PANEL_CLOSE | FLEET_PANEL_SECTOR;   // 7

bool greyed(const Control *c) { return image_control_is_highlighted(c); }

// The stat row's value by label; "(none)" when the panel has no such row.
std::string row_value_or_none(Control *panel, const std::string &label) {
    std::string value = "(none)";
    walk(panel, [&](Control *row) {
        Control *v = panel_find_child(row, STAT_ROW_VALUE_ID);
        if (v && text_of(panel_find_child(row, STAT_ROW_LABEL_ID)) == label) value = text_of(v);
    });
    return value;
}

// The captions of the command row, in order.
std::vector<std::string> commands(Control *panel) {
    std::vector<std::string> out;
    for (Control *c : kids(panel_find_child(panel, FLEET_PANEL_BUTTONS))) out.push_back(caption_of(c));
    return out;
}
Control *command(Control *panel, const std::string &caption) {
    for (Control *c : kids(panel_find_child(panel, FLEET_PANEL_BUTTONS)))
        if (caption_of(c) == caption) return c;
    return nullptr;
}
// The value label of a box of the selection's column; "" when the box is gone.
std::string box_text(Control *panel, int id) {
    Control *box = panel_find_child(panel, id);
    return box ? text_of(panel_find_child(box, FLEET_PANEL_BOX_LABEL)) : "";
}

int g_slot_calls = 0;
void count_slot(Control *) { ++g_slot_calls; }

}  // namespace

class FleetPanel : public PanelsGame {
protected:
    Sector *home = nullptr, *destination = nullptr;
    Fleet *fleet = nullptr;
    std::vector<Ship *> ships;

    void SetUp() override {
        PanelsGame::SetUp();
        if (HasFatalFailure()) return;
        for (int type : FLEET_PANEL_IMAGE_TYPES)
            ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
        g_slot_calls = 0;
        make_fleet(3);
    }
    void TearDown() override {
        for (int type : FLEET_PANEL_IMAGE_TYPES) image_control_free_type(type);
        PanelsGame::TearDown();
    }

    // A fleet of the UI player's first `count` ships, beside their home sector.
    void make_fleet(int count) {
        ships = ui_ships_at_home(count, &home);
        ASSERT_EQ(int(ships.size()), count) << "seed " << SEED;
        for (GameObject *o : game->galaxy_map->objects.items)
            if (sector_of(o) && distance(o->x - home->x, o->y - home->y) > 150 && !destination) destination = sector_of(o);
        ASSERT_NE(destination, nullptr);
        fleet = form_fleet(ships, home->x + 30, home->y + 30);
    }

    // The fleet's object panel, filled by the galaxy screen, at a place where clicks land, its
    // entry flash over (the fleets travel meanwhile; `settle` 0 keeps them where they are).
    Control *open(GameObject *f, uint32_t options, bool settle = true) {
        galaxy_object_panels_close();
        Control *panel = galaxy_object_panel_open(GALAXY_PANEL_FLEET);
        galaxy_object_panel_set_object(panel, f);
        galaxy_show_fleet_panel(panel, f, int32_t(options));
        control_set_position(panel, 60, 40);
        game_flush_new_controls(game);
        if (settle) frames(30);
        return panel;
    }
    Control *open(uint32_t options = STARMAP_OWN) { return open(fleet, options); }

    void travel() {
        fleet_set_move_target(fleet, destination);
        ASSERT_TRUE(fleet->flags & OBJ_TRAVELLING) << "a fleet given a course travels";
    }

    Control *row_of(Control *panel, const Ship *ship) {
        ShipListState *s = ship_list_state(fleet_panel_ship_list(panel));
        for (int32_t i = 0; s && i < list_count(&s->ships); ++i)
            if (list_get(&s->ships, i) == ship) return list_get(&s->rows, i);
        return nullptr;
    }
};

// ---- Commands by state ----

TEST_F(FleetPanel, AnOwnFleetsCommandsFollowItsTravelAndTheirKeysReachTheModel) {
    Control *panel = open();
    EXPECT_EQ(commands(panel), std::vector<std::string>{"Move"}) << "stationary";
    EXPECT_NE(panel_find_child(panel_find_child(panel, FLEET_PANEL_BUTTONS), FLEET_PANEL_MOVE_BUTTON), nullptr);
    EXPECT_FALSE(panel_find_child(panel, FLEET_PANEL_STATUS));
    EXPECT_GE(panel->h, 250);

    travel();
    panel = open();
    EXPECT_EQ(commands(panel), (std::vector<std::string>{"Redirect", "Halt"})) << "in transit";
    EXPECT_EQ(text_of(panel_find_child(panel, FLEET_PANEL_STATUS)), "In transit");
    EXPECT_EQ(row_value_or_none(panel, "Destination"), object_get_name(destination));

    // Halt, by its key: the fleet stops where it is and its panel comes back without a course.
    galaxy_select_object(fleet);
    press('h');
    EXPECT_EQ(fleet->move_target, nullptr);
    EXPECT_FALSE(fleet->flags & OBJ_TRAVELLING);
    Control *again = galaxy_object_panel_find(GALAXY_PANEL_FLEET);
    ASSERT_NE(again, nullptr) << "the panel reopens";
    EXPECT_NE(again, panel);
    EXPECT_EQ(fleet_panel_fleet(again), fleet);
    EXPECT_EQ(row_value_or_none(again, "Destination"), "(none)");

    fleet_mark_retreated(fleet);
    travel();
    panel = open();
    EXPECT_TRUE(commands(panel).empty()) << "a retreating fleet takes no orders";
    EXPECT_EQ(text_of(panel_find_child(panel, FLEET_PANEL_STATUS)), "Retreating");
}

TEST_F(FleetPanel, CancellingADepartureSendsTheShipsBackToTheSectorTheyLeft) {
    fleet_set_origin_id(fleet, home->id);
    fleet_bar_meetings(fleet);
    travel();
    Control *panel = open();
    EXPECT_EQ(commands(panel), std::vector<std::string>{"Cancel"});
    EXPECT_EQ(text_of(panel_find_child(panel, FLEET_PANEL_STATUS)), "Departing");
    galaxy_select_object(fleet);
    object_add_ref(fleet);   // the test looks at the fleet after the map has let it go
    press('c');
    for (Ship *ship : ships) {
        EXPECT_EQ(ship->fleet_id, 0u);
        EXPECT_EQ(ship->sector_id, home->id);
    }
    EXPECT_EQ(fleet_ship_count(fleet), 0);
    EXPECT_TRUE(fleet->flags & OBJ_DEAD);
    object_release(fleet);
    EXPECT_EQ(screen()->selected, nullptr);
    EXPECT_EQ(galaxy_object_panel_find(GALAXY_PANEL_FLEET), nullptr);
}

TEST_F(FleetPanel, CancellingADepartureFromAFleetRejoinsThatFleet) {
    std::vector<Ship *> leaving(ships.begin(), ships.begin() + 2);
    Fleet *split = form_fleet(leaving, fleet->x + 10, fleet->y);
    fleet_set_origin_id(split, fleet->id);
    fleet_bar_meetings(split);
    fleet_set_move_target(split, destination);
    open(split, STARMAP_OWN);
    object_add_ref(split);   // looked at after the map has let it go
    press('c');
    EXPECT_EQ(fleet_ship_count(fleet), 3);
    for (Ship *ship : ships) EXPECT_EQ(ship->fleet_id, fleet->id);
    EXPECT_TRUE(split->flags & OBJ_DEAD);
    object_release(split);
}

TEST_F(FleetPanel, AFleetInABattleOffersCombatOnly) {
    Encounter *enc = encounter_create();
    ASSERT_NE(enc, nullptr);
    encounter_add_object(enc, ships[0]);
    ASSERT_EQ(game_add_encounter(game, enc), RES_OK);
    travel();
    Control *panel = open();
    EXPECT_EQ(commands(panel), std::vector<std::string>{"Combat"});
    panel_set_slot(panel, FLEET_SLOT_COMBAT, count_slot);
    press('c');
    EXPECT_EQ(g_slot_calls, 1);
}

TEST_F(FleetPanel, EscapeClosesThePanelAndAnEmptyFleetShowsNeitherListNorFigures) {
    Control *panel = control_addref(open());   // looked at after the sweep has let it go
    ASSERT_NE(panel_find_child(panel, FLEET_PANEL_CLOSE_BUTTON), nullptr);
    press(KEY_ESCAPE);
    frame();
    EXPECT_TRUE(panel->flags & CTRL_REMOVED);
    control_release(panel);

    Fleet *empty = fleet_create();
    ASSERT_NE(empty, nullptr);
    object_add_ref(empty);
    Control *bare = control_addref(panel_create_empty());
    fleet_panel_build(bare, empty, STARMAP_OWN);
    EXPECT_EQ(fleet_panel_ship_list(bare), nullptr);
    EXPECT_EQ(panel_find_child(bare, FLEET_PANEL_ROWS), nullptr);
    EXPECT_EQ(commands(bare), std::vector<std::string>{"Move"});
    EXPECT_EQ(panel_find_child(bare, FLEET_PANEL_BUTTONS)->x, 8);
    control_release(bare);
    object_release(empty);
}

// ---- The list ----

TEST_F(FleetPanel, TheListWidthFollowsTheShipCountAndAOneShipFleetsCourse) {
    struct Case {
        int ships;
        bool moving;
        uint32_t options;
        int width;
    };
    for (const Case c : {Case{1, false, STARMAP_OWN, 290}, Case{1, true, STARMAP_OWN, 400}, Case{1, false, 3, 400},
                         Case{2, false, STARMAP_OWN, 420}, Case{3, false, STARMAP_OWN, 442}}) {
        std::vector<Ship *> some(ships.begin(), ships.begin() + c.ships);
        Fleet *f = form_fleet(some, home->x + 40, home->y + 40);
        if (c.moving) fleet_set_move_target(f, destination);
        Control *panel = open(f, c.options);
        Control *list = fleet_panel_ship_list(panel);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->w, c.width) << c.ships << " ships, moving " << c.moving << ", options " << c.options;
        EXPECT_FALSE(panel_find_child(panel, FLEET_PANEL_SCROLL_BAR));
    }
}

TEST_F(FleetPanel, ALongListIsCutAt300AndScrollsByArrowsAndWheel) {
    for (Ship *ship : ships) {   // back home, where the new ships join them
        ship_set_fleet(ship, nullptr);
        ship_set_sector(ship, home);
    }
    std::vector<Ship *> many = ui_ships_at_home(60, &home);
    ASSERT_EQ(many.size(), 60u);
    Fleet *big = form_fleet(many, home->x + 40, home->y + 40);
    Control *panel = open(big, STARMAP_OWN);
    Control *list = fleet_panel_ship_list(panel);
    Control *bar = panel_find_child(panel, FLEET_PANEL_SCROLL_BAR);
    ASSERT_NE(list, nullptr);
    ASSERT_GT(fleet_panel_state(panel)->list_content_h, 300) << fleet_ship_count(big) << " ships, list " << list->w;
    ASSERT_NE(bar, nullptr);
    const int content = fleet_panel_state(panel)->list_content_h;
    EXPECT_EQ(list->h, 300);
    EXPECT_EQ(bar->x, list->x + list->w - 1);
    EXPECT_EQ(bar->y, list->y);
    EXPECT_GT(panel_find_child(panel, FLEET_PANEL_ROWS)->y, list->y + 300) << "the figures stand below the cut";

    int pos = 0, range = 0;
    scroll_bar_get(bar, &pos, &range);
    ASSERT_GT(range, 96);
    auto offset_at = [&](int p) { return int(int64_t(content - 300) * p / range); };

    click(panel_find_child(bar, SCROLL_NEAR_ARROW_ID));
    frame();
    scroll_bar_get(bar, &pos, nullptr);
    EXPECT_EQ(pos, 0) << "up at the top stays at the top";
    EXPECT_EQ(panel_of(list)->scroll_y, 0);

    click(panel_find_child(bar, SCROLL_FAR_ARROW_ID));
    frame();
    scroll_bar_get(bar, &pos, nullptr);
    EXPECT_EQ(pos, 96);
    EXPECT_EQ(panel_of(list)->scroll_y, offset_at(96));

    // Two notches down over the list, then one up over the bar.
    ui_test::mouse_at(70, list->y + 40 + 60);
    ui_test::wheel(2);
    frame();
    ui_test::wheel(0);
    scroll_bar_get(bar, &pos, nullptr);
    EXPECT_EQ(pos, 96 + 48);
    EXPECT_EQ(panel_of(list)->scroll_y, offset_at(144));

    for (int i = 0; i < 10; ++i) {
        click(panel_find_child(bar, SCROLL_FAR_ARROW_ID));
        frame();
    }
    scroll_bar_get(bar, &pos, nullptr);
    EXPECT_EQ(pos, range);
    EXPECT_EQ(panel_of(list)->scroll_y, content - 300) << "the last row ends at the cut";
}

TEST_F(FleetPanel, ARowClickedOutsideTheSelectionSelectsItsShip) {
    Control *panel = open();
    click(row_of(panel, ships[1]));
    frame();
    EXPECT_EQ(fleet_panel_picked_ship(panel), ships[1]);
    EXPECT_EQ(screen()->selected, ships[1]) << "the galaxy screen's ship pick ran";
}

// ---- Figures ----

TEST_F(FleetPanel, FiguresShowTheFleetAndItsArrivalInDays) {
    Control *panel = open();
    EXPECT_EQ(row_value_or_none(panel, "Ships"), "3");
    EXPECT_EQ(row_value_or_none(panel, "Mass"), str_format("%i KT", int(fleet->mass)));
    EXPECT_EQ(row_value_or_none(panel, "Power"), str_format("%i TW", int(fleet->capacity_total)));
    EXPECT_EQ(row_value_or_none(panel, "Speed"), str_format("%i pc/day", int(fleet->speed)));
    EXPECT_EQ(row_value_or_none(panel, "ETA"), "(none)") << "no course, no arrival";
    EXPECT_EQ(row_value_or_none(panel, "Destination"), "(none)");
    ASSERT_GT(fleet->speed, 0);

    // A target one day away, then two days away.
    const int speed = fleet->speed;
    for (int days : {1, 2}) {
        object_set_position(fleet, destination->x + destination->w / 2 - fleet->w / 2 - days * speed - speed / 2,
                            destination->y + destination->h / 2 - fleet->h / 2);
        fleet_set_move_target(fleet, nullptr);
        fleet_set_move_target(fleet, destination);
        panel = open(fleet, STARMAP_OWN, false);
        EXPECT_EQ(row_value_or_none(panel, "ETA"), days == 1 ? "1 day" : "2 days");
        EXPECT_EQ(row_value_or_none(panel, "Destination"), object_get_name(destination));
    }
}

// ---- The sector situation ----

class FleetPanelSector : public FleetPanel {
protected:
    // The UI player's ships of the sector as the sector view shows them: one display fleet.
    Fleet *shown_fleet(Sector *sector) {
        game_set_sector_contents(game, sector->id);
        for (GameObject *o : game->sector_map->objects.items)
            if (Fleet *f = fleet_of(o); f && f->owner_id == game->ui_player_id) return f;
        for (GameObject *o : game->sector_map->pending.items)
            if (Fleet *f = fleet_of(o); f && f->owner_id == game->ui_player_id) return f;
        ADD_FAILURE() << "no display fleet";
        return nullptr;
    }
    // The ships, out of their fleet, in the sector.
    void into(Sector *sector) {
        for (Ship *ship : ships) {
            ship_set_fleet(ship, nullptr);
            ship_set_sector(ship, sector);
        }
    }
    Sector *foreign_sector() {
        for (GameObject *o : game->galaxy_map->objects.items)
            if (Sector *s = sector_of(o); s && s->owner_id && s->owner_id != game->ui_player_id &&
                                          sector_find_site_of_kind(s, SITE_STARBASE))
                return s;
        return nullptr;
    }
    std::string situation(Control *panel) {
        Control *box = panel_find_child(panel, FLEET_PANEL_SITUATION);
        return box && !kids(box).empty() ? text_of(kids(box).front()) : "";
    }
};

TEST_F(FleetPanelSector, AForeignStarbaseComesBeforeResourcesAndItsAttackReachesTheShips) {
    // A foreign starbase's sector that has, or can be given, resources.
    Sector *foreign = nullptr;
    for (GameObject *o : game->galaxy_map->objects.items)
        if (Sector *s = sector_of(o); s && !foreign && s->owner_id && s->owner_id != game->ui_player_id &&
                                      sector_find_site_of_kind(s, SITE_STARBASE) &&
                                      (sector_find_gather_site(s) || sector_generate_feature(s, FEATURE_RESOURCES) == RES_OK))
            foreign = s;
    ASSERT_NE(foreign, nullptr) << "seed " << SEED;
    into(foreign);
    Fleet *shown = shown_fleet(foreign);
    ASSERT_NE(shown, nullptr);
    Control *panel = open(shown, SECTOR_VIEW_OWN);
    EXPECT_EQ(situation(panel), "Blockading");
    EXPECT_EQ(commands(panel), (std::vector<std::string>{"Attack", "Move"}));
    EXPECT_EQ(row_value_or_none(panel, "Speed"), str_format("%i pc/day", int(shown->speed)));
    const Site *starbase = sector_find_site_of_kind(foreign, SITE_STARBASE);
    EXPECT_TRUE(shows(panel, object_get_name(starbase)));
    Control *box = panel_find_child(panel, FLEET_PANEL_SITUATION), *rows = panel_find_child(panel, FLEET_PANEL_ROWS);
    ASSERT_TRUE(box && rows);
    EXPECT_EQ(box->x, rows->x + rows->w + 20) << "beside the figures";
    EXPECT_EQ(box->y, rows->y);
    EXPECT_GT(panel_find_child(panel, FLEET_PANEL_BUTTONS)->y, box->y + box->h) << "the buttons below the box";
    driver.save_screen("fleet_panel_blockade.png");   // for review

    galaxy_select_object(shown);
    press('a');
    for (Ship *ship : ships) EXPECT_TRUE(ship->ship_flags & SHIP_FLAG_ORDER_A);
    EXPECT_TRUE(shown->flags & OBJ_ROTATING);
    EXPECT_EQ(shown->target_heading, 45);

    panel = open(shown, SECTOR_VIEW_OWN);
    EXPECT_EQ(situation(panel), "Attacking");
    EXPECT_EQ(commands(panel), (std::vector<std::string>{"Abort", "Move"}));
    galaxy_select_object(shown);
    press('a');
    for (Ship *ship : ships) EXPECT_FALSE(ship->ship_flags & SHIP_FLAG_ORDER_A);
    EXPECT_EQ(shown->target_heading, 300);

    // Move: back to the star map, where the sector's panel opens with its ships to choose from.
    open(shown, SECTOR_VIEW_OWN);
    press('m');
    EXPECT_TRUE(has(GALAXY_FLAG_ZOOM_OUT));
    EXPECT_EQ(screen()->sector_after_zoom_id, foreign->id);
    for (int i = 0; i < 200 && has(GALAXY_FLAG_ZOOM_OUT); ++i) frames(1);
    ASSERT_FALSE(has(GALAXY_FLAG_ZOOM_OUT));
    Control *sector_panel = galaxy_object_panel_find(GALAXY_PANEL_SECTOR);
    ASSERT_NE(sector_panel, nullptr);
    ASSERT_GE(ships.size(), 2u) << "more than one ship to choose from";
    EXPECT_NE(panel_find_child(sector_panel, SECTOR_PANEL_SELECT_ALL), nullptr) << "the ship selection, open at once";
    EXPECT_EQ(screen()->sector_after_zoom_id, 0u);
    EXPECT_FALSE(screen()->sector_after_zoom_move) << "one Move opens one selection";
}

TEST_F(FleetPanelSector, DefensesGatheringAndRescueEachOfferTheirOrder) {
    // Unclaimed sectors given resources, then survivors; defenses that came with them are met first.
    bool seen_defenses = false;
    for (int32_t kind : {FEATURE_RESOURCES, FEATURE_SURVIVORS}) {
        Sector *s = nullptr;
        for (GameObject *o : game->galaxy_map->objects.items)
            if (Sector *c = sector_of(o); c && !s && !c->owner_id && c != destination && !sector_find_gather_site(c) &&
                                          !sector_find_defended_site(c) && !sector_find_site_of_kind(c, SITE_STARBASE) &&
                                          sector_generate_feature(c, kind) == RES_OK)
                s = c;
        ASSERT_NE(s, nullptr) << "feature " << kind << ", seed " << SEED;
        into(s);
        for (Ship *ship : ships) ship_set_pilot(ship, nullptr);
        Fleet *shown = shown_fleet(s);
        ASSERT_NE(shown, nullptr);
        Control *panel = open(shown, SECTOR_VIEW_OWN);

        if (Site *defended = sector_find_defended_site(s)) {
            seen_defenses = true;
            EXPECT_EQ(situation(panel), "Automated defenses detected");
            EXPECT_EQ(commands(panel), (std::vector<std::string>{"Attack", "Move"})) << "defenses come before the gathering";
            galaxy_select_object(shown);
            press('a');
            for (Ship *ship : ships) EXPECT_TRUE(ship->ship_flags & SHIP_FLAG_ORDER_B);
            panel = open(shown, SECTOR_VIEW_OWN);
            EXPECT_EQ(situation(panel), "Attacking");
            galaxy_select_object(shown);
            press('a');
            EXPECT_FALSE(fleet_any_ship_attacks_defences(shown));
            EXPECT_EQ(shown->target_heading, 300);
            defended->feature->defence_kind = FEATURE_DEFENCE_NONE;   // the defenders beaten
            panel = open(shown, SECTOR_VIEW_OWN);
        }

        const bool resources = kind == FEATURE_RESOURCES;
        EXPECT_EQ(situation(panel), resources ? "Resources detected" : "Life signs detected");
        Control *gather = command(panel, resources ? "Gather" : "Rescue");
        ASSERT_NE(gather, nullptr);
        EXPECT_TRUE(greyed(gather)) << "no officer aboard";
        EXPECT_EQ(std::string(image_of(gather)->tooltip_text ? image_of(gather)->tooltip_text : ""), "Officer required");
        galaxy_select_object(shown);
        press(resources ? 'g' : 'r');
        EXPECT_FALSE(fleet_any_ship_surveys(shown)) << "a greyed button is inert";

        // The order given all the same: the panel offers its Cancel.
        fleet_set_ships_survey(shown, true);
        panel = open(shown, SECTOR_VIEW_OWN);
        EXPECT_EQ(situation(panel), resources ? "Gathering" : "Rescuing");
        EXPECT_EQ(commands(panel), (std::vector<std::string>{"Cancel", "Move"}));
        galaxy_select_object(shown);
        press('c');
        EXPECT_FALSE(fleet_any_ship_surveys(shown));
        EXPECT_EQ(shown->target_heading, 300);
    }
    EXPECT_TRUE(seen_defenses) << "the new game's features come defended, seed " << SEED;
}

// ---- The course selection ----

TEST_F(FleetPanel, MoveSelectsEveryShipAndTheFiguresShowWhatStays) {
    Control *panel = open();
    press('m');
    frames(20);
    Control *list = fleet_panel_ship_list(panel);
    EXPECT_EQ(ship_list_count_selected(list), 3);
    EXPECT_EQ(row_value_or_none(panel, "Ships"), "0");
    for (const char *row : {"Mass", "Power", "Speed"}) EXPECT_EQ(row_value_or_none(panel, row), "-") << row;
    EXPECT_EQ(row_value_or_none(panel, "ETA"), "(none)") << "a stationary fleet has no ETA row";
    EXPECT_EQ(box_text(panel, FLEET_PANEL_BOX_SHIPS), "3");
    EXPECT_EQ(box_text(panel, FLEET_PANEL_BOX_MASS), str_format("%i KT", int(fleet->mass)));
    EXPECT_EQ(box_text(panel, FLEET_PANEL_BOX_POWER), str_format("%i TW", int(fleet->capacity_total)));
    EXPECT_EQ(box_text(panel, FLEET_PANEL_BOX_SPEED), str_format("%i pc/day", int(fleet->speed)));
    EXPECT_EQ(box_text(panel, FLEET_PANEL_BOX_DESTINATION), "") << "no new destination box when standing";
    EXPECT_TRUE(shows(panel, "Select ships"));
    EXPECT_FALSE(control_is_shown(panel_find_child(panel, FLEET_PANEL_KEPT_BUTTONS)));

    // One of three stays: the rows show it, the column the two that go.
    click(row_of(panel, ships[1]));
    frames(10);
    EXPECT_EQ(row_value_or_none(panel, "Ships"), "1");
    EXPECT_EQ(row_value_or_none(panel, "Mass"), str_format("%i KT", int(ships[1]->mass)));
    EXPECT_EQ(row_value_or_none(panel, "Power"), str_format("%i TW", int(ships[1]->capacity_used)));
    EXPECT_EQ(row_value_or_none(panel, "Speed"), str_format("%i pc/day", int(std::max(ships[1]->effective_mp, 1))));
    EXPECT_EQ(box_text(panel, FLEET_PANEL_BOX_SHIPS), "2");
    EXPECT_EQ(box_text(panel, FLEET_PANEL_BOX_MASS), str_format("%i KT", int(fleet->mass - ships[1]->mass)));
}

TEST_F(FleetPanel, TheSelectionStacksItsBoxesBesideTheFiguresAndItsButtonsBelowTheList) {
    travel();
    Control *panel = open();
    const int height = panel->h;
    press('r');
    frames(30);
    Control *rows = panel_find_child(panel, FLEET_PANEL_ROWS), *list = fleet_panel_ship_list(panel);
    ASSERT_TRUE(rows && list);
    int y = rows->y;
    for (int id : {FLEET_PANEL_BOX_DESTINATION, FLEET_PANEL_BOX_SHIPS, FLEET_PANEL_BOX_MASS, FLEET_PANEL_BOX_POWER,
                   FLEET_PANEL_BOX_SPEED}) {
        Control *box = panel_find_child(panel, id);
        ASSERT_NE(box, nullptr) << id;
        EXPECT_EQ(box->x, rows->x + rows->w - 1) << id;
        EXPECT_EQ(box->y, y) << id << ": 2 px below the one before";
        Control *label = panel_find_child(box, FLEET_PANEL_BOX_LABEL);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(box->h, label->h + 4) << id;
        y = box->y + box->h + 2;
    }
    Control *all = panel_find_child(panel, FLEET_PANEL_SELECT_ALL), *none = panel_find_child(panel, FLEET_PANEL_CLEAR_SELECTION);
    ASSERT_TRUE(all && none);
    EXPECT_EQ(all->x + all->w, list->x + list->w) << "at the list's right edge";
    EXPECT_EQ(all->y, list->y + list->h + 4);
    EXPECT_LT(none->x + none->w, all->x + 1) << "clear stands left of select-all";
    Control *column = panel_find_child(panel, FLEET_PANEL_BUTTONS);
    ASSERT_NE(column, nullptr);
    EXPECT_EQ(column->x, 4);
    EXPECT_EQ(column->y + column->h + 4, panel->h);
    EXPECT_GT(column->y, rows->y + rows->h) << "the buttons leave the figures readable";
    driver.save_screen("fleet_panel_selection.png");   // for review

    press(KEY_ESCAPE);
    frames(10);
    EXPECT_EQ(panel->h, height) << "the panel is back to its size";
}

TEST_F(FleetPanel, ClearGreysSetCourseSelectAllBringsItBackCancelRestoresTheCommands) {
    Control *panel = open();
    press('m');
    frames(20);
    Control *set_course = panel_find_child(panel_find_child(panel, FLEET_PANEL_BUTTONS), FLEET_PANEL_SET_COURSE);
    ASSERT_NE(set_course, nullptr);
    EXPECT_FALSE(greyed(set_course));

    click(panel_find_child(panel, FLEET_PANEL_CLEAR_SELECTION));
    frames(20);
    EXPECT_EQ(ship_list_count_selected(fleet_panel_ship_list(panel)), 0);
    EXPECT_TRUE(greyed(set_course));
    EXPECT_EQ(std::string(image_of(set_course)->tooltip_text), "No ships selected");
    EXPECT_EQ(row_value_or_none(panel, "Ships"), "3");
    EXPECT_EQ(box_text(panel, FLEET_PANEL_BOX_SHIPS), "") << "the column fades out";
    panel_set_slot(panel, FLEET_SLOT_SET_COURSE, count_slot);
    press('s');
    EXPECT_EQ(g_slot_calls, 0) << "a greyed Set Course is inert";

    click(panel_find_child(panel, FLEET_PANEL_SELECT_ALL));
    frames(20);
    EXPECT_EQ(ship_list_count_selected(fleet_panel_ship_list(panel)), 3);
    EXPECT_FALSE(greyed(set_course));
    EXPECT_EQ(box_text(panel, FLEET_PANEL_BOX_SHIPS), "3");
    press('s');
    EXPECT_EQ(g_slot_calls, 1);

    press(KEY_ESCAPE);
    frames(20);
    EXPECT_EQ(commands(panel), std::vector<std::string>{"Move"});
    EXPECT_TRUE(control_is_shown(panel_find_child(panel, FLEET_PANEL_BUTTONS)));
    EXPECT_EQ(panel_find_child(panel, FLEET_PANEL_KEPT_BUTTONS), nullptr);
    EXPECT_FALSE(shows(panel, "Select ships"));
    EXPECT_EQ(ship_list_count_selected(fleet_panel_ship_list(panel)), 0);
    EXPECT_EQ(row_value_or_none(panel, "Ships"), "3");
    EXPECT_EQ(row_value_or_none(panel, "Mass"), str_format("%i KT", int(fleet->mass)));

    press('m');   // a second selection starts
    frames(20);
    EXPECT_EQ(ship_list_count_selected(fleet_panel_ship_list(panel)), 3);
    EXPECT_EQ(row_value_or_none(panel, "Ships"), "0");
}

TEST_F(FleetPanel, RedirectKeepsTheDestinationAndShowsTheRemainingShipsArrival) {
    travel();
    Control *panel = open();
    press('r');
    frames(20);
    EXPECT_EQ(box_text(panel, FLEET_PANEL_BOX_DESTINATION), "(New destination)");
    EXPECT_EQ(row_value_or_none(panel, "ETA"), "-");
    EXPECT_EQ(row_value_or_none(panel, "Destination"), object_get_name(destination));
    EXPECT_FALSE(control_is_shown(panel_find_child(panel, FLEET_PANEL_STATUS)));

    click(row_of(panel, ships[0]));
    frames(10);
    const int speed = std::max(ships[0]->effective_mp, 1);
    const int days = std::max(fleet_distance_to_target(fleet) / speed, 1);
    EXPECT_EQ(row_value_or_none(panel, "ETA"), str_format("%i day%s", days, days == 1 ? "" : "s"));

    press(KEY_ESCAPE);
    frames(20);
    EXPECT_TRUE(control_is_shown(panel_find_child(panel, FLEET_PANEL_STATUS)));
    EXPECT_EQ(commands(panel), (std::vector<std::string>{"Redirect", "Halt"}));
}

TEST_F(FleetPanel, AOneShipFleetGoesStraightToTheCourseSlots) {
    std::vector<Ship *> one(ships.begin(), ships.begin() + 1);
    Fleet *lone = form_fleet(one, home->x + 40, home->y + 40);
    Control *panel = open(lone, STARMAP_OWN);
    panel_set_slot(panel, FLEET_SLOT_SET_COURSE, count_slot);
    press('m');
    EXPECT_EQ(g_slot_calls, 1);
    EXPECT_FALSE(panel_find_child(panel, FLEET_PANEL_SELECT_PROMPT)) << "no selection view";

    fleet_set_move_target(lone, destination);
    panel = open(lone, STARMAP_OWN);
    panel_set_slot(panel, FLEET_SLOT_REDIRECT, count_slot);
    press('r');
    EXPECT_EQ(g_slot_calls, 2);
    EXPECT_FALSE(panel_find_child(panel, FLEET_PANEL_SELECT_PROMPT));
}

// The road a player takes: Move, leave one ship behind, pick a destination on the map.
TEST_F(FleetPanel, TheDestinationClickSplitsOffTheShipsSelectedInThePanel) {
    galaxy_select_object(fleet);
    Control *panel = open();
    press('m');
    frames(20);
    click(row_of(panel, ships[2]));
    frames(10);
    screen()->pick_mode = 0;
    galaxy_hover_set(destination);
    click_map();

    Fleet *split = fleet_of(game_find_object(game, ships[0]->fleet_id));
    ASSERT_NE(split, nullptr);
    ASSERT_NE(split, fleet);
    EXPECT_EQ(fleet_ship_count(split), 2);
    EXPECT_EQ(ships[1]->fleet_id, split->id);
    EXPECT_EQ(ships[2]->fleet_id, fleet->id) << "the deselected ship stays";
    EXPECT_EQ(split->move_target, destination);
    EXPECT_EQ(fleet->move_target, nullptr);
}

// ---- The fleet summary ----

class FleetSummary : public FleetPanel {
protected:
    Control *summary = nullptr;
    void SetUp() override {
        FleetPanel::SetUp();
        summary = control_addref(panel_create_empty());
    }
    void TearDown() override {
        control_release(summary);
        FleetPanel::TearDown();
    }
};

TEST_F(FleetSummary, InterceptEtaRoundsUpAndNeedsTheDistanceAndASpeed) {
    struct Case {
        int32_t distance, speed, options;
        std::string distance_row, eta_row;
    };
    for (const Case &c : {Case{250, 100, 6, "250 pc", "3 days"}, Case{200, 100, 6, "200 pc", "2 days"},
                          Case{50, 100, 6, "50 pc", "1 day"}, Case{250, 100, 4, "(none)", "(none)"},
                          Case{250, 0, 6, "250 pc", "(none)"}, Case{250, 100, 2, "250 pc", "(none)"}}) {
        fleet_summary_build(summary, fleet, c.distance, c.speed, c.options);
        EXPECT_EQ(row_value_or_none(summary, "Distance"), c.distance_row) << c.distance << " at " << c.speed << ", " << c.options;
        EXPECT_EQ(row_value_or_none(summary, "Intercept ETA"), c.eta_row) << c.distance << " at " << c.speed << ", " << c.options;
    }
}

TEST_F(FleetSummary, AStationaryFleetHasNoCourseRowsAMovingOneHasThem) {
    fleet_summary_build(summary, fleet, 0, 0, 0);
    EXPECT_EQ(text_of(kids(summary).front()), object_get_name(fleet));
    for (const char *row : {"Destination", "Speed", "ETA", "Stealth"}) EXPECT_EQ(row_value_or_none(summary, row), "(none)") << row;
    EXPECT_EQ(row_value_or_none(summary, "Mass"), str_format("%i KT", int(fleet->mass)));
    EXPECT_EQ(row_value_or_none(summary, "Power"), str_format("%i TW", int(fleet->capacity_total)));
    EXPECT_TRUE(shows(summary, game->ui_player->name));

    fleet_set_move_target(fleet, destination);
    fleet_summary_build(summary, fleet, 0, 0, 0);
    EXPECT_EQ(row_value_or_none(summary, "Destination"), object_get_name(destination));
    EXPECT_EQ(row_value_or_none(summary, "Speed"), str_format("%i pc/day", int(fleet->speed)));
    const int days = fleet_travel_time_to_target(fleet);
    EXPECT_EQ(row_value_or_none(summary, "ETA"), str_format("%i day%s", days, days == 1 ? "" : "s"));
}
