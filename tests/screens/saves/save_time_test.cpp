// The save time on the rows: the local time of saving on a 12-hour dial.
#include <gtest/gtest.h>

#include "screens/saves/save_list.h"

namespace {

std::string at(int hour, int minute) {
    SaveHeader h;
    h.year = 2026, h.month = 11, h.day = 8, h.hour = hour, h.minute = minute, h.second = 7;
    return save_time_text(h);
}

TEST(SaveTimeText, MidnightAndNoonReadTwelveOnEitherSideOfTheDay) {
    EXPECT_EQ(at(0, 5), "2026-12-08 12:05:07 AM");
    EXPECT_EQ(at(12, 5), "2026-12-08 12:05:07 PM");
    EXPECT_EQ(at(11, 59), "2026-12-08 11:59:07 AM");
    EXPECT_EQ(at(13, 5), "2026-12-08 01:05:07 PM");
    EXPECT_EQ(at(23, 0), "2026-12-08 11:00:07 PM");
    EXPECT_EQ(at(1, 0), "2026-12-08 01:00:07 AM");
}

TEST(SaveTimeText, TheStoredMonthCountsFromZero) {
    SaveHeader h;
    h.year = 2027, h.month = 0, h.day = 31, h.hour = 9;
    EXPECT_EQ(save_time_text(h), "2027-01-31 09:00:00 AM");
}

}  // namespace
