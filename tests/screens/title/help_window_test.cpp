// The help window as the game opens it (game_open_help_popup through the installed screen hooks),
// over a data store of the test's own: which topics the probe finds, which one is highlighted, what
// a click on a topic does and does not do, the page's scene and the log lines of a page that cannot
// be read, and closing by the title bar.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assetgen/output.h"
#include "game/game.h"
#include "platform/buffer.h"
#include "platform/colour_fade.h"
#include "platform/font.h"
#include "platform/scratch_store.h"
#include "screens/title/help_window.h"
#include "support/fixture_store.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/scene.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "ui/ui_test_support.h"

namespace {

using namespace ui_test;

constexpr int KEY_ESCAPE = 27;

const char *text_of(Control *label) { return label ? text_label_of(label)->text : nullptr; }

// A help page: one text box whose lines are the given texts.
std::vector<uint8_t> scene_bytes(std::initializer_list<const char *> lines) {
    Scene *scene = scene_list_create();
    List<SceneLine> *list = scene_lines_create();
    for (const char *line : lines) scene_add_line(list, line, 0, 0);
    scene_add_panel_item(scene, list);
    Buffer buf;
    EXPECT_EQ(scene_write(scene, &buf), RES_OK);
    scene_free(scene);
    return {buf.data, buf.data + buf.length};
}

std::tuple<int, int, int> rgb(const ColourFade *c) { return {c->r, c->g, c->b}; }

class HelpWindow : public UiScreenTest {
protected:
    void SetUp() override {
        UiScreenTest::SetUp();
        // What the window draws with comes from the generated store; the help is the test's own.
        for (int font = 0; font < 8; ++font) ASSERT_EQ(font_preload(font), RES_OK) << font;
        ASSERT_EQ(image_control_load_type(IMAGE_CLOSE), RES_OK);
        saved_topic_ = game()->help_topic;
        // Topics 0, 1, 2 and 4: the gap at 3 hides 4. Topic 0's page is scene 7; topic 1's scene
        // cannot be parsed; topic 2's scene file is missing; topic 3 has no index at all.
        help.text("help\\000\\name.txt", "The galaxy")
            .text("help\\001\\name.txt", "Fleets")
            .text("help/002/name.txt", "Research")
            .text("help\\004\\name.txt", "Hidden")
            .text("help\\000\\scene.txt", "7")
            .text("help\\001\\scene.txt", "8")
            .text("help\\002\\scene.txt", "9")
            .text("help\\004\\scene.txt", "7")
            .add("scene\\007\\dat\\params.dat", scene_bytes({"Sectors hold starbases.", "Fleets move between them."}))
            .add("scene\\008\\dat\\params.dat", {0, 0, 0, 0, 0, 0});
    }
    void TearDown() override {
        game()->help_topic = saved_topic_;
        game_clear_controls(game());
        UiScreenTest::TearDown();
        image_control_free_type(IMAGE_CLOSE);
    }

    // Opens the window the way the game does and lets it become live.
    Control *open_at(int32_t topic) {
        EXPECT_TRUE(help.open());
        game()->help_topic = topic;
        Control *window = game_open_help_popup(game());
        EXPECT_NE(window, nullptr);
        for (int i = 0; i < 15; ++i) frame();   // the title bar stretches over 200 ms
        return window;
    }

