// The encounter choice dialog, its battle map and the battle group panel, on a real seeded game
// with a staged meeting: what the viewer is offered, how the choice is made and shown, how the map
// scales the field, and what a side's battle group lists.
#include "encounter_test_support.h"

#include <string>
#include "../../support/fixture_store.h"
#include "game/encounter_life.h"
#include "platform/colour_fade.h"
#include "screens/galaxy/encounter_dialog.h"
#include "ui/game_controls.h"
#include "ui/panel_slots.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "views/ship_list.h"

using namespace encounter_test;

namespace {

using galaxy_test::readers::text_of;

// What the owner's slots saw, and when (in ms of the test's clock).
struct SlotCalls {
    int side = 0, made = 0, done = 0;
    Player *side_seen = nullptr;
    int made_at = -1, done_at = -1;
    int clock = 0;
    GameObject *ship_seen = nullptr;
    int ships = 0;
};
SlotCalls calls;

void on_side(Control *dialog) {
    ++calls.side;
    calls.side_seen = encounter_dialog_picked_side(dialog);
}
void on_made(Control *) {
    ++calls.made;
    calls.made_at = calls.clock;
}
void on_done(Control *) {
    ++calls.done;
    calls.done_at = calls.clock;
}
void on_ship(Control *panel) {
    ++calls.ships;
    calls.ship_seen = battle_group_panel_picked_ship(panel);
}

bool live(const Control *c) { return c && !(c->flags & CTRL_REMOVED); }

// The live children of a panel that pass the test.
template <typename Test>
std::vector<Control *> children(Control *panel, Test test) {
    std::vector<Control *> out;
    for (Control *c : panel_of(panel)->children.items) {
        if (!c) break;
        if (live(c) && test(c)) out.push_back(c);
    }
    return out;
}

std::vector<std::string> labels(Control *panel) {
    std::vector<std::string> out;
    for (Control *c : children(panel, [](Control *c) { return c->type == CONTROL_TEXT; })) out.push_back(text_of(c));
    return out;
}

// A stat-rows table's rows as "label value".
std::vector<std::string> stat_rows(Control *table) {
    std::vector<std::string> out;
    for (int i = 0; Control *row = ui_stat_rows_row(table, i); ++i)
        out.push_back(text_of(panel_find_child(row, STAT_ROW_LABEL_ID)) + " " +
                      text_of(panel_find_child(row, STAT_ROW_VALUE_ID)));
    return out;
}

class EncounterDialog : public StagedMeeting {
protected:
    void SetUp() override {
        StagedMeeting::SetUp();
        calls = SlotCalls{};
    }

    // The dialog as the galaxy screen shows it: built, slots filled, on the top level.
    Control *open_dialog(Encounter *enc, uint64_t viewer_id) {
        Control *dialog = panel_create_empty();
        encounter_dialog_build(dialog, enc, viewer_id);
        panel_set_slot(dialog, ENCOUNTER_SLOT_SIDE_PICK, on_side);
        panel_set_slot(dialog, ENCOUNTER_SLOT_CHOICE_MADE, on_made);
        panel_set_slot(dialog, ENCOUNTER_SLOT_DIALOG_DONE, on_done);
        game_add_control(game, 120, 60, GALAXY_PANEL_ENCOUNTER, 0, dialog);
        game_flush_new_controls(game);
        frames(25);   // past the buttons' entry flash
        return dialog;
    }
    Control *open_dialog(Encounter *enc) { return open_dialog(enc, game->ui_player_id); }

    void tick(int count) {
        for (int i = 0; i < count; ++i) {
            frame();
            calls.clock += 20;
        }
    }

