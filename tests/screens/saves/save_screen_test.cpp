// The save screen over a real game and a save folder of the test's own: the rows it offers, the
// names new saves take, the overwrite question, a folder that cannot be written and the title.
#include <fstream>

#include "game/game.h"
#include "platform/input.h"
#include "saves_test_support.h"
#include "screens/saves/save_screen.h"
#include "ui/text_entry.h"

namespace saves_test {
namespace {

class SaveScreen : public SavesGame {
protected:
    int saved_calls = 0;
    static SaveScreen *current;

    void build() {
        screen = host();
        save_screen_build(screen);
        SaveScreenState *s = save_screen_state(screen);
        ASSERT_NE(s, nullptr);
        current = this;
        s->saved = [](Control *) { ++current->saved_calls; };
        frames(25);   // the buttons' entry flash is over
    }
    SaveScreenState *state() { return save_screen_state(screen); }
    Control *save() { return panel_find_child(panel_find_child(screen, SAVE_SCREEN_BUTTONS_ID), SAVE_SCREEN_SAVE_ID); }
    Control *entry() { return panel_find_child(panel_find_child(screen, SAVE_SCREEN_SUMMARY_ID), SAVE_SCREEN_ENTRY_ID); }
    Control *row(size_t i) { return state()->list.rows.at(i).control; }
    std::string row_title(size_t i) {
        Control *label = panel_find_child(panel_find_child(row(i), SAVE_ROW_TITLE_PANEL_ID), SAVE_ROW_TITLE_ID);
        return label_text(label ? label : panel_find_child(row(i), SAVE_ROW_TITLE_ID));
    }
    void click(Control *c) { ui_test::click_control(c); }
    void choose(size_t i) {
        click(row(i));
        frames(12);
    }
    // Saves into the chosen row as a player does and lets the screen finish.
    void save_into(size_t i) {
        build();
        choose(i);
        click(save());
    }
    std::string status() { return label_text(panel_find_child(screen, SAVE_SCREEN_STATUS_ID)); }
};
SaveScreen *SaveScreen::current = nullptr;

TEST_F(SaveScreen, OpensOnNewFileWithTheProposedTitleAndHidesTheAutosave) {
    write_save("000.sav", "Kept", 200);
    write_save("auto.sav", "Autosave", 10, 1);
    build();
    ASSERT_EQ(state()->list.rows.size(), 2u);   // "(New file)" and 000.sav
    EXPECT_EQ(row_title(0), "(New file)");
    EXPECT_EQ(row_title(1), "Kept");
    EXPECT_EQ(state()->list.selected, SAVE_NEW_FILE_INDEX);
    EXPECT_FALSE(image_control_is_highlighted(save()));
    // The title offered is the player's name and the save count; a file row offers its own title.
    const std::string proposed = std::string(game->ui_player->name) + " " + std::to_string(game->save_counter);
    EXPECT_EQ(text_entry_get_text(entry()), proposed);
    EXPECT_EQ(text_entry_state(entry())->max_length, SAVE_TITLE_MAX_LENGTH);
    choose(1);
    EXPECT_EQ(std::string(text_entry_get_text(entry())), "Kept");
    EXPECT_NE(panel_find_child(row(1), SAVE_ROW_DELETE_ID), nullptr);
    choose(0);
    EXPECT_EQ(text_entry_get_text(entry()), proposed);
    EXPECT_EQ(panel_find_child(row(0), SAVE_ROW_DELETE_ID), nullptr);   // nothing to delete on "(New file)"
}

TEST_F(SaveScreen, NewFilesTakeTheFirstFreeNumberAndAGapIsFilledFirst) {
    save_into(0);
    EXPECT_TRUE(exists(saves->file("000.sav")));
    EXPECT_EQ(state()->last_result, 0);
    EXPECT_EQ(game->autosave_countdown, GAME_AUTOSAVE_TURNS);
    frames(60);
    EXPECT_TRUE(shown(panel_find_child(screen, SAVE_SCREEN_STATUS_ID)));
    EXPECT_EQ(status(), "Game saved");
    EXPECT_EQ(saved_calls, 0);
    frames(SAVE_FINISH_MS / 20 + 2);
    EXPECT_EQ(saved_calls, 1);   // once, and the screen hides
    EXPECT_FALSE(shown(screen));
    game_clear_controls(game);

    save_into(0);
    EXPECT_TRUE(exists(saves->file("001.sav")));
    game_clear_controls(game);
    save_into(0);
    EXPECT_TRUE(exists(saves->file("002.sav")));
    game_clear_controls(game);

    ASSERT_EQ(::unlink(saves->file("001.sav").c_str()), 0);
    save_into(0);
    EXPECT_TRUE(exists(saves->file("001.sav")));
    EXPECT_FALSE(exists(saves->file("003.sav")));
}

// After a save the rows not saved into grey out whole: their words and their four pictures.
TEST_F(SaveScreen, TheOtherRowsDimTheirWordsAndPicturesAfterASave) {
    write_save("000.sav", "Kept", 200);
    save_into(0);
    ASSERT_EQ(state()->last_result, 0);
    frames(1600 / 20);
    Control *other = row(1);
    ASSERT_EQ(row_title(1), "Kept");
    for (int id : {SAVE_ROW_ICON_ID, 100017, 100015, 100016}) {
        Control *icon = panel_find_child(other, id);
        ASSERT_NE(icon, nullptr) << id;
        EXPECT_EQ(image_of(icon)->grey, 100) << "picture " << id << " greyed";
    }
    const ColourFade *date = text_label_colour(panel_find_child(other, SAVE_ROW_DATE_ID));
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->r, 60);
}

TEST_F(SaveScreen, OverwritingAsksOnlyWhenTheRowsFileStillExists) {
    write_save("auto.sav", "Autosave", 10, 1);   // newest, but never the file a row names
    const std::string kept = write_save("004.sav", "Old title", 100);
    save_into(1);
    ASSERT_NE(panel_find_child(screen, SAVE_SCREEN_DIALOG_ID), nullptr);
    EXPECT_NE(texts_of(panel_find_child(screen, SAVE_SCREEN_DIALOG_ID)).find("Overwrite existing file?"),
              std::string::npos);
    frames(10);
    click(dialog_button(SAVE_SCREEN_DIALOG_ID, DIALOG_NO_ID));
    EXPECT_EQ(panel_find_child(screen, SAVE_SCREEN_DIALOG_ID), nullptr);
    SaveHeader *before = nullptr;
    ASSERT_EQ(save_header_read_file(&before, kept.c_str()), RES_OK);
    EXPECT_EQ(before->title, "Old title");
    save_header_free(before);
    frames(12);

    click(save());
    frames(10);
    click(dialog_button(SAVE_SCREEN_DIALOG_ID, DIALOG_YES_ID));
    EXPECT_EQ(state()->last_result, 0);
    SaveHeader *after = nullptr;
    ASSERT_EQ(save_header_read_file(&after, kept.c_str()), RES_OK);
    EXPECT_EQ(after->title, "Old title");   // the row's title was offered and kept
    EXPECT_EQ(after->autosave, 0);
    save_header_free(after);
    SaveHeader *autosave = nullptr;
    ASSERT_EQ(save_header_read_file(&autosave, saves->file("auto.sav").c_str()), RES_OK);
    EXPECT_EQ(autosave->autosave, 1);
    save_header_free(autosave);
    game_clear_controls(game);

    // Removed behind the screen's back: saved at once, no question.
    build();
    choose(1);
    ASSERT_EQ(::unlink(kept.c_str()), 0);
    click(save());
    EXPECT_EQ(panel_find_child(screen, SAVE_SCREEN_DIALOG_ID), nullptr);
    EXPECT_TRUE(exists(kept));
}

TEST_F(SaveScreen, ADamagedSaveIsARowThatCanBeOverwrittenAndAMissingFolderLeaksNoList) {
    build();
    ASSERT_NE(state()->list.headers, nullptr) << "no folder yet: the empty list is kept, not dropped";
    game_clear_controls(game);

    write_save("000.sav", "Good", 200);
    { std::ofstream junk(saves->file("001.sav")); junk << "cut"; }
    build();
    ASSERT_EQ(state()->list.rows.size(), 3u) << "(New file), the good save, the damaged one";
    EXPECT_EQ(row_title(2), "001.sav");
    choose(2);
    EXPECT_EQ(text_entry_get_text(entry()), state()->proposed_title) << "the damaged file's name is no title";
    click(save());
    frames(10);
    click(dialog_button(SAVE_SCREEN_DIALOG_ID, DIALOG_YES_ID));
    EXPECT_EQ(state()->last_result, 0);
    SaveHeader *after = nullptr;
    ASSERT_EQ(save_header_read_file(&after, saves->file("001.sav").c_str()), RES_OK) << "written over";
    save_header_free(after);
}

TEST_F(SaveScreen, AFolderThatCannotBeMadeShowsTheFailureLinesAndOnlyBack) {
    { std::ofstream blocker(saves->folder()); blocker << "a file where the folder should be"; }
    int backs = 0;
    static int *back_count = nullptr;
    back_count = &backs;
    build();
    state()->back = [](Control *) { ++*back_count; };
    click(save());
    EXPECT_EQ(state()->last_result, SAVE_SCREEN_NO_TARGET);
    Control *failed = panel_find_child(panel_find_child(screen, SAVE_SCREEN_LIST_ID), SAVE_SCREEN_FAILED_ID);
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(texts_of(failed), "Hard drive write failed. System error - unable to save.");
    EXPECT_EQ(panel_find_child(screen, SAVE_SCREEN_STATUS_ID), nullptr);
    Control *back = panel_find_child(screen, SAVE_SCREEN_BACK_ID);
    ASSERT_NE(back, nullptr);
    frames(70);
    EXPECT_TRUE(shown(back));
    click(back);
    EXPECT_EQ(backs, 1);
    EXPECT_EQ(saved_calls, 0);
}

TEST_F(SaveScreen, TheFirstKeyReplacesTheTitleAndNoMoreThan255CharactersAreTaken) {
    build();
    click(entry());
    ASSERT_TRUE(text_entry_is_editing(entry()));
    auto type = [](int key) {
        ui_test::key_down(key);
        ui_test::frame();
        ui_test::key_up(key);
        ui_test::frame();
    };
    type('q');
    EXPECT_EQ(std::string(text_entry_get_text(entry())), "q");
    for (int i = 0; i < 260; ++i) type('w');
    EXPECT_EQ(std::string(text_entry_get_text(entry())).size(), size_t(SAVE_TITLE_MAX_LENGTH));
    click(save());
    SaveHeader *written = nullptr;
    ASSERT_EQ(save_header_read_file(&written, saves->file("000.sav").c_str()), RES_OK);
    EXPECT_EQ(written->title, "q" + std::string(SAVE_TITLE_MAX_LENGTH - 1, 'w'));
    save_header_free(written);
}

TEST_F(SaveScreen, DeletingAFileRowRemovesThatFileAndLeavesNewFile) {
    write_save("auto.sav", "Autosave", 10, 1);
    const std::string doomed = write_save("000.sav", "Doomed", 100);
    build();
    choose(1);
    click(panel_find_child(row(1), SAVE_ROW_DELETE_ID));
    frames(10);
    click(dialog_button(SAVE_SCREEN_DIALOG_ID, DIALOG_YES_ID));
    EXPECT_FALSE(exists(doomed));
    EXPECT_TRUE(exists(saves->file("auto.sav")));
    ASSERT_EQ(state()->list.rows.size(), 1u);
    EXPECT_EQ(row_title(0), "(New file)");
    EXPECT_TRUE(image_control_is_highlighted(save()));
}

}  // namespace
}  // namespace saves_test
