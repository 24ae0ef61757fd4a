// The systems family: the source parser, its refusals, and parameter files the game reads back.
#include <gtest/gtest.h>
#include "test_support.h"

#include <fstream>
#include <tuple>
#include "assetgen/family_systems.h"
#include "platform/buffer.h"
#include "platform/files.h"

namespace {

const char *SYSTEMS_SAMPLE = R"(# A sample source.
type          4
name          Test Lance
icon          136
flags         target combat arc subtypes

mass          60
power         12
integrity     40
recharge      2
range         220
arc           90
facing        0
value         8
ap            4
cost          400
round_price   3
rounds        5
load_a        8
load_b        -1
aux_text      Charging  up
shot_text

#        name      | shot | mass | power | value | arc | range | ap | cost | load_a | load_b
subtype  Lance I   |      |   60 |   12  |    8  |  90 |  220  |  4 |  400 |    8   |   0
subtype  Lance II  | bolt |   70 |   14  |   11  |  80 |  230  |  5 |  650 |   11   |   2

description
  First line of a paragraph
  goes on here.

Second paragraph.
)";

class SystemSources : public ::testing::Test {
protected:
    SystemSource src;
    std::string  error;

    Result parse(const std::string &text) { return systems_parse_source(text, "x.txt", &src, &error); }

    // The text with the line beginning `line_start` replaced (removed when `by` is empty).
    static std::string replace_line(std::string text, const std::string &line_start, const std::string &by) {
        const size_t at = text.find("\n" + line_start);
        EXPECT_NE(at, std::string::npos) << line_start;
        if (at == std::string::npos) return text;
        const size_t end = text.find('\n', at + 1);
        text.replace(at + 1, end - at, by.empty() ? "" : by + "\n");
        return text;
    }
    static std::string with(const std::string &line_start, const std::string &by) {
        return replace_line(SYSTEMS_SAMPLE, line_start, by);
    }
};

TEST_F(SystemSources, ASourceBecomesTheTemplateItDescribes) {
    ASSERT_EQ(parse(SYSTEMS_SAMPLE), RES_OK) << error;
    const System &r = src.record;
    EXPECT_EQ(std::tie(r.type, r.name, r.spare, r.recharge_turns, r.round_price, r.rounds_per_reload, r.load_b, r.aux_text,
                       r.shot_text),
              std::make_tuple(4, std::string("Test Lance"), 136, 2, 3, 5, -1, std::string("Charging  up"), std::string()));
    EXPECT_EQ(r.flags, SYSTEM_FLAG_NEEDS_TARGET | SYSTEM_FLAG_COMBAT | SYSTEM_FLAG_ARC | SYSTEM_FLAG_SUBTYPES);
    ASSERT_EQ(r.subtype_count, 2);
    EXPECT_EQ(std::tie(r.subtypes[1].name, r.subtypes[1].shot_text, r.subtypes[1].arc, r.subtypes[1].load_b),
              std::make_tuple(std::string("Lance II"), std::string("bolt"), 80, 2));
    EXPECT_EQ(src.description, "First line of a paragraph goes on here.\nSecond paragraph.");
}

TEST_F(SystemSources, TheEncodedFileReadsBackThroughTheGamesReader) {
    ASSERT_EQ(parse(SYSTEMS_SAMPLE), RES_OK) << error;
    Buffer buf;
    ASSERT_EQ(systems_encode_params(src, &buf), RES_OK);
    System back;
    ASSERT_EQ(system_read_params(&back, &buf), RES_OK);
    EXPECT_EQ(buf.cursor, buf.length);
    EXPECT_EQ(back.flags, src.record.flags);
    EXPECT_EQ(std::tie(back.name, back.spare, back.aux_text, back.subtype_count, back.load_a, back.load_b),
              std::make_tuple(std::string("Test Lance"), 136, std::string("Charging  up"), 2, 8, -1));
    EXPECT_EQ(back.subtypes[1].cost, 650);
}

