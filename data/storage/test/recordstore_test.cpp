#include "data/storage/recordstore.h"

#include "data/storage/test/error_of.h"

#include "core/codepage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

using namespace data;

namespace {

// A store of one record, enough for the operations of the base class.
class OneRecordStore : public TData {
public:
    std::vector<std::tuple<String, uint16_t, uint16_t, uint16_t>> columns;  // name, type, size, length
    void* stored = nullptr;

    ~OneRecordStore() override
    {
        if (stored) {
            FreeComplexFields(stored, true);
            FreeRecBuf(stored);
        }
    }

    void GetRecord(void* RecBuf) override { std::memcpy(RecBuf, stored, size_t(RecordSize())); }
    void GetNextRecord(void* RecBuf) override { GetRecord(RecBuf); }
    void GetPriorRecord(void* RecBuf) override { GetRecord(RecBuf); }
    void PutRecord(void* RecBuf) override { std::memcpy(stored, RecBuf, size_t(RecordSize())); }
    void AppendRecord(void* RecBuf) override
    {
        if (!stored)
            stored = AllocRecBuf();
        PutRecord(RecBuf);
    }
    void InsertRecord(void* RecBuf) override { AppendRecord(RecBuf); }
    void UpdateRecord(void* RecBuf) override { PutRecord(RecBuf); }
    void DeleteRecord() override {}

protected:
    void DoInitFields() override
    {
        for (const auto& [name, type, size, length] : columns) {
            auto desc = CreateFieldDesc();
            desc->Name = name;
            desc->ActualName = name;
            desc->DataType = type;
            desc->Size = size;
            desc->Length = length;
            Fields().Add(std::move(desc));
        }
    }
};

struct Buffer {
    TData& data;
    void* p;
    explicit Buffer(TData& d) : data(d), p(d.AllocRecBuf(true)) { d.InitRecord(p); }
    ~Buffer() { data.FreeRecBuf(p); }
};

} // namespace

TEST(RecordStoreLayout, OffsetsFlagsAndOddRecordSize)
{
    OneRecordStore two;
    two.columns = {{u"A", dtInt32, 4, 0}, {u"B", dtString, 3, 2}};
    two.InitFields();
    EXPECT_EQ(two.DataSize(), 7);
    EXPECT_EQ(two.RecordSize(), 9);
    EXPECT_EQ(two.FieldByName(u"b")->Offset, 4);

    OneRecordStore three;
    three.columns = {{u"A", dtInt32, 4, 0}, {u"B", dtString, 3, 2}, {u"C", dtInt32, 4, 0}};
    three.InitFields();
    EXPECT_EQ(three.DataSize(), 11);
    EXPECT_EQ(three.RecordSize(), 15);

    OneRecordStore wide;
    wide.columns = {{u"S", dtString, 3, 2}, {u"W", dtWideString, 6, 2}, {u"X", dtInt8, 1, 0}};
    wide.OnGetCachedFields = [&] {
        auto calc = wide.CreateFieldDesc();
        calc->Name = u"CALC";
        calc->DataType = dtWideString;
        calc->Size = 4;
        calc->FieldDescKind = fdkCalculated;
        wide.Fields().Add(std::move(calc));
    };
    wide.InitFields();
    EXPECT_EQ(wide.FieldByName(u"W")->Offset, 4);  // even, not 3
    EXPECT_EQ(wide.DataSize(), 11);
    EXPECT_EQ(wide.RecordSize(), 15);  // 11 + 4 flags, odd already
    EXPECT_EQ(wide.FieldByName(u"CALC")->Offset, 16);
    EXPECT_EQ(wide.CalcRecordSize(), 5);  // 1 skipped + 4, odd

    Buffer record(two);
    bool blank = false;
    int value = 0;
    two.GetField(1, record.p, &value, blank);
    EXPECT_TRUE(blank);
    EXPECT_EQ(static_cast<uint8_t*>(record.p)[7], 1);
    const int32_t answer = 42;
    two.PutField(1, record.p, &answer);
    EXPECT_EQ(static_cast<uint8_t*>(record.p)[7], 0);
    two.GetField(1, record.p, &value, blank);
    EXPECT_FALSE(blank);
    EXPECT_EQ(value, 42);
    EXPECT_NE(ErrorOf<core::EAssertionFailed>([&] { two.GetField(3, record.p, &value, blank); }), u"no exception");
}

