// The options panel over the real game record, preferences file and sound manager: its rows and
// choices as the player sees them, picks made by clicking through the control pass, what each pick
// stores, applies and writes, and when it writes nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "assetgen/output.h"
#include "game/game.h"
#include "game/game_files.h"
#include "platform/colour_fade.h"
#include "platform/files.h"
#include "platform/sound.h"
#include "screens/title/options_panel.h"
#include "support/fixture_store.h"
#include "ui/choice.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "ui/ui_test_support.h"

namespace {

using namespace ui_test;

constexpr int KEY_ESCAPE = 27;

const char *text_of(Control *label) { return label ? text_label_of(label)->text : nullptr; }

Control *g_closed = nullptr;
int g_close_calls = 0;
void record_close(Control *panel) {
    g_closed = panel;
    ++g_close_calls;
}

// The six preferences, put back after each test (the guard of the UI fixture keeps the flags and
// the galaxy speed only).
struct Prefs {
    int32_t display_mode, sound_volume, music_volume, galaxy_speed, auto_pass, combat_speed;
    static Prefs of(const Game *g) {
        return {g->display_mode, g->sound_volume, g->music_volume, g->galaxy_speed, g->auto_pass, g->combat_speed};
    }
    void put(Game *g) const {
        g->display_mode = display_mode;
        g->sound_volume = sound_volume;
        g->music_volume = music_volume;
        g->galaxy_speed = galaxy_speed;
        g->auto_pass = auto_pass;
        g->combat_speed = combat_speed;
    }
};

class OptionsPanel : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        saved_ = Prefs::of(game());
        Prefs{0, 128, 76, 300, 0, 100}.put(game());
        g_closed = nullptr;
        g_close_calls = 0;
    }
    void TearDown() override {
        UiTest::TearDown();
        saved_.put(game());
    }

    Control *open() {
        Control *panel = panel_create_empty();
        options_panel_init(panel);
        add_top(panel, 100, 60);
        for (int i = 0; i < 15; ++i) frame();   // the header stretches over 200 ms
        return panel;
    }

    static Control *row_of(Control *panel, int32_t id) {
        for (Control *row : options_panel_state(panel)->rows->items) {
            Control *choice = panel_find_child(row, OPTIONS_CHOICE_ID);
            if (choice && panel_of(choice)->value == id) return row;
        }
        return nullptr;
    }
    static Control *choice_of(Control *panel, int32_t id) {
        Control *row = row_of(panel, id);
        return row ? panel_find_child(row, OPTIONS_CHOICE_ID) : nullptr;
    }
    static const char *shown(Control *panel, int32_t id) {
        return text_of(panel_find_child(choice_of(panel, id), CHOICE_LABEL_ID));
    }

    static void click(Control *c) {
        int x = 0, y = 0;
        control_get_screen_position(c, &x, &y);
        mouse_at(x + c->w / 2, y + c->h / 2);
        frame();
        left_down();
        frame();
        left_up();
        frame();
    }

    // Opens the option's list and clicks the item with that text.
    void pick(Control *panel, int32_t id, const char *text) {
        Control *choice = choice_of(panel, id);
        ASSERT_NE(choice, nullptr) << id;
        click(choice);
        Control *list = game_find_control(game(), CHOICE_POPUP_ID);
        ASSERT_NE(list, nullptr) << id;
        for (int i = 0; i < 8; ++i) frame();   // grown to its full size
        Control *item = nullptr;
        for (Control *row : panel_of(list)->children.items)
            if (std::string(text_of(panel_of(row)->children.items[0])) == text) item = row;
        ASSERT_NE(item, nullptr) << text;
        click(item);
        mouse_at(5, 5);   // off the panel, so the detail popup of the next pick opens afresh
        frame();
    }

    TestSaveFolder save{"options"};
    Prefs saved_{};
};

