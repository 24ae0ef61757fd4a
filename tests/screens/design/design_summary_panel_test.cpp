// The design summary at the home shipyard of a real seeded game: the Build/Resume rules (starbase
// crew before credits, the exact price), Resume for the paused design, Edit and Scrap while in
// production, the rows a design without shields shows, and the Scrap confirmation's states.
#include "design_test_support.h"

#include "screens/design/design_summary_panel.h"
#include "ui/dialog.h"
#include "ui/stat_rows.h"

using namespace design_test;

namespace {

int slot_calls[3] = {};
Control *slot_panel = nullptr;
void on_scrap(Control *p) { ++slot_calls[DESIGN_SUMMARY_SLOT_SCRAP], slot_panel = p; }
void on_build(Control *p) { ++slot_calls[DESIGN_SUMMARY_SLOT_BUILD], slot_panel = p; }

}  // namespace

class DesignSummary : public DesignGame {
protected:
    GameObject *design = nullptr;

    void SetUp() override {
        DesignGame::SetUp();
        if (HasFatalFailure()) return;
        design = player_get_design_at(ui, 0);
        std::fill(std::begin(slot_calls), std::end(slot_calls), 0);
        slot_panel = nullptr;
    }
    Control *open(GameObject *shown) {
        if (!panel) top_panel();
        design_summary_build(panel, shown, yard);
        frames(40);
        return panel;
    }
    Control *button(int id) { return kid(kid(panel, DESIGN_PANEL_ID_BUTTONS), id); }
    bool refused(int id) { return image_control_is_highlighted(button(id)); }
    int32_t price() {
        int32_t c = 0;
        player_design_build_cost(ui, design, yard->sector_id, &c, nullptr);
        return c;
    }
};

TEST_F(DesignSummary, BuildNeedsAStarbaseWithCrewFirstThenTheCredits) {
    base->crew = DESIGN_BUILD_CREW - 1;
    ui->credits = price() + 1000;
    open(design);
    EXPECT_TRUE(refused(DESIGN_PANEL_ID_BUILD));
    EXPECT_EQ(tip_of(button(DESIGN_PANEL_ID_BUILD)), "100 crew required");

    base->crew = DESIGN_BUILD_CREW;
    ui->credits = price();
    open(design);
    EXPECT_FALSE(refused(DESIGN_PANEL_ID_BUILD)) << "credits equal to the price are enough";
    EXPECT_EQ(tag_cost(kid(panel, DESIGN_PANEL_ID_COST)), "$" + std::to_string(price()));

    ui->credits = price() - 1;
    open(design);
    EXPECT_TRUE(refused(DESIGN_PANEL_ID_BUILD));
    EXPECT_EQ(tip_of(button(DESIGN_PANEL_ID_BUILD)), "Insufficient credits");
    EXPECT_FALSE(refused(DESIGN_PANEL_ID_EDIT));
    EXPECT_FALSE(refused(DESIGN_PANEL_ID_SCRAP));

    // A refused Build ignores its click; an enabled one calls slot 1 with the panel.
    design_summary_state(panel)->slot[DESIGN_SUMMARY_SLOT_BUILD] = on_build;
    click(button(DESIGN_PANEL_ID_BUILD));
    EXPECT_EQ(slot_calls[DESIGN_SUMMARY_SLOT_BUILD], 0);
    ui->credits = price();
    open(design);
    design_summary_state(panel)->slot[DESIGN_SUMMARY_SLOT_BUILD] = on_build;
    press('b');
    EXPECT_EQ(slot_calls[DESIGN_SUMMARY_SLOT_BUILD], 1);
    EXPECT_EQ(slot_panel, panel);
    EXPECT_EQ(design_summary_get_design(panel), design);
    frames(60);
    driver.save_screen("design_summary_panel.png");   // for review
}

TEST_F(DesignSummary, PausedDesignResumesAtItsSavedCostAndAnotherDesignBuilds) {
    base->crew = DESIGN_BUILD_CREW;
    ui->credits = 100000;
    GameObject *other = add_design("Lancer");
    pause_on(design, 321, 3 * 1440 - 10);
    open(design);
    Control *build = button(DESIGN_PANEL_ID_BUILD);
    ASSERT_NE(build, nullptr);
    EXPECT_STREQ(image_of(build)->caption, "Resume");
    EXPECT_EQ(build->hotkey, 'r');
    EXPECT_EQ(tag_cost(kid(panel, DESIGN_PANEL_ID_COST)), "$321");
    EXPECT_EQ(tag_days(kid(panel, DESIGN_PANEL_ID_COST)), "3");

    open(other);
    build = button(DESIGN_PANEL_ID_BUILD);
    EXPECT_STREQ(image_of(build)->caption, "Build");
    EXPECT_EQ(build->hotkey, 'b');
    int32_t c = 0;
    player_design_build_cost(ui, other, yard->sector_id, &c, nullptr);
    EXPECT_EQ(tag_cost(kid(panel, DESIGN_PANEL_ID_COST)), "$" + std::to_string(c));
}

