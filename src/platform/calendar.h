#pragma once
// Calendar: game time as minutes since 2600-01-01 00:00 on the Gregorian calendar.
//  - A Date carries the 64-bit minute count and its broken-down year, month (1..12), day,
//    hour and minute. Only the count is saved (a big-endian u64); the fields are recomputed.
//  - Conversions skip whole 400-year cycles (146,097 days) before walking years, so any count,
//    even a corrupt one, converts at once. A count past the last day of the year 2,147,483,647
//    gives the fields of that day's last minute.
//  - No shared state; a Date belongs to its owner's thread.
//  - Result codes: date_read gives RES_SHORT_BUFFER or RES_NO_MEMORY; date_write RES_NO_MEMORY.
#include <cstdint>
#include <string>
#include "platform/result.h"

struct Buffer;

constexpr int32_t  CALENDAR_FIRST_YEAR = 2600;
constexpr uint64_t MINUTES_PER_DAY     = 1440;

// The months' short names, January first.
inline constexpr const char *const CALENDAR_MONTH_NAMES[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct Date {
    uint64_t minutes = 0;   // since 2600-01-01 00:00
    int32_t  year = 0;      // 2600 or later
    int32_t  month = 0;     // 1..12
    int32_t  day = 0;       // 1..31
    int32_t  hour = 0;      // 0..23
    int32_t  minute = 0;    // 0..59
};

Date   *date_create();                            // zeroed; null when out of memory
void    date_free(Date *date);
void    date_copy(Date *dest, const Date *source);
int32_t days_in_month(int32_t month, int32_t year);   // 0 for a month outside 1..12
// Year raised to at least 2600, month clamped to 1..12, day to the month; 00:00; minutes set.
void    date_set(Date *date, int32_t year, int32_t month, int32_t day);
void    minutes_from_date(Date *date);            // fields -> minutes
void    date_from_minutes(Date *date);            // minutes -> fields
bool    date_same_day(const Date *a, const Date *b);
int32_t date_minutes_between(const Date *a, const Date *b);   // low 32 bits of a - b
Result  date_write(const Date *date, Buffer *buf);
// Reads a minute count into a new Date with its fields, stored through out (freed when out is
// null); nothing is stored on failure.
Result  date_read(Date **out, Buffer *buf);
// The one text of a date for every screen. A month outside 1..12 is recomputed from the minute
// count first (so a zeroed Date reads as the first day of 2600); one still outside prints "---".
std::string date_format(const Date *date);                     // "Mar 01 2670"
void    date_format_into(const Date *date, std::string *field);
void    date_format_time(const Date *date, std::string *field);   // "Mar 01 2670 07:05"
