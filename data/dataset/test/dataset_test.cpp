// The dataset over the array store: event order, the buffer ring, states, bookmarks, search,
// filters, controls and nested datasets.
#include "data/dataset/test/fixture.h"

#include <functional>

namespace data::test {
namespace {

class DataSetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FillNumbered(ds, 10);
        source.SetDataSet(&ds);
        link.SetBufferCount(5);
        link.SetDataSource(&source);
        RecordEvents(ds, log);
    }
    // The IDs of the records the link's window shows.
    std::vector<int> Window()
    {
        std::vector<int> ids;
        int active = link.ActiveRecord();
        for (int i = 0; i < link.RecordCount(); ++i) {
            link.SetActiveRecord(i);
            ids.push_back(ds.FieldByName(u"ID")->AsInteger());
        }
        link.SetActiveRecord(active);
        return ids;
    }
    int Id() { return ds.FieldByName(u"ID")->AsInteger(); }

    Log log;
    TArrayDataSet ds;
    TDataSource source;
    RecordingLink link{log};
};

TEST_F(DataSetTest, EventsComeInTheOrderOfEachOperation)
{
    struct Step {
        const char* name;
        std::function<void(TDataSet&)> action;
        Log expected;
    };
    const std::vector<Step> steps = {
        {"open", [](TDataSet& d) { d.Open(); }, {"BeforeOpen", "link:active", "AfterOpen", "AfterScroll"}},
        {"next", [](TDataSet& d) { d.Next(); }, {"BeforeScroll", "link:scroll 0", "AfterScroll"}},
        {"edit", [](TDataSet& d) { d.Edit(); }, {"BeforeEdit", "link:editing", "link:record", "AfterEdit"}},
        {"set field", [](TDataSet& d) { d.FieldByName(u"NAME")->SetAsString(u"x"); }, {"link:record NAME"}},
        {"post", [](TDataSet& d) { d.Post(); }, {"BeforePost", "link:browsing", "link:change", "AfterPost"}},
        {"edit again", [](TDataSet& d) { d.Edit(); }, {"BeforeEdit", "link:editing", "link:record", "AfterEdit"}},
        {"cancel edit", [](TDataSet& d) { d.Cancel(); },
         {"BeforeCancel", "link:browsing", "link:change", "AfterCancel"}},
        {"insert", [](TDataSet& d) { d.Insert(); },
         {"BeforeInsert", "BeforeScroll", "link:editing", "OnNewRecord", "link:change", "AfterInsert", "AfterScroll"}},
        {"cancel insert", [](TDataSet& d) { d.Cancel(); },
         {"BeforeCancel", "BeforeScroll", "link:browsing", "link:change", "AfterCancel", "AfterScroll"}},
        {"append", [](TDataSet& d) { d.Append(); },
         {"BeforeInsert", "BeforeScroll", "link:editing", "OnNewRecord", "link:change", "AfterInsert", "AfterScroll"}},
        {"post unmodified append", [](TDataSet& d) { d.Post(); },
         {"BeforePost", "link:browsing", "link:change", "AfterPost"}},
        {"delete", [](TDataSet& d) { d.Delete(); },
         {"BeforeDelete", "BeforeScroll", "link:change", "AfterDelete", "AfterScroll"}},
        {"first", [](TDataSet& d) { d.First(); }, {"BeforeScroll", "link:change", "AfterScroll"}},
        {"last", [](TDataSet& d) { d.Last(); }, {"BeforeScroll", "link:change", "AfterScroll"}},
        {"next at the end", [](TDataSet& d) { d.Next(); }, {"BeforeScroll"}},
        {"refresh", [](TDataSet& d) { d.Refresh(); }, {"BeforeRefresh", "link:change", "AfterRefresh"}},
        {"close", [](TDataSet& d) { d.Close(); }, {"BeforeClose", "link:inactive", "AfterClose"}},
    };
    for (const Step& step : steps) {
        log.clear();
        step.action(ds);
        EXPECT_EQ(log, step.expected) << step.name;
    }
}

