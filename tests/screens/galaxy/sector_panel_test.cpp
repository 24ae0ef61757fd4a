// The sector panel and its fleet move selection on a real seeded game: what an own sector shows,
// the Move and Combat orders, the selection view driven by keys and clicks, a long list's
// scrolling, a sector the viewer does not remember, and the road from a map click to a course.
#include "panels_test_support.h"

#include <algorithm>
#include <functional>
#include <string>

#include "game/encounter.h"
#include "game/turn.h"
#include "platform/colour_fade.h"
#include "screens/galaxy/sector_panel.h"
#include "ui/image_control.h"
#include "ui/scroll.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "views/ship_list.h"
#include "world/factory.h"
#include "world/site.h"
#include "world/site_feature.h"

using namespace galaxy_test;

namespace {

using galaxy_test::readers::template_of;
using galaxy_test::readers::text_of;

// Buttons, yield and production icons, the ship rows, the scroll arrows and the close button.
constexpr int SECTOR_PANEL_IMAGE_TYPES[] = {IMAGE_MOVE, IMAGE_CLOSE, IMAGE_DEFENCE_UPGRADE, IMAGE_ZOOM, IMAGE_CANCEL,
                                            IMAGE_CREDITS, IMAGE_ARMOUR, IMAGE_COMBAT, IMAGE_COURSE, IMAGE_CLOCK,
                                            IMAGE_CREW, IMAGE_COMMANDER, IMAGE_RANK_FIRST, IMAGE_RANK_FIRST + 1,
                                            IMAGE_RANK_FIRST + 2, IMAGE_RANK_FIRST + 3, IMAGE_RANK_FIRST + 4,
                                            IMAGE_RANK_LAST, IMAGE_STARBASE_CREW, IMAGE_ARROW_UP, IMAGE_ARROW_DOWN,
                                            IMAGE_CADET, IMAGE_SELECT_ALL, IMAGE_CLEAR_SELECTION, IMAGE_RESEARCH};
constexpr uint32_t ON_MAP = 0x1d, ON_MAP_OWN = 0x3d;

// Neither hidden nor removed (a show timer does not count).
bool live_and_shown(const Control *c) { return c && !(c->flags & (CTRL_HIDDEN | CTRL_REMOVED)); }
Control *kid(Control *panel, int id) { return panel ? panel_find_child(panel, id) : nullptr; }

// The stat rows' values by label ("-" for a missing row), in table order.
std::vector<std::pair<std::string, std::string>> table_rows(Control *table) {
    std::vector<std::pair<std::string, std::string>> out;
    for (int i = 0; Control *row = ui_stat_rows_row(table, i); ++i)
        out.emplace_back(text_of(kid(row, STAT_ROW_LABEL_ID)), text_of(kid(row, STAT_ROW_VALUE_ID)));
    return out;
}
std::string value_of(Control *table, const std::string &label) {
    for (auto &[l, v] : table_rows(table))
        if (l == label) return v;
    return "-";
}

int slot_calls = 0;
Control *slot_panel = nullptr;
void record_slot(Control *panel) {
    ++slot_calls;
    slot_panel = panel;
}

}  // namespace

class SectorPanel : public PanelsGame {
protected:
    Sector *home = nullptr;
    std::vector<Ship *> ships;

    void SetUp() override {
        PanelsGame::SetUp();
        if (HasFatalFailure()) return;
        for (int type : SECTOR_PANEL_IMAGE_TYPES)
            ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
        for (int32_t t = 0; t < SITE_TEMPLATE_COUNT; ++t) factory_acquire_group(OBJECT_SITE, t, FACTORY_GROUP_FRAMES);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        slot_calls = 0;
        slot_panel = nullptr;
    }
    void TearDown() override {
        galaxy_object_panels_close();
        frame();
        for (int type : SECTOR_PANEL_IMAGE_TYPES) image_control_free_type(type);
        PanelsGame::TearDown();
    }

