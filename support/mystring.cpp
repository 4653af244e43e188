// The utility interface: strings .. strings4.
#include "support/mystring.h"

#include "core/codepage.h"
#include "core/convert.h"
#include "core/fileio.h"
#include "core/path.h"
#include "core/stream.h"
#include "core/stringlist.h"
#include "support/base64.h"
#include "support/httpget.h"
#include "support/jsonreader.h"
#include "support/sysutil.h"

#include <chrono>
#include <limits>
#include <random>

namespace support {

using core::String;
using core::StringView;

namespace {

// Command lines that start with one of these name the launcher itself.
constexpr StringView LauncherPrefixes[] = {u"rundll32.exe "};

constexpr int MaxKeyDepth = 512;  // deeper than the registry allows: a guard against linked loops

template <size_t N>
std::array<String, N> SplitInto(StringView text, StringView separator)
{
    std::array<String, N> parts;
    std::vector<String> pieces = SplitText(text, separator);
    for (size_t i = 0; i < N && i < pieces.size(); ++i)
        parts[i] = std::move(pieces[i]);
    return parts;
}

bool BeginsWith(StringView text, StringView prefix) { return text.substr(0, prefix.size()) == prefix; }

String Expand(StringView text)
{
    String expanded;
    return ExpandEnvironmentText(text, expanded) ? core::Trim(expanded) : String(text);
}

// "c:" of "c:\dir", "\\server\share" of "\\server\share\dir"; "" otherwise.
String ExtractFileDrive(StringView path)
{
    if (path.size() >= 2 && path[1] == u':')
        return String(path.substr(0, 2));
    const auto isDelimiter = [](char16_t c) { return c == u'\\' || c == u'/'; };
    if (path.size() >= 2 && isDelimiter(path[0]) && isDelimiter(path[1])) {
        size_t at = 2;
        int delimiters = 0;
        while (at < path.size()) {
            if (isDelimiter(path[at]) && ++delimiters == 2)
                break;
            ++at;
        }
        return String(path.substr(0, at));
    }
    return String();
}

// The short date format's order of day, month and year, from the letters of the pattern.
struct DateOrder {
    int day = 1, month = 0, year = 2;  // m/d/yyyy
};

DateOrder ShortDateOrder(StringView pattern)
{
    DateOrder order;
    int next = 0;
    bool seen[3] = {false, false, false};
    for (char16_t c : pattern) {
        const char16_t lower = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
        int* slot = lower == u'd' ? &order.day : lower == u'm' ? &order.month : lower == u'y' ? &order.year : nullptr;
        const int which = lower == u'd' ? 0 : lower == u'm' ? 1 : 2;
        if (slot && !seen[which]) {
            seen[which] = true;
            *slot = next++;
        }
    }
    if (next != 3)
        return DateOrder();
    return order;
}

bool TryParseShortDate(StringView text, core::TDateTime& value)
{
    const core::DateTimeFormatSettings& settings = core::DefaultDateTimeFormatSettings();
    const String trimmed = core::Trim(text);
    std::vector<int> numbers;
    size_t at = 0;
    while (at <= trimmed.size()) {
        size_t end = trimmed.find(settings.DateSeparator, at);
        if (end == String::npos)
            end = trimmed.size();
        const StringView piece = StringView(trimmed).substr(at, end - at);
        if (piece.empty() || piece.size() > 4 || numbers.size() == 3)
            return false;
        int number = 0;
        for (char16_t c : piece) {
            if (c < u'0' || c > u'9')
                return false;
            number = number * 10 + (c - u'0');
        }
        numbers.push_back(number);
        at = end + 1;
    }
    if (numbers.size() < 2)
        return false;
    int year = 0, month = 0, day = 0;
    core::DecodeDate(core::Date(), year, month, day);
    const int currentYear = year;
    DateOrder order = ShortDateOrder(settings.ShortDateFormat);
    if (numbers.size() == 2) {
        // Without a year: this year, day and month in the pattern's order.
        const bool monthFirst = order.month < order.day;
        month = numbers[monthFirst ? 0 : 1];
        day = numbers[monthFirst ? 1 : 0];
    } else {
        day = numbers[size_t(order.day)];
        month = numbers[size_t(order.month)];
        year = numbers[size_t(order.year)];
        if (year < 100) {
            // Two-digit years fall within the 100 years that start 50 years ago.
            const int window = currentYear - 50;
            year += window / 100 * 100;
            if (year < window)
                year += 100;
        }
    }
    return core::TryEncodeDate(year, month, day, value);
}

std::mt19937& DigitGenerator()
{
    // Our own generator, so that drawing digits neither reseeds nor races with anybody else's.
    thread_local std::mt19937 generator(
        std::random_device{}() ^ uint32_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    return generator;
}

void WalkKeys(Registry& registry, const String& key, core::Strings& list, int depth)
{
    if (depth > MaxKeyDepth)
        return;
    const String absolute = u"\\" + (BeginsWith(key, u"\\") ? key.substr(1) : key);
    if (!registry.OpenKeyReadOnly(absolute))
        return;
    core::StringList names;
    registry.GetKeyNames(names);
    registry.CloseKey();
    for (int i = 0; i < names.Count(); ++i) {
        const String child = key + u"\\" + names[i];
        list.Add(child);
        WalkKeys(registry, child, list, depth + 1);
    }
}

} // namespace

std::vector<String> SplitText(StringView text, StringView separator)
{
    std::vector<String> pieces;
    size_t start = 0;
    if (!separator.empty()) {
        for (size_t found = text.find(separator); found != StringView::npos;
             found = text.find(separator, start)) {
            if (found > start)
                pieces.emplace_back(text.substr(start, found - start));
            start = found + separator.size();
        }
    }
    pieces.emplace_back(text.substr(start));
    return pieces;
}

// ---- strings ------------------------------------------------------------------------------------

strings::strings() = default;

strings::strings(int32_t value) : f_string(core::IntToStr(value)) {}

strings::strings(String value) : f_string(std::move(value)) {}

strings::~strings() = default;

String strings::Keep(String result, bool store)
{
    if (store)
        f_string = result;
    return result;
}

void strings::SaveBackup() { f_backup = f_string; }

void strings::RestoreBackup() { f_string = f_backup; }

String strings::FormatNow(StringView format, bool store)
{
    return Keep(core::FormatDateTime(format, core::Now()), store);
}

String strings::GetWindowsDir(bool store) { return Keep(GetEnvironmentText(u"windir"), store); }

String strings::ExtractExePath(bool store)
{
    const String entry = f_string;
    f_string = core::AnsiLowerCase(core::Trim(f_string));
    const String text = f_string;
    for (StringView prefix : LauncherPrefixes) {
        if (!prefix.empty() && BeginsWith(text, prefix)) {
            if (!store)
                f_string = entry;
            return String(prefix);
        }
    }

    String result = text;
    const auto found = [&] { return core::FileExists(result); };
    do {
        if (found())
            break;
        result = Expand(text);
        if (found())
            break;
        if (BeginsWith(text, u"\""))
            result = Expand(SplitInto<5>(StringView(text).substr(1), u"\"")[0]);
        else
            result = core::Trim(SplitInto<5>(text, u" ")[0]);
        if (found())
            break;
        String first = core::Trim(SplitInto<5>(core::Trim(entry), u" ")[0]);
        if (BeginsWith(first, u"\""))
            first.erase(0, 1);
        if (!first.empty() && first.back() == u'"')
            first.pop_back();
        result = Expand(first);
        if (found())
            break;
        const Parts5 dotted = SplitInto<5>(entry, u".");
        result = dotted[0] + u"." + SplitInto<5>(dotted[1], u" ")[0];
    } while (false);

    f_string = entry;
    return Keep(result, store);
}

void strings::DebugPrint(StringView text) { DebugOutput(u"strings: " + String(text)); }

String strings::ExpandEnvironment(bool store) { return Keep(Expand(f_string), store); }

int32_t strings::ToInteger()
{
    int32_t value = 0;
    return core::TryStrToInt(f_string, value) ? value : 0;
}

int64_t strings::ToInt64()
{
    int64_t value = 0;
    return core::TryStrToInt64(f_string, value) ? value : 0;
}

String strings::SubString(int index, int count)
{
    if (index <= 0)
        index = int(std::min<int64_t>(int64_t(index) + int64_t(f_string.size()) + 1, std::numeric_limits<int>::max()));
    return core::Copy(f_string, index, count);
}

String strings::LeftPart(int count) { return SubString(1, count); }

String strings::RightPart(int count)
{
    // -count without overflow: a count of INT_MIN asks for nothing anyway.
    return count <= 0 ? String() : SubString(-count, count);
}

int strings::PosOf(StringView sub, int offset) { return core::Pos(sub, f_string, offset <= 0 ? 1 : offset); }

Parts5 strings::Split5(StringView separator) { return SplitInto<5>(f_string, separator); }

Parts10 strings::Split10(StringView separator) { return SplitInto<10>(f_string, separator); }

Parts20 strings::Split20(StringView separator) { return SplitInto<20>(f_string, separator); }

std::unique_ptr<core::StringList> strings::SplitToList(StringView separator)
{
    if (separator.empty())
        return nullptr;
    auto list = std::make_unique<core::StringList>();
    list->BeginUpdate();
    for (String& piece : SplitText(f_string, separator))
        list->Add(piece);
    list->EndUpdate();
    return list;
}

String strings::GetText() { return f_string; }

void strings::SetText(StringView value) { f_string.assign(value); }

String strings::Replace(StringView oldText, StringView newText, unsigned flags, bool store)
{
    return Keep(core::StringReplace(f_string, oldText, newText, flags), store);
}

String strings::Lower(bool store) { return Keep(core::AnsiLowerCase(f_string), store); }

String strings::Upper(bool store) { return Keep(core::AnsiUpperCase(f_string), store); }

bool strings::StartsWith(StringView prefix) { return BeginsWith(f_string, prefix); }

bool strings::EndsWith(StringView suffix)
{
    return !suffix.empty() && f_string.size() >= suffix.size() &&
           StringView(f_string).substr(f_string.size() - suffix.size()) == suffix;
}

String strings::ReplaceSuffix(std::span<const String> suffixes, StringView newSuffix, bool store)
{
    for (const String& suffix : suffixes) {
        if (EndsWith(suffix))
            return Keep(f_string.substr(0, f_string.size() - suffix.size()) + String(newSuffix), store);
    }
    return f_string;
}

bool strings::EqualsText(StringView value, uint8_t ignoreCase)
{
    if (ignoreCase == 1)
        return core::AnsiLowerCase(f_string) == core::AnsiLowerCase(value);
    return f_string == value;
}

String strings::FirstChar(bool remove)
{
    if (f_string.empty())
        return String();
    String result(1, f_string.front());
    if (remove)
        f_string.erase(0, 1);
    return result;
}

String strings::Prepend(StringView prefix, bool store) { return Keep(String(prefix) + f_string, store); }

String strings::LastChar(bool remove)
{
    if (f_string.empty())
        return String();
    String result(1, f_string.back());
    if (remove)
        f_string.pop_back();
    return result;
}

String strings::DeleteChars(int index, int count)
{
    if (index >= 1 && size_t(index) <= f_string.size() && count > 0)
        f_string.erase(size_t(index - 1), size_t(count));
    return f_string;
}

String strings::Append(StringView suffix, bool store) { return Keep(f_string + String(suffix), store); }

String strings::Reverse(bool store)
{
    String result(f_string.rbegin(), f_string.rend());
    // Reversing code units puts the low half of a pair first; turn each pair back.
    for (size_t i = 0; i + 1 < result.size(); ++i) {
        if (result[i] >= 0xDC00 && result[i] <= 0xDFFF && result[i + 1] >= 0xD800 && result[i + 1] <= 0xDBFF) {
            std::swap(result[i], result[i + 1]);
            ++i;
        }
    }
    return Keep(std::move(result), store);
}

String strings::FromInteger(int32_t value)
{
    f_string = core::IntToStr(value);
    return f_string;
}

String strings::RepeatText(int count, bool store)
{
    String result;
    if (count > 0 && !f_string.empty()) {
        if (f_string.size() > size_t(std::numeric_limits<int32_t>::max()) / size_t(count))
            throw core::EOutOfMemory(u"Out of memory");
        result.reserve(f_string.size() * size_t(count));
        for (int i = 0; i < count; ++i)
            result += f_string;
    }
    return Keep(std::move(result), store);
}

String strings::RandomDigits(int count, bool store)
{
    String result;
    if (count > 0) {
        result.reserve(size_t(count));
        std::uniform_int_distribution<int> digit(0, 9);
        std::mt19937& generator = DigitGenerator();
        for (int i = 0; i < count; ++i)
            result.push_back(char16_t(u'0' + digit(generator)));
    }
    return Keep(std::move(result), store);
}

String strings::Quote(StringView mark, bool store) { return Keep(String(mark) + f_string + String(mark), store); }

core::TDateTime strings::ToDate()
{
    core::TDateTime value = 0;
    return TryParseShortDate(f_string, value) ? value : 0;
}

String strings::HttpGet(const String& url, bool store)
{
    HttpGetOptions options;
    options.ReadTimeoutMs = m_http_read_timeout;
    return Keep(HttpGetText(url, options), store);
}

String strings::FromAnsiBuffer(const char* p, bool store)
{
    String result;
    for (const char* at = p; at && *at; ++at)
        result.push_back(char16_t(static_cast<unsigned char>(*at)));
    return Keep(std::move(result), store);
}

String strings::ByteDigits(const char16_t* p, bool store)
{
    String result;
    if (p) {
        size_t length = 0;
        while (p[length])
            ++length;
        result.reserve(length);
        for (size_t i = 0; i < length; ++i) {
            const char16_t unit = p[i / 2];
            const unsigned byte = i % 2 == 0 ? unit & 0xFFu : unit >> 8;
            result.push_back(core::UIntToStr(byte).front());
        }
    }
    return Keep(std::move(result), store);
}

bool strings::IsGuid() { return IsClassIdText(f_string); }

String strings::TrimText(bool store) { return Keep(core::Trim(f_string), store); }

int strings::TextLength() { return int(f_string.size()); }

String strings::GetFileName() { return core::ExtractFileName(f_string); }

String strings::GetFileExt() { return core::ExtractFileExt(f_string); }

String strings::GetFilePath() { return core::ExtractFilePath(f_string); }

String strings::GetFileDrive()
{
    String lowered = core::AnsiLowerCase(f_string);
    if (BeginsWith(lowered, u"file://"))
        lowered.erase(0, 7);
    return ExtractFileDrive(lowered);
}

String strings::GetShortPath() { return ShortPathName(f_string); }

bool strings::IsExistingFile(const String& path) { return core::FileExists(path.empty() ? f_string : path); }

String strings::DecodeBase64(bool store)
{
    return Keep(core::FromAnsi(Base64Decode(core::ToAnsi(f_string))), store);
}

// ---- strings2 -----------------------------------------------------------------------------------

strings2::~strings2() = default;

bool strings2::LoadFromFile(const String& fileName)
{
    if (!core::FileExists(fileName))
        return false;
    try {
        core::StringList lines;
        lines.LoadFromFile(fileName);
        f_string = core::Trim(lines.Text());
        return true;
    } catch (const core::Exception&) {
        return false;
    }
}

void strings2::SaveToFile(const String& fileName)
{
    core::StringList lines;
    lines.SetText(f_string);
    lines.SaveToFile(fileName, core::TextEncoding::Ansi);
}

String strings2::LoadFromResource(std::uintptr_t instance, const String& resName, const String& resType)
{
    core::StringStream bytes(LoadResourceBytes(instance, resName, resType));
    core::StringList lines;
    lines.LoadFromStream(bytes);
    return lines.Text();
}

// ---- strings3 -----------------------------------------------------------------------------------

strings3::~strings3() = default;

core::Ref<IJsonObject> strings3::ParseJson()
{
    // A text that does not parse (or a parser that fails) leaves the last parsed value in f_so.
    try {
        core::Ref<IJsonObject> json = ParseJsonText(f_string);
        if (json)
            f_so = json;
        return json;
    } catch (const std::exception&) {
        return nullptr;
    }
}

// ---- strings4 -----------------------------------------------------------------------------------

// Every constructor makes the registry object, so that no way of making a strings4 leaves the
// registry operations without one.
strings4::strings4() : f_reg(std::make_unique<Registry>()), f_root(f_reg->RootKey()) {}

strings4::strings4(int32_t value) : strings3(value), f_reg(std::make_unique<Registry>()), f_root(f_reg->RootKey()) {}

strings4::strings4(String value)
    : strings3(std::move(value)), f_reg(std::make_unique<Registry>()), f_root(f_reg->RootKey())
{
}

strings4::~strings4() = default;

void strings4::SetRootKey(RegistryRoot root)
{
    f_reg->SetRootKey(root);
    f_root = root;
}

void strings4::SetKeyPrefix(StringView prefix) { f_prekey.assign(prefix); }

bool strings4::SetValueName(StringView name)
{
    f_name.assign(name);
    return false;
}

void strings4::OpenKey(StringView key, bool canCreate)
{
    f_key.assign(key);
    f_reg->CloseKey();
    if (f_key.empty()) {
        f_reg->OpenKey(f_prekey, canCreate);
        return;
    }
    if (f_key.front() == u'\\')
        f_key.erase(0, 1);
    f_reg->OpenKey(f_prekey + u"\\" + f_key, canCreate);
}

void strings4::WriteInteger(int32_t value) { f_reg->WriteInteger(f_name, value); }

void strings4::WriteString(StringView value) { f_reg->WriteString(f_name, String(value)); }

void strings4::WriteBool(bool value) { f_reg->WriteBool(f_name, value); }

void strings4::WriteDateTime(core::TDateTime value) { f_reg->WriteDateTime(f_name, value); }

String strings4::ReadString(bool store)
{
    String result;
    if (f_name.empty() || f_reg->ValueExists(f_name))
        result = f_reg->ReadString(f_name);
    return Keep(std::move(result), store);
}

String strings4::ReadBinary(bool store)
{
    constexpr int Limit = 256;
    String result;
    try {
        if (f_name.empty() || f_reg->ValueExists(f_name)) {
            const int size = f_reg->GetDataSize(f_name);
            if (size >= 0 && size <= Limit) {
                unsigned char buffer[Limit] = {};
                const int got = f_reg->ReadBinaryData(f_name, buffer, Limit);
                for (int i = 0; i + 1 < got; i += 2) {
                    const char16_t c = char16_t(buffer[i] | (buffer[i + 1] << 8));
                    if (c == 0)
                        break;
                    result.push_back(c);
                }
            }
        }
    } catch (...) {
        result.clear();
    }
    return Keep(std::move(result), store);
}

int32_t strings4::ReadInteger() { return f_reg->ValueExists(f_name) ? f_reg->ReadInteger(f_name) : 0; }

bool strings4::ReadBool() { return f_reg->ValueExists(f_name) && f_reg->ReadBool(f_name); }

core::TDateTime strings4::ReadDateTime() { return f_reg->ValueExists(f_name) ? f_reg->ReadDateTime(f_name) : 0; }

bool strings4::DeleteKey(StringView key) { return f_reg->DeleteKey(String(key)); }

bool strings4::DeleteValue() { return f_reg->DeleteValue(f_name); }

String strings4::GetKeyPath() { return f_key.empty() ? f_prekey : f_prekey + u"\\" + f_key; }

void strings4::CloseKey() { f_reg->CloseKey(); }

bool strings4::HasSubKeys() { return f_reg->HasSubKeys(); }

bool strings4::KeyExists(StringView key) { return f_reg->KeyExists(String(key)); }

bool strings4::ValueExists(StringView name) { return f_reg->ValueExists(String(name)); }

void strings4::SetLazyWrite(bool value) { f_reg->SetLazyWrite(value); }

void strings4::GetKeyNames(core::Strings& list) { f_reg->GetKeyNames(list); }

void strings4::ListKeysRecursive(core::Strings& list, StringView key, RegistryRoot root)
{
    Registry registry(root);
    WalkKeys(registry, String(key), list, 0);
}

void strings4::GetValueNames(core::Strings& list) { f_reg->GetValueNames(list); }

void strings4::SaveKey() { f_bkey = f_key; }

void strings4::RestoreKey() { f_key = f_bkey; }

} // namespace support
