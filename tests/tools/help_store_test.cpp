// The help topics of the generated store, read as the help window reads them: names probed from
// 000 until the first gap, each topic's scene index naming a scene record that the game parses, and
// every line of every page inside the page as the game's own fonts measure it. The pages are also
// built into a panel and rendered headless into test-output/help/ for review.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>
#include "assetgen/family_help.h"
#include "assetgen/output.h"
#include "platform/buffer.h"
#include "platform/colour_fade.h"
#include "platform/files.h"
#include "platform/font.h"
#include "platform/store.h"
#include "test_support.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/scene.h"
#include "scene_ptr.h"
#include "ui/ui_draw.h"
#include "ui/ui_test_support.h"
#include "views/scene_panel.h"

namespace {

using namespace ui_test;

std::string help_path(const char *format, int n) {
    char path[48];
    std::snprintf(path, sizeof path, format, n);
    return path;
}

struct StoredTopic {
    std::string name;
    int32_t     scene = -1;
    ScenePtr    page;
};

class HelpStore : public UiScreenTest {
protected:
    void SetUp() override {
        UiScreenTest::SetUp();
        image_control_free_all_types();
        for (int type = 0; type < IMAGE_TYPE_COUNT; ++type) ASSERT_EQ(image_control_load_type(type), RES_OK) << type;
    }
    void TearDown() override {
        game_clear_controls(game());
        image_control_free_all_types();
        UiScreenTest::TearDown();
    }
    void paint_backdrop() override { ui_fill_rect(graphics, 0, 0, GFX_WIDTH, GFX_HEIGHT, 0, 0, 6); }

