// The provider record set against the scripted provider: what it asks the command for and when,
// forward-only and one-block fetching, filters across fetch blocks, sorting, failures while opening
// and fetching, and output parameters of an execution.
#include "data/access/testing/scriptedcommand.h"
#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

// GCC 12 reports a false "may be used uninitialized" inside std::variant when a Variant is copied
// from a table of cases.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <functional>
#include <vector>

using namespace data;
using namespace data::testing;

namespace {

using Log = std::vector<String>;
using Ids = std::vector<int>;

// A record set over rows 1..Count (ID, NAME "r<ID>"), FetchRows rows a block.
std::unique_ptr<TScriptedRecordSet> RowsOf(int Count, int FetchRows)
{
    auto recordSet = NewRecordSet<TScriptedRecordSet>();
    TStatementScript& script = recordSet->Command().Script;
    script.Columns = {{u"ID", dtInt32, 0}, {u"NAME", dtWideString, 10}};
    for (int id = 1; id <= Count; ++id)
        script.Rows.push_back({int32_t(id), u"r" + core::IntToStr(id)});
    recordSet->SetSQL(u"SELECT ID, NAME FROM T");
    recordSet->SetProp(PropFetchRows, FetchRows);
    return recordSet;
}

class Reader {
public:
    explicit Reader(TData& Data) : m_data(Data), m_buffer(Data.AllocRecBuf()) {}
    ~Reader() { m_data.FreeRecBuf(m_buffer); }

