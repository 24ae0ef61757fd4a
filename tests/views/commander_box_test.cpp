// The commander box and the officer chooser over a real seeded new game: the UI player's piloted
// starting ship, its home starbase and officers placed in that starbase's pool.
#include <gtest/gtest.h>

#include <vector>

#include "../screens/galaxy/panels_test_support.h"
#include "game/officer.h"
#include "ui/image_control.h"
#include "ui/text_label.h"
#include "views/commander_box.h"
#include "world/site.h"

namespace {

constexpr int BOX_IMAGE_TYPES[] = {IMAGE_CREDITS, IMAGE_CLOCK, IMAGE_RANK_FIRST, IMAGE_RANK_FIRST + 1,
                                   IMAGE_RANK_FIRST + 2, IMAGE_RANK_FIRST + 3, IMAGE_RANK_FIRST + 4,
                                   IMAGE_RANK_LAST, IMAGE_SKILL_NAVIGATION, IMAGE_SKILL_ENGINEERING,
                                   IMAGE_SKILL_MARKSMANSHIP, IMAGE_SKILL_COMMAND, IMAGE_SKILL_SENSORS,
                                   IMAGE_SKILL_MINING, IMAGE_CADET, IMAGE_NO_COMMANDER, IMAGE_SKILL_SCIENCE,
                                   IMAGE_SKILL_FIELD_REPAIR, IMAGE_SKILL_INSTRUCTION};

Control *g_picked = nullptr;
int g_picks = 0;
void on_pick(Control *chooser) {
    g_picked = chooser;
    ++g_picks;
}

class CommanderBox : public galaxy_test::PanelsGame {
protected:
    Ship *ship = nullptr;
    Site *starbase = nullptr;
    std::vector<Control *> held;

    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : BOX_IMAGE_TYPES) ASSERT_EQ(image_control_load_type(type), RES_OK) << type;
        Sector *home = nullptr;
        std::vector<Ship *> ours = ui_ships_at_home(1, &home);
        ASSERT_EQ(ours.size(), 1u);
        ship = ours[0];
        ASSERT_NE(ship->pilot, nullptr);
        starbase = sector_find_site_of_kind(home, SITE_STARBASE);
        ASSERT_NE(starbase, nullptr);
        g_picked = nullptr;
        g_picks = 0;
    }
    void TearDown() override {
        for (Control *c : held) control_release(c);
        for (int type : BOX_IMAGE_TYPES) image_control_free_type(type);
        PanelsGame::TearDown();
    }
    Control *keep(Control *c) {
        EXPECT_NE(c, nullptr);
        held.push_back(control_addref(c));
        return c;
    }
    static const char *text(Control *box, int id) {
        const TextLabel *t = text_label_of(panel_find_child(box, id));
        return t ? t->text : nullptr;
    }
    static std::vector<Control *> tagged(Control *box, int tag) {
        std::vector<Control *> out;
        for (Control *c : panel_of(box)->children.items)
            if (c->tag == tag && !(c->flags & CTRL_REMOVED)) out.push_back(c);
        return out;
    }
    // A new officer of the UI player in the starbase's pool, with the skills given.
    Officer *pooled(const char *name, int rank, std::vector<int> skills) {
        Officer *o = officer_create();
        o->id = game_next_id(game);
        o->name = name;
        o->rank = rank;
        o->owner_id = game->ui_player_id;
        o->training_cost = 300 + rank;
        o->figures[0] = 20;
        for (int s : skills) o->skills[s] = 2;
        site_add_officer(starbase, o);
        return o;
    }
};