TEST_F(SystemSources, MistakesAreRefusedWithTheLine) {
    const struct {
        std::string text;
        const char *message;
    } cases[] = {
        {with("power", "power 12.5"), "x.txt:8: \"power\" wants an integer"},
        {with("power", "power 99999999999"), "x.txt:8: \"power\" wants an integer"},
        {with("power", "power"), "x.txt:8: \"power\" wants an integer"},
        {with("power", "powr 12"), "x.txt:8: unknown key \"powr\""},
        {with("power", "mass 12"), "x.txt:8: \"mass\" given twice"},
        {with("power", ""), "missing \"power\""},
        {with("shot_text", ""), "missing \"shot_text\""},
        {with("flags", "flags target combat sparkly subtypes"), "x.txt:5: unknown flag \"sparkly\""},
        {with("flags", "flags target combat"), "x.txt:5: subtype rows without the \"subtypes\" flag"},
        {with("type", "type 30"), "x.txt:2: type outside 0..29"},
        {with("name", "name"), "x.txt:3: empty name"},
        {with("subtype  Lance II", "subtype Lance II | bolt | 70 | 14 | 11 | 80 | 230 | 5 | 650 | 11"),
         "x.txt:26: a subtype row has 11 columns, not 10"},
        {with("subtype  Lance II", "subtype Lance II | bolt | 70 | 14 | 11 | 80 | 230 | 5 | 650 | 11 | x"),
         "x.txt:26: subtype column 11 wants an integer"},
        {with("subtype  Lance II", "subtype | bolt | 70 | 14 | 11 | 80 | 230 | 5 | 650 | 11 | 2"),
         "x.txt:26: a subtype row without a name"},
        {with("description", "description is here"), "the description begins on the next line"},
        {replace_line(with("subtype  Lance I ", ""), "subtype  Lance II", ""),
         "x.txt:5: the \"subtypes\" flag without subtype rows"},
        {std::string(SYSTEMS_SAMPLE).substr(0, std::string(SYSTEMS_SAMPLE).find("description")), "missing description"},
    };
    for (const auto &c : cases) {
        error.clear();
        EXPECT_EQ(parse(c.text), RES_MALFORMED) << c.message;
        EXPECT_NE(error.find(c.message), std::string::npos) << "wanted: " << c.message << "\ngot: " << error;
    }
}

class SystemContentFolder : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override { dir = fresh_test_dir("systems-family"); }

    void write(const std::string &name, const std::string &text) {
        std::ofstream(dir + "/" + name) << text;
    }
    // A minimal valid source of the type.
    static std::string source(int type) {
        return "type " + std::to_string(type) +
               "\nname N\nicon 1\nflags\nmass 1\npower 1\nintegrity 1\nrecharge 0\nrange 0\narc 0\n"
               "facing 0\nvalue 0\nap 0\ncost 1\nround_price 0\nrounds 0\nload_a 0\nload_b 0\naux_text\n"
               "shot_text\ndescription\nD.\n";
    }
};

TEST_F(SystemContentFolder, NeedsEachTypeExactlyOnce) {
    for (int type = 0; type < SYSTEM_TYPE_COUNT; ++type) write("t" + std::to_string(100 + type) + ".txt", source(type));
    write("notes.md", "not a source");
    std::vector<SystemSource> out;
    std::string error;
    ASSERT_EQ(systems_load_content(dir, &out, &error), RES_OK) << error;
    ASSERT_EQ(out.size(), size_t(SYSTEM_TYPE_COUNT));
    for (int type = 0; type < SYSTEM_TYPE_COUNT; ++type) EXPECT_EQ(out[size_t(type)].record.type, type);

    write("t999.txt", source(7));
    EXPECT_EQ(systems_load_content(dir, &out, &error), RES_MALFORMED);
    EXPECT_NE(error.find("type 7 also in"), std::string::npos) << error;

    std::remove((dir + "/t999.txt").c_str());
    std::remove((dir + "/t112.txt").c_str());
    EXPECT_EQ(systems_load_content(dir, &out, &error), RES_MALFORMED);
    EXPECT_NE(error.find("no source for system type 12"), std::string::npos) << error;
}

TEST(SystemFamily, TheGameSourcesCompile) {
    std::vector<SystemSource> out;
    std::string error;
    ASSERT_EQ(systems_load_content(systems_content_folder(), &out, &error), RES_OK) << error;
    for (const SystemSource &source : out) {
        Buffer buf;
        ASSERT_EQ(systems_encode_params(source, &buf), RES_OK) << source.file;
        System back;
        ASSERT_EQ(system_read_params(&back, &buf), RES_OK) << source.file;
        EXPECT_EQ(buf.cursor, buf.length) << source.file;
        EXPECT_EQ(back.name, source.record.name) << source.file;
        EXPECT_EQ(back.subtype_count, source.record.subtype_count) << source.file;
    }
}

TEST(SystemFamily, WritesTheSameBytesEveryTime) {
    const std::string a = fresh_test_dir("systems-family-a");
    ASSERT_EQ(systems_family_generate(a, 1), 0);
    ASSERT_EQ(systems_family_generate(a + "/again", 2), 0);
    std::vector<std::string> paths;
    systems_family_list_paths(&paths);
    for (const std::string &path : paths) {
        const std::vector<uint8_t> first = read_whole(a + "/" + path);
        EXPECT_FALSE(first.empty()) << path;
        EXPECT_EQ(first, read_whole(a + "/again/" + path)) << path;
    }
}

}  // namespace