    // The sector's panel as the map opens it, its slots 2 and 3 recording; frames run.
    Control *open(Sector *sector, uint32_t flags) {
        galaxy_object_panels_close();
        Control *panel = galaxy_object_panel_open(GALAXY_PANEL_SECTOR);
        galaxy_object_panel_set_object(panel, sector);
        galaxy_show_sector_panel(panel, sector, int32_t(flags));
        game_flush_new_controls(game);
        PanelCommandSlots *slots = panel_command_slots(panel);
        EXPECT_NE(slots, nullptr);
        if (slots) slots->slot[SECTOR_SLOT_SET_COURSE] = slots->slot[SECTOR_SLOT_COMBAT] = record_slot;
        frames(30);
        return panel;
    }
    // `count` of the UI player's ships at home, and a ship of another player there too.
    Ship *home_with_ships(int count) {
        ships = ui_ships_at_home(count, &home);
        EXPECT_EQ(int(ships.size()), count) << "seed " << SEED;
        for (Player *p : game->players->items) {
            if (!p || p == game->ui_player) continue;
            Ship *other = ship_of(player_build_ship_from_design(game->ui_player, 0));
            if (!other) break;
            player_commission_ship(p, other, nullptr, home);
            return other;
        }
        ADD_FAILURE() << "no other player's ship";
        return nullptr;
    }
    Control *list_of(Control *panel) { return sector_panel_ship_list(panel); }
    int visible_rows(Control *panel) { return ship_list_count_visible(list_of(panel)); }
    Control *row_of(Control *panel, const GameObject *ship) {
        ShipListState *s = ship_list_state(list_of(panel));
        for (size_t i = 0; s && i < s->ships.items.size(); ++i)
            if (s->ships.items[i] == ship) return s->rows.items[i];
        return nullptr;
    }
    Control *button(Control *panel, int id) { return kid(kid(panel, SECTOR_PANEL_BUTTONS), id); }
};

// ---- What the panel shows ----

TEST_F(SectorPanel, AnOwnSectorShowsItsNameOwnerYieldsAndTrainingDaysRoundedUp) {
    home_with_ships(1);
    ASSERT_NE(home, nullptr);
    Site *base = sector_find_site_of_kind(home, SITE_STARBASE);
    ASSERT_NE(base, nullptr);
    Site *school = sector_find_site_of_kind(home, SITE_TRAINING);
    if (!school) sector_add_site(home, school = site_create(SITE_TRAINING), 600, 100), school->owner_id = game->ui_player_id;
    ASSERT_EQ(site_start_production(school, 0, site_get_officer(school, 0)->id), RES_OK);
    school->remaining_min = 1441;   // one minute into a second day

    Control *panel = open(home, ON_MAP_OWN);
    EXPECT_EQ(text_of(kid(kid(panel, SECTOR_PANEL_HEADER), TITLE_LABEL_ID)),
              std::string(object_get_name(home)) + " sector");
    EXPECT_EQ(text_of(kid(panel, SECTOR_PANEL_OWNER_LABEL)), game->ui_player->name);
    // Bodies first, the starbase among the facilities after them.
    Control *icons = kid(panel, SECTOR_PANEL_SITE_ICONS);
    ASSERT_TRUE(live_and_shown(icons));
    int last_body = -1, starbase = -1;
    for (Control *c : panel_of(icons)->children.items) {
        const int t = c ? template_of(c) : -1;
        if (t < 0) continue;
        if (site_template(t)->params.template_flags & SITE_TF_LABELLED) last_body = std::max(last_body, c->x);
        if (t == SITE_STARBASE) starbase = c->x;
    }
    EXPECT_GE(last_body, 0);
    EXPECT_GT(starbase, last_body);
    Control *rows = kid(panel, SECTOR_PANEL_ROWS);
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(table_rows(rows).front().first, "Starbase crew");
    EXPECT_EQ(value_of(rows, "Starbase crew"), std::to_string(base->crew));
    for (auto &[label, value] : table_rows(rows))   // the others only when they count
        EXPECT_FALSE(value == "0" || value == "$0/day" || value == "0.0" || value == "0/week") << label;
    Control *training = kid(panel, SECTOR_PANEL_TRAINING_BOX);
    ASSERT_NE(training, nullptr);
    Control *days = nullptr;
    for (Control *c : panel_of(training)->children.items)
        if (c && text_label_of(c)) days = c;
    EXPECT_EQ(text_of(days), "2");
    EXPECT_GE(training->y, rows->y + rows->h) << "the boxes stand below the rows";
    EXPECT_GE(kid(panel, SECTOR_PANEL_BUTTONS)->x, rows->x + rows->w) << "the buttons beside them";

    site_rush(school);
    panel = open(home, ON_MAP_OWN);
    days = nullptr;
    for (Control *c : panel_of(kid(panel, SECTOR_PANEL_TRAINING_BOX))->children.items)
        if (c && text_label_of(c)) days = c;
    EXPECT_EQ(text_of(days), "0") << "rushed: done tonight";
}

