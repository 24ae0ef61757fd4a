// Selection and object panels on a real battle: the stack of at most six panels with the ones
// below the top disabled, the turn flow handing the top back when one goes, the unit status panel
// that a selection opens (not while a missile warning shows) and the brackets round the selection.
#include "combat_test_support.h"

#include <algorithm>

#include "screens/combat/unit_status_panel.h"
#include "screens/ships/ship_details.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "world/factory.h"
#include "world/shot.h"
#include "world/site.h"

namespace {

using combat_test::CombatGame;
using combat_test::has;
using combat_test::screen;

class CombatSelection : public CombatGame {
protected:
    void start_ui_turn() {
        ui_side = true;
        start_battle();
        if (HasFatalFailure()) return;
        game->combat_speed = 1;
        ASSERT_TRUE(run_until([&] { return screen()->acting && screen()->acting->owner_id == game->ui_player_id &&
                                           !has(COMBAT_FLAG_ANIMATING); },
                              6000));
    }
};

constexpr int STACK_IDS[] = {COMBAT_ID_UNIT_STATUS, COMBAT_ID_SHIP_DETAILS, COMBAT_ID_OFFICER_PANEL,
                             COMBAT_ID_SHOT_PANEL, COMBAT_ID_MISSILE_WARNING, COMBAT_ID_UNIT_STATUS + 1,
                             COMBAT_ID_UNIT_STATUS + 2};

TEST_F(CombatSelection, TheStackHoldsSixPanelsASeventhIsMadeButNotStackedAndTheTopGoesBackInTurn) {
    start_ui_turn();
    combat_close_object_panels();
    EXPECT_EQ(screen()->panel_top, -1);
    // Five distinct object panels and the unit status panel reopened: six entries.
    const int ids[] = {COMBAT_ID_UNIT_STATUS, COMBAT_ID_SHIP_DETAILS, COMBAT_ID_OFFICER_PANEL, COMBAT_ID_SHOT_PANEL,
                       COMBAT_ID_MISSILE_WARNING, COMBAT_ID_SHIP_DETAILS};
    Control *panels[6] = {};
    for (int i = 0; i < 6; ++i) {
        panels[i] = combat_object_panel_open(ids[i]);
        ASSERT_NE(panels[i], nullptr);
        EXPECT_EQ(screen()->panel_top, i);
        EXPECT_EQ(panels[i]->layer, i + 4);   // over the map, each above the one before
    }
    game_flush_new_controls(game);
    // Those below the top ignore the pointer; the top does not.
    EXPECT_FALSE(control_is_enabled(panels[0]));
    EXPECT_FALSE(control_is_enabled(panels[4]));
    EXPECT_TRUE(control_is_enabled(panels[5]));
    // The first ship details panel went when its id was opened again.
    int details = 0;
    for (Control *c : game->controls->items) {
        if (!c) break;
        if (c->id == COMBAT_ID_SHIP_DETAILS && !(c->flags & CTRL_REMOVED)) ++details;
    }
    EXPECT_EQ(details, 1);

    Control *seventh = combat_object_panel_open(COMBAT_ID_SHOT_PANEL);
    EXPECT_NE(seventh, nullptr);
    EXPECT_EQ(screen()->panel_top, 5);
    EXPECT_TRUE(control_is_enabled(panels[5]));   // the top is not dimmed by a panel left off the stack

    combat_close_object_panels();
    EXPECT_EQ(screen()->panel_top, -1);
    for (int id : STACK_IDS) EXPECT_FALSE(combat_object_panel_is_shown(id));
}

TEST_F(CombatSelection, WhenTheTopPanelGoesTheOneBelowIsEnabledAgain) {
    start_ui_turn();
    GameObject *mine = screen()->acting;
    ASSERT_EQ(screen()->selected, mine);
    // The selection opened the unit status panel; the details open over it.
    ASSERT_TRUE(combat_object_panel_is_shown(COMBAT_ID_UNIT_STATUS));
    Control *status = combat_find_unit_status();
    ASSERT_NE(status, nullptr);
    Control *details = combat_object_panel_open(COMBAT_ID_SHIP_DETAILS);
    ASSERT_NE(details, nullptr);
    frame();
    EXPECT_FALSE(control_is_enabled(status));
    control_remove(details);
    frame();
    EXPECT_EQ(screen()->panel_top, 0);
    EXPECT_TRUE(control_is_enabled(status));
    EXPECT_EQ(screen()->selected, mine);
    // The last one going drops the selection.
    control_remove(status);
    frame();
    EXPECT_EQ(screen()->panel_top, -1);
    EXPECT_EQ(screen()->selected, nullptr);
}

TEST_F(CombatSelection, SelectingOpensTheUnitStatusPanelAndBracketsButNotOverAMissileWarning) {
    start_ui_turn();
    GameObject *mine = screen()->acting;
    combat_select_object(nullptr);
    EXPECT_FALSE(control_is_shown(screen()->selection_panel));
    EXPECT_FALSE(combat_object_panel_is_shown(COMBAT_ID_UNIT_STATUS));

    std::vector<GameObject *> enemies = fighting(side_b->id);
    ASSERT_FALSE(enemies.empty());
    GameObject *enemy = enemies[0];
    combat_select_object(enemy);
    EXPECT_TRUE(combat_object_panel_is_shown(COMBAT_ID_UNIT_STATUS));
    Control *brackets = screen()->selection_panel;
    ASSERT_NE(brackets, nullptr);
    EXPECT_TRUE(control_is_shown(brackets));
    EXPECT_EQ(brackets->w, enemy->w + 44);
    EXPECT_EQ(brackets->h, enemy->h + 44);
    EXPECT_EQ(panel_of(brackets)->children.items.size() >= 4, true);

    combat_select_object(nullptr);
    combat_close_object_panels();
    ASSERT_NE(combat_object_panel_open(COMBAT_ID_MISSILE_WARNING), nullptr);
    combat_select_object(mine);
    EXPECT_EQ(screen()->selected, mine);
    EXPECT_FALSE(combat_object_panel_is_shown(COMBAT_ID_UNIT_STATUS));
    EXPECT_TRUE(combat_object_panel_is_shown(COMBAT_ID_MISSILE_WARNING));
}

TEST_F(CombatSelection, AMissileWarningPicturesTheStarbaseUnderTheWords) {
    factory_acquire_group(OBJECT_SITE, SITE_STARBASE, FACTORY_GROUP_FRAMES);
    ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    const GameObject *starbase = factory_get_template(OBJECT_SITE, SITE_STARBASE);
    ASSERT_TRUE(starbase && starbase->frame_count > 0 && starbase->frames && starbase->frames[0]);
    start_ui_turn();
    GameObject *mine = screen()->acting;
    GameObject *enemy = fighting(side_b->id).at(0);
    Shot *missile = shot_create(SHOT_TEMPLATE_MISSILE);
    ASSERT_NE(missile, nullptr);
    object_add_ref(missile);
    object_set_owner_id(missile, side_b->id);
    shot_set_source(missile, enemy);
    shot_set_target(missile, mine);

    combat_set_acting(missile);
    combat_show_missile_warning();
    game_flush_new_controls(game);
    Control *warning = game_find_control(game, COMBAT_ID_MISSILE_WARNING);
    ASSERT_NE(warning, nullptr);
    Control *picture = nullptr;
    int words_bottom = 0;
    for (Control *c : panel_of(warning)->children.items) {
        if (!c || (c->flags & CTRL_REMOVED)) continue;
        if (c->type == CONTROL_TEXT) words_bottom = std::max(words_bottom, c->y + c->h);
        if (image_of(c) && image_of(c)->image_type != 73) picture = c;
    }
    ASSERT_NE(picture, nullptr) << "the warning has a picture beside its icon";
    EXPECT_EQ(image_of(picture)->sprite, starbase->frames[0]);
    EXPECT_GE(picture->w, 1);
    EXPECT_GE(picture->y, words_bottom + 8);

    combat_close_object_panels();
    combat_set_acting(mine);
    shot_set_source(missile, nullptr);
    shot_set_target(missile, nullptr);
    object_release(missile);
}

// The panels hold no handlers of their own: what their orders lead to is filled in by the screen
// that opens them, every slot of it.
TEST_F(CombatSelection, TheScreenFillsEveryCommandSlotOfThePanelsItOpens) {
    start_ui_turn();
    GameObject *mine = screen()->acting;
    UnitStatusPanelState *status = unit_status_panel_state(combat_find_unit_status());
    ASSERT_NE(status, nullptr);
    for (int slot = UNIT_STATUS_SLOT_MOVE; slot <= UNIT_STATUS_SLOT_SYSTEM; ++slot)
        EXPECT_NE(status->slot[slot], nullptr) << "unit status slot " << slot;

    combat_open_object_details(mine);
    game_flush_new_controls(game);
    PanelCommandSlots *details = panel_command_slots(game_find_control(game, COMBAT_ID_SHIP_DETAILS));
    ASSERT_NE(details, nullptr);
    EXPECT_NE(details->slot[SHIP_DETAILS_SLOT_CLOSE], nullptr);

    Shot *shot = shot_create(SHOT_TEMPLATE_MISSILE);
    ASSERT_NE(shot, nullptr);
    object_add_ref(shot);
    combat_open_object_details(shot);
    game_flush_new_controls(game);
    PanelCommandSlots *shot_panel = panel_command_slots(game_find_control(game, COMBAT_ID_SHOT_PANEL));
    ASSERT_NE(shot_panel, nullptr);
    EXPECT_NE(shot_panel->slot[SHOT_PANEL_SLOT_BACK], nullptr);
    combat_close_object_panels();
    frame();
    object_release(shot);
}

// While the computer players act, each of their ships' panels opens again and grows in: it shows
// what it holds as it grows, never an empty frame over the darkened map.
TEST_F(CombatSelection, AComputerShipsPanelShowsItsContentsWhileItGrows) {
    start_battle();   // two computer players
    Control *status = nullptr;
    ASSERT_TRUE(run_until([&] {
        status = combat_find_unit_status();
        return status && panel_is_resizing(status) && status->w >= 60 && status->h >= 30;
    }, 3000));
    // The frame just drawn, inside the panel's border: the darkened map alone has no bright pixel.
    int lit = 0;
    for (int y = std::max(status->y + 2, 0); y < std::min(status->y + status->h - 2, GFX_HEIGHT); ++y)
        for (int x = std::max(status->x + 2, 0); x < std::min(status->x + status->w - 2, GFX_WIDTH); ++x) {
            const ui_test::Rgb c = driver.pixel(x, y);
            lit += std::max({c.r, c.g, c.b}) >= 120;
        }
    EXPECT_GT(lit, 20) << "a panel of " << status->w << " x " << status->h << " grows in over its contents";
}

}  // namespace
