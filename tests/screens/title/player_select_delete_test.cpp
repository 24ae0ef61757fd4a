// Deleting a player record from the player selection: who gets the delete button, the records file
// the deletion writes, the rows that close the gap, "No, keep", and the selection afterwards, which
// keeps naming the records the player chose.
#include <filesystem>
#include <fstream>
#include <tuple>

#include "screens/title/player_select_fixture.h"
#include "support/fixture_store.h"
#include "ui/dialog.h"

namespace player_select_test {
namespace {

class PlayerDelete : public PlayerSelectTest {
public:
    Control *delete_button() { return panel_find_child(body(), PLAYER_SELECT_DELETE_ID); }
    Control *question() { return panel_find_child(dialog, PLAYER_SELECT_CONFIRM_ID); }
    Control *answer_button(int id) { return panel_find_child(panel_find_child(question(), DIALOG_ROW_ID), id); }

    // Selects the row (unless it is selected), asks to delete it and lets the question grow.
    void ask_to_delete(const char *name) {
        if (value_of(row_named(name)) != state()->selected) click(row_named(name));
        click(delete_button());
        ASSERT_NE(question(), nullptr) << name;
        run(200);
    }
    void delete_row(const char *name) {
        ask_to_delete(name);
        click(answer_button(DIALOG_YES_ID));
    }
    // The names "records.dat" holds, read back by the game's own loader.
    std::vector<std::string> names_in_file() {
        Game *other = game_create();
        std::vector<std::string> names;
        EXPECT_EQ(records_load(other), RES_OK);
        for (const PlayerRecord *r : other->player_records->items) names.push_back(r->name);
        game_free(other);
        return names;
    }
};

TEST_F(PlayerDelete, TheButtonStandsOnlyAtHumanRecordsAfterTheFirst) {
    const uint64_t alice = add_human("Alice");
    PlayerRecord *nobody = player_record_create();   // a record of id 0, as a damaged file could hold
    nobody->name = "Nobody";
    list_append(game()->player_records, nobody);
    open(0, PLAYER_SELECT_HUMAN);
    EXPECT_EQ(delete_button(), nullptr) << "record 1, selected at opening";
    click(row_named("Alice"));
    Control *button = delete_button(), *row = row_named("Alice");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(std::tie(button->x, button->y, button->tag),
              std::make_tuple(row->x + row->w - button->w - 3, row->y + row->h / 2 - button->h / 2, 2));
    click(row_named("Nobody"));
    EXPECT_EQ(delete_button(), nullptr) << "id 0";
    open(0, PLAYER_SELECT_HUMAN, {alice, 2, 6, 7, 0});
    EXPECT_NE(delete_button(), nullptr) << "the slot's own record, selected at opening";
    open(1, 0);
    for (Control *r : std::vector<Control *>(state()->rows->items)) {
        click(r);
        EXPECT_EQ(delete_button(), nullptr) << "computer players' records: row " << value_of(r);
    }
}

TEST_F(PlayerDelete, DeletingRewritesTheRecordsFileAndTheRowsBelowCloseTheGap) {
    const uint64_t alice_id = add_human("Alice");
    add_human("Bob");
    const uint64_t carol = add_human("Carol");
    open(0, PLAYER_SELECT_HUMAN, {1, 2, 6, 7, carol});   // Carol is held by slot 4: greyed
    Control *commander = row_named("Commander"), *alice = row_named("Alice"), *bob = row_named("Bob");
    Control *create = create_row(), *greyed = row_named("Carol");
    const int gap = alice->h + 2;
    const int commander_y = commander->y, bob_y = bob->y, create_y = create->y, greyed_y = greyed->y;

    ask_to_delete("Alice");
    Control *asked = control_addref(question());   // held to look at it after it is gone
    EXPECT_EQ(std::tie(panel_of(asked)->value, asked->tag), std::make_tuple(1, 2));
    int w = 0, h = 0;
    panel_layout(asked, &w, &h);
    EXPECT_EQ(asked->w, w + 6) << "grown to its own size";
    click(answer_button(DIALOG_YES_ID));

    std::vector<std::string> expected;
    for (const PlayerRecord *r : game()->player_records->items) expected.push_back(r->name);
    EXPECT_EQ(expected.size(), 11u);
    EXPECT_EQ(records_find(game(), alice_id), nullptr);
    EXPECT_EQ(names_in_file(), expected);
    EXPECT_EQ(row_named("Alice"), nullptr);
    EXPECT_EQ(asked->id, -1) << "the question fades out";
    control_release(asked);
    EXPECT_EQ(delete_button(), nullptr) << "record 1 is selected again";

    click(bob);   // within the pause the slid rows take no click
    EXPECT_EQ(state()->selected, 0) << "back to the record chosen before";
    EXPECT_EQ(details_name(), "Commander");
    EXPECT_EQ(background_of(commander), (Rgb{5, 60, 5}));
    run(200);
    EXPECT_EQ(commander->y, commander_y);
    const std::pair<Control *, int> slid[] = {{bob, bob_y}, {create, create_y}, {greyed, greyed_y}};
    for (const auto &[row, was] : slid) EXPECT_EQ(row->y, was - gap);
    EXPECT_EQ(std::tie(panel_of(bob)->value, panel_of(create)->value, panel_of(greyed)->value), std::make_tuple(1, -2, -2));
    EXPECT_TRUE(greyed->flags & CTRL_DISABLED) << "a greyed row stays inert after the pause";
    click(greyed);
    EXPECT_EQ(state()->selected, 0);
    click(bob);
    EXPECT_EQ(details_name(), "Bob");
    EXPECT_NE(delete_button(), nullptr);
}

TEST_F(PlayerDelete, NoKeepOrTheWheelLeaveRecordsAndFileAlone) {
    add_human("Alice");
    open(0, PLAYER_SELECT_HUMAN);
    ask_to_delete("Alice");
    Control *asked = control_addref(question());   // held to look at it after it is gone
    click(answer_button(DIALOG_NO_ID));
    EXPECT_EQ(asked->id, -1) << "it fades out";
    run(200);
    EXPECT_TRUE(asked->flags & CTRL_REMOVED);
    control_release(asked);
    EXPECT_NE(delete_button(), nullptr);
    click(delete_button());
    ASSERT_NE(question(), nullptr);
    wheel_over(body(), 1);
    EXPECT_EQ(question(), nullptr) << "scrolling takes the question away";
    EXPECT_EQ(list_count(game()->player_records), 10);
    EXPECT_FALSE(std::filesystem::exists(save.file(RECORDS_FILE_NAME)));
    EXPECT_EQ(details_name(), "Alice");
}

TEST_F(PlayerDelete, AFailedWriteIsLoggedAndTheRecordStaysGone) {
    add_human("Alice");
    std::ofstream(save.root + "/Astrovane") << "a file where the save folder should be";
    LogFileCatcher log(save.root, 0);
    open(0, PLAYER_SELECT_HUMAN);
    delete_row("Alice");
    EXPECT_EQ(list_count(game()->player_records), 9);
    const std::string line = "[GAME] [ERROR] Failed to write records file (" + std::to_string(int(RES_NOT_A_DIRECTORY)) + ")\r\n";
    EXPECT_NE(log.text().find(line), std::string::npos) << log.text();
}

// ---- the selection after a deletion ----

TEST_F(PlayerDelete, DeletingARowAboveThePreviousChoiceGoesBackToThatSameRecord) {
    add_human("Alice");
    const uint64_t bob = add_human("Bob");
    add_human("Carol");
    open(0, PLAYER_SELECT_HUMAN, {bob, 2, 6, 7, 0});   // Bob, index 2, chosen when the dialog opened
    click(row_named("Alice"));
    delete_row("Alice");
    EXPECT_EQ(details_name(), "Bob");
    EXPECT_EQ(background_of(row_named("Bob")), (Rgb{5, 60, 5}));
    EXPECT_NE(delete_button(), nullptr);
    click(ok_button());
    EXPECT_EQ(g_answer.id, bob);
    click(create_row());   // the initial choice moved too: an untouched entry's OK returns Bob again
    click(ok_button());
    EXPECT_EQ(std::tie(g_answer.calls, g_answer.id), std::make_tuple(2, bob));
}

TEST_F(PlayerDelete, DeletingTheInitialChoiceNeverHandsOverTheRecordThatTookItsPlace) {
    const uint64_t alice = add_human("Alice");
    add_human("Bob");
    open(0, PLAYER_SELECT_HUMAN, {alice, 2, 6, 7, 0});
    delete_row("Alice");
    EXPECT_EQ(state()->selected, 0) << "nothing chosen before: the first row";
    EXPECT_EQ(details_name(), "Commander");
    run(200);
    click(create_row());
    click(ok_button());
    EXPECT_EQ(g_answer.id, 0u) << "the slot's record is gone: no record, not Bob in its place";
}

TEST_F(PlayerDelete, DeletingTheLastHumanRecordLeavesANewPlayerInTheDetails) {
    records_remove(game(), 1);
    const uint64_t alice = add_human("Alice");
    open(0, PLAYER_SELECT_HUMAN, {alice, 2, 6, 7, 0});
    delete_row("Alice");
    EXPECT_EQ(list_count(state()->available), 0);
    EXPECT_EQ(details_name(), "(New player)");
    click(ok_button());
    EXPECT_EQ(g_answer.id, 0u);
}

}  // namespace
}  // namespace player_select_test
