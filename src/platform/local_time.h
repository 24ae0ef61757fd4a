#pragma once
// Local time: the wall clock as the log lines and save titles show it, and game minutes counted
// in whole days. Any thread.
#include <cstdint>
#include <string>

void    local_time_get(int *year, int *month, int *day, int *hour, int *minute, int *second);
void    format_local_timestamp(std::string *field, int year, int month, int day, int hour,
                               int minute, int second);   // month 0..11; 12-hour clock with AM/PM
int64_t minutes_to_days_ceil(int64_t minutes);

