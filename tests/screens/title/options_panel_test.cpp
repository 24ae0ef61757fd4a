// The options panel over the real game record, preferences file and sound manager, picks made by
// clicking through the control pass: what each pick stores, applies and writes, and when it writes
// nothing.
#include <gtest/gtest.h>

#include <unistd.h>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "game/game.h"
#include "game/game_files.h"
#include "platform/files.h"
#include "platform/sound.h"
#include "screens/title/options_panel.h"
#include "support/fixture_store.h"
#include "ui/choice.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_test_support.h"
#include "title_test_support.h"

namespace options_panel_test {
namespace {

using namespace ui_test;
using title_test::KEY_ESCAPE;
using title_test::text_of;

std::vector<Control *> g_closed;
void record_close(Control *panel) { g_closed.push_back(panel); }

class OptionsPanel : public UiTest {
protected:
    using Prefs = std::vector<int32_t>;   // display, sound, music, galaxy, auto-pass, combat
    static Prefs prefs() {
        const Game *g = game();
        return {g->display_mode, g->sound_volume, g->music_volume, g->galaxy_speed, g->auto_pass, g->combat_speed};
    }
    static void set_prefs(const Prefs &p) {
        Game *g = game();
        std::tie(g->display_mode, g->sound_volume, g->music_volume, g->galaxy_speed, g->auto_pass, g->combat_speed) =
            std::tie(p[0], p[1], p[2], p[3], p[4], p[5]);
    }

    void SetUp() override {
        UiTest::SetUp();
        saved_ = prefs();
        set_prefs({0, 128, 76, 300, 0, 100});
        g_closed.clear();
    }
    void TearDown() override {
        UiTest::TearDown();
        set_prefs(saved_);
    }

    Control *open() {
        Control *panel = panel_create_empty();
        options_panel_build(panel);
        add_top(panel, 100, 60);
        for (int i = 0; i < 15; ++i) frame();   // the header stretches over 200 ms
        return panel;
    }
    static Control *choice_of(Control *panel, int32_t id) {
        for (Control *row : options_panel_state(panel)->rows->items)
            if (Control *choice = panel_find_child(row, OPTIONS_CHOICE_ID); panel_of(choice)->value == id) return choice;
        return nullptr;
    }
    static const char *shown(Control *panel, int32_t id) {
        return text_of(panel_find_child(choice_of(panel, id), CHOICE_LABEL_ID));
    }
    static void click(Control *c) { click_control(c); }
    // Opens the option's list and clicks the item with that text.
    void pick(Control *panel, int32_t id, const char *text) {
        click(choice_of(panel, id));
        Control *list = game_find_control(game(), CHOICE_POPUP_ID);
        ASSERT_NE(list, nullptr) << id;
        for (int i = 0; i < 8; ++i) frame();   // grown to its full size
        Control *item = nullptr;
        for (Control *row : panel_of(list)->children.items)
            if (std::string(text_of(panel_of(row)->children.items[0])) == text) item = row;
        ASSERT_NE(item, nullptr) << text;
        click(item);
        mouse_at(5, 5);
        frame();
    }
    bool written() const { return file_exists(save.file("prefs.dat").c_str()) == 1; }
    void forget_file() const { ::unlink(save.file("prefs.dat").c_str()); }

