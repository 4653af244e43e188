// The SQLite loader against SQLite's own calls, loading a million rows of six columns (two integers,
// two doubles, a text of up to 20 characters and a small integer) into an in-memory table. Each round
// first runs a prepared INSERT with bind and step per row inside one transaction, then, into a fresh
// table of the same shape, the loader: Prepare, PutColumnData for every value (each a Variant made
// from the value, as a caller does) and DoLoad, all inside the loader's one savepoint. Prints the
// medians of the times and of the rounds' ratios, and the verdict on the median ratio (target: at
// most 1.5).
//
//     sqlload_bench [rows] [rounds]
#include "data/access/testing/sqliteloader.h"
#include "data/storage/storage.h"

#include "bench/timing.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace data;
using namespace data::testing;

namespace {

using bench::Median;
using bench::Seconds;

const char16_t* const kColumns = u"(a INTEGER, b INTEGER, x REAL, s VARCHAR(20), y REAL, k INTEGER)";

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::exit(1);
    }
}

// Texts made once, so that both sides bind the same strings and neither pays for making them.
std::vector<String> Names()
{
    std::vector<String> names;
    for (int i = 0; i < 1000; ++i)
        names.push_back(u"name " + core::IntToStr(i * 7919));
    return names;
}

void LoadWithSQLite(sqlite3* Db, int Rows, const std::vector<String>& Names)
{
    sqlite3_stmt* statement = nullptr;
    Check(sqlite3_exec(Db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK, "begin");
    Check(sqlite3_prepare_v2(Db, "INSERT INTO plain (a, b, x, s, y, k) VALUES (?, ?, ?, ?, ?, ?)", -1, &statement,
                             nullptr) == SQLITE_OK,
          "prepare");
    for (int i = 1; i <= Rows; ++i) {
        const String& name = Names[size_t(i) % Names.size()];
        sqlite3_bind_int64(statement, 1, i);
        sqlite3_bind_int64(statement, 2, int64_t(i) * 3);
        sqlite3_bind_double(statement, 3, i / 4.0);
        sqlite3_bind_text16(statement, 4, name.data(), int(name.size() * sizeof(Char)), SQLITE_TRANSIENT);
        sqlite3_bind_double(statement, 5, i * 0.5);
        sqlite3_bind_int64(statement, 6, i % 7);
        Check(sqlite3_step(statement) == SQLITE_DONE, "step");
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    Check(sqlite3_exec(Db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK, "commit");
}

void LoadWithLoader(TSQLiteConnection& Connection, int Rows, const std::vector<String>& Names)
{
    TSQLiteLoader loader;
    loader.SetConnection(&Connection);
    loader.SetTableName(u"loaded");
    loader.Prepare();
    for (int i = 1; i <= Rows; ++i) {
        loader.PutColumnData(0, i, core::Variant(int64_t(i)));
        loader.PutColumnData(1, i, core::Variant(int64_t(i) * 3));
        loader.PutColumnData(2, i, core::Variant(i / 4.0));
        loader.PutColumnData(3, i, core::Variant(Names[size_t(i) % Names.size()]));
        loader.PutColumnData(4, i, core::Variant(i * 0.5));
        loader.PutColumnData(5, i, core::Variant(int64_t(i % 7)));
    }
    loader.DoLoad();
    loader.Finish();
    Check(loader.LoadedRows() == Rows, "loaded rows");
}

} // namespace

int main(int argc, char** argv)
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
    InitStorageUnits();

    auto connection = NewConnection<TSQLiteConnection>();
    connection->SetServer(u":memory:");
    connection->Connect(u"");
    const std::vector<String> names = Names();

    std::vector<double> plain, loader, ratios;
    for (int round = 0; round < rounds; ++round) {
        connection->ExecSQL(String(u"DROP TABLE IF EXISTS plain; DROP TABLE IF EXISTS loaded; CREATE TABLE plain ") +
                            kColumns + u"; CREATE TABLE loaded " + kColumns);
        plain.push_back(Seconds([&] { LoadWithSQLite(connection->Handle(), rows, names); }));
        loader.push_back(Seconds([&] { LoadWithLoader(*connection, rows, names); }));
        ratios.push_back(loader.back() / plain.back());
        Check(connection->SelectValue(u"SELECT count(*) FROM loaded").AsInt64() == rows, "rows in the table");
        Check(connection->SelectValue(u"SELECT (SELECT total(x) + total(y) FROM plain) = "
                                      u"(SELECT total(x) + total(y) FROM loaded)")
                      .AsInt64() == 1,
              "same values");
    }
    const double ratio = Median(ratios);
    std::printf("rows %d of 6 columns, rounds %d\n", rows, rounds);
    std::printf("plain prepare/bind/step in one transaction: %.3f s\n", Median(plain));
    std::printf("loader, PutColumnData per value and DoLoad: %.3f s\n", Median(loader));
    std::printf("median ratio %.2f (target at most 1.5): %s\n", ratio, ratio <= 1.5 ? "met" : "NOT met");
    return 0;
}
