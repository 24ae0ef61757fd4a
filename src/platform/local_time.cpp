// The wall clock: local time for logs and save titles, and whole days of game minutes.
#include "platform/local_time.h"

#include <cstdio>
#include <ctime>
#include "platform/calendar.h"

void local_time_get(int *year, int *month, int *day, int *hour, int *minute, int *second) {
    std::time_t now = std::time(nullptr);
    struct tm parts{};
    ::localtime_r(&now, &parts);
    if (year) *year = parts.tm_year + 1900;
    if (month) *month = parts.tm_mon;
    if (day) *day = parts.tm_mday;
    if (hour) *hour = parts.tm_hour;
    if (minute) *minute = parts.tm_min;
    if (second) *second = parts.tm_sec;
}

void format_local_timestamp(std::string *field, int year, int month, int day, int hour, int minute,
                            int second) {
    int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    char text[64];
    std::snprintf(text, sizeof text, "%.4i-%.2i-%.2i %.2i:%.2i:%.2i %s", year, month + 1, day, hour12,
                  minute, second, hour < 12 ? "AM" : "PM");
    *field = text;
}

int64_t minutes_to_days_ceil(int64_t minutes) {
    const int64_t day = int64_t(MINUTES_PER_DAY);
    int64_t days = minutes / day;
    if (minutes % day > 0) ++days;
    return days;
}

