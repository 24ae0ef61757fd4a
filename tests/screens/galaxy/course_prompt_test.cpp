// The destination prompt on a real seeded game: the panel buttons that start a pick, the bar and
// its Cancel (Escape), a pick that replaces another, the alternation of title and text, and what
// giving up a course from a sector leaves picked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "panels_test_support.h"
#include "platform/colour_fade.h"
#include "ui/image_control.h"
#include "ui/text_label.h"
#include "views/ship_list.h"
#include "world/site.h"

namespace {

using galaxy_test::PanelsGame;
using galaxy_test::screen;
using galaxy_test::readers::caption_of;

constexpr int BAR = 400044, TITLE = 400003, TEXT = 400007, CANCEL = 400002;
constexpr int ESCAPE = 27;
constexpr int COURSE_PROMPT_IMAGE_TYPES[] = {IMAGE_CANCEL, IMAGE_COURSE, IMAGE_HARVESTER_MOVE};

// Every control of the id not marked removed, live or queued.
int live_count_of(int id) {
    int n = 0;
    for (const List<Control> *list : {game_get()->controls, game_get()->new_controls})
        for (Control *c : list->items)
            if (c && c->id == id && !(c->flags & CTRL_REMOVED)) ++n;
    return n;
}

Control *bar_child(int id) {
    Control *bar = game_find_control(game_get(), BAR);
    return bar ? panel_find_child(bar, id) : nullptr;
}

class CoursePrompt : public PanelsGame {
protected:
    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : COURSE_PROMPT_IMAGE_TYPES)
            ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
    }
    void TearDown() override {
        galaxy_prompt_show(-1);
        PanelsGame::TearDown();
        for (int type : COURSE_PROMPT_IMAGE_TYPES) image_control_free_type(type);
    }

    // A fleet of the UI player's ships on the galaxy map, selected, its panel open.
    Fleet *selected_fleet(int ships, Control **panel) {
        Sector *home = nullptr;
        std::vector<Ship *> own = ui_ships_at_home(ships, &home);
        EXPECT_EQ(int(own.size()), ships);
        Fleet *fleet = form_fleet(own, home->x + 60, home->y + 60);
        *panel = galaxy_object_panel_open(GALAXY_PANEL_FLEET);
        galaxy_object_panel_set_object(*panel, fleet);
        galaxy_select_object(fleet);
        game_flush_new_controls(game);
        return fleet;
    }

    // An object panel holding a ship list (100001) of the ships, those of `picked` selected.
    Control *panel_with_ship_list(int32_t id, const std::vector<Ship *> &ships, const std::vector<bool> &picked) {
        Control *panel = galaxy_object_panel_open(id);
        List<GameObject> list;
        for (Ship *ship : ships) list_append(&list, static_cast<GameObject *>(ship));
        Control *ship_list = panel_add_child(panel, 4, 4, 100001, 0, ship_list_create(&list, 300, nullptr, 0));
        for (size_t i = 0; i < ships.size(); ++i) ship_list_set_row_selected(ship_list, ships[i], picked[i]);
        game_flush_new_controls(game);
        return panel;
    }
};

TEST_F(CoursePrompt, EscapeEndsAPickAsCancelDoes) {
    Control *panel = nullptr;
    Fleet *fleet = selected_fleet(2, &panel);
    for (bool by_key : {true, false}) {
        SCOPED_TRACE(by_key ? "Escape" : "Cancel");
        galaxy_fleet_on_redirect(panel);
        frame();
        EXPECT_EQ(screen()->pick_mode, 0);
        EXPECT_EQ(screen()->prompt_eta_speed, ship_list_min_mp(&fleet->ships)) << "the whole fleet moves";
        ASSERT_EQ(live_count_of(BAR), 1);
        ASSERT_EQ(live_count_of(CANCEL), 1);
        EXPECT_EQ(caption_of(bar_child(TITLE)), "Redirect");
        EXPECT_FALSE(control_is_shown(panel)) << "the object panels step aside while the pick runs";
        EXPECT_FALSE(screen()->next_turn_button && control_is_shown(screen()->next_turn_button));
        EXPECT_FALSE(screen()->pass_button && control_is_shown(screen()->pass_button));

        if (by_key) press(ESCAPE);
        else click(find(CANCEL)), frame();
        EXPECT_EQ(screen()->pick_mode, -1);
        EXPECT_EQ(live_count_of(BAR), 0);
        EXPECT_EQ(live_count_of(CANCEL), 0);
        EXPECT_TRUE(control_is_shown(panel)) << "the panels come back";
        EXPECT_EQ(screen()->selected, fleet) << "giving up the pick keeps the selection";
    }
}

