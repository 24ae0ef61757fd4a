// The player selection dialog: which records it lists and how, the details column, scrolling, the
// selection, the name entry for a new player and what OK and Back hand over.
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "assetgen/output.h"
#include "screens/title/player_select_fixture.h"
#include "ui/scroll.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"

namespace player_select_test {
namespace {

constexpr int KEY_ENTER = 13, KEY_ESCAPE = 27;

// The names of the list's live rows from the top down.
std::vector<std::string> names_top_down(PlayerSelectTest *t, Control *body) {
    std::vector<Control *> rows;
    for (Control *c : panel_of(body)->children.items)
        if (c && !(c->flags & CTRL_REMOVED) && c->type == CONTROL_PANEL) rows.push_back(c);
    std::sort(rows.begin(), rows.end(), [](const Control *a, const Control *b) { return a->y < b->y; });
    std::vector<std::string> names;
    for (Control *row : rows) names.push_back(t->label_text(panel_find_child(row, PLAYER_SELECT_ROW_NAME_ID)));
    return names;
}

std::string stat_value(Control *table, int row) {
    return PlayerSelectTest::label_text(panel_find_child(ui_stat_rows_row(table, row), STAT_ROW_VALUE_ID));
}

// ---- the lists ----

TEST_F(PlayerSelectTest, PickableRowsComeFirstThenTheNoneRowThenTheRecordsOtherSlotsHold) {
    open(2, 0);   // slot 2 holds 6; slots 1 and 3 hold 2 and 7
    EXPECT_EQ(names_top_down(this, body()),
              (std::vector<std::string>{"Vireo Armaments", "Brightline Mining Concern", "Cassander Research Institute",
                                        "Ironveil Security", "Talbot-Reyes Shipworks", "Obsidian Syndicate",
                                        " (No player)", "Halcyon Freight Combine", "Nova Frontier Company"}));
    EXPECT_EQ(state()->selected, 3);
    EXPECT_EQ(state()->initial, 3);
    EXPECT_EQ(list_count(state()->available), 6);
    EXPECT_EQ(list_count(state()->taken), 2);
    // The rows stand 2 px apart from y 6, all as wide as the widest.
    int y = 6;
    for (Control *row : state()->rows->items) {
        EXPECT_EQ(row->y, y);
        EXPECT_EQ(row->w, list_get(state()->rows, 0)->w);
        y += row->h + 2;
    }
    open(0, PLAYER_SELECT_HUMAN);
    EXPECT_EQ(names_top_down(this, body()), (std::vector<std::string>{"Commander", " (Create new player)"}));
    EXPECT_EQ(label_text(*std::find_if(panel_of(dialog)->children.items.begin(), panel_of(dialog)->children.items.end(),
                                       [](Control *c) { return c->type == CONTROL_TEXT; })),
              "Human players");
}

TEST_F(PlayerSelectTest, ARecordAnotherSlotHoldsIsGreyedAndInertButBrightInItsOwnSlotsList) {
    open(2, 0);
    Control *held = row_named("Nova Frontier Company");   // slot 3's
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(value_of(held), -1);
    const ColourFade *grey = text_label_colour(panel_find_child(held, PLAYER_SELECT_ROW_NAME_ID));
    EXPECT_EQ((Rgb{grey->r, grey->g, grey->b}), (Rgb{70, 70, 30}));
    click(held);
    EXPECT_EQ(state()->selected, 3) << "a greyed row takes no click";
    EXPECT_EQ(details_name(), "Ironveil Security");
    run(300);
    EXPECT_TRUE(held->flags & CTRL_DISABLED) << "for good";

    open(3, 0);
    held = row_named("Nova Frontier Company");
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(value_of(held), state()->selected);
    EXPECT_FALSE(held->flags & CTRL_DISABLED);
    const ColourFade *bright = text_label_colour(panel_find_child(held, PLAYER_SELECT_ROW_NAME_ID));
    EXPECT_EQ((Rgb{bright->r, bright->g, bright->b}), (Rgb{248, 248, 248}));
    EXPECT_EQ(background_of(held), (Rgb{5, 60, 5}));
    EXPECT_EQ(details_name(), "Nova Frontier Company");
}

// ---- the details column ----

struct DetailsCase {
    const char *what;
    int         slot, mode;
    SlotIds     ids;
    const char *name, *text;   // text null: no second text
    bool        stats;
    const char *games, *mined, *research;
};

TEST_F(PlayerSelectTest, DetailsShowTheSlotsRecordOrTheNoRecordTexts) {
    const DetailsCase cases[] = {
        {"computer record", 1, 0, SHIPPED_SLOTS, "Halcyon Freight Combine", "Traders who shoot second", true, "0", "$0", "0 RP"},
        {"human record", 0, PLAYER_SELECT_HUMAN, SHIPPED_SLOTS, "Commander", nullptr, true, "0", "$0", "0 RP"},
        {"no human record", 0, PLAYER_SELECT_HUMAN, {0, 2, 6, 7, 0}, "(New player)", nullptr, true, "0", "$0", "0 RP"},
        {"no computer record", 4, 0, SHIPPED_SLOTS, "(No player)", nullptr, false, "", "", ""},
    };
    for (const DetailsCase &c : cases) {
        SCOPED_TRACE(c.what);
        open(c.slot, c.mode, c.ids);
        EXPECT_EQ(details_name(), c.name);
        Control *text = panel_find_child(details(), PLAYER_SELECT_TEXT_ID);
        EXPECT_EQ(text != nullptr, c.text != nullptr);
        if (c.text) {
            EXPECT_EQ(label_text(text), c.text);
        }
        Control *stats = panel_find_child(details(), PLAYER_SELECT_STATS_ID);
        ASSERT_EQ(stats != nullptr, c.stats);
        if (stats) {
            EXPECT_EQ(stat_value(stats, 0), c.games);
            EXPECT_EQ(stat_value(stats, 7), c.mined);
            EXPECT_EQ(stat_value(stats, 8), c.research);
        }
        EXPECT_GE(details()->w, 240);
        EXPECT_EQ(details()->x, body()->x + body()->w + 10) << "no scroll bar";
    }
}

TEST_F(PlayerSelectTest, AClickedRecordsStatisticsReplaceTheOldOnes) {
    PlayerRecord *vireo = records_find(game(), 3);
    vireo->stats[RECORD_STAT_GAMES_FINISHED] = 3;
    vireo->stats[RECORD_STAT_WINS] = 1;
    vireo->stats[RECORD_STAT_RESEARCH] = 800;
    open(1, 0);
    click(row_named("Vireo Armaments"));
    EXPECT_EQ(details_name(), "Vireo Armaments");
    EXPECT_EQ(label_text(panel_find_child(details(), PLAYER_SELECT_TEXT_ID)), "Guns first, questions never");
    Control *stats = panel_find_child(details(), PLAYER_SELECT_STATS_ID);
    EXPECT_EQ(stat_value(stats, 0), "3 (1 win)");
    EXPECT_EQ(stat_value(stats, 8), "2 RP");
    EXPECT_EQ(background_of(row_named("Vireo Armaments")), (Rgb{5, 60, 5}));
    EXPECT_EQ(background_of(row_named("Halcyon Freight Combine")), (Rgb{1, 10, 1}));
}

// ---- scrolling ----

TEST_F(PlayerSelectTest, MoreRowsThanFitScrollByTwentyFourPerNotchAndNinetySixPerArrow) {
    for (const char *name : {"Ada", "Bea", "Cid", "Dov", "Eli", "Fay", "Gus", "Hal", "Ivo", "Jan", "Kit", "Lou"})
        add_human(name);
    open(0, PLAYER_SELECT_HUMAN);
    Control *bar = panel_find_child(dialog, PLAYER_SELECT_SCROLL_ID);
    ASSERT_NE(bar, nullptr);
    const int content = state()->content_height;
    ASSERT_GT(content, PLAYER_SELECT_LIST_HEIGHT);
    EXPECT_EQ(body()->h, PLAYER_SELECT_LIST_HEIGHT);
    EXPECT_EQ(bar->x, body()->x + body()->w + 4);
    EXPECT_EQ(bar->y, body()->y);
    EXPECT_EQ(details()->x, bar->x + bar->w + 6);
    int position = 0, range = 0;
    scroll_bar_get(bar, &position, &range);
    ASSERT_GT(range, 2 * PLAYER_SELECT_ARROW_STEP);
    auto expect_at = [&](int want, const char *after) {
        scroll_bar_get(bar, &position, nullptr);
        EXPECT_EQ(position, want) << after;
        EXPECT_EQ(panel_of(body())->scroll_y, (content - PLAYER_SELECT_LIST_HEIGHT) * want / range) << after;
    };
    wheel_over(row_named("Ada"), 1);
    expect_at(24, "a notch down over a row");
    wheel_over(body(), 2);
    expect_at(72, "two notches over the list body");
    click(panel_find_child(bar, SCROLL_FAR_ARROW_ID));
    expect_at(168, "the forward arrow");
    click(panel_find_child(bar, SCROLL_NEAR_ARROW_ID));
    expect_at(72, "the back arrow");
    wheel_over(panel_find_child(bar, SCROLL_TRACK_ID), -1);
    expect_at(48, "a notch up over the bar");
    wheel_over(body(), -5);
    expect_at(0, "clamped at the top");
    // A thumb that moved by itself: the list follows the bar's position.
    scroll_track_set_thumb(panel_find_child(bar, SCROLL_TRACK_ID), 100);
    scroll_bar_get(bar, &position, nullptr);
    EXPECT_GT(position, 0);
    EXPECT_EQ(panel_of(body())->scroll_y, (content - PLAYER_SELECT_LIST_HEIGHT) * position / range);
    // A bar without range scrolls nothing and divides by nothing.
    scroll_bar_state(bar)->range = 0;
    wheel_over(body(), 1);
    EXPECT_EQ(panel_of(body())->scroll_y, 0);
}

TEST_F(PlayerSelectTest, AListThatFitsHasNoScrollBarAndTheWheelLeavesItAlone) {
    open(1, 0);
    EXPECT_EQ(panel_find_child(dialog, PLAYER_SELECT_SCROLL_ID), nullptr);
    EXPECT_LE(state()->content_height, PLAYER_SELECT_LIST_HEIGHT);
    wheel_over(row_named("Vireo Armaments"), 3);
    EXPECT_EQ(panel_of(body())->scroll_y, 0);
}

// ---- the selection ----

TEST_F(PlayerSelectTest, ClickingTheSelectedRowAgainDoesNothing) {
    open(1, 0);
    Control *name = panel_find_child(details(), PLAYER_SELECT_NAME_ID);
    click(row_named("Halcyon Freight Combine"));
    EXPECT_EQ(panel_find_child(details(), PLAYER_SELECT_NAME_ID), name) << "the details are not rebuilt";
    EXPECT_EQ(state()->previous, -1);
    EXPECT_EQ(state()->selected, 0);
    // An empty slot's list has the none row selected: clicking it is clicking the selection.
    open(4, 0);
    ASSERT_EQ(state()->selected, -1);
    name = panel_find_child(details(), PLAYER_SELECT_NAME_ID);
    click(create_row());
    EXPECT_EQ(panel_find_child(details(), PLAYER_SELECT_NAME_ID), name);
    EXPECT_EQ(state()->previous, -1);
}

TEST_F(PlayerSelectTest, TheNoneRowEmptiesAComputerSlot) {
    open(1, 0);
    click(create_row());
    EXPECT_EQ(state()->selected, -1);
    EXPECT_EQ(state()->previous, 0);
    EXPECT_EQ(details_name(), "(No player)");
    EXPECT_EQ(panel_find_child(details(), PLAYER_SELECT_STATS_ID), nullptr);
    EXPECT_EQ(panel_find_child(dialog, PLAYER_SELECT_ENTRY_ID), nullptr) << "no name entry for computer players";
    EXPECT_EQ(background_of(create_row()), (Rgb{5, 60, 5}));
    press(KEY_ENTER);
    EXPECT_EQ(g_answer.calls, 1);
    EXPECT_EQ(g_answer.id, 0u);
}

TEST_F(PlayerSelectTest, AHumanListWithoutASelectionOpensTheEntryOnTheFirstClickOfTheCreateRow) {
    open(0, PLAYER_SELECT_HUMAN, {0, 2, 6, 7, 0});
    ASSERT_EQ(state()->selected, -1);
    EXPECT_EQ(background_of(create_row()), (Rgb{1, 10, 1})) << "the create row is not picked for the player";
    click(create_row());
    Control *entry = panel_find_child(dialog, PLAYER_SELECT_ENTRY_ID);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(state()->entry_open, 1);
    EXPECT_STREQ(text_entry_get_text(entry), "(enter name)");
    EXPECT_EQ(entry->x, details()->x + 2);
    EXPECT_EQ(entry->w, details()->w - 20);
    EXPECT_TRUE(panel_find_child(details(), PLAYER_SELECT_ICON_ID)->flags & CTRL_HIDDEN);
    EXPECT_TRUE(panel_find_child(details(), PLAYER_SELECT_SWATCH_ID)->flags & CTRL_HIDDEN);
}

// ---- the name entry and OK ----

TEST_F(PlayerSelectTest, EnterAndOkTakeTheTypedNameTrimmedAlike) {
    for (const bool by_enter : {true, false}) {
        SCOPED_TRACE(by_enter ? "accepted by Enter, then OK" : "taken by OK while editing");
        g_answer = {};
        open(0, PLAYER_SELECT_HUMAN);
        Control *entry = begin_name_entry();
        type("  Nova Kid  ");
        if (by_enter) {
            press(KEY_ENTER);
            EXPECT_FALSE(text_entry_is_editing(entry));
            EXPECT_EQ(state()->entry_open, 0);
            EXPECT_EQ(state()->name_entered, 1);
            EXPECT_EQ(create_label(), "Nova Kid");
            EXPECT_EQ(details_name(), "Nova Kid");
            EXPECT_EQ(g_answer.calls, 0) << "Enter in the entry is not OK";
        }
        click(ok_button());
        ASSERT_EQ(g_answer.calls, 1);
        EXPECT_EQ(g_answer.typed_name, "Nova Kid");
        EXPECT_EQ(g_answer.name_entered, 1);
        EXPECT_EQ(g_answer.id, 0u) << "a new player, no record yet";
        EXPECT_EQ(list_count(game()->player_records), 9) << "the record is made by the caller at Start";
    }
}

TEST_F(PlayerSelectTest, ABlankNameIsNeverTaken) {
    open(0, PLAYER_SELECT_HUMAN);
    Control *entry = begin_name_entry();
    type("   ");
    press(KEY_ENTER);
    EXPECT_TRUE(text_entry_is_editing(entry)) << "the entry refuses a blank name";
    click(ok_button());
    ASSERT_EQ(g_answer.calls, 1);
    EXPECT_EQ(g_answer.name_entered, 0);
    EXPECT_EQ(g_answer.typed_name, "");
    EXPECT_EQ(g_answer.id, 1u) << "the record chosen before the entry opened";
}

TEST_F(PlayerSelectTest, OkWithAnUntouchedEntryReturnsTheInitialSelection) {
    const uint64_t alice = add_human("Alice");
    open(0, PLAYER_SELECT_HUMAN, {alice, 2, 6, 7, 0});
    click(row_named("Commander"));
    click(create_row());
    ASSERT_NE(panel_find_child(dialog, PLAYER_SELECT_ENTRY_ID), nullptr);
    click(ok_button());
    EXPECT_EQ(g_answer.id, alice);
    EXPECT_EQ(g_answer.name_entered, 0);
}

TEST_F(PlayerSelectTest, CancelInTheEntryRestoresThePreviousSelection) {
    const uint64_t alice = add_human("Alice");
    open(0, PLAYER_SELECT_HUMAN);
    click(row_named("Alice"));
    Control *entry = begin_name_entry();
    type("Bob");
    press(KEY_ESCAPE);
    EXPECT_EQ(state()->selected, 1);
    EXPECT_EQ(state()->entry_open, 0);
    EXPECT_EQ(details_name(), "Alice");
    EXPECT_EQ(entry->id, -1) << "the entry fades out";
    EXPECT_FALSE(panel_find_child(details(), PLAYER_SELECT_ICON_ID)->flags & CTRL_HIDDEN);
    EXPECT_EQ(g_closed, 0) << "Escape went to the entry, not to the title bar";
    click(ok_button());
    EXPECT_EQ(g_answer.id, alice);
    EXPECT_EQ(g_answer.name_entered, 0);
}

TEST_F(PlayerSelectTest, BackClosesTheDialogWithoutAnAnswer) {
    open(1, 0);
    click(row_named("Vireo Armaments"));
    press(KEY_ESCAPE);
    EXPECT_EQ(g_closed, 1);
    EXPECT_EQ(g_answer.calls, 0);
    EXPECT_TRUE(dialog->flags & CTRL_REMOVED);
}

// ---- the look ----

TEST_F(PlayerSelectTest, RendersWithTheSelectedRowLitAndTheOkButtonInsideTheFrame) {
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
    Control *ok = ok_button();
    EXPECT_LE(ok->x + ok->w, dialog->w);
    EXPECT_LE(ok->y + ok->h, dialog->h);
    auto overlaps = [](const Control *a, const Control *b) {
        return a->x < b->x + b->w && b->x < a->x + a->w && a->y < b->y + b->h && b->y < a->y + a->h;
    };
    EXPECT_FALSE(overlaps(ok, details()));
    EXPECT_FALSE(overlaps(ok, body()));
    EXPECT_FALSE(overlaps(ok, panel_find_child(dialog, PLAYER_SELECT_SCROLL_ID)));

    std::vector<uint8_t> rgb;
    for (int py = 0; py < GFX_HEIGHT; ++py)
        for (int px = 0; px < GFX_WIDTH; ++px) {
            const Rgb c = pixel(px, py);
            rgb.insert(rgb.end(), {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)});
        }
    std::vector<uint8_t> png;
    ASSERT_EQ(png_encode(rgb.data(), GFX_WIDTH, GFX_HEIGHT, 3, &png), RES_OK);
    const std::string dir = ASTROVANE_BINARY_DIR "/test-output/screens";
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/player_select_dialog.png", std::ios::binary)
        .write(reinterpret_cast<const char *>(png.data()), static_cast<std::streamsize>(png.size()));
}

}  // namespace
}  // namespace player_select_test
