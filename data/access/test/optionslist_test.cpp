#include "data/access/optionslist.h"

#include "data/storage/memutils.h"
#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

#include <map>

using namespace data;

namespace {

struct TBaseTarget : core::Object {};
struct TDerivedTarget : TBaseTarget {};
struct TOtherTarget : core::Object {};

// A Boolean option: only "True" or "False", handed on as a Boolean.
class TBoolOption : public TOption {
public:
    using TOption::TOption;
    bool CheckValue(const String& Value) const override
    {
        return StrSameNoCase(Value, u"True") || StrSameNoCase(Value, u"False");
    }
    core::Variant GetAsNative(const String& Value) const override { return StrSameNoCase(Value, u"True"); }
};

enum : int { PropDirect = 11, PropForceCreate = 12, PropLockingMode = 13 };

std::unique_ptr<TOptionsList> MakeList()
{
    auto list = std::make_unique<TOptionsList>(u"SQLite");
    list->Add(std::make_unique<TOption>(u"Direct", PropDirect,
                                        TClassArray{typeid(TBaseTarget), typeid(TOtherTarget)},
                                        core::Variant(u"Yes")));
    list->Add(std::make_unique<TBoolOption>(u"ForceCreateDatabase", PropForceCreate,
                                            TClassArray{typeid(TBaseTarget)},
                                            core::Variant(false)));
    auto locking = std::make_unique<TOption>(u"LockingMode", PropLockingMode,
                                             TClassArray{typeid(TBaseTarget)},
                                             core::Variant(u"Normal"));
    locking->OnGetValuesList = [](core::Strings& values) {
        values.Add(u"Normal");
        values.Add(u"Exclusive");
    };
    list->Add(std::move(locking));
    return list;
}

// String lists can be neither copied nor moved.
std::unique_ptr<core::StringList> Lines(std::initializer_list<const Char*> lines)
{
    auto result = std::make_unique<core::StringList>();
    for (const Char* line : lines)
        result->Add(line);
    return result;
}

// What the target's setter received: property number to the value as text.
using Props = std::map<int, String>;

Props Import(const TOptionsList& list, const core::Strings& source, core::Object& target, Props props = {})
{
    list.ImportOptions(source, &target,
                       [&](int prop, const core::Variant& value) {
                           props[prop] = core::VarToStr(value);
                           return true;
                       },
                       false);
    return props;
}

} // namespace

TEST(OptionsList, LinesSetTheOptionsTheyNameWithOurPrefixOrNone)
{
    const auto list = MakeList();
    struct Case {
        std::initializer_list<const Char*> lines;
        String direct, forceCreate, lockingMode;
    };
    const Case cases[] = {
        {{}, u"Yes", u"False", u"Normal"},
        {{u"SQLite.Direct=No"}, u"No", u"False", u"Normal"},
        {{u"Direct=No"}, u"No", u"False", u"Normal"},
        {{u"Other.Direct=No"}, u"Yes", u"False", u"Normal"},
        // Another provider's line is skipped; a plain line after it still counts.
        {{u"Other.Direct=No", u"Direct=Maybe"}, u"Maybe", u"False", u"Normal"},
        {{u"SQLite.Direct=1", u"Direct=2"}, u"1", u"False", u"Normal"},
        {{u"Direct=host.example.com"}, u"host.example.com", u"False", u"Normal"},
        {{u"Direct==x"}, u"=x", u"False", u"Normal"},
        {{u"Direct="}, u"", u"False", u"Normal"},
        {{u"Direct", u"SQLite.Direct"}, u"Yes", u"False", u"Normal"},
        // The first "." ends the prefix: "a" is the prefix, "b.Direct" the name.
        {{u"a.b.Direct=No"}, u"Yes", u"False", u"Normal"},
        {{u"sqlite.DIRECT=Mixed", u"forcecreatedatabase=true"}, u"Mixed", u"True", u"Normal"},
        {{u"LockingMode=exclusive"}, u"Yes", u"False", u"exclusive"},
    };
    for (const Case& c : cases) {
        TBaseTarget target;
        const auto source = Lines(c.lines);
        EXPECT_EQ(Import(*list, *source, target),
                  (Props{{PropDirect, c.direct}, {PropForceCreate, c.forceCreate}, {PropLockingMode, c.lockingMode}}))
            << core::ToUtf8(source->Text());
    }
}

TEST(OptionsList, AnOptionMissingFromTheLinesTakesItsDefaultOnEveryImport)
{
    const auto list = MakeList();
    TBaseTarget target;
    Props props = Import(*list, *Lines({u"Direct=No", u"LockingMode=Exclusive"}), target);
    ASSERT_EQ(props[PropDirect], u"No");
    props = Import(*list, *Lines({u"ForceCreateDatabase=True"}), target, props);
    EXPECT_EQ(props, (Props{{PropDirect, u"Yes"}, {PropForceCreate, u"True"}, {PropLockingMode, u"Normal"}}));
}