    TestSaveFolder save{"options"};
    Prefs saved_;
};

TEST_F(OptionsPanel, SixRowsInTableOrderShowTheStoredValuesInAlignedColumnsAboveOk) {
    set_prefs({1, 51, 100, 400, 1200, 30});   // a music volume of no item shows an empty choice
    Control *panel = open();
    const struct {
        int32_t id;
        const char *name, *shown;
        std::vector<int32_t> values;
    } rows[] = {
        {OPTION_DISPLAY, "Display", "Fullscreen", {0, 1}},
        {OPTION_MUSIC_VOLUME, "Music Volume", nullptr, {0, 25, 51, 76, 102, 128}},
        {OPTION_SOUND_VOLUME, "Sound Volume", "2", {0, 25, 51, 76, 102, 128}},
        {OPTION_GALAXY_SPEED, "Galaxy Speed", "Fast", {100, 200, 300, 400, 500}},
        {OPTION_COMBAT_SPEED, "Combat Speed", "Fastest", {200, 150, 100, 70, 30}},
        {OPTION_AUTO_PASS, "Auto-pass", "Medium", {0, 2000, 1200, 600}},
    };
    const List<Control> *list = options_panel_state(panel)->rows;
    ASSERT_EQ(list_count(list), 6);
    Control *header = panel_find_child(panel, OPTIONS_HEADER_ID);
    Control *first_choice = panel_find_child(list->items[0], OPTIONS_CHOICE_ID);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(rows[i].name);
        Control *row = list->items[size_t(i)];
        Control *label = panel_find_child(row, OPTIONS_LABEL_ID), *choice = panel_find_child(row, OPTIONS_CHOICE_ID);
        EXPECT_EQ(panel_of(choice)->value, rows[i].id);
        EXPECT_STREQ(text_of(label), rows[i].name);
        if (rows[i].shown) EXPECT_STREQ(shown(panel, rows[i].id), rows[i].shown);
        else EXPECT_EQ(shown(panel, rows[i].id), nullptr);
        std::vector<int32_t> values;
        for (const ChoiceItem *item : choice_state(choice)->items->items) values.push_back(item->value);
        EXPECT_EQ(values, rows[i].values);
        EXPECT_EQ(choice_state(choice)->label, rows[i].name);
        EXPECT_EQ(row->y, i == 0 ? header->y + header->h + 8 : list->items[size_t(i) - 1]->y + list->items[size_t(i) - 1]->h + 4);
        EXPECT_EQ(std::make_tuple(choice->x, choice->w), std::make_tuple(first_choice->x, first_choice->w));
        EXPECT_GE(choice->x, label->x + label->w + 16);
    }
    EXPECT_EQ(choice_state(choice_of(panel, OPTION_COMBAT_SPEED))->tooltip,
              "Sets the speed at which time advances in combat, after you end the turn.");
    EXPECT_EQ(header->w, panel->w - 2);
    Control *ok = nullptr, *band = nullptr;
    for (Control *c : panel_of(panel)->children.items) {
        if (image_of(c)) ok = c;
        else if (c->layer == -1) band = c;
    }
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(band, nullptr);
    EXPECT_EQ(std::make_tuple(image_of(ok)->image_type, ok->hotkey), std::make_tuple(150, KEY_ESCAPE));
    EXPECT_EQ(ok->y, list->items[5]->y + list->items[5]->h + 10);
    EXPECT_EQ(std::make_tuple(band->x, band->y, band->w, band->h), std::make_tuple(4, ok->y - 2, panel->w - 8, ok->h + 4));
}

TEST_F(OptionsPanel, APickStoresAndWritesItsValueAndTheValueAlreadySetWritesNothing) {
    Control *panel = open();
    pick(panel, OPTION_GALAXY_SPEED, "Medium");   // the current item only closes the list
    EXPECT_FALSE(written());
    game()->auto_pass = 2000;                     // the value the game already holds
    pick(panel, OPTION_AUTO_PASS, "Slow");
    EXPECT_FALSE(written());
    const struct {
        int32_t id;
        const char *text;
        Prefs want;
    } picks[] = {
        {OPTION_DISPLAY, "Fullscreen", {1, 128, 76, 300, 2000, 100}},
        {OPTION_GALAXY_SPEED, "Slowest", {1, 128, 76, 100, 2000, 100}},
        {OPTION_AUTO_PASS, "Fast", {1, 128, 76, 100, 600, 100}},
        {OPTION_COMBAT_SPEED, "Fastest", {1, 128, 76, 100, 600, 30}},
        {OPTION_COMBAT_SPEED, "Slowest", {1, 128, 76, 100, 600, 200}},
    };
    for (const auto &p : picks) {
        SCOPED_TRACE(p.text);
        forget_file();
        pick(panel, p.id, p.text);
        EXPECT_EQ(prefs(), p.want);
        const std::vector<uint8_t> bytes = read_whole(save.file("prefs.dat"));
        ASSERT_EQ(bytes.size(), 79u);
        Bytes words;
        for (int32_t w : {p.want[0], p.want[1], p.want[2], p.want[3], p.want[4], p.want[5]}) words.i32(w);
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 24), words.v);
    }
}

