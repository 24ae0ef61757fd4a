// The player selection dialog: which records it lists and how, the details column, scrolling, the
// selection, the name entry for a new player and what OK and Back hand over.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "assetgen/output.h"
#include "screens/title/player_select_fixture.h"
#include "test_support.h"
#include "ui/scroll.h"
#include "ui/stat_rows.h"

namespace player_select_test {
namespace {

constexpr int KEY_ENTER = 13, KEY_ESCAPE = 27;

std::vector<std::string> row_names(PlayerSelectState *s) {
    std::vector<std::string> names;
    for (Control *row : s->rows->items) names.push_back(PlayerSelectTest::text_of(panel_find_child(row, PLAYER_SELECT_ROW_NAME_ID)));
    return names;
}

TEST_F(PlayerSelectTest, PickableRowsThenTheNoneRowThenGreyedRecordsOtherSlotsHold) {
    open(2, 0);   // slot 2 holds 6; slots 1 and 3 hold 2 and 7
    EXPECT_EQ(row_names(state()),
              (std::vector<std::string>{"Vireo Armaments", "Brightline Mining Concern", "Cassander Research Institute",
                                        "Ironveil Security", "Talbot-Reyes Shipworks", "Obsidian Syndicate",
                                        " (No player)", "Halcyon Freight Combine", "Nova Frontier Company"}));
    EXPECT_EQ(state()->selected, 3);
    int y = 6;
    for (Control *row : state()->rows->items) {   // 2 px apart from y 6, all as wide as the widest
        EXPECT_EQ(row->y, y);
        EXPECT_EQ(row->w, list_get(state()->rows, 0)->w);
        y += row->h + 2;
    }
    Control *held = row_named("Nova Frontier Company");
    EXPECT_EQ(value_of(held), -1);
    EXPECT_EQ(rgb(text_label_colour(panel_find_child(held, PLAYER_SELECT_ROW_NAME_ID))), (Rgb{70, 70, 30}));
    click(held);
    run(300);
    EXPECT_EQ(state()->selected, 3) << "a greyed row takes no click";
    EXPECT_EQ(details_name(), "Ironveil Security");

    open(3, 0);   // slot 3's own list
    held = row_named("Nova Frontier Company");
    EXPECT_EQ(value_of(held), state()->selected);
    EXPECT_EQ(rgb(text_label_colour(panel_find_child(held, PLAYER_SELECT_ROW_NAME_ID))), (Rgb{248, 248, 248}));
    EXPECT_EQ(background_of(held), (Rgb{5, 60, 5}));

    open(0, PLAYER_SELECT_HUMAN);
    EXPECT_EQ(row_names(state()), (std::vector<std::string>{"Commander", " (Create new player)"}));
}

TEST_F(PlayerSelectTest, DetailsShowTheSlotsRecordOrTheNoRecordTexts) {
    struct Case {
        int         slot, mode;
        SlotIds     ids;
        const char *name, *text;   // text null: none shown
        bool        stats;
    };
    const Case cases[] = {
        {1, 0, SHIPPED_SLOTS, "Halcyon Freight Combine", "Traders who shoot second", true},
        {0, PLAYER_SELECT_HUMAN, SHIPPED_SLOTS, "Commander", nullptr, true},
        {0, PLAYER_SELECT_HUMAN, {0, 2, 6, 7, 0}, "(New player)", nullptr, true},
        {4, 0, SHIPPED_SLOTS, "(No player)", nullptr, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        open(c.slot, c.mode, c.ids);
        EXPECT_EQ(details_name(), c.name);
        Control *text = panel_find_child(details(), PLAYER_SELECT_TEXT_ID);
        EXPECT_EQ(text_of(text), c.text ? c.text : "");
        Control *stats = panel_find_child(details(), PLAYER_SELECT_STATS_ID);
        ASSERT_EQ(stats != nullptr, c.stats);
        const std::pair<int, const char *> zeros[] = {{0, "0"}, {7, "$0"}, {8, "0 RP"}};
        for (const auto &[row, value] : zeros)
            EXPECT_EQ(text_of(panel_find_child(ui_stat_rows_row(stats, row), STAT_ROW_VALUE_ID)), stats ? value : "");
        EXPECT_GE(details()->w, 240);
        EXPECT_EQ(details()->x, body()->x + body()->w + 10) << "no scroll bar";
    }
}

TEST_F(PlayerSelectTest, ARowClickShowsItsRecordAndTheSelectedRowTakesNoSecondClick) {
    PlayerRecord *vireo = records_find(game(), 3);
    vireo->stats[RECORD_STAT_GAMES_FINISHED] = 3;
    vireo->stats[RECORD_STAT_WINS] = 1;
    open(1, 0);
    Control *name = panel_find_child(details(), PLAYER_SELECT_NAME_ID);
    click(row_named("Halcyon Freight Combine"));
    EXPECT_EQ(panel_find_child(details(), PLAYER_SELECT_NAME_ID), name) << "the selected row again: nothing";
    EXPECT_EQ(state()->previous, -1);

    click(row_named("Vireo Armaments"));
    EXPECT_EQ(std::tie(state()->selected, state()->previous), std::make_tuple(1, 0));
    EXPECT_EQ(details_name(), "Vireo Armaments");
    EXPECT_EQ(text_of(panel_find_child(details(), PLAYER_SELECT_TEXT_ID)), "Guns first, questions never");
    Control *stats = panel_find_child(details(), PLAYER_SELECT_STATS_ID);
    EXPECT_EQ(text_of(panel_find_child(ui_stat_rows_row(stats, 0), STAT_ROW_VALUE_ID)), "3 (1 win)");
    EXPECT_EQ(background_of(row_named("Vireo Armaments")), (Rgb{5, 60, 5}));
    EXPECT_EQ(background_of(row_named("Halcyon Freight Combine")), (Rgb{1, 10, 1}));

    click(create_row());   // " (No player)" empties a computer slot
    EXPECT_EQ(details_name(), "(No player)");
    EXPECT_EQ(panel_find_child(details(), PLAYER_SELECT_STATS_ID), nullptr);
    EXPECT_EQ(entry(), nullptr) << "no name entry for computer players";
    press(KEY_ENTER);
    EXPECT_EQ(g_answer.calls, 1);
    EXPECT_EQ(g_answer.id, 0u);

    open(4, 0);   // an empty slot's list has the none row selected: clicking it changes nothing
    ASSERT_EQ(state()->selected, -1);
    name = panel_find_child(details(), PLAYER_SELECT_NAME_ID);
    click(create_row());
    EXPECT_EQ(panel_find_child(details(), PLAYER_SELECT_NAME_ID), name);
    EXPECT_EQ(state()->previous, -1);
}

TEST_F(PlayerSelectTest, MoreRowsThanFitScrollByTwentyFourPerNotchAndNinetySixPerArrow) {
    open(1, 0);
    EXPECT_EQ(panel_find_child(dialog, PLAYER_SELECT_SCROLL_ID), nullptr) << "nine rows fit";
    wheel_over(body(), 3);
    EXPECT_EQ(panel_of(body())->scroll_y, 0);

    for (const char *name : {"Ada", "Bea", "Cid", "Dov", "Eli", "Fay", "Gus", "Hal", "Ivo", "Jan", "Kit", "Lou"})
        add_human(name);
    open(0, PLAYER_SELECT_HUMAN);
    Control *bar = panel_find_child(dialog, PLAYER_SELECT_SCROLL_ID);
    ASSERT_NE(bar, nullptr);
    const int scrollable = state()->content_height - PLAYER_SELECT_LIST_HEIGHT;
    ASSERT_GT(scrollable, 0);
    EXPECT_EQ(body()->h, PLAYER_SELECT_LIST_HEIGHT);
    EXPECT_EQ(std::tie(bar->x, bar->y), std::make_tuple(body()->x + body()->w + 4, body()->y));
    EXPECT_EQ(details()->x, bar->x + bar->w + 6);
    int position = 0, range = 0;
    scroll_bar_get(bar, &position, &range);
    ASSERT_GT(range, 2 * PLAYER_SELECT_ARROW_STEP);
    auto expect_at = [&](int want, const char *after) {
        scroll_bar_get(bar, &position, nullptr);
        EXPECT_EQ(position, want) << after;
        EXPECT_EQ(panel_of(body())->scroll_y, scrollable * want / range) << after;
    };
    wheel_over(row_named("Ada"), 1);
    expect_at(24, "a notch down over a row");
    wheel_over(body(), 2);
    expect_at(72, "two notches over the list");
    click(panel_find_child(bar, SCROLL_FAR_ARROW_ID));
    expect_at(168, "the forward arrow");
    click(panel_find_child(bar, SCROLL_NEAR_ARROW_ID));
    expect_at(72, "the back arrow");
    wheel_over(panel_find_child(bar, SCROLL_TRACK_ID), -1);
    expect_at(48, "a notch up over the bar");
    wheel_over(body(), -5);
    expect_at(0, "clamped at the top");
    scroll_track_set_thumb(panel_find_child(bar, SCROLL_TRACK_ID), 100);   // a thumb dragged
    scroll_bar_get(bar, &position, nullptr);
    EXPECT_GT(position, 0);
    EXPECT_EQ(panel_of(body())->scroll_y, scrollable * position / range);
    scroll_bar_state(bar)->range = 0;   // no range: no offset, no division
    wheel_over(body(), 1);
    EXPECT_EQ(panel_of(body())->scroll_y, 0);
}

// ---- the name entry, OK and Back ----

TEST_F(PlayerSelectTest, AHumanListWithoutASelectionOpensTheEntryOnTheFirstClickOfTheCreateRow) {
    open(0, PLAYER_SELECT_HUMAN, {0, 2, 6, 7, 0});
    ASSERT_EQ(state()->selected, -1);
    EXPECT_EQ(details_name(), "(New player)");
    click(create_row());
    ASSERT_NE(entry(), nullptr);
    EXPECT_EQ(state()->entry_open, 1);
    EXPECT_STREQ(text_entry_get_text(entry()), "(enter name)");
    EXPECT_EQ(std::tie(entry()->x, entry()->w), std::make_tuple(details()->x + 2, details()->w - 20));
    EXPECT_TRUE(panel_find_child(details(), PLAYER_SELECT_ICON_ID)->flags & CTRL_HIDDEN);
    // A record clicked in the middle of an edit closes the entry and gives the keyboard back.
    begin_name_entry();
    type("Bo");
    click(row_named("Commander"));
    EXPECT_EQ(std::tie(state()->selected, state()->entry_open), std::make_tuple(0, 0));
    EXPECT_EQ(entry(), nullptr) << "the entry fades out";
    EXPECT_EQ(game()->focus_control, nullptr);
    EXPECT_EQ(details_name(), "Commander");
    EXPECT_EQ(text_of(panel_find_child(create_row(), PLAYER_SELECT_ROW_NAME_ID)), " (Create new player)");
}

TEST_F(PlayerSelectTest, EnterAndOkTakeTheTypedNameTrimmedAlikeAndNeverABlankOne) {
    for (const bool by_enter : {true, false}) {
        SCOPED_TRACE(by_enter ? "accepted by Enter, then OK" : "taken by OK while editing");
        g_answer = {};
        open(0, PLAYER_SELECT_HUMAN);
        Control *e = begin_name_entry();
        type("  Nova Kid  ");
        if (by_enter) {
            press(KEY_ENTER);
            EXPECT_FALSE(text_entry_is_editing(e));
            EXPECT_EQ(std::tie(state()->entry_open, state()->name_entered), std::make_tuple(0, 1));
            EXPECT_EQ(text_of(panel_find_child(create_row(), PLAYER_SELECT_ROW_NAME_ID)), "Nova Kid");
            EXPECT_EQ(details_name(), "Nova Kid");
            EXPECT_EQ(g_answer.calls, 0) << "Enter in the entry is not OK";
        }
        click(ok_button());
        EXPECT_EQ(g_answer.calls, 1);
        EXPECT_EQ(g_answer.typed_name, "Nova Kid");
        EXPECT_EQ(g_answer.name_entered, 1);
        EXPECT_EQ(g_answer.id, 0u) << "a new player: the record is made at Start";
    }
    g_answer = {};
    open(0, PLAYER_SELECT_HUMAN);
    Control *e = begin_name_entry();
    type("   ");
    press(KEY_ENTER);
    EXPECT_TRUE(text_entry_is_editing(e)) << "the entry refuses a blank name";
    click(ok_button());
    EXPECT_EQ(g_answer.name_entered, 0);
    EXPECT_EQ(g_answer.typed_name, "");
    EXPECT_EQ(g_answer.id, 1u) << "the record chosen before the entry opened";
}

TEST_F(PlayerSelectTest, OkWithAnUntouchedEntryReturnsTheInitialSelectionAndCancelThePrevious) {
    const uint64_t alice = add_human("Alice");
    open(0, PLAYER_SELECT_HUMAN, {alice, 2, 6, 7, 0});
    click(row_named("Commander"));
    click(create_row());
    ASSERT_NE(entry(), nullptr);
    click(ok_button());
    EXPECT_EQ(g_answer.id, alice) << "untouched: the initial record";

    open(0, PLAYER_SELECT_HUMAN);
    click(row_named("Alice"));
    begin_name_entry();
    type("Bob");
    press(KEY_ESCAPE);
    EXPECT_EQ(std::tie(state()->selected, state()->entry_open), std::make_tuple(1, 0));
    EXPECT_EQ(details_name(), "Alice");
    EXPECT_EQ(entry(), nullptr) << "the entry fades out";
    EXPECT_FALSE(panel_find_child(details(), PLAYER_SELECT_ICON_ID)->flags & CTRL_HIDDEN);
    EXPECT_EQ(g_closed, 0) << "Escape went to the entry, not to the title bar";
    click(ok_button());
    EXPECT_EQ(g_answer.id, alice);
    EXPECT_EQ(g_answer.name_entered, 0);

    press(KEY_ESCAPE);   // now the title bar's: Back
    EXPECT_EQ(g_closed, 1);
    EXPECT_EQ(g_answer.calls, 2);
    EXPECT_EQ(std::count(live().begin(), live().end(), dialog), 0) << "removed (and freed: not looked at)";
}

class PlayerSelectLook : public PlayerSelectTest {
protected:
    void save_png(const char *name) {
        std::vector<uint8_t> pixels, png;
        for (int py = 0; py < GFX_HEIGHT; ++py)
            for (int px = 0; px < GFX_WIDTH; ++px) {
                const Rgb c = pixel(px, py);
                pixels.insert(pixels.end(), {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)});
            }
        ASSERT_EQ(png_encode(pixels.data(), GFX_WIDTH, GFX_HEIGHT, 3, &png), RES_OK);
        std::filesystem::create_directories(test_output_dir() + "/screens");
        std::ofstream(test_output_dir() + "/screens/" + name, std::ios::binary)
            .write(reinterpret_cast<const char *>(png.data()), static_cast<std::streamsize>(png.size()));
    }
};

// Review pictures under build/test-output/screens/, with a few pixels checked.
TEST_F(PlayerSelectLook, RendersWithTheSelectedRowLitAndOkClearOfTheColumns) {
    for (const char *name : {"Ada", "Bea", "Cid", "Dov", "Eli", "Fay", "Gus", "Hal", "Ivo", "Jan", "Kit", "Lou"})
        add_human(name);
    open(0, PLAYER_SELECT_HUMAN);
    click(row_named("Bea"));
    mouse_at(0, 0);
    run(1500);   // the statistics rows have come in
    render();
    Control *row = row_named("Bea");
    int x = 0, y = 0;
    control_get_screen_position(row, &x, &y);
    EXPECT_EQ(pixel(x + 4, y + row->h / 2), (Rgb{5, 60, 5}));
    const Control *ok = ok_button();
    auto apart = [ok](const Control *c) {
        return ok->x >= c->x + c->w || c->x >= ok->x + ok->w || ok->y >= c->y + c->h || c->y >= ok->y + ok->h;
    };
    EXPECT_TRUE(apart(details()) && apart(body()) && apart(panel_find_child(dialog, PLAYER_SELECT_SCROLL_ID)));
    EXPECT_LE(ok->y + ok->h, dialog->h);

    save_png("player_select_dialog.png");
    // With the delete question open, and with the name entry being typed in.
    click(panel_find_child(body(), PLAYER_SELECT_DELETE_ID));
    mouse_at(0, 0);
    run(300);
    render();
    save_png("player_select_delete.png");
    wheel_over(body(), 10);   // down to the create row, which takes the question away
    begin_name_entry();
    type("Nova Kid");
    run(300);
    render();
    save_png("player_select_entry.png");
}

}  // namespace
}  // namespace player_select_test
