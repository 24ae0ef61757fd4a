// The ways into a battle of the UI player on the galaxy screen, over a real seeded new game with a
// meeting staged by the day's battle generation: the dialog opened once per battle, the choice
// holding the turn, a battle nobody fights finished on the map, an engaged one handed to the
// combat mode, the battle group's ship pick, the encounter markers' hover, Tab's walk, and the
// dialog and the sector panel drawn over the star map's glowing stars.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../../support/fixture_store.h"
#include "../../test_support.h"
#include "encounter_test_support.h"
#include "game/encounter_life.h"
#include "platform/colour_fade.h"
#include "platform/log.h"
#include "screens/galaxy/encounter_dialog.h"
#include "screens/ships/ship_details.h"
#include "ui/app_mode.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "views/ship_list.h"
#include "world/factory.h"
#include "world/object_map.h"

namespace {

using galaxy_test::flags;
using galaxy_test::has;
using galaxy_test::screen;

constexpr int SOUND_PICK = 6;
constexpr int ENCOUNTER_ICON = 400041;
constexpr int MARKERS_OF_BATTLES = 1;

struct ScreenRect {
    int x, y, w, h;
};

// Two rectangles share at most an edge line: panels are placed flush against what they stand beside.
bool apart(ScreenRect a, ScreenRect b) {
    const int across = std::min(a.x + a.w, b.x + b.w) - std::max(a.x, b.x);
    const int down = std::min(a.y + a.h, b.y + b.h) - std::max(a.y, b.y);
    return across <= 1 || down <= 1;
}

class EncounterEntry : public encounter_test::StagedMeeting {
protected:
    HashTable<Control> *battle_markers = nullptr, *battle_markers_back = nullptr;

    void TearDown() override {
        if (battle_markers) {
            screen()->marker_maps[MARKERS_OF_BATTLES] = battle_markers_back;
            hash_table_free(battle_markers);
        }
        StagedMeeting::TearDown();
    }

    static Control *dialog() { return galaxy_object_panel_find(GALAXY_PANEL_ENCOUNTER); }

    // A button of the open dialog's row.
    static Control *decision(int id) {
        Control *row = dialog() ? panel_find_child(dialog(), ENCOUNTER_DIALOG_BUTTONS) : nullptr;
        return row ? panel_find_child(row, id) : nullptr;
    }

    // The battle's marker as the map markers make it: a panel holding the battle's icon.
    Control *add_battle_marker(Encounter *enc, int x, int y) {
        if (!battle_markers) {
            battle_markers = hash_table_create<Control>(key64_hash, key64_compare);
            battle_markers->key_of = [](const Control *m) -> const void * { return &static_cast<Encounter *>(m->user_data)->id; };
            hash_table_set_free_fn(battle_markers, [](Control *m) { control_release(m); });
            battle_markers_back = screen()->marker_maps[MARKERS_OF_BATTLES];
            screen()->marker_maps[MARKERS_OF_BATTLES] = battle_markers;
        }
        Control *marker = panel_create_empty();
        marker->user_data = enc;
        Control *icon = image_control_create(ENCOUNTER_IMAGE_ENGAGE);
        image_control_enable_tint(icon);
        colour_fade_start(image_control_tint_colour(icon), 60, 60, 0, 230, 230, 0, 500, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
        panel_add_child(marker, 0, 0, ENCOUNTER_ICON, 0, icon);
        control_set_size(marker, std::max(icon->w, 16), std::max(icon->h, 16));
        control_set_tag(marker, GALAXY_GROUP_MARKERS);
        game_add_control(game, x, y, 0, 1, marker);
        game_flush_new_controls(game);
        hash_table_insert(battle_markers, control_addref(marker));
        return marker;
    }

    // Opens the meeting's dialog and lets its buttons take input.
    Control *open_meeting() {
        galaxy_show_encounter(meeting);
        frames(30);
        return dialog();
    }

    // The selection panel showing the bracket's four corners.
    static bool bracket_shown() {
        Control *p = screen()->selection_panel;
        int corners = 0;
        for (Control *c : p ? panel_of(p)->children.items : std::vector<Control *>{})
            corners += c && !(c->flags & CTRL_REMOVED);
        return p && control_is_shown(p) && corners == 4;
    }

    std::string texts_of(Control *panel) {
        std::string all;
        for (Control *c : panel_of(panel)->children.items) {
            if (!c) break;
            if (c->type == CONTROL_TEXT) all += text_label_of(c)->text;
        }
        return all;
    }
};

TEST_F(EncounterEntry, TheDialogOpensOnceAtTheBattleAndShowingItAgainChangesNothing) {
    ASSERT_NE(stage_home_meeting(), nullptr);
    galaxy_select_object(home);
    game_flush_new_controls(game);   // as the frame of the click ends
    galaxy_sector_on_combat(nullptr);   // the sector panel's "Combat" for the selected home sector
    Control *first = dialog();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->user_data, meeting) << "the dialog shows the battle of the selected sector";
    EXPECT_EQ(screen()->encounter_panel_id, meeting->id);
    EXPECT_TRUE(has(GALAXY_FLAG_ENCOUNTER_PANEL));
    EXPECT_EQ(screen()->selected, nullptr) << "the selection makes way for the dialog";
    EXPECT_NE(decision(ENCOUNTER_DIALOG_ENGAGE), nullptr) << "the UI player decides";
    EXPECT_TRUE(bracket_shown()) << "the bracket marks the battle";
    frames(15);   // grown in place
    ASSERT_GT(first->w, 0);
    int x = 0, y = 0;
    control_get_screen_position(first, &x, &y);
    const int sx = home->x - game->galaxy_map->view_x, sy = home->y - game->galaxy_map->view_y;
    EXPECT_TRUE(apart({x, y, first->w, first->h}, {sx, sy, home->w, home->h})) << "the dialog keeps the battle's sector in sight";