TEST_F(DataSetTest, RingOfFiveBuffersFollowsTheMoves)
{
    ds.Open();
    EXPECT_EQ(ds.BufferCount(), 5);
    // The ring, the buffer receiving fetches and the temporary buffer.
    EXPECT_EQ(ds.LiveBuffers(), 7);
    struct Step {
        const char* name;
        std::function<int(TArrayDataSet&)> action;
        int moved;
        int recNo;
        int linkActive;
        std::vector<int> window;
    };
    TBookmark six;
    const std::vector<Step> steps = {
        {"first", [](TArrayDataSet& d) { d.First(); return 0; }, 0, 1, 0, {1, 2, 3, 4, 5}},
        {"forward inside the ring", [](TArrayDataSet& d) { return d.MoveBy(3); }, 3, 4, 3, {1, 2, 3, 4, 5}},
        {"forward past the ring", [](TArrayDataSet& d) { return d.MoveBy(3); }, 3, 7, 4, {3, 4, 5, 6, 7}},
        {"back", [](TArrayDataSet& d) { return d.MoveBy(-3); }, -3, 4, 1, {3, 4, 5, 6, 7}},
        {"back past the ring", [](TArrayDataSet& d) { return d.MoveBy(-3); }, -3, 1, 0, {1, 2, 3, 4, 5}},
        {"last", [](TArrayDataSet& d) { d.Last(); return 0; }, 0, 10, 4, {6, 7, 8, 9, 10}},
        {"beyond the end", [](TArrayDataSet& d) { return d.MoveBy(3); }, 0, 10, 4, {6, 7, 8, 9, 10}},
        {"resync centred on six",
         [&six](TArrayDataSet& d) {
             d.SetRecNo(6);
             six = d.GetBookmark();
             d.First();
             d.GotoBookmark(six);
             return 0;
         },
         0, 6, 2, {4, 5, 6, 7, 8}},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(step.action(ds), step.moved) << step.name;
        EXPECT_EQ(ds.RecNo(), step.recNo) << step.name;
        EXPECT_EQ(Id(), step.recNo) << step.name;
        EXPECT_EQ(link.ActiveRecord(), step.linkActive) << step.name;
        EXPECT_EQ(Window(), step.window) << step.name;
    }
    EXPECT_TRUE(ds.Eof() == false);
    ds.Close();
    EXPECT_EQ(ds.LiveBuffers(), 0);
}

TEST_F(DataSetTest, RingShrinksAndGrowsWithTheLinks)
{
    ds.Open();
    ds.MoveBy(6);
    EXPECT_EQ(Id(), 7);
    link.SetBufferCount(2);
    EXPECT_EQ(ds.BufferCount(), 2);
    EXPECT_EQ(Id(), 7);
    EXPECT_EQ(link.RecordCount(), 2);
    link.SetDataSource(nullptr);
    EXPECT_EQ(ds.BufferCount(), 1);  // at least one buffer without links
    EXPECT_EQ(Id(), 7);
    ds.Next();
    EXPECT_EQ(Id(), 8);
}

TEST_F(DataSetTest, FailedOpenLeavesNothingBehind)
{
    struct Case {
        const char* name;
        bool TArrayDataSet::*fault;
        std::string error;
    };
    const Case cases[] = {
        {"store fails after making the default fields", &TArrayDataSet::FailOpenAfterFields, "Open failed"},
        {"first fetch fails", &TArrayDataSet::FailNextFetch, "Fetch failed"},
    };
    for (const Case& c : cases) {
        log.clear();
        ds.*c.fault = true;
        EXPECT_EQ(ErrorOf([&] { ds.Open(); }), c.error) << c.name;
        EXPECT_FALSE(ds.Active()) << c.name;
        EXPECT_EQ(ds.State(), dsInactive) << c.name;
        EXPECT_EQ(ds.LiveBuffers(), 0) << c.name;
        EXPECT_EQ(ds.FieldCount(), 0) << c.name;
        EXPECT_EQ(log, (Log{"BeforeOpen"})) << c.name;
        ds.Open();
        EXPECT_TRUE(ds.DefaultFields()) << c.name;
        EXPECT_EQ(Id(), 1) << c.name;
        ds.Close();
    }
}

TEST_F(DataSetTest, ActiveSetWhileLoadingOpensWhenLoaded)
{
    ds.BeginLoad();
    ds.SetActive(true);
    EXPECT_FALSE(ds.Active());
    ds.Loaded();
    EXPECT_TRUE(ds.Active());
    EXPECT_EQ(Id(), 1);
}