TEST(OptionsList, OptionsApplyOnlyToTheExactClassesTheyList)
{
    const auto list = MakeList();
    const auto source = Lines({u"Direct=No", u"ForceCreateDatabase=True"});
    TDerivedTarget derived;
    TOtherTarget other;
    EXPECT_EQ(Import(*list, *source, derived), Props{});
    EXPECT_EQ(Import(*list, *source, other), (Props{{PropDirect, u"No"}}));
}

TEST(OptionsList, AnAssignmentEventTakesThePlaceOfTheSetter)
{
    const auto list = MakeList();
    core::Object* assignedTo = nullptr;
    core::Variant assigned;
    list->OptionByName(u"forcecreatedatabase")->OnAssignValue = [&](core::Object* object, const core::Variant& value) {
        assignedTo = object;
        assigned = value;
    };
    TBaseTarget target;
    const Props props = Import(*list, *Lines({u"ForceCreateDatabase=TRUE"}), target);
    EXPECT_EQ(assignedTo, &target);
    EXPECT_EQ(assigned.VarType(), core::varBoolean);
    EXPECT_TRUE(assigned.AsBoolean());
    EXPECT_EQ(props, (Props{{PropDirect, u"Yes"}, {PropLockingMode, u"Normal"}}));
}

TEST(OptionsList, AnInvalidValueNamesTheOptionAndKeepsWhatWasSetBefore)
{
    const auto list = MakeList();
    TBaseTarget target;
    Props props;
    const auto import = [&](std::initializer_list<const Char*> lines) {
        return ErrorOf<core::Exception>([&] {
            list->ImportOptions(*Lines(lines), &target,
                                [&](int prop, const core::Variant& value) {
                                    props[prop] = core::VarToStr(value);
                                    return true;
                                },
                                true);
        });
    };
    // Options go in list order: Direct, ForceCreateDatabase, LockingMode.
    EXPECT_EQ(import({u"Direct=No", u"ForceCreateDatabase=True", u"LockingMode=Shared"}),
              u"Invalid value: Shared for option LockingMode");
    EXPECT_EQ(props, (Props{{PropDirect, u"No"}, {PropForceCreate, u"True"}}));
    props.clear();
    EXPECT_EQ(import({u"ForceCreateDatabase=maybe"}), u"Invalid value: maybe for option ForceCreateDatabase");
    EXPECT_EQ(props, (Props{{PropDirect, u"Yes"}}));
    EXPECT_EQ(import({u"LockingMode=NORMAL"}), u"no exception");
}

TEST(OptionsList, ExportWritesEveryDefaultWithThePrefixInListOrder)
{
    const auto list = MakeList();
    core::StringList dest;
    dest.Add(u"kept");
    list->ExportDefOptions(dest);
    EXPECT_EQ(dest.Text(), u"kept\r\nSQLite.Direct=Yes\r\nSQLite.ForceCreateDatabase=False\r\nSQLite.LockingMode=Normal\r\n");
}

TEST(OptionsList, ValueByName)
{
    const auto list = MakeList();
    const auto source = Lines({u"Other.ForceCreateDatabase=False", u"ForceCreateDatabase=True", u"LockingMode=x"});
    EXPECT_TRUE(list->GetValueByName(*source, u"Missing").IsEmpty());
    EXPECT_EQ(list->GetValueByName(core::StringList(), u"Direct"), core::Variant(u"Yes"));
    EXPECT_EQ(list->GetValueByName(*source, u"Direct"), core::Variant(u"Yes"));
    EXPECT_EQ(list->GetValueByName(*source, u"forceCreateDatabase"), core::Variant(true));
    EXPECT_EQ(ErrorOf<core::Exception>([&] { list->GetValueByName(*source, u"LockingMode"); }),
              u"Invalid value: x for option LockingMode");
}

TEST(OptionsList, ListsAreSortedAndHoldOneOptionPerName)
{
    const auto list = MakeList();
    EXPECT_EQ(list->Prefix(), u"SQLite");
    EXPECT_EQ(list->OptionByName(u"LOCKINGMODE"), list->Option(2));
    EXPECT_EQ(list->OptionByName(u"Locking"), nullptr);
    EXPECT_EQ(list->Option(0)->InternalClasses().size(), 2u);
    EXPECT_EQ(list->Option(0)->InternalIndex(), PropDirect);
    EXPECT_NE(ErrorOf<core::EStringListError>(
                  [&] { list->Add(std::make_unique<TOption>(u"direct", 1, TClassArray{}, core::Variant())); }),
              u"no exception");
    EXPECT_EQ(list->Count(), 3);
}