    // Again, from the sector panel and from the cycle's own entry: the same dialog, untouched.
    const int w = first->w, h = first->h;
    galaxy_select_object(home);
    galaxy_sector_on_combat(nullptr);
    galaxy_show_encounter(meeting);
    game_flush_new_controls(game);
    EXPECT_EQ(dialog(), first);
    EXPECT_FALSE(first->flags & CTRL_REMOVED);
    EXPECT_EQ(std::make_pair(first->w, first->h), std::make_pair(w, h)) << "not built and grown again";
    EXPECT_EQ(screen()->panel_top, 0) << "one panel on the stack";

    // Once the dialog is gone the battle opens again.
    galaxy_object_panels_close();
    frame();
    EXPECT_EQ(screen()->encounter_panel_id, 0u) << "the update forgets a closed dialog";
    galaxy_show_encounter(meeting);
    ASSERT_NE(dialog(), nullptr);
    EXPECT_NE(dialog(), first);
}

TEST_F(EncounterEntry, WhenEverySideRetreatsTheBattleIsFinishedOnTheMapAndTheTurnGoesOn) {
    ASSERT_NE(stage_home_meeting(), nullptr);
    const uint64_t id = meeting->id;
    Control *marker = control_addref(add_battle_marker(meeting, 300, 300));
    Control *open = open_meeting();
    ASSERT_NE(open, nullptr);
    Control *retreat = decision(ENCOUNTER_DIALOG_RETREAT);
    ASSERT_NE(retreat, nullptr);
    click(retreat);
    EXPECT_TRUE(has(GALAXY_FLAG_TURN_IN_PROGRESS)) << "the choice holds the turn while it shows";
    EXPECT_EQ(screen()->lit_list_button, 0);
    EXPECT_EQ(screen()->hovered, nullptr);
    // The computer side is made to decline too, as its own decision may go either way.
    encounter_set_side_choice(meeting, ENCOUNTER_CHOICE_RETREAT, rival->id);
    ASSERT_EQ(encounter_get_side_choice(meeting, game->ui_player_id), ENCOUNTER_CHOICE_RETREAT);

    frames(ENCOUNTER_DONE_DELAY_MS / 20 - 10);
    EXPECT_NE(game_find_encounter(game, id), nullptr) << "still shown before the 2,000 ms";
    ASSERT_TRUE(run_until([&] { return game_find_encounter(game, id) == nullptr; }, 40));
    frame();
    EXPECT_EQ(game->current_encounter, nullptr) << "nobody fights: no combat";
    EXPECT_FALSE(has(GALAXY_FLAG_COMBAT_HANDOFF));
    EXPECT_FALSE(has(GALAXY_FLAG_TURN_IN_PROGRESS)) << "the turn is no longer held";
    EXPECT_TRUE(marker->flags & CTRL_REMOVED) << "the battle's marker went with it";
    EXPECT_EQ(hash_table_count(battle_markers), 0);
    EXPECT_FALSE(galaxy_object_panel_is_open(GALAXY_PANEL_ENCOUNTER));
    EXPECT_EQ(screen()->selected, nullptr);
    control_release(marker);

    // The map takes orders again: Tab works.
    press(9);
    EXPECT_NE(screen()->cycle_index, -1);
}

// A day cannot start while a battle waits for the player's orders: the refusal says why and opens
// the battle, for the key, the button and an armed auto-pass alike.
TEST_F(EncounterEntry, NextTurnWithABattleWaitingSaysWhyAndOpensTheBattle) {
    ASSERT_NE(stage_home_meeting(), nullptr);
    frames(3);
    ASSERT_TRUE(has(GALAXY_FLAG_ENCOUNTERS_PENDING));
    Control *next = screen()->next_turn_button;
    ASSERT_TRUE(title_test::visible(next)) << "the battle keeps Next Turn on the bar";
    const uint64_t minutes = game->clock->minutes;
    const auto refused = [&](const char *how) {
        EXPECT_FALSE(has(GALAXY_FLAG_ADVANCE_AI_STARTED)) << how;
        EXPECT_FALSE(has(GALAXY_FLAG_TURN_IN_PROGRESS)) << how;
        EXPECT_FALSE(has(GALAXY_FLAG_AUTO_PASS)) << how;
        EXPECT_EQ(game->clock->minutes, minutes) << how;
        EXPECT_TRUE(galaxy_object_panel_is_open(GALAXY_PANEL_ENCOUNTER)) << how << ": the battle is opened";
        EXPECT_EQ(screen()->encounter_panel_id, meeting->id) << how;
        EXPECT_TRUE(title_test::visible(next)) << how;
        std::string why;
        for (const List<Control> *list : {game->controls, game->new_controls})
            for (Control *c : list->items) {
                if (!c) break;
                if (c->id != CONTROL_ID_TOOLTIP || (c->flags & CTRL_REMOVED)) continue;
                why += texts_of(c);
                EXPECT_LE(c->x + c->w, ui_screen_width()) << how << ": the reason stands whole on the screen";
                EXPECT_GE(c->x, 0) << how;
            }
        EXPECT_NE(why.find("battle waits"), std::string::npos) << how << ": the reason is shown, not '" << why << "'";
    };
    press('n');
    frames(5);
    refused("the key");

    galaxy_object_panels_close();
    frames(5);
    ASSERT_FALSE(galaxy_object_panel_is_open(GALAXY_PANEL_ENCOUNTER));
    click(next);
    frames(5);
    refused("the button");

    // With auto-pass on, Next Turn stands in for Pass while the battle waits; Space arms nothing.
    galaxy_object_panels_close();
    const int32_t auto_pass = game->auto_pass;
    game->auto_pass = 600;
    galaxy_bar_update_action_button();
    frames(5);
    EXPECT_TRUE(title_test::visible(next));
    EXPECT_FALSE(title_test::visible(screen()->pass_button));
    press(' ');
    frames(40);
    refused("Space with auto-pass");
    game->auto_pass = auto_pass;
}

TEST_F(EncounterEntry, EngagingMakesTheBattleCurrentAndTheUpdateHandsTheScreenToCombat) {
    LogFileCatcher log(fresh_test_dir("encounter-entry"), LOG_DEBUG2);
    ASSERT_NE(stage_home_meeting(), nullptr);
    const int32_t refs = meeting->refcount;
    ASSERT_NE(open_meeting(), nullptr);
    press('e');
    EXPECT_TRUE(has(GALAXY_FLAG_TURN_IN_PROGRESS));
    EXPECT_EQ(game->current_encounter, nullptr) << "not before the choice has shown";
    ASSERT_TRUE(run_until([&] { return game->current_encounter != nullptr; }, 150));
    EXPECT_EQ(game->current_encounter, meeting);
    EXPECT_GE(meeting->refcount, refs + 1) << "the current-encounter slot holds its own reference";
    EXPECT_NE(game_find_encounter(game, meeting->id), nullptr) << "an engaged battle stays in the list";
    EXPECT_FALSE(has(GALAXY_FLAG_TURN_IN_PROGRESS));
    ASSERT_TRUE(run_until([] { return has(GALAXY_FLAG_COMBAT_HANDOFF); }, 2)) << "the next update starts the hand-off";
    EXPECT_EQ(game->combat_background, GALAXY_BG_COMBAT_FIRST + meeting->backdrop);

    // The banner, the field set up by the load-encounter worker, then the combat mode.
    bool loading_shown = false;
    ASSERT_TRUE(run_until([&] {
        loading_shown = loading_shown || has(GALAXY_FLAG_LOADING_TEXT);
        return app_mode_current_id() == APP_MODE_ENCOUNTER;
    }, 2000));
    EXPECT_TRUE(loading_shown) << "\"Loading...\" while the worker sets the battle up";
    const std::string text = log.text();
    EXPECT_EQ(text.find("Failed to create load encounter thread"), std::string::npos);
    EXPECT_NE(text.find("Application mode is now 0"), std::string::npos);
}

TEST_F(EncounterEntry, ASidePickedOpensItsBattleGroupAndAMachineShipShowsItsSideAsCommander) {
    Player *ark = game_find_player(game, game->combat_ai_player_id);
    ASSERT_NE(ark, nullptr) << "the new game has the machine faction";
    ours = ui_ships_at_home(1, &home);
    ASSERT_NE(home, nullptr);
    std::vector<Ship *> machines = ships_of(ark, 2);
    bring_to(machines, home);
    ASSERT_NE(generate(home->id), nullptr);
    ASSERT_TRUE(encounter_has_side(meeting, ark->id));
    ark->name = "ARK-0042";
    Control *open = open_meeting();
    ASSERT_NE(open, nullptr);

    // The machine side's group box on the battle map.
    Control *map = panel_find_child(open, ENCOUNTER_DIALOG_MAP);
    BattleMapState *state = battle_map_state(map);
    ASSERT_NE(state, nullptr);
    Control *box = nullptr;
    for (const BattleMapGroup &group : state->groups)
        if (group.owner == ark) box = group.box;
    ASSERT_NE(box, nullptr);
    click(box);
    Control *group = galaxy_object_panel_find(GALAXY_PANEL_ENCOUNTER_INFO);
    ASSERT_NE(group, nullptr) << "the battle group opens for the picked side";
    EXPECT_EQ(battle_group_panel_encounter(group), meeting);
    frames(15);
    int gx = 0, gy = 0, dx = 0, dy = 0;
    control_get_screen_position(group, &gx, &gy);
    control_get_screen_position(open, &dx, &dy);
    EXPECT_TRUE(apart({gx, gy, group->w, group->h}, {dx, dy, open->w, open->h})) << "beside the dialog, not over it";

    // A ship row of the list: the ship is labelled with its side before its panel opens.
    Control *list = panel_find_child(group, BATTLE_GROUP_LIST);
    ShipListState *rows = ship_list_state(list);
    ASSERT_NE(rows, nullptr);
    ASSERT_EQ(list_count(&rows->rows), 2);
    for (Ship *ship : machines) EXPECT_TRUE(ship->owner_label.empty());
    click(list_get(&rows->rows, 0));
    Ship *picked = ship_of(battle_group_panel_picked_ship(group));
    ASSERT_NE(picked, nullptr);
    EXPECT_EQ(picked->owner_label, ark->name);
    EXPECT_EQ(std::make_tuple(picked->owner_label_r, picked->owner_label_g, picked->owner_label_b),
              std::make_tuple(uint8_t(230), uint8_t(230), uint8_t(230)));
    EXPECT_EQ(playing(SOUND_PICK), 1);

    // A side without a name still shows the machine's own. The ship panel on top veils the group
    // until it is closed.
    Control *ship_panel = galaxy_object_panel_find(GALAXY_PANEL_SHIP);
    ASSERT_NE(ship_panel, nullptr);
    frames(30);   // grown in
    click(panel_find_child(panel_find_child(ship_panel, SHIP_PANEL_ID_TITLE), TITLE_CLOSE_ID));
    frames(2);
    ark->name.clear();
    click(list_get(&rows->rows, 1));
    Ship *second = ship_of(battle_group_panel_picked_ship(group));
    ASSERT_NE(second, nullptr);
    ASSERT_NE(second, picked);
    EXPECT_EQ(second->owner_label, "ARK Zero");

    // The UI player's own ships keep showing their owner.
    for (Ship *ship : ours) EXPECT_TRUE(ship->owner_label.empty());
}

TEST_F(EncounterEntry, TheFleetPanelOpensTheBattleOfTheFleetOrOfItsShips) {
    // A fleet that is itself a side: the dialog opens at the battle.
    ASSERT_NE(stage_deep_space_meeting(), nullptr);
    Fleet *fleet = nullptr;
    for (int32_t i = 0; i < encounter_fleet_count(meeting) && !fleet; ++i)
        if (Fleet *f = encounter_get_fleet(meeting, i); f && f->owner_id == game->ui_player_id) fleet = f;
    ASSERT_NE(fleet, nullptr);
    galaxy_select_object(fleet);
    galaxy_fleet_on_encounter(nullptr);
    ASSERT_NE(dialog(), nullptr);
    EXPECT_EQ(dialog()->user_data, meeting);
    EXPECT_EQ(screen()->encounter_panel_id, meeting->id);
    galaxy_object_panels_close();
    frame();

    // A fleet with no part in any battle: nothing.
    galaxy_object_panels_close();
    frame();
    Fleet *idle = form_fleet({}, 40, 600);
    galaxy_select_object(idle);
    galaxy_fleet_on_encounter(nullptr);
    EXPECT_EQ(dialog(), nullptr);
}

TEST_F(EncounterEntry, AFleetOfShipsThatFightOpensTheirBattleGrowingFromThePressedControl) {
    // A fleet formed after the battle was made, of ships that fight in it: the dialog grows out
    // of the pressed control to the middle of the screen, over the fleet panel.
    ASSERT_NE(stage_home_meeting(), nullptr);
    Fleet *leaving = form_fleet(ours, home->x + 200, home->y);
    ASSERT_EQ(game_find_encounter_by_fleet(game, leaving->id), nullptr);
    galaxy_select_object(leaving);
    Control *fleet_panel = galaxy_object_panel_open(GALAXY_PANEL_FLEET);
    Control *button = panel_add_child(fleet_panel, 10, 10, 0, 0, panel_create(40, 20, 0, 0, 0));
    control_set_position(fleet_panel, 100, 120);
    game_flush_new_controls(game);
    galaxy_fleet_on_encounter(button);
    Control *open = dialog();
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->user_data, meeting);
    EXPECT_TRUE(galaxy_object_panel_is_open(GALAXY_PANEL_FLEET)) << "the fleet panel stays beneath";
    EXPECT_EQ(std::make_pair(open->x, open->y), std::make_pair(110, 130)) << "from the pressed control";
    EXPECT_EQ(std::make_pair(open->w, open->h), std::make_pair(40, 20));
    frames(10);
    int x = 0, y = 0;
    control_get_screen_position(open, &x, &y);
    EXPECT_NEAR(x + open->w / 2, ui_screen_width() / 2, 1);
    EXPECT_NEAR(y + open->h / 2, ui_screen_height() / 2, 1);
    EXPECT_GT(open->w, 40);
}

