// Canonical numbers and the sorted phonebook entry list.
#include "dialup/rasent.h"

#include <algorithm>

namespace dialup {

namespace {

std::mutex g_list_mutex;
std::vector<TEntryRec> g_entries;

String Cut(StringView text, size_t maximum) { return String(text.substr(0, std::min(text.size(), maximum))); }

// The sort key of the enumeration list: name, TAB, flags in decimal, TAB, path; compared with the
// ASCII letters folded, like the list it replaces.
String SortLine(const EnumeratedEntry& e)
{
    String line = e.name;
    line += u'\t';
    line += core::UIntToStr(e.flags);
    line += u'\t';
    line += e.phonebook;
    return line;
}

} // namespace

String TrimControls(StringView text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && text[begin] < 33)
        ++begin;
    while (end > begin && text[end - 1] < 33)
        --end;
    return String(text.substr(begin, end - begin));
}

std::vector<TEntryRec> SortEntryRecords(const std::vector<EnumeratedEntry>& records)
{
    std::vector<std::pair<String, const EnumeratedEntry*>> lines;
    for (const EnumeratedEntry& e : records)
        if (!e.name.empty())
            lines.emplace_back(SortLine(e), &e);
    std::stable_sort(lines.begin(), lines.end(),
                     [](const auto& a, const auto& b) { return core::CompareText(a.first, b.first) < 0; });
    std::vector<TEntryRec> out;
    out.reserve(lines.size());
    for (const auto& [line, e] : lines) {
        TEntryRec rec;
        rec.EntryName = e->name;
        rec.PBLocation = static_cast<int>(e->flags);
        rec.Phonebook = e->phonebook;
        out.push_back(std::move(rec));
    }
    return out;
}

void RasResetEntryList()
{
    std::lock_guard lock(g_list_mutex);
    g_entries.clear();
}

void RasSetEntryList(std::vector<TEntryRec> records)
{
    std::lock_guard lock(g_list_mutex);
    g_entries = std::move(records);
}

std::vector<TEntryRec> RasEntryRecs()
{
    std::lock_guard lock(g_list_mutex);
    return g_entries;
}

int RasEntryTot()
{
    std::lock_guard lock(g_list_mutex);
    return static_cast<int>(g_entries.size());
}

String RasGetCanonical(bool useCountryAndAreaCodes, int countryCode, StringView areaCode, StringView localNumber)
{
    if (!useCountryAndAreaCodes)
        return String(localNumber);
    String out = u"+" + core::IntToStr(countryCode) + u" ";
    if (!areaCode.empty()) {
        out += u'(';
        out += areaCode;
        out += u") ";
    }
    out += localNumber;
    return out;
}

void RasUnpackCanonical(StringView canonical, bool& useCountryAndAreaCodes, int& countryCode, String& localNumber,
                        String& areaCode)
{
    useCountryAndAreaCodes = false;
    countryCode = 0;
    localNumber.clear();
    areaCode.clear();
    const String text = TrimControls(canonical);
    if (text.size() <= 1)
        return;
    if (text[0] != u'+') {
        localNumber = text;
        return;
    }
    useCountryAndAreaCodes = true;
    const size_t blank = text.find(u' ');
    // 1-based position above 2: at least one digit between "+" and the blank.
    if (blank != String::npos && blank + 1 > 2)
        countryCode = StrToIntW(StringView(text).substr(1, blank - 1));
    const String rest = TrimControls(Cut(StringView(text).substr(blank == String::npos ? 1 : blank + 1), 99));
    const size_t close = rest.find(u')');
    if (close != String::npos && close + 1 >= 3) {
        areaCode = rest.substr(1, close - 1);
        localNumber = close + 2 < rest.size() ? Cut(StringView(rest).substr(close + 2), 99) : String();
        return;
    }
    areaCode = u" ";
    localNumber = rest;
}

} // namespace dialup