    static std::vector<Control *> items(Control *window) {
        std::vector<Control *> out;
        for (Control *c : panel_of(panel_find_child(window, HELP_TOPIC_LIST_ID))->children.items)
            if (!(c->flags & CTRL_REMOVED)) out.push_back(c);
        return out;
    }
    static std::vector<std::string> titles(Control *window) {
        std::vector<std::string> out;
        for (Control *item : items(window)) out.push_back(text_of(panel_of(item)->children.items[0]));
        return out;
    }
    static Control *item_of(Control *window, int32_t topic) {
        for (Control *item : items(window))
            if (panel_of(item)->value == topic) return item;
        return nullptr;
    }
    static bool highlighted(Control *item) {
        const Panel *p = panel_of(item);
        return !(p->flags & PANEL_BG_HOVER) && rgb(p->background) == std::make_tuple(0, 0, 120);
    }
    static bool idle(Control *item) {
        const Panel *p = panel_of(item);
        return (p->flags & PANEL_BG_HOVER) && rgb(p->background) == std::make_tuple(0, 0, 6);
    }
    static Control *page(Control *window) { return panel_find_child(window, HELP_PAGE_ID); }
    // The texts of the page's scene, in line order.
    static std::vector<std::string> page_lines(Control *window) {
        std::vector<std::string> out;
        for (Control *box : panel_of(page(window))->children.items)
            if (panel_of(box))
                for (Control *label : panel_of(box)->children.items) out.push_back(text_of(label));
        return out;
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

    void paint_backdrop() override { ui_fill_rect(graphics, 0, 0, GFX_WIDTH, GFX_HEIGHT, 0, 0, 0); }

    ScratchStore help;
    int32_t saved_topic_ = 0;
};

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

TEST_F(HelpWindow, ListsTheTopicsUpToTheFirstGapAsTouchingItems) {
    Control *window = open_at(0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(titles(window), (std::vector<std::string>{"The galaxy", "Fleets", "Research"}));
    const std::vector<Control *> list = items(window);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]->y, 12);
    EXPECT_EQ(help_window_state(window)->first_item_y, 12);
    for (size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(panel_of(list[i])->value, int32_t(i));
        EXPECT_EQ(list[i]->w, HELP_LIST_WIDTH);
        if (i > 0) {
            EXPECT_EQ(list[i]->y, list[i - 1]->y + list[i - 1]->h) << "items touch";
        }
    }
    EXPECT_EQ(list_count(help_window_state(window)->topics), 3);
}

TEST_F(HelpWindow, OpensAtTheGamesTopicCentredWithTheListAndPageBesideIt) {
    Control *window = open_at(1);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->id, CONTROL_ID_HELP);
    EXPECT_EQ(help_window_state(window)->current_topic, 1);
    EXPECT_TRUE(highlighted(item_of(window, 1)));
    EXPECT_TRUE(idle(item_of(window, 0)));
    EXPECT_TRUE(idle(item_of(window, 2)));

    Control *bar = panel_find_child(window, HELP_TITLE_BAR_ID);
    Control *list = panel_find_child(window, HELP_TOPIC_LIST_ID);
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(page(window), nullptr);
    EXPECT_STREQ(text_of(panel_find_child(bar, TITLE_LABEL_ID)), "Astrovane");
    EXPECT_EQ(std::make_tuple(list->x, list->y, list->w, list->h),
              std::make_tuple(4, bar->h + 2, HELP_LIST_WIDTH, HELP_LIST_HEIGHT));
    EXPECT_EQ(std::make_tuple(page(window)->x, page(window)->y, page(window)->w, page(window)->h),
              std::make_tuple(HELP_LIST_WIDTH + 4, bar->h + 2, HELP_PAGE_WIDTH, HELP_PAGE_HEIGHT));
    EXPECT_EQ(std::make_tuple(window->w, window->h),
              std::make_tuple(HELP_LIST_WIDTH + 4 + HELP_PAGE_WIDTH, bar->h + 2 + HELP_PAGE_HEIGHT));
    EXPECT_EQ(bar->w, window->w - 4);
    EXPECT_EQ(window->x, ui_screen_width() / 2 - window->w / 2);
    EXPECT_EQ(window->y, ui_screen_height() / 2 - window->h / 2);
    EXPECT_TRUE(panel_of(page(window))->flags & PANEL_GRID);
}

TEST_F(HelpWindow, OpeningAtATopicWithoutAnItemHighlightsNothingAndStillBuildsThatPage) {
    LogFileCatcher log(fresh_test_dir("help-log"));
    Control *window = open_at(3);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(help_window_state(window)->current_topic, -1);
    for (Control *item : items(window)) EXPECT_TRUE(idle(item)) << panel_of(item)->value;
    EXPECT_NE(log.text().find("[GAME] [ERROR] Failed to load scene index file \"help\\003\\scene.txt\" (-6)\r\n"),
              std::string::npos)
        << log.text();
    EXPECT_TRUE(page_lines(window).empty());
}