    // A child of the dialog, or a button of its row.
    static Control *child(Control *dialog, int id) {
        if (Control *c = panel_find_child(dialog, id)) return c;
        Control *row = panel_find_child(dialog, ENCOUNTER_DIALOG_BUTTONS);
        return row ? panel_find_child(row, id) : nullptr;
    }
    static std::vector<Control *> buttons(Control *dialog) {
        Control *row = child(dialog, ENCOUNTER_DIALOG_BUTTONS);
        if (!row) return {};
        return children(row, [](Control *c) { return c->type == CONTROL_IMAGE; });
    }
    static std::vector<Control *> boxes(Control *map) {
        return children(map, [](Control *c) { return c->id == BATTLE_MAP_GROUP_BOX; });
    }
    static Control *box_of(Control *map, const Player *owner) {
        for (Control *box : boxes(map))
            if (box->widget_state == owner) return box;
        return nullptr;
    }
};

// ---- What the viewer is offered -----------------------------------------------------------------

TEST_F(EncounterDialog, AnEngagementAtHomeOffersRetreatThenEngageUnderTheTitleAndPlace) {
    Encounter *enc = stage_home_meeting();
    ASSERT_NE(enc, nullptr);
    ASSERT_EQ(enc->kind, ENCOUNTER_ENGAGEMENT);
    ASSERT_TRUE(encounter_has_side(enc, rival->id));
    Control *dialog = open_dialog(enc);
    EXPECT_EQ(encounter_dialog_encounter(dialog), enc);
    EXPECT_EQ(dialog->user_data, enc);
    EXPECT_EQ(text_of(child(dialog, ENCOUNTER_DIALOG_TITLE)), "Combat");
    const std::string place = std::string(object_get_name(home)) + " sector";
    const std::vector<std::string> texts = labels(dialog);
    EXPECT_NE(std::find(texts.begin(), texts.end(), place), texts.end()) << "the location line";

    const std::vector<Control *> row = buttons(dialog);
    ASSERT_EQ(row.size(), 2u);
    EXPECT_EQ(row[0]->id, ENCOUNTER_DIALOG_RETREAT) << "Retreat first";
    EXPECT_EQ(row[1]->id, ENCOUNTER_DIALOG_ENGAGE);
    EXPECT_LT(row[0]->x, row[1]->x);
    for (Control *b : row) EXPECT_FALSE(image_control_is_highlighted(b)) << b->id;

    // Map under the place line, the row under the map and flush right, the close box top right.
    Control *map = child(dialog, ENCOUNTER_DIALOG_MAP);
    Control *buttons_row = child(dialog, ENCOUNTER_DIALOG_BUTTONS);
    Control *close = child(dialog, ENCOUNTER_DIALOG_CLOSE);
    ASSERT_TRUE(map && buttons_row && close);
    EXPECT_EQ(map->w, BATTLE_MAP_WIDTH);
    const std::vector<Control *> markers = children(map, [](Control *c) {
        return c->type == CONTROL_IMAGE && image_of(c)->image_type == IMAGE_TYPE_GIVEN;
    });
    EXPECT_EQ(markers.size(), size_t(list_count(enc->objects)));
    for (Control *m : markers) EXPECT_NE(image_of(m)->sprite, nullptr) << "the battle's pictures come with the dialog";
    EXPECT_EQ(buttons_row->y, map->y + map->h + 8);
    EXPECT_EQ(buttons_row->x + buttons_row->w, dialog->w - 4);
    EXPECT_EQ(close->x + close->w, dialog->w - 4);
    EXPECT_LE(map->x + map->w, dialog->w);
    EXPECT_GE(dialog->h, buttons_row->y + buttons_row->h + 6);
    EXPECT_EQ(close->hotkey, 27);
    EXPECT_EQ(row[0]->hotkey, 'r');
    EXPECT_EQ(row[1]->hotkey, 'e');
    driver.save_screen("encounter_dialog_home.png");   // for review
}

TEST_F(EncounterDialog, DefendingTheOwnSectorAgainstAnAssaultOffersOnlyEngage) {
    Encounter *enc = stage_home_assault();
    ASSERT_NE(enc, nullptr);
    ASSERT_EQ(enc->kind, ENCOUNTER_STARBASE_ASSAULT);
    Control *dialog = open_dialog(enc);
    const std::vector<Control *> row = buttons(dialog);
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0]->id, ENCOUNTER_DIALOG_ENGAGE);
    EXPECT_EQ(child(dialog, ENCOUNTER_DIALOG_RETREAT), nullptr);
    press('r');
    EXPECT_EQ(calls.made, 0) << "no hidden Retreat answers its key";
    press('e');
    EXPECT_EQ(calls.made, 1);
    EXPECT_EQ(encounter_get_side_choice(enc, game->ui_player_id), ENCOUNTER_CHOICE_ENGAGE);
}

