// Sorting and filtering of the in-memory record store against baselines measured in the same run, over
// one million records (32-bit key, double price, 20-character inline ANSI name, 64-bit integer):
// - sort on the key and walk, against std::stable_sort of a std::vector of the same records and a
//   walk, and against an in-memory SQLite table's SELECT ... ORDER BY stepped to the end;
// - sort on the name, the vector comparing with the same locale routine as the store;
// - the filter Price >= 500 AND Name LIKE 'A%' (FilterUpdated, then a walk) against SQLite's WHERE
//   stepped to the end.
// Each round times the store and its baseline one after the other; prints the medians of the times
// and of the rounds' ratios over the rounds, and a verdict per target (on the median ratio).
//
//     store_sort_bench [records] [rounds] [key|name|filter]
#include "data/storage/memdata.h"
#include "data/storage/memutils.h"
#include "data/storage/storage.h"

#include "bench/timing.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace data;

namespace {

using bench::Median;
using bench::Seconds;

constexpr int kNameLength = 20;

struct Record {
    int32_t key;
    double price;
    char name[kNameLength + 1];
    int64_t big;
};

volatile uint64_t g_sink;

// Keys are a shuffled 0..count-1; names start with an upper-case letter, then lower case.
std::vector<Record> MakeRecords(int count)
{
    std::mt19937 random(20240611);
    std::vector<Record> records(static_cast<size_t>(count));
    std::vector<int32_t> keys(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        keys[size_t(i)] = i;
    std::shuffle(keys.begin(), keys.end(), random);
    for (int i = 0; i < count; ++i) {
        Record& r = records[size_t(i)];
        r.key = keys[size_t(i)];
        r.price = double(random() % 100000) / 100;
        r.name[0] = char('A' + random() % 26);
        for (int c = 1; c < kNameLength; ++c)
            r.name[c] = char('a' + random() % 26);
        r.name[kNameLength] = 0;
        r.big = int64_t(random()) * 1000;
    }
    return records;
}

class SortStore : public TMemData {
public:
    explicit SortStore(const std::vector<Record>& records)
    {
        InitFields();
        Open();
        void* buffer = AllocRecBuf();
        for (const Record& r : records) {
            InitRecord(buffer);
            PutField(1, buffer, &r.key);
            PutField(2, buffer, &r.price);
            PutField(3, buffer, r.name);
            PutField(4, buffer, &r.big);
            AppendRecord(buffer);
        }
        FreeRecBuf(buffer);
    }
    ~SortStore() override { Close(); }

    // Reads every visible record's four fields; returns the count.
    int Walk()
    {
        void* buffer = AllocRecBuf();
        uint64_t sum = 0;
        int count = 0;
        bool blank = false;
        SetToBegin();
        for (GetNextRecord(buffer); !GetEof(); GetNextRecord(buffer)) {
            int32_t key = 0;
            double price = 0;
            char name[kNameLength + 1];
            int64_t big = 0;
            GetField(1, buffer, &key, blank);
            GetField(2, buffer, &price, blank);
            GetField(3, buffer, name, blank);
            GetField(4, buffer, &big, blank);
            sum += uint64_t(key) + uint64_t(price) + uint8_t(name[5]) + uint64_t(big);
            ++count;
        }
        g_sink = sum;
        FreeRecBuf(buffer);
        return count;
    }
    int32_t KeyAt(int recordNo)
    {
        SetRecordNo(recordNo);
        void* buffer = AllocRecBuf();
        GetRecord(buffer);
        int32_t key = -1;
        bool blank = false;
        GetField(1, buffer, &key, blank);
        FreeRecBuf(buffer);
        return key;
    }

protected:
    void DoInitFields() override
    {
        Add(u"Key", dtInt32, 4, 0);
        Add(u"Price", dtFloat, 8, 0);
        Add(u"Name", dtString, kNameLength + 1, kNameLength);
        Add(u"Big", dtInt64, 8, 0);
    }

private:
    void Add(const char16_t* name, uint16_t type, uint16_t size, uint16_t length)
    {
        auto desc = CreateFieldDesc();
        desc->Name = desc->ActualName = name;
        desc->DataType = type;
        desc->Size = size;
        desc->Length = length;
        Fields().Add(std::move(desc));
    }
};

int WalkVector(const std::vector<Record>& records)
{
    uint64_t sum = 0;
    for (const Record& r : records) {
        char name[kNameLength + 1];
        std::memcpy(name, r.name, sizeof name);
        sum += uint64_t(r.key) + uint64_t(r.price) + uint8_t(name[5]) + uint64_t(r.big);
    }
    g_sink = sum;
    return int(records.size());
}

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::exit(1);
    }
}

