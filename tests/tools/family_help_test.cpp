// The help family: the topic source format, the word wrap by the game's font measure, the page
// layout and its overflow refusal, and the numbering of the topic files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include "assetgen/family_fonts.h"
#include "assetgen/family_help.h"

namespace {

class HelpFamily : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        fonts_ = new HelpFonts;
        ASSERT_EQ(help_load_fonts(fonts_), RES_OK);
    }
    static void TearDownTestSuite() {
        delete fonts_;
        fonts_ = nullptr;
    }
    static HelpFonts *fonts_;
};
HelpFonts *HelpFamily::fonts_ = nullptr;

HelpTopic parse(const std::string &text) {
    HelpTopic topic;
    std::string error;
    EXPECT_EQ(help_parse_topic(text, "t.txt", &topic, &error), RES_OK) << error;
    return topic;
}

TEST(HelpSource, TitleHeadingsParagraphsItemsAndNotes) {
    const HelpTopic t = parse("# a note for writers\n\n  Fleets  \nOne line\nand its second.\r\n\n## Moving\n- first item\n"
                              "  goes on\n- second\nA paragraph after the list.\n#\n# another note\n");
    EXPECT_EQ(t.title, "Fleets");
    ASSERT_EQ(t.blocks.size(), 5u);
    const struct {
        HelpBlock::Kind kind;
        const char *text;
        int line;
    } want[] = {{HelpBlock::PARAGRAPH, "One line and its second.", 4},
                {HelpBlock::HEADING, "Moving", 7},
                {HelpBlock::ITEM, "first item goes on", 8},
                {HelpBlock::ITEM, "second", 10},
                {HelpBlock::PARAGRAPH, "A paragraph after the list.", 11}};
    for (size_t i = 0; i < t.blocks.size(); ++i) {
        EXPECT_EQ(t.blocks[i].kind, want[i].kind) << i;
        EXPECT_EQ(t.blocks[i].text, want[i].text) << i;
        EXPECT_EQ(t.blocks[i].line, want[i].line) << i;
    }
}

TEST(HelpSource, IconsBesideTheTitleAndInPlaceOfBullets) {
    const HelpTopic t = parse("Battles [69]\n- [165] Move (M): go.\n- [x] not an icon\n- plain [3] inside\n- [12]End\n");
    EXPECT_EQ(t.title, "Battles");
    EXPECT_EQ(t.icon, 69);
    ASSERT_EQ(t.blocks.size(), 4u);
    EXPECT_EQ(t.blocks[0].icon, 165);
    EXPECT_EQ(t.blocks[0].text, "Move (M): go.");
    EXPECT_EQ(t.blocks[1].icon, -1);
    EXPECT_EQ(t.blocks[1].text, "[x] not an icon");
    EXPECT_EQ(t.blocks[2].icon, -1);
    EXPECT_EQ(t.blocks[3].icon, 12);
    EXPECT_EQ(t.blocks[3].text, "End");
    const HelpTopic plain = parse("Odd [title] here [7\ntext\n");
    EXPECT_EQ(plain.title, "Odd [title] here [7");
    EXPECT_EQ(plain.icon, -1);
}

TEST(HelpSource, RefusesWhatCannotMakeAPage) {
    const struct {
        const char *text, *message;
    } bad[] = {{"", "no title"},
               {"# only notes\n\n", "no title"},
               {"Title only\n\n", "no text"},
               {"Title\nCaf\xc3\xa9 au lait\n", "t.txt:2: only printable ASCII"},
               {"Title\nTab\there\n", "t.txt:2: only printable ASCII"}};
    for (const auto &b : bad) {
        HelpTopic topic;
        std::string error;
        EXPECT_EQ(help_parse_topic(b.text, "t.txt", &topic, &error), RES_MALFORMED) << b.text;
        EXPECT_NE(error.find(b.message), std::string::npos) << error;
    }
}