TEST_F(EncounterDialog, WithoutSectorPresenceRetreatIsGreyedAndInertWithItsReason) {
    Encounter *enc = stage_deep_space_meeting();
    ASSERT_NE(enc, nullptr);
    ASSERT_EQ(enc->sector_id, 0u);
    strip_sector_presence();
    Control *dialog = open_dialog(enc);
    const std::vector<std::string> texts = labels(dialog);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Deep space"), texts.end());
    Control *retreat = child(dialog, ENCOUNTER_DIALOG_RETREAT);
    ASSERT_NE(retreat, nullptr);
    EXPECT_TRUE(image_control_is_highlighted(retreat)) << "greyed";

    click(retreat);
    tick(2);
    press('r');
    EXPECT_EQ(calls.made, 0);
    EXPECT_TRUE(control_is_enabled(dialog)) << "nothing was chosen";

    // The reason shows while the pointer rests on it.
    Control *tip = game_find_control(game, CONTROL_ID_TOOLTIP);
    if (!tip) {
        int x = 0, y = 0;
        control_get_screen_position(retreat, &x, &y);
        ui_test::mouse_at(x + 3, y + 3);
        tick(3);
        tip = game_find_control(game, CONTROL_ID_TOOLTIP);
    }
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(labels(tip), std::vector<std::string>{"No destinations available"});

    press('e');
    EXPECT_EQ(calls.made, 1) << "Engage still works";
}

TEST_F(EncounterDialog, AViewerWhoIsNoSideGetsNoDecisionsAndEscapeCloses) {
    Encounter *enc = stage_home_meeting();
    ASSERT_NE(enc, nullptr);
    Player *third = nullptr;
    for (int32_t i = 0; i < game_player_count(game) && !third; ++i) {
        Player *p = game_get_player_at(game, i);
        if (p && !encounter_has_side(enc, p->id)) third = p;
    }
    ASSERT_NE(third, nullptr);
    const int32_t refs = enc->refcount;
    Control *dialog = control_addref(open_dialog(enc, third->id));
    EXPECT_EQ(enc->refcount, refs + 1) << "the dialog holds the encounter";
    EXPECT_EQ(child(dialog, ENCOUNTER_DIALOG_BUTTONS), nullptr);
    EXPECT_EQ(child(dialog, ENCOUNTER_DIALOG_RETREAT), nullptr);
    EXPECT_EQ(child(dialog, ENCOUNTER_DIALOG_ENGAGE), nullptr);
    press('e');
    EXPECT_EQ(calls.made, 0);
    press(27);
    EXPECT_TRUE(dialog->flags & CTRL_REMOVED);
    EXPECT_EQ(calls.made + calls.done + calls.side, 0) << "closing calls no slot";
    tick(5);
    EXPECT_EQ(game_find_control(game, GALAXY_PANEL_ENCOUNTER), nullptr);
    control_release(dialog);
    EXPECT_EQ(enc->refcount, refs) << "freeing the dialog lets go of the encounter";
}

// ---- Choosing ---------------------------------------------------------------------------------------

TEST_F(EncounterDialog, EngageDecidesTheComputerSidesAtTheClickAndCallsBackTwoSecondsLater) {
    Encounter *enc = stage_home_meeting();
    ASSERT_NE(enc, nullptr);
    Control *dialog = open_dialog(enc);
    // Whatever the rival said before, it decides again at the click.
    const int32_t ai_decision = player_ai_accepts_encounter(rival, enc) ? 1 : 0;
    encounter_init_side_choices_all(enc);
    encounter_set_side_choice(enc, 1 - ai_decision, rival->id);

    click(child(dialog, ENCOUNTER_DIALOG_ENGAGE));
    EXPECT_EQ(calls.made, 1) << "on_choice_made comes in the click's frame";
    EXPECT_EQ(calls.made_at, 0);
    EXPECT_EQ(encounter_get_side_choice(enc, game->ui_player_id), ENCOUNTER_CHOICE_ENGAGE);
    EXPECT_EQ(encounter_get_side_choice(enc, rival->id), ai_decision);
    EXPECT_FALSE(control_is_enabled(dialog));
    for (Control *b : buttons(dialog)) EXPECT_TRUE(image_control_is_highlighted(b));

    // Nothing answers any more: the keys and the close box are gone with the choice.
    press('r');
    press(27);
    calls.clock += 80;
    EXPECT_EQ(encounter_get_side_choice(enc, game->ui_player_id), ENCOUNTER_CHOICE_ENGAGE);
    EXPECT_EQ(calls.made, 1);
    EXPECT_FALSE(dialog->flags & CTRL_REMOVED);

    // Every side's decision shows on the map a second after the choice, in place of its totals.
    Control *map = child(dialog, ENCOUNTER_DIALOG_MAP);
    auto icons = [&](int type) {
        return children(map, [type](Control *c) {
                   return c->type == CONTROL_IMAGE && image_of(c)->image_type == type && !(c->flags & CTRL_HIDDEN);
               }).size();
    };
    tick(40);   // 880 ms after the click
    EXPECT_EQ(icons(ENCOUNTER_IMAGE_ENGAGE) + icons(ENCOUNTER_IMAGE_RETREAT), 0u) << "not before 1,000 ms";
    tick(10);
    EXPECT_EQ(icons(ENCOUNTER_IMAGE_ENGAGE), size_t(1 + ai_decision));
    EXPECT_EQ(icons(ENCOUNTER_IMAGE_RETREAT), size_t(1 - ai_decision));
    EXPECT_EQ(child(dialog, ENCOUNTER_DIALOG_CLOSE), nullptr) << "the close box faded away";

    while (calls.done == 0 && calls.clock < 3000) tick(1);
    EXPECT_EQ(calls.done, 1);
    EXPECT_GE(calls.done_at, 1960);
    EXPECT_LE(calls.done_at, 2020);
    tick(100);
    EXPECT_EQ(calls.done, 1) << "once";
}

