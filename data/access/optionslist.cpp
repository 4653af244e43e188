#include "data/access/optionslist.h"

#include "data/storage/memutils.h"

#include "core/exception.h"

#include <algorithm>
#include <utility>

namespace data {

// ---- TOption ------------------------------------------------------------------------------------

TOption::TOption(String OptionName, int InternalIndex, TClassArray InternalClasses,
                 core::Variant DefaultValue)
    : FOptionName(std::move(OptionName)),
      FInternalIndex(InternalIndex),
      FInternalClasses(std::move(InternalClasses)),
      FDefaultValue(std::move(DefaultValue))
{
}

bool TOption::AppliesTo(const core::Object& Target) const
{
    // The exact class only: a provider's derived objects take options of their own.
    const std::type_index cls(typeid(Target));
    return std::find(FInternalClasses.begin(), FInternalClasses.end(), cls) != FInternalClasses.end();
}

void TOption::GetValuesListDefault(core::Strings&) const {}

String TOption::GetAsString(const core::Variant& Value) const
{
    return core::VarToStr(Value);
}

core::Variant TOption::GetAsNative(const String& Value) const
{
    return core::Variant(Value);
}

bool TOption::CheckValue(const String&) const
{
    return true;
}

void TOption::Validate(const String& Value) const
{
    bool valid;
    if (OnGetValuesList) {
        core::StringList values;
        GetValuesList(values);
        valid = false;
        for (int i = 0; i < values.Count() && !valid; ++i)
            valid = StrSameNoCase(values[i], Value);
    } else {
        valid = CheckValue(Value);
    }
    if (!valid)
        throw core::Exception(u"Invalid value: " + Value + u" for option " + FOptionName);
}

void TOption::GetValuesList(core::Strings& List) const
{
    if (OnGetValuesList)
        OnGetValuesList(List);
    else
        GetValuesListDefault(List);
}

// ---- TOptionsList -------------------------------------------------------------------------------

TOptionsList::TOptionsList(String Prefix) : core::StringList(true), FPrefix(std::move(Prefix))
{
    SetSorted(true);
    // Two options of one name would leave the second unreachable.
    SetDuplicates(core::dupError);
}

void TOptionsList::Add(std::unique_ptr<TOption> Option)
{
    CORE_ASSERT(Option != nullptr, u"");
    AddObject(Option->OptionName(), Option.get());
    Option.release();
}

TOption* TOptionsList::OptionByName(StringView Name) const
{
    int index;
    return Find(Name, index) ? Option(index) : nullptr;
}

bool TOptionsList::SplitOptionLine(StringView Line, String& Prefix, String& Name, String& Value)
{
    Prefix.clear();
    Name.clear();
    Value.clear();
    const size_t equal = Line.find(u'=');
    if (equal == StringView::npos)
        return false;
    const size_t dot = Line.find(u'.');
    const size_t nameStart = dot < equal ? dot + 1 : 0;
    if (dot < equal)
        Prefix = String(Line.substr(0, dot));
    Name = String(Line.substr(nameStart, equal - nameStart));
    Value = String(Line.substr(equal + 1));
    return true;
}

std::vector<TOptionsList::Line> TOptionsList::SplitLines(const core::Strings& Source) const
{
    std::vector<Line> lines;
    lines.reserve(size_t(Source.Count()));
    for (int i = 0; i < Source.Count(); ++i) {
        Line line;
        if (SplitOptionLine(Source.Get(i), line.prefix, line.name, line.value))
            lines.push_back(std::move(line));
    }
    return lines;
}

const TOptionsList::Line* TOptionsList::FindLine(const std::vector<Line>& Lines, const TOption& Option) const
{
    for (const Line& line : Lines) {
        if ((line.prefix.empty() || StrSameNoCase(line.prefix, FPrefix)) && StrSameNoCase(line.name, Option.OptionName()))
            return &line;
    }
    return nullptr;
}

core::Variant TOptionsList::ValueOf(const std::vector<Line>& Lines, const TOption& Option) const
{
    const Line* line = FindLine(Lines, Option);
    if (line == nullptr)
        return Option.GetDefaultValue();
    Option.Validate(line->value);
    return Option.GetAsNative(line->value);
}

void TOptionsList::ImportOptions(const core::Strings& Source, core::Object* DestObject, const TSetPropFunc& SetPropFunc,
                                 bool) const
{
    CORE_ASSERT(DestObject != nullptr, u"");
    const std::vector<Line> lines = SplitLines(Source);
    for (int i = 0; i < Count(); ++i) {
        const TOption* option = Option(i);
        if (option == nullptr || !option->AppliesTo(*DestObject))
            continue;
        const core::Variant value = ValueOf(lines, *option);
        if (option->OnAssignValue) {
            option->OnAssignValue(DestObject, value);
        } else {
            CORE_ASSERT(SetPropFunc != nullptr, u"");
            SetPropFunc(option->InternalIndex(), value);
        }
    }
}

void TOptionsList::ExportDefOptions(core::Strings& Dest) const
{
    for (int i = 0; i < Count(); ++i) {
        if (const TOption* option = Option(i))
            Dest.Add(FPrefix + u"." + option->OptionName() + u"=" + option->GetAsString(option->GetDefaultValue()));
    }
}

core::Variant TOptionsList::GetValueByName(const core::Strings& Source, StringView Name) const
{
    const TOption* option = OptionByName(Name);
    if (option == nullptr)
        return {};
    return ValueOf(SplitLines(Source), *option);
}

} // namespace data
