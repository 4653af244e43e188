#include "data/storage/test/memds_fixture.h"

#include "data/storage/test/error_of.h"

#include "core/datetime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <numeric>

using namespace data;
using namespace data::test;

namespace {

std::vector<Column> People()
{
    return {
        {u"ID", dtInt32, 4, 0, true},
        {u"NAME", dtString, 21, 20},
        {u"NOTE", dtExtString, 8, 40},
        {u"CODE", dtInt32, 4, 0, false, true},
        {u"MEMO", dtMemo, 8},
        {u"RO_MEMO", dtMemo, 8, 0, false, true},
    };
}

void AddPerson(TMemDataSet& dataSet, int id, const char16_t* name)
{
    dataSet.Append();
    dataSet.FieldByName(u"ID")->SetAsInteger(id);
    dataSet.FieldByName(u"NAME")->SetAsString(name);
    dataSet.Post();
}

String Text(core::Stream& stream)
{
    stream.SetPosition(0);
    const std::string bytes = stream.ReadToEnd();
    return core::FromUtf8(bytes);
}

} // namespace

TEST(DataTypesMap, TablesAndRoundTrips)
{
    TDataTypesMap map;
    struct Case {
        uint16_t code;
        TFieldType type;
        int back;  // the code the field type maps to
    } cases[] = {
        {dtString, ftString, dtString},       {dtExtString, ftString, dtString},  {dtInt8, ftSmallint, dtInt16},
        {dtInt32, ftInteger, dtInt32},        {dtUInt32, ftLargeint, dtInt64},    {dtInt64, ftLargeint, dtInt64},
        {dtDateTime, ftDateTime, dtDateTime}, {dtVarBytes, ftVarBytes, dtVarBytes}, {dtExtVarBytes, ftVarBytes, dtVarBytes},
        {dtWideString, ftWideString, dtWideString}, {dtBCD, ftBCD, dtBCD},      {dtFMTBCD, ftFMTBcd, dtFMTBCD},
        {dtWideMemo, ftWideMemo, dtWideMemo}, {dtCursor, ftCursor, dtCursor},   {dtUnknown, ftUnknown, dtUnknown},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(map.GetFieldType(c.code), c.type) << c.code;
        EXPECT_EQ(map.GetDataType(c.type), c.back) << c.code;
    }
    // Auto-increment does not survive the round trip.
    EXPECT_EQ(map.GetDataType(ftAutoInc), dtInt32);
    EXPECT_EQ(map.GetFieldType(dtInt32), ftInteger);
    EXPECT_EQ(map.GetDataType(ftLongWord), dtUInt32);
    EXPECT_EQ(map.GetDataType(ftShortint), dtInt8);
    EXPECT_EQ(map.GetDataType(ftGraphic), dtUnknown);
    for (uint16_t unknown : {uint16_t(dtSQLTimeStamp), uint16_t(33)})
        EXPECT_EQ(ErrorOf<core::EAssertionFailed>([&] { map.GetFieldType(unknown); }).rfind(u"Unknown data type", 0), 0u);
}

TEST(MemDataSet, OpensEditsAndReadsBackThroughTheFields)
{
    TestDataSet dataSet(People());
    EXPECT_EQ(dataSet.RecordCount(), 0);  // closed
    dataSet.Open();
    EXPECT_EQ(dataSet.RecNo(), 0);  // empty
    EXPECT_EQ(dataSet.RecordCount(), 0);
    ASSERT_EQ(dataSet.FieldCount(), 6);
    EXPECT_EQ(dataSet.FieldByName(u"NAME")->Size(), 20);
    EXPECT_TRUE(dataSet.FieldDefs().Find(u"ID")->Required());
    EXPECT_TRUE(dataSet.FieldDefs().Find(u"CODE")->ReadOnly());

    AddPerson(dataSet, 1, u"Ann");
    AddPerson(dataSet, 2, u"Bob");
    dataSet.Append();
    dataSet.FieldByName(u"ID")->SetAsInteger(3);
    dataSet.FieldByName(u"NOTE")->SetAsString(u"by reference");
    dataSet.Post();
    EXPECT_EQ(dataSet.log.appends, 3);
    EXPECT_EQ(dataSet.RecordCount(), 3);
    EXPECT_EQ(dataSet.RecNo(), 3);

    dataSet.First();
    EXPECT_EQ(dataSet.FieldByName(u"NAME")->AsString(), u"Ann");
    EXPECT_TRUE(dataSet.FieldByName(u"NOTE")->IsNull());
    dataSet.Next();
    dataSet.Edit();
    dataSet.FieldByName(u"NAME")->SetAsString(u"Bobby");
    dataSet.Post();
    EXPECT_EQ(dataSet.log.updates, 1);
    dataSet.Last();
    EXPECT_EQ(dataSet.FieldByName(u"NOTE")->AsString(), u"by reference");
    dataSet.SetRecNo(2);
    EXPECT_EQ(dataSet.FieldByName(u"NAME")->AsString(), u"Bobby");
    dataSet.Delete();
    EXPECT_EQ(dataSet.log.deletes, 1);
    EXPECT_EQ(dataSet.RecordCount(), 2);

    // Required fields, and a bookmark across moves.
    dataSet.First();
    const TBookmark first = dataSet.GetBookmark();
    dataSet.Last();
    EXPECT_TRUE(dataSet.BookmarkValid(first));
    EXPECT_LT(dataSet.CompareBookmarks(first, dataSet.GetBookmark()), 0);
    dataSet.GotoBookmark(first);
    EXPECT_EQ(dataSet.FieldByName(u"ID")->AsInteger(), 1);
    dataSet.Append();
    EXPECT_EQ(ErrorOf<EDatabaseError>([&] { dataSet.Post(); }), u"Field 'ID' must have a value");
    dataSet.Cancel();
    dataSet.Close();
    EXPECT_EQ(dataSet.RecordCount(), 0);
}