TEST_F(EncounterEntry, ABattleMarkerLightsAndNamesItsBattleAndAClickOpensIt) {
    ASSERT_NE(stage_home_meeting(), nullptr);
    Control *marker = add_battle_marker(meeting, 420, 260);
    Control *icon = panel_find_child(marker, ENCOUNTER_ICON);
    ColourFade *tint = image_control_tint_colour(icon);
    Control *hover = screen()->hover_panel;
    ASSERT_NE(hover, nullptr);

    galaxy_encounter_marker_on_enter(marker);
    EXPECT_EQ(std::make_tuple(tint->r, tint->g, tint->b), std::make_tuple(uint8_t(0), uint8_t(215), uint8_t(0)));
    EXPECT_TRUE(control_is_shown(hover));
    EXPECT_FALSE(control_is_enabled(hover)) << "the pointer passes through to the marker";
    EXPECT_EQ(texts_of(hover), meeting->name);
    int hx = 0, hy = 0;
    control_get_screen_position(hover, &hx, &hy);
    EXPECT_TRUE(apart({hx, hy, hover->w, hover->h}, {420, 260, marker->w, marker->h})) << "beside the marker";

    galaxy_encounter_marker_on_leave(marker);
    EXPECT_FALSE(control_is_shown(hover));
    EXPECT_TRUE(colour_fade_is_running(tint)) << "the icon pulses again";
    frames(5);
    EXPECT_EQ(tint->b, 0);
    EXPECT_EQ(tint->r, tint->g) << "yellow again";

    // A click opens the battle with the pick sound.
    galaxy_marker_on_encounter(marker);
    ASSERT_NE(dialog(), nullptr);
    EXPECT_EQ(dialog()->user_data, meeting);
    EXPECT_EQ(playing(SOUND_PICK), 1);
    // The bracket stands round the marker.
    ASSERT_TRUE(bracket_shown());
    const Control *b = screen()->selection_panel;
    EXPECT_TRUE(b->x < marker->x && b->y < marker->y && b->x + b->w > marker->x + marker->w &&
                b->y + b->h > marker->y + marker->h) << "round the marker";

    // While the dialog shows this battle and nothing is selected the marker does not light.
    galaxy_encounter_marker_on_leave(marker);
    galaxy_encounter_marker_on_enter(marker);
    EXPECT_FALSE(control_is_shown(hover));
    EXPECT_NE(std::make_tuple(tint->r, tint->g, tint->b), std::make_tuple(uint8_t(0), uint8_t(215), uint8_t(0)));
}

