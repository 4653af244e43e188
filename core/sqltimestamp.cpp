// SQL time stamps: conversions through the date-time value, whose rules for days before
// 30 December 1899 live in one place (datetime.cpp).
#include "core/sqltimestamp.h"

#include "core/convert.h"
#include "core/exception.h"
#include "core/variant.h"

namespace core {

namespace {

void AppendNumber(String& text, unsigned value, int width)
{
    String digits = UIntToStr(value);
    if (int(digits.size()) < width)
        text.append(size_t(width) - digits.size(), u'0');
    text += digits;
}

template<class T>
int Order(T a, T b)
{
    return a < b ? -1 : b < a ? 1 : 0;
}

} // namespace

SQLTimeStamp DateTimeToSQLTimeStamp(TDateTime value)
{
    // Rounded to the millisecond first, so that 23:59:59.9996 becomes the next day, not 24:00.
    const TimeStamp rounded = DateTimeToTimeStamp(value);
    const TDateTime exact = TimeStampToDateTime(rounded);
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    if (!DecodeDate(exact, year, month, day) || year > 9999)
        throw EConvertError(u"'" + FloatToStr(value) + u"' is not a valid date and time");
    DecodeTime(exact, hour, minute, second, msec);
    SQLTimeStamp stamp;
    stamp.Year = int16_t(year);
    stamp.Month = uint16_t(month);
    stamp.Day = uint16_t(day);
    stamp.Hour = uint16_t(hour);
    stamp.Minute = uint16_t(minute);
    stamp.Second = uint16_t(second);
    stamp.Fractions = uint32_t(msec);
    return stamp;
}

bool TrySQLTimeStampToDateTime(const SQLTimeStamp& stamp, TDateTime& value)
{
    if (stamp.IsNull()) {
        value = 0;
        return true;
    }
    return stamp.Fractions < 1000 &&
        TryEncodeDateTime(stamp.Year, stamp.Month, stamp.Day, stamp.Hour, stamp.Minute, stamp.Second,
                          int(stamp.Fractions), value);
}

TDateTime SQLTimeStampToDateTime(const SQLTimeStamp& stamp)
{
    if (stamp.IsNull())
        return 0;
    if (stamp.Fractions >= 1000)
        throw EConvertError(u"Invalid argument to time encode");
    return EncodeDateTime(stamp.Year, stamp.Month, stamp.Day, stamp.Hour, stamp.Minute, stamp.Second,
                          int(stamp.Fractions));
}

String SQLTimeStampToStr(const SQLTimeStamp& stamp)
{
    String text;
    if (stamp.Year < 0)
        text += u'-';
    AppendNumber(text, unsigned(stamp.Year < 0 ? -stamp.Year : stamp.Year), 4);
    text += u'-';
    AppendNumber(text, stamp.Month, 2);
    text += u'-';
    AppendNumber(text, stamp.Day, 2);
    text += u' ';
    AppendNumber(text, stamp.Hour, 2);
    text += u':';
    AppendNumber(text, stamp.Minute, 2);
    text += u':';
    AppendNumber(text, stamp.Second, 2);
    if (stamp.Fractions) {
        text += u'.';
        AppendNumber(text, stamp.Fractions, 3);
    }
    return text;
}

bool TryStrToSQLTimeStamp(StringView text, SQLTimeStamp& stamp)
{
    try {
        stamp = DateTimeToSQLTimeStamp(Variant(String(text)).AsDateTime());
        return true;
    } catch (const Exception&) {
        return false;
    }
}

SQLTimeStamp StrToSQLTimeStamp(StringView text)
{
    SQLTimeStamp stamp;
    if (!TryStrToSQLTimeStamp(text, stamp))
        throw EConvertError(u"'" + String(text) + u"' is not a valid date and time");
    return stamp;
}

int CompareSQLTimeStamp(const SQLTimeStamp& a, const SQLTimeStamp& b)
{
    if (int o = Order(a.Year, b.Year)) return o;
    if (int o = Order(a.Month, b.Month)) return o;
    if (int o = Order(a.Day, b.Day)) return o;
    if (int o = Order(a.Hour, b.Hour)) return o;
    if (int o = Order(a.Minute, b.Minute)) return o;
    if (int o = Order(a.Second, b.Second)) return o;
    return Order(a.Fractions, b.Fractions);
}

} // namespace core