    // Moves on (or back) and gives the ID there, or 0 at the end.
    int Step(bool Forward = true)
    {
        Forward ? m_data.GetNextRecord(m_buffer) : m_data.GetPriorRecord(m_buffer);
        if (Forward ? m_data.GetEof() : m_data.GetBof())
            return 0;
        core::Variant id;
        m_data.GetFieldAsVariant(1, m_buffer, id);
        return id.AsInteger();
    }
    Ids Walk(bool Forward = true, const std::function<void()>& EachStep = nullptr)
    {
        Ids ids;
        while (int id = Step(Forward)) {
            ids.push_back(id);
            if (EachStep)
                EachStep();
        }
        return ids;
    }

private:
    TData& m_data;
    void* m_buffer;
};

int ItemCount(const TMemData& Data)
{
    int count = 0;
    for (TItemHeader* item = Data.First(); item; item = item->Next)
        ++count;
    return count;
}

Ids Range(int From, int To, int Step = 1)
{
    Ids ids;
    for (int id = From; Step > 0 ? id <= To : id >= To; id += Step)
        ids.push_back(id);
    return ids;
}

TEST(CRRecordSet, CallsOfPrepareOpenFetchAndClose)
{
    auto recordSet = RowsOf(5, 2);
    TScriptedCommand& command = recordSet->Command();
    recordSet->Prepare();
    EXPECT_TRUE(recordSet->Prepared());
    EXPECT_TRUE(recordSet->RowsReturn());
    EXPECT_EQ(recordSet->FieldCount(), 2);  // described when prepared
    recordSet->Open();
    EXPECT_EQ(command.Log, (Log{u"prepare", u"execute", u"fetch 1"}));
    EXPECT_EQ(recordSet->GetRecordCount(), 2);
    Reader reader(*recordSet);
    EXPECT_EQ(reader.Walk(), Range(1, 5));
    EXPECT_EQ(command.GetCursorState(), csFetched);
    recordSet->Close();
    recordSet->UnPrepare();
    EXPECT_EQ(command.Log, (Log{u"prepare", u"execute", u"fetch 1", u"fetch 2", u"fetch 3", u"close", u"unprepare"}));
    EXPECT_EQ(command.GetCursorState(), csInactive);

    // FetchAll fetches every block when opening.
    command.Log.clear();
    recordSet->SetProp(PropFetchAll, true);
    recordSet->Open();
    EXPECT_EQ(command.Log, (Log{u"execute", u"fetch 1", u"fetch 2", u"fetch 3"}));
    EXPECT_EQ(recordSet->GetRecordCount(), 5);
}

TEST(CRRecordSet, ForwardOnlyKeepsOneBlockAndCannotGoBack)
{
    auto recordSet = RowsOf(10, 3);
    recordSet->SetProp(PropUniDirectional, true);
    recordSet->Open();
    Reader reader(*recordSet);
    int most = 0;
    EXPECT_EQ(reader.Walk(true, [&] { most = std::max(most, ItemCount(*recordSet)); }), Range(1, 10));
    EXPECT_EQ(most, 3);
    EXPECT_EQ(ItemCount(*recordSet), 1);  // the last block: row 10

    recordSet->Close();
    recordSet->Open();
    EXPECT_EQ(reader.Step(), 1);
    EXPECT_EQ(reader.Step(), 2);
    recordSet->GetPriorRecord(nullptr);
    EXPECT_TRUE(recordSet->GetBof());
    EXPECT_EQ(recordSet->Current(), nullptr);
}

TEST(CRRecordSet, OneBlockProviderFetchesBackwards)
{
    auto recordSet = RowsOf(10, 3);
    recordSet->SetFetchesWithoutCache(true);
    recordSet->Open();
    Reader reader(*recordSet);
    int most = 0;
    auto count = [&] { most = std::max(most, ItemCount(*recordSet)); };
    EXPECT_EQ(reader.Walk(true, count), Range(1, 10));
    EXPECT_EQ(reader.Walk(false, count), Range(10, 1, -1));
    EXPECT_EQ(most, 3);
    EXPECT_EQ(recordSet->Command().Log,
              (Log{u"execute", u"fetch 1", u"fetch 2", u"fetch 3", u"fetch 4", u"fetch back 5", u"fetch back 6",
                   u"fetch back 7"}));
    // And forward again from the start.
    EXPECT_EQ(reader.Walk(true, count), Range(1, 10));
    EXPECT_EQ(most, 3);
}

TEST(CRRecordSet, FilterSkipsOmittedRowsAcrossBlocks)
{
    struct Case {
        bool uniDirectional;
        std::function<bool(int)> accept;
        Ids expected;
    };
    const Case cases[] = {
        {false, [](int id) { return id % 2 == 0; }, {2, 4, 6, 8, 10}},
        {false, [](int id) { return id > 7; }, {8, 9, 10}},  // whole blocks omitted
        {true, [](int id) { return id % 3 == 0; }, {3, 6, 9}},
        {false, [](int) { return false; }, {}},
    };
    for (const Case& c : cases) {
        auto recordSet = RowsOf(10, 2);
        recordSet->SetProp(PropUniDirectional, c.uniDirectional);
        TScriptedRecordSet* data = recordSet.get();
        recordSet->FilterFunc = [data, &c](void* RecBuf) {
            core::Variant id;
            data->GetFieldAsVariant(1, RecBuf, id);
            return c.accept(id.AsInteger());
        };
        recordSet->Open();
        Reader reader(*recordSet);
        EXPECT_EQ(reader.Walk(), c.expected);
        EXPECT_TRUE(recordSet->GetEof());
    }
}

TEST(CRRecordSet, FilterUpdatedKeepsEofOnlyWhenTheCursorIsDone)
{
    auto recordSet = RowsOf(6, 2);
    recordSet->Open();
    recordSet->FilterFunc = [](void*) { return false; };
    recordSet->FilterUpdated();
    EXPECT_EQ(recordSet->GetRecordCount(), 0);
    EXPECT_FALSE(recordSet->GetEof());  // more rows may come
    recordSet->FetchAll();
    recordSet->FilterUpdated();
    EXPECT_TRUE(recordSet->GetEof());
}

TEST(CRRecordSet, SortingFetchesEverythingOnlyWithIndexFields)
{
    auto recordSet = RowsOf(7, 2);
    recordSet->Open();
    recordSet->SortItems();
    EXPECT_EQ(recordSet->Command().Log, (Log{u"execute", u"fetch 1"}));

    recordSet->SetProp(PropIndexFieldNames, u"ID DESC");
    EXPECT_EQ(recordSet->Command().Log, (Log{u"execute", u"fetch 1", u"fetch 2", u"fetch 3", u"fetch 4"}));
    recordSet->SetToBegin();
    Reader reader(*recordSet);
    EXPECT_EQ(reader.Walk(), Range(7, 1, -1));
}

TEST(CRRecordSet, AFetchFailingAtBlockThreeKeepsTheRowsBefore)
{
    auto recordSet = RowsOf(10, 2);
    recordSet->Command().Script.FailFetchBlock = 3;
    recordSet->Open();
    Reader reader(*recordSet);
    EXPECT_EQ(reader.Step(), 1);
    EXPECT_EQ(reader.Step(), 2);
    EXPECT_EQ(reader.Step(), 3);
    EXPECT_EQ(reader.Step(), 4);
    EXPECT_EQ(ErrorOf<EScriptedError>([&] { reader.Step(); }), u"Fatal error");
    EXPECT_EQ(recordSet->GetRecordCount(), 4);
    EXPECT_FALSE(recordSet->CanDisconnect());  // still fetching
    recordSet->SetToEnd();
    EXPECT_EQ(reader.Walk(false), Range(4, 1, -1));
}

TEST(CRRecordSet, AFailedOpenLeavesTheCommandUnpreparedAndInactive)
{
    auto recordSet = RowsOf(3, 2);
    TScriptedCommand& command = recordSet->Command();
    command.Script.FailExecute = 1;
    bool afterExecute = true;
    command.AfterExecute = [&](bool Success) { afterExecute = Success; };
    EXPECT_EQ(ErrorOf<EScriptedError>([&] { recordSet->Open(); }), u"Fatal error");
    EXPECT_FALSE(afterExecute);
    EXPECT_FALSE(recordSet->Active());
    EXPECT_FALSE(recordSet->Prepared());
    EXPECT_EQ(command.GetCursorState(), csInactive);
    EXPECT_EQ(command.Log, (Log{u"execute", u"unprepare"}));
    EXPECT_EQ(recordSet->First(), nullptr);

    // A prepared record set stays prepared; an executed cursor is made inactive.
    recordSet->Prepare();
    command.Script.FailExecute = 0;
    command.Log.clear();
    recordSet->Open();
    EXPECT_TRUE(afterExecute);
    EXPECT_EQ(command.Log, (Log{u"execute", u"fetch 1"}));
    Reader reader(*recordSet);
    EXPECT_EQ(reader.Walk(), Range(1, 3));
}

TEST(CRRecordSet, CanDisconnectFollowsTheCursor)
{
    auto recordSet = RowsOf(5, 2);
    EXPECT_TRUE(recordSet->CanDisconnect());
    recordSet->Open();
    EXPECT_FALSE(recordSet->CanDisconnect());
    recordSet->FetchAll();
    EXPECT_TRUE(recordSet->CanDisconnect());
    recordSet->Disconnect();
    EXPECT_FALSE(recordSet->Prepared());
    EXPECT_EQ(recordSet->GetRecordCount(), 5);  // rows and fields stay
    EXPECT_EQ(recordSet->FieldCount(), 2);
    EXPECT_EQ(recordSet->Command().Log.back(), u"unprepare");
}

TEST(CRRecordSet, BreakFetchCancelsTheNextBlock)
{
    auto recordSet = RowsOf(10, 2);
    int before = 0, after = 0;
    recordSet->OnBeforeFetch = [&](bool&) { ++before; };
    recordSet->OnAfterFetch = [&] { ++after; };
    recordSet->Open();
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
    recordSet->Command().SetCursorState(csFetchingAll);
    recordSet->BreakFetch();
    recordSet->FetchAll();
    EXPECT_EQ(recordSet->GetRecordCount(), 2);
    EXPECT_EQ(recordSet->Command().GetCursorState(), csFetching);
    EXPECT_EQ(after, 1);

    // A handler may cancel too.
    recordSet->Close();
    recordSet->OnBeforeFetch = [](bool& Cancel) { Cancel = true; };
    recordSet->Open();
    EXPECT_EQ(recordSet->GetRecordCount(), 0);
}

TEST(CRCommand, ExecutionReadsOutputParametersAndCountsRows)
{
    TScriptedCommand command;
    command.Script.RowsProcessed = 3;
    command.Script.Outputs = {{u"total", int32_t(42)}, {u"a", int32_t(7)}};
    command.SetSQL(u"CALL p(:a, :total)");
    command.GetParam(0)->SetParamType(pdInput);
    command.GetParam(0)->SetValue(int32_t(1));
    command.GetParam(1)->SetParamType(pdOutput);
    int reads = 0;
    command.ReadParams = [&] { ++reads; };
    command.Execute();
    EXPECT_EQ(command.GetParam(0)->GetValue(), core::Variant(int32_t(1)));
    EXPECT_EQ(command.GetParam(1)->GetValue(), core::Variant(int32_t(42)));
    EXPECT_EQ(reads, 1);
    core::Variant rows;
    EXPECT_TRUE(command.GetProp(PropRowsProcessed, rows));
    EXPECT_EQ(rows.AsInteger(), 3);
    EXPECT_EQ(command.GetCursorState(), csInactive);  // no rows to fetch
}

} // namespace