TEST_F(OptionsPanel, ShowsTheSixOptionsInOrderWithTheirItemsAndTheCurrentValues) {
    game()->galaxy_speed = 400;
    game()->combat_speed = 30;
    game()->auto_pass = 1200;
    Control *panel = open();
    struct Row {
        int32_t id;
        const char *name;
        std::vector<std::pair<int32_t, std::string>> items;
        const char *shown;
    };
    const std::vector<std::pair<int32_t, std::string>> volumes = {{0, "0"},  {25, "1"},  {51, "2"},
                                                                  {76, "3"}, {102, "4"}, {128, "5"}};
    const Row rows[] = {
        {OPTION_DISPLAY, "Display", {{0, "Windowed"}, {1, "Fullscreen"}}, "Windowed"},
        {OPTION_MUSIC_VOLUME, "Music Volume", volumes, "3"},
        {OPTION_SOUND_VOLUME, "Sound Volume", volumes, "5"},
        {OPTION_GALAXY_SPEED, "Galaxy Speed",
         {{100, "Slowest"}, {200, "Slow"}, {300, "Medium"}, {400, "Fast"}, {500, "Fastest"}}, "Fast"},
        {OPTION_COMBAT_SPEED, "Combat Speed",
         {{200, "Slowest"}, {150, "Slow"}, {100, "Medium"}, {70, "Fast"}, {30, "Fastest"}}, "Fastest"},
        {OPTION_AUTO_PASS, "Auto-pass", {{0, "None"}, {2000, "Slow"}, {1200, "Medium"}, {600, "Fast"}}, "Medium"},
    };
    const OptionsState *state = options_panel_state(panel);
    ASSERT_NE(state, nullptr);
    ASSERT_EQ(list_count(state->rows), 6);
    for (int i = 0; i < 6; ++i) {
        Control *row = list_get(state->rows, i);
        Control *choice = panel_find_child(row, OPTIONS_CHOICE_ID);
        ASSERT_NE(choice, nullptr) << rows[i].name;
        EXPECT_EQ(panel_of(choice)->value, rows[i].id) << rows[i].name;
        EXPECT_STREQ(text_of(panel_find_child(row, OPTIONS_LABEL_ID)), rows[i].name);
        const ChoiceState *cs = choice_state(choice);
        std::vector<std::pair<int32_t, std::string>> items;
        for (const ChoiceItem *item : cs->items->items) items.emplace_back(item->value, item->text);
        EXPECT_EQ(items, rows[i].items) << rows[i].name;
        EXPECT_EQ(cs->label, rows[i].name);
        EXPECT_STREQ(shown(panel, rows[i].id), rows[i].shown) << rows[i].name;
        EXPECT_EQ(row->user_data, panel);
    }
    EXPECT_EQ(choice_state(choice_of(panel, OPTION_COMBAT_SPEED))->tooltip,
              "Sets the speed at which time advances in combat, after the you end the turn.");
    EXPECT_EQ(choice_state(choice_of(panel, OPTION_DISPLAY))->tooltip,
              "Sets whether the game runs in windowed or fullscreen mode. If changed, this option only takes "
              "effect after restarting the game.");
    EXPECT_STREQ(text_of(panel_find_child(panel_find_child(panel, OPTIONS_HEADER_ID), TITLE_LABEL_ID)), "Options");
}

