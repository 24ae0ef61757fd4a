// Calendar: leap years, month boundaries, clamping, formatting, and conversions of huge counts.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>
#include <initializer_list>
#include <string>

#include "platform/buffer.h"
#include "platform/calendar.h"

namespace {

constexpr uint64_t DAY = MINUTES_PER_DAY;

Date from_minutes(uint64_t minutes) {
    Date date;
    date.minutes = minutes;
    date_from_minutes(&date);
    return date;
}

Date make_date(int32_t year, int32_t month, int32_t day, int32_t hour = 0, int32_t minute = 0) {
    Date date;
    date_set(&date, year, month, day);
    date.hour = hour;
    date.minute = minute;
    minutes_from_date(&date);
    return date;
}

std::string time_text(const Date &date) {
    std::string text;
    date_format_time(&date, &text);
    return text;
}

// --- month lengths and leap years -----------------------------------------------------------

TEST(CalendarMonths, LengthsWithGregorianLeapYearsNoneOutsideTheYearAndYearsOfTheirSum) {
    const int32_t lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int32_t month = 1; month <= 12; ++month)
        EXPECT_EQ(days_in_month(month, 2601), lengths[month - 1]) << month;
    // February: leap every fourth year, not every hundredth, but every four hundredth.
    const struct {
        int32_t year, days;
    } februaries[] = {{2600, 28}, {2603, 28}, {2604, 29}, {2700, 28}, {2800, 29}, {2900, 28}, {3000, 28}, {3200, 29}};
    for (const auto &f : februaries) EXPECT_EQ(days_in_month(2, f.year), f.days) << f.year;
    for (int32_t month : {0, 13, -1}) EXPECT_EQ(days_in_month(month, 2604), 0) << month;
    EXPECT_EQ(make_date(2601, 1, 1).minutes, 365 * DAY);
    EXPECT_EQ(make_date(2605, 1, 1).minutes - make_date(2604, 1, 1).minutes, 366 * DAY);
    EXPECT_EQ(make_date(2801, 1, 1).minutes - make_date(2800, 1, 1).minutes, 366 * DAY);
    EXPECT_EQ(make_date(2701, 1, 1).minutes - make_date(2700, 1, 1).minutes, 365 * DAY);
    EXPECT_EQ(make_date(3000, 1, 1).minutes, 146097 * DAY) << "one 400-year cycle";
}

// --- conversions ----------------------------------------------------------------------------

TEST(CalendarConversion, MinuteCountsGiveTheirDates) {
    const struct { uint64_t minutes; const char *text; } cases[] = {
        {0, "Jan 01 2600 00:00"},
        {58 * DAY, "Feb 28 2600 00:00"},
        {59 * DAY, "Mar 01 2600 00:00"},   // 2600 is no leap year
        {make_date(2604, 2, 29, 23, 59).minutes, "Feb 29 2604 23:59"},
        {make_date(2604, 2, 29, 23, 59).minutes + 1, "Mar 01 2604 00:00"},
        {(70 * 365 + 17) * DAY, "Jan 01 2670 00:00"},   // new games: 70 years with 17 leap years
    };
    for (const auto &c : cases) EXPECT_EQ(time_text(from_minutes(c.minutes)), c.text) << c.minutes;
    EXPECT_EQ(make_date(2670, 1, 1).minutes, 36816480u);
}

TEST(CalendarConversion, NewYearFollowsTheLastMinuteOfEveryYear) {
    for (int32_t year = 2600; year < 3401; ++year) {
        const uint64_t last = make_date(year, 12, 31, 23, 59).minutes;
        ASSERT_EQ(time_text(from_minutes(last)), "Dec 31 " + std::to_string(year) + " 23:59");
        ASSERT_EQ(time_text(from_minutes(last + 1)), "Jan 01 " + std::to_string(year + 1) + " 00:00");
    }
}

// Each 400-year cycle holds 146,097 days: the conversion skips whole cycles, so the days around
// a cycle's edge must read the same in every cycle, and convert back to the same count.
TEST(CalendarCycles, DaysAroundEveryCycleEdgeReadTheSameAndConvertBack) {
    const uint64_t cycle = 146097 * DAY;
    const struct {
        int64_t offset;
        const char *text;   // in the cycle from 2600
    } cases[] = {{-2 * 1440 - 1, "Dec 29 2599 23:59"}, {-1, "Dec 31 2599 23:59"}, {0, "Jan 01 2600 00:00"},
                 {1, "Jan 01 2600 00:01"}, {59 * 1440, "Mar 01 2600 00:00"}, {366 * 1440 - 1, "Jan 01 2601 23:59"}};
    for (uint64_t k = 0; k < 6; ++k)
        for (const auto &c : cases) {
            if (k == 0 && c.offset < 0) continue;
            const uint64_t minutes = uint64_t(int64_t(k * cycle) + c.offset);
            Date date = from_minutes(minutes);
            std::string text = c.text;
            const int year = std::stoi(text.substr(7, 4)) + int(400 * k);
            EXPECT_EQ(time_text(date), text.substr(0, 7) + std::to_string(year) + text.substr(11)) << minutes;
            minutes_from_date(&date);
            EXPECT_EQ(date.minutes, minutes);
        }
}

