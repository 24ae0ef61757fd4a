// The officer panels and the moves behind them on a real seeded game: the officer detail panel,
// the commanding officer panel, the starship "Assign Officer" dialog and galaxy_assign_officer.
#include "../galaxy/panels_test_support.h"

#include <functional>
#include <string>

#include "game/officer.h"
#include "screens/galaxy/officer_handlers.h"
#include "screens/officers/commanding_officer_panel.h"
#include "screens/officers/officer_detail_panel.h"
#include "screens/officers/officer_choice.h"
#include "ui/image_control.h"
#include "ui/panel_slots.h"
#include "ui/scroll.h"
#include "ui/text_label.h"
#include "ui/value_bar.h"
#include "world/factory.h"
#include "world/site.h"

using namespace galaxy_test;

namespace {

constexpr int OFFICER_PANELS_IMAGE_TYPES[] = {IMAGE_CLOSE, IMAGE_TRAIN, IMAGE_CANCEL, IMAGE_CREDITS, IMAGE_PORTRAIT,
                                              IMAGE_ARMOUR, IMAGE_SKILL_PIP, IMAGE_CLOCK, IMAGE_CREW, IMAGE_COMMANDER,
                                              IMAGE_RANK_FIRST, IMAGE_RANK_FIRST + 1, IMAGE_RANK_FIRST + 2,
                                              IMAGE_RANK_FIRST + 3, IMAGE_RANK_FIRST + 4, IMAGE_RANK_LAST,
                                              IMAGE_REASSIGN, IMAGE_SKILL_NAVIGATION, IMAGE_SKILL_ENGINEERING,
                                              IMAGE_SKILL_MARKSMANSHIP, IMAGE_SKILL_COMMAND, IMAGE_SKILL_SENSORS,
                                              IMAGE_SKILL_MINING, IMAGE_CADET, IMAGE_NO_COMMANDER, IMAGE_SECTORS,
                                              IMAGE_DATE, IMAGE_REPLACE_OFFICER, IMAGE_TALLY, IMAGE_SKILL_SCIENCE,
                                              IMAGE_SKILL_FIELD_REPAIR, IMAGE_SKILL_INSTRUCTION};

std::string text_of(const Control *c) {
    const TextLabel *t = text_label_of(c);
    return t && t->text ? t->text : "";
}
void walk(Control *panel, const std::function<void(Control *)> &visit) {
    if (!panel_of(panel)) return;
    for (Control *c : panel_of(panel)->children.items)
        if (c && !(c->flags & CTRL_REMOVED)) visit(c), walk(c, visit);
}
bool shows(Control *panel, const std::string &text) {
    bool found = false;
    walk(panel, [&](Control *c) { found = found || text_of(c) == text || (image_of(c) && image_of(c)->caption && text == image_of(c)->caption); });
    return found;
}
Control *button(Control *panel, const std::string &caption) {
    Control *found = nullptr;
    walk(panel, [&](Control *c) {
        if (!found && image_of(c) && image_of(c)->caption && caption == image_of(c)->caption) found = c;
    });
    return found;
}
Control *tagged(Control *panel, int tag) {
    Control *found = nullptr;
    walk(panel, [&](Control *c) { found = found ? found : (c->tag == tag ? c : nullptr); });
    return found;
}

int g_slot_calls[16];
template <int K> void count_slot(Control *) { ++g_slot_calls[K]; }

}  // namespace