TEST_F(DataSetTest, ScrollEventsAroundBofAndEof)
{
    ds.Open();
    EXPECT_TRUE(ds.Bof());
    ds.Prior();
    EXPECT_TRUE(ds.Bof());
    ds.Last();
    EXPECT_TRUE(ds.Eof());
    ds.Next();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecordCount(), 10);
    int seen = 0;
    for (ds.First(); !ds.Eof(); ds.Next())
        ++seen;
    EXPECT_EQ(seen, 10);
}

TEST_F(DataSetTest, StatesFollowTheEditCycle)
{
    EXPECT_EQ(ds.State(), dsInactive);
    ds.Open();
    EXPECT_EQ(ds.State(), dsBrowse);
    ds.Edit();
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_FALSE(ds.Modified());
    ds.FieldByName(u"NAME")->SetAsString(u"changed");
    EXPECT_TRUE(ds.Modified());
    ds.Post();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.UpdateStatus(), usModified);
    ds.Insert();
    EXPECT_EQ(ds.State(), dsInsert);
    EXPECT_EQ(ds.RecNo(), 0);
    ds.Cancel();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.RowCount(), 10);
    // Moving posts a modified edit.
    ds.Edit();
    ds.FieldByName(u"ID")->SetAsInteger(100);
    ds.Next();
    EXPECT_EQ(ds.State(), dsBrowse);
    ds.First();
    EXPECT_EQ(Id(), 100);
    ds.Close();
    EXPECT_EQ(ds.State(), dsInactive);
}

TEST_F(DataSetTest, InsertedAndAppendedRecordsLandWhereExpected)
{
    ds.Open();
    ds.MoveBy(2);
    ds.Insert();
    ds.FieldByName(u"ID")->SetAsInteger(25);
    ds.Post();
    EXPECT_EQ(Id(), 25);
    EXPECT_EQ(ds.RecNo(), 3);
    ds.Append();
    ds.FieldByName(u"ID")->SetAsInteger(99);
    ds.Post();
    EXPECT_EQ(Id(), 99);
    EXPECT_EQ(ds.RecNo(), 12);
    ds.InsertRecord({Variant(int32_t(50)), Variant(u"fifty")});
    EXPECT_EQ(Id(), 50);
    // Into an empty dataset the values land too: the record being inserted has its buffer.
    for (bool append : {false, true}) {
        TArrayDataSet empty;
        FillNumbered(empty, 0);
        empty.Open();
        if (append)
            empty.AppendRecord({Variant(int32_t(7)), Variant(u"seven")});
        else
            empty.InsertRecord({Variant(int32_t(7)), Variant(u"seven")});
        EXPECT_EQ(empty.RecordCount(), 1);
        EXPECT_EQ(empty.FieldByName(u"ID")->AsInteger(), 7);
        EXPECT_EQ(empty.FieldByName(u"NAME")->AsString(), u"seven");
    }
    ds.AppendRecord({Variant(int32_t(60)), Variant::Null(), Variant(2.0)});
    EXPECT_EQ(Id(), 60);
    EXPECT_TRUE(ds.FieldByName(u"NAME")->IsNull());
    EXPECT_EQ(ds.RecordCount(), 14);
    ds.Last();
    EXPECT_EQ(Id(), 60);
}

TEST_F(DataSetTest, DeleteMovesToTheNextRecordOrTheLast)
{
    ds.Open();
    ds.MoveBy(4);
    ds.Delete();
    EXPECT_EQ(Id(), 6);
    ds.Last();
    ds.Delete();
    EXPECT_EQ(Id(), 9);
    EXPECT_EQ(ds.RecordCount(), 8);
}

TEST_F(DataSetTest, TemporaryStateIsRestoredWhenAnExceptionPasses)
{
    auto* id = new TIntegerField(&ds);
    id->SetFieldName(u"ID");
    id->SetDataSet(&ds);
    auto* twice = new TIntegerField(&ds);
    twice->SetFieldName(u"TWICE");
    twice->SetFieldKind(fkCalculated);
    twice->SetDataSet(&ds);
    ds.OnCalcFields = [&](TDataSet& d) {
        EXPECT_EQ(d.State(), dsCalcFields);
        if (id->AsInteger() == 3)
            throw EDatabaseError(u"no three");
        twice->SetAsInteger(id->AsInteger() * 2);
    };
    link.SetBufferCount(1);
    ds.Open();
    EXPECT_EQ(twice->AsInteger(), 2);
    ds.Next();
    EXPECT_EQ(ErrorOf([&] { ds.Next(); }), "no three");
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_FALSE(ds.ControlsDisabled());
    // Events still reach the link.
    log.clear();
    ds.First();
    EXPECT_EQ(log, (Log{"BeforeScroll", "link:change", "AfterScroll"}));
    EXPECT_EQ(twice->AsInteger(), 2);
}