TEST_F(EncounterDialog, RetreatStoresZeroForTheViewer) {
    Encounter *enc = stage_home_meeting();
    ASSERT_NE(enc, nullptr);
    Control *dialog = open_dialog(enc);
    encounter_init_side_choices_all(enc);
    ASSERT_EQ(encounter_get_side_choice(enc, game->ui_player_id), 1);
    press('r');
    EXPECT_EQ(calls.made, 1);
    EXPECT_EQ(encounter_get_side_choice(enc, game->ui_player_id), ENCOUNTER_CHOICE_RETREAT);
    EXPECT_FALSE(control_is_enabled(dialog));
    press('e');
    EXPECT_EQ(encounter_get_side_choice(enc, game->ui_player_id), ENCOUNTER_CHOICE_RETREAT) << "one choice only";
}

TEST_F(EncounterDialog, ClickingGroupBoxesPicksTheirSidesEachTime) {
    Encounter *enc = stage_home_meeting();
    ASSERT_NE(enc, nullptr);
    Control *dialog = open_dialog(enc);
    Control *map = child(dialog, ENCOUNTER_DIALOG_MAP);
    ASSERT_EQ(boxes(map).size(), 2u) << "one box for each side";
    Control *ours_box = box_of(map, game->ui_player), *theirs_box = box_of(map, rival);
    ASSERT_TRUE(ours_box && theirs_box);
    click(theirs_box);
    tick(1);
    EXPECT_EQ(calls.side, 1);
    EXPECT_EQ(calls.side_seen, rival);
    click(ours_box);
    tick(1);
    click(theirs_box);
    tick(1);
    EXPECT_EQ(calls.side, 3);
    EXPECT_EQ(encounter_dialog_picked_side(dialog), rival);
    EXPECT_EQ(calls.made, 0) << "picking a side chooses nothing";
}

// ---- The battle map ----------------------------------------------------------------------------

class BattleMap : public EncounterDialog {
protected:
    Control *map = nullptr;
    bool graphics_ = false;
    void TearDown() override {
        control_release(map);
        EncounterDialog::TearDown();
    }
    Control *build(Encounter *enc) {
        if (!graphics_) {
            EXPECT_EQ(encounter_load_graphics(enc), RES_OK);   // as the battle's start loads them
            graphics_ = true;
        }
        control_release(map);
        map = control_addref(panel_create_empty());
        battle_map_build(map, enc, 0);
        return map;
    }
    std::vector<Control *> markers() {
        return children(map, [](Control *c) { return c->type == CONTROL_IMAGE && image_of(c)->image_type == IMAGE_TYPE_GIVEN; });
    }
};

