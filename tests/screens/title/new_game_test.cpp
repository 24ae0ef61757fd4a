// The new-game setup screen: its option rows and what they store, the slots it starts from, the
// layout, when Start is greyed and why, what Start writes, and the two hotkeys.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>
#include <fstream>
#include <vector>
#include "assetgen/output.h"
#include "game/prefs.h"
#include "screens/title/new_game_fixture.h"
#include "support/fixture_store.h"
#include "test_support.h"
#include "ui/choice.h"

namespace new_game_test {
namespace {

struct RowCase {
    int                      id;
    const char              *label;
    std::vector<int>         values;
    std::vector<std::string> texts;
    int32_t GameSetup::*     field;
};

const std::vector<RowCase> &row_cases() {
    static const std::vector<RowCase> rows = {
        {100004, "Star Density", {0, 1, 2, 3, 4}, {"Lowest", "Low", "Normal", "High", "Highest"},
         &GameSetup::star_density},
        {100005, "Galaxy Age", {0, 1, 2}, {"Young", "Normal", "Ancient"}, &GameSetup::galaxy_age},
        {100010, "ARK Strength", {0, 1, 2}, {"Low", "Normal", "High"}, &GameSetup::ark_strength},
        {100006, "Starting Tech", {0, 1, 2}, {"Basic", "Normal", "Advanced"}, &GameSetup::starting_tech},
        {100007, "Crew Recruitment", {200, 300, 500, 800, 1500}, {"Slowest", "Slow", "Normal", "Fast", "Fastest"},
         &GameSetup::crew_recruitment},
        {100017, "Fog of War", {0, 1}, {"Normal", "Off"}, &GameSetup::fog_of_war_off},
    };
    return rows;
}

class NewGameScreen : public NewGameFixture {
protected:
    Control *row(int id) const { return panel_find_child(screen_, id); }
    Control *choice(int id) const { return panel_find_child(row(id), NEW_GAME_CHOICE_ID); }
    std::string shown(int id) const { return text_of(panel_find_child(choice(id), CHOICE_LABEL_ID)); }

