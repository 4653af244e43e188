// Character tables, text routines and the locale comparison.
#include "support/chartables.h"

#include "core/codepage.h"
#include "core/sync.h"
#include "support/syserror.h"
#include "support/winversion.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

namespace support {

namespace {

struct Tables {
    std::once_flag ansiTypesOnce, ansiCaseOnce, wideTypesOnce, wideCaseOnce;
    uint16_t ansiTypes[256] = {};
    uint8_t ansiCase[768] = {};
    std::unique_ptr<uint16_t[]> wideTypes;
    std::unique_ptr<char16_t[]> wideCase;
};

Tables& T()
{
    static Tables* tables = new Tables();  // lives to the end of the process
    return *tables;
}

} // namespace

void LoadAnsiCharTypes()
{
    std::call_once(T().ansiTypesOnce, [] { chartables_os::AnsiTypes(T().ansiTypes); });
}

void LoadAnsiCaseMap()
{
    std::call_once(T().ansiCaseOnce, [] {
        uint8_t* map = T().ansiCase;
        chartables_os::AnsiCase(map + kAnsiLowerSection, map + kAnsiUpperSection);
        for (int c = 0; c < 256; ++c) {
            const uint8_t lower = map[kAnsiLowerSection + c], upper = map[kAnsiUpperSection + c];
            map[kAnsiSwapSection + c] = lower != c ? lower : upper != c ? upper : uint8_t(c);
        }
    });
}

void LoadWideCharTypes()
{
    std::call_once(T().wideTypesOnce, [] {
        auto types = std::make_unique<uint16_t[]>(65536);
        chartables_os::WideTypes(types.get());
        T().wideTypes = std::move(types);
    });
}

void LoadWideCaseMap()
{
    std::call_once(T().wideCaseOnce, [] {
        auto map = std::make_unique<char16_t[]>(3 * 65536);
        chartables_os::WideCase(map.get() + kWideLowerSection, map.get() + kWideUpperSection);
        for (uint32_t c = 0; c < 65536; ++c) {
            const char16_t lower = map[kWideLowerSection + c], upper = map[kWideUpperSection + c];
            map[kWideSwapSection + c] = lower != c ? lower : upper != c ? upper : char16_t(c);
        }
        T().wideCase = std::move(map);
    });
}

const uint16_t* AnsiCharTypes() { LoadAnsiCharTypes(); return T().ansiTypes; }
const uint8_t* AnsiCaseMap() { LoadAnsiCaseMap(); return T().ansiCase; }
const uint16_t* WideCharTypes() { LoadWideCharTypes(); return T().wideTypes.get(); }
const char16_t* WideCaseMap() { LoadWideCaseMap(); return T().wideCase.get(); }

bool IsAnsiUpperChar(uint8_t c) { return AnsiCharTypes()[c] & kCharUpper; }
bool IsAnsiLowerChar(uint8_t c) { return AnsiCharTypes()[c] & kCharLower; }
bool IsWideUpperChar(char16_t c) { return WideCharTypes()[c] & kCharUpper; }
bool IsWideLowerChar(char16_t c) { return WideCharTypes()[c] & kCharLower; }

bool IsHexDigitChar(char16_t c)
{
    return (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f') || (WideCharTypes()[c] & kCharDigit);
}

// ---- Text routines ----

void MapCaseInPlace(core::String& text, uint32_t section)
{
    const char16_t* map = WideCaseMap() + std::min<uint32_t>(section, kWideSwapSection);
    for (char16_t& c : text)
        c = map[c];
}

void UpperCaseInPlace(core::String& text) { MapCaseInPlace(text, kWideUpperSection); }

core::String UpperCaseCopy(core::StringView text)
{
    core::String copy(text);
    UpperCaseInPlace(copy);
    return copy;
}

core::String ReplaceChar(core::StringView text, char16_t from, char16_t to)
{
    core::String copy(text);
    std::replace(copy.begin(), copy.end(), from, to);
    return copy;
}

void CutAtNul(core::String& text)
{
    const size_t nul = text.find(char16_t(0));
    if (nul != core::String::npos)
        text.resize(nul);
}

int FindText(core::StringView pattern, core::StringView text) { return FindTextFrom(pattern, text, 1); }

int FindTextFrom(core::StringView pattern, core::StringView text, int start)
{
    if (pattern.empty() || text.empty() || start > int(text.size()))
        return 0;
    start = std::max(start, 1);
    const core::String p = UpperCaseCopy(pattern), t = UpperCaseCopy(text.substr(size_t(start - 1)));
    const size_t at = t.find(p);
    return at == core::String::npos ? 0 : int(at) + start;
}

core::String TextBefore(core::StringView pattern, core::StringView text)
{
    const int at = FindText(pattern, text);
    return core::String(at ? text.substr(0, size_t(at - 1)) : text);
}

core::String LeftCopy(core::StringView text, int count)
{
    return core::String(text.substr(0, size_t(std::clamp(count, 0, int(text.size())))));
}

core::String MidCopy(core::StringView text, int start, int count)
{
    if (count <= 0 || start > int(text.size()))
        return {};
    if (start < 1) {
        count += start - 1;
        start = 1;
        if (count <= 0)
            return {};
    }
    return core::String(text.substr(size_t(start - 1), size_t(count)));
}

int CharPosFrom(core::StringView text, char16_t unit, int start)
{
    if (start <= 0 || start > int(text.size()))
        return 0;
    const size_t at = text.find(unit, size_t(start - 1));
    return at == core::StringView::npos ? 0 : int(at) + 1;
}

int LastCharPos(core::StringView text, char16_t unit, int start)
{
    if (start <= 0 || start > int(text.size()))
        return 0;
    for (int i = int(text.size()); i >= start; --i)
        if (text[size_t(i - 1)] == unit)
            return i;
    return 0;
}

// ---- Locale comparison ----

namespace {
std::atomic<bool> g_compare_wide{true};
std::unique_ptr<core::CriticalSection> g_compare_lock;
std::atomic<char> g_replacement{'?'};
} // namespace

void InitTextComparison()
{
    g_compare_wide = CurrentVersionFacts().platform == kPlatformNT;
    if (!g_compare_lock)
        g_compare_lock = std::make_unique<core::CriticalSection>();
}

void FinalizeTextComparison() { g_compare_lock.reset(); }

unsigned LocaleCodePage(uint32_t locale)
{
    const core::String text = core::Trim(chartables_os::LocaleAnsiCodePageText(locale));
    unsigned value = 0;
    bool ok = !text.empty();
    for (char16_t c : text) {
        if (c < u'0' || c > u'9' || value > 100000000u) {
            ok = false;
            break;
        }
        value = value * 10 + unsigned(c - u'0');
    }
    return ok ? value : core::SystemAnsiCodePage();
}

int CompareTextLocale(core::StringView a, core::StringView b, uint32_t locale)
{
    int result = 0;
    if (g_compare_wide) {
        result = chartables_os::CompareWide(a, b, locale);
    } else {
        const unsigned codePage = LocaleCodePage(locale);
        result = chartables_os::CompareAnsi(core::ToAnsi(a, codePage), core::ToAnsi(b, codePage), locale);
    }
    if (result >= 1 && result <= 3)
        return result - 2;
    // The platform could not compare: an ordinal comparison of the upper-cased texts decides, so that
    // callers always get an order.
    const int ordinal = core::CompareStr(UpperCaseCopy(a), UpperCaseCopy(b));
    return ordinal < 0 ? -1 : ordinal > 0 ? 1 : 0;
}

void ReadAnsiReplacementChar()
{
    char c = 0;
    if (!chartables_os::ReplacementChar(c))
        throw ESysInternalError(u"Failed to get ANSI replacement character");
    g_replacement = c;
}

char AnsiReplacementChar() { return g_replacement; }

} // namespace support