class OfficerPanels : public PanelsGame {
protected:
    Sector *home = nullptr;
    Site *base = nullptr;
    std::vector<Ship *> ships;

    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : OFFICER_PANELS_IMAGE_TYPES)
            ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
        for (int32_t t = 0; t < SITE_TEMPLATE_COUNT; ++t) factory_acquire_group(OBJECT_SITE, t, FACTORY_GROUP_FRAMES);
        for (int32_t t = 0; t < SHIP_TEMPLATE_COUNT; ++t) factory_acquire_group(OBJECT_SHIP, t, FACTORY_GROUP_FRAMES);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        ships = ui_ships_at_home(3, &home);
        ASSERT_EQ(ships.size(), 3u);
        base = sector_find_site_of_kind(home, SITE_STARBASE);
        ASSERT_NE(base, nullptr);
        ASSERT_EQ(base->owner_id, game->ui_player_id);
        for (int &n : g_slot_calls) n = 0;
    }
    void TearDown() override {
        for (Control *c : held_) control_release(c);
        for (int type : OFFICER_PANELS_IMAGE_TYPES) image_control_free_type(type);
        PanelsGame::TearDown();
    }
    // One reference of the test's own, so that a panel's removal can be read after the sweep.
    Control *hold(Control *c) {
        if (c) held_.push_back(control_addref(c));
        return c;
    }
    std::vector<Control *> held_;

    // A new officer of the UI player (its list holds it), hired at rank, with two skills.
    Officer *hire(const char *name, int rank) {
        Officer *o = officer_create();
        o->name = name;
        o->rank = rank;
        o->owner_id = game->ui_player_id;
        o->portrait = rank > 0 ? 3 : -1;
        o->skills[SKILL_COMMAND] = 2;
        o->skills[SKILL_SENSORS] = 1;
        o->training_cost = 700;
        o->figures[0] = 20;
        player_add_officer(game->ui_player, o);
        return o;
    }
    Ship *ship_with_pilot(int i, Officer *pilot) {
        ship_set_pilot(ships[size_t(i)], pilot);
        return ships[size_t(i)];
    }
    int pool_count(const Officer *o) {
        int n = 0;
        for (Officer *p : base->officers.items) n += p == o;
        return n;
    }
    // A top-level panel of the test's own, shown.
    Control *top_panel(int x = 40, int y = 40) {
        Control *panel = game_add_control(game, x, y, 0, 0, panel_create_empty());
        game_flush_new_controls(game);
        return panel;
    }
};

// ---- The officer detail panel ----

TEST_F(OfficerPanels, CadetAndHiredOfficerEachShowTheirOwnRecord) {
    Officer *cadet = hire("Cadet Ames", RANK_CADET);
    Officer *captain = hire("Captain Bell", RANK_CAPTAIN);
    captain->experience = 25000;
    ship_with_pilot(0, captain);

    Control *panel = top_panel();
    officer_detail_panel_build(panel, cadet, 7);
    EXPECT_EQ(panel_find_child(panel, OFFICER_PANEL_PORTRAIT), nullptr);
    EXPECT_EQ(tagged(panel, OFFICER_PANEL_XP_BAR_TAG), nullptr);
    EXPECT_TRUE(shows(panel, "Enrolled"));
    EXPECT_TRUE(shows(panel, "Jan 01 2600")) << "a zeroed date reads as the first day, through the one formatter";
    EXPECT_FALSE(shows(panel, "Battles"));
    EXPECT_NE(panel_find_child(panel, OFFICER_PANEL_COST_TAG), nullptr);

    officer_detail_panel_build(panel, captain, 7);   // rebuilt in place
    EXPECT_NE(panel_find_child(panel, OFFICER_PANEL_PORTRAIT), nullptr);
    EXPECT_TRUE(shows(panel, "Hired") && shows(panel, "Battles") && shows(panel, "Kills") && shows(panel, "Escapes"));
    EXPECT_FALSE(shows(panel, "Enrolled"));
    EXPECT_EQ(panel_find_child(panel, OFFICER_PANEL_COST_TAG), nullptr);
    EXPECT_TRUE(shows(panel, "Starship " + std::string(object_get_name(ships[0]))));
    const ValueBar *bar = value_bar_of(tagged(panel, OFFICER_PANEL_XP_BAR_TAG));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->value, 5000);    // 25000 - 20000, of the 20000 to Commodore
    EXPECT_EQ(bar->max, 20000);
    frames(20);
    driver.save_screen("officer_detail_panel.png");
}