TEST_F(CommanderBox, ShowsTheRankAndNameOrThePostsEmptiness) {
    Control *empty = keep(commander_box_create_named("Nobody", -1, COMMANDER_BOX_SKILLS));
    EXPECT_STREQ(text(empty, COMMANDER_BOX_ID_NAME), "(No commander)");
    EXPECT_EQ(image_of(panel_find_child(empty, COMMANDER_BOX_ID_RANK_ICON))->image_type, COMMANDER_BOX_EMPTY_ICON);
    EXPECT_EQ(panel_find_child(empty, COMMANDER_BOX_ID_RANK_NAME), nullptr);
    EXPECT_EQ(commander_box_get_skill_width(empty), 14) << "no skill icons: the column's own gap only";

    // A snapshot's stored commander: a box from name and rank alone.
    Control *named = keep(commander_box_create_named("Ilse Varga", 3, 0));
    EXPECT_STREQ(text(named, COMMANDER_BOX_ID_NAME), "Ilse Varga");
    EXPECT_STREQ(text(named, COMMANDER_BOX_ID_RANK_NAME), "Captain");
    EXPECT_EQ(image_of(panel_find_child(named, COMMANDER_BOX_ID_RANK_ICON))->image_type, IMAGE_RANK_FIRST + 2);

    // A live officer: cadets and ranks beyond the table show the cadet insignia; name only drops the rank line.
    Officer *pilot = ship->pilot;
    const int rank = pilot->rank;
    Control *live = keep(commander_box_create(pilot, 0));
    EXPECT_STREQ(text(live, COMMANDER_BOX_ID_NAME), pilot->name.c_str());
    EXPECT_EQ(image_of(panel_find_child(live, COMMANDER_BOX_ID_RANK_ICON))->image_type,
              rank >= 1 ? IMAGE_RANK_FIRST + rank - 1 : int(IMAGE_CADET));
    Control *bare = keep(commander_box_create(pilot, COMMANDER_BOX_NAME_ONLY));
    EXPECT_EQ(panel_find_child(bare, COMMANDER_BOX_ID_RANK_NAME), nullptr);
    EXPECT_EQ(panel_find_child(bare, COMMANDER_BOX_ID_NAME)->y, 10);
    pilot->rank = 9;
    commander_box_init(live, pilot, 0);
    EXPECT_EQ(image_of(panel_find_child(live, COMMANDER_BOX_ID_RANK_ICON))->image_type, IMAGE_CADET);
    pilot->rank = rank;
    for (Control *box : {empty, named, live}) {
        const Control *name = panel_find_child(box, COMMANDER_BOX_ID_NAME);
        EXPECT_LE(name->x + name->w + 6, box->w) << "the box holds its content with its margin";
    }
}

TEST_F(CommanderBox, SkillAndCostColumnsAlignAcrossBoxesAndShiftAgainWhenAskedTwice) {
    Officer *few = pooled("Al", 2, {SKILL_COMMAND});
    Officer *many = pooled("Bartholomew Okonkwo", 4, {SKILL_COMMAND, SKILL_NAVIGATION, SKILL_SENSORS, SKILL_SCIENCE});
    const uint32_t flags = COMMANDER_BOX_SKILLS | COMMANDER_BOX_COSTS;
    Control *a = keep(commander_box_create(few, flags));
    Control *b = keep(commander_box_create(many, flags));
    ASSERT_EQ(tagged(a, COMMANDER_BOX_TAG_SKILL).size(), 1u);
    ASSERT_EQ(tagged(b, COMMANDER_BOX_TAG_SKILL).size(), 4u);
    EXPECT_EQ(image_of(tagged(b, COMMANDER_BOX_TAG_SKILL)[1])->image_type, officer_skill_icon(SKILL_NAVIGATION))
        << "skills in skill order";
    EXPECT_STREQ(text(a, COMMANDER_BOX_ID_COST), "$302");
    EXPECT_STREQ(text(a, COMMANDER_BOX_ID_DAYS), "20");
    const Control *skill = tagged(a, COMMANDER_BOX_TAG_SKILL)[0];
    EXPECT_EQ(skill->y + skill->h, a->h - 6) << "skill icons stand on the content's bottom";
    const Control *days = panel_find_child(a, COMMANDER_BOX_ID_DAYS);
    EXPECT_EQ(days->y + days->h, a->h - 6) << "... and so do the cost columns";
    EXPECT_GT(commander_box_get_name_width(b), commander_box_get_name_width(a));
    EXPECT_GT(commander_box_get_skill_width(b), commander_box_get_skill_width(a));

    List<Control> boxes;
    list_append(&boxes, a);
    list_append(&boxes, b);
    commander_boxes_align(&boxes);
    EXPECT_EQ(tagged(a, COMMANDER_BOX_TAG_SKILL)[0]->x, tagged(b, COMMANDER_BOX_TAG_SKILL)[0]->x);
    EXPECT_EQ(panel_find_child(a, COMMANDER_BOX_ID_CREDITS_ICON)->x, panel_find_child(b, COMMANDER_BOX_ID_CREDITS_ICON)->x);
    EXPECT_EQ(a->w, b->w) << "aligned boxes end together";

    // The widths a box records are its own: a second alignment shifts its columns once more.
    const int skill_x = tagged(a, COMMANDER_BOX_TAG_SKILL)[0]->x;
    const int shift = commander_box_get_name_width(b) - commander_box_get_name_width(a);
    commander_boxes_align(&boxes);
    EXPECT_EQ(tagged(a, COMMANDER_BOX_TAG_SKILL)[0]->x, skill_x + shift);
}