TEST_F(BattleMap, TheFieldScalesTo400PixelsAcrossAndMarkersStayInside) {
    Encounter *enc = stage_home_meeting(2, 3);
    ASSERT_NE(enc, nullptr);
    struct Case {
        int32_t w, h, map_h;
    } cases[] = {{1365, 1024, 300}, {800, 400, 200}, {400, 800, 800}};
    for (const Case &c : cases) {
        enc->field_w = c.w;
        enc->field_h = c.h;
        // One ship pushed past each corner of the field.
        encounter_placement_get_or_create(enc, theirs[0]->id, true)->x = c.w + 500;
        encounter_placement_get_or_create(enc, theirs[0]->id, true)->y = c.h + 500;
        encounter_placement_get_or_create(enc, theirs[1]->id, true)->x = -300;
        encounter_placement_get_or_create(enc, theirs[1]->id, true)->y = -300;
        build(enc);
        EXPECT_EQ(battle_map_height(enc), c.map_h) << c.w << "x" << c.h;
        EXPECT_EQ(map->w, BATTLE_MAP_WIDTH);
        EXPECT_EQ(map->h, c.map_h);
        ASSERT_EQ(markers().size(), size_t(list_count(enc->objects))) << "every ship drawn";
        for (Control *m : markers()) {
            EXPECT_GE(m->x, 1);
            EXPECT_GE(m->y, 1);
            EXPECT_LE(m->x + m->w, BATTLE_MAP_WIDTH - 2) << c.w << "x" << c.h;
            EXPECT_LE(m->y + m->h, c.map_h - 2) << c.w << "x" << c.h;
        }
        // Every marker lies inside its owner's box.
        for (Control *m : markers()) {
            const Control *box = box_of(map, object_get_owner(static_cast<GameObject *>(m->user_data)));
            ASSERT_NE(box, nullptr);
            EXPECT_TRUE(m->x >= box->x && m->y >= box->y && m->x + m->w <= box->x + box->w &&
                        m->y + m->h <= box->y + box->h);
        }
        for (Control *box : boxes(map)) {
            EXPECT_GE(box->x, 1);
            EXPECT_GE(box->y, 1);
            EXPECT_LE(box->y + box->h, c.map_h);
        }
    }
}

TEST_F(BattleMap, AFieldWithoutSizeIsDrawnAsOneAndWarned) {
    Encounter *enc = stage_home_meeting();
    ASSERT_NE(enc, nullptr);
    LogFileCatcher log(fresh_test_dir("battle_map"), LOG_WARN);
    for (auto [w, h] : {std::pair{0, 700}, std::pair{1365, 0}, std::pair{-5, -5}}) {
        enc->field_w = w;
        enc->field_h = h;
        build(enc);
        EXPECT_EQ(map->w, BATTLE_MAP_WIDTH);
        EXPECT_GE(map->h, 1);
        for (Control *m : markers()) EXPECT_GE(m->x, 1);
    }
    EXPECT_NE(log.text().find("[WARN]"), std::string::npos);
    EXPECT_NE(log.text().find("drawn as at least 1x1"), std::string::npos);
}

TEST_F(BattleMap, AShipShowsItsRotationFrameForItsStartHeading) {
    Encounter *enc = stage_home_meeting(1, 1);
    ASSERT_NE(enc, nullptr);
    Ship *ship = theirs[0];
    const int32_t count = ship->rot_last - ship->rot_first + 1;
    ASSERT_GT(count, 1) << "the hull turns";
    for (int32_t heading : {0, 90, 180, 359}) {
        encounter_placement_get_or_create(enc, ship->id, true)->heading = heading;
        build(enc);
        const int32_t frame = ship->rot_first + count * heading / 360;
        bool found = false;
        for (Control *m : markers()) found = found || image_of(m)->sprite == ship->frames[frame];
        EXPECT_TRUE(found) << "heading " << heading << " frame " << frame;
    }
}