TEST(RecordStoreNames, DuplicatesAndEmptyNamesAreNumbered)
{
    struct Case { std::vector<String> in; std::vector<String> out; } cases[] = {
        {{u"ID", u"ID", u"ID"}, {u"ID", u"ID_1", u"ID_2"}},
        {{u"ID", u"id", u"ID", u"ID_1"}, {u"ID", u"id_1", u"ID_2", u"ID_1_1"}},
        {{u"", u"A", u""}, {u"_0", u"A", u"_1"}},
    };
    for (const auto& c : cases) {
        OneRecordStore store;
        for (const String& name : c.in)
            store.columns.emplace_back(name, dtInt32, 4, 0);
        int changed = 0;
        store.OnFieldsChanged = [&] { ++changed; };
        store.InitFields();
        EXPECT_EQ(changed, 1);  // once, after the fields are laid out
        std::vector<String> names;
        for (int i = 0; i < store.FieldCount(); ++i)
            names.push_back(store.Fields().Items(i)->Name);
        EXPECT_EQ(names, c.out);
    }
}

TEST(RecordStoreValues, EachStorageFormRoundTrips)
{
    OneRecordStore store;
    store.columns = {{u"S", dtString, 6, 5},      {u"F", dtFloat, 8, 0},         {u"D", dtDate, 8, 0},
                     {u"T", dtTime, 8, 0},        {u"DT", dtDateTime, 8, 0},     {u"U", dtUInt32, 4, 0},
                     {u"W", dtWideString, 8, 10}, {u"RS", dtExtString, 8, 4},    {u"RW", dtExtWideString, 8, 3},
                     {u"RB", dtExtVarBytes, 8, 3}, {u"V", dtVariant, 8, 0},      {u"BCD", dtFMTBCD, 34, 0}};
    store.InitFields();
    store.Fields().Items(1)->Scale = 2;
    Buffer record(store);
    store.CreateComplexFields(record.p, false);

    store.PutField(1, record.p, "abcdefgh");  // at most Size - 1 characters
    char text[16] = {};
    bool blank = false;
    store.GetField(1, record.p, text, blank);
    EXPECT_STREQ(text, "abcde");

    const double pi = 3.14159;
    store.PutField(2, record.p, &pi);
    double back = 0;
    store.GetField(2, record.p, &back, blank);
    EXPECT_EQ(back, 3.14);  // rounded to the two places of its scale

    const int32_t day = 693594 + 1;  // 31 December 1899
    store.PutField(3, record.p, &day);
    int32_t day_back = 0;
    store.GetField(3, record.p, &day_back, blank);
    EXPECT_EQ(day_back, day);
    const int32_t noon = 43200000;
    store.PutField(4, record.p, &noon);
    double raw = 0;
    std::memcpy(&raw, static_cast<uint8_t*>(record.p) + store.Fields().Items(3)->Offset, 8);
    EXPECT_EQ(raw, 0.5);
    const double msecs = double(int64_t(693594) * 86400000 + 1500);  // 30 December 1899 00:00:01.5
    store.PutField(5, record.p, &msecs);
    double msecs_back = 0;
    store.GetField(5, record.p, &msecs_back, blank);
    EXPECT_EQ(msecs_back, msecs);

    const uint32_t big = 4000000000u;
    store.PutField(6, record.p, &big);
    uint64_t wide_back = 0;
    store.GetField(6, record.p, &wide_back, blank);
    EXPECT_EQ(wide_back, big);

    // Inline UTF-16: never past the field's 8 bytes, whatever Length says.
    store.PutField(7, record.p, u"123456789");
    char16_t wide[16] = {};
    store.GetField(7, record.p, wide, blank);
    EXPECT_EQ(core::String(wide), u"123");

    store.PutField(8, record.p, "heap text");
    store.GetField(8, record.p, text, blank);
    EXPECT_STREQ(text, "heap");  // at most Length characters
    store.PutField(9, record.p, u"\u4E2D\u6587\u5B57\u7B26");
    store.GetField(9, record.p, wide, blank);
    EXPECT_EQ(core::String(wide), u"\u4E2D\u6587\u5B57");

    const uint8_t bytes[] = {5, 0, 1, 2, 3, 4, 5};
    store.PutField(10, record.p, bytes);
    uint8_t bytes_back[8] = {};
    store.GetField(10, record.p, bytes_back, blank);
    EXPECT_EQ(bytes_back[0], 3);  // a longer value is cut to the caller's Length
    EXPECT_EQ(bytes_back[4], 3);
    EXPECT_EQ(bytes_back[5], 0);

    const core::Variant v(u"variant");
    store.PutField(11, record.p, &v);
    core::Variant v_back;
    store.GetField(11, record.p, &v_back, blank);
    EXPECT_EQ(v_back.AsString(), u"variant");

    const core::Bcd decimal = core::StrToBcd(u"-12.345");
    store.PutField(12, record.p, &decimal);
    core::Bcd decimal_back;
    store.GetField(12, record.p, &decimal_back, blank);
    EXPECT_EQ(core::BcdToStr(decimal_back), u"-12.345");

    store.FreeComplexFields(record.p, false);
}