TEST_F(DataSetTest, ExceptionInNewRecordLeavesBrowseState)
{
    ds.Open();
    ds.MoveBy(3);
    ds.OnNewRecord = [](TDataSet&) { throw EDatabaseError(u"refused"); };
    EXPECT_EQ(ErrorOf([&] { ds.Insert(); }), "refused");
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(Id(), 4);
    EXPECT_EQ(ds.RecordCount(), 10);
}

TEST_F(DataSetTest, ErrorEventsDecideTheAction)
{
    ds.Open();
    ds.FieldByName(u"NAME")->SetRequired(true);
    struct Case {
        TDataAction action;
        std::string error;
        TDataSetState state;
    };
    const Case cases[] = {
        {daFail, "Field 'NAME' must have a value", dsEdit},
        {daAbort, "", dsEdit},
        {daRetry, "", dsBrowse},
    };
    for (const Case& c : cases) {
        ds.Edit();
        ds.FieldByName(u"NAME")->Clear();
        int calls = 0;
        ds.OnPostError = [&](TDataSet& d, EDatabaseError&, TDataAction& action) {
            ++calls;
            action = c.action;
            if (c.action == daRetry)
                d.FieldByName(u"NAME")->SetAsString(u"mended");
        };
        bool aborted = false;
        std::string error;
        try {
            ds.Post();
        } catch (const core::EAbort&) {
            aborted = true;
        } catch (const EDatabaseError& e) {
            error = Utf8(e.Message());
        }
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(aborted, c.action == daAbort);
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(ds.State(), c.state);
        if (ds.State() == dsEdit)
            ds.Cancel();
    }
    EXPECT_EQ(ds.FieldByName(u"NAME")->AsString(), u"mended");
    // The required check asked the controls to focus the field.
    EXPECT_EQ(link.FocusCount, 3);
    EXPECT_EQ(link.Focused, ds.FieldByName(u"NAME"));
}

TEST_F(DataSetTest, DeleteErrorEventRetriesUntilTheStoreAllows)
{
    ds.Open();
    ds.ReadOnlyStore = true;
    ds.OnDeleteError = [&](TDataSet&, EDatabaseError& error, TDataAction& action) {
        EXPECT_EQ(Utf8(error.Message()), "Cannot modify a read-only dataset");
        ds.ReadOnlyStore = false;
        action = daRetry;
    };
    ds.Delete();
    EXPECT_EQ(ds.RecordCount(), 9);
}

TEST_F(DataSetTest, BookmarksRoundTrip)
{
    EXPECT_TRUE(ds.GetBookmark().empty());
    ds.Open();
    ds.MoveBy(2);
    TBookmark three = ds.GetBookmark();
    ASSERT_EQ(int(three.size()), ds.BookmarkSize());
    ds.Last();
    TBookmark ten = ds.Bookmark();
    ds.GotoBookmark(three);
    EXPECT_EQ(Id(), 3);
    EXPECT_TRUE(ds.BookmarkValid(three));
    EXPECT_LT(ds.CompareBookmarks(three, ten), 0);
    EXPECT_GT(ds.CompareBookmarks(ten, three), 0);
    EXPECT_EQ(ds.CompareBookmarks(three, ds.GetBookmark()), 0);
    ds.SetBookmark(ten);
    EXPECT_EQ(Id(), 10);
    // A new record has no bookmark yet.
    ds.Insert();
    EXPECT_FALSE(ds.BookmarkAvailable());
    EXPECT_TRUE(ds.GetBookmark().empty());
    ds.Cancel();
    // A deleted record's bookmark is no longer valid.
    ds.GotoBookmark(three);
    ds.Delete();
    EXPECT_FALSE(ds.BookmarkValid(three));
    EXPECT_EQ(ErrorOf([&] { ds.GotoBookmark(three); }), "Record not found");
}