TEST_F(SectorPanel, YieldRowsShowCrewAlwaysAndResearchInPointsWithOneDecimal) {
    home_with_ships(1);
    ASSERT_NE(home, nullptr);
    Site *base = sector_find_site_of_kind(home, SITE_STARBASE);
    ASSERT_NE(base, nullptr);
    // Research from the starbase alone, without bonuses: its crew times its factor.
    for (Site *site : home->sites.items)
        if (site) site->params.research_factor = 0;
    base->params.research_factor = 1;
    base->state &= ~(SITE_CREW_SHORT | SITE_UNDER_CONSTRUCTION | SITE_CONTESTED);
    game->ui_player->bonus[1] = 0;
    if (Site *lab = sector_find_site_with_feature(home, FEATURE_RESEARCH); lab && lab->feature) lab->feature->bonus = 0;
    Officer *commander = base->commander;
    base->commander = nullptr;
    for (auto [crew, shown_as] : {std::pair{400, "1.0"}, std::pair{600, "1.5"}}) {
        base->crew = crew;
        Control *rows = sector_yield_rows_create(home);
        ASSERT_NE(rows, nullptr);
        EXPECT_EQ(value_of(rows, "Research rating"), shown_as) << crew << " crew";
        EXPECT_EQ(value_of(rows, "Starbase crew"), std::to_string(crew));
        control_release(control_addref(rows));
    }
    base->commander = commander;

    // A sector without a starbase: crew 0 and nothing else.
    Sector *bare = first_sector();
    while (bare && sector_find_site_of_kind(bare, SITE_STARBASE)) bare = nullptr;
    for (GameObject *o : game->galaxy_map->objects.items)
        if (Sector *s = sector_of(o); s && !bare && !sector_find_site_of_kind(s, SITE_STARBASE) &&
                                      sector_harvest_income(s) <= 0 && sector_total_research_rate(s) <= 0)
            bare = s;
    ASSERT_NE(bare, nullptr);
    Control *rows = sector_yield_rows_create(bare);
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(table_rows(rows), (std::vector<std::pair<std::string, std::string>>{{"Starbase crew", "0"}}));
    control_release(control_addref(rows));
}

TEST_F(SectorPanel, TheCommandIsCombatWithAnEncounterThereMoveOtherwiseAndNoneWithoutOwnShips) {
    Ship *stranger = home_with_ships(2);
    ASSERT_NE(stranger, nullptr);
    Control *panel = open(home, ON_MAP_OWN);
    Control *move = button(panel, SECTOR_PANEL_MOVE_BUTTON);
    ASSERT_NE(move, nullptr);
    EXPECT_EQ(move->hotkey, 'm');
    EXPECT_NE(button(panel, SECTOR_PANEL_ZOOM_BUTTON), nullptr);

    // Seen by the other player, who has a ship there: its view has Move; without one, no command.
    Control *other = galaxy_object_panel_open(GALAXY_PANEL_SECTOR);
    sector_panel_build(other, home, stranger->owner_id, ON_MAP);
    EXPECT_NE(button(other, SECTOR_PANEL_MOVE_BUTTON), nullptr);
    ship_set_sector(stranger, nullptr);
    sector_panel_build(other, home, stranger->owner_id, ON_MAP);
    EXPECT_EQ(button(other, SECTOR_PANEL_MOVE_BUTTON), nullptr);
    EXPECT_NE(button(other, SECTOR_PANEL_ZOOM_BUTTON), nullptr) << "Zoom stays";

    Encounter *battle = encounter_create();
    battle->sector_id = home->id;
    ASSERT_EQ(game_add_encounter(game, battle), RES_OK);
    panel = open(home, ON_MAP_OWN);
    EXPECT_EQ(button(panel, SECTOR_PANEL_MOVE_BUTTON), nullptr);
    sector_panel_press_move(panel);
    EXPECT_EQ(kid(panel, SECTOR_PANEL_SELECT_PROMPT), nullptr) << "no Move to press";
    EXPECT_EQ(slot_calls, 0);
    press('c');
    EXPECT_EQ(slot_calls, 1) << "Combat calls slot 3";
    EXPECT_EQ(slot_panel, panel);
}