TEST(RecordStoreValues, EmptyTextsTrimmingAndLineBreaks)
{
    class EolStore : public OneRecordStore {
    public:
        bool NeedConvertEOL() override { return true; }
    };
    EolStore store;
    store.columns = {{u"S", dtString, 12, 11}};
    store.InitFields();
    Buffer record(store);
    bool blank = false;
    store.PutField(1, record.p, "");
    EXPECT_TRUE(store.GetNull(1, record.p));
    store.EnableEmptyStrings = true;
    store.PutField(1, record.p, "");
    EXPECT_FALSE(store.GetNull(1, record.p));

    store.PutField(1, record.p, "a\nb\r\nc  ");
    char text[16] = {};
    store.GetField(1, record.p, text, blank);
    EXPECT_STREQ(text, "a\r\nb\r\nc  ");
    store.TrimVarChar = true;
    store.GetField(1, record.p, text, blank);
    EXPECT_STREQ(text, "a\r\nb\r\nc");
}

TEST(RecordStoreBlobs, NullFlagsObjectsAndEditing)
{
    OneRecordStore store;
    store.columns = {{u"B", dtMemo, 8, 0}, {u"RS", dtExtString, 8, 10}, {u"N", dtInt32, 4, 0}};
    store.InitFields();
    EXPECT_TRUE(store.HasComplexFields());
    EXPECT_TRUE(store.HasBlobFields());
    Buffer record(store);
    store.CreateComplexFields(record.p, true);
    auto* blob = static_cast<TBlob*>(store.GetObject(1, record.p));
    EXPECT_TRUE(blob->RollbackEnabled());
    EXPECT_EQ(ErrorOf<core::Exception>([&] { store.GetObject(3, record.p); }), u"Field is not BLOB");
    EXPECT_TRUE(store.GetNull(1, record.p));
    blob->Write(0, 3, "abc");
    EXPECT_FALSE(store.GetNull(1, record.p));  // data in the blob overrules the flag
    EXPECT_EQ(static_cast<uint8_t*>(record.p)[store.DataSize()], 0);

    store.PutField(2, record.p, "one");
    store.AppendRecord(record.p);
    store.AddRefComplexFields(record.p);  // the stored copy shares the values
    // Editing gives the stored record its own copies of the by-reference values.
    store.EditRecord(record.p);
    char text[16] = {};
    bool blank = false;
    store.GetField(2, store.stored, text, blank);
    EXPECT_STREQ(text, "one");
    void* mine = nullptr;
    void* theirs = nullptr;
    std::memcpy(&mine, static_cast<uint8_t*>(record.p) + store.Fields().Items(1)->Offset, sizeof mine);
    std::memcpy(&theirs, static_cast<uint8_t*>(store.stored) + store.Fields().Items(1)->Offset, sizeof theirs);
    EXPECT_NE(mine, theirs);

    store.PutField(2, record.p, "two");
    blob->Write(0, 3, "XYZ");
    store.PostRecord(record.p);
    EXPECT_FALSE(blob->CanRollback());
    store.GetField(2, store.stored, text, blank);
    EXPECT_STREQ(text, "two");

    // A fetched copy of the record, edited and cancelled: the blob's change is rolled back and the
    // copy's references are given back.
    Buffer edit(store);
    store.GetRecord(edit.p);
    store.AddRefComplexFields(edit.p);
    void* shared = nullptr;
    std::memcpy(&shared, static_cast<uint8_t*>(edit.p) + store.Fields().Items(1)->Offset, sizeof shared);
    EXPECT_EQ(TStringHeap::RefCounter(shared), 102);
    blob->Write(0, 1, "!");
    EXPECT_EQ(blob->AsAnsiString(), "!YZ");
    store.CancelRecord(edit.p);
    EXPECT_EQ(blob->AsAnsiString(), "XYZ");
    EXPECT_EQ(TStringHeap::RefCounter(shared), 101);
    TSharedObject::Free(blob);  // the fetched copy's reference
    TSharedObject::Free(blob);  // the edit buffer's own; the stored record keeps the last
    store.SetNull(1, store.stored, true);
    EXPECT_EQ(blob->Size(), 0u);
}

