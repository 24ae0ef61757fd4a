#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <utility>
#include <string>
#include <string_view>
#include "platform/str.h"

namespace {

// ---- setters ----

TEST(StrSet, SettersCountTheTerminatorAndRefuseANullField) {
    // Each setter starts from "old"; the count is the length plus the terminator, the length
    // alone for str_set_n with bytes.
    const struct {
        const char *what;
        std::function<int32_t(std::string *)> set;
        int32_t count;
        std::string field;
    } cases[] = {
        {"null source", [](std::string *f) { return str_set(f, nullptr); }, 1, ""},
        {"set", [](std::string *f) { return str_set(f, "Vega"); }, 5, "Vega"},
        {"set_n copies n bytes", [](std::string *f) { return str_set_n(f, "Antares", 3); }, 3, "Ant"},
        {"set_n keeps zero bytes", [](std::string *f) { return str_set_n(f, "a\0b", 3); }, 3, std::string("a\0b", 3)},
        {"set_n of no bytes", [](std::string *f) { return str_set_n(f, "abc", 0); }, 1, ""},
        {"set_n of negative bytes", [](std::string *f) { return str_set_n(f, "abc", -4); }, 1, ""},
        {"trimmed front", [](std::string *f) { return str_set_trimmed(f, "  x"); }, 1, "x"},
        {"trimmed back", [](std::string *f) { return str_set_trimmed(f, "x "); }, 1, "x"},
        {"trimmed both", [](std::string *f) { return str_set_trimmed(f, "\t Sirius Prime\r\n"); }, 12, "Sirius Prime"},
        {"trimmed white space only", [](std::string *f) { return str_set_trimmed(f, "\t \n"); }, 1, ""},
        {"trimmed empty", [](std::string *f) { return str_set_trimmed(f, ""); }, 1, ""},
        {"trimmed null", [](std::string *f) { return str_set_trimmed(f, nullptr); }, 1, ""},
        {"append", [](std::string *f) { return str_append(f, " 7"); }, 5, "old 7"},
        {"append empty", [](std::string *f) { return str_append(f, ""); }, 3, "old"},
        {"append null", [](std::string *f) { return str_append(f, nullptr); }, 3, "old"},
    };
    for (const auto &c : cases) {
        std::string field = "old";
        EXPECT_EQ(c.set(&field), c.count) << c.what;
        EXPECT_EQ(field, c.field) << c.what;
        EXPECT_EQ(c.set(nullptr), -1) << c.what << " into no field";
    }
    EXPECT_EQ(str_printf(nullptr, "%d", 1), -1);
}

// ---- formatting ----

TEST(StrFormat, PrintfReplacesTheFieldAndGrowsPastTheFirstStep) {
    std::string field = "something long that goes away";
    EXPECT_EQ(str_printf(&field, "%.3i.sav", 7), 7);
    EXPECT_EQ(field, "007.sav");
    EXPECT_EQ(str_printf(&field, "%3000d", 5), 3000);
    EXPECT_EQ(field, std::string(2999, ' ') + "5");
}

TEST(StrFormat, LimitIsTwoMebibytesWithTheTerminator) {
    std::string field;
    EXPECT_EQ(str_printf(&field, "%*d", 2097151, 1), 2097151);
    EXPECT_EQ(field.size(), 2097151u);
    EXPECT_EQ(str_printf(&field, "%*d", 2097152, 1), -1);
    EXPECT_EQ(field, "") << "a refused format leaves the field empty";
    field = "keep";
    EXPECT_EQ(str_appendf(&field, "%*d", 2097152, 1), -1);
    EXPECT_EQ(field, "keep") << "a refused append keeps it";
}

TEST(StrFormat, AppendfAddsFormattedTextAndMakersReturnOwnedCopies) {
    std::string field = "Turn";
    EXPECT_EQ(str_appendf(&field, " %d/%s", 12, "2600"), 12);
    EXPECT_EQ(field, "Turn 12/2600");
    EXPECT_EQ(str_appendf(&field, "%s", ""), 12);
    EXPECT_EQ(str_format("%i credits", 450), "450 credits");
    EXPECT_EQ(str_dup(nullptr), "");
    EXPECT_EQ(str_dup("Aft"), "Aft");
    EXPECT_EQ(str_dup_n("Port side", 4), "Port");
    EXPECT_EQ(str_dup_n("Port", 0), "");
    EXPECT_EQ(str_dup_n(nullptr, 3), "");
}

// ---- queries ----

TEST(StrQuery, BlankIsOnlyByte32AndIntegersAllowOneLeadingSign) {
    const std::pair<const char *, int> blanks[] = {{nullptr, -1}, {"", 1}, {"   ", 1}, {" \t ", 0}, {" a", 0}};
    for (const auto &[text, blank] : blanks) EXPECT_EQ(str_is_blank(text), blank) << (text ? text : "null");
    const std::pair<const char *, int> integers[] = {{"-123", 1}, {"+7", 1}, {"1-2", 0}, {"-", 1}, {"", 1},
                                                     {"12a", 0},  {"--1", 0}, {nullptr, 0}};
    for (const auto &[text, integer] : integers) EXPECT_EQ(str_is_integer(text), integer) << (text ? text : "null");
}

TEST(StrQuery, HashIsDjb2OverSignedBytesWrappingInThirtyTwoBits) {
    // "abcd" folds 5381 -> 177670 -> 5863208 -> 193485963 -> 6385036879, which wraps to 2090069583.
    const std::pair<const char *, uint32_t> cases[] = {{"", 5381u}, {nullptr, 5381u}, {"a", 177670u},
                                                       {"ab", 5863208u}, {"\xE9", 177550u}, {"abcd", 2090069583u}};
    for (const auto &[text, hash] : cases) EXPECT_EQ(str_hash(text), hash) << (text ? text : "null");
}

TEST(StrQuery, CaseChangeTouchesOnlyAsciiLetters) {
    EXPECT_EQ(char_to_lower('Q'), 'q');
    EXPECT_EQ(char_to_lower('q'), 'q');
    EXPECT_EQ(char_to_lower('['), '[');
    EXPECT_EQ(char_to_upper('z'), 'Z');
    EXPECT_EQ(char_to_upper('@'), '@');
    EXPECT_EQ(char_to_upper('\xE9'), '\xE9');
}

// ---- search ----

const char *find(std::string_view text, std::string_view pattern) {
    return str_find(text.data(), static_cast<int32_t>(text.size()), pattern.data(),
                    static_cast<int32_t>(pattern.size()));
}

long find_at(std::string_view text, std::string_view pattern) {
    const char *hit = find(text, pattern);
    return hit ? hit - text.data() : -1;
}

TEST(StrFind, FindsTheFirstOccurrenceWithinTheLengthsGiven) {
    const std::pair<const char *, long> in_abracadabra[] = {{"abra", 0}, {"cad", 4}, {"dab", 6}, {"abd", -1}};
    for (const auto &[pattern, at] : in_abracadabra) EXPECT_EQ(find_at("abracadabra", pattern), at) << pattern;
    EXPECT_EQ(find_at("aaaab", "aab"), 2);
    EXPECT_EQ(find_at("ship/001/dat/params.dat", "dat"), 9);
    EXPECT_EQ(find_at("abc", "abc"), 0);
    EXPECT_EQ(find_at("a\xE9\xFF" "b\xFF", "\xFF" "b"), 2) << "high bytes are ordinary bytes";
    EXPECT_EQ(find("ab", "abc"), nullptr);
    EXPECT_EQ(find("abc", ""), nullptr);
    EXPECT_EQ(find("", "a"), nullptr);
    const char text[] = "xxxxneedle";
    EXPECT_EQ(str_find(text, 8, "needle", 6), nullptr) << "the match lies past the given length";
    EXPECT_EQ(str_find(text, 10, "needle", 6), text + 4);
}

TEST(StrFind, AgreesWithPlainSearchOnRandomText) {
    const uint32_t seed = 20260117;
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> letter('a', 'c');
    std::uniform_int_distribution<int> length(1, 6);
    for (int round = 0; round < 2000; ++round) {
        std::string text(static_cast<size_t>(length(gen) * 4), ' ');
        for (char &c : text) c = static_cast<char>(letter(gen));
        std::string pattern(static_cast<size_t>(length(gen)), ' ');
        for (char &c : pattern) c = static_cast<char>(letter(gen));
        const size_t expected = text.find(pattern);
        EXPECT_EQ(find_at(text, pattern), expected == std::string::npos ? -1 : static_cast<long>(expected))
            << "seed " << seed << " text " << text << " pattern " << pattern;
    }
}

TEST(StrFind, NocaseMatchesEitherCase) {
    const std::string_view text = "Hello Wide World";
    auto at = [&](std::string_view pattern) {
        const char *hit = str_find_nocase(text.data(), static_cast<int32_t>(text.size()), pattern.data(),
                                          static_cast<int32_t>(pattern.size()));
        return hit ? hit - text.data() : -1;
    };
    EXPECT_EQ(at("WORLD"), 11);
    EXPECT_EQ(at("wide w"), 6);
    EXPECT_EQ(at("hELLO"), 0);
    EXPECT_EQ(at("worlds"), -1);
    EXPECT_EQ(find_at(text, "WORLD"), -1) << "the plain search keeps case";
}

// ---- wide text ----

TEST(StrWide, WidensByteByByteWithinCapacityAndNarrowsToTheLowByteStoppingAt1023) {
    char16_t wide[8];
    str_to_wide(wide, "save/001", 8);
    EXPECT_EQ(std::u16string(wide), u"save/00");
    str_to_wide(wide, "\xE9", 8);
    EXPECT_EQ(wide[0], 0xE9) << "high bytes map to the same code unit";
    EXPECT_EQ(wide[1], 0);
    char out[STR_WIDE_CAPACITY];
    str_from_wide(out, u"A\u0142z");
    EXPECT_EQ(std::string(out), "A\x42z");
    std::u16string longer(1500, u'x');
    str_from_wide(out, longer.c_str());
    EXPECT_EQ(std::string(out).size(), 1023u);
}

}  // namespace