TEST_F(CommanderBox, ChooserListsTheSitesOfficersHoldsThemAndHandsOverThePick) {
    const int32_t before = list_count(&starbase->officers);
    Officer *first = pooled("Cora Lind", 1, {SKILL_MINING});
    Officer *second = pooled("Dov Amsel", 3, {SKILL_ENGINEERING, SKILL_MARKSMANSHIP});
    const int32_t refs = second->refcount;
    Control *chooser = officer_chooser_create(starbase, on_pick);
    ASSERT_NE(chooser, nullptr);
    ui_test::add_top(chooser, 300, 200, 50);
    game_flush_new_controls(game);
    OfficerChooserState *s = officer_chooser_state(chooser);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(list_count(&s->rows), before + 2);
    EXPECT_EQ(second->refcount, refs + 1);
    EXPECT_EQ(officer_chooser_get_selected(chooser), nullptr) << "nothing picked yet";
    Control *last = s->rows.items.back();
    EXPECT_STREQ(text(last, COMMANDER_BOX_ID_NAME), "Dov Amsel");
    EXPECT_NE(panel_find_child(last, COMMANDER_BOX_ID_COST), nullptr) << "recruit rows show their costs";

    const int width = s->rows.items[0]->w + 0;
    EXPECT_LT(width, 20) << "the rows start narrow and slide in";
    ASSERT_TRUE(run_until([&] { return !panel_is_resizing(last); }));
    for (Control *row : s->rows.items) EXPECT_EQ(row->w, last->w);
    EXPECT_EQ(chooser->w, last->x + last->w + 4);
    ui_test::click_control(last);
    EXPECT_EQ(g_picks, 1);
    EXPECT_EQ(g_picked, chooser);
    EXPECT_EQ(officer_chooser_get_selected(chooser), second);
    EXPECT_EQ(s->selected, before + 1);
    driver.save_screen("officer_chooser.png");   // for review

    control_remove(chooser);
    frames(2);
    EXPECT_EQ(second->refcount, refs) << "the freed chooser lets go of its officers";
    (void)first;
}

TEST_F(CommanderBox, ChooserOfASiteWithoutOfficersIsEmptyAndPicksNothing) {
    for (Officer *o : std::vector<Officer *>(starbase->officers.items)) site_remove_officer(starbase, o->id);
    Control *chooser = keep(officer_chooser_create(starbase, on_pick));
    EXPECT_EQ(list_count(&officer_chooser_state(chooser)->rows), 0);
    EXPECT_EQ(officer_chooser_get_selected(chooser), nullptr);
    Control *none = keep(officer_chooser_create(ship, on_pick));
    EXPECT_EQ(list_count(&officer_chooser_state(none)->rows), 0) << "a ship holds no recruits";
}

}  // namespace