TEST_F(DataSetTest, FindOperationsUseTheFilterHandler)
{
    ds.Open();
    ds.SetOnFilterRecord([](TDataSet& d, bool& accept) {
        EXPECT_EQ(d.State(), dsFilter);
        accept = d.FieldByName(u"ID")->AsInteger() % 2 == 0;
    });
    // Not filtered: every record is visible, the finds skip the odd ones.
    EXPECT_EQ(ds.RecordCount(), 10);
    struct Step {
        bool (TDataSet::*find)();
        bool found;
        int id;
    };
    const Step steps[] = {
        {&TDataSet::FindFirst, true, 2}, {&TDataSet::FindNext, true, 4}, {&TDataSet::FindLast, true, 10},
        {&TDataSet::FindPrior, true, 8}, {&TDataSet::FindLast, true, 10}, {&TDataSet::FindNext, false, 10},
    };
    for (const Step& step : steps) {
        EXPECT_EQ((ds.*step.find)(), step.found);
        EXPECT_EQ(ds.Found(), step.found);
        EXPECT_EQ(Id(), step.id);
    }
    ds.Prior();
    EXPECT_EQ(Id(), 9);
    ds.SetFiltered(true);
    EXPECT_EQ(ds.RecordCount(), 5);
    EXPECT_EQ(Id(), 2);
    ds.Next();
    EXPECT_EQ(Id(), 4);
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_FALSE(ds.IsSequenced());
    ds.SetFiltered(false);
    EXPECT_EQ(ds.RecordCount(), 10);
}

TEST_F(DataSetTest, FailingFilterKeepsTheRecord)
{
    std::vector<std::string> reported;
    core::SetApplicationExceptionHandler(
        [&](const std::exception& e) { reported.push_back(Utf8(core::ExceptionMessage(e))); });
    ds.Open();
    ds.SetOnFilterRecord([](TDataSet& d, bool& accept) {
        if (d.FieldByName(u"ID")->AsInteger() == 5)
            throw EDatabaseError(u"bad filter");
        accept = d.FieldByName(u"ID")->AsInteger() > 3;
    });
    ds.SetFiltered(true);
    EXPECT_EQ(Id(), 4);
    EXPECT_EQ(ds.RecordCount(), 7);
    EXPECT_FALSE(reported.empty());
    EXPECT_EQ(reported.front(), "bad filter");
    core::SetApplicationExceptionHandler(nullptr);
}

TEST_F(DataSetTest, LocateAndLookup)
{
    ds.Open();
    struct Case {
        const char16_t* fields;
        Variant values;
        TLocateOptions options;
        bool found;
        int id;
    };
    const Case cases[] = {
        {u"ID", Variant(int32_t(7)), 0, true, 7},
        {u"NAME", Variant(u"N4"), 0, false, 7},
        {u"NAME", Variant(u"N4"), loCaseInsensitive, true, 4},
        {u"NAME", Variant(u"n1"), loPartialKey, true, 1},
        {u"ID;NAME", Variant::ArrayOf({Variant(int32_t(9)), Variant(u"n9")}), 0, true, 9},
        {u"ID;NAME", Variant::ArrayOf({Variant(int32_t(9)), Variant(u"n8")}), 0, false, 9},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ds.Locate(c.fields, c.values, c.options), c.found) << Utf8(c.fields);
        EXPECT_EQ(Id(), c.id) << Utf8(c.fields);
    }
    EXPECT_EQ(ds.Lookup(u"ID", Variant(int32_t(3)), u"NAME"), Variant(u"n3"));
    EXPECT_TRUE(ds.Lookup(u"ID", Variant(int32_t(30)), u"NAME").IsNull());
    EXPECT_EQ(Id(), 9);  // the cursor stays
    EXPECT_EQ(ErrorOf([&] { ds.Locate(u"NOPE", Variant(1), 0); }), "Field 'NOPE' not found");
}

