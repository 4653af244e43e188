// Date and time encoding, decoding, arithmetic and formatting.
#include "core/datetime.h"

#include "core/exception.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>

namespace core {

namespace {

// Beyond this many days from 30 December 1899 a value is rejected: it keeps every day count and
// millisecond count far inside their integer types.
constexpr double MaxDays = 1e8;

constexpr int CumulativeDays[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366},
};

[[noreturn]] void InvalidDateTime(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    throw EConvertError(u"'" + FromUtf8(text) + u"' is not a valid date and time");
}

} // namespace

// ---- Time stamps ----

TimeStamp DateTimeToTimeStamp(TDateTime value)
{
    if (!std::isfinite(value) || std::fabs(value) > MaxDays)
        InvalidDateTime(value);
    // The whole part is the day, the fraction (taken as a positive amount) the time of that day.
    double days = std::trunc(value);
    int64_t msecs = int64_t(std::nearbyint(std::fabs(value - days) * MSecsPerDay));
    if (msecs >= MSecsPerDay) {
        // Rounded up to midnight: the next day on the time line, whatever the sign.
        msecs = 0;
        days += 1;
    }
    TimeStamp stamp;
    stamp.Date = int32_t(DateDelta + int64_t(days));
    stamp.Time = int32_t(msecs);
    return stamp;
}

TDateTime TimeStampToDateTime(const TimeStamp& stamp)
{
    if (stamp.Date < 1 || stamp.Time < 0 || stamp.Time >= MSecsPerDay)
        throw EConvertError(u"'" + IntToStr(stamp.Date) + u"." + IntToStr(stamp.Time) + u"' is not a valid timestamp");
    const double days = double(stamp.Date) - DateDelta;
    const double time = double(stamp.Time) / MSecsPerDay;
    return days >= 0 ? days + time : days - time;
}

int64_t TimeStampToMSecs(const TimeStamp& stamp)
{
    return int64_t(stamp.Date) * MSecsPerDay + stamp.Time;
}

TimeStamp MSecsToTimeStamp(int64_t msecs)
{
    // Floor division, so that a negative count still gives a time within the day.
    int64_t date = msecs / MSecsPerDay;
    int64_t time = msecs % MSecsPerDay;
    if (time < 0) {
        time += MSecsPerDay;
        --date;
    }
    TimeStamp stamp;
    stamp.Date = int32_t(std::clamp<int64_t>(date, INT32_MIN, INT32_MAX));
    stamp.Time = int32_t(time);
    return stamp;
}

// ---- Calendar ----

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month)
{
    if (month < 1 || month > 12)
        return 0;
    const auto& table = CumulativeDays[IsLeapYear(year) ? 1 : 0];
    return table[month] - table[month - 1];
}

int DaysInMonth(int year, int month)
{
    return DaysInAMonth(year, month);
}

int DaysInMonth(TDateTime value)
{
    int year = 0, month = 0, day = 0;
    DecodeDate(value, year, month, day);
    return DaysInAMonth(year, month);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& value)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
        return false;
    const int64_t y = year - 1;
    const int64_t days = y * 365 + y / 4 - y / 100 + y / 400 + CumulativeDays[IsLeapYear(year) ? 1 : 0][month - 1] + day;
    value = double(days - DateDelta);
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime value = 0;
    if (!TryEncodeDate(year, month, day, value))
        throw EConvertError(u"Invalid argument to date encode");
    return value;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& value)
{
    if (hour < 0 || hour >= HoursPerDay || min < 0 || min >= MinsPerHour || sec < 0 || sec >= SecsPerMin || msec < 0 ||
        msec >= MSecsPerSec)
        return false;
    value = double(((hour * MinsPerHour + min) * SecsPerMin + sec) * MSecsPerSec + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec)
{
    TDateTime value = 0;
    if (!TryEncodeTime(hour, min, sec, msec, value))
        throw EConvertError(u"Invalid argument to time encode");
    return value;
}

bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec, TDateTime& value)
{
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, min, sec, msec, time))
        return false;
    value = date >= 0 ? date + time : date - time;
    return true;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec)
{
    const TDateTime date = EncodeDate(year, month, day);
    const TDateTime time = EncodeTime(hour, min, sec, msec);
    return date >= 0 ? date + time : date - time;
}