TEST_F(CoursePrompt, ASecondPickReplacesTheBarAndTheButton) {
    Control *panel = nullptr;
    selected_fleet(2, &panel);
    galaxy_fleet_on_set_course(panel);
    frame();
    EXPECT_EQ(caption_of(bar_child(TITLE)), "Set Course");
    galaxy_fleet_on_redirect(panel);   // no frame between: the first bar is still queued
    galaxy_fleet_on_redirect(panel);
    frame();
    EXPECT_EQ(live_count_of(BAR), 1);
    EXPECT_EQ(live_count_of(CANCEL), 1);
    EXPECT_EQ(caption_of(bar_child(TITLE)), "Redirect");
    EXPECT_EQ(image_of(bar_child(TITLE))->image_type, IMAGE_COURSE);

    // Taking the prompt down takes both and brings the action button back.
    galaxy_prompt_show(-1);
    frame();
    EXPECT_EQ(live_count_of(BAR), 0);
    EXPECT_EQ(live_count_of(CANCEL), 0);
    const bool action_shown = (screen()->next_turn_button && control_is_shown(screen()->next_turn_button)) ||
                              (screen()->pass_button && control_is_shown(screen()->pass_button));
    EXPECT_TRUE(action_shown);
}

TEST_F(CoursePrompt, TheTitleAndTheTextTakeTurnsAndAPromptWithoutTextAlternatesItsTitleOnly) {
    auto lit = [](ColourFade *c) { return c && c->r >= 100; };
    auto dark = [](ColourFade *c) { return c && c->r == 0 && c->g == 0 && c->b == 0; };

    galaxy_prompt_show(0, "Set course", "Select destination");
    frame();
    Control *title = bar_child(TITLE), *text = bar_child(TEXT);
    ASSERT_NE(title, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text_label_of(text)->text, std::string("Select destination"));
    EXPECT_TRUE(lit(image_control_caption_colour(title)));
    EXPECT_TRUE(dark(text_label_colour(text))) << "the text waits for its turn";
    frames(240, 20);   // 4.8 s: the title's turn still
    EXPECT_TRUE(lit(image_control_caption_colour(title)));
    frames(60, 20);    // past 5 s and the second of the cross-fade
    EXPECT_TRUE(dark(image_control_caption_colour(title)));
    EXPECT_TRUE(lit(text_label_colour(text)));
    frames(200, 20);   // 4 s of the text's turn, then the title's cross-fade
    EXPECT_TRUE(lit(image_control_caption_colour(title)));
    EXPECT_TRUE(dark(text_label_colour(text)));

    galaxy_prompt_show(1, "Harvester", nullptr);
    frame();
    title = bar_child(TITLE);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(bar_child(TEXT), nullptr);
    EXPECT_EQ(image_of(title)->image_type, IMAGE_HARVESTER_MOVE);
    EXPECT_EQ(live_count_of(BAR), 1);
    frames(300, 20);
    EXPECT_TRUE(dark(image_control_caption_colour(title))) << "without text the title fades out on its own";
    frames(200, 20);
    EXPECT_TRUE(lit(image_control_caption_colour(title))) << "and comes back";

    // The bar stands inside the screen's bottom right, left of nothing, above the Cancel button.
    Control *bar = find(BAR), *cancel = find(CANCEL);
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(bar->x + bar->w, ui_screen_width() - 6);
    EXPECT_EQ(bar->y + bar->h, ui_screen_height() - 40);
    EXPECT_EQ(cancel->x + cancel->w, ui_screen_width() - 6);
    EXPECT_EQ(cancel->y + cancel->h, ui_screen_height() - 6);
    EXPECT_EQ(title->x + title->w / 2, bar->w / 2);
    driver.save_screen("destination_prompt.png");   // for review
}

