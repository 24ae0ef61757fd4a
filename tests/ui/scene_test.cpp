// Scenes: the record's bytes (as saved inside alerts), refusal of short and hostile data, the
// constructors the alert code uses, and what scene_build and the scene panel make of the items.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/buffer.h"
#include "platform/log.h"
#include "platform/sprite.h"
#include "test_support.h"
#include "ui/dialog.h"
#include "ui/image_control.h"
#include "ui/line_group.h"
#include "ui/panel.h"
#include "ui/scene.h"
#include "ui/text_label.h"
#include "ui_test_support.h"
#include "views/scene_panel.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/ship.h"

namespace {

using namespace ui_test;

struct SceneDel {
    void operator()(Scene *s) const { scene_free(s); }
};
using ScenePtr = std::unique_ptr<Scene, SceneDel>;

// A scene that uses every field and every string state.
ScenePtr full_scene() {
    ScenePtr s(scene_list_create());
    s->flags = 13;
    s->background = 2;
    s->width = 320;
    s->height = -7;
    scene_add_item(s.get(), 3, 1, 80, 125, 1);
    scene_add_portal_item(s.get(), 4, 100, 150, 377);
    List<SceneLine> *lines = scene_lines_create();
    scene_add_line(lines, "Starship Vigil built", 0, 0);
    SceneLine *typed = scene_add_line(lines, "in the Kepler sector", 500, SCENE_LINE_TYPE_OUT);
    typed->red = 255;
    typed->font = 7;
    scene_add_line(lines, "", -3, 0);
    scene_add_panel_item(s.get(), lines);
    SceneItem *file = scene_add_item(s.get(), 0, 0, 5, 6, 0);
    file->kind = SCENE_IMAGE_FILE;
    file->path = "scene/picture.png";
    file->w = 1; file->h = 2; file->x2 = -3; file->y2 = 4; file->w2 = 10; file->h2 = 100;
    file->duration = 9000; file->options = 0x3f;
    SceneItem *link = scene_add_image_item(s.get(), 78, 1, 2);
    link->kind = SCENE_LINK;
    link->text = "More";
    link->link = "https://example.org/news";
    scene_add_ship_item(s.get(), 8, 17, -40, 300, 1);
    scene_add_flyby_item(s.get(), 2, 43, 216);
    scene_add_ship_pose_item(s.get(), 1, 24, 30);
    return s;
}

std::vector<uint8_t> bytes_of(const Scene *s) {
    Buffer buf;
    EXPECT_EQ(scene_write(s, &buf), RES_OK);
    return std::vector<uint8_t>(buf.data, buf.data + buf.length);
}

Result read_bytes(const std::vector<uint8_t> &bytes, Scene **out) {
    Buffer buf;
    EXPECT_EQ(buffer_append(&buf, bytes.data(), bytes.size()), RES_OK);
    return scene_read(out, &buf);
}

void put32(std::vector<uint8_t> *v, uint32_t x) {
    for (int shift = 24; shift >= 0; shift -= 8) v->push_back(uint8_t(x >> shift));
}

void put_str(std::vector<uint8_t> *v, const std::string &s) {
    put32(v, uint32_t(s.size()));
    v->insert(v->end(), s.begin(), s.end());
}

// ---- The record ------------------------------------------------------------------------------------

TEST(SceneRecord, OneItemIsWrittenFieldByFieldBigEndian) {
    ScenePtr s(scene_list_create());
    s->flags = 0x11;
    s->background = 1;
    s->width = 0x0102;
    s->height = -1;
    List<SceneLine> *lines = scene_lines_create();
    SceneLine *line = scene_add_line(lines, "Hi", 7, 4);
    line->red = 1;
    SceneItem *item = scene_add_panel_item(s.get(), lines);
    item->link = "http://a";
    std::vector<uint8_t> want;
    for (uint32_t w : {0x11u, 1u, 0x0102u, 0xFFFFFFFFu, 1u}) put32(&want, w);      // head, one item
    for (uint32_t w : {2u, 0u, 0u, 0u, 1000u}) put32(&want, w);                    // kind 2 .. delay
    put32(&want, 1);                                                             // one line
    put_str(&want, "Hi");
    for (uint32_t w : {7u, 50u, 4u, 1u, 230u, 130u, 4u}) put32(&want, w);          // delay period font rgb flags
    put32(&want, 0);                                                             // no path
    for (uint32_t w : {0u, 256u, 0u, 0u, 0u, 0u, 0u, 0u, 0u}) put32(&want, w);     // w h x2 y2 w2 h2 dur frame opt
    put32(&want, 0);                                                             // no text
    put32(&want, 1);
    put_str(&want, "http://a");
    EXPECT_EQ(bytes_of(s.get()), want);
}

TEST(SceneRecord, RoundTripKeepsEveryFieldAndRewritesTheSameBytes) {
    ScenePtr s = full_scene();
    const std::vector<uint8_t> first = bytes_of(s.get());
    Scene *raw = nullptr;
    ASSERT_EQ(read_bytes(first, &raw), RES_OK);
    ScenePtr back(raw);
    EXPECT_EQ(back->flags, 13u);
    EXPECT_EQ(back->background, 2);
    EXPECT_EQ(back->height, -7);
    ASSERT_EQ(list_count(back->items), list_count(s->items));   // every item field shows in the rewrite below
    const SceneItem *box = list_get(back->items, 2);
    ASSERT_EQ(list_count(box->lines), 3);
    EXPECT_EQ(list_get(box->lines, 1)->text, "in the Kepler sector");
    EXPECT_EQ(list_get(box->lines, 1)->red, 255);
    EXPECT_EQ(list_get(box->lines, 1)->font, 7);
    EXPECT_EQ(list_get(box->lines, 1)->flags, int32_t(SCENE_LINE_TYPE_OUT));
    EXPECT_EQ(list_get(box->lines, 2)->delay, -3);
    EXPECT_EQ(bytes_of(back.get()), first);
}

TEST(SceneRecord, EveryShortenedRecordIsRefusedAndNothingIsReturned) {
    const std::vector<uint8_t> whole = bytes_of(full_scene().get());
    for (size_t n = 0; n < whole.size(); ++n) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(n));
        Scene *out = reinterpret_cast<Scene *>(0x1);
        EXPECT_EQ(read_bytes(cut, &out), RES_SHORT_BUFFER) << n << " of " << whole.size();
        EXPECT_EQ(out, reinterpret_cast<Scene *>(0x1)) << n;
    }
}

