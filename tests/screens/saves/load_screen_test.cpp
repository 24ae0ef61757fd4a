// The load screen over a real game and a save folder of the test's own: the listing, the load
// question with the pending load, deleting files (a failed removal too) and scrolling.
#include <sys/stat.h>

#include <fstream>

#include "saves_test_support.h"
#include "screens/saves/load_screen.h"
#include "ui/scroll.h"

namespace saves_test {
namespace {

class LoadScreen : public SavesGame {
protected:
    int requested = 0;
    static LoadScreen *current;

    void build(uint32_t flags = 0) {
        screen = host();
        load_screen_build(screen, flags);
        LoadScreenState *s = load_screen_state(screen);
        ASSERT_NE(s, nullptr);
        current = this;
        s->load_requested = [](Control *) { ++current->requested; };
        frames(2);
    }
    LoadScreenState *state() { return load_screen_state(screen); }
    Control *list() { return panel_find_child(screen, LOAD_SCREEN_LIST_ID); }
    Control *load() { return panel_find_child(panel_find_child(screen, LOAD_SCREEN_BUTTONS_ID), LOAD_SCREEN_LOAD_ID); }
    Control *row(size_t i) { return state()->list.rows.at(i).control; }
    std::string title(size_t i) {
        return label_text(panel_find_child(panel_find_child(row(i), 100011), LOAD_ROW_TITLE_ID));
    }
    void click(Control *c) { ui_test::click_control(c); }
    // A row click, then the time a player takes to reach Load (a button just made usable ignores
    // the pointer for a moment).
    void choose(size_t i) {
        click(row(i));
        frames(12);
    }
};
LoadScreen *LoadScreen::current = nullptr;

TEST_F(LoadScreen, ListsEverySaveNewestFirstTheAutosaveIncluded) {
    write_save("000.sav", "Oldest", 300);
    write_save("auto.sav", "Autosave", 10, 1);
    write_save("001.sav", "Middle", 100);
    { std::ofstream junk(saves->file("notes.sav")); junk << "not a save"; }   // no header: not listed
    build();
    ASSERT_EQ(state()->list.rows.size(), 3u);
    EXPECT_EQ(title(0), "Autosave");
    EXPECT_EQ(title(1), "Middle");
    EXPECT_EQ(title(2), "Oldest");
    // Each row shows its own file's figures: the player and the credits of the game saved.
    EXPECT_EQ(label_text(panel_find_child(row(1), LOAD_ROW_NAME_ID)), state()->list.headers->items[1]->player_name);
    EXPECT_EQ(label_text(panel_find_child(row(1), LOAD_ROW_CREDITS_ID)),
              std::to_string(state()->list.headers->items[1]->credits));
    EXPECT_EQ(label_text(panel_find_child(screen, LOAD_SCREEN_PROMPT_ID)), "Select file to load");
    EXPECT_TRUE(image_control_is_highlighted(load()));   // nothing chosen yet
}

TEST_F(LoadScreen, AnEmptyFolderSaysSoWithNoPromptAndNoLoad) {
    build();
    EXPECT_TRUE(state()->list.rows.empty());
    EXPECT_EQ(label_text(panel_find_child(list(), LOAD_SCREEN_EMPTY_ID)), "(No save files found)");
    EXPECT_EQ(panel_find_child(screen, LOAD_SCREEN_PROMPT_ID), nullptr);
    EXPECT_TRUE(image_control_is_highlighted(load()));
    EXPECT_EQ(panel_find_child(screen, LOAD_SCREEN_BAR_ID), nullptr);
    // The wheel over a list that cannot scroll leaves it at the top.
    ui_test::wheel(3);
    save_list_on_wheel(list());
    EXPECT_EQ(state()->list.scroll_offset, 0);
    EXPECT_EQ(panel_of(list())->scroll_y, 0);
}

TEST_F(LoadScreen, WithoutASaveFolderTheScreenKeepsTheEmptyListItWasGiven) {
    struct stat st;
    ASSERT_NE(::stat(saves->folder().c_str(), &st), 0) << "no folder";
    build();
    ASSERT_NE(state()->list.headers, nullptr) << "the listing's list is the screen's to free";
    EXPECT_EQ(list_count(state()->list.headers), 0);
    EXPECT_EQ(label_text(panel_find_child(list(), LOAD_SCREEN_EMPTY_ID)), "(No save files found)");
}

// A save of the game's own names whose header does not read still holds its number: it is shown
// as a damaged row that can be deleted but not loaded.
TEST_F(LoadScreen, ADamagedSaveIsADamagedRowThatCanBeDeletedButNotLoaded) {
    write_save("000.sav", "Good", 200);
    { std::ofstream junk(saves->file("001.sav")); junk << "not a save"; }
    { std::ofstream junk(saves->file("prefs.dat")); junk << "not a save either"; }
    build();
    ASSERT_EQ(state()->list.rows.size(), 2u);
    EXPECT_EQ(title(0), "Good");
    EXPECT_EQ(title(1), "001.sav");
    EXPECT_EQ(label_text(panel_find_child(row(1), LOAD_ROW_TIME_ID)), "Damaged save file");
    EXPECT_EQ(panel_find_child(row(1), LOAD_ROW_NAME_ID), nullptr);

    choose(1);
    EXPECT_TRUE(image_control_is_highlighted(load())) << "a damaged save cannot be loaded";
    load_screen_load_confirmed(load());   // even a stray call records no load
    EXPECT_FALSE(game->flags & GAME_FLAG_LOAD_PENDING);
    EXPECT_EQ(requested, 0);
    choose(0);
    EXPECT_FALSE(image_control_is_highlighted(load()));
    choose(1);
    Control *del = panel_find_child(row(1), LOAD_ROW_DELETE_ID);
    ASSERT_NE(del, nullptr);
    click(del);
    frames(10);
    click(dialog_button(LOAD_SCREEN_DIALOG_ID, DIALOG_YES_ID));
    EXPECT_FALSE(exists(saves->file("001.sav")));
    EXPECT_TRUE(exists(saves->file("prefs.dat")));
    EXPECT_EQ(state()->list.rows.size(), 1u);
}

TEST_F(LoadScreen, YesLoadRecordsThePendingLoadOfTheChosenRowAndCallsTheOwner) {
    write_save("000.sav", "First", 200);
    const std::string second = write_save("001.sav", "Second", 100);
    build(LOAD_SCREEN_RUNNING);
    game->flags &= ~GAME_FLAG_LOAD_PENDING;
    choose(0);
    EXPECT_FALSE(image_control_is_highlighted(load()));
    EXPECT_NE(panel_find_child(row(0), LOAD_ROW_DELETE_ID), nullptr);
    EXPECT_EQ(panel_find_child(row(1), LOAD_ROW_DELETE_ID), nullptr);

    click(load());
    Control *dialog = panel_find_child(screen, LOAD_SCREEN_DIALOG_ID);
    ASSERT_NE(dialog, nullptr);
    EXPECT_NE(texts_of(dialog).find("Load this file? You will lose any unsaved progress."), std::string::npos);
    frames(15);   // the question slides into place
    // "No, cancel" leaves nothing pending and the list usable.
    click(dialog_button(LOAD_SCREEN_DIALOG_ID, DIALOG_NO_ID));
    EXPECT_FALSE(game->flags & GAME_FLAG_LOAD_PENDING);
    EXPECT_TRUE(control_is_enabled(list()));
    frames(10);

    click(load());
    frames(15);
    click(dialog_button(LOAD_SCREEN_DIALOG_ID, DIALOG_YES_ID));
    EXPECT_TRUE(game->flags & GAME_FLAG_LOAD_PENDING);
    EXPECT_EQ(game->load_file_name, second);
    EXPECT_EQ(requested, 1);
    EXPECT_EQ(label_text(panel_find_child(screen, LOAD_SCREEN_PROMPT_ID)), "Loading game");
    EXPECT_FALSE(control_is_enabled(row(1)));
    game->flags &= ~GAME_FLAG_LOAD_PENDING;

    // The owner's failed load turns the screen into its error view with an OK.
    load_screen_show_error(screen);
    EXPECT_EQ(label_text(panel_find_child(screen, LOAD_SCREEN_PROMPT_ID)), "Error loading game");
    EXPECT_NE(panel_find_child(screen, LOAD_SCREEN_OK_ID), nullptr);
}

// While the chosen save loads, the other rows grey out whole: words and pictures; the chosen row
// keeps its pictures.
TEST_F(LoadScreen, WhileLoadingTheOtherRowsGreyTheirWordsAndPictures) {
    write_save("000.sav", "First", 200);
    write_save("001.sav", "Second", 100);
    build();
    choose(0);
    click(load());
    frames(15);
    click(dialog_button(LOAD_SCREEN_DIALOG_ID, DIALOG_YES_ID));
    game->flags &= ~GAME_FLAG_LOAD_PENDING;
    frames(1600 / 20);
    for (int id : {LOAD_ROW_ICON_ID, 100015, 100013, 100014}) {
        Control *other = panel_find_child(row(1), id), *chosen = panel_find_child(row(0), id);
        ASSERT_NE(other, nullptr) << id;
        ASSERT_NE(chosen, nullptr) << id;
        EXPECT_EQ(image_of(other)->grey, 100) << "picture " << id << " of the other row";
        EXPECT_EQ(image_of(chosen)->grey, 0) << "picture " << id << " of the chosen row";
    }
    EXPECT_EQ(text_label_colour(panel_find_child(row(1), LOAD_ROW_DATE_ID))->g, 60);
}

TEST_F(LoadScreen, OnTheTitleTheQuestionDoesNotSpeakOfUnsavedProgress) {
    write_save("000.sav", "First", 100);
    build();
    choose(0);
    click(load());
    ASSERT_NE(panel_find_child(screen, LOAD_SCREEN_DIALOG_ID), nullptr);
    const std::string question = texts_of(panel_find_child(screen, LOAD_SCREEN_DIALOG_ID));
    EXPECT_NE(question.find("Load this file?"), std::string::npos);
    EXPECT_EQ(question.find("unsaved"), std::string::npos);
}

TEST_F(LoadScreen, DeletingRemovesTheFileAndTheRowUntilTheLastBringsBackTheEmptyText) {
    const std::string a = write_save("000.sav", "A", 200);
    const std::string b = write_save("001.sav", "B", 100);
    build();
    click(row(1));   // "A"
    click(panel_find_child(row(1), LOAD_ROW_DELETE_ID));
    ASSERT_NE(panel_find_child(screen, LOAD_SCREEN_DIALOG_ID), nullptr);
    EXPECT_FALSE(control_is_enabled(row(1)));
    frames(10);
    // "No, keep" keeps the file and gives the row back.
    click(dialog_button(LOAD_SCREEN_DIALOG_ID, DIALOG_NO_ID));
    EXPECT_TRUE(exists(a));
    EXPECT_TRUE(control_is_enabled(row(1)));
    frames(10);

    click(panel_find_child(row(1), LOAD_ROW_DELETE_ID));
    frames(10);
    click(dialog_button(LOAD_SCREEN_DIALOG_ID, DIALOG_YES_ID));
    EXPECT_FALSE(exists(a));
    EXPECT_TRUE(exists(b));
    ASSERT_EQ(state()->list.rows.size(), 1u);
    EXPECT_EQ(title(0), "B");
    EXPECT_TRUE(image_control_is_highlighted(load()));   // Load waits for another choice
    frames(10);

    click(row(0));
    click(panel_find_child(row(0), LOAD_ROW_DELETE_ID));
    frames(10);
    click(dialog_button(LOAD_SCREEN_DIALOG_ID, DIALOG_YES_ID));
    EXPECT_FALSE(exists(b));
    EXPECT_TRUE(state()->list.rows.empty());
    EXPECT_EQ(label_text(panel_find_child(list(), LOAD_SCREEN_EMPTY_ID)), "(No save files found)");
}

TEST_F(LoadScreen, AFileThatCannotBeRemovedKeepsItsRowSelectedAndSaysSo) {
    const std::string a = write_save("000.sav", "Stays", 100);
    build();
    // Between the listing and the answer the name came to stand for a folder that holds a file.
    ASSERT_EQ(::unlink(a.c_str()), 0);
    ASSERT_EQ(::mkdir(a.c_str(), 0755), 0);
    { std::ofstream inside(a + "/keep"); inside << "x"; }
    click(row(0));
    click(panel_find_child(row(0), LOAD_ROW_DELETE_ID));
    frames(10);
    click(dialog_button(LOAD_SCREEN_DIALOG_ID, DIALOG_YES_ID));
    ASSERT_EQ(state()->list.rows.size(), 1u);
    EXPECT_TRUE(control_is_enabled(row(0)));
    EXPECT_EQ(state()->list.selected, 0);
    EXPECT_FALSE(image_control_is_highlighted(load()));
    Control *prompt = panel_find_child(screen, LOAD_SCREEN_PROMPT_ID);
    EXPECT_EQ(label_text(prompt), "Failed to delete file");
    EXPECT_GT(text_label_colour(prompt)->r, text_label_colour(prompt)->g);   // in the error colours
    ::unlink((a + "/keep").c_str());
    ::rmdir(a.c_str());
}

TEST_F(LoadScreen, ATallListScrollsByTheWheelAndBringsAChosenRowIntoView) {
    for (int i = 0; i < 8; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%.3i.sav", i);
        write_save(name, name, 100 - i);
    }
    build();
    ASSERT_EQ(list()->h, SAVE_LIST_MAX_HEIGHT);
    Control *bar = panel_find_child(screen, LOAD_SCREEN_BAR_ID);
    ASSERT_NE(bar, nullptr);
    ASSERT_GT(state()->list.scroll_range, 0);
    ui_test::wheel(1);
    save_list_on_wheel(list());
    int pos = 0, max = 0;
    scroll_bar_get(bar, &pos, &max);
    EXPECT_EQ(pos, std::min(24, max));
    EXPECT_GT(state()->list.scroll_offset, 0);
    EXPECT_LE(state()->list.scroll_offset, state()->list.scroll_range);

    // Choosing the last row scrolls to it: its bottom lies inside the list.
    load_screen_select_row(row(7));
    EXPECT_EQ(state()->list.scroll_offset, state()->list.scroll_range);
    EXPECT_TRUE(save_list_row_visible(&state()->list, load_screen_ids(), row(7)));
    // The up arrow steps back to the row before the first whole one; enough of them reach the top.
    for (int i = 0; i < 10; ++i) save_list_on_bar_up(bar);
    EXPECT_EQ(state()->list.scroll_offset, 0);
    save_list_on_bar_down(bar);
    EXPECT_GT(state()->list.scroll_offset, 0);

    // The wheel over the bar itself scrolls as it does over the list.
    save_list_on_bar_up(bar);
    for (int i = 0; i < 10; ++i) save_list_on_bar_up(bar);
    ASSERT_EQ(state()->list.scroll_offset, 0);
    ui_test::wheel(2);
    save_list_on_bar_changed(bar);
    scroll_bar_get(bar, &pos, &max);
    EXPECT_EQ(pos, std::min(48, max));
    EXPECT_GT(state()->list.scroll_offset, 0);
    ui_test::wheel(0);
}

}  // namespace
}  // namespace saves_test