namespace {

bool DecodeDays(int32_t stampDate, int& year, int& month, int& day)
{
    if (stampDate <= 0) {
        year = month = day = 0;
        return false;
    }
    constexpr int D1 = 365, D4 = D1 * 4 + 1, D100 = D4 * 25 - 1, D400 = D100 * 4 + 1;
    int t = stampDate - 1;
    int y = 1 + (t / D400) * 400;
    t %= D400;
    int i = t / D100;
    int d = t % D100;
    if (i == 4) { // the last day of a 400-year cycle
        --i;
        d += D100;
    }
    y += i * 100;
    y += (d / D4) * 4;
    d %= D4;
    i = d / D1;
    d %= D1;
    if (i == 4) { // the last day of a leap year
        --i;
        d += D1;
    }
    y += i;
    const auto& table = CumulativeDays[IsLeapYear(y) ? 1 : 0];
    int m = 1;
    while (d >= table[m])
        ++m;
    year = y;
    month = m;
    day = d - table[m - 1] + 1;
    return true;
}

void DecodeMSecs(int32_t stampTime, int& hour, int& min, int& sec, int& msec)
{
    msec = stampTime % MSecsPerSec;
    int rest = stampTime / MSecsPerSec;
    sec = rest % SecsPerMin;
    rest /= SecsPerMin;
    min = rest % MinsPerHour;
    hour = rest / MinsPerHour;
}

int StampDayOfWeek(int32_t stampDate)
{
    return (stampDate % 7 + 7) % 7 + 1;
}

} // namespace