TEST(CalendarCycles, HugeCountConvertsAtOnce) {
    auto start = std::chrono::steady_clock::now();
    Date far = make_date(2000000000, 7, 14, 12, 30);
    Date back = from_minutes(far.minutes);
    EXPECT_EQ(time_text(back), "Jul 14 2000000000 12:30");
    Date last = make_date(INT32_MAX, 12, 31, 23, 59);
    EXPECT_EQ(time_text(from_minutes(last.minutes)), "Dec 31 2147483647 23:59");
    Date corrupt = from_minutes(UINT64_MAX);
    EXPECT_EQ(corrupt.minutes, UINT64_MAX);
    EXPECT_EQ(time_text(corrupt), "Dec 31 2147483647 23:59") << "past the last year: its last minute";
    EXPECT_EQ(time_text(from_minutes(last.minutes + 1)), "Dec 31 2147483647 23:59");
    auto elapsed = std::chrono::steady_clock::now() - start;
    // A guard against a walk over the years (it would take hours), not a speed test.
    EXPECT_LT(elapsed, std::chrono::seconds(2));
}

// --- setting and comparing ------------------------------------------------------------------

TEST(CalendarSet, ClampsYearMonthAndDay) {
    Date date = make_date(2500, 13, 40);
    EXPECT_EQ(time_text(date), "Dec 31 2600 00:00");
    EXPECT_EQ(date.minutes, 364 * DAY);
    date_set(&date, 2601, 2, 30);
    EXPECT_EQ(date.month, 2);
    EXPECT_EQ(date.day, 28);
    date_set(&date, 2604, 0, -3);
    EXPECT_EQ(date_format(&date), "Jan 01 2604");
}

TEST(CalendarSet, SameDayIgnoresTheTimeAndMinutesBetweenKeepsTheLow32Bits) {
    Date morning = make_date(2670, 3, 1, 6, 0);
    Date evening = make_date(2670, 3, 1, 23, 59);
    Date next = make_date(2670, 3, 2);
    EXPECT_TRUE(date_same_day(&morning, &evening));
    EXPECT_FALSE(date_same_day(&evening, &next));
    Date a = from_minutes(5 * DAY);
    Date b = from_minutes(6 * DAY);
    EXPECT_EQ(date_minutes_between(&b, &a), 1440);
    EXPECT_EQ(date_minutes_between(&a, &b), -1440);
    Date far = from_minutes((1ull << 32) + 7);
    Date zero = from_minutes(0);
    EXPECT_EQ(date_minutes_between(&far, &zero), 7);
}

TEST(CalendarFormat, DayHasTwoDigitsAndTimeIsPadded) {
    Date date = make_date(2670, 3, 1, 7, 5);
    EXPECT_EQ(date_format(&date), "Mar 01 2670");
    std::string field = "old text";
    date_format_into(&date, &field);
    EXPECT_EQ(field, "Mar 01 2670");
    EXPECT_EQ(time_text(date), "Mar 01 2670 07:05");
    EXPECT_EQ(time_text(make_date(2671, 10, 25, 13, 40)), "Oct 25 2671 13:40");
}

TEST(CalendarFormat, MonthOutOfRangeIsRecomputedFromTheMinuteCount) {
    // A freshly created Date has every field zero: it reads as the first minute, not as a
    // month name looked up at index -1.
    Date *zeroed = date_create();
    ASSERT_NE(zeroed, nullptr);
    EXPECT_EQ(date_format(zeroed), "Jan 01 2600");
    date_free(zeroed);

    // Broken fields over a sound count: every field shown comes from the count, in both texts.
    Date broken = make_date(2671, 10, 25, 13, 40);
    for (int32_t month : {0, -1, 13, 1 << 30}) {
        Date date = broken;
        date.month = month;
        date.day = 99;
        date.year = 7;
        EXPECT_EQ(date_format(&date), "Oct 25 2671") << month;
        EXPECT_EQ(time_text(date), "Oct 25 2671 13:40") << month;
        // The caller's record is left as it was.
        EXPECT_EQ(date.month, month);
    }
}

// --- saved form ---------------------------------------------------------------------------

TEST(CalendarSavedForm, MinuteCountAsBigEndianU64ThatReadsBackIntoTheFields) {
    Buffer buf;
    Date date = from_minutes(0x0000000102030405ull);
    ASSERT_EQ(date_write(&date, &buf), RES_OK);
    EXPECT_EQ(std::vector<uint8_t>(buf.data, buf.data + buf.length), (std::vector<uint8_t>{0, 0, 0, 1, 2, 3, 4, 5}));
    buffer_clear(&buf);
    buffer_set_cursor(&buf, 0);
    date = make_date(2688, 2, 29, 17, 3);
    ASSERT_EQ(date_write(&date, &buf), RES_OK);
    Date *loaded = nullptr;
    ASSERT_EQ(date_read(&loaded, &buf), RES_OK);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->minutes, date.minutes);
    EXPECT_EQ(time_text(*loaded), "Feb 29 2688 17:03");
    date_free(loaded);
    buffer_set_cursor(&buf, 0);
    EXPECT_EQ(date_read(nullptr, &buf), RES_OK);
    EXPECT_EQ(buf.cursor, 8);
    buffer_set_cursor(&buf, 0);
    buffer_truncate(&buf, 7);
    Date untouched;
    loaded = &untouched;
    EXPECT_EQ(date_read(&loaded, &buf), RES_SHORT_BUFFER);
    EXPECT_EQ(loaded, &untouched);
}

}  // namespace