// The map's own marker, with the map's update running: the battle's name stays by the marker for
// as long as the pointer rests on it, and goes when the pointer leaves.
TEST_F(EncounterEntry, ABattlesNameStaysWhileThePointerRestsOnItsMarker) {
    ASSERT_NE(stage_home_meeting(), nullptr);
    ASSERT_TRUE(has(GALAXY_FLAG_STARMAP_VIEW));
    galaxy_markers_refresh();
    Control *marker = hash_table_find(screen()->marker_maps[GALAXY_MARKERS_ENCOUNTERS], &meeting->id);
    ASSERT_NE(marker, nullptr);
    Control *hover = screen()->hover_panel;
    int x = 0, y = 0;
    control_get_screen_position(marker, &x, &y);
    ui_test::mouse_at(x + marker->w / 2, y + marker->h / 2);
    int shown = 0;
    for (int i = 0; i < 20; ++i) {
        frame();
        shown += control_is_shown(hover) && texts_of(hover) == meeting->name;
    }
    EXPECT_EQ(shown, 20) << "the name by the marker every frame";
    ui_test::mouse_at(x + marker->w + 200, y + marker->h + 200);
    frames(3);
    EXPECT_FALSE(control_is_shown(hover) && texts_of(hover) == meeting->name);
}

TEST_F(EncounterEntry, TabWalksTheBattlesFirstThenOwnSectorsAndWrapsAround) {
    ASSERT_NE(stage_home_meeting(), nullptr);
    Fleet *fleet = form_fleet(ui_ships_at_home(3, &home), home->x + 250, home->y + 40);
    frame();   // the update notes the pending battle
    ASSERT_TRUE(has(GALAXY_FLAG_ENCOUNTERS_PENDING));
    std::vector<GameObject *> own_sectors;
    for (GameObject *o : game->galaxy_map->objects.items)
        if (Sector *s = sector_of(o); s && s->owner_id == game->ui_player_id) own_sectors.push_back(s);
    ASSERT_FALSE(own_sectors.empty());

    // Tab through the update: the battle comes first.
    press(9);
    EXPECT_EQ(screen()->cycle_index, 0);
    ASSERT_NE(dialog(), nullptr);
    EXPECT_EQ(dialog()->user_data, meeting);
    EXPECT_EQ(playing(SOUND_PICK), 1);

    // Then the own sectors in the map's order; fleets wait while a battle is pending.
    for (size_t i = 0; i < own_sectors.size(); ++i) {
        galaxy_cycle_next();
        EXPECT_EQ(screen()->cycle_index, int32_t(i + 1));
        EXPECT_EQ(screen()->selected, own_sectors[i]) << "sector " << i;
    }
    galaxy_cycle_next();
    EXPECT_EQ(screen()->cycle_index, 0) << "past the last it starts again";
    EXPECT_EQ(dialog() ? dialog()->user_data : nullptr, meeting);

    // Without the battle the fleet has its turn, after the sectors that precede it on the map.
    game_clear_encounters(game);
    screen()->screen_flags.fetch_and(~GALAXY_FLAG_ENCOUNTERS_PENDING);
    galaxy_object_panels_close();
    // The walk goes on from where it stood; read once round, from the first sector, it is the map's order.
    std::vector<GameObject *> walked;
    for (size_t i = 0; i <= own_sectors.size(); ++i) {
        galaxy_cycle_next();
        walked.push_back(screen()->selected);
    }
    const auto first = std::find(walked.begin(), walked.end(), own_sectors.front());
    ASSERT_NE(first, walked.end());
    std::rotate(walked.begin(), first, walked.end());
    std::vector<GameObject *> expected = own_sectors;
    expected.push_back(fleet);
    EXPECT_EQ(walked, expected);
}