bool DecodeDate(TDateTime value, int& year, int& month, int& day)
{
    return DecodeDays(DateTimeToTimeStamp(value).Date, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec)
{
    DecodeMSecs(DateTimeToTimeStamp(value).Time, hour, min, sec, msec);
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min, int& sec, int& msec)
{
    const TimeStamp stamp = DateTimeToTimeStamp(value);
    DecodeDays(stamp.Date, year, month, day);
    DecodeMSecs(stamp.Time, hour, min, sec, msec);
}

int DayOfWeek(TDateTime value)
{
    return StampDayOfWeek(DateTimeToTimeStamp(value).Date);
}

// ---- Clock ----

namespace {

struct Clock {
    std::mutex lock;
    std::shared_ptr<const NowFunction> function;
    std::atomic<bool> set{false};
};

Clock& TheClock()
{
    static Clock clock;
    return clock;
}

} // namespace

NowFunction SetNowFunction(NowFunction clock)
{
    Clock& c = TheClock();
    std::shared_ptr<const NowFunction> next = clock ? std::make_shared<const NowFunction>(std::move(clock)) : nullptr;
    std::lock_guard guard(c.lock);
    std::shared_ptr<const NowFunction> previous = std::move(c.function);
    c.function = std::move(next);
    c.set.store(c.function != nullptr, std::memory_order_release);
    return previous ? *previous : NowFunction();
}

TDateTime Now()
{
    Clock& c = TheClock();
    if (c.set.load(std::memory_order_acquire)) {
        std::shared_ptr<const NowFunction> function;
        {
            std::lock_guard guard(c.lock);
            function = c.function;
        }
        if (function)
            return (*function)();
    }
    return SystemNow();
}

TDateTime Date()
{
    int year = 0, month = 0, day = 0;
    DecodeDate(Now(), year, month, day);
    TDateTime value = 0;
    TryEncodeDate(year, month, day, value);
    return value;
}

TDateTime Time()
{
    int hour = 0, min = 0, sec = 0, msec = 0;
    DecodeTime(Now(), hour, min, sec, msec);
    return EncodeTime(hour, min, sec, msec);
}

// ---- Arithmetic ----

namespace {

TDateTime AddMSecs(TDateTime value, int64_t count, int64_t unit)
{
    int64_t delta = 0;
    int64_t msecs = TimeStampToMSecs(DateTimeToTimeStamp(value));
    if (__builtin_mul_overflow(count, unit, &delta) || __builtin_add_overflow(msecs, delta, &msecs))
        throw EConvertError(u"Invalid argument to date encode");
    return TimeStampToDateTime(MSecsToTimeStamp(msecs));
}

} // namespace

TDateTime IncMilliSecond(TDateTime value, int64_t count) { return AddMSecs(value, count, 1); }
TDateTime IncSecond(TDateTime value, int64_t count) { return AddMSecs(value, count, MSecsPerSec); }
TDateTime IncMinute(TDateTime value, int64_t count) { return AddMSecs(value, count, int64_t(SecsPerMin) * MSecsPerSec); }
TDateTime IncHour(TDateTime value, int64_t count) { return AddMSecs(value, count, int64_t(MinsPerHour) * SecsPerMin * MSecsPerSec); }
TDateTime IncDay(TDateTime value, int count) { return AddMSecs(value, count, MSecsPerDay); }

int64_t MilliSecondsBetween(TDateTime now, TDateTime then)
{
    const int64_t a = TimeStampToMSecs(DateTimeToTimeStamp(now));
    const int64_t b = TimeStampToMSecs(DateTimeToTimeStamp(then));
    return a >= b ? a - b : b - a;
}

int64_t SecondsBetween(TDateTime now, TDateTime then)
{
    return MilliSecondsBetween(now, then) / MSecsPerSec;
}

// ---- Formatting ----

const DateTimeFormatSettings& DefaultDateTimeFormatSettings()
{
    static const DateTimeFormatSettings settings;
    return settings;
}

namespace {

class Formatter {
public:
    Formatter(TDateTime value, const DateTimeFormatSettings& settings) : m_value(value), m_settings(settings) {}

    // Nested formats (c, t, ddddd, ...) are followed two levels deep, so that a format that names
    // itself cannot recurse without end.
    void Append(StringView format, int level = 0);
    String Take() { return std::move(m_out); }

private:
    const TimeStamp& Stamp()
    {
        if (!m_have_stamp) {
            m_stamp = DateTimeToTimeStamp(m_value);
            m_have_stamp = true;
        }
        return m_stamp;
    }
    void GetDate()
    {
        if (!m_have_date) {
            DecodeDays(Stamp().Date, m_year, m_month, m_day);
            m_have_date = true;
        }
    }
    void GetTime()
    {
        if (!m_have_time) {
            DecodeMSecs(Stamp().Time, m_hour, m_min, m_sec, m_msec);
            m_have_time = true;
        }
    }
    int WeekDay() { return StampDayOfWeek(Stamp().Date); }
    void Number(int value, int digits)
    {
        String text = IntToStr(value);
        if (int(text.size()) < digits)
            m_out.append(size_t(digits) - text.size(), u'0');
        m_out += text;
    }

    TDateTime m_value;
    const DateTimeFormatSettings& m_settings;
    String m_out;
    TimeStamp m_stamp;
    bool m_have_stamp = false, m_have_date = false, m_have_time = false;
    int m_year = 0, m_month = 0, m_day = 0, m_hour = 0, m_min = 0, m_sec = 0, m_msec = 0;
};

Char Upper(Char c)
{
    return c >= u'a' && c <= u'z' ? Char(c - 32) : c;
}

// Case-insensitive: does text at pos start with word (an upper-case ASCII word)?
bool StartsWithNoCase(StringView text, size_t pos, StringView word)
{
    if (text.size() - pos < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (Upper(text[pos + i]) != word[i])
            return false;
    }
    return true;
}

void Formatter::Append(StringView format, int level)
{
    if (level >= 2)
        return;
    const size_t n = format.size();
    size_t i = 0;
    Char lastToken = u' ';
    bool use12Hour = false;
    while (i < n) {
        const Char starter = format[i++];
        Char token = Upper(starter);
        if (token >= u'A' && token <= u'Z') {
            if (token == u'M' && lastToken == u'H')
                token = u'N';
            lastToken = token;
        }
        // The length of the run of the starting character.
        auto count = [&] {
            const size_t start = i;
            while (i < n && format[i] == starter)
                ++i;
            return int(i - start) + 1;
        };
        switch (token) {
        case u'Y': {
            const int c = count();
            GetDate();
            if (c <= 2)
                Number(m_year % 100, 2);
            else
                Number(m_year, 4);
            break;
        }
        case u'M': {
            const int c = count();
            GetDate();
            if (c <= 2)
                Number(m_month, c);
            else if (m_month < 1) // a day before 1 January 0001 has no month name
                break;
            else if (c == 3)
                m_out += m_settings.ShortMonthNames[size_t(m_month - 1)];
            else
                m_out += m_settings.LongMonthNames[size_t(m_month - 1)];
            break;
        }
        case u'D': {
            const int c = count();
            if (c <= 2) {
                GetDate();
                Number(m_day, c);
            } else if (c == 3) {
                m_out += m_settings.ShortDayNames[size_t(WeekDay() - 1)];
            } else if (c == 4) {
                m_out += m_settings.LongDayNames[size_t(WeekDay() - 1)];
            } else if (c == 5) {
                Append(m_settings.ShortDateFormat, level + 1);
            } else {
                Append(m_settings.LongDateFormat, level + 1);
            }
            break;
        }
        case u'H': {
            const int c = count();
            GetTime();
            // A 12-hour marker later in the format (before the next hour, outside quotes) makes
            // this hour a 12-hour one.
            bool quoted = false;
            for (size_t p = i; p < n; ++p) {
                const Char ch = format[p];
                if ((ch == u'A' || ch == u'a') && !quoted) {
                    if (StartsWithNoCase(format, p, u"AM/PM") || StartsWithNoCase(format, p, u"A/P") ||
                        StartsWithNoCase(format, p, u"AMPM"))
                        use12Hour = true;
                    break;
                }
                if (ch == u'H' || ch == u'h')
                    break;
                if (ch == u'\'' || ch == u'"')
                    quoted = !quoted;
            }
            int hour = m_hour;
            if (use12Hour) {
                if (hour == 0)
                    hour = 12;
                else if (hour > 12)
                    hour -= 12;
            }
            Number(hour, c > 2 ? 2 : c);
            break;
        }
        case u'N': {
            const int c = count();
            GetTime();
            Number(m_min, c > 2 ? 2 : c);
            break;
        }
        case u'S': {
            const int c = count();
            GetTime();
            Number(m_sec, c > 2 ? 2 : c);
            break;
        }
        case u'Z': {
            const int c = count();
            GetTime();
            Number(m_msec, c > 3 ? 3 : c);
            break;
        }
        case u'T': {
            const int c = count();
            Append(c == 1 ? m_settings.ShortTimeFormat : m_settings.LongTimeFormat, level + 1);
            break;
        }
        case u'A': {
            const size_t p = i - 1;
            if (StartsWithNoCase(format, p, u"AM/PM")) {
                GetTime();
                m_out += format.substr(m_hour >= 12 ? p + 3 : p, 2);
                i = p + 5;
                use12Hour = true;
            } else if (StartsWithNoCase(format, p, u"A/P")) {
                GetTime();
                m_out += format.substr(m_hour >= 12 ? p + 2 : p, 1);
                i = p + 3;
                use12Hour = true;
            } else if (StartsWithNoCase(format, p, u"AMPM")) {
                GetTime();
                m_out += m_hour < 12 ? m_settings.TimeAMString : m_settings.TimePMString;
                i = p + 4;
                use12Hour = true;
            } else if (StartsWithNoCase(format, p, u"AAAA")) {
                m_out += m_settings.LongDayNames[size_t(WeekDay() - 1)];
                i = p + 4;
            } else if (StartsWithNoCase(format, p, u"AAA")) {
                m_out += m_settings.ShortDayNames[size_t(WeekDay() - 1)];
                i = p + 3;
            } else {
                m_out += starter;
            }
            break;
        }
        case u'C': {
            count();
            Append(m_settings.ShortDateFormat, level + 1);
            GetTime();
            if (m_hour != 0 || m_min != 0 || m_sec != 0) {
                m_out += u' ';
                Append(m_settings.LongTimeFormat, level + 1);
            }
            break;
        }
        case u'/':
            if (m_settings.DateSeparator != 0)
                m_out += m_settings.DateSeparator;
            break;
        case u':':
            if (m_settings.TimeSeparator != 0)
                m_out += m_settings.TimeSeparator;
            break;
        case u'\'':
        case u'"': {
            const size_t start = i;
            while (i < n && format[i] != starter)
                ++i;
            m_out += format.substr(start, i - start);
            if (i < n)
                ++i; // the closing quote
            break;
        }
        default:
            m_out += starter;
            break;
        }
    }
}

} // namespace

String FormatDateTime(StringView format, TDateTime value, const DateTimeFormatSettings& settings)
{
    Formatter formatter(value, settings);
    formatter.Append(format.empty() ? StringView(u"c") : format);
    return formatter.Take();
}

String DateTimeToStr(TDateTime value, const DateTimeFormatSettings& settings)
{
    return FormatDateTime(u"c", value, settings);
}

String DateToStr(TDateTime value, const DateTimeFormatSettings& settings)
{
    return FormatDateTime(u"ddddd", value, settings);
}

String TimeToStr(TDateTime value, const DateTimeFormatSettings& settings)
{
    return FormatDateTime(u"tt", value, settings);
}

} // namespace core
