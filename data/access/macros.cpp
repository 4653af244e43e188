// Macros and their collection.
#include "data/access/macros.h"

#include "core/codepage.h"
#include "core/convert.h"
#include "core/exception.h"
#include "core/format.h"
#include "data/dataset/dbtypes.h"
#include "data/storage/memutils.h"

#include <atomic>

namespace data {

namespace {

std::atomic<Char> g_macro_char{u'&'};

constexpr Char kMacroNotFound[] = u"Macro %s not found";

// The locale's date (in the order of its short date format) with an optional time of hours, minutes,
// optional seconds and an optional AM/PM mark: the text DateTimeToStr writes.
core::TDateTime TextToDateTime(StringView input)
{
    const core::DateTimeFormatSettings& settings = core::DefaultDateTimeFormatSettings();
    const String text = core::Trim(input);
    const auto fail = [&]() -> core::TDateTime {
        throw core::EConvertError(core::Format(u"'%s' is not a valid date and time", {StringView(text)}));
    };
    size_t pos = 0;
    const auto number = [&](int& value) {
        const size_t start = pos;
        value = 0;
        while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9' && pos - start < 4)
            value = value * 10 + (text[pos++] - u'0');
        return pos > start;
    };
    const auto skip = [&](Char c) {
        if (pos < text.size() && text[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    };

    // The order of day, month and year as the short date format names them.
    String order;
    for (Char c : settings.ShortDateFormat) {
        const Char lower = Char(c | 0x20);
        if ((lower == u'd' || lower == u'm' || lower == u'y') && order.find(lower) == String::npos)
            order += lower;
    }
    if (order.size() != 3)
        order = u"mdy";
    int parts[3] = {};
    for (int i = 0; i < 3; ++i)
        if (!number(parts[i]) || (i < 2 && !skip(settings.DateSeparator)))
            fail();
    int day = 0, month = 0, year = 0;
    for (int i = 0; i < 3; ++i)
        (order[size_t(i)] == u'd' ? day : order[size_t(i)] == u'm' ? month : year) = parts[i];
    if (year < 100)
        year += 2000;
    core::TDateTime result = 0;
    if (!core::TryEncodeDate(year, month, day, result))
        fail();

    while (skip(u' ')) {
    }
    if (pos == text.size())
        return result;
    int hour = 0, minute = 0, second = 0;
    if (!number(hour) || !skip(settings.TimeSeparator) || !number(minute))
        fail();
    if (skip(settings.TimeSeparator) && !number(second))
        fail();
    while (skip(u' ')) {
    }
    const StringView rest = StringView(text).substr(pos);
    if (!rest.empty()) {
        const bool am = core::AnsiSameText(rest, settings.TimeAMString);
        if ((!am && !core::AnsiSameText(rest, settings.TimePMString)) || hour < 1 || hour > 12)
            fail();
        hour = hour % 12 + (am ? 0 : 12);
    }
    core::TDateTime time = 0;
    if (!core::TryEncodeTime(hour, minute, second, 0, time))
        fail();
    return result + (result < 0 ? -time : time);
}

} // namespace

Char MacroChar() { return g_macro_char.load(std::memory_order_relaxed); }
void SetMacroChar(Char value) { g_macro_char.store(value, std::memory_order_relaxed); }
void InitMacrosUnit() { SetMacroChar(u'&'); }

TSQLParserClass DefaultSQLParserClass()
{
    return [](StringView Text) { return std::make_unique<TSQLParser>(Text); };
}

bool SQLRefersToMacro(StringView SQL, StringView Name)
{
    String wanted(1, MacroChar());
    wanted += Name;
    return SQL.find(wanted) != StringView::npos;
}

// ---- TMacro ----

TMacro::TMacro(core::Collection* collection) : core::CollectionItem(collection) {}

void TMacro::SetValue(StringView value)
{
    if (FValue == value)
        return;
    FValue = String(value);
    Changed(false);
}

void TMacro::SetActive(bool value)
{
    if (FActive == value)
        return;
    FActive = value;
    Changed(false);
}

String TMacro::AsString() const
{
    String text = core::Trim(FValue);
    if (!text.empty() && text.front() == u'\'')
        text.erase(0, 1);
    if (!text.empty() && text.back() == u'\'')
        text.pop_back();
    return text;
}

void TMacro::SetAsString(StringView value)
{
    SetValue(u"'" + String(value) + u"'");
}

core::TDateTime TMacro::AsDateTime() const { return TextToDateTime(AsString()); }
void TMacro::SetAsDateTime(core::TDateTime value) { SetValue(u"'" + core::DateTimeToStr(value) + u"'"); }
double TMacro::AsFloat() const { return core::StrToFloat(FValue); }
void TMacro::SetAsFloat(double value) { SetValue(core::FloatToStr(value)); }
int32_t TMacro::AsInteger() const { return core::StrToInt(FValue); }
void TMacro::SetAsInteger(int32_t value) { SetValue(core::IntToStr(value)); }

String TMacro::DisplayName() const
{
    return FName.empty() ? core::CollectionItem::DisplayName() : FName;
}

void TMacro::AssignTo(core::Persistent& dest) const
{
    auto* macro = dynamic_cast<TMacro*>(&dest);
    if (!macro) {
        core::CollectionItem::AssignTo(dest);
        return;
    }
    macro->SetName(FName);
    macro->SetValue(FValue);
    macro->SetActive(FActive);
}

// ---- TMacros ----

// A stretch of the text: a reference (Name set) or text copied as it is.
struct TMacros::Reference {
    size_t begin = 0, end = 0;
    bool isReference = false;
    String name;
};

TMacros::TMacros(core::Persistent* Owner)
    : core::Collection([](core::Collection* c) { return new TMacro(c); }, Owner),
      FParserClass(DefaultSQLParserClass())
{
}

void TMacros::SetParserClass(TSQLParserClass Value)
{
    FParserClass = Value ? std::move(Value) : DefaultSQLParserClass();
}

std::vector<TMacros::Reference> TMacros::References(StringView SQL, bool QuotedString) const
{
    struct Lexem {
        int code;
        String text;
        size_t end;
    };
    std::unique_ptr<TSQLParser> parser = FParserClass(SQL);
    parser->SetOmitBlank(false);
    parser->SetUppered(false);
    parser->SetQuotedString(QuotedString);
    std::vector<Lexem> lexems;
    for (;;) {
        Lexem lexem;
        lexem.code = parser->GetNext(lexem.text);
        if (lexem.code == LexemEnd)
            break;
        lexem.end = size_t(parser->CurrPos());
        lexems.push_back(std::move(lexem));
    }

    const Char macroChar = MacroChar();
    const auto isWord = [](int code) { return code == LexemIdent || code >= 100; };
    const auto isName = [&](int code) {
        return isWord(code) || (code == LexemNumber && parser->IsNumericMacroNameAllowed());
    };
    std::vector<Reference> result;
    size_t begin = 0;
    const auto emit = [&](size_t last, bool isReference, String name) {
        result.push_back({begin, lexems[last].end, isReference, std::move(name)});
        begin = lexems[last].end;
    };
    for (size_t i = 0; i < lexems.size();) {
        const Lexem& lexem = lexems[i];
        const bool starts = lexem.text.size() == 1 && lexem.text[0] == macroChar && parser->IsMacroAllowed(lexem.code);
        if (!starts || i + 1 == lexems.size()) {
            emit(i++, false, {});
            continue;
        }
        const Lexem& next = lexems[i + 1];
        if (!isName(next.code)) {
            // The character and what follows it stay as they are.
            emit(i + 1, false, {});
            i += 2;
            continue;
        }
        String name = next.text;
        size_t last = i + 1;
        if (next.code == LexemNumber && last + 1 < lexems.size() && isWord(lexems[last + 1].code))
            name += lexems[++last].text;
        emit(last, true, std::move(name));
        i = last + 1;
    }
    return result;
}

void TMacros::Scan(StringView SQL)
{
    if (SQL.find(MacroChar()) == StringView::npos) {
        Clear();
        return;
    }
    TMacros scanned(nullptr);
    scanned.FParserClass = FParserClass;
    scanned.BeginUpdate();
    for (const Reference& part : References(SQL, false)) {
        if (!part.isReference || scanned.FindMacro(part.name))
            continue;
        TMacro* macro = scanned.Add<TMacro>();
        macro->FName = part.name;
        if (const TMacro* old = FindMacro(part.name)) {
            macro->FValue = old->FValue;
            macro->FActive = old->FActive;
        }
    }
    scanned.EndUpdate();
    if (!IsEqual(scanned))
        Assign(scanned);
}

void TMacros::Expand(String& SQL) const
{
    if (SQL.find(MacroChar()) == String::npos)
        return;  // no reference: the text stays as it is, unscanned
    String result;
    result.reserve(SQL.size());
    for (const Reference& part : References(SQL, true)) {
        if (!part.isReference)
            result.append(SQL, part.begin, part.end - part.begin);
        else if (const TMacro* macro = FindMacro(part.name))
            result += GetMacroValue(*macro);
    }
    SQL = std::move(result);
}

TMacro* TMacros::FindMacro(StringView Value) const
{
    for (int i = 0; i < Count(); ++i)
        if (StrSameNoCase(Items(i)->Name(), Value))
            return Items(i);
    return nullptr;
}

TMacro* TMacros::MacroByName(StringView Value) const
{
    TMacro* macro = FindMacro(Value);
    if (!macro)
        DatabaseErrorFmt(kMacroNotFound, Value);
    return macro;
}

void TMacros::AssignValues(const TMacros& Value)
{
    for (int i = 0; i < Value.Count(); ++i)
        if (TMacro* macro = FindMacro(Value.Items(i)->Name()))
            macro->Assign(*Value.Items(i));
}

bool TMacros::IsEqual(const TMacros& Value) const
{
    if (&Value == this)
        return true;
    if (Count() != Value.Count())
        return false;
    for (int i = 0; i < Count(); ++i) {
        const TMacro& a = *Items(i);
        const TMacro& b = *Value.Items(i);
        if (a.FName != b.FName || a.FValue != b.FValue || a.FActive != b.FActive)
            return false;
    }
    return true;
}

String TMacros::GetMacroValue(const TMacro& Macro) const
{
    return Macro.Active() ? Macro.Value() : String();
}

void TMacros::Update(core::CollectionItem* item)
{
    core::Collection::Update(item);
    if (auto* owner = dynamic_cast<IMacrosOwner*>(Owner()))
        owner->MacrosChanged(*this, static_cast<TMacro*>(item));
}

std::vector<ui::BinaryProperty> TMacros::BinaryProperties()
{
    ui::BinaryProperty data;
    data.name = u"Data";
    data.read = [this](core::Stream& bytes) { ReadData(bytes); };
    data.write = [](core::Stream&) {};
    data.stored = false;
    return {std::move(data)};
}

// "Data": one marker byte; with "d" one more byte follows and each record ends with an active byte.
// Then one record per macro of the collection, in order:
//   name length (1 byte), name (ANSI), value length (2 bytes, little-endian), value (ANSI),
//   [active flag (1 byte, non-zero true) with marker "d"].
// Only the first 1000 bytes of a value are kept; the rest is skipped so that the next record is read
// where it starts. Every record is read before any macro changes, so a stream that ends inside a
// record (EReadError) or names an unknown macro leaves the collection as it was.
void TMacros::ReadData(core::Stream& Stream)
{
    constexpr size_t kMaxValue = 1000;
    struct Record {
        TMacro* macro;
        String value;
        bool active;
    };
    const bool withActive = Stream.ReadUInt8() == 'd';
    if (withActive)
        Stream.ReadUInt8();
    std::vector<Record> records;
    std::string bytes;
    for (int i = 0; i < Count(); ++i) {
        bytes.resize(Stream.ReadUInt8());
        Stream.ReadBuffer(bytes.data(), int64_t(bytes.size()));
        const String name = core::FromAnsi(bytes);
        const size_t length = Stream.ReadUInt16();
        bytes.resize(length);
        Stream.ReadBuffer(bytes.data(), int64_t(length));
        bytes.resize(std::min(length, kMaxValue));
        const String value = core::FromAnsi(bytes);
        const bool active = withActive ? Stream.ReadUInt8() != 0 : true;
        records.push_back({MacroByName(name), value, active});
    }
    for (const Record& record : records) {
        record.macro->SetValue(record.value);
        if (withActive)
            record.macro->SetActive(record.active);
    }
}

} // namespace data