TEST_F(DataSetTest, NestedDisableControlsHoldEventsUntilTheLast)
{
    ds.Open();
    log.clear();
    ds.DisableControls();
    ds.DisableControls();
    ds.Next();
    ds.Next();
    ds.Edit();
    ds.FieldByName(u"NAME")->SetAsString(u"quiet");
    ds.Post();
    ds.EnableControls();
    EXPECT_TRUE(ds.ControlsDisabled());
    Log links;
    for (const std::string& line : log)
        if (line.rfind("link:", 0) == 0)
            links.push_back(line);
    EXPECT_TRUE(links.empty());
    log.clear();
    ds.EnableControls();
    EXPECT_FALSE(ds.ControlsDisabled());
    EXPECT_EQ(log, Log{"link:change"});
    // A dataset closed while controls were disabled tells the links of the state change only.
    ds.DisableControls();
    ds.Close();
    ds.Open();
    log.clear();
    ds.EnableControls();
    EXPECT_EQ(log, Log{"link:change"});
}

TEST_F(DataSetTest, DisabledSourceHearsNothing)
{
    ds.Open();
    source.SetEnabled(false);
    EXPECT_EQ(log.back(), "link:inactive");
    log.clear();
    ds.Next();
    EXPECT_EQ(log, (Log{"BeforeScroll", "AfterScroll"}));
    source.SetEnabled(true);
    EXPECT_EQ(log.back(), "link:active");
}

TEST_F(DataSetTest, SourceRefusesCircularLinks)
{
    EXPECT_TRUE(ds.IsLinkedTo(&source));
    EXPECT_TRUE(source.IsLinkedTo(&ds));
    TDataSource other;
    EXPECT_FALSE(ds.IsLinkedTo(&other));
}

TEST_F(DataSetTest, FreedDataSetLeavesItsSourceEmpty)
{
    auto* doomed = new TArrayDataSet;
    FillNumbered(*doomed, 2);
    TDataSource s;
    s.SetDataSet(doomed);
    doomed->Open();
    EXPECT_EQ(s.State(), dsBrowse);
    delete doomed;
    EXPECT_EQ(s.DataSet(), nullptr);
    EXPECT_EQ(s.State(), dsInactive);
}

// A dataset that counts the parent-scroll events it receives.
class NestedProbe : public TArrayDataSet {
public:
    int ParentScrolls = 0;

protected:
    void HandleDataEvent(TDataEvent event, intptr_t info) override
    {
        if (event == deParentScroll)
            ++ParentScrolls;
        TArrayDataSet::HandleDataEvent(event, info);
    }
};

TEST_F(DataSetTest, NestedDataSetsHearTheParentScroll)
{
    auto* detail = new TDataSetField(&ds);
    detail->SetFieldName(u"DETAIL");
    detail->SetFieldKind(fkCalculated);
    detail->SetDataSet(&ds);
    auto* id = new TIntegerField(&ds);
    id->SetFieldName(u"ID");
    id->SetDataSet(&ds);
    NestedProbe nested;
    FillNumbered(nested, 1);
    detail->SetNestedDataSet(&nested);
    EXPECT_EQ(nested.DataSetField(), detail);
    ASSERT_EQ(ds.NestedDataSets().size(), 1u);
    ds.Open();
    nested.Open();
    ds.Next();
    ds.Last();
    EXPECT_EQ(nested.ParentScrolls, 2);
    nested.Close();
    ds.First();
    EXPECT_EQ(nested.ParentScrolls, 2);
    detail->SetNestedDataSet(nullptr);
    EXPECT_TRUE(ds.NestedDataSets().empty());
}

TEST_F(DataSetTest, BlockReadingKeepsControlsQuiet)
{
    ds.Open();
    ds.SetBlockReadSize(10);
    EXPECT_EQ(ds.State(), dsBlockRead);
    log.clear();
    ds.Next();
    EXPECT_EQ(log, (Log{"BeforeScroll", "AfterScroll"}));
    EXPECT_EQ(Id(), 2);
    ds.SetBlockReadSize(0);
    EXPECT_EQ(ds.State(), dsBrowse);
}

// Overrides of the hooks a database dataset takes over, each logging that it was reached.
class HookedDataSet : public TArrayDataSet {
public:
    explicit HookedDataSet(Log& log) : m_log(log) {}
    void SetActive(bool value) override
    {
        m_log.push_back(value ? "SetActive true" : "SetActive false");
        TArrayDataSet::SetActive(value);
    }
    void Resync(TResyncModes mode) override
    {
        m_log.push_back("Resync");
        TArrayDataSet::Resync(mode);
    }
    using TArrayDataSet::SetStateFieldValue;

protected:
    void DoAfterScroll() override
    {
        m_log.push_back("after scroll");
        TArrayDataSet::DoAfterScroll();
    }

private:
    Log& m_log;
};

