// Parameters with value objects: accessors by data type, the blob's life across type changes, sharing
// a blob between parameters, copying from every kind of source and the "ExtDataType" property.
#include "data/access/daparams.h"

#include "core/codepage.h"
#include "core/datetime.h"
#include "core/exception.h"
#include "core/stream.h"
#include "data/dataset/test/arraydataset.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

using namespace data;
using core::String;

namespace {

std::string Trace(TFieldType type, const char* what)
{
    return core::ToUtf8(FieldTypeName(type)) + " " + what;
}

TEST(DAParamTest, AccessorsByDataType)
{
    struct Case {
        TFieldType type;
        std::function<void(TDAParam&)> write;
        std::function<String(TDAParam&)> read;
        const char16_t* expected;  // null: the read raises
        const char* what;
    };
    const auto asString = [](TDAParam& p) { return p.AsString(); };
    const auto asAnsi = [](TDAParam& p) { return p.AsAnsiString(); };
    const auto asInt = [](TDAParam& p) { return core::IntToStr(p.AsInteger()); };
    const auto byteCount = [](TDAParam& p) { return core::IntToStr(int64_t(p.AsBytes().size())); };
    const auto value = [](TDAParam& p) { return p.Value().AsString(); };
    const auto text = [](StringView t) { return [t = String(t)](TDAParam& p) { p.SetAsString(t); }; };
    const std::vector<Case> cases = {
        {ftBlob, text(u"abc"), asString, u"abc", "text into a blob"},
        {ftBlob, [](TDAParam& p) { p.SetAsBytes({1, 2, 3, 4}); }, byteCount, u"4", "bytes into a blob"},
        {ftBlob, [](TDAParam& p) { p.SetValue(Variant(Variant::Bytes{65, 66})); }, value, u"AB", "byte array value"},
        {ftMemo, [](TDAParam& p) { p.SetAsAnsiString(u"ansi"); }, asAnsi, u"ansi", "ANSI into a memo"},
        {ftWideMemo, text(u"\u4f60\u597d"), asString, u"\u4f60\u597d", "wide text into a wide memo"},
        {ftWideMemo, text(u"\u4f60"), byteCount, u"2", "a wide memo holds UTF-16"},
        {ftMemo, [](TDAParam& p) { p.SetText(u"t"); }, value, u"t", "Text into a memo"},
        {ftMemo, [](TDAParam& p) { p.SetValue(Variant(42)); }, asString, u"42", "a number into a memo"},
        {ftMemo, [](TDAParam& p) { p.SetValue(Variant::Null()); }, asString, u"", "Null into a memo"},
        {ftInteger, [](TDAParam& p) { p.SetAsInteger(7); }, asString, u"7", "integer"},
        {ftInteger, text(u"x"), asInt, nullptr, "text that is no number"},
        {ftString, [](TDAParam& p) { p.SetAsAnsiString(u"a"); }, asString, u"a", "ANSI string"},
        {ftWideString, [](TDAParam& p) { p.SetAsAnsiString(u"w"); }, value, u"w", "ANSI into a wide string"},
        {ftDateTime, [](TDAParam& p) { p.SetAsDateTime(core::EncodeDateTime(2024, 3, 7, 14, 5, 0, 0)); }, asAnsi,
         nullptr, "date time as ANSI"},
        {ftDate, [](TDAParam&) {}, asAnsi, u"", "empty date"},
    };
    const auto& settings = core::DefaultDateTimeFormatSettings();
    for (const Case& c : cases) {
        TDAParam param;
        param.SetDataType(c.type);
        c.write(param);
        const std::string trace = Trace(c.type, c.what);
        if (c.type == ftDateTime) {
            // The date only, in the short date format.
            EXPECT_EQ(param.AsAnsiString(),
                      core::FormatDateTime(settings.ShortDateFormat, core::EncodeDate(2024, 3, 7), settings));
        } else if (c.expected) {
            EXPECT_EQ(c.read(param), String(c.expected)) << trace;
        } else {
            EXPECT_THROW(c.read(param), core::Exception) << trace;
        }
        EXPECT_EQ(param.DataType(), c.type) << trace;
        EXPECT_EQ(param.IsBlob(), c.type == ftBlob || c.type == ftMemo || c.type == ftWideMemo) << trace;
        EXPECT_EQ(param.GetParamObject() != nullptr, param.IsBlob()) << trace;
    }
}

TEST(DAParamTest, TypeChangesFreeAndCreateTheBlob)
{
    TDAParam param;
    EXPECT_TRUE(param.Bound());
    EXPECT_EQ(param.GetParamObject(), nullptr);
    param.SetSubDataType(9);
    param.SetDataType(ftBlob);
    EXPECT_EQ(param.SubDataType(), 0);
    TBlob* blob = param.AsBlobRef();
    ASSERT_NE(blob, nullptr);
    EXPECT_FALSE(blob->IsUnicode());
    EXPECT_TRUE(param.IsNull());
    param.SetAsString(u"x");
    EXPECT_FALSE(param.IsNull());
    param.Clear();
    EXPECT_TRUE(param.IsNull());
    EXPECT_EQ(param.AsBlobRef(), blob);  // emptied, not replaced
    param.SetDataType(ftBlob);
    EXPECT_EQ(param.AsBlobRef(), blob);

    param.SetDataType(ftInteger);
    EXPECT_EQ(param.GetParamObject(), nullptr);
    EXPECT_EQ(param.AsBlobRef(), nullptr);
    param.SetDataType(ftBlob);
    ASSERT_NE(param.AsBlobRef(), nullptr);
    EXPECT_TRUE(param.IsNull());
    param.SetDataType(ftWideMemo);
    EXPECT_TRUE(param.AsMemoRef()->IsUnicode());

    TDAParam untyped;
    ASSERT_NE(untyped.AsMemoRef(), nullptr);
    EXPECT_EQ(untyped.DataType(), ftMemo);
    TDAParam cursor;
    EXPECT_EQ(cursor.GetAsCursor(), nullptr);
    EXPECT_EQ(cursor.DataType(), ftCursor);
    EXPECT_EQ(cursor.AsBlobRef(), nullptr);

    TDAParam held;
    held.SetDataType(ftMemo);
    EXPECT_THROW(held.CreateObject(), core::EAssertionFailed);
    held.SetAsBlob({1, 2});
    EXPECT_EQ(held.DataType(), ftBlob);
    EXPECT_EQ(held.AsBytes().size(), 2u);
    held.SetAsMemo(u"m");
    EXPECT_EQ(held.DataType(), ftMemo);
    EXPECT_EQ(held.AsString(), u"m");
}

class FakeCursor : public TCRCursor {
public:
    explicit FakeCursor(int& destroyed) : m_destroyed(destroyed) {}
    ~FakeCursor() override { ++m_destroyed; }
    bool CanFetch() override { return true; }
    void Disconnect() override { ++disconnects; }
    int disconnects = 0;

private:
    int& m_destroyed;
};

TEST(DAParamTest, SharedObjectsLiveUntilTheLastParameterLetsGo)
{
    auto first = std::make_unique<TDAParam>();
    first->SetAsMemo(u"shared");
    TBlob* blob = first->AsBlobRef();
    {
        TDAParam second;
        second.Assign(*first);
        EXPECT_EQ(second.AsBlobRef(), blob);
        EXPECT_EQ(blob->RefCount(), 2);
        second.SetAsString(u"through the second");
        EXPECT_EQ(first->AsString(), u"through the second");
        second.SetParamObject(blob);  // the object it holds already
        EXPECT_EQ(blob->RefCount(), 2);
    }
    EXPECT_EQ(blob->RefCount(), 1);

    TDAParam other;
    other.SetAsBlobRef(blob);
    EXPECT_EQ(other.DataType(), ftBlob);
    first.reset();
    EXPECT_EQ(blob->RefCount(), 1);
    EXPECT_EQ(other.AsString(), u"through the second");

    auto* wide = new TBlob(true);
    other.SetAsMemoRef(wide);
    TSharedObject::Free(wide);
    EXPECT_EQ(other.DataType(), ftWideMemo);
    EXPECT_EQ(wide->RefCount(), 1);
    other.SetAsMemoRef(nullptr);
    EXPECT_EQ(other.DataType(), ftMemo);
    EXPECT_EQ(other.GetParamObject(), nullptr);
    EXPECT_THROW(other.SetAsMemo(u"x"), core::EAssertionFailed);

    int destroyed = 0;
    TDAParams params;
    TDAParam* a = params.CreateParam(ftCursor, u"c", ptOutput);
    auto* cursor = new FakeCursor(destroyed);
    a->SetParamObject(cursor);
    TSharedObject::Free(cursor);
    EXPECT_EQ(a->Value().AsString(), u"Object");
    EXPECT_EQ(a->GetAsCursor(), cursor);
    TDAParam* b = params.CreateParam(ftCursor, u"d", ptOutput);
    b->Assign(*a);
    EXPECT_EQ(cursor->RefCount(), 2);
    params.DisconnectObjects();
    EXPECT_EQ(cursor->disconnects, 2);
    params.Clear();
    EXPECT_EQ(destroyed, 1);
}

TEST(DAParamTest, AssignFromEachKindOfSource)
{
    // From a framework parameter: its value goes into this parameter's blob.
    TParam plain;
    plain.SetName(u"P");
    plain.SetParamType(ptInput);
    plain.SetAsMemo(u"memo text");
    TDAParam memo;
    memo.Assign(plain);
    EXPECT_EQ(memo.Name(), u"P");
    EXPECT_EQ(memo.ParamType(), ptInput);
    EXPECT_EQ(memo.DataType(), ftMemo);
    ASSERT_NE(memo.AsMemoRef(), nullptr);
    EXPECT_EQ(memo.AsMemoRef()->AsString(), u"memo text");

    TParam number;
    number.SetAsInteger(5);
    TDAParam typed;
    typed.SetParamType(ptOutput);
    typed.Assign(number);
    EXPECT_EQ(typed.AsInteger(), 5);
    EXPECT_EQ(typed.ParamType(), ptOutput);  // kept: not unknown
    TParam empty;
    empty.SetDataType(ftInteger);
    typed.Assign(empty);
    EXPECT_TRUE(typed.IsNull());

    // Both sizes and the national flag from another TDAParam.
    TDAParams params;
    TDAParam* source = params.CreateParam(ftString, u"S", ptInput);
    source->SetAsString(u"s");
    source->SetSize(30);
    source->TParam::SetSize(12);
    source->SetNational(true);
    TDAParam copy;
    copy.Assign(*source);
    EXPECT_EQ(copy.Size(), 30);
    EXPECT_EQ(copy.TParam::Size(), 12);
    EXPECT_TRUE(copy.National());
    EXPECT_EQ(copy.AsString(), u"s");

    // A string list as a memo.
    core::StringList lines;
    lines.Add(u"a");
    lines.Add(u"b");
    TDAParam fromLines;
    fromLines.Assign(lines);
    EXPECT_EQ(fromLines.DataType(), ftMemo);
    EXPECT_EQ(fromLines.AsString(), lines.Text());

    // A stream-persistent object into blob types only.
    struct Picture : core::Persistent, IStreamPersist {
        void LoadFromStream(core::Stream&) override {}
        void SaveToStream(core::Stream& s) const override { s.WriteBuffer("PIC", 3); }
    } picture;
    TDAParam image;
    image.SetDataType(ftBlob);
    image.Assign(static_cast<const core::Persistent&>(picture));
    EXPECT_EQ(image.AsBytes(), (Variant::Bytes{'P', 'I', 'C'}));
    TDAParam notBlob;
    notBlob.SetDataType(ftInteger);
    notBlob.SetAsInteger(1);
    try {
        notBlob.Assign(static_cast<const IStreamPersist&>(picture));
        FAIL();
    } catch (const core::Exception& e) {
        EXPECT_EQ(e.Message(), u"Data type is not supported");
    }
    EXPECT_EQ(notBlob.AsInteger(), 1);

    core::CollectionItem foreign;
    EXPECT_THROW(copy.Assign(foreign), core::EConvertError);
}

TEST(DAParamTest, FieldsGiveTypeValueAndName)
{
    struct Case {
        TFieldType fieldType;
        int size;
        Variant value;
        TFieldType paramType;
    };
    const Case cases[] = {
        {ftString, 10, Variant(u"text"), ftString},
        {ftFixedChar, 4, Variant(u"abcd"), ftFixedChar},
        {ftInteger, 0, Variant(3), ftInteger},
        {ftMemo, 0, Variant(u"short memo"), ftMemo},
        {ftMemo, 300, Variant(u"long text column"), ftString},
        {ftWideMemo, 256, Variant(u"\u4f60\u597d"), ftWideString},
        {ftWideMemo, 0, Variant(u"\u4f60\u597d"), ftWideMemo},
    };
    for (const Case& c : cases) {
        const std::string trace = Trace(c.fieldType, "field");
        test::TArrayDataSet ds;
        ds.AddColumn(u"F", c.fieldType, c.size);
        ds.Open();
        ds.Append();
        TField& field = *ds.FieldByName(u"F");
        field.SetValue(c.value);

        TDAParam param;
        param.Assign(field);
        EXPECT_EQ(param.DataType(), c.paramType) << trace;
        EXPECT_EQ(param.Name(), u"F") << trace;
        EXPECT_EQ(param.AsString(), c.value.AsString()) << trace;
        EXPECT_EQ(param.GetParamObject() != nullptr, param.IsBlob()) << trace;

        field.Clear();
        field.Assign(param);
        EXPECT_EQ(field.AsString(), c.value.AsString()) << trace << " back into the field";
        field.Clear();
        param.AssignField(&field);
        EXPECT_TRUE(param.IsNull()) << trace << " from a null field";
    }
    TDAParam untouched;
    untouched.AssignField(nullptr);
    EXPECT_EQ(untouched.DataType(), ftUnknown);
}

TEST(DAParamTest, LoadsBlobsFromStreamsAndFiles)
{
    core::StringStream stream(std::string("content"));
    stream.SetPosition(3);
    TDAParam param;
    param.LoadFromStream(stream, ftMemo);
    EXPECT_EQ(param.DataType(), ftMemo);
    EXPECT_EQ(param.AsString(), u"content");

    param.SetAsString(u"kept");
    for (TFieldType type : {ftInteger, ftString, ftCursor}) {
        try {
            param.LoadFromStream(stream, type);
            ADD_FAILURE() << Trace(type, "accepted");
        } catch (const core::Exception& e) {
            EXPECT_EQ(e.Message(), u"Data type is not supported");
        }
    }
    // A blob type this class has no object for: an assertion with the same text, nothing changed.
    try {
        param.LoadFromStream(stream, ftOraBlob);
        FAIL();
    } catch (const core::EAssertionFailed& e) {
        EXPECT_NE(e.Message().find(u"Data type is not supported"), String::npos);
    }
    EXPECT_EQ(param.DataType(), ftMemo);
    EXPECT_EQ(param.AsString(), u"kept");

    const std::string path = ::testing::TempDir() + "daparam_blob.bin";
    struct Remove {
        std::string path;
        ~Remove() { std::remove(path.c_str()); }
    } remove{path};
    {
        core::FileStream file(core::FromUtf8(path), core::fmCreate);
        file.WriteBuffer("\x01\x02\x03", 3);
    }
    param.LoadFromFile(core::FromUtf8(path), ftBlob);
    EXPECT_EQ(param.AsBytes(), (Variant::Bytes{1, 2, 3}));
    EXPECT_THROW(param.LoadFromFile(core::FromUtf8(path + ".missing"), ftBlob), core::EFOpenError);

    const uint8_t raw[] = {9, 0, 8};
    param.SetBlobData(raw, 3);
    EXPECT_EQ(param.AsBytes(), (Variant::Bytes{9, 0, 8}));
    param.SetDataType(ftInteger);
    param.SetBlobData("ab\xd6\xd0");
    EXPECT_EQ(param.DataType(), ftBlob);
    EXPECT_EQ(param.AsBytes(), (Variant::Bytes{'a', 'b', 0xd6, 0xd0}));
}

TEST(DAParamTest, StreamingOfTypeAndValue)
{
    TDAParam param;
    param.SetAsInteger(1);
    EXPECT_TRUE(param.IsValueStored());
    param.SetValue(Variant::ArrayOf({Variant(1), Variant(2)}));
    EXPECT_FALSE(param.IsValueStored());
    param.SetBound(false);
    param.SetAsInteger(1);
    param.SetBound(false);
    EXPECT_FALSE(param.IsValueStored());

    struct Case {
        int type;
        bool typeStored;
    };
    for (const Case c : {Case{ftInteger, true}, Case{LastPlatformDataType, true}, Case{52, false},
                         Case{100, false}, Case{128 + ftInteger, true}}) {
        TDAParam source;
        source.SetDataType(TFieldType(c.type));
        EXPECT_EQ(source.IsDataTypeStored(), c.typeStored) << c.type;
        core::MemoryStream block;
        ui::WriteBinaryProperties(block, source.BinaryProperties());
        block.SetPosition(0);
        TDAParam read;
        ui::ReadBinaryProperties(block, read.BinaryProperties());
        EXPECT_EQ(int(read.DataType()), c.typeStored ? int(ftUnknown) : c.type) << c.type;
    }

    core::MemoryStream bad;
    ui::BinaryProperty wrong{u"ExtDataType", {}, [](core::Stream& out) { out.WriteInt32(-1); }};
    ui::WriteBinaryProperties(bad, {wrong});
    bad.SetPosition(0);
    TDAParam target;
    EXPECT_THROW(ui::ReadBinaryProperties(bad, target.BinaryProperties()), core::EReadError);
    EXPECT_EQ(target.DataType(), ftUnknown);
}

TEST(DAParamsTest, LookupAndCreation)
{
    core::Persistent owner;
    TDAParams params(&owner);
    EXPECT_EQ(params.Owner(), &owner);
    EXPECT_TRUE(params.NeedsUpdateItem());
    TDAParam* memo = params.CreateParam(ftMemo, u"Notes", ptInput);
    TDAParam* count = params.CreateParam(ftInteger, u"Count", ptInput);
    ASSERT_NE(memo->AsMemoRef(), nullptr);
    EXPECT_EQ(count->GetParamObject(), nullptr);
    EXPECT_EQ(params.ParamByName(u"NOTES"), memo);
    EXPECT_EQ(params.FindParam(u"count"), count);
    EXPECT_EQ(params[1], count);
    EXPECT_EQ(params.FindParam(u"none"), nullptr);
    try {
        params.ParamByName(u"none");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"Parameter 'none' not found");
    }
    EXPECT_EQ(params.Count(), 2);
}

} // namespace