TEST(RecordStoreAttributes, ValuesLiveInTheFieldsObject)
{
    class Double : public TDBObject {
    public:
        std::map<String, int32_t> values;
        void* GetAttributeValue(StringView Name, bool& IsNull, bool& Temporary) override
        {
            auto at = values.find(String(Name));
            IsNull = at == values.end();
            Temporary = !IsNull;
            if (IsNull)
                return nullptr;
            void* copy = Marshal::AllocHGlobal(4);
            std::memcpy(copy, &at->second, 4);
            return copy;
        }
        bool GetAttributeIsNull(StringView Name) override { return !values.count(String(Name)); }
        void SetAttributeValue(StringView Name, const void* Source) override
        {
            if (!Source)
                values.erase(String(Name));
            else
                std::memcpy(&values[String(Name)], Source, 4);
        }
    };
    OneRecordStore store;
    store.columns = {{u"ADDR", dtObject, 8, 0}, {u"ITEMS", dtArray, 0, 0}, {u"[1]", dtInt32, 4, 0},
                     {u"ZIP", dtInt32, 4, 0}};
    store.InitFields();
    store.Fields().Items(1)->ParentField = store.Fields().Items(0);
    store.Fields().Items(2)->ParentField = store.Fields().Items(1);
    store.Fields().Items(3)->ParentField = store.Fields().Items(0);
    store.AutoInitFields = false;  // lay out the descriptors as they now are
    store.InitFields();
    // The provider puts the object into the slot before the record is initialised.
    struct Raw {
        TData& data;
        void* p;
        ~Raw() { data.FreeRecBuf(p); }
    } record{store, store.AllocRecBuf()};
    std::memset(record.p, 0, size_t(store.RecordSize()));
    auto* object = new Double;
    std::memcpy(static_cast<uint8_t*>(record.p) + store.Fields().Items(0)->Offset, &object, sizeof object);
    store.InitRecord(record.p);
    EXPECT_EQ(store.GetArrayFieldName(1), u"[1]");
    const int32_t zip = 12345, element = 7;
    store.PutField(4, record.p, &zip);
    store.PutField(3, record.p, &element);
    EXPECT_EQ(object->values.count(u"ZIP"), 1u);
    EXPECT_EQ(object->values.count(u"ITEMS[1]"), 1u);
    int32_t back = 0;
    bool blank = true;
    store.GetField(3, record.p, &back, blank);
    EXPECT_FALSE(blank);
    EXPECT_EQ(back, 7);
    store.SetNull(4, record.p, false);  // any SetNull on an attribute writes null
    EXPECT_TRUE(store.GetNull(4, record.p));
    TSharedObject::Free(object);
}

TEST(RecordStoreMisc, BookmarksAndHooks)
{
    OneRecordStore store;
    TRecBookmark a, b;
    a.Order = 1;
    b.Order = 2;
    EXPECT_EQ(store.CompareBookmarks(nullptr, &b), 1);
    EXPECT_EQ(store.CompareBookmarks(&b, nullptr), -1);
    EXPECT_EQ(store.CompareBookmarks(nullptr, nullptr), 0);
    EXPECT_EQ(store.CompareBookmarks(&a, &b), -1);
    EXPECT_FALSE(store.BookmarkValid(nullptr));
    TRecBookmark none;
    EXPECT_FALSE(store.BookmarkValid(&none));

    EXPECT_EQ(GetHostAppTitle(), u"");
    int waits = 0;
    StartWaitProc = [&] { ++waits; };
    ApplicationTitleProc = [](String& title) { title = u"host"; };
    CallStartWaitHook();
    CallStopWaitHook();
    EXPECT_EQ(waits, 1);
    EXPECT_EQ(GetHostAppTitle(), u"host");
    StartWaitProc = nullptr;
    ApplicationTitleProc = nullptr;

    int opened = 0;
    class Hooked : public OneRecordStore {
    public:
        int* opened;
        void DoOpen(bool DisableInitFields) override
        {
            EXPECT_FALSE(DisableInitFields);  // the plain Open
            ++*opened;
        }
    } hooked;
    hooked.opened = &opened;
    hooked.Open();
    hooked.Open();
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(hooked.Active());
    hooked.Close();
    EXPECT_FALSE(hooked.Active());
    EXPECT_TRUE(hooked.GetBof());
}