TEST(DataSetHooksTest, OverriddenActiveResyncAndAfterScrollAreReached)
{
    Log log;
    HookedDataSet ds(log);
    FillNumbered(ds, 3);
    log.clear();  // filling opened and closed the dataset
    TDataSet& base = ds;
    base.Open();
    base.Resync(0);
    base.Last();
    base.Close();
    EXPECT_EQ(log, (Log{"SetActive true", "after scroll", "Resync", "after scroll", "SetActive false"}));
}

TEST(DataSetHooksTest, StateWriteKeepsLargeIntegersWhole)
{
    Log log;
    HookedDataSet ds(log);
    ds.AddColumn(u"BIG", ftLargeint);
    ds.AddColumn(u"N", ftInteger);
    ds.Open();
    ds.Append();
    const int64_t big = (int64_t(1) << 62) + 1;
    ds.SetStateFieldValue(dsInsert, ds.FieldByName(u"BIG"), Variant(big));
    ds.SetStateFieldValue(dsInsert, ds.FieldByName(u"N"), Variant(int32_t(7)));
    EXPECT_EQ(ds.FieldByName(u"BIG")->AsLargeInt(), big);
    EXPECT_EQ(ds.FieldByName(u"N")->AsInteger(), 7);
    ds.SetStateFieldValue(dsInsert, ds.FieldByName(u"BIG"), Variant::Null());
    EXPECT_TRUE(ds.FieldByName(u"BIG")->IsNull());
    EXPECT_EQ(ds.State(), dsInsert);
}

TEST(DataSetHooksTest, BaseAnswersOfDetailLinksAndProviderSupport)
{
    TArrayDataSet ds;
    FillNumbered(ds, 2);
    ds.Open();
    TField* stray = ds.FieldByName(u"ID");
    std::vector<TField*> master{stray}, detail{stray};
    ds.GetDetailLinkFields(master, detail);
    EXPECT_TRUE(master.empty());
    EXPECT_TRUE(detail.empty());

    std::unique_ptr<TDataSet> result = std::make_unique<TArrayDataSet>();
    TParams params;
    EXPECT_EQ(ds.PSExecuteStatement(u"UPDATE T SET A = 1", &params, &result), 0);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(ds.PSGetDefaultOrder(), nullptr);
    EXPECT_EQ(ds.PSGetParams(), nullptr);
    EXPECT_EQ(ds.PSGetTableName(), u"");
    EXPECT_EQ(ds.PSGetQuoteChar(), u"");
    EXPECT_FALSE(ds.PSIsSQLBased());
    EXPECT_FALSE(ds.PSInTransaction());
    EXPECT_FALSE(ds.PSUpdateRecord(ukModify, &ds));

    // The key list is the fields flagged as key fields.
    EXPECT_EQ(ds.PSGetKeyFields(), u"");
    EXPECT_EQ(stray->ProviderFlags(), TProviderFlags(pfInUpdate | pfInWhere));
    stray->SetProviderFlags(pfInKey | pfInWhere);
    ds.FieldByName(u"NAME")->SetProviderFlags(pfInKey);
    EXPECT_EQ(ds.PSGetKeyFields(), u"ID;NAME");
}

TEST(DataSourceTest, AssignCopiesDataSetAutoEditAndEnabled)
{
    TArrayDataSet ds;
    TDataSource source;
    source.SetDataSet(&ds);
    source.SetAutoEdit(false);
    source.SetEnabled(false);
    TDataSource copy;
    copy.Assign(source);
    EXPECT_EQ(copy.DataSet(), &ds);
    EXPECT_FALSE(copy.AutoEdit());
    EXPECT_FALSE(copy.Enabled());
    TIndexDef unrelated;
    EXPECT_THROW(copy.Assign(unrelated), core::EConvertError);

    TArrayDataSet detail;
    TDetailDataLink link(&detail);
    link.SetDataSource(&source);
    EXPECT_EQ(link.GetDetailDataSet(), &detail);
    link.SetDataSource(nullptr);
}

} // namespace
} // namespace data::test
