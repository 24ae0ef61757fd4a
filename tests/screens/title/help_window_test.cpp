// The help window as the game opens it (help_window_open: one window at the game's help topic)
// over a data store of the test's own: the topics the probe finds, the highlight, what a click on a
// topic does and does not do, the pages and the log lines of pages that cannot be read, closing.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "game/game.h"
#include "platform/buffer.h"
#include "platform/colour_fade.h"
#include "platform/font.h"
#include "platform/scratch_store.h"
#include "screens/title/help_window.h"
#include "support/fixture_store.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/scene.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "ui/ui_test_support.h"
#include "title_test_support.h"

namespace help_window_test {
namespace {

using namespace ui_test;
using title_test::KEY_ESCAPE;
using title_test::text_of;

// A help page: one text box of these lines.
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

class HelpWindow : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        // What the window draws with comes from the generated store; the help is the test's own.
        for (int font = 0; font < 8; ++font) ASSERT_EQ(font_preload(font), RES_OK) << font;
        ASSERT_EQ(image_control_load_type(IMAGE_CLOSE), RES_OK);
        saved_topic_ = game()->help_topic;
        // Topics 0, 1, 2 and 4: the gap at 3 hides 4. Topic 0's page is scene 7; topic 1's scene
        // ends early; topic 2's scene file is missing; topic 3 has no index.
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
        UiTest::TearDown();
        image_control_free_type(IMAGE_CLOSE);
    }

    // Opens the window the way the game does and lets it become live.
    Control *open_at(int32_t topic) {
        EXPECT_TRUE(help.open());
        game()->help_topic = topic;
        Control *window = help_window_open(game());
        EXPECT_NE(window, nullptr);
        for (int i = 0; i < 15; ++i) frame();   // the title bar stretches over 200 ms
        return window;
    }

    static std::vector<Control *> items(Control *window) {
        return panel_of(panel_find_child(window, HELP_TOPIC_LIST_ID))->children.items;
    }
    static Control *item_of(Control *window, int32_t topic) {
        for (Control *item : items(window))
            if (panel_of(item)->value == topic) return item;
        return nullptr;
    }
    // The topics whose items are highlighted (bright, without the hover look); every other item
    // must be at rest (dark, with it).
    static std::vector<int32_t> highlighted(Control *window) {
        std::vector<int32_t> out;
        for (Control *item : items(window)) {
            const Panel *p = panel_of(item);
            const auto colour = std::make_tuple(p->background->r, p->background->g, p->background->b);
            if (!(p->flags & PANEL_BG_HOVER) && colour == std::make_tuple(0, 0, 120)) out.push_back(p->value);
            else EXPECT_EQ(colour, std::make_tuple(0, 0, 6)) << "topic " << p->value;
        }
        return out;
    }
    static Control *page(Control *window) { return panel_find_child(window, HELP_PAGE_ID); }
    static std::vector<std::string> page_lines(Control *window) {
        std::vector<std::string> out;
        for (Control *box : panel_of(page(window))->children.items)
            for (Control *label : panel_of(box)->children.items) out.push_back(text_of(label));
        return out;
    }
    static void click(Control *c) { click_control(c); }

    ScratchStore help;
    int32_t saved_topic_ = 0;
};

TEST_F(HelpWindow, ListsTheTopicsUpToTheFirstGapBesideThePageCentredAtTheGamesTopic) {
    Control *window = open_at(1);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->id, CONTROL_ID_HELP);
    std::vector<std::string> titles;
    const std::vector<Control *> list = items(window);
    for (size_t i = 0; i < list.size(); ++i) {
        titles.push_back(text_of(panel_of(list[i])->children.items[0]));
        EXPECT_EQ(panel_of(list[i])->value, int32_t(i));
        EXPECT_EQ(list[i]->w, HELP_LIST_WIDTH);
        EXPECT_EQ(list[i]->y, i == 0 ? 12 : list[i - 1]->y + list[i - 1]->h) << "items touch";
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"The galaxy", "Fleets", "Research"}));
    EXPECT_EQ(highlighted(window), std::vector<int32_t>{1});
    EXPECT_EQ(help_window_state(window)->current_topic, 1);

    Control *bar = panel_find_child(window, HELP_TITLE_BAR_ID);
    EXPECT_STREQ(text_of(panel_find_child(bar, TITLE_LABEL_ID)), "Astrovane");
    const Control *topics = panel_find_child(window, HELP_TOPIC_LIST_ID);
    EXPECT_EQ(std::make_tuple(topics->x, topics->y, topics->w, topics->h),
              std::make_tuple(4, bar->h + 2, HELP_LIST_WIDTH, HELP_LIST_HEIGHT));
    EXPECT_EQ(std::make_tuple(page(window)->x, page(window)->y, page(window)->w, page(window)->h),
              std::make_tuple(HELP_LIST_WIDTH + 4, bar->h + 2, HELP_PAGE_WIDTH, HELP_PAGE_HEIGHT));
    EXPECT_EQ(std::make_tuple(window->w, window->h, bar->w),
              std::make_tuple(HELP_LIST_WIDTH + 4 + HELP_PAGE_WIDTH, bar->h + 2 + HELP_PAGE_HEIGHT, window->w - 4));
    EXPECT_EQ(std::make_tuple(window->x, window->y),
              std::make_tuple(ui_screen_width() / 2 - window->w / 2, ui_screen_height() / 2 - window->h / 2));
}