    // Opens the row's drop-down and clicks the item of that value.
    void pick(int id, int value) {
        click(choice(id));
        Control *popup = game_find_control(game(), CHOICE_POPUP_ID);
        ASSERT_NE(popup, nullptr) << id;
        settle(200);
        for (Control *item : panel_of(popup)->children.items)
            if (item && panel_of(item)->value == value) {
                click(item);
                return;
            }
        FAIL() << "no item " << value << " in row " << id;
    }
};

TEST_F(NewGameScreen, EachOpeningShowsTheMenusDefaultsWhileFogOfWarKeepsItsValue) {
    open_as_the_menu_does();
    for (const RowCase &rc : row_cases()) EXPECT_EQ(shown(rc.id), "Normal") << rc.label;
    pick(100004, 4);
    pick(100007, 1500);
    pick(100017, 1);
    EXPECT_EQ(shown(100004), "Highest");
    open_as_the_menu_does();
    for (int id : {100004, 100005, 100010, 100006, 100007}) EXPECT_EQ(shown(id), "Normal") << id;
    EXPECT_EQ(shown(100017), "Off");
    EXPECT_EQ(game()->setup.fog_of_war_off, 1);
}

TEST_F(NewGameScreen, PickingAnItemStoresItsValueInTheSettingsAtOnce) {
    open_as_the_menu_does();
    const struct {
        int id, value;
    } picks[] = {{100004, 0}, {100005, 2}, {100010, 0}, {100006, 2}, {100007, 200}, {100017, 1}, {100004, 3}};
    for (const auto &p : picks) {
        pick(p.id, p.value);
        for (const RowCase &rc : row_cases())
            if (rc.id == p.id) {
                EXPECT_EQ(game()->setup.*rc.field, p.value) << rc.label;
            }
    }
    const GameSetup before = game()->setup;
    Control *stray = choice(100004);
    panel_of(stray)->value = 100008;   // a choice that names no row changes nothing
    new_game_on_option_change(stray);
    EXPECT_EQ(game()->setup.star_density, before.star_density);
    EXPECT_EQ(game()->setup.crew_recruitment, before.crew_recruitment);
    EXPECT_FALSE(file_exists(save_.file("prefs.dat"))) << "options are not saved here";
}

TEST_F(NewGameScreen, SlotsComeFromThePlayerRowsAndAMissingHumanRecordFallsBackToTheFirst) {
    Game *g = game();
    g->slot_record_ids[0] = 0x5151;   // names no record
    g->slot_record_ids[3] = 0x6161;
    g->slot_red[2] = 11, g->slot_green[2] = 22, g->slot_blue[2] = 33;
    open_screen();
    EXPECT_EQ(state()->record_ids[0], RECORD_HUMAN_DEFAULT_ID);
    EXPECT_EQ(slot_name(0), "Commander");
    EXPECT_EQ(slot_name(1), "Halcyon Freight Combine");
    EXPECT_EQ(text_of(panel_find_child(name_box(1), NEW_GAME_SECOND_TEXT_ID)), "Traders who shoot second");
    EXPECT_EQ(slot_name(3), "(No player)");
    EXPECT_EQ(slot_name(4), "(No player)");
    const ColourFade &c = state()->colours[2];
    EXPECT_EQ(ui_test::Rgb({c.r, c.g, c.b}), ui_test::Rgb({11, 22, 33}));
    const ColourFade *fill = panel_background_colour(panel_find_child(slot(2), NEW_GAME_SWATCH_ID));
    EXPECT_EQ(ui_test::Rgb({fill->r, fill->g, fill->b}), ui_test::Rgb({7, 14, 22})) << "two thirds";
    EXPECT_EQ(image_of(panel_find_child(slot(0), NEW_GAME_ICON_ID))->image_type, IMAGE_HUMAN);
    EXPECT_EQ(image_of(panel_find_child(slot(4), NEW_GAME_ICON_ID))->image_type, IMAGE_COMPUTER);
    EXPECT_FALSE(greyed(start())) << "slots 1 and 2 hold computer players";
}

TEST_F(NewGameScreen, WithoutAComputerPlayerStartIsGreyedAndInert) {
    Game *g = game();
    const struct {
        uint64_t ids[GAME_SLOT_COUNT];
    } cases[] = {
        {{1, 0, 0, 0, 0}},          // every computer slot empty
        {{1, 1, 0, 0x7777, 0}},     // a human record and an id of nothing
    };
    for (const auto &c : cases) {
        for (int k = 0; k < GAME_SLOT_COUNT; ++k) g->slot_record_ids[k] = c.ids[k];
        open_screen();
        ASSERT_TRUE(greyed(start()));
        EXPECT_EQ(tooltip(start()), "AI player required");
        click(start());
        press('s');
        settle(100);
        EXPECT_EQ(g_starts, 0);
        EXPECT_FALSE(file_exists(save_.file("prefs.dat")));
        EXPECT_FALSE(file_exists(save_.file("records.dat")));
    }
}

TEST_F(NewGameScreen, EscapeCancelsAndSStartsAndUnchangedSlotsWriteNoFile) {
    open_screen();
    press(27);
    EXPECT_EQ(g_backs, 1);
    EXPECT_EQ(g_starts, 0);
    press('s');
    EXPECT_EQ(g_starts, 1);
    click(start());
    EXPECT_EQ(g_starts, 2);
    EXPECT_FALSE(file_exists(save_.file("prefs.dat")));
    EXPECT_FALSE(file_exists(save_.file("records.dat")));
}

TEST_F(NewGameScreen, EscapeOnAnOpenListClosesTheListOnlyAndTheNewPlayerStays) {
    open_screen();
    state()->record_ids[0] = 0;   // as the player selection leaves a player created there
    state()->typed_name = "Lyra Voss";
    click(choice(100005));
    settle(200);
    ASSERT_NE(game_find_control(game(), CHOICE_POPUP_ID), nullptr);
    press(27);
    EXPECT_EQ(game_find_control(game(), CHOICE_POPUP_ID), nullptr) << "Esc closes the open list";
    EXPECT_EQ(g_backs, 0) << "and not the screen behind it";
    EXPECT_EQ(state()->typed_name, "Lyra Voss");
    EXPECT_EQ(state()->record_ids[0], 0u);
    press(27);
    EXPECT_EQ(g_backs, 1) << "the next Esc closes the screen";
}

TEST_F(NewGameScreen, StartCopiesChangedSlotsIntoThePreferencesAndWritesThem) {
    open_screen();
    state()->record_ids[4] = 9;
    colour_fade_set(&state()->colours[1], 1, 2, 3);
    click(start());
    ASSERT_EQ(g_starts, 1);
    EXPECT_EQ(game()->slot_record_ids[4], 9u);
    EXPECT_EQ(game()->slot_green[1], 2);
    EXPECT_FALSE(file_exists(save_.file("records.dat")));
    Game *other = game_create();
    ASSERT_EQ(prefs_load(other), RES_OK);
    EXPECT_EQ(other->slot_record_ids[4], 9u);
    EXPECT_EQ(other->slot_red[1], 1);
    EXPECT_EQ(other->slot_blue[1], 3);
    game_free(other);
}

TEST_F(NewGameScreen, StartWithATypedNameCreatesOneRecordAndPutsItInTheFirstRow) {
    open_screen();
    const int32_t before = list_count(game()->player_records);
    state()->record_ids[0] = 0;
    state()->typed_name = "Lyra Voss";
    click(start());
    ASSERT_EQ(g_starts, 1);
    ASSERT_EQ(list_count(game()->player_records), before + 1);
    const uint64_t id = state()->record_ids[0];
    EXPECT_NE(id, 0u);
    Game *other = game_create();
    ASSERT_EQ(records_load(other), RES_OK);
    ASSERT_EQ(list_count(other->player_records), before + 1);
    const PlayerRecord *made = records_find(other, id);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->name, "Lyra Voss");
    EXPECT_EQ(made->kind, 0);
    ASSERT_EQ(prefs_load(other), RES_OK);
    EXPECT_EQ(other->slot_record_ids[0], id);
    EXPECT_EQ(other->slot_record_ids[1], 2u);
    game_free(other);
}

TEST_F(NewGameScreen, FailedWritesAreLoggedAndStartGoesOn) {
    LogFileCatcher log(save_.root());
    ASSERT_EQ(::mkdir(save_.folder().c_str(), 0755), 0);
    // A folder where each file should go makes its write fail.
    ASSERT_EQ(::mkdir(save_.file("records.dat").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(save_.file("prefs.dat").c_str(), 0755), 0);
    open_screen();
    state()->record_ids[0] = 0;
    state()->typed_name = "Kestrel";
    click(start());
    EXPECT_EQ(g_starts, 1);
    const std::string text = log.text();
    EXPECT_NE(text.find("[ERROR] Failed to write player records file (-"), std::string::npos) << text;
    EXPECT_NE(text.find("[ERROR] Failed to write prefs file (-"), std::string::npos) << text;
    EXPECT_LT(text.find("player records file"), text.find("prefs file")) << "records first";
}

// ---- the picture ----

// The screen rendered off-screen into test-output/screens/ for review.
class NewGameScreenPicture : public NewGameFixtureOn<UiScreenTest> {
protected:
    void paint_backdrop() override { ui_fill_rect(graphics, 0, 0, GFX_WIDTH, GFX_HEIGHT, 8, 10, 18); }

    void save(const std::string &name) const {
        std::vector<uint8_t> rgb(size_t(GFX_WIDTH * GFX_HEIGHT * 3));
        for (int y = 0; y < GFX_HEIGHT; ++y)
            for (int x = 0; x < GFX_WIDTH; ++x) {
                const ui_test::Rgb c = pixel(x, y);
                uint8_t *o = &rgb[size_t((y * GFX_WIDTH + x) * 3)];
                o[0] = uint8_t(c.r), o[1] = uint8_t(c.g), o[2] = uint8_t(c.b);
            }
        std::vector<uint8_t> png;
        ASSERT_EQ(png_encode(rgb.data(), GFX_WIDTH, GFX_HEIGHT, 3, &png), RES_OK);
        const std::string dir = test_output_dir() + "/screens";
        std::filesystem::create_directories(dir);
        std::ofstream out(dir + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char *>(png.data()), std::streamsize(png.size()));
        ASSERT_TRUE(out.good());
    }
};

TEST_F(NewGameScreenPicture, DrawsItsPanelBandAndSwatches) {
    open_screen();
    point_at(name_box(1));   // the statistics popup shows too
    settle(300);
    render();
    save("new_game_setup.png");
    int sx = 0, sy = 0;
    control_get_screen_position(screen_, &sx, &sy);
    Control *b = buttons();
    EXPECT_EQ(pixel(sx + 6, sy + b->y + 1), ui_test::Rgb({10, 2, 10})) << "the band behind the buttons";
    Control *sw = panel_find_child(slot(2), NEW_GAME_SWATCH_ID);
    int wx = 0, wy = 0;
    control_get_screen_position(sw, &wx, &wy);
    const ColourFade &c = state()->colours[2];
    EXPECT_EQ(pixel(wx + 11, wy + 11), ui_test::Rgb({c.r * 2 / 3, c.g * 2 / 3, c.b * 2 / 3}));
}

}  // namespace
}  // namespace new_game_test