TEST_F(SectorPanel, ASectorMissingFromTheViewersMemoryShowsItsLiveNameUnclaimedAndItsShips) {
    home_with_ships(2);
    ASSERT_NE(home, nullptr);
    player_forget_object(game->ui_player, player_known_object_by_id(game->ui_player, home->id));
    ASSERT_EQ(player_known_object_by_id(game->ui_player, home->id), nullptr);
    Control *panel = open(home, ON_MAP_OWN);
    EXPECT_EQ(text_of(kid(kid(panel, SECTOR_PANEL_HEADER), TITLE_LABEL_ID)),
              std::string(object_get_name(home)) + " sector");
    EXPECT_EQ(text_of(kid(panel, SECTOR_PANEL_OWNER_LABEL)), "Unclaimed");
    EXPECT_EQ(kid(panel, SECTOR_PANEL_SITE_ICONS), nullptr);
    EXPECT_EQ(visible_rows(panel), sector_object_count(home));
    EXPECT_NE(kid(panel, SECTOR_PANEL_ROWS), nullptr) << "yields from the live sector";
}

// ---- Scrolling ----

TEST_F(SectorPanel, ALongListShows300PixelsAndScrollsByWheelAndArrowWithinItsContent) {
    home_with_ships(90);
    ASSERT_NE(home, nullptr);
    Control *panel = open(home, ON_MAP);
    Control *list = list_of(panel);
    Control *bar = kid(panel, SECTOR_PANEL_SCROLL_BAR);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(bar, nullptr) << "rows of " << list->h << " px for " << sector_object_count(home) << " objects";
    SectorPanelState *s = sector_panel_state(panel);
    ASSERT_GT(s->list_height, 300);
    EXPECT_EQ(list->h, 300);
    EXPECT_EQ(bar->y, list->y);
    EXPECT_LT(panel->h, list->y + s->list_height) << "the panel holds the shown part only";

    // One notch down over a row, then the bar's far arrow, then its near arrow twice.
    int position = 0, range = 0;
    int x = 0, y = 0;
    control_get_screen_position(list, &x, &y);
    ui_test::mouse_at(x + 30, y + 30);
    frame();
    ui_test::wheel(1);
    frame();
    scroll_bar_get(bar, &position, &range);
    EXPECT_EQ(position, 24);
    ASSERT_GT(range, 120);
    click(kid(bar, SCROLL_FAR_ARROW_ID));
    frame();
    scroll_bar_get(bar, &position, nullptr);
    EXPECT_EQ(position, 120);
    EXPECT_EQ(panel_of(list)->scroll_y, (s->list_height - 300) * 120 / range);
    for (int i = 0; i < 2; ++i) {
        click(kid(bar, SCROLL_NEAR_ARROW_ID));
        frame();
    }
    scroll_bar_get(bar, &position, nullptr);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(panel_of(list)->scroll_y, 0);

    // Notch after notch over the bar, far past the end.
    control_get_screen_position(kid(bar, SCROLL_TRACK_ID), &x, &y);
    for (int i = 0; i < 80; ++i) {
        ui_test::mouse_at(x + 2, y + 40);
        ui_test::wheel(3);
        frame();
    }
    scroll_bar_get(bar, &position, nullptr);
    EXPECT_EQ(position, range);
    EXPECT_EQ(panel_of(list)->scroll_y, s->list_height - 300) << "never past the last row";
}

// ---- The fleet move selection ----

