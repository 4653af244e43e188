// What database descendants of the store and the dataset service rely on: the updater a derived
// service makes is the one used, the blob stream's typecast error, the store's bulk append of
// fetched records, and one 16-bit width for Booleans whatever width a source declares.
#include "data/storage/test/memds_fixture.h"
#include "data/storage/test/table_store.h"

#include <gtest/gtest.h>

namespace {

using namespace data;
using data::test::Column;
using data::test::UpdaterLog;

class DerivedUpdater : public TDataSetUpdater {
public:
    DerivedUpdater(TDataSetService* owner, UpdaterLog& log) : TDataSetUpdater(owner), m_log(log) {}
    bool PerformAppend() override { return ++m_log.appends, true; }

private:
    UpdaterLog& m_log;
};

// Names its updater only through the factory hook, as a database service does.
class DerivedService : public TDataSetService {
public:
    DerivedService(TMemDataSet* owner, UpdaterLog& log) : TDataSetService(owner), m_log(log) {}
    void CreateDataSetUpdater() override { SetDataSetUpdater(std::make_unique<DerivedUpdater>(this, m_log)); }

private:
    UpdaterLog& m_log;
};

class DerivedDataSet : public TMemDataSet {
public:
    explicit DerivedDataSet(std::vector<Column> columns)
    {
        SetData(std::make_unique<data::test::TableStore>(std::move(columns)));
    }
    ~DerivedDataSet() override { Close(); }
    TDataSetServiceClass GetDataSetServiceClass() const override
    {
        return [](TMemDataSet* dataSet) -> std::unique_ptr<TDataSetService> {
            return std::make_unique<DerivedService>(dataSet, static_cast<DerivedDataSet*>(dataSet)->log);
        };
    }
    UpdaterLog log;
};

TEST(DataSetServiceDescendants, TheDerivedServicesUpdaterIsTheOneUsed)
{
    DerivedDataSet dataSet({{u"A", dtInt32, 4}});
    dataSet.Open();
    dataSet.Append();
    dataSet.FieldByName(u"A")->SetAsInteger(1);
    dataSet.Post();
    EXPECT_EQ(dataSet.log.appends, 1);
    ASSERT_NE(dataSet.DataSetService(), nullptr);
    TDataSetUpdater* updater = dataSet.DataSetService()->Updater();
    EXPECT_NE(dynamic_cast<DerivedUpdater*>(updater), nullptr);
    EXPECT_EQ(updater->DataSet(), &dataSet);
    EXPECT_EQ(updater->DataSetService(), dataSet.DataSetService());
    EXPECT_EQ(dataSet.DataSetService()->Updater(), updater);  // made once
}

TEST(BlobStreamDescendants, AFieldOutsideAnInMemoryDataSetIsAnInvalidCast)
{
    TBlobField field;
    try {
        TBlobStream stream(&field, bmRead);
        FAIL() << "no error";
    } catch (const core::EInvalidCast& e) {
        EXPECT_EQ(e.Message(), u"Invalid class typecast");
    }
}

class FetchingStore : public storetest::TableStore {
public:
    using storetest::TableStore::TableStore;
    using TMemData::AppendFetchedRecords;
};

TEST(RecordStoreFetch, ReadyRecordsJoinTheEndAsUnmodifiedRows)
{
    FetchingStore store({{u"ID", dtInt32, 4}, {u"NAME", dtString, 11, 10}});
    int appendEvents = 0;
    store.OnAppend = [&] { ++appendEvents; };
    store.SetCachedUpdates(true);
    store.Add({Variant(int32_t(1)), Variant(u"one")});  // a user's append: cached
    store.Find(u"ID", u"1");
    std::vector<void*> owned = {store.Fill({Variant(int32_t(3)), Variant(u"three")}),
                                store.Fill({Variant(int32_t(2)), Variant(u"two")})};
    store.AppendFetchedRecords({owned[0], owned[1]});
    for (void* buffer : owned)
        store.FreeRecBuf(buffer);

    EXPECT_EQ(store.Value(u"ID").AsInteger(), 1);  // the current record stays
    EXPECT_EQ(store.Walk(u"NAME"), (std::vector<String>{u"one", u"three", u"two"}));
    EXPECT_EQ(appendEvents, 0);
    EXPECT_TRUE(store.Find(u"ID", u"3"));
    EXPECT_EQ(store.GetUpdateStatus(), isUnmodified);

    store.SetIndexFieldNames(u"ID");
    void* four = store.Fill({Variant(int32_t(0)), Variant(u"zero")});
    store.AppendFetchedRecords({four});
    store.FreeRecBuf(four);
    EXPECT_EQ(store.Walk(u"NAME"), (std::vector<String>{u"zero", u"one", u"two", u"three"}));
}

TEST(RecordStoreBooleans, ABooleanDeclaredOneByteWideIsSixteenBits)
{
    // Declared as a provider's metadata declares it: one byte, the last of the data part.
    data::test::TestDataSet dataSet({{u"A", dtInt32, 4}, {u"B", dtBoolean, 1}});
    dataSet.Open();
    const TFieldDesc& b = *dataSet.Data()->Fields().Items(1);
    EXPECT_EQ(b.Size, 2);
    EXPECT_LE(b.Offset + b.Size, dataSet.Data()->DataSize());

    struct Case {
        Variant value;
        bool expected;
    };
    for (const Case& c : {Case{Variant(true), true}, Case{Variant(false), false}}) {
        dataSet.Append();
        dataSet.FieldByName(u"A")->SetAsInteger(-1);
        dataSet.FieldByName(u"B")->SetValue(c.value);
        dataSet.Post();
        EXPECT_EQ(dataSet.FieldByName(u"B")->AsBoolean(), c.expected);
        EXPECT_EQ(dataSet.FieldByName(u"A")->AsInteger(), -1);
        // The variant road of the store reads and writes the same two bytes.
        void* buffer = dataSet.Data()->AllocRecBuf();
        dataSet.Data()->GetRecord(buffer);
        Variant read;
        dataSet.Data()->GetFieldAsVariant(2, buffer, read);
        EXPECT_EQ(read, Variant(c.expected));
        dataSet.Data()->PutFieldAsVariant(2, buffer, Variant(!c.expected));
        dataSet.Data()->GetFieldAsVariant(2, buffer, read);
        EXPECT_EQ(read, Variant(!c.expected));
        dataSet.Data()->GetFieldAsVariant(1, buffer, read);
        EXPECT_EQ(read, Variant(int32_t(-1)));
        dataSet.Data()->FreeRecBuf(buffer);
    }
}

} // namespace
