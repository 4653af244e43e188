// SQLTimeStamp: a date and time as a database hands it over, 16 bytes that sit as they are in a record
// buffer: year (16-bit signed), month, day, hour, minute, second (16-bit unsigned each) and the
// fraction of the second in milliseconds (32-bit unsigned). The all-zero stamp stands for "no date"
// and converts to and from date-time 0.
//
// Text is "yyyy-mm-dd hh:nn:ss", with ".zzz" when there are milliseconds; it reads the date and time
// forms that variants read ("2024-01-31 08:30:00.250", "2024/1/31T8:30", a time alone).
#pragma once

#include "core/datetime.h"
#include "core/string.h"

#include <cstdint>

namespace core {

struct SQLTimeStamp {
    int16_t Year = 0;
    uint16_t Month = 0;
    uint16_t Day = 0;
    uint16_t Hour = 0;
    uint16_t Minute = 0;
    uint16_t Second = 0;
    uint32_t Fractions = 0;

    bool IsNull() const { return Year == 0 && Month == 0 && Day == 0 && Hour == 0 && Minute == 0 && Second == 0 && Fractions == 0; }
};
static_assert(sizeof(SQLTimeStamp) == 16, "the time stamp is 16 bytes in a record");

// Rounds to the millisecond; EConvertError "'<value>' is not a valid date and time" for values
// outside years 1 to 9999.
SQLTimeStamp DateTimeToSQLTimeStamp(TDateTime value);
// The all-zero stamp gives 0. Other stamps must be a valid date and time (milliseconds below 1000),
// or EConvertError "Invalid argument to date encode" / "Invalid argument to time encode".
bool TrySQLTimeStampToDateTime(const SQLTimeStamp& stamp, TDateTime& value);
TDateTime SQLTimeStampToDateTime(const SQLTimeStamp& stamp);

String SQLTimeStampToStr(const SQLTimeStamp& stamp);
bool TryStrToSQLTimeStamp(StringView text, SQLTimeStamp& stamp);
// EConvertError "'<text>' is not a valid date and time".
SQLTimeStamp StrToSQLTimeStamp(StringView text);

// Field by field from the year down: -1, 0 or 1.
int CompareSQLTimeStamp(const SQLTimeStamp& a, const SQLTimeStamp& b);
inline bool operator==(const SQLTimeStamp& a, const SQLTimeStamp& b) { return CompareSQLTimeStamp(a, b) == 0; }
inline bool operator<(const SQLTimeStamp& a, const SQLTimeStamp& b) { return CompareSQLTimeStamp(a, b) < 0; }

} // namespace core
