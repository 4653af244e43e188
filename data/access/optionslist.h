// Provider options: the settings that components hand to a provider as text lines
// "prefix.name=value" (the prefix, a provider name, may be left out). A provider describes each option
// it understands (TOption) in one list per kind of target object (TOptionsList); the list checks and
// converts the texts and pushes the values into the target through its numbered-property setter or
// through the option's own assignment event.
#pragma once

#include "data/storage/encoding.h"

#include "core/object.h"
#include "core/stringlist.h"
#include "core/variant.h"

#include <functional>
#include <memory>
#include <typeindex>
#include <vector>

namespace data {

// The exact classes of the objects an option applies to.
using TClassArray = std::vector<std::type_index>;
using TOnGetValuesList = std::function<void(core::Strings& List)>;
using TOnAssignValue = std::function<void(core::Object* InternalObject, const core::Variant& Value)>;
// A target's numbered-property setter; its result is not looked at.
using TSetPropFunc = std::function<bool(int Prop, const core::Variant& Value)>;

class TOption : public core::Object {
public:
    TOption(String OptionName, int InternalIndex, TClassArray InternalClasses,
            core::Variant DefaultValue);

    // ---- Properties ----
    const String& OptionName() const { return FOptionName; }
    // The SetProp number the option sets on its target.
    int InternalIndex() const { return FInternalIndex; }
    const TClassArray& InternalClasses() const { return FInternalClasses; }
    core::Variant GetDefaultValue() const { return FDefaultValue; }
    bool AppliesTo(const core::Object& Target) const;

    // ---- Events ----
    // Supplies the allowed values; when assigned, Validate accepts only those.
    TOnGetValuesList OnGetValuesList;
    // Assigns the value in place of the target's setter.
    TOnAssignValue OnAssignValue;

    // ---- Values ----
    // The allowed values when no event supplies them (none here).
    virtual void GetValuesListDefault(core::Strings& List) const;
    virtual String GetAsString(const core::Variant& Value) const;
    virtual core::Variant GetAsNative(const String& Value) const;
    virtual bool CheckValue(const String& Value) const;
    // Raises Exception "Invalid value: <value> for option <name>" for a value the option refuses.
    virtual void Validate(const String& Value) const;
    virtual void GetValuesList(core::Strings& List) const;

private:
    String FOptionName;
    int FInternalIndex = 0;
    TClassArray FInternalClasses;
    core::Variant FDefaultValue;
};

// Sorted by name, letter case ignored; owns its options.
class TOptionsList : public core::StringList {
public:
    explicit TOptionsList(String Prefix);

    const String& Prefix() const { return FPrefix; }

    // Adds the option under its name; a name already there raises EStringListError.
    void Add(std::unique_ptr<TOption> Option);
    // The option of that name, letter case ignored, or null.
    TOption* OptionByName(StringView Name) const;
    TOption* Option(int Index) const { return static_cast<TOption*>(Objects(Index)); }

    // Splits "prefix.name=value": the first "=" ends the name, and a "." before it ends the prefix; a
    // "." after it belongs to the value. False for a line without "=", which names no option.
    static bool SplitOptionLine(StringView Line, String& Prefix, String& Name, String& Value);

    // Sets every option whose classes hold exactly the class of DestObject: from the first line of
    // Source that names it (with our prefix or none), else to its default, through its OnAssignValue
    // or SetPropFunc. An invalid value raises and stops there; the options before it stay set. SetAll
    // changes nothing: every applicable option is set.
    void ImportOptions(const core::Strings& Source, core::Object* DestObject, const TSetPropFunc& SetPropFunc,
                       bool SetAll) const;
    // Appends "prefix.name=default" for every option, in list order.
    void ExportDefOptions(core::Strings& Dest) const;
    // The value Source gives the option Name (its default when no line names it); unassigned when the
    // list has no such option.
    core::Variant GetValueByName(const core::Strings& Source, StringView Name) const;

private:
    // Every entry carries its option: a bare line would name nothing.
    using core::StringList::Add;

    struct Line {
        String prefix, name, value;
    };
    std::vector<Line> SplitLines(const core::Strings& Source) const;
    const Line* FindLine(const std::vector<Line>& Lines, const TOption& Option) const;
    // The option's value from the matching line, validated, or its default.
    core::Variant ValueOf(const std::vector<Line>& Lines, const TOption& Option) const;

    String FPrefix;
};

} // namespace data