TEST(SceneRecord, HostileCountsAreRefusedBeforeAllocating) {
    std::vector<uint8_t> head;
    for (uint32_t w : {0u, 0u, 0u, 0u}) put32(&head, w);
    Scene *out = nullptr;
    // Two billion items in 8 bytes.
    std::vector<uint8_t> many = head;
    put32(&many, 0x7FFFFFFF);
    put32(&many, 0);
    put32(&many, 0);
    EXPECT_EQ(read_bytes(many, &out), RES_SHORT_BUFFER);
    // One item claiming four billion lines.
    std::vector<uint8_t> lines = head;
    put32(&lines, 1);
    for (uint32_t w : {2u, 0u, 0u, 0u, 0u, 0xFFFFFFFFu}) put32(&lines, w);
    lines.resize(lines.size() + 80, 0);
    EXPECT_EQ(read_bytes(lines, &out), RES_SHORT_BUFFER);
    // A negative string length.
    std::vector<uint8_t> negative = head;
    put32(&negative, 1);
    for (uint32_t w : {3u, 0u, 0u, 0u, 0u, 0u, 1u, 0xFFFFFFF0u}) put32(&negative, w);
    negative.resize(negative.size() + 80, 0);
    EXPECT_EQ(read_bytes(negative, &out), RES_MALFORMED);
    EXPECT_EQ(out, nullptr);
}