TEST_F(BattleMap, EachSideHasATintedBoxWithItsCaptionBlock) {
    Encounter *enc = stage_home_meeting(2, 2);
    ASSERT_NE(enc, nullptr);
    enc->has_text = true;
    enc->text = "Home Guard";
    build(enc);
    ASSERT_EQ(boxes(map).size(), 2u);
    const std::vector<std::string> texts = labels(map);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Battle Group"), 2);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Home Guard"), texts.end()) << "the viewer's side";
    EXPECT_NE(std::find(texts.begin(), texts.end(), rival->name), texts.end()) << "other sides keep their names";
    EXPECT_EQ(std::find(texts.begin(), texts.end(), game->ui_player->name), texts.end());

    Control *theirs_box = box_of(map, rival);
    ASSERT_NE(theirs_box, nullptr);
    const ColourFade *fill = panel_background_colour(theirs_box);
    EXPECT_EQ(int(fill->r), rival->red * 28 / 100);
    EXPECT_EQ(int(fill->g), rival->green * 28 / 100);
    EXPECT_EQ(int(fill->b), rival->blue * 28 / 100);

    // The totals are the side's mass and power in the battle.
    int32_t mass = 0, power = 0;
    encounter_sum_owner_stats(enc, &mass, rival->id, &power);
    std::vector<std::string> expected = {"Mass " + std::to_string(mass) + " KT",
                                         "Power " + std::to_string(power) + " TW"};
    bool found = false;
    for (Control *c : children(map, [](Control *c) { return c->type == CONTROL_PANEL; }))
        found = found || stat_rows(c) == expected;
    EXPECT_TRUE(found) << "the rival's totals";

    // A lone ship at the right edge: its caption block goes to the left of its box, inside the map.
    encounter_placement_get_or_create(enc, theirs[0]->id, true)->x = enc->field_w;
    encounter_placement_get_or_create(enc, theirs[1]->id, true)->x = enc->field_w;
    build(enc);
    theirs_box = box_of(map, rival);
    ASSERT_NE(theirs_box, nullptr);
    int leftmost_ship = BATTLE_MAP_WIDTH;
    for (Control *m : markers())
        if (static_cast<GameObject *>(m->user_data)->owner_id == rival->id) leftmost_ship = std::min(leftmost_ship, m->x);
    for (Control *c : children(map, [](Control *c) { return c->type == CONTROL_TEXT; })) {
        EXPECT_LE(c->x + c->w, BATTLE_MAP_WIDTH) << text_of(c);
        EXPECT_GE(c->x, 0) << text_of(c);
        if (text_of(c) == rival->name) {
            EXPECT_LT(c->x + c->w, leftmost_ship) << "the block left of the ships";
        }
    }
}

TEST_F(BattleMap, ASideNearTheBottomEdgeKeepsItsWholeCardInsideTheMap) {
    Encounter *enc = stage_home_meeting(2, 2);
    ASSERT_NE(enc, nullptr);
    const int32_t map_h = battle_map_height(enc);
    for (int32_t fy = enc->field_h - 400; fy <= enc->field_h; fy += 8) {
        for (int i = 0; i < 2; ++i) {
            encounter_placement_get_or_create(enc, theirs[i]->id, true)->x = enc->field_w / 3;
            encounter_placement_get_or_create(enc, theirs[i]->id, true)->y = fy;
        }
        build(enc);
        const Control *box = box_of(map, rival);
        ASSERT_NE(box, nullptr);
        // The card: the caption, the name and the totals, framed whole by the box.
        for (Control *c : children(map, [](Control *c) { return c->type == CONTROL_TEXT || c->type == CONTROL_PANEL; })) {
            if (c == box || c->x < box->x || c->x >= box->x + box->w || c->y < box->y || c->y >= box->y + box->h) continue;
            if (c->type == CONTROL_PANEL && stat_rows(c).empty()) continue;
            EXPECT_LE(c->y + c->h + 6, box->y + box->h) << "at " << fy << ": " << text_of(c);
        }
        EXPECT_LE(box->y + box->h, map_h);
    }
}

TEST_F(BattleMap, TheStarbaseSitsInTheBottomRightCorner) {
    Encounter *enc = stage_home_assault();
    ASSERT_NE(enc, nullptr);
    GameObject *starbase = nullptr;
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (obj->kind == OBJECT_SITE && obj->subtype == SITE_STARBASE) starbase = obj;
    }
    ASSERT_NE(starbase, nullptr);
    build(enc);
    Control *marker = nullptr;
    for (Control *m : markers())
        if (m->user_data == starbase) marker = m;
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(marker->x + marker->w, BATTLE_MAP_WIDTH);
    EXPECT_EQ(marker->y + marker->h, map->h);
}

// ---- The battle group panel --------------------------------------------------------------------