// The bar's figures are the officer's experience and what the next rank asks: a new officer reads
// "1/10000", not "0/9999"; the top rank has no next rank to show.
TEST_F(OfficerPanels, TheExperienceBarReadsTheOfficersExperienceAgainstTheNextRank) {
    Officer *hired = hire("Lt Dace", RANK_LT_COMMANDER);
    Control *panel = top_panel();
    for (auto [xp, caption] : {std::pair{1, "1/10000"}, std::pair{9999, "9999/10000"}}) {
        hired->experience = xp;
        officer_detail_panel_build(panel, hired, 3);
        const ValueBar *bar = value_bar_of(tagged(panel, OFFICER_PANEL_XP_BAR_TAG));
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->caption, caption);
        EXPECT_EQ(bar->value, xp - 1) << "the bar still fills over the rank's own span";
    }
    frames(20);
    driver.save_screen("newcomer/officer_detail_xp.png");
}

TEST_F(OfficerPanels, TopRankBarIsEmptyAtTheThresholdAndFullPastIt) {
    Officer *admiral = hire("Fleet Admiral Cole", RANK_FLEET_ADMIRAL);
    Control *panel = top_panel();
    for (auto [xp, value] : {std::pair{120000, 0}, std::pair{120001, 1}}) {
        admiral->experience = xp;
        officer_detail_panel_build(panel, admiral, 3);
        const ValueBar *bar = value_bar_of(tagged(panel, OFFICER_PANEL_XP_BAR_TAG));
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->max, 1) << xp;
        EXPECT_EQ(bar->value, value) << xp;
    }
}

TEST_F(OfficerPanels, TrainBelowTheCostIsDeadButAPausedTrainingResumes) {
    Officer *cadet = hire("Cadet Dunn", RANK_CADET);
    cadet->sector_id = home->id;
    game->ui_player->credits = cadet->training_cost - 1;
    Control *panel = top_panel();
    officer_detail_panel_build(panel, cadet, 7);
    panel_set_slot(panel, OFFICER_DETAIL_PANEL_SLOT_TRAIN, count_slot<OFFICER_DETAIL_PANEL_SLOT_TRAIN>);
    frame();
    Control *train = button(panel, "Train");
    ASSERT_NE(train, nullptr);
    EXPECT_TRUE(image_control_is_highlighted(train));
    EXPECT_STREQ(image_of(train)->tooltip_text, "Insufficient credits");
    click(train);
    press('t');
    EXPECT_EQ(g_slot_calls[OFFICER_DETAIL_PANEL_SLOT_TRAIN], 0);

    // The cadet's training paused at the sector's training site: Resume at the saved figures.
    Site *school = site_create(SITE_TRAINING);
    object_assign_id(school);
    object_set_owner_id(school, game->ui_player_id);
    sector_add_site(home, school, 500, 300);
    school->state |= SITE_PAUSED_KEPT;
    school->paused_item_id = cadet->id;
    school->paused_cost = 5000;
    school->paused_remaining = 3 * 1440 + 1;
    officer_detail_panel_build(panel, cadet, 7);
    panel_set_slot(panel, OFFICER_DETAIL_PANEL_SLOT_TRAIN, count_slot<OFFICER_DETAIL_PANEL_SLOT_TRAIN>);
    frame();
    EXPECT_EQ(button(panel, "Train"), nullptr);
    EXPECT_TRUE(shows(panel, "$5000") && shows(panel, "4"));
    press('r');
    EXPECT_EQ(g_slot_calls[OFFICER_DETAIL_PANEL_SLOT_TRAIN], 1);
}

