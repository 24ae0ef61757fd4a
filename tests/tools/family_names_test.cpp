// The names family: the block format, the name-list checks, and the records compiler, whose bytes
// the game's own entry reader reads back.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>
#include "assetgen/content_source.h"
#include "assetgen/family_names.h"
#include "game/records.h"
#include "platform/buffer.h"

namespace {

// ---- the block format ----

TEST(ContentBlocks, HeadersFieldsCommentsAndLineNumbers) {
    std::vector<ContentBlock> blocks;
    std::string error;
    ASSERT_EQ(content_parse_blocks("# top\n\n[ one 1 ]\na = b = c\n  key=  spaced value  \n[two]\nempty =\n", "x.txt",
                                   &blocks, &error),
              RES_OK)
        << error;
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].header, "one 1");
    EXPECT_EQ(blocks[0].line, 3);
    ASSERT_EQ(blocks[0].fields.size(), 2u);
    EXPECT_EQ(blocks[0].fields[0].key, "a");
    EXPECT_EQ(blocks[0].fields[0].value, "b = c");
    EXPECT_EQ(blocks[0].fields[1].value, "spaced value");
    EXPECT_EQ(blocks[0].fields[1].line, 5);
    EXPECT_EQ(blocks[1].fields[0].value, "");
}

TEST(ContentBlocks, RefusalsNameTheFileAndLine) {
    std::vector<ContentBlock> blocks;
    std::string error;
    EXPECT_EQ(content_parse_blocks("key = 1\n", "a.txt", &blocks, &error), RES_MALFORMED);
    EXPECT_EQ(error.rfind("a.txt:1: ", 0), 0u) << error;
    EXPECT_EQ(content_parse_blocks("[b]\n\njust words\n", "b.txt", &blocks, &error), RES_MALFORMED);
    EXPECT_EQ(error.rfind("b.txt:3: ", 0), 0u) << error;
    EXPECT_EQ(content_parse_blocks("[open\n", "c.txt", &blocks, &error), RES_MALFORMED);
    EXPECT_EQ(content_parse_blocks("[c]\n= 4\n", "d.txt", &blocks, &error), RES_MALFORMED);
}

TEST(ContentBlocks, IntegersOnly) {
    std::vector<int32_t> v;
    EXPECT_EQ(content_parse_ints(" -3 4\t2147483647 -2147483648 ", &v), RES_OK);
    EXPECT_EQ(v, (std::vector<int32_t>{-3, 4, 2147483647, -2147483647 - 1}));
    EXPECT_EQ(content_parse_ints("", &v), RES_OK);
    EXPECT_TRUE(v.empty());
    EXPECT_EQ(content_parse_ints("1 x", &v), RES_MALFORMED);
    EXPECT_EQ(content_parse_ints("2147483648", &v), RES_MALFORMED);
    EXPECT_EQ(content_parse_ints("3.5", &v), RES_MALFORMED);
}

// ---- name lists ----

TEST(NameListCheck, AcceptsOneNamePerLineAndRefusesWhatWouldDealBadly) {
    std::string error;
    EXPECT_EQ(names_check_list("Ann\r\nBob\r\nCy", "n.txt", &error), RES_OK) << error;
    EXPECT_EQ(names_check_list("Two Words\n", "n.txt", &error), RES_OK) << error;
    const struct {
        const char *text, *where;
    } bad[] = {{"Ann\nBob\nAnn\n", "n.txt:3"}, {"Ann\n\nBob\n", "n.txt:2"}, {"Ann \n", "n.txt"}, {"", "n.txt"}};
    for (const auto &b : bad) {
        EXPECT_EQ(names_check_list(b.text, "n.txt", &error), RES_MALFORMED) << b.text;
        EXPECT_NE(error.find(b.where), std::string::npos) << error;
    }
}

// ---- records ----

const char *DEFAULTS = R"([defaults]
tuning = 1 2 3 4
attack_fleet_radius = 5
template_weights = 10 11 12 13 14 15 16 17 18
system_weights = 20 21 22 23 24 25 26 27 28 29 30 31 32 33 34 35 36 37 38 39 40 41 42 43 44 45 46 47 48 49
weapon_first_chance = 50
armour_bonus_chance = 51
extra_tuning = 60 61 62
task_weights = 70 71 72 73 74 75 76 77 78 79 80 81 82 83 84 85 86 87 88 89 90 91 92 93
commander_reassign_penalty = 100
galaxy_reassign_penalty = 101
commander_full_task_bonus = 102
galaxy_full_task_bonus = 103
courage = 104
extra_selections = 105
tuning_t0 = 106
design_target = 107
design_lifetime = 108 109
late_tuning = 110 111 112
personality = 113 114
)";