class BattleGroup : public EncounterDialog {
protected:
    Control *open_group(Encounter *enc, uint64_t owner_id) {
        Control *panel = panel_create_empty();
        battle_group_panel_build(panel, enc, owner_id);
        panel_set_slot(panel, BATTLE_GROUP_SLOT_SHIP_PICK, on_ship);
        game_add_control(game, 560, 60, GALAXY_PANEL_ENCOUNTER_INFO, 0, panel);
        game_flush_new_controls(game);
        tick(2);
        return panel;
    }
    static Control *table(Control *panel) {
        for (Control *c : children(panel, [](Control *c) { return c->type == CONTROL_PANEL; }))
            if (ui_stat_rows_row(c, 0)) return c;
        return nullptr;
    }
};

TEST_F(BattleGroup, ASideListsItsShipsByNameWithItsTotals) {
    Encounter *enc = stage_home_meeting(2, 3);
    ASSERT_NE(enc, nullptr);
    Control *panel = open_group(enc, rival->id);
    EXPECT_EQ(battle_group_panel_encounter(panel), enc);
    EXPECT_EQ(panel->w, BATTLE_GROUP_WIDTH);
    Control *title = panel_find_child(panel, BATTLE_GROUP_TITLE);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->w, BATTLE_GROUP_WIDTH);
    EXPECT_EQ(text_of(panel_find_child(title, TITLE_LABEL_ID)), "Battle Group");
    const std::vector<std::string> texts = labels(panel);
    EXPECT_NE(std::find(texts.begin(), texts.end(), rival->name), texts.end());

    Control *list = panel_find_child(panel, BATTLE_GROUP_LIST);
    ASSERT_NE(list, nullptr);
    ShipListState *ships = ship_list_state(list);
    ASSERT_EQ(list_count(&ships->ships), 3);
    for (int32_t i = 1; i < 3; ++i)
        EXPECT_LE(list_get(&ships->ships, i - 1)->name, list_get(&ships->ships, i)->name) << "by name";
    for (GameObject *s : ships->ships.items) EXPECT_EQ(s->owner_id, rival->id);

    int32_t mass = 0, power = 0;
    encounter_sum_owner_stats(enc, &mass, rival->id, &power);
    EXPECT_EQ(stat_rows(table(panel)),
              (std::vector<std::string>{"Ships 3", "Mass " + std::to_string(mass) + " KT",
                                        "Power " + std::to_string(power) + " TW"}));
    EXPECT_GT(table(panel)->y, list->y + list->h) << "totals under the list";

    // A row click asks the owner once, with that row's ship.
    GameObject *second = list_get(&ships->ships, 1);
    click(list_get(&ships->rows, 1));
    tick(2);
    EXPECT_EQ(calls.ships, 1);
    EXPECT_EQ(calls.ship_seen, second);
    EXPECT_EQ(battle_group_panel_picked_ship(panel), second);

    // The title closes the panel, its frame flashing out as the other object panels' do.
    const int w = panel->w;
    click(title);
    tick(2);
    EXPECT_EQ(game_find_control(game, GALAXY_PANEL_ENCOUNTER_INFO), nullptr);
    int flash = 0;
    for (const List<Control> *list : {game->controls, game->new_controls})
        for (Control *c : list->items) flash += c && c->w == w && c->h == 2 && !(c->flags & CTRL_REMOVED);
    EXPECT_EQ(flash, 2) << "the frame's top and bottom lines";
}

TEST_F(BattleGroup, TheViewersSideGoesByTheBattlesTextAndAnUnknownSideShowsOnlyTheTitle) {
    Encounter *enc = stage_home_meeting(2, 1);
    ASSERT_NE(enc, nullptr);
    enc->has_text = true;
    enc->text = "Home Guard";
    Control *ours_panel = open_group(enc, game->ui_player_id);
    std::vector<std::string> texts = labels(ours_panel);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Home Guard"), texts.end());
    EXPECT_EQ(std::find(texts.begin(), texts.end(), game->ui_player->name), texts.end());
    control_remove(ours_panel);
    tick(2);

    for (uint64_t id : {uint64_t(0), uint64_t(0x7777777)}) {
        Control *panel = open_group(enc, id);
        EXPECT_EQ(children(panel, [](Control *) { return true; }).size(), 1u) << "only the title, id " << id;
        click(panel_find_child(panel, BATTLE_GROUP_TITLE));
        tick(2);
        EXPECT_EQ(game_find_control(game, GALAXY_PANEL_ENCOUNTER_INFO), nullptr) << "closable, id " << id;
    }
}

}  // namespace