TEST_F(DesignSummary, EditAndScrapAreRefusedWhileAShipyardBuildsTheDesign) {
    base->crew = DESIGN_BUILD_CREW;
    ui->credits = 100000;
    ASSERT_EQ(site_start_production(yard, 0, design->id), RES_OK);
    ASSERT_TRUE(player_is_building_design(ui, design->id));
    open(design);
    for (int id : {DESIGN_PANEL_ID_EDIT, DESIGN_PANEL_ID_SCRAP}) {
        EXPECT_TRUE(refused(id)) << id;
        EXPECT_EQ(tip_of(button(id)), "In production") << id;
    }
}

TEST_F(DesignSummary, DesignWithoutShieldsShowsNoShieldRowOrOverlay) {
    Ship *ship = ship_of(design);
    ASSERT_EQ(ship->shield_strength, 0) << "the first design of a new game carries no shields";
    open(design);
    std::vector<std::string> labels;
    for (int i = 0; Control *row = ui_stat_rows_row(kid(panel, DESIGN_PANEL_ID_STATS), i); ++i)
        labels.push_back(text_of(kid(row, STAT_ROW_LABEL_ID)));
    EXPECT_EQ(labels, (std::vector<std::string>{"Class", "Armor Rating", "Crew Capacity", "Mass", "Power", "Movement"}));
    Control *frame = kid(kid(panel, DESIGN_PANEL_ID_PICTURE), DESIGN_PANEL_ID_FRAME);
    ASSERT_NE(frame, nullptr);
    Control *picture = list_get(&panel_of(frame)->children, 0);
    EXPECT_EQ(image_of(picture)->outline[0], nullptr);
}

TEST_F(DesignSummary, ScrapAsksFirstAndNoKeepReturnsToTheButtons) {
    base->crew = DESIGN_BUILD_CREW;
    open(design);
    design_summary_state(panel)->slot[DESIGN_SUMMARY_SLOT_SCRAP] = on_scrap;
    Control *row = kid(panel, DESIGN_PANEL_ID_BUTTONS);
    Control *dialog = kid(panel, DESIGN_PANEL_ID_CONFIRM);
    EXPECT_FALSE(control_is_shown(dialog));
    for (int round = 0; round < 2; ++round) {
        click(button(DESIGN_PANEL_ID_SCRAP));
        frames(15);
        EXPECT_TRUE(control_is_shown(dialog)) << round;
        EXPECT_FALSE(control_is_shown(row)) << round;
        EXPECT_EQ(slot_calls[DESIGN_SUMMARY_SLOT_SCRAP], 0) << "asking scraps nothing";
        EXPECT_EQ(dialog->x + dialog->w, panel->w - 6) << "in the bottom-right corner";
        click(kid(kid(dialog, DIALOG_ROW_ID), DIALOG_NO_ID));
        frames(5);
        EXPECT_FALSE(control_is_shown(dialog)) << round;
        EXPECT_TRUE(control_is_shown(row)) << round;
    }
    click(button(DESIGN_PANEL_ID_SCRAP));
    frames(15);
    click(kid(kid(dialog, DIALOG_ROW_ID), DIALOG_YES_ID));
    EXPECT_EQ(slot_calls[DESIGN_SUMMARY_SLOT_SCRAP], 1);
    EXPECT_EQ(slot_panel, panel);
}

TEST_F(DesignSummary, CostTagAndSystemCardOpenTheirPopupsAfterAReset) {
    open(design);
    Control *tag = kid(panel, DESIGN_PANEL_ID_COST);
    Control *card = nullptr;
    for (Control *c : panel_of(kid(panel, DESIGN_PANEL_ID_PICTURE))->children.items)
        if (c && c->on_dwell == design_summary_system_popup_open) card = c;
    ASSERT_NE(card, nullptr) << "the first design has a fitted system";
    const auto rest_on = [this](Control *c) {
        int x = 0, y = 0;
        control_get_screen_position(c, &x, &y);
        ui_test::mouse_at(x + c->w / 2, y + c->h / 2);
        frames(20);   // 400 ms: not yet
        EXPECT_EQ(find(CONTROL_ID_POPUP), nullptr);
        frames(5);
        return find(CONTROL_ID_POPUP);
    };
    Control *popup = rest_on(tag);
    ASSERT_NE(popup, nullptr);
    EXPECT_NE(kid(popup, DESIGN_PANEL_ID_COST_TEXT), nullptr);
    popup = rest_on(card);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->user_data, ship_of(design)->crits[panel_of(card)->value].system) << "the card's own system";
    ui_test::mouse_at(2, 760);
    frames(3);
    EXPECT_EQ(find(CONTROL_ID_POPUP), nullptr) << "leaving closes it";
}