TEST_F(OptionsPanel, VolumesReachTheSoundManagerTheMusicRestartsOnlyFromZeroAndTheSampleOnlyAboveZero) {
    ASSERT_EQ(sound_init(), 0) << "no sound manager left by an earlier test";
    struct Shutdown {
        ~Shutdown() { sound_shutdown(); }
    } shutdown_at_end;
    SoundManager *manager = sound_get();
    auto samples = [manager] {   // channels playing sound 2
        int n = 0;
        for (const SoundChannel &c : manager->channels) n += c.id == SOUND_BEAM && (c.flags.load() & SOUND_CHANNEL_IN_USE);
        return n;
    };
    game()->music_volume = 0;
    Control *panel = open();
    const struct {
        int32_t id;
        const char *text;
        int32_t volume;
        bool restart;
        int samples;
    } steps[] = {
        {OPTION_MUSIC_VOLUME, "2", 51, true, 0},   {OPTION_MUSIC_VOLUME, "4", 102, false, 0},
        {OPTION_MUSIC_VOLUME, "0", 0, false, 0},   {OPTION_MUSIC_VOLUME, "1", 25, true, 0},
        {OPTION_SOUND_VOLUME, "3", 76, false, 1},  {OPTION_SOUND_VOLUME, "0", 0, false, 1},
        {OPTION_SOUND_VOLUME, "1", 25, false, 2},
    };
    for (const auto &s : steps) {
        SCOPED_TRACE(std::to_string(s.id) + " " + s.text);
        game()->flags &= ~GAME_FLAG_MUSIC_RESTART;
        forget_file();
        pick(panel, s.id, s.text);
        const bool music = s.id == OPTION_MUSIC_VOLUME;
        EXPECT_EQ(music ? game()->music_volume : game()->sound_volume, s.volume);
        EXPECT_EQ(music ? manager->music_volume.load() : manager->sound_volume.load(), s.volume);
        EXPECT_EQ((game()->flags & GAME_FLAG_MUSIC_RESTART) != 0, s.restart);
        EXPECT_EQ(samples(), s.samples);
        EXPECT_TRUE(written());
    }
}

TEST_F(OptionsPanel, AFailedWriteIsLoggedAndTheNewValueStays) {
    const std::string blocker = save.root() + "/not-a-folder";   // the save folder's parent is a file
    std::ofstream(blocker) << "x";
    ::setenv("XDG_DATA_HOME", blocker.c_str(), 1);
    LogFileCatcher log(fresh_test_dir("options-log"));
    Control *panel = open();
    pick(panel, OPTION_GALAXY_SPEED, "Fastest");
    EXPECT_EQ(game()->galaxy_speed, 500);
    EXPECT_STREQ(shown(panel, OPTION_GALAXY_SPEED), "Fastest");
    EXPECT_NE(log.text().find("[GAME] [ERROR] Failed to save prefs file (-30)\r\n"), std::string::npos) << log.text();
}

TEST_F(OptionsPanel, OkAndEscapeCallTheCloseSlotWithThePanelWhenItIsSet) {
    Control *panel = open();
    Control *ok = nullptr;
    for (Control *c : panel_of(panel)->children.items)
        if (image_of(c)) ok = c;
    ASSERT_NE(ok, nullptr);
    click(ok);   // an empty slot does nothing
    options_panel_state(panel)->close = record_close;
    click(ok);
    key_down(KEY_ESCAPE);
    frame();
    key_up(KEY_ESCAPE);
    frame();
    EXPECT_EQ(g_closed, (std::vector<Control *>{panel, panel}));
}

}  // namespace
}  // namespace options_panel_test