TEST_F(HelpFamily, WrapKeepsEveryWordInOrderAndEachLineWithinTheWidth) {
    const std::string text = "Ships wait in sectors until you send them somewhere. Ships that travel together "
                             "form a fleet, and a fleet moves as the days pass.";
    for (int width : {120, 200, 496}) {
        std::vector<std::string> lines;
        ASSERT_EQ(help_wrap(fonts_->body, text, width, &lines), RES_OK);
        ASSERT_GT(lines.size(), 1u) << width;
        std::string joined;
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_LE(fonts_text_width(fonts_->body, lines[i]), width) << lines[i];
            // greedy: the next line's first word would not have fitted
            if (i + 1 < lines.size()) {
                const std::string next_word = lines[i + 1].substr(0, lines[i + 1].find(' '));
                EXPECT_GT(fonts_text_width(fonts_->body, lines[i] + " " + next_word), width) << lines[i];
            }
            joined += (i ? " " : "") + lines[i];
        }
        EXPECT_EQ(joined, text);
    }
    std::vector<std::string> lines;
    EXPECT_EQ(help_wrap(fonts_->body, "a Leviathan", 30, &lines), RES_OUT_OF_RANGE);
}

TEST_F(HelpFamily, APageThatOverflowsOrHasAnUnbreakableWordIsRefused) {
    std::string text = "Too long\n";
    for (int i = 0; i < 40; ++i) text += "A paragraph of its own.\n\n";
    SceneRecord page;
    std::string error;
    EXPECT_EQ(help_layout_page(parse(text), *fonts_, &page, &error), RES_OUT_OF_RANGE);
    EXPECT_NE(error.find("\"Too long\" runs "), std::string::npos) << error;
    EXPECT_NE(error.find("pixels past the bottom"), std::string::npos) << error;
    const HelpTopic wide = parse("Wide\n" + std::string(120, 'W') + "\n");
    EXPECT_EQ(help_layout_page(wide, *fonts_, &page, &error), RES_OUT_OF_RANGE);
    EXPECT_NE(error.find("wider than the page"), std::string::npos) << error;
    // twenty lines fit
    std::string fits = "Fits\n";
    for (int i = 0; i < 20; ++i) fits += "One line.\n\n";
    EXPECT_EQ(help_layout_page(parse(fits), *fonts_, &page, &error), RES_OK) << error;
}

// The topic files must run 000, 001, ... : the game's window stops at the first gap.
TEST(HelpSources, NumberedFromZeroWithoutGaps) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("astrovane_help_" + std::to_string(::getpid()));
    const char *old = std::getenv("ASTROVANE_CONTENT_DIR");
    const std::string saved = old ? old : "";
    ::setenv("ASTROVANE_CONTENT_DIR", root.c_str(), 1);
    auto files = [&](std::initializer_list<const char *> names) {
        fs::remove_all(root);
        fs::create_directories(root / "help");
        for (const char *n : names) std::ofstream(root / "help" / n) << "T\nx\n";
    };
    std::vector<std::string> names;
    std::string error;
    files({"001_b.txt", "000_a.txt", "README.md", "002_c.txt"});
    EXPECT_EQ(help_list_sources(&names, &error), RES_OK) << error;
    EXPECT_EQ(names, (std::vector<std::string>{"000_a.txt", "001_b.txt", "002_c.txt"}));
    const struct {
        std::initializer_list<const char *> files;
        const char *culprit;
    } bad[] = {{{"000_a.txt", "002_c.txt"}, "002_c.txt"},
               {{"001_b.txt"}, "001_b.txt"},
               {{"000_a.txt", "000_b.txt"}, "000_b.txt"},
               {{"000_a.txt", "welcome.txt"}, "welcome.txt"}};
    for (const auto &b : bad) {
        files(b.files);
        EXPECT_EQ(help_list_sources(&names, &error), RES_MALFORMED) << b.culprit;
        EXPECT_NE(error.find(b.culprit), std::string::npos) << error;
    }
    fs::remove_all(root);
    if (old) ::setenv("ASTROVANE_CONTENT_DIR", saved.c_str(), 1);
    else ::unsetenv("ASTROVANE_CONTENT_DIR");
}

}  // namespace
