// Dates and times as the platform keeps them: a double counting days since 30 December 1899, whose
// fraction is the time of day. Before that day the value is negative and the fraction is still the
// time of day, as an absolute value: -1.25 is 29 December 1899, 06:00. Times decode rounded to the
// millisecond. Text uses fixed English settings.
#pragma once

#include "core/string.h"

#include <array>
#include <cstdint>
#include <functional>

namespace core {

using TDateTime = double;

constexpr int HoursPerDay = 24;
constexpr int MinsPerHour = 60;
constexpr int SecsPerMin = 60;
constexpr int MSecsPerSec = 1000;
constexpr int SecsPerDay = HoursPerDay * MinsPerHour * SecsPerMin;
constexpr int MSecsPerDay = SecsPerDay * MSecsPerSec;
// Days from 1 January 0001 (day 1) to 30 December 1899.
constexpr int DateDelta = 693594;

// A point in time as whole days and milliseconds: Date counts from 1 January 0001 (day 1), Time is
// the milliseconds since midnight.
struct TimeStamp {
    int32_t Time = 0;
    int32_t Date = 0;
};
// Rounds to the millisecond. EConvertError "'<value>' is not a valid date and time" for values that
// are not finite or lie beyond 100 million days.
TimeStamp DateTimeToTimeStamp(TDateTime value);
// EConvertError "'<date>.<time>' is not a valid timestamp" when Date < 1 or Time is not within a day.
TDateTime TimeStampToDateTime(const TimeStamp& stamp);
// Milliseconds since the start of day 0 (a straight time line, also across 30 December 1899).
int64_t TimeStampToMSecs(const TimeStamp& stamp);
TimeStamp MSecsToTimeStamp(int64_t msecs);

bool IsLeapYear(int year);
// 28..31; 0 for a month outside 1..12.
int DaysInAMonth(int year, int month);
int DaysInMonth(int year, int month);
int DaysInMonth(TDateTime value);

// Year 1..9999, month 1..12, day 1..days of that month.
bool TryEncodeDate(int year, int month, int day, TDateTime& value);
TDateTime EncodeDate(int year, int month, int day); // EConvertError "Invalid argument to date encode"
// Hour 0..23, minute and second 0..59, millisecond 0..999.
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& value);
TDateTime EncodeTime(int hour, int min, int sec, int msec); // EConvertError "Invalid argument to time encode"
// Date and time together, with the rule for days before 30 December 1899. Raises the date or the
// time error.
bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec, TDateTime& value);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);

// Days before 1 January 0001 decode as 0/0/0 (and DecodeDate returns false).
bool DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min, int& sec, int& msec);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime value);

// The local time with milliseconds; the test clock when one is set.
TDateTime Now();
TDateTime Date(); // today, 00:00
TDateTime Time(); // the time of day of Now(), on day 0
// The operating system's local clock, never the test clock.
TDateTime SystemNow();
// Replaces the clock behind Now() (an empty function restores the system's); returns the previous
// one. Meant for tests; safe to call while other threads read the clock.
using NowFunction = std::function<TDateTime()>;
NowFunction SetNowFunction(NowFunction clock);

// Arithmetic on the straight time line (correct also before 30 December 1899).
TDateTime IncMilliSecond(TDateTime value, int64_t count = 1);
TDateTime IncSecond(TDateTime value, int64_t count = 1);
TDateTime IncMinute(TDateTime value, int64_t count = 1);
TDateTime IncHour(TDateTime value, int64_t count = 1);
TDateTime IncDay(TDateTime value, int count = 1);
// Whole milliseconds (seconds) between two points, never negative; each point rounded to the
// millisecond first, seconds truncated.
int64_t MilliSecondsBetween(TDateTime now, TDateTime then);
int64_t SecondsBetween(TDateTime now, TDateTime then);

struct DateTimeFormatSettings {
    Char DateSeparator = u'/';
    Char TimeSeparator = u':';
    String ShortDateFormat = u"m/d/yyyy";
    String LongDateFormat = u"dddd, mmmm d, yyyy";
    String ShortTimeFormat = u"h:mm AMPM";
    String LongTimeFormat = u"h:mm:ss AMPM";
    String TimeAMString = u"AM";
    String TimePMString = u"PM";
    std::array<String, 12> ShortMonthNames = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                              u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
    std::array<String, 12> LongMonthNames = {u"January", u"February", u"March",     u"April",
                                             u"May",     u"June",     u"July",      u"August",
                                             u"September", u"October", u"November", u"December"};
    // Sunday first, as DayOfWeek counts.
    std::array<String, 7> ShortDayNames = {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
    std::array<String, 7> LongDayNames = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                          u"Thursday", u"Friday", u"Saturday"};
};
const DateTimeFormatSettings& DefaultDateTimeFormatSettings();

// Formats value by the platform's specifiers (letters in either case):
//   c        short date, then a blank and the long time unless the time is 00:00:00
//   d dd     day without / with leading zero      ddd dddd  short / long day name
//   ddddd    short date format                    dddddd    long date format
//   m mm     month without / with leading zero    mmm mmmm  short / long month name
//            (m and mm right after h or hh, with only non-letters between, are minutes)
//   yy yyyy  two- / four-digit year
//   h hh     hour   n nn  minute   s ss  second   without / with leading zero
//   z zz zzz milliseconds with at least 1 / 2 / 3 digits
//   t tt     short / long time format
//   am/pm    "am" or "pm" in the case written     a/p   "a" or "p"     ampm  TimeAMString / TimePMString
//            (any of them makes h and hh count on a 12-hour clock)
//   aaa aaaa short / long day name
//   / :      the date and time separators
//   '...' "..."  text as it is
// Any other character is copied. An empty format means "c".
String FormatDateTime(StringView format, TDateTime value,
                      const DateTimeFormatSettings& settings = DefaultDateTimeFormatSettings());
String DateTimeToStr(TDateTime value, const DateTimeFormatSettings& settings = DefaultDateTimeFormatSettings());
String DateToStr(TDateTime value, const DateTimeFormatSettings& settings = DefaultDateTimeFormatSettings());
String TimeToStr(TDateTime value, const DateTimeFormatSettings& settings = DefaultDateTimeFormatSettings());

} // namespace core