TEST(RecordStoreBlobs, AnsiViewOfAUtf16Blob)
{
    core::SetHostAnsiCodePage(936);
    OneRecordStore store;
    store.columns = {{u"M", dtWideMemo, 8, 0}};
    store.InitFields();
    Buffer record(store);
    store.CreateComplexFields(record.p, true);
    const std::string ansi = "a\xD6\xD0" "b";  // a, one double-byte character, b
    store.WriteBlob(1, record.p, 0, int(ansi.size()), ansi.data());
    EXPECT_FALSE(store.GetNull(1, record.p));
    EXPECT_EQ(store.GetBlobSize(1, record.p), 4);                          // ANSI bytes
    EXPECT_EQ(store.GetBlobSize(1, record.p, false, true), 6);             // UTF-16 bytes
    char out[8] = {};
    // Two characters from position 1: the double-byte one and b; the copy keeps within Count bytes.
    EXPECT_EQ(store.ReadBlob(1, record.p, 1, 3, out), 3);
    EXPECT_EQ(std::string(out, 3), "\xD6\xD0" "b");
    std::memset(out, 0, sizeof out);
    EXPECT_EQ(store.ReadBlob(1, record.p, 0, 0, out), 4);
    EXPECT_EQ(std::string(out, 4), ansi);
    EXPECT_EQ(ErrorOf<core::Exception>([&] { store.ReadBlob(1, record.p, 2, 1, out); }), u"Invalid BLOB position");

    store.SetBlobSize(1, record.p, 6);  // two characters more: two UTF-16 units
    EXPECT_EQ(store.GetBlobSize(1, record.p, false, true), 10);
    store.SetBlobSize(1, record.p, 3);
    EXPECT_EQ(store.GetBlobSize(1, record.p, false, true), 4);
    // The change since the record was read is visible through the rollback copy's view.
    EXPECT_EQ(store.GetBlobSize(1, record.p, true, true), 0);
    store.TruncateBlob(1, record.p, 0);
    EXPECT_TRUE(store.GetNull(1, record.p));
    EXPECT_EQ(store.GetBlobSize(1, record.p), 0);
    store.FreeComplexFields(record.p, true);
}

