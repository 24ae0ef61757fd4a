// Deleting a player record from the player selection: who gets the delete button, the records file
// the deletion writes, the rows that close the gap, "No, keep", and the selection afterwards, which
// keeps naming the records the player chose.
#include <filesystem>
#include <fstream>

#include "screens/title/player_select_fixture.h"
#include "support/fixture_store.h"
#include "ui/dialog.h"

namespace player_select_test {
namespace {

class PlayerDelete : public PlayerSelectTest {
public:
    Control *delete_button() { return in_body(PLAYER_SELECT_DELETE_ID); }
    Control *confirmation() { return panel_find_child(dialog, PLAYER_SELECT_CONFIRM_ID); }
    Control *confirmation_button(int id) { return panel_find_child(panel_find_child(confirmation(), DIALOG_ROW_ID), id); }

    // Selects the row (unless it is selected) and asks to delete it; the question has grown.
    void ask_to_delete(const char *name) {
        Control *row = row_named(name);
        ASSERT_NE(row, nullptr) << name;
        if (value_of(row) != state()->selected) click(row);
        ASSERT_NE(delete_button(), nullptr) << name;
        click(delete_button());
        ASSERT_NE(confirmation(), nullptr);
        run(200);
    }
    void delete_row(const char *name) {
        ask_to_delete(name);
        click(confirmation_button(DIALOG_YES_ID));
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
    static std::vector<std::string> shipped_and(std::initializer_list<const char *> added) {
        std::vector<std::string> names = {"Commander", "Halcyon Freight Combine", "Vireo Armaments",
                                          "Brightline Mining Concern", "Cassander Research Institute",
                                          "Ironveil Security", "Nova Frontier Company", "Talbot-Reyes Shipworks",
                                          "Obsidian Syndicate"};
        names.insert(names.end(), added.begin(), added.end());
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
    Control *button = delete_button();
    ASSERT_NE(button, nullptr);
    Control *row = row_named("Alice");
    EXPECT_EQ(button->x, row->x + row->w - button->w - 3);
    EXPECT_EQ(button->y, row->y + row->h / 2 - button->h / 2);
    EXPECT_EQ(button->tag, 2);
    click(row_named("Nobody"));
    EXPECT_EQ(delete_button(), nullptr) << "id 0";
    click(row_named("Commander"));
    EXPECT_EQ(delete_button(), nullptr) << "record 1";

    open(0, PLAYER_SELECT_HUMAN, {alice, 2, 6, 7, 0});
    EXPECT_NE(delete_button(), nullptr) << "the slot's own record, selected at opening";

    open(1, 0);
    for (Control *r : std::vector<Control *>(state()->rows->items)) {
        if (r->flags & CTRL_DISABLED) continue;
        click(r);
        EXPECT_EQ(delete_button(), nullptr) << "computer players' records: " << value_of(r);
    }
}

TEST_F(PlayerDelete, DeletingRewritesTheRecordsFileAndTheRowsBelowCloseTheGap) {
    const uint64_t alice_id = add_human("Alice");
    add_human("Bob");
    const uint64_t carol = add_human("Carol");
    open(0, PLAYER_SELECT_HUMAN, {1, 2, 6, 7, carol});   // Carol is held by slot 4: greyed
    Control *commander = row_named("Commander"), *alice = row_named("Alice"), *bob = row_named("Bob");
    Control *create = create_row(), *greyed = row_named("Carol");
    ASSERT_TRUE(commander && alice && bob && create && greyed);
    const int gap = alice->h + 2;
    const int commander_y = commander->y, bob_y = bob->y, create_y = create->y, greyed_y = greyed->y;

    ask_to_delete("Alice");
    Control *question = confirmation();
    EXPECT_EQ(panel_of(question)->value, 1);
    EXPECT_EQ(question->tag, 2);
    int w = 0, h = 0;
    panel_layout(question, &w, &h);
    EXPECT_EQ(question->w, w + 6) << "grown to its own size";
    click(confirmation_button(DIALOG_YES_ID));

    EXPECT_EQ(names_in_file(), shipped_and({"Bob", "Carol"}));
    EXPECT_EQ(records_find(game(), alice_id), nullptr);
    EXPECT_EQ(list_count(game()->player_records), 11);
    EXPECT_EQ(row_named("Alice"), nullptr);
    EXPECT_EQ(question->id, -1) << "the question fades out";
    EXPECT_EQ(delete_button(), nullptr) << "record 1 is selected again";

    // Within the pause the slid rows take no click.
    click(bob);
    EXPECT_EQ(state()->selected, 0) << "back to the record chosen before, which Bob's click did not change";
    EXPECT_EQ(details_name(), "Commander");
    EXPECT_EQ(background_of(commander), (Rgb{5, 60, 5}));
    run(200);
    EXPECT_EQ(commander->y, commander_y);
    EXPECT_EQ(bob->y, bob_y - gap);
    EXPECT_EQ(create->y, create_y - gap);
    EXPECT_EQ(greyed->y, greyed_y - gap);
    EXPECT_EQ(value_of(bob), 1);
    EXPECT_EQ(value_of(create), -2);
    EXPECT_EQ(value_of(greyed), -2);
    EXPECT_TRUE(greyed->flags & CTRL_DISABLED) << "a greyed row stays inert after the pause";
    click(greyed);
    EXPECT_EQ(state()->selected, 0);
    click(bob);
    EXPECT_EQ(state()->selected, 1);
    EXPECT_EQ(details_name(), "Bob");
    EXPECT_NE(delete_button(), nullptr);
}

TEST_F(PlayerDelete, NoKeepLeavesRecordsAndFileAlone) {
    add_human("Alice");
    open(0, PLAYER_SELECT_HUMAN);
    ask_to_delete("Alice");
    Control *question = confirmation();
    click(confirmation_button(DIALOG_NO_ID));
    EXPECT_EQ(question->id, -1) << "it fades out";
    run(200);
    EXPECT_TRUE(question->flags & CTRL_REMOVED);
    EXPECT_EQ(list_count(game()->player_records), 10);
    EXPECT_FALSE(std::filesystem::exists(save.file(RECORDS_FILE_NAME)));
    EXPECT_EQ(state()->selected, 1);
    EXPECT_NE(delete_button(), nullptr);
    // Asked again, the wheel over the list takes the question away as well.
    click(delete_button());
    ASSERT_NE(confirmation(), nullptr);
    wheel_over(body(), 1);
    EXPECT_EQ(confirmation(), nullptr);
    EXPECT_EQ(list_count(game()->player_records), 10);
}

TEST_F(PlayerDelete, AFailedWriteIsLoggedAndTheRecordStaysGone) {
    add_human("Alice");
    std::filesystem::create_directories(save.root());
    std::ofstream(save.root() + "/Astrovane") << "a file where the save folder should be";
    LogFileCatcher log(save.root(), 0);
    open(0, PLAYER_SELECT_HUMAN);
    delete_row("Alice");
    EXPECT_EQ(list_count(game()->player_records), 9);
    EXPECT_NE(log.text().find("[GAME] [ERROR] Failed to write records file (" + std::to_string(int(RES_NOT_A_DIRECTORY)) +
                              ")\r\n"),
              std::string::npos)
        << log.text();
}

// ---- the selection after a deletion ----

TEST_F(PlayerDelete, DeletingARowAboveThePreviousChoiceGoesBackToThatSameRecord) {
    add_human("Alice");
    const uint64_t bob = add_human("Bob");
    add_human("Carol");
    open(0, PLAYER_SELECT_HUMAN, {bob, 2, 6, 7, 0});   // Bob at index 2, chosen when the dialog opened
    click(row_named("Alice"));
    delete_row("Alice");
    EXPECT_EQ(details_name(), "Bob");
    EXPECT_EQ(background_of(row_named("Bob")), (Rgb{5, 60, 5}));
    EXPECT_NE(delete_button(), nullptr);
    click(ok_button());
    EXPECT_EQ(g_answer.id, bob);
    // The initial choice moved with the rows too: an untouched entry's OK returns Bob again.
    click(create_row());
    click(ok_button());
    EXPECT_EQ(g_answer.calls, 2);
    EXPECT_EQ(g_answer.id, bob);
}

TEST_F(PlayerDelete, DeletingTheInitialChoiceNeverHandsOverTheRecordThatTookItsPlace) {
    const uint64_t alice = add_human("Alice");
    const uint64_t bob = add_human("Bob");
    open(0, PLAYER_SELECT_HUMAN, {alice, 2, 6, 7, 0});
    delete_row("Alice");
    EXPECT_EQ(state()->selected, 0) << "nothing chosen before: the first row";
    EXPECT_EQ(details_name(), "Commander");
    EXPECT_EQ(state()->initial, -1);
    run(200);
    click(create_row());
    click(ok_button());
    EXPECT_NE(g_answer.id, bob);
    EXPECT_EQ(g_answer.id, 0u) << "the slot's record is gone: no record";
}

}  // namespace
}  // namespace player_select_test