TEST_F(CoursePrompt, ASectorsCourseTakesThePickedShipsSpeedAndGivingItUpLeavesALoneShipUnpicked) {
    Sector *home = nullptr;
    std::vector<Ship *> ships = ui_ships_at_home(2, &home);
    ASSERT_EQ(ships.size(), 2u);
    galaxy_select_object(home);

    // Two ships, one picked: the course goes at that ship's speed and the pick survives Cancel.
    Control *panel = panel_with_ship_list(GALAXY_PANEL_SECTOR, ships, {false, true});
    galaxy_sector_on_set_course(panel);
    frame();
    EXPECT_EQ(caption_of(bar_child(TITLE)), "Set course");
    List<GameObject> picked;
    list_append(&picked, static_cast<GameObject *>(ships[1]));
    EXPECT_EQ(screen()->prompt_eta_speed, ship_list_min_mp(&picked));
    EXPECT_GT(screen()->prompt_eta_speed, 0);
    press(ESCAPE);
    Control *list = panel_find_child(panel, 100001);
    EXPECT_TRUE(ship_list_is_selected(list, ships[1]));
    EXPECT_FALSE(ship_list_is_selected(list, ships[0]));

    // A lone ship counts as picked while the pick runs; giving it up leaves it unpicked.
    galaxy_object_panels_close();
    frame();
    panel = panel_with_ship_list(GALAXY_PANEL_SECTOR, {ships[0]}, {true});
    galaxy_select_object(home);   // the frame without a panel dropped the selection
    galaxy_sector_on_set_course(panel);
    frame();
    press(ESCAPE);
    EXPECT_FALSE(ship_list_is_selected(panel_find_child(panel, 100001), ships[0]));
    EXPECT_EQ(screen()->pick_mode, -1);

    // Only for a sector's panel on top: with a fleet selected the lone pick stays.
    ship_list_set_row_selected(panel_find_child(panel, 100001), ships[0], true);
    Fleet *fleet = form_fleet({ships[1]}, home->x + 80, home->y + 80);
    galaxy_select_object(fleet);
    galaxy_sector_on_set_course(panel);
    frame();
    press(ESCAPE);
    EXPECT_TRUE(ship_list_is_selected(panel_find_child(panel, 100001), ships[0]));
}

TEST_F(CoursePrompt, TheTargetAndRedirectButtonsActOnlyForTheirKindOfSelection) {
    Sector *home = nullptr;
    ui_ships_at_home(1, &home);
    ASSERT_NE(home, nullptr);
    galaxy_select_object(home);
    galaxy_fleet_on_redirect(nullptr);
    galaxy_select_target(nullptr);
    EXPECT_EQ(screen()->pick_mode, -1);
    EXPECT_EQ(live_count_of(BAR), 0);

    Site *site = nullptr;
    for (int32_t i = 0; i < sector_site_count(home) && !site; ++i)
        if (Site *s = sector_get_site(home, i); s && s->subtype == SITE_STARBASE) site = s;
    ASSERT_NE(site, nullptr);
    screen()->prompt_eta_speed = 17;
    galaxy_select_object(site);
    galaxy_select_target(nullptr);
    frame();
    EXPECT_EQ(screen()->pick_mode, 1);
    EXPECT_EQ(caption_of(bar_child(TITLE)), object_get_name(site));
    EXPECT_EQ(image_of(bar_child(TITLE))->image_type, IMAGE_HARVESTER_MOVE);
    EXPECT_EQ(text_label_of(bar_child(TEXT))->text, std::string("Select target"));
    EXPECT_EQ(screen()->prompt_eta_speed, 17) << "a target pick keeps the course speed";
}

}  // namespace