TEST_F(OfficerPanels, AnotherPlayersOfficerOffersNothing) {
    Officer *captain = hire("Captain Eyre", RANK_CAPTAIN);
    ship_with_pilot(0, captain);
    Control *panel = top_panel();
    officer_detail_panel_build(panel, captain, 3);
    EXPECT_EQ(panel_find_child(panel, OFFICER_PANEL_BUTTONS), nullptr);
    officer_detail_panel_build(panel, captain, 7);   // the owner's view: Reassign at the home starbase
    EXPECT_NE(button(panel, "Reassign"), nullptr);
}

// ---- The commanding officer panel ----

TEST_F(OfficerPanels, CommandingPanelOffersThePostsTheOfficerMayTake) {
    Officer *loose = hire("Unassigned Fry", RANK_LT_COMMANDER);
    Officer *pooled = hire("Pooled Gale", RANK_LT_COMMANDER);
    site_add_officer(base, pooled);
    Officer *pilot = hire("Pilot Hart", RANK_COMMANDER);
    ship_with_pilot(0, pilot);
    Control *panel = top_panel();

    commanding_officer_panel_build(panel, loose);
    EXPECT_EQ(list_count(&panel_of(panel)->children), 0);
    EXPECT_NE(commanding_officer_panel_state(panel), nullptr);

    commanding_officer_panel_build(panel, pooled);
    EXPECT_NE(panel_find_child(panel_find_child(panel, COMMANDING_ID_LIST), COMMANDING_ID_STARBASE_ROW), nullptr);
    EXPECT_FALSE(shows(panel, "Starbase - Officer pool"));

    commanding_officer_panel_build(panel, pilot);
    CommandingOfficerState *s = commanding_officer_panel_state(panel);
    for (GameObject *target : s->targets.items) EXPECT_NE(target, ships[0]) << "its own ship is no post";
    EXPECT_EQ(list_count(&s->targets), sector_count_objects_of_owner(home, game->ui_player_id) - 1);
    EXPECT_EQ(list_count(&s->rows), list_count(&s->targets) + 2);
    EXPECT_TRUE(shows(panel, "Starbase - Officer pool"));
    frames(20);
    driver.save_screen("commanding_officer_panel.png");

    // Two ship rows and the two starbase rows pass the 280 pixels: the list is cut and scrolls by
    // 24 per wheel notch, its offset following the bar.
    Control *list = panel_find_child(panel, COMMANDING_ID_LIST), *bar = panel_find_child(panel, COMMANDING_ID_SCROLL);
    ASSERT_GT(s->content_height, COMMANDING_LIST_MAX_HEIGHT);
    EXPECT_EQ(list->h, COMMANDING_LIST_MAX_HEIGHT);
    ASSERT_NE(bar, nullptr);
    int lx = 0, ly = 0, position = -1, range = 0;
    control_get_screen_position(list, &lx, &ly);
    ui_test::mouse_at(lx + 3, ly + list->h - 3);
    frame();
    ui_test::wheel(1);
    frame();
    scroll_bar_get(bar, &position, &range);
    EXPECT_EQ(position, COMMANDING_WHEEL_STEP);
    EXPECT_EQ(panel_of(list)->scroll_y, (s->content_height - COMMANDING_LIST_MAX_HEIGHT) * position / range);

    // Cancel calls slot 5 and leaves the panel; the title closes it without a slot.
    s->slot[COMMANDING_SLOT_BACK] = count_slot<COMMANDING_SLOT_BACK>;
    click(panel_find_child(panel, COMMANDING_ID_CANCEL));
    EXPECT_EQ(g_slot_calls[COMMANDING_SLOT_BACK], 1);
    EXPECT_FALSE(panel->flags & CTRL_REMOVED);
    commanding_officer_panel_on_title(panel_find_child(panel, COMMANDING_ID_TITLE));
    EXPECT_TRUE(panel->flags & CTRL_REMOVED);
    EXPECT_EQ(g_slot_calls[COMMANDING_SLOT_BACK], 1);
}