TEST_F(OptionsPanel, RowsStackInOneColumnOfLabelsAndOneOfEqualChoicesAboveOkAndItsBand) {
    Control *panel = open();
    const OptionsState *state = options_panel_state(panel);
    Control *header = panel_find_child(panel, OPTIONS_HEADER_ID);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->w, panel->w - 2) << "the header spans the panel";
    int widest_label = 0;
    for (Control *row : state->rows->items) widest_label = std::max(widest_label, panel_find_child(row, OPTIONS_LABEL_ID)->w);
    Control *first = list_get(state->rows, 0);
    EXPECT_EQ(first->y, header->y + header->h + 8);
    for (int i = 0; i < 6; ++i) {
        Control *row = list_get(state->rows, i);
        Control *label = panel_find_child(row, OPTIONS_LABEL_ID), *choice = panel_find_child(row, OPTIONS_CHOICE_ID);
        EXPECT_EQ(row->x, 8);
        if (i > 0) {
            const Control *above = list_get(state->rows, i - 1);
            EXPECT_EQ(row->y, above->y + above->h + 4);
        }
        EXPECT_EQ(choice->x, label->x + widest_label + 16) << "row " << i;
        EXPECT_EQ(choice->w, panel_find_child(first, OPTIONS_CHOICE_ID)->w) << "row " << i;
        EXPECT_EQ(row->w, choice->x + choice->w + 3) << "row " << i;
        const Control *shown_label = panel_find_child(choice, CHOICE_LABEL_ID);
        ASSERT_NE(shown_label, nullptr);
        EXPECT_EQ(shown_label->x, choice->w / 2 - shown_label->w / 2) << "the text stays centred";
        EXPECT_GE(shown_label->x, 5) << "the widest item fits with room to spare";
    }
    Control *ok = nullptr, *band = nullptr;
    for (Control *c : panel_of(panel)->children.items) {
        if (image_of(c)) ok = c;
        else if (c->layer == -1) band = c;
    }
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(band, nullptr);
    EXPECT_EQ(ok->hotkey, KEY_ESCAPE);
    EXPECT_EQ(image_of(ok)->image_type, 150);
    EXPECT_STREQ(image_of(ok)->caption, "OK");
    const Control *last = list_get(state->rows, 5);
    EXPECT_EQ(ok->y, last->y + last->h + 10);
    EXPECT_EQ(ok->x + ok->w, panel->w - 3) << "OK stands at the right edge, inside the panel";
    EXPECT_EQ(panel->h, ok->y + ok->h + 3);
    EXPECT_EQ(band->x, 4);
    EXPECT_EQ(band->y, ok->y - 2);
    EXPECT_EQ(band->w, panel->w - 8);
    EXPECT_EQ(band->h, ok->h + 4);
    EXPECT_TRUE(band->flags & CTRL_DISABLED);
    const ColourFade *fill = panel_background_colour(band);
    EXPECT_EQ(std::make_tuple(int(fill->r), int(fill->g), int(fill->b)), std::make_tuple(10, 2, 10));
    EXPECT_TRUE(panel_of(panel)->flags & PANEL_GRID);
}

// Each option writes the file at once, its word in the file's place.
TEST_F(OptionsPanel, EachPickStoresTheValueAndWritesItToThePreferencesFile) {
    Control *panel = open();
    struct Pick {
        int32_t id;
        const char *text;
        int32_t Game::*field;
        int32_t value;
        size_t offset;   // of the word in "prefs.dat"
    } picks[] = {
        {OPTION_DISPLAY, "Fullscreen", &Game::display_mode, 1, 0},
        {OPTION_SOUND_VOLUME, "2", &Game::sound_volume, 51, 4},
        {OPTION_MUSIC_VOLUME, "5", &Game::music_volume, 128, 8},
        {OPTION_GALAXY_SPEED, "Slowest", &Game::galaxy_speed, 100, 12},
        {OPTION_AUTO_PASS, "Fast", &Game::auto_pass, 600, 16},
        {OPTION_COMBAT_SPEED, "Fastest", &Game::combat_speed, 30, 20},
        {OPTION_COMBAT_SPEED, "Slowest", &Game::combat_speed, 200, 20},
    };
    for (const Pick &p : picks) {
        SCOPED_TRACE(p.text);
        ::unlink(save.file("prefs.dat").c_str());
        pick(panel, p.id, p.text);
        EXPECT_EQ(game()->*p.field, p.value);
        EXPECT_STREQ(shown(panel, p.id), p.text);
        const std::vector<uint8_t> bytes = read_whole(save.file("prefs.dat"));
        ASSERT_EQ(bytes.size(), 79u);
        EXPECT_EQ(Bytes().i32(p.value).v, std::vector<uint8_t>(bytes.begin() + long(p.offset), bytes.begin() + long(p.offset) + 4));
    }
}

