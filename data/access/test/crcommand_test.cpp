// The provider command's and record set's numbered properties, the parameter descriptors, the provider
// field descriptor and what the base command leaves to a provider.
#include "data/access/crrecordset.h"
#include "data/access/testing/scriptedcommand.h"
#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

// GCC 12 reports a false "may be used uninitialized" inside std::variant when a Variant is copied
// from a table of cases.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <functional>
#include <optional>

using namespace data;
using namespace data::testing;

namespace {

String AssertionOf(const std::function<void()>& action)
{
    String message = ErrorOf<core::EAssertionFailed>(action);
    return message.substr(0, message.find(u" ("));
}

template<class T>
struct PropCase {
    int prop;
    bool write;
    core::Variant value;
    std::function<core::Variant(T&)> stored;  // what a write left, or null for an ignored number
    std::optional<core::Variant> read;        // what a read yields, for a readable number
};

template<class T>
void CheckProps(const std::vector<PropCase<T>>& cases, const std::function<std::unique_ptr<T>()>& make)
{
    for (const auto& c : cases) {
        SCOPED_TRACE(c.prop);
        auto object = make();
        core::Variant out;
        if (c.write) {
            EXPECT_TRUE(object->SetProp(c.prop, c.value));
            if (c.stored) {
                EXPECT_EQ(c.stored(*object), c.value);
            }
        } else {
            EXPECT_EQ(AssertionOf([&] { object->SetProp(c.prop, c.value); }), core::IntToStr(c.prop));
        }
        if (c.read) {
            EXPECT_TRUE(object->GetProp(c.prop, out));
            EXPECT_EQ(out.VarType(), c.read->VarType());
            EXPECT_EQ(out, *c.read);
        } else {
            EXPECT_EQ(AssertionOf([&] { object->GetProp(c.prop, out); }), core::IntToStr(c.prop));
        }
    }
    auto object = make();
    core::Variant out;
    EXPECT_EQ(AssertionOf([&] { object->SetProp(99, 1); }), u"99");
    EXPECT_EQ(AssertionOf([&] { object->GetProp(99, out); }), u"99");
}

TEST(CRCommand, NumberedProperties)
{
    using C = TCRCommand;
    const std::vector<PropCase<C>> cases = {
        {PropAutoCommit, true, true, [](C& c) { return core::Variant(c.AutoCommit()); }, {}},
        {PropScanParams, true, false, [](C& c) { return core::Variant(c.ScanParams()); }, {}},
        {PropExecuting, false, true, nullptr, core::Variant(false)},
        {PropCompressBlob, true, int32_t(cbServer), [](C& c) { return core::Variant(int32_t(c.CompressBlob())); }, {}},
        {PropDisableParamScan, true, true, [](C& c) { return core::Variant(c.DisableParamScan()); }, {}},
        {PropReserved33, true, 1, nullptr, {}},
        {PropQuoteNames, true, true, [](C& c) { return core::Variant(c.QuoteNames()); }, {}},
        {PropEnableBCD, true, true, [](C& c) { return core::Variant(c.EnableBCD()); }, {}},
        {PropEnableFMTBCD, true, true, [](C& c) { return core::Variant(c.EnableFMTBCD()); }, {}},
        {PropReadParamsNeeded, true, false, nullptr, core::Variant(true)},
        {PropIsStoredProc, true, true, nullptr, {}},
        {PropRowsProcessedKnown, false, true, nullptr, core::Variant(false)},
        {PropParamsDescribed, false, true, nullptr, core::Variant(false)},
    };
    CheckProps<C>(cases, [] { return std::make_unique<C>(); });
}

TEST(CRRecordSet, NumberedProperties)
{
    using R = TScriptedRecordSet;
    const std::vector<PropCase<R>> cases = {
        {PropUniDirectional, true, true, [](R& r) { return core::Variant(r.UniDirectional()); }, {}},
        {PropFetchRows, true, int32_t(25), [](R& r) { return core::Variant(r.FetchRows()); }, {}},
        {PropFetchAll, true, true, [](R& r) { return core::Variant(r.FetchAllRows()); }, core::Variant(true)},
        {PropLongStrings, true, false, [](R& r) { return core::Variant(r.LongStrings()); }, {}},
        {PropEnableEmptyStrings, true, true, [](R& r) { return core::Variant(r.EnableEmptyStrings); }, {}},
        {PropFlatBuffers, true, false, [](R& r) { return core::Variant(r.FlatBuffers()); }, {}},
        {PropIndexFieldNames, true, u"ID;NAME DESC", [](R& r) { return core::Variant(r.IndexFieldNames()); }, {}},
        {PropCompressBlob, true, int32_t(cbClientServer),
         [](R& r) { return core::Variant(int32_t(r.GetCommand()->CompressBlob())); }, {}},
        {PropRecordSetReadOnly, true, true, nullptr, {}},
        {PropLockFetchAll, true, true, [](R& r) { return core::Variant(r.LockFetchAll()); }, {}},
        {PropExtendedFieldsInfo, true, true, [](R& r) { return core::Variant(r.ExtendedFieldsInfo()); },
         core::Variant(true)},
        {PropDefaultValues, true, true, [](R& r) { return core::Variant(r.DefaultValues()); }, core::Variant(true)},
        {PropFieldsOrigin, true, true, [](R& r) { return core::Variant(r.FieldsOrigin()); }, core::Variant(true)},
    };
    CheckProps<R>(cases, [] { return NewRecordSet<R>(); });
}

TEST(CRRecordSet, FetchAllGivesWayToForwardOnlyAndToTheLock)
{
    struct Case {
        bool uniFirst, lock, uniAfter;
        bool fetchAll;
    };
    const Case cases[] = {
        {false, false, false, true},
        {true, false, false, false},  // forward-only: 22 stores false
        {false, true, false, false},  // locked: 22 ignored
        {false, false, true, false},  // 20 true clears it
    };
    for (const Case& c : cases) {
        auto recordSet = NewRecordSet<TScriptedRecordSet>();
        recordSet->SetProp(PropUniDirectional, c.uniFirst);
        recordSet->SetProp(PropLockFetchAll, c.lock);
        recordSet->SetProp(PropFetchAll, true);
        if (c.uniAfter)
            recordSet->SetProp(PropUniDirectional, true);
        EXPECT_EQ(recordSet->FetchAllRows(), c.fetchAll);
    }
}

TEST(CRRecordSet, CreationDefaults)
{
    auto recordSet = NewRecordSet<TScriptedRecordSet>();
    ASSERT_NE(recordSet->GetCommand(), nullptr);
    ASSERT_NE(recordSet->TablesInfo(), nullptr);
    EXPECT_TRUE(recordSet->LongStrings());
    EXPECT_TRUE(recordSet->FlatBuffers());
    EXPECT_TRUE(recordSet->IsCaseSensitive());
    EXPECT_FALSE(recordSet->RowsReturn());
    EXPECT_TRUE(dynamic_cast<TCRFieldDesc*>(recordSet->CreateFieldDesc().get()));
    core::Object owner;
    recordSet->SetComponent(&owner);
    EXPECT_EQ(recordSet->GetCommand()->Component(), &owner);
    recordSet->TablesInfo()->Add()->SetTableName(u"T");
    EXPECT_EQ(recordSet->TablesInfo()->Items(0)->Index(), 0);
    EXPECT_EQ(ErrorOf<core::Exception>([&] { recordSet->TablesInfo()->Items(1); }), u"List index out of bounds (1)");

    EXPECT_EQ(ErrorOf<core::EAbstractError>([] { NewRecordSet<TCRRecordSet>(); }), u"Abstract Error");
    TCRRecordSet bare;
    EXPECT_EQ(AssertionOf([&] { bare.CanDisconnect(); }), u"Assertion failed");
}

TEST(CRCommand, WhatTheBaseLeavesToAProvider)
{
    TCRCommand command;
    const std::function<void()> abstract[] = {
        [&] { command.GetPrepared(); },
        [&] { command.Execute(1); },
        [&] { command.GetCursorState(); },
        [&] { command.SetCursorState(csOpen); },
        [&] { command.Prepare(); },
        [&] { command.Unprepare(); },
        [&] { command.CreateProcCall(u"p", false, false); },
    };
    for (const auto& operation : abstract)
        EXPECT_EQ(ErrorOf<core::EAbstractError>(operation), u"Abstract Error");
    EXPECT_EQ(AssertionOf([&] { command.GetParserClass(); }), u"Must be overrided");
    EXPECT_EQ(AssertionOf([&] { command.SetSQL(u"SELECT :a"); }), u"Must be overrided");
    EXPECT_EQ(ErrorOf<core::Exception>([&] { command.SetCursor(nullptr); }),
              u"Operation is not supported by the database");
    EXPECT_EQ(command.GetCursor(), nullptr);
    EXPECT_EQ(command.SQLInfo().LeftQuote(), u'"');
    EXPECT_EQ(command.SQLInfo().GetCommand(), &command);
}

TEST(CRCommand, StaticParameterOperations)
{
    TScriptedCommand command;
    command.SetSQL(u"SELECT :a, :B, :c");
    EXPECT_EQ(command.GetParamCount(), 3);
    EXPECT_EQ(command.FindParam(u"b"), command.GetParam(1));
    EXPECT_EQ(command.FindParam(u"z"), nullptr);
    command.DeleteParam(1);
    EXPECT_EQ(command.FindParam(u"b"), nullptr);
    EXPECT_EQ(command.GetParam(1)->GetName(), u"c");
    TParamDesc* added = command.AddParam();
    EXPECT_EQ(command.GetParam(2), added);
    command.ClearParams();
    EXPECT_EQ(command.GetParamCount(), 0);
}

class Cursor : public TCRCursor {
public:
    bool CanFetch() override { return true; }
};

TEST(ParamDesc, ValuesNullsAndObjects)
{
    TParamDesc param;
    EXPECT_EQ(param.GetDataType(), dtUnknown);
    EXPECT_TRUE(param.GetIsBound());
    EXPECT_FALSE(param.GetNull());

    struct Case {
        core::Variant value;
        bool null;
    };
    const Case cases[] = {{core::Variant(), true}, {core::Variant::Null(), true}, {int32_t(0), false},
                          {u"", false}, {false, false}};
    for (const Case& c : cases) {
        param.SetValue(c.value);
        EXPECT_EQ(param.GetNull(), c.null);
        EXPECT_EQ(param.GetValue().VarType(), c.value.VarType());
        if (c.null) {
            EXPECT_EQ(param.GetObject(), nullptr);
        }
    }

    param.SetValue(int32_t(5));
    EXPECT_EQ(AssertionOf([&] { param.GetObject(); }), u"Assertion failed");
    param.SetNull(true);
    EXPECT_TRUE(param.GetValue().IsEmpty());  // a plain value is cleared

    auto* cursor = new Cursor;
    param.SetNull(false);
    param.SetObject(cursor);
    EXPECT_FALSE(param.GetNull());  // left as it was
    EXPECT_EQ(param.GetValue().VarType(), core::varByRef);
    EXPECT_EQ(param.GetObject(), cursor);
    param.SetNull(true);
    EXPECT_TRUE(param.GetNull());
    EXPECT_EQ(param.GetObject(), cursor);  // an object reference stays
    cursor->Release();

    param.SetDataType(dtInt32);
    param.Clear();
    EXPECT_EQ(param.GetDataType(), dtUnknown);
}

TEST(ParamDesc, ListLookups)
{
    TParamDescs params;
    for (const char16_t* name : {u"Alpha", u"beta", u"ALPHA"}) {
        params.Add(std::make_unique<TParamDesc>());
        params.Items(params.Count() - 1)->SetName(name);
    }
    EXPECT_EQ(params.FindParam(u"alpha"), params.Items(0));
    EXPECT_EQ(params.ParamByName(u"BETA"), params.Items(1));
    EXPECT_EQ(params.FindParam(u"gamma"), nullptr);
    EXPECT_EQ(AssertionOf([&] { params.ParamByName(u"gamma"); }), u"Assertion failed");
    params.Clear();
    EXPECT_EQ(params.Count(), 0);
}

TEST(CRFieldDesc, ActualNameQuotedIsComputedOncePerFlag)
{
    struct Case {
        const char16_t* actual;
        bool quoteNames;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"name", false, u"name"},          {u"name", true, u"\"name\""},
        {u"my name", false, u"\"my name\""}, {u"1a", false, u"\"1a\""},
        {u"\"q\"", true, u"\"q\""},          {u"x$1", false, u"x$1"},
    };
    TSQLInfo info;
    for (const Case& c : cases) {
        TCRFieldDesc field;
        field.ActualName = c.actual;
        EXPECT_EQ(field.ActualNameQuoted(info, c.quoteNames), c.expected);
        field.ActualName = u"other name";
        EXPECT_EQ(field.ActualNameQuoted(info, c.quoteNames), c.expected);  // cached
        EXPECT_FALSE(field.IsNational());
    }
}

} // namespace
