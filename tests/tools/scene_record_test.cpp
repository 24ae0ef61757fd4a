// The generator's scene writer against the game's scene reader and writer: every page the help
// family makes, and a record that sets every field, parse into the same items, and the game's
// writer gives back the very same bytes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>
#include "assetgen/content_source.h"
#include "assetgen/family_help.h"
#include "assetgen/scene_record.h"
#include "platform/buffer.h"
#include "ui/scene.h"
#include "scene_ptr.h"

namespace {

std::vector<uint8_t> bytes_of(const Buffer &b) { return std::vector<uint8_t>(b.data, b.data + b.length); }

// Parses the generator's bytes with the game's reader, checks every field against the record, and
// checks that the game's own writer reproduces the bytes.
void expect_round_trip(const SceneRecord &record, const std::string &what) {
    SCOPED_TRACE(what);
    Buffer written;
    ASSERT_EQ(scene_record_write(record, &written), RES_OK);
    Scene *raw = nullptr;
    ASSERT_EQ(scene_read(&raw, &written), RES_OK);
    ScenePtr scene(raw);
    EXPECT_EQ(buffer_remaining(&written), 0) << "the reader stopped short of the record's end";
    EXPECT_EQ(scene->flags, record.flags);
    EXPECT_EQ(scene->background, record.background);
    EXPECT_EQ(scene->width, record.width);
    EXPECT_EQ(scene->height, record.height);
    ASSERT_EQ(list_count(scene->items), int32_t(record.items.size()));
    for (size_t i = 0; i < record.items.size(); ++i) {
        SCOPED_TRACE("item " + std::to_string(i));
        const SceneRecordItem &want = record.items[i];
        const SceneItem &got = *list_get(scene->items, int32_t(i));
        EXPECT_EQ(got.kind, want.kind);
        EXPECT_EQ(got.subject, want.subject);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.delay, want.delay);
        EXPECT_EQ(got.path, want.path);
        EXPECT_EQ(got.w, want.w);
        EXPECT_EQ(got.h, want.h);
        EXPECT_EQ(got.x2, want.x2);
        EXPECT_EQ(got.y2, want.y2);
        EXPECT_EQ(got.w2, want.w2);
        EXPECT_EQ(got.h2, want.h2);
        EXPECT_EQ(got.duration, want.duration);
        EXPECT_EQ(got.frame, want.frame);
        EXPECT_EQ(got.options, want.options);
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.link, want.link);
        const int32_t lines = got.lines ? list_count(got.lines) : 0;
        ASSERT_EQ(lines, int32_t(want.lines.size()));
        for (int32_t k = 0; k < lines; ++k) {
            const SceneLine &g = *list_get(got.lines, k);
            const SceneRecordLine &w = want.lines[size_t(k)];
            EXPECT_EQ(g.text, w.text);
            EXPECT_EQ(g.delay, w.delay);
            EXPECT_EQ(g.period, w.period);
            EXPECT_EQ(g.font, w.font);
            EXPECT_EQ(g.red, w.red);
            EXPECT_EQ(g.green, w.green);
            EXPECT_EQ(g.blue, w.blue);
            EXPECT_EQ(g.flags, w.flags);
        }
    }
    Buffer again;
    ASSERT_EQ(scene_write(scene.get(), &again), RES_OK);
    EXPECT_EQ(bytes_of(again), bytes_of(written)) << "the game writes the parsed scene differently";
}

TEST(AssetgenSceneWriter, EveryFieldAndStringStateAgreesWithTheGame) {
    SceneRecord record;
    record.flags = 0x1F;
    record.background = 7;
    record.width = 540;
    record.height = -3;
    SceneRecordLine typed{"Typed out", 250, 40, 7, 255, 1, 128, 4};
    SceneRecordLine empty{"", -5, 0, 0, 0, 0, 0, 0};
    record.items.push_back(scene_record_text(12, 34, 56, 78, {typed, empty, SceneRecordLine{"Third", 0, 50, 2, 9, 8, 7, 0}}));
    record.items.push_back(scene_record_image(168, 1, -4, 500, 0));
    record.items.push_back(scene_record_connector(22, 45, 518, 45, 10, -1));
    SceneRecordItem full;
    full.kind = 3;
    full.subject = -1;
    full.path = "scene/picture.png";
    full.w = 1; full.h = 2; full.x2 = -3; full.y2 = 4; full.w2 = 10; full.h2 = 100;
    full.duration = 9000; full.frame = 5; full.options = 0x3F;
    full.text = "";
    full.link = "https://example.org/astrovane";
    record.items.push_back(full);
    SceneRecordItem later;
    later.kind = 40;   // a kind the game skips still reads
    later.text = "More";
    record.items.push_back(later);
    expect_round_trip(record, "every field");
    expect_round_trip(SceneRecord{}, "no items");
}

// The byte layout the game documents, spelled out once: head, then an item's words in order.
TEST(AssetgenSceneWriter, WritesTheDocumentedLayout) {
    SceneRecord record;
    record.flags = SCENE_RECORD_FIXED_SIZE;
    record.width = 540;
    record.height = 520;
    record.items.push_back(scene_record_text(22, 14, 12, 64, {SceneRecordLine{"Hi", 0, 0, 3, 250, 218, 104, 0}}));
    Buffer out;
    ASSERT_EQ(scene_record_write(record, &out), RES_OK);
    const std::vector<uint8_t> want = {
        0, 0, 0, 2,   0, 0, 0, 0,   0, 0, 2, 28,   0, 0, 2, 8,   0, 0, 0, 1,   // head and one item
        0, 0, 0, 2,   0, 0, 0, 0,   0, 0, 0, 22,   0, 0, 0, 14,  0, 0, 0, 12,  // kind, subject, x, y, delay
        0, 0, 0, 1,                                                           // one line:
        0, 0, 0, 2,   'H', 'i',     0, 0, 0, 0,    0, 0, 0, 0,   0, 0, 0, 3,   // text, delay, period, font
        0, 0, 0, 250, 0, 0, 0, 218, 0, 0, 0, 104,  0, 0, 0, 0,                 // red, green, blue, flags
        0, 0, 0, 0,                                                           // no path
        0, 0, 0, 0,   0, 0, 0, 64,  0, 0, 0, 0,    0, 0, 0, 0,   0, 0, 0, 0,   // w, h, x2, y2, w2
        0, 0, 0, 0,   0, 0, 0, 0,   0, 0, 0, 0,    0, 0, 0, 0,                 // h2, duration, frame, options
        0, 0, 0, 0,   0, 0, 0, 0,                                             // no text, no link
    };
    EXPECT_EQ(bytes_of(out), want);
}

// Every page compiled from content/help goes through the game's reader and writer unchanged.
TEST(AssetgenSceneWriter, EveryHelpPageAgreesWithTheGame) {
    std::vector<std::string> names;
    std::string error;
    ASSERT_EQ(help_list_sources(&names, &error), RES_OK) << error;
    ASSERT_FALSE(names.empty());
    HelpFonts fonts;
    ASSERT_EQ(help_load_fonts(&fonts), RES_OK);
    for (const std::string &name : names) {
        std::string text;
        HelpTopic topic;
        SceneRecord page;
        ASSERT_EQ(content_read("help/" + name, &text, &error), RES_OK) << error;
        ASSERT_EQ(help_parse_topic(text, name, &topic, &error), RES_OK) << error;
        ASSERT_EQ(help_layout_page(topic, fonts, &page, &error), RES_OK) << error;
        expect_round_trip(page, name);
    }
}

}  // namespace
