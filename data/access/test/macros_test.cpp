// Macros: which references a text holds, what it expands to, the value accessors, change notices to
// the owner and the older stored form "Data".
#include "data/access/macros.h"

#include "core/exception.h"
#include "data/access/access.h"
#include "data/dataset/dbtypes.h"
#include "data/storage/storage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace data;
using core::String;

namespace {

class MacrosTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitAccessUnits();  // with the storage units and their lexer lists
    }
    void TearDown() override { DoneAccessUnits(); }
};

// Records every change notice.
class RecordingOwner : public core::Persistent, public IMacrosOwner {
public:
    void MacrosChanged(TMacros&, TMacro* Macro) override { notices.push_back(Macro ? Macro->Name() : u"*"); }
    std::vector<String> notices;
};

String Names(const TMacros& macros)
{
    String names;
    for (int i = 0; i < macros.Count(); ++i)
        names += (i ? u"," : u"") + macros[i]->Name();
    return names;
}

struct MacroSetting {
    const char16_t* name;
    const char16_t* value;
    bool active;
};

// A scanner that takes numbers as macro names.
class NumericNamesParser : public TSQLParser {
public:
    using TSQLParser::TSQLParser;
    bool IsNumericMacroNameAllowed() const override { return true; }
};

TEST_F(MacrosTest, ScanFindsNamesAndExpandReplacesThem)
{
    struct Case {
        const char16_t* sql;
        std::vector<MacroSetting> existing;  // set before the scan
        const char16_t* names;              // after the scan
        const char16_t* expanded;
        bool numericNames = false;
    };
    const std::vector<Case> cases = {
        {u"select * from emp", {{u"a", u"x", true}}, u"", u"select * from emp"},
        {u"select * from &tab where c = 'x &tab y'", {{u"tab", u"dept", true}}, u"tab",
         u"select * from dept where c = 'x &tab y'"},
        {u"select * from t &order", {{u"order", u"order by 1", true}}, u"order", u"select * from t order by 1"},
        {u"select * from t & order", {}, u"", u"select * from t & order"},
        {u"select * from &tab", {}, u"tab", u"select * from "},
        {u"select * from &tab", {{u"tab", u"dept", false}}, u"tab", u"select * from "},
        {u"select &a, &B, &A from \"&q\" -- &c\n/* &d */", {{u"b", u"2", true}}, u"a,B",
         u"select , 2,  from \"&q\" -- &c\n/* &d */"},
        {u"select &1 from t", {}, u"", u"select &1 from t"},
        {u"select &1x, &2 from t", {{u"1x", u"v", true}, {u"2", u"w", true}}, u"1x,2", u"select v, w from t", true},
        {u"a &&b &", {}, u"", u"a &&b &"},
        {u"&\"Quoted Name\" x", {{u"\"Quoted Name\"", u"q", true}}, u"\"Quoted Name\"", u"q x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.sql, c.sql + std::char_traits<char16_t>::length(c.sql)));
        TMacros macros;
        if (c.numericNames)
            macros.SetParserClass([](core::StringView text) { return std::make_unique<NumericNamesParser>(text); });
        for (const MacroSetting& m : c.existing) {
            TMacro* macro = macros.Add<TMacro>();
            macro->SetName(m.name);
            macro->SetValue(m.value);
            macro->SetActive(m.active);
        }
        TMacros expander;
        expander.Assign(macros);
        expander.SetParserClass(macros.ParserClass());

        macros.Scan(c.sql);
        EXPECT_EQ(Names(macros), String(c.names));
        String sql = c.sql;
        expander.Expand(sql);
        EXPECT_EQ(sql, String(c.expanded));
    }
}

TEST_F(MacrosTest, ScanKeepsValuesOfSurvivingNames)
{
    TMacros macros;
    macros.Scan(u"select &a, &b");
    macros.MacroByName(u"A")->SetValue(u"1");
    macros.MacroByName(u"b")->SetActive(false);
    macros.Scan(u"select &c, &B");
    ASSERT_EQ(Names(macros), u"c,B");
    EXPECT_EQ(macros[0]->Value(), u"");
    EXPECT_TRUE(macros[0]->Active());
    EXPECT_FALSE(macros[1]->Active());
    EXPECT_EQ(macros.FindMacro(u"a"), nullptr);
}

TEST_F(MacrosTest, OwnerHearsOfChangesButNotOfAnUnchangedRescan)
{
    RecordingOwner owner;
    TMacros macros(&owner);
    macros.Scan(u"select * from &tab");
    EXPECT_EQ(owner.notices, std::vector<String>{u"*"});
    const TMacro* first = macros[0];
    macros.Scan(u"select * from &tab");
    EXPECT_EQ(owner.notices.size(), 1u);
    EXPECT_EQ(macros[0], first);  // not replaced

    macros[0]->SetValue(u"dept");
    macros[0]->SetValue(u"dept");
    macros[0]->SetActive(true);
    macros[0]->SetActive(false);
    EXPECT_EQ(owner.notices, (std::vector<String>{u"*", u"tab", u"tab"}));

    macros.Scan(u"select 1");  // no macro character: cleared
    EXPECT_EQ(macros.Count(), 0);
    EXPECT_EQ(owner.notices.size(), 4u);
    macros.Scan(u"select 1");
    EXPECT_EQ(owner.notices.size(), 4u);

    EXPECT_TRUE(SQLRefersToMacro(u"select * from &tab", u"tab"));
    EXPECT_FALSE(SQLRefersToMacro(u"select * from &TAB", u"tab"));
}

TEST_F(MacrosTest, MacroCharacterCanChange)
{
    SetMacroChar(u'%');
    TMacros macros;
    macros.Scan(u"select &a, %b");
    EXPECT_EQ(Names(macros), u"b");
    InitMacrosUnit();
    EXPECT_EQ(MacroChar(), u'&');
}

TEST_F(MacrosTest, ValueAccessors)
{
    struct Case {
        const char16_t* value;
        const char16_t* asString;
    };
    const Case reads[] = {
        {u"'abc'", u"abc"}, {u"   ", u""}, {u"  'a b'  ", u"a b"}, {u"'", u""}, {u"abc'", u"abc"},
        {u"''x''", u"'x'"}, {u"plain", u"plain"},
    };
    TMacros macros;
    TMacro* macro = macros.Add<TMacro>();
    for (const Case& c : reads) {
        macro->SetValue(c.value);
        EXPECT_EQ(macro->AsString(), String(c.asString)) << std::string(c.value, c.value + 3);
    }
    const Case writes[] = {{u"O'Brien", u"'O'Brien'"}, {u"", u"''"}, {u"a b", u"'a b'"}};
    for (const Case& c : writes) {
        macro->SetAsString(c.value);
        EXPECT_EQ(macro->Value(), String(c.asString));
    }

    macro->SetAsInteger(-42);
    EXPECT_EQ(macro->Value(), u"-42");
    EXPECT_EQ(macro->AsInteger(), -42);
    macro->SetAsFloat(2.5);
    EXPECT_EQ(macro->Value(), u"2.5");
    EXPECT_DOUBLE_EQ(macro->AsFloat(), 2.5);
    macro->SetValue(u"x");
    EXPECT_THROW(macro->AsInteger(), core::EConvertError);

    const core::TDateTime when = core::EncodeDateTime(2024, 3, 7, 14, 5, 9, 0);
    macro->SetAsDateTime(when);
    EXPECT_EQ(macro->Value().front(), u'\'');
    EXPECT_NEAR(macro->AsDateTime(), when, 1e-9);
    macro->SetAsDateTime(core::EncodeDate(1999, 12, 31));
    EXPECT_NEAR(macro->AsDateTime(), core::EncodeDate(1999, 12, 31), 1e-9);
    macro->SetValue(u"'not a date'");
    EXPECT_THROW(macro->AsDateTime(), core::EConvertError);

    EXPECT_EQ(macro->DisplayName(), macro->ClassName());
    macro->SetName(u"m");
    EXPECT_EQ(macro->DisplayName(), u"m");
}

TEST_F(MacrosTest, LookupCopyAndCompare)
{
    TMacros macros;
    macros.Scan(u"&a &b");
    EXPECT_EQ(macros.MacroByName(u"B"), macros[1]);
    try {
        macros.MacroByName(u"zz");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"Macro zz not found");
    }
    EXPECT_EQ(macros.Count(), 2);

    TMacros other;
    other.Scan(u"&B &c");
    other[0]->SetValue(u"vb");
    other[0]->SetActive(false);
    other[1]->SetValue(u"vc");
    macros.AssignValues(other);
    EXPECT_EQ(Names(macros), u"a,B");
    EXPECT_EQ(macros[1]->Value(), u"vb");
    EXPECT_FALSE(macros[1]->Active());

    TMacros copy;
    copy.Assign(macros);
    EXPECT_TRUE(copy.IsEqual(macros));
    EXPECT_TRUE(macros.IsEqual(macros));
    copy[0]->SetValue(u"x");
    EXPECT_FALSE(copy.IsEqual(macros));
    copy[0]->SetValue(u"");
    copy[1]->SetName(u"b");  // exact comparison of names
    EXPECT_FALSE(copy.IsEqual(macros));
    copy.Add<TMacro>();
    EXPECT_FALSE(copy.IsEqual(macros));

    core::CollectionItem foreign;
    EXPECT_THROW(foreign.Assign(*macros[0]), core::EConvertError);
}