TEST_F(EncounterEntry, TabWithNothingOfTheUiPlayersClosesThePanelsAndStartsOver) {
    // The sector view of a sector where the UI player has nothing.
    Sector *theirs_only = nullptr;
    for (GameObject *o : game->galaxy_map->objects.items)
        if (Sector *s = sector_of(o); s && s->owner_id != 0 && s->owner_id != game->ui_player_id &&
                                      sector_count_objects_of_owner(s, game->ui_player_id) == 0)
            theirs_only = s;
    ASSERT_NE(theirs_only, nullptr);
    game_set_sector_contents(game, theirs_only->id);
    screen()->screen_flags.fetch_and(~GALAXY_FLAG_STARMAP_VIEW);
    ASSERT_GT(map_object_count(game->sector_map), 0);

    Control *open = galaxy_object_panel_open(GALAXY_PANEL_SITE);
    game_flush_new_controls(game);
    screen()->cycle_index = 3;
    galaxy_cycle_next();
    EXPECT_EQ(screen()->cycle_index, -1);
    EXPECT_TRUE(open->flags & CTRL_REMOVED);
    EXPECT_FALSE(galaxy_object_panels_any_open());

    // In a sector of its own the sites are candidates: the walk starts at the first.
    ui_ships_at_home(1, &home);
    ASSERT_NE(home, nullptr);
    game_set_sector_contents(game, home->id);
    galaxy_cycle_next();
    EXPECT_EQ(screen()->cycle_index, 0);
    ASSERT_NE(screen()->selected, nullptr);
    EXPECT_EQ(screen()->selected->owner_id, game->ui_player_id);
}