TEST(RecordStoreVariants, EachCodeByItsTable)
{
    OneRecordStore store;
    store.columns = {{u"S", dtString, 5, 4},   {u"I16", dtInt16, 2, 0},  {u"I32", dtInt32, 4, 0},
                     {u"F", dtFloat, 8, 0},    {u"B", dtBoolean, 2, 0},  {u"I64", dtInt64, 8, 0},
                     {u"VB", dtVarBytes, 6, 4}, {u"U32", dtUInt32, 4, 0}, {u"W", dtWideString, 6, 10},
                     {u"C", dtBCD, 8, 0},      {u"D", dtFMTBCD, 34, 0},  {u"TS", dtSQLTimeStamp, 16, 0},
                     {u"DT", dtDateTime, 8, 0}, {u"X", dtObject, 8, 0}};
    store.InitFields();
    store.Fields().Items(3)->Scale = 2;
    Buffer record(store);
    using core::Variant;
    struct Case { int field; Variant in; Variant out; core::VarType kind; } cases[] = {
        {1, Variant(u"abcdef"), Variant(u"abcd"), core::varString},
        {2, Variant(int16_t(-5)), Variant(int16_t(-5)), core::varSmallint},
        {3, Variant(u"42"), Variant(42), core::varInteger},
        {3, Variant(2.5), Variant(2), core::varInteger},
        {4, Variant(1.23456), Variant(1.23), core::varDouble},
        {4, Variant(7), Variant(7.0), core::varDouble},
        {5, Variant(true), Variant(true), core::varBoolean},
        {6, Variant(int64_t(1) << 40), Variant(int64_t(1) << 40), core::varInt64},
        {7, Variant(Variant::Bytes{1, 2, 3}), Variant(Variant::Bytes{1, 2, 3}), core::varArray | core::varByte},
        {8, Variant(4000000000u), Variant(4000000000u), core::varLongWord},
        {9, Variant(u"wide text"), Variant(u"wi"), core::varOleStr},
        {10, Variant(1.23456), Variant(core::Currency::FromRaw(12346)), core::varCurrency},
        {11, Variant(u"-1.5"), Variant(core::StrToBcd(u"-1.5")), core::varFMTBcd},
        {12, Variant::FromDate(0.5), Variant(core::SQLTimeStamp{1899, 12, 30, 12, 0, 0, 0}), core::varSQLTimeStamp},
        {13, Variant(u"2024-01-31"), Variant::FromDate(core::EncodeDate(2024, 1, 31)), core::varDate},
    };
    for (const auto& c : cases) {
        store.PutFieldAsVariant(c.field, record.p, c.in);
        Variant out;
        store.GetFieldAsVariant(c.field, record.p, out);
        EXPECT_EQ(out.VarType(), c.kind) << c.field;
        EXPECT_TRUE(out == c.out) << c.field << " " << core::ToUtf8(core::VarToStr(out));
    }
    struct Refusal { int field; Variant in; } refusals[] = {
        {2, Variant(1.5)}, {5, Variant(1)}, {6, Variant(1)}, {8, Variant(1)}, {14, Variant(1)},
    };
    for (const auto& r : refusals)
        EXPECT_EQ(ErrorOf<core::EConvertError>([&] { store.PutFieldAsVariant(r.field, record.p, r.in); }),
                  u"Cannot convert type")
            << r.field;
    EXPECT_NE(ErrorOf<core::EAssertionFailed>([&] { store.PutFieldAsVariant(7, record.p, Variant(u"x")); })
                  .find(u"Invalid VType"),
              core::String::npos);
    EXPECT_NE(ErrorOf<core::EAssertionFailed>([&] { store.PutFieldAsVariant(7, record.p, Variant(Variant::Bytes(5))); })
                  .find(u"Invalid data size"),
              core::String::npos);
    store.PutFieldAsVariant(3, record.p, Variant::Null());
    Variant null;
    store.GetFieldAsVariant(3, record.p, null);
    EXPECT_TRUE(null.IsNull());
    *(static_cast<uint8_t*>(record.p) + store.DataSize() + 13) = 0;  // X has a value but no variant kind
    EXPECT_EQ(ErrorOf<core::EConvertError>([&] { store.GetFieldAsVariant(14, record.p, null); }), u"Cannot convert type 15");
}

TEST(RecordStoreVariants, NativeBuffersForComparison)
{
    OneRecordStore store;
    store.columns = {{u"C", dtBCD, 8, 0}, {u"RS", dtExtString, 8, 10}, {u"B", dtBlob, 8, 0}, {u"I", dtInt32, 4, 0}};
    store.InitFields();
    Buffer record(store);
    store.CreateComplexFields(record.p, true);
    store.PutFieldAsVariant(1, record.p, core::Variant(core::Currency::FromRaw(12345)));
    store.PutField(2, record.p, "text");
    store.WriteBlob(3, record.p, 0, 3, "abc");
    struct Case { int field; int type; bool native; } cases[] = {
        {1, dtBCD, false}, {2, dtString, true}, {3, dtString, false}, {4, dtInt32, true},
    };
    for (const auto& c : cases) {
        int type = 0;
        bool blank = true, native = false;
        void* buf = store.GetFieldBuf(record.p, *store.Fields().Items(c.field - 1), type, blank, native);
        EXPECT_EQ(type, c.type) << c.field;
        EXPECT_EQ(native, c.native) << c.field;
        if (c.field == 1) {
            double value;
            std::memcpy(&value, buf, 8);
            EXPECT_EQ(value, 1.2345);
        } else if (c.field == 2 || c.field == 3) {
            EXPECT_STREQ(static_cast<char*>(buf), c.field == 2 ? "text" : "abc");
        } else {
            EXPECT_TRUE(blank);
        }
        if (!native)
            Marshal::FreeHGlobal(buf);
    }
    store.FreeComplexFields(record.p, true);

}