// ---- The starship Assign Officer dialog ----

TEST_F(OfficerPanels, AssignDialogListsCandidatesInOrderAndLetsThemGo) {
    Officer *commander = hire("Base Iles", RANK_CAPTAIN);
    site_set_pilot(base, commander);
    Officer *first = hire("Pool Jay", RANK_LT_COMMANDER), *second = hire("Pool Kemp", RANK_LT_COMMANDER);
    site_add_officer(base, first);
    site_add_officer(base, second);
    Officer *own = hire("Own Lark", RANK_COMMANDER), *other = hire("Other Moss", RANK_COMMANDER);
    ship_with_pilot(0, own);
    ship_with_pilot(1, other);
    const int32_t before = first->refcount;

    Control *dialog = top_panel();
    officer_choice_build(dialog, ships[0], OFFICER_CHOICE_CANCEL);
    OfficerChoiceState *s = officer_choice_state(dialog);
    ASSERT_NE(s, nullptr);
    ASSERT_GE(list_count(&s->officers), 4);
    EXPECT_EQ(list_get(&s->officers, 0), commander);
    EXPECT_EQ(list_get(&s->officers, 1), first);
    EXPECT_EQ(list_get(&s->officers, 2), second);
    EXPECT_EQ(list_get(&s->officers, 3), other);
    for (Officer *o : s->officers.items) EXPECT_NE(o, own) << "the ship's own commander";
    EXPECT_EQ(first->refcount, before + 1);
    EXPECT_EQ(officer_choice_picked(dialog), nullptr);
    frames(20);
    driver.save_screen("assign_officer_dialog.png");

    panel_set_slot(dialog, OFFICER_CHOICE_SLOT_PICK, count_slot<OFFICER_CHOICE_SLOT_PICK>);
    click(list_get(&s->rows, 2));
    EXPECT_EQ(g_slot_calls[OFFICER_CHOICE_SLOT_PICK], 1);
    EXPECT_EQ(officer_choice_picked(dialog), second);

    control_remove(dialog);
    frames(2);   // the sweep frees the dialog and its state
    EXPECT_EQ(first->refcount, before);
}

// ---- Moving officers ----

TEST_F(OfficerPanels, PoolMovesLeaveTheOldPostAndNeverListAnOfficerTwice) {
    Officer *o = hire("Mover Nash", RANK_COMMANDER);
    site_add_officer(base, o);
    galaxy_assign_officer(o, base, 0);   // already there
    EXPECT_EQ(pool_count(o), 1);

    galaxy_assign_officer(o, base, 1);   // the pool officer takes the command; nobody held it before
    EXPECT_EQ(base->commander, o);
    EXPECT_EQ(pool_count(o), 0);
    galaxy_assign_officer(o, base, 0);   // back into the pool: the command is left
    EXPECT_EQ(base->commander, nullptr);
    EXPECT_EQ(o->site_id, 0u);
    EXPECT_EQ(pool_count(o), 1);

    Ship *ship = ship_with_pilot(0, hire("Pilot Orr", RANK_COMMANDER));
    Officer *pilot = ship->pilot;
    ship_set_crew(ship, ship->max_crew);
    const int32_t crew = ship->crew, base_crew = base->crew;
    galaxy_assign_officer(pilot, base, 0);
    EXPECT_EQ(ship->pilot, nullptr);
    EXPECT_EQ(pilot->ship_id, 0u);
    EXPECT_EQ(pool_count(pilot), 1);
    EXPECT_EQ(ship->crew, 0);
    EXPECT_EQ(base->crew, base_crew + crew) << "the crew goes with its commander";
}