class RecordsCompiler : public ::testing::Test {
protected:
    Result compile(const std::string &records) {
        buffer_clear(&out);
        buffer_set_cursor(&out, 0);
        return names_compile_records(std::string(DEFAULTS) + records, "r.txt", &out, &error);
    }
    PlayerRecord *next() {
        PlayerRecord *r = nullptr;
        EXPECT_EQ(player_record_read(&r, &out), RES_OK);
        return r;
    }
    Buffer out;
    std::string error;
};

TEST_F(RecordsCompiler, EntriesReadBackThroughTheGameReader) {
    ASSERT_EQ(compile("[record 7]\nkind = computer\nname = Seven Corp\ntext = Motto\nstats = 1 2 3 4 5 6 7 8 9 "
                      "18446744073709551615\n"
                      "[record 1]\nkind = human\nname = Me\ntext =\ncourage = 9\nextra_tuning =\n"),
              RES_OK)
        << error;
    uint32_t count = 0;
    ASSERT_EQ(buffer_read_u32(&out, &count), RES_OK);
    ASSERT_EQ(count, 2u);

    PlayerRecord *a = next();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(std::tie(a->id, a->kind, a->name, a->text), std::make_tuple(7ull, 1, std::string("Seven Corp"), std::string("Motto")));
    EXPECT_EQ(a->stats[0], 1u);
    EXPECT_EQ(a->stats[9], 18446744073709551615ull);
    // Every field of [defaults] lands in its own place.
    EXPECT_EQ(std::vector<int32_t>({a->combat_pilot_pct, a->strike_margin_pct, a->attack_fleet_radius,
                                    a->template_weights[8], a->system_weights[0], a->system_weights[29],
                                    a->weapon_first_chance, a->armour_bonus_chance, a->task_weights[0],
                                    a->task_weights[23]}),
              std::vector<int32_t>({1, 4, 5, 18, 20, 49, 50, 51, 70, 93}));
    EXPECT_EQ(a->extra_tuning, (std::vector<int32_t>{60, 61, 62}));
    EXPECT_EQ(std::vector<int32_t>({a->commander_reassign_penalty, a->galaxy_reassign_penalty, a->commander_full_task_bonus,
                                    a->galaxy_full_task_bonus, a->courage, a->extra_selections, a->research_queue_limit,
                                    a->design_target, a->design_lifetime_min, a->design_lifetime_max, a->shipyard_pct,
                                    a->training_site_pct, a->personality_min, a->personality_max}),
              std::vector<int32_t>({100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 112, 113, 114}));

    PlayerRecord *b = next();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->id, 1u);
    EXPECT_EQ(b->kind, 0);
    EXPECT_EQ(b->text, "");
    EXPECT_EQ(b->courage, 9);                 // its own value
    EXPECT_EQ(b->design_target, 107);         // the default
    EXPECT_TRUE(b->extra_tuning.empty());
    for (uint64_t s : b->stats) EXPECT_EQ(s, 0u);
    EXPECT_EQ(out.cursor, out.length);
    player_record_free(a);
    player_record_free(b);
}

TEST_F(RecordsCompiler, RefusesBrokenRecordsSayingWhy) {
    const std::string ok = "kind = human\nname = A\ntext =\n";
    const struct {
        std::string text;
        const char *why;
    } bad[] = {
        {"[record 2]\n" + ok + "[record 2]\n" + ok, "defined twice"},
        {"[record 0]\n" + ok, "non-zero id"},
        {"[record x]\n" + ok, "non-zero id"},
        {"[record 3]\nname = No kind\ntext =\n", "needs kind, name and text"},
        {"[record 3]\nkind = human\nname = A\n", "needs kind, name and text"},
        {"[record 3]\nkind = robot\nname = A\ntext =\n", "kind is"},
        {"[record 3]\n" + ok + "courage = 1 2\n", "1 values expected, 2 given"},
        {"[record 3]\n" + ok + "courage = brave\n", "integers expected"},
        {"[record 3]\n" + ok + "bravery = 3\n", "unknown field \"bravery\""},
        {"[record 3]\n" + ok + "stats = 1 2 3\n", "stats: 10"},
        {"[record 3]\n" + ok + "[defaults]\ncourage = 1\n", "one [defaults] block"},
        {"", "no records"},
    };
    for (const auto &b : bad) {
        EXPECT_EQ(compile(b.text), RES_MALFORMED) << b.why;
        EXPECT_EQ(error.rfind("r.txt", 0), 0u) << error;
        EXPECT_NE(error.find(b.why), std::string::npos) << "wanted \"" << b.why << "\", got " << error;
    }
}

TEST_F(RecordsCompiler, EveryPersonalityGroupMustBeGiven) {
    std::string error2;
    Buffer buf;
    EXPECT_EQ(names_compile_records("[defaults]\ncourage = 1\n[record 1]\nkind = human\nname = A\ntext =\n", "r.txt",
                                    &buf, &error2),
              RES_MALFORMED);
    EXPECT_NE(error2.find("tuning"), std::string::npos) << error2;
}

}  // namespace