TEST_F(SectorPanel, MoveWithOneObjectGoesStraightToSetCourse) {
    ships = ui_ships_at_home(1, &home);
    ASSERT_NE(home, nullptr);
    while (sector_object_count(home) > 1)   // the UI player's one ship alone
        for (int32_t i = 0; i < sector_object_count(home); ++i)
            if (sector_get_object(home, i) != ships[0]) {
                ship_set_sector(ship_of(sector_get_object(home, i)), nullptr);
                break;
            }
    Control *panel = open(home, ON_MAP_OWN);
    press('m');
    EXPECT_EQ(slot_calls, 1);
    EXPECT_EQ(slot_panel, panel);
    EXPECT_TRUE(ship_list_is_selected(list_of(panel), ships[0]));
    EXPECT_EQ(kid(panel, SECTOR_PANEL_SELECT_PROMPT), nullptr) << "no selection view";
    EXPECT_NE(button(panel, SECTOR_PANEL_MOVE_BUTTON), nullptr);
}

TEST_F(SectorPanel, TheSelectionViewPicksOwnShipsTotalsThemAndCancelRestoresTheNormalView) {
    Ship *stranger = home_with_ships(3);
    ASSERT_NE(stranger, nullptr);
    Control *panel = open(home, ON_MAP_OWN);
    const int all_rows = visible_rows(panel);
    Control *list = list_of(panel);
    press('m');
    frames(20);
    driver.save_screen("sector_panel_selection.png");   // for review

    EXPECT_EQ(visible_rows(panel), all_rows - 1) << "the other player's row hides";
    EXPECT_FALSE(ship_list_is_selected(list, stranger));
    for (Ship *ship : ships) EXPECT_TRUE(ship_list_is_selected(list, ship));
    Control *set_course = button(panel, SECTOR_PANEL_SET_COURSE);
    ASSERT_NE(set_course, nullptr);
    EXPECT_FALSE(image_control_is_highlighted(set_course));
    Control *stats = kid(panel, SECTOR_PANEL_ROWS);
    ASSERT_NE(stats, nullptr);
    EXPECT_EQ(value_of(stats, "Ships selected"), std::to_string(ship_list_count_selected(list)));
    EXPECT_EQ(value_of(stats, "Mass"), std::to_string(ship_list_selected_mass(list)) + " KT");
    EXPECT_EQ(value_of(stats, "Speed"), std::to_string(ship_list_selected_speed(list)) + " pc/day");
    EXPECT_EQ(kid(panel, SECTOR_PANEL_STARBASE_BOX), nullptr) << "production faded out";
    EXPECT_FALSE(live_and_shown(kid(panel, SECTOR_PANEL_SITE_ICONS)));
    EXPECT_FALSE(live_and_shown(kid(panel, SECTOR_PANEL_SELECT_PROMPT)));

    // Nothing selected: Set Course greys out with the reason, the prompt comes back green.
    click(kid(panel, SECTOR_PANEL_CLEAR_SELECTION));
    frames(20);
    EXPECT_EQ(ship_list_count_selected(list), 0);
    EXPECT_TRUE(image_control_is_highlighted(set_course));
    ASSERT_NE(image_of(set_course)->tooltip_text, nullptr);
    EXPECT_STREQ(image_of(set_course)->tooltip_text, "No ships selected");
    EXPECT_EQ(kid(panel, SECTOR_PANEL_ROWS), nullptr) << "the statistics went";
    Control *prompt = kid(panel, SECTOR_PANEL_SELECT_PROMPT);
    EXPECT_TRUE(live_and_shown(prompt));
    EXPECT_EQ(text_label_colour(prompt)->g, 230);
    press('s');
    EXPECT_EQ(slot_calls, 0) << "a greyed Set Course does nothing";

    // One row clicked: the statistics come back, readable, counting it.
    click(row_of(panel, ships[1]));
    frames(20);
    EXPECT_TRUE(ship_list_is_selected(list, ships[1]));
    EXPECT_FALSE(image_control_is_highlighted(set_course));
    stats = kid(panel, SECTOR_PANEL_ROWS);
    ASSERT_NE(stats, nullptr);
    EXPECT_EQ(value_of(stats, "Ships selected"), "1");
    EXPECT_EQ(value_of(stats, "Mass"), std::to_string(ship_list_selected_mass(list)) + " KT");
    EXPECT_FALSE(colour_fade_is_black(text_label_colour(kid(ui_stat_rows_row(stats, 0), STAT_ROW_LABEL_ID))));
    EXPECT_FALSE(live_and_shown(kid(panel, SECTOR_PANEL_SELECT_PROMPT)));

    click(kid(panel, SECTOR_PANEL_SELECT_ALL));
    frames(20);
    EXPECT_EQ(value_of(kid(panel, SECTOR_PANEL_ROWS), "Ships selected"), "3");
    press('s');
    EXPECT_EQ(slot_calls, 1) << "Set Course calls slot 2 with the panel";
    EXPECT_EQ(slot_panel, panel);

    // Cancel after toggling: every row back, none selected, the owner's colour, the yields.
    click(row_of(panel, ships[0]));
    Control *cancel = nullptr;
    for (Control *c : panel_of(kid(panel, SECTOR_PANEL_BUTTONS))->children.items)
        if (c && c != set_course) cancel = c;
    click(cancel);
    frames(30);
    EXPECT_EQ(visible_rows(panel), all_rows);
    EXPECT_EQ(ship_list_count_selected(list), 0);
    EXPECT_EQ(kid(panel, SECTOR_PANEL_SELECT_PROMPT), nullptr);
    EXPECT_EQ(kid(panel, SECTOR_PANEL_SELECT_ALL), nullptr);
    EXPECT_NE(button(panel, SECTOR_PANEL_MOVE_BUTTON), nullptr) << "the normal buttons are back";
    EXPECT_EQ(kid(panel, SECTOR_PANEL_HIDDEN_BUTTONS), nullptr);
    const ColourFade *owner = text_label_colour(kid(panel, SECTOR_PANEL_OWNER_LABEL));
    EXPECT_EQ(owner->r, uint8_t(std::clamp(game->ui_player->red, 0, 255)));
    EXPECT_EQ(owner->g, uint8_t(std::clamp(game->ui_player->green, 0, 255)));
    EXPECT_EQ(value_of(kid(panel, SECTOR_PANEL_ROWS), "Starbase crew"),
              std::to_string(sector_starbase_crew(home)));
    EXPECT_TRUE(live_and_shown(kid(panel, SECTOR_PANEL_SITE_ICONS)));

    // A row clicked now opens the ship beside it again, not a toggle.
    click(row_of(panel, ships[2]));
    EXPECT_EQ(ship_list_count_selected(list), 0);
}