TEST_F(OfficerPanels, CommandsChangeHandsAndCrewFollowsThePilot) {
    Officer *old_commander = hire("Base Pike", RANK_CAPTAIN), *pooled = hire("Pool Quinn", RANK_COMMANDER);
    site_set_pilot(base, old_commander);
    site_add_officer(base, pooled);
    galaxy_assign_officer(pooled, base, 1);
    EXPECT_EQ(base->commander, pooled);
    EXPECT_EQ(pool_count(old_commander), 1);
    EXPECT_EQ(old_commander->site_id, 0u);

    Officer *pilot = hire("Pilot Reed", RANK_COMMANDER);
    Ship *a = ship_with_pilot(0, pilot), *b = ships[1];
    ship_set_pilot(b, nullptr);
    ship_set_crew(b, 0);
    ship_set_crew(a, 150);
    galaxy_assign_officer(pilot, b, 0);
    EXPECT_EQ(b->pilot, pilot);
    EXPECT_EQ(a->pilot, nullptr);
    EXPECT_EQ(b->crew, std::min(150, b->max_crew));
    EXPECT_EQ(a->crew, 0);

    galaxy_assign_officer(old_commander, b, 0);   // a pool officer takes a commanded ship
    EXPECT_EQ(b->pilot, old_commander);
    EXPECT_EQ(pool_count(old_commander), 0);
    EXPECT_EQ(pool_count(pilot), 1);

    Ship *unmanned = ships[2];
    unmanned->hull_flags |= HULL_FLAG_NO_PILOT;
    galaxy_assign_officer(old_commander, unmanned, 0);
    EXPECT_EQ(b->pilot, old_commander) << "a hull without a pilot's seat takes nobody";
}

// ---- The galaxy screen's road: officer panel, Reassign, a post picked ----

TEST_F(OfficerPanels, ReassignOpensTheCommandingPanelInPlaceAndAPickTakesTheCommand) {
    Officer *pilot = hire("Pilot Sato", RANK_CAPTAIN);
    ship_with_pilot(0, pilot);
    Officer *old_commander = base->commander;
    Control *officer_panel = hold(galaxy_object_panel_open(GALAXY_PANEL_OFFICER));
    galaxy_officer_panel_build(officer_panel, pilot);
    game_flush_new_controls(game);
    frame();
    press('a');
    Control *commanding = hold(galaxy_object_panel_find(GALAXY_PANEL_COMMANDER));
    ASSERT_NE(commanding, nullptr);
    EXPECT_TRUE(officer_panel->flags & CTRL_REMOVED) << "the commanding panel takes the officer panel's place";
    frames(12);   // grown into place
    click(panel_find_child(panel_find_child(commanding, COMMANDING_ID_LIST), COMMANDING_ID_STARBASE_ROW));
    EXPECT_EQ(base->commander, pilot);
    EXPECT_EQ(ships[0]->pilot, old_commander) << "the former commander takes the ship: the two change places";
    EXPECT_EQ(pilot->ship_id, 0u);
    EXPECT_TRUE(commanding->flags & CTRL_REMOVED);
}

TEST_F(OfficerPanels, ReplaceOpensTheAssignDialogAndAPickSwapsTheCommanders) {
    Officer *a = hire("Pilot Tate", RANK_CAPTAIN), *b = hire("Pilot Ueda", RANK_COMMANDER);
    ship_with_pilot(0, a);
    ship_with_pilot(1, b);
    Control *officer_panel = hold(galaxy_object_panel_open(GALAXY_PANEL_OFFICER));
    galaxy_officer_panel_build(officer_panel, a);
    game_flush_new_controls(game);
    frame();
    press('e');
    Control *dialog = hold(galaxy_object_panel_find(GALAXY_PANEL_ASSIGN_SHIP));
    ASSERT_NE(dialog, nullptr);
    OfficerChoiceState *s = officer_choice_state(dialog);
    ASSERT_NE(s, nullptr);
    int row = -1;
    for (int i = 0; i < list_count(&s->officers); ++i)
        if (list_get(&s->officers, i) == b) row = i;
    ASSERT_GE(row, 0);
    frames(12);
    click(list_get(&s->rows, row));
    EXPECT_EQ(ships[0]->pilot, b);
    EXPECT_EQ(ships[1]->pilot, a);
    EXPECT_TRUE(dialog->flags & CTRL_REMOVED);
}