TEST(SceneRecord, CountBelowOneAndNegativePresentWordsReadAsNothing) {
    for (uint32_t count : {0u, 0xFFFFFFFFu, 0x80000000u}) {
        std::vector<uint8_t> bytes;
        for (uint32_t w : {1u, 2u, 3u, 4u, count}) put32(&bytes, w);
        Scene *raw = nullptr;
        ASSERT_EQ(read_bytes(bytes, &raw), RES_OK) << count;
        ScenePtr s(raw);
        EXPECT_EQ(list_count(s->items), 0);
        EXPECT_EQ(s->height, 4);
    }
    std::vector<uint8_t> bytes;
    for (uint32_t w : {0u, 0u, 0u, 0u, 1u}) put32(&bytes, w);
    for (uint32_t w : {10u, 0u, 0u, 0u, 0u, 0u, 0xFFFFFFFFu}) put32(&bytes, w);   // no lines, path word -1
    for (int i = 0; i < 9; ++i) put32(&bytes, 0);
    put32(&bytes, 0x80000000u);                                                      // text word negative
    put32(&bytes, 0);
    Scene *raw = nullptr;
    ASSERT_EQ(read_bytes(bytes, &raw), RES_OK);
    ScenePtr s(raw);
    const SceneItem *item = list_get(s->items, 0);
    EXPECT_FALSE(item->path.has_value());
    EXPECT_FALSE(item->text.has_value());
    EXPECT_FALSE(item->link.has_value());
}

bool visible(const Control *c) { return !(c->flags & CTRL_HIDDEN); }

// ---- Building --------------------------------------------------------------------------------------

int g_opened = 0;
std::string g_address;
Result record_open(const char *address) {
    ++g_opened;
    g_address = address;
    return RES_OK;
}

class SceneBuild : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        g_opened = 0;
        g_address.clear();
        scene_set_link_opener(record_open);
        scene.reset(scene_list_create());
    }
    void TearDown() override {
        scene_set_link_opener(nullptr);
        scene.reset();
        game_clear_controls(game());
        factory_free();   // a site or ship item sets the factories up on first use
        UiTest::TearDown();
    }
    Control *build_on_top(int x = 100, int y = 100) {
        Control *panel = panel_create_empty();
        scene_build(scene.get(), panel);
        panel_relayout(panel);   // as a fitted scene panel
        return add_top(panel, x, y, 5);
    }
    static std::vector<Control *> &children(Control *panel) { return panel_of(panel)->children.items; }
    ScenePtr scene;
};

TEST_F(SceneBuild, TextLinesShowAtTheirRunningTimes) {
    List<SceneLine> *lines = scene_lines_create();
    scene_add_line(lines, "Alpha", 0, 0);
    scene_add_line(lines, "Beta", 500, 0);
    scene_add_line(lines, "Gamma", 500, 0);
    SceneItem *item = scene_add_panel_item(scene.get(), lines);
    item->delay = 0;
    Control *panel = build_on_top();
    ASSERT_EQ(children(panel).size(), 1u);
    Control *box = children(panel)[0];
    ASSERT_EQ(children(box).size(), 3u);
    Control *a = children(box)[0], *b = children(box)[1], *c = children(box)[2];
    EXPECT_EQ(a->id, 0);
    EXPECT_EQ(b->id, 510);
    EXPECT_EQ(c->id, 1020);
    EXPECT_EQ(a->layer, 2);
    EXPECT_EQ(b->layer, 1);
    EXPECT_EQ(b->y, a->y + a->h + 4);
    EXPECT_TRUE(visible(a));
    EXPECT_FALSE(visible(b));
    // The first line's bottom sits at the box's bottom.
    EXPECT_EQ(panel_of(box)->scroll_y, a->y + a->h - box->h);
    for (int t = 0; t < 500; t += 20) frame();
    EXPECT_FALSE(visible(b));
    frame();   // 520 ms
    EXPECT_TRUE(visible(b));
    EXPECT_EQ(b->layer, 2) << "the ticker brought the second line into view";
    EXPECT_EQ(panel_of(box)->scroll_y, b->y + b->h - box->h);
    EXPECT_FALSE(visible(c));
    for (int t = 520; t < 1040; t += 20) frame();
    EXPECT_TRUE(visible(c));
}

