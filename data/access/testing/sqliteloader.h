// The SQLite provider's loader and metadata. The loader binds each value to a prepared
// INSERT as it comes and inserts a row when the next one starts, all inside one savepoint, so that a
// failed load leaves the table as it was. The metadata reads the schema table and the table pragmas.
#pragma once

#include "data/access/crloader.h"
#include "data/access/crmetadata.h"
#include "data/access/testing/sqlitecommand.h"

#include <optional>

namespace data::testing {

class TSQLiteLoader : public TCRLoader {
public:
    ~TSQLiteLoader() override;

    TCRRecordSetClass GetRecordSetClass() const override { return NewRecordSetOf<TSQLiteRecordSet>; }
    // Describes the table when no columns were given, prepares the INSERT and opens the savepoint.
    void Prepare() override;
    // Also rejects a row that was inserted already ("Invalid row number"), which DiscardRow can
    // otherwise open again.
    void PutColumnData(int Col, int Row, const core::Variant& Value) override;
    // Inserts the last row and releases the savepoint; on a failure (here or in an earlier row) the
    // savepoint is rolled back, LoadedRows is what it was before the load and the error is raised.
    void DoLoad() override;
    // Gives up a load that was not finished.
    void Finish() override;

private:
    TSQLiteConnection& Connection() const;
    void InsertRow();
    void Abandon();

    sqlite3_stmt* m_stmt = nullptr;
    bool m_row_pending = false;
    int m_pending_row = -1;  // FLastRow of the values bound
    int m_loaded_before = 0;
    std::optional<ESQLiteError> m_error;
};

// Tables and views, their columns, indexes, index columns and constraints of the main database;
// procedures and their parameters are empty. Catalog and schema are left null.
class TSQLiteMetaData : public TCRMetaData {
public:
    std::unique_ptr<TCRRecordSet> CreateRecordSet() override { return NewRecordSet<TSQLiteRecordSet>(); }
    TData* GetTables(const core::Strings& Restrictions) override;
    TData* GetColumns(const core::Strings& Restrictions) override;
    TData* GetProcedures(const core::Strings& Restrictions) override;
    TData* GetProcedureParameters(const core::Strings& Restrictions) override;
    TData* GetIndexes(const core::Strings& Restrictions) override;
    TData* GetIndexColumns(const core::Strings& Restrictions) override;
    TData* GetConstraints(const core::Strings& Restrictions) override;

private:
    TSQLiteConnection& Connection();
};

} // namespace data::testing