TEST(MemDataSet, FieldWritesByState)
{
    TestDataSet dataSet(People());
    dataSet.Open();
    AddPerson(dataSet, 1, u"Ann");
    TField* name = dataSet.FieldByName(u"NAME");
    TField* code = dataSet.FieldByName(u"CODE");
    EXPECT_EQ(ErrorOf<EDatabaseError>([&] { name->SetAsString(u"x"); }), u"Dataset not in edit or insert mode");
    dataSet.Edit();
    EXPECT_EQ(ErrorOf<EDatabaseError>([&] { code->SetAsInteger(5); }), u"Field 'CODE' cannot be modified");
    dataSet.Cancel();
    // A key edit may write read-only fields.
    const TDataSetState saved = dataSet.EnterTempState(dsSetKey);
    EXPECT_EQ(ErrorOf<EDatabaseError>([&] { code->SetAsInteger(5); }), u"no exception");
    dataSet.LeaveTempState(saved);
}

TEST(MemDataSet, OldValuesNewRecordErrorsAndDeferredPost)
{
    TestDataSet dataSet(People());
    dataSet.Open();
    AddPerson(dataSet, 1, u"Ann");

    dataSet.Edit();
    dataSet.FieldByName(u"NAME")->SetAsString(u"Anne");
    EXPECT_EQ(dataSet.FieldByName(u"NAME")->OldValue().AsString(), u"Ann");
    dataSet.Cancel();
    EXPECT_EQ(dataSet.FieldByName(u"NAME")->AsString(), u"Ann");

    dataSet.Append();
    EXPECT_TRUE(dataSet.FieldByName(u"NAME")->OldValue().IsNull());
    dataSet.Cancel();

    dataSet.OnNewRecord = [](TDataSet&) { throw EDatabaseError(u"no new records"); };
    EXPECT_EQ(ErrorOf<EDatabaseError>([&] { dataSet.Append(); }), u"no new records");
    EXPECT_EQ(dataSet.State(), dsBrowse);
    EXPECT_EQ(dataSet.RecordCount(), 1);
    dataSet.OnNewRecord = nullptr;

    // A deferred post inserts once; the post that follows updates the record it made.
    dataSet.log = {};
    dataSet.Append();
    dataSet.FieldByName(u"ID")->SetAsInteger(2);
    dataSet.FieldByName(u"NAME")->SetAsString(u"Cid");
    dataSet.DeferredPost();
    EXPECT_EQ(dataSet.log.appends, 1);
    EXPECT_EQ(dataSet.State(), dsInsert);
    EXPECT_TRUE(dataSet.InDeferredPost());
    EXPECT_EQ(dataSet.FieldByName(u"NAME")->OldValue().AsString(), u"Cid");  // the deferred copy
    dataSet.FieldByName(u"NAME")->SetAsString(u"Cyd");
    dataSet.Post();
    EXPECT_EQ(dataSet.log.appends, 1);
    EXPECT_EQ(dataSet.log.updates, 1);
    EXPECT_FALSE(dataSet.InDeferredPost());
    EXPECT_EQ(dataSet.FieldByName(u"NAME")->AsString(), u"Cyd");
}

TEST(MemDataSet, DefaultValuesAreDequoted)
{
    TestDataSet dataSet(People());
    dataSet.Open();
    dataSet.FieldByName(u"NAME")->SetDefaultExpression(u"'O''Neil'");
    dataSet.FieldByName(u"ID")->SetDefaultExpression(u"7");
    dataSet.Append();
    EXPECT_EQ(dataSet.FieldByName(u"NAME")->AsString(), u"O'Neil");
    EXPECT_EQ(dataSet.FieldByName(u"ID")->AsInteger(), 7);
    dataSet.Cancel();
}