TEST_F(OptionsPanel, PickingTheValueAlreadySetWritesNothing) {
    Control *panel = open();
    pick(panel, OPTION_GALAXY_SPEED, "Medium");   // the current item: the list closes, nothing changes
    pick(panel, OPTION_MUSIC_VOLUME, "3");
    EXPECT_FALSE(file_exists(save.file("prefs.dat").c_str())) << "no write for a value already set";
    pick(panel, OPTION_GALAXY_SPEED, "Fast");
    ASSERT_TRUE(file_exists(save.file("prefs.dat").c_str()));
    // A choice whose value the game already holds (set elsewhere meanwhile) writes nothing either.
    ::unlink(save.file("prefs.dat").c_str());
    game()->auto_pass = 2000;
    pick(panel, OPTION_AUTO_PASS, "Slow");
    EXPECT_FALSE(file_exists(save.file("prefs.dat").c_str()));
    EXPECT_EQ(game()->auto_pass, 2000);
}

class OptionsPanelSound : public OptionsPanel {
protected:
    void SetUp() override {
        OptionsPanel::SetUp();
        ASSERT_EQ(sound_init(), 0) << "no sound manager left by an earlier test";
        manager = sound_get();
    }
    void TearDown() override {
        sound_shutdown();
        OptionsPanel::TearDown();
    }
    int channels_playing(int id) const {
        int n = 0;
        for (const SoundChannel &c : manager->channels)
            if (c.id == id && (c.flags.load() & SOUND_CHANNEL_IN_USE)) ++n;
        return n;
    }
    SoundManager *manager = nullptr;
};

TEST_F(OptionsPanelSound, MusicVolumeRisingFromZeroAloneAsksForTheMusicAgain) {
    game()->music_volume = 0;
    Control *panel = open();
    struct Step {
        const char *text;
        int32_t volume;
        bool restart;
    } steps[] = {{"2", 51, true}, {"4", 102, false}, {"0", 0, false}, {"1", 25, true}, {"5", 128, false}};
    for (const Step &s : steps) {
        SCOPED_TRACE(s.text);
        game()->flags &= ~GAME_FLAG_MUSIC_RESTART;
        pick(panel, OPTION_MUSIC_VOLUME, s.text);
        EXPECT_EQ(game()->music_volume, s.volume);
        EXPECT_EQ(manager->music_volume.load(), s.volume);
        EXPECT_EQ((game()->flags & GAME_FLAG_MUSIC_RESTART) != 0, s.restart);
    }
    EXPECT_EQ(channels_playing(SOUND_BEAM), 0) << "the music volume plays no sample";
}

TEST_F(OptionsPanelSound, SoundVolumePlaysTheSampleAtTheNewVolumeOnlyAboveZero) {
    Control *panel = open();
    pick(panel, OPTION_SOUND_VOLUME, "3");
    EXPECT_EQ(manager->sound_volume.load(), 76);
    EXPECT_EQ(channels_playing(SOUND_BEAM), 1);
    pick(panel, OPTION_SOUND_VOLUME, "0");
    EXPECT_EQ(manager->sound_volume.load(), 0);
    EXPECT_EQ(game()->sound_volume, 0);
    EXPECT_EQ(channels_playing(SOUND_BEAM), 1) << "nothing more at volume 0";
    pick(panel, OPTION_SOUND_VOLUME, "1");
    EXPECT_EQ(channels_playing(SOUND_BEAM), 2);
    EXPECT_EQ(game()->flags & GAME_FLAG_MUSIC_RESTART, 0u);
}

TEST_F(OptionsPanel, AStoredValueOfNoItemShowsAnEmptyChoiceUntilOneIsPicked) {
    game()->music_volume = 100;
    Control *panel = open();
    EXPECT_EQ(shown(panel, OPTION_MUSIC_VOLUME), nullptr);
    EXPECT_STREQ(shown(panel, OPTION_SOUND_VOLUME), "5");
    pick(panel, OPTION_MUSIC_VOLUME, "4");
    EXPECT_STREQ(shown(panel, OPTION_MUSIC_VOLUME), "4");
    EXPECT_EQ(game()->music_volume, 102);
}