TEST_F(OfficerPanels, SkillRowOpensItsBonusPopupAfterTheDwellAndLeavingClosesIt) {
    Officer *captain = hire("Captain Vale", RANK_CAPTAIN);
    Control *panel = top_panel();
    officer_detail_panel_build(panel, captain, 3);
    frames(15);
    Control *row = tagged(panel, OFFICER_PANEL_SKILL_ROW_TAG);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(panel_of(row)->value, SKILL_COMMAND);
    int x = 0, y = 0;
    control_get_screen_position(row, &x, &y);
    ui_test::mouse_at(x + 4, y + row->h / 2);
    frames(10);   // 200 ms: not yet
    EXPECT_EQ(find(CONTROL_ID_POPUP), nullptr);
    frames(20);
    EXPECT_NE(find(CONTROL_ID_POPUP), nullptr);
    ui_test::mouse_at(x + row->w + 300, y + 300);
    frames(2);
    EXPECT_EQ(find(CONTROL_ID_POPUP), nullptr);
}

TEST_F(OfficerPanels, ResumingAPausedTrainingChargesTheSavedCostAndGoesBackToTheSite) {
    Site *school = site_create(SITE_TRAINING);
    object_assign_id(school);
    object_set_owner_id(school, game->ui_player_id);
    sector_add_site(home, school, 500, 300);
    Officer *cadet = hire("Cadet West", RANK_CADET);
    site_add_officer(school, cadet);
    school->state |= SITE_PAUSED_KEPT;
    school->paused_item_id = cadet->id;
    school->paused_cost = 250;
    school->paused_remaining = 2 * 1440;
    game->ui_player->credits = 1000;
    galaxy_select_object(school);

    Control *officer_panel = hold(galaxy_object_panel_open(GALAXY_PANEL_OFFICER));
    galaxy_officer_panel_build(officer_panel, cadet);
    game_flush_new_controls(game);
    frame();
    press('r');
    EXPECT_TRUE(school->state & SITE_PRODUCING);
    EXPECT_EQ(school->item_id, cadet->id);
    EXPECT_EQ(school->remaining_min, 2 * 1440);
    EXPECT_EQ(game->ui_player->credits, 750) << "the saved cost, not the training cost of 700";
    EXPECT_TRUE(officer_panel->flags & CTRL_REMOVED);
}

// The officer panel offered "Train", then the credits went elsewhere while it stood open: the
// order checks again, trains nobody and charges nothing.
TEST_F(OfficerPanels, TrainLeftOpenAfterTheCreditsWentTrainsNobody) {
    Site *school = site_create(SITE_TRAINING);
    object_assign_id(school);
    object_set_owner_id(school, game->ui_player_id);
    sector_add_site(home, school, 500, 300);
    Officer *cadet = hire("Cadet Rhee", RANK_CADET);
    site_add_officer(school, cadet);
    ASSERT_GT(cadet->training_cost, 0);
    game->ui_player->credits = cadet->training_cost + 100;
    galaxy_select_object(school);

    Control *officer_panel = hold(galaxy_object_panel_open(GALAXY_PANEL_OFFICER));
    galaxy_officer_panel_build(officer_panel, cadet);
    game_flush_new_controls(game);
    frame();
    ASSERT_NE(button(officer_panel, "Train"), nullptr);
    game->ui_player->credits = cadet->training_cost - 1;
    galaxy_officer_on_train(officer_panel);
    EXPECT_FALSE(school->state & SITE_PRODUCING);
    EXPECT_EQ(game->ui_player->credits, cadet->training_cost - 1) << "credits never fall to 0 for a free cadet";
}
