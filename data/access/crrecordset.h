// The provider record set: an in-memory record store that owns a provider command and fills itself
// from the command's cursor in fetch blocks. The base keeps the fetch options and does the moving:
// forward fetches at the end of the rows, backward fetches for a provider that keeps one block only,
// and the dropping of the previous block for a forward-only record set. Reading rows from a server
// (FetchMore) and describing the fields (DoInitFields) are a provider's.
#pragma once

#include "data/access/crcommand.h"
#include "data/storage/memdata.h"

#include <memory>
#include <vector>

namespace data {

// A provider creates its command in CreateCommand. Make record sets with NewRecordSet<T>(), which
// also creates the command and the table list: a constructor cannot reach the provider's
// CreateCommand. A provider with its own DoClose closes in its own destructor.
class TCRRecordSet : public TMemData {
public:
    TCRRecordSet();
    ~TCRRecordSet() override;

    // ---- overrides of the store ----
    void Open() override { TMemData::Open(); }
    void Close() override { TMemData::Close(); }
    // Prepares the command and, for a statement that returns rows, describes the fields.
    void Prepare() override;
    // The table list is cleared also when the store's UnPrepare raises.
    void UnPrepare() override;
    bool NeedConvertEOL() override;
    std::unique_ptr<TFieldDesc> CreateFieldDesc() override { return std::make_unique<TCRFieldDesc>(); }
    void GetNextRecord(void* RecBuf) override;
    void GetPriorRecord(void* RecBuf) override;
    // EOF stays set afterwards only when the cursor can deliver no more rows.
    void FilterUpdated() override;
    void InitSortColumn(TSortColumn& SortColumn) override;
    // Fetches every row first; nothing happens without index fields.
    void SortItems() override;

    // ---- own virtual operations, in slot order ----
    // Creates the provider's command and stores it with SetCommand; abstract.
    virtual void CreateCommand();
    virtual void SetCommand(std::unique_ptr<TCRCommand> Value) { FCommand = std::move(Value); }
    // True for a provider that keeps only the current fetch block: backward moves fetch backwards.
    virtual bool FetchesWithoutCache() { return false; }
    // True makes every open describe the fields again.
    virtual bool NeedsFieldsReinit() { return false; }
    virtual void ExecFetch(bool DisableInitFields);
    // For a provider's FetchMore to call before and after a fetch block.
    virtual void DoBeforeFetch(bool& Cancel);
    virtual void DoAfterFetch();
    // Releases the command's server resources; the fields and rows stay.
    virtual void Disconnect();
    virtual void ExecCommand();
    virtual void FetchAll();
    virtual void BreakFetch() { FWaitForFetchBreak = true; }
    // Whether the record set can stay open without its server connection: the cursor is inactive or
    // has delivered every row. An assertion failure without a command.
    virtual bool CanDisconnect();
    virtual bool RowsReturn() { return FCommandType == ctCursor; }
    virtual void SetConnection(TCRConnection* Value) { FCommand->SetConnection(Value); }
    virtual void SetTransaction(TCRTransaction* Value) { FCommand->SetTransaction(Value); }
    virtual void SetSQL(StringView Value) { FCommand->SetSQL(Value); }
    virtual bool SetProp(int Prop, const core::Variant& Value);
    virtual bool GetProp(int Prop, core::Variant& Value);
    virtual bool IsCaseSensitive() { return true; }

    // ---- static operations ----
    TCRCommand* GetCommand() const { return FCommand.get(); }
    void FreeCommand();
    // What NewRecordSet runs once the object is complete.
    void AfterConstruction();

    // ---- properties ----
    core::Object* Component() const { return FCommand ? FCommand->Component() : nullptr; }
    void SetComponent(core::Object* Value) { FCommand->SetComponent(Value); }
    TCRTablesInfo* TablesInfo() const { return FTablesInfo.get(); }
    TCommandType CommandType() const { return FCommandType; }
    void SetCommandType(TCommandType Value) { FCommandType = Value; }
    bool UniDirectional() const { return FUniDirectional; }
    int32_t FetchRows() const { return FFetchRows; }
    bool FetchAllRows() const { return FFetchAll; }
    bool LockFetchAll() const { return FLockFetchAll; }
    bool LongStrings() const { return FLongStrings; }
    bool FlatBuffers() const { return FFlatBuffers; }
    bool ExtendedFieldsInfo() const { return FExtendedFieldsInfo; }
    bool DefaultValues() const { return FDefaultValues; }
    bool FieldsOrigin() const { return FFieldsOrigin; }
    bool WaitForFetchBreak() const { return FWaitForFetchBreak; }
    TBoolProc AfterExecFetch;
    TBoolProc AfterFetchAll;
    TBeforeFetchProc OnBeforeFetch;
    TAfterFetchProc OnAfterFetch;
    TDataChangeProc OnDataChanged;

protected:
    void DoPrepare() override { FCommand->Prepare(); }
    void DoUnPrepare() override { FCommand->Unprepare(); }
    // Executes and fetches; on failure the command is unprepared (when the record set was not
    // prepared) and an executed cursor made inactive.
    void DoOpen(bool DisableInitFields) override;

    // Adds ready records (full buffers of this store's layout) before the first item, in their order,
    // as rows fetched backwards; the current record stays.
    void PrependFetchedRecords(const std::vector<const void*>& RecBufs);

    // The record buffers of one fetch block: each new one is blank with its blobs made; Store hands
    // them to the record set (whose records take their values over); whatever was not stored is
    // released with its values.
    class TFetchBlock {
    public:
        explicit TFetchBlock(TCRRecordSet& Owner) : m_owner(Owner) {}
        ~TFetchBlock();
        TFetchBlock(const TFetchBlock&) = delete;
        TFetchBlock& operator=(const TFetchBlock&) = delete;

        void* Add();
        int Count() const { return int(m_buffers.size()); }
        // After the last record, or (Back) before the first.
        void Store(bool Back);

    private:
        TCRRecordSet& m_owner;
        std::vector<void*> m_buffers;
        bool m_stored = false;
    };
    // Drops the items from First to the end of the list (Forward false), or from the start of the list
    // up to but not including First (Forward true), and numbers what is left.
    void DropBlock(TItemHeader* First, bool Forward);

    std::unique_ptr<TCRCommand> FCommand;
    bool FUniDirectional = false;
    int32_t FFetchRows = 0;
    bool FFetchAll = false;
    bool FLockFetchAll = false;
    bool FLongStrings = true;
    bool FFlatBuffers = true;
    bool FExtendedFieldsInfo = false;
    bool FDefaultValues = false;
    bool FFieldsOrigin = false;
    bool FWaitForFetchBreak = false;
    TCommandType FCommandType = ctUnknown;
    std::unique_ptr<TCRTablesInfo> FTablesInfo;

private:
    // SortItems fetches every row, and each fetched block would ask for a sort again.
    bool m_sort_fetching = false;
};

template<class T, class... Args>
std::unique_ptr<T> NewRecordSet(Args&&... args)
{
    auto recordSet = std::make_unique<T>(std::forward<Args>(args)...);
    recordSet->AfterConstruction();
    return recordSet;
}

} // namespace data