// ---- Panels over the star map ----

class PanelsOverTheMap : public EncounterEntry {
protected:
    galaxy_test::ScreenSizedContext context;

    void SetUp() override {
        EncounterEntry::SetUp();
        context.enlarge();
        galaxy_test::load_sector_stars();
    }
    void TearDown() override {
        galaxy_test::release_sector_stars();
        context.restore();
        EncounterEntry::TearDown();
    }

    // The frame drawn again as the game loop draws it, without an update, and replayed.
    void draw_again() {
        Graphics *g = driver.graphics;
        gfx_queue_lock(g);
        gfx_queue_clear(g);
        app_mode_get_current()->draw(g);
        game_draw_controls(game, g, 1);
        gfx_queue_unlock(g);
        ASSERT_EQ(gfx_replay_frame(g, driver.screen), RES_OK);
    }

    // The sector drawn on screen farthest from the home sector, with its star's centre.
    Sector *far_sector(int *cx, int *cy) {
        const ObjectMap *map = game->galaxy_map;
        Sector *best = nullptr;
        int64_t best_d = -1;
        for (GameObject *o : map->objects.items) {
            Sector *s = sector_of(o);
            if (!s || s == home) continue;
            const int x = s->x - map->view_x + s->w / 2, y = s->y - map->view_y + s->h / 2;
            if (x < 60 || y < 60 || x > GFX_WIDTH - 60 || y > GFX_HEIGHT - 60) continue;
            const int64_t dx = s->x - home->x, dy = s->y - home->y;
            if (dx * dx + dy * dy > best_d) {
                best = s;
                best_d = dx * dx + dy * dy;
                *cx = x;
                *cy = y;
            }
        }
        return best;
    }