TEST(BlobStream, ModesChecksCancelAndPost)
{
    TestDataSet dataSet(People());
    dataSet.Open();
    AddPerson(dataSet, 1, u"Ann");
    auto* memo = static_cast<TBlobField*>(dataSet.FieldByName(u"MEMO"));
    auto* readOnly = static_cast<TBlobField*>(dataSet.FieldByName(u"RO_MEMO"));

    dataSet.Edit();
    {
        auto stream = dataSet.CreateBlobStream(memo, bmWrite);
        stream->WriteBuffer("first", 5);
    }
    dataSet.Post();
    EXPECT_TRUE(memo->Modified());
    EXPECT_EQ(memo->AsString(), u"first");

    // Browsing: a read stream on a read-only blob opens; a write stream raises.
    {
        auto stream = dataSet.CreateBlobStream(readOnly, bmRead);
        EXPECT_EQ(stream->Size(), 0);
        auto reader = dataSet.CreateBlobStream(memo, bmRead);
        EXPECT_EQ(reader->Seek(10, core::soBeginning), 10);  // not clamped
        char byte;
        EXPECT_EQ(reader->Read(&byte, 1), 0);
        EXPECT_THROW(reader->Seek(-11, core::soCurrent), core::EStreamError);  // but never before the start
        EXPECT_EQ(reader->Seek(-1, core::soEnd), 4);
        EXPECT_EQ(reader->Read(&byte, 1), 1);
        EXPECT_EQ(byte, 't');
    }
    EXPECT_EQ(ErrorOf<EDatabaseError>([&] { dataSet.CreateBlobStream(readOnly, bmWrite); }),
              u"Field 'RO_MEMO' cannot be modified");
    memo->SetModified(false);  // a field already modified is not checked again
    EXPECT_EQ(ErrorOf<EDatabaseError>([&] { dataSet.CreateBlobStream(memo, bmWrite); }),
              u"Dataset not in edit or insert mode");

    // bmReadWrite keeps the content, bmWrite empties it; a cancel brings the old content back.
    dataSet.Edit();
    {
        auto stream = dataSet.CreateBlobStream(memo, bmReadWrite);
        EXPECT_EQ(stream->Size(), 5);
        stream->Seek(0, core::soEnd);
        stream->WriteBuffer("+more", 5);
    }
    EXPECT_EQ(memo->AsString(), u"first+more");
    {
        auto stream = dataSet.CreateBlobStream(memo, bmWrite);
        EXPECT_EQ(stream->Size(), 0);
        stream->WriteBuffer("second", 6);
    }
    EXPECT_EQ(memo->AsString(), u"second");
    dataSet.Cancel();
    EXPECT_EQ(memo->AsString(), u"first");
}

TEST(MemDataSet, ParentScrollComparesWholeBookmarks)
{
    TestDataSet parent(People());
    TestDataSet detail(People());
    parent.Open();
    detail.Open();
    for (int i = 1; i <= 300; ++i)
        AddPerson(parent, i, u"p");
    for (int i = 1; i <= 3; ++i)
        AddPerson(detail, i, u"d");
    detail.SetParentDataSet(&parent);

    // Two parent records whose bookmarks add up to the same byte sum.
    std::map<int, int> bySum;
    int first = 0, second = 0;
    for (parent.First(); !parent.Eof() && !second; parent.Next()) {
        const TBookmark mark = parent.GetBookmark();
        const int sum = std::accumulate(mark.begin(), mark.end(), 0);
        if (auto it = bySum.find(sum); it != bySum.end()) {
            first = it->second;
            second = parent.RecNo();
        } else {
            bySum[sum] = parent.RecNo();
        }
    }
    ASSERT_NE(second, 0) << "no two bookmarks with one byte sum among 300 records";

    parent.SetRecNo(first);
    detail.DataEvent(deParentScroll, 0);
    EXPECT_EQ(detail.RecNo(), 1);
    detail.Last();
    detail.DataEvent(deParentScroll, 0);  // the parent stayed: the detail stays too
    EXPECT_EQ(detail.RecNo(), 3);
    parent.SetRecNo(second);
    detail.DataEvent(deParentScroll, 0);  // another parent record, whatever its byte sum
    EXPECT_EQ(detail.RecNo(), 1);
}

