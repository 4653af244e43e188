// Fields over the array store: value forms of every type, range checks, validation, blobs,
// definitions, default and persistent fields, calculated and lookup fields, and the fixed errors.
#include "data/dataset/test/fixture.h"

#include "core/datetime.h"

#include <cstring>

namespace data::test {
namespace {

// A one-column dataset in insert state, for writing and reading a value of one type.
struct OneColumn {
    OneColumn(TFieldType type, int size = 0)
    {
        ds.AddColumn(u"V", type, size);
        ds.Open();
        ds.Append();
    }
    TField& Field() { return *ds.FieldByName(u"V"); }
    TArrayDataSet ds;
};

core::TDateTime SampleTime()
{
    return core::EncodeDateTime(2009, 3, 5, 14, 7, 9, 500);
}

TEST(FieldTest, ValuesRoundTripThroughTheBufferForms)
{
    core::SQLTimeStamp stamp{2009, 3, 5, 14, 7, 9, 500};
    struct Case {
        const char* name;
        TFieldType type;
        int size;
        Variant value;
        Variant expected;
        std::string text;
    };
    const Case cases[] = {
        {"string cut at its size", ftString, 5, Variant(u"hello world"), Variant(u"hello"), "hello"},
        {"ANSI text of the code page", ftString, 10, Variant(u"h\u00e9"), Variant(u"h\u00e9"), "h\u00e9"},
        {"wide string", ftWideString, 10, Variant(u"\u4f60\u597d"), Variant(u"\u4f60\u597d"), "\u4f60\u597d"},
        {"smallint", ftSmallint, 0, Variant(int32_t(-1234)), Variant(int16_t(-1234)), "-1234"},
        {"integer", ftInteger, 0, Variant(int32_t(-7)), Variant(int32_t(-7)), "-7"},
        {"word", ftWord, 0, Variant(int32_t(65535)), Variant(uint16_t(65535)), "65535"},
        {"large integer", ftLargeint, 0, Variant(int64_t(1) << 40), Variant(int64_t(1) << 40), "1099511627776"},
        {"Boolean", ftBoolean, 0, Variant(true), Variant(true), "True"},
        {"float", ftFloat, 0, Variant(2.5), Variant(2.5), "2.5"},
        {"currency", ftCurrency, 0, Variant(1.25), Variant(1.25), "1.25"},
        {"BCD", ftBCD, 4, Variant(core::Currency::FromRaw(123456)), Variant(core::Currency::FromRaw(123456)), "12.3456"},
        {"FMT BCD", ftFMTBcd, 2, Variant(u"123.45"), Variant(core::StrToBcd(u"123.45")), "123.45"},
        {"date", ftDate, 0, Variant::FromDate(SampleTime()), Variant::FromDate(core::EncodeDate(2009, 3, 5)),
         core::ToUtf8(core::DateToStr(core::EncodeDate(2009, 3, 5)))},
        {"time", ftTime, 0, Variant::FromDate(SampleTime()), Variant::FromDate(core::EncodeTime(14, 7, 9, 500)),
         core::ToUtf8(core::TimeToStr(core::EncodeTime(14, 7, 9, 500)))},
        {"date-time", ftDateTime, 0, Variant::FromDate(SampleTime()), Variant::FromDate(SampleTime()),
         core::ToUtf8(core::DateTimeToStr(SampleTime()))},
        {"time stamp", ftTimeStamp, 0, Variant(stamp), Variant(stamp), "2009-03-05 14:07:09.500"},
        {"bytes", ftBytes, 4, Variant(Variant::Bytes{1, 2, 3}), Variant(Variant::Bytes{1, 2, 3, 0}), std::string("\x01\x02\x03", 3) + '\0'},
        {"var bytes", ftVarBytes, 4, Variant(Variant::Bytes{1, 2, 3}), Variant(Variant::Bytes{1, 2, 3}), "\x01\x02\x03"},
        {"memo", ftMemo, 0, Variant(u"memo text"), Variant(u"memo text"), "memo text"},
        {"wide memo", ftWideMemo, 0, Variant(u"\u5907\u6ce8"), Variant(u"\u5907\u6ce8"), "\u5907\u6ce8"},
    };
    for (const Case& c : cases) {
        OneColumn one(c.type, c.size);
        TField& field = one.Field();
        EXPECT_TRUE(field.IsNull()) << c.name;
        field.SetValue(c.value);
        one.ds.Post();
        EXPECT_EQ(field.Value(), c.expected) << c.name;
        EXPECT_EQ(Utf8(field.AsString()), c.text) << c.name;
        one.ds.Edit();
        field.SetValue(Variant::Null());
        EXPECT_TRUE(field.IsNull()) << c.name;
        EXPECT_TRUE(field.Value().IsNull()) << c.name;
        one.ds.Cancel();
        EXPECT_EQ(field.Value(), c.expected) << c.name << " after cancel";
    }
}

TEST(FieldTest, DatesKeepTheirNativeForms)
{
    OneColumn date(ftDate);
    date.Field().SetAsDateTime(core::EncodeDate(1, 1, 1));
    int32_t day = 0;
    ASSERT_TRUE(date.Field().GetData(&day));
    EXPECT_EQ(day, 1);
    date.Field().SetAsDateTime(0);
    ASSERT_TRUE(date.Field().GetData(&day));
    EXPECT_EQ(day, core::DateDelta);

    OneColumn time(ftTime);
    time.Field().SetAsDateTime(core::EncodeTime(1, 2, 3, 4));
    int32_t msecs = 0;
    ASSERT_TRUE(time.Field().GetData(&msecs));
    EXPECT_EQ(msecs, ((1 * 60 + 2) * 60 + 3) * 1000 + 4);

    OneColumn stamp(ftDateTime);
    stamp.Field().SetAsDateTime(SampleTime());
    double native = 0;
    ASSERT_TRUE(stamp.Field().GetData(&native));
    EXPECT_EQ(native, double(core::TimeStampToMSecs(core::DateTimeToTimeStamp(SampleTime()))));
    double value = 0;
    ASSERT_TRUE(stamp.Field().GetData(&value, false));
    EXPECT_DOUBLE_EQ(value, SampleTime());
}

TEST(FieldTest, RangesAndTextAreChecked)
{
    struct Case {
        const char* name;
        TFieldType type;
        std::function<void(TField&)> setup;
        std::function<void(TField&)> write;
        std::string error;
    };
    const Case cases[] = {
        {"integer above its maximum", ftInteger,
         [](TField& f) { static_cast<TIntegerField&>(f).SetMinValue(1); static_cast<TIntegerField&>(f).SetMaxValue(10); },
         [](TField& f) { f.SetAsInteger(11); }, "11 is not a valid value for field 'V'. The allowed range is 1 to 10"},
        {"smallint beyond its type", ftSmallint, [](TField&) {}, [](TField& f) { f.SetAsInteger(40000); },
         "40000 is not a valid value for field 'V'. The allowed range is -32768 to 32767"},
        {"float above its maximum", ftFloat, [](TField& f) { static_cast<TFloatField&>(f).SetMaxValue(1); },
         [](TField& f) { f.SetAsFloat(1.5); }, "1.5 is not a valid value for field 'V'. The allowed range is 0 to 1"},
        {"BCD below its minimum", ftBCD,
         [](TField& f) { static_cast<TBCDField&>(f).SetMinValue(core::Currency::FromInt(-1));
                         static_cast<TBCDField&>(f).SetMaxValue(core::Currency::FromInt(1)); },
         [](TField& f) { f.SetAsFloat(-2); }, "-2 is not a valid value for field 'V'. The allowed range is -1 to 1"},
        {"FMT BCD beyond its precision", ftFMTBcd, [](TField& f) { static_cast<TFMTBCDField&>(f).SetPrecision(4); },
         [](TField& f) { f.SetAsString(u"12345"); }, "BCD overflow"},
        {"integer text", ftInteger, [](TField&) {}, [](TField& f) { f.SetAsString(u"abc"); },
         "'abc' is not a valid value for field 'V'"},
        {"Boolean text", ftBoolean, [](TField&) {}, [](TField& f) { f.SetAsString(u"maybe"); },
         "'maybe' is not a valid value for field 'V'"},
        {"Boolean as a date", ftBoolean, [](TField&) {}, [](TField& f) { f.SetAsDateTime(1); },
         "Cannot access field 'V' as type DateTime"},
        {"impossible time stamp", ftTimeStamp, [](TField&) {},
         [](TField& f) { static_cast<TSQLTimeStampField&>(f).SetAsSQLTimeStamp({2009, 2, 30, 0, 0, 0, 0}); },
         "'2009-02-30 00:00:00' is not a valid value for field 'V'"},
    };
    for (const Case& c : cases) {
        OneColumn one(c.type, c.type == ftFMTBcd ? 2 : 0);
        c.setup(one.Field());
        EXPECT_EQ(ErrorOf([&] { c.write(one.Field()); }), c.error) << c.name;
        EXPECT_TRUE(one.Field().IsNull()) << c.name;
    }
}

TEST(FieldTest, ValidateSeesTheNewValueAndMayRefuseIt)
{
    OneColumn one(ftInteger);
    std::vector<int> seen;
    int changes = 0;
    one.Field().OnValidate = [&](TField& f) {
        seen.push_back(f.AsInteger());
        if (f.AsInteger() < 0)
            throw EDatabaseError(u"negative");
    };
    one.Field().OnChange = [&](TField&) { ++changes; };
    one.Field().SetAsInteger(5);
    EXPECT_EQ(ErrorOf([&] { one.Field().SetAsInteger(-1); }), "negative");
    EXPECT_EQ(one.Field().AsInteger(), 5);
    EXPECT_EQ(seen, (std::vector<int>{5, -1}));
    EXPECT_EQ(changes, 1);
}

TEST(FieldTest, TextEventsReplaceTheTextForms)
{
    OneColumn one(ftInteger);
    one.Field().OnGetText = [](TField& f, String& text, bool display) {
        text = (display ? u"#" : u"") + f.AsString();
    };
    one.Field().OnSetText = [](TField& f, StringView text) { f.SetAsInteger(int32_t(text.size())); };
    one.Field().SetText(u"abcd");
    EXPECT_EQ(one.Field().Text(), u"4");
    EXPECT_EQ(one.Field().DisplayText(), u"#4");
}

TEST(FieldTest, BlobsTrackModificationAndFollowTheEditCycle)
{
    TArrayDataSet ds;
    ds.AddColumn(u"ID", ftInteger);
    ds.AddColumn(u"NOTE", ftMemo);
    ds.AddRow({Variant(int32_t(1)), Variant(u"first")});
    ds.Open();
    auto* note = static_cast<TBlobField*>(ds.FieldByName(u"NOTE"));
    EXPECT_EQ(note->AsString(), u"first");
    EXPECT_EQ(note->BlobSize(), 5);
    EXPECT_EQ(ErrorOf([&] { note->SetAsString(u"x"); }), "Dataset not in edit or insert mode");
    ds.Edit();
    EXPECT_FALSE(note->Modified());
    note->SetAsString(u"second");
    EXPECT_TRUE(note->Modified());
    EXPECT_TRUE(ds.Modified());
    ds.Cancel();
    EXPECT_EQ(note->AsString(), u"first");
    ds.Edit();
    core::StringStream source("third");
    note->LoadFromStream(source);
    ds.Post();
    EXPECT_EQ(note->AsString(), u"third");
    core::StringStream saved;
    note->SaveToStream(saved);
    EXPECT_EQ(saved.DataString(), "third");
    // A read-only blob reads, but refuses a writing stream.
    ds.Close();
    auto* id = new TIntegerField(&ds);
    id->SetFieldName(u"ID");
    id->SetDataSet(&ds);
    auto* memo = new TMemoField(&ds);
    memo->SetFieldName(u"NOTE");
    memo->SetReadOnly(true);
    memo->SetDataSet(&ds);
    ds.Open();
    EXPECT_EQ(memo->AsString(), u"third");
    ds.Edit();
    EXPECT_EQ(ErrorOf([&] { ds.CreateBlobStream(memo, bmWrite); }), "Field 'NOTE' cannot be modified");
    EXPECT_NE(ds.CreateBlobStream(memo, bmRead), nullptr);
    ds.Cancel();
}

TEST(FieldTest, OldValuesAreTheValuesBeforeTheEdit)
{
    TArrayDataSet ds;
    FillNumbered(ds, 2);
    ds.Open();
    TField* name = ds.FieldByName(u"NAME");
    ds.Edit();
    name->SetAsString(u"new");
    EXPECT_EQ(name->OldValue(), Variant(u"n1"));
    EXPECT_EQ(name->NewValue(), Variant(u"new"));
    EXPECT_EQ(ds.State(), dsEdit);
    ds.Post();
    EXPECT_EQ(name->OldValue(), Variant(u"new"));
    ds.Insert();
    EXPECT_TRUE(name->OldValue().IsNull());
    ds.Cancel();
}

TEST(FieldTest, DefaultFieldsComeFromTheDefinitionsAndGoOnClose)
{
    TArrayDataSet ds;
    struct Column {
        const char16_t* name;
        TFieldType type;
        int size;
        const char* className;
    };
    const Column columns[] = {
        {u"S", ftString, 10, "TStringField"},      {u"W", ftWideString, 10, "TWideStringField"},
        {u"I", ftInteger, 0, "TIntegerField"},     {u"SI", ftSmallint, 0, "TSmallintField"},
        {u"WO", ftWord, 0, "TWordField"},          {u"L", ftLargeint, 0, "TLargeintField"},
        {u"A", ftAutoInc, 0, "TAutoIncField"},     {u"B", ftBoolean, 0, "TBooleanField"},
        {u"F", ftFloat, 0, "TFloatField"},         {u"C", ftCurrency, 0, "TCurrencyField"},
        {u"BC", ftBCD, 4, "TBCDField"},            {u"FB", ftFMTBcd, 2, "TFMTBCDField"},
        {u"D", ftDate, 0, "TDateField"},           {u"T", ftTime, 0, "TTimeField"},
        {u"DT", ftDateTime, 0, "TDateTimeField"},  {u"TS", ftTimeStamp, 0, "TSQLTimeStampField"},
        {u"BY", ftBytes, 4, "TBytesField"},        {u"VB", ftVarBytes, 4, "TVarBytesField"},
        {u"BL", ftBlob, 0, "TBlobField"},          {u"M", ftMemo, 0, "TMemoField"},
        {u"WM", ftWideMemo, 0, "TWideMemoField"},  {u"G", ftGuid, 38, "TGuidField"},
        {u"FC", ftFixedChar, 3, "TStringField"},
    };
    for (const Column& c : columns)
        ds.AddColumn(c.name, c.type, c.size);
    ds.Open();
    EXPECT_TRUE(ds.DefaultFields());
    ASSERT_EQ(ds.FieldCount(), int(std::size(columns)));
    for (int i = 0; i < ds.FieldCount(); ++i) {
        TField* field = ds.Fields()[i];
        EXPECT_EQ(Utf8(field->ClassName()), columns[i].className) << Utf8(columns[i].name);
        EXPECT_EQ(field->FieldNo(), i + 1);
        EXPECT_EQ(field->DataType(), columns[i].type);
        EXPECT_EQ(field->Size(), columns[i].size);
    }
    EXPECT_EQ(ds.FieldByName(u"A")->AutoGenerateValue(), arAutoInc);
    ds.Close();
    EXPECT_EQ(ds.FieldCount(), 0);
    EXPECT_FALSE(ds.DefaultFields());
}

TEST(FieldTest, PersistentFieldsStayAndAreCheckedAgainstTheDefinitions)
{
    TArrayDataSet ds;
    FillNumbered(ds, 3);
    auto* name = new TStringField(&ds);
    name->SetFieldName(u"NAME");
    name->SetSize(20);
    name->SetDataSet(&ds);
    ds.Open();
    EXPECT_FALSE(ds.DefaultFields());
    EXPECT_EQ(ds.FieldCount(), 1);
    EXPECT_EQ(name->AsString(), u"n1");
    EXPECT_EQ(name->FieldNo(), 2);
    EXPECT_EQ(ds.FindField(u"ID"), nullptr);
    ds.Close();
    EXPECT_EQ(ds.FieldCount(), 1);

    struct Case {
        const char* name;
        std::function<void(TDataSet&)> add;
        std::string error;
    };
    const Case cases[] = {
        {"wrong type", [](TDataSet& d) { auto* f = new TFloatField(&d); f->SetFieldName(u"ID"); f->SetDataSet(&d); },
         "Type mismatch for field 'ID', expecting: Float actual: Integer"},
        {"no definition", [](TDataSet& d) { auto* f = new TIntegerField(&d); f->SetFieldName(u"GONE"); f->SetDataSet(&d); },
         "Field 'GONE' not found"},
    };
    for (const Case& c : cases) {
        c.add(ds);
        EXPECT_EQ(ErrorOf([&] { ds.Open(); }), c.error) << c.name;
        EXPECT_FALSE(ds.Active()) << c.name;
        EXPECT_EQ(ds.LiveBuffers(), 0) << c.name;
        delete ds.Fields()[ds.FieldCount() - 1];
    }
    EXPECT_EQ(ErrorOf([&] {
                  auto* twin = new TStringField(&ds);
                  twin->SetFieldName(u"name");
                  try {
                      twin->SetDataSet(&ds);
                  } catch (...) {
                      delete twin;
                      throw;
                  }
              }),
              "Duplicate field name 'name'");
    ds.Open();
    EXPECT_EQ(name->AsString(), u"n1");
}

TEST(FieldTest, CalculatedAndLookupFields)
{
    TArrayDataSet cities;
    cities.AddColumn(u"ID", ftInteger);
    cities.AddColumn(u"CITY", ftString, 20);
    cities.AddRow({Variant(int32_t(1)), Variant(u"Harbour")});
    cities.AddRow({Variant(int32_t(2)), Variant(u"Hill")});
    cities.Open();

    TArrayDataSet people;
    people.AddColumn(u"ID", ftInteger);
    people.AddColumn(u"CITYID", ftInteger);
    people.AddRow({Variant(int32_t(10)), Variant(int32_t(2))});
    people.AddRow({Variant(int32_t(20)), Variant(int32_t(1))});
    people.AddRow({Variant(int32_t(30)), Variant::Null()});
    auto add = [&](TField* f, StringView name, TFieldKind kind) {
        f->SetFieldName(name);
        f->SetFieldKind(kind);
        f->SetDataSet(&people);
        return f;
    };
    auto* id = static_cast<TIntegerField*>(add(new TIntegerField(&people), u"ID", fkData));
    auto* cityId = add(new TIntegerField(&people), u"CITYID", fkData);
    auto* twice = add(new TIntegerField(&people), u"TWICE", fkCalculated);
    auto* city = add(new TStringField(&people), u"CITY", fkLookup);
    city->SetLookupDataSet(&cities);
    city->SetKeyFields(u"CITYID");
    city->SetLookupKeyFields(u"ID");
    city->SetLookupResultField(u"CITY");
    int calcs = 0;
    people.OnCalcFields = [&](TDataSet& d) {
        ++calcs;
        EXPECT_EQ(d.State(), dsCalcFields);
        if (!id->IsNull())
            twice->SetAsInteger(id->AsInteger() * 2);
    };
    people.Open();
    EXPECT_EQ(people.CalcFieldsSize(), twice->DataSize() + 1 + city->DataSize() + 1);
    EXPECT_EQ(twice->FieldNo(), -1);
    struct Row {
        int twice;
        const char16_t* city;
        bool cityNull;
    };
    const Row rows[] = {{20, u"Hill", false}, {40, u"Harbour", false}, {60, u"", true}};
    for (const Row& row : rows) {
        EXPECT_EQ(twice->AsInteger(), row.twice);
        EXPECT_EQ(city->AsString(), row.city);
        EXPECT_EQ(city->IsNull(), row.cityNull);
        people.Next();
    }
    EXPECT_GT(calcs, 0);
    // A calculated field cannot be written outside the calculation; editing a key recalculates.
    people.First();
    people.Edit();
    cityId->SetAsInteger(1);
    EXPECT_EQ(city->AsString(), u"Harbour");
    id->SetAsInteger(11);
    EXPECT_EQ(twice->AsInteger(), 22);
    EXPECT_FALSE(city->CanModify());
    people.Cancel();
    EXPECT_EQ(city->AsString(), u"Hill");
    EXPECT_EQ(people.Lookup(u"ID", Variant(int32_t(20)), u"CITY;TWICE"),
              Variant::ArrayOf({Variant(u"Harbour"), Variant(int32_t(40))}));
    people.Close();
    // Lookup settings must be complete.
    city->SetLookupResultField(u"");
    EXPECT_EQ(ErrorOf([&] { people.Open(); }), "Lookup information for field 'CITY' is incomplete");
}

TEST(FieldTest, DefinitionsWithChildrenAndTheFlatList)
{
    TArrayDataSet ds;
    TFieldDefs& defs = ds.FieldDefs();
    defs.Add(u"ID", ftInteger);
    TFieldDef* address = defs.Add(u"ADDRESS", ftADT);
    address->ChildDefs().Add(u"STREET", ftString, 30);
    address->ChildDefs().Add(u"CITY", ftString, 20, true);
    EXPECT_EQ(address->ChildDefs()[1]->FullName(), u"ADDRESS.CITY");
    EXPECT_EQ(address->ChildDefs()[1]->ParentDef(), address);
    EXPECT_TRUE(address->ChildDefs()[1]->Required());
    TFieldDefList& list = ds.FieldDefList();
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.FieldDefs(3)->Name(), u"CITY");
    EXPECT_EQ(list.Find(u"address.street")->Size(), 30);
    EXPECT_EQ(list.Find(u"STREET"), nullptr);
    EXPECT_EQ(ErrorOf([&] { list.FieldByName(u"ADDRESS.ZIP"); }), "Field 'ADDRESS.ZIP' not found");
    EXPECT_EQ(ErrorOf([&] { defs.Find(u"NOPE"); }), "Field 'NOPE' not found");
    EXPECT_EQ(ErrorOf([&] { defs.Add(u"id", ftInteger); }), "Duplicate field name 'id'");
    EXPECT_EQ(defs.IndexOf(u"address"), 1);