TEST_F(SceneBuild, TypedLinesDelayTheNextByTheirTypingTime) {
    List<SceneLine> *lines = scene_lines_create();
    scene_add_line(lines, "abcd", 0, SCENE_LINE_TYPE_OUT);   // 4 x 50 + 24 x 50 = 1400 ms
    scene_add_line(lines, "next", 0, 0);
    SceneItem *item = scene_add_panel_item(scene.get(), lines);
    item->delay = 100;
    item->h = 8;   // smaller than two lines: the box is cut to it
    Control *panel = build_on_top();
    Control *box = children(panel)[0];
    EXPECT_EQ(children(box)[0]->id, 100);
    EXPECT_EQ(children(box)[1]->id, 1500);
    EXPECT_EQ(box->h, 8);
    EXPECT_TRUE(text_label_of(children(box)[0])->flags & TEXT_TYPING);
}

TEST_F(SceneBuild, UnknownKindsAndMissingPicturesAreSkippedAndTheRestBuilt) {
    const std::string dir = fresh_test_dir("scene");
    ASSERT_EQ(log_open_file(logger_get(), (dir + "/run.log").c_str()), RES_OK);
    scene_add_item(scene.get(), 99, 0, 1, 1, 0);             // no such site template: skipped silently
    scene_add_item(scene.get(), 0, 0, 1, 1, 0)->kind = 12;   // a later kind
    SceneItem *file = scene_add_item(scene.get(), 0, 0, 1, 1, 0);
    file->kind = SCENE_IMAGE_FILE;
    file->path = "scene/none.png";
    scene_add_image_item(scene.get(), IMAGE_CREDITS, 30, 40);
    SceneItem *blinking = scene_add_item(scene.get(), 0, 0, 5, 6, 0);
    blinking->kind = SCENE_BLINK_FRAME;
    blinking->w = 50;
    blinking->h = 20;
    Control *panel = build_on_top();
    logger_destroy();
    ASSERT_EQ(children(panel).size(), 2u);
    EXPECT_EQ(children(panel)[0]->type, CONTROL_IMAGE);
    EXPECT_EQ(children(panel)[0]->x, 30);
    EXPECT_TRUE(children(panel)[0]->flags & CTRL_DISABLED);
    Control *blink = children(panel)[1];
    EXPECT_EQ(blink->w, 50);
    EXPECT_TRUE(panel_has_border(blink));
    frame(160);
    EXPECT_FALSE(panel_has_border(blink));
    frame(160);
    EXPECT_TRUE(panel_has_border(blink));
    std::ifstream in(dir + "/run.log");
    std::stringstream log;
    log << in.rdbuf();
    EXPECT_NE(log.str().find("Failed to load scene object image \"scene/none.png\""), std::string::npos) << log.str();
}