    struct UnderPanel {
        int bright = 0;    // pixels under the panel where the map alone shows a bright colour
        int through = 0;   // of those, the ones the frame with the panel still shows unchanged
        int star = 0;      // bright pixels of the star's own rectangle
    };

    // The same frame drawn without the panel and with it: no bright pixel of the map may reach
    // the screen unchanged inside the panel's rectangle (a shaded fill darkens what lies under it).
    UnderPanel map_under(Control *panel, const Sector *star) {
        const ObjectMap *map = game->galaxy_map;
        const int sx = star->x - map->view_x, sy = star->y - map->view_y;
        int px = 0, py = 0;
        control_get_screen_position(panel, &px, &py);
        const int x1 = std::max(px, 0), y1 = std::max(py, 0);
        const int x2 = std::min(px + panel->w, GFX_WIDTH), y2 = std::min(py + panel->h, GFX_HEIGHT);
        control_set_hidden(panel, false);
        draw_again();
        std::vector<ui_test::Rgb> alone;
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x) alone.push_back(driver.pixel(x, y));
        control_set_hidden(panel, true);
        draw_again();
        UnderPanel seen;
        size_t i = 0;
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x, ++i) {
                const ui_test::Rgb &m = alone[i];
                if (std::max({m.r, m.g, m.b}) < 128) continue;
                ++seen.bright;
                seen.through += driver.pixel(x, y) == m;
                seen.star += x >= sx && y >= sy && x < sx + star->w && y < sy + star->h;
            }
        return seen;
    }

    // Runs frames with the star glowing under the panel; every few frames the map is compared.
    void expect_map_beneath(Control *panel, const Sector *star, const char *what) {
        int lit = 0;
        for (int round = 0; round < 12; ++round) {
            frames(3);
            const UnderPanel seen = map_under(panel, star);
            lit += seen.star;
            EXPECT_EQ(seen.through, 0) << what << ": round " << round << ", " << seen.bright << " bright map pixels";
        }
        EXPECT_GT(lit, 0) << what << ": the star lies under it";
    }
};