TEST_F(HelpWindow, OpeningAtATopicWithoutAnItemHighlightsNothingAndStillBuildsThatPage) {
    LogFileCatcher log(fresh_test_dir("help-log"));
    Control *window = open_at(3);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(highlighted(window), std::vector<int32_t>{});
    EXPECT_EQ(help_window_state(window)->current_topic, -1);
    EXPECT_NE(log.text().find("[GAME] [ERROR] Failed to load scene index file \"help\\003\\scene.txt\" (-6)\r\n"),
              std::string::npos)
        << log.text();
    EXPECT_TRUE(page_lines(window).empty());
}

TEST_F(HelpWindow, AClickedTopicIsHighlightedRememberedAndShownOrItsPageFailureLogged) {
    LogFileCatcher log(fresh_test_dir("help-log"), LOG_DEBUG);
    Control *window = open_at(0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(page_lines(window), (std::vector<std::string>{"Sectors hold starbases.", "Fleets move between them."}));
    const struct {
        int32_t topic;
        const char *line;
    } steps[] = {
        {2, "[GAME] [ERROR] Failed to load scene data file \"scene\\009\\dat\\params.dat\" (-6)\r\n"},
        {1, "[GAME] [ERROR] Failed to read scene data file \"scene\\008\\dat\\params.dat\" (-15)\r\n"},
        {0, "[GAME] [DEBUG] Loaded scene \"scene\\007\\dat\\params.dat\"\r\n"},
    };
    for (const auto &s : steps) {
        SCOPED_TRACE(s.topic);
        const size_t before = log.text().size();
        click(item_of(window, s.topic));
        EXPECT_EQ(game()->help_topic, s.topic);
        EXPECT_EQ(highlighted(window), std::vector<int32_t>{s.topic});
        EXPECT_NE(log.text().find(s.line, before), std::string::npos) << log.text();
        EXPECT_EQ(page_lines(window).size(), s.topic == 0 ? 2u : 0u);
        EXPECT_EQ(page(window)->w, HELP_PAGE_WIDTH);
    }
}

TEST_F(HelpWindow, ClickingTheHighlightedTopicDoesNothing) {
    Control *window = open_at(0);
    ASSERT_NE(window, nullptr);
    const std::vector<Control *> shown = panel_of(page(window))->children.items;
    ASSERT_FALSE(shown.empty());
    game()->help_topic = 5;   // a click that did something would set it to 0
    click(item_of(window, 0));
    EXPECT_EQ(panel_of(page(window))->children.items, shown) << "the page was not rebuilt";
    EXPECT_EQ(game()->help_topic, 5);
    EXPECT_EQ(highlighted(window), std::vector<int32_t>{0});
}

TEST_F(HelpWindow, WithoutTopicZeroTheListIsEmptyAndThePageIsBuiltAsAsked) {
    help.entries.erase(help.entries.begin());   // "help\000\name.txt"
    Control *window = open_at(4);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(items(window).empty());
    EXPECT_EQ(help_window_state(window)->first_item_y, -1);
    EXPECT_EQ(page_lines(window).size(), 2u) << "topic 4's page is scene 7";
}

TEST_F(HelpWindow, TheTitleBarItsCloseButtonAndEscapeFlashTheFrameAndRemoveTheWindow) {
    for (const char *way : {"title bar", "close button", "Escape"}) {
        SCOPED_TRACE(way);
        Control *window = open_at(0);
        ASSERT_NE(window, nullptr);
        control_addref(window);
        const size_t live_before = live().size();
        Control *bar = panel_find_child(window, HELP_TITLE_BAR_ID);
        if (way[0] == 'E') {
            key_down(KEY_ESCAPE);
            frame();
            key_up(KEY_ESCAPE);
        } else if (way[0] == 'c') {
            click(panel_find_child(bar, TITLE_CLOSE_ID));
        } else {
            int x = 0, y = 0;
            control_get_screen_position(bar, &x, &y);
            mouse_at(x + bar->w / 2, y + bar->h / 2);
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

// One window, built at the game's topic when it opens, found again while queued or live (then
// neither rebuilt nor moved off the centre), and built anew once removed.
TEST_F(HelpWindow, OneWindowAtTheGamesTopicFoundQueuedOrLiveAndCentredEachTime) {
    const auto centred = [](const Control *c) {
        return c->x == ui_screen_width() / 2 - c->w / 2 && c->y == ui_screen_height() / 2 - c->h / 2;
    };
    const auto help_windows = [] {
        int n = 0;
        for (List<Control> *list : {game()->controls, game()->new_controls})
            for (Control *c : list->items) n += c->id == CONTROL_ID_HELP && !(c->flags & CTRL_REMOVED);
        return n;
    };
    ASSERT_TRUE(help.open());
    game_clear_controls(game());
    game()->help_topic = 1;
    Control *window = help_window_open(game());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(std::make_tuple(window->id, window->layer, window->flags & CTRL_MOVING),
              std::make_tuple(CONTROL_ID_HELP, CONTROL_LAYER_HELP, 0u));
    EXPECT_TRUE(centred(window));
    control_set_position(window, 7, 9);
    EXPECT_EQ(help_window_open(game()), window) << "still queued in the same frame";
    EXPECT_TRUE(centred(window));

    game_flush_new_controls(game());
    control_set_position(window, 40, 2);
    game()->help_topic = 2;
    EXPECT_EQ(help_window_open(game()), window) << "live";
    EXPECT_TRUE(centred(window));
    EXPECT_EQ(help_windows(), 1);
    EXPECT_EQ(help_window_state(window)->current_topic, 1) << "built once, at the topic it opened with";

    control_remove(window);   // a removed window is not found: the next opening builds anew
    Control *again = help_window_open(game());
    ASSERT_NE(again, window);
    EXPECT_EQ(help_window_state(again)->current_topic, 2);
    game_clear_controls(game());
}

}  // namespace
}  // namespace help_window_test
