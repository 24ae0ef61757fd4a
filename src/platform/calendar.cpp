// Calendar: conversions between the minute count and the broken-down date.
#include "platform/calendar.h"

#include "platform/buffer.h"

#include <cstdio>
#include <memory>
#include <limits>
#include <new>

namespace {

constexpr int64_t DAYS_PER_CYCLE  = 146097;   // any 400 consecutive Gregorian years
constexpr int64_t YEARS_PER_CYCLE = 400;

bool is_leap_year(int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int64_t days_in_year(int64_t year) { return is_leap_year(year) ? 366 : 365; }

bool month_valid(int32_t month) { return month >= 1 && month <= 12; }

// The fields a screen prints: a date whose month is out of range (a zeroed record, a stray
// write) is recomputed from its minute count, which is what is saved and always trusted; a
// month that is somehow still out of range prints as "---" and never indexes the names.
Date shown_fields(const Date *date) {
    Date shown = *date;
    if (!month_valid(shown.month)) date_from_minutes(&shown);
    return shown;
}

const char *month_name(int32_t month) { return month_valid(month) ? CALENDAR_MONTH_NAMES[month - 1] : "---"; }

}  // namespace

Date *date_create() { return new (std::nothrow) Date{}; }

void date_free(Date *date) { delete date; }

void date_copy(Date *dest, const Date *source) { *dest = *source; }

int32_t days_in_month(int32_t month, int32_t year) {
    static const int32_t LENGTHS[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && is_leap_year(year) ? 29 : LENGTHS[month - 1];
}

void date_set(Date *date, int32_t year, int32_t month, int32_t day) {
    date->year = year < CALENDAR_FIRST_YEAR ? CALENDAR_FIRST_YEAR : year;
    date->month = month < 1 ? 1 : month > 12 ? 12 : month;
    int32_t length = days_in_month(date->month, date->year);
    date->day = day < 1 ? 1 : day > length ? length : day;
    date->hour = 0;
    date->minute = 0;
    minutes_from_date(date);
}

void minutes_from_date(Date *date) {
    int64_t days = int64_t(date->day) - 1;
    for (int32_t month = 1; month < date->month && month <= 12; ++month)
        days += days_in_month(month, date->year);
    int64_t years = int64_t(date->year) - CALENDAR_FIRST_YEAR;
    if (years > 0) {
        days += years / YEARS_PER_CYCLE * DAYS_PER_CYCLE;
        for (int64_t year = date->year - years % YEARS_PER_CYCLE; year < date->year; ++year)
            days += days_in_year(year);
    }
    int64_t minutes = days * int64_t(MINUTES_PER_DAY) + int64_t(date->hour) * 60 + date->minute;
    date->minutes = static_cast<uint64_t>(minutes);
}

void date_from_minutes(Date *date) {
    uint64_t hours = date->minutes / 60;
    uint64_t days = hours / 24;
    int64_t year = CALENDAR_FIRST_YEAR + int64_t(days / DAYS_PER_CYCLE) * YEARS_PER_CYCLE;
    int64_t day_of_cycle = int64_t(days % DAYS_PER_CYCLE);
    while (day_of_cycle >= days_in_year(year)) {
        day_of_cycle -= days_in_year(year);
        ++year;
    }
    if (year > std::numeric_limits<int32_t>::max()) {
        // Beyond any date the fields can hold: the last minute they can show.
        date->year = std::numeric_limits<int32_t>::max();
        date->month = 12;
        date->day = 31;
        date->hour = 23;
        date->minute = 59;
        return;
    }
    date->year = static_cast<int32_t>(year);
    date->minute = static_cast<int32_t>(date->minutes % 60);
    date->hour = static_cast<int32_t>(hours % 24);
    int32_t month = 1;
    while (month < 12 && day_of_cycle >= days_in_month(month, date->year)) {
        day_of_cycle -= days_in_month(month, date->year);
        ++month;
    }
    date->month = month;
    date->day = static_cast<int32_t>(day_of_cycle) + 1;
}

bool date_same_day(const Date *a, const Date *b) {
    return a->year == b->year && a->month == b->month && a->day == b->day;
}

int32_t date_minutes_between(const Date *a, const Date *b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a->minutes - b->minutes));
}

Result date_write(const Date *date, Buffer *buf) { return buffer_write_u64(buf, date->minutes); }

Result date_read(Date **out, Buffer *buf) {
    uint64_t minutes = 0;
    if (Result r = buffer_read_u64(buf, &minutes); r != RES_OK) return r;
    std::unique_ptr<Date> date(date_create());
    if (!date) return RES_NO_MEMORY;
    date->minutes = minutes;
    date_from_minutes(date.get());
    if (out) *out = date.release();
    return RES_OK;
}

std::string date_format(const Date *source) {
    Date shown = shown_fields(source);
    const Date *date = &shown;
    char text[64];
    std::snprintf(text, sizeof text, "%s %.02i %i", month_name(date->month), date->day, date->year);
    return text;
}

void date_format_into(const Date *date, std::string *field) { *field = date_format(date); }

void date_format_time(const Date *source, std::string *field) {
    Date shown = shown_fields(source);
    const Date *date = &shown;
    char text[80];
    std::snprintf(text, sizeof text, "%s %.02i %i %.02i:%.02i", month_name(date->month), date->day,
                  date->year, date->hour, date->minute);
    *field = text;
}