TEST_F(SceneBuild, ConnectorJoinsThePointsThroughTheCorner) {
    SceneItem *item = scene_add_item(scene.get(), 0, 0, 50, 10, 0);
    item->kind = SCENE_CONNECTOR;
    item->x2 = 20;
    item->y2 = 40;
    item->duration = -1;
    Control *panel = build_on_top();
    ASSERT_EQ(children(panel).size(), 1u);
    Control *lines = children(panel)[0];
    EXPECT_EQ(lines->x, 20);
    EXPECT_EQ(lines->y, 10);
    const LineGroup *g = line_group_of(lines);
    ASSERT_EQ(g->lines.size(), 2u);
    EXPECT_EQ(g->lines[0].x1, 30);   // down from (50, 10) ...
    EXPECT_EQ(g->lines[0].y2, 30);
    EXPECT_EQ(g->lines[1].x2, 0);    // ... then across to (20, 40)
    EXPECT_EQ(g->lines[1].y2, 30);
    EXPECT_FALSE(lines->flags & CTRL_REMOVE_TIMER) << "a negative duration keeps it";
}

class SceneLink : public SceneBuild {
protected:
    Control *label = nullptr;
    void add_link(const char *address) {
        SceneItem *item = scene_add_image_item(scene.get(), 0, 10, 10);
        item->kind = SCENE_LINK;
        item->text = "Read more";
        item->link = address;
        Control *panel = build_on_top(200, 200);
        label = children(panel)[0];
        EXPECT_FALSE(label->flags & CTRL_DISABLED);
    }
    void click_label() {
        mouse_at(210 + label->w / 2, 210 + label->h / 2);
        frame();
        left_down();
        frame();
        left_up();
        frame();
    }
    int dialogs() {
        int n = 0;
        for (Control *c : live()) n += c->id == LINK_DIALOG_ID && !(c->flags & CTRL_REMOVED);
        return n;
    }
    void press(int id) {
        Control *dialog = game_find_control(game(), LINK_DIALOG_ID);
        ASSERT_NE(dialog, nullptr);
        Control *button = panel_find_child(panel_find_child(dialog, DIALOG_ROW_ID), id);
        ASSERT_NE(button, nullptr);
        button->on_click(button);
        frame();
    }
};

TEST_F(SceneLink, TwoClicksOpenOneDialogAndNoCancelsWithoutOpening) {
    add_link("https://example.org/a");
    click_label();
    click_label();
    EXPECT_EQ(dialogs(), 1);
    Control *dialog = game_find_control(game(), LINK_DIALOG_ID);
    EXPECT_EQ(dialog->layer, 100);
    EXPECT_EQ(dialog->linked, label);
    press(DIALOG_NO_ID);
    EXPECT_EQ(dialogs(), 0);
    EXPECT_EQ(g_opened, 0);
}

TEST_F(SceneLink, YesOpensAWebAddress) {
    add_link("https://example.org/news?id=3");
    click_label();
    for (int i = 0; i < 15; ++i) frame();   // it has grown and moved over the label
    Control *dialog = game_find_control(game(), LINK_DIALOG_ID);
    ASSERT_NE(dialog, nullptr);
    EXPECT_GT(dialog->w, label->w);
    press(DIALOG_YES_ID);
    EXPECT_EQ(g_opened, 1);
    EXPECT_EQ(g_address, "https://example.org/news?id=3");
    EXPECT_EQ(dialogs(), 0);
}

TEST_F(SceneLink, AddressesFromSavedDataThatAreNotWebLinksAreNeverOpened) {
    for (const char *address : {"file:///etc/passwd", "javascript:alert(1)", "-e /bin/sh", "", "HTTP:/x", "http:/x"}) {
        game_clear_controls(game());
        scene.reset(scene_list_create());
        add_link(address);
        click_label();
        press(DIALOG_YES_ID);
        EXPECT_EQ(g_opened, 0) << address;
        EXPECT_EQ(dialogs(), 0) << address;
    }
}

// ---- The scene panel -------------------------------------------------------------------------------

class ScenePanel : public SceneBuild {};

TEST_F(ScenePanel, NoFlagsKeepsTheDefaultSizeWithoutFill) {
    scene_add_image_item(scene.get(), IMAGE_CREDITS, 2, 3);
    Control *panel = control_addref(scene_panel_create(scene.get()));
    EXPECT_EQ(panel->w, 20);
    EXPECT_EQ(panel->h, 10);
    EXPECT_FALSE(panel_of(panel)->flags & (PANEL_BACKGROUND | PANEL_BORDER));
    EXPECT_EQ(children(panel).size(), 1u);
    control_release(panel);
}