TEST_F(SectorPanel, TheSelectionViewShrinksTheSiteIconsAwayGrowsItsButtonsInAndCancelGrowsTheIconsBack) {
    home_with_ships(2);
    ASSERT_NE(home, nullptr);
    Control *panel = open(home, ON_MAP_OWN);
    Control *icons = kid(panel, SECTOR_PANEL_SITE_ICONS);
    ASSERT_NE(icons, nullptr) << "seed " << SEED << ": the home sector shows its sites";
    std::vector<Control *> pictures;
    for (Control *c : panel_of(icons)->children.items)
        if (c && image_of(c)) pictures.push_back(c);
    ASSERT_FALSE(pictures.empty());
    // Full size, full brightness: the reveal percent is the picture's scale.
    auto looks = [](Control *c) { return std::pair{image_of(c)->reveal, image_of(c)->brightness}; };

    press('m');
    for (Control *c : pictures) {
        EXPECT_TRUE(image_of(c)->options & IMG_REVEAL_ANIM) << "the icons shrink";
        EXPECT_EQ(image_of(c)->reveal_to, 0);
    }
    frames(20);
    EXPECT_FALSE(live_and_shown(icons));
    for (Control *c : pictures) {
        EXPECT_LT(image_of(c)->reveal, 100);
        EXPECT_EQ(image_of(c)->brightness, 100) << "shrunk away, not darkened";
    }
    for (int id : {SECTOR_PANEL_SELECT_ALL, SECTOR_PANEL_CLEAR_SELECTION}) {
        ASSERT_NE(kid(panel, id), nullptr) << id;
        EXPECT_EQ(looks(kid(panel, id)), std::pair(100, 100)) << id << " grew in";
    }

    press(27);
    EXPECT_TRUE(image_of(pictures[0])->options & IMG_REVEAL_ANIM) << "the icons grow back";
    EXPECT_LT(image_of(pictures[0])->reveal, 100);
    frames(30);
    for (Control *c : pictures) EXPECT_EQ(looks(c), std::pair(100, 100));
}

// ---- The road from the map ----