sqlite3* MakeTable(const std::vector<Record>& records)
{
    sqlite3* db = nullptr;
    Check(sqlite3_open(":memory:", &db) == SQLITE_OK, "sqlite open");
    Check(sqlite3_exec(db, "CREATE TABLE t(key INTEGER, price REAL, name TEXT, big INTEGER)", nullptr, nullptr,
                       nullptr) == SQLITE_OK,
          "create");
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?, ?, ?, ?)", -1, &insert, nullptr);
    for (const Record& r : records) {
        sqlite3_bind_int(insert, 1, r.key);
        sqlite3_bind_double(insert, 2, r.price);
        sqlite3_bind_text(insert, 3, r.name, kNameLength, SQLITE_STATIC);
        sqlite3_bind_int64(insert, 4, r.big);
        Check(sqlite3_step(insert) == SQLITE_DONE, "insert");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    return db;
}

int StepQuery(sqlite3* db, const char* sql)
{
    sqlite3_stmt* query = nullptr;
    Check(sqlite3_prepare_v2(db, sql, -1, &query, nullptr) == SQLITE_OK, sql);
    uint64_t sum = 0;
    int count = 0;
    while (sqlite3_step(query) == SQLITE_ROW) {
        const int32_t key = sqlite3_column_int(query, 0);
        const double price = sqlite3_column_double(query, 1);
        const unsigned char* name = sqlite3_column_text(query, 2);
        const int64_t big = sqlite3_column_int64(query, 3);
        sum += uint64_t(key) + uint64_t(price) + name[5] + uint64_t(big);
        ++count;
    }
    sqlite3_finalize(query);
    g_sink = sum;
    return count;
}

// The comparisons to run: all without a name, else the one named (key, name or filter).
bool Selected(const char* only, const char* name)
{
    return !*only || std::strcmp(only, name) == 0;
}