TEST_F(ScenePanel, BackgroundPictureLiesBehindAndSizesAFittedPanel) {
    int bw = 0, bh = 0;
    ASSERT_EQ(scene_bg_size(1, &bw, &bh), RES_OK) << "the build paints the scene backgrounds";
    EXPECT_GT(bw, bh) << "scene backgrounds are wide";
    scene->flags = SCENE_BACKGROUND | SCENE_FIT | SCENE_BORDER | SCENE_DARK;
    scene->background = 1;
    scene_add_image_item(scene.get(), IMAGE_CREDITS, 10, 10);
    Control *panel = control_addref(scene_panel_create(scene.get()));
    ASSERT_EQ(children(panel).size(), 2u);
    Control *picture = children(panel)[0];
    EXPECT_EQ(picture->layer, -3);
    EXPECT_EQ(picture->w, bw);
    EXPECT_EQ(panel->w, bw);
    EXPECT_EQ(panel->h, bh);
    EXPECT_TRUE(panel_of(panel)->flags & PANEL_BORDER);
    EXPECT_TRUE(panel_of(panel)->flags & PANEL_BACKGROUND);
    control_release(panel);
}

TEST_F(ScenePanel, MissingBackgroundIsLeftOutAndFixedSizeApplies) {
    scene->flags = SCENE_BACKGROUND | SCENE_FIXED_SIZE;
    scene->background = 999;
    scene->width = 300;
    scene->height = 120;
    Control *panel = control_addref(scene_panel_create(scene.get()));
    EXPECT_TRUE(children(panel).empty());
    EXPECT_EQ(panel->w, 300);
    EXPECT_EQ(panel->h, 120);
    int w = 0, h = 0;
    EXPECT_NE(scene_bg_size(999, &w, &h), RES_OK);
    control_release(panel);
}

// Template items over the real ship factory of the generated store.
class SceneTemplates : public SceneBuild {
protected:
    void SetUp() override {
        SceneBuild::SetUp();
        factory_free();
        ASSERT_EQ(factory_init(), RES_OK);
        for (int32_t g = 0; g < 3; ++g) factory_acquire_group(OBJECT_SHIP, 1, g);   // rotations: group 2
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    }   // SceneBuild's tear-down clears the controls, then frees the factories
};

TEST_F(SceneTemplates, ShipItemsShowTheTemplatePictureForTheirHeading) {
    scene_add_ship_pose_item(scene.get(), 1, 24, 30);
    scene_add_flyby_item(scene.get(), 1, 300, 200);
    scene_add_ship_item(scene.get(), 1, 0, 10, 10, 1);
    scene_add_ship_pose_item(scene.get(), 99, 0, 0);   // no such template
    scene_add_ship_pose_item(scene.get(), -1, 0, 0);
    Control *panel = build_on_top(0, 0);
    ASSERT_EQ(children(panel).size(), 3u);
    const Ship *tmpl = static_cast<const Ship *>(factory_get_template(OBJECT_SHIP, 1));
    const int pose = ship_frame_for_heading(tmpl, 45);
    EXPECT_EQ(image_of(children(panel)[0])->sprite, tmpl->frames[pose]);
    EXPECT_NE(image_of(children(panel)[1])->sprite, tmpl->frames[pose]) << "the fly-by faces 225 degrees";
    Control *flyby = children(panel)[1];
    EXPECT_TRUE(flyby->flags & CTRL_REMOVE_TIMER);
    EXPECT_TRUE(flyby->flags & CTRL_MOVING);
    EXPECT_EQ(panel_of(panel)->effects.items.size(), 1u) << "the ship picture's pulse";
}

}  // namespace