    // In the object view the structure holds its children; otherwise they stand among the fields.
    for (bool objectView : {true, false}) {
        ds.SetObjectView(objectView);
        ds.CreateFields();
        auto* adt = dynamic_cast<TADTField*>(ds.FieldByName(u"ADDRESS"));
        ASSERT_NE(adt, nullptr);
        EXPECT_EQ(adt->Fields().Count(), 2);
        EXPECT_EQ(ds.FieldCount(), objectView ? 2 : 4);
        TField* city = ds.FieldByName(u"ADDRESS.CITY");
        EXPECT_EQ(city->ParentField(), adt);
        EXPECT_EQ(city->FullName(), u"ADDRESS.CITY");
        EXPECT_TRUE(city->Required());
        EXPECT_EQ(ds.FieldList().size(), 4u);
        ds.DestroyFields();
        EXPECT_EQ(ds.FieldCount(), 0);
    }
}

TEST(FieldTest, DefaultExpressionsFillNewRecords)
{
    TArrayDataSet ds;
    FillNumbered(ds, 1);
    ds.Open();
    ds.FieldByName(u"NAME")->SetDefaultExpression(u"'it''s new'");
    ds.FieldByName(u"AMOUNT")->SetDefaultExpression(u"7.5");
    ds.Append();
    EXPECT_EQ(ds.FieldByName(u"NAME")->AsString(), u"it's new");
    EXPECT_EQ(ds.FieldByName(u"AMOUNT")->AsFloat(), 7.5);
    EXPECT_TRUE(ds.FieldByName(u"ID")->IsNull());
    ds.Cancel();
}

TEST(FieldTest, FieldValuesByNameList)
{
    TArrayDataSet ds;
    FillNumbered(ds, 2);
    ds.Open();
    EXPECT_EQ(ds.FieldValues(u"ID; NAME"), Variant::ArrayOf({Variant(int32_t(1)), Variant(u"n1")}));
    ds.Edit();
    ds.SetFieldValues(u"ID;AMOUNT", Variant::ArrayOf({Variant(int32_t(5)), Variant(0.5)}));
    ds.Post();
    EXPECT_EQ(ds.FieldValues(u"AMOUNT"), Variant(0.5));
    EXPECT_EQ(ds.FieldByName(u"ID")->AsInteger(), 5);
}

TEST(FieldTest, WritesAreAllowedByStateKindAndReadOnly)
{
    TArrayDataSet ds;
    FillNumbered(ds, 1);
    auto* id = new TIntegerField(&ds);
    id->SetFieldName(u"ID");
    id->SetReadOnly(true);
    id->SetDataSet(&ds);
    auto* name = new TStringField(&ds);
    name->SetFieldName(u"NAME");
    name->SetDataSet(&ds);
    auto* calc = new TIntegerField(&ds);
    calc->SetFieldName(u"CALC");
    calc->SetFieldKind(fkCalculated);
    calc->SetDataSet(&ds);
    ds.Open();
    const std::string notEditing = "Dataset not in edit or insert mode";
    const std::string readOnly = "Field 'ID' cannot be modified";
    struct Case {
        TDataSetState state;
        std::string data, readOnlyData, calculated;
    };
    const Case cases[] = {
        {dsBrowse, notEditing, notEditing, notEditing},
        {dsEdit, "", readOnly, ""},
        {dsInsert, "", readOnly, ""},
        {dsSetKey, "", "", ""},
        {dsCalcFields, notEditing, notEditing, ""},
        {dsFilter, "", "", ""},
        {dsNewValue, "", readOnly, ""},
        {dsOldValue, notEditing, notEditing, notEditing},
        {dsInternalCalc, "", readOnly, ""},
        {dsBlockRead, notEditing, notEditing, notEditing},
    };
    for (const Case& c : cases) {
        TDataSetState saved = ds.EnterTempState(c.state);
        EXPECT_EQ(ErrorOf([&] { ds.CheckFieldWrite(name); }), c.data) << int(c.state);
        EXPECT_EQ(ErrorOf([&] { ds.CheckFieldWrite(id); }), c.readOnlyData) << int(c.state);
        EXPECT_EQ(ErrorOf([&] { ds.CheckFieldWrite(calc); }), c.calculated) << int(c.state);
        ds.LeaveTempState(saved);
    }
}

TEST(FieldTest, FixedErrorTexts)
{
    TArrayDataSet ds;
    FillNumbered(ds, 2);
    auto* id = new TIntegerField(&ds);
    id->SetFieldName(u"ID");
    id->SetDataSet(&ds);
    auto* name = new TStringField(&ds);
    name->SetFieldName(u"NAME");
    name->SetSize(20);
    name->SetDataSet(&ds);
    struct Case {
        const char* name;
        std::function<void()> action;
        std::string error;
    };
    const std::vector<Case> closed = {
        {"move", [&] { ds.Next(); }, "Cannot perform this operation on a closed dataset"},
        {"edit", [&] { ds.Edit(); }, "Cannot perform this operation on a closed dataset"},
        {"insert", [&] { ds.Insert(); }, "Cannot perform this operation on a closed dataset"},
        {"delete", [&] { ds.Delete(); }, "Cannot perform this operation on a closed dataset"},
        {"locate", [&] { ds.Locate(u"ID", Variant(1), 0); }, "Cannot perform this operation on a closed dataset"},
    };
    const std::vector<Case> open = {
        {"column", [&] { ds.AddColumn(u"X", ftInteger); }, "Cannot perform this operation on an open dataset"},
        {"object view", [&] { ds.SetObjectView(false); }, "Cannot perform this operation on an open dataset"},
        {"rename a field", [&] { name->SetFieldName(u"OTHER"); }, "Cannot perform this operation on an open dataset"},
        {"field kind", [&] { name->SetFieldKind(fkCalculated); }, "Cannot perform this operation on an open dataset"},
        {"unknown field", [&] { ds.FieldByName(u"NOPE"); }, "Field 'NOPE' not found"},
        {"write in browse", [&] { id->SetAsInteger(3); }, "Dataset not in edit or insert mode"},
        {"empty dataset", [&] { ds.ReadOnlyStore = true; ds.Edit(); }, "Cannot modify a read-only dataset"},
        {"read-only field",
         [&] {
             ds.ReadOnlyStore = false;
             ds.Edit();
             name->SetReadOnly(true);
             name->SetAsString(u"x");
         },
         "Field 'NAME' cannot be modified"},
        {"required field",
         [&] {
             name->SetReadOnly(false);
             name->SetRequired(true);
             name->SetDisplayLabel(u"Name");
             name->Clear();
             ds.Post();
         },
         "Field 'Name' must have a value"},
    };
    for (const Case& c : closed)
        EXPECT_EQ(ErrorOf(c.action), c.error) << c.name;
    ds.Open();
    for (const Case& c : open)
        EXPECT_EQ(ErrorOf(c.action), c.error) << c.name;
    ds.Cancel();
}

} // namespace
} // namespace data::test