void Verdict(const char* what, double ratio, double target)
{
    std::printf("  %-44s %6.2f  (target at most %.2f: %s)\n", what, ratio, target, ratio <= target ? "met" : "NOT met");
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const char* only = argc > 3 ? argv[3] : "";
    InitStorageUnits();
    const std::vector<Record> records = MakeRecords(count);
    sqlite3* db = MakeTable(records);
    const char* kSelect = "SELECT key, price, name, big FROM t";
    const std::string byKey = std::string(kSelect) + " ORDER BY key";
    const std::string filtered = std::string(kSelect) + " WHERE price >= 500 AND name LIKE 'A%'";

    std::vector<double> keyVectorRatio, keySqliteRatio, nameRatio, filterRatio;
    std::vector<double> filterDecide, keySort, keyVector, keyStore, keySqlite, nameVector, nameStore, filterStore, filterSqlite;
    // Page faults of each measured side, per round.
    std::vector<double> keyVectorFaults, keyStoreFaults, keySqliteFaults, nameVectorFaults, nameStoreFaults,
        filterStoreFaults, filterSqliteFaults;
    for (int round = 0; round < rounds; ++round) {
        if (Selected(only, "key")) {
            std::vector<Record> copy = records;
            double vectorFaults = 0, storeFaults = 0, sqliteFaults = 0;
            keyVector.push_back(Seconds([&] {
                std::stable_sort(copy.begin(), copy.end(), [](const Record& a, const Record& b) { return a.key < b.key; });
                Check(WalkVector(copy) == count, "vector walk");
            }, vectorFaults));
            SortStore store(records);
            const double sort = Seconds([&] { store.SetIndexFieldNames(u"Key"); }, storeFaults);
            const double walk = Seconds([&] { Check(store.Walk() == count, "store walk"); }, storeFaults);
            keyStore.push_back(sort + walk);
            keySort.push_back(sort);
            Check(store.KeyAt(1) == 0 && store.KeyAt(count) == count - 1, "store sorted by key");
            keySqlite.push_back(Seconds([&] { Check(StepQuery(db, byKey.c_str()) == count, "sqlite order"); }, sqliteFaults));
            keyVectorFaults.push_back(vectorFaults);
            keyStoreFaults.push_back(storeFaults);
            keySqliteFaults.push_back(sqliteFaults);
            keyVectorRatio.push_back(keyStore.back() / keyVector.back());
            keySqliteRatio.push_back(keyStore.back() / keySqlite.back());
        }
        if (Selected(only, "name")) {
            std::vector<Record> copy = records;
            double vectorFaults = 0, storeFaults = 0;
            nameVector.push_back(Seconds([&] {
                std::stable_sort(copy.begin(), copy.end(),
                                 [](const Record& a, const Record& b) { return LocaleCompareZ(a.name, b.name) < 0; });
                Check(WalkVector(copy) == count, "vector walk");
            }, vectorFaults));
            SortStore store(records);
            nameStore.push_back(Seconds([&] {
                store.SetIndexFieldNames(u"Name");
                Check(store.Walk() == count, "store walk");
            }, storeFaults));
            nameVectorFaults.push_back(vectorFaults);
            nameStoreFaults.push_back(storeFaults);
            nameRatio.push_back(nameStore.back() / nameVector.back());
        }
        if (Selected(only, "filter")) {
            int expected = 0;
            double storeFaults = 0, sqliteFaults = 0;
            filterSqlite.push_back(Seconds([&] { expected = StepQuery(db, filtered.c_str()); }, sqliteFaults));
            SortStore store(records);
            const double decide = Seconds([&] {
                store.SetFilterText(u"Price >= 500 AND Name LIKE 'A%'");
                store.FilterUpdated();
            }, storeFaults);
            const double walk = Seconds([&] { Check(store.Walk() == expected, "store filter count"); }, storeFaults);
            filterStoreFaults.push_back(storeFaults);
            filterSqliteFaults.push_back(sqliteFaults);
            filterStore.push_back(decide + walk);
            filterDecide.push_back(decide);
            filterRatio.push_back(filterStore.back() / filterSqlite.back());
        }
    }
    sqlite3_close(db);

    std::printf("%d records, medians of %d rounds (seconds):\n", count, rounds);
    if (Selected(only, "key")) {
        const double kv = Median(keyVector), ks = Median(keyStore), kq = Median(keySqlite);
        std::printf("  sort on key + walk: store %.3f (sort %.3f), vector %.3f, sqlite %.3f\n", ks, Median(keySort), kv,
                    kq);
        std::printf("    page faults a round: store %.0f, vector %.0f, sqlite %.0f\n", Median(keyStoreFaults),
                    Median(keyVectorFaults), Median(keySqliteFaults));
        Verdict("sort on key, store / vector", Median(keyVectorRatio), 1.5);
        Verdict("sort on key, store / sqlite ORDER BY", Median(keySqliteRatio), 1.0);
    }
    if (Selected(only, "name")) {
        const double nv = Median(nameVector), ns = Median(nameStore);
        std::printf("  sort on name + walk: store %.3f, vector %.3f\n", ns, nv);
        std::printf("    page faults a round: store %.0f, vector %.0f\n", Median(nameStoreFaults), Median(nameVectorFaults));
        Verdict("sort on name, store / vector", Median(nameRatio), 1.5);
    }
    if (Selected(only, "filter")) {
        const double fs = Median(filterStore), fq = Median(filterSqlite);
        std::printf("  filter + walk: store %.3f (FilterUpdated %.3f), sqlite %.3f\n", fs, Median(filterDecide), fq);
        std::printf("    page faults a round: store %.0f, sqlite %.0f\n", Median(filterStoreFaults), Median(filterSqliteFaults));
        Verdict("filter, store / sqlite WHERE", Median(filterRatio), 1.0 / 3);
    }
    return 0;
}