// The "Data" block of a collection holding first and second.
std::string Record(const std::string& name, const std::string& value, int active = -1)
{
    std::string bytes(1, char(name.size()));
    bytes += name;
    bytes += char(value.size() & 0xFF);
    bytes += char(value.size() >> 8);
    bytes += value;
    if (active >= 0)
        bytes += char(active);
    return bytes;
}

TEST_F(MacrosTest, ReadsTheDataProperty)
{
    const std::string longValue = std::string(1000, 'a') + std::string(200, 'b');
    struct Case {
        const char* label;
        std::string bytes;
        const char16_t* first;
        bool firstActive;
        const char16_t* second;
        bool secondActive;
    };
    const std::vector<Case> cases = {
        {"plain", "x" + Record("first", "v1") + Record("second", "v2"), u"v1", true, u"v2", true},
        {"with active flags", "d\x01" + Record("FIRST", "v1", 0) + Record("second", "", 7), u"v1", false, u"", true},
        {"long value", std::string("d\0", 2) + Record("first", longValue, 1) + Record("second", "after", 0),
         nullptr, true, u"after", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TMacros macros;
        macros.Scan(u"&first &second");
        core::StringStream stream(c.bytes);
        macros.ReadData(stream);
        EXPECT_EQ(stream.Position(), int64_t(c.bytes.size()));
        EXPECT_EQ(macros[0]->Value(), c.first ? String(c.first) : String(1000, u'a'));
        EXPECT_EQ(macros[0]->Active(), c.firstActive);
        EXPECT_EQ(macros[1]->Value(), String(c.second));
        EXPECT_EQ(macros[1]->Active(), c.secondActive);
    }
}

TEST_F(MacrosTest, BrokenDataLeavesTheMacrosAlone)
{
    const std::string whole = std::string("d\0", 2) + Record("first", "v1", 1) + Record("second", "v2", 1);
    const std::string unknown = "x" + Record("first", "v1") + Record("third", "v3");
    for (size_t cut = 0; cut <= whole.size(); ++cut) {
        TMacros macros;
        macros.Scan(u"&first &second");
        macros[0]->SetValue(u"old");
        core::StringStream stream(whole.substr(0, cut));
        if (cut < whole.size()) {
            EXPECT_THROW(macros.ReadData(stream), core::EReadError) << cut;
            EXPECT_EQ(macros[0]->Value(), u"old");
            EXPECT_EQ(macros[1]->Value(), u"");
        } else {
            macros.ReadData(stream);
            EXPECT_EQ(macros[1]->Value(), u"v2");
        }
    }
    TMacros macros;
    macros.Scan(u"&first &second");
    core::StringStream stream(unknown);
    EXPECT_THROW(macros.ReadData(stream), EDatabaseError);
    EXPECT_EQ(macros[0]->Value(), u"");
}

TEST_F(MacrosTest, DataIsAReadOnlyBinaryProperty)
{
    TMacros macros;
    macros.Scan(u"&m");
    const std::string record = "x" + Record("m", "value");
    core::MemoryStream block;
    // A block as a component writes it: the name, the length and the bytes, then the end mark.
    ui::BinaryProperty source{u"Data", {}, [&](core::Stream& out) { out.WriteBuffer(record.data(), int64_t(record.size())); }};
    ui::WriteBinaryProperties(block, {source});

    std::vector<ui::BinaryProperty> properties = macros.BinaryProperties();
    ASSERT_EQ(properties.size(), 1u);
    EXPECT_EQ(properties[0].name, u"Data");
    EXPECT_FALSE(properties[0].stored);
    block.SetPosition(0);
    ui::ReadBinaryProperties(block, properties);
    EXPECT_EQ(macros[0]->Value(), u"value");

    core::MemoryStream written;
    ui::WriteBinaryProperties(written, properties);
    core::MemoryStream empty;
    ui::WriteBinaryProperties(empty, {});
    EXPECT_EQ(written.Size(), empty.Size());
}

} // namespace