TEST_F(PanelsOverTheMap, TheMapIsDrawnBeneathTheEncounterDialogAndTheSectorPanel) {
    ASSERT_NE(stage_home_meeting(), nullptr);
    ui_test::mouse_at(GFX_WIDTH - 2, GFX_HEIGHT / 2);
    Control *open = open_meeting();
    ASSERT_NE(open, nullptr);
    int cx = 0, cy = 0;
    Sector *star = far_sector(&cx, &cy);
    ASSERT_NE(star, nullptr) << "a sector on screen";

    // The star under the dialog's top-left corner: its frame, title strip and shaded margins.
    control_set_position(open, cx - 40, cy - 30);
    expect_map_beneath(open, star, "encounter dialog");
    // Under its shaded body: between the title strip and the battle map, right of the place.
    const Control *title = panel_find_child(open, ENCOUNTER_DIALOG_TITLE);
    const Control *map = panel_find_child(open, ENCOUNTER_DIALOG_MAP);
    ASSERT_TRUE(title && map);
    control_set_position(open, cx - (open->w - 60), cy - (title->y + title->h + map->y) / 2);
    expect_map_beneath(open, star, "encounter dialog body");

    galaxy_object_panels_close();
    frame();
    Control *panel = galaxy_object_panel_open(GALAXY_PANEL_SECTOR);
    ASSERT_NE(panel, nullptr);
    galaxy_object_panel_set_object(panel, star);
    galaxy_show_sector_panel(panel, star, 29);
    game_flush_new_controls(game);
    frames(20);
    control_set_position(panel, cx - 30, cy - 30);
    expect_map_beneath(panel, star, "sector panel");
}

}  // namespace