TEST_F(HelpWindow, ThePageIsTheTopicsSceneAndAPageThatCannotBeReadIsLoggedAndLeftEmpty) {
    LogFileCatcher log(fresh_test_dir("help-log"), LOG_DEBUG);
    Control *window = open_at(0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(page_lines(window), (std::vector<std::string>{"Sectors hold starbases.", "Fleets move between them."}));
    EXPECT_NE(log.text().find("[GAME] [DEBUG] Loaded scene \"scene\\007\\dat\\params.dat\"\r\n"), std::string::npos);

    click(item_of(window, 2));   // its scene file is missing
    EXPECT_TRUE(page_lines(window).empty());
    EXPECT_EQ(page(window)->w, HELP_PAGE_WIDTH);
    EXPECT_NE(log.text().find("[GAME] [ERROR] Failed to load scene data file \"scene\\009\\dat\\params.dat\" (-6)\r\n"),
              std::string::npos)
        << log.text();

    click(item_of(window, 1));   // its scene ends early
    EXPECT_TRUE(page_lines(window).empty());
    EXPECT_NE(log.text().find("[GAME] [ERROR] Failed to read scene data file \"scene\\008\\dat\\params.dat\" (-15)\r\n"),
              std::string::npos)
        << log.text();
}

TEST_F(HelpWindow, ClickingATopicMovesTheHighlightAndRemembersIt) {
    Control *window = open_at(0);
    ASSERT_NE(window, nullptr);
    click(item_of(window, 2));
    EXPECT_EQ(game()->help_topic, 2);
    EXPECT_EQ(help_window_state(window)->current_topic, 2);
    EXPECT_TRUE(highlighted(item_of(window, 2)));
    EXPECT_TRUE(idle(item_of(window, 0))) << "the old topic takes its hover look back";
    click(item_of(window, 0));
    EXPECT_EQ(game()->help_topic, 0);
    EXPECT_TRUE(highlighted(item_of(window, 0)));
    EXPECT_TRUE(idle(item_of(window, 2)));
    EXPECT_EQ(page_lines(window).size(), 2u);
}

TEST_F(HelpWindow, ClickingTheHighlightedTopicDoesNothing) {
    LogFileCatcher log(fresh_test_dir("help-log"), LOG_DEBUG);
    Control *window = open_at(0);
    ASSERT_NE(window, nullptr);
    const std::vector<Control *> before = panel_of(page(window))->children.items;
    ASSERT_FALSE(before.empty());
    game()->help_topic = 5;   // a click that did something would set it to 0
    click(item_of(window, 0));
    EXPECT_EQ(panel_of(page(window))->children.items, before) << "the page was not rebuilt";
    EXPECT_EQ(game()->help_topic, 5);
    EXPECT_TRUE(highlighted(item_of(window, 0)));
    const std::string text = log.text();
    EXPECT_EQ(text.find("Loaded scene"), text.rfind("Loaded scene")) << "one page build only";
}

TEST_F(HelpWindow, WithoutTopicZeroTheListIsEmptyAndThePageIsBuiltAsAsked) {
    help.entries.erase(help.entries.begin());   // "help\000\name.txt"
    Control *window = open_at(4);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(items(window).empty());
    EXPECT_EQ(help_window_state(window)->first_item_y, -1);
    EXPECT_EQ(page_lines(window).size(), 2u) << "topic 4's page is scene 7";
}

TEST_F(HelpWindow, TheTitleBarsCloseAndEscapeFlashTheFrameAndRemoveTheWindow) {
    for (bool by_key : {false, true}) {
        SCOPED_TRACE(by_key ? "Escape" : "close button");
        Control *window = open_at(0);
        ASSERT_NE(window, nullptr);
        control_addref(window);
        const size_t live_before = live().size();
        if (by_key) {
            key_down(KEY_ESCAPE);
            frame();
            key_up(KEY_ESCAPE);
        } else {
            Control *close = panel_find_child(panel_find_child(window, HELP_TITLE_BAR_ID), TITLE_CLOSE_ID);
            ASSERT_NE(close, nullptr);
            ASSERT_GT(close->w, 2) << "its picture is loaded";
            int x = 0, y = 0;
            control_get_screen_position(close, &x, &y);
            mouse_at(x + close->w / 2, y + close->h / 2);
            frame();
            left_down();
            frame();
            left_up();
        }
        EXPECT_TRUE(window->flags & CTRL_REMOVED);
        EXPECT_EQ(game_find_control(game(), CONTROL_ID_HELP), nullptr);
        EXPECT_EQ(live().size(), live_before - 1 + 4) << "the window went, four frame lines came";
        control_release(window);
        for (int i = 0; i < 10; ++i) frame();   // the lines fade and go
        EXPECT_TRUE(live().empty());
    }
}

TEST_F(HelpWindow, DrawsTheHighlightedTopicAndItsPage) {
    Control *window = open_at(1);
    ASSERT_NE(window, nullptr);
    click(item_of(window, 0));
    mouse_at(5, 5);
    for (int i = 0; i < 150; ++i) frame();   // the page's lines have shown
    render();
    ASSERT_TRUE(save_screen_png(screen, "screens/help_window.png"));
    int wx = 0, wy = 0;
    control_get_screen_position(item_of(window, 0), &wx, &wy);
    EXPECT_EQ(pixel(wx + 2, wy + 1), (Rgb{0, 0, 120})) << "the current topic's item";
    control_get_screen_position(item_of(window, 1), &wx, &wy);
    EXPECT_EQ(pixel(wx + 2, wy + 1), (Rgb{0, 0, 6})) << "another item at rest";
}

}  // namespace