TEST(DataSetUpdater, DispatchLocalUpdateAndHandlers)
{
    TestDataSet dataSet(People());
    dataSet.Open();
    AddPerson(dataSet, 1, u"Ann");
    TDataSetUpdater& updater = *dataSet.DataSetService()->Updater();

    dataSet.log = {};
    dataSet.SetLocalUpdate(true);
    dataSet.Edit();
    dataSet.FieldByName(u"NAME")->SetAsString(u"Anne");
    EXPECT_TRUE(dataSet.Modified());
    updater.DoPerformUpdate();
    updater.DoPerformAppend();
    updater.DoPerformDelete();
    EXPECT_EQ(dataSet.log.updates + dataSet.log.appends + dataSet.log.deletes, 0);
    EXPECT_TRUE(dataSet.Modified());
    dataSet.Cancel();
    dataSet.SetLocalUpdate(false);

    struct Case {
        const char* what;
        int handlerAction;  // -1: no handler
        bool raise;          // the handler raises a database error
        int errorAction;     // -1: no error handler
        TUpdateRecAction expected;
        int updates;
        const char16_t* error;  // expected message, or null
    } cases[] = {
        {"no handler", -1, false, -1, urApplied, 1, nullptr},
        {"default action", UpdateActionDefault, false, -1, urApplied, 1, nullptr},
        {"skip", uaSkip, false, -1, urSkip, 0, nullptr},
        {"fail", uaFail, false, -1, urNone, 0, u"Update failed"},
        {"fail, then the error handler skips", uaFail, false, uaSkip, urSkip, 0, nullptr},
        {"raising handler, error handler retries", 0, true, uaRetry, urRetry, 0, nullptr},
        {"raising handler, error handler fails", 0, true, uaFail, urNone, 0, u"handler failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dataSet.log = {};
        dataSet.OnUpdateRecord = nullptr;
        dataSet.OnUpdateError = nullptr;
        if (c.handlerAction >= 0 || c.raise)
            dataSet.OnUpdateRecord = [&](TDataSet&, TUpdateKind kind, int& action) {
                EXPECT_EQ(kind, ukModify);
                if (c.raise)
                    throw EDatabaseError(u"handler failed");
                action = c.handlerAction;
            };
        if (c.errorAction >= 0)
            dataSet.OnUpdateError = [&](TDataSet&, EDatabaseError&, TUpdateKind, TUpdateAction& action) {
                action = TUpdateAction(c.errorAction);
            };
        TUpdateRecAction action = urNone;
        const String error = ErrorOf<EDatabaseError>([&] { updater.DoApplyRecord(ukModify, action, true); });
        EXPECT_EQ(error, c.error ? String(c.error) : String(u"no exception"));
        EXPECT_EQ(action, c.expected);
        EXPECT_EQ(dataSet.log.updates, c.updates);
    }
    dataSet.OnUpdateRecord = [](TDataSet&, TUpdateKind, int& action) { action = uaAbort; };
    TUpdateRecAction action = urNone;
    EXPECT_THROW(updater.DoApplyRecord(ukDelete, action, true), core::EAbort);
}

TEST(DataSetService, NumberRanges)
{
    TestDataSet dataSet({{u"SMALL", dtInt32, 4, 3},
                         {u"BIG", dtInt64, 8, 12},
                         {u"PRICE", dtFloat, 8, 7, false, false, 2},
                         {u"WIDE", dtFloat, 8, 16}});
    dataSet.SetNumberRange(true);
    dataSet.Open();
    auto* small = static_cast<TIntegerField*>(dataSet.FieldByName(u"SMALL"));
    EXPECT_EQ(small->MaxValue(), 999);
    EXPECT_EQ(small->MinValue(), -999);
    auto* big = static_cast<TIntegerField*>(dataSet.FieldByName(u"BIG"));
    EXPECT_EQ(big->MaxValue(), 999999999999);
    auto* price = static_cast<TFloatField*>(dataSet.FieldByName(u"PRICE"));
    EXPECT_EQ(price->Precision(), 7);
    EXPECT_DOUBLE_EQ(price->MaxValue(), 99999.99);
    EXPECT_DOUBLE_EQ(price->MinValue(), -99999.99);
    auto* wide = static_cast<TFloatField*>(dataSet.FieldByName(u"WIDE"));
    EXPECT_EQ(wide->MaxValue(), 0.0);  // 16 digits: no range
    dataSet.Append();
    EXPECT_NE(ErrorOf<core::Exception>([&] { small->SetAsInteger(1000); }), u"no exception");
    dataSet.Cancel();
}

namespace {

std::vector<Column> RowsetColumns()
{
    return {
        {u"ID", dtInt32, 4},
        {u"ORDER ID", dtString, 11, 10},
        {u"AMOUNT", dtFloat, 8, 15},
        {u"WHEN", dtDateTime, 8},
        {u"NOTE", dtExtString, 8, 20},
        {u"X-Y", dtInt32, 4, 0, true},
    };
}

void FillRowset(TMemDataSet& dataSet)
{
    dataSet.Open();
    dataSet.Append();
    dataSet.FieldByName(u"ID")->SetAsInteger(1);
    dataSet.FieldByName(u"ORDER ID")->SetAsString(u"it's");
    dataSet.FieldByName(u"AMOUNT")->SetAsFloat(2.5);
    dataSet.FieldByName(u"WHEN")->SetAsDateTime(core::EncodeDate(2009, 3, 5) + core::EncodeTime(14, 7, 9, 500));
    dataSet.FieldByName(u"NOTE")->SetAsString(u"two\r\nlines");
    dataSet.FieldByName(u"X-Y")->SetAsInteger(-7);
    dataSet.Post();
    dataSet.Append();
    dataSet.FieldByName(u"X-Y")->SetAsInteger(0);
    dataSet.Post();
    dataSet.Append();
    dataSet.FieldByName(u"ID")->SetAsInteger(3);
    dataSet.FieldByName(u"X-Y")->SetAsInteger(3);
    dataSet.Post();
}

} // namespace

TEST(DataSetService, RowsetXmlByteForByte)
{
    TestDataSet dataSet(RowsetColumns());
    FillRowset(dataSet);
    dataSet.SetRecNo(2);
    core::MemoryStream stream;
    dataSet.SaveToXML(stream);
    const String expected =
        u"<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' "
        u"xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>\r\n"
        u"  <s:Schema id='RowsetSchema'>\r\n"
        u"    <s:ElementType name='row' content='eltOnly' rs:updatable='true'>\r\n"
        u"      <s:AttributeType name='ID' rs:number='1' rs:nullable='true' rs:writeunknown='true' rs:basecolumn='ID'>\r\n"
        u"        <s:datatype dt:type='int' dt:maxLength='4' rs:precision='10' />\r\n"
        u"      </s:AttributeType>\r\n"
        u"      <s:AttributeType name='c1' rs:name='ORDER ID' rs:number='2' rs:nullable='true' rs:writeunknown='true' "
        u"rs:basecolumn='ORDER ID'>\r\n"
        u"        <s:datatype dt:type='string' dt:maxLength='10' rs:dbtype='str' />\r\n"
        u"      </s:AttributeType>\r\n"
        u"      <s:AttributeType name='AMOUNT' rs:number='3' rs:nullable='true' rs:writeunknown='true' rs:basecolumn='AMOUNT'>\r\n"
        u"        <s:datatype dt:type='float' dt:maxLength='8' rs:precision='15' />\r\n"
        u"      </s:AttributeType>\r\n"
        u"      <s:AttributeType name='WHEN' rs:number='4' rs:nullable='true' rs:writeunknown='true' rs:basecolumn='WHEN'>\r\n"
        u"        <s:datatype dt:type='datetime' rs:dbtype='variantdate' dt:maxLength='8' rs:scale='0' rs:precision='0' />\r\n"
        u"      </s:AttributeType>\r\n"
        u"      <s:AttributeType name='NOTE' rs:number='5' rs:nullable='true' rs:writeunknown='true' rs:basecolumn='NOTE'>\r\n"
        u"        <s:datatype dt:type='string' dt:maxLength='20' rs:dbtype='str' />\r\n"
        u"      </s:AttributeType>\r\n"
        u"      <s:AttributeType name='c2' rs:name='X-Y' rs:number='6' rs:writeunknown='true' rs:basecolumn='X-Y'>\r\n"
        u"        <s:datatype dt:type='int' dt:maxLength='4' rs:precision='10' rs:maybenull='false' />\r\n"
        u"      </s:AttributeType>\r\n"
        u"      <s:extends type='rs:rowbase' />\r\n"
        u"    </s:ElementType>\r\n"
        u"  </s:Schema>\r\n"
        u"  <rs:data>\r\n"
        u"    <z:row ID='1' c1='it&#x27;s' AMOUNT='2.5' WHEN='2009-03-05T14:07:09' NOTE='two&#xD;&#xA;lines' c2='-7' />\r\n"
        u"    <z:row c2='0' />\r\n"
        u"    <z:row ID='3' c2='3' />\r\n"
        u"  </rs:data>\r\n"
        u"</xml>";
    EXPECT_EQ(Text(stream), expected);
    EXPECT_EQ(dataSet.RecNo(), 2);  // back on its record
}

TEST(DataSetService, RowsetXmlOfAnAllNullRowAndAClosedDataSet)
{
    TestDataSet dataSet({{u"A", dtInt32, 4}, {u"B", dtBoolean, 2}});
    dataSet.Open();
    dataSet.Append();
    dataSet.Post();
    dataSet.Append();
    dataSet.FieldByName(u"B")->SetAsBoolean(true);
    dataSet.Post();
    core::MemoryStream stream;
    dataSet.SaveToXML(stream);
    const String text = Text(stream);
    const String rows = u"  <rs:data>\r\n"
                        u"    <z:row>\r\n"
                        u"    </z:row>\r\n"
                        u"    <z:row B='True' />\r\n"
                        u"  </rs:data>\r\n"
                        u"</xml>";
    ASSERT_GE(text.size(), rows.size());
    EXPECT_EQ(text.substr(text.size() - rows.size()), rows);
    EXPECT_NE(text.find(u"<s:datatype dt:type='boolean' dt:maxLength='2' />"), String::npos);

    // A closed dataset is opened for the export (an in-memory store starts empty) and closed again.
    TestDataSet closed({{u"A", dtInt32, 4}});
    core::MemoryStream empty;
    closed.SaveToXML(empty);
    EXPECT_FALSE(closed.Active());
    const String none = Text(empty);
    const String tail = u"  <rs:data>\r\n  </rs:data>\r\n</xml>";
    ASSERT_GE(none.size(), tail.size());
    EXPECT_EQ(none.substr(none.size() - tail.size()), tail);
}

namespace {

// A dataset whose calculated fields live either in the store (descriptors of their own) or in the
// base's calculated area.
class CalcDataSet : public TestDataSet {
public:
    explicit CalcDataSet(bool inStore) : TestDataSet({{u"ID", dtInt32, 4}, {u"NAME", dtString, 21, 20}})
    {
        if (!inStore) {
            FCreateCalcFieldDescs = false;
            SetData(std::make_unique<TableStore>(std::vector<Column>{{u"ID", dtInt32, 4}, {u"NAME", dtString, 21, 20}}));
        }
    }
};

template <class T> T* AddField(TDataSet& dataSet, const char16_t* name, TFieldKind kind, int size = 0)
{
    auto* field = new T(&dataSet);
    field->SetFieldName(name);
    field->SetFieldKind(kind);
    if (size)
        field->SetSize(size);
    field->SetDataSet(&dataSet);
    return field;
}

} // namespace

TEST(MemDataSet, CalculatedFieldsInTheStoreOrInTheBaseArea)
{
    for (bool inStore : {true, false}) {
        SCOPED_TRACE(inStore ? "store descriptors" : "base area");
        CalcDataSet dataSet(inStore);
        auto* id = AddField<TIntegerField>(dataSet, u"ID", fkData);
        auto* name = AddField<TStringField>(dataSet, u"NAME", fkData, 20);
        auto* twice = AddField<TIntegerField>(dataSet, u"TWICE", fkCalculated);
        auto* label = AddField<TStringField>(dataSet, u"LABEL", fkCalculated, 12);
        auto* day = AddField<TDateField>(dataSet, u"DAY", fkCalculated);
        auto* wide = AddField<TWideStringField>(dataSet, u"WIDE", fkCalculated, 5);
        dataSet.OnCalcFields = [&](TDataSet&) {
            twice->SetAsInteger(id->AsInteger() * 2);
            label->SetAsString(u"#" + name->AsString());
            day->SetAsDateTime(core::EncodeDate(2000, 1, 1) + id->AsInteger());
            if (id->AsInteger() != 2)
                wide->SetAsString(u"w" + core::IntToStr(id->AsInteger()));
        };
        dataSet.Open();
        if (inStore) {
            // Each calculated field has its descriptor after the data fields, sized for the store.
            TData& store = *dataSet.Data();
            ASSERT_EQ(store.FieldCount(), 6);
            const struct {
                int no;
                uint16_t type, size, length;
            } descs[] = {{3, dtInt32, 4, 0}, {4, dtString, 13, 12}, {5, dtDate, 8, 0}, {6, dtWideString, 12, 5}};
            for (const auto& d : descs) {
                const TFieldDesc& desc = *store.Fields().Items(d.no - 1);
                EXPECT_EQ(desc.FieldDescKind, fdkCalculated) << d.no;
                EXPECT_EQ(desc.DataType, d.type) << d.no;
                EXPECT_EQ(desc.Size, d.size) << d.no;
                EXPECT_EQ(desc.Length, d.length) << d.no;
            }
            EXPECT_EQ(dataSet.RecBufSize(), store.RecordSize() + store.CalcRecordSize() + 7 + 16);
        }
        for (int i = 1; i <= 3; ++i)
            AddPerson(dataSet, i, i == 1 ? u"one" : i == 2 ? u"two" : u"three");
        dataSet.First();
        EXPECT_EQ(twice->AsInteger(), 2);
        EXPECT_EQ(label->AsString(), u"#one");
        EXPECT_EQ(wide->AsString(), u"w1");
        dataSet.Next();
        EXPECT_EQ(twice->AsInteger(), 4);
        EXPECT_TRUE(wide->IsNull());
        EXPECT_EQ(day->AsDateTime(), core::EncodeDate(2000, 1, 3));
        dataSet.Edit();
        id->SetAsInteger(21);  // a data field's change recalculates
        EXPECT_EQ(twice->AsInteger(), 42);
        dataSet.Post();
        dataSet.Last();
        EXPECT_EQ(label->AsString(), u"#three");
        dataSet.Prior();
        EXPECT_EQ(twice->AsInteger(), 42);
        EXPECT_EQ(ErrorOf<EDatabaseError>([&] { twice->SetAsInteger(1); }), u"Dataset not in edit or insert mode");

        // A lookup computes the found record's calculated fields and leaves the current record.
        const Variant found = dataSet.Lookup(u"NAME", Variant(String(u"one")), u"TWICE;LABEL");
        ASSERT_EQ(found.ArrayCount(), 2);
        EXPECT_EQ(found.ArrayItem(0).AsInteger(), 2);
        EXPECT_EQ(found.ArrayItem(1).AsString(), u"#one");
        EXPECT_EQ(id->AsInteger(), 21);
        if (inStore) {
            // A calculated key is computed for every record the search looks at.
            dataSet.First();
            EXPECT_TRUE(dataSet.LocateEx(u"TWICE", Variant(6), {}));
            EXPECT_EQ(id->AsInteger(), 3);
            EXPECT_EQ(dataSet.Lookup(u"LABEL", Variant(String(u"#two")), u"ID").AsInteger(), 21);
        }
        dataSet.Close();
    }
}

TEST(MemDataSet, DescriptorsBlobsAndPreparation)
{
    TestDataSet dataSet(People());
    EXPECT_FALSE(dataSet.Prepared());
    EXPECT_EQ(ErrorOf<EDatabaseError>([&] { dataSet.CheckPrepared(); }), u"DataSet is not prepared");
    dataSet.Prepare();
    EXPECT_TRUE(dataSet.Prepared());
    dataSet.Open();
    AddPerson(dataSet, 1, u"Ann");
    TField* memo = dataSet.FieldByName(u"MEMO");
    EXPECT_EQ(dataSet.GetFieldDesc(memo)->Name, u"MEMO");
    EXPECT_EQ(dataSet.GetFieldDescNo(memo), 5);
    ASSERT_NE(dataSet.GetBlob(memo), nullptr);
    EXPECT_EQ(dataSet.GetBlob(u"memo"), dataSet.GetBlob(memo));
    EXPECT_EQ(ErrorOf<EDatabaseError>([&] { dataSet.GetBlob(dataSet.FieldByName(u"NAME")); }), u"Field is not BLOB");
    EXPECT_EQ(dataSet.GetBlob(static_cast<TField*>(nullptr)), nullptr);
    EXPECT_EQ(ErrorOf<core::EAssertionFailed>([&] { dataSet.GetFieldDesc(nullptr); }).rfind(u"Field cannot be nil", 0), 0u);
    TestDataSet other(People());
    other.Open();
    EXPECT_EQ(ErrorOf<core::EAssertionFailed>([&] { dataSet.GetFieldDesc(other.FieldByName(u"ID")); }).rfind(u"Wrong DataSet", 0),
              0u);
    dataSet.UnPrepare();
    EXPECT_FALSE(dataSet.Active());
    EXPECT_FALSE(dataSet.Prepared());
    EXPECT_FALSE(dataSet.FieldDefs().Updated());
}

namespace {

// A store with a structured field and an array field, whose types the test makes.
class StructuredStore : public TMemData {
public:
    StructuredStore()
    {
        address = new TObjectType(u"ADDRESS", dtObject);
        address->AddAttribute(u"CITY", dtString).Length = 30;
        address->AddAttribute(u"ZIP", dtInt32);
        address->AddAttribute(u"CITY", dtInt32);  // a second attribute of one name
        items = new TObjectType(u"ITEMS", dtArray);
        items->SetSize(150);
        items->AddAttribute(u"ELEMENT", dtWideString).Length = 8;
    }
    ~StructuredStore() override
    {
        TSharedObject::Free(address);
        TSharedObject::Free(items);
    }
    TObjectType* address;
    TObjectType* items;

protected:
    void DoInitFields() override
    {
        const std::tuple<const char16_t*, uint16_t, TObjectType*> columns[] = {
            {u"ID", dtInt32, nullptr}, {u"ADDR", dtObject, address}, {u"LIST", dtArray, items}};
        for (const auto& [name, type, objectType] : columns) {
            auto desc = CreateFieldDesc();
            desc->Name = desc->ActualName = name;
            desc->DataType = type;
            desc->Size = type == dtInt32 ? 4 : 8;
            desc->SetObjectType(objectType);
            Fields().Add(std::move(desc));
        }
    }
};

class StructuredDataSet : public TMemDataSet {
public:
    StructuredDataSet() { SetData(std::make_unique<StructuredStore>()); }
};

} // namespace

TEST(MemDataSet, FieldDefinitionsOfStructuredAndArrayFields)
{
    for (bool sparse : {false, true}) {
        StructuredDataSet dataSet;
        dataSet.SetSparseArrays(sparse);
        dataSet.FieldDefs().Update();
        TFieldDefs& defs = dataSet.FieldDefs();
        ASSERT_EQ(defs.Count(), 3);
        EXPECT_EQ(defs[0]->FieldNo(), 1);
        TFieldDef* addr = defs[1];
        EXPECT_EQ(addr->DataType(), ftADT);
        EXPECT_EQ(addr->FieldNo(), 2);
        ASSERT_EQ(addr->ChildDefs().Count(), 3);
        EXPECT_EQ(addr->ChildDefs()[0]->Name(), u"CITY");
        EXPECT_EQ(addr->ChildDefs()[0]->DataType(), ftString);
        EXPECT_EQ(addr->ChildDefs()[0]->Size(), 30);
        EXPECT_EQ(addr->ChildDefs()[1]->Name(), u"ZIP");
        EXPECT_EQ(addr->ChildDefs()[1]->Size(), 0);
        EXPECT_EQ(addr->ChildDefs()[2]->Name(), u"CITY_1");
        TFieldDef* list = defs[2];
        EXPECT_EQ(list->DataType(), ftArray);
        // min(declared size, 100) elements, or one with sparse arrays; named by their index.
        ASSERT_EQ(list->ChildDefs().Count(), sparse ? 1 : 100);
        EXPECT_EQ(list->ChildDefs()[0]->Name(), u"0");
        EXPECT_EQ(list->ChildDefs()[0]->DataType(), ftWideString);
        EXPECT_EQ(list->ChildDefs()[0]->Size(), 8);
        if (!sparse) {
            EXPECT_EQ(list->ChildDefs()[99]->Name(), u"99");
        }
    }
}

TEST(DataSetService, RowsetXmlRefusesStructuredFieldsAndRestoresTheDataSet)
{
    StructuredDataSet dataSet;
    core::MemoryStream stream;
    EXPECT_EQ(ErrorOf<EDatabaseError>([&] { dataSet.SaveToXML(stream); }), u"Data type is not supported");
    EXPECT_FALSE(dataSet.Active());
    EXPECT_FALSE(dataSet.ControlsDisabled());
}

TEST(MemDataSet, AssignToCopiesTheUpdateSettings)
{
    TestDataSet source(People());
    TestDataSet target(People());
    source.SetLocalUpdate(true);
    source.SetLocalConstraints(false);
    target.Assign(source);
    EXPECT_TRUE(target.LocalUpdate());
    EXPECT_FALSE(target.LocalConstraints());
    EXPECT_FALSE(target.CachedUpdates());
}

TEST(MemDataSet, BuffersThatHoldTheirOwnReferences)
{
    // A descendant whose record buffers take references on strings and blobs as they are fetched:
    // every edit, cancel, delete and close must release each of them once (the sanitizers check it).
    class Referencing : public TestDataSet {
    public:
        Referencing() : TestDataSet(People()) { FNeedAddRef = true; }
    } dataSet;
    dataSet.Open();
    for (int i = 1; i <= 5; ++i) {
        dataSet.Append();
        dataSet.FieldByName(u"ID")->SetAsInteger(i);
        dataSet.FieldByName(u"NOTE")->SetAsString(u"note " + core::IntToStr(i));
        dataSet.FieldByName(u"MEMO")->SetAsString(u"memo " + core::IntToStr(i));
        dataSet.Post();
    }
    dataSet.First();
    dataSet.Edit();
    dataSet.FieldByName(u"NOTE")->SetAsString(u"changed");
    dataSet.FieldByName(u"MEMO")->SetAsString(u"changed memo");
    dataSet.Cancel();
    EXPECT_EQ(dataSet.FieldByName(u"NOTE")->AsString(), u"note 1");
    EXPECT_EQ(dataSet.FieldByName(u"MEMO")->AsString(), u"memo 1");
    dataSet.Next();
    dataSet.Edit();
    dataSet.FieldByName(u"NOTE")->SetAsString(u"kept");
    dataSet.Post();
    dataSet.Next();
    dataSet.Delete();
    dataSet.Insert();
    dataSet.FieldByName(u"NOTE")->SetAsString(u"never stored");
    dataSet.FieldByName(u"MEMO")->SetAsString(u"never stored");
    dataSet.Cancel();
    EXPECT_EQ(dataSet.RecordCount(), 4);
    dataSet.First();
    dataSet.Next();
    EXPECT_EQ(dataSet.FieldByName(u"NOTE")->AsString(), u"kept");
    dataSet.Next();
    EXPECT_EQ(dataSet.FieldByName(u"NOTE")->AsString(), u"note 4");
    dataSet.Edit();  // closed while editing
    dataSet.FieldByName(u"MEMO")->SetAsString(u"dropped");
    dataSet.Close();
}