TEST_F(OptionsPanel, AFailedWriteIsLoggedAndTheNewValueStays) {
    // The save folder's parent is a file: the folder cannot be made.
    const std::string blocker = save.root() + "/not-a-folder";
    std::ofstream(blocker) << "x";
    ::setenv("XDG_DATA_HOME", blocker.c_str(), 1);
    LogFileCatcher log(fresh_test_dir("options-log"));
    Control *panel = open();
    pick(panel, OPTION_GALAXY_SPEED, "Fastest");
    EXPECT_EQ(game()->galaxy_speed, 500);
    EXPECT_STREQ(shown(panel, OPTION_GALAXY_SPEED), "Fastest");
    EXPECT_NE(log.text().find("[GAME] [ERROR] Failed to save prefs file (-30)\r\n"), std::string::npos) << log.text();
}

TEST_F(OptionsPanel, OkAndEscapeCallTheCloseSlotWithThePanel) {
    Control *panel = open();
    Control *ok = nullptr;
    for (Control *c : panel_of(panel)->children.items)
        if (image_of(c)) ok = c;
    ASSERT_NE(ok, nullptr);
    click(ok);
    EXPECT_EQ(g_close_calls, 0) << "an empty slot does nothing";
    options_panel_state(panel)->close = record_close;
    click(ok);
    EXPECT_EQ(g_close_calls, 1);
    EXPECT_EQ(g_closed, panel);
    key_down(KEY_ESCAPE);
    frame();
    key_up(KEY_ESCAPE);
    frame();
    EXPECT_EQ(g_close_calls, 2);
}

}  // namespace

// Writes the off-screen screen as a PNG under build/test-output/ for people to look at.
::testing::AssertionResult save_screen_png(const SDL_Surface *screen, const std::string &name) {
    std::vector<uint8_t> rgb(size_t(screen->w * screen->h * 3));
    for (int y = 0; y < screen->h; ++y)
        for (int x = 0; x < screen->w; ++x) {
            const uint8_t *p = static_cast<const uint8_t *>(screen->pixels) + y * screen->pitch + x * 4;
            uint8_t *o = &rgb[size_t((y * screen->w + x) * 3)];
            o[0] = p[2];
            o[1] = p[1];
            o[2] = p[0];
        }
    std::vector<uint8_t> png;
    if (png_encode(rgb.data(), screen->w, screen->h, 3, &png) != RES_OK) return ::testing::AssertionFailure() << "encode";
    const std::filesystem::path path = std::filesystem::path(ASTROVANE_BINARY_DIR "/test-output") / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(png.data()), std::streamsize(png.size()));
    return out.good() ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << path;
}

// ---- A picture for review ----------------------------------------------------------------------------

class OptionsPanelPicture : public UiScreenTest {
protected:
    void SetUp() override {
        UiScreenTest::SetUp();
        ASSERT_EQ(image_control_load_type(150), RES_OK);
    }
    void TearDown() override {
        game_clear_controls(game());
        image_control_free_type(150);
        UiScreenTest::TearDown();
    }
    void paint_backdrop() override { ui_fill_rect(graphics, 0, 0, GFX_WIDTH, GFX_HEIGHT, 0, 0, 0); }
};

TEST_F(OptionsPanelPicture, DrawsItsRowsOverTheMovingGrid) {
    Control *panel = panel_create_empty();
    options_panel_init(panel);
    add_top(panel, 300, 200);
    for (int i = 0; i < 30; ++i) frame();
    render();
    ASSERT_TRUE(save_screen_png(screen, "screens/options_panel.png"));
    // Between the rows, where nothing else is drawn, the grid's lines show in their dark blue.
    const Control *first = list_get(options_panel_state(panel)->rows, 0);
    int blue = 0;
    for (int x = panel->x + 2; x < panel->x + panel->w - 2; ++x) {
        const Rgb c = pixel(x, panel->y + first->y - 4);
        if (c.r == 0 && c.g == 0 && c.b >= 16 && c.b <= 40) ++blue;
    }
    EXPECT_GT(blue, 0);
}
