// The SQLite record set against SQLite's own calls, over one database file of a million rows of six
// columns (two integers, a double, texts of 20 and 40 characters and a date text). Each round first
// steps a prepared SELECT to the end, reading every column into a std::vector of structs, then opens
// the same SELECT in the record set with FetchAll and reads every field of every record through
// TData::GetField. Prints the medians of the times and of the rounds' ratios, and the verdict on the
// median ratio (target: at most 2.5).
//
//     sqlfetch_bench [rows] [rounds] [fetch rows]
#include "data/access/testing/sqlitecommand.h"
#include "data/storage/storage.h"

#include "bench/timing.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace data;
using namespace data::testing;

namespace {

using bench::Median;
using bench::Seconds;

const char16_t* const kSelect = u"SELECT a, b, x, s20, s40, d FROM t ORDER BY a";

struct Row {
    int64_t a, b;
    double x;
    std::string s20, s40, d;
};

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::exit(1);
    }
}

void Fill(TSQLiteConnection& Connection, int Rows)
{
    Connection.ExecSQL(
        u"CREATE TABLE t (a INTEGER, b INTEGER, x REAL, s20 VARCHAR(20), s40 VARCHAR(40), d VARCHAR(10));"
        u"BEGIN;"
        u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        core::IntToStr(Rows) +
        u") INSERT INTO t SELECT i, i * 7 % 1000, i / 3.0, substr('abcdefghijklmnopqrst' || i, 1, 20),"
        u" substr('the quick brown fox jumps over the lazy dog ' || i, 1, 40),"
        u" date('2000-01-01', '+' || (i % 9000) || ' days') FROM n;"
        u"COMMIT;");
}

std::string Text(sqlite3_stmt* Statement, int Column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(Statement, Column));
    return text ? std::string(text, size_t(sqlite3_column_bytes(Statement, Column))) : std::string();
}

size_t ReadWithSQLite(sqlite3* Db, std::vector<Row>& Rows)
{
    const std::string sql = core::ToUtf8(kSelect);
    sqlite3_stmt* statement = nullptr;
    Check(sqlite3_prepare_v2(Db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK, "prepare");
    while (sqlite3_step(statement) == SQLITE_ROW) {
        Rows.push_back({sqlite3_column_int64(statement, 0), sqlite3_column_int64(statement, 1),
                        sqlite3_column_double(statement, 2), Text(statement, 3), Text(statement, 4),
                        Text(statement, 5)});
    }
    sqlite3_finalize(statement);
    return Rows.size();
}

// Every field of every record through GetField; the count of records and a sum that keeps the reads.
size_t ReadWithRecordSet(TSQLiteRecordSet& RecordSet, uint64_t& Sum)
{
    RecordSet.Open();
    std::vector<uint8_t> value(256);
    void* buffer = RecordSet.AllocRecBuf();
    size_t count = 0;
    const int fields = RecordSet.FieldCount();
    for (RecordSet.GetNextRecord(buffer); !RecordSet.GetEof(); RecordSet.GetNextRecord(buffer)) {
        ++count;
        for (int field = 1; field <= fields; ++field) {
            bool blank = false;
            RecordSet.GetField(field, buffer, value.data(), blank);
            Sum += value[0];
        }
    }
    RecordSet.FreeRecBuf(buffer);
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
    const int fetchRows = argc > 3 ? std::atoi(argv[3]) : 10000;
    InitStorageUnits();

    TSQLiteTempDatabase file;
    auto connection = NewConnection<TSQLiteConnection>();
    connection->SetServer(file.FileName());
    connection->Connect(u"");
    Fill(*connection, rows);

    std::vector<double> plain, recordSet, ratios;
    uint64_t sum = 0;
    for (int round = 0; round < rounds; ++round) {
        std::vector<Row> vector;
        vector.reserve(size_t(rows));
        plain.push_back(Seconds([&] { Check(ReadWithSQLite(connection->Handle(), vector) == size_t(rows), "plain"); }));
        auto records = NewRecordSet<TSQLiteRecordSet>();
        records->SetConnection(connection.get());
        records->SetSQL(kSelect);
        records->SetProp(PropFetchRows, fetchRows);
        records->SetProp(PropFetchAll, true);
        recordSet.push_back(Seconds([&] { Check(ReadWithRecordSet(*records, sum) == size_t(rows), "record set"); }));
        ratios.push_back(recordSet.back() / plain.back());
    }
    const double ratio = Median(ratios);
    std::printf("rows %d, rounds %d, fetch rows %d (checksum %llu)\n", rows, rounds, fetchRows,
                static_cast<unsigned long long>(sum % 1000));
    std::printf("plain prepare/step into a vector: %.3f s\n", Median(plain));
    std::printf("record set, FetchAll and GetField: %.3f s\n", Median(recordSet));
    std::printf("median ratio %.2f (target at most 2.5): %s\n", ratio, ratio <= 2.5 ? "met" : "NOT met");
    return 0;
}