    // Every topic the window would list, with its page, or a failure naming what is wrong.
    void read_topics(std::vector<StoredTopic> *topics) {
        for (int n = 0;; ++n) {
            StoredTopic t;
            if (store_read_text(help_path("help\\%.3i\\name.txt", n).c_str(), &t.name) != RES_OK) break;
            ASSERT_EQ(store_read_int(help_path("help\\%.3i\\scene.txt", n).c_str(), &t.scene), RES_OK) << n;
            Buffer *file = nullptr;
            ASSERT_EQ(store_read_file(help_path("scene\\%.3i\\dat\\params.dat", t.scene).c_str(), 1, &file), RES_OK)
                << "topic " << n << " names scene " << t.scene;
            Scene *scene = nullptr;
            const Result parsed = scene_read(&scene, file);
            const int64_t left = buffer_remaining(file);
            buffer_free(file);
            ASSERT_EQ(parsed, RES_OK) << "scene " << t.scene;
            EXPECT_EQ(left, 0) << "scene " << t.scene << " has bytes after the record";
            t.page.reset(scene);
            topics->push_back(std::move(t));
        }
    }
};

TEST_F(HelpStore, TopicsRunFromZeroWithNamesAndParsingScenes) {
    std::vector<StoredTopic> topics;
    ASSERT_NO_FATAL_FAILURE(read_topics(&topics));
    std::vector<std::string> sources;
    std::string error;
    ASSERT_EQ(help_list_sources(&sources, &error), RES_OK) << error;
    ASSERT_EQ(topics.size(), sources.size()) << "a topic of content/help is missing from the store or hidden by a gap";
    ASSERT_GE(topics.size(), 9u) << "the welcome page and the topics of play";
    std::vector<int32_t> scenes;
    for (size_t n = 0; n < topics.size(); ++n) {
        const StoredTopic &t = topics[n];
        EXPECT_FALSE(t.name.empty()) << n;
        EXPECT_EQ(t.name.find_first_of("\r\n"), std::string::npos) << "a title is the file's bytes: " << t.name;
        EXPECT_EQ(t.page->flags & 0x2u, 0x2u) << t.name;
        EXPECT_EQ(t.page->width, 540) << t.name;
        EXPECT_EQ(t.page->height, 520) << t.name;
        ASSERT_GT(list_count(t.page->items), 2) << t.name;
        // the page opens with its title; its pictures are image types the game has
        const SceneItem *first = list_get(t.page->items, 0);
        ASSERT_EQ(first->kind, SCENE_TEXT) << t.name;
        EXPECT_EQ(list_get(first->lines, 0)->text, t.name);
        for (const SceneItem *item : t.page->items->items)
            if (item->kind == SCENE_IMAGE) {
                EXPECT_GE(item->subject, 0) << t.name;
                EXPECT_LT(item->subject, IMAGE_TYPE_COUNT) << t.name;
                EXPECT_NE(item->subject, 34) << t.name;
            }
        for (int32_t s : scenes) EXPECT_NE(s, t.scene) << "two topics share scene " << s;
        scenes.push_back(t.scene);
    }
    EXPECT_EQ(topics[0].name, "Welcome to Astrovane") << "the first run opens topic 0";
}

// The wrap measured with the generator's copy of the fonts; this holds it to the game's measure.
TEST_F(HelpStore, EveryLineFitsThePageAsTheGameMeasuresIt) {
    std::vector<StoredTopic> topics;
    ASSERT_NO_FATAL_FAILURE(read_topics(&topics));
    int lines = 0;
    for (const StoredTopic &t : topics) {
        // the topic list: 220 wide, the title in font 1 at x 6
        EXPECT_LE(6 + font_text_width(1, t.name.c_str()), 220 - 6) << t.name;
        for (const SceneItem *item : t.page->items->items) {
            if (item->kind != SCENE_TEXT) continue;
            int y = item->y;
            for (const SceneLine *line : item->lines->items) {
                const int w = font_text_width(line->font, line->text.c_str());
                const int h = font_line_height(line->font);
                ASSERT_GT(h, 0) << "font " << line->font;
                EXPECT_LE(item->x + w, 540 - HELP_MARGIN_X) << t.name << ": " << line->text;
                EXPECT_LE(y + h, 520 - HELP_MARGIN_BOTTOM) << t.name << ": " << line->text;
                EXPECT_GE(item->h, h) << t.name << ": the box would clip " << line->text;
                y += h + 4;
                ++lines;
            }
        }
    }
    EXPECT_GT(lines, 100);
}

// Each page built as the help window builds it (border, moving grid, the scene panel) after its
// lines have all appeared; the picture goes to test-output/help/ and its title must be drawn.
TEST_F(HelpStore, PagesRenderForReview) {
    std::vector<StoredTopic> topics;
    ASSERT_NO_FATAL_FAILURE(read_topics(&topics));
    const std::string dir = test_output_dir() + "/help";
    std::filesystem::create_directories(dir);
    constexpr int X = 242, Y = 124;   // where the help window puts its page on a 1024 x 768 screen
    for (size_t n = 0; n < topics.size(); ++n) {
        game_clear_controls(game());
        Control *page = panel_create_empty();
        panel_set_border(page, true);
        colour_fade_set(panel_border_colour(page), 12, 6, 0);
        panel_start_grid(page, 24, -1, 150);
        colour_fade_set(panel_grid_colour(page), 0, 0, 28);
        scene_panel_init(page, topics[n].page.get());
        ASSERT_EQ(page->w, 540);
        ASSERT_EQ(page->h, 520);
        add_top(page, X, Y);
        for (int i = 0; i < 40; ++i) frame(20);   // every line's delay has passed
        render();
        // the title stands in gold in the page's top band
        int gold = 0;
        for (int y = Y + 14; y < Y + 40; ++y)
            for (int x = X + 22; x < X + 300; ++x) {
                const ui_test::Rgb c = pixel(x, y);
                gold += c.r > 180 && c.g > 150 && c.b < 120;
            }
        EXPECT_GT(gold, 60) << topics[n].name;
        std::vector<uint8_t> rgb(size_t(540) * 520 * 3);
        for (int y = 0; y < 520; ++y)
            for (int x = 0; x < 540; ++x) {
                const ui_test::Rgb c = pixel(X + x, Y + y);
                uint8_t *o = &rgb[(size_t(y) * 540 + size_t(x)) * 3];
                o[0] = uint8_t(c.r);
                o[1] = uint8_t(c.g);
                o[2] = uint8_t(c.b);
            }
        std::vector<uint8_t> png;
        ASSERT_EQ(png_encode(rgb.data(), 540, 520, 3, &png), RES_OK);
        std::ofstream(dir + "/" + help_path("%.3i.png", int(n)), std::ios::binary)
            .write(reinterpret_cast<const char *>(png.data()), std::streamsize(png.size()));
    }
}

}  // namespace