TEST_F(SectorPanel, AClickOnHomeOpensThePanelAndTheDestinationTakesTheShipsSelectedInIt) {
    home_with_ships(3);
    ASSERT_NE(home, nullptr);
    Sector *destination = nullptr;
    for (GameObject *o : game->galaxy_map->objects.items)
        if (sector_of(o) && o != home && !destination) destination = sector_of(o);
    ASSERT_NE(destination, nullptr);
    home->flags |= OBJ_VISIBLE;
    galaxy_hover_set(home);
    click_map();
    frames(30);
    Control *panel = galaxy_object_panel_find(GALAXY_PANEL_SECTOR);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(text_of(kid(kid(panel, SECTOR_PANEL_HEADER), TITLE_LABEL_ID)),
              std::string(object_get_name(home)) + " sector");
    press('m');
    frames(20);
    ASSERT_NE(button(panel, SECTOR_PANEL_SET_COURSE), nullptr) << "the selection view";
    click(kid(panel, SECTOR_PANEL_CLEAR_SELECTION));
    click(row_of(panel, ships[0]));
    click(row_of(panel, ships[2]));
    press('s');

    galaxy_select_object(home);
    screen()->pick_mode = 0;
    galaxy_hover_set(destination);
    click_map();
    Fleet *fleet = fleet_of(game_find_object(game, ships[0]->fleet_id));
    ASSERT_NE(fleet, nullptr);
    EXPECT_EQ(fleet_ship_count(fleet), 2);
    EXPECT_EQ(ships[2]->fleet_id, fleet->id);
    EXPECT_EQ(ships[1]->fleet_id, 0u) << "the unselected ship stays";
    EXPECT_EQ(ships[1]->sector_id, home->id);
    EXPECT_EQ(fleet->move_target, destination);
}

TEST_F(SectorPanel, EscapeInTheSelectionViewCancelsItAndOnlyThenClosesThePanel) {
    home_with_ships(2);
    ASSERT_NE(home, nullptr);
    Control *panel = control_addref(open(home, ON_MAP_OWN));   // looked at after the sweep has let it go
    press('m');
    frames(20);
    ASSERT_NE(button(panel, SECTOR_PANEL_SET_COURSE), nullptr);
    press(27);
    frames(20);
    EXPECT_FALSE(panel->flags & CTRL_REMOVED) << "Escape is Cancel's";
    EXPECT_EQ(button(panel, SECTOR_PANEL_SET_COURSE), nullptr);
    EXPECT_NE(button(panel, SECTOR_PANEL_MOVE_BUTTON), nullptr);
    press(27);
    EXPECT_TRUE(panel->flags & CTRL_REMOVED) << "and then the header's";
    control_release(panel);
}

// On the star map a starbase is seen as its sector: its icon's click brackets the sector, and the
// site's panel keeps clear of it.
TEST_F(SectorPanel, AStarbaseIconOnTheStarMapBracketsItsSectorAndItsPanelKeepsClear) {
    home_with_ships(1);
    Site *base = sector_find_site_of_kind(home, SITE_STARBASE);
    ASSERT_TRUE(base && has(GALAXY_FLAG_STARMAP_VIEW));
    Control *icons = kid(open(home, ON_MAP_OWN), SECTOR_PANEL_SITE_ICONS), *icon = nullptr;
    for (Control *c : panel_of(icons)->children.items)
        if (c->on_click && *static_cast<const uint64_t *>(c->user_data) == base->id) icon = c;
    click(icon);
    frames(30);
    Control *bracket = screen()->selection_panel, *site_panel = galaxy_object_panel_find(GALAXY_PANEL_SITE);
    ASSERT_TRUE(bracket && control_is_shown(bracket) && site_panel && screen()->selected == base);
    EXPECT_EQ(std::vector({bracket->abs_x, bracket->abs_y, bracket->w, bracket->h}),
              std::vector({home->x - 11, home->y - 11, home->w + 22, home->h + 22}));
    const int sx = home->x - galaxy_current_map()->view_x, sy = home->y - galaxy_current_map()->view_y;
    EXPECT_TRUE(site_panel->x >= sx + home->w || site_panel->x + site_panel->w <= sx || site_panel->y >= sy + home->h ||
                site_panel->y + site_panel->h <= sy) << "the site's panel covers its sector";
}
